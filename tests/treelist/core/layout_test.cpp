// The width arithmetic with its exact MulDiv results, the layout it gives, the metrics the fonts
// give, and the arithmetic of sizing, snapping, drag-scroll strips and panning, by hand-derived
// tables.
#include "treelist/core/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "treelist/core/drop_places.h"
#include "treelist/core/sizing.h"

namespace {

using treelist::PanDirection;
using treelist::WidthItem;

struct ShareCase {
  const char* why;
  int available;
  std::vector<WidthItem> items;
  std::vector<int> bands;    // ShareBandWidths
  std::vector<int> columns;  // ShareColumnWidths
};

const ShareCase kShareCases[] = {
    {"fits exactly", 400, {{100, 20}, {100, 20}, {200, 20}}, {100, 100, 200}, {100, 100, 200}},
    {"doubles", 800, {{100, 20}, {100, 20}, {200, 20}}, {200, 200, 400}, {200, 200, 400}},
    {"first held at its minimum",
     300,
     {{200, 150}, {100, 30}, {100, 30}},
     {150, 75, 75},
     {150, 75, 75}},
    {"MulDiv rounds 62.5 up, then the minimum holds",
     250,
     {{200, 150}, {100, 30}, {100, 30}},
     {150, 50, 50},
     {150, 50, 50}},
    {"a minimum equal to its share holds it, the others share the rest above theirs",
     300,
     {{200, 150}, {100, 10}, {100, 50}},
     {150, 55, 95},
     {150, 55, 95}},
    {"a middle item that does not size keeps its width",
     600,
     {{100, 20}, {100, 20, false}, {100, 20}},
     {250, 100, 250},
     {250, 100, 250}},
    {"stored widths summing to 0 share alike",
     300,
     {{0, 0}, {0, 0}, {0, 0}},
     {100, 100, 100},
     {100, 100, 100}},
    {"less room than minimums: nothing negative", 50, {{100, 40}, {100, 40}}, {40, 10}, {40, 10}},
    {"a first item that does not size leaves the pool",
     500,
     {{100, 20, false}, {100, 20}, {200, 20}},
     {100, 140, 260},
     {100, 133, 267}},
};

TEST(Widths, ShareTheAvailableWidthByTheRules) {
  for (const ShareCase& c : kShareCases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(treelist::ShareBandWidths(c.available, c.items), c.bands);
    EXPECT_EQ(treelist::ShareColumnWidths(c.available, c.items), c.columns);
  }
}

TEST(Widths, MulDivIsTheSystemsOne) {
  EXPECT_EQ(treelist::MulDivRound(250, 100, 400), 63) << "halves away from zero";
  EXPECT_EQ(treelist::MulDivRound(-250, 100, 400), -63);
  EXPECT_EQ(treelist::MulDivRound(5, 7, 0), -1) << "a zero divisor";
}

treelist::Metrics PlainMetrics() {
  treelist::MetricInputs in;
  return treelist::ComputeMetrics(in);
}

treelist::HeaderModel ThreeBands(int w0, int w1, int w2, int min_width = 20, bool sizeable = true,
                                 int left_fixed = -1, int right_fixed = -1) {
  treelist::HeaderModel model;
  model.bands = {{L"a", w0, min_width, sizeable, {}},
                 {L"b", w1, min_width, sizeable, {}},
                 {L"c", w2, min_width, sizeable, {}}};
  model.left_fixed_band = left_fixed;
  model.right_fixed_band = right_fixed;
  return model;
}

// The layout across the grid as one line: each band's edges, each column's left edge and width,
// the scrollable area, its extent, the total width and the largest left coordinate.
std::string Across(const treelist::Layout& l) {
  std::string out = "bands";
  for (const treelist::LayoutBand& b : l.bands)
    out += " " + std::to_string(b.left) + "-" + std::to_string(b.right);
  if (!l.column_widths.empty()) out += "; columns";
  for (size_t i = 0; i < l.column_widths.size(); ++i)
    out += " " + std::to_string(l.column_left[i]) + "+" + std::to_string(l.column_widths[i]);
  return out + "; scroll " + std::to_string(l.scroll.left) + "-" + std::to_string(l.scroll.right) +
         "; extent " + std::to_string(l.scroll_extent) + "; total " +
         std::to_string(l.total_width) + "; max " + std::to_string(l.MaxLeftCoord());
}

treelist::HeaderModel Columns(int band_width, std::vector<treelist::ColumnSpec> columns,
                              std::vector<std::vector<int>> band_columns, int first_offset = 0) {
  treelist::HeaderModel model;
  model.first_band_offset = first_offset;
  model.columns = std::move(columns);
  for (auto& rows : band_columns) model.bands.push_back({L"b", band_width, 20, true, {rows}});
  return model;
}

struct LayoutCase {
  const char* why;
  treelist::HeaderModel model;
  int client_width;
  bool auto_width;
  int left_coord;
  const char* across;
};

TEST(Layout, BandsAndColumnsAreLaidOutAcrossTheClientByTheirRules) {
  const std::vector<treelist::ColumnSpec> xyz{{L"x", 200, 150}, {L"y", 100, 30}, {L"z", 100, 30}};
  const LayoutCase cases[] = {
      {"automatic width, exact", ThreeBands(100, 100, 200), 400, true, 0,
       "bands 0-100 100-200 200-400; scroll 0-400; extent 400; total 400; max 0"},
      {"automatic width stretches", ThreeBands(100, 100, 200), 800, true, 0,
       "bands 0-200 200-400 400-800; scroll 0-800; extent 800; total 800; max 0"},
      {"bands that do not size keep their widths", ThreeBands(100, 100, 200, 20, false), 800, true,
       0, "bands 0-100 100-200 200-400; scroll 0-800; extent 400; total 400; max 0"},
      {"minimums wider than the client give an extent", ThreeBands(100, 100, 100, 150), 300, true,
       0, "bands 0-150 150-300 300-450; scroll 0-300; extent 450; total 450; max 150"},
      {"columns follow their band", Columns(50, xyz, {{0, 1, 2}}), 300, true, 0,
       "bands 0-300; columns 0+150 150+75 225+75; scroll 0-300; extent 300; total 300; max 0"},
      {"down to their minimums", Columns(50, xyz, {{0, 1, 2}}), 250, true, 0,
       "bands 0-250; columns 0+150 150+50 200+50; scroll 0-250; extent 250; total 250; max 0"},
      {"the band follows its columns, moved by LeftCoord", Columns(50, xyz, {{0, 1, 2}}), 250,
       false, 30,
       "bands -30-370; columns -30+200 170+100 270+100; scroll 0-250; extent 400; total 400; max "
       "150"},
      {"a left fixed band stays out of the scroll area", ThreeBands(100, 100, 100, 20, true, 0),
       250, false, 40, "bands 0-100 60-160 160-260; scroll 100-250; extent 200; total 300; max 50"},
      {"a right fixed band stays at the right edge", ThreeBands(100, 100, 100, 20, true, -1, 0),
       250, false, 30, "bands 150-250 -30-70 70-170; scroll 0-150; extent 200; total 300; max 50"},
      {"no fixed band", ThreeBands(100, 100, 100), 250, false, 0,
       "bands 0-100 100-200 200-300; scroll 0-250; extent 300; total 300; max 50"},
      {"fixed band 3 is none", ThreeBands(100, 100, 100, 20, true, 3, 3), 250, false, 0,
       "bands 0-100 100-200 200-300; scroll 0-250; extent 300; total 300; max 50"},
      {"the first band offset widens the first band and its first column",
       Columns(100, {{L"x", 100, 20}, {L"y", 100, 20}}, {{0}, {1}}, 10), 400, false, 0,
       "bands 0-110 110-210; columns 0+110 110+100; scroll 0-400; extent 210; total 210; max 0"},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.why);
    treelist::LayoutInputs in;
    in.metrics = PlainMetrics();
    in.auto_width = c.auto_width;
    in.client = {0, 0, c.client_width, 100};
    in.left_coord = c.left_coord;
    EXPECT_EQ(Across(treelist::ComputeLayout(c.model, in)), c.across);
  }
  const treelist::HeaderModel model = Columns(50, xyz, {{0, 1, 2}});
  EXPECT_EQ(treelist::BandStoredWidth(model, 0), 400) << "the widest row of columns";
  EXPECT_EQ(treelist::BandMinWidth(model, 0), 210);
}

