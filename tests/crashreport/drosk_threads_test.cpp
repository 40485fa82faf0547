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
  EXPECT_TRUE(threads.count(GetCurrentThreadId()));
  const std::vector<DWORD> started = waiting.Started();
  for (DWORD id : started) EXPECT_TRUE(threads.count(id)) << id;

  const win::UniqueHandle handle = OpenThreadEx(started[0], THREAD_QUERY_INFORMATION);
  ASSERT_TRUE(handle);
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

std::string BlockName() {
  char name[64];
  std::snprintf(name, sizeof name, "droskExceptThreadNameBuf$%lx", GetCurrentProcessId());
  return name;
}

// The made-up thread ids are not multiples of four, so no real thread of a long run has them.
TEST(DroskThreads, NamesThreadsThroughTheSharedList) {
  EXPECT_EQ(GetThreadTitle(0x1A1, false).Title, "thread $1a1") << "no list: every thread unnamed";
  ASSERT_TRUE(OpenThreadList());
  const win::UniqueHandle section(
      OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, BlockName().c_str()));
  ASSERT_TRUE(section) << BlockName();
  auto* block =
      static_cast<SharedBlock*>(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 20));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->useCount, 1);

  HANDLE self = GetCurrentThread();  // duplicated into a real handle by the list
  SetThreadInfo(0x1A1, self, "main thread", 0, 0, "");
  EXPECT_EQ(GetThreadTitle(0x1A1, false).Title, "main thread ($1a1)");
  SetThreadInfo(0x1A5, self, "", 0x1A1, 0x401000, "worker pool");
  TThreadTitle worker = GetThreadTitle(0x1A5, false);
  EXPECT_EQ(worker.Title, "thread $1a5 (worker pool)");
  EXPECT_EQ(worker.CreationAddress, 0x401000u);
  EXPECT_EQ(worker.CreatorThreadId, 0x1A1u);
  SetThreadInfo(0x1A6, self, "-", 0, 0, "");
  EXPECT_EQ(GetThreadTitle(0x1A6, false).Title, "") << "hidden";
  EXPECT_EQ(GetThreadTitle(0x1A6, true).Title, "thread $1a6");

  // An update keeps what it does not give; a call without title and address removes the node.
  SetThreadName(0x1A5, "pool");
  worker = GetThreadTitle(0x1A5, false);
  EXPECT_EQ(worker.Title, "pool ($1a5)");
  EXPECT_EQ(worker.CreationAddress, 0x401000u);
  SetThreadInfo(0x1A5, nullptr, "", 0, 0, "");
  EXPECT_EQ(GetThreadTitle(0x1A5, false).Title, "thread $1a5");
  EXPECT_EQ(GetThreadTitle(0x1A5, false).CreationAddress, 0u);

  // A node of an older copy of the library: three fields only.
  auto* old = static_cast<SharedNode*>(LocalAlloc(LPTR, sizeof(SharedNode)));
  old->threadId = 0x2B1;
  old->title = static_cast<char*>(LocalAlloc(LPTR, 4));
  std::strcpy(old->title, "old");
  WaitForSingleObject(block->listMutex, INFINITE);
  old->next = block->head;
  block->head = old;
  ReleaseMutex(block->listMutex);
  EXPECT_EQ(GetThreadTitle(0x2B1, false).Title, "old ($2b1)");
  SetThreadInfo(0x2B1, self, "", 0, 0x402000, "");
  EXPECT_EQ(GetThreadTitle(0x2B1, false).Title, "old ($2b1)") << "the old node's title is kept";
  EXPECT_EQ(GetThreadTitle(0x2B1, false).CreationAddress, 0x402000u);

  // A thread that ended leaves the list at the next change.
  DWORD shortLived = 0;
  {
    WaitingThreads one(1);
    shortLived = one.Started()[0];
    SetThreadName(shortLived, "short");
    EXPECT_EQ(GetThreadTitle(shortLived, false).Title.substr(0, 5), "short");
  }
  SetThreadName(0x1A1, "main thread");
  EXPECT_EQ(GetThreadTitle(shortLived, false).Title.substr(0, 7), "thread ");
  SetThreadName(0xFFFFFFF0, "no such thread");
  EXPECT_EQ(GetThreadTitle(0xFFFFFFF0, false).Title, "thread $fffffff0") << "no handle: no node";

  // Holding the list mutex elsewhere makes a reader fall back to the plain title.
  std::atomic<bool> held = false, done = false;
  std::thread holder([&] {
    WaitForSingleObject(block->listMutex, INFINITE);
    held = true;
    while (!done) Sleep(1);
    ReleaseMutex(block->listMutex);
  });
  while (!held) Sleep(1);
  EXPECT_EQ(GetThreadTitle(0x1A1, false).Title, "thread $1a1");
  done = true;
  holder.join();

  UnmapViewOfFile(block);
  CloseThreadList();
  EXPECT_EQ(GetThreadTitle(0x1A1, false).Title, "thread $1a1");
}

