// What the editor tests share.
#include "tests/editors/editor_test_support.h"

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

}  // namespace editortest
