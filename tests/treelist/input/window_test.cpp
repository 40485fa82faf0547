// The grid's window and control messages, cell painting, hot tracking, hints and the copy to
// the clipboard, driven by real messages under the null driver.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "controls/surface.h"
#include "framework/win/text.h"
#include "../grid_fixture.h"
#include "treelist/input/interaction_state.h"
#include "treelist/customize/published_tree_list.h"
#include "treelist/view/shared_resources.h"
#include "treelist/columns/tree_list_control.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::GridForm;

namespace {

int TextWidth(framework::TFont& font, const std::wstring& text) {
  HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(screen, font.Handle());
  SIZE size{};
  GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return static_cast<int>(size.cx);
}

// The grid with two bands of columns and `count` top-level nets "NET0", "NET1", ...
struct NetGrid : GridForm {
  std::vector<TdxTreeListNode*> nets;
  explicit NetGrid(int count, int width = 360, int height = 220) : GridForm(width, height) {
    grid.SetModel(treelist_test::TwoBandModel());
    grid.BeginUpdate();
    for (int i = 0; i < count; ++i)
      nets.push_back(AddNamed(grid, nullptr, L"NET" + std::to_wstring(i)));
    grid.EndUpdate();
  }
};

TEST(TreeListMessages, ScrollBarsMoveByTheirArithmetic) {
  NetGrid f(50, 100, 200);  // columns three times as wide as the grid
  const treelist::Layout layout = f.grid.GetLayout();
  const int page = layout.data.right - layout.data.left;
  const int content = layout.scroll_extent, last_left = content - page;
  const int last_before_end = last_left - 1;
  ASSERT_GT(last_before_end, 60);
  SCROLLINFO range{sizeof range, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  GetScrollInfo(f.hwnd(), SB_HORZ, &range);
  EXPECT_EQ(std::make_pair(range.nMax, static_cast<int>(range.nPage)),
            std::make_pair(content - 1, layout.ScrollWidth()));
  const int digit = TextWidth(f.grid.Font(), L"0");
  const int last_top = [&] {
    f.grid.SetTopIndex(1000);
    return f.grid.TopIndex();
  }();
  const int rows = f.grid.FullyVisibleRowCount();
  ASSERT_GT(rows, 1);
  constexpr int kNoThumb = -1;
  struct Step {
    UINT msg;
    int thumb;
    WORD code;
    int expected;  // left coordinate or top index after the step
  };
  const Step steps[] = {
      {WM_HSCROLL, kNoThumb, SB_LEFT, 0},
      {WM_HSCROLL, kNoThumb, SB_LINERIGHT, digit},
      {WM_HSCROLL, kNoThumb, SB_LINERIGHT, 2 * digit},
      {WM_HSCROLL, kNoThumb, SB_LINELEFT, digit},
      {WM_HSCROLL, kNoThumb, SB_PAGERIGHT, digit + page},
      {WM_HSCROLL, kNoThumb, SB_RIGHT, last_left},
      {WM_HSCROLL, 37, SB_THUMBTRACK, 36},  // steps of 4
      {WM_HSCROLL, 39, SB_THUMBPOSITION, 40},
      {WM_HSCROLL, 0, SB_THUMBTRACK, 0},
      {WM_HSCROLL, last_before_end, SB_THUMBTRACK, last_before_end + 1},  // the end exactly
      {WM_HSCROLL, last_before_end - 1, SB_THUMBTRACK, last_before_end / 4 * 4},
      {WM_HSCROLL, kNoThumb, SB_PAGELEFT, last_before_end / 4 * 4 - page},
      {WM_HSCROLL, content, SB_THUMBTRACK, last_left},
      {WM_VSCROLL, kNoThumb, SB_TOP, 0},
      {WM_VSCROLL, kNoThumb, SB_LINEDOWN, 1},
      {WM_VSCROLL, kNoThumb, SB_PAGEDOWN, 1 + rows},
      {WM_VSCROLL, kNoThumb, SB_PAGEUP, 1},
      {WM_VSCROLL, kNoThumb, SB_LINEUP, 0},
      {WM_VSCROLL, kNoThumb, SB_BOTTOM, last_top},
      {WM_VSCROLL, 3, SB_THUMBTRACK, 3},
      {WM_VSCROLL, 49, SB_THUMBTRACK, last_top},      // beyond the rows
      {WM_VSCROLL, kNoThumb, SB_PAGEDOWN, last_top},  // the last page stays full
      {WM_VSCROLL, kNoThumb, SB_LINEUP, last_top - 1},
  };
  std::vector<int> expected, moved;
  for (const Step& step : steps) {
    const int bar = step.msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
    SCROLLINFO thumb{sizeof thumb, SIF_POS, 0, 0, 0, step.thumb, 0};
    if (step.thumb != kNoThumb) SetScrollInfo(f.hwnd(), bar, &thumb, 0);
    SendMessageW(f.hwnd(), step.msg, step.code, 0);
    moved.push_back(step.msg == WM_HSCROLL ? f.grid.LeftCoord() : f.grid.TopIndex());
    expected.push_back(step.expected);
  }
  EXPECT_EQ(moved, expected);

  // A sizing owns the scroll position.
  const treelist::Layout scrolled = f.grid.GetLayout();
  const LONG edge_x = scrolled.headers[2].right - 1, edge_y = scrolled.header_panel.top + 3;
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(edge_x, edge_y));
  ASSERT_EQ(f.grid.State(), treelist::tsColumnSizing);
  SendMessageW(f.hwnd(), WM_HSCROLL, SB_LEFT, 0);
  SendMessageW(f.hwnd(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(std::make_pair(f.grid.LeftCoord(), f.grid.TopIndex()),
            std::make_pair(last_left, last_top - 1));
  SendMessageW(f.hwnd(), WM_CANCELMODE, 0, 0);  // another window takes the mouse
  EXPECT_EQ(std::make_pair(f.grid.State(), GetCapture()),
            std::make_pair(treelist::tsNone, HWND{nullptr}));
}

TEST(TreeListMessages, DialogCodesLeaveAltLettersToTheMenusAndCtrlTabToTheDialog) {
  GridForm f;
  static bool alt, ctrl;
  f.grid.Seams().key_state = [](int key) -> SHORT {
    return (key == VK_MENU && alt) || (key == VK_CONTROL && ctrl) ? SHORT(0x8000) : SHORT(0);
  };
  using treelist::aoAutoSearch;
  using treelist::aoEditing;
  using treelist::aoTabs;
  struct Case {
    uint32_t options, options_ex;
    bool alt, ctrl, searching;
    LRESULT code;
  };
  const LRESULT arrows = DLGC_WANTARROWS, chars = DLGC_WANTCHARS, tab = DLGC_WANTTAB;
  const Case cases[] = {
      {aoEditing, 0, true, false, false, arrows | chars},
      {0, aoAutoSearch, false, false, false, arrows | chars},
      {0, aoAutoSearch, true, false, false, arrows},
      {0, aoAutoSearch, true, false, true, arrows | chars},  // a search takes every letter
      {0, 0, false, false, false, arrows},
      {aoTabs, 0, false, false, false, arrows | tab},
      {aoTabs, 0, false, true, false, arrows},
  };
  std::vector<LRESULT> codes, expected;
  for (const Case& c : cases) {
    f.grid.SetOptions(c.options);
    f.grid.SetOptionsEx(c.options_ex);
    if (c.searching) f.grid.StartSearch(0, L"N");
    alt = c.alt;
    ctrl = c.ctrl;
    codes.push_back(SendMessageW(f.hwnd(), WM_GETDLGCODE, 0, 0));
    expected.push_back(c.code);
  }
  EXPECT_EQ(codes, expected);
}

TEST(TreeListMessages, ResizingUntilEverythingFitsRemovesBothBars) {
  NetGrid f(12, 200, 100);
  const LONG both = WS_HSCROLL | WS_VSCROLL;
  ASSERT_EQ(GetWindowLongW(f.hwnd(), GWL_STYLE) & both, both);
  f.grid.frame_calculations = 0;
  f.grid.SetBounds(10, 10, 600, 400);
  EXPECT_EQ(GetWindowLongW(f.hwnd(), GWL_STYLE) & both, 0);
  EXPECT_EQ(f.grid.frame_calculations, 2) << "the new size, then one frame change for both bars";

  // The height at which the rows fill the grid exactly, and a pixel less.
  RECT window{}, client{};
  GetWindowRect(f.hwnd(), &window);
  GetClientRect(f.hwnd(), &client);
  const int rows =
      12 * f.grid.GetRowHeight(f.grid.GetFirstNode(), f.grid.DefaultRowHeight(), false);
  const int exact =
      (window.bottom - window.top) - client.bottom + f.grid.GetLayout().rows.top + rows;
  std::vector<LONG> bars;
  for (const int height : {100, exact - 1, exact}) {
    f.grid.SetBounds(10, 10, 600, height);
    bars.push_back(GetWindowLongW(f.hwnd(), GWL_STYLE) & both);
  }
  EXPECT_EQ(bars, (std::vector<LONG>{WS_VSCROLL, WS_VSCROLL, 0}));

  // Rows and columns that fit exactly take both bars away in one frame change too.
  f.grid.SetBounds(10, 10, 600, 400);
  const treelist::Layout fits = f.grid.GetLayout();
  const int width = 600 - (fits.ScrollWidth() - fits.scroll_extent);
  const int height = 400 - (fits.rows.bottom - fits.rows.top - rows);
  f.grid.SetBounds(10, 10, 200, 100);
  ASSERT_EQ(GetWindowLongW(f.hwnd(), GWL_STYLE) & both, both);
  f.grid.frame_calculations = 0;
  f.grid.SetBounds(10, 10, width, height);
  EXPECT_EQ(std::make_pair(GetWindowLongW(f.hwnd(), GWL_STYLE) & both, f.grid.frame_calculations),
            std::make_pair(0L, 2));
}

// A grid that counts the frames it draws itself.
class FramedGrid : public treelist_test::TestTreeList {
 public:
  using TestTreeList::TestTreeList;
  void DrawBorder(HDC dc, const RECT& rect) override {
    ++frames;
    TestTreeList::DrawBorder(dc, rect);
  }
  int frames = 0;
};

TEST(TreeListMessages, OnlyTheFlatLooksDrawTheirOwnOnePixelFrameAndOnlyTheSunkenOneFollows3D) {
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF none = RGB(255, 0, 255);
  using treelist::TBorderStyle;
  using treelist::TdxLookAndFeel;
  struct Case {
    TdxLookAndFeel look;
    TBorderStyle border;
    int frame;       // pixels on each side of the client area
    int frames;      // drawn on WM_NCPAINT
    bool recreated;  // by the 3D setting's change
    COLORREF left, right;
  };
  const Case cases[] = {
      {TdxLookAndFeel::lfUltraFlat, TBorderStyle::bsSingle, 1, 1, false, shadow, shadow},
      {TdxLookAndFeel::lfFlat, TBorderStyle::bsSingle, 1, 1, false, shadow, light},
      {TdxLookAndFeel::lfUltraFlat, TBorderStyle::bsNone, 0, 0, false, none, none},
      {TdxLookAndFeel::lfFlat, TBorderStyle::bsNone, 0, 0, false, none, none},
      {TdxLookAndFeel::lfStandard, TBorderStyle::bsSingle, 2, 0, true, none, none},
      {TdxLookAndFeel::lfStandard, TBorderStyle::bsNone, 0, 0, false, none, none}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << static_cast<int>(c.look) << " " << static_cast<int>(c.border));
    framework::TForm form(nullptr);
    FramedGrid grid(nullptr);
    grid.SetParent(&form);
    grid.SetBounds(0, 0, 200, 100);
    grid.SetLookAndFeel(c.look);
    grid.SetBorderStyle(c.border);
    const HWND before = grid.Handle();
    RECT window{}, client{};
    GetWindowRect(before, &window);
    GetClientRect(before, &client);
    EXPECT_EQ(window.right - window.left - client.right, 2 * c.frame);
    SendMessageW(before, WM_NCPAINT, 1, 0);
    EXPECT_EQ(grid.frames, c.frames);
    xptest::Surface surface(20, 20, none);
    if (c.frames) grid.DrawBorder(surface.dc(), {0, 0, 20, 20});
    const std::vector<COLORREF> left_top_right_bottom_inside{
        surface.Pixel(0, 10), surface.Pixel(10, 0), surface.Pixel(19, 10), surface.Pixel(10, 19),
        surface.Pixel(10, 10)};
    EXPECT_EQ(left_top_right_bottom_inside,
              (std::vector<COLORREF>{c.left, c.left, c.right, c.right, none}));
    grid.Perform(framework::CM_CTL3DCHANGED);
    EXPECT_EQ(grid.Handle() != before, c.recreated);
  }
}

TEST(TreeListMessages, ThePanelFontsFollowTheParentsFontEachTimeItChanges) {
  GridForm f;
  ASSERT_TRUE(f.grid.ParentFont());
  std::vector<std::string> faces;
  for (const char* face : {"Arial", "Courier New"}) {
    f.form.Font().SetName(face);
    faces.insert(faces.end(), {f.grid.Font().Name(), f.grid.BandFont().Name(),
                               f.grid.HeaderFont().Name(), f.grid.PreviewFont().Name()});
  }
  EXPECT_EQ(faces, (std::vector<std::string>{"Arial", "Arial", "Arial", "Arial", "Courier New",
                                             "Courier New", "Courier New", "Courier New"}));
  EXPECT_TRUE(f.grid.ParentFont());
  EXPECT_EQ(f.grid.PreviewFont().Color(), framework::clBlue);
}

TEST(TreeListMessages, ExpandGlyphsAreDrawnFromTheSystemColours) {
  GridForm f;  // the glyphs live while a grid does
  struct Case {
    int x, y;
    int plus, minus;  // system colour indexes
  };
  const Case cases[] = {
      {0, 5, COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT}, {11, 5, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW},
      {5, 10, COLOR_BTNSHADOW, COLOR_BTNSHADOW},      {1, 1, COLOR_BTNFACE, COLOR_BTNFACE},
      {3, 5, COLOR_BTNTEXT, COLOR_BTNTEXT},           {8, 5, COLOR_BTNFACE, COLOR_BTNFACE},
      {5, 3, COLOR_BTNTEXT, COLOR_BTNFACE},           {5, 8, COLOR_BTNFACE, COLOR_BTNFACE},
  };
  for (const bool plus : {true, false}) {
    win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), treelist::ExpandGlyph(plus));
    for (const Case& c : cases) {
      EXPECT_EQ(GetPixel(dc.get(), c.x, c.y), GetSysColor(plus ? c.plus : c.minus))
          << (plus ? "plus" : "minus") << " at " << c.x << "," << c.y;
    }
    SelectObject(dc.get(), old);
  }
}

