// Controls and the framework's one window procedure.
#include "framework/controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "framework/actions.h"
#include "framework/application.h"
#include "framework/hint_window.h"
#include "framework/screen.h"
#include "framework/win/module.h"
#include "framework/win/text.h"

namespace framework {

namespace {

constexpr wchar_t kWindowClass[] = L"TralvekWindow";

// The framework's window class, registered on first use and unregistered when the module
// unloads: a class a DLL leaves behind would keep the address of a procedure that is gone, and
// a module loaded again could not register it.
class WindowClass {
 public:
  WindowClass() {
    UnregisterClassW(kWindowClass, win::ThisModule());  // left by an earlier load of the module
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FrameworkWindowProc;
    wc.hInstance = win::ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    atom_ = RegisterClassExW(&wc);
  }
  ~WindowClass() {
    if (atom_) UnregisterClassW(kWindowClass, win::ThisModule());
  }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  bool Registered() const noexcept { return atom_ != 0; }

 private:
  ATOM atom_ = 0;
};

const wchar_t* FrameworkClass() {
  static const WindowClass window_class;
  if (!window_class.Registered()) throw EComponentError("Cannot register the window class");
  return kWindowClass;
}

// The control of each of our windows. Kept here rather than in window properties: under Wine
// every property call is a round trip to the server, and every message needs the lookup.
class WindowMap {
 public:
  TWinControl* Find(HWND hwnd) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = controls_.find(hwnd);
    return it == controls_.end() ? nullptr : it->second;
  }
  void Set(HWND hwnd, TWinControl* control) {
    std::lock_guard<std::mutex> lock(mutex_);
    controls_[hwnd] = control;
  }
  // Forgets the window if it still belongs to `control`.
  void Remove(HWND hwnd, const TWinControl* control) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = controls_.find(hwnd);
    if (it != controls_.end() && it->second == control) controls_.erase(it);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<HWND, TWinControl*> controls_;
};

WindowMap& Windows() {
  static WindowMap map;
  return map;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK; }

POINT PointFrom(LPARAM lparam) { return {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

unsigned ShiftFromKeys(WPARAM keys) {
  return ((keys & MK_SHIFT) ? ssShift : 0) | ((keys & MK_CONTROL) ? ssCtrl : 0) |
         ((keys & MK_LBUTTON) ? ssLeft : 0) | ((keys & MK_RBUTTON) ? ssRight : 0) |
         ((keys & MK_MBUTTON) ? ssMiddle : 0) | ((GetKeyState(VK_MENU) < 0) ? ssAlt : 0);
}

// Programs outside the framework (a host answering a dialog unattended, a test) find a control's
// window by the component's name: a child window's identifier is the name as an atom of the
// process, kept for the process's life (the names are the forms' own). Given at creation it costs
// nothing more; a window property cost a round trip to the window server per window.
HMENU ChildIdentifier(const std::string& name) {
  if (name.empty()) return nullptr;
  const std::wstring wide = win::Widen(name);
  ATOM atom = FindAtomW(wide.c_str());
  if (!atom) atom = AddAtomW(wide.c_str());
  return reinterpret_cast<HMENU>(static_cast<uintptr_t>(atom));
}

const std::vector<std::string> kAlignNames = {"alNone", "alTop",   "alBottom",
                                              "alLeft", "alRight", "alClient"};
const std::vector<std::string> kAnchorNames = {"akLeft", "akTop", "akRight", "akBottom"};

}  // namespace

unsigned KeyboardShiftState() {
  return (GetKeyState(VK_SHIFT) < 0 ? ssShift : 0) | (GetKeyState(VK_CONTROL) < 0 ? ssCtrl : 0) |
         (GetKeyState(VK_MENU) < 0 ? ssAlt : 0);
}

LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
  TWinControl* control = Windows().Find(hwnd);
  if (!control && msg == WM_NCCREATE) {
    control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    if (control) {
      Windows().Set(hwnd, control);
      control->hwnd_ = hwnd;
      control->default_proc_ = DefWindowProcW;
    }
  }
  if (!control) return DefWindowProcW(hwnd, msg, wparam, lparam);
  TMessage message{msg, wparam, lparam, 0};
  try {
    control->WndProc(message);
  } catch (...) {
    // The message is lost, the loop goes on: the user hears why.
    Application::Instance().HandleException();
    message.result = 0;
  }
  if (msg == WM_NCDESTROY) {
    // The control may already be gone (freed while handling); the map says if not.
    if (Windows().Find(hwnd) == control) {
      Windows().Remove(hwnd, control);
      control->hwnd_ = nullptr;
    }
  }
  return message.result;
}

// ---- TControl -------------------------------------------------------------------------------

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TControl, TComponent>("TControl")
          .Int("Left", &TControl::Left, &TControl::SetLeft, 0)
          .Int("Top", &TControl::Top, &TControl::SetTop, 0)
          .Int("Width", &TControl::Width, &TControl::SetWidth, 0)
          .Int("Height", &TControl::Height, &TControl::SetHeight, 0)
          .Enum("Align", &TControl::Align, &TControl::SetAlign, kAlignNames, TAlign::alNone)
          .Set("Anchors", &TControl::Anchors, &TControl::SetAnchors, kAnchorNames,
               TAnchors{akLeft | akTop})
          .WideString("Caption", &TControl::Text, &TControl::SetText)
          .Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
          .Bool("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true)
          .Color("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
          .StoredIf(&TControl::ColorStored)
          .Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
          .Object("Font", &TControl::Font, FontClassInfo())
          .StoredIf(&TControl::FontStored)
          .Int("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault)
          .String("Hint", &TControl::Hint, &TControl::SetHint)
          .Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
          .String("HelpKeyword", &TControl::HelpKeyword, &TControl::SetHelpKeyword)
          .Bool("Visible", &TControl::Visible, &TControl::SetVisible, true)
          .Event("OnClick", &TControl::OnClick)
          .Event("OnDblClick", &TControl::OnDblClick)
          .Event("OnMouseDown", &TControl::OnMouseDown)
          .Event("OnMouseUp", &TControl::OnMouseUp)
          .Event("OnMouseMove", &TControl::OnMouseMove)
          .Event("OnMouseEnter", &TControl::OnMouseEnter)
          .Event("OnMouseLeave", &TControl::OnMouseLeave)
          .Event("OnResize", &TControl::OnResize);
  return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
  SetAction(nullptr);
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetAction(TCustomAction* action) {
  if (action == action_) return;
  if (action_) std::erase(action_->clients_, this);
  action_ = action;
  if (!action_) return;
  action_->clients_.push_back(this);
  ActionChange(*action_);
}

void TControl::ActionChange(TCustomAction& action) {
  SetCaption(action.Caption());
  SetEnabled(action.Enabled());
  SetVisible(action.Visible());
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EComponentError("A control cannot be its own parent");
  if (parent_) {
    InvalidateInParent(true);
    parent_->RemoveControl(this);
  }
  parent_ = nullptr;
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  InvalidateInParent(true);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  InvalidateInParent(false);
  RememberAnchorDistances();
  if (parent_ && align_ != TAlign::alNone) parent_->Realign();
  if (resized) Resize();
}

void TControl::SetClientSize(int width, int height) {
  const RECT client = ClientRect();
  SetBounds(left_, top_, width_ + width - client.right, height_ + height - client.bottom);
}

void TControl::RememberAnchorDistances() {
  if (!parent_ || parent_->ControlState() & csAlignmentNeeded) return;
  const RECT client = parent_->ClientRect();
  anchor_right_ = client.right - (left_ + width_);
  anchor_bottom_ = client.bottom - (top_ + height_);
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->Realign();
}

void TControl::SetAnchors(TAnchors anchors) {
  anchors_ = anchors;
  RememberAnchorDistances();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Perform(CM_VISIBLECHANGED, visible);
  InvalidateInParent(true);
  if (parent_ && align_ != TAlign::alNone) parent_->Realign();
}

bool TControl::Showing() const {
  if (!visible_) return false;
  if (parent_) return parent_->Showing();
  const auto* window = dynamic_cast<const TWinControl*>(this);
  return window && window->hwnd_ && IsWindowVisible(window->hwnd_);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const std::wstring& text) {
  if (text == Text()) return;
  text_ = text;
  Perform(CM_TEXTCHANGED);
}

void TControl::FontChanged() {
  parent_font_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool value) {
  parent_font_ = value;
  if (value) TakeParentFont();
}

void TControl::TakeParentFont() {
  if (!parent_ || !parent_font_) return;
  font_.Assign(parent_->Font());  // FontChanged clears the flag: this is still the parent's font
  parent_font_ = true;
}

void TControl::SetColor(TColor color) {
  parent_color_ = false;
  if (color == color_) return;
  color_ = color;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  parent_color_ = value;
  if (value) TakeParentColor();
}

void TControl::TakeParentColor() {
  if (!parent_ || !parent_color_) return;
  SetColor(parent_->Color());
  parent_color_ = true;
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  Perform(CM_CURSORCHANGED);
}

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  TMessage message{msg, wparam, lparam, 0};
  WndProc(message);
  return message.result;
}

void TControl::InvalidateInParent(bool erase) {
  if (!parent_ || !visible_ || !parent_->HandleAllocated()) return;
  if (dynamic_cast<TWinControl*>(this)) return;  // a window redraws itself
  const RECT rect = BoundsRect();
  InvalidateRect(parent_->hwnd_, &rect, erase);
}

void TControl::Invalidate() { InvalidateInParent(true); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

POINT TControl::ClientToScreen(POINT point) const {
  point.x += left_;
  point.y += top_;
  if (parent_) return parent_->ClientToScreen(point);
  return point;
}

POINT TControl::ScreenToClient(POINT point) const {
  const POINT origin = ClientToScreen({0, 0});
  return {point.x - origin.x, point.y - origin.y};
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& siblings = parent_->controls_;
  std::erase(siblings, this);
  siblings.push_back(this);
  if (auto* window = dynamic_cast<TWinControl*>(this); window && window->hwnd_) {
    SetWindowPos(window->hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Invalidate();
}

void TControl::Click() {
  if (OnClick || !action_) {
    OnClick(this);
  } else {
    action_->Execute();
  }
}

void TControl::MouseDown(TMouseButton button, unsigned shift, int x, int y) {
  OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, unsigned shift, int x, int y) {
  OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(unsigned shift, int x, int y) { OnMouseMove(this, shift, x, y); }

void TControl::Loaded() {
  TComponent::Loaded();
  TakeParentFont();
  TakeParentColor();
}

void TControl::WndProc(TMessage& message) {
  const POINT point = PointFrom(message.lParam);
  // Asking for the Alt key is a round trip to the window server: only mouse messages need it.
  const unsigned shift = IsMouseMessage(message.msg) ? ShiftFromKeys(message.wParam) : 0;
  switch (message.msg) {
    case WM_LBUTTONDOWN:
      if (control_style_ & csCaptureMouse) control_state_ |= csLButtonDown;
      MouseDown(TMouseButton::mbLeft, shift, point.x, point.y);
      break;
    case WM_LBUTTONUP: {
      const bool clicked = control_state_ & csLButtonDown;
      control_state_ &= ~csLButtonDown;
      const RECT client = ClientRect();
      if (clicked && (control_style_ & csClickEvents) && PtInRect(&client, point)) Click();
      MouseUp(TMouseButton::mbLeft, shift, point.x, point.y);
      break;
    }
    case WM_RBUTTONDOWN: MouseDown(TMouseButton::mbRight, shift, point.x, point.y); break;
    case WM_RBUTTONUP: MouseUp(TMouseButton::mbRight, shift, point.x, point.y); break;
    case WM_LBUTTONDBLCLK:
      if (control_style_ & csDoubleClicks) OnDblClick(this);
      break;
    case WM_MOUSEMOVE: MouseMove(shift, point.x, point.y); break;
    case CM_MOUSEENTER:
      control_state_ |= csMouseInside;
      THintController::Instance().MouseEntered(*this);
      OnMouseEnter(this);
      break;
    case CM_CANCELMODE: control_state_ &= ~csLButtonDown; break;  // no click after a cancel
    case CM_MOUSELEAVE:
      control_state_ &= ~csMouseInside;
      THintController::Instance().MouseLeft(*this);
      OnMouseLeave(this);
      break;
    case CM_PARENTFONTCHANGED: TakeParentFont(); break;
    case CM_PARENTCOLORCHANGED: TakeParentColor(); break;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED: Invalidate(); break;
  }
  DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage&) {}

// ---- TWinControl ----------------------------------------------------------------------------

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TWinControl, TControl>("TWinControl")
          .Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
          .Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false)
          .Bool("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered,
                false)
          .Event("OnEnter", &TWinControl::OnEnter)
          .Event("OnExit", &TWinControl::OnExit)
          .Event("OnKeyDown", &TWinControl::OnKeyDown)
          .Event("OnKeyUp", &TWinControl::OnKeyUp)
          .Event("OnKeyPress", &TWinControl::OnKeyPress);
  return info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  DestroyWindowTree();
  // Children go after the windows, each leaving the lists as it goes.
  DestroyComponents();
  while (!controls_.empty()) controls_.back()->SetParent(nullptr);
  if (parent_) parent_->RemoveControl(this);
  parent_ = nullptr;
}

void TWinControl::DestroyWindowTree() {
  if (!hwnd_) return;
  HWND hwnd = hwnd_;
  ForgetWindows();
  // One call takes the children's windows too: destroying them one by one costs the window
  // server several times as many round trips.
  DestroyWindow(hwnd);
}

void TWinControl::ForgetWindows() {
  for (TControl* control : controls_) {
    if (auto* child = dynamic_cast<TWinControl*>(control)) child->ForgetWindows();
  }
  if (!hwnd_) return;
  // A control that outlives its parent keeps what its window held (text a user typed); none
  // hears of its window going, as none would from a destructor.
  text_ = Text();
  HWND hwnd = std::exchange(hwnd_, nullptr);
  Windows().Remove(hwnd, this);
  if (default_proc_ != DefWindowProcW) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(default_proc_));
  }
}

std::wstring TWinControl::Text() const {
  if (!hwnd_) return text_;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
  return text;
}

TWinControl* TWinControl::FromHandle(HWND hwnd) { return hwnd ? Windows().Find(hwnd) : nullptr; }

void TWinControl::CreateParams(TCreateParams& params) {
  params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (Visible()) params.style |= WS_VISIBLE;
  if (!Enabled()) params.style |= WS_DISABLED;
  if (tab_stop_) params.style |= WS_TABSTOP;
  params.ex_style = WS_EX_CONTROLPARENT;
  if (!parent_) params.parent = parent_window_;
  // The parent window is filled in by CreateWnd: asking for the frame must not make windows.
}

HWND TWinControl::Handle() {
  if (!hwnd_ && parent_) parent_->Handle();  // makes this window too, in its place
  if (!hwnd_) CreateWnd();
  return hwnd_;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (parent_ && !params.parent) params.parent = parent_->Handle();
  if (hwnd_) return;  // the parent made it on the way
  SetControlState(ControlState() | csCreating);
  const bool own_class = params.class_name.empty();
  HWND hwnd =
      CreateWindowExW(params.ex_style, own_class ? FrameworkClass() : params.class_name.c_str(),
                      text_.c_str(), params.style, left_, top_, width_, height_, params.parent,
                      (params.style & WS_CHILD) ? ChildIdentifier(Name()) : nullptr,
                      win::ThisModule(), own_class ? this : nullptr);
  SetControlState(ControlState() & ~csCreating);
  if (!hwnd) {
    throw EComponentError("Cannot create the window of " + Name() + " (" +
                          std::to_string(GetLastError()) + ")");
  }
  if (!own_class) {
    hwnd_ = hwnd;
    Windows().Set(hwnd, this);
    default_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWindowProc)));
  }
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
  AfterCreateWnd();
  for (TControl* control : controls_) {
    if (auto* child = dynamic_cast<TWinControl*>(control); child && !child->hwnd_)
      child->CreateWnd();
  }
  Realign();
}

