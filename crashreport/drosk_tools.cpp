// Windows version, message-handler windows, the method thunk, file versions and modules. The PE
// readers are in drosk_tools_image.cpp.
#include "crashreport/drosk_tools.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_types.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {

// ---------------------------------------------------------------------------------------------
// Windows version

namespace {

constexpr std::string_view kOSNames[] = {
    "None",       "Windows 95",     "Windows 95 OSR-2", "Windows 98",   "Windows 98 SE",
    "Windows ME", "Windows 9x New", "Windows NT 3",     "Windows NT 4", "Windows 2000",
    "Windows XP", "Windows 2003",   "Windows NT New",
};

uint8_t Version9x(uint32_t major, uint32_t minor, uint32_t build) {
  if (major < 4) return osNone;
  if (major > 4) return osWin9xNew;
  if (minor < 10) return build <= 1000 ? osWin95 : osWin95OSR2;
  if (minor == 10) return build <= 2000 ? osWin98 : build <= 2700 ? osWin98SE : osWinME;
  if (minor <= 90) return osWinME;
  return osWin9xNew;
}

uint8_t VersionNT(uint32_t major, uint32_t minor) {
  if (major < 4) return osWinNT3;
  if (major == 4) return osWinNT4;
  if (major > 5) return osWinNTNew;
  return minor == 0 ? osWin2000 : minor == 1 ? osWinXP : minor == 2 ? osWin2003 : osWinNTNew;
}

}  // namespace

std::string_view OSVersionName(uint8_t version) {
  return version < std::size(kOSNames) ? kOSNames[version] : kOSNames[0];
}

TOS ClassifyOS(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
               std::string_view servicePackText) {
  TOS os;
  os.Major = major;
  os.Minor = minor;
  os.Build = build;
  os.ServicePackText = servicePackText;
  os.Is9x = platformId == VER_PLATFORM_WIN32_WINDOWS;
  os.IsNT = platformId == VER_PLATFORM_WIN32_NT;
  if (os.Is9x) {
    os.Build = build & 0xFFFF;
    os.Version9x = Version9x(major, minor, os.Build);
    os.Version = os.Version9x;
  } else if (os.IsNT) {
    os.VersionNT = VersionNT(major, minor);
    os.Version = os.VersionNT;
    // "Service Pack 2": the number starts at the 14th character.
    if (servicePackText.size() >= 14) {
      os.ServicePack = static_cast<uint32_t>(StrToIntEx(false, servicePackText.substr(13)));
    }
  }
  os.Description = OSVersionName(os.Version);
  if (os.IsNT && !servicePackText.empty()) os.Description += " " + os.ServicePackText;
  return os;
}

TOS GetOS() {
  static const TOS os = [] {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // The version as the system reports it to this program, compatibility settings included.
    GetVersionExW(&info);
#pragma GCC diagnostic pop
    std::string servicePack;
    for (const wchar_t* c = info.szCSDVersion; *c; ++c) servicePack += static_cast<char>(*c);
    return ClassifyOS(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                      info.dwBuildNumber, servicePack);
  }();
  return os;
}

// ---------------------------------------------------------------------------------------------
// Message-handler windows

namespace {

struct TWindowEntry {
  DWORD Thread;
  HWND Window;
  TMsgHandlers Handlers;
};

// The registry of handler windows, shared by all threads under a named mutex.
struct TMsgRegistry {
  std::vector<TWindowEntry> Windows;
  std::string ClassSuffix;
  ATOM WindowClass = 0;
};

TMsgRegistry& Registry() {
  static TMsgRegistry registry;
  return registry;
}

std::atomic<HANDLE> registryMutex = nullptr;

LRESULT CALLBACK HandlerWindowProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept;

std::string Suffix() {
  const auto self = reinterpret_cast<uintptr_t>(&HandlerWindowProc);
  return "$" + IntToHex(static_cast<uint32_t>(GetCurrentThreadId())) + "$" +
         IntToHex(static_cast<uint32_t>(self));
}

// Holds the registry mutex, creating it on first use; a losing creator uses the winner's.
class TRegistryLock {
 public:
  TRegistryLock() {
    if (!registryMutex) {
      const std::string name = "droskToolsMsgHandlerMutex" + Suffix();
      HANDLE created = CreateMutexA(nullptr, FALSE, name.c_str());
      HANDLE none = nullptr;
      if (created && !registryMutex.compare_exchange_strong(none, created)) CloseHandle(created);
    }
    mutex_ = registryMutex;
    held_ = mutex_ && WaitForSingleObject(mutex_, INFINITE) == WAIT_OBJECT_0;
  }
  ~TRegistryLock() {
    if (held_) ReleaseMutex(mutex_);
  }
  TRegistryLock(const TRegistryLock&) = delete;
  TRegistryLock& operator=(const TRegistryLock&) = delete;

