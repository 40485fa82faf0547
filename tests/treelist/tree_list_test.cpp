// The grid window driven by real messages: focus and selection surviving deletions, scrolling,
// keys and clicks, option predicates, updates, and an exception inside a message handler.
#include "treelist/tree_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "framework/application.h"
#include "framework/win/handles.h"
#include "grid_fixture.h"
#include "treelist/grid_helpers.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::GridForm;

namespace {

// Nodes "A".."F" at the top level.
std::vector<TdxTreeListNode*> AddLetters(treelist_test::TestTreeList& grid, int count = 6) {
  std::vector<TdxTreeListNode*> nodes;
  for (int i = 0; i < count; ++i) {
    nodes.push_back(AddNamed(grid, nullptr, std::wstring(1, static_cast<wchar_t>(L'A' + i))));
  }
  return nodes;
}

// A point on the label of visible row `row` (rows of equal height).
POINT RowPoint(treelist_test::TestTreeList& grid, int row) {
  const treelist::Layout layout = grid.GetLayout();
  return {layout.data.left + 60, layout.rows.top + row * grid.DefaultRowHeight() + 3};
}

std::wstring Names(treelist_test::TestTreeList& grid, const std::vector<TdxTreeListNode*>& nodes) {
  std::wstring text;
  for (const TdxTreeListNode* n : nodes) text += grid.Name(n);
  return text;
}

TEST(TreeListDeletion, ShiftRangeAfterDeletingTheAnchorStartsFromALiveNode) {
  GridForm f;
  f.grid.SetOptions(f.grid.Options() | treelist::aoMultiSelect);
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid);
  const POINT c = RowPoint(f.grid, 2);
  f.Click(c.x, c.y);
  ASSERT_EQ(f.grid.SelectionAnchor(), n[2]);
  delete n[2];
  EXPECT_EQ(f.grid.SelectionAnchor(), n[1]) << "moved to the prior sibling";
  EXPECT_EQ(f.grid.GetFocusedNode(), n[1]);
  const POINT e = RowPoint(f.grid, 3);  // "E" is row 3 now
  f.Click(e.x, e.y, MK_SHIFT);
  EXPECT_EQ(Names(f.grid, f.grid.SelectedNodes()), L"BDE");
  EXPECT_EQ(f.grid.GetFocusedNode(), n[4]);
}

TEST(TreeListDeletion, PointersIntoADeletedSubtreeLeaveIt) {
  GridForm f;
  f.grid.SetOptions(f.grid.Options() | treelist::aoMultiSelect);
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 3);
  TdxTreeListNode* child = AddNamed(f.grid, n[1], L"b1");
  n[1]->Expand(false);
  const POINT b1 = RowPoint(f.grid, 2);
  f.Click(b1.x, b1.y);
  ASSERT_EQ(f.grid.GetFocusedNode(), child);
  f.grid.SetHotNode(child);
  f.grid.SetDropTarget(child);
  f.grid.SetDragNode(child);
  f.grid.SetDragOverNode(child);
  f.grid.SetPressedNode(child);
  delete n[1];
  EXPECT_EQ(f.grid.GetFocusedNode(), n[0]);
  EXPECT_EQ(f.grid.SelectionAnchor(), n[0]);
  EXPECT_EQ(f.grid.HotNode(), nullptr);
  EXPECT_EQ(f.grid.DropTarget(), nullptr);
  EXPECT_EQ(f.grid.DragNode(), nullptr);
  EXPECT_EQ(f.grid.DragOverNode(), nullptr);
  EXPECT_EQ(f.grid.PressedNode(), nullptr);
  EXPECT_TRUE(f.grid.SelectedNodes().empty()) << "the selected child went with its parent";
}

