// Client access and host function bindings.
#include "sdk/client_api.h"

#include <array>
#include <vector>

#include "sdk/common_utils.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "sdk/exceptions.h"
#include "sdk/host_function_names.h"

namespace sdk {

namespace {

IClient* client_global = nullptr;
IServerModule* server_module_global = nullptr;

std::array<void*, kClientApiNames.size()> client_api{};
bool client_api_bound = false;
std::array<void*, kVfsApiNames.size()> vfs_api{};

// Texts that the host yields are written into a buffer of this size.
constexpr int kHostTextBufferSize = 4096;

template <class Proc, size_t Index>
Proc BoundClientProc() {
  return reinterpret_cast<Proc>(client_api[Index]);
}

// The bound address of a ClientAPI_* export, typed; null when the host lacks it.
#define CLIENT_PROC(type, name) BoundClientProc<type, IndexOfName(kClientApiNames, name)>()

// The host's text answer; `call` writes into a buffer of kHostTextBufferSize bytes.
template <class Call>
std::string HostText(Call&& call) {
  std::vector<char> buffer(kHostTextBufferSize, '\0');
  call(buffer.data(), kHostTextBufferSize);
  buffer.back() = '\0';  // the host's text is not trusted to end inside the buffer
  return std::string(buffer.data());
}

bool BooleanPreference(client_api::BooleanPreference proc, bool fallback) {
  return proc ? proc() != 0 : fallback;
}

}  // namespace

IClient* ClientGlobal() noexcept { return client_global; }
void SetClientGlobal(IClient* client) noexcept { client_global = client; }
IServerModule* ServerModuleGlobal() noexcept { return server_module_global; }
void SetServerModuleGlobal(IServerModule* module) noexcept { server_module_global = module; }

void BindClientApi() noexcept {
  if (client_api_bound) return;
  const HMODULE host = GetModuleHandleW(nullptr);
  for (size_t i = 0; i < kClientApiNames.size(); ++i) {
    client_api[i] = win::ProcAddress(host, std::string(kClientApiNames[i]).c_str());
  }
  client_api_bound = true;
}

void StartClientInterface() noexcept {
  BindClientApi();
  IClient* client = nullptr;
  ClientAPI_GetClientInterface(&client);
  SetClientGlobal(client);
  if (client) client->Release();  // the host keeps its client alive; the global holds no count
}

void StartVfsApi() noexcept {
  const HMODULE host = GetModuleHandleW(nullptr);
  if (!host) return;
  for (size_t i = 0; i < kVfsApiNames.size(); ++i) {
    vfs_api[i] = win::ProcAddress(host, std::string(kVfsApiNames[i]).c_str());
  }
}

void EndVfsApi() noexcept { vfs_api.fill(nullptr); }

win::ComPtr<IClient> GetClient() noexcept { return win::ComPtr<IClient>::Share(client_global); }

void RunHostProcess(const char* process, char* parameters, int size, IServerView* context) {
  const win::ComPtr<IClient> client = GetClient();
  if (!client) return;
  const auto launcher = client.As<IProcessLauncher>(IID_IProcessLauncher);
  if (!launcher) throw Exception("The host cannot run processes");
  CheckHost(launcher->SendProcess(process, parameters, size, context),
            std::string("the process ") + process);
}

HWND GetHostMainWindowHandle() {
  const win::ComPtr<IClient> client = GetClient();
  HWND window = nullptr;
  if (client) CheckHost(client->GetMainWindowHandle(&window), "GetMainWindowHandle");
  return window;
}

void OpenFileAsDocument(const std::string& file_name, const std::string& /*kind*/) {
  if (!FileExists(file_name)) return;
  const win::ComPtr<IClient> client = GetClient();
  if (!client) return;
  const win::Bstr path(win::Widen(file_name));

  win::ComPtr<IServerDocument> document;
  CheckHost(client->GetDocumentByPath(path.get(), document.put()), "GetDocumentByPath");
  if (document) {
    win::ComPtr<IServerModule> owner;
    CheckHost(document->GetServerModule(owner.put()), "GetServerModule");
    CheckHost(client->ShowDocument(document.get()), "ShowDocument");
    if (!owner) return;
    win::Bstr owner_name;
    CheckHost(owner->GetModuleName(owner_name.put()), "GetModuleName");
    if (CompareStringOrdinal(owner_name.get(), -1, L"TextEdit", -1, TRUE) != CSTR_EQUAL) return;
    win::ComPtr<IServerView> view;
    CheckHost(document->GetView(0, view.put()), "GetView");
    win::ComPtr<ICommandLauncher> launcher;
    CheckHost(owner->GetCommandLauncher(launcher.put()), "GetCommandLauncher");
    if (!launcher) return;
    const win::Bstr command(L"TextEdit:MoveCursorToTopOfDocument");
    CheckHost(launcher->LaunchCommand(command.get(), "", 0, view.get()), "LaunchCommand");
    return;
  }
  win::Bstr host_kind;
  CheckHost(client->GetDocumentKindFromFile(path.get(), host_kind.put()),
            "GetDocumentKindFromFile");
  CheckHost(client->OpenNewDocument(host_kind.get(), path.get(), document.put()),
            "OpenNewDocument");
  if (document) CheckHost(client->ShowDocument(document.get()), "ShowDocument");
}

win::ComPtr<IWorkspace> GetWorkspace() {
  static HMODULE workspace_module = nullptr;
  static GetWorkspaceProc get_workspace = nullptr;
  if (!workspace_module) {
    workspace_module = GetModuleHandleW(L"WorkspaceManager.DLL");  // never loaded by us
    if (workspace_module) {
      get_workspace = win::ProcAddress<GetWorkspaceProc>(workspace_module, "GetWorkspace");
    }
  }
  win::ComPtr<IWorkspace> workspace;
  if (get_workspace) CheckHost(get_workspace(workspace.put()), "GetWorkspace");
  return workspace;
}

win::ComPtr<IServerDocument> FindDocumentThroughWorkspace(const std::string& name) {
  win::ComPtr<IServerDocument> document;
  const win::ComPtr<IWorkspace> workspace = GetWorkspace();
  const win::ComPtr<IClient> client = GetClient();
  if (!workspace || !client) return document;
  win::Bstr path;
  const win::Bstr wide_name(win::Widen(name));
  CheckHost(workspace->GetFilePathForName(wide_name.get(), path.put()), "GetFilePathForName");
  if (path.str().empty()) return document;
  CheckHost(client->GetDocumentByPath(path.get(), document.put()), "GetDocumentByPath");
  return document;
}

// ---- Bound host functions ------------------------------------------------------------------

void ClientAPI_GetClientInterface(IClient** client) {
  if (auto proc = CLIENT_PROC(client_api::GetClientInterface, "ClientAPI_GetClientInterface")) {
    proc(client);
  }
}

bool ClientAPI_GetPrefUseLuna() {
  return BooleanPreference(CLIENT_PROC(client_api::BooleanPreference, "ClientAPI_GetPrefUseLuna"),
                           false);
}

bool ClientAPI_GetPrefHideFloatingPanels() {
  return BooleanPreference(
      CLIENT_PROC(client_api::BooleanPreference, "ClientAPI_GetPrefHideFloatingPanels"), false);
}

void ClientAPI_SetPrefHideFloatingPanels(bool value) {
  if (auto proc =
          CLIENT_PROC(client_api::SetBooleanPreference, "ClientAPI_SetPrefHideFloatingPanels")) {
    proc(value);
  }
}

bool ClientAPI_GetUseExternalWebBrowser() {
  return BooleanPreference(
      CLIENT_PROC(client_api::BooleanPreference, "ClientAPI_GetUseExternalWebBrowser"), true);
}

bool ClientAPI_GetIntegratedHelpSystem() {
  return BooleanPreference(
      CLIENT_PROC(client_api::BooleanPreference, "ClientAPI_GetIntegratedHelpSystem"), false);
}

bool ClientAPI_GetUseSystemLocaleLanguage() {
  return BooleanPreference(
      CLIENT_PROC(client_api::BooleanPreference, "ClientAPI_GetUseSystemLocaleLanguage"), false);
}

bool ClientAPI_GetUseLocalizedDialogs() {
  return BooleanPreference(
      CLIENT_PROC(client_api::BooleanPreference, "ClientAPI_GetUseLocalizedDialogs"), false);
}

bool ClientAPI_ExistSpecific(const std::string& file_name) {
  auto proc = CLIENT_PROC(client_api::FileTest, "ClientAPI_ExistSpecific");
  return proc && proc(file_name.c_str()) != 0;
}

std::string ClientAPI_ExtractWholeFileNameFromPath(const std::string& path) {
  auto proc = CLIENT_PROC(client_api::PathToText, "ClientAPI_ExtractWholeFileNameFromPath");
  if (!proc) return {};
  return HostText([&](char* buffer, int size) { proc(path.c_str(), buffer, size); });
}

std::string ClientAPI_ForceFileNameExtension(const std::string& file_name,
                                             const std::string& extension) {
  auto proc = CLIENT_PROC(client_api::ForceExtension, "ClientAPI_ForceFileNameExtension");
  if (!proc) return {};
  return HostText(
      [&](char* buffer, int size) { proc(file_name.c_str(), extension.c_str(), buffer, size); });
}

std::string ClientAPI_ConvertFileNameToExeFileName(const std::string& file_name) {
  auto proc = CLIENT_PROC(client_api::PathToText, "ClientAPI_ConvertFileNameToExeFileName");
  if (!proc) return {};
  return HostText([&](char* buffer, int size) { proc(file_name.c_str(), buffer, size); });
}

win::ComPtr<IUnknown> ClientAPI_GetTranslationManager() {
  win::ComPtr<IUnknown> manager;
  if (auto proc =
          CLIENT_PROC(client_api::GetTranslationManager, "ClientAPI_GetTranslationManager")) {
    proc(manager.put());
  }
  return manager;
}

int ClientAPI_UpdateFont(int value) {
  auto proc = CLIENT_PROC(client_api::UpdateFont, "ClientAPI_UpdateFont");
  return proc ? proc(value) : 0;
}

void ClientAPI_SetErrorInfo(int code, const std::string& source, const std::string& description) {
  if (auto proc = CLIENT_PROC(client_api::SetErrorInfo, "ClientAPI_SetErrorInfo")) {
    proc(code, source.c_str(), description.c_str());
  }
}

void ClientAPI_ClearErrorInfo() {
  if (auto proc = CLIENT_PROC(client_api::ClearErrorInfo, "ClientAPI_ClearErrorInfo")) proc();
}

void ClientAPI_HandleException(const std::string& message) {
  if (auto proc = CLIENT_PROC(client_api::HandleException, "ClientAPI_HandleException")) {
    proc(message.c_str());
  }
}

void ClientAPI_RemoveSynchronize(IUnknown* item) {
  if (auto proc = CLIENT_PROC(client_api::RemoveSynchronize, "ClientAPI_RemoveSynchronize")) {
    proc(item);
  }
}

void VFSAPI_VFS_ExtractFileName(const std::string& path, std::string& name) {
  auto proc = reinterpret_cast<client_api::PathToText>(
      vfs_api[IndexOfName(kVfsApiNames, "VFSAPI_VFS_ExtractFileName")]);
  if (!proc) return;
  name = HostText([&](char* buffer, int size) { proc(path.c_str(), buffer, size); });
}

bool VFSAPI_VFS_FileExists(const std::string& file_name) {
  auto proc = reinterpret_cast<client_api::FileTest>(
      vfs_api[IndexOfName(kVfsApiNames, "VFSAPI_VFS_FileExists")]);
  return proc && proc(file_name.c_str()) != 0;
}

}  // namespace sdk

namespace sdk {

void SetHostStatusText(int index, const std::wstring& text) {
  const win::ComPtr<IClient> client = GetClient();
  if (!client) return;
  const win::Bstr wide(text);
  win::ComPtr<IStatusPanel> panel;
  CheckHost(client->SetStatusBarText(index, wide.get(), panel.put()), "SetStatusBarText");
  if (panel) CheckHost(panel->Update(), "the status panel's update");
}

}  // namespace sdk
