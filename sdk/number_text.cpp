// Number texts without the C runtime's locale or rounding.
#include "sdk/number_text.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <vector>

namespace sdk {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// [+-]digits within [low, high].
bool ParseBoundedInteger(std::string_view text, std::int64_t low, std::int64_t high,
                         std::int64_t& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > high + 1) return false;  // stays far below overflow of 64 bits
  }
  const std::int64_t result = negative ? -magnitude : magnitude;
  if (result < low || result > high) return false;
  value = result;
  return true;
}

// Just enough of an unsigned big integer for exact scaling of a double: 32-bit limbs, least
// significant first.
class BigUnsigned {
 public:
  explicit BigUnsigned(std::uint64_t value) {
    while (value) {
      limbs_.push_back(static_cast<std::uint32_t>(value));
      value >>= 32;
    }
  }

  bool IsZero() const { return limbs_.empty(); }

  void Multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
    Normalize();
  }

  void ShiftLeft(unsigned bits) {
    if (IsZero()) return;
    const unsigned whole = bits / 32, part = bits % 32;
    if (part) {
      std::uint32_t carry = 0;
      for (std::uint32_t& limb : limbs_) {
        const std::uint32_t next = limb >> (32 - part);
        limb = (limb << part) | carry;
        carry = next;
      }
      if (carry) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), whole, 0u);
  }

  void ShiftRight(unsigned bits) {
    const unsigned whole = bits / 32, part = bits % 32;
    if (whole >= limbs_.size()) {
      limbs_.clear();
      return;
    }
    limbs_.erase(limbs_.begin(), limbs_.begin() + whole);
    if (part) {
      for (size_t i = 0; i < limbs_.size(); ++i) {
        const std::uint32_t high = i + 1 < limbs_.size() ? limbs_[i + 1] << (32 - part) : 0;
        limbs_[i] = (limbs_[i] >> part) | high;
      }
    }
    Normalize();
  }

  bool Bit(unsigned index) const {
    const unsigned limb = index / 32;
    return limb < limbs_.size() && ((limbs_[limb] >> (index % 32)) & 1u);
  }

  void AddOne() {
    for (std::uint32_t& limb : limbs_) {
      if (++limb != 0) return;
    }
    limbs_.push_back(1);
  }

  // Divides in place; yields the remainder.
  std::uint32_t DivideBy(std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (size_t i = limbs_.size(); i-- > 0;) {
      const std::uint64_t current = (remainder << 32) | limbs_[i];
      limbs_[i] = static_cast<std::uint32_t>(current / divisor);
      remainder = current % divisor;
    }
    Normalize();
    return static_cast<std::uint32_t>(remainder);
  }

  std::string Decimal() const {
    if (IsZero()) return "0";
    BigUnsigned rest = *this;
    std::string reversed;
    while (!rest.IsZero()) {
      std::uint32_t chunk = rest.DivideBy(1000000000u);
      for (int i = 0; i < 9 && (chunk || !rest.IsZero()); ++i) {
        reversed.push_back(static_cast<char>('0' + chunk % 10));
        chunk /= 10;
      }
    }
    return std::string(reversed.rbegin(), reversed.rend());
  }

 private:
  void Normalize() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

std::uint32_t PowerOfTen(int exponent) {
  std::uint32_t result = 1;
  for (int i = 0; i < exponent; ++i) result *= 10;
  return result;
}

}  // namespace

bool ParseInt32(std::string_view text, std::int32_t& value) {
  std::int64_t wide = 0;
  if (!ParseBoundedInteger(text, INT32_MIN, INT32_MAX, wide)) return false;
  value = static_cast<std::int32_t>(wide);
  return true;
}

bool ParseInt32Pattern(std::string_view text, std::uint32_t& value) {
  std::int64_t wide = 0;
  if (!ParseBoundedInteger(text, INT32_MIN, UINT32_MAX, wide)) return false;
  value = static_cast<std::uint32_t>(wide);
  return true;
}

bool ParseDecimal(std::string_view text, double& value) {
  std::string_view body = text;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
  size_t i = 0, digits = 0;
  while (i < body.size() && IsDigit(body[i])) ++i, ++digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && IsDigit(body[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    const size_t exponent_start = i;
    while (i < body.size() && IsDigit(body[i])) ++i;
    if (i == exponent_start) return false;
  }
  if (i != body.size()) return false;

  // from_chars takes no '+' and has no locale; an exponent sign after 'e' it reads itself.
  double magnitude = 0;
  const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), magnitude);
  if (error != std::errc() || end != body.data() + body.size()) return false;
  value = !text.empty() && text.front() == '-' ? -magnitude : magnitude;
  return true;
}

std::string FormatScaledFixed(double value, std::uint32_t numerator, int denominator_exponent,
                              int decimals) {
  // |value| = mantissa * 2^exponent exactly, with a 53-bit integer mantissa.
  int binary_exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &binary_exponent);
  std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int exponent = binary_exponent - 53;
  while (mantissa && !(mantissa & 1) && exponent < 0) {
    mantissa >>= 1;
    ++exponent;
  }

  BigUnsigned scaled(mantissa);
  scaled.Multiply(numerator);
  for (int i = 0; i < decimals; ++i) scaled.Multiply(10);
  if (exponent > 0) scaled.ShiftLeft(static_cast<unsigned>(exponent));

  // scaled / (10^k * 2^s): divide by 10^k, then by 2^s. The fraction is at least one half
  // exactly when the halving bit is set (s > 0) or twice the decimal remainder reaches 10^k.
  const std::uint32_t divisor = PowerOfTen(denominator_exponent);
  const std::uint32_t remainder = scaled.DivideBy(divisor);
  bool round_up = false;
  if (exponent < 0) {
    const unsigned shift = static_cast<unsigned>(-exponent);
    round_up = scaled.Bit(shift - 1);
    scaled.ShiftRight(shift);
  } else {
    round_up = divisor > 1 && std::uint64_t{remainder} * 2 >= divisor;
  }
  if (round_up) scaled.AddOne();

  std::string digits = scaled.Decimal();
  if (decimals > 0) {
    if (digits.size() <= static_cast<size_t>(decimals)) {
      digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<size_t>(decimals), 1, '.');
  }
  if (value < 0 && !scaled.IsZero()) digits.insert(0, 1, '-');
  return digits;
}

}  // namespace sdk
