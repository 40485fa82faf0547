// The library's own SMTP client: one plain IPv4 connection per delivery, EHLO or HELO, optional
// AUTH LOGIN, one message with its attachments.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace drosk {

// Delivers through `server` (host name or dotted address) on `port`, or with an empty server to
// each recipient's mail exchanger separately; with an account or password the server must offer
// AUTH LOGIN. Recipients are separated by "," or ";"; one accepted recipient
// is enough. Attachments are "|"-separated paths.
bool SendSmtpMail(std::string_view from, std::string_view recipients, std::string_view subject,
                  std::string_view body, std::string_view attachments, std::string_view server,
                  std::string_view account, std::string_view password, uint16_t port);

// Reads one reply, possibly of several lines and receives, within 7 seconds. True when it starts
// with `expected` and its last line came; `authLogin`, when given, is set by an AUTH line offering
// LOGIN.
bool SmtpReadReply(SOCKET socket, std::string_view expected, bool* authLogin = nullptr);

// Sends the command and CR LF (nothing for an empty command), then reads the reply.
bool SmtpCommand(SOCKET socket, std::string_view command, std::string_view expected,
                 bool* authLogin = nullptr);

// Sends the text in pieces of at most 1024 bytes; on a non-blocking socket a piece the server
// does not take within 7 seconds fails the send.
bool SmtpSendText(SOCKET socket, std::string_view text);

}  // namespace drosk
