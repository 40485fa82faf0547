// Rule lookups on a board with rules for single nets: the answers the short cuts give (rules of
// other nets passed over without asking the editor, nets named by scopes found in one index,
// kinds the board lacks answered at once) must be the editor's own answers.
#include <gtest/gtest.h>

#include "router/ovix_rules.h"
#include "router/rule_scope_helper.h"
#include "router/writer_rule_queries.h"
#include "rules_session.h"
#include "support/test_paths.h"

namespace {

using namespace router;
using rulestest::Named;
using rulestest::Objects;
using rulestest::RuleName;

constexpr uint8_t kStubLengthKind = 5;
constexpr uint8_t kRoutingPriorityKind = 8;

// Nets "A" and "a" differ only in case; "C" has a rule only through an Or.
constexpr const char* kBoard = R"x({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "A"}, {"name": "a"}, {"name": "B"}, {"name": "C"}],
  "tracks": [
    {"layer": "TopLayer", "net": "A", "x": 0, "y": 0, "x2": 100000, "y2": 0, "width": 80000},
    {"layer": "TopLayer", "net": "B", "x": 0, "y": 500000, "x2": 100000, "y2": 500000,
     "width": 80000},
    {"layer": "TopLayer", "net": "a", "x": 0, "y": 900000, "x2": 100000, "y2": 900000,
     "width": 80000}],
  "vias": [{"x": 2000000, "y": 2000000, "size": 240000, "hole": 120000}],
  "rules": [
    {"kind": "Width", "name": "WidthA", "priority": 1, "scope1": "InNet('A')"
},
    {"kind": "Width", "name": "WidthLowerA", "priority": 2, "scope1": "InNet('a')"},
    {"kind": "Width", "name": "WidthB", "priority": 3, "scope1": "InNet('B')"},
    {"kind": "Width", "name": "WidthMissing", "priority": 4, "scope1": "InNet('Missing')"},
    {"kind": "Width", "name": "WidthBOrC", "priority": 5, "scope1": "InNet('C') or InNet('B')"},
    {"kind": "Width", "name": "WidthAll", "priority": 6},
    {"kind": "Width", "name": "WidthPadded", "priority": 7, "scope1": "\u000b InNet('B')\u000b"},
    {"kind": "Clearance", "name": "ClearanceA", "priority": 1, "scope1": "InNet('A')",
     "gap": "12mil"},
    {"kind": "Clearance", "name": "ClearanceAll", "priority": 2, "gap": "8mil"},
    {"kind": "RoutingPriority", "name": "PriorityB", "priority": 1, "scope1": "InNet('B')",
     "routingPriority": 3}]
})x";

class SingleNetRules : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rulestest::OpenBoardText(kBoard), "");
    rules_ = std::make_unique<TOvixRules>(sdk::PcbApi_GetCurrentBoardHandle());
    rules_->Collect();
  }

  static sdk::Handle Net(const std::string& name) { return Named(pcbapi::kNet, name); }
  static sdk::Handle Track(size_t index) { return Objects(pcbapi::kTrack).at(index); }
  static sdk::Handle Via() { return Objects(pcbapi::kVia).at(0); }

  const TRuleProxy& Proxy(const std::string& name) const {
    const TRuleProxy* proxy = rules_->ProxyOf(rules_->RuleOfHandle(Named(pcbapi::kRule, name)));
    EXPECT_NE(proxy, nullptr) << name;
    return *proxy;
  }

  std::unique_ptr<TOvixRules> rules_;
};

