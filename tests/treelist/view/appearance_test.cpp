// What the grid's appearance settings give on a shown grid: each colour property's pixels, the
// row heights the grid lines and paint styles give, auto row heights from memo cells, footers
// with their hooks, the new-item row and the custom drawing of bands, footers and previews.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "controls/surface.h"
#include "../grid_fixture.h"
#include "treelist/input/interaction_state.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::AddNets;
using treelist_test::GridForm;
using treelist_test::Lines;
using treelist_test::MemoGrid;
using Which = treelist::TCustomdxTreeList::TreeListColor;

namespace {

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
  const std::vector<TdxTreeListNode*> rows = treelist_test::AddEveryColouredPart(f.grid);
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

// A grid of nets with the footer panel and row footers closing each net's classes.
struct FooterGrid {
  GridForm f{360, 260};
  std::vector<TdxTreeListNode*> rows;
  FooterGrid() {
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowBands(true);
    f.grid.SetShowFooter(true);
    f.grid.SetShowRowFooter(true);
    f.grid.OnIsLevelFooter = [](framework::TComponent*, int level, bool& footer) {
      footer = level == 0;
    };
    rows = AddNets(f.grid);
  }
  // The footer cell's box under `column`: in the panel (node null) or the row's first footer.
  RECT FooterCell(int column, TdxTreeListNode* node = nullptr) {
    const treelist::Layout layout = f.grid.GetLayout();
    const treelist::LayoutHeaderCell* header = layout.HeaderOf(column);
    int top = layout.footer.top;
    if (node) {
      const RECT cell = f.grid.GetCellRect(node, column);
      top = cell.bottom;
    }
    return {header->left + 2, top + 2, header->right - 2,
            top + f.grid.GetMetrics().footer_line_height - 2};
  }
};

TEST(TreeListAppearance, FootersShowTheCellsAndTextsTheirHooksGive) {
  FooterGrid g;
  g.f.grid.OnIsExistFooterCell = [](framework::TComponent*, int column, bool& exists) {
    exists = column == 1;
  };
  g.f.grid.OnIsExistRowFooterCell = [](framework::TComponent*, TdxTreeListNode*, int column,
                                       int index,
                                       bool& exists) { exists = column == 2 && index == 0; };
  std::vector<std::pair<TdxTreeListNode*, int>> asked;
  g.f.grid.OnGetFooterCellText = [&](framework::TComponent*, TdxTreeListNode* node, int column,
                                     int index, std::wstring& text) {
    asked.push_back({node, index});
    text = node ? L"2 classes" : L"6 rules";
    (void)column;
  };
  const COLORREF level_colour = RGB(201, 1, 201);
  g.f.grid.OnGetLevelColor = [&](framework::TComponent*, int level, framework::TColor& color) {
    if (level == 0) color = static_cast<framework::TColor>(level_colour);
  };
  xptest::Surface surface(g.f.grid.ClientRect().right, g.f.grid.ClientRect().bottom);
  Paint(g.f, surface);
  xptest::WritePicture(surface, "treelist_footers", 2);
  EXPECT_GT(xptest::CountDark(surface, g.FooterCell(1)), 10) << "the panel's cell text";
  EXPECT_EQ(xptest::CountDark(surface, g.FooterCell(0)), 0) << "no cell under Name";
  EXPECT_GT(xptest::CountDark(surface, g.FooterCell(2, g.rows[2])), 10)
      << "the row footer's text under the last class of GND";
  EXPECT_EQ(xptest::CountDark(surface, g.FooterCell(1, g.rows[2])), 0) << "no cell there";
  const RECT footer = g.FooterCell(0, g.rows[2]);
  EXPECT_EQ(surface.Pixel(footer.left + 10, footer.top + 3), level_colour) << "the level's colour";
  EXPECT_TRUE(std::find(asked.begin(), asked.end(), std::make_pair(g.rows[2], 0)) != asked.end());
  EXPECT_TRUE(std::find(asked.begin(), asked.end(),
                        std::make_pair(static_cast<TdxTreeListNode*>(nullptr), -1)) != asked.end());
}

TEST(TreeListAppearance, CustomDrawingOfBandsFootersAndPreviewsReplacesOrRecoloursThem) {
  FooterGrid g;
  g.f.grid.OnGetPreviewText = [](framework::TComponent*, TdxTreeListNode*, std::wstring& text) {
    text = L"preview";
  };
  g.f.grid.SetOptions(g.f.grid.Options() | treelist::aoPreview);
  g.f.grid.OnIsExistFooterCell = [](framework::TComponent*, int, bool& exists) { exists = true; };
  g.f.grid.OnIsExistRowFooterCell = [](framework::TComponent*, TdxTreeListNode*, int, int,
                                       bool& exists) { exists = true; };
  const COLORREF band = RGB(1, 201, 1), footer = RGB(201, 1, 1), node_footer = RGB(1, 1, 201),
                 preview = RGB(201, 201, 1);
  g.f.grid.OnCustomDrawBand = [&](framework::TComponent*, HDC, const RECT&, int index,
                                  std::wstring&, framework::TColor& color, bool&) {
    if (index == 1) color = static_cast<framework::TColor>(band);
  };
  g.f.grid.OnCustomDrawFooter = [&](framework::TComponent*, HDC dc, const RECT& rect, int,
                                    std::wstring&, framework::TColor&, bool& done) {
    win::UniqueBrush brush(CreateSolidBrush(footer));
    FillRect(dc, &rect, brush.get());
    done = true;
  };
  g.f.grid.OnCustomDrawFooterNode = [&](framework::TComponent*, HDC, const RECT&, TdxTreeListNode*,
                                        int, int, std::wstring&, framework::TColor& color, bool&) {
    color = static_cast<framework::TColor>(node_footer);
  };
  int cell_handler_calls = 0;
  g.f.grid.OnCustomDrawPreview = [&](framework::TComponent*, HDC dc, const RECT& rect,
                                     TdxTreeListNode*, bool, std::wstring&, framework::TColor&,
                                     framework::TColor&, bool& done) {
    win::UniqueBrush brush(CreateSolidBrush(preview));
    FillRect(dc, &rect, brush.get());
    done = true;
  };
  g.f.grid.OnCustomDrawPreviewCell = [&](framework::TComponent*, HDC, const RECT&, TdxTreeListNode*,
                                         bool, std::wstring&, framework::TColor&,
                                         framework::TColor&, bool&) { ++cell_handler_calls; };
  xptest::Surface surface(g.f.grid.ClientRect().right, g.f.grid.ClientRect().bottom);
  Paint(g.f, surface);
  xptest::WritePicture(surface, "treelist_custom_draw", 2);
  const treelist::Layout layout = g.f.grid.GetLayout();
  EXPECT_EQ(surface.Pixel(layout.bands[1].right - 6, layout.band_panel.top + 3), band);
  EXPECT_EQ(surface.Pixel(layout.bands[0].right - 6, layout.band_panel.top + 3),
            GetSysColor(COLOR_BTNFACE))
      << "the other band keeps its face";
  const RECT panel_cell = g.FooterCell(0);
  EXPECT_EQ(surface.Pixel(panel_cell.left + 3, panel_cell.top + 3), footer);
  EXPECT_GT(xptest::CountOfColour(surface, xptest::Whole(surface), node_footer), 0);
  EXPECT_GT(xptest::CountOfColour(surface, xptest::Whole(surface), preview), 0);
  EXPECT_EQ(cell_handler_calls, 0) << "the preview was done before the cell handler";
}

TEST(TreeListAppearance, TheNewItemRowStandsAboveTheRowsAndShowsItsFocus) {
  for (const auto look : {treelist::TdxLookAndFeel::lfStandard, treelist::TdxLookAndFeel::lfFlat}) {
    SCOPED_TRACE(static_cast<int>(look));
    GridForm f;
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetLookAndFeel(look);
    const std::vector<TdxTreeListNode*> rows = AddNets(f.grid);
    const int first_top = f.grid.GetCellRect(rows[0], 0).top;
    f.grid.SetShowNewItemRow(true);
    const int line = f.grid.DefaultRowHeight();
    const int strip = look == treelist::TdxLookAndFeel::lfStandard ? 6 : 5;
    EXPECT_EQ(f.grid.GetCellRect(rows[0], 0).top - first_top, line + strip)
        << "the rows move down by the new-item row";
    const RECT area = f.grid.GetLayout().new_item_row;
    EXPECT_EQ(area.bottom - area.top, line + strip);

    const COLORREF header = RGB(201, 1, 1), highlight = RGB(1, 201, 1);
    f.grid.SetColor(Which::Header, static_cast<framework::TColor>(header));
    f.grid.SetColor(Which::Highlight, static_cast<framework::TColor>(highlight));
    f.grid.SetColor(Which::HideSelection, static_cast<framework::TColor>(highlight));
    f.grid.SetFocusedNode(rows[1]);
    f.grid.SetNewItemRowFocused(true);
    EXPECT_TRUE(f.grid.NewItemRowFocused());
    xptest::Surface surface(f.grid.ClientRect().right, f.grid.ClientRect().bottom);
    Paint(f, surface);
    if (look == treelist::TdxLookAndFeel::lfStandard) {
      xptest::WritePicture(surface, "treelist_new_item_row", 2);
    }
    const RECT cells{area.left, area.top, area.right, area.top + line};
    const RECT below{area.left, area.top + line + 2, area.right, area.bottom - 2};
    EXPECT_GT(xptest::CountOfColour(surface, cells, highlight), (area.right - area.left) * 4)
        << "the focused new-item row is highlighted across";
    const RECT focused_row = f.grid.GetCellRect(rows[1], 2);
    EXPECT_EQ(xptest::CountOfColour(surface, focused_row, highlight), 0)
        << "the focused node's row gave up the highlight";
    EXPECT_GT(xptest::CountOfColour(surface, below, header), 0) << "the strip under its cells";
  }
}

TEST(TreeListAppearance, WithoutABandThereIsNoNewItemRow) {
  GridForm f;
  f.grid.SetShowNewItemRow(true);
  const std::vector<TdxTreeListNode*> rows = AddNets(f.grid);
  const treelist::Layout layout = f.grid.GetLayout();
  EXPECT_TRUE(IsRectEmpty(&layout.new_item_row));
  EXPECT_EQ(f.grid.GetCellRect(rows[0], 0).top, layout.header_panel.bottom);
  f.grid.SetNewItemRowFocused(true);
  EXPECT_FALSE(f.grid.NewItemRowFocused()) << "nothing to focus";
}

TEST(TreeListAppearance, AChangedImageListLaysTheRowsOutAgain) {
  GridForm f;
  framework::TImageList images(nullptr);
  treelist_test::FillImages(images, {RGB(200, 60, 60)});
  f.grid.SetImages(&images);
  const std::vector<TdxTreeListNode*> rows = AddNets(f.grid);
  const int before = f.grid.GetCellRect(rows[1], 0).top - f.grid.GetCellRect(rows[0], 0).top;
  images.SetHeight(40);  // a new size empties the list and changes the rows
  EXPECT_EQ(f.grid.GetCellRect(rows[1], 0).top - f.grid.GetCellRect(rows[0], 0).top, 40)
      << "rows as tall as the images, from " << before;
  f.grid.SetImages(nullptr);
  images.SetHeight(60);
  EXPECT_EQ(f.grid.GetCellRect(rows[1], 0).top - f.grid.GetCellRect(rows[0], 0).top, before)
      << "a list no longer used is no longer heard";
}

struct PictureFont {
  std::wstring face;
  BYTE pitch;
  LONG weight;
  BYTE italic;
};

int CALLBACK CollectPictureFont(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM fonts) {
  if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
    const LOGFONTW& font =
        reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->elfw.elfLogFont;
    reinterpret_cast<std::vector<PictureFont>*>(fonts)->push_back(
        {font.lfFaceName, static_cast<BYTE>(font.lfPitchAndFamily & 3), font.lfWeight,
         font.lfItalic});
  }
  return 1;
}

