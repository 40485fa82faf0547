// The network section of exported boards, through the stand-in host.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "board_export.h"
#include "router/dsn_checker.h"

namespace {

using hosttest::BoardSession;
using hosttest::ExampleBoardText;
using hosttest::ExportedDesignFile;
using hosttest::Replaced;
using hosttest::RouterSettingsFile;

std::string NetworkSection(const std::string& design_file) {
  return hosttest::Section(design_file, "    (network");
}

std::string ExampleNetwork(const std::string& board_text = ExampleBoardText()) {
  return NetworkSection(ExportedDesignFile(board_text));
}

// Lines joined by CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// The example board's network with the default settings, worked out by hand: nets with fewer
// than two pads (LED_K, USB_P, USB_N) are left out; pins list their roles by the pads' electrical
// types (loads only beside a source or a terminator, so none for GND); from-tos sit in the net
// their net text names; the system class "All Nets" is left out (user classes only); the
// stub-length rule scoped All reaches every object; the Power class has a width of its own.
const std::string kExampleNetwork = std::regex_replace(
    testsupport::ReadFile(testsupport::TestDataPath("host/testdata/example-network.txt")),
    std::regex("\n"), "\r\n");

TEST(NetworkExport, ExampleBoardWithTheDefaultSettings) {
  EXPECT_EQ(ExampleNetwork(), kExampleNetwork);
}

TEST(NetworkExport, RulesBoardHasNoNetWithTwoPads) {
  const std::string design_file = ExportedDesignFile(ExampleBoardText("rules-board.json"));
  EXPECT_EQ(NetworkSection(design_file), Lines({"    (network", "    )"})) << design_file;
}

// The handles the editor's journal shows made, less those it shows destroyed or deleted.
std::multiset<std::string> ObjectsLeft(const std::string& journal) {
  std::multiset<std::string> made;
  std::istringstream lines(journal);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word, kind, handle;
    while (words >> word) {
      if (word != "created" && word != "destroyed" && word != "deleted") continue;
      if (!(words >> kind >> handle)) break;
      const std::string object = kind + " " + handle;
      if (word == "created") {
        made.insert(object);
      } else if (const auto at = made.find(object); at != made.end()) {
        made.erase(at);
      }
    }
  }
  return made;
}

std::string WithoutPadstackNumbers(const std::string& board) {
  return std::regex_replace(board, std::regex(R"("auxWord":\d+,)"), "");
}

// Narrow clearance rules ahead of the board-wide ones: SDA on the top layer 6 mil to anything,
// SCL 15 mil to vias, the I2C class on the bottom layer 11 mil to vias.
std::string WithNetClearances(std::string board) {
  board = Replaced(board, R"j("name": "Clearance", "priority": 2,)j",
                   R"j("name": "Clearance", "priority": 9,)j");
  board = Replaced(board, R"j("name": "PowerClearance", "priority": 1,)j",
                   R"j("name": "PowerClearance", "priority": 8,)j");
  return Replaced(board, R"j("rules": [)j",
                  R"j("rules": [
    {"kind": "Clearance", "name": "SdaTop", "priority": 1, "scope1": "InNet('SDA') And OnLayer('Top')", "scope2": "All", "gap": "6mil"},
    {"kind": "Clearance", "name": "SclVias", "priority": 2, "scope1": "InNet('SCL')", "scope2": "IsVia", "gap": "15mil"},
    {"kind": "Clearance", "name": "I2cBottomVias", "priority": 3, "scope1": "InNetClass('I2C') And OnBottomLayer", "scope2": "IsVia", "gap": "11mil"},)j");
}

