// The grid window driven by real messages under the null driver, the cursor behind the grid's
// seam: focus and selection surviving deletions, scrolling, keys and clicks, option predicates,
// updates, an exception inside a message handler; the common end of every state, sizing, band
// and header drags with their drops and edge scrolling, a node drag over the grid, and panning's
// loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/screen.h"
#include "framework/win/handles.h"
#include "../grid_fixture.h"
#include "treelist/columns/column.h"
#include "treelist/core/grid_helpers.h"
#include "treelist/input/interaction_state.h"
#include "treelist/columns/tree_list_control.h"

namespace {

using namespace treelist;
using treelist_test::AddNamed;
using treelist_test::GridForm;

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

TEST(TreeListDeletion, FocusAnchorAndEveryNodePointerMoveToALiveNodeAlsoAfterAClear) {
  GridForm f;
  f.grid.SetOptions(f.grid.Options() | treelist::aoMultiSelect);
  std::vector<TdxTreeListNode*> n = AddLetters(f.grid);
  const POINT c = RowPoint(f.grid, 2);
  f.Click(c.x, c.y);
  ASSERT_EQ(f.grid.SelectionAnchor(), n[2]);
  EXPECT_EQ(Names(f.grid, f.grid.SelectedNodes()), L"C") << "a plain click selects its row";
  delete n[2];
  EXPECT_EQ(f.grid.SelectionAnchor(), n[1]) << "moved to the prior sibling";
  EXPECT_EQ(f.grid.GetFocusedNode(), n[1]);
  const POINT e = RowPoint(f.grid, 3);  // "E" is row 3 now
  f.Click(e.x, e.y, MK_SHIFT);
  EXPECT_EQ(Names(f.grid, f.grid.SelectedNodes()), L"BDE") << "the range starts from a live node";
  EXPECT_EQ(f.grid.GetFocusedNode(), n[4]);

  // Pointers into a deleted subtree leave it.
  TdxTreeListNode* child = AddNamed(f.grid, n[3], L"d1");
  n[3]->Expand(false);
  const POINT d1 = RowPoint(f.grid, 3);
  f.Click(d1.x, d1.y);
  ASSERT_EQ(f.grid.GetFocusedNode(), child);
  f.grid.SetHotNode(child);
  f.grid.SetDropTarget(child);
  f.grid.SetDragNode(child);
  f.grid.SetDragOverNode(child);
  f.grid.SetPressedNode(child);
  delete n[3];
  EXPECT_EQ(std::make_pair(f.grid.GetFocusedNode(), f.grid.SelectionAnchor()),
            std::make_pair(n[1], n[1]));
  EXPECT_EQ((std::vector<TdxTreeListNode*>{f.grid.HotNode(), f.grid.DropTarget(), f.grid.DragNode(),
                                           f.grid.DragOverNode(), f.grid.PressedNode()}),
            std::vector<TdxTreeListNode*>(5, nullptr));
  EXPECT_TRUE(f.grid.SelectedNodes().empty()) << "the selected child went with its parent";

  // The prior sibling, else the next, else nowhere; a deletion after a clear is handled in full.
  f.grid.ClearNodes();
  n = AddLetters(f.grid, 4);
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
  EXPECT_EQ(std::make_tuple(f.grid.GetFocusedNode(), f.grid.TopNode(), f.grid.GetVisibleRowCount()),
            std::make_tuple(nullptr, nullptr, 0));
}

TEST(TreeListScrolling, CollapsingTheTopRowsParentTopsItAndColumnScrollsRepaintEveryPanel) {
  GridForm f(200, 150);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowBands(true);
  TdxTreeListNode* parent = AddNamed(f.grid, nullptr, L"P");
  for (int i = 0; i < 30; ++i) AddNamed(f.grid, parent, L"c" + std::to_wstring(i));
  AddNamed(f.grid, nullptr, L"Q");
  parent->Expand(false);
  f.grid.SetTopIndex(10);
  ASSERT_EQ(f.grid.TopNode()->Parent(), parent);
  parent->Collapse(false);
  EXPECT_EQ(f.grid.TopNode(), parent) << "no top row hidden under a collapsed parent";
  EXPECT_EQ(f.grid.TopIndex(), 0);

  UpdateWindow(f.hwnd());
  ASSERT_GT(f.grid.GetLayout().MaxLeftCoord(), 40) << "the columns must be wider than the grid";
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

TEST(GridHelpers, RegistryPathsLeadWithABackslashAndTextLinesCountUpToTheMaximum) {
  std::vector<std::string> normalized;
  for (const char* path : {"", "Software\\Tralvek", "\\Software\\Tralvek\\\\", "\\"})
    normalized.push_back(treelist::NormalizeRegistryPath(path));
  EXPECT_EQ(normalized,
            (std::vector<std::string>{"", "\\Software\\Tralvek", "\\Software\\Tralvek", ""}));
  framework::TFont font;
  const HFONT handle = font.Handle();
  std::wstring text = L"clearance";
  for (int i = 0; i < 5; ++i) text += L" clearance";
  EXPECT_EQ(treelist::CountTextLines(L"", 100, 0, handle, 0), 0);
  EXPECT_EQ(treelist::CountTextLines(L"clearance", 1000, 0, handle, 0), 1);
  EXPECT_GE(treelist::CountTextLines(text, 80, 0, handle, 0), 3) << "one or two words a line";
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

// The cursor by state, place and options: a drag keeps its own anywhere; otherwise scroll bars
// and border are the window's; a sizing keeps its split cursor over anything; idle or editing,
// an edge shows the split cursor the options let it size with.
TEST(TreeListCursor, TheCursorFollowsStateHitAndOptions) {
  using framework::crDefault, framework::crHSplit, framework::crVSplit;
  constexpr uint32_t kAll = aoBandSizing | aoBandPanelSizing | aoHeaderPanelSizing | aoRowSizing;
  struct Case {
    TdxTreeListState state;
    bool client;
    THitKind hit;
    bool column_sizeable;
    uint32_t options_ex;
    framework::TCursor cursor;
    const char* why;
  };
  const Case cases[] = {
      {tsNone, true, htColumnEdge, true, 0, crHSplit, "a column edge that sizes"},
      {tsNone, true, htColumnEdge, false, kAll, crDefault, "a column that may not be sized"},
      {tsNone, true, htBandEdge, false, aoBandSizing, crHSplit, "a band edge"},
      {tsNone, true, htBandEdge, true, kAll & ~aoBandSizing, crDefault, "no band sizing"},
      {tsNone, true, htBandPanelEdge, false, aoBandPanelSizing, crVSplit, "the band panel"},
      {tsNone, true, htBandPanelEdge, false, kAll & ~aoBandPanelSizing, crDefault, "not sized"},
      {tsNone, true, htHeaderPanelEdge, false, aoHeaderPanelSizing, crVSplit, "header panel"},
      {tsNone, true, htHeaderPanelEdge, false, kAll & ~aoHeaderPanelSizing, crDefault, "off"},
      {tsNone, true, htRowEdge, false, aoRowSizing, crVSplit, "a row's edge"},
      {tsNone, true, htRowEdge, true, kAll & ~aoRowSizing, crDefault, "no row sizing"},
      {tsNone, true, htLabel, true, kAll, crDefault, "a cell: the control's cursor"},
      {tsNone, true, htColumn, true, kAll, crDefault, "a header"},
      {tsEditing, true, htColumnEdge, true, 0, crHSplit, "editing keeps the edges"},
      {tsEditing, true, htRowEdge, false, aoRowSizing, crVSplit, "editing keeps the edges"},
      {tsNone, false, htColumnEdge, true, kAll, crDefault, "the border is the window's"},
      {tsEditing, false, htRowEdge, true, kAll, crDefault, "a scroll bar is the window's"},
      {tsColumnSizing, true, htLabel, false, 0, crHSplit, "sizing keeps its cursor"},
      {tsBandSizing, true, htNowhere, false, 0, crHSplit, "sizing keeps its cursor"},
      {tsRowSizing, true, htColumnEdge, true, kAll, crVSplit, "sizing keeps its cursor"},
      {tsBandPanelSizing, true, htLabel, false, 0, crVSplit, "sizing keeps its cursor"},
      {tsHeaderPanelSizing, true, htLabel, false, 0, crVSplit, "sizing keeps its cursor"},
      {tsRowSizing, false, htLabel, false, 0, crDefault, "outside the client area"},
      {tsColumnDragging, false, htNowhere, false, 0, crTreeListDelete, "a drag's own, anywhere"},
      {tsBandDragging, true, htColumnEdge, true, kAll, crTreeListDelete, "a drag's own"},
      {tsColumnDown, true, htColumnEdge, true, kAll, crDefault, "a held header"},
      {tsNodeDown, true, htRowEdge, true, kAll, crDefault, "a held row"},
      {tsNodeDragging, true, htRowEdge, true, kAll, crDefault, "drag and drop sets its own"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    CursorQuery query;
    query.state = c.state;
    query.client_area = c.client;
    query.hit = c.hit;
    query.column_sizeable = c.column_sizeable;
    query.options_ex = c.options_ex;
    query.drag_cursor = crTreeListDelete;
    EXPECT_EQ(CursorFor(query), c.cursor) << int{c.state} << " " << int{c.hit};
  }
}

// The interaction's table: a press starts from idle only, each into a state of its own; every
// state the mouse holds ends in idle on the release and on a cancel (with the action that puts
// back what the press showed), idle and editing have neither; only a pressed header, band or
// row starts a drag; no pair of state and event has two transitions.
TEST(TreeListInteraction, TheTableEndsEveryHeldStateAndStartsPressesFromIdleOnly) {
  using E = InteractionEvent;
  using A = InteractionAction;
  std::set<std::pair<int, int>> pairs;
  std::set<int> pressed_into;
  for (const InteractionTransition& t : InteractionTable()) {
    SCOPED_TRACE(testing::Message() << int{t.from} << " event " << int(t.event));
    EXPECT_TRUE(pairs.insert({t.from, int(t.event)}).second) << "a second transition";
    if (t.event <= E::PressRow) {
      EXPECT_EQ(t.from, tsNone);
      EXPECT_TRUE(pressed_into.insert(t.to).second) << "two presses into one state";
      EXPECT_EQ(t.action == A::BeginSizing, IsSizingState(t.to));
    }
  }
  const std::map<TdxTreeListState, std::pair<A, A>> ends = {
      {tsColumnSizing, {A::ApplySizing, A::DiscardSizing}},
      {tsBandSizing, {A::ApplySizing, A::DiscardSizing}},
      {tsBandPanelSizing, {A::ApplySizing, A::DiscardSizing}},
      {tsHeaderPanelSizing, {A::ApplySizing, A::DiscardSizing}},
      {tsRowSizing, {A::ApplySizing, A::DiscardSizing}},
      {tsColumnDragging, {A::DropItem, A::CancelItemDrag}},
      {tsBandDragging, {A::DropItem, A::CancelItemDrag}},
      {tsNodeDragging, {A::DropNode, A::CancelNodeDrag}},
      {tsColumnDown, {A::ClickHeader, A::ReleaseHeader}},
      {tsColumnButtonDown, {A::ClickHeader, A::ReleaseHeader}},
      {tsHeaderButtonDown, {A::ClickCorner, A::ReleaseHeader}},
      {tsBandDown, {A::ClickBand, A::ReleaseBand}},
      {tsBandButtonDown, {A::ClickCorner, A::ReleaseBand}},
      {tsIndicatorButtonDown, {A::ClickCorner, A::ReleaseCorner}},
      {tsNodeDown, {A::None, A::ReleaseRow}},
  };
  for (int state = tsNone; state <= tsIndicatorButtonDown; ++state) {
    const auto s = static_cast<TdxTreeListState>(state);
    SCOPED_TRACE(state);
    const InteractionTransition* release = FindTransition(s, E::Release);
    const InteractionTransition* cancel = FindTransition(s, E::Cancel);
    const auto end = ends.find(s);
    if (end == ends.end()) {
      EXPECT_TRUE(s == tsNone || s == tsEditing);
      EXPECT_EQ(release, nullptr);
      EXPECT_EQ(cancel, nullptr);
      continue;
    }
    ASSERT_NE(release, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(release->to, tsNone);
    EXPECT_EQ(cancel->to, tsNone);
    EXPECT_EQ(release->action, end->second.first);
    EXPECT_EQ(cancel->action, end->second.second);
    const InteractionTransition* away = FindTransition(s, E::MoveAway);
    const TdxTreeListState dragged = s == tsColumnDown ? tsColumnDragging
                                     : s == tsBandDown ? tsBandDragging
                                     : s == tsNodeDown ? tsNodeDragging
                                                       : tsNone;
    EXPECT_EQ(away ? away->to : tsNone, dragged);
  }
  EXPECT_EQ(FindTransition(tsNone, E::OpenEditor)->to, tsEditing);
  EXPECT_EQ(FindTransition(tsEditing, E::CloseEditor)->to, tsNone);
  EXPECT_EQ(FindTransition(tsEditing, E::PressRow), nullptr) << "a press ends the editing first";
}

// What a person expects of a multi-select list: Ctrl+click takes a row in or out and keeps the
// rest, Shift+click selects from the anchor, Ctrl+Shift+click adds that range.
TEST(TreeListSelection, CtrlClickAddsOrRemovesARowAndCtrlShiftAddsARange) {
  GridForm f;
  const std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 8);
  const auto click = [&](int row, WPARAM keys = 0) {
    const POINT p = RowPoint(f.grid, row);
    f.Click(p.x, p.y, keys);
    return f.grid.Name(f.grid.GetFocusedNode());
  };
  const auto selected = [&] {
    std::wstring names;
    for (TdxTreeListNode* node : n) names += node->Selected() ? f.grid.Name(node) : L"";
    return names;
  };
  EXPECT_EQ(click(1, MK_CONTROL), L"B");
  EXPECT_EQ(selected(), L"") << "without aoMultiSelect Ctrl+click only focuses";
  f.grid.SetOptions(f.grid.Options() | aoMultiSelect);
  click(1);
  EXPECT_EQ(click(3, MK_CONTROL), L"D");
  EXPECT_EQ(selected(), L"BD");
  EXPECT_EQ(click(1, MK_CONTROL), L"B") << "the focus goes to the row taken out";
  EXPECT_EQ(selected(), L"D");
  click(5, MK_CONTROL);
  EXPECT_EQ(click(7, MK_CONTROL | MK_SHIFT), L"H");
  EXPECT_EQ(selected(), L"DFGH") << "from the anchor F, added";
  click(4, MK_SHIFT);
  EXPECT_EQ(selected(), L"EF") << "Shift alone replaces the selection";
  click(2, MK_SHIFT | MK_CONTROL);
  EXPECT_EQ(selected(), L"CDEF");
  click(0);
  EXPECT_EQ(selected(), L"A") << "a plain click selects its row alone";
  EXPECT_EQ(f.grid.SelectedCount(), 1);
}

// Typing with aoAutoSearch and no editor to open goes to the first row that starts so; a letter
// nothing goes on with is dropped, Backspace steps back, Escape ends the search.
TEST(TreeListSearch, TypedLettersFocusTheFirstMatchWhenNoEditorCanOpen) {
  GridForm f;
  f.grid.SetModel(treelist_test::TwoBandModel());
  for (const wchar_t* name : {L"apple", L"Zoo", L"zebra", L"zeta"}) AddNamed(f.grid, nullptr, name);
  const auto type = [&](wchar_t c) {
    SendMessageW(f.hwnd(), WM_CHAR, c, 0);
    return f.grid.Name(f.grid.GetFocusedNode());
  };
  f.grid.SetFocusedNode(f.grid.Items(0));
  EXPECT_EQ(type(L'z'), L"apple") << "nothing without aoAutoSearch";
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoAutoSearch);
  EXPECT_EQ(type(L'z'), L"Zoo") << "aoEditing with aoRowSelect opens no editor: typing searches";
  type(VK_ESCAPE);
  f.grid.SetOptions(f.grid.Options() & ~(aoEditing | aoRowSelect));
  f.grid.SetFocusedNode(f.grid.Items(0));
  EXPECT_EQ(type(L'z'), L"Zoo");
  EXPECT_EQ(type(L'e'), L"zebra");
  EXPECT_EQ(f.grid.SearchText(), L"ze");
  EXPECT_EQ(type(L'x'), L"zebra");
  EXPECT_EQ(f.grid.SearchText(), L"ze") << "no row goes on with x";
  EXPECT_EQ(type(L't'), L"zeta");
  EXPECT_EQ(type(L'\b'), L"zebra");
  EXPECT_EQ(f.grid.SearchText(), L"ze");
  type(VK_ESCAPE);
  EXPECT_FALSE(f.grid.Searching());
  EXPECT_EQ(type(L'a'), L"apple") << "a new search from the top";
  EXPECT_EQ(f.grid.State(), tsNone);
}

// The new-item row above the rows takes the focus by a click on it, in the clicked column, and
// by Up from the first row; Down and a click on a row leave it.
TEST(TreeListNewItemRow, AClickOnItAndUpFromTheFirstRowFocusIt) {
  GridForm f;
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetOptions(f.grid.Options() & ~aoRowSelect);
  const std::vector<TdxTreeListNode*> n = AddLetters(f.grid, 3);
  f.grid.SetFocusedNode(n[1]);
  f.Key(VK_UP);
  EXPECT_EQ(f.grid.GetFocusedNode(), n[0]);
  EXPECT_FALSE(f.grid.NewItemRowFocused()) << "not shown";
  f.Key(VK_UP);
  EXPECT_FALSE(f.grid.NewItemRowFocused());
  f.grid.SetShowNewItemRow(true);
  f.Key(VK_UP);
  EXPECT_TRUE(f.grid.NewItemRowFocused());
  f.Key(VK_UP);
  EXPECT_TRUE(f.grid.NewItemRowFocused()) << "nothing above it";
  f.Key(VK_DOWN);
  EXPECT_FALSE(f.grid.NewItemRowFocused());
  EXPECT_EQ(f.grid.GetFocusedNode(), n[0]);

  const treelist::Layout layout = f.grid.GetLayout();
  const treelist::LayoutHeaderCell* clearance = layout.HeaderOf(2);
  ASSERT_NE(clearance, nullptr);
  f.grid.SetFocusedNode(n[2]);
  f.Click(clearance->left + 5, layout.new_item_row.top + 3);
  EXPECT_TRUE(f.grid.NewItemRowFocused());
  EXPECT_EQ(f.grid.FocusedColumn(), 2);
  const treelist::LayoutHeaderCell* second = layout.HeaderOf(1);
  for (const int x : {second->left, second->right - 1}) {  // the column's first and last pixel
    f.Click(x, layout.new_item_row.top + 3);
    EXPECT_EQ(f.grid.FocusedColumn(), 1) << "a click at x " << x;
  }
  f.Key(VK_DOWN);
  EXPECT_EQ(f.grid.GetFocusedNode(), n[0]) << "Down goes to the first row";
  f.Click(clearance->left + 5, layout.new_item_row.top + 3);
  const POINT row = RowPoint(f.grid, 1);
  f.Click(row.x, row.y);
  EXPECT_FALSE(f.grid.NewItemRowFocused());
  EXPECT_EQ(f.grid.GetFocusedNode(), n[1]);
}

POINT g_cursor{};  // the screen point the grid reads as the cursor's

POINT ToScreen(HWND hwnd, POINT p) {
  ClientToScreen(hwnd, &p);
  return p;
}

void Send(TCustomdxTreeList& grid, UINT msg, POINT client, WPARAM keys) {
  g_cursor = ToScreen(grid.Handle(), client);
  SendMessageW(grid.Handle(), msg, keys, MAKELPARAM(client.x, client.y));
}
void Down(TCustomdxTreeList& g, POINT p) { Send(g, WM_LBUTTONDOWN, p, MK_LBUTTON); }
void Move(TCustomdxTreeList& g, POINT p) { Send(g, WM_MOUSEMOVE, p, MK_LBUTTON); }
void Up(TCustomdxTreeList& g, POINT p) { Send(g, WM_LBUTTONUP, p, 0); }
void DragTo(TCustomdxTreeList& g, POINT from, POINT to) {
  Down(g, from);
  Move(g, {from.x + 8, from.y});
  Move(g, to);
  Up(g, to);
}

POINT Mid(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
RECT HeaderRect(TCustomdxTreeList& g, int column) {
  return treelist_test::HeaderCellOf(g, column).rect;
}
RECT BandRect(TCustomdxTreeList& g, int band) {
  const Layout l = g.GetLayout();
  return {l.bands[band].left, l.band_panel.top, l.bands[band].right, l.band_panel.bottom};
}

// A grid with two bands shown, a few rows and the cursor seam.
struct Grid : GridForm {
  Grid() {
    grid.Seams().cursor_pos = [] { return g_cursor; };
    grid.SetModel(treelist_test::TwoBandModel());
    grid.SetShowBands(true);
    grid.SetShowIndicator(true);
    grid.SetOptionsEx(grid.OptionsEx() | aoBandPanelSizing | aoRowSizing);
    for (int i = 0; i < 30; ++i) AddNamed(grid, nullptr, L"NET" + std::to_wstring(i));
  }
};

// Header buttons: none (0) until shown (1), hot (3), and pressed (7) from a press on the
// button part of a hot header until the release; a press elsewhere on the header presses none.
TEST(TreeListHeader, AHeadersButtonShowsPressedFromThePressOnItUntilTheRelease) {
  Grid f;
  EXPECT_EQ(f.grid.GetHeaderButtonState(1), 0);
  f.grid.SetShowHeaderButtons(true);
  EXPECT_EQ(f.grid.GetHeaderButtonState(1), 1);
  f.grid.SetHotButtonColumn(1);
  const RECT header = HeaderRect(f.grid, 1);
  const POINT on_button{header.right - 10, Mid(header).y};
  Down(f.grid, on_button);
  EXPECT_EQ(f.grid.State(), tsColumnButtonDown);
  EXPECT_EQ(f.grid.GetHeaderButtonState(1), 7);
  EXPECT_EQ(f.grid.GetHeaderButtonState(2), 1);
  Up(f.grid, on_button);
  EXPECT_EQ(f.grid.GetHeaderButtonState(1), 3);
  Down(f.grid, Mid(header));
  EXPECT_EQ(f.grid.State(), tsColumnDown);
  EXPECT_EQ(f.grid.GetHeaderButtonState(1), 3);
  ValidateRect(f.hwnd(), nullptr);
  Up(f.grid, Mid(header));
  RECT update{}, common{};
  ASSERT_TRUE(GetUpdateRect(f.hwnd(), &update, FALSE)) << "nothing painted again";
  EXPECT_TRUE(IntersectRect(&common, &update, &header)) << "the released header shows pressed";
}

TEST(TreeListInteraction, EveryStateEndsInNoneWithItsOverlaysAndTheHintTimersGone) {
  using Shown = bool (TCustomdxTreeList::*)() const noexcept;
  const Shown line = &TCustomdxTreeList::SizingLineShown, arrows = &TCustomdxTreeList::ArrowsShown;
  Grid geometry;  // every grid below is laid out alike
  TCustomdxTreeList& g = geometry.grid;
  const RECT h0 = HeaderRect(g, 0), h1 = HeaderRect(g, 1), h2 = HeaderRect(g, 2);
  const RECT b0 = BandRect(g, 0), b1 = BandRect(g, 1), panel = g.GetLayout().band_panel;
  const struct {
    const char* what;
    POINT down, move;  // move {}: none
    TdxTreeListState state;
    Shown overlay;  // shown while it runs
  } starts[] = {
      {"column sizing", {h1.right, Mid(h1).y}, {}, tsColumnSizing, line},
      {"band sizing", {b0.right, Mid(b0).y}, {}, tsBandSizing, line},
      {"band-panel sizing", {panel.right - 2, b0.bottom - 1}, {}, tsBandPanelSizing, line},
      {"row sizing", {4, g.GetCellRect(g.Items(1), 0).bottom - 1}, {}, tsRowSizing, line},
      {"header onto a header", Mid(h2), {h0.left + 10, Mid(h0).y}, tsColumnDragging, arrows},
      {"band onto a band", Mid(b0), {b1.right - 10, Mid(b1).y}, tsBandDragging, arrows},
      {"column held", Mid(h0), {}, tsColumnDown, nullptr},
      {"band held", Mid(b1), {}, tsBandDown, nullptr},
      {"node held", Mid(g.GetCellRect(g.Items(2), 0)), {}, tsNodeDown, nullptr},
  };
  for (const auto& c : starts) {
    SCOPED_TRACE(c.what);
    Grid f;
    Down(f.grid, c.down);
    if (c.move.x) Move(f.grid, c.move);
    ASSERT_EQ(f.grid.State(), c.state);
    EXPECT_EQ(GetCapture(), f.hwnd()) << "moves outside the window belong to it";
    if (c.overlay) {
      EXPECT_TRUE((f.grid.*c.overlay)());
      // Balanced locks, nested, around a scroll: shown again exactly when the last one ends.
      f.grid.BeginOverlayLock();
      f.grid.BeginOverlayLock();
      EXPECT_FALSE((f.grid.*c.overlay)());
      f.grid.EndOverlayLock();
      EXPECT_FALSE((f.grid.*c.overlay)());
      f.grid.EndOverlayLock();
      f.grid.SetTopIndex(3);
      EXPECT_TRUE((f.grid.*c.overlay)());
    }
    SetTimer(f.hwnd(), TCustomdxTreeList::kHintShowTimer, 10000, nullptr);
    SetTimer(f.hwnd(), TCustomdxTreeList::kHintHideTimer, 10000, nullptr);
    // Ended each way in turn: cancel mode, Escape, another window taking the mouse. The Escape
    // that ends it goes no further (a dialog's handler would close the dialog).
    int keys_seen = 0;
    f.grid.OnKeyDown = [&](framework::TComponent*, WORD&, unsigned) { ++keys_seen; };
    HWND other = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    switch ((&c - starts) % 3) {
      case 0: SendMessageW(f.hwnd(), WM_CANCELMODE, 0, 0); break;
      case 1: SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0); break;
      case 2: SetCapture(other); break;
    }
    DestroyWindow(other);
    EXPECT_EQ(f.grid.State(), tsNone);
    EXPECT_EQ(keys_seen, 0);
    if (c.state == tsColumnDown) {
      EXPECT_FALSE(GetUpdateRect(f.hwnd(), nullptr, FALSE)) << "the headers repainted at once";
    }
    EXPECT_EQ((std::vector<int>{f.grid.PressedColumn(), f.grid.PressedBand(),
                                f.grid.DraggedColumn(), f.grid.DraggedBand()}),
              std::vector<int>(4, -1));
    EXPECT_FALSE(f.grid.SizingLineShown() || f.grid.ArrowsShown() || f.grid.DragImage().Dragging());
    EXPECT_NE(GetCapture(), f.hwnd());
    EXPECT_FALSE(KillTimer(f.hwnd(), TCustomdxTreeList::kHintShowTimer));
    EXPECT_FALSE(KillTimer(f.hwnd(), TCustomdxTreeList::kHintHideTimer));
  }
}

// The window's pixels along row `at` (to find a vertical line) or along column `at`.
std::vector<COLORREF> PixelsAcross(HWND hwnd, int at, bool vertical_line) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const win::WindowDC dc(hwnd);
  std::vector<COLORREF> line;
  const int length = vertical_line ? client.right : client.bottom;
  for (int i = 0; i < length; ++i) {
    line.push_back(vertical_line ? GetPixel(dc.get(), i, at) : GetPixel(dc.get(), at, i));
  }
  return line;
}

// A sizing line is one pixel wide for a column or a row, two for a band or the band panel. A
// band that goes while it is sized changes no width when the mouse lets go.
TEST(TreeListInteraction, SizingLinesAreOnePixelForAColumnOrARowTwoForABandOrThePanel) {
  Grid geometry;
  TCustomdxTreeList& g = geometry.grid;
  const RECT h1 = HeaderRect(g, 1), b0 = BandRect(g, 0), panel = g.GetLayout().band_panel;
  const int data_y = Mid(g.GetCellRect(g.Items(3), 0)).y;
  const struct {
    const char* what;
    POINT down;
    bool vertical_line;
    int width;
  } cases[] = {
      {"column", {h1.right, Mid(h1).y}, true, 1},
      {"band", {b0.right, Mid(b0).y}, true, 2},
      {"row", {4, g.GetCellRect(g.Items(1), 0).bottom - 1}, false, 1},
      {"band panel", {panel.right - 2, b0.bottom - 1}, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Grid f;
    UpdateWindow(f.hwnd());
    const int at = c.vertical_line ? data_y : 150;
    const std::vector<COLORREF> before = PixelsAcross(f.hwnd(), at, c.vertical_line);
    Down(f.grid, c.down);
    ASSERT_TRUE(f.grid.SizingLineShown());
    const std::vector<COLORREF> after = PixelsAcross(f.hwnd(), at, c.vertical_line);
    int inverted = 0;
    for (size_t i = 0; i < before.size(); ++i) inverted += before[i] != after[i];
    EXPECT_EQ(inverted, c.width);
    SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  }

  Grid f;
  Down(f.grid, {b0.right, Mid(b0).y});
  ASSERT_EQ(f.grid.State(), tsBandSizing);
  f.grid.SetModel({});
  Move(f.grid, {b0.right - 30, Mid(b0).y});
  Up(f.grid, {b0.right - 30, Mid(b0).y});
  EXPECT_EQ(f.grid.width_changes, 0);
}

TEST(TreeListInteraction, AutoWidthSizingTakesFromTheNeighboursWithExactSums) {
  Grid f;
  f.grid.SetOptions(f.grid.Options() | aoAutoWidth);
  const Layout before = f.grid.GetLayout();
  ASSERT_EQ(before.data.right - before.data.left, 327) << "the numbers below are for 327 pixels";
  ASSERT_EQ(before.band_widths, (std::vector<int>{159, 168}));
  // Band 0 widened by 10: band 1 gives 10, its columns 79:89 in proportion (74.3 and 83.7).
  const POINT edge{BandRect(f.grid, 0).right, Mid(BandRect(f.grid, 0)).y};
  Down(f.grid, edge);
  Move(f.grid, {edge.x + 10, edge.y});
  Up(f.grid, {edge.x + 10, edge.y});
  EXPECT_EQ(f.grid.GetLayout().band_widths, (std::vector<int>{169, 158}));
  const auto& columns = f.grid.GetHeaderModel().columns;
  EXPECT_EQ((std::vector<int>{columns[0].width, columns[1].width, columns[2].width}),
            (std::vector<int>{169, 74, 84}));
  // Column 1 narrowed by 9 in its row: the last column of the row takes the 9.
  const POINT column_edge{HeaderRect(f.grid, 1).right, Mid(HeaderRect(f.grid, 1)).y};
  Down(f.grid, column_edge);
  Move(f.grid, {column_edge.x - 9, column_edge.y});
  Up(f.grid, {column_edge.x - 9, column_edge.y});
  EXPECT_EQ((std::vector<int>{columns[0].width, columns[1].width, columns[2].width}),
            (std::vector<int>{169, 65, 93}));
  EXPECT_EQ(f.grid.width_changes, 2);
  // Limits: the client's edge, or (aoFullSizing) far beyond it, but not under automatic width.
  EXPECT_EQ(f.grid.GetBandSizingRange(1, 0).max, f.grid.ClientWidth() - 2);
  EXPECT_EQ(f.grid.GetColumnSizingRange(1, 0).max, BandRect(f.grid, 1).right);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoFullSizing);
  EXPECT_EQ(f.grid.GetBandSizingRange(1, 0).max, 100000);
  EXPECT_EQ(f.grid.GetColumnSizingRange(1, 0).max, BandRect(f.grid, 1).right);
  f.grid.SetOptions(f.grid.Options() & ~aoAutoWidth);
  EXPECT_EQ(f.grid.GetColumnSizingRange(1, 0).max, 100000);
  // A row's lower edge in the indicator, 8 pixels down: every row 8 pixels higher.
  const int row_height = f.grid.DefaultRowHeight();
  const int bottom = f.grid.GetCellRect(f.grid.Items(1), 0).bottom;
  Down(f.grid, {4, bottom - 1});
  Move(f.grid, {4, bottom + 7});
  Up(f.grid, {4, bottom + 7});
  EXPECT_EQ(f.grid.DefaultRowHeight(), row_height + 8);
  // The band panel released one pixel past the middle of rows 1 and 2 takes two rows.
  const Metrics m = f.grid.GetMetrics();
  const int middle = (2 * m.band_line_height + 6 + m.band_line_height + 6) / 2;
  Down(f.grid, {before.band_panel.right - 2, before.band_panel.bottom - 1});
  Move(f.grid, {before.band_panel.right - 2, middle - 1});
  EXPECT_EQ(f.grid.SizingPos(), m.band_line_height + 6);
  Move(f.grid, {before.band_panel.right - 2, middle});
  EXPECT_EQ(f.grid.SizingPos(), 2 * m.band_line_height + 6);
  Up(f.grid, {before.band_panel.right - 2, middle});
  EXPECT_EQ(f.grid.GetMetrics().band_panel_height, 2 * m.band_line_height + 6);
}

// Without automatic width a band of one row follows its columns: a column sized wider widens
// the band by as much, its neighbours keep their widths.
TEST(TreeListInteraction, AColumnSizedInABandOfOneRowLeavesItsNeighbours) {
  GridForm f(420);
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  treelist::HeaderModel model;
  model.columns = {{L"A", 100, 20}, {L"B", 100, 20}, {L"C", 100, 20}};
  model.bands = {{L"Band", 300, 20, true, {{0, 1, 2}}}};
  f.grid.SetModel(model);
  const POINT edge{HeaderRect(f.grid, 0).right - 1, Mid(HeaderRect(f.grid, 0)).y};
  Down(f.grid, edge);
  ASSERT_EQ(f.grid.State(), tsColumnSizing);
  Move(f.grid, {edge.x + 30, edge.y});
  Up(f.grid, {edge.x + 30, edge.y});
  const auto& columns = f.grid.GetHeaderModel().columns;
  EXPECT_EQ((std::vector<int>{columns[0].width, columns[1].width, columns[2].width}),
            (std::vector<int>{130, 100, 100}));
  EXPECT_EQ(f.grid.GetLayout().band_widths, std::vector<int>{330});
}

TEST(TreeListInteraction, HeaderDragMovesBypassOnMouseMoveAndShowTheDeleteCursorBelow) {
  Grid f;
  int moves = 0;
  f.grid.OnMouseMove = [&](framework::TComponent*, unsigned, int, int) { ++moves; };
  const RECT width = HeaderRect(f.grid, 1);
  Down(f.grid, Mid(width));
  Move(f.grid, {Mid(width).x + 8, Mid(width).y});
  ASSERT_EQ(f.grid.State(), tsColumnDragging);
  const int moves_before = moves;
  const SIZE picture = f.grid.DragImage().Size();
  EXPECT_EQ(picture.cx, std::max<int>(width.right - width.left, GetSystemMetrics(SM_CXCURSOR)));
  Move(f.grid, {Mid(width).x, f.grid.GetLayout().rows.top + 30});
  EXPECT_EQ(f.grid.DragImage().Cursor(), crTreeListDelete);
  EXPECT_TRUE(f.grid.DragImage().Visible()) << "the picture begun again beside it shows";
  SendMessageW(f.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(f.hwnd()), HTCLIENT);
  EXPECT_EQ(GetCursor(), framework::Screen().CursorHandle(crTreeListDelete)) << "and its cursor";
  EXPECT_NE(framework::Screen().CursorHandle(crTreeListDelete), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(f.grid.DragImage().HotSpot().x, (picture.cx - 32) / 2);
  EXPECT_EQ(f.grid.DragImage().HotSpot().y, picture.cy / 2);
  Move(f.grid, {HeaderRect(f.grid, 0).left + 3, Mid(width).y});
  EXPECT_EQ(f.grid.DragImage().Cursor(), f.grid.Cursor());
  EXPECT_EQ(f.grid.DragImage().HotSpot().x, picture.cx / 2);
  EXPECT_EQ(f.grid.ArrowsRect().left, ToScreen(f.hwnd(), {HeaderRect(f.grid, 0).left - 5, 0}).x);
  EXPECT_EQ(moves, moves_before) << "a drag's moves never reach OnMouseMove";
  Up(f.grid, {HeaderRect(f.grid, 0).left + 3, Mid(width).y});
  EXPECT_EQ(f.grid.State(), tsNone);
}

// Three headers stacked in the first band, one in the second: sizing the top one narrows its band
// with every row in it; a header held below the second band's only row points at a new row
// right under that row, however far below the mouse is.
TEST(TreeListInteraction, StackedHeadersSizeTheirBandAndANewRowOpensRightBelowTheShortBand) {
  Grid f;
  treelist::HeaderModel stacked = treelist_test::TwoBandModel();
  stacked.columns.push_back({L"Via", 80, 30});
  stacked.bands[0].rows = {{0}, {1}, {2}};
  stacked.bands[1].rows = {{3}};
  f.grid.SetModel(stacked);
  const RECT name = HeaderRect(f.grid, 0);
  const int y = Mid(name).y;
  Down(f.grid, {name.right - 1, y});
  ASSERT_EQ(f.grid.State(), tsColumnSizing);
  Move(f.grid, {name.right - 21, y});
  Up(f.grid, {name.right - 21, y});
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(HeaderRect(f.grid, column).right, name.right - 20) << "column " << column;
  }
  EXPECT_EQ(HeaderRect(f.grid, 3).left, name.right - 20) << "the second band follows";

  const Layout l = f.grid.GetLayout();
  const RECT via = HeaderRect(f.grid, 3);
  const POINT third_row{Mid(via).x, l.header_panel.top + 2 * l.header_row_height + 3};
  Down(f.grid, Mid(HeaderRect(f.grid, 1)));
  Move(f.grid, {Mid(HeaderRect(f.grid, 1)).x + 10, Mid(HeaderRect(f.grid, 1)).y});
  const POINT new_row_arrows =
      ToScreen(f.hwnd(), {via.left - 5, l.header_panel.top + l.header_row_height - 9});
  for (const int row : {1, 2}) {
    Move(f.grid, {third_row.x, l.header_panel.top + row * l.header_row_height + 3});
    ASSERT_EQ(f.grid.State(), tsColumnDragging);
    EXPECT_EQ(f.grid.ArrowsRect().left, new_row_arrows.x) << "row " << row;
    EXPECT_EQ(f.grid.ArrowsRect().top, new_row_arrows.y) << "row " << row;
  }
  // The grid paints under the drag with the picture off the screen: what it painted would go
  // when the picture moved on.
  int painted = 0;
  bool picture_under_paint = false;
  f.grid.custom_draw = [&](const TdxCellPaintInfo&, std::wstring&, framework::TFont&) {
    ++painted;
    picture_under_paint = picture_under_paint || f.grid.DragImage().Visible();
    return false;
  };
  InvalidateRect(f.hwnd(), nullptr, FALSE);
  UpdateWindow(f.hwnd());
  EXPECT_GT(painted, 0);
  EXPECT_FALSE(picture_under_paint);
  EXPECT_TRUE(f.grid.DragImage().Visible()) << "and back once the paint is done";
  Up(f.grid, third_row);

  // A band of its own width: a header sized in one row leaves the band's other rows be.
  treelist::HeaderModel own = stacked;
  own.band_widths_follow_columns = false;
  own.bands[0].rows = {{0}, {1, 2}};
  f.grid.SetModel(own);
  const RECT top = HeaderRect(f.grid, 0);
  Down(f.grid, {top.right - 1, Mid(top).y});
  ASSERT_EQ(f.grid.State(), tsColumnSizing);
  Move(f.grid, {top.right - 21, Mid(top).y});
  Up(f.grid, {top.right - 21, Mid(top).y});
  const std::vector<treelist::ColumnSpec>& columns = f.grid.GetHeaderModel().columns;
  EXPECT_NE(columns[0].width, own.columns[0].width) << "the sized header took its width";
  EXPECT_EQ(std::make_pair(columns[1].width, columns[2].width),
            std::make_pair(own.columns[1].width, own.columns[2].width));

  // The lead the first band's first header carries stays out of the other bands' headers.
  treelist::HeaderModel led = treelist_test::TwoBandModel();
  led.first_band_offset = 7;
  f.grid.SetModel(led);
  const RECT second_band_first = HeaderRect(f.grid, 1);
  Down(f.grid, {second_band_first.right - 1, Mid(second_band_first).y});
  ASSERT_EQ(f.grid.State(), tsColumnSizing);
  Move(f.grid, {second_band_first.right + 9, Mid(second_band_first).y});
  Up(f.grid, {second_band_first.right + 9, Mid(second_band_first).y});
  EXPECT_EQ(HeaderRect(f.grid, 1).right, second_band_first.right + 10);
}

TEST(TreeListInteraction, DragsScroll32PixelsATickAtTheEdgesUntilTheEnds) {
  Grid f;
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  treelist::HeaderModel wide = treelist_test::TwoBandModel();
  wide.columns[0].width = 300;
  f.grid.SetModel(wide);
  f.grid.SetDragMode(TDragMode::dmAutomatic);
  f.grid.SetLeftCoord(70);
  const Layout l = f.grid.GetLayout();
  const int header_y = Mid(HeaderRect(f.grid, 0)).y;
  Down(f.grid, {l.scroll.left + 60, header_y});
  Move(f.grid, {l.scroll.left + 1, header_y});
  EXPECT_EQ(timers.Running(f.hwnd()),
            (std::map<UINT_PTR, UINT>{{TCustomdxTreeList::kDragScrollTimer, 100}}));
  std::vector<int> lefts;
  auto tick = [&] {
    EXPECT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kDragScrollTimer)) << "not scrolling";
    lefts.push_back(f.grid.LeftCoord());
  };
  for (int i = 0; i < 4; ++i) tick();
  EXPECT_EQ(lefts, (std::vector<int>{38, 6, 0, 0}));
  Move(f.grid, {l.scroll.left + 40, header_y});
  EXPECT_TRUE(timers.Running(f.hwnd()).empty()) << "away from the edge it stops";
  Move(f.grid, {l.scroll.right, header_y});
  EXPECT_EQ(f.grid.DragScrollDirection(), 1);
  lefts.clear();
  while (lefts.size() < 20 && (lefts.empty() || lefts.back() < l.MaxLeftCoord())) tick();
  ASSERT_GE(lefts.size(), 2u);
  EXPECT_EQ(lefts.back(), l.MaxLeftCoord());
  EXPECT_EQ(lefts[0], 32);
  Up(f.grid, {l.scroll.right, header_y});

