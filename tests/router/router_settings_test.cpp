// Router settings in "Tralvek.Ini", and the design file's name escapes.
#include "router/router_settings.h"

#include <gtest/gtest.h>

#include "router/design_file_names.h"
#include "sdk/file_ownership.h"
#include "support/test_paths.h"

namespace {

using router::TRouterSettings;

TEST(RouterSettings, DefaultsAreTheDocumentedMilValues) {
  const TRouterSettings s;
  EXPECT_EQ(s.wire_grid, 200000);
  EXPECT_EQ(s.test_point_expansion, 40000);
  EXPECT_EQ(s.default_via_size, 500000);
  EXPECT_EQ(s.default_via_hole, 280000);
  EXPECT_EQ(s.split_plane_edge_width, 100000);
  EXPECT_EQ(s.test_point_side, 1);
  EXPECT_TRUE(s.emit_use_via);
  EXPECT_FALSE(s.export_polygons);
}

TEST(RouterSettings, EverySettingRoundTripsThroughTheFile) {
  testsupport::TempDir dir;
  framework::IniFile ini(dir.Path("Tralvek.Ini"));
  TRouterSettings changed;
  changed.protect_pre_routes = changed.minimize_pads = changed.adv_feature = true;
  changed.hyb_feature = changed.dfm_feature = changed.fst_feature = true;
  changed.emit_use_via = false;
  changed.test_point_styles = changed.export_polygons = changed.polygons_as_hatch = true;
  changed.export_net_classes = changed.export_user_net_classes_only = false;
  changed.export_from_to_classes = changed.export_from_tos = false;
  changed.export_diff_pairs = changed.export_rule_regions = false;
  changed.test_point_side = 2;
  changed.wire_grid = 125000;  // 12.5 mil
  changed.via_grid = 40;       // at the mm texts' resolution (0.0001 mm, about 3.9 units)
  changed.test_point_expansion = 0;
  changed.default_via_size = 393700.787;  // 1 mm, not a whole number of units
  changed.default_via_hole = 200000;
  changed.split_plane_edge_width = 999990000;
  for (const bool imperial : {true, false}) {
    SCOPED_TRACE(imperial ? "mil" : "mm");
    router::WriteSpecctraSetup(ini, imperial, changed);
    TRouterSettings read;
    router::ReadSpecctraSetup(ini, imperial, read);
    EXPECT_EQ(read.protect_pre_routes, true);
    EXPECT_EQ(read.fst_feature, true);
    EXPECT_EQ(read.emit_use_via, false);
    EXPECT_EQ(read.export_rule_regions, false);
    EXPECT_EQ(read.polygons_as_hatch, true);
    EXPECT_EQ(read.test_point_side, 2);
    EXPECT_NEAR(read.wire_grid, 125000, 0.01);
    EXPECT_NEAR(read.via_grid, 40, 2);
    EXPECT_NEAR(read.test_point_expansion, 0, 0.5);
    EXPECT_NEAR(read.default_via_size, 393700.787, 1);
    EXPECT_NEAR(read.split_plane_edge_width, 999990000, 1);
  }
  sdk::SaveIniFile(ini);
  const std::string text = testsupport::ReadFile(dir.Path("Tralvek.Ini"));
  EXPECT_NE(text.find("[SpecctraSetup]"), std::string::npos);
  EXPECT_NE(text.find("Adv10=1"), std::string::npos);
  EXPECT_NE(text.find("WireGrid=0.3175mm"), std::string::npos) << text;
}

TEST(RouterSettings, MissingKeysLeaveTheValuesInHand) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("Tralvek.Ini"), "[SpecctraSetup]\r\nViaGrid=5mil\r\n");
  const framework::IniFile ini(dir.Path("Tralvek.Ini"));
  TRouterSettings s;
  s.wire_grid = 123456;
  s.export_polygons = true;
  router::ReadSpecctraSetup(ini, true, s);
  EXPECT_EQ(s.via_grid, 50000);
  // The value in hand passes through its length text: a thousandth of a mil is the resolution.
  EXPECT_EQ(s.wire_grid, 123460);
  EXPECT_TRUE(s.export_polygons);
}

TEST(RouterSettings, StoredLengthsAreCutAtTheirFirstBlankAndClamped) {
  struct Case {
    const char* text;
    bool imperial;
    double units;
    const char* why;
  };
  const Case cases[] = {
      {"20mil", false, 200000, "the text's unit wins over the board's"},
      {"  1mm\t", true, 393700.787, "trimmed at both ends"},
      {"1 mm", true, 10000, "the blank cuts the unit off: the board's unit applies"},
      {"1 mm", false, 393700.787, "the same in a metric board"},
      {"1000000000000mil", true, 999990000, "clamped above"},
      {"-1000000000000mil", true, -999990000, "clamped below"},
      {"mil", true, 0, "a text that begins with a letter is 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_NEAR(router::ReadSettingsLength(c.text, c.imperial), c.units, 0.01);
  }
}

TEST(DesignFileNames, EscapesBlanksAndParenthesesBothWays) {
  struct Case {
    const char* plain;
    const char* escaped;
    const char* back;  // trimmed: the escape drops outer blanks
  };
  const Case cases[] = {{"A (B)", "A~SP~~LP~B~RP~", "A (B)"},
                        {"  NET 1  ", "NET~SP~1", "NET 1"},
                        {"(())", "~LP~~LP~~RP~~RP~", "(())"},
                        {"plain", "plain", "plain"},
                        {"", "", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain);
    EXPECT_EQ(router::EscapeName(c.plain), c.escaped);
    EXPECT_EQ(router::UnescapeName(c.escaped), c.back);
  }
}

TEST(DesignFileNames, ReplaceAllTextReplacesOccurrencesItCompletes) {
  std::string text = "aabb";
  router::ReplaceAllText(text, "ab", "b");  // "abb" then "bb"
  EXPECT_EQ(text, "bb");
  text = "x";
  router::ReplaceAllText(text, "", "y");
  EXPECT_EQ(text, "x");
}

}  // namespace
