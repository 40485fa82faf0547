// Hand-made inputs for the framework's readers.
#include "reader_samples.h"

namespace samples {

std::string BitmapFile(const BitmapSpec& spec) {
  BITMAPINFOHEADER info{};
  info.biSize = spec.header_size;
  info.biWidth = spec.width;
  info.biHeight = spec.height;
  info.biPlanes = 1;
  info.biBitCount = spec.bits;
  info.biCompression = spec.compression;
  info.biSizeImage = spec.size_image;
  info.biClrUsed = spec.colours_used;
  std::string table;
  for (int i = 0; i < spec.table_entries; ++i) {
    const RGBQUAD colour{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 0x40, 0};
    table.append(reinterpret_cast<const char*>(&colour), sizeof colour);
  }
  const int64_t stride = (int64_t{spec.width} * spec.bits + 31) / 32 * 4;
  const int64_t rows = spec.height < 0 ? -int64_t{spec.height} : spec.height;
  const bool run_lengths = spec.compression == BI_RLE8 || spec.compression == BI_RLE4;
  const int64_t count = spec.pixel_bytes >= 0 ? spec.pixel_bytes
                        : run_lengths         ? int64_t{spec.size_image}
                                              : stride * rows;
  std::string pixels;
  for (int64_t i = 0; i < count; ++i) {
    // Run-length data of zeros is "00 00", end of line, again and again.
    pixels += run_lengths ? '\0' : static_cast<char>(i * 7 % 251);
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof file + spec.header_size + table.size());
  file.bfSize = static_cast<DWORD>(sizeof file + sizeof info + table.size() + pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  return bytes + table + pixels;
}

std::string IniText(int sections, int keys) {
  std::string text;
  for (int s = 0; s < sections; ++s) {
    text += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = s; k < keys; k += sections) {
      text += "Key" + std::to_string(k) + "=Value" + std::to_string(k) + "\r\n";
    }
  }
  return text;
}

}  // namespace samples
