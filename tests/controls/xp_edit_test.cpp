// The own-drawn edit on real windows, driven by the messages a user's keys and mouse send.
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <tuple>

#include "controls/xp_control_set.h"
#include "controls/xp_edits2.h"
#include "framework/form_resource.h"
#include "framework/stdctrls.h"
#include "tests/controls/edit_test_support.h"
#include "tests/controls/steps.h"

namespace {

using controls::TNumberTypeEx;
using controls::TRadix;
using edittest::ClipboardText;
using edittest::HeldKeys;
using edittest::Key;
using edittest::SetClipboardText;
using edittest::Type;

// An edit that edits its own text, as descendants do, with its counters raised meanwhile, and
// whose input-method result can be handed in as the system would after a composition.
class ProbeEdit : public controls::TXPEdit {
 public:
  using TXPEdit::ReceiveImeResult;
  using TXPEdit::TXPEdit;
  void SuppressChanges(int count) { change_suppression_ = count; }
  void SuppressKeys(int count) { key_suppression_ = count; }
};

// In the library's XP look unless a test says otherwise.
class XPEdit : public edittest::EditForm {};

// "text|selection start+length" of an edit (the caret is at the selection's moving end).
std::wstring State(const controls::TCustomXPEdit& edit) {
  return edit.Text() + L"|" + std::to_wstring(edit.SelStart()) + L"+" +
         std::to_wstring(edit.SelLength());
}

TEST_F(XPEdit, TypingEditingClipboardAndUndoThroughKeysAndCharacters) {
  ProbeEdit& edit = Add<ProbeEdit>(10, 10, 200);
  int changes = 0;
  edit.OnChange = [&](framework::TComponent* sender) {
    EXPECT_EQ(sender, &edit);
    ++changes;
  };
  const HWND hwnd = edit.Handle();
  EXPECT_EQ(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & (DLGC_WANTARROWS | DLGC_WANTCHARS),
            DLGC_WANTARROWS | DLGC_WANTCHARS);
  // The state, the OnChange events so far and the clipboard, empty whatever an earlier program
  // left on it.
  SetClipboardText(L"");
  const auto look = [&] {
    return State(edit) + L" " + std::to_wstring(changes) + L" " + ClipboardText();
  };
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { Type(hwnd, L"hello\t"); }, L"hello|5+0 5 "},  // a typed tab is no character
      {[&] { SetClipboardText(L"\tworld"), Type(hwnd, L"\x16"); },  // Ctrl+V: a tab as a space
       L"hello world|11+0 6 \tworld"},
      {[&] { Key(hwnd, VK_HOME); }, L"hello world|0+0 6 \tworld"},
      {[&] { Key(hwnd, VK_RIGHT); }, L"hello world|1+0 6 \tworld"},
      {[&] { Key(hwnd, VK_END, {VK_SHIFT}); }, L"hello world|1+10 6 \tworld"},
      {[&] { Key(hwnd, VK_END); }, L"hello world|11+0 6 \tworld"},  // collapses onto the end
      {[&] { Key(hwnd, VK_HOME); }, L"hello world|0+0 6 \tworld"},
      {[&] { Key(hwnd, VK_RIGHT, {VK_CONTROL}); }, L"hello world|6+0 6 \tworld"},
      {[&] { Key(hwnd, VK_END, {VK_SHIFT}); }, L"hello world|6+5 6 \tworld"},
      {[&] { Type(hwnd, L"\x03"); }, L"hello world|6+5 6 world"},  // Ctrl+C
      {[&] { Key(hwnd, VK_LEFT, {VK_SHIFT, VK_CONTROL}); }, L"hello world|6+0 6 world"},
      {[&] { Key(hwnd, VK_LEFT, {VK_SHIFT, VK_CONTROL}); }, L"hello world|0+6 6 world"},
      {[&] { Key(hwnd, VK_INSERT, {VK_CONTROL}); }, L"hello world|0+6 6 hello "},
      {[&] { Type(hwnd, L"\b"); }, L"world|0+0 7 hello "},  // Backspace takes the selection
      {[&] { Key(hwnd, VK_DELETE); }, L"orld|0+0 8 hello "},
      {[&] { Key(hwnd, VK_END), Type(hwnd, L"\b"); }, L"orl|3+0 9 hello "},
      {[&] { Key(hwnd, VK_DELETE); }, L"orl|3+0 9 hello "},  // nothing after the caret
      // Everything since the text was last set from outside comes back with one undo; a second
      // undo brings the undone text back, selected.
      {[&] { Key(hwnd, VK_BACK, {VK_MENU}); }, L"|0+0 10 hello "},
      {[&] { Type(hwnd, L"\x1A"); }, L"orl|0+3 11 hello "},
      {[&] { Key(hwnd, VK_DELETE, {VK_SHIFT}); }, L"|0+0 12 orl"},  // cut
      {[&] { Key(hwnd, VK_INSERT, {VK_SHIFT}); }, L"orl|3+0 13 orl"},
      {[&] { Type(hwnd, L"\x01"); }, L"orl|0+3 13 orl"},  // Ctrl+A
      {[&] { edit.SetText(L"fresh"); }, L"fresh|5+0 14 orl"},
      // A password gives nothing to copy or cut; cutting still deletes.
      {[&] { edit.SetPasswordChar(L'*'), edit.SelectAll(), Type(hwnd, L"\x03"); },
       L"fresh|0+5 14 orl"},
      {[&] { Key(hwnd, VK_INSERT, {VK_CONTROL}); }, L"fresh|0+5 14 orl"},
      {[&] { Type(hwnd, L"\x18"); }, L"|0+0 15 orl"},  // Ctrl+X
  });
  // clang-format on
  EXPECT_TRUE(edit.Modified());
  edit.SetPasswordChar(L'\0');

  // Read-only blocks every editing path, and undoing.
  edit.SetText(L"fresh");
  EXPECT_FALSE(edit.CanUndo());
  edit.SetReadOnly(true);
  Type(hwnd, L"x\b");
  Key(hwnd, VK_DELETE);
  EXPECT_EQ(edit.Text(), L"fresh");
  edit.SetReadOnly(false);
  Type(hwnd, L"!");
  EXPECT_TRUE(edit.CanUndo());
  edit.SetReadOnly(true);
  EXPECT_FALSE(edit.CanUndo());

  // The window text is the edit's text.
  wchar_t buffer[4] = {};
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_STREQ(buffer, L"fre");
  wchar_t untouched[2] = {L'x', L'\0'};
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(untouched)), 0);
  EXPECT_EQ(untouched[0], L'x') << "no room, not even for the terminating zero";
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6);
  SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"set"));
  EXPECT_EQ(State(edit), L"set|3+0") << "a text from outside puts the caret at its end";
  EXPECT_FALSE(edit.CanUndo());

  // The value-changed query compares with the original text.
  SendMessageW(hwnd, WM_USER + 1, 2, 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_USER + 1, 1, 0), 0);
  edit.SetText(L"other");
  EXPECT_EQ(SendMessageW(hwnd, WM_USER + 1, 1, 0), 1);
}

