#include "capi/value_form.h"

#include "capi/guard.h"
#include "framework/archive.h"

namespace kx::capi {
namespace {

const CRuntimeClass* const kKinds[] = {
    &MWSettingsValue::classMWSettingsValue, &MWIntValue::classMWIntValue,
    &MWColorValue::classMWColorValue,       &MWDoubleValue::classMWDoubleValue,
    &MWStringValue::classMWStringValue,     &MWPointValue::classMWPointValue,
    &MWRectValue::classMWRectValue,         &MWTimeValue::classMWTimeValue,
    &MWIntArrayValue::classMWIntArrayValue};
static_assert(std::size(kKinds) == KXVM_KIND_INT_ARRAY + 1);

}  // namespace

int32_t KindOf(const MWSettingsValue& value) {
  for (int32_t kind = KXVM_KIND_INT; kind <= KXVM_KIND_INT_ARRAY; ++kind)
    if (value.GetRuntimeClass() == kKinds[kind]) return kind;
  return KXVM_KIND_UNTYPED;
}

std::vector<std::uint8_t> FormOf(const MWSettingsValue& value) {
  std::vector<std::uint8_t> form;
  CArchive ar(form, CArchive::store);
  // One Serialize serves both directions, so it is not const.
  const_cast<MWSettingsValue&>(value).Serialize(ar);
  return form;
}

namespace {

void ReadForm(MWSettingsValue& value, const std::uint8_t* form, std::size_t size) {
  if (!form && size != 0) throw InvalidArgument{"the form is null"};
  std::vector<std::uint8_t> bytes(form, form + size);
  CArchive ar(bytes, CArchive::load);
  value.Serialize(ar);
  if (ar.RemainingBytes() != 0) throw InvalidArgument{"the form holds more than one value"};
}

}  // namespace

std::unique_ptr<MWSettingsValue> ValueFromForm(int32_t kind, const std::uint8_t* form,
                                               std::size_t size) {
  if (kind < KXVM_KIND_UNTYPED || kind > KXVM_KIND_INT_ARRAY)
    throw InvalidArgument{"the kind is not a kind of value"};
  std::unique_ptr<MWSettingsValue> value(
      static_cast<MWSettingsValue*>(kKinds[kind]->CreateObject()));
  ReadForm(*value, form, size);
  return value;
}

void AssignForm(MWSettingsValue& value, const std::uint8_t* form, std::size_t size) {
  // Read twice: a refused form never leaves the value half changed.
  ValueFromForm(KindOf(value), form, size);
  ReadForm(value, form, size);
}

}  // namespace kx::capi
