// The drop-down editor.
#include "editors/drop_down_edit.h"

#include <algorithm>

#include "controls/xp_edits2.h"
#include "editors/editor_class.h"
#include "editors/glyphs.h"

namespace editors {

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
      // A hot-flat button stands up while the mouse is over its cell.
      const bool raised = ButtonStyle == TdxEditButtonStyle::bts3D ||
                          (ButtonStyle == TdxEditButtonStyle::btsHotFlat && Hot && HotTrack);
      DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (raised ? 0 : DFCS_FLAT));
      DrawButtonGlyph(dc, ButtonGlyph ? ButtonGlyph : controls::GetComboButtonBitmap(), button);
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
  button_glyph_ = CopyGlyph(glyph);
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
  Host().Popup(std::move(content), DropDownWidth, PopupAlignment, PopupBorder, PopupSizeable());
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
  if (!accept || !CanModify()) return;
  if (text != Text()) {
    SetText(text);  // marks the editor modified and announces the change
    SelectAll();
  } else if (TakesUnchangedText()) {
    SetModified(true);
    OnChange(this);
  }
}

void TdxInplaceDropDownEdit::HideEdit() {
  CloseUp(false);
  TdxInplaceTextEdit::HideEdit();
}

bool TdxInplaceDropDownEdit::IsEditorWindow(HWND hwnd) {
  if (host_ && host_->HandleAllocated() && hwnd == host_->Handle()) return true;
  return TdxInplaceTextEdit::IsEditorWindow(hwnd);
}

bool TdxInplaceDropDownEdit::ProcessClick(POINT point) {
  const RECT button = GetButtonRect();
  if (!PtInRect(&button, point)) return false;
  if (!DroppedDown()) ClickButton();
  return true;
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
