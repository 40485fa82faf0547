// On a real screen, what a person sees of a grid holding every typed column on bands (a fixed
// one, the typed ones, one without columns) with row footers: the buttons' glyphs, the sort mark
// right after a click, every strip of the grid painted after hiding a column, a wheel scroll and
// a drag, and the colours of the row footers' text and of the fixed band's line.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/xp_edits2.h"
#include "framework/forms.h"
#include "../grid_fixture.h"
#include "support/screen_capture.h"
#include "support/user_input.h"
#include "treelist/columns/bands.h"
#include "treelist/columns/button_columns.h"
#include "treelist/columns/check_column.h"
#include "treelist/customize/customizing_form.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/input/interaction_state.h"
#include "treelist/columns/memo_column.h"
#include "treelist/columns/number_columns.h"
#include "treelist/columns/picture_columns.h"
#include "treelist/customize/published_tree_list.h"

namespace {

using namespace treelist;
using testsupport::ScreenCapture;
using treelist_test::Pump;
using Which = TCustomdxTreeList::TreeListColor;

POINT Mid(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool Dark(COLORREF c) { return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80; }

int DarkPixels(const ScreenCapture& shot, const RECT& region) {
  int dark = 0;
  for (int y = region.top; y < region.bottom; ++y) {
    for (int x = region.left; x < region.right; ++x) dark += Dark(shot.Pixel(x, y));
  }
  return dark;
}

// A button's glyph: ink on its face no wider than one glyph, centred, dark in its middle.
void ExpectGlyph(const ScreenCapture& shot, RECT button, const std::string& where) {
  InflateRect(&button, -3, -3);
  const RECT ink = shot.InkBox(button, GetSysColor(COLOR_BTNFACE));
  ASSERT_FALSE(IsRectEmpty(&ink)) << where << ": the button shows no glyph";
  EXPECT_LE(ink.right - ink.left, 11) << where << ": one glyph, not two";
  EXPECT_LE(std::abs((ink.left + ink.right) - (button.left + button.right)), 3)
      << where << ": the glyph stands in the button's middle";
  const POINT mid = Mid(button);
  EXPECT_GT(DarkPixels(shot, {mid.x - 3, mid.y - 3, mid.x + 3, mid.y + 3}), 2)
      << where << ": dark pixels in the button's middle";
}

struct SightGrid {
  framework::TForm form{nullptr};
  TdxTreeList grid{nullptr};
  TdxTreeListColumn* name = nullptr;
  std::vector<TdxTreeListColumn*> typed;

  template <class Column>
  Column& Add(const wchar_t* caption, const wchar_t* text) {
    auto* column = grid.CreateColumn<Column>();
    column->SetCaption(caption);
    column->SetBandIndex(1);
    column->SetWidth(52);
    for (int i = 0; i < grid.Count(); ++i) grid.SetNodeString(grid.Items(i), column->Index(), text);
    typed.push_back(column);
    return *column;
  }

  SightGrid() {
    form.SetBounds(10, 10, 1000, 420);
    grid.SetParent(&form);
    grid.SetBounds(4, 4, 980, 370);
    grid.SetOptions((grid.Options() | aoEditing | aoAutoSort | aoColumnMoving) & ~aoRowSelect);
    grid.SetOptionsEx(grid.OptionsEx() | aoShowButtonAlways);
    grid.Bands().Add();
    grid.Bands().Add();
    grid.Bands().Items(0)->SetCaption(L"Net");
    grid.Bands().Items(0)->SetFixed(TdxGridBandFixed::bfLeft);
    grid.Bands().Items(1)->SetCaption(L"Typed");
    grid.Bands().Items(2)->SetCaption(L"Empty");
    grid.Bands().Items(2)->SetWidth(70);
    grid.SetShowBands(true);
    name = grid.CreateColumn<TdxTreeListColumn>();
    name->SetCaption(L"Name");
    name->SetWidth(90);
    for (int p = 0; p < 8; ++p) {
      TdxTreeListNode* parent = grid.Add();
      grid.SetNodeString(parent, 0, L"N" + std::to_wstring(8 - p));
      for (int c = 0; c < 3; ++c) {
        grid.SetNodeString(parent->AddChild(), 0, L"c" + std::to_wstring(c));
      }
      parent->SetExpanded(true);
    }
    auto& pick = Add<TdxTreeListPickColumn>(L"Pick", L"off");
    pick.SetItems({"on", "off"});
    Add<TdxTreeListDateColumn>(L"Date", L"");
    Add<TdxTreeListButtonColumn>(L"Btn", L"");
    Add<TdxTreeListSpinColumn>(L"Spin", L"4");
    Add<TdxTreeListCalcColumn>(L"Calc", L"");
    Add<TdxTreeListMRUColumn>(L"MRU", L"");
    Add<TdxTreeListMemoColumn>(L"Memo", L"m");
    Add<TdxTreeListCheckColumn>(L"Chk", L"True");
    Add<TdxTreeListTimeColumn>(L"Time", L"");
    Add<TdxTreeListCurrencyColumn>(L"Cur", L"1");
    Add<TdxTreeListImageColumn>(L"Img", L"");
    Add<TdxTreeListHyperLinkColumn>(L"Link", L"");
    Add<TdxTreeListGraphicColumn>(L"Gfx", L"");
    Add<TdxTreeListBlobColumn>(L"Blob", L"");
    Add<TdxTreeListWrapperColumn>(L"Wrap", L"");
    grid.SetShowRowFooter(true);
    grid.OnIsLevelFooter = [](framework::TComponent*, int level, bool& footer) {
      footer = level == 0;
    };
    grid.OnIsExistRowFooterCell = [](framework::TComponent*, TdxTreeListNode*, int column, int,
                                     bool& exists) { exists = column == 0; };
    grid.OnGetFooterCellText = [](framework::TComponent*, TdxTreeListNode*, int, int,
                                  std::wstring& text) { text = L"MMMM"; };
    form.Show();
    EXPECT_TRUE(testsupport::BringToFront(form.Handle()));
    Pump();
  }

  TdxTreeListColumn& Typed(const wchar_t* caption) {
    for (TdxTreeListColumn* c : typed) {
      if (c->Caption() == caption) return *c;
    }
    throw std::runtime_error("no such column");
  }

  RECT Header(const TdxTreeListColumn& column) {
    // The cell lives in the layout: keep it while the cell is read.
    const Layout layout = grid.GetLayout();
    const LayoutHeaderCell* cell = layout.HeaderOf(column.Index());
    return cell ? cell->rect : RECT{};
  }

  // The band without columns, in the header panel and over the rows.
  void ExpectEmptyBandPainted(const std::string& when) {
    const Layout layout = grid.GetLayout();
    ASSERT_EQ(layout.bands.size(), 3u);
    const LayoutBand& band = layout.bands[2];
    const ScreenCapture shot = ScreenCapture::OfWindow(grid.Handle());
    const RECT header = shot.FromClient(grid.Handle(), {band.left, layout.header_panel.top,
                                                        band.right, layout.header_panel.bottom});
    EXPECT_GT(shot.ShareOf(header, framework::ColorToRGB(grid.GetColor(Which::Header)), 8), 0.98)
        << when << ": the empty band's part of the header panel";
    const RECT rows = shot.FromClient(
        grid.Handle(), {band.left, layout.rows.top, band.right - 1, layout.rows.bottom});
    const double window = shot.ShareOf(rows, framework::ColorToRGB(grid.Color()), 8);
    const double footer =
        shot.ShareOf(rows, framework::ColorToRGB(grid.GetColor(Which::RowFooter)), 8);
    EXPECT_GT(window + footer, 0.98) << when << ": the empty band over the rows";
  }

  // What the screen shows equals what a full repaint draws.
  void ExpectAsRepainted(const std::string& when) {
    const ScreenCapture shown = ScreenCapture::OfWindow(grid.Handle());
    RedrawWindow(grid.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    const ScreenCapture repainted = ScreenCapture::OfWindow(grid.Handle());
    EXPECT_EQ(shown.DifferingPixels(repainted, shown.ClientArea(grid.Handle()), 8), 0) << when;
  }
};

void SendWheel(HWND hwnd, POINT client, int clicks) {
  testsupport::MoveMouse(hwnd, client);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = static_cast<DWORD>(clicks * WHEEL_DELTA);
  SendInput(1, &input, sizeof input);
  testsupport::Settle(150);
}

void SendButton(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
  testsupport::Settle(40);
}

TEST(TreeListSightScreen, DropDownAndEllipsisButtonsHoldTheirGlyphsInCellsAndEditors) {
  SightGrid s;
  s.grid.SetFocusedCell(s.grid.Items(0), s.Typed(L"Pick").Index(), true);
  Pump();
  const ScreenCapture cells = ScreenCapture::OfWindow(s.grid.Handle());
  cells.Save("treelist_sight_buttons");
  for (const wchar_t* caption : {L"Pick", L"Date", L"Btn", L"Calc", L"MRU"}) {
    const RECT cell = s.grid.GetCellRect(s.grid.Items(0), s.Typed(caption).Index());
    const RECT button{cell.right - controls::TXPEditButton::kWidth, cell.top, cell.right,
                      cell.bottom};
    ExpectGlyph(cells, cells.FromClient(s.grid.Handle(), button),
                "cell " + std::string(caption, caption + wcslen(caption)));
  }
  for (const wchar_t* caption : {L"Pick", L"Btn"}) {
    const std::string where = "editor " + std::string(caption, caption + wcslen(caption));
    s.grid.SetFocusedCell(s.grid.Items(0), s.Typed(caption).Index(), true);
    testsupport::PressKey(VK_F2);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return s.grid.State() == tsEditing; })) << where;
    Pump();
    HWND editor = s.grid.InplaceEditor()->Handle();
    const ScreenCapture shot = ScreenCapture::OfWindow(editor);
    shot.Save("treelist_sight_editor_" + std::string(caption, caption + wcslen(caption)));
    RECT client{};
    GetClientRect(editor, &client);
    client.left = client.right - controls::TXPEditButton::kWidth;
    ExpectGlyph(shot, shot.FromClient(editor, client), where);
    testsupport::PressKey(VK_ESCAPE);
  }
}

