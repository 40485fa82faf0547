// How "ExportDesignFile" and "ImportRouteFile" scale with the board: generates boards of growing
// size (nets, tracks, vias and net-scoped rules all in proportion to the pads), exports each
// through the module as the host would, imports the board's own routing back from a route file
// made of the design file, and prints the figures of each run.
//
//   export_bench [--keep DIR] [--runs N] [PADS ...]   (default 3 runs; sizes 1000 10000 50000)
//
// Each export and each import runs in a process of its own (this program, started again with
// --time or --run), so its peak working set is its own; of N runs the one with the median time
// is shown, with the fastest and the slowest run's totals ("range s"), the mean of their
// processor seconds ("cpu s", counted in steps of 10 ms) and the machine's load as the row is
// printed ("mload"). Such a run is the host in process (it links the host's
// core), so Tralvek.dll, Quorvel.dll and board_generator.exe must sit beside it.
//
// The time of a command is split into the host's (inside the PcbApi exports and the editor's
// interfaces, as the stand-in editor counts it) and the module's (the rest). The export's
// sections are timed by watching the module's file writes: the writer hands each section's
// text to the file when the section is done, so the module carries no timing code. The time the
// command's dialogs wait for their answer, from a dialog's activation to the press of its button
// (the host's answerer reads its texts and grids meanwhile), is the user's ("dialog s"): a user
// looks for seconds there. It is part of the total and of "prepare"; the ratio to a raw write is
// given with and without it. The set-up dialog's whole share (made and shown, answered, taken
// down) is timed apart by watching the module's window calls: from its first window in the
// command to the end of its last destruction before the design file.
//
// Watching costs time of its own on the processor the command runs on (the sampler wakes every
// millisecond, the writes are searched for the sections' openings), so each run is made twice:
// once timed alone, which gives the totals, the processor seconds, the dialog's wait and the raw
// write, and once watched, which gives the host's share, the calls, the peaks and the sections.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host/plavena/host_session.h"
#include "host/plavena/server_processor.h"
#include "sdk/pcb_api_contract.h"

