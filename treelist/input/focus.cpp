// Where the user is: the focused cell and the rules that move it (with their events in order),
// the selection that multi-select builds on, the first row and the left coordinate shown, the
// scroll bars that follow them, and the keys that move through the grid.
#include <algorithm>
#include <cstdlib>

#include "treelist/input/interaction_state.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

// From this many selected rows a selection repaint takes the whole grid instead of row by row.
constexpr int kWholeGridSelection = 11;

}  // namespace

// ---- the focused cell ---------------------------------------------------------------------------

int TCustomdxTreeList::GetFocusedColumn() const {
  const int count = static_cast<int>(GetHeaderModel().columns.size());
  if (IsRowSelect() || focused_column_ < 0 || focused_column_ >= count) return 0;
  return focused_column_;
}

void TCustomdxTreeList::SetFocusedColumn(int column) {
  const int count = static_cast<int>(GetHeaderModel().columns.size());
  if (column == focused_column_ || column < 0 || column >= count) return;
  SetFocusedCell(focused_node_, column, true);
}

void TCustomdxTreeList::SetFocusedCell(TdxTreeListNode* node, int column, bool make_visible) {
  if (!node) return;
  CloseEditor();  // a refused value raises: the focus stays
  TdxTreeListNode* const old_node = focused_node_;
  const int old_column = focused_column_;
  if (LockUpdate()) {
    focused_node_ = node;
    focused_column_ = column;
    return;
  }
  const bool node_changed = node != old_node;
  const bool column_changed = !IsRowSelect() && column != old_column;
  if (!node_changed && column_changed) {
    MakeColumnVisible(column);
    RepaintCell(node, old_column);
    focused_column_ = column;
    RepaintCell(node, column);
  } else if (node_changed) {
    if (column_changed) {
      focused_column_ = column;
      MakeColumnVisible(column);
    }
    if (old_node) RepaintNode(old_node, false);
    focused_node_ = node;
    RepaintNode(node, false);
    new_item_row_focused_ = false;
  }
  if (make_visible) MakeNodeVisible(focused_node_);
  if (searching_ && (node_changed ? !search_moving_focus_ : column_changed)) EndSearch();
  if (node_changed) DoChangeNode(old_node, node);
  if (column_changed) DoChangeColumn(node, focused_column_);
}

void TCustomdxTreeList::RepaintCell(TdxTreeListNode* node, int column) {
  ViewChanged();
  if (!HandleAllocated() || LockUpdate() || !node->IsVisible()) return;
  const RECT cell = GetCellRect(node, column);
  InvalidateRect(hwnd_, &cell, FALSE);
}

void TCustomdxTreeList::MakeNodeVisible(TdxTreeListNode* node) {
  // Expanding lays the grid out and repaints it whole: only for a node that is hidden.
  if (!node->IsVisible()) {
    Locked([&] {
      for (TdxTreeListNode* p = node->Parent(); p; p = p->Parent()) p->SetExpanded(true);
    });
  }
  const int index = GetAbsoluteIndex(node);
  if (index < 0) return;
  const int top = TopIndex();
  if (index < top) {
    SetTopIndex(index);
  } else {
    const int visible = FullyVisibleRowCount();
    if (index >= top + visible) SetTopIndex(index - visible + 1);
  }
}

void TCustomdxTreeList::MakeColumnVisible(int column) {
  const Layout layout = GetLayout();
  const LayoutHeaderCell* cell = layout.HeaderOf(column);
  if (cell) ScrollIntoView(cell->left, cell->right);
}

// ---- selection ----------------------------------------------------------------------------------

TdxTreeListNode* TCustomdxTreeList::SelectedNode(int index) const {
  return index >= 0 && index < SelectedCount() ? selection_[index] : nullptr;
}

void TCustomdxTreeList::ClearSelection() {
  if (selection_.empty()) return;
  ViewChanged();
  InvalidateSelection();
  for (TdxTreeListNode* n : selection_) n->SetSelectedFlag(false);
  selection_.clear();
  DoSelectedCountChange();
}

