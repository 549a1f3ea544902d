// The object archive behind the C interface: an archive over bytes of its
// own, storing into them or loading from a copy of the caller's.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "capi/guard.h"
#include "capi/value_form.h"
#include "framework/archive.h"
#include "settings/settings_key.h"

struct kxvm_archive {
  kxvm_archive(kx::CArchive::Mode mode, const uint8_t* data, size_t size)
      : bytes(data, data + size), archive(bytes, mode) {}
  std::vector<std::uint8_t> bytes;  // before the archive, which refers to it
  kx::CArchive archive;
};

using kx::capi::Guard;
using kx::capi::Require;

namespace {

kx::CArchive& ToArchive(kxvm_archive* archive) {
  Require(archive, "the archive is null");
  return archive->archive;
}

template <class Use>
int32_t WithArchive(const char* function, kxvm_archive* archive, Use use) {
  return Guard(function, [&] {
    use(ToArchive(archive));
    return KXVM_OK;
  });
}

}  // namespace

extern "C" {

int32_t KXVM_CALL kxvm_archive_create(int32_t mode, const uint8_t* bytes, size_t size,
                                      kxvm_archive** archive) {
  return Guard(__func__, [&] {
    Require(archive, "the archive output is null");
    if (mode == KXVM_ARCHIVE_STORE) {
      *archive = new kxvm_archive(kx::CArchive::store, nullptr, 0);
    } else if (mode == KXVM_ARCHIVE_LOAD) {
      if (!bytes && size != 0) throw kx::capi::InvalidArgument{"the bytes are null"};
      *archive = new kxvm_archive(kx::CArchive::load, bytes, bytes ? size : 0);
    } else {
      throw kx::capi::InvalidArgument{"the mode is neither store nor load"};
    }
    return KXVM_OK;
  });
}

void KXVM_CALL kxvm_archive_destroy(kxvm_archive* archive) {
  kx::capi::GuardQuietly(__func__, [&] {
    delete archive;
  });
}

int32_t KXVM_CALL kxvm_archive_take(kxvm_archive* archive, uint8_t** bytes, size_t* size) {
  return Guard(__func__, [&] {
    Require(archive, "the archive is null");
    Require(bytes, "the bytes output is null");
    Require(size, "the size output is null");
    if (archive->archive.IsLoading()) throw kx::CArchiveException(kx::CArchiveException::writeOnly);
    void* copy = nullptr;
    kx::capi::GiveBytes(archive->bytes.data(), archive->bytes.size(), &copy);
    *bytes = static_cast<uint8_t*>(copy);
    *size = archive->bytes.size();
    archive->bytes.clear();  // a storing archive only ever appends
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_archive_remaining(const kxvm_archive* archive, size_t* remaining) {
  return Guard(__func__, [&] {
    Require(archive, "the archive is null");
    Require(remaining, "the output is null");
    *remaining = archive->archive.RemainingBytes();
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_archive_write(kxvm_archive* archive, const void* data, size_t size) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    if (!data && size != 0) throw kx::capi::InvalidArgument{"the data is null"};
    ar.Write(data, size);
  });
}

int32_t KXVM_CALL kxvm_archive_read(kxvm_archive* archive, void* data, size_t size) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    if (!data && size != 0) throw kx::capi::InvalidArgument{"the data is null"};
    ar.ReadExactly(data, size);
  });
}

int32_t KXVM_CALL kxvm_archive_write_string(kxvm_archive* archive, const wchar_t* text,
                                            size_t length) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    ar.WriteString(kx::capi::TextArgument(text, length, "the text is null"));
  });
}

int32_t KXVM_CALL kxvm_archive_read_string(kxvm_archive* archive, wchar_t** text, size_t* length) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    Require(text, "the text output is null");
    Require(length, "the length output is null");
    kx::capi::GiveText(ar.ReadString(), text, length);
  });
}

int32_t KXVM_CALL kxvm_archive_write_count(kxvm_archive* archive, uint64_t count) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) { ar.WriteCount(count); });
}

int32_t KXVM_CALL kxvm_archive_read_count(kxvm_archive* archive, uint64_t* count) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    Require(count, "the count output is null");
    *count = ar.ReadCount();
  });
}

int32_t KXVM_CALL kxvm_archive_write_key(kxvm_archive* archive, const kxvm_key* key) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    ar.WriteObject(reinterpret_cast<const kx::MWSettingsKey*>(key));
  });
}

int32_t KXVM_CALL kxvm_archive_read_key(kxvm_archive* archive, kxvm_key** key) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    Require(key, "the key output is null");
    std::unique_ptr<kx::CObject> object = ar.ReadObject(&kx::MWSettingsKey::classMWSettingsKey);
    *key = reinterpret_cast<kxvm_key*>(static_cast<kx::MWSettingsKey*>(object.release()));
  });
}

int32_t KXVM_CALL kxvm_archive_write_form(kxvm_archive* archive, int32_t kind,
                                          const uint8_t* form, size_t size) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    ar.WriteObject(kx::capi::ValueFromForm(kind, form, size).get());
  });
}

int32_t KXVM_CALL kxvm_archive_read_object(kxvm_archive* archive, int32_t* kind, kxvm_key** key,
                                           uint8_t** form, size_t* size) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    if (!kind || !key || !form || !size) throw kx::capi::InvalidArgument{"an output is null"};
    std::unique_ptr<kx::CObject> object = ar.ReadObject();
    std::vector<uint8_t> bytes;
    int32_t read = KXVM_KIND_NONE;
    if (object && object->IsKindOf(&kx::MWSettingsValue::classMWSettingsValue)) {
      const auto& value = static_cast<const kx::MWSettingsValue&>(*object);
      read = kx::capi::KindOf(value);
      bytes = kx::capi::FormOf(value);
    } else if (object) {
      read = KXVM_KIND_KEY;
    }
    void* copy = nullptr;
    kx::capi::GiveBytes(bytes.data(), bytes.size(), &copy);
    *form = static_cast<uint8_t*>(copy);
    *size = bytes.size();
    *kind = read;
    *key = read == KXVM_KIND_KEY
               ? reinterpret_cast<kxvm_key*>(static_cast<kx::MWSettingsKey*>(object.release()))
               : nullptr;
  });
}

int32_t KXVM_CALL kxvm_key_serialize(kxvm_key* key, kxvm_archive* archive) {
  return WithArchive(__func__, archive, [&](kx::CArchive& ar) {
    Require(key, "the key is null");
    reinterpret_cast<kx::MWSettingsKey*>(key)->Serialize(ar);
  });
}

}  // extern "C"
