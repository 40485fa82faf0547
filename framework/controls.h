// Controls: TControl (a rectangle in a parent that paints and takes the mouse), TWinControl
// (one with its own window, children, focus and keys), TGraphicControl (painted by its parent)
// and TCustomControl (a window that paints itself on a canvas). Every window of the framework
// runs through one window procedure that turns messages into virtual calls and never lets an
// exception out.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/canvas.h"
#include "framework/classes.h"
#include "framework/form_resource.h"
#include "framework/graphics.h"
#include "framework/persistence.h"

namespace framework {

// The framework's own messages: notifications between controls (CM_*) and messages reflected
// from a parent to the control they concern (CN_*).
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1, CM_DIALOGKEY = CM_BASE + 5,
               CM_DIALOGCHAR = CM_BASE + 6, CM_FOCUSCHANGED = CM_BASE + 7,
               CM_PARENTFONTCHANGED = CM_BASE + 8, CM_PARENTCOLORCHANGED = CM_BASE + 9,
               CM_ENABLEDCHANGED = CM_BASE + 12, CM_COLORCHANGED = CM_BASE + 13,
               CM_FONTCHANGED = CM_BASE + 14, CM_CURSORCHANGED = CM_BASE + 15,
               CM_TEXTCHANGED = CM_BASE + 18, CM_MOUSEENTER = CM_BASE + 19,
               CM_MOUSELEAVE = CM_BASE + 20, CM_VISIBLECHANGED = CM_BASE + 23,
               CM_ENTER = CM_BASE + 26, CM_EXIT = CM_BASE + 27, CM_WANTSPECIALKEY = CM_BASE + 30,
               CM_RELEASE = CM_BASE + 33, CM_SHOWINGCHANGED = CM_BASE + 34,
               CM_HINTSHOW = CM_BASE + 48, CM_RECREATEWND = CM_BASE + 51,
               CM_CANCELMODE = CM_BASE + 4, CM_CTL3DCHANGED = CM_BASE + 16,
               CM_SYSCOLORCHANGE = CM_BASE + 36, CM_DRAG = CM_BASE + 47;
static_assert(CM_RELEASE == 45089, "a form still in the host's hands is freed by this message");
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND, CN_NOTIFY = CN_BASE + WM_NOTIFY;

struct TMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
constexpr unsigned akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;
using TAnchors = unsigned;
constexpr unsigned ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32,
                   ssDouble = 64;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
// What a control is (ControlStyle) and what it is doing (ControlState).
constexpr unsigned csAcceptsControls = 1, csCaptureMouse = 2, csClickEvents = 4, csFramed = 8,
                   csSetCaption = 16, csOpaque = 32, csDoubleClicks = 64, csFixedWidth = 128,
                   csFixedHeight = 256, csNoStdEvents = 512, csReplicatable = 1024,
                   csDisplayDragImage = 2048, csNoDesignVisible = 4096;
constexpr unsigned csLButtonDown = 1, csClicked = 2, csPalette = 4, csReadingState = 8,
                   csAlignmentNeeded = 16, csFocusing = 32, csCreating = 64, csPaintCopy = 128,
                   csCustomPaint = 256, csDestroyingHandle = 512, csDocking = 1024,
                   csRecreating = 4096, csMouseInside = 2048, csPrinting = 8192;
// A cursor identifier: negative for the built-in ones, positive for registered ones (TScreen).
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crDrag = -12, crHSplit = -14, crVSplit = -15,
                  crMultiDrag = -16, crNo = -18, crHandPoint = -21, crSizeAll = -22;

class TWinControl;
LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;

using TMouseEvent = TEvent<TComponent*, TMouseButton, unsigned, int, int>;
using TMouseMoveEvent = TEvent<TComponent*, unsigned, int, int>;
using TKeyEvent = TEvent<TComponent*, WORD&, unsigned>;
using TKeyPressEvent = TEvent<TComponent*, wchar_t&>;

class TCustomAction;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TWinControl* Parent() const noexcept { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const noexcept { return left_; }
  int Top() const noexcept { return top_; }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const noexcept { return {left_, top_, left_ + width_, top_ + height_}; }
  virtual RECT ClientRect() const { return {0, 0, width_, height_}; }
  int ClientWidth() const { return ClientRect().right; }
  int ClientHeight() const { return ClientRect().bottom; }
  virtual void SetClientSize(int width, int height);
  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }

