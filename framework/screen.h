// The screen: the cursors by identifier (built-in ones and those registered by the module) and
// the work area forms are placed in.
#pragma once

#include <windows.h>

#include <map>

#include "framework/controls.h"

namespace framework {

class TScreen {
 public:
  // The cursor of an identifier: crArrow and friends, or one registered with SetCursor;
  // unknown identifiers give the arrow.
  HCURSOR CursorHandle(TCursor cursor) const;
  // Registers a cursor under an identifier other than the built-in ones (0 down to crSizeAll);
  // the screen owns it from now on.
  void SetCursorHandle(TCursor cursor, HCURSOR handle);
  // The cursor shown over the whole module while not crDefault (the hour-glass of long work).
  TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(TCursor cursor);
  RECT WorkArea() const;
  ~TScreen();

 private:
  std::map<TCursor, HCURSOR> cursors_;
  TCursor cursor_ = crDefault;
};

TScreen& Screen();

// Shows `cursor` over the module for the scope's life (when `active`), then the one before,
// however the scope is left.
class ScreenCursorScope {
 public:
  ScreenCursorScope(TCursor cursor, bool active);
  ~ScreenCursorScope();
  ScreenCursorScope(const ScreenCursorScope&) = delete;
  ScreenCursorScope& operator=(const ScreenCursorScope&) = delete;

 private:
  TCursor previous_;
  bool active_;
};

}  // namespace framework
