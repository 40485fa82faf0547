// Sorting a real grid window: the mixed, locale and event rules, several keys, levels, handlers
// that answer anything or throw, the hour-glass, and the row index and picture after a sort.
#include "treelist/core/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/screen.h"
#include "../grid_fixture.h"
#include "treelist/core/row_index.h"

using treelist::SortKey;
using treelist::TdxTreeListNode;
using treelist_test::AddNamed;

namespace {

// A grid whose sort columns and value-slot counts the test sets, as a column model would.
class SortingTreeList : public treelist_test::TestTreeList {
 public:
  using TestTreeList::TestTreeList;
  std::vector<SortKey> keys;
  std::map<const TdxTreeListNode*, int> text_counts;            // nodes not named: the column count
  std::map<const TdxTreeListNode*, framework::Variant> values;  // else the node's texts
  int values_asked = 0;

 protected:
  int GetSortColumnCount() const override { return static_cast<int>(keys.size()); }
  int GetSortColumn(int index) const override { return keys.at(index).column; }
  bool GetSortDescending(int index) const override { return keys.at(index).descending; }
  framework::Variant GetNodeSortValue(const TdxTreeListNode* node, int column) override {
    ++values_asked;
    const auto it = values.find(node);
    return it != values.end() ? it->second : TestTreeList::GetNodeSortValue(node, column);
  }
  int GetNodeTextCount(const TdxTreeListNode* node) override {
    const auto it = text_counts.find(node);
    return it != text_counts.end() ? it->second : TestTreeList::GetNodeTextCount(node);
  }
};

struct SortForm {
  framework::TForm form{nullptr};
  SortingTreeList grid{nullptr};
  SortForm() {
    form.SetBounds(50, 50, 400, 280);
    grid.SetParent(&form);
    grid.SetBounds(10, 10, 360, 220);
    grid.SetModel(treelist_test::TwoBandModel());
    form.Show();
    grid.Handle();
  }
};

std::vector<TdxTreeListNode*> AddAll(SortingTreeList& grid, TdxTreeListNode* parent,
                                     std::initializer_list<const wchar_t*> names) {
  std::vector<TdxTreeListNode*> nodes;
  for (const wchar_t* name : names) nodes.push_back(AddNamed(grid, parent, name));
  return nodes;
}

// The nodes' names, each followed by a space.
std::wstring Names(const SortingTreeList& grid, const std::vector<TdxTreeListNode*>& list) {
  std::wstring names;
  for (const TdxTreeListNode* node : list) names += grid.Name(node) + L" ";
  return names;
}

// Every list's positions match the nodes' own, and both row roads agree with the tree.
void ExpectConsistent(SortingTreeList& grid) {
  std::vector<const std::vector<TdxTreeListNode*>*> lists{&grid.TopNodes()};
  while (!lists.empty()) {
    const std::vector<TdxTreeListNode*>& list = *lists.back();
    lists.pop_back();
    for (size_t i = 0; i < list.size(); ++i) {
      ASSERT_EQ(list[i]->Index(), static_cast<int>(i));
      lists.push_back(&list[i]->Children());
    }
  }
  const int rows = treelist::WalkVisibleRowCount(grid.TopNodes());
  ASSERT_EQ(grid.GetVisibleRowCount(), rows);
  for (int row = 0; row < rows; ++row) {
    TdxTreeListNode* node = treelist::WalkNodeAtAbsoluteIndex(grid.TopNodes(), row);
    ASSERT_EQ(grid.GetNodeAtAbsoluteIndex(row), node) << "row " << row;
    ASSERT_EQ(grid.GetAbsoluteIndex(node), row);
  }
}

TEST(TreeListSort, MixedRuleOrdersNumbersInsideTextsAndKeepsEqualNodesInOrder) {
  SortForm f;
  const auto n = AddAll(f.grid, nullptr, {L"a10", L"b2", L"a9", L"A9", L"10", L"9", L"a9"});
  f.grid.GetVisibleRowCount();  // the flat index exists before the sort
  f.grid.Sort(0, 0, false);
  // Case does not count, in the key nor in the column texts: earlier nodes stay first.
  EXPECT_EQ(f.grid.TopNodes(),
            (std::vector<TdxTreeListNode*>{n[5], n[4], n[2], n[3], n[6], n[0], n[1]}));
  ExpectConsistent(f.grid);
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(f.grid.TopNodes(),
            (std::vector<TdxTreeListNode*>{n[1], n[0], n[2], n[3], n[6], n[4], n[5]}));
  ExpectConsistent(f.grid);
}

TEST(TreeListSort, EqualKeysCompareEveryValueSlotWithMissingOnesEmpty) {
  SortForm f;
  // Same name and key; `shorter` has no second slot, so it reads as empty there.
  TdxTreeListNode* longer = AddNamed(f.grid, nullptr, L"n");
  TdxTreeListNode* shorter = AddNamed(f.grid, nullptr, L"n");
  f.grid.text_counts = {{shorter, 1}, {longer, 2}};
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{shorter, longer}));
  f.grid.Sort(0, 0, false);  // the other way round gives the same
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{shorter, longer}));
  // A later slot decides when the earlier ones are equal; the first difference wins.
  f.grid.text_counts.clear();
  shorter->SetStrings(1, "N.1Z");
  longer->SetStrings(1, "n.1z");
  shorter->SetStrings(2, "n.2a");
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{longer, shorter}));
}

