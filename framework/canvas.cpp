// Canvases over device contexts.
#include "framework/canvas.h"

#include "framework/picture.h"

namespace framework {

TCanvas::TCanvas() {
  InitializeCriticalSection(&lock_);
  font_.OnChange = [this] { Deselect(kFontValid); };
  pen_.OnChange = [this] { Deselect(kPenValid); };
  brush_.OnChange = [this] { Deselect(kBrushValid); };
}

TCanvas::~TCanvas() {
  DeselectHandles();
  DeleteCriticalSection(&lock_);
}

HDC TCanvas::Handle() {
  if (!dc_) CreateHandle();
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  DeselectHandles();
  dc_ = dc;
}

void TCanvas::Deselect(State tool) {
  if (!dc_ || !(state_ & tool)) return;
  HGDIOBJ& old = tool == kPenValid ? old_pen_ : tool == kBrushValid ? old_brush_ : old_font_;
  SelectObject(dc_, old);
  old = nullptr;
  state_ &= ~tool;
}

void TCanvas::DeselectHandles() {
  Deselect(kPenValid);
  Deselect(kBrushValid);
  Deselect(kFontValid);
  dc_ = nullptr;
}

HDC TCanvas::RequireState(unsigned state) {
  BeforeDrawing();
  HDC dc = Handle();
  if (!dc) return nullptr;
  const unsigned missing = state & ~state_;
  if (missing & kPenValid) old_pen_ = SelectObject(dc, pen_.Handle());
  if (missing & kBrushValid) {
    old_brush_ = SelectObject(dc, brush_.Handle());
    SetBkColor(dc, ColorToRGB(brush_.Color()));
    SetBkMode(dc, brush_.Style() == TBrushStyle::bsSolid ? OPAQUE : TRANSPARENT);
  }
  if (missing & kFontValid) {
    old_font_ = SelectObject(dc, font_.Handle());
    SetTextColor(dc, ColorToRGB(font_.Color()));
  }
  state_ |= missing;
  return dc;
}

void TCanvas::FillRect(const RECT& rect) {
  if (HDC dc = RequireState(kBrushValid)) ::FillRect(dc, &rect, brush_.Handle());
}

void TCanvas::FrameRect(const RECT& rect) {
  if (HDC dc = RequireState(kBrushValid)) ::FrameRect(dc, &rect, brush_.Handle());
}

void TCanvas::Rectangle(const RECT& rect) {
  if (HDC dc = RequireState(kPenValid | kBrushValid)) {
    ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  }
}

void TCanvas::MoveTo(int x, int y) {
  if (HDC dc = RequireState(kPenValid)) MoveToEx(dc, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  if (HDC dc = RequireState(kPenValid)) ::LineTo(dc, x, y);
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
  if (HDC dc = RequireState(kFontValid | kBrushValid)) {
    ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  }
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::wstring& text) {
  if (HDC dc = RequireState(kFontValid | kBrushValid)) {
    const UINT options = ETO_CLIPPED | (brush_.Style() == TBrushStyle::bsSolid ? ETO_OPAQUE : 0);
    ExtTextOutW(dc, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  }
}

SIZE TCanvas::TextExtent(const std::wstring& text) {
  SIZE size{};
  if (HDC dc = RequireState(kFontValid)) {
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  }
  return size;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  StretchDraw(RECT{x, y, x + graphic.Width(), y + graphic.Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic& graphic) {
  if (graphic.Empty() || !RequireState(kPenValid | kBrushValid | kFontValid)) return;
  graphic.Draw(*this, rect);
}

void TCanvas::CopyRect(const RECT& dest_rect, TCanvas& source, const RECT& source_rect) {
  HDC source_dc = source.RequireState(0);
  HDC dc = RequireState(kBrushValid);
  if (!dc || !source_dc) return;
  StretchBlt(dc, dest_rect.left, dest_rect.top, dest_rect.right - dest_rect.left,
             dest_rect.bottom - dest_rect.top, source_dc, source_rect.left, source_rect.top,
             source_rect.right - source_rect.left, source_rect.bottom - source_rect.top, SRCCOPY);
}

COLORREF TCanvas::Pixel(int x, int y) {
  HDC dc = RequireState(0);
  return dc ? GetPixel(dc, x, y) : CLR_INVALID;
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (HDC dc = RequireState(0)) ::SetPixel(dc, x, y, ColorToRGB(color));
}

TControlCanvas::~TControlCanvas() {
  DeselectHandles();
  if (own_dc_) ReleaseDC(hwnd_, own_dc_);
}

void TControlCanvas::CreateHandle() {
  if (!own_dc_) own_dc_ = GetDC(hwnd_);
  SetHandle(own_dc_);
}

}  // namespace framework
