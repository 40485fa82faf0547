// The own-drawn drop-down list.
#include "controls/xp_combobox.h"

#include <windowsx.h>

#include <algorithm>
#include <cwctype>

#include "framework/theme_services.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "controls/window_services.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_graphics.h"

namespace controls {

namespace {

const std::vector<std::string> kStyleNames = {"csDropDownList"};

// The drop-down button of the combo-box theme.
constexpr int kComboButtonPart = 1;
constexpr int kComboNormal = 1, kComboHot = 2, kComboPressed = 3, kComboDisabled = 4;
constexpr int kSkinStates = 4, kTextIndent = 3;

int ItemHeight(HDC dc) {
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  return metrics.tmHeight + 2;
}

// The arrow glyphs (enabled left, disabled right) on the transparent key colour.
void DrawComboArrow(HDC dc, const RECT& button, bool enabled) {
  static const win::UniqueBitmap arrows(
      static_cast<HBITMAP>(LoadImageW(win::ThisModule(), L"XPCOMBO", IMAGE_BITMAP, 0, 0, 0)));
  BITMAP info = {};
  if (!arrows || !GetObjectW(arrows.get(), sizeof info, &info)) return;
  const int width = info.bmWidth / 2, height = info.bmHeight;
  win::UniqueMemoryDc source(CreateCompatibleDC(dc));
  const HGDIOBJ old = SelectObject(source.get(), arrows.get());
  TransparentDraw(dc, (button.left + button.right - width) / 2,
                  (button.top + button.bottom - height) / 2, RGB(255, 0, 255), source.get(),
                  enabled ? 0 : width, 0, width, height);
  SelectObject(source.get(), old);
}

}  // namespace

// The open list: a top-level window beside the control's form that takes the mouse while open;
// the keyboard stays with the control.
class TXPComboList : public framework::TCustomControl {
 public:
  explicit TXPComboList(TXPComboBox& combo) : TCustomControl(&combo), combo_(combo) {}
  int Hot() const noexcept { return hot_; }
  void SetHot(int index) {
    const int count = static_cast<int>(combo_.items_.size());
    index = count == 0 ? -1 : std::clamp(index, 0, count - 1);
    if (index == hot_) return;
    hot_ = index;
    if (hot_ >= 0 && hot_ < top_) top_ = hot_;
    if (hot_ >= top_ + Rows()) top_ = hot_ - Rows() + 1;
    Invalidate();
  }
  int Rows() const { return std::min<int>(combo_.drop_down_count_, combo_.items_.size()); }

  void Open() {
    hot_ = -1;
    top_ = 0;
    SetHot(combo_.item_index_);
    const HWND combo = combo_.Handle();
    RECT control;
    GetWindowRect(combo, &control);
    HDC dc = GetDC(combo);
    const SelectedFont font(dc, combo_.Font().Handle());
    row_height_ = ItemHeight(dc);
    ReleaseDC(combo, dc);
    const SIZE size = {control.right - control.left, std::max(1, Rows()) * row_height_ + 2};
    MONITORINFO monitor = {};
    const POINT centre = {(control.left + control.right) / 2, (control.top + control.bottom) / 2};
    RECT bounds = {control.left, control.bottom, control.left + size.cx, control.bottom + size.cy};
    if (GetMonitorInfoAtPoint(centre, monitor))
      bounds = DropDownBounds(control, size, monitor.rcWork);
    SetWindowPos(Handle(), HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetCapture(Handle());
  }
  // Hidden before the mouse is let go, so that losing the mouse finds the list shut.
  void Close() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    if (GetCapture() == hwnd_) ReleaseCapture();
  }
  bool IsOpen() const { return hwnd_ && IsWindowVisible(hwnd_); }

  void WndProc(framework::TMessage& message) override {
    switch (message.msg) {
      case WM_MOUSEMOVE: {
        const int row = RowAt(message.lParam);
        if (row >= 0) SetHot(row);
        return;
      }
      case WM_LBUTTONDOWN:
        // A press outside the list (it holds the mouse) closes it.
        if (RowAt(message.lParam) < 0) combo_.CloseUp(false);
        return;
      case WM_LBUTTONUP:
        if (RowAt(message.lParam) >= 0) combo_.CloseUp(true);
        return;
      case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(message.lParam) != hwnd_ && IsOpen()) combo_.CloseUp(false);
        return;
      case WM_MOUSEACTIVATE: message.result = MA_NOACTIVATE; return;
      case WM_ERASEBKGND: message.result = 1; return;
    }
    TCustomControl::WndProc(message);
  }

