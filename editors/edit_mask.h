// Edit masks: "mask;keep literals;blank character". Each mask character is a slot the user
// fills ('0' digit, '9' optional digit, '#' digit or sign, 'L'/'l' letter, 'A'/'a' letter or
// digit, 'C'/'c' any character; upper case required) or a literal ('\' makes the next one
// literal; '!', '>' and '<' are accepted and change nothing here).
#pragma once

#include <string>
#include <vector>

namespace editors {

class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const std::wstring& mask);

  bool Empty() const noexcept { return slots_.empty(); }
  int Length() const noexcept { return static_cast<int>(slots_.size()); }
  bool IsLiteral(int position) const;
  // Whether the user may put `c` at `position`.
  bool Accepts(int position, wchar_t c) const;
  // The first fillable position at or after `position` (Length when none).
  int NextSlot(int position) const;
  int PreviousSlot(int position) const;
  wchar_t Blank() const noexcept { return blank_; }

  // The edit text for a stored value: literals in place, the value's characters filling the
  // slots in order (characters a slot refuses are skipped), blanks in the rest. An edit text
  // comes back as it is, its blanks where they were.
  std::wstring EditTextFor(const std::wstring& value) const;
  // The stored value of an edit text: blanks dropped, literals kept only when the mask says so.
  std::wstring ValueOf(const std::wstring& edit_text) const;
  // Whether every required slot of the edit text is filled.
  bool IsComplete(const std::wstring& edit_text) const;

 private:
  struct Slot {
    wchar_t kind;  // 0 for a literal
    wchar_t literal;
  };
  // Whether `text` is an edit text: the mask's length, literals in place, slots blank or filled.
  bool IsEditText(const std::wstring& text) const;

  std::vector<Slot> slots_;
  bool keep_literals_ = true;
  wchar_t blank_ = L'_';
};

}  // namespace editors
