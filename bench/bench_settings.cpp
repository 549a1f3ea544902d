// Saving and loading 1000 settings of mixed kinds through MWSettingsKey,
// against the registry calls a value makes on its own: open (or create),
// set or query, close, per value.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "bench_common.h"

namespace {

constexpr int kValues = 1000;
const wchar_t kPath[] = L"Software\\Brondel\\Bench\\Settings";

std::wstring Name(int i) { return L"value " + std::to_wstring(i); }

void Declare(MWSettingsKey& key) {
  for (int i = 0; i < kValues; ++i) {
    switch (i % 8) {
      case 0:
        key.AddValue(Name(i), i);
        break;
      case 1:
        key.AddValue(Name(i), static_cast<COLORREF>(0x00753B12 + i));
        break;
      case 2:
        key.AddValue(Name(i), i * 0.5);
        break;
      case 3:
        key.AddValue(Name(i), L"Kalvex setting " + std::to_wstring(i));
        break;
      case 4:
        key.AddValue(Name(i), CPoint(i, -i));
        break;
      case 5:
        key.AddValue(Name(i), CRect(0, 0, 640 + i, 480));
        break;
      case 6:
        key.AddValue(Name(i), CTime(1000000000 + i));
        break;
      default:
        key.AddValue(Name(i), std::vector<int>{i, i + 1, i + 2});
        break;
    }
  }
}

// The same bytes the values store, written and read with one open per value.
struct RawValue {
  std::wstring name;
  DWORD type;
  std::vector<BYTE> bytes;
};

std::vector<RawValue> RawValues() {
  std::vector<RawValue> values;
  auto text = [](const std::wstring& s) {
    const auto* p = reinterpret_cast<const BYTE*>(s.c_str());
    return std::vector<BYTE>(p, p + (s.size() + 1) * sizeof(wchar_t));
  };
  auto bytes = [](const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
  };
  for (int i = 0; i < kValues; ++i) {
    const COLORREF colour = 0x00753B12 + i;
    const double d = i * 0.5;
    const int array[3] = {i, i + 1, i + 2};
    switch (i % 8) {
      case 0:
        values.push_back({Name(i), REG_DWORD, bytes(&i, 4)});
        break;
      case 1:
        values.push_back({Name(i), REG_DWORD, bytes(&colour, 4)});
        break;
      case 2:
        values.push_back({Name(i), REG_BINARY, bytes(&d, 8)});
        break;
      case 3:
        values.push_back({Name(i), REG_SZ, text(L"Kalvex setting " + std::to_wstring(i))});
        break;
      case 4:
        values.push_back({Name(i), REG_SZ, text(std::to_wstring(i) + L" " + std::to_wstring(-i))});
        break;
      case 5:
        values.push_back({Name(i), REG_SZ, text(L"0 0 " + std::to_wstring(640 + i) + L" 480")});
        break;
      case 6:
        values.push_back({Name(i), REG_SZ, text(std::to_wstring(1000000000 + i))});
        break;
      default:
        values.push_back({Name(i), REG_BINARY, bytes(array, sizeof array)});
        break;
    }
  }
  return values;
}

double RawSaveMs(const std::vector<RawValue>& values) {
  const double start = bench::NowMs();
  for (const RawValue& v : values) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, const_cast<wchar_t*>(L""), 0, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) == ERROR_SUCCESS) {
      ::RegSetValueExW(key, v.name.c_str(), 0, v.type, v.bytes.data(),
                       static_cast<DWORD>(v.bytes.size()));
      ::RegCloseKey(key);
    }
  }
  return bench::NowMs() - start;
}

double RawLoadMs(const std::vector<RawValue>& values) {
  std::vector<BYTE> buffer(512);
  const double start = bench::NowMs();
  for (const RawValue& v : values) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      DWORD size = static_cast<DWORD>(buffer.size());
      if (v.type == REG_SZ || (v.type == REG_BINARY && v.bytes.size() != 8)) {
        // Text and array kinds ask for the size first.
        DWORD needed = 0;
        ::RegQueryValueExW(key, v.name.c_str(), nullptr, nullptr, nullptr, &needed);
      }
      ::RegQueryValueExW(key, v.name.c_str(), nullptr, nullptr, buffer.data(), &size);
      ::RegCloseKey(key);
    }
  }
  return bench::NowMs() - start;
}

}  // namespace

int wmain() {
  const std::vector<RawValue> raw = RawValues();
  std::vector<double> keySave, keyLoad, rawSave, rawLoad;
  for (int round = 0; round < 7; ++round) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    rawSave.push_back(RawSaveMs(raw));
    rawLoad.push_back(RawLoadMs(raw));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    MWSettingsKey saving(L"bench", kPath);
    Declare(saving);
    double start = bench::NowMs();
    saving.Save();
    keySave.push_back(bench::NowMs() - start);
    MWSettingsKey loading(L"bench", kPath);
    Declare(loading);
    start = bench::NowMs();
    loading.Load();
    keyLoad.push_back(bench::NowMs() - start);
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brondel\\Bench");
  const double ks = bench::Median(keySave), rs = bench::Median(rawSave);
  const double kl = bench::Median(keyLoad), rl = bench::Median(rawLoad);
  bench::Row("settings Save, 1000 values of 8 kinds", bench::Fixed(ks, "ms", 2),
             bench::Fixed(rs, "ms", 2) + " (raw)", bench::Fixed(ks / rs, "x", 3), "<= 1.20 x");
  bench::Row("settings Load, 1000 values of 8 kinds", bench::Fixed(kl, "ms", 2),
             bench::Fixed(rl, "ms", 2) + " (raw)", bench::Fixed(kl / rl, "x", 3), "<= 1.20 x");
  return 0;
}
