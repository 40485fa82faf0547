// Stack traces through the stack's dwords, the modules' code and their debug information.
#include "crashreport/drosk_stack_trace.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_progress.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"

namespace drosk {

namespace {

// ---------------------------------------------------------------------------------------------
// The process-wide caches: modules by range, parsed functions by entry

struct TModuleInfo {
  HMODULE handle = nullptr;
  std::string name;  // file name without directory
  TAddress codeStart = 0, codeEnd = 0, dataStart = 0, dataEnd = 0;
  std::shared_ptr<const TMapFile> map;  // only a valid one

  bool InCode(TAddress a) const { return codeStart < a && a <= codeEnd; }
  bool InData(TAddress a) const { return dataStart < a && a <= dataEnd; }
};

struct TFunctionEntry {
  int module = -1;
  std::string name;
  TFunctionInfo info;
  bool calleesParsed = false;
  bool excluded = false;

  bool HasCode() const { return info.CodeLength > 0 && !info.Areas.empty(); }
  // Whether an address lies in one of the function's pieces (just past a piece's end counts: a
  // call that never returns ends its piece).
  bool Holds(TAddress a) const {
    if (!HasCode() || a <= info.CodeStart || a > info.CodeStart + info.CodeLength + 1) return false;
    return std::any_of(info.Areas.begin(), info.Areas.end(), [a](const TCodeArea& area) {
      return !area.IsCaseTable && !area.IsExceptTable && area.AreaStart < a &&
             a <= area.AreaEnd + 1;
    });
  }
};

struct TCaches {
  std::vector<TModuleInfo> modules;
  std::vector<TFunctionEntry> functions;
  std::unordered_map<TAddress, int> functionAt;
  std::unordered_set<TAddress> unparsable;
};

TCaches& SharedCaches() {
  static TCaches caches;
  return caches;
}

// The caches the calling thread's trace works with: the shared ones, or its own for a trace
// that could not have them.
thread_local TCaches* traceCaches = nullptr;

TCaches& Caches() { return traceCaches ? *traceCaches : SharedCaches(); }

// The shared caches for one trace. Traces may run on several threads at once (a dialog's report
// and an outside tool's): a trace holds the lock from start to end, since it keeps references
// into the caches while it adds to them. Recursive for a trace that a window procedure starts
// while another one waits on the same thread. A trace whose holder does not let go in time
// (it faulted in the middle of a trace, and this trace is the report on that fault) works with
// caches of its own instead of waiting forever.
class TCachesUse {
 public:
  explicit TCachesUse(std::chrono::milliseconds wait)
      : shared_(StackTraceCachesLock().try_lock_for(wait)), previous_(traceCaches) {
    if (!shared_) own_ = std::make_unique<TCaches>();
    traceCaches = shared_ ? &SharedCaches() : own_.get();
  }
  ~TCachesUse() {
    traceCaches = previous_;
    if (shared_) StackTraceCachesLock().unlock();
  }
  TCachesUse(const TCachesUse&) = delete;
  TCachesUse& operator=(const TCachesUse&) = delete;

 private:
  bool shared_;
  TCaches* previous_;
  std::unique_ptr<TCaches> own_;
};

TAddress AddressOf(const void* p) { return static_cast<TAddress>(reinterpret_cast<uintptr_t>(p)); }

int ModuleByRange(TAddress a) {
  const auto& modules = Caches().modules;
  for (size_t i = 0; i < modules.size(); ++i) {
    if (modules[i].InCode(a) || modules[i].InData(a)) return static_cast<int>(i);
  }
  return -1;
}

// The module whose image starts at `base`, registered on first sight; -1 when the memory there is
// no module with readable headers.
int ModuleAtBase(TAddress base) {
  auto& modules = Caches().modules;
  for (size_t i = 0; i < modules.size(); ++i) {
    if (AddressOf(modules[i].handle) == base) return static_cast<int>(i);
  }
  const auto handle = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(base));
  const std::string path = ModuleFileName(handle);
  TImageRanges ranges;
  if (path.empty() || !ImageRangesOf(base, ranges)) return -1;
  TModuleInfo info{handle,           FileNameOnly(path), ranges.codeStart, ranges.codeEnd,
                   ranges.dataStart, ranges.dataEnd,     nullptr};
  std::shared_ptr<const TMapFile> map = GetMapFile(base);
  if (map->isValid) info.map = std::move(map);
  modules.push_back(std::move(info));
  return static_cast<int>(modules.size() - 1);
}

int ModuleOfAddress(TAddress a) {
  const int known = ModuleByRange(a);
  if (known >= 0) return known;
  MEMORY_BASIC_INFORMATION m{};
  if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(a)), &m, sizeof m) != sizeof m ||
      m.State != MEM_COMMIT || !m.AllocationBase) {
    return -1;
  }
  return ModuleAtBase(AddressOf(m.AllocationBase));
}

const TMapFile* MapOf(int module) {
  return module >= 0 ? Caches().modules[module].map.get() : nullptr;
}

