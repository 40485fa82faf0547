// The tree-list grid's core control.
#include "treelist/core/tree_list.h"

#include <windowsx.h>

#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/application.h"
#include "framework/screen.h"
#include "treelist/core/grid_helpers.h"

namespace treelist {
namespace {

// Runs an event handler where no exception may pass (a node's destructor).
template <class Body>
void Guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    framework::Application::Instance().HandleException();
  }
}

// A cell as the copied text holds it: one whose line break, tab or leading quote would break the
// one line per row (and cell per tab) is quoted, its quotes doubled, as spreadsheets read such a
// cell back; any other cell stands as it is.
std::wstring CopiedCell(const std::wstring& text) {
  if (text.find_first_of(L"\r\n\t") == std::wstring::npos && !text.starts_with(L'"')) return text;
  std::wstring quoted = L"\"";
  for (wchar_t c : text) quoted += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
  return quoted + L'"';
}

}  // namespace

TCustomdxTreeList::TCustomdxTreeList(framework::TComponent* owner) : TreeListBase(owner) {
  SetBounds(0, 0, 320, 120);
  SetColor(framework::clWindow);
  SetParentColor(false);
  SetTabStop(true);
  header_font_ = Font();
  band_font_ = Font();
  preview_font_ = Font();
  preview_font_.SetColor(framework::clBlue);
  WatchFontChanges();
  LayoutChanged();
}

TCustomdxTreeList::~TCustomdxTreeList() {
  destroying_ = true;
  for (framework::TImageList* list : {images_, state_images_}) {
    if (list) list->UnRegisterChanges(this);
  }
  while (!top_nodes_.empty()) delete top_nodes_.back();
}

// ---- nodes -----------------------------------------------------------------------------------

TdxTreeListNode* TCustomdxTreeList::CreateNode() { return new TdxTreeListNode(this); }

TdxTreeListNode* TCustomdxTreeList::Add() {
  TdxTreeListNode* node = CreateNode();
  TdxTreeListNode::Append(node, nullptr);
  return node;
}

TdxTreeListNode* TCustomdxTreeList::Items(int index) const noexcept {
  return index >= 0 && index < Count() ? top_nodes_[index] : nullptr;
}

void TCustomdxTreeList::ClearNodes() {
  ViewChanged();
  Locked([&] {
    // Node destructors do not throw: OnDeletion runs guarded.
    clearing_ = true;
    while (!top_nodes_.empty()) delete top_nodes_.back();
    clearing_ = false;
    row_index_.Invalidate();
    top_node_ = focused_node_ = selection_anchor_ = nullptr;
    hot_node_ = drop_target_ = drag_node_ = pressed_node_ = drag_over_node_ = nullptr;
    selection_.clear();
    left_coord_ = 0;
  });
}

void TCustomdxTreeList::FullExpand() {
  Locked([&] {
    for (size_t i = 0; i < top_nodes_.size(); ++i) top_nodes_[i]->Expand(true);
  });
}

void TCustomdxTreeList::FullCollapse() {
  Locked([&] {
    for (size_t i = 0; i < top_nodes_.size(); ++i) top_nodes_[i]->Collapse(true);
  });
}

void TCustomdxTreeList::Sort(int level, int column, bool descending) {
  CloseEditor();  // the editor's row is about to move
  // Rows moved, also when a comparison threw after some lists were sorted: the flat index,
  // the heights that depend on being a last sibling and the picture go.
  auto rows_moved = [this] {
    ResetLayoutCache();
    if (LockUpdate()) return;
    UpdateScrollBars();
    Invalidate();
  };
  try {
    framework::ScreenCursorScope busy(framework::crHourGlass, options_ex_ & aoShowHourGlass);
    SortTreeLevel(top_nodes_, level, {column, descending}, *this);
  } catch (...) {
    rows_moved();
    throw;
  }
  rows_moved();
}

int TCustomdxTreeList::DoCompare(TdxTreeListNode* a, TdxTreeListNode* b) {
  int result = 0;
  OnCompare(this, a, b, result);
  return result;
}

