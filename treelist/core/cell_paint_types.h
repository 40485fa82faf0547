// What the grid's cell painting, hot tracking and tooltips exchange with the paint loop and with
// the application's handlers: the inputs of one cell, the hot element, and the event types.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"

namespace treelist {

class TdxTreeListNode;

// Row kinds of a painted cell.
enum TdxCellKind : uint8_t { ckOrdinary = 0, ckUnicode = 1, ckNewItemRow = 2, ckOther = 3 };

// Pixels between a cell's left and its text.
constexpr int kCellTextOffset = 2;

// One cell as the paint loop hands it over.
struct TdxCellPaintInfo {
  HDC dc = nullptr;
  RECT rect{};
  TdxTreeListNode* node = nullptr;
  int column = 0;  // absolute index
  COLORREF brush_color = 0;
  COLORREF text_color = 0;
  TdxCellKind kind = ckOrdinary;
  bool selected = false;
  bool focused = false;
  bool first_column = false;
  bool last_column = false;
  int text_offset_x = 0;  // pixels between the cell's left and where its text may begin
  int text_offset_y = 0;
  bool hot = false;        // under the mouse, hot-tracked
  bool hot_track = false;  // the grid's cells stand up under the mouse
  bool end_ellipsis = false;
  // The search mark's frame reaches the neighbouring cells (row select or inverted selection).
  bool frame_spans_row = false;
  // A running search's match in this cell: -1 none, else the matched length (0: only framed),
  // painted in the search colours (clNone: the cell's own inverted).
  int search_length = -1;
  framework::TColor search_color = framework::clNone;
  framework::TColor search_text_color = framework::clNone;
};

// The hot-tracked element: a cell (kind 0) or a header (its sub-kind; 3 while pressed).
struct TdxHotTrackInfo {
  TdxTreeListNode* node = nullptr;
  int column = -1;
  uint8_t kind = 0;
};
constexpr uint8_t kHotHeaderPressed = 3;

using framework::TComponent;
// (Sender, DC, preview rectangle, node, selected, text, background colour, text colour, Done).
using TdxCustomDrawPreviewEvent =
    framework::TEvent<TComponent*, HDC, const RECT&, TdxTreeListNode*, bool, std::wstring&,
                      framework::TColor&, framework::TColor&, bool&>;
using TdxPreviewTextEvent = framework::TEvent<TComponent*, TdxTreeListNode*, std::wstring&>;
// (Sender, hot element, cursor).
using TdxHotTrackNodeEvent =
    framework::TEvent<TComponent*, const TdxHotTrackInfo&, framework::TCursor&>;
// (Sender, node, column, Allow): unpublished; may refuse hot tracking of a cell.
using TdxHotTrackCellEvent = framework::TEvent<TComponent*, TdxTreeListNode*, int, bool&>;
// (Sender, node, column, cell rectangle, text, show, Done).
using TdxTooltipInfoEvent =
    framework::TEvent<TComponent*, TdxTreeListNode*, int, RECT&, std::wstring&, bool&, bool&>;

}  // namespace treelist
