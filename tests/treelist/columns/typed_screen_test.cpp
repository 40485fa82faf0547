// On a real screen: a grid with one column of each type, closed and with each column's editor
// open. The pictures go to build/pictures/ to be looked at; the checks ask only that each
// cell and each editor shows something in its place.
#include <gtest/gtest.h>

#include <string>

#include "editors/picture_edits.h"
#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "../grid_fixture.h"
#include "support/screen_capture.h"
#include "support/user_input.h"
#include "treelist/columns/button_columns.h"
#include "treelist/columns/check_column.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/input/interaction_state.h"
#include "treelist/columns/memo_column.h"
#include "treelist/columns/number_columns.h"
#include "treelist/columns/picture_columns.h"
#include "treelist/columns/typed_columns.h"

namespace {

using namespace treelist;

using treelist_test::Pump;

std::wstring SmallPicture() {
  framework::TBitmap bitmap(14, 14, framework::TPixelFormat::pf24bit);
  RECT all{0, 0, 14, 14}, inner{3, 3, 11, 11};
  FillRect(bitmap.Canvas().Handle(), &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  FillRect(bitmap.Canvas().Handle(), &inner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  framework::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return editors::BytesToValue(
      std::string(stream.Bytes().begin(), stream.Bytes().begin() + stream.Size()));
}

// A grid that edits in its cells, on a form of its own.
struct EditingGrid {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  EditingGrid(SIZE form_size, SIZE grid_size) {
    form.SetBounds(20, 20, form_size.cx, form_size.cy);
    grid.SetParent(&form);
    grid.SetBounds(4, 4, grid_size.cx, grid_size.cy);
    grid.SetOptions((grid.Options() | aoEditing) & ~aoRowSelect);
  }
};

struct TypedScreen {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  framework::TImageList images{nullptr};
  std::vector<TdxTreeListColumn*> columns;

  template <class Column>
  Column& Add(const wchar_t* caption, std::initializer_list<std::wstring> texts) {
    auto* column = grid.CreateColumn<Column>();
    column->SetCaption(caption);
    column->SetWidth(66);
    int row = 0;
    for (const std::wstring& text : texts)
      grid.SetNodeString(grid.Items(row++), column->Index(), text);
    columns.push_back(column);
    return *column;
  }

  TypedScreen() {
    form.SetBounds(4, 4, 1012, 170);
    grid.SetParent(&form);
    grid.SetBounds(2, 2, 1000, 130);
    grid.SetOptions((grid.Options() | aoEditing) & ~aoRowSelect);
    grid.SetOptionsEx(grid.OptionsEx() | aoShowButtonAlways);
    treelist_test::FillImages(images, {RGB(200, 40, 40), RGB(40, 160, 40)});
    for (int i = 0; i < 3; ++i) grid.Add();
    auto& check = Add<TdxTreeListCheckColumn>(L"Check", {L"True", L"False", L""});
    auto& pick = Add<TdxTreeListPickColumn>(L"Pick", {L"vertical", L"off", L""});
    pick.SetItems({"horizontal", "vertical", "off"});
    pick.SetShowButtonStyle(TdxShowButtonStyle::sbAlways);
    Add<TdxTreeListMRUColumn>(L"MRU", {L"last", L"", L""}).SetItems({"last", "first"});
    Add<TdxTreeListMemoColumn>(L"Memo", {L"two\r\nlines", L"one", L""});
    Add<TdxTreeListDateColumn>(L"Date", {L"2026-12-08", L"", L""});
    Add<TdxTreeListTimeColumn>(L"Time", {L"12:30:00", L"", L""});
    Add<TdxTreeListSpinColumn>(L"Spin", {L"42", L"abc", L""})
        .SetShowButtonStyle(TdxShowButtonStyle::sbAlways);
    Add<TdxTreeListCalcColumn>(L"Calc", {L"3.25", L"", L""});
    Add<TdxTreeListCurrencyColumn>(L"Money", {L"1234.5", L"abc", L"0"});
    Add<TdxTreeListButtonColumn>(L"Button", {L"text", L"", L""})
        .SetShowButtonStyle(TdxShowButtonStyle::sbAlways);
    auto& image = Add<TdxTreeListImageColumn>(L"Image", {L"a", L"b", L"z"});
    image.SetValues({"a", "b"});
    image.SetDescriptions({"Red", "Green"});
    image.SetShowDescription(true);
    image.SetImages(&images);
    Add<TdxTreeListHyperLinkColumn>(L"Link", {L"http://localhost/", L"", L""}).SetSingleClick(true);
    Add<TdxTreeListGraphicColumn>(L"Graphic", {SmallPicture(), L"no picture", L""})
        .SetStretch(false);
    Add<TdxTreeListBlobColumn>(L"Blob", {L"notes", L"", L""});
    auto& wrapper = Add<TdxTreeListWrapperColumn>(L"Wrapper", {L"True", L"False", L""});
    wrapper.OnGetReferenceColumn = [&check](framework::TComponent*, TdxTreeListNode*,
                                            TdxTreeListColumn*& column) { column = &check; };
    form.Show();
    Pump();
  }

  // Each cell as its column paints it, where the grid put the cell.
  void PaintCells() {
    HDC dc = GetDC(grid.Handle());
    for (TdxTreeListColumn* c : columns) {
      for (int row = 0; row < grid.Count(); ++row) {
        TdxTreeListNode* node = grid.Items(row);
        TdxCellViewInfo cell;
        cell.node = node;
        cell.rect = grid.GetCellRect(node, c->Index());
        cell.selected = node == grid.GetFocusedNode() && c->Index() == grid.FocusedColumn();
        cell.brush_color = cell.selected ? framework::clHighlight : framework::clWindow;
        cell.text_color = cell.selected ? framework::clHighlightText : framework::clWindowText;
        cell.font = grid.Font().Handle();
        cell.multi_line = c->IsMemoColumn();
        cell.text = c->GetDisplayText(node, c->GetCellText(node));
        c->SetPaintedNode(node);
        editors::TdxEditViewData& data = c->GetViewData();
        c->PrepareViewData(data, cell);
        c->SetPaintedNode(nullptr);
        InflateRect(&data.Bounds, 2, 2);
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, cell.rect.left, cell.rect.top, cell.rect.right - 1,
                          cell.rect.bottom - 1);
        data.Paint(dc);
        RestoreDC(dc, saved);
      }
    }
    ReleaseDC(grid.Handle(), dc);
  }
};

TEST(TypedColumnsScreen, EachColumnPaintsItsCellsAndOpensItsEditorInPlace) {
  TypedScreen s;
  s.grid.SetFocusedCell(s.grid.Items(1), 0, true);
  Pump();
  s.PaintCells();
  const testsupport::ScreenCapture closed = testsupport::ScreenCapture::OfWindow(s.grid.Handle());
  closed.Save("treelist_typed_columns");
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  std::string blank;
  for (TdxTreeListColumn* c : s.columns) {
    RECT cell = s.grid.GetCellRect(s.grid.Items(0), c->Index());
    const RECT ink = closed.InkBox(closed.FromClient(s.grid.Handle(), cell), window);
    if (IsRectEmpty(&ink)) blank += c->Caption().size() ? std::string(1, c->Caption()[0]) : "?";
  }
  EXPECT_EQ(blank, "") << "cells of the first row that show nothing";
  for (TdxTreeListColumn* c : s.columns) {
    s.grid.SetFocusedCell(s.grid.Items(0), c->Index(), true);
    s.grid.ShowEditor();
    Pump();
    ASSERT_EQ(s.grid.State(), tsEditing) << c->ClassInfo().Name();
    s.PaintCells();
    editors::TdxInplaceEdit* editor = s.grid.InplaceEditor();
    RedrawWindow(editor->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    const std::string name = c->ClassInfo().Name().substr(11);  // after "TdxTreeList"
    testsupport::ScreenCapture::OfWindow(s.grid.Handle()).Save("treelist_typed_" + name);
    RECT placed{};
    GetWindowRect(editor->Handle(), &placed);
    RECT cell = s.grid.GetCellRect(s.grid.Items(0), c->Index());
    MapWindowPoints(s.grid.Handle(), nullptr, reinterpret_cast<POINT*>(&cell), 2);
    RECT overlap{};
    EXPECT_TRUE(IsWindowVisible(editor->Handle()) && IntersectRect(&overlap, &placed, &cell))
        << name << ": the editor covers its cell";
    s.grid.CancelEditor();
  }
}

// The mouse of a user over a grid of a name, a check and a pick column in the flat look: the
// pick cell under the mouse raises its button, and one click on a check box toggles it once.
TEST(TypedColumnsScreen, TheMouseRaisesADropDownButtonAndOneClickTogglesACheckBox) {
  EditingGrid editing({360, 150}, {340, 110});
  framework::TForm& form = editing.form;
  TCustomdxTreeListControl& grid = editing.grid;
  grid.SetLookAndFeel(TdxLookAndFeel::lfUltraFlat);
  grid.SetOptionsEx(grid.OptionsEx() | aoShowButtonAlways);
  auto* name = grid.CreateColumn<TdxTreeListColumn>();
  auto* check = grid.CreateColumn<TdxTreeListCheckColumn>();
  auto* pick = grid.CreateColumn<TdxTreeListPickColumn>();
  name->SetCaption(L"Layer");
  check->SetCaption(L"Used");
  pick->SetCaption(L"Direction");
  pick->SetItems({"horizontal", "vertical", "off"});
  pick->SetShowButtonStyle(TdxShowButtonStyle::sbAlways);
  for (TdxTreeListColumn* c : std::initializer_list<TdxTreeListColumn*>{name, check, pick})
    c->SetWidth(110);
  for (const wchar_t* layer : {L"Top", L"Inner1", L"Bottom"}) {
    TdxTreeListNode* node = grid.Add();
    grid.SetNodeString(node, name->Index(), layer);
    grid.SetNodeString(node, check->Index(), L"False");
    grid.SetNodeString(node, pick->Index(), L"vertical");
  }
  form.Show();
  ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
  Pump();

  const RECT hot_cell = grid.GetCellRect(grid.Items(2), pick->Index());
  const RECT cold_cell = grid.GetCellRect(grid.Items(1), pick->Index());
  testsupport::MoveMouse(grid.Handle(), {(hot_cell.left + hot_cell.right) / 2, hot_cell.top + 4});
  EXPECT_TRUE(testsupport::PumpUntil([&] { return grid.HotTrack().node == grid.Items(2); }));
  Pump();
  const testsupport::ScreenCapture hovered = testsupport::ScreenCapture::OfWindow(grid.Handle());
  hovered.Save("treelist_typed_mouse_over_drop_down");
  // The buttons: the last 17 pixels of each cell; the raised one differs from the flat one.
  const auto button = [&](const RECT& cell) {
    return hovered.FromClient(grid.Handle(), {cell.right - 17, cell.top, cell.right, cell.bottom});
  };
  const RECT hot_button = button(hot_cell), cold_button = button(cold_cell);
  int differing = 0;
  for (int y = 0; y < hot_button.bottom - hot_button.top; ++y) {
    for (int x = 0; x < hot_button.right - hot_button.left; ++x) {
      differing += hovered.Pixel(hot_button.left + x, hot_button.top + y) !=
                   hovered.Pixel(cold_button.left + x, cold_button.top + y);
    }
  }
  EXPECT_GT(differing, 10) << "the hovered cell's button stands up";

  const RECT box_cell = grid.GetCellRect(grid.Items(1), check->Index());
  testsupport::Click(grid.Handle(),
                     {(box_cell.left + box_cell.right) / 2, (box_cell.top + box_cell.bottom) / 2});
  ASSERT_TRUE(testsupport::PumpUntil([&] { return grid.State() == tsEditing; }));
  Pump();
  testsupport::ScreenCapture::OfWindow(grid.Handle()).Save("treelist_typed_check_clicked");
  EXPECT_NE(GetCapture(), grid.Handle());
  grid.CloseEditor();
  EXPECT_EQ(grid.GetNodeString(grid.Items(1), check->Index()), L"True")
      << "the press and the release of one click toggle once";
}

// Each border a pick column's form text names, on the screen around the popup its editor
// opens: the frame's outer pixels in the border's colour, the list inside it.
TEST(TypedColumnsScreen, ThePopupShowsTheBorderTheFormNames) {
  struct Case {
    const char* border;
    int top_left, bottom_right;  // system colours of the outer pixels
  };
  const Case cases[] = {{"pbDefault", COLOR_WINDOWFRAME, COLOR_WINDOWFRAME},
                        {"pbSingle", COLOR_WINDOWFRAME, COLOR_WINDOWFRAME},
                        {"pbFrame3D", COLOR_3DLIGHT, COLOR_3DDKSHADOW},
                        {"pbFlat", COLOR_BTNSHADOW, COLOR_BTNSHADOW}};
  RegisterTypedColumnClasses();
  EditingGrid editing({300, 200}, {280, 60});
  framework::TForm& form = editing.form;
  TCustomdxTreeListControl& grid = editing.grid;
  auto* pick = grid.CreateColumn<TdxTreeListPickColumn>();
  pick->SetCaption(L"Direction");
  pick->SetWidth(150);
  pick->SetItems({"horizontal", "vertical", "off"});
  grid.SetNodeString(grid.Add(), pick->Index(), L"vertical");
  form.Show();
  ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
  Pump();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.border);
    framework::ReadComponentText(
        *pick,
        std::string("object C: TdxTreeListPickColumn\n  PopupBorder = ") + c.border + "\nend\n",
        "border");
    grid.SetFocusedCell(grid.Items(0), pick->Index(), true);
    grid.ShowEditor();
    Pump();
    auto* editor = dynamic_cast<editors::TdxInplacePickEdit*>(grid.InplaceEditor());
    ASSERT_NE(editor, nullptr);
    HWND popup = editor->PopupHandle();
    ASSERT_NE(popup, nullptr);
    RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    Pump();
    const testsupport::ScreenCapture shot = testsupport::ScreenCapture::OfWindow(popup);
    shot.Save(std::string("treelist_popup_border_") + c.border);
    const int w = shot.width(), h = shot.height();
    EXPECT_FALSE(testsupport::ColoursDiffer(shot.Pixel(0, 0), GetSysColor(c.top_left), 8));
    EXPECT_FALSE(
        testsupport::ColoursDiffer(shot.Pixel(w - 1, h - 1), GetSysColor(c.bottom_right), 8));
    EXPECT_FALSE(testsupport::ColoursDiffer(shot.Pixel(w / 2, h - 3), GetSysColor(COLOR_WINDOW), 8))
        << "the list inside";
    grid.CancelEditor();
  }
}

// The blob column's memo and picture popups and the graphic column's tool bar as a user opens
// them with the keyboard and the mouse: the memo takes typing with the focus in its popup and
// shows its scroll bar and selection bar, and the picture popup's menu copies the picture when
// its item is clicked. The popups go to build/pictures/ with their frames.
TEST(TypedColumnsScreen, TheBlobPopupsAndTheGraphicToolBarAsAUserOpensThem) {
  RegisterTypedColumnClasses();
  EditingGrid editing({420, 150}, {400, 110});
  framework::TForm& form = editing.form;
  TCustomdxTreeListControl& grid = editing.grid;
  auto* memo = grid.CreateColumn<TdxTreeListBlobColumn>();
  auto* picture = grid.CreateColumn<TdxTreeListBlobColumn>();
  auto* graphic = grid.CreateColumn<TdxTreeListGraphicColumn>();
  framework::ReadComponentText(*memo,
                               "object Notes: TdxTreeListBlobColumn\n  Caption = 'Notes'\n"
                               "  MemoScrollBars = ssVertical\n  MemoSelectionBar = True\n"
                               "  Width = 120\nend\n",
                               "memo");
  framework::ReadComponentText(*picture,
                               "object Photo: TdxTreeListBlobColumn\n  BlobEditKind = bekPict\n"
                               "  Caption = 'Photo'\n  PictureAutoSize = False\n"
                               "  PopupHeight = 80\n  PopupWidth = 120\n"
                               "  ShowExPopupItems = True\n  ShowPicturePopup = True\n"
                               "  Width = 120\nend\n",
                               "picture");
  graphic->SetCaption(L"Graphic");
  graphic->SetWidth(120);
  std::wstring lines;
  for (int i = 1; i <= 12; ++i) lines += L"line " + std::to_wstring(i) + L"\r\n";
  TdxTreeListNode* node = grid.Add();
  grid.SetNodeString(node, memo->Index(), lines);
  grid.SetNodeString(node, picture->Index(), SmallPicture());
  grid.SetNodeString(node, graphic->Index(), SmallPicture());
  form.Show();
  ASSERT_TRUE(testsupport::BringToFront(form.Handle()));
  Pump();
  const auto open_popup = [&](TdxTreeListColumn& column) -> HWND {
    grid.SetFocusedCell(node, column.Index(), true);
    grid.ShowEditor();
    Pump();
    testsupport::PressKey(VK_F4);
    auto* editor = dynamic_cast<editors::TdxInplaceDropDownEdit*>(grid.InplaceEditor());
    return editor && testsupport::PumpUntil([&] { return editor->DroppedDown(); })
               ? editor->PopupHandle()
               : nullptr;
  };

  HWND popup = open_popup(*memo);
  ASSERT_NE(popup, nullptr);
  HWND edit = GetFocus();
  ASSERT_TRUE(IsChild(popup, edit)) << "the focus is in the popup";
  testsupport::TypeText(L"typed");
  Pump();
  const testsupport::ScreenCapture memo_shot = testsupport::ScreenCapture::OfWindow(popup);
  memo_shot.Save("treelist_blob_memo_popup");
  EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & WS_VSCROLL) << "twelve lines overflow";
  testsupport::Click(edit, {3, 5});  // the selection bar beside the top line
  const testsupport::ScreenCapture selected = testsupport::ScreenCapture::OfWindow(edit);
  selected.Save("treelist_blob_memo_popup_line_selected");
  EXPECT_GT(
      selected.ShareOf(selected.FromClient(edit, {8, 0, 60, 12}), GetSysColor(COLOR_HIGHLIGHT)),
      0.3)
      << "a click in the selection bar selects the line";
  testsupport::PressKey(VK_RETURN, {VK_CONTROL});
  Pump();
  grid.CloseEditor();
  EXPECT_EQ(grid.GetNodeString(node, memo->Index()), lines + L"typed");

