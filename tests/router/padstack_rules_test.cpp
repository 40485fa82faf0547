// The via list of a rule over the stand-in editor: kept per rule, yet never older than the list.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "router/padstack.h"
#include "router/rules_session.h"
#include "router/via_styles.h"
#include "sdk/quorvel_session.h"
#include "support/test_paths.h"

namespace {

using router::TPadStackKind;
using router::TPadStackShape;

constexpr int32_t Mil(int mils) { return mils * 10000; }

TEST(PadStackList, UseViaListFollowsChangesAfterItWasAsked) {
  ASSERT_EQ(rulestest::OpenBoard(quorveltest::ExampleBoardPath()), "");
  const sdk::Handle rule = rulestest::Named(pcbapi::kRule, "RoutingVias");
  const sdk::Handle net = rulestest::Named(pcbapi::kNet, "SDA");
  ASSERT_NE(rule, sdk::Handle{0});
  ASSERT_NE(net, sdk::Handle{0});
  router::TPadStackList list(sdk::PcbApi_GetCurrentBoardHandle());
  EXPECT_EQ(list.UseViaList(net), "");
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(24), Mil(12), 1, 32),
                         "RoutingVias", rule);
  EXPECT_EQ(list.UseViaList(net), "Via0_TB_RoutingVias ");

  // Only vias count: not a test-point via or a pad of the rule, nor a via of another rule.
  list.FindOrAddPadStack(
      TPadStackShape::RoundVia(TPadStackKind::TestPointVia, Mil(30), Mil(12), 1, 32), "RoutingVias",
      rule);
  TPadStackShape pad = TPadStackShape::RoundVia(TPadStackKind::Pad, Mil(50), Mil(25), 74, 0);
  list.FindOrAddPadStack(pad, "RoutingVias", rule);
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(40), Mil(20), 1, 32),
                         "Other", rule + 1);
  // Rule names compare without regard to case.
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(28), Mil(14), 1, 32),
                         "routingvias", rule);
  EXPECT_EQ(list.UseViaList(net), "Via0_TB_RoutingVias Via4_TB_routingvias ");
  // A rule joining an existing via changes its name in the list too.
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(24), Mil(12), 1, 32),
                         "Another", rule + 2);
  EXPECT_EQ(list.UseViaList(net), "Via0_TB_AnotherRoutingVias Via4_TB_routingvias ");
  EXPECT_EQ(list.UseViaList(0), "");
}

// Collecting stores each via's and pad's padstack number in its AuxWord, where the wiring and the
// library look for it: every one names a padstack with its own hole.
TEST(PadStackList, CollectingStoresEachObjectsNumber) {
  ASSERT_EQ(rulestest::OpenBoard(quorveltest::ExampleBoardPath()), "");
  sdk::TPcbBoard board(sdk::PcbApi_GetCurrentBoardHandle());
  ASSERT_EQ(board.Sync(pcbapi::kRead), 0);
  router::TPadStackList list(board.GetHandle());
  list.CollectPadStacks(board, Mil(30), Mil(15), nullptr, {});
  std::vector<std::string> wrong;
  for (const uint8_t kind : {uint8_t{pcbapi::kVia}, uint8_t{pcbapi::kPad}}) {
    for (const sdk::Handle object : rulestest::Objects(kind)) {
      sdk::ReadPcbObject(object, [&](const sdk::TPCBObject& read) {
        const int number = read.GetAuxWord();
        if (number >= list.Count() || list.Item(number).shape.hole != read.GetHoleSize()) {
          wrong.push_back(std::to_string(kind) + ":" + std::to_string(object));
        }
      });
    }
  }
  EXPECT_EQ(wrong, std::vector<std::string>{});
}

// A board opened in the stand-in editor, every drill pair with a via style (none stored).
class ViaStyleBoard : public testing::Test {
 protected:
  void Open(const std::string& board_text) {
    testsupport::WriteFile(dir_.Path("board.json"), board_text);
    ASSERT_EQ(rulestest::OpenBoard(dir_.Path("board.json")), "");
    board_.emplace(sdk::PcbApi_GetCurrentBoardHandle());
    ASSERT_EQ(board_->Sync(pcbapi::kRead), 0);
    via_styles_.emplace(board_->GetHandle());
    router::LoadViaStyles(*via_styles_, dir_.Path("stored.ini"));
  }

  testsupport::TempDir dir_;
  std::optional<sdk::TPcbBoard> board_;
  std::optional<router::TViaStyleAssociationList> via_styles_;
};