 protected:
  void CreateParams(framework::TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.style = WS_POPUP | WS_BORDER | WS_CLIPSIBLINGS;
    params.ex_style = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.parent = GetAncestor(combo_.Handle(), GA_ROOT);
  }
  void Paint() override {
    framework::TCanvas& canvas = Canvas();
    const HDC dc = canvas.Handle();
    const RECT client = ClientRect();
    const XPColorPalette& palette = XPPalette();
    canvas.Brush().SetColor(palette.clXPWindow);
    canvas.FillRect(client);
    const SelectedFont font(dc, combo_.Font().Handle());
    const int count = static_cast<int>(combo_.items_.size());
    for (int i = top_; i < count && i < top_ + Rows(); ++i) {
      const RECT row = {0, (i - top_) * row_height_, client.right, (i - top_ + 1) * row_height_};
      COLORREF ink = framework::ColorToRGB(combo_.Font().Color());
      if (i == hot_) {
        canvas.Brush().SetColor(palette.clXPHighlight);
        canvas.FillRect(row);
        ink = framework::ColorToRGB(palette.clXPHighlightText);
      }
      RECT text = row;
      text.left += kTextIndent;
      DrawCaption(dc, text, combo_.items_[i], true, ink, DT_LEFT | DT_VCENTER | DT_NOPREFIX);
    }
  }

 private:
  // The row under a point of the client area; -1 outside the list.
  int RowAt(LPARAM lparam) const {
    const POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    const RECT client = ClientRect();
    if (!PtInRect(&client, point) || row_height_ <= 0) return -1;
    const int row = top_ + point.y / row_height_;
    return row < static_cast<int>(combo_.items_.size()) ? row : -1;
  }

  TXPComboBox& combo_;
  int hot_ = -1;
  int top_ = 0;
  int row_height_ = 16;
};

RECT DropDownBounds(const RECT& control, SIZE list, const RECT& work_area) {
  const LONG below = work_area.bottom - control.bottom, above = control.top - work_area.top;
  LONG top = control.bottom, height = list.cy;
  if (list.cy > below) {
    if (list.cy <= above || above > below) {
      height = std::min<LONG>(list.cy, above);
      top = control.top - height;
    } else {
      height = below;
    }
  }
  const LONG width = std::min<LONG>(list.cx, work_area.right - work_area.left);
  const LONG left = std::clamp<LONG>(control.left, work_area.left, work_area.right - width);
  return {left, top, left + width, top + height};
}

const framework::TClassInfo& TXPComboBox::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPComboBox, TXPCustomControl>("TXPComboBox")
          .Int("DropDownCount", &TXPComboBox::DropDownCount, &TXPComboBox::SetDropDownCount, 8)
          .Strings("Items", &TXPComboBox::ItemsText, &TXPComboBox::SetItemsText)
          .Int("ItemIndex", &TXPComboBox::ItemIndex, &TXPComboBox::SetItemIndex, -1)
          .Enum("Style", &TXPComboBox::Style, &TXPComboBox::SetStyle, kStyleNames,
                TXPComboBoxStyle::csDropDownList)
          .Bool("TabStop", &TXPComboBox::TabStop, &TXPComboBox::SetTabStop, true)
          .Event("OnChange", &TXPComboBox::OnChange);
  return info;
}

TXPComboBox::TXPComboBox(framework::TComponent* owner) : TXPCustomControl(owner) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetColor(framework::clWindow);
  SetParentColor(false);
}

TXPComboBox::~TXPComboBox() {
  // The list, freed after this part of the control, must not call back into it.
  if (DroppedDown()) list_->Close();
}

std::vector<std::string> TXPComboBox::ItemsText() const {
  std::vector<std::string> lines;
  for (const std::wstring& item : items_) lines.push_back(win::Narrow(item));
  return lines;
}

