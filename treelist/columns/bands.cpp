// The grid's bands, and the header layout the grid with columns builds from its bands and
// columns for the core: visible bands, compacted header rows, caches and best fit.
#include "treelist/columns/bands.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "editors/gdi_scope.h"
#include "treelist/core/grid_helpers.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {
// ---- the band ------------------------------------------------------------------------------

TdxTreeListBand::TdxTreeListBand(TdxTreeListBands* collection) : collection_(collection) {}

const framework::TClassInfo& TdxTreeListBand::StaticClassInfo() {
  using B = TdxTreeListBand;
  static const std::vector<std::string> kAlignments = {"taLeftJustify", "taRightJustify",
                                                       "taCenter"};
  static const std::vector<std::string> kFixed = {"bfNone", "bfLeft", "bfRight"};
  static const framework::TClassInfo info =
      framework::TClassInfo("TdxTreeListBand")
          .Enum("Alignment", &B::Alignment, &B::SetAlignment, kAlignments,
                framework::TAlignment::taCenter)
          .WideString("Caption", &B::Caption, &B::SetCaption)
          .Bool("DisableCustomizing", &B::DisableCustomizing, &B::SetDisableCustomizing, false)
          .Bool("DisableDragging", &B::DisableDragging, &B::SetDisableDragging, false)
          .Enum("Fixed", &B::Fixed, &B::SetFixed, kFixed, TdxGridBandFixed::bfNone)
          .Int("MinWidth", &B::MinWidth, &B::SetMinWidth, 30)
          .Bool("OnlyOwnColumns", &B::OnlyOwnColumns, &B::SetOnlyOwnColumns, false)
          .Bool("Sizing", &B::Sizing, &B::SetSizing, true)
          .Bool("Visible", &B::Visible, &B::SetVisible, true)
          .Int("Width", &B::Width, &B::SetWidth, 250);
  return info;
}

int TdxTreeListBand::Index() const { return collection_->IndexOf(this); }

void TdxTreeListBand::Changed() { collection_->Changed(); }

void TdxTreeListBand::SetAlignment(framework::TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Changed();
}

void TdxTreeListBand::SetCaption(const std::wstring& value) {
  if (caption_ == value) return;
  caption_ = value;
  Changed();
}

void TdxTreeListBand::SetDisableCustomizing(bool value) {
  if (disable_customizing_ == value) return;
  disable_customizing_ = value;
  Changed();
}

void TdxTreeListBand::SetSizing(bool value) {
  if (sizing_ == value) return;
  sizing_ = value;
  Changed();
}

void TdxTreeListBand::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  if (!value) fixed_ = TdxGridBandFixed::bfNone;
  Changed();
}

void TdxTreeListBand::SetMinWidth(int value) {
  min_width_ = std::max(value, 0);
  SetWidth(width_);
}

void TdxTreeListBand::SetWidth(int value) {
  value = std::max(value, min_width_);
  if (value == width_) {
    // Bands whose width follows their columns lay out again all the same.
    const TCustomdxTreeListControl& grid = *collection_->Control();
    if (grid.DefaultLayout() || (grid.OptionsEx() & aoBandHeaderWidth)) {
      Changed();
    }
    return;
  }
  width_ = value;
  Changed();
}

void TdxTreeListBand::SetFixed(TdxGridBandFixed value) {
  if (fixed_ == value) return;
  fixed_ = TdxGridBandFixed::bfNone;
  if (value != TdxGridBandFixed::bfNone) {
    collection_->BeginUpdate();
    for (int i = 0; i < collection_->Count(); ++i) {
      TdxTreeListBand* band = collection_->Items(i);
      if (band->fixed_ == value) band->fixed_ = TdxGridBandFixed::bfNone;
    }
    collection_->Move(Index(), value == TdxGridBandFixed::bfLeft ? 0 : collection_->Count() - 1);
    if (visible_) fixed_ = value;
    collection_->EndUpdate();
  }
  Changed();
}

void TdxTreeListBand::SetIndex(int value) {
  value = std::clamp(value, 0, collection_->Count() - 1);
  if (fixed_ != TdxGridBandFixed::bfNone || value == Index()) return;
  collection_->Move(Index(), value);
  Changed();
}

