// Threads, the shared thread list, modules, registry texts, import patching and the safety tests,
// in this test process with threads and modules of its own.
#include "crashreport/drosk_threads.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "crashreport/drosk_tools.h"
#include "pe_fuzz.h"

namespace drosk {
namespace {

// Threads that wait until they are let go.
class WaitingThreads {
 public:
  explicit WaitingThreads(int count) : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([this] {
        {
          std::lock_guard lock(mutex_);
          started_.push_back(GetCurrentThreadId());
        }
        WaitForSingleObject(release_.get(), INFINITE);
      });
    }
    while (Started().size() < static_cast<size_t>(count)) Sleep(1);
  }
  ~WaitingThreads() { Release(); }
  std::vector<DWORD> Started() {
    std::lock_guard lock(mutex_);
    return started_;
  }
  void Release() {
    SetEvent(release_.get());
    for (std::thread& t : threads_) {
      if (t.joinable()) t.join();
    }
  }

 private:
  win::UniqueHandle release_;
  std::mutex mutex_;
  std::vector<DWORD> started_;
  std::vector<std::thread> threads_;
};

std::set<DWORD> AsSet(const TDACardinal& ids) { return {ids.begin(), ids.end()}; }

TEST(DroskThreads, ListsTheProcesssThreadsAsToolhelpDoes) {
  WaitingThreads waiting(3);
  const std::set<DWORD> threads = AsSet(EnumThreads());
  EXPECT_EQ(threads, AsSet(EnumThreadsToolhelp()));
  const std::vector<DWORD> started = waiting.Started();
  for (DWORD id : started) EXPECT_TRUE(threads.count(id)) << id;
  EXPECT_TRUE(threads.count(GetCurrentThreadId()));
  const win::UniqueHandle handle = OpenThreadEx(started[0], THREAD_QUERY_INFORMATION);
  EXPECT_EQ(GetThreadId(handle.get()), started[0]);
  waiting.Release();
  const std::set<DWORD> after = AsSet(EnumThreads());
  for (DWORD id : started) EXPECT_FALSE(after.count(id)) << id;
}

// The list as other copies of the library see it: the block's layout is shared.
struct SharedNode {
  DWORD threadId;
  char* title;
  SharedNode* next;
};
struct SharedBlock {
  HANDLE generalMutex, listMutex;
  SharedNode* head;
  LONG useCount;
  HANDLE section;
};

// The title, the creator and the creation address of a thread as the list gives them.
std::string Listed(DWORD id, bool hidden = false) {
  const TThreadTitle t = GetThreadTitle(id, hidden);
  char text[128];
  std::snprintf(text, sizeof text, "%s %lx %x", t.Title.c_str(), t.CreatorThreadId,
                t.CreationAddress);
  return text;
}

// The made-up thread ids are not multiples of four, so no real thread of a long run has them.
TEST(DroskThreads, NamesThreadsThroughTheSharedList) {
  EXPECT_EQ(Listed(0x1A1), "thread $1a1 0 0") << "no list: every thread unnamed";
  ASSERT_TRUE(OpenThreadList());
  char name[64];
  std::snprintf(name, sizeof name, "droskExceptThreadNameBuf$%lx", GetCurrentProcessId());
  const win::UniqueHandle section(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
  ASSERT_TRUE(section) << name;
  auto* block =
      static_cast<SharedBlock*>(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 20));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->useCount, 1);

  // Named, with a creator, hidden ("-"); an update keeps what it does not give; a call without
  // title and address removes the node.
  HANDLE self = GetCurrentThread();  // duplicated into a real handle by the list
  SetThreadInfo(0x1A1, self, "main thread", 0, 0, "");
  SetThreadInfo(0x1A5, self, "", 0x1A1, 0x401000, "worker pool");
  SetThreadInfo(0x1A6, self, "-", 0, 0, "");
  std::string titles =
      Listed(0x1A1) + "|" + Listed(0x1A5) + "|" + Listed(0x1A6) + "|" + Listed(0x1A6, true) + "|";
  SetThreadName(0x1A5, "pool");
  titles += Listed(0x1A5) + "|";
  SetThreadInfo(0x1A5, nullptr, "", 0, 0, "");
  titles += Listed(0x1A5) + "|";
  // A node of an older copy of the library has three fields only; its title is kept.
  auto* old = static_cast<SharedNode*>(LocalAlloc(LPTR, sizeof(SharedNode)));
  old->threadId = 0x2B1;
  old->title = static_cast<char*>(LocalAlloc(LPTR, 4));
  std::strcpy(old->title, "old");
  WaitForSingleObject(block->listMutex, INFINITE);
  old->next = block->head;
  block->head = old;
  ReleaseMutex(block->listMutex);
  titles += Listed(0x2B1) + "|";
  SetThreadInfo(0x2B1, self, "", 0, 0x402000, "");
  titles += Listed(0x2B1) + "|";
  // No handle: no node.
  SetThreadName(0xFFFFFFF0, "no such thread");
  titles += Listed(0xFFFFFFF0);
  EXPECT_EQ(titles,
            "main thread ($1a1) 0 0|thread $1a5 (worker pool) 1a1 401000| 0 0|thread $1a6 0 0|"
            "pool ($1a5) 1a1 401000|thread $1a5 0 0|old ($2b1) 0 0|old ($2b1) 0 402000|"
            "thread $fffffff0 0 0");

  // A thread that ended leaves the list at the next change.
  DWORD shortLived = 0;
  {
    WaitingThreads one(1);
    shortLived = one.Started()[0];
    SetThreadName(shortLived, "short");
    EXPECT_TRUE(Listed(shortLived).starts_with("short"));
  }
  SetThreadName(0x1A1, "main thread");
  EXPECT_TRUE(Listed(shortLived).starts_with("thread "));

  // Holding the list mutex elsewhere makes a reader fall back to the plain title.
  std::atomic<bool> held = false, done = false;
  std::thread holder([&] {
    WaitForSingleObject(block->listMutex, INFINITE);
    held = true;
    while (!done) Sleep(1);
    ReleaseMutex(block->listMutex);
  });
  while (!held) Sleep(1);
  EXPECT_EQ(Listed(0x1A1), "thread $1a1 0 0");
  done = true;
  holder.join();
  UnmapViewOfFile(block);
  CloseThreadList();
  EXPECT_EQ(Listed(0x1A1), "thread $1a1 0 0");
}