namespace {

constexpr long kPadsPerComponent = 10;
constexpr long kTracksPerPad = 2;
constexpr long kPadsPerRule = 100;  // one net-scoped rule per hundred pads

// The peer exporter's own export of boards of the same counts, in its process. Not measured by
// this program: each is one earlier measurement on this machine, printed with its date and source.
struct PeerExport {
  long pads;
  double seconds;
  const char* source;
};
constexpr PeerExport kPeerExports[] = {
    {1000, 0.015, "2026-12-09, issue 67"},
    {10000, 0.121, "2026-12-07, issue 19"},
    {50000, 0.60, "2026-12-07, issue 19"},
    {100000, 1.16, "2026-12-07, issue 19"},
};

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The seconds the calling thread has run, in user and kernel mode: on a machine shared by many,
// the command's own work, which its wall-clock time hides under the others' load.
double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

double Megabytes(size_t bytes) { return static_cast<double>(bytes) / 1048576.0; }

std::string Directory(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string ProgramPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

std::string ModuleDirectory() { return Directory(ProgramPath()); }

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

// ---- The route file of a design file ---------------------------------------------------------

// What the router gives back for a design file it leaves as it is: the library's padstacks and
// the wiring's wires and vias without their net and type, grouped by net. Reads the writer's
// layout: each statement of a section starts on a line of its own, its lists on the lines after.
std::string RouteFileOfDesign(const std::string& design) {
  std::string padstacks;
  std::map<std::string, std::string> nets;
  std::string_view section;
  std::string statement, net;
  int depth = 0;  // open lists of the statement being read
  for (size_t at = 0; at < design.size();) {
    size_t end = design.find('\n', at);
    if (end == std::string::npos) end = design.size();
    std::string_view line(design.data() + at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    const std::string_view text = line.substr(first);
    if (depth == 0) {
      if (first == 4) {
        section = text.substr(1, text.find(' ') == std::string_view::npos ? std::string_view::npos
                                                                          : text.find(' ') - 1);
        continue;
      }
      const bool wanted =
          (section == "library" && text.rfind("(padstack ", 0) == 0) ||
          (section == "wiring" && (text.rfind("(wire", 0) == 0 || text.rfind("(via ", 0) == 0));
      if (first != 8 || !wanted) continue;
      statement.clear();
      net.clear();
    } else if (text.rfind("(net ", 0) == 0 || text.rfind("(type ", 0) == 0) {
      if (text[1] == 'n') net = std::string(text.substr(5, text.size() - 6));
      continue;
    }
    statement += ' ';
    statement += text;
    depth += static_cast<int>(std::count(text.begin(), text.end(), '(')) -
             static_cast<int>(std::count(text.begin(), text.end(), ')'));
    if (depth > 0) continue;
    depth = 0;
    (section == "library" ? padstacks : nets[net]) += statement + "\n";
  }
  std::string route =
      "(routes echo\n(resolution mil 1)\n(library_out\n" + padstacks + ")\n(network_out\n";
  for (const auto& [name, routes] : nets) {
    route += name.empty() ? routes : "(net " + name + "\n" + routes + ")\n";
  }
  return route + "))\n";
}

// ---- One run in a process of its own ---------------------------------------------------------

quorvel_host::HostCallCounters* HostCallCounters() {
  static const auto get =
      reinterpret_cast<quorvel_host::GetHostCallCounters>(reinterpret_cast<void*>(GetProcAddress(
          GetModuleHandleA(quorvel_host::kModuleName), quorvel_host::kGetHostCallCountersName)));
  static quorvel_host::HostCallCounters none{};
  quorvel_host::HostCallCounters* counters = get ? get() : nullptr;
  return counters ? counters : &none;
}

// Shares out the time between the module and the host: every millisecond it looks whether the
// host's thread is inside the editor. (Reading the clock in every call would cost more than
// many of the calls themselves.) Every few milliseconds it also looks at the working set, whose
// highest value during the command is the command's own peak: the process's peak counter keeps
// the board loading's, which is higher at every size.
class HostSampler {
 public:
  HostSampler()
      : highest_working_set_(MemoryCounters().WorkingSetSize), thread_([this] { Run(); }) {}
  ~HostSampler() {
    stop_ = true;
    thread_.join();
  }
  HostSampler(const HostSampler&) = delete;
  HostSampler& operator=(const HostSampler&) = delete;

  uint32_t samples() const { return samples_; }
  uint32_t inside() const { return inside_; }
  size_t highest_working_set() const { return highest_working_set_; }

 private:
  static constexpr uint32_t kSamplesPerMemoryLook = 4;

  void Run() noexcept {
    const quorvel_host::HostCallCounters* counters = HostCallCounters();
    while (!stop_) {
      Sleep(1);
      if (counters->depth.load(std::memory_order_relaxed) > 0) ++inside_;
      if (++samples_ % kSamplesPerMemoryLook == 0) LookAtMemory();
    }
    LookAtMemory();
  }
  void LookAtMemory() noexcept {
    highest_working_set_ = std::max<size_t>(highest_working_set_, MemoryCounters().WorkingSetSize);
  }

  std::atomic<bool> stop_{false};
  std::atomic<uint32_t> samples_{0}, inside_{0};
  std::atomic<size_t> highest_working_set_;
  std::thread thread_;
};
HostSampler* sampler = nullptr;

// A moment of the run: the clock, the host calls and the sampler's counts.
struct Mark {
  double seconds = 0;
  uint64_t calls = 0;
  uint32_t samples = 0, inside = 0;
  static Mark Take() {
    return {Now(), HostCallCounters()->calls, sampler ? sampler->samples() : 0,
            sampler ? sampler->inside() : 0};
  }
};

// The design file's sections as the module writes them. "prepare" (the rules, the do-file and
// the board's records) ends when the design file is created; "structure" includes collecting
// the padstacks; "finish" is what follows the last write (closing and replacing the file).
constexpr const char* kSections[] = {"prepare", "structure", "placement", "library",
                                     "network", "wiring",    "finish"};
constexpr int kSectionCount = 7;

struct SectionWatch {
  Mark created;                // the design file's temporary file was created
  HANDLE file = nullptr;       // that file, once its first write showed it
  std::vector<HANDLE> opened;  // files the module created, in order
  std::vector<Mark> opened_at;
  Mark ends[kSectionCount];  // the last write of each section seen so far
  int section = 0;
  bool seen[kSectionCount] = {};
};
SectionWatch* watch = nullptr;

// Where the section's opening line ("    (network" at a line's start) stands in `text`, from
// `from` on; npos without one. The search skips ahead instead of stopping at every line break:
// its time counts as the module's.
size_t FindOpening(std::string_view text, size_t from, int section) {
  const std::string opening = std::string("    (") + kSections[section];
  if (text.substr(from).starts_with(opening)) return from;
  const std::string line_start = "\n" + opening;
  const std::boyer_moore_horspool_searcher searcher(line_start.begin(), line_start.end());
  const auto found = std::search(text.begin() + static_cast<ptrdiff_t>(from), text.end(), searcher);
  return found == text.end() ? std::string_view::npos
                             : static_cast<size_t>(found - text.begin()) + 1;
}

decltype(&::CreateFileW) real_create_file = nullptr;
decltype(&::WriteFile) real_write_file = nullptr;

HANDLE WINAPI WatchedCreateFile(LPCWSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                HANDLE template_file) {
  const Mark at = Mark::Take();
  const HANDLE file =
      real_create_file(name, access, share, security, disposition, flags, template_file);
  if (watch && file != INVALID_HANDLE_VALUE && (access & GENERIC_WRITE)) {
    watch->opened.push_back(file);
    watch->opened_at.push_back(at);
  }
  return file;
}

BOOL WINAPI WatchedWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                             LPOVERLAPPED overlapped) {
  const BOOL result = real_write_file(file, data, size, written, overlapped);
  if (!watch) return result;
  const std::string_view text(static_cast<const char*>(data), size);
  if (!watch->file && text.rfind("(pcb ", 0) == 0) {
    for (size_t i = watch->opened.size(); i-- > 0;) {
      if (watch->opened[i] != file) continue;
      watch->file = file;
      watch->created = watch->opened_at[i];
      break;
    }
  }
  if (file != watch->file) return result;
  // The writer writes every section, in order: the text is searched for the next opening only,
  // from where the last one stood, so that it is read once rather than once per section to come.
  for (size_t from = 0; watch->section + 1 < kSectionCount - 1;) {
    from = FindOpening(text, from, watch->section + 1);
    if (from == std::string_view::npos) break;
    ++watch->section;
  }
  watch->ends[watch->section] = Mark::Take();
  watch->seen[watch->section] = true;
  return result;
}

// The set-up dialog's life in the command: from the module's first window to the end of its last
// window's destruction before the design file, and the time spent destroying windows.
struct DialogWatch {
  double first_window = 0, last_destroyed = 0, destroying = 0;
};
DialogWatch* dialog_watch = nullptr;

decltype(&::CreateWindowExW) real_create_window = nullptr;
decltype(&::DestroyWindow) real_destroy_window = nullptr;

HWND WINAPI WatchedCreateWindow(DWORD ex_style, LPCWSTR class_name, LPCWSTR name, DWORD style,
                                int x, int y, int width, int height, HWND parent, HMENU menu,
                                HINSTANCE instance, LPVOID parameter) {
  if (dialog_watch && dialog_watch->first_window == 0) dialog_watch->first_window = Now();
  return real_create_window(ex_style, class_name, name, style, x, y, width, height, parent, menu,
                            instance, parameter);
}

BOOL WINAPI WatchedDestroyWindow(HWND window) {
  const double start = Now();
  const BOOL result = real_destroy_window(window);
  // Windows destroyed once the design file is on its way are not the set-up dialog's.
  if (dialog_watch && !(watch && watch->file)) {
    dialog_watch->last_destroyed = Now();
    dialog_watch->destroying += dialog_watch->last_destroyed - start;
  }
  return result;
}

// Points the module's imports of the file and window functions at the watchers above.
bool WatchModule(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  real_create_file = reinterpret_cast<decltype(real_create_file)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "CreateFileW")));
  real_write_file = reinterpret_cast<decltype(real_write_file)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "WriteFile")));
  HMODULE user = GetModuleHandleA("user32.dll");
  real_create_window = reinterpret_cast<decltype(real_create_window)>(
      reinterpret_cast<void*>(GetProcAddress(user, "CreateWindowExW")));
  real_destroy_window = reinterpret_cast<decltype(real_destroy_window)>(
      reinterpret_cast<void*>(GetProcAddress(user, "DestroyWindow")));
  const struct {
    const char* name;
    void* hook;
  } hooks[] = {{"CreateFileW", reinterpret_cast<void*>(WatchedCreateFile)},
               {"WriteFile", reinterpret_cast<void*>(WatchedWriteFile)},
               {"CreateWindowExW", reinterpret_cast<void*>(WatchedCreateWindow)},
               {"DestroyWindow", reinterpret_cast<void*>(WatchedDestroyWindow)}};
  int patched = 0;
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       directory.VirtualAddress && import->Name; ++import) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
    for (; import->OriginalFirstThunk && names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      const auto hook = std::find_if(std::begin(hooks), std::end(hooks), [name](const auto& h) {
        return std::strcmp(name, h.name) == 0;
      });
      if (hook == std::end(hooks)) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook->hook);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      ++patched;
    }
  }
  return patched == static_cast<int>(std::size(hooks));
}

