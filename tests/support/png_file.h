// Pictures of what tests drew, as PNG files under build/pictures/ for a reviewer to look at.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// Writes 32-bit BGRA pixels (rows top to bottom, `stride` bytes apart) as an RGB PNG.
void WritePng(const std::string& path, int width, int height, const uint8_t* pixels, int stride);
// build\pictures\NAME.png; the folder is made on first use.
std::string PicturePath(const std::string& name);

}  // namespace testsupport
