// 32-bit images with a per-pixel alpha channel: the compressed alpha-image stream that the skins
// are stored in, TAlphaBitmap (a graphic that also reads bitmap files, draws blended or with a
// transparent colour, and shares its pixels between copies until one changes), and the lighter
// TAlphaImage that loads a named resource.
//
// The stream: a zlib stream (level 9, so it begins 0x78 0xDA) of a 32-bit length N, then N bytes:
// a 40-byte BITMAPINFOHEADER (32 bits, BI_RGB, positive height) and width x height pixels of
// blue, green, red, alpha, rows bottom-up. Stored colours are plain; in memory they are
// premultiplied by alpha, as the system's alpha blending wants them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/picture.h"
#include "framework/win/handles.h"

namespace controls {

// One 32-bit bottom-up DIB section: the pixels of an image, shared between copies.
class TAlphaBitmapImage {
 public:
  // A blank (all zero) section; width and height must be positive.
  TAlphaBitmapImage(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Handle() const { return section_.get(); }
  // Pixel (x, row) where rows count from the bottom, as stored: blue, green, red, alpha.
  uint8_t* Pixel(int x, int row) const {
    return bits_ + (static_cast<size_t>(row) * width_ + x) * 4;
  }
  size_t ByteSize() const { return static_cast<size_t>(width_) * height_ * 4; }

 private:
  int width_;
  int height_;
  uint8_t* bits_ = nullptr;
  win::UniqueBitmap section_;
};

// Reads the uncompressed block (length, header, pixels) and premultiplies the pixels. Raises
// EInvalidImage for a block that is short, inconsistent or not 32-bit.
std::shared_ptr<TAlphaBitmapImage> ReadAlphaData(std::string_view block);
// The compressed stream of an image, its colours un-premultiplied (rounded up, so that reading it
// gives back every premultiplied pixel exactly).
std::string WriteAlphaStream(const TAlphaBitmapImage& image);
// Inflates a compressed alpha stream and reads its block.
std::shared_ptr<TAlphaBitmapImage> ReadAlphaStream(std::string_view stream);

class TAlphaBitmap : public framework::TGraphic {
 public:
  TAlphaBitmap();
  ~TAlphaBitmap() override;

  std::string ClassName() const override { return "TAlphaBitmap"; }
  // A copy sharing the pixels.
  std::unique_ptr<framework::TGraphic> Clone() const override;

  // Empties the image.
  void Clear();
  // Shares the other's pixels (until one of the two changes them) and its AlphaChannel.
  void Assign(const TAlphaBitmap& source);
  // Converts an opaque bitmap: alpha from the transparent colour (SetTransparent(true)).
  void AssignBitmap(HBITMAP bitmap);
  void AssignBitmap(const framework::TBitmap& bitmap);
  // Plays a metafile over magenta, which then is the transparent colour.
  void AssignMetafile(HENHMETAFILE metafile);
  void AssignMetafile(const framework::TMetafile& metafile);

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Resizes, keeping the pixels that still exist; new pixels are opaque black.
  void SetWidth(int width);
  void SetHeight(int height);
  bool AlphaChannel() const { return alpha_channel_; }
  // For an image without its own alpha: alpha from the colour of the bottom-left pixel (when
  // transparent) or opaque everywhere.
  void SetTransparent(bool value);

  // The three stream forms: compressed alpha stream (0x78 0xDA), bitmap file ("BM"), or a bitmap
  // file behind a 4-byte prefix. Raises EInvalidImage for a broken stream.
  void LoadFromStream(std::string_view stream);
  // The rest of the stream, as above.
  void LoadFromStream(framework::TStream& stream) override;
  // Always the compressed alpha form.
  std::string SaveToStream() const;
  void SaveToStream(framework::TStream& stream) override;
  // The clipboard has no format for alpha images: both raise EInvalidGraphicOperation.
  void LoadFromClipboardFormat();
  void SaveToClipboardFormat() const;

  // Draws part of the image stretched into `dest`: blended with an alpha channel, else leaving
  // out the transparent colour.
  void DrawPart(HDC dc, const RECT& source, const RECT& dest);
  void Draw(HDC dc, const RECT& dest);
  void Draw(framework::TCanvas& canvas, const RECT& dest) override;

  // A memory DC with the image selected, made on first use; the pixels become this image's own.
  HDC Canvas();
  // Releases the canvas and hands out the DIB section (null when empty).
  HBITMAP Handle();
  // True: the pixels become a light grey (alpha kept). False changes nothing.
  void SetGreyed(bool value);

  // While not 0, changes are not passed on to OnChange.
  int lock = 0;

 private:
  void Changed();
  void Install(std::shared_ptr<TAlphaBitmapImage> image, bool alpha_channel);
  void ReleaseCanvas() const;
  void MakePrivate();
  void BuildAlpha();
  void Resize(int width, int height);
  COLORREF KeyColour();

  std::shared_ptr<TAlphaBitmapImage> image_;
  bool alpha_channel_ = true;
  // The DC is a cache: releasing it changes nothing of the image.
  mutable win::UniqueMemoryDc canvas_;
  mutable HGDIOBJ canvas_old_ = nullptr;
};

// An alpha image loaded from a compressed resource (RCDATA) of the module.
class TAlphaImage {
 public:
  TAlphaImage() = default;
  explicit TAlphaImage(const std::wstring& resource_name);
  // Raises EInvalidImage for a missing or broken resource.
  void LoadFromResourceName(const std::wstring& resource_name);
  // Sets the red, green and blue of every pixel of colour `old_colour` to `new_colour`'s.
  void ReplaceColor(COLORREF old_colour, COLORREF new_colour);

  const std::wstring& ResourceName() const { return resource_name_; }
  int Width() const { return image_ ? image_->Width() : 0; }
  int Height() const { return image_ ? image_->Height() : 0; }
  HBITMAP Handle() const { return image_ ? image_->Handle() : nullptr; }
  const TAlphaBitmapImage* Image() const { return image_.get(); }

 private:
  std::shared_ptr<TAlphaBitmapImage> image_;
  std::wstring resource_name_;
};

// Registers TAlphaBitmap as the picture format "img"; the end unregisters it.
void StartAlphaImageUnit();
void EndAlphaImageUnit();

// The bytes of a resource of this module, raising EInvalidImage when it is missing.
std::string_view ModuleResource(const std::wstring& name, const wchar_t* type);

}  // namespace controls
