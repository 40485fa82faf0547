// The painter and the hit test from view records made by hand: tree lines, expand boxes in each
// look, highlight colours, grid lines, the indicator and footers on a memory surface, and the
// parts a point hits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "controls/surface.h"
#include "treelist/view/painter.h"
#include "treelist/view/shared_resources.h"

using treelist::GridView;
using treelist::ViewRow;

namespace {

constexpr int kLine = 17, kIndent = 16;

// Fills each cell's text area with its brush colour, and keeps what it was given.
class FillingCells final : public treelist::CellPainter {
 public:
  void PaintCell(const treelist::TdxCellPaintInfo& cell) override {
    cells.push_back(cell);
    SetBkColor(cell.dc, cell.brush_color);
    ExtTextOutW(cell.dc, 0, 0, ETO_OPAQUE, &cell.rect, nullptr, 0, nullptr);
  }
  void PaintPreview(HDC, const RECT&, const ViewRow&, COLORREF, COLORREF) override {}
  std::vector<treelist::TdxCellPaintInfo> cells;
};

// Colours that tell the painted parts apart by a pixel (the texts share black, the footer the
// 3-D face).
constexpr treelist::ViewColors kColors{
    .window = RGB(255, 255, 255),
    .window_text = RGB(0, 0, 0),
    .highlight = RGB(0, 0, 128),
    .highlight_text = RGB(255, 255, 0),
    .hide_selection = RGB(128, 128, 128),
    .hide_selection_text = RGB(0, 0, 0),
    .header = RGB(0, 200, 200),
    .header_text = RGB(0, 0, 0),
    .band = RGB(200, 0, 200),
    .tree_line = RGB(255, 0, 0),
    .grid_line = RGB(0, 255, 0),
    .row_footer = RGB(255, 128, 0),
    .plus_minus = RGB(0, 0, 255),
    .footer = RGB(200, 200, 0),
    .face = RGB(200, 200, 0),
    .shadow = RGB(0, 128, 0),
};
constexpr COLORREF kWindow = kColors.window, kText = kColors.window_text;

// A grid without columns (the whole row is the tree's), 200 x 120, no header panel.
GridView TreeView() {
  GridView v;
  treelist::LayoutInputs in;
  in.client = {0, 0, 200, 120};
  in.metrics.default_row_height = kLine;
  v.layout = treelist::ComputeLayout({}, in);
  v.colors = kColors;
  v.indent = kIndent;
  v.tree_line_style = treelist::TdxTreeLineStyle::tlSolid;
  v.show_buttons = false;
  return v;
}

// A row of the tree as the control lays it out: standard paint style, no images.
ViewRow Row(int index, int level, bool children, bool last, std::vector<bool> continues = {}) {
  ViewRow r;
  r.top = index * kLine;
  r.height = r.line_height = kLine;
  r.level = level;
  r.has_children = children;
  r.expanded = children;
  r.last = last;
  r.first_row = index == 0 && level == 0;
  r.indent_left = r.indent_right = (level + 1) * kIndent;
  r.ancestor_continues = std::move(continues);
  return r;
}

// The view painted on a memory surface of its client's size, with what its cells were given.
struct Painting {
  explicit Painting(const GridView& view) : s(view.layout.client.right, view.layout.client.bottom) {
    treelist::PaintGrid(view, s.dc(), cells);
  }
  xptest::Surface s;
  FillingCells cells;
};

struct PixelCase {
  POINT point;
  COLORREF colour;
  const char* why;
};

void ExpectPixels(const xptest::Surface& s, const std::vector<PixelCase>& cases) {
  for (const PixelCase& c : cases) {
    EXPECT_EQ(s.Pixel(c.point.x, c.point.y), c.colour)
        << c.why << " at " << c.point.x << "," << c.point.y;
  }
}

TEST(TreeListPainter, TreeLinesJoinSiblingsAndEndAtTheLastChildsMiddle) {
  // 0 top (children)       slot 0: line from its middle down
  // 1   child              slot 1, its parent's line passes at slot 0
  // 2   last child         slot 1 ends at its middle
  // 3 last top             slot 0 from the top to its middle
  GridView v = TreeView();
  v.rows = {Row(0, 0, true, false), Row(1, 1, false, false, {true}), Row(2, 1, false, true, {true}),
            Row(3, 0, false, true)};
  const Painting p(v);
  xptest::WritePicture(p.s, "treelist_painter_lines", 2);
  const int mid = kLine / 2;
  ExpectPixels(
      p.s,
      {
          {{8, mid - 1}, kWindow, "the first row's line starts at its middle"},
          {{8, mid}, kColors.tree_line, "the first row's line"},
          {{15, mid}, kColors.tree_line, "the stub reaches the slot's right end"},
          {{16, mid}, kWindow, "and not beyond"},
          {{8, kLine + 1}, kColors.tree_line, "the parent's line passes the child"},
          {{24, kLine}, kColors.tree_line, "the child's own line from its top"},
          {{24, 2 * kLine - 1}, kColors.tree_line, "down to its bottom"},
          {{31, kLine + mid}, kColors.tree_line, "the child's stub"},
          {{24, 2 * kLine + mid}, kColors.tree_line, "the last child's line reaches its middle"},
          {{24, 2 * kLine + mid + 1}, kWindow, "and stops there"},
          {{8, 3 * kLine}, kColors.tree_line, "the top line goes on to the last top row"},
          {{8, 3 * kLine + mid}, kColors.tree_line, "to its middle"},
          {{8, 3 * kLine + mid + 1}, kWindow, "the last top row ends the line"},
      });
}

TEST(TreeListPainter, WithoutRootTheTopLevelDrawsNoLinesAndChildrenMoveOneSlotLeft) {
  GridView v = TreeView();
  v.show_root = false;
  ViewRow top = Row(0, 0, true, true);
  top.indent_left = top.indent_right = 0;
  ViewRow child = Row(1, 1, false, true, {});
  child.indent_left = child.indent_right = kIndent;
  v.rows = {top, child};
  const Painting p(v);
  EXPECT_EQ(xptest::CountOfColour(p.s, {0, 0, 200, kLine}, kColors.tree_line), 0)
      << "no root lines";
  ExpectPixels(p.s, {{{8, kLine}, kColors.tree_line, "the child's line in slot 0"},
                     {{8, kLine + kLine / 2 + 1}, kWindow, "ends at the last child's middle"}});
  EXPECT_EQ(p.cells.cells[1].rect.left, kIndent) << "the child's text after one indent";
}

TEST(TreeListPainter, DottedLinesPaintEveryOtherPixelInPhaseWithTheScroll) {
  for (const int left_coord : {0, 1}) {
    SCOPED_TRACE(left_coord);
    GridView v = TreeView();
    v.tree_line_style = treelist::TdxTreeLineStyle::tlDot;
    v.layout.left_coord = left_coord;
    v.rows = {Row(0, 0, false, false), Row(1, 0, false, true)};
    const Painting p(v);
    const int x = 8 - left_coord;
    EXPECT_EQ(xptest::CountOfColour(p.s, {x, kLine, x + 1, kLine + 8}, kColors.tree_line), 4);
    // A dot wherever x + LeftCoord + y is even.
    EXPECT_EQ(p.s.Pixel(x, kLine), (x + left_coord + kLine) % 2 ? kWindow : kColors.tree_line);
  }
}

struct ButtonCase {
  treelist::TdxLookAndFeel look;
  COLORREF frame, face;
};

TEST(TreeListPainter, ExpandBoxesShowTheirLooksFrameFaceAndSign) {
  const ButtonCase cases[] = {
      {treelist::TdxLookAndFeel::lfFlat, kColors.shadow, kColors.face},
      {treelist::TdxLookAndFeel::lfUltraFlat, kText, kWindow},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.look));
    GridView v = TreeView();
    v.look = c.look;
    v.show_buttons = true;
    v.show_lines = false;
    ViewRow collapsed = Row(0, 0, true, false);
    collapsed.expanded = false;
    v.rows = {collapsed, Row(1, 0, true, true)};
    const Painting p(v);
    const int cx = 8, cy = kLine / 2;
    ExpectPixels(p.s, {{{cx - 4, cy}, c.frame, "the box's left side"},
                       {{cx + 4, cy + 4}, c.frame, "its lower right corner"},
                       {{cx + 4, cy - 1}, c.frame, "its right side"},
                       {{cx + 1, cy + 4}, c.frame, "its bottom side"},
                       {{cx + 1, cy + 5}, kWindow, "nothing below the box"},
                       {{cx - 3, cy - 3}, c.face, "the face inside"},
                       {{cx - 2, cy}, kColors.plus_minus, "the minus"},
                       {{cx + 3, cy}, c.face, "5 pixels long"},
                       {{cx, cy - 2}, kColors.plus_minus, "the plus's upright when collapsed"},
                       {{cx, kLine + cy - 2}, c.face, "no upright when expanded"},
                       {{cx + 2, kLine + cy}, kColors.plus_minus, "the expanded row's minus"}});
  }
}