TEST(TreeListSort, SeveralKeysEachKeepTheirOwnDirection) {
  SortForm f;
  const auto n = AddAll(f.grid, nullptr, {L"a", L"b", L"c", L"d", L"e"});
  const char* kinds[] = {"R", "C", "R", "C", "U"};
  const char* numbers[] = {"10", "2", "1", "30", "5"};
  for (int i = 0; i < 5; ++i) {
    n[i]->SetStrings(1, kinds[i]);
    n[i]->SetStrings(2, numbers[i]);
  }
  f.grid.keys = {{1, true}, {2, false}};
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoMultiSort);
  f.grid.Sort(0, 0, false);  // the keys replace the column given
  EXPECT_EQ(Names(f.grid, f.grid.TopNodes()), L"e c a b d ");
  ExpectConsistent(f.grid);
  // One sort column, or several without multi-sort: the column given.
  f.grid.keys = {{1, false}};
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(Names(f.grid, f.grid.TopNodes()), L"e d c b a ");
  f.grid.keys = {{1, true}, {2, false}};
  f.grid.SetOptionsEx(f.grid.OptionsEx() & ~treelist::aoMultiSort);
  f.grid.Sort(0, 0, false);
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(Names(f.grid, f.grid.TopNodes()), L"e d c b a ");
}

TEST(TreeListSort, LocaleRuleHandsCollationTiesToTheNextKey) {
  // A soft hyphen is ignored by the collation: the texts differ but collate equal.
  if (treelist::CollateAnsi("a\xAD"
                            "b",
                            "ab") != 0)
    GTEST_SKIP() << "no ignorable character";
  EXPECT_EQ(treelist::CollateAnsi("b", "ab"), 1);
  EXPECT_EQ(treelist::CollateAnsi("ab", "b"), -1);
  SortForm f;
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoAnsiSort | treelist::aoMultiSort);
  const auto n = AddAll(f.grid, nullptr, {L"b", L"a\u00ADb", L"ab", L"c"});
  n[1]->SetStrings(1, "2");
  n[2]->SetStrings(1, "1");
  n[0]->SetStrings(1, "0");
  f.grid.keys = {{0, false}, {1, false}};
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{n[2], n[1], n[0], n[3]}));
  f.grid.keys = {{0, true}, {1, true}};
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{n[3], n[0], n[1], n[2]}));
  // Equal by every key: the order before the sort stays.
  f.grid.keys = {{1, false}, {1, false}};
  n[3]->SetStrings(1, "2");
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{n[0], n[2], n[3], n[1]}));
}

