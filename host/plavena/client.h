// The stand-in host's client: documents and their views, the status bar, and the host
// processes a module may run.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "framework/win/com.h"
#include "host/plavena/com_object.h"
#include "host/plavena/journal.h"

namespace plavena {

class HostDocument;

// A view of a host document, with its name and the form it shows (if any); refreshing and
// activating it are journaled.
class HostView final : public win::ComObject<IServerView, IServerViewDetails, IViewActivation> {
 public:
  HostView(Journal& journal, HostDocument* document, std::wstring name, IUnknown* form);
  ~HostView() override;
  HRESULT __stdcall Refresh() noexcept override;
  HRESULT __stdcall GetOwnerDocument(IServerDocument** result) noexcept override;
  HRESULT __stdcall GetViewName(BSTR* result) noexcept override;
  HRESULT __stdcall GetForm(IUnknown** result) noexcept override;
  HRESULT __stdcall Activate() noexcept override;
  IUnknown* Form() const noexcept { return form_; }
  void SetForm(IUnknown* form) noexcept;

 private:
  Journal& journal_;
  HostDocument* document_;  // owns this view
  std::wstring name_;
  IUnknown* form_;  // one reference, or null
};

// A help page viewer that is also a task panel: it shows one address at a time, and journals
// each address it is given under its name.
class HostTaskPanel final : public win::ComObject<ITaskPanel, IHelpBrowser> {
 public:
  HostTaskPanel(Journal& journal, std::string name) : journal_(journal), name_(std::move(name)) {}
  const std::wstring& Address() const noexcept { return address_; }
  HRESULT __stdcall NavigateTo(BSTR address, int* taken) noexcept override;
  HRESULT __stdcall GetCurrentAddress(BSTR* result) noexcept override;
  HRESULT __stdcall Reload() noexcept override;
  HRESULT __stdcall IsShowingAddress(BSTR address, BOOLEAN* result) noexcept override;

 private:
  Journal& journal_;
  std::string name_;
  std::wstring address_;
};

// A document the host has open: a file of a kind, with its views (one to start with). A
// document whose first view shows a task panel is that task panel too.
class HostDocument final : public win::ComObject<IServerDocument> {
 public:
  HostDocument(Journal& journal, std::wstring path, std::wstring kind);
  ~HostDocument() override;
  const std::wstring& Path() const noexcept { return path_; }
  const std::wstring& Kind() const noexcept { return kind_; }
  HostView* View() const noexcept { return views_.front(); }
  // A further view; the document keeps it.
  HostView* AddView(const std::wstring& name, IUnknown* form);

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override;
  HRESULT __stdcall GetFileName(BSTR* result) noexcept override;
  HRESULT __stdcall GetKind(BSTR* result) noexcept override;
  HRESULT __stdcall GetServerModule(IServerModule** result) noexcept override;
  HRESULT __stdcall GetViewCount(int* count) noexcept override;
  HRESULT __stdcall GetView(int index, IServerView** result) noexcept override;
  HRESULT __stdcall Cleanup() noexcept override;

 private:
  Journal& journal_;
  std::wstring path_;
  std::wstring kind_;
  std::vector<HostView*> views_;  // owned: one reference each
};

class HostModule;

class HostClient final : public win::ComObject<IClient, IProcessLauncher, IClientAddressService,
                                               IClientModules, IClientState, IWorkspace> {
 public:
  HostClient(Journal& journal, HWND application_window);
  ~HostClient() override;

  // The answer the common dialog gives, as a parameter text ("Result=True|Path=...");
  // without one the dialog is cancelled.
  void SetCommonDialogAnswer(std::optional<std::string> answer) {
    dialog_answer_ = std::move(answer);
  }
  // Opens a document with its view and makes that view current.
  HostDocument* OpenDocument(const std::wstring& path, const std::wstring& kind);
  void SetServerModule(const std::wstring& name, IServerModule* module);
  // The PCB editor's server module "PCB" (the client keeps a reference; null drops it).
  void SetPcbServerModule(IServerModule* module);
  // Runs the processes that were posted during a command.
  void RunPostedProcesses();
  // The view that GetCurrentView yields.
  void SetCurrentView(HostView* view) noexcept { current_view_ = view; }
  // From here on the client reports that it is closing.
  void BeginClosing() noexcept { closing_ = true; }

  // IClient
  HRESULT __stdcall GetApplicationHandle(HWND* result) noexcept override;
  HRESULT __stdcall GetMainWindowHandle(HWND* result) noexcept override;
  HRESULT __stdcall GetCurrentView(IServerView** result) noexcept override;
  HRESULT __stdcall SetStatusBarText(int index, BSTR text, IStatusPanel** result) noexcept override;
  HRESULT __stdcall GetDocumentByPath(BSTR path, IServerDocument** result) noexcept override;
  HRESULT __stdcall ShowDocument(IServerDocument* document) noexcept override;
  HRESULT __stdcall GetDocumentKindFromFile(BSTR path, BSTR* kind) noexcept override;
  HRESULT __stdcall OpenNewDocument(BSTR kind, BSTR path,
                                    IServerDocument** result) noexcept override;
  HRESULT __stdcall GetServerModuleByName(BSTR name, IServerModule** result) noexcept override;
  // IProcessLauncher
  HRESULT __stdcall PostProcess(const char* process, const char* parameters,
                                IServerView* context) noexcept override;
  HRESULT __stdcall SendProcess(const char* process, char* parameters, int size,
                                IServerView* context) noexcept override;
  // IClientAddressService: addresses are complete as given; "scheme:" is a scheme of two or
  // more letters, the rest starts at "#".
  HRESULT __stdcall ExpandAddress(BSTR address, BSTR* result) noexcept override;
  HRESULT __stdcall SplitAddress(BSTR address, BSTR* scheme, BSTR* path,
                                 BSTR* rest) noexcept override;
  HRESULT __stdcall OpenAddress(BSTR address) noexcept override;
  // IClientModules: the host's own documents' module, then the loaded module and the editor.
  HRESULT __stdcall GetServerModuleCount(int* count) noexcept override;
  HRESULT __stdcall GetServerModule(int index, IServerModule** result) noexcept override;
  // IClientState: closing once the session unloads its modules.
  HRESULT __stdcall GetIsClosing(BOOLEAN* result) noexcept override;
  // IWorkspace: a name is the path of the open document of that name; no message service.
  HRESULT __stdcall GetFilePathForName(BSTR name, BSTR* path) noexcept override;
  HRESULT __stdcall GetMessageService(IWorkspaceMessages** result) noexcept override;

  const std::vector<HostDocument*>& Documents() const noexcept { return documents_; }

 private:
  std::vector<IServerModule*> KnownModules() const;

  HostDocument* FindDocument(const std::wstring& path) const;
  HRESULT RunProcess(const std::string& process, char* parameters, int size);

  Journal& journal_;
  HWND application_window_;
  std::vector<HostDocument*> documents_;  // one reference each
  HostView* current_view_ = nullptr;
  bool closing_ = false;
  std::optional<std::string> dialog_answer_;
  std::deque<std::pair<std::string, std::string>> posted_;
  std::wstring module_name_;
  IServerModule* module_ = nullptr;      // the session's; no reference of our own
  IServerModule* pcb_module_ = nullptr;  // one reference
  HostModule* host_module_;              // one reference
};

}  // namespace plavena