TEST(NetworkExport, ClearanceProbesLeaveTheBoardAsItWas) {
  for (const bool narrow_rules : {false, true}) {
    SCOPED_TRACE(narrow_rules ? "with net clearances" : "example board");
    const std::string text = ExampleBoardText();
    BoardSession board(narrow_rules ? WithNetClearances(text) : text);
    std::string error;
    ASSERT_TRUE(board.session().SaveBoard(board.Path("before.json"), error)) << error;
    ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text();
    ASSERT_TRUE(board.session().SaveBoard(board.Path("after.json"), error)) << error;
    // The export numbers pads and vias by padstack and changes nothing else.
    EXPECT_TRUE(WithoutPadstackNumbers(board.Read("after.json")) ==
                WithoutPadstackNumbers(board.Read("before.json")));
    EXPECT_TRUE(ObjectsLeft(board.journal().Text()).empty()) << board.journal().Text();
    EXPECT_NE(board.journal().Text().find("created Pad"), std::string::npos)
        << "the probes ran: " << board.journal().Text();
    EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(board.Read())), "");
  }
}

// SDA: pins, smd pads and vias made in the net go through the top layer, so SdaTop holds them
// with anything on every layer; wires and areas only on the top layer, where the rule is the
// net's general clearance. SCL: 15 mil between its objects and vias, on every layer alike. Power:
// its class rule as the general clearance, on every layer alike. I2C: its layer's rule, in the
// class's own rules (the nets' rules leave it to the class). Narrower rules hold from-tos
// nowhere: everything else is the example's network.
TEST(NetworkExport, NetClearancesByTypeAndLayer) {
  std::string expected = Replaced(
      kExampleNetwork, Lines({"                U1-5 R1-2 ", "            )", "            (rule"}),
      Lines({"                U1-5 R1-2 ", "            )", "            (rule",
             "                (clearance 6.000 (type pin_pin pin_smd pin_via pin_wire pin_area "
             "pin_testpoint smd_smd smd_via smd_wire smd_area smd_testpoint via_via via_wire "
             "via_area via_testpoint wire_testpoint area_testpoint testpoint_testpoint))"}));
  expected = Replaced(
      expected, Lines({"            (fromto U1-5 R1-2"}),
      Lines(
          {"            (layer_rule TopLayer (rule (clearance 6.000))", "            )",
           "            (layer_rule MidLayer1 InternalPlane1 InternalPlane2 MidLayer2 BottomLayer "
           "(rule (clearance 6.000 (type pin_pin pin_smd pin_via pin_wire pin_area "
           "pin_testpoint smd_via smd_testpoint via_via via_wire via_area via_testpoint "
           "wire_testpoint area_testpoint testpoint_testpoint)))",
           "            )", "            (fromto U1-5 R1-2"}));
  expected = Replaced(
      expected, Lines({"                U1-6 R2-2 ", "            )", "            (rule"}),
      Lines({"                U1-6 R2-2 ", "            )", "            (rule",
             "                (clearance 15.000 (type pin_via smd_via via_via via_wire via_area "
             "via_testpoint))"}));
  expected = Replaced(
      expected,
      Lines({"            SDA SCL ", "            (rule", "                 (max_stub 100.000)",
             "            )"}),
      Lines({"            SDA SCL ", "            (rule",
             "                (clearance 11.000 (type pin_via smd_via via_via via_testpoint))",
             "                 (max_stub 100.000)", "            )",
             "            (layer_rule TopLayer MidLayer1 InternalPlane1 InternalPlane2 MidLayer2 "
             "(rule (clearance 11.000 (type pin_via via_via via_testpoint)))",
             "            )",
             "            (layer_rule BottomLayer (rule (clearance 11.000 (type pin_via smd_via "
             "via_via via_wire via_area via_testpoint)))",
             "            )"}));
  EXPECT_EQ(ExampleNetwork(WithNetClearances(ExampleBoardText())), expected);
}

// The pair's lines of a network section, from "(pair " to the end of the section.
std::string PairLines(const std::string& network) {
  const size_t at = network.find("        (pair ");
  return at == std::string::npos ? std::string() : network.substr(at);
}

