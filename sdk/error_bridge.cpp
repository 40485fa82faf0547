// COM error information from the module's exceptions.
#include "sdk/error_bridge.h"

#include <oleauto.h>

#include "framework/win/com.h"
#include "framework/win/module.h"
#include "framework/win/text.h"

namespace sdk {

std::wstring GetModuleFileNameWide() {
  const std::wstring path = win::ModuleFileName(win::ThisModule());
  const size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void SetErrorInfoFrom(const Exception& error) noexcept {
  try {
    win::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) return;  // the exception goes on without it
    const std::wstring source = GetModuleFileNameWide();
    const std::wstring description = win::Widen(error.what());
    create->SetSource(const_cast<LPOLESTR>(source.c_str()));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    win::ComPtr<IErrorInfo> info = create.As<IErrorInfo>(IID_IErrorInfo);
    if (info) SetErrorInfo(0, info.get());
  } catch (...) {
    // Out of memory while describing a failure: the status alone must do.
  }
}

void ClearErrorInfo() noexcept { SetErrorInfo(0, nullptr); }

}  // namespace sdk
