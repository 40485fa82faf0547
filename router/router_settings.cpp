// The router settings in "Tralvek.Ini".
#include "router/router_settings.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "sdk/ascii_case.h"
#include "sdk/common_utils.h"
#include "sdk/number_text.h"
#include "sdk/units.h"

namespace router {

namespace {

constexpr double kLengthLimit = 999990000;

// What a stored length must be for the router to use it.
enum class LengthUse {
  Positive,     // grids and the via size: 0 would divide the board into nothing
  NonNegative,  // expansions, holes and edge widths
};

// Every key with its field, in the file's documented order.
template <class Settings, class Visitor>
void VisitKeys(Settings& s, Visitor&& visit) {
  visit.Boolean("ProtectPreRoutes", s.protect_pre_routes);
  visit.Boolean("MinimizePads", s.minimize_pads);
  visit.Boolean("Adv10", s.adv_feature);
  visit.Boolean("Hyb10", s.hyb_feature);
  visit.Boolean("Dfm10", s.dfm_feature);
  visit.Boolean("Fst10", s.fst_feature);
  visit.Length("WireGrid", s.wire_grid, LengthUse::Positive);
  visit.Length("ViaGrid", s.via_grid, LengthUse::Positive);
  visit.Boolean("EmitUseVia", s.emit_use_via);
  visit.Boolean("TestPointStyles", s.test_point_styles);
  visit.Side("TestPointSide", s.test_point_side);
  visit.Length("TestPointExpansion", s.test_point_expansion, LengthUse::NonNegative);
  visit.Length("DefaultViaSize", s.default_via_size, LengthUse::Positive);
  visit.Length("DefaultViaHole", s.default_via_hole, LengthUse::NonNegative);
  visit.Length("SplitPlaneEdgeWidth", s.split_plane_edge_width, LengthUse::NonNegative);
  visit.Boolean("ExportPolygons", s.export_polygons);
  visit.Boolean("PolygonAsHatch", s.polygons_as_hatch);
  visit.Boolean("ExportNetClasses", s.export_net_classes);
  visit.Boolean("ExportUserNetClassesOnly", s.export_user_net_classes_only);
  visit.Boolean("ExportFromToClasses", s.export_from_to_classes);
  visit.Boolean("ExportFromTos", s.export_from_tos);
  visit.Boolean("ExportDiffPairs", s.export_diff_pairs);
  visit.Boolean("ExportRuleRegions", s.export_rule_regions);
}

// Why the router cannot use a stored length; empty when it can.
std::string LengthProblem(const std::string& text, bool imperial, LengthUse use, double& units) {
  if (!ParseSettingsLength(text, imperial, units)) return "it is no length";
  if (units < 0) return "it is negative";
  if (units > kLengthLimit) return "it is larger than " + sdk::FormatCoord(imperial, kLengthLimit);
  if (use != LengthUse::Positive) return {};
  if (units == 0) return "it must be larger than 0";
  // The length is stored, and shown in the dialog, as a text in the board's unit: one that rounds
  // to 0 there would come back as 0 ("0.0004mil" shows as "0mil", which the dialog refuses).
  const std::string shown = sdk::FormatCoord(imperial, units);
  double stored = 0;
  if (ParseSettingsLength(shown, imperial, stored) && stored <= 0) {
    return "it rounds to " + shown + ", and it must be larger than 0";
  }
  return {};
}

struct Reader {
  const framework::IniFile& ini;
  bool imperial;
  std::vector<std::string>& problems;

