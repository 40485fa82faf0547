// Alpha images: the compressed stream, bitmap files, TAlphaBitmap and TAlphaImage.
#include "controls/alpha_image.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/win/module.h"
#include "framework/win/text.h"
#include "controls/graphic_errors.h"
#include "controls/xp_graphics.h"

namespace controls {

namespace {

constexpr uint8_t kZlibFirst = 0x78;
constexpr uint8_t kZlibBestCompression = 0xDA;
constexpr size_t kHeaderSize = sizeof(BITMAPINFOHEADER);
// Larger images than this are no skin: refuse them before allocating.
constexpr uint64_t kMaxPixelBytes = 64ull << 20;
constexpr int kMaxSide = 32767;

[[noreturn]] void Broken(const std::string& what) {
  throw EInvalidImage("Invalid alpha image: " + what);
}

[[noreturn]] void BrokenBitmap(const std::string& what) {
  throw EInvalidImage("Invalid bitmap file: " + what);
}

uint32_t ReadLe32(const char* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Inflates a zlib stream piece by piece, never past what the caller asks for.
class Inflater {
 public:
  explicit Inflater(std::string_view input) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream_.avail_in = static_cast<uInt>(input.size());
    if (inflateInit(&stream_) != Z_OK) Broken("the decompressor could not start");
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Up to `count` bytes; fewer only where the stream ends.
  size_t Read(char* out, size_t count) {
    stream_.next_out = reinterpret_cast<Bytef*>(out);
    stream_.avail_out = static_cast<uInt>(count);
    while (stream_.avail_out > 0 && !ended_) {
      const int result = inflate(&stream_, Z_NO_FLUSH);
      ended_ = result == Z_STREAM_END;
      if (result == Z_BUF_ERROR) Broken("the compressed data is truncated");
      if (result != Z_OK && result != Z_STREAM_END) {
        Broken(std::string("corrupt compressed data (") + (stream_.msg ? stream_.msg : "zlib") +
               ")");
      }
    }
    return count - stream_.avail_out;
  }

 private:
  z_stream stream_{};
  bool ended_ = false;
};

BITMAPINFOHEADER Header32(int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = kHeaderSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(width) * 4 * height;
  return header;
}

COLORREF ResolveColour(COLORREF colour) {
  // The framework's system colours carry 0xFF in the top byte and the index in the low one.
  return (colour >> 24) == 0xFF ? GetSysColor(static_cast<int>(colour & 0xFF)) : colour;
}

uint8_t Premultiplied(uint8_t value, uint8_t alpha) {
  return static_cast<uint8_t>(value * alpha / 255);
}

uint8_t Unpremultiplied(uint8_t value, uint8_t alpha) {
  if (alpha == 0) return value;
  return static_cast<uint8_t>(std::min(255, (value * 255 + alpha - 1) / alpha));
}

// A Windows bitmap file (uncompressed, 1 to 32 bits) drawn into a new 32-bit image. Every offset
// and size the file states is checked against the data before GDI reads it.
std::shared_ptr<TAlphaBitmapImage> ReadBitmapFile(std::string_view file) {
  constexpr size_t kFileHeader = sizeof(BITMAPFILEHEADER);
  if (file.size() < kFileHeader + kHeaderSize) BrokenBitmap("the headers are incomplete");
  if (file.substr(0, 2) != "BM") BrokenBitmap("it does not begin with \"BM\"");
  const uint32_t bits_offset = ReadLe32(file.data() + 10);
  BITMAPINFOHEADER header;
  std::memcpy(&header, file.data() + kFileHeader, kHeaderSize);
  if (header.biSize < kHeaderSize || header.biSize > file.size() - kFileHeader) {
    BrokenBitmap("the header size field points outside the data");
  }
  const int bpp = header.biBitCount;
  const bool bitfields = header.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32);
  if (header.biPlanes != 1 || (header.biCompression != BI_RGB && !bitfields) ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) {
    BrokenBitmap("only uncompressed bitmaps of 1, 4, 8, 16, 24 or 32 bits are read");
  }
  const int width = header.biWidth;
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide) {
    BrokenBitmap("its size " + std::to_string(header.biWidth) + " x " +
                 std::to_string(header.biHeight) + " is not an image size");
  }
  const uint64_t colours = bpp <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << bpp) : 0;
  if (bpp <= 8 && colours > (1u << bpp)) BrokenBitmap("the colour table is too long");
  // Masks follow a 40-byte header; in the longer headers they sit at the same place inside it.
  const size_t masks_bytes = bitfields ? 12 : 0;
  const uint64_t table_start = kFileHeader + header.biSize;
  const uint64_t table_end =
      table_start + (header.biSize == kHeaderSize ? masks_bytes : 0) + colours * 4;
  if (table_end > file.size() ||
      (bitfields && kFileHeader + kHeaderSize + masks_bytes > file.size())) {
    BrokenBitmap("the colour table lies outside the data");
  }
  const uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
  const uint64_t image_bytes = stride * height;
  if (image_bytes > kMaxPixelBytes || bits_offset < table_end ||
      bits_offset + image_bytes > file.size()) {
    BrokenBitmap("the pixels lie outside the data");
  }

