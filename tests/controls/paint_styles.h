// The three paint styles of the own-drawn controls, reached through the theme and Windows-version
// overrides, and pictures of controls drawn in each.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "tests/controls/surface.h"

namespace xptest {

// Chooses paint style 2 (themed), 1 (XP look, as on Windows 2000) or 0 (classic) through the
// overrides, with its palette; the reset unsets the overrides and refills the palette.
void UsePaintStyle(int style);
void ResetPaintStyle();

// Runs `body` with the paint style 2 (themed), 1 (XP look, as on Windows 2000) and 0 (classic),
// each with its palette, leaving the overrides unset (and the palette refilled) afterwards.
void ForEachPaintStyle(const std::function<void(int style)>& body);

// The control painted as it shows (as PaintPicture paints it) on a white surface, written
// (scaled `scale` times) to build/pictures/NAME.png: every control's picture goes through here.
std::unique_ptr<Surface> Picture(framework::TControl& control, const std::string& name,
                                 int scale = 2);

// Paints the controls side by side (each at its own Left and Top, in one row per paint style)
// into build/pictures/NAME.png.
void WriteStylePicture(const std::string& name, const std::vector<framework::TControl*>& controls);

}  // namespace xptest
