// The grid as a user sees it, in each look: three levels of nodes, two bands, tree lines,
// images and a focused row, written to build/pictures/ and checked where it must hold; its
// cursors; plain text cells painting unclipped what the clipped road paints; and its rows as an
// accessibility client reads them, through WM_GETOBJECT and the system's marshalling, the way a
// screen reader or the stand-in host's journal gets them.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <set>
#include <string>
#include <vector>

#include "controls/surface.h"
#include "framework/screen.h"
#include "framework/win/com.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "../grid_fixture.h"
#include "treelist/view/grid_cursors.h"

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

// The panning window's pictures: 29 x 29, a dot in the middle, arrows only along the axes
// whose scroll bars the grid has.
TEST(TreeListPictures, ThePanPicturesShowArrowsAlongTheirAxes) {
  const struct {
    const wchar_t* name;
    bool vertical, horizontal;
  } cases[] = {{L"DXGRID_FULLSCROLLBITMAP", true, true},
               {L"DXGRID_HORSCROLLBITMAP", false, true},
               {L"DXGRID_VERSCROLLBITMAP", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(win::Narrow(c.name));
    const win::UniqueBitmap picture(static_cast<HBITMAP>(
        LoadImageW(win::ThisModule(), c.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(picture);
    BITMAP info{};
    GetObjectW(picture.get(), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 29);
    EXPECT_EQ(info.bmHeight, 29);
    win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), picture.get());
    const auto black = [&](int x, int y) { return GetPixel(dc.get(), x, y) == RGB(0, 0, 0); };
    EXPECT_TRUE(black(14, 14)) << "the dot";
    EXPECT_FALSE(black(0, 0));
    EXPECT_EQ(black(14, 4), c.vertical) << "the arrow up";
    EXPECT_EQ(black(14, 24), c.vertical) << "the arrow down";
    EXPECT_EQ(black(4, 14), c.horizontal) << "the arrow left";
    EXPECT_EQ(black(24, 14), c.horizontal) << "the arrow right";
    SelectObject(dc.get(), old);
  }
}

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

VARIANT Child(long id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

using TextGetter = HRESULT (__stdcall IAccessible::*)(VARIANT, BSTR*);

std::wstring Text(IAccessible& outline, TextGetter get, long id) {
  win::Bstr text;
  const HRESULT result = (outline.*get)(Child(id), text.put());
  return result == S_OK ? text.str() : L"<" + std::to_wstring(result) + L">";
}

// One line a child: name | level | description | role | states (Expanded, Collapsed,
// Selected, Focused).
std::wstring Outline(IAccessible& outline) {
  long count = -1;
  outline.get_accChildCount(&count);
  std::wstring text = L"rows " + std::to_wstring(count) + L"\n";
  for (long id = 1; id <= count + 1; ++id) {
    VARIANT role, state;
    const HRESULT role_result = outline.get_accRole(Child(id), &role);
    outline.get_accState(Child(id), &state);
    text += Text(outline, &IAccessible::get_accName, id) + L" | " +
            Text(outline, &IAccessible::get_accValue, id) + L" | " +
            Text(outline, &IAccessible::get_accDescription, id) + L" | ";
    text += role_result != S_OK ? L"none" : role.lVal == ROLE_SYSTEM_OUTLINEITEM ? L"item" : L"?";
    text += L" | ";
    if (state.vt == VT_I4) {
      if (state.lVal & STATE_SYSTEM_EXPANDED) text += L'E';
      if (state.lVal & STATE_SYSTEM_COLLAPSED) text += L'C';
      if (state.lVal & STATE_SYSTEM_SELECTED) text += L'S';
      if (state.lVal & STATE_SYSTEM_FOCUSED) text += L'F';
    }
    text += L"\n";
  }
  return text;
}

win::ComPtr<IAccessible> OutlineOf(HWND window) {
  win::ComPtr<IAccessible> outline;
  EXPECT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible,
                                       reinterpret_cast<void**>(outline.put())),
            S_OK);
  return outline;
}

TEST(TreeListAccessibleRows, VisibleRowsReadAsAnOutlineThatOutlivesTheGridSafely) {
  win::ComPtr<IAccessible> outline;
  {
    treelist_test::GridForm f;
    f.grid.SetModel(treelist_test::TwoBandModel());
    TdxTreeListNode* gnd = AddNamed(f.grid, nullptr, L"GND");
    AddNamed(f.grid, gnd, L"U1");
    AddNamed(f.grid, gnd, L"U2");
    TdxTreeListNode* vcc = AddNamed(f.grid, nullptr, L"VCC");
    AddNamed(f.grid, vcc, L"U3");
    gnd->Expand(false);
    f.grid.SetFocus();
    f.grid.SetFocusedNode(gnd->Items(0));
    outline = OutlineOf(f.hwnd());
    ASSERT_TRUE(outline);

    VARIANT role;
    ASSERT_EQ(outline->get_accRole(Child(CHILDID_SELF), &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_OUTLINE);
    EXPECT_EQ(Outline(*outline.get()),
              L"rows 4\n"
              L"GND | 0 | Width: GND.1, Clearance: GND.2 | item | E\n"
              L"U1 | 1 | Width: U1.1, Clearance: U1.2 | item | SF\n"
              L"U2 | 1 | Width: U2.1, Clearance: U2.2 | item | \n"
              L"VCC | 0 | Width: VCC.1, Clearance: VCC.2 | item | C\n"
              L"<-2147024809> | <-2147024809> | <-2147024809> | none | \n")
        << "one line a visible row; past the last, an invalid argument";

    VARIANT focus;
    ASSERT_EQ(outline->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 2) << "the focused row's child id";
    f.grid.SetFocusedNode(gnd);
    ASSERT_EQ(outline->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 1) << "the first row is child 1, not the outline itself";
    SetFocus(nullptr);
    EXPECT_EQ(outline->get_accFocus(&focus), S_FALSE) << "no focus, no focused row";
  }
  long count = 0;
  EXPECT_EQ(outline->get_accChildCount(&count), RPC_E_DISCONNECTED) << "the grid is gone";
}

}  // namespace
