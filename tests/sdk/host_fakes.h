// Small stand-ins for the host's interfaces and registry, for tests of the host SDK that need a
// document, a workspace or a registry key the real host would own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/message_dialog.h"
#include "framework/win/com.h"
#include "sdk/host_contract.h"

namespace testfakes {

// A registry key made for one test and removed with everything below it at the end.
class ScopedRegistryKey {
 public:
  ScopedRegistryKey(HKEY root, const std::wstring& path);
  ~ScopedRegistryKey();
  ScopedRegistryKey(const ScopedRegistryKey&) = delete;
  ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;
  void SetString(const std::wstring& name, const std::wstring& value);

 private:
  HKEY root_;
  std::wstring path_;
};

// The message boxes shown while it lives, each answered with OK.
class RecordedMessageBoxes {
 public:
  RecordedMessageBoxes();
  ~RecordedMessageBoxes();
  RecordedMessageBoxes(const RecordedMessageBoxes&) = delete;
  RecordedMessageBoxes& operator=(const RecordedMessageBoxes&) = delete;
  std::vector<framework::MessageDialogRequest> shown;
};

// An operation the test does not expect: clears its out-parameter and fails.
template <class Out>
HRESULT Unused(Out* out) {
  *out = Out{};
  return E_NOTIMPL;
}

// Reference counting and QueryInterface for one object implementing the interfaces listed.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(std::initializer_list<IID> iids) : iids_(iids) {}
  virtual ~ComObject() = default;
  HRESULT __stdcall QueryInterface(REFIID iid, void** result) override {
    *result = nullptr;
    if (iid == IID_IUnknown) {
      *result = static_cast<IUnknown*>(static_cast<First*>(this));
    } else {
      size_t index = 0;
      (Match<Interfaces>(iid, index++, result), ...);
    }
    if (!*result) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() override { return ++references_; }
  ULONG __stdcall Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  template <class First_, class...>
  struct Head {
    using Type = First_;
  };
  using First = typename Head<Interfaces...>::Type;
  template <class I>
  void Match(REFIID iid, size_t index, void** result) {
    if (!*result && index < iids_.size() && iid == iids_[index]) *result = static_cast<I*>(this);
  }
  std::vector<IID> iids_;
  ULONG references_ = 1;
};

// A host document that records the file-change calls it gets, in order, into `log`.
class FakeDocument final : public ComObject<IServerDocument, IServerDocumentFileChange> {
 public:
  FakeDocument(std::wstring path, std::vector<std::string>& log, std::string (*probe)())
      : ComObject({IID_IServerDocument, IID_IServerDocumentFileChange}),
        path_(std::move(path)),
        log_(log),
        probe_(probe) {}
  // Only the file-change calls matter here.
  HRESULT __stdcall GetFileName(BSTR* result) override { return Unused(result); }
  HRESULT __stdcall GetKind(BSTR* result) override { return Unused(result); }
  HRESULT __stdcall GetServerModule(IServerModule** result) override { return Unused(result); }
  HRESULT __stdcall GetViewCount(int* count) override { return Unused(count); }
  HRESULT __stdcall GetView(int, IServerView** result) override { return Unused(result); }
  HRESULT __stdcall Cleanup() override { return S_OK; }
  HRESULT __stdcall BeginFileChange() override;
  HRESULT __stdcall EndFileChange() override;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  std::vector<std::string>& log_;
  std::string (*probe_)();  // what the file holds when the document is told
};

// A client that knows one open document (by path, without regard to case), one server module
// named "PCB" and nothing else.
class FakeClient final : public ComObject<IClient> {
 public:
  explicit FakeClient(FakeDocument* document) : ComObject({IID_IClient}), document_(document) {}
  ~FakeClient() override;
  HRESULT __stdcall GetDocumentByPath(BSTR path, IServerDocument** result) override;
  // Nothing else is asked of this client.
  HRESULT __stdcall GetApplicationHandle(HWND* result) override { return Unused(result); }
  HRESULT __stdcall GetMainWindowHandle(HWND* result) override { return Unused(result); }
  HRESULT __stdcall GetCurrentView(IServerView** result) override { return Unused(result); }
  HRESULT __stdcall SetStatusBarText(int, BSTR, IStatusPanel** result) override {
    return Unused(result);
  }
  HRESULT __stdcall ShowDocument(IServerDocument*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetDocumentKindFromFile(BSTR, BSTR* kind) override { return Unused(kind); }
  HRESULT __stdcall OpenNewDocument(BSTR, BSTR, IServerDocument** result) override {
    return Unused(result);
  }
  HRESULT __stdcall GetServerModuleByName(BSTR name, IServerModule** result) override;
  IServerModule* pcb_module = nullptr;  // not owned
  HRESULT module_status = S_OK;
  std::wstring asked_for;

 private:
  FakeDocument* document_;  // owned: one reference
};

// One call of the workspace's message service, texts as given.
struct WorkspaceNotice {
  std::wstring title, text, product, document_path, process, parameters;
  int kind = 0;
  int reserved1 = -1, reserved2 = -1, reserved3 = -1;
};

class FakeWorkspace final : public ComObject<IWorkspace, IWorkspaceMessages> {
 public:
  explicit FakeWorkspace(bool has_message_service)
      : ComObject({IID_IWorkspace, IID_IWorkspaceMessages}), has_service_(has_message_service) {}
  HRESULT __stdcall GetFilePathForName(BSTR, BSTR* path) override { return Unused(path); }
  HRESULT __stdcall GetMessageService(IWorkspaceMessages** result) override;
  HRESULT __stdcall AddMessage(BSTR title, BSTR text, BSTR product, BSTR document_path,
                               BSTR process, BSTR parameters, int kind, int reserved1,
                               int reserved2, int reserved3) override;
  std::vector<WorkspaceNotice> notices;

 private:
  bool has_service_;
};

}  // namespace testfakes
