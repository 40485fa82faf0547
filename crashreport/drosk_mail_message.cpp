// The text of a report mail.
#include "crashreport/drosk_mail_message.h"

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_strings.h"
#include "framework/win/handles.h"

namespace drosk {
namespace {

constexpr char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr size_t kBase64Block = 57;  // one 76-character line

std::string Delimiter() { return "--" + std::string(kMailBoundary); }

bool IsAsciiAlphaNumeric(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string NormalizeRecipients(std::string_view recipients) {
  std::string list(recipients);
  for (char& c : list)
    if (c == ';') c = ',';
  FormatSubStrs(list, ',');
  return list;
}

std::string MailAddressPart(std::string_view text, bool keepName) {
  const size_t open = text.find('<');
  if (open == std::string_view::npos) return "<" + std::string(text) + ">";
  return std::string(keepName ? text : text.substr(open));
}

std::string EncodeSubject(std::string_view subject) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "=?ISO-8859-1?Q?";
  for (const char c : subject) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsAsciiAlphaNumeric(byte)) {
      text += c;
    } else {
      text += '=';
      text += kHex[byte >> 4];
      text += kHex[byte & 15];
    }
  }
  return text + "?=";
}

std::string MailDateText(const SYSTEMTIME& utc) {
  const int month = utc.wMonth >= 1 && utc.wMonth <= 12 ? utc.wMonth - 1 : 0;
  return IntToStrEx(uint32_t{utc.wDay}) + " " + kMonths[month] + " " +
         IntToStrEx(uint32_t{utc.wYear}) + " " + IntToStrEx(uint32_t{utc.wHour}, 2, '0') + ":" +
         IntToStrEx(uint32_t{utc.wMinute}, 2, '0') + ":" +
         IntToStrEx(uint32_t{utc.wSecond}, 2, '0') + " UT";
}

std::string MailDateText() {
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  return MailDateText(utc);
}

std::string MailMessageId(uint64_t fileTime) {
  std::string digits = IntToHex(fileTime);
  // The 64-bit form pads only the low word; the identifier always has 16 digits.
  digits = std::string(16 - std::min<size_t>(16, digits.size()), '0') + digits;
  return "<" + digits + "@droskExcept>";
}

std::string MailMessageId() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return MailMessageId((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
}

std::string DotStuff(std::string_view body) {
  // Receivers drop the first dot of every line that starts with one: a line "." would end the
  // data early and ".x" would arrive as "x".
  std::string text = body.substr(0, 1) == "." ? "." + std::string(body) : std::string(body);
  ReplaceStr(text, "\r\n.", "\r\n..");
  return text;
}

bool SmtpSendAttachment(const TMailSink& sink, const std::string& path) {
  win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  const std::string name = path.substr(path.rfind('\\') + 1);
  const bool png =
      path.size() >= 4 && SameText(std::string_view(path).substr(path.size() - 4), ".png");
  bool sentLine = false;
  for (DWORD done = 0; done < size;) {
    char block[kBase64Block];
    const DWORD wanted = std::min<DWORD>(kBase64Block, size - done);
    DWORD read = 0;
    if (!ReadFile(file.get(), block, wanted, &read, nullptr) || read != wanted) {
      if (sentLine) sink("\r\n");
      return false;
    }
    if (!sentLine) {
      const std::string header =
          Delimiter() + "\r\nContent-Type: " + (png ? "image/png" : "application/octet-stream") +
          "; name=\"" + name + "\"\r\nContent-Transfer-Encoding: base64\r\n" +
          "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
      if (!sink(header)) return false;
    }
    if (!sink(Base64Encode(block, read) + "\r\n")) return false;
    sentLine = true;
    done += read;
  }
  return true;
}

bool SendMailMessage(const TMailSink& sink, std::string_view recipients, std::string_view from,
                     std::string_view subject, std::string_view body,
                     std::string_view attachments) {
  // Each recipient in its own address form: one pair of brackets around the whole list would
  // make a header no reader can split.
  const std::string list = NormalizeRecipients(recipients);
  std::string to;
  for (int i = 1, count = SubStrCount(list, ','); i <= count; ++i)
    to += (i > 1 ? ", " : "") + MailAddressPart(SubStr(list, i, ','), true);
  std::string text = "To: " + to + "\r\nFrom: " + MailAddressPart(from, true) +
                     "\r\nSubject: " + EncodeSubject(subject) + "\r\nDate: " + MailDateText() +
                     "\r\nMessage-ID: " + MailMessageId() + "\r\n";
  std::string files(attachments);
  FormatSubStrs(files, '|');
  if (files.empty()) return sink(text + "\r\n") && sink(body);
  text += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" +
          std::string(kMailBoundary) +
          "\"\r\n\r\nThis is a multi-part message in MIME format.\r\n\r\n" + Delimiter() +
          "\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n"
          "Content-Transfer-Encoding: 8bit\r\n\r\n";
  if (!sink(text) || !sink(body) || !sink("\r\n")) return false;
  for (int i = 1, count = SubStrCount(files, '|'); i <= count; ++i) {
    const std::string path = SubStr(files, i, '|');
    if (FileExists(path) && !SmtpSendAttachment(sink, path)) return false;
  }
  return sink(Delimiter() + "--\r\n");
}

}  // namespace drosk