// A free pad more on each USB net puts both into the network, and with them their pair.
TEST(NetworkExport, DifferentialPairsWithBothNetsInTheNetwork) {
  const std::string routed_board = Replaced(ExampleBoardText(), R"j("pads": [
)j",
                                            R"j("pads": [
    {"name": "TP2", "layer": "BottomLayer", "net": "USB_P", "x": "2450mil", "y": "1650mil", "size": ["20mil", "20mil"], "shape": "round"},
    {"name": "TP3", "layer": "BottomLayer", "net": "USB_N", "x": "2450mil", "y": "1550mil", "size": ["20mil", "20mil"], "shape": "round"},
)j");
  const std::string routed = ExportedDesignFile(routed_board);
  EXPECT_EQ(PairLines(NetworkSection(routed)),
            Lines({"        (pair ", "            (nets USB_P USB_N)", "        )", "    )"}));
  // As the example stands, each USB net has one pad: no net, so no pair the router could read.
  EXPECT_EQ(PairLines(ExampleNetwork()), "");
  // A pair the editor gives with one net only is no pair either.
  const std::string one_net = Replaced(routed_board, R"("positive": "USB_P", "negative": "USB_N")",
                                       R"("positive": "USB_P")");
  EXPECT_EQ(PairLines(NetworkSection(ExportedDesignFile(one_net))), "");
}

// With the advanced statements every net, class and from-to opens with a circuit block; only
// SDA's length rule goes in one (a single priority rule, every signal layer allowed, no
// use_via), and a from-to follows its rules with a second circuit block of its own.
TEST(NetworkExport, ExampleBoardWithTheAdvancedStatements) {
  std::string network;
  {
    const RouterSettingsFile settings("Adv10=1\r\nEmitUseVia=0\r\n");
    network = ExampleNetwork();
  }
  const std::string circuit = Lines({"            (circuit ", "            )"});
  const std::string from_to_circuit = Lines({"                (circuit ", "                )"});
  const std::string from_to_rule = Lines(
      {"                (rule", "                     (max_stub 100.000)", "                )"});
  std::string expected =
      std::regex_replace(kExampleNetwork, std::regex("\r\n            \\(rule\r\n"),
                         "\r\n" + circuit + "            (rule\r\n");
  expected = Replaced(expected, Lines({"U1-5 R1-2 ", "            )"}) + circuit,
                      Lines({"U1-5 R1-2 ", "            )", "            (circuit ",
                             "                (length 2000.000 500.000)", "            )"}));
  for (int from_to = 0; from_to < 2; ++from_to) {
    expected = Replaced(
        expected,
        "(fromto " + std::string(from_to ? "U1-6 R2-2" : "U1-5 R1-2") + "\r\n" + from_to_rule,
        "(fromto " + std::string(from_to ? "U1-6 R2-2" : "U1-5 R1-2") + "\r\n" + from_to_circuit +
            from_to_rule + from_to_circuit);
  }
  EXPECT_EQ(network, expected);
  // Without the setting no circuit block is written.
  EXPECT_EQ(ExampleNetwork().find("(circuit"), std::string::npos);
}

// A board whose nets each carry their own rules, exported with the advanced statements, pin
// minimizing and test-point vias on the top side, against the file worked out by hand: the
// bounding rectangle as boundary (no outline), a test-point padstack beside each via style, a
// full-stack via with its largest middle size, an arc's chords as keep-outs, pins rotated by
// whole degrees and a net-less right-angled pin as a keep-out, and per net its via style,
// priority, layers, length (a class's length reaches its nets, not the class statement),
// topology, via limit, typed clearances and pin roles (a pin of another electrical type is a
// member without a role); a copper text is a keep-out.
TEST(NetworkExport, NetworkRulesBoardAgainstTheHandWrittenFile) {
  const RouterSettingsFile settings(
      "Adv10=1\r\nMinimizePads=1\r\nTestPointStyles=1\r\nTestPointSide=0\r\n"
      "TestPointExpansion=10mil\r\n");
  const std::string expected =
      testsupport::ReadFile(testsupport::TestDataPath("host/testdata/network-rules-board.dsn"));
  EXPECT_EQ(ExportedDesignFile(ExampleBoardText("network-rules-board.json")), expected);
  // A full-stack via's middle size is its largest on any middle layer, the last one too.
  EXPECT_EQ(ExportedDesignFile(Replaced(ExampleBoardText("network-rules-board.json"),
                                        R"("MidLayer2": "28mil")",
                                        R"("MidLayer2": "20mil", "MidLayer30": "28mil")")),
            expected);
}

