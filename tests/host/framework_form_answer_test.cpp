// The stand-in host answers the framework's modal forms as it answers message boxes: by the
// form's caption and a button's caption.
#include <gtest/gtest.h>

#include "framework/stdctrls.h"
#include "host/plavena/dialog_answerer.h"

namespace {

using namespace framework;

// A dialog built in code: a text and the two buttons of a confirmation.
struct Confirmation {
  TForm form{nullptr};
  Confirmation() {
    form.SetCaption(L"Framework form");
    form.SetBorderStyle(TFormBorderStyle::bsDialog);
    auto* text = new TEdit(&form);
    text->SetParent(&form);
    text->SetText(L"Export the board?");
    AddButton(L"OK", kModalOk, 20);
    AddButton(L"Cancel", kModalCancel, 110);
  }
  void AddButton(const wchar_t* caption, int result, int left) {
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(left, 60, 75, 25);
    button->SetCaption(caption);
    button->SetModalResult(result);
  }
};

TEST(StandInHost, AnswersFrameworkFormsByButtonCaption) {
  for (const char* button : {"Cancel", "OK"}) {
    SCOPED_TRACE(button);
    plavena::Journal journal;
    plavena::DialogAnswerer answerer(journal, {{"Framework form", button}});
    Confirmation dialog;
    EXPECT_EQ(dialog.form.ShowModal(), std::string(button) == "OK" ? kModalOk : kModalCancel);
    EXPECT_EQ(journal.Lines(),
              std::vector<std::string>{
                  std::string("dialog \"Framework form\": Export the board? -> ") + button});
  }
}

}  // namespace
