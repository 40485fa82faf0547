// A PDF reader for the tests: it appends its command line to the file named by
// TRALVEK_READER_LOG and ends. Started with "--serve" it stays as the running reader instead,
// a DDE server for "acroview"/"control" that appends each execute text it receives, sets the
// event TralvekReaderServing once it answers, and ends after the first execute or 20 seconds.
#include <windows.h>

#include <ddeml.h>

#include <string>

namespace {

DWORD dde_instance = 0;
HSZ service = nullptr;
HSZ topic = nullptr;

void AppendLine(const std::string& line) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("TRALVEK_READER_LOG", path, MAX_PATH)) return;
  const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

HDDEDATA CALLBACK Serve(UINT type, UINT, HCONV, HSZ first, HSZ second, HDDEDATA data, ULONG_PTR,
                        ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(first, topic) == 0 &&
                                        DdeCmpStringHandles(second, service) == 0);
    case XTYP_EXECUTE: {
      const DWORD size = DdeGetData(data, nullptr, 0, 0);
      std::string text(size, '\0');
      DdeGetData(data, reinterpret_cast<BYTE*>(text.data()), size, 0);
      AppendLine("execute: " + std::string(text.c_str(), text.size()));
      PostQuitMessage(0);
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    default: return nullptr;
  }
}

}  // namespace

int main() {
  const std::string command_line = GetCommandLineA();
  if (command_line.find("--serve") == std::string::npos) {
    AppendLine("command: " + command_line);
    return 0;
  }
  if (DdeInitializeA(&dde_instance, Serve, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) !=
      DMLERR_NO_ERROR) {
    return 1;
  }
  service = DdeCreateStringHandleA(dde_instance, "acroview", CP_WINANSI);
  topic = DdeCreateStringHandleA(dde_instance, "control", CP_WINANSI);
  DdeNameService(dde_instance, service, nullptr, DNS_REGISTER);
  const HANDLE serving = CreateEventA(nullptr, TRUE, FALSE, "TralvekReaderServing");
  SetEvent(serving);
  SetTimer(nullptr, 0, 20000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
    DispatchMessageA(&message);
  }
  CloseHandle(serving);
  DdeNameService(dde_instance, service, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(dde_instance, service);
  DdeFreeStringHandle(dde_instance, topic);
  DdeUninitialize(dde_instance);
  return 0;
}
