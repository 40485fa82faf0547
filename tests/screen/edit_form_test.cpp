// A dialog with one of each own-drawn control on a real screen, driven by real keys and clicks:
// the Tab order, typing, selecting with the mouse, an accelerator, Enter; and what the screen
// shows meanwhile (the highlight and the caret on the text as it is measured, no highlight left
// after the focus went).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/server_dialog.h"
#include "controls/xp_checkbox.h"
#include "controls/xp_control_set.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_edits2.h"
#include "controls/xp_labels.h"
#include "controls/xp_scrolls.h"
#include "framework/form_resource.h"
#include "framework/win/handles.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using testsupport::ScreenCapture;

constexpr char kDescription[] = R"(object EditForm: TEditFormDialog
  Caption = 'Edit form'
  BorderStyle = bsDialog
  Position = poScreenCenter
  ClientWidth = 320
  ClientHeight = 196
  object Page: TXPExtPanel
    Left = 0
    Top = 0
    Width = 320
    Height = 156
    Kind = epkBackground
    object Group: TXPGroupBox
      Left = 8
      Top = 4
      Width = 304
      Height = 112
      Caption = '&Board'
      TabOrder = 0
      object NameEdit: TXPEdit
        Left = 10
        Top = 20
        Width = 200
        Height = 21
        Text = 'Wimbledon'
        TabOrder = 0
      end
      object Protect: TXPCheckBox
        Left = 10
        Top = 52
        Width = 200
        Height = 17
        Caption = '&Protect wires'
        TabOrder = 1
      end
      object Side: TXPComboBox
        Left = 10
        Top = 80
        Width = 150
        Height = 21
        Style = csDropDownList
        Items = ('Top Side' 'Bottom Side')
        ItemIndex = 0
        TabOrder = 2
      end
    end
  end
  object ButtonOK: TXPBitBtn
    Left = 150
    Top = 164
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object ButtonCancel: TXPBitBtn
    Left = 236
    Top = 164
    Width = 75
    Height = 25
    Caption = 'Cancel'
    Cancel = True
    ModalResult = 2
    TabOrder = 2
  end
end
)";

// The dialog of the test, from its description; a label and a scroll bar (classes that form
// descriptions do not name) are added by code.
class TEditFormDialog : public controls::TServerDialog {
 public:
  explicit TEditFormDialog(framework::TComponent* owner) : TServerDialog(owner) {
    static const bool registered = [] {
      controls::RegisterXPControls();
      framework::RegisterComponent<TEditFormDialog>();
      return true;
    }();
    (void)registered;
    framework::ReadComponentText(*this, kDescription, "edit form");
    auto* group = dynamic_cast<framework::TWinControl*>(FindComponent("Group"));
    auto* page = dynamic_cast<framework::TWinControl*>(FindComponent("Page"));
    label_.SetParent(group);
    label_.SetBounds(220, 24, 76, 16);
    label_.SetCaption(L"Guide");
    scroll_bar_.SetParent(page);
    scroll_bar_.SetBounds(8, 126, 304, 17);
    scroll_bar_.SetPageSize(20);
    scroll_bar_.SetPosition(30);
  }
  static const framework::TClassInfo& StaticClassInfo() {
    static const framework::TClassInfo info =
        framework::TClassInfo::Derived<TEditFormDialog, TServerDialog>("TEditFormDialog");
    return info;
  }
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  template <class T>
  T& Child(const char* name) {
    return dynamic_cast<T&>(*FindComponent(name));
  }
  controls::TCustomXPScrollBar& ScrollBar() { return scroll_bar_; }

 private:
  controls::TXPCustomLabel label_{this};
  controls::TCustomXPScrollBar scroll_bar_{this};
};

// Widths of the text's beginnings in the edit's font: where each character boundary lies.
std::vector<int> Boundaries(controls::TCustomXPEdit& edit, const std::wstring& text) {
  win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  SelectObject(dc.get(), edit.Font().Handle());
  std::vector<int> ends(text.size());
  SIZE size{};
  int fitted = 0;
  GetTextExtentExPointW(dc.get(), text.c_str(), static_cast<int>(text.size()), 0, &fitted,
                        ends.data(), &size);
  ends.insert(ends.begin(), 0);
  return ends;
}

// What the script saw while the dialog ran.
struct Observed {
  bool shown = false;
  std::vector<HWND> focus;  // after each Tab from the start
  int caret_home = -1;
  int caret_end = -1;
  int caret_after_drag = -1;
  std::vector<ScreenCapture> edit_selected;  // one, focused with a selection
  std::vector<ScreenCapture> edit_unfocused;
  std::vector<ScreenCapture> bar;  // unfocused, then focused by Tab
  bool closed = false;
};