// Only a plain InNet test (blanks and control characters around it aside) makes a single-net
// rule (its net folded to lower case); the scope's nets are found by their exact names.
TEST_F(SingleNetRules, OnlyAPlainInNetTestMakesASingleNetRule) {
  EXPECT_EQ(Proxy("WidthA").sole_net(), "a");
  EXPECT_EQ(Proxy("WidthLowerA").sole_net(), "a");
  EXPECT_EQ(Proxy("WidthB").sole_net(), "b");
  EXPECT_EQ(Proxy("WidthBOrC").sole_net(), "");
  EXPECT_EQ(Proxy("WidthAll").sole_net(), "");
  EXPECT_EQ(Proxy("WidthPadded").sole_net(), "b") << "control characters around a scope are blanks";
  const auto net_of = [&](const std::string& rule) -> sdk::Handle {
    const PrimitiveList& objects = Proxy(rule).first_helper()->objects();
    return objects.empty() ? 0 : objects.front()->GetHandle();
  };
  EXPECT_EQ(net_of("WidthA"), Net("A"));
  EXPECT_EQ(net_of("WidthLowerA"), Net("a"));
  EXPECT_EQ(net_of("WidthMissing"), 0u);
  EXPECT_EQ(Proxy("WidthBOrC").first_helper()->objects().size(), 2u);
}

// Single objects, checked against the editor's own answer, and pairs; kinds the collection
// leaves to the editor are asked only when the board has rules of them.
TEST_F(SingleNetRules, QueriesGiveTheEditorsAnswers) {
  const sdk::Handle board = sdk::PcbApi_GetCurrentBoardHandle();
  const struct {
    const char* what;
    int kind;
    sdk::Handle a, b;  // b: 0 for a single object
    const char* rule;
  } cases[] = {
      {"net A", kWidthRule, Net("A"), 0, "WidthA"},
      {"net a, named like A but for case", kWidthRule, Net("a"), 0, "WidthLowerA"},
      {"net B", kWidthRule, Net("B"), 0, "WidthB"},
      {"net C, through an Or", kWidthRule, Net("C"), 0, "WidthBOrC"},
      {"track of A", kWidthRule, Track(0), 0, "WidthA"},
      {"track of B", kWidthRule, Track(1), 0, "WidthB"},
      {"track of a", kWidthRule, Track(2), 0, "WidthLowerA"},
      {"via of no net", kWidthRule, Via(), 0, "WidthAll"},
      {"track of A, via", kClearanceRule, Track(0), Via(), "ClearanceA"},
      {"via, track of A", kClearanceRule, Via(), Track(0), "ClearanceA"},
      {"track of B, via", kClearanceRule, Track(1), Via(), "ClearanceAll"},
      {"track of a, track of A", kClearanceRule, Track(2), Track(0), "ClearanceA"},
      {"track of a, board", kClearanceRule, Track(2), board, "ClearanceAll"},
      {"track of A, board", kClearanceRule, Track(0), board, "ClearanceA"},
      {"no stub-length rule", kStubLengthKind, Net("A"), 0, "(none)"},
      {"no stub-length rule for a pair", kStubLengthKind, Track(0), Via(), "(none)"},
      {"routing priority of B", kRoutingPriorityKind, Net("B"), 0, "PriorityB"},
      {"no routing priority of A", kRoutingPriorityKind, Net("A"), 0, "(none)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.b) {
      EXPECT_EQ(RuleName(rules_->FindRuleForObjectHandles(c.kind, 1, 26, c.a, c.b)), c.rule);
      continue;
    }
    const sdk::Handle found = rules_->FindRuleForObjectHandle(c.kind, 1, 26, c.a, false);
    EXPECT_EQ(RuleName(found), c.rule);
    EXPECT_EQ(found, sdk::PcbApi_FindDominantRuleForObject(c.a, static_cast<uint8_t>(c.kind)));
  }
  // Before the collection every kind is the editor's to answer.
  const TOvixRules uncollected(board);
  EXPECT_EQ(RuleName(uncollected.FindRuleForObjectHandle(kWidthRule, 1, 26, Net("A"), false)),
            "WidthA");
}

