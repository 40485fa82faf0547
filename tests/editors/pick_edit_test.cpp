// The drop-down and pick editors with real keys and mouse messages: opening by F4, Alt+Down
// and the button, choosing, accepting and refusing; typing that completes to an item; list-only
// refusal; case and sorting; emptying and cycling; the wide combo box keeping any script.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "editors/pick_edit.h"
#include "editors/pick_items.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editortest::EditorForm;
using edittest::Key;
using edittest::Type;

const std::vector<std::wstring> kDirections = {L"Horizontal", L"Vertical", L"Any", L"Diagonal 45",
                                               L"Diagonal 135"};

class PickEdit : public EditorForm {
 protected:
  editors::TdxInplacePickEdit& OpenPick() {
    auto& editor = Open<editors::TdxInplacePickEdit>({10, 10, 160, 28});
    editor.SetWideItems(kDirections);
    editor.SetText(L"Vertical");
    editor.SetModified(false);
    editor.InitEditState(true);
    return editor;
  }
  // Releases the left button on the open list's row (rows counted from 0).
  void ClickRow(HWND popup, int row) {
    RECT client{};
    GetClientRect(popup, &client);
    const int row_height = client.bottom / static_cast<int>(kDirections.size());
    const LPARAM at = MAKELPARAM(10, row * row_height + row_height / 2);
    SendMessageW(popup, WM_MOUSEMOVE, 0, at);
    SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(popup, WM_LBUTTONUP, 0, at);
  }
};

TEST_F(PickEdit, F4AndAltDownOpenEnterAcceptsEscapeRefuses) {
  auto& editor = OpenPick();
  HWND hwnd = editor.Handle();
  Key(hwnd, VK_F4);
  ASSERT_TRUE(editor.DroppedDown());
  HWND popup = editor.PopupHandle();
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetFocus(), hwnd) << "the keyboard stays with the editor";
  EXPECT_EQ(GetCapture(), popup) << "the list holds the mouse";
  RECT list{}, edit{};
  GetWindowRect(popup, &list);
  GetWindowRect(hwnd, &edit);
  EXPECT_EQ(list.top, edit.bottom) << "below the editor";
  EXPECT_EQ(list.left, edit.left);

  Key(hwnd, VK_DOWN);  // from Vertical to Any
  EXPECT_EQ(editor.Text(), L"Vertical") << "nothing taken before Enter";
  Key(hwnd, VK_RETURN);
  EXPECT_FALSE(editor.DroppedDown());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(editor.Text(), L"Any");
  EXPECT_TRUE(editor.Modified());
  EXPECT_TRUE(container_->keys.empty()) << "Enter closed the list, not the editor";

  Key(hwnd, VK_DOWN, {VK_MENU});
  ASSERT_TRUE(editor.DroppedDown());
  Key(hwnd, VK_END);
  Key(hwnd, VK_ESCAPE);
  EXPECT_FALSE(editor.DroppedDown());
  EXPECT_EQ(editor.Text(), L"Any") << "Escape closes without a choice";
  EXPECT_TRUE(container_->keys.empty());
  Key(hwnd, VK_ESCAPE);
  EXPECT_EQ(editor.Text(), L"Vertical") << "a second Escape reverts the editor";
}

TEST_F(PickEdit, MouseChoosesARowAndAPressOutsideCloses) {
  auto& editor = OpenPick();
  HWND hwnd = editor.Handle();
  const RECT button = editor.Button().BoundsRect();
  const LPARAM on_button = MAKELPARAM((button.left + button.right) / 2, 5);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, on_button);
  SendMessageW(hwnd, WM_LBUTTONUP, 0, on_button);
  ASSERT_TRUE(editor.DroppedDown()) << "the button opens the list";
  ClickRow(editor.PopupHandle(), 3);
  EXPECT_FALSE(editor.DroppedDown());
  EXPECT_EQ(editor.Text(), L"Diagonal 45");

  Key(hwnd, VK_F4);
  HWND popup = editor.PopupHandle();
  SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-20, -20));
  EXPECT_FALSE(editor.DroppedDown());
  EXPECT_EQ(editor.Text(), L"Diagonal 45");
  Key(hwnd, VK_F4);
  ReleaseCapture();  // another window took the mouse
  EXPECT_FALSE(editor.DroppedDown());
}

