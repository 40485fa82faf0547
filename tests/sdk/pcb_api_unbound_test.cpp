// The PcbApi bridge without the editor module: every wrapper yields its default and leaves the
// caller's fields alone. This executable never loads "Quorvel.dll".
#include "sdk/pcb_api.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace sdk;

class PcbApiUnbound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetModuleHandleA("Quorvel.dll"), nullptr) << "this executable must run without it";
  }
};

TEST_F(PcbApiUnbound, LifecycleIdentityAndDesignatorYieldTheirDefaults) {
  EXPECT_EQ(std::vector<int64_t>(
                {PcbApi_GetCurrentBoardHandle(), PcbApi_GetObjectIdFromObjectHandle(5),
                 PcbApi_CreateObject(pcbapi::kTrack), PcbApi_DestroyObject(5),
                 PcbApi_AddObjectToContainer(1, 5), PcbApi_DeleteObjectFromContainer(1, 5),
                 PcbApi_SetOwnerBoard(1, 5), PcbApi_QueryObjectImport_FromUser(5),
                 PcbApi_QueryObjectGraphicallyInvalidate(5)}),
            std::vector<int64_t>(9, 0));
  Coord box[4] = {11, 12, 13, 14};
  EXPECT_EQ(PcbApi_QueryObjectBoundingRectangle(5, &box[0], &box[1], &box[2], &box[3]), 0);
  EXPECT_EQ(std::vector<Coord>(box, box + 4), std::vector<Coord>({11, 12, 13, 14}));
  uint8_t bits = 0x5A;
  PcbApi_GetObjectBitField2(pcbapi::kRead, 5, &bits);
  PcbApi_GetObjectBitField3(pcbapi::kRead, 5, &bits);
  EXPECT_EQ(bits, 0x5A);
  EXPECT_FALSE(PcbApiBound());
  // The designator's text is emptied, not left as before.
  char buffer[pcbapi::kDesignatorBufferSize];
  std::strcpy(buffer, "previous text");
  PcbApi_GetDesignatorDisplayString(buffer, 7);
  EXPECT_STREQ(buffer, "");
}

TEST_F(PcbApiUnbound, IterationAndSpatialSearchDeliverNothing) {
  LegacyLayerSet all;
  all.IncludeRange(0, 82);
  int visits = 0;
  IterateContainer(1, 0x03FFFFFF, all, 0, [&](Handle) { ++visits; });
  EXPECT_EQ(visits, 0);
  EXPECT_EQ(CreateLayerIterator(1, pcbapi::kTrack, 0, 1), 0u);
  EXPECT_EQ(PcbApi_GetFirstObject(0), 0u);
  EXPECT_EQ(PcbApi_DestroyIterator(0), 0);
  // A spatial search over an empty rectangle, likewise.
  const Handle iterator = CreateSpatialIteratorOnLayers(0, 10, 10, 10, 10, all, 0xC);
  EXPECT_EQ(iterator, 0u);
  uint8_t kind = 99;
  EXPECT_EQ(PcbApi_GetFirstSpatialObject(iterator, &kind), 0u);
  EXPECT_EQ(kind, 99);
  EXPECT_EQ(PcbApi_DestroySpatialIterator(iterator), 0);
  SearchAroundPoint(0, 0, all, 0xC, [&](Handle, uint8_t) { return ++visits, true; });
  EXPECT_EQ(visits, 0);
}

TEST_F(PcbApiUnbound, LayerPairCountAndClassMembersReadAsFailures) {
  int32_t count = 17;
  EXPECT_EQ(PcbApi_QueryBoardLayerPairsCount(1, &count, pcbapi::kRead), 1);
  EXPECT_EQ(count, 17);
  uint8_t mode = 3;
  EXPECT_EQ(PcbApi_QueryBoardSplitPlaneMode(pcbapi::kRead, 1, &mode), 1);
  EXPECT_EQ(mode, 3);
  pcbapi::Text255 name{3, {'a', 'b', 'c'}};
  EXPECT_EQ(PcbApi_GetMemberFromClassAt(9, 0, &name), 1);
  EXPECT_EQ(PcbApi_AddMemberToClass(9, &name), 1);
  EXPECT_EQ(PcbApi_RemoveAllMembersFromClass(9), 1);
  EXPECT_EQ(name.length, 3);
  uint16_t aux_word = 4;
  pcbapi::Text255 net{}, from{}, to{};
  int32_t order = 8;
  EXPECT_EQ(PcbApi_QueryManualFromTo(pcbapi::kRead, 9, &aux_word, &net, &from, &to, &order), 1);
  EXPECT_EQ(order, 8);
}

