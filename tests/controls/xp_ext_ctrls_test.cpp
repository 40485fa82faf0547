// The splitter's painting pixel by pixel, its dragging through real mouse messages, the shared
// speed-button skins, and the library's shared timer.
#include "controls/xp_ext_ctrls.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/xp_control_set.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_timer_list.h"
#include "message_pump.h"
#include "steps.h"
#include "surface.h"

using framework::TAlign;

namespace {

constexpr COLORREF kBack = RGB(255, 0, 255);
constexpr COLORREF kDark = RGB(32, 64, 64);
constexpr COLORREF kMid = RGB(96, 128, 128);
constexpr COLORREF kLight = RGB(255, 255, 255);

// Paints the splitter alone onto a magenta surface of its size.
void PaintSplitter(controls::TXPSplitter& splitter, xptest::Surface& surface) {
  surface.Fill(kBack);
  splitter.PaintTo(surface.dc(), 0, 0);
}

// The dot at (x, y) as the notch draws it, row by row: dark, mid and light pixels, '.' where the
// background stays untouched.
void ExpectDot(const xptest::Surface& s, int x, int y) {
  std::string dot;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const COLORREF pixel = s.Pixel(x + column, y + row);
      dot += pixel == kDark ? 'd' : pixel == kMid ? 'm' : pixel == kLight ? 'l' : '.';
    }
  }
  EXPECT_EQ(dot, "dd.dml.ll") << "dot at " << x << ", " << y;
}

int CountNot(const xptest::Surface& s, COLORREF colour) {
  return xptest::CountOtherThan(s, xptest::Whole(s), colour);
}

}  // namespace

TEST(XPSplitter, TransparentDrawsOnlyTheNotchDotByDot) {
  controls::TXPSplitter splitter(nullptr);
  splitter.SetAlign(TAlign::alNone);
  splitter.SetBounds(0, 0, 3, 100);
  xptest::Surface s(3, 100);
  PaintSplitter(splitter, s);
  EXPECT_EQ(CountNot(s, kBack), 0) << "transparent without a notch: nothing";

  splitter.SetDrawNotch(true);
  PaintSplitter(splitter, s);
  for (int i = 0; i < 9; ++i) ExpectDot(s, 0, 32 + 4 * i);
  EXPECT_EQ(CountNot(s, kBack), 9 * 7) << "the notch and nothing else";
  xptest::WritePicture(s, "xp_splitter_transparent_notch", 4);

  // Wider than tall: side by side, centred both ways.
  splitter.SetBounds(0, 0, 100, 7);
  xptest::Surface wide(100, 7);
  PaintSplitter(splitter, wide);
  for (int i = 0; i < 9; ++i) ExpectDot(wide, 32 + 4 * i, 2);
  EXPECT_EQ(CountNot(wide, kBack), 9 * 7);
}

TEST(XPSplitter, OpaqueFillsWithFaceOrColourBevelsAndYieldsToOnPaint) {
  controls::TXPSplitter splitter(nullptr);  // aligned left, as made
  splitter.SetBounds(0, 0, 8, 60);
  splitter.SetTransparent(false);
  splitter.SetDrawNotch(true);
  xptest::Surface s(8, 60);
  PaintSplitter(splitter, s);
  const COLORREF face = framework::ColorToRGB(controls::XPPalette().clXPFace);
  ExpectDot(s, 2, 12);  // across (8 - 3) / 2, along (60 - 36) / 2
  EXPECT_EQ(CountNot(s, face), 9 * 7);

  splitter.SetUseDefaultColor(false);
  splitter.SetColor(RGB(10, 120, 30));
  splitter.SetBeveled(true);
  PaintSplitter(splitter, s);
  // Aligned left or right the bevel shows only its long sides, light left and dark right,
  // from end to end.
  const COLORREF fill = RGB(10, 120, 30), left = s.Pixel(0, 30), right = s.Pixel(7, 30);
  EXPECT_TRUE(left != fill && right != fill && left != right);
  // No corners, no top or bottom edge.
  EXPECT_EQ(xptest::Pixels(s, {{0, 0}, {7, 59}, {4, 0}, {4, 59}, {4, 5}}),
            xptest::Colours({left, right, fill, fill, fill}));
  ExpectDot(s, 2, 12);
  xptest::WritePicture(s, "xp_splitter_bevelled", 4);

  int painted = 0;
  splitter.OnPaint = [&](framework::TComponent*) { ++painted; };
  PaintSplitter(splitter, s);
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(CountNot(s, kBack), 0) << "OnPaint paints instead of the splitter";
}

