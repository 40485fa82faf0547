// The library's own packed form of debug information: a resource "DROSK"/"EXCEPT" in the module
// or a ".drosk" file beside it, enciphered and compressed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/drosk_map_file.h"

namespace drosk {

// Container layout: identification text (14 bytes), body length L, format version, body.
inline constexpr std::string_view kPackedIdentification = "droskDebugInfo";
inline constexpr uint32_t kPackedVersion = 2;
inline constexpr size_t kPackedHeaderSize = 22;
// The fixed word from which the body key is built for each container.
inline constexpr std::string_view kPackedKeyWord = "vorlak";

// A read-only stream over a block of memory: reads never go past its end.
class TMiniStream {
 public:
  explicit TMiniStream(std::string_view data) : data_(data) {}
  // Copies min(count, size - position) bytes and advances; returns how many.
  size_t Read(void* destination, size_t count);
  bool ReadExact(void* destination, size_t count) { return Read(destination, count) == count; }
  size_t Remaining() const { return data_.size() - position_; }
  size_t Position() const { return position_; }
  void Seek(size_t position) { position_ = position < data_.size() ? position : data_.size(); }

 private:
  std::string_view data_;
  size_t position_ = 0;
};

// The key of a container with body length `bodyLength`.
std::string PackedBodyKey(uint32_t bodyLength);

// Fills `map` from a container; true (and `isValid`) when it passed all checks and its three
// tables were read whole.
bool ReadPackedDebugInfo(TMapFile& map, std::string_view container);
// The container in the map's module, as resource "EXCEPT" of type "DROSK".
bool ReadPackedResource(TMapFile& map);

}  // namespace drosk
