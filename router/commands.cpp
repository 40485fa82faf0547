// The module's two commands.
#include "router/commands.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "rtl/common_utils.h"
#include "framework/win/text.h"
#include "router/design_file_saver.h"
#include "router/design_rule_queries.h"
#include "router/do_file.h"
#include "router/ovix_rules.h"
#include "router/padstack.h"
#include "router/router_board.h"
#include "router/writer_rule_queries.h"
#include "rtl/client_api.h"
#include "rtl/exceptions.h"
#include "rtl/pcb_api.h"
#include "rtl/rt_param.h"
#include "router/document_settings.h"
#include "router/route_import.h"
#include "router/via_styles.h"

namespace router {

namespace {

constexpr int kCommonDialogBufferSize = 4096;

// The "FileName" parameter, or an empty text when it is absent. A longer name than the host's
// short texts hold would be cut into a different file's name: refuse it.
bool ReadFileNameParameter(const char* parameters, std::string& file_name) {
  const bool present = rtl::GetParameterValue(parameters, "FileName", file_name, std::string::npos);
  if (file_name.size() > rtl::kShortTextLength) {
    throw rtl::Exception("The file name is longer than " + std::to_string(rtl::kShortTextLength) +
                         " characters: " + file_name.substr(0, 64) + "...");
  }
  return present;
}

// The via-style list of one command: built at its start, freed at its end whatever happens.
class ViaStyleListScope {
 public:
  explicit ViaStyleListScope(rtl::Handle board) { BuildViaStyleList(board); }
  ~ViaStyleListScope() { FreeViaStyleList(); }
  ViaStyleListScope(const ViaStyleListScope&) = delete;
  ViaStyleListScope& operator=(const ViaStyleListScope&) = delete;
};

// What one export lives with besides its files. The layer directions are stored at its end in
// every case, also when the export is cancelled or fails.
class ExportState {
 public:
  explicit ExportState(rtl::Handle board)
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
  }

  // The board's design rules, collected once; they stay while the dialog and the writers run.
  TOvixRules& rules() { return *rules_; }

 private:
  static std::unique_ptr<TOvixRules> CollectRules(rtl::Handle board) {
    auto rules = std::make_unique<TOvixRules>(board);
    rules->Collect();
    return rules;
  }

  // Made in this order and freed in the reverse: settings, rules, via styles.
  ViaStyleListScope via_styles_;
  std::unique_ptr<TOvixRules> rules_;
  std::unique_ptr<TQixDocumentSetings> settings_;
  bool finished_ = false;
};

}  // namespace

void ExportDesignFile(IServerView* /*context*/, const char* parameters) {
  std::string file_name;
  ReadFileNameParameter(parameters, file_name);
  // Without a name the files would land in whatever folder is current.
  if (file_name.empty()) {
    throw rtl::Exception("No design file name was given (parameter \"FileName\")");
  }
  ExportState state(rtl::PcbApi_GetCurrentBoardHandle());
  // Until the set-up dialog exists the export runs as if it had been confirmed unchanged.
  TBoard setup(rtl::PcbApi_GetCurrentBoardHandle());
  setup.Sync(pcbapi::kRead);
  const TTestPointSettingsScope test_points(setup.settings, setup.Imperial());
  WriteDoFile(file_name);
  const TOvixRuleQueries rules(state.rules());
  // False means duplicated pins, or a write failure the user was told about: the export has
  // done what it could either way.
  SaveDesignFile(file_name, rules);
  state.Finish();
}

void ImportRouteFile(IServerView* /*context*/, const char* parameters) {
  std::string path;
  if (!ReadFileNameParameter(parameters, path) && !RunImportDialog(path)) return;
  if (!rtl::FileExists(path)) return;
  const ViaStyleListScope via_styles(rtl::PcbApi_GetCurrentBoardHandle());
  LoadRouteFile(path);
  const std::string status_file = rtl::ClientAPI_ForceFileNameExtension(path, "STS");
  if (rtl::FileExists(status_file)) rtl::OpenFileAsDocument(status_file, "TEXT");
}

bool RunImportDialog(std::string& path) {
  const std::string parameters =
      "Dialog=FileOpenSave|Mode=0|Prompt=Import Specctra Route File|DocumentType=All|"
      "FileType1=Route File (*.rte)|Path=" +
      path.substr(0, rtl::kShortTextLength);
  return RunCommonDialog(path, parameters);
}

bool RunCommonDialog(std::string& path, const std::string& parameters) {
  std::vector<char> buffer(kCommonDialogBufferSize, '\0');
  parameters.copy(buffer.data(), buffer.size() - 1);
  rtl::RunHostProcess("Client:RunCommonDialog", buffer.data(), kCommonDialogBufferSize, nullptr);
  buffer.back() = '\0';  // the host's answer is not trusted to end inside the buffer
  std::string result;
  if (!rtl::GetParameterValue(buffer.data(), "Result", result) || result != "True") return false;
  rtl::GetParameterValue(buffer.data(), "Path", path);
  return true;
}

}  // namespace router
