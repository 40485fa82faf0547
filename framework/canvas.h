// A drawing surface over a device context: a window's, a bitmap's memory DC or a printer's.
// The pen, brush and font are selected into the DC when a drawing call needs them and put back
// when the DC is let go.
#pragma once

#include <windows.h>

#include <string>

#include "framework/graphics.h"

namespace framework {

class TGraphic;

class TCanvas {
 public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The DC, made on demand by the kind of canvas; null when there is none.
  HDC Handle();
  // Draw on a DC someone else owns (a paint DC, a print DC); null detaches.
  void SetHandle(HDC dc);
  bool HandleAllocated() const noexcept { return dc_ != nullptr; }

  TFont& Font() noexcept { return font_; }
  TPen& Pen() noexcept { return pen_; }
  TBrush& Brush() noexcept { return brush_; }

  void FillRect(const RECT& rect);
  void FrameRect(const RECT& rect);
  void Rectangle(const RECT& rect);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const std::wstring& text);
  // The text clipped to `rect`, starting at (x, y).
  void TextRect(const RECT& rect, int x, int y, const std::wstring& text);
  SIZE TextExtent(const std::wstring& text);
  int TextWidth(const std::wstring& text) { return TextExtent(text).cx; }
  int TextHeight(const std::wstring& text) { return TextExtent(text).cy; }
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const RECT& rect, TGraphic& graphic);
  // Copies `source_rect` of another canvas into `dest_rect`, stretching as needed.
  void CopyRect(const RECT& dest_rect, TCanvas& source, const RECT& source_rect);
  COLORREF Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

  // A canvas shared between threads is locked around its drawing.
  void Lock() { EnterCriticalSection(&lock_); }
  void Unlock() { LeaveCriticalSection(&lock_); }

 protected:
  // Kinds of canvas with their own DC make it here (and set it with SetHandle).
  virtual void CreateHandle() {}
  // Called before every drawing call: a bitmap's canvas makes its image its own here.
  virtual void BeforeDrawing() {}
  // Puts the original objects back and forgets the DC.
  void DeselectHandles();

 private:
  enum State : unsigned { kPenValid = 1, kBrushValid = 2, kFontValid = 4 };
  HDC RequireState(unsigned state);
  // Puts the DC's own object back before a tool deletes the one it had selected.
  void Deselect(State tool);

  HDC dc_ = nullptr;
  unsigned state_ = 0;
  HGDIOBJ old_pen_ = nullptr;
  HGDIOBJ old_brush_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  CRITICAL_SECTION lock_;
};

// The client area of a window, through GetDC while the canvas lives.
class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(HWND hwnd) : hwnd_(hwnd) {}
  ~TControlCanvas() override;

 protected:
  void CreateHandle() override;

 private:
  HWND hwnd_;
  HDC own_dc_ = nullptr;
};

}  // namespace framework
