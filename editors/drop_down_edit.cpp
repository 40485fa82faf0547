// The drop-down editor.
#include "editors/drop_down_edit.h"

#include <algorithm>

#include "controls/xp_edits2.h"
#include "editors/editor_class.h"
#include "editors/gdi_scope.h"

namespace editors {

namespace {

bool IsEmptyBitmap(HBITMAP bitmap) {
  BITMAP info{};
  return !bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 ||
         info.bmHeight <= 0;
}

// A glyph drawn centred in `rect`, its lower left pixel's colour taken as transparent.
void DrawGlyphCentred(HDC dc, HBITMAP glyph, const RECT& rect) {
  BITMAP info{};
  if (!GetObjectW(glyph, sizeof info, &info)) return;
  HDC source = CreateCompatibleDC(dc);
  {
    SelectScope selected(source, glyph);
    const COLORREF transparent = GetPixel(source, 0, info.bmHeight - 1);
    const int x = (rect.left + rect.right - info.bmWidth) / 2;
    const int y = (rect.top + rect.bottom - info.bmHeight) / 2;
    TransparentBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight,
                   transparent);
  }
  DeleteDC(source);
}

}  // namespace

RECT TdxDropDownEditViewData::ButtonBounds() const {
  if (HideButton) return RECT{};
  RECT button = Bounds;
  InflateRect(&button, -2, -2);
  button.left = std::max(button.left, button.right - controls::TXPEditButton::kWidth);
  return button;
}

void TdxDropDownEditViewData::Paint(HDC dc) const {
  PaintBackground(dc);
  RECT text = TextRect();
  const RECT button = ButtonBounds();
  if (!IsRectEmpty(&button)) {
    text.right = button.left;
    if (!HighlightPass) {
      RECT face = button;
      DrawFrameControl(
          dc, &face, DFC_BUTTON,
          DFCS_BUTTONPUSH | (ButtonStyle == TdxEditButtonStyle::bts3D ? 0 : DFCS_FLAT));
      DrawGlyphCentred(dc, ButtonGlyph ? ButtonGlyph : controls::GetComboButtonBitmap(), button);
    }
  }
  PaintText(dc, text, DisplayText(), EndEllipsis);
}

const TdxInplaceEditClass& TdxInplaceDropDownEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceDropDownEdit, TdxDropDownEditViewData>(
          "TdxInplaceDropDownEdit", TdxInplaceTextEdit::EditorClass());
  return info;
}

TdxInplaceDropDownEdit::TdxInplaceDropDownEdit(framework::TComponent* owner)
    : TdxInplaceTextEdit(owner) {
  SetShowButton(true);
}

TdxInplaceDropDownEdit::~TdxInplaceDropDownEdit() { DestroyComponents(); }

void TdxInplaceDropDownEdit::SetButtonGlyph(HBITMAP glyph) {
  if (IsEmptyBitmap(glyph)) {
    button_glyph_.reset();
  } else {
    button_glyph_.reset(static_cast<HBITMAP>(CopyImage(glyph, IMAGE_BITMAP, 0, 0, 0)));
  }
  Invalidate();
}

HBITMAP TdxInplaceDropDownEdit::GetButtonGlyph() {
  return button_glyph_ ? button_glyph_.get() : controls::GetComboButtonBitmap();
}

TdxPopupHost& TdxInplaceDropDownEdit::Host() {
  if (!host_) {
    host_ = new TdxPopupHost(*this);
    host_->OnCloseRequest = [this](bool accept) { CloseUp(accept); };
  }
  return *host_;
}

bool TdxInplaceDropDownEdit::DroppedDown() const { return host_ && host_->IsOpen(); }

TdxPopupContent* TdxInplaceDropDownEdit::OpenContent() const {
  return DroppedDown() ? host_->Content() : nullptr;
}

HWND TdxInplaceDropDownEdit::PopupHandle() const {
  return DroppedDown() ? host_->Handle() : nullptr;
}

bool TdxInplaceDropDownEdit::CanDropDown() const { return Visible() && HandleAllocated(); }

void TdxInplaceDropDownEdit::DropDown() {
  if (DroppedDown() || !CanDropDown()) return;
  std::unique_ptr<TdxPopupContent> content = CreatePopupContent();
  if (!content) return;
  Host().Popup(std::move(content), DropDownWidth, PopupAlignment == TdxPopupAlignment::Right,
               PopupBorder);
}

void TdxInplaceDropDownEdit::CloseUp(bool accept) {
  if (!DroppedDown() || closing_up_) return;
  closing_up_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{closing_up_};
  std::wstring text = accept ? PopupResult(*host_->Content()) : Text();
  host_->Close();
  if (!accept) return;
  OnCloseUp(this, text, accept);
  if (!accept || !CanModify() || text == Text()) return;
  SetText(text);  // marks the editor modified and announces the change
  SelectAll();
}

void TdxInplaceDropDownEdit::HideEdit() {
  CloseUp(false);
  TdxInplaceTextEdit::HideEdit();
}

bool TdxInplaceDropDownEdit::IsEditorWindow(HWND hwnd) {
  if (host_ && host_->HandleAllocated() && hwnd == host_->Handle()) return true;
  return TdxInplaceTextEdit::IsEditorWindow(hwnd);
}

void TdxInplaceDropDownEdit::AfterShow() {
  TdxInplaceTextEdit::AfterShow();
  if (ImmediateDropDown) DropDown();
}

void TdxInplaceDropDownEdit::ButtonClick() {
  OnEditButtonClick(this);
  if (DroppedDown()) {
    CloseUp(true);
  } else if (CanModify() || ImmediatePopup) {
    DropDown();
  }
}

bool TdxInplaceDropDownEdit::WantsKey(WORD key, unsigned shift) {
  if (DroppedDown()) return true;  // the popup takes the navigation keys
  return TdxInplaceTextEdit::WantsKey(key, shift);
}

void TdxInplaceDropDownEdit::KeyDown(WORD& key, unsigned shift) {
  const bool alt = (shift & framework::ssAlt) != 0;
  if (key == VK_F4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    if (DroppedDown()) {
      CloseUp(true);
    } else if (key != VK_UP) {
      DropDown();
    }
    key = 0;
    return;
  }
  if (TdxPopupContent* content = OpenContent()) {
    if (key != VK_ESCAPE && content->KeyDown(key, shift)) {
      host_->Invalidate();
      key = 0;
      return;
    }
    if (key == VK_RETURN || key == VK_ESCAPE) {
      CloseUp(key == VK_RETURN);
      key = 0;
      return;
    }
  }
  TdxInplaceTextEdit::KeyDown(key, shift);
}

void TdxInplaceDropDownEdit::KeyPress(wchar_t& key) {
  if (TdxPopupContent* content = OpenContent(); content && content->KeyPress(key)) {
    host_->Invalidate();
    key = 0;
    return;
  }
  TdxInplaceTextEdit::KeyPress(key);
}

}  // namespace editors
