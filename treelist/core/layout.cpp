// Geometry of the grid.
#include "treelist/core/layout.h"

#include <algorithm>
#include <numeric>

namespace treelist {
namespace {

// Stored widths as the weights of the shares; all 0 would make every share MulDiv's -1.
std::vector<int> Weights(const std::vector<WidthItem>& items) {
  std::vector<int> weights;
  int sum = 0;
  for (const WidthItem& item : items) {
    weights.push_back(std::max(item.width, 0));
    sum += weights.back();
  }
  if (sum == 0) std::fill(weights.begin(), weights.end(), 1);
  return weights;
}

// What an item can shrink to: its width when it does not size.
int FloorOf(const WidthItem& item, int weight) {
  return item.sizeable ? std::max(item.min_width, 0) : weight;
}

// The share of one sizeable item: pool A with stored sum S and minimum sum M; F sums the
// weights of the sizeable items not held at their minimum.
int Share(int a, int s, int m_sum, int f, int w, int m) {
  const int scaled = MulDivRound(a, w, s);
  if (f == s) return scaled;
  if (m >= scaled) return m;
  return MulDivRound(a - m_sum, w, f) + m;
}

int SumOfFreeWeights(int available, int weight_sum, const std::vector<WidthItem>& items,
                     const std::vector<int>& weights) {
  int f = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].sizeable &&
        FloorOf(items[i], weights[i]) < MulDivRound(available, weights[i], weight_sum)) {
      f += weights[i];
    }
  }
  return f;
}

}  // namespace

int MulDivRound(int number, int numerator, int denominator) noexcept {
  return ::MulDiv(number, numerator, denominator);
}

std::vector<int> ShareBandWidths(int available, const std::vector<WidthItem>& bands) {
  std::vector<int> shares(bands.size(), 0);
  if (bands.empty()) return shares;
  const std::vector<int> weights = Weights(bands);
  const int s = std::accumulate(weights.begin(), weights.end(), 0);
  int m_sum = 0;
  for (size_t i = 0; i < bands.size(); ++i) m_sum += FloorOf(bands[i], weights[i]);
  const int f = SumOfFreeWeights(available, s, bands, weights);
  int given = 0;
  for (size_t i = 0; i + 1 < bands.size(); ++i) {
    shares[i] = bands[i].sizeable
                    ? Share(available, s, m_sum, f, weights[i], FloorOf(bands[i], weights[i]))
                    : weights[i];
    shares[i] = std::max(shares[i], 0);
    given += shares[i];
  }
  shares.back() = std::max(available - given, 0);
  return shares;
}

std::vector<int> ShareColumnWidths(int available, const std::vector<WidthItem>& columns) {
  std::vector<int> shares(columns.size(), 0);
  if (columns.empty()) return shares;
  const std::vector<int> weights = Weights(columns);
  int s = std::accumulate(weights.begin(), weights.end(), 0);
  int m_sum = 0;
  for (size_t i = 0; i < columns.size(); ++i) m_sum += FloorOf(columns[i], weights[i]);
  const int f = SumOfFreeWeights(available, s, columns, weights);
  int a = available;
  int given = 0;
  for (size_t i = 0; i + 1 < columns.size(); ++i) {
    if (columns[i].sizeable) {
      shares[i] = std::max(Share(a, s, m_sum, f, weights[i], FloorOf(columns[i], weights[i])), 0);
    } else {
      shares[i] = weights[i];
      a -= weights[i];
      s -= weights[i];
      m_sum -= weights[i];
    }
    given += shares[i];
  }
  shares.back() = std::max(available - given, 0);
  return shares;
}

int HeaderModel::HeaderPanelRowCount() const noexcept {
  size_t rows = 1;
  for (const BandSpec& band : bands) rows = std::max(rows, band.rows.size());
  return static_cast<int>(rows);
}

std::vector<int> VisibleColumnOrder(const HeaderModel& model) {
  std::vector<int> order;
  for (const BandSpec& band : model.bands) {
    for (const std::vector<int>& row : band.rows) order.insert(order.end(), row.begin(), row.end());
  }
  return order;
}

int BandStoredWidth(const HeaderModel& model, int band) {
  const BandSpec& spec = model.bands[band];
  int width = 0;
  if (model.band_widths_follow_columns) {
    for (const std::vector<int>& row : spec.rows) {
      int sum = 0;
      for (int column : row) sum += model.columns[column].width;
      width = std::max(width, sum);
    }
  }
  if (width == 0) width = spec.width;
  return std::max(width, BandMinWidth(model, band));
}

