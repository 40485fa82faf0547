// What sizing and dragging change in a grid with columns: widths, the scale of what is hidden,
// and the places of bands and headers, through the band and column collections.
#include <algorithm>
#include <vector>

#include "treelist/columns/bands.h"
#include "treelist/columns/column.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {

void TCustomdxTreeListControl::SetColumnWidth(int column, int width) {
  if (TdxTreeListColumn* c = Columns(column)) c->SetWidth(width);
}

void TCustomdxTreeListControl::SetBandWidth(int band, int width) {
  if (TdxTreeListBand* b = Bands().Items(BandAbsoluteIndex(band))) b->SetWidth(width);
}

void TCustomdxTreeListControl::ScaleHiddenBands(int multiplier, int divisor) {
  if (divisor == 0) return;
  for (int i = 0; i < Bands().Count(); ++i) {
    TdxTreeListBand* band = Bands().Items(i);
    if (!band->Visible() && band->Sizing()) {
      band->SetWidth(MulDiv(band->Width(), multiplier, divisor));
    }
  }
}

void TCustomdxTreeListControl::ScaleHiddenColumns(int band, int multiplier, int divisor) {
  if (divisor == 0) return;
  const int absolute = band < 0 ? -1 : BandAbsoluteIndex(band);
  for (TdxTreeListColumn* c : columns_) {
    if (c->Visible() || !c->Sizing() || (absolute >= 0 && c->BandIndex() != absolute)) continue;
    c->SetWidth(MulDiv(c->Width(), multiplier, divisor));
  }
}

void TCustomdxTreeListControl::DoBestFitColumn(int column) {
  TdxTreeListColumn* c = Columns(column);
  if (!c) return;
  ApplyBestFit(c);
  DoColumnsWidthChanged();
}

void TCustomdxTreeListControl::DoBestFitBand(int band) {
  const HeaderModel& model = GetHeaderModel();
  if (band < 0 || band >= static_cast<int>(model.bands.size())) return;
  // Row by row, left to right, taken before the widths change the model.
  std::vector<TdxTreeListColumn*> shown;
  for (const std::vector<int>& row : model.bands[band].rows) {
    for (int column : row) shown.push_back(Columns(column));
  }
  BestFitColumns(shown);
  DoColumnsWidthChanged();
}

bool TCustomdxTreeListControl::IsBandSizeable(int band) const {
  const int absolute = BandAbsoluteIndex(band);
  return absolute >= 0 && absolute < Bands().Count() && Bands().Items(absolute)->Sizing();
}

void TCustomdxTreeListControl::MoveBand(int from, int to) {
  TdxTreeListBand* band = Bands().Items(BandAbsoluteIndex(from));
  const int target = BandAbsoluteIndex(to);
  if (band && target >= 0) band->SetIndex(target);
}

void TCustomdxTreeListControl::ShowBand(int band, int position) {
  TdxTreeListBand* b = Bands().Items(band);
  if (!b) return;
  // The band goes before the one shown at `position` now, or after the last one: taken out
  // before that band, it lands one index lower.
  const int before = BandAbsoluteIndex(position);
  int target = before < 0 ? Bands().Count() - 1 : before;
  if (before > band) --target;
  Bands().BeginUpdate();
  b->SetVisible(true);
  b->SetIndex(target);
  Bands().EndUpdate();
  OnShowBand(this, b, position);
}

void TCustomdxTreeListControl::HideBand(int band) {
  TdxTreeListBand* b = Bands().Items(BandAbsoluteIndex(band));
  if (!b) return;
  b->SetVisible(false);
  OnHideBand(this, b);
}

void TCustomdxTreeListControl::PlaceHeader(TdxTreeListColumn& column,
                                           const HeaderDropPosition& to) {
  if (to.mode == kDropNewRow && to.row >= HeaderPanelRowCount()) {
    SetHeaderPanelRowCount(to.row + 1);
  }
  column.SetBandIndex(BandAbsoluteIndex(to.band));
  column.SetRowIndex(to.row);
  column.SetColIndex(to.column);
}

