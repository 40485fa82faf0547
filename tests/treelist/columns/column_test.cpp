// The grid's columns: defaults and what a form description keeps of them, widths and header
// rows, moving a column with its node values, sorting by columns, copies, and the editor's
// road in and out of a node. Its bands and header rows: fixed bands, compacted rows, the default
// layout, band moves and removals carrying their columns, the header model the core lays out,
// and best fit.
#include "treelist/columns/column.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/win/text.h"
#include "../grid_fixture.h"
#include "node_data_support.h"
#include "treelist/columns/bands.h"
#include "treelist/input/interaction_state.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist_test {
namespace {

using treelist::TCustomdxTreeListControl;
using treelist::TdxGridBandFixed;
using treelist::TdxTreeListBand;
using treelist::TdxTreeListColumn;
using treelist::TdxTreeListColumnSort;
using treelist::TdxTreeListNode;

// A grid with `columns` columns and top-level nodes whose texts are given row by row.
struct ColumnGrid {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  std::vector<TdxTreeListColumn*> columns;
  explicit ColumnGrid(int count = 3) {
    grid.SetName("Grid");
    grid.SetParent(&form);
    for (int i = 0; i < count; ++i) {
      columns.push_back(grid.CreateColumn<TdxTreeListColumn>());
      columns.back()->SetCaption(std::wstring(1, static_cast<wchar_t>(L'A' + i)));
    }
  }
  void AddRow(std::initializer_list<const wchar_t*> texts) {
    TdxTreeListNode* node = grid.Add();
    int i = 0;
    for (const wchar_t* text : texts) grid.SetNodeString(node, i++, text);
  }
  // A click on the column's header as a user makes it (MK_SHIFT, MK_CONTROL in `keys`).
  void ClickHeader(TdxTreeListColumn* column, WPARAM keys = 0) {
    if (!form.Visible()) {
      form.SetBounds(50, 50, 420, 260);
      grid.SetBounds(10, 10, 380, 200);
      form.Show();
    }
    const RECT r = treelist_test::HeaderCellOf(grid, column->Index()).rect;
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageW(grid.Handle(), WM_LBUTTONUP, keys, at);
  }
  // Each node's cells as the columns show them, in column-list order: "a|b|c;...".
  std::wstring Cells() {
    std::wstring out;
    for (TdxTreeListNode* node : grid.TopNodes()) {
      for (int i = 0; i < grid.ColumnCount(); ++i) {
        out += (i ? L"|" : L"") + grid.Columns(i)->GetCellText(node);
      }
      out += L";";
    }
    return out;
  }
};

struct StoredCase {
  const char* what;
  std::function<void(TdxTreeListColumn&)> change;
  const char* property;
  bool written;
};

TEST(TreeListColumn, WritesOnlyTheValuesItWasGivenThatDifferFromTheirDefaults) {
  const StoredCase cases[] = {
      {"fresh", [](auto&) {}, "Width =", false},
      {"fresh", [](auto&) {}, "Alignment =", false},
      {"fresh", [](auto&) {}, "BandIndex = 0", true},
      {"fresh", [](auto&) {}, "RowIndex = 0", true},
      {"default width set", [](auto& c) { c.SetWidth(100); }, "Width =", false},
      {"width set", [](auto& c) { c.SetWidth(120); }, "Width = 120", true},
      {"grid's colour", [](auto& c) { c.SetColor(framework::clWindow); }, "Color =", false},
      {"own colour", [](auto& c) { c.SetColor(framework::clRed); }, "Color = clRed", true},
      {"default length", [](auto& c) { c.SetMaxLength(0); }, "MaxLength =", false},
      {"length", [](auto& c) { c.SetMaxLength(8); }, "MaxLength = 8", true},
      {"not read-only", [](auto& c) { c.SetReadOnly(false); }, "ReadOnly =", false},
      {"read-only", [](auto& c) { c.SetReadOnly(true); }, "ReadOnly = True", true},
      {"sorted, single sort", [](auto& c) { c.SetSorted(TdxTreeListColumnSort::csDown); },
       "SortedOrder", false},
      {"row 0 stored", [](auto& c) { c.SetStoredRowIndex(0); }, "StoredRowIndex", false},
      {"row 2 stored", [](auto& c) { c.SetStoredRowIndex(2); }, "StoredRowIndex = 2", true},
      {"font", [](auto& c) { c.Font().SetSize(14); }, "Font.", true},
      {"alignment", [](auto& c) { c.SetAlignment(framework::TAlignment::taLeftJustify); },
       "Alignment = taLeftJustify", true},
  };
  for (const StoredCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.property);
    ColumnGrid g(1);
    c.change(*g.columns[0]);
    const std::string text = framework::WriteComponentText(*g.columns[0]);
    EXPECT_EQ(text.find(c.property) != std::string::npos, c.written) << text;
  }
}

