// View data.
#include "editors/view_data.h"

#include <algorithm>

#include "editors/gdi_scope.h"

namespace editors {

namespace {

// The frame area around a cell that the painted rectangle includes.
constexpr int kFrameArea = 2;

}  // namespace

UINT HorizontalFormat(framework::TAlignment alignment) {
  switch (alignment) {
    case framework::TAlignment::taRightJustify: return DT_RIGHT;
    case framework::TAlignment::taCenter: return DT_CENTER;
    case framework::TAlignment::taLeftJustify: break;
  }
  return DT_LEFT;
}

RECT TdxEditViewData::CellRect() const {
  RECT rect = Bounds;
  InflateRect(&rect, -kFrameArea, -kFrameArea);
  return rect;
}

RECT TdxEditViewData::TextRect() const {
  RECT rect = CellRect();
  rect.left += TextOffsetLeft;
  rect.top += TextOffsetTop;
  return rect;
}

void TdxEditViewData::PaintBackground(HDC dc, const RECT& area) const {
  if (HighlightPass) return;  // the mark goes over what the first pass painted
  SetBkColor(dc, BrushColor);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

HGDIOBJ TdxEditViewData::DrawingFont(HDC dc) const {
  return Font ? static_cast<HGDIOBJ>(Font) : GetCurrentObject(dc, OBJ_FONT);
}

int TdxEditViewData::LineHeight(HDC dc) const {
  const HGDIOBJ font = DrawingFont(dc);  // selected by now
  if (dc != measured_dc_ || font != measured_font_) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    measured_dc_ = dc;
    measured_font_ = font;
    line_height_ = metrics.tmHeight;
  }
  return line_height_;
}

POINT TdxEditViewData::LinePosition(HDC dc, const RECT& rect, const std::wstring& text) const {
  POINT at{rect.left, rect.top};
  if (Alignment != framework::TAlignment::taLeftJustify) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    at.x = Alignment == framework::TAlignment::taRightJustify
               ? rect.right - extent.cx
               : rect.left + (rect.right - rect.left - extent.cx) / 2;
  }
  if (Placement == kPlaceCenter) at.y = rect.top + (rect.bottom - rect.top - LineHeight(dc)) / 2;
  if (Placement == kPlaceBottom) at.y = rect.bottom - LineHeight(dc);
  return at;
}

void TdxEditViewData::PaintText(HDC dc, const RECT& rect, const std::wstring& text,
                                bool end_ellipsis) const {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  SelectScope font(dc, DrawingFont(dc));
  SetTextColor(dc, TextColor);
  SetBkColor(dc, BrushColor);
  SetBkMode(dc, TRANSPARENT);
  const int length = static_cast<int>(text.size());
  RECT box = rect;
  if (Placement >= kPlaceMultiLine) {
    const UINT format = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL | HorizontalFormat(Alignment);
    if (Placement == kPlaceMultiLineCenter) {
      RECT measured = rect;
      DrawTextW(dc, text.c_str(), length, &measured, format | DT_CALCRECT);
      const int spare = (rect.bottom - rect.top) - (measured.bottom - measured.top);
      if (spare > 0) box.top += spare / 2;
    }
    DrawTextW(dc, text.c_str(), length, &box, format);
    return;
  }
  if (end_ellipsis && !HighlightPass) {
    UINT vertical = Placement == kPlaceBottom   ? DT_BOTTOM
                    : Placement == kPlaceCenter ? DT_VCENTER
                                                : DT_TOP;
    DrawTextW(
        dc, text.c_str(), length, &box,
        DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | vertical | HorizontalFormat(Alignment));
    return;
  }
  const POINT at = LinePosition(dc, rect, text);
  const int shown = HighlightPass ? std::clamp(HighlightLength, 0, length) : length;
  if (HighlightPass) {
    SIZE prefix{};
    GetTextExtentPoint32W(dc, text.c_str(), shown, &prefix);
    box.left = std::max<int>(rect.left, at.x);
    box.right = std::min<int>(rect.right, at.x + prefix.cx);
    // A prefix scrolled wholly out of the rectangle shows nothing: reversed, the box would be
    // filled between the two.
    if (box.right <= box.left) return;
  }
  const UINT options = ETO_CLIPPED | (HighlightPass ? ETO_OPAQUE : 0);
  ExtTextOutW(dc, at.x, at.y, options, &box, text.c_str(), shown, nullptr);
}