void TCustomdxTreeList::SetNodeSelected(TdxTreeListNode* node, bool selected) {
  if (!node || node->Selected() == selected) return;
  if (selected && (!IsMultiSelect() || !CanSelectNode(node))) return;
  ViewChanged();
  node->SetSelectedFlag(selected);
  if (selected) {
    selection_.push_back(node);
  } else {
    selection_.erase(std::remove(selection_.begin(), selection_.end(), node), selection_.end());
  }
  RepaintNode(node, false);
  NodeSelectionChanged(node, selected);
}

bool TCustomdxTreeList::CanSelectNode(TdxTreeListNode* node) {
  bool allow = true;
  OnCanNodeSelected(this, node, allow);
  // Without aoExtMultiSelect a selection stays among the siblings of its first node.
  if (!allow || (options_ & aoExtMultiSelect) || selection_.empty()) return allow;
  return node->Parent() == selection_.front()->Parent();
}

void TCustomdxTreeList::SelectRange(TdxTreeListNode* a, TdxTreeListNode* b) {
  int from = GetAbsoluteIndex(a), to = GetAbsoluteIndex(b);
  if (from < 0 || to < 0) return;
  if (from > to) {
    std::swap(a, b);
    std::swap(from, to);
  }
  BeginSelection();
  try {
    // Bounded by the row distance: a handler that changes the rows cannot make it run on.
    int visited = 0;
    for (TdxTreeListNode* n = a; n && visited <= to - from; n = GetNextVisible(n), ++visited) {
      SetNodeSelected(n, true);
      if (n == b) break;
    }
  } catch (const framework::Exception&) {
    // A handler refusing a node by raising ends the range there.
  }
  EndSelection();
}

void TCustomdxTreeList::SelectAll() {
  if (!IsMultiSelect() || top_nodes_.empty()) return;
  TdxTreeListNode* first = top_nodes_.front();
  TdxTreeListNode* last = top_nodes_.back();
  if (options_ & aoExtMultiSelect) {
    FullExpand();
    while (last->HasChildren()) last = last->Items(last->Count() - 1);
  } else if (focused_node_ && focused_node_->Parent()) {
    // Only the focused node's siblings.
    TdxTreeListNode* parent = focused_node_->Parent();
    first = parent->Items(0);
    last = parent->Items(parent->Count() - 1);
  }
  BeginSelection();
  try {
    ClearSelection();
    SelectRange(first, last);
  } catch (...) {
    EndSelection();
    throw;
  }
  EndSelection();
}

void TCustomdxTreeList::SelectRangeTo(TdxTreeListNode* node, bool add) {
  if (!node) return;
  if (!selection_anchor_) selection_anchor_ = focused_node_ ? focused_node_ : node;
  BeginSelection();
  if (!add) ClearSelection();
  SelectRange(selection_anchor_, node);
  EndSelection();
  SetFocusedCell(node, focused_column_, true);
}

int TCustomdxTreeList::CompareWithAnchor(TdxTreeListNode* node) {
  const int row = GetAbsoluteIndex(node), anchor = GetAbsoluteIndex(selection_anchor_);
  return (row > anchor) - (row < anchor);
}

void TCustomdxTreeList::InvalidateSelection() {
  ViewChanged();
  if (!HandleAllocated()) return;
  if (focused_node_) RepaintNode(focused_node_, false);
  const int count = SelectedCount();
  if (count >= kWholeGridSelection) {
    Invalidate();
    return;
  }
  for (int i = 0; i < count; ++i) RepaintNode(SelectedNode(i), false);
}

void TCustomdxTreeList::BeginSelection() {
  if (selection_lock_++ == 0) selection_count_before_ = SelectedCount();
}

void TCustomdxTreeList::EndSelection() {
  if (selection_lock_ == 0 || --selection_lock_ > 0) return;
  if (SelectedCount() != selection_count_before_) DoSelectedCountChange();
}

void TCustomdxTreeList::DoSelectedCountChange() {
  if (destroying_ || selection_lock_ > 0) return;
  OnSelectedCountChange(this);
}

