// The grid with columns: the core's cell, header and editor hooks turned into questions to the
// columns and their handlers.
#include <algorithm>
#include <memory>

#include "controls/xp_edits2.h"
#include "editors/edit_style.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {
namespace {

// The look of the grid's editors: frames only where the grid draws no grid lines, buttons as
// the grid's look draws them.
class TdxTreeListEditStyle : public editors::TdxEditStyle {
 public:
  TdxTreeListEditStyle(editors::TdxInplaceEdit* editor, TCustomdxTreeListControl* tree_list)
      : TdxEditStyle(editor), tree_list_(tree_list) {}

 protected:
  editors::TdxEditBorderStyle DefaultBorderStyle() const override {
    if (tree_list_ && tree_list_->ShowGrid()) return editors::TdxEditBorderStyle::xbsNone;
    return editors::TdxEditBorderStyle::xbsSingle;
  }
  editors::TdxEditButtonStyle DefaultButtonStyle() const override {
    return tree_list_ ? tree_list_->EditButtonStyle() : editors::TdxEditButtonStyle::bts3D;
  }

 private:
  TCustomdxTreeListControl* tree_list_;
};

}  // namespace

std::wstring TCustomdxTreeListControl::GetNodeDragText(TdxTreeListNode* node, int column) {
  std::wstring text = TCustomdxTreeList::GetNodeDragText(node, column);
  OnGetNodeDragText(this, node, Columns(column), text);
  return text;
}

// ---- editors ---------------------------------------------------------------------------------

editors::TdxInplaceEdit* TCustomdxTreeListControl::CreateEditor(int column) {
  const TdxTreeListColumn* c = Columns(column);
  if (!c) return TCustomdxTreeList::CreateEditor(column);
  editors::TdxInplaceEdit* editor = c->GetEditorClass().create(this);
  editor->SetStyle(std::make_unique<TdxTreeListEditStyle>(editor, this));
  editors_.push_back(editor);
  return editor;
}

editors::TdxInplaceEdit* TCustomdxTreeListControl::GetColumnEditor(int column) {
  const TdxTreeListColumn* c = Columns(column);
  if (!c) return TCustomdxTreeList::GetColumnEditor(column);
  // The exact class: a column of a derived editor class gets an editor of its own.
  const editors::TdxInplaceEditClass& wanted = c->GetEditorClass();
  for (editors::TdxInplaceEdit* editor : editors_) {
    if (&editor->Class() == &wanted) return editor;
  }
  return nullptr;
}

framework::TColor TCustomdxTreeListControl::GetEditColor() {
  const TdxTreeListColumn* c = Columns(FocusedColumn());
  framework::TColor color = c ? c->Color() : Color();
  OnGetEditColor(this, color);
  return color;
}

void TCustomdxTreeListControl::PrepareEditor(editors::TdxInplaceEdit& editor) {
  TCustomdxTreeList::PrepareEditor(editor);
  if (TdxTreeListColumn* c = Columns(FocusedColumn())) c->InitEditor(editor);
}

void TCustomdxTreeListControl::LoadEditValue(TdxTreeListNode* node, int column,
                                             editors::TdxInplaceEdit& editor) {
  if (TdxTreeListColumn* c = Columns(column)) {
    c->LoadEditorValue(node, editor);
  } else {
    TCustomdxTreeList::LoadEditValue(node, column, editor);
  }
}

void TCustomdxTreeListControl::SaveEditValue(TdxTreeListNode* node, int column,
                                             editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn* c = Columns(column);
  if (!c) return;  // no column holds the value: nothing to store
  c->SaveEditorValue(node, editor);
  SetNodeString(node, c->GetDataIndex(), c->GetCellText(node));
}

bool TCustomdxTreeListControl::DoEditing(TdxTreeListNode* node) {
  if (!TCustomdxTreeList::DoEditing(node)) return false;
  const TdxTreeListColumn* c = Columns(FocusedColumn());
  return c && c->CanEdit();
}

bool TCustomdxTreeListControl::IsColumnSizeable(int column) const {
  const TdxTreeListColumn* c = Columns(column);
  return !c || c->Sizing();
}

bool TCustomdxTreeListControl::EditorHitInCell(TdxTreeListNode* node, int column, POINT point) {
  const TdxTreeListColumn* c = Columns(column);
  if (!c || !c->CanEdit() || c->ReadOnly()) return false;
  const RECT cell = GetCellRect(node, column);
  return c->GetEditorClass().hit_in_cell(cell, editors::kHitModeClick, point.x, point.y);
}

bool TCustomdxTreeListControl::HasEditButtonAt(TdxTreeListNode* node, int column, POINT point) {
  TdxTreeListColumn* c = Columns(column);
  if (!c || c->ReadOnly()) return false;
  const RECT cell = GetCellRect(node, column);
  if (point.x < cell.right - controls::TXPEditButton::kWidth) return false;
  return c->HasButtonAt(point.x, point.y, OptionsEx() & aoShowButtonAlways);
}

bool TCustomdxTreeListControl::CellNeedsHotTrack(TdxTreeListNode* node, int column, POINT point) {
  TdxTreeListColumn* c = Columns(column);
  return c && c->NeedHotTrack(node, point.x, point.y, false);
}

void TCustomdxTreeListControl::GetCellCursor(TdxTreeListNode* node, int column, HCURSOR& cursor) {
  if (TdxTreeListColumn* c = Columns(column)) c->GetCellCursor(node, cursor);
}

int TCustomdxTreeListControl::GetColumnsMinCellHeight() {
  int height = 0;
  for (TdxTreeListColumn* c : columns_) {
    if (c->Visible()) height = std::max(height, c->GetMinCellHeight());
  }
  return height;
}

// ---- custom drawing --------------------------------------------------------------------------

bool TCustomdxTreeListControl::IsCustomDrawCell(int column) const {
  const TdxTreeListColumn* c = Columns(column);
  return OnCustomDraw || OnCustomDrawCell || OnCustomDrawCellWide || (c && c->HasCustomDraw());
}

bool TCustomdxTreeListControl::CustomDrawCell(int column, TdxCellDrawInfo& cell,
                                              std::wstring& text) {
  TdxTreeListColumn* c = Columns(column);
  cell.column = c;
  cell.done = false;
  OnCustomDraw(this, c, cell, text);
  if (cell.done) return true;
  RunCellDrawHandlers(this, OnCustomDrawCell, OnCustomDrawCellWide, cell, text);
  if (!cell.done && c) c->DoCustomDrawCell(cell, text);
  return cell.done;
}

bool TCustomdxTreeListControl::IsCustomDrawHeader(int column) const {
  const TdxTreeListColumn* c = Columns(column);
  return OnCustomDrawColumnHeader || (c && c->OnCustomDrawColumnHeader);
}

bool TCustomdxTreeListControl::CustomDrawHeader(int column, TdxHeaderDrawInfo& header) {
  TdxTreeListColumn* c = Columns(column);
  header.done = false;
  OnCustomDrawColumnHeader(this, header);
  if (!header.done && c) c->OnCustomDrawColumnHeader(c, header);
  return header.done;
}

}  // namespace treelist
