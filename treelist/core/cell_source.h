// What a cell's painting asks of the grid, column by column: the cell's look as the grid's
// settings and the application's drawing leave it, and the column's view-data record and its
// painter. The painting itself reads only these, the view record's cell and the DC.
#pragma once

#include <windows.h>

#include <string>

#include "editors/view_data.h"
#include "treelist/core/cell_paint_types.h"

namespace treelist {

// What one painting pass of a cell shows.
struct CellLook {
  std::wstring text;
  HFONT font = nullptr;
  framework::TAlignment alignment = framework::TAlignment::taLeftJustify;
  COLORREF brush = 0;
  COLORREF fore = 0;
};

class CellSource {
 public:
  // The cell's look; false when the application's custom drawing painted the cell (Done).
  virtual bool SettleCell(const TdxCellPaintInfo& cell, CellLook& look) = 0;
  // The column's view-data record, and its painter for a filled one.
  virtual editors::TdxEditViewData& CellViewData(int column) = 0;
  virtual void PaintCellViewData(HDC dc, int column, editors::TdxEditViewData& data) = 0;

 protected:
  ~CellSource() = default;
};

// Paints a cell through its column's record, or (`text_only`) its text straight into the DC;
// then the running search's mark and frame.
void PaintCell(CellSource& source, const TdxCellPaintInfo& cell, bool text_only);

// Paints a record in the cell its Bounds surround by 2 pixels, with the DC clipped to the cell
// unless the record keeps inside it by itself; `page` holds the page's clipping meanwhile.
void PaintViewDataInCell(HDC dc, const editors::TdxEditViewData& data, HRGN page);

// A row's preview: its text word-wrapped from `indent` on its own background.
void PaintPreviewText(HDC dc, const RECT& rect, const std::wstring& text, HFONT font, COLORREF back,
                      COLORREF fore, int indent);

}  // namespace treelist
