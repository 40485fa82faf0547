// The own-drawn push button: a caption beside an optional glyph, pressed by the mouse, Space,
// Enter (when focused or the form's default), Escape (when the form's cancel button), its
// accelerator or BM_CLICK; drawn themed, in the library's XP look or classically.
#pragma once

#include <windows.h>

#include "controls/alpha_image.h"
#include "controls/xp_control_paint.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_controls.h"

namespace controls {

class TXPBitBtn : public TXPControl<framework::TButtonControl> {
 public:
  explicit TXPBitBtn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The glyph beside the caption; empty for none.
  TAlphaBitmap& Glyph() noexcept { return glyph_; }
  TButtonLayout Layout() const noexcept { return layout_; }
  void SetLayout(TButtonLayout layout);
  // -1: computed so that the free space is shared out evenly.
  int Margin() const noexcept { return margin_; }
  void SetMargin(int margin);
  int Spacing() const noexcept { return spacing_; }
  void SetSpacing(int spacing);
  // Drawn pressed: held down by the mouse (inside the button) or by Space.
  bool Pressed() const noexcept { return press_.Pressed(); }

  void WndProc(framework::TMessage& message) override;

 protected:
  void Paint() override;

 private:
  TAlphaBitmap glyph_;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  TPressTracker press_;
};

}  // namespace controls
