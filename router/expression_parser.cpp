// Expression texts to trees: a tokenizer and a precedence-climbing parser.
#include "router/expression_parser.h"

#include <algorithm>
#include <utility>

namespace router {

namespace {

struct OperatorInfo {
  std::string_view text;
  int precedence;
};
// Indexed by TOperator.
constexpr OperatorInfo kOperators[] = {
    {"", -1}, {"Or", 1},  {"And", 1}, {"=", 2}, {"+", 3},
    {"-", 3}, {"Not", 4}, {"*", 5},   {"/", 5}, {"^", 6},
};

struct TokenWord {
  std::string_view text;
  TTokenKind kind;
};
constexpr TokenWord kTokenWords[] = {
    {"(", TTokenKind::LeftParen}, {")", TTokenKind::RightParen}, {"Or", TTokenKind::Or},
    {"And", TTokenKind::And},     {"Not", TTokenKind::Not},      {"=", TTokenKind::Equal},
    {"+", TTokenKind::Plus},      {"-", TTokenKind::Minus},      {"*", TTokenKind::Multiply},
    {"/", TTokenKind::Divide},    {"^", TTokenKind::Power},
};

// The binary operator a token stands for; None for every other token ("Not" is prefix only).
TOperator BinaryOperatorOf(TTokenKind kind) {
  switch (kind) {
    case TTokenKind::Or: return TOperator::Or;
    case TTokenKind::And: return TOperator::And;
    case TTokenKind::Equal: return TOperator::Equal;
    case TTokenKind::Plus: return TOperator::Plus;
    case TTokenKind::Minus: return TOperator::Minus;
    case TTokenKind::Multiply: return TOperator::Multiply;
    case TTokenKind::Divide: return TOperator::Divide;
    case TTokenKind::Power: return TOperator::Power;
    default: return TOperator::None;
  }
}

bool IsTextToken(TTokenKind kind) {
  const int k = static_cast<int>(kind);
  return k >= static_cast<int>(TTokenKind::QuotedText) && k <= 18;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int Height(const TTreeNode* node) {
  if (!node) return 0;
  return 1 + std::max(Height(node->operand1()), Height(node->operand2()));
}

}  // namespace

std::string_view OperatorText(TOperator op) {
  const auto i = static_cast<size_t>(op);
  return i < std::size(kOperators) ? kOperators[i].text : std::string_view();
}

int OperatorPrecedence(TOperator op) {
  const auto i = static_cast<size_t>(op);
  return i < std::size(kOperators) ? kOperators[i].precedence : -1;
}

bool IsDecimalNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == text.size();
}

TTokenKind ClassifyToken(std::string_view text) {
  for (const TokenWord& word : kTokenWords) {
    if (sdk::EqualsIgnoringCase(text, word.text)) return word.kind;
  }
  if (IsDecimalNumber(text)) return TTokenKind::Number;
  if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
    return TTokenKind::QuotedText;
  }
  if (!text.empty() && IsAsciiLetter(text.front())) return TTokenKind::Word;
  return TTokenKind::Other;
}

std::string RemoveQuotes(std::string_view text) {
  if (!text.empty() && text.front() == '\'') text.remove_prefix(1);
  if (!text.empty() && text.back() == '\'') text.remove_suffix(1);
  return std::string(text);
}

// --- tokenizer --------------------------------------------------------------------------------

