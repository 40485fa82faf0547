// The host's rule-scope query language (InNet('GND') And OnLayer('TopLayer'), ...) parsed into
// trees whose nodes know their router scope kind and whether the router can express them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "router/expression_parser.h"
#include "router/specctra_scope.h"

namespace router {

inline constexpr const char* kInFromToErrorText = "Syntax Error parsing InFromTo ";

// Both the operator nodes and the leaves of a rule-scope tree.
class TRuleExpressionNode : public TLeafNode {
 public:
  TRuleExpressionNode() = default;
  // A leaf made by a query word: its kind is fixed; its text is the word's argument (quotes
  // dropped), or the word itself as written for words without an argument.
  TRuleExpressionNode(TSpecctraScope kind, std::string text, bool has_argument);

  bool has_argument() const { return has_argument_; }

  // Fixed for query leaves, NotAssigned for plain words; an operator node combines its operands'
  // kinds (Combine), taking NotAssigned when they do not combine. Worked out once.
  TSpecctraScope ScopeKind() const;

  // A query leaf prints as it selects: InNet(GND), OnLayer(TopLayer); words without an argument
  // (All, OnTop, IsVia) and plain words print as their text. Operators as TTreeNode prints them.
  std::string Print() const override;

  // Or needs operands of one kind; And needs a supported pair, or equal texts for equal kinds.
  bool IsValid() const override;

 private:
  bool OperatorIsValid() const;

  mutable TSpecctraScope scope_ = TSpecctraScope::NotAssigned;
  bool has_argument_ = false;
};

// The scope kind of any node; NotAssigned for nodes that are no rule-expression nodes.
TSpecctraScope ScopeKindOf(const TTreeNode* node);

// The query words of every rule kind: All, InNet, InNetClass, InFromToClass, InFromTo,
// WithinRoom, OnLayer and the layer words.
class TRuleExpressionParser : public TExpressionParser {
 public:
  TRuleExpressionParser();

  // Parse() with the root as the node class this parser makes.
  std::unique_ptr<TRuleExpressionNode> ParseScope(std::string_view text);

 protected:
  std::unique_ptr<TTreeNode> CreateOperatorNode() override;
  std::unique_ptr<TLeafNode> CreateLeafNode() override;
  void RegisterQuery(std::string_view name, TSpecctraScope kind, bool has_argument);
};

// Clearance rules may also name kinds of objects: IsPad, IsVia, IsTrack, ... (The class keeps
// the system's spelling of its name, so that a reader finds it by that name.)
class TCleranceRuleExpressionParser : public TRuleExpressionParser {
 public:
  TCleranceRuleExpressionParser();
};

// Whether a from-to argument has the shape the host writes: "(" at character 3 or later, ":" at
// 8 or later and ")" at 13 or later (first occurrences, 1-based).
bool IsFromToArgument(std::string_view argument);

}  // namespace router
