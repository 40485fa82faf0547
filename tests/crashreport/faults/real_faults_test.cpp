// Real faults in a child program that links the library with the interception on. Each fault
// happens for real; the child runs under a time-out, so that a hang fails the test, not the run.
#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

using testsupport::ChildResult;

constexpr DWORD kChildTimeout = 60000;

ChildResult FaultChild(const std::string& mode, const std::string& reportFile) {
  return testsupport::RunChild("\"" + testsupport::BinaryPath("drosk_fault_child.exe") + "\" " +
                                   mode + " \"" + reportFile + "\"",
                               kChildTimeout);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The lines of the report's section for one thread (its title line up to the next empty line).
std::string ThreadSection(const std::string& report, const std::string& title) {
  const size_t start = report.find("\r\n" + title);
  if (start == std::string::npos) return {};
  const size_t end = report.find("\r\n\r\n", start + 2);
  return report.substr(start + 2, end == std::string::npos ? end : end - start - 2);
}

// The overflowed stack itself is traced: the recursion folds into one period, and the frames
// below it (up to the thread's start) are there.
void ExpectOverflowReport(const std::string& report, const std::string& title,
                          const std::string& starter) {
  ASSERT_EQ(report.rfind("date/time", 0), 0u) << report.substr(0, 200);
  EXPECT_TRUE(Has(report, "exception message : Stack overflow")) << report;
  const std::string section = ThreadSection(report, title);
  ASSERT_FALSE(section.empty()) << report;
  EXPECT_TRUE(Has(section, "::Recurse\r\n")) << section;
  EXPECT_LE(Count(section, "::Recurse\r\n"), 3u) << section;
  EXPECT_TRUE(Has(section, starter)) << section;
}

TEST(RealFaults, AStackOverflowOnTheMainThreadIsReportedAndEndsTheProgram) {
  const testsupport::TempDir dir;
  const std::string file = dir.Path("overflow-main.txt");
  const ChildResult child = FaultChild("overflow-main", file);
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, 1u) << child.output;
  EXPECT_FALSE(Has(child.output, "main goes on"));
  ExpectOverflowReport(testsupport::ReadFile(file), "main thread", "::OverflowMain\r\n");
}

TEST(RealFaults, AStackOverflowOnAThreadIsReportedAndEndsOnlyThatThread) {
  const testsupport::TempDir dir;
  const std::string file = dir.Path("overflow-thread.txt");
  const ChildResult child = FaultChild("overflow-thread", file);
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, 0u) << child.output;
  EXPECT_TRUE(Has(child.output, "main goes on")) << child.output;
  const std::string report = testsupport::ReadFile(file);
  ExpectOverflowReport(report, "thread $", "OverflowThread()::{lambda()#1}");
  // The main thread waits for the overflowed one meanwhile.
  EXPECT_TRUE(Has(ThreadSection(report, "main thread"), "::OverflowThread\r\n")) << report;
}

TEST(RealFaults, ReportsComposedOnFourThreadsAtOnceAreWhole) {
  const ChildResult child = FaultChild("trace-threads", "-");
  ASSERT_FALSE(child.timed_out) << child.output;
  EXPECT_EQ(child.exit_code, 0u) << child.output;
  EXPECT_TRUE(Has(child.output, "traced 200, 200 whole")) << child.output;
}

}  // namespace
}  // namespace drosk
