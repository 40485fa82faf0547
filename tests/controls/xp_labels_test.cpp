// Labels in a real form driven by mouse messages: links, hot tracking with its restore, and
// what they paint (glyph, grey glyphs, smooth and turned captions).
#include "controls/xp_labels.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/actions.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/win/text.h"
#include "support/test_paths.h"
#include "paint_styles.h"
#include "steps.h"
#include "surface.h"

using controls::TXPCustomLabel;
using framework::TComponent;

namespace {

constexpr COLORREF kGlyphInk = RGB(200, 30, 30);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// 16 x 16: magenta (the transparent colour) around a 10 x 10 square of kGlyphInk.
struct TestGlyph {
  framework::TBitmap bitmap{16, 16, framework::TPixelFormat::pf32bit};
  TestGlyph() {
    framework::TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetColor(RGB(255, 0, 255));
    canvas.FillRect({0, 0, 16, 16});
    canvas.Brush().SetColor(kGlyphInk);
    canvas.FillRect({3, 3, 13, 13});
  }
};

COLORREF BitmapPixel(const framework::TBitmap& bitmap, int x, int y) {
  const auto* row = static_cast<const uint8_t*>(bitmap.ScanLineForReading(y));
  return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
}

// A form with one label at (20, 10), shown so that it takes the mouse.
struct LabelForm {
  framework::TForm form{nullptr};
  TXPCustomLabel label{nullptr};
  LabelForm() {
    form.SetBounds(0, 0, 300, 200);
    label.SetParent(&form);
    label.SetBounds(20, 10, 60, 20);
    label.SetCaption(L"Label");
    form.Show();
  }
  void MouseTo(int x, int y, WPARAM keys = 0) {
    SendMessageW(form.Handle(), WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
  }
  void ClickLabel() {
    const int x = label.Left() + 2, y = label.Top() + 2;
    MouseTo(x, y);
    SendMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  void Enter() { MouseTo(label.Left() + 1, label.Top() + 1); }
  void Leave() { MouseTo(280, 180); }
};

}  // namespace

TEST(XPLabel, ClicksFollowTheLinkTypeAndAnEmptyLinkDoesNothing) {
  LabelForm f;
  std::vector<std::wstring> calls;  // "click", or the routine and its link
  f.label.OnClick = [&](TComponent*) { calls.push_back(L"click"); };
  static std::vector<std::wstring>* routines;
  routines = &calls;
  controls::LinkRoutine1 = [](const std::wstring& link) { routines->push_back(L"1 " + link); };
  controls::LinkRoutine2 = [](const std::wstring& link) { routines->push_back(L"2 " + link); };
  f.ClickLabel();  // no link type: a plain click
  f.label.SetLinkType(controls::ltRoutine1);
  f.ClickLabel();  // no link, no routine
  f.label.SetLink(L"help:first");
  f.ClickLabel();
  f.label.SetLinkType(controls::ltRoutine2);
  f.label.SetLink(L"help:second");
  f.ClickLabel();
  f.label.SetLinkType(controls::ltNone);
  f.label.LinkClick();  // a link of no type is its OnClick, and a click is not doubled
  f.ClickLabel();
  controls::LinkRoutine1 = nullptr;
  controls::LinkRoutine2 = nullptr;
  f.label.SetLinkType(controls::ltRoutine1);
  f.ClickLabel();  // an unset routine is skipped
  EXPECT_EQ(calls,
            (std::vector<std::wstring>{L"click", L"click", L"click", L"1 help:first", L"click",
                                       L"2 help:second", L"click", L"click", L"click"}))
      << "OnClick comes before the link, once per click";
}

TEST(XPLabel, AnActionGivesCaptionStateAndImageAndRunsOnClick) {
  LabelForm f;
  framework::TImageList images(nullptr);
  images.AddMasked(TestGlyph().bitmap, RGB(255, 0, 255));
  auto action = std::make_unique<framework::TCustomAction>(nullptr);
  int executed = 0;
  action->OnExecute = [&](TComponent* sender) {
    EXPECT_EQ(sender, action.get());
    ++executed;
  };
  action->SetCaption(L"Open the guide");
  f.label.SetAction(action.get());
  EXPECT_EQ(f.label.Caption(), L"Open the guide");
  EXPECT_TRUE(f.label.Glyph().Empty()) << "no image list, no glyph";

  action->SetImages(&images);
  action->SetImageIndex(0);
  ASSERT_EQ(f.label.Glyph().Width(), 16);
  EXPECT_EQ(
      xptest::Colours({BitmapPixel(f.label.Glyph(), 8, 8), BitmapPixel(f.label.Glyph(), 0, 15)}),
      xptest::Colours({kGlyphInk, RGB(255, 0, 255)}))
      << "transparent around it";
  EXPECT_NE(BitmapPixel(f.label.DisabledGlyph(), 8, 8), kGlyphInk) << "a grey copy";
  action->SetImageIndex(5);
  EXPECT_EQ(f.label.Glyph().Width(), 16) << "an index the list lacks keeps the glyph";

  f.ClickLabel();
  EXPECT_EQ(executed, 1);
  action->SetEnabled(false);
  action->SetVisible(false);
  EXPECT_FALSE(f.label.Enabled() || f.label.Visible() || action->Execute())
      << "the action's state is the label's; a disabled action does not run";
  action->SetEnabled(true);
  action->SetVisible(true);

  // An OnClick of the label's own comes instead of the action.
  int clicks = 0;
  f.label.OnClick = [&](TComponent*) { ++clicks; };
  f.ClickLabel();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(executed, 1);
  f.label.OnClick = nullptr;

  action.reset();
  EXPECT_EQ(f.label.Action(), nullptr) << "a freed action unlinks its controls";
  f.ClickLabel();
  EXPECT_EQ(f.label.Caption(), L"Open the guide");
}

TEST(XPLabel, ShellOpenStartsOnlyWhatTheLinkNames) {
  testsupport::TempDir dir;
  const std::string log = dir.Path("opened.txt");
  SetEnvironmentVariableA("TRALVEK_READER_LOG", log.c_str());
  LabelForm f;
  f.label.SetLinkType(controls::ltShellOpen);
  f.ClickLabel();  // empty link: nothing starts
  f.label.SetLink(win::Widen(testsupport::BinaryPath("pdf_reader_standin.exe")));
  f.ClickLabel();
  const auto logged = [&] {
    std::stringstream content;
    content << std::ifstream(log).rdbuf();
    return content.str();
  };
  for (int i = 0; i < 300 && logged().find('\n') == std::string::npos; ++i) Sleep(50);
  Sleep(300);  // a second start (from the empty link) would have logged by now
  SetEnvironmentVariableA("TRALVEK_READER_LOG", nullptr);
  // Started once, with only the program itself, quoted or not: no verb, no parameters.
  std::string text = logged();
  ASSERT_EQ(text.rfind("command: ", 0), 0u) << text;
  while (!text.empty() && std::string(" \"\r\n").find(text.back()) != std::string::npos) {
    text.pop_back();
  }
  const std::string name = "pdf_reader_standin.exe";
  ASSERT_GE(text.size(), name.size());
  EXPECT_EQ(text.substr(text.size() - name.size()), name) << text;
  EXPECT_EQ(text.find('\n'), std::string::npos) << text;
}

TEST(XPLabel, HotTrackingShowsAndRestoresFontStyleAndCursor) {
  LabelForm f;
  TXPCustomLabel& label = f.label;
  controls::TXPHotTrack& hot = label.HotTrack();
  hot.SetTrackFontColor(true);
  hot.SetTrackFontStyle(true);
  hot.SetTrackCursor(true);
  hot.SetHotFontColor(framework::clRed);
  const std::string rest = std::to_string(label.Font().Color());
  // Font colour, style (4: underlined), cursor and size, and 'p' while the label takes its parent's
  // font.
  const auto look = [&] {
    return std::to_string(label.Font().Color()) + " " + std::to_string(label.Font().Style()) + " " +
           std::to_string(label.Cursor()) + " " + std::to_string(label.Font().Size()) +
           (label.ParentFont() ? "p" : "");
  };
  const std::string red = std::to_string(framework::clRed),
                    green = std::to_string(framework::clGreen),
                    blue = std::to_string(framework::clBlue),
                    size = std::to_string(label.Font().Size());
  const std::string hand = std::to_string(framework::crHandPoint),
                    cross = std::to_string(framework::crCross);
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { f.Enter(); }, red + " 4 " + hand + " " + size},
      {[&] { xptest::Picture(label, "xp_label_hot", 3), f.Leave(); }, rest + " 0 0 " + size + "p"},
      // A font changed while hovered: leaving goes back to the colour from before the hover,
      // and keeps the change.
      {[&] { f.Enter(), label.Font().SetSize(14), f.Leave(); }, rest + " 0 0 14"},
      // A colour and cursor the program sets while hovered are what leaving shows.
      {[&] { f.Enter(), label.Font().SetColor(framework::clGreen),
             label.SetCursor(framework::crCross), f.Leave(); }, green + " 0 " + cross + " 14"},
      // Disabled: entering changes nothing, leaving restores nothing.
      {[&] { label.SetEnabled(false), label.Perform(framework::CM_MOUSEENTER); },
       green + " 0 " + cross + " 14"},
      {[&] { label.Font().SetColor(framework::clBlue), label.Perform(framework::CM_MOUSELEAVE); },
       blue + " 0 " + cross + " 14"},
      // Only what is tracked changes.
      {[&] { label.SetEnabled(true), hot.SetTrackFontColor(false), hot.SetTrackCursor(false),
             f.Enter(); }, blue + " 4 " + cross + " 14"},
      {[&] { f.Leave(); }, blue + " 0 " + cross + " 14"},
  });
  // clang-format on
}

