// What a user's mouse and wheel reach on a shown grid with columns: header clicks and their
// sorting, items that may not be dragged, the wheel's rows per notch, and the typed cells: a
// check box toggled by one click, drop-down cells following the mouse, the link cursor; and
// Ctrl+A selecting all.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "editors/button_edits.h"
#include "editors/drop_down_edit.h"
#include "framework/forms.h"
#include "framework/screen.h"
#include "../grid_fixture.h"
#include "treelist/columns/bands.h"
#include "treelist/columns/button_columns.h"
#include "treelist/columns/check_column.h"
#include "treelist/columns/column.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/input/interaction_state.h"
#include "treelist/customize/published_tree_list.h"
#include "treelist/columns/tree_list_control.h"

namespace {

using namespace treelist;

POINT Mid(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

POINT g_cursor{};  // the screen point the grids read as the cursor's

// A shown grid with two bands ("B0" with columns A, B; "B1" with C) and rows "r0".."r29" whose
// cells read "<column><row>".
struct ColumnsForm {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  std::vector<TdxTreeListColumn*> columns;
  explicit ColumnsForm(int rows = 30) {
    grid.SetParent(&form);
    form.SetBounds(40, 40, 460, 300);
    grid.SetBounds(10, 10, 420, 240);
    while (grid.Bands().Count() < 2) grid.Bands().Add();
    for (int i = 0; i < 3; ++i) {
      TdxTreeListColumn* c = grid.CreateColumn<TdxTreeListColumn>();
      c->SetCaption(std::wstring(1, static_cast<wchar_t>(L'A' + i)));
      c->SetBandIndex(i < 2 ? 0 : 1);
      c->SetWidth(120);
      columns.push_back(c);
    }
    for (int r = 0; r < rows; ++r) {
      TdxTreeListNode* node = grid.Add();
      for (int i = 0; i < 3; ++i) {
        grid.SetNodeString(node, i, columns[i]->Caption() + std::to_wstring(r));
      }
    }
    grid.Seams().cursor_pos = [] { return g_cursor; };
    form.Show();
  }
  HWND hwnd() { return grid.Handle(); }
  POINT HeaderPoint(int column) { return Mid(treelist_test::HeaderCellOf(grid, column).rect); }
  POINT BandPoint(int band) {
    const Layout l = grid.GetLayout();
    return {(l.bands[band].left + l.bands[band].right) / 2,
            (l.band_panel.top + l.band_panel.bottom) / 2};
  }
  void Send(UINT msg, POINT p, WPARAM keys = 0) {
    g_cursor = p;
    ClientToScreen(hwnd(), &g_cursor);
    SendMessageW(hwnd(), msg, keys, MAKELPARAM(p.x, p.y));
  }
  // The first column's texts of the rows from the top, "A3 A1 ...".
  std::wstring Rows(int count = 3) {
    std::wstring out;
    for (int i = 0; i < count; ++i) {
      out += (i ? L" " : L"") + grid.GetNodeString(grid.Items(i), 0);
    }
    return out;
  }
};

TEST(TreeListHeaderClicks, AReleaseOnThePressedHeaderClicksItAndSortsWithAutoSort) {
  ColumnsForm f(3);
  std::vector<TdxTreeListColumn*> clicked;
  f.grid.OnColumnClick = [&](framework::TComponent* sender, TdxTreeListColumn* column) {
    EXPECT_EQ(sender, &f.grid);
    clicked.push_back(column);
  };
  // Released over another header: no click.
  f.Send(WM_LBUTTONDOWN, f.HeaderPoint(1), MK_LBUTTON);
  f.Send(WM_LBUTTONUP, f.HeaderPoint(0));
  EXPECT_TRUE(clicked.empty());
  EXPECT_EQ(f.grid.State(), tsNone);

  f.Send(WM_LBUTTONDOWN, f.HeaderPoint(1), MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsColumnDown);
  f.Send(WM_LBUTTONUP, f.HeaderPoint(1));
  ASSERT_EQ(clicked, std::vector<TdxTreeListColumn*>{f.columns[1]});
  EXPECT_EQ(f.columns[1]->Sorted(), TdxTreeListColumnSort::csNone) << "no sort without aoAutoSort";

  f.grid.SetOptions(f.grid.Options() | aoAutoSort);
  f.grid.SetNodeString(f.grid.Items(0), 0, L"b");
  f.grid.SetNodeString(f.grid.Items(1), 0, L"c");
  f.grid.SetNodeString(f.grid.Items(2), 0, L"a");
  f.Send(WM_LBUTTONDOWN, f.HeaderPoint(0), MK_LBUTTON);
  f.Send(WM_LBUTTONUP, f.HeaderPoint(0));
  EXPECT_EQ(f.Rows(), L"a b c");
  f.Send(WM_LBUTTONDOWN, f.HeaderPoint(0), MK_LBUTTON);
  f.Send(WM_LBUTTONUP, f.HeaderPoint(0));
  EXPECT_EQ(f.Rows(), L"c b a") << "a second click sorts the other way";
  // Near its right end (no header buttons shown) a header clicks like anywhere else on it.
  const RECT header = treelist_test::HeaderCellOf(f.grid, 0).rect;
  const POINT near_end{header.right - 8, (header.top + header.bottom) / 2};
  f.Send(WM_LBUTTONDOWN, near_end, MK_LBUTTON);
  EXPECT_EQ(f.grid.State(), tsColumnDown);
  f.Send(WM_LBUTTONUP, near_end);
  EXPECT_EQ(f.Rows(), L"a b c") << "a click 8 pixels from the header's end sorts too";
  EXPECT_EQ(clicked.size(), 4u);
}

TEST(TreeListHeaderClicks, AColumnOrBandMarkedDisableDraggingStaysWhereItIs) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoBandMoving);
  f.grid.SetOptions(f.grid.Options() | aoColumnMoving);
  struct Case {
    const char* what;
    bool band;
    bool disabled;
    TdxTreeListState after_move;
  };
  const Case cases[] = {
      {"a column", false, false, tsColumnDragging},
      {"a column marked", false, true, tsColumnDown},
      {"a band", true, false, tsBandDragging},
      {"a band marked", true, true, tsBandDown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.columns[0]->SetDisableDragging(c.disabled && !c.band);
    f.grid.Bands().Items(0)->SetDisableDragging(c.disabled && c.band);
    const POINT from = c.band ? f.BandPoint(0) : f.HeaderPoint(0);
    f.Send(WM_LBUTTONDOWN, from, MK_LBUTTON);
    f.Send(WM_MOUSEMOVE, {from.x + 5, from.y - 5}, MK_LBUTTON);
    EXPECT_EQ(f.grid.State(), c.band ? tsBandDown : tsColumnDown) << "5 pixels start nothing";
    f.Send(WM_MOUSEMOVE, {from.x + 30, from.y}, MK_LBUTTON);
    EXPECT_EQ(f.grid.State(), c.after_move);
    SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    f.Send(WM_LBUTTONUP, {from.x + 30, from.y});
    EXPECT_EQ(f.grid.State(), tsNone);
  }
}

TEST(TreeListHeaderClicks, TheCornerButtonsBesideTheBandAndHeaderPanelsClickWhenTheyMay) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  f.grid.SetShowIndicator(true);
  std::string clicks;
  f.grid.OnBandButtonClick = [&](framework::TComponent* s) { clicks += s == &f.grid ? "B" : "?"; };
  f.grid.OnHeaderButtonClick = [&](framework::TComponent* s) {
    clicks += s == &f.grid ? "H" : "?";
  };
  const Layout layout = f.grid.GetLayout();
  const POINT band_part{layout.indicator_corner.left + 1, layout.band_panel.top + 2};
  const POINT header_part{layout.indicator_corner.left + 1, layout.header_panel.bottom - 2};
  const RECT glyph = f.grid.HeaderButtonRect();
  ASSERT_FALSE(PtInRect(&glyph, band_part) || PtInRect(&glyph, header_part));
  const auto click = [&](POINT down, POINT up) {
    f.Send(WM_LBUTTONDOWN, down, MK_LBUTTON);
    const TdxTreeListState held = f.grid.State();
    f.Send(WM_LBUTTONUP, up);
    EXPECT_EQ(f.grid.State(), tsNone);
    return held;
  };
  EXPECT_EQ(click(band_part, band_part), tsNone) << "no band button without its option";
  EXPECT_EQ(click(header_part, header_part), tsNone);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoBandButtonClicking | aoHeaderButtonClicking);
  EXPECT_EQ(click(band_part, band_part), tsBandButtonDown);
  EXPECT_EQ(click(header_part, header_part), tsHeaderButtonDown);
  EXPECT_EQ(click(header_part, band_part), tsHeaderButtonDown) << "released on the other part";
  EXPECT_EQ(click(band_part, f.HeaderPoint(0)), tsBandButtonDown) << "released on a header";
  EXPECT_EQ(click(Mid(glyph), Mid(glyph)), tsIndicatorButtonDown);
  EXPECT_EQ(clicks, "BH");
}

