// Per-board settings: direction words, the per-document file name and the hole list.
#include "router/document_settings.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"

namespace {

using router::TRoutingDirection;

TEST(DocumentSettings, DirectionWordsReadInAnyCase) {
  struct Case {
    const char* word;
    TRoutingDirection direction;
  };
  const Case cases[] = {{"horizontal", TRoutingDirection::Horizontal},
                        {"Vertical", TRoutingDirection::Vertical},
                        {"VERTICAL", TRoutingDirection::Vertical},
                        {"negative_diagonal", TRoutingDirection::NegativeDiagonal},
                        {"diagonal", TRoutingDirection::Diagonal},
                        {"off", TRoutingDirection::Off},
                        {"up", TRoutingDirection::Off},
                        {"", TRoutingDirection::Off}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(router::DirectionFromText(c.word), c.direction);
  }
  EXPECT_EQ(router::DirectionText(3), "positive_diagonal");
  EXPECT_EQ(router::DirectionText(7), "off");
  EXPECT_EQ(router::DirectionText(-1), "off");
}

TEST(DocumentSettings, TheRouteFilesSettingsWinDuringAnImport) {
  testsupport::TempDir dir;
  const std::string board = dir.Path("board.json");
  const std::string route = dir.Path("routed.rte");
  EXPECT_EQ(router::PerDocumentFileName(board), dir.Path("board.qixpref"));
  router::RouteFileNameGlobal() = route;
  EXPECT_EQ(router::PerDocumentFileName(board), dir.Path("board.qixpref"));  // none beside it
  testsupport::WriteFile(dir.Path("routed.qixpref"), "[HoleList]\r\n");
  EXPECT_EQ(router::PerDocumentFileName(board), dir.Path("routed.qixpref"));
  router::RouteFileNameGlobal().clear();
  EXPECT_EQ(router::PerDocumentFileName(board), dir.Path("board.qixpref"));
}

TEST(DocumentSettings, ExtensionsChangeOnlyInTheFilePart) {
  EXPECT_EQ(router::ChangeFileExtension("C:\\a.b\\board", ".qixpref"), "C:\\a.b\\board.qixpref");
  EXPECT_EQ(router::ChangeFileExtension("C:\\a\\x.y.json", ".qixpref"), "C:\\a\\x.y.qixpref");
}

TEST(HoleList, SizesReadBackAndDefaultTo28Mil) {
  testsupport::TempDir dir;
  const std::string file = dir.Path("board.qixpref");
  testsupport::WriteFile(file, "[LayerDirections]\r\nTopLayer=vertical\r\n[HoleList]\r\nold=1\r\n");
  router::THoleList holes;
  EXPECT_EQ(holes.AddHole("0", 120000), 0);
  EXPECT_EQ(holes.AddHole("1", 0), 1);
  EXPECT_EQ(holes.AddHole("2", 330000), 2);
  holes.SaveHoleList(file);

  router::THoleList read;
  read.LoadHoleList(file);
  EXPECT_EQ(read.Lines(), (std::vector<std::string>{"0=120000", "1=0", "2=330000"}));
  EXPECT_EQ(read.HoleSize("0"), 120000);
  EXPECT_EQ(read.HoleSize("1"), 280000);  // 0 means the default
  EXPECT_EQ(read.HoleSize("7"), 280000);  // missing
  EXPECT_NE(testsupport::ReadFile(file).find("TopLayer=vertical"), std::string::npos);
  // A board without holes leaves no hole list, not an empty one.
  router::THoleList().SaveHoleList(file);
  EXPECT_EQ(testsupport::ReadFile(file), "[LayerDirections]\r\nTopLayer=vertical\r\n");

  router::THoleList absent;
  absent.LoadHoleList(dir.Path("none.qixpref"));
  EXPECT_TRUE(absent.Lines().empty());
}

}  // namespace
