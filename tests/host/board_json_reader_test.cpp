// The board files' JSON reader against nlohmann-json: both must accept the same texts and read
// the same values from them, since the board files were written for and read by the latter.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/quorvel/json_reader.h"
#include "support/test_paths.h"

namespace {

using quorvel::JsonParser;
using quorvel::JsonSyntaxError;
using quorvel::JsonTree;
using json = nlohmann::json;

// The text as a whole value: its value in nlohmann-json's form, or why it is not JSON.
std::string OwnReading(const std::string& text) {
  JsonTree tree;
  try {
    JsonParser parser(text, 256);
    parser.ReadValue(tree, JsonParser::kRootDepth);
    parser.Finish();
  } catch (const JsonSyntaxError& e) {
    return e.too_deep ? "too deep" : "not JSON";
  }
  return tree.Value(0).ToJson().dump();
}

std::string ReferenceReading(const std::string& text) {
  try {
    return json::parse(text).dump();
  } catch (const json::exception&) {
    return "not JSON";
  }
}

struct Case {
  const char* text;
  const char* why;
};
constexpr Case kCases[] = {
    {R"({"a": [1, -2, 3.5, 1e3, -0, 0.25E-2, true, false, null, "x"]})", "every kind of value"},
    {R"( {"a":1, "a":2} )", "a repeated name: the last value counts"},
    {"\xEF\xBB\xBF{}", "a byte-order mark"},
    {"18446744073709551615", "the largest unsigned integer"},
    {"18446744073709551616", "one more: a floating-point number"},
    {"-9223372036854775808", "the lowest integer"},
    {"-9223372036854775809", "one less: a floating-point number"},
    {"1e400", "too large for a double"},
    {"01", "a leading zero"},
    {"-", "a sign alone"},
    {"1.", "a point without digits"},
    {".5", "a point first"},
    {"1e", "an exponent without digits"},
    {"[1e]", "an exponent without digits before more text"},
    {"[1.]", "a point without digits before more text"},
    {"[-]", "a sign alone before more text"},
    {"+1", "a plus sign"},
    {R"("\u00e9\u20ac\ud83d\ude00")", "escapes of two, three and four UTF-8 bytes"},
    {R"("\u007f\u0080\u07ff\u0800\uffff\ud800\udc00\udbff\udfff")",
     "escapes at the edges of one, two, three and four UTF-8 bytes"},
    {R"("\ud83d")", "a high surrogate alone"},
    {R"("\ude00")", "a low surrogate alone"},
    {R"("\ud83d\u0041")", "a high surrogate before no low one"},
    {R"("\u12")", "a short escape"},
    {R"("\x41")", "an unknown escape"},
    {"\"a\tb\"", "a control character in a string"},
    {"\"\xC3\xA9\"", "UTF-8 of two bytes"},
    {"\"\xC0\xAF\"", "an overlong form"},
    {"\"\xED\xA0\x80\"", "a surrogate in UTF-8"},
    {"\"\xF4\x90\x80\x80\"", "past U+10FFFF"},
    {"\"\xE2\x82\"", "a sequence cut short"},
    {"\"\x80\"", "a continuation byte alone"},
    {"\"abc", "an unclosed string"},
    {"[1, 2,]", "a comma before the end of a list"},
    {R"({"a" 1})", "a missing colon"},
    {R"({"a": 1,})", "a comma before the end of an object"},
    {"[1] [2]", "a second value"},
    {"", "nothing"},
    {"tru", "a cut literal"},
    {"nulls", "a literal with more letters"},
    {"[\n1\r,\t2 ]", "every kind of white space"},
    {R"("a\/b\\c\"d\b\f\n\r\t")", "the short escapes"},
    {"\"\\u0000\"", "an escaped NUL"},
};

TEST(BoardJsonReader, AcceptsAndReadsWhatTheReferenceDoes) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(OwnReading(c.text), ReferenceReading(c.text)) << c.text;
  }
}

// Damaged copies of a real board: every kind of fault at every kind of place.
TEST(BoardJsonReader, DamagedBoardsAreReadAsTheReferenceReadsThem) {
  const std::string board =
      testsupport::ReadFile(testsupport::TestDataPath("../examples/example-board.json"));
  ASSERT_FALSE(board.empty());
  ASSERT_EQ(OwnReading(board), ReferenceReading(board));
  static constexpr char kBytes[] = "{}[],:\"\\ 0123456789-+.eEtrufalsn\t\n\x01\x80\xC3\xA9\xF0";
  std::mt19937 random(38);
  int rejected = 0;
  for (int i = 0; i < 400; ++i) {
    std::string text = board;
    for (int faults = 1 + static_cast<int>(random() % 3); faults > 0; --faults) {
      const size_t at = random() % text.size();
      const char byte = kBytes[random() % (sizeof kBytes - 1)];
      switch (random() % 3) {
        case 0: text[at] = byte; break;
        case 1: text.insert(at, 1, byte); break;
        default: text.erase(at, 1);
      }
    }
    const std::string reference = ReferenceReading(text);
    rejected += reference == "not JSON";
    ASSERT_EQ(OwnReading(text), reference) << "damaged copy " << i;
  }
  EXPECT_GT(rejected, 100) << "the damage makes many copies no JSON";
}

TEST(BoardJsonReader, NestingStopsAtTheLimitWithTheBracketsPlace) {
  const std::string deep = std::string(256, '[') + std::string(256, ']');
  EXPECT_EQ(OwnReading(deep), ReferenceReading(deep));
  const std::string deeper = "[" + deep + "]";
  JsonTree tree;
  try {
    JsonParser(deeper, 256).ReadValue(tree, JsonParser::kRootDepth);
    ADD_FAILURE() << "read 257 levels";
  } catch (const JsonSyntaxError& e) {
    EXPECT_TRUE(e.too_deep);
    EXPECT_EQ(e.offset, 256u) << "the bracket of level 257";
  }
}

// The root's lists go element by element; the other members are read whole.
TEST(BoardJsonReader, WalksTheRootAndItsListsElementByElement) {
  const std::string text =
      R"({"format": "f", "tracks": [{"x": 1}, {"x": 2}], "empty": [], "n": 3})";
  JsonParser parser(text, 256);
  ASSERT_TRUE(parser.EnterRootObject());
  std::string key, seen;
  JsonTree tree;
  while (parser.NextRootMember(key)) {
    seen += key + ":";
    if (key == "tracks" || key == "empty") {
      ASSERT_TRUE(parser.ValueIsArray());
      bool first = true;
      while (parser.NextElement(first)) {
        tree.Clear();
        parser.ReadValue(tree, 3);
        seen += tree.Value(0).Member("x").ToJson().dump() + ",";
      }
    } else {
      tree.Clear();
      seen += tree.Value(parser.ReadValue(tree, 2)).ToJson().dump() + ",";
    }
  }
  parser.Finish();
  EXPECT_EQ(seen, "format:\"f\",tracks:1,2,empty:n:3,");
}

}  // namespace