void TWinControl::DestroyWnd() {
  if (!hwnd_) return;
  // Children first, each keeping what its window holds (text a user typed).
  for (TControl* control : controls_) {
    if (auto* child = dynamic_cast<TWinControl*>(control)) child->DestroyWnd();
  }
  text_ = Text();
  SetControlState(ControlState() | csDestroyingHandle);
  DestroyWindow(hwnd_);  // the children's windows go with it; WM_NCDESTROY forgets each
  SetControlState(ControlState() & ~csDestroyingHandle);
}

void TWinControl::RecreateWnd() {
  if (!hwnd_) return;
  const bool focused = Focused();
  SetControlState(ControlState() | csRecreating);
  try {
    DestroyWnd();
    CreateWnd();
  } catch (...) {
    SetControlState(ControlState() & ~csRecreating);
    throw;
  }
  SetControlState(ControlState() & ~csRecreating);
  if (focused && CanFocus()) SetFocus();
}

void TWinControl::SetParentWindow(HWND window) {
  if (window == parent_window_) return;
  parent_window_ = window;
  RecreateWnd();
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (hwnd_) DestroyWnd();  // made again in the new parent
  TControl::SetParent(parent);
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* window = dynamic_cast<TWinControl*>(control)) tab_list_.push_back(window);
  control->TakeParentFont();
  control->TakeParentColor();
  control->RememberAnchorDistances();
  if (auto* window = dynamic_cast<TWinControl*>(control); window && hwnd_) window->CreateWnd();
  if (control->Align() != TAlign::alNone) Realign();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  std::erase(controls_, control);
  std::erase(tab_list_, control);
  if (mouse_control_ == control) mouse_control_ = nullptr;
  ForgetCaptureControl(control);
  control->parent_ = nullptr;
  if (control->Align() != TAlign::alNone && !(ComponentState() & csDestroying)) Realign();
}

