// A value of one of the few kinds a grid cell holds: empty, integer, float, Boolean, string or
// date, converted between them as the cells show and edit them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "framework/exception.h"

namespace framework {

class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

// Days since 30 December 1899 (the date values' count) of a calendar date, and back; the
// fraction of a day is dropped when decoding.
double EncodeDate(int year, int month, int day);
void DecodeDate(double date, int& year, int& month, int& day);

enum class TVarType { varEmpty, varInteger, varDouble, varBoolean, varString, varDate };

class Variant {
 public:
  Variant() = default;
  Variant(int value) : value_(int64_t{value}) {}
  Variant(int64_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(bool value) : value_(value) {}
  Variant(std::wstring value) : value_(std::move(value)) {}
  Variant(const wchar_t* value) : value_(std::wstring(value)) {}
  // Days since 30 December 1899, the fraction the time of day.
  static Variant FromDate(double days);

  TVarType VarType() const noexcept;
  bool IsEmpty() const noexcept { return VarType() == TVarType::varEmpty; }

  // Empty "", Booleans "True"/"False", numbers without locale ("2.5"), dates
  // "yyyy-mm-dd" with " hh:nn:ss" when there is a time.
  std::wstring ToString() const;
  // Raise EVariantError naming the value when it does not convert.
  int64_t ToInteger() const;
  double ToDouble() const;
  // "True"/"False" in any case, or a number (not zero is true).
  bool ToBoolean() const;
  double ToDate() const;

  // Same kind and value; an integer equals the float of the same value.
  bool operator==(const Variant& other) const;

 private:
  struct Date {
    double days;
    bool operator==(const Date&) const = default;
  };
  explicit Variant(Date date) : value_(date) {}
  std::variant<std::monostate, int64_t, double, bool, std::wstring, Date> value_;
};

}  // namespace framework