  void Boolean(const char* key, bool& value) { value = ini.ReadBool(kSettingsSection, key, value); }
  void Side(const char* key, int& value) {
    const std::string text = ini.ReadString(kSettingsSection, key, std::to_string(value));
    int side = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    if (error == std::errc() && end == text.data() + text.size() &&
        side >= static_cast<int>(TestPointSide::Top) &&
        side <= static_cast<int>(TestPointSide::Both)) {
      value = side;
      return;
    }
    Refuse(key, text, "it is none of 0 (top), 1 (bottom) and 2 (both)", std::to_string(value));
  }
  void Length(const char* key, double& value, LengthUse use) {
    const std::string kept = sdk::FormatCoord(imperial, value);
    const std::string text = ini.ReadString(kSettingsSection, key, kept);
    double units = 0;
    const std::string problem = LengthProblem(text, imperial, use, units);
    if (problem.empty()) {
      value = units;
    } else {
      Refuse(key, text, problem, kept);
    }
  }
  void Refuse(const char* key, const std::string& text, const std::string& why,
              const std::string& kept) {
    problems.push_back(ini.Path() + ": " + key + "=" + ShownSettingText(text) +
                       " cannot be used (" + why + "); it stays " + kept);
  }
};

struct Writer {
  framework::IniFile& ini;
  bool imperial;
  void Boolean(const char* key, bool value) { ini.WriteBool(kSettingsSection, key, value); }
  void Side(const char* key, int value) { ini.WriteInteger(kSettingsSection, key, value); }
  void Length(const char* key, double value, LengthUse) {
    ini.WriteString(kSettingsSection, key, sdk::FormatCoord(imperial, value));
  }
};

}  // namespace

std::string SettingsFileName() { return sdk::GetWindowsFolder() + "\\Tralvek.Ini"; }

std::vector<std::string> ReadSpecctraSetup(const framework::IniFile& ini, bool imperial,
                                           TRouterSettings& settings) {
  std::vector<std::string> problems;
  VisitKeys(settings, Reader{ini, imperial, problems});
  return problems;
}

void WriteSpecctraSetup(framework::IniFile& ini, bool imperial, const TRouterSettings& settings) {
  VisitKeys(settings, Writer{ini, imperial});
}

std::string TakeSettingsLength(std::string_view key, const std::string& text, bool imperial,
                               double& value) {
  const bool positive = key == "WireGrid" || key == "ViaGrid" || key == "DefaultViaSize";
  double units = 0;
  std::string problem =
      LengthProblem(text, imperial, positive ? LengthUse::Positive : LengthUse::NonNegative, units);
  if (problem.empty()) value = units;
  return problem;
}

bool ParseSettingsLength(const std::string& text, bool imperial, double& units) {
  // length ::= number blanks? unit?   unit ::= "mm" | "mil", in any letter case. Nothing else
  // may follow: "5mil;junk" is no length rather than 5 mil.
  std::string_view length = sdk::TrimBlanks(text);
  bool metric = !imperial;
  for (const auto& [unit, is_metric] : {std::pair{"mm", true}, std::pair{"mil", false}}) {
    const std::string_view suffix(unit);
    if (length.size() > suffix.size() &&
        sdk::EqualsIgnoringCase(length.substr(length.size() - suffix.size()), suffix)) {
      length.remove_suffix(suffix.size());
      metric = is_metric;
      break;
    }
  }
  while (!length.empty() && length.back() == ' ') length.remove_suffix(1);
  double number = 0;
  if (!sdk::ParseDecimal(length, number)) return false;
  units = metric ? sdk::MmToCoord(number) : sdk::MilsToCoord(number);
  return true;
}

std::string ShownSettingText(std::string_view text) {
  constexpr size_t kShownLength = 40;
  std::string shown;
  for (const char c : text.substr(0, kShownLength)) {
    if (static_cast<unsigned char>(c) < ' ') {
      constexpr char kDigits[] = "0123456789ABCDEF";
      shown += std::string("\\x") + kDigits[(c >> 4) & 15] + kDigits[c & 15];
    } else {
      shown += c;
    }
  }
  return text.size() > kShownLength ? shown + "..." : shown;
}

double ReadSettingsLength(const std::string& text, bool imperial) {
  double units = 0;
  ParseSettingsLength(text, imperial, units);
  return std::clamp(units, -kLengthLimit, kLengthLimit);
}

}  // namespace router
