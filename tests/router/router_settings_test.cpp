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

// Every field in one text, so that a whole set of settings compares at once.
std::string Fields(const TRouterSettings& s) {
  std::string text;
  for (const BooleanKey& k : kBooleanKeys) text += k.key + std::string(s.*k.field ? "=1 " : "=0 ");
  for (const LengthKey& k : kLengthKeys) text += k.key + ("=" + std::to_string(s.*k.field) + " ");
  return text + "TestPointSide=" + std::to_string(s.test_point_side);
}

// The settings file holding `lines` after its section's header.
struct SettingsFile {
  explicit SettingsFile(const std::string& lines) : ini(Written(dir, lines)) {}
  static std::string Written(const testsupport::TempDir& dir, const std::string& lines) {
    testsupport::WriteFile(dir.Path("Tralvek.Ini"), "[SpecctraSetup]\r\n" + lines);
    return dir.Path("Tralvek.Ini");
  }
  testsupport::TempDir dir;
  framework::IniFile ini;
};

// Every key is written under its own name and read into its own field: each pair of Boolean
// keys differs in one of the passes (bit `pass` of the key's number), every length differs.
TEST(RouterSettings, EveryKeyRoundTripsUnderItsOwnName) {
  for (const bool imperial : {true, false}) {
    for (int pass = 0; pass < 5; ++pass) {
      SCOPED_TRACE(std::string(imperial ? "mil" : "mm") + ", pass " + std::to_string(pass));
      SettingsFile file("");
      TRouterSettings written;
      for (size_t i = 0; i < std::size(kBooleanKeys); ++i) {
        written.*kBooleanKeys[i].field = ((i + 1) >> pass & 1) != 0;
      }
      for (const LengthKey& k : kLengthKeys) written.*k.field = k.units;
      written.test_point_side = pass % 3;
      router::WriteSpecctraSetup(file.ini, imperial, written);
      for (const BooleanKey& k : kBooleanKeys) {
        EXPECT_EQ(file.ini.ReadString("SpecctraSetup", k.key, "?"), written.*k.field ? "1" : "0")
            << k.key;
      }
      for (const LengthKey& k : kLengthKeys) {
        EXPECT_EQ(file.ini.ReadString("SpecctraSetup", k.key, "?"), imperial ? k.mil : k.mm)
            << k.key;
      }
      EXPECT_EQ(file.ini.ReadString("SpecctraSetup", "TestPointSide", "?"),
                std::to_string(pass % 3));
      TRouterSettings read;
      for (const BooleanKey& k : kBooleanKeys) read.*k.field = !(written.*k.field);
      read.test_point_side = 3 - pass % 3;
      EXPECT_TRUE(router::ReadSpecctraSetup(file.ini, imperial, read).empty());
      // Texts in mm keep a ten-thousandth of a mm: about 4 units.
      for (const LengthKey& k : kLengthKeys) {
        EXPECT_NEAR(read.*k.field, k.units, imperial ? 0.01 : 2) << k.key;
        read.*k.field = k.units;
      }
      EXPECT_EQ(Fields(read), Fields(written));
    }
  }
}

// Keys the file lacks keep the values in hand; the defaults are the documented mil values.
TEST(RouterSettings, MissingKeysLeaveTheValuesInHand) {
  SettingsFile file("ViaGrid=5mil\r\n");
  TRouterSettings read;
  EXPECT_TRUE(router::ReadSpecctraSetup(file.ini, true, read).empty());
  EXPECT_EQ(Fields(read),
            "ProtectPreRoutes=0 MinimizePads=0 Adv10=0 Hyb10=0 Dfm10=0 Fst10=0 EmitUseVia=1 "
            "TestPointStyles=0 ExportPolygons=0 PolygonAsHatch=0 ExportNetClasses=1 "
            "ExportUserNetClassesOnly=1 ExportFromToClasses=1 ExportFromTos=1 ExportDiffPairs=1 "
            "ExportRuleRegions=1 WireGrid=200000.000000 ViaGrid=50000.000000 "
            "TestPointExpansion=40000.000000 DefaultViaSize=500000.000000 "
            "DefaultViaHole=280000.000000 SplitPlaneEdgeWidth=100000.000000 TestPointSide=1");
  read.wire_grid = 123456;
  read.export_polygons = true;
  read.test_point_side = 2;
  router::ReadSpecctraSetup(file.ini, true, read);
  // The value in hand passes through its length text: a thousandth of a mil is the resolution.
  EXPECT_EQ(read.wire_grid, 123460);
  EXPECT_TRUE(read.export_polygons);
  EXPECT_EQ(read.test_point_side, 2);
}

