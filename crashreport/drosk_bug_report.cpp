// The bug report: header facts, thread traces, modules, hardware and disassembly.
#include "crashreport/drosk_bug_report.h"

#include <cxxabi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <vector>

#include "crashreport/drosk_link_dis_asm.h"
#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_progress.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_stack_trace.h"
#include "crashreport/drosk_start.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/module.h"

namespace drosk {

TSectionHook SectionStartHook = nullptr;

TLibraryThreads& LibraryThreads() {
  static TLibraryThreads threads;
  return threads;
}

namespace {

constexpr const char* kCrLf = "\r\n";

TAddress AddressOf(const void* p) { return static_cast<TAddress>(reinterpret_cast<uintptr_t>(p)); }

// Runs one section; a failure ends its text with the internal-error note that names it.
template <class Body>
std::string Section(const char* name, Body&& body) {
  std::string text;
  try {
    if (SectionStartHook) SectionStartHook(name);
    body(text);
  } catch (...) {
    text += kCrLf + InternalErrorNote(name, 0);
  }
  return text;
}

// ---------------------------------------------------------------------------------------------
// The exception

struct TExceptFacts {
  std::string className = "Unknown";
  std::string message = "Unknown";
  bool external = false;
};

// "sdk::EFileError" -> "EFileError": the system's class names carry no namespaces.
std::string ClassNameOf(const std::type_info& type) {
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  std::string name = status == 0 && demangled ? demangled.get() : type.name();
  const size_t template_start = name.find('<');
  const size_t colons = name.rfind("::", template_start);
  return colons == std::string::npos ? name : name.substr(colons + 2);
}

TExceptFacts FactsOf(std::exception_ptr exception) {
  TExceptFacts facts;
  if (!exception) return facts;
  try {
    std::rethrow_exception(ReportableException(exception));
  } catch (const std::exception& e) {
    facts.className = ClassNameOf(typeid(e));
    facts.message = e.what();
    facts.external = dynamic_cast<const EExternal*>(&e) != nullptr;
  } catch (...) {
  }
  std::erase_if(facts.message, [](char c) { return static_cast<unsigned char>(c) < 32; });
  if (facts.message.empty()) facts.message = "Unknown";
  return facts;
}

bool IsInstructionBoundary(const TFunctionInfo& info, TAddress a) {
  for (const TFarCall& call : info.FarCalls) {
    if (call.CallNext == a) return true;
  }
  for (const TUnknownTarget& call : info.UnknownTargets) {
    if (call.CallNext == a) return true;
  }
  for (const TCodeArea& area : info.Areas) {
    if (area.IsCaseTable || area.IsExceptTable || a <= area.AreaStart || a > area.AreaEnd + 1) {
      continue;
    }
    TAddress code = area.AreaStart;
    while (code < a) {
      const TInstructionInfo ins = DecodeInstruction(code);
      if (!ins.Valid || ins.Next <= code) break;
      code = ins.Next;
    }
    if (code == a) return true;
  }
  return false;
}

// An address 4 bytes short of an instruction boundary points into the call that raised.
TAddress NormalisedAddress(TAddress address) {
  if (!address) return 0;
  const std::shared_ptr<const TMapFile> map = GetMapFile(address);
  if (!map->isValid) return address;
  const TMfPublic* p = FindPublic(*map, address);
  if (!p) return address;
  const TFunctionInfo info = ParseFunction(p->address);
  if (!IsInstructionBoundary(info, address) && IsInstructionBoundary(info, address + 4)) {
    return address + 4;
  }
  return address;
}

// ---------------------------------------------------------------------------------------------
// Threads

struct TThreadJob {
  DWORD id = 0;
  bool exceptionThread = false;
  bool current = false;
  win::UniqueHandle handle;
  bool readable = false;
  CONTEXT context{};
  TAddress stackTop = 0;
};

// `stackPointer`, when not 0, is where the thread's stack was when it raised: the thread may run
// on another stack meanwhile (a stack overflow is reported from an emergency stack).
void OpenJob(TThreadJob& job, TAddress stackPointer) {
  if (job.current) {
    job.readable = true;
    job.context.Esp = AddressOf(__builtin_frame_address(0));
    job.stackTop = StackRegionEnd(stackPointer ? stackPointer : job.context.Esp);
    return;
  }
  job.handle =
      OpenThreadEx(job.id, THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION | THREAD_SUSPEND_RESUME);
  if (!job.handle) job.handle = OpenThreadEx(job.id, THREAD_GET_CONTEXT);
  if (!job.handle) return;
  job.context.ContextFlags = CONTEXT_INTEGER | CONTEXT_CONTROL;
  if (!GetThreadContext(job.handle.get(), &job.context)) return;
  job.stackTop = StackRegionEnd(stackPointer ? stackPointer : job.context.Esp);
  job.readable = job.stackTop != 0;
}

struct TComposeState {
  TAddress exceptAddress = 0;
  TAddress stackPointer = 0;
  TAddress stackFrame = 0;
  bool external = false;
  TProgress* progress = nullptr;
  TStackTraceResult exceptionTrace;  // its top names the code to disassemble
};

std::string ThreadStack(TThreadJob& job, TComposeState& state) {
  const TThreadTitle title = GetThreadTitle(job.id, job.exceptionThread);
  if (title.Title.empty()) return {};
  std::string head = std::string(kCrLf) + kCrLf + title.Title + ":";
  return head + Section("GetThreadStack", [&](std::string& text) {
           if (!job.readable) {
             text = kCrLf;
             text += ">> stack not accessible";
             if (job.exceptionThread) {
               text += ", exception location: ";
               text += kCrLf + StackAddrToStr(state.exceptAddress);
             }
             return;
           }
           std::string marks;
           if (!job.current && job.handle) {
             const DWORD previous = SuspendThread(job.handle.get());
             if (previous != static_cast<DWORD>(-1)) {
               ResumeThread(job.handle.get());
               if (previous > 0) marks += " <suspended>";
             }
           }
           const int priority = job.current ? GetThreadPriority(GetCurrentThread())
                                            : GetThreadPriority(job.handle.get());
           if (priority != 0 && priority != THREAD_PRIORITY_ERROR_RETURN) {
             marks += " <priority:" + std::to_string(priority) + ">";
           }
           const TDroskSettings& settings = DroskSettings();
           TStackTraceOptions options;
           options.hideItemsWithoutLine = settings.HideItemsWithoutLine;
           options.showRelativeAddresses = settings.ShowRelativeAddresses;
           options.showRelativeLines = settings.ShowRelativeLines;
           options.skipLinkChains = settings.SkipOptimalChains;
           TStackTraceInput input;
           input.progress = state.progress;
           input.creationAddress = title.CreatorThreadId ? title.CreationAddress : 0;
           if (job.current) {
             input.framePointer = AddressOf(__builtin_frame_address(0));
           } else {
             input.framePointer = job.context.Ebp;
             input.stackTop = job.stackTop;
             input.stackBottom = job.context.Esp;
             input.instructionPointer = job.context.Eip;
           }
           if (job.exceptionThread) {
             if (state.exceptAddress) input.instructionPointer = state.exceptAddress;
             if (state.stackFrame) input.framePointer = state.stackFrame;
             if (state.stackPointer) input.stackBottom = state.stackPointer;
             if (!input.stackTop) input.stackTop = job.stackTop;
             input.keepForcedSite = true;
             input.ipOnStack = state.external;
           }
           TStackTraceResult trace = StackTrace(options, input);
           if (input.creationAddress) {
             const size_t last = trace.text.rfind(kCrLf);
             const std::string creator = GetThreadTitle(title.CreatorThreadId, true).Title;
             trace.text.insert(last == std::string::npos ? 0 : last,
                               std::string(kCrLf) + ">> created by " + creator + " at:");
           }
           text = marks + kCrLf + trace.text;
           if (job.exceptionThread) state.exceptionTrace = std::move(trace);
         });
}

// Two threads reporting at once would each suspend the other to look at it, and two threads
// suspended by each other never run again: reports look at the threads in turns. A turn not given
// within seconds (its holder faulted in the middle of a report) is taken anyway.
class ThreadWalkTurn {
 public:
  ThreadWalkTurn() : held_(Turns().try_lock_for(std::chrono::seconds(5))) {}
  ~ThreadWalkTurn() {
    if (held_) Turns().unlock();
  }
  ThreadWalkTurn(const ThreadWalkTurn&) = delete;
  ThreadWalkTurn& operator=(const ThreadWalkTurn&) = delete;

