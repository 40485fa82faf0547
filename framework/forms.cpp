// Forms and their modal loop.
#include "framework/forms.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/screen.h"

namespace framework {

namespace {

const std::vector<std::string> kBorderStyleNames = {"bsNone",   "bsSingle",     "bsSizeable",
                                                    "bsDialog", "bsToolWindow", "bsSizeToolWin"};
const std::vector<std::string> kPositionNames = {"poDesigned",       "poDefault",
                                                 "poScreenCenter",   "poDesktopCenter",
                                                 "poMainFormCenter", "poOwnerFormCenter"};

template <class Visit>
void ForEachDescendant(TWinControl& parent, Visit&& visit) {
  for (TControl* control : parent.Controls()) {
    visit(*control);
    if (auto* window = dynamic_cast<TWinControl*>(control)) ForEachDescendant(*window, visit);
  }
}

}  // namespace

const TClassInfo& TSizeConstraints::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo("TSizeConstraints")
          .Int("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight, 0)
          .Int("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth, 0)
          .Int("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight, 0)
          .Int("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth, 0);
  return info;
}

SIZE TSizeConstraints::Apply(int width, int height) const {
  if (max_width_ > 0) width = std::min(width, max_width_);
  if (max_height_ > 0) height = std::min(height, max_height_);
  return {std::max(width, min_width_), std::max(height, min_height_)};
}

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TForm, TWinControl>("TForm")
          .Enum("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle, kBorderStyleNames,
                TFormBorderStyle::bsSizeable)
          .Enum("Position", &TForm::Position, &TForm::SetPosition, kPositionNames,
                TPosition::poDesigned)
          .Object("Constraints", &TForm::Constraints, TSizeConstraints::StaticClassInfo())
          .Int("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth, -1)
          .Int("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight, -1)
          .Bool("Visible", &TForm::Visible, &TForm::SetVisible, false)
          .Event("OnShow", &TForm::OnShow)
          .Event("OnHide", &TForm::OnHide)
          .Event("OnClose", &TForm::OnClose)
          .Event("OnCloseQuery", &TForm::OnCloseQuery)
          .Event("OnActivate", &TForm::OnActivate)
          .Event("OnDeactivate", &TForm::OnDeactivate)
          .Event("OnCreate", &TForm::OnCreate);
  return info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  SetParentFont(false);
  SetParentColor(false);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  DestroyWindowTree();
  DestroyComponents();
}

void TForm::LoadFromResource(HMODULE module, const std::string& resource_name) {
  ReadComponentResource(*this, module, resource_name);
  OnCreate(this);
}

void TForm::Loaded() { TWinControl::Loaded(); }

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  const RECT client = ClientRect();
  border_style_ = style;
  // While a description is read, a client size it already gave stays and the frame changes
  // around it; later the window keeps its outer size, as a user sees it.
  if (ComponentState() & csLoading) SetClientSize(client.right, client.bottom);
  RecreateWnd();
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.style = WS_POPUP | WS_CLIPCHILDREN | (Visible() ? WS_VISIBLE : 0);
  params.ex_style = WS_EX_CONTROLPARENT;
  params.parent = Application::Instance().Handle();
  if (ParentWindow()) {
    // Embedded in a host's window: a plain child there, without a frame of its own.
    params.style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (Visible() ? WS_VISIBLE : 0);
    params.parent = ParentWindow();
    return;
  }
  switch (border_style_) {
    case TFormBorderStyle::bsNone: break;
    case TFormBorderStyle::bsSingle:
      params.style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case TFormBorderStyle::bsSizeable:
      params.style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case TFormBorderStyle::bsDialog:
      params.style |= WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      params.ex_style |= WS_EX_DLGMODALFRAME;
      break;
    case TFormBorderStyle::bsToolWindow:
      params.style |= WS_CAPTION | WS_SYSMENU;
      params.ex_style |= WS_EX_TOOLWINDOW;
      break;
    case TFormBorderStyle::bsSizeToolWin:
      params.style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      params.ex_style |= WS_EX_TOOLWINDOW;
      break;
  }
}

void TForm::SetBounds(int left, int top, int width, int height) {
  const SIZE size = constraints_.Apply(width, height);
  TWinControl::SetBounds(left, top, size.cx, size.cy);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == active_control_) return;
  if (active_control_) active_control_->RemoveFreeNotification(this);
  active_control_ = control;
  if (control) {
    control->FreeNotification(this);
    if (HandleAllocated() && IsWindowVisible(hwnd_) && control->CanFocus()) control->SetFocus();
  }
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == active_control_) active_control_ = nullptr;
}

void TForm::PlaceOnScreen() {
  RECT area = Screen().WorkArea();
  switch (position_) {
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter:
      if (HWND owner = Application::Instance().Handle(); owner && IsWindowVisible(owner)) {
        GetWindowRect(owner, &area);
      }
      break;
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter: break;
    default: return;
  }
  SetBounds(area.left + (area.right - area.left - Width()) / 2,
            area.top + (area.bottom - area.top - Height()) / 2, Width(), Height());
}

void TForm::Show() {
  Handle();
  PlaceOnScreen();
  SetVisible(true);
  SetForegroundWindow(hwnd_);
  TWinControl* focus = active_control_ && active_control_->CanFocus()
                           ? active_control_
                           : FindNextControl(nullptr, true, true);
  if (focus) focus->SetFocus();
}

int TForm::ShowModal() {
  if (modal_ || (HandleAllocated() && IsWindowVisible(hwnd_))) {
    throw EComponentError("Cannot make a visible window modal");
  }
  HWND owner = Application::Instance().Handle();
  const bool owner_was_enabled = owner && IsWindowEnabled(owner);
  if (GetCapture()) ReleaseCapture();
  modal_ = true;
  modal_result_ = kModalNone;
  // Whatever ends the loop, the owner comes back and the form goes out of sight.
  struct Restore {
    TForm& form;
    HWND owner;
    bool enable;
    ~Restore() {
      if (form.hwnd_) {
        ShowWindow(form.hwnd_, SW_HIDE);
        form.SetVisible(false);
      }
      if (enable) EnableWindow(owner, TRUE);
      form.modal_ = false;
    }
  } restore{*this, owner, owner_was_enabled};
  if (owner_was_enabled) EnableWindow(owner, FALSE);
  Show();
  Application& application = Application::Instance();
  while (modal_result_ == kModalNone) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      application.ProcessIdle();
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns the thread
      modal_result_ = kModalCancel;
      break;
    }
    bool handled = false;
    try {
      handled = application.ProcessMessage(msg);
    } catch (...) {
      application.HandleException();
      handled = true;
    }
    if (!handled) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (modal_result_ != kModalNone && !CloseQuery()) modal_result_ = kModalNone;
  }
  return modal_result_;
}

