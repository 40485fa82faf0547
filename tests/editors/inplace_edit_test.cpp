// The editor base on a real container: placing and focusing, the after-show hook and its lock,
// the keys it keeps and those it hands to the grid, revert, validation, read-only, alignment,
// the edit style and the class family.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "editors/inplace_edit.h"
#include "tests/controls/surface.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editortest::EditorForm;
using edittest::Key;
using edittest::Type;

class CountingEdit : public editors::TdxInplaceEdit {
 public:
  using TdxInplaceEdit::TdxInplaceEdit;
  int after_shows = 0;

 protected:
  void AfterShow() override { ++after_shows; }
};

class InplaceEdit : public EditorForm {};

RECT WindowRectIn(HWND hwnd, HWND parent) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(InplaceEdit, ShowAndFocusPlacesOverTheCellGrownByTwoAndRunsTheHookOnce) {
  auto& editor = Open<CountingEdit>({20, 30, 120, 48});
  HWND hwnd = editor.Handle();
  const RECT placed = WindowRectIn(hwnd, container_->Handle());
  EXPECT_EQ(placed.left, 18);
  EXPECT_EQ(placed.top, 28);
  EXPECT_EQ(placed.right, 122);
  EXPECT_EQ(placed.bottom, 50);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetFocus(), hwnd) << "the grid had the focus";
  EXPECT_EQ(editor.after_shows, 1);

  editor.ShowAndFocus({40, 30, 140, 48});
  EXPECT_EQ(editor.after_shows, 1) << "shown already: moved, no new hook";
  EXPECT_EQ(WindowRectIn(hwnd, container_->Handle()).left, 38);

  editor.HideEdit();
  EXPECT_FALSE(IsWindowVisible(hwnd));
  editor.LockShowNotify();
  editor.LockShowNotify();
  editor.UnlockShowNotify();
  editor.ShowAndFocus({20, 30, 120, 48});
  EXPECT_EQ(editor.after_shows, 1) << "a re-show under the lock runs no hook";
  editor.UnlockShowNotify();
  EXPECT_FALSE(editor.ShowNotifyLocked());
  editor.HideEdit();
  editor.ShowAndFocus({20, 30, 120, 48});
  EXPECT_EQ(editor.after_shows, 2);
}

TEST_F(InplaceEdit, TakesTheFocusOnlyFromTheGridOrAWindowInIt) {
  auto& editor = Open<CountingEdit>();
  editor.HideEdit();
  outside_->SetFocus();
  editor.ShowAndFocus({10, 10, 100, 28});
  EXPECT_TRUE(IsWindowVisible(editor.Handle()));
  EXPECT_EQ(GetFocus(), outside_->Handle()) << "the focus was elsewhere in the form";

  auto* other = new CountingEdit(container_);  // a window inside the grid
  other->SetParent(container_);
  other->ShowAndFocus({10, 40, 100, 58});
  other->SetFocus();
  ASSERT_EQ(GetFocus(), other->Handle());
  editor.HideEdit();
  editor.ShowAndFocus({10, 10, 100, 28});
  EXPECT_EQ(GetFocus(), editor.Handle());
}

// Escape and Enter reach the editor, not the form's cancel and default button.
TEST_F(InplaceEdit, EscapeRevertsToTheLoadedStateThenGoesToTheGrid) {
  auto& editor = Open<CountingEdit>();
  editor.SetText(L"loaded");
  editor.SetModified(false);
  editor.InitEditState(true);
  EXPECT_EQ(editor.LoadedText(), L"loaded");
  HWND hwnd = editor.Handle();
  Key(hwnd, VK_END);
  Type(hwnd, L"!!");
  ASSERT_EQ(editor.Text(), L"loaded!!");
  ASSERT_TRUE(editor.Modified());

  PressThroughForm(hwnd, VK_ESCAPE);
  EXPECT_EQ(editor.Text(), L"loaded");
  EXPECT_FALSE(editor.Modified());
  EXPECT_TRUE(container_->keys.empty()) << "the first Escape only reverts";
  PressThroughForm(hwnd, VK_ESCAPE);
  PressThroughForm(hwnd, VK_RETURN);
  EXPECT_EQ(container_->keys, (std::vector<WPARAM>{VK_ESCAPE, VK_RETURN}));
  EXPECT_EQ(dialog_presses_, 0);
}

