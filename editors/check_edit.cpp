// The check editor.
#include "editors/check_edit.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/xp_checkbox.h"
#include "editors/check_toggle.h"
#include "editors/editor_class.h"
#include "editors/glyphs.h"
#include "framework/win/text.h"

namespace editors {

namespace {

// A click acts on a check cell at once when it hits the box as the column centres it.
bool CheckHitInCell(const RECT& cell, int mode, int x, int y) {
  if (mode != kHitModeClick) return false;
  const RECT box = CheckBoxRect(cell, framework::TAlignment::taCenter, nullptr, 0);
  return PtInRect(&box, POINT{x, y}) != FALSE;
}

// The system's OBM_CHECKBOXES bitmap (declared only with OEMRESOURCE).
constexpr WORD kSystemCheckBoxes = 32759;

SIZE SystemCheckSize() {
  static const SIZE size = [] {
    SIZE result{13, 13};
    if (HBITMAP boxes = LoadBitmapW(nullptr, MAKEINTRESOURCEW(kSystemCheckBoxes))) {
      BITMAP info{};
      if (GetObjectW(boxes, sizeof info, &info)) result = {info.bmWidth / 4, info.bmHeight / 3};
      DeleteObject(boxes);
    }
    return result;
  }();
  return size;
}

bool UsableGlyph(HBITMAP glyph, int count, BITMAP& info) {
  return glyph && count > 0 && GetObjectW(glyph, sizeof info, &info) && info.bmWidth >= count &&
         info.bmHeight > 0;
}

controls::TCheckBoxState ControlState(TdxCheckBoxState state) {
  switch (state) {
    case TdxCheckBoxState::cbsChecked: return controls::TCheckBoxState::cbChecked;
    case TdxCheckBoxState::cbsGrayed: return controls::TCheckBoxState::cbGrayed;
    case TdxCheckBoxState::cbsUnchecked: break;
  }
  return controls::TCheckBoxState::cbUnchecked;
}

}  // namespace

bool GetCheckGlyphSize(HBITMAP glyph, int glyph_count, int& width, int& height) {
  BITMAP info{};
  if (UsableGlyph(glyph, glyph_count, info)) {
    width = info.bmWidth / glyph_count;
    height = info.bmHeight;
    return true;
  }
  const SIZE size = SystemCheckSize();
  width = size.cx;
  height = size.cy;
  return false;
}

RECT CheckBoxRect(const RECT& bounds, framework::TAlignment alignment, HBITMAP glyph,
                  int glyph_count) {
  int width = 0, height = 0;
  GetCheckGlyphSize(glyph, glyph_count, width, height);
  RECT inside = bounds;
  InflateRect(&inside, -2, -2);
  int left = inside.left + 1;
  if (alignment == framework::TAlignment::taCenter) {
    left = (inside.left + inside.right - width) / 2;
  } else if (alignment == framework::TAlignment::taRightJustify) {
    left = inside.right - 1 - width;
  }
  const int top = (inside.top + inside.bottom - height) / 2;
  return RECT{left, top, left + width, top + height};
}

void DrawCheckBox(HDC dc, const RECT& box, TdxCheckBoxState state, TdxShowNullFieldStyle null_style,
                  bool enabled, HBITMAP glyph, int glyph_count) {
  if (state == TdxCheckBoxState::cbsGrayed &&
      null_style != TdxShowNullFieldStyle::nsGrayedChecked) {
    if (null_style == TdxShowNullFieldStyle::nsInactive) enabled = false;
    state = TdxCheckBoxState::cbsUnchecked;
  }
  BITMAP info{};
  if (UsableGlyph(glyph, glyph_count, info)) {
    DrawGlyph(dc, glyph, box, static_cast<int>(state), glyph_count);
    return;
  }
  controls::DrawCheckBoxGlyph(dc, box, ControlState(state),
                              enabled ? controls::TXPState::Normal : controls::TXPState::Disabled,
                              nullptr);
}

TdxCheckBoxState TdxCheckEditViewData::ShownState() const {
  const framework::TVarType type = Value.VarType();
  if (type == framework::TVarType::varInteger) {
    const int64_t number = Value.ToInteger();
    if (number >= 0 && number <= 2) return static_cast<TdxCheckBoxState>(number);
  }
  return State;
}

void TdxCheckEditViewData::Paint(HDC dc) const {
  if (HighlightPass) return;  // no text to mark
  PaintBackground(dc);
  DrawCheckBox(dc, CheckBoxRect(Bounds, Alignment, Glyph, GlyphCount), ShownState(),
               ShowNullFieldStyle, Enabled, Glyph, GlyphCount);
}

const TdxInplaceEditClass& TdxInplaceCheckEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceCheckEdit, TdxCheckEditViewData>(
          "TdxInplaceCheckEdit", TdxInplaceEdit::EditorClass(), CheckHitInCell);
  return info;
}

