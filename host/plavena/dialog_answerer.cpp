// Unattended answers to the module's modal windows.
#include "host/plavena/dialog_answerer.h"

#include <oleacc.h>

#include <algorithm>
#include <utility>

#include "framework/win/com.h"
#include "framework/win/text.h"

namespace plavena {

namespace {

DialogAnswerer* thread_answerer = nullptr;

// The performance counter in seconds.
double Seconds() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return win::Narrow(text);
}

std::string ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return win::Narrow(name);
}

// Button captions compare without their accelerator marks and without regard to case.
std::string Plain(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The rows of an outline (a tree, a tree-list grid) as its accessible object gives them to a
// screen reader: one text per row, marked with its level, then its further columns. Empty for
// any other control.
std::vector<std::string> OutlineRows(HWND window) {
  // Only a control that answers with an accessible object of its own can be an outline: the one
  // the system makes up for any other describes a plain client area.
  const LRESULT own = SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
  win::ComPtr<IAccessible> outline;
  if (own <= 0 ||
      FAILED(ObjectFromLresult(static_cast<LRESULT>(own), IID_IAccessible, 0,
                               reinterpret_cast<void**>(outline.put()))) ||
      !outline) {
    return {};
  }
  VARIANT item{};
  item.vt = VT_I4;
  item.lVal = CHILDID_SELF;
  VARIANT role{};
  long count = 0;
  if (FAILED(outline->get_accRole(item, &role)) || role.vt != VT_I4 ||
      role.lVal != ROLE_SYSTEM_OUTLINE || FAILED(outline->get_accChildCount(&count))) {
    return {};
  }
  std::vector<std::string> rows;
  for (item.lVal = 1; item.lVal <= count; ++item.lVal) {
    win::Bstr name, level, description;
    outline->get_accName(item, name.put());
    outline->get_accValue(item, level.put());
    outline->get_accDescription(item, description.put());
    std::string row(static_cast<size_t>(std::max(_wtoi(level.str().c_str()), 0)), '>');
    if (!row.empty()) row += ' ';
    row += win::Narrow(name.str());
    if (description.get()) row += " (" + win::Narrow(description.str()) + ")";
    rows.push_back(std::move(row));
  }
  return rows;
}

struct ChildScan {
  std::vector<std::string> texts;
  std::vector<std::pair<HWND, std::string>> buttons;
};

// The system's buttons, and own-drawn ones, which say so when asked for their dialog codes.
bool IsButton(HWND window) {
  return ClassName(window) == "Button" || (SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON);
}

BOOL CALLBACK ScanChild(HWND child, LPARAM lparam) {
  auto& scan = *reinterpret_cast<ChildScan*>(lparam);
  try {
    const std::string text = WindowText(child);
    if (IsButton(child)) {
      scan.buttons.emplace_back(child, text);
      return TRUE;
    }
    // A list's lines are texts of their own, so that each journal entry stays one line.
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      if (end > start) scan.texts.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    for (std::string& row : OutlineRows(child)) scan.texts.push_back(std::move(row));
  } catch (...) {
    return FALSE;  // out of memory: the texts found so far are journaled
  }
  return TRUE;
}

// The component name a module's control carries as its child identifier: an atom of the process
// (the module runs in the host's). Identifiers below the string atoms are plain numbers.
std::string ComponentName(HWND window) {
  const auto id = static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_ID));
  wchar_t name[256] = {};
  return id >= MAXINTATOM && id <= 0xFFFF && GetAtomNameW(static_cast<ATOM>(id), name, 256)
             ? win::Narrow(name)
             : std::string();
}

struct NamedChild {
  std::string name;  // empty: any name
  HWND found = nullptr;
};

BOOL CALLBACK FindNamedChild(HWND child, LPARAM lparam) {
  auto& search = *reinterpret_cast<NamedChild*>(lparam);
  try {
    const std::string name = ComponentName(child);
    if (name.empty() || (!search.name.empty() && name != search.name)) return TRUE;
  } catch (...) {
    return TRUE;
  }
  search.found = child;
  return FALSE;
}

