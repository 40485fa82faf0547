// The own-drawn check box driven by real messages, its OnClick on every change (the dialogs'
// enabling handlers rely on it), the value-changed query, and its pictures in the paint styles.
#include "controls/xp_checkbox.h"

#include <gtest/gtest.h>
#include <vsstyle.h>

#include <memory>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/theme_services.h"
#include "paint_styles.h"
#include "controls/xp_control_paint.h"
#include "controls/xp_control_utils.h"
#include "surface.h"

namespace {

using controls::TCheckBoxState;
using controls::TXPCheckBox;

class CheckBox : public testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 300, 150);
    box = Add(L"&Export polygons", 8);
    dependent = Add(L"As &hatching", 30);
    // The enabling rule of a dialog: the second box only while the first is checked.
    box->OnClick = [this](framework::TComponent* sender) {
      clicks.push_back(static_cast<TXPCheckBox*>(sender)->State());
      dependent->SetEnabled(box->Checked());
    };
  }
  TXPCheckBox* Add(const wchar_t* caption, int top) {
    auto* check = new TXPCheckBox(&form);
    check->SetParent(&form);
    check->SetBounds(8, top, 160, 17);
    check->SetCaption(caption);
    check->Handle();
    return check;
  }
  LRESULT Send(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(box->Handle(), msg, wparam, lparam);
  }

  framework::TForm form{nullptr};
  TXPCheckBox *box = nullptr, *dependent = nullptr;
  std::vector<TCheckBoxState> clicks;
};

TEST_F(CheckBox, SettingTheValueFromCodeRunsOnClickOncePerChange) {
  box->SetChecked(true);
  EXPECT_TRUE(dependent->Enabled());
  box->SetChecked(true);
  box->SetChecked(false);
  EXPECT_FALSE(dependent->Enabled()) << "the handler followed the code's change";
  box->SetState(TCheckBoxState::cbGrayed);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks,
            (std::vector<TCheckBoxState>{TCheckBoxState::cbChecked, TCheckBoxState::cbUnchecked,
                                         TCheckBoxState::cbGrayed}))
      << "an unchanged value runs nothing";
  EXPECT_EQ(Send(BM_GETCHECK), BST_INDETERMINATE);
  Send(BM_SETCHECK, BST_CHECKED);
  EXPECT_TRUE(box->Checked());
  Send(BM_SETCHECK, 7);
  EXPECT_TRUE(box->Checked()) << "no such state";
}

