// Delimited name-value lists.
#include "sdk/delimited_list.h"

#include "sdk/ascii_case.h"

namespace sdk {

namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}


}  // namespace

void DelimitedList::Add(std::string_view name, std::string_view value) {
  std::string entry(name);
  entry += separator_;
  entry += value;
  entries_.push_back(std::move(entry));
}

std::string_view DelimitedList::NameOf(size_t index) const {
  const std::string_view entry = entries_.at(index);
  return entry.substr(0, entry.find(separator_));
}

std::string_view DelimitedList::ValueOf(size_t index) const {
  const std::string_view entry = entries_.at(index);
  const size_t at = entry.find(separator_);
  return at == std::string_view::npos ? std::string_view() : entry.substr(at + 1);
}

std::string_view DelimitedList::Value(std::string_view name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string_view entry = entries_[i];
    const size_t at = entry.find(separator_);
    if (at != std::string_view::npos && EqualsIgnoringCase(entry.substr(0, at), name)) return ValueOf(i);
  }
  return {};
}

std::string DelimitedList::Text() const {
  if (entries_.size() == 1 && entries_.front().empty()) return std::string(2, kQuote);
  std::string text;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i) text += delimiter_;
    const std::string& entry = entries_[i];
    bool quote = false;
    for (char c : entry) {
      if (static_cast<unsigned char>(c) <= ' ' || c == kQuote || c == delimiter_) quote = true;
    }
    if (!quote) {
      text += entry;
      continue;
    }
    text += kQuote;
    for (char c : entry) {
      if (c == kQuote) text += kQuote;
      text += c;
    }
    text += kQuote;
  }
  return text;
}

void DelimitedList::SetText(std::string_view text) {
  entries_.clear();
  text = text.substr(0, text.find('\0'));  // the stored form ends at a NUL, as the host's texts do
  size_t p = 0;
  const size_t n = text.size();
  auto skip_blanks = [&] {
    while (p < n && IsBlankOrControl(text[p])) ++p;
  };
  skip_blanks();
  while (p < n) {
    std::string entry;
    if (text[p] == kQuote) {
      // Up to the matching quote; a doubled quote stands for one. An unclosed quote takes the rest.
      ++p;
      while (p < n) {
        if (text[p] == kQuote) {
          if (p + 1 < n && text[p + 1] == kQuote) {
            entry += kQuote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        entry += text[p++];
      }
    } else {
      const size_t start = p;
      while (p<n&& static_cast<unsigned char>(text[p])> ' ' && text[p] != delimiter_) ++p;
      entry.assign(text.substr(start, p - start));
    }
    entries_.push_back(std::move(entry));
    skip_blanks();
    if (p < n && text[p] == delimiter_) {
      ++p;
      if (p == n) entries_.emplace_back();
      skip_blanks();
    }
  }
}

}  // namespace sdk
