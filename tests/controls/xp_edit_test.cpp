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
class XPEdit : public edittest::EditForm {
 protected:
  void SetUp() override { EditForm::SetUp(); }
};

// "text|selection start+length" of an edit (the caret is at the selection's moving end).
std::wstring State(const controls::TCustomXPEdit& edit) {
  return edit.Text() + L"|" + std::to_wstring(edit.SelStart()) + L"+" +
         std::to_wstring(edit.SelLength());
}

TEST_F(XPEdit, TypingEditingAndUndoThroughKeysAndCharacters) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  int changes = 0;
  edit.OnChange = [&](framework::TComponent* sender) {
    EXPECT_EQ(sender, &edit);
    ++changes;
  };
  HWND hwnd = edit.Handle();
  EXPECT_EQ(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & (DLGC_WANTARROWS | DLGC_WANTCHARS),
            DLGC_WANTARROWS | DLGC_WANTCHARS);

  Type(hwnd, L"hello\t");  // a typed tab is no character
  SetClipboardText(L"\tworld");
  Type(hwnd, std::wstring(1, 22));  // Ctrl+V
  EXPECT_EQ(State(edit), L"hello world|11+0") << "a pasted tab arrives as a space";
  EXPECT_EQ(changes, 6);
  EXPECT_TRUE(edit.Modified());

  // Each step's state: key (with modifiers) or typed text, then what the edit shows.
  struct Step {
    WORD key;
    std::initializer_list<int> held;
    const wchar_t* typed;
    const wchar_t* state;
  };
  const Step steps[] = {
      {VK_HOME, {}, nullptr, L"hello world|0+0"},
      {VK_RIGHT, {}, nullptr, L"hello world|1+0"},
      {VK_END, {VK_SHIFT}, nullptr, L"hello world|1+10"},
      {VK_END, {}, nullptr, L"hello world|11+0"},  // a plain move collapses onto the end too
      {VK_HOME, {}, nullptr, L"hello world|0+0"},
      {VK_RIGHT, {VK_CONTROL}, nullptr, L"hello world|6+0"},
      {VK_END, {VK_SHIFT}, nullptr, L"hello world|6+5"},
      {VK_LEFT, {VK_SHIFT, VK_CONTROL}, nullptr, L"hello world|6+0"},  // back to the anchor
      {VK_LEFT, {VK_SHIFT, VK_CONTROL}, nullptr, L"hello world|0+6"},
      {0, {}, L"\b", L"world|0+0"},  // Backspace removes the selection
      {VK_DELETE, {}, nullptr, L"orld|0+0"},
      {VK_END, {}, L"\b", L"orl|3+0"},
      {VK_DELETE, {}, nullptr, L"orl|3+0"},  // nothing after the caret
      // Everything since the text was last set from outside comes back with one undo; a second
      // undo brings the undone text back, selected.
      {VK_BACK, {VK_MENU}, nullptr, L"|0+0"},
      {0, {}, L"\x1A", L"orl|0+3"},
  };
  for (const Step& step : steps) {
    if (step.key) Key(hwnd, step.key, step.held);
    if (step.typed) Type(hwnd, step.typed);
    EXPECT_EQ(State(edit), step.state) << "step " << (&step - steps);
  }

  edit.SetText(L"fresh");
  EXPECT_FALSE(edit.CanUndo());
  edit.SetReadOnly(true);
  Type(hwnd, L"x\b");
  Key(hwnd, VK_DELETE);
  EXPECT_EQ(edit.Text(), L"fresh") << "read-only blocks every editing path";
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

