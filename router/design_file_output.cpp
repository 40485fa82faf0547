// The design file's text output.
#include "router/design_file_output.h"

#include <windows.h>

#include <algorithm>

#include "framework/win/text.h"
#include "sdk/common_utils.h"

#include "router/design_file_names.h"
#include "sdk/exceptions.h"
#include "sdk/file_ownership.h"

namespace router {

void StatementText::Separate() {
  if (!text_.empty() && text_.back() != '(') text_ += ' ';
}

StatementText& StatementText::Open(std::string_view keyword) {
  Separate();
  text_ += '(';
  text_ += keyword;
  ++open_;
  return *this;
}

StatementText& StatementText::Word(std::string_view word) {
  Separate();
  text_ += word;
  return *this;
}

StatementText& StatementText::Number(int32_t units) {
  Separate();
  AppendDesignNumber(text_, units);
  return *this;
}

StatementText& StatementText::Rect(std::string_view layer, int32_t x1, int32_t y1, int32_t x2,
                                   int32_t y2) {
  return Open("rect").Word(layer).Number(x1).Number(y1).Number(x2).Number(y2).Close();
}

StatementText& StatementText::Close() {
  RTL_ASSERT(open_ > 0, "Statement closed more often than opened");
  text_ += ')';
  --open_;
  return *this;
}

std::string StatementText::Take() {
  RTL_ASSERT(open_ == 0, "Statement left open");
  std::string text;
  text.swap(text_);
  return text;
}

std::string DesignFileOutput::IndentText() const {
  return level_ > 0 ? std::string(static_cast<size_t>(level_) * 4, ' ') : std::string();
}

DesignText& DesignText::Name(std::string_view name) {
  size_ =
      static_cast<size_t>(PutEscapedName(Room(kMaxEscapeSize * name.size()), name) - data_.get());
  return *this;
}

DesignText& DesignText::Blanks(size_t count) {
  static constexpr char kBlanks[] = "                ";  // 16
  char* at = Room(count);
  size_ += count;
  for (; count >= 16; count -= 16, at += 16) std::memcpy(at, kBlanks, 16);
  CopyShort(at, kBlanks, count);
  return *this;
}

void DesignText::Grow(size_t count) {
  const size_t capacity = std::max<size_t>({256, 2 * capacity_, size_ + count});
  std::unique_ptr<char[]> data(new char[capacity]);
  if (size_ != 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

DesignText& DesignFileOutput::BeginDeep(size_t blanks) {
  if (line_open_) lines_.LineEnd();
  line_open_ = true;
  return lines_.Blanks(blanks);
}

void DesignFileOutput::End() {
  if (line_open_) lines_.LineEnd();
  line_open_ = false;
  out_.append(lines_.View());
  lines_.Clear();
  if (spill_ && out_.size() >= spill_threshold_) spill_();
}

DesignFileStream::DesignFileStream(const std::string& path, const std::string& target)
    : path_(path), target_(target) {
  HANDLE file = CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail();
  handle_ = file;
}

DesignFileStream::~DesignFileStream() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
}

void DesignFileStream::Fail() const {
  const DWORD error = GetLastError();
  throw EDesignFileError(
      sdk::FileWriteFailure("the design file", target_, sdk::TemporaryFileFailure(path_, error)));
}

void DesignFileStream::Write(std::string_view text) {
  if (!handle_) Fail();
  while (!text.empty()) {
    // WriteFile takes 32-bit counts; pieces keep a huge section from overflowing them.
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(text.size(), 1u << 24));
    DWORD written = 0;
    // A full disk may end a write early without an error of its own; an older code (the
    // creation's "already exists") must not stand in for it.
    SetLastError(ERROR_SUCCESS);
    if (!WriteFile(static_cast<HANDLE>(handle_), text.data(), piece, &written, nullptr) ||
        written != piece) {
      if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
      Fail();
    }
    text.remove_prefix(piece);
  }
}

void DesignFileStream::Flush(std::string& text) {
  Write(text);
  text.clear();
}

void DesignFileStream::Close() {
  HANDLE file = static_cast<HANDLE>(handle_);
  handle_ = nullptr;
  if (!file || !CloseHandle(file)) Fail();
}

}  // namespace router