HWND NamedControl(HWND window, const std::string& name) {
  NamedChild search{name};
  EnumChildWindows(window, FindNamedChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Sets the control as a user would through its native messages; false when the value does not
// fit the control.
bool SetControl(HWND control, const std::string& value) {
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) {
    const bool wanted = value == "1" || Plain(value) == "TRUE";
    if ((SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) != wanted) {
      SendMessageW(control, BM_CLICK, 0, 0);
    }
    return (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) == wanted;
  }
  const std::wstring text = win::Widen(value);
  if (SendMessageW(control, CB_GETCOUNT, 0, 0) > 0) {
    const LRESULT index = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
    return index != CB_ERR && SendMessageW(control, CB_SETCURSEL, index, 0) == index;
  }
  return SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The command a window without button windows takes for a button; 0 for none.
WPARAM CommandFor(const std::string& button) {
  const std::string plain = Plain(button);
  if (plain == "OK") return IDOK;
  if (plain == "YES") return IDYES;
  if (plain == "NO") return IDNO;
  if (plain == "CANCEL") return IDCANCEL;
  return 0;
}

// Whether pressing `button` can answer the window: a button of that caption, or a window
// without button windows and a button its command stands for. Cancel closes any window.
bool CanPress(const ChildScan& scan, const std::string& button) {
  if (Plain(button) == "CANCEL") return true;
  if (scan.buttons.empty()) return CommandFor(button) != 0;
  return std::any_of(scan.buttons.begin(), scan.buttons.end(),
                     [&](const auto& found) { return Plain(found.second) == Plain(button); });
}

}  // namespace

DialogAnswerer::DialogAnswerer(Journal& journal, std::vector<AnswerRule> rules,
                               std::vector<ControlSetting> settings)
    : journal_(journal),
      rules_(std::move(rules)),
      settings_(std::move(settings)),
      com_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {
  thread_answerer = this;
  Hook();
}

DialogAnswerer::~DialogAnswerer() {
  if (owner_) SetWindowLongPtrW(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(owner_proc_));
  hook_.reset();
  thread_answerer = nullptr;
  if (SUCCEEDED(com_)) CoUninitialize();
}

void DialogAnswerer::Hook() {
  hook_.reset(SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId()));
}

void DialogAnswerer::WatchOwner(HWND owner) {
  // The owner's procedure is replaced rather than subclassed through the common controls, which
  // look their data up in a window property (a round trip to the server) at every message.
  owner_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerProc)));
  if (!owner_proc_) return;
  owner_ = owner;
  if (IsWindowEnabled(owner)) hook_.reset();
}

LRESULT CALLBACK DialogAnswerer::OwnerProc(HWND window, UINT msg, WPARAM wparam,
                                           LPARAM lparam) noexcept {
  DialogAnswerer* self = thread_answerer;
  if (!self || self->owner_ != window) return DefWindowProcW(window, msg, wparam, lparam);
  if (msg == kAnswerPendingMessage) {
    AnswerPending();
    return 0;
  }
  if (msg == WM_ENABLE) {
    if (wparam) {
      self->hook_.reset();
    } else if (!self->hook_) {
      self->Hook();
    }
  }
  return CallWindowProcW(self->owner_proc_, window, msg, wparam, lparam);
}

LRESULT CALLBACK DialogAnswerer::CbtHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && thread_answerer) {
    try {
      DialogAnswerer& self = *thread_answerer;
      const HWND window = reinterpret_cast<HWND>(wparam);
      const bool known = std::any_of(self.pending_.begin(), self.pending_.end(),
                                     [&](const PendingWindow& p) { return p.window == window; }) ||
                         std::any_of(self.answered_.begin(), self.answered_.end(),
                                     [&](const AnsweredWindow& a) { return a.window == window; });
      if (!known) {
        self.pending_.push_back({window, Seconds()});
        // Answer from the window's own modal loop, once it has finished setting itself up. A
        // message posted to the owner comes with the loop's first turn, before the window's
        // first paint, which the answer, read through messages, does not need; a timer would
        // wait at least 10 ms and then after every paint.
        if (!self.owner_ || !PostMessageW(self.owner_, kAnswerPendingMessage, 0, 0)) {
          SetTimer(nullptr, 0, 10, AnswerPendingOnTimer);
        }
      }
    } catch (...) {
      // Out of memory in a hook: the window stays for the test's timeout to find.
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void CALLBACK DialogAnswerer::AnswerPendingOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  AnswerPending();
}

void DialogAnswerer::AnswerPending() noexcept {
  if (!thread_answerer) return;
  try {
    DialogAnswerer& self = *thread_answerer;
    for (const PendingWindow& pending : std::exchange(self.pending_, {})) {
      if (IsWindow(pending.window)) self.Answer(pending.window, pending.activated);
    }
  } catch (...) {
  }
}

std::string DialogAnswerer::ButtonFor(const std::string& caption) const {
  for (const AnswerRule& rule : rules_) {
    if (rule.caption == caption) return rule.button;
  }
  for (const AnswerRule& rule : rules_) {
    if (rule.caption == "*") return rule.button;
  }
  return {};
}

bool DialogAnswerer::ApplySettings(HWND window, const std::string& caption) {
  bool applied = true;
  for (const ControlSetting& setting : settings_) {
    const std::string asked = "set " + setting.name + "=" + setting.value;
    const HWND control = NamedControl(window, setting.name);
    if (!control) {
      problems_.push_back(asked + ": no control of that name in \"" + caption + "\"");
      applied = false;
      continue;
    }
    const bool set = SetControl(control, setting.value);
    journal_.Append(asked + (set ? "" : " refused"));
    if (!set) {
      problems_.push_back(asked + ": refused by \"" + caption + "\"");
      applied = false;
    }
  }
  return applied;
}

std::vector<std::string> DialogAnswerer::TakeProblems() {
  std::vector<std::string> problems = std::exchange(problems_, {});
  if (windows_answered_ > 0 && !settings_applied_) {
    for (const ControlSetting& setting : settings_) {
      problems.push_back("set " + setting.name + "=" + setting.value +
                         ": no control of that name in the dialogs answered");
    }
  }
  settings_applied_ = false;
  windows_answered_ = 0;
  return problems;
}

void CALLBACK DialogAnswerer::CancelRefusedOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (!thread_answerer) return;
  try {
    thread_answerer->CancelRefused();
  } catch (...) {
  }
}

