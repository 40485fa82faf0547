// The router settings in "Tralvek.Ini".
#include "router/router_settings.h"

#include <algorithm>
#include <string_view>

#include "sdk/ascii_case.h"
#include "sdk/common_utils.h"
#include "sdk/units.h"

namespace router {

namespace {

constexpr double kLengthLimit = 999990000;

// Every key with its field, in the file's documented order.
template <class Settings, class Visitor>
void VisitKeys(Settings& s, Visitor&& visit) {
  visit.Boolean("ProtectPreRoutes", s.protect_pre_routes);
  visit.Boolean("MinimizePads", s.minimize_pads);
  visit.Boolean("Adv10", s.adv_feature);
  visit.Boolean("Hyb10", s.hyb_feature);
  visit.Boolean("Dfm10", s.dfm_feature);
  visit.Boolean("Fst10", s.fst_feature);
  visit.Length("WireGrid", s.wire_grid);
  visit.Length("ViaGrid", s.via_grid);
  visit.Boolean("EmitUseVia", s.emit_use_via);
  visit.Boolean("TestPointStyles", s.test_point_styles);
  visit.Integer("TestPointSide", s.test_point_side);
  visit.Length("TestPointExpansion", s.test_point_expansion);
  visit.Length("DefaultViaSize", s.default_via_size);
  visit.Length("DefaultViaHole", s.default_via_hole);
  visit.Length("SplitPlaneEdgeWidth", s.split_plane_edge_width);
  visit.Boolean("ExportPolygons", s.export_polygons);
  visit.Boolean("PolygonAsHatch", s.polygons_as_hatch);
  visit.Boolean("ExportNetClasses", s.export_net_classes);
  visit.Boolean("ExportUserNetClassesOnly", s.export_user_net_classes_only);
  visit.Boolean("ExportFromToClasses", s.export_from_to_classes);
  visit.Boolean("ExportFromTos", s.export_from_tos);
  visit.Boolean("ExportDiffPairs", s.export_diff_pairs);
  visit.Boolean("ExportRuleRegions", s.export_rule_regions);
}

struct Reader {
  const framework::IniFile& ini;
  bool imperial;
  void Boolean(const char* key, bool& value) { value = ini.ReadBool(kSettingsSection, key, value); }
  void Integer(const char* key, int& value) {
    value = ini.ReadInteger(kSettingsSection, key, value);
  }
  void Length(const char* key, double& value) {
    const std::string fallback = sdk::FormatCoord(imperial, value);
    value = ReadSettingsLength(ini.ReadString(kSettingsSection, key, fallback), imperial);
  }
};

struct Writer {
  framework::IniFile& ini;
  bool imperial;
  void Boolean(const char* key, bool value) { ini.WriteBool(kSettingsSection, key, value); }
  void Integer(const char* key, int value) { ini.WriteInteger(kSettingsSection, key, value); }
  void Length(const char* key, double value) {
    ini.WriteString(kSettingsSection, key, sdk::FormatCoord(imperial, value));
  }
};

}  // namespace

std::string SettingsFileName() { return sdk::GetWindowsFolder() + "\\Tralvek.Ini"; }

void ReadSpecctraSetup(const framework::IniFile& ini, bool imperial, TRouterSettings& settings) {
  VisitKeys(settings, Reader{ini, imperial});
}

void WriteSpecctraSetup(framework::IniFile& ini, bool imperial, const TRouterSettings& settings) {
  VisitKeys(settings, Writer{ini, imperial});
}

double ReadSettingsLength(const std::string& text, bool imperial) {
  std::string_view length = sdk::TrimBlanks(text);
  length = length.substr(0, length.find(' '));  // a blank before the unit cuts the unit off
  double value = 0;
  sdk::TUnitFlag unit = imperial ? sdk::kImperial : sdk::kMetric;
  sdk::ParseCoord(std::string(length), value, unit);
  return std::clamp(value, -kLengthLimit, kLengthLimit);
}

}  // namespace router