std::string DefaultFunctionName(int module, TAddress entry) {
  if (module < 0) return {};
  if (const TMapFile* map = MapOf(module)) {
    if (const TMfPublic* p = FindPublic(*map, entry)) return p->name;
  }
  return GetExportName(Caches().modules[module].handle, reinterpret_cast<void*>(entry), false);
}

// The function at `entry` in the cache (parsed now when new); -1 when it does not parse and no
// minimal record is wanted. With `withCallees` the functions it jumps on to are parsed too.
int ParseToCache(const TDATryRead& areas, TAddress entry, int moduleHint, const std::string& name,
                 bool withCallees, bool minimal) {
  TCaches& caches = Caches();
  int index = -1;
  if (const auto found = caches.functionAt.find(entry); found != caches.functionAt.end()) {
    index = found->second;
    if (!withCallees || caches.functions[index].calleesParsed) return index;
  } else {
    if (entry == 0 && !minimal) return -1;
    if (!minimal && caches.unparsable.count(entry)) return -1;
    TFunctionEntry function;
    function.info = ParseFunctionSafe(entry, areas);
    if (!function.info.Valid) {
      if (!minimal) {
        caches.unparsable.insert(entry);
        return -1;
      }
      function.info = {};
      function.info.Entry = entry;
    }
    function.module = moduleHint >= 0 ? moduleHint : ModuleOfAddress(entry);
    function.name = name.empty() ? DefaultFunctionName(function.module, entry) : name;
    caches.functions.push_back(std::move(function));
    index = static_cast<int>(caches.functions.size() - 1);
    caches.functionAt[entry] = index;
    if (!withCallees) return index;
  }
  // Set first: functions that jump into each other would recurse for ever.
  caches.functions[index].calleesParsed = true;
  const std::vector<TFarCall> calls = caches.functions[index].info.FarCalls;
  for (const TFarCall& call : calls) {
    if (!call.IsCall) ParseToCache(areas, call.Target, -1, {}, true, false);
  }
  return index;
}

TAddress MainModule() { return AddressOf(GetModuleHandleA(nullptr)); }

// The nearest export or the module's entry point at or below `a`; 0 when none.
TAddress NearestEntryBelow(const TModuleInfo& module, TAddress a) {
  const TAddress base = AddressOf(module.handle);
  TAddress best = 0;
  if (const IMAGE_NT_HEADERS32* nt = GetImageNtHeaders(module.handle)) {
    const TAddress entry = base + nt->OptionalHeader.AddressOfEntryPoint;
    if (nt->OptionalHeader.AddressOfEntryPoint && entry <= a) best = entry;
  }
  uint32_t size = 0;
  const auto* exports =
      static_cast<const IMAGE_EXPORT_DIRECTORY*>(GetImageDirectory(module.handle, 0, &size));
  if (!exports) return best;
  const auto* functions = reinterpret_cast<const uint32_t*>(base + exports->AddressOfFunctions);
  if (!IsReadableMemory(functions, exports->NumberOfFunctions * sizeof(uint32_t))) return best;
  for (uint32_t i = 0; i < exports->NumberOfFunctions; ++i) {
    const TAddress address = base + functions[i];
    if (functions[i] && address <= a && address > best && module.InCode(address + 1)) {
      best = address;
    }
  }
  return best;
}

// ---------------------------------------------------------------------------------------------
// Items and links

constexpr uint64_t kStartScore = 0x1000000000000000ull;
constexpr uint64_t kBit61 = 0x2000000000000000ull;
constexpr uint64_t kBit62 = 0x4000000000000000ull;
constexpr uint64_t kDirectPlain = 0x5000000000000000ull;
constexpr uint64_t kDirectFunction = 0x7000000000000000ull;

struct TStackLink {
  int item = -1;  // -1: the other end is not known yet
  TAddress callSite = 0;
  bool isFarCall = false;
  TAddress target = 0;
  int function = -1;
  uint64_t score = 0;
};

struct TStackLinkList {
  std::vector<TStackLink> links;
  int best = -1;
};

struct TStackItem {
  TAddress address = 0;
  TAddress resolveAddress = 0;  // inside the call instruction, or the exact address when forced
  bool anchor = false;
  bool stop = false;
  int module = -1;
  std::array<TStackLinkList, 2> links;  // 0: towards later items, 1: towards earlier ones
  bool removed = false;
  int line = -1;  // of resolveAddress, -1 until looked up
  // The printed record.
  TAddress codeAddress = 0;
  int32_t outLine = 0;
  int32_t relativeLine = 0;
  std::string moduleName, unitName, procName;
  TAddress procEntry = 0;
};

struct TCallSite {
  TAddress callSite = 0;
  TAddress target = 0;
  bool isFar = false;
  TAddress itemAddress = 0;  // set when the raise rule moves the item
};

class Snapshot {
 public:
  Snapshot() : areas_(GetReadableAreas()) {}
  ~Snapshot() { FreeReadableAreas(areas_); }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;
  const TDATryRead& Areas() const { return areas_; }

 private:
  TDATryRead areas_;
};