// What a form description keeps of a column, without the line that names it.
std::string Described(TdxTreeListColumn& column) {
  const std::string text = framework::WriteComponentText(column);
  return text.substr(text.find('\n') + 1);
}

TEST(TreeListColumn, DefaultsFollowTheGridUntilSetAndCopiesTakeWhatTheSourceSetAndItsPlace) {
  using framework::TAlignment;
  ColumnGrid g(3);
  TdxTreeListColumn& c = *g.columns[0];
  EXPECT_EQ(std::make_tuple(c.Width(), c.MinWidth(), c.Visible(), c.Font().Size()),
            std::make_tuple(100, 20, true, g.grid.Font().Size()));
  g.grid.SetColor(framework::clYellow);
  g.grid.Font().SetSize(13);
  EXPECT_EQ(c.Color(), framework::clYellow);
  EXPECT_EQ(c.Font().Size(), 13) << "an unset font follows the grid's";
  EXPECT_EQ(c.AssignedValues(), 2u) << "only the caption was set";
  c.SetWidth(5);
  EXPECT_EQ(c.Width(), 20);
  c.SetMinWidth(-5);
  EXPECT_EQ(c.MinWidth(), 0);
  c.SetMinWidth(60);
  EXPECT_EQ(c.Width(), 60) << "a larger minimum widens the column";
  EXPECT_FALSE(c.ReadOnly());
  g.grid.SetOptions(g.grid.Options() & ~treelist::aoEditing);
  EXPECT_TRUE(c.ReadOnly()) << "a grid without editing makes its columns read-only";
  g.grid.SetOptions(g.grid.Options() | treelist::aoEditing);
  // A value set again takes the new one: the setters skip only a value already set and equal.
  c.SetAlignment(TAlignment::taRightJustify);
  c.SetAlignment(TAlignment::taCenter);
  c.SetColor(framework::clRed);
  c.SetColor(framework::clBlue);
  c.SetReadOnly(true);
  c.SetReadOnly(false);
  c.SetMaxLength(5);
  c.SetMaxLength(9);
  EXPECT_EQ(std::make_tuple(c.Alignment(), c.Color(), c.ReadOnly(), c.MaxLength()),
            std::make_tuple(TAlignment::taCenter, framework::clBlue, false, 9));
  TdxTreeListColumn* bare = g.grid.CreateColumn<TdxTreeListColumn>();
  const std::string new_column = Described(*bare);
  bare->SetCaption(L"");
  bare->SetMaxLength(0);
  EXPECT_EQ(bare->AssignedValues(), unsigned{treelist::cvCaption | treelist::cvMaxLength})
      << "a value set equal to its default is set all the same";

  TdxTreeListColumn& source = *g.columns[2];
  source.SetWidth(140);
  source.SetReadOnly(true);
  source.SetSizing(false);
  source.SetHeaderAlignment(TAlignment::taRightJustify);
  TdxTreeListColumn& target = *g.columns[1];
  target.SetAlignment(TAlignment::taCenter);
  target.SetMaxLength(4);
  const int source_position = source.ColIndex();
  target.Assign(source);
  EXPECT_EQ(target.AssignedValues(), source.AssignedValues());
  EXPECT_EQ(Described(target), Described(source));
  EXPECT_EQ(target.ColIndex(), source_position) << "it took the source's place in the row";
  target.SetDisableCaption(true);
  target.SetMinWidth(50);
  target.RestoreDefaults();
  EXPECT_EQ(target.AssignedValues(), 0u);
  EXPECT_EQ(Described(target), new_column);
  EXPECT_EQ(std::make_tuple(target.Width(), target.MinWidth(), target.DisableCaption()),
            std::make_tuple(100, 20, false));
}

