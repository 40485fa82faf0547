// The stand-in host's client.
#include "host/plavena/client.h"

#include <algorithm>
#include <cstring>

#include "framework/win/text.h"

namespace plavena {

namespace {

HRESULT OutText(const std::wstring& text, BSTR* result) {
  if (!result) return E_POINTER;
  *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *result || text.empty() ? S_OK : E_OUTOFMEMORY;
}

template <class I>
HRESULT OutInterface(I* object, I** result) {
  if (!result) return E_POINTER;
  *result = object;
  if (object) object->AddRef();
  return S_OK;
}

std::wstring Text(BSTR text) {
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// One panel of the status bar: keeps its text, journals its update.
class StatusPanel final : public win::ComObject<IStatusPanel> {
 public:
  StatusPanel(Journal& journal, int index, std::wstring text)
      : journal_(journal), index_(index), text_(std::move(text)) {}
  HRESULT __stdcall Update() noexcept override {
    journal_.Append("status " + std::to_string(index_) + ": " + win::Narrow(text_));
    return S_OK;
  }

 private:
  Journal& journal_;
  int index_;
  std::wstring text_;
};

}  // namespace

// ---- HostView ----------------------------------------------------------------------------------

HostView::HostView(Journal& journal, HostDocument* document, std::wstring name, IUnknown* form)
    : journal_(journal), document_(document), name_(std::move(name)), form_(form) {
  if (form_) form_->AddRef();
}

HostView::~HostView() {
  if (form_) form_->Release();
}

void HostView::SetForm(IUnknown* form) noexcept {
  if (form) form->AddRef();
  if (form_) form_->Release();
  form_ = form;
}

HRESULT HostView::Refresh() noexcept {
  journal_.Append("view refresh " + win::Narrow(document_->Path()));
  return S_OK;
}

HRESULT HostView::GetOwnerDocument(IServerDocument** result) noexcept {
  return OutInterface<IServerDocument>(document_, result);
}

HRESULT HostView::GetViewName(BSTR* result) noexcept { return OutText(name_, result); }

HRESULT HostView::GetForm(IUnknown** result) noexcept { return OutInterface(form_, result); }

HRESULT HostView::Activate() noexcept {
  journal_.Append("view activate " + win::Narrow(document_->Path()) + " " + win::Narrow(name_));
  return S_OK;
}

// ---- HostTaskPanel -----------------------------------------------------------------------------

HRESULT HostTaskPanel::NavigateTo(BSTR address, int* taken) noexcept {
  if (!taken) return E_POINTER;
  try {
    address_ = Text(address);
    journal_.Append("task panel " + name_ + " " + win::Narrow(address_));
    *taken = 1;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostTaskPanel::GetCurrentAddress(BSTR* result) noexcept {
  return OutText(address_, result);
}

HRESULT HostTaskPanel::Reload() noexcept {
  try {
    journal_.Append("task panel " + name_ + " reload");
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// The way a browser compares: letter case of the whole address ignored.
HRESULT HostTaskPanel::IsShowingAddress(BSTR address, BOOLEAN* result) noexcept {
  if (!result) return E_POINTER;
  *result = !address_.empty() && SamePath(address_, Text(address));
  return S_OK;
}

// ---- HostDocument ------------------------------------------------------------------------------

HostDocument::HostDocument(Journal& journal, std::wstring path, std::wstring kind)
    : journal_(journal), path_(std::move(path)), kind_(std::move(kind)) {
  views_.push_back(new HostView(journal, this, L"", nullptr));
}

HostDocument::~HostDocument() {
  for (HostView* view : views_) view->Release();
}

HostView* HostDocument::AddView(const std::wstring& name, IUnknown* form) {
  views_.push_back(new HostView(journal_, this, name, form));
  return views_.back();
}

HRESULT HostDocument::QueryInterface(REFIID iid, void** result) noexcept {
  if (iid == IID_ITaskPanel && result && View()->Form()) {
    return View()->Form()->QueryInterface(iid, result);
  }
  return ComObject::QueryInterface(iid, result);
}

HRESULT HostDocument::GetFileName(BSTR* result) noexcept { return OutText(path_, result); }
HRESULT HostDocument::GetKind(BSTR* result) noexcept { return OutText(kind_, result); }

// Documents of this host belong to the host itself, not to a server module.
HRESULT HostDocument::GetServerModule(IServerModule** result) noexcept {
  return OutInterface<IServerModule>(nullptr, result);
}

HRESULT HostDocument::GetViewCount(int* count) noexcept {
  if (!count) return E_POINTER;
  *count = static_cast<int>(views_.size());
  return S_OK;
}

HRESULT HostDocument::GetView(int index, IServerView** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (index < 0 || index >= static_cast<int>(views_.size())) return E_INVALIDARG;
  return OutInterface<IServerView>(views_[index], result);
}

HRESULT HostDocument::Cleanup() noexcept {
  journal_.Append("document cleanup " + win::Narrow(path_));
  return S_OK;
}

// ---- HostModule --------------------------------------------------------------------------------

// The server module the host's own documents are listed under; it does nothing else.
class HostModule final : public win::ComObject<IServerModule> {
 public:
  explicit HostModule(const HostClient& client) : client_(client) {}
  HRESULT __stdcall GetDocumentCount(int* count) noexcept override {
    if (!count) return E_POINTER;
    *count = static_cast<int>(client_.Documents().size());
    return S_OK;
  }
  HRESULT __stdcall GetDocuments(int index, IServerDocument** result) noexcept override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (index < 0 || index >= static_cast<int>(client_.Documents().size())) return E_INVALIDARG;
    return OutInterface<IServerDocument>(client_.Documents()[index], result);
  }
  HRESULT __stdcall GetModuleName(BSTR* result) noexcept override {
    return OutText(L"Host", result);
  }
  HRESULT __stdcall ApplicationIdle() noexcept override { return S_OK; }
  HRESULT __stdcall ReceiveNotification(IUnknown*) noexcept override { return S_OK; }
  HRESULT __stdcall OpenDocument(BSTR, BSTR, IServerDocument**) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall RemoveDocument(IServerDocument*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetClient(IClient**) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetCommandLauncher(ICommandLauncher**) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetHandle(HINSTANCE*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetProcessControl(IProcessControl**) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetViewCount(int*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetViews(int, IServerView**) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetOptionsView(BSTR, IUnknown**) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall CreateServerView(IUnknown*, IServerView**) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall CreateDocumentView(IUnknown*, BSTR, IServerView**) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall RemoveView(IServerView*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall AddView(IServerView*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall OpenDocumentEx(BSTR, BSTR, BOOLEAN, IServerDocument**) noexcept override {
    return E_NOTIMPL;
  }

 private:
  const HostClient& client_;
};

// ---- HostClient --------------------------------------------------------------------------------

HostClient::HostClient(Journal& journal, HWND application_window)
    : journal_(journal),
      application_window_(application_window),
      host_module_(new HostModule(*this)) {}

HostClient::~HostClient() {
  for (HostDocument* document : documents_) document->Release();
  SetPcbServerModule(nullptr);
  host_module_->Release();
}

HostDocument* HostClient::OpenDocument(const std::wstring& path, const std::wstring& kind) {
  auto* document = new HostDocument(journal_, path, kind);
  documents_.push_back(document);
  current_view_ = document->View();
  journal_.Append("document open " + win::Narrow(kind) + " " + win::Narrow(path));
  return document;
}

void HostClient::SetServerModule(const std::wstring& name, IServerModule* module) {
  module_name_ = name;
  module_ = module;
}

void HostClient::SetPcbServerModule(IServerModule* module) {
  if (module) module->AddRef();
  if (pcb_module_) pcb_module_->Release();
  pcb_module_ = module;
}

HostDocument* HostClient::FindDocument(const std::wstring& path) const {
  const auto found = std::find_if(documents_.begin(), documents_.end(),
                                  [&](HostDocument* d) { return SamePath(d->Path(), path); });
  return found == documents_.end() ? nullptr : *found;
}

HRESULT HostClient::GetApplicationHandle(HWND* result) noexcept {
  if (!result) return E_POINTER;
  *result = application_window_;
  return S_OK;
}

HRESULT HostClient::GetMainWindowHandle(HWND* result) noexcept {
  return GetApplicationHandle(result);
}

HRESULT HostClient::GetCurrentView(IServerView** result) noexcept {
  return OutInterface<IServerView>(current_view_, result);
}

HRESULT HostClient::SetStatusBarText(int index, BSTR text, IStatusPanel** result) noexcept {
  if (!result) return E_POINTER;
  *result = new (std::nothrow) StatusPanel(journal_, index, Text(text));
  return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT HostClient::GetDocumentByPath(BSTR path, IServerDocument** result) noexcept {
  return OutInterface<IServerDocument>(FindDocument(Text(path)), result);
}

HRESULT HostClient::ShowDocument(IServerDocument* document) noexcept {
  const auto found = std::find(documents_.begin(), documents_.end(), document);
  if (found == documents_.end()) return E_INVALIDARG;
  current_view_ = (*found)->View();
  journal_.Append("document show " + win::Narrow((*found)->Path()));
  return S_OK;
}

// The host's own idea of a file's kind: boards by their extension, everything else as text.
HRESULT HostClient::GetDocumentKindFromFile(BSTR path, BSTR* kind) noexcept {
  const std::wstring name = Text(path);
  const size_t dot = name.find_last_of(L'.');
  const std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot);
  const bool board = CompareStringOrdinal(extension.c_str(), -1, L".json", -1, TRUE) == CSTR_EQUAL;
  return OutText(board ? L"PCB" : L"TEXT", kind);
}

HRESULT HostClient::OpenNewDocument(BSTR kind, BSTR path, IServerDocument** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  const std::wstring file = Text(path);
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return E_INVALIDARG;
  try {
    return OutInterface<IServerDocument>(OpenDocument(file, Text(kind)), result);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::GetServerModuleByName(BSTR name, IServerModule** result) noexcept {
  if (pcb_module_ && CompareStringOrdinal(Text(name).c_str(), -1, L"PCB", -1, TRUE) == CSTR_EQUAL) {
    return OutInterface<IServerModule>(pcb_module_, result);
  }
  const bool match = module_ && CompareStringOrdinal(Text(name).c_str(), -1, module_name_.c_str(),
                                                     -1, TRUE) == CSTR_EQUAL;
  return OutInterface<IServerModule>(match ? module_ : nullptr, result);
}

HRESULT HostClient::PostProcess(const char* process, const char* parameters,
                                IServerView*) noexcept {
  if (!process) return E_POINTER;
  try {
    posted_.emplace_back(process, parameters ? parameters : "");
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::SendProcess(const char* process, char* parameters, int size,
                                IServerView*) noexcept {
  if (!process) return E_POINTER;
  try {
    return RunProcess(process, parameters, size);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void HostClient::RunPostedProcesses() {
  while (!posted_.empty()) {
    auto [process, parameters] = posted_.front();
    posted_.pop_front();
    RunProcess(process, parameters.data(), 0);
  }
}

HRESULT HostClient::RunProcess(const std::string& process, char* parameters, int size) {
  const std::string text = parameters ? parameters : "";
  journal_.Append("process " + process + " " + text);
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, process.c_str(), -1,
                     "Client:RunCommonDialog", -1) == CSTR_EQUAL) {
    // The answer goes into the caller's buffer, within the size the caller gave.
    const std::string answer = dialog_answer_.value_or("Result=False");
    if (!parameters || size <= 0 || answer.size() + 1 > static_cast<size_t>(size)) {
      return E_INVALIDARG;
    }
    std::memcpy(parameters, answer.c_str(), answer.size() + 1);
    return S_OK;
  }
  for (const char* known : {"PCB:Netlist", "PCB:Zoom"}) {
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, process.c_str(), -1, known, -1) ==
        CSTR_EQUAL) {
      return S_OK;
    }
  }
  journal_.Append("unknown process " + process);
  return E_NOTIMPL;
}

// ---- Addresses, modules and the workspace ------------------------------------------------------

HRESULT HostClient::ExpandAddress(BSTR address, BSTR* result) noexcept {
  try {
    return OutText(Text(address), result);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::SplitAddress(BSTR address, BSTR* scheme, BSTR* path, BSTR* rest) noexcept {
  if (!scheme || !path || !rest) return E_POINTER;
  *scheme = *path = *rest = nullptr;
  try {
    const std::wstring text = Text(address);
    size_t colon = text.find(L':');
    const bool has_scheme =
        colon != std::wstring::npos && colon >= 2 &&
        std::all_of(text.begin(), text.begin() + colon, [](wchar_t c) { return iswalpha(c); });
    if (!has_scheme) colon = std::wstring::npos;
    const size_t path_start = has_scheme ? colon + 1 : 0;
    const size_t hash = text.find(L'#', path_start);
    const size_t path_end = hash == std::wstring::npos ? text.size() : hash;
    OutText(has_scheme ? text.substr(0, colon) : L"", scheme);
    OutText(text.substr(path_start, path_end - path_start), path);
    OutText(text.substr(path_end), rest);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::OpenAddress(BSTR address) noexcept {
  try {
    journal_.Append("address open " + win::Narrow(Text(address)));
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

std::vector<IServerModule*> HostClient::KnownModules() const {
  std::vector<IServerModule*> modules{host_module_};
  if (module_) modules.push_back(module_);
  if (pcb_module_) modules.push_back(pcb_module_);
  return modules;
}

HRESULT HostClient::GetServerModuleCount(int* count) noexcept {
  if (!count) return E_POINTER;
  try {
    *count = static_cast<int>(KnownModules().size());
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::GetServerModule(int index, IServerModule** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  try {
    const std::vector<IServerModule*> modules = KnownModules();
    if (index < 0 || index >= static_cast<int>(modules.size())) return E_INVALIDARG;
    return OutInterface(modules[index], result);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::GetFilePathForName(BSTR name, BSTR* path) noexcept {
  try {
    const HostDocument* document = FindDocument(Text(name));
    return OutText(document ? document->Path() : L"", path);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostClient::GetIsClosing(BOOLEAN* result) noexcept {
  if (!result) return E_POINTER;
  *result = closing_;
  return S_OK;
}

HRESULT HostClient::GetMessageService(IWorkspaceMessages** result) noexcept {
  return OutInterface<IWorkspaceMessages>(nullptr, result);
}

}  // namespace plavena
