// Client access and the host's exported function families: the client global with its nil-safe
// wrappers, host processes, documents, the workspace, and one wrapper per bound host function
// that yields a fixed default when the host lacks it.
#pragma once

#include <string>

#include "framework/win/com.h"
#include "sdk/host_contract.h"

namespace sdk {

// ---- Globals -------------------------------------------------------------------------------

// The host's client. A plain pointer without a reference of its own: the host outlives us.
IClient* ClientGlobal() noexcept;
void SetClientGlobal(IClient* client) noexcept;

// The module's own server module while it exists.
IServerModule* ServerModuleGlobal() noexcept;
void SetServerModuleGlobal(IServerModule* module) noexcept;

// ---- Unit starts and ends ------------------------------------------------------------------

// Binds ClientAPI_* from the host executable; later calls do nothing.
void BindClientApi() noexcept;
// Binds ClientAPI_* if needed and fills the client global from ClientAPI_GetClientInterface.
void StartClientInterface() noexcept;
void StartVfsApi() noexcept;
void EndVfsApi() noexcept;

// ---- Client access -------------------------------------------------------------------------

// A counted copy of the client global; empty when there is none.
win::ComPtr<IClient> GetClient() noexcept;

// Runs "<server>:<process>" with the parameter text in the caller's buffer, which the host may
// answer into within `size` bytes. Without a client nothing happens; a failure status raises.
void RunHostProcess(const char* process, char* parameters, int size, IServerView* context);

// The host's main window; null without a client.
HWND GetHostMainWindowHandle();

// Opens a file in the host under the kind the host gives it (the kind argument is not
// consulted), or shows it when it is open already. A file that does not exist is ignored.
void OpenFileAsDocument(const std::string& file_name, const std::string& kind);

// The host workspace from the already loaded "WorkspaceManager.DLL"; empty when absent.
win::ComPtr<IWorkspace> GetWorkspace();
win::ComPtr<IServerDocument> FindDocumentThroughWorkspace(const std::string& name);

// ---- Bound host functions (default when the host lacks the export) -------------------------

void ClientAPI_GetClientInterface(IClient** client);                          // left unchanged
bool ClientAPI_GetPrefUseLuna();                                              // false
bool ClientAPI_GetPrefHideFloatingPanels();                                   // false
void ClientAPI_SetPrefHideFloatingPanels(bool value);                         // nothing
bool ClientAPI_GetUseExternalWebBrowser();                                    // true
bool ClientAPI_GetIntegratedHelpSystem();                                     // false
bool ClientAPI_GetUseSystemLocaleLanguage();                                  // false
bool ClientAPI_GetUseLocalizedDialogs();                                      // false
bool ClientAPI_ExistSpecific(const std::string& file_name);                   // false
std::string ClientAPI_ExtractWholeFileNameFromPath(const std::string& path);  // empty
std::string ClientAPI_ForceFileNameExtension(const std::string& file_name,
                                             const std::string& extension);        // empty
std::string ClientAPI_ConvertFileNameToExeFileName(const std::string& file_name);  // empty
win::ComPtr<IUnknown> ClientAPI_GetTranslationManager();                           // empty
int ClientAPI_UpdateFont(int value);                                               // 0
void ClientAPI_SetErrorInfo(int code, const std::string& source, const std::string& description);
void ClientAPI_ClearErrorInfo();
void ClientAPI_HandleException(const std::string& message);
void ClientAPI_RemoveSynchronize(IUnknown* item);
// Leaves `name` as it was when the host lacks the export.
void VFSAPI_VFS_ExtractFileName(const std::string& path, std::string& name);
bool VFSAPI_VFS_FileExists(const std::string& file_name);  // false

}  // namespace sdk

namespace sdk {

// Hands a status-bar text to the host and has the host update that panel; nothing without a
// client. (The form library's service, kept here with the other client calls.)
void SetHostStatusText(int index, const std::wstring& text);

}  // namespace sdk