void TWinControl::Notification(TComponent* component, TOperation operation) {
  TControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == mouse_control_) mouse_control_ = nullptr;
  ForgetCaptureControl(component);
}

void TWinControl::ForgetCaptureControl(const TComponent* control) {
  if (!capture_control_ || capture_control_ != control) return;
  capture_control_ = nullptr;
  if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
}

bool TWinControl::CancelControlCapture() {
  if (!capture_control_) return false;
  if (GetCapture() == hwnd_) ReleaseCapture();  // WM_CAPTURECHANGED cancels
  // The capture was gone already, without a word.
  if (TControl* lost = std::exchange(capture_control_, nullptr)) lost->Perform(CM_CANCELMODE);
  return true;
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  const auto& list = parent_->tab_list_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!parent_) return;
  auto& list = parent_->tab_list_;
  std::erase(list, this);
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

bool TWinControl::CanFocus() const {
  for (const TControl* control = this; control; control = control->parent_) {
    if (!control->Visible() || !control->Enabled()) return false;
  }
  return true;
}

bool TWinControl::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EComponentError("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool check_tab_stop) {
  std::vector<TWinControl*> order;
  const auto collect = [&](auto&& self, TWinControl* parent) -> void {
    for (TWinControl* child : parent->tab_list_) {
      order.push_back(child);
      self(self, child);
    }
  };
  collect(collect, this);
  if (order.empty()) return nullptr;
  const auto found = std::find(order.begin(), order.end(), current);
  const int count = static_cast<int>(order.size());
  int index =
      found == order.end() ? (forward ? -1 : count) : static_cast<int>(found - order.begin());
  for (int step = 0; step < count; ++step) {
    index = (index + (forward ? 1 : -1) + count) % count;
    TWinControl* candidate = order[static_cast<size_t>(index)];
    if (candidate->CanFocus() && (!check_tab_stop || candidate->tab_stop_) &&
        candidate->tab_list_.empty()) {
      return candidate;
    }
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward) {
  if (TWinControl* next = FindNextControl(current, forward, true)) next->SetFocus();
}

RECT TWinControl::ClientRect() const {
  if (hwnd_) {
    RECT rect{};
    GetClientRect(hwnd_, &rect);
    return rect;
  }
  // Without a window yet, the frame its style will have (remembered: the system takes long).
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  static std::map<std::pair<DWORD, DWORD>, RECT> frames;
  const auto key = std::make_pair(params.style, params.ex_style);
  auto found = frames.find(key);
  if (found == frames.end()) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.style, FALSE, params.ex_style);
    found = frames.emplace(key, frame).first;
  }
  const RECT frame = found->second;
  return {0, 0, std::max<LONG>(0, width_ - (frame.right - frame.left)),
          std::max<LONG>(0, height_ - (frame.bottom - frame.top))};
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const RECT before{left_, top_, width_, height_};
  TControl::SetBounds(left, top, width, height);
  const bool moved = left_ != before.left || top_ != before.top;
  const bool resized = width_ != before.right || height_ != before.bottom;
  // Placing a window is a round trip to the window server: alignment passes repeat the same
  // bounds many times over.
  if (hwnd_ && (moved || resized)) {
    SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (resized) Realign();
}