TEST_F(PcbApiUnbound, RecordExchangesSucceedAndLeaveTheRecord) {
  uint16_t flags = 0x1234, aux_word = 0x55;
  pcbapi::LayerId layer = 32;
  Handle net = 77;
  uint8_t aux_byte = 9, current = 32;
  int32_t aux_integer = -3, references = 4;
  Coord xy[5] = {1, 2, 3, 4, 5};
  int32_t values[3] = {6, 7, 8};
  pcbapi::Text255 file{4, {'n', 'a', 'm', 'e'}};
  EXPECT_EQ(
      PcbApi_QueryTrack(pcbapi::kRead, 5, &flags, &aux_word, &layer, &net, &aux_byte, &aux_integer,
                        &xy[0], &xy[1], &xy[2], &xy[3], &xy[4], &values[0], &values[1], &values[2]),
      0);
  EXPECT_EQ(QueryBoardWithLegacyLayer(pcbapi::kRead, 1, &references, &file, &aux_byte, &xy[0],
                                      &xy[1], &xy[2], &xy[3], &aux_byte, &current, &aux_integer),
            0);
  EXPECT_EQ(PcbApi_References_Count(pcbapi::kRead, 5, &references), 0);
  EXPECT_EQ(
      std::make_tuple(flags, aux_word, layer, net, aux_byte, aux_integer, current, references,
                      std::vector<Coord>(xy, xy + 5), std::vector<int32_t>(values, values + 3),
                      std::string(file.chars, file.length)),
      std::make_tuple(uint16_t{0x1234}, uint16_t{0x55}, pcbapi::LayerId{32}, Handle{77}, uint8_t{9},
                      -3, uint8_t{32}, 4, std::vector<Coord>({1, 2, 3, 4, 5}),
                      std::vector<int32_t>({6, 7, 8}), std::string("name")));
}

TEST(PcbApiText, LengthBytesAreClampedToTheTextsCapacity) {
  pcbapi::Text20 name{};
  name.length = 200;  // as a faulty editor might write it
  pcb_api_detail::SanitizeArgument(&name);
  EXPECT_EQ(name.length, 20);
  pcbapi::Text255 full{};
  full.length = 255;
  pcb_api_detail::SanitizeArgument(&full);
  EXPECT_EQ(full.length, 255);
}

TEST(PcbApiLayers, LayerIdentitiesTurnIntoLegacyNumbers) {
  // No layer; classic identities are their own number; extended signal, plane and mechanical
  // layers count as the last mid layer, plane 16 and mechanical 16; a group and the special
  // standard layers have no legacy number.
  std::vector<int> legacy;
  for (pcbapi::LayerId layer :
       {0, 1, 82, 0x01010020, 0x01040011, 0x04000011, 0x01010000, 0x00010018}) {
    legacy.push_back(LegacyLayerOf(layer));
  }
  EXPECT_EQ(legacy, std::vector<int>({0, 1, 82, 31, 54, 72, 0, 0}));
}

TEST(PcbApiLayers, LegacyLayerSetHoldsBitsByLayerNumber) {
  LegacyLayerSet set;
  set.Include(0).Include(9).IncludeRange(80, 87).Include(88);  // 88 is past the set's end
  std::string members;
  for (int layer : {0, 9, 8, 87, 88}) members += set.Contains(layer) ? '1' : '0';
  EXPECT_EQ(members, "11010");
  EXPECT_EQ(std::vector<int>({set.bytes[1], set.bytes[10]}), std::vector<int>({0x02, 0xFF}));
}

}  // namespace