void TCustomdxTreeList::NodeAdded(TdxTreeListNode* node) {
  if (destroying_) return;
  ViewChanged();
  NotifyTreeChange(node, false);
  if (!top_node_) top_node_ = GetFirstNode();
  if (!focused_node_) focused_node_ = top_node_;
  if (!LockUpdate() && node->IsVisible()) {
    UpdateScrollBars();
    RepaintNode(node, true);
  }
}

void TCustomdxTreeList::NodeDeleting(TdxTreeListNode* node) {
  if (destroying_) return;
  Guarded([&] { DoDeletion(node); });
  if (clearing_) return;
  NotifyTreeChange(node, true);
}

void TCustomdxTreeList::NotifyTreeChange(TdxTreeListNode* node, bool deleted) {
  ViewChanged();  // the kept view may hold the node going
  ClearFormerLastSiblingHeight(node);
  if (LockUpdate()) {
    row_index_.Invalidate();
    return;
  }
  if (deleted) {
    row_index_.NodeDeleting(node);
  } else {
    row_index_.NodeAdded(node);
  }
  if (IsRowAutoHeight()) ClearCachedHeights();
}

void TCustomdxTreeList::NodeDeleted() {
  if (destroying_ || clearing_ || LockUpdate() || !HandleAllocated()) return;
  Invalidate();
  UpdateScrollBars();
}

// Raises OnDeletion, then moves every pointer into the node's subtree away from it: the
// node's children are gone already, but a pointer may still name one while a subtree goes.
void TCustomdxTreeList::DoDeletion(TdxTreeListNode* node) {
  OnDeletion(this, node);
  if (node == tooltip_node_) {
    HideCellTooltip();
    tooltip_node_ = nullptr;
  }
  if (clearing_) return;  // ClearNodes resets every pointer once at its end
  if (node->Selected()) {
    selection_.erase(std::remove(selection_.begin(), selection_.end(), node), selection_.end());
  }
  const bool last_node = !node->Parent() && top_nodes_.size() == 1;
  TdxTreeListNode* neighbour = node->PrevSibling();
  if (!neighbour) neighbour = node->NextSibling();
  if (!neighbour) neighbour = node->Parent();
  auto leave = [&](TdxTreeListNode*& pointer, TdxTreeListNode* replacement) {
    if (pointer && pointer->IsInSubtreeOf(node)) pointer = last_node ? nullptr : replacement;
  };
  if (edited_node_ && edited_node_->IsInSubtreeOf(node)) {
    edited_node_ = nullptr;  // nothing to write back to
    CancelEditor();
  }
  leave(top_node_, neighbour);
  leave(focused_node_, neighbour);
  // A Shift-range later starts from the anchor: it must never be a freed node.
  leave(selection_anchor_, neighbour);
  leave(hot_node_, nullptr);
  leave(drop_target_, nullptr);
  leave(drag_node_, nullptr);
  leave(pressed_node_, nullptr);
  leave(drag_over_node_, nullptr);
}

void TCustomdxTreeList::NodeExpandChanged(TdxTreeListNode* node) {
  if (destroying_) return;
  ViewChanged();
  // Many rows come or go at once: the flat index is made again when next asked.
  row_index_.Invalidate();
  if (!node->Expanded() && focused_node_ && focused_node_ != node &&
      focused_node_->IsInSubtreeOf(node)) {
    SetFocusedCell(node, focused_column_, false);
  }
  if (!node->Expanded() && top_node_ && top_node_ != node && top_node_->IsInSubtreeOf(node)) {
    top_node_ = node;
  }
  if (!LockUpdate()) {
    UpdateScrollBars();
    RepaintNode(node, true);
    ClampScrollPositions();
  }
}

bool TCustomdxTreeList::DoExpanding(TdxTreeListNode* node) {
  bool allow = true;
  OnExpanding(this, node, allow);
  return allow;
}

bool TCustomdxTreeList::DoCollapsing(TdxTreeListNode* node) {
  bool allow = true;
  OnCollapsing(this, node, allow);
  return allow;
}

void TCustomdxTreeList::DoCollapsed(TdxTreeListNode* node) { OnCollapsed(this, node); }

bool TCustomdxTreeList::DoEditing(TdxTreeListNode* node) {
  bool allow = true;
  OnEditing(this, node, allow);
  return allow;
}

void TCustomdxTreeList::Loaded() {
  TreeListBase::Loaded();
  LayoutChanged();
}