void TdxTreeListBand::Assign(const TdxTreeListBand& source) {
  collection_->BeginUpdate();
  // Every setting but the side is copied below; the side starts free so that the copy moves
  // the band.
  fixed_ = TdxGridBandFixed::bfNone;
  SetAlignment(source.alignment_);
  SetCaption(source.caption_);
  SetFixed(source.fixed_);
  SetMinWidth(source.min_width_);
  SetOnlyOwnColumns(source.only_own_columns_);
  SetSizing(source.sizing_);
  SetVisible(source.visible_);
  SetWidth(source.width_);
  collection_->EndUpdate();
}

// ---- the collection ------------------------------------------------------------------------

TdxTreeListBand* TdxTreeListBands::Items(int index) const noexcept {
  return index >= 0 && index < Count() ? items_[index].get() : nullptr;
}

TdxTreeListBand* TdxTreeListBands::Add() {
  items_.push_back(std::make_unique<TdxTreeListBand>(this));
  items_.back()->id_ = next_id_++;
  Changed();
  return items_.back().get();
}

void TdxTreeListBands::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (attached_) control_->BandRemoving(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TdxTreeListBands::Clear() {
  BeginUpdate();
  while (Count() > 0) Delete(Count() - 1);
  EndUpdate();
}

int TdxTreeListBands::IndexOf(const TdxTreeListBand* band) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[i].get() == band) return i;
  }
  return -1;
}

TdxTreeListBand* TdxTreeListBands::FindItemID(int id) const {
  for (const auto& band : items_) {
    if (band->id_ == id) return band.get();
  }
  return nullptr;
}

void TdxTreeListBands::Move(int from, int to) {
  if (from == to) return;
  if (attached_) control_->BandMoved(from, to);
  std::unique_ptr<TdxTreeListBand> band = std::move(items_[from]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(band));
}

void TdxTreeListBands::EndUpdate() {
  if (update_lock_ > 0 && --update_lock_ == 0 && pending_) {
    pending_ = false;
    Changed();
  }
}

void TdxTreeListBands::Changed() {
  if (!attached_) return;
  if (update_lock_ > 0) {
    pending_ = true;
    return;
  }
  control_->BandsChanged();
}

// ---- the grid's bands and header rows ------------------------------------------------------

void TCustomdxTreeListControl::BandsChanged() {
  // A description being read empties the bands before it adds its own: only the count they end
  // with counts (Loaded).
  if (Loading()) return;
  if (bands_->Count() != 1) default_layout_ = false;
  if (Destroying()) return;
  ClearLayoutCaches();
  NormalizeFixedBands();
  if (OptionsEx() & aoAutoHeaderPanelHeight) {
    ApplyAutoHeaderRowCount();
  } else {
    LayoutChanged();
  }
}

void TCustomdxTreeListControl::ApplyAutoHeaderRowCount() {
  int highest = 0;
  for (const TdxTreeListColumn* c : columns_) {
    const TdxTreeListBand* band = bands_->Items(c->BandIndex());
    if (c->Visible() && band && band->Visible()) highest = std::max(highest, c->StoredRowIndex());
  }
  BeginUpdate();
  SetHeaderPanelRowCount(highest + 1);
  EndUpdate();
}

void TCustomdxTreeListControl::NormalizeFixedBands() {
  int first_left = -1, first_right = -1;
  bool invalid = false;
  const int first_visible = BandAbsoluteIndex(0);
  const int last_visible = BandAbsoluteIndex(VisibleBandCount() - 1);
  for (int i = 0; i < bands_->Count(); ++i) {
    const TdxGridBandFixed fixed = bands_->Items(i)->Fixed();
    if (fixed == TdxGridBandFixed::bfLeft) {
      invalid = invalid || first_left >= 0 || i != first_visible;
      if (first_left < 0) first_left = i;
    } else if (fixed == TdxGridBandFixed::bfRight) {
      invalid = invalid || first_right >= 0 || i != last_visible;
      if (first_right < 0) first_right = i;
    }
  }
  if (!invalid) return;
  TdxTreeListBand* left = bands_->Items(first_left);
  TdxTreeListBand* right = bands_->Items(first_right);
  for (int i = 0; i < bands_->Count(); ++i) bands_->Items(i)->fixed_ = TdxGridBandFixed::bfNone;
  bands_->BeginUpdate();
  if (left) left->SetFixed(TdxGridBandFixed::bfLeft);
  if (right) right->SetFixed(TdxGridBandFixed::bfRight);
  bands_->EndUpdate();
}

void TCustomdxTreeListControl::BandRemoving(int index) {
  if (Destroying() || Loading()) return;
  for (TdxTreeListColumn* c : columns_) {
    if (c->band_index_ == index) {
      c->band_index_ = -1;
    } else if (c->band_index_ > index) {
      --c->band_index_;
    }
  }
}

