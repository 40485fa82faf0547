// The code changes against a stand-in runtime package (rtl100.bpl, built with the tests), and the
// import hooks of thread creation and message loops in this test process. The library starts
// before the first test, with the package already loaded, and ends after the last.
#include "crashreport/drosk_hooks.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <thread>

#include "crashreport/drosk_except.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
#include "support/import_entry.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

constexpr const char* kShowException = "@Sysutils@ShowException$qqrp14System@TObjectpv";
constexpr const char* kInitializePackage = "@Sysutils@InitializePackage$qqrui";
constexpr const char* kLoadPackage = "@Sysutils@LoadPackage$qqrx17System@AnsiString";
constexpr const char* kIndirectEntry = "@Sysutils@IndirectEntry";

using TBytes = std::array<uint8_t, 8>;

TBytes BytesAt(const void* address) {
  TBytes bytes{};
  std::memcpy(bytes.data(), address, bytes.size());
  return bytes;
}

// What the hooked functions look like before the library starts.
struct THookedFunction {
  const char* Dll;
  const char* Name;
  void* Exported = nullptr;
  TBytes Start{};
  void* JumpTarget = nullptr;  // the pointer an indirect jump at the start goes through
  void** Import = nullptr;
  void* ImportValue = nullptr;
};
std::array<THookedFunction, 5> hooked{{{"kernel32.dll", "CreateThread", {}, {}, {}, {}, {}},
                                       {"user32.dll", "GetMessageA", {}, {}, {}, {}, {}},
                                       {"user32.dll", "PeekMessageA", {}, {}, {}, {}, {}},
                                       {"user32.dll", "GetMessageW", {}, {}, {}, {}, {}},
                                       {"user32.dll", "PeekMessageW", {}, {}, {}, {}, {}}}};

void* JumpTargetOf(const void* code) {
  const auto* bytes = static_cast<const uint8_t*>(code);
  if (bytes[0] != 0xFF || bytes[1] != 0x25) return nullptr;
  void** slot = nullptr;
  std::memcpy(&slot, bytes + 2, sizeof slot);
  return *slot;
}

void TakeSnapshot() {
  for (THookedFunction& f : hooked) {
    f.Exported = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(f.Dll), f.Name));
    f.Start = BytesAt(f.Exported);
    f.JumpTarget = JumpTargetOf(f.Exported);
    f.Import = testsupport::ImportEntry(GetModuleHandleA(nullptr), f.Dll, f.Name);
    f.ImportValue = f.Import ? *f.Import : nullptr;
  }
}

// Makes a thread do nothing but the message loop the test exercises.
void TouchMessageFunctions() {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  GetMessageA(&msg, nullptr, 0, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  GetMessageW(&msg, nullptr, 0, 0);
}

class LibraryEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    package_.reset(LoadLibraryA(testsupport::BinaryPath("rtl100.bpl").c_str()));
    ASSERT_TRUE(package_) << "the stand-in runtime package is missing";
    TouchMessageFunctions();
    TakeSnapshot();
    DroskExceptInitialization();
  }
  void TearDown() override {
    DroskExceptFinalization();
    // Every change is undone: the functions and the import entries are as they were.
    for (const THookedFunction& f : hooked) {
      EXPECT_EQ(BytesAt(f.Exported), f.Start) << f.Name;
      EXPECT_EQ(JumpTargetOf(f.Exported), f.JumpTarget) << f.Name;
      if (f.Import) {
        EXPECT_EQ(*f.Import, f.ImportValue) << f.Name;
      }
    }
    EXPECT_TRUE(PatchList().empty());
  }

 private:
  win::UniqueLibrary package_;
};
const testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new LibraryEnvironment);

