// What the grid's appearance settings give on a shown grid: each colour property's pixels, the
// row heights the grid lines and paint styles give, auto row heights from memo cells, footers
// with their hooks, the new-item row and the custom drawing of bands, footers and previews.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/surface.h"
#include "grid_fixture.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::GridForm;
using Which = treelist::TCustomdxTreeList::TreeListColor;

namespace {

// Three nets with two classes each; the last net is collapsed.
std::vector<TdxTreeListNode*> AddNets(treelist_test::TestTreeList& grid) {
  std::vector<TdxTreeListNode*> rows;
  grid.BeginUpdate();
  for (const wchar_t* net : {L"GND", L"VCC", L"CLK"}) {
    TdxTreeListNode* top = AddNamed(grid, nullptr, net);
    rows.push_back(top);
    for (int i = 1; i <= 2; ++i) {
      rows.push_back(AddNamed(grid, top, std::wstring(net) + L" class " + std::to_wstring(i)));
    }
  }
  grid.EndUpdate();
  grid.FullExpand();
  rows[6]->Collapse(false);
  return rows;
}

void Paint(GridForm& f, xptest::Surface& surface) { f.grid.PaintGridTo(surface.dc()); }

struct ColourCase {
  Which which;
  COLORREF colour;
  const char* name;
};

TEST(TreeListAppearance, EveryColourPropertyPaintsItsPartOfTheGrid) {
  const ColourCase cases[] = {
      {Which::Header, RGB(201, 1, 1), "HeaderColor"},
      {Which::Band, RGB(1, 201, 1), "BandColor"},
      {Which::TreeLine, RGB(1, 1, 201), "TreeLineColor"},
      {Which::GridLine, RGB(201, 201, 1), "GridLineColor"},
      {Which::RowFooter, RGB(201, 1, 201), "RowFooterColor"},
      {Which::PlusMinus, RGB(1, 201, 201), "PlusMinusColor"},
      {Which::HighlightText, RGB(101, 51, 1), "HighlightTextColor"},
  };
  GridForm f(360, 260);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetShowBands(true);
  f.grid.SetShowGrid(true);
  f.grid.SetShowRowFooter(true);
  f.grid.OnIsLevelFooter = [](framework::TComponent*, int level, bool& footer) {
    footer = level == 0;
  };
  f.grid.SetTreeLineStyle(treelist::TdxTreeLineStyle::tlSolid);
  const std::vector<TdxTreeListNode*> rows = AddNets(f.grid);
  for (const ColourCase& c : cases)
    f.grid.SetColor(c.which, static_cast<framework::TColor>(c.colour));
  f.grid.SetFocus();
  f.grid.SetFocusedNode(rows[1]);
  ASSERT_EQ(GetFocus(), f.hwnd()) << "the highlight's text colour needs the focus";
  xptest::Surface surface(f.grid.ClientRect().right, f.grid.ClientRect().bottom);
  Paint(f, surface);
  xptest::WritePicture(surface, "treelist_colours", 2);
  for (const ColourCase& c : cases) {
    EXPECT_GT(xptest::CountOfColour(surface, xptest::Whole(surface), c.colour), 0) << c.name;
  }
}

struct HeightCase {
  bool grid, preview_grid;
  int separator;
  treelist::TdxTreeListPaintStyle style;
  int parent_extra, leaf_extra;  // pixels beyond the line height
  const char* why;
};

TEST(TreeListAppearance, RowHeightsFollowTheGridLinesTheirWidthAndThePaintStyle) {
  using treelist::TdxTreeListPaintStyle;
  const HeightCase cases[] = {
      {false, true, 1, TdxTreeListPaintStyle::psStandard, 0, 0, "no grid"},
      {true, true, 1, TdxTreeListPaintStyle::psStandard, 0, 0, "the line height holds the line"},
      {true, true, 3, TdxTreeListPaintStyle::psStandard, 2, 2, "two more separator pixels"},
      {true, false, 1, TdxTreeListPaintStyle::psStandard, 1, 1, "a line below the line height"},
      {false, true, 1, TdxTreeListPaintStyle::psOutlook, 1, 0, "group rows a pixel taller"},
      {true, true, 1, TdxTreeListPaintStyle::psOutlook, 0, 0, "not with the grid"},
  };
  for (const HeightCase& c : cases) {
    SCOPED_TRACE(c.why);
    GridForm f;
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowGrid(c.grid);
    f.grid.SetShowPreviewGrid(c.preview_grid);
    f.grid.SetRowSeparatorLineWidth(c.separator);
    f.grid.SetPaintStyle(c.style);
    const std::vector<TdxTreeListNode*> rows = AddNets(f.grid);
    const int line = f.grid.DefaultRowHeight();
    const RECT parent = f.grid.GetCellRect(rows[0], 0), leaf = f.grid.GetCellRect(rows[1], 0),
               next = f.grid.GetCellRect(rows[2], 0);
    EXPECT_EQ(leaf.top - parent.top, line + c.parent_extra);
    EXPECT_EQ(next.top - leaf.top, line + c.leaf_extra);
    if (c.grid && c.separator == 3) {
      f.grid.SetColor(Which::GridLine, static_cast<framework::TColor>(RGB(201, 201, 1)));
      xptest::Surface surface(f.grid.ClientRect().right, f.grid.ClientRect().bottom);
      Paint(f, surface);
      const int x = (leaf.left + leaf.right) / 2;
      EXPECT_EQ(xptest::CountOfColour(surface, {x, leaf.top, x + 1, next.top}, RGB(201, 201, 1)), 3)
          << "the separator is as thick as set";
    }
  }
}

}  // namespace