TEST(TreeListPainter, TheStandardLookDrawsItsRaisedGlyphOnlyForRowsWithChildren) {
  treelist::AcquireSharedDrawingResources();
  GridView v = TreeView();
  v.show_buttons = true;
  v.show_lines = false;
  v.plus_glyph = treelist::ExpandGlyph(true);
  v.minus_glyph = treelist::ExpandGlyph(false);
  ViewRow collapsed = Row(0, 0, true, false);
  collapsed.expanded = false;
  v.rows = {collapsed, Row(1, 0, false, true)};
  const Painting p(v);
  EXPECT_GT(xptest::CountOtherThan(p.s, {0, 0, kIndent, kLine}, kWindow), 20) << "a glyph";
  // The glyph's sign in the grid's colour: 5 pixels across and, collapsed, 5 down at its middle.
  const int x = 8 - treelist::kExpandGlyphSize / 2, y = kLine / 2 - treelist::kExpandGlyphSize / 2;
  EXPECT_EQ(xptest::CountOfColour(p.s, {x + 3, y + 5, x + 8, y + 6}, kColors.plus_minus), 5);
  EXPECT_EQ(xptest::CountOfColour(p.s, {x + 5, y + 3, x + 6, y + 8}, kColors.plus_minus), 5);
  EXPECT_EQ(xptest::CountOfColour(p.s, {0, 0, kIndent, kLine}, kColors.plus_minus), 9)
      << "nothing else";
  EXPECT_EQ(xptest::CountOtherThan(p.s, {0, kLine, kIndent, 2 * kLine}, kWindow), 0) << "none";
  treelist::ReleaseSharedDrawingResources();
}

