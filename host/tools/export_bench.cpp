// How "ExportDesignFile" scales with the board: generates boards of growing size (nets, tracks,
// vias and net-scoped rules all in proportion to the pads), exports each through the module as
// the host would, and prints one line of figures per size.
//
//   export_bench [--keep DIR] [PADS ...]      (default sizes 1000 10000 50000)
//
// Runs in process as the host (it links the host's core), so Tralvek.dll, Quorvel.dll and
// board_generator.exe must sit beside it. Sizes run smallest first: the peak working set is the
// process's, so each figure is the peak up to and including that size.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "host/plavena/host_session.h"
#include "rtl/pcb_api_contract.h"

namespace {

constexpr long kPadsPerComponent = 10;
constexpr long kTracksPerPad = 2;
constexpr long kPadsPerRule = 100;  // one net-scoped rule per hundred pads

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double PeakWorkingSetMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakWorkingSetSize) / 1048576.0;
}

std::string Directory(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string ModuleDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return Directory(std::string(path, length));
}

bool ReadFile(const std::string& path, std::string& text) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && ok;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Runs a program to its end without a console window of its own; its output is dropped.
bool RunQuietly(const std::string& command_line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE null =
      CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  startup.hStdOutput = startup.hStdError = null;
  PROCESS_INFORMATION process{};
  std::string line = command_line;
  const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
  if (!started) return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code == 0;
}

struct Board {
  long pads = 0;
  long nets = 0;
  long rules = 0;
};

// The generator's board with net-scoped width and clearance rules added to its rules, as
// designers add them for critical nets.
bool GenerateBoard(const std::string& path, long pads, Board& board, std::string& error) {
  const long components = std::max(1L, pads / kPadsPerComponent);
  const std::string generator = ModuleDirectory() + "\\board_generator.exe";
  if (!RunQuietly("\"" + generator + "\" \"" + path + "\" " + std::to_string(components) + " " +
                  std::to_string(kPadsPerComponent) + " " + std::to_string(pads * kTracksPerPad))) {
    error = "cannot run " + generator;
    return false;
  }
  board.pads = components * kPadsPerComponent;
  board.nets = (components + 2) / 3 * kPadsPerComponent;  // as the generator makes them
  std::string text;
  const size_t list = ReadFile(path, text) ? text.find('[', text.find("\"rules\"")) : 0;
  if (list == std::string::npos || list == 0) {
    error = "no rules list in " + path;
    return false;
  }
  const long extra = std::max(1L, board.pads / kPadsPerRule);
  std::string rules;
  for (long i = 0; i < extra; ++i) {
    // Spread over the nets, the last ones included.
    const std::string net = "N" + std::to_string(board.nets - 1 - (i * 7919) % board.nets);
    const std::string priority = std::to_string(i + 10);
    if (i % 2 == 0) {
      rules += "\n    {\"kind\":\"Width\",\"name\":\"W" + std::to_string(i) +
               "\",\"priority\":" + priority + ",\"scope1\":\"InNet('" + net +
               "')\",\"minWidth\":\"6mil\",\"maxWidth\":\"20mil\",\"preferredWidth\":\"10mil\"},";
    } else {
      rules += "\n    {\"kind\":\"Clearance\",\"name\":\"C" + std::to_string(i) +
               "\",\"priority\":" + priority + ",\"scope1\":\"InNet('" + net +
               "')\",\"gap\":\"10mil\"},";
    }
  }
  board.rules = 6 + extra;  // the generator writes six
  if (!WriteFile(path, text.substr(0, list + 1) + rules + text.substr(list + 1))) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

int32_t BoardObjects() {
  HMODULE editor = GetModuleHandleA(quorvel_host::kModuleName);
  auto board_handle = reinterpret_cast<pcbapi::StdcallPointer<pcbapi::sig::GetCurrentBoardHandle>>(
      reinterpret_cast<void*>(GetProcAddress(editor, "PcbApi_GetCurrentBoardHandle")));
  auto query_board = reinterpret_cast<pcbapi::StdcallPointer<pcbapi::sig::QueryBoard>>(
      reinterpret_cast<void*>(GetProcAddress(editor, "PcbApi_QueryBoard")));
  int32_t objects = -1;
  if (board_handle && query_board) {
    query_board(pcbapi::kRead, board_handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                nullptr, nullptr, nullptr, &objects);
  }
  return objects;
}

int Usage() {
  std::fprintf(stderr, "usage: export_bench [--keep DIR] [PADS ...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  std::string keep;
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--keep" && i + 1 < argc) {
      keep = argv[++i];
      continue;
    }
    char* end = nullptr;
    const long pads = std::strtol(argv[i], &end, 10);
    if (*end != '\0' || pads < kPadsPerComponent || pads > 5000000) return Usage();
    sizes.push_back(pads);
  }
  if (sizes.empty()) sizes = {1000, 10000, 50000};
  std::sort(sizes.begin(), sizes.end());

  std::string folder = keep;
  if (folder.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "export_bench_" + std::to_string(GetCurrentProcessId());
  }
  CreateDirectoryA(folder.c_str(), nullptr);

  std::printf("%8s %9s %7s %6s %9s %9s %10s %10s\n", "pads", "objects", "nets", "rules", "load s",
              "export s", "peak MB", "dsn MB");
  int exit_code = 0;
  for (long pads : sizes) {
    const std::string stem = folder + "\\board" + std::to_string(pads);
    const std::string board_path = stem + ".json", design = stem + ".dsn";
    Board board;
    std::string error;
    if (!GenerateBoard(board_path, pads, board, error)) {
      std::fprintf(stderr, "export_bench: %s\n", error.c_str());
      exit_code = 1;
      break;
    }
    try {
      plavena::HostOptions options;
      options.module_path = ModuleDirectory() + "\\Tralvek.dll";
      options.board_path = board_path;
      options.answers.push_back({"*", "OK"});
      const double start = Now();
      plavena::HostSession session(options);
      const double loaded = Now();
      const plavena::CommandResult result = session.Run("ExportDesignFile", "FileName=" + design);
      const double exported = Now();
      if (FAILED(result.status) || FileSize(design) <= 0) {
        std::fprintf(stderr, "export_bench: the export of %s failed\n%s\n", board_path.c_str(),
                     session.journal().Text().c_str());
        exit_code = 1;
        break;
      }
      std::printf("%8ld %9ld %7ld %6ld %9.2f %9.2f %10.1f %10.2f\n", board.pads,
                  static_cast<long>(BoardObjects()), board.nets, board.rules, loaded - start,
                  exported - loaded, PeakWorkingSetMegabytes(),
                  static_cast<double>(FileSize(design)) / 1048576.0);
      std::fflush(stdout);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "export_bench: %s\n", e.what());
      exit_code = 1;
      break;
    }
    if (keep.empty()) {
      for (const char* extension : {".json", ".dsn", ".do", ".qixpref"}) {
        DeleteFileA((stem + extension).c_str());
      }
    }
  }
  if (keep.empty()) RemoveDirectoryA(folder.c_str());
  return exit_code;
}
