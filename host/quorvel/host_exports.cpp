// The exports through which the stand-in host opens and saves the editor's board and hands it
// a journal.
#include <cstring>
#include <string>

#include "host/quorvel/board_file.h"
#include "host/quorvel/editor.h"
#include "host/quorvel/host_calls.h"

using namespace quorvel;

namespace {

// Copies a message into the caller's buffer of `size` bytes, cut to fit, always terminated.
void CopyMessage(const std::string& message, char* error, int size) {
  if (!error || size <= 0) return;
  const size_t length = std::min<size_t>(message.size(), static_cast<size_t>(size) - 1);
  std::memcpy(error, message.data(), length);
  error[length] = '\0';
}

template <class Body>
int HostCall(char* error, int size, Body&& body) noexcept {
  try {
    body();
    CopyMessage("", error, size);
    return 0;
  } catch (const std::exception& e) {
    CopyMessage(e.what(), error, size);
  } catch (...) {
    CopyMessage("unexpected failure", error, size);
  }
  return 1;
}

}  // namespace

extern "C" {

int __stdcall Quorvel_OpenBoard(const char* path, char* error, int size) {
  return HostCall(error, size, [&] {
    if (!path || !*path) throw BoardFileError("no board file given");
    // Read whole before anything changes: a failed read keeps the previous board.
    std::unique_ptr<Board> board = ReadBoard(path);
    const size_t objects = board->ObjectCount();
    TheEditor().SetBoard(std::move(board));
    TheEditor().Journal("opened " + std::string(path) + " (" + std::to_string(objects) +
                        " objects)");
  });
}

int __stdcall Quorvel_SaveBoard(const char* path, char* error, int size) {
  return HostCall(error, size, [&] {
    if (!path || !*path) throw BoardFileError("no board file given");
    Board* board = TheEditor().board();
    if (!board) throw BoardFileError(std::string(path) + ": no board is open");
    WriteBoard(*board, path);
    board->file_name = path;
    TheEditor().Journal("saved " + std::string(path));
  });
}

void __stdcall Quorvel_CloseBoard() {
  if (!TheEditor().board()) return;
  TheEditor().SetBoard(nullptr);
  TheEditor().Journal("closed the board");
}

void __stdcall Quorvel_SetJournal(quorvel_host::JournalAppend append) {
  TheEditor().SetJournal(append);
}

void __stdcall Quorvel_SetRefusals(uint32_t operations, uint32_t kinds, int32_t count) {
  TheEditor().SetRefusals(operations, kinds, count);
}

quorvel_host::HostCallCounters* __stdcall Quorvel_GetHostCallCounters() { return &host_calls; }

}  // extern "C"

static_assert(std::is_same_v<decltype(&Quorvel_OpenBoard), quorvel_host::OpenBoard>);
static_assert(std::is_same_v<decltype(&Quorvel_SaveBoard), quorvel_host::SaveBoard>);
static_assert(std::is_same_v<decltype(&Quorvel_CloseBoard), quorvel_host::CloseBoard>);
static_assert(std::is_same_v<decltype(&Quorvel_SetJournal), quorvel_host::SetJournal>);
static_assert(std::is_same_v<decltype(&Quorvel_SetRefusals), quorvel_host::SetRefusals>);
static_assert(
    std::is_same_v<decltype(&Quorvel_GetHostCallCounters), quorvel_host::GetHostCallCounters>);
