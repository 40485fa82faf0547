// The tree list's window and control messages: sizing, timers, cursors, the flat frame of the
// flat looks, and the control library's notifications (the scroll bars: scrolling.cpp).
#include <windowsx.h>

#include "framework/screen.h"
#include "treelist/view/accessible_rows.h"
#include "treelist/view/shared_resources.h"
#include "treelist/input/interaction_state.h"
#include "treelist/core/tree_list.h"

namespace treelist {
TCustomdxTreeList::SharedResourcesUse::SharedResourcesUse() { AcquireSharedDrawingResources(); }
TCustomdxTreeList::SharedResourcesUse::~SharedResourcesUse() { ReleaseSharedDrawingResources(); }

// Every message the grid answers is routed here once; each handler sits in the file of its
// road (mouse: interaction.cpp, editing: editing.cpp, hot tracking: hot_track.cpp).
void TCustomdxTreeList::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    // ---- mouse and keys ----
    case WM_MOUSEMOVE:
      if (DragOwnsMouseMove()) return;
      break;
    case WM_LBUTTONDOWN: LeftButtonPressed(); break;
    case WM_LBUTTONDBLCLK:
      LeftButtonPressed();
      MouseDown(framework::TMouseButton::mbLeft,
                framework::KeyboardShiftState() | framework::ssDouble, GET_X_LPARAM(message.lParam),
                GET_Y_LPARAM(message.lParam));
      break;
    case WM_MBUTTONDOWN:
      if (!interaction_->Idle()) break;
      MousePan();  // the grid may be gone afterwards
      return;
    case WM_MOUSEWHEEL: HandleMouseWheel(GET_WHEEL_DELTA_WPARAM(message.wParam)); return;
    case WM_CONTEXTMENU: {
      POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
      if (at.x != -1 || at.y != -1) at = ScreenToGrid(at);
      bool handled = false;
      OnContextPopup(this, at, handled);
      if (handled) return;
      break;
    }
    case WM_KEYDOWN:
      if (InteractionKeyDown(static_cast<WORD>(message.wParam))) return;
      break;
    case WM_CANCELMODE:
      if (!interaction_->Editing()) EndInteraction();
      break;
    case WM_CAPTURECHANGED: CaptureChanged(reinterpret_cast<HWND>(message.lParam)); break;
    case WM_SETCURSOR:
      if (HandleSetCursor(LOWORD(message.lParam))) {
        message.result = 1;
        return;
      }
      break;
    case WM_NCHITTEST:  // the base answers; the cursor handler reads the point
      last_hit_point_ = {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
      break;
    case WM_TIMER:
      if (HandleTimer(message.wParam)) return;
      break;
    case framework::CM_MOUSEENTER:
      TreeListBase::WndProc(message);
      UpdateHotTrack(HitTest(ScreenToGrid(seams_.cursor_pos())));
      return;
    case framework::CM_MOUSELEAVE:
      TreeListBase::WndProc(message);
      MouseLeft();
      return;
    case framework::CM_DRAG: ShowNodeDragCursor(); break;

    // ---- focus and the editor (the window's own handling first) ----
    case WM_SETFOCUS:
      TreeListBase::WndProc(message);
      FocusGained(reinterpret_cast<HWND>(message.wParam));
      return;
    case WM_KILLFOCUS:
      TreeListBase::WndProc(message);
      FocusLost(reinterpret_cast<HWND>(message.wParam));
      return;
    case WM_IME_STARTCOMPOSITION:
      TreeListBase::WndProc(message);
      ShowEditor();  // the composed text goes into the editor
      return;
    case WM_GETDLGCODE: message.result = DialogCode(); return;
    case framework::CM_CANCELMODE:  // ends a drag or a sizing, and an editor's popup
      TreeListBase::WndProc(message);
      EndInteraction();
      if (editor_) editor_->Perform(message.msg, message.wParam, message.lParam);
      return;

    // ---- scrolling, size and the frame ----
    case WM_HSCROLL: HandleHScroll(LOWORD(message.wParam)); return;
    case WM_VSCROLL: HandleVScroll(LOWORD(message.wParam)); return;
    case WM_SIZE: HandleSize(message); return;
    case WM_NCCALCSIZE:
      if (FlatBorder()) InflateRect(reinterpret_cast<RECT*>(message.lParam), -1, -1);
      break;
    case WM_NCPAINT:
      TreeListBase::WndProc(message);
      PaintFlatFrame();
      return;
    case WM_ERASEBKGND: message.result = 1; return;
    case WM_PAINT: hover_ = {}; break;  // what moved is painted now
    case WM_GETOBJECT:
      message.result = AnswerAccessibleObject(hwnd_, message.wParam, message.lParam);
      if (message.result != 0) return;
      break;
    case WM_DESTROY:
      CancelHints();
      if (expand_timer_) StopTimer(kExpandTimer);
      expand_timer_ = 0;
      break;

    // ---- the control library's notifications ----
    case framework::CM_COLORCHANGED:
    case framework::CM_FONTCHANGED:
      TreeListBase::WndProc(message);
      LayoutChanged();
      return;
    case framework::CM_PARENTFONTCHANGED: HandleParentFontChanged(message); return;
    case framework::CM_CTL3DCHANGED:
      if (border_style_ == TBorderStyle::bsSingle && look_ == TdxLookAndFeel::lfStandard) {
        RecreateWnd();
      }
      break;
    case framework::CM_SYSCOLORCHANGE:
      RebuildExpandGlyphs();
      Invalidate();
      break;
    case kSettingsChangedMessage:
      TreeListBase::WndProc(message);
      SettingsChanged();
      return;
  }
  TreeListBase::WndProc(message);
}

