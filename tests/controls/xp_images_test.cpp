// Compressed bitmaps: their data in pictures and form descriptions, and the picture formats.
#include "controls/xp_images.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/win/module.h"
#include "framework/zstream.h"
#include "alpha_image_fuzz.h"
#include "steps.h"
#include "support/test_paths.h"

namespace {

using controls::TCompressedBitmap;
using framework::TBitmap;
using framework::TMemoryStream;
using framework::TPicture;
using framework::TPixelFormat;

// Starts the picture formats for one test and gives the plain ones back at its end.
class XPImagesUnit {
 public:
  XPImagesUnit() { controls::StartXPImagesUnit(); }
  ~XPImagesUnit() { controls::EndXPImagesUnit(); }
  XPImagesUnit(const XPImagesUnit&) = delete;
  XPImagesUnit& operator=(const XPImagesUnit&) = delete;
};

std::string Bytes(TMemoryStream& stream) {
  return {reinterpret_cast<const char*>(stream.Bytes().data()), stream.Bytes().size()};
}

std::string FileForm(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return Bytes(stream);
}

std::string PictureData(TPicture& picture) {
  TMemoryStream stream;
  picture.WriteData(stream);
  return Bytes(stream);
}

void ReadPictureData(TPicture& picture, const std::string& data) {
  TMemoryStream stream;
  stream.WriteString(data);
  stream.SetPosition(0);
  picture.ReadData(stream);
}

uint32_t PixelAt(const TBitmap& bitmap, int x, int y) {
  uint32_t pixel = 0;
  const int bytes = bitmap.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
  std::memcpy(&pixel, static_cast<const uint8_t*>(bitmap.ScanLineForReading(y)) + x * bytes, bytes);
  return pixel;
}

// A bitmap with a distinct value in every byte of a few pixels and a large even area, which
// compresses well.
template <class Bitmap>
void Paint(Bitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    const int bytes = bitmap.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
    for (int x = 0; x < bitmap.Width(); ++x) {
      for (int b = 0; b < bytes; ++b)
        row[x * bytes + b] = static_cast<uint8_t>(x < 3 ? x + y + b : 7);
    }
  }
}

std::string ComposedName(const char* name) {
  return std::string(1, static_cast<char>(std::strlen(name))) + name;
}

TEST(CompressedBitmap, PictureDataIsTheBitmapFileCompressedAndReadsBackExactly) {
  XPImagesUnit unit;
  for (const TPixelFormat format : {TPixelFormat::pf32bit, TPixelFormat::pf24bit}) {
    SCOPED_TRACE(format == TPixelFormat::pf32bit ? "32-bit" : "24-bit");
    TCompressedBitmap bitmap(64, 48, format);
    Paint(bitmap);
    TPicture picture;
    picture.SetGraphic(bitmap.Clone());
    EXPECT_EQ(picture.Graphic()->ClassName(), "TCompressedBitmap") << "Clone keeps the kind";
    EXPECT_EQ(&picture.Bitmap(), picture.Graphic()) << "a compressed bitmap is a bitmap";

    const std::string data = PictureData(picture);
    const std::string name = ComposedName("TCompressedBitmap");
    ASSERT_EQ(data.substr(0, name.size()), name);
    const std::string compressed = data.substr(name.size());
    EXPECT_EQ(compressed.substr(0, 2), "\x78\xDA") << "zlib at the maximum level";
    const std::string plain = FileForm(bitmap);
    EXPECT_EQ(xptest::Inflated(compressed), plain);
    EXPECT_LT(compressed.size() * 10, plain.size());

    TPicture read;
    ReadPictureData(read, data);
    ASSERT_NE(read.Graphic(), nullptr);
    EXPECT_EQ(read.Graphic()->ClassName(), "TCompressedBitmap");
    TBitmap& loaded = read.Bitmap();
    EXPECT_EQ(loaded.PixelFormat(), format);
    EXPECT_EQ(FileForm(loaded), plain) << "every byte, the fourth included";
  }

  // The plain bitmap's data stays plain.
  TBitmap plain_bitmap(2, 2, TPixelFormat::pf24bit);
  TPicture plain;
  plain.SetGraphic(plain_bitmap.Clone());
  const std::string name = ComposedName("TBitmap");
  EXPECT_EQ(PictureData(plain), name + FileForm(plain_bitmap));
}

