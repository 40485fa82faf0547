// Padstack matching, names and shapes, and the pad keep-outs of images.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "router/design_file_output.h"
#include "router/library_images.h"
#include "router/padstack.h"
#include "router/dsn_checker.h"
#include "sdk/rt_param.h"

namespace {

using router::TPadStackKind;
using router::TPadStackList;
using router::TPadStackShape;

constexpr int32_t Mil(double mils) { return static_cast<int32_t>(mils * 10000); }

TPadStackShape Pad(int32_t x, int32_t y, uint8_t shape = router::kRoundShape, int layer = 1) {
  TPadStackShape s;
  s.kind = TPadStackKind::Pad;
  s.top_x = s.mid_x = s.bot_x = x;
  s.top_y = s.mid_y = s.bot_y = y;
  s.top_shape = s.mid_shape = s.bot_shape = shape;
  s.low_layer = layer;
  return s;
}

using dsntest::Crlf;

TEST(PadStackList, MatchesWithinTheToleranceOnly) {
  struct Case {
    const char* why;
    void (*change)(TPadStackShape&);
    bool shared;
  };
  const Case cases[] = {
      {"sizes 9 units apart", [](TPadStackShape& s) { s.mid_y += 9; }, true},
      {"sizes 10 units apart", [](TPadStackShape& s) { s.mid_y += 10; }, false},
      {"top heights 10 units apart", [](TPadStackShape& s) { s.top_y += 10; }, false},
      {"middle widths 10 units apart", [](TPadStackShape& s) { s.mid_x -= 10; }, false},
      {"bottom widths 10 units apart", [](TPadStackShape& s) { s.bot_x += 10; }, false},
      {"bottom heights 10 units apart", [](TPadStackShape& s) { s.bot_y -= 10; }, false},
      {"holes 9 units apart", [](TPadStackShape& s) { s.hole -= 9; }, true},
      {"holes 10 units apart", [](TPadStackShape& s) { s.hole -= 10; }, false},
      {"rotation differs", [](TPadStackShape& s) { s.rotation = 90; }, false},
      {"power/ground flag", [](TPadStackShape& s) { s.pwr_gnd = 1; }, false},
      {"another layer", [](TPadStackShape& s) { s.low_layer = 32; }, false},
      {"another shape", [](TPadStackShape& s) { s.top_shape = router::kOctagonShape; }, false},
      {"another middle shape", [](TPadStackShape& s) { s.mid_shape = router::kOctagonShape; },
       false},
      {"another bottom shape", [](TPadStackShape& s) { s.bot_shape = router::kOctagonShape; },
       false},
      {"a span", [](TPadStackShape& s) { s.high_layer = 32; }, false},
      {"a via", [](TPadStackShape& s) { s.kind = TPadStackKind::Via; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TPadStackList list(1);
    TPadStackShape first = Pad(Mil(60), Mil(60));
    first.hole = Mil(30);
    TPadStackShape second = first;
    c.change(second);
    EXPECT_EQ(list.FindOrAddPadStack(first), 0);
    EXPECT_EQ(list.FindOrAddPadStack(second), c.shared ? 0 : 1);
    EXPECT_EQ(list.FindOrAddPadStack(second), c.shared ? 0 : 1) << "asked again";
    EXPECT_EQ(list.Count(), c.shared ? 1 : 2);
  }
}

// A shape asked for again gets the first padstack it matches, even where a later one matches it
// too; a rotation that is no number matches nothing, not even the same shape again.
TEST(PadStackList, ShapesAskedForAgainFindTheirFirstMatch) {
  TPadStackList list(1);
  TPadStackShape first = Pad(Mil(60), Mil(60));
  TPadStackShape apart = first, between = first, no_angle = first;
  apart.mid_y += 15;   // a padstack of its own
  between.mid_y += 8;  // within the tolerance of both
  no_angle.rotation = std::nan("");
  std::vector<int> numbers;
  for (const TPadStackShape* shape :
       {&first, &apart, &between, &between, &apart, &no_angle, &no_angle, &first}) {
    numbers.push_back(list.FindOrAddPadStack(*shape));
  }
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 0, 0, 1, 2, 3, 0}));
}