TEST(TreeListColumn, ViewDataPlacesMultiLineCellsByTheVerticalAlignment) {
  using treelist::TTextLayout;
  ColumnGrid g(1);
  g.AddRow({L"a"});
  TdxTreeListColumn& column = *g.columns[0];
  std::string placements;  // one line, then wrapped, for each alignment
  for (const TTextLayout layout :
       {TTextLayout::tlTop, TTextLayout::tlCenter, TTextLayout::tlBottom}) {
    column.SetVertAlignment(layout);
    for (const bool multi_line : {false, true}) {
      treelist::TdxCellViewInfo cell;
      cell.node = g.grid.Items(0);
      cell.multi_line = multi_line;
      column.PrepareViewData(column.GetViewData(), cell);
      placements += std::to_string(column.GetViewData().Placement);
    }
  }
  EXPECT_EQ(placements, "031423") << "wrapped lines sit at the top or in the centre";
}

TEST(TreeListColumn, RowIndexIsClampedToThePanelButAStoredRowWaitsForIt) {
  ColumnGrid g(2);
  TdxTreeListColumn& c = *g.columns[1];
  c.SetRowIndex(3);
  EXPECT_EQ(c.RowIndex(), 0);
  EXPECT_EQ(c.StoredRowIndex(), 0);
  g.grid.SetHeaderPanelRowCount(3);
  EXPECT_EQ(c.RowIndex(), 0) << "raising the count later leaves the column on row 0";
  g.grid.SetHeaderPanelRowCount(1);
  c.SetStoredRowIndex(2);  // as a stream stores it
  EXPECT_EQ(c.RowIndex(), 0);
  EXPECT_EQ(c.ColIndex(), 1);
  c.SetBandIndex(5);
  EXPECT_EQ(c.BandIndex(), 0) << "the grid has one band";
  c.SetVisible(false);
  EXPECT_EQ(c.ColIndex(), -1);
  EXPECT_EQ(g.columns[0]->ColIndex(), 0);

  TdxTreeListColumn loose(nullptr);
  loose.SetStoredRowIndex(2);  // read from a stream before the column joins its grid
  loose.SetRowIndex(2);
  EXPECT_EQ(loose.RowIndex(), 2) << "a loose column keeps the row it was given";

  ColumnGrid four(4);  // moved past its row's end: right after the row's last column
  four.columns[3]->SetVisible(false);
  four.columns[0]->SetColIndex(99);
  EXPECT_EQ(four.grid.Columns(3), four.columns[0]);
}

TEST(TreeListColumn, MovingAColumnCarriesItsNodeValues) {
  ColumnGrid g(3);
  g.AddRow({L"a", L"b", L"c"});
  g.AddRow({L"x"});  // sparse: the other slots are empty
  g.columns[0]->SetIndex(2);
  EXPECT_EQ(g.Cells(), L"b|c|a;||x;");
  EXPECT_EQ(g.grid.Columns(2), g.columns[0]);
  g.columns[0]->SetColIndex(0);  // back to the front of its row
  EXPECT_EQ(g.Cells(), L"a|b|c;x||;");
  delete g.columns[1];  // its texts go, the later column keeps its own
  EXPECT_EQ(g.Cells(), L"a|c;x|;");
}