  bool Held() const { return held_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};

TWindowEntry* FindEntry(DWORD thread) {
  for (TWindowEntry& entry : Registry().Windows) {
    if (entry.Thread == thread) return &entry;
  }
  return nullptr;
}

TWindowEntry* FindEntryByWindow(HWND window) {
  for (TWindowEntry& entry : Registry().Windows) {
    if (entry.Window == window) return &entry;
  }
  return nullptr;
}

// The system messages a handler window passes on, beside private and registered numbers.
bool HandlersSee(UINT message) {
  static constexpr UINT kSystemMessages[] = {17, 18, 21, 22, 23, 26, 27, 28, 29,
                                             30, 42, 65, 72, 80, 81, 84, 126};
  return message >= 0x218 || static_cast<int>(message) < 0 ||
         std::find(std::begin(kSystemMessages), std::end(kSystemMessages), message) !=
             std::end(kSystemMessages);
}

LRESULT CALLBACK HandlerWindowProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
  LRESULT result = DefWindowProcA(window, message, wParam, lParam);
  if (!HandlersSee(message)) return result;
  try {
    TMsgHandlers handlers;
    {
      TRegistryLock lock;
      if (!lock.Held()) return result;
      if (const TWindowEntry* entry = FindEntryByWindow(window)) handlers = entry->Handlers;
    }
    for (const TMsgHandler& h : handlers) {
      if (h.Message != message) continue;
      if (h.Proc) h.Proc(window, message, wParam, lParam, result);
      if (h.MethodCode) h.MethodCode(h.MethodObject, window, message, wParam, lParam, result);
    }
  } catch (...) {
  }
  return result;
}

// The window of a thread, made when the caller is that thread; call under the lock.
TWindowEntry* EntryFor(DWORD thread, bool create) {
  TMsgRegistry& registry = Registry();
  if (TWindowEntry* entry = FindEntry(thread)) return entry;
  if (!create || thread != GetCurrentThreadId()) return nullptr;
  if (registry.ClassSuffix.empty()) registry.ClassSuffix = Suffix();
  const std::string className = "droskToolsMsgHandlerWindow" + registry.ClassSuffix;
  if (!registry.WindowClass) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HandlerWindowProc;
    // The library's own module: the class goes when the code it points to goes.
    windowClass.hInstance = win::ThisModule();
    windowClass.lpszClassName = className.c_str();
    registry.WindowClass = RegisterClassA(&windowClass);
    if (!registry.WindowClass) return nullptr;
  }
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, className.c_str(), "", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, win::ThisModule(), nullptr);
  if (!window) return nullptr;
  registry.Windows.push_back({thread, window, {}});
  return &registry.Windows.back();
}

DWORD ThreadOrCurrent(DWORD threadId) { return threadId ? threadId : GetCurrentThreadId(); }

UINT AddHandler(TMsgHandler handler, DWORD threadId) {
  TRegistryLock lock;
  if (!lock.Held()) return 0;
  TWindowEntry* entry = EntryFor(ThreadOrCurrent(threadId), true);
  if (!entry) return 0;
  auto same = [&](const TMsgHandler& h) {
    return h.Message == handler.Message && h.Proc == handler.Proc &&
           h.MethodCode == handler.MethodCode && h.MethodObject == handler.MethodObject;
  };
  if (handler.Message == 0) {
    handler.Message = 1024;
    while (std::any_of(entry->Handlers.begin(), entry->Handlers.end(),
                       [&](const TMsgHandler& h) { return h.Message == handler.Message; })) {
      ++handler.Message;
    }
  } else if (std::any_of(entry->Handlers.begin(), entry->Handlers.end(), same)) {
    return 0;
  }
  entry->Handlers.push_back(handler);
  return handler.Message;
}

void DelHandler(const TMsgHandler& handler, DWORD threadId) {
  HWND closing = nullptr;
  {
    TRegistryLock lock;
    if (!lock.Held()) return;
    TWindowEntry* entry = EntryFor(ThreadOrCurrent(threadId), false);
    if (!entry) return;
    TMsgHandlers& list = entry->Handlers;
    for (size_t i = list.size(); i-- > 0;) {
      const TMsgHandler& h = list[i];
      if ((handler.Message == 0 || h.Message == handler.Message) && h.Proc == handler.Proc &&
          h.MethodCode == handler.MethodCode && h.MethodObject == handler.MethodObject) {
        list[i] = list.back();
        list.pop_back();
      }
    }
    if (!list.empty()) return;
    closing = entry->Window;
    std::vector<TWindowEntry>& windows = Registry().Windows;
    *entry = std::move(windows.back());
    windows.pop_back();
  }
  if (GetWindowThreadProcessId(closing, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(closing);
  } else {
    PostMessageA(closing, WM_CLOSE, 0, 0);
  }
}

}  // namespace

