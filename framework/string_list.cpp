// String lists.
#include "framework/string_list.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace framework {

namespace {

// Ordinal comparison of the upper-cased code units: the same order for 8-bit and wide lists.
template <class Char>
int CompareText(const std::basic_string<Char>& a, const std::basic_string<Char>& b,
                bool sensitive) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(a[i]));
    auto y = static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(b[i]));
    if (!sensitive) {
      x = x < 128 ? static_cast<unsigned>(toupper(static_cast<int>(x))) : x;
      y = y < 128 ? static_cast<unsigned>(toupper(static_cast<int>(y))) : y;
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <class String>
String Literal(const char* text) {
  return String(text, text + std::char_traits<char>::length(text));
}

}  // namespace

template <class String>
size_t TStringListOf<String>::Check(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return static_cast<size_t>(index);
}

template <class String>
int TStringListOf<String>::Compare(const String& a, const String& b) const {
  return CompareText(a, b, case_sensitive_);
}

template <class String>
void TStringListOf<String>::SetString(int index, const String& text) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  items_[Check(index)].text = text;
  Changed();
}

template <class String>
int TStringListOf<String>::AddObject(const String& text, void* object) {
  int index = Count();
  if (sorted_ && Find(text, index)) {
    if (duplicates_ == TDuplicates::dupIgnore) return index;
    if (duplicates_ == TDuplicates::dupError) {
      throw EStringListError("String list does not allow duplicates");
    }
    // Accepted: after its equals, so that equal lines keep the order they came in.
    while (index < Count() && Compare(items_[static_cast<size_t>(index)].text, text) == 0) ++index;
  }
  items_.insert(items_.begin() + index, Item{text, object});
  Changed();
  return index;
}

template <class String>
void TStringListOf<String>::Insert(int index, const String& text) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  items_.insert(items_.begin() + index, Item{text, nullptr});
  Changed();
}

template <class String>
void TStringListOf<String>::Delete(int index) {
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(Check(index)));
  Changed();
}

template <class String>
void TStringListOf<String>::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

template <class String>
void TStringListOf<String>::Assign(const TStringListOf& other) {
  if (&other == this) return;
  items_ = other.items_;
  if (sorted_) Sort();
  Changed();
}

template <class String>
void TStringListOf<String>::Exchange(int a, int b) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  std::swap(items_[Check(a)], items_[Check(b)]);
  Changed();
}

template <class String>
int TStringListOf<String>::IndexOf(const String& text) const {
  if (sorted_) {
    int index = 0;
    return Find(text, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (Compare(items_[static_cast<size_t>(i)].text, text) == 0) return i;
  }
  return -1;
}

template <class String>
int TStringListOf<String>::IndexOfName(const String& name) const {
  for (int i = 0; i < Count(); ++i) {
    const String& line = items_[static_cast<size_t>(i)].text;
    const size_t equals = line.find(Char('='));
    if (equals != String::npos && Compare(line.substr(0, equals), name) == 0) return i;
  }
  return -1;
}

template <class String>
int TStringListOf<String>::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)].object == object) return i;
  }
  return -1;
}

template <class String>
bool TStringListOf<String>::Find(const String& text, int& index) const {
  // The first of equal lines, so that duplicates stay in the order they came.
  int low = 0, high = Count();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (Compare(items_[static_cast<size_t>(middle)].text, text) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  index = low;
  return low < Count() && Compare(items_[static_cast<size_t>(low)].text, text) == 0;
}

template <class String>
void TStringListOf<String>::Sort() {
  if (items_.size() < 2) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  Changed();
}

template <class String>
void TStringListOf<String>::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (sorted) Sort();
}

template <class String>
void TStringListOf<String>::SetCaseSensitive(bool value) {
  if (value == case_sensitive_) return;
  case_sensitive_ = value;
  if (sorted_) Sort();
}

template <class String>
String TStringListOf<String>::Names(int index) const {
  const String& line = (*this)[index];
  const size_t equals = line.find(Char('='));
  return equals == String::npos ? String() : line.substr(0, equals);
}

template <class String>
String TStringListOf<String>::ValueFromIndex(int index) const {
  const String& line = (*this)[index];
  const size_t equals = line.find(Char('='));
  return equals == String::npos ? String() : line.substr(equals + 1);
}

