// The three texts a check cell may hold, and the states they stand for.
#pragma once

#include <string>

#include "editors/check_toggle.h"

namespace treelist {

struct TdxCheckTexts {
  std::string checked, unchecked, grayed;

  // The checked and unchecked texts match in the user's locale without regard to case; any
  // other text, the grayed one included, is grayed.
  editors::TdxCheckBoxState ToState(const std::wstring& text) const;
  std::string ToText(editors::TdxCheckBoxState state) const;
};

}  // namespace treelist
