// The design-file writer in process, over the stand-in editor and its rules: duplicated pin names,
// clearances of nets that rules name among nets that share theirs, which objects get a clearance
// matrix at all, which cells they fill, the stack the rule blocks walk and the layers that share a
// layer rule.
#include <gtest/gtest.h>

#include "framework/message_dialog.h"
#include "router/applicable_rules.h"
#include "router/design_file_saver.h"
#include "router/object_clearance.h"
#include "router/ovix_rules.h"
#include "router/via_styles.h"
#include "router/writer_rule_queries.h"
#include "router/dsn_checker.h"
#include "router/rules_session.h"
#include "report_answer.h"
#include "sdk/pcb_board.h"
#include "sdk/quorvel_session.h"

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(DesignFileSaver, DuplicatedPinsWithANetAreWarningsAndWithoutOneKeepouts) {
  testsupport::TempDir dir;
  std::string text = testsupport::ReadFile(quorveltest::ExampleBoardPath());
  // U1's pins 5 (SDA) and 6 (SCL) both named SDA_SCL_5, its pin 7 SDA_SCL_7: long names that
  // begin alike. Its net-less pins 2 and 3 both named 2.
  text = Replaced(text, R"({"name": "5", "electricalType")",
                  R"({"name": "SDA_SCL_5", "electricalType")");
  text = Replaced(text, R"({"name": "6", "layer": "TopLayer", "net": "SCL")",
                  R"({"name": "SDA_SCL_5", "layer": "TopLayer", "net": "SCL")");
  text = Replaced(text, R"({"name": "7", "layer": "TopLayer", "net": "GND")",
                  R"({"name": "SDA_SCL_7", "layer": "TopLayer", "net": "GND")");
  text = Replaced(text, R"({"name": "3", "layer": "TopLayer", "x": "1625mil")",
                  R"({"name": "2", "layer": "TopLayer", "x": "1625mil")");
  // SCL's from-to without its first pin: a from-to needs both ends.
  text = Replaced(text, R"("from": "U1-6")", R"("from": "")");
  testsupport::WriteFile(dir.Path("board.json"), text);
  ASSERT_EQ(rulestest::OpenBoard(dir.Path("board.json")), "");

  ASSERT_EQ(router::GetViaStyleList(), nullptr) << "the writer builds its own list";
  router::TOvixRules collection(sdk::PcbApi_GetCurrentBoardHandle());
  collection.Collect();
  const router::TOvixRuleQueries rules(collection);
  std::vector<std::string> duplicates;
  routertest::ReportAnswer answer(L"Close", dir.Path("board.dsn"));
  static std::vector<std::string> warnings;
  warnings.clear();
  framework::SetMessageDialogHandler([](const framework::MessageDialogRequest& request) {
    warnings.push_back(request.message);
    return framework::kModalOk;
  });
  const bool result = router::SaveDesignFile(dir.Path("board.pcb"), rules, &duplicates);
  EXPECT_EQ(router::GetViaStyleList(), nullptr) << "and frees it";

  EXPECT_FALSE(result);
  const std::vector<std::string> expected = {"U1-SDA_SCL_5 (Net=SDA)", "U1-SDA_SCL_5 (Net=SCL)"};
  EXPECT_EQ(duplicates, expected);
  // Reported once the design file is in place.
  EXPECT_TRUE(answer.pressed());
  EXPECT_EQ(answer.lines(), expected);
  EXPECT_TRUE(answer.file_was_there());
  const std::string written = testsupport::ReadFile(dir.Path("board.dsn"));
  // U1 has no pin 5 now: SDA's from-to is left out with a word; SCL's, without its first end,
  // without one.
  EXPECT_EQ(written.find("(fromto "), std::string::npos) << written;
  EXPECT_EQ(warnings, std::vector<std::string>{
                          "These from-tos end on a pad that is no pin of their net, so the design "
                          "file leaves them out (the router would drop the part they name): "
                          "U1-5:R1-2 (SDA)."});
  const size_t image = written.find("        (image SOIC8_U1\r\n");
  ASSERT_NE(image, std::string::npos) << written;
  const std::string body = written.substr(image, written.find("        )\r\n", image) - image);
  EXPECT_EQ(body,
            "        (image SOIC8_U1\r\n"
            "            (pin Pad7 1 -75.000 -75.000 )\r\n"
            // 24 by 60 mil round pads: upright oblongs.
            "            (keepout (rect TopLayer -37.000 -93.000 -13.000 -57.000))\r\n"
            "            (keepout (circle TopLayer 24.000 -25.000 -93.000))\r\n"
            "            (keepout (circle TopLayer 24.000 -25.000 -57.000))\r\n"
            "            (keepout (rect TopLayer 13.000 -93.000 37.000 -57.000))\r\n"
            "            (keepout (circle TopLayer 24.000 25.000 -93.000))\r\n"
            "            (keepout (circle TopLayer 24.000 25.000 -57.000))\r\n"
            "            (pin Pad9 4 75.000 -75.000 )\r\n"
            "            (pin Pad8 SDA_SCL_7 -25.000 75.000 )\r\n"
            "            (pin Pad10 8 -75.000 75.000 )\r\n");
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(written)), "");
}

