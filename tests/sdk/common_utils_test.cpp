// The preference key, registry paths, language table, message boxes and test mode, and the
// small system queries.
#include "sdk/common_utils.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "sdk/exceptions.h"
#include "sdk/host_fakes.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace {

const std::wstring kPreferenceSectionKey = L"Software\\Zelmar2004\\Preference Location";

// Runs each test from a fresh cache and leaves none behind for the next.
class PreferenceKey : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kPreferenceSectionKey.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kPreferenceSectionKey.c_str());
    CreateDirectoryA(sdk::GetSystemFolder().c_str(), nullptr);
    if (testsupport::FileExists(ini_file())) GTEST_SKIP() << "an installed " << ini_file();
    owns_ini_ = true;
    sdk::ResetApplicationPreferenceKey();
  }
  void TearDown() override {
    if (owns_ini_) DeleteFileA(ini_file().c_str());
    sdk::ResetApplicationPreferenceKey();
  }
  static std::string ini_file() { return sdk::GetSystemFolder() + "PrefFolder.ini"; }
  bool owns_ini_ = false;
};

TEST_F(PreferenceKey, ComesFromRegistryOrIniFileAndNamesTheRegistryPaths) {
  // The system folder's PrefFolder.ini and the registry's value (null: no section): neither; the
  // ini file; the registry over the ini file; another key; another section; an empty folder,
  // which would put settings under Software itself, from the ini file and from the registry.
  // clang-format off
  const std::pair<const char*, const wchar_t*> sources[] = {
      {"", nullptr}, {"[Preference Location]\r\nApplication=MyPrefs\r\n", nullptr},
      {"[Preference Location]\r\nApplication=FromIni\r\n", L"FromRegistry"},
      {"[Preference Location]\r\napplication2=X\r\n", nullptr},
      {"[Other]\r\nApplication=X\r\n", nullptr},
      {"[Preference Location]\r\nApplication=\r\n", nullptr}, {"", L""}};
  // clang-format on
  std::string keys;
  for (const auto& [ini, registry_value] : sources) {
    testsupport::WriteFile(ini_file(), ini);
    std::optional<testfakes::ScopedRegistryKey> section;
    if (registry_value) {
      section.emplace(HKEY_CURRENT_USER, kPreferenceSectionKey);
      section->SetString(L"Application", registry_value);
    }
    sdk::ResetApplicationPreferenceKey();
    const std::string key = sdk::GetApplicationPreferenceKey(), f = key.substr(1);
    EXPECT_EQ(
        sdk::GetRegistryKeyPath() + " " + sdk::GetProductFamilyRegistryKey() + " " +
            sdk::GetFormsKey(),
        "Software\\" + f + " Software\\" + f + "\\Marvuna Software\\" + f + "\\Marvuna\\Forms\\");
    keys += key + " ";
  }
  EXPECT_EQ(keys,
            "\\Zelmar2004 \\MyPrefs \\FromRegistry \\Zelmar2004 \\Zelmar2004 \\Zelmar2004 "
            "\\Zelmar2004 ");
  // Cached until the unit starts again.
  testsupport::WriteFile(ini_file(), "[Preference Location]\r\nApplication=Later\r\n");
  EXPECT_EQ(sdk::GetApplicationPreferenceKey(), "\\Zelmar2004");
  sdk::ResetApplicationPreferenceKey();
  EXPECT_EQ(sdk::GetApplicationPreferenceKey(), "\\Later");
}