TEST(TreeListSort, LocaleRuleOrdersNumbersByValueAndTextsAgainstNumbersAsTexts) {
  SortForm f;
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoAnsiSort);
  const auto n = AddAll(f.grid, nullptr, {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h"});
  const framework::Variant values[] = {
      10, 9.5, framework::Variant(), -1, L"abc", 100, 10.0, framework::Variant::FromDate(9.5)};
  for (int i = 0; i < 8; ++i) f.grid.values[n[i]] = values[i];
  f.grid.Sort(0, 0, false);
  // Numbers by value; a text against a number collates with its string form ("100" < "abc").
  // Kinds that differ with the same number (10 and 10.0, 9.5 and its date) tie in either
  // direction: the earlier node stays first.
  EXPECT_EQ(Names(f.grid, f.grid.TopNodes()), L"c d b h a g f e ");
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(Names(f.grid, f.grid.TopNodes()), L"e f a g b h d c ");
}

TEST(TreeListSort, HostileHandlersLeaveAPermutationAfterBoundedWork) {
  constexpr int kNodes = 1000;
  SortForm f;
  std::vector<TdxTreeListNode*> nodes;
  for (int i = 0; i < kNodes; ++i) nodes.push_back(AddNamed(f.grid, nullptr, std::to_wstring(i)));
  const std::set<TdxTreeListNode*> all(nodes.begin(), nodes.end());
  std::mt19937 random(11);
  std::uniform_int_distribution<int> answer(-3, 3);
  int asked = 0, odd_calls = 0;  // odd: a node against itself, another sender, no 0 preset
  const int bound = kNodes * static_cast<int>(std::ceil(std::log2(kNodes)));
  struct Handler {
    const char* why;
    std::function<int()> answer;
  };
  const Handler handlers[] = {
      {"always -1", [] { return -1; }},
      {"always 1", [] { return 1; }},
      {"at random", [&] { return answer(random); }},
  };
  for (const Handler& h : handlers) {
    SCOPED_TRACE(h.why);
    asked = odd_calls = 0;
    f.grid.OnCompare = [&](framework::TComponent* sender, TdxTreeListNode* a, TdxTreeListNode* b,
                           int& compare) {
      ++asked;
      odd_calls += a == b || sender != &f.grid || compare != 0;
      compare = h.answer();
    };
    f.grid.Sort(-1, 0, false);
    EXPECT_EQ(std::set<TdxTreeListNode*>(f.grid.TopNodes().begin(), f.grid.TopNodes().end()), all);
    EXPECT_EQ(f.grid.Count(), kNodes);
    EXPECT_EQ(odd_calls, 0);
    EXPECT_LE(asked, bound);
    ExpectConsistent(f.grid);
  }
  // A handler that leaves every pair equal keeps the order (the sort is stable).
  const std::vector<TdxTreeListNode*> before = f.grid.TopNodes();
  asked = 0;
  f.grid.OnCompare = [&](framework::TComponent*, TdxTreeListNode*, TdxTreeListNode*, int&) {
    ++asked;
  };
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(f.grid.TopNodes(), before);
  EXPECT_LT(asked, kNodes) << "runs in order are joined after one comparison";
  EXPECT_EQ(f.grid.values_asked, 0) << "the handler decides alone";
}

TEST(TreeListSort, ALevelSortsOnlyItsOwnLists) {
  SortForm f;
  // Two of everything, each list named in reverse: "t2" "t1", below each "c2" "c1", below
  // each of those "g2" "g1", and one lonely node under "g1" that is never asked about.
  for (TdxTreeListNode* top : AddAll(f.grid, nullptr, {L"t2", L"t1"})) {
    for (TdxTreeListNode* child : AddAll(f.grid, top, {L"c2", L"c1"})) {
      for (TdxTreeListNode* grandchild : AddAll(f.grid, child, {L"g2", L"g1"})) {
        AddNamed(f.grid, grandchild, L"only");
      }
    }
  }
  f.grid.FullExpand();
  auto names_at = [&](int depth) {
    std::wstring names;
    for (int row = 0; row < f.grid.GetVisibleRowCount(); ++row) {
      TdxTreeListNode* node = f.grid.GetNodeAtAbsoluteIndex(row);
      if (node->Level() == depth) names += f.grid.Name(node);
    }
    return names;
  };
  f.grid.Sort(1, 0, false);
  EXPECT_EQ(names_at(0), L"t2t1");
  EXPECT_EQ(names_at(1), L"c1c2c1c2");
  EXPECT_EQ(names_at(2), L"g2g1g2g1g2g1g2g1");
  EXPECT_EQ(f.grid.values_asked, 4) << "two lists of two nodes, one key";
  ExpectConsistent(f.grid);
  f.grid.Sort(4, 0, false);  // deeper than the tree, and lists of one node: nothing asked
  f.grid.Sort(3, 0, false);
  f.grid.Sort(-2, 0, false);
  EXPECT_EQ(f.grid.values_asked, 4);
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(names_at(0), L"t1t2");
  EXPECT_EQ(names_at(2), L"g2g1g2g1g2g1g2g1");
  f.grid.Sort(2, 0, false);
  EXPECT_EQ(names_at(2), L"g1g2g1g2g1g2g1g2");
  f.grid.Sort(-1, 0, true);
  EXPECT_EQ(names_at(0), L"t2t1");
  EXPECT_EQ(names_at(1), L"c2c1c2c1");
  EXPECT_EQ(names_at(2), L"g2g1g2g1g2g1g2g1");
  ExpectConsistent(f.grid);
}

TEST(TreeListSort, TheHourGlassShowsWhileSortingAndGoesOnEveryExit) {
  SortForm f;
  const auto n = AddAll(f.grid, nullptr, {L"b", L"a", L"c"});
  framework::Screen().SetCursor(framework::crDefault);
  framework::TCursor seen = framework::crArrow;
  bool fail = false;
  f.grid.OnCompare = [&](framework::TComponent*, TdxTreeListNode* a, TdxTreeListNode* b,
                         int& compare) {
    seen = framework::Screen().Cursor();
    if (fail) throw std::runtime_error("refused");
    compare = f.grid.Name(a).compare(f.grid.Name(b));
  };
  f.grid.Sort(0, 0, false);
  EXPECT_EQ(seen, framework::crDefault) << "not asked for";
  f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoShowHourGlass);
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(seen, framework::crHourGlass);
  EXPECT_EQ(framework::Screen().Cursor(), framework::crDefault);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{n[1], n[0], n[2]}));

  // A handler that throws: the exception reaches the caller, the list stays as it was.
  fail = true;
  seen = framework::crArrow;
  EXPECT_THROW(f.grid.Sort(0, 0, false), std::runtime_error);
  EXPECT_EQ(seen, framework::crHourGlass);
  EXPECT_EQ(framework::Screen().Cursor(), framework::crDefault);
  EXPECT_EQ(f.grid.TopNodes(), (std::vector<TdxTreeListNode*>{n[1], n[0], n[2]}));
  ExpectConsistent(f.grid);
}

