// The own-drawn push button, driven by real mouse and key messages, in a modal form by Enter,
// Escape and accelerators, and drawn in the three paint styles.
#include "controls/xp_bitbtn.h"
#include "controls/xp_edits2.h"

#include <gtest/gtest.h>
#include <vsstyle.h>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/picture.h"
#include "framework/theme_services.h"
#include "framework/win/handles.h"
#include "paint_styles.h"
#include "surface.h"

namespace {

using controls::TXPBitBtn;

class BitBtn : public testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 300, 120);
    ok = Add(L"OK", 8);
    ok->SetDefault(true);
    ok->SetModalResult(1);
    cancel = Add(L"Cancel", 90);
    cancel->SetCancel(true);
    cancel->SetModalResult(2);
    apply = Add(L"&Apply", 172);
    apply->OnClick = [this](framework::TComponent* sender) {
      EXPECT_EQ(sender, apply);
      ++clicks;
    };
  }
  TXPBitBtn* Add(const wchar_t* caption, int left) {
    auto* button = new TXPBitBtn(&form);
    button->SetParent(&form);
    button->SetBounds(left, 60, 75, 25);
    button->SetCaption(caption);
    button->Handle();
    return button;
  }
  static LRESULT Mouse(TXPBitBtn* button, UINT msg, int x, int y, WPARAM keys) {
    return SendMessageW(button->Handle(), msg, keys, MAKELPARAM(x, y));
  }
  bool Dispatch(HWND hwnd, UINT msg, WPARAM wparam) {
    const MSG message = {hwnd, msg, wparam, 0, 0, {0, 0}};
    return framework::Application::Instance().ProcessMessage(message);
  }

  framework::TForm form{nullptr};
  TXPBitBtn *ok = nullptr, *cancel = nullptr, *apply = nullptr;
  int clicks = 0;
};

TEST_F(BitBtn, ClicksWhenTheMouseIsReleasedOverIt) {
  form.Show();
  // Whether the button shows pressed after each message, and the clicks so far.
  std::string shown;
  const auto mouse = [&](UINT msg, int x, WPARAM keys) {
    Mouse(apply, msg, x, 5, keys);
    shown += std::to_string(apply->Pressed()) + std::to_string(clicks) + " ";
  };
  mouse(WM_MOUSEMOVE, 10, MK_LBUTTON);  // a button held down elsewhere and dragged over
  mouse(WM_LBUTTONDOWN, 5, MK_LBUTTON);
  EXPECT_TRUE(apply->Focused()) << "a press takes the focus";
  mouse(WM_MOUSEMOVE, 100, MK_LBUTTON);  // dragged off: drawn up
  mouse(WM_MOUSEMOVE, 10, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 10, 0);
  EXPECT_NE(GetCapture(), apply->Handle());
  mouse(WM_LBUTTONDOWN, 5, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 100, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 100, 0);  // released outside: no click
  EXPECT_EQ(shown, "00 10 00 10 01 11 01 01 ");
}

