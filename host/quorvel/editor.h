// The stand-in editor's process-wide state: the current board, open iterators, the progress
// display and the journal.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/quorvel/board.h"
#include "sdk/pcb_api_contract.h"

namespace quorvel {

struct BoardIterator {
  Handle container;
  uint8_t kind;
  uint8_t method;
  LayerFilter layers;
  Handle last = 0;
};

struct SpatialIterator {
  std::vector<std::pair<Handle, uint8_t>> found;  // object and kind
  size_t next = 0;
};

// Open iterators by handle. Handles only grow, so the list stays in handle order: a lookup, made
// for every object a caller iterates, is a binary search over the few open ones instead of a
// hash table's division and node.
template <class T>
class OpenIterators {
 public:
  void Add(Handle handle, T iterator) { open_.emplace_back(handle, std::move(iterator)); }
  // Valid until the next Add or Remove.
  T* Find(Handle handle) {
    const auto it = Position(handle);
    return it != open_.end() && it->first == handle ? &it->second : nullptr;
  }
  bool Remove(Handle handle) {
    const auto it = Position(handle);
    if (it == open_.end() || it->first != handle) return false;
    open_.erase(it);
    return true;
  }
  void clear() { open_.clear(); }

 private:
  typename std::vector<std::pair<Handle, T>>::iterator Position(Handle handle) {
    return std::lower_bound(
        open_.begin(), open_.end(), handle,
        [](const std::pair<Handle, T>& entry, Handle h) { return entry.first < h; });
  }
  std::vector<std::pair<Handle, T>> open_;
};

class Editor {
 public:
  // The board open in the editor; null before the first board is opened.
  Board* board() const { return board_.get(); }
  // Replaces the current board; every iterator of the old board ends.
  void SetBoard(std::unique_ptr<Board> board);
  // Changes with every board set: interfaces handed out for one board know theirs by it.
  uint32_t board_serial() const { return board_serial_; }

  Handle AddIterator(BoardIterator iterator);
  BoardIterator* FindIterator(Handle handle) { return iterators_.Find(handle); }
  bool RemoveIterator(Handle handle);
  Handle AddSpatialIterator(SpatialIterator iterator);
  SpatialIterator* FindSpatialIterator(Handle handle);
  bool RemoveSpatialIterator(Handle handle);

  // The journal: one line per event, to the host's sink or kept here.
  void SetJournal(pcbapi::StdcallPointer<void(const char*)> append) { journal_ = append; }
  void Journal(std::string_view line);
  // The same for a line with a zero after its last character: the host's sink takes it as it is.
  void JournalTerminated(std::string_view line);
  const std::vector<std::string>& KeptJournal() const { return kept_; }

  // Refusals the tests switch on (see quorvel_host::SetRefusals).
  void SetRefusals(uint32_t operations, uint32_t kinds, int32_t count);
  // Whether the operation on an object of this kind is to be refused now; each refusal counts.
  bool Refuses(quorvel_host::RefusedOperation operation, uint8_t kind) {
    return (refused_operations_ & operation) != 0 && CountRefusal(kind);
  }

  void ProgressStart(const std::string& message, int total);
  void ProgressStep() { ++progress_steps_; }
  void ProgressFinish();

 private:
  bool CountRefusal(uint8_t kind);
  void Keep(std::string_view line);

  std::unique_ptr<Board> board_;
  uint32_t board_serial_ = 0;
  OpenIterators<BoardIterator> iterators_;
  OpenIterators<SpatialIterator> spatial_;
  Handle next_iterator_ = 1;
  pcbapi::StdcallPointer<void(const char*)> journal_ = nullptr;
  std::vector<std::string> kept_;
  uint32_t refused_operations_ = 0, refused_kinds_ = 0;
  int32_t refusals_left_ = 0;
  std::string progress_message_;
  int progress_total_ = 0, progress_steps_ = 0;
  bool progress_running_ = false;
};

// The editor of the process, set up before any code runs: every call into the editor asks for it,
// and a function's own static, out of line, cost a call and a test of its guard each time.
extern constinit Editor the_editor;
inline Editor& TheEditor() { return the_editor; }

// Lines kept without a host journal: the newest ones up to this count.
constexpr size_t kKeptJournalLines = 10000;

}  // namespace quorvel