TEST(TreeListSort, RowsAndPictureFollowTheSortAtOnce) {
  SortForm f;
  std::vector<TdxTreeListNode*> tops;
  for (const wchar_t* name : {L"N3", L"N1", L"N2"}) {
    tops.push_back(AddNamed(f.grid, nullptr, name));
    AddAll(f.grid, tops.back(), {L"x2", L"x1"});
  }
  f.grid.FullExpand();
  f.grid.SetFocusedNode(tops[1]);
  ASSERT_EQ(f.grid.GetAbsoluteIndex(tops[1]), 3);
  const int height = f.grid.GetRowHeight(tops[1]->Children().back(), 0, false);
  UpdateWindow(f.grid.Handle());
  ASSERT_FALSE(GetUpdateRect(f.grid.Handle(), nullptr, FALSE));

  f.grid.Sort(-1, 0, false);
  EXPECT_TRUE(GetUpdateRect(f.grid.Handle(), nullptr, FALSE)) << "no repaint asked for";
  EXPECT_EQ(f.grid.GetAbsoluteIndex(tops[1]), 0);
  EXPECT_EQ(f.grid.GetNodeAtAbsoluteIndex(1), tops[1]->Items(0));
  EXPECT_EQ(f.grid.Name(f.grid.GetNodeAtAbsoluteIndex(1)), L"x1");
  EXPECT_EQ(f.grid.GetFocusedNode(), tops[1]) << "the focus stays on its node";
  // The former last child is not last any more: its height is measured again.
  EXPECT_EQ(f.grid.GetRowHeight(tops[1]->Items(0), 0, false), height);
  ExpectConsistent(f.grid);
  // Inside an update nothing is painted until it ends; the rows follow at once all the same.
  UpdateWindow(f.grid.Handle());
  f.grid.BeginUpdate();
  f.grid.Sort(0, 0, true);
  EXPECT_EQ(f.grid.GetNodeAtAbsoluteIndex(0), tops[0]);
  f.grid.EndUpdate();
  ExpectConsistent(f.grid);
}

}  // namespace
