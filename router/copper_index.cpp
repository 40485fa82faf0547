// Copper filed by place for the import's comparisons.
#include "router/copper_index.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace router {

namespace {

// Cells several times as wide as the tolerance: a point within it of another lies in the same
// or a neighbouring cell, and seldom near a cell's edge.
constexpr int64_t kMinCell = 64;
// The largest table that Clear keeps.
constexpr size_t kKeptSlots = 1024;

}  // namespace

TCopperIndex::TCopperIndex(sdk::Coord tolerance)
    : tolerance_(tolerance), cell_(std::max<int64_t>(4 * int64_t{tolerance}, kMinCell)) {}

void TCopperIndex::Add(const TCopperItem& item) {
  ++filed_[item.kind];
  File(Key(item, CellOf(item.a)), item);
  if (CellOf(item.b) != CellOf(item.a)) File(Key(item, CellOf(item.b)), item);
}

void TCopperIndex::Clear() {
  filed_ = {};
  entries_.clear();
  used_ = 0;
  // An index of one net's copper, made again for every net: a small table is emptied in place,
  // where one that a large net grew would cost every small net after it its size.
  if (slots_.size() > kKeptSlots) {
    slots_ = {};
  } else {
    std::fill(slots_.begin(), slots_.end(), Slot{});
  }
}

const TCopperItem* TCopperIndex::Find(const TCopperItem& item) const {
  if (filed_[item.kind] == 0) return nullptr;
  // The cells that points within the tolerance of the item's first end lie in: mostly one,
  // two or four near a cell's edge.
  const int64_t x1 = Floor(int64_t{item.a.x} - tolerance_),
                x2 = Floor(int64_t{item.a.x} + tolerance_);
  const int64_t y1 = Floor(int64_t{item.a.y} - tolerance_),
                y2 = Floor(int64_t{item.a.y} + tolerance_);
  for (int64_t x = x1; x <= x2; ++x) {
    for (int64_t y = y1; y <= y2; ++y) {
      const uint64_t key = Key(item, {static_cast<int32_t>(x), static_cast<int32_t>(y)});
      for (uint32_t at = slots_[SlotOf(key)].head; at != 0; at = entries_[at - 1].next) {
        if (Same(entries_[at - 1].item, item)) return &entries_[at - 1].item;
      }
    }
  }
  return nullptr;
}

int64_t TCopperIndex::Floor(int64_t v) const { return (v >= 0 ? v : v - cell_ + 1) / cell_; }

TCopperIndex::Cell TCopperIndex::CellOf(RoutePoint p) const {
  return {static_cast<int32_t>(Floor(p.x)), static_cast<int32_t>(Floor(p.y))};
}

uint64_t TCopperIndex::Key(const TCopperItem& item, Cell cell) {
  const uint64_t place =
      (uint64_t{static_cast<uint32_t>(cell.first)} << 32) | static_cast<uint32_t>(cell.second);
  const uint64_t layers = (static_cast<uint64_t>(item.layer) << 16) |
                          (static_cast<uint64_t>(item.low_layer) << 8) |
                          static_cast<uint64_t>(item.high_layer);
  return place ^ ((layers * 4 + item.kind) * 0xC2B2AE3D27D4EB4Full);
}

bool TCopperIndex::Near(sdk::Coord a, sdk::Coord b) const {
  return std::llabs(int64_t{a} - b) <= tolerance_;
}

bool TCopperIndex::Near(RoutePoint p, RoutePoint q) const {
  return Near(p.x, q.x) && Near(p.y, q.y);
}

bool TCopperIndex::Same(const TCopperItem& filed, const TCopperItem& item) const {
  return filed.kind == item.kind && filed.net == item.net && filed.layer == item.layer &&
         filed.low_layer == item.low_layer && filed.high_layer == item.high_layer &&
         Near(filed.width, item.width) &&
         ((Near(filed.a, item.a) && Near(filed.b, item.b)) ||
          (Near(filed.a, item.b) && Near(filed.b, item.a)));
}