void TWinControl::Realign() {
  if (controls_.empty()) return;
  SetControlState(ControlState() | csAlignmentNeeded);
  RECT rest = ClientRect();
  const RECT client = rest;
  for (TAlign align : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight,
                       TAlign::alClient, TAlign::alNone}) {
    for (TControl* c : controls_) {
      if (c->align_ != align || !c->Visible()) continue;
      const int w = c->width_, h = c->height_;
      switch (align) {
        case TAlign::alTop:
          c->SetBounds(rest.left, rest.top, rest.right - rest.left, h);
          rest.top += h;
          break;
        case TAlign::alBottom:
          c->SetBounds(rest.left, rest.bottom - h, rest.right - rest.left, h);
          rest.bottom -= h;
          break;
        case TAlign::alLeft:
          c->SetBounds(rest.left, rest.top, w, rest.bottom - rest.top);
          rest.left += w;
          break;
        case TAlign::alRight:
          c->SetBounds(rest.right - w, rest.top, w, rest.bottom - rest.top);
          rest.right -= w;
          break;
        case TAlign::alClient:
          c->SetBounds(rest.left, rest.top, rest.right - rest.left, rest.bottom - rest.top);
          break;
        case TAlign::alNone: {
          int left = c->left_, top = c->top_, width = w, height = h;
          const int right = client.right - c->anchor_right_;
          const int bottom = client.bottom - c->anchor_bottom_;
          if (c->anchors_ & akRight) {
            if (c->anchors_ & akLeft)
              width = right - left;
            else
              left = right - width;
          }
          if (c->anchors_ & akBottom) {
            if (c->anchors_ & akTop)
              height = bottom - top;
            else
              top = bottom - height;
          }
          c->SetBounds(left, top, width, height);
          break;
        }
      }
    }
  }
  SetControlState(ControlState() & ~csAlignmentNeeded);
}

