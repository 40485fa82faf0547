// What the own-drawn controls draw and do alike: captions with their accelerator, the greyed text
// of a disabled control in each paint style, frames of the state skins, accelerator matching,
// and the press of a button-like control by the mouse, Space, BM_CLICK or its accelerator.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/controls.h"
#include "controls/alpha_image.h"

namespace controls {

// The look of a control in the skins, in the order of their frames.
enum class TXPState { Normal, Hot, Pressed, Disabled };
// Disabled, pressed, under the mouse or normal, in that precedence.
TXPState ControlLook(const framework::TControl& control, bool pressed);

// The caption's extent on one line, "&" marking the accelerator.
SIZE MeasureCaption(HDC dc, const std::wstring& caption);
// Draws the caption with its accelerator underlined (`format`: DrawText alignment bits): in
// `colour` when enabled, else greyed as the paint style greys text.
void DrawCaption(HDC dc, const RECT& rect, const std::wstring& caption, bool enabled,
                 COLORREF colour, UINT format);
// Whether `key` is the caption's accelerator (the character after a single "&"), case ignored.
bool IsAccel(wchar_t key, const std::wstring& caption);

// Draws frame `index` of a skin whose `count` frames are stacked from the top, stretched into
// `rect` with borders of `margin` pixels kept as they are, blended by its alpha.
void DrawSkinFrame(HDC dc, const RECT& rect, const TAlphaImage& skin, int index, int count,
                   int margin);

// Selects a font into a DC for one scope.
class SelectedFont {
 public:
  SelectedFont(HDC dc, HFONT font) : dc_(dc), old_(SelectObject(dc, font)) {}
  ~SelectedFont() { SelectObject(dc_, old_); }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The press of a button-like control. The mouse press ends in the framework's own click (the
// button released over the control); Space released, BM_CLICK and the accelerator run `click`.
class TPressTracker {
 public:
  bool Pressed() const noexcept { return pressed_; }
  // Follows the message; `redraw` runs when the look changes. True when the message is done.
  bool Handle(framework::TWinControl& control, framework::TMessage& message,
              const std::function<void()>& click, const std::function<void()>& redraw);

 private:
  void SetPressed(bool pressed, const std::function<void()>& redraw);
  bool pressed_ = false;
  bool space_down_ = false;
};

// A skin of the module, loaded at its first use and kept until unload.
const TAlphaImage& Skin(const wchar_t* name);

}  // namespace controls