TEST(TreeListSightScreen, TheSortMarkStandsOnTheClickedColumnAtOnceAndOnNoOther) {
  SightGrid s;
  const auto mark = [&](const ScreenCapture& shot, const TdxTreeListColumn& c) {
    const RECT h = s.Header(c);
    const int mid = (h.top + h.bottom) / 2;
    return DarkPixels(
        shot, shot.FromClient(s.grid.Handle(), {h.right - 4 - 7, mid - 3, h.right - 4, mid + 3}));
  };
  std::vector<TdxTreeListColumn*> all{s.name};
  all.insert(all.end(), s.typed.begin(), s.typed.end());
  for (TdxTreeListColumn* clicked : {s.name, &s.Typed(L"Date"), s.name}) {
    testsupport::Click(s.grid.Handle(), Mid(s.Header(*clicked)));
    Pump();
    const ScreenCapture shot = ScreenCapture::OfWindow(s.grid.Handle());
    shot.Save("treelist_sight_sorted");
    for (TdxTreeListColumn* c : all) {
      const RECT header = s.Header(*c);
      if (IsRectEmpty(&header)) continue;
      const std::string which(c->Caption().begin(), c->Caption().end());
      if (c == clicked) {
        EXPECT_GT(mark(shot, *c), 6) << which << " shows its mark";
      } else {
        EXPECT_EQ(mark(shot, *c), 0) << which << " shows no mark";
      }
    }
  }
  EXPECT_EQ(s.name->Sorted(), TdxTreeListColumnSort::csUp) << "its sort began anew";
}

