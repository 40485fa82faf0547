// The tree-list grid's core control: owns the nodes, the row index and the geometry, answers
// the window, and reaches options, events and its band and column model through virtual
// operations that the control classes with columns override.
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editors/container.h"
#include "editors/inplace_edit.h"
#include "editors/view_data.h"
#include "framework/controls.h"
#include "framework/image_list.h"
#include "treelist/core/cell_paint_types.h"
#include "treelist/core/cell_source.h"
#include "treelist/core/drop_places.h"
#include "treelist/core/hit_info.h"
#include "treelist/core/layout.h"
#include "treelist/core/nodes.h"
#include "treelist/core/options.h"
#include "treelist/core/row_index.h"
#include "treelist/core/sort.h"

namespace treelist {

// The view record and the drag picture (treelist/view/) and the interaction (treelist/input/)
// stand on floors above this one: the control names them here and uses them in its files there.
struct GridView;
struct ViewRow;
class DragPicture;
class Interaction;
struct InteractionTransition;
enum class InteractionEvent : uint8_t;
enum TdxTreeListState : uint8_t;

// The interaction is made and freed on its own floor (treelist/input/interaction.cpp).
struct InteractionDelete {
  void operator()(Interaction* interaction) const noexcept;
};
using InteractionPtr = std::unique_ptr<Interaction, InteractionDelete>;
InteractionPtr MakeInteraction();

// The grid is the container its in-place editors live in.
using TreeListBase = editors::TCustomdxContainer;

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TBorderStyle { bsNone, bsSingle };

inline POINT ScreenCursorPos() {
  POINT point{};
  GetCursorPos(&point);
  return point;
}

// Cursor position, key state and time come through here, so tests decide them.
struct InputSeams {
  SHORT (*key_state)(int key) = [](int key) { return GetAsyncKeyState(key); };
  POINT (*cursor_pos)() = ScreenCursorPos;
  // The delay of a click's editor open (timer 2): the system's double-click time.
  UINT (*double_click_time)() = [] { return GetDoubleClickTime(); };
  DWORD (*message_time)() = [] { return static_cast<DWORD>(GetMessageTime()); };
  // The timers of the grid's window, the panning loop's too: a test reads which run at what
  // interval and delivers their ticks itself.
  UINT_PTR(*set_timer)
  (HWND hwnd, UINT_PTR id, UINT interval) = [](HWND hwnd, UINT_PTR id, UINT interval) {
    return SetTimer(hwnd, id, interval, nullptr);
  };
  void (*kill_timer)(HWND hwnd, UINT_PTR id) = [](HWND hwnd, UINT_PTR id) { KillTimer(hwnd, id); };
  // Rows a wheel notch scrolls (WHEEL_PAGESCROLL: a page), as the user set it.
  UINT(*wheel_scroll_lines)
  () = [] {
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    return lines;
  };
};

enum class TDropMode { dmBand, dmHeader };

// A sizing line's limits and the edge it measures from, along the sizing axis.
struct SizingRange {
  int min = 0;
  int max = 0;
  int origin = 0;
};

enum class TDragMode { dmManual, dmAutomatic };

// The grid's cursors, registered with the screen at start-up.
constexpr framework::TCursor crDragCursor = -12, crTreeListDelete = -1124, crFullScroll = -1131,
                             crHorScroll = -1132, crVerScroll = -1133, crUpScroll = -1134,
                             crRightScroll = -1135, crDownScroll = -1136, crLeftScroll = -1137;

using TNodeEvent = framework::TEvent<framework::TComponent*, TdxTreeListNode*>;
using TNodeAllowEvent = framework::TEvent<framework::TComponent*, TdxTreeListNode*, bool&>;
using TChangeNodeEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListNode*, TdxTreeListNode*>;
using TChangeColumnEvent = framework::TEvent<framework::TComponent*, TdxTreeListNode*, int>;

class TCustomdxTreeList : public TreeListBase,
                          protected TreeListNodeOwner,
                          protected TreeListSortSource,
                          protected CellSource {
 public:
  explicit TCustomdxTreeList(framework::TComponent* owner);
  ~TCustomdxTreeList() override;

  // Nodes.
  TdxTreeListNode* Add();
  void ClearNodes();
  int Count() const noexcept { return static_cast<int>(top_nodes_.size()); }
  const std::vector<TdxTreeListNode*>& TopNodes() const noexcept { return top_nodes_; }
  TdxTreeListNode* Items(int index) const noexcept;
  TdxTreeListNode* GetFirstNode() const noexcept {
    return top_nodes_.empty() ? nullptr : top_nodes_[0];
  }
  void FullExpand();
  void FullCollapse();
  // Sorts the sibling lists at `level` (-1: all of them) by `column` (treelist/core/sort.h), with
  // the hour-glass shown under aoShowHourGlass.
  virtual void Sort(int level, int column, bool descending);
  TCompareEvent OnCompare;

  // Updates: nothing is laid out or painted while locked.
  void BeginUpdate();
  void EndUpdate();
  bool LockUpdate() const noexcept { return update_lock_ > 0; }

  // Visible rows, through the flat index while it is on, else by walking the tree.
  bool RowIndexEnabled() const noexcept { return row_index_enabled_; }
  void SetRowIndexEnabled(bool value);
  int GetVisibleRowCount();
  TdxTreeListNode* GetNodeAtAbsoluteIndex(int index);
  int GetAbsoluteIndex(const TdxTreeListNode* node);
  TdxTreeListNode* GetNextVisible(const TdxTreeListNode* node) const;
  TdxTreeListNode* GetPrevVisible(const TdxTreeListNode* node) const;
  // The flat index, for the benchmark's figures (its bytes, the lines a search reads).
  const RowIndex& FlatRowIndex() const noexcept { return row_index_; }

  // Options and their predicates.
  uint32_t Options() const noexcept { return options_; }
  void SetOptions(uint32_t value);
  uint32_t OptionsEx() const noexcept { return options_ex_; }
  void SetOptionsEx(uint32_t value);
  virtual bool IsAutoWidth() const { return options_ & aoAutoWidth; }
  virtual bool IsRowSelect() const { return options_ & aoRowSelect; }
  virtual bool IsMultiSelect() const { return options_ & aoMultiSelect; }
  virtual bool IsEditing() const { return options_ & aoEditing; }
  virtual bool IsEnterShowEditor() const { return options_ex_ & aoEnterShowEditor; }
  virtual bool IsEnterThrough() const;
  virtual bool IsMouseScrollSelect() const;
  virtual bool IsBandHeaderWidth() const { return options_ex_ & aoBandHeaderWidth; }
  virtual bool IsBandWidthFree() const { return IsBandHeaderWidth() && !show_bands_; }
  bool IsTabs() const override;
  // The container's question is asked for the focused column.
  bool IsImmediateEditor() const override { return IsImmediateEditor(focused_column_); }
  virtual bool IsImmediateEditor(int column) const;
  bool IsReadOnly() const override { return !IsEditing(); }
  virtual bool IsRowAutoHeight() const;
  virtual bool IsPreview() const;
  virtual bool CanCacheRowHeight() const { return true; }
  virtual bool IsShowRowFooter() const { return show_row_footer_; }
  virtual bool HasHorzScrollBar() const;
  virtual bool HasVertScrollBar() const;
  virtual bool CanSizeColumn(int column) const;
  virtual bool IsColumnSizeable(int) const { return true; }
  // A handler that may change the immediate-editor answer for a column.
  framework::TEvent<framework::TComponent*, int, bool&> OnGetImmediateEditor;

  // Appearance.
  TdxLookAndFeel LookAndFeel() const noexcept { return look_; }
  void SetLookAndFeel(TdxLookAndFeel value);
  TdxTreeListPaintStyle PaintStyle() const noexcept { return paint_style_; }
  void SetPaintStyle(TdxTreeListPaintStyle value);
  TdxTreeLineStyle TreeLineStyle() const noexcept { return tree_line_style_; }
  void SetTreeLineStyle(TdxTreeLineStyle value);
  void SetShowBands(bool value) { SetRelayoutFlag(show_bands_, value); }
  void SetShowHeader(bool value) { SetRelayoutFlag(show_header_, value); }
  void SetShowIndicator(bool value) { SetRelayoutFlag(show_indicator_, value); }
  void SetShowGrid(bool value) { SetRelayoutFlag(show_grid_, value); }
  bool ShowGrid() const noexcept { return show_grid_; }
  bool ShowBands() const noexcept { return show_bands_; }
  bool ShowHeader() const noexcept { return show_header_; }
  bool ShowIndicator() const noexcept { return show_indicator_; }
  void SetShowPreviewGrid(bool value) { SetRelayoutFlag(show_preview_grid_, value); }
  bool ShowPreviewGrid() const noexcept { return show_preview_grid_; }
  void SetShowFooter(bool value) { SetRelayoutFlag(show_footer_, value); }
  void SetShowRoot(bool value) { SetRelayoutFlag(show_root_, value); }
  void SetShowRowFooter(bool value) { SetRelayoutFlag(show_row_footer_, value); }
  // A row above the nodes for entering a new one (with one line of headers and a band).
  bool ShowNewItemRow() const noexcept { return show_new_item_row_; }
  void SetShowNewItemRow(bool value) { SetRelayoutFlag(show_new_item_row_, value); }
  void SetShowLines(bool value);
  void SetShowButtons(bool value);
  bool ShowRoot() const noexcept;
  int Indent() const noexcept { return indent_; }
  void SetIndent(int value);
  void SetDefaultRowHeight(int value);
  int DefaultRowHeight() const noexcept { return metrics_.default_row_height; }
  void SetImages(framework::TImageList* images);
  void SetStateImages(framework::TImageList* images);
  framework::TFont& HeaderFont() noexcept { return header_font_; }
  framework::TFont& BandFont() noexcept { return band_font_; }
  framework::TFont& PreviewFont() noexcept { return preview_font_; }
  TScrollStyle ScrollBars() const noexcept { return scroll_bars_; }

  // Metrics and geometry.
  void LayoutChanged();
  const Metrics& GetMetrics() const noexcept { return metrics_; }
  Layout GetLayout();
  RECT GetCellRect(TdxTreeListNode* node, int column);
  RECT GetCellRect(TdxTreeListNode* node, int column, const Layout& layout);
  int GetRowHeight(TdxTreeListNode* node, int line_height, bool no_cache);
  // A row's height at the grid's own line height, from the cache when it holds one.
  int RowHeight(TdxTreeListNode* node) {
    return GetRowHeight(node, metrics_.default_row_height, false);
  }
  void GetNodeIndent(const TdxTreeListNode* node, int& left, int& right);
  int GetScrollExtent() { return GetLayout().scroll_extent; }
  // What the grid shows now: its layout, the rows in the window, settings and colours. Kept
  // until something it holds changes; a holder keeps its copy alive while the grid moves on.
  std::shared_ptr<const GridView> GetView();
  void Invalidate() override;
  // The views built so far: a paint or hit test of an unchanged grid builds none.
  int ViewBuilds() const noexcept { return view_builds_; }
  virtual THitInfo HitTest(POINT point);
  TdxTreeListNode* GetNodeAt(int x, int y);
  void ResetLayoutCache();
  void ClearCachedHeights();

  // Scrolling.
  int TopIndex();
  void SetTopIndex(int index);
  TdxTreeListNode* TopNode() const noexcept { return top_node_; }
  int LeftCoord() const noexcept { return left_coord_; }
  void SetLeftCoord(int value);
  // Moves the window's pixels; the caller has changed the coordinates.
  void ScrollColumns(int dx);
  void ScrollRows(int dy);
  int FullyVisibleRowCount();

  // Focus and selection.
  TdxTreeListNode* GetFocusedNode() const noexcept { return focused_node_; }
  int FocusedColumn() const noexcept { return focused_column_; }
  virtual void SetFocusedCell(TdxTreeListNode* node, int column, bool make_visible);
  void SetFocusedNode(TdxTreeListNode* node) { SetFocusedCell(node, focused_column_, true); }
  void SetFocusedAbsoluteIndex(int index);
  const std::vector<TdxTreeListNode*>& SelectedNodes() const noexcept { return selection_; }
  TdxTreeListNode* SelectionAnchor() const noexcept { return selection_anchor_; }
  virtual void ClearSelection();
  // Focuses `node` and selects the rows from the anchor to it (Shift with a click or a key);
  // `add` keeps what was selected (Ctrl+Shift).
  void SelectRangeTo(TdxTreeListNode* node, bool add = false);
  // With aoMultiSelect (Ctrl+A): the focused node and its siblings, or every top-level node;
  // with aoExtMultiSelect every node, the tree expanded.
  void SelectAll();
  // The nodes other interactions point at; a deleted node must leave each of them.
  TdxTreeListNode* HotNode() const noexcept { return hot_node_; }
  TdxTreeListNode* DropTarget() const noexcept { return drop_target_; }
  TdxTreeListNode* DragNode() const noexcept { return drag_node_; }
  TdxTreeListNode* PressedNode() const noexcept { return pressed_node_; }
  TdxTreeListNode* DragOverNode() const noexcept { return drag_over_node_; }
  void SetHotNode(TdxTreeListNode* n) { hot_node_ = n; }
  void SetDropTarget(TdxTreeListNode* n) { drop_target_ = n; }
  void SetDragNode(TdxTreeListNode* n) { drag_node_ = n; }
  void SetPressedNode(TdxTreeListNode* n) { pressed_node_ = n; }
  void SetDragOverNode(TdxTreeListNode* n) { drag_over_node_ = n; }

  TdxTreeListState State() const noexcept;
  // What the mouse is doing with the grid: asked, never compared by state.
  const Interaction& GetInteraction() const noexcept { return *interaction_; }
  const THitInfo& LastHit() const noexcept { return hit_; }
  InputSeams& Seams() noexcept { return seams_; }

  // The text lines the clipboard copy assembles.
  std::wstring GetHeaderLineText();
  std::wstring GetNodeLineText(TdxTreeListNode* node);
  // Header button part (1 caption, 2 button) of a point in a column's header.
  int GetHeaderHitPart(POINT point, int column);

  // Paints the whole client area onto `dc` (a memory DC for the benchmark and pictures).
  void PaintGridTo(HDC dc);

  // Band and column model: none in this class.
  virtual const HeaderModel& GetHeaderModel() const;
  virtual std::wstring GetCellText(TdxTreeListNode* node, int column);
  // Drawn as one cell across the row (group rows); no node is in this class.
  virtual bool IsWholeRow(TdxTreeListNode*) const { return false; }
  // Whether the group of nodes at `level` closes with a row footer: OnIsLevelFooter says, none
  // without it.
  virtual bool IsLevelFooter(int level);
  // Rows size themselves to their cells: aoRowAutoHeight with MaxRowLineCount, no preview and
  // one line of cells.
  bool AutoRowHeightApplies();
  // A row's lines of cells: the grid's line height, or the one its cells asked for.
  int RowLineHeight(TdxTreeListNode* node, int row_height);
  // The lines a cell's text needs in `width` and the height of its line (in: the grid's), by
  // OnCalcRowLineHeight or else by measuring; at most MaxRowLineCount lines.
  virtual int CalcRowLineHeight(TdxTreeListNode* node, int column, int width, int& line_height);
  // (Sender, node, column, text, width, text height, MaxRowLineCount, lines, line height, Done).
  framework::TEvent<framework::TComponent*, TdxTreeListNode*, int, const std::wstring&, int, int,
                    int, int&, int&, bool&>
      OnCalcRowLineHeight;
  // Footer cells: which columns have one in the footer panel (OnIsExistFooterCell) and in a
  // row's footers (OnIsExistRowFooterCell; `index` counts the row's footers from the innermost),
  // none without a handler; their texts (OnGetFooterCellText, node null and index -1 in the
  // panel); a level's footer colour (OnGetLevelColor, RowFooterColor without).
  bool IsExistFooterCell(int column);
  bool IsExistRowFooterCell(TdxTreeListNode* node, int column, int index);
  std::wstring GetFooterCellText(TdxTreeListNode* node, int column, int index);
  framework::TColor GetLevelColor(int level);
  framework::TEvent<framework::TComponent*, int, bool&> OnIsExistFooterCell;
  framework::TEvent<framework::TComponent*, TdxTreeListNode*, int, int, bool&>
      OnIsExistRowFooterCell;
  framework::TEvent<framework::TComponent*, TdxTreeListNode*, int, int, std::wstring&>
      OnGetFooterCellText;
  framework::TEvent<framework::TComponent*, int, framework::TColor&> OnGetLevelColor;
  // Custom drawing of a band, a footer-panel cell and a row footer's cell: (Sender, DC,
  // rectangle, band or column [, node, footer index], text, colour, Done).
  framework::TEvent<framework::TComponent*, HDC, const RECT&, int, std::wstring&,
                    framework::TColor&, bool&>
      OnCustomDrawBand, OnCustomDrawFooter;
  framework::TEvent<framework::TComponent*, HDC, const RECT&, TdxTreeListNode*, int, int,
                    std::wstring&, framework::TColor&, bool&>
      OnCustomDrawFooterNode;
  // The levels of the groups whose footers close under `node`'s row, innermost first.
  std::vector<int> RowFooterLevels(TdxTreeListNode* node);
  framework::TEvent<framework::TComponent*, int, bool&> OnIsLevelFooter;

  // In-cell editing of the focused cell: nothing unless aoEditing is set, aoRowSelect is not
  // and a node is focused; OnEditing may refuse. Closing validates (a refusal raises and the
  // editor stays) and writes a modified value back to the node.
  void ShowEditor();
  void CloseEditor();
  void CloseEditorKeepFocus();
  // Hides the editor without writing it back.
  void CancelEditor();
  // Loads the focused cell into the editor again, even when it is the cell being edited.
  void RestartEditor();
  editors::TdxInplaceEdit* InplaceEditor() const noexcept { return editor_; }
  // Scrolls horizontally so that the column's cell is whole in the scroll area.
  void MakeColumnVisible(int column);

  // Incremental search: focuses the first row whose text of `column` starts with `text`.
  void StartSearch(int column, const std::wstring& text);
  void EndSearch();
  bool Searching() const noexcept { return searching_; }
  // The first visible row whose text of `column` starts with `text`, regardless of case.
  TdxTreeListNode* FindSearchMatch(int column, const std::wstring& text);
  const std::wstring& SearchText() const noexcept { return search_text_; }

  // One tick of the horizontal scroll while something is dragged near an edge (timer 1):
  // 32 pixels in `direction` (-1 left, 1 right); stops itself once nothing is dragged.
  void DragScrollTick(int direction);
  static constexpr UINT_PTR kDragScrollTimer = 1;

  // 0 without header buttons; else 1, plus 2 when the column is hot on its button part,
  // plus 4 when it is also the pressed one shown pressed.
  int GetHeaderButtonState(int column) const;
  void SetHotButtonColumn(int column) noexcept { hot_button_column_ = column; }
  void SetPressedButtonColumn(int column, bool shown) noexcept {
    pressed_button_column_ = column;
    pressed_button_shown_ = shown;
  }
  void SetShowHeaderButtons(bool value) noexcept { show_header_buttons_ = value; }

  int MaxRowLineCount() const noexcept { return max_row_line_count_; }
  void SetMaxRowLineCount(int value);
  int PreviewLines() const noexcept { return preview_lines_; }
  void SetPreviewLines(int value);

  TNodeAllowEvent OnExpanding, OnCollapsing, OnEditing;
  TNodeEvent OnExpanded, OnCollapsed, OnDeletion, OnEdited;
  framework::TNotifyEvent OnEditChange;
  framework::TEvent<framework::TComponent*, std::string&, bool&> OnEditValidate;
  TChangeNodeEvent OnChangeNode;
  TChangeColumnEvent OnChangeColumn;
  framework::TNotifyEvent OnChangeLeftCoord;
  TNodeEvent OnChangeTopVisibleNode;

  // ---- In-cell editing (editing.cpp), focus, selection and scroll position (focus.cpp),
  // ---- published settings (properties.cpp).
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The cell being edited: column -1 and no node when none.
  int EditingColumn() const noexcept { return edited_column_; }
  TdxTreeListNode* EditingNode() const noexcept { return edited_node_; }
  bool NewItemRowFocused() const noexcept { return new_item_row_focused_; }
  void SetNewItemRowFocused(bool value);
  // The editor's text while a cell is edited, else empty.
  std::wstring GetEditorText() const;
  void SetEditorText(const std::wstring& text);
  // Closes the editor, keeping the focus in the grid, and moves the focused column one visible
  // place left (`back`) or right; nothing beyond the ends.
  void MoveFocusedColumn(bool back);
  framework::TEvent<framework::TComponent*, framework::TColor&> OnGetEditColor;

  // Focus: the focused column, 0 with aoRowSelect or when it is out of range.
  int GetFocusedColumn() const;
  void SetFocusedColumn(int column);
  // Rows fully and partly in the data area (each at least 1), as the last count found them.
  int VisibleRowCount() const noexcept { return visible_row_count_; }
  int PartialRowCount() const noexcept { return partial_row_count_; }
  void UpdateScrollBars();
  void ClampScrollPositions();

  // Selection; the storage is this class's own list unless a control class keeps its own.
  virtual int SelectedCount() const { return static_cast<int>(selection_.size()); }
  virtual TdxTreeListNode* SelectedNode(int index) const;
  // Selecting needs aoMultiSelect and CanSelectNode; either way the row is repainted.
  virtual void SetNodeSelected(TdxTreeListNode* node, bool selected);
  virtual bool CanSelectNode(TdxTreeListNode* node);
  // Selects the rows from `a` to `b` (either order), at most their row distance + 1 nodes.
  virtual void SelectRange(TdxTreeListNode* a, TdxTreeListNode* b);
  virtual void SetSelectionAnchor(TdxTreeListNode* node) { selection_anchor_ = node; }
  // -1, 0 or 1 as `node`'s row lies above, on or below the anchor's.
  virtual int CompareWithAnchor(TdxTreeListNode* node);
  // Repaints the focused row and the selected rows (the whole grid from 11 selected rows).
  virtual void InvalidateSelection();
  // Count changes are told once, when the outermost bracket ends with another count.
  void BeginSelection();
  void EndSelection();
  TNodeAllowEvent OnCanNodeSelected;
  framework::TNotifyEvent OnSelectedCountChange;
  TNodeEvent OnSelectionChanged;

  // Settings (see properties.cpp for their defaults and what each setter redoes).
  bool ShowFooter() const noexcept { return show_footer_; }
  bool ShowRowFooter() const noexcept { return show_row_footer_; }
  bool StoredShowRoot() const noexcept { return show_root_; }
  bool ShowLines() const noexcept { return show_lines_; }
  bool ShowButtons() const noexcept { return show_buttons_; }
  bool HideFocusRect() const noexcept { return hide_focus_rect_; }
  void SetHideFocusRect(bool value) { SetInvalidateFlag(hide_focus_rect_, value); }
  bool HideSelection() const noexcept { return hide_selection_; }
  void SetHideSelection(bool value) { SetInvalidateFlag(hide_selection_, value); }
  TBorderStyle BorderStyle() const noexcept { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  void SetScrollBars(TScrollStyle value);
  void SetBandFont(const framework::TFont& font);
  void SetHeaderFont(const framework::TFont& font);
  void SetPreviewFont(const framework::TFont& font);
  int FixedBandLineWidth() const noexcept { return fixed_band_line_width_; }
  void SetFixedBandLineWidth(int value);
  int RowSeparatorLineWidth() const noexcept { return row_separator_line_width_; }
  void SetRowSeparatorLineWidth(int value);
  int IndentDesc() const noexcept { return indent_desc_; }
  void SetIndentDesc(int value);
  int CustomizingRowCount() const noexcept { return customizing_row_count_; }
  void SetCustomizingRowCount(int value) { customizing_row_count_ = std::max(value, 2); }
  framework::TImageList* Images() const noexcept { return images_; }
  framework::TImageList* StateImages() const noexcept { return state_images_; }
  // The colours, by what they paint; each setter repaints the grid unless only stored.
  enum class TreeListColor {
    Band,
    GroupNode,
    Header,
    HideSelection,
    GroupNodeText,
    GridLine,
    RowFooter,
    RowFooterText,
    PlusMinus,
    FixedBandLine,
    Highlight,
    HighlightText,
    TreeLine,
    HideSelectionText,
    Arrows,
    AutoSearch,
    AutoSearchText,
    Count
  };
  framework::TColor GetColor(TreeListColor which) const noexcept {
    return colors_[static_cast<int>(which)];
  }
  void SetColor(TreeListColor which, framework::TColor value);
  template <TreeListColor which>
  framework::TColor ColorOf() const noexcept {
    return GetColor(which);
  }
  template <TreeListColor which>
  void SetColorOf(framework::TColor value) {
    SetColor(which, value);
  }
  using TControl::SetColor;
  // Stored only: read by the search, the drag-over expand and the customizing box.
  bool AutoExpandOnSearch = true, DblClkExpanding = true;
  bool SimpleCustomizeBox = false, ShowHiddenInCustomizeBox = false;
  uint32_t WaitForExpandNodeTime = 500;

 protected:
  // The editing road's questions (the control with columns answers them through its columns).
  // True while a cell is being edited in a shown, unlocked grid.
  virtual bool CanShowEditor();
  virtual framework::TColor GetEditColor();
  // The focused column's own font, else the grid's.
  virtual framework::TFont& GetEditFont();
  virtual bool IsEditReadOnly() { return false; }
  virtual void DoNewItemRowEditing(bool& allow) { (void)allow; }
  // The row for entering a new node is switched on and has room.
  virtual bool IsNewItemRowShown() const {
    return show_new_item_row_ && metrics_.new_item_row_height > 0;
  }
  // Whether the focused column moved away from the one last filled into the editor.
  bool FocusedColumnLeftEdit() const { return focused_column_ != saved_editing_column_; }
  // The notifications of the selection.
  virtual void DoSelectedCountChange();
  virtual void NodeSelectionChanged(TdxTreeListNode* node, bool selected);
  // Hooks of the settings: re-sort by the sort columns, band widths taken from the column
  // widths, the header panel fitted to its captions. None of them has work without columns.
  virtual void SortNodes() {}
  // The outermost update ended: what waited for it may run (a pending re-sort).
  virtual void UpdateEnded() {}
  virtual void KeepBandWidthsFromColumns() {}
  virtual void FitHeaderPanelHeight() {}
  void KeyPress(wchar_t& key) override;
  void Notification(framework::TComponent* component, framework::TOperation operation) override;
  // Set while the grid's fonts follow its parent's: their changes keep ParentFont then.
  bool parent_font_propagating_ = false;

 private:
  // Any left press ends a pending delayed open; timer 2 opens the editor when none came.
  void LeftButtonPressed();
  void DelayedEditElapsed();
  void InitEditor();
  void PostEditor();
  void CloseEditorFocusing(bool focus_grid);
  // A click on the focused cell opens its editor after the double-click time (timer 2).
  void StartDelayedEdit();
  // Typing while no editor can open: a letter extends the search, Backspace shortens it,
  // Escape ends it.
  void TypeIntoSearch(wchar_t& key);
  void FocusGained(HWND from);
  void FocusLost(HWND to);
  void EditorFocusLost();
  void RepaintCell(TdxTreeListNode* node, int column);
  void CountVisibleRows();
  void TabToCell(bool back);
  void ArrowAcross(bool left);
  int LastTopIndex();
  void WriteScrollBar(int bar, int max, int page, int pos);
  void SetInvalidateFlag(bool& flag, bool value);
  void SetRelayoutSize(int& field, int value, int least);
  void WatchFontChanges();
  bool OwnFontsStored() const;
  bool DefaultRowHeightStored() const;
  template <class V, V TCustomdxTreeList::*field>
  void StoreValue(V value) {
    this->*field = value;
  }

  int saved_editing_column_ = -1;
  bool new_item_row_focused_ = false;
  bool search_moving_focus_ = false;  // the search itself moves the focus
  int visible_row_count_ = 1, partial_row_count_ = 1;
  int selection_lock_ = 0;
  int selection_count_before_ = 0;
  bool hide_focus_rect_ = true, hide_selection_ = true;
  TBorderStyle border_style_ = TBorderStyle::bsSingle;
  int fixed_band_line_width_ = 2, row_separator_line_width_ = 1, indent_desc_ = 20;
  int customizing_row_count_ = 11;
  using ColorTable = std::array<framework::TColor, static_cast<int>(TreeListColor::Count)>;
  static ColorTable DefaultColors();
  ColorTable colors_ = DefaultColors();

 public:
  void WndProc(framework::TMessage& message) override;

  // ---- Mouse interaction: sizing, band and header drags, node drags and panning
  // (treelist/input/interaction.cpp, drag.cpp, panning.cpp).
  // Ends whatever the state says without applying it; every road ends the header hints.
  virtual void EndInteraction();
  // Nestable: the XOR overlays (sizing line, drop arrows, drag pictures) are hidden while the
  // window scrolls or paints under them.
  void BeginOverlayLock();
  void EndOverlayLock();
  bool SizingLineShown() const noexcept;
  int SizingPos() const noexcept;
  SizingRange GetBandSizingRange(int band, int x);
  SizingRange GetColumnSizingRange(int column, int x);
  SizingRange GetRowSizingRange(TdxTreeListNode* node, int y);
  // Where the band- and header-panel sizing lines snap to for a mouse at `y`.
  int GetBandPanelSizingPos(int y);
  int GetHeaderPanelSizingPos(int y);
  int CalcBandPanelRowCount(int y);
  int CalcHeaderPanelRowCount(int y);
  int CalcRowSizingHeight(TdxTreeListNode* node, int y);
  // Width changes of one band or column; with aoAutoWidth the neighbours give or take.
  void ResizeBandAutoWidth(int band, int width);
  // The header's column, in its row of its band, as the layout placed it.
  void ResizeColumnInRow(const LayoutHeaderCell& header, int width);
  void ResizeBandColumns(int band, int width);
  void ResizeColumnSingleRow(const LayoutHeaderCell& header, int width);

  int PressedBand() const noexcept;
  int PressedColumn() const noexcept;
  int DraggedBand() const noexcept;
  // The dragged band's visible position; -1 for one from the customizing form.
  int DraggedBandPos() const noexcept;
  int DraggedColumn() const noexcept;
  void EndBandDrag(bool accept);
  void EndHeaderDrag(bool accept);
  void StartBandDragFromCustomizing(int band);
  void StartHeaderDragFromCustomizing(int column);
  // The drop place for a screen point, which also places the arrows: in band mode only `band`
  // is set (the band's new index, -1 hide, -2 no change).
  HeaderDropPosition GetDropPosition(POINT screen, TDropMode mode);
  bool ArrowsShown() const noexcept;
  const RECT& ArrowsRect() const noexcept;
  const DragPicture& DragImage() const noexcept;
  // The horizontal scroll of a drag near an edge: -1 left, 1 right, 0 none.
  int DragScrollDirection() const noexcept { return drag_scroll_direction_; }

  TDragMode DragMode() const noexcept { return drag_mode_; }
  void SetDragMode(TDragMode mode) noexcept { drag_mode_ = mode; }
  // A node drag over this grid at a client point: focus, scrolling and expanding follow it.
  void DragOverNodeAt(POINT client);
  void BeginNodeDrag();
  // Ends a node drag; with `drop` (the button released) an accepted place gets the drop.
  void EndNodeDrag(bool drop = false);
  virtual void MakeNodeDragImage(TdxTreeListNode* node, int column);
  static constexpr UINT_PTR kDragRowScrollTimer = 3;

  // Middle-button panning: runs its own message loop until a key, a button or Escape ends it.
  // It scrolls on the ticks of a timer of the grid's window.
  void MousePan();
  static constexpr UINT_PTR kPanTimer = 4;

  TNodeEvent OnBeginDragNode;
  // The node drag as drag and drop: its start; at each place (grid, source, x, y, accept: true
  // when a handler is assigned), whether a drop is taken there; the drop; its end (grid,
  // target or null when nothing took it, x, y). Points are client coordinates.
  framework::TNotifyEvent OnStartDrag;
  framework::TEvent<framework::TComponent*, framework::TComponent*, int, int, bool&> OnDragOver;
  framework::TEvent<framework::TComponent*, framework::TComponent*, int, int> OnDragDrop, OnEndDrag;
  // (grid, client point; -1, -1 from the keyboard, handled): a handler that shows a menu says
  // it handled the request.
  framework::TEvent<framework::TComponent*, POINT, bool&> OnContextPopup;
  // The corner buttons beside the header and band panels (aoHeaderButtonClicking,
  // aoBandButtonClicking).
  framework::TNotifyEvent OnHeaderButtonClick, OnBandButtonClick;
  framework::TEvent<framework::TComponent*, int, POINT, bool&> OnDragOverBand, OnDragOverHeader;

 protected:
  // Something the kept view holds changed: the next paint or hit test builds it again.
  void ViewChanged() noexcept { ++view_changes_; }
  // The band and column model's setters and the drag's questions: the control with columns
  // answers them; a grid without columns has nothing to change.
  virtual void SetBandWidth(int, int) {}
  virtual void SetColumnWidth(int, int) {}
  virtual void SetBandRowCount(int) {}
  virtual void SetHeaderPanelRowCount(int) {}
  virtual void ScaleHiddenBands(int, int) {}
  virtual void ScaleHiddenColumns(int, int, int) {}
  virtual void DoColumnsWidthChanged() {}
  virtual void DoBestFitBand(int) {}
  virtual void DoBestFitColumn(int) {}
  virtual bool IsBandMovingAllowed() const { return options_ex_ & aoBandMoving; }
  virtual bool IsColumnMovingAllowed() const { return options_ & aoColumnMoving; }
  // Whether this band or column may leave its place (the options allow moving at all).
  virtual bool CanBandDragging(int) { return true; }
  virtual bool CanHeaderDragging(int) { return true; }
  // The click hooks of the mouse-up, each for a press released on what it went down on.
  virtual void DoColumnClick(int) {}
  virtual void DoColumnButtonClick(int) {}
  virtual void DoBandClick(int) {}
  virtual void DoHeaderButtonClick() { OnHeaderButtonClick(this); }
  virtual void DoBandButtonClick() { OnBandButtonClick(this); }
  // Only while DoColumnClick runs: Shift with aoMultiSort adds the column to the sort, Ctrl
  // clears the sort.
  bool ClickAddsToSort() const noexcept { return click_adds_to_sort_; }
  bool ClickClearsSort() const noexcept { return click_clears_sort_; }
  virtual bool IsBandFullSizing(int) const { return options_ex_ & aoFullSizing; }
  virtual bool IsColumnFullSizing(int) const { return options_ex_ & aoFullSizing; }
  virtual bool IsBandSizeable(int) const { return true; }
  // The customizing form: open with a page of bands, open with its headers, whether a screen
  // point lies on it, and bringing the page of bands or headers to the front.
  virtual bool IsCustomizingBands() const { return false; }
  virtual bool IsCustomizingHeaders() const { return false; }
  virtual bool IsOverCustomizing(POINT) const { return false; }
  virtual void ActivateCustomizingPage(bool /*headers*/) {}
  // The drag picture may have passed over the open form: it is painted again, frame included,
  // as the grid's own panels are at a drag's end (restoring under the picture can leave traces).
  virtual void RepaintCustomizing() {}
  // A band as its drag picture shows it; the control also knows the hidden ones its customizing
  // form holds (absolute indexes), a grid without bands only the shown ones.
  virtual BandSpec CustomizingBandSpec(int band) const;
  // A band or header drag began (the item as the drag names it: a visible band, or an absolute
  // one from the customizing form; an absolute column).
  virtual void DoStartBandDragging(int) {}
  virtual void DoStartHeaderDragging(int) {}
  virtual void DoDragEndBand(int, POINT, int, int&, bool&) {}
  virtual void DoDragEndHeader(int, POINT, int, HeaderDropPosition&, bool&) {}
  virtual void MoveBand(int, int) {}
  virtual void ShowBand(int, int) {}
  virtual void HideBand(int) {}
  virtual void MoveHeader(int, const HeaderDropPosition&) {}
  // (ShowHeader is the header panel's switch.)
  virtual void ShowHeaderColumn(int, const HeaderDropPosition&) {}
  virtual void HideHeader(int) {}
  virtual bool IsBandHideForbidden(int) const { return false; }
  virtual bool IsHeaderHideForbidden(int) const { return false; }
  virtual void DoBeginDragNode(TdxTreeListNode* node) { OnBeginDragNode(this, node); }
  virtual std::wstring GetNodeDragText(TdxTreeListNode* node, int column) {
    return GetCellText(node, column);
  }
  // Lets the cursor of a band or header drag change (the customizing form, forbidden hides).
  virtual void GetDragCursor(POINT screen, framework::TCursor& cursor);
  // Ends the header hint and the cell tooltip: timers 110 and 111 and both windows.
  void CancelHints();

  void CreateParams(framework::TCreateParams& params) override;
  void AfterCreateWnd() override;
  void Paint() override;
  void MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  void MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void KeyDown(WORD& key, unsigned shift) override;
  void SetState(TdxTreeListState value);

  // The node factory.
  TdxTreeListNode* CreateNode() override;
  // Event hooks: each raises its event when a handler is set.
  bool DoExpanding(TdxTreeListNode* node) override;
  void DoExpanded(TdxTreeListNode* node) override { OnExpanded(this, node); }
  bool DoCollapsing(TdxTreeListNode* node) override;
  void DoCollapsed(TdxTreeListNode* node) override;
  virtual void DoDeletion(TdxTreeListNode* node);
  virtual void DoChangeNode(TdxTreeListNode* old_node, TdxTreeListNode* new_node) {
    OnChangeNode(this, old_node, new_node);
  }
  virtual void SetTopVisibleNode(TdxTreeListNode* node);
  virtual void DoChangeColumn(TdxTreeListNode* node, int column) {
    OnChangeColumn(this, node, column);
  }
  virtual void DoChangeLeftCoord() { OnChangeLeftCoord(this); }
  virtual bool DoEditing(TdxTreeListNode* node);
  virtual void DoEdited(TdxTreeListNode* node) { OnEdited(this, node); }
  virtual void DoEditChange(framework::TComponent* sender) { OnEditChange(sender); }
  virtual void DoEditValidate(framework::TComponent* sender, std::string& error, bool& accept) {
    OnEditValidate(sender, error, accept);
  }
  void Loaded() override;
  // The editor of a column; the grid owns it (a child component) and keeps it for later cells.
  virtual editors::TdxInplaceEdit* CreateEditor(int column);
  // The editor made before for the column's cells, or null to make one.
  virtual editors::TdxInplaceEdit* GetColumnEditor(int) { return editor_; }
  // Before each edit: the editor's set-up (colour, font, text offsets; a column adds its own),
  // then the cell's value into it; on accepting, the value back into the node.
  virtual void PrepareEditor(editors::TdxInplaceEdit& editor);
  virtual void LoadEditValue(TdxTreeListNode* node, int column, editors::TdxInplaceEdit& editor);
  virtual void SaveEditValue(TdxTreeListNode* node, int column, editors::TdxInplaceEdit& editor);
  // The largest row height the columns' cells ask for (0: none).
  virtual int GetColumnsMinCellHeight() { return 0; }
  // The lines a cell's text wraps into within `width` (1: it does not wrap).
  virtual int MeasureCellLines(TdxTreeListNode*, int, int) { return 1; }
  // Whether a click at `point` acts on the cell's value at once (a check box): the grid then
  // opens the editor and hands it the click.
  virtual bool EditorHitInCell(TdxTreeListNode*, int, POINT) { return false; }
  // Whether `point` lies on an edit button the cell shows (a drop-down's): a click there opens
  // the editor and presses its button.
  virtual bool HasEditButtonAt(TdxTreeListNode*, int, POINT) { return false; }
  // Shows the editor over the focused cell: reused as it is on the cell it edits, else written
  // back, hidden and filled from the focused cell. `keep_notify` false: no after-show hook.
  void PlaceEditor(bool keep_notify);
  // Writes the edited cell back (when modified) and hides the editor; the focus goes back to
  // the grid when asked or when the editor had it.
  void HideEditor(bool focus_grid);
  // Hides an open editor without writing it back: the nodes are about to change under it.
  void DiscardEditor();

  // The node store's questions.
  std::vector<TdxTreeListNode*>& TopLevelNodes() override { return top_nodes_; }
  NodeBlockPool& NodeBlocks() noexcept override { return node_blocks_; }
  NodeBlockPool node_blocks_;  // the nodes go in the destructor, before the pool
  void NodeAdded(TdxTreeListNode* node) override;
  void NodeDeleting(TdxTreeListNode* node) override;
  void NodeDeleted() override;
  // ClearNodes is freeing every node.
  bool ClearingNodes() const noexcept { return clearing_; }
  void NodeExpandChanged(TdxTreeListNode* node) override;
  std::wstring GetNodeString(const TdxTreeListNode*, int) override { return {}; }
  void SetNodeString(TdxTreeListNode* node, int, const std::wstring&) override {
    RepaintNode(node, false);
  }
  framework::Variant GetNodeValue(const TdxTreeListNode*, int) override {
    return framework::Variant(std::wstring());
  }
  void SetNodeValue(TdxTreeListNode*, int, const framework::Variant&) override {}
  int GetNodeImageIndex(const TdxTreeListNode*, ImageKind) override { return -1; }
  void SetNodeImageIndex(TdxTreeListNode*, ImageKind, int) override {}
  bool IsFocusedNode(const TdxTreeListNode* node) const override { return node == focused_node_; }
  void RepaintNode(TdxTreeListNode* node, bool below) override;
  void MakeNodeVisible(TdxTreeListNode* node) override;

  // The sort's questions: the node's own texts are its values.
  bool IsMultiSort() const override { return options_ex_ & aoMultiSort; }
  framework::Variant GetNodeSortValue(const TdxTreeListNode* node, int column) override {
    return framework::Variant(GetNodeString(node, column));
  }
  bool HasCompareEvent() const override { return static_cast<bool>(OnCompare); }
  int DoCompare(TdxTreeListNode* a, TdxTreeListNode* b) override;
  bool IsLocaleSort() const override { return options_ex_ & aoAnsiSort; }
  int GetNodeTextCount(const TdxTreeListNode*) override {
    return static_cast<int>(GetHeaderModel().columns.size());
  }

 private:
  // Runs `body` between BeginUpdate and EndUpdate, ending the update on every exit.
  template <class Body>
  void Locked(Body&& body) {
    BeginUpdate();
    try {
      body();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  void SetRelayoutFlag(bool& flag, bool value);
  // Stores `list` in `field` with its change link; `old_alive` false: the old list is being
  // destroyed and is only forgotten.
  void ReplaceImageList(framework::TImageList*& field, framework::TImageList* list, bool old_alive);
  // A row's pixels besides its cells and preview: grid line, outlook pixel, row footers.
  int RowFrameHeight(TdxTreeListNode* node);
  int AutoLineHeight(TdxTreeListNode* node, int line_height, int& lines);
  // The view of `layout` without rows, and a node's row at `top` in it.
  GridView ViewOf(Layout layout);
  ViewRow MakeViewRow(TdxTreeListNode* node, int top);
  void PaintView(const GridView& view, HDC dc);
  void EnsureRowIndex();
  // A row came, or is about to go: the flat index is patched (inside an update it is made again
  // when next asked), and the rows whose footers or tree lines change forget their heights.
  void NotifyTreeChange(TdxTreeListNode* node, bool deleted);
  int BandDropPlace(POINT screen);
  HeaderDropPosition HeaderDropPlace(POINT screen);
  int MeasureTextHeight(HDC dc, framework::TFont& font);
  void InvalidateRows(int first_row);
  RECT NodeRowRect(TdxTreeListNode* node);
  RECT NodeRowRect(TdxTreeListNode* node, const Layout& layout);
  void MoveFocusBy(int rows, unsigned shift);
  // Up and Down across the new-item row's border; false when the key is the rows' own.
  bool StepIntoNewItemRow(bool up);

  std::vector<TdxTreeListNode*> top_nodes_;
  RowIndex row_index_;
  bool row_index_enabled_ = true;
  int update_lock_ = 0;
  bool destroying_ = false;
  bool clearing_ = false;

  uint32_t options_ = kDefaultOptions;
  uint32_t options_ex_ = kDefaultOptionsEx;
  TdxLookAndFeel look_ = TdxLookAndFeel::lfStandard;
  TdxTreeListPaintStyle paint_style_ = TdxTreeListPaintStyle::psStandard;
  TdxTreeLineStyle tree_line_style_ = TdxTreeLineStyle::tlDot;
  TScrollStyle scroll_bars_ = TScrollStyle::ssBoth;
  bool show_bands_ = false, show_header_ = true, show_indicator_ = false, show_grid_ = false;
  bool show_footer_ = false, show_root_ = true, show_row_footer_ = false;
  bool show_new_item_row_ = false;
  bool show_preview_grid_ = true, show_lines_ = true, show_buttons_ = true;
  int indent_ = 16;
  int assigned_default_row_height_ = 0;
  framework::TImageList* images_ = nullptr;
  framework::TImageList* state_images_ = nullptr;
  framework::TFont header_font_, band_font_, preview_font_;
  Metrics metrics_;

  TdxTreeListNode* top_node_ = nullptr;
  int left_coord_ = 0;
  TdxTreeListNode* focused_node_ = nullptr;
  int focused_column_ = 0;
  std::vector<TdxTreeListNode*> selection_;
  TdxTreeListNode* selection_anchor_ = nullptr;
  TdxTreeListNode* hot_node_ = nullptr;
  TdxTreeListNode* drop_target_ = nullptr;
  TdxTreeListNode* drag_node_ = nullptr;
  bool node_drop_accepted_ = false;  // where the node drag last was
  TdxTreeListNode* pressed_node_ = nullptr;
  TdxTreeListNode* drag_over_node_ = nullptr;

  InteractionPtr interaction_ = MakeInteraction();
  THitInfo hit_;
  POINT down_point_{};
  InputSeams seams_;
  // Interaction (treelist/input/interaction.cpp, drag.cpp). The message handlers answer whether they
  // consumed the message.
  bool DragOwnsMouseMove();
  bool InteractionKeyDown(WORD key);
  void CaptureChanged(HWND to);
  void DragScrollTimerElapsed();
  // The window's own conversions (frames and borders included).
  POINT ScreenToGrid(POINT screen) const;
  POINT GridToScreen(POINT client) const;
  // Presses on headers, bands, corner buttons and edges; rows are the mouse-down's own.
  void StartInteractionAt(int x, int y, bool double_click);
  // A click on the new-item row focuses it, in the column under the point.
  void ClickNewItemRow(POINT point);
  // Opens the editor of the clicked cell and hands it the click when the click acts on the
  // value at once; the grid keeps the mouse until the button goes up.
  bool ClickActsOnValue(TdxTreeListNode* node, int column, POINT point);
  void InteractionMouseMove(int x, int y);
  // Runs the interaction's transition of `event` from the state now; false when there is none.
  bool Fire(InteractionEvent event, POINT point, unsigned shift = 0);
  void RunTransition(const InteractionTransition& transition, POINT point, unsigned shift = 0);
  void ReleaseHeaderClick(TdxTreeListState pressed, POINT point, unsigned shift);
  void RaiseColumnClick(int column, unsigned shift);
  // The corner's parts: the glyph button, the band panel's and the header panel's buttons.
  std::optional<InteractionEvent> CornerPressAt(POINT point);
  // Whether `point` is still on the part of the corner `state` pressed.
  bool OnCornerPart(TdxTreeListState state, POINT point);
  void StartSizing(TdxTreeListState state, int pos);
  void MoveSizingLine(int x, int y);
  void PlaceSizingLine(int pos);
  void ApplySizing();
  void DrawSizingLine();
  void RepaintAtOnce(const RECT& rect);
  void ResizeBandColumnsFrom(const HeaderModel& model, const Layout& layout, int band, int width);
  void ShowOverlays(bool show);
  void StartHeaderOrBandDrag();
  // A drag of a band or column the customizing form holds.
  void StartDragFromOutside(bool band, int item);
  // The start hook of the band or header drag just begun.
  void RaiseDragStart(bool band);
  void DragItemMove(bool band);
  void DrawArrows();
  void PrepareDropArrows(bool band);
  void MakeBandDragImage(int band);
  void MakeHeaderDragImage(int column);
  void KillDragScroll();
  void StartDragScroll(int direction);
  void DragRowScrollTick();
  void MakeBandVisible(int band);
  // Scrolls horizontally so that client columns left..right are in the scroll area.
  void ScrollIntoView(int left, int right);
  bool click_adds_to_sort_ = false, click_clears_sort_ = false;
  int drag_scroll_direction_ = 0;
  int drag_row_scroll_direction_ = 0;
  TDragMode drag_mode_ = TDragMode::dmManual;
  editors::TdxInplaceEdit* editor_ = nullptr;  // owned as a component
  TdxTreeListNode* edited_node_ = nullptr;
  int edited_column_ = -1;
  bool searching_ = false;
  std::wstring search_text_;
  int search_column_ = -1;
  bool show_header_buttons_ = false;
  int hot_button_column_ = -1;
  int pressed_button_column_ = -1;
  bool pressed_button_shown_ = false;
  int max_row_line_count_ = -1;
  int preview_lines_ = 2;

  // ---- window and control messages, cell painting, hot tracking and tooltips, clipboard ----
  // (messages.cpp, scrolling.cpp, cell_painting.cpp, hot_track.cpp, clipboard.cpp)
 public:
  static constexpr UINT_PTR kDelayedEditTimer = 2, kExpandTimer = 101, kHintShowTimer = 110,
                            kHintHideTimer = 111;
  // The window's frame outside the client area for the flat looks, drawn into `dc` at `rect`.
  virtual void DrawBorder(HDC dc, const RECT& rect);
  // Starts the expand-while-dragging timer for `node` (the node drag-over calls it).
  void StartExpandTimer(TdxTreeListNode* node, int milliseconds);
  // The screen point the last non-client hit test saw.
  POINT LastHitPoint() const noexcept { return last_hit_point_; }

  // Cell painting: the paint loop hands each cell over here.
  void DrawCell(const TdxCellPaintInfo& cell);
  void DrawCellText(const TdxCellPaintInfo& cell);
  void DrawPreview(HDC dc, const RECT& rect, TdxTreeListNode* node, COLORREF background,
                   COLORREF text_color);
  // OnCustomDrawPreview is asked first; when it is not done, OnCustomDrawPreviewCell.
  TdxCustomDrawPreviewEvent OnCustomDrawPreview, OnCustomDrawPreviewCell;
  TdxPreviewTextEvent OnGetPreviewText;
  // (Sender, node, lines): may change the lines of a node's preview.
  framework::TEvent<framework::TComponent*, TdxTreeListNode*, int&> OnGetPreviewLineCount;
  // (Sender, node, lines): a positive answer gives a self-sizing row its lines unmeasured.
  framework::TEvent<framework::TComponent*, TdxTreeListNode*, int&> OnGetRowLineCount;

  // Hot tracking, the header button's hint and cell tooltips.
  virtual void UpdateHotTrack(const THitInfo& hit);
  virtual bool CanHotTrackCell(TdxTreeListNode*, int) { return true; }
  // Whether the cell follows the mouse while the grid does not hot-track (a column's buttons).
  virtual bool CellNeedsHotTrack(TdxTreeListNode*, int, POINT) { return false; }
  // The cursor over a cell; leaves `cursor` alone for the grid's own.
  virtual void GetCellCursor(TdxTreeListNode*, int, HCURSOR&) {}
  virtual bool CanHotTrackHeader(int, int&) { return true; }
  virtual void GetHotTrackCursor(const TdxHotTrackInfo& info, framework::TCursor& cursor);
  virtual std::wstring GetHeaderButtonHint() { return {}; }
  void ShowHeaderHint(bool now);
  void HideHeaderHint();
  void UpdateCellTooltip(const THitInfo& hit);
  void HideCellTooltip();
  TdxHotTrackInfo HotTrack() const noexcept { return {hot_node_, hot_column_, hot_kind_}; }
  bool HeaderButtonHot() const noexcept { return header_button_hot_; }
  // The corner button under the header's corner cell (12 x 11; empty without the corner).
  RECT HeaderButtonRect();
  editors::TdxContainerHintWindow* HeaderHint() const noexcept { return header_hint_; }
  editors::TdxContainerHintWindow* CellTooltip() const noexcept { return cell_tooltip_; }
  TdxHotTrackNodeEvent OnHotTrackNode;
  TdxHotTrackCellEvent OnHotTrackCell;
  TdxTooltipInfoEvent OnGetTooltipInfo;

  // Copy to the clipboard: the rows as text and the grid, laid out in full, as a picture.
  virtual void CopyGridToClipboard(bool selected_only);
  void CopyToClipboardAsPicture(bool selected_only);
  // An enhanced metafile of the full-size grid; the caller owns it.
  HENHMETAFILE PaintToMetafile(bool selected_only);
  // Makes the font one that scales with TrueType outlines in a picture.
  static void PrepareMetafileFont(framework::TFont& font);
  // The rows the copy takes: every visible row, or the selected ones in row order.
  std::vector<TdxTreeListNode*> ClipboardRows(bool selected_only);
  // True while the grid paints itself into a picture.
  bool PaintingPicture() const noexcept { return painting_picture_; }

 protected:
  // The component-settings message: the grid lays itself out again.
  virtual void SettingsChanged() { LayoutChanged(); }
  // Cell painting's questions, answered by the control with columns.
  virtual void BeginCellPaint(TdxTreeListNode*, int) {}
  virtual void EndCellPaint(TdxTreeListNode*, int) {}
  virtual framework::TAlignment GetCellAlignment(int) {
    return framework::TAlignment::taLeftJustify;
  }
  virtual bool HasColumnFont(int) { return false; }
  virtual framework::TFont& GetColumnFont(int) { return Font(); }
  virtual bool IsCellDrawnSelected(TdxTreeListNode*, int) { return false; }
  // The text a cell whose value reads `text` paints, which its tooltip measures and shows.
  virtual std::wstring GetPaintedCellText(TdxTreeListNode*, int, const std::wstring& text) {
    return text;
  }
  // The row kind's text of the new-item and other special rows.
  virtual std::wstring GetRowKindText(TdxTreeListNode*, int, TdxCellKind) { return {}; }
  // The shared view-data record a column's cells fill (one per tree list).
  editors::TdxEditViewData& CellViewData(int column) override;
  // The font a cell paints its text in (the column's own or the grid's, as custom drawing
  // leaves it), outside a paint; it stays valid until the next cell is settled.
  HFONT CellTextFont(HDC dc, TdxTreeListNode* node, int column);
  // Paints a filled record with the column's painter, through PaintViewDataInCell.
  void PaintCellViewData(HDC dc, int column, editors::TdxEditViewData& data) override;
  // Paints a record in the cell its Bounds surround by 2 pixels, with the DC clipped to the
  // cell unless the record keeps inside it by itself.
  void PaintViewDataInCell(HDC dc, const editors::TdxEditViewData& data);
  // The application's custom drawing of a cell; true when it drew the cell itself (Done).
  virtual bool DoCustomDrawCell(const TdxCellPaintInfo&, std::wstring&, framework::TColor&,
                                framework::TFont&, framework::TAlignment&) {
    return false;
  }
  virtual std::wstring GetPreviewText(TdxTreeListNode* node);
  // Lines of preview text under the node's cells, and the pixels they take (0 without).
  int PreviewLineCount(TdxTreeListNode* node);
  int MeasurePreviewLines(TdxTreeListNode* node);
  int PreviewHeight(TdxTreeListNode* node);
  virtual bool ForceHotTrack() const { return false; }
  // Whether Ctrl turns a node drag into a copy.
  virtual bool CanCopyDrag() const { return false; }

 private:
  void HandleHScroll(WORD code);
  void HandleVScroll(WORD code);
  // WM_MOUSEWHEEL's delta: rows as the user's wheel setting says, parts of a notch kept.
  void HandleMouseWheel(int delta);
  // False for a timer the grid does not own.
  bool HandleTimer(UINT_PTR id);
  // The window's timers, through the seam; nothing without a window.
  void StartTimer(UINT_PTR id, UINT interval);
  void StopTimer(UINT_PTR id);
  // False when the grid leaves the cursor to the window's class (`hit_area` of WM_SETCURSOR).
  bool HandleSetCursor(WORD hit_area);
  LRESULT DialogCode();
  void ShowNodeDragCursor();
  void PaintFlatFrame();
  // The mouse left the window: nothing stays hot, no hint stays up.
  void MouseLeft();
  void HandleSize(framework::TMessage& message);
  void DropUnneededScrollBars();
  void HandleParentFontChanged(framework::TMessage& message);
  void ExpandTimerElapsed();
  void RepaintHotElement(const TdxHotTrackInfo& info);
  // The mouse moved: hot tracking, unless an interaction owns the mouse or the point is still
  // over the cell it was over.
  void HotTrackMouseMove(POINT point);
  bool StillOverHoverCell(POINT point);
  bool FlatBorder() const noexcept;
  // Both cell painters: the view-data road, or (`text_only`) the text drawn directly.
  void DrawCellBy(const TdxCellPaintInfo& cell, bool text_only);
  class CellPaintScope;
  // Settles what a cell paints: its text, its font (the column's own or the grid's, as custom
  // drawing leaves it), colours and alignment. False when custom drawing painted it (Done).
  bool SettleCell(const TdxCellPaintInfo& cell, CellLook& look) override;
  // A cell's text as its painting shows it, in its font, and where it may go.
  struct ShownCellText {
    std::wstring text;
    HFONT font;
    RECT rect;
    // The text's width and the margin a cell keeps beside it.
    int Room(HDC dc) const;
  };
  // Outside a paint: custom drawing paints into `dc`.
  ShownCellText SettleShownText(HDC dc, TdxTreeListNode* node, int column, const RECT& rect);

  POINT last_hit_point_{};
  int wheel_remainder_ = 0;  // in rows x WHEEL_DELTA
  UINT_PTR expand_timer_ = 0;
  std::unique_ptr<editors::TdxTextEditViewData> view_data_;
  framework::TFont cell_font_;   // the painted cell's, handed to custom drawing
  win::UniqueRegion page_clip_;  // the clipping a cell's painter goes back to
  int hot_column_ = -1;          // with hot_node_
  uint8_t hot_kind_ = 0;
  bool header_button_hot_ = false;
  editors::TdxContainerHintWindow* header_hint_ = nullptr;   // owned as a component
  editors::TdxContainerHintWindow* cell_tooltip_ = nullptr;  // owned as a component
  TdxTreeListNode* tooltip_node_ = nullptr;
  int tooltip_column_ = -1;
  struct HoverCell {
    RECT rect{};  // empty: none
    uint32_t options = 0, options_ex = 0;
  } hover_;  // the cell the last hit test found under the mouse
  bool painting_picture_ = false;
  // What the kept view was built from besides the changes counted: the state that moves without
  // a repaint of its own (a hot node set directly, the window's size, the keyboard focus).
  struct ViewStamp {
    unsigned changes = 0;
    std::array<LONG, 4> client{};
    const TdxTreeListNode* top = nullptr;
    const TdxTreeListNode* focused = nullptr;
    const TdxTreeListNode* hot = nullptr;
    int left_coord = 0, focused_column = 0, hot_column = 0, search_column = 0;
    size_t search_length = 0;
    uint8_t hot_kind = 0;
    bool searching = false, new_item_row_focused = false, focused_window = false, picture = false;
    bool operator==(const ViewStamp&) const = default;
  };
  ViewStamp CurrentViewStamp();
  GridView BuildView();
  std::shared_ptr<const GridView> view_;
  ViewStamp view_stamp_;
  unsigned view_changes_ = 0;
  int view_builds_ = 0;
  class SharedResourcesUse {
   public:
    SharedResourcesUse();
    ~SharedResourcesUse();
    SharedResourcesUse(const SharedResourcesUse&) = delete;
    SharedResourcesUse& operator=(const SharedResourcesUse&) = delete;
  } shared_resources_;
};

// The component-settings message: the grid relays it and lays itself out again.
constexpr UINT kSettingsChangedMessage = 45093;

}  // namespace treelist