bool NameMarksRaise(const std::string& name) {
  return name.find("@RaiseExcept") != std::string::npos || name.find("Error") != std::string::npos;
}

class Tracer {
 public:
  Tracer(const TStackTraceOptions& options, const TStackTraceInput& input, TAddress ip)
      : options_(options), input_(input), ip_(ip) {}

  TStackTraceResult Run();

 private:
  template <class Body>
  void Phase(const char* name, Body&& body);
  void SetProgress(uint32_t position) const { ProgressSetPosition(input_.progress, position); }

  void CollectPossibleStackItems();
  bool TestCandidate(TAddress slot, TAddress value, bool forced);
  bool HasCallBefore(TAddress v) const;
  bool FindCallSite(int function, TAddress v, TAddress a, bool forced, bool raiseRule,
                    TCallSite& site);
  bool FindCallSiteThroughJumps(int& function, const TStackItem& item, TCallSite& site);
  bool SearchWithDebugInfo(int module, TAddress v, TAddress a, bool forced, int& function,
                           TCallSite& site);
  void RemoveRecursive(bool dropLinks);
  void DropLinksOf(int index);
  void InDeepChecks();
  void BuildLinks(int i, TAddress callSite, TAddress target, bool targetKnown, bool withCallees);
  bool ConfirmedElsewhere(int j, TAddress callSite) const;
  void RealizeOptimalLinkChains();
  void Realize(int a, int b);
  uint64_t Score(int x, int y);
  uint64_t PlainAdjustment(int x, int y);
  int LineOfItem(int index);
  void FillFinalOutput();
  void ComposeResult();

  const TStackTraceOptions& options_;
  const TStackTraceInput& input_;
  const TAddress ip_;
  Snapshot snapshot_;
  std::vector<TStackItem> items_;
  std::vector<TAddress> chain_;
  int cursor_ = -1;
  TStackTraceResult result_;
};

template <class Body>
void Tracer::Phase(const char* name, Body&& body) {
  try {
    body();
  } catch (...) {
    result_.text += InternalErrorNote(name, 0);
  }
}

TStackTraceResult Tracer::Run() {
  items_.reserve(64);
  SetProgress(0);
  Phase("CollectPossibleStackItems", [&] { CollectPossibleStackItems(); });
  SetProgress(25);
  Phase("RemoveRecursiveStackAreas", [&] { RemoveRecursive(true); });
  Phase("InDeepChecks", [&] { InDeepChecks(); });
  SetProgress(650);
  Phase("RealizeOptimalLinkChains", [&] {
    if (!options_.skipLinkChains) RealizeOptimalLinkChains();
  });
  SetProgress(1000);
  Phase("RemoveRecursiveAreas", [&] { RemoveRecursive(false); });
  Phase("FillFinalOutput", [&] { FillFinalOutput(); });
  Phase("ComposeResult", [&] { ComposeResult(); });
  return std::move(result_);
}

// ---------------------------------------------------------------------------------------------
// Collecting candidates

void Tracer::CollectPossibleStackItems() {
  const TAddress top = input_.stackTop, bottom = input_.stackBottom;
  if (input_.creationAddress) TestCandidate(0, input_.creationAddress, true);
  if (!options_.noFrameChain && input_.framePointer) {
    TAddress frame = input_.framePointer;
    if (bottom < frame + 4 && frame + 4 < top) chain_.push_back(frame + 4);
    while (frame + 4 < top) {
      uint32_t next = 0;
      if (!TryRead(frame, &next, 4, &snapshot_.Areas()) || next <= frame) break;
      frame = next;
      if (frame + 4 > bottom) chain_.push_back(frame + 4);
    }
    cursor_ = static_cast<int>(chain_.size()) - 1;
  }
  const uint64_t span = top - bottom;
  // The stack is read at once rather than a dword at a time: each read of the process's memory
  // costs a system call (under Wine some 80 us), and an overflowed stack holds half a million.
  std::vector<uint8_t> stack(span);
  const bool copied =
      span > 0 && TryRead(bottom, stack.data(), static_cast<uint32_t>(span), &snapshot_.Areas());
  const auto read = [&](int64_t slot, uint32_t& value) {
    if (!copied) return TryRead(static_cast<TAddress>(slot), &value, 4, &snapshot_.Areas());
    std::memcpy(&value, stack.data() + (slot - bottom), 4);
    return true;
  };
  for (int64_t slot = static_cast<int64_t>(top) - 4; slot >= static_cast<int64_t>(bottom);
       slot -= 4) {
    if (!items_.empty() && items_.back().stop) break;
    uint32_t value = 0;
    if (read(slot, value)) {
      const size_t before = items_.size();
      if (TestCandidate(static_cast<TAddress>(slot), value, false) && items_.size() > before &&
          items_.back().anchor && !items_.back().stop) {
        slot -= 4;  // the saved frame pointer below a return address on the chain
      }
    }
    if (span) SetProgress(static_cast<uint32_t>((top - slot) * 25 / span));
  }
  if (items_.empty() || !items_.back().stop) TestCandidate(0, ip_, true);
  items_.shrink_to_fit();
}