void TXPComboBox::SetItemsText(const std::vector<std::string>& lines) {
  std::vector<std::wstring> items;
  for (const std::string& line : lines) items.push_back(win::Widen(line));
  SetItems(std::move(items));
}

void TXPComboBox::SetItems(std::vector<std::wstring> items) {
  items_ = std::move(items);
  // While loading, Items may follow ItemIndex: Loaded checks the index.
  if (!(ComponentState() & framework::csLoading)) SetItemIndex(item_index_);
  RedrawControl();
}

void TXPComboBox::SetItemIndex(int index) {
  if (!(ComponentState() & framework::csLoading) &&
      (index < 0 || index >= static_cast<int>(items_.size()))) {
    index = -1;
  }
  item_index_ = index;
  SetText(index >= 0 && index < static_cast<int>(items_.size()) ? items_[index] : L"");
  RedrawControl();
}

void TXPComboBox::Loaded() {
  TXPCustomControl::Loaded();
  SetItemIndex(item_index_);
}

void TXPComboBox::Choose(int index) {
  if (items_.empty()) return;
  index = std::clamp(index, 0, static_cast<int>(items_.size()) - 1);
  if (index == item_index_) return;
  SetItemIndex(index);
  OnChange(this);
}

bool TXPComboBox::DroppedDown() const noexcept { return list_ && list_->IsOpen(); }

HWND TXPComboBox::ListHandle() const {
  return list_ && list_->HandleAllocated() ? list_->Handle() : nullptr;
}

void TXPComboBox::SetDroppedDown(bool value) {
  if (value == DroppedDown()) return;
  if (!value) {
    list_->Close();
  } else if (Enabled() && !items_.empty()) {
    if (!list_) list_ = new TXPComboList(*this);
    list_->Open();
  }
  RedrawControl();
}

void TXPComboBox::CloseUp(bool accept) {
  if (!DroppedDown()) return;
  const int chosen = list_->Hot();
  SetDroppedDown(false);
  if (accept && chosen >= 0) Choose(chosen);
}

void TXPComboBox::KeyDown(WORD& key, unsigned shift) {
  TXPCustomControl::KeyDown(key, shift);
  const bool alt = shift & framework::ssAlt;
  if (key == VK_F4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    if (DroppedDown()) {
      CloseUp(true);
    } else {
      SetDroppedDown(true);
    }
    key = 0;
    return;
  }
  if (DroppedDown()) {
    if (key == VK_RETURN || key == VK_ESCAPE) {
      CloseUp(key == VK_RETURN);
      key = 0;
      return;
    }
  }
  const int current = DroppedDown() ? list_->Hot() : item_index_;
  const int page = std::max(1, drop_down_count_ - 1);
  const int last = static_cast<int>(items_.size()) - 1;
  int target;
  switch (key) {
    case VK_UP:
    case VK_LEFT: target = current - 1; break;
    case VK_DOWN:
    case VK_RIGHT: target = current + 1; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = last; break;
    case VK_PRIOR: target = current - page; break;
    case VK_NEXT: target = current + page; break;
    default: return;
  }
  key = 0;
  if (current < 0 && target < 0) target = 0;  // from no choice, Up chooses the first item too
  if (DroppedDown()) {
    list_->SetHot(target);
  } else {
    Choose(target);
  }
}

void TXPComboBox::KeyPress(wchar_t& key) {
  TXPCustomControl::KeyPress(key);
  if (key < L' ' || items_.empty()) return;
  // The next item after the current one whose text begins with the letter, wrapping round.
  const int count = static_cast<int>(items_.size());
  const int current = DroppedDown() ? list_->Hot() : item_index_;
  for (int step = 1; step <= count; ++step) {
    const int i = ((current < 0 ? -1 : current) + step + count) % count;
    if (!items_[i].empty() && std::towupper(items_[i][0]) == std::towupper(key)) {
      if (DroppedDown()) {
        list_->SetHot(i);
      } else {
        Choose(i);
      }
      break;
    }
  }
  key = 0;
}

