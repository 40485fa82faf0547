// Stand-ins for the host's interfaces and registry.
#include "sdk/host_fakes.h"

namespace testfakes {

namespace {

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : L""; }

}  // namespace

ScopedRegistryKey::ScopedRegistryKey(HKEY root, const std::wstring& path)
    : root_(root), path_(path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

ScopedRegistryKey::~ScopedRegistryKey() {
  RegDeleteTreeW(root_, path_.c_str());  // what lies below, then the key itself
  RegDeleteKeyW(root_, path_.c_str());
}

void ScopedRegistryKey::SetString(const std::wstring& name, const std::wstring& value) {
  RegSetKeyValueW(root_, path_.c_str(), name.c_str(), REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT FakeDocument::BeginFileChange() {
  log_.push_back("begin:" + probe_());
  return S_OK;
}
HRESULT FakeDocument::EndFileChange() {
  log_.push_back("end:" + probe_());
  return S_OK;
}

RecordedMessageBoxes::RecordedMessageBoxes() {
  framework::SetMessageDialogHandler([this](const framework::MessageDialogRequest& request) {
    shown.push_back(request);
    return framework::kModalOk;
  });
}
RecordedMessageBoxes::~RecordedMessageBoxes() { framework::SetMessageDialogHandler(nullptr); }

FakeClient::~FakeClient() {
  if (document_) document_->Release();
}
HRESULT FakeClient::GetDocumentByPath(BSTR path, IServerDocument** result) {
  *result = nullptr;
  if (document_ && CompareStringOrdinal(Text(path).c_str(), -1, document_->path().c_str(), -1,
                                        TRUE) == CSTR_EQUAL) {
    document_->AddRef();
    *result = document_;
  }
  return S_OK;
}

HRESULT FakeClient::GetServerModuleByName(BSTR name, IServerModule** result) {
  asked_for = Text(name);
  *result = asked_for == L"PCB" ? pcb_module : nullptr;
  if (*result) (*result)->AddRef();
  return module_status;
}

HRESULT FakeWorkspace::GetMessageService(IWorkspaceMessages** result) {
  *result = nullptr;
  if (!has_service_) return S_OK;
  AddRef();
  *result = this;
  return S_OK;
}
HRESULT FakeWorkspace::AddMessage(BSTR title, BSTR text, BSTR product, BSTR document_path,
                                  BSTR process, BSTR parameters, int kind, int reserved1,
                                  int reserved2, int reserved3) {
  notices.push_back({Text(title), Text(text), Text(product), Text(document_path), Text(process),
                     Text(parameters), kind, reserved1, reserved2, reserved3});
  return S_OK;
}

}  // namespace testfakes