bool Tracer::HasCallBefore(TAddress v) const {
  uint8_t b[8];
  if (v < 8 || !TryRead(v - 8, b, 8, &snapshot_.Areas())) return false;
  const auto at = [&](int k) { return b[8 - k]; };  // the byte at v - k
  if (at(5) == 0xE8) return true;
  for (int k : {2, 3, 4, 6, 7}) {
    if (at(k) == 0xFF && ((at(k - 1) >> 4) & 3) == 1) return true;
  }
  return at(7) == 0x9A;
}

// Whether `function` holds the call that made the return address `v` (or, for a forced item,
// whether `v` follows an instruction of it).
bool Tracer::FindCallSite(int function, TAddress v, TAddress a, bool forced, bool raiseRule,
                          TCallSite& site) {
  site = {};
  const TFunctionEntry& f = Caches().functions[function];
  if (!forced) {
    for (const TUnknownTarget& call : f.info.UnknownTargets) {
      if (call.IsCall && call.CallNext == v) {
        site.callSite = call.CallStart;
        return true;
      }
    }
    for (const TFarCall& call : f.info.FarCalls) {
      if (call.IsCall && call.CallNext == v) {
        site = {call.CallStart, call.Target, true, 0};
        return true;
      }
    }
    return false;
  }
  if (!f.HasCode()) {
    if (a != f.info.Entry) return false;
    site.callSite = a;
    return true;
  }
  if (raiseRule && MapOf(f.module) && !input_.keepForcedSite) {
    const std::vector<TFarCall> calls = f.info.FarCalls;
    for (const TFarCall& call : calls) {
      if (!call.IsCall || call.CallNext != a) continue;
      const int target = ParseToCache(snapshot_.Areas(), call.Target, -1, {}, false, false);
      if (target >= 0 && NameMarksRaise(Caches().functions[target].name)) {
        site = {call.CallStart, call.Target, true, call.CallNext};
        return true;
      }
    }
  }
  const TFunctionEntry& g = Caches().functions[function];
  for (const TCodeArea& area : g.info.Areas) {
    if (area.IsCaseTable || area.IsExceptTable || v <= area.AreaStart || v > area.AreaEnd + 1) {
      continue;
    }
    for (TAddress code = area.AreaStart; code < v;) {
      const TInstructionInfo ins = DecodeInstructionSafe(code, snapshot_.Areas());
      if (!ins.Valid || ins.Next <= code) break;
      if (ins.Next == v) {
        site.callSite = code;
        return true;
      }
      code = ins.Next;
    }
  }
  return false;
}

// The call-site search in `function` and, when it fails, in the functions it jumps on to (import
// stubs and tail calls: the callee's frames hold return addresses of those, not of the stub).
// `function` becomes the one that holds the call.
bool Tracer::FindCallSiteThroughJumps(int& function, const TStackItem& item, TCallSite& site) {
  constexpr size_t kMaxJumps = 16;
  std::vector<int> pending{function};
  std::unordered_set<int> seen{function};
  for (size_t next = 0; next < pending.size() && next < kMaxJumps; ++next) {
    const int candidate = pending[next];
    if (FindCallSite(candidate, item.address, item.resolveAddress, item.stop, false, site)) {
      function = candidate;
      return true;
    }
    for (const TFarCall& call : Caches().functions[candidate].info.FarCalls) {
      if (call.IsCall) continue;
      const auto target = Caches().functionAt.find(call.Target);
      if (target != Caches().functionAt.end() && seen.insert(target->second).second) {
        pending.push_back(target->second);
      }
    }
  }
  return false;
}

bool Tracer::SearchWithDebugInfo(int module, TAddress v, TAddress a, bool forced, int& function,
                                 TCallSite& site) {
  const TMfPublic* p = FindPublic(*MapOf(module), a);
  if (!p) return false;
  const std::string name = p->name;
  function = ParseToCache(snapshot_.Areas(), p->address, module, name, true, false);
  if (function < 0) return false;
  if (FindCallSite(function, v, a, forced, true, site)) return true;
  // Local labels and nested routines: called from inside the function itself.
  const TFunctionEntry& f = Caches().functions[function];
  const TAddress entry = f.info.Entry, end = f.info.Entry + f.info.CodeLength;
  const std::vector<TFarCall> calls = f.info.FarCalls;
  for (const TFarCall& call : calls) {
    if (call.Target <= entry || call.Target >= end) continue;
    const int label =
        ParseToCache(snapshot_.Areas(), call.Target, module, name + ".@label", true, false);
    if (label >= 0 && FindCallSite(label, v, a, forced, true, site)) {
      function = label;
      return true;
    }
  }
  return false;
}