  // Escape ends a sizing also in a grid that drags its nodes itself.
  const RECT sized = HeaderRect(f.grid, 1);
  Down(f.grid, {sized.right - 1, header_y});
  ASSERT_EQ(f.grid.State(), tsColumnSizing);
  Move(f.grid, {sized.right + 30, header_y});
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(f.grid.State(), tsNone);
  Up(f.grid, {sized.right + 30, header_y});
  EXPECT_EQ(HeaderRect(f.grid, 1).right, sized.right) << "nothing applied";

  // A node dragged over the grid: the focus follows, the left strip scrolls, plus and minus
  // open and close the node under the mouse, Escape ends it.
  f.grid.SetLeftCoord(40);
  AddNamed(f.grid, f.grid.Items(2), L"child");
  const RECT row = f.grid.GetCellRect(f.grid.Items(2), 1);
  f.grid.SetFocusedNode(f.grid.Items(0));
  Move(f.grid, Mid(row));
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ADD, 0);
  EXPECT_FALSE(f.grid.Items(2)->Expanded()) << "without a drag plus is the focused row's";
  Down(f.grid, Mid(row));
  Move(f.grid, {Mid(row).x, Mid(row).y + 20});
  ASSERT_EQ(f.grid.State(), tsNodeDragging);
  EXPECT_EQ(f.grid.DragNode(), f.grid.Items(2)) << "the pressed row, not the one under the mouse";
  EXPECT_EQ(f.grid.GetFocusedNode(), f.grid.GetNodeAt(Mid(row).x, Mid(row).y + 20));
  Move(f.grid, {l.scroll.left + 3, Mid(row).y});
  tick();
  tick();
  EXPECT_EQ(lefts.back(), 0);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ADD, 0);
  EXPECT_TRUE(f.grid.Items(2)->Expanded());
  int collapses = 0;
  f.grid.OnCollapsed = [&](auto&&...) { ++collapses; };
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ADD, 0);
  EXPECT_EQ(collapses, 0) << "plus again leaves the open row be";
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_SUBTRACT, 0);
  EXPECT_FALSE(f.grid.Items(2)->Expanded());
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(f.grid.State(), tsNone);
  EXPECT_FALSE(f.grid.DragImage().Dragging());

  // Without aoDragExpand no row opens under a drag.
  f.grid.SetOptionsEx(f.grid.OptionsEx() & ~aoDragExpand);
  Down(f.grid, Mid(row));
  Move(f.grid, {Mid(row).x, Mid(row).y + 20});
  ASSERT_EQ(f.grid.State(), tsNodeDragging);
  EXPECT_EQ(timers.Running(f.hwnd()).count(TCustomdxTreeList::kExpandTimer), 0u);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
}

