// The editor container: scroll bars through the flat-bar entry points, the hint window that
// leaves the focus where it is, and the editor-update flag.
#include <gtest/gtest.h>
#include <windows.h>

#include "editors/container.h"
#include "tests/editors/editor_test_support.h"

namespace {

using editortest::EditorForm;

class Container : public EditorForm {};

TEST_F(Container, ScrollInfoRoundTripsInEitherBarStyle) {
  for (int style :
       {editors::kScrollBarStandard, editors::kScrollBarFlat, editors::kScrollBarStandard}) {
    SCOPED_TRACE(style);
    container_->SetScrollBarStyle(style);
    EXPECT_EQ(container_->ScrollBarStyle(), style);
    SCROLLINFO info{};
    info.nMin = 0;
    info.nMax = 99;
    info.nPage = 10;
    info.nPos = 42 + style;
    info.nTrackPos = 7;  // never written: the track position is the user's
    container_->SetScrollInfo(SB_VERT, info, true);

    SCROLLINFO read{};
    ASSERT_TRUE(container_->GetScrollInfo(SB_VERT, read));
    EXPECT_EQ(read.cbSize, 28u);
    EXPECT_EQ(read.fMask, 0x17u);
    EXPECT_EQ(read.nMin, 0);
    EXPECT_EQ(read.nMax, 99);
    EXPECT_EQ(read.nPage, 10u);
    EXPECT_EQ(read.nPos, 42 + style);
    EXPECT_EQ(read.nTrackPos, 42 + style) << "no drag: the track position is the position";
  }
}

TEST_F(Container, ScrollBarStyleSetBeforeTheWindowIsApplied) {
  auto* late = new editortest::TestContainer(&form_);
  late->SetParent(&form_);
  late->SetBounds(310, 5, 100, 100);
  late->SetScrollBarStyle(editors::kScrollBarFlat);
  SCROLLINFO info{};
  info.nMax = 20;
  info.nPage = 5;
  info.nPos = 3;
  late->SetScrollInfo(SB_HORZ, info, false);
  SCROLLINFO read{};
  ASSERT_TRUE(late->GetScrollInfo(SB_HORZ, read));
  EXPECT_EQ(read.nPos, 3);
  late->DestroyHandle();  // gives up the flat bars with its window
  info.nPos = 4;
  late->SetScrollInfo(SB_HORZ, info, false);
  ASSERT_TRUE(late->GetScrollInfo(SB_HORZ, read)) << "a new window gets its bars again";
  EXPECT_EQ(read.nPos, 4);
}

TEST_F(Container, HintWindowShowsWithoutTakingTheFocus) {
  outside_->SetFocus();
  ASSERT_EQ(GetFocus(), outside_->Handle());
  HWND active = GetActiveWindow();

  framework::TFont font;
  font.SetHeight(-20);
  editors::TdxContainerHintWindow& hint = container_->HintWindow();
  EXPECT_EQ(&hint, &container_->HintWindow()) << "one hint window per container";
  hint.ShowHintAt(L"A longer hint text", POINT{200, 300}, font);
  HWND hwnd = hint.Handle();
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetFocus(), outside_->Handle());
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
  EXPECT_EQ(SendMessageW(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(form_.Handle()),
                         MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 200);
  EXPECT_EQ(rect.top, 300);
  const int big_width = rect.right - rect.left;

  font.SetHeight(-8);
  hint.ShowHintAt(L"A longer hint text", POINT{10, 20}, font);
  GetWindowRect(hwnd, &rect);
  EXPECT_LT(rect.right - rect.left, big_width) << "the hint is measured in the font given";
  EXPECT_EQ(GetFocus(), outside_->Handle());
  hint.Hide();
  EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(Container, EditorUpdateFlagNests) {
  EXPECT_FALSE(container_->EditorUpdating());
  container_->BeginEditorUpdate();
  container_->BeginEditorUpdate();
  container_->EndEditorUpdate();
  EXPECT_TRUE(container_->EditorUpdating());
  container_->EndEditorUpdate();
  container_->EndEditorUpdate();  // one too many does not wrap
  EXPECT_FALSE(container_->EditorUpdating());
  container_->BeginEditorUpdate();
  EXPECT_TRUE(container_->EditorUpdating());
  container_->EndEditorUpdate();
}

}  // namespace