TEST(PadStackList, NamesTellKindSpanAndRules) {
  TPadStackList list(1);
  list.FindOrAddPadStack(Pad(Mil(60), Mil(60)));  // 0
  const TPadStackShape through =
      TPadStackShape::RoundVia(TPadStackKind::Via, Mil(24), Mil(12), 1, 32);
  list.FindOrAddPadStack(through, "Via Style B", 11);  // 1
  list.FindOrAddPadStack(through, "a style", 12);      // same geometry: both rules
  list.FindOrAddPadStack(through, "A STYLE", 12);      // the same rule name in other case
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(20), Mil(8), 3, 32));
  list.FindOrAddPadStack(
      TPadStackShape::RoundVia(TPadStackKind::TestPointVia, Mil(28), Mil(12), 1, 32), "Odd (1)");
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(50), Mil(28), 74, 0));
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(50), Mil(28), 39, 54));
  TPadStackShape top_via_pad = Pad(Mil(30), Mil(30));
  top_via_pad.kind = TPadStackKind::Via;
  list.FindOrAddPadStack(top_via_pad);
  TPadStackShape drilled = Pad(Mil(70), Mil(70), router::kRoundShape, 74);
  drilled.hole = Mil(40);
  list.FindOrAddPadStack(drilled);

  const char* expected[] = {"Pad0",     "Via1_TB_astyleViaStyleB",
                            "Via2_M2B", "TPVia3_TB_Odd~LP~1~RP~",
                            "Via4",     "Via5_I1I16",
                            "Via6_T",   "Pad7"};
  ASSERT_EQ(list.Count(), 8);
  for (int n = 0; n < list.Count(); ++n) EXPECT_EQ(list.PadStackName(n), expected[n]);
  // The via list names every via but no pad; the hole list every padstack with a hole.
  std::string text;
  router::DesignFileOutput out(text);
  out.Raise(2);
  list.WriteViaPadStackNames(out);
  EXPECT_EQ(text,
            "        Via1_TB_astyleViaStyleB\r\n        Via2_M2B\r\n"
            "        TPVia3_TB_Odd~LP~1~RP~\r\n        Via4\r\n        Via5_I1I16\r\n"
            "        Via6_T\r\n");
  EXPECT_EQ(list.HoleList().Lines(),
            (std::vector<std::string>{"1=120000", "2=80000", "3=120000", "4=280000", "5=280000",
                                      "7=400000"}));
}

// Names are kept from one change of the list to the next: a rule that joins a padstack later,
// or a new padstack, must show in the names asked for afterwards.
TEST(PadStackList, NamesFollowEveryChange) {
  TPadStackList list(1);
  const TPadStackShape through =
      TPadStackShape::RoundVia(TPadStackKind::Via, Mil(24), Mil(12), 1, 32);
  EXPECT_EQ(list.FindOrAddPadStack(through), 0);
  EXPECT_EQ(list.PadStackName(0), "Via0_TB");
  EXPECT_EQ(list.FindOrAddPadStack(through, "Style B", 11), 0);
  EXPECT_EQ(list.PadStackName(0), "Via0_TB_StyleB");
  EXPECT_EQ(list.FindOrAddPadStack(Pad(Mil(60), Mil(60))), 1);
  EXPECT_EQ(list.FindOrAddPadStack(through, "A", 12), 0);
  EXPECT_EQ(list.FindOrAddPadStack(through, "style b", 13), 0);  // the same name: no change
  EXPECT_EQ(list.PadStackName(0), "Via0_TB_AStyleB");
  EXPECT_EQ(list.PadStackName(1), "Pad1");
  EXPECT_EQ(list.Item(0).rule_names.at("Style B"), sdk::Handle{11});
  EXPECT_THROW(list.PadStackName(2), std::out_of_range);
  // Long rule names are cut with the rest of the name.
  list.FindOrAddPadStack(TPadStackShape::RoundVia(TPadStackKind::Via, Mil(30), Mil(12), 1, 32),
                         std::string(300, 'r'), 14);
  EXPECT_EQ(list.PadStackName(2).size(), sdk::kShortTextLength);
}

