// Paints a grid's view record.
#include "treelist/view/painter.h"

#include <commctrl.h>

#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "treelist/view/shared_resources.h"

namespace treelist {
namespace {

constexpr int kButtonSize = 9;

void FillColor(HDC dc, const RECT& rect, COLORREF color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  // An opaque empty text fills without a brush to make and free.
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
  FillColor(dc, {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1},
            color);
}

// A horizontal stretch of pixels, [left, right).
struct Span {
  int left, right;
};

// Per header row, the stretches of the grid that no header cell covers: a band without columns
// or the room a hidden column left. Nothing else paints them.
std::vector<std::vector<Span>> UncoveredSpans(const Layout& layout) {
  std::vector<std::vector<Span>> rows(static_cast<size_t>(std::max(layout.header_panel_rows, 1)));
  if (layout.headers.empty()) return rows;
  std::vector<std::vector<Span>> covered(rows.size());
  for (const LayoutHeaderCell& cell : layout.headers) {
    if (cell.row >= 0 && cell.row < static_cast<int>(covered.size())) {
      covered[cell.row].push_back({cell.left, cell.right});
    }
  }
  const int right = std::min<int>(layout.grid_right, layout.data.right);
  for (size_t r = 0; r < rows.size(); ++r) {
    std::sort(covered[r].begin(), covered[r].end(),
              [](const Span& a, const Span& b) { return a.left < b.left; });
    int x = layout.data.left;
    for (const Span& span : covered[r]) {
      if (span.left > x) rows[r].push_back({x, std::min(span.left, right)});
      x = std::max(x, span.right);
    }
    if (x < right) rows[r].push_back({x, right});
  }
  return rows;
}

class Painter {
 public:
  Painter(const GridView& view, HDC dc, CellPainter& cells)
      : view_(view), dc_(dc), cells_(cells), uncovered_(UncoveredSpans(view.layout)) {}
  void Paint();

 private:
  void PaintBands();
  // Its cells over one line, then a raised strip that parts it from the rows.
  void PaintNewItemRow();
  void PaintCells(const ViewRow& row, int x0);
  void PaintFooterPanel();
  // Footer cells on a band of `face` from `top`, each under its column.
  void PaintFooterCells(const std::vector<FooterCellView>& cells, TdxTreeListNode* node, int index,
                        int top, COLORREF face, COLORREF text);
  void PaintHeaders();
  // Returns the bottom of the last row painted.
  int PaintRows();
  void PaintRow(const ViewRow& row);
  void PaintTreePart(const ViewRow& row, const RECT& cell);
  void PaintTreeLines(const ViewRow& row, int x0, int mid_y);
  void PaintButton(const ViewRow& row, int center_x, int center_y);
  void PaintNodeImages(const ViewRow& row, int x);
  void PaintIndicator(const ViewRow& row);
  // The lines parting the fixed bands from the scrolled ones, over the panels and the rows.
  void PaintFixedBandLines();
  // Fills each line's uncovered stretches, the lines `height` high from `top`.
  void FillUncovered(int top, int height, COLORREF color);
  // The checked brush of the dotted tree lines, made once.
  HBRUSH DotBrush();
  void DottedLine(int left, int top, int width, int height);

