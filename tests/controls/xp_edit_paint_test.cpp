// What the edit and the button edit draw in the three paint styles, and the button's behaviour.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "framework/stdctrls.h"
#include "tests/controls/surface.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_edits2.h"
#include "tests/controls/edit_test_support.h"
#include "tests/controls/paint_styles.h"

namespace {

using edittest::Key;
using edittest::LineHeight;
using edittest::Picture;
using xptest::CountOfColour;
using xptest::CountOtherThan;
using xptest::SamePixels;

constexpr COLORREF kXPFrame = RGB(127, 157, 185), kXPWindow = RGB(255, 255, 255),
                   kXPLight = RGB(241, 241, 237), kXPShadow = RGB(196, 195, 191),
                   kXPHighlight = RGB(49, 106, 197);

// The button edit as a descendant makes it: with a glyph, counting the clicks it gets.
class EllipsisEdit : public controls::TXPCustomButtonEdit {
 public:
  using TXPCustomButtonEdit::TXPCustomButtonEdit;
  int clicks = 0;
  using TXPCustomButtonEdit::GetTextRect;

 protected:
  HBITMAP GetButtonGlyph() override { return controls::GetEllipsisButtonBitmap(); }
  void ButtonClick() override { ++clicks; }
};

// An edit that paints with its Color, as descendants may ask for.
class ColouredEdit : public controls::TXPEdit {
 public:
  explicit ColouredEdit(framework::TComponent* owner) : TXPEdit(owner) { use_color_ = true; }
};

// The colour of the enabled glyphs of the edit buttons.
constexpr COLORREF kGlyphInk = RGB(33, 33, 33);

// The box of the glyph's pixels in an area.
RECT GlyphBox(const xptest::Surface& surface, const RECT& area) {
  RECT box{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (surface.Pixel(x, y) != kGlyphInk) continue;
      box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
             std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
    }
  }
  return box;
}

class XPEditPaint : public edittest::EditForm {};

TEST_F(XPEditPaint, XPLookColoursForEveryStateOfTheEdit) {
  UsePaintStyle(1);
  controls::TXPEdit& normal = Add<controls::TXPEdit>(10, 10, 120);
  normal.SetText(L"Normal");
  const auto normal_picture = Picture(normal, "xp_edit_xp_normal");
  const int w = normal.Width(), h = normal.Height();
  const RECT inside{3, 3, w - 3, h - 5};
  EXPECT_EQ(h, 2 * 3 + LineHeight(normal) + 2) << "AutoSize fits the font";
  EXPECT_EQ(xptest::Pixels(*normal_picture, {{0, 0}, {w - 1, h - 1}, {1, h / 2}, {w - 5, h / 2}}),
            xptest::Colours({kXPFrame, kXPFrame, kXPWindow, kXPWindow}));
  EXPECT_GT(CountOtherThan(*normal_picture, inside, kXPWindow), 10) << "the text is drawn";

  controls::TXPEdit& focused = Add<controls::TXPEdit>(10, 40, 120);
  focused.SetText(L"Selected text");
  focused.SetFocus();
  focused.SetSelStart(2);
  focused.SetSelLength(6);
  const auto highlighted = [&](const char* picture) {
    return CountOfColour(*Picture(focused, picture), inside, kXPHighlight);
  };
  EXPECT_GT(highlighted("xp_edit_xp_focused_selection"), 40);
  normal.SetFocus();
  Picture(focused, "xp_edit_xp_unfocused_selection");
  focused.SetHideSelection(false);
  EXPECT_GT(highlighted("xp_edit_xp_unfocused_shown"), 40);

  // Frame and inside of a disabled and of a read-only edit.
  for (const bool disabled : {true, false}) {
    controls::TXPEdit& edit = Add<controls::TXPEdit>(10, disabled ? 70 : 100, 120);
    edit.SetText(disabled ? L"Disabled" : L"Read-only");
    disabled ? edit.SetEnabled(false) : edit.SetReadOnly(true);
    EXPECT_EQ(
        xptest::Pixels(*Picture(edit, disabled ? "xp_edit_xp_disabled" : "xp_edit_xp_read_only"),
                       {{0, 0}, {w - 5, h / 2}}),
        xptest::Colours({disabled ? kXPShadow : kXPFrame, kXPLight}));
  }

  // A password shows one password character per character, drawn as the same text would be.
  controls::TXPEdit& password = Add<controls::TXPEdit>(140, 10, 120);
  password.SetText(L"abc");
  password.SetPasswordChar(L'*');
  controls::TXPEdit& stars = Add<controls::TXPEdit>(140, 40, 120);
  stars.SetText(L"***");
  EXPECT_TRUE(SamePixels(*Picture(password, "xp_edit_xp_password"), *Picture(stars, "xp_stars")));
  EXPECT_EQ(password.GetTextWidth(), stars.GetTextWidth());

  Picture(form_, "xp_edit_xp_form");
}

