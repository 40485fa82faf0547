// The base of the plug-in's dialogs: built from its form description, shown modally, and in the
// automated test mode reported on standard output instead of shown.
#pragma once

#include "framework/forms.h"

namespace controls {

// Derived dialogs build themselves with LoadFromResource in their constructor, once their own
// class (and so their handlers) is complete.
class TServerDialog : public framework::TForm {
 public:
  explicit TServerDialog(framework::TComponent* owner) : TForm(owner) {}
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The modal result (1 for OK, 2 for Cancel). In test mode the dialog's name and caption are
  // written to standard output and the process ends with code 1 instead: nobody is there to
  // answer it. While it runs, an exception in a handler is reported and the dialog goes on: a
  // failure of the module's own family as a message (through the application's handler, or a
  // message box), any other fault as a bug report handed to the host's exception handling.
  int ShowModal();

 protected:
  // The form theme: the dialog takes the face colour of the paint style, and its controls with
  // it.
  void Loaded() override;
};

}  // namespace controls
