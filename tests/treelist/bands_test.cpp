// The grid's bands and header rows: fixed bands, compacted rows, the default layout, band moves
// and removals carrying their columns, the header model the core lays out, and best fit.
#include "treelist/bands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/forms.h"
#include "grid_fixture.h"
#include "treelist/tree_list_control.h"

namespace treelist_test {
namespace {

using treelist::TCustomdxTreeListControl;
using treelist::TdxGridBandFixed;
using treelist::TdxTreeListBand;
using treelist::TdxTreeListColumn;

struct BandGrid {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  explicit BandGrid(int bands) {
    form.SetBounds(40, 40, 420, 260);
    grid.SetName("Grid");
    grid.SetParent(&form);
    grid.SetBounds(10, 10, 380, 200);
    while (grid.Bands().Count() < bands) grid.Bands().Add();
    for (int i = 0; i < bands; ++i) {
      grid.Bands().Items(i)->SetCaption(L"B" + std::to_wstring(i));
    }
  }
  TdxTreeListBand& Band(int i) { return *grid.Bands().Items(i); }
  TdxTreeListColumn* Column(const wchar_t* caption, int band, int row = 0) {
    TdxTreeListColumn* c = grid.CreateColumn<TdxTreeListColumn>();
    c->SetCaption(caption);
    c->SetBandIndex(band);
    c->SetRowIndex(row);
    return c;
  }
  // Band captions in collection order with their fixed side: "B1< B0 B2>".
  std::wstring Bands() {
    std::wstring out;
    for (int i = 0; i < grid.Bands().Count(); ++i) {
      const TdxTreeListBand& b = Band(i);
      out += (i ? L" " : L"") + b.Caption();
      if (b.Fixed() == TdxGridBandFixed::bfLeft) out += L"<";
      if (b.Fixed() == TdxGridBandFixed::bfRight) out += L">";
    }
    return out;
  }
  std::wstring Header() { return HeaderRows(grid.GetHeaderModel()); }
};

TEST(TreeListBands, OneFixedBandASideMovesToItsEndAndHidingUnfixes) {
  BandGrid g(3);
  g.Band(1).SetFixed(TdxGridBandFixed::bfLeft);
  EXPECT_EQ(g.Bands(), L"B1< B0 B2");
  g.Band(2).SetFixed(TdxGridBandFixed::bfLeft);
  EXPECT_EQ(g.Bands(), L"B2< B1 B0") << "the last one set keeps the side";
  g.Band(1).SetFixed(TdxGridBandFixed::bfRight);
  EXPECT_EQ(g.Bands(), L"B2< B0 B1>");
  EXPECT_EQ(g.grid.GetHeaderModel().left_fixed_band, 0);
  EXPECT_EQ(g.grid.GetHeaderModel().right_fixed_band, 2);
  g.Band(2).SetVisible(false);
  EXPECT_EQ(g.Bands(), L"B2< B0 B1") << "a hidden band is not fixed";
  g.Band(0).SetIndex(2);
  EXPECT_EQ(g.Bands(), L"B2< B0 B1") << "a fixed band does not move";
  g.Band(1).SetIndex(99);
  EXPECT_EQ(g.Bands(), L"B2< B1 B0") << "an index past the end is the last";
  EXPECT_EQ(g.grid.Bands().Items(3), nullptr);
  for (int i = 0; i < 3; ++i) g.Band(i).SetVisible(false);
  EXPECT_EQ(g.Header(), L"");
  EXPECT_EQ(g.grid.GetHeaderModel().right_fixed_band, -1);
}

TEST(TreeListBands, ColumnsFollowTheirBandsWhenBandsMoveOrGo) {
  BandGrid g(3);
  g.Column(L"a", 0);
  g.Column(L"b", 1);
  g.Column(L"c", 2);
  g.Column(L"d", 2);
  EXPECT_EQ(g.Header(), L"B0{a}B1{b}B2{c,d}");
  g.Band(2).SetIndex(0);
  EXPECT_EQ(g.Header(), L"B2{c,d}B0{a}B1{b}");
  g.grid.Bands().BeginUpdate();
  g.Band(1).SetCaption(L"B0'");
  g.Band(1).SetCaption(L"B0");
  g.Band(0).SetCaption(L"B2'");
  g.grid.Bands().EndUpdate();
  EXPECT_EQ(g.Header(), L"B2'{c,d}B0{a}B1{b}")
      << "changes inside an update reach the grid at its end";
  g.Band(0).SetCaption(L"B2");
  g.grid.Bands().Delete(3);
  g.grid.Bands().Delete(1);  // B0: its column has no band now
  EXPECT_EQ(g.Header(), L"B2{c,d}B1{b}");
  EXPECT_EQ(g.grid.Columns(0)->BandIndex(), -1);
  g.Band(0).SetVisible(false);
  EXPECT_EQ(g.Header(), L"B1{b}");
}

TEST(TreeListBands, HeaderRowsCloseUpAndCountsStayInRange) {
  BandGrid g(2);
  g.grid.SetHeaderPanelRowCount(3);
  TdxTreeListColumn* top = g.Column(L"a", 0, 0);
  TdxTreeListColumn* low = g.Column(L"b", 0, 2);
  g.Column(L"c", 1, 1);
  TdxTreeListColumn* hidden = g.Column(L"h", 0, 2);
  hidden->SetVisible(false);
  g.grid.SetHeaderPanelRowCount(3);
  EXPECT_EQ(hidden->RowIndex(), 1) << "a hidden column comes up to its band's last row";
  EXPECT_EQ(top->RowIndex(), 0);
  EXPECT_EQ(low->RowIndex(), 1) << "row 1 was empty";
  EXPECT_EQ(g.Header(), L"B0{a/b/}B1{c//}");
  EXPECT_FALSE(g.grid.DefaultLayout());
  struct {
    int set, stored;
  } const counts[] = {{0, 1}, {9, 5}, {4, 4}};
  for (const auto& c : counts) {
    g.grid.SetHeaderPanelRowCount(c.set);
    EXPECT_EQ(g.grid.HeaderPanelRowCount(), c.stored) << c.set;
  }
  g.grid.SetHeaderPanelMaxRowCount(2);
  EXPECT_EQ(g.grid.HeaderPanelRowCount(), 2);
}

TEST(TreeListBands, TheDefaultLayoutPutsEveryColumnInOneVisibleBand) {
  BandGrid g(3);
  g.grid.SetShowBands(true);
  g.Column(L"a", 0);
  g.Column(L"b", 2);
  g.Band(0).SetVisible(false);
  g.grid.SetDefaultLayout(true);
  EXPECT_EQ(g.Header(), L"B0{a,b}");
  EXPECT_EQ(g.grid.Bands().Count(), 1);
  EXPECT_FALSE(g.grid.ShowBands());
}

TEST(TreeListBands, TheCoreLaysOutTheBandsAndColumnsItIsGiven) {
  BandGrid g(2);
  g.form.Show();
  g.grid.SetShowBands(true);
  g.grid.SetOptionsEx(g.grid.OptionsEx() & ~treelist::aoBandHeaderWidth);
  g.Band(0).SetWidth(120);
  g.Band(1).SetWidth(150);
  TdxTreeListColumn* a = g.Column(L"a", 0);
  g.Column(L"b", 1)->SetWidth(60);
  g.Column(L"c", 1);
  const treelist::Layout layout = g.grid.GetLayout();
  ASSERT_EQ(layout.bands.size(), 2u);
  EXPECT_EQ(layout.bands[0].right - layout.bands[0].left, 120);
  EXPECT_EQ(layout.bands[1].left, layout.bands[0].right);
  ASSERT_EQ(layout.headers.size(), 3u);
  EXPECT_EQ(layout.HeaderOf(1)->left, layout.bands[1].left);
  EXPECT_EQ(layout.HeaderOf(2)->right, layout.bands[1].right);
  a->SetVisible(false);
  EXPECT_EQ(g.grid.GetLayout().headers.size(), 2u);
}

TEST(TreeListBands, BestFitWidensToTheWidestCellAndWaitsForTheWindow) {
  BandGrid g(1);
  TdxTreeListColumn* name = g.Column(L"Name", 0);
  TdxTreeListColumn* fixed = g.Column(L"Fixed", 0);
  fixed->SetSizing(false);
  for (const wchar_t* text : {L"x", L"a much longer text than the caption"}) {
    treelist::TdxTreeListNode* node = g.grid.Add();
    g.grid.SetNodeString(node, 0, text);
    g.grid.SetNodeString(node->AddChild(), 1, text);  // collapsed children count as well
  }
  g.grid.ApplyBestFit(nullptr);
  EXPECT_EQ(name->Width(), 100) << "no window yet";
  g.form.Show();
  g.grid.Handle();
  const int fitted = name->Width();
  EXPECT_GT(fitted, 100) << "the pending fit ran once the window was made";
  EXPECT_EQ(fixed->Width(), 100) << "a column that does not size keeps its width";
  g.grid.SetNodeString(g.grid.Items(0), 0, L"x");
  g.grid.SetNodeString(g.grid.Items(1), 0, L"y");
  g.grid.ApplyBestFit(name);
  EXPECT_LT(name->Width(), fitted);
  EXPECT_GE(name->Width(), 20);
}

TEST(TreeListBands, IndexQueriesAndRowCountsKeepTheirBounds) {
  BandGrid g(3);
  g.Band(1).SetVisible(false);
  std::wstring indexes;
  for (int i = -1; i <= 3; ++i) {
    indexes += std::to_wstring(g.grid.BandAbsoluteIndex(i)) + L"/" +
               std::to_wstring(g.grid.BandVisibleIndex(i)) + L" ";
  }
  EXPECT_EQ(indexes, L"-1/-1 0/0 2/-1 -1/1 -1/-1 ");
  g.grid.SetHeaderMinRowCount(3);
  g.grid.SetBandMaxRowCount(4);
  g.grid.SetBandRowCount(9);
  const int counts[] = {g.grid.HeaderMinRowCount(), g.grid.BandRowCount()};
  g.grid.SetHeaderMinRowCount(0);
  g.grid.Bands().Delete(0);
  EXPECT_EQ((std::vector<int>{counts[0], counts[1], g.grid.HeaderMinRowCount()}),
            (std::vector<int>{3, 4, 1}));
  EXPECT_EQ(g.Bands(), L"B1 B2") << "the first band can go";
}

}  // namespace
}  // namespace treelist_test
