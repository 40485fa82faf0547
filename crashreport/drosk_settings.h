// The library's settings record: compiled into the module, read by every unit, never changed at
// run time. There is no settings file or resource.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace drosk {

// Action codes of the exception box's buttons, in their order.
enum class TDroskAction : uint8_t { Mail, Save, Print, Show, Continue, Restart, Close };

// The defaults are the module's own settings; texts hold at most 255 characters, button captions
// at most 31, `MailAddress` at most 75.
struct TDroskSettings {
  // Interception: both switches must be on, or a freeze interval set, for any hook or thread.
  bool HandleExceptions = false;
  bool HookPointsLinked = false;
  uint32_t FreezeCheckInterval = 0;  // milliseconds

  // The exception road and its box.
  bool ShowExceptionBox = true;
  bool WebMode = false;
  bool HoldThreadsWhileHandling = true;
  bool AutoSave = false;
  bool AutoMail = false;
  bool CopyToClipboard = true;
  bool AutoContinue = false;
  uint32_t AutoRestart = 0;  // 0 never, 1 always, N: when the history's oldest entry is <= N s old
  uint32_t AutoClose = 0;    // the same rule as AutoRestart
  uint32_t AutoDelay = 60;   // seconds of the auto-action countdown
  uint32_t ScreenShotSize = 0;
  std::string_view TitleText = "%appname%";
  std::string_view ErrorText = "An error occurred in the application.";
  std::string_view FrozenClass = "ForcedCrashReport";
  std::string_view FrozenText = "The application seems to be frozen.";
  std::array<std::string_view, 7> ButtonCaptions = {
      "mail bug report",      "save bug report",     "print bug report", "show bug report",
      "continue application", "restart application", "close application"};  // empty: no button
  TDroskAction DefaultButton = TDroskAction::Mail;
  bool ShowReportAtOnce = false;
  bool FancyButtons = true;
  bool ConsoleOutput = true;
  bool ResetFpu = false;
  std::string_view IgnoredClasses = "";  // comma-separated class names

  // What the report holds.
  bool ReportAllThreads = true;
  bool ListModules = true;
  bool ListHardware = true;
  bool HideItemsWithoutLine = false;
  bool ShowRelativeAddresses = false;
  bool ShowRelativeLines = false;
  bool SkipOptimalChains = false;
  bool Disassemble = true;
  uint32_t DisassemblyLines = 20;
  bool ShowCommandLine = true;
  std::string_view VersionText = "";  // empty: the module file's version is reported

  // The report file.
  std::string_view BugReportFile = "bugreport.txt";
  uint32_t BugReportMaxSize = 50000;  // bytes; 0 keeps only the newest report

  // Mail.
  std::string_view MailAddress = "";
  std::string_view MailFrom = "";
  std::string_view MailSubject = "bug report";
  bool AttachBugReport = false;
  bool DeleteAfterMail = false;
  bool MailDirect = false;
  bool MailViaServer = false;
  bool MailViaMapi = true;
  bool MailViaMailto = true;
  std::string_view SmtpServer = "";
  uint16_t SmtpPort = 25;
  std::string_view SmtpAccount = "";
  std::string_view SmtpPassword = "";  // enciphered; deciphered at start-up
  std::string_view AdditionalAttachments = "";  // "|"-separated files mailed with the report
  std::string_view MailSuccessText = "The mail was sent successfully.";
  std::string_view MailFailureText = "Sorry, sending the mail didn't work.";
};

// The record this build was linked with: the library target `drosk` carries the module's record;
// a test build links the library's units with a record of its own.
const TDroskSettings& DroskSettings() noexcept;

}  // namespace drosk