void TdxEditViewData::PaintBackgroundAndText(HDC dc, PaintArea area, const RECT& rect,
                                             const std::wstring& text, bool end_ellipsis) const {
  SelectScope font(dc, DrawingFont(dc));
  // The background's call also draws the text, clipped to the visible part of the area instead
  // of to `rect`: the same pixels while the line keeps off the strips between the two. Within
  // the cell, the cell itself will do: the DC's clipping only cuts it further.
  const RECT background = area == PaintArea::kCell ? CellRect() : Bounds;
  RECT visible = background;
  POINT at{};
  const bool one_call =
      !HighlightPass && !end_ellipsis && Placement < kPlaceMultiLine && rect.right > rect.left &&
      rect.bottom > rect.top &&
      (area == PaintArea::kCell ||
       (GetClipBox(dc, &visible) != ERROR && IntersectRect(&visible, &visible, &background))) &&
      visible.right <= rect.right &&
      (at = LinePosition(dc, rect, text), visible.left >= rect.left || at.x >= rect.left) &&
      (visible.top >= rect.top || at.y >= rect.top) &&
      (visible.bottom <= rect.bottom || at.y + LineHeight(dc) <= rect.bottom);
  if (!one_call) {
    PaintBackground(dc, background);
    PaintText(dc, rect, text, end_ellipsis);
    return;
  }
  SetTextColor(dc, TextColor);
  SetBkColor(dc, BrushColor);
  SetBkMode(dc, TRANSPARENT);
  ExtTextOutW(dc, at.x, at.y, ETO_OPAQUE | ETO_CLIPPED, &visible, text.c_str(),
              static_cast<int>(text.size()), nullptr);
}

std::wstring TdxEditViewData::DisplayText() const { return Value.ToString(); }

void TdxEditViewData::Paint(HDC dc) const {
  PaintBackgroundAndText(dc, PaintArea::kBounds, TextRect(), DisplayText(), false);
}

int TdxEditViewData::CalcLineCount(HDC dc, int width) const {
  if (width <= 0) return 1;
  const std::wstring text = DisplayText();
  SelectScope font(dc, DrawingFont(dc));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT rect{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  if (metrics.tmHeight <= 0) return 1;
  return std::max(1, static_cast<int>((rect.bottom + metrics.tmHeight - 1) / metrics.tmHeight));
}

std::wstring TdxTextEditViewData::DisplayText() const {
  std::wstring text = Value.ToString();
  if (PasswordChar != 0) return std::wstring(text.size(), PasswordChar);
  if (CharCase == controls::TEditCharCase::ecNormal) return text;  // no second copy per cell
  return controls::ApplyCharCase(text, CharCase);
}

RECT TdxTextEditViewData::TextArea() const {
  RECT rect = TextRect();
  if (SelectionBar) rect.left += GetSystemMetrics(SM_CXSMICON) / 2;  // the memo's bar
  return rect;
}

void TdxTextEditViewData::Paint(HDC dc) const {
  PaintBackgroundAndText(dc, PaintArea::kBounds, TextArea(), DisplayText(), EndEllipsis);
}

bool TdxTextEditViewData::PaintInsideCell(HDC dc) const {
  PaintBackgroundAndText(dc, PaintArea::kCell, TextArea(), DisplayText(), EndEllipsis);
  return true;
}

}  // namespace editors
