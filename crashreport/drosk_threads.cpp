// Threads, modules and imports of the current process.
#include "crashreport/drosk_threads.h"

#include <cxxabi.h>
#include <tlhelp32.h>

#include <cstring>
#include <memory>
#include <typeinfo>

#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/module.h"

namespace drosk {

// ---------------------------------------------------------------------------------------------
// Thread ids and handles

namespace {

constexpr ULONG kProcessInformation = 5;
constexpr ULONG kInitialQuerySize = 64 * 1024;
constexpr ULONG kMaxQuerySize = 4 * 1024 * 1024;
// Offsets in the system's process and thread records (32-bit).
constexpr size_t kThreadCountAt = 4;
constexpr size_t kProcessIdAt = 68;
constexpr size_t kThreadRecordSize = 64;
constexpr size_t kThreadIdAt = 36;

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

uint32_t Word(const std::vector<uint8_t>& buffer, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, buffer.data() + at, 4);
  return value;
}

// The process records of the whole system, empty when the query fails.
std::vector<uint8_t> ProcessRecords(QuerySystemInformation query) {
  ULONG needed = 0;
  query(kProcessInformation, nullptr, 0, &needed);
  std::vector<uint8_t> buffer;
  ULONG size = needed ? needed * 2 : kInitialQuerySize * 2;
  for (;;) {
    buffer.assign(size, 0);
    if (query(kProcessInformation, buffer.data(), size, nullptr) >= 0) return buffer;
    if (size >= kMaxQuerySize) return {};
    size *= 2;
  }
}

}  // namespace

TDACardinal EnumThreads() {
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return EnumThreadsToolhelp();
  const std::vector<uint8_t> buffer = ProcessRecords(query);
  if (buffer.empty()) return EnumThreadsToolhelp();
  const uint8_t version = GetOS().Version;
  const size_t fixedPart = version == osWinNT3 || version == osWinNT4 ? 136 : 184;
  TDACardinal threads;
  for (size_t at = 0; at + fixedPart <= buffer.size();) {
    if (Word(buffer, at + kProcessIdAt) == GetCurrentProcessId()) {
      const uint32_t count = Word(buffer, at + kThreadCountAt);
      for (uint32_t i = 0; i < count; ++i) {
        const size_t record = at + fixedPart + i * kThreadRecordSize;
        if (record + kThreadRecordSize > buffer.size()) break;
        threads.push_back(Word(buffer, record + kThreadIdAt));
      }
      return threads;
    }
    const uint32_t next = Word(buffer, at);
    if (next == 0) break;
    at += next;
  }
  return threads;
}

TDACardinal EnumThreadsToolhelp() {
  TDACardinal threads;
  const win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) threads.push_back(entry.th32ThreadID);
  }
  return threads;
}

win::UniqueHandle OpenThreadEx(DWORD threadId, DWORD access) {
  return win::UniqueHandle(OpenThread(access, FALSE, threadId));
}

// ---------------------------------------------------------------------------------------------
// The shared thread list

namespace {

// Both layouts are shared with other copies of the library in the process: never reorder.
struct TThreadNode {
  DWORD ThreadId;
  char* Title;
  TThreadNode* Next;
  // Newer nodes only; an older node ends here, and its allocated size tells.
  char* Description;
  uint32_t CreationAddress;
  DWORD CreatorThreadId;
  HANDLE Thread;
};
static_assert(sizeof(TThreadNode) == 28);

struct TThreadListBlock {
  HANDLE GeneralMutex;
  HANDLE ListMutex;
  TThreadNode* Head;
  LONG UseCount;
  HANDLE Section;
};
static_assert(sizeof(TThreadListBlock) == 20);

TThreadListBlock* threadList = nullptr;  // this copy's view of the block

std::string BlockName() {
  return "droskExceptThreadNameBuf$" + IntToHex(static_cast<uint32_t>(GetCurrentProcessId()));
}

bool IsNewNode(const TThreadNode* node) {
  return LocalSize(const_cast<TThreadNode*>(node)) >= sizeof(TThreadNode);
}

char* NewText(std::string_view text) {
  if (text.empty()) return nullptr;
  auto* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, text.size() + 1));
  if (copy) {
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
  }
  return copy;
}

