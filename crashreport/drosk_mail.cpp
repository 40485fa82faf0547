// Mailing a bug report.
#include "crashreport/drosk_mail.h"

#include <mapi.h>

#include <vector>

#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_mail_message.h"
#include "crashreport/drosk_report_file.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_smtp.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {
namespace {

constexpr size_t kMaxCommandLine = 32766;

bool IsAbsolutePath(std::string_view name) {
  return name.size() > 2 && (name[0] == '\\' || name[1] == ':');
}

std::string OwnModuleFile() { return ModuleFileName(win::ThisModule()); }

std::string DirectoryOf(const std::string& path) { return path.substr(0, path.rfind('\\') + 1); }

void AppendItem(std::string& list, std::string_view item) {
  if (!list.empty()) list += '|';
  list += item;
}

// The screen shot written as "screenShot.png" into the temporary folder; empty when it cannot be.
std::string WriteScreenShot(std::string_view data) {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length > MAX_PATH) return {};
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  path += "screenShot.png";
  ForceFileDirectory(path);
  win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file ||
      !WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size())
    return {};
  return path;
}

std::string Attachments(std::string_view screenShot) {
  const TDroskSettings& settings = DroskSettings();
  std::string list;
  if (settings.AttachBugReport) {
    std::string name = BugReportFileName();
    if (!IsAbsolutePath(name)) name = DirectoryOf(OwnModuleFile()) + name;
    if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES) list = name;
  }
  if (!screenShot.empty()) {
    const std::string shot = WriteScreenShot(screenShot);
    if (!shot.empty()) AppendItem(list, shot);
  }
  if (!settings.AdditionalAttachments.empty()) AppendItem(list, settings.AdditionalAttachments);
  return list;
}

std::string BoxText(std::string_view text) {
  std::string box(text);
  ReplaceStr(box, "%LF%", "\r\n");
  return box;
}

