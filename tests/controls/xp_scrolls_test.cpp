// The scroll bar in a real form, driven by mouse, timer and key messages, and its pictures in
// every state, both kinds and the three paint styles.
#include "controls/xp_scrolls.h"

#include <uxtheme.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/theme_services.h"
#include "framework/win/handles.h"
#include "message_pump.h"
#include "paint_styles.h"
#include "surface.h"

using controls::TCustomXPScrollBar;
using controls::TScrollBarKind;
using framework::TAlign;
using xptest::Differences;

namespace {

// A 121 x 17 horizontal bar at (10, 10) of a shown form, recording what it reports.
struct BarForm {
  framework::TForm form{nullptr};
  TCustomXPScrollBar bar{nullptr};
  std::vector<int> codes;
  std::vector<int> positions;  // at each report
  int changes = 0;

  BarForm() {
    form.SetBounds(100, 100, 300, 200);
    bar.SetParent(&form);
    bar.SetBounds(10, 10, 121, 17);
    bar.OnScroll = [this](framework::TComponent*, controls::TScrollCode code, int& position) {
      codes.push_back(code);
      positions.push_back(position);
    };
    bar.OnChange = [this](framework::TComponent*) { ++changes; };
    form.Show();
  }
  HWND hwnd() { return bar.Handle(); }
  // The real cursor sits where the messages say, so that no leave message contradicts them.
  void Send(UINT msg, WPARAM keys, int x, int y) {
    POINT screen{x, y};
    ClientToScreen(hwnd(), &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageW(hwnd(), msg, keys, MAKELPARAM(x, y));
  }
  void Press(int x, int y) {
    Send(WM_MOUSEMOVE, 0, x, y);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  }
  void Drag(int x, int y) { Send(WM_MOUSEMOVE, MK_LBUTTON, x, y); }
  void Release(int x, int y) { Send(WM_LBUTTONUP, 0, x, y); }
  void Key(WORD key) {
    SendMessageW(hwnd(), WM_KEYDOWN, key, 1);
    SendMessageW(hwnd(), WM_KEYUP, key, 0xC0000001);
  }
};

// Which parts (first arrow, page before, thumb, page after, second arrow) differ: '1' or '0'.
std::string Changed(const xptest::Surface& a, const xptest::Surface& b,
                    const controls::ScrollLayout& layout) {
  std::string out;
  for (int part = controls::kPartFirstArrow; part <= controls::kPartSecondArrow; ++part) {
    out += Differences(a, b, layout.parts[part]) > 0 ? '1' : '0';
  }
  return out;
}

// Where a focus frame shows between two shots of one size: the smallest rectangle holding every
// pixel that differs, and how many of those are not the first shot's pixel inverted.
struct FrameShown {
  RECT area;
  int not_inverted = 0;
};
FrameShown FrameBetween(const xptest::Surface& before, const xptest::Surface& after) {
  FrameShown frame{{before.width(), before.height(), 0, 0}};
  for (int y = 0; y < before.height(); ++y) {
    for (int x = 0; x < before.width(); ++x) {
      const COLORREF was = before.Pixel(x, y), now = after.Pixel(x, y);
      if (was == now) continue;
      frame.not_inverted += now != (was ^ RGB(255, 255, 255));
      RECT& a = frame.area;
      a = {std::min<LONG>(a.left, x), std::min<LONG>(a.top, y), std::max<LONG>(a.right, x + 1),
           std::max<LONG>(a.bottom, y + 1)};
    }
  }
  return frame;
}

// Position, pressed part and the repeat timer's interval (0 when it is off).
std::string Status(BarForm& f) {
  const framework::TTimer& timer = f.bar.RepeatTimer();
  return std::to_string(f.bar.Position()) + " pressed " + std::to_string(f.bar.PressedPart()) +
         " timer " + std::to_string(timer.Enabled() ? timer.Interval() : 0);
}

// The bar's client area as it paints itself now.
std::unique_ptr<xptest::Surface> Shot(BarForm& f) {
  const RECT client = f.bar.ClientRect();
  auto shot = std::make_unique<xptest::Surface>(client.right, client.bottom);
  f.bar.PaintTo(shot->dc(), 0, 0);
  return shot;
}

// The shots side by side (`across`) or one under the other, written as NAME.png.
void WriteSheet(const std::string& name, const std::vector<std::unique_ptr<xptest::Surface>>& shots,
                bool across, int scale) {
  const int w = shots[0]->width(), h = shots[0]->height(), n = static_cast<int>(shots.size());
  xptest::Surface sheet(across ? (w + 1) * n : w, across ? h : (h + 1) * n, RGB(255, 0, 255));
  for (int i = 0; i < n; ++i) {
    BitBlt(sheet.dc(), across ? i * (w + 1) : 0, across ? 0 : i * (h + 1), w, h, shots[i]->dc(), 0,
           0, SRCCOPY);
  }
  xptest::WritePicture(sheet, name, scale);
}

}  // namespace

TEST(XPScrollBar, HoldingAnArrowStepsAtOnceThenRepeatsAndPausesOffTheArrow) {
  BarForm f;
  f.Press(112, 8);  // second arrow: 104 .. 121
  EXPECT_EQ(Status(f), "1 pressed 5 timer 200") << "one step at once";
  xptest::PumpMessages(3000, [&] { return f.bar.Position() >= 4; });
  EXPECT_GE(f.bar.Position(), 4) << "repeats while held";
  EXPECT_EQ(f.bar.RepeatTimer().Interval(), 30) << "after the first delay, every 30 ms";

  f.Drag(60, 8);  // off the arrow, onto the track
  const int at = f.bar.Position();
  xptest::PumpMessages(250);
  EXPECT_EQ(Status(f), std::to_string(at) + " pressed 5 timer 0") << "paused off the arrow";
  EXPECT_EQ(f.bar.HotPart(), controls::kPartPageAfter);
  f.Drag(110, 5);
  EXPECT_EQ(Status(f), std::to_string(at + 1) + " pressed 5 timer 200") << "a step, the delay";
  f.Drag(115, 6);
  f.Release(115, 6);
  xptest::PumpMessages(250);
  EXPECT_EQ(Status(f), std::to_string(at + 2) + " pressed 0 timer 0") << "a step per move";
  ASSERT_FALSE(f.codes.empty());
  std::vector<int> codes(f.codes.size() - 1, controls::scLineDown);
  codes.push_back(controls::scEndScroll);
  EXPECT_EQ(f.codes, codes);
  EXPECT_EQ(f.changes, at + 2) << "one change per step";
  EXPECT_EQ(GetFocus(), f.hwnd()) << "the click focused the bar";
}

TEST(XPScrollBar, DraggingTheThumbFollowsClampsAndReportsThePosition) {
  BarForm f;
  // No page: thumb 17 .. 34, 70 pixels of travel for positions 0 .. 100.
  f.Press(20, 8);
  EXPECT_EQ(Status(f), "0 pressed 3 timer 0") << "pressing the thumb moves nothing";
  f.Drag(55, 30);  // 35 pixels: half way; the distance across the bar does not count
  EXPECT_EQ(f.bar.CurrentLayout().Part(controls::kPartThumb).left, 52);
  for (const int x : {55, 500, -300}) f.Drag(x, 8);
  f.Release(-300, 8);
  EXPECT_EQ(f.codes, (std::vector<int>{controls::scTrack, controls::scTrack, controls::scTrack,
                                       controls::scPosition, controls::scEndScroll}))
      << "a move that changes nothing is not reported";
  EXPECT_EQ(f.positions, (std::vector<int>{50, 100, 0, 0, 0}));

  // A click on the thumb without a move reports no position.
  f.codes.clear();
  f.Press(20, 8);
  f.Release(20, 8);
  EXPECT_EQ(f.codes, std::vector<int>{controls::scEndScroll});
}

TEST(XPScrollBar, PageClicksKeysAndHandlersMoveByTheirSteps) {
  BarForm f;
  f.bar.SetSmallChange(2);
  f.bar.SetLargeChange(10);
  f.Press(80, 8);  // page after the thumb
  f.Release(80, 8);
  EXPECT_EQ(f.codes, (std::vector<int>{controls::scPageDown, controls::scEndScroll}));
  const int thumb = f.bar.CurrentLayout().Part(controls::kPartThumb).left;
  f.Press(thumb - 1, 8);  // page before
  f.Release(thumb - 1, 8);
  EXPECT_EQ(f.positions, (std::vector<int>{10, 10, 0, 0}));

  // Each key's position, its reports (the release ends the scroll) and whether the key went on to
  // the default handling.
  int passed_on = 0;
  f.bar.OnKeyDown = [&](framework::TComponent*, WORD&, unsigned) { ++passed_on; };
  std::string steps;
  for (const WORD key :
       {VK_END, VK_HOME, VK_RIGHT, VK_DOWN, VK_UP, VK_NEXT, VK_PRIOR, VK_LEFT, VK_SPACE}) {
    f.codes.clear();
    passed_on = 0;
    f.Key(key);
    steps += std::to_string(f.bar.Position()) + "/" + std::to_string(f.codes.size()) +
             (f.codes.empty() || f.codes.back() == controls::scEndScroll ? "" : "!") +
             (passed_on ? "p " : " ");
  }
  EXPECT_EQ(steps, "100/2 0/2 2/2 4/2 2/2 12/2 2/2 0/2 0/0p ");
  EXPECT_TRUE(SendMessageW(f.hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS);

  // The handler may change where a step goes.
  f.bar.OnScroll = [](framework::TComponent*, controls::TScrollCode code, int& position) {
    if (code == controls::scPageDown) position = 42;
  };
  f.Key(VK_NEXT);
  EXPECT_EQ(f.bar.Position(), 42);

  // A double click is a release and a new press: one more step (of SmallChange 2).
  f.Send(WM_MOUSEMOVE, 0, 110, 8);
  f.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 110, 8);
  EXPECT_EQ(f.bar.Position(), 44);
  f.Release(110, 8);

  // The range rules are the model's (its own tests); the bar takes the clamped position.
  f.bar.SetPageSize(11);
  f.bar.SetPosition(95);
  EXPECT_EQ(f.bar.Position(), 90) << "the highest position, 90";

  // Aligning to a side sets the kind; other alignments keep it.
  f.bar.SetKind(TScrollBarKind::sbVertical);
  EXPECT_EQ(std::make_pair(f.bar.Width(), f.bar.Height()), std::make_pair(17, 121));
  std::string kinds;
  for (const TAlign align :
       {TAlign::alTop, TAlign::alRight, TAlign::alClient, TAlign::alBottom, TAlign::alNone}) {
    f.bar.SetAlign(align);
    kinds += f.bar.Kind() == TScrollBarKind::sbVertical ? 'v' : 'h';
  }
  framework::SetPropValue(f.bar, "Align", int64_t{static_cast<int>(TAlign::alLeft)});
  kinds += f.bar.Kind() == TScrollBarKind::sbVertical ? 'v' : 'h';
  EXPECT_EQ(kinds, "hvvhhv") << "the last as a form description aligns it";
  f.bar.SetAlign(TAlign::alNone);
  f.bar.SetKind(TScrollBarKind::sbHorizontal);
  f.bar.SetBounds(10, 10, 121, 17);

  // An embedded bar gives the focus to the control it belongs to.
  f.bar.SetEmbedded(true);
  f.Press(112, 8);
  f.Release(112, 8);
  EXPECT_EQ(GetFocus(), f.form.Handle());
}

TEST(XPScrollBar, TheFocusShowsOnTheThumbAndNoClickKeepsTheMouse) {
  xptest::ForEachPaintStyle([](int style) {
    SCOPED_TRACE(style);
    BarForm f;
    TCustomXPScrollBar other(nullptr);
    other.SetParent(&f.form);
    other.SetBounds(10, 40, 121, 17);
    f.bar.SetPageSize(30);
    f.bar.SetPosition(35);
    std::vector<std::unique_ptr<xptest::Surface>> shots;
    other.SetFocus();
    shots.push_back(Shot(f));
    f.bar.SetFocus();
    EXPECT_TRUE(GetUpdateRect(f.hwnd(), nullptr, FALSE)) << "taking the focus repaints";
    shots.push_back(Shot(f));
    const controls::ScrollLayout layout = f.bar.CurrentLayout();
    EXPECT_EQ(Changed(*shots[0], *shots[1], layout), "00100") << "only the thumb shows the focus";
    RECT cue = layout.Part(controls::kPartThumb);
    InflateRect(&cue, -3, -3);
    const FrameShown shown = FrameBetween(*shots[0], *shots[1]);
    EXPECT_TRUE(EqualRect(&shown.area, &cue))
        << "the dotted frame 3 pixels inside the thumb, not " << shown.area.left << ","
        << shown.area.top << "," << shown.area.right << "," << shown.area.bottom;
    EXPECT_EQ(shown.not_inverted, 0) << "the dots invert what they cross";
    WriteSheet("xp_scrollbar_focus_style" + std::to_string(style), shots, false, 3);
    // A classic bar stands in a sunken edge of its own, an embedded one in its control's.
    EXPECT_EQ(f.bar.ClientRect().right, style == 0 ? 119 : 121);

    // Every press captures the mouse until its button comes up, wherever that is.
    const RECT thumb = layout.Part(controls::kPartThumb);
    for (const POINT at : {POINT{thumb.left + 3, 8}, POINT{5, 8}, POINT{115, 8}}) {
      f.Press(at.x, at.y);
      EXPECT_EQ(GetCapture(), f.hwnd());
      f.Release(at.x + 200, at.y + 50);
      EXPECT_EQ(GetCapture(), nullptr) << "released at " << at.x;
      EXPECT_EQ(f.bar.PressedPart(), controls::kPartNone);
    }
    f.bar.SetEmbedded(true);
    EXPECT_EQ(f.bar.ClientRect().right, 121);
  });
}

TEST(XPScrollBar, PaintsEveryStateOfBothKindsInThreePaintStyles) {
  xptest::ForEachPaintStyle([](int style) {
    for (const TScrollBarKind kind : {TScrollBarKind::sbHorizontal, TScrollBarKind::sbVertical}) {
      const bool vertical = kind == TScrollBarKind::sbVertical;
      BarForm f;
      f.bar.SetKind(kind);
      f.bar.SetPageSize(30);
      f.bar.SetPosition(35);
      // Normal, arrow hot, arrow pressed, page pressed, thumb pressed, disabled.
      std::vector<std::unique_ptr<xptest::Surface>> shots;
      const auto shoot = [&] { shots.push_back(Shot(f)); };
      const auto along = [&](int offset) { return vertical ? POINT{8, offset} : POINT{offset, 8}; };
      const controls::ScrollLayout layout = f.bar.CurrentLayout();
      const auto inside = [&](controls::ScrollPart part, int from_end) {
        const RECT r = layout.Part(part);
        return along(from_end ? (vertical ? r.bottom : r.right) - 2
                              : (vertical ? r.top : r.left) + 2);
      };
      const POINT on_arrow = inside(controls::kPartSecondArrow, 0);
      const POINT on_page = inside(controls::kPartPageAfter, 1);
      const POINT on_thumb = inside(controls::kPartThumb, 0);

      shoot();
      f.Send(WM_MOUSEMOVE, 0, on_arrow.x, on_arrow.y);
      shoot();
      f.Send(WM_LBUTTONDOWN, MK_LBUTTON, on_arrow.x, on_arrow.y);
      f.bar.SetPosition(35);  // the press stepped; draw the same layout
      shoot();
      f.Release(on_arrow.x, on_arrow.y);
      f.Press(on_page.x, on_page.y);
      f.bar.SetPosition(35);
      shoot();
      f.Release(on_page.x, on_page.y);
      f.Press(on_thumb.x, on_thumb.y);
      shoot();
      f.Release(on_thumb.x, on_thumb.y);
      f.Send(WM_MOUSEMOVE, 0, -5, -5);
      f.bar.SetEnabled(false);
      shoot();

      WriteSheet(
          "xp_scrollbar_style" + std::to_string(style) + (vertical ? "_vertical" : "_horizontal"),
          shots, vertical, 2);

      // The parts each state changes against the normal look, and the pressed arrow against the
      // hot one: a classic thumb has no pressed look, a disabled bar keeps its track, and Wine's
      // theme draws its tracks alike in every state.
      std::string changed;
      for (int i = 1; i <= 5; ++i) changed += Changed(*shots[0], *shots[i], layout) + " ";
      changed += Changed(*shots[1], *shots[2], layout);
      const char* const kExpected[] = {"00001 00001 00010 00000 10101 00001",
                                       "00001 00001 00010 00100 10101 00001",
                                       "00001 00001 00000 00100 10101 00001"};
      EXPECT_EQ(changed, kExpected[style]) << "hot, pressed arrow, page, thumb; disabled";
      if (style == 0) {
        EXPECT_EQ(shots[3]->Pixel(on_page.x, on_page.y), RGB(0, 0, 0)) << "classic pressed track";
      }
    }
  });
}

namespace {

// The client area of a bar of that kind, 121 long, painted in the current paint style.
struct PaintedBar {
  BarForm f;
  std::unique_ptr<xptest::Surface> surface;
  controls::ScrollLayout layout;
  explicit PaintedBar(TScrollBarKind kind) {
    f.bar.SetKind(kind);
    f.bar.SetPageSize(30);  // a thumb 26 long: a cell centred a pixel off shows
    f.bar.SetPosition(40);
    SetFocus(f.form.Handle());  // the parts alone, without the focus cue
    surface = Shot(f);
    layout = f.bar.CurrentLayout();
  }
};

// Pixels of the part in the bar's picture that differ from `draw`'s drawing of the part's area.
int DiffersFrom(const PaintedBar& bar, controls::ScrollPart part,
                const std::function<void(HDC, RECT&)>& draw) {
  RECT area = bar.layout.Part(part);
  xptest::Surface expected(bar.surface->width(), bar.surface->height());
  draw(expected.dc(), area);
  return Differences(expected, *bar.surface, bar.layout.Part(part));
}

// Cell `cell` (size x size, stacked) of a keyed skin drawn centred on the part: every pixel of
// the cell that is not the key colour shows as it is.
void ExpectKeyedCell(const PaintedBar& bar, controls::ScrollPart part, const wchar_t* skin,
                     int cell, int size) {
  SCOPED_TRACE(testing::Message() << "cell " << cell);
  const win::UniqueBitmap bitmap(
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), skin, IMAGE_BITMAP, 0, 0, 0)));
  ASSERT_TRUE(bitmap);
  const win::UniqueMemoryDc source(CreateCompatibleDC(nullptr));
  const HGDIOBJ old = SelectObject(source.get(), bitmap.get());
  const COLORREF key = GetPixel(source.get(), 0, 0);
  const RECT r = bar.layout.Part(part);
  const int x0 = r.left + (r.right - r.left - size) / 2, y0 = r.top + (r.bottom - r.top - size) / 2;
  int ink = 0, wrong = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const COLORREF g = GetPixel(source.get(), x, cell * size + y);
      if (g == key) continue;
      ++ink;
      wrong += bar.surface->Pixel(x0 + x, y0 + y) != g;
    }
  }
  SelectObject(source.get(), old);
  EXPECT_GT(ink, 5);
  EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST(XPScrollBar, ArrowsPointTheirWayAndPartsUseTheirThemeParts) {
  using Draw = std::function<void(HDC, RECT&)>;
  const auto frame = [](UINT type, UINT state) -> Draw {
    return [=](HDC dc, RECT& r) { DrawFrameControl(dc, &r, type, state); };
  };
  xptest::ForEachPaintStyle([&](int style) {
    for (const TScrollBarKind kind : {TScrollBarKind::sbHorizontal, TScrollBarKind::sbVertical}) {
      const bool vertical = kind == TScrollBarKind::sbVertical;
      SCOPED_TRACE(vertical ? "vertical" : "horizontal");
      PaintedBar bar(kind);
      const Draw classic_second = frame(DFC_SCROLL, vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
      std::vector<std::pair<controls::ScrollPart, Draw>> expected;
      if (style == 0) {
        expected = {{controls::kPartFirstArrow,
                     frame(DFC_SCROLL, vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT)},
                    {controls::kPartSecondArrow, classic_second},
                    {controls::kPartThumb, frame(DFC_BUTTON, DFCS_BUTTONPUSH)}};
      } else if (style == 2) {
        const framework::TThemeServices& themes = framework::TThemeServices::Instance();
        const framework::ThemeData theme = themes.Open(bar.f.hwnd(), L"SCROLLBAR");
        ASSERT_TRUE(theme);
        const auto part = [&](int theme_part, int state, int gripper = 0) -> Draw {
          return [&, theme_part, state, gripper](HDC dc, RECT& r) {
            themes.DrawBackground(theme, dc, theme_part, state, r);
            if (gripper) themes.DrawBackground(theme, dc, gripper, state, r);
          };
        };
        // Arrow states: up 1-4, down 5-8, left 9-12, right 13-16 (normal first).
        expected = {{controls::kPartFirstArrow, part(1, vertical ? 1 : 9)},
                    {controls::kPartSecondArrow, part(1, vertical ? 5 : 13)},
                    {controls::kPartThumb, part(vertical ? 3 : 2, 1, vertical ? 9 : 8)},
                    {controls::kPartPageBefore, part(vertical ? 6 : 4, 1)},
                    {controls::kPartPageAfter, part(vertical ? 7 : 5, 1)}};
      } else {
        // The skins' glyph of the arrow's direction sits in the arrow's middle, the gripper
        // of the bar's kind in the thumb's.
        ExpectKeyedCell(bar, controls::kPartFirstArrow, L"SCROLLARROWGLYPHS", vertical ? 0 : 8, 9);
        ExpectKeyedCell(bar, controls::kPartSecondArrow, L"SCROLLARROWGLYPHS", vertical ? 4 : 12,
                        9);
        ExpectKeyedCell(bar, controls::kPartThumb,
                        vertical ? L"SCROLLTHUMBGRIPPERVERTICAL" : L"SCROLLTHUMBGRIPPERHORIZONTAL",
                        0, 8);
      }
      for (const auto& [part_id, draw] : expected) {
        EXPECT_EQ(DiffersFrom(bar, part_id, draw), 0) << "part " << int{part_id};
      }
      if (style == 2) {  // a window without a theme draws classically
        SetWindowTheme(bar.f.hwnd(), L" ", L" ");
        bar.f.bar.PaintTo(bar.surface->dc(), 0, 0);
        EXPECT_EQ(DiffersFrom(bar, controls::kPartSecondArrow, classic_second), 0);
      }
    }
  });
}
