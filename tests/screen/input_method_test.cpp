// The edit and the system's input method on a real screen: a composition completed by the
// input method reaches the edit as its result string and the characters the system posts for
// it, and goes in once, whole.
#include <gtest/gtest.h>
#include <windows.h>
#include <imm.h>

#include <string>

#include "controls/xp_edits2.h"
#include "framework/forms.h"
#include "support/user_input.h"

namespace {

TEST(EditInputMethod, ACompletedCompositionGoesInOnceWhole) {
  framework::TForm form(nullptr);
  form.SetBounds(200, 200, 300, 120);
  form.SetCaption(L"Input method");
  controls::TXPEdit edit(&form);
  edit.SetParent(&form);
  edit.SetBounds(10, 10, 200, 21);
  edit.SetText(L"<>");
  int changes = 0;
  edit.OnChange = [&](framework::TComponent*) { ++changes; };
  form.Show();
  ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
  edit.SetFocus();
  testsupport::PressKey(VK_HOME);
  testsupport::PressKey(VK_RIGHT);
  ASSERT_EQ(edit.CaretPosition(), 1);

  const HIMC context = ImmGetContext(edit.Handle());
  ASSERT_NE(context, nullptr) << "the X11 driver gives windows an input context";
  std::wstring composed = L"\u65e5\u672c";
  ASSERT_TRUE(ImmSetCompositionStringW(context, SCS_SETSTR, composed.data(),
                                       static_cast<DWORD>(composed.size() * sizeof(wchar_t)),
                                       nullptr, 0));
  ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
  ImmReleaseContext(edit.Handle(), context);
  testsupport::PumpUntil([&] { return edit.Text().size() >= 4; }, 2000);
  testsupport::Settle(100);
  EXPECT_EQ(edit.Text(), L"<\u65e5\u672c>");
  EXPECT_EQ(changes, 1) << "the result goes in as one insertion, not character by character";
  EXPECT_EQ(edit.CaretPosition(), 3);
}

}  // namespace