TEST(RouterSettings, StoredValuesTheRouterCannotUseAreListedAndLeaveTheFieldAsItWas) {
  struct Case {
    const char* stored;
    const char* why;
    const char* kept;
  };
  const Case cases[] = {
      {"ViaGrid=-5mil", "it is negative", "20mil"},
      {"ViaGrid=0", "it must be larger than 0", "20mil"},
      {"DefaultViaSize=0mm", "it must be larger than 0", "50mil"},
      {"DefaultViaHole=-1mil", "it is negative", "28mil"},
      {"SplitPlaneEdgeWidth=inf", "it is no length", "10mil"},
      {"TestPointExpansion=1000000mil", "it is larger than 99999mil", "4mil"},
      {"ViaGrid=5mil;junk", "it is no length", "20mil"},
      {"ViaGrid=1 2mil", "it is no length", "20mil"},
      {"ViaGrid=0x10", "it is no length", "20mil"},
      {"ViaGrid=7,5mil", "it is no length", "20mil"},
      {"ViaGrid=5milmm", "it is no length", "20mil"},
      // Stored and shown in the board's unit, these would come back as 0.
      {"DefaultViaSize=0.0004mil", "it rounds to 0mil, and it must be larger than 0", "50mil"},
      {"ViaGrid=0.00001mm", "it rounds to 0mil, and it must be larger than 0", "20mil"},
      {"TestPointSide=3", "it is none of 0 (top), 1 (bottom) and 2 (both)", "1"},
      {"TestPointSide=top", "it is none of 0 (top), 1 (bottom) and 2 (both)", "1"},
  };
  TRouterSettings expected;
  expected.wire_grid = 50000;  // the other keys are read
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    SettingsFile file("WireGrid=5mil\r\n" + std::string(c.stored) + "\r\n");
    TRouterSettings read;
    EXPECT_EQ(router::ReadSpecctraSetup(file.ini, true, read),
              std::vector<std::string>{file.ini.Path() + ": " + c.stored + " cannot be used (" +
                                       c.why + "); it stays " + c.kept});
    EXPECT_EQ(Fields(read), Fields(expected));
  }
}

// A NUL or another control character in a stored value would end the warning box's text, and
// the problems after it would not be shown; a long value is cut after 40 characters.
TEST(RouterSettings, ControlCharactersOfAStoredValueAreShownByTheirCode) {
  SettingsFile file(std::string("WireGrid=5\0mil\x01\r\nViaGrid=fine\r\n", 31) +
                    "SplitPlaneEdgeWidth=" + std::string(50, '9') + "\r\n");
  TRouterSettings read;
  EXPECT_EQ(router::ReadSpecctraSetup(file.ini, true, read),
            (std::vector<std::string>{
                file.ini.Path() + ": WireGrid=5\\x00mil\\x01 cannot be used (it is no length); "
                                  "it stays 20mil",
                file.ini.Path() + ": ViaGrid=fine cannot be used (it is no length); it stays 20mil",
                file.ini.Path() + ": SplitPlaneEdgeWidth=" + std::string(40, '9') +
                    "... cannot be used (it is larger than 99999mil); it stays 10mil"}));
}

TEST(RouterSettings, StoredLengthsReadWholeAndAreClamped) {
  struct Case {
    const char* text;
    bool imperial;
    double units;
    const char* why;
  };
  const Case cases[] = {
      {"20mil", false, 200000, "the text's unit wins over the board's"},
      {"  1mm\t", true, 393700.787, "trimmed at both ends"},
      {"1 mm", true, 393700.787, "a blank between number and unit keeps the unit"},
      {"12  MIL", false, 120000, "blanks and letter case"},
      {"1000000000000mil", true, 999990000, "clamped above"},
      {"-1000000000000mil", true, -999990000, "clamped below"},
      {"mil", true, 0, "a unit alone is no length: 0"},
      {"5mil;junk", true, 0, "text after the unit makes no length"},
      {"5\tmil", true, 0, "a tab between number and unit makes no length"},
      {"12", true, 120000, "a bare number is in the board's unit: mil"},
      {"12", false, 4724409.449, "a bare number is in the board's unit: mm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_NEAR(router::ReadSettingsLength(c.text, c.imperial), c.units, 0.01);
  }
}

// What a user types into a length field: read whole, in the unit typed, or refused with the
// value kept.
TEST(RouterSettings, TypedLengthsReadWholeOrKeepTheValue) {
  struct Case {
    const char* typed;
    const char* key;
    double units;  // the value afterwards; it starts at 200000
    const char* why;
  };
  const Case cases[] = {
      {"12 mm", "WireGrid", 4724409.449, ""},
      {" 7.5MIL ", "ViaGrid", 75000, ""},
      {"0", "TestPointExpansion", 0, ""},
      {"5mil;junk", "WireGrid", 200000, "it is no length"},
      {"12 mm x", "WireGrid", 200000, "it is no length"},
      {"0mil", "DefaultViaSize", 200000, "it must be larger than 0"},
      {"0.0004mil", "ViaGrid", 200000, "it rounds to 0mil, and it must be larger than 0"},
      {"0.0004mil", "TestPointExpansion", 4, ""},
      {"-1mm", "DefaultViaHole", 200000, "it is negative"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    double value = 200000;
    EXPECT_EQ(router::TakeSettingsLength(c.key, c.typed, true, value), c.why);
    EXPECT_NEAR(value, c.units, 0.01);
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
  std::string text = "aabb";
  router::ReplaceAllText(text, "ab", "b");  // "abb" then "bb": occurrences it completes
  EXPECT_EQ(text, "bb");
  text = "x";
  router::ReplaceAllText(text, "", "y");
  EXPECT_EQ(text, "x");
}

// The string quote follows the quote characters of the names escaped since the last look: the
// router's own alone asks for ', both it and ' for $, all three leave none that serves.
TEST(DesignFileNames, TheStringQuoteIsOneNoEscapedNameHolds) {
  struct Case {
    std::vector<const char*> names;
    char quote;
  };
  const Case cases[] = {{{"A", "$B", "C'"}, 0},
                        {{"0.1\" HDR", "N1"}, '\''},
                        {{"R\"1", "RST'"}, '$'},
                        {{"R\"1", "RST'", "$V"}, 0}};
  router::TakeEscapedNameQuotes();
  for (const Case& c : cases) {
    for (const char* name : c.names) router::EscapeName(name);
    EXPECT_EQ(router::DeclaredStringQuote(router::TakeEscapedNameQuotes()), c.quote) << c.names[0];
  }
  EXPECT_EQ(router::TakeEscapedNameQuotes(), 0u);
}

}  // namespace
