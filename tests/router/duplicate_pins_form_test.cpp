// The duplicate-pins report: its description, its list and its two ways out.
#include "router/duplicate_pins_form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/render.h"
#include "report_answer.h"
#include "controls/xp_bitbtn.h"
#include "controls/xp_ext_panel.h"

namespace {

using router::TDuplicatePinsForm;

template <class T>
T& Child(TDuplicatePinsForm& form, const std::string& name) {
  auto* child = dynamic_cast<T*>(form.FindComponent(name));
  if (!child) throw std::runtime_error("no " + name);
  return *child;
}

TEST(DuplicatePinsReport, IsBuiltFromItsDescription) {
  TDuplicatePinsForm form(nullptr);
  EXPECT_EQ(form.Name(), "DuplicatePinsForm");
  EXPECT_EQ(form.Caption(), L"Duplicate Pins Report");
  auto& tab = Child<controls::TXPExtPanel>(form, "MainTab");
  auto& label = Child<framework::TLabel>(form, "Label1");
  EXPECT_EQ(label.Parent(), &tab);
  EXPECT_TRUE(label.WordWrap());
  EXPECT_EQ(label.Caption(),
            L"Pins were found which are not unique and are used in a net. \r\n\r\n"
            L"Specctra will not accept these pins. \r\n\r\n"
            L"Please change before trying to run Specctra.");
  EXPECT_EQ(form.Memo().Parent(), &tab);
  EXPECT_TRUE(form.Memo().Lines().empty());
  // The buttons are pressed by their captions in the test below.
  auto& ok = Child<controls::TXPBitBtn>(form, "Button2");
  auto& close = Child<controls::TXPBitBtn>(form, "Button1");

  // Enter in the list presses nothing (no button is the default); each button gives its own
  // result; Escape is Close.
  PostMessageW(form.Memo().Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(form.ShowModal(), 2);
  for (const auto& [button, result] : {std::pair{&ok, 1}, std::pair{&close, 2}}) {
    PostMessageW(form.Memo().Handle(), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form.ShowModal(), result);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
  }

  form.Memo().SetLines({"U1-5 (Net=SDA)", "U1-5 (Net=SCL)", "J2-A (Net=GND)"});
  const auto picture = testsupport::Render(form);
  testsupport::SavePicture(*picture, "duplicate_pins_report");
  // The text stands in the label's area, the list on the window colour beneath it.
  const RECT text{label.Left(), label.Top(), label.Left() + label.Width(), label.Top() + 14};
  EXPECT_GT(testsupport::CountPixels(*picture, text, RGB(0, 0, 0)), 20);
  const int memo_right = form.Memo().Left() + form.Memo().Width();
  EXPECT_EQ(testsupport::PixelAt(*picture, memo_right - 30, form.Memo().Top() + 120),
            GetSysColor(COLOR_WINDOW));
}

// Its lines in order and both buttons are checked where the export shows it (the design file's
// writer and the export through the host).
TEST(DuplicatePinsReport, AnEmptyListIsShownAllTheSame) {
  routertest::ReportAnswer answer(L"OK");
  router::ShowDuplicatePins({});
  EXPECT_TRUE(answer.pressed());
  EXPECT_TRUE(answer.lines().empty());
}

}  // namespace
