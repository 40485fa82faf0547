// The mail roads in their order, with the SMTP servers of mail_servers.py, the Simple MAPI
// stand-in (loaded as mapi32.dll) and a stand-in mail program registered for "mailto".
#include "crashreport/drosk_mail.h"

#include <gtest/gtest.h>

#include <string>

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_tools.h"
#include "mail_test_servers.h"
#include "mail_test_settings.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

constexpr char kReport[] =
    "date/time          : 2026-12-07\r\nexception message  : Access violation at address "
    "0040a1b2.  \r\nmore & more\r\n";

class DroskMail : public ::testing::Test {
 protected:
  void SetUp() override {
    MailTestSettings() = TDroskSettings{};
    MailTestSettings().MailAddress = "Ann <ann@x.test>; bob@y.test";
    mapiLog_ = dir_.Path("mapi.log");
    mailtoLog_ = dir_.Path("mailto.log");
    SetEnvironmentVariableA("DROSK_MAPI_LOG", mapiLog_.c_str());
    SetEnvironmentVariableA("DROSK_MAPI_RESULT", "0");
    RegisterMailProgram(" %1");
  }
  // The stand-in as the mail program for "mailto", its command line ending in `tail`.
  void RegisterMailProgram(const std::string& tail) const {
    const std::string command = "\"" + testsupport::BinaryPath("mail_program_standin.exe") +
                                "\" \"" + mailtoLog_ + "\"" + tail;
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", REG_SZ,
                           command.c_str(), static_cast<DWORD>(command.size())),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command");
    MailTestSettings() = TDroskSettings{};
  }
  // What the mail program stand-in was started with; it runs on its own, so wait for it.
  std::string MailtoCommand() const {
    for (int i = 0; i < 100 && ReadFile(mailtoLog_).empty(); ++i) Sleep(50);
    return ReadFile(mailtoLog_);
  }
  TempDir dir_;
  std::string mapiLog_;
  std::string mailtoLog_;
};

TEST_F(DroskMail, SubjectSenderAndUrlEncoding) {
  TDroskSettings& settings = MailTestSettings();
  settings.MailSubject = "%APPNAME% - %exceptMsg%";
  const std::string exe = ModuleFileName(GetModuleHandleA(nullptr));
  EXPECT_EQ(MailSubjectFor(kReport),
            exe.substr(exe.rfind('\\') + 1) + " - Access violation at address 0040a1b2.");
  EXPECT_EQ(MailSubjectFor("no message line"), exe.substr(exe.rfind('\\') + 1) + " - %exceptMsg%");
  EXPECT_EQ(MailSenderFor(), "droskExcept <ann@x.test>");
  settings.MailAddress = "bob@y.test";
  EXPECT_EQ(MailSenderFor(), "droskExcept <bob@y.test>");
  settings.MailFrom = "Crash <c@z.test>";
  EXPECT_EQ(MailSenderFor(), "Crash <c@z.test>");
  const TCharSet set = CharSet("\n\r \"#%+<>?");
  EXPECT_EQ(UrlEncode("a b&c%\r\n\xE4?", set, '%'), "a%20b&c%25%0D%0A\xE4%3F");
}

TEST_F(DroskMail, MapiGetsTheRecipientsAndFilesAndASilentCallSendsWithoutDialog) {
  TDroskSettings& settings = MailTestSettings();
  settings.MailViaMailto = false;
  EXPECT_EQ(SendBugReportMail(kReport, "\x89PNG", nullptr, true), mrSent);
  const std::string log = ReadFile(mapiLog_);
  EXPECT_NE(log.find("flags 0\nsubject bug report\nbody date/time"), std::string::npos) << log;
  EXPECT_NE(log.find("to 1 [Ann ] [SMTP:ann@x.test]\nto 1 [bob@y.test] [SMTP:bob@y.test]\n"
                     "file -1 "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("screenShot.png\n"), std::string::npos);
  // Not silent: the dialogs are allowed.
  DeleteFileA(mapiLog_.c_str());
  settings.MailAddress = "";
  EXPECT_EQ(SendBugReportMail("r", "", nullptr, true), mrSent);
  EXPECT_EQ(ReadFile(mapiLog_).find("flags 9\n"), 0u);
}

TEST_F(DroskMail, ACancelledMapiDialogEndsTheRoadsAndARefusalFallsToMailto) {
  SetEnvironmentVariableA("DROSK_MAPI_RESULT", "1");  // the user cancelled
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, true), mrCancelled);
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, false), mrCancelled);
  Sleep(300);
  EXPECT_TRUE(ReadFile(mailtoLog_).empty());

  SetEnvironmentVariableA("DROSK_MAPI_RESULT", "2");                    // a failure
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, true), mrNotSent);  // silent: no mailto
  Sleep(300);
  EXPECT_TRUE(ReadFile(mailtoLog_).empty());
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, false), mrSent);
  const std::string command = MailtoCommand();
  EXPECT_NE(command.find("mailto.log\" mailto:Ann <ann@x.test>,bob@y.test?subject=bug%20report"
                         "&body=date/time%20%20"),
            std::string::npos)
      << command;
  EXPECT_NE(command.find(":%20Access%20violation%20at%20address%200040a1b2.%20%20%0D%0Amore%20%26"
                         "%20more%0D%0A\n"),
            std::string::npos)
      << command;
}

