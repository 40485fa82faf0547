// Geometry of the grid: the heights its fonts give, the shown widths of bands and columns (with
// automatic width, every one keeping its minimum), and the layout record of bands, header cells
// and panels that painting and the hit test read. Pure arithmetic over the model given.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace treelist {

// The system's MulDiv: rounds halves away from zero, -1 for a zero divisor.
int MulDivRound(int number, int numerator, int denominator) noexcept;

// One band or column as the width arithmetic sees it.
struct WidthItem {
  int width = 0;
  int min_width = 0;
  bool sizeable = true;
};

// Shares of `available` pixels: each item keeps its minimum, one that is not sizeable keeps its
// width, the last takes every remainder. Never negative; items whose widths sum to 0 share
// alike. Bands share the whole at once; the columns of a row are walked left to right, an
// item that does not size leaving the pool for those after it.
std::vector<int> ShareBandWidths(int available, const std::vector<WidthItem>& bands);
std::vector<int> ShareColumnWidths(int available, const std::vector<WidthItem>& columns);

struct ColumnSpec {
  std::wstring caption;
  int width = 100;
  int min_width = 20;
  bool sizeable = true;
  int image_index = -1;     // header glyph; -1 none
  UINT align = DT_LEFT;     // of the caption: DT_LEFT, DT_CENTER or DT_RIGHT
  int sort = 0;             // the sort mark: 0 none, 1 descending, 2 ascending
  HBITMAP glyph = nullptr;  // the header's own picture, borrowed; null none
};

struct BandSpec {
  std::wstring caption;
  int width = 100;
  int min_width = 20;
  bool sizeable = true;
  std::vector<std::vector<int>> rows;  // column indexes per header row, left to right
  UINT align = DT_CENTER;              // of the caption
};

// The band and column model the layout reads; a grid without columns has none.
struct HeaderModel {
  std::vector<BandSpec> bands;
  std::vector<ColumnSpec> columns;
  int left_fixed_band = -1;
  int right_fixed_band = -1;
  int first_band_offset = 0;
  bool band_widths_follow_columns = true;
  int band_row_count = 1;  // rows of the band panel's captions
  int max_band_rows = 5;
  int max_header_panel_rows = 4;

  int HeaderPanelRowCount() const noexcept;
};

// The shown columns in the order a user reads them: band by band, row by row, left to right.
std::vector<int> VisibleColumnOrder(const HeaderModel& model);

// A band's width from its columns (when it follows them), at least its minimum.
int BandStoredWidth(const HeaderModel& model, int band);
// The band's own minimum (its width when it does not size) or the widest row of minimums.
int BandMinWidth(const HeaderModel& model, int band);

// Where scrollable band `band` starts inside the scrollable bands: the shown widths of the
// scrollable bands before it, band 0's with the first-band offset. 0 for a fixed band, a band out
// of range, or fewer than two bands.
int GetBandOffset(const HeaderModel& model, const std::vector<int>& band_widths, int band);

// Metrics derived from the fonts and the show flags.
struct MetricInputs {
  int band_text_height = 13;
  int header_text_height = 13;
  int row_text_height = 13;
  int preview_text_height = 13;
  int band_row_count = 1;
  int header_line_count = 1;
  int header_panel_row_count = 1;
  bool flat = false;
  bool show_bands = false;
  bool show_header = true;
  bool show_indicator = false;
  bool show_footer = false;
  bool show_grid = false;
  bool show_preview_grid = true;
  bool invert_select = false;
  bool new_item_row = false;
  bool has_band = false;
  int state_image_height = 0;
  int column_min_row_height = 0;        // the largest a visible column asks for
  int assigned_default_row_height = 0;  // 0: not assigned
};

struct Metrics {
  int flat = 0;
  int band_line_height = 0;
  int band_panel_height = 0;
  int header_line_height = 0;
  int header_panel_height = 0;
  int indicator_width = 0;
  int row_text_height = 0;
  int footer_line_height = 0;
  int footer_height = 0;
  int row_footer_height = 0;
  int grid_line = 0;
  int row_height = 0;
  int default_row_height = 0;
  bool default_row_height_assigned = false;
  int new_item_row_height = 0;
  int preview_line_height = 0;
};

Metrics ComputeMetrics(const MetricInputs& in);

struct LayoutInputs {
  RECT client{};
  Metrics metrics;
  bool auto_width = false;
  int left_coord = 0;
};

struct LayoutBand {
  int index;  // band visible index
  int left, right;
};

struct LayoutHeaderCell {
  int column;
  int band;  // band visible index
  int row;
  int position;
  int left, right;
  RECT rect;
};

// What painting, the hit test and scrolling read; made on demand from the model and metrics.
struct Layout {
  RECT client{};               // laid out in
  int left_coord = 0;          // how far the scrollable bands were scrolled
  int header_panel_rows = 1;   // rows of header cells, and of each row's cells
  int line_height = 0;         // of one line of cells: the default row height
  int footer_line_height = 0;  // of one line of footer cells
  int row_footer_height = 0;   // of one row footer
  std::vector<LayoutBand> bands;
  std::vector<LayoutHeaderCell> headers;
  std::vector<int> band_widths;    // shown width per band
  std::vector<int> column_widths;  // shown width per column (0 for a column not placed)
  std::vector<int> column_left;    // left edge per column in client coordinates
  std::vector<int> column_row;     // header row per column
  RECT band_panel{}, header_panel{}, indicator_corner{}, footer{}, rows{};
  RECT new_item_row{};  // between the headers and the rows; empty without one
  RECT data{};          // the data area: client less indicator and footer
  RECT scroll{};        // the horizontally scrollable area
  RECT left_fixed{}, right_fixed{};
  int grid_left = 0, grid_right = 0;
  int total_width = 0;
  int scroll_extent = 0;
  int header_row_height = 0;  // of one header panel row

  int ScrollWidth() const noexcept { return scroll.right - scroll.left; }
  // How far LeftCoord may go.
  int MaxLeftCoord() const noexcept;
  const LayoutHeaderCell* HeaderOf(int column) const& noexcept;
  // The cell lives in the layout: asked of a temporary layout, the pointer would dangle.
  const LayoutHeaderCell* HeaderOf(int column) && = delete;
};

Layout ComputeLayout(const HeaderModel& model, const LayoutInputs& in);

// Part of a header cell: 1 the caption, 2 the button part (the right 15 pixels of the cell
// shrunk by 2 on each side, when it is wider than that).
int HeaderHitPart(const Layout& layout, POINT point, int column);

}  // namespace treelist
