// String lists, the four settings stores and the registry, as layouts and settings use them.
#include "framework/ini_files.h"
#include "framework/variant.h"
#include "framework/string_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "framework/win/text.h"
#include "reader_samples.h"
#include "support/small_disk.h"
#include "support/test_paths.h"

using namespace framework;

namespace {

using Lines = std::vector<std::string>;

// A registry key of its own under HKCU, removed at the end.
class TestKey {
 public:
  TestKey() : path_("Software\\TralvekTests\\" + std::to_string(GetCurrentProcessId())) {}
  ~TestKey() { TRegistry().DeleteKey("\\Software\\TralvekTests"); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

TEST(StringList, SortedListsKeepOrderAndApplyDuplicates) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.SetSorted(true);
  int object = 7;
  list.Add("pear");
  list.AddObject("Apple", &object);
  list.Add("banana");
  EXPECT_EQ(list.Add("APPLE"), 0) << "ignored: an equal line is there (case ignored)";
  EXPECT_EQ(list.ToVector(), (Lines{"Apple", "banana", "pear"}));
  EXPECT_EQ(list.Objects(0), &object);
  int index = -1;
  // Objects, lines and a missing line's place ("cherry" would go at 2).
  EXPECT_EQ(std::vector<int>({list.IndexOfObject(&object), list.IndexOfObject(&changes),
                              list.IndexOf("PEAR"), list.IndexOf("plum"),
                              list.Find("cherry", index), index}),
            std::vector<int>({0, -1, 2, -1, 0, 2}));
  list.SetDuplicates(TDuplicates::dupAccept);
  EXPECT_EQ(list.Add("apple"), 1) << "accepted after its equal";
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(list.Add("Banana"), EStringListError);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError) << "a sorted list places lines itself";
  EXPECT_THROW(list[4], EStringListError);
  EXPECT_EQ(changes, 4);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("APPLE"), -1);

  TWideStringList wide;
  wide.SetSorted(true);
  for (const wchar_t* line : {L"\u00FCber", L"zebra", L"Alpha"}) wide.Add(line);
  EXPECT_EQ(wide.Text(), L"Alpha\r\nzebra\r\n\u00FCber\r\n");
}

TEST(StringList, TextCommaTextAndNameValueForms) {
  TStringList list;
  list.SetText("one\r\ntwo\nthree\rfour\r\n\r\nsix");
  EXPECT_EQ(list.ToVector(), (Lines{"one", "two", "three", "four", "", "six"}));
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n\r\nsix\r\n");
  list.Insert(0, "zero");  // the first place of an unsorted list is a place like any other
  EXPECT_EQ(list[0] + "|" + list[6], "zero|six");

  struct Case {
    Lines lines;
    const char* comma;
  };
  const Case cases[] = {
      {{"a", "b c", "", "say \"hi\"", "x,y"}, "a,\"b c\",\"\",\"say \"\"hi\"\"\",\"x,y\""},
      {{"plain"}, "plain"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comma);
    TStringList from;
    for (const std::string& line : c.lines) from.Add(line);
    EXPECT_EQ(from.CommaText(), c.comma);
    TStringList back;
    back.SetCommaText(c.comma);
    EXPECT_EQ(back.ToVector(), c.lines);
  }
  list.SetCommaText("a b, c,");
  EXPECT_EQ(list.ToVector(), (Lines{"a", "b", "c", ""})) << "unquoted blanks separate too";

  TStringList values;
  for (const char* line : {"Width=120", "Caption=a=b", "Plain"}) values.Add(line);
  EXPECT_EQ(values.Values("width") + "|" + values.Values("Caption") + "|" + values.Names(1) + "|" +
                values.Names(2),
            "120|a=b|Caption|");
  values.SetValue("Width", "200");
  values.SetValue("Height", "50");
  values.SetValue("Caption", "");
  EXPECT_EQ(values.ToVector(), (Lines{"Width=200", "Plain", "Height=50"}));
  values.SetValue("width", "");
  EXPECT_EQ(values.ToVector(), (Lines{"Plain", "Height=50"})) << "the first line can go too";

  testsupport::TempDir dir;
  TWideStringList wide;
  wide.SetText(L"\u20AC1\r\nzwei");
  wide.SaveToFile(dir.Path("wide.txt"));
  EXPECT_EQ(testsupport::ReadFile(dir.Path("wide.txt")).substr(0, 4), "\xFF\xFE\xAC\x20");
  TWideStringList read;
  read.LoadFromFile(dir.Path("wide.txt"));
  EXPECT_EQ(read.ToVector(), (std::vector<std::wstring>{L"\u20AC1", L"zwei"}));
}