TEST(XPLabel, PaintsTheGlyphBesideTheCaptionAndGreysItWhenDisabled) {
  TXPCustomLabel label(nullptr);
  label.SetCaption(L"Glyph");
  const int text_only = label.Width();
  label.SetGlyph(TestGlyph().bitmap);
  EXPECT_EQ(label.Width(), text_only + 16 + 3) << "auto size: glyph, 3 pixels, caption";
  EXPECT_GE(label.Height(), 16);

  auto s = xptest::Picture(label, "xp_label_glyph", 3);
  const int glyph_top = (label.Height() - 16) / 2;
  EXPECT_EQ(xptest::Pixels(*s, {{8, glyph_top + 8}, {0, glyph_top + 15}}),
            xptest::Colours({kGlyphInk, kWhite}))
      << "the glyph's background is transparent";
  const RECT ink = s->InkBox(kWhite);
  EXPECT_EQ(ink.left, 3);
  EXPECT_GT(ink.right, 19) << "the caption";
  EXPECT_EQ(xptest::CountOfColour(*s, {13, 0, 19, label.Height()}, kWhite), 6 * label.Height())
      << "3 pixels between glyph and caption";

  label.SetEnabled(false);
  s = xptest::Picture(label, "xp_label_disabled_glyph", 3);
  const uint8_t grey = (77 * 200 + 151 * 30 + 28 * 30) >> 8;
  EXPECT_EQ(xptest::Pixels(*s, {{8, glyph_top + 8}, {0, glyph_top + 15}}),
            xptest::Colours({RGB(grey, grey, grey), kWhite}));
  EXPECT_EQ(BitmapPixel(label.Glyph(), 8, 8), kGlyphInk) << "the glyph itself keeps its colours";

  label.SetGreyscaleDisabledGlyph(false);
  s = xptest::Picture(label, "xp_label_disabled_light", 3);
  const uint8_t light = 255 - (255 - grey) * 3 / 5;
  EXPECT_EQ(s->Pixel(8, glyph_top + 8), RGB(light, light, light));
  // Light text, not the face colour it would vanish in.
  EXPECT_GT(xptest::CountOfColour(*s, {19, 0, label.Width(), label.Height()},
                                  GetSysColor(COLOR_GRAYTEXT)),
            0);
}

