// A node's texts, one per value slot, kept compact: a grid of a million nodes holds them all.
// Every text of the node lies in one block of the grid's pool (none at all while there are no
// texts): a count, then each text as a length with its kind and its characters. A text whose
// characters all lie below 256 takes one byte a character, any other two (UTF-16 code units), so
// every wide text comes back exactly as it was stored. The block belongs to the pool that every
// change names, and goes back to it through Release.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "treelist/core/node_block_pool.h"

namespace treelist {

class NodeTexts {
 public:
  // How a text's characters are stored: ASCII and Latin1 one byte each, Wide two (little-endian).
  enum class Kind : uint8_t { Ascii, Latin1, Wide };
  struct View {
    Kind kind = Kind::Ascii;
    const uint8_t* chars = nullptr;
    size_t length = 0;  // in characters
  };

  NodeTexts() noexcept = default;
  NodeTexts(const NodeTexts&) = delete;
  NodeTexts& operator=(const NodeTexts&) = delete;

  int Count() const noexcept;
  // Past the end: an empty ASCII text.
  View At(int index) const noexcept;
  std::wstring Text(int index) const { return Widen(At(index)); }
  // Every text in slot order, appended to `views` (which a caller reuses from node to node).
  void AppendViews(std::vector<View>& views) const;
  static std::wstring Widen(const View& view);
  // Grows with empty texts up to `index` first; a negative index stores nothing.
  void Set(NodeBlockPool& pool, int index, std::wstring_view text);
  // The text of slot `from` goes to slot `to`, the ones between shifting by one; both slots
  // exist afterwards. Negative slots change nothing.
  void Move(NodeBlockPool& pool, int from, int to);
  // Drops slot `index`; the later texts move down one slot.
  void Remove(NodeBlockPool& pool, int index);
  // Gives the block back: no texts are left.
  void Release(NodeBlockPool& pool) noexcept;
  // The heap block's size: what the node's texts cost.
  size_t BlockBytes() const noexcept;

  // Collects texts one after another and stores them into a node with a single allocation; its
  // buffer serves node after node.
  class Builder {
   public:
    // Bytes below 128 each, as a stream holds them: taken as they are.
    void AddAscii(const uint8_t* chars, size_t length);
    void Add(std::wstring_view text);
    // Replaces the node's texts with the collected ones and starts afresh.
    void StoreInto(NodeBlockPool& pool, NodeTexts& texts);

   private:
    std::string entries_;
    uint32_t count_ = 0;
  };

 private:
  void Reset(NodeBlockPool& pool, uint8_t* block) noexcept;

  uint8_t* block_ = nullptr;
};

}  // namespace treelist