TEST(HeaderHitPart, TheButtonPartNeedsMoreThan15PixelsInsideTheCell) {
  for (int width : {19, 20}) {
    SCOPED_TRACE(width);
    treelist::HeaderModel model;
    model.columns = {{L"c", width, 10}};
    model.bands = {{L"b", width, 10, true, {{0}}}};
    treelist::LayoutInputs in;
    in.metrics = PlainMetrics();
    in.client = {0, 0, 200, 100};
    const treelist::Layout layout = treelist::ComputeLayout(model, in);
    const int y = layout.header_panel.top + 5;
    // Inside the cell shrunk by 2: 15 or 16 pixels wide.
    EXPECT_EQ(treelist::HeaderHitPart(layout, {2, y}, 0), 1);
    EXPECT_EQ(treelist::HeaderHitPart(layout, {width - 3, y}, 0), width == 20 ? 2 : 1);
    const LONG top = layout.header_panel.top;
    EXPECT_EQ(treelist::HeaderHitPart(layout, {width - 3, top + 2}, 0), width == 20 ? 2 : 1)
        << "2 pixels in from the top";
    EXPECT_EQ(treelist::HeaderHitPart(layout, {width - 3, top + 1}, 0), 1);
    EXPECT_EQ(treelist::HeaderHitPart(layout, {width + 5, y}, 0), 1) << "outside the cell";
  }
}

