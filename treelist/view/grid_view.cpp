// The view record's hit test, pure geometry over the layout and the rows in the window, and the
// header captions it gives the painter.
#include "treelist/view/grid_view.h"

#include <cstdlib>

namespace treelist {
namespace {

THitInfo HitBandPanel(const GridView& view, THitInfo hit) {
  const Layout& layout = view.layout;
  // The panel's lower edge sizes it: right of the bands, and over them when it may be sized.
  const bool lower_edge = hit.point.y >= layout.band_panel.bottom - kEdgeZone;
  if (lower_edge && view.band_panel_sizing) {
    hit.kind = htBandPanelEdge;
    return hit;
  }
  for (const LayoutBand& band : layout.bands) {
    if (hit.point.x < band.left || hit.point.x >= band.right + kEdgeZone) continue;
    hit.band = band.index;
    hit.kind = std::abs(hit.point.x - band.right) <= kEdgeZone ? htBandEdge : htBand;
    return hit;
  }
  if (lower_edge) hit.kind = htBandPanelEdge;
  return hit;
}

THitInfo HitHeaderPanel(const GridView& view, THitInfo hit) {
  const Layout& layout = view.layout;
  const POINT point = hit.point;
  if (view.header_panel_sizing && point.y >= layout.header_panel.bottom - kEdgeZone) {
    hit.kind = htHeaderPanelEdge;
    return hit;
  }
  for (const LayoutHeaderCell& cell : layout.headers) {
    if (point.y < cell.rect.top || point.y >= cell.rect.bottom) continue;
    if (point.x < cell.left || point.x >= cell.right + kEdgeZone) continue;
    hit.band = cell.band;
    hit.column = cell.column;
    if (std::abs(point.x - cell.right) <= kEdgeZone) {
      hit.kind = htColumnEdge;
    } else {
      hit.kind = htColumn;
      hit.part = view.header_buttons ? HeaderHitPart(layout, point, cell.column) : 1;
    }
    return hit;
  }
  return hit;
}

THitInfo HitRow(const GridView& view, const ViewRow& row, THitInfo hit) {
  const Layout& layout = view.layout;
  const POINT point = hit.point;
  hit.node = row.node;
  if (point.x < layout.data.left) {
    // The indicator's lower edge of a row sizes the rows.
    const bool edge = view.row_sizing && point.y >= row.top + row.height - kEdgeZone;
    hit.kind = edge ? htRowEdge : htIndicator;
    return hit;
  }
  const int x = point.x - (layout.data.left - layout.left_coord);
  const int left = row.indent_left, right = row.indent_right;
  if (x < left - view.indent) {
    hit.kind = htIndent;
  } else if (x < left) {
    hit.kind = row.has_children && view.show_buttons ? htButton : htIndent;
  } else if (x < right) {
    const int state_width = right - left - view.images.width;
    hit.kind = x < left + state_width ? htStateIcon : htIcon;
  } else if (point.x < layout.grid_right) {
    hit.kind = htLabel;
  } else {
    hit.kind = htRight;
  }
  for (const LayoutHeaderCell& cell : layout.headers) {
    if (point.x >= cell.left && point.x < cell.right) {
      hit.column = cell.column;
      hit.band = cell.band;
      break;
    }
  }
  return hit;
}

}  // namespace

HeaderCaption BandCaption(const HeaderModel& model, const BandSpec& band) {
  return {band.caption, band.align, model.band_row_count >= 2, 0, nullptr};
}

HeaderCaption ColumnCaption(const ColumnSpec& column) {
  return {column.caption, column.align, false, column.sort, column.glyph};
}

const ViewRow* GridView::RowOf(const TdxTreeListNode* node) const noexcept {
  for (const ViewRow& row : rows) {
    if (row.node == node) return &row;
  }
  return nullptr;
}

THitInfo HitTest(const GridView& view, POINT point) {
  const Layout& layout = view.layout;
  THitInfo hit;
  hit.point = point;
  if (PtInRect(&layout.band_panel, point)) return HitBandPanel(view, hit);
  if (PtInRect(&layout.header_panel, point)) return HitHeaderPanel(view, hit);
  if (PtInRect(&layout.indicator_corner, point)) {
    hit.kind = htHeaderButton;
    return hit;
  }
  if (PtInRect(&layout.footer, point)) {
    hit.kind = htFooter;
    return hit;
  }
  if (!PtInRect(&layout.rows, point)) return hit;
  for (const ViewRow& row : view.rows) {
    if (point.y >= row.top && point.y < row.top + row.height) return HitRow(view, row, hit);
  }
  return hit;
}

}  // namespace treelist
