// The padstacks of one export.
#include "router/padstack.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <bit>
#include <optional>
#include <utility>

#include "router/design_file_names.h"
#include "router/legacy_layer.h"
#include "router/padstack_pad.h"
#include "router/via_styles.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/rt_param.h"
#include "sdk/units.h"

namespace router {

namespace {

constexpr uint8_t kRoutingViasRule = 11;
constexpr int kFirstMid = 2, kLastMid = 31, kFirstPlane = 39, kLastPlane = 54;
// AuxWord holds the number: more padstacks could not be told apart afterwards.
constexpr int kMaxPadStacks = 65536;

bool Near(int32_t a, int32_t b) {
  return std::llabs(static_cast<long long>(a) - b) < kPadStackSizeTolerance;
}

// Where vias and pads lie: signal layers, planes and the multi-layer.
sdk::LegacyLayerSet CopperLayers() {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(1, 32).IncludeRange(kFirstPlane, kLastPlane).Include(kMultiLayer);
  return layers;
}

bool SameLook(uint8_t shape_a, int32_t x_a, int32_t y_a, uint8_t shape_b, int32_t x_b,
              int32_t y_b) {
  return shape_a == shape_b && x_a == x_b && y_a == y_b;
}

// A pad or via of a size no copper can have stops the export, naming it (`object` composes its
// description): its padstack would have no shapes, and the router no copper there.
template <class DescribeObject>
void RefuseNegativeSizes(const TPadStackShape& shape, DescribeObject&& object) {
  for (const int32_t size :
       {shape.top_x, shape.top_y, shape.mid_x, shape.mid_y, shape.bot_x, shape.bot_y}) {
    if (size < 0) RefuseCopperSize(object(), "size", size);
  }
  if (shape.hole < 0) RefuseCopperSize(object(), "hole size", shape.hole);
}

std::string PlaceText(sdk::Coord x, sdk::Coord y) {
  return FormatDesignNumber(x) + " " + FormatDesignNumber(y);
}

std::unique_ptr<TPadStackList>& ListStorage() {
  static std::unique_ptr<TPadStackList> list;
  return list;
}

}  // namespace

int32_t& TestPointExpansionGlobal() {
  static int32_t expansion = 0;
  return expansion;
}

std::vector<int>& TestPointLayersGlobal() {
  static std::vector<int> layers;
  return layers;
}

void ApplyTestPointSettings(const TRouterSettings& settings, bool imperial) {
  std::vector<int>& layers = TestPointLayersGlobal();
  layers.clear();
  TestPointExpansionGlobal() = 0;
  // The side list holds three items; a stored side outside them selects none.
  const int side = settings.test_point_side % 3;
  if (!settings.test_point_styles || side < 0) return;
  if (side != static_cast<int>(TestPointSide::Bottom)) layers.push_back(kTopLayer);
  if (side != static_cast<int>(TestPointSide::Top)) layers.push_back(kBottomLayer);
  const std::string shown = sdk::FormatCoord(imperial, settings.test_point_expansion);
  TestPointExpansionGlobal() =
      static_cast<int32_t>(std::nearbyint(ReadSettingsLength(shown, imperial)));
}

TPadStackShape TPadStackShape::RoundVia(TPadStackKind kind, int32_t size, int32_t hole, int low,
                                        int high) {
  TPadStackShape shape;
  shape.kind = kind;
  shape.top_x = shape.top_y = shape.mid_x = shape.mid_y = shape.bot_x = shape.bot_y = size;
  shape.top_shape = shape.mid_shape = shape.bot_shape = kRoundShape;
  shape.hole = hole;
  shape.low_layer = low;
  shape.high_layer = high;
  return shape;
}

bool TPadStackShape::Matches(const TPadStackShape& o) const {
  return kind == o.kind && top_shape == o.top_shape && mid_shape == o.mid_shape &&
         bot_shape == o.bot_shape && pwr_gnd == o.pwr_gnd && low_layer == o.low_layer &&
         high_layer == o.high_layer && Near(top_x, o.top_x) && Near(top_y, o.top_y) &&
         Near(mid_x, o.mid_x) && Near(mid_y, o.mid_y) && Near(bot_x, o.bot_x) &&
         Near(bot_y, o.bot_y) && Near(hole, o.hole) && rotation == o.rotation;
}

namespace {

// Every field the matching compares, bit for bit.
bool Identical(const TPadStackShape& a, const TPadStackShape& b) {
  return a.kind == b.kind && a.top_shape == b.top_shape && a.mid_shape == b.mid_shape &&
         a.bot_shape == b.bot_shape && a.pwr_gnd == b.pwr_gnd && a.low_layer == b.low_layer &&
         a.high_layer == b.high_layer && a.top_x == b.top_x && a.top_y == b.top_y &&
         a.mid_x == b.mid_x && a.mid_y == b.mid_y && a.bot_x == b.bot_x && a.bot_y == b.bot_y &&
         a.hole == b.hole &&
         std::bit_cast<uint64_t>(a.rotation) == std::bit_cast<uint64_t>(b.rotation);
}

// Of the fields that tell most shapes apart; Identical settles the rest.
size_t HashOf(const TPadStackShape& s) {
  const uint32_t codes = static_cast<uint32_t>(s.kind) | s.top_shape << 8 | s.mid_shape << 16 |
                         static_cast<uint32_t>(s.low_layer) << 24;
  const uint32_t hash = (codes * 0x9E3779B1u) ^ (static_cast<uint32_t>(s.top_x) * 0x85EBCA77u) ^
                        (static_cast<uint32_t>(s.mid_y) * 0xC2B2AE3Du) ^
                        (static_cast<uint32_t>(s.hole) * 0x27D4EB2Fu);
  return hash ^ hash >> 15;
}

}  // namespace

// The shape's slot, or the empty one where it would go.
TPadStackList::TKnownShape& TPadStackList::KnownSlot(const TPadStackShape& shape) {
  const size_t mask = known_shapes_.size() - 1;
  size_t at = HashOf(shape) & mask;
  while (known_shapes_[at].number >= 0 && !Identical(known_shapes_[at].shape, shape)) {
    at = (at + 1) & mask;
  }
  return known_shapes_[at];
}

void TPadStackList::KeepKnown(const TPadStackShape& shape, int number) {
  if (2 * (known_count_ + 1) > known_shapes_.size()) {
    std::vector<TKnownShape> old(std::max<size_t>(64, 2 * known_shapes_.size()));
    old.swap(known_shapes_);
    for (const TKnownShape& known : old) {
      if (known.number >= 0) KnownSlot(known.shape) = known;
    }
  }
  KnownSlot(shape) = {shape, number};
  ++known_count_;
}

int TPadStackList::FindOrAddPadStack(const TPadStackShape& shape, const std::string& rule_name,
                                     sdk::Handle rule) {
  // Pads of one footprint come one after the other, mostly of one shape.
  if (rule_name.empty() && last_found_.number >= 0 && Identical(last_found_.shape, shape)) {
    return last_found_.number;
  }
  // Every shape matches itself but one whose rotation is no number.
  const bool keyed = shape.rotation == shape.rotation;
  const int known = keyed && !known_shapes_.empty() ? KnownSlot(shape).number : -1;
  int number = std::max(known, 0);
  if (known < 0) {
    while (number < Count() && !items_[static_cast<size_t>(number)]->shape.Matches(shape)) ++number;
  }
  bool changed = false;
  if (number == Count()) {
    if (Count() >= kMaxPadStacks) {
      throw sdk::Exception("The board has more than " + std::to_string(kMaxPadStacks) +
                           " different pads and vias");
    }
    items_.push_back(std::make_unique<TPadStack>(shape));
    names_.emplace_back();
    changed = true;
  }
  if (keyed && known < 0) KeepKnown(shape, number);
  if (keyed) last_found_ = {shape, number};
  if (!rule_name.empty()) {
    changed |= items_[static_cast<size_t>(number)]->rule_names.try_emplace(rule_name, rule).second;
  }
  if (changed) {
    names_[static_cast<size_t>(number)] = ComposeName(number);
    use_via_lists_.clear();
  }
  return number;
}

std::string GetRuleName(sdk::Handle rule) {
  pcbapi::Text255 name{};
  if (sdk::PcbApi_QueryRuleExtEx(pcbapi::kRead, rule, &name) == pcbapi::kFailure) {
    return "ERROR Retrieving Rule Name";
  }
  return sdk::FromText(name);
}

void TPadStackList::AddViaStylePadStacks(sdk::Handle rule, TViaStyleAssociationList* via_styles,
                                         const TTestPointExpansion& test_points) {
  if (!via_style_rules_.insert(rule).second) return;
  TViaStyleDrillPairAggregation* aggregation = via_styles ? via_styles->FindRule(rule) : nullptr;
  if (!aggregation) return;
  sdk::Coord via_size = 0, hole = 0, min_hole = 0;
  sdk::PcbApi_QueryRuleRoutingViaStyleRule(pcbapi::kRead, rule, &via_size, &hole, &min_hole);
  const std::string name = GetRuleName(rule);
  RefuseNegativeSizes(TPadStackShape::RoundVia(TPadStackKind::Via, via_size, hole, 0, 0),
                      [&] { return "via style of the rule " + name; });
  for (int index = 0; index < aggregation->Count(); ++index) {
    const TPcbViaDrillPair& pair = aggregation->Item(index);
    if (!pair.Enabled) continue;
    const int low = std::min(pair.GetFirstLayer(), pair.GetSecondLayer());
    const int high = std::max(pair.GetFirstLayer(), pair.GetSecondLayer());
    FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, via_size, hole, low, high), name,
                      rule);
    if (test_points.expansion <= 0) continue;
    TPadStackShape grown =
        TPadStackShape::RoundVia(TPadStackKind::TestPointVia, via_size, hole, low, high);
    bool grew = false;
    if ((low == kTopLayer || high == kTopLayer) && test_points.top) {
      grown.top_x += test_points.expansion;
      grown.top_y += test_points.expansion;
      grew = true;
    }
    if ((low == kBottomLayer || high == kBottomLayer) && test_points.bottom) {
      grown.bot_x += test_points.expansion;
      grown.bot_y += test_points.expansion;
      grew = true;
    }
    if (grew) FindOrAddPadStack(grown, name, rule);
  }
}