// The time to write the design file's bytes to a new file as plainly as a program can: one
// file, quarter-megabyte pieces, closed; the fastest of three, since the file system's caches
// make single writes vary by a factor of four.
double RawWriteSeconds(const std::string& design) {
  std::string text;
  if (!ReadFile(design, text)) return 0;
  const std::string copy = design + ".raw";
  double fastest = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const double start = Now();
    HANDLE file = CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    constexpr size_t kPiece = 256 * 1024;
    for (size_t at = 0; at < text.size(); at += kPiece) {
      DWORD written = 0;
      ::WriteFile(file, text.data() + at, static_cast<DWORD>(std::min(kPiece, text.size() - at)),
                  &written, nullptr);
    }
    CloseHandle(file);
    const double seconds = Now() - start;
    DeleteFileA(copy.c_str());
    if (attempt == 0 || seconds < fastest) fastest = seconds;
  }
  return fastest;
}

struct Split {
  double seconds = 0, host = 0;
  uint64_t calls = 0;
};

Split Between(const Mark& from, const Mark& to) {
  const double seconds = to.seconds - from.seconds;
  const uint32_t samples = to.samples - from.samples;
  return {seconds, samples ? seconds * (to.inside - from.inside) / samples : 0,
          to.calls - from.calls};
}