TEST(EditFormOnScreen, KeysAndMouseWorkItAndTheScreenShowsTheTextAsMeasured) {
  TEditFormDialog dialog(nullptr);
  auto& edit = dialog.Child<controls::TXPEdit>("NameEdit");
  auto& protect = dialog.Child<controls::TXPCheckBox>("Protect");
  const std::vector<HWND> tab_order = {
      dialog.Child<controls::TXPCheckBox>("Protect").Handle(),
      dialog.Child<framework::TWinControl>("Side").Handle(),
      dialog.ScrollBar().Handle(),
      dialog.Child<framework::TWinControl>("ButtonOK").Handle(),
      dialog.Child<framework::TWinControl>("ButtonCancel").Handle(),
      edit.Handle()};
  const HWND edit_hwnd = edit.Handle();
  const HWND bar_hwnd = dialog.ScrollBar().Handle();
  const std::wstring typed = L"Wimbledon mmmm";
  const std::vector<int> at = Boundaries(edit, typed);
  const DWORD ui_thread = GetCurrentThreadId();
  ASSERT_FALSE(protect.Checked());

  Observed seen;
  int result = 0;
  testsupport::WhileModal(
      [&] { result = dialog.ShowModal(); },
      [&] {
        const HWND window = testsupport::WaitForWindow(L"Edit form");
        if (!window) return;
        seen.shown = true;
        testsupport::PumpUntil([&] { return GetForegroundWindow() == window; });
        testsupport::Settle(300);
        ScreenCapture::OfWindow(window).Save("screen_edit_form");

        // Focus starts on the edit (first in the Tab order); Tab walks the dialog round.
        testsupport::Click(edit_hwnd, {190, 10});
        seen.bar.push_back(ScreenCapture::OfWindow(bar_hwnd));
        for (size_t i = 0; i < tab_order.size(); ++i) {
          testsupport::PressKey(VK_TAB);
          seen.focus.push_back(testsupport::FocusOf(ui_thread));
          if (seen.focus.back() != bar_hwnd) continue;
          testsupport::Settle(100);
          seen.bar.push_back(ScreenCapture::OfWindow(bar_hwnd));
        }

        testsupport::PressKey(VK_HOME);
        seen.caret_home = testsupport::CaretOf(ui_thread).left;
        testsupport::PressKey(VK_END);
        testsupport::TypeText(L" mmmm");
        seen.caret_end = testsupport::CaretOf(ui_thread).left;

        // Select "imble" by mouse: from just right of one boundary to just right of another.
        const int home = seen.caret_home;
        testsupport::Drag(edit_hwnd, {home + at[1] + 1, 10}, {home + at[6] + 1, 10});
        seen.caret_after_drag = testsupport::CaretOf(ui_thread).left;
        testsupport::Settle(150);
        seen.edit_selected.push_back(ScreenCapture::OfWindow(edit_hwnd));

        testsupport::PressKey(VK_TAB);
        testsupport::Settle(150);
        seen.edit_unfocused.push_back(ScreenCapture::OfWindow(edit_hwnd));

        testsupport::PressKey('P', {VK_MENU});
        testsupport::PressKey(VK_TAB, {VK_SHIFT});
        ScreenCapture::OfWindow(window).Save("screen_edit_form_used");
        testsupport::PressKey(VK_RETURN);
        seen.closed = testsupport::WaitUntilClosed(window);
        if (!seen.closed) PostMessageW(window, WM_CLOSE, 0, 0);
      });

  ASSERT_TRUE(seen.shown);
  EXPECT_TRUE(seen.closed) << "Enter presses the default button";
  EXPECT_EQ(result, 1);
  EXPECT_EQ(seen.focus, tab_order);
  EXPECT_EQ(edit.Text(), typed);
  EXPECT_TRUE(protect.Checked()) << "Alt+P ticks the box";
  EXPECT_EQ(edit.SelLength(), static_cast<int>(typed.size())) << "Shift+Tab back selects all";

  // Caret, highlight and text all stand where the font measures them.
  const int home = seen.caret_home;
  EXPECT_NEAR(seen.caret_end - home, at.back(), 1);
  EXPECT_NEAR(seen.caret_after_drag - home, at[6], 1);
  ASSERT_EQ(seen.edit_selected.size(), 1u);
  const ScreenCapture& selected = seen.edit_selected.front();
  selected.Save("screen_edit_selection");
  const COLORREF highlight = framework::ColorToRGB(controls::XPPalette().clXPHighlight);
  RECT client{};
  GetClientRect(edit_hwnd, &client);
  const RECT inside =
      selected.FromClient(edit_hwnd, {home, 2, client.right - 2, client.bottom - 2});
  const RECT highlight_box = selected.BoxOf(inside, highlight, 8);
  const RECT origin = selected.FromClient(edit_hwnd, {home, 0, home, 0});
  ASSERT_LT(highlight_box.left, highlight_box.right) << "the selection is highlighted";
  EXPECT_NEAR(highlight_box.left - origin.left, at[1], 1);
  EXPECT_NEAR(highlight_box.right - origin.left, at[6], 1);
  // The text ends where it is measured to end: its last letter is neither cut nor drawn short.
  const COLORREF background = selected.Pixel(inside.right - 3, (inside.top + inside.bottom) / 2);
  RECT after = inside;
  after.left = origin.left + at[6] + 1;
  const RECT ink = selected.InkBox(after, background, 60);
  EXPECT_NEAR(ink.right - origin.left, at.back(), 2) << "the ink of \"don mmmm\"";

  // A user who tabs to the scroll bar sees it: the thumb changes, nothing else.
  ASSERT_EQ(seen.bar.size(), 2u);
  seen.bar.back().Save("screen_scroll_bar_focused");
  const RECT thumb = dialog.ScrollBar().CurrentLayout().Part(controls::kPartThumb);
  const RECT thumb_in_capture = seen.bar.front().FromClient(bar_hwnd, thumb);
  RECT outside_thumb = seen.bar.front().ClientArea(bar_hwnd);
  outside_thumb.right = thumb_in_capture.left;
  EXPECT_GT(seen.bar.front().DifferingPixels(seen.bar.back(), thumb_in_capture), 10);
  EXPECT_EQ(seen.bar.front().DifferingPixels(seen.bar.back(), outside_thumb), 0);

  ASSERT_EQ(seen.edit_unfocused.size(), 1u);
  const ScreenCapture& unfocused = seen.edit_unfocused.front();
  unfocused.Save("screen_edit_selection_unfocused");
  EXPECT_EQ(unfocused.ShareOf(inside, highlight, 8), 0.0) << "no highlight once the focus left";
}

}  // namespace
