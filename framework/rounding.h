// Rounding that does not depend on the floating-point rounding mode a host left set.
#pragma once

#include <cmath>

namespace framework {

// The nearest integer, halves to the even neighbour: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2.
inline double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  if (fraction > 0.5) return lower + 1;
  if (fraction < 0.5) return lower;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

}  // namespace framework