// How a run is made: timed alone, or watched (the host's share, the peak, the sections).
enum class RunKind { kTimed, kWatched };
constexpr const char* kRunOptions[] = {"--time", "--run"};

// "--time|--run export|import BOARD FILE RESULT": runs one command and writes its figures to
// RESULT as "name value" lines.
int RunOne(RunKind kind, const std::string& command, const std::string& board,
           const std::string& file, const std::string& result_path) {
  const bool watched = kind == RunKind::kWatched;
  plavena::HostOptions options;
  options.module_path = ModuleDirectory() + "\\Tralvek.dll";
  options.board_path = board;
  options.answers.push_back({"*", "OK"});
  const double start = Now();
  plavena::HostSession session(options);
  const double loaded = Now();
  SectionWatch sections;
  DialogWatch dialog;
  const bool exporting = command == "export";
  if (exporting && watched) {
    if (!WatchModule(GetModuleHandleA("Tralvek.dll"))) {
      std::fprintf(stderr, "export_bench: cannot watch the module's file writes and windows\n");
      return 1;
    }
    watch = &sections;
    dialog_watch = &dialog;
  }
  const PROCESS_MEMORY_COUNTERS board_memory = MemoryCounters();
  size_t command_working_set = 0;
  Mark begin, end;
  double cpu = 0;
  plavena::CommandResult result;
  double dialog_seconds = session.dialog_wait_seconds();
  {
    std::optional<HostSampler> host_sampler;
    if (watched) sampler = &host_sampler.emplace();
    begin = Mark::Take();
    cpu = ThreadSeconds();
    result = session.Run(exporting ? "ExportDesignFile" : "ImportRouteFile", "FileName=" + file);
    cpu = ThreadSeconds() - cpu;
    end = Mark::Take();
    sampler = nullptr;
    watch = nullptr;
    dialog_watch = nullptr;
    if (host_sampler) command_working_set = host_sampler->highest_working_set();
    dialog_seconds = session.dialog_wait_seconds() - dialog_seconds;
  }
  if (FAILED(result.status) || (exporting && FileSize(file) <= 0)) {
    std::fprintf(stderr, "export_bench: %s of %s failed\n%s\n", command.c_str(), board.c_str(),
                 session.journal().Text().c_str());
    return 1;
  }
  const Split total = Between(begin, end);
  std::string text = "load " + std::to_string(loaded - start) + "\ntotal " +
                     std::to_string(total.seconds) + "\ncpu " + std::to_string(cpu) + "\ndialog " +
                     std::to_string(dialog_seconds) + "\n";
  if (!watched) {
    if (exporting) text += "rawwrite " + std::to_string(RawWriteSeconds(file)) + "\n";
    return WriteFile(result_path, text) ? 0 : 1;
  }
  text += "host " + std::to_string(total.host) + "\ncalls " + std::to_string(total.calls) +
          "\nboardpeak " + std::to_string(Megabytes(board_memory.PeakWorkingSetSize)) +
          "\nownpeak " +
          std::to_string(
              Megabytes(command_working_set -
                        std::min<size_t>(command_working_set, board_memory.WorkingSetSize))) +
          "\n";
  if (exporting) {
    sections.ends[0] = sections.created;
    sections.seen[0] = sections.file != nullptr;
    sections.ends[kSectionCount - 1] = end;
    sections.seen[kSectionCount - 1] = true;
    Mark from = begin;
    for (int s = 0; s < kSectionCount; ++s) {
      if (!sections.seen[s]) continue;
      const Split part = Between(from, sections.ends[s]);
      text += std::string("section ") + kSections[s] + " " + std::to_string(part.seconds) + " " +
              std::to_string(part.host) + "\n";
      from = sections.ends[s];
    }
    if (dialog.last_destroyed > dialog.first_window) {
      text += "setup " + std::to_string(dialog.last_destroyed - dialog.first_window) + " " +
              std::to_string(dialog.destroying) + " " + std::to_string(dialog_seconds) + "\n";
    }
  }
  return WriteFile(result_path, text) ? 0 : 1;
}

