// A module's forms held by the stand-in host's form holder: attaching, detaching, bounds and
// focus through the host's interface, and when each wrapper frees its form.
#include "sdk/external_form.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/stdctrls.h"
#include "host/plavena/client.h"
#include "host/plavena/form_holder.h"
#include "sdk/client_api.h"

namespace {

using framework::TButton;
using framework::TComponent;
using framework::TForm;

// Handles every waiting message of this thread.
void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

bool DelayedFreeWaiting() {
  MSG message;
  return PeekMessageW(&message, nullptr, sdk::kDelayedFreeMessage, sdk::kDelayedFreeMessage,
                      PM_NOREMOVE);
}

// A form that says when it goes.
template <class Base = TForm>
class TrackedForm : public Base {
 public:
  explicit TrackedForm(bool& freed) : Base(nullptr), freed_(freed) { freed_ = false; }
  ~TrackedForm() override { freed_ = true; }

 private:
  bool& freed_;
};

// An options form that records what the host asked of it.
class RecordingOptionsForm final : public TrackedForm<sdk::TOptionsForm> {
 public:
  using TrackedForm::TrackedForm;
  void SetDocumentPath(const std::string& path) override { calls.push_back("path " + path); }
  bool GetModified() override { return true; }
  void LoadOptions() override { calls.push_back("load"); }
  void SaveOptions() override { calls.push_back("save"); }
  void ApplyOptions() override { calls.push_back("apply"); }
  void SetOption(const std::string& name, const std::string& value) override {
    calls.push_back(name + "=" + value);
  }
  int GetOptionState(const std::string& name) override { return static_cast<int>(name.size()); }
  std::vector<std::string> calls;
};

// A page form that is its own options page, as the host's option pages are.
bool page_freed = false;
class PageForm final : public TrackedForm<>, public IOptionsPage {
 public:
  explicit PageForm(TComponent*) : TrackedForm(page_freed) {}
  HRESULT __stdcall QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG __stdcall AddRef() override { return 1; }  // the wrapper owns the form
  ULONG __stdcall Release() override { return 1; }
  HRESULT __stdcall GetModified(BOOLEAN* result) override { return *result = modified, S_OK; }
  HRESULT __stdcall SetModified(BOOLEAN value) override { return modified = value, S_OK; }
  HRESULT __stdcall ApplyChanges() override { return E_ABORT; }
  HRESULT __stdcall RevertChanges() override { return S_OK; }
  HRESULT __stdcall GetPageIndex(int* result) override { return *result = 3, S_OK; }
  HRESULT __stdcall GetHelpContext(int* result) override { return *result = 120, S_OK; }
  HRESULT __stdcall CanClose(BOOLEAN* result) override { return *result = TRUE, S_OK; }
  BOOLEAN modified = FALSE;
};

class ExternalForms : public ::testing::Test {
 protected:
  void TearDown() override {
    sdk::SetClientGlobal(nullptr);
    PumpMessages();
    holder_->Release();
    client_->Release();
  }
  plavena::Journal journal_;
  plavena::HostClient* client_ = new plavena::HostClient(journal_, nullptr);
  plavena::HostFormHolder* holder_ = new plavena::HostFormHolder(journal_, nullptr);
};

TEST_F(ExternalForms, TheHolderTakesTheFormAndANilHolderLetsItGo) {
  bool freed = false;
  auto* form = new TrackedForm<>(freed);
  form->SetBorderStyle(framework::TFormBorderStyle::bsSizeable);
  form->SetText(L"Board options");
  form->SetBounds(10, 20, 200, 100);
  auto* skipped = new TButton(form);
  skipped->SetParent(form);
  skipped->SetTabStop(false);
  auto* first = new TButton(form);
  first->SetParent(form);
  first->SetTop(40);
  int hides = 0;
  form->OnHide = [&](TComponent*) { ++hides; };
  auto* wrapper = new sdk::TExternalForm(form, true);
  EXPECT_EQ(form->BorderStyle(), framework::TFormBorderStyle::bsNone);

  win::Bstr caption;
  EXPECT_EQ(wrapper->GetCaption(caption.put()), S_OK);
  EXPECT_EQ(caption.str(), L"Board options");
  ASSERT_EQ(wrapper->SetHolder(holder_), S_OK);
  ASSERT_EQ(wrapper->Attach(), S_OK);
  EXPECT_EQ(journal_.Lines(), std::vector<std::string>{"form holder gives its window"});
  HWND window = nullptr;
  wrapper->GetWindowHandle(&window);
  EXPECT_EQ(GetParent(window), holder_->Window());
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(form->Visible());
  const auto bounds = [&] {
    int left = 0, top = 0, width = 0, height = 0;
    wrapper->GetBounds(&left, &top, &width, &height);
    return std::vector<int>{left, top, width, height};
  };
  EXPECT_EQ(bounds(), (std::vector<int>{10, 20, 200, 100}));
  wrapper->SetBounds(5, 6, 300, 150);
  EXPECT_EQ(bounds(), (std::vector<int>{5, 6, 300, 150}));

  ShowWindow(holder_->Window(), SW_SHOW);
  EXPECT_EQ(wrapper->FocusFirstControl(), S_OK);
  EXPECT_EQ(GetFocus(), first->Handle()) << "the first control with a tab stop";

  EXPECT_EQ(wrapper->SetHolder(nullptr), S_OK);
  EXPECT_EQ(hides, 1);
  EXPECT_TRUE(!form->Visible() && !form->ParentWindow() && !form->HandleAllocated() &&
              !(form->ControlState() & framework::csRecreating));
  EXPECT_EQ(wrapper->Attach(), S_OK);
  EXPECT_FALSE(form->Visible()) << "without a holder the form stays hidden";
  EXPECT_EQ(form->Left(), 5);

  wrapper->Release();
  EXPECT_TRUE(freed) << "free at once";
}

TEST_F(ExternalForms, AnOptionsViewFreesItsFormAfterTheCurrentMessage) {
  sdk::SetClientGlobal(client_);
  bool freed = false;
  auto* form = new RecordingOptionsForm(freed);
  auto* view = new sdk::TDocumentOptionsView(form);
  EXPECT_EQ(form->OptionsView(), view);
  win::ComPtr<IDocumentOptionsView> options;
  ASSERT_EQ(view->QueryInterface(IID_IDocumentOptionsView, reinterpret_cast<void**>(options.put())),
            S_OK);
  options->SetDocumentPath(win::Bstr(L"C:\\work\\board.json").get());
  options->LoadOptions();
  options->SetOption(win::Bstr(L"Grid").get(), win::Bstr(L"5mil").get());
  options->ApplyOptions();
  options->SaveOptions();
  BOOLEAN modified = FALSE, can_apply = TRUE;
  options->GetModified(&modified);
  options->CanApply(&can_apply);
  int state = 0;
  options->GetOptionState(win::Bstr(L"Grid").get(), &state);
  EXPECT_EQ(form->calls, (std::vector<std::string>{"path C:\\work\\board.json", "load", "Grid=5mil",
                                                   "apply", "save"}));
  EXPECT_TRUE(modified);
  EXPECT_FALSE(can_apply) << "the options form's default";
  EXPECT_EQ(state, 4);

  // With a window: the framework's release.
  form->Handle();
  options.reset();
  view->Release();
  EXPECT_FALSE(freed);
  EXPECT_EQ(form->OptionsView(), nullptr);
  PumpMessages();
  EXPECT_TRUE(freed);

  // Without one: the delayed destroyer, after the messages in the queue.
  auto* bare = new RecordingOptionsForm(freed);
  (new sdk::TDocumentOptionsView(bare))->Release();
  EXPECT_FALSE(freed);
  EXPECT_TRUE(DelayedFreeWaiting());
  PumpMessages();
  EXPECT_TRUE(freed);
  EXPECT_FALSE(DelayedFreeWaiting());

  // A client that is closing delivers no more messages to the form: at once, window or not.
  client_->BeginClosing();
  auto* last = new RecordingOptionsForm(freed);
  last->Handle();
  (new sdk::TDocumentOptionsView(last))->Release();
  EXPECT_TRUE(freed);
  (new sdk::TDocumentOptionsView(new RecordingOptionsForm(freed)))->Release();
  EXPECT_TRUE(freed);
  EXPECT_FALSE(DelayedFreeWaiting());

  // Without a client nothing may come later: at once.
  sdk::SetClientGlobal(nullptr);
  (new sdk::TDocumentOptionsView(new RecordingOptionsForm(freed)))->Release();
  EXPECT_TRUE(freed);
}

TEST_F(ExternalForms, OptionsPagesForwardToTheirFormAndFreeItAtOnce) {
  sdk::SetClientGlobal(client_);
  EXPECT_FALSE(sdk::CreateOptionsPageFromClass(nullptr));
  win::ComPtr<IOptionsPage> page = sdk::CreateOptionsPageFromClass(
      [](TComponent* owner) -> TComponent* { return new PageForm(owner); });
  ASSERT_TRUE(page);
  EXPECT_FALSE(page_freed);
  // Page index, help context, modified and can-close, as the page answers them.
  const auto answers = [](IOptionsPage& p) {
    int index = 0, help = 0;
    BOOLEAN modified = TRUE, can_close = FALSE;
    p.GetPageIndex(&index);
    p.GetHelpContext(&help);
    p.GetModified(&modified);
    p.CanClose(&can_close);
    return std::vector<int>{index, help, modified, can_close};
  };
  EXPECT_EQ(answers(*page.get()), (std::vector<int>{3, 120, 0, 1}));
  page->SetModified(TRUE);
  EXPECT_EQ(answers(*page.get()), (std::vector<int>{3, 120, 1, 1}));
  EXPECT_EQ(page->ApplyChanges(), E_ABORT) << "the page's own status";
  EXPECT_TRUE(page.As<IExternalForm>(IID_IExternalForm)) << "a held form as well";
  page.reset();
  EXPECT_TRUE(page_freed) << "at once, though the host is running";

  // A page form without the page interface answers false and -1.
  bool freed = false;
  sdk::TOptionsPage plain(new TrackedForm<>(freed));
  EXPECT_EQ(answers(plain), (std::vector<int>{-1, -1, 0, 0}));
}

}  // namespace
