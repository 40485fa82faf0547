// Bitmaps, metafiles and pictures.
#include "framework/picture.h"

#include <algorithm>
#include <cstring>

namespace framework {

namespace {

constexpr int kMaxBitmapSide = 32768;
constexpr int64_t kMaxBitmapPixels = 64ll * 1024 * 1024;
// Any picture may take this much memory; a larger one only a bounded multiple of its stored
// bytes, so that a few bytes of compressed or run-length data cannot claim hundreds of MB.
constexpr int64_t kPictureMemoryFloor = 16ll * 1024 * 1024;
constexpr int64_t kMaxPictureExpansion = 64;
// Between the file header and the pixels: the largest info header, three colour masks and a
// full colour table.
constexpr uint32_t kMaxBitmapHeaderBytes = sizeof(BITMAPV5HEADER) + 3 * 4 + 256 * sizeof(RGBQUAD);

int Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// The bytes the system reads after the info header: colour masks and colour table.
int64_t ColourTableEnd(const BITMAPINFOHEADER& h) {
  const int64_t masks = h.biCompression == BI_BITFIELDS ? 3 * 4 : 0;
  const int64_t colours = h.biClrUsed         ? std::min<int64_t>(h.biClrUsed, 256)
                          : h.biBitCount <= 8 ? int64_t{1} << h.biBitCount
                                              : 0;
  return std::max<int64_t>(h.biSize, sizeof(BITMAPINFOHEADER) + masks) +
         colours * int64_t{sizeof(RGBQUAD)};
}

bool SupportedFormat(const BITMAPINFOHEADER& h) {
  switch (h.biCompression) {
    case BI_RGB:
      return h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 16 ||
             h.biBitCount == 24 || h.biBitCount == 32;
    case BI_RLE8: return h.biBitCount == 8;
    case BI_RLE4: return h.biBitCount == 4;
    case BI_BITFIELDS: return h.biBitCount == 16 || h.biBitCount == 32;
  }
  return false;
}

// `count` bytes, read in pieces: a stated size beyond the bytes present costs no more memory
// than those bytes before EReadError.
std::vector<uint8_t> ReadBytes(TStream& stream, size_t count) {
  constexpr size_t kPiece = 1 << 20;
  std::vector<uint8_t> bytes;
  while (bytes.size() < count) {
    const size_t at = bytes.size();
    bytes.resize(at + std::min(count - at, kPiece));
    stream.ReadBuffer(bytes.data() + at, static_cast<int32_t>(bytes.size() - at));
  }
  return bytes;
}

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace

int64_t PictureMemoryBudget(int64_t stored_bytes) {
  return std::max(kPictureMemoryFloor, kMaxPictureExpansion * std::max<int64_t>(stored_bytes, 0));
}

void TGraphic::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TGraphic::SaveToFile(const std::string& path) {
  TFileStream file(path, fmCreate);
  SaveToStream(file);
}

void TGraphic::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed();
}

// One DIB section with the memory DC it stays selected in; copies of a bitmap share it.
struct TBitmap::Image {
  Image(int width, int height, int bits) : width(width), height(height), bits_per_pixel(bits) {
    dc.reset(CreateCompatibleDC(nullptr));
    if (!dc) throw EOutOfResources("Cannot create a memory device context");
    if (width <= 0 || height <= 0) {
      this->width = this->height = 0;
      return;
    }
    if (width > kMaxBitmapSide || height > kMaxBitmapSide ||
        int64_t{width} * height > kMaxBitmapPixels) {
      throw EInvalidGraphic("Bitmap too large: " + std::to_string(width) + " x " +
                            std::to_string(height));
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as .bmp files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    void* raw = nullptr;
    bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &raw, nullptr, 0));
    if (!bitmap) throw EOutOfResources("Cannot create a bitmap");
    pixels = static_cast<uint8_t*>(raw);
    old_bitmap = SelectObject(dc.get(), bitmap.get());
  }
  ~Image() {
    if (old_bitmap) SelectObject(dc.get(), old_bitmap);
  }
  int Stride() const { return framework::Stride(width, bits_per_pixel); }
  uint8_t* Row(int y) const { return pixels + static_cast<size_t>(height - 1 - y) * Stride(); }

  int width;
  int height;
  int bits_per_pixel;
  uint8_t* pixels = nullptr;
  win::UniqueMemoryDc dc;
  win::UniqueBitmap bitmap;
  HGDIOBJ old_bitmap = nullptr;
};

