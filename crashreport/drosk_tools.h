// The library's view of the operating system: the cached Windows version, per-thread hidden
// message windows with handler lists, a method-to-procedure thunk, file versions, and readers of a
// loaded module's PE image that stay inside the image whatever its headers claim.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace drosk {

enum TOSVersion : uint8_t {
  osNone,
  osWin95,
  osWin95OSR2,
  osWin98,
  osWin98SE,
  osWinME,
  osWin9xNew,
  osWinNT3,
  osWinNT4,
  osWin2000,
  osWinXP,
  osWin2003,
  osWinNTNew,
};

struct TOS {
  uint32_t Major = 0;
  uint32_t Minor = 0;
  uint32_t Build = 0;  // 9x family: the low 16 bits only
  std::string ServicePackText;
  bool Is9x = false;
  uint8_t Version9x = osNone;
  bool IsNT = false;
  uint8_t VersionNT = osNone;
  uint8_t Version = osNone;
  uint32_t ServicePack = 0;  // NT: the number in the service pack text
  std::string Description;
};

// The record for the given version numbers (platform as in OSVERSIONINFO).
TOS ClassifyOS(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
               std::string_view servicePackText);
// The running system's record, computed once.
TOS GetOS();
std::string_view OSVersionName(uint8_t version);

// Message handlers on per-thread hidden windows. A handler may change the result, which starts as
// the default window procedure's answer. Handlers run on the window's thread and may add or remove
// handlers; an exception out of a handler is swallowed.
using TMsgHandlerProc = void (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 LRESULT& result);
using TMsgHandlerMethod = void (*)(void* object, HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam, LRESULT& result);
struct TMsgHandler {
  UINT Message = 0;
  TMsgHandlerProc Proc = nullptr;
  TMsgHandlerMethod MethodCode = nullptr;
  void* MethodObject = nullptr;
};
using TMsgHandlers = std::vector<TMsgHandler>;

// The thread's handler window (0 = calling thread), created when the caller is that thread.
HWND MsgHandlerWindow(DWORD threadId = 0);
// Adds a handler; message 0 asks for a new number from 1024 up. Returns the number, 0 when the
// window is missing or the same handler is already there.
UINT AddMsgHandler(TMsgHandlerProc proc, UINT message = 0, DWORD threadId = 0);
UINT AddMsgHandler(TMsgHandlerMethod code, void* object, UINT message = 0, DWORD threadId = 0);
// Removes the matching handlers (message 0 matches any); a window left without handlers goes,
// by a posted WM_CLOSE when called from another thread.
void DelMsgHandler(TMsgHandlerProc proc, UINT message, DWORD threadId = 0);
void DelMsgHandler(TMsgHandlerMethod code, void* object, UINT message, DWORD threadId = 0);
// Ends the registry when the library ends: destroys the calling thread's window, forgets the
// others, unregisters the window class and closes the registry mutex. A later use starts afresh.
void EndMsgHandlers();

// An entry address that calls `code` with `object` pushed in front of the caller's arguments
// (x86 stack arguments; a __stdcall target pops the object too). Owns its executable memory.
class TMethodProcedure {
 public:
  TMethodProcedure(void* object, const void* code);
  ~TMethodProcedure();
  TMethodProcedure(const TMethodProcedure&) = delete;
  TMethodProcedure& operator=(const TMethodProcedure&) = delete;

  void* Entry() const noexcept { return entry_; }

 private:
  void* entry_;
};

// Version of a file, most significant word first; 0 when it has none.
uint64_t GetFileVersion(const std::string& path);
std::string FileVersionToStr(uint64_t version);

// Full path of a loaded module (ANSI code page); empty when there is none.
std::string ModuleFileName(HMODULE module);
// The module whose allocation holds the address, with its file name; 0 when none.
HMODULE FindModule(const void* address, std::string* fileName = nullptr);

// True when [address, address + size) is committed, readable memory.
bool IsReadableMemory(const void* address, size_t size) noexcept;

// PE readers. Every offset, count and name is bounded by the image and checked for readability:
// a damaged image gives an empty answer, never a fault.
const IMAGE_NT_HEADERS32* GetImageNtHeaders(HMODULE module) noexcept;
// The target of data directory `index` (0 exports, 1 imports), null when absent or outside.
const void* GetImageDirectory(HMODULE module, unsigned index, uint32_t* size = nullptr) noexcept;
// An export by name (case-sensitive) or ordinal. Follows forwarders, and takes the address from
// the module's file when the in-memory table points outside the image; the system's lookup last.
void* GetProcAddressEx(HMODULE module, std::string_view name);
void* GetProcAddressByOrdinal(HMODULE module, uint32_t ordinal);
// The export name of an address, "#<ordinal>" for an export without a name; empty when the address
// is no export. With `unmangle`, a mangled name becomes unit + "." + name.
std::string GetExportName(HMODULE module, const void* address, bool unmangle);

// Unmangles an exported name, in the library's "@Unit@Class@Method$args" form or in this
// compiler's "_Z" form (which has no unit). False when the name is not mangled.
bool UnmangleName(std::string& name, std::string& unit);

// Milliseconds since `start` (a tick count), across the counter's wrap.
uint32_t TickDiff(uint32_t start);
uint32_t TickDiff(uint32_t start, uint32_t now);

// The exception object of a report: our own family and standard exceptions as they are, anything
// else as a DroskException with the fixed "Unknown exception" text.
std::exception_ptr ReportableException(std::exception_ptr exception);

}  // namespace drosk
