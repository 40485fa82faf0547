// The system helpers: Windows version, message-handler windows, the method thunk, file versions
// and the PE readers on our own probe DLL.
#include "crashreport/drosk_tools.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>

#include "crashreport/drosk_types.h"
#include "framework/win/handles.h"
#include "pe_fuzz.h"

namespace drosk {
namespace {

struct OSCase {
  uint32_t platform, major, minor, build;
  const char* servicePack;
  uint8_t version;
  uint32_t servicePackNumber;
  const char* description;
};

constexpr OSCase kOSCases[] = {
    {VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 2", osWinXP, 2, "Windows XP Service Pack 2"},
    {VER_PLATFORM_WIN32_NT, 5, 0, 2195, "", osWin2000, 0, "Windows 2000"},
    {VER_PLATFORM_WIN32_NT, 5, 2, 3790, "Service Pack 12", osWin2003, 12,
     "Windows 2003 Service Pack 12"},
    {VER_PLATFORM_WIN32_NT, 5, 3, 1, "SP3", osWinNTNew, 0, "Windows NT New SP3"},
    {VER_PLATFORM_WIN32_NT, 4, 0, 1381, "", osWinNT4, 0, "Windows NT 4"},
    {VER_PLATFORM_WIN32_NT, 3, 51, 1057, "", osWinNT3, 0, "Windows NT 3"},
    {VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Service Pack 1", osWinNTNew, 1,
     "Windows NT New Service Pack 1"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, " A ", osWin98SE, 0, "Windows 98 SE"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2000, "", osWin98, 0, "Windows 98"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2701, "", osWinME, 0, "Windows ME"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, "", osWinME, 0, "Windows ME"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 91, 3000, "", osWin9xNew, 0, "Windows 9x New"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1000, "", osWin95, 0, "Windows 95"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 3, 1001, "", osWin95OSR2, 0, "Windows 95 OSR-2"},
    {VER_PLATFORM_WIN32_WINDOWS, 5, 0, 1, "", osWin9xNew, 0, "Windows 9x New"},
    {VER_PLATFORM_WIN32_WINDOWS, 3, 0, 1, "", osNone, 0, "None"},
    {VER_PLATFORM_WIN32s, 3, 1, 1, "", osNone, 0, "None"},
};

TEST(DroskTools, ClassifiesWindowsVersions) {
  for (const OSCase& c : kOSCases) {
    const TOS os = ClassifyOS(c.platform, c.major, c.minor, c.build, c.servicePack);
    const bool nt = c.platform == VER_PLATFORM_WIN32_NT,
               w9x = c.platform == VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_EQ(std::tuple(os.Version, os.ServicePack, os.Description, os.Is9x, os.IsNT, os.Version9x,
                         os.VersionNT),
              std::tuple(c.version, c.servicePackNumber, std::string(c.description), w9x, nt,
                         w9x ? c.version : uint8_t{osNone}, nt ? c.version : uint8_t{osNone}))
        << c.description;
  }
  EXPECT_EQ(ClassifyOS(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, "").Build, 2222u);
  EXPECT_EQ(
      std::string(OSVersionName(osWinNTNew)) + "|" + std::string(OSVersionName(osWinNTNew + 1)),
      "Windows NT New|None");
  const TOS running = GetOS();
  EXPECT_TRUE(running.IsNT && running.Version >= osWin2000);
  EXPECT_TRUE(running.Description.starts_with(std::string(OSVersionName(running.Version))));
}

// Records what the handlers see.
struct HandlerLog {
  std::string calls;
  void* object = nullptr;
};
HandlerLog handlerLog;

void FirstHandler(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  handlerLog.calls += "first(" + std::to_string(message) + "," + std::to_string(result) + ")";
  result = static_cast<LRESULT>(wParam) + 1;
}

void MethodHandler(void* object, HWND, UINT, WPARAM, LPARAM, LRESULT& result) {
  handlerLog.object = object;
  handlerLog.calls += "method(" + std::to_string(result) + ")";
  result *= 10;
}

void ThrowingHandler(HWND, UINT, WPARAM, LPARAM, LRESULT&) { throw std::runtime_error("boom"); }

TEST(MsgHandlers, NumbersHandlersAndCallsThemInOrder) {
  handlerLog = {};
  int owner = 0;
  EXPECT_EQ(AddMsgHandler(FirstHandler), 1024u);
  EXPECT_EQ(AddMsgHandler(MethodHandler, &owner), 1025u);
  HWND window = MsgHandlerWindow();
  ASSERT_NE(window, nullptr);
  char className[80] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_TRUE(std::string(className).starts_with("droskToolsMsgHandlerWindow$")) << className;
  EXPECT_EQ(MsgHandlerWindow(GetCurrentThreadId()), window);

  // One procedure and one method on the same number: list order, each sees the last result.
  EXPECT_EQ(AddMsgHandler(MethodHandler, &owner, 1024), 1024u);
  EXPECT_EQ(AddMsgHandler(MethodHandler, &owner, 1024), 0u) << "the same handler twice";
  EXPECT_EQ(SendMessageA(window, 1024, 4, 0), 50);
  EXPECT_EQ(handlerLog.calls, "first(1024,0)method(5)");
  EXPECT_EQ(handlerLog.object, &owner);

  // A handler that throws does not take the window procedure down.
  EXPECT_EQ(AddMsgHandler(ThrowingHandler), 1026u);
  EXPECT_EQ(SendMessageA(window, 1026, 0, 0), 0);
  EXPECT_TRUE(IsWindow(window));

  // Messages below 0x218 reach handlers only when they are of the listed system kinds (the
  // window closes at the last, WM_CLOSE).
  std::string reached;
  for (UINT message :
       {17u, 18u, 19u, 20u, 21u, 22u,  23u,  24u,  25u,    26u,    27u,    28u,         29u,
        30u, 31u, 41u, 42u, 43u, 64u,  65u,  66u,  71u,    72u,    73u,    79u,         80u,
        81u, 82u, 83u, 84u, 85u, 125u, 126u, 127u, 0x200u, 0x217u, 0x218u, 0x80000001u, 16u}) {
    EXPECT_EQ(AddMsgHandler(FirstHandler, message), message);
    handlerLog = {};
    if (SendMessageA(window, message, 7, 0) == 8 &&
        handlerLog.calls.starts_with("first(" + std::to_string(message) + ",")) {
      reached += std::to_string(message) + " ";
    }
  }
  EXPECT_EQ(reached, "17 18 21 22 23 26 27 28 29 30 42 65 72 80 81 84 126 536 2147483649 ");

  DelMsgHandler(ThrowingHandler, 0);
  DelMsgHandler(MethodHandler, &owner, 0);
  EXPECT_EQ(AddMsgHandler(ThrowingHandler), 1025u) << "freed numbers are given again";
  DelMsgHandler(ThrowingHandler, 0);
  DelMsgHandler(FirstHandler, 0);
  EXPECT_FALSE(IsWindow(window)) << "the last handler's removal destroys the window";
}

TEST(MsgHandlers, RemovingTheLastHandlerFromAnotherThreadClosesItsWindow) {
  std::atomic<HWND> window = nullptr;
  std::atomic<bool> closed = false;
  std::atomic<DWORD> thread = 0;
  std::atomic<bool> gaveUp = false;
  std::thread owner([&] {
    thread = GetCurrentThreadId();
    window = MsgHandlerWindow();  // made on asking, before any handler
    gaveUp = !window;
    if (!window) return;
    AddMsgHandler(FirstHandler);
    MSG msg;
    while (IsWindow(window) && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    closed = !IsWindow(window);
  });
  while (!window && !gaveUp) Sleep(1);
  if (!window) owner.join();
  ASSERT_NE(window.load(), nullptr);
  EXPECT_EQ(MsgHandlerWindow(thread), window.load());
  EXPECT_EQ(AddMsgHandler(FirstHandler, 0, thread), 1025u) << "added to the other thread's list";
  DelMsgHandler(FirstHandler, 0, thread);
  PostThreadMessageA(thread, WM_NULL, 0, 0);  // wakes the loop in case the close came first
  owner.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(MsgHandlerWindow(thread), nullptr) << "no window is made for another thread";
}

TEST(MsgHandlers, EndingTheRegistryDestroysThisThreadsWindowAndStartsAfresh) {
  EXPECT_EQ(AddMsgHandler(FirstHandler), 1024u);
  HWND window = MsgHandlerWindow();
  EndMsgHandlers();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(AddMsgHandler(FirstHandler), 1024u) << "an empty registry, a new window class";
  window = MsgHandlerWindow();
  handlerLog = {};
  EXPECT_EQ(SendMessageA(window, 1024, 1, 0), 2);
  DelMsgHandler(FirstHandler, 0);
  EXPECT_FALSE(IsWindow(window));
}

int32_t __stdcall ThunkTarget(void* object, int32_t a, int32_t b) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(object)) * 1000 + a * 10 + b;
}

LRESULT __stdcall WindowMethod(void* object, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
  if (message == WM_APP) return reinterpret_cast<LRESULT>(object) + static_cast<LRESULT>(wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(MethodProcedure, PutsTheObjectInFrontOfTheCallersArguments) {
  const TMethodProcedure entry(reinterpret_cast<void*>(7), reinterpret_cast<void*>(&ThunkTarget));
  const auto call = reinterpret_cast<int32_t(__stdcall*)(int32_t, int32_t)>(entry.Entry());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(call(4, 2), 7042);  // a wrong pop would break the stack

  // As a window procedure, the way the library uses it.
  const TMethodProcedure procedure(reinterpret_cast<void*>(500),
                                   reinterpret_cast<void*>(&WindowMethod));
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = reinterpret_cast<WNDPROC>(procedure.Entry());
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "droskThunkTestWindow";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  win::UniqueWindow window(CreateWindowExA(0, "droskThunkTestWindow", "", WS_POPUP, 0, 0, 0, 0,
                                           nullptr, nullptr, windowClass.hInstance, nullptr));
  ASSERT_TRUE(window);
  EXPECT_EQ(SendMessageA(window.get(), WM_APP, 9, 0), 509);
  window.reset();
  UnregisterClassA("droskThunkTestWindow", windowClass.hInstance);
}

class ProbeModule : public testing::Test {
 protected:
  void SetUp() override {
    library_.reset(LoadLibraryA("drosk_export_probe.dll"));
    ASSERT_TRUE(library_);
    probe_ = library_.get();
  }
  void* System(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(probe_, name));
  }
  const uint8_t* Base() const { return reinterpret_cast<const uint8_t*>(probe_); }

  win::UniqueLibrary library_;
  HMODULE probe_ = nullptr;
};

TEST_F(ProbeModule, FindsHeadersModulesAndVersions) {
  const IMAGE_NT_HEADERS32* headers = GetImageNtHeaders(probe_);
  ASSERT_NE(headers, nullptr);
  EXPECT_EQ(headers->Signature, uint32_t{IMAGE_NT_SIGNATURE});
  uint32_t size = 0;
  const auto* exports =
      static_cast<const IMAGE_EXPORT_DIRECTORY*>(GetImageDirectory(probe_, 0, &size));
  ASSERT_NE(exports, nullptr);
  const IMAGE_DATA_DIRECTORY& entry = headers->OptionalHeader.DataDirectory[0];
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(exports), Base() + entry.VirtualAddress);
  EXPECT_EQ(size, entry.Size);
  EXPECT_EQ(exports->NumberOfNames, 13u);
  EXPECT_EQ(GetImageDirectory(probe_, 16), nullptr);
  const std::string heap(64, 'M');
  EXPECT_EQ(GetImageNtHeaders(reinterpret_cast<HMODULE>(const_cast<char*>(heap.data()))), nullptr);
  EXPECT_EQ(GetImageNtHeaders(nullptr), nullptr);

  std::string fileName;
  EXPECT_EQ(FindModule(System("ProbeTwice"), &fileName), probe_);
  EXPECT_TRUE(fileName.ends_with("\\drosk_export_probe.dll")) << fileName;
  EXPECT_EQ(FindModule(heap.data()), nullptr);
  EXPECT_EQ(FindModule(nullptr), nullptr);
  EXPECT_GE(GetFileVersion(ModuleFileName(GetModuleHandleA("kernel32.dll"))) >> 48, 5u);
  EXPECT_EQ(GetFileVersion(fileName), 0u) << "the probe has no version resource";
  EXPECT_EQ(FileVersionToStr(0x0001000200030004) + " " + FileVersionToStr(0), "1.2.3.4 0.0.0.0");
}

TEST_F(ProbeModule, ResolvesExportsByNameOrdinalAndForwarder) {
  void* const twice = System("ProbeTwice");
  void* const ticks =
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "GetTickCount"));
  void* const hidden = reinterpret_cast<void*>(GetProcAddress(probe_, MAKEINTRESOURCEA(7)));
  ASSERT_TRUE(twice && ticks && hidden && System("ProbeAnswer") && System("_ZN5probe7CounterEi"));
  // A forwarder loop ends; names are case-sensitive.
  const std::pair<const char*, void*> names[] = {
      {"ProbeAnswer", System("ProbeAnswer")},
      {"ProbeTwice", twice},
      {"Renamed", twice},
      {"_ZN5probe7CounterEi", System("_ZN5probe7CounterEi")},
      {"ForwardedHome", twice},
      {"Forwarded", ticks},
      {"LoopA", nullptr},
      {"probetwice", nullptr},
      {"Missing", nullptr}};
  for (const auto& [name, expected] : names)
    EXPECT_EQ(GetProcAddressEx(probe_, name), expected) << name;
  const std::pair<uint32_t, void*> ordinals[] = {
      {7, hidden}, {1, ticks}, {15, nullptr}, {0, nullptr}};
  for (const auto& [ordinal, expected] : ordinals) {
    EXPECT_EQ(GetProcAddressByOrdinal(probe_, ordinal), expected) << ordinal;
  }
  std::string exported;
  for (const auto& [name, unmangle] : {std::pair{"ProbeTwice", true},
                                       {"_ZN5probe7CounterEi", false},
                                       {"_ZN5probe7CounterEi", true},
                                       {"_ZN5probe6TProbeC1Ev", true},
                                       {"_ZN5probe6TProbeD1Ev", true}}) {
    exported += GetExportName(probe_, System(name), unmangle) + " ";
  }
  EXPECT_EQ(exported,
            "ProbeTwice _ZN5probe7CounterEi .probe.Counter .probe.TProbe.Create "
            ".probe.TProbe.Destroy ");
  EXPECT_EQ(GetExportName(probe_, hidden, true), "#7");
  EXPECT_EQ(GetExportName(probe_, static_cast<const char*>(hidden) + 1, true), "");
}

