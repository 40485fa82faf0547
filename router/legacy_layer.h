// The host's legacy layer numbers (1 top, 2..31 mid layers, 32 bottom, ... 82) and their names,
// as far as the rule tables need them.
#pragma once

#include <string_view>

namespace router {

using LegacyLayer = int;

inline constexpr LegacyLayer kNoLayer = 0;
inline constexpr LegacyLayer kTopLayer = 1;
inline constexpr LegacyLayer kBottomLayer = 32;
inline constexpr LegacyLayer kKeepOutLayer = 56;
inline constexpr LegacyLayer kMultiLayer = 74;
inline constexpr LegacyLayer kViaHoleLayer = 82;
inline constexpr LegacyLayer kLastLegacyLayer = 82;

// "NoLayer", "TopLayer", "MidLayer1" .. "MidLayer30", "BottomLayer", ... "ViaHoleLayer"; a number
// outside 0..82 is an assertion failure.
std::string_view LegacyLayerName(LegacyLayer layer);

}  // namespace router
