// The log line itself: pieces, separators and numbers exactly as written.
#include <gtest/gtest.h>

#include "environment/debug_log.h"

using namespace kx;

namespace {

SYSTEMTIME Time(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
  SYSTEMTIME t{};
  t.wYear = y;
  t.wMonth = mo;
  t.wDay = d;
  t.wDayOfWeek = 2;  // never written
  t.wHour = h;
  t.wMinute = mi;
  t.wSecond = s;
  t.wMilliseconds = ms;
  return t;
}

}  // namespace

TEST(DebugLogLine, NumbersAreNotZeroFilledAndTextIsLiteral) {
  EXPECT_EQ(kx::FormatDebugLogLine(L"VMLauncher", Time(2023, 3, 7, 9, 5, 2, 45),
                                   L"MWVMLauncher::LaunchEureka : Created Eureka process"),
            L" VMLauncher : 2023, 3, 7, 9:5:2:45   : MWVMLauncher::LaunchEureka : Created Eureka "
            L"process");
  EXPECT_EQ(kx::FormatDebugLogLine(L"t", Time(2026, 12, 31, 23, 59, 59, 999), L"100% %d %s %n"),
            L" t : 2026, 12, 31, 23:59:59:999   : 100% %d %s %n");
  EXPECT_EQ(kx::FormatDebugLogLine(L"", Time(2024, 1, 1, 0, 0, 0, 0), L""),
            L"  : 2024, 1, 1, 0:0:0:0   : ");
}

TEST(DebugLogLine, LoggingOffDoesNothingAndSucceeds) {
  // Fresh process state: logging starts off, so no environment is touched.
  EXPECT_EQ(WriteDebugLog(L"anything"), 1);
}