TEST_F(ProbeModule, ReadsTheFilesAddressWhenTheTableWasRedirectedInMemory) {
  void* real = System("ProbeAnswer");
  const auto* exports = static_cast<const IMAGE_EXPORT_DIRECTORY*>(GetImageDirectory(probe_, 0));
  ASSERT_NE(exports, nullptr);
  auto* functions =
      reinterpret_cast<DWORD*>(const_cast<uint8_t*>(Base()) + exports->AddressOfFunctions);
  DWORD* entry = nullptr;
  for (DWORD i = 0; i < exports->NumberOfFunctions; ++i) {
    if (Base() + functions[i] == real) entry = &functions[i];
  }
  ASSERT_NE(entry, nullptr);
  DWORD protection = 0;
  ASSERT_TRUE(VirtualProtect(entry, 4, PAGE_READWRITE, &protection));
  const DWORD saved = *entry;
  *entry = 0x7FFF0000;  // as a hook outside the image would set it
  EXPECT_EQ(GetProcAddressEx(probe_, "ProbeAnswer"), real);
  *entry = saved;
  VirtualProtect(entry, 4, protection, &protection);
}

TEST(PeReaders, ResolveEveryExportOfTheSystemAndNameItBack) {
  for (const char* library : {"kernel32.dll", "user32.dll"}) {
    const HMODULE module = GetModuleHandleA(library);
    const auto* exports = static_cast<const IMAGE_EXPORT_DIRECTORY*>(GetImageDirectory(module, 0));
    ASSERT_NE(exports, nullptr) << library;
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    int named = 0;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
      const char* name = reinterpret_cast<const char*>(base + names[i]);
      // The system's lookup first: it loads a forwarder's module, which the library never does.
      void* expected = reinterpret_cast<void*>(GetProcAddress(module, name));
      void* found = GetProcAddressEx(module, name);
      ASSERT_EQ(found, expected) << library << " " << name;
      // A forwarded export lives in another module, whose table names it.
      if (FindModule(found) != module) continue;
      const std::string back = GetExportName(module, found, false);
      ASSERT_EQ(reinterpret_cast<void*>(GetProcAddress(module, back.c_str())), found) << name;
      ++named;
    }
    EXPECT_GT(named, 100) << library;
  }
  // The library's own image: found, with headers, but without exports.
  const HMODULE self = FindModule(reinterpret_cast<const void*>(&GetOS));
  EXPECT_EQ(self, GetModuleHandleA(nullptr));
  ASSERT_NE(GetImageNtHeaders(self), nullptr);
  EXPECT_EQ(GetImageDirectory(self, 0), nullptr);
  EXPECT_EQ(GetExportName(self, reinterpret_cast<const void*>(&GetOS), true), "");
}

