// Small GDI helpers the editors share: an object selected into a DC for a scope.
#pragma once

#include <windows.h>

namespace editors {

// Puts the DC's previous pen, brush, font or bitmap back when the scope ends. An object the DC
// holds already is left alone: selecting a font again realises it again.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc),
        old_(GetCurrentObject(dc, GetObjectType(object)) == object ? nullptr
                                                                   : SelectObject(dc, object)) {}
  ~SelectScope() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace editors
