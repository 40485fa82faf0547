// The stand-in host's journal: one line per thing the module made the host do, in order, so
// tests and the entry script can see what happened.
#pragma once

#include <string>
#include <vector>

namespace plavena {

class Journal {
 public:
  void Append(std::string line) { lines_.push_back(std::move(line)); }
  const std::vector<std::string>& Lines() const noexcept { return lines_; }
  void Clear() { lines_.clear(); }
  // True when some line starts with `prefix`.
  bool Has(const std::string& prefix) const;
  std::string Text() const;  // lines joined with "\n"

 private:
  std::vector<std::string> lines_;
};

}  // namespace plavena
