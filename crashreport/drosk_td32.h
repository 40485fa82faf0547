// TD32 debug information: in the module's debug data, in a ".tds" file beside it, or at the
// end of the module file.
#pragma once

#include <string_view>

#include "crashreport/drosk_map_file.h"

namespace drosk {

// Finds and reads TD32 data for the map's module; `headers` are its image ranges when they
// could be read. True when data was found and read.
bool ReadTd32(TMapFile& map, const TImageRanges* headers);
// Reads TD32 data that starts at the first byte of `data`; every offset is checked against it.
bool ReadTd32Data(TMapFile& map, std::string_view data);

// TD32 signatures and subsection types.
inline constexpr std::string_view kTd32Signature09 = "FB09", kTd32Signature0A = "FB0A";
inline constexpr uint16_t kSstModule = 0x120, kSstAlignSym = 0x125, kSstSrcModule = 0x127,
                          kSstGlobalSym = 0x129, kSstNames = 0x130;

}  // namespace drosk