TEST(IniFiles, EveryKindStoresReadsListsAndErases) {
  testsupport::TempDir dir;
  TestKey key;
  std::vector<std::unique_ptr<TCustomIniFile>> files;
  files.push_back(std::make_unique<TMemIniFile>(dir.Path("mem.ini")));
  files.push_back(std::make_unique<TIniFile>(dir.Path("profile.ini")));
  files.push_back(std::make_unique<TRegistryIniFile>(key.path() + "\\Typed"));
  files.push_back(std::make_unique<TRegIniFile>(key.path() + "\\Strings"));
  for (auto& file : files) {
    SCOPED_TRACE(file->FileName());
    TCustomIniFile& ini = *file;
    const auto reads = [&] {
      return ini.ReadString("grid", "caption", "none") + "|" +
             std::to_string(ini.ReadInteger("Grid", "Width", -1)) + "|" +
             std::to_string(ini.ReadBool("Grid", "Visible", false)) + "|" +
             ini.ReadString("Grid", "Empty", "fallback") + "|" +
             std::to_string(ini.ReadInteger("Grid", "Notnumber", 5)) + "|" +
             std::to_string(ini.ValueExists("Grid", "Empty")) +
             std::to_string(ini.ValueExists("Grid", "Height")) +
             std::to_string(ini.SectionExists("Columns")) +
             std::to_string(ini.SectionExists("Grid"));
    };
    EXPECT_EQ(reads(), "none|-1|0|fallback|5|0000");
    ini.WriteString("Grid", "Caption", "Drill pairs");
    ini.WriteInteger("Grid", "Width", -120);
    ini.WriteBool("Grid", "Visible", true);
    ini.WriteString("Grid", "Empty", "");
    ini.WriteString("Columns", "Order", "2,0,1");
    ini.WriteString("Grid", "Notnumber", "12x");
    // Names ignore case; empty is a value; a text that is no number reads as the default.
    EXPECT_EQ(reads(), "Drill pairs|-120|1||5|1011");
    const auto sorted = [](Lines lines) {
      std::sort(lines.begin(), lines.end());
      return lines;
    };
    EXPECT_EQ(sorted(ini.ReadSection("Grid")),
              (Lines{"Caption", "Empty", "Notnumber", "Visible", "Width"}));
    EXPECT_EQ(sorted(ini.ReadSections()), (Lines{"Columns", "Grid"}));
    ini.DeleteKey("Grid", "Caption");
    ini.EraseSection("Columns");
    EXPECT_EQ(reads(), "none|-120|1||5|1001");
    ini.UpdateFile();
  }
  // Where each kind put the values.
  EXPECT_EQ(testsupport::ReadFile(dir.Path("mem.ini")),
            "[Grid]\r\nWidth=-120\r\nVisible=1\r\nEmpty=\r\nNotnumber=12x\r\n");
  EXPECT_EQ(TIniFile(dir.Path("profile.ini")).ReadInteger("Grid", "Width", 0), -120);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(key.path() + "\\Typed\\Grid"));
  EXPECT_EQ(registry.ValueType("Width"), DWORD{REG_DWORD});
  EXPECT_EQ(registry.ReadInteger("Width"), -120);
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + key.path() + "\\Strings\\Grid"));
  EXPECT_EQ(registry.ReadString("Width"), "-120");
  EXPECT_THROW(registry.ReadInteger("Width"), ERegistryException) << "a string, not a number";
}

