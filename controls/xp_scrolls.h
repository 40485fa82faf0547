// The own-drawn scroll bar: drawn in the three paint styles, with its own hit testing, thumb
// dragging, auto-repeat of arrow and page clicks, and keyboard. List boxes embed it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/stdctrls.h"
#include "controls/xp_controls.h"
#include "controls/xp_scroll_model.h"

namespace controls {

// OnScroll gets the code and the position it leads to, which the handler may change.
using TScrollEvent = framework::TEvent<framework::TComponent*, TScrollCode, int&>;

// Part states of the skins and the classic drawing.
enum ScrollPartState : uint8_t {
  kStateNormal = 0,
  kStateHot = 1,
  kStatePressed = 2,
  kStateDisabled = 3,
};

class TCustomXPScrollBar : public TXPCustomControl {
 public:
  explicit TCustomXPScrollBar(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TScrollBarKind Kind() const noexcept { return kind_; }
  // Turning the bar swaps its width and height (not while it is being loaded).
  void SetKind(TScrollBarKind kind);
  int Min() const { return model_.Min(); }
  void SetMin(int value) { SetParams(Position(), value, Max()); }
  int Max() const { return model_.Max(); }
  void SetMax(int value) { SetParams(Position(), Min(), value); }
  int PageSize() const { return model_.PageSize(); }
  void SetPageSize(int value);
  int Position() const { return model_.Position(); }
  void SetPosition(int value) { SetParams(value, Min(), Max()); }
  int HighestPosition() const { return model_.HighestPosition(); }
  int SmallChange() const { return model_.SmallChange(); }
  void SetSmallChange(int16_t value) { model_.SetSmallChange(value); }
  int LargeChange() const { return model_.LargeChange(); }
  void SetLargeChange(int16_t value) { model_.SetLargeChange(value); }
  // Part of another control: no edge of its own, and clicks focus the parent.
  bool Embedded() const noexcept { return embedded_; }
  void SetEmbedded(bool value);
  // Sets position and range together; nothing when Max < Min or nothing changes.
  void SetParams(int position, int min, int max);
  // Aligning to the top or bottom makes the bar horizontal, to the left or right vertical.
  void SetAlign(framework::TAlign align);

  uint8_t HotPart() const noexcept { return hot_part_; }
  uint8_t PressedPart() const noexcept { return pressed_part_; }
  const framework::TTimer& RepeatTimer() const noexcept { return repeat_timer_; }
  // Where the parts lie now.
  ScrollLayout CurrentLayout() const;

  framework::TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  void WndProc(framework::TMessage& message) override;

 protected:
  // True skips the visual styles: the bar draws with its skins or classically instead.
  virtual bool SkipThemedDrawing() const { return false; }
  virtual void DrawTrack(HDC dc, const RECT& rect, ScrollPartState state);
  // `glyph_row` is the first of the arrow's four glyphs: up 0, down 4, left 8, right 12.
  virtual void DrawArrow(HDC dc, const RECT& rect, ScrollPartState state, bool first,
                         int glyph_row);
  virtual void DrawThumb(HDC dc, const RECT& rect, ScrollPartState state);
  void Paint() override;
  void CreateParams(framework::TCreateParams& params) override;

 private:
  ScrollPartState StateOf(ScrollPart part) const;
  // The six parts in the classic or the library's look.
  void PaintParts(HDC dc, const ScrollLayout& layout);
  bool PaintThemed(HDC dc, const ScrollLayout& layout);
  // The scroll action of a code: one step, OnScroll, then the new position.
  void ScrollBy(TScrollCode code);
  // Reports a code at the current position; the handler may move the bar.
  void Report(TScrollCode code);
  // The part under the point becomes hot; while an arrow or page is pressed the repeat runs
  // exactly while the point is inside it, starting with one step.
  void UpdateHot(POINT point);
  void ButtonDown(POINT point);
  void ButtonUp(POINT point);
  void MouseMoved(POINT point);
  bool KeyDown(WORD key);

  TScrollBarModel model_;
  TScrollBarKind kind_ = TScrollBarKind::sbHorizontal;
  bool embedded_ = false;
  uint8_t hot_part_ = kPartNone;
  uint8_t pressed_part_ = kPartNone;
  TScrollCode repeat_code_ = scEndScroll;
  int drag_offset_ = 0;
  bool dragged_ = false;
  framework::TTimer repeat_timer_{nullptr};
};

}  // namespace controls
