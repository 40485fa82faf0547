// One run of the stand-in host: its application window, client, journal and dialog answers,
// the stand-in PCB editor with an open board, and one loaded server module whose commands it
// runs. Used by Plavena.exe and, in process, by the tests.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/win/com.h"
#include "framework/win/handles.h"
#include "host/plavena/client.h"
#include "host/plavena/dialog_answerer.h"
#include "host/plavena/journal.h"

namespace plavena {

struct HostOptions {
  std::string module_path;                          // the server module to load
  std::string board_path;                           // opened in the PCB editor when not empty
  std::optional<std::string> common_dialog_answer;  // "Result=True|Path=..."; none: cancelled
  std::vector<AnswerRule> answers;                  // how modal windows are answered
  std::vector<ControlSetting> settings;             // controls set before the answer
  bool interactive = false;                         // a person answers: nothing is answered
};

struct CommandResult {
  HRESULT status = S_OK;
  std::string error_source;  // from the thread's error information
  std::string error_description;
};

class HostSession {
 public:
  // Throws std::runtime_error when the module or the board cannot be loaded. The editor and
  // its board load first; `before_first_window` runs before the host makes any window.
  explicit HostSession(const HostOptions& options,
                       const std::function<void()>& before_first_window = {});
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Launches a command through the module's launcher with the current view as context, then
  // runs the processes the command posted and gives the module its idle time. A dialog not
  // answered as asked fails the command: a button it lacks, a setting of a control
  // (`HostOptions::settings`) that the form it is for lacks or refuses, an answer it refused.
  CommandResult Run(const std::string& command, const std::string& parameters);
  // Saves the PCB editor's board; false with a message when it cannot.
  bool SaveBoard(const std::string& path, std::string& error);

  Journal& journal() noexcept { return journal_; }
  HostClient& client() noexcept { return *client_; }
  IServerModule* module() const noexcept { return module_; }
  HWND application_window() const noexcept { return window_.get(); }
  // The time the module's dialogs waited for their answer: a user's time (DialogAnswerer).
  double dialog_wait_seconds() const noexcept { return answerer_ ? answerer_->WaitSeconds() : 0; }

 private:
  // Loads the PCB editor and opens the board in it; the editor's server module, if it has one.
  win::ComPtr<IServerModule> LoadPcbEditor(const std::string& board_path);
  void FailOnAnswerProblems(CommandResult& result);

  Journal journal_;
  win::UniqueWindow window_;
  HostClient* client_ = nullptr;  // one reference
  std::unique_ptr<DialogAnswerer> answerer_;
  win::UniqueLibrary pcb_editor_;
  win::UniqueLibrary module_library_;
  IServerModule* module_ = nullptr;  // one reference
};

}  // namespace plavena
