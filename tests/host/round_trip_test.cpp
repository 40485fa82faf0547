// Boards made here, exported through the stand-in host and given back as a router would give
// them: the design file's own wiring fed back as the route file leaves every pad, via and track as
// it was, attributes included, and what a router changes comes in once, as what it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "board_export.h"
#include "route_echo.h"

namespace {

using hosttest::BoardSession;
using hosttest::RouteFileOfDesign;
using hosttest::SavedObjects;

// Three nets between two parts on a metric board with four signal layers, and between the inner
// ones a plane without a net when `plane`; `objects` adds the board's own lists (vias, tracks,
// ...), each ending in a comma.
std::string MetricBoard(const std::string& objects, bool plane = false) {
  std::string pads1, pads2;
  for (int i = 1; i <= 3; ++i) {
    const std::string n = std::to_string(i), y = std::to_string(5 * i) + "mm";
    const std::string pad = R"({"name": ")" + n + R"(", "layer": "TopLayer", "net": "N)" + n +
                            R"(", "y": ")" + y +
                            R"(", "size": ["1.5mm", "1.5mm"], "shape": "round", "x": )";
    pads1 += (i > 1 ? ", " : "") + pad + "\"5mm\"}";
    pads2 += (i > 1 ? ", " : "") + pad + "\"35mm\"}";
  }
  return R"({
  "format": "quorvel-board",
  "version": 1,
  "board": {"unit": "mm", "origin": ["0mm", "0mm"], "width": "40mm", "height": "30mm"},
  "stack": [
    {"layer": "TopLayer", "name": "Top"},
    {"layer": "MidLayer1", "name": "Inner 1"},)" +
         std::string(plane ? R"(
    {"layer": "InternalPlane1", "name": "Unused plane"},)"
                           : "") +
         R"(
    {"layer": "MidLayer2", "name": "Inner 2"},
    {"layer": "BottomLayer", "name": "Bottom"}
  ],
  "layers": [{"layer": "Mechanical1", "name": "Board Shape"}],
  "boardOutline": {"layer": "Mechanical1", "outline": [
    ["0mm", "0mm"], ["40mm", "0mm"], ["40mm", "30mm"], ["0mm", "30mm"]]},
  "nets": [{"name": "N1"}, {"name": "N2"}, {"name": "N3"}],
  "components": [
    {"designator": "U1", "footprint": "SIP3", "x": "5mm", "y": "10mm", "pads": [)" +
         pads1 + R"(]},
    {"designator": "U2", "footprint": "SIP3", "x": "35mm", "y": "10mm", "pads": [)" +
         pads2 + R"(]}
  ],
)" + objects +
         R"(
  "texts": []
})";
}

// A board open in the stand-in host, exported, its saved state the one to come back to.
class RoundTrip : public testing::Test {
 protected:
  void Open(const std::string& board_text) {
    board_.reset();  // one host at a time
    board_ = std::make_unique<BoardSession>(board_text);
    ASSERT_EQ(board_->Export().status, S_OK) << board_->journal().Text();
    design_ = board_->Read();
    before_ = Saved("before");
  }
  // Saves the board as NAME.json, and returns its text. Saving names the board after its new
  // file: the per-document file the export wrote goes with it.
  std::string Saved(const std::string& name) {
    std::string error;
    EXPECT_TRUE(board_->session().SaveBoard(board_->Path(name + ".json"), error)) << error;
    testsupport::WriteFile(board_->Path(name + ".qixpref"),
                           testsupport::ReadFile(board_->Path("board.qixpref")));
    return testsupport::ReadFile(board_->Path(name + ".json"));
  }
  // The journal's warnings that hold `text`.
  int Warnings(const std::string& text) {
    int found = 0;
    for (const std::string& line : board_->journal().Lines()) {
      found += line.starts_with("dialog \"Warning\"") && line.find(text) != std::string::npos;
    }
    return found;
  }
  // Imports the route file's text; the host's answer is S_OK.
  void Import(const std::string& route_text) {
    const std::string path = board_->Path("route.rte");
    testsupport::WriteFile(path, route_text);
    ASSERT_EQ(board_->session().Run("ImportRouteFile", "FileName=" + path).status, S_OK)
        << board_->journal().Text() << route_text;
  }
  // The pads, vias and tracks of the saved board, padstack numbers included.
  static std::string Copper(const std::string& board) {
    std::string text;
    for (const char* section : {"tracks", "vias", "pads"}) {
      text += std::string(section) + ":\n";
      for (const std::string& line : SavedObjects(board, section, true)) text += line + "\n";
    }
    return text;
  }
  // The design file's own wiring, given back with the export's marks and without, at the design
  // file's resolution as a router writes it, twice each, changes none of the board's copper.
  void ExpectEchoKeepsTheCopper() {
    for (const bool marks : {true, false}) {
      for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE((marks ? "marked, round " : "unmarked, round ") + std::to_string(round));
        const std::string route = RouteFileOfDesign(design_, marks, {}, 10000);
        Import(route);
        EXPECT_EQ(Copper(Saved("after")), Copper(before_)) << route;
      }
    }
  }

  std::unique_ptr<BoardSession> board_;
  std::string design_, before_;
};