TEST(XPLabel, SmoothAndTurnedCaptionsSizeThemselves) {
  TXPCustomLabel label(nullptr);
  label.Font().SetSize(12);
  label.SetCaption(L"Turned caption");
  const int width = label.Width();
  const int height = label.Height();
  ASSERT_GT(width, 2 * height);

  label.SetTextOrientation(controls::toUpwards);
  EXPECT_EQ(label.Width(), height);
  EXPECT_EQ(label.Height(), width);
  const RECT up_ink = xptest::Picture(label, "xp_label_turned_up", 3)->InkBox(kWhite);
  EXPECT_GT(up_ink.bottom - up_ink.top, 3 * (up_ink.right - up_ink.left)) << "reads upwards";

  label.SetGlyph(TestGlyph().bitmap);
  EXPECT_EQ(label.Height(), width + 16 + 3) << "the glyph above the turned caption";
  EXPECT_EQ(label.Width(), std::max(height, 16));
  EXPECT_EQ(
      xptest::Picture(label, "xp_label_turned_glyph", 3)->Pixel((label.Width() - 16) / 2 + 8, 8),
      kGlyphInk);

  TXPCustomLabel smooth(nullptr);
  smooth.Font().SetSize(12);
  smooth.Font().SetColor(framework::clBlack);
  smooth.SetCaption(L"Smooth caption");
  smooth.SetSmoothText(true);
  auto surface = xptest::Picture(smooth, "xp_label_smooth", 3);
  const xptest::Surface& s = *surface;
  const RECT all = {0, 0, s.width(), s.height()};
  const int ink = s.width() * s.height() - xptest::CountOfColour(s, all, kWhite);
  const int blended = ink - xptest::CountOfColour(s, all, RGB(0, 0, 0));
  EXPECT_GT(ink, 50);
  EXPECT_GT(blended, ink / 4) << "anti-aliased edges";

  // Without the hot-key mark the "&" is drawn, and takes room.
  smooth.SetCaption(L"Save &as");
  const int marked = smooth.Width();
  smooth.SetShowAccelChar(false);
  EXPECT_GT(smooth.Width(), marked);
  smooth.SetShowAccelChar(true);
  EXPECT_EQ(smooth.Width(), marked);

  // Right-aligned labels grow to the left.
  smooth.SetAlignment(framework::TAlignment::taRightJustify);
  smooth.SetBounds(200, 0, smooth.Width(), smooth.Height());
  const int right = smooth.Left() + smooth.Width();
  smooth.SetCaption(L"A longer smooth caption");
  EXPECT_EQ(smooth.Left() + smooth.Width(), right);
  EXPECT_LT(smooth.Left(), 200);
}
