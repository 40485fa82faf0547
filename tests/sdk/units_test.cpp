// Length texts and unit conversions: the texts land in settings files, so every digit counts.
#include "sdk/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "sdk/exceptions.h"

namespace {

// Each value as the formatter writes it in mils and in millimetres.
std::string Formatted(std::initializer_list<double> values) {
  std::string texts;
  for (double units : values) {
    texts += sdk::FormatCoord(true, units) + " " + sdk::FormatCoord(false, units) + ", ";
  }
  return texts;
}

TEST(LengthText, FormatsMilsAndMillimetresWithTrimmedZeros) {
  // Trailing zeros go, a trailing point with them; what lies below the last decimal is zero
  // without a minus sign, ties round away from zero (0.00635 mm too, not binary noise), and
  // negative values mirror positive ones.
  EXPECT_EQ(Formatted({254000, 10000, 0, 1, 0.5, 127, -127, -1, 5, -5, 15.0, 2500, -2500}),
            "25.4mil 0.6452mm, 1mil 0.0254mm, 0mil 0mm, 0mil 0mm, 0mil 0mm, 0.013mil 0.0003mm, "
            "-0.013mil -0.0003mm, 0mil 0mm, 0.001mil 0mm, -0.001mil 0mm, 0.002mil 0mm, "
            "0.25mil 0.0064mm, -0.25mil -0.0064mm, ");
  // Zeros before the point stay; the largest coordinate; one millimetre from the parser.
  EXPECT_EQ(Formatted({1000000000, 2147483647, 393700.78740157484}),
            "100000mil 2540mm, 214748.365mil 5454.6085mm, 39.37mil 1mm, ");
}

TEST(LengthText, ExtraDecimalsExtendBothUnits) {
  EXPECT_EQ(sdk::FormatCoordMils(1, 12345), "1.2345mil");
  EXPECT_EQ(sdk::FormatCoordMils(2, 12345), "1.2345mil");
  EXPECT_EQ(sdk::FormatCoordMils(0, 12345), "1.235mil");  // tie 1.2345 -> away from zero
  EXPECT_EQ(sdk::FormatCoordMm(2, 1), "0.000003mm");      // 0.00000254 mm
  EXPECT_EQ(sdk::FormatCoordMm(4, 1), "0.00000254mm");
}

TEST(LengthText, RejectsValuesThatAreNotNumbers) {
  EXPECT_THROW(sdk::FormatCoord(true, std::numeric_limits<double>::quiet_NaN()), sdk::Exception);
  EXPECT_THROW(sdk::FormatCoord(false, std::numeric_limits<double>::infinity()), sdk::Exception);
}

TEST(LengthText, ParsesTheUnitAndTheNumber) {
  // Whether a number was read, the value and the unit flag after it, for texts read with the
  // flag given. Blanks go, suffixes in any case, "MM" tried before "MIL"; without a unit the
  // board's; a leading letter stops at once and leaves the flag alone, like an empty text; a text
  // that is no number still sets the unit it names. A sign across blanks, a leading point and an
  // exponent are read; the decimal point is '.' whatever the locale, and there is no hexadecimal.
  // clang-format off
  const std::pair<const char*, sdk::TUnitFlag> texts[] = {
      {"10mil", 0}, {"10 MIL", 0}, {"1mm", 1}, {"25", 1}, {"25", 0}, {"mil10", 0}, {"mil10", 1},
      {"", 1}, {"1.2.3mil", 0}, {" - 5 mil", 0}, {"+.5mil", 0}, {"1e2mil", 0}, {"2MMmil", 1},
      {"3,5mm", 1}, {"0x10mil", 0}};
  // clang-format on
  std::string parsed;
  for (const auto& [text, unit_in] : texts) {
    double value = 123;
    sdk::TUnitFlag unit = unit_in;
    const bool read = sdk::ParseCoord(text, value, unit);
    char number[32];
    std::snprintf(number, sizeof number, "%.12g", value);
    parsed += std::to_string(read) + " " + number + " " + std::to_string(unit) + ", ";
  }
  EXPECT_EQ(parsed,
            "1 100000 1, 1 100000 1, 1 393700.787402 0, 1 250000 1, 1 9842519.68504 0, 0 0 0, "
            "0 0 1, 0 0 1, 0 0 1, 1 -50000 1, 1 5000 1, 1 1000000 1, 1 787401.574803 0, 0 0 0, "
            "0 0 1, ");
}

TEST(LengthText, TextsReadBackToTheSameRoundedUnits) {
  for (double units : {0.0, 1.0, 127.0, -2500.0, 254000.0, 123456789.0}) {
    for (bool imperial : {true, false}) {
      double value = 0;
      sdk::TUnitFlag unit = imperial ? 1 : 0;
      ASSERT_TRUE(sdk::ParseCoord(sdk::FormatCoord(imperial, units), value, unit));
      // The text holds mils to 1/1000 (10 units) or mm to 1/10000 (39.37 units): off by at
      // most half of that.
      EXPECT_NEAR(value, units, imperial ? 5.0 : 19.69) << units;
    }
  }
}

TEST(Units, ConvertsAndRounds) {
  // CoordToRoundedMils keeps three decimals.
  const std::pair<double, double> conversions[] = {{sdk::MilsToCoord(20), 200000},
                                                   {sdk::MmToCoord(1), 393700.78740157484},
                                                   {sdk::CoordToMils(254000), 25.4},
                                                   {sdk::CoordToMm(393700.78740157484), 1},
                                                   {sdk::DegreesToRadians(180), 3.141592653589793},
                                                   {sdk::RadiansToDegrees(3.141592653589793), 180},
                                                   {sdk::CoordToRoundedMils(12346), 1.235},
                                                   {sdk::CoordToRoundedMils(-12346), -1.235},
                                                   {sdk::CoordToRoundedMils(-10000), -1},
                                                   {sdk::CoordToRoundedMils(125000), 12.5}};
  for (const auto& [got, expected] : conversions) EXPECT_DOUBLE_EQ(got, expected);
  // Mils to units half to even: 2.5 units to 2, 3.5 units to 4.
  EXPECT_EQ(
      std::vector<std::int32_t>({sdk::RoundMilsToCoord(20), sdk::RoundMilsToCoord(28),
                                 sdk::RoundMilsToCoord(0.00025), sdk::RoundMilsToCoord(0.00035),
                                 sdk::RoundMilsToCoord(-0.00025)}),
      std::vector<std::int32_t>({200000, 280000, 2, 4, -2}));
  EXPECT_THROW(sdk::RoundMilsToCoord(1e6), sdk::Exception);  // 10^10 units: beyond 32 bits
  EXPECT_EQ(std::make_pair(sdk::MinInteger(-3, 2), sdk::MaxInteger(-3, 2)), std::make_pair(-3, 2));
  // Unordered: the second.
  EXPECT_TRUE(sdk::MaxFloat(1.0, 2.0) == 2.0 && std::isnan(sdk::MaxFloat(1.0, std::nan(""))) &&
              sdk::MaxFloat(std::nan(""), 1.0) == 1.0);
}

}  // namespace
