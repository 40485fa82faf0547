#include "sdk/form_acrobat_reader_warning.h"

#include "framework/win/module.h"
#include "sdk/pdf_help.h"

namespace sdk {

using namespace framework;

namespace {

void RegisterWarningClasses() {
  static const bool registered = [] {
    RegisterStandardControls();
    RegisterComponent<TAcrobatReaderWarning>();
    return true;
  }();
  (void)registered;
}

}  // namespace

TAcrobatReaderWarning::TAcrobatReaderWarning(TComponent* owner) : TForm(owner) {
  RegisterWarningClasses();
  LoadFromResource(win::ThisModule(), "TACROBATREADERWARNING");
  // The system's warning sign on the dialog's face colour.
  auto& image = dynamic_cast<TImage&>(*FindComponent("Image1"));
  TBitmap& bitmap = image.Picture().Bitmap();
  const int size = image.Width();
  bitmap.SetSize(size, size);
  const RECT all{0, 0, size, size};
  FillRect(bitmap.Canvas().Handle(), &all, GetSysColorBrush(COLOR_BTNFACE));
  DrawIconEx(bitmap.Canvas().Handle(), 0, 0, LoadIconW(nullptr, IDI_WARNING), size, size, 0,
             nullptr, DI_NORMAL);
  image.Invalidate();
}

const TClassInfo& TAcrobatReaderWarning::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TAcrobatReaderWarning, TForm>("TAcrobatReaderWarning");
  return info;
}

TCheckBox& TAcrobatReaderWarning::DontShowAgain() {
  return dynamic_cast<TCheckBox&>(*FindComponent("CheckBox1"));
}

void ShowAcrobatReaderWarning() {
  TAcrobatReaderWarning form(nullptr);
  if (!IsAcrobatWarningEnabled()) return;
  form.ShowModal();
  if (form.DontShowAgain().Checked()) DisableAcrobatWarning();
}

}  // namespace sdk
