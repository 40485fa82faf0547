// What the editor tests share.
#include "tests/editors/editor_test_support.h"

#include "framework/application.h"
#include "framework/stdctrls.h"

namespace editortest {

void TestContainer::WndProc(framework::TMessage& message) {
  if (message.msg == WM_KEYDOWN) keys.push_back(message.wParam);
  TCustomdxContainer::WndProc(message);
}

void EditorForm::SetUp() {
  edittest::EditForm::SetUp();
  container_ = new TestContainer(&form_);
  container_->SetParent(&form_);
  container_->SetBounds(5, 5, 300, 100);
  container_->Handle();
  outside_ = &Add<controls::TXPEdit>(5, 115, 120);
}

void EditorForm::PressThroughForm(HWND hwnd, WORD key) {
  if (!dialog_button_) {
    dialog_button_ = new framework::TButton(&form_);
    dialog_button_->SetParent(&form_);
    dialog_button_->SetBounds(200, 115, 75, 25);
    dialog_button_->SetDefault(true);
    dialog_button_->SetCancel(true);
    dialog_button_->OnClick = [this](framework::TComponent*) { ++dialog_presses_; };
  }
  PostMessageW(hwnd, WM_KEYDOWN, key, 1);
  PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
  framework::Application::Instance().ProcessMessages();
}

}  // namespace editortest
