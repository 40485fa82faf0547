// The text of an own-drawn single-line edit without its window.
#include "controls/edit_text_model.h"

#include <windows.h>

#include <string>

namespace controls {

void EditTextModel::SetPasswordChar(wchar_t c) {
  password_char_ = c;
  display_ = c ? std::wstring(text_.size(), c) : text_;
}

bool EditTextModel::Assign(const std::wstring& text) {
  if (text == text_) return false;
  if (snapshot_) {
    undo_text_ = text_;
    snapshot_ = false;
  }
  text_ = text;
  changed_since_undo_point_ = true;
  SetPasswordChar(password_char_);
  SetSelection(anchor_, moving_end_);
  return true;
}

void EditTextModel::ClearUndo() {
  undo_text_.clear();
  changed_since_undo_point_ = false;
  snapshot_ = true;
}

void EditTextModel::Undo() {
  snapshot_ = true;
  Assign(std::wstring(undo_text_));
  snapshot_ = true;
}

int EditTextModel::Clamp(int index) const noexcept {
  return index < 0 ? 0 : index > Length() ? Length() : index;
}

void EditTextModel::SetSelection(int anchor, int moving_end) {
  anchor_ = Clamp(anchor);
  moving_end_ = Clamp(moving_end);
}

int PreviousWordStart(std::wstring_view text, int index) noexcept {
  int i = index > static_cast<int>(text.size()) ? static_cast<int>(text.size()) : index;
  while (i > 0 && text[i - 1] == L' ') --i;
  while (i > 0 && text[i - 1] != L' ') --i;
  return i;
}

int NextWordStart(std::wstring_view text, int index) noexcept {
  const int length = static_cast<int>(text.size());
  int i = index < 0 ? 0 : index;
  while (i < length && text[i] != L' ') ++i;
  while (i < length && text[i] == L' ') ++i;
  return i;
}

std::pair<int, int> WordAt(std::wstring_view text, int index) noexcept {
  const int length = static_cast<int>(text.size());
  if (length == 0) return {0, 0};
  int i = index < 0 ? 0 : index >= length ? length - 1 : index;
  if (text[i] == L' ') {
    int left = i;
    while (left > 0 && text[left - 1] == L' ') --left;
    if (left > 0) {
      i = left - 1;  // the word that ends before the spaces
    } else {
      while (i < length && text[i] == L' ') ++i;
      if (i == length) return {index, index};
    }
  }
  int first = i;
  while (first > 0 && text[first - 1] != L' ') --first;
  int last = i;
  while (last < length && text[last] != L' ') ++last;
  return {first, last};
}

std::wstring ApplyCharCase(std::wstring_view text, TEditCharCase char_case) {
  if (char_case == TEditCharCase::ecNormal || text.empty()) return std::wstring(text);
  // Cased as UTF-16: a round trip through the ANSI code page would turn every character it
  // lacks into "?".
  std::wstring cased(text);
  if (char_case == TEditCharCase::ecUpperCase) {
    CharUpperBuffW(cased.data(), static_cast<DWORD>(cased.size()));
  } else {
    CharLowerBuffW(cased.data(), static_cast<DWORD>(cased.size()));
  }
  return cased;
}

std::wstring FilterInsertion(std::wstring_view insertion, const InsertRules& rules,
                             int kept_length) {
  std::wstring s(insertion);
  for (size_t i = s.size(); i-- > 0;) {
    if (s[i] < 32) s[i] = L' ';
    if (!IsNumberChar(s[i], rules.number_type, rules.radix)) s.erase(i, 1);
  }
  if (rules.max_length > 0) {
    const int room = rules.max_length - kept_length;
    if (room < static_cast<int>(s.size())) s.resize(room > 0 ? room : 0);
  }
  return ApplyCharCase(s, rules.char_case);
}

}  // namespace controls
