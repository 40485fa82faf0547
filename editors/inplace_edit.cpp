// The in-place editor base.
#include "editors/inplace_edit.h"

#include "editors/container.h"
#include "editors/editor_class.h"
#include "framework/win/text.h"

namespace editors {

bool TdxInplaceEditClass::InheritsFrom(const TdxInplaceEditClass& other) const noexcept {
  for (const TdxInplaceEditClass* c = this; c; c = c->parent) {
    if (c == &other) return true;
  }
  return false;
}

const TdxInplaceEditClass& TdxInplaceEdit::EditorClass() {
  static const TdxInplaceEditClass info{"TdxInplaceEdit", nullptr, MakeEditor<TdxInplaceEdit>,
                                        MakeViewData<TdxTextEditViewData>, NoHitInCell};
  return info;
}

TdxInplaceEdit::TdxInplaceEdit(framework::TComponent* owner) : TXPCustomButtonEdit(owner) {
  SetVisible(false);
  SetShowButton(false);
  SetAutoSize(false);
  SetBorderStyle(controls::TEditBorderStyle::bsNone);
  SetParentColor(false);
  SetColor(framework::clWindow);
}

TdxInplaceEdit::~TdxInplaceEdit() = default;

TCustomdxContainer* TdxInplaceEdit::Container() const {
  return dynamic_cast<TCustomdxContainer*>(Parent());
}

bool TdxInplaceEdit::CanModify() const {
  if (ReadOnly()) return false;
  const TCustomdxContainer* container = Container();
  return !container || !container->IsReadOnly();
}

void TdxInplaceEdit::HideEdit() { SetVisible(false); }

void TdxInplaceEdit::ValidateEdit() {
  std::wstring message;
  bool accept = true;
  OnValidate(this, message, accept);
  if (!accept) {
    throw EdxEditError(message.empty() ? std::string("Invalid input value") : win::Narrow(message));
  }
}

void TdxInplaceEdit::SetAlignment(framework::TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  CountVisible();
  Invalidate();
}

void TdxInplaceEdit::SetTextOffsets(int left, int top, int right, int bottom) {
  const RECT offsets{left, top, right, bottom};
  if (EqualRect(&offsets, &text_offsets_)) return;
  text_offsets_ = offsets;
  CountVisible();
  Invalidate();
}

RECT TdxInplaceEdit::GetTextRect() {
  RECT rect = TXPCustomButtonEdit::GetTextRect();
  rect.left += text_offsets_.left;
  rect.top += text_offsets_.top;
  rect.right -= text_offsets_.right;
  rect.bottom -= text_offsets_.bottom;
  if (alignment_ != framework::TAlignment::taLeftJustify && FirstVisible() == 0) {
    // A text shorter than the box sits right or centred; a longer one scrolls as usual.
    const int text_width = TCustomXPEdit::GetTextWidth() - 2 * (FrameWidth() + InnerMargin());
    const int spare = (rect.right - rect.left) - text_width;
    if (spare > 0) {
      rect.left += alignment_ == framework::TAlignment::taCenter ? spare / 2 : spare;
    }
  }
  if (rect.right < rect.left) rect.right = rect.left;
  return rect;
}

void TdxInplaceEdit::DrawText(const RECT& rect, framework::TColor background,
                              framework::TColor text, framework::TColor selection_background,
                              framework::TColor selection_text, framework::TColor frame) {
  if (!Transparent()) {
    const RECT whole = TXPCustomButtonEdit::GetTextRect();
    HDC dc = Canvas().Handle();
    SetBkColor(dc, framework::ColorToRGB(background));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &whole, nullptr, 0, nullptr);
  }
  TXPCustomButtonEdit::DrawText(rect, background, text, selection_background, selection_text,
                                frame);
}

void TdxInplaceEdit::ShowAndFocus(const RECT& cell) {
  const bool was_hidden = !Visible() || !HandleAllocated() || !IsWindowVisible(hwnd_);
  SetBounds(cell.left - kCellMargin, cell.top - kCellMargin,
            cell.right - cell.left + 2 * kCellMargin, cell.bottom - cell.top + 2 * kCellMargin);
  SetVisible(true);
  if (TCustomdxContainer* container = Container(); container && container->HandleAllocated()) {
    HWND grid = container->Handle();
    HWND focus = GetFocus();
    if (focus && (focus == grid || IsChild(grid, focus))) SetFocus();
  }
  if (was_hidden && !ShowNotifyLocked()) AfterShow();
}

void TdxInplaceEdit::InitEditState(bool) {
  loaded_text_ = Text();
  loaded_modified_ = Modified();
}

bool TdxInplaceEdit::Revert() {
  if (Text() == loaded_text_) return false;
  SetText(loaded_text_);
  SetModified(loaded_modified_);
  SelectAll();
  return true;
}

std::string TdxInplaceEdit::AnsiText() const { return win::Narrow(Text()); }
void TdxInplaceEdit::SetAnsiText(const std::string& text) { SetText(win::Widen(text)); }

bool TdxInplaceEdit::ProcessClick(POINT) { return false; }

bool TdxInplaceEdit::IsEditorWindow(HWND hwnd) {
  return hwnd && HandleAllocated() && hwnd == hwnd_;
}

void TdxInplaceEdit::SetStyle(std::unique_ptr<TdxEditStyle> style) {
  style_ = std::move(style);
  StyleChanged();
}

void TdxInplaceEdit::StyleChanged() {
  if (!style_) return;
  SetBorderStyle(style_->BorderStyle() == TdxEditBorderStyle::xbsNone
                     ? controls::TEditBorderStyle::bsNone
                     : controls::TEditBorderStyle::bsSingle);
  Invalidate();
}

bool TdxInplaceEdit::WantsKey(WORD key, unsigned shift) {
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_RETURN: return false;
    case VK_TAB: {
      const TCustomdxContainer* container = Container();
      return !(container && container->IsTabs());
    }
    case VK_HOME:
    case VK_END:
      return (shift & framework::ssCtrl) == 0;  // Ctrl+Home and Ctrl+End move in the grid
  }
  return true;
}

void TdxInplaceEdit::PassKeyToContainer(WORD key) {
  if (TCustomdxContainer* container = Container(); container && container->HandleAllocated()) {
    SendMessageW(container->Handle(), WM_KEYDOWN, key, 0);
  }
}

void TdxInplaceEdit::KeyDown(WORD& key, unsigned shift) {
  if (key == VK_ESCAPE) {
    if (!Revert()) PassKeyToContainer(key);
    key = 0;
    return;
  }
  if (!WantsKey(key, shift)) {
    const WORD passed = key;
    key = 0;
    PassKeyToContainer(passed);
    return;
  }
  TXPCustomButtonEdit::KeyDown(key, shift);
}

HBITMAP TdxInplaceEdit::GetButtonGlyph() { return controls::GetComboButtonBitmap(); }

void TdxInplaceEdit::WndProc(framework::TMessage& message) {
  // Escape and Enter end the edit (or close the open list) before they reach the dialog's
  // Cancel and default buttons.
  if (message.msg == framework::CM_WANTSPECIALKEY &&
      (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN)) {
    message.result = 1;
    return;
  }
  if (message.msg == WM_GETDLGCODE) {
    TXPCustomButtonEdit::WndProc(message);
    message.result |= DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    if (const TCustomdxContainer* container = Container(); container && container->IsTabs()) {
      message.result |= DLGC_WANTTAB;
    }
    return;
  }
  TXPCustomButtonEdit::WndProc(message);
}

}  // namespace editors
