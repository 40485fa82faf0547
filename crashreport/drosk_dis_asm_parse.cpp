// Following one function of the own process from its entry through every reachable
// instruction: code areas, calls, jumps that leave, exception frames and case tables.
#include <windows.h>

#include <algorithm>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_dis_asm_private.h"
#include "crashreport/drosk_tools.h"

namespace drosk {
namespace {

constexpr uint32_t kInvalidParameter = 87;
constexpr TAddress kSpeculativeReach = 1024;  // how far past its end a function may go on
constexpr size_t kMaxAreas = 65536;           // hostile code cannot make the parse run away
constexpr uint32_t kMaxTableEntries = 4096;

std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result(text ? text : "", n);
  LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result;
}

uint8_t ByteAt(TAddress address, const TDATryRead* areas, bool& ok) {
  uint8_t b = 0;
  ok = ReadCodeBytes(address, &b, 1, areas) == 1;
  return b;
}

class FunctionParser {
 public:
  FunctionParser(TFunctionInfo& info, const TDATryRead* areas) : info_(info), snapshot_(areas) {}
  void Parse(TAddress entry);

 private:
  void AddArea(TAddress address, TAddress from);
  void AddDataArea(TAddress address, uint32_t length, bool isCaseTable, bool isExceptTable);
  void ParseArea();
  void HandleTarget(const TInstructionInfo& ins);
  bool RetryUnknownTargets();
  bool ParseSpeculativeArea();
  void ComputeExtent(TAddress& lowest, TAddress& highestEnd) const;
  void DecidePatchable();
  bool ReadDword(TAddress address, TAddress& value) const {
    return TryRead(address, &value, 4, snapshot_);
  }
  bool InModule(TAddress a) const { return a >= low_ && a <= high_; }
  TInstructionInfo DecodeHere(TAddress code) const {
    TDecodedDetails d;
    return Decode(code, d, snapshot_, false, nullptr);
  }

