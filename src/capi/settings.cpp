// Settings keys and their values behind the C interface. A kxvm_key is the
// library's own key object.
#include <windows.h>

#include <memory>
#include <vector>

#include "capi/guard.h"
#include "capi/value_form.h"
#include "settings/settings_key.h"

using kx::capi::GiveText;
using kx::capi::Guard;
using kx::capi::NameArgument;
using kx::capi::Require;
using kx::capi::TextArgument;

namespace {

kx::MWSettingsKey* ToKey(kxvm_key* key) {
  Require(key, "the key is null");
  return reinterpret_cast<kx::MWSettingsKey*>(key);
}
const kx::MWSettingsKey* ToKey(const kxvm_key* key) {
  Require(key, "the key is null");
  return reinterpret_cast<const kx::MWSettingsKey*>(key);
}
kxvm_key* ToHandle(kx::MWSettingsKey* key) { return reinterpret_cast<kxvm_key*>(key); }

kx::MWSettingsValue* ToValue(const kxvm_value* value) {
  Require(value, "the value is null");
  return reinterpret_cast<kx::MWSettingsValue*>(const_cast<kxvm_value*>(value));
}
kxvm_value* ToHandle(kx::MWSettingsValue* value) { return reinterpret_cast<kxvm_value*>(value); }

// Declares a value of the kind that make's payload selects; make checks the
// caller's arguments inside the guard.
template <class Make>
int32_t Add(const char* function, kxvm_key* key, const wchar_t* name, Make make) {
  return Guard(function, [&] {
    ToKey(key)->AddValue(NameArgument(name, "the name is null"), make());
    return KXVM_OK;
  });
}

template <class Make>
int32_t Set(const char* function, kxvm_key* key, const wchar_t* name, Make make) {
  return Guard(function, [&] {
    return ToKey(key)->SetValue(NameArgument(name, "the name is null"), make()) ? KXVM_OK
                                                                                 : KXVM_NO_MATCH;
  });
}

// The payload of the value that name finds, when it is of the kind and the
// outputs are there.
template <class Payload, class Deliver>
int32_t Get(const char* function, kxvm_key* key, const wchar_t* name, bool outputs,
            Deliver deliver) {
  return Guard(function, [&] {
    Payload payload{};
    if (!ToKey(key)->GetValue(NameArgument(name, "the name is null"), payload))
      return KXVM_NO_MATCH;
    if (!outputs) throw kx::capi::InvalidArgument{"an output is null"};
    deliver(payload);
    return KXVM_OK;
  });
}

std::vector<int> Array(const int32_t* values, size_t count) {
  if (!values && count != 0) throw kx::capi::InvalidArgument{"the values are null"};
  if (count > std::vector<int>().max_size()) throw kx::capi::InvalidArgument{"the count is beyond any array"};
  return values ? std::vector<int>(values, values + count) : std::vector<int>();
}

}  // namespace

