// The stand-in host's journal.
#include "host/plavena/journal.h"

namespace plavena {

bool Journal::Has(const std::string& prefix) const {
  for (const std::string& line : lines_) {
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

std::string Journal::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}

}  // namespace plavena