TEST(IniFiles, MemoryFileWritesOnlyOnUpdateAndReadsWhatOthersWrote) {
  testsupport::TempDir dir;
  const std::string path = dir.Path("layout.ini");
  testsupport::WriteFile(path,
                         "; comment\r\n[Main]\r\n Left = 10\r\nTop=$1F\r\nstray line\r\n"
                         ";Left=5\r\n[main]\r\nWidth=5\r\n");
  TMemIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("Main", "Left", 0), 10) << "names and values are trimmed";
  EXPECT_EQ(ini.ReadInteger("Main", "Top", 0), 31) << "$ hexadecimal";
  EXPECT_EQ(ini.ReadInteger("MAIN", "Width", 0), 5) << "a repeated section joins the first";
  EXPECT_EQ(ini.ReadSection("Main"), (Lines{"Left", "Top", "Width"}))
      << "lines without \"=\" and commented keys are dropped";
  ini.WriteString("Main", "Left", "20");
  EXPECT_NE(testsupport::ReadFile(path).find("Left = 10"), std::string::npos) << "not yet written";
  ini.UpdateFile();
  EXPECT_EQ(testsupport::ReadFile(path), "[Main]\r\nLeft=20\r\nTop=$1F\r\nWidth=5\r\n");
  EXPECT_FALSE(testsupport::FileExists(path + ".tmp"));
  const uint64_t written = testsupport::FileIndex(path);
  ini.UpdateFile();
  TIniFile(path).WriteString("Main", "Left", "20");
  EXPECT_EQ(testsupport::FileIndex(path), written) << "unchanged settings are not written again";
  ini.WriteString("Main", "Left", "21");
  ini.UpdateFile();
  EXPECT_EQ(testsupport::ReadFile(path), "[Main]\r\nLeft=21\r\nTop=$1F\r\nWidth=5\r\n");
  TMemIniFile broken(dir.Path("no\\such\\folder\\x.ini"));
  broken.WriteString("S", "K", "V");
  EXPECT_THROW(broken.UpdateFile(), Exception);
}

TEST(IniFiles, ABareNameIsAFileInTheWindowsFolderForWritingAsForReading) {
  const std::string name = "tralvek_test_" + std::to_string(GetCurrentProcessId()) + ".ini";
  TIniFile(name).WriteString("Main", "Key", "written");
  EXPECT_EQ(TIniFile(name).ReadString("Main", "Key", ""), "written");
  char folder[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(folder, MAX_PATH), 0u);
  const std::string path = std::string(folder) + "\\" + name;
  EXPECT_EQ(testsupport::ReadFile(path), "[Main]\r\nKey=written\r\n");
  EXPECT_FALSE(testsupport::FileExists(name)) << "not in the current folder";
  DeleteFileA(path.c_str());
}

TEST(IniFiles, FilesOnAFullDiskAreKeptWholeAndTheWriteFails) {
  const std::string disk = testsupport::SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small file system could be mounted for this run";
  // 2,500 lines in two sections: more than the 32 KB the system's writer got onto the disk.
  const std::string old_text = samples::IniText(2, 2500);
  ASSERT_GT(old_text.size(), 40000u);
  const std::string path = disk + "\\settings.ini";
  struct Kind {
    const char* name;
    std::function<void()> change;
  };
  const Kind kinds[] = {
      {"TIniFile", [&] { TIniFile(path).WriteString("Section1", "Key1", "changed"); }},
      {"TIniFile erasing", [&] { TIniFile(path).EraseSection("Section0"); }},
      {"TMemIniFile",
       [&] {
         TMemIniFile ini(path);
         ini.WriteString("Section1", "Key1", "changed");
         ini.UpdateFile();
       }},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    testsupport::WriteFile(path, old_text);
    {
      const testsupport::DiskFiller filler(disk, 8192);
      try {
        kind.change();
        ADD_FAILURE() << "the write reported success";
      } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot write the file " + path + ": " + win::SystemErrorText(ERROR_DISK_FULL));
      }
    }
    EXPECT_EQ(testsupport::ReadFile(path), old_text);
    EXPECT_FALSE(testsupport::FileExists(path + ".tmp"));
  }
  // With room the change lands, and the system's reading sees it.
  TIniFile(path).WriteString("Section1", "Key1", "changed");
  EXPECT_EQ(TIniFile(path).ReadString("Section1", "Key1", ""), "changed");
  EXPECT_EQ(TIniFile(path).ReadString("Section0", "Key2498", ""), "Value2498");
  DeleteFileA(path.c_str());
}

