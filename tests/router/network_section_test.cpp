// The network section's text that needs no host: wrapped lists, electrical roles, pairs and
// layer rules.
#include "router/network_section.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace router {
namespace {

std::vector<std::string> Items(int count, const std::string& stem = "P") {
  std::vector<std::string> items;
  for (int i = 1; i <= count; ++i) items.push_back(stem + std::to_string(i));
  return items;
}

std::string Write(const std::function<void(DesignFileOutput&)>& write) {
  std::string text;
  DesignFileOutput out(text);
  write(out);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(TWrappedList, SevenOnTheFirstLineThenEight) {
  const struct {
    int count;
    std::vector<size_t> per_line;
  } cases[] = {{0, {0}},    {1, {1}},     {7, {7}},       {8, {7, 1}},
               {9, {7, 2}}, {15, {7, 8}}, {16, {7, 8, 1}}};
  std::string line = "left over from the list before";  // the buffer is reused
  for (const auto& c : cases) {
    const std::vector<std::string> lines = Lines(Write([&](DesignFileOutput& out) {
      TWrappedList list(out, line, "");
      for (const std::string& item : Items(c.count)) list.Add(item);
      list.End("");
    }));
    ASSERT_EQ(lines.size(), c.per_line.size()) << c.count;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(static_cast<size_t>(std::count(lines[i].begin(), lines[i].end(), ' ')),
                c.per_line[i])
          << c.count << " line " << i;
    }
  }
  EXPECT_EQ(Write([&](DesignFileOutput& out) {
              TWrappedList list(out, line, "(source     ");
              for (const std::string& item : Items(2)) list.Add(item);
              list.End(")");
            }),
            "(source     P1 P2 )\r\n");
}

// Pins of every electrical type, roles or none, are members of the net.
TEST(WriteNetPins, NinePinsWrapAfterSeven) {
  std::vector<TNetPin> pins;
  uint8_t type = 0;
  for (const std::string& name : Items(9, "U1-")) pins.push_back({name, type++});
  std::vector<const TNetPin*> net;
  for (const TNetPin& pin : pins) net.push_back(&pin);
  std::string line;
  EXPECT_EQ(Write([&](DesignFileOutput& out) { WriteNetPins(out, line, net); }),
            "(pins\r\n    U1-1 U1-2 U1-3 U1-4 U1-5 U1-6 U1-7 \r\n    U1-8 U1-9 \r\n)\r\n");
}

TEST(WritePair, EscapesTheNetsAndSkipsUnknownOnes) {
  const std::vector<std::string> names{"CLK", "USB P", "USB(N)"};
  const NameIndex nets(names);
  EXPECT_EQ(Write([&](DesignFileOutput& out) { WritePair(out, "USB P", "USB(N)", nets); }),
            "(pair \r\n    (nets USB~SP~P USB~LP~N~RP~)\r\n)\r\n");
  EXPECT_EQ(Write([&](DesignFileOutput& out) { WritePair(out, "USB P", "GONE", nets); }), "");
  EXPECT_EQ(Write([&](DesignFileOutput& out) { WritePair(out, "clk", "CLK", nets); }), "");
}

// Further statements line up under the first: (letters of the names + 3 per name + 20) div 4
// levels.
TEST(WriteLayerRule, AlignsFurtherStatementsUnderTheFirst) {
  const struct {
    std::vector<std::string> layers, statements;
    std::string text;
  } cases[] = {
      {{"TopLayer", "MidLayer"},
       {"(clearance 8.000)", "(width 5.000)"},
       "(layer_rule TopLayer MidLayer (rule (clearance 8.000)\r\n" + std::string(4 * 10, ' ') +
           "(width 5.000))\r\n)\r\n"},
      {{"TopLayer"},
       {"(clearance 8.000)", "(width 5.000)"},
       "(layer_rule TopLayer (rule (clearance 8.000)\r\n" + std::string(4 * 7, ' ') +
           "(width 5.000))\r\n)\r\n"},
      {{"MidLayer1"},
       {"(clearance 8.000)", "(width 5.000)", "(width 6.000)"},
       "(layer_rule MidLayer1 (rule (clearance 8.000)\r\n" + std::string(4 * 8, ' ') +
           "(width 5.000)\r\n" + std::string(4 * 8, ' ') + "(width 6.000))\r\n)\r\n"},
      {{"TopLayer"},
       {"(clearance 8.000)"},
       "(layer_rule TopLayer (rule (clearance 8.000))\r\n)\r\n"},
      {{"TopLayer"}, {}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Write([&](DesignFileOutput& out) { WriteLayerRule(out, c.layers, c.statements); }),
              c.text);
  }
}

}  // namespace
}  // namespace router