TEST_F(XPEdit, SuppressionCountersHoldBackChangesAndCharacters) {
  ProbeEdit& edit = Add<ProbeEdit>(10, 10, 200);
  int changes = 0;
  edit.OnChange = [&](framework::TComponent*) { ++changes; };
  HWND hwnd = edit.Handle();
  edit.SuppressChanges(2);
  Type(hwnd, L"ab");
  EXPECT_EQ(edit.Text(), L"ab");
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(edit.Modified()) << "a suppressed change does not count as the user's";
  edit.SuppressChanges(0);
  edit.SuppressKeys(1);
  Type(hwnd, L"cd\b");
  EXPECT_EQ(edit.Text(), L"ab") << "characters wait while keys are suppressed";
  Key(hwnd, VK_LEFT);
  EXPECT_EQ(edit.CaretPosition(), 1) << "keys that move still do";
  edit.SuppressKeys(0);
  Type(hwnd, L"c");
  EXPECT_EQ(edit.Text(), L"acb");
  EXPECT_EQ(changes, 1);
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

TEST_F(XPEdit, RepaintsAfterEachMessageAndWhenChangedFromCode) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  const HWND hwnd = edit.Handle();
  SendMessageW(hwnd, WM_CHAR, L'a', 1);
  ValidateRect(hwnd, nullptr);
  SendMessageW(hwnd, WM_CHAR, L'b', 1);
  EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE)) << "each message repaints";
  ValidateRect(hwnd, nullptr);
  edit.SetText(L"from code");  // a change made from code after the last message
  EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
}

TEST_F(XPEdit, NumberFieldsFilterPastesAndConvertTheirText) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  HWND hwnd = edit.Handle();
  // Each step's text after it: types, radixes and precision convert the text as it stands.
  std::wstring texts;
  const auto step = [&](auto&& change) {
    change();
    texts += edit.Text() + L" ";
  };
  step([&] { edit.SetText(L"text"); });
  step([&] { edit.SetNumberType(TNumberTypeEx::ntSignedInt); });  // the text read as a number
  step([&] {
    edit.SetText(L"");
    SetClipboardText(L"12a-3");
    Type(hwnd, std::wstring(1, 22));  // Ctrl+V
  });
  step([&] { edit.SetText(L"255"); });
  step([&] { edit.SetNumberType(TNumberTypeEx::ntUnsignedInt); });
  step([&] { edit.SetNumberRadix(TRadix::rdxHexadecimal); });
  step([&] {
    Key(hwnd, VK_END);
    Type(hwnd, L"fgF");
  });
  step([&] { edit.SetNumberRadix(TRadix::rdxBinary); });
  step([&] { edit.SetNumberValue(10); });
  step([&] { edit.SetNumberType(TNumberTypeEx::ntFloat); });
  step([&] { edit.SetNumberValue(2.5); });
  step([&] { edit.SetNumberPrecision(1); });
  step([&] { edit.SetNumberType(TNumberTypeEx::ntSignedInt); });
  EXPECT_EQ(texts, L"text 0 12-3 255 255 FF FFfF 1111111111111111 1010 10.000 2.500 2.5 2 ");
  EXPECT_EQ(edit.GetNumberValue(), 2);
  EXPECT_EQ(edit.NumberRadix(), TRadix::rdxDecimal) << "a float is decimal";
  // Another radix makes a number field unsigned, and leaves a plain field plain.
  edit.SetNumberRadix(TRadix::rdxOctal);
  EXPECT_EQ(edit.NumberType(), TNumberTypeEx::ntUnsignedInt);
  edit.SetNumberType(TNumberTypeEx::ntNone);
  edit.SetNumberRadix(TRadix::rdxHexadecimal);
  EXPECT_EQ(edit.NumberType(), TNumberTypeEx::ntNone);
  edit.SetNumberRadix(TRadix::rdxDecimal);

  // MaxLength cuts a paste to the room left; the existing text is never cut.
  edit.SetText(L"abc");
  edit.SetMaxLength(5);
  SetClipboardText(L"vwxyz");
  Key(hwnd, VK_END);
  Key(hwnd, VK_INSERT, {VK_SHIFT});
  edit.SetMaxLength(3);
  EXPECT_EQ(edit.Text(), L"abcvw");
  edit.SetSelStart(1);
  edit.SetSelLength(3);
  Type(hwnd, L"ZQ");
  EXPECT_EQ(edit.Text(), L"aZw")
      << "a typed character replaces the selection, the next has no room";

  edit.SetMaxLength(0);
  edit.SetCharCase(controls::TEditCharCase::ecUpperCase);
  Type(hwnd, L"é");
  EXPECT_EQ(edit.Text(), L"AZÉW") << "the text takes the new case at once, and typing too";
}

