// The stand-in editor's room and rule-value interfaces, which the rooms of the design file read:
// offered only by the rules whose kind carries them, with the values of the board file.
#include <gtest/gtest.h>

#include <cstdint>

#include "framework/win/com.h"
#include "framework/win/text.h"
#include "sdk/layers.h"
#include "rules_session.h"

namespace {

using rulestest::Interface;
using rulestest::Named;

constexpr int32_t kMil = 10000;

class RoomInterfaces : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(rulestest::OpenBoard(rulestest::RulesBoardPath()), ""); }
  static win::ComPtr<IPCB_Primitive> Rule(const char* name) {
    const sdk::Handle handle = Named(pcbapi::kRule, name);
    EXPECT_NE(handle, 0u) << name;
    return Interface(handle);
  }
};

TEST_F(RoomInterfaces, ARoomDefinitionGivesItsNameAndVertices) {
  const auto room = Rule("Room A").As<IPCB_Room>(IID_IPCB_Room);
  ASSERT_TRUE(room);
  win::Bstr name;
  ASSERT_EQ(room->GetRoomName(name.put()), S_OK);
  EXPECT_EQ(win::Narrow(name.str()), "Room A");
  ASSERT_EQ(room->GetVertexCount(), 4);
  const int32_t expected[4][2] = {
      {0, 0}, {600 * kMil, 0}, {600 * kMil, 600 * kMil}, {0, 600 * kMil}};
  for (int i = 0; i < 4; ++i) {
    int32_t x = -1, y = -1;
    ASSERT_EQ(room->GetVertex(i, &x, &y), S_OK);
    EXPECT_EQ(x, expected[i][0]) << i;
    EXPECT_EQ(y, expected[i][1]) << i;
  }
  for (const int outside : {-1, 4}) {
    int32_t x = -1, y = -1;
    EXPECT_EQ(room->GetVertex(outside, &x, &y), E_INVALIDARG);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
  }
  EXPECT_EQ(room->GetVertex(0, nullptr, nullptr), E_POINTER);
  // One object: the room is the rule the scopes hold.
  const auto back = room.As<IPCB_Primitive>(IID_IPCB_Primitive);
  EXPECT_EQ(back.get(), Rule("Room A").get());
}

TEST_F(RoomInterfaces, EachRuleOffersOnlyWhatItsKindCarries) {
  struct Case {
    const char* rule;
    bool room, clearance, widths, lengths;
  };
  const Case cases[] = {
      {"Room A", true, false, false, false},
      {"RoomClearance", false, true, false, false},
      {"WidthAll", false, false, true, false},
      {"LengthSignals", false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    const auto rule = Rule(c.rule);
    EXPECT_EQ(static_cast<bool>(rule.As<IPCB_Room>(IID_IPCB_Room)), c.room);
    EXPECT_EQ(static_cast<bool>(rule.As<IPCB_ClearanceConstraint>(IID_IPCB_ClearanceConstraint)),
              c.clearance);
    EXPECT_EQ(
        static_cast<bool>(rule.As<IPCB_MaxMinWidthConstraint>(IID_IPCB_MaxMinWidthConstraint)),
        c.widths);
    EXPECT_EQ(static_cast<bool>(rule.As<IPCB_LengthConstraint>(IID_IPCB_LengthConstraint)),
              c.lengths);
  }
}

TEST_F(RoomInterfaces, RuleValuesAreTheBoardFilesOwn) {
  const auto clearance =
      Rule("RoomClearance").As<IPCB_ClearanceConstraint>(IID_IPCB_ClearanceConstraint);
  ASSERT_TRUE(clearance);
  int32_t gap = -1;
  ASSERT_EQ(clearance->GetGap(&gap), S_OK);
  EXPECT_EQ(gap, 17 * kMil);

  const auto widths =
      Rule("WidthAll").As<IPCB_MaxMinWidthConstraint>(IID_IPCB_MaxMinWidthConstraint);
  ASSERT_TRUE(widths);
  for (const uint8_t layer : {1, 2, 32}) {
    int32_t min = -1, max = -1, preferred = -1;
    ASSERT_EQ(widths->GetWidths(sdk::LegacyLayerToLayer(layer), &min, &max, &preferred), S_OK);
    EXPECT_EQ(min, 6 * kMil);
    EXPECT_EQ(max, 20 * kMil);
    EXPECT_EQ(preferred, 10 * kMil);
  }
  int32_t min = -1, max = -1, preferred = -1;
  EXPECT_EQ(widths->GetWidths(0xFFFFFFFFu, &min, &max, &preferred), E_INVALIDARG);
  EXPECT_EQ(preferred, 0);

  const auto lengths = Rule("LengthSignals").As<IPCB_LengthConstraint>(IID_IPCB_LengthConstraint);
  ASSERT_TRUE(lengths);
  int32_t shortest = -1, longest = -1;
  ASSERT_EQ(lengths->GetLengths(&shortest, &longest), S_OK);
  EXPECT_EQ(shortest, 100 * kMil);
  EXPECT_EQ(longest, 900 * kMil);
  EXPECT_EQ(lengths->GetLengths(nullptr, &longest), E_POINTER);
}

}  // namespace
