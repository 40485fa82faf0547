// The memo editor and the memo window.
#include "editors/memo_edit.h"

#include <windowsx.h>

#include <algorithm>

#include "editors/container.h"
#include "editors/editor_class.h"
#include "editors/gdi_scope.h"
#include "framework/win/handles.h"

namespace editors {

namespace {

constexpr int kSelectionBarWidth = 8;

// A typed character as the OEM code page has it: one it lacks becomes its nearest there.
wchar_t OemRoundTrip(wchar_t key) {
  char oem = 0;
  wchar_t back = key;
  if (WideCharToMultiByte(CP_OEMCP, 0, &key, 1, &oem, 1, nullptr, nullptr) == 1 &&
      MultiByteToWideChar(CP_OEMCP, 0, &oem, 1, &back, 1) == 1) {
    return back;
  }
  return key;
}

bool HasVertical(TScrollStyle bars) {
  return bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth;
}
bool HasHorizontal(TScrollStyle bars) {
  return bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth;
}

}  // namespace

// ---- memo window ------------------------------------------------------------------------------

TdxMemoWindow::TdxMemoWindow(framework::TComponent* owner, framework::TWinControl& parent)
    : TMemo(owner) {
  SetParent(&parent);
  SetTabStop(false);
}

void TdxMemoWindow::SetSettings(const TdxMemoSettings& settings) {
  settings_ = settings;
  if (HandleAllocated()) RecreateWnd();
}

int TdxMemoWindow::SelectionBarWidth() const noexcept {
  return settings_.SelectionBar ? kSelectionBarWidth : 0;
}

void TdxMemoWindow::CreateParams(framework::TCreateParams& params) {
  TMemo::CreateParams(params);
  params.ex_style &= ~WS_EX_CLIENTEDGE;
  params.style &= ~(WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL);
  if (HasVertical(settings_.ScrollBars)) params.style |= WS_VSCROLL;
  // A horizontal bar would end the wrapping (the edit scrolls sideways then): wrapped lines
  // never run past the width anyway.
  if (!settings_.WordWrap) {
    params.style |= ES_AUTOHSCROLL | (HasHorizontal(settings_.ScrollBars) ? WS_HSCROLL : 0);
  }
  if (settings_.OEMConvert) params.style |= ES_OEMCONVERT;
}

void TdxMemoWindow::AfterCreateWnd() {
  TMemo::AfterCreateWnd();
  SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(settings_.MaxLength, 0)), 0);
  SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(SelectionBarWidth(), 0));
  UpdateScrollBars();
}

void TdxMemoWindow::KeyPress(wchar_t& key) {
  TMemo::KeyPress(key);
  if (key < L' ') return;
  key = controls::ApplyCharCase(std::wstring(1, key), settings_.CharCase)[0];
  if (settings_.OEMConvert) key = OemRoundTrip(key);
}

int TdxMemoWindow::LineHeight() {
  TEXTMETRICW metrics{};
  const win::WindowDC dc(Handle());
  SelectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  GetTextMetricsW(dc.get(), &metrics);
  return metrics.tmHeight;
}

bool TdxMemoWindow::LinesOverflow() {
  const int lines = static_cast<int>(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0));
  const int line_height = LineHeight();
  RECT client{};
  GetClientRect(hwnd_, &client);
  return line_height > 0 && lines * line_height > client.bottom;
}

int TdxMemoWindow::HeightForAllLines() {
  const int lines = static_cast<int>(SendMessageW(Handle(), EM_GETLINECOUNT, 0, 0));
  RECT format{}, client{}, window{};
  SendMessageW(hwnd_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  GetClientRect(hwnd_, &client);
  GetWindowRect(hwnd_, &window);
  // The lines inside the formatting rectangle's margins, and a horizontal bar below them.
  const int bars = (window.bottom - window.top) - client.bottom;
  return std::max<int>(0, format.top) * 2 + lines * LineHeight() + bars;
}

bool TdxMemoWindow::ColumnsOverflow() {
  // The edit keeps the range of its widest line even while the bar is hidden.
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  return GetScrollInfo(hwnd_, SB_HORZ, &info) && info.nPage > 0 &&
         info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
}

void TdxMemoWindow::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  const bool hide = settings_.HideScrollBars;
  // Hidden bars show only while there is something to scroll: lines below the window, or
  // unwrapped lines running past its width.
  ShowScrollBar(hwnd_, SB_VERT, HasVertical(settings_.ScrollBars) && (!hide || LinesOverflow()));
  if (!settings_.WordWrap) {
    ShowScrollBar(hwnd_, SB_HORZ,
                  HasHorizontal(settings_.ScrollBars) && (!hide || ColumnsOverflow()));
  }
}

