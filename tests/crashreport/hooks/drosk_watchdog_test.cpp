// The exception history's rule, the freeze watchdog's timings with a short check interval, and
// restart and close in child processes.
#include "crashreport/drosk_watchdog.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "support/child_process.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

TEST(HistoryRule, HoldsForTheTenthExceptionWithinNSeconds) {
  const uint64_t now = 13'400'000'000;
  TExceptionHistory history{};
  for (uint32_t n : {0u, 1u}) {
    EXPECT_EQ(HistoryRuleHolds(n, history, now), n == 1);
  }
  for (int i = 9; i >= 1; --i) AddToHistory(history, now - 3 * i);  // nine within 27 s
  EXPECT_FALSE(HistoryRuleHolds(60, history, now));
  AddToHistory(history, now);
  EXPECT_EQ(history[0], now);
  EXPECT_EQ(history[9], now - 27);
  EXPECT_TRUE(HistoryRuleHolds(60, history, now));
  EXPECT_TRUE(HistoryRuleHolds(27, history, now));  // the oldest exactly N seconds back
  EXPECT_FALSE(HistoryRuleHolds(26, history, now));
  EXPECT_TRUE(HistoryRuleHolds(0, history, now) == false && HistoryRuleHolds(1, {}, now));
  AddToHistory(history, now + 100);  // the oldest falls out, the newest is far ahead
  EXPECT_EQ(history[9], now - 24);
  EXPECT_FALSE(HistoryRuleHolds(60, history, now + 100));

  const uint64_t seconds = SecondsNow();
  EXPECT_GT(seconds, 13'000'000'000u);  // after 2012
  EXPECT_LT(seconds, 14'000'000'000u);
}

std::mutex reportsMutex;
std::vector<DWORD> reportTicks;
void RecordFrozen() {
  const std::lock_guard lock(reportsMutex);
  reportTicks.push_back(GetTickCount());
}
std::vector<DWORD> Reports() {
  const std::lock_guard lock(reportsMutex);
  return reportTicks;
}

void AnswerMessagesFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

TEST(FreezeWatchdog, ReportsAMainThreadThatStopsAnsweringAndBacksOff) {
  constexpr DWORD kInterval = 400;  // checks every 40 ms
  constexpr DWORD kPeriod = kInterval / 10;
  StartFreezeWatchdog(kInterval, RecordFrozen);
  ASSERT_TRUE(FreezeWatchdogRunning());
  StartFreezeWatchdog(kInterval, RecordFrozen);  // once only
  AnswerMessagesFor(800);
  EXPECT_TRUE(Reports().empty());

  // Frozen: the first report after ten missed checks, the next after ten at 1.5 periods each.
  const DWORD frozen = GetTickCount();
  Sleep(2400);
  AnswerMessagesFor(200);
  const std::vector<DWORD> reports = Reports();
  // Due at 400, 1000 and 1900 ms; a busy machine may be late, never early.
  ASSERT_GE(reports.size(), 2u);
  ASSERT_LE(reports.size(), 3u);
  EXPECT_GE(reports[0] - frozen, 10 * kPeriod - 15);
  EXPECT_GE(reports[1] - reports[0], 15 * kPeriod - 15);
  if (reports.size() == 3) {
    EXPECT_GE(reports[2] - reports[1], 22 * kPeriod - 15);
  }

  // A pause stops the checks; two nested pauses need two resumes before they count again.
  {
    const std::lock_guard lock(reportsMutex);
    reportTicks.clear();
  }
  PauseFreezeWatchdog(true);
  Sleep(700);
  EXPECT_TRUE(Reports().empty());
  PauseFreezeWatchdog(false);
  AnswerMessagesFor(100);
  PauseFreezeWatchdog(true);
  PauseFreezeWatchdog(true);
  PauseFreezeWatchdog(false);
  Sleep(1000);
  EXPECT_TRUE(Reports().empty());
  PauseFreezeWatchdog(false);
  Sleep(900);  // one report due at 400 ms, the next not before 1000 ms
  EXPECT_EQ(Reports().size(), 1u);

  const DWORD watchdogThread = FreezeWatchdogThreadId();
  StopFreezeWatchdog();
  EXPECT_FALSE(FreezeWatchdogRunning());
  const HANDLE ended = OpenThread(SYNCHRONIZE, FALSE, watchdogThread);
  EXPECT_TRUE(!ended || WaitForSingleObject(ended, 0) == WAIT_OBJECT_0);
  if (ended) CloseHandle(ended);
  AnswerMessagesFor(100);
}

TEST(RestartAndClose, TheNewProcessReceivesTheHistoryAndTheOldEndsWithTwo) {
  EXPECT_EQ(RestartBlockName(0x1A4), "droskExceptRestart$1a4");
  const testsupport::TempDir dir;
  const std::string out = dir.Path("history.txt");
  const std::string child = testsupport::BinaryPath("drosk_hooks_child.exe");
  const testsupport::ChildResult restarted = testsupport::RunChild(child + " restart " + out);
  EXPECT_EQ(restarted.exit_code, 2u) << restarted.output;
  // The new copy waits for the old one to end, takes the history over and writes it down.
  for (int i = 0; i < 200 && testsupport::ReadFile(out).empty(); ++i) Sleep(50);
  Sleep(100);
  EXPECT_EQ(testsupport::ReadFile(out),
            "13000000010 13000000009 13000000008 13000000007 13000000006 13000000005 "
            "13000000004 13000000003 13000000002 13000000001 ");

  const testsupport::ChildResult closed = testsupport::RunChild(child + " close " + out);
  EXPECT_EQ(closed.exit_code, 1u) << closed.output;
}

}  // namespace
}  // namespace drosk
