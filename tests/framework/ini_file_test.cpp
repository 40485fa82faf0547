// Ini files as the settings code relies on them.
#include "framework/ini_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "framework/exception.h"

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
  EXPECT_FALSE(testsupport::FileExists(dir.Path("a.ini"))) << "nothing is written in place";
  ini.WriteInteger("S", "number", 7);  // the existing key, in its own spelling
  EXPECT_EQ(ini.Text(), "[S]\r\nEmpty=\r\nLong=" + std::string(1000, 'x') +
                            "\r\nNumber=7\r\nYes=1\r\nNo=0\r\n");
}

TEST(IniFile, ReadsFilesAsTheSystemsProfileRoutinesDo) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("d.ini"),
                         "; written by hand\n"
                         "  [ Layer Directions ]  \r\n"
                         "\r\n"
                         "  TopLayer =  horizontal  \r"
                         "Quoted=\"a b\"\r\n"
                         "Half=\"open\r\n"
                         "Equals=a=b\r\n"
                         "no value line\r\n"
                         "[Open\r\n"
                         "K=1");
  framework::IniFile ini(dir.Path("d.ini"));
  EXPECT_EQ(ini.ReadString("layer directions", "TOPLAYER", ""), "horizontal");
  EXPECT_EQ(ini.ReadString("Layer Directions", "Quoted", ""), "a b");
  EXPECT_EQ(ini.ReadString("Layer Directions", "Half", ""), "\"open");
  EXPECT_EQ(ini.ReadString("Layer Directions", "Equals", ""), "a=b");
  EXPECT_EQ(ini.ReadString("Layer Directions", "no value line", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadString("Open", "K", ""), "1") << "a header without its bracket";
  EXPECT_EQ(ini.ReadSectionValues("Layer Directions"),
            (std::vector<std::string>{"TopLayer=horizontal", "Quoted=\"a b\"", "Half=\"open",
                                      "Equals=a=b", "no value line"}));
}

// Lines other programs and people wrote come back byte for byte: blanks, comments after a header,
// text after its bracket, blank lines, every kind of line break, a last line without one. Only a
// changed key's line is written anew.
TEST(IniFile, LinesNotChangedAreWrittenBackAsTheFileHoldsThem) {
  const std::string file =
      "; written by hand\n"
      "[UserNotes] ; notes\r\n"
      "\r\n"
      "  Key = value  \r"
      "[Other]junk\r\n"
      "no value line\n"
      "Same = 1\r\n"
      "Changed = 1\r\n"
      "[Last]\r\n"
      "K=1";
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("d.ini"), file);
  framework::IniFile ini(dir.Path("d.ini"));
  EXPECT_EQ(ini.FileContent(), file);
  EXPECT_EQ(ini.ReadString("usernotes", "KEY", ""), "value");
  EXPECT_EQ(ini.ReadSectionValues("UserNotes"), std::vector<std::string>{"Key=value"});
  ini.WriteString("Other", "Same", "1");  // as it stands: the line is not touched
  ini.WriteString("Other", "Changed", "2");
  ini.WriteString("Last", "New", "3");
  EXPECT_EQ(ini.FileContent(),
            "; written by hand\n[UserNotes] ; notes\r\n\r\n  Key = value  \r[Other]junk\r\n"
            "no value line\nSame = 1\r\nChanged=2\r\n[Last]\r\nK=1\r\nNew=3\r\n");
}