bool Tracer::TestCandidate(TAddress slot, TAddress value, bool forced) {
  if (!forced && input_.ipOnStack && value && value == ip_) forced = true;
  TAddress v = value;
  const TAddress a = forced ? value : value - 1;
  if (forced) {
    const TInstructionInfo ins = DecodeInstructionSafe(value, snapshot_.Areas());
    if (ins.Valid) v = ins.Next;
  }
  MEMORY_BASIC_INFORMATION m{};
  const bool committed =
      VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(a)), &m, sizeof m) == sizeof m &&
      m.State == MEM_COMMIT && m.AllocationBase;
  bool valid = committed && value > 7 && (forced || HasCallBefore(value));
  const int module = committed ? ModuleAtBase(AddressOf(m.AllocationBase)) : -1;
  if (valid && module >= 0) {
    const TModuleInfo& info = Caches().modules[module];
    valid = info.InCode(a) || info.InData(a);
  }
  if (!valid && !forced) return false;
  if (slot) {
    while (cursor_ >= 0 && chain_[cursor_] > slot) --cursor_;
  }
  TCallSite site;
  bool haveSite = false;
  int function = -1;
  if (module >= 0 && Caches().modules[module].InCode(a)) {
    if (MapOf(module)) {
      haveSite = SearchWithDebugInfo(module, v, a, forced, function, site);
      valid = haveSite;
    } else if (AddressOf(Caches().modules[module].handle) != MainModule()) {
      const TAddress entry = NearestEntryBelow(Caches().modules[module], a);
      const int f = entry ? ParseToCache(snapshot_.Areas(), entry, module, {}, true, false) : -1;
      if (f >= 0 && !Caches().functions[f].excluded && Caches().functions[f].Holds(a)) {
        haveSite = FindCallSite(f, v, a, forced, true, site);
        valid = haveSite;
        function = f;
      }
    }
  }
  if (haveSite && site.itemAddress) v = site.itemAddress;
  if (forced && !haveSite) {
    function = -1;
    if (!input_.ipOnStack || input_.keepForcedSite) {
      site = {a, 0, false, 0};
      haveSite = true;
    } else if (!IsReadable(snapshot_.Areas(), a)) {
      function = ParseToCache(snapshot_.Areas(), a, module, {}, false, true);
      site = {a, 0, false, 0};
      haveSite = true;
    }
  }
  const bool onChain = slot && cursor_ >= 0 && chain_[cursor_] == slot;
  if (valid || forced || onChain) {
    TStackItem item;
    item.address = v;
    item.resolveAddress = a;
    item.anchor = forced || onChain;
    item.stop = forced && !(items_.empty() && input_.creationAddress);
    item.module = module;
    if (haveSite) {
      item.links[1].links.push_back({-1, site.callSite, site.isFar, site.target, function, 0});
    }
    items_.push_back(std::move(item));
  }
  return valid;
}

// ---------------------------------------------------------------------------------------------
// Recursion, deep checks and links

void Tracer::DropLinksOf(int index) {
  for (auto& list : items_[index].links) list.links.clear();
  for (TStackItem& other : items_) {
    for (auto& list : other.links) {
      std::erase_if(list.links, [index](const TStackLink& l) { return l.item == index; });
    }
  }
}

void Tracer::RemoveRecursive(bool dropLinks) {
  const int n = static_cast<int>(items_.size());
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = n - 1; i >= 1; --i) {
      if (items_[i].removed) continue;
      std::vector<int> between;  // live items between j and i, nearest first
      int j = i - 1;
      for (; j >= 0; --j) {
        if (items_[j].removed) continue;
        if (items_[j].address == items_[i].address) break;
        between.push_back(j);
      }
      if (j < 0) continue;
      const size_t k = between.size();
      std::vector<int> before;  // the k live items before j, nearest first
      for (int p = j - 1; p >= 0 && before.size() < k; --p) {
        if (!items_[p].removed) before.push_back(p);
      }
      if (before.size() < k) continue;
      bool same = true;
      for (size_t q = 0; q < k && same; ++q) {
        same = items_[between[q]].address == items_[before[q]].address;
      }
      if (!same) continue;
      between.push_back(i);
      for (int index : between) {
        items_[index].anchor = false;
        items_[index].removed = true;
        if (dropLinks) DropLinksOf(index);
      }
      changed = true;
    }
  }
}

bool Tracer::ConfirmedElsewhere(int j, TAddress callSite) const {
  for (const TStackLink& link : items_[j].links[1].links) {
    if (link.function >= 0 && Caches().functions[link.function].calleesParsed &&
        link.callSite != callSite) {
      return true;
    }
  }
  return false;
}

