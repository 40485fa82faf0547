// The text node's sparse texts, the grid's node data and the moving of column values.
#include <gtest/gtest.h>

#include <vector>

#include "node_data_support.h"
#include "treelist/tree_list_control.h"

namespace treelist_test {
namespace {

using treelist::NodeTexts;
using treelist::TCustomdxTreeListControl;
using treelist::TdxTreeListNode;
using treelist::TdxTreeListTextNode;

std::vector<std::wstring> Texts(const TdxTreeListTextNode& node) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < node.TextCount(); ++i) texts.push_back(node.Text(i));
  return texts;
}

struct MoveCase {
  std::vector<std::wstring> before;
  int from, to;
  std::vector<std::wstring> after;
  const char* why;
};
const MoveCase kMoveCases[] = {
    {{L"a", L"b", L"c"}, 0, 2, {L"b", L"c", L"a"}, "forward to the last slot"},
    {{L"a", L"b", L"c"}, 2, 0, {L"c", L"a", L"b"}, "backward to the first slot"},
    {{L"a", L"b", L"c", L"d"}, 1, 2, {L"a", L"c", L"b", L"d"}, "forward inside"},
    {{L"a", L"b"}, 0, 4, {L"b", L"", L"", L"", L"a"}, "the list grows to both slots first"},
    {{L"a", L"b"}, 3, 0, {L"", L"a", L"b", L""}, "an empty slot moves too"},
    {{L"a"}, 2, 2, {L"a", L"", L""}, "a move in place still grows the list"},
};

TEST(TextNode, MovesATextAndShiftsTheOnesBetween) {
  TCustomdxTreeListControl grid(nullptr);
  for (const MoveCase& c : kMoveCases) {
    SCOPED_TRACE(c.why);
    auto* node = static_cast<TdxTreeListTextNode*>(grid.Add());
    for (size_t i = 0; i < c.before.size(); ++i) node->SetText(static_cast<int>(i), c.before[i]);
    node->MoveText(c.from, c.to);
    EXPECT_EQ(Texts(*node), c.after);
  }
}

TEST(TextNode, KeepsTextsSparseAtTheEndAndWideInMemory) {
  TCustomdxTreeListControl grid(nullptr);
  auto* node = dynamic_cast<TdxTreeListTextNode*>(grid.Add());
  ASSERT_NE(node, nullptr) << "the grid's factory makes text nodes";
  EXPECT_EQ(node->ImageIndex(), 0);
  EXPECT_EQ(node->SelectedIndex(), -1);
  EXPECT_EQ(node->StateIndex(), -1);
  EXPECT_EQ(node->TextCount(), 0);

  const std::wstring greek = L"\u03a9\u03bc\u03ad\u03b3\u03b1";
  node->SetValues(5, greek);
  EXPECT_EQ(Texts(*node), (std::vector<std::wstring>{L"", L"", L"", L"", L"", greek}));
  EXPECT_EQ(node->GetWideStrings(5), greek) << "what a wide editor typed stays as it was";
  EXPECT_EQ(node->GetValues(5).ToString(), greek);
  EXPECT_EQ(node->GetWideStrings(9), L"");
  EXPECT_EQ(node->TextCount(), 6) << "reading past the end stores nothing";
}