bool TExpressionTokenizer::IsBlank(char c) const {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool TExpressionTokenizer::IsSingleCharToken(char c) const {
  return std::string_view("()*+-/<=>^").find(c) != std::string_view::npos;
}

void TExpressionTokenizer::SetText(std::string_view text) {
  text_.assign(text);
  token_ = TToken{TTokenKind::Nothing, 0, std::string()};
  scan_ = 1;
  Next();
}

void TExpressionTokenizer::Next() {
  const size_t length = text_.size();
  while (scan_ <= length && IsBlank(text_[scan_ - 1])) ++scan_;
  if (scan_ > length) {
    token_ = TToken{TTokenKind::End, static_cast<int>(length), std::string()};
    scan_ = length + 1;
    return;
  }
  const size_t start = scan_;
  if (IsSingleCharToken(text_[scan_ - 1])) {
    ++scan_;
  } else {
    // A word runs to the next blank or operator character; a single quote switches quoting on
    // and off, and while quoting nothing ends the word: 'a b(c)' is one token.
    bool quoting = false;
    for (; scan_ <= length; ++scan_) {
      const char c = text_[scan_ - 1];
      if (c == '\'') {
        quoting = !quoting;
      } else if (!quoting && (IsBlank(c) || IsSingleCharToken(c))) {
        break;
      }
    }
  }
  token_.start = static_cast<int>(start);
  token_.text = text_.substr(start - 1, scan_ - start);
  token_.kind = ClassifyToken(token_.text);
}

// --- nodes ------------------------------------------------------------------------------------

std::string TTreeNode::Print() const {
  const std::string left = operand1_ ? operand1_->Print() : std::string();
  if (op_ == TOperator::Not) return "Not " + left;
  const std::string right = operand2_ ? operand2_->Print() : std::string();
  return "( " + left + " " + std::string(OperatorText(op_)) + " " + right + " )";
}

bool TTreeNode::IsValid() const {
  if (operand1_ && operand2_) return operand1_->IsValid() && operand2_->IsValid();
  if (operand1_) return operand1_->IsValid();
  if (!operand2_) return true;
  RTL_ASSERT(false, "Should never happen - only second operand assigned");
  return false;
}

std::string TLeafNode::Print() const {
  return text_;
}

// --- function map -----------------------------------------------------------------------------

void THashMap_StringToCustomFunction::Register(std::string_view name, TCustomFunction handler) {
  handlers_.push_back(std::move(handler));
  index_.insert_or_assign(std::string(name), handlers_.size() - 1);
}

const TCustomFunction& THashMap_StringToCustomFunction::Lookup(std::string_view name) const {
  const auto found = index_.find(name);
  return found == index_.end() ? handlers_[0] : handlers_[found->second];
}

// --- parser -----------------------------------------------------------------------------------

std::unique_ptr<TTreeNode> TExpressionParser::CreateOperatorNode() {
  return std::make_unique<TTreeNode>();
}

std::unique_ptr<TLeafNode> TExpressionParser::CreateLeafNode() {
  return std::make_unique<TLeafNode>();
}

void TExpressionParser::RegisterFunction(std::string_view name, TCustomFunction handler) {
  functions_.Register(name, std::move(handler));
}

void TExpressionParser::Fail(const char* message) const {
  const TToken& token = CurrentToken();
  // The end token sits on the last character; the error belongs just after it.
  const int position = token.kind == TTokenKind::End ? token.start + 1 : token.start;
  throw EExpressionError(message, position);
}

void TExpressionParser::Require(TTokenKind kind) {
  if (CurrentToken().kind != kind) Fail(kExpressionErrorText);
  NextToken();
}

std::string TExpressionParser::ReadText() {
  const TTokenKind kind = CurrentToken().kind;
  if (kind != TTokenKind::QuotedText && kind != TTokenKind::Word) Fail(kExpectedStringText);
  std::string text = CurrentToken().text;
  NextToken();
  return text;
}

std::unique_ptr<TTreeNode> TExpressionParser::Parse(std::string_view text) {
  tokenizer_.SetText(text);
  Parsed parsed = ParseExpression(0, 1);
  Require(TTokenKind::End);
  return std::move(parsed.node);
}

TExpressionParser::Parsed TExpressionParser::MakeNode(TOperator op, Parsed left, Parsed right) {
  const int height = 1 + std::max(left.height, right.height);
  if (height > kMaxDepth) Fail(kExpressionErrorText);
  std::unique_ptr<TTreeNode> node = CreateOperatorNode();
  node->SetOperator(op);
  node->SetOperand1(std::move(left.node));
  node->SetOperand2(std::move(right.node));
  return Parsed{std::move(node), height};
}

TExpressionParser::Parsed TExpressionParser::ParseExpression(int min_precedence, int depth) {
  if (depth > kMaxDepth) Fail(kExpressionErrorText);
  Parsed left = ParsePrimary(depth);
  for (;;) {
    const TOperator op = BinaryOperatorOf(CurrentToken().kind);
    const int precedence = OperatorPrecedence(op);
    if (op == TOperator::None || precedence < min_precedence) break;
    NextToken();
    // "^" binds to the right, every other binary operator to the left.
    const int right_min = op == TOperator::Power ? precedence : precedence + 1;
    Parsed right = ParseExpression(right_min, depth + 1);
    left = MakeNode(op, std::move(left), std::move(right));
  }
  return left;
}

TExpressionParser::Parsed TExpressionParser::ParsePrimary(int depth) {
  const TToken& token = CurrentToken();
  if (token.kind == TTokenKind::Not) {
    NextToken();
    Parsed operand = ParseExpression(OperatorPrecedence(TOperator::Not), depth + 1);
    return MakeNode(TOperator::Not, std::move(operand), Parsed{});
  }
  if (token.kind == TTokenKind::LeftParen) {
    NextToken();
    Parsed inner = ParseExpression(0, depth + 1);
    Require(TTokenKind::RightParen);
    return inner;
  }
  if (IsTextToken(token.kind)) {
    if (const TCustomFunction& handler = functions_.Lookup(token.text)) {
      std::unique_ptr<TTreeNode> node = handler(*this);
      RTL_ASSERT(node != nullptr, "A function handler built no node");
      const int height = Height(node.get());
      if (height > kMaxDepth) Fail(kExpressionErrorText);
      return Parsed{std::move(node), height};
    }
    std::unique_ptr<TLeafNode> leaf = CreateLeafNode();
    leaf->SetText(token.text);
    NextToken();
    return Parsed{std::move(leaf), 1};
  }
  // Numbers and stray characters are no operands.
  Fail(kExpressionErrorText);
}

const TTreeNode* TExpressionParser::FindInvalid(const TTreeNode* node) {
  if (!node) return nullptr;
  if (const TTreeNode* found = FindInvalid(node->operand1())) return found;
  if (const TTreeNode* found = FindInvalid(node->operand2())) return found;
  return node->IsValid() ? nullptr : node;
}

}  // namespace router
