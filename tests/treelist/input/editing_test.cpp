// The grid window driven by real messages through a grid that logs what it tells and what its
// hooks are asked to do: the editing road (opening, re-targeting, write-back, focus between the
// grid, its editor and a sibling, the delayed open by a click, the keys of a grid user), focus,
// selection, scroll position and the published settings.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/persistence.h"
#include "framework/stdctrls.h"
#include "framework/win/handles.h"
#include "../grid_fixture.h"
#include "treelist/columns/column.h"
#include "treelist/input/interaction_state.h"

namespace treelist_test {

// A grid that logs what it tells and what its hooks are asked to do (with the options they saw),
// counts its scroll-bar writes, and picks its editor by a key the test switches, as a column
// whose editor class changed does; shown in a form beside a sibling edit.
// Counts the shows from hidden it is told of (its after-show hook).
struct CountingEdit : treelist::TdxInplaceTreeListTextEdit {
  using TdxInplaceTreeListTextEdit::TdxInplaceTreeListTextEdit;
  int* shows = nullptr;
  void AfterShow() override { ++*shows; }
};

class LoggingTreeList : public TestTreeList {
 public:
  using TestTreeList::RestartEditor;
  using TestTreeList::TestTreeList;
  std::vector<std::wstring> log;
  int bar_writes = 0;
  int frame_paints = 0;
  int editor_key = 0;
  int editor_shows = 0;
  bool new_item_row = false;
  editors::TdxInplaceEdit* editors_by_key[2] = {nullptr, nullptr};
  void SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw) override {
    ++bar_writes;
    TestTreeList::SetScrollInfo(bar, info, redraw);
  }
  void WndProc(framework::TMessage& m) override {
    frame_paints += m.msg == WM_NCPAINT;
    TestTreeList::WndProc(m);
  }

 protected:
  void Log(std::wstring line) { log.push_back(std::move(line)); }
  void DoChangeNode(TdxTreeListNode* from, TdxTreeListNode* to) override {
    Log(L"node " + Name(from) + L">" + Name(to));
  }
  void DoChangeColumn(TdxTreeListNode*, int column) override {
    Log(L"column " + std::to_wstring(column));
  }
  void SortNodes() override {
    Log(std::wstring(L"sort") + (Options() & treelist::aoAutoSort ? L" auto" : L"") +
        (OptionsEx() & treelist::aoAnsiSort ? L" ansi" : L""));
  }
  void KeepBandWidthsFromColumns() override { Log(L"band widths"); }
  void FitHeaderPanelHeight() override { Log(L"header height"); }
  editors::TdxInplaceEdit* GetColumnEditor(int) override { return editors_by_key[editor_key]; }
  editors::TdxInplaceEdit* CreateEditor(int) override {
    auto* editor = new CountingEdit(this);
    editor->shows = &editor_shows;
    return editors_by_key[editor_key] = editor;
  }
  bool IsNewItemRowShown() const override { return new_item_row; }
  void SaveEditValue(TdxTreeListNode* node, int column, editors::TdxInplaceEdit& editor) override {
    Log(L"save " + Name(node) + L"=" + editor.Text());
    TestTreeList::SaveEditValue(node, column, editor);
  }
  void DoEdited(TdxTreeListNode* node) override { Log(L"edited " + Name(node)); }
  void CopyGridToClipboard(bool selected_only) override {
    Log(selected_only ? L"copy selected" : L"copy all");
  }
};

// Three columns in two bands and top-level nodes "A", "B", ...
struct LoggingForm {
  framework::TForm form{nullptr};
  LoggingTreeList grid{nullptr};
  framework::TEdit sibling{nullptr};
  std::vector<TdxTreeListNode*> n;
  explicit LoggingForm(int rows = 6, int height = 220) {
    form.SetBounds(50, 50, 400, height + 90);
    grid.SetParent(&form);
    grid.SetBounds(10, 10, 360, height);
    sibling.SetParent(&form);
    sibling.SetBounds(10, height + 20, 100, 24);
    form.Show();
    grid.SetModel(TwoBandModel());
    for (int i = 0; i < rows; ++i) n.push_back(AddNamed(grid, nullptr, std::wstring(1, L'A' + i)));
  }
  HWND hwnd() { return grid.Handle(); }
};

}  // namespace treelist_test

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::LoggingTreeList;
using Grid = treelist_test::LoggingForm;

