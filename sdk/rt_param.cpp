// Parameter texts.
#include "sdk/rt_param.h"

#include <cstring>
#include <memory>

#include "sdk/ascii_case.h"

namespace sdk {

namespace {

// Only control characters go: a looked-up name with a leading blank does not match.
std::string_view DropControlCharacters(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) < ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) < ' ') text.remove_suffix(1);
  return text;
}

bool NamesMatch(std::string_view a, std::string_view b) {
  return EqualsIgnoringCase(DropControlCharacters(a), DropControlCharacters(b));
}

// The text last parsed for a lookup, and its pairs.
struct LookupCache {
  std::string text;
  TParameterList list;
};
std::unique_ptr<LookupCache> lookup_cache;

}  // namespace

void ParseParameters(TParameterList& list, const char* text) {
  list.clear();
  if (!text) return;
  const std::string_view all(text);
  size_t segment = 0;
  while (segment <= all.size()) {
    const size_t end = std::min(all.find('|', segment), all.size());
    const std::string_view pair = all.substr(segment, end - segment);
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos) {
      AddParameter(list, pair.substr(0, equals), pair.substr(equals + 1));
    }
    segment = end + 1;
  }
}

void AddParameter(TParameterList& list, std::string_view name, std::string_view value) {
  name = TrimBlanks(name);
  if (name.empty()) return;
  list.push_back({std::string(name), std::string(TrimBlanks(value))});
}

TParameter* FindParameter(TParameterList& list, std::string_view name) {
  for (TParameter& parameter : list) {
    if (NamesMatch(parameter.name, name)) return &parameter;
  }
  return nullptr;
}

std::string FormatParameters(const TParameterList& list) {
  std::string text;
  for (const TParameter& parameter : list) {
    if (&parameter != &list.front()) text += '|';
    text += parameter.name;
    text += '=';
    text += parameter.value;
  }
  return text;
}

bool FormatParameters(const TParameterList& list, char* buffer, size_t capacity) {
  const std::string text = FormatParameters(list);
  if (text.size() + 1 > capacity) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

bool GetParameterValue(const char* text, std::string_view name, std::string& value,
                       size_t max_length) {
  value.clear();
  if (!text || !*text) return false;
  if (!lookup_cache) lookup_cache = std::make_unique<LookupCache>();
  if (lookup_cache->text != text) {
    lookup_cache->text = text;
    ParseParameters(lookup_cache->list, text);
  }
  const TParameter* found = FindParameter(lookup_cache->list, name);
  if (!found) return false;
  value = found->value.substr(0, max_length);
  return true;
}

bool SetParameterValue(char* buffer, size_t capacity, std::string_view name,
                       std::string_view value) {
  TParameterList list;
  ParseParameters(list, buffer);
  if (TParameter* existing = FindParameter(list, name)) {
    existing->value = std::string(TrimBlanks(value));
  } else {
    AddParameter(list, name, value);
  }
  return FormatParameters(list, buffer, capacity);
}

void ReleaseParameterCache() { lookup_cache.reset(); }

}  // namespace sdk
