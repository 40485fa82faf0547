// New board objects of an import, held back and added to the board in groups: the tracks of one
// wire are added together.
#pragma once

#include <memory>
#include <vector>

#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

// A track that makes the next segment of its wire.
class TPcbReplicatableTrack : public sdk::TPcbTrack {
 public:
  using TPcbTrack::TPcbTrack;
  // A new track on a new host track, with this one's layer, net, width and end points; null
  // when the host makes no track.
  std::unique_ptr<TPcbReplicatableTrack> Replicate() const;
};

// A new host track read into a wrapper; null when the host makes none.
std::unique_ptr<TPcbReplicatableTrack> CreateReplicatableTrack();

class TDeferedPrimsRegistrar {
 public:
  explicit TDeferedPrimsRegistrar(const sdk::TPcbBoard& board) : board_(board) {}
  // Frees the wrappers still pending without touching their host objects.
  ~TDeferedPrimsRegistrar() = default;
  TDeferedPrimsRegistrar(const TDeferedPrimsRegistrar&) = delete;
  TDeferedPrimsRegistrar& operator=(const TDeferedPrimsRegistrar&) = delete;

  // Appends the wrapper unless it is null.
  void Add(std::unique_ptr<sdk::TPCBObject> object);
  // Writes each pending object and adds it to the board (a host object the board refuses is
  // destroyed), then empties the list. Yields the number the board refused.
  int Flush();

 private:
  const sdk::TPcbBoard& board_;
  std::vector<std::unique_ptr<sdk::TPCBObject>> pending_;
};

}  // namespace router