int CALLBACK NoteFixedFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM face) {
  if ((type & TRUETYPE_FONTTYPE) && (font->lfPitchAndFamily & 3) == FIXED_PITCH &&
      font->lfFaceName[0] != L'@') {
    *reinterpret_cast<std::wstring*>(face) = font->lfFaceName;
    return 0;
  }
  return 1;
}

// A fixed-pitch outline face this system has, empty when none.
std::wstring FixedPitchFace() {
  std::wstring face;
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  EnumFontFamiliesExW(dc.get(), &all, NoteFixedFace, reinterpret_cast<LPARAM>(&face), 0);
  return face;
}

TEST(TreeListAppearance, TheClipboardPicturesFontsKeepTheirPitchWeightAndSlant) {
  const std::wstring fixed = FixedPitchFace();
  if (fixed.empty()) GTEST_SKIP() << "no fixed-pitch outline font here";
  GridForm f;
  f.grid.SetModel(treelist_test::TwoBandModel());
  f.grid.Font().SetName(std::string(fixed.begin(), fixed.end()));
  f.grid.Font().SetStyle(framework::fsBold);
  f.grid.HeaderFont().SetName("Tahoma");
  f.grid.HeaderFont().SetStyle(framework::fsItalic);
  AddNets(f.grid);
  HENHMETAFILE picture = f.grid.PaintToMetafile(false);
  std::vector<PictureFont> fonts;
  EnumEnhMetaFile(nullptr, picture, CollectPictureFont, &fonts, nullptr);
  DeleteEnhMetaFile(picture);
  auto find = [&](const std::wstring& face) {
    for (const PictureFont& font : fonts) {
      if (font.face == face) return font;
    }
    ADD_FAILURE() << "no font " << std::string(face.begin(), face.end());
    return PictureFont{};
  };
  const PictureFont cells = find(fixed), headers = find(L"Tahoma");
  EXPECT_EQ(std::make_tuple(cells.pitch, cells.weight, cells.italic),
            std::make_tuple(BYTE{FIXED_PITCH}, LONG{FW_BOLD}, BYTE{0}));
  EXPECT_EQ(std::make_tuple(headers.pitch, headers.weight, headers.italic),
            std::make_tuple(BYTE{VARIABLE_PITCH}, LONG{FW_NORMAL}, BYTE{1}));
}

