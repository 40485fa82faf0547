// The check editor: a check box in the cell, toggled by a click on the box, by Space, or when
// the grid hands it a click that hits the box. Its text follows its state when the text is
// "True" or "False".
#pragma once

#include <windows.h>

#include "editors/check_toggle.h"
#include "editors/inplace_edit.h"
#include "framework/win/handles.h"

namespace editors {

// How the grayed (null) state shows.
enum class TdxShowNullFieldStyle { nsUnchecked, nsInactive, nsGrayedChecked };

// The size of one image of `glyph` (`glyph_count` images side by side): true when such a glyph
// is used; otherwise the system check box's size (its bitmap's width / 4 and height / 3, read
// once) and false.
bool GetCheckGlyphSize(HBITMAP glyph, int glyph_count, int& width, int& height);

// Where the box sits in `bounds` (a cell's painted rectangle or the editor's client area).
RECT CheckBoxRect(const RECT& bounds, framework::TAlignment alignment, HBITMAP glyph,
                  int glyph_count);

class TdxCheckEditViewData : public TdxEditViewData {
 public:
  void Paint(HDC dc) const override;
  // The state: Value when it holds a state number (0, 1, 2), else State.
  TdxCheckBoxState ShownState() const;

  TdxCheckBoxState State = TdxCheckBoxState::cbsUnchecked;
  HBITMAP Glyph = nullptr;  // borrowed: images unchecked, checked, grayed side by side
  int GlyphCount = 0;
  TdxShowNullFieldStyle ShowNullFieldStyle = TdxShowNullFieldStyle::nsGrayedChecked;
};

// Draws a check box of `state` into `box`: a frame of `glyph`, or the paint style's own.
void DrawCheckBox(HDC dc, const RECT& box, TdxCheckBoxState state, TdxShowNullFieldStyle null_style,
                  bool enabled, HBITMAP glyph, int glyph_count);

class TdxInplaceCheckEdit : public TdxInplaceEdit {
 public:
  explicit TdxInplaceCheckEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  TdxCheckBoxState State() const noexcept { return state_; }
  void SetState(TdxCheckBoxState value);
  bool AllowGrayed = false;
  HBITMAP Glyph() const noexcept { return glyph_.get(); }
  // A copy of `glyph` is kept; null or empty: the paint style's box.
  void SetGlyph(HBITMAP glyph);
  int GlyphCount() const noexcept { return glyph_count_; }
  void SetGlyphCount(int value);
  TdxShowNullFieldStyle ShowNullFieldStyle() const noexcept { return null_style_; }
  void SetShowNullFieldStyle(TdxShowNullFieldStyle value);

  // Unchecked -> grayed (AllowGrayed) or checked, grayed -> checked, checked -> unchecked;
  // nothing when the value may not change.
  void Toggle();
  bool ProcessClick(POINT point) override;
  void InitEditState(bool from_grid) override;
  bool Revert() override;

 protected:
  void Paint() override;
  void CreateEditCaret() override {}
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  void MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  void MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) override;

 private:
  bool HitsBox(POINT point) const;

  TdxCheckBoxState state_ = TdxCheckBoxState::cbsUnchecked;
  TdxCheckBoxState loaded_state_ = TdxCheckBoxState::cbsUnchecked;
  win::UniqueBitmap glyph_;
  int glyph_count_ = 0;
  TdxShowNullFieldStyle null_style_ = TdxShowNullFieldStyle::nsGrayedChecked;
};

}  // namespace editors
