// The network section of exported boards, through the stand-in host.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"
#include "router/dsn_checker.h"

namespace {

// The lines from "    (network" through its closing "    )".
std::string NetworkSection(const std::string& design_file) {
  const size_t begin = design_file.find("    (network\r\n");
  if (begin == std::string::npos) return std::string();
  const size_t end = design_file.find("\r\n    )\r\n", begin);
  if (end == std::string::npos) return std::string();
  return design_file.substr(begin, end + 9 - begin);
}

// Replaces the first occurrence of `from` in `text`, which must be there.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

struct Export {
  std::string design_file;
  std::string board_before, board_after;  // the editor's board saved around the export
  std::string journal;
};

// Exports a copy of an example board, changed by `edit`.
Export ExportBoardText(const testsupport::TempDir& dir, const std::string& example,
                       const std::function<std::string(std::string)>& edit = {}) {
  const std::string board = dir.Path("board.json");
  std::string text = testsupport::ReadFile(testsupport::TestDataPath("../examples/" + example));
  if (edit) text = edit(text);
  testsupport::WriteFile(board, text);
  plavena::HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = board;
  plavena::HostSession session(options);
  Export result;
  std::string error;
  EXPECT_TRUE(session.SaveBoard(dir.Path("before.json"), error)) << error;
  const plavena::CommandResult command =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
  EXPECT_EQ(command.status, S_OK) << command.error_description << session.journal().Text();
  EXPECT_TRUE(session.SaveBoard(dir.Path("after.json"), error)) << error;
  result.design_file = testsupport::ReadFile(dir.Path("board.dsn"));
  result.board_before = testsupport::ReadFile(dir.Path("before.json"));
  result.board_after = testsupport::ReadFile(dir.Path("after.json"));
  result.journal = session.journal().Text();
  return result;
}

std::string ExportBoard(const testsupport::TempDir& dir, const std::string& example) {
  return ExportBoardText(dir, example).design_file;
}

// Lines joined by CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// Nets with fewer than two pads (LED_K, USB_P, USB_N) are left out; pins list their roles by
// the pads' electrical types (loads only beside a source or a terminator, so none for GND);
// from-tos sit in the net their net text names; the system class "All Nets" is left out (user
// classes only); the stub-length rule scoped All reaches every object; the Power class has a width
// of its own.
TEST(NetworkExport, ExampleBoardWithTheDefaultSettings) {
  testsupport::TempDir dir;
  const std::string network = NetworkSection(ExportBoard(dir, "example-board.json"));
  const char* stub = "                 (max_stub 100.000)";
  EXPECT_EQ(network, Lines({"    (network",
                            "        (net GND",
                            "            (pins",
                            "                U1-4 U1-7 C1-2 J1-4 ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "        )",
                            "        (net +3V3",
                            "            (pins",
                            "                U1-8 R1-1 R2-1 C1-1 J1-1 D1-A ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (source     J1-1 )",
                            "            (load       U1-8 R1-1 R2-1 D1-A )",
                            "            (terminator C1-1 )",
                            "        )",
                            "        (net SDA",
                            "            (pins",
                            "                U1-5 R1-2 ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (fromto U1-5 R1-2",
                            "                (rule",
                            "                     (max_stub 100.000)",
                            "                )",
                            "            )",
                            "            (source     U1-5 )",
                            "            (load       R1-2 )",
                            "        )",
                            "        (net SCL",
                            "            (pins",
                            "                U1-6 R2-2 ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (fromto U1-6 R2-2",
                            "                (rule",
                            "                     (max_stub 100.000)",
                            "                )",
                            "            )",
                            "            (load       U1-6 )",
                            "            (terminator R2-2 )",
                            "        )",
                            "        (class Power",
                            "            GND +3V3 ",
                            "            (rule",
                            "                (clearance 12.000)",
                            "                 (width 20.000)",
                            "                 (max_stub 100.000)",
                            "            )",
                            "        )",
                            "        (class I2C",
                            "            SDA SCL ",
                            "            (rule",
                            "                 (max_stub 100.000)",
                            "            )",
                            "        )",
                            "        (group Critical",
                            "            U1-5:R1-2 ",
                            "        )",
                            "    )"}));
}

TEST(NetworkExport, RulesBoardHasNoNetWithTwoPads) {
  testsupport::TempDir dir;
  const std::string design_file = ExportBoard(dir, "rules-board.json");
  EXPECT_EQ(NetworkSection(design_file), Lines({"    (network", "    )"})) << design_file;
}

}  // namespace