TEST_F(XPEdit, SuppressionCountersAndTheInputMethodHoldBackChangesAndCharacters) {
  ProbeEdit& edit = Add<ProbeEdit>(10, 10, 200);
  int changes = 0;
  edit.OnChange = [&](framework::TComponent*) { ++changes; };
  const HWND hwnd = edit.Handle();
  // The text, the caret, the OnChange events so far and '*' when modified.
  const auto look = [&] {
    return edit.Text() + L" " + std::to_wstring(edit.CaretPosition()) + L" " +
           std::to_wstring(changes) + (edit.Modified() ? L"*" : L"");
  };
  // clang-format off
  xptest::ExpectSteps(look, {
      // A suppressed change does not count as the user's.
      {[&] { edit.SuppressChanges(2), Type(hwnd, L"ab"); }, L"ab 2 0"},
      // Characters wait while keys are suppressed; keys that move still do.
      {[&] { edit.SuppressChanges(0), edit.SuppressKeys(1), Type(hwnd, L"cd\b"); }, L"ab 2 0"},
      {[&] { Key(hwnd, VK_LEFT); }, L"ab 1 0"},
      {[&] { edit.SuppressKeys(0), Type(hwnd, L"c"); }, L"acb 2 1*"},
      // The first character of an input method's result is swallowed, the result goes in whole,
      // typing goes on as usual.
      {[&] { edit.ReceiveImeResult(L"日本語"), Type(hwnd, L"日本"); }, L"acb 2 1*"},
      {[&] { Type(hwnd, L"語"); }, L"ac日本語b 5 2*"},
      {[&] { Type(hwnd, L"x"); }, L"ac日本語xb 6 3*"},
  });
  // clang-format on
  EXPECT_EQ(edit.EditQuery(), 1);
}

