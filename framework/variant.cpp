// Variant values.
#include "framework/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "framework/win/text.h"

namespace framework {

namespace {

std::string Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return "";
  return win::Narrow(text.substr(first, text.find_last_not_of(L" \t") - first + 1));
}

// The whole trimmed text as a number of type T (a leading '+' allowed); false otherwise.
template <class T>
bool ParseWhole(const std::wstring& wide, T& value) {
  const std::string text = Trimmed(wide);
  const char* first = text.data() + (!text.empty() && text[0] == '+');
  const auto result = std::from_chars(first, text.data() + text.size(), value);
  return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

[[noreturn]] void NotConvertible(const std::wstring& text, const char* kind) {
  throw EVariantError("Could not convert \"" + win::Narrow(text) + "\" to " + kind);
}

// Civil date of a day number (days since 1970-01-01), Howard Hinnant's algorithm.
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr int64_t kDaysFrom1899To1970 = 25569;

}  // namespace

double EncodeDate(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) + kDaysFrom1899To1970);
}

void DecodeDate(double date, int& year, int& month, int& day) {
  CivilFromDays(static_cast<int64_t>(std::floor(date)) - kDaysFrom1899To1970, year, month, day);
}

Variant Variant::FromDate(double days) { return Variant(Date{days}); }

TVarType Variant::VarType() const noexcept { return static_cast<TVarType>(value_.index()); }

std::wstring Variant::ToString() const {
  switch (VarType()) {
    case TVarType::varEmpty: return L"";
    case TVarType::varInteger: return std::to_wstring(std::get<int64_t>(value_));
    case TVarType::varDouble: {
      char text[32];
      const auto result = std::to_chars(text, text + sizeof text, std::get<double>(value_));
      return win::Widen(std::string_view(text, static_cast<size_t>(result.ptr - text)));
    }
    case TVarType::varBoolean: return std::get<bool>(value_) ? L"True" : L"False";
    case TVarType::varString: return std::get<std::wstring>(value_);
    case TVarType::varDate: {
      const double days = std::get<Date>(value_).days;
      const double whole = std::floor(days);
      int year = 0, month = 0, day = 0;
      CivilFromDays(static_cast<int64_t>(whole) - kDaysFrom1899To1970, year, month, day);
      const auto seconds = static_cast<int>(std::lround((days - whole) * 86400.0));
      wchar_t text[32];
      if (seconds == 0) {
        std::swprintf(text, 32, L"%04d-%02d-%02d", year, month, day);
      } else {
        std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", year, month, day, seconds / 3600,
                      seconds / 60 % 60, seconds % 60);
      }
      return text;
    }
  }
  return L"";
}

int64_t Variant::ToInteger() const {
  switch (VarType()) {
    case TVarType::varEmpty: return 0;
    case TVarType::varInteger: return std::get<int64_t>(value_);
    case TVarType::varBoolean: return std::get<bool>(value_) ? -1 : 0;
    case TVarType::varString: {
      int64_t value = 0;
      if (!ParseWhole(std::get<std::wstring>(value_), value)) {
        NotConvertible(std::get<std::wstring>(value_), "an integer");
      }
      return value;
    }
    default: {
      const double value = ToDouble();
      if (!(std::fabs(value) < 9.2e18)) NotConvertible(ToString(), "an integer");
      return std::llround(value);  // half away from zero, as a user reads 2.5
    }
  }
}

double Variant::ToDouble() const {
  switch (VarType()) {
    case TVarType::varDouble: return std::get<double>(value_);
    case TVarType::varDate: return std::get<Date>(value_).days;
    case TVarType::varString: {
      double value = 0;
      if (!ParseWhole(std::get<std::wstring>(value_), value)) {
        NotConvertible(std::get<std::wstring>(value_), "a number");
      }
      return value;
    }
    default: return static_cast<double>(ToInteger());
  }
}

bool Variant::ToBoolean() const {
  if (VarType() == TVarType::varBoolean) return std::get<bool>(value_);
  if (VarType() == TVarType::varString) {
    const std::string text = Trimmed(std::get<std::wstring>(value_));
    if (_stricmp(text.c_str(), "True") == 0) return true;
    if (_stricmp(text.c_str(), "False") == 0) return false;
    try {
      return ToDouble() != 0;
    } catch (const EVariantError&) {
      NotConvertible(std::get<std::wstring>(value_), "a Boolean");
    }
  }
  return ToDouble() != 0;
}

double Variant::ToDate() const {
  if (VarType() != TVarType::varString) return ToDouble();
  // "yyyy-mm-dd" with an optional " hh:nn:ss", as ToString writes it.
  const std::string text = Trimmed(std::get<std::wstring>(value_));
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%n %2d:%2d:%2d%n", &year, &month, &day,
                                 &used, &hour, &minute, &second, &used);
  if ((fields != 3 && fields != 6) || used != static_cast<int>(text.size()) || month < 1 ||
      month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
    NotConvertible(std::get<std::wstring>(value_), "a date");
  }
  const int64_t days = DaysFromCivil(year, month, day);
  int check_year = 0, check_month = 0, check_day = 0;
  CivilFromDays(days, check_year, check_month, check_day);
  if (check_day != day) NotConvertible(std::get<std::wstring>(value_), "a date");  // 31 April
  return static_cast<double>(days + kDaysFrom1899To1970) +
         (hour * 3600 + minute * 60 + second) / 86400.0;
}

bool Variant::operator==(const Variant& other) const {
  const bool numbers =
      (VarType() == TVarType::varInteger || VarType() == TVarType::varDouble) &&
      (other.VarType() == TVarType::varInteger || other.VarType() == TVarType::varDouble);
  if (numbers) return ToDouble() == other.ToDouble();
  return value_ == other.value_;
}

}  // namespace framework
