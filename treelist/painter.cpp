// Paints a tree list.
#include "treelist/painter.h"

#include <commctrl.h>

#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "treelist/shared_resources.h"
#include "treelist/tree_list.h"

namespace treelist {
namespace {

constexpr int kButtonSize = 9;

// Puts the DC's clipping back when the painting of an area ends.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDC() { RestoreDC(dc_, saved_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
  // A one-pixel rectangle fill: no pen to make and free per line.
  const RECT r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
  SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

}  // namespace

TreeListPainter::TreeListPainter(TCustomdxTreeList& grid, HDC dc, Layout layout,
                                 std::vector<TdxTreeListNode*> rows, RECT client)
    : TreeListPainter(grid, dc) {
  layout_ = std::move(layout);
  rows_ = std::move(rows);
  client_ = client;
  full_size_ = true;
}

TreeListPainter::TreeListPainter(TCustomdxTreeList& grid, HDC dc)
    : grid_(grid), dc_(dc), layout_(grid.GetLayout()), client_(grid.ClientRect()) {
  window_ = framework::ColorToRGB(grid.Color());
  window_text_ = GetSysColor(COLOR_WINDOWTEXT);
  highlight_ = framework::ColorToRGB(grid.GetColor(TCustomdxTreeList::TreeListColor::Highlight));
  highlight_text_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
  hide_selection_ =
      framework::ColorToRGB(grid.GetColor(TCustomdxTreeList::TreeListColor::HideSelection));
  tree_line_ = GetSysColor(COLOR_BTNSHADOW);
  const HeaderModel& model = grid.GetHeaderModel();
  if (!model.bands.empty() && !model.bands[0].rows.empty() && !model.bands[0].rows[0].empty()) {
    tree_column_ = model.bands[0].rows[0][0];
  }
}

void TreeListPainter::Paint() {
  const RECT client = client_;
  PaintBands();
  PaintHeaders();
  PaintIndicatorCorner();
  const int bottom = PaintRows();
  // What no row covers: below the last row, and right of the last column.
  FillRectColor({client.left, bottom, client.right, layout_.rows.bottom}, window_);
  if (!layout_.headers.empty()) {
    FillRectColor({layout_.grid_right, layout_.band_panel.top, client.right, layout_.rows.bottom},
                  window_);
  }
  FillRectColor(layout_.footer, GetSysColor(COLOR_BTNFACE));
}

void TreeListPainter::FillRectColor(const RECT& rect, COLORREF color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  SetBkColor(dc_, color);
  ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void TreeListPainter::DrawHeaderCell(HDC dc, const RECT& rect, const std::wstring& caption,
                                     HFONT font, TdxLookAndFeel look) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  RECT face = rect;
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &face, nullptr, 0, nullptr);
  switch (look) {
    case TdxLookAndFeel::lfStandard: DrawEdge(dc, &face, EDGE_RAISED, BF_RECT); break;
    case TdxLookAndFeel::lfFlat: DrawEdge(dc, &face, BDR_RAISEDINNER, BF_RECT); break;
    case TdxLookAndFeel::lfUltraFlat: {
      const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
      Line(dc, rect.right - 1, rect.top, rect.right - 1, rect.bottom - 1, shadow);
      Line(dc, rect.left, rect.bottom - 1, rect.right - 1, rect.bottom - 1, shadow);
      break;
    }
  }
  if (caption.empty()) return;
  RECT text{rect.left + 4, rect.top + 1, rect.right - 4, rect.bottom - 1};
  editors::SelectScope select(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SetBkMode(dc, OPAQUE);
}

void TreeListPainter::PaintBands() {
  if (layout_.band_panel.bottom <= layout_.band_panel.top) return;
  SavedDC saved(dc_);
  IntersectClipRect(dc_, layout_.band_panel.left, layout_.band_panel.top, layout_.band_panel.right,
                    layout_.band_panel.bottom);
  const HeaderModel& model = grid_.GetHeaderModel();
  for (const LayoutBand& band : layout_.bands) {
    DrawHeaderCell(dc_, {band.left, layout_.band_panel.top, band.right, layout_.band_panel.bottom},
                   model.bands[band.index].caption, grid_.band_font_.Handle(), grid_.look_);
  }
}

void TreeListPainter::PaintHeaders() {
  if (layout_.header_panel.bottom <= layout_.header_panel.top) return;
  SavedDC saved(dc_);
  IntersectClipRect(dc_, layout_.header_panel.left, layout_.header_panel.top,
                    layout_.header_panel.right, layout_.header_panel.bottom);
  const HeaderModel& model = grid_.GetHeaderModel();
  for (const LayoutHeaderCell& cell : layout_.headers) {
    DrawHeaderCell(dc_, cell.rect, model.columns[cell.column].caption, grid_.header_font_.Handle(),
                   grid_.look_);
  }
}

void TreeListPainter::PaintIndicatorCorner() {
  const RECT& corner = layout_.indicator_corner;
  if (corner.right > corner.left && corner.bottom > corner.top) {
    DrawHeaderCell(dc_, corner, L"", grid_.header_font_.Handle(), grid_.look_);
  }
}

int TreeListPainter::PaintRows() {
  SavedDC saved(dc_);
  // One clip for all rows: cells scrolled left of the data area go under the indicator, which
  // each row paints last.
  IntersectClipRect(dc_, layout_.rows.left, layout_.rows.top, layout_.data.right,
                    layout_.rows.bottom);
  SelectObject(dc_, grid_.Font().Handle());
  if (grid_.show_lines_ && grid_.tree_line_style_ == TdxTreeLineStyle::tlDot) {
    // Selected once for every row's lines: selecting a pattern brush realises it again.
    SetBrushOrgEx(dc_, grid_.left_coord_ & 1, 0, nullptr);
    SelectObject(dc_, DotBrush());
  }
  int y = layout_.rows.top;
  const int line = grid_.metrics_.default_row_height;
  size_t next = 0;
  auto advance = [&](TdxTreeListNode* node) {
    if (full_size_) return next < rows_.size() ? rows_[next++] : nullptr;
    return node ? NextVisibleNode(node) : grid_.top_node_;
  };
  for (TdxTreeListNode* node = advance(nullptr); node && y < layout_.rows.bottom;
       node = advance(node)) {
    const int height = grid_.GetRowHeight(node, line, false);
    PaintRow(node, y, height);
    y += height;
  }
  return std::min<int>(y, layout_.rows.bottom);
}

void TreeListPainter::PaintIndicator(bool focused, int top, int height) {
  const int line = grid_.metrics_.default_row_height;
  const RECT indicator{layout_.rows.left, top, layout_.data.left, top + height};
  DrawHeaderCell(dc_, indicator, L"", nullptr, grid_.look_);
  if (!focused) return;
  const int cx = (indicator.left + indicator.right) / 2, cy = top + line / 2;
  const POINT arrow[3] = {{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}};
  editors::SelectScope brush(dc_, GetStockObject(BLACK_BRUSH));
  editors::SelectScope pen(dc_, GetStockObject(BLACK_PEN));
  Polygon(dc_, arrow, 3);
}

void TreeListPainter::PaintRow(TdxTreeListNode* node, int top, int height) {
  const int line = grid_.metrics_.default_row_height;
  const bool focused = node == grid_.focused_node_;
  const int x0 = layout_.data.left - grid_.left_coord_;
  if (layout_.headers.empty()) {
    const RECT cell{x0, top, layout_.data.right, top + line};
    PaintTreePart(node, cell, top, line);
    DrawCell(node, 0, cell);
  } else {
    for (const LayoutHeaderCell& header : layout_.headers) {
      const RECT cell{header.left, top + header.row * line, header.right,
                      top + (header.row + 1) * line};
      if (header.column == tree_column_) PaintTreePart(node, cell, top, line);
      DrawCell(node, header.column, cell);
    }
  }
  const int cells_bottom = top + line * grid_.GetHeaderModel().HeaderPanelRowCount();
  const int preview = grid_.PreviewHeight(node);
  if (preview > 0) {
    const bool highlighted =
        !grid_.painting_picture_ && (node->Selected() || focused) && grid_.IsRowSelect();
    const RECT band{x0, cells_bottom, std::max<int>(layout_.grid_right, layout_.data.right),
                    cells_bottom + preview};
    grid_.DrawPreview(dc_, band, node, highlighted && FocusedWindow() ? highlight_ : window_,
                      highlighted && FocusedWindow() ? highlight_text_ : window_text_);
  }
  // Row footers and the rest of a taller row.
  if (top + height > cells_bottom + preview) {
    FillRectColor({x0, cells_bottom + preview, layout_.grid_right, top + height},
                  GetSysColor(COLOR_3DLIGHT));
  }
  if (grid_.show_grid_) {
    const COLORREF grid_line = GetSysColor(COLOR_BTNFACE);
    Line(dc_, layout_.data.left, top + height - 1, layout_.grid_right - 1, top + height - 1,
         grid_line);
    for (const LayoutHeaderCell& header : layout_.headers) {
      Line(dc_, header.right - 1, top, header.right - 1, top + height - 1, grid_line);
    }
  }
  if (focused && FocusedWindow() && !(grid_.options_ & aoHideFocusRect) && !grid_.searching_) {
    const RECT focus{x0, top, layout_.grid_right > x0 ? layout_.grid_right : layout_.data.right,
                     cells_bottom};
    SetTextColor(dc_, window_text_);
    SetBkColor(dc_, window_);
    DrawFocusRect(dc_, &focus);
  }
  if (layout_.data.left > layout_.rows.left) PaintIndicator(focused, top, height);
}

bool TreeListPainter::FocusedWindow() {
  if (!focused_window_) {
    focused_window_ =
        !grid_.painting_picture_ && grid_.HandleAllocated() && GetFocus() == grid_.Handle();
  }
  return *focused_window_;
}

TdxCellPaintInfo TreeListPainter::CellInfo(TdxTreeListNode* node, int column, const RECT& rect) {
  const bool focused = node == grid_.focused_node_;
  const bool highlighted = !grid_.painting_picture_ && (node->Selected() || focused) &&
                           (grid_.IsRowSelect() || column == grid_.focused_column_);
  TdxCellPaintInfo cell;
  cell.dc = dc_;
  cell.rect = rect;
  if (layout_.headers.empty() || column == tree_column_) {
    // The tree's column paints its text after the node's indent, in what is left of the cell.
    int left = 0, right = 0;
    grid_.GetNodeIndent(node, left, right);
    cell.rect.left = std::min<LONG>(rect.left + right, rect.right);
  }
  cell.node = node;
  cell.column = column;
  cell.brush_color = window_;
  cell.text_color = window_text_;
  if (highlighted) {
    const bool focused_window = FocusedWindow();
    cell.brush_color = focused_window ? highlight_ : hide_selection_;
    cell.text_color = focused_window ? highlight_text_ : GetSysColor(COLOR_BTNTEXT);
  }
  cell.selected = highlighted;
  cell.focused = focused && column == grid_.focused_column_;
  cell.first_column = layout_.headers.empty() || column == layout_.headers.front().column;
  cell.last_column = layout_.headers.empty() || column == layout_.headers.back().column;
  cell.text_offset_x = 2;
  return cell;
}

void TreeListPainter::DrawCell(TdxTreeListNode* node, int column, const RECT& rect) {
  const TdxCellPaintInfo cell = CellInfo(node, column, rect);
  // A picture is drawn as vector text, not through the columns' bitmap painters.
  if (grid_.painting_picture_) {
    grid_.DrawCellText(cell);
  } else {
    grid_.DrawCell(cell);
  }
}

void TreeListPainter::PaintTreePart(TdxTreeListNode* node, const RECT& cell, int row_top,
                                    int line_height) {
  int left = 0, right = 0;
  grid_.GetNodeIndent(node, left, right);
  const int x0 = cell.left;
  const int height = grid_.GetRowHeight(node, line_height, false);
  FillRectColor({x0, row_top, std::min<int>(x0 + right, cell.right), row_top + line_height},
                window_);
  const int mid_y = row_top + line_height / 2;
  if (grid_.show_lines_ && grid_.paint_style_ == TdxTreeListPaintStyle::psStandard) {
    PaintTreeLines(node, x0, row_top, row_top + height, mid_y);
  }
  const int indent = grid_.indent_;
  if (node->HasChildren() && grid_.show_buttons_ && left >= indent) {
    PaintButton(node, x0 + left - indent + indent / 2, mid_y);
  }
  PaintNodeImages(node, x0 + left, row_top, line_height);
}

HBRUSH TreeListPainter::DotBrush() {
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
void TreeListPainter::DottedLine(int left, int top, int width, int height) {
  // A monochrome pattern draws its 0 bits in the text colour, its 1 bits in the background.
  SetTextColor(dc_, tree_line_);
  SetBkColor(dc_, window_);
  SetBrushOrgEx(dc_, grid_.left_coord_ & 1, 0, nullptr);
  editors::SelectScope brush(dc_, DotBrush());
  PatBlt(dc_, left, top, width, height, PATCOPY);
}

void TreeListPainter::PaintTreeLines(TdxTreeListNode* node, int x0, int top, int bottom,
                                     int mid_y) {
  const int indent = grid_.indent_;
  const int slot = node->Level() - (grid_.ShowRoot() ? 0 : 1);
  if (slot < 0 || indent <= 0) return;
  const bool dotted = grid_.tree_line_style_ == TdxTreeLineStyle::tlDot;
  auto vertical = [&](int x, int y1, int y2) {
    if (dotted) {
      DottedLine(x, y1, 1, y2 - y1);
    } else {
      Line(dc_, x, y1, x, y2 - 1, tree_line_);
    }
  };
  const int mid_x = x0 + slot * indent + indent / 2;
  const int right = x0 + (slot + 1) * indent;
  if (dotted) {
    DottedLine(mid_x, mid_y, right - mid_x, 1);
  } else {
    Line(dc_, mid_x, mid_y, right - 1, mid_y, tree_line_);
  }
  const bool first_row = !node->Parent() && node->Index() == 0;
  vertical(mid_x, first_row ? mid_y : top, node->IsLast() ? mid_y + 1 : bottom);
  int k = slot - 1;
  for (TdxTreeListNode* a = node->Parent(); a && k >= 0; a = a->Parent(), --k) {
    if (!a->IsLast()) vertical(x0 + k * indent + indent / 2, top, bottom);
  }
}

void TreeListPainter::PaintButton(TdxTreeListNode* node, int cx, int cy) {
  if (grid_.look_ == TdxLookAndFeel::lfStandard) {
    // The shared raised glyphs, drawn from the system colours.
    win::UniqueMemoryDc glyph_dc(CreateCompatibleDC(dc_));
    editors::SelectScope glyph(glyph_dc.get(), ExpandGlyph(!node->Expanded()));
    BitBlt(dc_, cx - kExpandGlyphSize / 2, cy - kExpandGlyphSize / 2, kExpandGlyphSize,
           kExpandGlyphSize, glyph_dc.get(), 0, 0, SRCCOPY);
    return;
  }
  const RECT box{cx - kButtonSize / 2, cy - kButtonSize / 2, cx + kButtonSize / 2 + 1,
                 cy + kButtonSize / 2 + 1};
  const COLORREF frame =
      grid_.look_ == TdxLookAndFeel::lfUltraFlat ? window_text_ : GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = grid_.look_ == TdxLookAndFeel::lfFlat ? GetSysColor(COLOR_BTNFACE)
                                                              : GetSysColor(COLOR_WINDOW);
  FillRectColor(box, frame);
  FillRectColor({box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, face);
  if (grid_.look_ == TdxLookAndFeel::lfStandard) {
    // The classic raised button: a light inner edge on the left and top.
    Line(dc_, box.left + 1, box.top + 1, box.right - 3, box.top + 1, GetSysColor(COLOR_3DHILIGHT));
  }
  Line(dc_, cx - 2, cy, cx + 2, cy, window_text_);
  if (!node->Expanded()) Line(dc_, cx, cy - 2, cx, cy + 2, window_text_);
}

void TreeListPainter::PaintNodeImages(TdxTreeListNode* node, int x, int top, int height) {
  if (grid_.state_images_ && node->StateIndex() >= 0) {
    framework::TImageList& list = *grid_.state_images_;
    ImageList_Draw(list.Handle(), node->StateIndex(), dc_, x, top + (height - list.Height()) / 2,
                   ILD_NORMAL);
    x += list.Width();
  }
  if (!grid_.images_) return;
  framework::TImageList& list = *grid_.images_;
  const int index = node == grid_.focused_node_ ? node->SelectedIndex() : node->ImageIndex();
  if (index >= 0) {
    ImageList_Draw(list.Handle(), index, dc_, x, top + (height - list.Height()) / 2,
                   ILD_TRANSPARENT);
  }
}

}  // namespace treelist
