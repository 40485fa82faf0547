// Labels that draw their caption with the library's text routines (smooth or turned), show a
// glyph beside it, change font colour, style and cursor while the mouse is over them, and can
// act as links.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "controls/smooth_text.h"

namespace controls {

// What a label changes while the mouse is over it.
class TXPHotTrack {
 public:
  static const framework::TClassInfo& StaticClassInfo();

  bool TrackFontColor() const noexcept { return track_font_color_; }
  void SetTrackFontColor(bool value) { track_font_color_ = value; }
  framework::TColor HotFontColor() const noexcept { return hot_font_color_; }
  void SetHotFontColor(framework::TColor value) { hot_font_color_ = value; }
  bool TrackFontStyle() const noexcept { return track_font_style_; }
  void SetTrackFontStyle(bool value) { track_font_style_ = value; }
  framework::TFontStyles HotFontStyle() const noexcept { return hot_font_style_; }
  void SetHotFontStyle(framework::TFontStyles value) { hot_font_style_ = value; }
  bool TrackCursor() const noexcept { return track_cursor_; }
  void SetTrackCursor(bool value) { track_cursor_ = value; }
  framework::TCursor HotCursor() const noexcept { return hot_cursor_; }
  void SetHotCursor(framework::TCursor value) { hot_cursor_ = value; }

 private:
  bool track_font_color_ = false;
  framework::TColor hot_font_color_ = framework::clHotLight;
  bool track_font_style_ = false;
  framework::TFontStyles hot_font_style_ = framework::fsUnderline;
  bool track_cursor_ = false;
  framework::TCursor hot_cursor_ = framework::crHandPoint;
};

// What a click on a label with a link does.
enum TLinkType : uint8_t {
  ltNone = 0,       // OnClick only
  ltRoutine1 = 1,   // the first link routine
  ltRoutine2 = 2,   // the second link routine
  ltShellOpen = 3,  // the shell opens the link as a file, with no verb and no parameters
};

// The routines that links of types 1 and 2 call with their link text; unset by default.
using TLinkRoutine = void (*)(const std::wstring& link);
extern TLinkRoutine LinkRoutine1;
extern TLinkRoutine LinkRoutine2;

// Caption orientation: horizontal, or turned a quarter turn to read upwards or downwards.
enum TTextOrientation : uint8_t { toHorizontal = 0, toUpwards = 1, toDownwards = 2 };

class TXPCustomLabel : public framework::TLabel {
 public:
  explicit TXPCustomLabel(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const framework::TBitmap& Glyph() const noexcept { return glyph_; }
  void SetGlyph(const framework::TBitmap& glyph);
  // The grey copy of the glyph shown while the label is disabled.
  const framework::TBitmap& DisabledGlyph() const noexcept { return disabled_glyph_; }
  // Plain greyscale for the disabled glyph (and the embossed disabled text); false: light grey.
  bool GreyscaleDisabledGlyph() const noexcept { return greyscale_disabled_glyph_; }
  void SetGreyscaleDisabledGlyph(bool value);
  TXPHotTrack& HotTrack() noexcept { return hot_track_; }

  const std::wstring& Link() const noexcept { return link_; }
  void SetLink(const std::wstring& link) { link_ = link; }
  uint8_t LinkType() const noexcept { return link_type_; }
  void SetLinkType(uint8_t type) { link_type_ = type; }

  uint8_t TextOrientation() const noexcept { return text_orientation_; }
  void SetTextOrientation(uint8_t value);
  bool SmoothText() const noexcept { return smooth_text_; }
  void SetSmoothText(bool value);
  // The label takes the size of its glyph and caption whenever either changes.
  bool AutoSize() const noexcept { return auto_size_; }
  void SetAutoSize(bool value);
  // False: "&" is an ordinary character instead of marking the hot key.
  bool ShowAccelChar() const noexcept { return show_accel_char_; }
  void SetShowAccelChar(bool value);

  // Follows the link by its type; nothing without a link.
  virtual void LinkClick();
  void WndProc(framework::TMessage& message) override;

 protected:
  void Click() override;
  // Besides caption and state, the action's image becomes the glyph.
  void ActionChange(framework::TCustomAction& action) override;
  void Paint() override;
  void Loaded() override;

 private:
  struct Placement {
    RECT glyph;
    RECT text;
  };
  TextLayout LabelTextLayout() const;
  COLORREF TextColour() const;
  // Where glyph and caption go in a client area of that size (text measured in `dc`).
  Placement Place(HDC dc, int width, int height);
  SIZE ContentSize(HDC dc);
  void AdjustBounds();
  void RebuildDisabledGlyph();
  void EnterHot();
  void LeaveHot();
  void RememberFont();
  void RememberCursor();

  framework::TBitmap glyph_;
  framework::TBitmap disabled_glyph_{0, 0, framework::TPixelFormat::pf32bit};
  TXPHotTrack hot_track_;
  std::wstring link_;
  uint8_t link_type_ = ltNone;
  bool greyscale_disabled_glyph_ = true;
  uint8_t text_orientation_ = toHorizontal;
  bool smooth_text_ = false;
  bool auto_size_ = true;
  bool show_accel_char_ = true;
  // While the label itself changes font or cursor for hovering, it saves nothing.
  bool applying_hot_track_ = false;
  // The hot look is showing.
  bool hot_ = false;
  bool font_changed_while_hot_ = false;
  framework::TColor saved_font_color_;
  framework::TFontStyles saved_font_style_;
  bool saved_parent_font_;
  framework::TCursor saved_cursor_;
};

}  // namespace controls
