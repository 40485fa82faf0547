// The server-module framework: the object the host creates through a plug-in's factory, its
// command table, and the process-nesting counter the host reads and changes.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/com.h"
#include "sdk/ascii_case.h"
#include "sdk/host_contract.h"

namespace sdk {

// A command: runs with the host's context view and the zero-terminated parameter text.
using TCommandProc = void (*)(IServerView* context, const char* parameters);
// A command's state: the five outputs of ICommandLauncher::GetCommandState, in its order.
using TStateProc = void (*)(IServerView* context, const char* parameters, int* enabled,
                            int* image_index, int* checked, BOOLEAN* visible,
                            BOOLEAN* default_action);

struct TCommandHandler {
  TCommandProc command = nullptr;
  TStateProc state = nullptr;
};

// The command table. Its reference counting is switched off: it belongs to the server module.
class TCommandLauncher final : public ICommandLauncher {
 public:
  explicit TCommandLauncher(std::string module_name);

  // A name already present in any letter case keeps its first handler.
  void RegisterCommand(const std::string& name, TCommandProc command, TStateProc state);
  TCommandProc GetCommandProc(const std::string& name) const;
  TStateProc GetStateProc(const std::string& name) const;
  const std::string& ModuleName() const noexcept { return module_name_; }

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG __stdcall AddRef() noexcept override { return 0; }
  ULONG __stdcall Release() noexcept override { return 0; }
  HRESULT __stdcall LaunchCommand(BSTR name, const char* parameters, int unused,
                                  IServerView* context) noexcept override;
  HRESULT __stdcall GetCommandState(BSTR name, const char* parameters, IServerView* context,
                                    int* enabled, int* image_index, int* checked, BOOLEAN* visible,
                                    BOOLEAN* default_action) noexcept override;

 private:
  const TCommandHandler* Find(const std::string& name) const;

  // Names compared with the ASCII letters folded, as the host's command names are.
  std::map<std::string, TCommandHandler, LessIgnoringCase> commands_;
  std::string module_name_;
};

// A nesting level without bounds. Its reference counting is switched off as well.
class TProcessControl final : public IProcessControl {
 public:
  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG __stdcall AddRef() noexcept override { return 0; }
  ULONG __stdcall Release() noexcept override { return 0; }
  HRESULT __stdcall GetLevel(int* level) noexcept override;
  HRESULT __stdcall DecrementLevel(int, int) noexcept override;
  HRESULT __stdcall IncrementLevel(int, int) noexcept override;
  HRESULT __stdcall SetLevel(int level) noexcept override;

 private:
  int level_ = 0;
};

// The base of every server module. Create one with TServerModule::Create<Derived>, which runs
// the construction steps that call the derived module's operations.
class TServerModule : public IServerModule, public IServerModuleOptions {
 public:
  template <class Derived>
  static win::ComPtr<IServerModule> Create(IClient* client, const std::string& module_name) {
    auto* module = new Derived();
    win::ComPtr<IServerModule> result = win::ComPtr<IServerModule>::Share(module);
    module->Construct(client, module_name);
    return result;
  }

  TCommandLauncher* CommandLauncher() const noexcept { return command_launcher_.get(); }
  const std::string& ModuleName() const noexcept { return module_name_; }

  // IUnknown
  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG __stdcall AddRef() noexcept override;
  ULONG __stdcall Release() noexcept override;
  // IServerModule
  HRESULT __stdcall ApplicationIdle() noexcept override;
  HRESULT __stdcall ReceiveNotification(IUnknown* notification) noexcept override;
  HRESULT __stdcall OpenDocument(BSTR kind, BSTR file_name,
                                 IServerDocument** result) noexcept override;
  HRESULT __stdcall RemoveDocument(IServerDocument* document) noexcept override;
  HRESULT __stdcall GetClient(IClient** result) noexcept override;
  HRESULT __stdcall GetCommandLauncher(ICommandLauncher** result) noexcept override;
  HRESULT __stdcall GetDocumentCount(int* count) noexcept override;
  HRESULT __stdcall GetDocuments(int index, IServerDocument** result) noexcept override;
  HRESULT __stdcall GetHandle(HINSTANCE* result) noexcept override;
  HRESULT __stdcall GetModuleName(BSTR* result) noexcept override;
  HRESULT __stdcall GetProcessControl(IProcessControl** result) noexcept override;
  HRESULT __stdcall GetViewCount(int* count) noexcept override;
  HRESULT __stdcall GetViews(int index, IServerView** result) noexcept override;
  HRESULT __stdcall GetOptionsView(BSTR document_kind, IUnknown** result) noexcept override;
  HRESULT __stdcall CreateServerView(IUnknown* parent, IServerView** result) noexcept override;
  HRESULT __stdcall CreateDocumentView(IUnknown* parent, BSTR kind,
                                       IServerView** result) noexcept override;
  HRESULT __stdcall RemoveView(IServerView* view) noexcept override;
  HRESULT __stdcall AddView(IServerView* view) noexcept override;
  HRESULT __stdcall OpenDocumentEx(BSTR kind, BSTR file_name, BOOLEAN flag,
                                   IServerDocument** result) noexcept override;
  // IServerModuleOptions
  HRESULT __stdcall GetOptionsPage(BSTR page_name, IUnknown** result) noexcept override;
  HRESULT __stdcall SaveOptions() noexcept override { return S_OK; }
  HRESULT __stdcall LoadOptions() noexcept override { return S_OK; }

 protected:
  TServerModule() = default;
  virtual ~TServerModule();

  // The document factory; a module without document kinds yields none.
  virtual win::ComPtr<IServerDocument> CreateDocument(const std::wstring& kind,
                                                      const std::wstring& file_name) = 0;
  virtual win::ComPtr<IServerDocument> DoNewDocument(const std::wstring& kind,
                                                     const std::wstring& file_name, bool flag);
  virtual void RegisterCommands() {}
  virtual void CreateCommandLauncher();
  virtual void AfterCreate() {}

 private:
  void Construct(IClient* client, const std::string& module_name);

  std::atomic<ULONG> references_{0};
  IClient* client_ = nullptr;  // the host's; no reference of our own
  std::vector<win::ComPtr<IServerDocument>> documents_;
  std::string module_name_;
  std::vector<win::ComPtr<IServerView>> views_;
  std::unique_ptr<TCommandLauncher> command_launcher_;
  std::unique_ptr<TProcessControl> process_control_;
};

}  // namespace sdk
