// The stand-in editor behind the client global.
#include "rules_session.h"

#include <windows.h>

#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/host_contract.h"
#include "idle_client.h"
#include "support/test_paths.h"

namespace rulestest {

namespace {

// Answers only what the rule collection asks of a client: the server module "PCB". No document
// is open in this host.
class PcbClient final : public routertest::IdleClient<> {
 public:
  explicit PcbClient(IServerModule* pcb) : IdleClient({IID_IClient}), pcb_(pcb) {}
  HRESULT __stdcall GetServerModuleByName(BSTR name, IServerModule** result) override {
    *result = name && lstrcmpiW(name, L"PCB") == 0 ? pcb_ : nullptr;
    if (*result) pcb_->AddRef();
    return S_OK;
  }
  HRESULT __stdcall GetDocumentByPath(BSTR, IServerDocument** result) override {
    *result = nullptr;
    return S_OK;
  }

 private:
  IServerModule* pcb_;
};

struct Editor {
  HMODULE module = nullptr;
  quorvel_host::OpenBoard open = nullptr;
};

Editor& TheEditor() {
  static Editor editor = [] {
    Editor e;
    e.module = LoadLibraryA(testsupport::BinaryPath(quorvel_host::kModuleName).c_str());
    if (!e.module) return e;
    e.open = reinterpret_cast<quorvel_host::OpenBoard>(
        reinterpret_cast<void*>(GetProcAddress(e.module, quorvel_host::kOpenBoardName)));
    const auto get_server = reinterpret_cast<quorvel_host::GetServerModule>(
        reinterpret_cast<void*>(GetProcAddress(e.module, quorvel_host::kGetServerModuleName)));
    void* server = nullptr;
    if (get_server && get_server(&server) == S_OK) {
      // Lives as long as the process: its one reference is never released.
      sdk::SetClientGlobal(new PcbClient(static_cast<IServerModule*>(server)));
    }
    return e;
  }();
  return editor;
}

}  // namespace

std::string OpenBoard(const std::string& path) {
  Editor& editor = TheEditor();
  if (!editor.open) return "Quorvel.dll did not load";
  char error[1024] = {};
  return editor.open(path.c_str(), error, sizeof error) == 0 ? std::string() : error;
}

std::string OpenBoardText(const std::string& text) {
  static const testsupport::TempDir dir;
  static int boards = 0;
  const std::string path = dir.Path("board" + std::to_string(++boards) + ".json");
  testsupport::WriteFile(path, text);
  return OpenBoard(path);
}

std::string RulesBoardPath() { return testsupport::TestDataPath("../examples/rules-board.json"); }

std::vector<sdk::Handle> Objects(uint8_t kind) {
  std::vector<sdk::Handle> found;
  sdk::LegacyLayerSet all;
  all.Include(0);
  sdk::IterateContainer(sdk::PcbApi_GetCurrentBoardHandle(), 1u << kind, all, 0,
                        [&](sdk::Handle h) { found.push_back(h); });
  return found;
}

win::ComPtr<IPCB_Primitive> Interface(sdk::Handle handle) {
  win::ComPtr<IServerModule> module;
  sdk::ClientGlobal()->GetServerModuleByName(win::Bstr(L"PCB").get(), module.put());
  const auto pcb = module.As<IPCB_ServerInterface>(IID_IPCB_ServerInterface);
  const auto board = win::ComPtr<IPCB_Board>::Adopt(pcb->GetCurrentPCBBoard());
  if (handle == board->GetHandle()) return board.As<IPCB_Primitive>(IID_IPCB_Primitive);
  win::ComPtr<IPCB_Primitive> found;
  const auto iterator = win::ComPtr<IPCB_BoardIterator>::Adopt(board->CreateBoardIterator());
  iterator->SetKindFilter(1u << sdk::PcbApi_GetObjectIdFromObjectHandle(handle));
  for (auto object = win::ComPtr<IPCB_Primitive>::Adopt(iterator->First()); object;
       object = win::ComPtr<IPCB_Primitive>::Adopt(iterator->Next())) {
    if (object->GetHandle() == handle) return object;
  }
  return found;
}

sdk::Handle Named(uint8_t kind, const std::string& name) {
  for (sdk::Handle handle : Objects(kind)) {
    win::Bstr text;
    Interface(handle)->GetName(text.put());
    if (win::Narrow(text.str()) == name) return handle;
  }
  return 0;
}

std::string RuleName(sdk::Handle rule) {
  if (rule == 0) return "(none)";
  pcbapi::Text255 name{};
  sdk::PcbApi_QueryRuleExtEx(pcbapi::kRead, rule, &name);
  return std::string(name.chars, name.length);
}

}  // namespace rulestest