  // A plain 40-byte header with masks and colour table, aligned, for GDI.
  std::vector<uint32_t> info((kHeaderSize + masks_bytes + colours * 4) / 4);
  header.biSize = kHeaderSize;
  header.biSizeImage = 0;
  std::memcpy(info.data(), &header, kHeaderSize);
  if (bitfields) std::memcpy(info.data() + 10, file.data() + kFileHeader + kHeaderSize, 12);
  if (colours) {
    std::memcpy(reinterpret_cast<char*>(info.data()) + kHeaderSize + masks_bytes,
                file.data() + table_end - colours * 4, colours * 4);
  }
  auto image = std::make_shared<TAlphaBitmapImage>(width, height);
  const SelectedBitmap target(image->Handle());
  StretchDIBits(target.dc(), 0, 0, width, height, 0, 0, width, height, file.data() + bits_offset,
                reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
  return image;
}

}  // namespace

// ---- The image record and the stream -----------------------------------------------------------

TAlphaBitmapImage::TAlphaBitmapImage(int width, int height) : width_(width), height_(height) {
  const BITMAPINFOHEADER header = Header32(width, height);
  void* bits = nullptr;
  section_.reset(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&header),
                                  DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section_) RaiseOutOfResources();
  bits_ = static_cast<uint8_t*>(bits);
}

std::shared_ptr<TAlphaBitmapImage> ReadAlphaData(std::string_view block) {
  if (block.size() < 4) Broken("the data ends before its length");
  const uint32_t length = ReadLe32(block.data());
  if (length > block.size() - 4) {
    Broken("the stated length " + std::to_string(length) + " exceeds the " +
           std::to_string(block.size() - 4) + " bytes that follow");
  }
  const std::string_view data = block.substr(4, length);
  if (data.size() < kHeaderSize) Broken("the bitmap header is incomplete");
  BITMAPINFOHEADER header;
  std::memcpy(&header, data.data(), kHeaderSize);
  if (header.biSize < kHeaderSize || header.biSize > data.size()) {
    Broken("the header size field points outside the data");
  }
  if (header.biPlanes != 1 || header.biBitCount != 32 || header.biCompression != BI_RGB) {
    Broken("it is not an uncompressed 32-bit image");
  }
  if (header.biWidth <= 0 || header.biWidth > kMaxSide || header.biHeight <= 0 ||
      header.biHeight > kMaxSide) {
    Broken("its size " + std::to_string(header.biWidth) + " x " + std::to_string(header.biHeight) +
           " is not an image size");
  }
  const uint64_t pixel_bytes = static_cast<uint64_t>(header.biWidth) * header.biHeight * 4;
  if (pixel_bytes > kMaxPixelBytes || pixel_bytes > data.size() - header.biSize) {
    Broken("the pixels exceed the data");
  }
  auto image = std::make_shared<TAlphaBitmapImage>(header.biWidth, header.biHeight);
  const auto* in = reinterpret_cast<const uint8_t*>(data.data() + header.biSize);
  uint8_t* out = image->Pixel(0, 0);
  for (uint64_t i = 0; i < pixel_bytes; i += 4) {
    const uint8_t alpha = in[i + 3];
    out[i] = Premultiplied(in[i], alpha);
    out[i + 1] = Premultiplied(in[i + 1], alpha);
    out[i + 2] = Premultiplied(in[i + 2], alpha);
    out[i + 3] = alpha;
  }
  return image;
}

