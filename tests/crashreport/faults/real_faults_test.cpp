// Real faults in a child program that links the library with the interception on. Each fault
// happens for real; the child runs under a time-out, so that a hang fails the test, not the run.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/report_text.h"
#include "framework/win/handles.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

using testsupport::ChildResult;

constexpr DWORD kChildTimeout = 120000;  // generous: the machine may be busy

ChildResult FaultChild(const std::string& mode, const std::string& reportFile,
                       const std::string& more = "") {
  return testsupport::RunChild("\"" + testsupport::BinaryPath("drosk_fault_child.exe") + "\" " +
                                   mode + " \"" + reportFile + "\" " + more,
                               kChildTimeout);
}

// Runs the child in a mode that makes a fault happen: it must end in time with the exit code
// (1: the program was ended; 0: only the faulting thread was), having carried on past the fault
// or not as the exit code says. Gives the report it saved, which begins as a report does.
std::string ReportOfFault(const std::string& mode, DWORD exitCode) {
  const testsupport::TempDir dir;
  const std::string file = dir.Path(mode + ".txt");
  const ChildResult child = FaultChild(mode, file);
  EXPECT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, exitCode) << child.output;
  EXPECT_EQ(Has(child.output, "main goes on"), exitCode == 0) << child.output;
  const std::string report = testsupport::ReadFile(file);
  EXPECT_EQ(report.rfind("date/time", 0), 0u) << report.substr(0, 200);
  return report;
}

// The overflowed stack itself is traced: the recursion folds into one period, and the frames
// below it (up to the thread's start) are there.
void ExpectOverflowTrace(const std::string& report, const std::string& title,
                         const std::string& starter) {
  EXPECT_TRUE(Has(report, "exception message : Stack overflow")) << report;
  const std::string section = Section(report, title);
  ASSERT_FALSE(section.empty()) << report;
  EXPECT_TRUE(Has(section, "::Recurse\r\n")) << section;
  EXPECT_LE(Count(section, "::Recurse\r\n"), 3u) << section;
  EXPECT_TRUE(Has(section, starter)) << section;
}

TEST(RealFaults, AStackOverflowOnTheMainThreadIsReportedAndEndsTheProgram) {
  ExpectOverflowTrace(ReportOfFault("overflow-main", 1), "main thread", "::OverflowMain\r\n");
}

TEST(RealFaults, AStackOverflowOnAThreadIsReportedAndEndsOnlyThatThread) {
  const std::string report = ReportOfFault("overflow-thread", 0);
  ExpectOverflowTrace(report, "thread $", "::OverflowWorker\r\n");
  // The main thread waits for the overflowed one meanwhile.
  EXPECT_TRUE(Has(Section(report, "main thread"), "::OverflowThread\r\n")) << report;
}

// abort() is the run-time error of our runtime: reported, and the program ends.
TEST(RealFaults, AnAbortIsReportedAsARuntimeErrorAndEndsTheProgram) {
  const std::string report = ReportOfFault("abort", 1);
  EXPECT_TRUE(Has(report, "exception message : Runtime error")) << report;
  EXPECT_TRUE(Has(Section(report, "main thread"), "::AbortProgram")) << report;
}

// Programs that crash together save into one report file, each waiting its turn: every report
// arrives whole (a file held by another was given up on, and a third of the reports were lost).
TEST(RealFaults, SixteenProgramsCrashingAtOnceAllSaveTheirWholeReportsIntoOneFile) {
  constexpr int kCrowd = 16;
  const testsupport::TempDir dir;
  const std::string file = dir.Path("crowd.txt");
  const std::string gate = "droskCrowd" + std::to_string(GetCurrentProcessId());
  const win::UniqueHandle ready(CreateSemaphoreA(nullptr, 0, kCrowd, (gate + ".ready").c_str()));
  const win::UniqueHandle go(CreateEventA(nullptr, TRUE, FALSE, (gate + ".go").c_str()));
  ASSERT_TRUE(ready && go);
  std::vector<ChildResult> children(kCrowd);
  std::vector<std::thread> runs;
  for (ChildResult& child : children)
    runs.emplace_back([&] { child = FaultChild("crowd", file, gate); });
  int counted = 0;
  while (counted < kCrowd && WaitForSingleObject(ready.get(), kChildTimeout) == WAIT_OBJECT_0)
    ++counted;
  SetEvent(go.get());
  for (std::thread& run : runs) run.join();
  ASSERT_EQ(counted, kCrowd) << "children at the gate";
  for (const ChildResult& child : children) {
    EXPECT_FALSE(child.timed_out) << child.output;
    EXPECT_EQ(child.exit_code, 1u) << child.output;
  }

  // Each report starts at its header and ends, whole, with its disassembly and an empty line.
  const std::string reports = testsupport::ReadFile(file);
  const std::string header = "date/time         : ";
  std::set<std::string> processes;
  size_t start = reports.find(header);
  EXPECT_EQ(start, 0u) << reports.substr(0, 200);
  while (start != std::string::npos) {
    const size_t next = reports.find("\r\n" + header, start);
    const std::string report =
        reports.substr(start, next == std::string::npos ? next : next + 2 - start);
    EXPECT_TRUE(Has(report, "exception message : Runtime error")) << report;
    EXPECT_TRUE(Has(Section(report, "main thread"), "::AbortProgram")) << report;
    EXPECT_TRUE(Has(report, "\r\ndisassembling:\r\n")) << report;
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n") << report;
    const size_t id = report.find("process id        : ");
    if (id != std::string::npos) processes.insert(report.substr(id, report.find('\r', id) - id));
    start = next == std::string::npos ? next : next + 2;
  }
  EXPECT_EQ(processes.size(), static_cast<size_t>(kCrowd)) << "reports of different processes";
  EXPECT_EQ(Count(reports, header), static_cast<size_t>(kCrowd));
}

TEST(RealFaults, ReportsComposedOnFourThreadsAtOnceAreWhole) {
  const ChildResult child = FaultChild("trace-threads", "-");
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, 0u) << child.output;
  EXPECT_TRUE(Has(child.output, "traced 200, 200 whole")) << child.output;
}

}  // namespace
}  // namespace drosk