// A node dragged and held over a closed row opens it after WaitForExpandNodeTime; under
// aoDragCollapse each tick, twice that time apart, opens or closes it while the mouse stays.
// Over the first or the last full row the focus goes a row on every tenth of a second while the
// mouse is over the grid.
TEST(TreeListInteraction, ARowHeldUnderANodeDragOpensAfterTheWaitAndTheEdgeRowsScrollEachTenth) {
  Grid f;
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  f.grid.SetDragMode(TDragMode::dmAutomatic);
  f.grid.WaitForExpandNodeTime = 300;
  TdxTreeListNode* target = f.grid.Items(3);
  AddNamed(f.grid, target, L"child");
  const auto row = [&](TdxTreeListNode* node) { return Mid(f.grid.GetCellRect(node, 1)); };
  const auto interval = [&](UINT_PTR id) {
    const std::map<UINT_PTR, UINT> running = timers.Running(f.hwnd());
    return running.count(id) ? running.at(id) : 0u;
  };
  const auto drag_to = [&](POINT to) {
    Down(f.grid, row(f.grid.Items(1)));
    Move(f.grid, to);
    ASSERT_EQ(f.grid.State(), tsNodeDragging);
  };
  drag_to(row(target));
  EXPECT_EQ(interval(TCustomdxTreeList::kExpandTimer), 300u);
  EXPECT_FALSE(target->Expanded()) << "not before the wait";
  ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kExpandTimer));
  EXPECT_TRUE(target->Expanded());
  EXPECT_EQ(interval(TCustomdxTreeList::kExpandTimer), 0u) << "opened once";
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);

  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoDragCollapse);
  drag_to(row(target));
  for (const bool expanded : {false, true, false}) {
    ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kExpandTimer));
    EXPECT_EQ(target->Expanded(), expanded);
    EXPECT_EQ(interval(TCustomdxTreeList::kExpandTimer), 600u) << "again after twice the wait";
  }
  g_cursor = ToScreen(f.hwnd(), row(f.grid.Items(5)));  // gone before the tick
  ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kExpandTimer));
  EXPECT_FALSE(target->Expanded());
  EXPECT_EQ(interval(TCustomdxTreeList::kExpandTimer), 0u);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);

  TdxTreeListNode* last_full = f.grid.Items(f.grid.FullyVisibleRowCount() - 1);
  drag_to(row(last_full));
  EXPECT_EQ(interval(TCustomdxTreeList::kDragRowScrollTimer), 100u);
  for (int step = 1; step <= 2; ++step) {
    ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kDragRowScrollTimer));
    EXPECT_EQ(f.grid.GetAbsoluteIndex(f.grid.GetFocusedNode()),
              f.grid.GetAbsoluteIndex(last_full) + step);
    EXPECT_EQ(f.grid.TopIndex(), step) << "the row below comes into view";
  }
  Move(f.grid, row(f.grid.TopNode()));
  EXPECT_EQ(interval(TCustomdxTreeList::kDragRowScrollTimer), 100u) << "the first row: up";
  ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kDragRowScrollTimer));
  EXPECT_EQ(f.grid.TopIndex(), 1);
  g_cursor = {-500, -500};  // off the grid: the scroll ends at the next tick
  TdxTreeListNode* focused = f.grid.GetFocusedNode();
  ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kDragRowScrollTimer));
  EXPECT_EQ(f.grid.GetFocusedNode(), focused);
  EXPECT_EQ(interval(TCustomdxTreeList::kDragRowScrollTimer), 0u);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(timers.Running(f.hwnd()).empty()) << "nothing left running after the drag";
}

