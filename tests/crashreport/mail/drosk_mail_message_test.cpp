// The text of a report mail, captured piece by piece as the SMTP client would send it.
#include "crashreport/drosk_mail_message.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_paths.h"

namespace drosk {
namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

TEST(DroskMailMessage, SubjectDateIdAndAddressForms) {
  EXPECT_EQ(EncodeSubject("bug report"), "=?ISO-8859-1?Q?bug=20report?=");
  EXPECT_EQ(EncodeSubject("a=b?Zz09\xE4\n"), "=?ISO-8859-1?Q?a=3Db=3FZz09=E4=0A?=");
  EXPECT_EQ(EncodeSubject(""),
            "=?ISO-8859-1?Q?"
            "?=");
  SYSTEMTIME time = {};
  time.wYear = 2026, time.wMonth = 12, time.wDay = 6, time.wHour = 9, time.wMinute = 5,
  time.wSecond = 3;
  EXPECT_EQ(MailDateText(time), "6 Dec 2026 09:05:03 UT");
  time.wMonth = 13, time.wDay = 31, time.wHour = 23, time.wMinute = 59, time.wSecond = 59;
  EXPECT_EQ(MailDateText(time), "31 Jan 2026 23:59:59 UT") << "no month 13: January";
  EXPECT_EQ(MailMessageId(0x1DC8A2B00000010ull), "<01dc8a2b00000010@droskExcept>");
  EXPECT_EQ(MailMessageId(0xFull), "<000000000000000f@droskExcept>");
  EXPECT_EQ(MailAddressPart("a@x.test", true), "<a@x.test>");
  EXPECT_EQ(MailAddressPart("a@x.test", false), "<a@x.test>");
  EXPECT_EQ(MailAddressPart("Ann <a@x.test>", true), "Ann <a@x.test>");
  EXPECT_EQ(MailAddressPart("Ann <a@x.test>", false), "<a@x.test>");
  EXPECT_EQ(NormalizeRecipients(" a@x.test ; b@y.test,"), "a@x.test,b@y.test");
  EXPECT_EQ(DotStuff(".\r\n.x\r\na.\r\n.\r\n."), "..\r\n..x\r\na.\r\n..\r\n..");
}

struct Capture {
  std::string text;
  int pieces = 0;
  int failAt = -1;  // the piece whose send fails
  TMailSink Sink() {
    return [this](std::string_view piece) {
      if (pieces++ == failAt) return false;
      text += piece;
      return true;
    };
  }
};

std::string Headers(const std::string& text) { return text.substr(0, text.find("\r\n\r\n") + 4); }

TEST(DroskMailMessage, WithoutAttachmentsTheBodyFollowsTheHeaders) {
  Capture capture;
  ASSERT_TRUE(SendMailMessage(capture.Sink(), " a@x.test;b@y.test", "Crash <c@z.test>", "s",
                              "line\r\n", " | "));
  const std::string& text = capture.text;
  EXPECT_EQ(text.find("To: <a@x.test>, <b@y.test>\r\nFrom: Crash <c@z.test>\r\n"
                      "Subject: =?ISO-8859-1?Q?s?=\r\nDate: "),
            0u);
  EXPECT_NE(text.find("\r\nMessage-ID: <"), std::string::npos);
  EXPECT_EQ(text.find("MIME"), std::string::npos);
  EXPECT_EQ(text.substr(Headers(text).size()), "line\r\n");
}

TEST(DroskMailMessage,
     AttachmentsAreBase64PartsOf76CharacterLinesAndMissingOrEmptyFilesAreLeftOut) {
  const TempDir dir;
  std::string bytes;
  for (int i = 0; i < 58; ++i) bytes += static_cast<char>(i * 7 + 200);
  WriteFile(dir.Path("a.bin"), bytes.substr(0, 57));
  WriteFile(dir.Path("SHOT.PNG"), bytes);
  WriteFile(dir.Path("empty.txt"), "");
  const std::string list = dir.Path("missing.bin") + " | " + dir.Path("a.bin") + "|" +
                           dir.Path("empty.txt") + "|" + dir.Path("SHOT.PNG");
  Capture capture;
  ASSERT_TRUE(SendMailMessage(capture.Sink(), "a@x.test", "c@z.test", "s", "body", list));
  const std::string& text = capture.text;
  const std::string b = "--" + std::string(kMailBoundary);
  EXPECT_NE(Headers(text).find("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" +
                               std::string(kMailBoundary) + "\"\r\n\r\n"),
            std::string::npos);
  const std::string rest = text.substr(Headers(text).size());
  const std::string expected =
      "This is a multi-part message in MIME format.\r\n\r\n" + b +
      "\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n"
      "\r\nbody\r\n" +
      b + "\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n" +
      "Content-Transfer-Encoding: base64\r\n" +
      "Content-Disposition: attachment; filename=\"a.bin\"\r\n\r\n";
  ASSERT_EQ(rest.substr(0, expected.size()), expected);
  // 57 bytes: one line of 76 characters; 58 bytes: 76 and 4.
  const size_t first = expected.size();
  EXPECT_EQ(rest.find("\r\n", first), first + 76);
  const size_t png = rest.find("Content-Type: image/png; name=\"SHOT.PNG\"\r\n");
  ASSERT_NE(png, std::string::npos);
  const size_t data = rest.find("\r\n\r\n", png) + 4;
  EXPECT_EQ(rest.substr(data + 76, 2), "\r\n");
  EXPECT_EQ(rest.substr(data + 78), rest.substr(data + 78, 4) + "\r\n" + b + "--\r\n");
  EXPECT_EQ(rest.find("empty.txt"), std::string::npos);
  EXPECT_EQ(rest.find("missing.bin"), std::string::npos);
}

TEST(DroskMailMessage, AFailedSendEndsTheMessageWithoutTheClosingDelimiter) {
  const TempDir dir;
  WriteFile(dir.Path("a.bin"), std::string(200, 'a'));
  for (int failAt = 0; failAt < 8; ++failAt) {
    SCOPED_TRACE(failAt);
    Capture capture;
    capture.failAt = failAt;
    EXPECT_FALSE(
        SendMailMessage(capture.Sink(), "a@x.test", "c@z.test", "s", "b", dir.Path("a.bin")));
    EXPECT_EQ(capture.text.find(std::string(kMailBoundary) + "--"), std::string::npos);
  }
  Capture whole;
  EXPECT_TRUE(SmtpSendAttachment(whole.Sink(), dir.Path("a.bin")));
  EXPECT_EQ(whole.pieces, 5);  // the part header and four lines
  EXPECT_FALSE(SmtpSendAttachment(whole.Sink(), dir.Path("none.bin")));
}

}  // namespace
}  // namespace drosk
