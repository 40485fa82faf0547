// The visible-row index: both roads against a naive walk of the tree under random changes, and
// the cached heights a change at the end of a sibling list makes stale.
#include "treelist/row_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "grid_fixture.h"

using treelist::TdxTreeListNode;
using treelist_test::TestTreeList;

namespace {

void CollectRows(const std::vector<TdxTreeListNode*>& nodes, std::vector<TdxTreeListNode*>& rows) {
  for (TdxTreeListNode* n : nodes) {
    rows.push_back(n);
    if (n->Expanded()) CollectRows(n->Children(), rows);
  }
}

void CollectSubtree(TdxTreeListNode* node, std::vector<TdxTreeListNode*>& out) {
  out.push_back(node);
  for (TdxTreeListNode* c : node->Children()) CollectSubtree(c, out);
}

// Every question of both roads against the rows a naive walk lists.
void ExpectRoadsAgree(TestTreeList& grid, const std::vector<TdxTreeListNode*>& live) {
  std::vector<TdxTreeListNode*> rows;
  CollectRows(grid.TopNodes(), rows);
  const int n = static_cast<int>(rows.size());
  ASSERT_EQ(grid.GetVisibleRowCount(), n) << "flat road";
  ASSERT_EQ(treelist::WalkVisibleRowCount(grid.TopNodes()), n) << "walking road";
  for (int i = -1; i <= n; ++i) {
    TdxTreeListNode* expected = i >= 0 && i < n ? rows[i] : nullptr;
    ASSERT_EQ(grid.GetNodeAtAbsoluteIndex(i), expected) << "flat road, row " << i;
    ASSERT_EQ(treelist::WalkNodeAtAbsoluteIndex(grid.TopNodes(), i), expected)
        << "walking road, row " << i;
  }
  for (TdxTreeListNode* node : live) {
    const auto it = std::find(rows.begin(), rows.end(), node);
    const int expected = it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    ASSERT_EQ(grid.GetAbsoluteIndex(node), expected) << "flat road";
    ASSERT_EQ(treelist::WalkAbsoluteIndex(grid.TopNodes(), node), expected) << "walking road";
  }
  ASSERT_EQ(grid.GetAbsoluteIndex(nullptr), -1);
}

TEST(RowIndex, BothRoadsAgreeWithANaiveWalkUnderRandomChanges) {
  TestTreeList grid(nullptr);
  std::mt19937 random(20261207);
  std::vector<TdxTreeListNode*> live;
  auto pick = [&] {
    return live[std::uniform_int_distribution<size_t>(0, live.size() - 1)(random)];
  };
  for (int step = 0; step < 1500; ++step) {
    SCOPED_TRACE(step);
    const int action = std::uniform_int_distribution<int>(0, 99)(random);
    // Some steps run inside an update, where the index is made again afterwards.
    const bool locked = action % 7 == 0;
    if (locked) grid.BeginUpdate();
    if (live.empty() || action < 12) {
      live.push_back(grid.Add());
    } else if (action < 50) {
      live.push_back(pick()->AddChild());
    } else if (action < 62) {
      TdxTreeListNode* victim = pick();
      std::vector<TdxTreeListNode*> gone;
      CollectSubtree(victim, gone);
      delete victim;
      for (TdxTreeListNode* g : gone) live.erase(std::find(live.begin(), live.end(), g));
    } else if (action < 84) {
      pick()->Expand(action % 5 == 0);
    } else {
      pick()->Collapse(action % 5 == 0);
    }
    if (locked) grid.EndUpdate();
    ExpectRoadsAgree(grid, live);
    if (testing::Test::HasFatalFailure()) return;
  }
}

TEST(RowIndex, TheIdentityDirectoryAnswersAsAMapThroughInsertionsAndErasures) {
  // Sizes at the bounds of a leaf and of the levels (the lines a search reads grow with the
  // logarithm); addresses held, between and beyond them; rows in no particular order; patches
  // that fill, open and empty leaves.
  std::mt19937 random(42);
  auto node = [](uintptr_t key) { return reinterpret_cast<TdxTreeListNode*>(key); };
  const struct {
    size_t size;
    int lines;
  } cases[] = {{0, 2}, {1, 3}, {16, 3}, {17, 3}, {256, 3}, {257, 4}, {4097, 5}, {20000, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::vector<int> rows(c.size);
    std::iota(rows.begin(), rows.end(), 0);
    std::shuffle(rows.begin(), rows.end(), random);
    std::map<uintptr_t, int> expected;
    std::vector<treelist::IdentityRow> sorted;
    for (size_t i = 0; i < c.size; ++i) {
      sorted.push_back({node(64 + 8 * i), rows[i]});
      expected[64 + 8 * i] = rows[i];
    }
    treelist::IdentityDirectory directory;
    directory.Build(sorted);
    EXPECT_EQ(directory.LinesPerSearch(), c.lines);
    for (int patch = 0; patch <= 40; ++patch) {
      ASSERT_EQ(directory.Size(), expected.size());
      for (uintptr_t key = 0; key <= 80 + 8 * c.size; key += 4) {
        const auto it = expected.find(key);
        ASSERT_EQ(directory.RowOf(node(key)), it == expected.end() ? -1 : it->second)
            << "key " << key << " after " << patch << " patches";
      }
      // The first row goes, a random key goes, a key not held goes nowhere, new keys come.
      uintptr_t key = 4 * std::uniform_int_distribution<uintptr_t>(1, 2 * c.size + 20)(random);
      for (const auto& [k, r] : expected) key = patch % 5 == 0 && r == 0 ? k : key;
      const auto it = expected.find(key);
      if (it != expected.end() && patch % 5 < 2) {
        const int row = it->second;
        expected.erase(it);
        for (auto& [k, r] : expected) r -= r > row;
        ASSERT_EQ(directory.Erase(node(key)), row);
      } else if (it == expected.end() && patch % 5 == 2) {
        ASSERT_EQ(directory.Erase(node(key)), -1) << "not held";
      } else if (it == expected.end()) {
        const int row = std::uniform_int_distribution<int>(0, int(expected.size()))(random);
        for (auto& [k, r] : expected) r += r >= row;
        expected[key] = row;
        directory.Insert(node(key), row);
      }
    }
  }
}

TEST(RowIndex, AnAddedOrDeletedRowIsPatchedIntoABuiltIndexAndNothingElseIs) {
  // A node store without a window: the index alone, as the control drives it.
  TestTreeList grid(nullptr);
  treelist::RowIndex index;
  EXPECT_FALSE(index.Valid());
  index.Rebuild(grid.TopNodes());
  ASSERT_TRUE(index.Valid()) << "an empty tree has a valid, empty index";
  TdxTreeListNode* a = grid.Add();
  index.NodeAdded(a);
  EXPECT_TRUE(index.Valid());
  EXPECT_EQ(index.NodeAt(0), a) << "patched in at row 0";
  TdxTreeListNode* b = grid.Add();
  index.NodeAdded(b);
  EXPECT_EQ(index.Count(), 2);
  a->Expand(false);  // no children: nothing to show
  TdxTreeListNode* a1 = a->AddChild();
  index.NodeAdded(a1);
  EXPECT_EQ(index.Count(), 2) << "under a collapsed parent";
  TdxTreeListNode* c = grid.Add();
  index.NodeAdded(c);
  EXPECT_EQ(index.Count(), 3);
  EXPECT_EQ(index.NodeAt(2), c);
  EXPECT_EQ(index.IndexOf(c), 2);
  index.NodeDeleting(b);
  EXPECT_EQ(index.Count(), 2);
  EXPECT_EQ(index.IndexOf(c), 1);
  EXPECT_EQ(index.IndexOf(b), -1);
  index.NodeDeleting(b);
  EXPECT_FALSE(index.Valid()) << "a row the index does not hold: it starts again";
  index.Invalidate();
  EXPECT_FALSE(index.Valid());
  EXPECT_EQ(index.Count(), 0);
}

TEST(RowIndex, ExpandingInsertsTheChildrenAfterTheParentAndAnIndexPastTheEndIsNull) {
  TestTreeList grid(nullptr);
  TdxTreeListNode* a = grid.Add();
  TdxTreeListNode* b = grid.Add();
  TdxTreeListNode* a1 = a->AddChild();
  TdxTreeListNode* a2 = a->AddChild();
  EXPECT_EQ(grid.GetVisibleRowCount(), 2);
  EXPECT_EQ(grid.GetAbsoluteIndex(a1), -1) << "hidden under a collapsed parent";
  EXPECT_EQ(treelist::WalkAbsoluteIndex(grid.TopNodes(), a1), -1);
  a->Expand(false);
  EXPECT_EQ(grid.GetNodeAtAbsoluteIndex(1), a1);
  EXPECT_EQ(grid.GetNodeAtAbsoluteIndex(2), a2);
  EXPECT_EQ(grid.GetAbsoluteIndex(b), 3);
  EXPECT_EQ(grid.GetNodeAtAbsoluteIndex(4), nullptr);
  a->Collapse(false);  // the rows are dropped, their slots left behind the shorter lists
  EXPECT_EQ(grid.GetAbsoluteIndex(a1), -1);
  EXPECT_EQ(grid.GetAbsoluteIndex(a2), -1);
}

TEST(RowIndex, ALastSiblingComingOrGoingRefreshesTheHeightOfTheOneBefore) {
  // With row footers the last node of a group is taller: its cached height must not outlive
  // a change of who is last, at the top level as much as below a parent.
  TestTreeList grid(nullptr);
  grid.SetShowRowFooter(true);
  const int line = grid.DefaultRowHeight();
  const int footer = grid.GetMetrics().row_footer_height;
  TdxTreeListNode* parent = grid.Add();
  parent->Expand(false);
  TdxTreeListNode* first = parent->AddChild();
  parent->Expand(false);
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer) << "closes two groups";
  TdxTreeListNode* second = parent->AddChild();
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line) << "no longer last";
  delete second;
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer) << "last again";

  TdxTreeListNode* top_two = grid.Add();
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + footer) << "its parent is not last";
  delete top_two;
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer);
}

