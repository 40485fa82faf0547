// Board units and length texts.
#include "sdk/units.h"

#include <cmath>

#include "framework/rounding.h"
#include "sdk/exceptions.h"
#include "sdk/number_text.h"

namespace sdk {

namespace {

// Host short texts hold this many characters.
constexpr size_t kMaxLengthText = 255;

using framework::RoundHalfEven;

std::string FormatLength(double units, std::uint32_t numerator, int denominator_exponent,
                         int decimals, const char* unit) {
  if (!std::isfinite(units)) throw Exception("A length that is not a number cannot be written");
  if (decimals < 0) decimals = 0;
  std::string text =
      TrimTrailingZeros(FormatScaledFixed(units, numerator, denominator_exponent, decimals)) + unit;
  if (text.size() > kMaxLengthText) text.resize(kMaxLengthText);
  return text;
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

double MilsToCoord(double mils) {
  return mils * kUnitsPerMil;
}
double MmToCoord(double mm) {
  return mm * kUnitsPerMil / kInchesPerThousandMm;
}
double CoordToMils(double units) {
  return 1.0 * units / kUnitsPerMil;
}
double CoordToMm(double units) {
  return kInchesPerThousandMm * units / kUnitsPerMil;
}

std::int32_t RoundMilsToCoord(double mils) {
  const double rounded = RoundHalfEven(MilsToCoord(mils));
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) {
    throw Exception("The length " + FormatCoordMils(0, MilsToCoord(mils)) +
                    " is outside the board's range");
  }
  return static_cast<std::int32_t>(rounded);
}

double RoundFractionTo3Decimals(double x) {
  const double whole = std::trunc(x);
  const double fraction = RoundHalfEven((x - whole) * 1000) / 1000;
  return whole + fraction;
}

double CoordToRoundedMils(std::int32_t units) {
  return RoundFractionTo3Decimals(CoordToMils(units));
}

double DegreesToRadians(double degrees) {
  return degrees * kRadiansPerDegree;
}
double RadiansToDegrees(double radians) {
  return radians / kRadiansPerDegree;
}

// mils * 10^d = units * 10^d / 10^4; mm * 10^d = units * 254 * 10^d / 10^8. Both exact.
std::string FormatCoordMils(int extra_decimals, double units) {
  return FormatLength(units, 1, 4, GetMilDigits() + extra_decimals, "mil");
}

std::string FormatCoordMm(int extra_decimals, double units) {
  return FormatLength(units, 254, 8, GetMmDigits() + extra_decimals, "mm");
}

std::string FormatCoord(bool imperial, double units) {
  return imperial ? FormatCoordMils(0, units) : FormatCoordMm(0, units);
}

std::string TrimTrailingZeros(std::string text) {
  // Zeros before the point are digits of the value: "100" stays "100".
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

bool StripLengthUnit(std::string& text, bool imperial) {
  for (char& c : text) c = AsciiUpper(c);
  if (const size_t mm = text.find("MM"); mm != std::string::npos) {
    text.resize(mm);
    return true;
  }
  if (const size_t mil = text.find("MIL"); mil != std::string::npos) {
    text.resize(mil);
    return false;
  }
  return !imperial;
}

bool ParseCoord(const std::string& text, double& value, TUnitFlag& unit) {
  value = 0;
  std::string rest;
  for (char c : text) {
    if (c != ' ') rest.push_back(c);
  }
  if (rest.empty() || IsAsciiLetter(rest.front())) return false;
  const bool metric = StripLengthUnit(rest, unit != kMetric);
  double number = 0;
  const bool read = ParseDecimal(rest, number);
  if (read) value = metric ? MmToCoord(number) : MilsToCoord(number);
  unit = metric ? kMetric : kImperial;
  return read;
}

}  // namespace sdk
