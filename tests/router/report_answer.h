// Answers the duplicate-pins report when it shows on this thread, as a user would: reads its
// list, notes whether a file is in place at that moment, and presses a button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace routertest {

class ReportAnswer {
 public:
  // `button`: the caption of the button to press; `file`: a file to look for while it shows.
  explicit ReportAnswer(std::wstring button, std::string file = {});
  ~ReportAnswer();
  ReportAnswer(const ReportAnswer&) = delete;
  ReportAnswer& operator=(const ReportAnswer&) = delete;

  // Whether the report showed, and whether it had the button to press.
  bool answered() const { return answered_; }
  bool pressed() const { return pressed_; }
  const std::vector<std::string>& lines() const { return lines_; }
  bool file_was_there() const { return file_was_there_; }

 private:
  static void CALLBACK Poll(HWND, UINT, UINT_PTR timer, DWORD) noexcept;
  bool TryAnswer() noexcept;

  std::wstring button_;
  std::string file_;
  UINT_PTR timer_ = 0;
  bool answered_ = false;
  bool pressed_ = false;
  bool file_was_there_ = false;
  std::vector<std::string> lines_;
};

}  // namespace routertest