namespace {

// Cells edited (no row select), the focus on A's column 1.
struct EditingForm : treelist_test::LoggingForm {
  EditingForm() : LoggingForm(2) {
    grid.SetOptions((grid.Options() | treelist::aoEditing) & ~treelist::aoRowSelect);
    grid.SetFocus();
    grid.SetFocusedCell(n[0], 1, true);
    grid.log.clear();
  }
  HWND editor() { return grid.InplaceEditor() ? grid.InplaceEditor()->Handle() : nullptr; }
  void Key(WORD key) { SendMessageW(GetFocus(), WM_KEYDOWN, key, 0); }
  void Type(const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(GetFocus(), WM_CHAR, c, 0);
  }
  bool Shown(editors::TdxInplaceEdit* e) { return e && IsWindowVisible(e->Handle()); }
};

TEST(TreeListEditing, F2OpensOverTheCellTypingIsWrittenBackByEnter) {
  EditingForm f;
  f.grid.new_item_row = true;  // the new-item row's hook lets the editor open as well
  f.grid.SetNewItemRowFocused(true);
  f.Key(VK_F2);
  ASSERT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_EQ(f.grid.editor_shows, 1) << "an explicit open is told";
  EXPECT_EQ(GetFocus(), f.editor());
  EXPECT_EQ(f.grid.InplaceEditor()->Text(), L"A.1");
  EXPECT_FALSE(f.grid.InplaceEditor()->Closing());
  EXPECT_NE(dynamic_cast<treelist::TdxInplaceTreeListTextEdit*>(f.grid.InplaceEditor()), nullptr);
  RECT placed, cell = f.grid.GetCellRect(f.n[0], 1);
  GetWindowRect(f.editor(), &placed);
  MapWindowPoints(nullptr, f.hwnd(), reinterpret_cast<POINT*>(&placed), 2);
  InflateRect(&cell, 2, 2);
  EXPECT_TRUE(EqualRect(&placed, &cell)) << "over the cell grown by 2";
  f.Type(L"x");
  f.Key(VK_RETURN);
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  EXPECT_EQ(f.grid.GetCellText(f.n[0], 1), L"x");
  EXPECT_EQ(GetFocus(), f.hwnd());
  EXPECT_TRUE(f.grid.InplaceEditor()->Closing());
  EXPECT_EQ(f.grid.GetEditorText(), L"") << "no editor open";
  f.grid.SetEditorText(L"late");
  EXPECT_EQ(f.grid.InplaceEditor()->Text(), L"x") << "a closed editor takes no text";
  EXPECT_EQ(f.grid.log, (std::vector<std::wstring>{L"save A=x", L"edited A"}));
}

TEST(TreeListEditing, WriteBackOnlyWhenModifiedEditedAlwaysNothingAfterBeginUpdate) {
  EditingForm f;
  f.Key(VK_F2);
  f.grid.SetFocusedCell(f.n[1], 1, true);  // nothing typed
  f.Key(VK_F2);
  f.Type(L"b");
  f.grid.SetFocusedCell(f.n[0], 2, true);
  f.Key(VK_F2);
  f.Type(L"dropped");
  f.grid.BeginUpdate();
  f.grid.EndUpdate();
  EXPECT_EQ(f.grid.log, (std::vector<std::wstring>{L"edited A", L"node A>B", L"save B=b",
                                                   L"edited B", L"node B>A", L"column 2"}))
      << "the old cell is closed before the focus moves";
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  EXPECT_FALSE(IsWindowVisible(f.editor()));
  EXPECT_EQ(f.grid.GetCellText(f.n[0], 2), L"A.2");
}

TEST(TreeListEditing, ReshowingTheSameCellKeepsTheTextRestartingReloadsIt) {
  EditingForm f;
  UpdateWindow(f.hwnd());
  SendMessageW(f.hwnd(), WM_SETFOCUS, 0, 0);
  RECT dirty{};
  GetUpdateRect(f.hwnd(), &dirty, FALSE);
  const RECT below = f.grid.GetCellRect(f.n[1], 1);
  EXPECT_LE(dirty.bottom, below.top) << "the focused row is repainted, not the rows below";
  SendMessageW(f.hwnd(), WM_IME_STARTCOMPOSITION, 0, 0);  // composed text goes to the editor
  ASSERT_EQ(f.grid.State(), treelist::tsEditing);
  f.Type(L"typed");
  SendMessageW(f.hwnd(), WM_SETFOCUS, 0, 0);  // the focus comes back from elsewhere
  EXPECT_EQ(f.grid.InplaceEditor()->Text(), L"typed");
  EXPECT_EQ(f.grid.GetEditorText(), L"typed");
  f.grid.SetEditorText(L"set");
  EXPECT_EQ(f.grid.InplaceEditor()->Text(), L"set");
  f.grid.RestartEditor();
  EXPECT_EQ(f.grid.InplaceEditor()->Text(), L"A.1");
  EXPECT_TRUE(f.grid.log.empty()) << "a restart drops the typed value";
}

TEST(TreeListEditing, AnotherEditorTakingTheCellWritesBackAndHidesTheOneOnScreen) {
  EditingForm f;
  f.grid.editor_key = 1;  // an editor of the other kind, left with a modified text on B
  f.grid.SetFocusedCell(f.n[1], 1, true);
  f.Key(VK_F2);
  f.Type(L"stale");
  f.grid.InplaceEditor()->HideEdit();
  f.grid.CancelEditor();
  editors::TdxInplaceEdit* second = f.grid.InplaceEditor();
  f.grid.editor_key = 0;
  f.grid.SetFocusedCell(f.n[0], 1, true);
  f.Key(VK_F2);
  editors::TdxInplaceEdit* first = f.grid.InplaceEditor();
  ASSERT_NE(first, second);
  f.Type(L"typed");
  f.grid.editor_key = 1;                      // the column's editor changes meanwhile
  SendMessageW(f.hwnd(), WM_SETFOCUS, 0, 0);  // and the editor is shown again
  EXPECT_EQ(f.grid.GetCellText(f.n[0], 1), L"typed");
  EXPECT_FALSE(f.Shown(first));
  EXPECT_TRUE(f.Shown(second));
  EXPECT_EQ(second->Text(), L"typed") << "filled from the cell, not its old text";
  EXPECT_EQ(f.grid.editor_shows, 2) << "the two opens by F2, not the re-show";
}

TEST(TreeListEditing, FocusIntoTheEditorKeepsItOpenToASiblingClosesItWithWriteBack) {
  EditingForm f;
  f.Key(VK_F2);
  ASSERT_EQ(GetFocus(), f.editor());
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  f.Type(L"kept");
  SetFocus(f.hwnd());  // into the grid itself: the grid decides, and keeps editing
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  UpdateWindow(f.hwnd());
  f.sibling.SetFocus();
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  win::UniqueRegion dirty(CreateRectRgn(0, 0, 0, 0));
  GetUpdateRgn(f.hwnd(), dirty.get(), FALSE);
  const RECT below = f.grid.GetCellRect(f.n[1], 1);
  EXPECT_FALSE(PtInRegion(dirty.get(), below.left + 3, below.top + 2))
      << "the row left is repainted, not the rows under it";
  EXPECT_EQ(f.grid.GetCellText(f.n[0], 1), L"kept");
  EXPECT_EQ(GetFocus(), f.sibling.Handle()) << "not taken back";
  const RECT cell = f.grid.GetCellRect(f.n[1], 1);
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 5, cell.top + 3));
  ASSERT_EQ(f.grid.State(), treelist::tsNodeDown);
  f.sibling.SetFocus();
  EXPECT_EQ(f.grid.State(), treelist::tsNone) << "a press ends with the focus";
}