void TCustomdxTreeListControl::BandMoved(int from, int to) {
  constexpr int kMoving = -2;
  for (TdxTreeListColumn* c : columns_) {
    int& band = c->band_index_;
    if (band == from) {
      band = kMoving;
    } else if (from < to && band > from && band <= to) {
      --band;
    } else if (from > to && band >= to && band < from) {
      ++band;
    }
  }
  for (TdxTreeListColumn* c : columns_) {
    if (c->band_index_ == kMoving) c->band_index_ = to;
  }
}

void TCustomdxTreeListControl::SetBandRowCount(int value) {
  value = std::clamp(value, 1, band_max_row_count_);
  if (value == band_row_count_) return;
  band_row_count_ = value;
  LayoutChanged();
}

void TCustomdxTreeListControl::SetBandMaxRowCount(int value) {
  band_max_row_count_ = std::max(value, 1);
  SetBandRowCount(std::min(band_row_count_, band_max_row_count_));
}

void TCustomdxTreeListControl::SetHeaderMinRowCount(int value) {
  value = std::max(value, 1);
  if (value == header_min_row_count_) return;
  header_min_row_count_ = value;
  LayoutChanged();
}

void TCustomdxTreeListControl::SetHeaderPanelMaxRowCount(int value) {
  header_panel_max_row_count_ = std::max(value, 1);
  SetHeaderPanelRowCount(std::min(header_panel_row_count_, header_panel_max_row_count_));
}

void TCustomdxTreeListControl::SetHeaderPanelRowCount(int value) {
  value = std::clamp(value, 1, header_panel_max_row_count_);
  if (value == header_panel_row_count_) return;
  header_panel_row_count_ = value;
  if (value > 1) default_layout_ = false;
  if (Loading()) return;
  NormalizeHeaderRows();
  LayoutChanged();
}

