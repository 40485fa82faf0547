#include "controls/smooth_text.h"

#include <gtest/gtest.h>

#include <string>

#include "steps.h"
#include "surface.h"

namespace {

using controls::TextFont;
using controls::TextLayout;
using xptest::CountOfColour;
using xptest::SamePixels;
using xptest::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(20, 40, 160);

TextFont Tahoma(int height = -13) { return TextFont::OfHeight(L"Tahoma", height); }

// Draws on a fresh white surface.
void Draw(Surface& s, const RECT& rect, std::wstring_view text, TextLayout layout,
          COLORREF colour = kInk, const TextFont& font = Tahoma()) {
  s.Fill(kWhite);
  controls::DrawSmoothText(s.dc(), rect, text, layout, colour, font);
}

TEST(TextFont, DerivesSizesAndMakesScaledFonts) {
  EXPECT_EQ(TextFont::OfHeight(L"Tahoma", -16).size, 12);
  EXPECT_EQ(TextFont::OfSize(L"Tahoma", 8).height, -11);
  EXPECT_LT(TextFont::OfHeight(L"Tahoma", 20).size, 1) << "a cell height gives no points";
  TextFont font = TextFont::OfSize(L"Tahoma", 9);
  font.style = controls::kFontBold | controls::kFontItalic | controls::kFontUnderline |
               controls::kFontStrikeOut;
  // Height, weight, italic, underline, strike-out and face of a font made at a scale.
  const auto made = [](const TextFont& from, int scale) {
    const win::UniqueFont made = controls::CreateTextFont(from, scale);
    LOGFONTW lf{};
    GetObjectW(made.get(), sizeof lf, &lf);
    return std::to_wstring(lf.lfHeight) + L" " + std::to_wstring(lf.lfWeight) + L" " +
           std::to_wstring(lf.lfItalic) + std::to_wstring(lf.lfUnderline) +
           std::to_wstring(lf.lfStrikeOut) + L" " + lf.lfFaceName;
  };
  // 36 points at 96 pixels per inch; without points the height is scaled.
  EXPECT_EQ(made(font, 4), L"-48 700 111 Tahoma");
  EXPECT_EQ(made(TextFont::OfHeight(L"Tahoma", 30), 2), L"60 400 000 Tahoma");
}

TEST(SmoothText, SupersamplingFactorFollowsTheCharacterHeight) {
  EXPECT_EQ(
      std::vector<int>({controls::SupersamplingFactor(50), controls::SupersamplingFactor(51),
                        controls::SupersamplingFactor(100), controls::SupersamplingFactor(101)}),
      std::vector<int>({16, 8, 8, 4}));
  // A glyph is rendered at the factor of its font's measured height.
  std::string factors;
  for (const int height : {-13, -60, -120}) {
    controls::SmoothSymbolSet(TextFont::OfHeight(L"Tahoma", height)).Glyph(L'k');
    factors += std::to_string(controls::SmoothTextCacheState().last_factor) + " ";
  }
  EXPECT_EQ(factors, "16 8 4 ");
}

TEST(SmoothText, RendersEachGlyphOncePerFont) {
  const TextFont font = TextFont::OfHeight(L"Tahoma", -15);
  Surface s(200, 40);
  const int before = controls::SmoothTextCacheState().renders;
  Draw(s, {0, 0, 200, 40}, L"Hello", {}, kInk, font);
  const int first = controls::SmoothTextCacheState().renders - before;
  EXPECT_EQ(first, 5) << "H, e, l, o and the X that gives the line height";
  Draw(s, {0, 0, 200, 40}, L"Hello", {}, kInk, font);
  controls::MeasureSmoothText({0, 0, 200, 40}, L"Hole", 0, font);
  EXPECT_EQ(controls::SmoothTextCacheState().renders - before, first);
  const controls::TSmoothGlyph& l = controls::SmoothSymbolSet(font).Glyph(L'l');
  EXPECT_TRUE(l.rows > 0 && l.advance > 0);
  // A font differing only in colour shares the set.
  TextFont red = font;
  red.color = RGB(255, 0, 0);
  EXPECT_EQ(controls::SmoothSetSlot(red), controls::SmoothSetSlot(font));
}

TEST(SmoothText, EvictsRoundRobinAfterTheCursor) {
  const auto font = [](int i) { return TextFont::OfHeight(L"Face" + std::to_wstring(i), -9); };
  const auto big = [](int height) { return TextFont::OfHeight(L"Tahoma", height); };
  const auto fill_big = [&](int height) {
    for (const wchar_t c : std::wstring(L"WMBDHKNOQRU"))
      controls::SmoothSymbolSet(big(height)).Glyph(c);
  };
  // The slots (0: none) of fonts 1, 2, 3, 1000, 1001, 1002 and of the big -420 and -421, then
  // the eviction cursor.
  const auto look = [&] {
    std::string slots;
    for (const TextFont& f :
         {font(1), font(2), font(3), font(1000), font(1001), font(1002), big(-420), big(-421)}) {
      slots += std::to_string(controls::SmoothSetSlot(f)) + " ";
    }
    return slots + "| " + std::to_string(controls::SmoothTextCacheState().eviction_cursor);
  };
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { controls::ClearSmoothTextCache();
             for (int i = 1; i <= controls::kSmoothSetSlots; ++i) controls::SmoothSymbolSet(font(i)); },
       "1 2 3 1000 0 0 0 0 | 0"},
      {[&] { controls::SmoothSymbolSet(font(1001)); }, "0 2 3 1000 1 0 0 0 | 1"},
      {[&] { controls::SmoothSymbolSet(font(1002)); }, "0 0 3 1000 1 2 0 0 | 2"},
      // Over the pixel budget, the set after the cursor goes even with free slots left.
      {[&] { controls::ClearSmoothTextCache(), fill_big(-420); }, "0 0 0 0 0 0 1 0 | 0"},
      {[&] { ASSERT_GT(controls::SmoothTextCacheState().cached_pixels, controls::kSmoothCacheBudget);
             controls::SmoothSymbolSet(font(1)); }, "1 0 0 0 0 0 0 0 | 1"},  // room at once
      {[&] { controls::SmoothSymbolSet(font(2)); }, "1 2 0 0 0 0 0 0 | 1"},  // under budget
      {[&] { fill_big(-421); }, "1 2 0 0 0 0 0 3 | 1"},
      // Round robin, not by size: the set after the cursor goes, small as it is.
      {[&] { controls::SmoothSymbolSet(font(3)); }, "1 0 2 0 0 0 0 3 | 2"},
  });
  // clang-format on
  controls::ClearSmoothTextCache();
}

