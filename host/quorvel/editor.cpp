// The stand-in editor's process-wide state.
#include "host/quorvel/editor.h"

#include <cassert>

namespace quorvel {

constinit Editor the_editor;

void Editor::SetBoard(std::unique_ptr<Board> board) {
  iterators_.clear();
  spatial_.clear();
  board_ = std::move(board);
  ++board_serial_;
  SetRefusals(0, 0, 0);
}

void Editor::SetRefusals(uint32_t operations, uint32_t kinds, int32_t count) {
  refused_operations_ = count == 0 ? 0 : operations;
  refused_kinds_ = kinds;
  refusals_left_ = count;
}

bool Editor::CountRefusal(uint8_t kind) {
  if (kind >= 32 || !(refused_kinds_ & (1u << kind))) return false;
  if (refusals_left_ > 0 && --refusals_left_ == 0) refused_operations_ = 0;
  return true;
}

Handle Editor::AddIterator(BoardIterator iterator) {
  const Handle handle = next_iterator_++;
  iterators_.Add(handle, iterator);
  return handle;
}

bool Editor::RemoveIterator(Handle handle) { return iterators_.Remove(handle); }

Handle Editor::AddSpatialIterator(SpatialIterator iterator) {
  const Handle handle = next_iterator_++;
  spatial_.Add(handle, std::move(iterator));
  return handle;
}

SpatialIterator* Editor::FindSpatialIterator(Handle handle) { return spatial_.Find(handle); }

bool Editor::RemoveSpatialIterator(Handle handle) { return spatial_.Remove(handle); }

void Editor::Journal(std::string_view line) {
  if (journal_) {
    // The sink takes a terminated line: short ones, the most, need no copy on the heap.
    char buffer[128];
    if (line.size() < sizeof buffer) {
      line.copy(buffer, line.size());
      buffer[line.size()] = '\0';
      journal_(buffer);
    } else {
      journal_(std::string(line).c_str());
    }
    return;
  }
  Keep(line);
}

void Editor::JournalTerminated(std::string_view line) {
  assert(line.data()[line.size()] == '\0');
  if (journal_) {
    journal_(line.data());
    return;
  }
  Keep(line);
}

void Editor::Keep(std::string_view line) {
  if (kept_.size() >= kKeptJournalLines)
    kept_.erase(kept_.begin(), kept_.begin() + kKeptJournalLines / 2);
  kept_.emplace_back(line);
}

void Editor::ProgressStart(const std::string& message, int total) {
  if (progress_running_) ProgressFinish();  // a new display ends the old one
  progress_message_ = message;
  progress_total_ = total;
  progress_steps_ = 0;
  progress_running_ = true;
  Journal("progress start: " + message + " (" + std::to_string(total) + " steps)");
}

void Editor::ProgressFinish() {
  if (!progress_running_) {
    Journal("progress finish without start");
    return;
  }
  progress_running_ = false;
  Journal("progress finish: " + progress_message_ + " (" + std::to_string(progress_steps_) +
          " of " + std::to_string(progress_total_) + " steps)");
}

}  // namespace quorvel