void Tracer::BuildLinks(int i, TAddress callSite, TAddress target, bool targetKnown,
                        bool withCallees) {
  int f = -1;
  if (targetKnown) {
    f = ParseToCache(snapshot_.Areas(), target, -1, {}, withCallees, false);
    if (f >= 0) {
      const auto& unknown = Caches().functions[f].info.UnknownTargets;
      // A jump through a pointer (an import stub) goes on where the target cannot tell.
      if (std::any_of(unknown.begin(), unknown.end(),
                      [](const TUnknownTarget& u) { return !u.IsCall; })) {
        BuildLinks(i, callSite, 0, false, withCallees);
      }
    }
  } else {
    for (const TStackLink& link : items_[i].links[0].links) {
      if (link.function < 0) return;
    }
  }
  for (int j = i + 1; j < static_cast<int>(items_.size()); ++j) {
    if (items_[j].removed) continue;
    TCallSite site;
    bool found = false;
    bool qualifies = f < 0;
    int holder = f;
    if (f >= 0) {
      found = FindCallSiteThroughJumps(holder, items_[j], site);
      qualifies = found;
    }
    if (qualifies && !withCallees && found && ConfirmedElsewhere(j, site.callSite)) {
      qualifies = false;
    }
    if (qualifies) {
      items_[j].links[1].links.push_back({i, site.callSite, site.isFar, site.target, holder, 0});
      items_[i].links[0].links.push_back({j, callSite, false, 0, f, 0});
    }
    if (items_[j].anchor) break;
  }
}

void Tracer::InDeepChecks() {
  const int n = static_cast<int>(items_.size());
  for (int i = input_.creationAddress ? 1 : 0; i < n; ++i) {
    TStackItem& item = items_[i];
    if (!item.removed) {
      std::optional<TStackLink> f;
      for (const TStackLink& link : item.links[1].links) {
        if (link.function >= 0 && Caches().functions[link.function].calleesParsed) {
          f = link;
          break;
        }
      }
      bool dropped = false;
      if (!f) {
        const auto& functions = Caches().functions;
        for (size_t k = 0; k < functions.size(); ++k) {
          if (!functions[k].calleesParsed || functions[k].excluded ||
              !functions[k].Holds(item.address)) {
            continue;
          }
          TCallSite site;
          if (FindCallSite(static_cast<int>(k), item.address, item.resolveAddress, item.stop, false,
                           site)) {
            f = TStackLink{-1, site.callSite, site.isFar, site.target, static_cast<int>(k), 0};
            items_[i].links[1].links.push_back(*f);
          } else {
            DropLinksOf(i);
            items_[i].removed = true;
            dropped = true;
          }
          break;
        }
      }
      if (!dropped && !f) {
        const TAddress address = items_[i].address;
        MEMORY_BASIC_INFORMATION m{};
        if (address > 7 &&
            VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(address - 1)), &m,
                         sizeof m) == sizeof m &&
            m.State == MEM_COMMIT && AddressOf(m.BaseAddress) <= address - 2) {
          for (TAddress p = std::max(address - 7, AddressOf(m.BaseAddress)); p <= address - 2;
               ++p) {
            const TInstructionInfo ins = DecodeInstructionSafe(p, snapshot_.Areas());
            if (ins.Valid && ins.IsCall && ins.Next == address) {
              BuildLinks(i, p, ins.Target, ins.Target != 0 || ins.TargetSlot != 0, false);
            }
          }
        }
      } else if (f) {
        // Another function that claims this item at another call site is wrong about it.
        for (bool again = true; again;) {
          again = false;
          for (const TStackLink& other : items_[i].links[1].links) {
            if (other.callSite == f->callSite || other.function < 0 ||
                other.function == f->function) {
              continue;
            }
            const int excluded = other.function;
            Caches().functions[excluded].excluded = true;
            for (TStackItem& any : items_) {
              for (auto& list : any.links) {
                std::erase_if(list.links,
                              [excluded](const TStackLink& l) { return l.function == excluded; });
              }
            }
            again = true;
            break;
          }
        }
        BuildLinks(i, f->callSite, f->target, f->isFarCall, true);
      }
    }
    SetProgress(static_cast<uint32_t>(25 + (i + 1) * 625 / n));
  }
}

// ---------------------------------------------------------------------------------------------
// The best chains between certain points

int Tracer::LineOfItem(int index) {
  TStackItem& item = items_[index];
  if (item.line < 0) {
    item.line = 0;
    if (const TMapFile* map = MapOf(item.module)) {
      TAddress next;
      item.line = LineOf(*map, item.resolveAddress, next);
    }
  }
  return item.line;
}

uint64_t Tracer::PlainAdjustment(int x, int y) {
  if (!MapOf(items_[x].module) || !MapOf(items_[y].module)) return 1;
  return LineOfItem(x) > 0 && LineOfItem(y) > 0 ? 0x400 : 0x100;
}

uint64_t Tracer::Score(int x, int y) {
  const int side = y < x ? 1 : 0;
  uint64_t best = kStartScore;
  items_[x].links[side].best = -1;
  const size_t count = items_[x].links[side].links.size();
  for (size_t l = 0; l < count; ++l) {
    TStackLink link = items_[x].links[side].links[l];
    // A link past the other end would lead back to x.
    if (link.item < 0 || (side == 0 ? link.item > y : (y >= 0 && link.item < y))) continue;
    if (link.score == 0) {
      uint64_t score = link.item == y ? (link.function < 0 ? kDirectPlain : kDirectFunction)
                                      : Score(link.item, y);
      if (link.function < 0) {
        score = (score & ~kBit61) + PlainAdjustment(x, link.item);
      } else {
        uint64_t add = Caches().functions[link.function].calleesParsed ? 0x1000000 : 0x1000;
        if (score & kBit61) add <<= 16;
        score += add;
      }
      items_[x].links[side].links[l].score = link.score = score;
    }
    if (link.score > best) {
      best = link.score;
      items_[x].links[side].best = static_cast<int>(l);
    }
  }
  return best;
}

