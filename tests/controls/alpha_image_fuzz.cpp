// Fuzzing the alpha-image reader.
#include "alpha_image_fuzz.h"

#include <windows.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "controls/alpha_image.h"
#include "sdk/exceptions.h"

namespace xptest {

namespace {

void Put32(std::string& s, size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); }

std::string Header(int width, int height, int bits, uint32_t compression, uint32_t colours) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bits);
  h.biCompression = compression;
  h.biClrUsed = colours;
  return std::string(reinterpret_cast<const char*>(&h), sizeof h);
}

std::string FileOf(const std::string& header, const std::string& table, const std::string& bits) {
  std::string file = "BM" + std::string(12, '\0') + header + table + bits;
  Put32(file, 2, static_cast<uint32_t>(file.size()));
  Put32(file, 10, static_cast<uint32_t>(14 + header.size() + table.size()));
  return file;
}

}  // namespace

std::string AlphaBlock(int width, int height, const std::vector<uint32_t>& bgra) {
  std::string data = Header(width, height, 32, BI_RGB, 0);
  Put32(data, 20, static_cast<uint32_t>(width * 4 * height));
  data.append(reinterpret_cast<const char*>(bgra.data()), bgra.size() * 4);
  std::string block(4, '\0');
  Put32(block, 0, static_cast<uint32_t>(data.size()));
  return block + data;
}

std::string Compressed(const std::string& block) {
  uLongf size = compressBound(static_cast<uLong>(block.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(block.data()), static_cast<uLong>(block.size()), 9);
  out.resize(size);
  return out;
}

std::string Inflated(const std::string& stream) {
  std::string out(1 << 20, '\0');
  uLongf size = static_cast<uLongf>(out.size());
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                 reinterpret_cast<const Bytef*>(stream.data()),
                 static_cast<uLong>(stream.size())) != Z_OK) {
    return "<not a zlib stream>";
  }
  out.resize(size);
  return out;
}

std::string BitmapFile24(int width, int height, const std::vector<uint32_t>& rgb) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string bits(static_cast<size_t>(stride) * height, '\0');
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = rgb[static_cast<size_t>(y) * width + x];
      char* p = &bits[static_cast<size_t>(height - 1 - y) * stride + x * 3];
      p[0] = static_cast<char>(c);
      p[1] = static_cast<char>(c >> 8);
      p[2] = static_cast<char>(c >> 16);
    }
  }
  return FileOf(Header(width, height, 24, BI_RGB, 0), "", bits);
}

std::string BitmapFile8(int width, int height, int colours) {
  std::string table;
  for (int i = 0; i < colours; ++i) table += std::string{char(i * 9), char(i * 5), char(i), 0};
  const int stride = (width + 3) / 4 * 4;
  std::string bits(static_cast<size_t>(stride) * height, '\0');
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<char>(i % colours);
  return FileOf(Header(width, height, 8, BI_RGB, colours), table, bits);
}

std::string BitmapFile565(int width, int height, const std::vector<uint16_t>& pixels) {
  const int stride = (width * 2 + 3) / 4 * 4;
  std::string bits(static_cast<size_t>(stride) * height, '\0');
  for (int y = 0; y < height; ++y) {
    std::memcpy(&bits[static_cast<size_t>(height - 1 - y) * stride],
                &pixels[static_cast<size_t>(y) * width], width * 2);
  }
  std::string masks(12, '\0');
  Put32(masks, 0, 0xF800);  // red, green, blue
  Put32(masks, 4, 0x07E0);
  Put32(masks, 8, 0x001F);
  return FileOf(Header(width, height, 16, BI_BITFIELDS, 0), masks, bits);
}

FuzzTally FuzzAlphaImageReader(uint32_t seed, int count) {
  std::mt19937 random(seed);
  const auto below = [&](size_t n) { return static_cast<size_t>(random() % n); };
  std::vector<uint32_t> pixels(6 * 5);
  for (uint32_t& p : pixels) p = random();
  const std::string block = AlphaBlock(6, 5, pixels);
  const std::string seeds[] = {Compressed(block), BitmapFile24(6, 5, pixels), BitmapFile8(5, 3, 7),
                               BitmapFile565(3, 2, {0xF800, 0x07E0, 0x001F, 0, 0xFFFF, 0x1234}),
                               "\x01\x02\x03\x04" + BitmapFile24(3, 2, pixels)};
  // Values that sit on the edges of the checks.
  const uint32_t block_size = static_cast<uint32_t>(block.size());
  const uint32_t extremes[] = {0,          1,          39,        40,      41,
                               0x7FFF,     0x8000,     0xFFFF,    0x10000, 0x7FFFFFFF,
                               0x80000000, 0xFFFFFFFF, block_size};
  FuzzTally tally;
  for (int i = 0; i < count; ++i) {
    const int kind = static_cast<int>(below(6));
    std::string input;
    if (kind < 2) {
      // Mutate the block and compress it again, so that the reader's own checks are reached.
      std::string b = block;
      const int edits = 1 + static_cast<int>(below(4));
      for (int e = 0; e < edits; ++e) {
        const size_t at = below(kind == 0 ? 48 : b.size() - 3);
        if (below(2)) {
          Put32(b, at, extremes[below(std::size(extremes))]);
        } else {
          b[at] = static_cast<char>(random());
        }
      }
      if (below(4) == 0) b.resize(below(b.size()));
      input = Compressed(b);
    } else {
      input = seeds[kind == 2 ? 0 : below(std::size(seeds))];
      const int edits = static_cast<int>(below(5));
      for (int e = 0; e < edits && !input.empty(); ++e) {
        const size_t at = below(std::min<size_t>(input.size(), 80));
        if (below(2) && at + 4 <= input.size()) {
          Put32(input, at, extremes[below(std::size(extremes))]);
        } else {
          input[at] = static_cast<char>(random());
        }
      }
      if (kind == 2 || below(3) == 0) input.resize(below(input.size() + 1));
    }
    ++tally.inputs;
    try {
      controls::TAlphaBitmap image;
      image.LoadFromStream(input);
      ++tally.loaded;
      controls::TAlphaBitmap again;
      again.LoadFromStream(image.SaveToStream());
      if (again.Width() != image.Width() || again.Height() != image.Height()) {
        tally.unexpected = "a saved image loads at another size";
      }
    } catch (const sdk::Exception&) {
      ++tally.refused;
    } catch (const std::exception& e) {
      if (tally.unexpected.empty()) tally.unexpected = e.what();
    }
  }
  return tally;
}

}  // namespace xptest