TEST(TreeListDragPictures, APictureIsAsWideAsWhatIsDraggedAtLeastTheCursorsWidth) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoBandMoving);
  f.grid.SetOptions(f.grid.Options() | aoColumnMoving);
  f.columns[0]->SetMinWidth(5);
  f.columns[0]->SetWidth(10);  // narrower than the cursor
  const int cursor = GetSystemMetrics(SM_CXCURSOR);
  ASSERT_GT(cursor, 10);
  const auto dragged_width = [&](POINT from) {
    f.Send(WM_LBUTTONDOWN, from, MK_LBUTTON);
    f.Send(WM_MOUSEMOVE, {from.x + 8, from.y}, MK_LBUTTON);
    const SIZE size = f.grid.DragImage().Size();
    EXPECT_TRUE(f.grid.State() == tsColumnDragging || f.grid.State() == tsBandDragging)
        << from.x << "," << from.y << " state " << f.grid.State();
    SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    f.Send(WM_LBUTTONUP, {from.x + 8, from.y});
    return size.cx;
  };
  EXPECT_EQ(dragged_width(f.HeaderPoint(0)), cursor) << "a 10-pixel column";
  EXPECT_EQ(dragged_width(f.HeaderPoint(1)), 120);
  EXPECT_EQ(dragged_width(f.BandPoint(0)), 130) << "its columns' 10 and 120";
  EXPECT_EQ(dragged_width(f.BandPoint(1)), 120);

  // A node: its cell's text, 26 pixels beside it for the frames, 6 above and below.
  f.grid.SetDragMode(TDragMode::dmAutomatic);
  f.grid.SetOptions(f.grid.Options() & ~aoRowSelect);
  const RECT cell = f.grid.GetCellRect(f.grid.Items(2), 1);
  const POINT from = Mid(cell);
  f.Send(WM_LBUTTONDOWN, from, MK_LBUTTON);
  f.Send(WM_MOUSEMOVE, {from.x, from.y + 8}, MK_LBUTTON);
  ASSERT_EQ(f.grid.State(), tsNodeDragging);
  HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(screen, f.grid.Font().Handle());
  SIZE text{};
  GetTextExtentPoint32W(screen, L"B2", 2, &text);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(f.grid.DragImage().Size().cx, text.cx + 26);
  EXPECT_EQ(f.grid.DragImage().Size().cy, text.cy + 6);
  // Over the focused row's first cell the focus takes that column.
  ASSERT_EQ(f.grid.FocusedColumn(), 1);
  f.Send(WM_MOUSEMOVE, Mid(f.grid.GetCellRect(f.grid.GetFocusedNode(), 0)), MK_LBUTTON);
  EXPECT_EQ(f.grid.FocusedColumn(), 0);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  f.Send(WM_LBUTTONUP, {from.x, from.y + 8});
}

