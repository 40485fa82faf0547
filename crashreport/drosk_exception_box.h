// The exception box: the library's own dialog from plain window controls (class
// "droskExceptWndClass") that tells the user about an error or a frozen program, offers up to
// seven buttons, shows the report in a fixed-pitch field and can count down to an automatic
// action. Console processes get text on standard output instead, web (CGI) processes an HTML page.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "crashreport/drosk_settings.h"

namespace drosk {

struct TExceptionBoxInput {
  bool Frozen = false;
  std::string ExceptMessage;  // the report's exception message
  bool CanContinue = true;
  std::string ScreenShot;
  std::string Report;
};

enum class TBoxRoad { Window, Console, Web };

// Shows the box on the calling thread and returns when its window is gone (or after the text or
// page was written).
TBoxRoad ShowExceptionBox(const TExceptionBoxInput& input);

// The box's text line: `FrozenText` or `ErrorText` with "%exceptMsg%" and "%LF%" replaced.
std::string BoxText(const TDroskSettings& settings, bool frozen, std::string_view exceptMessage,
                    std::string_view lineBreak);
// The text after the first ":" of the report's line that begins with "exception message ",
// trimmed; empty without such a line.
std::string ReportExceptionMessage(std::string_view report);
// The HTML page of a web process, for the report given.
std::string BuildHtmlPage(const TDroskSettings& settings, std::string_view report);

// The box's geometry, in client coordinates. Button slots follow `TDroskAction` (mail, save,
// print, show, continue, restart, close); an absent button has an empty rectangle.
struct TBoxLayoutInput {
  std::array<int, 7> CaptionWidths{};  // text widths in the normal font; 0 for an empty caption
  bool BigIcon = false;
  bool ShowReportAtOnce = false;
  // The word-wrapped text's size for a given wrap width.
  std::function<SIZE(int wrapWidth)> MeasureText;
};
struct TBoxLayout {
  std::array<RECT, 7> Buttons{};
  RECT Text{};
  bool Stacked = false;
  int Rows = 0;
  int ClientWidth = 0;
  int ButtonAreaHeight = 0;
  int ExpandedHeight = 0;                         // the client height with the report view
  RECT GreyFrame{}, WhiteFrame{}, ReportField{};  // the field relative to the white frame
};
TBoxLayout LayOutBox(const TBoxLayoutInput& input);

// The button that acts by itself: the close or restart button whose rule holds, the continue
// button with `AutoContinue`; -1 for none.
int AutoActionButton(const TDroskSettings& settings, bool canContinue);

inline constexpr const char* kBoxWindowClass = "droskExceptWndClass";
inline constexpr UINT_PTR kCountdownTimer = 777;

}  // namespace drosk