  TAlign Align() const noexcept { return align_; }
  void SetAlign(TAlign align);
  TAnchors Anchors() const noexcept { return anchors_; }
  void SetAnchors(TAnchors anchors);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible itself and every parent up to a shown window.
  bool Showing() const;
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool enabled);
  const std::wstring& Caption() const noexcept { return text_; }
  void SetCaption(const std::wstring& text) { SetText(text); }
  virtual std::wstring Text() const { return text_; }
  virtual void SetText(const std::wstring& text);
  TFont& Font() noexcept { return font_; }
  bool ParentFont() const noexcept { return parent_font_; }
  void SetParentFont(bool value);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const noexcept { return parent_color_; }
  void SetParentColor(bool value);
  // What a form description stores: not what comes from the parent.
  bool ColorStored() const noexcept { return !parent_color_; }
  bool FontStored() const noexcept { return !parent_font_; }
  TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(TCursor cursor);
  std::string Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  bool ShowHint() const noexcept { return show_hint_; }
  void SetShowHint(bool value) { show_hint_ = value; }
  std::string HelpKeyword() const { return help_keyword_; }
  void SetHelpKeyword(const std::string& keyword) { help_keyword_ = keyword; }

  unsigned ControlStyle() const noexcept { return control_style_; }
  void SetControlStyle(unsigned style) noexcept { control_style_ = style; }
  unsigned ControlState() const noexcept { return control_state_; }
  void SetControlState(unsigned state) noexcept { control_state_ = state; }

  // Sends a message to this control's own handling, window or not.
  LRESULT Perform(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  // Paints the control and its children into `dc` with the control's top left at (x, y).
  virtual void PaintTo(HDC dc, int x, int y) = 0;
  POINT ClientToScreen(POINT point) const;
  POINT ScreenToClient(POINT point) const;
  void BringToFront();

  TCustomAction* Action() const noexcept { return action_; }
  // Links the control to `action` (null: none): the control takes the action's caption, enabled
  // and visible state now and at each of its changes, and a click without an OnClick of its own
  // runs the action.
  void SetAction(TCustomAction* action);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

  // The message handling of this control; the default keeps the control's state and then
  // hands the message to the window's own handling (DefaultHandler).
  virtual void WndProc(TMessage& message);

 protected:
  virtual void DefaultHandler(TMessage& message);
  virtual void Click();
  // The linked action changed, or was just linked: takes its caption, enabled and visible state.
  virtual void ActionChange(TCustomAction& action);
  virtual void Resize() { OnResize(this); }
  virtual void MouseDown(TMouseButton button, unsigned shift, int x, int y);
  virtual void MouseUp(TMouseButton button, unsigned shift, int x, int y);
  virtual void MouseMove(unsigned shift, int x, int y);
  // The font or colour the parent has, when ParentFont or ParentColor says so.
  void TakeParentFont();
  void TakeParentColor();
  void Loaded() override;
  // Rectangle in the parent's client area to redraw for a windowless control.
  void InvalidateInParent(bool erase);

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::wstring text_;
  TFont font_;
  TColor color_ = clBtnFace;

 private:
  friend class TWinControl;
  friend class TCustomAction;
  void FontChanged();
  // Where anchors measure from: the distances to the parent's right and bottom edges.
  void RememberAnchorDistances();

  TAlign align_ = TAlign::alNone;
  TAnchors anchors_ = akLeft | akTop;
  int anchor_right_ = 0, anchor_bottom_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  bool parent_font_ = true;
  bool parent_color_ = true;
  bool show_hint_ = false;
  TCursor cursor_ = crDefault;
  std::string hint_;
  std::string help_keyword_;
  unsigned control_style_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  unsigned control_state_ = 0;
  TCustomAction* action_ = nullptr;
};

