// A setting of the user's locale (decimal separator, short date) set for a test's length and put
// back after it.
#pragma once

#include <windows.h>

#include <string>

namespace xptest {

class LocaleInfoScope {
 public:
  LocaleInfoScope(LCTYPE type, const wchar_t* value) : type_(type) {
    wchar_t buffer[80] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, type_, buffer, 80);
    old_ = buffer;
    SetLocaleInfoW(LOCALE_USER_DEFAULT, type_, value);
  }
  ~LocaleInfoScope() { SetLocaleInfoW(LOCALE_USER_DEFAULT, type_, old_.c_str()); }
  LocaleInfoScope(const LocaleInfoScope&) = delete;
  LocaleInfoScope& operator=(const LocaleInfoScope&) = delete;

 private:
  LCTYPE type_;
  std::wstring old_;
};

class DecimalSeparatorScope : public LocaleInfoScope {
 public:
  explicit DecimalSeparatorScope(const wchar_t* separator)
      : LocaleInfoScope(LOCALE_SDECIMAL, separator) {}
};

}  // namespace xptest
