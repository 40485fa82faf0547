// The grid with columns: its column list, the sorted columns and sorting by them.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "treelist/input/interaction_state.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {

TdxTreeListColumn* TCustomdxTreeListControl::Columns(int index) const noexcept {
  return index >= 0 && index < ColumnCount() ? columns_[index] : nullptr;
}

int TCustomdxTreeListControl::IndexOfColumn(const TdxTreeListColumn* column) const {
  const auto it = std::find(columns_.begin(), columns_.end(), column);
  return it == columns_.end() ? -1 : static_cast<int>(it - columns_.begin());
}

void TCustomdxTreeListControl::AddColumn(TdxTreeListColumn* column) {
  columns_.push_back(column);
  column->tree_list_ = this;
  ColumnChanged();
}

namespace {

// Searched from the end, where a form freeing its columns newest first finds each.
template <class Item>
void EraseFromEnd(std::vector<Item*>& items, const Item* item) {
  const auto it = std::find(items.rbegin(), items.rend(), item);
  if (it != items.rend()) items.erase(std::next(it).base());
}

}  // namespace

void TCustomdxTreeListControl::RemoveColumn(TdxTreeListColumn* column) {
  column->tree_list_ = nullptr;
  EraseFromEnd(columns_, column);
  EraseFromEnd(sorted_, column);
  if (!destroying_columns_) ColumnChanged();
}

void TCustomdxTreeListControl::MoveColumnInList(TdxTreeListColumn* column, int index) {
  columns_.erase(std::remove(columns_.begin(), columns_.end(), column), columns_.end());
  columns_.insert(columns_.begin() + index, column);
}

void TCustomdxTreeListControl::NameAndAttach(TdxTreeListColumn& column) {
  // The first free name of the form "<grid>Column<n>", n from the count after this one.
  for (int n = ColumnCount() + 1;; ++n) {
    try {
      column.SetName(Name() + "Column" + std::to_string(n));
      break;
    } catch (const framework::EComponentError&) {
    }
  }
  column.SetTreeList(this);
}

void TCustomdxTreeListControl::ColumnChanged() {
  if (Loading()) return;
  if (load_positions_lock_ == 0) NormalizeHeaderRows();
  ClearLayoutCaches();
  LayoutChanged();
}

std::wstring TCustomdxTreeListControl::GetCellText(TdxTreeListNode* node, int column) {
  const TdxTreeListColumn* c = Columns(column);
  if (!c) return GetNodeString(node, column);
  return c->GetDisplayText(node, c->GetCellText(node));
}

void TCustomdxTreeListControl::SetEnableUnicodeSupport(bool value) {
  if (enable_unicode_support_ == value) return;
  if (GetInteraction().Editing()) CancelEditor();
  enable_unicode_support_ = value;
  Invalidate();
}

editors::TdxEditButtonStyle TCustomdxTreeListControl::EditButtonStyle() const {
  switch (LookAndFeel()) {
    case TdxLookAndFeel::lfFlat: return editors::TdxEditButtonStyle::btsFlat;
    case TdxLookAndFeel::lfUltraFlat: return editors::TdxEditButtonStyle::btsHotFlat;
    case TdxLookAndFeel::lfStandard: break;
  }
  return editors::TdxEditButtonStyle::bts3D;
}

// ---- sorting ---------------------------------------------------------------------------------

void TCustomdxTreeListControl::EndSortLock() {
  if (sort_lock_ > 0 && --sort_lock_ == 0) SortNodes();
}

void TCustomdxTreeListControl::BeforeSortColumn(TdxTreeListColumn*) {
  if (!(Options() & aoAutoSort) || ClickAddsToSort() || SortLocked()) return;
  for (TdxTreeListColumn* c : columns_) c->sorted_ = TdxTreeListColumnSort::csNone;
  sorted_.clear();
}

void TCustomdxTreeListControl::AddSortedColumn(TdxTreeListColumn* column) {
  if (OptionsEx() & aoMultiSort) PrimarySortColumn();
  if (std::find(sorted_.begin(), sorted_.end(), column) == sorted_.end()) {
    sorted_.push_back(column);
  }
  if ((Options() & aoAutoSort) && !SortLocked()) SortByColumn(*column);
}

void TCustomdxTreeListControl::RemoveSortedColumn(TdxTreeListColumn* column) {
  sorted_.erase(std::remove(sorted_.begin(), sorted_.end(), column), sorted_.end());
}

int TCustomdxTreeListControl::GetSortColumn(int index) const {
  const bool valid = index >= 0 && index < GetSortColumnCount();
  return valid ? sorted_[index]->GetDataIndex() : index;
}

bool TCustomdxTreeListControl::GetSortDescending(int index) const {
  const bool valid = index >= 0 && index < GetSortColumnCount();
  return valid && sorted_[index]->Sorted() == TdxTreeListColumnSort::csDown;
}

void TCustomdxTreeListControl::RebuildSortedColumns() {
  sorted_.clear();
  for (TdxTreeListColumn* c : columns_) {
    if (c->Sorted() != TdxTreeListColumnSort::csNone) sorted_.push_back(c);
  }
  std::stable_sort(sorted_.begin(), sorted_.end(), [](const auto* a, const auto* b) {
    return a->LoadedSortOrder() < b->LoadedSortOrder();
  });
}

TdxTreeListColumn* TCustomdxTreeListControl::PrimarySortColumn() {
  if (OptionsEx() & aoMultiSort) {
    if (sorted_.empty()) {
      for (TdxTreeListColumn* c : columns_) {
        if (c->Sorted() != TdxTreeListColumnSort::csNone) {
          sorted_.push_back(c);
          break;
        }
      }
    }
    return sorted_.empty() ? nullptr : sorted_.front();
  }
  for (TdxTreeListColumn* c : columns_) {
    if (c->Sorted() != TdxTreeListColumnSort::csNone) return c;
  }
  return nullptr;
}

void TCustomdxTreeListControl::SortNodes() {
  if (!(Options() & aoAutoSort)) return;
  BeginUpdate();
  try {
    if (TdxTreeListColumn* column = PrimarySortColumn()) SortByColumn(*column);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCustomdxTreeListControl::SortByColumn(TdxTreeListColumn& column) {
  if (column.Sorted() == TdxTreeListColumnSort::csNone) return;
  Sort(-1, column.GetDataIndex(), column.Sorted() == TdxTreeListColumnSort::csDown);
}

// ---- form streaming --------------------------------------------------------------------------

std::vector<framework::TComponent*> TCustomdxTreeListControl::StreamedChildren(
    framework::TComponent& root) {
  std::vector<framework::TComponent*> children = TCustomdxTreeList::StreamedChildren(root);
  for (TdxTreeListColumn* column : columns_) {
    if (column->Owner() == &root) children.push_back(column);
  }
  return children;
}

void TCustomdxTreeListControl::AdoptStreamedChild(framework::TComponent& child) {
  if (auto* column = dynamic_cast<TdxTreeListColumn*>(&child)) {
    column->SetTreeList(this);
  } else {
    TCustomdxTreeList::AdoptStreamedChild(child);
  }
}

}  // namespace treelist