TEST(TreeListSightScreen, EveryStripOfTheGridIsPaintedAfterHidingScrollingAndDragging) {
  SightGrid s;
  s.ExpectEmptyBandPainted("shown");

  // The memo column, dragged from the grid onto the open customizing form.
  s.grid.ColumnsCustomizing();
  TdxTreeListCustomizeForm& box = *s.grid.CustomizeForm();
  // Below the grid, where it hides none of it.
  SetWindowPos(box.Handle(), nullptr, 600, 450, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  testsupport::Settle(200);
  RECT list{};
  GetWindowRect(box.HeadersList().Handle(), &list);
  POINT onto = Mid(list);
  ScreenToClient(s.grid.Handle(), &onto);
  testsupport::Drag(s.grid.Handle(), Mid(s.Header(s.Typed(L"Memo"))), onto);
  ASSERT_FALSE(s.Typed(L"Memo").Visible());
  testsupport::Settle(150);
  ScreenCapture::OfWindow(s.grid.Handle()).Save("treelist_sight_column_hidden");
  s.ExpectEmptyBandPainted("a column hidden through the form");
  s.ExpectAsRepainted("a column hidden through the form");

  const Layout layout = s.grid.GetLayout();
  SendWheel(s.grid.Handle(), Mid(layout.rows), -2);
  ASSERT_NE(s.grid.TopIndex(), 0) << "the wheel scrolled";
  ScreenCapture::OfWindow(s.grid.Handle()).Save("treelist_sight_wheel_scrolled");
  s.ExpectEmptyBandPainted("after a wheel scroll");
  s.ExpectAsRepainted("after a wheel scroll");

  // A header held and carried below the headers, over the form's caption and back: while it is
  // still held, the picture stands only where the mouse is, none left on the rows or the caption.
  RECT frame{}, client{};
  GetWindowRect(box.Handle(), &frame);
  GetClientRect(box.Handle(), &client);
  MapWindowPoints(box.Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  const RECT caption_area{0, 0, frame.right - frame.left, client.top - frame.top};
  const ScreenCapture form_before = ScreenCapture::OfWindow(box.Handle());
  const ScreenCapture grid_before = ScreenCapture::OfWindow(s.grid.Handle());
  const POINT start = Mid(s.Header(s.Typed(L"Time")));
  const RECT rows = grid_before.FromClient(s.grid.Handle(), s.grid.GetLayout().rows);
  testsupport::MoveMouse(s.grid.Handle(), start);
  SendButton(MOUSEEVENTF_LEFTDOWN);
  POINT caption{(frame.left + frame.right) / 2, (frame.top + client.top) / 2};
  ScreenToClient(s.grid.Handle(), &caption);
  for (const POINT at : {POINT{start.x + 10, start.y}, POINT{start.x, start.y + 60}, caption,
                         POINT{caption.x + 30, caption.y}, start}) {
    testsupport::MoveMouse(s.grid.Handle(), at);
    testsupport::Settle(80);
  }
  ASSERT_EQ(s.grid.State(), tsColumnDragging);
  const ScreenCapture form_during = ScreenCapture::OfWindow(box.Handle());
  const ScreenCapture grid_during = ScreenCapture::OfWindow(s.grid.Handle());
  grid_during.Save("treelist_sight_during_drag");
  SendButton(MOUSEEVENTF_LEFTUP);
  testsupport::Settle(150);
  EXPECT_EQ(grid_during.DifferingPixels(grid_before, rows, 8), 0)
      << "a picture left on the rows during the drag";
  EXPECT_EQ(form_during.DifferingPixels(form_before, caption_area, 8), 0)
      << "a picture left on the form's caption during the drag";
  const ScreenCapture after = ScreenCapture::OfWindow(box.Handle());
  after.Save("treelist_sight_after_drag");
  EXPECT_EQ(after.DifferingPixels(form_before, caption_area, 8), 0)
      << "a picture left on the form's caption";
  EXPECT_EQ(GetCapture(), nullptr);
  s.ExpectAsRepainted("after a drag");
}

TEST(TreeListSightScreen, RowFooterTextAndTheFixedBandLineTakeTheirColours) {
  SightGrid s;
  const COLORREF red = RGB(255, 0, 0);
  s.grid.SetColor(Which::RowFooterText, static_cast<framework::TColor>(red));
  s.grid.SetColor(Which::FixedBandLine, static_cast<framework::TColor>(red));
  s.grid.SetFixedBandLineWidth(3);
  Pump();
  const ScreenCapture shot = ScreenCapture::OfWindow(s.grid.Handle());
  shot.Save("treelist_sight_colours");
  const Layout layout = s.grid.GetLayout();
  const RECT line =
      shot.FromClient(s.grid.Handle(), {layout.left_fixed.right - 3, layout.left_fixed.top,
                                        layout.left_fixed.right, layout.left_fixed.bottom});
  EXPECT_GT(shot.ShareOf(line, red, 8), 0.99) << "the fixed band's line, 3 pixels wide";
  const RECT inside =
      shot.FromClient(s.grid.Handle(), {layout.left_fixed.right - 4, layout.rows.top,
                                        layout.left_fixed.right - 3, layout.rows.bottom});
  EXPECT_LT(shot.ShareOf(inside, red, 8), 0.5) << "and no wider";
  // The first group's last child closes it with a footer under its row.
  TdxTreeListNode* last_child = s.grid.Items(0)->Items(2);
  const RECT row = s.grid.GetCellRect(last_child, 0);
  const RECT footer = shot.FromClient(
      s.grid.Handle(),
      {row.left, row.bottom, layout.left_fixed.right - 4, row.bottom + layout.row_footer_height});
  EXPECT_GT(shot.ShareOf(footer, red, 40), 0.02) << "the row footer's text in red";
}

}  // namespace

// The flat looks draw their own frame, and the grey box in the corner only where two scroll bars
// meet: a lone bar keeps its arrow at its end.
TEST(TreeListSightScreen, AFlatLooksCornerBoxStandsOnlyWhereTwoScrollBarsMeet) {
  for (const TdxLookAndFeel look : {TdxLookAndFeel::lfFlat, TdxLookAndFeel::lfUltraFlat}) {
    SCOPED_TRACE(static_cast<int>(look));
    framework::TForm form{nullptr};
    TdxTreeList grid{nullptr};
    form.SetBounds(20, 20, 260, 180);
    grid.SetParent(&form);
    grid.SetBounds(4, 4, 220, 130);
    grid.SetLookAndFeel(look);
    TdxTreeListColumn* column = grid.CreateColumn<TdxTreeListColumn>();
    column->SetWidth(120);
    for (int i = 0; i < 30; ++i) grid.SetNodeString(grid.Add(), 0, L"row");
    form.Show();
    ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
    Pump();
    const auto corner = [&](const ScreenCapture& shot) {
      return RECT{shot.width() - 1 - GetSystemMetrics(SM_CXVSCROLL),
                  shot.height() - 1 - GetSystemMetrics(SM_CYHSCROLL), shot.width() - 1,
                  shot.height() - 1};
    };
    const ScreenCapture lone = ScreenCapture::OfWindow(grid.Handle());
    lone.Save("treelist_sight_flat_lone_bar");
    ASSERT_FALSE(GetWindowLongW(grid.Handle(), GWL_STYLE) & WS_HSCROLL);
    EXPECT_GT(DarkPixels(lone, corner(lone)), 3) << "the lone bar's arrow at its end";
    column->SetWidth(400);
    Pump();
    const ScreenCapture both = ScreenCapture::OfWindow(grid.Handle());
    ASSERT_TRUE(GetWindowLongW(grid.Handle(), GWL_STYLE) & WS_HSCROLL);
    EXPECT_GT(both.ShareOf(corner(both), GetSysColor(COLOR_BTNFACE), 8), 0.95)
        << "the box between two bars";
  }
}

// Painted without an editor, a spin cell's two arrow boxes are of one height and fill the
// button: each ends in the shadowed lines of its lower edge.
TEST(TreeListSightScreen, ASpinCellsTwoArrowBoxesAreOfOneHeight) {
  SightGrid s;
  auto& spin = dynamic_cast<TdxTreeListSpinColumn&>(s.Typed(L"Spin"));
  spin.SetShowButtonStyle(TdxShowButtonStyle::sbAlways);
  s.grid.SetDefaultRowHeight(19);  // odd: no even split
  Pump();
  const ScreenCapture shot = ScreenCapture::OfWindow(s.grid.Handle());
  shot.Save("treelist_sight_spin_buttons");
  const auto shadowed = [](COLORREF c) {
    return GetRValue(c) < 150 && GetGValue(c) < 150 && GetBValue(c) < 150;
  };
  for (int row : {1, 2}) {
    const RECT cell = s.grid.GetCellRect(s.grid.Items(row), spin.Index());
    const RECT box = shot.FromClient(s.grid.Handle(), cell);
    const int x = box.right - 15 + 2;  // inside the boxes' left edges, clear of the arrows
    std::vector<int> bottoms;          // the last row of each run of shadowed rows
    for (int y = box.top; y < box.bottom; ++y) {
      if (shadowed(shot.Pixel(x, y)) && (y + 1 == box.bottom || !shadowed(shot.Pixel(x, y + 1)))) {
        bottoms.push_back(y);
      }
    }
    ASSERT_EQ(bottoms.size(), 2u) << "row " << row << ": two lower edges";
    EXPECT_EQ(bottoms[0] - box.top + 1, bottoms[1] - bottoms[0]) << "row " << row;
    // The cell's 2-pixel margin and the odd row at most lie below them.
    EXPECT_GE(bottoms[1], box.bottom - 4) << "row " << row << ": the boxes fill the button";
  }
}
