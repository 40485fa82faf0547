// On a real screen with the real mouse: the hot-tracked cell, a cell's tooltip, the search mark
// with its focus rectangle and the preview rows in each look.
#include <gtest/gtest.h>

#include <string>

#include "grid_fixture.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

using treelist::TdxTreeListNode;
using treelist_test::AddNamed;
using treelist_test::GridForm;

namespace {

struct Look {
  treelist::TdxLookAndFeel look;
  const char* picture;
};

constexpr Look kLooks[] = {
    {treelist::TdxLookAndFeel::lfStandard, "treelist_window_standard"},
    {treelist::TdxLookAndFeel::lfFlat, "treelist_window_flat"},
    {treelist::TdxLookAndFeel::lfUltraFlat, "treelist_window_ultraflat"},
};

// The application's hot look for a cell: blue and underlined, as links are.
void UnderlineHotCell(treelist_test::TestTreeList& grid) {
  grid.custom_draw = [&grid](const treelist::TdxCellPaintInfo& cell, std::wstring&,
                             framework::TFont& font) {
    const treelist::TdxHotTrackInfo hot = grid.HotTrack();
    if (hot.node == cell.node && hot.column == cell.column && hot.kind == 0) {
      font.SetStyle(framework::fsUnderline);
      font.SetColor(RGB(0, 0, 255));
    }
    return false;
  };
}

TEST(TreeListWindowScreen, HotCellTooltipSearchMarkAndPreviewInEachLook) {
  for (const Look& c : kLooks) {
    SCOPED_TRACE(c.picture);
    GridForm f(360, 230);
    f.grid.SetLookAndFeel(c.look);
    f.grid.SetModel(treelist_test::TwoBandModel());
    f.grid.SetShowIndicator(true);
    f.grid.SetOptions(f.grid.Options() | treelist::aoShowTooltips | treelist::aoPreview);
    f.grid.SetOptionsEx(f.grid.OptionsEx() | treelist::aoHotTrack);
    f.grid.SetPreviewLines(1);
    f.grid.OnGetPreviewText = [&f](auto, TdxTreeListNode* node, std::wstring& text) {
      text = L"Preview: routed on " + f.grid.Name(node);
    };
    UnderlineHotCell(f.grid);
    TdxTreeListNode* gnd = AddNamed(f.grid, nullptr, L"GND");
    TdxTreeListNode* long_net = AddNamed(f.grid, nullptr, L"a long differential pair name");
    AddNamed(f.grid, nullptr, L"VCC");
    f.grid.FullExpand();
    ASSERT_TRUE(testsupport::BringToFront(f.form.Handle()));
    f.grid.SetFocus();
    f.grid.StartSearch(0, L"VC");

    const RECT narrow = f.grid.GetCellRect(long_net, 1);
    testsupport::MoveMouse(f.hwnd(), {narrow.left + 10, narrow.top + 4});
    ASSERT_TRUE(testsupport::PumpUntil([&] { return f.grid.CellTooltip() != nullptr; }));
    EXPECT_EQ(f.grid.HotTrack().node, long_net);
    testsupport::Settle(150);
    const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(f.form.Handle());
    shot.Save(c.picture);

    RECT tip{};
    GetWindowRect(f.grid.CellTooltip()->Handle(), &tip);
    OffsetRect(&tip, -shot.origin().x, -shot.origin().y);
    InflateRect(&tip, -2, -2);
    EXPECT_GT(shot.ShareOf(tip, GetSysColor(COLOR_INFOBK)), 0.5) << "the tooltip over the cell";
    const RECT search = shot.FromClient(f.hwnd(), f.grid.GetCellRect(f.grid.GetFocusedNode(), 0));
    EXPECT_GT(shot.ShareOf(search, GetSysColor(COLOR_HIGHLIGHT) ^ 0xFFFFFF), 0.05)
        << "the search mark in inverted colours";
    const RECT gnd_row = f.grid.GetCellRect(gnd, 0);
    const RECT preview =
        shot.FromClient(f.hwnd(), {gnd_row.left, gnd_row.bottom + 1, gnd_row.right,
                                   gnd_row.bottom + 1 + f.grid.GetMetrics().preview_line_height});
    EXPECT_GT(shot.ShareOf(preview, RGB(0, 0, 255), 80), 0.01) << "blue preview text";
  }
}

}  // namespace