// Two columns side by side under a header; the focused row is the second.
GridView ColumnsView() {
  GridView v;
  treelist::HeaderModel model;
  model.columns = {{L"Name", 100, 20}, {L"Value", 100, 20}};
  model.bands = {{L"All", 200, 20, true, {{0, 1}}}};
  treelist::LayoutInputs in;
  in.client = {0, 0, 220, 100};
  in.metrics.default_row_height = kLine;
  in.metrics.header_panel_height = 18;
  in.metrics.band_panel_height = 16;
  in.metrics.indicator_width = 12;
  v.layout = treelist::ComputeLayout(model, in);
  v.band_captions = {{L"All"}};
  v.column_captions = {{L"Name"}, {L"Value"}};
  v.colors = kColors;
  v.indent = kIndent;
  v.tree_column = 0;
  v.show_lines = false;
  v.show_buttons = false;
  v.focused_column = 1;
  const int top = v.layout.rows.top;
  for (int i = 0; i < 2; ++i) {
    ViewRow r = Row(i, 0, false, i == 1);
    r.top = top + i * kLine;
    r.focused = i == 1;
    v.rows.push_back(r);
  }
  return v;
}

struct HighlightCase {
  bool row_select, focused_window, picture;
  COLORREF name, value;
  const char* why;
};

TEST(TreeListPainter, TheFocusedRowsCellsTakeTheHighlightThatItsSettingsGive) {
  const HighlightCase cases[] = {
      {true, true, false, kColors.highlight, kColors.highlight,
       "the row selected in a focused grid"},
      {true, false, false, kColors.hide_selection, kColors.hide_selection, "without the focus"},
      {false, true, false, kWindow, kColors.highlight, "only the focused cell"},
      {true, true, true, kWindow, kWindow, "a picture shows no selection"},
  };
  for (const HighlightCase& c : cases) {
    SCOPED_TRACE(c.why);
    GridView v = ColumnsView();
    v.row_select = c.row_select;
    v.focused_window = c.focused_window;
    v.picture = c.picture;
    const Painting p(v);
    const int y = v.rows[1].top + 4;
    const RECT name = v.layout.headers[0].rect, value = v.layout.headers[1].rect;
    EXPECT_EQ(p.s.Pixel(name.right - 5, y), c.name);
    EXPECT_EQ(p.s.Pixel(value.right - 5, y), c.value);
    EXPECT_EQ(p.s.Pixel(value.right - 5, v.rows[0].top + 4), kWindow) << "the other row";
    ASSERT_EQ(p.cells.cells.size(), 4u);
    EXPECT_EQ(p.cells.cells[3].focused, true) << "the focused cell is told so";
    EXPECT_EQ(p.cells.cells[2].focused, false);
    EXPECT_TRUE(p.cells.cells[0].first_column && !p.cells.cells[0].last_column);
    EXPECT_TRUE(p.cells.cells[1].last_column);
  }
}

