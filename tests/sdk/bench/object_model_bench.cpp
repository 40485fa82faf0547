// Reads every object of a board through the object model (CreatePcbObject, that is Sync(1)) in
// the stand-in editor, and reports the time per kind; run it on generated boards of growing size
// to see how the time grows.
//
//   object_model_bench BOARD.json...
#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>

#include "sdk/pcb_board.h"
#include "sdk/pcb_object.h"
#include "tests/support/clock.h"

namespace {

template <class Proc>
Proc Export(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: object_model_bench BOARD.json...\n");
    return 2;
  }
  HMODULE editor = LoadLibraryA(quorvel_host::kModuleName);
  auto open = Export<quorvel_host::OpenBoard>(editor, quorvel_host::kOpenBoardName);
  if (!open) {
    std::fprintf(stderr, "object_model_bench: cannot load %s\n", quorvel_host::kModuleName);
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    char error[1024];
    if (open(argv[i], error, sizeof error) != 0) {
      std::fprintf(stderr, "%s\n", error);
      return 1;
    }
    const sdk::Handle board = sdk::PcbApi_GetCurrentBoardHandle();
    sdk::LegacyLayerSet every_layer;
    every_layer.Include(0);
    std::map<int, std::pair<long, double>> per_kind;  // count, seconds
    long failures = 0;
    const double start = testsupport::Seconds();
    for (int kind = 0; kind < 26; ++kind) {
      const double kind_start = testsupport::Seconds();
      long count = 0;
      sdk::IterateContainer(board, sdk::KindSet{1} << kind, every_layer, 0, [&](sdk::Handle h) {
        const std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(h);
        if (object)
          ++count;
        else
          ++failures;
      });
      if (count) per_kind[kind] = {count, testsupport::Seconds() - kind_start};
    }
    sdk::TPcbBoard pcb(board);
    const double board_start = testsupport::Seconds();
    pcb.Sync(pcbapi::kRead);
    const double end = testsupport::Seconds();
    long total = 0;
    for (const auto& [kind, entry] : per_kind) total += entry.first;
    std::printf("%s: %ld objects read in %.3f s (%.2f us each), board record %.3f s\n", argv[i],
                total, board_start - start, 1e6 * (board_start - start) / (total ? total : 1),
                end - board_start);
    for (const auto& [kind, entry] : per_kind) {
      std::printf("  %-16s %8ld  %.3f s  %.2f us each\n", sdk::ObjectKindToShortName(kind).c_str(),
                  entry.first, entry.second, 1e6 * entry.second / entry.first);
    }
    if (failures) std::printf("  %ld handles of kinds without a class\n", failures);
  }
  return 0;
}
