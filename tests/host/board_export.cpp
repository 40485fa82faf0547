#include "board_export.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "router/dsn_checker.h"

namespace hosttest {

plavena::HostOptions ModuleOptions(const std::string& board,
                                   std::vector<plavena::AnswerRule> answers) {
  plavena::HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = board;
  options.answers = std::move(answers);
  return options;
}

std::string ExampleBoardText(const std::string& example) {
  return testsupport::ReadFile(testsupport::TestDataPath("../examples/" + example));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string Section(const std::string& file, const std::string& opener) {
  const size_t start = file.find("\r\n" + opener + "\r\n");
  if (start == std::string::npos) return {};
  const std::string indent = opener.substr(0, opener.find('('));
  const size_t end = file.find("\r\n" + indent + ")\r\n", start + 2);
  if (end == std::string::npos) return {};
  return file.substr(start + 2, end + indent.size() + 5 - start - 2);
}

BoardSession::BoardSession(const std::string& board_text, std::vector<plavena::AnswerRule> answers,
                           const std::string& board_name) {
  testsupport::WriteFile(dir_.Path(board_name), board_text);
  session_ = std::make_unique<plavena::HostSession>(
      ModuleOptions(dir_.Path(board_name), std::move(answers)));
}

plavena::CommandResult BoardSession::Export(const std::string& name) {
  return session_->Run("ExportDesignFile", "FileName=" + dir_.Path(name));
}

std::string BoardSession::Read(const std::string& name) const {
  return testsupport::ReadFile(dir_.Path(name));
}

std::string ExportedDesignFile(const std::string& board_text) {
  BoardSession board(board_text);
  EXPECT_EQ(board.Export().status, S_OK) << board.journal().Text();
  const std::string file = board.Read();
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(file)), "");
  return file;
}

std::string RouterSettingsFile::Path() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\Tralvek.Ini";
}

RouterSettingsFile::RouterSettingsFile(const std::string& lines) {
  existed_ = GetFileAttributesA(Path().c_str()) != INVALID_FILE_ATTRIBUTES;
  if (existed_) saved_ = testsupport::ReadFile(Path());
  testsupport::WriteFile(Path(), "[SpecctraSetup]\r\n" + lines);
}

RouterSettingsFile::~RouterSettingsFile() {
  if (existed_) {
    testsupport::WriteFile(Path(), saved_);
  } else {
    DeleteFileA(Path().c_str());
  }
}

}  // namespace hosttest