TEST(TreeListEditing, ARefusedValueOnFocusLossIsReportedOnceAndEditingGoesOn) {
  EditingForm f;
  std::vector<std::string> reports;
  framework::Application::Instance().OnException = [&](const std::string& m) {
    reports.push_back(m);
  };
  f.Key(VK_F2);
  f.grid.InplaceEditor()->OnValidate = [](framework::TComponent*, std::wstring& error,
                                          bool& accept) {
    error = L"not a width";
    accept = false;
  };
  f.Type(L"wide");
  f.sibling.SetFocus();
  framework::Application::Instance().OnException = nullptr;
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_EQ(f.grid.GetCellText(f.n[0], 1), L"A.1");
  f.grid.RestartEditor();
  EXPECT_EQ(GetFocus(), f.sibling.Handle()) << "a restart takes no focus from elsewhere";
}

TEST(TreeListEditing, AClickOnTheFocusedCellOpensAfterTheDoubleClickTimeUnlessClickedAgain) {
  EditingForm f;
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  f.grid.Seams().double_click_time = [] { return 437u; };
  const auto click = [&](POINT at, UINT down = WM_LBUTTONDOWN) {
    SendMessageW(f.hwnd(), down, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  };
  const RECT cell = f.grid.GetCellRect(f.n[0], 1);
  const POINT at{cell.left + 5, cell.top + 3};
  const std::map<UINT_PTR, UINT> waiting{{treelist::TCustomdxTreeList::kDelayedEditTimer, 437}};
  click(at);
  EXPECT_EQ(f.grid.State(), treelist::tsNone) << "not at once";
  EXPECT_EQ(timers.Running(f.hwnd()), waiting) << "but after the double-click time";
  ASSERT_TRUE(timers.Fire(f.hwnd(), treelist::TCustomdxTreeList::kDelayedEditTimer));
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_TRUE(timers.Running(f.hwnd()).empty()) << "one open a click";
  f.Key(VK_ESCAPE);

  click(at);
  EXPECT_EQ(timers.Running(f.hwnd()), waiting);
  click(at, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(timers.Running(f.hwnd()).empty()) << "a double click opens nothing";
  f.Key(VK_DOWN);
  click(at);  // a click on a cell that is not focused only focuses it
  EXPECT_EQ(f.grid.GetFocusedNode(), f.n[0]);
  EXPECT_TRUE(timers.Running(f.hwnd()).empty());
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
}

TEST(TreeListEditing, EscapeDropsTheTextAndRefusalsOpenNothing) {
  EditingForm f;
  f.grid.BeginUpdate();  // opened while locked: no editor yet, nor any to validate on closing
  f.Key(VK_F2);
  f.grid.EndUpdate();
  f.grid.CloseEditor();
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  f.Key(VK_F2);
  f.Type(L"gone");
  f.Key(VK_ESCAPE);  // the editor takes its text back
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  f.Key(VK_ESCAPE);  // and hands the second one to the grid
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  EXPECT_TRUE(f.grid.log.empty());
  f.grid.SetFocusedCell(f.n[0], 3, false);  // a column that is gone: no editor, no next cell
  f.Key(VK_F2);
  f.Key(VK_LEFT);
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  EXPECT_EQ(f.grid.FocusedColumn(), 3);
  f.grid.OnEditing = [](framework::TComponent*, TdxTreeListNode*, bool& allow) { allow = false; };
  f.Key(VK_F2);
  EXPECT_EQ(f.grid.State(), treelist::tsNone) << "refused";
  f.grid.OnEditing = nullptr;
  f.grid.SetOptions(f.grid.Options() | treelist::aoRowSelect);
  f.Key(VK_F2);
  EXPECT_EQ(f.grid.State(), treelist::tsNone) << "rows are selected, not cells";
}

SHORT NothingHeld(int) { return 0; }

TEST(TreeListKeys, ACellGridMovesLikeASpreadsheet) {
  EditingForm f;
  f.grid.Seams().key_state = NothingHeld;
  for (int i = 0; i < 30; ++i) AddNamed(f.grid, nullptr, L"n" + std::to_wstring(i));
  f.grid.SetOptions(f.grid.Options() | treelist::aoTabs | treelist::aoMultiSelect);
  struct Step {
    WORD key;
    BYTE held;  // VK_CONTROL, VK_SHIFT or none
    int row, column;
  };
  const int page = f.grid.FullyVisibleRowCount();
  const Step steps[] = {
      {VK_RIGHT, 0, 0, 2},         {VK_RIGHT, 0, 0, 2},       {VK_HOME, 0, 0, 0},
      {VK_END, 0, 0, 2},           {VK_DOWN, 0, 1, 2},        {VK_END, VK_CONTROL, 31, 2},
      {VK_HOME, VK_CONTROL, 0, 2}, {VK_TAB, 0, 1, 0},         {VK_TAB, 0, 1, 1},
      {VK_LEFT, 0, 1, 0},          {VK_NEXT, 0, 1 + page, 0}, {VK_PRIOR, 0, 1, 0},
      {VK_DOWN, VK_SHIFT, 2, 0},   {VK_DOWN, VK_SHIFT, 3, 0}, {VK_UP, VK_SHIFT, 2, 0}};
  f.grid.SetFocusedCell(f.n[0], 1, true);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.key);
    BYTE keys[256] = {};
    if (s.held) keys[s.held] = 0x80;
    SetKeyboardState(keys);
    f.Key(s.key);
    EXPECT_EQ(f.grid.GetAbsoluteIndex(f.grid.GetFocusedNode()), s.row);
    EXPECT_EQ(f.grid.FocusedColumn(), s.column);
  }
  BYTE none[256] = {};
  SetKeyboardState(none);
  EXPECT_EQ(f.grid.TopIndex(), 1) << "a page down and back up";
  ASSERT_EQ(f.grid.SelectedCount(), 2) << "Shift: from the anchor to the focused row";
  EXPECT_EQ(f.grid.SelectedNode(0), f.n[1]);
  f.grid.log.clear();
  BYTE ctrl[256] = {};
  ctrl[VK_CONTROL] = 0x80;
  SetKeyboardState(ctrl);
  f.Key('C');
  f.grid.ClearSelection();
  f.Key('C');
  SetKeyboardState(none);
  EXPECT_EQ(f.grid.log, (std::vector<std::wstring>{L"copy selected", L"copy all"}));
  f.Type(L"\b");  // a control character opens nothing
  EXPECT_EQ(f.grid.State(), treelist::tsNone);
  f.Type(L" 7");  // typing opens the editor with what was typed
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_EQ(f.grid.InplaceEditor()->Text(), L" 7");
  f.Key(VK_TAB);  // the editor hands Tab on: the next cell is edited
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_EQ(f.grid.FocusedColumn(), 1);
  EXPECT_EQ(f.grid.GetCellText(f.grid.GetFocusedNode(), 0), L" 7");
}

