// Router settings in "Tralvek.Ini", and the design file's name escapes.
#include "router/router_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The file's keys with their fields, as the settings file documents them.
struct BooleanKey {
  const char* key;
  bool TRouterSettings::*field;
};
constexpr BooleanKey kBooleanKeys[] = {
    {"ProtectPreRoutes", &TRouterSettings::protect_pre_routes},
    {"MinimizePads", &TRouterSettings::minimize_pads},
    {"Adv10", &TRouterSettings::adv_feature},
    {"Hyb10", &TRouterSettings::hyb_feature},
    {"Dfm10", &TRouterSettings::dfm_feature},
    {"Fst10", &TRouterSettings::fst_feature},
    {"EmitUseVia", &TRouterSettings::emit_use_via},
    {"TestPointStyles", &TRouterSettings::test_point_styles},
    {"ExportPolygons", &TRouterSettings::export_polygons},
    {"PolygonAsHatch", &TRouterSettings::polygons_as_hatch},
    {"ExportNetClasses", &TRouterSettings::export_net_classes},
    {"ExportUserNetClassesOnly", &TRouterSettings::export_user_net_classes_only},
    {"ExportFromToClasses", &TRouterSettings::export_from_to_classes},
    {"ExportFromTos", &TRouterSettings::export_from_tos},
    {"ExportDiffPairs", &TRouterSettings::export_diff_pairs},
    {"ExportRuleRegions", &TRouterSettings::export_rule_regions},
};
struct LengthKey {
  const char* key;
  double TRouterSettings::*field;
  double units;     // distinct per key
  const char* mil;  // as stored in a mil board
  const char* mm;   // as stored in a mm board
};
const LengthKey kLengthKeys[] = {
    {"WireGrid", &TRouterSettings::wire_grid, 125000, "12.5mil", "0.3175mm"},
    {"ViaGrid", &TRouterSettings::via_grid, 400000, "40mil", "1.016mm"},
    {"TestPointExpansion", &TRouterSettings::test_point_expansion, 0, "0mil", "0mm"},
    {"DefaultViaSize", &TRouterSettings::default_via_size, 310000, "31mil", "0.7874mm"},
    {"DefaultViaHole", &TRouterSettings::default_via_hole, 150000, "15mil", "0.381mm"},
    {"SplitPlaneEdgeWidth", &TRouterSettings::split_plane_edge_width, 999990000, "99999mil",
     "2539.9746mm"},
};

// Every key is written under its own name and read into its own field: each pair of Boolean
// keys differs in one of the passes (bit `pass` of the key's number), every length differs.
TEST(RouterSettings, EveryKeyRoundTripsUnderItsOwnName) {
  for (const bool imperial : {true, false}) {
    for (int pass = 0; pass < 5; ++pass) {
      SCOPED_TRACE(std::string(imperial ? "mil" : "mm") + ", pass " + std::to_string(pass));
      testsupport::TempDir dir;
      framework::IniFile ini(dir.Path("Tralvek.Ini"));
      TRouterSettings written;
      for (size_t i = 0; i < std::size(kBooleanKeys); ++i) {
        written.*kBooleanKeys[i].field = ((i + 1) >> pass & 1) != 0;
      }
      for (const LengthKey& k : kLengthKeys) written.*k.field = k.units;
      written.test_point_side = pass % 3;
      router::WriteSpecctraSetup(ini, imperial, written);
      for (const BooleanKey& k : kBooleanKeys) {
        EXPECT_EQ(ini.ReadString(router::kSettingsSection, k.key, "?"),
                  written.*k.field ? "1" : "0")
            << k.key;
      }
      for (const LengthKey& k : kLengthKeys) {
        EXPECT_EQ(ini.ReadString(router::kSettingsSection, k.key, "?"), imperial ? k.mil : k.mm)
            << k.key;
      }
      EXPECT_EQ(ini.ReadString(router::kSettingsSection, "TestPointSide", "?"),
                std::to_string(pass % 3));
      TRouterSettings read;
      for (const BooleanKey& k : kBooleanKeys) read.*k.field = !(written.*k.field);
      read.test_point_side = 3 - pass % 3;
      EXPECT_TRUE(router::ReadSpecctraSetup(ini, imperial, read).empty());
      for (const BooleanKey& k : kBooleanKeys) EXPECT_EQ(read.*k.field, written.*k.field) << k.key;
      for (const LengthKey& k : kLengthKeys) {
        // Texts in mm keep a ten-thousandth of a mm: about 4 units.
        EXPECT_NEAR(read.*k.field, k.units, imperial ? 0.01 : 2) << k.key;
      }
      EXPECT_EQ(read.test_point_side, pass % 3);
    }
  }
}

