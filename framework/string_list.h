// String lists: 8-bit (TStringList) and wide (TWideStringList), optionally sorted, with an
// object per line, name=value lines, the comma text and the CR LF text form.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/exception.h"
#include "framework/streams.h"

namespace framework {

class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

template <class String>
class TStringListOf {
 public:
  using Char = typename String::value_type;

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  const String& operator[](int index) const { return items_[Check(index)].text; }
  const String& Strings(int index) const { return (*this)[index]; }
  void SetString(int index, const String& text);
  void* Objects(int index) const { return items_[Check(index)].object; }
  void SetObject(int index, void* object) { items_[Check(index)].object = object; }

  // The index the line got; a sorted list puts it in place and applies Duplicates.
  int Add(const String& text) { return AddObject(text, nullptr); }
  int AddObject(const String& text, void* object);
  void Insert(int index, const String& text);
  void Delete(int index);
  void Clear();
  void Assign(const TStringListOf& other);
  void Exchange(int a, int b);

  // Case is ignored unless CaseSensitive; -1 when absent.
  int IndexOf(const String& text) const;
  int IndexOfName(const String& name) const;
  int IndexOfObject(const void* object) const;
  // Sorted lists only: whether the text is there, and where it is or would go.
  bool Find(const String& text, int& index) const;
  void Sort();
  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const noexcept { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const noexcept { return case_sensitive_; }
  void SetCaseSensitive(bool value);

  // name=value lines.
  String Names(int index) const;
  String ValueFromIndex(int index) const;
  String Values(const String& name) const;
  // An empty value removes the line.
  void SetValue(const String& name, const String& value);

  // Every line followed by CR LF; reading splits at CR LF, LF or CR.
  String Text() const;
  void SetText(const String& text);
  // Lines separated by commas; lines with spaces, commas or quotes in double quotes.
  String CommaText() const;
  void SetCommaText(const String& text);

  // 8-bit lists read and write the bytes; wide lists UTF-16 with a byte-order mark.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

  std::vector<String> ToVector() const;
  std::function<void()> OnChange;

 private:
  struct Item {
    String text;
    void* object = nullptr;
  };
  size_t Check(int index) const;
  int Compare(const String& a, const String& b) const;
  void Changed() {
    if (OnChange) OnChange();
  }

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

using TStringList = TStringListOf<std::string>;
using TWideStringList = TStringListOf<std::wstring>;
using TStrings = TStringList;

extern template class TStringListOf<std::string>;
extern template class TStringListOf<std::wstring>;

}  // namespace framework