TdxInplaceCheckEdit::TdxInplaceCheckEdit(framework::TComponent* owner) : TdxInplaceEdit(owner) {
  SetAlignment(framework::TAlignment::taCenter);
}

void TdxInplaceCheckEdit::SetState(TdxCheckBoxState value) {
  if (state_ == value) return;
  state_ = value;
  Invalidate();
}

void TdxInplaceCheckEdit::SetGlyph(HBITMAP glyph) {
  glyph_ = CopyGlyph(glyph);
  Invalidate();
}

void TdxInplaceCheckEdit::SetGlyphCount(int value) {
  if (glyph_count_ == value) return;
  glyph_count_ = value;
  Invalidate();
}

void TdxInplaceCheckEdit::SetShowNullFieldStyle(TdxShowNullFieldStyle value) {
  if (null_style_ == value) return;
  null_style_ = value;
  Invalidate();
}

void TdxInplaceCheckEdit::Toggle() {
  if (!CanModify()) return;
  state_ = NextCheckState(state_, AllowGrayed);
  SetModified(true);
  Invalidate();
  std::wstring text = Text();
  if (RewriteBooleanText(text, state_)) {
    SetText(text);  // announces the change itself
    return;
  }
  OnChange(this);
}

bool TdxInplaceCheckEdit::HitsBox(POINT point) const {
  const RECT box = CheckBoxRect(ClientRect(), Alignment(), glyph_.get(), glyph_count_);
  return PtInRect(&box, point) != FALSE;
}

bool TdxInplaceCheckEdit::ProcessClick(POINT point) {
  if (!HitsBox(point)) return false;
  Toggle();
  return true;
}

void TdxInplaceCheckEdit::InitEditState(bool from_grid) {
  TdxInplaceEdit::InitEditState(from_grid);
  loaded_state_ = state_;
}

bool TdxInplaceCheckEdit::Revert() {
  if (state_ == loaded_state_) return false;
  SetState(loaded_state_);
  SetText(LoadedText());
  SetModified(false);
  return true;
}

void TdxInplaceCheckEdit::Paint() {
  HDC dc = Canvas().Handle();
  const RECT client = ClientRect();
  SetBkColor(dc, framework::ColorToRGB(Color()));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  DrawCheckBox(dc, CheckBoxRect(client, Alignment(), glyph_.get(), glyph_count_), state_,
               null_style_, Enabled(), glyph_.get(), glyph_count_);
}

void TdxInplaceCheckEdit::KeyDown(WORD& key, unsigned shift) {
  if (key == VK_ESCAPE || !WantsKey(key, shift)) {
    TdxInplaceEdit::KeyDown(key, shift);
    return;
  }
  key = 0;  // no text to edit: the other keys do nothing here
}

void TdxInplaceCheckEdit::KeyPress(wchar_t& key) {
  if (key == L' ') Toggle();
  key = 0;
}

void TdxInplaceCheckEdit::MouseDown(framework::TMouseButton, unsigned, int, int) {
  if (CanFocus() && !Focused()) SetFocus();
}

void TdxInplaceCheckEdit::MouseMove(unsigned, int, int) {}

void TdxInplaceCheckEdit::MouseUp(framework::TMouseButton button, unsigned, int x, int y) {
  if (button == framework::TMouseButton::mbLeft && HitsBox(POINT{x, y})) Toggle();
}

}  // namespace editors