TEST(SmoothText, MeasuresLinesWrapsAndEmptyText) {
  const TextFont font = Tahoma();
  const RECT wide = {0, 0, 500, 100};
  const SIZE x = controls::MeasureSmoothText(wide, L"X", 0, font);
  EXPECT_EQ(controls::MeasureSmoothText(wide, L"", 0, font).cy, x.cy);
  controls::TSmoothSymbolSet& set = controls::SmoothSymbolSet(font);
  EXPECT_EQ(controls::MeasureSmoothText(wide, L"Ab", 0, font).cx,
            set.Glyph(L'A').advance + set.Glyph(L'b').width);
  const SIZE one = controls::MeasureSmoothText(wide, L"one", 0, font);
  const RECT narrow = {0, 0, one.cx + 4, 100};
  const int two_words = controls::MeasureSmoothText(wide, L"one two", 0, font).cx;
  const int wrap = controls::kTextWordWrap;
  const auto height = [&](const RECT& rect, const wchar_t* text, int flags) {
    return static_cast<int>(
        controls::MeasureSmoothText(rect, text, static_cast<uint8_t>(flags), font).cy);
  };
  // Each word alone fits, two do not; a line exactly as wide as the rectangle still fits; a line
  // break ends a line when wrapping, else it is just a character; a word wider than the rectangle
  // stands alone; turned, the rectangle's height is the room along the text.
  EXPECT_EQ(
      std::vector<int>(
          {height(narrow, L"one two six", wrap),
           height({0, 0, two_words, 100}, L"one two six", wrap), height(wide, L"one\r\ntwo", wrap),
           height(wide, L"one\r\ntwo", 0), height({0, 0, 5, 100}, L"one two", wrap),
           height({0, 0, 100, one.cx + 4}, L"one two six", wrap | controls::kTextTurned)}),
      std::vector<int>({3 * one.cy, 2 * one.cy, 2 * one.cy, one.cy, 3 * one.cy, 3 * one.cy}));
  EXPECT_LE(controls::MeasureSmoothText(narrow, L"one two six", wrap, font).cx, narrow.right);
}

