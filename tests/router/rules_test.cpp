// The design-rule collection over the stand-in editor: classification of a board's rules with
// their problem texts, the rule queries, and the host's own answers on the same board.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "framework/win/text.h"
#include "router/ovix_rules.h"
#include "rules_session.h"
#include "support/test_paths.h"

namespace {

using namespace router;
using rulestest::Interface;
using rulestest::Named;
using rulestest::Objects;
using rulestest::RuleName;

class RulesBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rulestest::OpenBoard(rulestest::RulesBoardPath()), "");
    board_ = sdk::PcbApi_GetCurrentBoardHandle();
    ASSERT_NE(board_, 0u);
    rules_ = std::make_unique<TOvixRules>(board_);
    rules_->Collect();
  }
  sdk::Handle board_ = 0;
  std::unique_ptr<TOvixRules> rules_;
};

std::string ScopeName(uint8_t scope) {
  return scope == kSpecctraScopeNotComputed
             ? "(none)"
             : std::string(SpecctraScopeToString(static_cast<TSpecctraScope>(scope)));
}

// What the set-up dialog shows of one kind, as text.
std::string Describe(TOvixRules& rules, int kind) {
  std::ostringstream out;
  TOvixRuleStorage* storage = rules.storage(kind);
  out << RuleKindName(kind) << "\n";
  if (!storage) return out.str() + "  no rules\n";
  out << "  compatible\n";
  rules.ForEachRule(
      RuleKindBit(kind),
      [&](IPCB_Rule*, TRuleProxy& proxy) {
        out << "    " << proxy.priority() << " " << proxy.name() << " scope "
            << ScopeName(proxy.SpecctraScope()) << "\n";
        return true;
      },
      true);
  out << "  incompatible\n";
  rules.ForEachRule(
      RuleKindBit(kind),
      [&](IPCB_Rule*, TRuleProxy& proxy) {
        out << "    " << proxy.priority() << " " << proxy.name() << " scope1 "
            << (proxy.FirstScope() ? "OK" : "Incompatible");
        if (proxy.Binary()) out << " scope2 " << (proxy.SecondScope() ? "OK" : "Incompatible");
        out << "\n";
        for (const std::string& problem : proxy.problems()) out << "      " << problem << "\n";
        return true;
      },
      false);
  out << "  precedence\n";
  for (const auto& [name, value] : *rules.PriorityProblems(kind)) {
    out << "    " << name << "=" << value << "\n";
  }
  out << "  board-level rule missing: " << (rules.BoardLevelRuleMissing(kind) ? "yes" : "no")
      << "\n";
  return out.str();
}

TEST_F(RulesBoard, ClassificationMatchesTheHandWrittenExpectation) {
  TOvixRules& rules = *rules_;
  std::string described;
  for (int kind : {kClearanceRule, kWidthRule, kLengthRule}) described += Describe(rules, kind);
  std::string expected =
      testsupport::ReadFile(testsupport::TestDataPath("router/testdata/rules-board.expected"));
  expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
  EXPECT_EQ(described, expected);
  EXPECT_TRUE(rules.HasIncompatibleRules(kClearanceRule));
  EXPECT_TRUE(rules.HasPriorityProblems(kWidthRule));
  // Kinds that are not analysed have no storage, whatever the board holds.
  EXPECT_EQ(rules.storage(8), nullptr);
  EXPECT_FALSE(rules.BoardLevelRuleMissing(8));
  EXPECT_FALSE(rules.HasIncompatibleRules(8));
}

TEST_F(RulesBoard, RuleIndexAndProxiesAreFoundByHandleAndInterface) {
  TOvixRules& rules = *rules_;
  const sdk::Handle handle = Named(pcbapi::kRule, "WidthTop");
  IPCB_Rule* rule = rules.RuleOfHandle(handle);
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->GetHandle(), handle);
  ASSERT_NE(rules.ProxyOf(rule), nullptr);
  EXPECT_EQ(rules.ProxyOf(rule)->DisplayText(), "Width: WidthTop");
  EXPECT_EQ(rules.RuleOfHandle(0), nullptr);
  EXPECT_EQ(rules.RuleOfHandle(Named(pcbapi::kNet, "GND")), nullptr) << "a net is no rule";
  // A rule of a kind that is not analysed is indexed but has no proxy.
  IPCB_Rule* room = rules.RuleOfHandle(Named(pcbapi::kRule, "Room A"));
  ASSERT_NE(room, nullptr);
  EXPECT_EQ(rules.ProxyOf(room), nullptr);
}