// A screen keeps its pixels between paints: the unfocused edit must paint over its old highlight.
TEST_F(XPEditPaint, HiddenSelectionLeavesNoHighlightBehindOnTheSameSurface) {
  for (int style : {0, 1, 2}) {
    SCOPED_TRACE(style);
    UsePaintStyle(style);
    controls::TXPEdit& edit = Add<controls::TXPEdit>(10, 10 + 30 * style, 120);
    controls::TXPEdit& other = Add<controls::TXPEdit>(140, 10 + 30 * style, 120);
    edit.SetText(L"Selected text");
    edit.SetFocus();
    edit.SetSelStart(0);
    edit.SetSelLength(8);
    xptest::Surface screen(edit.Width(), edit.Height());
    edit.PaintTo(screen.dc(), 0, 0);
    const RECT inside{3, 3, edit.Width() - 3, edit.Height() - 3};
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int highlighted =
        CountOfColour(screen, inside, highlight) +
        (highlight == kXPHighlight ? 0 : CountOfColour(screen, inside, kXPHighlight));
    ASSERT_GT(highlighted, 40) << "the focused selection shows";

    other.SetFocus();
    edit.PaintTo(screen.dc(), 0, 0);
    screen.MakeOpaque();
    xptest::WritePicture(screen, "xp_edit_hidden_selection_repainted_" + std::to_string(style), 2);
    EXPECT_EQ(CountOfColour(screen, inside, highlight), 0);
    EXPECT_EQ(CountOfColour(screen, inside, kXPHighlight), 0);
  }
}

TEST_F(XPEditPaint, TransparentEditShowsItsColouredParent) {
  UsePaintStyle(1);
  auto* panel = new framework::TPanel(&form_);
  panel->SetParent(&form_);
  panel->SetBounds(5, 5, 200, 50);
  panel->SetColor(framework::clYellow);
  auto* edit = new controls::TXPEdit(&form_);
  edit->SetParent(panel);
  edit->SetBounds(10, 10, 150, 21);
  edit->SetText(L"Transparent");
  edit->SetTransparent(true);
  const auto picture = Picture(*panel, "xp_edit_transparent_on_yellow");
  EXPECT_EQ(picture->Pixel(10 + 140, 10 + 10), RGB(255, 255, 0)) << "no background of its own";
  EXPECT_GT(CountOtherThan(*picture, RECT{13, 13, 157, 28}, RGB(255, 255, 0)), 10)
      << "the text is there";
}

