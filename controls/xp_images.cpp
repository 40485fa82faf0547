// Compressed bitmaps and their picture formats.
#include "controls/xp_images.h"

#include "framework/zstream.h"

namespace controls {

using framework::MakeGraphic;
using framework::TBitmap;

std::unique_ptr<framework::TGraphic> TCompressedBitmap::Clone() const {
  auto copy = std::make_unique<TCompressedBitmap>();
  copy->Assign(*this);
  return copy;
}

void TCompressedBitmap::ReadData(framework::TStream& stream) {
  // A few kilobytes of deflated zeros can describe hundreds of megabytes: what the bitmap may
  // take is bounded by the compressed bytes, not by the sizes its header claims.
  const int64_t budget = framework::PictureMemoryBudget(stream.Size() - stream.Position());
  framework::TDecompressionStream data(stream);
  LoadBitmapFile(data, budget);
  // Reading on to the end makes zlib check the data's checksum, so that a damaged byte is
  // refused instead of being taken for a pixel.
  char beyond = 0;
  if (data.Read(&beyond, 1) != 0) {
    throw framework::EInvalidGraphic("Compressed bitmap data goes on after its bitmap");
  }
}

void TCompressedBitmap::WriteData(framework::TStream& stream) {
  framework::TCompressionStream data(framework::CompressionLevel::Max, stream);
  TBitmap::WriteData(data);
  data.Finish();
}

void StartXPImagesUnit() {
  framework::UnregisterGraphicClass(&MakeGraphic<TBitmap>);
  framework::RegisterFileFormat("bmp", "Bitmaps", &MakeGraphic<TCompressedBitmap>);
  framework::RegisterFileFormat("bmpx", "Bitmaps", &MakeGraphic<TBitmap>);
}

void EndXPImagesUnit() {
  framework::UnregisterGraphicClass(&MakeGraphic<TCompressedBitmap>);
  framework::RegisterFileFormat("bmp", "Bitmaps", &MakeGraphic<TBitmap>);
}

}  // namespace controls