TEST(HostFolders, HangBelowTheRunningExecutableAndHoldTheHelpFiles) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder = exe;
  folder.erase(folder.find_last_of('\\') + 1);
  // Without the host's locale preference the language folder is the system folder.
  EXPECT_EQ(std::vector<std::string>({sdk::GetApplicationFolder(), sdk::GetSystemFolder(),
                                      sdk::GetResourcesFolder(), sdk::GetLanguageFolder(),
                                      sdk::GetHelpFolder(), sdk::GetFallbackHelpFolder()}),
            std::vector<std::string>({folder, folder + "System\\", folder + "System\\Resources\\",
                                      folder + "System\\", folder + "System\\Help\\",
                                      folder + "Help\\"}));
  // A help file is looked for in the language's help folder first.
  EXPECT_EQ(sdk::ResolveHelpFileName("C:\\Docs\\a.pdf"), "C:\\Docs\\a.pdf");
  const std::string name = "help-probe-" + std::to_string(GetCurrentProcessId()) + ".pdf";
  EXPECT_EQ(sdk::ResolveHelpFileName(name), sdk::GetFallbackHelpFolder() + name);
  CreateDirectoryA(sdk::GetSystemFolder().c_str(), nullptr);
  CreateDirectoryA(sdk::GetHelpFolder().c_str(), nullptr);
  testsupport::WriteFile(sdk::GetHelpFolder() + name, "%PDF");
  EXPECT_EQ(sdk::ResolveHelpFileName(name), sdk::GetHelpFolder() + name);
  DeleteFileA((sdk::GetHelpFolder() + name).c_str());
  RemoveDirectoryA(sdk::GetHelpFolder().c_str());
}

