#include "sdk/address_dispatch.h"

#include <windows.h>

#include <shellapi.h>

#include <utility>

#include "framework/application.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/navigation_contract.h"
#include "sdk/pdf_help.h"

namespace sdk {
namespace {

constexpr std::wstring_view kPageMarker = L"#PAGE=";

void ShellOpen(HWND owner, const std::wstring& address) {
  ShellExecuteW(owner, L"open", address.c_str(), L"", L"", SW_SHOWNORMAL);
}

ShellOpener shell_opener = ShellOpen;

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

bool SameTextAscii(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// A whole decimal number, or -1.
int PageNumber(std::wstring_view text) {
  if (text.empty() || text.size() > 9) return -1;
  int page = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return -1;
    page = page * 10 + (c - L'0');
  }
  return page;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

win::ComPtr<IClientAddressService> AddressService() {
  return GetClient().As<IClientAddressService>(IID_IClientAddressService);
}

struct AddressParts {
  std::wstring scheme, path, rest;
};

// The host's split of the address; all parts empty without the host's address service.
AddressParts SplitAddress(const std::wstring& address) {
  AddressParts parts;
  if (const auto service = AddressService()) {
    win::Bstr scheme, path, rest;
    CheckHost(service->SplitAddress(win::Bstr(address).get(), scheme.put(), path.put(), rest.put()),
              "SplitAddress");
    parts = {scheme.str(), path.str(), rest.str()};
  }
  return parts;
}

std::wstring ExpandAddress(const std::wstring& address) {
  const auto service = AddressService();
  if (!service) return address;
  win::Bstr full;
  CheckHost(service->ExpandAddress(win::Bstr(address).get(), full.put()), "ExpandAddress");
  return full.str();
}

win::ComPtr<IUnknown> ViewForm(IServerView* view) {
  win::ComPtr<IUnknown> form;
  const auto details =
      win::ComPtr<IServerView>::Share(view).As<IServerViewDetails>(IID_IServerViewDetails);
  if (details) CheckHost(details->GetForm(form.put()), "GetForm");
  return form;
}

// The document's file name, and the view's name when the document has more than one view.
std::wstring ViewIdentity(IServerView* view) {
  win::ComPtr<IServerDocument> document;
  CheckHost(view->GetOwnerDocument(document.put()), "GetOwnerDocument");
  if (!document) return {};
  win::Bstr file_name;
  CheckHost(document->GetFileName(file_name.put()), "GetFileName");
  std::wstring identity = file_name.str();
  int views = 0;
  CheckHost(document->GetViewCount(&views), "GetViewCount");
  const auto details =
      win::ComPtr<IServerView>::Share(view).As<IServerViewDetails>(IID_IServerViewDetails);
  if (views > 1 && details) {
    win::Bstr name;
    CheckHost(details->GetViewName(name.put()), "GetViewName");
    identity += L"|" + name.str();
  }
  return identity;
}

bool HandToTaskPanel(ITaskPanel* panel, const std::wstring& address) {
  int taken = 0;
  CheckHost(panel->NavigateTo(win::Bstr(address).get(), &taken), "NavigateTo");
  return taken != 0;
}

// Step 4 of the dispatch: the current view is a task panel. It takes the address unless it
// shows it already.
bool ShowInCurrentTaskPanel(const std::wstring& address) {
  const win::ComPtr<IClient> client = GetClient();
  if (!client) return false;
  win::ComPtr<IServerView> view;
  CheckHost(client->GetCurrentView(view.put()), "GetCurrentView");
  if (!view) return false;
  const win::ComPtr<IUnknown> form = ViewForm(view.get());
  const auto panel = form.As<ITaskPanel>(IID_ITaskPanel);
  if (!panel) return false;
  if (const auto browser = form.As<IHelpBrowser>(IID_IHelpBrowser)) {
    win::Bstr shown;
    CheckHost(browser->GetCurrentAddress(shown.put()), "GetCurrentAddress");
    if (SameTextAscii(shown.str(), address)) return true;
  }
  HandToTaskPanel(panel.get(), address);
  return true;
}

void ShowView(IServerView* view) {
  win::ComPtr<IServerDocument> document;
  CheckHost(view->GetOwnerDocument(document.put()), "GetOwnerDocument");
  CheckHost(GetClient()->ShowDocument(document.get()), "ShowDocument");
  const auto activation =
      win::ComPtr<IServerView>::Share(view).As<IViewActivation>(IID_IViewActivation);
  if (activation) CheckHost(activation->Activate(), "Activate");
}

}  // namespace

ShellOpener SetShellOpener(ShellOpener opener) noexcept {
  return std::exchange(shell_opener, opener ? opener : ShellOpen);
}

bool IsWebScheme(std::wstring_view scheme) {
  return SameTextAscii(scheme, L"http") || SameTextAscii(scheme, L"ftp") ||
         SameTextAscii(scheme, L"https");
}

void OpenWithShell(const std::wstring& address) {
  shell_opener(framework::Application::Instance().Handle(), address);
}

bool OpenInExternalBrowser(const std::wstring& address) {
  if (!ClientAPI_GetUseExternalWebBrowser()) return false;
  if (!IsWebScheme(SplitAddress(address).scheme)) return false;
  OpenWithShell(address);
  return true;
}

bool OpenInTaskPanel(const std::wstring& address) {
  if (OpenInExternalBrowser(address)) return true;
  const win::ComPtr<IServerDocument> document = FindDocumentThroughWorkspace("PickATask");
  const auto panel = document.As<ITaskPanel>(IID_ITaskPanel);
  return panel && HandToTaskPanel(panel.get(), address);
}

bool ParsePdfPageLink(std::wstring& address, int& page) {
  address = FullPath(address);
  const size_t marker = address.find(kPageMarker);
  if (marker == std::wstring::npos) return false;
  page = PageNumber(std::wstring_view(address).substr(marker + kPageMarker.size()));
  address.erase(marker);
  const size_t dot = address.find_last_of(L'.');
  if (dot == std::wstring::npos || !SameTextAscii(address.substr(dot), L".pdf")) return false;
  address = win::Widen(ResolveHelpFileName(win::Narrow(address)));
  return true;
}

bool IsViewShowingAddress(IServerView* view, const std::wstring& address) {
  if (!view) return false;
  if (const auto browser = ViewForm(view).As<IHelpBrowser>(IID_IHelpBrowser)) {
    BOOLEAN showing = FALSE;
    CheckHost(browser->IsShowingAddress(win::Bstr(address).get(), &showing), "IsShowingAddress");
    return showing != FALSE;
  }
  return SameTextAscii(ViewIdentity(view), address);
}

win::ComPtr<IServerView> FindViewShowingAddress(const std::wstring& address) {
  const auto modules = GetClient().As<IClientModules>(IID_IClientModules);
  if (!modules) return {};
  int module_count = 0;
  CheckHost(modules->GetServerModuleCount(&module_count), "GetServerModuleCount");
  for (int m = 0; m < module_count; ++m) {
    win::ComPtr<IServerModule> module;
    CheckHost(modules->GetServerModule(m, module.put()), "GetServerModule");
    int document_count = 0;
    if (module) CheckHost(module->GetDocumentCount(&document_count), "GetDocumentCount");
    for (int d = 0; d < document_count; ++d) {
      win::ComPtr<IServerDocument> document;
      CheckHost(module->GetDocuments(d, document.put()), "GetDocuments");
      int view_count = 0;
      if (document) CheckHost(document->GetViewCount(&view_count), "GetViewCount");
      for (int v = 0; v < view_count; ++v) {
        win::ComPtr<IServerView> view;
        CheckHost(document->GetView(v, view.put()), "GetView");
        if (IsViewShowingAddress(view.get(), address)) return view;
      }
    }
  }
  return {};
}

void NavigateToAddress(const std::wstring& given) {
  const std::wstring address = ExpandAddress(given);
  if (OpenInExternalBrowser(address)) return;
  // A link that is not a PDF page goes on whole.
  std::wstring pdf_file = address;
  int page = 0;
  if (ParsePdfPageLink(pdf_file, page)) {
    ShowPdfHelp(win::Narrow(pdf_file), page);
    return;
  }
  if (ShowInCurrentTaskPanel(address)) return;
  if (const win::ComPtr<IServerView> view = FindViewShowingAddress(address)) {
    ShowView(view.get());
    return;
  }
  const std::wstring path = SplitAddress(address).path;
  if (!path.empty() && VFSAPI_VFS_FileExists(win::Narrow(path))) {
    CheckHost(AddressService()->OpenAddress(win::Bstr(address).get()), "OpenAddress");
    return;
  }
  OpenInTaskPanel(address);
}

}  // namespace sdk