void TWinControl::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TWinControl::Update() {
  if (hwnd_) UpdateWindow(hwnd_);
}

void TWinControl::PaintBackground(HDC dc) {
  win::UniqueBrush brush(CreateSolidBrush(ColorToRGB(color_)));
  const RECT client = ClientRect();
  FillRect(dc, &client, brush.get());
}

void TWinControl::PaintWindow(HDC dc) { PaintControls(dc); }

void TWinControl::PaintControls(HDC dc) {
  for (TControl* control : controls_) {
    if (control->Visible() && !dynamic_cast<TWinControl*>(control)) {
      control->PaintTo(dc, control->left_, control->top_);
    }
  }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
  Handle();
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, x, y, nullptr);
  const RECT client = ClientRect();
  IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  if (default_proc_ == DefWindowProcW) {
    PaintBackground(dc);
    PaintWindow(dc);
  } else if (client.right > 0 && client.bottom > 0) {
    // System controls clip to their client rectangle taken as device coordinates (Wine's
    // buttons): they paint at the origin of a DC of their own, copied into place.
    win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    win::UniqueBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    SendMessageW(hwnd_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()),
                 PRF_CLIENT | PRF_ERASEBKGND);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
  }
  for (TControl* control : controls_) {
    if (auto* child = dynamic_cast<TWinControl*>(control); child && child->Visible()) {
      // A child with a frame (a sunken edit) draws its client part inside the frame.
      RECT window{}, inner{};
      GetWindowRect(child->Handle(), &window);
      GetClientRect(child->hwnd_, &inner);
      MapWindowPoints(child->hwnd_, nullptr, reinterpret_cast<POINT*>(&inner), 2);
      const int dx = inner.left - window.left, dy = inner.top - window.top;
      if (dx > 0 || dy > 0) {
        RECT edge = child->BoundsRect();
        DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
      }
      child->PaintTo(dc, child->left_ + dx, child->top_ + dy);
    }
  }
  RestoreDC(dc, saved);
}