// A shown form: a panel aligned left, the splitter beside it, and the rest.
struct SplitForm {
  SplitForm() {
    form.SetBounds(0, 0, 400, 200);
    left.SetParent(&form);
    left.SetWidth(100);
    left.SetAlign(TAlign::alLeft);
    splitter.SetParent(&form);
    splitter.SetLeft(150);
    splitter.SetWidth(5);
    rest.SetParent(&form);
    rest.SetAlign(TAlign::alClient);
    form.Show();
  }
  framework::TForm form{nullptr};
  framework::TPanel left{nullptr}, rest{nullptr};
  controls::TXPSplitter splitter{nullptr};
};

TEST(XPSplitter, DraggingResizesTheNeighbourDownToMinSize) {
  SplitForm f;
  framework::TForm& form = f.form;
  framework::TPanel &left = f.left, &rest = f.rest, top(nullptr);
  controls::TXPSplitter &splitter = f.splitter, across(nullptr);
  ASSERT_EQ(splitter.Left(), left.Left() + left.Width());
  int moved = 0;
  splitter.OnMoved = [&](framework::TComponent*) { ++moved; };
  const auto mouse = [&](UINT msg, int x, int y) {
    SendMessageW(form.Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  };
  // The left panel's width, the splitter's and the rest's left edges, the moves reported; the top
  // panel's height and the splitter across's top.
  const auto look = [&] {
    return std::to_string(left.Width()) + " " + std::to_string(splitter.Left()) + " " +
           std::to_string(rest.Left()) + " " + std::to_string(moved) + " | " +
           std::to_string(top.Height()) + " " + std::to_string(across.Top());
  };
  const int x = splitter.Left() + 2;
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, 50)),
             mouse(WM_LBUTTONDOWN, x, 50); }, "100 100 105 0 | 41 0"},
      // The splitter follows its neighbour.
      {[&] { mouse(WM_MOUSEMOVE, x + 40, 60); }, "140 140 145 1 | 41 0"},
      {[&] { mouse(WM_MOUSEMOVE, x - 500, 60); }, "30 30 35 2 | 41 0"},  // MinSize
      {[&] { mouse(WM_MOUSEMOVE, x - 500, 90); }, "30 30 35 2 | 41 0"},  // no change, no move
      // Released: moving no longer drags.
      {[&] { mouse(WM_LBUTTONUP, x - 500, 60),
             SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x + 100, 60)); },
       "30 30 35 2 | 41 0"},
      // Aligned to the top, the splitter moves up and down and resizes the control above it.
      {[&] { top.SetParent(&form), top.SetHeight(40), top.SetAlign(TAlign::alTop),
             across.SetParent(&form), across.SetHeight(4), across.SetAlign(TAlign::alTop); },
       "30 30 35 2 | 40 40"},
      {[&] { SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 41)),
             mouse(WM_LBUTTONDOWN, 300, 41), mouse(WM_MOUSEMOVE, 250, 66),
             mouse(WM_LBUTTONUP, 250, 66); }, "30 30 35 2 | 65 65"},
  });
  // clang-format on
}

// Aligned right or at the bottom, a splitter resizes the control on that side, which grows as the
// splitter moves away from it; a control aligned the same way elsewhere is not its neighbour.
TEST(XPSplitter, RightAndBottomSplittersResizeTheControlBeyondThem) {
  for (const TAlign align : {TAlign::alRight, TAlign::alBottom}) {
    SCOPED_TRACE(align == TAlign::alRight ? "right" : "bottom");
    framework::TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    framework::TPanel outer(nullptr), inner(nullptr), rest(nullptr);
    controls::TXPSplitter splitter(nullptr);
    for (framework::TPanel* panel : {&outer, &inner}) {
      panel->SetParent(&form);
      panel->SetBounds(0, 0, 60, 60);
      panel->SetAlign(align);
    }
    splitter.SetParent(&form);
    splitter.SetBounds(0, 0, 4, 4);
    splitter.SetAlign(align);
    rest.SetParent(&form);
    rest.SetAlign(TAlign::alClient);
    form.Show();
    const bool across = align == TAlign::alRight;
    const int at = across ? splitter.Left() + 2 : splitter.Top() + 2;
    const auto mouse = [&](UINT msg, int along) {
      const LPARAM point = across ? MAKELPARAM(along, 50) : MAKELPARAM(50, along);
      SendMessageW(form.Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, point);
    };
    mouse(WM_LBUTTONDOWN, at);
    mouse(WM_MOUSEMOVE, at - 30);
    mouse(WM_LBUTTONUP, at - 30);
    const auto size = [&](framework::TPanel& panel) {
      return across ? panel.Width() : panel.Height();
    };
    EXPECT_EQ(size(inner), 90) << "the neighbour beyond the splitter";
    EXPECT_EQ(size(outer), 60);
  }
}

