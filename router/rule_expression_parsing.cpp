// The host's rule-scope query language: query words, scope kinds of nodes, validity, printing.
#include "router/rule_expression_parsing.h"

#include <utility>

namespace router {

namespace {

using S = TSpecctraScope;

struct Query {
  std::string_view name;
  S kind;
  bool has_argument;
};
constexpr Query kQueries[] = {
    {"All", S::Pcb, false},        {"InNetClass", S::NetClass, true},
    {"InNet", S::Net, true},       {"InFromToClass", S::Group, true},
    {"InFromTo", S::FromTo, true}, {"WithinRoom", S::BoardRegion, true},
    {"OnLayer", S::Layer, true},   {"OnTopLayer", S::Layer, false},
    {"OnTop", S::Layer, false},    {"OnBottomLayer", S::Layer, false},
    {"OnBottom", S::Layer, false}, {"OnMid", S::Layer, false},
    {"OnSignal", S::Layer, false},
};
constexpr Query kObjectQueries[] = {
    {"IsPad", S::Pin, false},
    {"IsThruPin", S::Pin, false},
    {"IsSMDPad", S::SMDpad, false},
    {"IsVia", S::Via, false},
    {"IsTrack", S::Wire, false},
    {"IsFill", S::CopperArea, false},
    {"IsPolyRegion", S::CopperArea, false},
    {"IsTestPoint", S::TestPoint, false},
    {"TestPoint", S::TestPoint, false},
};

const std::string& TextOf(const TTreeNode* node) {
  static const std::string kEmpty;
  const auto* leaf = dynamic_cast<const TLeafNode*>(node);
  return leaf ? leaf->text() : kEmpty;
}

// 1-based position of the first occurrence, 0 when absent.
size_t PositionOf(std::string_view text, char c) {
  const size_t index = text.find(c);
  return index == std::string_view::npos ? 0 : index + 1;
}

}  // namespace

bool IsFromToArgument(std::string_view argument) {
  return PositionOf(argument, '(') >= 3 && PositionOf(argument, ':') >= 8 &&
         PositionOf(argument, ')') >= 13;
}

// --- nodes ------------------------------------------------------------------------------------

TRuleExpressionNode::TRuleExpressionNode(S kind, std::string text, bool has_argument)
    : scope_(kind), has_argument_(has_argument) {
  SetText(std::move(text));
}

TSpecctraScope ScopeKindOf(const TTreeNode* node) {
  const auto* rule_node = dynamic_cast<const TRuleExpressionNode*>(node);
  return rule_node ? rule_node->ScopeKind() : S::NotAssigned;
}

TSpecctraScope TRuleExpressionNode::ScopeKind() const {
  if (scope_ != S::NotAssigned) return scope_;
  if (operand1() && operand2()) {
    scope_ = Combine(ScopeKindOf(operand1()), ScopeKindOf(operand2())).kind;
  } else if (operand1()) {
    scope_ = ScopeKindOf(operand1());
  } else if (operand2()) {
    scope_ = ScopeKindOf(operand2());
  }
  return scope_;
}

std::string TRuleExpressionNode::Print() const {
  if (IsLeaf()) {
    if (!has_argument_) return text();
    return std::string(SpecctraScopeToOvixExpression(scope_)) + "(" + text() + ")";
  }
  return TTreeNode::Print();
}

bool TRuleExpressionNode::OperatorIsValid() const {
  const S a = ScopeKindOf(operand1());
  const S b = ScopeKindOf(operand2());
  switch (op()) {
    case TOperator::Or: return a == b;
    case TOperator::And:
      if (a != b) return SupportedPair(a, b);
      return TextOf(operand1()) == TextOf(operand2());
    default: return true;
  }
}

bool TRuleExpressionNode::IsValid() const {
  if (operand1() && operand2()) {
    return OperatorIsValid() && operand1()->IsValid() && operand2()->IsValid();
  }
  if (operand1()) return operand1()->IsValid();
  if (!operand2()) return true;
  RTL_ASSERT(false, "Operand2 only Assigned");
  return false;
}

// --- parsers ----------------------------------------------------------------------------------

TRuleExpressionParser::TRuleExpressionParser() {
  for (const Query& query : kQueries) RegisterQuery(query.name, query.kind, query.has_argument);
}

std::unique_ptr<TTreeNode> TRuleExpressionParser::CreateOperatorNode() {
  return std::make_unique<TRuleExpressionNode>();
}

std::unique_ptr<TLeafNode> TRuleExpressionParser::CreateLeafNode() {
  return std::make_unique<TRuleExpressionNode>();
}

std::unique_ptr<TRuleExpressionNode> TRuleExpressionParser::ParseScope(std::string_view text) {
  std::unique_ptr<TTreeNode> root = Parse(text);
  auto* rule_root = dynamic_cast<TRuleExpressionNode*>(root.get());
  RTL_ASSERT(rule_root != nullptr, "A rule scope parsed into a foreign node");
  root.release();
  return std::unique_ptr<TRuleExpressionNode>(rule_root);
}

void TRuleExpressionParser::RegisterQuery(std::string_view name, S kind, bool has_argument) {
  RegisterFunction(name, [kind, has_argument](TExpressionParser& parser) {
    if (!has_argument) {
      std::string word = parser.CurrentToken().text;
      parser.NextToken();
      return std::make_unique<TRuleExpressionNode>(kind, std::move(word), false);
    }
    parser.NextToken();
    parser.Require(TTokenKind::LeftParen);
    const int position = parser.CurrentToken().start;
    std::string argument = RemoveQuotes(parser.ReadText());
    parser.Require(TTokenKind::RightParen);
    if (kind == S::FromTo && !IsFromToArgument(argument)) {
      throw EExpressionError(kInFromToErrorText + argument, position);
    }
    return std::make_unique<TRuleExpressionNode>(kind, std::move(argument), true);
  });
}

TCleranceRuleExpressionParser::TCleranceRuleExpressionParser() {
  for (const Query& query : kObjectQueries) {
    RegisterQuery(query.name, query.kind, query.has_argument);
  }
}

}  // namespace router
