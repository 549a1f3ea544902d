// A value crosses the C interface as its kind and its archive form: the
// bytes its Serialize writes (its name, then its payload), the same bytes
// that follow its class record in an archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "settings/settings_value.h"

namespace kx::capi {

// KXVM_KIND_* of the value's class.
int32_t KindOf(const MWSettingsValue& value);
std::vector<std::uint8_t> FormOf(const MWSettingsValue& value);
// A new value of that kind read from the form, which it must use up
// exactly. Refuses an unknown kind or stray bytes as an invalid argument;
// a form that ends early is an archive failure.
std::unique_ptr<MWSettingsValue> ValueFromForm(int32_t kind, const std::uint8_t* form,
                                               std::size_t size);
// The same into an existing value, whose kind the form keeps; the value is
// unchanged when the form is refused.
void AssignForm(MWSettingsValue& value, const std::uint8_t* form, std::size_t size);

}  // namespace kx::capi
