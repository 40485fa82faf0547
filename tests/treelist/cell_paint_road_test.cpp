// Plain text cells paint unclipped, pixel for pixel what each cell clipped to itself paints.
#include <gtest/gtest.h>

#include "controls/surface.h"
#include "grid_fixture.h"

namespace {

// Column 1 right-aligned; `clipped` takes the clipped road for every cell.
struct RoadGrid : treelist_test::TestTreeList {
  using TestTreeList::TestTreeList;
  struct : editors::TdxTextEditViewData {
    bool PaintInsideCell(HDC) const override { return false; }
  } clipped_data;
  bool clipped = false;
  framework::TAlignment GetCellAlignment(int column) override {
    return column == 1 ? framework::TAlignment::taRightJustify : TestTreeList::GetCellAlignment(0);
  }
  editors::TdxEditViewData& CellViewData(int column) override {
    return clipped ? clipped_data : TestTreeList::CellViewData(column);
  }
};

TEST(TreeListCellRoads, PlainCellsPaintUnclippedWhatTheClippedRoadPaints) {
  framework::TForm form(nullptr);
  RoadGrid grid(nullptr);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 360, 100);
  form.Show();
  grid.SetModel(treelist_test::TwoBandModel());
  treelist::TdxTreeListNode* net = treelist_test::AddNamed(grid, nullptr, L"Net 1");
  auto* child = treelist_test::AddNamed(grid, net, L"A net whose long name runs past every cell");
  net->SetExpanded(true);
  for (const uint32_t options : {0, int{treelist::aoDrawEndEllipsis}, int{treelist::aoRowSelect}}) {
    for (const wchar_t* search : {L"", L"A n"}) {  // matched text cut off by the right alignment
      grid.SetOptions(treelist::kDefaultOptions | options);
      grid.SetFocusedCell(child, 1, false);
      if (*search) grid.StartSearch(1, search);
      xptest::Surface plain(360, 100), clipped(360, 100);
      grid.PaintGridTo(plain.dc());
      grid.clipped = true;
      grid.PaintGridTo(clipped.dc());
      grid.clipped = false;
      grid.EndSearch();
      EXPECT_GT(xptest::CountDark(plain, grid.GetCellRect(net, 0)), 20) << "text painted";
      EXPECT_TRUE(xptest::SamePixels(plain, clipped)) << options << " " << search;
    }
  }
  // The clipped road gives the DC back its own clipping.
  xptest::Surface surface(360, 100);
  win::UniqueRegion clip(CreateRectRgn(0, 0, 60, 40)), after(CreateRectRgn(0, 0, 0, 0));
  SelectClipRgn(surface.dc(), clip.get());
  grid.clipped = true;
  grid.DrawCell({surface.dc(), grid.GetCellRect(net, 1), net, 1});
  GetClipRgn(surface.dc(), after.get());
  EXPECT_TRUE(EqualRgn(clip.get(), after.get()));
}

}  // namespace
