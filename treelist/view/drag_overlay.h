// What a drag draws over the screen: the two insertion arrows, painted on the desktop over a
// saved copy of what they cover, and the drag picture that follows the mouse with its cursor.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/controls.h"
#include "framework/image_list.h"
#include "framework/win/handles.h"

namespace treelist {

// The insertion arrows, 11 pixels wide: one pointing down at the top of their rectangle, one
// pointing up at its bottom. Hiding puts back exactly the pixels of the rectangle they were
// shown at; when the screen could not be read (no display), hiding restores nothing.
class DropArrows {
 public:
  static constexpr int kWidth = 11;
  // The rectangle's height for an item of `item_height` pixels: room for both arrows.
  static int HeightFor(int item_height) noexcept { return item_height + 18; }

  void Show(const RECT& screen_rect, COLORREF color);
  void Hide();
  bool Shown() const noexcept { return shown_; }
  const RECT& Rect() const noexcept { return rect_; }

 private:
  win::UniqueBitmap background_;  // grows, never shrinks
  SIZE background_size_{};
  RECT rect_{};
  bool shown_ = false;
  bool saved_ = false;
};

// The picture dragged over the desktop with its hot spot, and the cursor chosen for it.
class DragPicture {
 public:
  DragPicture() = default;
  DragPicture(const DragPicture&) = delete;
  DragPicture& operator=(const DragPicture&) = delete;
  ~DragPicture() { Release(); }

  // Adds `picture` (transparent where it has `mask`; CLR_NONE: opaque), making the list with its
  // size.
  void Add(HBITMAP picture, SIZE size, COLORREF mask);
  bool Empty() const noexcept { return !list_ || list_->Count() == 0; }
  SIZE Size() const noexcept;

  // Shows the last picture over the desktop at `screen` with `hot_spot` under the cursor.
  void Begin(POINT screen, POINT hot_spot);
  void Move(POINT screen);
  // Hides or shows it again where it is (around drawing under it).
  void ShowImage(bool show);
  bool Dragging() const noexcept { return dragging_; }
  bool Visible() const noexcept { return dragging_ && visible_; }
  POINT HotSpot() const noexcept { return hot_spot_; }
  POINT Position() const noexcept { return position_; }
  // The screen rectangle the picture covers now.
  RECT ScreenRect() const noexcept;
  // Ends the drag and frees the pictures.
  void Release();
  // Draws the picture onto `dc` with its top left at `at`.
  void Draw(HDC dc, POINT at) const;

  framework::TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(framework::TCursor cursor) noexcept { cursor_ = cursor; }

 private:
  // Takes the picture off the screen and ends the drag, when one runs.
  void EndDragging();

  std::unique_ptr<framework::TImageList> list_;
  bool dragging_ = false;
  bool visible_ = false;
  POINT hot_spot_{};
  POINT position_{};
  framework::TCursor cursor_ = framework::crDefault;
};

}  // namespace treelist
