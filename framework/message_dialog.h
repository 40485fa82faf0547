// Modal message boxes with a caption, owned by the application window, and a seam through
// which tests answer them instead of a user.
#pragma once

#include <functional>
#include <string>

namespace framework {

enum class MessageKind { Warning, Error, Information, Confirmation, Custom };

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

// Modal results, numbered as the system's button identifiers.
enum ModalResult : int {
  kModalNone = 0,
  kModalOk = 1,
  kModalCancel = 2,
  kModalAbort = 3,
  kModalRetry = 4,
  kModalIgnore = 5,
  kModalYes = 6,
  kModalNo = 7,
};

struct MessageDialogRequest {
  std::string caption;
  std::string message;
  MessageKind kind = MessageKind::Information;
  MessageButtons buttons = MessageButtons::Ok;
};

// Shows the message modally, owned by the application window and centred on the screen, and
// returns the button pressed as a modal result.
int ShowMessageDialog(const MessageDialogRequest& request);

// While set, ShowMessageDialog hands every request to the handler instead of showing a box
// and returns its answer. An empty handler restores the box. For tests: a modal box would
// wait for a user who is not there.
using MessageDialogHandler = std::function<int(const MessageDialogRequest&)>;
void SetMessageDialogHandler(MessageDialogHandler handler);

}  // namespace framework
