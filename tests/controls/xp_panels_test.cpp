// The panel that holds a dialog's pages and the group box: pages switched the way the set-up
// dialog switches them, the shaded page background, the group frame and its accelerator.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "paint_styles.h"
#include "controls/xp_checkbox.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_ext_panel.h"
#include "controls/xp_groupbox.h"
#include "surface.h"

namespace {

using controls::TXPExtPanel;
using controls::TXPExtPanelKind;

TEST(ExtPanel, PagesShowAlignedToTheClientAreaAndDrawTheirKind) {
  framework::TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* general = new TXPExtPanel(&form);
  auto* rules = new TXPExtPanel(&form);
  for (TXPExtPanel* page : {general, rules}) {
    page->SetParent(&form);
    page->SetBounds(10, 10, 50, 50);
  }
  general->SetKind(TXPExtPanelKind::epkBackground);
  form.Show();
  // Hide one page (no alignment, not visible), show the other (client area, visible).
  rules->SetAlign(framework::TAlign::alNone);
  rules->SetVisible(false);
  general->SetAlign(framework::TAlign::alClient);
  general->SetVisible(true);
  EXPECT_FALSE(IsWindowVisible(rules->Handle()));
  EXPECT_TRUE(IsWindowVisible(general->Handle()));
  EXPECT_EQ(general->Width(), form.ClientWidth());
  EXPECT_EQ(general->Height(), form.ClientHeight());

  rules->SetColor(static_cast<framework::TColor>(RGB(10, 20, 30)));
  xptest::ForEachPaintStyle([&](int style) {
    const int height = general->Height();
    xptest::Surface page(40, height), simple(40, 40);
    general->PaintTo(page.dc(), 0, 0);
    rules->PaintTo(simple.dc(), 0, 0);
    EXPECT_EQ(simple.Pixel(20, 20), RGB(10, 20, 30)) << "a simple panel shows its colour";
    if (style == 1) {
      // The page shades from the window colour into the face colour.
      EXPECT_EQ(page.Pixel(20, 0), framework::ColorToRGB(controls::XPPalette().clXPWindow));
      EXPECT_EQ(page.Pixel(20, height - 1), framework::ColorToRGB(controls::XPPalette().clXPFace));
    } else if (style == 0) {
      EXPECT_EQ(page.Pixel(20, height / 2), framework::ColorToRGB(general->Color()));
    }
  });
}

TEST(GroupBox, FramesItsControlsAndPassesItsAcceleratorToTheFirst) {
  framework::TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* group = new controls::TXPGroupBox(&form);
  group->SetParent(&form);
  group->SetBounds(8, 8, 180, 70);
  group->SetCaption(L"&Grids");
  auto* first = new controls::TXPCheckBox(&form);
  first->SetParent(group);
  first->SetBounds(10, 20, 100, 17);
  first->SetCaption(L"Wire");
  auto* other = new controls::TXPCheckBox(&form);
  other->SetParent(&form);
  other->SetBounds(8, 100, 100, 17);
  form.Show();
  other->SetFocus();
  const MSG alt_g = {other->Handle(), WM_SYSCHAR, L'g', 0, 0, {0, 0}};
  EXPECT_TRUE(framework::Application::Instance().ProcessMessage(alt_g));
  EXPECT_TRUE(first->Focused());
  EXPECT_FALSE(first->Checked()) << "focused, not clicked";

  auto* disabled = new controls::TXPGroupBox(&form);
  disabled->SetParent(&form);
  disabled->SetBounds(196, 8, 90, 70);
  disabled->SetCaption(L"Off");
  disabled->SetEnabled(false);
  std::vector<std::pair<COLORREF, COLORREF>> left_lines;
  xptest::ForEachPaintStyle([&](int style) {
    xptest::Surface surface(180, 70);
    group->PaintTo(surface.dc(), 0, 0);
    const COLORREF face = surface.Pixel(90, 40);
    left_lines.emplace_back(surface.Pixel(0, 40), surface.Pixel(1, 40));
    int caption_ink = 0;  // the XP look writes the caption in the highlight colour
    for (int y = 0; y < 16; ++y) {
      for (int x = 8; x < 40; ++x) {
        caption_ink +=
            surface.Pixel(x, y) == framework::ColorToRGB(controls::XPPalette().clXPHighlight);
      }
    }
    EXPECT_EQ(caption_ink > 5, style == 1);
    EXPECT_NE(surface.Pixel(90, 69), face) << "the frame's bottom line";
    EXPECT_NE(surface.Pixel(0, 40), face) << "its left line";
    int line = 0;
    while (line < 20 && surface.Pixel(100, line) == face) ++line;
    EXPECT_GT(line, 4) << "the top line runs through the caption's middle";
    EXPECT_LT(line, 12);
    EXPECT_EQ(surface.Pixel(7, line), face) << "the caption interrupts the top line";
  });
  EXPECT_NE(left_lines[0], left_lines[2]) << "themed, the frame is the theme's";
  xptest::WriteStylePicture("xp_groupbox", {group, disabled});
}

}  // namespace
