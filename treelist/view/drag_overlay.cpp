// Drop arrows and drag pictures.
#include "treelist/view/drag_overlay.h"

#include <algorithm>

#include "editors/gdi_scope.h"
#include "framework/picture.h"

namespace treelist {
void DropArrows::Show(const RECT& rect, COLORREF color) {
  if (shown_) Hide();
  const win::WindowDC screen(nullptr);
  if (!screen.get()) return;
  const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
  if (!background_ || size.cx > background_size_.cx || size.cy > background_size_.cy) {
    background_size_ = {std::max(size.cx, background_size_.cx),
                        std::max(size.cy, background_size_.cy)};
    background_.reset(
        CreateCompatibleBitmap(screen.get(), background_size_.cx, background_size_.cy));
  }
  win::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  saved_ = false;
  if (memory && background_) {
    editors::SelectScope keep(memory.get(), background_.get());
    saved_ = BitBlt(memory.get(), 0, 0, size.cx, size.cy, screen.get(), rect.left, rect.top,
                    SRCCOPY) != FALSE;
  }
  rect_ = rect;
  shown_ = true;
  const int l = rect.left, t = rect.top, b = rect.bottom;
  const POINT down[7] = {{l + 5, t + 8}, {l, t + 3},     {l + 3, t + 3}, {l + 3, t},
                         {l + 7, t},     {l + 7, t + 3}, {l + 10, t + 3}};
  const POINT up[7] = {{l + 5, b - 9}, {l + 10, b - 4}, {l + 7, b - 4}, {l + 7, b - 1},
                       {l + 3, b - 1}, {l + 3, b - 4},  {l, b - 4}};
  win::UniqueBrush brush(CreateSolidBrush(color));
  editors::SelectScope pen(screen.get(), GetStockObject(BLACK_PEN));
  editors::SelectScope fill(screen.get(), brush.get());
  Polygon(screen.get(), down, 7);
  Polygon(screen.get(), up, 7);
}

void DropArrows::Hide() {
  if (!shown_) return;
  shown_ = false;
  if (!saved_) return;
  saved_ = false;
  const win::WindowDC screen(nullptr);
  win::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  if (!screen.get() || !memory) return;
  editors::SelectScope keep(memory.get(), background_.get());
  BitBlt(screen.get(), rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top,
         memory.get(), 0, 0, SRCCOPY);
}

void DragPicture::Add(HBITMAP picture, SIZE size, COLORREF mask) {
  if (!list_) {
    list_ = std::make_unique<framework::TImageList>(nullptr);
    list_->SetWidth(size.cx);
    list_->SetHeight(size.cy);
  }
  // The list selects and changes what it is given: a copy of its own.
  win::UniqueBitmap copy(static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, 0)));
  HBITMAP given = copy ? copy.get() : picture;
  if (mask == CLR_NONE) {
    ImageList_Add(list_->Handle(), given, nullptr);
  } else {
    ImageList_AddMasked(list_->Handle(), given, mask);
  }
}

SIZE DragPicture::Size() const noexcept {
  return list_ ? SIZE{list_->Width(), list_->Height()} : SIZE{0, 0};
}

void DragPicture::Begin(POINT screen, POINT hot_spot) {
  if (Empty()) return;
  EndDragging();
  dragging_ = ImageList_BeginDrag(list_->Handle(), list_->Count() - 1, hot_spot.x, hot_spot.y);
  hot_spot_ = hot_spot;
  position_ = screen;
  visible_ = dragging_ && ImageList_DragEnter(GetDesktopWindow(), screen.x, screen.y);
}

void DragPicture::Move(POINT screen) {
  if (!dragging_) return;
  position_ = screen;
  ImageList_DragMove(screen.x, screen.y);
}

void DragPicture::ShowImage(bool show) {
  if (!dragging_ || visible_ == show) return;
  visible_ = show;
  ImageList_DragShowNolock(show);
}

RECT DragPicture::ScreenRect() const noexcept {
  const SIZE size = Size();
  const int left = position_.x - hot_spot_.x, top = position_.y - hot_spot_.y;
  return {left, top, left + size.cx, top + size.cy};
}

void DragPicture::Draw(HDC dc, POINT at) const {
  if (!Empty()) ImageList_Draw(list_->Handle(), 0, dc, at.x, at.y, ILD_NORMAL);
}

void DragPicture::EndDragging() {
  if (!dragging_) return;
  // Ending a drag leaves its picture on the screen: it goes first.
  ImageList_DragLeave(GetDesktopWindow());
  ImageList_EndDrag();
  dragging_ = visible_ = false;
}

void DragPicture::Release() {
  EndDragging();
  list_.reset();
  cursor_ = framework::crDefault;
}

}  // namespace treelist
