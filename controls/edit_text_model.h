// The text of an own-drawn single-line edit without its window: the UTF-16 text and what it shows
// (a password character per character), the selection between an anchor and a moving end, the
// one-step undo with its snapshot rule, word boundaries and the rules that filter an insertion.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "controls/edit_number.h"

namespace controls {

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// What an insertion must obey.
struct InsertRules {
  TNumberTypeEx number_type = TNumberTypeEx::ntNone;
  TRadix radix = TRadix::rdxDecimal;
  int max_length = 0;  // 0: no limit
  TEditCharCase char_case = TEditCharCase::ecNormal;
};

class EditTextModel {
 public:
  EditTextModel() = default;

  const std::wstring& Text() const noexcept { return text_; }
  // What is drawn and measured: the text, or the password character once per character.
  const std::wstring& DisplayText() const noexcept { return display_; }
  int Length() const noexcept { return static_cast<int>(text_.size()); }
  wchar_t PasswordChar() const noexcept { return password_char_; }
  void SetPasswordChar(wchar_t c);

  // Every change of the text ends here: when a snapshot is asked for, the text as it was becomes
  // the undo text first. True when the text changed.
  bool Assign(const std::wstring& text);
  // After a text set from outside, loading or creation: nothing to undo, and the next change
  // records the text as it was before it.
  void ClearUndo();
  bool ChangedSinceUndoPoint() const noexcept { return changed_since_undo_point_; }
  // Brings the undo text back; the text of before becomes the undo text, so that a second undo
  // returns it.
  void Undo();

  // The selection: from the smaller to the larger of anchor and moving end.
  int Anchor() const noexcept { return anchor_; }
  int MovingEnd() const noexcept { return moving_end_; }
  int SelStart() const noexcept { return anchor_ < moving_end_ ? anchor_ : moving_end_; }
  int SelLength() const noexcept {
    return anchor_ < moving_end_ ? moving_end_ - anchor_ : anchor_ - moving_end_;
  }
  void SetSelection(int anchor, int moving_end);
  void SetMovingEnd(int index) { SetSelection(anchor_, index); }
  std::wstring SelectedText() const { return text_.substr(SelStart(), SelLength()); }

 private:
  int Clamp(int index) const noexcept;

  std::wstring text_;
  std::wstring display_;
  wchar_t password_char_ = 0;
  std::wstring undo_text_;
  bool changed_since_undo_point_ = false;
  bool snapshot_ = true;
  int anchor_ = 0;
  int moving_end_ = 0;
};

// Only the space separates words. Ctrl+Left from `index`: back over spaces, then over the word.
int PreviousWordStart(std::wstring_view text, int index) noexcept;
// Ctrl+Right: forward over the word, then over spaces, to the next word's start.
int NextWordStart(std::wstring_view text, int index) noexcept;
// The word a double click at `index` selects, as [first, second).
std::pair<int, int> WordAt(std::wstring_view text, int index) noexcept;

// The insertion as the edit takes it: control characters as spaces, characters a number field
// refuses dropped, cut to the room MaxLength leaves (`kept_length`: the text without the
// selection), and in the character case.
std::wstring FilterInsertion(std::wstring_view insertion, const InsertRules& rules,
                             int kept_length);

// Upper or lower case by the system's case tables.
std::wstring ApplyCharCase(std::wstring_view text, TEditCharCase char_case);

}  // namespace controls
