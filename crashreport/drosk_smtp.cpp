// The SMTP client.
#include "crashreport/drosk_smtp.h"

#include <windows.h>

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_dns.h"
#include "crashreport/drosk_mail_message.h"
#include "crashreport/drosk_socket.h"
#include "crashreport/drosk_strings.h"
#include "framework/win/handles.h"

namespace drosk {
namespace {

constexpr DWORD kReplyTimeout = 7000;    // milliseconds for a whole reply
constexpr DWORD kSocketTimeout = 7000;   // milliseconds for a connection or for a piece to leave
constexpr size_t kPieceSize = 1024;      // bytes per send and per receive
constexpr size_t kMaxReplySize = 65536;  // a reply never ending its line is refused

// Waits until the socket can be read (or written), at most `milliseconds`; false on time-out or
// error, and for writing also when a connection attempt failed.
bool WaitForSocket(SOCKET socket, bool write, DWORD milliseconds) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_SET(socket, &ready);
  FD_ZERO(&failed);
  FD_SET(socket, &failed);
  timeval wait = {static_cast<long>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000 * 1000)};
  const int count = write ? select(0, nullptr, &ready, &failed, &wait)
                          : select(0, &ready, nullptr, nullptr, &wait);
  return count > 0 && FD_ISSET(socket, &ready) && !(write && FD_ISSET(socket, &failed));
}

// Connects without blocking for longer than the socket time-out; the socket stays non-blocking,
// so that no later send can wait for ever on a server that stopped reading.
bool Connect(SOCKET socket, const sockaddr_in& address) {
  u_long nonBlocking = 1;
  if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) return false;
  if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
    return true;
  }
  return WSAGetLastError() == WSAEWOULDBLOCK && WaitForSocket(socket, true, kSocketTimeout);
}

// WSAStartup and WSACleanup around one delivery.
class SocketLibrary {
 public:
  SocketLibrary() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~SocketLibrary() {
    if (started_) WSACleanup();
  }
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
  bool started() const { return started_; }

 private:
  bool started_ = false;
};

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof(name);
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string("localhost");
}

// A line of a reply (without its CR LF) that offers AUTH LOGIN: "250-AUTH LOGIN PLAIN", the "="
// form already turned into a blank.
bool OffersAuthLogin(std::string_view line) {
  if (line.size() < 4) return false;
  const std::string_view text = line.substr(4);
  if (!StartsText("AUTH ", text)) return false;
  return PosText(" LOGIN ", " " + std::string(text.substr(5)) + " ") > 0;
}

// The dialogue after the greeting and EHLO/HELO: authentication, envelope and data. The caller
// always ends it with QUIT.
bool Deliver(SOCKET socket, bool authLogin, std::string from, std::string_view recipients,
             std::string_view subject, std::string_view body, std::string_view attachments,
             std::string_view account, std::string_view password) {
  if (!account.empty() || !password.empty()) {
    if (!authLogin || !SmtpCommand(socket, "AUTH LOGIN", "334") ||
        !SmtpCommand(socket, Base64EncodeString(account), "334") ||
        !SmtpCommand(socket, Base64EncodeString(password), "235"))
      return false;
  }
  if (from.empty()) from = recipients;
  if (!SmtpCommand(socket, "MAIL FROM:" + MailAddressPart(from, false), "250")) return false;
  const std::string list = NormalizeRecipients(recipients);
  bool accepted = false;
  for (int i = 1, count = SubStrCount(list, ','); i <= count; ++i)
    accepted |=
        SmtpCommand(socket, "RCPT TO:" + MailAddressPart(SubStr(list, i, ','), false), "250");
  if (!accepted) return false;
  if (subject.empty() && body.empty()) return SmtpCommand(socket, "RSET", "250");
  if (!SmtpCommand(socket, "DATA", "354")) return false;
  const TMailSink sink = [socket](std::string_view text) { return SmtpSendText(socket, text); };
  const bool sent = SendMailMessage(sink, recipients, from, subject, DotStuff(body), attachments);
  return SmtpCommand(socket, "\r\n.", "250") && sent;
}