TEST(TreeListPainter, HeadersBandsIndicatorGridLinesAndRowFootersTakeTheirColours) {
  GridView v = ColumnsView();
  v.show_grid = true;
  v.rows[1].height = kLine + 10;  // a row footer below the cells
  v.layout.row_footer_height = 10;
  v.rows[1].footers = {{0, kColors.row_footer, {}}};
  const Painting p(v);
  xptest::WritePicture(p.s, "treelist_painter_parts", 2);
  const treelist::Layout& l = v.layout;
  const int row1 = v.rows[1].top;
  ExpectPixels(
      p.s, {
               {{l.bands[0].left + 40, l.band_panel.top + 8}, kColors.band, "band face"},
               {{l.headers[1].left + 60, l.header_panel.top + 9}, kColors.header, "header face"},
               {{3, row1 + 2}, kColors.header, "the indicator's face"},
               {{l.headers[0].right - 1, row1 + 3}, kColors.grid_line, "a vertical grid line"},
               {{l.headers[0].right, row1 + 3}, kColors.hide_selection, "one pixel wide"},
               {{50, row1 - 1}, kColors.grid_line, "the first row's bottom line"},
               {{50, row1 + kLine + 4}, kColors.row_footer, "the row footer below the cells"},
               {{50, row1 + kLine + 9}, kColors.grid_line, "the taller row's bottom line"},
           });
  // The focused row's arrow in the indicator at its first line's middle, 5 wide and 9 high.
  const int cy = row1 + kLine / 2;
  RECT arrow{100, 100, -1, -1};
  for (int y = row1; y < row1 + kLine; ++y) {
    for (int x = 0; x < 12; ++x) {
      if (p.s.Pixel(x, y) != kText) continue;
      arrow = {std::min<LONG>(arrow.left, x), std::min<LONG>(arrow.top, y),
               std::max<LONG>(arrow.right, x + 1), std::max<LONG>(arrow.bottom, y + 1)};
    }
  }
  EXPECT_EQ(std::make_tuple(arrow.left, arrow.top, arrow.right, arrow.bottom),
            std::make_tuple(4, cy - 4, 9, cy + 5));
  EXPECT_EQ(p.s.Pixel(6, v.rows[0].top + kLine / 2), kColors.header) << "no arrow for other rows";
}

struct HitCase {
  POINT point;
  treelist::THitKind kind;
  int row;  // -1 none
  int column;
};