// The example board, its board-wide clearance after a 15 mil clearance for the vias of the nets
// `nets_scope` names, opened in the editor.
void OpenBoardWithViaClearance(const std::string& nets_scope) {
  std::string text = testsupport::ReadFile(quorveltest::ExampleBoardPath());
  text = Replaced(text, R"("name": "Clearance", "priority": 2,)",
                  R"("name": "Clearance", "priority": 5,)");
  text = Replaced(text, R"({"kind": "Width",)",
                  R"({"kind": "Clearance", "name": "ViaClearance", "priority": 3, "gap": "15mil",)"
                  R"( "scope1": ")" +
                      nets_scope + R"(", "scope2": "IsVia"},
    {"kind": "Width",)");
  ASSERT_EQ(rulestest::OpenBoardText(text), "");
}

// Nets no rule names share the clearances found for the first of them; nets a rule names, even
// after such a net, get their own.
TEST(DesignFileSaver, NetsNamedByAClearanceRuleKeepTheirOwnCells) {
  testsupport::TempDir dir;
  ASSERT_NO_FATAL_FAILURE(OpenBoardWithViaClearance("InNet('SCL') or InNet('LED_K')"));
  router::TOvixRules collection(sdk::PcbApi_GetCurrentBoardHandle());
  collection.Collect();
  const router::TOvixRuleQueries rules(collection);
  router::SaveDesignFile(dir.Path("board.pcb"), rules, nullptr);

  const std::string written = testsupport::ReadFile(dir.Path("board.dsn"));
  const auto net = [&](const std::string& name) {
    const size_t at = written.find("(net " + name + "\r\n");
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? std::string()
                                   : written.substr(at, written.find("(net ", at + 1) - at);
  };
  // SDA, which no rule names, comes first and fills the shared cells; SCL, named, comes after.
  EXPECT_LT(written.find("(net SDA\r\n"), written.find("(net SCL\r\n"));
  EXPECT_NE(net("SCL").find("(clearance 15.000 (type pin_via smd_via via_via via_wire via_area"),
            std::string::npos)
      << net("SCL");
  EXPECT_EQ(net("SDA").find("(clearance 15.000"), std::string::npos) << net("SDA");
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(written)), "");
}

