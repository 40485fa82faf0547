// Inputs for the framework's readers, made by hand: bitmap files with every header field under
// the test's control, and ini texts of many keys. Shared by the unit tests and the fuzz program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace samples {

struct BitmapSpec {
  WORD bits = 8;
  LONG width = 8;
  LONG height = 8;
  DWORD header_size = sizeof(BITMAPINFOHEADER);  // stated; 40 bytes are written either way
  DWORD compression = BI_RGB;
  DWORD colours_used = 0;
  int table_entries = 256;   // colours actually written after the header
  DWORD size_image = 0;      // for run-length data: the pixel bytes written
  int64_t pixel_bytes = -1;  // -1: as many as the sizes need
};

// A .bmp file: file header, info header, colour table, then pixel bytes (a repeating pattern,
// or zeros for run-length data). The file header's pixel offset follows the stated header size,
// in 32-bit arithmetic as a writer would compute it.
std::string BitmapFile(const BitmapSpec& spec);

// "[Section<s>]" with "Key<k>=Value<k>" lines: `keys` keys over `sections` sections.
std::string IniText(int sections, int keys);

}  // namespace samples