TEST(TreeListMessages, SizingEdgesSetTheSplitCursorACellLeavesItToTheControl) {
  NetGrid f(3);
  const treelist::Layout layout = f.grid.GetLayout();
  const POINT edge{layout.headers[0].right, layout.header_panel.top + 4};
  const POINT cell{layout.headers[0].left + 20, layout.rows.top + 4};
  // The cursor request at a client point with the hit-test code `area`: whether the grid
  // answered it, and the cursor then.
  const auto cursor_at = [&](POINT p, WORD area = HTCLIENT) {
    ClientToScreen(f.hwnd(), &p);
    SendMessageW(f.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    SetCursor(nullptr);
    const LRESULT answered = SendMessageW(
        f.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(f.hwnd()), MAKELPARAM(area, WM_MOUSEMOVE));
    return std::pair{answered, GetCursor()};
  };
  const HCURSOR split = LoadCursorW(nullptr, IDC_SIZEWE);
  EXPECT_EQ(cursor_at(edge), std::pair(LRESULT{1}, split));
  EXPECT_EQ(cursor_at(cell).first, 0) << "a cell leaves the cursor to the control";
  EXPECT_NE(cursor_at(edge, HTBORDER).second, split) << "the border is the window's";
  EXPECT_NE(cursor_at(edge, HTVSCROLL).second, split) << "the scroll bar is the window's";

  f.grid.SetOptions(f.grid.Options() & ~treelist::aoRowSelect);
  f.grid.ShowEditor();
  ASSERT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_EQ(cursor_at(edge), std::pair(LRESULT{1}, split)) << "editing keeps the edges";
  f.grid.CloseEditor();

  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(edge.x, edge.y));
  ASSERT_EQ(f.grid.State(), treelist::tsColumnSizing);
  EXPECT_EQ(cursor_at(cell), std::pair(LRESULT{1}, split)) << "sizing keeps its cursor";
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(edge.x, edge.y));
  EXPECT_EQ(cursor_at(cell).first, 0);
}

