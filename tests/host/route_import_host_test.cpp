// "ImportRouteFile" end to end through the stand-in host: the board's views are refreshed, the
// status file is shown, the saved board holds the routes, and a bad file fails the command.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "board_export.h"
#include "host/plavena/host_session.h"
#include "route_echo.h"
#include "support/test_paths.h"

namespace {

using plavena::HostOptions;
using plavena::HostSession;

class RouteImportThroughHost : public testing::Test {
 protected:
  void SetUp() override {
    board_ = dir_.Path("board.json");
    testsupport::WriteFile(
        board_, testsupport::ReadFile(testsupport::TestDataPath("../examples/example-board.json")));
    route_ = dir_.Path("route.rte");
    testsupport::WriteFile(
        route_, testsupport::ReadFile(testsupport::TestDataPath("router/testdata/routes_mil.rte")));
    options_ = hosttest::ModuleOptions(board_);
  }
  size_t LineOf(HostSession& session, const std::string& start) {
    const auto& lines = session.journal().Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(start, 0) == 0) return i;
    }
    return std::string::npos;
  }

  testsupport::TempDir dir_;
  std::string board_, route_;
  HostOptions options_;
};

TEST_F(RouteImportThroughHost, RefreshesTheBoardsViewAndShowsTheStatus) {
  testsupport::WriteFile(dir_.Path("route.sts"), "Routing complete");
  HostSession session(options_);
  ASSERT_EQ(session.Run("ImportRouteFile", "FileName=" + route_).status, S_OK)
      << session.journal().Text();
  const size_t netlist = LineOf(session, "process PCB:Netlist Optimize=All");
  const size_t zoom = LineOf(session, "process PCB:Zoom Action=Redraw");
  const size_t status = LineOf(session, "document open TEXT " + dir_.Path("route.STS"));
  ASSERT_NE(netlist, std::string::npos) << session.journal().Text();
  ASSERT_NE(zoom, std::string::npos);
  ASSERT_NE(status, std::string::npos) << session.journal().Text();
  EXPECT_LT(netlist, zoom);
  EXPECT_LT(zoom, status);

  std::string error;
  ASSERT_TRUE(session.SaveBoard(dir_.Path("saved.json"), error)) << error;
  const std::string saved = testsupport::ReadFile(dir_.Path("saved.json"));
  EXPECT_NE(saved.find("\"x\":\"2100mil\",\"y\":\"1840mil\""), std::string::npos) << saved;
  EXPECT_EQ(saved.find("\"x\":\"2050mil\",\"y\":\"1840mil\""), std::string::npos)
      << "the export's own via stays out";
  EXPECT_EQ(saved.find("\"x\":\"1900mil\",\"y\":\"1700mil\""), std::string::npos)
      << "the old SDA via is gone";
}

// A route file the reader refuses, one too large for memory, or a device, fails with what it is
// and the file's name (a damaged file with its line); the board stays as it was, and its views
// are not refreshed.
TEST_F(RouteImportThroughHost, AFileThatCannotBeReadFailsSayingWhyAndKeepsTheBoard) {
  testsupport::WriteFile(route_, "(routes x (network_out (net GND (wire (path TopLayer 1 0 0");
  const std::string huge = dir_.Path("huge.rte");
  testsupport::WriteHollowFile(huge, uint64_t{1900} << 20);
  const struct {
    std::string file, message;  // the message's start
  } cases[] = {
      {route_, route_ + ":1:"},
      {huge, "Not enough memory to read file \"" + huge + "\" (1900 MB)"},
      {"Z:\\dev\\zero",
       "Cannot read file \"Z:\\dev\\zero\": it is a device or a pipe, not a regular file"},
      {"Z:\\dev\\null",
       "Cannot read file \"Z:\\dev\\null\": it is a device or a pipe, not a regular file"},
  };
  HostSession session(options_);
  std::string error;
  ASSERT_TRUE(session.SaveBoard(dir_.Path("before.json"), error)) << error;
  for (const auto& c : cases) {
    const plavena::CommandResult result = session.Run("ImportRouteFile", "FileName=" + c.file);
    EXPECT_EQ(result.status, E_FAIL) << c.file;
    EXPECT_EQ(result.error_description.substr(0, c.message.size()), c.message);
  }
  EXPECT_EQ(LineOf(session, "process PCB:"), std::string::npos) << session.journal().Text();
  ASSERT_TRUE(session.SaveBoard(dir_.Path("after.json"), error)) << error;
  EXPECT_TRUE(testsupport::ReadFile(dir_.Path("after.json")) ==
              testsupport::ReadFile(dir_.Path("before.json")));
}

}  // namespace

