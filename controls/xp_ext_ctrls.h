// The splitter in the library's colours with an optional grip notch, and the skins that the
// library's speed and spin buttons share.
#pragma once

#include <windows.h>

#include "framework/ext_ctrls.h"
#include "framework/win/handles.h"
#include "controls/alpha_image.h"

namespace controls {

class TXPSplitter : public framework::TSplitter {
 public:
  explicit TXPSplitter(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool DrawNotch() const noexcept { return draw_notch_; }
  void SetDrawNotch(bool value);
  // Transparent: only the notch is drawn over what the parent shows.
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool value);
  // Fills with the library's face colour instead of Color.
  bool UseDefaultColor() const noexcept { return use_default_color_; }
  void SetUseDefaultColor(bool value);

 protected:
  void Paint() override;

 private:
  bool draw_notch_ = false;
  bool transparent_ = true;
  bool use_default_color_ = true;
};

// The nine dots of the grip notch, centred in a splitter of width x height.
void DrawSplitterNotch(HDC dc, int width, int height);

// The skins of the speed and spin buttons, loaded by the first splitter and kept until unload.
struct SpeedButtonSkins {
  TAlphaImage speed_button{L"XPSPEEDBTN"};
  TAlphaImage speed_split{L"XPSPEEDSPLIT"};
  TAlphaImage speed_drop_down{L"XPSPEEDDROPDOWN"};
  TAlphaImage spin_down{L"XPSPINBTNDOWN"};
  TAlphaImage spin_left{L"XPSPINBTNLEFT"};
  TAlphaImage spin_right{L"XPSPINBTNRIGHT"};
  TAlphaImage spin_up{L"XPSPINBTNUP"};
  TAlphaImage spin_glyph_down{L"XPSPINGLYPHDOWN"};
  TAlphaImage spin_glyph_left{L"XPSPINGLYPHLEFT"};
  TAlphaImage spin_glyph_right{L"XPSPINGLYPHRIGHT"};
  TAlphaImage spin_glyph_up{L"XPSPINGLYPHUP"};
  win::UniqueBitmap std_arrows;

  SpeedButtonSkins();
};

// The shared skins, or null before the first splitter was made.
const SpeedButtonSkins* LoadedSpeedButtonSkins();

}  // namespace controls