TEST(TreeListCellPainting, SearchMarkInvertsTheCellAndDoneLeavesItUnpainted) {
  NetGrid f(4);
  f.grid.SetFocusedNode(f.nets[2]);
  f.grid.StartSearch(1, L"NET2");
  const RECT client = f.grid.ClientRect();
  const RECT cell = f.grid.GetCellRect(f.nets[2], 1);
  const COLORREF none = RGB(255, 0, 255);
  xptest::Surface surface(client.right, client.bottom, none);
  f.grid.PaintGridTo(surface.dc());
  const COLORREF face =
      GetFocus() == f.hwnd() ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNFACE);
  EXPECT_GT(xptest::CountOfColour(surface, cell, face ^ 0xFFFFFF), 150)
      << "the matched prefix, inverted";
  EXPECT_GT(xptest::CountOfColour(surface, cell, face), 20) << "the rest of the cell";

  int custom_draws = 0;
  f.grid.custom_draw = [&](const treelist::TdxCellPaintInfo& cell, std::wstring&, auto&) {
    ++custom_draws;
    return cell.node == f.nets[2] && cell.column == 1;
  };
  surface.Fill(none);
  f.grid.PaintGridTo(surface.dc());
  EXPECT_EQ(xptest::CountOfColour(surface, cell, none),
            (cell.right - cell.left) * (cell.bottom - cell.top))
      << "nothing of the cell is painted, not even the mark";
  EXPECT_EQ(custom_draws, 4 * 3);
}

// Whether the frame crosses column x between y0 and y1: some pixel there differs between the
// pictures without and with it. The frame only inverts: any other change counts in `foreign`.
bool FrameCrosses(const xptest::Surface& plain, const xptest::Surface& framed, int x, int y0,
                  int y1, int& foreign) {
  bool crossed = false;
  for (int y = y0; y < y1; ++y) {
    const COLORREF before = plain.Pixel(x, y), after = framed.Pixel(x, y);
    crossed |= before != after;
    foreign += before != after && after != (before ^ 0xFFFFFF);
  }
  return crossed;
}

TEST(TreeListCellPainting, SearchFrameReachesTheNeighboursOnlyInRowSelectAndMarkTakesSetColours) {
  NetGrid f(3);
  f.grid.SetFocusedNode(f.nets[1]);
  const RECT client = f.grid.ClientRect();
  int indent_left = 0, indent = 0;
  f.grid.GetNodeIndent(f.nets[1], indent_left, indent);
  struct Case {
    bool row_select;
    int column;
    bool left_reaches, right_reaches;  // the frame's edge on the cell's own edge pixel
  };
  const Case cases[] = {{false, 1, false, false},
                        {true, 1, true, true},
                        {true, 0, false, true},   // the first column keeps its left edge
                        {true, 2, true, false}};  // the last its right
  for (const Case& c : cases) {
    f.grid.EndSearch();
    // No focus rectangle of the row: only the search frame differs.
    f.grid.SetOptions(treelist::aoHideFocusRect | (c.row_select ? treelist::aoRowSelect : 0u));
    RECT cell = f.grid.GetCellRect(f.nets[1], c.column);
    if (c.column == 0) cell.left += indent;
    xptest::Surface plain(client.right, client.bottom), searched(client.right, client.bottom);
    f.grid.PaintGridTo(plain.dc());
    f.grid.StartSearch(c.column, L"NET1");
    f.grid.PaintGridTo(searched.dc());
    const int y0 = cell.top + 3, y1 = cell.bottom - 3;
    int foreign = 0;
    const std::vector<bool> edges{FrameCrosses(plain, searched, cell.left, y0, y1, foreign),
                                  FrameCrosses(plain, searched, cell.left + 1, y0, y1, foreign),
                                  FrameCrosses(plain, searched, cell.right - 2, y0, y1, foreign),
                                  FrameCrosses(plain, searched, cell.right - 1, y0, y1, foreign)};
    EXPECT_EQ(foreign, 0) << "a focus frame inverts what it crosses";
    EXPECT_EQ(edges, (std::vector<bool>{c.left_reaches, !c.left_reaches, !c.right_reaches,
                                        c.right_reaches}))
        << "row select " << c.row_select << ", column " << c.column;
  }

  f.grid.SetColor(treelist::TCustomdxTreeList::TreeListColor::AutoSearch, framework::clLime);
  f.grid.StartSearch(2, L"NET1");
  const RECT cell = f.grid.GetCellRect(f.nets[1], 2);
  xptest::Surface surface(client.right, client.bottom);
  f.grid.PaintGridTo(surface.dc());
  EXPECT_GT(xptest::CountOfColour(surface, cell, RGB(0, 255, 0)), 100)
      << "the set colour, not inverted";
}

TEST(TreeListCellPainting, AColumnsOwnFontBringsItsWeightAndColourEvenOnTheSelectedRow) {
  framework::TForm form(nullptr);
  treelist::TCustomdxTreeListControl grid(nullptr);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 300, 100);
  grid.CreateColumn<treelist::TdxTreeListColumn>();
  auto* own = grid.CreateColumn<treelist::TdxTreeListColumn>();
  framework::TFont bold = grid.Font();
  bold.SetStyle(framework::fsBold);
  bold.SetColor(framework::clRed);
  own->SetFont(bold);
  TdxTreeListNode* focused = grid.Add();
  grid.Add();
  form.Show();
  grid.SetFocus();
  if (GetFocus() != grid.Handle()) GTEST_SKIP() << "the grid did not get the focus";
  grid.SetFocusedNode(focused);
  using Fonts = std::vector<std::pair<bool, COLORREF>>;  // bold, colour; cell by cell
  Fonts fonts;
  grid.OnCustomDrawCellWide = [&](auto, treelist::TdxCellDrawInfo& cell, std::wstring&) {
    fonts.emplace_back(cell.font->Style() & framework::fsBold,
                       framework::ColorToRGB(cell.font->Color()));
  };
  xptest::Surface surface(300, 100);
  grid.PaintGridTo(surface.dc());
  const COLORREF red = RGB(255, 0, 0);
  EXPECT_EQ(fonts, (Fonts{{false, GetSysColor(COLOR_HIGHLIGHTTEXT)},
                          {true, red},
                          {false, GetSysColor(COLOR_WINDOWTEXT)},
                          {true, red}}));
}

