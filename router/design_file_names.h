// How numbers and layers are written in the design file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "router/legacy_layer.h"

namespace router {

// Internal units (1/10000 mil) as mils with exactly three decimals: 125000 -> "12.500". Exact
// integer arithmetic; a remainder of exactly half a thousandth rounds to the even thousandth
// (12345 -> "1.234", 12355 -> "1.236"), symmetrically for negative values; zero has no sign.
std::string FormatDesignNumber(int32_t units);

// The layer's name in the design file: 82 "POWER", 56 and 74 "signal", else its legacy name.
std::string_view DesignFileLayerName(LegacyLayer layer);

}  // namespace router