TEST(TreeListDragPictures, ABandDroppedBeforeTheLeftFixedBandStaysWhereItWas) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoBandMoving);
  f.grid.Bands().Add()->SetCaption(L"third");
  f.columns[2]->SetBandIndex(2);
  TdxTreeListColumn* middle = f.grid.CreateColumn<TdxTreeListColumn>();
  middle->SetBandIndex(1);
  for (int i = 0; i < f.grid.ColumnCount(); ++i) f.grid.Columns(i)->SetWidth(60);  // all in view
  f.grid.Bands().Items(0)->SetFixed(TdxGridBandFixed::bfLeft);
  const auto captions = [&] {
    std::wstring out;
    for (int i = 0; i < f.grid.Bands().Count(); ++i) out += f.grid.Bands().Items(i)->Caption();
    return out;
  };
  f.grid.Bands().Items(0)->SetCaption(L"fixed");
  f.grid.Bands().Items(1)->SetCaption(L"second");
  bool scrolling = false;  // the edge scroll's timer ran when the mouse let go
  const auto drag_third_to = [&](int x) {
    const POINT from = f.BandPoint(2);
    f.Send(WM_LBUTTONDOWN, from, MK_LBUTTON);
    f.Send(WM_MOUSEMOVE, {from.x - 10, from.y}, MK_LBUTTON);
    f.Send(WM_MOUSEMOVE, {x, from.y}, MK_LBUTTON);
    ASSERT_EQ(f.grid.State(), tsBandDragging);
    scrolling = KillTimer(f.hwnd(), TCustomdxTreeList::kDragScrollTimer);
    f.Send(WM_LBUTTONUP, {x, from.y});
  };
  const Layout before = f.grid.GetLayout();
  drag_third_to(before.bands[0].left + 3);
  EXPECT_EQ(captions(), L"fixedsecondthird") << "nothing goes before the left-fixed band";
  drag_third_to((before.bands[1].left + before.bands[1].right) / 2);
  EXPECT_EQ(captions(), L"fixedthirdsecond") << "the second band's middle is before it";
  EXPECT_FALSE(scrolling) << "away from the edges nothing scrolls";
}

