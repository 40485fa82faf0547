// Shows one message box through the common utilities, for the test-mode tests: in test mode
// the box prints itself and ends this process with code 1; otherwise the stand-in answer below
// reports the box and the process ends with code 0.
//
//   sdk_test_mode_probe error|information|warning CAPTION MESSAGE
#include <cstring>
#include <string>

#include "framework/message_dialog.h"
#include "sdk/common_utils.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  // Never wait for a user: a box that is really shown only reports itself.
  framework::SetMessageDialogHandler([](const framework::MessageDialogRequest& request) {
    sdk::WriteStandardOutput("box " + request.caption + " " + request.message + "\r\n");
    return framework::kModalOk;
  });
  const std::string kind = argv[1];
  if (kind == "error") {
    sdk::ShowErrorMessage(argv[3], argv[2]);
  } else if (kind == "information") {
    sdk::ShowInformationMessage(argv[3], argv[2]);
  } else if (kind == "warning") {
    sdk::ShowWarningMessage(argv[3], argv[2]);
  } else {
    return 2;
  }
  return 0;
}
