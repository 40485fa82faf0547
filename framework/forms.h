// Forms: top-level windows owned by the application window, shown modelessly or modally with
// their own message loop, with default and cancel buttons, Tab navigation, and delayed freeing.
#pragma once

#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/message_dialog.h"

namespace framework {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition {
  poDesigned,
  poDefault,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = TEvent<TComponent*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TComponent*, bool&>;

// Smallest and largest size of a form; 0 means no limit.
class TSizeConstraints {
 public:
  int MinWidth() const noexcept { return min_width_; }
  void SetMinWidth(int value) { min_width_ = value; }
  int MinHeight() const noexcept { return min_height_; }
  void SetMinHeight(int value) { min_height_ = value; }
  int MaxWidth() const noexcept { return max_width_; }
  void SetMaxWidth(int value) { max_width_ = value; }
  int MaxHeight() const noexcept { return max_height_; }
  void SetMaxHeight(int value) { max_height_ = value; }
  static const TClassInfo& StaticClassInfo();
  // The size within the limits.
  SIZE Apply(int width, int height) const;

 private:
  int min_width_ = 0, min_height_ = 0, max_width_ = 0, max_height_ = 0;
};

class TButtonControl;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Builds the form from its description, a FORMTEXT resource of `module`; derived forms call
  // it in their constructor (when their own class is complete).
  void LoadFromResource(HMODULE module, const std::string& resource_name);

  TFormBorderStyle BorderStyle() const noexcept { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TPosition Position() const noexcept { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TSizeConstraints& Constraints() noexcept { return constraints_; }
  int ModalResult() const noexcept { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }
  TWinControl* ActiveControl() const noexcept { return active_control_; }
  void SetActiveControl(TWinControl* control);
  void SetBounds(int left, int top, int width, int height) override;

  // Shows the form modally: the application window is disabled and the form's own loop runs
  // until ModalResult is set (a button, Escape, Close); returns it.
  int ShowModal();
  bool Modal() const noexcept { return modal_; }
  void Show();
  // Modal: the result becomes mrCancel. Otherwise OnClose decides (hide by default).
  void Close();
  // Frees the form through a posted message once the current message is done.
  void Release();

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnCreate;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Loaded() override;
  bool CloseQuery();

 private:
  void PlaceOnScreen();
  // The button that Enter (default) or Escape (cancel) presses, if any can be pressed now.
  TButtonControl* FindButton(bool cancel);
  bool DialogKey(WORD key);
  void Notification(TComponent* component, TOperation operation) override;

  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDesigned;
  TSizeConstraints constraints_;
  int modal_result_ = kModalNone;
  bool modal_ = false;
  TWinControl* active_control_ = nullptr;
};

// Buttons of any look: forms ask them for Default, Cancel and ModalResult.
// Own-drawn buttons paint on the canvas; the system's ones leave it unused.
class TButtonControl : public TCustomControl {
 public:
  explicit TButtonControl(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  bool Default() const noexcept { return default_; }
  virtual void SetDefault(bool value) { default_ = value; }
  bool Cancel() const noexcept { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  int ModalResult() const noexcept { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }
  // Presses the button as a user would: OnClick, then the form's modal result.
  void Click() override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = kModalNone;
};

// The form that holds a control, or null.
TForm* GetParentForm(TControl* control);

}  // namespace framework
