// What every class of the C++ layer shares: result codes turned back into
// exceptions on the host's side, and ownership of what the library hands out.
#ifndef KXVM_C_INTERFACE_H
#define KXVM_C_INTERFACE_H

#include "kxvm/face.h"

#include <comdef.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "kxvm.h"

namespace kxvm {

// No data folder in the registry, on a host that asked for it to be
// reported (KXEnvApp::ReportMissingDataFolder) instead of ending the
// process; the user has seen message 1023 ("Error 203") once. The same class
// in both faces.
class NoDataFolder : public std::runtime_error {
 public:
  NoDataFolder() : std::runtime_error("KXVirtualMachMgr: no data folder in the registry") {}
};

namespace detail {

// Releases with kxvm_free what a call handed out.
template <class T>
class Owned {
 public:
  Owned() noexcept = default;
  ~Owned() { kxvm_free(p_); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  T** Receive() noexcept { return &p_; }
  T* Get() const noexcept { return p_; }

 private:
  T* p_ = nullptr;
};

// A failed call, read from the thread's last error before anything else
// can clear it.
struct Failure {
  std::int32_t code = KXVM_E_INTERNAL;
  std::int32_t detail = 0;
  std::string text;

  static Failure Last(std::int32_t code) {
    Failure failure;
    failure.code = code;
    Owned<wchar_t> message;
    if (kxvm_last_error(nullptr, &failure.detail, message.Receive()) == KXVM_OK && message.Get())
      for (const wchar_t* c = message.Get(); *c; ++c)
        failure.text += *c < 0x80 ? static_cast<char>(*c) : '?';
    return failure;
  }

  [[noreturn]] void Raise() const {
    switch (code) {
      case KXVM_E_AUTOMATION: {
        // The library left the application's text in the thread's error
        // object; the exception takes that reference over.
        IErrorInfo* info = nullptr;
        if (::GetErrorInfo(0, &info) != S_OK) info = nullptr;
        throw _com_error(static_cast<HRESULT>(detail), info, false);
      }
      case KXVM_E_ARCHIVE:
        RaiseArchive(detail);
      case KXVM_E_ARCHIVE_INVALID_ARGUMENT:
        RaiseInvalidArgument();
      case KXVM_E_NO_DATA_FOLDER:
        throw NoDataFolder();
      case KXVM_E_TOO_LATE:
        throw std::logic_error(text);
#if KXVM_FRAMEWORK_TYPES
      case KXVM_E_OUT_OF_MEMORY:
        AfxThrowMemoryException();
        break;
      case KXVM_E_INVALID_ARGUMENT:
        RaiseInvalidArgument();
#else
      case KXVM_E_OUT_OF_MEMORY:
        throw std::bad_alloc();
      case KXVM_E_INVALID_ARGUMENT:
        throw std::invalid_argument(text);
#endif
      default:
        break;
    }
    throw std::runtime_error(text.empty() ? "KXVirtualMachMgr: internal failure" : text);
  }
};

// The result (KXVM_OK or KXVM_NO_MATCH), or the failure raised.
inline std::int32_t Check(std::int32_t result) {
  if (result < 0) Failure::Last(result).Raise();
  return result;
}

// NUL-terminated text handed out by call(wchar_t**).
template <class Call>
Text TextOf(Call call) {
  Owned<wchar_t> text;
  Check(call(text.Receive()));
  return text.Get() ? Text(text.Get()) : Text();
}

}  // namespace detail
}  // namespace kxvm

#endif  // KXVM_C_INTERFACE_H
