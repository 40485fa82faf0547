// The grid as a user sees it, in each look: three levels of nodes, two bands, tree lines,
// images and a focused row, written to build/pictures/ and checked where it must hold.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "controls/surface.h"
#include "framework/screen.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "grid_fixture.h"
#include "treelist/grid_cursors.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::GridForm;

namespace {

struct LookCase {
  treelist::TdxLookAndFeel look;
  const char* picture;
};

const LookCase kLooks[] = {
    {treelist::TdxLookAndFeel::lfStandard, "treelist_standard"},
    {treelist::TdxLookAndFeel::lfFlat, "treelist_flat"},
    {treelist::TdxLookAndFeel::lfUltraFlat, "treelist_ultraflat"},
};

TEST(TreeListPictures, ThreeLevelsTwoBandsTreeLinesImagesAndAFocusedRowInEachLook) {
  for (const LookCase& c : kLooks) {
    SCOPED_TRACE(c.picture);
    GridForm f(360, 230);
    framework::TImageList images(nullptr);
    treelist_test::FillImages(images, {RGB(200, 60, 60), RGB(60, 140, 60), RGB(60, 90, 200)});
    f.grid.SetLookAndFeel(c.look);
    f.grid.SetOptions(f.grid.Options() | treelist::aoAutoWidth);
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowBands(true);
    f.grid.SetShowIndicator(true);
    f.grid.SetImages(&images);
    f.grid.image_by_level[0] = 0;
    f.grid.image_by_level[1] = 1;
    f.grid.image_by_level[2] = 2;
    f.grid.BeginUpdate();
    TdxTreeListNode* focused = nullptr;
    for (const wchar_t* net : {L"GND", L"VCC", L"CLK"}) {
      TdxTreeListNode* top = AddNamed(f.grid, nullptr, net);
      for (int i = 1; i <= 2; ++i) {
        TdxTreeListNode* child =
            AddNamed(f.grid, top, std::wstring(net) + L" class " + std::to_wstring(i));
        for (int j = 1; j <= 2; ++j) {
          TdxTreeListNode* leaf = AddNamed(f.grid, child, L"pad U" + std::to_wstring(i * 10 + j));
          if (!focused && i == 2 && j == 1) focused = leaf;
        }
      }
    }
    f.grid.EndUpdate();
    f.grid.FullExpand();
    f.grid.TopNodes()[2]->Collapse(false);
    f.grid.SetFocus();
    f.grid.SetFocusedNode(focused);

    const RECT client = f.grid.ClientRect();
    xptest::Surface surface(client.right, client.bottom);
    f.grid.PaintGridTo(surface.dc());
    xptest::WritePicture(surface, c.picture, 2);

    const treelist::Layout layout = f.grid.GetLayout();
    const int line = f.grid.DefaultRowHeight();
    const int focused_row = f.grid.GetAbsoluteIndex(focused) - f.grid.TopIndex();
    ASSERT_GE(focused_row, 0);
    const int fy = layout.rows.top + focused_row * line + line / 2;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF focus_colour = GetFocus() == f.hwnd() ? GetSysColor(COLOR_HIGHLIGHT) : face;
    EXPECT_EQ(surface.Pixel(layout.column_left[2] + layout.column_widths[2] - 4, fy), focus_colour)
        << "the focused row is highlighted across the row";
    EXPECT_EQ(surface.Pixel(layout.column_left[1] + layout.column_widths[1] - 4, fy + line),
              GetSysColor(COLOR_WINDOW))
        << "the row below is not";
    EXPECT_EQ(surface.Pixel(layout.column_left[1] + layout.column_widths[1] / 2,
                            layout.header_panel.top + 3),
              face)
        << "header face";
    // The level-1 node under GND that is not last draws a vertical line in slot 1 through the
    // rows of its children; the column's left edge is the tree's origin.
    const int indent = f.grid.Indent();
    const int x_line = layout.column_left[0] + indent + indent / 2;
    const int first_leaf_row = 2;  // GND, GND class 1, pad U11
    int ink = 0;
    for (int y = layout.rows.top + first_leaf_row * line;
         y < layout.rows.top + (first_leaf_row + 1) * line; ++y) {
      if (surface.Pixel(x_line, y) == GetSysColor(COLOR_BTNSHADOW)) ++ink;
    }
    EXPECT_GE(ink, line / 2 - 1) << "a dotted tree line";
    // The image of the first row sits right of the button slot.
    EXPECT_EQ(surface.Pixel(layout.column_left[0] + indent + 8, layout.rows.top + line / 2),
              RGB(200, 60, 60))
        << "the level-0 image";
  }
}

// A cursor's hot spot and mask bits (the monochrome cursor's AND and XOR halves).
std::vector<BYTE> CursorBits(HCURSOR cursor) {
  ICONINFO info{};
  if (!GetIconInfo(cursor, &info)) return {};
  win::UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  BITMAP bitmap{};
  GetObjectW(mask.get(), sizeof bitmap, &bitmap);
  std::vector<BYTE> bits(static_cast<size_t>(bitmap.bmWidthBytes) * bitmap.bmHeight + 2);
  GetBitmapBits(mask.get(), static_cast<LONG>(bits.size() - 2), bits.data() + 2);
  bits[0] = static_cast<BYTE>(info.xHotspot);
  bits[1] = static_cast<BYTE>(info.yHotspot);
  return bits;
}

// The first grid registers the ten cursors of the module's own resources, each its own picture.
TEST(TreeListPictures, TheGridsCursorsComeFromTheModulesResources) {
  GridForm f(100, 100);
  xptest::Surface surface(10 * 40, 80, RGB(255, 255, 255));
  SetBkColor(surface.dc(), RGB(64, 64, 64));
  const RECT dark{0, 40, surface.width(), 80};
  ExtTextOutW(surface.dc(), 0, 0, ETO_OPAQUE, &dark, nullptr, 0, nullptr);
  std::set<std::vector<BYTE>> pictures;
  int x = 4;
  for (const treelist::GridCursor& cursor : treelist::kGridCursors) {
    SCOPED_TRACE(win::Narrow(cursor.resource));
    const HCURSOR registered = framework::Screen().CursorHandle(cursor.id);
    const auto resource = static_cast<HCURSOR>(
        LoadImageW(win::ThisModule(), cursor.resource, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(CursorBits(registered), CursorBits(resource));
    pictures.insert(CursorBits(registered));
    DestroyCursor(resource);
    for (const int y : {4, 44})
      DrawIconEx(surface.dc(), x, y, registered, 32, 32, 0, nullptr, DI_NORMAL);
    x += 40;
  }
  EXPECT_EQ(pictures.size(), 10u);
  xptest::WritePicture(surface, "treelist_cursors", 2);
}

}  // namespace