TEST(DroskThreads, ListsModulesAsToolhelpDoes) {
  const win::UniqueLibrary probe(LoadLibraryA("drosk_export_probe.dll"));
  ASSERT_TRUE(probe);
  const TDAModule modules = EnumModules(true);
  EXPECT_TRUE(std::is_sorted(modules.begin(), modules.end(),
                             [](const auto& a, const auto& b) { return a.Handle < b.Handle; }));
  std::set<HMODULE> toolhelp, listed;
  const win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
       more = Module32NextW(snapshot.get(), &entry)) {
    toolhelp.insert(entry.hModule);
  }
  for (const TModuleEntry& m : modules) listed.insert(m.Handle);
  EXPECT_EQ(listed, toolhelp);
  // Name, folder and version (its dots) of the executable, a system library and the probe.
  std::string seen;
  for (HMODULE handle :
       {GetModuleHandleA(nullptr), GetModuleHandleA("kernel32.dll"), probe.get()}) {
    const auto m = std::find_if(modules.begin(), modules.end(),
                                [&](const TModuleEntry& e) { return e.Handle == handle; });
    ASSERT_NE(m, modules.end());
    EXPECT_EQ(m->Directory + "\\" + m->FileName, ModuleFileName(handle));
    seen += m->FileName + " " +
            std::to_string(std::count(m->Version.begin(), m->Version.end(), '.')) + "|";
  }
  EXPECT_EQ(seen, "crashreport_tests.exe 0|kernel32.dll 3|drosk_export_probe.dll 0|");
  const TDAModule plain = EnumModules(false);
  EXPECT_EQ(plain.size(), modules.size());
  EXPECT_EQ(plain[0].Version, "");
}

TEST(DroskThreads, SplitsPathsAndReadsRegistryTexts) {
  EXPECT_EQ(FileNameOnly("C:\\dir\\sub\\file.txt") + "|" + FilePathOnly("C:\\dir\\sub\\file.txt") +
                "|" + FileNameOnly("file.txt") + "|" + FilePathOnly("file.txt"),
            "file.txt|C:\\dir\\sub\\|file.txt|");
  const char* kKey = "Software\\droskThreadsTest";
  win::UniqueKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            key.put(), nullptr),
            ERROR_SUCCESS);
  const char text[] = "Name\0Tail";
  RegSetValueExA(key.get(), "text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  const BYTE raw[] = {'a', 0, 'b', 0xFF};
  RegSetValueExA(key.get(), "raw", 0, REG_BINARY, raw, sizeof raw);
  std::string read;
  for (const auto& [path, value] : {std::pair{kKey, "text"},
                                    {kKey, "raw"},
                                    {kKey, "missing"},
                                    {"Software\\droskNoSuchKey", "text"}}) {
    read += RegReadString(HKEY_CURRENT_USER, path, value) + "|";
  }
  EXPECT_EQ(read, std::string("Name|a\0b\xFF|||", 12));
  key.reset();
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

DWORD WINAPI FixedTicks() { return 12345; }

const void* RealTicks() {
  return reinterpret_cast<const void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "GetTickCount"));
}

TEST(DroskThreads, RedirectsImportsAndPutsThemBack) {
  const win::UniqueLibrary probe(LoadLibraryA("drosk_export_probe.dll"));
  const auto ticks = reinterpret_cast<DWORD (*)()>(GetProcAddress(probe.get(), "ProbeTicks"));
  ASSERT_NE(ticks, nullptr);
  const auto fixed = reinterpret_cast<const void*>(&FixedTicks);
  PatchImports(EnumModules(false), RealTicks(), fixed);
  EXPECT_EQ(ticks(), 12345u);
  PatchModuleImports(probe.get(), fixed, RealTicks());
  EXPECT_NE(ticks(), 12345u);
  PatchImports(EnumModules(false), fixed, RealTicks());
}

