// One-line lists of "name<separator>value" entries joined by a delimiter, with '"' quoting: the
// convention under the stored forms of layer hashes and layer sets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sdk {

class DelimitedList {
 public:
  static constexpr char kQuote = '"';

  DelimitedList(char delimiter, char name_value_separator)
      : delimiter_(delimiter), separator_(name_value_separator) {}

  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  void Add(std::string_view name, std::string_view value);
  const std::vector<std::string>& Entries() const { return entries_; }

  // The name ends at the first separator; an entry without one is all name and has no value.
  std::string_view NameOf(size_t index) const;
  std::string_view ValueOf(size_t index) const;
  // The value of the first entry with this name (ASCII case ignored); empty when there is none.
  std::string_view Value(std::string_view name) const;

  // Entries joined by the delimiter; an entry holding a character of code 32 or below, the quote
  // or the delimiter is quoted with inner quotes doubled. One empty entry is written as "".
  std::string Text() const;
  // Replaces the entries with those of the text.
  void SetText(std::string_view text);

 private:
  char delimiter_;
  char separator_;
  std::vector<std::string> entries_;
};

}  // namespace sdk