POINT g_cursor{};

// A press at `from` in the grid and a move 8 pixels right, as the mouse makes them: a drag.
void StartDrag(treelist_test::TestTreeList& grid, POINT from) {
  grid.Seams().cursor_pos = [] { return g_cursor; };
  for (const auto& [msg, x] : {std::pair{WM_LBUTTONDOWN, from.x}, {WM_MOUSEMOVE, from.x + 8}}) {
    g_cursor = {x, from.y};
    ClientToScreen(grid.Handle(), &g_cursor);
    SendMessageW(grid.Handle(), msg, MK_LBUTTON, MAKELPARAM(x, from.y));
  }
}

// The drag picture as the drag shows it, on a window-coloured surface; the drag is then ended.
std::unique_ptr<xptest::Surface> DragPictureOf(treelist_test::TestTreeList& grid) {
  const SIZE size = grid.DragImage().Size();
  auto surface = std::make_unique<xptest::Surface>(size.cx, size.cy, GetSysColor(COLOR_WINDOW));
  grid.DragImage().Draw(surface->dc(), {0, 0});
  SendMessageW(grid.Handle(), WM_CANCELMODE, 0, 0);
  return surface;
}

// A red square of 6 x 6 for a header's glyph.
win::UniqueBitmap RedGlyph() {
  const std::vector<DWORD> red(36, 0x00ff0000);
  return win::UniqueBitmap(CreateBitmap(6, 6, 1, 32, red.data()));
}

