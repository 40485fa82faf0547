// The drop-down editor: a text editor with a button that opens a popup below it. F4 and
// Alt+Down open it, Enter takes its choice, Escape closes it without one; the close-up event
// may change or refuse what is taken.
#pragma once

#include <memory>
#include <string>

#include "editors/popup_host.h"
#include "editors/text_edit.h"
#include "framework/graphics.h"

namespace editors {

// (sender, text to take, accept)
using TdxCloseUpEvent = framework::TEvent<framework::TComponent*, std::wstring&, bool&>;

class TdxDropDownEditViewData : public TdxTextEditViewData {
 public:
  void Paint(HDC dc) const override;
  bool PaintInsideCell(HDC) const override { return false; }  // the button: clipped
  // The button's place at the right of the cell, or empty when it is hidden.
  RECT ButtonBounds() const;

  HBITMAP ButtonGlyph = nullptr;  // borrowed; null: the drop-down arrow
  bool HideButton = false;
};

class TdxInplaceDropDownEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceDropDownEdit(framework::TComponent* owner);
  ~TdxInplaceDropDownEdit() override;
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  // The button's picture; null or an empty bitmap gives the drop-down arrow back.
  HBITMAP ButtonGlyph() const noexcept { return button_glyph_.get(); }
  void SetButtonGlyph(HBITMAP glyph);

  int DropDownRows = 8;
  int DropDownWidth = 0;           // 0: the editor's width
  bool ImmediateDropDown = false;  // opens as soon as the editor is shown
  bool ImmediatePopup = false;     // a button press opens it even on a read-only value
  TdxPopupAlignment PopupAlignment = TdxPopupAlignment::Left;
  TdxPopupBorder PopupBorder = TdxPopupBorder::pbDefault;

  bool DroppedDown() const;
  void DropDown();
  // Closes the popup; with `accept` its choice becomes the text (through OnCloseUp).
  void CloseUp(bool accept);
  void HideEdit() override;
  bool IsEditorWindow(HWND hwnd) override;
  // A click the grid hands on over the button opens the list (an immediate drop-down has).
  bool ProcessClick(POINT point) override;
  // The open popup's window, or null.
  HWND PopupHandle() const;

  TdxCloseUpEvent OnCloseUp;
  framework::TNotifyEvent OnEditButtonClick;

 protected:
  // The content the popup shows; null: nothing to show, the popup stays shut.
  virtual std::unique_ptr<TdxPopupContent> CreatePopupContent() { return nullptr; }
  // The text the content chose.
  virtual std::wstring PopupResult(TdxPopupContent&) { return Text(); }
  // Whether the popup may open now.
  virtual bool CanDropDown() const;
  // Whether the user may size the popup by its frame.
  virtual bool PopupSizeable() const { return false; }
  // Whether a taken text equal to the editor's still counts as an edit, saved and announced.
  virtual bool TakesUnchangedText() const { return false; }
  TdxPopupContent* OpenContent() const;
  void AfterShow() override;
  void ButtonClick() override;
  bool WantsKey(WORD key, unsigned shift) override;
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  HBITMAP GetButtonGlyph() override;

 private:
  TdxPopupHost& Host();

  win::UniqueBitmap button_glyph_;
  TdxPopupHost* host_ = nullptr;  // owned as a component
  bool closing_up_ = false;
};

}  // namespace editors
