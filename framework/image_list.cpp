// Image lists.
#include "framework/image_list.h"

#include "framework/persistence.h"

namespace framework {

const TClassInfo& TImageList::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TImageList, TComponent>("TImageList")
                                     .Int("Height", &TImageList::Height, &TImageList::SetHeight, 16)
                                     .Int("Width", &TImageList::Width, &TImageList::SetWidth, 16);
  return info;
}

TImageList::TImageList(TComponent* owner) : TComponent(owner) { Recreate(); }

TImageList::~TImageList() {
  if (dragging_) EndDrag();
  if (handle_) ImageList_Destroy(handle_);
}

void TImageList::Recreate() {
  if (handle_) ImageList_Destroy(handle_);
  handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, 4, 4);
  if (!handle_) throw EOutOfResources("Cannot create an image list");
}

void TImageList::SetWidth(int width) {
  if (width == width_ || width <= 0) return;
  width_ = width;
  Recreate();
  Changed();
}

void TImageList::SetHeight(int height) {
  if (height == height_ || height <= 0) return;
  height_ = height;
  Recreate();
  Changed();
}

int TImageList::Count() const { return ImageList_GetImageCount(handle_); }

int TImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw EComponentError("Image index out of range (" + std::to_string(index) + ")");
  }
  return index;
}

int TImageList::Add(const TBitmap& bitmap) {
  if (bitmap.Height() != height_ || bitmap.Width() < width_) {
    throw EInvalidGraphic("The bitmap does not fit the image list's size");
  }
  const int first = Count();
  win::UniqueBitmap copy = bitmap.DetachedCopy();  // the list selects what it is given
  if (ImageList_Add(handle_, copy.get(), nullptr) < 0) {
    throw EOutOfResources("Cannot add to the image list");
  }
  Changed();
  return first;
}

int TImageList::AddMasked(const TBitmap& bitmap, TColor transparent) {
  if (bitmap.Height() != height_ || bitmap.Width() < width_) {
    throw EInvalidGraphic("The bitmap does not fit the image list's size");
  }
  const int first = Count();
  // The list selects the bitmap and blacks out its masked pixels: it gets a copy of its own.
  win::UniqueBitmap copy = bitmap.DetachedCopy();
  if (ImageList_AddMasked(handle_, copy.get(), ColorToRGB(transparent)) < 0) {
    throw EOutOfResources("Cannot add to the image list");
  }
  Changed();
  return first;
}

void TImageList::Delete(int index) {
  ImageList_Remove(handle_, CheckIndex(index));
  Changed();
}

void TImageList::Clear() {
  ImageList_Remove(handle_, -1);
  Changed();
}

void TImageList::RegisterChanges(const void* owner, std::function<void()> changed) {
  UnRegisterChanges(owner);
  change_links_.emplace_back(owner, std::move(changed));
}

void TImageList::UnRegisterChanges(const void* owner) {
  std::erase_if(change_links_, [owner](const auto& link) { return link.first == owner; });
}

void TImageList::Changed() {
  // A handler may unregister while the list is told.
  const auto links = change_links_;
  for (const auto& link : links) link.second();
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
  IMAGELISTDRAWPARAMS params{};
  params.cbSize = sizeof params;
  params.himl = handle_;
  params.i = CheckIndex(index);
  params.hdcDst = canvas.Handle();
  params.x = x;
  params.y = y;
  params.rgbBk = CLR_NONE;
  params.rgbFg = CLR_NONE;
  params.fStyle = ILD_TRANSPARENT;
  params.fState = enabled ? ILS_NORMAL : ILS_SATURATE;
  ImageList_DrawIndirect(&params);
}

void TImageList::GetBitmap(int index, TBitmap& bitmap) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width_, height_);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect({0, 0, width_, height_});
  Draw(bitmap.Canvas(), 0, 0, index);
}

bool TImageList::BeginDrag(int index, POINT hotspot) {
  if (dragging_) EndDrag();
  dragging_ = ImageList_BeginDrag(handle_, CheckIndex(index), hotspot.x, hotspot.y) != FALSE;
  return dragging_;
}

void TImageList::DragEnter(HWND hwnd, POINT point) {
  if (dragging_) ImageList_DragEnter(hwnd, point.x, point.y);
}

void TImageList::DragMove(POINT point) {
  if (dragging_) ImageList_DragMove(point.x, point.y);
}

void TImageList::DragLeave(HWND hwnd) {
  if (dragging_) ImageList_DragLeave(hwnd);
}

void TImageList::EndDrag() {
  if (!dragging_) return;
  ImageList_EndDrag();
  dragging_ = false;
}

}  // namespace framework
