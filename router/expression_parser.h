// Expression texts to trees: a tokenizer and a precedence-climbing parser whose function words
// are handled by the subclass that registered them (the rule-scope parsers build on it).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/ascii_case.h"
#include "sdk/exceptions.h"

namespace router {

// A syntax error in an expression text. The message is one of the fixed texts below; the
// position (1-based character, 0 when unknown) points at the token that did not fit.
class EExpressionError : public sdk::Exception {
 public:
  explicit EExpressionError(const std::string& message, int position = 0)
      : sdk::Exception(message), position_(position) {}
  int position() const noexcept { return position_; }

 private:
  int position_;
};

inline constexpr const char* kExpressionErrorText = "Expression error";
inline constexpr const char* kExpectedStringText = "Syntax error! Expected String";

enum class TTokenKind : uint8_t {
  End = 0,
  Nothing = 1,  // no token read since the text was set
  Other = 2,    // anything unclassified, "<" and ">" included
  LeftParen = 3,
  RightParen = 4,
  Or = 5,
  And = 6,
  Not = 7,
  Equal = 8,
  Plus = 9,
  Minus = 10,
  Multiply = 11,
  Divide = 12,
  Power = 13,
  QuotedText = 14,  // at least two characters, a single quote at both ends
  Word = 15,        // begins with an ASCII letter
  Text = 16,        // a quoted text or a word, where a text is expected
  Number = 19,
};

enum class TOperator : uint8_t {
  None = 0,
  Or = 1,
  And = 2,
  Equal = 3,
  Plus = 4,
  Minus = 5,
  Not = 6,
  Multiply = 7,
  Divide = 8,
  Power = 9,
};

// "Or", "And", "=", ...; empty for None.
std::string_view OperatorText(TOperator op);
// Binding strength: Or and And 1, = 2, + and - 3, Not 4, * and / 5, ^ 6; None -1.
int OperatorPrecedence(TOperator op);

struct TToken {
  TTokenKind kind = TTokenKind::Nothing;
  int start = 0;  // 1-based position of the first character; the text's length at the end
  std::string text;
};

// The kind of one token's text: operators and parentheses first (any letter case), then
// number, quoted text, word, else Other.
TTokenKind ClassifyToken(std::string_view text);
// A whole decimal number: digits with an optional point and fraction, an optional exponent.
bool IsDecimalNumber(std::string_view text);

// Splits an expression text into tokens, one token of lookahead.
class TExpressionTokenizer {
 public:
  void SetText(std::string_view text);  // and reads the first token
  const TToken& Current() const { return token_; }
  void Next();

 private:
  bool IsBlank(char c) const;
  bool IsSingleCharToken(char c) const;

  std::string text_;
  TToken token_;
  size_t scan_ = 1;  // 1-based position of the next character to look at
};

class TBaseTreeNode {
 public:
  TBaseTreeNode() = default;
  TBaseTreeNode(const TBaseTreeNode&) = delete;
  TBaseTreeNode& operator=(const TBaseTreeNode&) = delete;
  virtual ~TBaseTreeNode() = default;
};

// A node with an operator and up to two operands; a leaf has neither.
class TTreeNode : public TBaseTreeNode {
 public:
  TOperator op() const { return op_; }
  const TTreeNode* operand1() const { return operand1_.get(); }
  const TTreeNode* operand2() const { return operand2_.get(); }
  bool IsLeaf() const { return !operand1_ && !operand2_; }

  void SetOperator(TOperator op) { op_ = op; }
  void SetOperand1(std::unique_ptr<TTreeNode> node) { operand1_ = std::move(node); }
  void SetOperand2(std::unique_ptr<TTreeNode> node) { operand2_ = std::move(node); }

  // "Not x", or "( left op right )" with single blanks.
  virtual std::string Print() const;
  virtual bool IsValid() const;

 private:
  TOperator op_ = TOperator::None;
  std::unique_ptr<TTreeNode> operand1_;
  std::unique_ptr<TTreeNode> operand2_;
};

class TLeafNode : public TTreeNode {
 public:
  const std::string& text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }

  std::string Print() const override;

 private:
  std::string text_;
};

class TExpressionParser;

// Builds the node of one function word; called with the parser at the word, it reads the tokens
// it needs and leaves the parser at the token after them.
using TCustomFunction = std::function<std::unique_ptr<TTreeNode>(TExpressionParser&)>;

// Function names (any letter case) to their handlers. Index 0 is the empty handler that every
// unknown name yields.
class THashMap_StringToCustomFunction {
 public:
  THashMap_StringToCustomFunction() : handlers_(1) {}
  void Register(std::string_view name, TCustomFunction handler);
  const TCustomFunction& Lookup(std::string_view name) const;

 private:
  std::map<std::string, size_t, sdk::LessIgnoringCase> index_;
  std::vector<TCustomFunction> handlers_;
};

class TExpressionParser {
 public:
  // Trees deeper than this are refused as syntax errors: real scope expressions are tiny, and
  // the recursion of parsing, printing and freeing must not exhaust the host thread's stack.
  static constexpr int kMaxDepth = 200;

  TExpressionParser() = default;
  TExpressionParser(const TExpressionParser&) = delete;
  TExpressionParser& operator=(const TExpressionParser&) = delete;
  virtual ~TExpressionParser() = default;

  // The whole text as one expression; raises EExpressionError and keeps nothing on a syntax error.
  std::unique_ptr<TTreeNode> Parse(std::string_view text);

  // The handler must outlive the parser's use of it; handlers usually capture the subclass.
  void RegisterFunction(std::string_view name, TCustomFunction handler);

  // The first node, operand 1's subtree first, then operand 2's, then the node itself, that is
  // not valid; null when every node is.
  static const TTreeNode* FindInvalid(const TTreeNode* node);

  // For function handlers.
  const TToken& CurrentToken() const { return tokenizer_.Current(); }
  void NextToken() { tokenizer_.Next(); }
  // Raises "Expression error" unless the current token has the kind; then moves on.
  void Require(TTokenKind kind);
  // The current token's text, which must be a quoted text or a word; then moves on.
  std::string ReadText();
  [[noreturn]] void Fail(const char* message) const;

 protected:
  virtual std::unique_ptr<TTreeNode> CreateOperatorNode();
  virtual std::unique_ptr<TLeafNode> CreateLeafNode();

 private:
  struct Parsed {
    std::unique_ptr<TTreeNode> node;
    int height = 0;
  };
  // expression ::= primary ( binary-operator expression )*, by precedence climbing
  Parsed ParseExpression(int min_precedence, int depth);
  // primary ::= "Not" expression | "(" expression ")" | function | text
  Parsed ParsePrimary(int depth);
  Parsed MakeNode(TOperator op, Parsed left, Parsed right);

  TExpressionTokenizer tokenizer_;
  THashMap_StringToCustomFunction functions_;
};

// One leading and one trailing single quote dropped where present.
std::string RemoveQuotes(std::string_view text);

}  // namespace router
