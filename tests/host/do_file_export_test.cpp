// The do-file of "ExportDesignFile", written through the stand-in host from the template its
// installation carries.
#include <gtest/gtest.h>

#include <set>

#include "host/plavena/host_session.h"
#include "sdk/common_utils.h"
#include "sdk/file_ownership.h"
#include "support/test_paths.h"

namespace {

using plavena::HostOptions;
using plavena::HostSession;
using testsupport::ReadFile;
using testsupport::TempDir;

HostOptions ModuleOptions(const TempDir& dir) {
  HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.answers = {{"Warning", "OK"}};
  // The export collects the board's rules before it writes anything.
  options.board_path = testsupport::CopyExampleBoard(dir, "example-board.json");
  return options;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return lines;
}

TEST(ExportDoFile, IsWrittenBesideTheDesignFileFromTheInstalledTemplate) {
  const std::string installed = ReadFile(testsupport::BinaryPath("System\\Tralvek.Do"));
  ASSERT_NE(installed.find("$FILENAME"), std::string::npos) << "the example template";
  TempDir dir;
  HostSession session(ModuleOptions(dir));
  ASSERT_EQ(session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn")).status, S_OK);

  const std::string written = ReadFile(dir.Path("board.do"));
  EXPECT_EQ(written.find("$FILENAME"), std::string::npos) << written;
  const std::vector<std::string> template_lines = Lines(installed);
  const std::vector<std::string> lines = Lines(written);
  ASSERT_EQ(lines.size(), template_lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string expected = template_lines[i];
    for (size_t at; (at = expected.find("$FILENAME")) != std::string::npos;) {
      expected.replace(at, 9, dir.Path("board"));
    }
    EXPECT_EQ(lines[i], expected);
  }
  // The set-up dialog, and no message.
  for (const char* box : {"dialog \"Warning\"", "dialog \"Error\"", "dialog \"Information\""}) {
    EXPECT_FALSE(session.journal().Has(box)) << session.journal().Text();
  }
}

TEST(ExportDoFile, LockedByAnotherUserIsLeftAndTheCommandFailsNamingTheUser) {
  TempDir dir;
  testsupport::WriteFile(dir.Path("board.do"), "another user's\r\n");
  testsupport::WriteFile(sdk::GetLockFileName(dir.Path("board.do")),
                         "ComputerName=" + sdk::GetComputerNameText() +
                             "\r\nUserName=someone-else\r\nProcessID=7\r\n");
  HostSession session(ModuleOptions(dir));
  const plavena::CommandResult result =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
  EXPECT_EQ(result.status, E_FAIL);
  EXPECT_EQ(result.error_description, "Cannot write the do-file " + dir.Path("board.do") +
                                          ": it is used and locked by someone-else on " +
                                          sdk::GetComputerNameText());
  EXPECT_EQ(ReadFile(dir.Path("board.do")), "another user's\r\n");
  EXPECT_TRUE(
      session.journal().Has("dialog \"Warning\": board.do is used and locked by "
                            "someone-else on " +
                            sdk::GetComputerNameText() + "."))
      << session.journal().Text();
}

TEST(ExportDoFile, UnwritableFolderFailsTheCommandBeforeEitherFileIsWritten) {
  TempDir dir;
  HostSession session(ModuleOptions(dir));
  const std::set<std::string> before = testsupport::TemporaryFiles();
  const plavena::CommandResult result =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("missing\\board.dsn"));
  EXPECT_EQ(result.status, E_FAIL);
  // The design file goes first: the do-file follows it only once it is in place.
  EXPECT_NE(result.error_description.find(dir.Path("missing\\board.dsn")), std::string::npos)
      << result.error_description;
  EXPECT_EQ(testsupport::TemporaryFiles(), before) << "the staged do-file is gone";
}

}  // namespace