TEST(TreeListCellPainting, PreviewTakesThePreviewColourUnlessTheRowIsSelected) {
  NetGrid f(3);
  f.grid.SetFocus();
  if (GetFocus() != f.hwnd()) GTEST_SKIP() << "the grid did not get the focus";
  f.grid.SetOptions(f.grid.Options() | treelist::aoPreview);
  f.grid.OnGetPreviewText = [](auto, TdxTreeListNode*, std::wstring& text) { text = L"note"; };
  std::map<TdxTreeListNode*, framework::TColor> colours;
  f.grid.OnCustomDrawPreviewCell = [&](auto, HDC, const RECT&, TdxTreeListNode* node, bool,
                                       std::wstring&, framework::TColor&,
                                       framework::TColor& text_colour, bool& done) {
    colours[node] = text_colour;
    if (node == f.nets[2]) done = true;
  };
  f.grid.SetFocusedNode(f.nets[1]);
  const RECT client = f.grid.ClientRect();
  const COLORREF none = RGB(255, 0, 255);
  xptest::Surface surface(client.right, client.bottom, none);
  f.grid.PaintGridTo(surface.dc());
  EXPECT_EQ(colours[f.nets[0]], framework::clBlue);
  EXPECT_EQ(framework::ColorToRGB(colours[f.nets[1]]), GetSysColor(COLOR_HIGHLIGHTTEXT));
  const int line = f.grid.DefaultRowHeight();
  const int preview = f.grid.GetMetrics().preview_line_height + 2;  // the one line "note" needs

  // The unselected row's band: the window's colour, the text indented by IndentDesc and 1 pixel
  // down, in the preview font's colour; Done leaves a band alone.
  const int width = f.grid.GetLayout().grid_right;
  xptest::Surface expected(width, preview, GetSysColor(COLOR_WINDOW));
  const HGDIOBJ old = SelectObject(expected.dc(), f.grid.PreviewFont().Handle());
  SetTextColor(expected.dc(), RGB(0, 0, 255));
  SetBkMode(expected.dc(), TRANSPARENT);
  RECT box{f.grid.IndentDesc(), 1, width, preview};
  DrawTextW(expected.dc(), L"note", 4, &box, DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(expected.dc(), old);
  for (const auto& [node, reference] :
       {std::pair<TdxTreeListNode*, const xptest::Surface*>{f.nets[0], &expected},
        {f.nets[2], nullptr}}) {
    const int top = f.grid.GetCellRect(node, 0).top + line;
    int wrong = 0;
    for (int y = 0; y < preview; ++y) {
      for (int x = 0; x < width; ++x) {
        wrong += surface.Pixel(x, top + y) != (reference ? reference->Pixel(x, y) : none);
      }
    }
    EXPECT_EQ(wrong, 0) << (reference ? "the drawn band" : "the band left to the handler");
  }
}

TEST(TreeListCellPainting, PreviewTakesTheLinesItsTextNeedsUpToPreviewLines) {
  NetGrid f(1);
  f.grid.SetOptions(f.grid.Options() | treelist::aoPreview);
  static std::wstring text;
  f.grid.OnGetPreviewText = [](auto, TdxTreeListNode*, std::wstring& t) { t = text; };
  struct Case {
    bool auto_lines;
    int preview_lines;
    const wchar_t* text;
    int lines;
  };
  const Case cases[] = {{true, 2, L"one\ntwo\nthree", 2},   // at most PreviewLines
                        {true, -1, L"one\ntwo\nthree", 3},  // no limit
                        {true, 5, L"one", 1},
                        {true, 2, L"", 2},  // no text: PreviewLines
                        {true, 0, L"one", 0},
                        {false, 2, L"one", 2},
                        {false, -1, L"one\ntwo", 0}};
  const int line = f.grid.DefaultRowHeight(), step = f.grid.GetMetrics().preview_line_height;
  std::vector<int> heights, expected;
  for (const Case& c : cases) {
    f.grid.SetOptionsEx(c.auto_lines ? f.grid.OptionsEx() | treelist::aoAutoCalcPreviewLines
                                     : f.grid.OptionsEx() & ~treelist::aoAutoCalcPreviewLines);
    f.grid.SetPreviewLines(c.preview_lines);
    text = c.text;
    heights.push_back(f.grid.GetRowHeight(f.nets[0], line, true));
    expected.push_back(line + (c.lines ? c.lines * step + 2 : 0));
  }
  EXPECT_EQ(heights, expected);
}

std::array<LONG, 4> Box(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(TreeListHotTrack, CellsHeadersHintsAndTooltipsFollowTheMouseToATwelveByElevenCornerButton) {
  NetGrid f(3);
  f.grid.SetShowIndicator(true);
  f.grid.SetOptions(f.grid.Options() | treelist::aoShowTooltips);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoHotTrack);
  f.grid.SetName(f.nets[1], L"a net whose name is long");
  int hot_events = 0;
  f.grid.OnHotTrackNode = [&](auto, const treelist::TdxHotTrackInfo&, framework::TCursor& c) {
    ++hot_events;
    c = framework::crHandPoint;
  };
  // The mouse is where the moves say, whatever other programs do with the screen's cursor.
  static POINT mouse;
  f.grid.Seams().cursor_pos = [] { return mouse; };
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  auto move = [&](POINT p) {
    mouse = p;
    ClientToScreen(f.hwnd(), &mouse);
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
  };
  auto hot_is = [&](TdxTreeListNode* node, int column, int kind) {
    const treelist::TdxHotTrackInfo hot = f.grid.HotTrack();
    return hot.node == node && hot.column == column && hot.kind == kind;
  };
  const RECT narrow = f.grid.GetCellRect(f.nets[1], 1);
  move({narrow.left + 3, narrow.top + 2});
  EXPECT_TRUE(hot_is(f.nets[1], 1, 0));
  EXPECT_EQ(f.grid.Cursor(), framework::crHandPoint);
  ASSERT_NE(f.grid.CellTooltip(), nullptr) << "the text is wider than its cell";
  editors::TdxContainerHintWindow* tooltip = f.grid.CellTooltip();
  move({narrow.left + 6, narrow.top + 3});
  EXPECT_EQ(f.grid.CellTooltip(), tooltip) << "the same cell keeps its tooltip";
  EXPECT_EQ(hot_events, 1);
  xptest::Surface surface(400, 300);
  f.grid.PaintGridTo(surface.dc());
  EXPECT_EQ(f.grid.painted_hot.size(), 3u * 3u) << "every cell through its view data";
  for (const auto& [cell, hot] : f.grid.painted_hot) {
    EXPECT_EQ(hot, cell.first == f.nets[1] && cell.second == 1) << "only the hot cell paints hot";
  }

  f.grid.OnGetTooltipInfo = [](auto, TdxTreeListNode*, int, RECT&, std::wstring&, bool& show,
                               bool& done) { show = done = true; };
  const RECT next = f.grid.GetCellRect(f.nets[2], 2);
  move({next.left + 3, next.top + 2});
  EXPECT_NE(f.grid.CellTooltip(), nullptr) << "unless the handler asks for one";

  const RECT button = f.grid.HeaderButtonRect();
  const POINT on_button{button.left + 2, button.top + 2};
  move(on_button);
  EXPECT_TRUE(f.grid.HeaderButtonHot());
  ASSERT_TRUE(timers.Fire(f.hwnd(), treelist::TCustomdxTreeList::kHintShowTimer));
  EXPECT_EQ(f.grid.HeaderHint(), nullptr) << "an empty hint shows no box";
  f.grid.header_button_hint = L"Customize";
  move({0, 0});
  move(on_button);
  ASSERT_TRUE(timers.Fire(f.hwnd(), treelist::TCustomdxTreeList::kHintShowTimer));
  ASSERT_NE(f.grid.HeaderHint(), nullptr);

  int crossings = 0;  // the control's own enter and leave events, once each
  f.grid.OnMouseEnter = [&](auto) { crossings += 1; };
  f.grid.OnMouseLeave = [&](auto) { crossings += 10; };
  f.grid.Perform(framework::CM_MOUSELEAVE);
  f.grid.Perform(framework::CM_MOUSEENTER);
  EXPECT_EQ(crossings, 11);
  EXPECT_EQ(f.grid.HeaderHint(), nullptr) << "leaving takes the hint";
  move({narrow.left + 3, narrow.top + 2});
  ASSERT_NE(f.grid.CellTooltip(), nullptr);
  f.grid.Perform(framework::CM_MOUSELEAVE);
  EXPECT_TRUE(hot_is(nullptr, -1, 0)) << "leaving takes the hot cell";
  EXPECT_EQ(f.grid.CellTooltip(), nullptr) << "and the tooltip";

  f.grid.SetOptionsEx(f.grid.OptionsEx() & ~treelist::aoHotTrack);
  const int events = hot_events;
  move({narrow.left + 3, narrow.top + 2});
  EXPECT_EQ(hot_events, events) << "without aoHotTrack nothing follows the mouse";

  // The corner button: 12 x 11, 3 from the corner's left and centred.
  const RECT corner = f.grid.GetLayout().indicator_corner;
  const LONG left = corner.left + 3, top = corner.top + (corner.bottom - corner.top - 11) / 2;
  ASSERT_GT(corner.bottom - corner.top, 12);
  EXPECT_EQ(Box(f.grid.HeaderButtonRect()), Box({left, top, left + 12, top + 11}));
  const LONG mid_x = left + 6, mid_y = top + 5;
  const struct {
    POINT point;
    bool hot;
  } probes[] = {{{left, mid_y}, true},       {{left - 1, mid_y}, false}, {{left + 11, mid_y}, true},
                {{left + 12, mid_y}, false}, {{mid_x, top}, true},       {{mid_x, top - 1}, false},
                {{mid_x, top + 10}, true},   {{mid_x, top + 11}, false}};
  for (const auto& probe : probes) {
    move(probe.point);
    EXPECT_EQ(f.grid.HeaderButtonHot(), probe.hot) << probe.point.x << "," << probe.point.y;
  }
  f.grid.SetShowHeader(false);
  EXPECT_EQ(Box(f.grid.HeaderButtonRect()), Box({})) << "a corner without height has none";
  f.grid.SetShowHeader(true);
  f.grid.SetShowIndicator(false);
  EXPECT_EQ(Box(f.grid.HeaderButtonRect()), Box({})) << "nor one without width";
}

TEST(TreeListHotTrack, TheHintShowsASecondOnTheButtonForFiveRightOfItALineAboveTooltipsAtOnce) {
  NetGrid f(3);
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  f.grid.SetShowIndicator(true);
  f.grid.SetOptions(f.grid.Options() | treelist::aoShowTooltips);
  f.grid.header_button_hint = L"Customize";
  const RECT button = f.grid.HeaderButtonRect();
  const auto move = [&](POINT p) { SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y)); };
  using Timers = std::map<UINT_PTR, UINT>;
  using treelist::TCustomdxTreeList;
  move({button.left + 2, button.top + 2});
  EXPECT_EQ(f.grid.HeaderHint(), nullptr) << "not at once";
  EXPECT_EQ(timers.Running(f.hwnd()), (Timers{{TCustomdxTreeList::kHintShowTimer, 1000}}));
  move({button.right + 30, button.top + 2});
  EXPECT_TRUE(timers.Running(f.hwnd()).empty()) << "off the button before its second: no hint";
  move({button.left + 2, button.top + 2});
  ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kHintShowTimer));
  ASSERT_NE(f.grid.HeaderHint(), nullptr);
  const HWND hint_window = f.grid.HeaderHint()->Handle();
  EXPECT_TRUE(IsWindowVisible(hint_window));
  EXPECT_EQ(timers.Running(f.hwnd()), (Timers{{TCustomdxTreeList::kHintHideTimer, 5000}}));
  HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(screen, f.grid.Font().Handle());
  SIZE line{};
  GetTextExtentPoint32W(screen, L"Wg", 2, &line);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  POINT at{button.right + 4, button.top - line.cy};
  ClientToScreen(f.hwnd(), &at);
  RECT hint{};
  GetWindowRect(hint_window, &hint);
  EXPECT_EQ(hint.left, at.x);
  EXPECT_EQ(hint.top, at.y);
  ASSERT_TRUE(timers.Fire(f.hwnd(), TCustomdxTreeList::kHintHideTimer));
  EXPECT_EQ(f.grid.HeaderHint(), nullptr) << "gone after its five seconds";
  EXPECT_FALSE(IsWindow(hint_window));
  EXPECT_TRUE(timers.Running(f.hwnd()).empty());

  f.grid.SetName(f.nets[1], L"a net whose name is far too long");
  const RECT cell = f.grid.GetCellRect(f.nets[1], 1);
  SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 3, cell.top + 2));
  ASSERT_NE(f.grid.CellTooltip(), nullptr);
  POINT corner{cell.left, cell.top};
  ClientToScreen(f.hwnd(), &corner);
  RECT tooltip{};
  GetWindowRect(f.grid.CellTooltip()->Handle(), &tooltip);
  EXPECT_EQ(tooltip.left, corner.x - 1) << "a pixel left of the cell";
  EXPECT_EQ(tooltip.top, corner.y - 2) << "and two above it";
}