// The grid with columns: what the mouse does reaches its columns and bands.
TEST(TreeListInteraction, TheControlSizesMovesAndHidesItsOwnColumnsAndBands) {
  struct ControlForm {
    framework::TForm form{nullptr};
    TCustomdxTreeListControl grid{nullptr};
  } f;
  f.form.SetBounds(50, 50, 420, 260);
  f.grid.SetParent(&f.form);
  f.grid.SetBounds(10, 10, 380, 200);
  f.form.Show();
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  f.grid.SetShowBands(true);
  f.grid.SetOptions(f.grid.Options() | aoExtCustomizing);
  f.grid.Bands().Add();
  f.grid.Bands().Add();
  TdxTreeListColumn* columns[3];
  for (int i = 0; i < 3; ++i) {
    columns[i] = f.grid.CreateColumn<TdxTreeListColumn>();
    columns[i]->SetCaption(std::wstring(1, L'A' + i));
    columns[i]->SetBandIndex(i == 0 ? 0 : 1);
    columns[i]->SetWidth(80);
  }
  auto row = [&](int band) {
    std::wstring captions;
    // Model indexes are places in the column list, which header moves reorder.
    for (int c : f.grid.GetHeaderModel().bands[band].rows[0]) {
      captions += f.grid.Columns(c)->Caption();
    }
    return captions;
  };
  const POINT edge{HeaderRect(f.grid, 1).right, Mid(HeaderRect(f.grid, 1)).y};
  Down(f.grid, edge);
  Move(f.grid, {edge.x + 10, edge.y});
  Up(f.grid, {edge.x + 10, edge.y});
  EXPECT_EQ(columns[1]->Width(), 90);
  EXPECT_EQ(columns[2]->Width(), 80);
  DragTo(f.grid, Mid(HeaderRect(f.grid, 2)),
         {HeaderRect(f.grid, 0).left + 3, Mid(HeaderRect(f.grid, 0)).y});
  EXPECT_EQ(row(0) + L"|" + row(1), L"CA|B");
  const int a = columns[0]->Index();
  DragTo(f.grid, Mid(BandRect(f.grid, 0)),
         {BandRect(f.grid, 1).right - 3, Mid(BandRect(f.grid, 1)).y});
  EXPECT_EQ(row(0) + L"|" + row(1), L"B|CA");
  const POINT own = Mid(HeaderRect(f.grid, a));
  DragTo(f.grid, own, {own.x + 9, own.y});
  EXPECT_EQ(row(0) + L"|" + row(1), L"B|CA") << "dropped on its own place";
  Down(f.grid, own);  // a drag before B ended by Escape drops nothing
  Move(f.grid, {own.x + 8, own.y});
  Move(f.grid, {HeaderRect(f.grid, columns[1]->Index()).left + 3, own.y});
  ASSERT_EQ(f.grid.State(), tsColumnDragging);
  SendMessageW(f.grid.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(row(0) + L"|" + row(1), L"B|CA");
  DragTo(f.grid, own, {own.x, 150});
  EXPECT_FALSE(columns[0]->Visible());
  for (int i = 0; i < 2; ++i) DragTo(f.grid, Mid(f.grid.GetLayout().headers[0].rect), {own.x, 150});
  EXPECT_EQ(f.grid.GetLayout().headers.size(), 1u) << "the last visible column stays";
}

// ---- panning --------------------------------------------------------------------------------

HWND g_pan_owner = nullptr;
treelist_test::TestTreeList* g_doomed = nullptr;
bool g_popup_seen = false;

BOOL CALLBACK FindPanPopup(HWND hwnd, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (IsWindowVisible(hwnd) && _wcsicmp(name, L"Static") == 0 &&
      GetWindow(hwnd, GW_OWNER) == g_pan_owner) {
    *reinterpret_cast<bool*>(found) = true;
  }
  return TRUE;
}

bool PanPopupShown() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), FindPanPopup, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A window of the test's own that acts while the pan's loop dispatches: WM_APP takes the
// capture, WM_APP + 1 destroys the grid.
// A hidden window of a class of its own, whose procedure sees what a test posts to it while
// the pan's loop runs.
struct MessageWindow {
  HWND hwnd;
  MessageWindow(const wchar_t* class_name, WNDPROC proc) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = proc;
    window_class.lpszClassName = class_name;
    RegisterClassW(&window_class);
    hwnd = CreateWindowW(class_name, L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  ~MessageWindow() { DestroyWindow(hwnd); }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
};

LRESULT CALLBACK HelperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP || msg == WM_APP + 1) g_popup_seen = PanPopupShown();
  if (msg == WM_APP) SetCapture(hwnd);
  if (msg == WM_APP + 1) {
    delete g_doomed;
    g_doomed = nullptr;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// What the loop finds queued: messages for the grid or (to_helper) for the helper window.
struct Post {
  bool to_helper;
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};
struct PanCase {
  const char* what;
  std::vector<Post> posts;
  bool popup_checked;
};

const PanCase kPanWaysOut[] = {
    {"Escape, other keys swallowed",
     {{false, WM_KEYDOWN, VK_DOWN, 0}, {false, WM_KEYDOWN, VK_ESCAPE, 0}},
     false},
    {"a middle release after leaving the dead zone, not before",
     {{false, WM_MBUTTONUP, 0, MAKELPARAM(100, 100)},
      {false, WM_MOUSEMOVE, 0, MAKELPARAM(100, 160)},
      {false, WM_MBUTTONUP, 0, MAKELPARAM(100, 160)}},
     false},
    {"the wheel", {{false, WM_MOUSEWHEEL, 0, 0}}, false},
    {"a request to quit, posted again", {{false, WM_QUIT, 7, 0}}, false},
    {"another window takes the capture", {{true, WM_APP, 0, 0}}, true},
    {"a dispatched message destroys the grid", {{true, WM_APP + 1, 0, 0}}, true},
};

TEST(TreeListPanning, EveryWayOutGivesBackCaptureTimerAndWindow) {
  const MessageWindow helper_window(L"PanTestHelper", HelperProc);
  HWND helper = helper_window.hwnd;
  for (const PanCase& c : kPanWaysOut) {
    SCOPED_TRACE(c.what);
    GridForm f;
    treelist_test::TimerTable timers;
    g_doomed = new treelist_test::TestTreeList(nullptr);
    g_doomed->SetParent(&f.form);
    g_doomed->SetBounds(10, 10, 200, 150);
    g_doomed->Seams().cursor_pos = [] { return g_cursor; };
    timers.Install(g_doomed->Seams());
    const HWND grid = g_doomed->Handle();
    g_pan_owner = GetAncestor(grid, GA_ROOT);  // a popup's owner is a top-level window
    g_cursor = ToScreen(grid, {100, 100});
    for (int i = 0; i < 30; ++i) AddNamed(*g_doomed, nullptr, L"NET" + std::to_wstring(i));
    for (const Post& p : c.posts)
      PostMessageW(p.to_helper ? helper : grid, p.msg, p.wparam, p.lparam);
    // Found still queued only when the loop ended at the case's own message; the Escape after
    // it ends a loop that missed it.
    PostMessageW(helper, WM_USER + 7, 0, 0);
    PostMessageW(grid, WM_KEYDOWN, VK_ESCAPE, 0);
    g_popup_seen = false;
    SendMessageW(grid, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
    EXPECT_EQ(g_popup_seen, c.popup_checked) << "the round window showed while it ran";
    EXPECT_NE(GetCapture(), grid);
    EXPECT_FALSE(PanPopupShown());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, helper, WM_USER + 7, WM_USER + 7, PM_REMOVE));
    if (c.posts[0].msg == WM_QUIT) {
      EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == 7);
    }
    while (PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
    }
    // A destroyed window's timers die with it.
    if (IsWindow(grid)) {
      EXPECT_TRUE(timers.Running(grid).empty()) << "no pan timer";
    }
    if (GetCapture() == helper) ReleaseCapture();
    delete g_doomed;
    g_doomed = nullptr;
  }
}

