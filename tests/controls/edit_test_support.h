// What the edit tests share: a shown form to hold edits, keys held in the thread's keyboard state,
// the clipboard's text, the context menu shown and closed, and pictures of what was drawn.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "framework/forms.h"
#include "tests/controls/paint_styles.h"
#include "tests/controls/surface.h"

namespace edittest {

// The keys the thread's keyboard state shows as held while the scope lives.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256];
};

// A key pressed and released with the modifiers held.
void Key(HWND hwnd, WORD key, std::initializer_list<int> held = {});
// The width and the line height of text in the edit's font.
int TextWidth(framework::TWinControl& edit, const std::wstring& text);
int LineHeight(framework::TWinControl& edit);
// Characters as WM_CHAR, one by one.
void Type(HWND hwnd, const std::wstring& text);
std::wstring ClipboardText();
void SetClipboardText(const std::wstring& text);

// Sends WM_CONTEXTMENU and, from inside the menu's loop, closes it; with an item, clicks that
// item of the shared menu first.
void ShowContextMenuAndClose(HWND hwnd);
void ShowContextMenuAndChoose(HWND hwnd, int item);

// The control painted as it shows, written to build/pictures/NAME.png.
using xptest::Picture;

// A shown form; the paint style chosen for a test is undone after it.
class EditForm : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // 0 classic, 1 the library's XP look, 2 themed; before the edits are made.
  static void UsePaintStyle(int style);
  template <class Edit>
  Edit& Add(int left, int top, int width) {
    auto* edit = new Edit(&form_);
    edit->SetParent(&form_);
    edit->SetBounds(left, top, width, edit->Height());
    edit->Handle();
    return *edit;
  }
  framework::TForm form_{nullptr};
};

}  // namespace edittest
