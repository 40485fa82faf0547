// The columns-customizing form, its pages and lists, and what the grid with columns answers the
// drags about it: which items it lists, whether it is open and whether a point lies on it.
#include "treelist/customize/customizing_form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "editors/gdi_scope.h"
#include "framework/screen.h"
#include "treelist/columns/bands.h"
#include "treelist/columns/column.h"
#include "treelist/core/grid_helpers.h"
#include "treelist/view/grid_view.h"
#include "treelist/input/interaction_state.h"
#include "treelist/view/painter.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist {
namespace {

constexpr UINT kCaptionText = 38920, kBandsText = 38921, kHeadersText = 38922;
constexpr int kMargin = 4;
constexpr int kCaptionPadding = 24;  // beside a caption in its cell
constexpr int kLeastListWidth = 120;

int EdgeWidth() { return GetSystemMetrics(SM_CXEDGE); }

}  // namespace

// ---- the lists -------------------------------------------------------------------------------

TdxCustomizeList::TdxCustomizeList(framework::TComponent* owner, TCustomdxTreeListControl& grid,
                                   bool bands)
    : TCustomControl(owner), grid_(grid), bands_(bands) {
  SetTabStop(true);
}

void TdxCustomizeList::CreateParams(framework::TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.style |= WS_VSCROLL;
  params.ex_style |= WS_EX_CLIENTEDGE;
}

void TdxCustomizeList::AfterCreateWnd() {
  TCustomControl::AfterCreateWnd();
  Items();
  UpdateScrollBar();  // a new window (the list moved to another page) has a bar of its own
}

const std::vector<int>& TdxCustomizeList::Items() {
  if (!stale_) return items_;
  stale_ = false;
  items_.clear();
  const int count = bands_ ? grid_.Bands().Count() : grid_.ColumnCount();
  for (int i = 0; i < count; ++i) {
    if (bands_ ? grid_.IsBandInCustomizeBox(i) : grid_.IsColumnInCustomizeBox(i)) {
      items_.push_back(i);
    }
  }
  if (pressed_ >= static_cast<int>(items_.size())) CancelPress();
  top_index_ =
      std::clamp(top_index_, 0, std::max(static_cast<int>(items_.size()) - VisibleRows(), 0));
  UpdateScrollBar();
  return items_;
}

void TdxCustomizeList::ItemsChanged() {
  stale_ = true;
  Invalidate();
}

int TdxCustomizeList::ItemHeight() const {
  const Metrics& metrics = grid_.GetMetrics();
  const int band = metrics.band_line_height;
  return std::max(bands_ && band > 0 ? band : metrics.header_line_height, 1);
}

int TdxCustomizeList::VisibleRows() const { return grid_.CustomizingRowCount(); }

void TdxCustomizeList::SetTopIndex(int index) {
  const int count = static_cast<int>(Items().size());
  index = std::clamp(index, 0, std::max(count - VisibleRows(), 0));
  if (index == top_index_) return;
  top_index_ = index;
  UpdateScrollBar();
  Invalidate();
}

void TdxCustomizeList::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO bar{sizeof bar,
                 SIF_RANGE | SIF_PAGE | SIF_POS,
                 0,
                 std::max(static_cast<int>(items_.size()) - 1, 0),
                 static_cast<UINT>(VisibleRows()),
                 top_index_,
                 0};
  SetScrollInfo(hwnd_, SB_VERT, &bar, TRUE);
}

RECT TdxCustomizeList::ItemRect(int index) const {
  const int height = ItemHeight();
  const int top = (index - top_index_) * height;
  return {0, top, ClientRect().right, top + height};
}

int TdxCustomizeList::ItemAt(POINT point) {
  const RECT client = ClientRect();
  if (!PtInRect(&client, point)) return -1;
  const int index = top_index_ + point.y / ItemHeight();
  return index < static_cast<int>(Items().size()) ? index : -1;
}

void TdxCustomizeList::PaintWindow(HDC dc) {
  const RECT client = ClientRect();
  const framework::TColor background = grid_.Color();
  win::UniqueBrush brush(CreateSolidBrush(framework::ColorToRGB(background)));
  FillRect(dc, &client, brush.get());
  const std::vector<int>& items = Items();
  const auto face =
      bands_ ? TCustomdxTreeList::TreeListColor::Band : TCustomdxTreeList::TreeListColor::Header;
  const HFONT font = (bands_ ? grid_.BandFont() : grid_.HeaderFont()).Handle();
  const HeaderModel& model = grid_.GetHeaderModel();
  for (int i = top_index_; i < static_cast<int>(items.size()); ++i) {
    const RECT cell = ItemRect(i);
    if (cell.top >= client.bottom) break;
    HeaderCaption caption;
    if (bands_) {
      const BandSpec band = grid_.CustomizingBandSpec(items[i]);
      caption.text = band.caption;
      caption.align = band.align;
    } else {
      // The header's look, sort mark and glyph included; the caption even where the header
      // hides it: here it is all that names the column.
      caption = ColumnCaption(model.columns[items[i]]);
      caption.text = grid_.Columns(items[i])->Caption();
    }
    DrawHeaderCell(dc, cell, caption, font, grid_.LookAndFeel(),
                   framework::ColorToRGB(grid_.GetColor(face)), GetSysColor(COLOR_BTNTEXT));
  }
}