TEST(ImportHooks, RedirectEveryImportOfTheFiveFunctionsAndUndoRestoresThem) {
  ASSERT_TRUE(ThreadHooksInstalled());
  for (const THookedFunction& f : hooked) {
    ASSERT_TRUE(f.Import) << f.Name;
    EXPECT_NE(*f.Import, f.ImportValue) << f.Name;
    // Callers that reach the export itself land in the hook too when it is an indirect jump.
    if (f.JumpTarget) {
      EXPECT_NE(JumpTargetOf(f.Exported), f.JumpTarget) << f.Name;
    }
  }
  TouchMessageFunctions();  // the hooks pass the calls on

  RemoveThreadHooks();
  EXPECT_FALSE(ThreadHooksInstalled());
  for (const THookedFunction& f : hooked) {
    EXPECT_EQ(*f.Import, f.ImportValue) << f.Name;
    EXPECT_EQ(JumpTargetOf(f.Exported), f.JumpTarget) << f.Name;
  }
  InstallThreadHooks();
  for (const THookedFunction& f : hooked) EXPECT_NE(*f.Import, f.ImportValue) << f.Name;
}

bool InExecutable(uint32_t address) {
  return FindModule(reinterpret_cast<void*>(address)) == GetModuleHandleA(nullptr);
}

DWORD WINAPI WaitForGo(void* event) {
  WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
  return 17;
}

