// Plain text cells paint without the grid clipping the DC to each of them: every page is the
// page the clipped road paints (each cell's record painted as the editor paints it, the DC
// clipped to the cell), pixel for pixel.
#include <gtest/gtest.h>

#include <string>

#include "controls/surface.h"
#include "grid_fixture.h"

namespace {

using treelist::TdxTreeListNode;

// The editor's text, always painted through the grid's clip.
class ClippedTextViewData : public editors::TdxTextEditViewData {
 public:
  bool PaintInsideCell(HDC) const override { return false; }
};

// Columns aligned left, right and centred; `clipped_road` paints every cell the clipped way.
class AlignedGrid : public treelist_test::TestTreeList {
 public:
  using TestTreeList::TestTreeList;
  bool clipped_road = false;

 protected:
  framework::TAlignment GetCellAlignment(int column) override {
    using framework::TAlignment;
    return column == 1   ? TAlignment::taRightJustify
           : column == 2 ? TAlignment::taCenter
                         : TAlignment::taLeftJustify;
  }
  editors::TdxEditViewData& CellViewData(int column) override {
    return clipped_road ? clipped_ : TestTreeList::CellViewData(column);
  }

 private:
  ClippedTextViewData clipped_;
};

TEST(TreeListCellRoads, PlainCellsPaintWithoutAClipWhatTheClippedRoadPaints) {
  framework::TForm form(nullptr);
  form.SetBounds(50, 50, 400, 280);
  AlignedGrid grid(nullptr);
  grid.SetParent(&form);
  grid.SetBounds(10, 10, 360, 220);
  form.Show();
  grid.SetModel(treelist_test::TwoBandModel());
  // Texts that fit, that run past the cell on either side, none, and a child's indent.
  TdxTreeListNode* parent = treelist_test::AddNamed(grid, nullptr, L"Net 1");
  TdxTreeListNode* child =
      treelist_test::AddNamed(grid, parent, L"A net whose long name runs well past every cell");
  treelist_test::AddNamed(grid, nullptr, L"");
  TdxTreeListNode* last = treelist_test::AddNamed(grid, nullptr, L"WWWWWWWWWWWWWWWWWWWWWWWWWW");
  parent->SetExpanded(true);
  grid.custom_draw = [&](const treelist::TdxCellPaintInfo& cell, std::wstring&,
                         framework::TFont& font) {
    if (cell.node == parent) font.SetStyle(framework::fsBold);
    return false;
  };
  const RECT client = grid.ClientRect();
  struct Case {
    uint32_t options;
    TdxTreeListNode* focused;
    const wchar_t* search;  // null: no search runs
  };
  const Case cases[] = {
      {0, parent, nullptr},
      {treelist::aoDrawEndEllipsis, last, nullptr},
      {treelist::aoRowSelect | treelist::aoDrawEndEllipsis, parent, nullptr},
      {0, parent, L"Ne"},
      {treelist::aoRowSelect, last, L"WWW"},
  };
  for (const Case& c : cases) {
    grid.SetOptions(treelist::kDefaultOptions | c.options);
    grid.SetFocusedCell(c.focused, 1, false);
    if (c.search) grid.StartSearch(1, c.search);
    const COLORREF none = RGB(255, 0, 255);
    xptest::Surface plain(client.right, client.bottom, none);
    xptest::Surface clipped(client.right, client.bottom, none);
    grid.PaintGridTo(plain.dc());
    grid.clipped_road = true;
    grid.PaintGridTo(clipped.dc());
    grid.clipped_road = false;
    grid.EndSearch();
    EXPECT_GT(xptest::CountOtherThan(plain, grid.GetCellRect(child, 0), GetSysColor(COLOR_WINDOW)),
              50)
        << "a page with text";
    EXPECT_TRUE(xptest::SamePixels(plain, clipped))
        << "options " << c.options << ", search " << (c.search ? c.search : L"none");
  }
}

}  // namespace
