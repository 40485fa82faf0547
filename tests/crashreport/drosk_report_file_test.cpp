// The bug-report file: appending, the size limit trimmed at report headers, directories made.
#include "crashreport/drosk_report_file.h"

#include <gtest/gtest.h>

#include <string>

#include "crashreport/drosk_tools.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

std::string Report(int number, size_t size) {
  std::string text = "date/time          : report " + std::to_string(number) + "\r\n";
  text.resize(size, 'x');
  return text;
}

TEST(DroskReportFile, AppendsEachReportWithAnEmptyLineAndKeepsOnlyTheNewestWithLimitZero) {
  const TempDir dir;
  const std::string path = dir.Path("bugreport.txt");
  ASSERT_TRUE(AppendBugReport(path, "first", 50000));
  ASSERT_TRUE(AppendBugReport(path, "second", 50000));
  EXPECT_EQ(ReadFile(path), "first\r\n\r\nsecond\r\n\r\n");
  ASSERT_TRUE(AppendBugReport(path, "third", 0));
  EXPECT_EQ(ReadFile(path), "third\r\n\r\n");
}

TEST(DroskReportFile, AnOversizedFileStartsAtTheOldestHeaderWhoseTailIsUnderThreeQuarters) {
  const TempDir dir;
  const std::string path = dir.Path("bugreport.txt");
  // Reports of 20000 bytes (+4): after three the file holds 60012 bytes. The tails from the
  // second and third headers are 40008 and 20004 bytes: only the third is under 37500.
  for (int i = 1; i <= 2; ++i) ASSERT_TRUE(AppendBugReport(path, Report(i, 20000), 50000));
  EXPECT_EQ(ReadFile(path).size(), 40008u);
  ASSERT_TRUE(AppendBugReport(path, Report(3, 20000), 50000));
  EXPECT_TRUE(ReadFile(path) == Report(3, 20000) + "\r\n\r\n") << ReadFile(path).size();

  // Tails of 30006 and 15003 bytes of a 45009-byte file under a limit of 40000 (keep < 30000):
  // the header of the third report is the first one under.
  const std::string other = dir.Path("other.txt");
  for (int i = 1; i <= 3; ++i) ASSERT_TRUE(AppendBugReport(other, Report(i, 14999), 40000));
  EXPECT_TRUE(ReadFile(other) == Report(3, 14999) + "\r\n\r\n") << ReadFile(other).size();
  // A header 2 bytes after the boundary counts as well: the tail is measured from the header.
  const std::string edge = dir.Path("edge.txt");
  ASSERT_TRUE(AppendBugReport(edge, std::string(30000, 'y'), 40000));
  ASSERT_TRUE(AppendBugReport(edge, "ab" + Report(9, 29994), 40000));
  EXPECT_TRUE(ReadFile(edge) == Report(9, 29994) + "\r\n\r\n") << ReadFile(edge).size();
}

TEST(DroskReportFile, AnOversizedFileWithoutAHeaderUnderTheLimitStaysAsWritten) {
  const TempDir dir;
  const std::string path = dir.Path("bugreport.txt");
  const std::string plain(30000, 'p');
  ASSERT_TRUE(AppendBugReport(path, plain, 50000));
  ASSERT_TRUE(AppendBugReport(path, plain, 50000));
  EXPECT_EQ(ReadFile(path).size(), 60008u);
  // A header exactly at three quarters of the limit from the end is not taken.
  const std::string exact = dir.Path("exact.txt");
  ASSERT_TRUE(AppendBugReport(exact, std::string(20000, 'q'), 40000));
  ASSERT_TRUE(AppendBugReport(exact, Report(1, 29996), 40000));
  EXPECT_EQ(ReadFile(exact).size(), 50004u);
}

TEST(DroskReportFile, MissingDirectoriesAreMadeAndAFileInTheWayFails) {
  const TempDir dir;
  const std::string path = dir.Path("logs\\deeper\\bugreport.txt");
  ASSERT_TRUE(AppendBugReport(path, "report", 50000));
  EXPECT_EQ(ReadFile(path), "report\r\n\r\n");
  EXPECT_TRUE(ForceFileDirectory(dir.Path("logs\\x.txt")));
  EXPECT_FALSE(ForceFileDirectory(""));
  EXPECT_FALSE(ForceFileDirectory(dir.Path("logs\\deeper\\bugreport.txt\\inner\\x.txt")));
  EXPECT_FALSE(AppendBugReport(dir.Path("logs\\deeper\\bugreport.txt\\y.txt"), "r", 50000));
  EXPECT_FALSE(AppendBugReport(dir.path(), "a directory", 50000));
}

TEST(DroskReportFile, SilentSavingPutsTheRelativeNameInTheExecutablesDirectory) {
  EXPECT_EQ(BugReportFileName(), "bugreport.txt");
  const std::string exe = ModuleFileName(GetModuleHandleA(nullptr));
  const std::string path = exe.substr(0, exe.rfind('\\') + 1) + "bugreport.txt";
  DeleteFileA(path.c_str());
  ASSERT_TRUE(SaveBugReport("silent report"));
  EXPECT_EQ(ReadFile(path), "silent report\r\n\r\n");
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace drosk