class TBitmap::BitmapCanvas : public TCanvas {
 public:
  explicit BitmapCanvas(TBitmap& owner) : owner_(owner) {}
  void Attach(HDC dc) { SetHandle(dc); }

 protected:
  void CreateHandle() override { SetHandle(owner_.image_->dc.get()); }
  void BeforeDrawing() override { owner_.MakeOwn(); }

 private:
  TBitmap& owner_;
};

TBitmap::TBitmap() : TBitmap(0, 0) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format)
    : image_(std::make_shared<Image>(width, height, format == TPixelFormat::pf24bit ? 24 : 32)) {}

TBitmap::~TBitmap() { canvas_.reset(); }

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(*this);
  return copy;
}

void TBitmap::Assign(const TBitmap& other) {
  if (&other == this) return;
  if (canvas_) canvas_->Attach(nullptr);
  image_ = other.image_;
  transparent_ = other.transparent_;
  transparent_color_ = other.transparent_color_;
  Changed();
}

int TBitmap::Width() const { return image_->width; }
int TBitmap::Height() const { return image_->height; }

TPixelFormat TBitmap::PixelFormat() const {
  return image_->bits_per_pixel == 24 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit;
}

void TBitmap::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  auto image = std::make_shared<Image>(width, height, image_->bits_per_pixel);
  if (canvas_) canvas_->Attach(nullptr);
  // Keep what fits of the old pixels, as a resized drawing surface should.
  BitBlt(image->dc.get(), 0, 0, std::min(width, Width()), std::min(height, Height()),
         image_->dc.get(), 0, 0, SRCCOPY);
  image_ = std::move(image);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  const int bits = format == TPixelFormat::pf24bit ? 24 : 32;
  if (bits == image_->bits_per_pixel) return;
  auto image = std::make_shared<Image>(Width(), Height(), bits);
  if (canvas_) canvas_->Attach(nullptr);
  BitBlt(image->dc.get(), 0, 0, Width(), Height(), image_->dc.get(), 0, 0, SRCCOPY);
  image_ = std::move(image);
  Changed();
}

void TBitmap::MakeOwn() {
  if (image_.use_count() > 1) {
    auto image = std::make_shared<Image>(Width(), Height(), image_->bits_per_pixel);
    GdiFlush();
    if (image->pixels) {
      std::memcpy(image->pixels, image_->pixels, static_cast<size_t>(image->Stride()) * Height());
    }
    if (canvas_) canvas_->Attach(nullptr);
    image_ = std::move(image);
  }
  if (canvas_ && !canvas_->HandleAllocated()) canvas_->Attach(image_->dc.get());
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<BitmapCanvas>(*this);
  return *canvas_;
}

void* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= Height()) throw EInvalidGraphic("Scan line index out of range");
  MakeOwn();
  GdiFlush();
  return image_->Row(y);
}

const void* TBitmap::ScanLineForReading(int y) const {
  if (y < 0 || y >= Height()) throw EInvalidGraphic("Scan line index out of range");
  GdiFlush();
  return image_->Row(y);
}

HBITMAP TBitmap::Handle() const { return image_->bitmap.get(); }

win::UniqueBitmap TBitmap::DetachedCopy() const {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = Width();
  info.bmiHeader.biHeight = Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(image_->bits_per_pixel);
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  win::UniqueBitmap copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!copy) throw EOutOfResources("Cannot create a bitmap");
  GdiFlush();
  std::memcpy(pixels, image_->pixels, static_cast<size_t>(image_->Stride()) * Height());
  return copy;
}

TColor TBitmap::TransparentColor() const {
  if (transparent_color_ != clDefault || Empty()) return transparent_color_;
  const auto* pixel = static_cast<const uint8_t*>(ScanLineForReading(Height() - 1));
  return pixel[0] << 16 | pixel[1] << 8 | pixel[2];
}

void TBitmap::SetTransparentColor(TColor color) {
  transparent_color_ = color;
  Changed();
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
  HDC dc = canvas.Handle();
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (transparent_) {
    TransparentBlt(dc, rect.left, rect.top, width, height, image_->dc.get(), 0, 0, Width(),
                   Height(), ColorToRGB(TransparentColor()));
    return;
  }
  const int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, rect.left, rect.top, width, height, image_->dc.get(), 0, 0, Width(), Height(),
             SRCCOPY);
  SetStretchBltMode(dc, old_mode);
}

void TBitmap::LoadFromStream(TStream& stream) {
  LoadBitmapFile(stream, PictureMemoryBudget(stream.Size() - stream.Position()));
}

