// Ini files as the settings code relies on them.
#include "framework/ini_file.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"

namespace {

TEST(IniFile, MissingKeysAndFilesYieldTheFallback) {
  testsupport::TempDir dir;
  const framework::IniFile ini(dir.Path("absent.ini"));
  EXPECT_EQ(ini.ReadString("S", "K", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "K", true));
  EXPECT_FALSE(ini.SectionExists("S"));
}

TEST(IniFile, ValuesReadBackAsWritten) {
  testsupport::TempDir dir;
  framework::IniFile ini(dir.Path("a.ini"));
  ini.WriteString("S", "Empty", "");
  ini.WriteString("S", "Long", std::string(1000, 'x'));
  ini.WriteInteger("S", "Number", -42);
  ini.WriteBool("S", "Yes", true);
  ini.WriteBool("S", "No", false);
  EXPECT_EQ(ini.ReadString("S", "Empty", "fallback"), "");  // empty is a value, not missing
  EXPECT_EQ(ini.ReadString("S", "Long", ""), std::string(1000, 'x'));
  EXPECT_EQ(ini.ReadInteger("s", "number", 0), -42);  // names ignore case
  EXPECT_TRUE(ini.ReadBool("S", "Yes", false));
  EXPECT_FALSE(ini.ReadBool("S", "No", true));
  EXPECT_EQ(testsupport::ReadFile(dir.Path("a.ini")).find("Yes=1") != std::string::npos, true);
}

TEST(IniFile, IntegersAndBooleansFollowTheTextsRules) {
  struct Case {
    const char* text;
    int integer;   // with fallback 99
    bool boolean;  // with fallback true
  };
  const Case cases[] = {{"12", 12, true}, {"0", 0, false},  {"-3", -3, true}, {"+5", 5, true},
                        {"x", 99, true},  {"1x", 99, true}, {"", 99, true},   {"2", 2, true}};
  testsupport::TempDir dir;
  framework::IniFile ini(dir.Path("b.ini"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ini.WriteString("S", "K", c.text);
    EXPECT_EQ(ini.ReadInteger("S", "K", 99), c.integer);
    EXPECT_EQ(ini.ReadBool("S", "K", true), c.boolean);
  }
}

TEST(IniFile, SectionsListInFileOrderAndErase) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("c.ini"),
                         "[HoleList]\r\n3=280000\r\n1=100\r\n[Other]\r\nA=1\r\n");
  framework::IniFile ini(dir.Path("c.ini"));
  EXPECT_EQ(ini.ReadSectionValues("HoleList"), (std::vector<std::string>{"3=280000", "1=100"}));
  ini.EraseSection("HoleList");
  EXPECT_FALSE(ini.SectionExists("HoleList"));
  EXPECT_EQ(ini.ReadString("Other", "A", ""), "1");
}

}  // namespace