std::string TextOf(const char* text) { return text ? text : ""; }

void FreeNode(TThreadNode* node) {
  LocalFree(node->Title);
  if (IsNewNode(node)) LocalFree(node->Description);
  LocalFree(node);
}

// Holds the list mutex for as long as it lives.
class TListLock {
 public:
  explicit TListLock(DWORD timeout)
      : held_(threadList && WaitForSingleObject(threadList->ListMutex, timeout) == WAIT_OBJECT_0) {}
  ~TListLock() {
    if (held_) ReleaseMutex(threadList->ListMutex);
  }
  TListLock(const TListLock&) = delete;
  TListLock& operator=(const TListLock&) = delete;

  bool Held() const { return held_; }

 private:
  bool held_;
};

TThreadNode* Unlink(DWORD threadId) {
  for (TThreadNode** link = &threadList->Head; *link; link = &(*link)->Next) {
    if ((*link)->ThreadId == threadId) {
      TThreadNode* node = *link;
      *link = node->Next;
      return node;
    }
  }
  return nullptr;
}

// The first node whose thread has ended, if any.
const TThreadNode* EndedNode() {
  for (const TThreadNode* node = threadList->Head; node; node = node->Next) {
    if (IsNewNode(node) && node->Thread && WaitForSingleObject(node->Thread, 0) == WAIT_OBJECT_0) {
      return node;
    }
  }
  return nullptr;
}

void UpdateNode(DWORD threadId, HANDLE thread, std::string_view title, DWORD creatorThreadId,
                uint32_t creationAddress, std::string_view description) {
  const bool adding = !title.empty() || creationAddress != 0;
  std::string keptTitle(title);
  std::string keptDescription(description);
  HANDLE handle = nullptr;
  if (TThreadNode* old = Unlink(threadId)) {
    if (adding) {
      if (keptTitle.empty()) keptTitle = TextOf(old->Title);
      if (IsNewNode(old)) {
        if (keptDescription.empty()) keptDescription = TextOf(old->Description);
        if (creationAddress == 0) creationAddress = old->CreationAddress;
        if (creatorThreadId == 0) creatorThreadId = old->CreatorThreadId;
        handle = old->Thread;
      }
    } else if (IsNewNode(old) && old->Thread) {
      CloseHandle(old->Thread);
    }
    FreeNode(old);
  }
  if (!adding) return;
  if (!handle && thread) {
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &handle, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  }
  if (!handle) handle = OpenThreadEx(threadId, SYNCHRONIZE | THREAD_QUERY_INFORMATION).release();
  if (!handle) return;
  auto* node = static_cast<TThreadNode*>(LocalAlloc(LPTR, sizeof(TThreadNode)));
  if (!node) {
    CloseHandle(handle);
    return;
  }
  *node = {threadId,
           NewText(keptTitle),
           threadList->Head,
           NewText(keptDescription),
           creationAddress,
           creatorThreadId,
           handle};
  threadList->Head = node;
}

}  // namespace

bool OpenThreadList() {
  if (threadList) return true;
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(TThreadListBlock), BlockName().c_str());
  if (!section) return false;
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  auto* block = static_cast<TThreadListBlock*>(
      MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TThreadListBlock)));
  if (!block) {
    CloseHandle(section);
    return false;
  }
  if (existed) {
    // The block keeps its own handle; this copy needs only the view.
    CloseHandle(section);
    InterlockedIncrement(&block->UseCount);
  } else {
    *block = {CreateMutexA(nullptr, FALSE, nullptr), CreateMutexA(nullptr, FALSE, nullptr), nullptr,
              1, section};
  }
  threadList = block;
  return true;
}

