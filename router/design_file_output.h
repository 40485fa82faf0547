// The design file's text output: statements composed on one line, lines written at the current
// nesting level (four blanks a level) and ended by CR LF. The only code that knows that layout.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "router/design_file_names.h"
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
  StatementText& Close();  // ")"
  // The finished statement; every opened list must be closed.
  std::string Take();

 private:
  void Separate();

  std::string text_;
  int open_ = 0;
};

// Text composed in place: words are copied by short copies of the writer's own and numbers are
// formatted straight into the buffer. A design file is made of short words, and appending each
// of them to a std::string went through the C runtime's memcpy, which cost more than the word.
class DesignText {
 public:
  DesignText& Put(std::string_view text) {
    CopyShort(Room(text.size()), text.data(), text.size());
    size_ += text.size();
    return *this;
  }
  DesignText& Put(char c) {
    *Room(1) = c;
    ++size_;
    return *this;
  }
  // The first `count` bytes of `text`, copied as `Copy` bytes at once: `text` must hold `Copy`
  // bytes, and `count` be at most `Copy`.
  template <size_t Copy>
  DesignText& PutFixed(const char* text, size_t count) {
    std::memcpy(Room(Copy), text, Copy);
    size_ += count;
    return *this;
  }
  // FormatDesignNumber; inline, for the millions of numbers of a large board.
  DesignText& Number(int32_t units) {
    size_ = static_cast<size_t>(PutDesignNumber(Room(kMaxDesignNumberSize), units) - data_.get());
    return *this;
  }
  DesignText& Name(std::string_view name);  // EscapeName
  DesignText& Blanks(size_t count);
  DesignText& LineEnd() { return Put("\r\n"); }

  std::string_view View() const { return {data_.get(), size_}; }
  void Clear() { size_ = 0; }

 private:
  // Room for `count` more bytes at the end.
  char* Room(size_t count) {
    if (capacity_ - size_ < count) Grow(count);
    return data_.get() + size_;
  }
  void Grow(size_t count);
  // Up to 32 bytes in two overlapping copies of fixed size, which the compiler makes inline.
  static void CopyShort(char* to, const char* from, size_t count) {
    if (count > 32) {
      std::memcpy(to, from, count);
    } else if (count >= 16) {
      std::memcpy(to, from, 16);
      std::memcpy(to + count - 16, from + count - 16, 16);
    } else if (count >= 8) {
      std::memcpy(to, from, 8);
      std::memcpy(to + count - 8, from + count - 8, 8);
    } else if (count >= 4) {
      std::memcpy(to, from, 4);
      std::memcpy(to + count - 4, from + count - 4, 4);
    } else {
      for (size_t i = 0; i < count; ++i) to[i] = from[i];
    }
  }

  std::unique_ptr<char[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

class DesignFileOutput {
 public:
  // Hands the text to `send` in pieces, so that a large section goes out piece by piece rather
  // than being held whole: a piece is the lines ended once they make `threshold` bytes or more,
  // handed over straight from the buffer they were composed in.
  DesignFileOutput(size_t threshold, std::function<void(std::string_view)> send)
      : send_threshold_(threshold), send_(std::move(send)) {}
  // Appends each line to `out` once ended; `out` must outlive the output.
  explicit DesignFileOutput(std::string& out)
      : DesignFileOutput(0, [&out](std::string_view text) { out.append(text); }) {}

  int Level() const { return level_; }
  // Four blanks a level; empty at level 0 or below.
  std::string IndentText() const;
  // The indentation, the text and CR LF.
  void Line(std::string_view text) {
    Begin().Put(text);
    End();
  }
  // Lines composed in the output's own buffer and handed to the text in one piece: Begin ends
  // the line begun before (with CR LF) and begins one at the current level, giving the buffer to
  // add its words; End ends the line and hands the lines begun since the last End to the text.
  // Text begun is in the output only after End.
  DesignText& Begin() {
    // The end of the line begun before and the indentation of this one, in one copy of a fixed
    // 32 bytes, the bytes past the line's start being overwritten by its words; inline, since
    // every line of the file begins here.
    const size_t blanks = level_ > 0 ? static_cast<size_t>(level_) * 4 : 0;
    if (blanks > kInlineBlanks) return BeginDeep(blanks);
    const size_t from = line_open_ ? 0 : 2;
    line_open_ = true;
    return lines_.PutFixed<kLineStartCopy>(kBreakAndBlanks + from, blanks + 2 - from);
  }
  void End();
  // Hands the lines ended so far to `send` as a piece of their own, whatever their size: a piece
  // that ends a section. No line may be begun and not ended.
  void Send();
  void Raise(int levels = 1) { level_ += levels; }
  void Lower(int levels = 1) { level_ -= levels; }

 private:
  static constexpr size_t kLineStartCopy = 32;
  // The deepest indentation Begin copies itself: CR LF and the blanks fit one copy.
  static constexpr size_t kInlineBlanks = kLineStartCopy - 2;
  // Room for a copy of kLineStartCopy bytes from either of the first two bytes.
  static constexpr char kBreakAndBlanks[kLineStartCopy + 3] =
      "\r\n                                ";
  // Begin at a level deeper than kBreakAndBlanks holds.
  DesignText& BeginDeep(size_t blanks);
  void SendLines();

  int level_ = 0;
  DesignText lines_;  // begun or ended and not yet handed on
  bool line_open_ = false;
  size_t send_threshold_ = 0;
  std::function<void(std::string_view)> send_;
};

// A file the design file could not be written to: the message names the file and the reason.
class EDesignFileError : public sdk::Exception {
 public:
  using Exception::Exception;
};

// Copper with a size no copper can have (a negative width, radius or pad size): the router would
// refuse the file or see no copper there, and leaving the object out would lose it unseen. Raises
// EDesignFileError naming the object ("track from 1.000 2.000 to 3.000 4.000 on TopLayer"), the
// size and its value.
[[noreturn]] void RefuseCopperSize(const std::string& object, const std::string& size,
                                   int32_t value);

// The design file on disk, written by a thread of its own: the system's copy of each piece into
// the file overlaps with composing the next. Every write and the close are checked; a write
// that fails raises EDesignFileError from a send after it or else from the close.
class DesignFileStream {
 public:
  // Creates the temporary file `path` empty (or empties it); failures name `target`, the design
  // file it becomes, and the temporary file with the system's reason.
  DesignFileStream(const std::string& path, const std::string& target);
  // Closes an unclosed file, once the pieces queued are written, without looking at the result:
  // the caller failed already.
  ~DesignFileStream();
  DesignFileStream(const DesignFileStream&) = delete;
  DesignFileStream& operator=(const DesignFileStream&) = delete;

  // Queues a copy of `text` for the file. Waits while pieces sent before wait still, so that
  // the text held stays small.
  void Send(std::string_view text);
  // Waits for the text queued to be in the file, then closes it.
  void Close();

 private:
  struct Writer;

  [[noreturn]] void Fail(unsigned long error) const;

  std::string path_;
  std::string target_;
  std::unique_ptr<Writer> writer_;  // null once closed
};

}  // namespace router
