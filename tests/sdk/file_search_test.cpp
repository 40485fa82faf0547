// The search for a support file: the host's folders first, PATH last.
#include "sdk/file_search.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "support/test_paths.h"

namespace {

bool PlainExists(const std::string& path) { return testsupport::FileExists(path); }

std::string PlainWholeFileName(const std::string& path) {
  return path.substr(path.find_last_of("\\/:") + 1);
}

// Every place the search looks in is a folder of its own under one temporary folder, and the
// host's functions follow plain path rules. The host's and the module's folders come with a
// detour, which the search resolves.
class FileSearch : public ::testing::Test {
 protected:
  FileSearch() {
    for (const char* folder : {"host", "host\\System", "module", "appdata", "windows",
                               "windows\\Command", "system32", "path1", "path2", "elsewhere"}) {
      CreateDirectoryA(dir.Path(folder).c_str(), nullptr);
    }
    places = {
        .exists = PlainExists,
        .exe_file_name = [this](const std::string& name) { return dir.Path("host\\") + name; },
        .whole_file_name = PlainWholeFileName,
        .application_folder = [this] { return dir.Path("elsewhere\\..\\host\\"); },
        .module_folder = [this] { return dir.Path("module\\.\\"); },
        .application_data_folder = [this] { return dir.Path("appdata"); },
        .windows_folder = [this] { return dir.Path("windows"); },
        .windows_system_folder = [this] { return dir.Path("system32"); },
        .path = [this] { return dir.Path("path1") + ";" + dir.Path("path2"); },
    };
  }
  void Put(const std::string& folder) {
    testsupport::WriteFile(dir.Path(folder + "\\T.Do"), folder);
  }

  testsupport::TempDir dir;
  sdk::FileSearchPlaces places;
};

TEST_F(FileSearch, TriesThePlacesInTheirFixedOrder) {
  // A copy in every place; each copy found is removed, and the next place's is found. The host's
  // executable-relative name comes first, PATH last.
  const char* const order[] = {"host",     "host\\System",     "module", "appdata", "windows",
                               "system32", "windows\\Command", "path1",  "path2"};
  for (const char* place : order) Put(place);
  for (const char* place : order) {
    std::string name = "T.Do";
    ASSERT_TRUE(sdk::FindFileOnSearchPath(name, places)) << place;
    EXPECT_EQ(name, dir.Path(place) + "\\T.Do");
    DeleteFileA(name.c_str());
  }
}

TEST_F(FileSearch, AnExistingNameIsKeptAsGivenAndNothingFoundLeavesTheName) {
  Put("elsewhere");
  std::string name = "T.Do";
  EXPECT_FALSE(sdk::FindFileOnSearchPath(name, places));
  EXPECT_EQ(name, "T.Do");
  Put("host\\System");
  name = dir.Path("elsewhere\\T.Do");
  ASSERT_TRUE(sdk::FindFileOnSearchPath(name, places));
  EXPECT_EQ(name, dir.Path("elsewhere\\T.Do"));
}

TEST_F(FileSearch, WithoutTheHostsFileTestOnlyPathCanFind) {
  places.exists = [](const std::string&) { return false; };  // the host lacks the export
  Put("host\\System");
  std::string name = "T.Do";
  EXPECT_FALSE(sdk::FindFileOnSearchPath(name, places));
  Put("path2");
  EXPECT_TRUE(sdk::FindFileOnSearchPath(name, places));
  EXPECT_EQ(name, dir.Path("path2\\T.Do"));
}

TEST_F(FileSearch, CandidatesTooLongForTheHostAreSkippedNotCut) {
  // A cut candidate could name another, existing file: here the first 255 characters of the
  // long System-folder candidate are exactly a file that exists.
  const std::string host = dir.Path("host\\");
  const std::string system = host + "System\\";
  const size_t room = 255 - system.size();
  const std::string short_name(room, 'a');
  testsupport::WriteFile(system + short_name, "wrong file");
  const std::string long_name = short_name + ".Do";
  places.exe_file_name = [](const std::string&) { return std::string(); };
  std::vector<std::string> tested;
  places.exists = [&](const std::string& path) {
    tested.push_back(path);
    return PlainExists(path);
  };
  std::string name = long_name;
  EXPECT_FALSE(sdk::FindFileOnSearchPath(name, places));
  EXPECT_EQ(name, long_name);
  for (const std::string& path : tested) EXPECT_LE(path.size(), 255u) << path;
}

TEST(FindFile, UsesTheHostsPlacesWithTheSystemSearchLast) {
  // No host exports in this test program: only PATH can find, and finds the full path.
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("search-probe.txt"), "x");
  char old_path[32768];
  const DWORD length = GetEnvironmentVariableA("PATH", old_path, sizeof old_path);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, sizeof old_path);
  // Long enough that a 255-character buffer would have lost the folder at its end.
  const std::string path_value =
      std::string(old_path) + ";" + std::string(300, 'x') + ";" + dir.path();
  SetEnvironmentVariableA("PATH", path_value.c_str());
  std::string name = "search-probe.txt";
  const bool found = sdk::FindFile(name);
  SetEnvironmentVariableA("PATH", old_path);
  ASSERT_TRUE(found);
  EXPECT_EQ(name, dir.Path("search-probe.txt"));
}

}  // namespace