TEST_F(BitBtn, AnswersSpaceBmClickAcceleratorsAndItsTextQuery) {
  form.Show();
  apply->SetFocus();
  // Space clicks on release; a release without a press does nothing.
  std::string shown;
  for (const UINT msg : {WM_KEYDOWN, WM_KEYUP, WM_KEYUP}) {
    SendMessageW(apply->Handle(), msg, VK_SPACE, 0);
    shown += std::to_string(apply->Pressed()) + std::to_string(clicks) + " ";
  }
  EXPECT_EQ(shown, "10 01 01 ");

  SendMessageW(apply->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);

  ok->SetFocus();
  EXPECT_TRUE(Dispatch(ok->Handle(), WM_SYSCHAR, L'a')) << "Alt+A";
  EXPECT_EQ(clicks, 3);
  EXPECT_TRUE(apply->Focused());
  EXPECT_FALSE(Dispatch(ok->Handle(), WM_SYSCHAR, L'q')) << "no control has Q";

  apply->SetEnabled(false);
  SendMessageW(apply->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(Dispatch(ok->Handle(), WM_SYSCHAR, L'a'));
  EXPECT_EQ(clicks, 3) << "a disabled button does not click";

  wchar_t text[16] = {};
  EXPECT_EQ(SendMessageW(apply->Handle(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text)), 6);
  EXPECT_STREQ(text, L"&Apply");
  EXPECT_EQ(SendMessageW(ok->Handle(), controls::XPM_VALUECHANGED, 1, 0), 0);
  EXPECT_TRUE(controls::IsAccel(L'A', L"&Apply"));
  EXPECT_FALSE(controls::IsAccel(L'B', L"Save && &Close"));
  EXPECT_TRUE(controls::IsAccel(L'c', L"Save && &Close"));
  EXPECT_FALSE(controls::IsAccel(L'S', L"Save && Close"));
}

TEST_F(BitBtn, EndsAModalFormWithItsResult) {
  // Enter on a focused button presses that one, not the default button.
  form.SetActiveControl(cancel);
  PostMessageW(cancel->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(form.ShowModal(), 2);
  form.SetActiveControl(nullptr);
  apply->SetModalResult(7);
  PostMessageW(apply->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form.ShowModal(), 7);
  EXPECT_EQ(clicks, 1);
}

TEST_F(BitBtn, IsDrawnInEachPaintStyle) {
  // The folder glyph the library's button edits carry: its enabled half, on its key colour.
  framework::TBitmap folder(12, 11, framework::TPixelFormat::pf24bit);
  {
    win::UniqueMemoryDc source(CreateCompatibleDC(nullptr));
    const HGDIOBJ old =
        SelectObject(source.get(), controls::EditGlyphBitmap(controls::EditGlyph::kDir));
    BitBlt(folder.Canvas().Handle(), 0, 0, 12, 11, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), old);
  }
  controls::TAlphaBitmap& glyph = apply->Glyph();
  glyph.SetTransparent(true);
  glyph.AssignBitmap(folder);
  apply->SetLayout(controls::TButtonLayout::blGlyphLeft);
  cancel->SetEnabled(false);
  const COLORREF face = RGB(1, 2, 3);
  xptest::ForEachPaintStyle([&](int style) {
    xptest::Surface surface(75, 25, face);
    ok->PaintTo(surface.dc(), 0, 0);
    const RECT ink = surface.InkBox(face);
    EXPECT_EQ(ink.left, 0);
    EXPECT_EQ(ink.right, 75) << "the whole button is painted";
    // The caption "OK" is centred: dark ink in the middle, none near the ends.
    EXPECT_GT(xptest::CountDark(surface, {27, 6, 48, 19}), 10);
    EXPECT_EQ(
        xptest::CountDark(surface, {6, 6, 27, 19}) + xptest::CountDark(surface, {48, 6, 69, 19}),
        0);
    if (style == 0) {
      EXPECT_EQ(surface.Pixel(0, 0), RGB(0, 0, 0)) << "the default button's black frame";
    }
    // Themed, the face above the caption is the theme's push button in the button's state, the
    // form showing under its corners.
    const auto theme_rows_differing = [&](TXPBitBtn* button, int theme_state) {
      xptest::Surface drawn(75, 25, face), expected(75, 25, framework::ColorToRGB(form.Color()));
      button->PaintTo(drawn.dc(), 0, 0);
      const auto& themes = framework::TThemeServices::Instance();
      themes.DrawBackground(themes.Open(nullptr, L"BUTTON"), expected.dc(), BP_PUSHBUTTON,
                            theme_state, {0, 0, 75, 25});
      return xptest::Differences(drawn, expected, {0, 0, 75, 4});
    };
    if (style == 2) {
      EXPECT_EQ(theme_rows_differing(ok, PBS_DEFAULTED), 0);
      EXPECT_EQ(theme_rows_differing(cancel, PBS_DISABLED), 0);
      EXPECT_EQ(theme_rows_differing(apply, PBS_NORMAL), 0);
      Mouse(apply, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
      EXPECT_EQ(theme_rows_differing(apply, PBS_PRESSED), 0);
      Mouse(apply, WM_LBUTTONUP, 500, 5, 0);
    }
    Mouse(ok, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    xptest::Surface pressed(75, 25, face);
    ok->PaintTo(pressed.dc(), 0, 0);
    Mouse(ok, WM_LBUTTONUP, 500, 5, 0);
    EXPECT_GT(xptest::Differences(surface, pressed, xptest::Whole(surface)), 20)
        << "pressed looks different";
  });
  xptest::WriteStylePicture("xp_bitbtn", {ok, cancel, apply});
}

}  // namespace
