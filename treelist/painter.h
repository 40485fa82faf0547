// Paints a grid's view record onto a DC: band and header cells, rows with their tree lines,
// expand buttons, images, grid lines and the indicator. Reads only the record; the cells' own
// contents are painted by the columns, through the CellPainter it is given.
#pragma once

#include <windows.h>

#include <string>

#include "treelist/cell_paint_types.h"
#include "treelist/grid_view.h"

namespace treelist {

// What the painter hands on: a cell's content and a row's preview band.
class CellPainter {
 public:
  virtual void PaintCell(const TdxCellPaintInfo& cell) = 0;
  virtual void PaintPreview(HDC dc, const RECT& rect, const ViewRow& row, COLORREF background,
                            COLORREF text_color) = 0;

 protected:
  ~CellPainter() = default;
};

void PaintGrid(const GridView& view, HDC dc, CellPainter& cells);

// A cell as the paint loop hands it over: `rect` is the whole cell, the tree column's text
// begins after the row's indent.
TdxCellPaintInfo CellInfo(const GridView& view, const ViewRow& row, HDC dc, int column,
                          const RECT& rect);

// A header or band cell: face, frame of the look, caption (the drag pictures reuse it).
void DrawHeaderCell(HDC dc, const RECT& rect, const std::wstring& caption, HFONT font,
                    TdxLookAndFeel look, COLORREF face, COLORREF text);

}  // namespace treelist
