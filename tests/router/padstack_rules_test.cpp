// The via list of a rule over the stand-in editor: kept per rule, yet never older than the list.
#include <gtest/gtest.h>

#include "router/padstack.h"
#include "router/rules_session.h"
#include "sdk/quorvel_session.h"

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

}  // namespace