 private:
  static std::timed_mutex& Turns() {
    static std::timed_mutex turns;
    return turns;
  }
  bool held_;
};

std::string ThreadReport(bool frozen, DWORD threadId, bool showProgress, TComposeState& state) {
  const ThreadWalkTurn turn;
  return Section("GetThreadReport", [&](std::string& text) {
    const DWORD self = GetCurrentThreadId();
    const DWORD mainThread = MainThreadId();
    std::vector<TThreadJob> jobs;
    const auto add = [&](DWORD id, bool exceptionThread) {
      TThreadJob& job = jobs.emplace_back();
      job.id = id;
      job.exceptionThread = exceptionThread;
      job.current = id == self;
    };
    if (!frozen) add(threadId, true);
    if (frozen || threadId != mainThread) add(mainThread, false);
    if (DroskSettings().ReportAllThreads) {
      const DWORD handling = LibraryThreads().handling, watchdog = LibraryThreads().watchdog;
      for (DWORD id : EnumThreads()) {
        if ((!frozen && id == threadId) || id == mainThread || id == handling || id == watchdog) {
          continue;
        }
        add(id, false);
      }
    }
    std::unique_ptr<TProgress> progress;
    if (showProgress) progress = ProgressCreate();
    for (TThreadJob& job : jobs) {
      OpenJob(job, job.exceptionThread ? state.stackPointer : 0);
      const TAddress bottom =
          job.exceptionThread && state.stackPointer ? state.stackPointer : job.context.Esp;
      ProgressAddPhase(progress.get(), job.readable && job.stackTop > bottom
                                           ? uint64_t{job.stackTop - bottom} * 100
                                           : 0);
    }
    state.progress = progress.get();
    for (TThreadJob& job : jobs) {
      text += ThreadStack(job, state);
      ProgressNextPhase(progress.get());
    }
    state.progress = nullptr;
    ProgressFree(progress);
  });
}

// ---------------------------------------------------------------------------------------------
// The header

std::string HeaderLine(const char* label, const std::string& value) {
  std::string line = label;
  line.resize(18, ' ');
  return line + ": " + value + kCrLf;
}

std::string TwoDigits(unsigned value) { return IntToStrEx(static_cast<uint32_t>(value), 2, '0'); }

std::string DateOf(const SYSTEMTIME& t) {
  return IntToStrEx(static_cast<uint32_t>(t.wYear), 4, '0') + "-" + TwoDigits(t.wMonth) + "-" +
         TwoDigits(t.wDay);
}

std::string DiskEntry(const std::string& path) {
  if (path.size() < 2 || path[0] == '\\' || path[1] != ':') return {};
  const std::string root = path.substr(0, 2) + "\\";
  using FreeSpaceEx = BOOL(WINAPI*)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*);
  uint64_t free = 0;
  if (const auto query =
          win::ProcAddress<FreeSpaceEx>(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")) {
    ULARGE_INTEGER available, total, totalFree;
    if (!query(root.c_str(), &available, &total, &totalFree)) return {};
    free = available.QuadPart;
  } else {
    DWORD sectors, bytes, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &clusters)) return {};
    free = uint64_t{sectors} * bytes * freeClusters;
  }
  return "(" + path.substr(0, 1) + ":) " + SizeToStr(static_cast<int64_t>(free));
}

