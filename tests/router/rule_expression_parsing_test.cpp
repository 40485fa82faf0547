// Rule scopes: query words, scope kinds of trees, validity for the router,
// printing, and the scope-kind algebra and names.
#include "router/rule_expression_parsing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using router::EExpressionError;
using router::TCleranceRuleExpressionParser;
using router::TRuleExpressionNode;
using router::TRuleExpressionParser;
using router::TSpecctraScope;
using S = router::TSpecctraScope;

enum class Parser { Plain, Clearance };

std::unique_ptr<TRuleExpressionNode> ParseWith(Parser which, const std::string& text) {
  if (which == Parser::Clearance) {
    TCleranceRuleExpressionParser parser;
    return parser.ParseScope(text);
  }
  TRuleExpressionParser parser;
  return parser.ParseScope(text);
}

// A from-to name of the shape the host writes: "(" at 9, ")" at 14, ":" at 15.
constexpr const char* kFromTo = "NET_0001(U1-1):NET_0001(U2-3)";

struct ScopeCase {
  Parser parser;
  std::string text;
  S kind;
  bool valid;
  const char* why;
};

TEST(RuleScope, GivesEveryTreeItsKindAndValidity) {
  const std::string from_to = std::string("InFromTo('") + kFromTo + "')";
  const ScopeCase cases[] = {
      {Parser::Plain, "All", S::Pcb, true, "the whole board"},
      {Parser::Plain, "InNet('GND') And OnLayer('TopLayer')", S::NetOnLayer, true, ""},
      {Parser::Plain, "OnLayer('TopLayer') And InNet('GND')", S::NetOnLayer, true, "either order"},
      {Parser::Plain, "InNetClass('P') And OnTop", S::NetClassOnLayer, true, "layer word"},
      {Parser::Plain, from_to + " And OnBottom", S::FromToOnLayer, true, ""},
      {Parser::Plain, "InFromToClass('G') And OnLayer('L')", S::NotAssigned, true,
       "Layer/Group is supported but has no combined kind"},
      {Parser::Plain, "WithinRoom('R') And InNet('A')", S::NetInBoardRegion, true, ""},
      {Parser::Plain, "WithinRoom('R') And InNetClass('A')", S::NetClassInBoardRegion, true, ""},
      {Parser::Plain, "InNet('A') Or InNetClass('B')", S::NotAssigned, false, "Or of two kinds"},
      {Parser::Plain, "InNet('A') Or InNet('B')", S::Net, true, "Or of one kind"},
      {Parser::Plain, "InNet('A') And InNet('B')", S::Net, false, "And of different nets"},
      {Parser::Plain, "InNet('A') And InNet('A')", S::Net, true, "And of the same net"},
      {Parser::Plain, "InNet('A') And InNet('a')", S::Net, false, "texts compare exactly"},
      {Parser::Plain, "InNet('A') And All", S::Net, false, "Net/Pcb is no supported pair"},
      {Parser::Plain, "OnLayer('TopLayer') And OnLayer('BottomLayer')", S::Layer, false, ""},
      {Parser::Plain, "Not InNet('A')", S::Net, true, "Not keeps the kind"},
      {Parser::Plain, "InNet('A') = OnLayer('B')", S::NetOnLayer, true, "= is not checked"},
      {Parser::Plain, "innet('x')", S::Net, true, "query words in any case"},
      {Parser::Plain, "InNet(GND)", S::Net, true, "a word serves as argument"},
      {Parser::Plain, "Foo", S::NotAssigned, true, "a plain word"},
      {Parser::Plain, "IsVia", S::NotAssigned, true, "object tests only for clearances"},
      {Parser::Clearance, "IsVia", S::Via, true, ""},
      {Parser::Clearance, "ISTHRUPIN", S::Pin, true, ""},
      {Parser::Clearance, "IsSMDPad", S::SMDpad, true, ""},
      {Parser::Clearance, "IsTrack", S::Wire, true, ""},
      {Parser::Clearance, "IsPolyRegion", S::CopperArea, true, ""},
      {Parser::Clearance, "TestPoint", S::TestPoint, true, ""},
      {Parser::Clearance, "IsVia And InNet('A')", S::Net, true, "an object scope yields"},
      {Parser::Clearance, "IsVia And IsPad", S::NotAssigned, false, "two object scopes"},
      {Parser::Clearance, "(InNet('A') Or InNet('B')) And OnLayer('T')", S::NetOnLayer, true, ""},
      {Parser::Clearance, "InNet('A') And (InNet('B') Or InNetClass('C'))", S::NotAssigned, false,
       "an invalid operand"},
  };
  for (const ScopeCase& c : cases) {
    SCOPED_TRACE(c.text + (*c.why ? " (" + std::string(c.why) + ")" : ""));
    const auto root = ParseWith(c.parser, c.text);
    EXPECT_EQ(static_cast<int>(root->ScopeKind()), static_cast<int>(c.kind));
    EXPECT_EQ(root->IsValid(), c.valid);
    EXPECT_EQ(TRuleExpressionParser::FindInvalid(root.get()) == nullptr, c.valid);
  }
}

