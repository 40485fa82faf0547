// The check cell's texts and states.
#include "treelist/core/check_texts.h"

#include <windows.h>

#include "framework/win/text.h"

namespace treelist {
namespace {

bool SameTextInLocale(const std::wstring& a, const std::string& b) {
  const std::wstring wide = win::Widen(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                        wide.c_str(), static_cast<int>(wide.size())) == CSTR_EQUAL;
}

}  // namespace

editors::TdxCheckBoxState TdxCheckTexts::ToState(const std::wstring& text) const {
  if (SameTextInLocale(text, checked)) return editors::TdxCheckBoxState::cbsChecked;
  if (SameTextInLocale(text, unchecked)) return editors::TdxCheckBoxState::cbsUnchecked;
  return editors::TdxCheckBoxState::cbsGrayed;
}

std::string TdxCheckTexts::ToText(editors::TdxCheckBoxState state) const {
  switch (state) {
    case editors::TdxCheckBoxState::cbsUnchecked: return unchecked;
    case editors::TdxCheckBoxState::cbsChecked: return checked;
    case editors::TdxCheckBoxState::cbsGrayed: break;
  }
  return grayed;
}

}  // namespace treelist