// Figures by name, each with its values; sections by "section NAME".
using Figures = std::map<std::string, std::vector<double>>;

// The figures a run wrote.
Figures ReadFigures(const std::string& path) {
  Figures figures;
  std::string text;
  if (!ReadFile(path, text)) return figures;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    std::string name = line.substr(0, line.find(' '));
    size_t values = name.size();
    if (name == "section") {
      const size_t space = line.find(' ', values + 1);
      name = line.substr(0, space);
      values = space;
    }
    std::vector<double>& list = figures[name];
    const char* p = line.c_str() + std::min(values, line.size());
    for (char* next = nullptr;; p = next) {
      const double value = std::strtod(p, &next);
      if (next == p) break;
      list.push_back(value);
    }
  }
  return figures;
}

double Figure(const Figures& figures, const std::string& name, size_t index = 0) {
  const auto found = figures.find(name);
  return found != figures.end() && index < found->second.size() ? found->second[index] : 0;
}

bool RunChild(RunKind kind, const std::string& command, const std::string& board,
              const std::string& file, const std::string& result, Figures& figures) {
  DeleteFileA(result.c_str());
  const char* option = kRunOptions[static_cast<int>(kind)];
  if (!RunQuietly("\"" + ProgramPath() + "\" " + option + " " + command + " \"" + board + "\" \"" +
                  file + "\" \"" + result + "\"")) {
    std::fprintf(stderr, "export_bench: the %s of %s failed (run it alone: %s %s %s ...)\n",
                 command.c_str(), board.c_str(), ProgramPath().c_str(), option, command.c_str());
    return false;
  }
  figures = ReadFigures(result);
  return true;
}

// The runs sorted by their total.
void SortByTotal(std::vector<Figures>& runs) {
  std::sort(runs.begin(), runs.end(),
            [](const auto& a, const auto& b) { return Figure(a, "total") < Figure(b, "total"); });
}