TEST_F(PickEdit, ANarrowListLinesUpLeftRightOrCentred) {
  auto& editor = OpenPick();
  editor.DropDownWidth = 80;
  RECT box{};
  GetWindowRect(editor.Handle(), &box);
  for (const auto alignment : {editors::TdxPopupAlignment::Left, editors::TdxPopupAlignment::Right,
                               editors::TdxPopupAlignment::Center}) {
    SCOPED_TRACE(static_cast<int>(alignment));
    editor.PopupAlignment = alignment;
    Key(editor.Handle(), VK_F4);
    ASSERT_TRUE(editor.DroppedDown());
    RECT list{};
    GetWindowRect(editor.PopupHandle(), &list);
    ASSERT_LT(list.right - list.left, box.right - box.left);
    const int offset = alignment == editors::TdxPopupAlignment::Left ? list.left - box.left
                       : alignment == editors::TdxPopupAlignment::Right
                           ? list.right - box.right
                           : list.left + list.right - box.left - box.right;
    EXPECT_LE(std::abs(offset), 1) << list.left << ".." << list.right;
    Key(editor.Handle(), VK_ESCAPE);
  }
}

TEST_F(PickEdit, CloseUpEventMayChangeOrRefuseTheChoice) {
  auto& editor = OpenPick();
  HWND hwnd = editor.Handle();
  editor.OnCloseUp = [&](framework::TComponent* sender, std::wstring& text, bool& accept) {
    EXPECT_EQ(sender, &editor);
    if (text == L"Any") accept = false;
    if (text == L"Horizontal") text = L"Horizontal!";
  };
  Key(hwnd, VK_F4);
  Key(hwnd, VK_DOWN);
  Key(hwnd, VK_RETURN);
  EXPECT_EQ(editor.Text(), L"Vertical");
  EXPECT_FALSE(editor.Modified());
  Key(hwnd, VK_F4);
  Key(hwnd, VK_HOME);
  Key(hwnd, VK_RETURN);
  EXPECT_EQ(editor.Text(), L"Horizontal!");

  editor.SetReadOnly(true);
  Key(hwnd, VK_F4);
  Key(hwnd, VK_DOWN);
  Key(hwnd, VK_RETURN);
  EXPECT_EQ(editor.Text(), L"Horizontal!") << "a read-only editor takes no choice";
}

TEST_F(PickEdit, ImmediateDropDownOpensOnShowAndHidingCloses) {
  auto& editor = OpenPick();
  editor.HideEdit();
  editor.ImmediateDropDown = true;
  editor.ShowAndFocus({10, 10, 160, 28});
  EXPECT_TRUE(editor.DroppedDown());
  EXPECT_TRUE(editor.IsEditorWindow(editor.PopupHandle()));
  editor.HideEdit();
  EXPECT_FALSE(editor.DroppedDown());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PickEdit, TypingCompletesToTheFirstItemItBegins) {
  auto& editor = OpenPick();
  HWND hwnd = editor.Handle();
  editor.SelectAll();
  Type(hwnd, L"d");
  EXPECT_EQ(editor.Text(), L"Diagonal 45");
  EXPECT_EQ(editor.SelStart(), 1);
  EXPECT_EQ(editor.SelText(), L"iagonal 45") << "the completion stays selected";
  Type(hwnd, L"IAGONAL 1");
  EXPECT_EQ(editor.Text(), L"Diagonal 135");
  EXPECT_EQ(editor.SelStart(), 10);
  Type(hwnd, L"x");
  EXPECT_EQ(editor.Text(), L"Diagonal 1x") << "free text where the list is not the rule";
  EXPECT_THROW(
      {
        editor.SetDropDownListStyle(true);
        editor.ValidateEdit();
      },
      editors::EdxEditError);
}

TEST_F(PickEdit, ListOnlyRefusesTextNoItemBegins) {
  auto& editor = OpenPick();
  editor.SetDropDownListStyle(true);
  HWND hwnd = editor.Handle();
  editor.SelectAll();
  Type(hwnd, L"q");
  EXPECT_EQ(editor.Text(), L"Vertical");
  EXPECT_FALSE(editor.Modified());
  Type(hwnd, L"a");
  EXPECT_EQ(editor.Text(), L"Any");
  Key(hwnd, VK_END);
  Type(hwnd, L"y");
  EXPECT_EQ(editor.Text(), L"Any");
  EXPECT_NO_THROW(editor.ValidateEdit());

  Type(hwnd, L"\b");
  Key(hwnd, VK_DELETE);
  EXPECT_EQ(editor.Text(), L"Any") << "no emptying without CanDeleteText";
  editor.CanDeleteText = true;
  Key(hwnd, VK_DELETE);
  EXPECT_EQ(editor.Text(), L"");
  EXPECT_NO_THROW(editor.ValidateEdit()) << "an empty value is allowed now";
  editor.CanDeleteText = false;
  EXPECT_THROW(editor.ValidateEdit(), editors::EdxEditError);
}

