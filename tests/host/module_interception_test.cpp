// With the module's own settings the crash library intercepts nothing: loading Tralvek.dll into
// the host and running a command patches no byte, redirects no import and starts no thread.
#include <windows.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <array>
#include <cstring>

#include "board_export.h"
#include "host/plavena/host_session.h"
#include "support/import_entry.h"
#include "support/test_paths.h"

namespace {

struct THooked {
  const char* Dll;
  const char* Name;
};
constexpr std::array<THooked, 5> kHooked = {{{"kernel32.dll", "CreateThread"},
                                             {"user32.dll", "GetMessageA"},
                                             {"user32.dll", "PeekMessageA"},
                                             {"user32.dll", "GetMessageW"},
                                             {"user32.dll", "PeekMessageW"}}};

void* Export(const THooked& f) {
  return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(f.Dll), f.Name));
}

// The functions' first bytes and, for a start that is an indirect jump, the pointer it uses.
std::array<std::array<uint8_t, 12>, 5> CodeState() {
  std::array<std::array<uint8_t, 12>, 5> state{};
  for (size_t i = 0; i < kHooked.size(); ++i) {
    const auto* code = static_cast<const uint8_t*>(Export(kHooked[i]));
    std::memcpy(state[i].data(), code, 8);
    if (code[0] == 0xFF && code[1] == 0x25) {
      void** slot = nullptr;
      std::memcpy(&slot, code + 2, sizeof slot);
      std::memcpy(state[i].data() + 8, slot, sizeof *slot);
    }
  }
  return state;
}

int ThreadCount() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

using hosttest::ModuleOptions;

TEST(ModuleInterception, LoadingTheModuleChangesNoCodeAndStartsNoThread) {
  { plavena::HostSession warmUp(ModuleOptions()); }  // whatever the system starts once
  const auto code = CodeState();
  const int threads = ThreadCount();
  {
    plavena::HostSession session(ModuleOptions());
    ASSERT_EQ(session.Run("ExportDesignFile", "").status, E_FAIL);  // refused: no file name
    EXPECT_EQ(CodeState(), code);
    EXPECT_EQ(ThreadCount(), threads);
    const HMODULE module = GetModuleHandleA("Tralvek.dll");
    ASSERT_TRUE(module);
    for (const THooked& f : kHooked) {
      if (void** entry = testsupport::ImportEntry(module, f.Dll, f.Name)) {
        EXPECT_EQ(*entry, Export(f)) << f.Name;
      }
    }
  }
  EXPECT_EQ(CodeState(), code);
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
