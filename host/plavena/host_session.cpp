// One run of the stand-in host.
#include "host/plavena/host_session.h"

#include <algorithm>
#include <stdexcept>

#include "framework/win/com.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "host/plavena/exports.h"
#include "sdk/pcb_api_contract.h"

namespace plavena {

namespace {

constexpr wchar_t kWindowClass[] = L"PlavenaApplication";

// How the host drives its PCB editor module "Quorvel.dll" (besides the PcbApi_* family that
// modules use): open and save a board file, and journal what the editor does.
using JournalAppend = void(__stdcall*)(const char* line);
using QuorvelOpenBoard = int(__stdcall*)(const char* path, char* error, int size);
using QuorvelSaveBoard = int(__stdcall*)(const char* path, char* error, int size);
using QuorvelSetJournal = void(__stdcall*)(JournalAppend append);

Journal* editor_journal = nullptr;

void __stdcall AppendEditorLine(const char* line) {
  if (!editor_journal || !line) return;
  editor_journal->Append("pcb ", line);
}

HWND CreateApplicationWindow() {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kWindowClass;
  RegisterClassW(&window_class);  // a second session finds it registered already
  return CreateWindowExW(0, kWindowClass, L"Plavena", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

constexpr char kSetupDialogCaption[] = "Setup Specctra Router";

std::string HostFolder() {
  const std::string path = win::Narrow(win::ModuleFileName(GetModuleHandleW(nullptr)));
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string HexStatus(HRESULT status) {
  char text[16];
  wsprintfA(text, "0x%08lX", static_cast<unsigned long>(status));
  return text;
}

}  // namespace

HostSession::HostSession(const HostOptions& options,
                         const std::function<void()>& before_first_window) {
  // The editor and its board need no window: a large board loads while the desktop starts.
  win::ComPtr<IServerModule> pcb_server = LoadPcbEditor(options.board_path);
  if (before_first_window) before_first_window();
  window_.reset(CreateApplicationWindow());
  if (!window_) throw std::runtime_error("cannot create the host's application window");
  client_ = new HostClient(journal_, window_.get());
  client_->SetCommonDialogAnswer(options.common_dialog_answer);
  SetExportedClient(client_, &journal_);
  if (!options.interactive) {
    // The user confirms the router's set-up as it stands, unless a rule answers it otherwise.
    std::vector<AnswerRule> answers = options.answers;
    const bool named = std::any_of(answers.begin(), answers.end(), [](const AnswerRule& rule) {
      return rule.caption == kSetupDialogCaption || rule.caption == "*";
    });
    if (!named) answers.push_back({kSetupDialogCaption, "OK"});
    answerer_ = std::make_unique<DialogAnswerer>(journal_, std::move(answers), options.settings);
    answerer_->WatchOwner(window_.get());
  }
  // The editor's server module "PCB" answers for its boards and rules.
  if (pcb_server) client_->SetPcbServerModule(pcb_server.get());
  if (!options.board_path.empty()) client_->OpenDocument(win::Widen(options.board_path), L"PCB");

  // The module binds the host's exports and asks for the client while it loads.
  module_library_.reset(LoadLibraryW(win::Widen(options.module_path).c_str()));
  if (!module_library_) {
    throw std::runtime_error("cannot load the module " + options.module_path + " (error " +
                             std::to_string(GetLastError()) + ")");
  }
  const auto factory = win::ProcAddress<ServerFactoryProc>(module_library_.get(), "ServerFactory");
  if (!factory) throw std::runtime_error(options.module_path + " exports no ServerFactory");
  const HRESULT status = factory(client_, &module_);
  if (FAILED(status) || !module_) {
    throw std::runtime_error("ServerFactory failed with " + HexStatus(status));
  }
  win::Bstr name;
  module_->GetModuleName(name.put());
  client_->SetServerModule(name.str(), module_);
  journal_.Append("module loaded " + win::Narrow(name.str()));
}

HostSession::~HostSession() {
  // The module's forms are freed as the session goes, not by messages nobody will pump.
  if (client_) client_->BeginClosing();
  if (module_) module_->Release();
  if (client_) client_->SetServerModule(L"", nullptr);
  module_library_.reset();
  if (client_) client_->SetPcbServerModule(nullptr);  // the editor's code goes with it
  pcb_editor_.reset();
  editor_journal = nullptr;
  answerer_.reset();
  SetExportedClient(nullptr, nullptr);
  if (client_) client_->Release();
}

win::ComPtr<IServerModule> HostSession::LoadPcbEditor(const std::string& board_path) {
  win::ComPtr<IServerModule> pcb_server;
  const std::string editor = HostFolder() + "Quorvel.dll";
  if (GetFileAttributesA(editor.c_str()) != INVALID_FILE_ATTRIBUTES) {
    pcb_editor_.reset(LoadLibraryA(editor.c_str()));
  }
  if (pcb_editor_) {
    editor_journal = &journal_;
    if (auto set_journal =
            win::ProcAddress<QuorvelSetJournal>(pcb_editor_.get(), "Quorvel_SetJournal")) {
      set_journal(AppendEditorLine);
    }
    if (auto get_server = win::ProcAddress<quorvel_host::GetServerModule>(
            pcb_editor_.get(), quorvel_host::kGetServerModuleName)) {
      void* server = nullptr;
      if (SUCCEEDED(get_server(&server))) {
        pcb_server = win::ComPtr<IServerModule>::Adopt(static_cast<IServerModule*>(server));
      }
    }
  }
  if (board_path.empty()) return pcb_server;
  const auto open = pcb_editor_
                        ? win::ProcAddress<QuorvelOpenBoard>(pcb_editor_.get(), "Quorvel_OpenBoard")
                        : nullptr;
  if (!open) throw std::runtime_error("no PCB editor (Quorvel.dll) to open " + board_path);
  char error[1024] = {};
  if (open(board_path.c_str(), error, sizeof error) != 0) throw std::runtime_error(error);
  return pcb_server;
}

bool HostSession::SaveBoard(const std::string& path, std::string& error) {
  const auto save = pcb_editor_
                        ? win::ProcAddress<QuorvelSaveBoard>(pcb_editor_.get(), "Quorvel_SaveBoard")
                        : nullptr;
  if (!save) {
    error = "no PCB editor (Quorvel.dll) to save " + path;
    return false;
  }
  char message[1024] = {};
  if (save(path.c_str(), message, sizeof message) == 0) return true;
  error = message;
  return false;
}

void HostSession::FailOnAnswerProblems(CommandResult& result) {
  if (!answerer_) return;
  std::string problems;
  for (const std::string& problem : answerer_->TakeProblems())
    problems += (problems.empty() ? "" : "; ") + problem;
  if (problems.empty()) return;
  // A command whose dialogs were not answered as asked is no success (an export whose OK was
  // refused wrote nothing); a failed one keeps its own error, and the problems are journaled
  // beside it.
  if (FAILED(result.status)) {
    journal_.Append(problems);
    return;
  }
  result.status = E_FAIL;
  result.error_source = "Plavena";
  result.error_description = problems;
}

CommandResult HostSession::Run(const std::string& command, const std::string& parameters) {
  CommandResult result;
  win::ComPtr<ICommandLauncher> launcher;
  result.status = module_->GetCommandLauncher(launcher.put());
  if (SUCCEEDED(result.status) && !launcher) result.status = E_NOINTERFACE;
  if (SUCCEEDED(result.status)) {
    win::ComPtr<IServerView> view;
    client_->GetCurrentView(view.put());
    SetErrorInfo(0, nullptr);
    const win::Bstr name(win::Widen(command));
    result.status = launcher->LaunchCommand(name.get(), parameters.c_str(), 0, view.get());
  }
  FailOnAnswerProblems(result);
  if (FAILED(result.status)) {
    win::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
      win::Bstr source, description;
      info->GetSource(source.put());
      info->GetDescription(description.put());
      result.error_source = win::Narrow(source.str());
      result.error_description = win::Narrow(description.str());
    }
    journal_.Append("command " + command + " failed " + HexStatus(result.status) + " " +
                    result.error_source + ": " + result.error_description);
  } else {
    journal_.Append("command " + command + " done");
  }
  client_->RunPostedProcesses();
  module_->ApplicationIdle();
  return result;
}

}  // namespace plavena