TEST(TreeListFocus, NodeChangesComeBeforeColumnChangesAndNoneUnderTheLock) {
  Grid g;
  g.grid.SetOptions(g.grid.Options() & ~treelist::aoRowSelect);
  g.grid.SetFocusedCell(g.n[1], 2, true);
  g.grid.SetFocusedCell(g.n[1], 0, true);
  g.grid.SetFocusedColumn(7);  // out of range: nothing
  g.grid.SetOptions(g.grid.Options() | treelist::aoRowSelect);
  g.grid.SetFocusedCell(g.n[2], 1, true);
  g.grid.BeginUpdate();
  g.grid.SetFocusedCell(g.n[3], 1, true);
  g.grid.EndUpdate();
  EXPECT_EQ(g.grid.log,
            (std::vector<std::wstring>{L"node A>B", L"column 2", L"column 0", L"node B>C"}));
  EXPECT_EQ(g.grid.GetFocusedNode(), g.n[3]);
  EXPECT_EQ(g.grid.GetFocusedColumn(), 0) << "rows are focused, not cells";
  g.grid.SetOptions(g.grid.Options() & ~treelist::aoRowSelect);
  g.grid.SetFocusedCell(g.n[3], 3, false);
  EXPECT_EQ(g.grid.GetFocusedColumn(), 0) << "no column 3";
}