TEST_F(XPEdit, PasswordCharacterReadFromAFormDescription) {
  controls::RegisterXPControls();
  framework::TForm form(nullptr);
  framework::ReadComponentText(form, R"(object Form: TForm
  object Secret: TXPEdit
    Text = 'abc'
    PasswordChar = '*'
  end
  object Plain: TXPEdit
    Text = 'abc'
  end
end
)",
                               "test form");
  auto* secret = dynamic_cast<controls::TXPEdit*>(form.FindComponent("Secret"));
  auto* plain = dynamic_cast<controls::TXPEdit*>(form.FindComponent("Plain"));
  ASSERT_TRUE(secret && plain);
  EXPECT_EQ(secret->PasswordChar(), L'*');
  EXPECT_EQ(plain->PasswordChar(), L'\0');
  const std::string written = framework::WriteComponentText(form);
  EXPECT_NE(written.find("PasswordChar = '*'"), std::string::npos) << written;
  EXPECT_EQ(written.find("PasswordChar = ''"), std::string::npos) << "none is the default";
  EXPECT_THROW(secret->SetPasswordCharText(L"**"), framework::EPropertyError);
}

TEST_F(XPEdit, NumberFieldsFilterPastesAndConvertTheirText) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  const HWND hwnd = edit.Handle();
  // The text, then the number type (none, unsigned, signed, float) and radix (2, 8, 10, 16) by
  // their places: types, radixes and precision convert the text as it stands.
  const auto look = [&] {
    return edit.Text() + L" " + std::to_wstring(static_cast<int>(edit.NumberType())) +
           std::to_wstring(static_cast<int>(edit.NumberRadix()));
  };
  using T = TNumberTypeEx;
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { edit.SetText(L"text"); }, L"text 02"},
      {[&] { edit.SetNumberType(T::ntSignedInt); }, L"0 22"},  // the text read as a number
      {[&] { edit.SetText(L""), SetClipboardText(L"12a-3"), Type(hwnd, L"\x16"); }, L"12-3 22"},
      {[&] { edit.SetText(L"255"); }, L"255 22"},
      {[&] { edit.SetNumberType(T::ntUnsignedInt); }, L"255 12"},
      {[&] { edit.SetNumberRadix(TRadix::rdxHexadecimal); }, L"FF 13"},
      {[&] { Key(hwnd, VK_END), Type(hwnd, L"fgF"); }, L"FFfF 13"},
      {[&] { edit.SetNumberRadix(TRadix::rdxBinary); }, L"1111111111111111 10"},
      {[&] { edit.SetNumberValue(10); }, L"1010 10"},
      {[&] { edit.SetNumberType(T::ntFloat); }, L"10.000 32"},  // a float is decimal
      {[&] { edit.SetNumberValue(2.5); }, L"2.500 32"},
      {[&] { edit.SetNumberPrecision(1); }, L"2.5 32"},
      {[&] { edit.SetNumberType(T::ntSignedInt); }, L"2 22"},
  });
  EXPECT_EQ(edit.GetNumberValue(), 2);
  xptest::ExpectSteps(look, {
      // Another radix makes a number field unsigned, and leaves a plain field plain.
      {[&] { edit.SetNumberRadix(TRadix::rdxOctal); }, L"2 11"},
      {[&] { edit.SetNumberType(T::ntNone), edit.SetNumberRadix(TRadix::rdxHexadecimal); }, L"2 03"},
      {[&] { edit.SetNumberType(T::ntUnsignedInt); }, L"0 13"},  // an unsigned field keeps it
      // MaxLength cuts a paste to the room left; the existing text is never cut.
      {[&] { edit.SetNumberType(T::ntNone), edit.SetNumberRadix(TRadix::rdxDecimal),
             edit.SetText(L"abc"), edit.SetMaxLength(5); },
       L"abc 02"},
      {[&] { SetClipboardText(L"vwxyz"), Key(hwnd, VK_END), Key(hwnd, VK_INSERT, {VK_SHIFT}); },
       L"abcvw 02"},
      {[&] { edit.SetMaxLength(3); }, L"abcvw 02"},
      // A typed character replaces the selection, the next has no room.
      {[&] { edit.SetSelStart(1), edit.SetSelLength(3), Type(hwnd, L"ZQ"); }, L"aZw 02"},
      // The text takes the new case at once, and typing too.
      {[&] { edit.SetMaxLength(0), edit.SetCharCase(controls::TEditCharCase::ecUpperCase); },
       L"AZW 02"},
      {[&] { Type(hwnd, L"é"); }, L"AZÉW 02"},
  });
  // clang-format on
}