// Metric coordinates lie off the design file's thousandths of a mil; the router gives them back
// as the file wrote them. A routed via keeps its test-point and tent marks, a track its width to
// the unit and the values the file has no word for, and fixed copper is not laid a second time.
TEST_F(RoundTrip, MetricCopperOffTheFileGridComesBackAsItWas) {
  Open(MetricBoard(R"(
  "vias": [
    {"net": "N1", "x": "10.15mm", "y": "5.0127mm", "size": "0.6mm", "hole": "0.3mm",
     "testPointTop": true, "tentedTop": true},
    {"net": "N2", "x": "12.345mm", "y": "10.0011mm", "size": "0.6mm", "hole": "0.3mm",
     "bitField2": 8}
  ],
  "tracks": [
    {"layer": "TopLayer", "net": "N1", "x": "5mm", "y": "5mm", "x2": "10.15mm",
     "y2": "5.0127mm", "width": "0.25mm", "auxValue2": 7, "auxValue3": 9, "auxWord": 3,
     "bitField3": 4, "flags": 1, "fromUser": true, "auxByte": 1, "note": "kept"},
    {"layer": "BottomLayer", "net": "N1", "x": "10.15mm", "y": "5.0127mm", "x2": "35mm",
     "y2": "5mm", "width": "0.25mm"},
    {"layer": "TopLayer", "net": "N2", "x": "5mm", "y": "10mm", "x2": "25.0013mm",
     "y2": "10.0011mm", "width": "0.3mm", "bitField2": 8}
  ],)"));
  ASSERT_NE(design_.find("(path TopLayer 9.842 "), std::string::npos) << design_;
  ExpectEchoKeepsTheCopper();
}

// A via whose top, middle and bottom differ stays a via with its own stack, given back as it
// was or placed anew by the router: a full stack, a top-middle-bottom one, and one of an
// enlarged test-point style. No free pad is made of any.
TEST_F(RoundTrip, ViasWithALayerStackStayViasWithTheirStack) {
  Open(MetricBoard(R"(
  "vias": [
    {"net": "N3", "x": "15mm", "y": "15mm", "size": "30mil", "hole": "12mil", "stackMode": "full",
     "stackSizes": {"TopLayer": "30mil", "MidLayer1": "26mil", "MidLayer2": "26mil",
                    "BottomLayer": "34mil"}},
    {"net": "N3", "x": "20mm", "y": "15mm", "size": "36mil", "hole": "12mil",
     "stackMode": "topMiddleBottom",
     "stackSizes": {"TopLayer": "36mil", "MidLayer1": "30mil", "MidLayer2": "30mil",
                    "BottomLayer": "30mil"}}
  ],)"));
  ExpectEchoKeepsTheCopper();
  Import(
      "(routes r (resolution mil 10) (library_out\n"
      " (padstack TPVia9_TB_Style (shape (circle TopLayer 340)) (shape (circle MidLayer1 240))\n"
      "   (shape (circle MidLayer2 240)) (shape (circle BottomLayer 240)))\n"
      " (padstack Via8_TB (shape (circle TopLayer 300)) (shape (circle MidLayer1 260))\n"
      "   (shape (circle MidLayer2 260)) (shape (circle BottomLayer 340)))\n"
      " (padstack Via7_TM2 (shape (circle TopLayer 300)) (shape (circle MidLayer1 260))\n"
      "   (shape (circle MidLayer2 340))))\n"
      " (network_out (net N3 (via TPVia9_TB_Style 10000 5000) (via Via8_TB 11000 5000)\n"
      "  (via Via7_TM2 12000 5000))))\n");
  const std::string after = Saved("placed");
  EXPECT_EQ(SavedObjects(after, "pads"), SavedObjects(before_, "pads"));
  // The editor keeps a size for every signal layer. The default hole (28 mil) is cut to half
  // the smallest size where it would not fit.
  auto via = [](const std::string& x, const std::string& size_hole, const std::string& mode,
                const std::string& top, const std::string& middle, const std::string& bottom,
                int last = 32) {
    std::string line = R"(    {"net":"N3","x":")" + x + R"(mil","y":"500mil",)" + size_hole +
                       R"(,"stackMode":")" + mode + R"(","stackSizes":{"TopLayer":")" + top +
                       R"(mil")";
    for (int layer = 2; layer < 32; ++layer) {
      line += R"(,"MidLayer)" + std::to_string(layer - 1) + R"(":")" +
              (layer == last ? bottom : middle) + R"(mil")";
    }
    return line + R"(,"BottomLayer":")" + (last == 32 ? bottom : middle) + R"(mil"}})";
  };
  const std::vector<std::string> vias = {
      via("1000", R"("size":"34mil","hole":"12mil")", "topMiddleBottom", "34", "24", "24"),
      via("1100", R"("size":"30mil","hole":"13mil")", "topMiddleBottom", "30", "26", "34"),
      via("1200", R"("size":"30mil","hole":"13mil","to":"MidLayer2")", "full", "30", "26", "34",
          3)};
  EXPECT_EQ(SavedObjects(after, "vias"), vias);
}