bool TForm::CloseQuery() {
  bool can_close = true;
  OnCloseQuery(this, can_close);
  if (!can_close) return false;
  TCloseAction action = TCloseAction::caHide;
  OnClose(this, action);
  return action != TCloseAction::caNone;
}

void TForm::Close() {
  if (modal_) {
    modal_result_ = kModalCancel;
    return;
  }
  bool can_close = true;
  OnCloseQuery(this, can_close);
  if (!can_close) return;
  TCloseAction action = TCloseAction::caHide;
  OnClose(this, action);
  switch (action) {
    case TCloseAction::caHide: SetVisible(false); break;
    case TCloseAction::caFree: Release(); break;
    case TCloseAction::caMinimize:
      if (hwnd_) ShowWindow(hwnd_, SW_MINIMIZE);
      break;
    case TCloseAction::caNone: break;
  }
}

void TForm::Release() { PostMessageW(Handle(), CM_RELEASE, 0, 0); }

TButtonControl* TForm::FindButton(bool cancel) {
  TButtonControl* found = nullptr;
  ForEachDescendant(*this, [&](TControl& control) {
    auto* button = dynamic_cast<TButtonControl*>(&control);
    if (!found && button && (cancel ? button->Cancel() : button->Default()) && button->CanFocus()) {
      found = button;
    }
  });
  return found;
}

