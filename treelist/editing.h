// What the grid's editing road brings of its own to the in-place editors: the text editors a
// grid without column editors uses, and the edit style that takes its defaults from the grid.
#pragma once

#include "editors/edit_style.h"
#include "editors/text_edit.h"

namespace treelist {

class TCustomdxTreeList;

// The cell text editor; the W form is made when the grid has EnableUnicodeSupport.
class TdxInplaceTreeListTextEdit : public editors::TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  static const editors::TdxInplaceEditClass& EditorClass();
  const editors::TdxInplaceEditClass& Class() const override { return EditorClass(); }
};

class TdxInplaceTreeListTextEditW : public editors::TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  static const editors::TdxInplaceEditClass& EditorClass();
  const editors::TdxInplaceEditClass& Class() const override { return EditorClass(); }
};

// An editor's frame and buttons after the grid's look: no border where grid lines frame the
// cell, buttons in the grid's look and feel.
class TdxTreeListEditStyle : public editors::TdxEditStyle {
 public:
  TdxTreeListEditStyle(editors::TdxInplaceEdit* editor, const TCustomdxTreeList& tree_list)
      : TdxEditStyle(editor), tree_list_(tree_list) {}

 protected:
  editors::TdxEditBorderStyle DefaultBorderStyle() const override;
  editors::TdxEditButtonStyle DefaultButtonStyle() const override;

 private:
  const TCustomdxTreeList& tree_list_;
};

}  // namespace treelist
