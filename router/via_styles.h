// Which of the board's drill pairs each routing-via-style rule may use: chosen in the set-up
// dialog, stored in section "ViaStyles" of the per-document file, read by the padstack writer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

// A copy of one board layer pair, with the user's choice and its layers ordered down the stack.
class TPcbViaDrillPair : public sdk::TPcblayerPair {
 public:
  TPcbViaDrillPair(const sdk::TPcblayerPair& pair, const sdk::TPcbBoard& board);
  bool Enabled = true;
  // The pair's layers as legacy numbers, the one higher in the stack first.
  sdk::LegacyLayer upper_layer = 0;
  sdk::LegacyLayer lower_layer = 0;
};

// One via-style rule with the board's drill pairs.
class TViaStyleDrillPairAggregation {
 public:
  TViaStyleDrillPairAggregation(sdk::Handle rule, const sdk::TPcbBoard& board);

  const sdk::TPcbRuleEx& Rule() const { return *rule_; }
  int Count() const { return static_cast<int>(pairs_.size()); }
  TPcbViaDrillPair& Item(int index) { return pairs_.at(static_cast<size_t>(index)); }
  const TPcbViaDrillPair& Item(int index) const { return pairs_.at(static_cast<size_t>(index)); }

  // The enabled pairs as "first-second" of the board pair's layers, joined by "|".
  std::string FormatDrillPairs() const;
  // Enables the first pair matching each item, in either order; a part that is no number
  // counts as 1 (before "-") or 32 (after it).
  void ParseDrillPairs(const std::string& text);
  void DisableAllPairs();

 private:
  std::unique_ptr<sdk::TPcbRuleEx> rule_;
  std::vector<TPcbViaDrillPair> pairs_;
};

class TViaStyleAssociationList {
 public:
  explicit TViaStyleAssociationList(sdk::Handle board) : board_(board) {}
  sdk::Handle Board() const { return board_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TViaStyleDrillPairAggregation& Item(int index) { return *items_.at(static_cast<size_t>(index)); }
  // The aggregation of a rule; null when the rule has none.
  TViaStyleDrillPairAggregation* FindRule(sdk::Handle rule);
  std::vector<std::unique_ptr<TViaStyleDrillPairAggregation>>& Items() { return items_; }

 private:
  sdk::Handle board_;
  std::vector<std::unique_ptr<TViaStyleDrillPairAggregation>> items_;
};

// One aggregation per via-style rule of the board, in the host's rule order, with the stored
// choices of the file (a rule without one keeps every pair).
void LoadViaStyles(TViaStyleAssociationList& list, const std::string& file_name);
// Stores every rule's choice under its name. A rule with no pair enabled stores "0-0", which names
// no pair and so reads back as nothing enabled.
void SaveViaStyles(TViaStyleAssociationList& list, const std::string& file_name);

// The list of the running command.
TViaStyleAssociationList* GetViaStyleList();
void BuildViaStyleList(sdk::Handle board);
void FreeViaStyleList();

}  // namespace router
