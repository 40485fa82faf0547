// Rule values by key, the clearance matrix and width table statements, and the design file's
// number and layer names and line output they are written with.
#include "router/rule_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "router/design_file_names.h"
#include "sdk/exceptions.h"

namespace {

using router::TClearanceMatrix;
using router::TOvixRuleValue;
using router::TSpecctraObjectId;
using router::TWidthTable;
using Id = router::TSpecctraObjectId;
using Lines = std::vector<std::string>;

constexpr int32_t Mil(int32_t mils) { return mils * 10000; }

// Rule gaps as a host would tell them; unknown rules fail.
class FixedGaps : public router::RuleConstraintQuery {
 public:
  std::map<uint32_t, int32_t> gaps;
  std::optional<int32_t> ClearanceGap(uint32_t rule_handle) const override {
    const auto found = gaps.find(rule_handle);
    if (found == gaps.end()) return std::nullopt;
    return found->second;
  }
};

// "key=mils ..." into `store`, "key=-" for a key without a value.
template <class Store>
void Fill(Store& store, const std::string& values) {
  std::istringstream words(values);
  for (std::string word; words >> word;) {
    const size_t equal = word.find('=');
    const std::string key = word.substr(0, equal), value = word.substr(equal + 1);
    const int32_t units =
        value == "-" ? -1 : static_cast<int32_t>(std::lround(std::stod(value) * 10000));
    if constexpr (std::is_same_v<Store, TWidthTable>) {
      store.Entry(std::stoi(key)) = TOvixRuleValue{1, units};
    } else {
      store.Entry(key).value = units;
    }
  }
}

std::string Joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "|";
  return text;
}

// --- numbers, layer names, output ----------------------------------------------------------

// Halves of a thousandth go to the even one (5, 15, 25), negative values alike with no negative
// zero; the carry reaches the mils (9995) and a new digit of them (999995); every count of whole
// digits from one to six, at both of its ends; the extremes fit.
TEST(DesignFileNumber, WritesMilsWithThreeDecimalsAndHalvesToEven) {
  const int32_t units[] = {
      0,        125000,    Mil(20),   10,        4,         6,         5,      15,      25,
      12345,    12355,     12346,     -12346,    -12345,    -10000,    -4,     -5,      -15,
      9995,     999990000, INT32_MAX, INT32_MIN, 99990,     999990,    999995, -999995, 9999990,
      10000000, 99999990,  100000000, 999999990, 999999995, 1000000000};
  const std::string expected =
      "0.000 12.500 20.000 0.001 0.000 0.001 0.000 0.002 0.002 1.234 1.236 1.235 -1.235 -1.234 "
      "-1.000 0.000 0.000 -0.002 1.000 99999.000 214748.365 -214748.365 9.999 99.999 100.000 "
      "-100.000 999.999 1000.000 9999.999 10000.000 99999.999 100000.000 100000.000 ";
  std::string formatted, appended = "(";
  for (const int32_t value : units) {
    formatted += router::FormatDesignNumber(value) + " ";
    router::AppendDesignNumber(appended, value);
    appended += ' ';
  }
  EXPECT_EQ(formatted, expected);
  EXPECT_EQ(appended, "(" + expected);
}