std::shared_ptr<TAlphaBitmapImage> ReadAlphaStream(std::string_view stream) {
  Inflater inflater(stream);
  std::string block(4, '\0');
  block.resize(inflater.Read(block.data(), 4));
  if (block.size() < 4) return ReadAlphaData(block);
  const uint32_t length = ReadLe32(block.data());
  if (length > kMaxPixelBytes + kHeaderSize) {
    Broken("the stated length " + std::to_string(length) + " is larger than any image");
  }
  // In pieces: a stream that claims much and holds little fails before much is allocated.
  constexpr size_t kPiece = 1 << 16;
  while (block.size() < 4 + static_cast<size_t>(length)) {
    const size_t start = block.size();
    const size_t count = std::min(kPiece, 4 + static_cast<size_t>(length) - start);
    block.resize(start + count);
    const size_t got = inflater.Read(block.data() + start, count);
    if (got < count) {
      block.resize(start + got);
      break;
    }
  }
  return ReadAlphaData(block);
}

std::string WriteAlphaStream(const TAlphaBitmapImage& image) {
  GdiFlush();
  const BITMAPINFOHEADER header = Header32(image.Width(), image.Height());
  const auto length = static_cast<uint32_t>(kHeaderSize + image.ByteSize());
  std::string block(4 + length, '\0');
  std::memcpy(block.data(), &length, 4);
  std::memcpy(block.data() + 4, &header, kHeaderSize);
  auto* out = reinterpret_cast<uint8_t*>(block.data() + 4 + kHeaderSize);
  const uint8_t* in = image.Pixel(0, 0);
  for (size_t i = 0; i < image.ByteSize(); i += 4) {
    const uint8_t alpha = in[i + 3];
    out[i] = Unpremultiplied(in[i], alpha);
    out[i + 1] = Unpremultiplied(in[i + 1], alpha);
    out[i + 2] = Unpremultiplied(in[i + 2], alpha);
    out[i + 3] = alpha;
  }
  uLongf size = compressBound(static_cast<uLong>(block.size()));
  std::string stream(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(stream.data()), &size,
                reinterpret_cast<const Bytef*>(block.data()), static_cast<uLong>(block.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw EOutOfResources("The alpha image could not be compressed");
  }
  stream.resize(size);
  return stream;
}

// ---- TAlphaBitmap ------------------------------------------------------------------------------

TAlphaBitmap::TAlphaBitmap() = default;

TAlphaBitmap::~TAlphaBitmap() { ReleaseCanvas(); }

void TAlphaBitmap::Changed() {
  if (lock == 0) TGraphic::Changed();
}

std::unique_ptr<framework::TGraphic> TAlphaBitmap::Clone() const {
  auto copy = std::make_unique<TAlphaBitmap>();
  copy->Assign(*this);
  return copy;
}

void TAlphaBitmap::ReleaseCanvas() const {
  if (!canvas_) return;
  SelectObject(canvas_.get(), canvas_old_);
  canvas_.reset();
}

void TAlphaBitmap::Install(std::shared_ptr<TAlphaBitmapImage> image, bool alpha_channel) {
  ReleaseCanvas();
  image_ = std::move(image);
  alpha_channel_ = alpha_channel;
}

void TAlphaBitmap::Clear() {
  Install(nullptr, alpha_channel_);
  Changed();
}

void TAlphaBitmap::Assign(const TAlphaBitmap& source) {
  if (&source == this) return;
  // The shared section may be selected in no DC: both must reach it.
  source.ReleaseCanvas();
  GdiFlush();
  Install(source.image_, source.alpha_channel_);
  transparent_ = source.transparent_;
  Changed();
}

void TAlphaBitmap::AssignBitmap(HBITMAP bitmap) {
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
    throw EInvalidGraphicOperation("The bitmap to convert is empty or invalid");
  }
  Install(std::make_shared<TAlphaBitmapImage>(info.bmWidth, info.bmHeight), false);
  {
    const SelectedBitmap source(bitmap);
    BitBlt(Canvas(), 0, 0, info.bmWidth, info.bmHeight, source.dc(), 0, 0, SRCCOPY);
  }
  SetTransparent(true);
}

void TAlphaBitmap::AssignBitmap(const framework::TBitmap& bitmap) {
  // A copy that no DC holds: the bitmap's own section may be selected in its canvas.
  const win::UniqueBitmap copy = bitmap.DetachedCopy();
  AssignBitmap(copy.get());
}

void TAlphaBitmap::AssignMetafile(const framework::TMetafile& metafile) {
  AssignMetafile(metafile.Handle());
}