// Queries by the proxies' own matching, and by the host's inclusion tests.
TEST_F(RulesBoard, QueriesFindTheRuleOfTheObjects) {
  TOvixRules& rules = *rules_;
  const auto room = Interface(Named(pcbapi::kRule, "Room A"));
  const auto board = Interface(board_);
  const auto sig1 = Interface(Named(pcbapi::kNet, "SIG1"));
  const auto vcc = Interface(Named(pcbapi::kNet, "VCC"));
  const auto power = Interface(Named(pcbapi::kClass, "Power"));
  const auto name = [](const win::ComPtr<IPCB_Rule>& rule) {
    return rule ? win::Narrow(router::NameOf(rule.get())) : std::string("(none)");
  };
  constexpr uint8_t kRoom = static_cast<uint8_t>(TSpecctraScope::BoardRegion);
  EXPECT_EQ(name(rules.FindRuleForObject(kWidthRule, kRoom, kRoom, room.get(), 0)), "WidthRoom");
  EXPECT_EQ(
      name(rules.FindRuleForObjectPair(kClearanceRule, kRoom, kRoom, room.get(), board.get(), 0)),
      "RoomClearance");
  EXPECT_EQ(name(rules.FindRuleForObject(kWidthRule, 1, 7, sig1.get(), 0)), "WidthSig1");
  // All holds the board only, and a layer scope nothing without a layer.
  EXPECT_EQ(name(rules.FindRuleForObject(kWidthRule, 1, 7, vcc.get(), 0)), "(none)");
  EXPECT_EQ(name(rules.FindRuleForObject(kWidthRule, 1, 7, board.get(), 0)), "WidthAll");
  // A net on a layer: only with the layer of the scope.
  EXPECT_EQ(name(rules.FindRuleForObjectPair(kClearanceRule, 1, 25, sig1.get(), board.get(), 1)),
            "SigNetOnTop");
  EXPECT_EQ(name(rules.FindRuleForObjectPair(kClearanceRule, 1, 25, sig1.get(), board.get(), 0)),
            "(none)");
  // The disabled rule of higher precedence is passed over.
  EXPECT_EQ(name(rules.FindRuleForObjectPair(kClearanceRule, 1, 25, power.get(), board.get(), 0)),
            "PowerClass");

  const std::vector<sdk::Handle> tracks = Objects(pcbapi::kTrack);
  const std::vector<sdk::Handle> vias = Objects(pcbapi::kVia);
  const std::vector<sdk::Handle> pads = Objects(pcbapi::kPad);
  ASSERT_EQ(tracks.size(), 5u);
  EXPECT_EQ(RuleName(rules.FindRuleForObjectHandle(kWidthRule, 1, 2, tracks[0], false)),
            "WidthTop");
  EXPECT_EQ(RuleName(rules.FindRuleForObjectHandle(kWidthRule, 1, 2, tracks[1], false)),
            "WidthAll");
  EXPECT_EQ(RuleName(rules.FindRuleForObjectHandle(kWidthRule, 1, 26, tracks[0], false)),
            "WidthSig1");
  // A kind without a storage falls back to the host's dominant rule.
  const sdk::Handle sig2 = Named(pcbapi::kNet, "SIG2");
  EXPECT_EQ(RuleName(rules.FindRuleForObjectHandle(8, 1, 7, sig2, false)), "PrioritySig2");
  EXPECT_EQ(RuleName(rules.FindRuleForObjectHandles(kClearanceRule, 1, 26, vias[0], pads[1])),
            "PowerClass");
  const auto via = Interface(vias[1]);
  const auto pad = Interface(pads[3]);
  EXPECT_EQ(name(rules.FindRuleForPairByHostTest(kClearanceRule, 1, 26, via.get(), pad.get())),
            "ViaToPad");
  EXPECT_EQ(name(rules.FindRuleForPairByHostTest(kClearanceRule, 1, 25, via.get(), pad.get())),
            "ClearanceAll")
      << "ViaToPad's scopes do not combine: its router scope lies above 25";
  EXPECT_EQ(name(rules.FindRuleByHostTest(8, 1, 7, Interface(sig2).get(), false)), "PrioritySig2");
}

