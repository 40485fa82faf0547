// Every own-drawn control in each paint style, as the screen shows it: with the frames, captions
// and scroll bars the system draws around them. The pictures go to build/pictures/ as
// screen_controls_style0.png (classic), 1 (the library's XP look) and 2 (themed).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "controls/xp_control_set.h"
#include "controls/xp_edits2.h"
#include "controls/xp_ext_panel.h"
#include "controls/xp_labels.h"
#include "controls/xp_scrolls.h"
#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "support/screen_capture.h"
#include "support/user_input.h"
#include "tests/controls/paint_styles.h"
#include "tests/controls/surface.h"

namespace {

using testsupport::ScreenCapture;

constexpr char kGallery[] = R"(object Gallery: TForm
  BorderStyle = bsDialog
  ClientWidth = 430
  ClientHeight = 200
  object Normal: TXPEdit
    Left = 10
    Top = 10
    Width = 130
    Text = 'Normal'
    TabOrder = 0
  end
  object Disabled: TXPEdit
    Left = 10
    Top = 40
    Width = 130
    Text = 'Disabled'
    Enabled = False
  end
  object ReadOnly: TXPEdit
    Left = 10
    Top = 70
    Width = 130
    Text = 'Read-only'
    ReadOnly = True
  end
  object Secret: TXPEdit
    Left = 10
    Top = 100
    Width = 130
    Text = 'secret'
    PasswordChar = '*'
  end
  object List: TMemo
    Left = 150
    Top = 10
    Width = 130
    Height = 110
    Lines = ('U1-5 (Net=SDA)' 'U1-5 (Net=SCL)' 'J2-A (Net=GND)' 'R7-1 (Net=VCC)' 'R7-2 (Net=VCC)' 'C3-1 (Net=GND)' 'C3-2 (Net=VCC)' 'Q1-B (Net=BASE)' 'Q1-C (Net=OUT)' 'Q1-E (Net=GND)')
  end
  object Group: TXPGroupBox
    Left = 290
    Top = 4
    Width = 130
    Height = 116
    Caption = '&Options'
    object Protect: TXPCheckBox
      Left = 10
      Top = 22
      Width = 110
      Height = 17
      Caption = '&Protect wires'
      State = cbChecked
    end
    object Side: TXPComboBox
      Left = 10
      Top = 50
      Width = 110
      Height = 21
      Style = csDropDownList
      Items = ('Top Side' 'Bottom Side')
      ItemIndex = 1
    end
  end
  object ButtonOK: TXPBitBtn
    Left = 260
    Top = 168
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
  end
  object ButtonCancel: TXPBitBtn
    Left = 345
    Top = 168
    Width = 75
    Height = 25
    Caption = 'Cancel'
    Cancel = True
  end
end
)";

// Pixels of the region that differ from its top left one: a drawn strip has some, a blank one
// none.
int Variety(const ScreenCapture& capture, const RECT& region) {
  return static_cast<int>(
      (region.right - region.left) * (region.bottom - region.top) *
      (1.0 - capture.ShareOf(region, capture.Pixel(region.left, region.top), 16)));
}