TEST_F(CheckBox, TogglesByMouseSpaceBmClickAndAccelerator) {
  form.Show();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  EXPECT_TRUE(box->Pressed() && box->Focused() && !box->Checked()) << "toggles on release";
  Send(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  EXPECT_TRUE(dependent->Enabled());
  Send(WM_KEYDOWN, VK_SPACE);
  EXPECT_TRUE(box->Pressed());
  Send(WM_KEYUP, VK_SPACE);
  EXPECT_FALSE(dependent->Enabled());
  Send(BM_CLICK);
  dependent->SetFocus();
  const MSG alt_e = {dependent->Handle(), WM_SYSCHAR, L'e', 0, 0, {0, 0}};
  EXPECT_TRUE(framework::Application::Instance().ProcessMessage(alt_e));
  EXPECT_TRUE(box->Focused()) << "Alt+E toggles the box";
  box->SetAllowGrayed(true);
  for (int i = 0; i < 3; ++i) Send(BM_CLICK);  // unchecked, checked, grayed, unchecked
  box->SetEnabled(false);
  Send(BM_CLICK);  // a disabled box keeps its state
  using S = TCheckBoxState;
  EXPECT_EQ(clicks, (std::vector<S>{S::cbChecked, S::cbUnchecked, S::cbChecked, S::cbUnchecked,
                                    S::cbChecked, S::cbGrayed, S::cbUnchecked}));
}

TEST_F(CheckBox, TellsWhetherTheUserChangedIt) {
  box->SetChecked(true);
  EXPECT_EQ(Send(controls::XPM_VALUECHANGED, 1), 1) << "changed since construction";
  Send(controls::XPM_VALUECHANGED, 2);
  EXPECT_EQ(Send(controls::XPM_VALUECHANGED, 1), 0);
  Send(BM_CLICK);
  EXPECT_EQ(Send(controls::XPM_VALUECHANGED, 1), 1);
  Send(BM_CLICK);
  EXPECT_EQ(Send(controls::XPM_VALUECHANGED, 1), 0) << "back to the original";
}

// The box is the theme's check-box part in the themed style and the frame of the state in the
// skins otherwise (unchecked, checked, grayed; normal, hot, pressed, disabled).
TEST_F(CheckBox, DrawsTheBoxOfItsStateAndItsFocusInEachPaintStyle) {
  struct Look {
    TCheckBoxState state;
    bool enabled;
    int frame, theme_state;
  };
  const Look looks[] = {{TCheckBoxState::cbUnchecked, true, 0, CBS_UNCHECKEDNORMAL},
                        {TCheckBoxState::cbChecked, true, 4, CBS_CHECKEDNORMAL},
                        {TCheckBoxState::cbGrayed, true, 8, CBS_MIXEDNORMAL},
                        {TCheckBoxState::cbChecked, false, 7, CBS_CHECKEDDISABLED}};
  const SIZE glyph = controls::GetCheckBoxGlyphSize();
  const RECT box_rect = {0, 0, glyph.cx, glyph.cy};
  const int top = (17 - glyph.cy) / 2;
  std::shared_ptr<controls::TAlphaImage> classic;
  controls::LoadSystemColoredImage(classic, L"STDCHECKBOX");
  form.Show();
  xptest::ForEachPaintStyle([&](int style) {
    for (const Look& look : looks) {
      box->SetState(look.state);
      box->SetEnabled(look.enabled);
      xptest::Surface drawn(160, 17), expected(glyph.cx, glyph.cy), expected_row(160, 17);
      box->PaintTo(drawn.dc(), 0, 0);
      expected.Fill(framework::ColorToRGB(box->Color()));
      if (style == 2) {
        const auto& themes = framework::TThemeServices::Instance();
        ASSERT_TRUE(themes.DrawBackground(themes.Open(nullptr, L"BUTTON"), expected.dc(),
                                          BP_CHECKBOX, look.theme_state, box_rect));
      } else {
        controls::DrawSkinFrame(expected.dc(), box_rect,
                                style == 1 ? controls::Skin(L"XPCHECKBOX") : *classic, look.frame,
                                12, 0);
      }
      ASSERT_NE(expected.InkBox(framework::ColorToRGB(box->Color())).right, 0) << "a box";
      BitBlt(expected_row.dc(), 0, top, glyph.cx, glyph.cy, expected.dc(), 0, 0, SRCCOPY);
      EXPECT_EQ(xptest::Differences(drawn, expected_row, {0, top, glyph.cx, top + glyph.cy}), 0)
          << "frame " << look.frame;
    }
    box->SetEnabled(true);
    xptest::Surface focused(160, 17), unfocused(160, 17);
    box->SetFocus();
    box->PaintTo(focused.dc(), 0, 0);
    dependent->SetFocus();
    box->PaintTo(unfocused.dc(), 0, 0);
    const COLORREF face = framework::ColorToRGB(box->Color());
    EXPECT_GT(focused.InkBox(face).right, unfocused.InkBox(face).right) << "the focus frame";
    EXPECT_GT(unfocused.InkBox(face).right, glyph.cx + 40) << "the caption beside the box";
  });
  dependent->SetEnabled(false);
  auto* grayed = Add(L"Grayed", 52);
  grayed->SetState(TCheckBoxState::cbGrayed);
  xptest::WriteStylePicture("xp_checkbox", {box, dependent, grayed});
}

}  // namespace