// The host's dominant rules, worked out by hand from the board file: priorities, enabled flags,
// and the editor's scope semantics (binary rules hold a pair in either order, a single object
// when either scope holds it).
struct DominantCase {
  const char* what;
  uint8_t kind;
  uint8_t first_kind;
  int first;  // index among the objects of first_kind, -1 for the board
  uint8_t second_kind;
  int second;  // -2 for a single-object question
  const char* rule;
};
constexpr int kBoardObject = -1;
constexpr int kSingle = -2;
constexpr uint8_t kTrack = pcbapi::kTrack, kPad = pcbapi::kPad, kVia = pcbapi::kVia,
                  kNet = pcbapi::kNet, kRule = pcbapi::kRule, kFromTo = pcbapi::kFromTo;
constexpr DominantCase kDominantCases[] = {
    {"SIG1 track in the room, CLK track", 0, kTrack, 0, kTrack, 1, "RoomClearance"},
    {"SIG1 track against SIG2 test point", 0, kTrack, 0, kPad, 2, "NetToNet"},
    {"GND pad: the disabled GND rule is passed over", 0, kPad, 1, kTrack, 2, "PowerClass"},
    {"order of the pair does not matter", 0, kTrack, 2, kPad, 1, "PowerClass"},
    {"CLK on the bottom against CLK on the mid layer", 0, kTrack, 4, kTrack, 1, "ClearanceAll"},
    {"CLK via against a net-less pad", 0, kVia, 1, kPad, 3, "ViaToPad"},
    {"the room against the board", 0, kRule, 0, 0, kBoardObject, "RoomClearance"},
    {"test point against the board", 0, kPad, 2, 0, kBoardObject, "ClearanceAll"},
    {"one SIG2 object: a scope All holds it", 0, kNet, 3, 0, kSingle, "PowerClass"},
    {"SIG1 track", 2, kTrack, 0, 0, kSingle, "WidthSig1"},
    {"CLK track on the mid layer", 2, kTrack, 1, 0, kSingle, "WidthAll"},
    {"VCC via in the room", 2, kVia, 0, 0, kSingle, "WidthRoom"},
    {"SIG2 test point on the top layer", 2, kPad, 2, 0, kSingle, "WidthTop"},
    {"the net SIG1 itself", 2, kNet, 2, 0, kSingle, "WidthSig1"},
    {"the board itself", 2, 0, kBoardObject, 0, kSingle, "WidthAll"},
    {"the net SIG2 in class Signals", 3, kNet, 3, 0, kSingle, "LengthSignals"},
    {"the from-to by its name", 3, kFromTo, 0, 0, kSingle, "LengthFromTo"},
    {"routing priority of SIG2", 8, kNet, 3, 0, kSingle, "PrioritySig2"},
    {"routing priority of SIG1", 8, kNet, 2, 0, kSingle, "(none)"},
};