TEST(RouterSettings, MissingKeysLeaveTheValuesInHand) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("Tralvek.Ini"), "[SpecctraSetup]\r\nViaGrid=5mil\r\n");
  const framework::IniFile ini(dir.Path("Tralvek.Ini"));
  TRouterSettings s;
  s.wire_grid = 123456;
  s.export_polygons = true;
  EXPECT_TRUE(router::ReadSpecctraSetup(ini, true, s).empty());
  EXPECT_EQ(s.via_grid, 50000);
  // The value in hand passes through its length text: a thousandth of a mil is the resolution.
  EXPECT_EQ(s.wire_grid, 123460);
  EXPECT_TRUE(s.export_polygons);
  EXPECT_EQ(s.test_point_side, 1) << "the default side, bottom";
  s.test_point_side = 2;
  router::ReadSpecctraSetup(ini, true, s);
  EXPECT_EQ(s.test_point_side, 2);
}

TEST(RouterSettings, StoredValuesTheRouterCannotUseAreListedAndLeaveTheFieldAsItWas) {
  struct Case {
    const char* stored;
    const char* problem;  // after "<file>: "
  };
  const Case cases[] = {
      {"ViaGrid=-5mil", "ViaGrid=-5mil cannot be used (it is negative); it stays 20mil"},
      {"ViaGrid=0", "ViaGrid=0 cannot be used (it must be larger than 0); it stays 20mil"},
      {"DefaultViaSize=0mm",
       "DefaultViaSize=0mm cannot be used (it must be larger than 0); it stays 50mil"},
      {"DefaultViaHole=-1mil",
       "DefaultViaHole=-1mil cannot be used (it is negative); it stays 28mil"},
      {"SplitPlaneEdgeWidth=inf",
       "SplitPlaneEdgeWidth=inf cannot be used (it is no length); it stays 10mil"},
      {"TestPointExpansion=1000000mil",
       "TestPointExpansion=1000000mil cannot be used (it is larger than 99999mil); it stays 4mil"},
      {"TestPointSide=3",
       "TestPointSide=3 cannot be used (it is none of 0 (top), 1 (bottom) and 2 (both)); it "
       "stays 1"},
      {"TestPointSide=top",
       "TestPointSide=top cannot be used (it is none of 0 (top), 1 (bottom) and 2 (both)); it "
       "stays 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.Path("Tralvek.Ini"),
                           "[SpecctraSetup]\r\nWireGrid=5mil\r\n" + std::string(c.stored) + "\r\n");
    const framework::IniFile ini(dir.Path("Tralvek.Ini"));
    TRouterSettings read;
    EXPECT_EQ(router::ReadSpecctraSetup(ini, true, read),
              std::vector<std::string>{dir.Path("Tralvek.Ini") + ": " + c.problem});
    EXPECT_EQ(read.wire_grid, 50000) << "the other keys are read";
    const TRouterSettings defaults;
    EXPECT_EQ(read.via_grid, defaults.via_grid);
    EXPECT_EQ(read.default_via_size, defaults.default_via_size);
    EXPECT_EQ(read.default_via_hole, defaults.default_via_hole);
    EXPECT_EQ(read.split_plane_edge_width, defaults.split_plane_edge_width);
    EXPECT_EQ(read.test_point_expansion, defaults.test_point_expansion);
    EXPECT_EQ(read.test_point_side, defaults.test_point_side);
  }
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
      {"12", true, 120000, "a bare number is in the board's unit: mil"},
      {"12", false, 4724409.449, "a bare number is in the board's unit: mm"},
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
