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
    // A form that took its answer is hidden, and may live on while its caller reads it: it is
    // not taken for one that stayed open.
    const DWORD until = GetTickCount() + 3 * 250;
    for (MSG msg; GetTickCount() < until;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(journal.Lines(),
              std::vector<std::string>{
                  std::string("dialog \"Framework form\": Export the board? -> ") + button});
    EXPECT_TRUE(answerer.TakeProblems().empty());
  }
}

// An answer the form cannot take is no answer: a button it lacks cancels it at once, and an OK it
// refuses (staying open after its message) is cancelled; either way the run did not go as asked,
// and the problem carries the form's own message. A Cancel asked for and refused is no problem.
TEST(StandInHost, AFormThatCannotTakeItsAnswerIsCancelledAndSaysWhy) {
  struct Case {
    const char* button;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"Help", {"answer \"Framework form=Help\": the dialog has no such button"}},
      {"OK", {"dialog \"Framework form\" refused OK: The name is taken. Choose another."}},
      {"Cancel", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    plavena::Journal journal;
    plavena::DialogAnswerer answerer(journal, {{"Framework form", c.button}, {"Refused", "OK"}});
    Confirmation dialog;
    int refusals = 0;
    dialog.form.OnCloseQuery = [&](TComponent*, bool& can_close) {
      if (refusals++ > 0) return;  // the host's own Cancel closes it
      MessageBoxW(dialog.form.Handle(), L"The name is taken.\nChoose another.", L"Refused", MB_OK);
      can_close = false;
    };
    EXPECT_EQ(dialog.form.ShowModal(), kModalCancel);
    EXPECT_EQ(answerer.TakeProblems(), c.problems) << journal.Text();
  }
  // A form without buttons takes the commands of OK, Yes, No and Cancel, and no other button.
  plavena::Journal journal;
  plavena::DialogAnswerer answerer(journal, {{"Bare form", "Help"}});
  TForm bare(nullptr);
  bare.SetCaption(L"Bare form");
  EXPECT_EQ(bare.ShowModal(), kModalCancel);
  EXPECT_EQ(answerer.TakeProblems(),
            std::vector<std::string>{"answer \"Bare form=Help\": the dialog has no such button"});
}

}  // namespace
