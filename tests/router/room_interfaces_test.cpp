// The stand-in editor's room and rule-value interfaces, which the rooms of the design file read:
// offered only by the rules whose kind carries them, with the values of the board file.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "framework/win/com.h"
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

// The values themselves reach the design file (the host's export tests compare whole files):
// here, what the interfaces answer outside them, and that the room is the rule the scopes hold.
TEST_F(RoomInterfaces, ValuesOutsideTheRangeAndMissingOutputsAreRefused) {
  const auto room = Rule("Room A").As<IPCB_Room>(IID_IPCB_Room);
  ASSERT_TRUE(room);
  ASSERT_EQ(room->GetVertexCount(), 4);
  int32_t x = -1, y = -1;
  ASSERT_EQ(room->GetVertex(3, &x, &y), S_OK);
  EXPECT_EQ(std::pair(x, y), std::pair(0, 600 * kMil));
  for (const int outside : {-1, 4}) {
    x = y = -1;
    EXPECT_EQ(room->GetVertex(outside, &x, &y), E_INVALIDARG);
    EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
  }
  EXPECT_EQ(room->GetVertex(0, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(room.As<IPCB_Primitive>(IID_IPCB_Primitive).get(), Rule("Room A").get());

  const auto widths =
      Rule("WidthAll").As<IPCB_MaxMinWidthConstraint>(IID_IPCB_MaxMinWidthConstraint);
  ASSERT_TRUE(widths);
  int32_t min = -1, max = -1, preferred = -1;
  EXPECT_EQ(widths->GetWidths(0xFFFFFFFFu, &min, &max, &preferred), E_INVALIDARG);
  EXPECT_EQ(preferred, 0);
  const auto lengths = Rule("LengthSignals").As<IPCB_LengthConstraint>(IID_IPCB_LengthConstraint);
  ASSERT_TRUE(lengths);
  int32_t shortest = -1, longest = -1;
  ASSERT_EQ(lengths->GetLengths(&shortest, &longest), S_OK);
  EXPECT_EQ(std::pair(shortest, longest), std::pair(100 * kMil, 900 * kMil));
  EXPECT_EQ(lengths->GetLengths(nullptr, &longest), E_POINTER);
}

TEST_F(RoomInterfaces, EachRuleOffersOnlyWhatItsKindCarries) {
  struct Case {
    const char* rule;
    bool room, clearance, widths, lengths;
  };
  const Case cases[] = {{"Room A", true, false, false, false},
                        {"RoomClearance", false, true, false, false},
                        {"WidthAll", false, false, true, false},
                        {"LengthSignals", false, false, false, true}};
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

}  // namespace