template <class String>
String TStringListOf<String>::Values(const String& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? String() : ValueFromIndex(index);
}

template <class String>
void TStringListOf<String>::SetValue(const String& name, const String& value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  const String line = name + Char('=') + value;
  if (index < 0) {
    Add(line);
  } else if (sorted_) {
    Delete(index);
    Add(line);
  } else {
    SetString(index, line);
  }
}

template <class String>
String TStringListOf<String>::Text() const {
  String text;
  for (const Item& item : items_) text += item.text + Literal<String>("\r\n");
  return text;
}

template <class String>
void TStringListOf<String>::SetText(const String& text) {
  items_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n')) ++end;
    items_.push_back(Item{text.substr(start, end - start), nullptr});
    if (end < text.size() && text[end] == Char('\r')) ++end;
    if (end < text.size() && text[end] == Char('\n')) ++end;
    start = end;
  }
  if (sorted_) {
    std::vector<Item> read = std::move(items_);
    items_.clear();
    for (Item& item : read) AddObject(item.text, nullptr);
  }
  Changed();
}

template <class String>
String TStringListOf<String>::CommaText() const {
  String text;
  for (size_t i = 0; i < items_.size(); ++i) {
    const String& line = items_[i].text;
    if (i) text += Char(',');
    const bool quote = line.empty() || std::any_of(line.begin(), line.end(), [](Char c) {
                         return c <= Char(' ') || c == Char(',') || c == Char('"');
                       });
    if (!quote) {
      text += line;
      continue;
    }
    text += Char('"');
    for (Char c : line) {
      if (c == Char('"')) text += Char('"');
      text += c;
    }
    text += Char('"');
  }
  return text;
}

template <class String>
void TStringListOf<String>::SetCommaText(const String& text) {
  std::vector<Item> read;
  size_t pos = 0;
  const auto skip_blanks = [&] {
    while (pos < text.size() && text[pos] > Char(0) && text[pos] <= Char(' ')) ++pos;
  };
  skip_blanks();
  while (pos < text.size()) {
    String line;
    if (text[pos] == Char('"')) {
      for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == Char('"')) {
          if (pos + 1 < text.size() && text[pos + 1] == Char('"')) {
            line += Char('"');
            ++pos;
            continue;
          }
          ++pos;
          break;
        }
        line += text[pos];
      }
    } else {
      // Unquoted lines end at a comma or a blank.
      while (pos < text.size() && text[pos] > Char(' ') && text[pos] != Char(','))
        line += text[pos++];
    }
    read.push_back(Item{line, nullptr});
    skip_blanks();
    if (pos < text.size() && text[pos] == Char(',')) {
      ++pos;
      skip_blanks();
      if (pos == text.size()) read.push_back(Item{String(), nullptr});  // "a," ends empty
    }
  }
  items_.clear();
  for (Item& item : read) {
    if (sorted_) {
      AddObject(item.text, nullptr);
    } else {
      items_.push_back(std::move(item));
    }
  }
  Changed();
}

template <class String>
void TStringListOf<String>::LoadFromStream(TStream& stream) {
  const std::string bytes = stream.ReadRest();
  if constexpr (sizeof(Char) == 1) {
    SetText(bytes);
  } else {
    size_t start = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0;
    String text((bytes.size() - start) / 2, Char());
    std::copy_n(bytes.data() + start, text.size() * 2, reinterpret_cast<char*>(text.data()));
    SetText(text);
  }
}

template <class String>
void TStringListOf<String>::SaveToStream(TStream& stream) const {
  const String text = Text();
  if constexpr (sizeof(Char) != 1) stream.WriteBuffer("\xFF\xFE", 2);
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size() * sizeof(Char)));
}

template <class String>
void TStringListOf<String>::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

template <class String>
void TStringListOf<String>::SaveToFile(const std::string& path) const {
  TFileStream file(path, fmCreate);
  SaveToStream(file);
}

template <class String>
std::vector<String> TStringListOf<String>::ToVector() const {
  std::vector<String> lines;
  for (const Item& item : items_) lines.push_back(item.text);
  return lines;
}

template class TStringListOf<std::string>;
template class TStringListOf<std::wstring>;

}  // namespace framework