TEST(TreeListHotTrack, HintsLeaveTheEditorItsFocusAndGoWithTheWindow) {
  NetGrid f(2);
  treelist_test::TimerTable timers;
  timers.Install(f.grid.Seams());
  f.grid.SetShowIndicator(true);
  f.grid.header_button_hint = L"Customize";
  f.grid.SetOptions(treelist::aoEditing | treelist::aoShowTooltips);
  f.grid.SetFocus();
  // The mouse rests on the corner button while the user starts typing into a cell.
  const RECT button = f.grid.HeaderButtonRect();
  SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(button.left + 2, button.top + 2));
  SendMessageW(f.hwnd(), WM_CHAR, L'x', 0);
  ASSERT_EQ(f.grid.State(), treelist::tsEditing);
  const HWND editor = GetFocus();
  ASSERT_TRUE(timers.Fire(f.hwnd(), treelist::TCustomdxTreeList::kHintShowTimer));
  ASSERT_NE(f.grid.HeaderHint(), nullptr);
  SendMessageW(f.hwnd(), WM_CANCELMODE, 0, 0);  // cancels drags and sizing, not editing
  EXPECT_EQ(f.grid.State(), treelist::tsEditing);
  EXPECT_EQ(GetFocus(), editor);

  const HWND hint = f.grid.HeaderHint()->Handle();
  const HWND grid = f.hwnd();
  f.grid.SetParent(nullptr);  // the window goes between the show and the hide timer
  EXPECT_EQ(f.grid.HeaderHint(), nullptr);
  EXPECT_FALSE(IsWindow(hint));
  EXPECT_TRUE(timers.Running(grid).empty());
}

