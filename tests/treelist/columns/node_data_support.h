// What the node-stream tests, the fuzz program and the benchmark share: a grid of text nodes
// without a window, a readable dump of its nodes, and the byte layout of a written stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "treelist/columns/tree_list_control.h"

namespace treelist_test {

// Every node, one line each, indented by level: images, data word and the texts in brackets.
std::wstring DumpNodes(const treelist::TCustomdxTreeListControl& grid);

// A small tree of three levels with empty, sparse and non-ASCII texts.
void FillThreeLevels(treelist::TCustomdxTreeListControl& grid);

// Where a written stream keeps its header sizes and text lengths (byte offsets), and the
// offset of each header's first field.
struct StreamLayout {
  std::vector<size_t> header_sizes;
  std::vector<size_t> text_lengths;
  std::vector<size_t> child_counts;
};
StreamLayout ScanStream(const std::string& bytes);

std::string SaveToBytes(treelist::TCustomdxTreeListControl& grid);
// Reads `bytes` into the grid through a memory stream.
void LoadFromBytes(treelist::TCustomdxTreeListControl& grid, const std::string& bytes);

// A stream of `levels` nodes, each the only child of the one before.
std::string NestedStream(int levels);

void Put32(std::string& bytes, size_t at, int32_t value);
std::string Int32(int32_t value);

}  // namespace treelist_test