// What CreateWindowEx gets; a control adjusts it in CreateParams.
struct TCreateParams {
  std::wstring class_name;  // a system class to subclass, or empty for the framework's
  DWORD style = 0;
  DWORD ex_style = 0;
  DWORD class_style = CS_DBLCLKS;
  HWND parent = nullptr;
};

class TWinControl : public TControl, public IStreamableChildren {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The window, made now if it does not exist (with those of the parents and children).
  HWND Handle();
  // The window's text while it exists (the user may have changed it).
  std::wstring Text() const override;
  bool HandleAllocated() const noexcept { return hwnd_ != nullptr; }
  // Makes the window again with the same state (style changes that need a new window).
  void RecreateWnd();
  // Lets the window go, keeping the state, until it is needed again.
  void DestroyHandle() { DestroyWnd(); }
  // A window of someone else's (a host's panel) that holds this control while it has no
  // parent control: the window becomes a child window there. Null: a window of its own.
  HWND ParentWindow() const noexcept { return parent_window_; }
  void SetParentWindow(HWND window);
  void SetParent(TWinControl* parent) override;

  const std::vector<TControl*>& Controls() const noexcept { return controls_; }
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const noexcept { return tab_stop_; }
  void SetTabStop(bool value) { tab_stop_ = value; }
  bool DoubleBuffered() const noexcept { return double_buffered_; }
  void SetDoubleBuffered(bool value) { double_buffered_ = value; }
  bool CanFocus() const;
  bool Focused() const;
  void SetFocus();
  // The next control of the tab order after `current` among this control's descendants.
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool check_tab_stop);
  void SelectNext(TWinControl* current, bool forward);
  // Ends the mouse capture that a control without a window holds through this window (a drag),
  // telling it with CM_CANCELMODE. False when there was none.
  bool CancelControlCapture();
  // The control of that window among the framework's, or null.
  static TWinControl* FromHandle(HWND hwnd);
  // Aligns the children by their Align and Anchors.
  void Realign();
  RECT ClientRect() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void Invalidate() override;
  void Update() override;
  void PaintTo(HDC dc, int x, int y) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  std::vector<TComponent*> StreamedChildren(TComponent& root) override;
  void AdoptStreamedChild(TComponent& child) override;
  void WndProc(TMessage& message) override;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // After the window exists: copy the state the window keeps itself (text, font).
  virtual void AfterCreateWnd() {}
  void DefaultHandler(TMessage& message) override;
  // Whether the window has a frame or scroll bars around its client area.
  bool HasNonClientArea() const;
  // Paints the client area (without the windowed children) onto `dc`.
  virtual void PaintWindow(HDC dc);
  virtual void PaintBackground(HDC dc);
  virtual void KeyDown(WORD& key, unsigned shift);
  virtual void KeyPress(wchar_t& key);
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  // Destroys the window with its children's in one call, while their controls are still
  // there; the controls no longer know the windows then, so no handler runs.
  void DestroyWindowTree();
  HWND hwnd_ = nullptr;

 private:
  friend class TControl;
  friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void ForgetWindows();
  void PaintControls(HDC dc);
  void UpdateMouseInside(TControl* control);
  void ForgetCaptureControl(const TComponent* control);
  TControl* ControlAt(POINT point);

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tab_list_;
  WNDPROC default_proc_ = nullptr;
  bool tab_stop_ = false;
  bool double_buffered_ = false;
  TControl* mouse_control_ = nullptr;
  // The control without a window that the left button went down on, while it is down.
  TControl* capture_control_ = nullptr;
  HWND parent_window_ = nullptr;
  win::UniqueBrush ctl_brush_;  // the background a system control child asks for
  TColor ctl_brush_color_ = clNone;
};

// A control without a window: its parent paints it with a canvas on the parent's DC.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  TCanvas& Canvas() noexcept { return canvas_; }
  void PaintTo(HDC dc, int x, int y) override;
  void WndProc(TMessage& message) override;

 protected:
  virtual void Paint() {}

 private:
  TCanvas canvas_;
};

// A window that paints itself on its canvas.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  TCanvas& Canvas() noexcept { return canvas_; }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  TCanvas canvas_;
};

// The keyboard's shift state as the TShiftState bits.
unsigned KeyboardShiftState();

}  // namespace framework
