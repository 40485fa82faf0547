// The design file's text output: statements composed on one line, lines written at the current
// nesting level (four blanks a level) and ended by CR LF. The only code that knows that layout.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sdk/exceptions.h"

namespace router {

// One s-expression statement on one line: "(clearance 10.000 (type pin_pin pin_via))". Items are
// separated by one blank, except right after an opening parenthesis.
class StatementText {
 public:
  StatementText& Open(std::string_view keyword);  // "(keyword"
  StatementText& Word(std::string_view word);     // a keyword or a name already in file form
  StatementText& Number(int32_t units);           // FormatDesignNumber
  // "(rect layer x1 y1 x2 y2)"
  StatementText& Rect(std::string_view layer, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
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
  // Calls `spill` whenever a line leaves `threshold` bytes or more of text, so that a large section
  // goes out in pieces instead of being held whole; `spill` takes the text out.
  void SpillEvery(size_t threshold, std::function<void()> spill) {
    spill_threshold_ = threshold;
    spill_ = std::move(spill);
  }
  void Raise(int levels = 1) { level_ += levels; }
  void Lower(int levels = 1) { level_ -= levels; }

 private:
  std::string& out_;
  int level_ = 0;
  size_t spill_threshold_ = 0;
  std::function<void()> spill_;
};

// A file the design file could not be written to: the message names the file and the reason.
class EDesignFileError : public sdk::Exception {
 public:
  using Exception::Exception;
};

// The design file on disk: the text of the output appended piece by piece. Every write and the
// close are checked; a failure raises EDesignFileError.
class DesignFileStream {
 public:
  // Creates the temporary file `path` empty (or empties it); failures name `target`, the design
  // file it becomes, and the temporary file with the system's reason.
  DesignFileStream(const std::string& path, const std::string& target);
  // Closes an unclosed file without looking at the result: the caller failed already.
  ~DesignFileStream();
  DesignFileStream(const DesignFileStream&) = delete;
  DesignFileStream& operator=(const DesignFileStream&) = delete;

  void Write(std::string_view text);
  // Writes `text` and empties it.
  void Flush(std::string& text);
  void Close();

 private:
  [[noreturn]] void Fail() const;

  std::string path_;
  std::string target_;
  void* handle_ = nullptr;  // HANDLE; kept out of this header
};

}  // namespace router