  const GridView& view_;
  const Layout& layout_ = view_.layout;
  const ViewColors& colors_ = view_.colors;
  HDC dc_;
  CellPainter& cells_;
  win::UniqueBitmap dot_bitmap_;
  win::UniqueBrush dot_brush_;
  const std::vector<std::vector<Span>> uncovered_;
};

void Painter::Paint() {
  const RECT& client = layout_.client;
  PaintBands();
  PaintHeaders();
  const RECT& corner = layout_.indicator_corner;
  DrawHeaderCell(dc_, corner, {}, view_.header_font, view_.look, colors_.header,
                 colors_.header_text);
  PaintNewItemRow();
  const int bottom = PaintRows();
  // What no row covers: below the last row, and right of the last column.
  FillColor(dc_, {client.left, bottom, client.right, layout_.rows.bottom}, colors_.window);
  if (!layout_.headers.empty()) {
    FillColor(dc_, {layout_.grid_right, layout_.band_panel.top, client.right, layout_.rows.bottom},
              colors_.window);
  }
  PaintFooterPanel();
  PaintFixedBandLines();
}

void Painter::FillUncovered(int top, int height, COLORREF color) {
  for (size_t r = 0; r < uncovered_.size(); ++r) {
    const int y = top + static_cast<int>(r) * height;
    for (const Span& span : uncovered_[r])
      FillColor(dc_, {span.left, y, span.right, y + height}, color);
  }
}

void Painter::PaintFixedBandLines() {
  const int width = view_.fixed_band_line_width;
  if (width <= 0) return;
  const RECT& left = layout_.left_fixed;
  const RECT& right = layout_.right_fixed;
  if (!IsRectEmpty(&left)) {
    FillColor(dc_, {left.right - width, left.top, left.right, left.bottom},
              colors_.fixed_band_line);
  }
  if (!IsRectEmpty(&right)) {
    FillColor(dc_, {right.left, right.top, right.left + width, right.bottom},
              colors_.fixed_band_line);
  }
}

void Painter::PaintNewItemRow() {
  const RECT& area = layout_.new_item_row;
  if (area.bottom <= area.top) return;
  const ViewRow& row = view_.new_item_row;
  const win::SavedDC saved(dc_);
  IntersectClipRect(dc_, layout_.data.left, area.top, layout_.data.right, area.bottom);
  SelectObject(dc_, view_.font);
  const int x0 = layout_.data.left - layout_.left_coord;
  FillColor(dc_, {x0, area.top, layout_.grid_right, area.top + row.line_height}, colors_.window);
  PaintCells(row, x0);
  RECT strip{x0, area.top + row.line_height, layout_.grid_right, area.bottom};
  FillColor(dc_, strip, colors_.header);
  DrawEdge(dc_, &strip, BDR_RAISEDINNER, BF_TOP | BF_BOTTOM);
  SelectClipRgn(dc_, nullptr);
  if (layout_.data.left > area.left) {
    DrawHeaderCell(dc_, {area.left, area.top, layout_.data.left, area.bottom}, {}, nullptr,
                   view_.look, colors_.header, colors_.header_text);
  }
}

void Painter::PaintFooterPanel() {
  const RECT& panel = layout_.footer;
  if (panel.bottom <= panel.top) return;
  FillColor(dc_, panel, colors_.footer);
  const win::SavedDC saved(dc_);
  IntersectClipRect(dc_, panel.left, panel.top, panel.right, panel.bottom);
  PaintFooterCells(view_.footer_cells, nullptr, -1, panel.top + 2, colors_.footer,
                   colors_.window_text);
}

void Painter::PaintFooterCells(const std::vector<FooterCellView>& cells, TdxTreeListNode* node,
                               int index, int top, COLORREF face, COLORREF text) {
  const int line = layout_.footer_line_height;
  for (const FooterCellView& cell : cells) {
    const LayoutHeaderCell* header = layout_.HeaderOf(cell.column);
    if (!header) continue;
    FooterCellPaint paint;
    paint.dc = dc_;
    paint.rect = {header->left + 1, top + header->row * line, header->right - 1,
                  top + (header->row + 1) * line - 1};
    paint.node = node;
    paint.column = cell.column;
    paint.index = index;
    paint.text = cell.text;
    paint.color = face;
    paint.text_color = text;
    paint.font = view_.font;
    cells_.PaintFooterCell(paint);
  }
}

void Painter::PaintBands() {
  const RECT& panel = layout_.band_panel;
  if (panel.bottom <= panel.top) return;
  const win::SavedDC saved(dc_);
  IntersectClipRect(dc_, panel.left, panel.top, panel.right, panel.bottom);
  for (const LayoutBand& band : layout_.bands) {
    cells_.PaintBand(dc_, {band.left, panel.top, band.right, panel.bottom}, band.index, view_);
  }
}

void Painter::PaintHeaders() {
  const RECT& panel = layout_.header_panel;
  if (panel.bottom <= panel.top) return;
  const win::SavedDC saved(dc_);
  IntersectClipRect(dc_, panel.left, panel.top, panel.right, panel.bottom);
  FillUncovered(panel.top, layout_.header_row_height, colors_.header);
  for (const LayoutHeaderCell& cell : layout_.headers) {
    DrawHeaderCell(dc_, cell.rect, view_.column_captions[cell.column], view_.header_font,
                   view_.look, colors_.header, colors_.header_text);
  }
}

int Painter::PaintRows() {
  const win::SavedDC saved(dc_);
  // One clip for all rows: cells scrolled left of the data area go under the indicator, which
  // each row paints last.
  IntersectClipRect(dc_, layout_.rows.left, layout_.rows.top, layout_.data.right,
                    layout_.rows.bottom);
  SelectObject(dc_, view_.font);
  if (view_.show_lines && view_.tree_line_style == TdxTreeLineStyle::tlDot) {
    // Selected once for every row's lines: selecting a pattern brush realises it again.
    SetBrushOrgEx(dc_, layout_.left_coord & 1, 0, nullptr);
    SelectObject(dc_, DotBrush());
  }
  int bottom = layout_.rows.top;
  for (const ViewRow& row : view_.rows) {
    PaintRow(row);
    bottom = row.top + row.height;
  }
  return std::min<int>(bottom, layout_.rows.bottom);
}

void Painter::PaintIndicator(const ViewRow& row) {
  const RECT indicator{layout_.rows.left, row.top, layout_.data.left, row.top + row.height};
  DrawHeaderCell(dc_, indicator, {}, nullptr, view_.look, colors_.header, colors_.header_text);
  if (!row.focused) return;
  const int cx = (indicator.left + indicator.right) / 2, cy = row.top + layout_.line_height / 2;
  const POINT arrow[3] = {{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}};
  editors::SelectScope brush(dc_, GetStockObject(BLACK_BRUSH));
  editors::SelectScope pen(dc_, GetStockObject(BLACK_PEN));
  Polygon(dc_, arrow, 3);
}

void Painter::PaintRow(const ViewRow& row) {
  const int line = row.line_height;
  const int top = row.top;
  const int x0 = layout_.data.left - layout_.left_coord;
  PaintCells(row, x0);
  const int cells_bottom = top + line * layout_.header_panel_rows;
  if (row.preview > 0) {
    const bool highlighted =
        !view_.picture && (row.selected || row.focused) && view_.row_select && view_.focused_window;
    const RECT band{x0, cells_bottom, std::max<int>(layout_.grid_right, layout_.data.right),
                    cells_bottom + row.preview};
    cells_.PaintPreview(dc_, band, row, highlighted ? colors_.highlight : colors_.window,
                        highlighted ? colors_.highlight_text : colors_.window_text);
  }
  // The row footers, then what is left of a taller row.
  int y = cells_bottom + row.preview;
  for (size_t i = 0; i < row.footers.size(); ++i) {
    const RowFooterView& footer = row.footers[i];
    FillColor(dc_, {x0, y, layout_.grid_right, y + layout_.row_footer_height}, footer.color);
    PaintFooterCells(footer.cells, row.node, static_cast<int>(i), y + 1, footer.color,
                     colors_.row_footer_text);
    y += layout_.row_footer_height;
  }
  FillColor(dc_, {x0, y, layout_.grid_right, top + row.height}, colors_.window);
  if (view_.show_grid) {
    const int y = top + row.height - 1;
    FillColor(dc_,
              {layout_.data.left, top + row.height - view_.grid_line_width, layout_.grid_right,
               top + row.height},
              colors_.grid_line);
    for (const LayoutHeaderCell& header : layout_.headers) {
      Line(dc_, header.right - 1, top, header.right - 1, y, colors_.grid_line);
    }
  }
  if (row.focused && view_.focused_window && !view_.picture && !view_.hide_focus_rect) {
    const RECT focus{x0, top, layout_.grid_right > x0 ? layout_.grid_right : layout_.data.right,
                     cells_bottom};
    SetTextColor(dc_, colors_.window_text);
    SetBkColor(dc_, colors_.window);
    DrawFocusRect(dc_, &focus);
  }
  if (layout_.data.left > layout_.rows.left) PaintIndicator(row);
}

void Painter::PaintCells(const ViewRow& row, int x0) {
  const int line = row.line_height, top = row.top;
  const bool tree = row.kind != ckNewItemRow;
  if (layout_.headers.empty()) {
    const RECT cell{x0, top, layout_.data.right, top + line};
    if (tree) PaintTreePart(row, cell);
    cells_.PaintCell(CellInfo(view_, row, dc_, 0, cell));
    return;
  }
  FillUncovered(top, line, colors_.window);
  for (const LayoutHeaderCell& header : layout_.headers) {
    const RECT cell{header.left, top + header.row * line, header.right,
                    top + (header.row + 1) * line};
    if (tree && header.column == view_.tree_column) PaintTreePart(row, cell);
    cells_.PaintCell(CellInfo(view_, row, dc_, header.column, cell));
  }
}

void Painter::PaintTreePart(const ViewRow& row, const RECT& cell) {
  const int x0 = cell.left;
  FillColor(dc_, {x0, row.top, std::min<int>(x0 + row.indent_right, cell.right), cell.bottom},
            colors_.window);
  // The button and the line to it stand at the first line's middle.
  const int mid_y = row.top + layout_.line_height / 2;
  if (view_.show_lines && view_.paint_style == TdxTreeListPaintStyle::psStandard) {
    PaintTreeLines(row, x0, mid_y);
  }
  const int indent = view_.indent;
  if (row.has_children && view_.show_buttons && row.indent_left >= indent) {
    PaintButton(row, x0 + row.indent_left - indent + indent / 2, mid_y);
  }
  PaintNodeImages(row, x0 + row.indent_left);
}

HBRUSH Painter::DotBrush() {
  if (!dot_brush_) {
    static const WORD kChecks[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    dot_bitmap_.reset(CreateBitmap(8, 8, 1, 1, kChecks));
    dot_brush_.reset(CreatePatternBrush(dot_bitmap_.get()));
  }
  return dot_brush_.get();
}

// The dots' phase follows the content across (so that columns scrolled by an odd step keep
// theirs) and the window down (rows scrolled repaint the tree's column, see ScrollRows): a dot
// wherever x + LeftCoord + y is even. One checked pattern brush paints them, the gaps in the
// window colour the tree's part has anyway.
void Painter::DottedLine(int left, int top, int width, int height) {
  // A monochrome pattern draws its 0 bits in the text colour, its 1 bits in the background.
  SetTextColor(dc_, colors_.tree_line);
  SetBkColor(dc_, colors_.window);
  SetBrushOrgEx(dc_, layout_.left_coord & 1, 0, nullptr);
  editors::SelectScope brush(dc_, DotBrush());
  PatBlt(dc_, left, top, width, height, PATCOPY);
}

void Painter::PaintTreeLines(const ViewRow& row, int x0, int mid_y) {
  const int indent = view_.indent;
  const int slot = row.level - (view_.show_root ? 0 : 1);
  if (slot < 0 || indent <= 0) return;
  const bool dotted = view_.tree_line_style == TdxTreeLineStyle::tlDot;
  const int top = row.top, bottom = row.top + row.height;
  auto vertical = [&](int x, int y1, int y2) {
    if (dotted) {
      DottedLine(x, y1, 1, y2 - y1);
    } else {
      Line(dc_, x, y1, x, y2 - 1, colors_.tree_line);
    }
  };
  const int mid_x = x0 + slot * indent + indent / 2;
  const int right = x0 + (slot + 1) * indent;
  if (dotted) {
    DottedLine(mid_x, mid_y, right - mid_x, 1);
  } else {
    Line(dc_, mid_x, mid_y, right - 1, mid_y, colors_.tree_line);
  }
  vertical(mid_x, row.first_row ? mid_y : top, row.last ? mid_y + 1 : bottom);
  const int slots = std::min<int>(slot, static_cast<int>(row.ancestor_continues.size()));
  for (int k = 0; k < slots; ++k) {
    if (row.ancestor_continues[k]) vertical(x0 + k * indent + indent / 2, top, bottom);
  }
}

void Painter::PaintButton(const ViewRow& row, int cx, int cy) {
  if (view_.look == TdxLookAndFeel::lfStandard) {
    // The shared raised glyphs, drawn from the system colours.
    win::UniqueMemoryDc glyph_dc(CreateCompatibleDC(dc_));
    editors::SelectScope glyph(glyph_dc.get(), row.expanded ? view_.minus_glyph : view_.plus_glyph);
    const int x = cx - kExpandGlyphSize / 2, y = cy - kExpandGlyphSize / 2;
    BitBlt(dc_, x, y, kExpandGlyphSize, kExpandGlyphSize, glyph_dc.get(), 0, 0, SRCCOPY);
    // The sign again over the glyph's, in the grid's own colour.
    FillColor(dc_, {x + 3, y + 5, x + 8, y + 6}, colors_.plus_minus);
    if (!row.expanded) FillColor(dc_, {x + 5, y + 3, x + 6, y + 8}, colors_.plus_minus);
    return;
  }
  const RECT box{cx - kButtonSize / 2, cy - kButtonSize / 2, cx + kButtonSize / 2 + 1,
                 cy + kButtonSize / 2 + 1};
  const bool ultra_flat = view_.look == TdxLookAndFeel::lfUltraFlat;
  FillColor(dc_, box, ultra_flat ? colors_.window_text : colors_.shadow);
  FillColor(dc_, {box.left + 1, box.top + 1, box.right - 1, box.bottom - 1},
            ultra_flat ? colors_.window : colors_.face);
  Line(dc_, cx - 2, cy, cx + 2, cy, colors_.plus_minus);
  if (!row.expanded) Line(dc_, cx, cy - 2, cx, cy + 2, colors_.plus_minus);
}

void Painter::PaintNodeImages(const ViewRow& row, int x) {
  const int line = layout_.line_height;
  const ImageListView& states = view_.state_images;
  if (states.handle && row.state_image >= 0) {
    ImageList_Draw(states.handle, row.state_image, dc_, x, row.top + (line - states.height) / 2,
                   ILD_NORMAL);
    x += states.width;
  }
  const ImageListView& images = view_.images;
  if (images.handle && row.image >= 0) {
    ImageList_Draw(images.handle, row.image, dc_, x, row.top + (line - images.height) / 2,
                   ILD_TRANSPARENT);
  }
}

}  // namespace

void PaintGrid(const GridView& view, HDC dc, CellPainter& cells) {
  Painter(view, dc, cells).Paint();
}

TdxCellPaintInfo CellInfo(const GridView& view, const ViewRow& row, HDC dc, int column,
                          const RECT& rect) {
  const bool highlighted = !view.picture && (row.selected || row.focused) &&
                           (view.row_select || column == view.focused_column);
  const auto& headers = view.layout.headers;
  TdxCellPaintInfo cell;
  cell.dc = dc;
  cell.rect = rect;
  if (headers.empty() || column == view.tree_column) {
    // The tree's column paints its text after the row's indent, in what is left of the cell.
    cell.rect.left = std::min<LONG>(rect.left + row.indent_right, rect.right);
  }
  cell.node = row.node;
  cell.column = column;
  cell.kind = row.kind;
  cell.brush_color = view.colors.window;
  cell.text_color = view.colors.window_text;
  if (highlighted) {
    cell.brush_color = view.focused_window ? view.colors.highlight : view.colors.hide_selection;
    cell.text_color =
        view.focused_window ? view.colors.highlight_text : view.colors.hide_selection_text;
  }
  cell.selected = highlighted;
  cell.focused = row.focused && column == view.focused_column;
  cell.first_column = headers.empty() || column == headers.front().column;
  cell.last_column = headers.empty() || column == headers.back().column;
  cell.text_offset_x = kCellTextOffset;
  cell.hot = column == row.hot_column;
  cell.hot_track = view.hot_track;
  cell.end_ellipsis = view.end_ellipsis;
  cell.frame_spans_row = view.frame_spans_row;
  if (row.kind == ckOrdinary && column == row.search_column) cell.search_length = row.search_length;
  cell.search_color = view.search_color;
  cell.search_text_color = view.search_text_color;
  return cell;
}

void CellPainter::PaintBand(HDC dc, const RECT& rect, int band, const GridView& view) {
  DrawHeaderCell(dc, rect, view.band_captions[band], view.band_font, view.look, view.colors.band,
                 view.colors.header_text);
}

void DrawFooterCell(const FooterCellPaint& cell) {
  RECT box = cell.rect;
  if (box.right <= box.left || box.bottom <= box.top) return;
  FillColor(cell.dc, box, cell.color);
  DrawEdge(cell.dc, &box, BDR_SUNKENOUTER, BF_RECT);
  if (cell.text.empty()) return;
  RECT text{box.left + 3, box.top + 1, box.right - 3, box.bottom - 1};
  editors::SelectScope select(cell.dc, cell.font);
  SetBkMode(cell.dc, TRANSPARENT);
  SetTextColor(cell.dc, cell.text_color);
  DrawTextW(cell.dc, cell.text.c_str(), static_cast<int>(cell.text.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SetBkMode(cell.dc, OPAQUE);
}

void DrawHeaderCell(HDC dc, const RECT& rect, const HeaderCaption& caption, HFONT font,
                    TdxLookAndFeel look, COLORREF face, COLORREF text) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  RECT edge = rect;
  FillColor(dc, rect, face);
  switch (look) {
    case TdxLookAndFeel::lfStandard: DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT); break;
    case TdxLookAndFeel::lfFlat: DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT); break;
    case TdxLookAndFeel::lfUltraFlat: {
      const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
      Line(dc, rect.right - 1, rect.top, rect.right - 1, rect.bottom - 1, shadow);
      Line(dc, rect.left, rect.bottom - 1, rect.right - 1, rect.bottom - 1, shadow);
      break;
    }
  }
  RECT box{rect.left + 4, rect.top + 1, rect.right - 4, rect.bottom - 1};
  const win::SavedDC saved(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  if (caption.sort != 0) {
    // A triangle at the right: pointing down for a descending sort, up for an ascending one.
    constexpr int kMarkWidth = 7;
    const int right = box.right, mid = (box.top + box.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
      const int y = caption.sort == 1 ? mid - 2 + i : mid + 1 - i;
      Line(dc, right - kMarkWidth + i, y, right - 1 - i, y, text);
    }
    box.right -= kMarkWidth + 4;
  }
  if (caption.glyph) {
    BITMAP info{};
    GetObjectW(caption.glyph, sizeof info, &info);
    const win::UniqueMemoryDc glyph_dc(CreateCompatibleDC(dc));
    editors::SelectScope glyph(glyph_dc.get(), caption.glyph);
    BitBlt(dc, box.left, (box.top + box.bottom - info.bmHeight) / 2, info.bmWidth, info.bmHeight,
           glyph_dc.get(), 0, 0, SRCCOPY);
    box.left += info.bmWidth + 2;
  }
  if (caption.text.empty()) return;
  editors::SelectScope select(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text);
  const UINT lines = caption.multi_line ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
  DrawTextW(dc, caption.text.c_str(), static_cast<int>(caption.text.size()), &box,
            lines | caption.align | DT_END_ELLIPSIS | DT_NOPREFIX);
  SetBkMode(dc, OPAQUE);
}

}  // namespace treelist
