// A test that shows a message box nobody expects fails at once, naming the box, instead of
// waiting in its modal loop for the test run's time-out. Tests that expect boxes install their
// own handler; this one is put back before every test.
#include <gtest/gtest.h>

#include "framework/message_dialog.h"

namespace {

int RefuseUnexpectedBox(const framework::MessageDialogRequest& request) {
  ADD_FAILURE() << "unexpected message box \"" << request.caption << "\": " << request.message;
  return request.buttons == framework::MessageButtons::Ok ? framework::kModalOk
                                                          : framework::kModalCancel;
}

class UnexpectedBoxes : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    framework::SetMessageDialogHandler(RefuseUnexpectedBox);
  }
  void OnTestEnd(const testing::TestInfo&) override { framework::SetMessageDialogHandler(nullptr); }
};

// Registered before main() runs the tests; the listener list owns it.
[[maybe_unused]] const bool kRegistered = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new UnexpectedBoxes);
  return true;
}();

}  // namespace