void TdxMemoWindow::SelectLineAt(int y) {
  const LRESULT hit = SendMessageW(hwnd_, EM_CHARFROMPOS, 0, MAKELPARAM(SelectionBarWidth(), y));
  const int line = HIWORD(hit);
  const int start = static_cast<int>(SendMessageW(hwnd_, EM_LINEINDEX, line, 0));
  if (start < 0) return;
  int end = static_cast<int>(SendMessageW(hwnd_, EM_LINEINDEX, line + 1, 0));
  if (end < 0) end = GetWindowTextLengthW(hwnd_);  // the last line: to the end
  SendMessageW(hwnd_, EM_SETSEL, start, end);
}

void TdxMemoWindow::WndProc(framework::TMessage& message) {
  const bool in_bar = GET_X_LPARAM(message.lParam) < SelectionBarWidth();
  switch (message.msg) {
    case framework::CM_WANTSPECIALKEY:  // the editor that holds these lines decides
      message.result =
          Parent() ? Parent()->Perform(message.msg, message.wParam, message.lParam) : 0;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!in_bar) break;
      ::SetFocus(hwnd_);
      SelectLineAt(GET_Y_LPARAM(message.lParam));
      return;
    case WM_SETCURSOR:
      if (LOWORD(message.lParam) == HTCLIENT) {
        const DWORD at = GetMessagePos();
        POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        ::ScreenToClient(hwnd_, &point);
        if (point.x < SelectionBarWidth()) {
          ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
          message.result = TRUE;
          return;
        }
      }
      break;
  }
  TMemo::WndProc(message);
  if (message.msg == WM_SIZE ||
      (message.msg == framework::CN_COMMAND && HIWORD(message.wParam) == EN_CHANGE))
    UpdateScrollBars();
}

// ---- memo editor ------------------------------------------------------------------------------

namespace {

std::unique_ptr<TdxEditViewData> MakeMemoViewData() {
  auto data = std::make_unique<TdxTextEditViewData>();
  data->Placement = kPlaceMultiLine;
  return data;
}

}  // namespace

const TdxInplaceEditClass& TdxInplaceMemoEdit::EditorClass() {
  static const TdxInplaceEditClass info{"TdxInplaceMemoEdit", &TdxInplaceTextEdit::EditorClass(),
                                        MakeEditor<TdxInplaceMemoEdit>, MakeMemoViewData,
                                        NoHitInCell};
  return info;
}

TdxInplaceMemoEdit::TdxInplaceMemoEdit(framework::TComponent* owner)
    : TdxInplaceTextEdit(owner), inner_(new TdxMemoWindow(this, *this)) {
  TdxMemoSettings settings;
  settings.ScrollBars = TScrollStyle::ssNone;
  inner_->SetSettings(settings);
  inner_->OnChange = [this](framework::TComponent*) { InnerChanged(); };
  inner_->OnKeyDown = [this](framework::TComponent*, WORD& key, unsigned shift) {
    if (InnerKeyDown(key, shift)) key = 0;
  };
  inner_->OnKeyPress = [this](framework::TComponent*, wchar_t& key) {
    // Enter and Tab the editor handed on must not arrive as characters too.
    if ((key == L'\r' && !WantReturns) || (key == L'\t' && !WantTabs) || key == 27) key = 0;
  };
}

TdxInplaceMemoEdit::~TdxInplaceMemoEdit() { DestroyComponents(); }

std::wstring TdxInplaceMemoEdit::Text() const { return inner_->Text(); }

void TdxInplaceMemoEdit::SetText(const std::wstring& text) {
  setting_text_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{setting_text_};
  inner_->SetText(text);
  if (inner_->HandleAllocated()) {
    HWND inner = inner_->Handle();
    SendMessageW(inner, EM_SETSEL, text.size(), text.size());
    FitToLines();
    SendMessageW(inner, EM_SCROLLCARET, 0, 0);
  }
  inner_->UpdateScrollBars();  // after the edit has set its own scroll range for the new text
}

void TdxInplaceMemoEdit::SelectAll() {
  if (inner_->HandleAllocated()) SendMessageW(inner_->Handle(), EM_SETSEL, 0, -1);
}

void TdxInplaceMemoEdit::InnerChanged() {
  if (setting_text_) return;
  FitToLines();
  SetModified(true);
  OnChange(this);
}