void TBitmap::LoadBitmapFile(TStream& stream, int64_t max_bytes) {
  std::vector<uint8_t> header;  // from the info header to the pixels
  std::vector<uint8_t> bits;
  try {
    BITMAPFILEHEADER file{};
    stream.ReadBuffer(&file, sizeof file);
    if (file.bfType != 0x4D42) throw EInvalidGraphic("Not a bitmap: the file lacks \"BM\"");
    DWORD header_size = 0;
    stream.ReadBuffer(&header_size, sizeof header_size);
    if (header_size < sizeof(BITMAPINFOHEADER) || header_size > sizeof(BITMAPV5HEADER) ||
        file.bfOffBits < sizeof file + header_size ||
        file.bfOffBits > sizeof file + kMaxBitmapHeaderBytes) {
      throw EInvalidGraphic("Bitmap header is damaged");
    }
    header.resize(file.bfOffBits - sizeof file);
    std::memcpy(header.data(), &header_size, sizeof header_size);
    stream.ReadBuffer(header.data() + sizeof header_size,
                      static_cast<int32_t>(header.size() - sizeof header_size));
    BITMAPINFOHEADER info;
    std::memcpy(&info, header.data(), sizeof info);
    const int64_t height = info.biHeight < 0 ? -int64_t{info.biHeight} : info.biHeight;
    if (info.biWidth <= 0 || height <= 0 || info.biWidth > kMaxBitmapSide ||
        height > kMaxBitmapSide || info.biPlanes != 1) {
      throw EInvalidGraphic("Bitmap size is invalid");
    }
    if (!SupportedFormat(info)) throw EInvalidGraphic("Bitmap format is not supported");
    // The system takes every colour the header promises: a table cut short would colour
    // pixels from whatever memory follows it.
    if (ColourTableEnd(info) > static_cast<int64_t>(header.size())) {
      throw EInvalidGraphic("Bitmap colour table is missing or short");
    }
    const bool compressed = info.biCompression == BI_RLE8 || info.biCompression == BI_RLE4;
    const int64_t size =
        compressed ? info.biSizeImage : int64_t{Stride(info.biWidth, info.biBitCount)} * height;
    const int target_bits = info.biBitCount == 32 ? 32 : 24;
    const int64_t memory = int64_t{Stride(info.biWidth, target_bits)} * height;
    if (size <= 0) throw EInvalidGraphic("Bitmap data is invalid");
    if (size > max_bytes || memory > max_bytes) {
      throw EInvalidGraphic("Bitmap too large for its data: " + std::to_string(info.biWidth) +
                            " x " + std::to_string(height));
    }
    bits = ReadBytes(stream, static_cast<size_t>(size));
  } catch (const EReadError&) {
    throw EInvalidGraphic("Bitmap data ends early");
  }
  const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const int target_bits = h.biBitCount == 32 ? 32 : 24;
  auto image = std::make_shared<Image>(h.biWidth, height, target_bits);
  if (h.biBitCount == 32 && h.biCompression == BI_RGB) {
    // Straight copy, so the alpha bytes survive.
    for (int y = 0; y < height; ++y) {
      const int source_row = h.biHeight < 0 ? y : height - 1 - y;
      std::memcpy(image->Row(y), bits.data() + static_cast<size_t>(source_row) * image->Stride(),
                  static_cast<size_t>(image->Stride()));
    }
  } else if (!SetDIBitsToDevice(image->dc.get(), 0, 0, h.biWidth, height, 0, 0, 0, height,
                                bits.data(), info, DIB_RGB_COLORS)) {
    throw EInvalidGraphic("Bitmap format is not supported");
  }
  if (canvas_) canvas_->Attach(nullptr);
  image_ = std::move(image);
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  GdiFlush();
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = Width();
  info.biHeight = Height();
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(image_->bits_per_pixel);
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(image_->Stride() * Height());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  stream.WriteBuffer(&file, sizeof file);
  stream.WriteBuffer(&info, sizeof info);
  if (image_->pixels) stream.WriteBuffer(image_->pixels, static_cast<int32_t>(info.biSizeImage));
}

struct TMetafile::Handle_ {
  explicit Handle_(HENHMETAFILE h) : handle(h) {}
  ~Handle_() { DeleteEnhMetaFile(handle); }
  HENHMETAFILE handle;
};