TEST_F(XPEditPaint, ClassicAndThemedEdits) {
  UsePaintStyle(0);
  controls::TXPEdit& classic = Add<controls::TXPEdit>(10, 10, 120);
  classic.SetText(L"Classic");
  EXPECT_TRUE(GetWindowLongW(classic.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  RECT client{};
  GetClientRect(classic.Handle(), &client);
  const auto classic_picture = Picture(classic, "xp_edit_classic");
  EXPECT_EQ(client.bottom, 2 * 1 + LineHeight(classic) + 2);
  EXPECT_EQ(classic_picture->Pixel(classic.Width() - 8, classic.Height() / 2),
            GetSysColor(COLOR_WINDOW));
  classic.SetBorderStyle(controls::TEditBorderStyle::bsNone);
  EXPECT_FALSE(GetWindowLongW(classic.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  UsePaintStyle(2);
  controls::TXPEdit& themed = Add<controls::TXPEdit>(10, 40, 120);
  themed.SetText(L"Themed");
  themed.SetFocus();
  themed.SelectAll();
  const auto themed_picture = Picture(themed, "xp_edit_themed_focused");
  const RECT inside{3, 3, themed.Width() - 3, themed.Height() - 5};
  EXPECT_GT(CountOfColour(*themed_picture, inside, GetSysColor(COLOR_HIGHLIGHT)), 40);
  const COLORREF enabled_margin = themed_picture->Pixel(2, themed.Height() / 2);
  themed.SetEnabled(false);
  EXPECT_NE(Picture(themed, "xp_edit_themed_disabled")->Pixel(2, themed.Height() / 2),
            enabled_margin)
      << "the theme draws the disabled state";

  // An edit that paints with its own colour leaves the theme out, frame and all.
  ColouredEdit& coloured = Add<ColouredEdit>(140, 40, 120);
  coloured.SetColor(framework::clYellow);
  const int middle = coloured.Height() / 2;
  EXPECT_EQ(xptest::Pixels(*Picture(coloured, "xp_edit_themed_own_colour"),
                           {{0, 0}, {2, middle}, {coloured.Width() - 5, middle}}),
            xptest::Colours({kXPFrame, RGB(255, 255, 0), RGB(255, 255, 0)}));
  Picture(form_, "xp_edit_classic_and_themed_form");
}

TEST_F(XPEditPaint, ButtonTakesRoomWhenShownAndClicksByMouseByCtrlReturnAndFromCode) {
  UsePaintStyle(1);
  EllipsisEdit& edit = Add<EllipsisEdit>(10, 10, 145);
  HWND hwnd = edit.Handle();
  controls::TXPEditButton& button = edit.Button();
  EXPECT_EQ(std::vector<int>({button.Left(), button.Top(), button.Width()}),
            std::vector<int>({edit.ClientWidth() - 1 - 19, 1, 19}))
      << "docked inside the frame";
  // The text's width and rectangle make room for a visible button only.
  controls::TXPEdit& plain = Add<controls::TXPEdit>(10, 40, 145);
  const auto room = [&] {
    return std::make_pair(edit.GetTextWidth() - plain.GetTextWidth(),
                          static_cast<int>(edit.GetTextRect().right));
  };
  edit.SetText(L"Some text");
  plain.SetText(L"Some text");
  EXPECT_EQ(room(), std::make_pair(19, 145 - 3 - (19 - 2 + 1)));

  {
    edittest::HeldKeys ctrl({VK_CONTROL});
    EXPECT_EQ(SendMessageW(hwnd, framework::CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  }
  EXPECT_EQ(SendMessageW(hwnd, framework::CM_WANTSPECIALKEY, VK_RETURN, 0), 0);
  std::string clicks;  // after Return alone, with Ctrl and Shift, with Ctrl
  for (const auto held : {std::initializer_list<int>{}, {VK_CONTROL, VK_SHIFT}, {VK_CONTROL}}) {
    Key(hwnd, VK_RETURN, held);
    clicks += std::to_string(edit.clicks);
  }
  EXPECT_EQ(clicks, "001");

  const LPARAM on_button = MAKELPARAM(button.Left() + 5, 5);
  std::vector<int> states;  // hot 2, pressed 3
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, on_button);
  states.push_back(button.HotFlag() ? button.VisualState() : -1);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, on_button);
  EXPECT_EQ(GetFocus(), hwnd) << "pressing the button focuses the edit";
  states.push_back(button.VisualState());
  SendMessageW(hwnd, WM_LBUTTONUP, 0, on_button);
  states.push_back(button.VisualState());
  EXPECT_EQ(states, std::vector<int>({2, 3, 2}));
  EXPECT_EQ(edit.clicks, 2);

  int events = 0;
  edit.OnButtonClick = [&](framework::TComponent* sender) {
    EXPECT_EQ(sender, &edit);
    ++events;
  };
  edit.ClickButton();
  EXPECT_EQ(events, 1) << "the event takes the place of ButtonClick";
  EXPECT_EQ(edit.clicks, 2);
  edit.SetShowButton(false);
  EXPECT_FALSE(button.Visible());
  EXPECT_EQ(room(), std::make_pair(0, 145 - 3));
  edit.ClickButton();
  Key(hwnd, VK_RETURN, {VK_CONTROL});
  EXPECT_EQ(events, 1) << "a hidden button is not clicked";

  edit.SetShowButton(true);
  edit.SetEnabled(false);
  EXPECT_EQ(button.VisualState(), 4);
}

TEST_F(XPEditPaint, TransparentButtonEditShowsItsButtonOnlyWhenFocusedOrHovered) {
  UsePaintStyle(1);
  EllipsisEdit& edit = Add<EllipsisEdit>(10, 10, 145);
  controls::TXPEdit& other = Add<controls::TXPEdit>(10, 40, 100);
  other.SetFocus();
  edit.SetTransparent(true);
  controls::TXPEditButton& button = edit.Button();
  std::string shown;
  for (const auto& step : std::vector<std::function<void()>>{
           [] {}, [&] { edit.SetFocus(); }, [&] { other.SetFocus(); },
           [&] { edit.Perform(framework::CM_MOUSEENTER); },
           // Moving from the edit onto its button: the edit hears of the leave first.
           [&] {
             edit.Perform(framework::CM_MOUSELEAVE), button.Perform(framework::CM_MOUSEENTER);
           },
           [&] { button.Perform(framework::CM_MOUSELEAVE); },
           [&] { edit.SetTransparent(false); }}) {
    step();
    shown += button.Visible() ? '1' : '0';
  }
  EXPECT_EQ(shown, "0101101");
}

TEST_F(XPEditPaint, ButtonEditInTheThreePaintStyles) {
  xptest::ForEachPaintStyle([&](int style) {
    EllipsisEdit& edit = Add<EllipsisEdit>(10, 10 + 30 * style, 145);
    edit.SetText(L"Button edit");
    controls::TXPEditButton& button = edit.Button();
    const std::string name = "xp_button_edit_style" + std::to_string(style);
    const auto normal = Picture(edit, name + "_normal");
    const RECT face = button.BoundsRect();
    const RECT centre{face.left + 4, face.top + 3, face.right - 4, face.bottom - 3};
    // The ellipsis: three dots of 2 by 2 pixels in the middle of the face.
    EXPECT_EQ(CountOfColour(*normal, centre, kGlyphInk), 12) << "the glyph is drawn";
    const RECT glyph = GlyphBox(*normal, centre);
    button.Perform(framework::CM_MOUSEENTER);
    const auto hot = Picture(edit, name + "_hot");
    SendMessageW(edit.Handle(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(button.Left() + 3, button.Top() + 3));
    const auto down = Picture(edit, name + "_down");
    const RECT pressed_glyph = GlyphBox(*down, centre);
    const LONG sink = style == 0 ? 1 : 0;  // classic buttons sink
    EXPECT_EQ(std::make_pair(pressed_glyph.left - glyph.left, pressed_glyph.top - glyph.top),
              std::make_pair(sink, sink));
    SendMessageW(edit.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(button.Left() + 3, button.Top() + 3));
    button.Perform(framework::CM_MOUSELEAVE);
    edit.SetEnabled(false);
    const auto disabled = Picture(edit, name + "_disabled");
    // Hot (but for classic), down and disabled each have a face of their own.
    EXPECT_TRUE((style == 0 || !SamePixels(*normal, *hot)) && !SamePixels(*normal, *down) &&
                !SamePixels(*normal, *disabled));
  });
}

TEST(EditButtonColours, SimilarColoursAsTheThemedArrowIsErased) {
  struct Case {
    COLORREF a, b;
    bool similar;
  };
  const Case cases[] = {
      {RGB(200, 200, 200), RGB(220, 220, 220), true},   // greys close in lightness
      {RGB(200, 200, 200), RGB(160, 160, 160), false},  // greys apart
      {RGB(0, 0, 0), RGB(5, 0, 0), true},               // both nearly black
      {RGB(255, 255, 255), RGB(250, 245, 255), true},   // both nearly white
      {RGB(255, 255, 255), RGB(255, 227, 227), true},   // lightness 241 counts as white
      {RGB(49, 106, 197), RGB(60, 110, 200), true},     // one blue
      {RGB(49, 106, 197), RGB(197, 106, 49), false},    // hue apart
      {RGB(200, 200, 200), RGB(77, 97, 133), false},    // the arrow on a grey face
  };
  for (const Case& c : cases) {
    EXPECT_EQ(controls::SimilarColors(c.a, c.b), c.similar) << std::hex << c.a << " " << c.b;
    EXPECT_EQ(controls::SimilarColors(c.b, c.a), c.similar) << "either way round";
  }
}

}  // namespace