void TCustomdxTreeList::SetTopVisibleNode(TdxTreeListNode* node) {
  top_node_ = node;
  OnChangeTopVisibleNode(this, node);
}

// ---- updates and the row index --------------------------------------------------------------

void TCustomdxTreeList::BeginUpdate() {
  ++update_lock_;
  // A pending edit is dropped, not written back: the nodes may change under it.
  edited_column_ = -1;
  edited_node_ = nullptr;
  // Only the editor goes: a drag or sizing under way goes on over the new layout.
  DiscardEditor();
}

void TCustomdxTreeList::EndUpdate() {
  if (update_lock_ == 0) return;
  if (--update_lock_ > 0) return;
  LayoutChanged();
  UpdateEnded();
}

void TCustomdxTreeList::SetRowIndexEnabled(bool value) {
  row_index_enabled_ = value;
  row_index_.Invalidate();
}

void TCustomdxTreeList::EnsureRowIndex() {
  if (row_index_enabled_ && !row_index_.Valid()) {
    row_index_.Rebuild(top_nodes_);
    if (IsRowAutoHeight() && !LockUpdate()) ClearCachedHeights();
  }
}

int TCustomdxTreeList::GetVisibleRowCount() {
  if (!row_index_enabled_) return WalkVisibleRowCount(top_nodes_);
  EnsureRowIndex();
  return row_index_.Count();
}

TdxTreeListNode* TCustomdxTreeList::GetNodeAtAbsoluteIndex(int index) {
  if (!row_index_enabled_) return WalkNodeAtAbsoluteIndex(top_nodes_, index);
  EnsureRowIndex();
  return row_index_.NodeAt(index);
}

int TCustomdxTreeList::GetAbsoluteIndex(const TdxTreeListNode* node) {
  if (!row_index_enabled_) return WalkAbsoluteIndex(top_nodes_, node);
  if (!node) return -1;
  EnsureRowIndex();
  return row_index_.IndexOf(node);
}

TdxTreeListNode* TCustomdxTreeList::GetNextVisible(const TdxTreeListNode* node) const {
  return node ? NextVisibleNode(node) : nullptr;
}

TdxTreeListNode* TCustomdxTreeList::GetPrevVisible(const TdxTreeListNode* node) const {
  return node ? PrevVisibleNode(node) : nullptr;
}

void TCustomdxTreeList::ResetLayoutCache() {
  ViewChanged();
  row_index_.Invalidate();
  ClearCachedHeights();
}

void TCustomdxTreeList::ClearCachedHeights() {
  if (destroying_) return;
  ViewChanged();
  struct Clear {
    static void Nodes(const std::vector<TdxTreeListNode*>& nodes) {
      for (TdxTreeListNode* n : nodes) {
        n->ClearCachedHeight();
        Nodes(n->Children());
      }
    }
  };
  Clear::Nodes(top_nodes_);
}

// ---- options ---------------------------------------------------------------------------------

bool TCustomdxTreeList::IsEnterThrough() const {
  return (options_ex_ & aoEnterThrough) && IsEnterShowEditor();
}

bool TCustomdxTreeList::IsMouseScrollSelect() const {
  if ((options_ & aoEditing) && !(options_ & aoRowSelect)) return false;
  return options_ex_ & aoMouseScroll;
}

bool TCustomdxTreeList::IsTabs() const {
  return (options_ & aoTabs) && seams_.key_state(VK_CONTROL) >= 0;
}

bool TCustomdxTreeList::IsImmediateEditor(int column) const {
  bool answer = options_ & aoImmediateEditor;
  if (column >= 0 && OnGetImmediateEditor) {
    OnGetImmediateEditor(const_cast<TCustomdxTreeList*>(this), column, answer);
  }
  return answer;
}

bool TCustomdxTreeList::IsRowAutoHeight() const {
  return (options_ex_ & aoRowAutoHeight) && max_row_line_count_ != 0;
}

bool TCustomdxTreeList::IsPreview() const { return (options_ & aoPreview) && preview_lines_ != 0; }

bool TCustomdxTreeList::HasHorzScrollBar() const {
  return scroll_bars_ == TScrollStyle::ssHorizontal || scroll_bars_ == TScrollStyle::ssBoth;
}