TEST_F(XPEdit, ClipboardKeysAndThePasswordThatNeverLeaves) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
  HWND hwnd = edit.Handle();
  edit.SetText(L"secret words");
  edit.SetSelStart(0);
  edit.SetSelLength(6);
  Type(hwnd, std::wstring(1, 3));  // Ctrl+C
  EXPECT_EQ(ClipboardText(), L"secret");
  edit.SetSelStart(7);
  edit.SetSelLength(5);
  Key(hwnd, VK_INSERT, {VK_CONTROL});
  EXPECT_EQ(ClipboardText(), L"words");
  Key(hwnd, VK_DELETE, {VK_SHIFT});
  EXPECT_EQ(edit.Text(), L"secret ");
  Key(hwnd, VK_HOME);
  Key(hwnd, VK_INSERT, {VK_SHIFT});
  EXPECT_EQ(edit.Text(), L"wordssecret ");

  edit.SetPasswordChar(L'*');
  SetClipboardText(L"untouched");
  edit.SelectAll();
  Type(hwnd, std::wstring(1, 3));
  Key(hwnd, VK_INSERT, {VK_CONTROL});
  EXPECT_EQ(ClipboardText(), L"untouched") << "copy takes nothing from a password";
  Type(hwnd, std::wstring(1, 24));  // Ctrl+X
  EXPECT_EQ(ClipboardText(), L"untouched") << "nor does cut";
  EXPECT_EQ(edit.Text(), L"") << "cut still deletes";
}

TEST_F(XPEdit, InputMethodResultGoesInOnceAfterItsCharacters) {
  ProbeEdit& edit = Add<ProbeEdit>(10, 10, 200);
  HWND hwnd = edit.Handle();
  Type(hwnd, L"<>");
  Key(hwnd, VK_LEFT);
  edit.ReceiveImeResult(L"日本");
  // The first character is swallowed, the result goes in whole, typing goes on as usual.
  std::wstring texts;
  for (const wchar_t* typed : {L"日", L"本", L"x"}) {
    Type(hwnd, typed);
    texts += edit.Text() + L" ";
  }
  EXPECT_EQ(texts, L"<> <日本> <日本x> ");
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

TEST_F(XPEdit, ALongTextScrollsPastTheRightEdgeAndBack) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 121);
  HWND hwnd = edit.Handle();
  edit.SetFocus();
  const std::wstring text = L"The quick brown fox jumps over the lazy dog and on";
  Type(hwnd, text);
  ASSERT_EQ(edit.Text(), text);
  EXPECT_GT(edit.FirstVisible(), 20);
  RECT client{};
  GetClientRect(hwnd, &client);
  POINT caret{};
  GetCaretPos(&caret);
  EXPECT_GT(caret.x, client.right / 2) << "the caret stays at the right end";
  EXPECT_LE(caret.x, client.right - 3);
  const int first_at_end = edit.FirstVisible();

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

// Scrolling to the caret measures back from it slice by slice: a text of more visible
// characters than one slice holds must end up showing exactly what fits.
TEST_F(XPEdit, ScrollingToTheEndMeasuresBackOverSeveralSlices) {
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 400);
  std::wstring text;
  for (int i = 0; i < 30; ++i) text += L"i1.l" + std::to_wstring(i % 10);
  edit.SetText(text);
  edit.SetFocus();
  Key(edit.Handle(), VK_HOME);
  Key(edit.Handle(), VK_END);

  // What fits, measured here in one piece.
  const auto width_from = [&](int first) { return edittest::TextWidth(edit, text.substr(first)); };
  const int available = edit.Width() - 2 * 3;  // frame and inner margin on both sides
  const int first = edit.FirstVisible();
  ASSERT_GT(static_cast<int>(text.size()) - first, 64) << "the view must span several slices";
  EXPECT_LE(width_from(first), available);
  EXPECT_GT(width_from(first - 1), available) << "one more character would still fit";
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

TEST_F(XPEdit, TransparentEditsRepaintWhenANeighbourUnderThemChanges) {
  auto* panel = new framework::TPanel(&form_);
  panel->SetParent(&form_);
  panel->SetBounds(5, 5, 300, 60);
  controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10, 200);
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
