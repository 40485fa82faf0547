// The module's compiled-in settings: interception off, everything else as the defaults say.
#include "crashreport/drosk_settings.h"

#include <gtest/gtest.h>

namespace drosk {
namespace {

TEST(DroskSettings, TheModuleRecordHoldsTheDefaults) {
  const TDroskSettings& s = DroskSettings();
  // Nothing may hook, patch or start a thread in this module.
  EXPECT_FALSE(s.HandleExceptions);
  EXPECT_FALSE(s.HookPointsLinked);
  EXPECT_EQ(s.FreezeCheckInterval, 0u);

  EXPECT_TRUE(s.ShowExceptionBox && s.HoldThreadsWhileHandling && s.CopyToClipboard);
  EXPECT_FALSE(s.WebMode || s.AutoSave || s.AutoMail || s.AutoContinue);
  EXPECT_EQ(s.AutoRestart, 0u);
  EXPECT_EQ(s.AutoClose, 0u);
  EXPECT_EQ(s.AutoDelay, 60u);
  EXPECT_EQ(s.ScreenShotSize, 0u);
  EXPECT_EQ(s.TitleText, "%appname%");
  EXPECT_EQ(s.ErrorText, "An error occurred in the application.");
  EXPECT_EQ(s.FrozenClass, "ForcedCrashReport");
  EXPECT_EQ(s.FrozenText, "The application seems to be frozen.");
  EXPECT_EQ(s.ButtonCaptions[static_cast<int>(TDroskAction::Mail)], "mail bug report");
  EXPECT_EQ(s.ButtonCaptions[static_cast<int>(TDroskAction::Print)], "print bug report");
  EXPECT_EQ(s.ButtonCaptions[static_cast<int>(TDroskAction::Close)], "close application");
  for (std::string_view caption : s.ButtonCaptions) EXPECT_LE(caption.size(), 31u);
  EXPECT_EQ(s.DefaultButton, TDroskAction::Mail);
  EXPECT_FALSE(s.ShowReportAtOnce || s.ResetFpu);
  EXPECT_TRUE(s.FancyButtons && s.ConsoleOutput);
  EXPECT_TRUE(s.IgnoredClasses.empty());

  EXPECT_TRUE(s.ReportAllThreads && s.ListModules && s.ListHardware && s.Disassemble &&
              s.ShowCommandLine);
  EXPECT_FALSE(s.HideItemsWithoutLine || s.ShowRelativeAddresses || s.ShowRelativeLines ||
               s.SkipOptimalChains);
  EXPECT_EQ(s.DisassemblyLines, 20u);
  EXPECT_TRUE(s.VersionText.empty());

  EXPECT_EQ(s.BugReportFile, "bugreport.txt");
  EXPECT_EQ(s.BugReportMaxSize, 50000u);
  EXPECT_TRUE(s.MailAddress.empty() && s.MailFrom.empty() && s.SmtpServer.empty() &&
              s.SmtpAccount.empty() && s.SmtpPassword.empty());
  EXPECT_EQ(s.MailSubject, "bug report");
  EXPECT_FALSE(s.AttachBugReport || s.DeleteAfterMail || s.MailDirect || s.MailViaServer);
  EXPECT_TRUE(s.MailViaMapi && s.MailViaMailto);
  EXPECT_EQ(s.SmtpPort, 25);
  EXPECT_EQ(s.MailSuccessText, "The mail was sent successfully.");
  EXPECT_EQ(s.MailFailureText, "Sorry, sending the mail didn't work.");
}

}  // namespace
}  // namespace drosk