// Of `runs` timed runs and as many watched ones, taken in turns so that both meet the machine's
// same moods, the figures of the median watched run with the times of the median timed one: on
// a shared machine one run says little, and a median is a run that really happened.
bool RunMedian(int runs, const std::string& command, const std::string& board,
               const std::string& file, const std::string& result, Figures& figures) {
  std::vector<Figures> timed(static_cast<size_t>(runs)), watched(static_cast<size_t>(runs));
  for (size_t run = 0; run < timed.size(); ++run) {
    if (!RunChild(RunKind::kTimed, command, board, file, result, timed[run]) ||
        !RunChild(RunKind::kWatched, command, board, file, result, watched[run])) {
      return false;
    }
  }
  SortByTotal(timed);
  SortByTotal(watched);
  figures = watched[watched.size() / 2];
  figures["watched total"] = {Figure(figures, "total")};
  for (const auto& [name, values] : timed[timed.size() / 2]) figures[name] = values;
  // The fastest and the slowest run: how far the machine's other load moved the total.
  figures["range"] = {Figure(timed.front(), "total"), Figure(timed.back(), "total")};
  // The system counts a thread's time in steps of 10 ms, much of a small board's import: the
  // mean of the runs tells it better than the median run's own.
  double cpu = 0;
  for (const auto& run : timed) cpu += Figure(run, "cpu");
  figures["cpu"] = {cpu / runs};
  return true;
}

// The machine's load, the mean number of runnable processes over the last minute, as the
// kernel gives it; "-" where it cannot be read.
std::string MachineLoad() {
  std::string text;
  if (!ReadFile("Z:\\proc\\loadavg", text) || text.empty()) return "-";
  return text.substr(0, text.find(' '));
}

void PrintRun(long pads, const char* phase, const Figures& f) {
  const double total = Figure(f, "total"), host = Figure(f, "host"), raw = Figure(f, "rawwrite"),
               dialog = Figure(f, "dialog");
  char ratio[16] = "-", ratio_without_dialog[16] = "-", range[32];
  if (raw > 0) {
    std::snprintf(ratio, sizeof ratio, "%.0fx", total / raw);
    std::snprintf(ratio_without_dialog, sizeof ratio_without_dialog, "%.0fx",
                  (total - dialog) / raw);
  }
  std::snprintf(range, sizeof range, "%.3f-%.3f", Figure(f, "range", 0), Figure(f, "range", 1));
  std::printf(
      "%8ld %-7s %5s %7.2f %8.3f %13s %6.3f %8.3f %8.3f %8.3f %9.1f %8.2f %9.1f %9.1f %9s %9s\n",
      pads, phase, MachineLoad().c_str(), Figure(f, "load"), total, range, Figure(f, "cpu"),
      total - host - dialog, host, dialog, Figure(f, "calls") / pads, total / pads * 1e6,
      Figure(f, "boardpeak"), Figure(f, "ownpeak"), ratio, ratio_without_dialog);
}

// The set-up dialog's share of the export, apart from the module's own work: the dialog made,
// filled and shown; the host's reading of it and its answer (a user's seconds); taken down.
std::string DialogShare(long pads, const Figures& f) {
  const double life = Figure(f, "setup", 0), destroying = Figure(f, "setup", 1),
               answer = Figure(f, "setup", 2);
  const double total = Figure(f, "watched total"), host = Figure(f, "host");
  char line[320];
  std::snprintf(line, sizeof line,
                "%8ld pads: dialog %.3f (made and shown %.3f, the host's answer %.3f, taken down "
                "%.3f); the rest %.3f (the module's own work %.3f, the host's %.3f)\n",
                pads, life, life - answer - destroying, answer, destroying, total - life,
                total - life - host, host);
  return line;
}

// The peer's earlier figures for the sizes of this run, with ours beside them.
void PrintPeerExports(const std::map<long, double>& exports) {
  bool heading = false;
  for (const PeerExport& peer : kPeerExports) {
    const auto ours = exports.find(peer.pads);
    if (ours == exports.end() || ours->second <= 0) continue;
    if (!heading) {
      std::printf(
          "\nthe peer exporter in process, not measured in this run (measured earlier on "
          "this machine):\n");
      heading = true;
    }
    std::printf("%8ld pads: peer %.3f s (%s); this run's export %.3f s, %.2f times the peer's\n",
                peer.pads, peer.seconds, peer.source, ours->second, ours->second / peer.seconds);
  }
}

