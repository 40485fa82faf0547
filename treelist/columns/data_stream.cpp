// The grid's node stream, written and read.
#include "treelist/columns/data_stream.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "framework/win/text.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {

namespace {

constexpr size_t kWriteChunk = size_t{1} << 16;  // 64 KB

// Every ANSI code page keeps ASCII as it is: only other texts need the system's conversion.
bool IsAscii(std::string_view bytes) noexcept {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

std::string NarrowText(const NodeTexts::View& text) { return win::Narrow(NodeTexts::Widen(text)); }

const TdxTreeListTextNode* AsTextNode(const TdxTreeListNode* node) noexcept {
  return dynamic_cast<const TdxTreeListTextNode*>(node);
}

// ---- writing ---------------------------------------------------------------------------------

// Collects the bytes in chunks and hands each full chunk to the stream.
class NodeDataWriter {
 public:
  explicit NodeDataWriter(framework::TStream& out) : out_(out) { buffer_.reserve(kWriteChunk); }

  // The target is little-endian, as the stream is.
  void Int(int32_t value) { Bytes(reinterpret_cast<const char*>(&value), sizeof value); }
  void Bytes(const char* data, size_t size) {
    buffer_.append(data, size);
    if (buffer_.size() >= kWriteChunk) Flush();
  }
  void Flush() {
    if (buffer_.empty()) return;
    out_.WriteBuffer(buffer_.data(), static_cast<int32_t>(buffer_.size()));
    buffer_.clear();
  }

 private:
  framework::TStream& out_;
  std::string buffer_;
};

// The texts of `node` in slot order (none for a node of another class).
void CollectTexts(const TdxTreeListNode* node, std::vector<NodeTexts::View>& views) {
  views.clear();
  if (const TdxTreeListTextNode* text_node = AsTextNode(node)) {
    text_node->Texts().AppendViews(views);
  }
}

// The bytes the stream will take; refuses a tree too deep for the reader.
int64_t MeasureNodes(const std::vector<TdxTreeListNode*>& nodes, int depth,
                     std::vector<NodeTexts::View>& views) {
  if (!nodes.empty() && depth >= kMaxNodeDepth) {
    throw ENodeDataError("Data stream: nodes nested deeper than " + std::to_string(kMaxNodeDepth) +
                         " levels cannot be stored");
  }
  int64_t size = 0;
  for (const TdxTreeListNode* node : nodes) {
    size += 4 + kNodeHeaderSize;
    CollectTexts(node, views);
    for (const NodeTexts::View& text : views) {
      size += 4 + (text.kind == NodeTexts::Kind::Ascii ? text.length : NarrowText(text).size());
    }
    size += MeasureNodes(node->Children(), depth + 1, views);
  }
  return size;
}

void WriteNode(NodeDataWriter& w, const TdxTreeListNode* node,
               std::vector<NodeTexts::View>& views) {
  w.Int(kNodeHeaderSize);
  w.Int(node->ImageIndex());  // through the getters, so that the events apply
  w.Int(node->SelectedIndex());
  w.Int(node->StateIndex());
  w.Int(static_cast<int32_t>(node->Data()));
  w.Int(node->Count());
  CollectTexts(node, views);
  w.Int(static_cast<int32_t>(views.size()));
  for (const NodeTexts::View& text : views) {
    if (text.kind == NodeTexts::Kind::Ascii) {
      w.Int(static_cast<int32_t>(text.length));
      w.Bytes(reinterpret_cast<const char*>(text.chars), text.length);
    } else {
      const std::string bytes = NarrowText(text);
      w.Int(static_cast<int32_t>(bytes.size()));
      w.Bytes(bytes.data(), bytes.size());
    }
  }
  for (const TdxTreeListNode* child : node->Children()) WriteNode(w, child, views);
}

// ---- reading ---------------------------------------------------------------------------------

// One pass over the bytes. Without a grid it only checks; with one it builds the nodes, so the
// building pass meets exactly the input that the checking pass accepted.
class NodeDataParser {
 public:
  NodeDataParser(const uint8_t* data, size_t size, TCustomdxTreeListControl* grid)
      : data_(data), size_(size), grid_(grid) {}

  int32_t Parse() {
    int32_t marker = Int("the node count");
    int32_t count = marker;
    if (marker < 0) {
      count = Int("the node count");
    } else {
      marker = 0;
    }
    length_bytes_ = marker ? 4 : 1;
    CheckCount(count, 4, "top-level node count", pos_ - 4);
    for (int32_t i = 0; i < count; ++i) ReadNode(nullptr, 0);
    return marker;
  }
  size_t Consumed() const noexcept { return pos_; }

 private:
  struct Header {
    int32_t image = 0, selected = -1, state = -1, data = 0, children = 0, texts = 0;
  };

  size_t Remaining() const noexcept { return size_ - pos_; }

  [[noreturn]] void Fail(size_t at, const std::string& message) const {
    throw ENodeDataError("Data stream, byte " + std::to_string(at) + ": " + message);
  }

  int32_t Int(const char* what) {
    if (Remaining() < 4) Fail(pos_, std::string("the stream ends before ") + what);
    int32_t value;
    std::memcpy(&value, data_ + pos_, 4);
    pos_ += 4;
    return value;
  }

  // Each item takes at least `item_bytes`, so a count beyond what remains cannot be true.
  void CheckCount(int32_t count, size_t item_bytes, const char* what, size_t at) const {
    if (count < 0) Fail(at, std::string(what) + " " + std::to_string(count) + " is negative");
    if (static_cast<size_t>(count) > Remaining() / item_bytes) {
      Fail(at, std::string(what) + " " + std::to_string(count) + " exceeds what the " +
                   std::to_string(Remaining()) + " remaining bytes hold");
    }
  }

  Header ReadHeader() {
    const size_t at = pos_;
    const int32_t size = Int("the node header size");
    if (size < 0 || size > kMaxNodeHeaderSize) {
      Fail(at, "node header size " + std::to_string(size) + " is not between 0 and " +
                   std::to_string(kMaxNodeHeaderSize));
    }
    if (static_cast<size_t>(size) > Remaining()) {
      Fail(at, "node header size " + std::to_string(size) + " exceeds the " +
                   std::to_string(Remaining()) + " remaining bytes");
    }
    // Only the fields that lie wholly inside the header are read; the others keep defaults.
    Header header;
    int32_t* fields[] = {&header.image, &header.selected, &header.state,
                         &header.data,  &header.children, &header.texts};
    const size_t end = pos_ + static_cast<size_t>(size);
    for (int32_t* field : fields) {
      if (end - pos_ < 4) break;
      *field = Int("a node header field");
    }
    pos_ = end;
    return header;
  }

  // Checks the next text and returns where its bytes lie.
  std::string_view ReadText() {
    const size_t at = pos_;
    int32_t length = 0;
    if (length_bytes_ == 4) {
      length = Int("a text length");
    } else {
      if (Remaining() < 1) Fail(pos_, "the stream ends before a text length");
      length = data_[pos_++];
    }
    if (length < 0) Fail(at, "text length " + std::to_string(length) + " is negative");
    if (static_cast<size_t>(length) > Remaining()) {
      Fail(at, "text length " + std::to_string(length) + " exceeds the " +
                   std::to_string(Remaining()) + " remaining bytes");
    }
    const char* bytes = reinterpret_cast<const char*>(data_ + pos_);
    pos_ += static_cast<size_t>(length);
    return {bytes, static_cast<size_t>(length)};
  }

  void ReadNode(TdxTreeListNode* parent, int depth) {
    const size_t at = pos_;
    if (depth >= kMaxNodeDepth) {
      Fail(at, "nodes nested deeper than " + std::to_string(kMaxNodeDepth) + " levels");
    }
    const Header header = ReadHeader();
    TdxTreeListNode* node = nullptr;
    if (grid_) {
      node = parent ? parent->AddChild() : grid_->Add();
      node->SetImageIndex(header.image);
      node->SetSelectedIndex(header.selected);
      node->SetStateIndex(header.state);
      node->SetData(static_cast<uint32_t>(header.data));
    }
    CheckCount(header.texts, length_bytes_, "text count", at);
    // A text node takes all its texts at once; the grid's own setter would copy each again.
    auto* text_node = dynamic_cast<TdxTreeListTextNode*>(node);
    for (int32_t i = 0; i < header.texts; ++i) {
      const std::string_view text = ReadText();
      if (text_node) {
        if (IsAscii(text)) {
          texts_.AddAscii(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        } else {
          texts_.Add(win::Widen(text));
        }
      } else if (node) {
        grid_->SetNodeString(node, i, win::Widen(text));
      }
    }
    if (text_node) text_node->StoreTexts(texts_);
    CheckCount(header.children, 4, "child count", at);
    for (int32_t i = 0; i < header.children; ++i) ReadNode(node, depth + 1);
  }

  const uint8_t* data_;
  size_t size_;
  TCustomdxTreeListControl* grid_;
  size_t pos_ = 0;
  size_t length_bytes_;  // 4, or 1 in the old form: set by Parse
  NodeTexts::Builder texts_;
};

}  // namespace

void WriteNodeData(TCustomdxTreeListControl& grid, framework::TStream& out) {
  std::vector<NodeTexts::View> views;
  const int64_t size = 8 + MeasureNodes(grid.TopNodes(), 0, views);
  // A memory stream takes the whole size at once instead of growing by doubling.
  if (auto* memory = dynamic_cast<framework::TMemoryStream*>(&out)) {
    const int64_t position = memory->Position();
    memory->SetSize(std::max(memory->Size(), position + size));
  }
  NodeDataWriter w(out);
  w.Int(kNodeDataMarker);
  w.Int(grid.Count());
  for (const TdxTreeListNode* node : grid.TopNodes()) WriteNode(w, node, views);
  w.Flush();
}

int32_t ReadNodeData(TCustomdxTreeListControl& grid, framework::TStream& in) {
  const int64_t start = in.Position();
  // A memory stream is parsed where it lies; any other is read into memory first.
  std::string copy;
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (auto* memory = dynamic_cast<framework::TMemoryStream*>(&in)) {
    const int64_t total = memory->Size();
    const int64_t begin = std::min(start, total);
    data = memory->Memory() + begin;
    size = static_cast<size_t>(total - begin);
  } else {
    copy = in.ReadRest();
    in.SetPosition(start);
    data = reinterpret_cast<const uint8_t*>(copy.data());
    size = copy.size();
  }

  NodeDataParser check(data, size, nullptr);
  check.Parse();

  grid.BeginUpdate();
  int32_t marker = 0;
  try {
    grid.ClearNodes();
    NodeDataParser build(data, size, &grid);
    marker = build.Parse();
  } catch (...) {
    grid.EndUpdate();
    throw;
  }
  grid.EndUpdate();
  in.SetPosition(start + static_cast<int64_t>(check.Consumed()));
  return marker;
}

}  // namespace treelist