void Tracer::Realize(int a, int b) {
  if (b - a < 2) return;
  const uint64_t scoreA = a < 0 ? 0 : Score(a, b);
  const uint64_t scoreB = (scoreA & kBit62) ? 0 : Score(b, a);
  for (int i = a + 1; i < b; ++i) items_[i].removed = true;
  const bool forward = scoreA > scoreB;
  const int side = forward ? 0 : 1;
  const int end = forward ? b : a;
  for (int current = forward ? a : b;;) {
    const TStackLinkList& list = items_[current].links[side];
    if (list.best < 0) break;
    const int next = list.links[list.best].item;
    if (next == end || next < 0) break;
    items_[next].removed = false;
    current = next;
  }
}

void Tracer::RealizeOptimalLinkChains() {
  const int n = static_cast<int>(items_.size());
  int last = n - 1;
  for (int i = last - 1; i >= 0; --i) {
    if (!items_[i].anchor) continue;
    Realize(i, last);
    last = i;
    SetProgress(static_cast<uint32_t>(650 + (n - 1 - i) * 350 / n));
  }
  Realize(-1, last);
}

// ---------------------------------------------------------------------------------------------
// Output

void Tracer::FillFinalOutput() {
  bool first = true, topFromNext = false;
  const auto& functions = Caches().functions;
  for (int i = static_cast<int>(items_.size()) - 1; i >= 0; --i) {
    TStackItem& item = items_[i];
    if (item.removed) continue;
    int function = -1;
    bool named = false;
    item.codeAddress = item.address;
    const auto& up = item.links[1].links;
    const auto parsed = std::find_if(up.begin(), up.end(), [&](const TStackLink& l) {
      return l.function >= 0 && functions[l.function].calleesParsed;
    });
    const auto sited =
        std::find_if(up.begin(), up.end(), [](const TStackLink& l) { return l.callSite != 0; });
    if (parsed != up.end()) {
      item.codeAddress = parsed->callSite;
      function = parsed->function;
      item.procName = functions[function].name;
      item.procEntry = functions[function].info.Entry;
      named = true;
    } else if (sited != up.end()) {
      item.codeAddress = sited->callSite;
      function = sited->function;
    } else if (item.links[0].best >= 0) {
      item.codeAddress = item.links[0].links[item.links[0].best].callSite;
    }
    if (first) {
      first = false;
      result_.topItem = item.codeAddress;
      if (function >= 0 && functions[function].HasCode()) {
        result_.topProcedure = functions[function].info.Entry;
      } else {
        topFromNext = true;
      }
    } else if (topFromNext) {
      topFromNext = false;
      if (function >= 0) {
        for (const TFarCall& call : functions[function].info.FarCalls) {
          if (call.Target == ip_) {
            result_.topProcedure = functions[function].info.Entry;
            result_.topItem = call.CallStart;
            break;
          }
        }
      }
    }
    if (named) {
      std::string unit;
      UnmangleName(item.procName, unit);
      item.unitName = unit;
    }
    if (item.module < 0) {
      item.moduleName = "???";
      continue;
    }
    item.moduleName = Caches().modules[item.module].name;
    const TMapFile* map = MapOf(item.module);
    if (!map) continue;
    if (item.procName.empty()) {
      if (const TMfPublic* p = FindPublic(*map, item.codeAddress)) {
        item.procName = p->name;
        item.procEntry = p->address;
      }
    }
    if (const TMfSegment* s = FindSegment(*map, true, item.codeAddress))
      item.unitName = s->unitName;
    TAddress next;
    const int32_t line = LineOf(*map, item.codeAddress, next);
    item.outLine = 0;
    item.relativeLine = line;
    if (line >= 1 && options_.showRelativeLines && item.procEntry) {
      const int32_t entryLine = LineOf(*map, item.procEntry, next);
      if (entryLine > 0) {
        item.outLine = line;
        item.relativeLine = line - entryLine;
      }
    }
  }
}

int Digits(uint32_t value, uint32_t base) {
  int digits = 1;
  while (value >= base) {
    value /= base;
    ++digits;
  }
  return digits;
}

std::string PadRight(const std::string& text, int width) {
  return text.size() >= static_cast<size_t>(width) ? text
                                                   : text + std::string(width - text.size(), ' ');
}

std::string PadLeft(const std::string& text, int width) {
  return text.size() >= static_cast<size_t>(width) ? text
                                                   : std::string(width - text.size(), ' ') + text;
}