// Objects with neither a clearance of their own nor a cell a rule could fill get no matrix and
// cost no probe; nets no rule names ask once for all of them, and a net a rule names gets its own
// cells.
TEST(ObjectClearanceMatrices, OnlyObjectsWithClearancesOfTheirOwnGetAMatrix) {
  const auto build = [](router::TObjectClearanceMatrices& matrices, uint8_t kind,
                        const std::string& name, int scope, int on_layer_scope) {
    const sdk::Handle object = rulestest::Named(kind, name);
    EXPECT_NE(object, 0u) << name;
    return matrices.Build(object, 74, scope, on_layer_scope);
  };
  const router::THostRuleConstraintQuery gaps;
  {
    // The room's rule is the one rule whose scope lies within a net's.
    ASSERT_EQ(
        rulestest::OpenBoardText(Replaced(testsupport::ReadFile(quorveltest::ExampleBoardPath()),
                                          "WithinRoom('Room 1')", "All")),
        "");
    router::TOvixRules collection(sdk::PcbApi_GetCurrentBoardHandle());
    collection.Collect();
    router::TObjectClearanceMatrices matrices(collection, gaps,
                                              sdk::PcbApi_GetCurrentBoardHandle());
    for (const char* net : {"SDA", "SCL", "GND"}) {
      EXPECT_EQ(build(matrices, pcbapi::kNet, net, 7, 26), nullptr) << net;
    }
    EXPECT_EQ(matrices.probe_count(), 0) << "no rule could fill a net's cell";
    const auto power = build(matrices, pcbapi::kClass, "Power", 3, 4);
    ASSERT_NE(power, nullptr);
    EXPECT_EQ(power->GenericValue(), 120000) << "PowerClearance's 12mil";
    EXPECT_EQ(build(matrices, pcbapi::kClass, "I2C", 3, 4), nullptr);
  }
  // The board-wide clearance after a rule for SCL's vias.
  ASSERT_NO_FATAL_FAILURE(OpenBoardWithViaClearance("InNet('SCL')"));
  router::TOvixRules collection(sdk::PcbApi_GetCurrentBoardHandle());
  collection.Collect();
  router::TObjectClearanceMatrices matrices(collection, gaps, sdk::PcbApi_GetCurrentBoardHandle());
  EXPECT_EQ(build(matrices, pcbapi::kNet, "SDA", 7, 26), nullptr);
  const int asked = matrices.probe_count();
  EXPECT_GT(asked, 0);
  EXPECT_EQ(build(matrices, pcbapi::kNet, "USB_P", 7, 26), nullptr);
  EXPECT_EQ(matrices.probe_count(), asked) << "the unnamed nets' cells are known: none";
  const auto scl = build(matrices, pcbapi::kNet, "SCL", 7, 26);
  ASSERT_NE(scl, nullptr);
  EXPECT_EQ(scl->Entry(router::TSpecctraObjectId::Via, router::TSpecctraObjectId::Pin).value,
            150000);
  EXPECT_FALSE(scl->HasEntry(router::TSpecctraObjectId::Pin, router::TSpecctraObjectId::Pin));
  EXPECT_EQ(scl->GenericValue(), -1) << "SCL has no general clearance of its own";
}

// A clearance rule of net N against the objects of `scope2` ("": all).
std::string NetClearance(int priority, const std::string& scope2, const std::string& gap) {
  const std::string number = std::to_string(priority);
  return R"x({"kind": "Clearance", "name": "Gap)x" + number + R"x(", "priority": )x" + number +
         R"x(, "scope1": "InNet('N')", )x" +
         (scope2.empty() ? "" : R"x("scope2": ")x" + scope2 + R"x(", )x") + R"x("gap": ")x" + gap +
         R"x("})x";
}

// A board of the nets N and M with the rules given, opened in the editor.
void OpenNetsBoard(const std::vector<std::string>& rules) {
  std::string board = R"({"format": "quorvel-board", "version": 1,)"
                      R"( "nets": [{"name": "N"}, {"name": "M"}], "rules": [)";
  for (const std::string& rule : rules) board += (board.back() == '[' ? "" : ",") + rule;
  EXPECT_EQ(rulestest::OpenBoardText(board + "]}"), "");
}

// The clearance matrices of the board open in the editor, over its rules as collected.
struct CurrentBoardMatrices {
  CurrentBoardMatrices() { collection.Collect(); }
  router::TOvixRules collection{sdk::PcbApi_GetCurrentBoardHandle()};
  const router::THostRuleConstraintQuery gaps;
  router::TObjectClearanceMatrices matrices{collection, gaps, sdk::PcbApi_GetCurrentBoardHandle()};
};

std::vector<std::string> StatementsOf(const std::unique_ptr<router::TClearanceMatrix>& matrix) {
  return matrix ? matrix->Statements() : std::vector<std::string>{"no matrix"};
}

// The statements of net N's clearance matrix on all layers, with the rules given.
std::vector<std::string> NetMatrixStatements(const std::vector<std::string>& rules) {
  OpenNetsBoard(rules);
  CurrentBoardMatrices current;
  router::TObjectClearanceMatrices& matrices = current.matrices;
  return StatementsOf(matrices.Build(rulestest::Named(pcbapi::kNet, "N"), 74, 7, 26));
}

// All layers, then the top, a mid and the bottom layer.
constexpr int kAskedLayers[] = {74, 1, 2, 32};

