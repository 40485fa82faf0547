// The host's exported functions. Only those with a meaning in this stand-in are exported;
// modules must cope with the others being absent.
#include "host/plavena/exports.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace plavena {

namespace {

HostClient* exported_client = nullptr;
Journal* exported_journal = nullptr;
bool hide_floating_panels = false;
bool use_external_web_browser = false;
std::vector<std::string> exception_reports;

// Copies a text into a caller's buffer of `size` bytes, cut to fit, always terminated.
void CopyOut(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  const size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

std::string Text(const char* text) { return text ? text : ""; }

bool FileExists(const char* name) {
  if (!name) return false;
  const DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Record(const std::string& line) {
  if (exported_journal) exported_journal->Append(line);
}

}  // namespace

const std::vector<std::string>& ExceptionReports() noexcept { return exception_reports; }

// The line a report gets in the journal: its exception class and its size.
static std::string ReportSummary(const std::string& report) {
  const std::string label = "exception class   : ";
  const size_t at = report.find(label);
  std::string kind = "?";
  if (at != std::string::npos) {
    const size_t end = report.find("\r\n", at);
    kind =
        report.substr(at + label.size(), end == std::string::npos ? end : end - at - label.size());
  }
  size_t lines = 1;
  for (size_t p = 0; (p = report.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
  return "exception report " + kind + " (" + std::to_string(lines) + " lines)";
}

void SetExportedClient(HostClient* client, Journal* journal) noexcept {
  exported_client = client;
  exported_journal = journal;
  exception_reports.clear();
}

void SetUseExternalWebBrowser(bool value) noexcept { use_external_web_browser = value; }

std::string ForceFileNameExtension(const std::string& file_name, const std::string& extension) {
  const size_t slash = file_name.find_last_of("\\/:");
  const size_t dot = file_name.find_last_of('.');
  const bool has_extension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string result = has_extension ? file_name.substr(0, dot) : file_name;
  if (!extension.empty()) result += extension.front() == '.' ? extension : "." + extension;
  return result;
}

}  // namespace plavena

using plavena::CopyOut;
using plavena::Text;

#define HOST_EXPORT extern "C" __declspec(dllexport)

HOST_EXPORT void __stdcall ClientAPI_GetClientInterface(IClient** result) {
  if (!result) return;
  *result = plavena::exported_client;
  if (*result) (*result)->AddRef();
}

// The preferences of this stand-in: an installation with integrated help and the module's own
// browser, so that modules see values that differ from their fallbacks.
HOST_EXPORT BOOLEAN __stdcall ClientAPI_GetPrefUseLuna() { return FALSE; }
HOST_EXPORT BOOLEAN __stdcall ClientAPI_GetPrefHideFloatingPanels() {
  return plavena::hide_floating_panels;
}
HOST_EXPORT void __stdcall ClientAPI_SetPrefHideFloatingPanels(BOOLEAN value) {
  plavena::hide_floating_panels = value != 0;
}
HOST_EXPORT BOOLEAN __stdcall ClientAPI_GetUseExternalWebBrowser() {
  return plavena::use_external_web_browser;
}
HOST_EXPORT BOOLEAN __stdcall ClientAPI_GetIntegratedHelpSystem() { return TRUE; }
HOST_EXPORT BOOLEAN __stdcall ClientAPI_GetUseSystemLocaleLanguage() { return FALSE; }
HOST_EXPORT BOOLEAN __stdcall ClientAPI_GetUseLocalizedDialogs() { return FALSE; }

HOST_EXPORT BOOLEAN __stdcall ClientAPI_ExistSpecific(const char* file_name) {
  return plavena::FileExists(file_name);
}

HOST_EXPORT void __stdcall ClientAPI_ExtractWholeFileNameFromPath(const char* path, char* result,
                                                                  int size) {
  CopyOut(plavena::FileNamePart(Text(path)), result, size);
}

HOST_EXPORT void __stdcall ClientAPI_ForceFileNameExtension(const char* file_name,
                                                            const char* extension, char* result,
                                                            int size) {
  CopyOut(plavena::ForceFileNameExtension(Text(file_name), Text(extension)), result, size);
}

HOST_EXPORT void __stdcall ClientAPI_SetErrorInfo(int code, const char* source,
                                                  const char* description) {
  plavena::Record("error info " + std::to_string(code) + " " + Text(source) + ": " +
                  Text(description));
}

HOST_EXPORT void __stdcall ClientAPI_ClearErrorInfo() { plavena::Record("error info cleared"); }

HOST_EXPORT void __stdcall ClientAPI_HandleException(const char* message) {
  try {
    plavena::exception_reports.push_back(Text(message));
    plavena::Record(plavena::ReportSummary(Text(message)));
  } catch (...) {
    // Out of memory: the host drops the report.
  }
}

HOST_EXPORT void __stdcall VFSAPI_VFS_ExtractFileName(const char* path, char* result, int size) {
  CopyOut(plavena::FileNamePart(Text(path)), result, size);
}

HOST_EXPORT BOOLEAN __stdcall VFSAPI_VFS_FileExists(const char* file_name) {
  return plavena::FileExists(file_name);
}

// The workspace, for the host's workspace library (WorkspaceManager.dll) to hand out.
HOST_EXPORT HRESULT __stdcall PlavenaGetWorkspace(IWorkspace** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (!plavena::exported_client) return S_OK;
  return plavena::exported_client->QueryInterface(IID_IWorkspace, reinterpret_cast<void**>(result));
}
