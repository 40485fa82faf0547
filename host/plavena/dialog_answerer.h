// Answers the module's modal windows (message boxes, forms) without a user: each window that
// becomes active is journaled with its caption and texts and answered by pressing the button
// its rule names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/win/handles.h"
#include "host/plavena/journal.h"

namespace plavena {

struct AnswerRule {
  std::string caption;  // the window's caption, or "*" for any
  std::string button;   // "OK", "Cancel", "Yes", "No" or any button's caption
};

// Set before the answer: the control of that component name in the first of the module's forms
// (a window whose controls carry component names) that a command shows. A check box takes "1"
// or "0" (clicked when it differs), a drop-down list an item's text, anything else the text.
struct ControlSetting {
  std::string name;
  std::string value;
};

// One per thread; answers the windows activated on the thread that creates it. A window no
// rule names is journaled as unexpected and cancelled, so nothing ever waits for a user. A window
// whose answer cannot be given as asked (a button it lacks, settings its controls do not take)
// is cancelled instead, before it can act on anything, and a window that stays open after its
// answer is cancelled too: each is a problem of the command (TakeProblems).
class DialogAnswerer {
 public:
  DialogAnswerer(Journal& journal, std::vector<AnswerRule> rules,
                 std::vector<ControlSetting> settings = {});
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // Answers only the modal windows of `owner` (the host's application window, which owns every
  // window of its modules): a modal window disables its owner before it is made and shown, and
  // enables it again once it is gone. The thread is hooked only while the owner is disabled, so
  // that the module's other windows cost no hook call each as they are made and destroyed (under
  // Wine three round trips to the server).
  void WatchOwner(HWND owner);
  // The seconds the answered windows waited, from their activation to the press of their button,
  // added up: where a user reads and decides, so benchmarks keep it apart from the module's time.
  double WaitSeconds() const { return wait_seconds_; }
  // What kept the answers since the last call from being given as asked, one text each: a button
  // a window lacks, a value its control refused, a name none of the controls carries, a window
  // that refused its answer (with the messages it showed meanwhile). A Cancel asked for is none.
  std::vector<std::string> TakeProblems();

 private:
  static LRESULT CALLBACK CbtHook(int code, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK OwnerProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;
  void Hook();
  // Answers the windows activated since the last answer; from a message posted to the owner, or
  // from a timer where there is no owner to post to.
  static void AnswerPending() noexcept;
  static void CALLBACK AnswerPendingOnTimer(HWND, UINT, UINT_PTR timer, DWORD);
  static constexpr UINT kAnswerPendingMessage = WM_APP + 0x3A1;
  // A window activated and not yet answered, with the time it was activated, in seconds.
  struct PendingWindow {
    HWND window;
    double activated;
  };
  // A window answered, with what it showed and the button pressed.
  struct AnsweredWindow {
    HWND window;
    std::string caption;
    std::string texts;  // its lines, in one
    std::string button;
    bool cancelled = false;  // after it refused its answer
  };
  void Answer(HWND window, double activated);
  void Press(HWND window, const std::string& button);
  // Why the window that refused its answer did: the messages of the windows it showed meanwhile.
  std::string Refusal(size_t answered) const;
  // A window still showing a while after its answer refused it (a form that checks its fields
  // stays open): it is cancelled, once, so that nothing waits for a user.
  void CancelRefused();
  static void CALLBACK CancelRefusedOnTimer(HWND, UINT, UINT_PTR timer, DWORD);
  static constexpr UINT kRefusalWait = 250;  // ms; an accepted answer hides its window at once
  std::string ButtonFor(const std::string& caption) const;
  // Sets the controls; false, with the problems kept, when a control is missing or refuses.
  bool ApplySettings(HWND window, const std::string& caption);

  Journal& journal_;
  std::vector<AnswerRule> rules_;
  std::vector<ControlSetting> settings_;
  // Since the last TakeProblems: whether the settings' form was answered, how many windows were,
  // and the problems.
  bool settings_applied_ = false;
  int windows_answered_ = 0;
  std::vector<std::string> problems_;
  std::vector<PendingWindow> pending_;
  std::vector<AnsweredWindow> answered_;
  win::UniqueHook hook_;
  HWND owner_ = nullptr;
  WNDPROC owner_proc_ = nullptr;  // the owner's own procedure, which gets every message on
  double wait_seconds_ = 0;
  // Outlines give their rows through COM: the thread's apartment lasts as long as the answerer,
  // as a host's lasts as long as its thread, rather than being made and torn down for each window.
  HRESULT com_;
};

}  // namespace plavena
