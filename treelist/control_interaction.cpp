// What sizing and dragging change in a grid with columns: widths, the scale of what is hidden,
// and the places of bands and headers, through the band and column collections.
#include <algorithm>

#include "treelist/bands.h"
#include "treelist/column.h"
#include "treelist/tree_list_control.h"

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
  if (TdxTreeListColumn* c = Columns(column)) ApplyBestFit(c);
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
  const int target = BandAbsoluteIndex(position);
  b->SetVisible(true);
  if (target >= 0) b->SetIndex(target);
}

void TCustomdxTreeListControl::HideBand(int band) {
  if (TdxTreeListBand* b = Bands().Items(BandAbsoluteIndex(band))) b->SetVisible(false);
}

void TCustomdxTreeListControl::MoveHeader(int column, const HeaderDropPosition& to) {
  TdxTreeListColumn* c = Columns(column);
  const int band = BandAbsoluteIndex(to.band);
  if (!c || band < 0) return;
  if (to.mode == kDropNewRow && to.row >= HeaderPanelRowCount()) {
    SetHeaderPanelRowCount(to.row + 1);
  }
  c->SetBandIndex(band);
  c->SetRowIndex(to.row);
  c->SetColIndex(to.column);
}

void TCustomdxTreeListControl::ShowHeaderColumn(int column, const HeaderDropPosition& to) {
  TdxTreeListColumn* c = Columns(column);
  if (!c) return;
  c->SetVisible(true);
  MoveHeader(column, to);
}

void TCustomdxTreeListControl::HideHeader(int column) {
  if (TdxTreeListColumn* c = Columns(column)) c->SetVisible(false);
}

bool TCustomdxTreeListControl::CanBandDragging(int band) {
  const TdxTreeListBand* b = Bands().Items(BandAbsoluteIndex(band));
  return b && !b->DisableDragging();
}

bool TCustomdxTreeListControl::CanHeaderDragging(int column) {
  const TdxTreeListColumn* c = Columns(column);
  return c && !c->DisableDragging();
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
