// Paints a grid's view record onto a DC: band and header cells, rows with their tree lines,
// expand buttons, images, grid lines and the indicator. Reads only the record; the cells' own
// contents are painted by the columns, through the CellPainter it is given.
#pragma once

#include <windows.h>

#include <string>

#include "treelist/core/cell_paint_types.h"
#include "treelist/view/grid_view.h"

namespace treelist {

// A footer cell as the painter hands it over: `node` null and `index` -1 in the footer panel,
// else the row and which of its footers.
struct FooterCellPaint {
  HDC dc = nullptr;
  RECT rect{};
  TdxTreeListNode* node = nullptr;
  int column = 0;
  int index = -1;
  std::wstring text;
  COLORREF color = 0;  // the face under the cell
  COLORREF text_color = 0;
  HFONT font = nullptr;
};

// A footer cell's own look: a sunken box on its face with the text.
void DrawFooterCell(const FooterCellPaint& cell);

// What the painter hands on: a cell's content, a row's preview band, and the band and footer
// cells, which custom drawing may take over (the grid's own look by default).
class CellPainter {
 public:
  virtual void PaintCell(const TdxCellPaintInfo& cell) = 0;
  virtual void PaintPreview(HDC dc, const RECT& rect, const ViewRow& row, COLORREF background,
                            COLORREF text_color) = 0;
  virtual void PaintBand(HDC dc, const RECT& rect, int band, const GridView& view);
  virtual void PaintFooterCell(const FooterCellPaint& cell) { DrawFooterCell(cell); }

 protected:
  ~CellPainter() = default;
};

void PaintGrid(const GridView& view, HDC dc, CellPainter& cells);

// A cell as the paint loop hands it over: `rect` is the whole cell, the tree column's text
// begins after the row's indent.
TdxCellPaintInfo CellInfo(const GridView& view, const ViewRow& row, HDC dc, int column,
                          const RECT& rect);

// A header or band cell: face, frame of the look, glyph, caption and sort mark (the drag
// pictures reuse it).
void DrawHeaderCell(HDC dc, const RECT& rect, const HeaderCaption& caption, HFONT font,
                    TdxLookAndFeel look, COLORREF face, COLORREF text);

}  // namespace treelist
