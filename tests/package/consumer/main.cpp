// The C++ layer compiled by the consumer's compiler over the installed DLL.
#include <cstdio>

#include "MWSettingsKey.h"
#include "framework/archive.h"

int main() {
  if (kxvm_api_version() >> 16 != KXVM_API_VERSION_MAJOR) return 1;
  const std::wstring text = L"round trip \x00E9";
  MWSettingsKey written(L"consumer", L"unused"), read(L"consumer", L"unused");
  written.AddValue(L"text", text);
  read.AddValue(L"text", std::wstring());
  std::vector<std::uint8_t> bytes;
  CArchive out(bytes, CArchive::store);
  written.Serialize(out);
  CArchive in(bytes, CArchive::load);
  read.Serialize(in);
  std::wstring back;
  read.GetValue(L"text", back);
  if (back != text) return 2;
  std::puts("consumer: ok");
}
