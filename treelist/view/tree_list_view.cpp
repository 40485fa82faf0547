// The grid's view record, built from its settings and nodes for painting and the hit test, and
// the window's paint.
#include "treelist/view/painter.h"
#include "treelist/view/shared_resources.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

// The cells' contents go to the grid, which asks its columns: as text into a picture (vector
// text, not the columns' bitmap painters), through the view data on screen.
class GridCells final : public CellPainter {
 public:
  GridCells(TCustomdxTreeList& grid, bool picture) : grid_(grid), picture_(picture) {}
  void PaintCell(const TdxCellPaintInfo& cell) override {
    // The new-item row has no node for the columns' painters to read.
    if (picture_ || cell.kind == ckNewItemRow) {
      grid_.DrawCellText(cell);
    } else {
      grid_.DrawCell(cell);
    }
  }
  void PaintPreview(HDC dc, const RECT& rect, const ViewRow& row, COLORREF background,
                    COLORREF text_color) override {
    grid_.DrawPreview(dc, rect, row.node, background, text_color);
  }
  void PaintBand(HDC dc, const RECT& rect, int band, const GridView& view) override {
    HeaderCaption caption = view.band_captions[band];
    auto color = static_cast<framework::TColor>(view.colors.band);
    bool done = false;
    grid_.OnCustomDrawBand(&grid_, dc, rect, band, caption.text, color, done);
    if (done) return;
    DrawHeaderCell(dc, rect, caption, view.band_font, view.look, framework::ColorToRGB(color),
                   view.colors.header_text);
  }
  void PaintFooterCell(const FooterCellPaint& cell) override {
    FooterCellPaint drawn = cell;
    auto color = static_cast<framework::TColor>(cell.color);
    bool done = false;
    if (cell.node) {
      grid_.OnCustomDrawFooterNode(&grid_, cell.dc, cell.rect, cell.node, cell.column, cell.index,
                                   drawn.text, color, done);
    } else {
      grid_.OnCustomDrawFooter(&grid_, cell.dc, cell.rect, cell.column, drawn.text, color, done);
    }
    if (done) return;
    drawn.color = framework::ColorToRGB(color);
    DrawFooterCell(drawn);
  }

 private:
  TCustomdxTreeList& grid_;
  bool picture_;
};

// An unset colour paints in the system's `fallback`.
COLORREF ColorOr(framework::TColor color, int fallback) {
  return color == framework::clNone ? GetSysColor(fallback) : framework::ColorToRGB(color);
}

}  // namespace

std::shared_ptr<const GridView> TCustomdxTreeList::GetView() {
  // Inside an update the nodes change without telling: nothing is kept.
  if (LockUpdate()) return std::make_shared<const GridView>(BuildView());
  // The stamp is taken first: a change made while building (a handler's) builds again.
  const ViewStamp stamp = CurrentViewStamp();
  if (!view_ || !(stamp == view_stamp_)) {
    view_ = std::make_shared<const GridView>(BuildView());
    view_stamp_ = stamp;
  }
  return view_;
}

void TCustomdxTreeList::Invalidate() {
  ViewChanged();
  TreeListBase::Invalidate();
}

TCustomdxTreeList::ViewStamp TCustomdxTreeList::CurrentViewStamp() {
  ViewStamp stamp;
  stamp.changes = view_changes_;
  const RECT client = ClientRect();
  stamp.client = {client.left, client.top, client.right, client.bottom};
  stamp.top = top_node_;
  stamp.focused = focused_node_;
  stamp.hot = hot_node_;
  stamp.left_coord = left_coord_;
  stamp.focused_column = focused_column_;
  stamp.hot_column = hot_column_;
  stamp.search_column = search_column_;
  stamp.search_length = search_text_.size();
  stamp.hot_kind = hot_kind_;
  stamp.searching = searching_;
  stamp.new_item_row_focused = new_item_row_focused_;
  stamp.focused_window = HandleAllocated() && GetFocus() == Handle();
  stamp.picture = painting_picture_;
  return stamp;
}

