// The C++ layer compiled by the consumer's compiler over the installed DLL.
#include <cstdio>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "framework/archive.h"

int main() {
  if (kxvm_api_version() >> 16 != KXVM_API_VERSION_MAJOR ||
      (kxvm_api_version() & 0xFFFF) < KXVM_API_VERSION_MINOR)
    return 1;
  MWSettingsKey written(L"consumer", L"unused"), read(L"consumer", L"unused");
  written.AddValue(L"text", std::wstring(L"round trip \x00E9"));
  read.AddValue(L"text", std::wstring());
  std::vector<std::uint8_t> bytes;
  CArchive out(bytes, CArchive::store);
  written.Serialize(out);
  CArchive in(bytes, CArchive::load);
  read.Serialize(in);
  std::wstring text;
  read.GetValue(L"text", text);
  if (text != L"round trip \x00E9") return 2;
  std::puts("consumer: ok");
  return 0;
}