// A free through-hole pad the router may use as a via goes out as a via of its padstack and
// comes back as the pad it was: no via is laid on it, and the pad keeps its name and flags. A via
// of that padstack elsewhere, or of another padstack there, is one the router placed.
TEST_F(RoundTrip, AFreeThroughHolePadComesBackAsThePadItWas) {
  Open(MetricBoard(R"(
  "pads": [
    {"name": "MH", "layer": "MultiLayer", "net": "N2", "x": "20mm", "y": "15mm",
     "size": ["1.2mm", "1.2mm"], "shape": "round", "hole": "0.7mm", "bitField2": 16,
     "tentedTop": true}
  ],)"));
  ASSERT_NE(design_.find("(via Via2 787.402 590.551"), std::string::npos) << design_;
  ExpectEchoKeepsTheCopper();
  Import(
      "(routes r (resolution mil 1000) (library_out (padstack Via2 (shape (circle signal 47244)))"
      " (padstack Via0 (shape (circle signal 50000)))) (network_out (net N2"
      " (via Via2 787402 590551) (via Via2 900000 590551) (via Via0 787402 590551))))\n");
  const std::string after = Saved("placed");
  EXPECT_EQ(SavedObjects(after, "pads"), SavedObjects(before_, "pads"));
  EXPECT_EQ(SavedObjects(after, "vias").size(), 2u) << "Via2 elsewhere and Via0 on the pad";
}

// Fixed copper stays on the board: a router that gives it back cut in two, or two pieces of it
// joined into one, lays none of it again. Copper beside it, or reaching past it, is new.
TEST_F(RoundTrip, FixedCopperGivenBackCutOrJoinedIsNotLaidTwice) {
  Open(MetricBoard(R"(
  "tracks": [
    {"layer": "TopLayer", "net": "N2", "x": "5mm", "y": "10mm", "x2": "25mm", "y2": "10mm",
     "width": "0.3mm", "bitField2": 8},
    {"layer": "TopLayer", "net": "N2", "x": "25mm", "y": "10mm", "x2": "28mm", "y2": "10mm",
     "width": "0.3mm", "bitField2": 8},
    {"layer": "TopLayer", "net": "N2", "x": "31mm", "y": "10mm", "x2": "28mm", "y2": "10mm",
     "width": "0.3mm", "bitField2": 8}
  ],)"));
  ExpectEchoKeepsTheCopper();
  Import(
      "(routes r (resolution mm 1000) (network_out (net N2\n"
      " (wire (path TopLayer 300 5000 10000 15000 10000))\n"
      " (wire (path TopLayer 300 25000 10000 15000 10000))\n"
      " (wire (path TopLayer 300 25000 10000 31000 10000))\n"
      " (wire (path TopLayer 300 31000 10000 35000 10000))\n"
      " (wire (path TopLayer 300 20000 10000 33000 10000))\n"
      " (wire (path TopLayer 200 5000 10000 15000 10000))\n"
      " (wire (path BottomLayer 300 5000 10000 15000 10000)))))\n");
  std::vector<std::string> tracks = SavedObjects(before_, "tracks", true);
  for (const char* added :
       {R"(    {"net":"N2","x":"1220.4724mil","y":"393.7008mil","x2":"1377.9528mil",)"
        R"("y2":"393.7008mil","width":"11.811mil"})",
        R"(    {"net":"N2","x":"787.4016mil","y":"393.7008mil","x2":"1299.2126mil",)"
        R"("y2":"393.7008mil","width":"11.811mil"})",
        R"(    {"net":"N2","x":"196.8504mil","y":"393.7008mil","x2":"590.5512mil",)"
        R"("y2":"393.7008mil","width":"7.874mil"})",
        R"(    {"layer":"BottomLayer","net":"N2","x":"196.8504mil","y":"393.7008mil",)"
        R"("x2":"590.5512mil","y2":"393.7008mil","width":"11.811mil"})"}) {
    tracks.push_back(added);
  }
  std::sort(tracks.begin(), tracks.end());
  EXPECT_EQ(SavedObjects(Saved("cut"), "tracks", true), tracks);
}

// Metric widths end in odd thousandths of a mil (0.5 mm is written 19.685, 0.3 mm 11.811), and a
// router gives fixed copper back a thousandth wider or narrower, its ends a thousandth off either
// way, whole or cut where a wire of its own joins: each fixed track stays once, and only the
// router's wire is added.
TEST_F(RoundTrip, FixedCopperGivenBackAThousandthOffIsNotLaidTwice) {
  Open(MetricBoard(R"(
  "tracks": [
    {"layer": "TopLayer", "net": "N1", "x": "5mm", "y": "5mm", "x2": "20mm", "y2": "5mm",
     "width": "0.5mm", "bitField2": 8},
    {"layer": "TopLayer", "net": "N2", "x": "5mm", "y": "10mm", "x2": "25mm", "y2": "10mm",
     "width": "0.3mm", "bitField2": 8},
    {"layer": "BottomLayer", "net": "N3", "x": "5mm", "y": "15mm", "x2": "20mm", "y2": "15mm",
     "width": "0.5mm", "bitField2": 8}
  ],)"));
  ASSERT_NE(design_.find("(path TopLayer 19.685 196.850 196.850 787.402 196.850)"),
            std::string::npos)
      << design_;
  ASSERT_NE(design_.find("(path TopLayer 11.811 196.850 393.701 984.252 393.701)"),
            std::string::npos);
  // In ten-thousandths of a mil, as the router writes them: N1 a step wider, N2 a step wider
  // and cut at 15 mm, N3 a step narrower and the other way round.
  Import(
      "(routes r (resolution mil 10000) (network_out\n"
      " (net N1 (wire (path TopLayer 196860 1968510 1968490 7874010 1968510)))\n"
      " (net N2 (wire (path TopLayer 118120 1968500 3937010 5905510 3937010))\n"
      "  (wire (path TopLayer 118120 5905510 3937000 9842520 3937020))\n"
      "  (wire (path TopLayer 80000 5905510 3937010 5905510 4500000)))\n"
      " (net N3 (wire (path BottomLayer 196840 7874020 5905520 1968500 5905500)))))\n");
  EXPECT_NE(board_->journal().Text().find(": 1 track, 0 vias and 0 pads added, 4 already on the "
                                          "board."),
            std::string::npos)
      << board_->journal().Text();
  std::vector<std::string> tracks = SavedObjects(before_, "tracks", true);
  tracks.push_back(R"(    {"net":"N2","x":"590.551mil","y":"393.701mil","x2":"590.551mil",)"
                   R"("y2":"450mil","width":"8mil"})");
  std::sort(tracks.begin(), tracks.end());
  EXPECT_EQ(SavedObjects(Saved("after"), "tracks", true), tracks);
}

// A router reads the string quote (") anywhere in a name as the start of a quoted text: a net
// named with it lost its routing on the way back, a footprint named with an inch mark had the rest
// of its lines read as one text. The design file declares another quote, one that no name of it
// holds ("'" is a net's here), and the names come back as they stand; a board whose names hold no
// quote declares none.
TEST_F(RoundTrip, NamesHoldingTheRoutersQuoteComeBackRouted) {
  struct Case {
    const char* plain;   // in the board file
    const char* quoted;  // the same with the router's quote
    const char* design;  // what the design file holds of it
    const char* net;     // a net routed back, as the router names it and as the board saves it
    const char* saved_net;
  };
  const Case cases[] = {{R"("N3")", R"("SIG\"Q")", "(net SIG\"Q", "SIG\"Q", R"("net":"SIG\"Q")"},
                        {R"("footprint": "SIP3")", R"("footprint": "SIP3\"")", "(image SIP3\"",
                         "N3", R"("net":"N3")"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quoted);
    std::string board = std::regex_replace(MetricBoard(""), std::regex(c.plain), c.quoted);
    Open(std::regex_replace(board, std::regex(R"("N2")"), R"("RST'")"));
    EXPECT_NE(design_.find("(parser\r\n        (string_quote $)\r\n    )\r\n    (resolution"),
              std::string::npos)
        << design_;
    EXPECT_NE(design_.find(c.design), std::string::npos) << design_;
    const std::string route = RouteFileOfDesign(
        design_, false,
        {{c.net, "(wire (path TopLayer 10 196.850 590.551 1377.953 590.551))"},
         {"RST'", "(wire (path BottomLayer 10 196.850 393.701 1377.953 393.701))"}});
    Import(route);
    EXPECT_NE(board_->journal().Text().find(": 2 tracks, 0 vias and 0 pads added."),
              std::string::npos)
        << board_->journal().Text() << route;
    std::string tracks;
    for (const std::string& track : SavedObjects(Saved("after"), "tracks")) tracks += track;
    EXPECT_NE(tracks.find(R"("net":"RST'")"), std::string::npos) << tracks;
    EXPECT_NE(tracks.find(c.saved_net), std::string::npos) << tracks;
  }
  Open(MetricBoard(""));
  EXPECT_EQ(design_.find("(parser"), std::string::npos) << design_;
}

// The layers the structure declares, and those the library's padstacks name without a
// declaration ("signal" is every layer).
std::vector<std::string> UndeclaredPadstackLayers(const std::string& design) {
  std::vector<std::string> declared = {"signal"}, undeclared;
  const std::regex layer(R"(\(layer (\S+))"), shape(R"(\(shape \((?:circle|rect) (\S+))");
  for (std::sregex_iterator at(design.begin(), design.end(), layer), end; at != end; ++at) {
    declared.push_back((*at)[1]);
  }
  for (std::sregex_iterator at(design.begin(), design.end(), shape), end; at != end; ++at) {
    if (std::find(declared.begin(), declared.end(), (*at)[1]) == declared.end()) {
      undeclared.push_back((*at)[1]);
    }
  }
  return undeclared;
}

// A plane without a net is no layer of the structure, so no padstack names it; a via whose
// middle has no size writes no shape for it. The router reads every layer, and so does the
// import of the echo.
TEST_F(RoundTrip, PadstacksNameOnlyDeclaredLayersAndNoShapeOfNoSize) {
  Open(MetricBoard(R"(
  "vias": [
    {"net": "N1", "x": "15mm", "y": "5mm", "size": "30mil", "hole": "12mil",
     "stackMode": "topMiddleBottom", "stackSizes": {"TopLayer": "30mil", "BottomLayer": "34mil"}}
  ],
  "pads": [
    {"name": "Flat", "layer": "TopLayer", "net": "N1", "x": "20mm", "y": "5mm",
     "size": ["0mm", "1mm"], "shape": "rectangle"}
  ],)",
                   true));
  EXPECT_EQ(design_.find("InternalPlane1"), std::string::npos) << design_;
  EXPECT_EQ(UndeclaredPadstackLayers(design_), std::vector<std::string>{});
  EXPECT_EQ(design_.find("(rect TopLayer 0.000 -19.685 0.000 19.685)"), std::string::npos)
      << "the flat pad";
  EXPECT_NE(design_.find("(shape (circle TopLayer 30.000))\r\n"
                         "            (shape (circle BottomLayer 34.000))"),
            std::string::npos)
      << design_;
  ExpectEchoKeepsTheCopper();
}

// A board with nothing on it and no outline gives the router no room: the export says so and
// writes nothing, as for a board without a layer stack.
TEST_F(RoundTrip, ABoardWithoutOutlineOrCopperIsRefused) {
  BoardSession board(R"({"format": "quorvel-board", "version": 1,
    "board": {"unit": "mm", "origin": ["0mm", "0mm"], "width": "40mm", "height": "30mm"},
    "stack": [{"layer": "TopLayer", "name": "Top"}, {"layer": "BottomLayer", "name": "Bottom"}],
    "nets": [{"name": "N1"}]})",
                     {{"*", "OK"}});
  const plavena::CommandResult result = board.Export();
  EXPECT_EQ(result.status, E_FAIL) << board.journal().Text();
  EXPECT_EQ(result.error_description,
            "The board has no outline and no copper, so the design file's boundary would have no "
            "size and the router nothing to route in: nothing was written. Draw the board's "
            "outline and export again.");
  EXPECT_FALSE(testsupport::FileExists(board.Path("board.dsn")));
  EXPECT_FALSE(testsupport::FileExists(board.Path("board.do")));
}

// Width rules that give no width write no width of 0, neither the board's on each layer nor a
// net's, nor one layer's of a rule with widths on the others; the user hears of the rules
// without a width by name, once.
TEST_F(RoundTrip, WidthRulesWithoutAWidthAreLeftOutWithAWord) {
  Open(MetricBoard(R"j(
  "rules": [
    {"kind": "Width", "name": "BoardWidth", "priority": 2,
     "layerWidths": {"TopLayer": {"min": "5mil", "max": "20mil", "preferred": "10mil"}}},
    {"kind": "Width", "name": "N1Width", "priority": 0, "scope1": "InNet('N1')"},
    {"kind": "Width", "name": "N2Width", "priority": 1, "scope1": "InNet('N2')",
     "minWidth": "5mil", "maxWidth": "20mil", "preferredWidth": "8mil",
     "layerWidths": {"MidLayer1": {"min": "0mil", "max": "0mil", "preferred": "0mil"}}}
  ],
  "tracks": [
    {"layer": "TopLayer", "net": "N1", "x": "5mm", "y": "5mm", "x2": "35mm", "y2": "5mm",
     "width": "0.25mm"}
  ],)j"));
  EXPECT_EQ(design_.find("(width 0.000)"), std::string::npos) << design_;
  EXPECT_NE(design_.find("(width 5.000)"), std::string::npos) << "the default board width";
  EXPECT_NE(design_.find("(rule (width 10.000))"), std::string::npos) << "the top layer's";
  EXPECT_EQ(Warnings("These width rules give no width, so the design file leaves them out and "
                     "the router routes their wires as the rules around them say: BoardWidth, "
                     "N1Width."),
            1)
      << board_->journal().Text();
  ExpectEchoKeepsTheCopper();
}

// A room's width rule without a width gives its region no width of 0 either.
TEST_F(RoundTrip, ARoomsWidthRuleWithoutAWidthWritesNoWidth) {
  const std::string board = hosttest::Replaced(
      hosttest::Replaced(hosttest::ExampleBoardText(),
                         R"j("priority": 3, "enabled": false, "scope1": "WithinRoom('Room 1')")j",
                         R"j("priority": 3, "scope1": "WithinRoom('Room 1')")j"),
      R"j("rules": [)j", R"j("rules": [
    {"kind": "Width", "name": "RoomWidth", "priority": 3, "scope1": "WithinRoom('Room 1')"},)j");
  Open(board);
  EXPECT_NE(design_.find("(region Room_1\r\n"), std::string::npos) << design_;
  EXPECT_EQ(design_.find("(width 0.000)"), std::string::npos) << design_;
  EXPECT_EQ(Warnings("the rules around them say: RoomWidth."), 1) << board_->journal().Text();
}

// Layer directions all "off" are a choice that the next export finds again: the per-document
// file keeps an empty section.
TEST_F(RoundTrip, LayerDirectionsAllOffSurviveTheNextExport) {
  const std::string board = MetricBoard("");
  BoardSession session(board);
  testsupport::WriteFile(session.Path("board.qixpref"),
                         "[LayerDirections]\r\nTopLayer=off\r\nBottomLayer=Off\r\n");
  for (int export_number = 1; export_number <= 2; ++export_number) {
    SCOPED_TRACE(export_number);
    ASSERT_EQ(session.Export().status, S_OK) << session.journal().Text();
    const std::string design = session.Read();
    EXPECT_EQ(hosttest::Occurrences(design, "(direction off)"), 4) << design;
    EXPECT_NE(session.Read("board.qixpref").find("[LayerDirections]"), std::string::npos);
  }
}

// A from-to is written only when both its ends are pins of its net: one that ends on a free pad
// would cost the router the part it names; one of a net the network leaves out (fewer than two
// pads, or no net of that very name) has no net to stand in. The user hears which were left out,
// with their rules, in one word.
TEST_F(RoundTrip, FromTosEndingOffTheNetsPinsAreLeftOutWithAWord) {
  Open(hosttest::Replaced(MetricBoard(R"(
  "pads": [
    {"name": "TP", "layer": "TopLayer", "net": "N1", "x": "20mm", "y": "5mm",
     "size": ["1mm", "1mm"], "shape": "round"}
  ],
  "fromTos": [
    {"net": "N4", "from": "U1-3", "to": "U2-3"},
    {"net": "N1", "from": "U1-1", "to": ""},
    {"net": "N1", "from": "U1-1", "to": "TP"},
    {"net": "N1", "from": "U1-1", "to": "U2-1"},
    {"net": "n3", "from": "U1-3", "to": "U2-3"},
    {"net": "N2", "from": "U1-2", "to": "U1-1"}
  ],)"),
                          R"("nets": [)", R"("nets": [{"name": "N4"}, )"));
  EXPECT_NE(design_.find("(fromto U1-1 U2-1"), std::string::npos) << design_;
  EXPECT_EQ(hosttest::Occurrences(design_, "(fromto "), 1) << design_;
  EXPECT_EQ(Warnings("These from-tos end on a pad that is no pin of their net, so the design "
                     "file leaves them out (the router would drop the part they name): U1-1:TP "
                     "(N1), U1-2:U1-1 (N2)."),
            1)
      << board_->journal().Text();
  EXPECT_EQ(Warnings("(N2). | These from-tos belong to no net the design file lists (their net "
                     "has fewer than two pads, or the board has no net of that very name), so "
                     "the design file leaves them out with their rules: U1-3:U2-3 (N4), "
                     "U1-3:U2-3 (n3)."),
            1)
      << board_->journal().Text();
  ExpectEchoKeepsTheCopper();
}

}  // namespace