GridView TCustomdxTreeList::BuildView() {
  ++view_builds_;
  GridView view = ViewOf(GetLayout());
  int y = view.layout.rows.top;
  for (TdxTreeListNode* node = top_node_; node && y < view.layout.rows.bottom;
       node = NextVisibleNode(node)) {
    view.rows.push_back(MakeViewRow(node, y));
    y += view.rows.back().height;
  }
  return view;
}

GridView TCustomdxTreeList::ViewOf(Layout layout) {
  GridView view;
  view.layout = std::move(layout);
  const HeaderModel& model = GetHeaderModel();
  for (const BandSpec& band : model.bands) view.band_captions.push_back(BandCaption(model, band));
  for (const ColumnSpec& column : model.columns) {
    view.column_captions.push_back(ColumnCaption(column));
  }
  if (!model.bands.empty() && !model.bands[0].rows.empty() && !model.bands[0].rows[0].empty()) {
    view.tree_column = model.bands[0].rows[0][0];
  }
  ViewColors& c = view.colors;
  using Which = TreeListColor;
  c.window = framework::ColorToRGB(Color());
  c.window_text = GetSysColor(COLOR_WINDOWTEXT);
  c.highlight = framework::ColorToRGB(GetColor(Which::Highlight));
  c.highlight_text = framework::ColorToRGB(GetColor(Which::HighlightText));
  c.hide_selection = framework::ColorToRGB(GetColor(Which::HideSelection));
  c.hide_selection_text = framework::ColorToRGB(GetColor(Which::HideSelectionText));
  c.header = framework::ColorToRGB(GetColor(Which::Header));
  c.header_text = GetSysColor(COLOR_BTNTEXT);
  c.band = framework::ColorToRGB(GetColor(Which::Band));
  c.tree_line = framework::ColorToRGB(GetColor(Which::TreeLine));
  c.grid_line = ColorOr(GetColor(Which::GridLine), COLOR_BTNFACE);
  c.row_footer = framework::ColorToRGB(GetColor(Which::RowFooter));
  c.row_footer_text = framework::ColorToRGB(GetColor(Which::RowFooterText));
  c.fixed_band_line = framework::ColorToRGB(GetColor(Which::FixedBandLine));
  c.plus_minus = framework::ColorToRGB(GetColor(Which::PlusMinus));
  c.footer = GetSysColor(COLOR_BTNFACE);
  c.face = GetSysColor(COLOR_BTNFACE);
  c.shadow = GetSysColor(COLOR_BTNSHADOW);
  view.font = Font().Handle();
  view.header_font = header_font_.Handle();
  view.band_font = band_font_.Handle();
  if (images_) view.images = {images_->Handle(), images_->Width(), images_->Height()};
  if (state_images_) {
    view.state_images = {state_images_->Handle(), state_images_->Width(), state_images_->Height()};
  }
  view.plus_glyph = ExpandGlyph(true);
  view.minus_glyph = ExpandGlyph(false);
  view.look = look_;
  view.paint_style = paint_style_;
  view.tree_line_style = tree_line_style_;
  view.indent = indent_;
  view.focused_column = focused_column_;
  view.show_lines = show_lines_;
  view.show_buttons = show_buttons_;
  ViewRow& new_item = view.new_item_row;
  new_item.kind = ckNewItemRow;
  new_item.top = view.layout.new_item_row.top;
  new_item.height = view.layout.new_item_row.bottom - view.layout.new_item_row.top;
  new_item.line_height = metrics_.default_row_height;
  new_item.focused = new_item_row_focused_;
  if (show_footer_) {
    for (const int column : VisibleColumnOrder(model)) {
      if (IsExistFooterCell(column)) {
        view.footer_cells.push_back({column, GetFooterCellText(nullptr, column, -1)});
      }
    }
  }
  view.show_grid = show_grid_;
  view.grid_line_width = row_separator_line_width_;
  view.fixed_band_line_width = fixed_band_line_width_;
  view.show_root = ShowRoot();
  view.row_select = IsRowSelect();
  view.hide_focus_rect = (options_ & aoHideFocusRect) || searching_;
  view.picture = painting_picture_;
  view.hot_track = (options_ex_ & aoHotTrack) || ForceHotTrack();
  view.end_ellipsis = options_ & aoDrawEndEllipsis;
  view.frame_spans_row = (options_ & aoRowSelect) || (options_ex_ & aoInvertSelect);
  view.search_color = GetColor(TreeListColor::AutoSearch);
  view.search_text_color = GetColor(TreeListColor::AutoSearchText);
  view.focused_window = !painting_picture_ && HandleAllocated() && GetFocus() == Handle();
  view.band_panel_sizing = options_ex_ & aoBandPanelSizing;
  view.header_panel_sizing = options_ex_ & aoHeaderPanelSizing;
  view.row_sizing = options_ex_ & aoRowSizing;
  view.header_buttons = show_header_buttons_;
  return view;
}

