// Random, truncated and mutated expression texts, and the check of the parsers' answers.
#include "expression_fuzz.h"

#include <exception>
#include <memory>
#include <string_view>

#include "router/expression_parser.h"
#include "router/rule_expression_parsing.h"

namespace fuzz {

namespace {

// clang-format off
constexpr std::string_view kPieces[] = {
    "(", ")", "Or", "and", "NOT", "=", "+", "-", "*", "/", "^", "<", ">", "'", "''", "'x y'", "a",
    "GND", "InNet", "InNetClass", "OnLayer", "OnTop", "All", "IsVia", "InFromTo", "WithinRoom",
    "InFromToClass", "TestPoint", "5", "1.5e3", ":", "(U1-1)", "\t", "\r\n", " ", "\xC3\xA9",
    std::string_view("\0", 1), "'NET_0001(U1-1):NET_0001(U2-3)'", "innet('A')"};
// clang-format on

}  // namespace

const std::vector<std::string>& SeedExpressions() {
  static const std::vector<std::string> seeds = {
      "InNet('GND') And OnLayer('TopLayer')",
      "(InNet('A') Or InNet('B')) And Not OnTop",
      "InFromTo('NET_0001(U1-1):NET_0001(U2-3)') And OnLayer('MidLayer1')",
      "WithinRoom('Room 1') And InNetClass('Power')",
      "IsVia And (IsPad Or IsSMDPad) And InNet('X')",
      "a ^ b ^ c - d * (e / f) = g + Not h",
      "'a b(c)' Or 'it''s' And innet(x)",
      "All",
      "InFromToClass('G') And OnBottomLayer Or OnMid",
      "Not Not (TestPoint And IsTrack) Or IsFill And IsPolyRegion",
  };
  return seeds;
}

std::string ExpressionInputs::TokenSoup() {
  std::string text;
  const size_t pieces = Below(16);
  for (size_t i = 0; i < pieces; ++i) {
    text += kPieces[Below(std::size(kPieces))];
    if (Below(3) != 0) text += ' ';
  }
  return text;
}

std::string ExpressionInputs::RandomBytes() {
  std::string text(Below(40), '\0');
  for (char& c : text) c = static_cast<char>(Below(256));
  return text;
}

std::string ExpressionInputs::Mutated() {
  const auto& seeds = SeedExpressions();
  std::string text = seeds[Below(seeds.size())];
  const size_t edits = 1 + Below(4);
  for (size_t i = 0; i < edits; ++i) {
    const size_t at = Below(text.size() + 1);
    switch (Below(4)) {
      case 0: text.resize(at); break;  // truncate
      case 1:
        if (at < text.size()) text.erase(at, 1 + Below(4));
        break;                                                             // delete
      case 2: text.insert(at, kPieces[Below(std::size(kPieces))]); break;  // insert
      default: text.insert(at, text.substr(at, Below(12))); break;         // duplicate
    }
  }
  return text;
}

std::string ExpressionInputs::Deep() {
  constexpr std::string_view kOpeners[] = {"(", "Not ", "a ^ ", "a Or ", "InNet(x) And "};
  const std::string_view opener = kOpeners[Below(std::size(kOpeners))];
  const size_t count = 150 + Below(400);
  std::string text;
  for (size_t i = 0; i < count; ++i) text += opener;
  text += "a";
  if (opener == "(") text += std::string(Below(count + 2), ')');
  return text;
}

std::string ExpressionInputs::Next() {
  switch (count_++ % 8) {
    case 0:
    case 1:
    case 2: return TokenSoup();
    case 3: return RandomBytes();
    case 7: return Deep();
    default: return Mutated();
  }
}

std::string CheckInput(const std::string& text) {
  router::TExpressionParser plain;
  router::TRuleExpressionParser rules;
  router::TCleranceRuleExpressionParser clearances;
  router::TExpressionParser* const parsers[] = {&plain, &rules, &clearances};
  for (router::TExpressionParser* parser : parsers) {
    try {
      const std::unique_ptr<router::TTreeNode> tree = parser->Parse(text);
      if (!tree) return "no tree and no error";
      (void)tree->Print();
      (void)tree->IsValid();
      (void)router::TExpressionParser::FindInvalid(tree.get());
      (void)router::ScopeKindOf(tree.get());
    } catch (const router::EExpressionError& e) {
      if (e.position() < 1 || e.position() > static_cast<int>(text.size()) + 1) {
        return "error position " + std::to_string(e.position()) + " outside the text";
      }
      if (std::string_view(e.what()).empty()) return "error without a message";
    } catch (const std::exception& e) {
      return std::string("unexpected exception: ") + e.what();
    } catch (...) {
      return "unexpected exception";
    }
  }
  return std::string();
}

}  // namespace fuzz
