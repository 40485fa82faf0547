// Parameter texts: parsing, lookup, and writing back into a caller's buffer.
#include "sdk/rt_param.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>

namespace {

std::string Value(const char* text, const char* name) {
  std::string value = "unchanged";
  return sdk::GetParameterValue(text, name, value) ? value : "<absent:" + value + ">";
}

TEST(ParameterText, LooksUpValuesAsTheHostWritesThem) {
  // Only the first '=' splits; name and value are trimmed, of control characters too, but a
  // blank in the name asked for is no control character; ASCII letters (only a-z) compare
  // without case; segments without '=' or with an empty name are dropped; the first of equal
  // names wins; an empty value is still a value.
  std::string values;
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"FileName=C:\\a=b.dsn", "FileName"}, {" FileName = x ", "FileName"},
      {"filename=x", "FILENAME"}, {"FileName=x", " FileName"},
      {"FileName=x", "\tFileName\r"}, {"Garbage|FileName=x", "FileName"},
      {"=x|A=1", "A"}, {"A=1|A=2", "A"}, {"A=", "A"}, {"A=1|B=2", "C"}, {"", "A"},
      {"\xC4=1", "\xE4"}};
  // clang-format on
  for (const auto& [text, name] : cases) values += Value(text, name) + " ";
  EXPECT_EQ(values, "C:\\a=b.dsn x x <absent:> x x 1 1  <absent:> <absent:> <absent:> ");
}

TEST(ParameterText, NullTextsHaveNoValueAndLongValuesAreCutToTheShortTextLength) {
  std::string value = "old";
  EXPECT_FALSE(sdk::GetParameterValue(nullptr, "A", value));
  EXPECT_EQ(value, "") << "the output is cleared";
  const std::string text = "FileName=" + std::string(300, 'x');
  ASSERT_TRUE(sdk::GetParameterValue(text.c_str(), "FileName", value));
  EXPECT_EQ(value, std::string(255, 'x'));
  ASSERT_TRUE(sdk::GetParameterValue(text.c_str(), "FileName", value, std::string::npos));
  EXPECT_EQ(value.size(), 300u);
}

TEST(ParameterText, LookupsFollowTheTextWhenItChanges) {
  char buffer[64] = "A=1";
  EXPECT_EQ(Value(buffer, "A"), "1");
  std::strcpy(buffer, "A=2");  // same buffer, new text: the cached parse must not be reused
  EXPECT_EQ(Value(buffer, "A"), "2");
}

TEST(ParameterText, ParsingKeepsOrderAndDuplicatesAndFormattingDropsBlankNames) {
  sdk::TParameterList list;
  sdk::ParseParameters(list, " A = 1 |junk|B=x=y|A=2||=z");
  EXPECT_EQ(sdk::FormatParameters(list), "A=1|B=x=y|A=2");
  list.clear();
  sdk::AddParameter(list, "A", "1");
  sdk::AddParameter(list, "B", "");
  sdk::AddParameter(list, "  ", "dropped");
  EXPECT_EQ(sdk::FormatParameters(list), "A=1|B=");
}

TEST(ParameterText, SetRewritesTheWholeText) {
  std::string after;
  // clang-format off
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"A=1|A=2", "A", "3"}, {"", "Optimize", "All"}, {" A = 1 |junk", "B", "2"},
      {"a=1", "A", " 9 "}, {"A=1", " ", "x"}};
  // clang-format on
  for (const auto& [before, name, value] : cases) {
    char buffer[64];
    std::strcpy(buffer, before);
    EXPECT_TRUE(sdk::SetParameterValue(buffer, sizeof buffer, name, value)) << before;
    after += std::string(buffer) + " ";
  }
  EXPECT_EQ(after, "A=3|A=2 Optimize=All A=1|B=2 a=9 A=1 ");
}

TEST(ParameterText, NeverWritesPastTheCallersBuffer) {
  char buffer[16] = "A=1";
  std::memset(buffer + 4, '#', sizeof buffer - 4);
  // "A=1|Long=123456" needs 16 bytes with its terminator: one too many.
  EXPECT_FALSE(sdk::SetParameterValue(buffer, 15, "Long", "123456"));
  EXPECT_STREQ(buffer, "A=1");
  EXPECT_EQ(buffer[15], '#');
  // Exactly fitting is fine.
  EXPECT_TRUE(sdk::SetParameterValue(buffer, 16, "Long", "123456"));
  EXPECT_STREQ(buffer, "A=1|Long=123456");
}

}  // namespace