bool TCustomdxTreeList::HasVertScrollBar() const {
  return scroll_bars_ == TScrollStyle::ssVertical || scroll_bars_ == TScrollStyle::ssBoth;
}

bool TCustomdxTreeList::CanSizeColumn(int column) const {
  return (options_ & aoColumnSizing) && IsColumnSizeable(column);
}

// ---- metrics and geometry --------------------------------------------------------------------

const HeaderModel& TCustomdxTreeList::GetHeaderModel() const {
  static const HeaderModel none;
  return none;
}

std::wstring TCustomdxTreeList::GetCellText(TdxTreeListNode* node, int column) {
  return GetNodeString(node, column);
}

int TCustomdxTreeList::MeasureTextHeight(HDC dc, framework::TFont& font) {
  editors::SelectScope select(dc, font.Handle());
  SIZE size{};
  GetTextExtentPoint32W(dc, L"Wg", 2, &size);
  return size.cy;
}

void TCustomdxTreeList::LayoutChanged() {
  if (LockUpdate() || destroying_) return;
  ++update_lock_;
  try {
    const HeaderModel& model = GetHeaderModel();
    MetricInputs in;
    {
      const win::UniqueMemoryDc measure = MeasureDC();
      in.band_text_height = MeasureTextHeight(measure.get(), band_font_);
      in.header_text_height = MeasureTextHeight(measure.get(), header_font_);
      in.row_text_height = MeasureTextHeight(measure.get(), Font());
      in.preview_text_height = MeasureTextHeight(measure.get(), preview_font_);
    }
    in.header_panel_row_count = model.HeaderPanelRowCount();
    in.band_row_count = model.band_row_count;
    in.flat = look_ != TdxLookAndFeel::lfStandard;
    in.show_bands = show_bands_;
    in.show_header = show_header_;
    in.show_indicator = show_indicator_;
    in.show_footer = show_footer_;
    in.show_grid = show_grid_;
    in.show_preview_grid = show_preview_grid_;
    in.invert_select = options_ex_ & aoInvertSelect;
    in.has_band = !model.bands.empty();
    in.new_item_row = show_new_item_row_;
    in.state_image_height = state_images_ ? state_images_->Height() : 0;
    in.assigned_default_row_height = assigned_default_row_height_;
    in.column_min_row_height = GetColumnsMinCellHeight();
    metrics_ = ComputeMetrics(in);
    if (!metrics_.default_row_height_assigned) assigned_default_row_height_ = 0;
    ClearCachedHeights();
  } catch (...) {
    --update_lock_;
    throw;
  }
  --update_lock_;
  UpdateScrollBars();
  ClampScrollPositions();
  Invalidate();
}

Layout TCustomdxTreeList::GetLayout() {
  LayoutInputs in;
  in.client = ClientRect();
  in.metrics = metrics_;
  in.auto_width = IsAutoWidth();
  in.left_coord = left_coord_;
  return ComputeLayout(GetHeaderModel(), in);
}

int TCustomdxTreeList::GetRowHeight(TdxTreeListNode* node, int line_height, bool no_cache) {
  if (CanCacheRowHeight() && !no_cache && node->CachedHeight() > 0) return node->CachedHeight();
  node->ClearCachedLineCount();
  int lines = 1;
  int height = 0;
  if (IsWholeRow(node)) {
    height = line_height;
  } else {
    if (AutoRowHeightApplies()) line_height = AutoLineHeight(node, line_height, lines);
    height = GetHeaderModel().HeaderPanelRowCount() * line_height + PreviewHeight(node);
  }
  height += RowFrameHeight(node);
  const int image_height = images_ ? images_->Height() : 0;
  height = std::max(height, image_height);
  if (!no_cache) node->SetCachedHeight(height, lines);
  return height;
}

int TCustomdxTreeList::RowFrameHeight(TdxTreeListNode* node) {
  int height = show_grid_ ? row_separator_line_width_ : 0;
  if (!show_grid_ && node->HasChildren() && paint_style_ == TdxTreeListPaintStyle::psOutlook) {
    ++height;
  }
  // The line height holds one grid line already when both grids show.
  if (show_grid_ && show_preview_grid_) --height;
  return height + static_cast<int>(RowFooterLevels(node).size()) * metrics_.row_footer_height;
}

