// The standard controls the dialogs use as they stand: label, button, edit, memo, panel, image,
// and the timer.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/picture.h"

namespace framework {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// Text painted by its parent, wrapped or on one line.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool value);
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool value);

 protected:
  void Paint() override;

 private:
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool word_wrap_ = false;
  bool transparent_ = false;
};

// The system's push button: it answers BM_CLICK and gives its caption through WM_GETTEXT.
class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  void SetDefault(bool value) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
};

// The system's check box: a click toggles it and calls OnClick.
class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  bool Checked() const noexcept { return checked_; }
  void SetChecked(bool value);
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;

 private:
  bool checked_ = false;
};

// The system's edit control, one line.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  bool ReadOnly() const noexcept { return read_only_; }
  void SetReadOnly(bool value);
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool read_only_ = false;
};

// The system's multi-line edit; Lines holds its text line by line.
class TMemo : public TEdit {
 public:
  explicit TMemo(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  bool WantReturns() const noexcept { return want_returns_; }
  void SetWantReturns(bool value) { want_returns_ = value; }
  bool WantTabs() const noexcept { return want_tabs_; }
  void SetWantTabs(bool value) { want_tabs_ = value; }
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool value);
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool want_returns_ = true;
  bool want_tabs_ = false;
  bool word_wrap_ = true;
};

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

// A raised or lowered area with a centred caption that holds other controls.
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  TPanelBevel BevelOuter() const noexcept { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel bevel);

 protected:
  void Paint() override;

 private:
  TPanelBevel bevel_outer_ = TPanelBevel::bvRaised;
};

// A picture, drawn as it is, centred or stretched.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  TPicture& Picture() noexcept { return picture_; }
  bool Stretch() const noexcept { return stretch_; }
  void SetStretch(bool value);
  bool Center() const noexcept { return center_; }
  void SetCenter(bool value);
  // The picture's stored form, for the form description's Picture.Data.
  void ReadPicture(TStream& stream) { picture_.ReadData(stream); }
  void WritePicture(TStream& stream);

 protected:
  void Paint() override;

 private:
  TPicture picture_;
  bool stretch_ = false;
  bool center_ = false;
};

// Calls OnTimer every Interval milliseconds while Enabled, from the thread's message loop.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value);
  int Interval() const noexcept { return interval_; }
  void SetInterval(int milliseconds);
  TNotifyEvent OnTimer;

 private:
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept;
  void Update();
  bool enabled_ = true;
  int interval_ = 1000;
  UINT_PTR id_ = 0;
};

// Makes the standard controls, the image list and the popup menu known to form descriptions.
void RegisterStandardControls();

}  // namespace framework
