// Painting one cell from its look and its column's record, with the auto-search mark; and the
// text of a row's preview band.
#include <algorithm>

#include "editors/gdi_scope.h"
#include "treelist/core/cell_source.h"

namespace treelist {
namespace {

// A search colour: the one set, or by default the cell's own inverted.
COLORREF SearchColor(framework::TColor setting, COLORREF cell_color) {
  if (setting == framework::clNone) return (cell_color ^ 0xFFFFFF) & 0xFFFFFF;
  return framework::ColorToRGB(setting);
}

// The frame area around a cell that its view data's Bounds include, as an editor's window has.
constexpr int kCellFrame = 2;

// Clips the DC to a cell while its painter runs and puts the page's clipping back. Neither a
// saved DC nor a moved origin: restoring either makes the DC realise its font and pen again,
// which costs more than the cell's text.
class CellClip {
 public:
  CellClip(HDC dc, const RECT& cell, HRGN page)
      : dc_(dc), page_(page), has_page_clip_(GetClipRgn(dc, page) == 1) {
    IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
  }
  ~CellClip() { SelectClipRgn(dc_, has_page_clip_ ? page_ : nullptr); }
  CellClip(const CellClip&) = delete;
  CellClip& operator=(const CellClip&) = delete;

 private:
  HDC dc_;
  HRGN page_;
  bool has_page_clip_;
};

// One pass of a cell: `highlight_length` > 0 paints only the search mark.
void PaintCellPass(CellSource& source, const TdxCellPaintInfo& cell, const CellLook& pass,
                   int highlight_length, bool text_only) {
  const RECT& rect = cell.rect;
  if (text_only) {
    // DrawText clips to the text's box, which lies inside the cell.
    const int length = static_cast<int>(pass.text.size());
    const int shown = highlight_length > 0 ? std::min(highlight_length, length) : length;
    RECT box{rect.left + cell.text_offset_x, rect.top + cell.text_offset_y, rect.right,
             rect.bottom};
    editors::SelectScope font(cell.dc, pass.font);
    if (highlight_length > 0) {
      // The mark covers exactly the matched characters.
      RECT measured = box;
      DrawTextW(cell.dc, pass.text.c_str(), shown, &measured,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      box.right = std::min(box.right, measured.right);
    } else {
      SetBkColor(cell.dc, pass.brush);
      ExtTextOutW(cell.dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    }
    SetTextColor(cell.dc, pass.fore);
    SetBkColor(cell.dc, pass.brush);
    SetBkMode(cell.dc, highlight_length > 0 ? OPAQUE : TRANSPARENT);
    const UINT ellipsis = cell.end_ellipsis && highlight_length == 0 ? DT_END_ELLIPSIS : 0;
    DrawTextW(cell.dc, pass.text.c_str(), shown, &box,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | ellipsis |
                  editors::HorizontalFormat(pass.alignment));
    SetBkMode(cell.dc, OPAQUE);
    return;
  }
  editors::TdxEditViewData& data = source.CellViewData(cell.column);
  data.BrushColor = pass.brush;
  data.Font = pass.font;
  data.TextColor = pass.fore;
  data.Alignment = pass.alignment;
  data.Value = framework::Variant(pass.text);
  data.HighlightLength = highlight_length;
  data.Selected = cell.selected;
  data.HighlightPass = highlight_length > 0;
  data.TextOffsetLeft = cell.text_offset_x;
  data.TextOffsetTop = cell.text_offset_y;
  data.Hot = cell.hot;
  data.HotTrack = cell.hot_track || cell.hot;
  data.Bounds = {rect.left - kCellFrame, rect.top - kCellFrame, rect.right + kCellFrame,
                 rect.bottom + kCellFrame};
  if (auto* text_data = dynamic_cast<editors::TdxTextEditViewData*>(&data)) {
    text_data->EndEllipsis = cell.end_ellipsis;
  }
  source.PaintCellViewData(cell.dc, cell.column, data);
}

}  // namespace

void PaintCell(CellSource& source, const TdxCellPaintInfo& cell, bool text_only) {
  CellLook pass;
  if (!source.SettleCell(cell, pass)) return;
  PaintCellPass(source, cell, pass, 0, text_only);
  if (cell.search_length < 0) return;
  if (cell.search_length > 0) {
    pass.brush = SearchColor(cell.search_color, pass.brush);
    pass.fore = SearchColor(cell.search_text_color, pass.fore);
    PaintCellPass(source, cell, pass, cell.search_length, text_only);
  }
  RECT frame = cell.rect;
  InflateRect(&frame, -1, -1);
  if (cell.frame_spans_row) {
    if (!cell.first_column) --frame.left;
    if (!cell.last_column) ++frame.right;
  }
  SetTextColor(cell.dc, RGB(0, 0, 0));
  SetBkColor(cell.dc, RGB(255, 255, 255));
  DrawFocusRect(cell.dc, &frame);
}

void PaintViewDataInCell(HDC dc, const editors::TdxEditViewData& data, HRGN page) {
  // Plain text clips itself; a painter that may draw beyond the cell gets the DC clipped.
  if (data.PaintInsideCell(dc)) return;
  RECT cell = data.Bounds;
  InflateRect(&cell, -kCellFrame, -kCellFrame);
  CellClip clip(dc, cell, page);
  data.Paint(dc);
}

void PaintPreviewText(HDC dc, const RECT& rect, const std::wstring& text, HFONT font, COLORREF back,
                      COLORREF fore, int indent) {
  editors::SelectScope selected(dc, font);
  SetBkColor(dc, back);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  RECT box{rect.left + indent, rect.top + 1, rect.right, rect.bottom};
  SetTextColor(dc, fore);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
            DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetBkMode(dc, OPAQUE);
}

}  // namespace treelist