LRESULT TCustomdxTreeList::DialogCode() {
  LRESULT code = DLGC_WANTARROWS;
  if ((options_ & aoEditing) || searching_) {
    code |= DLGC_WANTCHARS;
  } else if ((options_ex_ & aoAutoSearch) && seams_.key_state(VK_MENU) >= 0) {
    code |= DLGC_WANTCHARS;  // Alt+letter stays the menus'
  }
  if ((options_ & aoTabs) && seams_.key_state(VK_CONTROL) >= 0) code |= DLGC_WANTTAB;
  return code;
}

void TCustomdxTreeList::HandleSize(framework::TMessage& message) {
  CloseEditorKeepFocus();
  DropUnneededScrollBars();
  TreeListBase::WndProc(message);
  UpdateScrollBars();
  ClampScrollPositions();
  // Columns that fit the width, centred captions and the space right of the last column all
  // move with a new size: what the system keeps of the old picture is stale.
  Invalidate();
}

// ---- timers ----------------------------------------------------------------------------------

bool TCustomdxTreeList::HandleTimer(UINT_PTR id) {
  switch (id) {
    case kDragScrollTimer: DragScrollTimerElapsed(); return true;
    case kDelayedEditTimer: DelayedEditElapsed(); return true;
    case kDragRowScrollTimer: DragRowScrollTick(); return true;
    case kExpandTimer: ExpandTimerElapsed(); return true;
    case kHintShowTimer: ShowHeaderHint(true); return true;
    case kHintHideTimer: HideHeaderHint(); return true;
  }
  return false;
}

void TCustomdxTreeList::StartTimer(UINT_PTR id, UINT interval) {
  if (HandleAllocated()) seams_.set_timer(hwnd_, id, interval);
}

void TCustomdxTreeList::StopTimer(UINT_PTR id) {
  if (HandleAllocated()) seams_.kill_timer(hwnd_, id);
}

void TCustomdxTreeList::StartExpandTimer(TdxTreeListNode* node, int milliseconds) {
  drag_over_node_ = node;
  if (HandleAllocated()) {
    expand_timer_ = seams_.set_timer(hwnd_, kExpandTimer, static_cast<UINT>(milliseconds));
  }
}

void TCustomdxTreeList::ExpandTimerElapsed() {
  StopTimer(kExpandTimer);
  expand_timer_ = 0;
  TdxTreeListNode* node = HitTest(ScreenToGrid(seams_.cursor_pos())).node;
  if (!node || node != drag_over_node_) return;
  if (options_ex_ & aoDragCollapse) {
    node->SetExpanded(!node->Expanded());
    StartExpandTimer(node, 2 * static_cast<int>(WaitForExpandNodeTime));
  } else {
    node->Expand(false);
  }
}

// ---- cursors and the frame -------------------------------------------------------------------

bool TCustomdxTreeList::HandleSetCursor(WORD hit_area) {
  CursorQuery query;
  query.state = interaction_->State();
  query.client_area = hit_area == HTCLIENT;
  if (AsksCellCursor(query.state, query.client_area)) {
    const THitInfo hit = HitTest(ScreenToGrid(last_hit_point_));
    if (hit.node && hit.column >= 0) {
      HCURSOR cell_cursor = nullptr;
      GetCellCursor(hit.node, hit.column, cell_cursor);
      if (cell_cursor) {
        ::SetCursor(cell_cursor);
        return true;
      }
    }
    query.hit = hit.kind;
    query.column_sizeable = hit.kind == htColumnEdge && CanSizeColumn(hit.column);
  }
  query.options_ex = options_ex_;
  if (interaction_->ItemDragging()) query.drag_cursor = interaction_->drag_picture.Cursor();
  const framework::TCursor cursor = CursorFor(query);
  if (cursor == framework::crDefault) return false;
  ::SetCursor(framework::Screen().CursorHandle(cursor));
  return true;
}

void TCustomdxTreeList::ShowNodeDragCursor() {
  const bool many = selection_.size() >= 2;
  const bool copy = CanCopyDrag() && seams_.key_state(VK_CONTROL) < 0;
  const framework::TCursor cursor = copy ? (many ? crMultiDragCopy : crDragCopy)
                                         : (many ? framework::crMultiDrag : framework::crDrag);
  ::SetCursor(framework::Screen().CursorHandle(cursor));
}

bool TCustomdxTreeList::FlatBorder() const noexcept {
  return border_style_ == TBorderStyle::bsSingle && look_ != TdxLookAndFeel::lfStandard;
}

void TCustomdxTreeList::PaintFlatFrame() {
  if (!FlatBorder()) return;
  RECT window{};
  GetWindowRect(hwnd_, &window);
  OffsetRect(&window, -window.left, -window.top);
  const win::WindowDC frame(hwnd_, true);
  const HDC dc = frame.get();
  DrawBorder(dc, window);
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  if ((style & WS_HSCROLL) && (style & WS_VSCROLL)) {
    const RECT corner{window.right - 1 - GetSystemMetrics(SM_CXVSCROLL),
                      window.bottom - 1 - GetSystemMetrics(SM_CYHSCROLL), window.right - 1,
                      window.bottom - 1};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
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