TEST(ControlsOnScreen, EachPaintStyleWithTheFramesAroundTheControls) {
  controls::RegisterXPControls();
  framework::RegisterStandardControls();
  xptest::ForEachPaintStyle([](int style) {
    SCOPED_TRACE(style);
    framework::TForm form(nullptr);
    framework::ReadComponentText(form, kGallery, "gallery");
    form.SetCaption(L"Controls, paint style " + std::to_wstring(style));
    controls::TXPCustomLabel label(&form);
    label.SetParent(&form);
    label.SetBounds(10, 135, 130, 16);
    label.SetCaption(L"A label, turned or not");
    controls::TCustomXPScrollBar bar(&form);
    bar.SetParent(&form);
    bar.SetBounds(150, 135, 270, 17);
    bar.SetPageSize(20);
    bar.SetPosition(40);
    form.SetBounds(60, 60, form.Width(), form.Height());
    form.Show();
    ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
    dynamic_cast<framework::TWinControl&>(*form.FindComponent("Normal")).SetFocus();
    testsupport::Settle(300);

    const ScreenCapture picture = ScreenCapture::OfWindow(form.Handle());
    picture.Save("screen_controls_style" + std::to_string(style));

    const HWND edit =
        dynamic_cast<framework::TWinControl&>(*form.FindComponent("Disabled")).Handle();
    RECT outer{};
    GetWindowRect(edit, &outer);
    OffsetRect(&outer, -picture.origin().x, -picture.origin().y);
    const RECT top_edge = {outer.left + 2, outer.top, outer.right - 2, outer.top + 1};
    if (style == 0) {
      // The classic edit's frame is the system's sunken edge, outside its client area.
      EXPECT_GT(picture.ShareOf(top_edge, GetSysColor(COLOR_BTNSHADOW), 8), 0.9);
    } else {
      EXPECT_EQ(picture.ClientArea(edit).top, outer.top) << "the edit draws its own frame";
    }

    // The memo's scroll bar is drawn, arrows and all.
    const HWND memo = dynamic_cast<framework::TWinControl&>(*form.FindComponent("List")).Handle();
    const RECT memo_client = picture.ClientArea(memo);
    const int bar_width = GetSystemMetrics(SM_CXVSCROLL);
    const RECT memo_bar = {memo_client.right, memo_client.top, memo_client.right + bar_width,
                           memo_client.bottom};
    EXPECT_GT(Variety(picture, memo_bar), 40) << "a scroll bar, not a blank strip";
    // The caption above the client area.
    const RECT client = picture.ClientArea(form.Handle());
    EXPECT_GT(Variety(picture, {client.left, 0, client.right, client.top}), 40);
  });
}

// A themed page draws its background only where its own windows leave it showing: what the screen
// shows of it, round a showing window and where a hidden one lies, is the page drawn whole.
TEST(ControlsOnScreen, ThemedPageShowsItsWholeBackgroundRoundItsWindows) {
  controls::RegisterXPControls();
  struct Reset {
    ~Reset() { xptest::ResetPaintStyle(); }
  } reset;
  xptest::UsePaintStyle(2);
  framework::TForm form(nullptr);
  form.SetBounds(60, 60, 300, 220);
  auto* page = new controls::TXPExtPanel(&form);
  page->SetParent(&form);
  page->SetAlign(framework::TAlign::alClient);
  page->SetKind(controls::TXPExtPanelKind::epkBackground);
  page->SetColor(static_cast<framework::TColor>(RGB(200, 0, 0)));  // what erasing leaves
  auto* shown = new controls::TXPExtPanel(&form);
  shown->SetParent(page);
  shown->SetBounds(20, 20, 120, 60);
  shown->SetColor(static_cast<framework::TColor>(RGB(0, 0, 200)));
  auto* hidden = new controls::TXPExtPanel(&form);
  hidden->SetParent(page);
  hidden->SetBounds(40, 100, 150, 60);
  hidden->SetVisible(false);
  form.Show();
  ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
  testsupport::Settle(300);

  const ScreenCapture picture = ScreenCapture::OfWindow(form.Handle());
  xptest::Surface whole(page->Width(), page->Height());
  page->PaintTo(whole.dc(), 0, 0);
  ASSERT_EQ(whole.Pixel(30, 30), RGB(0, 0, 200));
  const RECT area = picture.ClientArea(page->Handle());
  ASSERT_EQ(area.right - area.left, whole.width());
  ASSERT_EQ(area.bottom - area.top, whole.height());
  int differing = 0;
  for (int y = 0; y < whole.height(); ++y) {
    for (int x = 0; x < whole.width(); ++x) {
      differing += testsupport::ColoursDiffer(picture.Pixel(area.left + x, area.top + y),
                                              whole.Pixel(x, y), 8);
    }
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
