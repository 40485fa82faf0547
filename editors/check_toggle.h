// The check editor's toggle rules, apart from any window.
#pragma once

#include <string>

namespace editors {

enum class TdxCheckBoxState { cbsUnchecked, cbsChecked, cbsGrayed };

// Unchecked -> grayed (when allowed) or checked; grayed -> checked; checked -> unchecked.
TdxCheckBoxState NextCheckState(TdxCheckBoxState state, bool allow_grayed);
// A "True" or "False" text (any case) follows a checked or unchecked state: true when `text`
// was changed. Other texts, and the grayed state, stay as they are.
bool RewriteBooleanText(std::wstring& text, TdxCheckBoxState state);

}  // namespace editors