bool SmtpSendOne(std::string_view from, std::string_view recipients, std::string_view subject,
                 std::string_view body, std::string_view attachments, std::string_view server,
                 std::string_view account, std::string_view password, uint16_t port) {
  UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  // Direct delivery: the recipient's mail exchanger.
  const std::string host = server.empty() ? FindMailExchanger(recipients) : std::string(server);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (!socket || host.empty() || !ResolveHost(host, address.sin_addr) ||
      !Connect(socket.get(), address))
    return false;
  if (!SmtpReadReply(socket.get(), "220")) return false;
  const std::string name = ComputerName();
  bool authLogin = false;
  if (!SmtpCommand(socket.get(), "EHLO " + name, "250", &authLogin)) {
    authLogin = false;
    if (!SmtpCommand(socket.get(), "HELO " + name, "250")) return false;
  }
  const bool delivered = Deliver(socket.get(), authLogin, std::string(from), recipients, subject,
                                 body, attachments, account, password);
  // A mail counts as sent only when the server also confirms the end of the session.
  return SmtpCommand(socket.get(), "QUIT", "221") && delivered;
}

}  // namespace

bool SmtpSendText(SOCKET socket, std::string_view text) {
  while (!text.empty()) {
    const int piece = static_cast<int>(std::min(kPieceSize, text.size()));
    const int sent = send(socket, text.data(), piece, 0);
    if (sent > 0) {
      text.remove_prefix(static_cast<size_t>(sent));
    } else if (sent == 0 || WSAGetLastError() != WSAEWOULDBLOCK ||
               !WaitForSocket(socket, true, kSocketTimeout)) {
      return false;
    }
  }
  return true;
}

bool SmtpReadReply(SOCKET socket, std::string_view expected, bool* authLogin) {
  const DWORD start = GetTickCount();
  std::string buffer;
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kReplyTimeout || !WaitForSocket(socket, false, kReplyTimeout - elapsed)) {
      return false;
    }
    char piece[kPieceSize];
    const int received = recv(socket, piece, sizeof(piece), 0);
    if (received <= 0) return false;
    buffer.append(piece, static_cast<size_t>(received));
    if (buffer.size() > kMaxReplySize) return false;
    if (buffer.size() <= expected.size()) continue;  // the code itself arrives in pieces
    if (buffer.compare(0, expected.size(), expected) != 0) return false;
    for (char& c : buffer)
      if (c == '=') c = ' ';
    // Only complete lines are taken: a line split across receives waits for its end.
    for (size_t end; (end = buffer.find("\r\n")) != std::string::npos;) {
      const std::string_view line(buffer.data(), end);
      const bool last = line.size() < 4 || line[3] != '-';
      if (authLogin && !*authLogin) *authLogin = OffersAuthLogin(line);
      buffer.erase(0, end + 2);
      if (last) return true;
    }
  }
}

bool SmtpCommand(SOCKET socket, std::string_view command, std::string_view expected,
                 bool* authLogin) {
  if (!command.empty() && !SmtpSendText(socket, std::string(command) + "\r\n")) return false;
  return SmtpReadReply(socket, expected, authLogin);
}

bool SendSmtpMail(std::string_view from, std::string_view recipients, std::string_view subject,
                  std::string_view body, std::string_view attachments, std::string_view server,
                  std::string_view account, std::string_view password, uint16_t port) {
  if (recipients.empty()) return false;
  const SocketLibrary library;
  if (!library.started()) return false;
  if (!server.empty())
    return SmtpSendOne(from, recipients, subject, body, attachments, server, account, password,
                       port);
  // Direct delivery: each recipient gets its own lookup and connection.
  const std::string list = NormalizeRecipients(recipients);
  bool delivered = false;
  for (int i = 1, count = SubStrCount(list, ','); i <= count; ++i)
    delivered |= SmtpSendOne(from, SubStr(list, i, ','), subject, body, attachments, "", account,
                             password, port);
  return delivered;
}

}  // namespace drosk