TEST_F(XPEdit, MouseSelectsWithCaptureAndDoubleClickTakesAWord) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  HWND hwnd = edit.Handle();
  edit.SetText(L"one two three");
  // Where a boundary of the text lies, past the XP look's frame and margin of 3, at `dx`.
  const auto at = [&](const wchar_t* before, int dx) {
    return MAKELPARAM(3 + edittest::TextWidth(edit, before) + dx, 8);
  };
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at(L"one ", 1));
  EXPECT_EQ(std::make_tuple(GetFocus(), GetCapture(), edit.CaretPosition()),
            std::make_tuple(hwnd, hwnd, 4))
      << "a press focuses the edit and holds the mouse";
  SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, at(L"one two", -1));
  EXPECT_EQ(edit.SelText(), L"two");
  SendMessageW(hwnd, WM_LBUTTONUP, 0, at(L"one two", 0));
  EXPECT_NE(GetCapture(), hwnd);
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, at(L"", 0));
  EXPECT_EQ(edit.SelText(), L"two") << "moving without the button selects nothing";

  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at(L"one two th", 0));
  EXPECT_EQ(edit.SelText() + std::to_wstring(edit.CaretPosition()), L"three13");

  // A shifted press extends the selection from its anchor.
  edit.SetSelStart(2);
  {
    HeldKeys shift({VK_SHIFT});
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at(L"one t", 1));
    SendMessageW(hwnd, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(0, 8));
  }
  EXPECT_EQ(edit.SelText(), L"e t");
}

// Scrolling to the caret measures back from it slice by slice: a view of more characters than one
// slice holds must show exactly what fits, whether typing or a key took the caret to the end.
TEST_F(XPEdit, ALongTextScrollsPastTheRightEdgeToExactlyWhatFitsAndBack) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 400);
  HWND hwnd = edit.Handle();
  edit.SetFocus();
  std::wstring text;
  for (int i = 0; i < 30; ++i) text += L"i1.l" + std::to_wstring(i % 10);
  Type(hwnd, text);
  ASSERT_EQ(edit.Text(), text);
  const int first_at_end = edit.FirstVisible();
  ASSERT_GT(static_cast<int>(text.size()) - first_at_end, 64) << "the view spans several slices";
  const auto width_from = [&](int first) { return edittest::TextWidth(edit, text.substr(first)); };
  const int available = edit.Width() - 2 * 3;  // frame and inner margin on both sides
  EXPECT_LE(width_from(first_at_end), available);
  EXPECT_GT(width_from(first_at_end - 1), available) << "one more character would still fit";
  RECT client{};
  GetClientRect(hwnd, &client);
  POINT caret{};
  GetCaretPos(&caret);
  EXPECT_GT(caret.x, client.right / 2) << "the caret stays at the right end";
  EXPECT_LE(caret.x, client.right - 3);

  Key(hwnd, VK_HOME);
  EXPECT_EQ(edit.FirstVisible(), 0);
  GetCaretPos(&caret);
  EXPECT_EQ(caret.x, 3);
  Key(hwnd, VK_END, {VK_SHIFT});
  EXPECT_EQ(edit.FirstVisible(), first_at_end);
  EXPECT_EQ(edit.SelLength(), static_cast<int>(text.size()));

  // Dragging past the left edge scrolls back one character per move.
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 8));
  const int pressed = edit.CaretPosition();
  for (int i = 0; i < 3; ++i) SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-2, 8));
  EXPECT_EQ(edit.FirstVisible(), first_at_end - 3);
  EXPECT_EQ(edit.SelLength(), pressed - edit.FirstVisible());
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(-2, 8));
}