// The statements of net N's matrix on each of kAskedLayers, with the rules given. The matrices of
// N and then M are asked for layer after layer, as the writer asks for them, and each must be what
// a set of matrices asked about that layer alone finds. `later_probes` counts the probes made for
// the layers after the first.
std::vector<std::vector<std::string>> LayerByLayerStatements(const std::vector<std::string>& rules,
                                                             int& later_probes) {
  OpenNetsBoard(rules);
  const sdk::Handle board = sdk::PcbApi_GetCurrentBoardHandle();
  router::TOvixRules collection(board);
  collection.Collect();
  const router::THostRuleConstraintQuery gaps;
  router::TObjectClearanceMatrices in_turn(collection, gaps, board);
  std::vector<std::vector<std::string>> statements;
  later_probes = 0;
  for (const std::string net : {"N", "M"}) {
    const sdk::Handle handle = rulestest::Named(pcbapi::kNet, net);
    for (const int layer : kAskedLayers) {
      const int probes = in_turn.probe_count();
      const std::vector<std::string> found = StatementsOf(in_turn.Build(handle, layer, 7, 26));
      if (layer != kAskedLayers[0]) later_probes += in_turn.probe_count() - probes;
      router::TObjectClearanceMatrices alone(collection, gaps, board);
      EXPECT_EQ(found, StatementsOf(alone.Build(handle, layer, 7, 26)))
          << net << " on layer " << layer;
      if (net == "N") statements.push_back(found);
    }
  }
  return statements;
}

// A clearance rule whose scope tests a layer gives N a clearance of its own on the top layer
// alone; without one, N's via cells hold on every layer, and the layers after the first are
// found without probing them.
TEST(ObjectClearanceMatrices, LayersDifferOnlyByRulesThatTestLayers) {
  const std::string board_gap =
      R"({"kind": "Clearance", "name": "Board", "priority": 9, "scope1": "All", "scope2": "All",)"
      R"( "gap": "10mil"})";
  int later_probes = 0;
  const auto on_top = LayerByLayerStatements(
      {R"({"kind": "Clearance", "name": "Top", "priority": 1,)"
       R"( "scope1": "InNet('N') And OnTopLayer", "scope2": "All", "gap": "15mil"})",
       board_gap},
      later_probes);
  ASSERT_EQ(on_top.size(), std::size(kAskedLayers));
  EXPECT_EQ(on_top[1], std::vector<std::string>{"(clearance 15.000)"});
  EXPECT_NE(on_top[3], on_top[1]) << "the bottom layer";

  const std::vector<std::string> via_cells = {
      "(clearance 15.000 (type pin_via smd_via via_via via_wire via_area via_testpoint))"};
  const auto on_all =
      LayerByLayerStatements({NetClearance(1, "IsVia", "15mil"), board_gap}, later_probes);
  for (const std::vector<std::string>& statements : on_all) EXPECT_EQ(statements, via_cells);
  EXPECT_EQ(later_probes, 0);
}

// A cell takes the rule of highest precedence with a gap that holds its pair in either order. A
// gap of -1 is none: the cell is left to the rule holding the pair the other way round. A gap
// equal to the general clearance adds no cell of its own, yet keeps the cell from rules of lower
// precedence met later the other way round.
TEST(ObjectClearanceMatrices, CellsKeepOnlyGapsThatSayMore) {
  EXPECT_EQ(
      NetMatrixStatements({NetClearance(1, "IsTrack", "-1"), NetClearance(2, "IsVia", "15mil"),
                           NetClearance(3, "IsPolyRegion", "10mil"), NetClearance(4, "", "10mil")}),
      (std::vector<std::string>{"(clearance 10.000)",
                                "(clearance 15.000 (type pin_via smd_via via_via via_wire "
                                "via_area via_testpoint))"}));
  // A pin of N against a via is the via rule's; a via of N against a pin the pad rule's.
  EXPECT_EQ(NetMatrixStatements({NetClearance(1, "IsVia", "10mil"),
                                 NetClearance(2, "IsPad", "15mil"), NetClearance(3, "", "10mil")}),
            (std::vector<std::string>{
                "(clearance 10.000)",
                "(clearance 15.000 (type pin_pin pin_smd pin_wire pin_area pin_testpoint smd_smd "
                "smd_wire smd_area smd_testpoint wire_testpoint area_testpoint "
                "testpoint_testpoint))",
                "(clearance 10.000 (type via_testpoint))"}));
}