// A header dropped where the panel has no header: below a band's rows it opens a new row there,
// right of a row's last header it goes after that header; the arrows point at that place first.
TEST(TreeListDragPictures, HeadersDroppedBesideOrBelowTheRowsLandWhereTheArrowsPoint) {
  struct TwoRows : ColumnsForm {
    TwoRows() {
      grid.SetShowBands(true);
      grid.SetOptions(grid.Options() | aoColumnMoving);
      for (TdxTreeListColumn* c : columns) c->SetWidth(60);
      grid.SetHeaderPanelRowCount(2);
      columns[1]->SetRowIndex(1);  // B0 holds A over B; B1 holds C alone
    }
    // Drags column `column` to `to` and says where the arrows stood before the drop.
    std::pair<LONG, LONG> DragHeader(int column, POINT to) {
      const POINT from = HeaderPoint(column);
      Send(WM_LBUTTONDOWN, from, MK_LBUTTON);
      Send(WM_MOUSEMOVE, {from.x + 10, from.y}, MK_LBUTTON);
      Send(WM_MOUSEMOVE, to, MK_LBUTTON);
      EXPECT_EQ(grid.State(), tsColumnDragging);
      const std::pair<LONG, LONG> arrows{grid.ArrowsRect().left, grid.ArrowsRect().top};
      Send(WM_LBUTTONUP, to);
      return arrows;
    }
    std::wstring Header() { return treelist_test::HeaderRows(grid.GetHeaderModel()); }
    std::pair<LONG, LONG> Screen(POINT p) {
      ClientToScreen(hwnd(), &p);
      return {p.x, p.y};
    }
  };
  {
    TwoRows f;
    ASSERT_EQ(f.Header(), L"{A/B}{C/}");
    const Layout l = f.grid.GetLayout();
    const int row_height = l.header_row_height;
    const POINT below_c{(l.bands[1].left + l.bands[1].right) / 2,
                        l.header_panel.top + row_height + 3};
    EXPECT_EQ(f.DragHeader(0, below_c),
              f.Screen({l.bands[1].left - 5, l.header_panel.top + row_height - 9}));
    EXPECT_EQ(f.Header(), L"{B/}{C/A}");
  }
  {
    TwoRows f;
    const Layout l = f.grid.GetLayout();
    const RECT b = l.HeaderOf(1)->rect;
    const POINT right_of_rows{l.bands.back().right + 8, (b.top + b.bottom) / 2};
    ASSERT_TRUE(PtInRect(&l.header_panel, right_of_rows));
    EXPECT_EQ(f.DragHeader(2, right_of_rows), f.Screen({b.right - 5, b.top - 9}))
        << "after B, the last header of the second row";
    EXPECT_EQ(f.Header(), L"{A/B,C}{/}");
  }
  {
    TwoRows f;
    const Layout l = f.grid.GetLayout();
    const RECT c = l.HeaderOf(2)->rect;
    const POINT first_pixel_right{l.bands.back().right, (c.top + c.bottom) / 2};
    EXPECT_EQ(f.DragHeader(0, first_pixel_right), f.Screen({c.right - 5, c.top - 9}))
        << "after C, not after A whose right edge is also left of the mouse";
    EXPECT_EQ(f.Header(), L"{B/}{C,A/}");
  }
}

TEST(TreeListDragPictures, TheFirstColumnAndBandMoveAndHideLikeTheOthers) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoBandMoving);
  f.grid.SetOptions(f.grid.Options() | aoColumnMoving | aoExtCustomizing);
  for (TdxTreeListColumn* c : f.columns) c->SetWidth(60);
  // The first column dropped right of its neighbour.
  const RECT b = treelist_test::HeaderCellOf(f.grid, 1).rect;
  const POINT from = f.HeaderPoint(0);
  f.Send(WM_LBUTTONDOWN, from, MK_LBUTTON);
  f.Send(WM_MOUSEMOVE, {from.x + 10, from.y}, MK_LBUTTON);
  f.Send(WM_MOUSEMOVE, {b.right - 5, from.y}, MK_LBUTTON);
  f.Send(WM_LBUTTONUP, {b.right - 5, from.y});
  std::wstring order;
  for (const LayoutHeaderCell& h : f.grid.GetLayout().headers) {
    order += f.grid.Columns(h.column)->Caption();
  }
  EXPECT_EQ(order, L"BAC");

  // The first band held over the near half of the second: its own place, no arrows.
  const Layout l = f.grid.GetLayout();
  const POINT band = f.BandPoint(0);
  f.Send(WM_LBUTTONDOWN, band, MK_LBUTTON);
  f.Send(WM_MOUSEMOVE, {band.x + 10, band.y}, MK_LBUTTON);
  f.Send(WM_MOUSEMOVE, {l.bands[1].left + 3, band.y}, MK_LBUTTON);
  ASSERT_EQ(f.grid.State(), tsBandDragging);
  EXPECT_FALSE(f.grid.ArrowsShown());
  // Dropped below the panels with aoExtCustomizing, it goes out of view.
  f.Send(WM_MOUSEMOVE, {band.x, l.rows.top + 40}, MK_LBUTTON);
  f.Send(WM_LBUTTONUP, {band.x, l.rows.top + 40});
  EXPECT_FALSE(f.grid.Bands().Items(0)->Visible());
}

TEST(TreeListMouse, ABandEdgeDraggedWidensItsColumnsAndADoubleClickOpensARow) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  ASSERT_FALSE(f.grid.Options() & aoAutoWidth);
  const Layout l = f.grid.GetLayout();
  const int y = (l.band_panel.top + l.band_panel.bottom) / 2;
  const int edge = l.bands[0].right - 1;
  f.Send(WM_LBUTTONDOWN, {edge, y}, MK_LBUTTON);
  ASSERT_EQ(f.grid.State(), tsBandSizing);
  f.Send(WM_MOUSEMOVE, {edge + 20, y}, MK_LBUTTON);
  f.Send(WM_LBUTTONUP, {edge + 20, y});
  EXPECT_EQ(f.columns[0]->Width() + f.columns[1]->Width(), 260) << "240 and the 20 pixels";

  TdxTreeListNode* parent = f.grid.Items(1);
  parent->AddChild();
  const RECT cell = f.grid.GetCellRect(parent, 1);
  SendMessageW(f.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(cell.left + 5, cell.top + 3));
  EXPECT_TRUE(parent->Expanded());
  SendMessageW(f.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(cell.left + 5, cell.top + 3));
  EXPECT_FALSE(parent->Expanded());
}

