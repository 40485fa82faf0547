// Edit masks.
#include "editors/edit_mask.h"

#include <cwctype>

namespace editors {

namespace {

bool IsSlotKind(wchar_t c) {
  switch (c) {
    case L'0':
    case L'9':
    case L'#':
    case L'L':
    case L'l':
    case L'A':
    case L'a':
    case L'C':
    case L'c': return true;
  }
  return false;
}

bool Required(wchar_t kind) { return kind == L'0' || kind == L'L' || kind == L'A' || kind == L'C'; }

}  // namespace

TEditMask::TEditMask(const std::wstring& mask) {
  // The last two ";"-fields, when present, are the keep-literals flag and the blank.
  std::wstring body = mask;
  const size_t last = mask.rfind(L';');
  if (last != std::wstring::npos && last > 0) {
    const size_t before = mask.rfind(L';', last - 1);
    if (before != std::wstring::npos && last - before == 2) {
      body = mask.substr(0, before);
      keep_literals_ = mask[before + 1] != L'0';
      if (last + 1 < mask.size()) blank_ = mask[last + 1];
    } else if (last + 2 == mask.size()) {
      body = mask.substr(0, last);
      keep_literals_ = mask[last + 1] != L'0';
    }
  }
  for (size_t i = 0; i < body.size(); ++i) {
    const wchar_t c = body[i];
    if (c == L'!' || c == L'>' || c == L'<') continue;
    if (c == L'\\' && i + 1 < body.size()) {
      slots_.push_back({0, body[++i]});
    } else if (IsSlotKind(c)) {
      slots_.push_back({c, 0});
    } else {
      slots_.push_back({0, c});
    }
  }
}

bool TEditMask::IsLiteral(int position) const {
  return position >= 0 && position < Length() && slots_[position].kind == 0;
}

bool TEditMask::Accepts(int position, wchar_t c) const {
  if (position < 0 || position >= Length()) return false;
  switch (slots_[position].kind) {
    case L'0':
    case L'9': return std::iswdigit(c) != 0;
    case L'#': return std::iswdigit(c) || c == L'+' || c == L'-';
    case L'L':
    case L'l': return std::iswalpha(c) != 0;
    case L'A':
    case L'a': return std::iswalnum(c) != 0;
    case L'C':
    case L'c': return c >= L' ';
  }
  return false;
}

int TEditMask::NextSlot(int position) const {
  while (position < Length() && IsLiteral(position)) ++position;
  return position;
}

int TEditMask::PreviousSlot(int position) const {
  --position;
  while (position >= 0 && IsLiteral(position)) --position;
  return position;
}

bool TEditMask::IsEditText(const std::wstring& text) const {
  if (static_cast<int>(text.size()) != Length()) return false;
  for (int i = 0; i < Length(); ++i) {
    const bool fits =
        IsLiteral(i) ? text[i] == slots_[i].literal : text[i] == blank_ || Accepts(i, text[i]);
    if (!fits) return false;
  }
  return true;
}

std::wstring TEditMask::EditTextFor(const std::wstring& value) const {
  // The window's own text comes back through here: moving its characters up would blank the
  // wrong slot.
  if (IsEditText(value)) return value;
  std::wstring text;
  size_t next = 0;
  for (int i = 0; i < Length(); ++i) {
    if (IsLiteral(i)) {
      text += slots_[i].literal;
      if (keep_literals_ && next < value.size() && value[next] == slots_[i].literal) ++next;
      continue;
    }
    while (next < value.size() && !Accepts(i, value[next])) ++next;
    text += next < value.size() ? value[next++] : blank_;
  }
  return text;
}

std::wstring TEditMask::ValueOf(const std::wstring& edit_text) const {
  std::wstring value;
  for (int i = 0; i < Length() && i < static_cast<int>(edit_text.size()); ++i) {
    const wchar_t c = edit_text[i];
    if (IsLiteral(i)) {
      if (keep_literals_) value += c;
    } else if (c != blank_) {
      value += c;
    }
  }
  return value;
}

bool TEditMask::IsComplete(const std::wstring& edit_text) const {
  for (int i = 0; i < Length(); ++i) {
    if (IsLiteral(i) || !Required(slots_[i].kind)) continue;
    if (i >= static_cast<int>(edit_text.size()) || !Accepts(i, edit_text[i])) return false;
  }
  return true;
}

}  // namespace editors
