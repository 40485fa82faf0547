// What the grid's appearance settings give on a shown grid: each colour property's pixels, the
// row heights the grid lines and paint styles give, auto row heights from memo cells, footers
// with their hooks, the new-item row and the custom drawing of bands, footers and previews.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/surface.h"
#include "grid_fixture.h"
#include "treelist/memo_column.h"
#include "treelist/tree_list_control.h"

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

// A grid with columns, a plain one and a memo, whose rows size themselves to the memo's lines.
struct MemoGrid {
  framework::TForm form{nullptr};
  treelist::TCustomdxTreeListControl grid{nullptr};
  treelist::TdxTreeListColumn* name = nullptr;
  treelist::TdxTreeListMemoColumn* memo = nullptr;
  MemoGrid() {
    form.SetBounds(50, 50, 380, 320);
    grid.SetParent(&form);
    grid.SetBounds(10, 10, 340, 260);
    name = grid.CreateColumn<treelist::TdxTreeListColumn>();
    name->SetCaption(L"Rule");
    name->SetWidth(90);
    memo = grid.CreateColumn<treelist::TdxTreeListMemoColumn>();
    memo->SetCaption(L"Description");
    memo->SetWidth(200);
    grid.SetOptionsEx(grid.OptionsEx() | treelist::aoRowAutoHeight);
    form.Show();
  }
  TdxTreeListNode* Add(const std::wstring& rule, const std::wstring& description) {
    TdxTreeListNode* node = grid.Add();
    grid.SetNodeString(node, 0, rule);
    grid.SetNodeString(node, 1, description);
    return node;
  }
  int CellHeight(TdxTreeListNode* node) {
    const RECT r = grid.GetCellRect(node, 1);
    return r.bottom - r.top;
  }
};

// "line 1\r\nline 2..." of `count` lines.
std::wstring Lines(int count) {
  std::wstring text;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) text += L"\r\n";
    text += L"line " + std::to_wstring(i);
  }
  return text;
}

TEST(TreeListAppearance, AutoRowHeightsFitTheMemoLinesUpToMaxRowLineCount) {
  MemoGrid g;
  std::vector<TdxTreeListNode*> rows;
  for (int lines : {1, 3, 5}) rows.push_back(g.Add(L"rule", Lines(lines)));
  const int line = g.grid.DefaultRowHeight(), text = g.grid.GetMetrics().row_text_height;
  EXPECT_EQ(g.CellHeight(rows[0]), line);
  EXPECT_EQ(g.CellHeight(rows[1]), line + 2 * text);
  EXPECT_EQ(g.CellHeight(rows[2]), line + 4 * text);
  EXPECT_EQ(g.grid.GetCellRect(rows[2], 0).top, g.grid.GetCellRect(rows[1], 0).bottom)
      << "rows follow each other";

  // Each of the five lines is painted, one under the other.
  xptest::Surface surface(g.grid.ClientRect().right, g.grid.ClientRect().bottom);
  g.grid.PaintGridTo(surface.dc());
  xptest::WritePicture(surface, "treelist_auto_heights", 2);
  const RECT cell = g.grid.GetCellRect(rows[2], 1);
  const int top = cell.top + (line - text) / 2;
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_GT(xptest::CountDark(
                  surface, {cell.left, top + i * text + 2, cell.right, top + (i + 1) * text - 2}),
              0);
  }

  g.grid.SetMaxRowLineCount(2);
  EXPECT_EQ(g.CellHeight(rows[2]), line + text) << "at most two lines";
  g.grid.SetMaxRowLineCount(0);
  EXPECT_EQ(g.CellHeight(rows[2]), line) << "0: rows do not size themselves";
}

TEST(TreeListAppearance, OnCalcRowLineHeightAnswersForTheCellsItMarksDone) {
  MemoGrid g;
  TdxTreeListNode* node = g.Add(L"tall", L"short");
  g.grid.OnCalcRowLineHeight = [](framework::TComponent*, TdxTreeListNode*, int column,
                                  const std::wstring& text, int, int, int, int& lines, int& height,
                                  bool& done) {
    if (column != 0 || text != L"tall") return;
    lines = 3;
    height = 50;
    done = true;
  };
  g.grid.LayoutChanged();
  EXPECT_EQ(g.CellHeight(node), 50);

  // A row's line count asked of the application comes before any measuring.
  g.grid.OnGetRowLineCount = [&](framework::TComponent*, TdxTreeListNode* asked, int& lines) {
    if (asked == node) lines = 4;
  };
  g.grid.LayoutChanged();
  const int line = g.grid.DefaultRowHeight(), text = g.grid.GetMetrics().row_text_height;
  EXPECT_EQ(g.CellHeight(node), line + 3 * text);
}

TEST(TreeListAppearance, OnGetPreviewLineCountSetsThePreviewsHeight) {
  GridForm f;
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetOptions(f.grid.Options() | treelist::aoPreview);
  f.grid.SetOptionsEx(f.grid.OptionsEx() & ~treelist::aoAutoCalcPreviewLines);
  const std::vector<TdxTreeListNode*> rows = AddNets(f.grid);
  const int preview_line = f.grid.GetMetrics().preview_line_height;
  const int two_lines = f.grid.GetCellRect(rows[1], 0).top - f.grid.GetCellRect(rows[0], 0).top;
  f.grid.OnGetPreviewLineCount = [&](framework::TComponent*, TdxTreeListNode* node, int& lines) {
    if (node == rows[0]) lines = 5;
  };
  f.grid.LayoutChanged();
  EXPECT_EQ(f.grid.GetCellRect(rows[1], 0).top - f.grid.GetCellRect(rows[0], 0).top,
            two_lines + 3 * preview_line);
}

}  // namespace
