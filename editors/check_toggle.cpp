// The check editor's toggle rules.
#include "editors/check_toggle.h"

#include <windows.h>

namespace editors {

namespace {

bool SameTextIgnoringCase(const std::wstring& text, const wchar_t* word) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), -1, word, -1) ==
         CSTR_EQUAL;
}

}  // namespace

TdxCheckBoxState NextCheckState(TdxCheckBoxState state, bool allow_grayed) {
  switch (state) {
    case TdxCheckBoxState::cbsUnchecked:
      return allow_grayed ? TdxCheckBoxState::cbsGrayed : TdxCheckBoxState::cbsChecked;
    case TdxCheckBoxState::cbsGrayed: return TdxCheckBoxState::cbsChecked;
    case TdxCheckBoxState::cbsChecked: break;
  }
  return TdxCheckBoxState::cbsUnchecked;
}

bool RewriteBooleanText(std::wstring& text, TdxCheckBoxState state) {
  if (state == TdxCheckBoxState::cbsGrayed) return false;
  if (!SameTextIgnoringCase(text, L"True") && !SameTextIgnoringCase(text, L"False")) return false;
  const wchar_t* rewritten = state == TdxCheckBoxState::cbsChecked ? L"True" : L"False";
  if (text == rewritten) return false;
  text = rewritten;
  return true;
}

}  // namespace editors