namespace {

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
// SCL 15 mil to vias.
std::string WithNetClearances(std::string board) {
  board = Replaced(board, R"j("name": "Clearance", "priority": 2,)j",
                   R"j("name": "Clearance", "priority": 9,)j");
  board = Replaced(board, R"j("name": "PowerClearance", "priority": 1,)j",
                   R"j("name": "PowerClearance", "priority": 8,)j");
  return Replaced(board, R"j("rules": [)j",
                  R"j("rules": [
    {"kind": "Clearance", "name": "SdaTop", "priority": 1, "scope1": "InNet('SDA') And OnLayer('Top')", "scope2": "All", "gap": "6mil"},
    {"kind": "Clearance", "name": "SclVias", "priority": 2, "scope1": "InNet('SCL')", "scope2": "IsVia", "gap": "15mil"},)j");
}

TEST(NetworkExport, ClearanceProbesLeaveTheBoardAsItWas) {
  for (const bool narrow_rules : {false, true}) {
    SCOPED_TRACE(narrow_rules ? "with net clearances" : "example board");
    testsupport::TempDir dir;
    const Export result = ExportBoardText(
        dir, "example-board.json",
        narrow_rules ? WithNetClearances : std::function<std::string(std::string)>());
    // The export numbers pads and vias by padstack and changes nothing else.
    EXPECT_TRUE(WithoutPadstackNumbers(result.board_after) ==
                WithoutPadstackNumbers(result.board_before));
    EXPECT_TRUE(ObjectsLeft(result.journal).empty()) << result.journal;
    EXPECT_NE(result.journal.find("created Pad"), std::string::npos)
        << "the probes ran: " << result.journal;
    EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(result.design_file)), "");
  }
}

// SDA: pins, smd pads and vias made in the net go through the top layer, so SdaTop holds them
// with anything on every layer; wires and areas only on the top layer, where the rule is the
// net's general clearance. SCL: 15 mil between its objects and vias, on every layer alike. Power:
// its class rule as the general clearance, on every layer alike. Narrower rules hold from-tos
// and I2C nowhere.
TEST(NetworkExport, NetClearancesByTypeAndLayer) {
  testsupport::TempDir dir;
  const std::string network =
      NetworkSection(ExportBoardText(dir, "example-board.json", WithNetClearances).design_file);
  const char* stub = "                 (max_stub 100.000)";
  const char* from_to_rule = "                     (max_stub 100.000)";
  EXPECT_EQ(
      network,
      Lines(
          {"    (network",
           "        (net GND",
           "            (pins",
           "                U1-4 U1-7 C1-2 J1-4 ",
           "            )",
           "            (rule",
           stub,
           "            )",
           "        )",
           "        (net +3V3",
           "            (pins",
           "                U1-8 R1-1 R2-1 C1-1 J1-1 D1-A ",
           "            )",
           "            (rule",
           stub,
           "            )",
           "            (source     J1-1 )",
           "            (load       U1-8 R1-1 R2-1 D1-A )",
           "            (terminator C1-1 )",
           "        )",
           "        (net SDA",
           "            (pins",
           "                U1-5 R1-2 ",
           "            )",
           "            (rule",
           "                (clearance 6.000 (type pin_pin pin_smd pin_via pin_wire pin_area "
           "pin_testpoint smd_smd smd_via smd_wire smd_area smd_testpoint via_via via_wire "
           "via_area via_testpoint wire_testpoint area_testpoint testpoint_testpoint))",
           stub,
           "            )",
           "            (layer_rule TopLayer (rule (clearance 6.000))",
           "            )",
           "            (layer_rule MidLayer1 InternalPlane1 InternalPlane2 MidLayer2 BottomLayer "
           "(rule (clearance 6.000 (type pin_pin pin_smd pin_via pin_wire pin_area "
           "pin_testpoint smd_via smd_testpoint via_via via_wire via_area via_testpoint "
           "wire_testpoint area_testpoint testpoint_testpoint)))",
           "            )",
           "            (fromto U1-5 R1-2",
           "                (rule",
           from_to_rule,
           "                )",
           "            )",
           "            (source     U1-5 )",
           "            (load       R1-2 )",
           "        )",
           "        (net SCL",
           "            (pins",
           "                U1-6 R2-2 ",
           "            )",
           "            (rule",
           "                (clearance 15.000 (type pin_via smd_via via_via via_wire via_area "
           "via_testpoint))",
           stub,
           "            )",
           "            (fromto U1-6 R2-2",
           "                (rule",
           from_to_rule,
           "                )",
           "            )",
           "            (load       U1-6 )",
           "            (terminator R2-2 )",
           "        )",
           "        (class Power",
           "            GND +3V3 ",
           "            (rule",
           "                (clearance 12.000)",
           "                 (width 20.000)",
           "                 (max_stub 100.000)",
           "            )",
           "        )",
           "        (class I2C",
           "            SDA SCL ",
           "            (rule",
           "                 (max_stub 100.000)",
           "            )",
           "        )",
           "        (group Critical",
           "            U1-5:R1-2 ",
           "        )",
           "    )"}));
}

}  // namespace