TEST(TreeListPanning, AThrowingScrollHandlerLeavesNothingBehind) {
  Grid f;
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  g_cursor = ToScreen(f.hwnd(), {100, 100});
  int reported = 0;
  framework::Application::Instance().OnException = [&](const std::string&) { ++reported; };
  f.grid.OnChangeTopVisibleNode = [](framework::TComponent*, TdxTreeListNode*) {
    throw std::runtime_error("handler fails");
  };
  // Far below the origin: a step down every few ticks, whatever the speed, until Escape comes.
  PostMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 190));
  for (int tick = 0; tick < 40; ++tick) {
    PostMessageW(f.hwnd(), WM_TIMER, TCustomdxTreeList::kPanTimer, 0);
  }
  PostMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
  framework::Application::Instance().OnException = nullptr;
  EXPECT_GT(f.grid.TopIndex(), 2);
  EXPECT_GT(reported, 2);
  g_pan_owner = f.form.Handle();
  EXPECT_FALSE(PanPopupShown());
  EXPECT_NE(GetCapture(), f.hwnd());
  EXPECT_TRUE(timers.Running(f.hwnd()).empty());
}

// What a posted helper message saw while the pan's loop ran: the cursor, the round window and
// the grid's timers.
HCURSOR g_pan_cursor = nullptr;
const treelist_test::TimerTable* g_pan_timer_table = nullptr;
HWND g_pan_grid = nullptr;
std::map<UINT_PTR, UINT> g_pan_timers;
RECT g_pan_popup{};
HWND g_pan_popup_window = nullptr;
bool g_pan_round = false;