TEST(TreeListHotTrack, TooltipOnlyForTextWiderThanItsCellLessFourInTheFontItIsDrawnIn) {
  NetGrid f(2, 420, 200);
  f.grid.SetOptions(f.grid.Options() | treelist::aoShowTooltips);
  f.grid.SetName(f.nets[1], L"overrun");
  TdxTreeListNode* child = AddNamed(f.grid, f.nets[1], L"overrun");
  f.nets[1]->Expand(false);
  framework::TFont bold = f.grid.Font();
  bold.SetStyle(framework::fsBold);
  int indent_left = 0, indent = 0;
  f.grid.GetNodeIndent(child, indent_left, indent);
  struct Case {
    const char* what;
    TdxTreeListNode* node;
    int column;
    bool drawn_bold, measured_bold;
    int room;  // the text's room: its extent plus this
    bool tooltip;
  };
  const Case cases[] = {
      {"width + 4 fits", f.nets[1], 1, false, false, 4, false},
      {"width + 3 does not", f.nets[1], 1, false, false, 3, true},
      {"the tree column's text starts after the indent", child, 0, false, false, 4, false},
      {"and has that less room", child, 0, false, false, 3, true},
      {"custom drawing's bold text is wider than the grid's font", f.nets[1], 1, true, false, 4,
       true},
      {"and fits in its own width + 4", f.nets[1], 1, true, true, 4, false},
      {"the tree column too", child, 0, true, true, 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.grid.custom_draw = [&](const treelist::TdxCellPaintInfo&, std::wstring&,
                             framework::TFont& font) {
      if (c.drawn_bold) font.SetStyle(framework::fsBold);
      return false;
    };
    // The text the cell shows ("overrun.1" in column 1).
    const int width =
        TextWidth(c.measured_bold ? bold : f.grid.Font(), f.grid.GetCellText(c.node, c.column)) +
        c.room + (c.column == 0 ? indent : 0);
    treelist::HeaderModel model = treelist_test::TwoBandModel();
    model.columns[c.column].width = width;
    model.bands[c.column == 0 ? 0 : 1].width = c.column == 0 ? width : width + 90;
    f.grid.SetModel(model);
    const RECT cell = f.grid.GetCellRect(c.node, c.column);
    ASSERT_EQ(cell.right - cell.left, width);
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(cell.right - 2, cell.top + 2));
    EXPECT_EQ(f.grid.CellTooltip() != nullptr, c.tooltip);
  }
}

TEST(TreeListHotTrack, TooltipShowsWhatTheCellPaintsNotThePassword) {
  framework::TForm form(nullptr);
  form.SetBounds(50, 50, 400, 200);
  treelist::TCustomdxTreeListControl grid(nullptr);
  grid.SetParent(&form);
  grid.SetBounds(10, 10, 300, 120);
  grid.SetOptions(grid.Options() | treelist::aoShowTooltips);
  auto* column = grid.CreateColumn<treelist::TdxTreeListColumn>();
  column->SetWidth(60);
  column->SetPasswordChar('*');
  TdxTreeListNode* node = grid.Add();
  grid.SetNodeString(node, 0, L"a long secret");
  form.Show();
  const RECT cell = grid.GetCellRect(node, 0);
  SendMessageW(grid.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(cell.right - 3, cell.top + 2));
  ASSERT_NE(grid.CellTooltip(), nullptr);
  wchar_t shown[64]{};
  GetWindowTextW(grid.CellTooltip()->Handle(), shown, 64);
  EXPECT_EQ(std::wstring(shown), L"*************");
}

TEST(TreeListHotTrack, APressedHeaderIsHotAsPressedAHotCellRepaintsWithItsIndentAndMovesWithinIt) {
  NetGrid f(30);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoHotTrack);
  const treelist::Layout layout = f.grid.GetLayout();
  const LONG y = layout.header_panel.top + 3;
  const LONG x1 = layout.headers[1].left + 10;
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, y));
  ASSERT_EQ(f.grid.State(), treelist::tsColumnDown);
  SendMessageW(f.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x1 + 1, y));
  EXPECT_EQ(f.grid.HotTrack().kind, treelist::kHotHeaderPressed);
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x1 + 1, y));
  SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x1 + 2, y));
  EXPECT_NE(f.grid.HotTrack().kind, treelist::kHotHeaderPressed) << "released";

  // A hot cell repaints itself and its row's indent, nothing else of the row.
  auto repainted = [&](TdxTreeListNode* node, int column) {
    UpdateWindow(f.hwnd());
    const RECT cell = f.grid.GetCellRect(node, column);
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 30, cell.top + 2));
    win::UniqueRegion update(CreateRectRgn(0, 0, 0, 0));
    GetUpdateRgn(f.hwnd(), update.get(), FALSE);
    const LONG mid = (cell.top + cell.bottom) / 2;
    const RECT name = f.grid.GetCellRect(node, 0), width = f.grid.GetCellRect(node, 1);
    return std::vector<bool>{PtInRegion(update.get(), layout.data.left + 2, mid) != FALSE,
                             PtInRegion(update.get(), name.right - 10, mid) != FALSE,
                             PtInRegion(update.get(), width.left + 10, mid) != FALSE};
  };
  using Areas = std::vector<bool>;  // indent, the rest of the name, the width cell
  EXPECT_EQ(repainted(f.nets[1], 0), (Areas{true, true, false}));
  EXPECT_EQ(repainted(f.nets[2], 1), (Areas{true, false, true}));

  std::vector<std::pair<TdxTreeListNode*, int>> asked;  // every hot-track question
  f.grid.OnHotTrackCell = [&](auto, TdxTreeListNode* node, int column, bool&) {
    asked.emplace_back(node, column);
  };
  auto move = [&](LONG x, LONG y) {
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    UpdateWindow(f.hwnd());  // as between real moves: the hot cells' repaint is done
  };
  const RECT cell = f.grid.GetCellRect(f.nets[1], 1);
  move(cell.left + 2, cell.top + 2);  // entering asks, wherever the real mouse is
  move(cell.left + 3, cell.top + 2);  // and so does the first move after a paint
  ASSERT_EQ(asked.back(), std::make_pair(f.nets[1], 1));
  asked.clear();
  for (LONG x = cell.left + 4; x < cell.right; x += 9) move(x, cell.bottom - 1);
  EXPECT_TRUE(asked.empty()) << "moves within the cell ask nothing";

  f.grid.SetTopIndex(1);  // the rows move under the resting mouse
  move(cell.right - 2, cell.bottom - 1);
  EXPECT_EQ(f.grid.HotTrack().node, f.nets[2]);

  const RECT other = f.grid.GetCellRect(f.nets[5], 2);
  asked.clear();
  SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM(layout.headers[0].right - 1, layout.header_panel.top + 3));
  ASSERT_EQ(f.grid.State(), treelist::tsColumnSizing);
  move(other.left + 5, other.top + 2);
  EXPECT_EQ(f.grid.HotTrack().node, f.nets[2]) << "sizing owns the mouse";
  EXPECT_TRUE(asked.empty());
  SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(other.left + 5, other.top + 2));
}