TEST_F(ProbeModule, SurvivesThousandsOfDamagedImageCopies) {
  EXPECT_EQ(fuzz::FuzzPeReaders(probe_, 0x5EED, 3000), "");
}

struct UnmangleCase {
  const char* mangled;
  const char* name;
  const char* unit;
};

constexpr UnmangleCase kUnmangleCases[] = {
    {"@Unit@TClass@Method$qqrv", "TClass.Method", "Unit"},
    {"@TClass@$bctr$qqrv", "TClass.Create", ""},
    {"@TClass@$bdtr$qqrv", "TClass.Destroy", ""},
    {"@Unit@Variable", "Variable", "Unit"},
    {"@Unit@Inner::Method$qv", "Inner.Method", "Unit"},
    {"@Method$qqrv", "Method", ""},
    {"@_$xx$@Unit@Func$qv", "Unit.Func", "_$xx$"},
    {"_ZN5drosk5GetOSEv", "drosk.GetOS", ""},
    {"_ZN5drosk3FooEi@4", "drosk.Foo", ""},
    {"_ZNK5drosk3BoxIiE3getEv", "drosk.Box<int>.get", ""},
    {"_ZN5drosk3BoxIiEC2Ev", "drosk.Box<int>.Create", ""},
    {"_Z3fooPKc", "foo", ""},
    {"_ZN5drosk5applyIiEEvT_", "drosk.apply<int>", ""},
};