// Committed memory that no loaded module owns: the heaps, stacks and mappings of the process.
uint64_t AllocatedMemory() {
  uint64_t sum = 0;
  const void* lastBase = nullptr;
  bool lastIsModule = false;
  MEMORY_BASIC_INFORMATION m{};
  for (uintptr_t at = 0; VirtualQuery(reinterpret_cast<void*>(at), &m, sizeof m) == sizeof m;) {
    if (m.State == MEM_COMMIT) {
      if (m.AllocationBase != lastBase) {
        char name[MAX_PATH];
        lastBase = m.AllocationBase;
        lastIsModule =
            GetModuleFileNameA(static_cast<HMODULE>(m.AllocationBase), name, sizeof name) != 0;
      }
      if (!lastIsModule) sum += m.RegionSize;
    }
    const uintptr_t next = reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return sum;
}

bool HasParameters(const char* commandLine) {
  const char* p = commandLine;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return *p != 0;
}

std::string Processor() {
  const std::string key = "hardware\\description\\system\\centralProcessor\\";
  const std::string name =
      TrimStr(RegReadString(HKEY_LOCAL_MACHINE, key + "0", "ProcessorNameString"));
  if (name.empty()) return {};
  int count = 16;
  for (int n = 1; n < 16; ++n) {
    if (RegReadString(HKEY_LOCAL_MACHINE, key + std::to_string(n), "ProcessorNameString").empty()) {
      count = n;
      break;
    }
  }
  return count != 1 ? HeaderLine("processors", std::to_string(count) + "x " + name)
                    : HeaderLine("processor", name);
}

std::string Header(bool frozen, const TExceptFacts& facts) {
  const TDroskSettings& settings = DroskSettings();
  std::string h;
  SYSTEMTIME now;
  GetLocalTime(&now);
  h += HeaderLine("date/time", DateOf(now) + ", " + TwoDigits(now.wHour) + ":" +
                                   TwoDigits(now.wMinute) + ":" + TwoDigits(now.wSecond) + ", " +
                                   std::to_string(now.wMilliseconds) + "ms");
  h += HeaderLine("computer name", ComputerName());
  if (GetSystemMetrics(SM_REMOTESESSION) && !GetOS().Is9x) {
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, int, char**, DWORD*);
    using Free = void(WINAPI*)(void*);
    const win::UniqueLibrary wts(LoadLibraryA("wtsapi32.dll"));
    const auto query = win::ProcAddress<Query>(wts.get(), "WTSQuerySessionInformationA");
    const auto release = win::ProcAddress<Free>(wts.get(), "WTSFreeMemory");
    char* name = nullptr;
    DWORD bytes = 0;
    constexpr int kClientName = 10;
    if (query && release && query(nullptr, static_cast<DWORD>(-1), kClientName, &name, &bytes)) {
      if (bytes >= 2) h += HeaderLine("wts client name", name);
      release(name);
    }
  }
  char user[256] = "";
  DWORD userSize = sizeof user;
  if (!GetUserNameA(user, &userSize)) user[0] = 0;
  h += HeaderLine("user name", user);
  const TOS os = GetOS();
  h += HeaderLine("operating system", os.Description + " build " + std::to_string(os.Build));
  char language[128] = "";
  if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SLANGUAGE, language, sizeof language) &&
      language[0]) {
    h += HeaderLine("system language", language);
  }
  LARGE_INTEGER counter{}, frequency{};
  if (QueryPerformanceCounter(&counter) && QueryPerformanceFrequency(&frequency) &&
      frequency.QuadPart > 0) {
    const std::string up = DurationToStr(counter.QuadPart / frequency.QuadPart);
    if (!up.empty()) h += HeaderLine("system up time", up);
  }
  FILETIME nowUtc;
  GetSystemTimeAsFileTime(&nowUtc);
  const auto ticks = [](const FILETIME& t) {
    return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
  };
  const uint64_t started = ticks(StartTime()), nowTicks = ticks(nowUtc);
  const uint64_t running = nowTicks > started ? nowTicks - started : 0;
  const std::string programUp = DurationToStr(running / 10000000);
  h +=
      HeaderLine("program up time",
                 programUp.empty() ? std::to_string(running / 10000) + " milliseconds" : programUp);
  h += Processor();
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) {
    constexpr uint64_t kMb = 1024 * 1024;
    h += HeaderLine("physical memory", std::to_string((memory.ullAvailPhys + kMb / 2) / kMb) + "/" +
                                           std::to_string((memory.ullTotalPhys + kMb / 2) / kMb) +
                                           " MB (free/total)");
  }
  char windowsDir[MAX_PATH] = "";
  GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
  const std::string executable = ModuleFileName(nullptr);
  std::string disks = DiskEntry(windowsDir);
  if (executable.size() > 1 && windowsDir[0] && UpChar(executable[0]) != UpChar(windowsDir[0])) {
    const std::string second = DiskEntry(executable);
    if (!second.empty()) disks += (disks.empty() ? "" : " ") + second;
  }
  h += HeaderLine("free disk space", disks);
  if (const HDC screen = GetDC(nullptr)) {
    h += HeaderLine("display mode", std::to_string(GetDeviceCaps(screen, HORZRES)) + "x" +
                                        std::to_string(GetDeviceCaps(screen, VERTRES)) + ", " +
                                        std::to_string(GetDeviceCaps(screen, BITSPIXEL) *
                                                       GetDeviceCaps(screen, PLANES)) +
                                        " bit");
    ReleaseDC(nullptr, screen);
  }
  h += HeaderLine("process id", IntToHexEx(static_cast<uint32_t>(GetCurrentProcessId())));
  h += HeaderLine("allocated memory", SizeToStr(static_cast<int64_t>(AllocatedMemory())));
  if (settings.ShowCommandLine && HasParameters(GetCommandLineA())) {
    h += HeaderLine("command line", GetCommandLineA());
  }
  h += HeaderLine("executable", FileNameOnly(executable));
  const std::string current = ModuleFileName(win::ThisModule());
  const bool otherModule = !SameText(FileNameOnly(current), FileNameOnly(executable));
  if (otherModule) h += HeaderLine("current module", FileNameOnly(current));
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  FILETIME local;
  SYSTEMTIME written;
  if (GetFileAttributesExA(current.c_str(), GetFileExInfoStandard, &attributes) &&
      FileTimeToLocalFileTime(&attributes.ftLastWriteTime, &local) &&
      FileTimeToSystemTime(&local, &written)) {
    h += HeaderLine(
        otherModule ? "module date/time" : "exec. date/time",
        DateOf(written) + " " + TwoDigits(written.wHour) + ":" + TwoDigits(written.wMinute));
  }
  if (!settings.VersionText.empty()) {
    h += HeaderLine("version", std::string(settings.VersionText));
  } else if (const uint64_t version = GetFileVersion(current)) {
    h += HeaderLine("version", FileVersionToStr(version));
  }
  if (const HMODULE engine = GetModuleHandleA("idapi32.dll")) {
    h += HeaderLine("bde version", FileVersionToStr(GetFileVersion(ModuleFileName(engine))));
  }
  h += "droskExcept version : 2.7g";
  h += kCrLf;
  if (frozen) {
    h += HeaderLine("exception class", std::string(settings.FrozenClass));
    h += "exception message : " + std::string(settings.FrozenText);
  } else {
    h += "exception class   : " + facts.className;
    if (facts.message != facts.className) {
      h += kCrLf;
      h += "exception message : " + ReportMessage(facts.message);
    }
  }
  return h;
}