TEST(CompressedBitmap, DamagedDataIsRefusedAndTheUnitDecidesWhoReadsBmp) {
  testsupport::TempDir dir;
  TCompressedBitmap bitmap(5, 3, TPixelFormat::pf32bit);
  Paint(bitmap);
  bitmap.SaveToFile(dir.Path("a.bmp"));
  bitmap.SaveToFile(dir.Path("a.bmpx"));
  EXPECT_EQ(FileForm(bitmap).substr(0, 2), "BM") << "files are plain bitmaps";
  const auto classes_read = [&] {
    std::string classes;
    for (const char* file : {"a.bmp", "a.bmpx"}) {
      TPicture picture;
      picture.LoadFromFile(dir.Path(file));
      classes += picture.Graphic()->ClassName() + " ";
      EXPECT_EQ(PixelAt(picture.Bitmap(), 2, 1), PixelAt(bitmap, 2, 1));
    }
    return classes;
  };
  TPicture source;
  source.SetGraphic(bitmap.Clone());
  std::string data;
  {
    XPImagesUnit unit;
    const std::string filter = framework::GraphicFilter();
    EXPECT_NE(filter.find("Bitmaps (*.bmp)|*.bmp"), std::string::npos) << filter;
    EXPECT_NE(filter.find("Bitmaps (*.bmpx)|*.bmpx"), std::string::npos) << filter;
    EXPECT_EQ(classes_read(), "TCompressedBitmap TBitmap ");

    data = PictureData(source);
    const size_t name = ComposedName("TCompressedBitmap").size();
    std::string flipped = data;
    flipped[name + 6] = static_cast<char>(flipped[name + 6] ^ 0x55);
    for (const std::string& damaged_data :
         {data.substr(0, name + 2), data.substr(0, data.size() / 2),
          data.substr(0, data.size() - 1), flipped}) {
      TPicture damaged;
      EXPECT_THROW(ReadPictureData(damaged, damaged_data), framework::Exception);
      EXPECT_EQ(damaged.Graphic(), nullptr) << "nothing half read";
    }
  }
  // Without the unit "bmp" is the plain bitmap again, and compressed data has no reader.
  EXPECT_EQ(classes_read(), "TBitmap TBitmap ");
  TPicture picture;
  EXPECT_THROW(ReadPictureData(picture, data), framework::EInvalidGraphic);
}

// The picture data of a 32-bit bitmap whose pixels are all zero, deflated.
std::string CompressedBlankBitmap(int width, int height) {
  BITMAPINFOHEADER info{sizeof info, width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof info};
  std::string plain(reinterpret_cast<const char*>(&file), sizeof file);
  plain.append(reinterpret_cast<const char*>(&info), sizeof info);
  plain.append(static_cast<size_t>(width) * 4 * height, '\0');
  return ComposedName("TCompressedBitmap") + xptest::Compressed(plain);
}

TEST(CompressedBitmap, WhatABlobMayTakeIsBoundedByItsCompressedSize) {
  XPImagesUnit unit;
  // 2 MB of pixels in about 2 KB: small enough for any picture.
  TPicture small;
  ReadPictureData(small, CompressedBlankBitmap(1024, 512));
  EXPECT_EQ(small.Width(), 1024);
  // 32 MB of pixels in about 32 KB once took twice that memory to load.
  const std::string data = CompressedBlankBitmap(4096, 2048);
  ASSERT_LT(data.size(), 256u * 1024);
  TPicture large;
  EXPECT_EQ(xptest::ErrorMessage<framework::EInvalidGraphic>([&] { ReadPictureData(large, data); }),
            "Bitmap too large for its data: 4096 x 2048");
  EXPECT_EQ(large.Graphic(), nullptr);
}

TEST(CompressedBitmap, FormDescriptionsCarryCompressedPictures) {
  framework::RegisterStandardControls();
  const HMODULE module = win::ThisModule();
  // Without the unit the picture's class is unknown, and the message says where.
  EXPECT_EQ(xptest::ErrorMessage<framework::EFormError>([&] {
              framework::TForm(nullptr).LoadFromResource(module, "TCOMPRESSEDIMAGEFORM");
            }),
            "TCOMPRESSEDIMAGEFORM:10: object Image1: property Picture: Unknown picture class "
            "\"TCompressedBitmap\"");

  XPImagesUnit unit;
  framework::TForm form(nullptr);
  form.LoadFromResource(module, "TCOMPRESSEDIMAGEFORM");
  auto& image = dynamic_cast<framework::TImage&>(*form.FindComponent("Image1"));
  ASSERT_NE(image.Picture().Graphic(), nullptr);
  EXPECT_EQ(image.Picture().Graphic()->ClassName(), "TCompressedBitmap");
  const TBitmap& bitmap = image.Picture().Bitmap();
  ASSERT_EQ(bitmap.Width(), 4);
  ASSERT_EQ(bitmap.Height(), 3);
  ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
  for (int i = 0; i < 12; ++i) {
    const int x = i % 4, y = i / 4;
    EXPECT_EQ(PixelAt(bitmap, x, y),
              static_cast<uint32_t>((16 * x + y) << 24 | 200 << 16 | (100 * y) << 8 | 60 * x))
        << x << "," << y;
  }

  // Written back, the description holds the compressed picture again and reads the same.
  const std::string text = framework::WriteComponentText(form);
  EXPECT_NE(text.find("Picture = {"), std::string::npos) << text;
  framework::TForm copy(nullptr);
  framework::ReadComponentText(copy, text, "copy");
  EXPECT_EQ(framework::WriteComponentText(copy), text);
  auto& copied = dynamic_cast<framework::TImage&>(*copy.FindComponent("Image1"));
  EXPECT_EQ(FileForm(copied.Picture().Bitmap()), FileForm(image.Picture().Bitmap()));

  // A damaged picture names the form, the object and the property.
  const size_t hex = text.find("Picture = {");
  std::string damaged = text;
  const size_t digit = damaged.find_first_of("0123456789ABCDEF", damaged.find('\n', hex) + 60);
  damaged[digit] = damaged[digit] == '0' ? '1' : '0';
  const std::string message = xptest::ErrorMessage<framework::EFormError>([&] {
    framework::TForm broken(nullptr);
    framework::ReadComponentText(broken, damaged, "broken");
  });
  EXPECT_NE(message.find("broken:"), std::string::npos) << message;
  EXPECT_NE(message.find("property Picture"), std::string::npos) << message;
}

}  // namespace