// Nets no rule names get the cells found for the first of them, the second one too; a net class
// is probed with its first member that is a net of the board, whatever names come before it.
TEST(ObjectClearanceMatrices, UnnamedNetsAndNetClassesGetTheCellsTheirRulesFill) {
  ASSERT_EQ(rulestest::OpenBoardText(R"x({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "M"}, {"name": "N"}, {"name": "P"}],
  "classes": [{"name": "C", "memberKind": "nets", "members": ["N", "A_gone"]}],
  "rules": [
    {"kind": "Clearance", "name": "PadVia", "priority": 1, "scope1": "IsPad", "scope2": "IsVia",
     "gap": "15mil"},
    {"kind": "Clearance", "name": "ClassVia", "priority": 2, "scope1": "InNetClass('C')",
     "scope2": "IsVia", "gap": "20mil"},
    {"kind": "Clearance", "name": "Board", "priority": 3, "scope1": "All", "scope2": "All",
     "gap": "10mil"}]})x"),
            "");
  CurrentBoardMatrices current;
  router::TObjectClearanceMatrices& matrices = current.matrices;
  const auto statements = [&](uint8_t kind, const char* name, int scope, int on_layer_scope) {
    return StatementsOf(matrices.Build(rulestest::Named(kind, name), 74, scope, on_layer_scope));
  };
  // The board's own clearance is no net's: a net's matrix holds the cells alone.
  const std::vector<std::string> pad_via = {
      "(clearance 15.000 (type pin_via smd_via via_testpoint))"};
  EXPECT_EQ(statements(pcbapi::kNet, "M", 7, 26), pad_via);
  EXPECT_EQ(statements(pcbapi::kNet, "P", 7, 26), pad_via);
  // The class's own rule, through N.
  EXPECT_EQ(
      statements(pcbapi::kClass, "C", 3, 4),
      std::vector<std::string>{"(clearance 20.000 (type pin_via smd_via via_via via_wire via_area "
                               "via_testpoint))"});
}

// Rules that name only nets, classes and the board hold every probe of a net alike: a pad in the
// net and one on the board answer for every type, and their rule fills every cell.
TEST(ObjectClearanceMatrices, OnePairOfProbesAnswersWhenNoScopeTellsObjectsApart) {
  ASSERT_EQ(rulestest::OpenBoardText(R"x({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "N"}],
  "classes": [{"name": "C", "memberKind": "nets", "members": ["N"]},
              {"name": "D", "memberKind": "nets", "members": ["N"]}],
  "rules": [
    {"kind": "Clearance", "name": "DGap", "priority": 1, "scope1": "InNetClass('D')",
     "scope2": "All", "gap": "15mil"},
    {"kind": "Clearance", "name": "CGap", "priority": 2, "scope1": "InNetClass('C')",
     "scope2": "All", "gap": "12mil"},
    {"kind": "Clearance", "name": "Board", "priority": 3, "scope1": "All", "scope2": "All",
     "gap": "10mil"}]})x"),
            "");
  CurrentBoardMatrices current;
  router::TObjectClearanceMatrices& matrices = current.matrices;
  // C's own clearance, and D's, of higher precedence, between C's net and anything.
  EXPECT_EQ(StatementsOf(matrices.Build(rulestest::Named(pcbapi::kClass, "C"), 74, 3, 4)),
            (std::vector<std::string>{
                "(clearance 12.000)",
                "(clearance 15.000 (type pin_pin pin_smd pin_via pin_wire pin_area pin_testpoint "
                "smd_smd smd_via smd_wire smd_area smd_testpoint via_via via_wire via_area "
                "via_testpoint wire_wire wire_area wire_testpoint area_area area_testpoint "
                "testpoint_testpoint))"}));
  EXPECT_EQ(matrices.probe_count(), 2);
}

// The stack is read once per board of the context: every object's rules walk it, and a context
// given another board must not answer with the first one's stack.
TEST(RuleBlockContext, StackLayersAreThoseOfTheContextsBoard) {
  ASSERT_EQ(rulestest::OpenBoard(quorveltest::ExampleBoardPath()), "");
  sdk::TPcbBoard board(sdk::PcbApi_GetCurrentBoardHandle());
  ASSERT_EQ(board.Sync(pcbapi::kRead), 0);
  router::TRuleBlockContext context;
  context.board = &board;
  // Top, MidLayer1, the two planes, MidLayer2, Bottom: the stack's order, not the layers'.
  const std::vector<int> stack{1, 2, 39, 40, 3, 32};
  EXPECT_EQ(context.StackLayers(), stack);

  const sdk::TPcbBoard unlinked(0);  // no layer links: no stack
  context.board = &unlinked;
  EXPECT_TRUE(context.StackLayers().empty());
  context.board = &board;
  EXPECT_EQ(context.StackLayers(), stack);
}

