// The design file on disk, written by a thread of its own: what the exporting thread sends is in
// the file, in order, once it is closed, and a write that fails reaches the exporting thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "router/design_file_output.h"
#include "sdk/file_ownership.h"
#include "support/small_disk.h"
#include "support/test_paths.h"

namespace {

using router::DesignFileStream;
using router::EDesignFileError;

// Many more pieces than the writer queues, of a few bytes to 90 KB, sent as fast as they are
// made and closed at once: every byte is in the file, in the order sent.
TEST(DesignFileStream, HasEveryPieceSentInTheFileOnceClosed) {
  testsupport::TempDir dir;
  const std::string path = dir.Path("stream.tmp");
  std::string sent;
  {
    DesignFileStream file(path, dir.Path("board.dsn"));
    std::string piece;
    for (int i = 0; i < 60; ++i) {
      // One buffer for every piece, as the output sends them: each is copied as it is sent.
      piece.assign(static_cast<size_t>(i * 7919 % 90000), static_cast<char>('a' + i % 26));
      piece += std::to_string(i);
      sent += piece;
      file.Send(piece);
    }
    file.Close();
  }
  const std::string written = testsupport::ReadFile(path);
  EXPECT_EQ(written.size(), sent.size());
  EXPECT_TRUE(written == sent) << "the pieces are in the file out of order or changed";
  // A temporary file that holds an older text has only the new one.
  {
    DesignFileStream file(path, dir.Path("board.dsn"));
    file.Send("(pcb)");
    file.Close();
  }
  EXPECT_EQ(testsupport::ReadFile(path), "(pcb)");
}

// On a full disk: the write fails on the writer's thread, and the exporting thread gets the
// failure with the system's reason, from the sends after it or else from the close.
TEST(DesignFileStream, AWriteThatFailsFailsTheSendsAfterItOrTheClose) {
  const std::string disk = testsupport::SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small file system could be mounted for this run";
  const std::string path = disk + "\\stream.tmp", target = "C:\\boards\\board.dsn";
  const std::string message = sdk::FileWriteFailure(
      "the design file", target, sdk::TemporaryFileFailure(path, ERROR_DISK_FULL));
  const std::string text(64 * 1024, 'x');
  {
    const testsupport::DiskFiller filler(disk, 0);
    DesignFileStream file(path, target);
    int sent = 0;
    try {
      for (; sent < 100; ++sent) file.Send(text);
      ADD_FAILURE() << "every send went through";
    } catch (const EDesignFileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_GT(sent, 0);
  }
  {
    // Room for part of the piece: a write cut short is a failure too.
    const testsupport::DiskFiller filler(disk, 8192);
    DesignFileStream file(path, target);
    file.Send(text);
    try {
      file.Close();
      ADD_FAILURE() << "the close reported a piece not written as written";
    } catch (const EDesignFileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
  DeleteFileA(path.c_str());
}

}  // namespace
