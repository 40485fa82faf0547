// Helpers of the crash-report tests for addresses and the texts of reports, traces and listings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

inline TAddress AddressOf(const void* p) {
  return static_cast<TAddress>(reinterpret_cast<uintptr_t>(p));
}

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The bytes written in hexadecimal pairs, blanks between them ignored: "8B 43 10".
inline std::vector<uint8_t> HexBytes(std::string_view hex) {
  std::vector<uint8_t> bytes;
  for (size_t at = hex.find_first_not_of(' '); at < hex.size();
       at = hex.find_first_not_of(' ', at + 2)) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(hex.substr(at, 2)), nullptr, 16)));
  }
  return bytes;
}

// The lines of a text joined by CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

// The section of a report whose first line starts with `title`, up to the next empty line,
// without its title line; empty when there is none.
inline std::string Section(const std::string& report, const std::string& title) {
  const size_t start = report.rfind(title, 0) == 0 ? 0 : report.find("\r\n" + title);
  if (start == std::string::npos) return {};
  const size_t body = report.find("\r\n", start + 2);
  if (body == std::string::npos) return {};
  const size_t end = report.find("\r\n\r\n", body);
  if (end == body) return {};
  return report.substr(body + 2, end == std::string::npos ? end : end - body - 2);
}

}  // namespace drosk
