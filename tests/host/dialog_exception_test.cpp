// Faults in a dialog's handlers while this process is the host: a fault of the code reaches the
// host's exception handling as a bug report, our own failure becomes a message, and the dialog
// goes on either way.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/message_dialog.h"
#include "framework/controls.h"
#include "host/plavena/exports.h"
#include "sdk/client_api.h"
#include "controls/probe_dialog.h"

namespace {

// Clicks the throwing button once, then OK; the dialog's result.
int ClickThrowThenOk(xptest::TProbeDialog& dialog) {
  auto& thrower = dynamic_cast<framework::TWinControl&>(*dialog.FindComponent("ButtonThrow"));
  auto& ok = dynamic_cast<framework::TWinControl&>(*dialog.FindComponent("ButtonOK"));
  PostMessageW(thrower.Handle(), BM_CLICK, 0, 0);
  PostMessageW(ok.Handle(), BM_CLICK, 0, 0);
  return dialog.ShowModal();
}

}  // namespace

TEST(DialogExceptionRoad, AFaultReachesTheHostAsABugReportAndAFailureAsAMessage) {
  sdk::BindClientApi();  // as the module's start does: this executable is the host
  plavena::Journal journal;
  plavena::SetExportedClient(nullptr, &journal);
  std::vector<std::string> boxes;
  framework::SetMessageDialogHandler([&](const framework::MessageDialogRequest& request) {
    boxes.push_back(request.caption + ": " + request.message);
    return 1;
  });
  {
    xptest::TProbeDialog dialog(nullptr);
    dialog.fault = true;
    EXPECT_EQ(ClickThrowThenOk(dialog), 1) << "still answers after its handler faulted";
    dialog.fault = false;
    EXPECT_EQ(ClickThrowThenOk(dialog), 1);
  }
  framework::SetMessageDialogHandler(nullptr);
  const std::vector<std::string> reports = plavena::ExceptionReports();
  plavena::SetExportedClient(nullptr, nullptr);

  EXPECT_EQ(boxes, (std::vector<std::string>{"Error: the handler failed"}));
  ASSERT_EQ(reports.size(), 1u);
  const std::string& report = reports[0];
  EXPECT_EQ(report.rfind("date/time         : ", 0), 0u) << report;
  EXPECT_NE(report.find("\r\nexception class   : logic_error\r\n"
                        "exception message : the handler's state is broken.\r\n\r\nthread $"),
            std::string::npos)
      << report;
  // Traced from where the dialog's loop reported it, through the dialog's own code.
  EXPECT_NE(report.find(" controls::TServerDialog::ShowModal\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n\r\nmodules:\r\n"), std::string::npos);
  size_t lines = 1;
  for (size_t p = 0; (p = report.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
  EXPECT_EQ(journal.Lines(), (std::vector<std::string>{"exception report logic_error (" +
                                                       std::to_string(lines) + " lines)"}));
}
