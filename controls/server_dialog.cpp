// The base of the plug-in's dialogs.
#include "controls/server_dialog.h"

#include <windows.h>

#include <exception>
#include <functional>

#include "crashreport/drosk_bug_report.h"
#include "framework/application.h"
#include "framework/exception.h"
#include "framework/message_dialog.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "controls/xp_control_utils.h"

namespace controls {

namespace {

// Our own failures carry a message meant for the user; anything else is a fault of the code.
bool IsFault(const std::exception_ptr& exception) {
  if (!exception) return false;
  try {
    std::rethrow_exception(exception);
  } catch (const framework::Exception&) {
    return false;
  } catch (...) {
    return true;
  }
}

// Takes over the application's exception report while a dialog runs, and gives it back after.
class DialogExceptionRoad {
 public:
  DialogExceptionRoad() : previous_(framework::Application::Instance().OnException) {
    framework::Application::Instance().OnException = [this](const std::string& message) {
      Report(message);
    };
  }
  ~DialogExceptionRoad() { framework::Application::Instance().OnException = previous_; }
  DialogExceptionRoad(const DialogExceptionRoad&) = delete;
  DialogExceptionRoad& operator=(const DialogExceptionRoad&) = delete;

 private:
  // Runs inside the catch block of the window procedure or message loop that caught it.
  void Report(const std::string& message) const {
    const std::exception_ptr current = std::current_exception();
    if (IsFault(current)) {
      std::string report;
      drosk::ComposeBugReport(false, current, 0, GetCurrentThreadId(), 0, 0, true, 0, report);
      sdk::ClientAPI_HandleException(report);
    } else if (previous_) {
      previous_(message);
    } else {
      framework::ShowMessageDialog(
          {"Error", message, framework::MessageKind::Error, framework::MessageButtons::Ok});
    }
  }

  const std::function<void(const std::string&)> previous_;
};

}  // namespace

const framework::TClassInfo& TServerDialog::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TServerDialog, TForm>("TServerDialog");
  return info;
}

void TServerDialog::Loaded() {
  TForm::Loaded();
  SetColor(XPPalette().clXPFace);
}

int TServerDialog::ShowModal() {
  if (sdk::IsTestMode()) {
    sdk::WriteStandardOutput(Name() + " " + win::Narrow(Caption()) + "\r\n");
    sdk::TerminateCurrentProcess(1);
  }
  const DialogExceptionRoad road;
  return TForm::ShowModal();
}

}  // namespace controls