bool TCustomdxTreeList::AutoRowHeightApplies() {
  return IsRowAutoHeight() && !IsPreview() && GetHeaderModel().HeaderPanelRowCount() == 1;
}

int TCustomdxTreeList::AutoLineHeight(TdxTreeListNode* node, int line_height, int& lines) {
  int asked = 0;
  OnGetRowLineCount(this, node, asked);
  if (asked > 0) {
    lines = asked;
    return line_height + (asked - 1) * metrics_.row_text_height;
  }
  const Layout layout = GetLayout();
  int left = 0, right = 0;
  GetNodeIndent(node, left, right);
  const bool vertical_lines = show_grid_;
  int tallest = line_height;
  lines = 1;
  for (const LayoutHeaderCell& cell : layout.headers) {
    int width = cell.right - cell.left;
    const bool first = &cell == &layout.headers.front(), last = &cell == &layout.headers.back();
    if (first) width -= right;
    if (vertical_lines && (first || last)) --width;
    if (show_grid_ && show_preview_grid_) --width;
    int height = line_height;
    const int cell_lines = CalcRowLineHeight(node, cell.column, std::max(width, 1), height);
    lines = std::max(lines, cell_lines);
    tallest = std::max(tallest, height);
  }
  if (lines > 1 && tallest == line_height) tallest += (lines - 1) * metrics_.row_text_height;
  return tallest;
}

int TCustomdxTreeList::CalcRowLineHeight(TdxTreeListNode* node, int column, int width,
                                         int& line_height) {
  const int text_height = metrics_.row_text_height;
  int lines = 1;
  bool done = false;
  OnCalcRowLineHeight(this, node, column, GetCellText(node, column), width, text_height,
                      max_row_line_count_, lines, line_height, done);
  if (done) {
    // The handler's height is of the text: the grid lines come on top.
    if (show_grid_ && show_preview_grid_) ++line_height;
    if (show_grid_) line_height += 2;
    return std::max(lines, 1);
  }
  lines = MeasureCellLines(node, column, width);
  if (max_row_line_count_ > 0 && lines > max_row_line_count_) lines = max_row_line_count_;
  return lines;
}

int TCustomdxTreeList::RowLineHeight(TdxTreeListNode* node, int row_height) {
  if (!AutoRowHeightApplies() || IsWholeRow(node)) return metrics_.default_row_height;
  return row_height - RowFrameHeight(node);
}

std::vector<int> TCustomdxTreeList::RowFooterLevels(TdxTreeListNode* node) {
  std::vector<int> levels;
  if (!IsShowRowFooter() || node->HasChildren() || !node->IsLast()) return levels;
  // The last row of a group closes it, and every group above that it also ends.
  for (TdxTreeListNode* parent = node->Parent(); parent; parent = parent->Parent()) {
    if (IsLevelFooter(parent->Level())) levels.push_back(parent->Level());
    if (!parent->IsLast()) break;
  }
  return levels;
}

bool TCustomdxTreeList::IsExistFooterCell(int column) {
  bool exists = false;
  OnIsExistFooterCell(this, column, exists);
  return exists;
}

bool TCustomdxTreeList::IsExistRowFooterCell(TdxTreeListNode* node, int column, int index) {
  bool exists = false;
  OnIsExistRowFooterCell(this, node, column, index, exists);
  return exists;
}

std::wstring TCustomdxTreeList::GetFooterCellText(TdxTreeListNode* node, int column, int index) {
  std::wstring text;
  OnGetFooterCellText(this, node, column, index, text);
  return text;
}

framework::TColor TCustomdxTreeList::GetLevelColor(int level) {
  framework::TColor color = GetColor(TreeListColor::RowFooter);
  OnGetLevelColor(this, level, color);
  return color;
}

bool TCustomdxTreeList::IsLevelFooter(int level) {
  bool footer = false;
  OnIsLevelFooter(this, level, footer);
  return footer;
}

void TCustomdxTreeList::GetNodeIndent(const TdxTreeListNode* node, int& left, int& right) {
  const int level = node->Level();
  const bool standard = paint_style_ == TdxTreeListPaintStyle::psStandard;
  left = (node->HasChildren() || standard ? level + 1 : level) * indent_;
  if (!ShowRoot()) left -= indent_;
  right = left;
  if (state_images_ && node->StateIndex() >= 0) right += state_images_->Width();
  if (images_) right += images_->Width();
}

