// The expression parser: tokens, precedence and associativity, printing, errors
// and limits.
#include "router/expression_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using router::EExpressionError;
using router::TExpressionParser;
using router::TExpressionTokenizer;
using router::TTokenKind;

std::string Printed(const char* text) {
  TExpressionParser parser;
  return parser.Parse(text)->Print();
}

struct TokenCase {
  TTokenKind kind;
  int start;
  const char* text;
};

TEST(ExpressionTokenizer, SplitsAtBlanksAndOperatorCharactersButNotInsideQuotes) {
  TExpressionTokenizer tokenizer;
  tokenizer.SetText(" a\tOr(b)'x y(z)'*5 <\r\nIN_1 'open");
  const TokenCase expected[] = {
      {TTokenKind::Word, 2, "a"},       {TTokenKind::Or, 4, "Or"},
      {TTokenKind::LeftParen, 6, "("},  {TTokenKind::Word, 7, "b"},
      {TTokenKind::RightParen, 8, ")"}, {TTokenKind::QuotedText, 9, "'x y(z)'"},
      {TTokenKind::Multiply, 17, "*"},  {TTokenKind::Number, 18, "5"},
      {TTokenKind::Other, 20, "<"},     {TTokenKind::Word, 23, "IN_1"},
      {TTokenKind::Other, 28, "'open"}, {TTokenKind::End, 32, ""},
  };
  for (const TokenCase& want : expected) {
    SCOPED_TRACE(want.text);
    const router::TToken& token = tokenizer.Current();
    EXPECT_EQ(token.kind, want.kind);
    EXPECT_EQ(token.start, want.start);
    EXPECT_EQ(token.text, want.text);
    tokenizer.Next();
  }
  // Past the end it stays at the end; blank texts end at once.
  EXPECT_EQ(tokenizer.Current().kind, TTokenKind::End);
  for (const std::string text : {"", "   ", "\t\r\n"}) {
    tokenizer.SetText(text);
    EXPECT_EQ(tokenizer.Current().kind, TTokenKind::End);
    EXPECT_EQ(tokenizer.Current().start, static_cast<int>(text.size()));
  }
}

TEST(ExpressionTokenizer, ClassifiesTokenTexts) {
  const std::pair<TTokenKind, std::vector<const char*>> kinds[] = {
      {TTokenKind::Or, {"OR"}},
      {TTokenKind::And, {"and"}},
      {TTokenKind::Not, {"nOt"}},
      {TTokenKind::Power, {"^"}},
      {TTokenKind::Equal, {"="}},
      {TTokenKind::Number, {"12", "1.5", ".5", "2.", "1e5", "1E+5", "-9", "+.5", "1e-9"}},
      {TTokenKind::QuotedText, {"''", "'a'"}},
      {TTokenKind::Word, {"a'", "Orb"}},
      {TTokenKind::Other, {"<", "1e", "1.2.3", ".", "'", "'a", "_x", "\xC3\xA9t\xC3\xA9"}}};
  for (const auto& [kind, texts] : kinds) {
    for (const char* text : texts) EXPECT_EQ(router::ClassifyToken(text), kind) << text;
  }
}

struct PrintCase {
  const char* text;
  const char* printed;
  const char* why;
};
constexpr PrintCase kPrintCases[] = {
    {"a Or b And c", "( ( a Or b ) And c )", "Or and And share precedence, left-associative"},
    {"a And b Or c", "( ( a And b ) Or c )", "no hidden precedence of And"},
    {"a Or (b And c)", "( a Or ( b And c ) )", "parentheses group"},
    {"a ^ b ^ c", "( a ^ ( b ^ c ) )", "^ is right-associative"},
    {"a - b - c", "( ( a - b ) - c )", "- is left-associative"},
    {"a / b / c", "( ( a / b ) / c )", "/ is left-associative"},
    {"a + b * c", "( a + ( b * c ) )", "* binds tighter than +"},
    {"a * b + c", "( ( a * b ) + c )", "* binds tighter than +"},
    {"a ^ b * c", "( ( a ^ b ) * c )", "^ binds tighter than *"},
    {"a = b + c", "( a = ( b + c ) )", "+ binds tighter than ="},
    {"a Or b = c", "( a Or ( b = c ) )", "= binds tighter than Or"},
    {"Not a And b", "( Not a And b )", "Not binds tighter than And"},
    {"Not a * b", "Not ( a * b )", "* binds tighter than Not"},
    {"Not Not a", "Not Not a", "Not nests"},
    {"a AND b and c", "( ( a And b ) And c )", "operator words in any case"},
    {"((x))", "x", "parentheses leave no node"},
    {"'a b' Or c", "( 'a b' Or c )", "a quoted leaf keeps its quotes and blanks"},
    {"'it''s'", "'it''s'", "quotes switch quoting off and on again"},
    {"a+b", "( a + b )", "operator characters end words"},
    {"\ta\r\nOr\nb ", "( a Or b )", "tabs and line ends are blanks"},
};