void TCustomdxTreeList::NodeSelectionChanged(TdxTreeListNode* node, bool) {
  if (!destroying_) OnSelectionChanged(this, node);
  DoSelectedCountChange();
}

// ---- the first row and the left coordinate ------------------------------------------------------

int TCustomdxTreeList::TopIndex() { return std::max(GetAbsoluteIndex(top_node_), 0); }

// Rows from the top row down while they fit; with height to spare at the end of the tree, the
// rows above the top row that would fit as well.
void TCustomdxTreeList::CountVisibleRows() {
  const Layout layout = GetLayout();
  const int space = layout.rows.bottom - layout.rows.top;
  int used = 0, full = 0, partial = 0;
  TdxTreeListNode* n = top_node_;
  for (; n && used < space; n = NextVisibleNode(n)) {
    used += RowHeight(n);
    if (used <= space) ++full;
    ++partial;
  }
  if (!n && top_node_) {
    for (TdxTreeListNode* p = PrevVisibleNode(top_node_); p; p = PrevVisibleNode(p)) {
      used += RowHeight(p);
      if (used > space) break;
      ++full;
      ++partial;
    }
  }
  visible_row_count_ = std::max(full, 1);
  partial_row_count_ = std::max(partial, 1);
}

int TCustomdxTreeList::FullyVisibleRowCount() {
  CountVisibleRows();
  return visible_row_count_;
}

// The top row of the last full page: the rows from it to the end fill the data area.
int TCustomdxTreeList::LastTopIndex() {
  const int count = GetVisibleRowCount();
  if (count == 0) return 0;
  const Layout layout = GetLayout();
  const int space = layout.rows.bottom - layout.rows.top;
  int top = count - 1;
  TdxTreeListNode* row = GetNodeAtAbsoluteIndex(top);
  int used = RowHeight(row);
  for (TdxTreeListNode* above = PrevVisibleNode(row); above; above = PrevVisibleNode(above)) {
    used += RowHeight(above);
    if (used > space) break;
    --top;
  }
  return top;
}

void TCustomdxTreeList::SetTopIndex(int index) {
  CloseEditor();
  const int old_index = TopIndex();
  if (index == old_index && top_node_) return;
  if (GetVisibleRowCount() < 2) return;
  index = std::clamp(index, 0, LastTopIndex());
  if (index == old_index && top_node_) return;
  TdxTreeListNode* const old_top = top_node_;
  const int rows = index - old_index;
  // A near move scrolls the pixels it keeps by the heights of the rows it passes.
  const bool nearby = old_top && std::abs(rows) <= visible_row_count_;
  int dy = 0;
  if (nearby) {
    TdxTreeListNode* n = GetNodeAtAbsoluteIndex(std::min(index, old_index));
    for (int i = 0; i < std::abs(rows) && n; ++i, n = NextVisibleNode(n)) {
      dy += RowHeight(n);
    }
  }
  SetTopVisibleNode(GetNodeAtAbsoluteIndex(index));
  UpdateScrollBars();
  if (LockUpdate() || !HandleAllocated()) return;
  if (nearby) {
    ScrollRows(rows > 0 ? -dy : dy);
  } else {
    Invalidate();
  }
  if (focused_node_) RepaintNode(focused_node_, false);
}

void TCustomdxTreeList::SetLeftCoord(int value) {
  CloseEditor();
  if (value == left_coord_) return;
  const Layout layout = GetLayout();
  value = std::clamp(value, 0, layout.MaxLeftCoord());
  if (value == left_coord_) return;
  const int dx = left_coord_ - value;
  left_coord_ = value;
  UpdateScrollBars();
  if (LockUpdate()) return;
  if (HandleAllocated()) {
    const HeaderModel& model = GetHeaderModel();
    const bool fixed = model.left_fixed_band >= 0 || model.right_fixed_band >= 0;
    if (!show_footer_ && !fixed && std::abs(dx) <= layout.data.right - layout.data.left) {
      ScrollColumns(dx);
    } else {
      Invalidate();
    }
  }
  DoChangeLeftCoord();
}

