// Paints a tree list onto a DC: band and header cells, rows with their tree lines, expand
// buttons, images and cells, the indicator and the focused row. Asks the grid; stores nothing.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/win/handles.h"
#include "treelist/cell_paint_types.h"
#include "treelist/layout.h"

namespace treelist {

class TCustomdxTreeList;
class TdxTreeListNode;
enum class TdxLookAndFeel;

class TreeListPainter {
 public:
  TreeListPainter(TCustomdxTreeList& grid, HDC dc);
  // The grid laid out in full (the clipboard's picture): `layout` made for a client area of the
  // picture's size, `rows` painted from its top.
  TreeListPainter(TCustomdxTreeList& grid, HDC dc, Layout layout,
                  std::vector<TdxTreeListNode*> rows, RECT client);
  TreeListPainter(const TreeListPainter&) = delete;
  TreeListPainter& operator=(const TreeListPainter&) = delete;
  void Paint();
  // A cell as the paint loop hands it over: `rect` is the whole cell, the tree column's text
  // begins after the node's indent.
  TdxCellPaintInfo CellInfo(TdxTreeListNode* node, int column, const RECT& rect);

  // A header or band cell: face, frame of the look, caption (the drag pictures reuse it).
  static void DrawHeaderCell(HDC dc, const RECT& rect, const std::wstring& caption, HFONT font,
                             TdxLookAndFeel look);

 private:
  void PaintBands();
  void PaintHeaders();
  void PaintIndicatorCorner();
  // Returns the bottom of the last row painted.
  int PaintRows();
  void PaintRow(TdxTreeListNode* node, int top, int height);
  void PaintTreePart(TdxTreeListNode* node, const RECT& cell, int row_top, int line_height);
  void PaintTreeLines(TdxTreeListNode* node, int x0, int top, int bottom, int mid_y);
  void PaintButton(TdxTreeListNode* node, int center_x, int center_y);
  void PaintNodeImages(TdxTreeListNode* node, int x, int top, int height);
  void DrawCell(TdxTreeListNode* node, int column, const RECT& rect);
  void FillRectColor(const RECT& rect, COLORREF color);
  void PaintIndicator(bool focused, int top, int height);
  // The checked brush of the dotted tree lines, made once.
  HBRUSH DotBrush();
  void DottedLine(int left, int top, int width, int height);

  TCustomdxTreeList& grid_;
  HDC dc_;
  Layout layout_;
  RECT client_;
  bool full_size_ = false;
  std::vector<TdxTreeListNode*> rows_;  // of a full-size picture
  // Whether the grid's window has the focus: asked once, and only when a highlighted row needs it
  // (each asking is a round trip to the window server).
  bool FocusedWindow();
  std::optional<bool> focused_window_;
  COLORREF window_, window_text_, highlight_, highlight_text_, hide_selection_, tree_line_;
  // The first column of the first band holds the tree; without columns the whole row does.
  int tree_column_ = -1;
  win::UniqueBitmap dot_bitmap_;
  win::UniqueBrush dot_brush_;
};

}  // namespace treelist
