// Plavena.exe as a user runs it: a wide command line, the printed journal and the summary of
// the files written, and its exit status.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/plavena/command_line.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace {

using testsupport::TempDir;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Runs Plavena.exe with the Tralvek module and the arguments; its exit code and its standard
// output, without the carriage returns the console's text mode adds.
testsupport::ChildResult RunPlavena(const std::wstring& arguments) {
  testsupport::ChildResult result = testsupport::RunChild(
      L"\"" + Wide(testsupport::BinaryPath("Plavena.exe")) + L"\" --module \"" +
          Wide(testsupport::BinaryPath("Tralvek.dll")) + L"\" " + arguments,
      60000);
  std::erase(result.output, '\r');
  return result;
}

size_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

TEST(PlavenaProcess, ANameTheCodePageCannotHoldFailsAndTheSummaryNamesTheFilesWritten) {
  TempDir dir;
  const std::string board = testsupport::CopyExampleBoard(dir, "example-board.json");
  // Greek letters: the ANSI code page has look-alikes ("a", "b") that must not be used.
  const std::wstring greek = Wide(dir.path()) + L"\\\x03b1\x03b2.dsn";
  const testsupport::ChildResult result = RunPlavena(
      L"--board \"" + Wide(board) + L"\" --answer *=OK --run ExportDesignFile \"FileName=" + greek +
      L"\" --run ExportDesignFile \"FileName=" + Wide(dir.Path("board.dsn")) + L"\"");
  EXPECT_EQ(result.exit_code, 1u) << result.output;
  const std::string refused = dir.Path("??.dsn");
  EXPECT_NE(result.output.find("command ExportDesignFile failed 0x80004005 Tralvek.dll: Cannot use "
                               "the file name " +
                               refused +
                               ": it holds characters that the ANSI code page cannot "
                               "represent"),
            std::string::npos)
      << result.output;
  EXPECT_FALSE(testsupport::FileExists(dir.Path("ab.dsn")));
  EXPECT_FALSE(testsupport::FileExists(dir.Path("ab.do")));
  EXPECT_NE(result.output.find("command ExportDesignFile done"), std::string::npos);
  EXPECT_EQ(result.output.find("pcb created "), std::string::npos)
      << "object lines only on request";
  EXPECT_NE(result.output.find("pcb progress start: Saving " + dir.Path("board.dsn")),
            std::string::npos);
  const std::string summary = "file written: " + dir.Path("board.dsn") + ", " +
                              std::to_string(FileSize(dir.Path("board.dsn"))) +
                              " bytes, 6 components, 4 nets, 13 wires, 5 vias\n";
  EXPECT_NE(result.output.find(summary), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("file written: " + dir.Path("board.do") + ", " +
                               std::to_string(FileSize(dir.Path("board.do"))) + " bytes\n"),
            std::string::npos);
  EXPECT_NE(result.output.find("file written: " + dir.Path("example-board.qixpref") + ", "),
            std::string::npos);
}

TEST(PlavenaProcess, VerbosePrintsTheEditorsObjectLinesAndUnchangedFilesAreNotListed) {
  TempDir dir;
  const std::string board = testsupport::CopyExampleBoard(dir, "example-board.json");
  const std::wstring run = L"--board \"" + Wide(board) +
                           L"\" --answer *=OK --run ExportDesignFile \"FileName=" +
                           Wide(dir.Path("board.dsn")) + L"\"";
  const testsupport::ChildResult first = RunPlavena(run + L" --verbose");
  EXPECT_EQ(first.exit_code, 0u) << first.output;
  EXPECT_NE(first.output.find("\npcb created Track "), std::string::npos);
  EXPECT_NE(first.output.find("\npcb destroyed Track "), std::string::npos);
  // A run that fails before writing lists nothing.
  const testsupport::ChildResult second =
      RunPlavena(L"--board \"" + Wide(board) + L"\" --run ExportDesignFile \"FileName=\"");
  EXPECT_EQ(second.exit_code, 1u);
  EXPECT_EQ(second.output.find("file written:"), std::string::npos) << second.output;
  EXPECT_EQ(RunPlavena(L"--bogus").exit_code, 2u);
}

TEST(PlavenaCommandLine, TextsTheCodePageCannotHoldBecomeQuestionMarksNotLookAlikes) {
  const plavena::CommandLine line = plavena::ParseCommandLine(
      {L"Plavena.exe", L"--module", L"T.dll", L"--run", L"ExportDesignFile",
       L"FileName=C:\\\x03b1\x4e2d.dsn", L"--verbose"});
  ASSERT_EQ(line.error, "");
  ASSERT_EQ(line.commands.size(), 1u);
  EXPECT_EQ(line.commands[0].parameters, "FileName=C:\\??.dsn");
  EXPECT_TRUE(line.verbose);
  const plavena::CommandLine board = plavena::ParseCommandLine(
      {L"Plavena.exe", L"--module", L"T.dll", L"--board", L"C:\\\x03b1.json"});
  EXPECT_EQ(board.error,
            "the path C:\\?.json holds characters the ANSI code page cannot represent");
  EXPECT_EQ(plavena::ParseCommandLine({L"Plavena.exe"}).error, "no --module given");
}

}  // namespace