// A band laid out no pixels wide (its width and every minimum 0) dragged open again: its columns
// come back in the proportion they were given, not squeezed by a scale from nothing.
TEST(TreeListMouse, ABandOfNoWidthDraggedOpenGivesItsColumnsTheirProportions) {
  ColumnsForm f;
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() & ~aoBandHeaderWidth);  // the band keeps its own width
  for (TdxTreeListColumn* c : {f.columns[0], f.columns[1]}) c->SetMinWidth(0);
  f.columns[0]->SetWidth(160);
  f.columns[1]->SetWidth(80);
  TdxTreeListBand& band = *f.grid.Bands().Items(0);
  band.SetMinWidth(0);
  band.SetWidth(0);
  const Layout closed = f.grid.GetLayout();
  ASSERT_EQ(closed.band_widths[0], 0);
  const int y = (closed.band_panel.top + closed.band_panel.bottom) / 2;
  const int edge = closed.bands[0].right;
  f.Send(WM_LBUTTONDOWN, {edge, y}, MK_LBUTTON);
  ASSERT_EQ(f.grid.State(), tsBandSizing);
  f.Send(WM_MOUSEMOVE, {edge + 150, y}, MK_LBUTTON);
  f.Send(WM_LBUTTONUP, {edge + 150, y});
  const Layout open = f.grid.GetLayout();
  ASSERT_GT(open.band_widths[0], 100);
  // The first column also holds the rows' indent.
  const int indent = f.grid.GetHeaderModel().first_band_offset;
  const RECT a = open.HeaderOf(0)->rect, b = open.HeaderOf(1)->rect;
  EXPECT_EQ(a.right - a.left + b.right - b.left, open.band_widths[0] + indent) << "band filled";
  EXPECT_NEAR(a.right - a.left - indent, 2 * (b.right - b.left), 1) << "160 to 80 as given";
}

// The wheel's setting as the user made it, behind the grid's seam.
UINT g_wheel_lines = 3;

TEST(TreeListWheel, ANotchScrollsTheUsersLinesPartsAddUpAndAPageSettingScrollsAPage) {
  ColumnsForm f(60);
  f.grid.Seams().wheel_scroll_lines = [] { return g_wheel_lines; };
  const auto wheel = [&](int delta) {
    SendMessageW(f.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(100, 100));
  };
  const int page = f.grid.FullyVisibleRowCount();
  ASSERT_GT(page, 4);
  struct Step {
    UINT lines;
    int delta;
    int top;
    const char* why;
  };
  const Step steps[] = {
      {3, -WHEEL_DELTA, 3, "a notch toward the user: three rows down"},
      {3, WHEEL_DELTA, 0, "and back up"},
      {3, WHEEL_DELTA, 0, "nothing above the first row"},
      {1, -40, 0, "a third of a notch is no row yet"},
      {1, -40, 0, "two thirds"},
      {1, -40, 1, "the third third makes the row"},
      {2, -60, 2, "half a notch of two rows is a row"},
      {WHEEL_PAGESCROLL, -WHEEL_DELTA, 2 + page, "a page"},
      {0, -WHEEL_DELTA, 2 + page, "scrolling switched off"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.why);
    g_wheel_lines = s.lines;
    wheel(s.delta);
    EXPECT_EQ(f.grid.TopIndex(), s.top);
  }
  // More lines than a page scroll a page: no row passes unseen.
  f.grid.SetTopIndex(0);
  g_wheel_lines = 1000;
  wheel(-WHEEL_DELTA);
  EXPECT_EQ(f.grid.TopIndex(), page);
}

TEST(TreeListWheel, TheWheelTurnedOverTheOpenEditorScrollsTheGrid) {
  ColumnsForm f(60);
  f.grid.Seams().wheel_scroll_lines = [] { return 3u; };
  f.grid.SetOptions((f.grid.Options() | aoEditing) & ~aoRowSelect);
  f.grid.SetFocusedCell(f.grid.Items(0), 0, true);
  f.grid.ShowEditor();
  ASSERT_EQ(f.grid.State(), tsEditing);
  SendMessageW(f.grid.InplaceEditor()->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
               MAKELPARAM(100, 100));
  EXPECT_EQ(f.grid.TopIndex(), 3);
}