// Every UTF-16 text comes back as it went in, each kind at its own cost: one byte a character
// below 256, two above, and a length byte for a text shorter than 32 characters.
TEST(TextNode, StoresEachTextCompactlyAndGivesItBackExactly) {
  struct Case {
    std::wstring text;
    NodeTexts::Kind kind;
    size_t block_bytes;  // count, length and kind, characters
  } cases[] = {
      {L"", NodeTexts::Kind::Ascii, 1 + 1},
      {L"Net 12", NodeTexts::Kind::Ascii, 1 + 1 + 6},
      {std::wstring(31, L'a'), NodeTexts::Kind::Ascii, 1 + 1 + 31},
      {std::wstring(32, L'a'), NodeTexts::Kind::Ascii, 1 + 2 + 32},
      {std::wstring(70000, L'\x7f'), NodeTexts::Kind::Ascii, 1 + 3 + 70000},
      {std::wstring(L"a\0b", 3), NodeTexts::Kind::Ascii, 1 + 1 + 3},
      {L"Stra\u00dfe", NodeTexts::Kind::Latin1, 1 + 1 + 6},
      {L"\u0080\u00ff", NodeTexts::Kind::Latin1, 1 + 1 + 2},
      {L"x\u0100", NodeTexts::Kind::Wide, 1 + 1 + 4},
      {std::wstring{L'\u03a9', L'\uffff', static_cast<wchar_t>(0xD800)}, NodeTexts::Kind::Wide,
       1 + 1 + 6},  // a lone surrogate too
  };
  treelist::NodeBlockPool pool;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text.substr(0, 8)));
    NodeTexts texts;
    texts.Set(pool, 0, c.text);
    EXPECT_EQ(texts.Text(0), c.text);
    EXPECT_EQ(texts.At(0).kind, c.kind);
    EXPECT_EQ(texts.BlockBytes(), c.block_bytes);
    texts.Release(pool);
  }

  // Slots around a changed one keep their texts; the builder stores the same block at once.
  NodeTexts texts;
  NodeTexts::Builder builder;
  for (const Case& c : cases) {
    texts.Set(pool, texts.Count(), c.text);
    builder.Add(c.text);
  }
  texts.Set(pool, 2, L"\u20ac");
  texts.Remove(pool, 0);
  NodeTexts built;
  builder.StoreInto(pool, built);
  built.Set(pool, 2, L"\u20ac");
  built.Remove(pool, 0);
  ASSERT_EQ(texts.Count(), 9);
  for (int i = 0; i < texts.Count(); ++i) {
    EXPECT_EQ(texts.Text(i), i == 1 ? L"\u20ac" : cases[i + 1].text) << i;
    EXPECT_EQ(built.Text(i), texts.Text(i)) << i;
  }
  built.Release(pool);
  for (int i = texts.Count(); i > 0; --i) texts.Remove(pool, 0);
  EXPECT_EQ(texts.BlockBytes(), 0u) << "no texts, no block";
}

TEST(NodeBlockPool, PacksSmallBlocksReusesFreedOnesAndLeavesLargeOnesToTheHeap) {
  treelist::NodeBlockPool pool;
  auto* a = static_cast<char*>(pool.Allocate(10));
  auto* b = static_cast<char*>(pool.Allocate(12));
  EXPECT_EQ(b - a, 12) << "rounded up to a pointer's size, one after the other";
  pool.Free(a, 10);
  EXPECT_EQ(pool.Allocate(13), static_cast<void*>(b + 12)) << "another size takes a new block";
  EXPECT_EQ(pool.Allocate(9), static_cast<void*>(a)) << "the same size takes the freed one";
  void* large = pool.Allocate(treelist::NodeBlockPool::kLargestPooled + 1);
  pool.Free(large, treelist::NodeBlockPool::kLargestPooled + 1);
  EXPECT_EQ(pool.SlabBytes(), 64u * 1024) << "a large block takes no room in the slabs";
  for (int i = 0; i < 256; ++i) pool.Allocate(treelist::NodeBlockPool::kLargestPooled);
  EXPECT_EQ(pool.SlabBytes(), 2u * 64 * 1024);
}

TEST(TreeListControl, MovesColumnValuesOfEveryNodeOnEveryLevel) {
  TCustomdxTreeListControl grid(nullptr);
  FillThreeLevels(grid);
  grid.MoveColumnValues(0, 2);
  EXPECT_EQ(DumpNodes(grid),
            L"3,-1,-1 #3735928559 [] [0.25mm] [GND]\n"
            L"  0,-1,2 #0 [] [] [U1-7]\n"
            L"    0,5,-1 #0 [" +
                std::wstring(70000, L'x') +
                L"] [] []\n"
                L"0,-1,-1 #0 [] [] [Stra\u00dfe \u20ac5]\n"
                L"  0,-1,-1 #0 [] [] []\n");
}

TEST(TreeListControl, ImageIndexesPassTheEventsAndStoreOnlyChanges) {
  TCustomdxTreeListControl grid(nullptr);
  TdxTreeListNode* node = grid.Add();
  node->SetImageIndex(4);
  node->SetStateIndex(1);
  int raised = 0;
  grid.OnGetImageIndex = [&](framework::TComponent* sender, TdxTreeListNode* n, int& index) {
    EXPECT_EQ(sender, &grid);
    EXPECT_EQ(n, node);
    ++raised;
    index += 10;
  };
  EXPECT_EQ(node->ImageIndex(), 14);
  EXPECT_EQ(node->StateIndex(), 1) << "each kind has its own event";
  EXPECT_EQ(raised, 1);
  node->SetImageIndex(14);  // what the getter reports already: nothing stored
  grid.OnGetImageIndex = nullptr;
  EXPECT_EQ(node->ImageIndex(), 4);
}

}  // namespace
}  // namespace treelist_test