int BandMinWidth(const HeaderModel& model, int band) {
  const BandSpec& spec = model.bands[band];
  int width = spec.sizeable ? spec.min_width : spec.width;
  for (const std::vector<int>& row : spec.rows) {
    int sum = 0;
    for (int column : row) {
      const ColumnSpec& c = model.columns[column];
      sum += c.sizeable ? c.min_width : c.width;
    }
    width = std::max(width, sum);
  }
  return width;
}

Metrics ComputeMetrics(const MetricInputs& in) {
  Metrics m;
  m.flat = in.flat ? 1 : 0;
  m.band_line_height = in.band_text_height;
  m.band_panel_height =
      in.show_bands ? m.band_line_height * in.band_row_count + 5 + (1 - m.flat) : 0;
  m.header_line_height = in.header_text_height * in.header_line_count + 5 + (1 - m.flat);
  m.header_panel_height = in.show_header ? m.header_line_height * in.header_panel_row_count : 0;
  m.indicator_width = in.show_indicator ? 12 : 0;
  m.row_text_height = in.row_text_height;
  m.footer_line_height = m.row_text_height + 7;
  m.footer_height =
      in.show_footer ? m.footer_line_height * in.header_panel_row_count + 3 + (1 - m.flat) : 0;
  m.grid_line = in.show_grid && in.show_preview_grid ? 1 : 0;
  m.row_footer_height = m.footer_line_height * in.header_panel_row_count + 2 + m.grid_line;
  m.preview_line_height = in.preview_text_height;

  constexpr int kImageHeight = 16;
  int row = std::max(m.row_text_height + 3, kImageHeight);
  const int panel_rows = in.header_panel_row_count * (row + m.grid_line);
  if (panel_rows < in.state_image_height) row = in.state_image_height;
  if (panel_rows < in.column_min_row_height) row = in.column_min_row_height;
  row += m.grid_line;
  if (in.invert_select) row += 2;
  m.row_height = row;

  m.default_row_height = std::max(in.assigned_default_row_height, m.row_height);
  m.default_row_height_assigned = m.default_row_height != m.row_height;
  m.new_item_row_height = in.header_panel_row_count == 1 && in.new_item_row && in.has_band
                              ? m.default_row_height + (m.flat ? 5 : 6)
                              : 0;
  return m;
}

int Layout::MaxLeftCoord() const noexcept { return std::max(scroll_extent - ScrollWidth(), 0); }

const LayoutHeaderCell* Layout::HeaderOf(int column) const& noexcept {
  for (const LayoutHeaderCell& cell : headers) {
    if (cell.column == column) return &cell;
  }
  return nullptr;
}

namespace {

// Total width of the bands, and each band's shown width.
std::vector<int> ShownBandWidths(const HeaderModel& model, const LayoutInputs& in, int data_width,
                                 int* total) {
  const int n = static_cast<int>(model.bands.size());
  std::vector<WidthItem> items;
  int min_total = model.first_band_offset;
  bool any_sizeable = false;
  for (int b = 0; b < n; ++b) {
    items.push_back({BandStoredWidth(model, b), BandMinWidth(model, b), model.bands[b].sizeable});
    min_total += items.back().min_width;
    any_sizeable = any_sizeable || model.bands[b].sizeable;
  }
  if (n == 0) {
    *total = 0;
    return {};
  }
  if (!in.auto_width) {
    std::vector<int> widths;
    *total = model.first_band_offset;
    for (const WidthItem& item : items) {
      widths.push_back(item.width);
      *total += item.width;
    }
    return widths;
  }
  *total = data_width < min_total || !any_sizeable ? min_total : data_width;
  return ShareBandWidths(*total - model.first_band_offset, items);
}

}  // namespace

int GetBandOffset(const HeaderModel& model, const std::vector<int>& band_widths, int band) {
  const int n = static_cast<int>(band_widths.size());
  const auto fixed = [&](int b) {
    return b == model.left_fixed_band || b == model.right_fixed_band;
  };
  if (n < 2 || band < 0 || band >= n || fixed(band)) return 0;
  int offset = 0;
  for (int b = 0; b < band; ++b) {
    if (!fixed(b)) offset += band_widths[b] + (b == 0 ? model.first_band_offset : 0);
  }
  return offset;
}

