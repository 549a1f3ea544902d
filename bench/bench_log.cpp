// One log line through WriteDebugLog against the least that writes the same
// line: _wfopen once, then a formatted write and a flush per line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_common.h"
#include "environment/debug_log.h"
#include "launcher/library_entry.h"

using namespace kx;

namespace {

constexpr int kLines = 20000;
const std::wstring kMessage = L"LocateEureka : Success, Path of Eureka.exe is C:\\bench\\Sim A\\";

double RawPerLineUs() {
  FILE* file = ::_wfopen(L"C:\\bench\\data\\raw.log", L"w");
  if (!file) return 0;
  const std::wstring tag = L"bench";
  const double start = bench::NowMs();
  for (int i = 0; i < kLines; ++i) {
    SYSTEMTIME t;
    ::GetSystemTime(&t);
    std::fwprintf(file, L" %ls : %d, %d, %d, %d:%d:%d:%d   : %ls\n", tag.c_str(), t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, kMessage.c_str());
    std::fflush(file);
  }
  const double us = (bench::NowMs() - start) * 1000.0 / kLines;
  std::fclose(file);
  return us;
}

double LibraryPerLineUs() {
  const double start = bench::NowMs();
  for (int i = 0; i < kLines; ++i) WriteDebugLog(kMessage);
  return (bench::NowMs() - start) * 1000.0 / kLines;
}

}  // namespace

int wmain() {
  kx::LibraryAttach(::GetModuleHandleW(nullptr));
  bench::InstallProduct(bench::ProgramFolder() + L"Eureka.exe");
  SetDebugLogMode(KXSeDebugOn, 1, L"bench");
  WriteDebugLog(L"opening");  // the environment and the file, once

  std::vector<double> raw, library;
  for (int round = 0; round < 5; ++round) {
    raw.push_back(RawPerLineUs());
    library.push_back(LibraryPerLineUs());
  }
  const double r = bench::Median(raw), l = bench::Median(library);
  bench::Row("WriteDebugLog per line, logging on", bench::Fixed(l, "us", 2),
             bench::Fixed(r, "us", 2) + " (raw)", bench::Fixed(l / r, "x", 3), "<= 1.30 x");

  SetDebugLogMode(KXSeDebugOff, 1, L"bench");
  constexpr int kCalls = 1000000;
  const double start = bench::NowMs();
  for (int i = 0; i < kCalls; ++i) WriteDebugLog(kMessage);
  const double off = (bench::NowMs() - start) * 1e6 / kCalls;
  bench::Row("WriteDebugLog per call, logging off", bench::Fixed(off, "ns", 1),
             bench::Fixed(r * 1000, "ns") + " (raw line)", bench::Fixed(off / (r * 1000), "x", 4),
             "a test of the flag");
  kx::LibraryDetach();
  return 0;
}
