// The width arithmetic with its exact MulDiv results, the layout it gives, and the metrics the
// fonts give.
#include "treelist/layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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

treelist::HeaderModel ThreeBands(int w0, int w1, int w2) {
  treelist::HeaderModel model;
  model.bands = {{L"a", w0, 20, true, {}}, {L"b", w1, 20, true, {}}, {L"c", w2, 20, true, {}}};
  return model;
}

TEST(Layout, AutoWidthStretchesBandsToTheDataArea) {
  treelist::LayoutInputs in;
  in.metrics = PlainMetrics();
  in.auto_width = true;
  in.client = {0, 0, 400, 100};
  treelist::Layout layout = treelist::ComputeLayout(ThreeBands(100, 100, 200), in);
  EXPECT_EQ(layout.band_widths, (std::vector<int>{100, 100, 200}));
  in.client.right = 800;
  layout = treelist::ComputeLayout(ThreeBands(100, 100, 200), in);
  EXPECT_EQ(layout.band_widths, (std::vector<int>{200, 200, 400}));
  EXPECT_EQ(layout.bands[2].left, 400);
  EXPECT_EQ(layout.bands[2].right, 800);
  EXPECT_EQ(layout.MaxLeftCoord(), 0);
  treelist::HeaderModel fixed = ThreeBands(100, 100, 200);
  for (treelist::BandSpec& band : fixed.bands) band.sizeable = false;
  EXPECT_EQ(treelist::ComputeLayout(fixed, in).band_widths, (std::vector<int>{100, 100, 200}))
      << "bands that do not size keep their widths";
}

TEST(Layout, MinimumsWiderThanTheClientGiveAHorizontalExtent) {
  treelist::HeaderModel model = ThreeBands(100, 100, 100);
  for (treelist::BandSpec& band : model.bands) band.min_width = 150;
  treelist::LayoutInputs in;
  in.metrics = PlainMetrics();
  in.auto_width = true;
  in.client = {0, 0, 300, 100};
  const treelist::Layout layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.total_width, 450);
  EXPECT_EQ(layout.band_widths, (std::vector<int>{150, 150, 150}));
  EXPECT_EQ(layout.MaxLeftCoord(), 150);
}

TEST(Layout, ColumnsFollowTheirBandAndTheBandFollowsItsColumns) {
  treelist::HeaderModel model;
  model.columns = {{L"x", 200, 150}, {L"y", 100, 30}, {L"z", 100, 30}};
  model.bands = {{L"b", 50, 20, true, {{0, 1, 2}}}};
  EXPECT_EQ(treelist::BandStoredWidth(model, 0), 400) << "the widest row of columns";
  EXPECT_EQ(treelist::BandMinWidth(model, 0), 210);
  treelist::LayoutInputs in;
  in.metrics = PlainMetrics();
  in.auto_width = true;
  in.client = {0, 0, 300, 100};
  treelist::Layout layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.column_widths, (std::vector<int>{150, 75, 75}));
  EXPECT_EQ(layout.column_left, (std::vector<int>{0, 150, 225}));
  in.client.right = 250;
  layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.column_widths, (std::vector<int>{150, 50, 50}));
  in.auto_width = false;
  in.left_coord = 30;
  layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.column_widths, (std::vector<int>{200, 100, 100}));
  EXPECT_EQ(layout.column_left[0], -30) << "moved by LeftCoord";
  EXPECT_EQ(layout.MaxLeftCoord(), 150);
}

TEST(Layout, AFixedBandStaysAndIsLeftOutOfTheScrollArea) {
  treelist::HeaderModel model = ThreeBands(100, 100, 100);
  model.left_fixed_band = 0;
  treelist::LayoutInputs in;
  in.metrics = PlainMetrics();
  in.client = {0, 0, 250, 100};
  in.left_coord = 40;
  const treelist::Layout layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.bands[0].left, 0) << "fixed";
  EXPECT_EQ(layout.bands[1].left, 100 - 40);
  EXPECT_EQ(layout.scroll.left, 100);
  EXPECT_EQ(layout.scroll_extent, 200);
  EXPECT_EQ(layout.MaxLeftCoord(), 50);
}

TEST(Layout, AFixedBandIndexOutsideTheBandsMeansNone) {
  for (int fixed : {-1, 3}) {
    SCOPED_TRACE(fixed);
    treelist::HeaderModel model = ThreeBands(100, 100, 100);
    model.left_fixed_band = fixed;
    model.right_fixed_band = fixed;
    treelist::LayoutInputs in;
    in.metrics = PlainMetrics();
    in.client = {0, 0, 250, 100};
    const treelist::Layout layout = treelist::ComputeLayout(model, in);
    EXPECT_EQ(layout.scroll.left, 0);
    EXPECT_EQ(layout.scroll.right, 250);
    EXPECT_EQ(layout.scroll_extent, 300);
  }
}

TEST(Layout, ARightFixedBandStaysAtTheRightEdge) {
  treelist::HeaderModel model = ThreeBands(100, 100, 100);
  model.right_fixed_band = 0;
  treelist::LayoutInputs in;
  in.metrics = PlainMetrics();
  in.client = {0, 0, 250, 100};
  in.left_coord = 30;
  const treelist::Layout layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.bands[0].left, 150) << "band 0 fixed on the right";
  EXPECT_EQ(layout.bands[1].left, -30);
  EXPECT_EQ(layout.scroll.right, 150);
  EXPECT_EQ(layout.scroll_extent, 200);
}

TEST(Layout, TheFirstBandOffsetWidensTheFirstBandAndItsFirstColumn) {
  treelist::HeaderModel model;
  model.columns = {{L"x", 100, 20}, {L"y", 100, 20}};
  model.bands = {{L"a", 100, 20, true, {{0}}}, {L"b", 100, 20, true, {{1}}}};
  model.first_band_offset = 10;
  treelist::LayoutInputs in;
  in.metrics = PlainMetrics();
  in.client = {0, 0, 400, 100};
  const treelist::Layout layout = treelist::ComputeLayout(model, in);
  EXPECT_EQ(layout.total_width, 210);
  EXPECT_EQ(layout.bands[0].right - layout.bands[0].left, 110);
  EXPECT_EQ(layout.bands[1].left, 110);
  EXPECT_EQ(layout.bands[1].right - layout.bands[1].left, 100);
  EXPECT_EQ(layout.column_widths, (std::vector<int>{110, 100}));
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

}  // namespace