RECT TCustomdxTreeList::NodeRowRect(TdxTreeListNode* node) {
  return NodeRowRect(node, GetLayout());
}

RECT TCustomdxTreeList::NodeRowRect(TdxTreeListNode* node, const Layout& layout) {
  const int index = GetAbsoluteIndex(node);
  const int top_index = TopIndex();
  RECT row{layout.rows.left, layout.rows.top, layout.rows.right, layout.rows.top};
  if (index < top_index) return row;
  int y = layout.rows.top;
  for (TdxTreeListNode* n = top_node_; n && y < layout.rows.bottom; n = NextVisibleNode(n)) {
    const int h = GetRowHeight(n, metrics_.default_row_height, false);
    if (n == node) return {layout.rows.left, y, layout.rows.right, y + h};
    y += h;
  }
  return row;
}

RECT TCustomdxTreeList::GetCellRect(TdxTreeListNode* node, int column) {
  return GetCellRect(node, column, GetLayout());
}

RECT TCustomdxTreeList::GetCellRect(TdxTreeListNode* node, int column, const Layout& layout) {
  RECT row = NodeRowRect(node, layout);
  const LayoutHeaderCell* cell = layout.HeaderOf(column);
  if (!cell) return {row.left, row.top, row.left, row.bottom};
  const int line = RowLineHeight(node, row.bottom - row.top);
  return {cell->left, row.top + cell->row * line, cell->right, row.top + (cell->row + 1) * line};
}

int TCustomdxTreeList::GetHeaderHitPart(POINT point, int column) {
  return HeaderHitPart(GetLayout(), point, column);
}

// ---- scrolling -------------------------------------------------------------------------------

void TCustomdxTreeList::ScrollColumns(int dx) {
  ViewChanged();
  if (!HandleAllocated()) return;
  const Layout layout = GetLayout();
  // From the band panel down: headers, bands and footer move with the cells.
  RECT area{layout.scroll.left, layout.data.top, layout.scroll.right, layout.footer.bottom};
  BeginOverlayLock();
  ScrollWindowEx(hwnd_, dx, 0, &area, &area, nullptr, nullptr, SW_INVALIDATE);
  EndOverlayLock();
}

void TCustomdxTreeList::ScrollRows(int dy) {
  ViewChanged();
  if (!HandleAllocated()) return;
  const Layout layout = GetLayout();
  BeginOverlayLock();
  ScrollWindowEx(hwnd_, 0, dy, &layout.rows, &layout.rows, nullptr, nullptr, SW_INVALIDATE);
  EndOverlayLock();
  if (paint_style_ == TdxTreeListPaintStyle::psStandard &&
      tree_line_style_ == TdxTreeLineStyle::tlDot) {
    // Dotted lines keep their phase on the screen, not on the rows: repaint them whole (the
    // whole row where no band holds the tree).
    int right = layout.rows.right;
    if (!layout.band_widths.empty()) {
      right = layout.data.left + layout.band_widths[0] + GetHeaderModel().first_band_offset;
      if (GetHeaderModel().left_fixed_band >= 0) right -= left_coord_;
    }
    const RECT lines{layout.rows.left, layout.rows.top, right, layout.rows.bottom};
    InvalidateRect(hwnd_, &lines, FALSE);
  }
}

void TCustomdxTreeList::AfterCreateWnd() {
  ViewChanged();
  TreeListBase::AfterCreateWnd();
  UpdateScrollBars();
}

// ---- focus and selection ---------------------------------------------------------------------

void TCustomdxTreeList::SetFocusedAbsoluteIndex(int index) {
  if (top_nodes_.empty() || index == GetAbsoluteIndex(focused_node_)) return;
  index = std::clamp(index, 0, GetVisibleRowCount() - 1);
  if (index != GetAbsoluteIndex(focused_node_)) {
    SetFocusedCell(GetNodeAtAbsoluteIndex(index), focused_column_, true);
  }
}

