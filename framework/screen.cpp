// Cursors and the work area.
#include "framework/screen.h"

namespace framework {

namespace {

const wchar_t* SystemCursor(TCursor cursor) {
  switch (cursor) {
    case crCross: return IDC_CROSS;
    case crIBeam: return IDC_IBEAM;
    case crSizeNESW: return IDC_SIZENESW;
    case crSizeNS: return IDC_SIZENS;
    case crSizeNWSE: return IDC_SIZENWSE;
    case crSizeWE:
    case crHSplit: return IDC_SIZEWE;
    case crVSplit: return IDC_SIZENS;
    case crUpArrow: return IDC_UPARROW;
    case crHourGlass: return IDC_WAIT;
    case crNo: return IDC_NO;
    case crHandPoint: return IDC_HAND;
    case crSizeAll: return IDC_SIZEALL;
    default: return IDC_ARROW;
  }
}

}  // namespace

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

TScreen::~TScreen() {
  for (auto& [id, handle] : cursors_) DestroyCursor(handle);
}

HCURSOR TScreen::CursorHandle(TCursor cursor) const {
  if (cursor == crNone) return nullptr;
  if (const auto it = cursors_.find(cursor); it != cursors_.end()) return it->second;
  return LoadCursorW(nullptr, SystemCursor(cursor));
}

void TScreen::SetCursorHandle(TCursor cursor, HCURSOR handle) {
  if (cursor <= 0 && cursor >= crSizeAll) {
    throw EComponentError("Registered cursors need an identifier outside the built-in ones");
  }
  if (const auto it = cursors_.find(cursor); it != cursors_.end()) DestroyCursor(it->second);
  cursors_[cursor] = handle;
}

void TScreen::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  POINT point;
  GetCursorPos(&point);
  if (cursor != crDefault) {
    ::SetCursor(CursorHandle(cursor));
  } else {
    SetCursorPos(point.x, point.y);  // lets the window under the mouse choose again
  }
}

ScreenCursorScope::ScreenCursorScope(TCursor cursor, bool active)
    : previous_(Screen().Cursor()), active_(active) {
  if (active_) Screen().SetCursor(cursor);
}

ScreenCursorScope::~ScreenCursorScope() {
  if (active_) Screen().SetCursor(previous_);
}

RECT TScreen::WorkArea() const {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

}  // namespace framework