// ---------------------------------------------------------------------------------------------
// Modules and disassembly

std::string ModuleReport() {
  return Section("GetModuleReport", [](std::string& text) {
    const TDAModule modules = EnumModules(true);
    size_t nameWidth = 0, versionWidth = 0;
    for (const TModuleEntry& m : modules) {
      nameWidth = std::max(nameWidth, m.FileName.size());
      versionWidth = std::max(versionWidth, m.Version.size());
    }
    text = "modules:";
    for (const TModuleEntry& m : modules) {
      std::string name = m.FileName, version = m.Version;
      name.resize(nameWidth + 1, ' ');
      version.resize(versionWidth + 1, ' ');
      text +=
          kCrLf + IntToHexEx(AddressOf(m.Handle), 8).substr(1) + " " + name + version + m.Directory;
      // The module's names are missing from the traces: say why.
      const std::string note = OversizedDebugFileNote(m.Directory + "\\" + m.FileName);
      if (!note.empty()) text += std::string(kCrLf) + ">> " + note;
    }
  });
}

std::string Disassembly(const TComposeState& state) {
  if (!ListingRoutineSlot) return {};
  const TAddress function =
      state.exceptionTrace.topProcedure ? state.exceptionTrace.topProcedure : state.exceptAddress;
  if (!function) return {};
  return Section("GetCleartextDisAsm", [&](std::string& text) {
    const TDroskSettings& settings = DroskSettings();
    const TAddress marked =
        state.exceptAddress ? state.exceptAddress : state.exceptionTrace.topItem;
    TFunctionInfo info;
    std::string listing;
    ListingRoutineSlot(function, listing, marked, info, settings.Disassemble,
                       static_cast<int>(settings.DisassemblyLines));
    if (!listing.empty()) text = std::string(kCrLf) + kCrLf + "disassembling:" + kCrLf + listing;
  });
}

}  // namespace

