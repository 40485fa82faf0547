// What the editors' class records are made of (private to the editors): a factory of the
// editor, one of its view data and, unless the editor acts on clicks in a cell, no in-cell hit.
#pragma once

#include <memory>

#include "editors/inplace_edit.h"

namespace editors {

template <class Editor>
TdxInplaceEdit* MakeEditor(framework::TComponent* owner) {
  return new Editor(owner);
}

template <class Data>
std::unique_ptr<TdxEditViewData> MakeViewData() {
  return std::make_unique<Data>();
}

inline bool NoHitInCell(const RECT&, int, int, int) { return false; }

template <class Editor, class Data>
TdxInplaceEditClass EditorClassRecord(const char* name, const TdxInplaceEditClass& parent,
                                      TdxInplaceEditClass::HitTest hit_in_cell = NoHitInCell) {
  return TdxInplaceEditClass{name, &parent, MakeEditor<Editor>, MakeViewData<Data>, hit_in_cell};
}

}  // namespace editors
