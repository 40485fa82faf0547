// The example board and its variants exported through the stand-in host in process, each from a
// folder of its own, and the router settings an export reads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace hosttest {

// The module in the stand-in host, with the board file `board` open ("": none) and its dialogs
// answered by `answers`.
plavena::HostOptions ModuleOptions(const std::string& board = "",
                                   std::vector<plavena::AnswerRule> answers = {});
// The text of a board under examples/.
std::string ExampleBoardText(const std::string& example = "example-board.json");
// `text` with its first `from` replaced by `to`; a `from` that is not there fails the test.
std::string Replaced(std::string text, const std::string& from, const std::string& to);
int Occurrences(const std::string& text, const std::string& what);
// The lines of a design file from the one that is exactly `opener` to its closing ")" at the same
// indentation; "" when there is none.
std::string Section(const std::string& file, const std::string& opener);

// A board file written into a folder of its own and a host session that has it open.
class BoardSession {
 public:
  explicit BoardSession(const std::string& board_text,
                        std::vector<plavena::AnswerRule> answers = {},
                        const std::string& board_name = "board.json");
  // "ExportDesignFile" to `name` in the board's folder.
  plavena::CommandResult Export(const std::string& name = "board.dsn");
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  std::string Read(const std::string& name = "board.dsn") const;
  plavena::HostSession& session() { return *session_; }
  plavena::Journal& journal() { return session_->journal(); }

 private:
  testsupport::TempDir dir_;
  std::unique_ptr<plavena::HostSession> session_;
};

// The design file of a board text whose export must succeed.
std::string ExportedDesignFile(const std::string& board_text);

// The router settings file of the Windows folder holding `lines` (after the section line) while
// the object lives; the file as it was before comes back afterwards.
class RouterSettingsFile {
 public:
  explicit RouterSettingsFile(const std::string& lines);
  ~RouterSettingsFile();
  RouterSettingsFile(const RouterSettingsFile&) = delete;
  RouterSettingsFile& operator=(const RouterSettingsFile&) = delete;
  static std::string Path();

 private:
  std::string saved_;
  bool existed_ = false;
};

}  // namespace hosttest
