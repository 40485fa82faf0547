// Length texts and unit conversions: the texts land in settings files, so every digit counts.
#include "sdk/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "sdk/exceptions.h"

namespace {

struct FormatCase {
  double units;
  const char* mils;
  const char* mm;
  const char* why;
};
constexpr FormatCase kFormats[] = {
    {254000, "25.4mil", "0.6452mm", "trailing zeros go"},
    {10000, "1mil", "0.0254mm", "a trailing point goes with the zeros"},
    {0, "0mil", "0mm", "zero"},
    {1, "0mil", "0mm", "below the last decimal"},
    {127, "0.013mil", "0.0003mm", "rounds to nearest"},
    {-127, "-0.013mil", "-0.0003mm", "negative values mirror positive ones"},
    {-1, "0mil", "0mm", "no minus sign on a value that rounds to zero"},
    {5, "0.001mil", "0mm", "a tie in mils rounds away from zero"},
    {-5, "-0.001mil", "0mm", "and so it does below zero"},
    {2500, "0.25mil", "0.0064mm", "0.00635 mm is a tie: away from zero, not binary noise"},
    {-2500, "-0.25mil", "-0.0064mm", "the negative tie mirrors"},
    {1000000000, "100000mil", "2540mm", "zeros before the point stay"},
    {2147483647, "214748.365mil", "5454.6085mm", "the largest coordinate"},
    {393700.78740157484, "39.37mil", "1mm", "one millimetre from the parser"},
    {0.5, "0mil", "0mm", "fractions of a unit"},
    {15.0, "0.002mil", "0mm", "1.5 thousandths round up"},
};

TEST(LengthText, FormatsMilsAndMillimetresWithTrimmedZeros) {
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(sdk::FormatCoord(true, c.units), c.mils) << c.units;
    EXPECT_EQ(sdk::FormatCoord(false, c.units), c.mm) << c.units;
  }
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

struct TrimCase {
  const char* text;
  const char* trimmed;
};
constexpr TrimCase kTrims[] = {
    {"1.500", "1.5"},    {"2.000", "2"}, {"0.000", "0"},
    {"-0.250", "-0.25"}, {"100", "100"},  // a whole number has no zeros to spare
    {"10.", "10"},       {"", ""},
};

TEST(LengthText, TrimsOnlyZerosAfterThePoint) {
  for (const TrimCase& c : kTrims) {
    EXPECT_EQ(sdk::TrimTrailingZeros(c.text), c.trimmed) << c.text;
  }
}

struct ParseCase {
  const char* text;
  sdk::TUnitFlag unit_in;
  double value;
  sdk::TUnitFlag unit_out;
  bool read;
  const char* why;
};
const ParseCase kParses[] = {
    {"10mil", 0, 100000, 1, true, "mil suffix"},
    {"10 MIL", 0, 100000, 1, true, "blanks go, suffix in any case"},
    {"1mm", 1, 10000 / 0.0254, 0, true, "millimetres"},
    {"25", 1, 250000, 1, true, "no unit: the board's mils"},
    {"25", 0, 25 * 10000 / 0.0254, 0, true, "no unit: the board's millimetres"},
    {"mil10", 0, 0, 0, false, "a leading letter stops at once"},
    {"mil10", 1, 0, 1, false, "and leaves the flag alone"},
    {"", 1, 0, 1, false, "empty text"},
    {"1.2.3mil", 0, 0, 1, false, "not a number, but the unit was read"},
    {" - 5 mil", 0, -50000, 1, true, "a sign across blanks"},
    {"+.5mil", 0, 5000, 1, true, "a leading point"},
    {"1e2mil", 0, 1000000, 1, true, "an exponent"},
    {"2MMmil", 1, 2 * 10000 / 0.0254, 0, true, "MM is tried before MIL"},
    {"3,5mm", 1, 0, 0, false, "the decimal point is '.' whatever the locale"},
    {"0x10mil", 0, 0, 1, false, "no hexadecimal"},
};

TEST(LengthText, ParsesTheUnitAndTheNumber) {
  for (const ParseCase& c : kParses) {
    SCOPED_TRACE(c.why);
    double value = 123;
    sdk::TUnitFlag unit = c.unit_in;
    EXPECT_EQ(sdk::ParseCoord(c.text, value, unit), c.read);
    EXPECT_DOUBLE_EQ(value, c.value);
    EXPECT_EQ(unit, c.unit_out);
  }
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

struct StripCase {
  const char* text;
  bool imperial;
  const char* rest;
  bool metric;
};
constexpr StripCase kStrips[] = {
    {"12mm", true, "12", true},  {"12Mil", false, "12", false},    {"12", true, "12", false},
    {"12", false, "12", true},   {"1mil2mm", true, "1MIL2", true},  // "MM" is looked for first
    {"abc", true, "ABC", false},
};

TEST(LengthText, StripsTheUnitSuffix) {
  for (const StripCase& c : kStrips) {
    std::string text = c.text;
    EXPECT_EQ(sdk::StripLengthUnit(text, c.imperial), c.metric) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
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