void TCustomdxTreeList::ClampScrollPositions() {
  if (top_node_ && !top_node_->IsVisible()) top_node_ = nullptr;
  if (!top_node_) top_node_ = GetFirstNode();
  if (!HandleAllocated()) return;
  // Rows that fit no longer hide above the top: the last page ends at the grid's bottom.
  if (top_node_) {
    const int last_top = LastTopIndex();
    if (TopIndex() > last_top) SetTopIndex(last_top);
  }
  const int max_left = GetLayout().MaxLeftCoord();
  if (left_coord_ > max_left) {
    left_coord_ = max_left;
    Invalidate();
  }
}

// ---- scroll bars --------------------------------------------------------------------------------

void TCustomdxTreeList::UpdateScrollBars() {
  if (!HandleAllocated() || LockUpdate()) return;
  auto write = [this] {
    if (HasVertScrollBar()) {
      CountVisibleRows();
      const int rows = GetVisibleRowCount();
      WriteScrollBar(SB_VERT, rows <= visible_row_count_ ? 0 : rows - 1, visible_row_count_,
                     TopIndex());
    }
    if (HasHorzScrollBar()) {
      const Layout layout = GetLayout();
      const int width = std::max(layout.ScrollWidth(), 0);
      const int extent = layout.scroll_extent;
      WriteScrollBar(SB_HORZ, extent <= width ? 0 : extent - 1, width, left_coord_);
    }
  };
  write();
  write();  // again: showing one bar takes room from the other
}

