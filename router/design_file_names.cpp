// How numbers and layers are written in the design file.
#include "rtl/ascii_case.h"
#include "router/design_file_names.h"

namespace router {

std::string FormatDesignNumber(int32_t units) {
  // 64 bits: the magnitude of INT32_MIN does not fit 32.
  const bool negative = units < 0;
  const int64_t magnitude = negative ? -static_cast<int64_t>(units) : units;
  int64_t thousandths = magnitude / 10;
  const int64_t rest = magnitude % 10;
  if (rest > 5 || (rest == 5 && thousandths % 2 == 1)) ++thousandths;

  std::string fraction = std::to_string(thousandths % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  std::string text = (negative && thousandths != 0) ? "-" : "";
  text += std::to_string(thousandths / 1000);
  text += '.';
  text += fraction;
  return text;
}

std::string_view DesignFileLayerName(LegacyLayer layer) {
  if (layer == kViaHoleLayer) return "POWER";
  if (layer == kKeepOutLayer || layer == kMultiLayer) return "signal";
  return LegacyLayerName(layer);
}

namespace {

struct Escape {
  std::string_view plain;
  std::string_view escaped;
};
constexpr Escape kEscapes[] = {{" ", "~SP~"}, {"(", "~LP~"}, {")", "~RP~"}};

}  // namespace

void ReplaceAllText(std::string& text, std::string_view search, std::string_view replacement) {
  if (search.empty()) return;
  for (size_t at = text.find(search); at != std::string::npos; at = text.find(search)) {
    text.replace(at, search.size(), replacement);
  }
}

std::string EscapeName(std::string_view name) {
  std::string text(rtl::TrimBlanks(name));
  for (const Escape& e : kEscapes) ReplaceAllText(text, e.plain, e.escaped);
  return text;
}

std::string UnescapeName(std::string_view name) {
  std::string text(rtl::TrimBlanks(name));
  for (const Escape& e : kEscapes) ReplaceAllText(text, e.escaped, e.plain);
  return text;
}

}  // namespace router