namespace {

// The pair's lines of a network section, from "(pair " to the end of the section.
std::string PairLines(const std::string& network) {
  const size_t at = network.find("        (pair ");
  return at == std::string::npos ? std::string() : network.substr(at);
}

// A free pad more on each USB net puts both into the network, and with them their pair.
std::string WithRoutedUsbNets(std::string board) {
  return Replaced(board, R"j("pads": [
)j",
                  R"j("pads": [
    {"name": "TP2", "layer": "BottomLayer", "net": "USB_P", "x": "2450mil", "y": "1650mil", "size": ["20mil", "20mil"], "shape": "round"},
    {"name": "TP3", "layer": "BottomLayer", "net": "USB_N", "x": "2450mil", "y": "1550mil", "size": ["20mil", "20mil"], "shape": "round"},
)j");
}

TEST(NetworkExport, DifferentialPairsWithBothNetsInTheNetwork) {
  testsupport::TempDir routed_dir, example_dir;
  const std::string routed =
      ExportBoardText(routed_dir, "example-board.json", WithRoutedUsbNets).design_file;
  EXPECT_EQ(PairLines(NetworkSection(routed)),
            Lines({"        (pair ", "            (nets USB_P USB_N)", "        )", "    )"}));
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(routed)), "");
  // As the example stands, each USB net has one pad: no net, so no pair the router could read.
  EXPECT_EQ(PairLines(NetworkSection(ExportBoard(example_dir, "example-board.json"))), "");
}

}  // namespace

namespace {

// The router settings file holding `values` while the object lives; the file as it was before
// comes back afterwards.
class RouterSettings {
 public:
  explicit RouterSettings(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values) {
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    path_ = std::wstring(folder) + L"\\Tralvek.Ini";
    had_file_ = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (had_file_) CopyFileW(path_.c_str(), (path_ + L".saved").c_str(), FALSE);
    for (const auto& [key, value] : values) {
      WritePrivateProfileStringW(L"SpecctraSetup", key, value, path_.c_str());
    }
  }
  ~RouterSettings() {
    DeleteFileW(path_.c_str());
    if (had_file_) MoveFileW((path_ + L".saved").c_str(), path_.c_str());
  }
  RouterSettings(const RouterSettings&) = delete;
  RouterSettings& operator=(const RouterSettings&) = delete;

 private:
  std::wstring path_;
  bool had_file_ = false;
};

// With the advanced statements every net, class and from-to opens with a circuit block; only
// SDA's length rule goes in one (a single priority rule, every signal layer allowed, no
// use_via), and a from-to follows its rules with a second circuit block of its own.
TEST(NetworkExport, ExampleBoardWithTheAdvancedStatements) {
  std::string network;
  {
    const RouterSettings settings({{L"Adv10", L"1"}, {L"EmitUseVia", L"0"}});
    testsupport::TempDir dir;
    network = NetworkSection(ExportBoard(dir, "example-board.json"));
  }
  const char* stub = "                 (max_stub 100.000)";
  const char* deep_stub = "                     (max_stub 100.000)";
  EXPECT_EQ(network, Lines({"    (network",
                            "        (net GND",
                            "            (pins",
                            "                U1-4 U1-7 C1-2 J1-4 ",
                            "            )",
                            "            (circuit ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "        )",
                            "        (net +3V3",
                            "            (pins",
                            "                U1-8 R1-1 R2-1 C1-1 J1-1 D1-A ",
                            "            )",
                            "            (circuit ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (source     J1-1 )",
                            "            (load       U1-8 R1-1 R2-1 D1-A )",
                            "            (terminator C1-1 )",
                            "        )",
                            "        (net SDA",
                            "            (pins",
                            "                U1-5 R1-2 ",
                            "            )",
                            "            (circuit ",
                            "                (length 2000.000 500.000)",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (fromto U1-5 R1-2",
                            "                (circuit ",
                            "                )",
                            "                (rule",
                            deep_stub,
                            "                )",
                            "                (circuit ",
                            "                )",
                            "            )",
                            "            (source     U1-5 )",
                            "            (load       R1-2 )",
                            "        )",
                            "        (net SCL",
                            "            (pins",
                            "                U1-6 R2-2 ",
                            "            )",
                            "            (circuit ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (fromto U1-6 R2-2",
                            "                (circuit ",
                            "                )",
                            "                (rule",
                            deep_stub,
                            "                )",
                            "                (circuit ",
                            "                )",
                            "            )",
                            "            (load       U1-6 )",
                            "            (terminator R2-2 )",
                            "        )",
                            "        (class Power",
                            "            GND +3V3 ",
                            "            (circuit ",
                            "            )",
                            "            (rule",
                            "                (clearance 12.000)",
                            "                 (width 20.000)",
                            stub,
                            "            )",
                            "        )",
                            "        (class I2C",
                            "            SDA SCL ",
                            "            (circuit ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "        )",
                            "        (group Critical",
                            "            U1-5:R1-2 ",
                            "        )",
                            "    )"}));
  // Without the setting no circuit block is written (the golden text of the default settings).
  testsupport::TempDir dir;
  EXPECT_EQ(NetworkSection(ExportBoard(dir, "example-board.json")).find("(circuit"),
            std::string::npos);
}

}  // namespace

