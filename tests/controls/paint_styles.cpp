// The three paint styles and pictures of controls drawn in each.
#include "paint_styles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "framework/forms.h"
#include "framework/theme_services.h"
#include "controls/xp_control_utils.h"
#include "surface.h"

namespace xptest {

void ForEachPaintStyle(const std::function<void(int style)>& body) {
  struct Reset {
    ~Reset() {
      framework::TThemeServices::Instance().SetOverride(std::nullopt);
      controls::SetWindowsVersionOverride(std::nullopt);
      SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
    }
  } reset;
  struct Setting {
    int style;
    bool themes;
    controls::WindowsVersion version;
  };
  for (const Setting& s :
       {Setting{2, true, {6, 1}}, Setting{1, false, {5, 0}}, Setting{0, false, {6, 1}}}) {
    framework::TThemeServices::Instance().SetOverride(s.themes);
    controls::SetWindowsVersionOverride(s.version);
    SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);  // the style's palette
    ASSERT_EQ(controls::GetXPPaintStyle(), s.style);
    SCOPED_TRACE("paint style " + std::to_string(s.style));
    body(s.style);
  }
}

SIZE PictureSize(const framework::TControl& control) {
  if (dynamic_cast<const framework::TForm*>(&control)) {
    return {control.ClientWidth(), control.ClientHeight()};
  }
  return {control.Width(), control.Height()};
}

void WriteStylePicture(const std::string& name, const std::vector<framework::TControl*>& controls) {
  int width = 0, height = 0;
  for (framework::TControl* control : controls) {
    const SIZE size = PictureSize(*control);
    width = std::max<int>(width, control->Left() + size.cx + 4);
    height = std::max<int>(height, control->Top() + size.cy + 4);
  }
  Surface surface(width, height * 3, RGB(236, 233, 216));
  int row = 0;
  ForEachPaintStyle([&](int) {
    for (framework::TControl* control : controls) {
      control->PaintTo(surface.dc(), control->Left(), control->Top() + row * height);
    }
    ++row;
  });
  WritePicture(surface, name, 2);
}

}  // namespace xptest
