// The user's decimal separator set for a test's length and put back after it.
#pragma once

#include <windows.h>

#include <string>

namespace xptest {

class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(const wchar_t* separator) {
    wchar_t buffer[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    old_ = buffer;
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator);
  }
  ~DecimalSeparatorScope() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, old_.c_str()); }
  DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
  DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

 private:
  std::wstring old_;
};

}  // namespace xptest