TEST(TreeListAppearance, HeadersAndTheirDragPicturesShowSortMarkGlyphAlignmentAndBandLines) {
  GridForm f(360, 220);
  treelist::HeaderModel model = treelist_test::TwoBandModel();
  model.columns[1].sort = 1;
  const win::UniqueBitmap glyph = RedGlyph();
  model.columns[1].glyph = glyph.get();
  model.columns[2].align = DT_RIGHT;
  model.bands[1].caption = L"Rules of the nets and of their classes";
  model.band_row_count = 2;
  f.grid.SetModel(model);
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoBandMoving);
  treelist_test::AddNets(f.grid);
  const treelist::Layout layout = f.grid.GetLayout();
  const RECT sorted = layout.HeaderOf(1)->rect, right = layout.HeaderOf(2)->rect;
  xptest::Surface grid(f.grid.ClientRect().right, f.grid.ClientRect().bottom);
  Paint(f, grid);
  auto mark_ink = [](const xptest::Surface& s, const RECT& cell) {
    return xptest::CountDark(s, {cell.right - 12, cell.top + 3, cell.right - 4, cell.bottom - 3});
  };
  EXPECT_GE(mark_ink(grid, sorted), 12) << "the descending mark";
  // Descending points down: its widest row is its top one.
  const int mark_top = (sorted.top + 1 + sorted.bottom - 1) / 2 - 2;
  EXPECT_EQ(xptest::CountDark(grid, {sorted.right - 12, mark_top, sorted.right - 4, mark_top + 1}),
            7);
  EXPECT_EQ(
      xptest::CountDark(grid, {sorted.right - 12, mark_top + 3, sorted.right - 4, mark_top + 4}),
      1);
  EXPECT_EQ(mark_ink(grid, layout.HeaderOf(0)->rect), 0) << "none on an unsorted column";
  const int middle = (sorted.left + sorted.right) / 2;
  EXPECT_EQ(
      xptest::CountOfColour(grid, {sorted.left, sorted.top, middle, sorted.bottom}, RGB(255, 0, 0)),
      36)
      << "the whole glyph, before the caption";
  EXPECT_GT(
      xptest::CountDark(grid, {right.right - 12, right.top + 2, right.right - 4, right.bottom - 2}),
      0)
      << "a right-aligned caption reaches the cell's right margin";

  StartDrag(f.grid, {(sorted.left + sorted.right) / 2, (sorted.top + sorted.bottom) / 2});
  ASSERT_EQ(f.grid.State(), treelist::tsColumnDragging);
  const std::unique_ptr<xptest::Surface> header = DragPictureOf(f.grid);
  xptest::WritePicture(*header, "treelist_header_drag_picture", 2);
  EXPECT_GE(mark_ink(*header, xptest::Whole(*header)), 12) << "the picture has the mark too";
  EXPECT_EQ(xptest::CountOfColour(*header, xptest::Whole(*header), RGB(255, 0, 0)), 36)
      << "and the glyph";

  StartDrag(f.grid,
            {layout.bands[1].left + 20, (layout.band_panel.top + layout.band_panel.bottom) / 2});
  ASSERT_EQ(f.grid.State(), treelist::tsBandDragging);
  const std::unique_ptr<xptest::Surface> band_owner = DragPictureOf(f.grid);
  const xptest::Surface& band_picture = *band_owner;
  xptest::WritePicture(band_picture, "treelist_band_drag_picture", 2);
  const int half = band_picture.height() / 2;
  EXPECT_GT(xptest::CountDark(band_picture, {0, 2, band_picture.width(), half}), 0);
  EXPECT_GT(
      xptest::CountDark(band_picture, {0, half, band_picture.width(), band_picture.height() - 2}),
      0)
      << "the caption wraps onto the panel's second line";
}