TEST_F(XPEdit, ContextMenuEnablesWhatTheEditCanDo) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  HWND hwnd = edit.Handle();
  const auto& items = controls::TCustomXPEdit::SharedContextMenu().Items().Items();
  std::wstring captions;
  for (const auto* item : items) captions += item->Caption() + L" ";
  ASSERT_EQ(captions, L"&Undo - Cu&t &Copy &Paste &Delete - Select &All ");
  const auto enabled = [&] {
    std::wstring states;
    for (const auto* item : items) {
      if (item->Caption() != L"-") states += item->Enabled() ? L'1' : L'0';
    }
    return states;
  };

  edit.SetText(L"abc");
  OpenClipboard(hwnd);
  EmptyClipboard();
  CloseClipboard();
  edittest::ShowContextMenuAndClose(hwnd);
  EXPECT_EQ(enabled(), L"000001") << "undo cut copy paste delete select-all";
  SetClipboardText(L"x");
  edit.SetSelStart(1);
  edit.SetSelLength(1);
  Type(hwnd, L"q");
  edit.SetSelLength(-1);
  edittest::ShowContextMenuAndClose(hwnd);
  EXPECT_EQ(enabled(), L"111111");
  edit.SelectAll();
  edittest::ShowContextMenuAndClose(hwnd);
  EXPECT_EQ(enabled(), L"111110");

  // A chosen item acts on the edit it was shown for.
  edit.SetSelStart(0);
  edit.SetSelLength(1);
  controls::TXPEdit& other = Add<controls::TXPEdit>(10, 40, 200);
  other.SetText(L"other");
  edittest::ShowContextMenuAndChoose(hwnd, 5);  // Delete
  EXPECT_EQ(edit.Text(), L"qc");
  EXPECT_EQ(other.Text(), L"other");
}

TEST_F(XPEdit, RepaintsAfterEachMessageFromCodeAndWhenANeighbourUnderATransparentEditChanges) {
  auto* panel = new framework::TPanel(&form_);
  panel->SetParent(&form_);
  panel->SetBounds(5, 5, 300, 60);
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  SendMessageW(edit.Handle(), WM_CHAR, L'a', 1);
  ValidateRect(edit.Handle(), nullptr);
  SendMessageW(edit.Handle(), WM_CHAR, L'b', 1);
  EXPECT_TRUE(GetUpdateRect(edit.Handle(), nullptr, FALSE)) << "each message repaints";
  ValidateRect(edit.Handle(), nullptr);
  edit.SetText(L"from code");  // a change made from code after the last message
  EXPECT_TRUE(GetUpdateRect(edit.Handle(), nullptr, FALSE));

  edit.SetTransparent(true);
  EXPECT_TRUE(GetWindowLongW(edit.Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  UpdateWindow(edit.Handle());
  ValidateRect(edit.Handle(), nullptr);
  ASSERT_FALSE(GetUpdateRect(edit.Handle(), nullptr, FALSE));
  panel->SetBounds(5, 5, 310, 60);  // WM_SIZE reaches the panel
  EXPECT_TRUE(GetUpdateRect(edit.Handle(), nullptr, FALSE)) << "the hook repaints the edit";

  ValidateRect(edit.Handle(), nullptr);
  panel->SetBounds(5, 100, 300, 20);
  ValidateRect(edit.Handle(), nullptr);
  panel->SetBounds(5, 100, 310, 20);
  EXPECT_FALSE(GetUpdateRect(edit.Handle(), nullptr, FALSE)) << "not for what lies elsewhere";
  panel->SetBounds(5, 5, 310, 60);
  ValidateRect(edit.Handle(), nullptr);
  SendMessageW(panel->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"text"));
  EXPECT_FALSE(GetUpdateRect(edit.Handle(), nullptr, FALSE)) << "nor for what changes no pixels";

  edit.SetTransparent(false);
  panel->SetBounds(5, 5, 300, 60);
  ValidateRect(edit.Handle(), nullptr);
  panel->SetBounds(5, 5, 320, 60);
  EXPECT_FALSE(GetUpdateRect(edit.Handle(), nullptr, FALSE)) << "an opaque edit is left alone";

  // Hot tracking underlines a transparent edit's font while the mouse is over it.
  edit.SetTransparent(true);
  edit.SetHotTrack(true);
  edit.Perform(framework::CM_MOUSEENTER);
  EXPECT_TRUE(edit.Font().Style() & framework::fsUnderline);
  edit.Perform(framework::CM_MOUSELEAVE);
  EXPECT_FALSE(edit.Font().Style() & framework::fsUnderline);
  edit.Perform(framework::CM_MOUSEENTER);
  edit.SetHotTrack(false);
  EXPECT_FALSE(edit.Font().Style() & framework::fsUnderline);
}

}  // namespace