TEST(DesignFileLayer, NamesLayersAsTheDesignFileDoes) {
  struct Case {
    router::LegacyLayer layer;
    const char* name;
  };
  const Case cases[] = {
      {1, "TopLayer"},      {2, "MidLayer1"},     {31, "MidLayer30"},     {32, "BottomLayer"},
      {33, "TopOverlay"},   {38, "BottomSolder"}, {39, "InternalPlane1"}, {54, "InternalPlane16"},
      {55, "DrillGuide"},   {56, "signal"},       {57, "Mechanical1"},    {72, "Mechanical16"},
      {73, "DrillDrawing"}, {74, "signal"},       {75, "ConnectLayer"},   {81, "PadHoleLayer"},
      {82, "POWER"},        {0, "NoLayer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layer);
    EXPECT_EQ(router::DesignFileLayerName(c.layer), c.name);
  }
  EXPECT_EQ(router::LegacyLayerName(56), "KeepOutLayer");
  EXPECT_EQ(router::LegacyLayerName(82), "ViaHoleLayer");
  EXPECT_THROW(router::DesignFileLayerName(83), sdk::EAssertionFailed);
  EXPECT_THROW(router::DesignFileLayerName(-1), sdk::EAssertionFailed);
}

// Statements separate their items by one blank, except after an opening; lines are indented
// four blanks a level, end with CR LF and are spilled whole once the threshold is reached.
TEST(StatementText, SeparatesItemsAndRefusesUnbalancedStatements) {
  router::StatementText statement;
  statement.Open("a").Word("b").Open("c").Open("d").Number(Mil(1)).Close().Word("e").Close();
  EXPECT_EQ(statement.Close().Take(), "(a b (c (d 1.000) e))");
  EXPECT_EQ(statement.Take(), "") << "taking empties it";
  EXPECT_THROW(statement.Close(), sdk::EAssertionFailed);
  statement.Open("a");
  EXPECT_THROW(statement.Take(), sdk::EAssertionFailed);
}

// Lines begun reach the text only at End, each indented for the level it was begun at, deeper
// than the run of blanks kept for indentation too; names and numbers are written as alone.
TEST(DesignFileOutput, ComposesLinesBegunUntilTheirEnd) {
  std::string text;
  router::DesignFileOutput out(text);
  out.Raise();
  out.Begin().Put("(wire ");
  out.Raise(7);
  out.Begin().Put("(path ").Number(-12345).Put(' ').Name(" U1 (A) ").Put(')');
  EXPECT_EQ(text, "") << "nothing before End";
  out.Lower(7);
  out.Begin().Put(')');
  out.End();
  out.Line("(x)");
  EXPECT_EQ(text, "    (wire \r\n" + std::string(32, ' ') +
                      "(path -1.234 U1~SP~~LP~A~RP~)\r\n    )\r\n    (x)\r\n");
}

// Lines go out in pieces of whole lines once they make the threshold; a section's end sends
// what is left.
TEST(DesignFileOutput, IndentsAndSendsPiecesOfWholeLines) {
  std::string file;
  std::vector<size_t> pieces;
  router::DesignFileOutput out(20, [&](std::string_view text) {
    pieces.push_back(text.size());
    file += text;
  });
  out.Line("(pcb x");  // 8 bytes: kept
  out.Raise();
  out.Line("(a)");  // 17: kept
  out.Raise(2);
  EXPECT_EQ(out.IndentText(), std::string(12, ' '));
  out.Line("(b)");  // 34: sent
  out.Lower(3);
  out.Line("(a long line of text)");  // 23 on its own: sent whole
  out.Line(")");
  out.Line("(fifteen chars)");  // 20: sent at the threshold itself
  out.Line("(end)");
  out.Send();  // 7: sent below the threshold
  out.Send();  // nothing left: no empty piece
  out.Lower();
  EXPECT_EQ(out.Level(), -1);
  EXPECT_EQ(out.IndentText(), "");
  EXPECT_EQ(pieces, (std::vector<size_t>{34, 23, 20, 7}));
  EXPECT_EQ(file,
            "(pcb x\r\n    (a)\r\n            (b)\r\n(a long line of text)\r\n)\r\n"
            "(fifteen chars)\r\n(end)\r\n");
}

// --- the keyed store --------------------------------------------------------------------------

// Reading an entry adds it without a value, under a key of any case; reset keeps the keys.
TEST(RuleValueStorage, EntriesAreAddedByReadingAndKeptByReset) {
  router::TSpecctraRuleValueStorage store("s");
  EXPECT_FALSE(store.HasKey("pin_pin"));
  TOvixRuleValue& entry = store.Entry("pin_pin");
  EXPECT_EQ(entry.rule_handle, 0u);
  EXPECT_FALSE(entry.HasValue());
  EXPECT_TRUE(store.HasKey("PIN_PIN")) << "keys compare without case";
  EXPECT_EQ(&store.Entry("Pin_Pin"), &entry);
  EXPECT_EQ(store.ValueOf("absent"), -1);
  EXPECT_FALSE(store.HasKey("absent")) << "ValueOf adds nothing";
  EXPECT_EQ(store.GenericValue(), -1);
  store.Entry("generic_value") = TOvixRuleValue{7, Mil(8)};
  entry = TOvixRuleValue{9, Mil(3)};
  EXPECT_EQ(store.GenericValue(), Mil(8));
  store.Reset();
  EXPECT_TRUE(store.HasKey("pin_pin")) << "reset keeps the keys";
  EXPECT_EQ(entry.rule_handle, 0u);
  EXPECT_EQ(store.GenericValue(), -1);
  EXPECT_FALSE(store.AnyValue());
  // Only matrices read generic values from rules.
  EXPECT_THROW(store.SetGenericValue(1), sdk::EAssertionFailed);
  EXPECT_EQ(TWidthTable("w").DisplayName(), "Width Table");
}

TEST(RuleValueStorage, TellsWhetherAllValuesAgree) {
  struct Case {
    std::vector<std::pair<const char*, int32_t>> values;
    bool any;
    bool single;
    int32_t value;
    const char* why;
  };
  const Case cases[] = {
      {{}, false, false, -1, "empty"},
      {{{"a", -1}, {"b", -1}}, false, false, -1, "keys without values"},
      {{{"a", 0}}, true, true, 0, "zero is a value"},
      {{{"a", 5}, {"b", -1}, {"c", 5}}, true, true, 5, "keys without values do not count"},
      {{{"a", 5}, {"b", 6}}, true, false, -1, "two values"},
      {{{"a", -7}, {"b", 6}}, true, true, 6, "below -1 is no value either"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    router::TSpecctraRuleValueStorage store("s");
    for (const auto& [key, value] : c.values) store.Entry(key).value = value;
    int32_t value = 1234;
    EXPECT_EQ(store.SingleValue(value), c.single);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(store.AnyValue(), c.any);
  }
}

TEST(RuleValueStorage, ComparesOneSidedByValue) {
  router::TSpecctraRuleValueStorage a("a");
  router::TSpecctraRuleValueStorage b("b");
  a.Entry("pin_pin") = TOvixRuleValue{1, Mil(10)};
  b.Entry("PIN_PIN") = TOvixRuleValue{2, Mil(10)};
  EXPECT_TRUE(a.Equals(&b)) << "rule handles are not compared";
  EXPECT_FALSE(a.Equals(nullptr));

  b.Entry("via_via").value = Mil(8);
  EXPECT_TRUE(a.Equals(&b)) << "keys only the other store has are not looked at";
  EXPECT_FALSE(b.Equals(&a));

  a.Entry("wire_wire");  // no value: equal to an absent key
  EXPECT_TRUE(a.Equals(&b));
  EXPECT_FALSE(b.HasKey("wire_wire")) << "comparing leaves the other store alone";

  a.Entry("smd_smd").value = Mil(5);
  EXPECT_FALSE(a.Equals(&b));
}

// --- clearance matrix -------------------------------------------------------------------------

TEST(ClearanceMatrix, NamesTypesSmallerIdFirst) {
  const std::pair<Id, Id> pairs[] = {{Id::Pin, Id::Pin},       {Id::Via, Id::Pin},
                                     {Id::Pin, Id::Via},       {Id::Area, Id::Wire},
                                     {Id::TestPoint, Id::Smd}, {Id::Smd, Id::Smd}};
  std::string names;
  for (const auto& [a, b] : pairs) names += TClearanceMatrix::ClearanceTypeName(a, b) + " ";
  EXPECT_EQ(names, "pin_pin pin_via pin_via wire_area smd_testpoint smd_smd ");
  try {
    TClearanceMatrix::ClearanceTypeName(Id::Pin, static_cast<Id>(6));
    ADD_FAILURE() << "no assertion";
  } catch (const sdk::EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("ERROR : Specctra Object ID for Clearance not recognized"),
              std::string::npos);
  }
}

// Entries of both orders are one; the generic value is the rule's gap, none when the host
// cannot tell.
TEST(ClearanceMatrix, EntriesOfBothOrdersAreOneAndTheGenericValueIsTheRules) {
  FixedGaps gaps;
  gaps.gaps[7] = Mil(12);
  TClearanceMatrix matrix("m", gaps);
  matrix.Entry(Id::Via, Id::Pin).value = Mil(10);
  EXPECT_TRUE(matrix.HasEntry(Id::Pin, Id::Via));
  EXPECT_EQ(matrix.Entry("pin_via").value, Mil(10));
  EXPECT_FALSE(matrix.HasEntry(Id::Via, Id::Via));
  matrix.SetGenericValue(7);
  EXPECT_EQ(matrix.Entry(router::kGenericValueKey).rule_handle, 7u);
  EXPECT_EQ(matrix.GenericValue(), Mil(12));
  matrix.SetGenericValue(8);
  EXPECT_EQ(matrix.Entry(router::kGenericValueKey).rule_handle, 0u);
  EXPECT_EQ(matrix.GenericValue(), -1);
  EXPECT_EQ(matrix.DisplayName(), "");
}

TEST(ClearanceMatrix, WritesOneStatementPerValue) {
  const char* const cases[][3] = {
      {"", "", "nothing without values"},
      {"pin_pin=- via_via=-", "", "keys without values"},
      {"Generic_Value=8", "(clearance 8.000)|", "only the generic value, once"},
      {"pin_pin=10 wire_wire=10 Generic_Value=10", "(clearance 10.000)|", "all values agree"},
      {"pin_via=15 via_via=15", "(clearance 15.000 (type pin_via via_via))|",
       "typed values that agree still name their types: without a generic value they hold for "
       "no other type"},
      {"pin_pin=10 pin_via=10 via_via=8",
       "(clearance 10.000 (type pin_pin pin_via))|(clearance 8.000 (type via_via))|",
       "types of one value together"},
      {"Generic_Value=8 pin_pin=10 smd_smd=8",
       "(clearance 8.000)|(clearance 10.000 (type pin_pin))|(clearance 8.000 (type smd_smd))|",
       "the generic value first"},
      {"pin_pin=10 pin_wire=8 wire_wire=6",
       "(clearance 10.000 (type pin_pin))|(clearance 8.000 (type pin_wire))|"
       "(clearance 6.000 (type wire_wire))|",
       "a type second in both its rows is written too"},
      {"pin_pin=10 smd_smd=8 wire_wire=10",
       "(clearance 10.000 (type pin_pin wire_wire))|(clearance 8.000 (type smd_smd))|",
       "one statement per value, across rows"},
      {"smd_via_same_net=8 smd_smd=8 pin_pin=10",
       "(clearance 10.000 (type pin_pin))|(clearance 8.000 (type smd_smd smd_via_same_net))|",
       "special types after the pairs"},
      {"WIRE_AREA=12.5 testpoint_testpoint=4 antipad_gap=12.5",
       "(clearance 12.500 (type wire_area antipad_gap))|"
       "(clearance 4.000 (type testpoint_testpoint))|",
       "keys in any case, written in the file's case"},
      {"pin_pin=0 via_via=1", "(clearance 0.000 (type pin_pin))|(clearance 1.000 (type via_via))|",
       "zero is a value"},
      {"pin_pin=10 not_a_type=3", "(clearance 10.000 (type pin_pin))|",
       "other keys are not written as types"}};
  for (const auto& [values, statements, why] : cases) {
    SCOPED_TRACE(why);
    FixedGaps gaps;
    TClearanceMatrix matrix("m", gaps);
    Fill(matrix, values);
    EXPECT_EQ(Joined(matrix.Statements()), statements);
    Lines lines = {"kept"};
    matrix.Write(lines);
    EXPECT_EQ(Joined(lines), std::string("kept|") + statements);
  }
}

// Both tables write their statements as lines at the output's current level.
TEST(RuleTables, WriteStatementsAsLinesAtTheCurrentLevel) {
  FixedGaps gaps;
  TClearanceMatrix matrix("m", gaps);
  matrix.Entry(Id::Pin, Id::Pin).value = Mil(10);
  matrix.Entry(Id::Pin, Id::Via).value = Mil(10);
  matrix.Entry(Id::Via, Id::Via).value = Mil(8);
  TWidthTable table("t");
  table.Entry(router::kTopLayer).value = Mil(8);
  table.Entry(router::kBottomLayer).value = Mil(8);
  std::string text;
  router::DesignFileOutput out(text);
  out.Raise(2);
  matrix.Write(out);
  out.Lower();
  table.Write(out);
  table.Entry(2).value = Mil(6);
  table.Write(out);
  EXPECT_EQ(text,
            "        (clearance 10.000 (type pin_pin pin_via))\r\n"
            "        (clearance 8.000 (type via_via))\r\n"
            "    (width 8.000)\r\n"
            "    (layer_rule TopLayer BottomLayer (rule (width 8.000)))\r\n"
            "    (layer_rule MidLayer1 (rule (width 6.000)))\r\n");
}

// Every type with a value appears in exactly one statement, the one of its value, and no two
// statements share a value.
TEST(ClearanceMatrix, EveryValuedTypeIsWrittenOnce) {
  std::vector<std::string> types;
  for (int a = 0; a < router::kSpecctraObjectIdCount; ++a) {
    for (int b = a; b < router::kSpecctraObjectIdCount; ++b) {
      types.push_back(TClearanceMatrix::ClearanceTypeName(static_cast<Id>(a), static_cast<Id>(b)));
    }
  }
  for (std::string_view special : TClearanceMatrix::kSpecialTypes) types.emplace_back(special);

  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    FixedGaps gaps;
    TClearanceMatrix matrix("m", gaps);
    std::map<std::string, std::string> expected;  // type -> value text
    for (const std::string& type : types) {
      const unsigned pick = random() % 5;  // few distinct values, many without
      if (pick == 0) continue;
      const int32_t value = pick == 1 ? -1 : Mil(static_cast<int32_t>(pick) * 2);
      matrix.Entry(type).value = value;
      if (value > -1) expected[type] = router::FormatDesignNumber(value);
    }
    int32_t single = -1;
    if (!matrix.AnyValue() || matrix.SingleValue(single)) continue;

    std::map<std::string, std::string> written;
    std::set<std::string> statement_values;
    for (std::string statement : matrix.Statements()) {
      // "(clearance V (type T1 T2 ...))"
      ASSERT_TRUE(statement.starts_with("(clearance ") && statement.ends_with("))")) << statement;
      statement.resize(statement.size() - 2);
      std::istringstream words(statement.substr(11));
      std::string value, word;
      words >> value >> word;
      ASSERT_EQ(word, "(type") << statement;
      EXPECT_TRUE(statement_values.insert(value).second) << "value written twice: " << value;
      while (words >> word) {
        EXPECT_TRUE(written.emplace(word, value).second) << "type written twice: " << word;
      }
    }
    EXPECT_EQ(written, expected) << "round " << round;
  }
}