// Leaves keep the argument or the word; the first invalid node is found from the leaves.
TEST(RuleScope, LeavesKeepTheArgumentOrTheWord) {
  struct Case {
    const char* text;
    const char* leaf_text;
    bool has_argument;
  };
  const Case cases[] = {
      {"InNet('GND')", "GND", true}, {"InNetClass('My Class')", "My Class", true},
      {"InNet(GND)", "GND", true},   {"ontop", "ontop", false},
      {"IsFill", "IsFill", false},   {"'a b'", "'a b'", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto root = ParseWith(Parser::Clearance, c.text);
    EXPECT_EQ(root->text(), c.leaf_text);
    EXPECT_EQ(root->has_argument(), c.has_argument);
  }
  const auto root = ParseWith(Parser::Plain, "InNet('A') And (InNet('B') Or InNetClass('C'))");
  const router::TTreeNode* invalid = TRuleExpressionParser::FindInvalid(root.get());
  ASSERT_NE(invalid, nullptr);
  EXPECT_EQ(invalid->Print(), "( InNet(B) Or InNetClass(C) )");
}

TEST(RuleScope, PrintsQueriesAsTheySelectAndReadsThemBack) {
  struct Case {
    Parser parser;
    std::string text;
    const char* printed;
  };
  const Case cases[] = {
      {Parser::Plain, "InNet('GND') And OnLayer('TopLayer')",
       "( InNet(GND) And OnLayer(TopLayer) )"},
      {Parser::Plain, "All", "All"},
      {Parser::Plain, "ontop Or OnBottomLayer", "( ontop Or OnBottomLayer )"},
      {Parser::Plain, "Not InNetClass('Power')", "Not InNetClass(Power)"},
      {Parser::Plain, "InFromToClass('G')", "InFromToClass(G)"},
      {Parser::Plain, std::string("InFromTo('") + kFromTo + "')",
       "InFromTo(NET_0001(U1-1):NET_0001(U2-3))"},
      {Parser::Plain, "WithinRoom('R1') And InNet('A')", "( WithinRoom(R1) And InNet(A) )"},
      {Parser::Plain, "'a b' Or x", "( 'a b' Or x )"},
      {Parser::Clearance, "IsThruPin And IsFill", "( IsThruPin And IsFill )"},
      {Parser::Clearance, "TestPoint", "TestPoint"},
      {Parser::Clearance, "Not InNet('A') Or IsVia", "( Not InNet(A) Or IsVia )"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto first = ParseWith(c.parser, c.text);
    EXPECT_EQ(first->Print(), c.printed);
    // The printed scope reads back as the same scope, but for a from-to name: it is printed
    // without its quotes, for the eye.
    if (c.text.starts_with("InFromTo(")) continue;
    const auto again = ParseWith(c.parser, first->Print());
    EXPECT_EQ(again->Print(), c.printed);
    EXPECT_EQ(again->ScopeKind(), first->ScopeKind());
  }
}

// The error and its position, or the scope's kind.
std::string Outcome(const std::string& text) {
  try {
    TCleranceRuleExpressionParser parser;
    return std::string(router::SpecctraScopeToString(parser.ParseScope(text)->ScopeKind()));
  } catch (const EExpressionError& e) {
    return e.what() + (" at " + std::to_string(e.position()));
  }
}

TEST(RuleScope, ChecksTheShapeOfFromToNames) {
  struct Case {
    const char* argument;
    bool accepted;
  };
  const Case cases[] = {
      {"U1-1:U2-3", false},         // no "(" at all
      {"ab(cdefg:hij)", true},      // each at its earliest allowed place
      {"a(cdefg:hijk)", false},     // "(" at 2
      {"ab(cde:ghijk)", false},     // ":" at 7
      {"ab(cdefg:hi)", false},      // ")" at 12
      {"ab(cdefg:hijk", false},     // no ")"
      {"ab)cdefg:hij(kl)", false},  // the first ")" counts
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    EXPECT_EQ(router::IsFromToArgument(c.argument), c.accepted);
    EXPECT_EQ(Outcome(std::string("InFromTo('") + c.argument + "')"),
              c.accepted ? "FromTo"
                         : std::string("Syntax Error parsing InFromTo ") + c.argument + " at 10");
  }
}

TEST(RuleScope, ReportsEveryErrorText) {
  const char* const cases[][2] = {
      {"InNet(5)", "Syntax error! Expected String"},
      {"InNet()", "Syntax error! Expected String"},
      {"OnLayer(=)", "Syntax error! Expected String"},
      {"InNet('A'", "Expression error"},
      {"InNet 'A'", "Expression error"},
      {"InNet", "Expression error"},
      {"All()", "Expression error"},
      {"InNet('A') And", "Expression error"},
  };
  for (const auto& [text, message] : cases) {
    const std::string outcome = Outcome(text);
    EXPECT_EQ(outcome.substr(0, outcome.rfind(" at ")), message) << text;
  }
}

// --- the scope-kind algebra
// -------------------------------------------------------------------

S Kind(int k) { return static_cast<S>(k); }

struct CombineCase {
  S a;
  S b;
  S kind;
  bool combined;
};
constexpr CombineCase kCombineCases[] = {
    {S::Net, S::Net, S::Net, true},
    {S::NotAssigned, S::NotAssigned, S::NotAssigned, true},
    {S::Pcb, S::Via, S::Via, true},
    {S::Pcb, S::NetClass, S::NetClass, true},
    {S::Layer, S::NetClass, S::NetClassOnLayer, true},
    {S::Layer, S::NetClassOnLayer, S::NetClassOnLayer, true},
    {S::Layer, S::Net, S::NetOnLayer, true},
    {S::Layer, S::NetOnLayer, S::NetOnLayer, true},
    {S::Layer, S::FromTo, S::FromToOnLayer, true},
    {S::Layer, S::FromToOnLayer, S::FromToOnLayer, true},
    {S::Layer, S::NetClassToNetClass, S::NetClasssToNetClassOnLayer, true},
    {S::Layer, S::NetClasssToNetClassOnLayer, S::NetClasssToNetClassOnLayer, true},
    {S::NetClass, S::BoardRegion, S::NetClassInBoardRegion, true},
    {S::Net, S::BoardRegion, S::NetInBoardRegion, true},
    {S::NetClassToNetClass, S::BoardRegion, S::NetClassToNetClassInBoardRegion, true},
    {S::Layer, S::Group, S::NotAssigned, false},
    {S::Net, S::NetClass, S::NotAssigned, false},
    {S::Via, S::Pin, S::NotAssigned, false},
    {S::Via, S::Net, S::Net, true},
    {S::TestPoint, S::NetOnLayer, S::NetOnLayer, true},
    {S::NotAssigned, S::Wire, S::NotAssigned, true},
    {S::NotAssigned, S::Net, S::NotAssigned, false},
};

// Combining is symmetric and fails only with no kind; the table's pairs are checked in both
// orders by that.
TEST(SpecctraScope, CombinesKindsInEitherOrder) {
  for (const CombineCase& c : kCombineCases) {
    SCOPED_TRACE(std::string(router::SpecctraScopeToString(c.a)) + " with " +
                 std::string(router::SpecctraScopeToString(c.b)));
    const router::TScopeCombination result = router::Combine(c.a, c.b);
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_EQ(result.combined, c.combined);
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
  struct Case {
    S a;
    S b;
    bool supported;
  };
  const Case cases[] = {
      {S::Layer, S::NetClass, true},
      {S::Layer, S::NetClassOnLayer, true},
      {S::Layer, S::Net, true},
      {S::Layer, S::NetOnLayer, true},
      {S::Layer, S::Group, true},
      {S::Layer, S::GroupOnLayer, true},
      {S::Layer, S::FromTo, true},
      {S::Layer, S::FromToOnLayer, true},
      {S::Layer, S::NetClassToNetClass, true},
      {S::Layer, S::NetClasssToNetClassOnLayer, true},
      {S::NetClass, S::BoardRegion, true},
      {S::Net, S::BoardRegion, true},
      {S::NetClassToNetClass, S::BoardRegion, true},
      {S::Via, S::Net, true},
      {S::Pcb, S::Pin, true},
      {S::NotAssigned, S::TestPoint, true},
      {S::Net, S::NetClass, false},
      {S::Layer, S::Layer, false},
      {S::Net, S::Pcb, false},
      {S::Layer, S::BoardRegion, false},
      {S::Via, S::Pin, false},
      {S::FromTo, S::BoardRegion, false},
      {S::Group, S::BoardRegion, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(router::SpecctraScopeToString(c.a)) + " with " +
                 std::string(router::SpecctraScopeToString(c.b)));
    EXPECT_EQ(router::SupportedPair(c.a, c.b), c.supported);
    EXPECT_EQ(router::SupportedPair(c.b, c.a), c.supported);
  }
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
