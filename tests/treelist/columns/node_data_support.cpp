// Helpers of the node-stream tests.
#include "node_data_support.h"

#include <cstring>

#include "treelist/columns/data_stream.h"

namespace treelist_test {

using treelist::TdxTreeListNode;

namespace {

void DumpNode(const treelist::TCustomdxTreeListControl& grid, const TdxTreeListNode* node,
              std::wstring& out) {
  out.append(static_cast<size_t>(node->Level()) * 2, L' ');
  out += std::to_wstring(node->ImageIndex()) + L"," + std::to_wstring(node->SelectedIndex()) +
         L"," + std::to_wstring(node->StateIndex()) + L" #" + std::to_wstring(node->Data());
  if (const auto* text_node = dynamic_cast<const treelist::TdxTreeListTextNode*>(node)) {
    for (int i = 0; i < text_node->TextCount(); ++i) out += L" [" + text_node->Text(i) + L"]";
  }
  out += L"\n";
  for (const TdxTreeListNode* child : node->Children()) DumpNode(grid, child, out);
}

int32_t Get32(const std::string& bytes, size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

void ScanNode(const std::string& bytes, size_t& pos, StreamLayout& layout) {
  layout.header_sizes.push_back(pos);
  const int32_t header = Get32(bytes, pos);
  const int32_t children = Get32(bytes, pos + 4 + 16);
  const int32_t texts = Get32(bytes, pos + 4 + 20);
  layout.child_counts.push_back(pos + 4 + 16);
  pos += 4 + static_cast<size_t>(header);
  for (int32_t i = 0; i < texts; ++i) {
    layout.text_lengths.push_back(pos);
    pos += 4 + static_cast<size_t>(Get32(bytes, pos));
  }
  for (int32_t i = 0; i < children; ++i) ScanNode(bytes, pos, layout);
}

}  // namespace

std::wstring DumpNodes(const treelist::TCustomdxTreeListControl& grid) {
  std::wstring out;
  for (const TdxTreeListNode* node : grid.TopNodes()) DumpNode(grid, node, out);
  return out;
}

void FillThreeLevels(treelist::TCustomdxTreeListControl& grid) {
  TdxTreeListNode* net = grid.Add();
  net->SetValues(0, L"GND");
  net->SetValues(2, L"0.25mm");  // slot 1 stays empty
  net->SetImageIndex(3);
  net->SetData(0xDEADBEEF);
  TdxTreeListNode* pin = net->AddChild();
  pin->SetValues(0, L"U1-7");
  pin->SetStateIndex(2);
  TdxTreeListNode* pad = pin->AddChild();
  pad->SetValues(0, L"");
  pad->SetValues(1, std::wstring(70000, L'x'));  // longer than a 16-bit length
  pad->SetSelectedIndex(5);
  TdxTreeListNode* other = grid.Add();
  other->SetValues(0, L"Stra\u00dfe \u20ac5");
  other->AddChild();
}

StreamLayout ScanStream(const std::string& bytes) {
  StreamLayout layout;
  size_t pos = 8;
  for (int32_t i = 0; i < Get32(bytes, 4); ++i) ScanNode(bytes, pos, layout);
  return layout;
}

std::string SaveToBytes(treelist::TCustomdxTreeListControl& grid) {
  framework::TMemoryStream stream;
  grid.WriteData(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

void LoadFromBytes(treelist::TCustomdxTreeListControl& grid, const std::string& bytes) {
  framework::TMemoryStream stream;
  stream.WriteString(bytes);
  stream.SetPosition(0);
  grid.ReadData(stream);
}

std::string NestedStream(int levels) {
  std::string bytes = Int32(treelist::kNodeDataMarker) + Int32(1);
  bytes.reserve(bytes.size() + static_cast<size_t>(levels) * 28);
  for (int i = 0; i < levels; ++i) {
    bytes += Int32(24) + Int32(0) + Int32(-1) + Int32(-1) + Int32(i);
    bytes += Int32(i + 1 < levels ? 1 : 0) + Int32(0);
  }
  return bytes;
}

void Put32(std::string& bytes, size_t at, int32_t value) { std::memcpy(&bytes[at], &value, 4); }

std::string Int32(int32_t value) {
  std::string bytes(4, '\0');
  Put32(bytes, 0, value);
  return bytes;
}

}  // namespace treelist_test