// A shown, editable grid: a name column, then a check, a pick and a link column.
struct TypedForm {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  TdxTreeListColumn* name;
  TdxTreeListCheckColumn* check;
  TdxTreeListPickColumn* pick;
  TdxTreeListHyperLinkColumn* link;
  TypedForm() {
    grid.SetParent(&form);
    form.SetBounds(40, 40, 460, 220);
    grid.SetBounds(10, 10, 420, 160);
    grid.SetOptions((grid.Options() | aoEditing) & ~aoRowSelect);
    grid.Seams().cursor_pos = [] { return g_cursor; };
    name = grid.CreateColumn<TdxTreeListColumn>();
    check = grid.CreateColumn<TdxTreeListCheckColumn>();
    pick = grid.CreateColumn<TdxTreeListPickColumn>();
    link = grid.CreateColumn<TdxTreeListHyperLinkColumn>();
    for (TdxTreeListColumn* c : std::initializer_list<TdxTreeListColumn*>{name, check, pick, link})
      c->SetWidth(100);
    for (const wchar_t* text : {L"r0", L"r1", L"r2"}) {
      TdxTreeListNode* node = grid.Add();
      grid.SetNodeString(node, name->Index(), text);
      grid.SetNodeString(node, check->Index(), L"False");
      grid.SetNodeString(node, pick->Index(), L"off");
      grid.SetNodeString(node, link->Index(), L"http://localhost/");
    }
    form.Show();
  }
  HWND hwnd() { return grid.Handle(); }
  RECT Cell(int row, const TdxTreeListColumn* c) {
    return grid.GetCellRect(grid.Items(row), c->Index());
  }
  std::wstring Text(int row, const TdxTreeListColumn* c) {
    return grid.GetNodeString(grid.Items(row), c->Index());
  }
};

TEST(TreeListTypedCells, OneClickOnACheckBoxTogglesItAndAClickBesideItOnlyFocuses) {
  TypedForm f;
  // The box: the system's 13-pixel check glyph centred in the cell less 2 pixels a side.
  const RECT cell = f.Cell(1, f.check);
  const POINT box{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  const auto click = [&](POINT p) {
    SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  };
  click({cell.left + 4, box.y});  // beside the box: the cell gets the focus, nothing toggles
  EXPECT_EQ(f.grid.GetFocusedNode(), f.grid.Items(1));
  EXPECT_EQ(f.grid.FocusedColumn(), f.check->Index());
  EXPECT_NE(f.grid.State(), tsEditing);
  click(box);
  ASSERT_EQ(f.grid.State(), tsEditing) << "the click opened the check editor";
  EXPECT_NE(GetCapture(), f.hwnd()) << "the release gave the mouse back";
  f.grid.CloseEditor();
  EXPECT_EQ(f.Text(1, f.check), L"True");
  click({box.x, box.y + f.grid.DefaultRowHeight()});  // the box of an unfocused row
  f.grid.CloseEditor();
  EXPECT_EQ(f.Text(2, f.check), L"True");
  EXPECT_EQ(f.Text(1, f.check), L"True");
  EXPECT_EQ(f.Text(0, f.check), L"False");
  // An edit the application refuses leaves the press to the row, as any other.
  f.grid.OnEditing = [](framework::TComponent*, TdxTreeListNode*, bool& allow) { allow = false; };
  const POINT first{box.x, box.y - f.grid.DefaultRowHeight()};
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.x, first.y));
  EXPECT_EQ(f.grid.State(), tsNodeDown);
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(first.x, first.y));
  EXPECT_EQ(f.Text(0, f.check), L"False");
}

TEST(TreeListTypedCells, AClickOnAShownDropDownButtonOpensTheEditorAndItsList) {
  TypedForm f;
  f.pick->SetImmediateDropDown(false);
  f.pick->SetItems({"horizontal", "off"});
  const RECT cell = f.Cell(2, f.pick);
  const POINT button{cell.right - 4, (cell.top + cell.bottom) / 2};
  const POINT text{cell.left + 10, button.y};
  const auto click = [&](POINT p) {
    SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    return f.grid.State() == tsEditing;
  };
  const auto dropped = [&] {
    auto* editor = dynamic_cast<editors::TdxInplaceDropDownEdit*>(f.grid.InplaceEditor());
    return editor && editor->DroppedDown();
  };
  EXPECT_FALSE(click(button)) << "no button is shown without aoShowButtonAlways";
  f.grid.SetOptionsEx(f.grid.OptionsEx() | aoShowButtonAlways);
  f.grid.SetFocusedCell(f.grid.Items(0), f.name->Index(), true);
  EXPECT_FALSE(click(text)) << "the text of an unfocused cell only focuses it";
  f.grid.SetFocusedCell(f.grid.Items(0), f.name->Index(), true);
  ASSERT_TRUE(click(button));
  EXPECT_EQ(f.grid.GetFocusedNode(), f.grid.Items(2));
  EXPECT_TRUE(dropped()) << "the button's press opened the list";
  f.grid.CancelEditor();
  f.pick->SetReadOnly(true);
  EXPECT_FALSE(click(button)) << "a read-only column's button does nothing";
}