// Rule queries that find no rule, noting what they are asked.
struct RuleRecorder : router::DesignRuleQueries {
  mutable std::vector<sdk::Handle> asked, forgotten;
  sdk::Handle FindRuleForObject(sdk::Handle object, uint8_t, int, int) const override {
    asked.push_back(object);
    return 0;
  }
  std::optional<router::TLengthLimits> RuleLengths(sdk::Handle) const override { return {}; }
  void ForgetObject(sdk::Handle object) const override { forgotten.push_back(object); }
};

// A net's width probe is made and destroyed per net, and a host may give its handle to the next
// object: the rules are told to forget it, or the next net's probe would get this net's answer.
TEST(NetLayerWidths, TheRulesForgetEachProbeOnceItIsGone) {
  ASSERT_EQ(rulestest::OpenBoard(quorveltest::ExampleBoardPath()), "");
  sdk::TPcbBoard board(sdk::PcbApi_GetCurrentBoardHandle());
  ASSERT_EQ(board.Sync(pcbapi::kRead), 0);
  RuleRecorder rules;
  router::TWidthTable table("widths");
  for (const char* name : {"SDA", "SCL"}) {
    const sdk::Handle net = rulestest::Named(pcbapi::kNet, name);
    rules.asked.clear();
    rules.forgotten.clear();
    router::GetNetLayerWidths(rules, board, net, table);
    // The net itself first, then its probe on each stacked signal layer.
    ASSERT_GT(rules.asked.size(), 1u) << name;
    EXPECT_EQ(rules.asked.front(), net);
    const sdk::Handle probe = rules.asked[1];
    EXPECT_NE(probe, net);
    EXPECT_EQ(rules.forgotten, std::vector<sdk::Handle>{probe}) << name;
    EXPECT_EQ(sdk::PcbApi_GetObjectIdFromObjectHandle(probe), 0) << "the probe left the board";
  }
}

// Layers share a layer rule only when their clearances agree both ways: a matrix with a type
// more than another's is no match for it, whichever of them comes first in the stack.
TEST(ApplicableRules, LayersShareALayerRuleOnlyWithEqualClearances) {
  ASSERT_EQ(rulestest::OpenBoard(quorveltest::ExampleBoardPath()), "");
  sdk::TPcbBoard board(sdk::PcbApi_GetCurrentBoardHandle());
  ASSERT_EQ(board.Sync(pcbapi::kRead), 0);
  const RuleRecorder rules;
  const router::THostRuleConstraintQuery gaps;
  router::TRuleBlockContext context;
  context.board = &board;
  context.rules = &rules;
  // 8 mil everywhere; the outer layers add 15 mil between pins and vias, MidLayer2 (after them
  // in the stack) 10 mil between smd pads as well.
  context.clearance_matrix = [&](sdk::Handle, int layer, int, int) {
    using router::TSpecctraObjectId;
    auto matrix = std::make_unique<router::TClearanceMatrix>("SDA", gaps);
    matrix->Entry(router::kGenericValueKey).value = 80000;
    if (layer == 1 || layer == 3 || layer == 32) {
      matrix->Entry(TSpecctraObjectId::Pin, TSpecctraObjectId::Via).value = 150000;
    }
    if (layer == 3) matrix->Entry(TSpecctraObjectId::Smd, TSpecctraObjectId::Smd).value = 100000;
    return matrix;
  };
  const router::TApplicableRules applicable(context, rulestest::Named(pcbapi::kNet, "SDA"),
                                            router::kNetScopeKind, 26);
  std::string text;
  router::DesignFileOutput out(text);
  applicable.WriteLayerRules(out);
  EXPECT_EQ(text, "(layer_rule TopLayer BottomLayer (rule (clearance 8.000)\r\n" +
                      std::string(4 * 11, ' ') + "(clearance 15.000 (type pin_via)))\r\n)\r\n" +
                      "(layer_rule MidLayer2 (rule (clearance 8.000)\r\n" +
                      std::string(4 * 8, ' ') + "(clearance 15.000 (type pin_via))\r\n" +
                      std::string(4 * 8, ' ') + "(clearance 10.000 (type smd_smd)))\r\n)\r\n");
}

}  // namespace
