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

// Set before the answer: the control of that component name, in any answered window. A check
// box takes "1" or "0" (clicked when it differs), a drop-down list an item's text, anything else
// the text.
struct ControlSetting {
  std::string name;
  std::string value;
};

// One per thread; answers the windows activated on the thread that creates it. A window no
// rule names is journaled as unexpected and cancelled, so nothing ever waits for a user.
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
  // What went wrong with the settings since the last call, one text each: a value its control
  // refused, and, when windows were answered meanwhile, a name none of their controls carries.
  std::vector<std::string> TakeSettingProblems();

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
  void Answer(HWND window, double activated);
  void Press(HWND window, const std::string& button);
  // A window still showing a while after its answer refused it (a form that checks its fields
  // stays open): it is cancelled, once, so that nothing waits for a user.
  void CancelRefused();
  static void CALLBACK CancelRefusedOnTimer(HWND, UINT, UINT_PTR timer, DWORD);
  static constexpr UINT kRefusalWait = 250;  // ms; an accepted answer hides its window at once
  std::string ButtonFor(const std::string& caption) const;
  void ApplySettings(HWND window, const std::string& caption);

  Journal& journal_;
  std::vector<AnswerRule> rules_;
  std::vector<ControlSetting> settings_;
  // Since the last TakeSettingProblems: which settings found their control, how many windows
  // were answered, and the refusals.
  std::vector<bool> settings_found_;
  int windows_answered_ = 0;
  std::vector<std::string> setting_problems_;
  std::vector<PendingWindow> pending_;
  std::vector<HWND> answered_;
  win::UniqueHook hook_;
  HWND owner_ = nullptr;
  WNDPROC owner_proc_ = nullptr;  // the owner's own procedure, which gets every message on
  double wait_seconds_ = 0;
  // Outlines give their rows through COM: the thread's apartment lasts as long as the answerer,
  // as a host's lasts as long as its thread, rather than being made and torn down for each window.
  HRESULT com_;
};

}  // namespace plavena
