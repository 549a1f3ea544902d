// An add-in on the framework stand-in (tools/afx), linked statically and with _AFXDLL: every
// snippet, then the archive's bytes against ones worked out by hand from the framework's format.
#include <afxwin.h>

#include <cstring>

#include "MWSettingsKey.h"
#include "check.h"

void TextSnippet(), NumbersSnippet(), EveryKindSnippet(), LogSnippet(), ClassesSnippet(),
    ObListSnippet(), ArchiveDiskSnippet(), ArchiveFailureSnippet(), ArchiveMacrosSnippet(),
    ValuesSnippet(), AddKeySnippet(), LaunchSnippet(), MidlInterfaceSnippet(),
    ImportInterfaceSnippet();

namespace {

// A key holding an integer, two doubles and a key that holds a rectangle,
// as `ar << pKey` writes it: classes and objects numbered together from 1.
const BYTE kGolden[] = {
    0xFF, 0xFF, 1, 0, 13, 0, 'M', 'W', 'S', 'e', 't', 't', 'i', 'n', 'g', 's', 'K', 'e', 'y',
    4, 0,                                      // key class 1, key 2; four children
    0xFF, 0xFF, 1, 0, 10, 0, 'M', 'W', 'I', 'n', 't', 'V', 'a', 'l', 'u', 'e',  // 3, 4
    0xFF, 0xFE, 0xFF, 1, 'i', 0, 7, 0, 0, 0,   // "i" = 7
    0xFF, 0xFF, 1, 0, 13, 0, 'M', 'W', 'D', 'o', 'u', 'b', 'l', 'e', 'V', 'a', 'l', 'u', 'e',
    0xFF, 0xFE, 0xFF, 2, 'd', 0, '1', 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F,  // 5, 6: "d1" = 1.5
    0x05, 0x80,                                                          // class 5, object 7
    0xFF, 0xFE, 0xFF, 2, 'd', 0, '2', 0, 0, 0, 0, 0, 0, 0, 0, 0xC0,      // "d2" = -2
    0x01, 0x80, 1, 0,                          // class 1, key 8; one child
    0xFF, 0xFF, 1, 0, 11, 0, 'M', 'W', 'R', 'e', 'c', 't', 'V', 'a', 'l', 'u', 'e',  // 9, 10
    0xFF, 0xFE, 0xFF, 1, 'r', 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};

void Golden() {
  MWSettingsKey key(_T("Root"), KXHOST_KEY);
  MWSettingsKey* child = new MWSettingsKey(_T("Child"), KXHOST_KEY);
  child->AddValue(_T("r"), CRect(1, 2, 3, 4));
  key.AddKey(child);
  key.AddValue(_T("d2"), -2.0);
  key.AddValue(_T("d1"), 1.5);
  key.AddValue(_T("i"), 7);
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    ar << &key;
  }
  BYTE stored[sizeof kGolden + 1] = {};
  file.SeekToBegin();
  CHECK(file.GetLength() == sizeof kGolden && file.Read(stored, sizeof stored) == sizeof kGolden &&
        std::memcmp(stored, kGolden, sizeof kGolden) == 0);

  // The library's own archive writes the same and reads them.
  kxvm_archive* archive = NULL;
  std::uint8_t* bytes = NULL;
  std::size_t size = 0;
  kxvm_archive_create(KXVM_ARCHIVE_STORE, NULL, 0, &archive);
  kxvm_archive_write_key(archive, key.GetHandle());
  kxvm_archive_take(archive, &bytes, &size);
  kxvm_archive_destroy(archive);
  CHECK(size == sizeof kGolden && std::memcmp(bytes, kGolden, size) == 0);
  kxvm_free(bytes);
  kxvm_key* read = NULL;
  kxvm_archive_create(KXVM_ARCHIVE_LOAD, kGolden, sizeof kGolden, &archive);
  CHECK(kxvm_archive_read_key(archive, &read) == KXVM_OK && read &&
        kxvm_archive_remaining(archive, &size) == KXVM_OK && size == 0);
  kxvm_key_destroy(read);
  kxvm_archive_destroy(archive);

  // And the framework's archive reads them through this face.
  CMemFile in(const_cast<BYTE*>(kGolden), sizeof kGolden);
  CArchive ar(&in, CArchive::load);
  CObject* object = ar.ReadObject(RUNTIME_CLASS(MWSettingsKey));
  CHECK(object && in.GetPosition() == sizeof kGolden);
  delete object;
}

}  // namespace

int main() {
  return RunHost({TextSnippet, NumbersSnippet, EveryKindSnippet, LogSnippet, ClassesSnippet,
                  ObListSnippet, ArchiveDiskSnippet, ArchiveFailureSnippet, ArchiveMacrosSnippet,
                  ValuesSnippet, AddKeySnippet, LaunchSnippet, MidlInterfaceSnippet,
                  ImportInterfaceSnippet, Golden});
}
