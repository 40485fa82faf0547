// The grid's answers to its cells' painting: each cell's text, font, colours and alignment as
// the application's custom drawing leaves them, the shared view-data record, what a tooltip
// measures, and the rows' preview band.
#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "treelist/core/tree_list.h"
#include "treelist/view/painter.h"

namespace treelist {

// Begins a cell's painting for the columns and ends it on every exit.
class TCustomdxTreeList::CellPaintScope {
 public:
  CellPaintScope(TCustomdxTreeList& grid, const TdxCellPaintInfo& cell)
      : grid_(grid), node_(cell.node), column_(cell.column) {
    if (node_) grid_.BeginCellPaint(node_, column_);
  }
  ~CellPaintScope() {
    if (node_) grid_.EndCellPaint(node_, column_);
  }
  CellPaintScope(const CellPaintScope&) = delete;
  CellPaintScope& operator=(const CellPaintScope&) = delete;

 private:
  TCustomdxTreeList& grid_;
  TdxTreeListNode* node_;
  int column_;
};

void TCustomdxTreeList::DrawCell(const TdxCellPaintInfo& cell) { DrawCellBy(cell, false); }

void TCustomdxTreeList::DrawCellText(const TdxCellPaintInfo& cell) { DrawCellBy(cell, true); }

void TCustomdxTreeList::DrawCellBy(const TdxCellPaintInfo& cell, bool text_only) {
  CellPaintScope painting(*this, cell);
  PaintCell(*this, cell, text_only);
}

bool TCustomdxTreeList::SettleCell(const TdxCellPaintInfo& cell, CellLook& look) {
  look.text = cell.kind != ckNewItemRow ? GetCellText(cell.node, cell.column)
                                        : GetRowKindText(cell.node, cell.column, cell.kind);
  look.alignment = GetCellAlignment(cell.column);
  const bool own_font =
      (cell.kind == ckOrdinary || cell.kind == ckNewItemRow) && HasColumnFont(cell.column);
  // One font for all cells: assigning an equal font keeps its GDI font, so only cells whose
  // handler changed it make another. The colour is part of the comparison, and the previous
  // cell left its own there.
  framework::TFont& font = cell_font_;
  const framework::TFont& source = own_font ? GetColumnFont(cell.column) : Font();
  font.SetColor(source.Color());
  font.Assign(source);
  // A column's own font brings its colour, unless the cell is drawn in the selected style.
  if (!own_font || IsCellDrawnSelected(cell.node, cell.column)) {
    font.SetColor(static_cast<framework::TColor>(cell.text_color));
  }
  framework::TColor color = static_cast<framework::TColor>(cell.brush_color);
  const bool done = DoCustomDrawCell(cell, look.text, color, font, look.alignment);
  look.font = font.Handle();
  look.brush = framework::ColorToRGB(color);
  look.fore = framework::ColorToRGB(font.Color());
  return !done;
}

// ---- the text's room -------------------------------------------------------------------------

TCustomdxTreeList::ShownCellText TCustomdxTreeList::SettleShownText(HDC dc, TdxTreeListNode* node,
                                                                    int column, const RECT& rect) {
  const TdxCellPaintInfo cell =
      CellInfo(ViewOf(GetLayout()), MakeViewRow(node, rect.top), dc, column, rect);
  CellPaintScope painting(*this, cell);
  CellLook look;
  SettleCell(cell, look);
  return {GetPaintedCellText(node, column, look.text), look.font, cell.rect};
}

int TCustomdxTreeList::ShownCellText::Room(HDC dc) const {
  // With fewer pixels beside its text, a cell is too narrow for it.
  constexpr int kMargin = 4;
  editors::SelectScope select(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx + kMargin;
}

HFONT TCustomdxTreeList::CellTextFont(HDC dc, TdxTreeListNode* node, int column) {
  return SettleShownText(dc, node, column, RECT{}).font;
}

void TCustomdxTreeList::PaintViewDataInCell(HDC dc, const editors::TdxEditViewData& data) {
  if (!page_clip_) page_clip_.reset(CreateRectRgn(0, 0, 0, 0));
  treelist::PaintViewDataInCell(dc, data, page_clip_.get());
}

editors::TdxEditViewData& TCustomdxTreeList::CellViewData(int) {
  if (!view_data_) view_data_ = std::make_unique<editors::TdxTextEditViewData>();
  return *view_data_;
}

void TCustomdxTreeList::PaintCellViewData(HDC dc, int, editors::TdxEditViewData& data) {
  PaintViewDataInCell(dc, data);
}

// ---- preview ---------------------------------------------------------------------------------

std::wstring TCustomdxTreeList::GetPreviewText(TdxTreeListNode* node) {
  std::wstring text;
  OnGetPreviewText(this, node, text);
  return text;
}

int TCustomdxTreeList::PreviewLineCount(TdxTreeListNode* node) {
  if (!IsPreview()) return 0;
  int lines = MeasurePreviewLines(node);
  OnGetPreviewLineCount(this, node, lines);
  return std::max(lines, 0);
}

int TCustomdxTreeList::MeasurePreviewLines(TdxTreeListNode* node) {
  if (!(options_ex_ & aoAutoCalcPreviewLines)) return std::max(preview_lines_, 0);
  const std::wstring text = GetPreviewText(node);
  if (text.empty()) return std::max(preview_lines_, 0);
  const Layout layout = GetLayout();
  int left = 0, right = 0;
  GetNodeIndent(node, left, right);
  int width = layout.grid_right - layout.data.left;
  if (const LayoutHeaderCell* first = layout.headers.empty() ? nullptr : &layout.headers[0]) {
    width = first->right - first->left;
  }
  width = std::max(width - left - indent_desc_, 1);
  RECT box{0, 0, width, 0};
  {
    const win::WindowDC screen(nullptr);
    editors::SelectScope font(screen.get(), preview_font_.Handle());
    DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  }
  const int line = std::max(metrics_.preview_line_height, 1);
  const int lines = (box.bottom - box.top + line - 1) / line;
  return preview_lines_ > 0 ? std::min(lines, preview_lines_) : lines;
}

int TCustomdxTreeList::PreviewHeight(TdxTreeListNode* node) {
  const int lines = IsWholeRow(node) ? 0 : PreviewLineCount(node);
  if (lines <= 0) return 0;
  return lines * metrics_.preview_line_height + 2 + (show_grid_ && show_preview_grid_ ? 1 : 0);
}

void TCustomdxTreeList::DrawPreview(HDC dc, const RECT& rect, TdxTreeListNode* node,
                                    COLORREF background, COLORREF text_color) {
  std::wstring text = GetPreviewText(node);
  const bool selected = background == framework::ColorToRGB(GetColor(TreeListColor::Highlight));
  framework::TColor fore =
      selected ? static_cast<framework::TColor>(text_color) : preview_font_.Color();
  framework::TColor back = static_cast<framework::TColor>(background);
  editors::SelectScope font(dc, preview_font_.Handle());
  const COLORREF old_back = GetBkColor(dc);
  bool done = false;
  OnCustomDrawPreview(this, dc, rect, node, selected, text, back, fore, done);
  if (!done) OnCustomDrawPreviewCell(this, dc, rect, node, selected, text, back, fore, done);
  if (!done) {
    PaintPreviewText(dc, rect, text, preview_font_.Handle(), framework::ColorToRGB(back),
                     framework::ColorToRGB(fore), indent_desc_);
  }
  SetBkColor(dc, old_back);
}

}  // namespace treelist