// Priorities order nets against each other: with one priority rule left there is no order, and
// no net gets a priority, whatever other rules the board has two of.
TEST(NetworkExport, OnePriorityRuleGivesNoNetAPriority) {
  const RouterSettingsFile settings("Adv10=1\r\n");
  const std::string board = ExampleBoardText("network-rules-board.json");
  ASSERT_NE(ExportedDesignFile(board).find("(priority "), std::string::npos);
  const std::string file = ExportedDesignFile(Replaced(
      board,
      R"j({"kind": "RoutingPriority", "name": "DataPriority", "priority": 2, "scope1": "InNet('DATA')", "routingPriority": 100},)j",
      ""));
  EXPECT_EQ(file.find("(priority "), std::string::npos) << file;
  EXPECT_NE(file.find("(circuit "), std::string::npos) << "the circuits stay";
}

// The block of one net in the network section, from "(net NAME" to its closing line.
std::string NetBlock(const std::string& network, const std::string& net) {
  const size_t begin = network.find("        (net " + net + "\r\n");
  if (begin == std::string::npos) return {};
  return network.substr(begin, network.find("\r\n        )\r\n", begin) - begin);
}

// A routing-layers rule scoped "All" sets the board's layers: a net whose own rule allows other
// layers says so, and a net that the board rule alone reaches does not.
TEST(NetworkExport, TheBoardsRoutingLayersComeFromTheRuleScopedAll) {
  const RouterSettingsFile settings("Adv10=1\r\n");
  const std::string network = ExampleNetwork(
      Replaced(ExampleBoardText("network-rules-board.json"), "\"rules\": [", R"j("rules": [
    {"kind": "RoutingLayers", "name": "BoardLayers", "priority": 3, "scope1": "All",
     "routingLayers": ["TopLayer", "MidLayer1", "BottomLayer"]},)j"));
  EXPECT_NE(NetBlock(network, "DATA").find("(use_layer TopLayer BottomLayer)"), std::string::npos)
      << network;
  EXPECT_NE(NetBlock(network, "CLK").find("(use_layer TopLayer)"), std::string::npos) << network;
  const std::string gnd = NetBlock(network, "GND");
  ASSERT_FALSE(gnd.empty()) << network;
  EXPECT_EQ(gnd.find("use_layer"), std::string::npos) << gnd;
}

// Test points on the bottom side grow only the bottom of a via style's padstack.
TEST(NetworkExport, BottomTestPointsGrowTheBottomOnly) {
  const RouterSettingsFile settings(
      "TestPointStyles=1\r\nTestPointSide=1\r\nTestPointExpansion=10mil\r\n");
  const std::string design_file = ExportedDesignFile(ExampleBoardText("network-rules-board.json"));
  EXPECT_NE(
      design_file.find(Lines({"        (padstack TPVia1_TB_RoutingVias",
                              "            (shape (circle TopLayer 24.000))",
                              "            (shape (circle MidLayer1 24.000))",
                              "            (shape (circle MidLayer2 24.000))",
                              "            (shape (circle BottomLayer 34.000))", "        )"})),
      std::string::npos)
      << design_file;
}

// The test point moved into LED_K, whose only other pad is D1's K: the two pads put the net in
// the network, and the free pad is no pin of it.
TEST(NetworkExport, AFreePadCountsTowardsItsNetButIsNoPin) {
  const std::string network = ExampleNetwork(
      Replaced(ExampleBoardText(), R"({"name": "TP1", "layer": "TopLayer", "net": "SDA")",
               R"({"name": "TP1", "layer": "TopLayer", "net": "LED_K")"));
  const std::string pins =
      Lines({"        (net LED_K", "            (pins", "                D1-K ", "            )"});
  EXPECT_NE(network.find(pins), std::string::npos) << network;
}

}  // namespace