TEST(TreeListHitTest, NamesThePartOfTheRowOrHeaderAPointIsOn) {
  GridView v = ColumnsView();
  v.rows[0].has_children = true;
  v.rows[0].indent_right = v.rows[0].indent_left + 16;  // an image
  v.images.width = 16;
  v.show_buttons = true;
  v.row_sizing = true;
  v.header_panel_sizing = true;
  const treelist::Layout& l = v.layout;
  const int x0 = l.data.left, r0 = v.rows[0].top, r1 = v.rows[1].top;
  const HitCase cases[] = {
      {{x0 + 4, r0 + 4}, treelist::htButton, 0, 0},
      {{x0 + 20, r0 + 4}, treelist::htIcon, 0, 0},
      {{x0 + 40, r0 + 4}, treelist::htLabel, 0, 0},
      {{x0 + 4, r1 + 4}, treelist::htIndent, 1, 0},
      {{x0 + 150, r1 + 4}, treelist::htLabel, 1, 1},
      {{3, r0 + 4}, treelist::htIndicator, 0, -1},
      {{3, r0 + kLine - 2}, treelist::htRowEdge, 0, -1},
      {{x0 + 40, r1 + kLine + 2}, treelist::htNowhere, -1, -1},
      {{l.headers[1].left + 30, l.header_panel.top + 4}, treelist::htColumn, -1, 1},
      {{l.headers[0].right + 1, l.header_panel.top + 4}, treelist::htColumnEdge, -1, 0},
      {{l.headers[1].left + 30, l.header_panel.bottom - 1}, treelist::htHeaderPanelEdge, -1, -1},
      {{l.bands[0].right - 1, l.band_panel.top + 4}, treelist::htBandEdge, -1, -1},
      {{3, 3}, treelist::htHeaderButton, -1, -1},
  };
  // Nodes stand for themselves: the hit hands back the row's pointer.
  auto* node0 = reinterpret_cast<treelist::TdxTreeListNode*>(&v.rows[0]);
  auto* node1 = reinterpret_cast<treelist::TdxTreeListNode*>(&v.rows[1]);
  v.rows[0].node = node0;
  v.rows[1].node = node1;
  for (const HitCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    const treelist::THitInfo hit = treelist::HitTest(v, c.point);
    EXPECT_EQ(hit.kind, c.kind);
    EXPECT_EQ(hit.node, c.row < 0 ? nullptr : c.row == 0 ? node0 : node1);
    EXPECT_EQ(hit.column, c.column);
  }
}

TEST(TreeListPainter, HeaderCellsKeepToTheirRectangleInEachLook) {
  for (const auto look : {treelist::TdxLookAndFeel::lfStandard, treelist::TdxLookAndFeel::lfFlat,
                          treelist::TdxLookAndFeel::lfUltraFlat}) {
    SCOPED_TRACE(static_cast<int>(look));
    xptest::Surface s(60, 40, kWindow);
    const RECT cell{10, 10, 50, 28};
    treelist::DrawHeaderCell(s.dc(), cell, {L"Net"}, nullptr, look, kColors.header, kText);
    treelist::DrawHeaderCell(s.dc(), {10, 32, 50, 32}, {L"Net"}, nullptr, look, kColors.header,
                             kText);
    treelist::DrawHeaderCell(s.dc(), {5, 5, 5, 30}, {L"Net"}, nullptr, look, kColors.header, kText);
    const RECT ink = s.InkBox(kWindow);
    EXPECT_EQ(std::make_tuple(ink.left, ink.top, ink.right, ink.bottom),
              std::make_tuple(cell.left, cell.top, cell.right, cell.bottom))
        << "nothing outside the cell, nothing for empty ones";
    EXPECT_EQ(s.Pixel(45, 14), kColors.header) << "the face right of the caption";
  }
}

TEST(TreeListPainter, ImagesFollowTheStateImageOnlyWhenTheRowHasOne) {
  // One 16 x 16 image of each list, filled in its colour.
  const COLORREF state_colour = RGB(200, 0, 0), image_colour = RGB(0, 0, 200);
  auto list_of = [](COLORREF colour) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    xptest::Surface picture(16, 16, colour);
    win::UniqueBitmap bitmap(CreateCompatibleBitmap(picture.dc(), 16, 16));
    {
      const win::UniqueMemoryDc dc(CreateCompatibleDC(picture.dc()));
      const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
      BitBlt(dc.get(), 0, 0, 16, 16, picture.dc(), 0, 0, SRCCOPY);
      SelectObject(dc.get(), old);
    }
    ImageList_Add(list, bitmap.get(), nullptr);
    return list;
  };
  GridView v = TreeView();
  v.show_lines = false;
  v.state_images = {list_of(state_colour), 16, 16};
  v.images = {list_of(image_colour), 16, 16};
  ViewRow with_state = Row(0, 0, false, false), without = Row(1, 0, false, true);
  with_state.state_image = 0;
  with_state.image = without.image = 0;
  with_state.indent_right += 32;
  without.indent_right += 16;
  v.rows = {with_state, without};
  const Painting p(v);
  ImageList_Destroy(v.state_images.handle);
  ImageList_Destroy(v.images.handle);
  const int left = kIndent;
  ExpectPixels(p.s,
               {{{left + 8, kLine / 2}, state_colour, "the state image first"},
                {{left + 24, kLine / 2}, image_colour, "then the image"},
                {{left + 8, kLine + kLine / 2}, image_colour, "no state image: the image first"}});
}

}  // namespace