void TPadStackList::CollectPadStacks(const sdk::TPcbBoard& board, int32_t default_via_size,
                                     int32_t default_via_hole, TViaStyleAssociationList* via_styles,
                                     const TTestPointExpansion& test_points) {
  bool every_rule_read = true;
  board.IterateObjects(
      [&](sdk::Handle handle) {
        sdk::TPcbRuleEx rule(handle);
        if (rule.Sync(pcbapi::kRead) != pcbapi::kSuccess) {
          every_rule_read = false;
        } else if (rule.GetRuleKind() == kRoutingViasRule) {
          AddViaStylePadStacks(handle, via_styles, test_points);
        }
      },
      1u << pcbapi::kRule, sdk::LayerZero(), pcbapi::kAllObjects);

  if (items_.empty()) {
    FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, default_via_size,
                                               default_via_hole, kMultiLayer, 0));
  }

  board.IterateObjects(
      [&](sdk::Handle handle) {
        // The via's record alone: its bit fields are not looked at.
        uint16_t held = 0;
        sdk::Coord size = 0, hole = 0;
        pcbapi::Byte low = 0, high = 0;
        if (sdk::PcbApi_QueryVia(pcbapi::kRead, handle, nullptr, &held, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, &size, &hole, &low, &high, nullptr,
                                 nullptr) != pcbapi::kSuccess) {
          return;
        }
        pcbapi::Byte mode = 0;
        sdk::PcbApi_QueryViaStackMode(pcbapi::kRead, handle, &mode);
        auto size_on = [&](int on) {
          sdk::Coord value = 0;
          sdk::PcbApi_QueryViaStackSizeOnLayer(pcbapi::kRead, handle,
                                               static_cast<sdk::LegacyLayer>(on), &value);
          return value;
        };
        TPadStackShape shape = TPadStackShape::RoundVia(TPadStackKind::Via, size, hole,
                                                        std::min(low, high), std::max(low, high));
        if (mode == 1 || mode == 2) {
          shape.top_x = shape.top_y = size_on(kTopLayer);
          shape.bot_x = shape.bot_y = size_on(kBottomLayer);
          sdk::Coord middle = size_on(kFirstMid);
          if (mode == 2) {
            for (int on = kFirstMid + 1; on <= kLastMid; ++on)
              middle = std::max(middle, size_on(on));
          }
          shape.mid_x = shape.mid_y = middle;
        }
        RefuseNegativeSizes(shape, [&] {
          sdk::Coord x = 0, y = 0;
          sdk::PcbApi_QueryVia(pcbapi::kRead, handle, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &x, &y, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
          return "via at " + PlaceText(x, y) + " from " +
                 std::string(DesignFileLayerName(shape.low_layer)) + " to " +
                 std::string(DesignFileLayerName(shape.high_layer));
        });
        StorePadStackNumber(handle, pcbapi::kVia, held, FindOrAddPadStack(shape));
      },
      1u << pcbapi::kVia, CopperLayers(), pcbapi::kAllObjects);

  // Pads come layer by layer, and a layer's legacy number takes a walk through the partitions.
  std::optional<std::pair<pcbapi::LayerId, int>> last_layer;
  board.IterateObjects(
      [&](sdk::Handle handle) {
        TPadShapeSummary pad;
        if (pad.Read(handle) != pcbapi::kSuccess) return;
        TPadStackShape shape;
        shape.kind = pad.ViaLike() ? TPadStackKind::Via : TPadStackKind::Pad;
        shape.top_x = pad.top_x;
        shape.top_y = pad.top_y;
        shape.top_shape = pad.top_shape;
        shape.mid_x = pad.mid_x;
        shape.mid_y = pad.mid_y;
        shape.mid_shape = pad.mid_shape;
        shape.bot_x = pad.bot_x;
        shape.bot_y = pad.bot_y;
        shape.bot_shape = pad.bot_shape;
        shape.hole = pad.hole;
        shape.rotation = pad.rotation;
        pcbapi::Byte power_ground = 0;
        sdk::PcbApi_QueryPad_PwrGnd(handle, &power_ground);
        shape.pwr_gnd = power_ground;
        if (!last_layer || last_layer->first != pad.layer) {
          last_layer.emplace(pad.layer, sdk::LayerToLegacyLayer(pad.layer));
        }
        shape.low_layer = last_layer->second;
        shape.high_layer = 0;
        RefuseNegativeSizes(shape, [&] {
          TPadSummary summary;
          summary.Read(handle);
          return "pad " + std::string(summary.Name()) + " at " + PlaceText(summary.x, summary.y) +
                 " on " + std::string(LegacyLayerName(summary.LegacyLayer()));
        });
        StorePadStackNumber(handle, pcbapi::kPad, pad.padstack, FindOrAddPadStack(shape));
      },
      1u << pcbapi::kPad, CopperLayers(), pcbapi::kAllObjects);

  // A dominant rule is one of the board's routing-via rules: once each of them is in the list,
  // asking every net and from-to for theirs finds none that is not.
  if (!every_rule_read) AddDominantViaStylePadStacks(board, via_styles, test_points);
}

