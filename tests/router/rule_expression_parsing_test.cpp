// Rule scopes: query words, scope kinds of trees, validity for the router,
// printing, and the scope-kind algebra and names.
#include "router/rule_expression_parsing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>

namespace {

using router::EExpressionError;
using router::TRuleExpressionParser;
using S = router::TSpecctraScope;

// "c:" before a text asks the clearance-rule parser, which also knows the object words.
std::unique_ptr<router::TRuleExpressionNode> Parse(const std::string& text) {
  if (text.starts_with("c:"))
    return router::TCleranceRuleExpressionParser().ParseScope(text.substr(2));
  return TRuleExpressionParser().ParseScope(text);
}

// A from-to name of the shape the host writes: "(" at 9, ")" at 14, ":" at 15.
const std::string kFromTo = "InFromTo('NET_0001(U1-1):NET_0001(U2-3)')";

TEST(RuleScope, GivesEveryTreeItsKindAndValidity) {
  const struct {
    std::string text;
    S kind;
    bool valid;
    const char* why;
  } cases[] = {
      {"All", S::Pcb, true, "the whole board"},
      {"InNet('GND') And OnLayer('TopLayer')", S::NetOnLayer, true, ""},
      {"OnLayer('TopLayer') And InNet('GND')", S::NetOnLayer, true, "either order"},
      {"InNetClass('P') And OnTop", S::NetClassOnLayer, true, "layer word"},
      {kFromTo + " And OnBottom", S::FromToOnLayer, true, ""},
      {"InFromToClass('G') And OnLayer('L')", S::NotAssigned, true,
       "Layer/Group is supported but has no combined kind"},
      {"WithinRoom('R') And InNet('A')", S::NetInBoardRegion, true, ""},
      {"WithinRoom('R') And InNetClass('A')", S::NetClassInBoardRegion, true, ""},
      {"InNet('A') Or InNetClass('B')", S::NotAssigned, false, "Or of two kinds"},
      {"InNet('A') Or InNet('B')", S::Net, true, "Or of one kind"},
      {"InNet('A') And InNet('B')", S::Net, false, "And of different nets"},
      {"InNet('A') And InNet('A')", S::Net, true, "And of the same net"},
      {"InNet('A') And InNet('a')", S::Net, false, "texts compare exactly"},
      {"InNet('A') And All", S::Net, false, "Net/Pcb is no supported pair"},
      {"OnLayer('TopLayer') And OnLayer('BottomLayer')", S::Layer, false, ""},
      {"Not InNet('A')", S::Net, true, "Not keeps the kind"},
      {"InNet('A') = OnLayer('B')", S::NetOnLayer, true, "= is not checked"},
      {"innet('x')", S::Net, true, "query words in any case"},
      {"InNet(GND)", S::Net, true, "a word serves as argument"},
      {"Foo", S::NotAssigned, true, "a plain word"},
      {"IsVia", S::NotAssigned, true, "object tests only for clearances"},
      {"c:IsVia", S::Via, true, ""},
      {"c:ISTHRUPIN", S::Pin, true, ""},
      {"c:IsSMDPad", S::SMDpad, true, ""},
      {"c:IsTrack", S::Wire, true, ""},
      {"c:IsPolyRegion", S::CopperArea, true, ""},
      {"c:TestPoint", S::TestPoint, true, ""},
      {"c:IsVia And InNet('A')", S::Net, true, "an object scope yields"},
      {"c:IsVia And IsPad", S::NotAssigned, false, "two object scopes"},
      {"c:(InNet('A') Or InNet('B')) And OnLayer('T')", S::NetOnLayer, true, ""},
      {"c:InNet('A') And (InNet('B') Or InNetClass('C'))", S::NotAssigned, false,
       "an invalid operand"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " (" + c.why + ")");
    const auto root = Parse(c.text);
    EXPECT_EQ(static_cast<int>(root->ScopeKind()), static_cast<int>(c.kind));
    EXPECT_EQ(root->IsValid(), c.valid);
    EXPECT_EQ(TRuleExpressionParser::FindInvalid(root.get()) == nullptr, c.valid);
  }
  // The first invalid node is found from the leaves.
  const auto root = Parse("InNet('A') And (InNet('B') Or InNetClass('C'))");
  const router::TTreeNode* invalid = TRuleExpressionParser::FindInvalid(root.get());
  ASSERT_NE(invalid, nullptr);
  EXPECT_EQ(invalid->Print(), "( InNet(B) Or InNetClass(C) )");
}

// Leaves keep the argument (quotes dropped) or the word as written; a scope prints as it selects
// and its print reads back as the same scope, but for a from-to name or a name with a blank: it
// is printed without its quotes, for the eye.
TEST(RuleScope, PrintsQueriesAsTheySelectAndReadsThemBack) {
  const struct {
    std::string text;
    const char* printed;
    const char* leaf;  // text() of a leaf root with has_argument(), else null
  } cases[] = {
      {"InNet('GND') And OnLayer('TopLayer')", "( InNet(GND) And OnLayer(TopLayer) )", nullptr},
      {"All", "All", nullptr},
      {"ontop Or OnBottomLayer", "( ontop Or OnBottomLayer )", nullptr},
      {"Not InNetClass('Power')", "Not InNetClass(Power)", nullptr},
      {"InFromToClass('G')", "InFromToClass(G)", "G"},
      {kFromTo, "InFromTo(NET_0001(U1-1):NET_0001(U2-3))", "NET_0001(U1-1):NET_0001(U2-3)"},
      {"WithinRoom('R1') And InNet('A')", "( WithinRoom(R1) And InNet(A) )", nullptr},
      {"'a b' Or x", "( 'a b' Or x )", nullptr},
      {"InNetClass('My Class')", "InNetClass(My Class)", "My Class"},
      {"c:InNet(GND)", "InNet(GND)", "GND"},
      {"c:ontop", "ontop", nullptr},
      {"c:'a b'", "'a b'", nullptr},
      {"c:IsThruPin And IsFill", "( IsThruPin And IsFill )", nullptr},
      {"c:TestPoint", "TestPoint", nullptr},
      {"c:Not InNet('A') Or IsVia", "( Not InNet(A) Or IsVia )", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto first = Parse(c.text);
    EXPECT_EQ(first->Print(), c.printed);
    if (first->IsLeaf()) {
      EXPECT_EQ(first->has_argument(), c.leaf != nullptr);
      EXPECT_EQ(first->text(), c.leaf ? c.leaf : first->Print());
    }
    if (c.text.starts_with("InFromTo(") || (c.leaf && std::strchr(c.leaf, ' '))) continue;
    const auto again = Parse((c.text.starts_with("c:") ? "c:" : "") + first->Print());
    EXPECT_EQ(again->Print(), c.printed);
    EXPECT_EQ(again->ScopeKind(), first->ScopeKind());
  }
}

// The error and its position, or the scope's kind. A from-to name needs "(" at character 3 or
// later, ":" at 8 and ")" at 13 (first occurrences).
TEST(RuleScope, ChecksFromToNamesAndReportsEveryErrorText) {
  const auto outcome = [](const std::string& text) {
    try {
      return std::string(router::SpecctraScopeToString(Parse("c:" + text)->ScopeKind()));
    } catch (const EExpressionError& e) {
      return e.what() + (" at " + std::to_string(e.position()));
    }
  };
  const std::string bad = "Syntax Error parsing InFromTo ";
  const char* const from_tos[][2] = {{"U1-1:U2-3", "no ( at all"},
                                     {"ab(cdefg:hij)", ""},  // each at its earliest place
                                     {"a(cdefg:hijk)", "( at 2"},
                                     {"ab(cde:ghijk)", ": at 7"},
                                     {"ab(cdefg:hi)", ") at 12"},
                                     {"ab(cdefg:hijk", "no )"},
                                     {"ab)cdefg:hij(kl)", "the first ) counts"},
                                     {"", "empty"}};
  for (const auto& [argument, why] : from_tos) {
    SCOPED_TRACE(why);
    const bool accepted = *why == '\0';
    EXPECT_EQ(router::IsFromToArgument(argument), accepted);
    EXPECT_EQ(outcome(std::string("InFromTo('") + argument + "')"),
              accepted ? "FromTo" : bad + argument + " at 10");
  }
  const char* const errors[][2] = {{"InNet(5)", "Syntax error! Expected String at 7"},
                                   {"InNet()", "Syntax error! Expected String at 7"},
                                   {"OnLayer(=)", "Syntax error! Expected String at 9"},
                                   {"InNet('A'", "Expression error at 10"},
                                   {"InNet 'A'", "Expression error at 7"},
                                   {"InNet", "Expression error at 6"},
                                   {"All()", "Expression error at 4"},
                                   {"InNet('A') And", "Expression error at 15"}};
  for (const auto& [text, error] : errors) EXPECT_EQ(outcome(text), error) << text;
}

// --- the scope-kind algebra --------------------------------------------------------------------

S Kind(int k) { return static_cast<S>(k); }

S Named(const std::string& name) {
  for (int k = 0; k < router::kSpecctraScopeCount; ++k) {
    if (router::SpecctraScopeToString(Kind(k)) == name) return Kind(k);
  }
  ADD_FAILURE() << "no scope kind " << name;
  return S::NotAssigned;
}

// Pairs "A/B", or "A/B=C" with what they combine to ("!" when they do not).
std::vector<std::vector<std::string>> Pairs(const std::string& text) {
  std::vector<std::vector<std::string>> pairs;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    const size_t slash = word.find('/'), equal = word.find('=');
    pairs.push_back({word.substr(0, slash), word.substr(slash + 1, equal - slash - 1),
                     equal == std::string::npos ? "" : word.substr(equal + 1)});
  }
  return pairs;
}

// Combining is symmetric and fails only with no kind; the listed pairs are checked in both
// orders by that.
TEST(SpecctraScope, CombinesKindsInEitherOrder) {
  for (const auto& pair : Pairs(
           "Net/Net=Net NotAssigned/NotAssigned=NotAssigned Pcb/Via=Via Pcb/NetClass=NetClass "
           "Layer/NetClass=NetClassOnLayer Layer/NetClassOnLayer=NetClassOnLayer "
           "Layer/Net=NetOnLayer Layer/NetOnLayer=NetOnLayer Layer/FromTo=FromToOnLayer "
           "Layer/FromToOnLayer=FromToOnLayer Layer/NetClassToNetClass=NetClasssToNetClassOnLayer "
           "Layer/NetClasssToNetClassOnLayer=NetClasssToNetClassOnLayer "
           "NetClass/BoardRegion=NetClassInBoardRegion Net/BoardRegion=NetInBoardRegion "
           "NetClassToNetClass/BoardRegion=NetClassToNetClassInBoardRegion Layer/Group=! "
           "Net/NetClass=! Via/Pin=! Via/Net=Net TestPoint/NetOnLayer=NetOnLayer "
           "NotAssigned/Wire=NotAssigned NotAssigned/Net=!")) {
    SCOPED_TRACE(pair[0] + " with " + pair[1]);
    const router::TScopeCombination result = router::Combine(Named(pair[0]), Named(pair[1]));
    EXPECT_EQ(result.kind, pair[2] == "!" ? S::NotAssigned : Named(pair[2]));
    EXPECT_EQ(result.combined, pair[2] != "!");
  }
  for (int a = 0; a < router::kSpecctraScopeCount; ++a) {
    for (int b = 0; b < router::kSpecctraScopeCount; ++b) {
      const auto ab = router::Combine(Kind(a), Kind(b));
      const auto ba = router::Combine(Kind(b), Kind(a));
      EXPECT_EQ(ab.kind, ba.kind) << a << "," << b;
      EXPECT_EQ(ab.combined, ba.combined) << a << "," << b;
      if (!ab.combined) {
        EXPECT_EQ(ab.kind, S::NotAssigned) << a << "," << b;
      }
    }
  }
}

TEST(SpecctraScope, SupportsTheRoutersPairsOnly) {
  const auto check = [](const std::string& pairs, bool supported) {
    for (const auto& pair : Pairs(pairs)) {
      SCOPED_TRACE(pair[0] + " with " + pair[1]);
      EXPECT_EQ(router::SupportedPair(Named(pair[0]), Named(pair[1])), supported);
      EXPECT_EQ(router::SupportedPair(Named(pair[1]), Named(pair[0])), supported);
    }
  };
  check(
      "Layer/NetClass Layer/NetClassOnLayer Layer/Net Layer/NetOnLayer Layer/Group "
      "Layer/GroupOnLayer Layer/FromTo Layer/FromToOnLayer Layer/NetClassToNetClass "
      "Layer/NetClasssToNetClassOnLayer NetClass/BoardRegion Net/BoardRegion "
      "NetClassToNetClass/BoardRegion Via/Net Pcb/Pin NotAssigned/TestPoint",
      true);
  check(
      "Net/NetClass Layer/Layer Net/Pcb Layer/BoardRegion Via/Pin FromTo/BoardRegion "
      "Group/BoardRegion",
      false);
  for (int k = 0; k < router::kSpecctraScopeCount; ++k) {
    EXPECT_FALSE(router::SupportedPair(Kind(k), Kind(k))) << k;
  }
}

// Every kind as the router spells it, with the query word of the leaf kinds; kinds that only
// combining gives have no word ("!").
TEST(SpecctraScope, NamesEveryKindAsTheRouterSpellsItWithItsQueryWord) {
  std::string names;
  for (int k = 0; k < router::kSpecctraScopeCount; ++k) {
    names += std::string(router::SpecctraScopeToString(Kind(k)));
    try {
      names += "=" + std::string(router::SpecctraScopeToOvixExpression(Kind(k))) + " ";
    } catch (const sdk::EAssertionFailed&) {
      names += "! ";
    }
  }
  EXPECT_EQ(names,
            "NotAssigned= Pcb=All Layer=OnLayer NetClass=InNetClass NetClassOnLayer! GroupSet! "
            "GroupSetOnLayer! Net=InNet NetOnLayer! Group=InFromToClass GroupOnLayer! "
            "FromTo=InFromTo FromToOnLayer! NetClassToNetClass! NetClasssToNetClassOnLayer! "
            "Padstack! BoardRegion=WithinRoom NetClassInBoardRegion! NetInBoardRegion! "
            "NetClassToNetClassInBoardRegion! Pin=IsPad SMDpad=IsSMDPad Via=IsVia Wire=IsTrack "
            "CopperArea=IsFill TestPoint=IsTestpoint ");
  try {
    router::SpecctraScopeToString(Kind(router::kSpecctraScopeNotComputed));
    ADD_FAILURE() << "no assertion";
  } catch (const sdk::EAssertionFailed& e) {
    EXPECT_EQ(std::string(e.what()).rfind("SpecctraScopeToString: unsupported scope", 0), 0u)
        << e.what();
  }
}

}  // namespace