TEST(TreeListColumn, SortMarksSortTheNodesAndAPlainSortReplacesTheOthers) {
  ColumnGrid g(2);
  g.grid.SetOptions(g.grid.Options() | treelist::aoAutoSort);
  g.AddRow({L"b", L"2"});
  g.AddRow({L"c", L"1"});
  g.AddRow({L"a", L"3"});
  g.columns[0]->SetSorted(TdxTreeListColumnSort::csUp);
  EXPECT_EQ(g.Cells(), L"a|3;b|2;c|1;");
  g.ClickHeader(g.columns[1]);
  EXPECT_EQ(g.Cells(), L"c|1;b|2;a|3;");
  EXPECT_EQ(g.columns[0]->Sorted(), TdxTreeListColumnSort::csNone);
  g.ClickHeader(g.columns[1]);  // again: the other way
  EXPECT_EQ(g.Cells(), L"a|3;b|2;c|1;");
  g.grid.SetOptionsEx(g.grid.OptionsEx() | treelist::aoMultiSort);
  g.ClickHeader(g.columns[0], MK_SHIFT);  // Shift adds
  EXPECT_EQ(g.grid.SortedColumns(), (std::vector<TdxTreeListColumn*>{g.columns[1], g.columns[0]}));
  EXPECT_EQ(g.columns[0]->SortedOrder(), 1);
  g.ClickHeader(g.columns[1], MK_CONTROL);  // Ctrl clears
  EXPECT_EQ(g.grid.SortedColumns(), (std::vector<TdxTreeListColumn*>{g.columns[0]}));
}

TEST(TreeListColumn, SortOrderIsStoredForSeveralSortsAndALooseColumnAsksItsOwner) {
  ColumnGrid g(3);
  g.grid.SetOptions(g.grid.Options() | treelist::aoAutoSort);
  g.grid.SetOptionsEx(g.grid.OptionsEx() | treelist::aoMultiSort);
  g.columns[2]->SetSortingDisabled(true);
  std::string seen;
  const auto look = [&] {
    for (TdxTreeListColumn* c : g.columns) {
      const bool stored =
          framework::WriteComponentText(*c).find("SortedOrder") != std::string::npos;
      seen += std::string(stored ? "s" : "-") + (c->CanHeaderSort() ? "h" : "-");
    }
    seen += " ";
  };
  for (TdxTreeListColumn* c : {g.columns[0], g.columns[1]}) {
    g.ClickHeader(c, MK_SHIFT);
    look();
  }
  g.grid.SetOptionsEx(g.grid.OptionsEx() & ~treelist::aoMultiSort);
  look();
  EXPECT_EQ(seen, "-h-h-- shsh-- -h-h-- ");
  auto* loose = new TdxTreeListColumn(&g.grid);  // owned by the grid, not one of its columns
  loose->SetSorted(TdxTreeListColumnSort::csUp);
  g.grid.SetEnableUnicodeSupport(true);
  EXPECT_EQ(loose->SortedOrder(), -1);
  EXPECT_EQ(&loose->GetEditorClass(), &treelist::TdxInplaceTreeListTextEditW::EditorClass());
}

TEST(TreeListColumn, NarrowEditorsKeepWhatTheCodePageHoldsAndWideOnesEverything) {
  ColumnGrid g(2);
  g.AddRow({L"x", L"\u20AC 5 \u4E2D"});
  TdxTreeListNode* node = g.grid.Items(0);
  TdxTreeListColumn& c = *g.columns[1];
  c.SetMaxLength(12);
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "wide" : "narrow");
    g.grid.SetEnableUnicodeSupport(wide);
    std::unique_ptr<editors::TdxInplaceEdit> editor(c.GetEditorClass().create(&g.form));
    c.InitEditor(*editor);
    const std::wstring expected = wide ? L"\u20AC 5 \u4E2D" : L"\u20AC 5 ?";
    EXPECT_EQ(c.LoadEditorValue(node, *editor).ToString(), expected);
    EXPECT_EQ(static_cast<editors::TCustomXPDXEdit&>(*editor).MaxLength(), 12);
    editor->SetText(editor->Text() + L"!");
    EXPECT_EQ(c.SaveEditorValue(node, *editor).ToString(), expected + L"!");
    EXPECT_EQ(g.grid.GetNodeString(node, 1), expected + L"!");
    g.grid.SetNodeString(node, 1, L"\u20AC 5 \u4E2D");
  }
}

// The focused cell of `column` on the first node, edited: the editor shown (or null).
editors::TdxInplaceEdit* EditCell(ColumnGrid& g, int column) {
  g.grid.SetFocusedCell(g.grid.Items(0), column, true);
  g.grid.ShowEditor();
  return g.grid.State() == treelist::tsEditing ? g.grid.InplaceEditor() : nullptr;
}

