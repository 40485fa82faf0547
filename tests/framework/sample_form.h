// The tests' sample dialog, built from the FORMTEXT resource TSAMPLEFORM of the test program.
#pragma once

#include <string>

#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace testforms {

class TSampleForm : public framework::TForm {
 public:
  // Loads the description unless `text` replaces it ("" loads nothing).
  explicit TSampleForm(framework::TComponent* owner, const char* resource = "TSAMPLEFORM");
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  template <class T>
  T& Get(const std::string& name) {
    return dynamic_cast<T&>(*FindComponent(name));
  }

  void ButtonOKClick(framework::TComponent* sender);
  void FormShow(framework::TComponent* sender);
  void WrongHandler(int value);

  int ok_clicks = 0;
  int shows = 0;
};

// The standard controls and the sample form's class, registered once.
void RegisterSampleClasses();

}  // namespace testforms
