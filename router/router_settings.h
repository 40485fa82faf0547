// The router settings the set-up dialog shows and the design-file writer obeys, kept in the
// section "SpecctraSetup" of "Tralvek.Ini" in the Windows folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/ini_file.h"

namespace router {

// Test points go on this side of the board.
enum class TestPointSide { Top = 0, Bottom = 1, Both = 2 };

struct TRouterSettings {
  bool protect_pre_routes = false;
  bool minimize_pads = false;
  bool adv_feature = false;  // allows "use_via" statements
  bool hyb_feature = false;
  bool dfm_feature = false;
  bool fst_feature = false;
  double wire_grid = 200000;  // lengths in internal units (1/10000 mil)
  double via_grid = 200000;
  bool emit_use_via = true;
  bool test_point_styles = false;
  int test_point_side = static_cast<int>(TestPointSide::Bottom);
  double test_point_expansion = 40000;
  double default_via_size = 500000;
  double default_via_hole = 280000;
  double split_plane_edge_width = 100000;
  bool export_polygons = false;
  bool polygons_as_hatch = false;
  bool export_net_classes = true;
  bool export_user_net_classes_only = true;
  bool export_from_to_classes = true;
  bool export_from_tos = true;
  bool export_diff_pairs = true;
  bool export_rule_regions = true;
};

constexpr char kSettingsSection[] = "SpecctraSetup";

// The Windows folder + "\Tralvek.Ini".
std::string SettingsFileName();

// Reads every key present; a missing key leaves its field as it was. Lengths are read in the
// board's unit when the stored text carries none. A stored value the router cannot use leaves
// its field as it was too and is listed in the result, naming the file, the key and the value:
// a length that does not read or lies beyond +-999,990,000 units, a negative length, a grid or
// via size of 0 or one that rounds to 0 in the board's unit (as the dialog shows it), a
// test-point side other than 0, 1 and 2.
std::vector<std::string> ReadSpecctraSetup(const framework::IniFile& ini, bool imperial,
                                           TRouterSettings& settings);
// Writes every key; lengths as length texts in the board's unit.
void WriteSpecctraSetup(framework::IniFile& ini, bool imperial, const TRouterSettings& settings);

// A stored length, clamped to +-999,990,000 units; 0 when it is no length.
double ReadSettingsLength(const std::string& text, bool imperial);
// Takes a length typed for one of the length keys ("WireGrid", "TestPointExpansion", ...) into
// `value`. When the router cannot use it for that key, `value` stays and the result says why.
std::string TakeSettingsLength(std::string_view key, const std::string& text, bool imperial,
                               double& value);
// A length read whole: a decimal number, blanks, then "mm" or "mil" in any case or no unit (the
// board's unit), with blanks and control characters trimmed at both ends. False, with `units`
// untouched, when anything else is in the text ("5mil;junk", "0x10", "7,5mil", "5<tab>mil").
bool ParseSettingsLength(const std::string& text, bool imperial, double& units);

// A stored text as a message shows it: at most 40 characters, then "...", and each control
// character as \xNN (a NUL would end the text of a message box or status bar).
std::string ShownSettingText(std::string_view text);

}  // namespace router