TEST(HostFolders, MakeApplicationFolderCreatesThePerUserFolder) {
  sdk::ResetApplicationPreferenceKey();
  const std::string folder = sdk::MakeApplicationFolder();
  EXPECT_EQ(folder, sdk::GetApplicationDataFolder() + "\\Zelmar2004");
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << folder;
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(LanguageMappings, ReadsDecimalPairsAndSkipsTheRest) {
  const std::map<LCID, LCID> mappings = sdk::ParseLanguageMappings(
      "1049=1033\r\n"
      "x=1033\r\n"  // not a number
      "1031=\r\n"   // no right part
      "no equals sign\n"
      "2052=1033=7\n"  // split at the first "=" only: the right part is no number
      "1049=1031\n"    // the first pair of a locale wins
      "1036=1036");    // no line end at the end
  const std::map<LCID, LCID> expected = {{1049, 1033}, {1036, 1036}};
  EXPECT_EQ(mappings, expected);
}

TEST(LanguageMappings, TableInTheResourcesFolderMapsTheSystemLocale) {
  const std::string file = sdk::GetResourcesFolder() + "LanguageMappings.dat";
  CreateDirectoryA(sdk::GetSystemFolder().c_str(), nullptr);
  const bool made_folder = CreateDirectoryA(sdk::GetResourcesFolder().c_str(), nullptr);
  if (testsupport::FileExists(file)) GTEST_SKIP() << "an installed " << file;
  const LCID system = GetSystemDefaultLCID();
  EXPECT_EQ(sdk::GetSystemLanguageId(), system & ~0xFC00u) << "without the sort bits";
  testsupport::WriteFile(file, "x=1033\r\n" + std::to_string(system) + "=1049\r\n");
  sdk::ResetApplicationPreferenceKey();
  EXPECT_EQ(sdk::GetLanguageId(), 1049u);
  DeleteFileA(file.c_str());
  EXPECT_EQ(sdk::GetLanguageId(), 1049u) << "read once per process";
  sdk::ResetApplicationPreferenceKey();
  EXPECT_EQ(sdk::GetLanguageId(), system);
  if (made_folder) RemoveDirectoryA(sdk::GetResourcesFolder().c_str());
}

TEST(SystemQueries, IsSameTextFoldsOnlyAsciiLetters) {
  // The ends of the alphabet fold too; letters beyond ASCII and the neighbours of the letters
  // do not.
  // clang-format off
  const std::pair<const char*, const char*> pairs[] = {
      {"C:\\Boards\\Main.PCB", "c:\\boards\\main.pcb"}, {"abc", "abcd"}, {"Zebra az", "zEBRA AZ"},
      {"", ""}, {"\xC4", "\xE4"}, {"[", "{"}};
  // clang-format on
  std::string same;
  for (const auto& [a, b] : pairs) same += sdk::IsSameText(a, b) ? '1' : '0';
  EXPECT_EQ(same, "101100");
}

TEST(SystemQueries, EnvironmentValuesAreReadWhole) {
  const std::string long_value(5000, 'p');
  SetEnvironmentVariableA("TRALVEK_TEST_VALUE", long_value.c_str());
  EXPECT_EQ(sdk::GetEnvironmentValue("TRALVEK_TEST_VALUE"), long_value);
  SetEnvironmentVariableA("TRALVEK_TEST_VALUE", "");
  EXPECT_EQ(sdk::GetEnvironmentValue("TRALVEK_TEST_VALUE"), "");
  SetEnvironmentVariableA("TRALVEK_TEST_VALUE", nullptr);
  EXPECT_EQ(sdk::GetEnvironmentValue("TRALVEK_TEST_VALUE"), "");
}

TEST(SystemQueries, FileVersionComesFromTheVersionResource) {
  EXPECT_EQ(sdk::GetFileVersion(testsupport::BinaryPath("sdk_test_mode_probe.exe")),
            0x0001000200030004ull);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  EXPECT_EQ(sdk::GetFileVersion(exe), 0u) << "this test program has no version resource";
  EXPECT_THROW(sdk::GetFileVersion(testsupport::BinaryPath("no-such-file.dll")), sdk::Exception);
}

// ---- Message boxes -----------------------------------------------------------------------

TEST(MessageBoxes, EmptyCaptionsBecomeTheKindsName) {
  testfakes::RecordedMessageBoxes recorded;
  sdk::ShowErrorMessage("e");
  sdk::ShowInformationMessage("i", "");
  sdk::ShowWarningMessage("w");
  sdk::ShowWarningMessage("w2", "Own caption");
  std::string boxes;
  for (const auto& request : recorded.shown) {
    boxes += request.caption + "/" + std::to_string(static_cast<int>(request.kind)) +
             (request.buttons == framework::MessageButtons::Ok ? " " : "! ");
  }
  const auto kind = [](framework::MessageKind k) { return std::to_string(static_cast<int>(k)); };
  using framework::MessageKind;
  EXPECT_EQ(boxes, "Error/" + kind(MessageKind::Error) + " Information/" +
                       kind(MessageKind::Information) + " Warning/" + kind(MessageKind::Warning) +
                       " Own caption/" + kind(MessageKind::Warning) + " ");
}

// ---- Test mode ---------------------------------------------------------------------------

std::string ProbeCommand(const char* kind, const char* caption, const char* message) {
  return "\"" + testsupport::BinaryPath("sdk_test_mode_probe.exe") + "\" " + kind + " \"" +
         caption + "\" \"" + message + "\"";
}

TEST(TestMode, MessageBoxesPrintThemselvesAndEndTheProcess) {
  const std::wstring key = L"Software\\Zelmar\\TestMode";
  {
    ASSERT_FALSE(sdk::IsTestMode()) << "a test-mode key is left over from an earlier run";
    const testsupport::ChildResult shown =
        testsupport::RunChild(ProbeCommand("error", "", "Disk full"));
    EXPECT_EQ(shown.exit_code, 0u);
    EXPECT_EQ(shown.output, "box Error Disk full\r\n");
  }
  auto test_mode = std::make_unique<testfakes::ScopedRegistryKey>(HKEY_LOCAL_MACHINE, key);
  ASSERT_TRUE(sdk::IsTestMode());
  std::string printed;
  for (const auto& [kind, caption, message] :
       {std::tuple("error", "", "Disk full"), std::tuple("warning", "Locked", "x.do is used"),
        std::tuple("information", "", "Done")}) {
    const testsupport::ChildResult result =
        testsupport::RunChild(ProbeCommand(kind, caption, message));
    printed += std::to_string(result.exit_code) + " " + result.output;
  }
  EXPECT_EQ(printed,
            "1 ShowDialogWithCaption withError Disk full\r\n"
            "1 ShowDialogWithCaption withLocked x.do is used\r\n"
            "1 ShowDialogWithCaption withInformation Done\r\n");
  test_mode.reset();
  EXPECT_FALSE(sdk::IsTestMode()) << "read at every call, never cached";
}

}  // namespace
