// On a real screen: a grid with every colour property in a colour of its own, rows sized to
// their memo lines, and the footers with the new-item row, each captured for a person to look
// at and checked where it must hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../grid_fixture.h"
#include "support/screen_capture.h"

using treelist::TdxTreeListNode;
using treelist_test::GridForm;
using treelist_test::Pump;
using Which = treelist::TCustomdxTreeList::TreeListColor;

namespace {

struct ScreenColour {
  Which which;
  COLORREF colour;
  const char* name;
};

TEST(TreeListAppearanceScreen, EveryColourPropertyShowsOnTheScreen) {
  const ScreenColour colours[] = {
      {Which::Header, RGB(200, 0, 0), "HeaderColor"},
      {Which::Band, RGB(0, 200, 0), "BandColor"},
      {Which::TreeLine, RGB(0, 0, 200), "TreeLineColor"},
      {Which::GridLine, RGB(200, 200, 0), "GridLineColor"},
      {Which::RowFooter, RGB(200, 0, 200), "RowFooterColor"},
      {Which::PlusMinus, RGB(0, 200, 200), "PlusMinusColor"},
      {Which::Highlight, RGB(100, 50, 0), "HighlightColor"},
  };
  GridForm f(360, 260);
  const std::vector<TdxTreeListNode*> rows = treelist_test::AddEveryColouredPart(f.grid);
  for (const ScreenColour& c : colours) {
    f.grid.SetColor(c.which, static_cast<framework::TColor>(c.colour));
  }
  f.grid.SetColor(Which::HideSelection, static_cast<framework::TColor>(RGB(100, 50, 0)));
  f.grid.SetFocusedNode(rows[1]);
  Pump();
  const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(f.hwnd());
  shot.Save("treelist_screen_colours");
  const RECT client = shot.ClientArea(f.hwnd());
  for (const ScreenColour& c : colours) {
    EXPECT_GT(shot.ShareOf(client, c.colour, 0), 0.0) << c.name;
  }
}

TEST(TreeListAppearanceScreen, RowsSizedToTheirMemoLinesShowEveryLine) {
  treelist_test::MemoGrid g;
  std::vector<TdxTreeListNode*> rows;
  for (int lines : {1, 3, 5, 2}) rows.push_back(g.Add(L"rule", treelist_test::Lines(lines)));
  Pump();
  const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(g.grid.Handle());
  shot.Save("treelist_screen_auto_heights");
  const int text = g.grid.GetMetrics().row_text_height;
  const RECT cell = shot.FromClient(g.grid.Handle(), g.grid.GetCellRect(rows[2], 1));
  const RECT ink = shot.InkBox(cell, GetSysColor(COLOR_WINDOW));
  EXPECT_GT(ink.bottom - ink.top, 4 * text) << "five lines, one under the other";
  EXPECT_EQ(g.CellHeight(rows[2]), g.grid.DefaultRowHeight() + 4 * text);
}

TEST(TreeListAppearanceScreen, FootersAndTheNewItemRowShow) {
  GridForm f(360, 260);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowFooter(true);
  f.grid.SetShowRowFooter(true);
  f.grid.SetShowNewItemRow(true);
  f.grid.OnIsLevelFooter = [](framework::TComponent*, int, bool& footer) { footer = true; };
  f.grid.OnIsExistFooterCell = [](framework::TComponent*, int column, bool& exists) {
    exists = column > 0;
  };
  f.grid.OnIsExistRowFooterCell = [](framework::TComponent*, TdxTreeListNode*, int column, int,
                                     bool& exists) { exists = column == 2; };
  f.grid.OnGetFooterCellText = [](framework::TComponent*, TdxTreeListNode* node, int, int,
                                  std::wstring& text) { text = node ? L"2 classes" : L"Total"; };
  const COLORREF strip = RGB(200, 0, 0);
  f.grid.SetColor(Which::Header, static_cast<framework::TColor>(strip));
  treelist_test::AddNets(f.grid);
  Pump();
  const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(f.hwnd());
  shot.Save("treelist_screen_footers");
  const treelist::Layout layout = f.grid.GetLayout();
  const RECT footer = shot.FromClient(f.hwnd(), layout.footer);
  const RECT ink = shot.InkBox(footer, GetSysColor(COLOR_BTNFACE));
  EXPECT_LT(ink.left, ink.right) << "the footer cells' frames and texts";
  const RECT new_item = shot.FromClient(f.hwnd(), layout.new_item_row);
  EXPECT_GT(shot.ShareOf(new_item, strip, 0), 0.1) << "the new-item row's strip";
}

}  // namespace