std::string ReportMessage(std::string message) {
  size_t end = message.size();
  while (end > 0 && (message[end - 1] == '.' || message[end - 1] == '!')) --end;
  if (end < message.size()) ++end;  // one of them stays
  message.resize(end);
  return message + ".";
}

std::string DurationToStr(uint64_t seconds) {
  static const char* const kUnits[] = {"day", "hour", "minute", "second"};
  uint64_t values[] = {seconds / 86400, (seconds / 3600) % 24, (seconds / 60) % 60, seconds % 60};
  int first = 0;
  if (values[0] == 0) first = 1;
  if (first == 1 && values[1] == 0) first = 2;
  std::string text;
  for (int i = first; i < first + 2; ++i) {
    if (values[i] == 1) {
      text += std::string("1 ") + kUnits[i] + " ";
    } else if (values[i] != 0) {
      text += std::to_string(values[i]) + " " + kUnits[i] + "s ";
    }
  }
  return text;
}

void ComposeBugReport(bool frozen, std::exception_ptr exceptObject, TAddress exceptAddress,
                      DWORD threadId, TAddress stackPointer, TAddress stackFrame, bool showProgress,
                      uint32_t /*reserved*/, std::string& report) noexcept {
  try {
    report.clear();
    if (!exceptObject && !frozen) exceptObject = std::current_exception();
    const TExceptFacts facts = frozen ? TExceptFacts{} : FactsOf(exceptObject);
    TComposeState state;
    state.exceptAddress = NormalisedAddress(exceptAddress);
    state.stackPointer = stackPointer;
    state.stackFrame = stackFrame;
    state.external = facts.external;
    const std::string threads = ThreadReport(frozen, threadId, showProgress, state);
    report = Header(frozen, facts) + threads;
    const TDroskSettings& settings = DroskSettings();
    if (settings.ListModules) report += std::string(kCrLf) + kCrLf + ModuleReport();
    if (settings.ListHardware) {
      const std::string hardware =
          Section("GetHardwareList", [](std::string& text) { text = GetHardwareList(); });
      report += std::string(kCrLf) + kCrLf + hardware;
    }
    report += Disassembly(state);
  } catch (...) {
    try {
      report +=
          std::string(kCrLf) + kCrLf + "An exception occurred during composing the bug report.";
    } catch (...) {
      // Not even that fits in memory: the caller gets what there is.
    }
  }
}

void PutReportOnClipboard(const std::string& report) noexcept {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
  if (!OpenClipboard(nullptr)) return;
  if (const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, report.size() + 1)) {
    if (void* target = GlobalLock(block)) {
      std::memcpy(target, report.c_str(), report.size() + 1);
      GlobalUnlock(block);
      if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    } else {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}

}  // namespace drosk