TEST(Metrics, FollowTheFontsTheLookAndTheShowFlags) {
  treelist::MetricInputs in;
  in.header_text_height = 13;
  in.row_text_height = 13;
  const treelist::Metrics standard = treelist::ComputeMetrics(in);
  EXPECT_EQ(standard.header_line_height, 19);
  EXPECT_EQ(standard.header_panel_height, 19);
  EXPECT_EQ(standard.row_height, 16) << "the text needs 16, as much as an image";
  in.flat = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).header_line_height, 18) << "flat is a pixel lower";
  in.show_header = false;
  EXPECT_EQ(treelist::ComputeMetrics(in).header_panel_height, 0);
  EXPECT_EQ(treelist::ComputeMetrics(in).header_line_height, 18) << "kept for drop arrows";
  in.invert_select = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).row_height, 18);
  in.invert_select = false;
  in.show_grid = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).row_height, 17) << "the grid line";
  in.show_grid = false;
  in.row_text_height = 20;
  EXPECT_EQ(treelist::ComputeMetrics(in).row_height, 23);
  in.assigned_default_row_height = 12;
  EXPECT_EQ(treelist::ComputeMetrics(in).default_row_height, 23) << "raised to the row";
  EXPECT_FALSE(treelist::ComputeMetrics(in).default_row_height_assigned);
  in.assigned_default_row_height = 30;
  EXPECT_EQ(treelist::ComputeMetrics(in).default_row_height, 30);
  EXPECT_TRUE(treelist::ComputeMetrics(in).default_row_height_assigned);
  in.assigned_default_row_height = 0;
  in.new_item_row = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).new_item_row_height, 0) << "no band";
  in.has_band = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).new_item_row_height, 23 + 5) << "flat";
  in.flat = false;
  EXPECT_EQ(treelist::ComputeMetrics(in).new_item_row_height, 23 + 6);
  in.flat = true;
  in.row_text_height = 13;
  in.show_grid = true;
  in.column_min_row_height = 17;  // as much as a grid line makes of the row already
  EXPECT_EQ(treelist::ComputeMetrics(in).row_height, 17);
  in.column_min_row_height = 18;
  EXPECT_EQ(treelist::ComputeMetrics(in).row_height, 19) << "the column's, then the grid line";
  in.show_grid = false;
  in.show_indicator = true;
  in.show_bands = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).indicator_width, 12);
  EXPECT_EQ(treelist::ComputeMetrics(in).band_panel_height, 18);
  in.show_footer = true;
  EXPECT_EQ(treelist::ComputeMetrics(in).footer_height, 13 + 7 + 3) << "a line of text + 7, + 3";
  EXPECT_EQ(treelist::ComputeMetrics(in).row_footer_height, 13 + 7 + 2);
}

