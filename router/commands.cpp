// The module's two commands.
#include "router/commands.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "sdk/common_utils.h"
#include "framework/win/text.h"
#include "router/design_file_saver.h"
#include "router/design_rule_queries.h"
#include "router/do_file.h"
#include "router/ovix_rules.h"
#include "router/padstack.h"
#include "router/router_board.h"
#include "router/writer_rule_queries.h"
#include "sdk/client_api.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_api.h"
#include "sdk/rt_param.h"
#include "router/document_settings.h"
#include "router/route_import.h"
#include "router/setup_dialog.h"
#include "router/via_styles.h"

namespace router {

namespace {

constexpr int kCommonDialogBufferSize = 4096;

// The "FileName" parameter, or an empty text when it is absent. A longer name than the host's
// short texts hold would be cut into a different file's name: refuse it.
bool ReadFileNameParameter(const char* parameters, std::string& file_name) {
  const bool present = sdk::GetParameterValue(parameters, "FileName", file_name, std::string::npos);
  if (file_name.size() > sdk::kShortTextLength) {
    throw sdk::Exception("The file name is longer than " + std::to_string(sdk::kShortTextLength) +
                         " characters: " + file_name.substr(0, 64) + "...");
  }
  return present;
}

// Refuses a name that would lead to another file than the user meant: none at all, a folder
// (the files would land inside it as ".dsn" and ".do"), or characters no file name may hold.
// The host hands texts over in the ANSI code page, which shows a character it cannot represent
// (Greek or Chinese, say) as "?": such a name must not become some other file.
void CheckFileName(const std::string& file_name, const std::string& what) {
  if (file_name.empty()) {
    throw sdk::Exception("No " + what + " name was given (parameter \"FileName\")");
  }
  for (const char c : file_name) {
    if (c == '?') {
      throw sdk::Exception("Cannot use the file name " + file_name +
                           ": it holds characters that the ANSI code page cannot represent "
                           "(shown as \"?\"); choose a name without them");
    }
    if (static_cast<unsigned char>(c) < 32 ||
        std::string_view("*\"<>|").find(c) != std::string_view::npos) {
      throw sdk::Exception("Cannot use the file name " + file_name + ": no file name may hold \"" +
                           std::string(1, c) + "\"");
    }
  }
  const DWORD attributes = GetFileAttributesW(win::Widen(file_name).c_str());
  const bool folder =
      file_name.back() == '\\' || file_name.back() == '/' ||
      (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  if (folder) throw sdk::Exception(file_name + " is a folder, not a " + what);
}

// No file, folder, device or pipe stands at the path. A device or a pipe has no attributes to
// the system's eyes, yet opens: the reader says what it is.
bool NothingAt(const std::string& path) {
  if (GetFileAttributesW(win::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_DRIVE || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

// The via-style list of one command: built at its start, freed at its end whatever happens.
class ViaStyleListScope {
 public:
  explicit ViaStyleListScope(sdk::Handle board) { BuildViaStyleList(board); }
  ~ViaStyleListScope() { FreeViaStyleList(); }
  ViaStyleListScope(const ViaStyleListScope&) = delete;
  ViaStyleListScope& operator=(const ViaStyleListScope&) = delete;
};

// What one export lives with besides its files. The layer directions are stored at its end in
// every case, also when the export is cancelled or fails. A board whose settings file cannot be
// written is still exported; the user is told at the end.
class ExportState {
 public:
  explicit ExportState(sdk::Handle board)
      : via_styles_(board),
        rules_(CollectRules(board)),
        settings_(std::make_unique<TQixDocumentSetings>(board)) {
    DocumentSettingsGlobal() = settings_.get();
  }
  ~ExportState() {
    DocumentSettingsGlobal() = nullptr;
    if (!finished_) {
      try {
        settings_->Save();
      } catch (...) {
        // The export is failing already; its own error is the one to report.
      }
    }
  }
  ExportState(const ExportState&) = delete;
  ExportState& operator=(const ExportState&) = delete;

  // The end of a successful run: a failure to store the directions is reported.
  void Finish() {
    finished_ = true;
    settings_->Save();
    settings_saves_.Warn();
  }

  // The board's design rules, collected once; they stay while the dialog and the writers run.
  TOvixRules& rules() { return *rules_; }

 private:
  static std::unique_ptr<TOvixRules> CollectRules(sdk::Handle board) {
    auto rules = std::make_unique<TOvixRules>(board);
    rules->Collect();
    return rules;
  }

  // Made in this order and freed in the reverse.
  TDocumentSaveScope settings_saves_;
  ViaStyleListScope via_styles_;
  std::unique_ptr<TOvixRules> rules_;
  std::unique_ptr<TQixDocumentSetings> settings_;
  bool finished_ = false;
};

}  // namespace

void ExportDesignFile(IServerView* /*context*/, const char* parameters) {
  std::string file_name;
  ReadFileNameParameter(parameters, file_name);
  CheckFileName(file_name, "design file");
  ExportState state(CurrentBoard());
  // No test points until the dialog's OK asks for them, and none left after the export.
  const TTestPointSettingsScope test_points(TRouterSettings{}, true);
  // Cancel writes nothing and is no failure; the layer directions are stored all the same.
  if (!RunSetupDialog(CurrentBoard(), state.rules())) {
    state.Finish();
    return;
  }
  // The do-file changes only with the design file: a design file that cannot be written leaves
  // both as they were.
  std::optional<sdk::StagedFileText> do_file = StageDoFile(file_name, HostDoFileServices());
  if (do_file) do_file->CheckTarget();
  const TOvixRuleQueries rules(state.rules());
  // False means duplicated pins, which the user sees listed; a file that cannot be written
  // raises and fails the command.
  SaveDesignFile(file_name, rules, nullptr, [&do_file] {
    if (do_file) do_file->Commit();
  });
  state.Finish();
}

void ImportRouteFile(IServerView* /*context*/, const char* parameters) {
  std::string path;
  // A cancelled dialog is the user's choice, not a failure.
  if (!ReadFileNameParameter(parameters, path) && !RunImportDialog(path)) return;
  CheckFileName(path, "route file");
  if (NothingAt(path)) throw sdk::Exception("The route file " + path + " does not exist");
  const ViaStyleListScope via_styles(CurrentBoard());
  LoadRouteFile(path);
  const std::string status_file = sdk::ClientAPI_ForceFileNameExtension(path, "STS");
  if (sdk::FileExists(status_file)) sdk::OpenFileAsDocument(status_file, "TEXT");
}

bool RunImportDialog(std::string& path) {
  const std::string parameters =
      "Dialog=FileOpenSave|Mode=0|Prompt=Import Specctra Route File|DocumentType=All|"
      "FileType1=Route File (*.rte)|Path=" +
      path.substr(0, sdk::kShortTextLength);
  return RunCommonDialog(path, parameters);
}

bool RunCommonDialog(std::string& path, const std::string& parameters) {
  std::vector<char> buffer(kCommonDialogBufferSize, '\0');
  parameters.copy(buffer.data(), buffer.size() - 1);
  sdk::RunHostProcess("Client:RunCommonDialog", buffer.data(), kCommonDialogBufferSize, nullptr);
  buffer.back() = '\0';  // the host's answer is not trusted to end inside the buffer
  std::string result;
  if (!sdk::GetParameterValue(buffer.data(), "Result", result) || result != "True") return false;
  sdk::GetParameterValue(buffer.data(), "Path", path);
  return true;
}

}  // namespace router