bool TForm::DialogKey(WORD key) {
  switch (key) {
    case VK_TAB:
      if (GetKeyState(VK_CONTROL) < 0) return false;
      SelectNext(active_control_, GetKeyState(VK_SHIFT) >= 0);
      return true;
    case VK_RETURN: {
      auto* focused = dynamic_cast<TButtonControl*>(active_control_);
      TButtonControl* button = focused && focused->Focused() ? focused : FindButton(false);
      if (!button) return false;
      button->Click();
      return true;
    }
    case VK_ESCAPE:
      if (TButtonControl* button = FindButton(true)) {
        button->Click();
        return true;
      }
      return false;
  }
  return false;
}

void TForm::WndProc(TMessage& message) {
  switch (message.msg) {
    case CM_RELEASE:
      delete this;  // nothing of the form may be touched after this
      return;
    case CM_DIALOGKEY: message.result = DialogKey(static_cast<WORD>(message.wParam)); return;
    case CM_DIALOGCHAR:
      // Offered to each enabled, showing control until one takes the accelerator.
      ForEachDescendant(*this, [&](TControl& control) {
        if (message.result == 0 && control.Enabled() && control.Showing()) {
          message.result = control.Perform(CM_DIALOGCHAR, message.wParam, message.lParam);
        }
      });
      return;
    case CM_FOCUSCHANGED: active_control_ = reinterpret_cast<TWinControl*>(message.lParam); return;
    case CM_VISIBLECHANGED:
      if (hwnd_) ShowWindow(hwnd_, Visible() ? SW_SHOW : SW_HIDE);
      return;
    case WM_SHOWWINDOW:
      if (message.wParam) {
        OnShow(this);
      } else {
        OnHide(this);
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(message.wParam) != WA_INACTIVE) {
        OnActivate(this);
        if (active_control_ && active_control_->CanFocus()) {
          ::SetFocus(active_control_->Handle());
          return;
        }
      } else {
        OnDeactivate(this);
      }
      break;
    case WM_CLOSE: Close(); return;
    case WM_COMMAND:
      // Commands without a control: the system's (or a helper's) OK and Cancel.
      if (message.lParam == 0 &&
          (LOWORD(message.wParam) == IDOK || LOWORD(message.wParam) == IDCANCEL)) {
        const bool cancel = LOWORD(message.wParam) == IDCANCEL;
        if (TButtonControl* button = FindButton(cancel)) {
          button->Click();
        } else if (modal_) {
          modal_result_ = cancel ? kModalCancel : kModalOk;
        }
        return;
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(message.lParam);
      if (constraints_.MinWidth() > 0) info->ptMinTrackSize.x = constraints_.MinWidth();
      if (constraints_.MinHeight() > 0) info->ptMinTrackSize.y = constraints_.MinHeight();
      if (constraints_.MaxWidth() > 0) info->ptMaxTrackSize.x = constraints_.MaxWidth();
      if (constraints_.MaxHeight() > 0) info->ptMaxTrackSize.y = constraints_.MaxHeight();
      return;
    }
  }
  TWinControl::WndProc(message);
}

const TClassInfo& TButtonControl::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TButtonControl, TCustomControl>("TButtonControl")
          .Bool("Cancel", &TButtonControl::Cancel, &TButtonControl::SetCancel, false)
          .Bool("Default", &TButtonControl::Default, &TButtonControl::SetDefault, false)
          .Int("ModalResult", &TButtonControl::ModalResult, &TButtonControl::SetModalResult, 0)
          .Bool("TabStop", &TButtonControl::TabStop, &TButtonControl::SetTabStop, true);
  return info;
}

void TButtonControl::Click() {
  if (modal_result_ != kModalNone) {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
  }
  TCustomControl::Click();
}

TForm* GetParentForm(TControl* control) {
  while (control && control->Parent()) control = control->Parent();
  return dynamic_cast<TForm*>(control);
}

}  // namespace framework