// Keeps the window out of the always-on-top band while a dialog of another program is up.
class NotTopMost {
 public:
  explicit NotTopMost(HWND window)
      : window_(window && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? window
                                                                                : nullptr) {
    if (window_) SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  ~NotTopMost() {
    if (window_) SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  NotTopMost(const NotTopMost&) = delete;
  NotTopMost& operator=(const NotTopMost&) = delete;

 private:
  HWND window_;
};

}  // namespace

std::string UrlEncode(std::string_view text, const TCharSet& set, char escape) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (set[byte]) {
      out += escape;
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string MailSubjectFor(std::string_view report) {
  std::string subject(DroskSettings().MailSubject);
  const std::string module = OwnModuleFile();
  ReplaceText(subject, "%appname%", module.substr(module.rfind('\\') + 1));
  const int line = PosStr("\r\nexception message ", report);
  if (line > 0) {
    const int end = PosStr("\r\n", report, line + 10);
    std::string text(report.substr(
        line + 1, end > 0 ? static_cast<size_t>(end - line - 2) : std::string_view::npos));
    text.erase(0, text.find(':') + 1);
    ReplaceStr(subject, "%exceptMsg%", TrimStr(text));
  }
  return subject;
}

std::string MailSenderFor() {
  const TDroskSettings& settings = DroskSettings();
  if (!settings.MailFrom.empty() || settings.MailAddress.empty())
    return std::string(settings.MailFrom);
  std::string list = NormalizeRecipients(settings.MailAddress);
  if (SubStrCount(list, ',') > 1) list = SubStr(list, 1, ',');
  return "droskExcept " + MailAddressPart(list, false);
}

namespace {

std::string& DecipheredSmtpPassword() {
  static std::string password;
  return password;
}

}  // namespace

void DecipherSmtpPassword() {
  DecipheredSmtpPassword() =
      DecryptTwice(DroskSettings().SmtpPassword, kSmtpPasswordKey1, kSmtpPasswordKey2);
}

const std::string& SmtpPasswordText() { return DecipheredSmtpPassword(); }

bool IsOnline() {
  const win::UniqueLibrary library(LoadLibraryA("wininet.dll"));
  using TGetConnectedState = BOOL(WINAPI*)(DWORD*, DWORD);
  const auto connected =
      win::ProcAddress<TGetConnectedState>(library.get(), "InternetGetConnectedState");
  DWORD flags = 0;
  return connected && connected(&flags, 0);
}

int SendMapiMail(std::string_view recipients, std::string_view subject, std::string_view body,
                 bool silent, HWND owner, std::string_view attachments) {
  if (LoaderLockHeld()) return mrNotSent;
  const win::UniqueLibrary library(LoadLibraryA("mapi32.dll"));
  const auto sendMail = win::ProcAddress<LPMAPISENDMAIL>(library.get(), "MAPISendMail");
  if (!sendMail) return mrNotSent;
  const std::string list = NormalizeRecipients(recipients);
  const int recipientCount = SubStrCount(list, ',');
  std::vector<std::string> names, addresses;
  for (int i = 1; i <= recipientCount; ++i) {
    const std::string item = SubStr(list, i, ',');
    const size_t open = item.find('<');
    names.push_back(open == std::string::npos ? item : item.substr(0, open));
    addresses.push_back("SMTP:" + (open == std::string::npos
                                       ? item
                                       : item.substr(open + 1, item.find('>', open) - open - 1)));
  }
  std::vector<MapiRecipDesc> recipientDescs(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    recipientDescs[i].ulRecipClass = MAPI_TO;
    recipientDescs[i].lpszName = names[i].data();
    recipientDescs[i].lpszAddress = addresses[i].data();
  }
  std::string files(attachments);
  FormatSubStrs(files, '|');
  std::vector<std::string> paths;
  for (int i = 1, count = SubStrCount(files, '|'); i <= count; ++i)
    paths.push_back(SubStr(files, i, '|'));
  std::vector<MapiFileDesc> fileDescs(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    fileDescs[i].nPosition = static_cast<ULONG>(-1);
    fileDescs[i].lpszPathName = paths[i].data();
  }
  std::string subjectText(subject), bodyText(body);
  MapiMessage message = {};
  message.lpszSubject = subjectText.data();
  message.lpszNoteText = bodyText.data();
  message.nRecipCount = static_cast<ULONG>(recipientDescs.size());
  message.lpRecips = recipientDescs.empty() ? nullptr : recipientDescs.data();
  message.nFileCount = static_cast<ULONG>(fileDescs.size());
  message.lpFiles = fileDescs.empty() ? nullptr : fileDescs.data();
  const ULONG flags = silent && recipientCount > 0 ? 0 : MAPI_LOGON_UI | MAPI_DIALOG;
  const NotTopMost notTopMost(owner);
  // The mail program may need the main thread (its dialog is owned by the program's windows):
  // a main thread held while a report is handled goes on for the call.
  const bool released = DroskSettings().HoldThreadsWhileHandling && ReleaseMainThread();
  const ULONG answer = sendMail(0, reinterpret_cast<ULONG_PTR>(owner), &message, flags, 0);
  if (released) ReholdMainThread();
  switch (answer) {
    case SUCCESS_SUCCESS: return mrSent;
    case MAPI_USER_ABORT: return mrCancelled;
    default: return mrNotSent;
  }
}

bool SendMailtoMail(std::string_view recipients, std::string_view subject, std::string_view body) {
  std::string command = RegReadString(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", "");
  if (command.size() > MAX_PATH) command.resize(MAX_PATH);
  command.resize(strnlen(command.c_str(), command.size()));
  if (command.empty()) return false;
  char expanded[32768] = {};
  if (ExpandEnvironmentStringsA(command.c_str(), expanded, sizeof(expanded)) > 0)
    command = expanded;
  if (command.empty()) return false;
  // "&" and "=" as well: unencoded, the mail program would end the body at the report's first
  // "&" and lose the rest.
  const TCharSet set = CharSet("\n\r \"#%&+<=>?");
  const std::string url = "mailto:" + NormalizeRecipients(recipients) +
                          "?subject=" + UrlEncode(subject, set, '%') +
                          "&body=" + UrlEncode(body, set, '%');
  if (!ReplaceStr(command, "%1", url)) {
    if (command.back() != ' ') command += ' ';
    command += url;
  }
  if (GetOS().IsNT && command.size() > kMaxCommandLine) {
    // Never cut an escape in half.
    size_t length = kMaxCommandLine;
    if (command[kMaxCommandLine - 1] == '%')
      length = kMaxCommandLine - 1;
    else if (command[kMaxCommandLine - 2] == '%')
      length = kMaxCommandLine - 2;
    command.resize(length);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

int SendBugReportMail(std::string_view report, std::string_view screenShot, HWND owner,
                      bool silent) {
  const TDroskSettings& settings = DroskSettings();
  const std::string subject = MailSubjectFor(report);
  const std::string from = MailSenderFor();
  std::string attachments = Attachments(screenShot);
  const std::string_view to = settings.MailAddress;
  const bool canSmtp = !to.empty() && (settings.MailDirect || settings.MailViaServer) && IsOnline();
  bool smtpSent = canSmtp && settings.MailDirect &&
                  SendSmtpMail(from, to, subject, report, attachments, "", "", "", 25);
  if (!smtpSent && canSmtp && settings.MailViaServer && !settings.SmtpServer.empty())
    smtpSent = SendSmtpMail(from, to, subject, report, attachments, settings.SmtpServer,
                            settings.SmtpAccount, SmtpPasswordText(), settings.SmtpPort);
  int result = smtpSent ? mrSent : mrNotSent;
  if (!smtpSent) {
    if (settings.MailViaMapi)
      result = SendMapiMail(to, subject, report, silent, owner, attachments);
    if (result == mrNotSent && settings.MailViaMailto && !silent) {
      attachments.clear();  // a command line carries no files
      const NotTopMost notTopMost(owner);
      if (SendMailtoMail(to, subject, report)) result = mrSent;
    }
    if (result == mrNotSent && !silent)
      MessageBoxA(owner, BoxText(settings.MailFailureText).c_str(),
                  std::string(settings.ButtonCaptions[0]).c_str(), MB_ICONERROR);
  } else if (!silent) {
    MessageBoxA(owner, BoxText(settings.MailSuccessText).c_str(),
                std::string(settings.ButtonCaptions[0]).c_str(), MB_ICONINFORMATION);
  }
  if (result == mrSent && !attachments.empty() && settings.DeleteAfterMail) {
    SetFileAttributesA(attachments.c_str(), 0);
    DeleteFileA(attachments.c_str());
  }
  return result;
}

int SendBugReportMail(std::string_view report, std::string_view screenShot, HWND owner) {
  return SendBugReportMail(report, screenShot, owner, false);
}

}  // namespace drosk