struct RedistributeCase {
  const char* why;
  std::vector<int> widths;
  int index, width;
  std::vector<int> expected;
  int taken, had;
};

// The first widened by 10: the others give 10 as 100:150, the last the remainder; a middle one
// narrowed: only those after it take the 9; the last takes from those before it.
const RedistributeCase kRedistributeCases[] = {
    {"first", {100, 100, 150}, 0, 110, {110, 96, 144}, 240, 250},
    {"middle", {100, 100, 150}, 1, 91, {100, 91, 159}, 159, 150},
    {"last", {60, 90, 150}, 2, 160, {56, 84, 160}, 140, 150},
    {"MulDiv rounds 2.5 up, the last absorbs it", {3, 3, 3}, 0, 4, {4, 3, 2}, 5, 6},
    {"nothing to take from", {80}, 0, 120, {120}, 0, 0},
    {"the others have nothing", {50, 0, 0}, 0, 40, {40, 0, 0}, 0, 0},
    {"more than the others have: none below 0", {100, 20, 30}, 0, 200, {200, 0, 0}, 0, 50},
};

TEST(SizingArithmetic, RedistributionKeepsTheSumAndTheProportions) {
  for (const RedistributeCase& c : kRedistributeCases) {
    SCOPED_TRACE(c.why);
    const treelist::Redistribution r = treelist::RedistributeWidths(c.widths, c.index, c.width);
    EXPECT_EQ(r.widths, c.expected);
    EXPECT_EQ(r.taken, c.taken);
    EXPECT_EQ(r.had, c.had);
  }
  EXPECT_EQ(treelist::FillRowTo({30, 40, 50}, 200), (std::vector<int>{30, 40, 130}));
}

TEST(SizingArithmetic, PanelsSnapToTheNearerRowOnePixelEitherSideOfTheMiddle) {
  // Band rows of 13 pixels, standard look: bottoms 19, 32, 45; middles 25 and 38.
  EXPECT_EQ(treelist::BandPanelRowBottom(2, 13, 0), 32);
  EXPECT_EQ(treelist::BandPanelRowBottom(2, 13, 1), 31);
  const int snapped[][2] = {{0, 1}, {24, 1}, {25, 2}, {37, 2}, {38, 3}, {500, 5}};
  for (const auto& [y, rows] : snapped) {
    EXPECT_EQ(treelist::SnapBandPanelRows(y, 13, 0, 5), rows) << "y " << y;
  }
  EXPECT_EQ(treelist::SnapBandPanelRows(500, 13, 0, 3), 3) << "the maximum";
  const int above[][2] = {{0, 1}, {31, 1}, {32, 2}, {45, 3}, {1000, 5}};
  for (const auto& [y, rows] : above) {
    EXPECT_EQ(treelist::BandPanelRowsAbove(y, 13, 0, 5), rows) << "y " << y;
  }
  // Header rows of 19 pixels: the boundary nearest the line, at least 1, at most the maximum.
  const int header[][3] = {{0, 4, 1}, {28, 4, 1}, {29, 4, 2}, {200, 4, 4}, {200, 0, 11}};
  for (const auto& [y, max, rows] : header) {
    EXPECT_EQ(treelist::HeaderPanelRowsAt(y, 19, max), rows) << "y " << y << " max " << max;
  }
  EXPECT_EQ(treelist::HeaderPanelRowsAt(50, 0, 4), 1) << "no line height, no division";
}

TEST(SizingArithmetic, DragScrollStripsAre12PixelsInsideEachEdge) {
  const int cases[][2] = {{10, 0},  {11, -1}, {21, -1}, {22, 0}, {150, 0},
                          {288, 0}, {289, 1}, {300, 1}, {301, 0}};
  for (const auto& [x, direction] : cases) {
    EXPECT_EQ(treelist::DragScrollDirection(x, 10, 300), direction) << "x " << x;
  }
}

struct PanCase {
  const char* why;
  POINT point;
  bool horizontal, vertical;
  PanDirection direction;
  int speed;
};

