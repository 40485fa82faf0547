// The binary contract between the host application and its server modules.
//
// Shared by the module and the stand-in host. Every interface is COM-style on IUnknown, every
// method and export is __stdcall, host-facing methods return HRESULT with results in out
// parameters, wide texts are BSTRs, Booleans are one byte (BOOLEAN) and 8-bit texts are
// zero-terminated. Slot order is binary: append, never reorder.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

struct IClient;
struct IServerModule;
struct IServerDocument;
struct IServerView;

// ---- Interfaces the module implements -------------------------------------------------------

inline constexpr GUID IID_IServerModule = {
    0xCF7702C4, 0x5044, 0x49E3, {0xBE, 0x46, 0x37, 0xB9, 0xF8, 0xFB, 0x82, 0x03}};
inline constexpr GUID IID_IServerModuleOptions = {
    0x37898B64, 0x0BA4, 0x498D, {0x8C, 0x2F, 0x93, 0x55, 0xA9, 0x8B, 0xAA, 0x40}};
inline constexpr GUID IID_ICommandLauncher = {
    0xB3F5F50A, 0xC728, 0x462B, {0x8C, 0x35, 0x0A, 0xF0, 0x7A, 0xEF, 0xE6, 0xD5}};
inline constexpr GUID IID_IProcessControl = {
    0xBAF46BDA, 0x19A1, 0x4848, {0xBF, 0xAC, 0x2B, 0xEC, 0x07, 0x8C, 0x89, 0x11}};

// Runs the module's commands by name. `parameters` is a zero-terminated parameter text; the
// context is the view the command was started for, or null.
struct ICommandLauncher : IUnknown {
  virtual HRESULT __stdcall LaunchCommand(BSTR name, const char* parameters, int unused,
                                          IServerView* context) = 0;
  // Presets when the command has no state procedure: -1, 0, -1, false, false.
  virtual HRESULT __stdcall GetCommandState(BSTR name, const char* parameters, IServerView* context,
                                            int* enabled, int* image_index, int* checked,
                                            BOOLEAN* visible, BOOLEAN* default_action) = 0;
};

// The host's nesting counter of running processes.
struct IProcessControl : IUnknown {
  virtual HRESULT __stdcall GetLevel(int* level) = 0;
  virtual HRESULT __stdcall DecrementLevel(int unused1, int unused2) = 0;
  virtual HRESULT __stdcall IncrementLevel(int unused1, int unused2) = 0;
  virtual HRESULT __stdcall SetLevel(int level) = 0;
};

struct IServerModule : IUnknown {
  virtual HRESULT __stdcall ApplicationIdle() = 0;
  virtual HRESULT __stdcall ReceiveNotification(IUnknown* notification) = 0;
  virtual HRESULT __stdcall OpenDocument(BSTR kind, BSTR file_name, IServerDocument** result) = 0;
  virtual HRESULT __stdcall RemoveDocument(IServerDocument* document) = 0;
  virtual HRESULT __stdcall GetClient(IClient** result) = 0;
  virtual HRESULT __stdcall GetCommandLauncher(ICommandLauncher** result) = 0;
  virtual HRESULT __stdcall GetDocumentCount(int* count) = 0;
  virtual HRESULT __stdcall GetDocuments(int index, IServerDocument** result) = 0;
  virtual HRESULT __stdcall GetHandle(HINSTANCE* result) = 0;
  virtual HRESULT __stdcall GetModuleName(BSTR* result) = 0;
  virtual HRESULT __stdcall GetProcessControl(IProcessControl** result) = 0;
  virtual HRESULT __stdcall GetViewCount(int* count) = 0;
  virtual HRESULT __stdcall GetViews(int index, IServerView** result) = 0;
  virtual HRESULT __stdcall GetOptionsView(BSTR document_kind, IUnknown** result) = 0;
  virtual HRESULT __stdcall CreateServerView(IUnknown* parent, IServerView** result) = 0;
  virtual HRESULT __stdcall CreateDocumentView(IUnknown* parent, BSTR kind,
                                               IServerView** result) = 0;
  virtual HRESULT __stdcall RemoveView(IServerView* view) = 0;
  virtual HRESULT __stdcall AddView(IServerView* view) = 0;
  virtual HRESULT __stdcall OpenDocumentEx(BSTR kind, BSTR file_name, BOOLEAN flag,
                                           IServerDocument** result) = 0;
};

struct IServerModuleOptions : IUnknown {
  virtual HRESULT __stdcall GetOptionsPage(BSTR page_name, IUnknown** result) = 0;
  virtual HRESULT __stdcall SaveOptions() = 0;
  virtual HRESULT __stdcall LoadOptions() = 0;
};

// ---- Interfaces the host implements ---------------------------------------------------------

inline constexpr GUID IID_IClient = {
    0x6A1E2C01, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x01}};
inline constexpr GUID IID_IServerDocument = {
    0x6A1E2C02, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x02}};
inline constexpr GUID IID_IServerView = {
    0x6A1E2C03, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x03}};
inline constexpr GUID IID_IStatusPanel = {
    0x6A1E2C04, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x04}};
inline constexpr GUID IID_IWorkspace = {
    0x6A1E2C05, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x05}};
inline constexpr GUID IID_IProcessLauncher = {
    0x8452C443, 0x703F, 0x4881, {0xB7, 0xAC, 0xC3, 0x35, 0x50, 0x79, 0x4A, 0xA6}};