void Tracer::ComposeResult() {
  const auto printable = [&](int i) {
    const TStackItem& item = items_[i];
    if (item.stop || (i == 0 && input_.creationAddress)) return true;
    if (item.procName.empty()) return false;
    return !(options_.hideItemsWithoutLine && item.relativeLine <= 0);
  };
  const auto relativeAddress = [&](const TStackItem& item) {
    return item.procEntry && item.codeAddress > item.procEntry ? item.codeAddress - item.procEntry
                                                               : 0;
  };
  int wRel = 0, wModule = 0, wUnit = 0, wLine = 0, wRelLine = 0;
  for (int i = static_cast<int>(items_.size()) - 1; i >= 0; --i) {
    const TStackItem& item = items_[i];
    if (item.removed || !printable(i)) continue;
    if (options_.showRelativeAddresses && relativeAddress(item)) {
      wRel = std::max(wRel, Digits(relativeAddress(item), 16) + 2);
    }
    wModule = std::max(wModule, static_cast<int>(item.moduleName.size()) + 1);
    wUnit = std::max(wUnit, static_cast<int>(item.unitName.size()) + 1);
    if (item.outLine > 0) wLine = std::max(wLine, Digits(item.outLine, 10) + 1);
    if (item.outLine > 0 || item.relativeLine > 0) {
      const bool plus = options_.showRelativeLines && item.outLine > 0;
      wRelLine = std::max(wRelLine, Digits(std::max(item.relativeLine, 0), 10) + (plus ? 2 : 1));
    }
  }
  std::string text;
  TAddress previous = 0;
  for (int i = static_cast<int>(items_.size()) - 1; i >= 0; --i) {
    const TStackItem& item = items_[i];
    if (item.removed || !printable(i)) continue;
    if (!text.empty() && item.codeAddress == previous && !item.stop &&
        !(i == 0 && input_.creationAddress)) {
      continue;
    }
    std::string line = IntToHexEx(item.codeAddress, 8).substr(1) + " ";
    if (wRel >= 1) {
      const std::string digits = IntToHexEx(relativeAddress(item), wRel - 2).substr(1);
      line += "+" + (relativeAddress(item) ? digits : std::string(wRel - 2, '0')) + " ";
    }
    line += PadRight(item.moduleName, wModule) + PadRight(item.unitName, wUnit);
    if (wLine) {
      line += PadLeft(item.outLine > 0 ? std::to_string(item.outLine) : "", wLine - 1) + " ";
    }
    if (wRelLine) {
      std::string relative;
      if (item.outLine > 0 || item.relativeLine > 0) {
        relative = (options_.showRelativeLines && item.outLine > 0 ? "+" : "") +
                   std::to_string(item.relativeLine);
      }
      line += PadLeft(relative, wRelLine - 1) + " ";
    }
    line += item.procName;
    if (!text.empty()) text += "\r\n";
    text += line;
    previous = item.codeAddress;
  }
  result_.text += text;
}

}  // namespace

TStackTraceResult StackTrace(const TStackTraceOptions& options, const TStackTraceInput& given) {
  try {
    TStackTraceInput input = given;
    if (!input.stackBottom) input.stackBottom = AddressOf(__builtin_frame_address(0));
    if (!input.stackTop) input.stackTop = StackRegionEnd(input.stackBottom);
    TAddress ip = input.instructionPointer;
    if (!ip && !input.ipOnStack) ip = AddressOf(reinterpret_cast<const void*>(&StackTrace));
    if (input.stackBottom >= input.stackTop ||
        !IsReadableMemory(reinterpret_cast<const void*>(input.stackBottom),
                          input.stackTop - input.stackBottom)) {
      return {};
    }
    const TCachesUse caches(options.sharedCachesWait);
    return Tracer(options, input, ip).Run();
  } catch (...) {
    // No memory for the snapshot: no trace at all.
    return {};
  }
}

TAddress StackRegionEnd(TAddress stackPointer) {
  MEMORY_BASIC_INFORMATION m{};
  if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(stackPointer)), &m, sizeof m) !=
      sizeof m) {
    return 0;
  }
  return AddressOf(m.BaseAddress) + static_cast<TAddress>(m.RegionSize);
}

std::string StackAddrToStr(TAddress address) {
  std::string text = IntToHexEx(address, 8).substr(1);
  try {
    const TMapFileInfos infos = GetMapFileInfos(address);
    if (!infos.valid) return text + " ???";
    text += " " + FileNameOnly(infos.moduleFileName) + " " + infos.unitName + " ";
    if (infos.line) text += std::to_string(infos.line) + " ";
    return text + infos.publicName;
  } catch (...) {
    return text + " ???";
  }
}

std::string InternalErrorNote(const std::string& where, TAddress address) {
  std::string note = ">> internal error in " + where + ":\r\n";
  if (address) note += StackAddrToStr(address);
  return note;
}

std::recursive_timed_mutex& StackTraceCachesLock() {
  static std::recursive_timed_mutex lock;
  return lock;
}

void ClearStackTraceCaches() {
  const std::lock_guard<std::recursive_timed_mutex> hold(StackTraceCachesLock());
  TCaches& caches = SharedCaches();
  caches.modules.clear();
  caches.functions.clear();
  caches.functionAt.clear();
  caches.unparsable.clear();
}

}  // namespace drosk
