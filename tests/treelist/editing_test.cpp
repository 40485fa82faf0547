// The editing road on a real grid window: opening, re-targeting, write-back, focus between the
// grid, its editor and a sibling, the delayed open by a click, and the keys of a grid user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing_fixture.h"
#include "framework/application.h"
#include "framework/win/handles.h"
#include "treelist/column.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;

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

// Dispatches messages for `ms` milliseconds or until `done` holds.
template <class Done>
void PumpFor(DWORD ms, Done done) {
  const DWORD end = GetTickCount() + ms;
  MSG msg;
  while (static_cast<int>(end - GetTickCount()) > 0 && !done()) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(5);
  }
}

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
  f.grid.Seams().double_click_time = [] { return 30u; };
  const RECT cell = f.grid.GetCellRect(f.n[0], 1);
  const LPARAM at = MAKELPARAM(cell.left + 5, cell.top + 3);
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(f.grid.State(), treelist::tsNone) << "not at once";
  PumpFor(3000, [&] { return f.grid.State() == treelist::tsEditing; });
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  f.Key(VK_ESCAPE);
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, at);
  SendMessageW(f.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, at);
  PumpFor(150, [] { return false; });
  EXPECT_EQ(f.grid.State(), treelist::tsNone) << "a double click opens nothing";
  const RECT other = f.grid.GetCellRect(f.n[1], 1);
  f.grid.Seams().double_click_time = [] { return 1u; };
  f.Key(VK_DOWN);  // a click on a cell that is not focused only focuses it
  const LPARAM above = MAKELPARAM(other.left + 5, other.top - 10);
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, above);
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, above);
  PumpFor(60, [] { return false; });
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

}  // namespace