TEST(SmoothText, HotKeyUnderlinesItsCharacterInTheTextColour) {
  const RECT rect = {4, 4, 196, 36};
  Surface marked(200, 40);
  Surface plain(200, 40);
  Draw(marked, rect, L"&File", {});
  Draw(plain, rect, L"File", {});
  // One line under the F only, in full ink: exactly the text colour.
  const int advance = controls::SmoothSymbolSet(Tahoma()).Glyph(L'F').advance;
  EXPECT_EQ(xptest::Differences(marked, plain, xptest::Whole(marked)), advance);
  int row = 0;
  while (row < 39 && xptest::Differences(marked, plain, {0, row, 200, row + 1}) == 0) ++row;
  EXPECT_EQ(CountOfColour(marked, {rect.left, row, rect.left + advance, row + 1}, kInk), advance);
  WritePicture(marked, "smooth_text_hot_key", 3);

  // With no hot-key processing the "&" is drawn.
  Surface literal(200, 40);
  Draw(literal, rect, L"&File", {controls::kTextNoPrefix});
  EXPECT_GT(literal.InkBox(kWhite).right, plain.InkBox(kWhite).right);
  EXPECT_GT(controls::MeasureSmoothText(rect, L"&File", 0, Tahoma()).cx,
            controls::MeasureSmoothText(rect, L"File", 0, Tahoma()).cx);
}