struct ShapeCase {
  uint8_t shape;
  int32_t x, y;
  int layer;
  const char* lines;
};

TEST(PadStackShape, IsWrittenByShapeCode) {
  const ShapeCase cases[] = {
      {1, Mil(60), Mil(60), 74, "(shape (circle signal 60.000))\n"},
      {3, Mil(60), Mil(60), 1, "(shape (circle TopLayer 60.000))\n"},
      // An upright oblong: the straight part and the two end circles.
      {1, Mil(60), Mil(100), 1,
       "(shape (rect TopLayer -30.000 -20.000 30.000 20.000))\n"
       "(shape (circle TopLayer 60.000 0 -20.000))\n"
       "(shape (circle TopLayer 60.000 0 20.000))\n"},
      {1, Mil(100), Mil(60), 32,
       "(shape (rect BottomLayer -20.000 -30.000 20.000 30.000))\n"
       "(shape (circle BottomLayer 60.000 -20.000 0))\n"
       "(shape (circle BottomLayer 60.000 20.000 0))\n"},
      {2, Mil(50), Mil(55), 1, "(shape (rect TopLayer -25.000 -27.500 25.000 27.500))\n"},
      {9, Mil(24), Mil(60), 2, "(shape (rect MidLayer1 -12.000 -30.000 12.000 30.000))\n"},
      // Odd sizes halve toward zero.
      {2, 5, 3, 1, "(shape (rect TopLayer 0.000 0.000 0.000 0.000))\n"},
      {4, Mil(60), Mil(60), 1, ""},
      {0, Mil(60), Mil(60), 1, ""},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.lines);
    std::string text;
    router::DesignFileOutput out(text);
    router::WritePadStackShape(out, c.shape, c.x, c.y, c.layer);
    EXPECT_EQ(text, Crlf(c.lines));
  }
}

struct KeepoutCase {
  const char* why;
  uint8_t shape;
  int32_t x, y, dx, dy;
  int layer;
  double rotation;
  const char* lines;
};