HWND MsgHandlerWindow(DWORD threadId) {
  TRegistryLock lock;
  if (!lock.Held()) return nullptr;
  const TWindowEntry* entry = EntryFor(ThreadOrCurrent(threadId), true);
  return entry ? entry->Window : nullptr;
}

UINT AddMsgHandler(TMsgHandlerProc proc, UINT message, DWORD threadId) {
  return AddHandler({message, proc, nullptr, nullptr}, threadId);
}

UINT AddMsgHandler(TMsgHandlerMethod code, void* object, UINT message, DWORD threadId) {
  return AddHandler({message, nullptr, code, object}, threadId);
}

void DelMsgHandler(TMsgHandlerProc proc, UINT message, DWORD threadId) {
  DelHandler({message, proc, nullptr, nullptr}, threadId);
}

void DelMsgHandler(TMsgHandlerMethod code, void* object, UINT message, DWORD threadId) {
  DelHandler({message, nullptr, code, object}, threadId);
}

void EndMsgHandlers() {
  TMsgRegistry& registry = Registry();
  {
    TRegistryLock lock;
    for (const TWindowEntry& entry : registry.Windows) {
      if (entry.Thread == GetCurrentThreadId()) DestroyWindow(entry.Window);
    }
    registry.Windows.clear();
    if (registry.WindowClass) {
      UnregisterClassA(reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(registry.WindowClass)),
                       win::ThisModule());
      registry.WindowClass = 0;
    }
  }
  if (HANDLE mutex = registryMutex.exchange(nullptr)) CloseHandle(mutex);
}

// ---------------------------------------------------------------------------------------------
// Method thunk

TMethodProcedure::TMethodProcedure(void* object, const void* code)
    : entry_(VirtualAlloc(nullptr, 17, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE)) {
  if (!entry_) throw DroskException("No memory for a method entry.");
  auto* bytes = static_cast<uint8_t*>(entry_);
  const auto word = [](uint8_t* at, uintptr_t value) { std::memcpy(at, &value, 4); };
  bytes[0] = 0x58;  // pop eax: the return address
  bytes[1] = 0x68;  // push object
  word(bytes + 2, reinterpret_cast<uintptr_t>(object));
  bytes[6] = 0x50;  // push eax
  bytes[7] = 0xFF;  // jmp dword ptr [code word]
  bytes[8] = 0x25;
  word(bytes + 9, reinterpret_cast<uintptr_t>(bytes + 13));
  word(bytes + 13, reinterpret_cast<uintptr_t>(code));
  FlushInstructionCache(GetCurrentProcess(), entry_, 17);
}

TMethodProcedure::~TMethodProcedure() { VirtualFree(entry_, 0, MEM_RELEASE); }

// ---------------------------------------------------------------------------------------------
// Files and modules

uint64_t GetFileVersion(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return 0;
  std::vector<char> info(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data()) ||
      !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return 0;
  }
  return uint64_t{fixed->dwFileVersionMS} << 32 | fixed->dwFileVersionLS;
}

std::string FileVersionToStr(uint64_t version) {
  std::string text;
  for (int shift = 48; shift >= 0; shift -= 16) {
    if (!text.empty()) text += '.';
    text += std::to_string((version >> shift) & 0xFFFF);
  }
  return text;
}

std::string ModuleFileName(HMODULE module) {
  wchar_t wide[MAX_PATH * 2];
  const DWORD length = GetModuleFileNameW(module, wide, static_cast<DWORD>(std::size(wide)));
  if (length == 0 || length >= std::size(wide)) return {};
  char narrow[MAX_PATH * 4];
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), narrow,
                                       sizeof narrow, nullptr, nullptr);
  return std::string(narrow, size > 0 ? size : 0);
}

HMODULE FindModule(const void* address, std::string* fileName) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(address, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT ||
      !info.AllocationBase) {
    return nullptr;
  }
  const auto module = static_cast<HMODULE>(info.AllocationBase);
  std::string name = ModuleFileName(module);
  if (name.empty()) return nullptr;
  if (fileName) *fileName = std::move(name);
  return module;
}

// ---------------------------------------------------------------------------------------------
// Ticks and exception objects

uint32_t TickDiff(uint32_t start, uint32_t now) {
  return now >= start ? now - start : (0xFFFFFFFF - start) + now;
}

uint32_t TickDiff(uint32_t start) { return TickDiff(start, GetTickCount()); }

std::exception_ptr ReportableException(std::exception_ptr exception) {
  if (!exception) return nullptr;
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception&) {
    return exception;
  } catch (...) {
  }
  return std::make_exception_ptr(DroskException(
      "Unknown exception. If you want to know more, you have to add SysUtils to your project."));
}

}  // namespace drosk
