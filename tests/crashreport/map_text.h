// The tables a debug-information reader filled, as text, addresses as offsets from `base`.
#pragma once

#include <string>

#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_strings.h"

namespace drosk {

// "unit@start+length" of the segments, "c" or "d" for code or data.
inline std::string Segments(const TMapFile& map, TAddress base = 0) {
  std::string out;
  for (const auto& s : map.segments) {
    out += s.unitName + "@" + IntToHex(s.start - base) + "+" + IntToHex(s.length) +
           (s.isCode ? "c " : "d ");
  }
  return out;
}

// "name@address" of the publics, "d" after data.
inline std::string Publics(const TMapFile& map, TAddress base = 0) {
  std::string out;
  for (const auto& p : map.publics)
    out += p.name + "@" + IntToHex(p.address - base) + (p.isCode ? " " : "d ");
  return out;
}

// "line@address" of the line records.
inline std::string LineRecords(const TMapFile& map, TAddress base = 0) {
  std::string out;
  for (const TMfLine& l : map.lines)
    out += std::to_string(l.line) + "@" + IntToHex(l.address - base) + " ";
  return out;
}

}  // namespace drosk
