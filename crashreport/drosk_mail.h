// Mailing a bug report: the own SMTP client straight to the exchangers or through a server, then
// Simple MAPI, then the registered mail program's "mailto" command, with a box for the outcome.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "crashreport/drosk_strings.h"

namespace drosk {

enum TMailResult : int { mrNotSent = 0, mrSent = 1, mrCancelled = 2 };

// Tries the roads the settings switch on until one succeeds; the screen shot (PNG bytes, may be
// empty) goes along as "screenShot.png". Silent calls show no box and never start a mail program.
int SendBugReportMail(std::string_view report, std::string_view screenShot, HWND owner,
                      bool silent);
int SendBugReportMail(std::string_view report, std::string_view screenShot, HWND owner);

// Simple MAPI: recipients separated by "," or ";", attachments by "|".
int SendMapiMail(std::string_view recipients, std::string_view subject, std::string_view body,
                 bool silent, HWND owner, std::string_view attachments);

// Starts the registered "mailto" command with the mail as its URL.
bool SendMailtoMail(std::string_view recipients, std::string_view subject, std::string_view body);

bool IsOnline();

// The settings hold the SMTP password enciphered (`DecryptTwice` with these keys, the cipher
// applied twice in the reverse order); the library's start-up deciphers it once, and the server
// road sends the deciphered text.
constexpr std::string_view kSmtpPasswordKey1 = "droskExcept";
constexpr std::string_view kSmtpPasswordKey2 = "SmtpPassword";
void DecipherSmtpPassword();
const std::string& SmtpPasswordText();

// Each character of the set becomes the escape character and two upper-case hexadecimal digits.
std::string UrlEncode(std::string_view text, const TCharSet& set, char escape);

// The subject from the settings: "%appname%" is the library module's file name, "%exceptMsg%" the
// text after the colon of the report's "exception message" line.
std::string MailSubjectFor(std::string_view report);

// The sender from the settings, or one made from the first recipient.
std::string MailSenderFor();

}  // namespace drosk
