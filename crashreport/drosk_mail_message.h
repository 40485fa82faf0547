// The text of a report mail: headers, the encoded subject, date and message id, and the MIME
// multipart layout with base64 attachments. Lines end with CR LF.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace drosk {

// The text between every MIME delimiter's "--" and the end of the line.
constexpr std::string_view kMailBoundary = "droskExcept.mail.invalid_SMTP_Boundary";

// Sends one piece of the message; false when the connection failed.
using TMailSink = std::function<bool(std::string_view text)>;

// Recipient lists: ";" becomes "," and blanks around the items are removed.
std::string NormalizeRecipients(std::string_view recipients);

// With "<" in the text: the text itself (keep name) or the text from "<" on; otherwise the text
// in angle brackets.
std::string MailAddressPart(std::string_view text, bool keepName);

// One ISO-8859-1 encoded word; only ASCII letters and digits stay as they are.
std::string EncodeSubject(std::string_view subject);

// "6 Dec 2026 09:05:03 UT" and "<16 hexadecimal digits of the file time@droskExcept>".
std::string MailDateText(const SYSTEMTIME& utc);
std::string MailDateText();
std::string MailMessageId(uint64_t fileTime);
std::string MailMessageId();

// Every line that starts with "." gets a second one, which the receiver removes again.
std::string DotStuff(std::string_view body);

// Sends the message from "To:" to the closing delimiter (not the end-of-data dot). Attachments are
// "|"-separated paths; missing files are skipped. False when a piece could not be sent or an
// attachment could not be read.
bool SendMailMessage(const TMailSink& sink, std::string_view recipients, std::string_view from,
                     std::string_view subject, std::string_view body, std::string_view attachments);

// One base64 MIME part for the file; an empty file sends nothing.
bool SmtpSendAttachment(const TMailSink& sink, const std::string& path);

}  // namespace drosk
