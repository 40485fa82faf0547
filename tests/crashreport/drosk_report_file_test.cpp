// The bug-report file: appending, the size limit trimmed at report headers, directories made;
// the print layout.
#include "crashreport/drosk_report_file.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
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

// Each report is appended with an empty line; past the limit, the file starts at the oldest report
// header whose tail is under three quarters of the limit.
TEST(DroskReportFile, AppendsAndTrimsAnOversizedFileToTheOldestHeaderUnderThreeQuarters) {
  const struct {
    std::vector<std::pair<std::string, uint32_t>> saves;  // report and limit, in turn
    size_t dropped;  // bytes of everything appended that the file lost from its front
  } cases[] = {
      {{{"first", 50000}, {"second", 50000}}, 0},
      {{{"first", 50000}, {"second", 0}}, 9},  // a limit of zero keeps only the newest
      {{{Report(1, 19996), 40000}, {Report(2, 19996), 40000}}, 0},  // exactly at the limit
      // 60012 bytes, tails of 40008 and 20004 from the second and third header: only the third
      // is under 37500.
      {{{Report(1, 20000), 50000}, {Report(2, 20000), 50000}, {Report(3, 20000), 50000}}, 40008},
      // Tails of 30006 and 15003 bytes under a limit of 40000 (keep < 30000).
      {{{Report(1, 14999), 40000}, {Report(2, 14999), 40000}, {Report(3, 14999), 40000}}, 30006},
      // A report starting 3 bytes after the boundary: the tail is measured from it.
      {{{std::string(30000, 'y'), 40000}, {"a\r\n" + Report(9, 29993), 40000}}, 30007},
      {{{std::string(30000, 'p'), 50000}, {std::string(30000, 'p'), 50000}}, 0},  // no header
      // A header exactly at three quarters of the limit from the end is not taken.
      {{{std::string(20000, 'q'), 40000}, {Report(1, 29996), 40000}}, 0},
      // "date/time" inside a line ("exec. date/time"), or at a line's start without its ':',
      // starts no report.
      {{{Report(1, 20000), 40000}, {"x exec. " + Report(2, 19992), 40000}}, 0},
      {{{Report(1, 20000), 40000}, {"\r\ndate/time  " + Report(2, 19985), 40000}}, 0},
  };
  const TempDir dir;
  for (const auto& c : cases) {
    const std::string path = dir.Path(std::to_string(&c - cases) + ".txt");
    std::string appended;
    for (const auto& [report, limit] : c.saves) {
      ASSERT_TRUE(AppendBugReport(path, report, limit)) << path;
      appended += report + "\r\n\r\n";
    }
    EXPECT_TRUE(ReadFile(path) == appended.substr(c.dropped))
        << path << ": " << ReadFile(path).size();
  }
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

// A file that another program still holds when the wait ends gets the report beside it, in a
// file of this process's own; once free, reports go into it again.
TEST(DroskReportFile, AFileHeldPastTheWaitGetsTheReportBesideIt) {
  const TempDir dir;
  const std::string pid = std::to_string(GetCurrentProcessId());
  const std::pair<std::string, std::string> cases[] = {
      {"bugreport.txt", "bugreport-" + pid + ".txt"},
      {"reports.d\\bugreport", "reports.d\\bugreport-" + pid},  // the dot is the folder's
  };
  for (const auto& [name, beside] : cases) {
    const std::string path = dir.Path(name);
    ASSERT_TRUE(AppendBugReport(path, "first", 50000));
    {
      const win::UniqueHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(held) << path;
      EXPECT_TRUE(AppendBugReport(path, "while held", 50000, 20)) << path;
    }
    EXPECT_TRUE(AppendBugReport(path, "after", 50000, 20)) << path;
    EXPECT_EQ(ReadFile(path), "first\r\n\r\nafter\r\n\r\n");
    EXPECT_EQ(ReadFile(dir.Path(beside)), "while held\r\n\r\n");
  }
}

TEST(DroskReportFile, SilentSavingPutsTheRelativeNameInTheExecutablesDirectory) {
  EXPECT_EQ(BugReportFileName(), "bugreport.txt");
  const std::string exe = ModuleFileName(GetModuleHandleA(nullptr));
  const std::string path = exe.substr(0, exe.rfind('\\') + 1) + "bugreport.txt";
  DeleteFileA(path.c_str());
  {
    const TempDir elsewhere;  // the current directory, which must not get the file
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(elsewhere.path().c_str());
    EXPECT_TRUE(SaveBugReport("silent report"));
    SetCurrentDirectoryA(current);
  }
  EXPECT_EQ(ReadFile(path), "silent report\r\n\r\n");
  DeleteFileA(path.c_str());
}

TEST(DroskReportFile, PrintMarginsRoundToTheNearestPixelAndTakeOffTheUnprintableOffset) {
  // 4800 x 6600 pixels on 203 x 279 mm: 20 mm = 472.9 px and 10 mm = 236.45 px across, 10 mm =
  // 236.56 px down.
  // Unprintable borders wider than the margins give the printable edges.
  const auto fields = [](const TPrintMargins& m) {
    return std::tuple(m.Top, m.BottomLimit, m.Left, m.LineWidth);
  };
  EXPECT_EQ(fields(PrintMargins({4800, 6600, 203, 279, 60, 50})),
            std::tuple(237 - 50, 6600 - 2 * 187, 473 - 60, 4800 - 413 - (236 - 60)));
  EXPECT_EQ(fields(PrintMargins({4800, 6600, 203, 279, 300, 300})),
            std::tuple(0, 6600, 173, 4800 - 173));
  EXPECT_EQ(PrintMargins({4800, 6600, 0, 0, 0, 0}).LineWidth, 4800);  // no size known
}

TEST(DroskReportFile, APageBreaksWhenTheLineWouldPassTheBottomLimit) {
  const TPrintMargins margins{100, 1000, 0, 500};
  std::vector<std::pair<int, int>> placed;
  for (const TPrintedLine& line : LayOutPrintLines(margins, {400, 400, 200, 700, 1, 2000, 50}))
    placed.emplace_back(line.Page, line.Y);
  EXPECT_EQ(placed, (std::vector<std::pair<int, int>>{
                        {0, 100}, {0, 500}, {1, 100}, {1, 300}, {2, 100}, {3, 100}, {4, 100}}));
  EXPECT_EQ(PrintLines("a\r\n\r\nb\nc"), (std::vector<std::string>{"a", " ", "b\nc"}));
}

TEST(DroskReportFile, AVeryLongLineWrapsIntoSeveralLinesHeight) {
  const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  std::string text;
  for (int i = 0; i < 100; ++i) text += "word ";
  const std::vector<int> heights = MeasurePrintLines(dc.get(), {"short", " ", text}, 300);
  ASSERT_GT(heights[0], 0);
  EXPECT_EQ(heights[1], heights[0]);
  EXPECT_GE(heights[2], 5 * heights[0]);
  EXPECT_EQ(heights[2] % heights[0], 0);
}

// A PostScript printer of the test prefix that prints to files: Wine's driver with a small PPD.
win::UniqueMemoryDc TestPrinterDc() {
  constexpr const char* kPrinter = "Tralvek Test Printer";
  if (HDC dc = CreateDCA(nullptr, kPrinter, nullptr, nullptr)) return win::UniqueMemoryDc(dc);
  char directory[MAX_PATH] = {};
  DWORD size = 0;
  GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                             sizeof(directory), &size);
  const std::string ppd = std::string(directory) + "\\tralvek.ppd";
  testsupport::WriteFile(ppd, ReadFile(testsupport::TestDataPath("crashreport/test_printer.ppd")));
  DRIVER_INFO_3A driver = {};
  driver.cVersion = 3;
  driver.pName = const_cast<char*>("Wine PostScript Driver");
  driver.pEnvironment = const_cast<char*>("Windows NT x86");
  driver.pDriverPath = driver.pConfigFile = const_cast<char*>("wineps.drv");
  driver.pDataFile = const_cast<char*>("tralvek.ppd");
  AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES);
  PRINTER_INFO_2A printer = {};
  printer.pPrinterName = const_cast<char*>(kPrinter);
  printer.pPortName = const_cast<char*>("FILE:");
  printer.pDriverName = driver.pName;
  printer.pPrintProcessor = const_cast<char*>("WinPrint");
  printer.pDatatype = const_cast<char*>("RAW");
  if (HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer)))
    ClosePrinter(handle);
  return win::UniqueMemoryDc(CreateDCA(nullptr, kPrinter, nullptr, nullptr));
}

TEST(DroskReportFile, AReportPrintsToPostScriptOnAsManyPagesAsTheLayoutGives) {
  const win::UniqueMemoryDc dc = TestPrinterDc();
  ASSERT_TRUE(dc);
  const TempDir dir;
  const std::string output = dir.Path("report.ps");
  std::string report = "date/time          : now\r\n\r\n";
  for (int i = 0; i < 150; ++i) report += "line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(PrintBugReportOn(dc.get(), report, output.c_str()), 2);
  const std::string postScript = ReadFile(output);
  EXPECT_EQ(postScript.rfind("%!PS-Adobe", 0), 0u);
  EXPECT_NE(postScript.find("%%Page: 2 2"), std::string::npos);
  EXPECT_NE(postScript.find("%%Pages: 2"), std::string::npos);
}

}  // namespace
}  // namespace drosk
