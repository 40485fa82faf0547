// Painting one cell: its text and font, the application's custom drawing, the column's painter
// through the shared view-data record, and the auto-search mark; and the preview band of a row.
#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "treelist/view/painter.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

// A search colour: the one set, or by default the cell's own inverted.
COLORREF SearchColor(framework::TColor setting, COLORREF cell_color) {
  if (setting == framework::clNone) return (cell_color ^ 0xFFFFFF) & 0xFFFFFF;
  return framework::ColorToRGB(setting);
}

// The frame area around a cell that its view data's Bounds include, as an editor's window has.
constexpr int kCellFrame = 2;

// Clips the DC to a cell while its painter runs and puts the page's clipping back. Neither a
// saved DC nor a moved origin: restoring either makes the DC realise its font and pen again,
// which costs more than the cell's text.
class CellClip {
 public:
  CellClip(HDC dc, const RECT& cell, HRGN page)
      : dc_(dc), page_(page), has_page_clip_(GetClipRgn(dc, page) == 1) {
    IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
  }
  ~CellClip() { SelectClipRgn(dc_, has_page_clip_ ? page_ : nullptr); }
  CellClip(const CellClip&) = delete;
  CellClip& operator=(const CellClip&) = delete;

 private:
  HDC dc_;
  HRGN page_;
  bool has_page_clip_;
};

}  // namespace

// What one painting pass of a cell shows.
struct TCustomdxTreeList::CellPass {
  std::wstring text;
  HFONT font = nullptr;
  framework::TAlignment alignment = framework::TAlignment::taLeftJustify;
  COLORREF brush = 0;
  COLORREF fore = 0;
  int highlight_length = 0;  // > 0: the search mark's pass
};

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

bool TCustomdxTreeList::SettleCellPass(const TdxCellPaintInfo& cell, CellPass& pass) {
  pass.text = cell.kind != ckNewItemRow ? GetCellText(cell.node, cell.column)
                                        : GetRowKindText(cell.node, cell.column, cell.kind);
  pass.alignment = GetCellAlignment(cell.column);
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
  const bool done = DoCustomDrawCell(cell, pass.text, color, font, pass.alignment);
  pass.font = font.Handle();
  pass.brush = framework::ColorToRGB(color);
  pass.fore = framework::ColorToRGB(font.Color());
  return !done;
}

void TCustomdxTreeList::DrawCellBy(const TdxCellPaintInfo& cell, bool text_only) {
  CellPaintScope painting(*this, cell);
  CellPass pass;
  if (!SettleCellPass(cell, pass)) return;
  PaintCellPass(cell, pass, text_only);
  if (cell.search_length < 0) return;
  if (cell.search_length > 0) {
    pass.brush = SearchColor(cell.search_color, pass.brush);
    pass.fore = SearchColor(cell.search_text_color, pass.fore);
    pass.highlight_length = cell.search_length;
    PaintCellPass(cell, pass, text_only);
  }
  RECT frame = cell.rect;
  InflateRect(&frame, -1, -1);
  if (cell.frame_spans_row) {
    if (!cell.first_column) --frame.left;
    if (!cell.last_column) ++frame.right;
  }
  SetTextColor(cell.dc, RGB(0, 0, 0));
  SetBkColor(cell.dc, RGB(255, 255, 255));
  DrawFocusRect(cell.dc, &frame);
}

// ---- the text's room -------------------------------------------------------------------------

TCustomdxTreeList::ShownCellText TCustomdxTreeList::SettleShownText(HDC dc, TdxTreeListNode* node,
                                                                    int column, const RECT& rect) {
  const TdxCellPaintInfo cell =
      CellInfo(ViewOf(GetLayout()), MakeViewRow(node, rect.top), dc, column, rect);
  CellPaintScope painting(*this, cell);
  CellPass pass;
  SettleCellPass(cell, pass);
  return {GetPaintedCellText(node, column, pass.text), pass.font, cell.rect};
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

void TCustomdxTreeList::PaintCellPass(const TdxCellPaintInfo& cell, const CellPass& pass,
                                      bool text_only) {
  const RECT& rect = cell.rect;
  if (text_only) {
    // DrawText clips to the text's box, which lies inside the cell.
    const int length = static_cast<int>(pass.text.size());
    const int shown = pass.highlight_length > 0 ? std::min(pass.highlight_length, length) : length;
    RECT box{rect.left + cell.text_offset_x, rect.top + cell.text_offset_y, rect.right,
             rect.bottom};
    editors::SelectScope font(cell.dc, pass.font);
    if (pass.highlight_length > 0) {
      // The mark covers exactly the matched characters.
      RECT measured = box;
      DrawTextW(cell.dc, pass.text.c_str(), shown, &measured,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      box.right = std::min(box.right, measured.right);
    } else {
      SetBkColor(cell.dc, pass.brush);
      ExtTextOutW(cell.dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    }
    SetTextColor(cell.dc, pass.fore);
    SetBkColor(cell.dc, pass.brush);
    SetBkMode(cell.dc, pass.highlight_length > 0 ? OPAQUE : TRANSPARENT);
    const UINT ellipsis = cell.end_ellipsis && pass.highlight_length == 0 ? DT_END_ELLIPSIS : 0;
    DrawTextW(cell.dc, pass.text.c_str(), shown, &box,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | ellipsis |
                  editors::HorizontalFormat(pass.alignment));
    SetBkMode(cell.dc, OPAQUE);
    return;
  }
  editors::TdxEditViewData& data = CellViewData(cell.column);
  data.BrushColor = pass.brush;
  data.Font = pass.font;
  data.TextColor = pass.fore;
  data.Alignment = pass.alignment;
  data.Value = framework::Variant(pass.text);
  data.HighlightLength = pass.highlight_length;
  data.Selected = cell.selected;
  data.HighlightPass = pass.highlight_length > 0;
  data.TextOffsetLeft = cell.text_offset_x;
  data.TextOffsetTop = cell.text_offset_y;
  data.Hot = cell.hot;
  data.HotTrack = cell.hot_track || cell.hot;
  data.Bounds = {rect.left - kCellFrame, rect.top - kCellFrame, rect.right + kCellFrame,
                 rect.bottom + kCellFrame};
  if (auto* text_data = dynamic_cast<editors::TdxTextEditViewData*>(&data)) {
    text_data->EndEllipsis = cell.end_ellipsis;
  }
  PaintCellViewData(cell.dc, cell.column, data);
}

void TCustomdxTreeList::PaintViewDataInCell(HDC dc, const editors::TdxEditViewData& data) {
  // Plain text clips itself; a painter that may draw beyond the cell gets the DC clipped.
  if (data.PaintInsideCell(dc)) return;
  RECT cell = data.Bounds;
  InflateRect(&cell, -kCellFrame, -kCellFrame);
  if (!page_clip_) page_clip_.reset(CreateRectRgn(0, 0, 0, 0));
  CellClip clip(dc, cell, page_clip_.get());
  data.Paint(dc);
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
    SetBkColor(dc, framework::ColorToRGB(back));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    RECT box{rect.left + indent_desc_, rect.top + 1, rect.right, rect.bottom};
    SetTextColor(dc, framework::ColorToRGB(fore));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetBkMode(dc, OPAQUE);
  }
  SetBkColor(dc, old_back);
}

}  // namespace treelist
