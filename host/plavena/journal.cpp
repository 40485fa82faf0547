// The stand-in host's journal.
#include "host/plavena/journal.h"

namespace plavena {

void Journal::Append(std::string_view head, std::string_view tail) {
  text_.append(head).append(tail);
  ends_.push_back(text_.size());
  text_ += '\n';
}

std::vector<std::string> Journal::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(ends_.size());
  size_t start = 0;
  for (const size_t end : ends_) {
    lines.emplace_back(text_, start, end - start);
    start = end + 1;
  }
  return lines;
}

void Journal::Clear() {
  text_.clear();
  ends_.clear();
}

bool Journal::Has(std::string_view prefix) const {
  size_t start = 0;
  for (const size_t end : ends_) {
    if (std::string_view(text_).substr(start, end - start).starts_with(prefix)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace plavena
