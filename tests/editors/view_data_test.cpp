// Cells painted through view data into a memory DC: background, alignment, placement, the
// search mark's highlight pass, password and case, wrapped lines.
#include <gtest/gtest.h>
#include <windows.h>

#include "editors/view_data.h"
#include "framework/win/handles.h"
#include "tests/controls/surface.h"

namespace {

constexpr COLORREF kPaper = RGB(250, 250, 250);
constexpr COLORREF kCell = RGB(200, 230, 255);

class ViewData : public testing::Test {
 protected:
  void SetUp() override {
    font_.reset(
        CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    data_.Font = font_.get();
    data_.BrushColor = kCell;
    data_.TextColor = RGB(0, 0, 0);
    data_.Bounds = {0, 0, 204, 24};  // a 200 x 20 cell and the 2 pixels around it
    data_.Value = framework::Variant(L"Wide WW");
  }
  RECT PaintedInk(const std::string& picture) {
    xptest::Surface surface(204, 24, kPaper);
    data_.Paint(surface.dc());
    surface.MakeOpaque();
    xptest::WritePicture(surface, picture, 2);
    EXPECT_EQ(surface.Pixel(0, 0), kCell) << "the whole rectangle gets the background";
    return surface.InkBox(kCell);
  }
  win::UniqueFont font_;
  editors::TdxTextEditViewData data_;
};

TEST_F(ViewData, AlignmentPlacesTheTextInsideTheFrameArea) {
  const RECT left = PaintedInk("view_data_left");
  EXPECT_GE(left.left, 3) << "2 frame pixels and 1 offset";
  EXPECT_LE(left.left, 5);
  data_.Alignment = framework::TAlignment::taRightJustify;
  const RECT right = PaintedInk("view_data_right");
  EXPECT_LE(right.right, 202);
  EXPECT_GE(right.right, 198);
  EXPECT_EQ(right.right - right.left, left.right - left.left);
  data_.Alignment = framework::TAlignment::taCenter;
  const RECT centre = PaintedInk("view_data_centre");
  EXPECT_NEAR((centre.left + centre.right) / 2.0, 102, 3);
}

TEST_F(ViewData, PlacementPutsOneLineAtTopCentreOrBottom) {
  data_.Bounds = {0, 0, 204, 60};
  auto ink = [&](int placement) {
    data_.Placement = placement;
    xptest::Surface surface(204, 60, kPaper);
    data_.Paint(surface.dc());
    return surface.InkBox(kCell);
  };
  const RECT top = ink(editors::kPlaceTop), centre = ink(editors::kPlaceCenter),
             bottom = ink(editors::kPlaceBottom);
  EXPECT_LT(top.top, centre.top);
  EXPECT_LT(centre.top, bottom.top);
  EXPECT_LT(top.top, 8);
  EXPECT_GT(bottom.bottom, 50);
}

TEST_F(ViewData, HighlightPassPaintsOnlyTheSearchedPrefixInItsColours) {
  xptest::Surface surface(204, 24, kPaper);
  data_.Paint(surface.dc());
  const RECT whole = surface.InkBox(kCell);
  data_.HighlightPass = true;
  data_.HighlightLength = 2;
  data_.BrushColor = RGB(0, 0, 128);
  data_.TextColor = RGB(255, 255, 255);
  data_.Paint(surface.dc());
  surface.MakeOpaque();
  xptest::WritePicture(surface, "view_data_search_mark", 2);
  int mark_left = -1, mark_right = -1;  // columns holding the mark's background
  for (int x = 0; x < surface.width(); ++x) {
    if (surface.Pixel(x, 3) != RGB(0, 0, 128)) continue;
    if (mark_left < 0) mark_left = x;
    mark_right = x + 1;
  }
  EXPECT_LE(mark_left, whole.left) << "from where the text starts";
  EXPECT_GE(mark_left, whole.left - 2);
  EXPECT_GT(mark_right, whole.left + 4);
  EXPECT_LT(mark_right, whole.right - 10) << "the rest of the text keeps the cell's look";
  EXPECT_EQ(surface.Pixel(whole.right - 1, 3), kCell);
  data_.HighlightLength = 99;  // longer than the text: the whole text
  data_.Paint(surface.dc());
}

TEST_F(ViewData, PasswordAndCharCaseChangeWhatIsShown) {
  data_.Value = framework::Variant(L"Secret \u03a3");
  data_.CharCase = controls::TEditCharCase::ecUpperCase;
  EXPECT_EQ(data_.DisplayText(), L"SECRET \u03a3");
  data_.CharCase = controls::TEditCharCase::ecLowerCase;
  EXPECT_EQ(data_.DisplayText(), L"secret \u03c3");
  data_.PasswordChar = L'*';
  EXPECT_EQ(data_.DisplayText(), L"********");
  data_.Value = framework::Variant(int64_t{12});
  data_.PasswordChar = 0;
  EXPECT_EQ(data_.DisplayText(), L"12");
}

TEST_F(ViewData, EndEllipsisShortensWhatDoesNotFit) {
  data_.Value = framework::Variant(std::wstring(80, L'W'));
  const RECT clipped = PaintedInk("view_data_long");
  data_.EndEllipsis = true;
  const RECT ellipsis = PaintedInk("view_data_ellipsis");
  EXPECT_LE(ellipsis.right, 202);
  // Unshortened, the line's ink runs into the clip edge; the dots end short of it.
  EXPECT_GT(clipped.right, ellipsis.right);
}

TEST_F(ViewData, WrappedTextCountsAndCentresItsLines) {
  HDC dc = CreateCompatibleDC(nullptr);
  data_.Value = framework::Variant(L"one two three four five six seven eight");
  EXPECT_EQ(data_.CalcLineCount(dc, 10000), 1);
  const int narrow = data_.CalcLineCount(dc, 60);
  EXPECT_GE(narrow, 3);
  EXPECT_EQ(data_.CalcLineCount(dc, 0), 1) << "no width: one line, no division";
  DeleteDC(dc);

  data_.Bounds = {0, 0, 84, 120};
  auto ink = [&](int placement) {
    data_.Placement = placement;
    xptest::Surface surface(84, 120, kPaper);
    data_.Paint(surface.dc());
    return surface.InkBox(kCell);
  };
  const RECT top = ink(editors::kPlaceMultiLine);
  const RECT centre = ink(editors::kPlaceMultiLineCenter);
  EXPECT_GT(top.bottom - top.top, 30) << "several lines";
  EXPECT_GT(centre.top, top.top + 10);
}

}  // namespace
