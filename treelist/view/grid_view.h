// The read-only record of what the grid shows: layout, the rows in the window with what their
// tree part needs, display settings, colours and the focused and selected rows. The control
// builds it; painting and the hit test read nothing else, so both can be checked from a record
// made by hand.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "treelist/core/cell_paint_types.h"
#include "treelist/core/hit_info.h"
#include "treelist/core/layout.h"
#include "treelist/core/options.h"

namespace treelist {

class TdxTreeListNode;

// A footer cell: the column it stands under and its text.
struct FooterCellView {
  int column = 0;
  std::wstring text;
};

// A row footer closing the group of a level under a row.
struct RowFooterView {
  int level = 0;
  COLORREF color = 0;
  std::vector<FooterCellView> cells;
};

// One row in the window. `node` is handed back to the cell painting and the hit's caller; the
// painter and the hit test read only the fields beside it.
struct ViewRow {
  TdxTreeListNode* node = nullptr;
  int top = 0;
  int height = 0;       // the whole row: lines, preview, footers, grid line
  int line_height = 0;  // of its lines of cells: the view's, or taller when its cells ask
  int preview = 0;      // the preview band's height under the cells
  int level = 0;
  int indent_left = 0;   // where the images begin, from the tree column's left
  int indent_right = 0;  // where the text begins
  int state_image = -1;  // indexes into the view's image lists; -1 none
  int image = -1;
  bool has_children = false;
  bool expanded = false;
  bool last = false;              // the last of its siblings
  bool first_row = false;         // the first top-level node: its line starts at its middle
  TdxCellKind kind = ckOrdinary;  // ckNewItemRow for the new-item row, which has no node
  bool focused = false;
  bool selected = false;
  int hot_column = -1;     // the hot-tracked cell's column in this row; -1 none
  int search_column = -1;  // the running search's cell in this row; -1 none
  int search_length = 0;   // of the text searched for
  // Per tree slot left of the row's own: whether the ancestor there has siblings after it, and
  // so a line passing by.
  std::vector<bool> ancestor_continues;
  std::vector<RowFooterView> footers;  // innermost group first, each footer_row_height high
};

// The colours painting uses, resolved to RGB.
struct ViewColors {
  COLORREF window = 0;
  COLORREF window_text = 0;
  COLORREF highlight = 0;
  COLORREF highlight_text = 0;
  COLORREF hide_selection = 0;
  COLORREF hide_selection_text = 0;
  COLORREF header = 0;
  COLORREF header_text = 0;
  COLORREF band = 0;
  COLORREF tree_line = 0;
  COLORREF grid_line = 0;
  COLORREF row_footer = 0;
  COLORREF row_footer_text = 0;
  COLORREF fixed_band_line = 0;
  COLORREF plus_minus = 0;
  COLORREF footer = 0;
  COLORREF face = 0;  // the system's 3-D face and shadow, of the expand boxes and edges
  COLORREF shadow = 0;
};

// What a header or band cell shows besides its face.
struct HeaderCaption {
  std::wstring text;
  UINT align = DT_LEFT;  // DT_LEFT, DT_CENTER or DT_RIGHT
  bool multi_line = false;
  int sort = 0;             // the sort mark: 0 none, 1 descending, 2 ascending
  HBITMAP glyph = nullptr;  // left of the text; null none
};

// A band's caption: several lines when the band panel has 2 rows or more.
HeaderCaption BandCaption(const HeaderModel& model, const BandSpec& band);
HeaderCaption ColumnCaption(const ColumnSpec& column);

struct ImageListView {
  HIMAGELIST handle = nullptr;
  int width = 0;
  int height = 0;
};

// The layout's geometry (client, scroll, line heights) is the view's: it keeps no copy.
struct GridView {
  Layout layout;
  std::vector<ViewRow> rows;
  ViewRow new_item_row;                        // at layout.new_item_row, when that is not empty
  std::vector<HeaderCaption> band_captions;    // by band index
  std::vector<HeaderCaption> column_captions;  // by column index
  ViewColors colors;
  HFONT font = nullptr;
  HFONT header_font = nullptr;
  HFONT band_font = nullptr;
  ImageListView images, state_images;
  // The standard look's raised expand buttons, kExpandGlyphSize square
  // (treelist/view/shared_resources.h).
  HBITMAP plus_glyph = nullptr;
  HBITMAP minus_glyph = nullptr;
  TdxLookAndFeel look = TdxLookAndFeel::lfStandard;
  TdxTreeListPaintStyle paint_style = TdxTreeListPaintStyle::psStandard;
  TdxTreeLineStyle tree_line_style = TdxTreeLineStyle::tlDot;
  int grid_line_width = 1;                   // the separator under each row, with show_grid
  int fixed_band_line_width = 0;             // parting the fixed bands from the scrolled ones
  std::vector<FooterCellView> footer_cells;  // of the footer panel
  int indent = 16;
  int tree_column = -1;  // the column holding the tree; -1: the whole row without columns
  int focused_column = 0;
  bool show_lines = true;
  bool show_buttons = true;
  bool show_grid = false;
  bool show_root = true;
  bool row_select = false;
  bool hide_focus_rect = false;  // aoHideFocusRect or a running search
  bool focused_window = false;   // the grid's window has the keyboard focus
  bool picture = false;          // painted into a picture: no highlight, no focus
  // What every cell's painting takes from the grid's settings.
  bool hot_track = false;
  bool end_ellipsis = false;
  bool frame_spans_row = false;  // the search frame reaches the neighbouring cells
  framework::TColor search_color = framework::clNone;
  framework::TColor search_text_color = framework::clNone;
  // What the hit test may offer for sizing.
  bool band_panel_sizing = false;
  bool header_panel_sizing = false;
  bool row_sizing = false;
  // A header's right end is its button only while the grid shows header buttons; otherwise a
  // press there clicks, sorts and drags the header like the rest of it.
  bool header_buttons = false;

  // The row holding `node`, or null when it is not in the window.
  const ViewRow* RowOf(const TdxTreeListNode* node) const noexcept;
};

// What lies under a client point of the view.
THitInfo HitTest(const GridView& view, POINT point);

}  // namespace treelist
