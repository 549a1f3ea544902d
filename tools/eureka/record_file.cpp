#include "record_file.h"

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"

namespace eureka {

void RecordFile::Write(const std::wstring& key, const std::wstring& value) const {
  if (path_.empty()) return;
  const std::wstring line = key + L"=" + value + L"\r\n";
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size,
                        nullptr, nullptr);
  const kx::ScopedHandle file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return;
  DWORD written = 0;
  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace eureka
