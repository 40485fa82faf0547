// Via-style rules and their drill pairs.
#include "router/via_styles.h"

#include <utility>

#include "framework/ini_file.h"
#include "router/document_settings.h"
#include "sdk/number_text.h"

namespace router {

namespace {

constexpr char kViaStylesSection[] = "ViaStyles";
constexpr uint8_t kRoutingViasRule = 11;
// Names no drill pair: the stored form of "none enabled".
constexpr char kNoPairEnabled[] = "0-0";

std::unique_ptr<TViaStyleAssociationList> via_style_list_global;

sdk::LegacyLayerSet CopperLayers() {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(1, 32);
  layers.IncludeRange(39, 54);
  return layers;
}

int LayerOrDefault(std::string_view text, int fallback) {
  int32_t value = 0;
  return sdk::ParseInt32(text, value) ? value : fallback;
}

}  // namespace

TPcbViaDrillPair::TPcbViaDrillPair(const sdk::TPcblayerPair& pair, const sdk::TPcbBoard& board)
    : TPcblayerPair(pair), upper_layer(pair.GetFirstLayer()), lower_layer(pair.GetSecondLayer()) {
  const sdk::LegacyLayerSet copper = CopperLayers();
  const int first = board.GetStackPositionInSet(copper, board.GetLayerObject(upper_layer));
  const int second = board.GetStackPositionInSet(copper, board.GetLayerObject(lower_layer));
  if (first > second) std::swap(upper_layer, lower_layer);
}

TViaStyleDrillPairAggregation::TViaStyleDrillPairAggregation(sdk::Handle rule,
                                                             const sdk::TPcbBoard& board)
    : rule_(std::make_unique<sdk::TPcbRuleEx>(rule)) {
  rule_->Sync(1);
  for (const auto& pair : board.LayerPairs()) pairs_.emplace_back(*pair, board);
}

std::string TViaStyleDrillPairAggregation::FormatDrillPairs() const {
  std::string text;
  for (const TPcbViaDrillPair& pair : pairs_) {
    if (!pair.Enabled) continue;
    if (!text.empty()) text += '|';
    text += std::to_string(pair.GetFirstLayer()) + "-" + std::to_string(pair.GetSecondLayer());
  }
  return text;
}

void TViaStyleDrillPairAggregation::ParseDrillPairs(const std::string& text) {
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('|', start), text.size());
    const std::string_view item = std::string_view(text).substr(start, end - start);
    const size_t dash = item.find('-');
    const int a = LayerOrDefault(item.substr(0, dash), 1);
    const int b = dash == std::string_view::npos ? 32 : LayerOrDefault(item.substr(dash + 1), 32);
    for (TPcbViaDrillPair& pair : pairs_) {
      const int first = pair.GetFirstLayer(), second = pair.GetSecondLayer();
      if ((first == a && second == b) || (first == b && second == a)) {
        pair.Enabled = true;
        break;
      }
    }
    start = end + 1;
  }
}

void TViaStyleDrillPairAggregation::DisableAllPairs() {
  for (TPcbViaDrillPair& pair : pairs_) pair.Enabled = false;
}

TViaStyleDrillPairAggregation* TViaStyleAssociationList::FindRule(sdk::Handle rule) {
  for (auto& item : items_) {
    if (item->Rule().GetHandle() == rule) return item.get();
  }
  return nullptr;
}

void LoadViaStyles(TViaStyleAssociationList& list, const std::string& file_name) {
  if (!list.Board()) return;
  const framework::IniFile ini(file_name);
  sdk::TPcbBoard board(list.Board());
  board.Sync(1);
  list.Items().clear();
  sdk::LegacyLayerSet layer_zero;
  layer_zero.Include(0);
  board.IterateObjects(
      [&](sdk::Handle rule) {
        sdk::TPcbRuleEx record(rule);
        if (record.Sync(1) != 0 || record.GetRuleKind() != kRoutingViasRule) return;
        auto aggregation = std::make_unique<TViaStyleDrillPairAggregation>(rule, board);
        const std::string stored = ini.ReadString(kViaStylesSection, record.Name(), "");
        if (!stored.empty()) {
          aggregation->DisableAllPairs();
          aggregation->ParseDrillPairs(stored);
        }
        list.Items().push_back(std::move(aggregation));
      },
      1u << pcbapi::kRule, layer_zero, 0);
}

void SaveViaStyles(TViaStyleAssociationList& list, const std::string& file_name) {
  ChangeDocumentSettings(file_name, [&list](framework::IniFile& ini) {
    for (int i = 0; i < list.Count(); ++i) {
      const TViaStyleDrillPairAggregation& item = list.Item(i);
      const std::string pairs = item.FormatDrillPairs();
      ini.WriteString(kViaStylesSection, item.Rule().Name(),
                      pairs.empty() ? kNoPairEnabled : pairs);
    }
  });
}

TViaStyleAssociationList* GetViaStyleList() { return via_style_list_global.get(); }

void BuildViaStyleList(sdk::Handle board) {
  via_style_list_global = std::make_unique<TViaStyleAssociationList>(board);
  sdk::TPcbBoard host_board(board);
  host_board.Sync(1);
  LoadViaStyles(*via_style_list_global, PerDocumentFileName(host_board.GetFileName()));
}

void FreeViaStyleList() { via_style_list_global.reset(); }

}  // namespace router