TEST_F(InplaceEdit, NavigationKeysGoToTheGridAndTabOnlyWhenItTabsBetweenCells) {
  auto& editor = Open<CountingEdit>();
  editor.SetText(L"abc");
  HWND hwnd = editor.Handle();
  for (WORD key : {VK_RETURN, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_TAB}) Key(hwnd, key);
  Key(hwnd, VK_HOME, {VK_CONTROL});
  Key(hwnd, VK_HOME);
  Key(hwnd, VK_RIGHT);
  EXPECT_EQ(container_->keys,
            (std::vector<WPARAM>{VK_RETURN, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME}));
  EXPECT_EQ(editor.CaretPosition(), 1) << "Home and Right moved in the text";
  EXPECT_FALSE(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
  EXPECT_TRUE(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);

  container_->keys.clear();
  container_->tabs = true;
  EXPECT_TRUE(SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
  Key(hwnd, VK_TAB);
  EXPECT_EQ(container_->keys, std::vector<WPARAM>{VK_TAB});
}

TEST_F(InplaceEdit, ValidationRaisesWithTheHandlersMessage) {
  auto& editor = Open<CountingEdit>();
  editor.SetText(L"12");
  EXPECT_NO_THROW(editor.ValidateEdit()) << "no handler accepts";
  editor.OnValidate = [&](framework::TComponent* sender, std::wstring& message, bool& accept) {
    EXPECT_EQ(sender, &editor);
    accept = editor.Text() != L"bad";
    if (!accept) message = L"Not a number";
  };
  EXPECT_NO_THROW(editor.ValidateEdit());
  editor.SetText(L"bad");
  try {
    editor.ValidateEdit();
    ADD_FAILURE() << "accepted";
  } catch (const editors::EdxEditError& e) {
    EXPECT_STREQ(e.what(), "Not a number");
  }
  editor.OnValidate = [](framework::TComponent*, std::wstring&, bool& accept) { accept = false; };
  EXPECT_THROW(editor.ValidateEdit(), editors::EdxEditError) << "no message: a default one";
}

TEST_F(InplaceEdit, ReadOnlyEditorOrGridRefusesTyping) {
  auto& editor = Open<CountingEdit>();
  editor.SetText(L"x");
  EXPECT_TRUE(editor.CanModify());
  container_->read_only = true;
  EXPECT_FALSE(editor.CanModify());
  container_->read_only = false;
  editor.SetReadOnly(true);
  Type(editor.Handle(), L"yz");
  EXPECT_EQ(editor.Text(), L"x");
  EXPECT_FALSE(editor.CanModify());
}

TEST_F(InplaceEdit, AlignmentAndTextOffsetsMoveTheText) {
  UsePaintStyle(0);
  auto& editor = Open<CountingEdit>({10, 10, 210, 30});
  editor.SetText(L"WWW");
  const COLORREF background = GetSysColor(COLOR_WINDOW);
  auto ink = [&](const std::string& name) {
    return edittest::Picture(editor, name)->InkBox(background);
  };
  const RECT left = ink("inplace_edit_left");
  editor.SetTextOffsets(20, 0, 0, 0);
  const RECT offset = ink("inplace_edit_offset");
  EXPECT_EQ(offset.left - left.left, 20);
  editor.SetTextOffsets(0, 0, 0, 0);
  editor.SetAlignment(framework::TAlignment::taRightJustify);
  const RECT right = ink("inplace_edit_right");
  EXPECT_GT(right.left, editor.Width() / 2);
  EXPECT_GE(right.right, editor.Width() - 8);
  editor.SetAlignment(framework::TAlignment::taCenter);
  const RECT centre = ink("inplace_edit_centre");
  EXPECT_NEAR((centre.left + centre.right) / 2, editor.Width() / 2, 4);
}

// A style whose defaults come from outside, as the grid's do, logging what is asked.
class LoggingStyle : public editors::TdxEditStyle {
 public:
  using TdxEditStyle::TdxEditStyle;
  editors::TdxEditBorderStyle border = editors::TdxEditBorderStyle::xbsNone;

 protected:
  editors::TdxEditBorderStyle DefaultBorderStyle() const override { return border; }
};

TEST_F(InplaceEdit, StyleValuesFallBackToTheirDefaultsUntilSet) {
  auto& editor = Open<CountingEdit>();
  auto owned = std::make_unique<LoggingStyle>(&editor);
  LoggingStyle& style = *owned;
  editor.SetStyle(std::move(owned));
  EXPECT_EQ(editor.BorderStyle(), controls::TEditBorderStyle::bsNone);
  style.border = editors::TdxEditBorderStyle::xbsSingle;
  EXPECT_EQ(style.BorderStyle(), editors::TdxEditBorderStyle::xbsSingle) << "asked every time";
  EXPECT_FALSE(style.IsAssigned(editors::TdxEditStyleValue::svBorderStyle));

  style.SetBorderStyle(editors::TdxEditBorderStyle::xbsNone);
  style.border = editors::TdxEditBorderStyle::xbs3D;
  EXPECT_EQ(style.BorderStyle(), editors::TdxEditBorderStyle::xbsNone) << "its own value stays";
  EXPECT_EQ(editor.BorderStyle(), controls::TEditBorderStyle::bsNone);
  style.SetButtonStyle(editors::TdxEditButtonStyle::btsFlat);
  style.RestoreDefaults();
  EXPECT_EQ(style.BorderStyle(), editors::TdxEditBorderStyle::xbs3D);
  EXPECT_EQ(style.ButtonStyle(), editors::TdxEditButtonStyle::bts3D);
  EXPECT_EQ(editor.BorderStyle(), controls::TEditBorderStyle::bsSingle) << "the frame follows";
  EXPECT_EQ(style.Edges(), editors::kAllEdges);
  EXPECT_EQ(style.BorderColor(), framework::clWindowFrame);
}

TEST_F(InplaceEdit, AnsiTextGoesThroughTheCodePage) {
  auto& editor = Open<CountingEdit>();
  editor.SetAnsiText("plain");
  EXPECT_EQ(editor.Text(), L"plain");
  editor.SetText(L"caf\u00e9");
  EXPECT_EQ(editor.AnsiText(), "caf\xe9");
}

TEST(InplaceEditClass, FamilyIsTestedByInheritance) {
  const editors::TdxInplaceEditClass& base = editors::TdxInplaceEdit::EditorClass();
  static const editors::TdxInplaceEditClass derived{"Derived", &base, nullptr, nullptr, nullptr};
  EXPECT_TRUE(derived.InheritsFrom(base));
  EXPECT_TRUE(base.InheritsFrom(base));
  EXPECT_FALSE(base.InheritsFrom(derived));
  EXPECT_FALSE(base.hit_in_cell(RECT{0, 0, 10, 10}, editors::kHitModeClick, 5, 5));
  auto data = base.create_view_data();
  EXPECT_NE(dynamic_cast<editors::TdxTextEditViewData*>(data.get()), nullptr);
}

}  // namespace
