// The grid's node stream: its bytes, the round trip, the old form, and damaged streams refused
// with the grid left as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/win/text.h"
#include "node_data_fuzz.h"
#include "node_data_support.h"
#include "treelist/data_stream.h"
#include "treelist/tree_list_control.h"

namespace treelist_test {
namespace {

using treelist::ENodeDataError;
using treelist::TCustomdxTreeListControl;
using treelist::TdxTreeListNode;

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

TEST(NodeDataStream, WritesMarkerCountAndEachRecordAsTheGettersReportThem) {
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

TEST(NodeDataStream, HandsAStreamOfAnotherKindPiecesOf64KB) {
  TCustomdxTreeListControl grid(nullptr);
  for (int i = 0; i < 5000; ++i) grid.Add()->SetValues(0, L"abcd");  // 36 bytes a node
  PieceStream stream;
  grid.WriteData(stream);
  EXPECT_EQ(stream.bytes, SaveToBytes(grid));
  EXPECT_EQ(stream.pieces, (std::vector<int32_t>{65536, 65536, 8 + 5000 * 36 - 2 * 65536}));
}

TEST(NodeDataStream, ReadsTheOldFormWithoutMarkerAndOneByteLengths) {
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
}

TEST(NodeDataStream, ReadsOnlyTheFieldsInsideAHeaderOfAnotherSize) {
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
    TCustomdxTreeListControl grid(nullptr);
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

}  // namespace
}  // namespace treelist_test