TEST(Registry, KeysValuesAndTypes) {
  TestKey key;
  TRegistry registry;
  EXPECT_FALSE(registry.OpenKey(key.path() + "\\Missing", false));
  ASSERT_TRUE(registry.OpenKey(key.path() + "\\Forms", true));
  registry.WriteString("Name", "Setup \xE4");
  registry.WriteInteger("Left", -5);
  registry.WriteBool("Maximized", true);
  registry.WriteBinaryData("Blob", {0, 1, 2, 255});
  EXPECT_EQ(registry.ReadString("Name") + "|" + std::to_string(registry.ReadInteger("Left")) + "|" +
                std::to_string(registry.ReadBool("Maximized")),
            "Setup \xE4|-5|1");
  EXPECT_EQ(registry.ReadBinaryData("Blob"), (std::vector<uint8_t>{0, 1, 2, 255}));
  EXPECT_THROW(registry.ReadString("Left"), ERegistryException);
  EXPECT_THROW(registry.ReadInteger("Nothing"), ERegistryException);
  EXPECT_THROW(registry.ReadInteger("Blob"), ERegistryException) << "four bytes, but binary";
  EXPECT_TRUE(registry.ValueExists("Blob"));
  EXPECT_TRUE(registry.DeleteValue("Blob"));
  EXPECT_FALSE(registry.ValueExists("Blob"));
  ASSERT_TRUE(registry.OpenKey("Child", true)) << "relative to the open key";
  EXPECT_EQ(registry.CurrentPath(), key.path() + "\\Forms\\Child");
  registry.CloseKey();
  EXPECT_THROW(registry.WriteString("x", "y"), ERegistryException) << "no key open";
  ASSERT_TRUE(registry.OpenKey(key.path(), false));
  EXPECT_EQ(registry.GetKeyNames(), Lines{"Forms"});
  EXPECT_TRUE(registry.DeleteKey("Forms")) << "with its child";
  EXPECT_FALSE(registry.KeyExists("Forms"));
}

TEST(Variant, ConvertsAsGridCellsShowAndEditThem) {
  struct Case {
    Variant value;
    TVarType type;
    const wchar_t* text;
  };
  const Case cases[] = {
      {Variant(), TVarType::varEmpty, L""},
      {Variant(-42), TVarType::varInteger, L"-42"},
      {Variant(2.5), TVarType::varDouble, L"2.5"},
      {Variant(0.1), TVarType::varDouble, L"0.1"},
      {Variant(true), TVarType::varBoolean, L"True"},
      {Variant(false), TVarType::varBoolean, L"False"},
      {Variant(L"text"), TVarType::varString, L"text"},
      {Variant::FromDate(45633.0), TVarType::varDate, L"2024-12-07"},
      {Variant::FromDate(2.75), TVarType::varDate, L"1900-01-01 18:00:00"},
      {Variant::FromDate(-1.0), TVarType::varDate, L"1899-12-29"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    EXPECT_EQ(c.value.VarType(), c.type);
    EXPECT_EQ(c.value.ToString(), c.text);
  }
  // Halves round away from zero; True is -1.
  EXPECT_EQ(std::vector<int64_t>({Variant(L" 17 ").ToInteger(), Variant(L"+3").ToInteger(),
                                  Variant(2.5).ToInteger(), Variant(-2.5).ToInteger(),
                                  Variant(true).ToInteger()}),
            std::vector<int64_t>({17, 3, 3, -3, -1}));
  EXPECT_DOUBLE_EQ(Variant(L"1e3").ToDouble(), 1000.0);
  EXPECT_EQ(std::vector<bool>({Variant(L"TRUE").ToBoolean(), Variant(L"false").ToBoolean(),
                               Variant(L"2").ToBoolean()}),
            std::vector<bool>({true, false, true}));
  EXPECT_DOUBLE_EQ(Variant(L"2024-12-07").ToDate(), 45633.0);
  EXPECT_DOUBLE_EQ(Variant(L"1900-01-01 18:00:00").ToDate(), 2.75);
  EXPECT_EQ(Variant::FromDate(Variant(L"2000-02-29 23:59:59").ToDate()).ToString(),
            L"2000-02-29 23:59:59");
  for (const wchar_t* bad : {L"12x", L"", L"1.2.3"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
    EXPECT_THROW(Variant(bad).ToInteger(), EVariantError);
  }
  for (const wchar_t* bad : {L"2024-02-30", L"2024-13-01", L"2024-01-01 24:00:00",
                             L"2024-01-01 00:60:00", L"2024-01-01 00:00:60", L"yesterday"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
    EXPECT_THROW(Variant(bad).ToDate(), EVariantError);
  }
  EXPECT_THROW(Variant(L"maybe").ToBoolean(), EVariantError);
  EXPECT_EQ(Variant(2), Variant(2.0)) << "numbers compare by value";
  EXPECT_FALSE(Variant(L"2") == Variant(2)) << "a text is not a number";
  EXPECT_FALSE(Variant() == Variant(0));
}