TEST(TreeListTypedCells, DropDownCellsFollowTheMouseWithoutHotTrackingAndLinksShowTheirCursor) {
  TypedForm f;
  ASSERT_FALSE(f.grid.OptionsEx() & aoHotTrack);
  const auto move_to = [&](const RECT& cell) {
    const POINT p = Mid(cell);
    g_cursor = p;
    ClientToScreen(f.hwnd(), &g_cursor);
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
  };
  move_to(f.Cell(2, f.pick));
  EXPECT_EQ(f.grid.HotTrack().node, f.grid.Items(2));
  EXPECT_EQ(f.grid.HotTrack().column, f.pick->Index());
  move_to(f.Cell(2, f.name));
  EXPECT_EQ(f.grid.HotTrack().node, nullptr) << "a text cell does not follow the mouse";
  EXPECT_EQ(f.grid.HotTrack().column, -1);

  const auto cursor_over = [&](const RECT& cell) {
    POINT p = Mid(cell);
    ClientToScreen(f.hwnd(), &p);
    SendMessageW(f.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    SendMessageW(f.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(f.hwnd()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  editors::RegisterLinkCursor();
  const HCURSOR link = framework::Screen().CursorHandle(editors::crdxLink);
  EXPECT_NE(cursor_over(f.Cell(0, f.link)), link) << "a link opens with a double click";
  f.link->SetSingleClick(true);
  EXPECT_EQ(cursor_over(f.Cell(0, f.link)), link);
  EXPECT_NE(cursor_over(f.Cell(0, f.name)), link);
  f.grid.SetFocusedCell(f.grid.Items(1), f.name->Index(), true);
  f.grid.ShowEditor();
  ASSERT_EQ(f.grid.State(), tsEditing);
  EXPECT_EQ(cursor_over(f.Cell(2, f.link)), link) << "while another cell is edited";
  f.link->SetIndex(0);
  EXPECT_EQ(cursor_over(f.Cell(1, f.link)), link) << "the first column's link too";
}

TEST(TreeListTypedCells, TheEditorTakesItsColumnsColourFontAndOffsetsAndValidatingNamesTheColumn) {
  TypedForm f;
  f.pick->SetColor(framework::clYellow);
  framework::TFont bold = f.grid.Font();
  bold.SetStyle(framework::fsBold);
  f.pick->SetFont(bold);
  framework::TComponent* validated_by = nullptr;
  f.grid.OnEditValidate = [&](framework::TComponent* sender, std::string&, bool&) {
    validated_by = sender;
  };
  f.grid.SetFocusedCell(f.grid.Items(0), f.pick->Index(), true);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_F2, 0);
  ASSERT_EQ(f.grid.State(), tsEditing);
  editors::TdxInplaceEdit* editor = f.grid.InplaceEditor();
  EXPECT_EQ(framework::ColorToRGB(editor->Color()), RGB(255, 255, 0));
  EXPECT_TRUE(editor->Font().Style() & framework::fsBold);
  const RECT offsets = editor->TextOffsets();
  EXPECT_EQ(std::vector<LONG>({offsets.left, offsets.top, offsets.right, offsets.bottom}),
            std::vector<LONG>({1, 0, 0, 0}))
      << "the text a pixel in from the editor's left";
  SendMessageW(editor->Handle(), WM_CHAR, L'x', 0);
  SendMessageW(editor->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(validated_by, f.pick) << "the column whose value is checked, not the grid";
  // Another column without a colour of its own: the grid's.
  f.grid.SetFocusedCell(f.grid.Items(0), f.name->Index(), true);
  SendMessageW(f.hwnd(), WM_KEYDOWN, VK_F2, 0);
  ASSERT_EQ(f.grid.State(), tsEditing);
  EXPECT_EQ(framework::ColorToRGB(f.grid.InplaceEditor()->Color()),
            framework::ColorToRGB(f.grid.Color()));
  EXPECT_FALSE(f.grid.InplaceEditor()->Font().Style() & framework::fsBold);
}

// A published grid sorted by its first column, rows "c", "a", "b" given in that order.
struct SortedForm {
  framework::TForm form{nullptr};
  TdxTreeList grid{nullptr};
  TdxTreeListColumn* first;
  TdxTreeListColumn* second;
  SortedForm() {
    grid.SetParent(&form);
    form.SetBounds(40, 40, 300, 200);
    grid.SetBounds(10, 10, 260, 150);
    first = grid.CreateColumn<TdxTreeListColumn>();
    second = grid.CreateColumn<TdxTreeListColumn>();
    for (const wchar_t* text : {L"c", L"a", L"b"}) {
      TdxTreeListNode* node = grid.Add();
      grid.SetNodeString(node, 0, text);
      grid.SetNodeString(node, 1, L"1");
    }
    grid.SetOptions(grid.Options() | aoAutoSort);
    grid.SetOptionsEx(grid.OptionsEx() | aoAutoSortRefresh | aoMultiSort);
    first->SetSorted(TdxTreeListColumnSort::csUp);
    form.Show();
  }
  std::wstring Rows() {
    std::wstring out;
    for (TdxTreeListNode* node : grid.TopNodes()) out += grid.GetNodeString(node, 0);
    return out;
  }
};

TEST(TreeListSorting, TextsSetInsideAnUpdateAreSortedWhenItEndsAndARestoredColumnLeavesTheSort) {
  SortedForm f;
  ASSERT_EQ(f.Rows(), L"abc");
  f.grid.SetNodeString(f.grid.Items(0), 0, L"d");
  EXPECT_EQ(f.Rows(), L"bcd") << "outside an update at once";
  f.grid.BeginUpdate();
  f.grid.SetNodeString(f.grid.Items(0), 0, L"z");
  f.grid.SetNodeString(f.grid.Items(1), 0, L"e");
  EXPECT_EQ(f.Rows(), L"zed") << "nothing moves inside the update";
  f.grid.EndUpdate();
  EXPECT_EQ(f.Rows(), L"dez");

  // The primary sort column restored to its defaults leaves the sort to the next one.
  const RECT header = treelist_test::HeaderCellOf(f.grid, f.second->Index()).rect;
  const POINT p = Mid(header);
  SendMessageW(f.grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(p.x, p.y));
  SendMessageW(f.grid.Handle(), WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(p.x, p.y));
  ASSERT_EQ(f.grid.SortedColumns(), (std::vector<TdxTreeListColumn*>{f.first, f.second}));
  f.first->RestoreDefaults();
  EXPECT_EQ(f.grid.SortedColumns(), std::vector<TdxTreeListColumn*>{f.second});
  f.grid.SetNodeString(f.grid.Items(0), 1, L"3");  // "d" goes last by the second column
  EXPECT_EQ(f.Rows(), L"ezd");
  // A click without Shift sorts by its column alone, also under aoMultiSort.
  const POINT first = Mid(treelist_test::HeaderCellOf(f.grid, f.first->Index()).rect);
  SendMessageW(f.grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.x, first.y));
  SendMessageW(f.grid.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(first.x, first.y));
  EXPECT_EQ(f.grid.SortedColumns(), std::vector<TdxTreeListColumn*>{f.first});
  f.second->SetSorted(TdxTreeListColumnSort::csUp);  // the click's Shift is gone with it
  EXPECT_EQ(f.grid.SortedColumns(), std::vector<TdxTreeListColumn*>{f.second});
}

TEST(TreeListSorting, NodesAddedOrDeletedAreSortedAtOnceOrWhenTheUpdateEnds) {
  SortedForm f;
  const auto first = [&] { return f.grid.TopNodes().front(); };
  TdxTreeListNode* added = f.grid.Add();
  EXPECT_EQ(first(), added) << "an empty text sorts first, at once";
  f.grid.BeginUpdate();
  delete added;
  TdxTreeListNode* inside = f.grid.Add();
  EXPECT_EQ(f.grid.TopNodes().back(), inside) << "nothing moves inside the update";
  f.grid.EndUpdate();
  EXPECT_EQ(first(), inside);

  // Rows left out of order while the refresh was off: a deletion sorts them, at once or when
  // the update ends.
  const auto stale = [&](const wchar_t* text) {
    f.grid.SetOptionsEx(f.grid.OptionsEx() & ~aoAutoSortRefresh);
    f.grid.SetNodeString(first(), 0, text);
    f.grid.SetOptionsEx(f.grid.OptionsEx() | aoAutoSortRefresh);
  };
  stale(L"z");
  ASSERT_EQ(f.Rows(), L"zabc");
  delete f.grid.TopNodes()[1];
  EXPECT_EQ(f.Rows(), L"bcz");
  stale(L"y");
  f.grid.BeginUpdate();
  delete f.grid.TopNodes().back();
  EXPECT_EQ(f.Rows(), L"yc");
  f.grid.EndUpdate();
  EXPECT_EQ(f.Rows(), L"cy");
}

TEST(TreeListKeys, CtrlASelectsTheFocusedNodesSiblingsOrWithExtMultiSelectEveryNode) {
  treelist_test::GridForm f;
  using treelist_test::AddNamed;
  TdxTreeListNode* a = AddNamed(f.grid, nullptr, L"a");
  TdxTreeListNode* a1 = AddNamed(f.grid, a, L"a1");
  AddNamed(f.grid, a, L"a2");
  AddNamed(f.grid, a1, L"a1x");
  TdxTreeListNode* b = AddNamed(f.grid, nullptr, L"b");
  AddNamed(f.grid, b, L"b1");
  const auto ctrl_a = [&] {
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    f.Key('A');
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    std::wstring names;
    for (int i = 0; i < f.grid.SelectedCount(); ++i)
      names += f.grid.Name(f.grid.SelectedNode(i)) + L" ";
    return names;
  };
  a->Expand(false);
  f.grid.SetFocusedNode(a1);
  EXPECT_EQ(ctrl_a(), L"") << "only with aoMultiSelect";
  f.grid.SetOptions(f.grid.Options() | aoMultiSelect);
  EXPECT_EQ(ctrl_a(), L"a1 a2 ") << "the siblings of the focused node";
  f.grid.SetFocusedNode(a);
  EXPECT_EQ(ctrl_a(), L"a b ") << "the top-level rows: a selection stays among siblings";
  f.grid.SetOptions(f.grid.Options() | aoExtMultiSelect);
  EXPECT_EQ(ctrl_a(), L"a a1 a1x a2 b b1 ") << "expanded, to the deepest last node";
}

}  // namespace