TEST(SmoothText, EllipsesShortenLikeTheTextTheyStandFor) {
  const TextFont font = Tahoma();
  const auto width = [&](std::wstring_view t) {
    return controls::MeasureSmoothText({0, 0, 1000, 50}, t, 0, font).cx;
  };
  struct Case {
    const wchar_t* text;
    uint8_t ellipsis;
    const wchar_t* shown;
    const char* picture;
  };
  const Case cases[] = {
      {L"Hello World", controls::kEllipsisEnd, L"Hello W...", "smooth_text_end_ellipsis"},
      {L"Hello World", controls::kEllipsisWord, L"Hello...", "smooth_text_word_ellipsis"},
      {L"C:\\Designs\\Boards\\main.dsn", controls::kEllipsisPath, L"C:\\Des...\\main.dsn",
       "smooth_text_path_ellipsis"},
      {L"Hello World", controls::kEllipsisPath, L"Hello W...", "smooth_text_path_without_folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    const RECT rect = {2, 2, 2 + width(c.shown), 30};
    Surface shortened(240, 32);
    Surface expected(240, 32);
    Draw(shortened, rect, c.text, {0, controls::kAlignLeft, controls::kAlignTop, c.ellipsis});
    Draw(expected, rect, c.shown, {});
    EXPECT_TRUE(SamePixels(shortened, expected));
    EXPECT_LE(shortened.InkBox(kWhite).right, rect.right + 1);
    WritePicture(shortened, c.picture, 3);
  }
  // Narrower than "...": nothing is drawn at all.
  Surface nothing(240, 32);
  Draw(nothing, {2, 2, 2 + width(L"...") - 1, 30}, L"Hello", {0, 0, 0, controls::kEllipsisEnd});
  EXPECT_EQ(nothing.InkBox(kWhite).right, 0);
}

TEST(SmoothText, BlendsPlacesAndClipsTheText) {
  // The last: (255 * 128) >> 8.
  EXPECT_EQ(
      std::vector<int>({controls::SmoothBlend(200, 30, 0), controls::SmoothBlend(200, 30, 255),
                        controls::SmoothBlend(200, 0, 128), controls::SmoothBlend(0, 255, 127)}),
      std::vector<int>({30, 200, 100, 127}));

  Surface s(200, 60);
  const RECT rect = {10, 10, 190, 50};
  const SIZE size = controls::MeasureSmoothText(rect, L"Placed", 0, Tahoma());
  Draw(s, rect, L"Placed", {0, controls::kAlignRight, controls::kAlignBottom});
  const RECT box = s.InkBox(kWhite);
  EXPECT_TRUE(box.right <= rect.right && box.left >= rect.right - size.cx &&
              box.bottom <= rect.bottom && box.top >= rect.bottom - size.cy);
  Draw(s, rect, L"Placed", {});
  const RECT top_left = s.InkBox(kWhite);
  Draw(s, rect, L"Placed", {0, controls::kAlignCentre, controls::kAlignMiddle});
  const RECT centred = s.InkBox(kWhite);
  EXPECT_EQ(centred.left - top_left.left, (180 - size.cx) / 2);
  EXPECT_EQ(centred.top - top_left.top, (40 - size.cy) / 2);
  WritePicture(s, "smooth_text_plain", 3);

  // A rectangle smaller than the text clips it (to the rectangle and one pixel around it).
  Draw(s, {10, 10, 30, 20}, L"Clipped text", {});
  const RECT clipped = s.InkBox(kWhite);
  EXPECT_TRUE(clipped.right <= 31 && clipped.bottom <= 21 && clipped.right > 10);
}

TEST(SmoothText, WrapsDisablesAndTurns) {
  const TextFont font = Tahoma();
  Surface wrapped(120, 80);
  Draw(wrapped, {2, 2, 70, 78}, L"smooth text wraps words", {controls::kTextWordWrap});
  const SIZE line = controls::MeasureSmoothText({0, 0, 1000, 50}, L"smooth", 0, font);
  EXPECT_GE(wrapped.InkBox(kWhite).bottom - 2, 2 * line.cy) << "more than one line";
  EXPECT_LE(wrapped.InkBox(kWhite).right, 71);
  WritePicture(wrapped, "smooth_text_wrapped", 3);

  // Disabled: highlight one pixel down and right, shadow in place; the hot-key lines show both
  // colours exactly.
  Surface disabled(120, 30, RGB(60, 90, 60));
  controls::DrawSmoothText(disabled.dc(), {4, 4, 116, 26}, L"&Disabled", {controls::kTextDisabled},
                           kInk, font);
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  int shadow_row = -1;
  int highlight_row = -1;
  for (int y = 0; y < 30; ++y) {
    if (disabled.Pixel(6, y) == shadow && disabled.Pixel(7, y) == shadow) shadow_row = y;
    if (disabled.Pixel(7, y) == highlight && disabled.Pixel(8, y) == highlight) highlight_row = y;
  }
  ASSERT_NE(shadow_row, -1);
  EXPECT_EQ(highlight_row, shadow_row + 1);
  WritePicture(disabled, "smooth_text_disabled", 3);

  // Turned: exactly the upright text's pixels, turned a quarter either way.
  constexpr int kLong = 120;
  constexpr int kShort = 24;
  Surface upright(kLong, kShort);
  Draw(upright, {0, 0, kLong, kShort}, L"Turn &me", {});
  Surface up(kShort, kLong);
  Draw(up, {0, 0, kShort, kLong}, L"Turn &me",
       {controls::kTextTurned, controls::kAlignLeft, controls::kAlignBottom});
  Surface down(kShort, kLong);
  Draw(down, {0, 0, kShort, kLong}, L"Turn &me",
       {controls::kTextTurned | controls::kTextTurnDirection, controls::kAlignRight,
        controls::kAlignTop});
  for (int y = 0; y < kLong; ++y) {
    for (int x = 0; x < kShort; ++x) {
      ASSERT_EQ(up.Pixel(x, y), upright.Pixel(kLong - 1 - y, x)) << x << "," << y;
      ASSERT_EQ(down.Pixel(x, y), upright.Pixel(y, kShort - 1 - x)) << x << "," << y;
    }
  }
  WritePicture(up, "smooth_text_turned_up", 3);
  WritePicture(down, "smooth_text_turned_down", 3);
}

}  // namespace