int Usage() {
  std::fprintf(stderr, "usage: export_bench [--keep DIR] [--runs N] [PADS ...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  const auto run_kind = argc == 6 ? std::find(std::begin(kRunOptions), std::end(kRunOptions),
                                              std::string_view(argv[1]))
                                  : std::end(kRunOptions);
  if (run_kind != std::end(kRunOptions)) {
    plavena::RunBesideWineServer();  // as the host does; the sampler and the module run anywhere
    try {
      return RunOne(static_cast<RunKind>(run_kind - std::begin(kRunOptions)), argv[2], argv[3],
                    argv[4], argv[5]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "export_bench: %s\n", e.what());
      return 1;
    }
  }
  std::string keep;
  int runs = 3;
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--keep" && i + 1 < argc) {
      keep = argv[++i];
      continue;
    }
    if (argument == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
      if (runs < 1 || runs > 99) return Usage();
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

  SYSTEMTIME now;
  GetSystemTime(&now);
  std::printf(
      "%04u-%02u-%02u %02u:%02u UTC, machine load %s (runnable processes, the last minute's "
      "mean)\n"
      "each run the median of %d timed runs by total seconds, with the fastest and the slowest "
      "run's; host, calls, MB, sections and the dialog the median of as many watched runs\n",
      now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, MachineLoad().c_str(), runs);
  std::printf("%8s %-7s %5s %7s %8s %13s %6s %8s %8s %8s %9s %8s %9s %9s %9s %9s\n", "pads", "run",
              "mload", "load s", "total s", "range s", "cpu s", "module s", "host s", "dialog s",
              "calls/pad", "us/pad", "board MB", "own MB", "/raw write", "w/o dialog");
  std::string sections, dialog_shares;
  std::map<long, double> export_seconds;
  int exit_code = 0;
  for (long pads : sizes) {
    const std::string stem = folder + "\\board" + std::to_string(pads);
    const std::string board_path = stem + ".json", design = stem + ".dsn", route = stem + ".rte",
                      result = stem + ".figures";
    Board board;
    std::string error, text;
    Figures exported, imported;
    if (!GenerateBoard(board_path, pads, board, error)) {
      std::fprintf(stderr, "export_bench: %s\n", error.c_str());
      exit_code = 1;
      break;
    }
    if (!RunMedian(runs, "export", board_path, design, result, exported)) {
      exit_code = 1;
      break;
    }
    PrintRun(board.pads, "export", exported);
    export_seconds[board.pads] = Figure(exported, "total");
    std::fflush(stdout);
    if (!ReadFile(design, text) || !WriteFile(route, RouteFileOfDesign(text)) ||
        !RunMedian(runs, "import", board_path, route, result, imported)) {
      exit_code = 1;
      break;
    }
    PrintRun(board.pads, "import", imported);
    char line[512];
    int length =
        std::snprintf(line, sizeof line, "%8ld pads, %ld nets, %ld rules, %.2f MB:", board.pads,
                      board.nets, board.rules, static_cast<double>(text.size()) / 1048576.0);
    for (const char* name : kSections) {
      const std::string key = std::string("section ") + name;
      length +=
          std::snprintf(line + length, sizeof line - static_cast<size_t>(length), " %s %.2f (%.2f)",
                        name, Figure(exported, key, 0), Figure(exported, key, 1));
    }
    std::snprintf(line + length, sizeof line - static_cast<size_t>(length),
                  " (dialog wait, in prepare, %.2f)", Figure(exported, "dialog"));
    sections += std::string(line) + "\n";
    dialog_shares += DialogShare(board.pads, exported);
    std::fflush(stdout);
    if (keep.empty()) {
      for (const char* extension : {".json", ".dsn", ".do", ".qixpref", ".rte", ".figures"}) {
        DeleteFileA((stem + extension).c_str());
      }
    }
  }
  std::printf("\nexport by section, seconds (host seconds), watched runs:\n%s", sections.c_str());
  std::printf("\nthe set-up dialog's share of the export, seconds, watched runs:\n%s",
              dialog_shares.c_str());
  PrintPeerExports(export_seconds);
  if (keep.empty()) RemoveDirectoryA(folder.c_str());
  return exit_code;
}
