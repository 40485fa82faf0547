// What an export leaves in the board's per-document file, through the stand-in host.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "board_export.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace {

using hosttest::BoardSession;
using hosttest::ExampleBoardText;

TEST(ExportDesignFile, StoresTheLayerDirectionsBesideTheBoard) {
  BoardSession board(ExampleBoardText());
  ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text();
  const std::string preferences = board.Read("board.qixpref");
  EXPECT_NE(preferences.find("[LayerDirections]"), std::string::npos) << preferences;
  EXPECT_NE(preferences.find("TopLayer=horizontal"), std::string::npos);
  EXPECT_NE(preferences.find("MidLayer1=vertical"), std::string::npos);
  EXPECT_NE(preferences.find("BottomLayer=vertical"), std::string::npos);
  EXPECT_TRUE(testsupport::FileExists(board.Path("board.do")));
  EXPECT_NE(preferences.find("[HoleList]"), std::string::npos) << preferences;

  // Exported again as it is, the board's settings file is left alone: neither the directions nor
  // the hole list may move the other out of its place and have the file written anew.
  const std::wstring path = win::Widen(board.Path("board.qixpref"));
  const FILETIME long_ago{0x00000000u, 0x01BF53EBu};  // 2000-01-01
  {
    win::UniqueHandle file(
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file) << GetLastError();
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &long_ago));
  }
  ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text();
  EXPECT_EQ(board.Read("board.qixpref"), preferences);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &long_ago), 0)
      << "an unchanged settings file was written again";
}

// The per-document file as a user's editor may save it: behind a byte-order mark.
TEST(ExportDesignFile, ReadsAndWritesAMarkedSettingsFileInItsOwnEncoding) {
  const std::string text =
      "[LayerDirections]\r\nTopLayer=vertical\r\nMidLayer1=horizontal\r\n"
      "[Notes]\r\nOwner=J\xC3\xBCrgen\r\n";
  struct Case {
    const char* encoding;
    std::string mark;
    bool utf16;
    bool big_endian;
  };
  const Case cases[] = {
      {"UTF-8", "\xEF\xBB\xBF", false, false},
      {"UTF-16 little-endian", "\xFF\xFE", true, false},
      {"UTF-16 big-endian", "\xFE\xFF", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    // UTF-8 to the case's bytes and back.
    auto encode = [&](const std::string& utf8) {
      if (!c.utf16) return c.mark + utf8;
      std::wstring wide(utf8.size(), L'\0');
      wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      wide.data(), static_cast<int>(wide.size())));
      std::string bytes = c.mark;
      for (const wchar_t w : wide) {
        const char low = static_cast<char>(w & 0xFF), high = static_cast<char>(w >> 8);
        bytes += c.big_endian ? std::string{high, low} : std::string{low, high};
      }
      return bytes;
    };
    auto decode = [&](const std::string& bytes) {
      EXPECT_EQ(bytes.substr(0, c.mark.size()), c.mark) << "the mark stays";
      if (!c.utf16) return bytes.substr(c.mark.size());
      std::wstring wide;
      for (size_t i = c.mark.size(); i + 1 < bytes.size(); i += 2) {
        const unsigned char first = bytes[i], second = bytes[i + 1];
        wide += static_cast<wchar_t>(c.big_endian ? first << 8 | second : second << 8 | first);
      }
      std::string utf8(wide.size() * 3, '\0');
      utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                      nullptr));
      return utf8;
    };
    BoardSession board(ExampleBoardText());
    testsupport::WriteFile(board.Path("board.qixpref"), encode(text));
    ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text();
    const std::string design = board.Read();
    EXPECT_NE(design.find("(layer TopLayer \r\n            (type signal) (direction vertical)"),
              std::string::npos)
        << "the user's direction, read from the file's first section";
    const std::string stored = decode(board.Read("board.qixpref"));
    EXPECT_EQ(stored.find("[LayerDirections]"), stored.rfind("[LayerDirections]")) << stored;
    EXPECT_NE(stored.find("[LayerDirections]\r\nTopLayer=vertical\r\nMidLayer1=horizontal\r\n"),
              std::string::npos)
        << stored;
    EXPECT_NE(stored.find("[Notes]\r\nOwner=J\xC3\xBCrgen\r\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("[HoleList]\r\n"), std::string::npos) << stored;
  }
}

// Exports of `board` started at once, each in a Plavena process of its own, the k-th to
// `design_file(k)`; what each printed, with its exit code.
template <class DesignFile>
std::vector<testsupport::ChildResult> ExportAtOnce(const std::string& board, int exports,
                                                  DesignFile&& design_file) {
  std::vector<testsupport::ChildResult> results(static_cast<size_t>(exports));
  std::vector<std::thread> threads;
  for (int k = 0; k < exports; ++k) {
    threads.emplace_back([&, k] {
      results[static_cast<size_t>(k)] = testsupport::RunChild(
          "\"" + testsupport::BinaryPath("Plavena.exe") + "\" --module \"" +
              testsupport::BinaryPath("Tralvek.dll") + "\" --board \"" + board +
              "\" --answer *=OK --run ExportDesignFile \"FileName=" + design_file(k) + "\"",
          60000);
    });
  }
  for (std::thread& thread : threads) thread.join();
  return results;
}

// Exports of one board started at once, as a user with two windows may start them: each reads
// the board's settings file while another replaces it, and every one must save it, without a
// warning.
TEST(ExportDesignFile, ExportsOfOneBoardAtOnceAllSaveItsSettingsFile) {
  testsupport::TempDir dir;
  const std::string board = testsupport::CopyExampleBoard(dir, "example-board.json");
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    DeleteFileA(dir.Path("example-board.qixpref").c_str());
    for (const testsupport::ChildResult& result : ExportAtOnce(board, 4, [&](int k) {
           return dir.Path("out" + std::to_string(k) + ".dsn");
         })) {
      EXPECT_EQ(result.exit_code, 0u) << result.output;
      EXPECT_EQ(result.output.find("Warning"), std::string::npos) << result.output;
    }
    EXPECT_NE(testsupport::ReadFile(dir.Path("example-board.qixpref")).find("[HoleList]"),
              std::string::npos);
  }
}

// Many exports to one design file at once (a script's, or a user's several windows): each puts its
// files in place in its turn, and every one succeeds; no old file is left moved aside.
TEST(ExportDesignFile, ExportsToOneDesignFileAtOnceTakeTurns) {
  testsupport::TempDir dir;
  const std::string board = testsupport::CopyExampleBoard(dir, "example-board.json");
  const std::string design = dir.Path("out.dsn");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const testsupport::ChildResult& result :
         ExportAtOnce(board, 16, [&](int) { return design; })) {
      EXPECT_EQ(result.exit_code, 0u) << result.output;
    }
    EXPECT_EQ(testsupport::ReadFile(design).rfind("(pcb ", 0), 0u);
    EXPECT_TRUE(testsupport::FileExists(dir.Path("out.do")));
    EXPECT_FALSE(testsupport::FileExists(design + "~"));
  }
}

}  // namespace