Layout ComputeLayout(const HeaderModel& model, const LayoutInputs& in) {
  const Metrics& m = in.metrics;
  Layout l;
  l.client = in.client;
  l.left_coord = in.left_coord;
  l.header_panel_rows = model.HeaderPanelRowCount();
  l.line_height = m.default_row_height;
  l.footer_line_height = m.footer_line_height;
  l.row_footer_height = m.row_footer_height;
  l.data = in.client;
  l.data.left += m.indicator_width;
  l.data.bottom -= m.footer_height;
  l.data.bottom = std::max(l.data.bottom, l.data.top);

  l.band_widths = ShownBandWidths(model, in, l.data.right - l.data.left, &l.total_width);
  const int n = static_cast<int>(l.band_widths.size());
  const bool has_left_fixed = model.left_fixed_band >= 0 && model.left_fixed_band < n;
  const bool has_right_fixed = model.right_fixed_band >= 0 && model.right_fixed_band < n;
  const int left_fixed_width =
      has_left_fixed ? l.band_widths[model.left_fixed_band] + model.first_band_offset : 0;
  const int right_fixed_width = has_right_fixed ? l.band_widths[model.right_fixed_band] : 0;

  l.scroll = l.data;
  l.scroll.top += m.band_panel_height + m.header_panel_height;
  if (!in.auto_width) {
    l.scroll.left += left_fixed_width;
    l.scroll.right -= right_fixed_width;
  }
  l.scroll.right = std::max(l.scroll.right, l.scroll.left);
  l.scroll_extent = l.total_width - left_fixed_width - right_fixed_width;

  l.band_panel = {l.data.left, l.data.top, l.data.right, l.data.top + m.band_panel_height};
  l.header_panel = {l.data.left, l.band_panel.bottom, l.data.right,
                    l.band_panel.bottom + m.header_panel_height};
  l.indicator_corner = {in.client.left, in.client.top, l.data.left, l.header_panel.bottom};
  const int new_item_bottom =
      std::min<int>(l.header_panel.bottom + m.new_item_row_height, l.data.bottom);
  if (new_item_bottom > l.header_panel.bottom) {
    l.new_item_row = {in.client.left, l.header_panel.bottom, l.data.right, new_item_bottom};
  }
  l.rows = {in.client.left, std::max<LONG>(new_item_bottom, l.header_panel.bottom), l.data.right,
            l.data.bottom};
  l.footer = {l.data.left, l.data.bottom, l.data.right, l.data.bottom + m.footer_height};
  if (has_left_fixed)
    l.left_fixed = {l.data.left, l.data.top, l.data.left + left_fixed_width, l.data.bottom};
  if (has_right_fixed)
    l.right_fixed = {l.data.right - right_fixed_width, l.data.top, l.data.right, l.data.bottom};

  // Bands left to right: the fixed ones stay, the others move with LeftCoord.
  l.column_widths.assign(model.columns.size(), 0);
  l.column_left.assign(model.columns.size(), 0);
  l.column_row.assign(model.columns.size(), 0);
  l.header_row_height = m.header_panel_height / std::max(l.header_panel_rows, 1);
  const int scrolled_left = l.data.left - in.left_coord + (has_left_fixed ? left_fixed_width : 0);
  for (int b = 0; b < n; ++b) {
    int left;
    if (b == model.left_fixed_band) {
      left = l.data.left;
    } else if (b == model.right_fixed_band) {
      left = l.data.right - right_fixed_width;
    } else {
      left = scrolled_left + GetBandOffset(model, l.band_widths, b);
    }
    const int width = l.band_widths[b] + (b == 0 ? model.first_band_offset : 0);
    l.bands.push_back({b, left, left + width});
    const BandSpec& band = model.bands[b];
    for (size_t r = 0; r < band.rows.size(); ++r) {
      std::vector<WidthItem> items;
      for (int c : band.rows[r]) {
        const ColumnSpec& col = model.columns[c];
        items.push_back({col.width, col.min_width, col.sizeable});
      }
      const std::vector<int> shares = ShareColumnWidths(l.band_widths[b], items);
      int cx = left;
      for (size_t p = 0; p < shares.size(); ++p) {
        const int c = band.rows[r][p];
        const int w = shares[p] + (b == 0 && r == 0 && p == 0 ? model.first_band_offset : 0);
        const int top = l.header_panel.top + static_cast<int>(r) * l.header_row_height;
        l.column_widths[c] = w;
        l.column_left[c] = cx;
        l.column_row[c] = static_cast<int>(r);
        l.headers.push_back({c, b, static_cast<int>(r), static_cast<int>(p), cx, cx + w,
                             RECT{cx, top, cx + w, top + l.header_row_height}});
        cx += w;
      }
    }
  }
  l.grid_left = l.data.left;
  l.grid_right = std::min<int>(l.data.right, l.data.left - in.left_coord + l.total_width);
  return l;
}

int HeaderHitPart(const Layout& layout, POINT point, int column) {
  constexpr int kButtonWidth = 15;
  const LayoutHeaderCell* cell = layout.HeaderOf(column);
  if (!cell || !PtInRect(&cell->rect, point)) return 1;
  RECT inner = cell->rect;
  InflateRect(&inner, -2, -2);
  if (inner.right - inner.left <= kButtonWidth) return 1;
  const RECT button{inner.right - kButtonWidth, inner.top, inner.right, inner.bottom};
  return PtInRect(&button, point) ? 2 : 1;
}

}  // namespace treelist