void TPadStackList::AddDominantViaStylePadStacks(const sdk::TPcbBoard& board,
                                                 TViaStyleAssociationList* via_styles,
                                                 const TTestPointExpansion& test_points) {
  board.IterateObjects(
      [&](sdk::Handle handle) {
        const sdk::Handle rule = sdk::PcbApi_FindDominantRuleForObject(handle, kRoutingViasRule);
        if (rule != 0) AddViaStylePadStacks(rule, via_styles, test_points);
      },
      1u << pcbapi::kNet, sdk::LayerZero(), pcbapi::kAllObjects);

  board.IterateObjects(
      [&](sdk::Handle handle) {
        sdk::TPcbManualFromTo from_to(handle);
        if (from_to.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
        if (from_to.GetNetName().empty() || from_to.GetFromPin().empty() ||
            from_to.GetToPin().empty()) {
          return;
        }
        const sdk::Handle rule = sdk::PcbApi_FindDominantRuleForObject(handle, kRoutingViasRule);
        if (rule != 0) AddViaStylePadStacks(rule, via_styles, test_points);
      },
      1u << pcbapi::kFromTo, sdk::LayerZero(), pcbapi::kAllObjects);
}

std::string PadStackLayerText(int layer) {
  if (layer == kTopLayer) return "T";
  if (layer >= kFirstMid && layer <= kLastMid) return "M" + std::to_string(layer - 1);
  if (layer == kBottomLayer) return "B";
  if (layer >= kFirstPlane && layer <= kLastPlane) return "I" + std::to_string(layer - 38);
  return {};
}

std::string TPadStackList::ComposeName(int number) const {
  const TPadStack& stack = Item(number);
  const std::string n = std::to_string(number);
  if (stack.shape.kind == TPadStackKind::Pad) return "Pad" + n;
  std::string name = (stack.shape.kind == TPadStackKind::TestPointVia ? "TPVia" : "Via") + n;
  const std::string span =
      PadStackLayerText(stack.shape.low_layer) + PadStackLayerText(stack.shape.high_layer);
  if (!span.empty()) name += "_" + span;
  std::string rules;
  for (const auto& entry : stack.rule_names) rules += entry.first;
  ReplaceAllText(rules, " ", "");
  // Blanks go; parentheses of a rule name would end the statement early.
  rules = EscapeName(rules);
  if (!rules.empty()) name += "_" + rules;
  return name.substr(0, sdk::kShortTextLength);
}

const std::string& TPadStackList::UseViaList(sdk::Handle object) const {
  static const std::string none;
  if (object == 0) return none;
  const sdk::Handle rule = sdk::PcbApi_FindDominantRuleForObject(object, kRoutingViasRule);
  if (rule == 0) return none;
  // Many nets share one rule, and neither the rule's name nor the list changes while the nets
  // are written.
  const auto [entry, added] = use_via_lists_.try_emplace(rule);
  if (!added) return entry->second;
  const std::string rule_name = GetRuleName(rule);
  std::string& text = entry->second;
  for (int number = 0; number < Count(); ++number) {
    const TPadStack& stack = Item(number);
    if (stack.shape.kind == TPadStackKind::Via && stack.rule_names.count(rule_name) != 0) {
      text.append(PadStackName(number)) += ' ';
    }
  }
  return text;
}

void TPadStackList::WriteViaPadStackNames(DesignFileOutput& out) const {
  for (int number = 0; number < Count(); ++number) {
    if (Item(number).shape.kind != TPadStackKind::Pad) out.Line(PadStackName(number));
  }
}

void WritePadStackShape(DesignFileOutput& out, uint8_t shape, int32_t x_size, int32_t y_size,
                        int layer) {
  // Copper of no extent on a layer is none there: the router refuses a shape of size 0.
  if (x_size <= 0 || y_size <= 0) return;
  const std::string_view name = DesignFileLayerName(layer);
  auto rect = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    out.Line(StatementText().Open("shape").Rect(name, x1, y1, x2, y2).Close().Take());
  };
  // The offsets of an oblong's end circles: the zero is written as a plain 0.
  auto circle = [&](int32_t diameter, const std::string& x, const std::string& y) {
    StatementText text;
    text.Open("shape").Open("circle").Word(name).Number(diameter);
    if (!x.empty()) text.Word(x).Word(y);
    out.Line(text.Close().Close().Take());
  };
  switch (shape) {
    case kRoundShape:
    case kOctagonShape:
      if (x_size == y_size) {
        circle(x_size, {}, {});
      } else if (x_size < y_size) {
        const int32_t h = x_size / 2, d = y_size / 2 - x_size / 2;
        rect(-h, -d, h, d);
        circle(2 * h, "0", FormatDesignNumber(-d));
        circle(2 * h, "0", FormatDesignNumber(d));
      } else {
        const int32_t h = y_size / 2, d = x_size / 2 - y_size / 2;
        rect(-d, -h, d, h);
        circle(2 * h, FormatDesignNumber(-d), "0");
        circle(2 * h, FormatDesignNumber(d), "0");
      }
      break;
    case kRectangleShape:
    case kRoundedRectangleShape: rect(-(x_size / 2), -(y_size / 2), x_size / 2, y_size / 2); break;
    default: break;  // the router has no such shape
  }
}