TEST_F(RulesBoard, HostDominantRulesMatchTheHandWrittenTable) {
  const auto handle = [&](uint8_t kind, int index) -> sdk::Handle {
    if (index == kBoardObject) return board_;
    if (kind == kRule) return Named(kRule, "Room A");
    return Objects(kind).at(static_cast<size_t>(index));
  };
  for (const DominantCase& c : kDominantCases) {
    SCOPED_TRACE(c.what);
    const sdk::Handle first = handle(c.first_kind, c.first);
    const sdk::Handle found = c.second == kSingle
                                  ? sdk::PcbApi_FindDominantRuleForObject(first, c.kind)
                                  : sdk::PcbApi_FindDominantRuleForObjectPair(
                                        first, handle(c.second_kind, c.second), c.kind);
    EXPECT_EQ(RuleName(found), c.rule);
    // The board interface answers the same.
    const auto board = win::ComPtr<IPCB_Board>::Adopt(Interface(board_)->GetBoard());
    ASSERT_TRUE(board);
    const auto object = Interface(first);
    const auto rule = win::ComPtr<IPCB_Rule>::Adopt(
        c.second == kSingle
            ? board->FindDominantRuleForObject(object.get(), c.kind)
            : board->FindDominantRuleForObjectPair(
                  object.get(), Interface(handle(c.second_kind, c.second)).get(), c.kind));
    EXPECT_EQ(rule ? rule->GetHandle() : 0u, found);
  }
}

TEST_F(RulesBoard, ScopeInclusionExportsEvaluateEachScope) {
  const sdk::Handle net_to_net = Named(kRule, "NetToNet");
  const std::vector<sdk::Handle> tracks = Objects(kTrack);
  EXPECT_TRUE(sdk::PcbApi_Scope1_Includes(net_to_net, tracks[0]));
  EXPECT_FALSE(sdk::PcbApi_Scope2_Includes(net_to_net, tracks[0]));
  EXPECT_TRUE(sdk::PcbApi_Scope2_Includes(net_to_net, tracks[3]));
  // A scope the editor cannot read holds nothing; unknown handles are held by no scope.
  EXPECT_FALSE(sdk::PcbApi_Scope1_Includes(Named(kRule, "Unparsable"), tracks[0]));
  EXPECT_FALSE(sdk::PcbApi_Scope1_Includes(Named(kRule, "ClearanceAll"), 999999));
  EXPECT_TRUE(sdk::PcbApi_Scope1_Includes(Named(kRule, "ClearanceAll"), board_));
}

// A board without rules has no storages and asks the host; an unknown board handle is refused.
TEST(RulesCollection, ABoardWithoutRulesHasNoStoragesAndAnUnknownOneIsRefused) {
  ASSERT_EQ(rulestest::OpenBoardText(
                R"({"format": "quorvel-board", "version": 1, "nets": [{"name": "A"}]})"),
            "");
  TOvixRules rules(sdk::PcbApi_GetCurrentBoardHandle());
  rules.Collect();
  for (int kind : {kClearanceRule, kWidthRule, kLengthRule}) {
    EXPECT_EQ(rules.storage(kind), nullptr);
    EXPECT_FALSE(rules.BoardLevelRuleMissing(kind));
  }
  EXPECT_EQ(rules.FindRuleForObjectHandle(kWidthRule, 1, 7, Objects(kNet).at(0), false), 0u);
  try {
    TOvixRules unknown(12345u);
    ADD_FAILURE() << "no error";
  } catch (const sdk::Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot find board interface from Board Handle");
  }
}

