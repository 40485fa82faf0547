// Saving and loading the grid's node stream of 1,000,000 nodes with 4 texts each (three
// levels), beside a plain copy of the same bytes. Memory is counted at the allocator: the peak
// the operation adds, against the stream's size (the nodes a load makes are shown apart, also
// as the process's working set grows, which includes the heap's own block headers).
//
//   treelist_data_bench [NODES_PER_TOP]     (default 10,000: 100 top-level nodes)
#include <windows.h>
#include <malloc.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "framework/streams.h"
#include "support/clock.h"
#include "treelist/columns/tree_list_control.h"

namespace {

std::atomic<size_t> g_current{0};
std::atomic<size_t> g_peak{0};
std::atomic<size_t> g_blocks{0};

void* Allocate(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++g_blocks;
  const size_t now = g_current += _msize(p);
  for (size_t peak = g_peak; now > peak && !g_peak.compare_exchange_weak(peak, now);) {
  }
  return p;
}

void Release(void* p) noexcept {
  if (!p) return;
  --g_blocks;
  g_current -= _msize(p);
  std::free(p);
}

// The peak from here on, less the bytes held now.
struct PeakScope {
  size_t start = g_current;
  size_t start_blocks = g_blocks;
  size_t start_working_set = WorkingSet();
  PeakScope() { g_peak = start; }
  size_t PeakAdded() const { return g_peak - start; }
  size_t Added() const { return g_current - start; }
  size_t BlocksAdded() const { return g_blocks - start_blocks; }
  size_t WorkingSetAdded() const { return WorkingSet() - start_working_set; }

  static size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
  }
};

constexpr int kTopNodes = 100;
constexpr int kColumns = 4;

void AddTexts(treelist::TdxTreeListNode* node, int number) {
  node->SetValues(0, L"Net " + std::to_wstring(number));
  node->SetValues(1, std::to_wstring(number % 1000) + L".254mm");
  // Every hundredth text leaves ASCII, so the code page's conversion is timed too.
  node->SetValues(2, number % 100 ? L"Layer " + std::to_wstring(number % 32) : L"Stra\u00dfe");
  node->SetValues(3, L"rule-" + std::to_wstring(number % 7));
}

double Megabytes(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

int main(int argc, char** argv) {
  const int per_top = argc > 1 ? std::atoi(argv[1]) : 10000;  // 1 + 99 children x (1 + 100)
  const int children = 99, grandchildren = per_top / children - 1;

  treelist::TCustomdxTreeListControl grid(nullptr);
  int number = 0;
  grid.BeginUpdate();
  for (int t = 0; t < kTopNodes; ++t) {
    treelist::TdxTreeListNode* top = grid.Add();
    AddTexts(top, number++);
    for (int c = 0; c < children; ++c) {
      treelist::TdxTreeListNode* child = top->AddChild();
      AddTexts(child, number++);
      for (int g = 0; g < grandchildren; ++g) AddTexts(child->AddChild(), number++);
    }
  }
  grid.EndUpdate();
  std::printf("%d nodes x %d texts\n", number, kColumns);

  framework::TMemoryStream saved;
  PeakScope save_memory;
  double start = testsupport::Seconds();
  grid.WriteData(saved);
  const double save_seconds = testsupport::Seconds() - start;
  const size_t save_peak = save_memory.PeakAdded();
  const size_t size = saved.Bytes().size();

  framework::TMemoryStream copy;
  start = testsupport::Seconds();
  copy.WriteBuffer(saved.Memory(), static_cast<int32_t>(size));
  const double copy_seconds = testsupport::Seconds() - start;

  treelist::TCustomdxTreeListControl loaded(nullptr);
  saved.SetPosition(0);
  PeakScope load_memory;
  start = testsupport::Seconds();
  loaded.ReadData(saved);
  const double load_seconds = testsupport::Seconds() - start;
  const size_t nodes_bytes = load_memory.Added();
  const size_t nodes_blocks = load_memory.BlocksAdded();
  const size_t nodes_working_set = load_memory.WorkingSetAdded();
  const size_t load_peak = load_memory.PeakAdded();

  const double mb = Megabytes(size);
  std::printf("stream            %8.1f MB\n", mb);
  std::printf("save              %8.2f s  %7.1f MB/s  peak added %7.1f MB = %.2f x the stream\n",
              save_seconds, mb / save_seconds, Megabytes(save_peak),
              static_cast<double>(save_peak) / static_cast<double>(size));
  std::printf(
      "load              %8.2f s  %7.1f MB/s  peak added beyond the nodes %7.1f MB = %.2f x "
      "the stream\n",
      load_seconds, mb / load_seconds, Megabytes(load_peak - nodes_bytes),
      static_cast<double>(load_peak - nodes_bytes) / static_cast<double>(size));
  std::printf(
      "nodes loaded      %8.1f MB = %.2f x the stream  (%.0f bytes and %.2f heap blocks a node)\n",
      Megabytes(nodes_bytes), static_cast<double>(nodes_bytes) / static_cast<double>(size),
      static_cast<double>(nodes_bytes) / number, static_cast<double>(nodes_blocks) / number);
  std::printf("  working set     %8.1f MB = %.2f x the stream  (with the heap's block headers)\n",
              Megabytes(nodes_working_set),
              static_cast<double>(nodes_working_set) / static_cast<double>(size));
  std::printf("plain copy        %8.2f s  %7.1f MB/s  (save %.1f x, load %.1f x its time)\n",
              copy_seconds, mb / copy_seconds, save_seconds / copy_seconds,
              load_seconds / copy_seconds);
  return loaded.Count() == grid.Count() ? 0 : 1;
}
