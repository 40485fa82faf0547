// The export collects the open board's rules through the host's PCB server before it writes.
#include <gtest/gtest.h>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace {

using plavena::HostOptions;
using plavena::HostSession;

HostOptions OptionsWithBoard(const std::string& board) {
  HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = board;
  return options;
}

TEST(ExportRules, ABoardWithIncompatibleRulesIsExported) {
  testsupport::TempDir dir;
  HostSession session(OptionsWithBoard(testsupport::CopyExampleBoard(dir, "rules-board.json")));
  const plavena::CommandResult result =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
  EXPECT_EQ(result.status, S_OK) << result.error_description;
  EXPECT_TRUE(testsupport::FileExists(dir.Path("board.do")));
}

TEST(ExportRules, WithoutAnOpenBoardNothingIsWritten) {
  testsupport::TempDir dir;
  HostSession session(OptionsWithBoard(""));
  const plavena::CommandResult result =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
  EXPECT_EQ(result.status, E_FAIL);
  EXPECT_EQ(result.error_description, "No board is open in the PCB editor");
  EXPECT_FALSE(testsupport::FileExists(dir.Path("board.do")));
}

}  // namespace
