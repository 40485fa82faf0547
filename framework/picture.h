// Images: the TGraphic interface, DIB-section bitmaps with direct pixel access, enhanced
// metafiles, and TPicture, which holds any registered kind and picks it by file extension.
// Copies of a bitmap share one image until one of them is changed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/canvas.h"
#include "framework/exception.h"
#include "framework/streams.h"

namespace framework {

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  // The name a picture stores with the image's data.
  virtual std::string ClassName() const = 0;
  // A copy sharing what can be shared.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  // Draws into `rect` of the canvas, whose pen, brush and font are already selected.
  virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
  // Reads the image's file form at the stream's position; EInvalidGraphic when it is not one.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // The graphic's data inside a picture's stored form (a form description's Picture.Data): its
  // file form, unless a kind stores itself otherwise there.
  virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
  virtual void WriteData(TStream& stream) { SaveToStream(stream); }
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool transparent);
  std::function<void()> OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange();
  }
  bool transparent_ = false;
};

enum class TPixelFormat { pfDevice, pf24bit, pf32bit };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf32bit);
  ~TBitmap() override;

  std::string ClassName() const override { return "TBitmap"; }
  std::unique_ptr<TGraphic> Clone() const override;
  void Assign(const TBitmap& other);
  int Width() const override;
  int Height() const override;
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  // pfDevice reads as the 32-bit form it is made with.
  TPixelFormat PixelFormat() const;
  void SetPixelFormat(TPixelFormat format);
  void Draw(TCanvas& canvas, const RECT& rect) override;
  // A .bmp file of any bit depth; it becomes 32-bit when the file is, else 24-bit.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  // Draws on the bitmap; using it makes the image this bitmap's own.
  TCanvas& Canvas();
  // The pixels of row `y` counted from the top: BGR or BGRA bytes. Makes the image its own.
  void* ScanLine(int y);
  // Row `y` without taking a private copy, for reading.
  const void* ScanLineForReading(int y) const;
  HBITMAP Handle() const;
  // A DIB section with the same pixels that no DC holds: for system calls that select the
  // bitmap themselves (image lists, the clipboard).
  win::UniqueBitmap DetachedCopy() const;
  // The colour Transparent draws see through: the bottom-left pixel unless set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  // Whether two bitmaps still share one image (copy on write).
  bool SharesImageWith(const TBitmap& other) const { return image_ && image_ == other.image_; }

 protected:
  // A .bmp file whose pixel data, and whose image once read, take at most `max_bytes`; every
  // size and offset in it is checked against the bytes present before use.
  void LoadBitmapFile(TStream& stream, int64_t max_bytes);

 private:
  struct Image;
  class BitmapCanvas;
  void MakeOwn();
  std::shared_ptr<Image> image_;
  std::unique_ptr<BitmapCanvas> canvas_;
  TColor transparent_color_ = clDefault;
};

// An enhanced metafile: recorded drawing, replayed at any size.
class TMetafile : public TGraphic {
 public:
  TMetafile() = default;
  // Adopts the metafile handle.
  explicit TMetafile(HENHMETAFILE handle);
  std::string ClassName() const override { return "TMetafile"; }
  std::unique_ptr<TGraphic> Clone() const override;
  int Width() const override;
  int Height() const override;
  void Draw(TCanvas& canvas, const RECT& rect) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  HENHMETAFILE Handle() const;

 private:
  struct Handle_;
  std::shared_ptr<Handle_> handle_;
};

// The memory a picture stored in `stored_bytes` may take: 16 MB for any picture, or 64 times
// its stored size when that is more.
int64_t PictureMemoryBudget(int64_t stored_bytes);

using GraphicFactory = std::unique_ptr<TGraphic> (*)();

// The factory of a graphic kind: one address per kind, so that a unit can register or unregister
// a kind it did not define (the framework's plain bitmap).
template <class Graphic>
std::unique_ptr<TGraphic> MakeGraphic() {
  return std::make_unique<Graphic>();
}

// Adds a file extension ("bmp", without the dot) read by the graphic kind `factory` makes.
// A later registration of the same extension replaces the earlier one.
void RegisterFileFormat(const std::string& extension, const std::string& description,
                        GraphicFactory factory);
// Removes every extension of that kind.
void UnregisterGraphicClass(GraphicFactory factory);
// "Bitmaps (*.bmp)|*.bmp|..." for the open and save dialogs.
std::string GraphicFilter();

// Any image: the kind comes from the file extension or the stored class name.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture& other) { Assign(other); }
  TPicture& operator=(const TPicture& other) {
    Assign(other);
    return *this;
  }
  void Assign(const TPicture& other);

  TGraphic* Graphic() const noexcept { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // The bitmap (of any bitmap kind), made empty first when the picture holds none.
  TBitmap& Bitmap();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // EInvalidGraphic naming the extension when no registered kind reads it.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);
  // The form of a picture inside a form description: class name, then the graphic's data as
  // that class stores it; reading finds the class among the registered kinds.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace framework
