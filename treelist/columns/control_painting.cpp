// The grid with columns paints its cells through them: each column's alignment, own font,
// custom-draw handlers and view data.
#include "treelist/columns/tree_list_control.h"

#include "treelist/core/grid_helpers.h"

namespace treelist {

void TCustomdxTreeListControl::BeginCellPaint(TdxTreeListNode* node, int column) {
  if (TdxTreeListColumn* c = Columns(column)) c->SetPaintedNode(node);
}

void TCustomdxTreeListControl::EndCellPaint(TdxTreeListNode*, int column) {
  if (TdxTreeListColumn* c = Columns(column)) c->SetPaintedNode(nullptr);
}

framework::TAlignment TCustomdxTreeListControl::GetCellAlignment(int column) {
  const TdxTreeListColumn* c = Columns(column);
  return c ? c->Alignment() : TCustomdxTreeList::GetCellAlignment(column);
}

bool TCustomdxTreeListControl::HasColumnFont(int column) {
  const TdxTreeListColumn* c = Columns(column);
  return c && c->IsAssigned(cvFont);
}

framework::TFont& TCustomdxTreeListControl::GetColumnFont(int column) {
  TdxTreeListColumn* c = Columns(column);
  return c ? c->Font() : Font();
}

editors::TdxEditViewData& TCustomdxTreeListControl::CellViewData(int column) {
  TdxTreeListColumn* c = Columns(column);
  return c ? c->GetViewData() : TCustomdxTreeList::CellViewData(column);
}

void TCustomdxTreeListControl::PaintCellViewData(HDC dc, int column,
                                                 editors::TdxEditViewData& data) {
  if (TdxTreeListColumn* c = Columns(column)) {
    TdxCellViewInfo cell;
    cell.node = c->PaintedNode();
    cell.rect = data.Bounds;
    cell.selected = data.Selected;
    cell.end_ellipsis = Options() & aoDrawEndEllipsis;
    cell.hot_track = data.HotTrack;
    cell.hot = data.Hot;
    cell.alignment = data.Alignment;
    cell.font = data.Font;
    cell.brush_color = static_cast<framework::TColor>(data.BrushColor);
    cell.text_color = static_cast<framework::TColor>(data.TextColor);
    cell.text = data.Value.ToString();
    cell.multi_line = c->IsMemoColumn();
    c->PrepareViewData(data, cell);
  }
  PaintViewDataInCell(dc, data);
}

int TCustomdxTreeListControl::MeasureCellLines(TdxTreeListNode* node, int column, int width) {
  TdxTreeListColumn* c = Columns(column);
  if (!c || !c->IsMemoColumn()) return 1;
  TdxCellViewInfo cell;
  cell.node = node;
  cell.text = GetCellText(node, column);
  cell.font = HasColumnFont(column) ? GetColumnFont(column).Handle() : Font().Handle();
  cell.multi_line = true;
  editors::TdxEditViewData& data = c->GetViewData();
  c->PrepareViewData(data, cell);
  const win::UniqueMemoryDc dc = MeasureDC();
  return data.CalcLineCount(dc.get(), width - kCellTextOffset);
}

// A password or a letter case paints the value otherwise: the column's view data knows how.
std::wstring TCustomdxTreeListControl::GetPaintedCellText(TdxTreeListNode* node, int column,
                                                          const std::wstring& text) {
  TdxTreeListColumn* c = Columns(column);
  if (!c) return TCustomdxTreeList::GetPaintedCellText(node, column, text);
  TdxCellViewInfo cell;
  cell.node = node;
  cell.text = text;
  editors::TdxEditViewData& data = c->GetViewData();
  c->PrepareViewData(data, cell);
  return data.DisplayText();
}

bool TCustomdxTreeListControl::DoCustomDrawCell(const TdxCellPaintInfo& cell, std::wstring& text,
                                                framework::TColor& color, framework::TFont& font,
                                                framework::TAlignment& alignment) {
  if (!IsCustomDrawCell(cell.column)) return false;
  TdxCellDrawInfo info;
  info.dc = cell.dc;
  info.rect = cell.rect;
  info.node = cell.node;
  info.selected = cell.selected;
  info.focused = cell.focused;
  info.color = color;
  info.font = &font;
  info.alignment = alignment;
  const bool done = CustomDrawCell(cell.column, info, text);
  color = info.color;
  alignment = info.alignment;
  return done;
}

}  // namespace treelist