std::vector<TComponent*> TWinControl::StreamedChildren(TComponent& root) {
  std::vector<TComponent*> children;
  for (TControl* control : controls_) {
    if (control->Owner() == &root) children.push_back(control);
  }
  return children;
}

void TWinControl::AdoptStreamedChild(TComponent& child) {
  if (auto* control = dynamic_cast<TControl*>(&child)) control->SetParent(this);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

TControl* TWinControl::ControlAt(POINT point) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* control = *it;
    const RECT rect = control->BoundsRect();
    if (control->Visible() && control->Enabled() && !dynamic_cast<TWinControl*>(control) &&
        PtInRect(&rect, point)) {
      return control;
    }
  }
  return nullptr;
}

void TWinControl::UpdateMouseInside(TControl* control) {
  if (control == mouse_control_) return;
  TControl* old = std::exchange(mouse_control_, control);
  if (old) old->Perform(CM_MOUSELEAVE);
  if (control) control->Perform(CM_MOUSEENTER);
}

void TWinControl::KeyDown(WORD& key, unsigned shift) { OnKeyDown(this, key, shift); }

void TWinControl::KeyPress(wchar_t& key) { OnKeyPress(this, key); }

void TWinControl::WndProc(TMessage& message) {
  const bool own_class = default_proc_ == DefWindowProcW;
  switch (message.msg) {
    case WM_PAINT:
      // A DC in WParam: paint into it (a child drawing its parent's background there).
      if (own_class && message.wParam) {
        PaintWindow(reinterpret_cast<HDC>(message.wParam));
        return;
      }
      if (own_class) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        if (double_buffered_) {
          const RECT client = ClientRect();
          win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
          win::UniqueBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
          HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
          PaintBackground(memory.get());
          PaintWindow(memory.get());
          BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
          SelectObject(memory.get(), old);
        } else {
          PaintWindow(dc);
        }
        EndPaint(hwnd_, &ps);
        return;
      }
      break;
    case WM_PRINTCLIENT:
      if (own_class) {
        if (message.lParam & PRF_ERASEBKGND) PaintBackground(reinterpret_cast<HDC>(message.wParam));
        PaintWindow(reinterpret_cast<HDC>(message.wParam));
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (own_class) {
        if (!double_buffered_) PaintBackground(reinterpret_cast<HDC>(message.wParam));
        message.result = 1;
        return;
      }
      break;
    case WM_COMMAND:
    case WM_NOTIFY: {
      HWND from = message.msg == WM_COMMAND ? reinterpret_cast<HWND>(message.lParam)
                                            : reinterpret_cast<NMHDR*>(message.lParam)->hwndFrom;
      if (TWinControl* child = FromHandle(from); child && child != this) {
        message.result = child->Perform(CN_BASE + message.msg, message.wParam, message.lParam);
        return;
      }
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(message.lParam))) {
        HDC dc = reinterpret_cast<HDC>(message.wParam);
        SetTextColor(dc, ColorToRGB(child->Font().Color()));
        SetBkColor(dc, ColorToRGB(child->Color()));
        message.result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        if (child->ctl_brush_color_ != child->Color() || !child->ctl_brush_) {
          child->ctl_brush_.reset(CreateSolidBrush(ColorToRGB(child->Color())));
          child->ctl_brush_color_ = child->Color();
        }
        message.result = reinterpret_cast<LRESULT>(child->ctl_brush_.get());
        return;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.lParam);
      if (!(pos->flags & SWP_NOSIZE) || !(pos->flags & SWP_NOMOVE)) {
        RECT rect{};
        GetWindowRect(hwnd_, &rect);
        if (HWND parent = GetParent(hwnd_);
            parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) {
          MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        }
        const bool resized = rect.right - rect.left != width_ || rect.bottom - rect.top != height_;
        left_ = rect.left;
        top_ = rect.top;
        width_ = rect.right - rect.left;
        height_ = rect.bottom - rect.top;
        if (resized) {
          Realign();
          Resize();
        }
      }
      break;
    }
    case WM_SETTEXT: {
      DefaultHandler(message);
      std::wstring text = message.lParam ? reinterpret_cast<const wchar_t*>(message.lParam) : L"";
      // Our own SetText stored the text first and hears nothing new here.
      if (text != text_) {
        text_ = std::move(text);
        Perform(CM_TEXTCHANGED);
      }
      return;
    }
    case WM_SETFOCUS: {
      TWinControl* top = this;
      while (top->parent_) top = top->parent_;
      if (top != this) top->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
      Perform(CM_ENTER);
      OnEnter(this);
      break;
    }
    case WM_KILLFOCUS:
      Perform(CM_EXIT);
      OnExit(this);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(message.wParam);
      KeyDown(key, KeyboardShiftState());
      if (key == 0) return;
      message.wParam = key;
      break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(message.wParam);
      OnKeyUp(this, key, KeyboardShiftState());
      if (key == 0) return;
      break;
    }
    case WM_CHAR: {
      wchar_t key = static_cast<wchar_t>(message.wParam);
      KeyPress(key);
      if (key == 0) return;
      message.wParam = key;
      break;
    }
    case WM_SETCURSOR:
      if (LOWORD(message.lParam) == HTCLIENT && reinterpret_cast<HWND>(message.wParam) == hwnd_) {
        POINT point;
        GetCursorPos(&point);
        ::ScreenToClient(hwnd_, &point);
        TControl* under = ControlAt(point);
        // The screen's cursor (the hour-glass of long work) goes over every control's own.
        TCursor cursor = under && under->Cursor() != crDefault ? under->Cursor() : Cursor();
        if (Screen().Cursor() != crDefault) cursor = Screen().Cursor();
        if (cursor != crDefault) {
          ::SetCursor(Screen().CursorHandle(cursor));
          message.result = 1;
          return;
        }
      }
      break;
    case WM_MOUSELEAVE: UpdateMouseInside(nullptr); break;
    case WM_CANCELMODE: CancelControlCapture(); break;
    case WM_CAPTURECHANGED:
      // Someone else took the mouse (a popup, another window): the drag is cancelled.
      if (reinterpret_cast<HWND>(message.lParam) != hwnd_) {
        if (TControl* lost = std::exchange(capture_control_, nullptr)) lost->Perform(CM_CANCELMODE);
      }
      break;
    case CM_ENABLEDCHANGED:
      if (hwnd_) EnableWindow(hwnd_, Enabled());
      break;
    case CM_VISIBLECHANGED:
      if (hwnd_ && parent_) ShowWindow(hwnd_, Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case CM_TEXTCHANGED:
      if (hwnd_ && Text() != text_) SetWindowTextW(hwnd_, text_.c_str());
      break;
    case CM_FONTCHANGED:
    case CM_PARENTFONTCHANGED:
      TControl::WndProc(message);
      if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
      for (TControl* control : controls_) control->Perform(CM_PARENTFONTCHANGED);
      return;
    case CM_COLORCHANGED:
    case CM_PARENTCOLORCHANGED:
      TControl::WndProc(message);
      for (TControl* control : controls_) control->Perform(CM_PARENTCOLORCHANGED);
      return;
  }
  if (IsMouseMessage(message.msg)) {
    const POINT point = PointFrom(message.lParam);
    // Until the button comes up, the control it went down on has the mouse, wherever it is.
    TControl* target = capture_control_ ? capture_control_ : ControlAt(point);
    if (message.msg == WM_MOUSEMOVE) {
      UpdateMouseInside(target ? target : this);
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
      TrackMouseEvent(&track);
    }
    if (target && target != this) {
      if (message.msg == WM_LBUTTONDOWN) {
        capture_control_ = target;
        SetCapture(hwnd_);
      }
      // Forgotten first, so that losing the capture is no cancel.
      if (message.msg == WM_LBUTTONUP && std::exchange(capture_control_, nullptr)) ReleaseCapture();
      message.result = target->Perform(message.msg, message.wParam,
                                       MAKELPARAM(point.x - target->left_, point.y - target->top_));
      return;
    }
  }
  TControl::WndProc(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!hwnd_ || message.msg >= CM_BASE) return;
  // A window of ours without a frame or scroll bars has nothing outside its client area; the
  // system's frame painting would still take a window DC for it (under Wine, several round trips
  // to the server for each window that shows).
  if (message.msg == WM_NCPAINT && default_proc_ == DefWindowProcW && !HasNonClientArea()) {
    message.result = 0;
    return;
  }
  message.result =
      CallWindowProcW(default_proc_, hwnd_, message.msg, message.wParam, message.lParam);
}

