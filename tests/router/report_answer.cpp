#include "report_answer.h"

#include "framework/win/text.h"

namespace routertest {

namespace {

thread_local ReportAnswer* pending = nullptr;

std::wstring Text(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

BOOL CALLBACK FindReport(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && Text(window) == L"Duplicate Pins Report") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

struct Children {
  std::vector<HWND> all;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
  reinterpret_cast<Children*>(children)->all.push_back(child);
  return TRUE;
}

}  // namespace

ReportAnswer::ReportAnswer(std::wstring button, std::string file)
    : button_(std::move(button)), file_(std::move(file)) {
  pending = this;
  timer_ = SetTimer(nullptr, 0, 20, Poll);
}

ReportAnswer::~ReportAnswer() {
  if (timer_) KillTimer(nullptr, timer_);
  pending = nullptr;
}

void CALLBACK ReportAnswer::Poll(HWND, UINT, UINT_PTR, DWORD) noexcept {
  if (pending && !pending->answered_ && pending->TryAnswer()) {
    KillTimer(nullptr, pending->timer_);
    pending->timer_ = 0;
  }
}

bool ReportAnswer::TryAnswer() noexcept {
  try {
    HWND report = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindReport, reinterpret_cast<LPARAM>(&report));
    if (!report) return false;
    answered_ = true;
    file_was_there_ =
        !file_.empty() && GetFileAttributesA(file_.c_str()) != INVALID_FILE_ATTRIBUTES;
    Children children;
    EnumChildWindows(report, CollectChild, reinterpret_cast<LPARAM>(&children));
    HWND button = nullptr;
    for (HWND child : children.all) {
      wchar_t class_name[32] = {};
      GetClassNameW(child, class_name, 32);
      if (lstrcmpiW(class_name, L"Edit") == 0) {
        const std::string text = win::Narrow(Text(child));
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
          lines_.push_back(text.substr(start, end - start));
        }
      } else if (Text(child) == button_) {
        button = child;
      }
    }
    // Without the button the report is closed all the same: a test must never wait for a user.
    if (button) {
      SendMessageW(button, BM_CLICK, 0, 0);
    } else {
      PostMessageW(report, WM_CLOSE, 0, 0);
    }
    pressed_ = button != nullptr;
    return true;
  } catch (...) {
    return true;  // out of memory: the test's checks find nothing answered properly
  }
}

}  // namespace routertest
