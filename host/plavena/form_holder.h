// A window of the stand-in host that holds a module's form (a panel, an options page).
#pragma once

#include <windows.h>

#include "framework/win/handles.h"
#include "host/plavena/com_object.h"
#include "host/plavena/journal.h"
#include "sdk/external_form_contract.h"

namespace plavena {

class HostFormHolder final : public win::ComObject<IExternalFormHolder> {
 public:
  // A hidden panel window owned by the application window (which may be null).
  HostFormHolder(Journal& journal, HWND application_window);
  HWND Window() const noexcept { return window_.get(); }
  HRESULT __stdcall GetParentWindow(HWND* result) noexcept override;

 private:
  Journal& journal_;
  win::UniqueWindow window_;
};

}  // namespace plavena