// UTF-16 without a byte-order mark is read as text and written back in it, never byte by byte;
// a binary file reads (as what lines it seems to have) but is never rewritten.
TEST(IniFile, UnmarkedUtf16IsTextAndABinaryFileIsNotRewritten) {
  testsupport::TempDir dir;
  const std::string utf16le("[\0S\0]\0\r\0\n\0K\0=\0\xFC\0\r\0\n\0", 20);
  const std::string utf16be("\0[\0S\0]\0\r\0\n\0K\0=\0\xFC\0\r\0\n", 20);
  for (const std::string& bytes : {utf16le, utf16be}) {
    testsupport::WriteFile(dir.Path("u.ini"), bytes);
    framework::IniFile ini(dir.Path("u.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", ""), "\xC3\xBC");
    EXPECT_EQ(ini.FileContent(), bytes);
    ini.WriteString("S", "K", "v");
    testsupport::WriteFile(dir.Path("u.ini"), ini.FileContent());
    EXPECT_EQ(framework::IniFile(dir.Path("u.ini")).ReadString("S", "K", ""), "v");
  }
  // Text may hold a stray control byte in sixteen; more make a binary file.
  for (const auto& [bytes, text] :
       {std::pair{std::string("[S]\r\nK=\x01\x02") + std::string(23, 'v'), true},
        std::pair{std::string("[S]\r\nK=\x01\x02") + std::string(22, 'v'), false}}) {
    const framework::IniFile ini =
        framework::IniFile::FromText(bytes, framework::IniFile::Lines::Keep);
    bool rewritable = true;
    try {
      ini.FileContent();
    } catch (const framework::Exception&) {
      rewritable = false;
    }
    EXPECT_EQ(rewritable, text) << bytes.size() << " bytes";
  }
  std::string binary;
  for (int i = 0; i < 512; ++i) binary += static_cast<char>(i * 37 % 256);
  binary += "\r\n[S]\r\nK=1\r\n";
  testsupport::WriteFile(dir.Path("b.ini"), binary);
  framework::IniFile ini(dir.Path("b.ini"));
  ini.WriteString("S", "K", "2");
  try {
    ini.FileContent();
    ADD_FAILURE() << "no error";
  } catch (const framework::Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write the settings file " + dir.Path("b.ini") +
                                         ": it is not a text file, so it is left as it is");
  }
}

TEST(IniFile, AFileThatCannotBeReadRaisesInsteadOfReadingAsEmpty) {
  testsupport::TempDir dir;
  const std::string path = dir.Path("held.ini");
  testsupport::WriteFile(path, "[S]\r\nK=1\r\n");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    framework::IniFile ini(path);
    ADD_FAILURE() << "no error";
  } catch (const framework::Exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot read the settings file " + path + ": another program is using the file");
  }
  CloseHandle(held);
  EXPECT_EQ(framework::IniFile(path).ReadString("S", "K", ""), "1");
  // A folder of that name: the system's own reason.
  try {
    framework::IniFile ini(dir.path());
    ADD_FAILURE() << "no error";
  } catch (const framework::Exception& e) {
    const std::string start = "Cannot read the settings file " + dir.path() + ": ";
    EXPECT_EQ(std::string(e.what()).rfind(start, 0), 0u) << e.what();
    EXPECT_GT(std::string(e.what()).size(), start.size() + 3) << e.what();
    EXPECT_EQ(std::string(e.what()).find("another program"), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find("system error"), std::string::npos)
        << "the system names the reason: " << e.what();
  }
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

namespace {

TEST(IniFile, AByteOrderMarkedFileIsReadAsItsMarkSaysAndKeepsItsEncoding) {
  struct Case {
    const char* why;
    std::string bytes;  // [S] K=1, one non-ASCII value
    framework::IniFile::Encoding encoding;
  };
  const std::string utf16le("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xFC\0\r\0\n\0", 22);
  const std::string utf16be("\xFE\xFF\0[\0S\0]\0\r\0\n\0K\0=\0\xFC\0\r\0\n", 22);
  const Case cases[] = {
      {"UTF-8", "\xEF\xBB\xBF[S]\r\nK=\xC3\xBC\r\n", framework::IniFile::Encoding::Utf8},
      {"UTF-16 little-endian", utf16le, framework::IniFile::Encoding::Utf16LittleEndian},
      {"UTF-16 big-endian", utf16be, framework::IniFile::Encoding::Utf16BigEndian},
      {"no mark", "[S]\r\nK=\xFC\r\n", framework::IniFile::Encoding::Plain},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.Path("a.ini"), c.bytes);
    framework::IniFile ini(dir.Path("a.ini"));
    EXPECT_EQ(ini.encoding(), c.encoding);
    EXPECT_EQ(ini.SectionNames(), std::vector<std::string>{"S"});
    EXPECT_EQ(ini.FileContent(), c.bytes) << "written back byte for byte";
    ini.WriteString("S", "K", "v");
    ini.WriteString("T", "K", "w");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"S", "T"})) << "no second [S]";
    const framework::IniFile reread = [&] {
      testsupport::WriteFile(dir.Path("b.ini"), ini.FileContent());
      return framework::IniFile(dir.Path("b.ini"));
    }();
    EXPECT_EQ(reread.encoding(), c.encoding);
    EXPECT_EQ(reread.ReadString("S", "K", ""), "v");
    EXPECT_EQ(reread.ReadString("T", "K", ""), "w");
  }
}

}  // namespace
