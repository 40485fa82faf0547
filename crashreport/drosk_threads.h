// The process facts of a report: thread ids, thread handles, the shared registry of thread titles,
// the module list with versions, import patching, and safety tests (loader lock, sound objects).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/drosk_types.h"
#include "framework/win/handles.h"

namespace drosk {

struct TModuleEntry {
  HMODULE Handle = nullptr;
  std::string FileName;   // name only
  std::string Directory;  // without the trailing backslash
  std::string Version;    // four dotted numbers; empty when the file has none
};
using TDAModule = std::vector<TModuleEntry>;

// Ids of all threads of the current process: from the system's process information, or from a
// Toolhelp snapshot where that is missing.
TDACardinal EnumThreads();
TDACardinal EnumThreadsToolhelp();

win::UniqueHandle OpenThreadEx(DWORD threadId, DWORD access);

// The shared thread list: one 20-byte block per process, named "droskExceptThreadNameBuf$<pid>",
// shared by every copy of the library in the process. Start-up opens it only when interception is
// switched on; without it every thread is unnamed. Open joins a block another copy made.
bool OpenThreadList();
void CloseThreadList();

// Adds, updates (fields not given keep their values) or, with neither title nor creation address,
// removes the thread's node; also drops one node of a thread that has ended.
void SetThreadInfo(DWORD threadId, HANDLE thread, std::string_view title, DWORD creatorThreadId,
                   uint32_t creationAddress, std::string_view description);
void SetThreadName(DWORD threadId, std::string_view title);

struct TThreadTitle {
  std::string Title;  // empty for a hidden thread ("-") unless hidden ones are asked for
  uint32_t CreationAddress = 0;
  DWORD CreatorThreadId = 0;
};
TThreadTitle GetThreadTitle(DWORD threadId, bool includeHidden);

// Loaded modules in ascending order of their base address.
TDAModule EnumModules(bool withVersions);

std::string FileNameOnly(std::string_view path);
std::string FilePathOnly(std::string_view path);
std::string ComputerName();
// A registry value as text: a string up to its first zero, other types as raw bytes; empty when
// the key or value is missing.
std::string RegReadString(HKEY root, const std::string& keyPath, const std::string& valueName);

// Redirects a module's import table entries that hold `oldAddress` to `newAddress`.
void PatchModuleImports(HMODULE module, const void* oldAddress, const void* newAddress);
void PatchImports(const TDAModule& modules, const void* oldAddress, const void* newAddress);

// True when the calling thread holds the loader lock or the process-environment lock: dialogs
// and printing must then wait.
bool LoaderLockHeld();

// A pointer is a sound object when its memory is readable, its virtual table lies in a loaded
// module's read-only data and that table's type information is sound too.
bool IsValidObject(const void* object) noexcept;
// True when the object's class or one of its bases is named `className`, with or without its
// namespaces ("drosk::DroskException" or "DroskException"); letter case counts.
bool InheritsFromName(const void* object, std::string_view className);

}  // namespace drosk
