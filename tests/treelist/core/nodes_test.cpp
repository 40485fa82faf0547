// The node store: the visible-row index on both roads against a naive walk of the tree under
// random changes, and the cached heights a change at the end of a sibling list makes stale; the
// text node's sparse texts, the grid's node data and the moving of column values; the grid's node
// stream: its bytes, the round trip, the old form, and damaged streams refused with the grid left
// as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framework/win/text.h"
#include "../grid_fixture.h"
#include "../columns/node_data_fuzz.h"
#include "../columns/node_data_support.h"
#include "treelist/columns/data_stream.h"
#include "treelist/core/row_index.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist_test {
namespace {

using treelist::ENodeDataError;
using treelist::NodeTexts;
using treelist::TCustomdxTreeListControl;
using treelist::TdxTreeListNode;
using treelist::TdxTreeListTextNode;

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

TEST(RowIndex, HeightsAreCachedUntilALastSiblingComesOrGoesOrTheCacheIsPassedBy) {
  // With row footers the last node of a group is taller: its cached height must not outlive
  // a change of who is last, at the top level as much as below a parent.
  TestTreeList grid(nullptr);
  grid.SetShowRowFooter(true);
  grid.OnIsLevelFooter = [](framework::TComponent*, int, bool& footer) { footer = true; };
  const int line = grid.DefaultRowHeight();
  const int footer = grid.GetMetrics().row_footer_height;
  TdxTreeListNode* grand = grid.Add();
  TdxTreeListNode* parent = grand->AddChild();
  TdxTreeListNode* first = parent->AddChild();
  grid.FullExpand();
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer) << "closes two groups";
  TdxTreeListNode* second = parent->AddChild();
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line) << "no longer last";
  delete second;
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer) << "last again";

  TdxTreeListNode* uncle = grand->AddChild();
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + footer) << "its parent is not last";
  delete uncle;
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer);
  TdxTreeListNode* top_two = grid.Add();
  EXPECT_EQ(grid.GetRowHeight(first, line, false), line + 2 * footer)
      << "a top-level group has no footer";
  delete top_two;

  // A height is cached unless asked without the cache, which stores nothing.
  grid.SetShowRowFooter(false);
  TdxTreeListNode* node = grid.Add();
  const std::vector<int> heights{
      grid.GetRowHeight(node, line, false), grid.GetRowHeight(node, line + 5, false),
      grid.GetRowHeight(node, line + 5, true), grid.GetRowHeight(node, line + 5, false)};
  EXPECT_EQ(heights, (std::vector<int>{line, line, line + 5, line}));
}