TEST(UnmangleName, UnmanglesTheLibrarysAndThisCompilersNames) {
  for (const UnmangleCase& c : kUnmangleCases) {
    SCOPED_TRACE(c.mangled);
    std::string name = c.mangled;
    std::string unit = "stale";
    EXPECT_TRUE(UnmangleName(name, unit));
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(unit, c.unit);
  }
  for (const char* plain : {"", "Plain", "_Zq", "ProbeAnswer@0"}) {
    std::string name = plain;
    std::string unit;
    EXPECT_FALSE(UnmangleName(name, unit)) << plain;
    EXPECT_EQ(name, plain);
  }
}

TEST(DroskTools, MeasuresTicksAcrossTheWrap) {
  EXPECT_EQ(TickDiff(5, 10), 5u);
  EXPECT_EQ(TickDiff(10, 5), 0xFFFFFFFAu);
  EXPECT_LT(TickDiff(GetTickCount()), 1000u);
}

TEST(DroskTools, TellsReadableMemory) {
  int local = 0;
  EXPECT_TRUE(IsReadableMemory(&local, sizeof local));
  EXPECT_FALSE(IsReadableMemory(nullptr, 1));
  auto* pages = static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old = 0;
  VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old);
  EXPECT_TRUE(IsReadableMemory(pages, 4096));
  EXPECT_FALSE(IsReadableMemory(pages + 4000, 200)) << "the range runs into a closed page";
  EXPECT_FALSE(IsReadableMemory(pages + 4096, 1));
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(DroskTools, TurnsForeignExceptionsIntoLibraryExceptions) {
  EXPECT_EQ(ReportableException(nullptr), nullptr);
  const auto standard = std::make_exception_ptr(std::runtime_error("disk"));
  EXPECT_EQ(ReportableException(standard), standard);
  try {
    std::rethrow_exception(ReportableException(std::make_exception_ptr(42)));
  } catch (const DroskException& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Unknown exception.")) << e.what();
  }
}

}  // namespace
}  // namespace drosk