void TAlphaBitmap::AssignMetafile(HENHMETAFILE metafile) {
  ENHMETAHEADER header{};
  if (!GetEnhMetaFileHeader(metafile, sizeof header, &header)) {
    throw EInvalidGraphicOperation("The metafile to convert is invalid");
  }
  const int width = header.rclBounds.right - header.rclBounds.left + 1;
  const int height = header.rclBounds.bottom - header.rclBounds.top + 1;
  if (width <= 0 || height <= 0) throw EInvalidGraphicOperation("The metafile is empty");
  Install(std::make_shared<TAlphaBitmapImage>(width, height), false);
  const HDC dc = Canvas();
  const win::UniqueBrush magenta(CreateSolidBrush(RGB(255, 0, 255)));
  const RECT all = {0, 0, width, height};
  FillRect(dc, &all, magenta.get());
  PlayEnhMetaFile(dc, metafile, &all);
  SetTransparent(true);
}

bool TAlphaBitmap::Empty() const {
  return !image_ || image_->Width() == 0 || image_->Height() == 0;
}
int TAlphaBitmap::Width() const { return image_ ? image_->Width() : 0; }
int TAlphaBitmap::Height() const { return image_ ? image_->Height() : 0; }

void TAlphaBitmap::Resize(int width, int height) {
  if (width <= 0 || height <= 0) {
    Install(nullptr, alpha_channel_);
    return;
  }
  auto resized = std::make_shared<TAlphaBitmapImage>(width, height);
  if (!image_) {
    Install(std::move(resized), alpha_channel_);
    return;
  }
  GdiFlush();
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      uint8_t* out = resized->Pixel(x, row);
      if (x < image_->Width() && row < image_->Height()) {
        std::memcpy(out, image_->Pixel(x, row), 4);
      } else {
        out[3] = 255;  // opaque black
      }
    }
  }
  Install(std::move(resized), alpha_channel_);
}

void TAlphaBitmap::SetWidth(int width) {
  if (width == Width()) return;
  Resize(width, Empty() ? std::max(Height(), 1) : Height());
  Changed();
}

void TAlphaBitmap::SetHeight(int height) {
  if (height == Height()) return;
  Resize(Empty() ? std::max(Width(), 1) : Width(), height);
  Changed();
}

void TAlphaBitmap::MakePrivate() {
  if (image_ && image_.use_count() > 1) Resize(image_->Width(), image_->Height());
}

COLORREF TAlphaBitmap::KeyColour() {
  GdiFlush();
  const uint8_t* p = image_->Pixel(0, 0);  // column 0 of the last row on screen
  return RGB(p[2], p[1], p[0]);
}

void TAlphaBitmap::SetTransparent(bool value) {
  transparent_ = value;  // the framework's setting, notified with the new alpha
  BuildAlpha();
  Changed();
}

void TAlphaBitmap::BuildAlpha() {
  if (alpha_channel_ || Empty()) return;
  MakePrivate();
  const COLORREF key = KeyColour();
  for (int row = 0; row < image_->Height(); ++row) {
    for (int x = 0; x < image_->Width(); ++x) {
      uint8_t* p = image_->Pixel(x, row);
      const bool is_key = transparent_ && RGB(p[2], p[1], p[0]) == key;
      p[3] = is_key ? 0 : 255;
    }
  }
}

void TAlphaBitmap::LoadFromStream(std::string_view stream) {
  if (stream.size() < 2) Broken("the stream has fewer than two bytes");
  if (static_cast<uint8_t>(stream[0]) == kZlibFirst &&
      static_cast<uint8_t>(stream[1]) == kZlibBestCompression) {
    Install(ReadAlphaStream(stream), true);
    Changed();
    return;
  }
  if (stream.substr(0, 2) != "BM") {
    if (stream.size() < 4) Broken("the stream ends inside its 4-byte prefix");
    stream.remove_prefix(4);
  }
  Install(ReadBitmapFile(stream), false);
  SetTransparent(true);
}

void TAlphaBitmap::LoadFromStream(framework::TStream& stream) { LoadFromStream(stream.ReadRest()); }

void TAlphaBitmap::SaveToStream(framework::TStream& stream) { stream.WriteString(SaveToStream()); }

std::string TAlphaBitmap::SaveToStream() const {
  if (!image_) throw EInvalidGraphicOperation("An empty alpha image cannot be saved");
  return WriteAlphaStream(*image_);
}

void TAlphaBitmap::LoadFromClipboardFormat() {
  throw EInvalidGraphicOperation("Clipboard does not support alpha images");
}

void TAlphaBitmap::SaveToClipboardFormat() const {
  throw EInvalidGraphicOperation("Clipboard does not support alpha images");
}