void TdxCustomizeList::Scroll(WORD code) {
  const int page = VisibleRows();
  switch (code) {
    case SB_LINEUP: SetTopIndex(top_index_ - 1); break;
    case SB_LINEDOWN: SetTopIndex(top_index_ + 1); break;
    case SB_PAGEUP: SetTopIndex(top_index_ - page); break;
    case SB_PAGEDOWN: SetTopIndex(top_index_ + page); break;
    case SB_TOP: SetTopIndex(0); break;
    case SB_BOTTOM: SetTopIndex(static_cast<int>(Items().size())); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO bar{sizeof bar, SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(hwnd_, SB_VERT, &bar);
      SetTopIndex(bar.nTrackPos);
      break;
    }
    default: break;
  }
}

void TdxCustomizeList::MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != framework::TMouseButton::mbLeft) return;
  if (CanFocus()) SetFocus();  // Escape comes here then
  pressed_ = ItemAt({x, y});
  down_ = {x, y};
  if (pressed_ >= 0) SetCapture(hwnd_);
}

void TdxCustomizeList::MouseMove(unsigned shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (pressed_ < 0) return;
  if (std::abs(x - down_.x) <= GetSystemMetrics(SM_CXDRAG) / 2 &&
      std::abs(y - down_.y) <= GetSystemMetrics(SM_CYDRAG) / 2) {
    return;
  }
  const std::vector<int>& items = Items();  // a list grown shorter ends the press
  if (pressed_ < 0) return;
  const int item = items[std::exchange(pressed_, -1)];
  // The grid takes the mouse and runs the drag as one of its own.
  if (bands_) {
    grid_.StartBandDragFromCustomizing(item);
  } else {
    grid_.StartHeaderDragFromCustomizing(item);
  }
}

void TdxCustomizeList::MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  CancelPress();
}

void TdxCustomizeList::CancelPress() {
  pressed_ = -1;
  if (GetCapture() == hwnd_) ReleaseCapture();
}

void TdxCustomizeList::KeyDown(WORD& key, unsigned shift) {
  TCustomControl::KeyDown(key, shift);
  if (key != VK_ESCAPE) return;
  if (auto* form = dynamic_cast<TdxTreeListCustomizeForm*>(framework::GetParentForm(this))) {
    form->Escape();
    key = 0;
  }
}

void TdxCustomizeList::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case WM_VSCROLL: Scroll(LOWORD(message.wParam)); return;
    case WM_MOUSEWHEEL: {
      UINT lines = 3;
      SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      wheel_rest_ += GET_WHEEL_DELTA_WPARAM(message.wParam);
      const int notches = wheel_rest_ / WHEEL_DELTA;
      wheel_rest_ %= WHEEL_DELTA;
      const int step = lines == WHEEL_PAGESCROLL ? VisibleRows()
                                                 : std::min(static_cast<int>(lines), VisibleRows());
      SetTopIndex(top_index_ - notches * step);
      return;
    }
    case WM_CANCELMODE:
      CancelPress();
      // The focus stays here while the grid drags an item from this list: the cancel is the
      // drag's too.
      grid_.EndInteraction();
      break;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(message.lParam) != hwnd_) pressed_ = -1;
      break;
    case WM_GETDLGCODE: message.result = DLGC_WANTARROWS; return;
  }
  TCustomControl::WndProc(message);
}

// ---- the pages -------------------------------------------------------------------------------

TdxCustomizePages::TdxCustomizePages(framework::TComponent* owner) : TWinControl(owner) {
  SetName("PageControl");
}

void TdxCustomizePages::CreateParams(framework::TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = WC_TABCONTROLW;
  params.style |= TCS_FOCUSNEVER;  // the keys stay with the list, Escape included
}

void TdxCustomizePages::AfterCreateWnd() {
  TWinControl::AfterCreateWnd();
  InsertTabs();
}

void TdxCustomizePages::SetPages(std::vector<Page> pages) {
  pages_ = std::move(pages);
  active_ = 0;
  InsertTabs();
}