TEST(RowIndex, ARowHeightIsCachedUnlessAskedWithoutTheCache) {
  TestTreeList grid(nullptr);
  TdxTreeListNode* node = grid.Add();
  const int line = grid.DefaultRowHeight();
  EXPECT_EQ(grid.GetRowHeight(node, line, false), line);
  EXPECT_EQ(grid.GetRowHeight(node, line + 5, false), line) << "the cached height";
  EXPECT_EQ(grid.GetRowHeight(node, line + 5, true), line + 5) << "measured anew";
  EXPECT_EQ(grid.GetRowHeight(node, line + 5, false), line) << "NoCache stores nothing";
}

TEST(TreeListNode, RefusesToBeMadeWithoutAnOwner) {
  try {
    TdxTreeListNode node(nullptr);
    ADD_FAILURE() << "no error";
  } catch (const treelist::ETreeListError& e) {
    EXPECT_STREQ(e.what(), "Invalid Owner TdxTreeListNode");
  }
}

TEST(TreeListNode, ComparesByPositionInTheTree) {
  TestTreeList grid(nullptr);
  TdxTreeListNode* a = grid.Add();
  TdxTreeListNode* a1 = a->AddChild();
  TdxTreeListNode* b = grid.Add();
  EXPECT_LT(treelist::CompareNodePositions(a, a1), 0) << "a parent comes first";
  EXPECT_LT(treelist::CompareNodePositions(a1, b), 0);
  EXPECT_GT(treelist::CompareNodePositions(b, a1), 0);
  EXPECT_EQ(treelist::CompareNodePositions(b, b), 0);
  EXPECT_EQ(a1->Level(), 1);
  EXPECT_TRUE(a1->IsLast());
  EXPECT_FALSE(a->IsLast());
  EXPECT_EQ(a->Items(1), nullptr);
  EXPECT_EQ(a->Items(-1), nullptr);
}

}  // namespace
