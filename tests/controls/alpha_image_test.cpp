#include "controls/alpha_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "alpha_image_fuzz.h"
#include "framework/picture.h"
#include "framework/streams.h"
#include "support/test_paths.h"
#include "controls/graphic_errors.h"
#include "controls/xp_bitmap_utils.h"
#include "steps.h"
#include "surface.h"

namespace {

using controls::TAlphaBitmap;
using xptest::AlphaBlock;
using xptest::Colours;
using xptest::Compressed;
using xptest::Pixels;

uint32_t Bgra(int b, int g, int r, int a) {
  return static_cast<uint32_t>(b | g << 8 | r << 16 | a << 24);
}

// Stored bottom-up: the first pixel is the bottom-left one.
const std::vector<uint32_t> kPixels = {Bgra(0, 0, 255, 255),    Bgra(10, 20, 30, 0),
                                       Bgra(200, 100, 50, 128), Bgra(255, 255, 255, 1),
                                       Bgra(90, 180, 250, 77),  Bgra(1, 2, 3, 255)};

std::vector<uint32_t> MemoryPixels(const controls::TAlphaBitmapImage& image) {
  GdiFlush();
  std::vector<uint32_t> out(static_cast<size_t>(image.Width()) * image.Height());
  std::memcpy(out.data(), image.Pixel(0, 0), out.size() * 4);
  return out;
}

// What the image's canvas shows.
std::unique_ptr<xptest::Surface> Blit(TAlphaBitmap& image) {
  auto surface = std::make_unique<xptest::Surface>(image.Width(), image.Height());
  BitBlt(surface->dc(), 0, 0, image.Width(), image.Height(), image.Canvas(), 0, 0, SRCCOPY);
  return surface;
}

TEST(AlphaImageStream, ReadsPremultipliedAndWritesThePlainColoursBack) {
  TAlphaBitmap image;
  image.LoadFromStream(Compressed(AlphaBlock(3, 2, kPixels)));
  ASSERT_EQ(std::make_pair(image.Width(), image.Height()), std::make_pair(3, 2));
  EXPECT_TRUE(image.AlphaChannel());
  const auto canvas = Blit(image);
  // Bottom-left opaque; colour x alpha / 255 rounded down; alpha 1 keeps 1/255 of white.
  EXPECT_EQ(Pixels(*canvas, {{0, 1}, {2, 1}, {0, 0}}),
            Colours({RGB(255, 0, 0), RGB(25, 50, 100), RGB(1, 1, 1)}));
  EXPECT_EQ(canvas->Alpha(2, 1), 128);

  // Saved: un-premultiplied, so loading again gives back every pixel exactly, and the stored
  // colours are the original ones where alpha keeps enough of them.
  const std::string saved = image.SaveToStream();
  EXPECT_EQ(saved.substr(0, 2), "\x78\xDA") << "zlib at the maximum level";
  const std::string block = xptest::Inflated(saved);
  ASSERT_EQ(block.size(), 4 + 40 + 24u);
  std::vector<uint32_t> stored(6);
  std::memcpy(stored.data(), block.data() + 44, 24);
  // The stated length; alpha 0: the colour is gone in memory, nothing to restore; alpha 1: white
  // restored; alpha 128 keeps its colour.
  EXPECT_EQ(block.substr(0, 44), AlphaBlock(3, 2, std::vector<uint32_t>(6)).substr(0, 44));
  EXPECT_EQ(stored, (std::vector<uint32_t>{kPixels[0], 0, kPixels[2], Bgra(255, 255, 255, 1),
                                           stored[4], kPixels[5]}));
  const std::vector<uint32_t> before = MemoryPixels(*controls::ReadAlphaStream(saved));
  std::string again = saved;
  for (int round = 0; round < 5; ++round) {
    TAlphaBitmap next;
    next.LoadFromStream(again);
    again = next.SaveToStream();
  }
  EXPECT_EQ(MemoryPixels(*controls::ReadAlphaStream(again)), before) << "no darkening per round";
}

TEST(AlphaImageStream, ReadsBitmapFilesPlainAndBehindAPrefix) {
  constexpr uint32_t kKey = 0x00FF00FF;
  const std::vector<uint32_t> rgb = {0x0000FF, kKey, 0x123456, kKey, 0xFFFFFF, 0x00FF00};
  const std::string file = xptest::BitmapFile24(3, 2, rgb);  // rows top-down: key bottom-left
  for (const std::string& stream : {file, std::string("\x01\x02\x03\x04") + file}) {
    TAlphaBitmap image;
    image.LoadFromStream(stream);
    EXPECT_TRUE(!image.AlphaChannel() && image.Transparent());
    ASSERT_EQ(image.Width(), 3);
    const auto canvas = Blit(image);
    EXPECT_EQ(Pixels(*canvas, {{0, 0}, {2, 0}}), Colours({RGB(0, 0, 255), RGB(0x12, 0x34, 0x56)}));
    EXPECT_EQ(std::vector<int>({canvas->Alpha(0, 1), canvas->Alpha(1, 0), canvas->Alpha(2, 1)}),
              std::vector<int>({0, 0, 255}))
        << "the key colour, bottom-left, is transparent";
    // Drawn: the key pixels leave the target as it was.
    xptest::Surface target(3, 2, RGB(9, 9, 9));
    image.Draw(target.dc(), {0, 0, 3, 2});
    EXPECT_EQ(Pixels(target, {{0, 1}, {1, 1}}), Colours({RGB(9, 9, 9), RGB(255, 255, 255)}));
  }
  // Through a colour table (entry i: red i, green 5 i, blue 9 i; the file's bytes count 0, 1, 2
  // ... mod 7 from the bottom row) and through colour masks.
  TAlphaBitmap palette, masked;
  palette.LoadFromStream(xptest::BitmapFile8(5, 3, 7));
  masked.LoadFromStream(xptest::BitmapFile565(3, 1, {0xF800, 0x07E0, 0x001F}));
  EXPECT_EQ(std::make_pair(palette.Width(), palette.Height()), std::make_pair(5, 3));
  EXPECT_EQ(Pixels(*Blit(palette), {{0, 0}, {1, 2}}), Colours({RGB(2, 10, 18), RGB(1, 5, 9)}));
  EXPECT_EQ(Pixels(*Blit(masked), {{0, 0}, {1, 0}, {2, 0}}),
            Colours({RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}));
}

TEST(AlphaImageStream, RefusesBrokenStreamsWithAClearMessage) {
  const std::string block = AlphaBlock(3, 2, kPixels);
  const std::string compressed = Compressed(block);
  const auto patched = [](std::string data, size_t at, uint32_t value) {
    std::memcpy(&data[at], &value, 4);
    return data;
  };
  const auto with = [&](size_t at, uint32_t value) {
    return Compressed(patched(block, at, value));
  };
  const auto file_with = [&](size_t at, uint32_t value) {
    return patched(xptest::BitmapFile24(2, 2, {1, 2, 3, 4}), at, value);
  };
  struct Case {
    std::string stream;
    const char* message;
  };
  const Case cases[] = {
      {"", "Invalid alpha image: the stream has fewer than two bytes"},
      {compressed.substr(0, compressed.size() / 2), "the compressed data is truncated"},
      {with(0, 1000), "the stated length 1000 exceeds the 64 bytes that follow"},
      {Compressed(block.substr(0, 30)), "the stated length 64 exceeds the 26 bytes that follow"},
      {Compressed("\x01\x02"), "the data ends before its length"},
      {with(0, 0xFFFFFFF0u), "is larger than any image"},
      {with(4, 1000), "the header size field points outside the data"},
      {with(4, 12), "the header size field points outside the data"},
      {with(4, 64), "the pixels exceed the data"},  // a header filling all the data
      {with(8, 30000), "the pixels exceed the data"},
      {with(8, 0x10000), "is not an image size"},
      {with(8, 0), "its size 0 x 2 is not an image size"},
      {with(12, 0x80000000u), "is not an image size"},
      {"BM", "Invalid bitmap file: the headers are incomplete"},
      {file_with(10, 0xFFFFFF00u), "the pixels lie outside the data"},
      {file_with(14, 0x7FFFFFFF), "the header size field points outside the data"},
      {file_with(18, 40000), "is not an image size"},
      {file_with(22, 20), "the pixels lie outside the data"},
      {file_with(30, BI_RLE8), "only uncompressed bitmaps"},
      {file_with(28, 2), "only uncompressed bitmaps of 1, 4, 8, 16, 24 or 32 bits"},
      {"\x78\xDA garbage", "corrupt compressed data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TAlphaBitmap image;
    const std::string message =
        xptest::ErrorMessage<controls::EInvalidImage>([&] { image.LoadFromStream(c.stream); });
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_TRUE(image.Empty()) << "a refused stream leaves the image empty";
  }
  // The largest side is accepted.
  TAlphaBitmap wide;
  wide.LoadFromStream(Compressed(AlphaBlock(32767, 1, std::vector<uint32_t>(32767))));
  EXPECT_EQ(wide.Width(), 32767);
}

TEST(AlphaImageStream, FuzzedStreamsAreLoadedOrRefusedNeverCrash) {
  const xptest::FuzzTally tally = xptest::FuzzAlphaImageReader(7, 3000);
  EXPECT_EQ(tally.unexpected, "");
  EXPECT_EQ(tally.loaded + tally.refused, 3000);
  EXPECT_GT(tally.loaded, 100) << "the mutations still reach the reader's good paths";
  EXPECT_GT(tally.refused, 1000);
}

TEST(AlphaBitmap, SharesUntilChangedResizesGreysAndRefusesTheClipboard) {
  TAlphaBitmap a;
  a.LoadFromStream(Compressed(AlphaBlock(3, 2, kPixels)));
  int changes = 0;
  TAlphaBitmap b;
  b.OnChange = [&] { ++changes; };
  b.Assign(a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Handle(), a.Handle()) << "shared";
  const std::vector<uint32_t> original = MemoryPixels(*controls::ReadAlphaStream(a.SaveToStream()));

  a.SetGreyed(false);
  EXPECT_EQ(a.Handle(), b.Handle()) << "greying off changes nothing";
  b.SetGreyed(true);
  EXPECT_EQ(changes, 2);
  EXPECT_NE(b.Handle(), a.Handle()) << "the change made b's pixels its own";
  EXPECT_EQ(MemoryPixels(*controls::ReadAlphaStream(a.SaveToStream())), original);
  const auto grey = Blit(b);
  // Red: grey 76, halfway to white 166; alpha kept; half-transparent pixels stay premultiplied.
  EXPECT_EQ(grey->Pixel(0, 1), RGB(166, 166, 166));
  EXPECT_EQ(std::vector<int>({grey->Alpha(2, 1), grey->Alpha(1, 1)}), std::vector<int>({128, 0}));
  EXPECT_LE(GetRValue(grey->Pixel(2, 1)), 128);

  b.lock = 1;
  b.SetWidth(4);
  EXPECT_EQ(changes, 2) << "locked: no notification";
  b.lock = 0;
  b.SetHeight(3);
  EXPECT_EQ(changes, 3);
  ASSERT_EQ(b.Width(), 4);
  const auto resized = Blit(b);
  // Rows count from the bottom; new pixels are opaque black.
  EXPECT_EQ(Pixels(*resized, {{0, 2}, {3, 2}}), Colours({RGB(166, 166, 166), 0}));
  EXPECT_EQ(std::vector<int>({resized->Alpha(3, 2), resized->Alpha(0, 0)}),
            std::vector<int>({255, 255}));

  b.SetHeight(0);
  EXPECT_TRUE(b.Empty());
  b.Assign(a);
  b.Clear();
  EXPECT_TRUE(b.Empty() && b.Handle() == nullptr);
  using Refused = controls::EInvalidGraphicOperation;
  EXPECT_EQ(xptest::ErrorMessage<Refused>([&] { a.LoadFromClipboardFormat(); }) + "; " +
                xptest::ErrorMessage<Refused>([&] { a.SaveToClipboardFormat(); }),
            "Clipboard does not support alpha images; Clipboard does not support alpha images");
}

TEST(AlphaBitmap, ConvertsBitmapsAndMetafilesWithTheirTransparentColour) {
  // A 1 x 1 opaque key-coloured bitmap becomes fully transparent; an alpha image does not.
  const uint32_t key = Bgra(60, 50, 40, 0);
  const win::UniqueBitmap single(CreateBitmap(1, 1, 1, 32, &key));
  TAlphaBitmap converted;
  converted.AssignBitmap(single.get());
  EXPECT_FALSE(converted.AlphaChannel());
  EXPECT_EQ(Blit(converted)->Alpha(0, 0), 0);
  converted.SetTransparent(false);
  EXPECT_EQ(Blit(converted)->Alpha(0, 0), 255) << "not transparent: opaque everywhere";
  TAlphaBitmap alpha;
  alpha.LoadFromStream(Compressed(AlphaBlock(1, 1, {Bgra(60, 50, 40, 255)})));
  alpha.SetTransparent(true);
  EXPECT_EQ(Blit(alpha)->Alpha(0, 0), 255) << "an image with its own alpha keeps it";

  const HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  const win::UniqueBrush blue(CreateSolidBrush(RGB(0, 0, 255)));
  const win::UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
  // Top-left and bottom-right squares: the bottom-left corner stays magenta.
  const RECT square = {0, 0, 6, 6};
  FillRect(recorder, &square, blue.get());
  const RECT other = {10, 6, 16, 12};
  FillRect(recorder, &other, red.get());
  const HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  TAlphaBitmap played;
  played.AssignMetafile(metafile);
  DeleteEnhMetaFile(metafile);
  ASSERT_EQ(std::make_pair(played.Width(), played.Height()), std::make_pair(16, 12));
  xptest::Surface target(16, 12, RGB(9, 9, 9));
  played.Draw(target.dc(), {0, 0, 16, 12});
  EXPECT_EQ(Pixels(target, {{2, 2}, {12, 9}, {2, 9}, {12, 2}}),
            Colours({RGB(0, 0, 255), RGB(255, 0, 0), RGB(9, 9, 9), RGB(9, 9, 9)}))
      << "the magenta background is transparent";
}

TEST(AlphaImage, LoadsSkinResourcesAndReplacesColours) {
  controls::TAlphaImage pattern(L"STDSCROLLPATTERN");
  ASSERT_EQ(std::make_pair(pattern.Width(), pattern.Height()), std::make_pair(8, 8));
  const uint8_t* p = pattern.Image()->Pixel(1, 0);
  const uint8_t* q = pattern.Image()->Pixel(0, 0);
  const auto colours = [&] { return Colours({RGB(p[2], p[1], p[0]), RGB(q[2], q[1], q[0])}); };
  EXPECT_EQ(colours(), Colours({RGB(255, 255, 255), RGB(192, 192, 192)}));
  pattern.ReplaceColor(RGB(255, 255, 255), 0xFF000000 | COLOR_BTNFACE);
  EXPECT_EQ(colours(), Colours({GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192)}))
      << "system colours resolved, other colours untouched";
  EXPECT_EQ(p[3], 255);

  EXPECT_EQ(xptest::ErrorMessage<controls::EInvalidImage>(
                [] { controls::TAlphaImage missing(L"NOSUCHSKIN"); }),
            "Resource \"NOSUCHSKIN\" not found");
}

TEST(BitmapFilters, GreyOnlyThirtyTwoBitBitmaps) {
  const auto dib = [](int bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    void* pixels = nullptr;
    return win::UniqueBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  };
  const win::UniqueBitmap bitmap = dib(32);
  DIBSECTION section{};
  GetObjectW(bitmap.get(), sizeof section, &section);
  auto* px = static_cast<uint32_t*>(section.dsBm.bmBits);
  px[0] = 0x7F0000FF;  // blue 255, alpha byte 0x7F
  px[1] = 0x00FF0000;  // red
  controls::GreyscaleBitmap(bitmap.get());
  EXPECT_EQ(px[0], 0x7F1B1B1Bu) << "28 * 255 >> 8 = 27; the fourth byte kept";
  EXPECT_EQ(px[1], 0x004C4C4Cu);
  px[0] = 0xFF000000;  // black
  controls::LightGreyscaleBitmap(bitmap.get());
  EXPECT_EQ(px[0], 0x00666666u) << "255 - 255 * 3 / 5 = 102, fourth byte 0";
  EXPECT_EQ(px[1], 0x00949494u) << "255 - (255 - 76) * 3 / 5 = 148";

  const win::UniqueBitmap rgb24 = dib(24);
  for (const auto& [filter, line] :
       {std::pair{&controls::GreyscaleBitmap, 452}, {&controls::LightGreyscaleBitmap, 583}}) {
    EXPECT_EQ(xptest::ErrorMessage<sdk::EAssertionFailed>([&] { filter(rgb24.get()); }),
              "Assertion failure (RTL\\COMPONENTS\\XP\\XPBitmapUtils, line " +
                  std::to_string(line) + ")");
  }
}

TEST(AlphaBitmap, IsThePictureFormatImgAndConvertsFrameworkImages) {
  testsupport::TempDir dir;
  TAlphaBitmap source;
  source.LoadFromStream(Compressed(AlphaBlock(3, 2, kPixels)));
  const std::string path = dir.Path("skin.img");
  source.SaveToFile(path);

  controls::StartAlphaImageUnit();
  EXPECT_NE(framework::GraphicFilter().find("Compressed bitmaps with alpha channel (*.img)|*.img"),
            std::string::npos);
  framework::TPicture picture;
  picture.LoadFromFile(path);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassName(), "TAlphaBitmap");
  EXPECT_EQ(picture.Width(), 3);
  // A picture inside a form description: class name, then the alpha stream.
  framework::TMemoryStream data;
  picture.WriteData(data);
  data.SetPosition(0);
  framework::TPicture copy;
  copy.ReadData(data);
  const auto& loaded = static_cast<TAlphaBitmap&>(*copy.Graphic());
  EXPECT_EQ(MemoryPixels(*controls::ReadAlphaStream(loaded.SaveToStream())),
            MemoryPixels(*controls::ReadAlphaStream(source.SaveToStream())));
  // Copies share the pixels.
  framework::TPicture shared(picture);
  EXPECT_EQ(static_cast<TAlphaBitmap*>(shared.Graphic())->Handle(),
            static_cast<TAlphaBitmap*>(picture.Graphic())->Handle());
  controls::EndAlphaImageUnit();
  EXPECT_THROW(picture.LoadFromFile(path), framework::EInvalidGraphic);

  // A framework bitmap: its bottom-left colour becomes transparent.
  framework::TBitmap bitmap(2, 2, framework::TPixelFormat::pf32bit);
  auto* top = static_cast<uint32_t*>(bitmap.ScanLine(0));
  auto* bottom = static_cast<uint32_t*>(bitmap.ScanLine(1));
  top[0] = top[1] = bottom[1] = 0x00336699;
  bottom[0] = 0x00FF00FF;
  TAlphaBitmap converted;
  converted.AssignBitmap(bitmap);
  const auto probe = Blit(converted);
  EXPECT_EQ(probe->Pixel(0, 0), RGB(0x33, 0x66, 0x99));
  EXPECT_EQ(std::vector<int>({probe->Alpha(0, 0), probe->Alpha(0, 1), probe->Alpha(1, 1)}),
            std::vector<int>({255, 0, 255}));
}

}  // namespace