TEST_F(PickEdit, CaseSensitiveListsMatchOnlyTheirOwnCase) {
  auto& editor = OpenPick();
  editor.SetWideItems({L"alpha", L"Alpha", L"beta"});
  editor.SetCaseSensitive(true);
  HWND hwnd = editor.Handle();
  editor.SelectAll();
  Type(hwnd, L"A");
  EXPECT_EQ(editor.Text(), L"Alpha");
  editor.SelectAll();
  Type(hwnd, L"B");
  EXPECT_EQ(editor.Text(), L"B") << "no item begins with a capital B";
  editor.SetText(L"ALPHA");
  EXPECT_EQ(editor.ItemIndex(), -1);
  editor.SetCaseSensitive(false);
  EXPECT_EQ(editor.ItemIndex(), 0);
  editor.SelectAll();
  Type(hwnd, L"B");
  EXPECT_EQ(editor.Text(), L"beta");
}

TEST_F(PickEdit, DoubleClickCyclesAndRevertableWrapsAround) {
  auto& editor = OpenPick();
  HWND hwnd = editor.Handle();
  editor.SetText(L"Diagonal 135");
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(editor.Text(), L"Diagonal 135") << "the last item stays";
  editor.Revertable = true;
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(editor.Text(), L"Horizontal");
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(editor.Text(), L"Vertical");
}

TEST(PickItems, FindSortAndMatchByCase) {
  std::vector<std::wstring> items = {L"beta", L"Alpha", L"alpha", L"gamma", L"Beta"};
  EXPECT_EQ(editors::FindPickItem(items, L"ALPHA", false), 1);
  EXPECT_EQ(editors::FindPickItem(items, L"alpha", true), 2);
  EXPECT_EQ(editors::FindPickItem(items, L"Gamma", true), -1);
  EXPECT_EQ(editors::FindPickItem(items, L"alph", false), -1) << "whole texts only";
  EXPECT_EQ(editors::FindPickItemByPrefix(items, L"B", false), 0);
  EXPECT_EQ(editors::FindPickItemByPrefix(items, L"B", true), 4);
  EXPECT_EQ(editors::FindPickItemByPrefix(items, L"", false), -1);
  EXPECT_EQ(editors::FindPickItemByPrefix(items, L"gammas", false), -1);
  EXPECT_EQ(editors::FindPickItemByPrefix(items, L"GAMMA", false), 3) << "a whole item is a prefix";
  editors::SortPickItems(items, false);
  EXPECT_EQ(items, (std::vector<std::wstring>{L"Alpha", L"alpha", L"beta", L"Beta", L"gamma"}))
      << "equal items keep their order";
}

TEST_F(PickEdit, SortedItemsStaySortedWhenReplaced) {
  auto& editor = OpenPick();
  editor.SetItemsSorted(true);
  EXPECT_EQ(editor.Items().front(), L"Any");
  editor.SetItems({"zeta", "eta", "theta"});
  EXPECT_EQ(editor.Items(), (std::vector<std::wstring>{L"eta", L"theta", L"zeta"}));
}

TEST_F(PickEdit, WideComboKeepsGreekAndCjkText) {
  auto& combo = Open<editors::TXPDXCombobox>({10, 10, 160, 28});
  EXPECT_TRUE(combo.InheritsFrom(editors::TCustomXPDXEdit::EditorClass()));
  EXPECT_TRUE(combo.InheritsFrom(editors::TdxInplacePickEdit::EditorClass()));
  combo.SetItems({L"\u0391\u03bb\u03c6\u03b1", L"\u6f22\u5b57", L"plain"});
  combo.SetSorted(true);
  HWND hwnd = combo.Handle();
  combo.SelectAll();
  Type(hwnd, L"\u6f22");
  EXPECT_EQ(combo.WideText(), L"\u6f22\u5b57");
  combo.SelectAll();
  Type(hwnd, L"\u03b1");  // lower-case alpha begins the Greek item without regard to case
  EXPECT_EQ(combo.WideText(), L"\u0391\u03bb\u03c6\u03b1");
  combo.SetWideText(L"\u03a3\u6f22");
  EXPECT_EQ(combo.Text(), L"\u03a3\u6f22");

  auto& edit = Open<editors::TXPDXEdit>({10, 40, 160, 58});
  Type(edit.Handle(), L"\u03a9 \u4e2d\u6587");
  EXPECT_EQ(edit.WideText(), L"\u03a9 \u4e2d\u6587");
}

}  // namespace
