// On a real screen: the columns-customizing form with its frame, caption, pages and listed
// headers, and a user's mouse taking a header from it onto the grid and putting another back.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/forms.h"
#include "support/screen_capture.h"
#include "support/user_input.h"
#include "../grid_fixture.h"
#include "treelist/columns/bands.h"
#include "treelist/columns/column.h"
#include "treelist/customize/customizing_form.h"
#include "treelist/customize/published_tree_list.h"

namespace {

using namespace treelist;
using testsupport::ScreenCapture;

POINT Mid(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

TEST(TreeListCustomizingScreen, AUsersMouseBringsAHeaderFromTheFormAndPutsOneBack) {
  framework::TForm form{nullptr};
  TdxTreeList grid{nullptr};
  grid.SetParent(&form);
  form.SetBounds(60, 60, 560, 360);
  grid.SetBounds(10, 10, 520, 300);
  grid.Bands().Add();
  grid.Bands().Items(0)->SetCaption(L"Net");
  grid.Bands().Items(1)->SetCaption(L"Rules");
  std::vector<TdxTreeListColumn*> columns;
  for (const wchar_t* caption : {L"Name", L"Class", L"Width", L"Clearance", L"Via"}) {
    TdxTreeListColumn* c = grid.CreateColumn<TdxTreeListColumn>();
    c->SetCaption(caption);
    c->SetBandIndex(columns.size() < 2 ? 0 : 1);
    c->SetWidth(90);
    columns.push_back(c);
  }
  for (const wchar_t* net : {L"GND", L"VCC", L"CLK"}) grid.SetNodeString(grid.Add(), 0, net);
  columns[2]->SetVisible(false);  // Width and Via start in the form
  columns[4]->SetVisible(false);
  grid.SetShowBands(true);
  grid.SetOptions(grid.Options() | aoColumnMoving);
  std::wstring events;
  grid.OnShowHeader = [&](auto*, TdxTreeListColumn* c) { events += L"+" + c->Caption(); };
  grid.OnHideHeader = [&](auto*, TdxTreeListColumn* c) { events += L"-" + c->Caption(); };
  form.Show();
  ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
  grid.ColumnsCustomizing();
  TdxTreeListCustomizeForm& box = *grid.CustomizeForm();
  TdxCustomizeList& headers = box.HeadersList();
  testsupport::Settle(200);

  wchar_t caption[32]{};
  GetWindowTextW(box.Handle(), caption, 32);
  EXPECT_EQ(std::wstring(caption), L"Customize");
  const ScreenCapture shot = ScreenCapture::OfWindow(box.Handle());
  shot.Save("treelist_customizing_form");
  // Each listed header is a header cell with its caption; below them the list is empty.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int i = 0; i < 2; ++i) {
    RECT cell = shot.FromClient(headers.Handle(), headers.ItemRect(i));
    InflateRect(&cell, -3, -3);
    EXPECT_GT(shot.ShareOf(cell, face), 0.5) << "item " << i;
    const RECT ink = shot.InkBox(cell, face);
    EXPECT_FALSE(IsRectEmpty(&ink)) << "the caption of item " << i;
  }
  const RECT below =
      shot.FromClient(headers.Handle(),
                      {0, headers.ItemRect(2).top, headers.ClientWidth(), headers.ClientHeight()});
  EXPECT_GT(shot.ShareOf(below, framework::ColorToRGB(grid.Color())), 0.95);
  // Both tabs with their captions, the headers' in front.
  RECT tab{};
  SendMessageW(box.Pages().Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  EXPECT_FALSE(IsRectEmpty(&tab));
  EXPECT_EQ(box.Pages().ActivePageIndex(), 1);

  // Via, the second listed, dragged before Width's place: between Clearance and the band's left.
  const RECT clearance = treelist_test::HeaderCellOf(grid, 3).rect;
  POINT target{clearance.left + 6, Mid(clearance).y};
  MapWindowPoints(grid.Handle(), headers.Handle(), &target, 1);
  testsupport::Drag(headers.Handle(), Mid(headers.ItemRect(1)), target);
  EXPECT_TRUE(columns[4]->Visible());
  EXPECT_EQ(columns[4]->ColIndex(), 0) << "before Clearance";
  EXPECT_EQ(events, L"+Via");
  EXPECT_EQ(GetCapture(), nullptr);
  testsupport::Settle(150);
  ScreenCapture::OfScreen().Save("treelist_customizing_header_shown");

  // Name, from the grid onto the form, which shows no trace of the picture dragged over it
  // where it stays the same: the frame and margin left of its pages.
  RECT box_rect{}, pages_rect{};
  GetWindowRect(box.Handle(), &box_rect);
  GetWindowRect(box.Pages().Handle(), &pages_rect);
  const RECT left_margin{0, pages_rect.top - box_rect.top, pages_rect.left - box_rect.left,
                         pages_rect.bottom - box_rect.top};
  const ScreenCapture before = ScreenCapture::OfWindow(box.Handle());
  RECT on_box{};
  GetWindowRect(headers.Handle(), &on_box);
  POINT onto = Mid(on_box);
  ScreenToClient(grid.Handle(), &onto);
  testsupport::Drag(grid.Handle(), Mid(treelist_test::HeaderCellOf(grid, 0).rect), onto);
  EXPECT_FALSE(columns[0]->Visible());
  EXPECT_EQ(events, L"+Via-Name");
  EXPECT_EQ(headers.Items(), (std::vector<int>{0, 2}));
  testsupport::Settle(150);
  const ScreenCapture after = ScreenCapture::OfWindow(box.Handle());
  after.Save("treelist_customizing_header_hidden");
  EXPECT_EQ(after.DifferingPixels(before, left_margin), 0);
}

}  // namespace
