// The SMTP client against loopback servers the test run starts (mail_servers.py): a real server
// that parses what it takes, and scripted peers for AUTH, refusals and broken replies.
#include "crashreport/drosk_smtp.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <future>
#include <sstream>
#include <string>

#include "mail_test_servers.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr char kReal[] = "127.30.0.1";
constexpr char kAuth[] = "127.30.0.2";
constexpr char kHeloOnly[] = "127.30.0.3";
constexpr char kNoAuth[] = "127.30.0.4";
constexpr char kEndless[] = "127.30.0.5";
constexpr char kOverlong[] = "127.30.0.6";
constexpr char kBadQuit[] = "127.30.0.7";
constexpr char kStalling[] = "127.30.0.8";

class DroskSmtp : public MailServersTest {
 protected:
  bool Send(const std::string& server, const std::string& recipients, const std::string& account,
            const std::string& password, const std::string& subject = "s",
            const std::string& body = "b") {
    return SendSmtpMail("crash@x.test", recipients, subject, body, "", server, account, password,
                        port_);
  }
  // A send's outcome, then the lines the peer read, "|" between them: the host name after EHLO
  // and HELO, and the message after DATA but its "To" header, are left out.
  std::string Session(const char* server, const std::string& recipients,
                      const std::string& account = "", const std::string& password = "",
                      const std::string& body = "b") {
    const size_t start = Log(server).size();
    std::string out = Send(server, recipients, account, password, body.empty() ? "" : "s", body)
                          ? "sent"
                          : "failed";
    std::istringstream lines(Log(server).substr(start));
    bool message = false;
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("EHLO ") || line.starts_with("HELO ")) line.resize(4);
      if (!message || line == "." || line.starts_with("To: ")) out += "|" + line;
      message = message ? line != "." : line == "DATA";
    }
    return out;
  }
};

TEST_F(DroskSmtp, ARealServerReceivesTheReportItsAttachmentsAndDottedLinesIntact) {
  const TempDir dir;
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 31 % 256);
  WriteFile(dir.Path("bugreport.txt"), bytes);
  WriteFile(dir.Path("screenShot.png"), "\x89PNG\r\n\x1a\n");
  std::string body = ".\r\n.x\r\nline with = and \xE9\r\n";
  body += std::string(990, 'r') + "\r\n.\r\nend\r\n";  // SMTP lines hold 998 characters
  ASSERT_TRUE(SendSmtpMail(
      "Crash Report <crash@x.test>", "a@x.test; b@y.test", "app.exe - Access violation", body,
      dir.Path("bugreport.txt") + "|" + dir.Path("screenShot.png"), kReal, "", "", port_));
  const auto records = nlohmann::json::parse(ReadFile(folder_ + "\\received.json"));
  const auto& mail = records.back();
  EXPECT_EQ(mail["mail_from"], "crash@x.test");
  EXPECT_EQ(mail["rcpt_tos"], nlohmann::json::array({"a@x.test", "b@y.test"}));
  EXPECT_EQ(mail["to"], "<a@x.test>, <b@y.test>");
  EXPECT_EQ(mail["from"], "Crash Report <crash@x.test>");
  EXPECT_EQ(mail["subject"], "app.exe - Access violation");
  EXPECT_EQ(mail["message_id"].get<std::string>().find("@droskExcept>"), 17u);
  ASSERT_EQ(mail["parts"].size(), 3u);
  auto hex = [](const std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) out += {kDigits[c >> 4], kDigits[c & 15]};
    return out;
  };
  EXPECT_EQ(mail["parts"][0]["type"], "text/plain");
  EXPECT_EQ(mail["parts"][0]["hex"], hex(body));
  EXPECT_EQ(mail["parts"][1]["filename"], "bugreport.txt");
  EXPECT_EQ(mail["parts"][1]["type"], "application/octet-stream");
  EXPECT_EQ(mail["parts"][1]["hex"], hex(bytes));
  EXPECT_EQ(mail["parts"][2]["type"], "image/png");
  EXPECT_EQ(mail["parts"][2]["hex"], hex("\x89PNG\r\n\x1a\n"));
}

