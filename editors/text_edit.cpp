// The text editors.
#include "editors/text_edit.h"

namespace editors {

namespace {

template <class Editor>
TdxInplaceEdit* Make(framework::TComponent* owner) {
  return new Editor(owner);
}
std::unique_ptr<TdxEditViewData> MakeTextViewData() {
  return std::make_unique<TdxTextEditViewData>();
}
bool NoHitInCell(const RECT&, int, int, int) { return false; }

}  // namespace

TCustomXPDXEdit::TCustomXPDXEdit(framework::TComponent* owner) : TdxInplaceEdit(owner) {}

const TdxInplaceEditClass& TCustomXPDXEdit::EditorClass() {
  static const TdxInplaceEditClass info{"TCustomXPDXEdit", &TdxInplaceEdit::EditorClass(),
                                        Make<TCustomXPDXEdit>, MakeTextViewData, NoHitInCell};
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
  static const TdxInplaceEditClass info{"TdxInplaceTextEdit", &TCustomXPDXEdit::EditorClass(),
                                        Make<TdxInplaceTextEdit>, MakeTextViewData, NoHitInCell};
  return info;
}

void TdxInplaceTextEdit::SetSelectionBar(bool value) {
  if (selection_bar_ == value) return;
  selection_bar_ = value;
  Invalidate();
}

}  // namespace editors