void DialogAnswerer::CancelRefused() {
  if (!pending_.empty()) {
    SetTimer(nullptr, 0, kRefusalWait, CancelRefusedOnTimer);
    return;
  }
  // The window answered last that still shows; those before it wait behind it.
  for (size_t i = answered_.size(); i-- > 0;) {
    AnsweredWindow& answered = answered_[i];
    if (!IsWindow(answered.window) || !IsWindowVisible(answered.window)) continue;
    if (answered.cancelled) return;  // cancelled once
    answered.cancelled = true;
    journal_.Append("dialog \"" + answered.caption + "\" stayed open -> Cancel");
    // The command did not run as asked: an export whose OK was refused wrote nothing.
    if (Plain(answered.button) != "CANCEL") problems_.push_back(Refusal(i));
    Press(answered.window, "Cancel");
    return;
  }
}

std::string DialogAnswerer::Refusal(size_t answered) const {
  const AnsweredWindow& refusing = answered_[answered];
  std::string messages;
  for (size_t i = answered + 1; i < answered_.size(); ++i) {
    if (answered_[i].window == refusing.window || answered_[i].texts.empty()) continue;
    messages += (messages.empty() ? ": " : " ") + answered_[i].texts;
  }
  return "dialog \"" + refusing.caption + "\" refused " + refusing.button + messages;
}

void DialogAnswerer::Press(HWND window, const std::string& button) {
  ChildScan scan;
  EnumChildWindows(window, ScanChild, reinterpret_cast<LPARAM>(&scan));
  for (const auto& [child, text] : scan.buttons) {
    if (Plain(text) == Plain(button)) {
      SendMessageW(child, BM_CLICK, 0, 0);
      return;
    }
  }
  const WPARAM command = CommandFor(button);
  PostMessageW(window, WM_COMMAND, command ? command : IDCANCEL, 0);
}

void DialogAnswerer::Answer(HWND window, double activated) {
  const std::string caption = WindowText(window);
  AnsweredWindow answered{window, caption, {}, {}};
  ChildScan scan;
  EnumChildWindows(window, ScanChild, reinterpret_cast<LPARAM>(&scan));
  for (const std::string& text : scan.texts) {
    answered.texts += (answered.texts.empty() ? "" : " ") + text;
  }
  ++windows_answered_;

  std::string button = ButtonFor(caption);
  if (button.empty()) {
    journal_.Append("unexpected dialog \"" + caption + "\"");
    button = "Cancel";
  }
  // Neither a setting nor an answer the window cannot take may let it act: it is cancelled.
  std::string not_given;
  if (!settings_.empty() && !settings_applied_ && NamedControl(window, {})) {
    settings_applied_ = true;
    if (!ApplySettings(window, caption)) not_given = "settings not taken";
  }
  if (not_given.empty() && !CanPress(scan, button)) {
    problems_.push_back("answer \"" + caption + "=" + button + "\": the dialog has no such button");
    not_given = "no button \"" + button + "\"";
  }
  if (!not_given.empty()) button = "Cancel";
  std::string texts;
  for (const std::string& text : scan.texts) texts += (texts.empty() ? "" : " | ") + text;
  journal_.Append("dialog \"" + caption + "\": " + texts + " -> " + button +
                  (not_given.empty() ? "" : " (" + not_given + ")"));
  answered.button = button;
  answered_.push_back(std::move(answered));
  wait_seconds_ += Seconds() - activated;
  Press(window, button);
  SetTimer(nullptr, 0, kRefusalWait, CancelRefusedOnTimer);
}

}  // namespace plavena
