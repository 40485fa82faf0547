// Damaged input for the framework's readers: form descriptions, bitmap files and ini files. Each
// routine returns an empty text when every run kept the reader's promises (the input loads, or
// is refused with the reader's own error), else what was broken with the input that broke it.
// A crash or a stack overflow ends the process, which fails the run as well.
#pragma once

#include <cstdint>
#include <string>

namespace fuzz {

// Copies of `description` (a form of class TSampleForm) with bytes flipped, dropped and
// repeated and syntax pieces put in.
std::string FuzzFormReader(const std::string& description, uint32_t seed, int iterations);
// Bitmap files of every bit depth with damaged header fields, colour tables and lengths, read
// as files and as the picture data of a form.
std::string FuzzBitmapReader(uint32_t seed, int iterations);
// Ini texts with damaged lines, read from `path` in both line modes; changes made to what was
// read must agree with a plain model of the file.
std::string FuzzIniReader(const std::string& path, uint32_t seed, int iterations);

}  // namespace fuzz