// The import descriptors of a copy of the probe's image, to damage.
IMAGE_IMPORT_DESCRIPTOR* Imports(const fuzz::GuardedCopy& copy) {
  return static_cast<IMAGE_IMPORT_DESCRIPTOR*>(
      const_cast<void*>(GetImageDirectory(copy.Module(), 1)));
}

TEST(DroskThreads, PatchesOnlySoundImportTables) {
  const win::UniqueLibrary probe(LoadLibraryA("drosk_export_probe.dll"));
  ASSERT_TRUE(probe);
  const void* other = &probe;
  fuzz::GuardedCopy copy(probe.get());
  const std::string before = copy.Bytes();
  PatchModuleImports(copy.Module(), RealTicks(), other);
  const std::string after = copy.Bytes();
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_TRUE(changed >= 1 && changed <= 4) << changed << " bytes, not one table entry";

  // A first descriptor whose table lies outside the image ends the walk: an import of the last
  // descriptor is then left alone.
  const IMAGE_IMPORT_DESCRIPTOR* descriptors = Imports(copy);
  ASSERT_NE(descriptors, nullptr);
  size_t count = 0;
  while (descriptors[count].Name != 0) ++count;
  ASSERT_GE(count, 2u);
  const void* last = *reinterpret_cast<const void* const*>(
      reinterpret_cast<const uint8_t*>(copy.Module()) + descriptors[count - 1].FirstThunk);
  for (DWORD table : {DWORD{copy.Size()}, DWORD{0}}) {
    fuzz::GuardedCopy damaged(probe.get());
    Imports(damaged)->FirstThunk = table;
    const std::string unpatched = damaged.Bytes();
    PatchModuleImports(damaged.Module(), last, other);
    EXPECT_EQ(damaged.Bytes(), unpatched) << table;
  }
  PatchModuleImports(copy.Module(), last, other);
  EXPECT_NE(copy.Bytes(), after);

  // An NT signature that is not a PE image's: no answers.
  fuzz::GuardedCopy headers(probe.get());
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(headers.Module());
  ASSERT_NE(GetImageNtHeaders(headers.Module()), nullptr);
  reinterpret_cast<IMAGE_NT_HEADERS32*>(reinterpret_cast<uint8_t*>(dos) + dos->e_lfanew)
      ->Signature ^= 1;
  EXPECT_EQ(GetImageNtHeaders(headers.Module()), nullptr);
  EXPECT_EQ(GetProcAddressEx(headers.Module(), "ProbeTwice"), nullptr);
}

TEST(DroskThreads, TellsWhetherThisThreadHoldsTheLoaderLock) {
  EXPECT_FALSE(LoaderLockHeld());
  const win::UniqueLibrary probe(LoadLibraryA("drosk_attach_probe.dll"));
  const auto heldAtAttach =
      reinterpret_cast<int (*)()>(GetProcAddress(probe.get(), "LoaderLockHeldAtAttach"));
  ASSERT_NE(heldAtAttach, nullptr);
  EXPECT_EQ(heldAtAttach(), 1);
  EXPECT_FALSE(LoaderLockHeld());
}

struct Left {
  virtual ~Left() = default;
  int left = 1;
};
struct Right {
  virtual ~Right() = default;
  int right = 2;
};
struct Pair : Left, Right {};  // an "a": the type-name test must take every letter
struct Plain {
  const char* text;
};

TEST(DroskThreads, TellsSoundObjectsAndTheirAncestors) {
  const DroskException library("x");
  const std::runtime_error standard("y");
  const Pair both;
  const Plain literal{"a literal in read-only data"};
  const std::string heap(64, 'A');
  const void* writableTable[4] = {};
  const void* pointsAtWritable = &writableTable[2];
  std::string valid;
  for (const void* object : {(const void*)&library, (const void*)&standard, (const void*)&both,
                             (const void*)static_cast<const Right*>(&both), (const void*)&literal,
                             (const void*)heap.data(), (const void*)&pointsAtWritable,
                             (const void*)nullptr, (const void*)16}) {
    valid += IsValidObject(object) ? "+" : "-";
  }
  EXPECT_EQ(valid, "++++-----");
  // Letter case counts; a name must be the whole class name, with or without its namespace.
  std::string inherits;
  for (const auto& [object, name] :
       {std::pair<const void*, const char*>{&library, "DroskException"},
        {&library, "drosk::DroskException"},
        {&library, "runtime_error"},
        {&library, "std::runtime_error"},
        {&library, "exception"},
        {&library, "droskexception"},
        {&library, "Exception"},
        {&standard, "DroskException"},
        {&both, "Right"},
        {&both, "drosk::(anonymous namespace)::Left"},
        {&literal, "Plain"},
        {nullptr, "Pair"}}) {
    inherits += InheritsFromName(object, name) ? "+" : "-";
  }
  EXPECT_EQ(inherits, "+++++---++--");
}

}  // namespace
}  // namespace drosk