// The writer keeps one answer per rule kind and scope range for the nets no rule names: B, named
// by no rule, gets the board's width and clearance rules, whichever kind is asked first.
TEST(UnnamedNetAnswers, AreKeptPerRuleKind) {
  ASSERT_EQ(rulestest::OpenBoardText(R"x({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "A"}, {"name": "B"}],
  "rules": [
    {"kind": "Width", "name": "WidthA", "priority": 1, "scope1": "InNet('A')"},
    {"kind": "Width", "name": "WidthAll", "priority": 2},
    {"kind": "Clearance", "name": "ClearanceAll", "priority": 1, "gap": "8mil"}]
})x"),
            "");
  TOvixRules rules(sdk::PcbApi_GetCurrentBoardHandle());
  rules.Collect();
  constexpr uint8_t kClearanceKind = 0, kWidthKind = 2;
  // A is told apart by the width rules only: its answer of one kind is no answer of the other.
  for (const bool clearance_first : {true, false}) {
    const TOvixRuleQueries queries(rules);
    std::string answers;
    for (const char* net : {"B", "A"}) {
      const auto ask = [&](uint8_t kind) {
        return RuleName(queries.FindRuleForObject(Named(pcbapi::kNet, net), kind, kPcbScopeKind,
                                                  kNetScopeKind));
      };
      std::string clearance, width;
      if (clearance_first) clearance = ask(kClearanceKind);
      width = ask(kWidthKind);
      if (!clearance_first) clearance = ask(kClearanceKind);
      answers += clearance + " " + width + "; ";
    }
    EXPECT_EQ(answers, "ClearanceAll WidthAll; ClearanceAll WidthA; ") << clearance_first;
  }
}

// Which nets the rules of a kind tell apart: those they name, the members of the net classes they
// name (in any letter case), and every net once a rule names a class of all nets or a from-to
// class. Nets told apart from no other, and objects of no net, may share one answer. And which
// nets a scope range of rules can hold at all.
TEST(NetsTheRulesName, AreThoseNamedDirectlyOrThroughTheirClass) {
  ASSERT_EQ(rulestest::OpenBoardText(R"x({"format": "quorvel-board", "version": 1,
  "nets": [{"name": "A"}, {"name": "B"}, {"name": "C"}, {"name": "D"}],
  "classes": [{"name": "Fast", "memberKind": "nets", "members": ["b"]},
              {"name": "fast", "memberKind": "nets", "members": ["D"]},
              {"name": "Every", "memberKind": "nets", "allMembers": true},
              {"name": "Paths", "memberKind": "fromTos", "members": []}],
  "rules": [
    {"kind": "Clearance", "name": "ClearanceA", "priority": 1, "scope1": "InNet('A')",
     "gap": "12mil"},
    {"kind": "Clearance", "name": "ClearanceFast", "priority": 2, "scope1": "InNetClass('FAST')",
     "scope2": "IsVia", "gap": "10mil"},
    {"kind": "Clearance", "name": "ClearanceTop", "priority": 3, "scope1": "OnLayer('TopLayer')",
     "gap": "9mil"},
    {"kind": "Clearance", "name": "ClearanceAll", "priority": 4, "gap": "8mil"},
    {"kind": "Width", "name": "WidthEvery", "priority": 1, "scope1": "InNetClass('Every')"},
    {"kind": "Width", "name": "WidthAll", "priority": 2},
    {"kind": "Length", "name": "LengthPaths", "priority": 1, "scope1": "InFromToClass('Paths')",
     "minLength": "1mil", "maxLength": "2mil"}]
})x"),
            "");
  TOvixRules rules(sdk::PcbApi_GetCurrentBoardHandle());
  rules.Collect();
  const auto net = [](const char* name) { return Named(pcbapi::kNet, name); };
  EXPECT_FALSE(rules.NetIndistinct(kClearanceRule, net("A")));
  EXPECT_FALSE(rules.NetIndistinct(kClearanceRule, net("B")));  // a member of "Fast"
  EXPECT_FALSE(rules.NetIndistinct(kClearanceRule, net("D")));  // of "fast"
  EXPECT_TRUE(rules.NetIndistinct(kClearanceRule, net("C")));
  EXPECT_TRUE(rules.NetIndistinct(kClearanceRule, 0));
  // A class of every net tells every net apart from no net.
  EXPECT_FALSE(rules.NetIndistinct(kWidthRule, net("C")));
  EXPECT_FALSE(rules.NetIndistinct(kWidthRule, 0));
  // From-to classes are told apart otherwise than by nets.
  EXPECT_FALSE(rules.NetIndistinct(kLengthRule, net("C")));
  // Kinds the collection leaves to the editor are the editor's to tell.
  EXPECT_FALSE(rules.NetIndistinct(kStubLengthKind, net("C")));

  // Asked net after net, and again, each net keeps its own answer; no net is no such net. The net
  // whose name was noted last answers for itself only.
  rules.NoteNetName(net("C"), "C");
  std::string answers;
  for (const sdk::Handle object :
       {net("A"), net("C"), net("C"), net("B"), sdk::Handle{0}, net("C"), net("A")}) {
    answers += rules.IsIndistinctNet(kClearanceRule, object) ? '1' : '0';
  }
  EXPECT_EQ(answers, "0110010");

  // Net-scoped clearances: only A has one; the board-wide one holds every net.
  EXPECT_TRUE(rules.MayHoldObjectsOfNet(kClearanceRule, 7, 7, net("A")));
  EXPECT_FALSE(rules.MayHoldObjectsOfNet(kClearanceRule, 7, 7, net("C")));
  EXPECT_TRUE(rules.MayHoldObjectsOfNet(kClearanceRule, 1, 26, net("C")));
  EXPECT_FALSE(rules.MayHoldObjectsOfNet(kWidthRule, 7, 7, net("C")));
  EXPECT_TRUE(rules.MayHoldObjectsOfNet(kStubLengthKind, 7, 7, net("C")));
}