// A node's picture shows its image (index 0 too) centred on the picture's height and its text
// inside the frames (an inverted frame once hid all but itself); band 0's picture carries the
// first band's offset, the others do not.
TEST(TreeListAppearance, DragPicturesShowANodesImageAndTheFirstBandsOffset) {
  GridForm f(360, 220);
  treelist::HeaderModel model = treelist_test::TwoBandModel();
  model.first_band_offset = 7;
  f.grid.SetModel(model);
  f.grid.SetShowBands(true);
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoBandMoving);
  framework::TImageList images(nullptr);
  const COLORREF red = RGB(200, 40, 40);
  treelist_test::FillImages(images, {red});
  f.grid.SetImages(&images);
  f.grid.image_by_level[0] = 0;
  treelist_test::AddNets(f.grid);
  const treelist::Layout layout = f.grid.GetLayout();
  const int band_y = (layout.band_panel.top + layout.band_panel.bottom) / 2;
  for (int band = 0; band < 2; ++band) {
    StartDrag(f.grid, {layout.bands[band].left + 20, band_y});
    ASSERT_EQ(f.grid.State(), treelist::tsBandDragging);
    EXPECT_EQ(DragPictureOf(f.grid)->width(), layout.band_widths[band] + (band == 0 ? 7 : 0))
        << "band " << band;
  }

  f.grid.SetDragMode(treelist::TDragMode::dmAutomatic);
  const RECT cell = f.grid.GetCellRect(f.grid.Items(0), 1);
  StartDrag(f.grid, {cell.left + 10, (cell.top + cell.bottom) / 2});
  ASSERT_EQ(f.grid.State(), treelist::tsNodeDragging);
  const std::unique_ptr<xptest::Surface> node = DragPictureOf(f.grid);
  xptest::WritePicture(*node, "treelist_node_drag_picture", 4);
  // The 16-pixel image from x 2: its fill is the 10 x 10 inside a frame 2 pixels in.
  const int top = (node->height() - 16) / 2;
  EXPECT_EQ(xptest::CountOfColour(*node, {5, top + 3, 15, top + 13}, red), 100);
  EXPECT_GT(xptest::CountDark(*node, {40, 5, node->width() - 5, node->height() - 5}), 10)
      << "the text";
}

}  // namespace
