// A list of images of one size, drawn by index, with the drag image a grid shows while a row
// or column is dragged: the system's image list behind a component.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "framework/classes.h"
#include "framework/picture.h"

namespace framework {

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner);
  ~TImageList() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  // A new size empties the list.
  void SetWidth(int width);
  void SetHeight(int height);
  int Count() const;
  HIMAGELIST Handle() const noexcept { return handle_; }

  // Adds the bitmap cut into images of the list's width; returns the first new index.
  // 32-bit bitmaps keep their alpha; AddMasked sees through `transparent`.
  int Add(const TBitmap& bitmap);
  int AddMasked(const TBitmap& bitmap, TColor transparent);
  void Delete(int index);
  void Clear();
  // Draws image `index` with its top left at (x, y); disabled images are drawn greyed.
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
  // The image as a bitmap of the list's size.
  void GetBitmap(int index, TBitmap& bitmap);

  // Dragging: the image follows the mouse over `hwnd` (screen-relative points) until EndDrag.
  bool BeginDrag(int index, POINT hotspot);
  void DragEnter(HWND hwnd, POINT point);
  void DragMove(POINT point);
  void DragLeave(HWND hwnd);
  void EndDrag();
  bool Dragging() const noexcept { return dragging_; }

  // `changed` runs after each change of the images or their size, until `owner` unregisters.
  void RegisterChanges(const void* owner, std::function<void()> changed);
  void UnRegisterChanges(const void* owner);

 private:
  void Changed();
  std::vector<std::pair<const void*, std::function<void()>>> change_links_;
  void Recreate();
  int CheckIndex(int index) const;
  int width_ = 16;
  int height_ = 16;
  HIMAGELIST handle_ = nullptr;
  bool dragging_ = false;
};

}  // namespace framework