TEST(TreeListDeletion, TheFocusGoesToThePriorSiblingElseTheNextElseNowhereAlsoAfterAClear) {
  GridForm f;
  AddLetters(f.grid);
  f.grid.ClearNodes();  // a deletion after a clear is handled in full
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 4);
  f.grid.SetFocusedNode(n[0]);
  delete n[0];
  EXPECT_EQ(f.grid.GetFocusedNode(), n[1]) << "no prior sibling: the next";
  f.grid.SetFocusedNode(n[2]);
  delete n[2];
  EXPECT_EQ(f.grid.GetFocusedNode(), n[1]);
  EXPECT_EQ(f.grid.GetAbsoluteIndex(n[3]), 1);
  delete n[3];
  EXPECT_EQ(f.grid.TopNode(), n[1]);
  delete n[1];
  EXPECT_EQ(f.grid.GetFocusedNode(), nullptr);
  EXPECT_EQ(f.grid.TopNode(), nullptr);
  EXPECT_EQ(f.grid.GetVisibleRowCount(), 0);
}

TEST(TreeListScrolling, ScrollingColumnsRepaintsTheBandAndHeaderPanelsToo) {
  GridForm f(200, 150);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowBands(true);
  AddLetters(f.grid);
  UpdateWindow(f.hwnd());
  const treelist::Layout before = f.grid.GetLayout();
  ASSERT_GT(before.MaxLeftCoord(), 40) << "the columns must be wider than the grid";
  f.grid.SetLeftCoord(40);
  EXPECT_EQ(f.grid.LeftCoord(), 40);
  win::UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetUpdateRgn(f.hwnd(), region.get(), FALSE), ERROR);
  const treelist::Layout after = f.grid.GetLayout();
  const int x = after.scroll.right - 5;  // in the strip the scroll uncovers
  EXPECT_TRUE(PtInRegion(region.get(), x, after.band_panel.top + 3)) << "band panel";
  EXPECT_TRUE(PtInRegion(region.get(), x, after.header_panel.top + 3)) << "header panel";
  EXPECT_TRUE(PtInRegion(region.get(), x, after.rows.top + 3)) << "rows";
  EXPECT_FALSE(PtInRegion(region.get(), after.scroll.left + 5, after.rows.top + 3))
      << "kept pixels are moved, not repainted";
}

TEST(TreeListScrolling, CollapsingAParentOfTheTopRowMakesTheParentTheTopRow) {
  GridForm f(200, 150);
  TdxTreeListNode* parent = AddNamed(f.grid, nullptr, L"P");
  for (int i = 0; i < 30; ++i) AddNamed(f.grid, parent, L"c" + std::to_wstring(i));
  AddNamed(f.grid, nullptr, L"Q");
  parent->Expand(false);
  f.grid.SetTopIndex(10);
  ASSERT_EQ(f.grid.TopNode()->Parent(), parent);
  parent->Collapse(false);
  EXPECT_EQ(f.grid.TopNode(), parent) << "no top row hidden under a collapsed parent";
  EXPECT_EQ(f.grid.TopIndex(), 0);
}

TEST(TreeListMouse, AClickOnTheButtonTogglesAndTheHitTestNamesEveryPart) {
  GridForm f;
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowBands(true);
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 2);
  AddNamed(f.grid, n[0], L"a1");
  const treelist::Layout l = f.grid.GetLayout();
  const LONG row = l.rows.top + 3, header = l.header_panel.top + 3;
  f.Click(l.data.left + 8, row);
  EXPECT_EQ(f.grid.GetVisibleRowCount(), 3) << "the button expanded the first row";
  struct Hit {
    POINT point;
    treelist::THitKind kind;
    int column, band;
    TdxTreeListNode* node;
  };
  const Hit hits[] = {
      {{l.data.left + 8, row}, treelist::htButton, 0, 0, n[0]},
      {{l.data.left + 60, row}, treelist::htLabel, 0, 0, n[0]},
      {{l.column_left[1] + 10, header}, treelist::htColumn, 1, 1, nullptr},
      {{l.column_left[1] - 1, header}, treelist::htColumnEdge, 0, 0, nullptr},
      {{l.bands[1].left + 20, l.band_panel.top + 3}, treelist::htBand, -1, 1, nullptr},
      {{l.data.left + 60, l.rows.bottom - 2}, treelist::htNowhere, -1, -1, nullptr}};
  for (const Hit& h : hits) {
    const treelist::THitInfo hit = f.grid.HitTest(h.point);
    EXPECT_EQ(std::make_tuple(hit.kind, hit.column, hit.band, hit.node),
              std::make_tuple(h.kind, h.column, h.band, h.node))
        << h.point.x << "," << h.point.y;
  }
}

