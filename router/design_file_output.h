// The design file's text output: statements composed on one line, lines written at the current
// nesting level (four blanks a level) and ended by CR LF. The only code that knows that layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace router {

// One s-expression statement on one line: "(clearance 10.000 (type pin_pin pin_via))". Items are
// separated by one blank, except right after an opening parenthesis.
class StatementText {
 public:
  StatementText& Open(std::string_view keyword);  // "(keyword"
  StatementText& Word(std::string_view word);     // a keyword or a name already in file form
  StatementText& Number(int32_t units);           // FormatDesignNumber
  StatementText& Close();                         // ")"
  // The finished statement; every opened list must be closed.
  std::string Take();

 private:
  void Separate();

  std::string text_;
  int open_ = 0;
};

class DesignFileOutput {
 public:
  // Appends to `out`, which must outlive the output.
  explicit DesignFileOutput(std::string& out) : out_(out) {}

  int Level() const { return level_; }
  // Four blanks a level; empty at level 0 or below.
  std::string IndentText() const;
  // The indentation, the text and CR LF.
  void Line(std::string_view text);
  void Raise(int levels = 1) { level_ += levels; }
  void Lower(int levels = 1) { level_ -= levels; }

 private:
  std::string& out_;
  int level_ = 0;
};

}  // namespace router