template <class T>
void TdxInplaceMemoEdit::ChangeSetting(T TdxMemoSettings::*field, T value) {
  TdxMemoSettings settings = inner_->Settings();
  if (settings.*field == value) return;
  settings.*field = value;
  inner_->SetSettings(settings);
}

void TdxInplaceMemoEdit::SetHideScrollBars(bool value) {
  ChangeSetting(&TdxMemoSettings::HideScrollBars, value);
}

void TdxInplaceMemoEdit::SetScrollBars(TScrollStyle value) {
  ChangeSetting(&TdxMemoSettings::ScrollBars, value);
}

void TdxInplaceMemoEdit::SetWordWrap(bool value) {
  ChangeSetting(&TdxMemoSettings::WordWrap, value);
}

HWND TdxInplaceMemoEdit::InnerHandle() { return inner_->Handle(); }

bool TdxInplaceMemoEdit::IsEditorWindow(HWND hwnd) {
  if (hwnd && inner_->HandleAllocated() && hwnd == inner_->Handle()) return true;
  return TdxInplaceTextEdit::IsEditorWindow(hwnd);
}

void TdxInplaceMemoEdit::SetBounds(int left, int top, int width, int height) {
  placed_ = {left, top, left + width, top + height};
  FitToLines();
}

void TdxInplaceMemoEdit::FitToLines() {
  const RECT offsets = TextOffsets();
  const int width = placed_.right - placed_.left;
  const int inner_width = std::max<int>(0, width - offsets.left - offsets.right);
  const int vertical_offsets = offsets.top + offsets.bottom;
  int top = placed_.top, height = placed_.bottom - placed_.top;
  // The lines wrap at the width, so it is set before they are counted.
  inner_->SetBounds(offsets.left, offsets.top, inner_width, std::max(0, height - vertical_offsets));
  bool all_shown = false;
  const TCustomdxContainer* container = Container();
  if (inner_->HandleAllocated() && container && container->HandleAllocated()) {
    const RECT room = container->ClientRect();
    const int lines = inner_->HeightForAllLines() + vertical_offsets;
    all_shown = lines <= room.bottom - room.top;
    // It grows a cell's height at a time, so that it ends as a row of the container ends: within
    // a row, it would leave a sliver of that row's text showing under it.
    const int cell = height - 2 * kCellMargin;
    const int cells = cell > 0 ? (lines - 2 * kCellMargin + cell - 1) / cell : 0;
    const int wanted = cells > 0 ? cells * cell + 2 * kCellMargin : lines;
    if (wanted > height) {
      height = std::min<int>(wanted, room.bottom - room.top);
      top = std::min<int>(top, std::max<int>(room.top, room.bottom - height));
    }
  }
  TdxInplaceTextEdit::SetBounds(placed_.left, top, width, height);
  inner_->SetBounds(offsets.left, offsets.top, inner_width, std::max(0, height - vertical_offsets));
  inner_->UpdateScrollBars();
  if (all_shown) {
    // A line break scrolled the first line away before the editor grew to show it again.
    HWND inner = inner_->Handle();
    SendMessageW(inner, EM_LINESCROLL, 0, -SendMessageW(inner, EM_GETFIRSTVISIBLELINE, 0, 0));
  }
}

bool TdxInplaceMemoEdit::InnerKeyDown(WORD key, unsigned shift) {
  const bool ctrl = (shift & framework::ssCtrl) != 0;
  switch (key) {
    case VK_ESCAPE:
      if (!Revert()) PassKeyToContainer(key);
      return true;
    case VK_RETURN:
      if (WantReturns && !ctrl) return false;
      PassKeyToContainer(key);
      return true;
    case VK_TAB: {
      if (WantTabs) return false;
      const TCustomdxContainer* container = Container();
      if (!container || !container->IsTabs()) return false;
      PassKeyToContainer(key);
      return true;
    }
    case VK_PRIOR:
    case VK_NEXT:
      if (!ctrl) return false;
      PassKeyToContainer(key);
      return true;
  }
  return false;
}

void TdxInplaceMemoEdit::WndProc(framework::TMessage& message) {
  if (message.msg == WM_CHAR && inner_->HandleAllocated()) {
    // A character the grid hands on when typing opens the editor.
    message.result = SendMessageW(inner_->Handle(), WM_CHAR, message.wParam, message.lParam);
    return;
  }
  if (message.msg == WM_SETFOCUS) {
    inner_->SetReadOnly(!CanModify());
    inner_->SetFocus();  // the text is edited in the inner window
    return;
  }
  TdxInplaceTextEdit::WndProc(message);
}

}  // namespace editors