const PanCase kPanCases[] = {
    {"14 below: still dead", {500, 514}, true, true, PanDirection::None, 0},
    {"14 left and above: still dead", {486, 486}, true, true, PanDirection::None, 0},
    {"14 right: still dead", {514, 500}, true, true, PanDirection::None, 0},
    {"15 left: the slowest", {485, 500}, true, true, PanDirection::Left, 1},
    {"15 below: the slowest", {500, 515}, true, true, PanDirection::Down, 1},
    {"68 above", {500, 432}, true, true, PanDirection::Up, 11},
    {"69 right: the fastest", {569, 500}, true, true, PanDirection::Right, 12},
    {"equal distances go vertical", {540, 540}, true, true, PanDirection::Down, 6},
    {"no horizontal bar: x never leaves the zone", {900, 505}, false, true, PanDirection::None, 0},
    {"no vertical bar: the horizontal axis wins", {520, 900}, true, false, PanDirection::Right, 2},
    {"no bars: dead everywhere", {0, 0}, false, false, PanDirection::None, 0},
};

TEST(SizingArithmetic, PanSpeedGrowsFromTheDeadZoneOfThePicture) {
  for (const PanCase& c : kPanCases) {
    SCOPED_TRACE(c.why);
    const treelist::PanMotion m =
        treelist::PanMotionAt(c.point, {500, 500}, 29, c.horizontal, c.vertical);
    EXPECT_EQ(m.direction, c.direction);
    EXPECT_EQ(m.speed, c.speed);
    EXPECT_EQ(m.outside, c.direction != PanDirection::None);
  }
}

}  // namespace

namespace {

// A laid-out grid 400 wide with its band panel shown and `header_rows` rows of headers.
treelist::Layout Shown(const treelist::HeaderModel& model, int header_rows = 1) {
  treelist::MetricInputs metrics;
  metrics.show_bands = true;
  metrics.header_panel_row_count = header_rows;
  treelist::LayoutInputs in;
  in.metrics = treelist::ComputeMetrics(metrics);
  in.client = {0, 0, 400, 200};
  return treelist::ComputeLayout(model, in);
}

}  // namespace