TEST(TreeListNode, ComparesByPositionInTheTreeAndRefusesToBeMadeWithoutAnOwner) {
  try {
    TdxTreeListNode node(nullptr);
    ADD_FAILURE() << "no error";
  } catch (const treelist::ETreeListError& e) {
    EXPECT_STREQ(e.what(), "Invalid Owner TdxTreeListNode");
  }
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

// Bytes held in a string, handed out a few at a time: a stream that is not a memory stream.
class TrickleStream : public framework::TStream {
 public:
  explicit TrickleStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int32_t Read(void* buffer, int32_t count) override {
    const size_t n = std::min<size_t>({static_cast<size_t>(count), 5, bytes_.size() - pos_});
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return static_cast<int32_t>(n);
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, framework::SeekOrigin origin) override {
    const int64_t base = origin == framework::SeekOrigin::Beginning ? 0
                         : origin == framework::SeekOrigin::Current
                             ? static_cast<int64_t>(pos_)
                             : static_cast<int64_t>(bytes_.size());
    pos_ = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(pos_);
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

// Keeps what is written and the size of each piece.
class PieceStream : public framework::TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void* buffer, int32_t count) override {
    bytes.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
    pieces.push_back(count);
    return count;
  }
  int64_t Seek(int64_t, framework::SeekOrigin) override {
    return static_cast<int64_t>(bytes.size());
  }
  std::string bytes;
  std::vector<int32_t> pieces;
};

std::string Text1(const std::string& text) {
  return std::string(1, static_cast<char>(text.size())) + text;
}
std::string Text4(const std::string& text) {
  return Int32(static_cast<int32_t>(text.size())) + text;
}
std::string Header(int32_t size, int32_t image, int32_t selected, int32_t state, int32_t data,
                   int32_t children, int32_t texts) {
  return Int32(size) + Int32(image) + Int32(selected) + Int32(state) + Int32(data) +
         Int32(children) + Int32(texts);
}

TEST(NodeDataStream, WritesMarkerCountAndEachRecordAsTheGettersReportThemIn64KBPieces) {
  TCustomdxTreeListControl grid(nullptr);
  EXPECT_FALSE(grid.HasData()) << "a grid without nodes writes no Data";
  TdxTreeListNode* node = grid.Add();
  node->SetImageIndex(3);
  node->SetData(7);
  node->SetValues(0, L"ab");
  node->SetValues(2, L"\u03a9");
  node->AddChild();
  grid.OnGetStateIndex = [](framework::TComponent*, TdxTreeListNode*, int& index) { index = 9; };
  EXPECT_TRUE(grid.HasData());

  const std::string expected = Int32(-1) + Int32(1) + Header(24, 3, -1, 9, 7, 1, 3) + Text4("ab") +
                               Text4("") + Text4(win::Narrow(L"\u03a9")) +
                               Header(24, 0, -1, 9, 0, 0, 0);
  EXPECT_EQ(SaveToBytes(grid), expected);

  // A stream of another kind gets pieces of 64 KB.
  grid.ClearNodes();
  for (int i = 0; i < 5000; ++i) grid.Add()->SetValues(0, L"abcd");  // 36 bytes a node
  PieceStream stream;
  grid.WriteData(stream);
  EXPECT_EQ(stream.bytes, SaveToBytes(grid));
  EXPECT_EQ(stream.pieces, (std::vector<int32_t>{65536, 65536, 8 + 5000 * 36 - 2 * 65536}));
}

TEST(NodeDataStream, RoundTripKeepsThreeLevelsOfNodesTextsImagesAndDataWords) {
  TCustomdxTreeListControl grid(nullptr);
  FillThreeLevels(grid);
  const std::wstring greek = L"\u03a9\u03bc\u03ad\u03b3\u03b1";
  grid.Items(1)->Items(0)->SetValues(1, greek);
  const std::string bytes = SaveToBytes(grid);

  TCustomdxTreeListControl loaded(nullptr);
  LoadFromBytes(loaded, bytes);
  EXPECT_EQ(loaded.DataFormatMarker(), -1);
  // The stream holds 8-bit texts of the ANSI code page: a character it lacks comes back as the
  // system's nearest one, else "?".
  const std::wstring narrowed = win::Widen(win::Narrow(greek));
  if (GetACP() == 1252) {
    EXPECT_EQ(narrowed, L"O\u00b5??a");
  }
  grid.Items(1)->Items(0)->SetValues(1, narrowed);
  EXPECT_EQ(DumpNodes(loaded), DumpNodes(grid));
  EXPECT_EQ(SaveToBytes(loaded), bytes);

  TCustomdxTreeListControl trickled(nullptr);
  TrickleStream stream(bytes + "next");
  trickled.ReadData(stream);
  EXPECT_EQ(DumpNodes(trickled), DumpNodes(grid));
  EXPECT_EQ(stream.ReadRest(), "next") << "the position ends right after the nodes";
}

TEST(NodeDataStream, ReadsTheOldFormAndOnlyTheFieldsInsideAHeaderOfAnotherSize) {
  const std::string bytes = Int32(2) + Header(24, 1, 2, 3, 4, 0, 2) + Text1("x") + Text1("") +
                            Header(24, 0, -1, -1, 0, 0, 1) + Text1(std::string(200, 'y'));
  TCustomdxTreeListControl grid(nullptr);
  LoadFromBytes(grid, bytes);
  EXPECT_EQ(grid.DataFormatMarker(), 0);
  EXPECT_EQ(DumpNodes(grid), L"1,2,3 #4 [x] []\n0,-1,-1 #0 [" + std::wstring(200, L'y') + L"]\n");

  // A byte beyond ASCII goes through the code page, whichever it is.
  LoadFromBytes(grid, Int32(1) + Header(24, 0, -1, -1, 0, 0, 1) + Text1("\x80"));
  EXPECT_EQ(DumpNodes(grid), L"0,-1,-1 #0 [" + win::Widen("\x80") + L"]\n");
  EXPECT_NE(win::Widen("\x80"), L"\u0080");

  LoadFromBytes(grid, Int32(0));
  EXPECT_EQ(grid.Count(), 0) << "a count of 0 is the old form's empty grid, not a marker";
  EXPECT_EQ(grid.DataFormatMarker(), 0);

  // Only the fields inside a header of another size are read.
  struct Case {
    std::string header;
    std::wstring dump;
  } cases[] = {
      {Int32(10) + Int32(4) + Int32(5) + "zz", L"4,5,-1 #0\n"},
      {Int32(0), L"0,-1,-1 #0\n"},
      {Int32(1024) + Header(24, 1, 2, 3, 4, 0, 1).substr(4) + std::string(1000, 'p') + Text4("t"),
       L"1,2,3 #4 [t]\n"},
      {Int32(32) + Header(24, 1, 2, 3, 4, 0, 1).substr(4) + Int32(77) + Int32(78) + Text4("t"),
       L"1,2,3 #4 [t]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.dump));
    LoadFromBytes(grid, Int32(-1) + Int32(1) + c.header);
    EXPECT_EQ(DumpNodes(grid), c.dump);
  }
}

// One node with the text "abc": 43 bytes.
std::string OneNode() {
  return Int32(-1) + Int32(1) + Header(24, 0, -1, -1, 0, 0, 1) + Text4("abc");
}
std::string Patched(size_t at, int32_t value) {
  std::string bytes = OneNode();
  Put32(bytes, at, value);
  return bytes;
}

struct DamageCase {
  std::string bytes;
  const char* message;
};

TEST(NodeDataStream, RefusesDamageWithItsPlaceAndLeavesTheGridAsItWas) {
  const DamageCase cases[] = {
      {"", "Data stream, byte 0: the stream ends before the node count"},
      {Int32(-1), "Data stream, byte 4: the stream ends before the node count"},
      {OneNode().substr(0, 20),
       "Data stream, byte 8: node header size 24 exceeds the 8 remaining bytes"},
      {OneNode().substr(0, 40),
       "Data stream, byte 36: text length 3 exceeds the 0 remaining bytes"},
      {Patched(8, 1000000),
       "Data stream, byte 8: node header size 1000000 is not between 0 and 1024"},
      {Patched(8, 1025), "Data stream, byte 8: node header size 1025 is not between 0 and 1024"},
      {Patched(8, -4), "Data stream, byte 8: node header size -4 is not between 0 and 1024"},
      {Patched(36, -1), "Data stream, byte 36: text length -1 is negative"},
      {Patched(4, 1000),
       "Data stream, byte 4: top-level node count 1000 exceeds what the 35 remaining bytes hold"},
      {Patched(4, -2), "Data stream, byte 4: top-level node count -2 is negative"},
      {Patched(32, 2), "Data stream, byte 8: text count 2 exceeds what the 7 remaining bytes hold"},
      {Patched(32, -1), "Data stream, byte 8: text count -1 is negative"},
      {Patched(28, 1),
       "Data stream, byte 8: child count 1 exceeds what the 0 remaining bytes hold"},
      {Int32(1) + Header(24, 0, 0, 0, 0, 0, 1) +
           "\xC8"
           "abc",
       "Data stream, byte 32: text length 200 exceeds the 3 remaining bytes"},
      {NestedStream(1001), "Data stream, byte 28008: nodes nested deeper than 1000 levels"},
      {NestedStream(100000), "Data stream, byte 28008: nodes nested deeper than 1000 levels"},
  };
  TCustomdxTreeListControl grid(nullptr);
  FillThreeLevels(grid);
  const std::wstring before = DumpNodes(grid);
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.message);
    framework::TMemoryStream stream;
    stream.WriteString(c.bytes);
    stream.SetPosition(0);
    try {
      grid.ReadData(stream);
      ADD_FAILURE() << "no error";
    } catch (const ENodeDataError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(DumpNodes(grid), before);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(grid.DataFormatMarker(), 0);
  }
}

TEST(NodeDataStream, NestsAsDeepAsTheReaderTakesAndRefusesToWriteDeeper) {
  TCustomdxTreeListControl grid(nullptr);
  LoadFromBytes(grid, NestedStream(treelist::kMaxNodeDepth));
  TdxTreeListNode* deepest = grid.Items(0);
  while (deepest->HasChildren()) deepest = deepest->Items(0);
  EXPECT_EQ(deepest->Level(), treelist::kMaxNodeDepth - 1);
  EXPECT_EQ(deepest->Data(), static_cast<uint32_t>(treelist::kMaxNodeDepth - 1));
  EXPECT_EQ(SaveToBytes(grid), NestedStream(treelist::kMaxNodeDepth));

  deepest->AddChild();
  framework::TMemoryStream stream;
  EXPECT_THROW(grid.WriteData(stream), ENodeDataError);
  EXPECT_EQ(stream.Size(), 0) << "nothing is written of a tree the reader would refuse";
}

TEST(NodeDataStream, TenThousandDamagedStreamsLoadOrAreRefusedCleanly) {
  const NodeDataFuzzTally tally = FuzzNodeDataReader(46, 10000);
  EXPECT_EQ(tally.unexpected, "");
  EXPECT_EQ(tally.inputs, 10000);
  EXPECT_GT(tally.refused, tally.inputs / 2) << tally.loaded << " loaded";
}

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

TEST(TextNode, MovesATextShiftingTheOnesBetweenAndKeepsTextsSparseAndWide) {
  TCustomdxTreeListControl grid(nullptr);
  for (const MoveCase& c : kMoveCases) {
    SCOPED_TRACE(c.why);
    auto* node = static_cast<TdxTreeListTextNode*>(grid.Add());
    for (size_t i = 0; i < c.before.size(); ++i) node->SetText(static_cast<int>(i), c.before[i]);
    node->MoveText(c.from, c.to);
    EXPECT_EQ(Texts(*node), c.after);
  }

  // Texts are sparse at the end and wide in memory.
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

TEST(TreeListControl, MovesColumnValuesOnEveryLevelAndImageIndexesPassTheirEvents) {
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

  // Image indexes pass their own events and store only changes.
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
