// What the editor tests share: a container standing in for the grid, which records the keys its
// editor hands it, inside a shown form.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "editors/container.h"
#include "editors/inplace_edit.h"
#include "framework/stdctrls.h"
#include "tests/controls/edit_test_support.h"

namespace editortest {

class TestContainer : public editors::TCustomdxContainer {
 public:
  using TCustomdxContainer::TCustomdxContainer;
  bool IsTabs() const override { return tabs; }
  bool IsReadOnly() const override { return read_only; }
  void WndProc(framework::TMessage& message) override;

  bool tabs = false;
  bool read_only = false;
  std::vector<WPARAM> keys;  // WM_KEYDOWN the container received
};

// A form with a container (the grid's place) and a plain edit beside it to hold the focus.
class EditorForm : public edittest::EditForm {
 protected:
  void SetUp() override;
  // An editor of the container, shown over `cell` (container coordinates) with the focus.
  template <class Editor>
  Editor& Open(const RECT& cell = {10, 10, 150, 28}) {
    auto* editor = new Editor(container_);
    editor->SetParent(container_);
    container_->SetFocus();
    editor->SetClosing(false);
    editor->ShowAndFocus(cell);
    return *editor;
  }
  // A key as the application's loop hands it out, the form's default and cancel button (one
  // button, counting its presses in `dialog_presses_`) ready to take what the editor leaves.
  void PressThroughForm(HWND hwnd, WORD key);
  int dialog_presses_ = 0;
  TestContainer* container_ = nullptr;  // owned by the form
  controls::TXPEdit* outside_ = nullptr;

 private:
  framework::TButton* dialog_button_ = nullptr;  // owned by the form
};

}  // namespace editortest
