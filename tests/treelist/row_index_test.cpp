// The visible-row index: both roads against a naive walk of the tree under random changes, and
// the cached heights a change at the end of a sibling list makes stale.
#include "treelist/row_index.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(RowIndex, TheIdentityDirectoryFindsWhatABinarySearchFindsAsTheListShifts) {
  // Sizes at the bounds of a block and of the levels; keys present, between and beyond them;
  // insertions and removals before the directory samples the list again and after.
  std::mt19937 random(42);
  auto node = [](uintptr_t key) { return reinterpret_cast<TdxTreeListNode*>(key); };
  // Each size with the lines a search reads at most: a line per level of the directory, and four.
  const std::pair<size_t, int> kSizes[] = {{0, 4},   {1, 4},   {16, 4},   {17, 5},
                                           {256, 5}, {257, 6}, {4097, 7}, {20000, 7}};
  for (const auto& [size, lines] : kSizes) {
    SCOPED_TRACE(size);
    std::vector<TdxTreeListNode*> sorted;
    for (size_t i = 0; i < size; ++i) sorted.push_back(node(64 + 8 * i));
    treelist::IdentityDirectory directory;
    directory.Build(sorted);
    EXPECT_EQ(directory.LinesPerSearch(), lines);
    size_t shifts = 0;
    for (int shift = 0; shift <= 12; ++shift) {
      for (uintptr_t key = 0; key <= 80 + 8 * size; key += 4) {
        const auto expected = std::lower_bound(sorted.begin(), sorted.end(), node(key));
        const auto window = directory.Find(sorted, node(key));
        ASSERT_LE(window.end - window.begin, 16u + 2 * (shifts % 9))
            << "a line of the list, and the shifts since the list was last sampled (after 8)";
        ASSERT_EQ(directory.LowerBound(sorted, node(key)), size_t(expected - sorted.begin()))
            << "key " << key << " after " << shift << " shifts";
      }
      const size_t at = std::uniform_int_distribution<size_t>(0, sorted.size())(random);
      if (shift % 3 == 2 && at < sorted.size()) {
        sorted.erase(sorted.begin() + at);
      } else {  // a key between two others, all of them kept even
        const uintptr_t before = at > 0 ? reinterpret_cast<uintptr_t>(sorted[at - 1]) : 0;
        const uintptr_t after =
            at < sorted.size() ? reinterpret_cast<uintptr_t>(sorted[at]) : before + 8;
        if (after - before < 4) continue;
        sorted.insert(sorted.begin() + at, node(before + (after - before) / 4 * 2));
      }
      directory.Shifted(sorted);
      ++shifts;
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
  index.NodeDeleting(a1);
  EXPECT_TRUE(index.Valid()) << "a hidden row goes without making the index again";
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