// However a drag ends, the form lets the mouse go, so that the next click reaches whatever it
// is over: the button coming up anywhere (also after Wine's WM_MOUSELEAVE, which comes as soon
// as the pointer leaves the splitter), WM_CANCELMODE, Escape, or another window taking the mouse.
// A drag ended any other way than by the button puts the size back.
TEST(XPSplitter, EveryRoadOutOfADragLetsTheMouseGo) {
  SplitForm f;
  framework::TForm& form = f.form;
  framework::TPanel &left = f.left, &rest = f.rest;
  controls::TXPSplitter& splitter = f.splitter;
  framework::TForm other(nullptr);
  other.Show();
  const HWND hwnd = form.Handle();
  const auto mouse = [&](UINT msg, int x) {
    SendMessageW(hwnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 50));
  };
  int x = 0;  // where the last drag took the splitter
  const auto grab = [&] {
    x = splitter.Left() + 2;
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, 50));
    mouse(WM_LBUTTONDOWN, x);
    mouse(WM_MOUSEMOVE, x += 60);
  };
  // The left panel's width; who holds the mouse.
  const auto look = [&] {
    const HWND capture = GetCapture();
    return std::to_string(left.Width()) + (capture == hwnd             ? " held"
                                           : capture == other.Handle() ? " other"
                                                                       : " free");
  };
  const auto escape = [&] {
    const MSG msg{rest.Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    return framework::Application::Instance().ProcessMessage(msg);
  };
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { grab(); }, "160 held"},
      {[&] { SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0), mouse(WM_MOUSEMOVE, x + 20); }, "180 held"},
      // Up over the pages, where no control without a window is.
      {[&] { mouse(WM_LBUTTONUP, 350); }, "180 free"},
      // Moving over the splitter with the button up drags nothing.
      {[&] { SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(splitter.Left() + 4, 50)); },
       "180 free"},
      {[&] { grab(), SendMessageW(hwnd, WM_CANCELMODE, 0, 0), mouse(WM_MOUSEMOVE, 300); },
       "180 free"},
      {[&] { grab(); EXPECT_TRUE(escape()); mouse(WM_MOUSEMOVE, 300); }, "180 free"},
      {[&] { EXPECT_FALSE(escape()) << "no drag: Escape is the form's"; }, "180 free"},
      {[&] { grab(), SetCapture(other.Handle()), mouse(WM_MOUSEMOVE, 300); }, "180 other"},
  });
  // clang-format on
  ReleaseCapture();
}

// The skins' sizes are the skins tests'; here: they are loaded once, for every splitter.
TEST(XPSplitter, SpeedButtonSkinsLoadOnce) {
  controls::TXPSplitter first(nullptr);
  const controls::SpeedButtonSkins* skins = controls::LoadedSpeedButtonSkins();
  ASSERT_NE(skins, nullptr);
  EXPECT_EQ(skins->speed_button.Height(), 138);
  controls::TXPSplitter second(nullptr);
  EXPECT_EQ(controls::LoadedSpeedButtonSkins(), skins) << "shared, not loaded again";
}

TEST(TimerList, OneTimerServesItsClientsUntilTheLastLeavesOrTheUnitEnds) {
  ASSERT_EQ(controls::TimerListTimer(), 0u);
  int a = 0, b = 0;
  int ticket_b = 0;
  const int ticket_a = controls::AddTimerClient([&] { ++a; });
  const UINT_PTR timer = controls::TimerListTimer();
  EXPECT_NE(timer, 0u);
  ticket_b = controls::AddTimerClient([&] {
    // A client may leave while it is called.
    if (++b == 2) controls::RemoveTimerClient(ticket_b);
  });
  EXPECT_EQ(controls::TimerListTimer(), timer) << "one timer for all clients";
  xptest::PumpMessages(3000, [&] { return a >= 4; });
  EXPECT_GE(a, 4);
  EXPECT_EQ(b, 2);
  EXPECT_NE(controls::TimerListTimer(), 0u) << "a client is left";
  controls::RemoveTimerClient(12345);
  controls::RemoveTimerClient(ticket_a);
  EXPECT_EQ(controls::TimerListTimer(), 0u) << "the last client stopped the timer";
  const int ticks = a;
  xptest::PumpMessages(3 * controls::kTimerListInterval);
  EXPECT_EQ(a, ticks);

  controls::AddTimerClient([&] { ++a; });
  ASSERT_NE(controls::TimerListTimer(), 0u);
  controls::EndTimerListUnit();
  EXPECT_EQ(controls::TimerListTimer(), 0u);
  xptest::PumpMessages(3 * controls::kTimerListInterval);
  EXPECT_EQ(a, ticks) << "the unit's end killed the timer";
}
