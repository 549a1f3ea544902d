#include "capi/guard.h"

#include <windows.h>
#include <comdef.h>
#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "environment/environment.h"
#include "framework/archive.h"

static_assert(kx::CArchiveException::genericException == KXVM_ARCHIVE_CAUSE_GENERIC &&
                  kx::CArchiveException::endOfFile == KXVM_ARCHIVE_CAUSE_END_OF_FILE &&
                  kx::CArchiveException::badClass == KXVM_ARCHIVE_CAUSE_BAD_CLASS &&
                  kx::CArchiveException::tooDeep == KXVM_ARCHIVE_CAUSE_TOO_DEEP,
              "causes cross the C interface as numbers");

namespace kx::capi {
namespace {

// Plain data, so that recording an error never allocates and a thread's
// record needs no destructor.
struct LastError {
  int32_t code;
  int32_t detail;
  wchar_t message[512];
};
thread_local LastError t_lastError;

void Record(int32_t code, int32_t detail, const wchar_t* message) noexcept {
  t_lastError.code = code;
  t_lastError.detail = detail;
  const std::size_t length = std::min(std::wcslen(message), std::size(t_lastError.message) - 1);
  std::wmemcpy(t_lastError.message, message, length);
  t_lastError.message[length] = L'\0';
}

// "function: text", with ASCII text from this library.
void RecordAscii(int32_t code, int32_t detail, const char* function, const char* text) noexcept {
  wchar_t message[512];
  std::size_t n = 0;
  for (const char* part : {function, ": ", text})
    for (; *part && n + 1 < std::size(message); ++part) message[n++] = static_cast<wchar_t>(*part);
  message[n] = L'\0';
  Record(code, detail, message);
}

}  // namespace

void ClearLastError() noexcept {
  t_lastError.code = KXVM_OK;
  t_lastError.detail = 0;
  t_lastError.message[0] = L'\0';
}

int32_t FailWithCurrentException(const char* function) noexcept {
  try {
    throw;
  } catch (const InvalidArgument& e) {
    RecordAscii(KXVM_E_INVALID_ARGUMENT, 0, function, e.what);
    return KXVM_E_INVALID_ARGUMENT;
  } catch (const TooLate& e) {
    RecordAscii(KXVM_E_TOO_LATE, 0, function, e.what);
    return KXVM_E_TOO_LATE;
  } catch (const std::bad_alloc&) {
    RecordAscii(KXVM_E_OUT_OF_MEMORY, 0, function, "out of memory");
    return KXVM_E_OUT_OF_MEMORY;
  } catch (const _com_error& e) {
    // The thread's error object is the application's text or none, never
    // one left from an earlier call.
    IErrorInfo* info = e.ErrorInfo();
    ::SetErrorInfo(0, info);
    if (info) info->Release();
    const _bstr_t description = e.Description();
    const wchar_t* text =
        description.length() ? static_cast<const wchar_t*>(description) : e.ErrorMessage();
    Record(KXVM_E_AUTOMATION, e.Error(), text ? text : L"");
    return KXVM_E_AUTOMATION;
  } catch (const kx::NoDataFolder& e) {
    RecordAscii(KXVM_E_NO_DATA_FOLDER, 0, function, e.what());
    return KXVM_E_NO_DATA_FOLDER;
  } catch (const kx::CArchiveException& e) {
    RecordAscii(KXVM_E_ARCHIVE, e.m_cause, function, e.what());
    return KXVM_E_ARCHIVE;
  } catch (const kx::CInvalidArgException& e) {
    RecordAscii(KXVM_E_ARCHIVE_INVALID_ARGUMENT, 0, function, e.what());
    return KXVM_E_ARCHIVE_INVALID_ARGUMENT;
  } catch (const std::exception& e) {
    RecordAscii(KXVM_E_INTERNAL, 0, function, e.what());
    return KXVM_E_INTERNAL;
  } catch (...) {
    RecordAscii(KXVM_E_INTERNAL, 0, function, "unknown failure");
    return KXVM_E_INTERNAL;
  }
}

void CheckTextArgument(const wchar_t* text, std::size_t length, const char* what) {
  if (!text && length != 0) throw InvalidArgument{what};
  if (length > std::wstring().max_size()) throw InvalidArgument{"the length is beyond any text"};
}

std::wstring TextArgument(const wchar_t* text, std::size_t length, const char* what) {
  CheckTextArgument(text, length, what);
  return text ? std::wstring(text, length) : std::wstring();
}

void GiveText(const std::wstring& text, wchar_t** out, std::size_t* length) {
  Require(out, "the text output is null");
  if (text.size() >= SIZE_MAX / sizeof(wchar_t)) throw std::bad_alloc();
  auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (!copy) throw std::bad_alloc();
  std::wmemcpy(copy, text.data(), text.size());
  copy[text.size()] = L'\0';
  *out = copy;
  if (length) *length = text.size();
}

void GiveBytes(const void* data, std::size_t size, void** out) {
  Require(out, "the output is null");
  if (size == 0) {
    *out = nullptr;
    return;
  }
  void* copy = ::CoTaskMemAlloc(size);
  if (!copy) throw std::bad_alloc();
  std::memcpy(copy, data, size);
  *out = copy;
}

}  // namespace kx::capi

extern "C" {

uint32_t KXVM_CALL kxvm_api_version(void) { return KXVM_API_VERSION; }

void KXVM_CALL kxvm_free(void* memory) { ::CoTaskMemFree(memory); }

int32_t KXVM_CALL kxvm_last_error(int32_t* code, int32_t* detail, wchar_t** message) {
  // Reads the record without the guard, which would clear it.
  using kx::capi::t_lastError;
  if (message) {
    const std::size_t length = std::wcslen(t_lastError.message);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc((length + 1) * sizeof(wchar_t)));
    if (!copy) return KXVM_E_OUT_OF_MEMORY;
    std::wmemcpy(copy, t_lastError.message, length + 1);
    *message = copy;
  }
  if (code) *code = t_lastError.code;
  if (detail) *detail = t_lastError.detail;
  return KXVM_OK;
}

}  // extern "C"