// Every net and from-to finds the vias of its dominant via-style rule among the padstacks,
// whether the rule names the net, its class or the from-to, or holds every object; a disabled
// rule dominates nothing, yet its vias are padstacks too.
TEST_F(ViaStyleBoard, EveryNetAndFromToFindsTheViasOfItsRule) {
  ASSERT_NO_FATAL_FAILURE(Open(R"x({"format": "quorvel-board", "version": 1,
  "layerPairs": [{"first": "TopLayer", "second": "BottomLayer"}],
  "nets": [{"name": "A"}, {"name": "B"}, {"name": "C"}, {"name": "D"}],
  "classes": [{"name": "Fast", "memberKind": "nets", "members": ["B"]}],
  "fromTos": [{"net": "C", "from": "U1-1", "to": "U2-1"}],
  "rules": [
    {"kind": "RoutingVias", "name": "Board", "priority": 5, "viaSize": "20mil", "holeSize": "10mil"},
    {"kind": "RoutingVias", "name": "NetA", "priority": 1, "scope1": "InNet('A')",
     "viaSize": "22mil", "holeSize": "11mil"},
    {"kind": "RoutingVias", "name": "ClassFast", "priority": 2, "scope1": "InNetClass('Fast')",
     "viaSize": "24mil", "holeSize": "12mil"},
    {"kind": "RoutingVias", "name": "PathC", "priority": 3, "scope1": "InFromTo('C(U1-1:U2-1)')",
     "viaSize": "26mil", "holeSize": "13mil"},
    {"kind": "RoutingVias", "name": "Off", "enabled": 0, "priority": 0, "scope1": "InNet('D')",
     "viaSize": "28mil", "holeSize": "14mil"}]
})x"));
  router::TPadStackList list(board_->GetHandle());
  list.CollectPadStacks(*board_, Mil(30), Mil(15), &*via_styles_, {});
  std::vector<std::string> names;
  for (int number = 0; number < list.Count(); ++number) names.push_back(list.PadStackName(number));
  EXPECT_EQ(names, (std::vector<std::string>{"Via0_TB_Board", "Via1_TB_NetA", "Via2_TB_ClassFast",
                                             "Via3_TB_PathC", "Via4_TB_Off"}));
  const auto net = [](const char* name) { return rulestest::Named(pcbapi::kNet, name); };
  EXPECT_EQ(list.UseViaList(net("A")), "Via1_TB_NetA ");
  EXPECT_EQ(list.UseViaList(net("B")), "Via2_TB_ClassFast ");
  EXPECT_EQ(list.UseViaList(net("C")), "Via0_TB_Board ");
  EXPECT_EQ(list.UseViaList(net("D")), "Via0_TB_Board ");
  EXPECT_EQ(list.UseViaList(rulestest::Objects(pcbapi::kFromTo).at(0)), "Via3_TB_PathC ");
}

// A side that takes test points grows the vias of the drill pairs reaching it, on that side
// alone; a pair that ends short of the side has no test-point via.
TEST_F(ViaStyleBoard, TestPointViasGrowOnTheSidesTheirPairsReach) {
  ASSERT_NO_FATAL_FAILURE(Open(R"x({"format": "quorvel-board", "version": 1,
  "layerPairs": [{"first": "TopLayer", "second": "BottomLayer"},
                 {"first": "TopLayer", "second": "MidLayer1"},
                 {"first": "MidLayer1", "second": "BottomLayer"}],
  "rules": [
    {"kind": "RoutingVias", "name": "Board", "priority": 1, "viaSize": "20mil", "holeSize": "10mil"}]
})x"));
  // The test-point vias as "low-high top-size bottom-size" in mils.
  auto test_point_vias = [&](bool top, bool bottom) {
    router::TPadStackList list(board_->GetHandle());
    list.CollectPadStacks(*board_, Mil(30), Mil(15), &*via_styles_, {Mil(10), top, bottom});
    std::vector<std::string> vias;
    for (int number = 0; number < list.Count(); ++number) {
      const TPadStackShape& shape = list.Item(number).shape;
      if (shape.kind != TPadStackKind::TestPointVia) continue;
      vias.push_back(std::to_string(shape.low_layer) + "-" + std::to_string(shape.high_layer) +
                     " " + std::to_string(shape.top_x / Mil(1)) + " " +
                     std::to_string(shape.bot_x / Mil(1)));
    }
    return vias;
  };
  using Vias = std::vector<std::string>;
  EXPECT_EQ(test_point_vias(false, true), (Vias{"1-32 20 30", "2-32 20 30"}));
  EXPECT_EQ(test_point_vias(true, false), (Vias{"1-32 30 20", "1-2 30 20"}));
  EXPECT_EQ(test_point_vias(true, true), (Vias{"1-32 30 30", "1-2 30 20", "2-32 20 30"}));
  EXPECT_EQ(test_point_vias(false, false), Vias{});
}

}  // namespace
