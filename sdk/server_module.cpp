// The server-module framework.
#include "sdk/server_module.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/error_bridge.h"

namespace sdk {

namespace {

std::string CommandName(BSTR name) {
  return win::Narrow(name ? std::wstring_view(name, SysStringLen(name)) : std::wstring_view());
}

// Hands out a reference of an object to a COM out-parameter.
template <class I>
HRESULT ShareOut(I* object, I** result) {
  if (!result) return E_POINTER;
  *result = object;
  if (object) object->AddRef();
  return S_OK;
}

template <class I>
I* ItemAt(const std::vector<win::ComPtr<I>>& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) {
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  }
  return list[static_cast<size_t>(index)].get();
}

template <class I>
void RemoveItem(std::vector<win::ComPtr<I>>& list, I* item) {
  const auto found = std::find_if(list.begin(), list.end(),
                                  [&](const auto& entry) { return entry.get() == item; });
  if (found != list.end()) list.erase(found);
}

}  // namespace

// ---- TCommandLauncher ------------------------------------------------------------------------

TCommandLauncher::TCommandLauncher(std::string module_name)
    : module_name_(std::move(module_name)) {}

void TCommandLauncher::RegisterCommand(const std::string& name, TCommandProc command,
                                       TStateProc state) {
  commands_.emplace(name, TCommandHandler{command, state});  // a present name stays as it is
}

const TCommandHandler* TCommandLauncher::Find(const std::string& name) const {
  const auto found = commands_.find(name);
  return found == commands_.end() ? nullptr : &found->second;
}

TCommandProc TCommandLauncher::GetCommandProc(const std::string& name) const {
  const TCommandHandler* handler = Find(name);
  return handler ? handler->command : nullptr;
}

TStateProc TCommandLauncher::GetStateProc(const std::string& name) const {
  const TCommandHandler* handler = Find(name);
  return handler ? handler->state : nullptr;
}

HRESULT TCommandLauncher::QueryInterface(REFIID iid, void** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (iid != IID_IUnknown && iid != IID_ICommandLauncher) return E_NOINTERFACE;
  *result = static_cast<ICommandLauncher*>(this);
  return S_OK;
}

HRESULT TCommandLauncher::LaunchCommand(BSTR name, const char* parameters, int /*unused*/,
                                        IServerView* context) noexcept {
  return GuardHresult([&] {
    const TCommandProc command = GetCommandProc(CommandName(name));
    if (!command) return S_OK;  // unknown commands are no failure
    command(context, parameters);
    win::ComPtr<IServerView> view;
    if (const win::ComPtr<IClient> client = sdk::GetClient()) {
      CheckHost(client->GetCurrentView(view.put()), "GetCurrentView");
    }
    if (view) {
      CheckHost(view->Refresh(), "the view's refresh");
    } else {
      for (int index = 1; index <= 3; ++index) SetHostStatusText(index, L"");
    }
    return S_OK;
  });
}

HRESULT TCommandLauncher::GetCommandState(BSTR name, const char* parameters, IServerView* context,
                                          int* enabled, int* image_index, int* checked,
                                          BOOLEAN* visible, BOOLEAN* default_action) noexcept {
  return GuardHresult([&] {
    if (!enabled || !image_index || !checked || !visible || !default_action) return E_POINTER;
    *enabled = -1;
    *image_index = 0;
    *checked = -1;
    *visible = FALSE;
    *default_action = FALSE;
    if (const TStateProc state = GetStateProc(CommandName(name))) {
      state(context, parameters, enabled, image_index, checked, visible, default_action);
    }
    return S_OK;
  });
}

// ---- TProcessControl -------------------------------------------------------------------------

HRESULT TProcessControl::QueryInterface(REFIID iid, void** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (iid != IID_IUnknown && iid != IID_IProcessControl) return E_NOINTERFACE;
  *result = static_cast<IProcessControl*>(this);
  return S_OK;
}

HRESULT TProcessControl::GetLevel(int* level) noexcept {
  if (!level) return E_POINTER;
  *level = level_;
  return S_OK;
}

HRESULT TProcessControl::DecrementLevel(int, int) noexcept {
  --level_;
  return S_OK;
}

HRESULT TProcessControl::IncrementLevel(int, int) noexcept {
  ++level_;
  return S_OK;
}

HRESULT TProcessControl::SetLevel(int level) noexcept {
  level_ = level;
  return S_OK;
}

// ---- TServerModule ---------------------------------------------------------------------------

void TServerModule::Construct(IClient* client, const std::string& module_name) {
  SetClientGlobal(client);
  SetServerModuleGlobal(static_cast<IServerModule*>(this));
  client_ = client;
  module_name_ = module_name;
  CreateCommandLauncher();
  process_control_ = std::make_unique<TProcessControl>();
  RegisterCommands();
  AfterCreate();
  if (client) {
    HWND application_window = nullptr;
    CheckHost(client->GetApplicationHandle(&application_window), "GetApplicationHandle");
    framework::Application::Instance().SetHandle(application_window);
  }
}

