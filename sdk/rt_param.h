// Parameter texts: "name=value" pairs joined by "|", as the host passes them to commands and
// processes and as processes write their answers back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sdk {

// Texts of this length at most are what the host's short-text fields hold.
constexpr size_t kShortTextLength = 255;

struct TParameter {
  std::string name;   // trimmed, never empty
  std::string value;  // trimmed
};

// In order of appearance; a name may occur more than once.
using TParameterList = std::vector<TParameter>;

// Clears the list and fills it from a zero-terminated text (null reads as empty). Segments
// without "=" and pairs whose trimmed name is empty are dropped.
void ParseParameters(TParameterList& list, const char* text);

// Appends the pair unless the trimmed name is empty; name and value are stored trimmed.
void AddParameter(TParameterList& list, std::string_view name, std::string_view value);

// The first pair whose name matches: control characters dropped at both ends, ASCII letters
// compared without regard to case.
TParameter* FindParameter(TParameterList& list, std::string_view name);

// The list as a text.
std::string FormatParameters(const TParameterList& list);

// Writes the list into a caller's buffer of `capacity` bytes, terminator included. A text that
// does not fit leaves the buffer unchanged and yields false.
bool FormatParameters(const TParameterList& list, char* buffer, size_t capacity);

// The value of the named parameter of a text, cut to `max_length` characters; empty and false
// when the text is null or empty or has no such parameter. Lookups in the same text parse it
// once.
bool GetParameterValue(const char* text, std::string_view name, std::string& value,
                       size_t max_length = kShortTextLength);

// Sets or adds the pair in the text held by a buffer of `capacity` bytes and writes the whole
// text back; false, with the buffer unchanged, when the result does not fit.
bool SetParameterValue(char* buffer, size_t capacity, std::string_view name,
                       std::string_view value);

// Frees the lookup cache (the unit's end).
void ReleaseParameterCache();

}  // namespace sdk