  TFunctionInfo& info_;
  const TDATryRead* snapshot_;
  TAddress entry_ = 0;
  TAddress low_ = 0, high_ = 0;
  size_t current_ = 0;
  TRegisters regs_{};
  TInstructionInfo last_;
  bool overflow_ = false;
};

void FunctionParser::Parse(TAddress entry) {
  info_ = TFunctionInfo{};
  MEMORY_BASIC_INFORMATION m;
  if (VirtualQuery(reinterpret_cast<void*>(entry), &m, sizeof m) != sizeof m ||
      m.State != MEM_COMMIT) {
    info_.ErrorAddress = entry;
    info_.ErrorCode = kInvalidParameter;
    info_.ErrorText = SystemErrorText(kInvalidParameter);
    return;
  }
  TImageRanges r;
  const TAddress base = static_cast<TAddress>(reinterpret_cast<uintptr_t>(m.AllocationBase));
  if (base && ImageRangesOf(base, r)) {
    low_ = std::min(r.codeStart, r.dataStart);
    high_ = std::max(r.codeEnd, r.dataEnd) - 1;
  } else {
    low_ = static_cast<TAddress>(reinterpret_cast<uintptr_t>(m.BaseAddress));
    high_ = low_ + static_cast<TAddress>(m.RegionSize);
  }
  entry_ = entry;
  info_.Entry = entry;
  info_.CopyInfo.Valid = true;
  AddArea(entry, 0);

  for (;;) {
    if (overflow_) {
      last_.Valid = false;
      break;
    }
    auto queued = std::find_if(info_.Areas.begin(), info_.Areas.end(),
                               [](const TCodeArea& a) { return a.AreaEnd == 0; });
    bool picked = queued != info_.Areas.end();
    if (picked) {
      current_ = static_cast<size_t>(queued - info_.Areas.begin());
    } else {
      picked = RetryUnknownTargets();
    }
    if (picked) {
      ParseArea();
      if (!last_.Valid) break;
      continue;
    }
    if (!ParseSpeculativeArea()) break;
  }

  if (!last_.Valid) {
    info_.ErrorAddress = last_.Next;
    info_.ErrorCode = kInvalidCodeError;
    info_.ErrorText = "Invalid code!";
    return;
  }
  info_.Valid = true;
  TAddress highestEnd;
  ComputeExtent(info_.CodeStart, highestEnd);
  info_.CodeLength = static_cast<int32_t>(highestEnd - info_.CodeStart + 1);
  info_.CopyInfo.BufferLength += info_.CodeLength + 4;
  DecidePatchable();
}

void FunctionParser::ComputeExtent(TAddress& lowest, TAddress& highestEnd) const {
  lowest = info_.Areas.front().AreaStart;
  highestEnd = info_.Areas.front().AreaEnd;
  for (const TCodeArea& a : info_.Areas) {
    lowest = std::min(lowest, a.AreaStart);
    highestEnd = std::max(highestEnd, a.AreaEnd);
  }
}

// Decoded again with the registers of the area that holds it, an unknown target may resolve.
bool FunctionParser::RetryUnknownTargets() {
  for (size_t k = info_.UnknownTargets.size(); k-- > 0;) {
    if (k >= info_.UnknownTargets.size()) continue;  // removed by a handled target
    const TUnknownTarget u = info_.UnknownTargets[k];
    for (const TCodeArea& a : info_.Areas) {
      // The call or jump may be the area's last instruction: its end is the area's end + 1.
      if (!(a.AreaStart <= u.CallStart && u.CallNext <= a.AreaEnd + 1)) continue;
      TRegisters registers = a.Registers;
      TDecodedDetails d;
      const TInstructionInfo ins = Decode(u.CallStart, d, snapshot_, true, &registers);
      if (ins.Valid && (ins.TargetOperand || ins.TargetSlot)) {
        const size_t before = info_.Areas.size();
        HandleTarget(ins);
        if (info_.Areas.size() > before && info_.Areas.back().AreaEnd == 0) {
          current_ = info_.Areas.size() - 1;
          return true;
        }
      }
      break;  // only the first area that holds it
    }
  }
  return false;
}

// Code that follows the function's areas without a gap may be reached through jumps that are
// not known; it is parsed when it lies close to the function.
bool FunctionParser::ParseSpeculativeArea() {
  const bool anyJump = std::any_of(info_.UnknownTargets.begin(), info_.UnknownTargets.end(),
                                   [](const TUnknownTarget& u) { return !u.IsCall; });
  if (!anyJump) return false;
  TAddress lowest, highestEnd;
  ComputeExtent(lowest, highestEnd);
  TAddress runEnd = 0;
  for (const TCodeArea& a : info_.Areas)
    if (a.AreaStart == lowest) runEnd = std::max(runEnd, a.AreaEnd);
  for (bool grew = true; grew;) {
    grew = false;
    for (const TCodeArea& a : info_.Areas) {
      if (a.AreaStart == runEnd + 1) {
        runEnd = a.AreaEnd;
        grew = true;
      }
    }
  }
  const TAddress next = runEnd + 1;
  if (next - 1 == highestEnd || highestEnd - next >= kSpeculativeReach) return false;
  const size_t remembered = info_.Areas.size();
  regs_.fill(0);
  AddArea(next, 0);
  current_ = info_.Areas.size() - 1;
  ParseArea();
  if (!last_.Valid) {
    info_.Areas.resize(remembered);
    return false;
  }
  return true;
}

void FunctionParser::AddArea(TAddress address, TAddress from) {
  auto& areas = info_.Areas;
  for (TCodeArea& a : areas) {
    if (a.AreaStart != address) continue;
    if (from > a.ReferencedFrom && from < a.AreaStart) a.ReferencedFrom = from;
    for (int i = 0; i < 8; ++i)
      if (regs_[i] != a.Registers[i]) a.Registers[i] = 0;  // keep what all paths agree on
    return;
  }
  if (areas.size() >= kMaxAreas) {
    overflow_ = true;
    return;
  }
  for (size_t k = 0; k < areas.size(); ++k) {
    TCodeArea& old = areas[k];
    if (!(old.AreaStart < address && address <= old.AreaEnd)) continue;
    TCodeArea split;
    split.AreaStart = address;
    split.AreaEnd = old.AreaEnd;
    split.ReferencedFrom = from;
    old.AreaEnd = address - 1;
    for (int i = 0; i < 8; ++i)
      if (regs_[i] != old.Registers[i]) regs_[i] = 0;
    split.Registers = regs_;
    areas.push_back(split);
    if (k == current_) current_ = areas.size() - 1;
    return;
  }
  TCodeArea queued;
  queued.AreaStart = address;
  queued.ReferencedFrom = from;
  queued.Registers = regs_;
  areas.push_back(queued);
}

void FunctionParser::AddDataArea(TAddress address, uint32_t length, bool isCaseTable,
                                 bool isExceptTable) {
  TCodeArea a;
  a.AreaStart = address;
  a.AreaEnd = address + length - 1;
  a.IsCaseTable = isCaseTable;
  a.IsExceptTable = isExceptTable;
  info_.Areas.push_back(a);
}

void FunctionParser::ParseArea() {
  const TAddress areaStart = info_.Areas[current_].AreaStart;
  TAddress limit = high_;
  for (const TCodeArea& a : info_.Areas)
    if (a.AreaStart > areaStart) limit = std::min(limit, a.AreaStart);
  regs_ = info_.Areas[current_].Registers;
  TAddress at = areaStart;
  bool framePending = false;
  TAddress handler = 0;
  int caseStage = 0, caseRegister = 0;
  uint32_t caseCount = 0;

  for (;;) {
    const TRegisters kept = regs_;
    TDecodedDetails d;
    last_ = Decode(at, d, snapshot_, false, &regs_);
    if (!last_.Valid) break;
    info_.Areas[current_].AreaEnd = last_.Next - 1;
    const uint16_t op = last_.Opcode;
    if (op == 0xC2 || op == 0xC3 || op == 0xCA || op == 0xCB || op == 0xCF) break;

    // Exception frame: push handler; push fs:[...]; mov fs:[...],esp.
    const int length = static_cast<int>(last_.Next - last_.Start);
    if (framePending) {
      const bool viaRegister = op == 0xFF && d.segment == 5 && d.modrm >= 0x30 && d.modrm <= 0x37 &&
                               length == 3 && kept[d.modrm & 7] == 0;
      const bool viaDisplacement =
          op == 0xFF && d.segment == 5 && d.modrm == 0x35 && length == 7 && d.displacement == 0;
      if (viaRegister || viaDisplacement) AddArea(handler, 0);
      framePending = false;
    }
    if (op == 0x68 && length == 5 && !d.operandSizePrefix) {
      bool ok;
      framePending = ByteAt(last_.Next, snapshot_, ok) == 0x64 && ok;
      handler = static_cast<TAddress>(d.immediate);
    }

    // Case table: cmp reg,imm8; ja/jae/jg/jge; jmp [table + reg*4] with the table right after.
    if (caseStage == 2) {
      caseStage = 0;
      if (op == 0xFF && d.reg == 4 && (d.modrm & 0xC7) == 0x04 && (d.sib & 0xC7) == 0x85 &&
          d.index == caseRegister && static_cast<TAddress>(d.displacement) == last_.Next &&
          caseCount <= kMaxTableEntries) {
        for (uint32_t k = 0; k < caseCount; ++k) {
          TAddress target;
          if (ReadDword(last_.Next + 4 * k, target)) AddArea(target, last_.Start);
        }
        AddDataArea(last_.Next, caseCount * 4, true, false);
        break;
      }
    } else if (caseStage == 1) {
      caseStage = 0;
      if (op == 0x77 || op == 0x7F || op == 0x0F87 || op == 0x0F8F) {
        caseStage = 2;
        ++caseCount;
      } else if (op == 0x73 || op == 0x7D || op == 0x0F83 || op == 0x0F8D) {
        caseStage = 2;
      }
    }
    if (op == 0x83 && d.modrm >= 0xF8) {
      caseStage = 1;
      caseRegister = d.modrm & 7;
      caseCount = static_cast<uint8_t>(d.immediate);
    }

    const bool terminates = (last_.IsCall || last_.IsJump) && RuntimeEntries.termination &&
                            last_.Target == RuntimeEntries.termination;
    HandleTarget(last_);
    if (terminates) break;
    // A new queued area ahead bounds the walk. A jump back into this area splits it instead:
    // the split-off part is the one being walked and must not stop it.
    const TCodeArea& newest = info_.Areas.back();
    if (newest.AreaEnd == 0 && newest.AreaStart > areaStart && newest.AreaStart < limit)
      limit = newest.AreaStart;
    if (op == 0xE9 || op == 0xEA || op == 0xEB || (op == 0xFF && (d.reg == 4 || d.reg == 5))) break;
    at = last_.Next;
    if (regs_ != kept || last_.Next >= limit) {
      AddArea(last_.Next, 0);
      break;
    }
    if (overflow_) break;
  }
  if (last_.Start > limit) last_.Valid = false;  // ran into another area or out of the module
}

void FunctionParser::HandleTarget(const TInstructionInfo& ins) {
  if (!ins.IsCall && !ins.IsJump) return;
  if (!ins.TargetOperand && !ins.TargetSlot) {
    info_.UnknownTargets.push_back({ins.IsCall, ins.Start, ins.Next});
    return;
  }
  const TRuntimeEntries& rt = RuntimeEntries;
  bool handled = false;
  if (ins.Target) {
    if (ins.Target == rt.anyException) {
      AddArea(ins.Next, 0);
      handled = true;
    } else if (ins.Target == rt.finallyBlock) {
      AddArea(ins.Next, 0);
      const TInstructionInfo jump = DecodeHere(ins.Next);
      bool ok;
      TAddress after;
      if (jump.IsJump && jump.Target > entry_ && jump.Target < ins.Start &&
          ByteAt(jump.Target - 5, snapshot_, ok) == 0x68 && ok &&
          ReadDword(jump.Target - 4, after) && after > entry_)
        AddArea(after, 0);
      handled = true;
    } else if (ins.Target == rt.onException) {
      TAddress count = 0;
      if (ReadDword(ins.Next, count) && count <= kMaxTableEntries) {
        AddDataArea(ins.Next, count * 8 + 4, false, true);
        for (TAddress k = 1; k <= count; ++k) {
          TAddress clauseHandler;
          if (ReadDword(ins.Next + 8 * k, clauseHandler)) AddArea(clauseHandler, 0);
        }
      }
      handled = true;
    } else if (ins.Target == rt.autoException) {
      handled = true;
    }
  }
  if (ins.TargetSize == 4 && (ins.IsCall || !InModule(ins.Target) || handled)) {
    TFarCall call{ins.IsCall,         ins.Start,         ins.Next,      ins.Target,
                  ins.RelativeTarget, ins.TargetOperand, ins.TargetSlot};
    bool ok;
    const uint8_t first = ins.Target ? ByteAt(ins.Target, snapshot_, ok) : 0;
    if (ins.Target && ok && (first == 0xE9 || first == 0xEB || first == 0xFF)) {
      // A jump stub such as an import thunk is followed once.
      const TInstructionInfo stub = DecodeHere(ins.Target);
      const void* at = reinterpret_cast<const void*>(static_cast<uintptr_t>(ins.Target));
      if (stub.Valid && stub.Target && GetExportName(FindModule(at), at, false).empty())
        call.Target = stub.Target;
    }
    const bool known = std::any_of(info_.FarCalls.begin(), info_.FarCalls.end(),
                                   [&](const TFarCall& f) { return f.CallNext == ins.Next; });
    if (!known) {
      info_.FarCalls.push_back(call);
      if (ins.TargetSlot) info_.CopyInfo.BufferLength += 4;
    }
  } else {
    AddArea(ins.Target, ins.Start);
  }
  auto& unknown = info_.UnknownTargets;
  for (size_t k = 0; k < unknown.size(); ++k) {
    if (unknown[k].CallStart != ins.Start) continue;
    unknown[k] = unknown.back();
    unknown.pop_back();
    break;
  }
}

void FunctionParser::DecidePatchable() {
  uint32_t run = 0;
  TAddress next = info_.Areas.front().AreaStart;
  for (bool grew = true; grew;) {
    grew = false;
    for (const TCodeArea& a : info_.Areas) {
      if (a.AreaStart != next || a.IsCaseTable || a.IsExceptTable ||
          (a.ReferencedFrom && a.AreaStart != entry_))
        continue;
      run += a.AreaEnd - a.AreaStart + 1;
      next = a.AreaEnd + 1;
      grew = true;
      break;
    }
  }
  if (run < 6) return;
  info_.Patchable = true;
  for (TAddress at = entry_; at < entry_ + 6;) {
    const TInstructionInfo ins = DecodeHere(at);
    if (!ins.Valid) break;
    if ((ins.IsCall || ins.IsJump) &&
        ((!ins.TargetOperand && !ins.TargetSlot) || (!ins.Widenable && ins.TargetSize < 4))) {
      info_.Patchable = false;
      return;
    }
    at = ins.Next;
  }
}

}  // namespace

TFunctionInfo ParseFunction(TAddress entry) {
  TFunctionInfo info;
  FunctionParser(info, nullptr).Parse(entry);
  return info;
}

TFunctionInfo ParseFunctionSafe(TAddress entry, const TDATryRead& areas) {
  TFunctionInfo info;
  FunctionParser(info, &areas).Parse(entry);
  return info;
}

}  // namespace drosk