void CloseThreadList() {
  TThreadListBlock* block = std::exchange(threadList, nullptr);
  if (!block) return;
  if (InterlockedDecrement(&block->UseCount) == 0) {
    while (TThreadNode* node = block->Head) {
      block->Head = node->Next;
      if (IsNewNode(node) && node->Thread) CloseHandle(node->Thread);
      FreeNode(node);
    }
    CloseHandle(block->GeneralMutex);
    CloseHandle(block->ListMutex);
    HANDLE section = block->Section;
    UnmapViewOfFile(block);
    CloseHandle(section);
    return;
  }
  UnmapViewOfFile(block);
}

void SetThreadInfo(DWORD threadId, HANDLE thread, std::string_view title, DWORD creatorThreadId,
                   uint32_t creationAddress, std::string_view description) {
  const TListLock lock(INFINITE);
  if (!lock.Held()) return;
  UpdateNode(threadId, thread, title, creatorThreadId, creationAddress, description);
  if (const TThreadNode* ended = EndedNode()) UpdateNode(ended->ThreadId, nullptr, {}, 0, 0, {});
}

void SetThreadName(DWORD threadId, std::string_view title) {
  SetThreadInfo(threadId, nullptr, title, 0, 0, {});
}

TThreadTitle GetThreadTitle(DWORD threadId, bool includeHidden) {
  const std::string id = "$" + IntToHex(static_cast<uint32_t>(threadId));
  TThreadTitle result{"thread " + id};
  const TListLock lock(50);
  if (!lock.Held()) return result;
  const TThreadNode* node = threadList->Head;
  while (node && node->ThreadId != threadId) node = node->Next;
  if (!node) return result;
  const std::string title = TextOf(node->Title);
  const bool isNew = IsNewNode(node);
  if (isNew) {
    result.CreationAddress = node->CreationAddress;
    result.CreatorThreadId = node->CreatorThreadId;
  }
  if (title == "-" && !includeHidden) {
    result.Title.clear();
  } else if (!title.empty() && title != "-") {
    result.Title = title + " (" + id + ")";
  } else if (isNew && node->Description) {
    result.Title += " (" + TextOf(node->Description) + ")";
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Modules, names and the registry

TDAModule EnumModules(bool withVersions) {
  TDAModule modules;
  const void* previousBase = nullptr;
  MEMORY_BASIC_INFORMATION info{};
  for (auto* at = static_cast<const uint8_t*>(nullptr);
       VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize) {
    const bool starts = info.State == MEM_COMMIT && info.AllocationBase != previousBase &&
                        info.AllocationBase == info.BaseAddress;
    previousBase = info.AllocationBase;
    if (starts) {
      const auto module = static_cast<HMODULE>(info.AllocationBase);
      const std::string path = ModuleFileName(module);
      if (!path.empty()) {
        const uint64_t version = withVersions ? GetFileVersion(path) : 0;
        std::string directory = FilePathOnly(path);
        if (!directory.empty()) directory.pop_back();
        modules.push_back({module, FileNameOnly(path), directory,
                           version ? FileVersionToStr(version) : std::string()});
      }
    }
    if (reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize <
        reinterpret_cast<uintptr_t>(info.BaseAddress)) {
      break;  // the last region of the address space
    }
  }
  return modules;
}

std::string FileNameOnly(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FilePathOnly(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string RegReadString(HKEY root, const std::string& keyPath, const std::string& valueName) {
  win::UniqueKey key;
  if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::string value(size * 2 + 1, '\0');
  size = static_cast<DWORD>(value.size());
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(size);
  if (type == REG_SZ || type == REG_EXPAND_SZ) value.resize(std::strlen(value.c_str()));
  return value;
}

// ---------------------------------------------------------------------------------------------
// Import patching

void PatchModuleImports(HMODULE module, const void* oldAddress, const void* newAddress) {
  const IMAGE_NT_HEADERS32* headers = GetImageNtHeaders(module);
  uint32_t size = 0;
  const auto* descriptor =
      static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(GetImageDirectory(module, 1, &size));
  if (!headers || !descriptor) return;
  auto* base = reinterpret_cast<uint8_t*>(module);
  const uint32_t imageSize = headers->OptionalHeader.SizeOfImage;
  auto inImage = [&](const void* at, size_t length) {
    const auto offset = static_cast<uint64_t>(static_cast<const uint8_t*>(at) - base);
    return offset + length <= imageSize && IsReadableMemory(at, length);
  };
  for (; inImage(descriptor, sizeof *descriptor) && descriptor->Name != 0; ++descriptor) {
    if (descriptor->FirstThunk == 0 || descriptor->FirstThunk >= imageSize) {
      if (module == win::ThisModule()) {
        MessageBoxA(nullptr,
                    "The import table is invalid.\r\n\r\n"
                    "This way droskExcept can't install the thread hooks.",
                    FileNameOnly(ModuleFileName(module)).c_str(), MB_OK | MB_ICONERROR);
      }
      return;
    }
    for (auto* entry = reinterpret_cast<const void**>(base + descriptor->FirstThunk);
         inImage(entry, sizeof *entry) && *entry; ++entry) {
      if (*entry != oldAddress) continue;
      DWORD protection = 0;
      if (VirtualProtect(entry, sizeof *entry, PAGE_EXECUTE_READWRITE, &protection)) {
        *entry = newAddress;
        VirtualProtect(entry, sizeof *entry, protection, &protection);
      }
    }
  }
}

void PatchImports(const TDAModule& modules, const void* oldAddress, const void* newAddress) {
  for (const TModuleEntry& module : modules) {
    PatchModuleImports(module.Handle, oldAddress, newAddress);
  }
}

// ---------------------------------------------------------------------------------------------
// Safety tests

namespace {

// Offsets in the 32-bit process environment block and its critical sections.
constexpr size_t kPebLockAt = 0x1C;
constexpr size_t kLoaderLockAt = 0xA0;
constexpr size_t kOwningThreadAt = 0x0C;

bool OwnedByThisThread(const uint8_t* peb, size_t lockAt) {
  const uint8_t* lock = nullptr;
  std::memcpy(&lock, peb + lockAt, sizeof lock);
  if (!IsReadableMemory(lock, kOwningThreadAt + 4)) return false;
  DWORD owner = 0;
  std::memcpy(&owner, lock + kOwningThreadAt, sizeof owner);
  return owner == GetCurrentThreadId();
}

// The address lies in a read-only, initialised data section of a loaded module.
bool InReadOnlyData(const void* address) {
  const HMODULE module = FindModule(address);
  const IMAGE_NT_HEADERS32* headers = module ? GetImageNtHeaders(module) : nullptr;
  if (!headers) return false;
  const auto rva = static_cast<uint32_t>(static_cast<const uint8_t*>(address) -
                                         reinterpret_cast<const uint8_t*>(module));
  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
      reinterpret_cast<const uint8_t*>(&headers->OptionalHeader) +
      headers->FileHeader.SizeOfOptionalHeader);
  const uint32_t count = headers->FileHeader.NumberOfSections;
  if (!IsReadableMemory(sections, count * sizeof(IMAGE_SECTION_HEADER))) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const IMAGE_SECTION_HEADER& s = sections[i];
    if (rva < s.VirtualAddress || rva - s.VirtualAddress >= s.Misc.VirtualSize) continue;
    return (s.Characteristics & IMAGE_SCN_CNT_INITIALIZED_DATA) != 0 &&
           (s.Characteristics & (IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE)) == 0;
  }
  return false;
}

// A readable object whose virtual table, with the two words before it, sits in read-only data.
bool HasSoundTable(const void* object) {
  if (!IsReadableMemory(object, sizeof(void*))) return false;
  const auto* table = *static_cast<const uint8_t* const*>(object);
  return IsReadableMemory(table - 2 * sizeof(void*), 3 * sizeof(void*)) && InReadOnlyData(table);
}

// A type name as this compiler writes it: letters, digits and "_".
bool IsTypeName(const char* name) {
  constexpr size_t kMaxTypeName = 1024;
  for (size_t i = 0; i < kMaxTypeName; ++i) {
    if (!IsReadableMemory(name + i, 1)) return false;
    const char c = name[i];
    if (c == '\0') return i > 0;
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!letter && !(c >= '0' && c <= '9')) return false;
  }
  return false;
}

// Type information whose name is a type name. name() reads the name's first character, so the
// name pointer, which follows the virtual table pointer, is checked before it is called.
bool HasTypeName(const std::type_info* info) {
  if (!IsReadableMemory(info, sizeof(std::type_info))) return false;
  const char* name = nullptr;
  std::memcpy(&name, reinterpret_cast<const uint8_t*>(info) + sizeof(void*), sizeof name);
  return IsReadableMemory(name, 1) && IsTypeName(info->name());
}

// The object's type information when it and the object are sound.
const std::type_info* SoundTypeInfo(const void* object) {
  if (!HasSoundTable(object)) return nullptr;
  const auto* table = *static_cast<const void* const* const*>(object);
  const auto* info = static_cast<const std::type_info*>(table[-1]);
  return HasSoundTable(info) && HasTypeName(info) ? info : nullptr;
}

bool NameMatches(const std::type_info& info, std::string_view wanted) {
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(info.name(), nullptr, nullptr, &status), &std::free);
  if (status != 0 || !demangled) return false;
  const std::string_view name = demangled.get();
  if (name == wanted) return true;
  // The name without its namespaces; "::" inside template arguments does not count.
  int depth = 0;
  for (size_t i = name.size(); i-- > 1;) {
    depth += name[i] == '>' ? 1 : name[i] == '<' ? -1 : 0;
    if (depth == 0 && name[i] == ':' && name[i - 1] == ':') return name.substr(i + 1) == wanted;
  }
  return false;
}

bool DescendsFrom(const std::type_info* info, std::string_view wanted, int depth) {
  constexpr int kMaxDepth = 64;
  if (!info || depth > kMaxDepth) return false;
  if (NameMatches(*info, wanted)) return true;
  auto sound = [](const std::type_info* base) {
    return base && HasSoundTable(base) && HasTypeName(base) ? base : nullptr;
  };
  if (const auto* single = dynamic_cast<const abi::__si_class_type_info*>(info)) {
    return DescendsFrom(sound(single->__base_type), wanted, depth + 1);
  }
  if (const auto* multiple = dynamic_cast<const abi::__vmi_class_type_info*>(info)) {
    for (unsigned i = 0; i < multiple->__base_count && i < 256; ++i) {
      if (DescendsFrom(sound(multiple->__base_info[i].__base_type), wanted, depth + 1)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool LoaderLockHeld() {
  const uint8_t* peb = nullptr;
  asm("movl %%fs:0x30, %0" : "=r"(peb));  // the thread block's pointer to the process block
  if (!IsReadableMemory(peb, kLoaderLockAt + sizeof(void*))) return false;
  return OwnedByThisThread(peb, kLoaderLockAt) || OwnedByThisThread(peb, kPebLockAt);
}

bool IsValidObject(const void* object) noexcept {
  try {
    return SoundTypeInfo(object) != nullptr;
  } catch (...) {
    return false;
  }
}

bool InheritsFromName(const void* object, std::string_view className) {
  return DescendsFrom(SoundTypeInfo(object), className, 0);
}

}  // namespace drosk