TServerModule::~TServerModule() {
  views_.clear();
  command_launcher_.reset();
  documents_.clear();
  process_control_.reset();
  SetServerModuleGlobal(nullptr);
}

void TServerModule::CreateCommandLauncher() {
  command_launcher_ = std::make_unique<TCommandLauncher>(module_name_);
}

win::ComPtr<IServerDocument> TServerModule::DoNewDocument(const std::wstring& kind,
                                                          const std::wstring& file_name,
                                                          bool /*flag*/) {
  return CreateDocument(kind, file_name);
}

HRESULT TServerModule::QueryInterface(REFIID iid, void** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (iid == IID_IUnknown || iid == IID_IServerModule) {
    *result = static_cast<IServerModule*>(this);
  } else if (iid == IID_IServerModuleOptions) {
    *result = static_cast<IServerModuleOptions*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TServerModule::AddRef() noexcept { return ++references_; }

ULONG TServerModule::Release() noexcept {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT TServerModule::ApplicationIdle() noexcept {
  return GuardHresult([&] {
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      PostMessageW(framework::Application::Instance().Handle(), WM_USER, 0, 0);
    }
    framework::Application::Instance().ProcessIdle();
    return S_OK;
  });
}

HRESULT TServerModule::ReceiveNotification(IUnknown*) noexcept { return S_OK; }

HRESULT TServerModule::OpenDocument(BSTR kind, BSTR file_name, IServerDocument** result) noexcept {
  return OpenDocumentEx(kind, file_name, TRUE, result);
}

HRESULT TServerModule::OpenDocumentEx(BSTR kind, BSTR file_name, BOOLEAN flag,
                                      IServerDocument** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return GuardHresult([&] {
    win::ComPtr<IServerDocument> document =
        DoNewDocument(kind ? std::wstring(kind) : std::wstring(),
                      file_name ? std::wstring(file_name) : std::wstring(), flag != 0);
    if (document) documents_.push_back(document);
    *result = document.detach();
    return S_OK;
  });
}

HRESULT TServerModule::RemoveDocument(IServerDocument* document) noexcept {
  return GuardHresult([&] {
    if (document) CheckHost(document->Cleanup(), "the document's clean-up");
    RemoveItem(documents_, document);
    return S_OK;
  });
}

HRESULT TServerModule::GetClient(IClient** result) noexcept { return ShareOut(client_, result); }

HRESULT TServerModule::GetCommandLauncher(ICommandLauncher** result) noexcept {
  return ShareOut<ICommandLauncher>(command_launcher_.get(), result);
}

HRESULT TServerModule::GetDocumentCount(int* count) noexcept {
  if (!count) return E_POINTER;
  *count = static_cast<int>(documents_.size());
  return S_OK;
}

HRESULT TServerModule::GetDocuments(int index, IServerDocument** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return GuardHresult([&] { return ShareOut(ItemAt(documents_, index), result); });
}

HRESULT TServerModule::GetHandle(HINSTANCE* result) noexcept {
  if (!result) return E_POINTER;
  *result = win::ThisModule();
  return S_OK;
}

HRESULT TServerModule::GetModuleName(BSTR* result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return GuardHresult([&] {
    *result = win::Bstr(win::Widen(module_name_)).detach();
    return S_OK;
  });
}

HRESULT TServerModule::GetProcessControl(IProcessControl** result) noexcept {
  return ShareOut<IProcessControl>(process_control_.get(), result);
}

HRESULT TServerModule::GetViewCount(int* count) noexcept {
  if (!count) return E_POINTER;
  *count = static_cast<int>(views_.size());
  return S_OK;
}

HRESULT TServerModule::GetViews(int index, IServerView** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return GuardHresult([&] { return ShareOut(ItemAt(views_, index), result); });
}

// No module of this SDK has options forms yet, so there is never an options view.
HRESULT TServerModule::GetOptionsView(BSTR, IUnknown** result) noexcept {
  return ShareOut<IUnknown>(nullptr, result);
}

HRESULT TServerModule::CreateServerView(IUnknown*, IServerView** result) noexcept {
  return ShareOut<IServerView>(nullptr, result);
}

HRESULT TServerModule::CreateDocumentView(IUnknown*, BSTR, IServerView** result) noexcept {
  return ShareOut<IServerView>(nullptr, result);
}

HRESULT TServerModule::RemoveView(IServerView* view) noexcept {
  return GuardHresult([&] {
    RemoveItem(views_, view);
    return S_OK;
  });
}

HRESULT TServerModule::AddView(IServerView* view) noexcept {
  return GuardHresult([&] {
    views_.push_back(win::ComPtr<IServerView>::Share(view));
    return S_OK;
  });
}

// The options-page table of this SDK stays empty: no page is ever found.
HRESULT TServerModule::GetOptionsPage(BSTR, IUnknown** result) noexcept {
  return ShareOut<IUnknown>(nullptr, result);
}

}  // namespace sdk
