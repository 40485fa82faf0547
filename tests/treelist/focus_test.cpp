// Focus, selection, scroll position and the published settings on a real grid window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editing_fixture.h"
#include "framework/image_list.h"
#include "framework/persistence.h"
#include "framework/win/handles.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::LoggingTreeList;
using Grid = treelist_test::LoggingForm;

namespace {

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

TEST(TreeListFocus, KeysExpandAndCollapseOneLevelAndCollapsingFocusesTheParent) {
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
  g.grid.SetFocusedNode(child);
  g.n[0]->Collapse(false);
  EXPECT_EQ(g.grid.GetFocusedNode(), g.n[0]);
}

TEST(TreeListFocus, LeftFromAChildFocusesItsParentAndScrollsItIntoView) {
  Grid g(1, 48);  // room for one row
  TdxTreeListNode* child = AddNamed(g.grid, g.n[0], L"a1");
  g.n[0]->Expand(false);
  g.grid.SetFocusedNode(child);
  ASSERT_EQ(g.grid.TopIndex(), 1);
  SendMessageW(g.hwnd(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(g.grid.GetFocusedNode(), g.n[0]);
  EXPECT_EQ(g.grid.TopIndex(), 0);
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

TEST(TreeListScrolling, MovesRepaintTheRowsTheyTouchAndScrollTheRest) {
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
}

TEST(TreeListScrolling, ScrollBarsAreWrittenOnlyWhenTheyChange) {
  Grid g(40, 150);
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
}

TEST(TreeListScrolling, TheLeftCoordinateIsClampedAndToldOnce) {
  Grid g(3);
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

TEST(TreeListSettings, EveryDeclaredDefaultIsWhatANewGridHas) {
  treelist_test::TestTreeList grid(nullptr);
  int checked = 0;
  const framework::TClassInfo& info = grid.ClassInfo();
  for (const framework::PropInfo* p : info.Properties()) {
    if (!p->default_value || !p->get || p->kind == framework::PropKind::Event) continue;
    if (info.Parent()->FindProperty(p->name)) continue;  // the window's own, not the grid's
    if (p->name == "DefaultRowHeight") continue;         // declared without a default: computed
    SCOPED_TRACE(p->name);
    auto* object = static_cast<framework::TComponent*>(&grid);
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
}

struct ClampCase {
  const char* name;
  int64_t set, stored;
};
constexpr ClampCase kClamps[] = {
    {"Indent", -5, 0},        {"MaxRowLineCount", -7, -1},  {"CustomizingRowCount", 0, 2},
    {"IndentDesc", -1, 0},    {"FixedBandLineWidth", 0, 1}, {"RowSeparatorLineWidth", -3, 1},
    {"PreviewLines", -9, -1},
};

TEST(TreeListSettings, SizesAreClampedBeforeTheyAreStored) {
  treelist_test::TestTreeList grid(nullptr);
  for (const ClampCase& c : kClamps) {
    SCOPED_TRACE(c.name);
    const framework::PropInfo* p = grid.ClassInfo().FindProperty(c.name);
    ASSERT_NE(p, nullptr);
    auto* object = static_cast<framework::TComponent*>(&grid);
    p->set(object, framework::TValue(c.set));
    EXPECT_TRUE(p->get(object) == framework::TValue(c.stored));
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
}

TEST(TreeListSettings, AFreedImageListIsForgottenAndTheOtherKept) {
  treelist_test::TestTreeList grid(nullptr);
  auto images = std::make_unique<framework::TImageList>(nullptr);
  framework::TImageList state_images(nullptr);
  grid.SetImages(images.get());
  grid.SetStateImages(&state_images);
  images.reset();
  EXPECT_EQ(grid.Images(), nullptr);
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
