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

// The one view of a host document; refreshing it is journaled.
class HostView final : public ComObject<IServerView> {
 public:
  HostView(Journal& journal, HostDocument* document) : journal_(journal), document_(document) {}
  HRESULT __stdcall Refresh() noexcept override;
  HRESULT __stdcall GetOwnerDocument(IServerDocument** result) noexcept override;

 private:
  Journal& journal_;
  HostDocument* document_;  // owns this view
};

// A document the host has open: a file of a kind, with one view.
class HostDocument final : public ComObject<IServerDocument> {
 public:
  HostDocument(Journal& journal, std::wstring path, std::wstring kind);
  ~HostDocument() override;
  const std::wstring& Path() const noexcept { return path_; }
  const std::wstring& Kind() const noexcept { return kind_; }
  HostView* View() const noexcept { return view_; }

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
  HostView* view_;  // owned: one reference
};

class HostClient final : public ComObject<IClient, IProcessLauncher> {
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

 private:
  HostDocument* FindDocument(const std::wstring& path) const;
  HRESULT RunProcess(const std::string& process, char* parameters, int size);

  Journal& journal_;
  HWND application_window_;
  std::vector<HostDocument*> documents_;  // one reference each
  HostView* current_view_ = nullptr;
  std::optional<std::string> dialog_answer_;
  std::deque<std::pair<std::string, std::string>> posted_;
  std::wstring module_name_;
  IServerModule* module_ = nullptr;  // the session's; no reference of our own
  IServerModule* pcb_module_ = nullptr;  // one reference
};

}  // namespace plavena