void TCustomdxTreeListControl::SetDefaultLayout(bool value) {
  if (value == default_layout_) return;
  if (!value) {
    default_layout_ = false;
    return;
  }
  BeginUpdate();
  try {
    SetShowBands(false);
    SetHeaderPanelRowCount(1);
    bands_->BeginUpdate();
    while (bands_->Count() > 1) bands_->Delete(bands_->Count() - 1);
    if (bands_->Count() == 0) bands_->Add();
    bands_->Items(0)->SetVisible(true);
    bands_->EndUpdate();
    for (TdxTreeListColumn* c : columns_) c->band_index_ = 0;
    default_layout_ = true;
    ClearLayoutCaches();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- rows ----------------------------------------------------------------------------------

void TCustomdxTreeListControl::NormalizeHeaderRows() {
  ClearLayoutCaches();
  const int rows = header_panel_row_count_;
  // The row a column asked for, as far as the panel has rows.
  for (TdxTreeListColumn* c : columns_) {
    c->row_index_ = std::clamp(c->stored_row_index_, 0, rows - 1);
  }
  // Each visible band's rows closed up from the top in their order: the rows its visible columns
  // use, counted in one pass over the columns (a pass per band, or per column, made reading a
  // form of thousands of columns take seconds).
  const int bands = bands_->Count();
  const auto shown_in_band = [&](const TdxTreeListColumn* c) {
    return c->visible_ && c->band_index_ >= 0 && c->band_index_ < bands &&
           bands_->Items(c->band_index_)->Visible();
  };
  std::vector<std::vector<int>> new_row(static_cast<size_t>(bands));
  for (const TdxTreeListColumn* c : columns_) {
    if (!shown_in_band(c)) continue;
    std::vector<int>& band_rows = new_row[static_cast<size_t>(c->band_index_)];
    if (band_rows.empty()) band_rows.assign(static_cast<size_t>(rows), 0);
    band_rows[static_cast<size_t>(c->row_index_)] = 1;  // used, for now
  }
  for (std::vector<int>& band_rows : new_row) {
    int next = 0;
    for (int& row : band_rows) next += std::exchange(row, next);
  }
  for (TdxTreeListColumn* c : columns_) {
    if (!shown_in_band(c)) continue;
    const int row =
        new_row[static_cast<size_t>(c->band_index_)][static_cast<size_t>(c->row_index_)];
    if (row != c->row_index_) c->row_index_ = c->stored_row_index_ = row;
  }
  // Columns below a band's last used row (hidden ones too) come up to it. Only hidden ones move,
  // so the rows the visible ones use are counted once before.
  std::unordered_map<int, int> used_rows;
  for (const TdxTreeListColumn* c : columns_) {
    if (c->visible_ && c->band_index_ >= 0) {
      int& count = used_rows[c->band_index_];
      count = std::max(count, c->row_index_ + 1);
    }
  }
  for (TdxTreeListColumn* c : columns_) {
    if (c->band_index_ < 0) continue;
    const auto used = used_rows.find(c->band_index_);
    const int count = used == used_rows.end() ? 0 : used->second;
    if (c->row_index_ >= count) c->row_index_ = c->stored_row_index_ = std::max(count - 1, 0);
  }
}

// ---- caches and the core's geometry --------------------------------------------------------

void TCustomdxTreeListControl::ClearLayoutCaches() {
  caches_.valid = false;
  ViewChanged();
  NotifyCustomizeForm();
}

void TCustomdxTreeListControl::BuildLayoutCaches() const {
  if (caches_.valid) return;
  Caches& c = caches_;
  c.visible_bands.clear();
  c.band_visible.assign(static_cast<size_t>(bands_->Count()), -1);
  for (int i = 0; i < bands_->Count(); ++i) {
    if (!bands_->Items(i)->Visible()) continue;
    c.band_visible[i] = static_cast<int>(c.visible_bands.size());
    c.visible_bands.push_back(i);
  }
  // (visible band, row, column) of every shown column, grouped by band and row.
  std::vector<std::tuple<int, int, int>> cells;
  for (int i = 0; i < ColumnCount(); ++i) {
    const TdxTreeListColumn* column = columns_[i];
    const int band = column->BandIndex();
    if (!column->Visible() || band < 0 || band >= bands_->Count()) continue;
    if (c.band_visible[band] < 0) continue;
    cells.emplace_back(c.band_visible[band], column->RowIndex(), i);
  }
  std::sort(cells.begin(), cells.end());
  c.rows.assign(c.visible_bands.size(), {});
  for (const auto& [band, row, column] : cells) {
    auto& band_rows = c.rows[band];
    if (band_rows.size() <= static_cast<size_t>(row))
      band_rows.resize(static_cast<size_t>(row) + 1);
    band_rows[row].push_back(column);
  }
  HeaderModel& m = c.model;
  m.columns.clear();
  for (const TdxTreeListColumn* column : columns_) {
    ColumnSpec spec;
    spec.caption = column->DisableCaption() ? std::wstring() : column->Caption();
    spec.width = column->Width();
    spec.min_width = column->Sizing() ? column->MinWidth() : column->Width();
    spec.sizeable = column->Sizing();
    spec.align = editors::HorizontalFormat(column->HeaderAlignment());
    spec.sort = static_cast<int>(column->Sorted());
    if (column->HasHeaderGlyph()) {
      spec.glyph = const_cast<TdxTreeListColumn*>(column)->HeaderGlyph().Handle();
    }
    m.columns.push_back(std::move(spec));
  }
  m.bands.clear();
  for (size_t v = 0; v < c.visible_bands.size(); ++v) {
    const TdxTreeListBand* band = bands_->Items(c.visible_bands[v]);
    BandSpec spec;
    spec.caption = band->Caption();
    spec.width = band->Width();
    spec.min_width = band->MinWidth();
    spec.sizeable = band->Sizing();
    spec.align = editors::HorizontalFormat(band->Alignment());
    spec.rows = c.rows[v];
    // Every band shows the panel's rows, used or not.
    spec.rows.resize(std::max<size_t>(spec.rows.size(), header_panel_row_count_));
    m.bands.push_back(std::move(spec));
  }
  m.band_widths_follow_columns = default_layout_ || (OptionsEx() & aoBandHeaderWidth);
  m.band_row_count = band_row_count_;
  m.max_band_rows = band_max_row_count_;
  m.max_header_panel_rows = header_panel_max_row_count_;
  c.valid = true;
  m.left_fixed_band = LeftFixedBand();
  m.right_fixed_band = RightFixedBand();
}

const HeaderModel& TCustomdxTreeListControl::GetHeaderModel() const {
  BuildLayoutCaches();
  return caches_.model;
}

int TCustomdxTreeListControl::VisibleBandCount() const {
  BuildLayoutCaches();
  return static_cast<int>(caches_.visible_bands.size());
}

int TCustomdxTreeListControl::BandAbsoluteIndex(int visible) const {
  BuildLayoutCaches();
  const auto& list = caches_.visible_bands;
  return visible >= 0 && visible < static_cast<int>(list.size()) ? list[visible] : -1;
}

int TCustomdxTreeListControl::BandVisibleIndex(int absolute) const {
  BuildLayoutCaches();
  const auto& list = caches_.band_visible;
  return absolute >= 0 && absolute < static_cast<int>(list.size()) ? list[absolute] : -1;
}

int TCustomdxTreeListControl::LeftFixedBand() const {
  const TdxTreeListBand* first = bands_->Items(BandAbsoluteIndex(0));
  return first && first->Fixed() == TdxGridBandFixed::bfLeft ? 0 : -1;
}

int TCustomdxTreeListControl::RightFixedBand() const {
  const int last = VisibleBandCount() - 1;
  const TdxTreeListBand* band = bands_->Items(BandAbsoluteIndex(last));
  return band && band->Fixed() == TdxGridBandFixed::bfRight ? last : -1;
}

// ---- best fit and scaling ------------------------------------------------------------------

void TCustomdxTreeListControl::ApplyBestFit(TdxTreeListColumn* column) {
  if (!HandleAllocated()) {
    best_fit_pending_ = true;
    return;
  }
  BestFitColumns(column ? std::vector<TdxTreeListColumn*>{column} : columns_);
}

void TCustomdxTreeListControl::BestFitColumns(const std::vector<TdxTreeListColumn*>& columns) {
  const win::UniqueMemoryDc measure = MeasureDC();
  const HDC dc = measure.get();
  SIZE zero{};
  {
    editors::SelectScope font(dc, Font().Handle());
    GetTextExtentPoint32W(dc, L"0", 1, &zero);
  }
  const int margin = zero.cx / 2 + 1;
  BeginUpdate();
  try {
    for (TdxTreeListColumn* c : columns) BestFitColumn(*c, dc, margin);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCustomdxTreeListControl::BestFitColumn(TdxTreeListColumn& column, HDC dc, int margin) {
  const bool tree_column = column.Visible() && column.ColIndex() == 0 && column.RowIndex() == 0 &&
                           BandVisibleIndex(column.BandIndex()) == 0;
  int widest = 0;
  {
    struct Walk {
      static void Nodes(TCustomdxTreeListControl& grid, TdxTreeListColumn& column, HDC dc,
                        bool tree_column, const std::vector<TdxTreeListNode*>& nodes, int& widest) {
        for (TdxTreeListNode* node : nodes) {
          int width = 0;
          {
            // Measured as drawn: a cell that custom drawing makes bold needs more room.
            editors::SelectScope cell_font(dc, grid.CellTextFont(dc, node, column.Index()));
            width = column.GetBestFitWidth(node, dc);
          }
          if (tree_column) {
            int left = 0, right = 0;  // the indent, state image and image the painter leaves
            grid.GetNodeIndent(node, left, right);
            width += right;
          }
          widest = std::max(widest, width);
          Nodes(grid, column, dc, tree_column, node->Children(), widest);
        }
      }
    };
    Walk::Nodes(*this, column, dc, tree_column, TopNodes(), widest);
  }
  widest += column.ExtraBestFitWidth();
  editors::SelectScope font(dc, HeaderFont().Handle());
  const std::wstring caption = column.Caption();
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  // Room for the sort mark beside the caption.
  const int header = size.cx + (column.SortingDisabled() ? 0 : 15);
  widest = std::max(widest, header);
  if (column.Sizing()) column.SetWidth(widest + 2 * margin);
}

void TCustomdxTreeListControl::ScaleHidden(int multiplier, int divisor) {
  ScaleHiddenBands(multiplier, divisor);
  ScaleHiddenColumns(-1, multiplier, divisor);
}

// ---- the component's life ------------------------------------------------------------------

void TCustomdxTreeListControl::Loaded() {
  if (bands_->Count() != 1) default_layout_ = false;
  TCustomdxTreeList::Loaded();
  NormalizeHeaderRows();
  RebuildSortedColumns();
  ClearLayoutCaches();
  CaptureFormName();
  LayoutChanged();
  LoadLayout();
}

void TCustomdxTreeListControl::AfterCreateWnd() {
  TCustomdxTreeList::AfterCreateWnd();
  if (!best_fit_pending_) return;
  best_fit_pending_ = false;
  ApplyBestFit(nullptr);
}

}  // namespace treelist