  popup = open_popup(*picture);
  ASSERT_NE(popup, nullptr);
  testsupport::ScreenCapture::OfWindow(popup).Save("treelist_blob_picture_popup");
  ASSERT_TRUE(OpenClipboard(popup));
  EmptyClipboard();
  CloseClipboard();
  bool menu_seen = false;
  testsupport::WhileModal(
      [&] {
        testsupport::RightClick(popup, {60, 40});
        testsupport::PumpUntil([&] { return IsClipboardFormatAvailable(CF_BITMAP) != 0; });
      },
      [&] {
        HWND menu = nullptr;
        for (int i = 0; i < 200 && !menu; ++i, Sleep(10)) {
          menu = FindWindowW(L"#32768", nullptr);
          if (menu && !IsWindowVisible(menu)) menu = nullptr;
        }
        if (!menu) return;
        menu_seen = true;
        testsupport::ScreenCapture::OfScreen().Save("treelist_blob_picture_menu");
        auto hmenu = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        RECT copy{};
        GetMenuItemRect(nullptr, hmenu, 1, &copy);
        POINT at{(copy.left + copy.right) / 2, (copy.top + copy.bottom) / 2};
        ScreenToClient(menu, &at);
        testsupport::Click(menu, at);
      });
  EXPECT_TRUE(menu_seen) << "a right click on the picture shows its menu";
  EXPECT_TRUE(IsClipboardFormatAvailable(editors::PictureClipboardFormat())) << "Copy clicked";
  testsupport::PressKey(VK_ESCAPE);
  Pump();
  grid.CloseEditor();

  grid.SetFocusedCell(node, graphic->Index(), true);
  grid.ShowEditor();
  Pump();
  auto* graphic_editor = dynamic_cast<editors::TdxInplaceGraphicEdit*>(grid.InplaceEditor());
  ASSERT_NE(graphic_editor, nullptr);
  testsupport::RightClick(graphic_editor->Handle(), {10, 5});
  ASSERT_TRUE(testsupport::PumpUntil([&] { return graphic_editor->ToolBarShowing(); }));
  Pump();
  const testsupport::ScreenCapture bar =
      testsupport::ScreenCapture::OfWindow(graphic_editor->ToolBarHandle());
  bar.Save("treelist_graphic_tool_bar");
  EXPECT_GT(bar.ShareOf({0, 0, bar.width(), bar.height()}, GetSysColor(COLOR_BTNFACE)), 0.5)
      << "the bar shows under the editor, not at the place no screen has";
  grid.CancelEditor();
}

}  // namespace
