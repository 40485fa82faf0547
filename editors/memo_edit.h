// The memo editor: several lines of text in the system's multi-line edit, which fills the
// editor; Enter breaks a line unless WantReturns is off, Tab is a character with WantTabs.
#pragma once

#include <string>

#include "editors/text_edit.h"

namespace editors {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TdxMemoInner;

class TdxInplaceMemoEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceMemoEdit(framework::TComponent* owner);
  ~TdxInplaceMemoEdit() override;
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;

  // Each of these makes the inner window again. Hidden bars show only while they are needed.
  bool HideScrollBars() const noexcept { return hide_scroll_bars_; }
  void SetHideScrollBars(bool value);
  TScrollStyle ScrollBars() const noexcept { return scroll_bars_; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool value);
  bool WantReturns = true;
  bool WantTabs = false;

  bool IsEditorWindow(HWND hwnd) override;
  // The multi-line edit's window.
  HWND InnerHandle();
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(framework::TMessage& message) override;

 protected:
  void Paint() override {}
  void CreateEditCaret() override {}

 private:
  friend class TdxMemoInner;
  // A key in the inner edit: true when the editor or the grid took it.
  bool InnerKeyDown(WORD key, unsigned shift);
  void InnerChanged();
  void RecreateInner();
  void UpdateScrollBars();
  bool LinesOverflow();

  TdxMemoInner* inner_;  // owned as a component
  TScrollStyle scroll_bars_ = TScrollStyle::ssNone;
  bool hide_scroll_bars_ = true;
  bool word_wrap_ = true;
  bool setting_text_ = false;
};

}  // namespace editors