namespace {

using hosttest::RouteFileOfDesign;
using hosttest::SavedObjects;

// Export, then import what the router would give back, with the export's marks and without,
// twice each: the routing comes back as it was with every attribute (a via's layer stack, a test
// pad's name and test-point mark), fixed copper (protected, of nets outside the network, arcs)
// once, the routed wire once.
TEST_F(RouteImportThroughHost, ExportThenImportOfTheBoardsOwnRouting) {
  // An arc that the export cuts into chords.
  std::string board = testsupport::ReadFile(board_);
  const std::string arcs = "\"arcs\": [";
  const size_t at = board.find(arcs);
  ASSERT_NE(at, std::string::npos);
  board.insert(at + arcs.size(),
               R"({"layer": "TopLayer", "net": "SDA", "x": "2000mil", "y": "2000mil", )"
               R"("radius": "100mil", "startAngle": 0, "endAngle": 45, "width": "10mil"},)");
  testsupport::WriteFile(board_, board);
  HostSession session(options_);
  ASSERT_EQ(session.Run("ExportDesignFile", "FileName=" + dir_.Path("board.dsn")).status, S_OK)
      << session.journal().Text();
  std::string error;
  ASSERT_TRUE(session.SaveBoard(dir_.Path("before.json"), error)) << error;
  // Saving renames the board: its per-document file goes with it.
  for (const char* saved : {"before.qixpref", "after.qixpref"}) {
    testsupport::WriteFile(dir_.Path(saved), testsupport::ReadFile(dir_.Path("board.qixpref")));
  }
  const std::string before = testsupport::ReadFile(dir_.Path("before.json"));
  const std::string design = testsupport::ReadFile(dir_.Path("board.dsn"));
  ASSERT_NE(design.find("(turret 126)"), std::string::npos);

  const std::string routed = R"(    {"net":"SDA","x":"2000mil","y":"1840mil","x2":"2000mil",)"
                             R"("y2":"1900mil","width":"10mil"})";
  for (const bool marks : {true, false}) {
    testsupport::WriteFile(
        route_, RouteFileOfDesign(design, marks,
                                  {{"SDA", "(wire (path TopLayer 10 2000 1840 2000 1900))\n"}}));
    for (int round = 1; round <= 2; ++round) {
      SCOPED_TRACE((marks ? "marked, round " : "unmarked, round ") + std::to_string(round));
      ASSERT_EQ(session.Run("ImportRouteFile", "FileName=" + route_).status, S_OK)
          << session.journal().Text() << testsupport::ReadFile(route_);
      ASSERT_TRUE(session.SaveBoard(dir_.Path("after.json"), error)) << error;
      const std::string after = testsupport::ReadFile(dir_.Path("after.json"));
      for (const char* section : {"tracks", "vias", "pads", "arcs"}) {
        SCOPED_TRACE(section);
        std::vector<std::string> expected = SavedObjects(before, section);
        if (std::string(section) == "tracks") expected.push_back(routed);
        std::sort(expected.begin(), expected.end());
        std::string b, a;
        for (const std::string& line : expected) b += line + "\n";
        for (const std::string& line : SavedObjects(after, section)) a += line + "\n";
        EXPECT_EQ(a, b) << testsupport::ReadFile(route_);
      }
    }
  }
  // Without the marks the router's copies of fixed copper are recognised, and the user is told.
  EXPECT_NE(session.journal().Text().find("already on the board"), std::string::npos)
      << session.journal().Text();
}

}  // namespace