// Rule lists hold any number of rules, in (priority, handle) order; rules that share a
// priority are reported rather than ending the export.
TEST(RulesCollection, ManyRulesOfOneKindAndSharedPriorities) {
  constexpr int kRules = 250;
  std::string board = R"({"format": "quorvel-board", "version": 1, "nets": [)";
  for (int i = 0; i < kRules; ++i) {
    board += (i ? "," : "") + std::string(R"({"name": "N)") + std::to_string(i) + "\"}";
  }
  board += R"(], "rules": [)";
  for (int i = 0; i < kRules; ++i) {
    // Priorities from high numbers to low, two rules on priority 7.
    const int priority = i == kRules - 1 ? 7 : kRules - i;
    board += (i ? "," : "") + std::string(R"({"kind": "Width", "name": "W)") + std::to_string(i) +
             R"(", "priority": )" + std::to_string(priority) + R"x(, "scope1": "InNet('N)x" +
             std::to_string(i) + R"x(')"})x";
  }
  board += "]}";
  ASSERT_EQ(rulestest::OpenBoardText(board), "");
  TOvixRules rules(sdk::PcbApi_GetCurrentBoardHandle());
  rules.Collect();
  TOvixRuleStorage* widths = rules.storage(kWidthRule);
  ASSERT_NE(widths, nullptr);
  EXPECT_EQ(widths->CompatibleCount(), kRules - 1);
  ASSERT_EQ(widths->IncompatibleCount(), 1);
  int previous = 0;
  for (int i = 0; i < widths->CompatibleCount(); ++i) {
    EXPECT_GT(widths->CompatibleItem(i).priority(), previous);
    previous = widths->CompatibleItem(i).priority();
  }
  EXPECT_FALSE(rules.HasPriorityProblems(kWidthRule)) << "rules of one scope kind take any order";
  // W243 has priority 7 and the lower handle: it stays; the last rule is reported.
  rules.ForEachRule(
      RuleKindBit(kWidthRule),
      [&](IPCB_Rule*, TRuleProxy& proxy) {
        EXPECT_EQ(proxy.name(), "W249");
        EXPECT_EQ(proxy.problems(),
                  std::vector<std::string>{"Same priority (7) as Width: W243: which of them takes "
                                           "precedence is undefined"});
        return true;
      },
      false);
  const sdk::Handle n100 = Objects(kNet).at(100);
  EXPECT_EQ(RuleName(rules.FindRuleForObjectHandle(kWidthRule, 1, 26, n100, false)), "W100");
}

// A rule before rules of a higher scope kind is reported against the last of them.
TEST(RulesCollection, APriorityProblemNamesTheLastLaterRuleOfAHigherKind) {
  ASSERT_EQ(rulestest::OpenBoardText(R"x({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "A"}, {"name": "B"}],
  "rules": [
    {"kind": "Width", "name": "WAll", "priority": 1, "scope1": "All"},
    {"kind": "Width", "name": "WA", "priority": 2, "scope1": "InNet('A')"},
    {"kind": "Width", "name": "WB", "priority": 3, "scope1": "InNet('B')"}]})x"),
            "");
  TOvixRules rules(sdk::PcbApi_GetCurrentBoardHandle());
  rules.Collect();
  ASSERT_NE(rules.PriorityProblems(kWidthRule), nullptr);
  EXPECT_EQ(*rules.PriorityProblems(kWidthRule),
            (std::vector<std::pair<std::string, std::string>>{{"WB", "WAll"}}));
}

// Without the collection's net index a scope finds a net by its exact name, and a class of nets
// in any case, passing over a class of something else of the same name; the first match wins.
TEST(RuleScopeNames, FindTheirObjectsOnTheBoard) {
  ASSERT_EQ(rulestest::OpenBoardText(R"({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "GND"}, {"name": "gnd"}],
  "classes": [{"name": "Power", "memberKind": "components", "members": []},
              {"name": "POWER", "memberKind": "nets", "members": ["GND"]},
              {"name": "power", "memberKind": "nets", "members": []}]})"),
            "");
  const auto board = Interface(sdk::PcbApi_GetCurrentBoardHandle()).As<IPCB_Board>(IID_IPCB_Board);
  ASSERT_TRUE(board);
  const std::vector<sdk::Handle> nets = Objects(pcbapi::kNet);
  const std::vector<sdk::Handle> classes = Objects(pcbapi::kClass);
  ASSERT_EQ(nets.size(), 2u);
  ASSERT_EQ(classes.size(), 3u);
  struct Case {
    const char* scope;
    sdk::Handle object;  // 0: none
  };
  const Case cases[] = {{"InNet('GND')", nets[0]},
                        {"InNet('gnd')", nets[1]},
                        {"InNet('Gnd')", 0},
                        {"InNetClass('power')", classes[1]}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scope);
    TRuleExpressionScopeHelper helper;
    helper.SetTree(TRuleExpressionParser().ParseScope(c.scope));
    helper.CollectObjects(board.get());
    ASSERT_EQ(helper.objects().size(), c.object ? 1u : 0u);
    if (c.object) {
      EXPECT_EQ(helper.objects()[0]->GetHandle(), c.object);
    }
  }
}

}  // namespace
