// The tree list's window and control messages: sizing, timers, cursors, the flat frame of the
// flat looks, and the control library's notifications (the scroll bars: scrolling.cpp).
#include <windowsx.h>

#include "framework/screen.h"
#include "treelist/accessible_rows.h"
#include "treelist/shared_resources.h"
#include "treelist/tree_list.h"

namespace treelist {
namespace {

bool IsWidthSizingState(TdxTreeListState state) {
  return state == tsColumnSizing || state == tsBandSizing;
}

bool IsHeightSizingState(TdxTreeListState state) {
  return state == tsBandPanelSizing || state == tsHeaderPanelSizing || state == tsRowSizing;
}

}  // namespace

TCustomdxTreeList::SharedResourcesUse::SharedResourcesUse() { AcquireSharedDrawingResources(); }
TCustomdxTreeList::SharedResourcesUse::~SharedResourcesUse() { ReleaseSharedDrawingResources(); }

bool TCustomdxTreeList::HandleWindowMessage(framework::TMessage& message) {
  switch (message.msg) {
    case WM_GETDLGCODE: {
      message.result = DLGC_WANTARROWS;
      if ((options_ & aoEditing) || searching_) {
        message.result |= DLGC_WANTCHARS;
      } else if ((options_ex_ & aoAutoSearch) && seams_.key_state(VK_MENU) >= 0) {
        message.result |= DLGC_WANTCHARS;  // Alt+letter stays the menus'
      }
      if ((options_ & aoTabs) && seams_.key_state(VK_CONTROL) >= 0) message.result |= DLGC_WANTTAB;
      return true;
    }
    case WM_HSCROLL: HandleHScroll(LOWORD(message.wParam)); return true;
    case WM_VSCROLL: HandleVScroll(LOWORD(message.wParam)); return true;
    case WM_SIZE: HandleSize(message); return true;
    case WM_TIMER: HandleTimer(message.wParam); return false;  // the base has timers too
    case WM_SETCURSOR:
      if (LOWORD(message.lParam) == HTCLIENT && HandleSetCursor()) {
        message.result = 1;
        return true;
      }
      return false;
    case WM_NCHITTEST:  // the base answers; the cursor handler reads the point
      last_hit_point_ = {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
      return false;
    case WM_NCCALCSIZE:
      if (FlatBorder()) InflateRect(reinterpret_cast<RECT*>(message.lParam), -1, -1);
      return false;
    case WM_NCPAINT: {
      TreeListBase::WndProc(message);
      if (!FlatBorder()) return true;
      RECT window{};
      GetWindowRect(hwnd_, &window);
      OffsetRect(&window, -window.left, -window.top);
      HDC dc = GetWindowDC(hwnd_);
      DrawBorder(dc, window);
      const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
      if ((style & WS_HSCROLL) && (style & WS_VSCROLL)) {
        const RECT corner{window.right - 1 - GetSystemMetrics(SM_CXVSCROLL),
                          window.bottom - 1 - GetSystemMetrics(SM_CYHSCROLL), window.right - 1,
                          window.bottom - 1};
        FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
      }
      ReleaseDC(hwnd_, dc);
      return true;
    }
    case WM_ERASEBKGND: message.result = 1; return true;
    case WM_GETOBJECT:
      message.result = AnswerAccessibleObject(hwnd_, message.wParam, message.lParam);
      return message.result != 0;
    case WM_PAINT: hover_ = {}; return false;  // what moved is painted now
    case WM_CANCELMODE:
      if (state_ != tsNone && state_ != tsEditing) SetState(tsNone);
      return false;
    case WM_DESTROY:
      HideHeaderHint();
      HideCellTooltip();
      if (expand_timer_) KillTimer(hwnd_, kExpandTimer);
      expand_timer_ = 0;
      return false;
    case framework::CM_COLORCHANGED:
    case framework::CM_FONTCHANGED:
      TreeListBase::WndProc(message);
      LayoutChanged();
      return true;
    case framework::CM_PARENTFONTCHANGED: HandleParentFontChanged(message); return true;
    case framework::CM_CTL3DCHANGED:
      if (border_style_ == TBorderStyle::bsSingle && look_ == TdxLookAndFeel::lfStandard) {
        RecreateWnd();
      }
      return false;
    case framework::CM_SYSCOLORCHANGE:
      RebuildExpandGlyphs();
      Invalidate();
      return false;
    case framework::CM_MOUSEENTER:
      TreeListBase::WndProc(message);
      UpdateHotTrack(HitTest(ScreenToClient(seams_.cursor_pos())));
      return true;
    case framework::CM_MOUSELEAVE:
      TreeListBase::WndProc(message);
      UpdateHotTrack(THitInfo{{-1, -1}});
      hover_ = {};
      HideHeaderHint();
      HideCellTooltip();
      return true;
    case framework::CM_DRAG: {
      const bool many = selection_.size() >= 2;
      const bool copy = CanCopyDrag() && seams_.key_state(VK_CONTROL) < 0;
      const framework::TCursor cursor = copy ? (many ? crMultiDragCopy : crDragCopy)
                                             : (many ? framework::crMultiDrag : framework::crDrag);
      ::SetCursor(framework::Screen().CursorHandle(cursor));
      return false;
    }
  }
  return false;
}

void TCustomdxTreeList::HandleSize(framework::TMessage& message) {
  CloseEditorKeepFocus();
  DropUnneededScrollBars();
  TreeListBase::WndProc(message);
  UpdateScrollBars();
  ClampScrollPositions();
}

// ---- timers ----------------------------------------------------------------------------------

void TCustomdxTreeList::HandleTimer(UINT_PTR id) {
  switch (id) {
    case kExpandTimer: ExpandTimerElapsed(); break;
    case kHintShowTimer: ShowHeaderHint(true); break;
    case kHintHideTimer: HideHeaderHint(); break;
  }
}

void TCustomdxTreeList::StartExpandTimer(TdxTreeListNode* node, int milliseconds) {
  drag_over_node_ = node;
  if (HandleAllocated()) {
    expand_timer_ = SetTimer(hwnd_, kExpandTimer, static_cast<UINT>(milliseconds), nullptr);
  }
}

void TCustomdxTreeList::ExpandTimerElapsed() {
  KillTimer(hwnd_, kExpandTimer);
  expand_timer_ = 0;
  TdxTreeListNode* node = HitTest(ScreenToClient(seams_.cursor_pos())).node;
  if (!node || node != drag_over_node_) return;
  if (options_ex_ & aoDragCollapse) {
    node->SetExpanded(!node->Expanded());
    StartExpandTimer(node, 2 * static_cast<int>(WaitForExpandNodeTime));
  } else {
    node->Expand(false);
  }
}

// ---- cursors and the frame -------------------------------------------------------------------

bool TCustomdxTreeList::HandleSetCursor() {
  framework::TCursor cursor = framework::crDefault;
  if (IsWidthSizingState(state_)) {
    cursor = framework::crHSplit;
  } else if (IsHeightSizingState(state_)) {
    cursor = framework::crVSplit;
  } else if (state_ == tsNone || state_ == tsEditing) {
    const THitInfo hit = HitTest(ScreenToClient(last_hit_point_));
    switch (hit.kind) {
      case htColumnEdge:
        if (CanSizeColumn(hit.column)) cursor = framework::crHSplit;
        break;
      case htBandEdge:
        if (options_ex_ & aoBandSizing) cursor = framework::crHSplit;
        break;
      case htBandPanelEdge:
        if (options_ex_ & aoBandPanelSizing) cursor = framework::crVSplit;
        break;
      case htHeaderPanelEdge:
        if (options_ex_ & aoHeaderPanelSizing) cursor = framework::crVSplit;
        break;
      case htRowEdge:
        if (options_ex_ & aoRowSizing) cursor = framework::crVSplit;
        break;
      default: break;
    }
  }
  if (cursor == framework::crDefault) return false;
  ::SetCursor(framework::Screen().CursorHandle(cursor));
  return true;
}

bool TCustomdxTreeList::FlatBorder() const noexcept {
  return border_style_ == TBorderStyle::bsSingle && look_ != TdxLookAndFeel::lfStandard;
}

void TCustomdxTreeList::DrawBorder(HDC dc, const RECT& rect) {
  RECT frame = rect;
  if (look_ == TdxLookAndFeel::lfUltraFlat) {
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
  }
}

// ---- notifications ---------------------------------------------------------------------------

// The panels' fonts follow the parent's too; taking them must not make them the grid's own.
void TCustomdxTreeList::HandleParentFontChanged(framework::TMessage& message) {
  TreeListBase::WndProc(message);
  if (!ParentFont() || parent_font_propagating_) return;
  struct Propagating {
    bool& flag;
    explicit Propagating(bool& f) : flag(f) { flag = true; }
    ~Propagating() { flag = false; }
  };
  {
    Propagating propagating(parent_font_propagating_);
    band_font_ = Font();
    header_font_ = Font();
    preview_font_.SetName(Font().Name());
    preview_font_.SetHeight(Font().Height());
    preview_font_.SetStyle(Font().Style());
    preview_font_.SetColor(framework::clBlue);
  }
  LayoutChanged();
}

}  // namespace treelist