void TPadStackList::WriteShapes(DesignFileOutput& out, const TPadStack& stack,
                                const sdk::TPcbBoard& board,
                                const std::vector<int>& undeclared) const {
  const TPadStackShape& s = stack.shape;
  if (s.high_layer != 0) {
    if (s.kind == TPadStackKind::Pad) return;
    const bool uniform = SameLook(s.top_shape, s.top_x, s.top_y, s.mid_shape, s.mid_x, s.mid_y) &&
                         SameLook(s.bot_shape, s.bot_x, s.bot_y, s.mid_shape, s.mid_x, s.mid_y);
    if (s.low_layer == kTopLayer && s.high_layer == kBottomLayer && uniform) {
      WritePadStackShape(out, s.mid_shape, s.mid_x, s.mid_y, kMultiLayer);
      return;
    }
    WritePadStackShape(out, s.mid_shape, s.top_x, s.top_y, s.low_layer);
    const sdk::TLayerObject* layer =
        board.GetLayerObject(static_cast<sdk::LegacyLayer>(s.low_layer));
    for (layer = layer ? board.GetNextStackLayer(layer) : nullptr;
         layer && layer->GetLayer() != s.high_layer; layer = board.GetNextStackLayer(layer)) {
      if (layer->IsInLayerStack() &&
          std::find(undeclared.begin(), undeclared.end(), layer->GetLayer()) == undeclared.end()) {
        WritePadStackShape(out, s.mid_shape, s.mid_x, s.mid_y, layer->GetLayer());
      }
    }
    WritePadStackShape(out, s.mid_shape, s.bot_x, s.bot_y, s.high_layer);
    return;
  }
  switch (s.low_layer) {
    case kTopLayer: WritePadStackShape(out, s.top_shape, s.top_x, s.top_y, kTopLayer); break;
    case kBottomLayer: WritePadStackShape(out, s.bot_shape, s.bot_x, s.bot_y, kBottomLayer); break;
    case kMultiLayer:
      if (!SameLook(s.top_shape, s.top_x, s.top_y, s.mid_shape, s.mid_x, s.mid_y)) {
        WritePadStackShape(out, s.top_shape, s.top_x, s.top_y, kTopLayer);
      }
      WritePadStackShape(out, s.mid_shape, s.mid_x, s.mid_y, kMultiLayer);
      if (!SameLook(s.bot_shape, s.bot_x, s.bot_y, s.mid_shape, s.mid_x, s.mid_y)) {
        WritePadStackShape(out, s.bot_shape, s.bot_x, s.bot_y, kBottomLayer);
      }
      break;
    default: WritePadStackShape(out, s.top_shape, s.top_x, s.top_y, s.low_layer); break;
  }
}

void TPadStackList::WritePadStacks(DesignFileOutput& out, const sdk::TPcbBoard& board,
                                   const std::vector<int>& undeclared) const {
  std::string line;
  for (int number = 0; number < Count(); ++number) {
    line.assign("(padstack ").append(PadStackName(number));
    out.Line(line);
    out.Raise();
    WriteShapes(out, Item(number), board, undeclared);
    out.Lower();
    out.Line(")");
  }
}

THoleList TPadStackList::HoleList() const {
  THoleList holes;
  for (int number = 0; number < Count(); ++number) {
    if (Item(number).shape.hole != 0)
      holes.AddHole(std::to_string(number), Item(number).shape.hole);
  }
  return holes;
}

void TPadStackList::SavePadStackHoles(const std::string& file_name) const {
  HoleList().SaveHoleList(file_name);
}

TPadStackList* PadStackListGlobal() { return ListStorage().get(); }

TPadStackList& CreatePadStackList(sdk::Handle board) {
  ListStorage() = std::make_unique<TPadStackList>(board);
  return *ListStorage();
}

void FreePadStackList() { ListStorage().reset(); }

}  // namespace router