TEST(TreeListUpdates, NothingIsLaidOutUntilTheLastEndUpdate) {
  GridForm f;
  f.grid.BeginUpdate();
  f.grid.BeginUpdate();
  f.grid.SetShowIndicator(true);
  AddLetters(f.grid);
  EXPECT_EQ(f.grid.GetMetrics().indicator_width, 0);
  f.grid.EndUpdate();
  EXPECT_EQ(f.grid.GetMetrics().indicator_width, 0) << "still locked once";
  f.grid.EndUpdate();
  EXPECT_EQ(f.grid.GetMetrics().indicator_width, 12);
  EXPECT_EQ(f.grid.GetVisibleRowCount(), 6);
  f.grid.ClearNodes();
  EXPECT_EQ(f.grid.Count(), 0);
  EXPECT_EQ(f.grid.GetFocusedNode(), nullptr);
  EXPECT_EQ(f.grid.GetVisibleRowCount(), 0);
}

SHORT ControlHeld(int key) { return key == VK_CONTROL ? SHORT(0x8000) : SHORT(0); }
SHORT NothingHeld(int) { return 0; }

TEST(TreeListOptions, CompoundPredicatesCombineTheirOptions) {
  treelist_test::TestTreeList grid(nullptr);
  EXPECT_EQ(grid.Options(), treelist::kDefaultOptions);
  EXPECT_EQ(grid.OptionsEx(), treelist::kDefaultOptionsEx);

  grid.SetOptionsEx(grid.OptionsEx() | treelist::aoMouseScroll);
  EXPECT_TRUE(grid.IsMouseScrollSelect()) << "editing with row select";
  grid.SetOptions(grid.Options() & ~treelist::aoRowSelect);
  EXPECT_FALSE(grid.IsMouseScrollSelect()) << "editing cells";
  grid.SetOptions(grid.Options() & ~treelist::aoEditing);
  EXPECT_TRUE(grid.IsMouseScrollSelect());

  grid.SetOptionsEx(grid.OptionsEx() | treelist::aoEnterThrough);
  EXPECT_FALSE(grid.IsEnterThrough()) << "needs Enter to show the editor";
  grid.SetOptionsEx(grid.OptionsEx() | treelist::aoEnterShowEditor);
  EXPECT_TRUE(grid.IsEnterThrough());

  EXPECT_TRUE(grid.IsBandWidthFree()) << "band header width without bands shown";
  grid.SetShowBands(true);
  EXPECT_FALSE(grid.IsBandWidthFree());

  grid.SetOptions(grid.Options() | treelist::aoTabs);
  grid.Seams().key_state = NothingHeld;
  EXPECT_TRUE(grid.IsTabs());
  grid.Seams().key_state = ControlHeld;
  EXPECT_FALSE(grid.IsTabs()) << "Ctrl+Tab leaves the grid";

  EXPECT_FALSE(grid.IsImmediateEditor(0));
  grid.OnGetImmediateEditor = [](framework::TComponent*, int column, bool& answer) {
    answer = column == 1;
  };
  EXPECT_TRUE(grid.IsImmediateEditor(1));
  EXPECT_FALSE(grid.IsImmediateEditor(0));
  EXPECT_FALSE(grid.IsImmediateEditor(-1)) << "no column: the option alone";
}

