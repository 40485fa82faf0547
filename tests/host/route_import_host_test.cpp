// "ImportRouteFile" end to end through the stand-in host: the board's views are refreshed, the
// status file is shown, the saved board holds the routes, and a bad file fails the command.
#include <gtest/gtest.h>

#include "host/plavena/host_session.h"
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
    options_.module_path = testsupport::BinaryPath("Tralvek.dll");
    options_.board_path = board_;
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

TEST_F(RouteImportThroughHost, BadRouteFileFailsTheCommandAndKeepsTheRouting) {
  testsupport::WriteFile(route_, "(routes x (network_out (net GND (wire (path TopLayer 1 0 0");
  HostSession session(options_);
  const plavena::CommandResult result = session.Run("ImportRouteFile", "FileName=" + route_);
  EXPECT_NE(result.status, S_OK);
  EXPECT_NE(result.error_description.find(route_ + ":1:"), std::string::npos)
      << result.error_description;
  EXPECT_EQ(LineOf(session, "deleted"), std::string::npos) << session.journal().Text();
  EXPECT_EQ(LineOf(session, "process PCB:"), std::string::npos);
}

}  // namespace