// --- width table ------------------------------------------------------------------------------

TEST(WidthTable, KeysAreDesignFileLayerNames) {
  TWidthTable table("Board Level Layer Track Widths");
  table.Entry(router::kTopLayer).value = Mil(8);
  EXPECT_TRUE(table.HasKey("TopLayer"));
  EXPECT_EQ(table.Entry("toplayer").value, Mil(8));
  table.Entry(router::kKeepOutLayer).value = Mil(3);
  EXPECT_EQ(table.Entry(router::kMultiLayer).value, Mil(3)) << "both are named signal";
}

TEST(WidthTable, WritesOneWidthOrOneLayerRulePerWidth) {
  const char* const cases[][3] = {{"", "", "nothing without values"},
                                  {"1=- 32=-", "", "layers without values"},
                                  {"1=8 32=8 2=-", "(width 8.000)|", "all widths agree"},
                                  {"1=8 32=8 2=6",
                                   "(layer_rule TopLayer BottomLayer (rule (width 8.000)))|"
                                   "(layer_rule MidLayer1 (rule (width 6.000)))|",
                                   "grouped by width, in layer order"},
                                  {"32=5 3=7 31=5 1=-",
                                   "(layer_rule MidLayer2 (rule (width 7.000)))|"
                                   "(layer_rule MidLayer30 BottomLayer (rule (width 5.000)))|",
                                   "the first layer of a width decides its place"},
                                  {"1=12.5 2=12.5001 3=12.5",
                                   "(layer_rule TopLayer MidLayer2 (rule (width 12.500)))|"
                                   "(layer_rule MidLayer1 (rule (width 12.500)))|",
                                   "widths group by value, not by their text"}};
  for (const auto& [widths, statements, why] : cases) {
    SCOPED_TRACE(why);
    TWidthTable table("t");
    Fill(table, widths);
    EXPECT_EQ(Joined(table.Statements()), statements);
  }
}

}  // namespace
