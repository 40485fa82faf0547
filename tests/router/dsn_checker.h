// A strict reader of the design files the tests write: balanced parentheses, CR LF line ends,
// numbers where numbers belong, only the keywords each statement allows, and every padstack,
// image, component, pin and net that is referred to defined in the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dsntest {

// The problems found, each "line:column: what"; empty for a sound file.
std::vector<std::string> CheckDesignFile(std::string_view text);

// The problems joined by line breaks, for test messages.
std::string Describe(const std::vector<std::string>& problems);

// `text` with CR LF line ends, as the design file has them.
std::string Crlf(std::string text);

}  // namespace dsntest