extern "C" {

int32_t KXVM_CALL kxvm_key_create(const wchar_t* name, const wchar_t* path, kxvm_key** key) {
  return Guard(__func__, [&] {
    Require(key, "the key output is null");
    *key = ToHandle(new kx::MWSettingsKey(NameArgument(name, "the name is null"),
                                          NameArgument(path, "the path is null")));
    return KXVM_OK;
  });
}

void KXVM_CALL kxvm_key_destroy(kxvm_key* key) {
  kx::capi::GuardQuietly(__func__, [&] {
    // A key that a parent holds goes with its parent.
    if (key && !ToKey(key)->Parent()) delete ToKey(key);
  });
}

int32_t KXVM_CALL kxvm_key_name(const kxvm_key* key, wchar_t** name) {
  return Guard(__func__, [&] {
    GiveText(ToKey(key)->GetName(), name);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_set_root(kxvm_key* key, struct HKEY__* root, struct HKEY__** previous) {
  return Guard(__func__, [&] {
    const HKEY old = ToKey(key)->SetRoot(root);
    if (previous) *previous = old;
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_add_key(kxvm_key* parent, kxvm_key* child) {
  return Guard(__func__, [&] {
    kx::MWSettingsKey* adopter = ToKey(parent);
    kx::MWSettingsKey* adopted = ToKey(child);
    if (adopted->Parent()) throw kx::capi::InvalidArgument{"the child belongs to another key"};
    for (const kx::MWSettingsKey* k = adopter; k; k = k->Parent())
      if (k == adopted) throw kx::capi::InvalidArgument{"a key cannot hold itself"};
    if (adopter->Level() + adopted->Height() > kx::MWSettingsKey::kMaxLevels)
      throw kx::capi::InvalidArgument{"the tree would nest deeper than an archive holds (128)"};
    adopter->AddKey(std::unique_ptr<kx::MWSettingsKey>(adopted));
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_find_key(kxvm_key* key, const wchar_t* name, kxvm_key** found) {
  return Guard(__func__, [&] {
    Require(found, "the key output is null");
    kx::MWSettingsKey* child = ToKey(key)->FindKey(NameArgument(name, "the name is null"));
    if (!child) return KXVM_NO_MATCH;
    *found = ToHandle(child);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_value_kind(kxvm_key* key, const wchar_t* name, int32_t* kind) {
  return Guard(__func__, [&] {
    Require(kind, "the kind output is null");
    const kx::MWSettingsValue* value =
        ToKey(key)->FindValue(NameArgument(name, "the name is null"));
    if (!value) return KXVM_NO_MATCH;
    *kind = kx::capi::KindOf(*value);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_load(kxvm_key* key, int32_t* result) {
  return Guard(__func__, [&] {
    const int loaded = ToKey(key)->Load();
    if (result) *result = loaded;
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_save(kxvm_key* key, int32_t* result) {
  return Guard(__func__, [&] {
    const int saved = ToKey(key)->Save();
    if (result) *result = saved;
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_open_registry_key(kxvm_key* key, int32_t create, int32_t read_only,
                                             struct HKEY__** registry_key) {
  return Guard(__func__, [&] {
    Require(registry_key, "the registry key output is null");
    *registry_key = ToKey(key)->OpenRegistryKey(create, read_only);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_set_user_data(kxvm_key* key, void* data, kxvm_release_fn release) {
  return Guard(__func__, [&] {
    ToKey(key)->Host().Set(data, release);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_user_data(const kxvm_key* key, void** data) {
  return Guard(__func__, [&] {
    Require(data, "the data output is null");
    *data = const_cast<kx::MWSettingsKey*>(ToKey(key))->Host().Get();
    return KXVM_OK;
  });
}

// ---------------------------------------------------------------- children

int32_t KXVM_CALL kxvm_key_child_count(const kxvm_key* key, size_t* count) {
  return Guard(__func__, [&] {
    Require(count, "the count output is null");
    *count = ToKey(key)->ChildCount();
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_child(kxvm_key* key, size_t index, kxvm_key** child,
                                 kxvm_value** value) {
  return Guard(__func__, [&] {
    Require(child, "the key output is null");
    Require(value, "the value output is null");
    kx::CObject* object = ToKey(key)->ChildAt(index);
    if (!object) return KXVM_NO_MATCH;
    const bool isKey = object->IsKindOf(&kx::MWSettingsKey::classMWSettingsKey);
    *child = isKey ? ToHandle(static_cast<kx::MWSettingsKey*>(object)) : nullptr;
    *value = isKey ? nullptr : ToHandle(static_cast<kx::MWSettingsValue*>(object));
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_find_value(kxvm_key* key, const wchar_t* name, kxvm_value** value) {
  return Guard(__func__, [&] {
    Require(value, "the value output is null");
    kx::MWSettingsValue* found = ToKey(key)->FindValue(NameArgument(name, "the name is null"));
    if (!found) return KXVM_NO_MATCH;
    *value = ToHandle(found);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_add_form(kxvm_key* key, int32_t kind, const uint8_t* form,
                                    size_t size) {
  return Guard(__func__, [&] {
    kx::MWSettingsKey* target = ToKey(key);
    target->AddChild(kx::capi::ValueFromForm(kind, form, size));
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_key_merge(kxvm_key* key, kxvm_key* loaded) {
  return Guard(__func__, [&] {
    kx::MWSettingsKey* target = ToKey(key);
    kx::MWSettingsKey* source = ToKey(loaded);
    if (source->Parent()) throw kx::capi::InvalidArgument{"the loaded key belongs to another key"};
    for (const kx::MWSettingsKey* k = target; k; k = k->Parent())
      if (k == source) throw kx::capi::InvalidArgument{"a key cannot take its own ancestor's children"};
    target->MergeFrom(*source);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_value_kind(const kxvm_value* value, int32_t* kind) {
  return Guard(__func__, [&] {
    Require(kind, "the kind output is null");
    *kind = kx::capi::KindOf(*ToValue(value));
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_value_form(const kxvm_value* value, uint8_t** form, size_t* size) {
  return Guard(__func__, [&] {
    Require(form, "the form output is null");
    Require(size, "the size output is null");
    const std::vector<uint8_t> bytes = kx::capi::FormOf(*ToValue(value));
    void* copy = nullptr;
    kx::capi::GiveBytes(bytes.data(), bytes.size(), &copy);
    *form = static_cast<uint8_t*>(copy);
    *size = bytes.size();
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_value_set_form(kxvm_value* value, const uint8_t* form, size_t size) {
  return Guard(__func__, [&] {
    kx::capi::AssignForm(*ToValue(value), form, size);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_value_set_user_data(kxvm_value* value, void* data,
                                           kxvm_release_fn release) {
  return Guard(__func__, [&] {
    ToValue(value)->Host().Set(data, release);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_value_user_data(const kxvm_value* value, void** data) {
  return Guard(__func__, [&] {
    Require(data, "the data output is null");
    *data = ToValue(value)->Host().Get();
    return KXVM_OK;
  });
}

// ---------------------------------------------------------------- declaring

int32_t KXVM_CALL kxvm_key_add_int(kxvm_key* key, const wchar_t* name, int32_t value) {
  return Add(__func__, key, name, [&] { return static_cast<int>(value); });
}
int32_t KXVM_CALL kxvm_key_add_color(kxvm_key* key, const wchar_t* name, uint32_t value) {
  return Add(__func__, key, name, [&] { return static_cast<COLORREF>(value); });
}
int32_t KXVM_CALL kxvm_key_add_double(kxvm_key* key, const wchar_t* name, double value) {
  return Add(__func__, key, name, [&] { return value; });
}
int32_t KXVM_CALL kxvm_key_add_text(kxvm_key* key, const wchar_t* name, const wchar_t* text,
                                    size_t length) {
  return Add(__func__, key, name, [&] { return TextArgument(text, length, "the text is null"); });
}
int32_t KXVM_CALL kxvm_key_add_point(kxvm_key* key, const wchar_t* name, int32_t x, int32_t y) {
  return Add(__func__, key, name, [&] { return kx::CPoint(x, y); });
}
int32_t KXVM_CALL kxvm_key_add_rect(kxvm_key* key, const wchar_t* name, int32_t left, int32_t top,
                                    int32_t right, int32_t bottom) {
  return Add(__func__, key, name, [&] { return kx::CRect(left, top, right, bottom); });
}
int32_t KXVM_CALL kxvm_key_add_time(kxvm_key* key, const wchar_t* name, int64_t seconds) {
  return Add(__func__, key, name, [&] { return kx::CTime(seconds); });
}
int32_t KXVM_CALL kxvm_key_add_int_array(kxvm_key* key, const wchar_t* name, const int32_t* values,
                                         size_t count) {
  return Add(__func__, key, name, [&] { return Array(values, count); });
}

// ---------------------------------------------------------------- reading

int32_t KXVM_CALL kxvm_key_get_int(kxvm_key* key, const wchar_t* name, int32_t* value) {
  return Get<int>(__func__, key, name, value, [&](int v) { *value = v; });
}
int32_t KXVM_CALL kxvm_key_get_color(kxvm_key* key, const wchar_t* name, uint32_t* value) {
  return Get<COLORREF>(__func__, key, name, value, [&](COLORREF v) { *value = v; });
}
int32_t KXVM_CALL kxvm_key_get_double(kxvm_key* key, const wchar_t* name, double* value) {
  return Get<double>(__func__, key, name, value, [&](double v) { *value = v; });
}
int32_t KXVM_CALL kxvm_key_get_text(kxvm_key* key, const wchar_t* name, wchar_t** text,
                                    size_t* length) {
  return Get<std::wstring>(__func__, key, name, text && length,
                           [&](const std::wstring& v) { GiveText(v, text, length); });
}
int32_t KXVM_CALL kxvm_key_get_point(kxvm_key* key, const wchar_t* name, int32_t* x, int32_t* y) {
  return Get<kx::CPoint>(__func__, key, name, x && y, [&](const kx::CPoint& v) {
    *x = v.x;
    *y = v.y;
  });
}
int32_t KXVM_CALL kxvm_key_get_rect(kxvm_key* key, const wchar_t* name, int32_t* left, int32_t* top,
                                    int32_t* right, int32_t* bottom) {
  return Get<kx::CRect>(__func__, key, name, left && top && right && bottom, [&](const kx::CRect& v) {
    *left = v.left;
    *top = v.top;
    *right = v.right;
    *bottom = v.bottom;
  });
}
int32_t KXVM_CALL kxvm_key_get_time(kxvm_key* key, const wchar_t* name, int64_t* seconds) {
  return Get<kx::CTime>(__func__, key, name, seconds, [&](const kx::CTime& v) { *seconds = v.GetTime(); });
}
int32_t KXVM_CALL kxvm_key_get_int_array(kxvm_key* key, const wchar_t* name, int32_t** values,
                                         size_t* count) {
  return Get<std::vector<int>>(__func__, key, name, values && count,
                               [&](const std::vector<int>& v) {
                                 void* copy = nullptr;
                                 kx::capi::GiveBytes(v.data(), v.size() * sizeof(int32_t), &copy);
                                 *values = static_cast<int32_t*>(copy);
                                 *count = v.size();
                               });
}

// ---------------------------------------------------------------- changing

int32_t KXVM_CALL kxvm_key_set_int(kxvm_key* key, const wchar_t* name, int32_t value) {
  return Set(__func__, key, name, [&] { return static_cast<int>(value); });
}
int32_t KXVM_CALL kxvm_key_set_color(kxvm_key* key, const wchar_t* name, uint32_t value) {
  return Set(__func__, key, name, [&] { return static_cast<COLORREF>(value); });
}
int32_t KXVM_CALL kxvm_key_set_double(kxvm_key* key, const wchar_t* name, double value) {
  return Set(__func__, key, name, [&] { return value; });
}
int32_t KXVM_CALL kxvm_key_set_text(kxvm_key* key, const wchar_t* name, const wchar_t* text,
                                    size_t length) {
  return Set(__func__, key, name, [&] { return TextArgument(text, length, "the text is null"); });
}
int32_t KXVM_CALL kxvm_key_set_point(kxvm_key* key, const wchar_t* name, int32_t x, int32_t y) {
  return Set(__func__, key, name, [&] { return kx::CPoint(x, y); });
}
int32_t KXVM_CALL kxvm_key_set_rect(kxvm_key* key, const wchar_t* name, int32_t left, int32_t top,
                                    int32_t right, int32_t bottom) {
  return Set(__func__, key, name, [&] { return kx::CRect(left, top, right, bottom); });
}
int32_t KXVM_CALL kxvm_key_set_time(kxvm_key* key, const wchar_t* name, int64_t seconds) {
  return Set(__func__, key, name, [&] { return kx::CTime(seconds); });
}
int32_t KXVM_CALL kxvm_key_set_int_array(kxvm_key* key, const wchar_t* name, const int32_t* values,
                                         size_t count) {
  return Set(__func__, key, name, [&] { return Array(values, count); });
}

}  // extern "C"