TMetafile::TMetafile(HENHMETAFILE handle) {
  if (handle) handle_ = std::make_shared<Handle_>(handle);
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
  auto copy = std::make_unique<TMetafile>();
  copy->handle_ = handle_;
  copy->transparent_ = transparent_;
  return copy;
}

HENHMETAFILE TMetafile::Handle() const { return handle_ ? handle_->handle : nullptr; }

int TMetafile::Width() const {
  ENHMETAHEADER header{};
  if (!handle_ || !GetEnhMetaFileHeader(handle_->handle, sizeof header, &header)) return 0;
  return header.rclBounds.right - header.rclBounds.left + 1;
}

int TMetafile::Height() const {
  ENHMETAHEADER header{};
  if (!handle_ || !GetEnhMetaFileHeader(handle_->handle, sizeof header, &header)) return 0;
  return header.rclBounds.bottom - header.rclBounds.top + 1;
}

void TMetafile::Draw(TCanvas& canvas, const RECT& rect) {
  if (handle_) PlayEnhMetaFile(canvas.Handle(), handle_->handle, &rect);
}

void TMetafile::LoadFromStream(TStream& stream) {
  const std::string bytes = stream.ReadRest();
  HENHMETAFILE handle = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                                           reinterpret_cast<const BYTE*>(bytes.data()));
  if (!handle) throw EInvalidGraphic("Not an enhanced metafile");
  handle_ = std::make_shared<Handle_>(handle);
  Changed();
}

void TMetafile::SaveToStream(TStream& stream) {
  if (!handle_) return;
  std::vector<BYTE> bytes(GetEnhMetaFileBits(handle_->handle, 0, nullptr));
  GetEnhMetaFileBits(handle_->handle, static_cast<UINT>(bytes.size()), bytes.data());
  stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

namespace {

struct FileFormat {
  std::string extension;
  std::string description;
  GraphicFactory factory;
};

std::vector<FileFormat>& FileFormats() {
  static std::vector<FileFormat> formats = {
      {"bmp", "Bitmaps", &MakeGraphic<TBitmap>},
      {"emf", "Enhanced metafiles", &MakeGraphic<TMetafile>},
  };
  return formats;
}

std::unique_ptr<TGraphic> GraphicForExtension(const std::string& extension) {
  for (const FileFormat& format : FileFormats()) {
    if (format.extension == extension) return format.factory();
  }
  throw EInvalidGraphic("Unknown picture file extension \"." + extension + "\"");
}

}  // namespace

void RegisterFileFormat(const std::string& extension, const std::string& description,
                        GraphicFactory factory) {
  const std::string key = LowerExtension("." + extension);
  auto& formats = FileFormats();
  std::erase_if(formats, [&](const FileFormat& f) { return f.extension == key; });
  formats.push_back({key, description, factory});
}

void UnregisterGraphicClass(GraphicFactory factory) {
  std::erase_if(FileFormats(), [&](const FileFormat& f) { return f.factory == factory; });
}

std::string GraphicFilter() {
  std::string filter;
  for (const FileFormat& format : FileFormats()) {
    if (!filter.empty()) filter += '|';
    filter += format.description + " (*." + format.extension + ")|*." + format.extension;
  }
  return filter;
}

void TPicture::Assign(const TPicture& other) {
  if (&other == this) return;
  graphic_ = other.graphic_ ? other.graphic_->Clone() : nullptr;
  Changed();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) SetGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::LoadFromFile(const std::string& path) {
  std::unique_ptr<TGraphic> graphic = GraphicForExtension(LowerExtension(path));
  graphic->LoadFromFile(path);
  SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& path) {
  if (graphic_) graphic_->SaveToFile(path);
}

void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  std::string name;
  try {
    stream.ReadBuffer(&length, 1);
    name.resize(length);
    stream.ReadBuffer(name.data(), length);
  } catch (const EReadError&) {
    throw EInvalidGraphic("Picture data ends early");
  }
  if (length == 0) {
    SetGraphic(nullptr);
    return;
  }
  for (const FileFormat& format : FileFormats()) {
    std::unique_ptr<TGraphic> graphic = format.factory();
    if (graphic->ClassName() == name) {
      graphic->ReadData(stream);
      SetGraphic(std::move(graphic));
      return;
    }
  }
  throw EInvalidGraphic("Unknown picture class \"" + name + "\"");
}

void TPicture::WriteData(TStream& stream) {
  const std::string name = graphic_ ? graphic_->ClassName() : "";
  const auto length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  if (graphic_) graphic_->WriteData(stream);
}

}  // namespace framework