BOOL CALLBACK RecordPanPopup(HWND hwnd, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (IsWindowVisible(hwnd) && _wcsicmp(name, L"Static") == 0 &&
      GetWindow(hwnd, GW_OWNER) == g_pan_owner) {
    GetWindowRect(hwnd, &g_pan_popup);
    g_pan_popup_window = hwnd;
    // Round: the ellipse in (0, 0) to (30, 30), the picture's size and one more, as the
    // window's 29 x 29 pixels keep it.
    win::UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    win::UniqueRegion round(CreateEllipticRgn(0, 0, 30, 30));
    win::UniqueRegion window(CreateRectRgn(0, 0, 29, 29));
    CombineRgn(round.get(), round.get(), window.get(), RGN_AND);
    g_pan_round = GetWindowRgn(hwnd, shape.get()) != ERROR && EqualRgn(shape.get(), round.get());
  }
  return TRUE;
}

LRESULT CALLBACK WatchPanProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) {
    g_pan_cursor = GetCursor();
    g_pan_timers = g_pan_timer_table->Running(g_pan_grid);
    EnumThreadWindows(GetCurrentThreadId(), RecordPanPopup, 0);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

struct PanStepCase {
  const char* what;
  int top;             // the top row when the mode starts
  bool first_release;  // a middle release before the mouse moves
  int dy;              // where the mouse goes, below the press
  bool then_release;   // a middle release after the move
  int ticks;
  int top_after;
  framework::TCursor cursor;
};

// A grid with only a vertical bar: its dead zone is 29 pixels high and as wide as the screen.
// Speed (distance - 14) / 5 + 1 scrolls a row every 13 - speed ticks of 20 ms.
const PanStepCase kPanSteps[] = {
    {"15 below: speed 1, a row every 12 ticks", 0, false, 15, false, 24, 2, crDownScroll},
    {"39 below: speed 6, every 7 ticks", 0, false, 39, false, 24, 3, crDownScroll},
    {"69 below: speed 12, every tick", 0, false, 69, false, 24, 24, crDownScroll},
    {"69 above: up at speed 12", 30, false, -69, false, 10, 20, crUpScroll},
    {"14 below stays in the dead zone", 5, false, 14, false, 24, 5, crVerScroll},
    {"a release before any move keeps the mode", 0, true, 69, false, 5, 5, crDownScroll},
    {"a release after leaving the dead zone ends it", 0, false, 69, true, 5, 0, crDownScroll},
};

TEST(TreeListPanning, StepsComeFasterFartherOutTheCursorPointsAndTheWindowSitsOnTheMouse) {
  const MessageWindow watch_window(L"PanWatch", WatchPanProc);
  HWND watch = watch_window.hwnd;
  GridForm f;
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  g_pan_timer_table = &timers;
  g_pan_grid = f.hwnd();
  for (int i = 0; i < 80; ++i) AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
  const LONG style = GetWindowLongW(f.hwnd(), GWL_STYLE);
  ASSERT_TRUE((style & WS_VSCROLL) && !(style & WS_HSCROLL));
  g_pan_owner = GetAncestor(f.hwnd(), GA_ROOT);
  const POINT press{100, 60};
  for (const PanStepCase& c : kPanSteps) {
    SCOPED_TRACE(c.what);
    f.grid.SetTopIndex(c.top);
    g_cursor = ToScreen(f.hwnd(), press);
    const LPARAM at = MAKELPARAM(press.x, press.y + c.dy);
    if (c.first_release) PostMessageW(f.hwnd(), WM_MBUTTONUP, 0, MAKELPARAM(press.x, press.y));
    PostMessageW(f.hwnd(), WM_MOUSEMOVE, 0, at);
    if (c.then_release) PostMessageW(f.hwnd(), WM_MBUTTONUP, 0, at);
    // Other timers' ticks, the grid's and another window's of the same id, step nothing.
    PostMessageW(f.hwnd(), WM_TIMER, TCustomdxTreeList::kPanTimer + 1, 0);
    PostMessageW(watch, WM_TIMER, TCustomdxTreeList::kPanTimer, 0);
    for (int i = 0; i < c.ticks; ++i) {
      PostMessageW(f.hwnd(), WM_TIMER, TCustomdxTreeList::kPanTimer, 0);
    }
    g_pan_cursor = nullptr;
    g_pan_popup = {};
    g_pan_round = false;
    g_pan_timers.clear();
    PostMessageW(watch, WM_APP, 0, 0);
    PostMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(press.x, press.y));
    EXPECT_EQ(f.grid.TopIndex(), c.top_after);
    EXPECT_TRUE(timers.Running(f.hwnd()).empty()) << "the timer ends with the mode";
    MSG msg;
    if (c.then_release) {
      EXPECT_EQ(g_pan_cursor, nullptr) << "the loop ended before the helper's message";
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      continue;
    }
    EXPECT_EQ(g_pan_cursor, framework::Screen().CursorHandle(c.cursor));
    EXPECT_EQ(g_pan_timers, (std::map<UINT_PTR, UINT>{{TCustomdxTreeList::kPanTimer, 20}}));
    const POINT origin = ToScreen(f.hwnd(), press);
    EXPECT_EQ(g_pan_popup.left, origin.x - 14);
    EXPECT_EQ(g_pan_popup.top, origin.y - 14);
    EXPECT_EQ(g_pan_popup.right - g_pan_popup.left, 29);
    EXPECT_EQ(g_pan_popup.bottom - g_pan_popup.top, 29);
    EXPECT_TRUE(g_pan_round);
  }
  g_pan_timer_table = nullptr;
}