TEST(TreeListFocus, KeysExpandAndCollapseOneLevelAndLeftOrCollapsingFocusesTheParent) {
  Grid g(2);
  TdxTreeListNode* child = AddNamed(g.grid, g.n[0], L"a1");
  AddNamed(g.grid, child, L"a11");
  child->Expand(false);
  g.grid.SetFocusedNode(g.n[0]);
  std::wstring seen;  // after each key the focused node, and whether A and a1 are expanded
  for (WORD key : {VK_RIGHT, VK_LEFT, VK_ADD, VK_SUBTRACT, VK_RIGHT, VK_RIGHT, VK_LEFT, VK_LEFT,
                   VK_END, VK_UP}) {
    SendMessageW(g.hwnd(), WM_KEYDOWN, key, 0);
    seen += g.grid.Name(g.grid.GetFocusedNode()) + (g.n[0]->Expanded() ? L"+" : L"-") +
            (child->Expanded() ? L"+ " : L"- ");
  }
  EXPECT_EQ(seen, L"A++ A-+ A++ A-+ A++ a1++ a1+- A+- B+- a1+- ");
  g.n[0]->Collapse(false);
  g.grid.SetFocusedNode(child);  // a hidden node is shown: its parent expands
  ASSERT_TRUE(g.n[0]->Expanded());
  g.n[0]->Collapse(false);
  EXPECT_EQ(g.grid.GetFocusedNode(), g.n[0]);

  Grid one_row(1, 48);  // Left from a child scrolls the parent into view
  TdxTreeListNode* only = AddNamed(one_row.grid, one_row.n[0], L"a1");
  one_row.n[0]->Expand(false);
  one_row.grid.SetFocusedNode(only);
  ASSERT_EQ(one_row.grid.TopIndex(), 1);
  SendMessageW(one_row.hwnd(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(std::make_pair(one_row.grid.GetFocusedNode(), one_row.grid.TopIndex()),
            std::make_pair(one_row.n[0], 0));
}

TEST(TreeListScrolling, TheTopRowKeepsTheLastPageFullAndOneRowNeverScrolls) {
  Grid g(40, 150);
  const int page = g.grid.FullyVisibleRowCount();
  ASSERT_GT(page, 2);
  const treelist::Layout layout = g.grid.GetLayout();
  const int space = layout.rows.bottom - layout.rows.top, height = g.grid.DefaultRowHeight();
  EXPECT_EQ(page, space / height);
  EXPECT_EQ(g.grid.PartialRowCount(), (space + height - 1) / height) << "with the row cut";
  SCROLLINFO bar{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(g.hwnd(), SB_VERT, &bar));
  EXPECT_EQ(std::make_pair(bar.nMax, static_cast<int>(bar.nPage)), std::make_pair(39, page));
  g.grid.SetFocusedAbsoluteIndex(1000);
  EXPECT_EQ(g.grid.GetAbsoluteIndex(g.grid.GetFocusedNode()), 39) << "beyond the end: the last";
  EXPECT_EQ(g.grid.TopIndex(), 40 - page) << "made visible";
  g.grid.SetTopIndex(1000);
  EXPECT_EQ(g.grid.TopIndex(), 40 - page);
  delete g.n[39];  // the last page loses a row: the row above it counts in
  EXPECT_EQ(g.grid.FullyVisibleRowCount(), page);
  g.grid.SetFocusedNode(g.n[0]);
  EXPECT_EQ(g.grid.TopIndex(), 0) << "the focused first row is shown";
  g.grid.SetTopIndex(-4);
  EXPECT_EQ(g.grid.TopIndex(), 0);
  Grid one(1);
  one.grid.SetTopIndex(5);
  EXPECT_EQ(one.grid.TopIndex(), 0);
  EXPECT_EQ(one.grid.FullyVisibleRowCount(), 1);
  Grid two(2, 48);  // room for one row: two rows scroll
  ASSERT_EQ(two.grid.FullyVisibleRowCount(), 1);
  two.grid.SetTopIndex(5);
  EXPECT_EQ(two.grid.TopIndex(), 1);
  two.grid.SetNewItemRowFocused(true);
  EXPECT_FALSE(two.grid.NewItemRowFocused()) << "no new-item row in this grid";
}

// Whether the header needs painting ('H'), then the rows of the first page that do ('#'), seen
// in the last column; then painted.
std::string DirtyRows(Grid& g, int rows) {
  win::UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
  GetUpdateRgn(g.hwnd(), region.get(), FALSE);
  const treelist::Layout layout = g.grid.GetLayout();
  std::string dirty = PtInRegion(region.get(), layout.column_left[2] + 3, 2) ? "H" : "-";
  for (int i = 0; i < rows; ++i) {
    const int y = layout.rows.top + i * g.grid.DefaultRowHeight() + 2;
    dirty += PtInRegion(region.get(), layout.column_left[2] + 3, y) ? '#' : '.';
  }
  UpdateWindow(g.hwnd());
  return dirty;
}

TEST(TreeListScrolling, MovesRepaintWhatTheyTouchScrollTheRestAndWriteOnlyChangedBars) {
  Grid g(40, 150);
  const int page = g.grid.FullyVisibleRowCount();
  g.grid.SetFocusedNode(g.n[1]);
  UpdateWindow(g.hwnd());
  g.grid.SetFocusedNode(g.n[3]);
  EXPECT_EQ(DirtyRows(g, page), "-.#.#" + std::string(page - 4, '.')) << "left and entered";
  g.grid.SetTopIndex(1);
  EXPECT_EQ(DirtyRows(g, page), "-..#" + std::string(page - 4, '.') + "#") << "one row scrolled";
  g.grid.SetTopIndex(30);
  EXPECT_EQ(DirtyRows(g, page), "H" + std::string(page, '#')) << "beyond a page: all repainted";
  g.grid.SetFocusedColumn(2);
  EXPECT_EQ(g.grid.TopIndex(), 3) << "a new focused column shows its row";
  g.grid.SetOptions(g.grid.Options() & ~treelist::aoRowSelect);
  UpdateWindow(g.hwnd());
  g.grid.SetFocusedColumn(2);
  EXPECT_EQ(DirtyRows(g, page), "-#" + std::string(page - 1, '.')) << "the cells left and entered";

  // Scroll bars are written only when they change.
  for (int top : {0, 1000}) {  // the first page, and the last, where the bar keeps its position
    g.grid.SetTopIndex(top);
    g.grid.bar_writes = 0;
    g.grid.UpdateScrollBars();
    EXPECT_EQ(g.grid.bar_writes, 0) << top;
  }
  UpdateWindow(g.hwnd());
  g.grid.frame_paints = 0;
  g.grid.SetTopIndex(3);
  EXPECT_EQ(g.grid.bar_writes, 1) << "the vertical bar's position alone";
  UpdateWindow(g.hwnd());
  EXPECT_GT(g.grid.frame_paints, 0) << "the bar is drawn with the next paint";
  SCROLLINFO bar{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 9, 0};
  SetScrollInfo(g.hwnd(), SB_VERT, &bar, FALSE);  // the bar holds another value than the grid
  g.grid.UpdateScrollBars();
  ASSERT_TRUE(GetScrollInfo(g.hwnd(), SB_VERT, &bar));
  EXPECT_EQ(bar.nPos, 3);

  // The left coordinate is clamped and told once.
  g.grid.SetFocusedColumn(0);
  g.grid.SetBounds(10, 10, 200, 120);  // narrower than its columns
  int told = 0;
  g.grid.OnChangeLeftCoord = [&](framework::TComponent*) { ++told; };
  g.grid.SetLeftCoord(5000);
  const int max_left = g.grid.GetLayout().MaxLeftCoord();
  EXPECT_EQ(g.grid.LeftCoord(), max_left);
  g.grid.SetLeftCoord(max_left + 3);
  EXPECT_EQ(told, 1);
}

std::wstring SelectedNames(LoggingTreeList& grid) {
  std::wstring names;
  for (int i = 0; i < grid.SelectedCount(); ++i) names += grid.Name(grid.SelectedNode(i));
  if (grid.SelectedNode(grid.SelectedCount())) names += L"+";  // nothing past the end
  return names;
}

TEST(TreeListSelection, RangesAreTheSameEitherWayAndStayAmongSiblings) {
  Grid g;
  g.grid.OnSelectedCountChange = [&](framework::TComponent*) { g.grid.log.push_back(L"count"); };
  g.grid.SetOptions(g.grid.Options() | treelist::aoMultiSelect);
  EXPECT_EQ(SelectedNames(g.grid), L"A") << "an option change selects the focused node";
  g.grid.ClearSelection();
  TdxTreeListNode* child = AddNamed(g.grid, g.n[2], L"c");
  g.n[2]->Expand(false);
  g.grid.log.clear();
  g.grid.SelectRange(g.n[1], g.n[4]);
  EXPECT_EQ(SelectedNames(g.grid), L"BCDE") << "the child of C has another parent";
  g.grid.ClearSelection();
  g.grid.SelectRange(g.n[4], g.n[1]);
  EXPECT_EQ(SelectedNames(g.grid), L"BCDE");
  EXPECT_EQ(g.grid.log, (std::vector<std::wstring>{L"count", L"count", L"count"}))
      << "once a range, once the clearing";
  g.grid.SetSelectionAnchor(g.n[2]);
  EXPECT_EQ(g.grid.CompareWithAnchor(child), 1);
  EXPECT_EQ(g.grid.CompareWithAnchor(g.n[0]), -1);
  EXPECT_EQ(g.grid.CompareWithAnchor(g.n[2]), 0);
  g.grid.ClearSelection();
  g.grid.SetOptions(g.grid.Options() | treelist::aoExtMultiSelect);
  g.grid.ClearSelection();
  g.grid.SelectRange(g.n[3], g.n[1]);
  EXPECT_EQ(SelectedNames(g.grid), L"BCcD");
}

TEST(TreeListSelection, TenSelectedRowsRepaintRowByRowElevenTheWholeGrid) {
  for (int selected : {10, 11}) {
    SCOPED_TRACE(selected);
    Grid g(20, 400);
    g.grid.SetOptions(g.grid.Options() | treelist::aoMultiSelect);
    // Forward from the first row, and backward to it.
    g.grid.SelectRange(g.n[selected == 10 ? 0 : 10], g.n[selected == 10 ? 9 : 0]);
    g.grid.SetFocusedNode(g.n[15]);
    UpdateWindow(g.hwnd());
    g.grid.InvalidateSelection();
    win::UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    GetUpdateRgn(g.hwnd(), region.get(), FALSE);
    const int x = g.grid.GetLayout().rows.left + 5;
    const int top = g.grid.GetLayout().rows.top;
    auto row_y = [&](int i) { return top + i * g.grid.DefaultRowHeight() + 2; };
    EXPECT_TRUE(PtInRegion(region.get(), x, row_y(selected - 1)));
    EXPECT_TRUE(PtInRegion(region.get(), x, row_y(15))) << "the focused row";
    EXPECT_EQ(PtInRegion(region.get(), x, row_y(13)) != 0, selected == 11);
    EXPECT_EQ(PtInRegion(region.get(), x, 2) != 0, selected == 11) << "the header";
  }
}

// ---- settings ----------------------------------------------------------------------------------

TEST(TreeListSettings, EveryDeclaredDefaultIsWhatANewGridHasAndSizesAreClamped) {
  treelist_test::TestTreeList grid(nullptr);
  auto* object = static_cast<framework::TComponent*>(&grid);
  int checked = 0;
  const framework::TClassInfo& info = grid.ClassInfo();
  for (const framework::PropInfo* p : info.Properties()) {
    if (!p->default_value || !p->get || p->kind == framework::PropKind::Event) continue;
    if (info.Parent()->FindProperty(p->name)) continue;  // the window's own, not the grid's
    if (p->name == "DefaultRowHeight") continue;         // declared without a default: computed
    SCOPED_TRACE(p->name);
    EXPECT_TRUE(p->get(object) == *p->default_value);
    // Another value is stored and read back.
    framework::TValue other = *p->default_value;
    if (auto* number = std::get_if<int64_t>(&other)) {
      *number = p->kind == framework::PropKind::Enumeration ? *number == 0 : *number + 1;
    }
    if (auto* flag = std::get_if<bool>(&other)) *flag = !*flag;
    if (auto* text = std::get_if<std::string>(&other)) *text += "x";
    p->set(object, other);
    EXPECT_TRUE(p->get(object) == other);
    ++checked;
  }
  EXPECT_GE(checked, 45);

  const struct {
    const char* name;
    int64_t set, stored;
  } clamps[] = {
      {"Indent", -5, 0},       {"MaxRowLineCount", -7, -1},  {"CustomizingRowCount", 0, 2},
      {"IndentDesc", -1, 0},   {"FixedBandLineWidth", 0, 1}, {"RowSeparatorLineWidth", -3, 1},
      {"PreviewLines", -9, -1}};
  for (const auto& c : clamps) {
    SCOPED_TRACE(c.name);
    const framework::PropInfo* p = info.FindProperty(c.name);
    ASSERT_NE(p, nullptr);
    p->set(object, framework::TValue(c.set));
    EXPECT_TRUE(p->get(object) == framework::TValue(c.stored)) << "clamped before it is stored";
  }
}

// Options and OptionsEx set from a start, and what they hold then, with what the hooks did.
struct OptionCase {
  const char* why;
  uint32_t options_from, ex_from, options_to, ex_to, options_kept, ex_kept;
  const wchar_t* hooks;
};

TEST(TreeListSettings, OptionChangesHaveTheirSideEffectsWithTheNewValueStored) {
  using namespace treelist;
  constexpr uint32_t o = kDefaultOptions, x = kDefaultOptionsEx;
  const OptionCase cases[] = {
      {"drops invert", o & ~aoRowSelect, x | aoInvertSelect, o, x, o, x, L""},
      {"drops row select", o, x, o, x | aoInvertSelect, o & ~aoRowSelect, x | aoInvertSelect, L""},
      {"auto sort on", o, x, o | aoAutoSort, x, o | aoAutoSort, x, L"sort auto"},
      {"auto sort off", o | aoAutoSort, x, o, x, o, x, L""},
      {"multi sort on", o, x, o, x | aoMultiSort, o, x | aoMultiSort, L""},
      {"multi sort off", o, x | aoMultiSort, o, x, o, x, L"sort"},
      {"locale rule", o, x, o, x | aoAnsiSort, o, x | aoAnsiSort, L"sort ansi"},
      {"header height", o, x, o, x | aoAutoHeaderPanelHeight, o, x | aoAutoHeaderPanelHeight,
       L"header height"},
      {"widths kept", o | aoAutoWidth, x | aoKeepColumnWidth, o, x | aoKeepColumnWidth, o,
       x | aoKeepColumnWidth, L"band widths"},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.why);
    LoggingTreeList grid(nullptr);
    grid.SetOptions(c.options_from);
    grid.SetOptionsEx(c.ex_from);
    grid.log.clear();
    grid.SetOptions(c.options_to);
    grid.SetOptionsEx(c.ex_to);
    EXPECT_EQ(grid.Options(), c.options_kept);
    EXPECT_EQ(grid.OptionsEx(), c.ex_kept);
    EXPECT_EQ(grid.log,
              *c.hooks ? std::vector<std::wstring>{c.hooks} : std::vector<std::wstring>{});
  }
}

TEST(TreeListSettings, AnOptionChangeClosesTheEditorEndsTheSearchAndSelectsTheFocus) {
  Grid g;
  g.grid.SetOptions((g.grid.Options() | treelist::aoMultiSelect) & ~treelist::aoRowSelect);
  g.grid.SetOptionsEx(g.grid.OptionsEx() | treelist::aoAutoSearch);
  g.grid.SelectRange(g.n[0], g.n[2]);
  g.grid.SetFocusedCell(g.n[4], 1, true);
  g.grid.SetFocus();
  g.grid.ShowEditor();
  ASSERT_EQ(g.grid.State(), treelist::tsEditing);
  g.grid.SetOptions(g.grid.Options() | treelist::aoTabs);
  EXPECT_EQ(g.grid.State(), treelist::tsNone);
  EXPECT_EQ(SelectedNames(g.grid), L"E");
  g.grid.StartSearch(0, L"B");
  g.grid.SetOptionsEx(g.grid.OptionsEx() | treelist::aoHotTrack);
  EXPECT_TRUE(g.grid.Searching()) << "another option leaves the search on";
  g.grid.SetOptionsEx(g.grid.OptionsEx() & ~treelist::aoAutoSearch);
  EXPECT_FALSE(g.grid.Searching());
}

TEST(TreeListSettings, StoredAndDerivedSettingsFollowTheirRules) {
  treelist_test::TestTreeList grid(nullptr);
  const int computed = grid.DefaultRowHeight();
  grid.SetDefaultRowHeight(40);
  grid.SetShowGrid(true);
  grid.SetShowGrid(false);
  EXPECT_EQ(grid.DefaultRowHeight(), 40);
  grid.SetDefaultRowHeight(5);
  EXPECT_EQ(grid.DefaultRowHeight(), computed);
  const framework::PropInfo* p = grid.ClassInfo().FindProperty("DefaultRowHeight");
  EXPECT_FALSE(p->stored(static_cast<framework::TComponent*>(&grid)));
  const framework::PropInfo* font = grid.ClassInfo().FindProperty("HeaderFont");
  EXPECT_FALSE(font->stored(static_cast<framework::TComponent*>(&grid))) << "the parent's";
  grid.HeaderFont().SetSize(14);
  EXPECT_TRUE(font->stored(static_cast<framework::TComponent*>(&grid))) << "its own now";
  grid.SetShowRoot(false);
  EXPECT_FALSE(grid.ShowRoot());
  grid.SetPaintStyle(treelist::TdxTreeListPaintStyle::psOutlook);
  EXPECT_TRUE(grid.ShowRoot()) << "the outlook style always shows the root";
  std::string bars;
  for (auto look : {treelist::TdxLookAndFeel::lfFlat, treelist::TdxLookAndFeel::lfUltraFlat}) {
    grid.SetLookAndFeel(look);
    bars += grid.ScrollBarStyle() == editors::kScrollBarFlat ? 'F' : 'S';
  }
  EXPECT_EQ(bars, "SF") << "flat scroll bars in the ultra-flat look only";

  auto images = std::make_unique<framework::TImageList>(nullptr);
  framework::TImageList state_images(nullptr);
  grid.SetImages(images.get());
  grid.SetStateImages(&state_images);
  images.reset();
  EXPECT_EQ(grid.Images(), nullptr) << "a freed image list is forgotten";
  EXPECT_EQ(grid.StateImages(), &state_images);
}

TEST(TreeListSettings, AColourChangeRepaintsUnlessOnlyTheArrowsOrTheSearchMarkReadIt) {
  Grid g;
  const framework::TClassInfo& info = g.grid.ClassInfo();
  std::string unpainted;
  for (const framework::PropInfo* p : info.Properties()) {
    if (p->kind != framework::PropKind::Color || info.Parent()->FindProperty(p->name)) continue;
    UpdateWindow(g.hwnd());
    p->set(static_cast<framework::TComponent*>(&g.grid), framework::TValue(int64_t{0x123456}));
    if (!GetUpdateRect(g.hwnd(), nullptr, FALSE)) unpainted += p->name + " ";
  }
  EXPECT_EQ(unpainted, "ArrowsColor AutoSearchColor AutoSearchTextColor ");
}

TEST(TreeListHitTest, TheBandPanelEdgeIsItsLastThreePixelsRightOfTheBands) {
  Grid g;
  g.grid.SetShowBands(true);
  const treelist::Layout layout = g.grid.GetLayout();
  const int x = layout.bands.back().right + 20;
  ASSERT_LT(x, layout.band_panel.right);
  EXPECT_EQ(g.grid.HitTest({x, layout.band_panel.bottom - 3}).kind, treelist::htBandPanelEdge);
  EXPECT_EQ(g.grid.HitTest({x, layout.band_panel.bottom - 4}).kind, treelist::htNowhere);
}

}  // namespace