void TXPComboBox::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case WM_GETDLGCODE:
      message.result = DLGC_WANTARROWS | DLGC_WANTCHARS | (DroppedDown() ? DLGC_WANTALLKEYS : 0);
      return;
    // The system's list messages, so that programs without our classes can choose an item.
    case CB_GETCOUNT: message.result = static_cast<LRESULT>(items_.size()); return;
    case CB_GETCURSEL: message.result = item_index_; return;
    case CB_SETCURSEL:
      SetItemIndex(static_cast<int>(message.wParam));
      message.result = item_index_;
      return;
    case CB_FINDSTRINGEXACT: {
      const auto* text = reinterpret_cast<const wchar_t*>(message.lParam);
      message.result = CB_ERR;
      for (size_t i = 0; text && i < items_.size(); ++i) {
        if (_wcsicmp(items_[i].c_str(), text) == 0) {
          message.result = static_cast<LRESULT>(i);
          break;
        }
      }
      return;
    }
    case framework::CM_WANTSPECIALKEY:
      // Enter and Escape close an open list instead of the dialog.
      message.result =
          DroppedDown() && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE);
      return;
    case WM_LBUTTONDOWN:
      if (CanFocus()) SetFocus();
      SetDroppedDown(!DroppedDown());
      break;
    case WM_KILLFOCUS: CloseUp(false); break;
    case framework::CM_ENABLEDCHANGED:
      if (!Enabled()) CloseUp(false);
      break;
    case framework::CM_MOUSEENTER:
    case framework::CM_MOUSELEAVE:
    case framework::CM_ENTER:
    case framework::CM_EXIT: RedrawControl(); break;
  }
  TXPCustomControl::WndProc(message);
}

void TXPComboBox::Paint() {
  framework::TCanvas& canvas = Canvas();
  const HDC dc = canvas.Handle();
  const RECT client = ClientRect();
  const int style = GetXPPaintStyle();
  const XPColorPalette& palette = XPPalette();
  const TXPState look = ControlLook(*this, DroppedDown());
  canvas.Brush().SetColor(Enabled() ? Color() : palette.clXPFace);
  canvas.FillRect(client);
  RECT frame = client;
  if (style == 0) {
    DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  } else {
    win::UniqueBrush border(
        CreateSolidBrush(style == 1 ? RGB(127, 157, 185) : GetSysColor(COLOR_WINDOWFRAME)));
    FrameRect(dc, &frame, border.get());
    InflateRect(&frame, -1, -1);
  }
  const int button_width = GetSystemMetrics(SM_CXVSCROLL);
  const RECT button = {frame.right - button_width, frame.top, frame.right, frame.bottom};
  bool drawn = false;
  if (style == 2) {
    const framework::TThemeServices& themes = framework::TThemeServices::Instance();
    static constexpr int kStates[] = {kComboNormal, kComboHot, kComboPressed, kComboDisabled};
    drawn = themes.DrawBackground(themes.Open(Handle(), L"COMBOBOX"), dc, kComboButtonPart,
                                  kStates[static_cast<int>(look)], button);
  }
  if (!drawn && style == 1) {
    DrawSkinFrame(dc, button, Skin(L"XPBUTTON"), static_cast<int>(look), kSkinStates, 3);
    DrawComboArrow(dc, button, Enabled());
  } else if (!drawn) {
    RECT classic = button;
    DrawFrameControl(dc, &classic, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX |
                         (look == TXPState::Pressed ? DFCS_PUSHED | DFCS_FLAT : 0) |
                         (look == TXPState::Disabled ? DFCS_INACTIVE : 0));
  }

  RECT text = {frame.left + 1, frame.top + 1, button.left - 1, frame.bottom - 1};
  const SelectedFont font(dc, canvas.Font().Handle());
  COLORREF ink = framework::ColorToRGB(Font().Color());
  if (Focused() && !DroppedDown()) {
    canvas.Brush().SetColor(palette.clXPHighlight);
    canvas.FillRect(text);
    ink = framework::ColorToRGB(palette.clXPHighlightText);
    DrawFocusRect(dc, &text);
  }
  text.left += kTextIndent - 1;
  DrawCaption(dc, text, Text(), Enabled(), ink, DT_LEFT | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace controls
