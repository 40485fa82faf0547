// What an export leaves in the board's per-document file, through the stand-in host.
#include <gtest/gtest.h>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace {

TEST(ExportDesignFile, StoresTheLayerDirectionsBesideTheBoard) {
  testsupport::TempDir dir;
  const std::string board = dir.Path("board.json");
  testsupport::WriteFile(
      board, testsupport::ReadFile(testsupport::TestDataPath("../examples/example-board.json")));
  plavena::HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = board;
  plavena::HostSession session(options);
  ASSERT_EQ(session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn")).status, S_OK)
      << session.journal().Text();
  const std::string preferences = testsupport::ReadFile(dir.Path("board.qixpref"));
  EXPECT_NE(preferences.find("[LayerDirections]"), std::string::npos) << preferences;
  EXPECT_NE(preferences.find("TopLayer=horizontal"), std::string::npos);
  EXPECT_NE(preferences.find("MidLayer1=vertical"), std::string::npos);
  EXPECT_NE(preferences.find("BottomLayer=vertical"), std::string::npos);
  EXPECT_TRUE(testsupport::FileExists(dir.Path("board.do")));
}

}  // namespace