// The slot of a key, or the empty one where it would go. Keys are mixed through all 64 bits, so
// that the cells of one row do not crowd into neighbouring slots.
size_t TCopperIndex::SlotOf(uint64_t key) const {
  const size_t mask = slots_.size() - 1;
  size_t at = static_cast<size_t>(((key ^ (key >> 29)) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (slots_[at].head != 0 && slots_[at].key != key) at = (at + 1) & mask;
  return at;
}

void TCopperIndex::File(uint64_t key, const TCopperItem& item) {
  if (2 * (used_ + 1) > slots_.size()) Rehash(std::max<size_t>(64, 2 * slots_.size()));
  Slot& slot = slots_[SlotOf(key)];
  if (slot.head == 0) ++used_;
  slot.key = key;
  entries_.push_back({item, slot.head});
  slot.head = static_cast<uint32_t>(entries_.size());
}

void TCopperIndex::Rehash(size_t slots) {
  std::vector<Slot> old(slots);
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.head != 0) slots_[SlotOf(slot.key)] = slot;
  }
}

bool CoversTrack(std::span<const TCopperItem> tracks, const TCopperItem& piece,
                 sdk::Coord tolerance) {
  auto offset = [&](RoutePoint p) {
    return std::pair<double, double>(static_cast<double>(p.x) - piece.a.x,
                                     static_cast<double>(p.y) - piece.a.y);
  };
  const auto [dx, dy] = offset(piece.b);
  const double length = std::hypot(dx, dy);
  if (length <= tolerance) return false;
  const double ux = dx / length, uy = dy / length;
  auto along = [&](RoutePoint p) {
    const auto [x, y] = offset(p);
    return x * ux + y * uy;
  };
  auto aside = [&](RoutePoint p) {
    const auto [x, y] = offset(p);
    return x * uy - y * ux;
  };
  // Whether the track lies within the tolerance of the piece where the two run side by side:
  // a track far longer than the piece may stray from the piece's line beyond its ends, when the
  // piece's ends lie off the track by a step either way.
  auto alongside = [&](const TCopperItem& track) {
    const double from = along(track.a), to = along(track.b);
    const double from_aside = aside(track.a), to_aside = aside(track.b);
    if (std::fabs(to - from) <= tolerance) {
      return std::fabs(from_aside) <= tolerance && std::fabs(to_aside) <= tolerance;
    }
    auto aside_at = [&](double at) {
      return from_aside + (to_aside - from_aside) * (at - from) / (to - from);
    };
    const double low = std::clamp(std::min(from, to), 0.0, length);
    const double high = std::clamp(std::max(from, to), 0.0, length);
    return std::fabs(aside_at(low)) <= tolerance && std::fabs(aside_at(high)) <= tolerance;
  };
  std::vector<std::pair<double, double>> spans;
  for (const TCopperItem& track : tracks) {
    if (track.kind != TCopperItem::kTrack || track.net != piece.net || track.layer != piece.layer ||
        std::llabs(int64_t{track.width} - piece.width) > tolerance || !alongside(track)) {
      continue;
    }
    spans.push_back(std::minmax(along(track.a), along(track.b)));
  }
  std::sort(spans.begin(), spans.end());
  double reached = 0;  // covered from the piece's first end up to here
  for (const auto& [from, to] : spans) {
    if (from > reached + tolerance) break;
    reached = std::max(reached, to);
  }
  return reached >= length - tolerance;
}

void TNetCopper::Group() {
  // Sorting the nets with each piece's place below them keeps every net's order.
  std::vector<uint64_t> order(pieces_.size());
  for (size_t i = 0; i < pieces_.size(); ++i) order[i] = uint64_t{pieces_[i].net} << 32 | i;
  std::sort(order.begin(), order.end());
  std::vector<TCopperItem> grouped;
  grouped.reserve(pieces_.size());
  nets_.clear();
  for (const uint64_t key : order) {
    const TCopperItem& piece = pieces_[static_cast<uint32_t>(key)];
    if (nets_.empty() || nets_.back().first != piece.net) {
      nets_.emplace_back(piece.net, static_cast<uint32_t>(grouped.size()));
    }
    grouped.push_back(piece);
  }
  pieces_ = std::move(grouped);
}

std::span<const TCopperItem> TNetCopper::OfNet(sdk::Handle net) const {
  const auto found = std::lower_bound(nets_.begin(), nets_.end(), std::make_pair(net, 0u));
  if (found == nets_.end() || found->first != net) return {};
  const uint32_t end =
      found + 1 == nets_.end() ? static_cast<uint32_t>(pieces_.size()) : (found + 1)->second;
  return std::span<const TCopperItem>(pieces_).subspan(found->second, end - found->second);
}

}  // namespace router