// A grid with both bars: a move straight sideways pans the columns and leaves the rows.
TEST(TreeListPanning, ASidewaysMoveScrollsTheColumns) {
  GridForm f(200, 150);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowBands(true);
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  for (int i = 0; i < 30; ++i) AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
  UpdateWindow(f.hwnd());
  const LONG style = GetWindowLongW(f.hwnd(), GWL_STYLE);
  ASSERT_TRUE((style & WS_VSCROLL) && (style & WS_HSCROLL));
  const POINT press{40, 60};
  g_cursor = ToScreen(f.hwnd(), press);
  PostMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(press.x + 69, press.y));
  for (int i = 0; i < 3; ++i) PostMessageW(f.hwnd(), WM_TIMER, TCustomdxTreeList::kPanTimer, 0);
  PostMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(press.x, press.y));
  EXPECT_GT(f.grid.LeftCoord(), 0) << "the columns moved toward the mouse";
  EXPECT_EQ(f.grid.TopIndex(), 0) << "the rows stayed";
}

// The round window's middle row and column as the pan's loop shows them.
std::vector<COLORREF> g_pan_middle_row, g_pan_middle_column;

void ReadPanPixels() {
  g_pan_middle_row.clear();
  g_pan_middle_column.clear();
  EnumThreadWindows(GetCurrentThreadId(), RecordPanPopup, 0);
  const win::WindowDC dc(g_pan_popup_window);
  for (int i = 0; i < 29; ++i) {
    g_pan_middle_row.push_back(GetPixel(dc.get(), i, 14));
    g_pan_middle_column.push_back(GetPixel(dc.get(), 14, i));
  }
}

