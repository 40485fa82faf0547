// Whether a file already holds given bytes: a writer that would put the same bytes back skips
// the write and the flush to the disk that makes it safe.
#pragma once

#include <string>
#include <string_view>

namespace framework {

// True when the file at `path` exists, can be read and holds exactly `bytes`; false otherwise,
// also when it cannot be read (the writer then writes, and reports a failure of its own).
bool FileHoldsBytes(const std::string& path, std::string_view bytes);

}  // namespace framework
