// A module's forms inside windows of the host: the wrapper the host holds (IExternalForm), the
// document options view and the options page built on it, and the delayed freeing of forms the
// host may still be sending messages to.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "framework/classes.h"
#include "framework/forms.h"
#include "framework/win/com.h"
#include "framework/win/handles.h"
#include "sdk/external_form_contract.h"

namespace sdk {

// The private message that frees a form (or any object) after the current message.
inline constexpr UINT kDelayedFreeMessage = 45089;

// Frees one object once the messages waiting now have been handled: a hidden window of its own
// posts itself the message, frees the object when it arrives and then goes itself.
class TDelayedDestroyer {
 public:
  explicit TDelayedDestroyer(framework::TComponent* object);
  ~TDelayedDestroyer();
  TDelayedDestroyer(const TDelayedDestroyer&) = delete;
  TDelayedDestroyer& operator=(const TDelayedDestroyer&) = delete;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  win::UniqueWindow window_;
  framework::TComponent* object_;
};

void DelayedFree(framework::TComponent* object);

// One form offered to the host under the interface I (IExternalForm or one extending it). The
// wrapper owns the form: when the host lets go, the form goes at once (free-at-once wrappers,
// no client), at the framework's release (it has a window) or through DelayedFree.
template <class I>
class TExternalFormOf : public I {
 public:
  TExternalFormOf(framework::TForm* form, bool free_at_once);
  virtual ~TExternalFormOf();
  TExternalFormOf(const TExternalFormOf&) = delete;
  TExternalFormOf& operator=(const TExternalFormOf&) = delete;

  framework::TForm* Form() const noexcept { return form_; }

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG __stdcall AddRef() noexcept override { return ++references_; }
  ULONG __stdcall Release() noexcept override;

  HRESULT __stdcall SetHolder(IExternalFormHolder* holder) noexcept override;
  HRESULT __stdcall Attach() noexcept override;
  HRESULT __stdcall Detach() noexcept override;
  HRESULT __stdcall GetBounds(int* left, int* top, int* width, int* height) noexcept override;
  HRESULT __stdcall GetCaption(BSTR* result) noexcept override;
  HRESULT __stdcall GetWindowHandle(HWND* result) noexcept override;
  HRESULT __stdcall Hide() noexcept override;
  HRESULT __stdcall SetBounds(int left, int top, int width, int height) noexcept override;
  HRESULT __stdcall SetFocus() noexcept override;
  HRESULT __stdcall Show() noexcept override;
  HRESULT __stdcall FocusFirstControl() noexcept override;

 protected:
  // Runs `action` on the form, turning every exception into a failure status.
  template <class Action>
  HRESULT OnForm(Action action) noexcept;

 private:
  void DetachForm();

  bool free_at_once_;
  framework::TForm* form_;
  win::ComPtr<IExternalFormHolder> holder_;
  std::atomic<ULONG> references_{1};
};

using TExternalForm = TExternalFormOf<IExternalForm>;

class TDocumentOptionsView;

// A form of a document's options. The nine operations are the view's; by default they do
// nothing and answer false or 0.
class TOptionsForm : public framework::TForm {
 public:
  using TForm::TForm;
  TDocumentOptionsView* OptionsView() const noexcept { return view_; }

  virtual void SetDocumentPath(const std::string& path);
  virtual bool GetModified();
  virtual void LoadOptions();
  virtual void SaveOptions();
  virtual bool CanApply();
  virtual void ApplyOptions();
  virtual void ResetOptions();
  virtual void SetOption(const std::string& name, const std::string& value);
  virtual int GetOptionState(const std::string& name);

 private:
  friend class TDocumentOptionsView;
  TDocumentOptionsView* view_ = nullptr;
};

// The host's view of a document's options; kept until the host lets go, so its form outlives
// the current message.
class TDocumentOptionsView final : public TExternalFormOf<IDocumentOptionsView> {
 public:
  explicit TDocumentOptionsView(TOptionsForm* form);
  ~TDocumentOptionsView() override;

  HRESULT __stdcall SetDocumentPath(BSTR path) noexcept override;
  HRESULT __stdcall GetModified(BOOLEAN* result) noexcept override;
  HRESULT __stdcall LoadOptions() noexcept override;
  HRESULT __stdcall SaveOptions() noexcept override;
  HRESULT __stdcall CanApply(BOOLEAN* result) noexcept override;
  HRESULT __stdcall ApplyOptions() noexcept override;
  HRESULT __stdcall ResetOptions() noexcept override;
  HRESULT __stdcall SetOption(BSTR name, BSTR value) noexcept override;
  HRESULT __stdcall GetOptionState(BSTR name, int* result) noexcept override;

 private:
  template <class Action>
  HRESULT OnOptionsForm(Action action) noexcept;
  TOptionsForm* options_form_;
};

// A page of the host's options dialog: its operations go to the page form's own IOptionsPage.
// Freed with its form at once.
class TOptionsPage final : public TExternalForm, public IOptionsPage {
 public:
  explicit TOptionsPage(framework::TForm* form);

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG __stdcall AddRef() noexcept override { return TExternalForm::AddRef(); }
  ULONG __stdcall Release() noexcept override { return TExternalForm::Release(); }

  HRESULT __stdcall GetModified(BOOLEAN* result) noexcept override;
  HRESULT __stdcall SetModified(BOOLEAN value) noexcept override;
  HRESULT __stdcall ApplyChanges() noexcept override;
  HRESULT __stdcall RevertChanges() noexcept override;
  HRESULT __stdcall GetPageIndex(int* result) noexcept override;
  HRESULT __stdcall GetHelpContext(int* result) noexcept override;
  HRESULT __stdcall CanClose(BOOLEAN* result) noexcept override;

 private:
  IOptionsPage* Page() const noexcept;
};

// A page form made from its class, without owner, wrapped; empty for no class.
win::ComPtr<IOptionsPage> CreateOptionsPageFromClass(framework::ComponentFactory form_class);

}  // namespace sdk
