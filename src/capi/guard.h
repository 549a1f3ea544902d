// The one guard every exported function runs its body in: it checks nothing
// itself, turns every exception into a result code and the calling thread's
// last error, and clears that error on success.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "kxvm.h"

namespace kx::capi {

// An argument an exported function cannot take; what names it.
struct InvalidArgument {
  const char* what;
};

// A call that came after the moment it had to come before; what it missed.
struct TooLate {
  const char* what;
};

// Throws InvalidArgument when a required pointer or handle is null.
inline void Require(const void* pointer, const char* what) {
  if (!pointer) throw InvalidArgument{what};
}

// The code of the exception being handled, after recording it as the
// thread's last error (and, for an automation failure, the thread's
// IErrorInfo). Call only inside a catch block.
int32_t FailWithCurrentException(const char* function) noexcept;
void ClearLastError() noexcept;

// Runs body, which returns KXVM_OK or KXVM_NO_MATCH, and never lets an
// exception out; a success clears the thread's last error.
template <class Body>
int32_t Guard(const char* function, Body&& body) noexcept {
  try {
    const int32_t result = body();
    if (result >= 0) ClearLastError();
    return result;
  } catch (...) {
    return FailWithCurrentException(function);
  }
}

// For the functions that report nothing (the *_destroy functions): the
// thread's last error stays what an earlier call left.
template <class Body>
void GuardQuietly(const char* function, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    FailWithCurrentException(function);
  }
}

// Text from a caller: pointer and length (null only with length 0, and no
// length beyond any text).
std::wstring TextArgument(const wchar_t* text, std::size_t length, const char* what);
// The same checks, without the copy.
void CheckTextArgument(const wchar_t* text, std::size_t length, const char* what);
// A NUL-terminated name or path from a caller; null is refused.
inline std::wstring NameArgument(const wchar_t* name, const char* what) {
  Require(name, what);
  return name;
}

// Copies handed to the caller, allocated with CoTaskMemAlloc (throws
// std::bad_alloc). Text always ends in a NUL that length does not count.
void GiveText(const std::wstring& text, wchar_t** out, std::size_t* length = nullptr);
void GiveBytes(const void* data, std::size_t size, void** out);

}  // namespace kx::capi