// A command line holds 32766 characters: a longer one is cut there, or just before an escape
// that the cut would split.
TEST_F(DroskMail, ALongMailtoCommandIsCutWithoutSplittingAnEscape) {
  const std::string prefix = "\"" + testsupport::BinaryPath("mail_program_standin.exe") + "\" \"" +
                             mailtoLog_ + "\" mailto:a@x.test?subject=s&body=";
  struct CutCase {
    size_t escapeAt;  // index in the command line of the "%" of the body's "%0D"
    size_t length;
  };
  for (const CutCase& c : {CutCase{32765, 32765}, CutCase{32764, 32764}, CutCase{32763, 32766}}) {
    SCOPED_TRACE(c.escapeAt);
    DeleteFileA(mailtoLog_.c_str());
    ASSERT_LT(prefix.size(), c.escapeAt);
    const std::string body = std::string(c.escapeAt - prefix.size(), 'x') + "\r" + "yyyy";
    ASSERT_TRUE(SendMailtoMail("a@x.test", "s", body));
    const std::string command = MailtoCommand();
    ASSERT_EQ(command.size(), c.length + 1) << command.substr(0, 300);  // and its "\n"
    EXPECT_EQ(command.substr(0, prefix.size()), prefix);
  }
}

TEST_F(DroskMail, MailtoCommandsWithoutThePlaceholderAndWithoutACommand) {
  RegisterMailProgram("");
  ASSERT_TRUE(SendMailtoMail("a@x.test", "s", "b"));
  EXPECT_NE(MailtoCommand().find("mailto.log\" mailto:a@x.test?subject=s&body=b\n"),
            std::string::npos);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command");
  EXPECT_FALSE(SendMailtoMail("a@x.test", "s", "b"));
}
TEST_F(DroskMail, TheServerRoadComesFirstAndDeletesTheSentFileWhenAsked) {
  const std::string folder = MailServerFolder();
  ASSERT_FALSE(folder.empty()) << "DROSK_MAIL_SERVERS is not set: no loopback mail server";
  const std::string received = folder + "\\received.json";
  ASSERT_NE(MailServerPort(), 0);
  ASSERT_TRUE(IsOnline());
  const std::string extra = dir_.Path("extra.log");
  testsupport::WriteFile(extra, "extra file");
  TDroskSettings& settings = MailTestSettings();
  settings.MailViaServer = true;
  settings.SmtpServer = "127.30.0.1";
  settings.SmtpPort = MailServerPort();
  settings.AdditionalAttachments = extra;
  settings.DeleteAfterMail = true;
  const size_t before = ReadFile(received).size();
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, true), mrSent);
  const std::string mail = ReadFile(received).substr(before);
  EXPECT_NE(
      mail.find("\"mail_from\": \"ann@x.test\", \"rcpt_tos\": [\"ann@x.test\", \"bob@y.test\"]"),
      std::string::npos)
      << mail;
  EXPECT_NE(mail.find("\"filename\": \"extra.log\""), std::string::npos);
  EXPECT_FALSE(testsupport::FileExists(extra));
  EXPECT_TRUE(ReadFile(mapiLog_).empty());
  // A server that is not there: the next road (MAPI) takes the mail.
  settings.SmtpServer = "127.30.0.99";
  settings.DeleteAfterMail = false;
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, true), mrSent);
  EXPECT_EQ(ReadFile(mapiLog_).find("flags 0\n"), 0u);
  // All roads off: nothing is tried.
  settings.MailViaServer = settings.MailViaMapi = settings.MailViaMailto = false;
  DeleteFileA(mapiLog_.c_str());
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, true), mrNotSent);
  EXPECT_TRUE(ReadFile(mapiLog_).empty());
}

// The settings hold the password enciphered: the library's start-up deciphers it, and the server
// road logs in with the clear text (the scripted server takes only the right one).
TEST_F(DroskMail, TheServerRoadLogsInWithThePasswordDecipheredAtStartUp) {
  const std::string folder = MailServerFolder();
  ASSERT_FALSE(folder.empty()) << "DROSK_MAIL_SERVERS is not set: no loopback mail server";
  ASSERT_NE(MailServerPort(), 0);
  const std::string password = "s3cr=t in a longer phrase";  // whole blocks get enciphered
  const std::string stored = Decrypt(Decrypt(password, kSmtpPasswordKey1, kSecretCounter2, 0),
                                     kSmtpPasswordKey2, kSecretCounter1, 0);
  ASSERT_NE(stored, password);
  TDroskSettings& settings = MailTestSettings();
  settings.MailViaServer = true;
  settings.MailViaMapi = settings.MailViaMailto = false;
  settings.SmtpServer = "127.30.0.2";
  settings.SmtpPort = MailServerPort();
  settings.SmtpAccount = "crash-user";
  settings.SmtpPassword = stored;
  DecipherSmtpPassword();
  EXPECT_EQ(SmtpPasswordText(), password);
  const std::string log = folder + "\\127.30.0.2.log";
  const size_t before = ReadFile(log).size();
  EXPECT_EQ(SendBugReportMail(kReport, "", nullptr, true), mrSent);
  EXPECT_NE(ReadFile(log).substr(before).find("\nY3Jhc2gtdXNlcg==\n" +
                                              Base64EncodeString(password) + "\nMAIL FROM:"),
            std::string::npos)
      << ReadFile(log).substr(before);
  settings.SmtpPassword = "";
  DecipherSmtpPassword();
}

}  // namespace
}  // namespace drosk
