// The design file's text output.
#include "router/design_file_output.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "framework/win/handles.h"
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
  if (lines_.View().size() >= send_threshold_) SendLines();
}

void DesignFileOutput::Send() {
  RTL_ASSERT(!line_open_, "Text sent with a line begun");
  if (!lines_.View().empty()) SendLines();
}

void DesignFileOutput::SendLines() {
  send_(lines_.View());
  lines_.Clear();
}

namespace {

// The system's own lock and wake-up: a wake-up through the C runtime's condition variable cost
// the exporting thread a round trip to the system's server under Wine for every piece (some 60
// microseconds, twice the copy of the piece).
class SlimLock {
 public:
  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }
  // Sleeps until `ready()` holds, woken through `wake`; the lock held.
  template <class Ready>
  void Await(CONDITION_VARIABLE& wake, Ready ready) {
    while (!ready()) SleepConditionVariableSRW(&wake, &lock_, INFINITE, 0);
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace

// The thread that writes the pieces sent, in order, from a ring of buffers the sender copies
// them into. The sender's own buffer stays with its thread: the text is composed in memory the
// processor holds ready, where writing into a buffer the system has just read from on another
// processor cost more than the one copy. Two slots keep the ring in that memory too.
struct DesignFileStream::Writer {
  static constexpr size_t kSlots = 2;

  explicit Writer(win::UniqueHandle handle) : file(std::move(handle)) {}
  // Lets the thread write what is queued and end; the file closes after it.
  ~Writer() {
    if (!thread.joinable()) return;
    Stop();
    thread.join();
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void Stop() {
    const std::lock_guard<SlimLock> lock(mutex);
    stopping = true;
    WakeConditionVariable(&queued);
  }

  void Run() noexcept {
    std::unique_lock<SlimLock> lock(mutex);
    for (;;) {
      mutex.Await(queued, [this] { return count > 0 || stopping; });
      if (count == 0) return;
      std::string& text = slots[first];
      lock.unlock();
      const DWORD failure = WriteAll(text);
      text.clear();
      lock.lock();
      if (error == ERROR_SUCCESS) error = failure;
      first = (first + 1) % kSlots;
      --count;
      WakeConditionVariable(&freed);
    }
  }

  // The system's error, ERROR_SUCCESS when all of `text` is in the file.
  DWORD WriteAll(std::string_view text) noexcept {
    while (!text.empty()) {
      // WriteFile takes 32-bit counts; pieces keep a huge section from overflowing them.
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(text.size(), 1u << 24));
      DWORD written = 0;
      // A full disk may end a write early without an error of its own; an older code must not
      // stand in for it.
      SetLastError(ERROR_SUCCESS);
      if (!WriteFile(file.get(), text.data(), piece, &written, nullptr) || written != piece) {
        const DWORD failure = GetLastError();
        return failure == ERROR_SUCCESS ? ERROR_DISK_FULL : failure;
      }
      text.remove_prefix(piece);
    }
    return ERROR_SUCCESS;
  }

  win::UniqueHandle file;
  SlimLock mutex;
  CONDITION_VARIABLE queued = CONDITION_VARIABLE_INIT, freed = CONDITION_VARIABLE_INIT;
  std::string slots[kSlots];
  size_t first = 0, count = 0;  // the slots queued, the first of them being written
  DWORD error = ERROR_SUCCESS;  // of the first write that failed
  bool stopping = false;
  std::thread thread;  // last: it starts once all else is there
};

DesignFileStream::DesignFileStream(const std::string& path, const std::string& target)
    : path_(path), target_(target) {
  // Opened as it is and emptied only when it holds something: emptying a file, even an empty
  // one, has ext4 write all of its new text out when it is closed (50 ms for 50 MB).
  win::UniqueHandle file(CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) ||
      (size.QuadPart > 0 && !SetEndOfFile(file.get()))) {
    Fail(GetLastError());
  }
  writer_ = std::make_unique<Writer>(std::move(file));
  writer_->thread = std::thread([writer = writer_.get()] { writer->Run(); });
}

DesignFileStream::~DesignFileStream() = default;

void DesignFileStream::Fail(unsigned long error) const {
  throw EDesignFileError(
      sdk::FileWriteFailure("the design file", target_, sdk::TemporaryFileFailure(path_, error)));
}

void DesignFileStream::Send(std::string_view text) {
  RTL_ASSERT(writer_, "Text sent to a closed design file");
  Writer& writer = *writer_;
  std::unique_lock<SlimLock> lock(writer.mutex);
  writer.mutex.Await(
      writer.freed, [&] { return writer.count < Writer::kSlots || writer.error != ERROR_SUCCESS; });
  if (writer.error != ERROR_SUCCESS) {
    const DWORD error = writer.error;
    lock.unlock();
    Fail(error);
  }
  writer.slots[(writer.first + writer.count) % Writer::kSlots].assign(text);
  ++writer.count;
  WakeConditionVariable(&writer.queued);
}

void DesignFileStream::Close() {
  RTL_ASSERT(writer_, "Design file closed twice");
  writer_->Stop();
  writer_->thread.join();
  const std::unique_ptr<Writer> writer = std::move(writer_);
  if (writer->error != ERROR_SUCCESS) Fail(writer->error);
  if (!CloseHandle(writer->file.release())) Fail(GetLastError());
}

void RefuseCopperSize(const std::string& object, const std::string& size, int32_t value) {
  throw EDesignFileError("The " + object + " has the " + size + " " + FormatDesignNumber(value) +
                         " mil, which no copper can have: the design file is not written.");
}

}  // namespace router
