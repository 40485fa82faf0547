// The expression parser: tokens, precedence and associativity, printing, errors and limits.
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

std::vector<TokenCase> Tokens(const char* text) {
  TExpressionTokenizer tokenizer;
  tokenizer.SetText(text);
  std::vector<TokenCase> tokens;
  for (;;) {
    const router::TToken& token = tokenizer.Current();
    tokens.push_back({token.kind, token.start, ""});
    if (token.kind == TTokenKind::End) break;
    tokenizer.Next();
  }
  return tokens;
}

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
  // Past the end it stays at the end.
  EXPECT_EQ(tokenizer.Current().kind, TTokenKind::End);
}

TEST(ExpressionTokenizer, EmptyAndBlankTextsEndAtOnce) {
  for (const char* text : {"", "   ", "\t\r\n"}) {
    SCOPED_TRACE(testing::PrintToString(text));
    const auto tokens = Tokens(text);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].start, static_cast<int>(std::string(text).size()));
  }
}

TEST(ExpressionTokenizer, ClassifiesTokenTexts) {
  struct Case {
    const char* text;
    TTokenKind kind;
  };
  const Case cases[] = {
      {"OR", TTokenKind::Or},
      {"and", TTokenKind::And},
      {"nOt", TTokenKind::Not},
      {"^", TTokenKind::Power},
      {"=", TTokenKind::Equal},
      {"<", TTokenKind::Other},
      {"12", TTokenKind::Number},
      {"1.5", TTokenKind::Number},
      {".5", TTokenKind::Number},
      {"2.", TTokenKind::Number},
      {"1e5", TTokenKind::Number},
      {"1E+5", TTokenKind::Number},
      {"1e", TTokenKind::Other},
      {"1.2.3", TTokenKind::Other},
      {".", TTokenKind::Other},
      {"''", TTokenKind::QuotedText},
      {"'a'", TTokenKind::QuotedText},
      {"'", TTokenKind::Other},
      {"'a", TTokenKind::Other},
      {"a'", TTokenKind::Word},
      {"Orb", TTokenKind::Word},
      {"_x", TTokenKind::Other},
      {"\xC3\xA9t\xC3\xA9", TTokenKind::Other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(router::ClassifyToken(c.text), c.kind);
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

TEST(ExpressionParser, GroupsByPrecedenceAndAssociativity) {
  for (const PrintCase& c : kPrintCases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Printed(c.text), c.printed) << c.text;
  }
}

TEST(ExpressionParser, PrintedTreesReadBackAsTheSameTree) {
  for (const PrintCase& c : kPrintCases) {
    SCOPED_TRACE(c.text);
    const std::string printed = Printed(c.text);
    EXPECT_EQ(Printed(printed.c_str()), printed);
  }
}

TEST(ExpressionParser, BuildsOperatorsAndOperands) {
  TExpressionParser parser;
  const auto root = parser.Parse("Not a Or b");
  ASSERT_EQ(root->op(), router::TOperator::Or);
  const router::TTreeNode* left = root->operand1();
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(left->op(), router::TOperator::Not);
  EXPECT_NE(left->operand1(), nullptr);
  EXPECT_EQ(left->operand2(), nullptr);
  const auto* right = dynamic_cast<const router::TLeafNode*>(root->operand2());
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->text(), "b");
  EXPECT_TRUE(right->IsLeaf());
}

struct ErrorCase {
  const char* text;
  const char* message;
  int position;
};
constexpr ErrorCase kErrorCases[] = {
    {"", "Expression error", 1},         // the primary finds the end
    {"(a", "Expression error", 3},       // missing ")"
    {"a b", "Expression error", 3},      // end expected
    {"a Or", "Expression error", 5},     // right side missing
    {")", "Expression error", 1},        //
    {"Or a", "Expression error", 1},     //
    {"( )", "Expression error", 3},      //
    {"Not", "Expression error", 4},      //
    {"5", "Expression error", 1},        // numbers are no operands
    {"a And 5", "Expression error", 7},  //
    {"'abc", "Expression error", 1},     // unterminated quote
    {"a < b", "Expression error", 3},    // "<" is no operator
    {"- a", "Expression error", 1},      // no unary minus
    {"a = = b", "Expression error", 5},  //
    {"(a))", "Expression error", 4},     //
};

TEST(ExpressionParser, ReportsSyntaxErrorsAtTheToken) {
  for (const ErrorCase& c : kErrorCases) {
    SCOPED_TRACE(c.text);
    TExpressionParser parser;
    try {
      parser.Parse(c.text);
      ADD_FAILURE() << "no error";
    } catch (const EExpressionError& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.position(), c.position);
    }
  }
}

TEST(ExpressionParser, ExpressionErrorsAreModuleExceptions) {
  TExpressionParser parser;
  EXPECT_THROW(parser.Parse("("), sdk::Exception);
}

TEST(ExpressionParser, ParsesAgainAfterAnError) {
  TExpressionParser parser;
  EXPECT_THROW(parser.Parse("a Or"), EExpressionError);
  EXPECT_EQ(parser.Parse("a Or b")->Print(), "( a Or b )");
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

TEST(ExpressionParser, HandlerTextArgumentsMustBeTexts) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"Max(5)", "Syntax error! Expected String"},
      {"Max()", "Syntax error! Expected String"},
      {"Max('a'", "Expression error"},
      {"Max 'a'", "Expression error"},
      {"Max(a b)", "Expression error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MaxParser parser;
    try {
      parser.Parse(c.text);
      ADD_FAILURE() << "no error";
    } catch (const EExpressionError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(FunctionMap, FindsNamesInAnyCaseAndYieldsNothingForOthers) {
  router::THashMap_StringToCustomFunction map;
  map.Register("InNet", [](TExpressionParser&) { return std::make_unique<router::TTreeNode>(); });
  EXPECT_TRUE(static_cast<bool>(map.Lookup("InNet")));
  EXPECT_TRUE(static_cast<bool>(map.Lookup("INNET")));
  EXPECT_FALSE(static_cast<bool>(map.Lookup("InNets")));
  EXPECT_FALSE(static_cast<bool>(map.Lookup("")));
}

TEST(FunctionMap, ALaterRegistrationOfANameWins) {
  router::THashMap_StringToCustomFunction map;
  int called = 0;
  map.Register("f", [&](TExpressionParser&) {
    called = 1;
    return std::unique_ptr<router::TTreeNode>();
  });
  map.Register("F", [&](TExpressionParser&) {
    called = 2;
    return std::unique_ptr<router::TTreeNode>();
  });
  TExpressionParser parser;
  map.Lookup("f")(parser);
  EXPECT_EQ(called, 2);
}

TEST(TreeNode, OnlyASecondOperandIsAnInternalFault) {
  router::TTreeNode node;
  node.SetOperator(router::TOperator::Or);
  node.SetOperand2(std::make_unique<router::TLeafNode>());
  EXPECT_THROW(node.IsValid(), sdk::EAssertionFailed);
}

TEST(TreeNode, PlainTreesAreValid) {
  TExpressionParser parser;
  const auto root = parser.Parse("Not (a Or b) ^ c");
  EXPECT_TRUE(root->IsValid());
  EXPECT_EQ(TExpressionParser::FindInvalid(root.get()), nullptr);
  EXPECT_EQ(TExpressionParser::FindInvalid(nullptr), nullptr);
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