void TCustomdxTreeList::RepaintNode(TdxTreeListNode* node, bool below) {
  ViewChanged();
  if (!HandleAllocated() || LockUpdate() || destroying_ || !node->IsVisible()) return;
  RECT row = NodeRowRect(node);
  if (below) row.bottom = GetLayout().rows.bottom;
  if (row.bottom > row.top) InvalidateRect(hwnd_, &row, FALSE);
}

void TCustomdxTreeList::InvalidateRows(int) {
  ViewChanged();
  if (!HandleAllocated()) return;
  const RECT rows = GetLayout().rows;
  InvalidateRect(hwnd_, &rows, FALSE);
}

// ---- incremental search -------------------------------------------------------------------

TdxTreeListNode* TCustomdxTreeList::FindSearchMatch(int column, const std::wstring& text) {
  for (TdxTreeListNode* n = GetFirstNode(); n; n = NextVisibleNode(n)) {
    const std::wstring cell = GetCellText(n, column);
    if (cell.size() >= text.size() &&
        CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, cell.c_str(),
                       static_cast<int>(text.size()), text.c_str(),
                       static_cast<int>(text.size())) == CSTR_EQUAL) {
      return n;
    }
  }
  return nullptr;
}

void TCustomdxTreeList::StartSearch(int column, const std::wstring& text) {
  searching_ = true;
  search_column_ = column;
  search_text_ = text;
  if (TdxTreeListNode* match = FindSearchMatch(column, text)) {
    search_moving_focus_ = true;
    SetFocusedCell(match, focused_column_, true);
    search_moving_focus_ = false;
  }
  if (focused_node_) RepaintNode(focused_node_, false);
}

void TCustomdxTreeList::TypeIntoSearch(wchar_t& key) {
  const int column = GetFocusedColumn();
  if (key == L'\b' || key == VK_ESCAPE) {
    if (!searching_) return;
    const std::wstring shorter = search_text_.substr(0, search_text_.size() - 1);
    if (key == VK_ESCAPE || shorter.empty()) {
      EndSearch();
    } else {
      StartSearch(column, shorter);
    }
    key = 0;
    return;
  }
  if (key < L' ') return;
  const std::wstring text = (searching_ ? search_text_ : std::wstring()) + key;
  key = 0;
  // A letter that no row goes on with is dropped: the focus and the mark stay.
  if (FindSearchMatch(column, text)) StartSearch(column, text);
}

void TCustomdxTreeList::EndSearch() {
  searching_ = false;
  if (focused_node_) RepaintNode(focused_node_, false);
}

int TCustomdxTreeList::GetHeaderButtonState(int column) const {
  if (!show_header_buttons_) return 0;
  int state = 1;
  if (column == hot_button_column_) {
    state += 2;
    if (column == pressed_button_column_ && pressed_button_shown_) state += 4;
  }
  return state;
}

// ---- texts -----------------------------------------------------------------------------------

std::wstring TCustomdxTreeList::GetHeaderLineText() {
  const HeaderModel& model = GetHeaderModel();
  std::wstring text;
  const std::vector<int> order = VisibleColumnOrder(model);
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) text += L'\t';
    text += CopiedCell(model.columns[order[i]].caption);
  }
  return text + L"\r\n";
}

std::wstring TCustomdxTreeList::GetNodeLineText(TdxTreeListNode* node) {
  if (IsWholeRow(node)) return CopiedCell(GetCellText(node, 0));
  std::wstring text;
  const std::vector<int> order = VisibleColumnOrder(GetHeaderModel());
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) text += L'\t';
    text += CopiedCell(GetCellText(node, order[i]));
  }
  return text;
}

// ---- window ----------------------------------------------------------------------------------

void TCustomdxTreeList::CreateParams(framework::TCreateParams& params) {
  TreeListBase::CreateParams(params);
  params.style |= WS_CLIPCHILDREN;
  // No scroll bars at first: writing the rows' extent shows those the rows need. A window made
  // with both bars and then dropping them changes its frame twice, each change several round
  // trips to the window server.
  // The flat looks draw their one-pixel frame themselves (WM_NCCALCSIZE, WM_NCPAINT).
  if (border_style_ == TBorderStyle::bsSingle && look_ == TdxLookAndFeel::lfStandard) {
    params.ex_style |= WS_EX_CLIENTEDGE;
  }
}

}  // namespace treelist