TEST(TreeListColumnEditors, ColumnsOfOneEditorClassShareAnEditorAndWriteThroughTheColumn) {
  ColumnGrid g(2);
  auto* mask = g.grid.CreateColumn<treelist::TdxTreeListMaskColumn>();
  g.form.SetBounds(30, 30, 420, 200);
  g.grid.SetBounds(5, 5, 400, 160);
  g.form.Show();
  g.grid.SetOptions((g.grid.Options() | treelist::aoEditing) & ~treelist::aoRowSelect);
  g.AddRow({L"a", L"b", L"c"});
  int changes = 0;
  g.columns[0]->OnChange = [&](framework::TComponent*) { ++changes; };
  editors::TdxInplaceEdit* first = EditCell(g, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(changes, 0) << "filling the editor is no change";
  first->SetText(L"a2");
  EXPECT_EQ(changes, 1);
  g.grid.CloseEditor();
  EXPECT_EQ(EditCell(g, 1), first) << "the same class shares the editor";
  g.grid.CancelEditor();
  editors::TdxInplaceEdit* masked = EditCell(g, 2);
  ASSERT_NE(masked, nullptr);
  EXPECT_NE(masked, first);
  EXPECT_TRUE(masked->InheritsFrom(treelist::TdxInplaceTreeListMaskEdit::EditorClass()));
  g.grid.CancelEditor();
  EXPECT_EQ(g.Cells(), L"a2|b|c;");
  mask->SetReadOnly(true);
  ASSERT_NE(EditCell(g, 2), nullptr);
  EXPECT_TRUE(g.grid.InplaceEditor()->ReadOnly()) << "a read-only column edits nothing";
  g.grid.CancelEditor();
  g.columns[1]->SetDisableEditor(true);
  EXPECT_EQ(EditCell(g, 1), nullptr) << "a column without an editor opens none";
}

TEST(TreeListColumnEditors, CustomDrawHandlersRunInOrderUntilOneDrawsTheCell) {
  ColumnGrid g(1);
  std::wstring order;
  bool general_draws = false;
  g.grid.OnCustomDraw = [&](framework::TComponent*, TdxTreeListColumn* c,
                            treelist::TdxCellDrawInfo& cell, std::wstring&) {
    order += c == g.columns[0] ? L"general " : L"? ";
    cell.done = general_draws;
  };
  g.grid.OnCustomDrawCell = [&](framework::TComponent*, treelist::TdxCellDrawInfo&,
                                std::string& text) {
    order += L"narrow ";
    text = "changed";
  };
  g.grid.OnCustomDrawCellWide = [&](framework::TComponent*, treelist::TdxCellDrawInfo&,
                                    std::wstring& text) { order += L"wide(" + text + L") "; };
  g.columns[0]->OnCustomDrawCellWide = [&](framework::TComponent*, treelist::TdxCellDrawInfo& cell,
                                           std::wstring&) {
    order += L"column";
    cell.done = true;
  };
  treelist::TdxCellDrawInfo cell;
  std::wstring text = L"\u4E2D";
  ASSERT_TRUE(g.grid.IsCustomDrawCell(0));
  EXPECT_TRUE(g.grid.CustomDrawCell(0, cell, text));
  EXPECT_EQ(order, L"general narrow wide(changed) column");
  order.clear();
  general_draws = true;
  EXPECT_TRUE(g.grid.CustomDrawCell(0, cell, text));
  EXPECT_EQ(order, L"general ") << "a cell drawn by the general handler is done";
}

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

POINT g_cursor{};  // the screen point the grid reads as the cursor's

// Widening a band under automatic width narrows the band after it; the hidden bands and the
// hidden columns of the narrowed band shrink in proportion, so that they come back in scale.
// Those that do not size keep their widths.
TEST(TreeListBands, SizingUnderAutoWidthScalesTheHiddenBandsAndColumnsThatSize) {
  BandGrid g(4);
  g.grid.Seams().cursor_pos = [] { return g_cursor; };
  g.grid.SetShowBands(true);
  g.grid.SetOptions(g.grid.Options() | treelist::aoAutoWidth);
  g.grid.SetOptionsEx(g.grid.OptionsEx() | treelist::aoBandHeaderWidth);
  g.Column(L"A", 0);
  g.Column(L"B", 1);
  TdxTreeListColumn* hidden[] = {g.Column(L"C", 1), g.Column(L"D", 1)};
  for (TdxTreeListColumn* c : hidden) {
    c->SetWidth(80);
    c->SetVisible(false);
  }
  hidden[1]->SetSizing(false);
  for (int b : {2, 3}) {
    g.Band(b).SetWidth(100);
    g.Band(b).SetVisible(false);
  }
  g.Band(3).SetSizing(false);
  g.form.Show();
  const treelist::Layout before = g.grid.GetLayout();
  ASSERT_EQ(before.bands.size(), 2u);
  const int y = (before.band_panel.top + before.band_panel.bottom) / 2;
  const int edge = before.bands[0].right;
  for (const auto& [msg, x] : {std::pair{WM_LBUTTONDOWN, edge}, std::pair{WM_MOUSEMOVE, edge + 20},
                               std::pair{WM_LBUTTONUP, edge + 20}}) {
    g_cursor = {x, y};
    ClientToScreen(g.grid.Handle(), &g_cursor);
    SendMessageW(g.grid.Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  }
  const int had = before.band_widths[1], taken = g.grid.GetLayout().band_widths[1];
  ASSERT_EQ(taken, had - 20);
  EXPECT_EQ(g.Band(2).Width(), MulDiv(100, taken, had));
  EXPECT_EQ(g.Band(3).Width(), 100);
  EXPECT_EQ(hidden[0]->Width(), MulDiv(80, taken, had));
  EXPECT_EQ(hidden[1]->Width(), 80);
}

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

  // Each cell is measured in the font it paints with: one that custom drawing makes bold needs
  // the room of its bold text.
  const std::wstring wide = L"Following rules have incorrect priority";
  g.grid.SetNodeString(g.grid.Items(1), 0, wide);
  g.grid.ApplyBestFit(name);
  const int plain = name->Width();
  g.grid.OnCustomDrawCell = [&](framework::TComponent*, treelist::TdxCellDrawInfo& cell,
                                std::string&) {
    if (cell.node == g.grid.Items(1)) cell.font->SetStyle(framework::fsBold);
  };
  g.grid.ApplyBestFit(name);
  EXPECT_GT(name->Width(), plain + 4) << plain;
}

// A double click on a band's right edge fits the columns that band shows, and only those.
TEST(TreeListBands, ADoubleClickOnABandsEdgeFitsItsShownColumns) {
  BandGrid g(2);
  g.grid.SetShowBands(true);
  TdxTreeListColumn* name = g.Column(L"Name", 0);
  TdxTreeListColumn* pad = g.Column(L"Pad", 0, 1);
  TdxTreeListColumn* hidden = g.Column(L"Hidden", 0);
  TdxTreeListColumn* rule = g.Column(L"Rule", 1);
  g.grid.SetHeaderPanelRowCount(2);
  pad->SetRowIndex(1);
  hidden->SetVisible(false);
  treelist::TdxTreeListNode* node = g.grid.Add();
  for (int i = 0; i < 4; ++i) g.grid.SetNodeString(node, i, L"a text wider than a column");
  g.grid.SetNodeString(node, 1, L"x");
  int changes = 0;
  g.grid.OnChangedColumnsWidth = [&](framework::TComponent*) { ++changes; };
  g.form.Show();
  const treelist::Layout layout = g.grid.GetLayout();
  SendMessageW(g.grid.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(layout.bands[0].right - 1, layout.band_panel.top + 3));
  SendMessageW(g.grid.Handle(), WM_LBUTTONUP, 0,
               MAKELPARAM(layout.bands[0].right - 1, layout.band_panel.top + 3));
  EXPECT_GT(name->Width(), 120) << "the widest text of the first row";
  EXPECT_LT(pad->Width(), 60) << "the second row's column shrinks to its text";
  EXPECT_EQ(hidden->Width(), 100) << "hidden";
  EXPECT_EQ(rule->Width(), 100) << "another band";
  EXPECT_EQ(changes, 1);
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
