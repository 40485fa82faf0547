// A small PNG writer: one IDAT chunk, filter 0, zlib's CRC and compression.
#include "support/png_file.h"

#include <windows.h>
#include <zlib.h>

#include <stdexcept>
#include <vector>

#include "support/test_paths.h"

namespace testsupport {

namespace {

void PutU32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  PutU32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                          static_cast<uInt>(body.size()))));
}

}  // namespace

void WritePng(const std::string& path, int width, int height, const uint8_t* pixels, int stride) {
  std::string raw;
  raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw += '\0';
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      raw += static_cast<char>(row[x * 4 + 2]);
      raw += static_cast<char>(row[x * 4 + 1]);
      raw += static_cast<char>(row[x * 4]);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("cannot compress picture " + path);
  }
  packed.resize(packed_size);
  std::string header;
  PutU32(header, static_cast<uint32_t>(width));
  PutU32(header, static_cast<uint32_t>(height));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  WriteFile(path, png);
}

std::string PicturePath(const std::string& name) {
  const std::string folder = BinaryPath("..\\pictures");
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + name + ".png";
}

}  // namespace testsupport
