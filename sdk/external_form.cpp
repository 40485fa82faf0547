#include "sdk/external_form.h"

#include <type_traits>
#include <utility>

#include "framework/application.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/exceptions.h"

namespace sdk {

using framework::TForm;

// ---- TDelayedDestroyer -------------------------------------------------------------------------

namespace {

constexpr wchar_t kDestroyerClass[] = L"TralvekDelayedDestroyer";

void RegisterDestroyerClass(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = win::ThisModule();
    window_class.lpszClassName = kDestroyerClass;
    return RegisterClassExW(&window_class) != 0;
  }();
  if (!registered) throw Exception("Cannot register the delayed destroyer's window class");
}

}  // namespace

TDelayedDestroyer::TDelayedDestroyer(framework::TComponent* object) : object_(object) {
  RegisterDestroyerClass(WindowProc);
  window_.reset(CreateWindowExW(0, kDestroyerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                win::ThisModule(), nullptr));
  if (!window_) throw Exception("Cannot create the delayed destroyer's window");
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  PostMessageW(window_.get(), kDelayedFreeMessage, 0, 0);
}

TDelayedDestroyer::~TDelayedDestroyer() { SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0); }

LRESULT CALLBACK TDelayedDestroyer::WindowProc(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) noexcept {
  auto* destroyer = reinterpret_cast<TDelayedDestroyer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message != kDelayedFreeMessage || !destroyer) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  try {
    delete destroyer->object_;
  } catch (...) {
    framework::Application::Instance().HandleException();
  }
  delete destroyer;
  return 0;
}

void DelayedFree(framework::TComponent* object) { new TDelayedDestroyer(object); }

// ---- TExternalFormOf ---------------------------------------------------------------------------

namespace {

// A client that cannot say counts as staying.
bool ClientIsClosing(const win::ComPtr<IClient>& client) {
  const auto state = client.As<IClientState>(IID_IClientState);
  BOOLEAN closing = FALSE;
  return state && SUCCEEDED(state->GetIsClosing(&closing)) && closing;
}

}  // namespace

template <class I>
TExternalFormOf<I>::TExternalFormOf(TForm* form, bool free_at_once)
    : free_at_once_(free_at_once), form_(form) {
  if (!form_) return;
  form_->SetBorderStyle(framework::TFormBorderStyle::bsNone);
  // The host activates its own window; the form's activation would fight it.
  form_->OnActivate = [](framework::TComponent*) {};
}

template <class I>
TExternalFormOf<I>::~TExternalFormOf() {
  holder_.reset();
  if (!form_) return;
  try {
    const win::ComPtr<IClient> client = GetClient();
    if (free_at_once_ || !client || ClientIsClosing(client)) {
      delete form_;
    } else if (form_->HandleAllocated()) {
      form_->Release();
    } else {
      DelayedFree(form_);
    }
  } catch (...) {
    // No window for the delayed freeing: the form stays rather than going under the host.
    framework::Application::Instance().HandleException();
  }
}