void TCustomdxTreeListControl::MoveHeader(int column, const HeaderDropPosition& to) {
  TdxTreeListColumn* c = Columns(column);
  if (!c || BandAbsoluteIndex(to.band) < 0) return;
  PlaceHeader(*c, to);
  OnHeaderMoved(this, c);
}

void TCustomdxTreeListControl::ShowHeaderColumn(int column, const HeaderDropPosition& to) {
  TdxTreeListColumn* c = Columns(column);
  if (!c || BandAbsoluteIndex(to.band) < 0) return;
  c->SetVisible(true);
  PlaceHeader(*c, to);
  OnShowHeader(this, c);
}

void TCustomdxTreeListControl::HideHeader(int column) {
  TdxTreeListColumn* c = Columns(column);
  if (!c) return;
  c->SetVisible(false);
  OnHideHeader(this, c);
}

bool TCustomdxTreeListControl::CanBandDragging(int band) {
  TdxTreeListBand* b = Bands().Items(BandAbsoluteIndex(band));
  // A fixed band keeps its side: moving it would unfix it.
  bool allow = b && !b->DisableDragging() && b->Fixed() == TdxGridBandFixed::bfNone;
  if (allow) OnCanBandDragging(this, b, allow);
  return allow;
}

bool TCustomdxTreeListControl::CanHeaderDragging(int column) {
  TdxTreeListColumn* c = Columns(column);
  bool allow = c && !c->DisableDragging();
  if (allow) OnCanHeaderDragging(this, c, allow);
  return allow;
}

void TCustomdxTreeListControl::DoBandClick(int band) {
  if (TdxTreeListBand* b = Bands().Items(BandAbsoluteIndex(band))) OnBandClick(this, b);
}

TdxTreeListBand* TCustomdxTreeListControl::DraggedBandItem(int band, int old_position) const {
  return Bands().Items(old_position == -1 ? band : BandAbsoluteIndex(band));
}

void TCustomdxTreeListControl::DoStartBandDragging(int band) {
  if (TdxTreeListBand* b = DraggedBandItem(band, DraggedBandPos())) OnStartBandDragging(this, b);
}

void TCustomdxTreeListControl::DoStartHeaderDragging(int column) {
  if (TdxTreeListColumn* c = Columns(column)) OnStartHeaderDragging(this, c);
}

void TCustomdxTreeListControl::DoDragEndBand(int band, POINT point, int old_position, int& position,
                                             bool& accept) {
  if (TdxTreeListBand* b = DraggedBandItem(band, old_position)) {
    OnDragEndBand(this, b, point, old_position, position, accept);
  }
}

void TCustomdxTreeListControl::DoDragEndHeader(int column, POINT point, int old_position,
                                               HeaderDropPosition& position, bool& accept) {
  TdxTreeListColumn* c = Columns(column);
  if (!c) return;
  OnDragEndHeader(this, c, point, old_position, position, accept);
  if (VisibleBandCount() != 1) return;
  if (accept && position.band >= 0) OnColumnMoved(this, c, c->ColIndex(), position.column);
  OnEndDragColumn(this, c);
}

void TCustomdxTreeListControl::DoColumnClick(int column) {
  TdxTreeListColumn* c = Columns(column);
  OnColumnClick(this, c);
  if (!(Options() & aoAutoSort) || !c || !c->CanHeaderSort()) return;
  bool allow = true;
  OnColumnSorting(this, c, allow);
  if (!allow) return;
  TdxTreeListColumnSort next = TdxTreeListColumnSort::csUp;
  if (ClickClearsSort()) {
    next = TdxTreeListColumnSort::csNone;
  } else if (c->Sorted() == TdxTreeListColumnSort::csUp) {
    next = TdxTreeListColumnSort::csDown;
  }
  c->SetSorted(next);
}

}  // namespace treelist
