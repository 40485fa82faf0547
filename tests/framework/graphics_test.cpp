// Colours, canvases, bitmaps, metafiles and pictures, checked on real GDI pixels.
#include "framework/picture.h"
#include "framework/theme_services.h"

#include <gtest/gtest.h>

#include <cstring>

#include "reader_samples.h"
#include "render.h"
#include "support/test_paths.h"

using namespace framework;

using testsupport::CountPixels;
using testsupport::PixelAt;
using testsupport::SavePicture;

TEST(Graphics, ColoursConvertToTextsAndSystemValues) {
  struct Case {
    TColor color;
    const char* text;
  };
  const Case cases[] = {{clWindow, "clWindow"},    {clRed, "clRed"},   {clBtnFace, "clBtnFace"},
                        {0x00123456, "$00123456"}, {clNone, "clNone"}, {clDefault, "clDefault"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ColorToString(c.color), c.text);
    TColor read = 0;
    ASSERT_TRUE(StringToColor(c.text, read));
    EXPECT_EQ(read, c.color);
  }
  TColor read = 0;
  EXPECT_TRUE(StringToColor("CLWINDOWTEXT", read)) << "identifiers ignore case";
  EXPECT_EQ(read, clWindowText);
  EXPECT_TRUE(StringToColor("255", read));
  EXPECT_EQ(read, clRed);
  EXPECT_FALSE(StringToColor("clNoSuchColour", read));
  EXPECT_FALSE(StringToColor("$", read));
  EXPECT_FALSE(StringToColor("12x", read));
  EXPECT_EQ(ColorToRGB(clWindow), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(ColorToRGB(clBtnShadow), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(ColorToRGB(0x00123456), 0x123456u);
}

TEST(Graphics, CanvasDrawsWithItsToolsOnBothPixelFormats) {
  for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    SCOPED_TRACE(format == TPixelFormat::pf24bit ? "24 bit" : "32 bit");
    TBitmap bitmap(120, 60, format);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({0, 0, 120, 60});
    canvas.Brush().SetColor(clRed);  // a new brush while the old one is selected
    canvas.FillRect({10, 10, 30, 20});
    canvas.Brush().SetColor(clBlue);
    canvas.FrameRect({40, 10, 60, 30});
    canvas.Pen().SetColor(clLime);
    canvas.MoveTo(0, 50);
    canvas.LineTo(120, 50);
    EXPECT_EQ(CountPixels(bitmap, {10, 10, 30, 20}, 0x0000FF), 200);
    EXPECT_EQ(PixelAt(bitmap, 30, 15), 0xFFFFFFu) << "the right edge is outside the fill";
    EXPECT_EQ(CountPixels(bitmap, {40, 10, 60, 30}, 0xFF0000), 19 * 4) << "a one-pixel frame";
    EXPECT_EQ(PixelAt(bitmap, 50, 20), 0xFFFFFFu) << "FrameRect leaves the inside";
    EXPECT_EQ(CountPixels(bitmap, {0, 50, 120, 51}, 0x00FF00), 120);
    EXPECT_EQ(canvas.Pixel(15, 15), 0x0000FFu);

    // Text in the font's colour stays inside TextRect's rectangle.
    canvas.Font().SetColor(clBlack);
    canvas.Font().SetHeight(-30);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.TextRect({70, 0, 90, 40}, 62, 0, L"WWW");
    EXPECT_GT(CountPixels(bitmap, {70, 0, 90, 40}, 0), 10);
    EXPECT_EQ(CountPixels(bitmap, {62, 0, 70, 40}, 0), 0);
    EXPECT_EQ(CountPixels(bitmap, {90, 0, 120, 40}, 0), 0);
    EXPECT_GT(canvas.TextWidth(L"WWW"), canvas.TextWidth(L"W"));
    // A pixel set through the scan line shows through the canvas.
    static_cast<uint8_t*>(bitmap.ScanLine(5))[2] = 0x80;  // red byte of (0, 5)
    EXPECT_EQ(canvas.Pixel(0, 5), 0xFFFF80u);
    if (format == TPixelFormat::pf32bit) SavePicture(bitmap, "canvas_tools");
  }
}

TEST(Graphics, CopiesShareAnImageUntilOneIsChanged) {
  TBitmap a(20, 20, TPixelFormat::pf24bit);
  a.Canvas().Brush().SetColor(clRed);
  a.Canvas().FillRect({0, 0, 20, 20});
  TBitmap b;
  b.Assign(a);
  EXPECT_TRUE(b.SharesImageWith(a));
  b.Canvas().Brush().SetColor(clGreen);
  b.Canvas().FillRect({0, 0, 10, 10});
  EXPECT_FALSE(b.SharesImageWith(a));
  EXPECT_EQ(PixelAt(a, 5, 5), 0x0000FFu) << "the original keeps its pixels";
  EXPECT_EQ(PixelAt(b, 5, 5), 0x008000u);
  EXPECT_EQ(PixelAt(b, 15, 15), 0x0000FFu) << "the copy starts from the shared pixels";
  TBitmap c;
  c.Assign(a);
  static_cast<uint8_t*>(c.ScanLine(0))[0] = 0xFF;
  EXPECT_FALSE(c.SharesImageWith(a));
  EXPECT_EQ(PixelAt(a, 0, 0), 0x0000FFu);
  // Drawing a bitmap onto another, stretched and transparent.
  TBitmap target(40, 40, TPixelFormat::pf32bit);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect({0, 0, 40, 40});
  target.Canvas().StretchDraw({0, 0, 40, 40}, b);
  EXPECT_EQ(PixelAt(target, 5, 5), 0x008000u);
  EXPECT_EQ(PixelAt(target, 35, 35), 0x0000FFu);
  b.SetTransparent(true);
  b.SetTransparentColor(clRed);
  target.Canvas().FillRect({0, 0, 40, 40});
  target.Canvas().Draw(0, 0, b);
  EXPECT_EQ(PixelAt(target, 5, 5), 0x008000u);
  EXPECT_EQ(PixelAt(target, 15, 15), 0xFFFFFFu) << "red is see-through";
}

TEST(Graphics, BitmapFilesRoundTripAndDamagedOnesAreRefused) {
  TBitmap bitmap(7, 3, TPixelFormat::pf32bit);  // an odd width tests row padding
  for (int y = 0; y < 3; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < 7; ++x) {
      row[x * 4] = static_cast<uint8_t>(x * 30);
      row[x * 4 + 1] = static_cast<uint8_t>(y * 80);
      row[x * 4 + 2] = 7;
      row[x * 4 + 3] = static_cast<uint8_t>(x + y);  // alpha survives a 32-bit file
    }
  }
  TMemoryStream file;
  bitmap.SaveToStream(file);
  file.SetPosition(0);
  TBitmap read;
  read.LoadFromStream(file);
  ASSERT_EQ(read.Width(), 7);
  ASSERT_EQ(read.Height(), 3);
  EXPECT_EQ(read.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(std::memcmp(read.ScanLineForReading(2), bitmap.ScanLineForReading(2), 28), 0);
  EXPECT_EQ(std::memcmp(read.ScanLineForReading(0), bitmap.ScanLineForReading(0), 28), 0);

  // An 8-bit palette file, top-down: two pixels of palette entries 1 and 0.
  TMemoryStream indexed;
  BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 8};
  BITMAPINFOHEADER ih{sizeof ih, 2, -1, 1, 8, BI_RGB, 4, 0, 0, 2, 0};
  const RGBQUAD palette[2] = {{0, 0, 255, 0}, {255, 0, 0, 0}};
  const uint8_t pixels[4] = {1, 0, 0, 0};
  indexed.WriteBuffer(&fh, sizeof fh);
  indexed.WriteBuffer(&ih, sizeof ih);
  indexed.WriteBuffer(palette, sizeof palette);
  indexed.WriteBuffer(pixels, sizeof pixels);
  indexed.SetPosition(0);
  read.LoadFromStream(indexed);
  EXPECT_EQ(read.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(PixelAt(read, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelAt(read, 1, 0), 0x0000FFu);

  const std::string good(reinterpret_cast<const char*>(file.Memory()), file.Bytes().size());
  std::string huge = good;
  huge[18] = huge[19] = huge[20] = 0x7F;  // width 0x7F7F7F07
  const std::string damaged[] = {"XY" + good.substr(2), good.substr(0, good.size() - 5),
                                 good.substr(0, 20), huge};
  for (const std::string& bytes : damaged) {
    TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    EXPECT_THROW(read.LoadFromStream(stream), EInvalidGraphic);
    EXPECT_EQ(read.Width(), 2) << "a refused file leaves the bitmap as it was";
  }
}

TEST(Graphics, BitmapHeadersAreCheckedAgainstTheBytesPresent) {
  using samples::BitmapSpec;
  struct Case {
    BitmapSpec spec;
    const char* message;  // nullptr: the file loads
    const char* why;
  };
  const auto with = [](auto change) {
    BitmapSpec spec;
    change(spec);
    return spec;
  };
  const Case cases[] = {
      {BitmapSpec{}, nullptr, "8 bits with all 256 colours"},
      {with([](BitmapSpec& s) { s.colours_used = 16, s.table_entries = 16; }), nullptr,
       "8 bits with the 16 colours it says it uses"},
      {with([](BitmapSpec& s) { s.bits = 1, s.table_entries = 2; }), nullptr, "1 bit, 2 colours"},
      {with([](BitmapSpec& s) { s.bits = 24, s.table_entries = 0; }), nullptr, "24 bits, no table"},
      {with([](BitmapSpec& s) { s.header_size = 0x40000000; }), "Bitmap header is damaged",
       "a header of a gigabyte"},
      {with([](BitmapSpec& s) { s.header_size = 0x80000000; }), "Bitmap header is damaged",
       "a header of two gigabytes"},
      {with([](BitmapSpec& s) { s.header_size = 0xFFFFFFF2, s.table_entries = 0; }),
       "Bitmap header is damaged", "a header size that wraps the pixel offset to 0"},
      {with([](BitmapSpec& s) { s.header_size = 0xFFFFFFF2; }), "Bitmap header is damaged",
       "... or to just after the table"},
      {with([](BitmapSpec& s) { s.table_entries = 0; }), "Bitmap colour table is missing or short",
       "8 bits without colours"},
      {with([](BitmapSpec& s) { s.table_entries = 200; }),
       "Bitmap colour table is missing or short", "8 bits with a short table"},
      {with([](BitmapSpec& s) { s.colours_used = 16, s.table_entries = 4; }),
       "Bitmap colour table is missing or short", "fewer colours than it says it uses"},
      {with([](BitmapSpec& s) { s.bits = 4, s.table_entries = 0; }),
       "Bitmap colour table is missing or short", "4 bits without colours"},
      {with([](BitmapSpec& s) { s.bits = 1, s.table_entries = 1; }),
       "Bitmap colour table is missing or short", "1 bit with one colour"},
      {with([](BitmapSpec& s) { s.bits = 16, s.compression = BI_BITFIELDS, s.table_entries = 0; }),
       "Bitmap colour table is missing or short", "bit fields without their masks"},
      {with([](BitmapSpec& s) { s.bits = 3; }), "Bitmap format is not supported", "3 bits"},
      {with([](BitmapSpec& s) { s.bits = 64, s.table_entries = 0; }),
       "Bitmap format is not supported", "64 bits"},
      {with([](BitmapSpec& s) { s.compression = BI_RLE4; }), "Bitmap format is not supported",
       "4-bit run lengths in an 8-bit file"},
      {with([](BitmapSpec& s) { s.height = LONG{-2147483647} - 1, s.pixel_bytes = 64; }),
       "Bitmap size is invalid", "a height without a positive counterpart"},
      {with([](BitmapSpec& s) { s.compression = BI_RLE8, s.size_image = 0; }),
       "Bitmap data is invalid", "run lengths of no bytes"},
      {with([](BitmapSpec& s) { s.width = 2048, s.height = 2048, s.pixel_bytes = 40000; }),
       "Bitmap data ends early", "pixels the file does not hold"},
      {with([](BitmapSpec& s) {
         s.width = 8192, s.height = 2048, s.compression = BI_RLE8, s.size_image = 4096;
       }),
       "Bitmap too large for its data: 8192 x 2048", "4 KB of run lengths for a picture of 48 MB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string bytes = samples::BitmapFile(c.spec);
    TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    TBitmap bitmap(3, 1);
    try {
      bitmap.LoadFromStream(stream);
      EXPECT_EQ(c.message, nullptr) << "loaded";
      EXPECT_EQ(bitmap.Width(), c.spec.width);
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(bitmap.Width(), 3) << "a refused file leaves the bitmap as it was";
    }
  }
}

TEST(Graphics, MetafileRecordsAndReplaysAtAnySize) {
  HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(recorder, nullptr);
  win::UniqueBrush blue(CreateSolidBrush(RGB(0, 0, 255)));
  const RECT area{0, 0, 10, 10};
  FillRect(recorder, &area, blue.get());
  TMetafile metafile(CloseEnhMetaFile(recorder));
  EXPECT_GE(metafile.Width(), 10);
  TMemoryStream stream;
  metafile.SaveToStream(stream);
  stream.SetPosition(0);
  TMetafile copy;
  copy.LoadFromStream(stream);
  TBitmap target(40, 40, TPixelFormat::pf32bit);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect({0, 0, 40, 40});
  target.Canvas().StretchDraw({0, 0, 40, 40}, copy);
  EXPECT_EQ(PixelAt(target, 20, 20), 0xFF0000u);
  TMemoryStream junk;
  junk.WriteString("not a metafile");
  junk.SetPosition(0);
  EXPECT_THROW(copy.LoadFromStream(junk), EInvalidGraphic);
}

namespace {
std::unique_ptr<TGraphic> MakeBitmap() { return std::make_unique<TBitmap>(); }
}  // namespace

TEST(Graphics, PicturesChooseTheirKindByExtensionAndStoredName) {
  testsupport::TempDir dir;
  TBitmap bitmap(4, 4, TPixelFormat::pf24bit);
  bitmap.Canvas().Brush().SetColor(clYellow);
  bitmap.Canvas().FillRect({0, 0, 4, 4});
  bitmap.SaveToFile(dir.Path("a.bmp"));
  bitmap.SaveToFile(dir.Path("a.xyz"));

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadFromFile(dir.Path("a.BMP"));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(picture.LoadFromFile(dir.Path("a.xyz")), EInvalidGraphic);
  RegisterFileFormat("XYZ", "Test images", MakeBitmap);
  EXPECT_NE(GraphicFilter().find("Test images (*.xyz)|*.xyz"), std::string::npos)
      << GraphicFilter();
  picture.LoadFromFile(dir.Path("a.xyz"));
  EXPECT_EQ(PixelAt(picture.Bitmap(), 3, 3), 0x00FFFFu);
  UnregisterGraphicClass(MakeBitmap);
  EXPECT_THROW(picture.LoadFromFile(dir.Path("a.xyz")), EInvalidGraphic);
  EXPECT_NE(GraphicFilter().find("*.bmp"), std::string::npos) << "other kinds stay";

  // The stored form names the class; a copy shares the image.
  TMemoryStream data;
  picture.WriteData(data);
  data.SetPosition(0);
  TPicture read;
  read.ReadData(data);
  EXPECT_EQ(PixelAt(read.Bitmap(), 0, 0), 0x00FFFFu);
  TPicture copy(read);
  EXPECT_TRUE(copy.Bitmap().SharesImageWith(read.Bitmap()));
  TMemoryStream unknown;
  unknown.WriteString(std::string("\x05TJunk", 6));
  unknown.SetPosition(0);
  EXPECT_THROW(read.ReadData(unknown), EInvalidGraphic);
}

TEST(Graphics, ThemeServicesDrawThemedPartsOrStepAside) {
  TThemeServices& themes = TThemeServices::Instance();
  ASSERT_TRUE(themes.ThemesAvailable());
  win::UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr,
                                           nullptr, nullptr, nullptr));
  themes.SetOverride(false);
  EXPECT_FALSE(themes.ThemesEnabled());
  EXPECT_FALSE(themes.Open(window.get(), L"EDIT")) << "the classic path: no theme to draw with";
  themes.SetOverride(std::nullopt);
  if (!themes.ThemesEnabled()) GTEST_SKIP() << "visual styles are off in this prefix";
  ThemeData edit = themes.Open(window.get(), L"EDIT");
  ASSERT_TRUE(edit);
  TBitmap bitmap(40, 20, TPixelFormat::pf32bit);
  bitmap.Canvas().Brush().SetColor(clRed);
  bitmap.Canvas().FillRect({0, 0, 40, 20});
  EXPECT_TRUE(themes.DrawBackground(edit, bitmap.Canvas().Handle(), 1, 1, {0, 0, 40, 20}));
  EXPECT_EQ(PixelAt(bitmap, 20, 10), 0xFFFFFFu) << "the edit's field is white";
  SavePicture(bitmap, "theme_edit_field");
  EXPECT_EQ(themes.Color(edit, 1, 4, 3803), std::optional<COLORREF>(0xA6A6A6)) << "disabled text";
  EXPECT_EQ(themes.Color(ThemeData(), 1, 4, 3803), std::nullopt);
  themes.SetOverride(true);
  EXPECT_TRUE(themes.ThemesEnabled());
  themes.SetOverride(std::nullopt);
}
