// TCompressedBitmap, a bitmap whose data inside form descriptions is zlib-compressed, and the
// picture formats that make every ".bmp" a compressed bitmap while ".bmpx" stays the plain one.
#pragma once

#include <memory>
#include <string>

#include "framework/picture.h"

namespace controls {

// Files and streams are the plain bitmap's; only the stored picture data is compressed (zlib at
// the maximum level, so it begins 0x78 0xDA).
class TCompressedBitmap : public framework::TBitmap {
 public:
  using TBitmap::TBitmap;
  std::string ClassName() const override { return "TCompressedBitmap"; }
  std::unique_ptr<framework::TGraphic> Clone() const override;
  // Damaged or short compressed data raises framework::EDecompressionError, data that goes on
  // after the bitmap EInvalidGraphic; either may come after the pixels were taken.
  void ReadData(framework::TStream& stream) override;
  void WriteData(framework::TStream& stream) override;
};

// "bmp" becomes TCompressedBitmap and "bmpx" the plain bitmap, both "Bitmaps"; the end gives
// "bmp" back to the plain bitmap.
void StartXPImagesUnit();
void EndXPImagesUnit();

}  // namespace controls
