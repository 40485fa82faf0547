// The copper an import compares the router's against: pieces filed by place, found again within
// the precision the router gives coordinates back with. No board access.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "router/route_file_reader.h"
#include "sdk/pcb_api.h"

namespace router {

// One piece of copper as the import compares it: two are the same when kind, net and layers
// agree and the width and every coordinate differ by the tolerance at most (a track's ends
// either way round).
struct TCopperItem {
  enum Kind { kTrack, kVia, kPad } kind = kTrack;
  sdk::Handle net = 0;
  int layer = 0;                      // tracks and pads: their legacy layer
  int low_layer = 0, high_layer = 0;  // vias: the drill span
  sdk::Coord width = 0;               // tracks: the width; vias: the size; pads: 0
  RoutePoint a, b;                    // a track's ends; a via's or pad's place twice
  sdk::Handle handle = 0;             // the board's object, 0 for copper not on the board yet
  // Board copper that stays whatever the file holds (fixed copper, a pour, a free pad): a router
  // may give it back cut in pieces or joined with its neighbours.
  bool stays = false;
};

// Whether the tracks together cover the piece of track: pieces of the piece's layer and width
// that lie along it and leave no gap from end to end, all within the tolerance. A piece shorter
// than the tolerance covers nothing: it has no direction to lie along.
bool CoversTrack(std::span<const TCopperItem> tracks, const TCopperItem& piece,
                 sdk::Coord tolerance);

// Copper filed by the cells its ends lie in, in one open table: a node on the heap per piece
// would cost a cache miss at nearly every look-up on a large board.
class TCopperIndex {
 public:
  explicit TCopperIndex(sdk::Coord tolerance);

  void Add(const TCopperItem& item);
  // Empties the index and keeps its memory for the next pieces, unless it grew large.
  void Clear();
  // The first piece filed that is the same as the item; null when there is none.
  const TCopperItem* Find(const TCopperItem& item) const;

 private:
  using Cell = std::pair<int32_t, int32_t>;
  int64_t Floor(int64_t v) const;
  Cell CellOf(RoutePoint p) const;
  static uint64_t Key(const TCopperItem& item, Cell cell);
  bool Near(sdk::Coord a, sdk::Coord b) const;
  bool Near(RoutePoint p, RoutePoint q) const;
  bool Same(const TCopperItem& filed, const TCopperItem& item) const;
  size_t SlotOf(uint64_t key) const;
  void File(uint64_t key, const TCopperItem& item);
  void Rehash(size_t slots);

  struct Slot {
    uint64_t key = 0;
    uint32_t head = 0;  // the key's latest entry, counted from 1; 0 for an empty slot
  };
  struct Entry {
    TCopperItem item;
    uint32_t next;  // the key's entry before it, counted from 1; 0 at the first
  };

  sdk::Coord tolerance_;
  int64_t cell_;
  // Pieces filed by kind: a look-up for a kind the index lacks (a track where the board kept
  // only vias and pads) needs no visit to the table, which on a large board is a cache miss.
  std::array<size_t, 3> filed_{};
  std::vector<Slot> slots_;  // open addressing, at most half full
  std::vector<Entry> entries_;
  size_t used_ = 0;
};

// Copper grouped by net, each net's pieces in the order they came. Copper is only ever the same
// as copper of its own net, so an import looks at one net's pieces at a time, which then sit
// side by side: looking each piece up in one index of a large board's copper cost a cache miss
// per piece.
class TNetCopper {
 public:
  void Add(const TCopperItem& item) { pieces_.push_back(item); }
  // Puts each net's pieces together; pieces added after it are not found.
  void Group();
  // The net's pieces in the order they came; none before Group.
  std::span<const TCopperItem> OfNet(sdk::Handle net) const;

 private:
  std::vector<TCopperItem> pieces_;
  // Each net with its first piece, by net.
  std::vector<std::pair<sdk::Handle, uint32_t>> nets_;
};

}  // namespace router