TEST(DroskThreads, ListsModulesAsToolhelpDoes) {
  const win::UniqueLibrary probe(LoadLibraryA("drosk_export_probe.dll"));
  ASSERT_TRUE(probe);
  const TDAModule modules = EnumModules(true);
  ASSERT_FALSE(modules.empty());
  EXPECT_TRUE(std::is_sorted(modules.begin(), modules.end(),
                             [](const auto& a, const auto& b) { return a.Handle < b.Handle; }));

  std::set<HMODULE> toolhelp;
  const win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
       more = Module32NextW(snapshot.get(), &entry)) {
    toolhelp.insert(entry.hModule);
  }
  std::set<HMODULE> listed;
  for (const TModuleEntry& m : modules) listed.insert(m.Handle);
  EXPECT_EQ(listed, toolhelp);

  auto find = [&](HMODULE handle) {
    return *std::find_if(modules.begin(), modules.end(),
                         [&](const TModuleEntry& m) { return m.Handle == handle; });
  };
  const TModuleEntry exe = find(GetModuleHandleA(nullptr));
  EXPECT_EQ(exe.FileName, "crashreport_tests.exe");
  EXPECT_FALSE(exe.Directory.empty());
  EXPECT_NE(exe.Directory.back(), '\\');
  EXPECT_EQ(exe.Directory + "\\" + exe.FileName, ModuleFileName(GetModuleHandleA(nullptr)));
  const TModuleEntry kernel = find(GetModuleHandleA("kernel32.dll"));
  EXPECT_EQ(std::count(kernel.Version.begin(), kernel.Version.end(), '.'), 3) << kernel.Version;
  EXPECT_EQ(find(probe.get()).Version, "");
  EXPECT_EQ(find(probe.get()).FileName, "drosk_export_probe.dll");
  EXPECT_EQ(EnumModules(false).size(), modules.size());
  EXPECT_EQ(EnumModules(false)[0].Version, "");
}

TEST(DroskThreads, SplitsPathsAndReadsNamesAndRegistryTexts) {
  EXPECT_EQ(FileNameOnly("C:\\dir\\sub\\file.txt"), "file.txt");
  EXPECT_EQ(FilePathOnly("C:\\dir\\sub\\file.txt"), "C:\\dir\\sub\\");
  EXPECT_EQ(FileNameOnly("file.txt"), "file.txt");
  EXPECT_EQ(FilePathOnly("file.txt"), "");
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(ComputerName(), name);

  const char* kKey = "Software\\droskThreadsTest";
  win::UniqueKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            key.put(), nullptr),
            ERROR_SUCCESS);
  const char text[] = "Name\0Tail";
  RegSetValueExA(key.get(), "text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  const BYTE raw[] = {'a', 0, 'b', 0xFF};
  RegSetValueExA(key.get(), "raw", 0, REG_BINARY, raw, sizeof raw);
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, "text"), "Name");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, "raw"), std::string("a\0b\xFF", 4));
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, "missing"), "");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "Software\\droskNoSuchKey", "text"), "");
  key.reset();
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

DWORD WINAPI FixedTicks() { return 12345; }

TEST(DroskThreads, RedirectsImportsAndPutsThemBack) {
  const win::UniqueLibrary probe(LoadLibraryA("drosk_export_probe.dll"));
  ASSERT_TRUE(probe);
  const auto ticks = reinterpret_cast<DWORD (*)()>(GetProcAddress(probe.get(), "ProbeTicks"));
  ASSERT_NE(ticks, nullptr);
  const void* real =
      reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleA("kernel32"), "GetTickCount"));
  PatchImports(EnumModules(false), real, reinterpret_cast<const void*>(&FixedTicks));
  EXPECT_EQ(ticks(), 12345u);
  PatchModuleImports(probe.get(), reinterpret_cast<const void*>(&FixedTicks), real);
  EXPECT_NE(ticks(), 12345u);
  PatchImports(EnumModules(false), reinterpret_cast<const void*>(&FixedTicks), real);
}

// A copy of the probe's image in memory of its own, to damage.
class ImageCopy {
 public:
  explicit ImageCopy(HMODULE module)
      : size_(GetImageNtHeaders(module)->OptionalHeader.SizeOfImage),
        base_(static_cast<uint8_t*>(VirtualAlloc(nullptr, size_, MEM_COMMIT, PAGE_READWRITE))) {
    std::memcpy(base_, module, size_);
  }
  ~ImageCopy() { VirtualFree(base_, 0, MEM_RELEASE); }
  HMODULE Module() const { return reinterpret_cast<HMODULE>(base_); }
  std::string Bytes() const { return std::string(reinterpret_cast<char*>(base_), size_); }
  uint32_t Size() const { return size_; }