// Printed trees show the grouping, and read back as the same tree.
TEST(ExpressionParser, GroupsByPrecedenceAndAssociativity) {
  for (const PrintCase& c : kPrintCases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Printed(c.text), c.printed) << c.text;
    EXPECT_EQ(Printed(c.printed), c.printed);
  }
}

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(ExpressionParser, RefusesTreesDeeperThanTheLimit) {
  constexpr int kMax = TExpressionParser::kMaxDepth;
  struct Case {
    std::string fits;
    std::string too_deep;
    const char* why;
  };
  const Case cases[] = {
      {Repeat("a Or ", kMax - 1) + "a", Repeat("a Or ", kMax) + "a", "left-deep chains"},
      {Repeat("a ^ ", kMax - 1) + "a", Repeat("a ^ ", kMax) + "a", "right-deep chains"},
      {Repeat("Not ", kMax - 1) + "a", Repeat("Not ", kMax) + "a", "prefix chains"},
      {Repeat("(", kMax - 1) + "a" + Repeat(")", kMax - 1),
       Repeat("(", kMax) + "a" + Repeat(")", kMax), "parentheses"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TExpressionParser parser;
    EXPECT_NO_THROW(parser.Parse(c.fits));
    EXPECT_THROW(parser.Parse(c.too_deep), EExpressionError);
  }
  // Far beyond the limit the answer is still an error, not a stack overflow.
  TExpressionParser parser;
  EXPECT_THROW(parser.Parse(Repeat("(", 100000)), EExpressionError);
  EXPECT_THROW(parser.Parse(Repeat("Not ", 100000) + "a"), EExpressionError);
}

// A parser with one function of its own, as the rule-scope parsers add theirs.
class MaxParser : public TExpressionParser {
 public:
  MaxParser() {
    RegisterFunction("Max", [](TExpressionParser& parser) {
      parser.NextToken();
      parser.Require(TTokenKind::LeftParen);
      std::string argument = router::RemoveQuotes(parser.ReadText());
      parser.Require(TTokenKind::RightParen);
      auto leaf = std::make_unique<router::TLeafNode>();
      leaf->SetText("MAX:" + argument);
      return std::unique_ptr<router::TTreeNode>(std::move(leaf));
    });
  }
};

TEST(ExpressionParser, HandsRegisteredWordsToTheirHandler) {
  MaxParser parser;
  EXPECT_EQ(parser.Parse("MAX('a b') Or max(c)")->Print(), "( MAX:a b Or MAX:c )");
  EXPECT_EQ(parser.Parse("Maximum")->Print(), "Maximum") << "only whole words are functions";
}

// The error and its position, or "fine".
std::string ErrorOf(TExpressionParser& parser, const char* text) {
  try {
    parser.Parse(text);
    return "fine";
  } catch (const EExpressionError& e) {
    return e.what() + (" at " + std::to_string(e.position()));
  }
}

// The position is that of the token that cannot be taken: the end for "" and a missing ")" or
// operand, a number or a quote left open where an operand belongs, "<" (no operator), "-" (no
// unary minus). A function's argument must be a text.
TEST(ExpressionParser, ReportsSyntaxErrorsAtTheToken) {
  const std::pair<const char*, int> expression_errors[] = {
      {"", 1},    {"(a", 3},      {"a b", 3},  {"a Or", 5},    {")", 1},       {"Or a", 1},
      {"( )", 3}, {"Not", 4},     {"5", 1},    {"a And 5", 7}, {"'abc", 1},    {"a < b", 3},
      {"- a", 1}, {"a = = b", 5}, {"(a))", 4}, {"Max('a'", 8}, {"Max 'a'", 5}, {"Max(a b)", 7}};
  MaxParser parser;  // parses again after each error
  for (const auto& [text, at] : expression_errors) {
    EXPECT_EQ(ErrorOf(parser, text), "Expression error at " + std::to_string(at)) << text;
  }
  for (const char* text : {"Max(5)", "Max()"}) {
    EXPECT_EQ(ErrorOf(parser, text), "Syntax error! Expected String at 5") << text;
  }
  EXPECT_EQ(parser.Parse("a Or b")->Print(), "( a Or b )");
  EXPECT_THROW(parser.Parse("("), sdk::Exception) << "expression errors are module exceptions";
}

// Names are found in any letter case; a later registration of a name wins.
TEST(FunctionMap, FindsNamesInAnyCase) {
  router::THashMap_StringToCustomFunction map;
  int called = 0;
  const auto handler = [&called](int n) {
    return [&called, n](TExpressionParser&) {
      called = n;
      return std::unique_ptr<router::TTreeNode>();
    };
  };
  map.Register("InNet", handler(1));
  map.Register("INNET", handler(2));
  TExpressionParser parser;
  map.Lookup("innet")(parser);
  EXPECT_EQ(called, 2);
  EXPECT_FALSE(static_cast<bool>(map.Lookup("InNets")));
  EXPECT_FALSE(static_cast<bool>(map.Lookup("")));
}

TEST(TreeNode, PlainTreesAreValidAndOnlyASecondOperandIsAnInternalFault) {
  TExpressionParser parser;
  const auto root = parser.Parse("Not (a Or b) ^ c");
  EXPECT_TRUE(root->IsValid());
  EXPECT_EQ(TExpressionParser::FindInvalid(root.get()), nullptr);
  EXPECT_EQ(TExpressionParser::FindInvalid(nullptr), nullptr);
  router::TTreeNode node;
  node.SetOperator(router::TOperator::Or);
  node.SetOperand2(std::make_unique<router::TLeafNode>());
  EXPECT_THROW(node.IsValid(), sdk::EAssertionFailed);
}

TEST(RemoveQuotes, DropsOneQuoteAtEachEnd) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {{"'a'", "a"},     {"a", "a"}, {"'a", "a"}, {"a'", "a"},
                        {"''a''", "'a'"}, {"'", ""},  {"''", ""},  {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(router::RemoveQuotes(c.text), c.expected);
  }
}

}  // namespace