ViewRow TCustomdxTreeList::MakeViewRow(TdxTreeListNode* node, int top) {
  ViewRow row;
  row.node = node;
  row.top = top;
  row.height = GetRowHeight(node, metrics_.default_row_height, false);
  row.line_height = RowLineHeight(node, row.height);
  row.preview = PreviewHeight(node);
  row.level = node->Level();
  GetNodeIndent(node, row.indent_left, row.indent_right);
  if (state_images_) row.state_image = node->StateIndex();
  if (images_) row.image = node == focused_node_ ? node->SelectedIndex() : node->ImageIndex();
  row.has_children = node->HasChildren();
  row.expanded = node->Expanded();
  row.last = node->IsLast();
  row.first_row = !node->Parent() && node->Index() == 0;
  // While the new-item row has the focus, the focused node's row does not show it.
  row.focused = node == focused_node_ && !(new_item_row_focused_ && IsNewItemRowShown());
  row.selected = node->Selected();
  if (node == hot_node_ && hot_kind_ == 0) row.hot_column = hot_column_;
  if (searching_ && node == focused_node_) {
    row.search_column = search_column_;
    row.search_length = static_cast<int>(search_text_.size());
  }
  const std::vector<int> levels = RowFooterLevels(node);
  for (size_t i = 0; i < levels.size(); ++i) {
    RowFooterView footer;
    footer.level = levels[i];
    footer.color = framework::ColorToRGB(GetLevelColor(levels[i]));
    const int index = static_cast<int>(i);
    for (const int column : VisibleColumnOrder(GetHeaderModel())) {
      if (IsExistRowFooterCell(node, column, index)) {
        footer.cells.push_back({column, GetFooterCellText(node, column, index)});
      }
    }
    row.footers.push_back(std::move(footer));
  }
  const int slot = row.level - (ShowRoot() ? 0 : 1);
  if (slot > 0) {
    row.ancestor_continues.assign(slot, false);
    int k = slot - 1;
    for (TdxTreeListNode* a = node->Parent(); a && k >= 0; a = a->Parent(), --k) {
      row.ancestor_continues[k] = !a->IsLast();
    }
  }
  return row;
}

void TCustomdxTreeList::PaintView(const GridView& view, HDC dc) {
  GridCells cells(*this, view.picture);
  PaintGrid(view, dc, cells);
}

THitInfo TCustomdxTreeList::HitTest(POINT point) { return treelist::HitTest(*GetView(), point); }

TdxTreeListNode* TCustomdxTreeList::GetNodeAt(int x, int y) { return HitTest({x, y}).node; }

void TCustomdxTreeList::Paint() {
  // Nothing painted may land on an XOR overlay: it would be inverted when the overlay goes.
  BeginOverlayLock();
  try {
    PaintGridTo(Canvas().Handle());
  } catch (...) {
    EndOverlayLock();
    throw;
  }
  EndOverlayLock();
}

void TCustomdxTreeList::PaintGridTo(HDC dc) {
  if (LockUpdate()) return;
  // Held while painting: a handler that changes the grid makes a new view, not a freed one.
  const std::shared_ptr<const GridView> view = GetView();
  PaintView(*view, dc);
}

}  // namespace treelist
