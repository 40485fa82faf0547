#include "host/plavena/form_holder.h"

namespace plavena {

HostFormHolder::HostFormHolder(Journal& journal, HWND application_window)
    : journal_(journal),
      window_(CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"Form holder",
                              WS_POPUP | WS_CLIPCHILDREN, 0, 0, 400, 300, application_window,
                              nullptr, GetModuleHandleW(nullptr), nullptr)) {}

HRESULT HostFormHolder::GetParentWindow(HWND* result) noexcept {
  if (!result) return E_POINTER;
  *result = window_.get();
  try {
    journal_.Append("form holder gives its window");
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace plavena
