// Board units: internal units (1/10000 mil), mils, millimetres, degrees and radians, and the
// length texts "<n>mil" and "<n>mm" with their parser.
#pragma once

#include <cstdint>
#include <string>

namespace sdk {

constexpr double kUnitsPerMil = 10000.0;
constexpr double kInchesPerThousandMm = 0.0254;  // 1 mm = 10000 / 0.0254 units
constexpr double kRadiansPerDegree = 0.017453292519943295;

// Unit flag of a board: 1 imperial (mil), 0 metric (mm).
using TUnitFlag = std::uint8_t;
constexpr TUnitFlag kMetric = 0;
constexpr TUnitFlag kImperial = 1;

double MilsToCoord(double mils);
double MmToCoord(double mm);
double CoordToMils(double units);
double CoordToMm(double units);
// Rounded to the nearest unit, halves to even; raises sdk::Exception beyond 32 bits.
std::int32_t RoundMilsToCoord(double mils);
// Mils with the fraction rounded to three decimals, halves to even (12346 gives 1.235).
double CoordToRoundedMils(std::int32_t units);
double RoundFractionTo3Decimals(double x);
double DegreesToRadians(double degrees);
double RadiansToDegrees(double radians);

constexpr int GetMilDigits() {
  return 3;
}
constexpr int GetMmDigits() {
  return 4;
}

// "<value>mil" with 3 + extra decimals and "<value>mm" with 4 + extra, trailing zeros and then a
// trailing point removed: 254000 units gives "25.4mil" and "0.6452mm". Rounding is exact on the
// given value, ties away from zero. Raises sdk::Exception for a value that is not finite.
std::string FormatCoordMils(int extra_decimals, double units);
std::string FormatCoordMm(int extra_decimals, double units);
std::string FormatCoord(bool imperial, double units);

// Removes all trailing "0" characters, then one trailing "."; a text without a point is a whole
// number and stays as it is.
std::string TrimTrailingZeros(std::string text);

// Upper-cases the text and cuts it before "MM" (tried first, yields true) or "MIL" (yields
// false); without either the text stays uncut and the result is !imperial.
bool StripLengthUnit(std::string& text, bool imperial);

// Reads a length text: blanks dropped, a text that is empty or begins with a letter yields 0 and
// leaves the flag alone; otherwise the flag becomes the text's unit (or keeps its kind without
// one) and, when the rest is a number, `value` gets it in internal units, unrounded. Yields
// whether a number was read.
bool ParseCoord(const std::string& text, double& value, TUnitFlag& unit);

inline std::int32_t MinInteger(std::int32_t a, std::int32_t b) {
  return a < b ? a : b;
}
inline std::int32_t MaxInteger(std::int32_t a, std::int32_t b) {
  return a > b ? a : b;
}
// The larger; the second when they compare equal or unordered.
inline double MaxFloat(double a, double b) {
  return a > b ? a : b;
}

}  // namespace sdk
