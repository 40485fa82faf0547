// The text editors.
#include "editors/text_edit.h"

#include "editors/editor_class.h"

namespace editors {

TCustomXPDXEdit::TCustomXPDXEdit(framework::TComponent* owner) : TdxInplaceEdit(owner) {}

const TdxInplaceEditClass& TCustomXPDXEdit::EditorClass() {
  static const TdxInplaceEditClass info = EditorClassRecord<TCustomXPDXEdit, TdxTextEditViewData>(
      "TCustomXPDXEdit", TdxInplaceEdit::EditorClass());
  return info;
}

void TCustomXPDXEdit::ApplySettings() {
  if (!HandleAllocated()) return;
  CountVisible();
  Invalidate();
}

const framework::TClassInfo& TXPDXEdit::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPDXEdit, controls::TXPCustomButtonEdit>("TXPDXEdit");
  return info;
}

const TdxInplaceEditClass& TdxInplaceTextEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceTextEdit, TdxTextEditViewData>("TdxInplaceTextEdit",
                                                                 TCustomXPDXEdit::EditorClass());
  return info;
}

void TdxInplaceTextEdit::SetSelectionBar(bool value) {
  if (selection_bar_ == value) return;
  selection_bar_ = value;
  Invalidate();
}

}  // namespace editors
