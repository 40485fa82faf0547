// The tests' sample dialog.
#include "sample_form.h"

namespace testforms {

using namespace framework;

TSampleForm::TSampleForm(TComponent* owner, const char* resource) : TForm(owner) {
  RegisterSampleClasses();
  if (*resource) LoadFromResource(GetModuleHandleW(nullptr), resource);
}

const TClassInfo& TSampleForm::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TSampleForm, TForm>("TSampleForm")
                                     .Method("ButtonOKClick", &TSampleForm::ButtonOKClick)
                                     .Method("FormShow", &TSampleForm::FormShow)
                                     .Method("WrongHandler", &TSampleForm::WrongHandler);
  return info;
}

void TSampleForm::ButtonOKClick(TComponent*) { ++ok_clicks; }
void TSampleForm::FormShow(TComponent*) { ++shows; }
void TSampleForm::WrongHandler(int) {}

void RegisterSampleClasses() {
  static const bool registered = [] {
    RegisterStandardControls();
    RegisterComponent<TSampleForm>();
    return true;
  }();
  (void)registered;
}

}  // namespace testforms