// The frame rims the window on every side: one pixel at each end of the middle lines, the
// picture between them.
void ExpectPanFrameOnTheEdge() {
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  auto frame_at = [&](const std::vector<COLORREF>& line) {
    std::string at;
    for (size_t i = 0; i < line.size(); ++i)
      if (line[i] == frame) at += std::to_string(i) + " ";
    return at;
  };
  EXPECT_EQ(frame_at(g_pan_middle_row), "0 28 ");
  EXPECT_EQ(frame_at(g_pan_middle_column), "0 28 ");
}

LRESULT CALLBACK ReadPanPixelsProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) ReadPanPixels();
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Read by a posted message: what the mode drew at its start, before any paint.
TEST(TreeListPanning, TheRoundWindowHasAOnePixelFrameOnItsEdge) {
  const MessageWindow reader_window(L"PanPixels", ReadPanPixelsProc);
  HWND reader = reader_window.hwnd;
  GridForm f;
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  for (int i = 0; i < 80; ++i) AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
  g_pan_owner = GetAncestor(f.hwnd(), GA_ROOT);
  g_cursor = ToScreen(f.hwnd(), {100, 60});
  PostMessageW(reader, WM_APP, 0, 0);
  PostMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 60));
  ExpectPanFrameOnTheEdge();
}

// While the mode runs, windows keep painting: a timer's tick comes only once nothing waits to
// be painted, so at the tick's scroll step the spoiled grid has been painted again and the
// round window, painted on its own, still shows its picture in its frame.
TEST(TreeListPanning, TheGridAndTheRoundWindowPaintWhileTheModeRuns) {
  GridForm f;
  f.grid.Seams().cursor_pos = [] { return g_cursor; };
  for (int i = 0; i < 80; ++i) AddNamed(f.grid, nullptr, L"NET" + std::to_wstring(i));
  g_pan_owner = GetAncestor(f.hwnd(), GA_ROOT);
  g_cursor = ToScreen(f.hwnd(), {100, 60});
  int unpainted_at_step = -1;
  f.grid.before_message = [&](UINT msg) {
    if (msg != WM_VSCROLL || unpainted_at_step >= 0) return;
    unpainted_at_step = GetUpdateRect(f.hwnd(), nullptr, FALSE);
    ReadPanPixels();
    PostMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  UpdateWindow(f.hwnd());
  InvalidateRect(f.hwnd(), nullptr, FALSE);
  PostMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 160));  // a step every tick
  SendMessageW(f.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 60));
  f.grid.before_message = nullptr;
  ExpectPanFrameOnTheEdge();
  EXPECT_EQ(unpainted_at_step, 0);
  EXPECT_NE(GetCapture(), f.hwnd());
}

}  // namespace