struct IServerView : IUnknown {
  virtual HRESULT __stdcall Refresh() = 0;
  virtual HRESULT __stdcall GetOwnerDocument(IServerDocument** result) = 0;
};

struct IServerDocument : IUnknown {
  virtual HRESULT __stdcall GetFileName(BSTR* result) = 0;
  virtual HRESULT __stdcall GetKind(BSTR* result) = 0;
  virtual HRESULT __stdcall GetServerModule(IServerModule** result) = 0;
  virtual HRESULT __stdcall GetViewCount(int* count) = 0;
  virtual HRESULT __stdcall GetView(int index, IServerView** result) = 0;
  // The document's own clean-up before its server module forgets it.
  virtual HRESULT __stdcall Cleanup() = 0;
};

// One panel of the host's status bar, handed out by IClient::SetStatusBarText.
struct IStatusPanel : IUnknown {
  virtual HRESULT __stdcall Update() = 0;
};

struct IClient : IUnknown {
  // The host's application window: the owner of every window of a server module.
  virtual HRESULT __stdcall GetApplicationHandle(HWND* result) = 0;
  virtual HRESULT __stdcall GetMainWindowHandle(HWND* result) = 0;
  virtual HRESULT __stdcall GetCurrentView(IServerView** result) = 0;
  virtual HRESULT __stdcall SetStatusBarText(int index, BSTR text, IStatusPanel** result) = 0;
  virtual HRESULT __stdcall GetDocumentByPath(BSTR path, IServerDocument** result) = 0;
  virtual HRESULT __stdcall ShowDocument(IServerDocument* document) = 0;
  virtual HRESULT __stdcall GetDocumentKindFromFile(BSTR path, BSTR* kind) = 0;
  virtual HRESULT __stdcall OpenNewDocument(BSTR kind, BSTR path, IServerDocument** result) = 0;
  virtual HRESULT __stdcall GetServerModuleByName(BSTR name, IServerModule** result) = 0;
};

// Asked of the client: whether it is shutting down. Windows it holds may then be gone already,
// so a module frees what they showed at once instead of after their messages.
inline constexpr GUID IID_IClientState = {
    0x6A1E2C0A, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x0A}};
struct IClientState : IUnknown {
  virtual HRESULT __stdcall GetIsClosing(BOOLEAN* result) = 0;
};

// Runs host processes "<server>:<process>" with a parameter text in a caller's buffer of
// `size` bytes, into which the process may write its answer (size 0: a constant text).
struct IProcessLauncher : IUnknown {
  // Queues the process; the host runs it after the current command.
  virtual HRESULT __stdcall PostProcess(const char* process, const char* parameters,
                                        IServerView* context) = 0;
  virtual HRESULT __stdcall SendProcess(const char* process, char* parameters, int size,
                                        IServerView* context) = 0;
};

struct IWorkspaceMessages;

// The host's workspace, exported as GetWorkspace by "WorkspaceManager.DLL".
struct IWorkspace : IUnknown {
  virtual HRESULT __stdcall GetFilePathForName(BSTR name, BSTR* path) = 0;
  // The workspace's notices to the user; null when it keeps none.
  virtual HRESULT __stdcall GetMessageService(IWorkspaceMessages** result) = 0;
};

inline constexpr GUID IID_IWorkspaceMessages = {
    0x6A1E2C06, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x06}};

// Notice kinds of the workspace's message service.
inline constexpr int kWorkspaceNoticeKinds[] = {71, 72, 73, 74};

// A notice in the workspace's message list: a title, its text, the product and the document it
// concerns, and the host process (with its parameter text) that opens that document when the
// user picks the notice.
struct IWorkspaceMessages : IUnknown {
  virtual HRESULT __stdcall AddMessage(BSTR title, BSTR text, BSTR product, BSTR document_path,
                                       BSTR process, BSTR parameters, int kind, int reserved1,
                                       int reserved2, int reserved3) = 0;
};

inline constexpr GUID IID_IServerDocumentFileChange = {
    0x6A1E2C07, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x07}};

// Implemented by a host document that wants to know when another writer replaces its file on
// disk: BeginFileChange before the file is touched, EndFileChange after.
struct IServerDocumentFileChange : IUnknown {
  virtual HRESULT __stdcall BeginFileChange() = 0;
  virtual HRESULT __stdcall EndFileChange() = 0;
};

// ---- Exports ---------------------------------------------------------------------------------

// The module's entry: creates the server module for the host's client.
using ServerFactoryProc = HRESULT(__stdcall*)(IClient* client, IServerModule** result);
using GetWorkspaceProc = HRESULT(__stdcall*)(IWorkspace** result);

// Host exports that yield a text write at most `size` bytes, terminator included.
namespace client_api {
using GetClientInterface = void(__stdcall*)(IClient** result);
using BooleanPreference = BOOLEAN(__stdcall*)();
using SetBooleanPreference = void(__stdcall*)(BOOLEAN value);
using FileTest = BOOLEAN(__stdcall*)(const char* file_name);
using PathToText = void(__stdcall*)(const char* path, char* result, int size);
using ForceExtension = void(__stdcall*)(const char* file_name, const char* extension, char* result,
                                        int size);
using GetTranslationManager = void(__stdcall*)(IUnknown** result);
using UpdateFont = int(__stdcall*)(int value);
using SetErrorInfo = void(__stdcall*)(int code, const char* source, const char* description);
using ClearErrorInfo = void(__stdcall*)();
using HandleException = void(__stdcall*)(const char* message);
using RemoveSynchronize = void(__stdcall*)(IUnknown* item);
}  // namespace client_api