TEST_F(DroskSmtp, AuthLoginIsOfferedInASplitMultiLineReplyAndTheAccountIsChecked) {
  EXPECT_EQ(Session(kAuth, "a@x.test", "crash-user", "s3cr=t"),
            "sent|EHLO|AUTH LOGIN|Y3Jhc2gtdXNlcg==|czNjcj10|MAIL FROM:<crash@x.test>|RCPT "
            "TO:<a@x.test>|DATA|To: <a@x.test>|.|QUIT");
  EXPECT_EQ(Session(kAuth, "a@x.test", "crash-user", "wrong"),
            "failed|EHLO|AUTH LOGIN|Y3Jhc2gtdXNlcg==|d3Jvbmc=|QUIT");
}

TEST_F(DroskSmtp, HeloAfterARefusedEhloDeliversOnlyWithoutAnAccount) {
  EXPECT_EQ(
      Session(kHeloOnly, "a@x.test"),
      "sent|EHLO|HELO|MAIL FROM:<crash@x.test>|RCPT TO:<a@x.test>|DATA|To: <a@x.test>|.|QUIT");
  EXPECT_EQ(Session(kHeloOnly, "a@x.test", "crash-user"), "failed|EHLO|HELO|QUIT");
  EXPECT_EQ(Session(kNoAuth, "a@x.test", "crash-user"), "failed|EHLO|QUIT");
}

TEST_F(DroskSmtp, EveryRecipientIsTriedAndOneAcceptanceIsEnough) {
  EXPECT_EQ(Session(kNoAuth, "nobody@x.test;Bea <b@y.test>"),
            "sent|EHLO|MAIL FROM:<crash@x.test>|RCPT TO:<nobody@x.test>|RCPT "
            "TO:<b@y.test>|DATA|To: <nobody@x.test>, Bea <b@y.test>|.|QUIT");
  EXPECT_EQ(Session(kNoAuth, "nobody@x.test"),
            "failed|EHLO|MAIL FROM:<crash@x.test>|RCPT TO:<nobody@x.test>|QUIT");
  // Nothing to say: the envelope is reset and the session ended.
  EXPECT_EQ(Session(kNoAuth, "a@x.test", "", "", ""),
            "sent|EHLO|MAIL FROM:<crash@x.test>|RCPT TO:<a@x.test>|RSET|QUIT");
}

TEST_F(DroskSmtp, BrokenPeersEndTheDeliveryWithFailure) {
  // A refused QUIT turns a sent mail into a failure.
  EXPECT_EQ(
      Session(kBadQuit, "a@x.test"),
      "failed|EHLO|HELO|MAIL FROM:<crash@x.test>|RCPT TO:<a@x.test>|DATA|To: <a@x.test>|.|QUIT");
  // A reply that never ends, and one longer than any buffer: failure within the reply time
  // (both peers at once: each costs that time).
  const DWORD begin = GetTickCount();
  auto endless =
      std::async(std::launch::async, [this] { return Send(kEndless, "a@x.test", "", ""); });
  EXPECT_FALSE(Send(kOverlong, "a@x.test", "", ""));
  EXPECT_FALSE(endless.get());
  EXPECT_LT(GetTickCount() - begin, 9000u);
  // Nobody listens; an empty recipient or server list sends nothing.
  EXPECT_FALSE(SendSmtpMail("", "a@x.test", "s", "b", "", "127.30.0.99", "", "", port_));
  EXPECT_FALSE(SendSmtpMail("", "", "s", "b", "", kReal, "", "", port_));
  EXPECT_FALSE(SendSmtpMail("", "a@x.test", "s", "b", "", "", "", "", port_));
}

// A server that answers DATA and then stops reading fills every buffer between it and the
// client (megabytes on loopback): the send waits at most the socket time-out, and the delivery
// fails instead of hanging.
TEST_F(DroskSmtp, AServerThatStopsReadingAfterDataFailsTheDeliveryInTime) {
  std::string body;
  const std::string line = std::string(78, 'r') + "\r\n";
  while (body.size() < (24u << 20)) body += line;
  const size_t start = Log(kStalling).size();
  const DWORD begin = GetTickCount();
  EXPECT_FALSE(Send(kStalling, "a@x.test", "", "", "s", body));
  EXPECT_LT(GetTickCount() - begin, 40000u);
  EXPECT_NE(Log(kStalling).substr(start).find("\nDATA\n"), std::string::npos);
}

}  // namespace
}  // namespace drosk