 private:
  uint32_t size_;
  uint8_t* base_;
};

TEST(DroskThreads, PatchesOnlySoundImportTables) {
  const win::UniqueLibrary probe(LoadLibraryA("drosk_export_probe.dll"));
  ASSERT_TRUE(probe);
  const void* real =
      reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleA("kernel32"), "GetTickCount"));
  const void* other = &real;
  ImageCopy copy(probe.get());
  const std::string before = copy.Bytes();
  PatchModuleImports(copy.Module(), real, other);
  const std::string after = copy.Bytes();
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_GE(changed, 1u);
  EXPECT_LE(changed, 4u) << "one table entry";

  // A first descriptor whose table lies outside the image ends the walk: an import of the last
  // descriptor is then left alone.
  auto* descriptors =
      static_cast<IMAGE_IMPORT_DESCRIPTOR*>(const_cast<void*>(GetImageDirectory(copy.Module(), 1)));
  ASSERT_NE(descriptors, nullptr);
  size_t count = 0;
  while (descriptors[count].Name != 0) ++count;
  ASSERT_GE(count, 2u);
  const auto* base = reinterpret_cast<const uint8_t*>(copy.Module());
  const void* last =
      *reinterpret_cast<const void* const*>(base + descriptors[count - 1].FirstThunk);
  for (DWORD table : {DWORD{copy.Size()}, DWORD{0}}) {
    SCOPED_TRACE(table);
    ImageCopy damaged(probe.get());
    auto* first = static_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        const_cast<void*>(GetImageDirectory(damaged.Module(), 1)));
    first->FirstThunk = table;
    const std::string unpatched = damaged.Bytes();
    PatchModuleImports(damaged.Module(), last, other);
    EXPECT_EQ(damaged.Bytes(), unpatched);
  }
  const std::string sound = copy.Bytes();
  PatchModuleImports(copy.Module(), last, other);
  EXPECT_NE(copy.Bytes(), sound);

  // Headers that are not a PE image's: no answers.
  ImageCopy headers(probe.get());
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(headers.Module());
  ASSERT_NE(GetImageNtHeaders(headers.Module()), nullptr);
  dos->e_magic = 0x5A4E;
  EXPECT_EQ(GetImageNtHeaders(headers.Module()), nullptr);
  dos->e_magic = IMAGE_DOS_SIGNATURE;
  reinterpret_cast<IMAGE_NT_HEADERS32*>(reinterpret_cast<uint8_t*>(dos) + dos->e_lfanew)
      ->Signature ^= 1;
  EXPECT_EQ(GetImageNtHeaders(headers.Module()), nullptr);
  EXPECT_EQ(GetProcAddressEx(headers.Module(), "ProbeTwice"), nullptr);
}

TEST(DroskThreads, TellsWhetherThisThreadHoldsTheLoaderLock) {
  EXPECT_FALSE(LoaderLockHeld());
  const win::UniqueLibrary probe(LoadLibraryA("drosk_attach_probe.dll"));
  ASSERT_TRUE(probe);
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
  EXPECT_TRUE(IsValidObject(&library));
  EXPECT_TRUE(IsValidObject(&standard));
  EXPECT_TRUE(IsValidObject(&both));
  EXPECT_TRUE(IsValidObject(static_cast<const Right*>(&both)));

  const Plain literal{"a literal in read-only data"};
  const std::string heap(64, 'A');
  const void* writableTable[4] = {};
  const void* pointsAtWritable = &writableTable[2];
  EXPECT_FALSE(IsValidObject(&literal));
  EXPECT_FALSE(IsValidObject(heap.data()));
  EXPECT_FALSE(IsValidObject(&pointsAtWritable));
  EXPECT_FALSE(IsValidObject(nullptr));
  EXPECT_FALSE(IsValidObject(reinterpret_cast<const void*>(16)));

  for (const char* name : {"DroskException", "drosk::DroskException", "runtime_error",
                           "std::runtime_error", "exception"}) {
    EXPECT_TRUE(InheritsFromName(&library, name)) << name;
  }
  EXPECT_FALSE(InheritsFromName(&library, "droskexception")) << "letter case counts";
  EXPECT_FALSE(InheritsFromName(&library, "Exception"));
  EXPECT_FALSE(InheritsFromName(&standard, "DroskException"));
  EXPECT_TRUE(InheritsFromName(&both, "Right"));
  EXPECT_TRUE(InheritsFromName(&both, "drosk::(anonymous namespace)::Left"));
  EXPECT_FALSE(InheritsFromName(&literal, "Plain"));
  EXPECT_FALSE(InheritsFromName(nullptr, "Pair"));
}

}  // namespace
}  // namespace drosk