void TAlphaBitmap::DrawPart(HDC dc, const RECT& source, const RECT& dest) {
  if (Empty()) return;
  SetStretchBltMode(dc, HALFTONE);
  // Drawing changes no pixel: a shared image is drawn through a DC of its own, not copied.
  std::optional<SelectedBitmap> selected;
  if (!canvas_) selected.emplace(image_->Handle());
  const HDC image_dc = canvas_ ? canvas_.get() : selected->dc();
  if (alpha_channel_) {
    AlphaStretchDraw(dc, dest, image_dc, source);
  } else {
    TransparentStretchDraw(dc, dest, KeyColour(), image_dc, source);
  }
}

void TAlphaBitmap::Draw(HDC dc, const RECT& dest) { DrawPart(dc, {0, 0, Width(), Height()}, dest); }

void TAlphaBitmap::Draw(framework::TCanvas& canvas, const RECT& dest) {
  Draw(canvas.Handle(), dest);
}

HDC TAlphaBitmap::Canvas() {
  if (Empty()) return nullptr;
  MakePrivate();
  if (!canvas_) {
    canvas_.reset(CreateCompatibleDC(nullptr));
    if (!canvas_) RaiseOutOfResources();
    canvas_old_ = SelectObject(canvas_.get(), image_->Handle());
  }
  return canvas_.get();
}

HBITMAP TAlphaBitmap::Handle() {
  ReleaseCanvas();
  return image_ ? image_->Handle() : nullptr;
}

void TAlphaBitmap::SetGreyed(bool value) {
  if (!value || Empty()) return;
  MakePrivate();
  GdiFlush();
  for (int row = 0; row < image_->Height(); ++row) {
    for (int x = 0; x < image_->Width(); ++x) {
      uint8_t* p = image_->Pixel(x, row);
      const uint8_t alpha = p[3];
      if (alpha == 0) continue;
      // Greyed on the plain colour, then premultiplied again: a grey brighter than the pixel's
      // alpha would overflow the blend.
      const int red = Unpremultiplied(p[2], alpha);
      const int green = Unpremultiplied(p[1], alpha);
      const int blue = Unpremultiplied(p[0], alpha);
      const int grey = (77 * red + 151 * green + 28 * blue) >> 8;  // at most 255
      // A grey's lightness is its value: halfway to white.
      const auto light = static_cast<uint8_t>(255 - ((255 - grey) >> 1));
      p[0] = p[1] = p[2] = Premultiplied(light, alpha);
    }
  }
  Changed();
}

// ---- The picture format ------------------------------------------------------------------------

void StartAlphaImageUnit() {
  framework::RegisterFileFormat("img", "Compressed bitmaps with alpha channel",
                                &framework::MakeGraphic<TAlphaBitmap>);
}

void EndAlphaImageUnit() {
  framework::UnregisterGraphicClass(&framework::MakeGraphic<TAlphaBitmap>);
}

// ---- TAlphaImage -------------------------------------------------------------------------------

std::string_view ModuleResource(const std::wstring& name, const wchar_t* type) {
  const HMODULE module = win::ThisModule();
  const HRSRC found = FindResourceW(module, name.c_str(), type);
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw EInvalidImage("Resource \"" + win::Narrow(name) + "\" not found");
  return {static_cast<const char*>(data), SizeofResource(module, found)};
}

TAlphaImage::TAlphaImage(const std::wstring& resource_name) { LoadFromResourceName(resource_name); }

void TAlphaImage::LoadFromResourceName(const std::wstring& resource_name) {
  resource_name_ = resource_name;
  image_.reset();
  const std::string_view stream = ModuleResource(resource_name, RT_RCDATA);
  try {
    image_ = ReadAlphaStream(stream);
  } catch (const EInvalidImage& e) {
    throw EInvalidImage("Resource \"" + win::Narrow(resource_name) + "\": " + e.what());
  }
}

void TAlphaImage::ReplaceColor(COLORREF old_colour, COLORREF new_colour) {
  if (!image_) return;
  old_colour = ResolveColour(old_colour);
  new_colour = ResolveColour(new_colour);
  GdiFlush();
  for (int row = 0; row < image_->Height(); ++row) {
    for (int x = 0; x < image_->Width(); ++x) {
      uint8_t* p = image_->Pixel(x, row);
      if (RGB(p[2], p[1], p[0]) != old_colour) continue;
      p[0] = GetBValue(new_colour);
      p[1] = GetGValue(new_colour);
      p[2] = GetRValue(new_colour);
    }
  }
}

}  // namespace controls
