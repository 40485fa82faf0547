// Loads a board file into the stand-in editor and reports the time and memory it takes, then
// saves it again and reports that time too.
//
//   board_load_bench BOARD.json [SAVED.json]
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "sdk/pcb_api_contract.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Committed memory of the process (Wine leaves PrivateUsage at 0, not PagefileUsage).
double PrivateMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage / 1048576.0;
}

double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakPagefileUsage / 1048576.0;
}

template <class Proc>
Proc Export(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: board_load_bench BOARD.json [SAVED.json]\n");
    return 2;
  }
  HMODULE editor = LoadLibraryA(quorvel_host::kModuleName);
  auto open = Export<quorvel_host::OpenBoard>(editor, quorvel_host::kOpenBoardName);
  auto save = Export<quorvel_host::SaveBoard>(editor, quorvel_host::kSaveBoardName);
  auto board_handle = Export<pcbapi::StdcallPointer<pcbapi::sig::GetCurrentBoardHandle>>(
      editor, "PcbApi_GetCurrentBoardHandle");
  auto query_board =
      Export<pcbapi::StdcallPointer<pcbapi::sig::QueryBoard>>(editor, "PcbApi_QueryBoard");
  if (!open || !save || !board_handle || !query_board) {
    std::fprintf(stderr, "board_load_bench: cannot load %s\n", quorvel_host::kModuleName);
    return 1;
  }
  const double before = PrivateMegabytes();
  char error[1024];
  LARGE_INTEGER start, loaded, saved;
  QueryPerformanceCounter(&start);
  if (open(argv[1], error, sizeof error) != 0) {
    std::fprintf(stderr, "%s\n", error);
    return 1;
  }
  QueryPerformanceCounter(&loaded);
  int32_t objects = 0;
  query_board(pcbapi::kRead, board_handle(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
              nullptr, nullptr, nullptr, &objects);
  std::printf("loaded %s: %d objects in %.2f s; memory %.1f MB (board %.1f MB, peak %.1f MB)\n",
              argv[1], objects, Seconds(start, loaded), PrivateMegabytes(),
              PrivateMegabytes() - before, PeakMegabytes());
  if (argc == 3) {
    if (save(argv[2], error, sizeof error) != 0) {
      std::fprintf(stderr, "%s\n", error);
      return 1;
    }
    QueryPerformanceCounter(&saved);
    std::printf("saved %s in %.2f s\n", argv[2], Seconds(loaded, saved));
  }
  return 0;
}
