// Layer names, layer identities, lengths, shapes and rule kinds of the stand-in editor.
#include "host/quorvel/layers.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace quorvel {

namespace {

constexpr std::array<std::string_view, 10> kSpecialLayerNames = {
    "DrillDrawing",   "MultiLayer", "ConnectLayer", "BackGroundLayer", "DRCErrorLayer",
    "HighlightLayer", "GridColor1", "GridColor10",  "PadHoleLayer",    "ViaHoleLayer"};
constexpr std::array<std::string_view, 6> kMaskLayerNames = {
    "TopOverlay", "BottomOverlay", "TopPaste", "BottomPaste", "TopSolder", "BottomSolder"};

constexpr std::array<std::string_view, pcbapi::kObjectKindCount> kObjectKindNames = {
    "No",
    "Arc",
    "Pad",
    "Via",
    "Track",
    "Text",
    "Fill",
    "Connection",
    "Net",
    "Component",
    "Poly",
    "Region",
    "ComponentBody",
    "Dimension",
    "Coordinate",
    "Class",
    "Rule",
    "FromTo",
    "DifferentialPair",
    "Violation",
    "Embedded",
    "EmbeddedBoard",
    "SplitPlane",
    "Trace",
    "SpareVia",
    "Board",
    "BoardOutline"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string LegacyLayerName(int layer) {
  if (layer == 0) return "NoLayer";
  if (layer == 1) return "TopLayer";
  if (layer >= 2 && layer <= 31) return "MidLayer" + std::to_string(layer - 1);
  if (layer == 32) return "BottomLayer";
  if (layer >= 33 && layer <= 38) return std::string(kMaskLayerNames[layer - 33]);
  if (IsPlaneLayer(layer)) return "InternalPlane" + std::to_string(layer - 38);
  if (layer == 55) return "DrillGuide";
  if (layer == 56) return "KeepOutLayer";
  if (layer >= 57 && layer <= 72) return "Mechanical" + std::to_string(layer - 56);
  if (layer >= 73 && layer <= 82) return std::string(kSpecialLayerNames[layer - 73]);
  return "";
}

std::optional<uint8_t> LegacyLayerFromName(std::string_view name) {
  for (int layer = 0; layer <= kLastLegacyLayer; ++layer) {
    if (EqualNoCase(LegacyLayerName(layer), name)) return static_cast<uint8_t>(layer);
  }
  return std::nullopt;
}

LayerFilter::LayerFilter(pcbapi::LayerId layer) {
  if (layer == 0 || layer == 0xFFFF0000u) {
    any_ = true;
  } else if (layer <= kLastLegacyLayer) {
    single_ = static_cast<int>(layer);
  } else if (layer == 0x01010000u) {  // signal layers
    first_ = kTopLayer, last_ = kBottomLayer;
  } else if (layer == 0x01020000u) {  // mid layers
    first_ = 2, last_ = 31;
  } else if (layer == 0x01040000u) {  // internal planes
    first_ = kFirstPlane, last_ = kLastPlane;
  } else if (layer == 0x04000000u) {  // mechanical layers
    first_ = 57, last_ = 72;
  } else if (layer == 0x01000000u) {  // electrical layers
    first_ = kTopLayer, last_ = kBottomLayer;
    first2_ = kFirstPlane, last2_ = kLastPlane;
  }
  // Any other identity names a layer this board cannot have: nothing matches.
}

bool LayerFilter::Matches(int legacy_layer) const {
  if (any_) return true;
  if (single_ >= 0) return legacy_layer == single_;
  return (legacy_layer >= first_ && legacy_layer <= last_) ||
         (legacy_layer >= first2_ && legacy_layer <= last2_);
}

std::optional<uint8_t> LegacyLayerOfIdentity(pcbapi::LayerId layer) {
  if (layer <= kLastLegacyLayer) return static_cast<uint8_t>(layer);
  return std::nullopt;
}

int32_t ParseLength(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // Digits before and after the point, kept exact as an integer with a decimal scale.
  int64_t mantissa = 0;
  int decimals = 0;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      if (mantissa > 100000000000000LL) throw std::invalid_argument("length out of range");
      mantissa = mantissa * 10 + (c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) throw std::invalid_argument("expected a number");
  const std::string_view unit = text.substr(i);
  double value;  // internal units
  if (unit.empty()) {
    if (point) throw std::invalid_argument("a length without unit is a whole number of units");
    value = static_cast<double>(mantissa);
  } else if (EqualNoCase(unit, "mil")) {
    value = static_cast<double>(mantissa) * 10000.0 / std::pow(10.0, decimals);
  } else if (EqualNoCase(unit, "mm")) {
    value = static_cast<double>(mantissa) / std::pow(10.0, decimals) * (10000.0 / 0.0254);
  } else {
    throw std::invalid_argument("unknown unit '" + std::string(unit) + "' (mil or mm)");
  }
  value = std::nearbyint(negative ? -value : value);
  if (value < -2147483648.0 || value > 2147483647.0) {
    throw std::invalid_argument("length out of range");
  }
  return static_cast<int32_t>(value);
}

std::string FormatLength(int32_t value) {
  const int64_t v = value;
  const int64_t magnitude = v < 0 ? -v : v;
  std::string text = (v < 0 ? "-" : "") + std::to_string(magnitude / 10000);
  int64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction + 10000).substr(1);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + "mil";
}

std::optional<uint8_t> ShapeFromName(std::string_view name) {
  if (EqualNoCase(name, "none")) return 0;
  if (EqualNoCase(name, "round")) return 1;
  if (EqualNoCase(name, "rectangle")) return 2;
  if (EqualNoCase(name, "octagon")) return 3;
  if (EqualNoCase(name, "roundedRectangle")) return 9;
  return std::nullopt;
}

std::string ShapeName(uint8_t shape) {
  switch (shape) {
    case 0: return "none";
    case 1: return "round";
    case 2: return "rectangle";
    case 3: return "octagon";
    case 9: return "roundedRectangle";
    default: return std::to_string(shape);
  }
}

std::optional<uint8_t> RuleKindFromName(std::string_view name) {
  for (size_t i = 0; i < pcbapi::kRuleKindNames.size(); ++i) {
    if (EqualNoCase(pcbapi::kRuleKindNames[i], name)) return static_cast<uint8_t>(i);
  }
  return std::nullopt;
}

std::string RuleKindName(uint8_t kind) {
  return kind < pcbapi::kRuleKindNames.size() ? std::string(pcbapi::kRuleKindNames[kind])
                                              : std::to_string(kind);
}

std::string_view ObjectKindName(uint8_t kind) {
  return kind < kObjectKindNames.size() ? kObjectKindNames[kind] : std::string_view();
}

}  // namespace quorvel
