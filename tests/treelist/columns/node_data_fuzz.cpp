// Fuzzing the node-stream reader.
#include "node_data_fuzz.h"

#include <climits>
#include <exception>
#include <random>

#include "framework/streams.h"
#include "node_data_support.h"
#include "treelist/columns/data_stream.h"

namespace treelist_test {

namespace {

using treelist::TCustomdxTreeListControl;
using treelist::TdxTreeListNode;

void AddRandomNodes(std::mt19937& random, TCustomdxTreeListControl& grid, TdxTreeListNode* parent,
                    int level) {
  const int count = static_cast<int>(random() % (level == 0 ? 6 : 4));
  for (int i = 0; i < count; ++i) {
    TdxTreeListNode* node = parent ? parent->AddChild() : grid.Add();
    node->SetImageIndex(static_cast<int>(random() % 5) - 1);
    node->SetData(random());
    const int texts = static_cast<int>(random() % 5);
    for (int t = 0; t < texts; ++t) {
      node->SetValues(t, std::wstring(random() % 12, static_cast<wchar_t>(L'a' + random() % 26)));
    }
    if (level < 2) AddRandomNodes(random, grid, node, level + 1);
  }
}

constexpr int32_t kInterestingValues[] = {-1, 0, 1, 10, 24, 255, 1000000, INT_MAX, INT_MIN};

// One damaged copy of `valid`, whose record fields `layout` locates.
std::string Damage(std::mt19937& random, const std::string& valid, const StreamLayout& layout) {
  std::string bytes = valid;
  auto pick = [&](const std::vector<size_t>& places) { return places[random() % places.size()]; };
  switch (random() % 8) {
    case 0: bytes.resize(random() % bytes.size()); break;
    case 1: Put32(bytes, pick(layout.header_sizes), 10); break;
    case 2: Put32(bytes, pick(layout.header_sizes), 1000000); break;
    case 3:
      if (!layout.text_lengths.empty()) Put32(bytes, pick(layout.text_lengths), -1);
      break;
    case 4: Put32(bytes, pick(layout.child_counts), static_cast<int32_t>(random() % 100000)); break;
    case 5: {
      const size_t slot = random() % (bytes.size() / 4);
      Put32(bytes, slot * 4, kInterestingValues[random() % std::size(kInterestingValues)]);
      break;
    }
    case 6:
      for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips) {
        bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
      }
      break;
    case 7: bytes.erase(0, 4); break;  // the old form's reading of a marked stream
  }
  return bytes;
}

}  // namespace

NodeDataFuzzTally FuzzNodeDataReader(uint32_t seed, int count) {
  std::mt19937 random(seed);
  NodeDataFuzzTally tally;
  TCustomdxTreeListControl kept(nullptr);
  FillThreeLevels(kept);
  const std::string kept_bytes = SaveToBytes(kept);
  TCustomdxTreeListControl grid(nullptr);
  LoadFromBytes(grid, kept_bytes);
  const std::wstring before = DumpNodes(grid);
  const std::string nested = NestedStream(100000);

  std::string valid;
  StreamLayout layout;
  for (int i = 0; i < count; ++i) {
    if (i % 50 == 0) {  // a fresh tree now and then
      TCustomdxTreeListControl source(nullptr);
      do AddRandomNodes(random, source, nullptr, 0);
      while (source.Count() == 0);
      valid = SaveToBytes(source);
      layout = ScanStream(valid);
    }
    const std::string bytes = i % 1000 == 999 ? nested : Damage(random, valid, layout);
    framework::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    ++tally.inputs;
    try {
      grid.ReadData(stream);
      ++tally.loaded;
      LoadFromBytes(grid, kept_bytes);
    } catch (const treelist::ENodeDataError& e) {
      ++tally.refused;
      if (DumpNodes(grid) != before || stream.Position() != 0) {
        tally.unexpected = "input " + std::to_string(i) + " changed the grid: " + e.what();
        return tally;
      }
    } catch (const std::exception& e) {
      tally.unexpected = "input " + std::to_string(i) + " raised: " + e.what();
      return tally;
    }
  }
  return tally;
}

}  // namespace treelist_test