bool TWinControl::HasNonClientArea() const {
  RECT window{}, client{};
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}

// ---- TGraphicControl and TCustomControl -------------------------------------------------------

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TGraphicControl, TControl>("TGraphicControl");
  return info;
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::PaintTo(HDC dc, int x, int y) {
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, x, y, nullptr);
  IntersectClipRect(dc, 0, 0, width_, height_);
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
  RestoreDC(dc, saved);
}

void TGraphicControl::WndProc(TMessage& message) {
  if (message.msg == WM_PAINT) {
    canvas_.SetHandle(reinterpret_cast<HDC>(message.wParam));
    canvas_.Font().Assign(font_);
    try {
      Paint();
    } catch (...) {
      canvas_.SetHandle(nullptr);
      throw;
    }
    canvas_.SetHandle(nullptr);
    return;
  }
  TControl::WndProc(message);
}

const TClassInfo& TCustomControl::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TCustomControl, TWinControl>("TCustomControl");
  return info;
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintWindow(HDC dc) {
  canvas_.SetHandle(dc);
  canvas_.Font().Assign(font_);
  try {
    Paint();
  } catch (...) {
    canvas_.SetHandle(nullptr);
    throw;
  }
  canvas_.SetHandle(nullptr);
  TWinControl::PaintWindow(dc);
}

}  // namespace framework