TEST(TreeListEvents, AThrowingHandlerInsideAMessageIsReportedOnceAndTheGridGoesOn) {
  GridForm f;
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 2);
  AddNamed(f.grid, n[0], L"a1");
  f.grid.SetFocusedNode(n[0]);
  std::vector<std::string> reports;
  framework::Application::Instance().OnException = [&](const std::string& message) {
    reports.push_back(message);
  };
  f.grid.OnExpanding = [](framework::TComponent*, TdxTreeListNode*, bool&) {
    throw framework::Exception("expanding refused");
  };
  f.Key(VK_RIGHT);
  framework::Application::Instance().OnException = nullptr;
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("expanding refused"), std::string::npos) << reports[0];
  EXPECT_FALSE(n[0]->Expanded());
  f.Key(VK_DOWN);
  EXPECT_EQ(f.grid.GetFocusedNode(), n[1]) << "the grid still answers";
  bool raised = false;
  f.grid.OnExpanding = [&](framework::TComponent*, TdxTreeListNode*, bool&) { raised = true; };
  f.grid.OnCollapsing = nullptr;
  n[0]->Expand(false);
  EXPECT_TRUE(raised);
}

}  // namespace

namespace {

TEST(GridHelpers, RegistryPathsLeadWithABackslashAndEndWithout) {
  std::vector<std::string> normalized;
  for (const char* path : {"", "Software\\Tralvek", "\\Software\\Tralvek\\\\", "\\"})
    normalized.push_back(treelist::NormalizeRegistryPath(path));
  EXPECT_EQ(normalized,
            (std::vector<std::string>{"", "\\Software\\Tralvek", "\\Software\\Tralvek", ""}));
}

TEST(GridHelpers, TextLinesCountTheWrappedLinesUpToTheMaximum) {
  framework::TFont font;
  const HFONT handle = font.Handle();
  const std::wstring word = L"clearance";
  std::wstring text;
  for (int i = 0; i < 6; ++i) text += (i ? L" " : L"") + word;
  EXPECT_EQ(treelist::CountTextLines(L"", 100, 0, handle, 0), 0);
  EXPECT_EQ(treelist::CountTextLines(word, 1000, 0, handle, 0), 1);
  const int lines = treelist::CountTextLines(text, 80, 0, handle, 0);
  EXPECT_GE(lines, 3) << "one or two words a line";
  EXPECT_EQ(treelist::CountTextLines(text, 80, 0, handle, 2), 2);
}

TEST(TreeListSearch, StartFocusesTheFirstMatchAndEndStops) {
  GridForm f;
  f.grid.SetModel(treelist_test::TwoBandModel());
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 2);
  TdxTreeListNode* vcc = AddNamed(f.grid, n[1], L"VCC_3V3");
  n[1]->Expand(false);
  f.grid.StartSearch(0, L"vcc");
  EXPECT_TRUE(f.grid.Searching());
  EXPECT_EQ(f.grid.SearchText(), L"vcc");
  EXPECT_EQ(f.grid.GetFocusedNode(), vcc) << "case ignored";
  f.grid.EndSearch();
  EXPECT_FALSE(f.grid.Searching());
}

TEST(TreeListHeader, ButtonStatesAre0Or1Or3Or7) {
  treelist_test::TestTreeList grid(nullptr);
  EXPECT_EQ(grid.GetHeaderButtonState(0), 0);
  grid.SetShowHeaderButtons(true);
  EXPECT_EQ(grid.GetHeaderButtonState(0), 1);
  grid.SetHotButtonColumn(0);
  EXPECT_EQ(grid.GetHeaderButtonState(0), 3);
  grid.SetPressedButtonColumn(0, false);
  EXPECT_EQ(grid.GetHeaderButtonState(0), 3) << "pressed but not shown so";
  grid.SetPressedButtonColumn(0, true);
  EXPECT_EQ(grid.GetHeaderButtonState(0), 7);
  EXPECT_EQ(grid.GetHeaderButtonState(1), 1);
}

}  // namespace
