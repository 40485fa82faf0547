// The stand-in host's journal: one line per thing the module made the host do, in order, so
// tests and the entry script can see what happened.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plavena {

// The lines live in one text, each followed by "\n": an import journals hundreds of thousands of
// objects, and a string of its own per line would cost an allocation each.
class Journal {
 public:
  void Append(std::string_view line) { Append(line, {}); }
  // The line `head` + `tail`.
  void Append(std::string_view head, std::string_view tail);
  std::vector<std::string> Lines() const;
  void Clear();
  // True when some line starts with `prefix`.
  bool Has(std::string_view prefix) const;
  const std::string& Text() const noexcept { return text_; }  // each line followed by "\n"

 private:
  std::string text_;
  std::vector<size_t> ends_;  // where each line's "\n" stands: a line may hold a line break
};

}  // namespace plavena