TEST(ImportHooks, CreatedThreadsAreListedWithTheirCreatorUntilTheyEnd) {
  const win::UniqueHandle go(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  DWORD id = 0;
  const win::UniqueHandle thread(CreateThread(nullptr, 0, WaitForGo, go.get(), 0, &id));
  ASSERT_TRUE(thread);
  EXPECT_EQ(GetThreadId(thread.get()), id);
  const TThreadTitle listed = GetThreadTitle(id, true);
  EXPECT_TRUE(InExecutable(listed.CreationAddress));
  EXPECT_EQ(listed.CreatorThreadId, GetCurrentThreadId());
  SetEvent(go.get());
  WaitForSingleObject(thread.get(), INFINITE);
  DWORD exitCode = 0;
  GetExitCodeThread(thread.get(), &exitCode);
  EXPECT_EQ(exitCode, 17u);  // the wrapper hands the routine's result on
  EXPECT_EQ(GetThreadTitle(id, true).CreationAddress, 0u);

  // A thread of the C++ runtime is created through the runtime's own start routine, which is
  // skipped: the creating code is the test's.
  uint32_t runtimeCreation = 0;
  std::thread([&runtimeCreation] {
    runtimeCreation = GetThreadTitle(GetCurrentThreadId(), true).CreationAddress;
  }).join();
  EXPECT_TRUE(InExecutable(runtimeCreation));
}

// The package's routines and counters.
struct TPackage {
  HMODULE Module = GetModuleHandleA("rtl100.bpl");
  void* ShowException = FindRuntimeRoutine("rtl100.bpl", kShowException);
  void* InitializePackage = FindRuntimeRoutine("rtl100.bpl", kInitializePackage);
  void* LoadPackage = FindRuntimeRoutine("rtl100.bpl", kLoadPackage);
  void* IndirectEntry = FindRuntimeRoutine("rtl100.bpl", kIndirectEntry);
  volatile LONG* ShowCalls =
      static_cast<volatile LONG*>(GetProcAddressEx(Module, "probeShowExceptionCalls"));
  volatile LONG* InitCalls =
      static_cast<volatile LONG*>(GetProcAddressEx(Module, "probeInitializePackageCalls"));
};

int handlerCalls = 0;
void* handlerObject = nullptr;
using TInit = void (*)(HMODULE);
TInit hookedInit = nullptr;

void ShowExceptionHandler(void* object, void*) {
  ++handlerCalls;
  handlerObject = object;
}
int IndirectHandler(int value) { return value * 100; }
void InitializePackageHandler(HMODULE module) {
  ++handlerCalls;
  hookedInit(module);
}

DWORD Protection(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(address, &info, sizeof info);
  return info.Protect;
}

TEST(CodePatches, JumpAndCallRedirectionsReachTheHandlersAndUndoOnlyOwnBytes) {
  const TPackage p;
  ASSERT_TRUE(p.ShowException && p.InitializePackage && p.LoadPackage && p.IndirectEntry &&
              p.ShowCalls && p.InitCalls);
  EXPECT_FALSE(FindRuntimeRoutine("rtl100.bpl", "@Sysutils@Missing$qqrv"));
  EXPECT_FALSE(FindRuntimeRoutine("vcl100.bpl", kShowException));

  const TBytes showBefore = BytesAt(p.ShowException);
  const TBytes indirectBefore = BytesAt(p.IndirectEntry);
  void* const indirectTarget = JumpTargetOf(p.IndirectEntry);
  ASSERT_TRUE(indirectTarget);
  const TBytes targetBefore = BytesAt(indirectTarget);
  void* const call = FindCallIn(p.LoadPackage, 64, p.InitializePackage);
  ASSERT_TRUE(call);
  const TBytes callBefore = BytesAt(call);

  const DWORD protection = Protection(p.ShowException);
  ASSERT_TRUE(RedirectJump(p.ShowException, reinterpret_cast<void*>(ShowExceptionHandler)));
  EXPECT_EQ(Protection(p.ShowException), protection);  // writable only for the write
  ASSERT_TRUE(RedirectJump(p.IndirectEntry, reinterpret_cast<void*>(IndirectHandler)));
  hookedInit = reinterpret_cast<TInit>(
      RedirectCall(call, reinterpret_cast<void*>(InitializePackageHandler)));
  EXPECT_EQ(reinterpret_cast<void*>(hookedInit), p.InitializePackage);
  ASSERT_EQ(PatchList().size(), 3u);
  EXPECT_EQ(PatchList()[0].NewBytes.size(), 5u);
  EXPECT_EQ(PatchList()[0].NewBytes[0], 0xE9);
  EXPECT_EQ(PatchList()[2].NewBytes.size(), 4u);
  // The indirect jump stays; its target carries the jump.
  EXPECT_EQ(BytesAt(p.IndirectEntry), indirectBefore);
  EXPECT_EQ(PatchList()[1].Address, indirectTarget);
  // Writing what is already there changes nothing and is not listed.
  EXPECT_TRUE(PatchCode(p.ShowException, PatchList()[0].NewBytes));
  EXPECT_EQ(PatchList().size(), 3u);

  int object = 0;
  reinterpret_cast<void (*)(void*, void*)>(p.ShowException)(&object, nullptr);
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_EQ(handlerObject, &object);
  EXPECT_EQ(*p.ShowCalls, 0);
  EXPECT_EQ(reinterpret_cast<int (*)(int)>(p.IndirectEntry)(3), 300);
  const auto load = reinterpret_cast<HMODULE (*)(const char*)>(p.LoadPackage);
  EXPECT_EQ(load("rtl100.bpl"), p.Module);
  EXPECT_EQ(handlerCalls, 2);
  EXPECT_EQ(*p.InitCalls, 1);  // the handler called the replaced routine

  // Someone else has since changed the call: undo leaves those bytes alone.
  const std::array<uint8_t, 4> foreign{0x90, 0x90, 0x90, 0x90};
  const TBytes theirs = [&] {
    TPatch copy = PatchList()[2];
    WriteProcessMemory(GetCurrentProcess(), copy.Address, foreign.data(), foreign.size(), nullptr);
    return BytesAt(call);
  }();
  UndoPatches();
  EXPECT_TRUE(PatchList().empty());
  EXPECT_EQ(BytesAt(p.ShowException), showBefore);
  EXPECT_EQ(BytesAt(indirectTarget), targetBefore);
  EXPECT_EQ(BytesAt(call), theirs);
  WriteProcessMemory(GetCurrentProcess(), call, callBefore.data(), callBefore.size(), nullptr);
  reinterpret_cast<void (*)(void*, void*)>(p.ShowException)(&object, nullptr);
  EXPECT_EQ(*p.ShowCalls, 1);
  EXPECT_EQ(reinterpret_cast<int (*)(int)>(p.IndirectEntry)(3), 4);
  EXPECT_FALSE(RedirectCall(p.ShowException, nullptr));  // no call instruction there
}

}  // namespace
}  // namespace drosk