// Bands 0-100, 100-200, 200-300 dropped at x: before or after the band under the point, no
// change beside the dragged band or past a fixed one, hidden outside the panel; the arrows' tip
// on the edge the band lands at.
TEST(DropPlaces, ABandLandsBeforeOrAfterTheBandUnderThePoint) {
  struct Case {
    const char* why;
    int dragged, x, left_fixed, right_fixed;
    int band;  // the new index, -1 hide, -2 no change
    int tip;   // the edge the arrows point at; -1000 none
  };
  const Case cases[] = {
      {"after band 1", 0, 160, -1, -1, 1, 200},
      {"before band 1, right beside the dragged band", 0, 150, -1, -1, -2, -1000},
      {"after band 2", 0, 260, -1, -1, 2, 300},
      {"before band 2", 0, 250, -1, -1, 1, 200},
      {"before band 0", 2, 10, -1, -1, 0, 0},
      {"after band 0", 2, 60, -1, -1, 1, 100},
      {"on itself", 1, 150, -1, -1, -2, -1000},
      {"right of the last band", 0, 350, -1, -1, 2, 300},
      {"the last band itself, right of it", 2, 350, -1, -1, -2, -1000},
      {"from outside, after band 1", -1, 160, -1, -1, 2, 200},
      {"from outside, before band 0", -1, 10, -1, -1, 0, 0},
      {"nothing before a left fixed band", 2, 10, 0, -1, -2, -1000},
      {"after a left fixed band", 2, 60, 0, -1, 1, 100},
      {"a right fixed band stands at the right edge: after it, nothing", 0, 360, -1, 2, -2, -1000},
      {"before the right fixed band", 0, 310, -1, 2, 1, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const treelist::HeaderModel model =
        ThreeBands(100, 100, 100, 20, true, c.left_fixed, c.right_fixed);
    const treelist::Layout layout = Shown(model);
    const int y = layout.band_panel.top + 3;
    const treelist::BandDrop drop = treelist::BandDropPlace(layout, model, {c.x, y}, c.dragged);
    EXPECT_EQ(drop.band, c.band);
    EXPECT_EQ(drop.arrows ? drop.tip.x + 5 : -1000, c.tip);
    EXPECT_EQ(drop.arrows ? drop.tip.y + 9 : -1000, c.tip == -1000 ? -1000 : layout.band_panel.top);
  }
  const treelist::HeaderModel model = ThreeBands(100, 100, 100);
  const treelist::Layout layout = Shown(model);
  const treelist::BandDrop below =
      treelist::BandDropPlace(layout, model, {150, layout.band_panel.bottom}, 0);
  EXPECT_EQ(below.band, -1) << "below the panel: hidden";
  EXPECT_FALSE(below.arrows);
}

// Band 0 holds columns 0, 1 in its first header row and 2 in its second, band 1 column 3 alone:
// a header lands before or after the header under the point, in a new row below a band's rows,
// not at all beside itself; outside the panel it is hidden.
TEST(DropPlaces, AHeaderLandsBeforeOrAfterTheHeaderUnderThePoint) {
  treelist::HeaderModel two_rows = Columns(
      200, {{L"a", 100, 20}, {L"b", 100, 20}, {L"c", 200, 20}, {L"d", 100, 20}}, {{0, 1}, {3}});
  two_rows.bands[0].rows.push_back({2});
  const treelist::Layout layout = Shown(two_rows, 2);
  ASSERT_EQ(layout.headers.size(), 4u);
  const auto at = [&](int column, int quarter) {
    const RECT r = layout.HeaderOf(column)->rect;
    return POINT{r.left + (r.right - r.left) * quarter / 4, (r.top + r.bottom) / 2};
  };
  const treelist::HeaderDropPosition no_change{-2, -1, -1, -2};
  struct Case {
    const char* why;
    int dragged;
    POINT point;
    treelist::HeaderDropPosition place;
    int tip_column;  // the arrows point at its left (or right) edge; -1 none
    bool tip_right;
  };
  const Case cases[] = {
      {"after b, from before it", 0, at(1, 3), {0, 0, 1, 0}, 1, true},
      {"before b, right beside a", 0, at(1, 1), no_change, -1, false},
      {"before a", 1, at(0, 1), {0, 0, 0, 0}, 0, false},
      {"after a, right beside b", 1, at(0, 3), no_change, -1, false},
      {"on itself", 0, at(0, 2), no_change, -1, false},
      {"into the other row", 2, at(1, 1), {0, 0, 1, 0}, 1, false},
      {"after b, from the other row", 2, at(1, 3), {0, 0, 2, 0}, 1, true},
      {"into the other band", 0, at(3, 3), {1, 0, 1, 0}, 3, true},
      {"before d, from another band", 2, at(3, 1), {1, 0, 0, 0}, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const treelist::HeaderDrop drop =
        treelist::HeaderDropPlace(layout, two_rows, c.point, c.dragged);
    EXPECT_EQ(drop.place, c.place) << drop.place.band << " " << drop.place.row << " "
                                   << drop.place.column << " " << drop.place.mode;
    ASSERT_EQ(drop.arrows, c.tip_column >= 0);
    if (!drop.arrows) continue;
    const RECT r = layout.HeaderOf(c.tip_column)->rect;
    EXPECT_EQ(drop.tip.x + 5, c.tip_right ? r.right : r.left);
    EXPECT_EQ(drop.tip.y + 9, r.top);
  }
  // Below band 1's one row: a new row there, the arrows at the band's left on that row's top.
  const RECT d = layout.HeaderOf(3)->rect;
  const treelist::HeaderDrop new_row =
      treelist::HeaderDropPlace(layout, two_rows, {d.left + 10, d.bottom + 2}, 0);
  EXPECT_EQ(new_row.place, (treelist::HeaderDropPosition{1, 1, 0, treelist::kDropNewRow}));
  EXPECT_EQ(new_row.tip.x + 5, d.left);
  EXPECT_EQ(new_row.tip.y + 9, d.bottom);
  const treelist::HeaderDrop outside =
      treelist::HeaderDropPlace(layout, two_rows, {d.left + 10, layout.header_panel.bottom}, 0);
  EXPECT_EQ(outside.place, treelist::HeaderDropPosition{}) << "outside the panel: hidden";
  EXPECT_FALSE(outside.arrows);
}
