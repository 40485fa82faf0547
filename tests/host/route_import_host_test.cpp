// "ImportRouteFile" end to end through the stand-in host: the board's views are refreshed, the
// status file is shown, the saved board holds the routes, and a bad file fails the command.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>

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

namespace {

// A minimal s-expression tree of a design file, enough to carry its padstacks and wiring over.
struct Sexpr {
  std::string atom;
  std::vector<Sexpr> items;
  bool list = false;
  std::string Head() const { return list && !items.empty() ? items[0].atom : ""; }
  std::string Text() const {
    if (!list) return atom;
    std::string text = "(";
    for (size_t i = 0; i < items.size(); ++i) text += (i ? " " : "") + items[i].Text();
    return text + ")";
  }
};

Sexpr ParseSexpr(const std::string& text, size_t& at) {
  Sexpr node;
  while (at < text.size()) {
    const char c = text[at];
    if (isspace(static_cast<unsigned char>(c))) {
      ++at;
    } else if (c == '(') {
      ++at;
      Sexpr list = ParseSexpr(text, at);
      list.list = true;
      node.items.push_back(std::move(list));
    } else if (c == ')') {
      ++at;
      return node;
    } else {
      Sexpr atom;
      while (at < text.size() && !isspace(static_cast<unsigned char>(text[at])) &&
             text[at] != '(' && text[at] != ')') {
        atom.atom += text[at++];
      }
      node.items.push_back(std::move(atom));
    }
  }
  return node;
}

const Sexpr* Child(const Sexpr& list, const std::string& head) {
  for (const Sexpr& item : list.items) {
    if (item.Head() == head) return &item;
  }
  return nullptr;
}

// What the router gives back for a design file it leaves as it is: the library's padstacks and
// the wiring section's wires and vias, grouped by net, in the design file's own units, with or
// without the export's marks, and the wires it routed (by net).
std::string RouteFileOfDesign(const std::string& design, bool marks,
                              std::map<std::string, std::string> nets) {
  size_t at = 0;
  const Sexpr root = ParseSexpr(design, at);
  const Sexpr& pcb = root.items.at(0);
  std::string text = "(routes echo\n(resolution mil 1)\n(library_out\n";
  for (const Sexpr& item : Child(pcb, "library")->items) {
    if (item.Head() == "padstack") text += item.Text() + "\n";
  }
  for (const Sexpr& item : Child(pcb, "wiring")->items) {
    if (item.Head() != "wire" && item.Head() != "via") continue;
    const Sexpr* net = Child(item, "net");
    Sexpr echoed;
    echoed.list = true;
    for (const Sexpr& part : item.items) {
      const bool mark = part.Head() == "turret" || part.Head() == "via_number";
      if (part.Head() != "net" && part.Head() != "type" && (marks || !mark)) {
        echoed.items.push_back(part);
      }
    }
    nets[net ? net->items.at(1).atom : ""] += echoed.Text() + "\n";
  }
  text += ")\n(network_out\n";
  for (const auto& [net, routes] : nets) {
    text += net.empty() ? routes : "(net " + net + "\n" + routes + ")\n";
  }
  return text + "))\n";
}

// The lines of a saved board's top-level list, sorted, without the padstack numbers the
// export stores.
std::vector<std::string> SavedObjects(const std::string& board, const std::string& section) {
  std::vector<std::string> lines;
  const size_t start = board.find("\n  \"" + section + "\": [");
  if (start == std::string::npos) return lines;
  std::istringstream in(board.substr(start + 1));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line) && line.rfind("  ]", 0) != 0) {
    line = std::regex_replace(line, std::regex("\"auxWord\":[0-9]+,"), "");
    if (!line.empty() && line.back() == ',') line.pop_back();
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

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