void TdxCustomizePages::InsertTabs() {
  if (!HandleAllocated()) return;
  TabCtrl_DeleteAllItems(hwnd_);
  for (size_t i = 0; i < pages_.size(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = pages_[i].first.data();
    SendMessageW(hwnd_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  TabCtrl_SetCurSel(hwnd_, active_);
  PlaceLists();
}

void TdxCustomizePages::SetActivePageIndex(int index) {
  if (index < 0 || index >= PageCount()) return;
  active_ = index;
  if (HandleAllocated()) TabCtrl_SetCurSel(hwnd_, index);
  PlaceLists();
}

SIZE TdxCustomizePages::SizeAround(SIZE page) {
  RECT rect{0, 0, page.cx, page.cy};
  TabCtrl_AdjustRect(Handle(), TRUE, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void TdxCustomizePages::PlaceLists() {
  if (!HandleAllocated()) return;
  RECT area = ClientRect();
  TabCtrl_AdjustRect(hwnd_, FALSE, &area);
  for (int i = 0; i < PageCount(); ++i) {
    TdxCustomizeList* list = pages_[i].second;
    list->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
    list->SetVisible(i == active_);
  }
}

void TdxCustomizePages::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case framework::CN_NOTIFY:
      if (reinterpret_cast<NMHDR*>(message.lParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
        SetActivePageIndex(TabCtrl_GetCurSel(hwnd_));
      }
      return;
    case WM_SIZE:
      TWinControl::WndProc(message);
      PlaceLists();
      return;
  }
  TWinControl::WndProc(message);
}

// ---- the form --------------------------------------------------------------------------------

TdxTreeListCustomizeForm::TdxTreeListCustomizeForm(TCustomdxTreeListControl& grid)
    : TForm(nullptr),
      grid_(grid),
      pages_(new TdxCustomizePages(this)),
      bands_(new TdxCustomizeList(this, grid, true)),
      headers_(new TdxCustomizeList(this, grid, false)) {
  const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  SetBorderStyle(framework::TFormBorderStyle::bsToolWindow);
  SetCaption(ModuleText(kCaptionText));
  pages_->SetParent(this);
}

void TdxTreeListCustomizeForm::CreateParams(framework::TCreateParams& params) {
  TForm::CreateParams(params);
  // Owned by the grid's own window: above it, minimized and closed with it.
  params.parent = GetAncestor(grid_.Handle(), GA_ROOT);
}

void TdxTreeListCustomizeForm::Open() {
  ItemsChanged();
  const bool simple = grid_.SimpleCustomizeBox;
  has_bands_page_ = !simple && grid_.ShowBands();
  const int width = ListWidth();
  SIZE client{};
  if (simple) {
    pages_->SetVisible(false);
    headers_->SetParent(this);
    const SIZE list = ListSize(*headers_, width);
    headers_->SetBounds(kMargin, kMargin, list.cx, list.cy);
    headers_->SetVisible(true);
    client = list;
  } else {
    bands_->SetParent(pages_);
    headers_->SetParent(pages_);
    std::vector<TdxCustomizePages::Page> pages;
    if (has_bands_page_) pages.emplace_back(ModuleText(kBandsText), bands_);
    pages.emplace_back(ModuleText(kHeadersText), headers_);
    pages_->SetPages(std::move(pages));
    const SIZE band_list = ListSize(*bands_, width), header_list = ListSize(*headers_, width);
    const SIZE page{width, std::max(has_bands_page_ ? band_list.cy : 0, header_list.cy)};
    client = pages_->SizeAround(page);
    pages_->SetBounds(kMargin, kMargin, client.cx, client.cy);
    pages_->SetVisible(true);
    pages_->SetActivePageIndex(pages_->PageCount() - 1);  // the headers
  }
  SetClientSize(client.cx + 2 * kMargin, client.cy + 2 * kMargin);
  PlaceBesideGrid();
  Show();
}

bool TdxTreeListCustomizeForm::IsOpen() const { return HandleAllocated() && Visible(); }

int TdxTreeListCustomizeForm::ListWidth() {
  const win::UniqueMemoryDc measure = MeasureDC();
  int widest = 0;
  const auto measure_in = [&](framework::TFont& font, const std::wstring& text) {
    editors::SelectScope keep(measure.get(), font.Handle());
    SIZE size{};
    GetTextExtentPoint32W(measure.get(), text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max<int>(widest, size.cx);
  };
  for (int i = 0; i < grid_.Bands().Count(); ++i) {
    measure_in(grid_.BandFont(), grid_.Bands().Items(i)->Caption());
  }
  for (int i = 0; i < grid_.ColumnCount(); ++i) {
    measure_in(grid_.HeaderFont(), grid_.Columns(i)->Caption());
  }
  return std::max(widest + kCaptionPadding, kLeastListWidth) + GetSystemMetrics(SM_CXVSCROLL) +
         2 * EdgeWidth();
}

SIZE TdxTreeListCustomizeForm::ListSize(const TdxCustomizeList& list, int width) const {
  return {width, grid_.CustomizingRowCount() * list.ItemHeight() + 2 * EdgeWidth()};
}

void TdxTreeListCustomizeForm::PlaceBesideGrid() {
  RECT grid{};
  GetWindowRect(grid_.Handle(), &grid);
  const RECT area = framework::Screen().WorkArea();
  const int left = std::clamp<int>(grid.right - Width(), area.left, area.right - Width());
  const int top = std::clamp<int>(grid.bottom - Height(), area.top, area.bottom - Height());
  SetBounds(left, top, Width(), Height());
}

void TdxTreeListCustomizeForm::ActivatePage(bool headers) {
  if (!pages_->Visible() || (!headers && !has_bands_page_)) return;
  pages_->SetActivePageIndex(headers ? pages_->PageCount() - 1 : 0);
}

void TdxTreeListCustomizeForm::ItemsChanged() {
  bands_->ItemsChanged();
  headers_->ItemsChanged();
}

void TdxTreeListCustomizeForm::Escape() {
  for (TdxCustomizeList* list : {bands_, headers_}) {
    if (list->Pressed()) {
      list->CancelPress();
      return;
    }
  }
  if (grid_.GetInteraction().ItemDragging()) {
    grid_.EndInteraction();
    return;
  }
  grid_.EndColumnsCustomizing();
}

void TdxTreeListCustomizeForm::WndProc(framework::TMessage& message) {
  if (message.msg == WM_CLOSE) {
    grid_.EndColumnsCustomizing();  // hidden, kept for the next time
    return;
  }
  TForm::WndProc(message);
}

void TdxTreeListCustomizeForm::KeyDown(WORD& key, unsigned shift) {
  TForm::KeyDown(key, shift);
  if (key != VK_ESCAPE) return;
  Escape();
  key = 0;
}

// ---- what the grid answers about its form ----------------------------------------------------

void CustomizeFormDelete::operator()(TdxTreeListCustomizeForm* form) const noexcept { delete form; }

void TCustomdxTreeListControl::ColumnsCustomizing() {
  if (!customize_form_) customize_form_.reset(new TdxTreeListCustomizeForm(*this));
  customize_form_->Open();
}

void TCustomdxTreeListControl::EndColumnsCustomizing() {
  if (!IsCustomizingHeaders()) return;
  customize_form_->Hide();
  OnEndColumnsCustomizing(this);
}

void TCustomdxTreeListControl::NotifyCustomizeForm() {
  if (customize_form_) customize_form_->ItemsChanged();
}

bool TCustomdxTreeListControl::IsBandInCustomizeBox(int band) const {
  const TdxTreeListBand* b = Bands().Items(band);
  return b && !b->Visible() && !b->DisableCustomizing();
}

bool TCustomdxTreeListControl::IsColumnInCustomizeBox(int column) const {
  const TdxTreeListColumn* c = Columns(column);
  if (!c || c->DisableCustomizing()) return false;
  const TdxTreeListBand* band = Bands().Items(c->BandIndex());
  if (!c->Visible() || !band) return true;
  return ShowHiddenInCustomizeBox && !band->Visible();
}

bool TCustomdxTreeListControl::IsCustomizingBands() const {
  return IsCustomizingHeaders() && customize_form_->HasBandsPage();
}

bool TCustomdxTreeListControl::IsCustomizingHeaders() const {
  return customize_form_ && customize_form_->IsOpen();
}

bool TCustomdxTreeListControl::IsOverCustomizing(POINT screen) const {
  if (!IsCustomizingHeaders()) return false;
  RECT form{};
  GetWindowRect(customize_form_->Handle(), &form);
  return PtInRect(&form, screen);
}

void TCustomdxTreeListControl::ActivateCustomizingPage(bool headers) {
  if (IsCustomizingHeaders()) customize_form_->ActivatePage(headers);
}

void TCustomdxTreeListControl::RepaintCustomizing() {
  if (!IsCustomizingHeaders()) return;
  RedrawWindow(customize_form_->Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

BandSpec TCustomdxTreeListControl::CustomizingBandSpec(int band) const {
  const TdxTreeListBand* b = Bands().Items(band);
  if (!b) return {};
  BandSpec spec;
  spec.caption = b->Caption();
  spec.width = b->Width();
  spec.min_width = b->MinWidth();
  spec.align = editors::HorizontalFormat(b->Alignment());
  return spec;
}

}  // namespace treelist