template <class I>
HRESULT TExternalFormOf<I>::QueryInterface(REFIID iid, void** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (iid == IID_IUnknown || iid == IID_IExternalForm ||
      (std::is_same_v<I, IDocumentOptionsView> && iid == IID_IDocumentOptionsView)) {
    *result = static_cast<I*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

template <class I>
ULONG TExternalFormOf<I>::Release() noexcept {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

template <class I>
template <class Action>
HRESULT TExternalFormOf<I>::OnForm(Action action) noexcept {
  try {
    if (form_) action(*form_);
    return S_OK;
  } catch (const EHostError& error) {
    return FAILED(error.status()) ? error.status() : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

template <class I>
HRESULT TExternalFormOf<I>::SetHolder(IExternalFormHolder* holder) noexcept {
  holder_ = win::ComPtr<IExternalFormHolder>::Share(holder);
  return OnForm([&](TForm&) {
    if (!holder) DetachForm();
  });
}

template <class I>
HRESULT TExternalFormOf<I>::Attach() noexcept {
  return OnForm([&](TForm& form) {
    const int left = form.Left(), top = form.Top();
    if (holder_) {
      HWND parent = nullptr;
      CheckHost(holder_->GetParentWindow(&parent), "GetParentWindow");
      form.SetParentWindow(parent);
      form.Show();
    } else {
      form.Hide();
    }
    form.SetBounds(left, top, form.Width(), form.Height());
  });
}

// The form hears of its hiding once, from here: while its window goes, which the system may
// report as a hiding too, the handler is put aside.
template <class I>
void TExternalFormOf<I>::DetachForm() {
  if (!form_) return;
  if (form_->OnHide) form_->OnHide(form_);
  struct Restore {
    TForm& form;
    framework::TNotifyEvent on_hide;
    ~Restore() {
      form.OnHide = std::move(on_hide);
      form.SetControlState(form.ControlState() & ~framework::csRecreating);
    }
  };
  {
    const Restore restore{*form_, std::exchange(form_->OnHide, {})};
    form_->SetControlState(form_->ControlState() | framework::csRecreating);
    form_->DestroyHandle();
  }
  form_->Hide();
  form_->SetParentWindow(nullptr);
}

template <class I>
HRESULT TExternalFormOf<I>::Detach() noexcept {
  return OnForm([&](TForm&) { DetachForm(); });
}

template <class I>
HRESULT TExternalFormOf<I>::GetBounds(int* left, int* top, int* width, int* height) noexcept {
  if (!left || !top || !width || !height) return E_POINTER;
  *left = *top = *width = *height = 0;
  return OnForm([&](TForm& form) {
    *left = form.Left();
    *top = form.Top();
    *width = form.Width();
    *height = form.Height();
  });
}

template <class I>
HRESULT TExternalFormOf<I>::GetCaption(BSTR* result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return OnForm([&](TForm& form) { *result = win::Bstr(form.Caption()).detach(); });
}

template <class I>
HRESULT TExternalFormOf<I>::GetWindowHandle(HWND* result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return OnForm([&](TForm& form) { *result = form.Handle(); });
}

template <class I>
HRESULT TExternalFormOf<I>::Hide() noexcept {
  return OnForm([](TForm& form) { form.Hide(); });
}

template <class I>
HRESULT TExternalFormOf<I>::SetBounds(int left, int top, int width, int height) noexcept {
  return OnForm([&](TForm& form) { form.SetBounds(left, top, width, height); });
}

template <class I>
HRESULT TExternalFormOf<I>::SetFocus() noexcept {
  return OnForm([](TForm& form) {
    if (form.Visible() && form.Enabled() && form.CanFocus()) form.SetFocus();
  });
}

template <class I>
HRESULT TExternalFormOf<I>::Show() noexcept {
  return OnForm([](TForm& form) { form.Show(); });
}

template <class I>
HRESULT TExternalFormOf<I>::FocusFirstControl() noexcept {
  return OnForm([](TForm& form) {
    if (framework::TWinControl* first = form.FindNextControl(nullptr, true, true)) {
      first->SetFocus();
    }
  });
}

template class TExternalFormOf<IExternalForm>;
template class TExternalFormOf<IDocumentOptionsView>;

// ---- TOptionsForm and TDocumentOptionsView -----------------------------------------------------

void TOptionsForm::SetDocumentPath(const std::string&) {}
bool TOptionsForm::GetModified() { return false; }
void TOptionsForm::LoadOptions() {}
void TOptionsForm::SaveOptions() {}
bool TOptionsForm::CanApply() { return false; }
void TOptionsForm::ApplyOptions() {}
void TOptionsForm::ResetOptions() {}
void TOptionsForm::SetOption(const std::string&, const std::string&) {}
int TOptionsForm::GetOptionState(const std::string&) { return 0; }

namespace {

std::string Text(BSTR text) {
  return win::Narrow(text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view());
}

}  // namespace

TDocumentOptionsView::TDocumentOptionsView(TOptionsForm* form)
    : TExternalFormOf(form, false), options_form_(form) {
  if (options_form_) options_form_->view_ = this;
}

TDocumentOptionsView::~TDocumentOptionsView() {
  if (options_form_) options_form_->view_ = nullptr;
}

template <class Action>
HRESULT TDocumentOptionsView::OnOptionsForm(Action action) noexcept {
  return OnForm([&](TForm&) { action(*options_form_); });
}

HRESULT TDocumentOptionsView::SetDocumentPath(BSTR path) noexcept {
  return OnOptionsForm([&](TOptionsForm& form) { form.SetDocumentPath(Text(path)); });
}

HRESULT TDocumentOptionsView::GetModified(BOOLEAN* result) noexcept {
  if (!result) return E_POINTER;
  *result = FALSE;
  return OnOptionsForm([&](TOptionsForm& form) { *result = form.GetModified(); });
}

HRESULT TDocumentOptionsView::LoadOptions() noexcept {
  return OnOptionsForm([](TOptionsForm& form) { form.LoadOptions(); });
}

HRESULT TDocumentOptionsView::SaveOptions() noexcept {
  return OnOptionsForm([](TOptionsForm& form) { form.SaveOptions(); });
}

HRESULT TDocumentOptionsView::CanApply(BOOLEAN* result) noexcept {
  if (!result) return E_POINTER;
  *result = FALSE;
  return OnOptionsForm([&](TOptionsForm& form) { *result = form.CanApply(); });
}

HRESULT TDocumentOptionsView::ApplyOptions() noexcept {
  return OnOptionsForm([](TOptionsForm& form) { form.ApplyOptions(); });
}

HRESULT TDocumentOptionsView::ResetOptions() noexcept {
  return OnOptionsForm([](TOptionsForm& form) { form.ResetOptions(); });
}

HRESULT TDocumentOptionsView::SetOption(BSTR name, BSTR value) noexcept {
  return OnOptionsForm([&](TOptionsForm& form) { form.SetOption(Text(name), Text(value)); });
}

HRESULT TDocumentOptionsView::GetOptionState(BSTR name, int* result) noexcept {
  if (!result) return E_POINTER;
  *result = 0;
  return OnOptionsForm([&](TOptionsForm& form) { *result = form.GetOptionState(Text(name)); });
}

// ---- TOptionsPage ------------------------------------------------------------------------------

TOptionsPage::TOptionsPage(TForm* form) : TExternalForm(form, true) {}

HRESULT TOptionsPage::QueryInterface(REFIID iid, void** result) noexcept {
  if (result && iid == IID_IOptionsPage) {
    *result = static_cast<IOptionsPage*>(this);
    AddRef();
    return S_OK;
  }
  return TExternalForm::QueryInterface(iid, result);
}

IOptionsPage* TOptionsPage::Page() const noexcept { return dynamic_cast<IOptionsPage*>(Form()); }

HRESULT TOptionsPage::GetModified(BOOLEAN* result) noexcept {
  if (!result) return E_POINTER;
  *result = FALSE;
  return Page() ? Page()->GetModified(result) : S_OK;
}

HRESULT TOptionsPage::SetModified(BOOLEAN value) noexcept {
  return Page() ? Page()->SetModified(value) : S_OK;
}

HRESULT TOptionsPage::ApplyChanges() noexcept { return Page() ? Page()->ApplyChanges() : S_OK; }

HRESULT TOptionsPage::RevertChanges() noexcept { return Page() ? Page()->RevertChanges() : S_OK; }

HRESULT TOptionsPage::GetPageIndex(int* result) noexcept {
  if (!result) return E_POINTER;
  *result = -1;
  return Page() ? Page()->GetPageIndex(result) : S_OK;
}

HRESULT TOptionsPage::GetHelpContext(int* result) noexcept {
  if (!result) return E_POINTER;
  *result = -1;
  return Page() ? Page()->GetHelpContext(result) : S_OK;
}

HRESULT TOptionsPage::CanClose(BOOLEAN* result) noexcept {
  if (!result) return E_POINTER;
  *result = FALSE;
  return Page() ? Page()->CanClose(result) : S_OK;
}

win::ComPtr<IOptionsPage> CreateOptionsPageFromClass(framework::ComponentFactory form_class) {
  if (!form_class) return {};
  framework::TComponent* made = form_class(nullptr);
  auto* form = dynamic_cast<TForm*>(made);
  if (!form) {
    delete made;
    return {};
  }
  auto* page = new TOptionsPage(form);
  return win::ComPtr<IOptionsPage>::Adopt(static_cast<IOptionsPage*>(page));
}

}  // namespace sdk