// The net index knows each net by the name the host's interface gives, however its record holds
// it: names beyond ASCII, whose record holds other characters, and names as long as a record can
// hold, which it might hold cut.
TEST(NetNameIndex, FindsNamesBeyondAsciiAndAtTheRecordsLimit) {
  const auto net = [](const std::string& json_name) { return R"({"name": ")" + json_name + "\"}"; };
  ASSERT_EQ(
      rulestest::OpenBoardText(R"({"format": "quorvel-board", "version": 1, "nets": [)" +
                               net("Gr\\u00fcn") + ", " + net(std::string(255, 'L')) + ", " +
                               // 255 bytes of UTF-8
                               net(std::string(253, 'M') + "\\u00e9") + ", " + net("Plain") + "]}"),
      "");
  const TOvixRules rules(sdk::PcbApi_GetCurrentBoardHandle());
  const std::vector<sdk::Handle> nets = rulestest::Objects(pcbapi::kNet);
  ASSERT_EQ(nets.size(), 4u);
  TNetNameIndex index;
  const auto found = [&](TNetNameIndex& nets_index, const std::wstring& name) -> sdk::Handle {
    const win::ComPtr<IPCB_Primitive> object = nets_index.Find(rules.board(), name);
    return object ? object->GetHandle() : 0;
  };
  EXPECT_EQ(found(index, L"Gr\u00fcn"), nets[0]);
  EXPECT_EQ(found(index, L"Gr\u00c3\u00bcn"), 0u) << "the record's bytes are no characters";
  EXPECT_EQ(found(index, std::wstring(255, L'L')), nets[1]);
  EXPECT_EQ(found(index, std::wstring(253, L'M') + L"\u00e9"), nets[2]);
  EXPECT_EQ(found(index, L"Plain"), nets[3]);
  // Names read after a walk for handles alone are those of the same nets.
  TNetNameIndex handles_first;
  ASSERT_NE(handles_first.ByHandle(rules.board(), nets[0]), nullptr);
  EXPECT_EQ(found(handles_first, L"Plain"), nets[3]);
  EXPECT_EQ(found(handles_first, std::wstring(255, L'L')), nets[1]);
}

}  // namespace