std::wstring ClipboardText() {
  if (!OpenClipboard(nullptr)) return L"<clipboard held>";
  std::wstring text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

TEST(TreeListClipboard, TextFromColumnZeroSelectedOnlyAndAThrowingPaintChangesNothing) {
  NetGrid f(3, 200, 120);
  f.grid.SetOptions(f.grid.Options() | treelist::aoMultiSelect);
  f.grid.SetLeftCoord(60);
  f.grid.CopyGridToClipboard(false);
  EXPECT_EQ(ClipboardText(),
            L"Name\tWidth\tClearance\r\nNET0\tNET0.1\tNET0.2\r\nNET1\tNET1.1\tNET1.2\r\n"
            L"NET2\tNET2.1\tNET2.2\r\n");
  EXPECT_EQ(f.grid.LeftCoord(), 60);

  f.grid.SetFocusedNode(f.nets[1]);
  f.grid.SelectRangeTo(f.nets[2]);
  const uint32_t options = f.grid.Options();
  f.grid.CopyGridToClipboard(true);
  EXPECT_EQ(ClipboardText(),
            L"Name\tWidth\tClearance\r\nNET1\tNET1.1\tNET1.2\r\nNET2\tNET2.1\tNET2.2\r\n");
  EXPECT_EQ(f.grid.SelectedNodes().size(), 2u) << "the selection stays";
  EXPECT_EQ(f.grid.Options(), options);

  f.grid.custom_draw = [](auto&...) -> bool { throw std::runtime_error("paint failed"); };
  const std::string font = f.grid.Font().Name();
  const bool parent_font = f.grid.ParentFont();
  EXPECT_THROW(f.grid.CopyGridToClipboard(false), std::runtime_error);
  ASSERT_TRUE(OpenClipboard(nullptr)) << "the clipboard was closed";
  CloseClipboard();
  EXPECT_EQ(f.grid.LookAndFeel(), treelist::TdxLookAndFeel::lfStandard);
  EXPECT_EQ(f.grid.Options(), options);
  EXPECT_TRUE(f.grid.ShowRoot());
  EXPECT_EQ(f.grid.LeftCoord(), 60);
  EXPECT_EQ(f.grid.Font().Name(), font);
  EXPECT_EQ(f.grid.ParentFont(), parent_font);
  EXPECT_FALSE(f.grid.LockUpdate());
  EXPECT_FALSE(f.grid.PaintingPicture());
}

// Ctrl+C on cells holding line breaks, a tab or a leading quote: each row stays one line of
// cells apart by tabs, those cells quoted as spreadsheets read them back, the others as they are.
TEST(TreeListClipboard, CellsWithLineBreaksOrTabsAreQuotedSoEachRowStaysOneLine) {
  NetGrid f(4, 200, 120);
  f.grid.SetName(f.nets[0], L"two\r\nlines");
  f.grid.SetName(f.nets[1], L"a\tb");
  f.grid.SetName(f.nets[2], L"\"5 mil");
  f.grid.SetName(f.nets[3], L"via 5\" \"x\"");
  BYTE keys[256], saved[256];
  GetKeyboardState(saved);
  std::copy(std::begin(saved), std::end(saved), keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  f.Key('C');
  SetKeyboardState(saved);
  EXPECT_EQ(ClipboardText(),
            L"Name\tWidth\tClearance\r\n"
            L"\"two\r\nlines\"\t\"two\r\nlines.1\"\t\"two\r\nlines.2\"\r\n"
            L"\"a\tb\"\t\"a\tb.1\"\t\"a\tb.2\"\r\n"
            L"\"\"\"5 mil\"\t\"\"\"5 mil.1\"\t\"\"\"5 mil.2\"\r\n"
            L"via 5\" \"x\"\tvia 5\" \"x\".1\tvia 5\" \"x\".2\r\n");
}

int CALLBACK CollectFont(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM fonts) {
  if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
    const auto* font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
    reinterpret_cast<std::set<std::pair<std::wstring, int>>*>(fonts)->insert(
        {font->elfw.elfLogFont.lfFaceName, font->elfw.elfLogFont.lfOutPrecision});
  }
  return 1;
}

TEST(TreeListClipboard, PictureIsTheWholeGridInTrueTypeFonts) {
  LOGFONTW gui{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  struct Case {
    const char* font;
    std::wstring face;
    int precision;
  };
  const Case cases[] = {{"Tahoma", L"Tahoma", OUT_TT_ONLY_PRECIS},
                        {"Default", gui.lfFaceName, OUT_TT_ONLY_PRECIS},
                        {"MS Sans Serif", L"Microsoft Sans Serif", OUT_DEFAULT_PRECIS}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font);
    NetGrid f(9, 150, 80);
    f.grid.Font().SetName(c.font);
    f.grid.HeaderFont().SetName(c.font);
    f.grid.BandFont().SetName(c.font);
    f.grid.painted_hot.clear();
    HENHMETAFILE picture = f.grid.PaintToMetafile(false);
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(picture, sizeof header, &header);
    // The frame is in hundredths of millimetres of the reference device.
    auto pixels = [&](LONG frame, int mm, LONG device) {
      return (frame * device + mm * 50) / (mm * 100);
    };
    EXPECT_NEAR(pixels(header.rclFrame.right, header.szlMillimeters.cx, header.szlDevice.cx),
                160 + 80 + 90, 1)
        << "every column from the first";
    const treelist::Metrics& m = f.grid.GetMetrics();
    EXPECT_NEAR(pixels(header.rclFrame.bottom, header.szlMillimeters.cy, header.szlDevice.cy),
                m.header_panel_height + 9 * m.default_row_height, 1)
        << "every row";
    std::set<std::pair<std::wstring, int>> fonts;
    EnumEnhMetaFile(nullptr, picture, CollectFont, &fonts, nullptr);
    EXPECT_EQ(fonts, (std::set<std::pair<std::wstring, int>>{{c.face, c.precision}}));
    xptest::Surface played(330, m.header_panel_height + 9 * m.default_row_height, RGB(255, 0, 255));
    const RECT all{0, 0, played.width(), played.height()};
    PlayEnhMetaFile(played.dc(), picture, &all);
    if (c.face == L"Tahoma") xptest::WritePicture(played, "treelist_clipboard_picture", 2);
    EXPECT_EQ(played.Pixel(325, played.height() - 2), GetSysColor(COLOR_WINDOW)) << "cells filled";
    int ink = 0;  // the first column's texts
    for (int y = m.header_panel_height; y < played.height(); ++y) {
      for (int x = 0; x < 150; ++x) ink += played.Pixel(x, y) != GetSysColor(COLOR_WINDOW);
    }
    EXPECT_GT(ink, 9 * 10) << "every row's text";
    EXPECT_TRUE(f.grid.painted_hot.empty()) << "as vector text, not through the cells' painters";
    DeleteEnhMetaFile(picture);
    EXPECT_EQ(f.grid.Font().Name(), c.font) << "the grid's own font is back";
  }
}

// A grid of named rows with one sortable column, scrolled by its bar as a person scrolls it.
struct ScrolledGrid {
  framework::TForm form{nullptr};
  treelist::TdxTreeList grid{nullptr};
  explicit ScrolledGrid(int rows) {
    form.SetBounds(0, 0, 320, 1000);
    grid.SetParent(&form);
    grid.SetBounds(0, 0, 300, 160);
    grid.SetOptions(grid.Options() | treelist::aoAutoSort);
    grid.CreateColumn<treelist::TdxTreeListColumn>(&grid)->SetWidth(200);
    for (int i = 0; i < rows; ++i) {
      wchar_t name[8];
      swprintf(name, 8, L"r%03d", i);
      grid.SetNodeString(grid.Add(), 0, name);
    }
    form.Show();
  }
  void ToEnd() { SendMessageW(grid.Handle(), WM_VSCROLL, SB_BOTTOM, 0); }
  // The top row that ends the rows at the bottom of the grid, or the first.
  int LastPageTop() { return std::max(0, grid.GetVisibleRowCount() - grid.FullyVisibleRowCount()); }
  void ClickHeader() {
    const treelist::Layout layout = grid.GetLayout();
    const treelist::LayoutHeaderCell* header = layout.HeaderOf(0);
    const LPARAM at = MAKELPARAM(header->left + 10, (header->rect.top + header->rect.bottom) / 2);
    SendMessageW(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(grid.Handle(), WM_LBUTTONUP, 0, at);
  }
};

// No view leaves space under the last row while rows above it are hidden: after the grid grows,
// after a parent at the end collapses, and after a sort takes the top row to the end.
TEST(TreeListScrolling, TheViewNeverEndsBeforeTheGridWhileRowsAreHiddenAbove) {
  {
    ScrolledGrid g(40);
    g.ToEnd();
    ASSERT_GT(g.grid.TopIndex(), 20);
    g.grid.SetBounds(0, 0, 300, 900);  // room for all
    EXPECT_EQ(g.grid.TopIndex(), 0);
    EXPECT_FALSE(GetWindowLongW(g.grid.Handle(), GWL_STYLE) & WS_VSCROLL);
  }
  {
    ScrolledGrid g(10);
    TdxTreeListNode* parent = g.grid.Items(9);
    for (int i = 0; i < 20; ++i) g.grid.SetNodeString(parent->AddChild(), 0, L"child");
    parent->Expand(false);
    g.grid.SetFocusedNode(parent);
    g.ToEnd();
    ASSERT_GT(g.grid.TopIndex(), 9);
    SendMessageW(g.grid.Handle(), WM_KEYDOWN, VK_SUBTRACT, 0);
    ASSERT_FALSE(parent->Expanded());
    EXPECT_EQ(g.grid.TopIndex(), g.LastPageTop());
    EXPECT_GT(g.LastPageTop(), 0);
  }
  {
    ScrolledGrid g(184);
    g.ClickHeader();  // ascending: the first row stays on top
    ASSERT_EQ(g.grid.TopIndex(), 0);
    g.ClickHeader();  // descending: "r000" goes last
    ASSERT_EQ(g.grid.Items(183)->GetStrings(0), "r000");
    EXPECT_EQ(g.grid.TopIndex(), g.LastPageTop());
    EXPECT_GT(g.LastPageTop(), 170);
  }
}

}  // namespace

// One cell as a whole repaint through WM_PAINT drew it.
struct PaintedCell {
  TdxTreeListNode* node = nullptr;
  int column = 0;
  RECT rect{};
  bool focused = false, hot = false;
  std::wstring text;
  bool operator==(const PaintedCell& o) const {
    return node == o.node && column == o.column && EqualRect(&rect, &o.rect) &&
           focused == o.focused && hot == o.hot && text == o.text;
  }
};

std::ostream& operator<<(std::ostream& out, const PaintedCell& cell) {
  return out << "\n  " << win::Narrow(cell.text) << " column " << cell.column << " at "
             << cell.rect.left << "," << cell.rect.top << "-" << cell.rect.right << ","
             << cell.rect.bottom << (cell.focused ? " focused" : "") << (cell.hot ? " hot" : "");
}

TEST(TreeListView, KeptOverPaintsAndHitTestsOfAnUnchangedGridAndBuiltAgainAfterEachChange) {
  GridForm f(360, 110);
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoHotTrack);
  const std::vector<TdxTreeListNode*> nets = treelist_test::AddNets(f.grid);
  std::vector<PaintedCell> painted;
  f.grid.custom_draw = [&](const treelist::TdxCellPaintInfo& cell, std::wstring& text,
                           framework::TFont&) {
    painted.push_back({cell.node, cell.column, cell.rect, cell.focused, cell.hot, text});
    return false;
  };
  // What the grid's own state says a whole repaint shows: the rows from the top one down while
  // they start in the window, each cell where the grid places it.
  auto expected = [&] {
    const treelist::Layout layout = f.grid.GetLayout();
    std::vector<PaintedCell> cells;
    for (TdxTreeListNode* node = f.grid.TopNode(); node; node = f.grid.GetNextVisible(node)) {
      // A row below the window has its place at the rows' top.
      const LONG top = f.grid.GetCellRect(node, 0, layout).top;
      if (top >= layout.rows.bottom || (!cells.empty() && top <= cells.back().rect.top)) break;
      for (const treelist::LayoutHeaderCell& header : layout.headers) {
        const int column = header.column;
        const bool focused = node == f.grid.GetFocusedNode() && column == f.grid.FocusedColumn();
        const bool hot = node == f.grid.HotTrack().node && column == f.grid.HotTrack().column;
        RECT rect = f.grid.GetCellRect(node, column, layout);
        if (column == layout.headers[0].column) {  // the tree's column: its text after the indent
          int images = 0, text = 0;
          f.grid.GetNodeIndent(node, images, text);
          rect.left += text;
        }
        cells.push_back({node, column, rect, focused, hot, f.grid.GetCellText(node, column)});
      }
    }
    return cells;
  };
  auto repaint = [&] {
    painted.clear();
    RedrawWindow(f.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return painted;
  };
  auto move = [&](POINT at) {
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    UpdateWindow(f.hwnd());
  };
  auto inside = [&](TdxTreeListNode* node, int column) {
    const RECT cell = f.grid.GetCellRect(node, column);
    return POINT{cell.left + 5, (cell.top + cell.bottom) / 2};
  };

  const POINT rest = inside(nets[1], 1);
  move(rest);
  ASSERT_EQ(f.grid.HotTrack().node, nets[1]);
  ASSERT_EQ(repaint(), expected());
  const int kept = f.grid.ViewBuilds();
  for (int i = 0; i < 10; ++i) {
    move(rest);
    SendMessageW(f.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(rest.x, rest.y));
    ASSERT_EQ(repaint(), expected()) << "paint " << i;
  }
  EXPECT_EQ(f.grid.ViewBuilds(), kept) << "ten paints and hit tests of an unchanged grid";

  // Each change the user makes shows at once, and is built once.
  auto changed = [&](const char* what, const std::function<void()>& change) {
    const int before = f.grid.ViewBuilds();
    change();
    EXPECT_EQ(repaint(), expected()) << what;
    EXPECT_GT(f.grid.ViewBuilds(), before) << what;
    const int after = f.grid.ViewBuilds();
    repaint();
    EXPECT_EQ(f.grid.ViewBuilds(), after) << what << ": kept again";
  };
  changed("hot tracking", [&] { move(inside(nets[2], 2)); });
  changed("focus", [&] { f.Click(inside(nets[4], 0).x, inside(nets[4], 0).y); });
  changed("focus by key", [&] { f.Key(VK_DOWN); });
  changed("scroll", [&] { SendMessageW(f.hwnd(), WM_VSCROLL, SB_LINEDOWN, 0); });
  ASSERT_NE(f.grid.TopNode(), nets[0]) << "the rows must not fit the window";
  changed("expand", [&] {
    f.grid.SetFocusedNode(nets[6]);
    f.Key(VK_ADD);
  });
  ASSERT_TRUE(nets[6]->Expanded());
  changed("column width", [&] {
    const treelist::Layout layout = f.grid.GetLayout();
    const LONG edge = layout.headers[0].right, y = layout.header_panel.top + 3;
    SendMessageW(f.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(edge, y));
    SendMessageW(f.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(edge + 30, y));
    SendMessageW(f.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(edge + 30, y));
  });
  changed("window size", [&] { f.grid.SetBounds(10, 10, 300, 160); });
}