namespace {

// A board whose nets each carry their own rules, exported with the advanced statements, pin
// minimizing and test-point vias on the top side, against the file worked out by hand: the
// bounding rectangle as boundary (no outline), a test-point padstack beside each via style, a
// full-stack via with its largest middle size, an arc's chords as keep-outs, pins rotated by
// whole degrees and a net-less right-angled pin as a keep-out, and per net its via style,
// priority, layers, length (a class's length reaches its nets, not the class statement),
// topology, via limit, typed clearances and pin roles (a pin of another electrical type is a
// member without a role); a copper text is a keep-out.
TEST(NetworkExport, NetworkRulesBoardAgainstTheHandWrittenFile) {
  std::string design_file;
  {
    const RouterSettings settings({{L"Adv10", L"1"},
                                   {L"MinimizePads", L"1"},
                                   {L"TestPointStyles", L"1"},
                                   {L"TestPointSide", L"0"},
                                   {L"TestPointExpansion", L"10mil"}});
    testsupport::TempDir dir;
    design_file = ExportBoard(dir, "network-rules-board.json");
  }
  EXPECT_EQ(design_file, testsupport::ReadFile(
                             testsupport::TestDataPath("host/testdata/network-rules-board.dsn")));
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(design_file)), "");
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
  std::string network;
  {
    const RouterSettings settings({{L"Adv10", L"1"}});
    testsupport::TempDir dir;
    network = NetworkSection(
        ExportBoardText(dir, "network-rules-board.json", [](const std::string& text) {
          return Replaced(text, "\"rules\": [", R"j("rules": [
    {"kind": "RoutingLayers", "name": "BoardLayers", "priority": 3, "scope1": "All",
     "routingLayers": ["TopLayer", "MidLayer1", "BottomLayer"]},)j");
        }).design_file);
  }
  EXPECT_NE(NetBlock(network, "DATA").find("(use_layer TopLayer BottomLayer)"), std::string::npos)
      << network;
  EXPECT_NE(NetBlock(network, "CLK").find("(use_layer TopLayer)"), std::string::npos) << network;
  const std::string gnd = NetBlock(network, "GND");
  ASSERT_FALSE(gnd.empty()) << network;
  EXPECT_EQ(gnd.find("use_layer"), std::string::npos) << gnd;
}

// Test points on the bottom side grow only the bottom of a via style's padstack.
TEST(NetworkExport, BottomTestPointsGrowTheBottomOnly) {
  std::string design_file;
  {
    const RouterSettings settings(
        {{L"TestPointStyles", L"1"}, {L"TestPointSide", L"1"}, {L"TestPointExpansion", L"10mil"}});
    testsupport::TempDir dir;
    design_file = ExportBoard(dir, "network-rules-board.json");
  }
  EXPECT_NE(
      design_file.find(Lines({"        (padstack TPVia1_TB_RoutingVias",
                              "            (shape (circle TopLayer 24.000))",
                              "            (shape (circle MidLayer1 24.000))",
                              "            (shape (circle MidLayer2 24.000))",
                              "            (shape (circle BottomLayer 34.000))", "        )"})),
      std::string::npos)
      << design_file;
}

}  // namespace
