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
#include "framework/win/handles.h"
#include "paint_styles.h"
#include "controls/xp_control_paint.h"
#include "controls/xp_control_utils.h"
#include "steps.h"
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

TEST_F(CheckBox, TogglesByCodeMouseSpaceBmClickAndAcceleratorRunningOnClickOncePerChange) {
  form.Show();
  // State (0 unchecked, 1 checked, 2 grayed), 'c' when Checked, 'e' while the dependent box is
  // enabled, 'p' pressed, 'f' focused; the value-changed query; the states OnClick saw.
  const auto look = [&] {
    std::string states;
    for (const TCheckBoxState state : clicks) states += std::to_string(static_cast<int>(state));
    return std::to_string(static_cast<int>(box->State())) + (box->Checked() ? "c" : "") +
           (dependent->Enabled() ? "e" : "") + (box->Pressed() ? "p" : "") +
           (box->Focused() ? "f" : "") + " " + std::to_string(Send(controls::XPM_VALUECHANGED, 1)) +
           " " + states;
  };
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { box->SetChecked(true); }, "1cef 1 1"},  // changed since construction
      {[&] { box->SetChecked(true); }, "1cef 1 1"},  // an unchanged value runs nothing
      {[&] { box->SetChecked(false); }, "0f 0 10"},  // the handler follows the code's change
      {[&] { box->SetState(TCheckBoxState::cbGrayed); }, "2f 1 102"},
      {[&] { EXPECT_EQ(Send(BM_GETCHECK), BST_INDETERMINATE); Send(BM_SETCHECK, BST_CHECKED); },
       "1cef 1 1021"},
      {[&] { Send(BM_SETCHECK, 7); }, "1cef 1 1021"},  // no such state
      {[&] { Send(controls::XPM_VALUECHANGED, 2); }, "1cef 0 1021"},  // the original value now
      {[&] { Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)); }, "1cepf 0 1021"},
      {[&] { Send(WM_LBUTTONUP, 0, MAKELPARAM(4, 4)); }, "0f 1 10210"},  // toggles on release
      {[&] { Send(WM_KEYDOWN, VK_SPACE); }, "0pf 1 10210"},
      {[&] { Send(WM_KEYUP, VK_SPACE); }, "1cef 0 102101"},  // back to the original
      {[&] { Send(BM_CLICK); }, "0f 1 1021010"},
      // Alt+E focuses and toggles the box.
      {[&] { dependent->SetEnabled(true), dependent->SetFocus(); }, "0e 1 1021010"},
      {[&] { EXPECT_TRUE(framework::Application::Instance().ProcessMessage(
                 {dependent->Handle(), WM_SYSCHAR, L'e', 0, 0, {0, 0}})); },
       "1cef 0 10210101"},
      // Unchecked, checked, grayed, unchecked; a disabled box keeps its state.
      {[&] { box->SetAllowGrayed(true), Send(BM_CLICK); }, "2f 1 102101012"},
      {[&] { Send(BM_CLICK); }, "0f 1 1021010120"},
      {[&] { box->SetEnabled(false), Send(BM_CLICK); }, "0 1 1021010120"},
  });
  // clang-format on
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
    // The focus frame goes round the caption and leaves every pixel of its text as it was,
    // the underscores on its last row too.
    box->SetCaption(L"Generate use_via statements");
    box->SetWidth(240);
    xptest::Surface focused(240, 17), unfocused(240, 17);
    box->SetFocus();
    box->PaintTo(focused.dc(), 0, 0);
    dependent->SetFocus();
    box->PaintTo(unfocused.dc(), 0, 0);
    const COLORREF face = framework::ColorToRGB(box->Color());
    EXPECT_GT(focused.InkBox(face).right, unfocused.InkBox(face).right) << "the focus frame";
    // The caption's own ink: the unfocused box without its glyph.
    xptest::Surface caption(240, 17);
    BitBlt(caption.dc(), 0, 0, 240, 17, unfocused.dc(), 0, 0, SRCCOPY);
    const RECT glyph_part{0, 0, glyph.cx + 4, 17};
    win::UniqueBrush face_brush(CreateSolidBrush(face));
    FillRect(caption.dc(), &glyph_part, face_brush.get());
    const RECT text = caption.InkBox(face);
    EXPECT_GT(text.right, glyph.cx + 40) << "the caption beside the box";
    EXPECT_EQ(xptest::Differences(focused, unfocused, text), 0)
        << "rows " << text.top << ".." << text.bottom - 1;
    box->SetCaption(L"&Export polygons");
    box->SetWidth(160);
  });
  dependent->SetEnabled(false);
  auto* grayed = Add(L"Grayed", 52);
  grayed->SetState(TCheckBoxState::cbGrayed);
  xptest::WriteStylePicture("xp_checkbox", {box, dependent, grayed});
}

}  // namespace