// Every write redraws the bar and may show or hide it: only a record that differs from what the
// bar holds goes out. The bar keeps its page within the range and its position within the last
// page, so the record is compared as the bar would keep it.
void TCustomdxTreeList::WriteScrollBar(int bar, int max, int page, int pos) {
  const UINT kept_page = static_cast<UINT>(std::min(page, max + 1));
  const int kept_pos = std::clamp(pos, 0, std::max(max - static_cast<int>(kept_page) + 1, 0));
  SCROLLINFO held{};
  if (GetScrollInfo(bar, held) && held.nMin == 0 && held.nMax == max && held.nPage == kept_page &&
      held.nPos == kept_pos) {
    return;
  }
  SCROLLINFO info{};
  info.nMax = max;
  info.nPage = static_cast<UINT>(page);
  info.nPos = pos;
  // Drawn with the next paint instead of at once: paging through a long tree writes the bar on
  // every step, and drawing it each time cost more than the rows.
  SetScrollInfo(bar, info, false);
  SCROLLBARINFO shown{};
  shown.cbSize = sizeof shown;
  if (!GetScrollBarInfo(hwnd_, bar == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL, &shown)) return;
  RECT area = shown.rcScrollBar;
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
  RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

// ---- keys ---------------------------------------------------------------------------------------

void TCustomdxTreeList::MoveFocusBy(int rows, unsigned shift) {
  if (top_nodes_.empty()) return;
  const int count = GetVisibleRowCount();
  const int target = std::clamp(GetAbsoluteIndex(focused_node_) + rows, 0, count - 1);
  TdxTreeListNode* node = GetNodeAtAbsoluteIndex(target);
  if ((shift & framework::ssShift) && IsMultiSelect()) {
    SelectRangeTo(node);
    return;
  }
  selection_anchor_ = node;
  SetFocusedCell(node, focused_column_, true);
}

// The new-item row stands above the first row: Up from the first row reaches it, Down leaves it
// for the first row.
bool TCustomdxTreeList::StepIntoNewItemRow(bool up) {
  if (!IsNewItemRowShown()) return false;
  if (new_item_row_focused_) {
    if (!up && !top_nodes_.empty()) {
      SetNewItemRowFocused(false);
      SetFocusedCell(GetNodeAtAbsoluteIndex(0), focused_column_, true);
    }
    return true;
  }
  if (!up || (focused_node_ && GetAbsoluteIndex(focused_node_) > 0)) return false;
  SetNewItemRowFocused(true);
  return true;
}

// Tab: the next cell (Shift: the previous); at the row's end, with aoTabThrough, the first cell
// of the next row. An open editor opens again on the new cell.
void TCustomdxTreeList::TabToCell(bool back) {
  const bool editing = interaction_->Editing();
  const int column = focused_column_;
  MoveFocusedColumn(back);
  const std::vector<int> order = VisibleColumnOrder(GetHeaderModel());
  if (focused_column_ == column && (options_ & aoTabThrough) && !order.empty() && focused_node_) {
    TdxTreeListNode* row = back ? GetPrevVisible(focused_node_) : GetNextVisible(focused_node_);
    if (row) SetFocusedCell(row, back ? order.back() : order.front(), true);
  }
  if (editing) ShowEditor();
}

// Left and Right move between the cells of a row; beyond its ends, and in row selection, they
// collapse and expand the tree.
void TCustomdxTreeList::ArrowAcross(bool left) {
  const std::vector<int> order = VisibleColumnOrder(GetHeaderModel());
  if (!IsRowSelect() && !order.empty()) {
    const bool at_end = focused_column_ == (left ? order.front() : order.back());
    if (!at_end) {
      MoveFocusedColumn(left);
      return;
    }
  }
  TdxTreeListNode* node = focused_node_;
  if (!node) return;
  if (left && node->Expanded()) {
    node->Collapse(false);
  } else if (left && node->Parent()) {
    SetFocusedCell(node->Parent(), focused_column_, true);
  } else if (!left && node->HasChildren() && !node->Expanded()) {
    node->Expand(false);
  } else if (!left && node->HasChildren()) {
    MoveFocusBy(1, 0);
  }
}

void TCustomdxTreeList::KeyDown(WORD& key, unsigned shift) {
  TreeListBase::KeyDown(key, shift);
  const bool ctrl = shift & framework::ssCtrl;
  if (interaction_->Editing()) {
    // Keys the editor hands back: Enter keeps the value (and with aoEnterThrough goes on to the
    // next cell), Escape drops it, the rest move as in the grid.
    if (key == VK_RETURN) {
      CloseEditorKeepFocus();
      if (IsEnterThrough()) {
        TabToCell(false);
        ShowEditor();
      }
      key = 0;
      return;
    }
    if (key == VK_ESCAPE) {
      CancelEditor();
      key = 0;
      return;
    }
  }
  const std::vector<int> order = VisibleColumnOrder(GetHeaderModel());
  const bool by_rows = ctrl || IsRowSelect() || order.empty();
  switch (key) {
    case VK_F2: ShowEditor(); break;
    case 'C':
      if (!ctrl) return;
      CopyGridToClipboard(IsMultiSelect() && !selection_.empty());
      break;
    case 'A':
      if (!ctrl) return;
      SelectAll();
      break;
    case VK_RETURN:
      if (IsEnterShowEditor()) ShowEditor();
      break;
    case VK_TAB:
      if (!IsTabs()) return;
      TabToCell(shift & framework::ssShift);
      break;
    case VK_UP:
      if (!StepIntoNewItemRow(true)) MoveFocusBy(-1, shift);
      break;
    case VK_DOWN:
      if (!StepIntoNewItemRow(false)) MoveFocusBy(1, shift);
      break;
    case VK_PRIOR: MoveFocusBy(-FullyVisibleRowCount(), shift); break;
    case VK_NEXT: MoveFocusBy(FullyVisibleRowCount(), shift); break;
    case VK_HOME:
      if (by_rows) {
        MoveFocusBy(-GetVisibleRowCount(), shift);
      } else {
        SetFocusedColumn(order.front());
      }
      break;
    case VK_END:
      if (by_rows) {
        MoveFocusBy(GetVisibleRowCount(), shift);
      } else {
        SetFocusedColumn(order.back());
      }
      break;
    case VK_ADD:
      if (focused_node_) focused_node_->Expand(false);
      break;
    case VK_SUBTRACT:
      if (focused_node_) focused_node_->Collapse(false);
      break;
    case VK_LEFT: ArrowAcross(true); break;
    case VK_RIGHT: ArrowAcross(false); break;
    default: return;
  }
  key = 0;
}

}  // namespace treelist
