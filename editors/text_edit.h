// The text editors: the wide-character edit (the own-drawn edit as an in-place editor, usable
// on its own as TXPDXEdit) and the grid's plain text editor on top of it.
#pragma once

#include <string>

#include "editors/inplace_edit.h"

namespace editors {

class TCustomXPDXEdit : public TdxInplaceEdit {
 public:
  explicit TCustomXPDXEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  std::wstring WideText() const { return Text(); }
  void SetWideText(const std::wstring& text) { SetText(text); }
  // Hands the settings to the window once it exists (the own-drawn edit keeps them itself, so
  // this only measures again and repaints).
  virtual void ApplySettings();
};

class TXPDXEdit : public TCustomXPDXEdit {
 public:
  explicit TXPDXEdit(framework::TComponent* owner) : TCustomXPDXEdit(owner) { SetVisible(true); }
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TdxInplaceTextEdit : public TCustomXPDXEdit {
 public:
  explicit TdxInplaceTextEdit(framework::TComponent* owner) : TCustomXPDXEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  bool SelectionBar() const noexcept { return selection_bar_; }
  // A strip at the left that selects whole lines (the memo's); kept for its view data.
  void SetSelectionBar(bool value);

 private:
  bool selection_bar_ = false;
};

}  // namespace editors