TEST(PadKeepout, FollowsShapeAndRotation) {
  const KeepoutCase cases[] = {
      {"round", 1, Mil(70), Mil(70), Mil(100), 0, 74, 0,
       "(keepout (circle signal 70.000 100.000 0.000))\n"},
      {"round turned: a circle stays", 1, Mil(70), Mil(70), 0, 0, 1, 30,
       "(keepout (circle TopLayer 70.000 0.000 0.000))\n"},
      {"rectangle at 90 swaps its sides", 2, Mil(50), Mil(20), Mil(10), Mil(5), 1, 90,
       "(keepout (rect TopLayer 0.000 -20.000 20.000 30.000))\n"},
      {"rectangle at 270 likewise", 2, Mil(50), Mil(20), 0, 0, 1, 270,
       "(keepout (rect TopLayer -10.000 -25.000 10.000 25.000))\n"},
      {"rectangle at 0", 2, Mil(50), Mil(20), 0, 0, 32, 180,
       "(keepout (rect BottomLayer -25.000 -10.000 25.000 10.000))\n"},
      {"rectangle at 45: a closed polygon", 2, Mil(20), Mil(20), 0, 0, 1, 45,
       "(keepout (polygon TopLayer 0.000 0.000 -14.142 14.142 0.000 0.000 14.142 -14.142 0.000 "
       "0.000 -14.142))\n"},
      {"upright oblong", 1, Mil(20), Mil(60), 0, Mil(10), 1, 0,
       "(keepout (rect TopLayer -10.000 -10.000 10.000 30.000))\n"
       "(keepout (circle TopLayer 20.000 0.000 -10.000))\n"
       "(keepout (circle TopLayer 20.000 0.000 30.000))\n"},
      {"upright oblong at 90 lies", 1, Mil(20), Mil(60), 0, 0, 1, 90,
       "(keepout (rect TopLayer -20.000 -10.000 20.000 10.000))\n"
       "(keepout (circle TopLayer 20.000 -20.000 0.000))\n"
       "(keepout (circle TopLayer 20.000 20.000 0.000))\n"},
      // 223205 units lie half-way between thousandths of a mil: to the even one.
      {"oblong at 30: turned straight part and end circles", 1, Mil(20), Mil(60), 0, 0, 1, 30,
       "(keepout (polygon TopLayer 0.000 1.340 -22.320 18.660 -12.320 -1.340 22.320 -18.660 "
       "12.320 1.340 -22.320))\n"
       "(keepout (circle TopLayer 20.000 10.000 -17.320))\n"
       "(keepout (circle TopLayer 20.000 -10.000 17.320))\n"},
      {"lying oblong at 270 stands", 1, Mil(60), Mil(20), 0, 0, 1, 270,
       "(keepout (rect TopLayer -10.000 -20.000 10.000 20.000))\n"
       "(keepout (circle TopLayer 20.000 0.000 -20.000))\n"
       "(keepout (circle TopLayer 20.000 0.000 20.000))\n"},
      {"lying oblong at 60", 1, Mil(60), Mil(20), 0, 0, 1, 60,
       "(keepout (polygon TopLayer 0.000 -1.340 -22.320 18.660 12.320 1.340 22.320 -18.660 "
       "-12.320 -1.340 -22.320))\n"
       "(keepout (circle TopLayer 20.000 -10.000 -17.320))\n"
       "(keepout (circle TopLayer 20.000 10.000 17.320))\n"},
      {"other codes", 9, Mil(20), Mil(60), 0, 0, 1, 0, ""},
  };
  for (const KeepoutCase& c : cases) {
    SCOPED_TRACE(c.why);
    std::string text;
    router::DesignFileOutput out(text);
    router::WritePadKeepout(out, c.shape, c.x, c.y, c.dx, c.dy, c.layer, c.rotation);
    EXPECT_EQ(text, Crlf(c.lines));
  }
}

TEST(PadKeepout, RightAnglesAreExact) {
  for (const double angle : {0.0, 90.0, 180.0, 270.0}) EXPECT_TRUE(router::IsRightAngle(angle));
  for (const double angle : {45.0, 360.0, -90.0, 89.9999})
    EXPECT_FALSE(router::IsRightAngle(angle));
}

// The export stands in for the confirmed set-up dialog: test-point layers by the side (the
// stored side taken modulo the three sides, none when negative), the expansion as shown.
TEST(TestPointSettings, FollowTheSideAndEndWithTheCommand) {
  struct Case {
    bool styles;
    int side;
    std::vector<int> layers;
    int32_t expansion;
  };
  const Case cases[] = {{false, 0, {}, 0},           {true, 0, {1}, Mil(10)},
                        {true, 1, {32}, Mil(10)},    {true, 2, {1, 32}, Mil(10)},
                        {true, 5, {1, 32}, Mil(10)}, {true, -1, {}, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    router::TRouterSettings settings;
    settings.test_point_styles = c.styles;
    settings.test_point_side = c.side;
    settings.test_point_expansion = Mil(10);
    {
      const router::TTestPointSettingsScope scope(settings, true);
      EXPECT_EQ(router::TestPointLayersGlobal(), c.layers);
      EXPECT_EQ(router::TestPointExpansionGlobal(), c.expansion);
    }
    EXPECT_TRUE(router::TestPointLayersGlobal().empty());
    EXPECT_EQ(router::TestPointExpansionGlobal(), 0);
  }
  // A metric board shows the expansion in millimetres: 0.254 mm is 10 mil again.
  router::TRouterSettings metric;
  metric.test_point_styles = true;
  metric.test_point_expansion = Mil(10);
  const router::TTestPointSettingsScope scope(metric, false);
  EXPECT_EQ(router::TestPointExpansionGlobal(), Mil(10));
}

}  // namespace
