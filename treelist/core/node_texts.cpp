// A node's texts in one compact block.
#include "treelist/core/node_texts.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace treelist {

namespace {

// Lengths and the count are stored in 7-bit groups, low first, the top bit saying "more": a
// text shorter than 32 characters spends one byte on its length and kind.
constexpr uint32_t kMaxLength = 0x3FFFFFFF;  // two bits of the header are the kind
constexpr uint8_t kEmptyEntry = 0;           // length 0, ASCII

void AppendNumber(std::string& out, uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

uint32_t ReadNumber(const uint8_t*& p) noexcept {
  uint32_t value = 0;
  for (int shift = 0;; shift += 7) {
    const uint8_t byte = *p++;
    value |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return value;
  }
}

NodeTexts::View ReadEntry(const uint8_t*& p) noexcept {
  const uint32_t header = ReadNumber(p);
  NodeTexts::View view{static_cast<NodeTexts::Kind>(header & 3), p, header >> 2};
  p += view.kind == NodeTexts::Kind::Wide ? view.length * 2 : view.length;
  return view;
}

void AppendHeader(std::string& out, size_t length, NodeTexts::Kind kind) {
  if (length > kMaxLength) throw std::length_error("a node text is too long to store");
  AppendNumber(out, static_cast<uint32_t>(length) << 2 | static_cast<uint32_t>(kind));
}

void AppendEntry(std::string& out, std::wstring_view text) {
  const wchar_t widest = text.empty() ? 0 : *std::max_element(text.begin(), text.end());
  const NodeTexts::Kind kind = widest < 0x80    ? NodeTexts::Kind::Ascii
                               : widest < 0x100 ? NodeTexts::Kind::Latin1
                                                : NodeTexts::Kind::Wide;
  AppendHeader(out, text.size(), kind);
  if (kind != NodeTexts::Kind::Wide) {
    out.append(text.begin(), text.end());  // each character fits its byte
    return;
  }
  const size_t at = out.size();
  out.resize(at + text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    out[at + 2 * i] = static_cast<char>(text[i] & 0xFF);
    out[at + 2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
}

// One encoded entry of a block, header included.
struct Span {
  const uint8_t* begin;
  size_t bytes;
};

std::vector<Span> SpansOf(const uint8_t* block) {
  std::vector<Span> spans;
  if (!block) return spans;
  const uint8_t* p = block;
  const uint32_t count = ReadNumber(p);
  spans.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* begin = p;
    ReadEntry(p);
    spans.push_back({begin, static_cast<size_t>(p - begin)});
  }
  return spans;
}

uint8_t* NewBlock(NodeBlockPool& pool, uint32_t count, std::string_view entries) {
  if (count == 0) return nullptr;
  std::string head;
  AppendNumber(head, count);
  auto* block = static_cast<uint8_t*>(pool.Allocate(head.size() + entries.size()));
  std::memcpy(block, head.data(), head.size());
  std::memcpy(block + head.size(), entries.data(), entries.size());
  return block;
}

uint8_t* BlockOf(NodeBlockPool& pool, const std::vector<Span>& spans) {
  std::string entries;
  for (const Span& span : spans)
    entries.append(reinterpret_cast<const char*>(span.begin), span.bytes);
  return NewBlock(pool, static_cast<uint32_t>(spans.size()), entries);
}

}  // namespace

void NodeTexts::Reset(NodeBlockPool& pool, uint8_t* block) noexcept {
  pool.Free(block_, BlockBytes());
  block_ = block;
}

void NodeTexts::Release(NodeBlockPool& pool) noexcept { Reset(pool, nullptr); }

int NodeTexts::Count() const noexcept {
  if (!block_) return 0;
  const uint8_t* p = block_;
  return static_cast<int>(ReadNumber(p));
}

NodeTexts::View NodeTexts::At(int index) const noexcept {
  if (index < 0 || index >= Count()) return {};
  const uint8_t* p = block_;
  ReadNumber(p);
  for (int i = 0; i < index; ++i) ReadEntry(p);
  return ReadEntry(p);
}

void NodeTexts::AppendViews(std::vector<View>& views) const {
  if (!block_) return;
  const uint8_t* p = block_;
  const uint32_t count = ReadNumber(p);
  for (uint32_t i = 0; i < count; ++i) views.push_back(ReadEntry(p));
}

std::wstring NodeTexts::Widen(const View& view) {
  if (view.kind != Kind::Wide) return std::wstring(view.chars, view.chars + view.length);
  std::wstring text(view.length, L'\0');
  for (size_t i = 0; i < view.length; ++i) {
    text[i] = static_cast<wchar_t>(view.chars[2 * i] | view.chars[2 * i + 1] << 8);
  }
  return text;
}

void NodeTexts::Set(NodeBlockPool& pool, int index, std::wstring_view text) {
  if (index < 0) return;
  std::vector<Span> spans = SpansOf(block_);
  std::string entry;
  AppendEntry(entry, text);
  if (static_cast<size_t>(index) >= spans.size()) spans.resize(index + 1, {&kEmptyEntry, 1});
  spans[index] = {reinterpret_cast<const uint8_t*>(entry.data()), entry.size()};
  Reset(pool, BlockOf(pool, spans));
}

void NodeTexts::Move(NodeBlockPool& pool, int from, int to) {
  if (from < 0 || to < 0) return;
  std::vector<Span> spans = SpansOf(block_);
  const size_t needed = static_cast<size_t>(std::max(from, to)) + 1;
  if (needed > spans.size()) spans.resize(needed, {&kEmptyEntry, 1});
  const auto first = spans.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else {
    std::rotate(first + to, first + from, first + from + 1);
  }
  Reset(pool, BlockOf(pool, spans));
}

void NodeTexts::Remove(NodeBlockPool& pool, int index) {
  if (index < 0 || index >= Count()) return;
  std::vector<Span> spans = SpansOf(block_);
  spans.erase(spans.begin() + index);
  Reset(pool, BlockOf(pool, spans));
}

size_t NodeTexts::BlockBytes() const noexcept {
  if (!block_) return 0;
  const uint8_t* p = block_;
  const uint32_t count = ReadNumber(p);
  for (uint32_t i = 0; i < count; ++i) ReadEntry(p);
  return static_cast<size_t>(p - block_);
}

void NodeTexts::Builder::AddAscii(const uint8_t* chars, size_t length) {
  AppendHeader(entries_, length, Kind::Ascii);
  entries_.append(reinterpret_cast<const char*>(chars), length);
  ++count_;
}

void NodeTexts::Builder::Add(std::wstring_view text) {
  AppendEntry(entries_, text);
  ++count_;
}

void NodeTexts::Builder::StoreInto(NodeBlockPool& pool, NodeTexts& texts) {
  texts.Reset(pool, NewBlock(pool, count_, entries_));
  entries_.clear();
  count_ = 0;
}

}  // namespace treelist
