// Parameter texts: parsing, lookup, and writing back into a caller's buffer.
#include "sdk/rt_param.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string Value(const char* text, const char* name) {
  std::string value = "unchanged";
  return sdk::GetParameterValue(text, name, value) ? value : "<absent:" + value + ">";
}

struct LookupCase {
  const char* text;
  const char* name;
  const char* expected;
  const char* why;
};
constexpr LookupCase kLookups[] = {
    {"FileName=C:\\a=b.dsn", "FileName", "C:\\a=b.dsn", "only the first '=' splits"},
    {" FileName = x ", "FileName", "x", "name and value are trimmed"},
    {"filename=x", "FILENAME", "x", "ASCII letters compare without case"},
    {"FileName=x", " FileName", "<absent:>", "a blank is not a control character"},
    {"FileName=x", "\tFileName\r", "x", "control characters at both ends are dropped"},
    {"Garbage|FileName=x", "FileName", "x", "a segment without '=' is dropped"},
    {"=x|A=1", "A", "1", "an empty name is dropped"},
    {"A=1|A=2", "A", "1", "the first of equal names wins"},
    {"A=", "A", "", "an empty value is still a value"},
    {"A=1|B=2", "C", "<absent:>", "no such name"},
    {"", "A", "<absent:>", "an empty text has nothing"},
    {"\xC4=1", "\xE4", "<absent:>", "only a-z fold"},
};

TEST(ParameterText, LooksUpValuesAsTheHostWritesThem) {
  for (const LookupCase& c : kLookups) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Value(c.text, c.name), c.expected);
  }
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

struct SetCase {
  const char* before;
  const char* name;
  const char* value;
  const char* after;
};
constexpr SetCase kSets[] = {
    {"A=1|A=2", "A", "3", "A=3|A=2"},
    {"", "Optimize", "All", "Optimize=All"},
    {" A = 1 |junk", "B", "2", "A=1|B=2"},
    {"a=1", "A", " 9 ", "a=9"},
    {"A=1", " ", "x", "A=1"},
};

TEST(ParameterText, SetRewritesTheWholeText) {
  for (const SetCase& c : kSets) {
    SCOPED_TRACE(c.before);
    char buffer[64];
    std::strcpy(buffer, c.before);
    ASSERT_TRUE(sdk::SetParameterValue(buffer, sizeof buffer, c.name, c.value));
    EXPECT_STREQ(buffer, c.after);
  }
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
