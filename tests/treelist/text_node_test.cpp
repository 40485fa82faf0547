// The text node's sparse texts, the grid's node data and the moving of column values.
#include <gtest/gtest.h>

#include <vector>

#include "node_data_support.h"
#include "treelist/tree_list_control.h"

namespace treelist_test {
namespace {

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
