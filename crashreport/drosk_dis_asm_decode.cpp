// Decoding one x86 instruction of the own process from the tables, with optional tracking of
// registers loaded from immediates in the code.
#include <windows.h>

#include <cstring>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_dis_asm_private.h"
#include "crashreport/drosk_dis_asm_tables.h"

namespace drosk {
namespace {

using namespace disasm;

constexpr size_t kMaxInstruction = 15;
constexpr int kEax = 0, kEcx = 1, kEdx = 2, kEbx = 3, kEbp = 5, kEsi = 6, kEdi = 7;

const TGroupEntry* FindGroup(uint16_t opcode) {
  for (const TGroupEntry& g : kGroups)
    if (g.opcode == opcode) return &g;
  return nullptr;
}

bool KnownThreeDNowSuffix(uint8_t suffix) {
  for (const TThreeDNow& s : kThreeDNow)
    if (s.suffix == suffix) return true;
  return false;
}

bool ValidTwoByte(const TDecodedDetails& d) {
  const int reg = d.reg;
  const bool mem = d.memory;
  switch (d.opcode & 0xFF) {
    case 0x00: return reg < 6;
    case 0x01: return reg != 5 && (reg >= 4 || mem);
    case 0x0D: return mem && reg < 2;
    case 0x18: return mem && reg < 4;
    case 0x0F: return KnownThreeDNowSuffix(static_cast<uint8_t>(d.immediate));
    case 0x20:
    case 0x22: return !mem && (reg == 0 || reg == 2 || reg == 3 || reg == 4);
    case 0x21:
    case 0x23: return !mem && (reg <= 3 || reg >= 6);
    case 0x6C:
    case 0x6D: return d.operandSizePrefix;
    case 0x71:
    case 0x72:
    case 0x73: return !mem;
    case 0xAE: return reg == 7 || (reg <= 3 && mem) || ((reg == 5 || reg == 6) && !mem);
    case 0xB2:
    case 0xB4:
    case 0xB5:
    case 0xC3:
    case 0xC7: return mem;
    case 0xBA: return reg >= 4;
    case 0xD6:
    case 0xE6: return d.operandSizePrefix || d.repne || d.rep;
  }
  return true;
}

bool ValidOneByte(const TDecodedDetails& d) {
  const int reg = d.reg;
  const bool mem = d.memory;
  const uint8_t m = d.modrm;
  switch (d.opcode) {
    case 0x62:
    case 0x8D:
    case 0xC4:
    case 0xC5: return mem;
    case 0x8C:
    case 0x8E: return reg < 6;
    case 0xFE: return reg < 2;
    case 0xFF: return reg < 7 && (mem || (reg != 3 && reg != 5));
    case 0xD9:
      return mem || !((m >= 0xD1 && m <= 0xD7) || m == 0xE2 || m == 0xE3 || m == 0xE6 ||
                      m == 0xE7 || m == 0xEF);
    case 0xDA: return mem || !(m == 0xE8 || (m >= 0xEA && m <= 0xEF));
    case 0xDB: return mem || !(m >= 0xE5 && m <= 0xE7);
    case 0xDF: return mem || !(m >= 0xE1 && m <= 0xE7);
  }
  return true;
}

// The bytes of the instruction, fetched once; running past them makes the decoding fail.
class ByteCursor {
 public:
  ByteCursor(TAddress code, const TDATryRead* areas)
      : code_(code), available_(ReadCodeBytes(code, bytes_, sizeof bytes_, areas)) {}
  bool Has(size_t n) const { return pos_ + n <= available_; }
  uint8_t Peek(size_t ahead = 0) const { return bytes_[pos_ + ahead]; }
  uint8_t Byte() { return bytes_[pos_++]; }
  uint32_t Value(int size) {  // little-endian, size 1, 2 or 4, not extended
    uint32_t v = 0;
    for (int i = 0; i < size; ++i) v |= static_cast<uint32_t>(bytes_[pos_ + i]) << (8 * i);
    pos_ += size;
    return v;
  }
  TAddress Here() const { return code_ + static_cast<TAddress>(pos_); }

 private:
  TAddress code_;
  // An instruction never exceeds the x86 limit: one that needs a byte beyond it is invalid.
  uint8_t bytes_[kMaxInstruction];  // only the first available_ are read
  size_t available_;
  size_t pos_ = 0;
};

int32_t SignExtend(uint32_t v, int size) {
  if (size == 1) return static_cast<int8_t>(v);
  if (size == 2) return static_cast<int16_t>(v);
  return static_cast<int32_t>(v);
}

// Reads ModR/M, SIB and displacement; false when the bytes run out.
bool DecodeModRM(ByteCursor& c, TDecodedDetails& d) {
  if (!c.Has(1)) return false;
  d.modrm = c.Byte();
  const int mod = d.modrm >> 6, rm = d.modrm & 7;
  d.reg = (d.modrm >> 3) & 7;
  d.memory = mod != 3;
  if (!d.memory) return true;
  if (d.address16) {
    static constexpr int kBase16[8] = {3, 3, 5, 5, 6, 7, 5, 3};
    if (rm < 4) {
      d.index = (rm & 1) ? kEdi : kEsi;
      d.scale = 1;
    }
    d.base = kBase16[rm];
    if (mod == 0 && rm == 6) {
      d.base = -1;
      d.displacementSize = 2;
    } else {
      d.displacementSize = mod == 1 ? 1 : mod == 2 ? 2 : 0;
    }
  } else {
    int base = rm;
    if (rm == 4) {
      if (!c.Has(1)) return false;
      d.sib = c.Byte();
      base = d.sib & 7;
      const int index = (d.sib >> 3) & 7;
      if (index != 4) {
        d.index = index;
        d.scale = 1 << (d.sib >> 6);
      }
    }
    d.base = base;
    if (mod == 0 && base == 5) {
      d.base = -1;
      d.displacementSize = 4;
    } else {
      d.displacementSize = mod == 1 ? 1 : mod == 2 ? 4 : 0;
    }
  }
  if (d.displacementSize) {
    if (!c.Has(d.displacementSize)) return false;
    d.displacementPosition = c.Here();
    d.rawDisplacement = c.Value(d.displacementSize);
    d.displacement = SignExtend(d.rawDisplacement, d.displacementSize);
  }
  return true;
}

int ImmediateSize(const TDecodedDetails& d) {
  switch (ImmKind(d.attributes)) {
    case 1: return 1;
    case 2: return 2;
    case 3: return d.operandSize;
  }
  switch (d.opcode) {
    case 0x9A:
    case 0xEA: return d.operandSize + 2;
    case 0xA0:
    case 0xA1:
    case 0xA2:
    case 0xA3: return d.address16 ? 2 : 4;
    case 0xC8: return 3;
  }
  return 0;
}

void ApplyRegisterEffects(const TDecodedDetails& d, TRegisters& r) {
  const int cls = EffectClass(d.attributes);
  const int rm = d.modrm & 7;
  const int opReg = d.opcode & 7;
  if (cls == 4 || cls == 6 || cls == 7) r[kEax] = 0;
  if ((cls == 2 || cls == 5 || cls == 6) && !d.memory) r[rm] = 0;
  if (cls == 1 || cls == 5) r[d.reg] = 0;
  if (cls == 3 || cls == 7) r[opReg] = 0;

  const uint16_t op = d.opcode;
  if (op >= 0xB8 && op <= 0xBF && !d.operandSizePrefix) r[opReg] = d.immediatePosition;
  if (op == 0xC7 && !d.memory && !d.operandSizePrefix) r[rm] = d.immediatePosition;
  if (op == 0x8B && !d.memory) r[d.reg] = r[rm];
  auto clearRm = [&] {
    if (!d.memory) r[rm] = 0;
  };
  switch (op) {
    case 0x61: r.fill(0); break;
    case 0x99: r[kEdx] = 0; break;
    case 0xA4:
    case 0xA5:
    case 0xA6:
    case 0xA7: r[kEsi] = r[kEdi] = 0; break;
    case 0xAA:
    case 0xAB:
    case 0xAE:
    case 0xAF:
    case 0x6C:
    case 0x6D: r[kEdi] = 0; break;
    case 0xAC:
    case 0xAD:
    case 0x6E:
    case 0x6F: r[kEsi] = 0; break;
    case 0xC8:
    case 0xC9: r[kEbp] = 0; break;
    case 0xE0:
    case 0xE1:
    case 0xE2: r[kEcx] = 0; break;
    case 0xF7:
      if (d.reg >= 4) r[kEdx] = 0;
      break;
    case 0x80:
    case 0x81:
    case 0x82:
    case 0x83:
      if (d.reg != 7) clearRm();
      break;
    case 0xFF:
      if (d.reg <= 1) clearRm();
      break;
    case 0xDF:
      if (d.modrm == 0xE0) r[kEax] = 0;
      break;
    case 0x0F00:
      if (d.reg <= 1) clearRm();
      break;
    case 0x0F01:
      if (d.reg == 4) clearRm();
      break;
    case 0x0FBA:
      if (d.reg >= 5) clearRm();
      break;
    case 0x0F7E:
    case 0x0F7F:
      if (!d.rep) clearRm();
      break;
    case 0x0FA2: r[kEax] = r[kEcx] = r[kEdx] = r[kEbx] = 0; break;
    case 0x0F31:
    case 0x0F32:
    case 0x0F33:
    case 0x0FC7: r[kEdx] = 0; break;
    case 0x0F2C:
    case 0x0F2D:
      if (d.repne || d.rep) r[d.reg] = 0;
      break;
  }
}

bool ReadDword(TAddress address, TAddress& value, const TDATryRead* areas) {
  return TryRead(address, &value, 4, areas);
}

// Calls and jumps: where they go, when that can be known.
void ResolveTarget(const TDecodedDetails& d, TInstructionInfo& info, const TDATryRead* areas,
                   bool resolveRegisters, const TRegisters* registers) {
  const uint16_t op = d.opcode;
  if (d.attributes & kRelative) {
    info.RelativeTarget = true;
    info.TargetOperand = d.immediatePosition;
    info.TargetSize = d.immediateSize;
    info.Target = info.Next + static_cast<uint32_t>(d.immediate);
    info.Widenable = !(op >= 0xE0 && op <= 0xE3);
    (op == 0xE8 ? info.IsCall : info.IsJump) = true;
    return;
  }
  if (op == 0x9A || op == 0xEA) {
    (op == 0x9A ? info.IsCall : info.IsJump) = true;
    return;
  }
  if (op != 0xFF || d.reg < 2 || d.reg > 5) return;
  (d.reg <= 3 ? info.IsCall : info.IsJump) = true;
  if (d.memory && d.base < 0 && d.index < 0 && d.displacementSize == 4) {
    info.TargetSlot = d.displacementPosition;
    info.TargetSize = 4;
    info.Valid = ReadDword(d.rawDisplacement, info.Target, areas);
    return;
  }
  const int source = d.memory ? d.base : (d.modrm & 7);
  if (!resolveRegisters || !registers || source < 0 || !(*registers)[source] || d.index >= 0 ||
      d.displacementSize)
    return;
  const TAddress loadedFrom = (*registers)[source];
  TAddress value = 0;
  info.TargetSize = 4;
  if (d.memory) {
    info.TargetSlot = loadedFrom;
    info.Valid = ReadDword(loadedFrom, value, areas) && ReadDword(value, info.Target, areas);
  } else {
    info.TargetOperand = loadedFrom;
    info.Valid = ReadDword(loadedFrom, info.Target, areas);
  }
}

}  // namespace

TInstructionInfo Decode(TAddress code, TDecodedDetails& d, const TDATryRead* areas,
                        bool resolveRegisters, TRegisters* registers) {
  d = TDecodedDetails{};
  TInstructionInfo info;
  info.Start = info.Next = code;
  if (!code) return info;
  ByteCursor c(code, areas);
  auto fail = [&]() {
    info.Next = c.Here();
    info.Opcode = d.opcode;
    info.ModRM = d.modrm;
    return info;
  };

  for (bool prefix = true; prefix;) {
    if (!c.Has(1)) return fail();
    switch (c.Peek()) {
      case 0xF0: d.lock = true; break;
      case 0xF2:
      case 0xF3:
        (c.Peek() == 0xF2 ? d.repne : d.rep) = true;
        if (registers && (!c.Has(2) || c.Peek(1) != 0x0F)) (*registers)[kEcx] = 0;
        break;
      case 0x66:
        d.operandSizePrefix = true;
        d.operandSize = 2;
        break;
      case 0x67: d.address16 = true; break;
      case 0x26: d.segment = 1; break;
      case 0x2E: d.segment = 2; break;
      case 0x36: d.segment = 3; break;
      case 0x3E: d.segment = 4; break;
      case 0x64: d.segment = 5; break;
      case 0x65: d.segment = 6; break;
      default: prefix = false; continue;
    }
    c.Byte();
  }

  const uint8_t first = c.Byte();
  const TOpcodeEntry* entry = &kOneByteMap[first];
  d.opcode = first;
  if (first == 0x0F) {
    if (!c.Has(1)) return fail();
    const uint8_t second = c.Byte();
    entry = &kTwoByteMap[second];
    d.opcode = static_cast<uint16_t>(0x0F00 | second);
  }
  d.attributes = entry->attributes;
  d.mnemonic = entry->mnemonic;
  if (d.attributes == kInvalid) return fail();

  if (ModKind(d.attributes) != 0) {
    if (!DecodeModRM(c, d)) return fail();
    if (ModKind(d.attributes) == 1) {
      const TGroupEntry* group = FindGroup(d.opcode);
      d.attributes = group ? (d.memory ? group->memory : group->registers)[d.reg] : kInvalid;
      if (d.attributes == kInvalid) return fail();
    }
  }

  d.immediateSize = ImmediateSize(d);
  if (d.immediateSize) {
    if (!c.Has(d.immediateSize)) return fail();
    d.immediatePosition = c.Here();
    const uint32_t raw = c.Value(d.immediateSize);
    if (d.immediateSize <= 2 || d.immediateSize == 4)
      d.immediate = SignExtend(raw, d.immediateSize);
  }
  info.Next = c.Here();
  info.Opcode = d.opcode;
  info.ModRM = d.modrm;
  if (!(first == 0x0F ? ValidTwoByte(d) : ValidOneByte(d))) return info;

  info.Valid = true;
  ResolveTarget(d, info, areas, resolveRegisters, registers);
  if (info.Valid && registers) ApplyRegisterEffects(d, *registers);
  if ((info.IsCall || info.IsJump) && info.Target == info.Next) {
    // A call of the next instruction only learns the current address.
    info.IsCall = info.IsJump = false;
    info.Target = info.TargetOperand = info.TargetSlot = 0;
    info.TargetSize = 0;
    info.Widenable = false;
  }
  return info;
}

TInstructionInfo DecodeInstruction(TAddress code) {
  TDecodedDetails details;
  return Decode(code, details, nullptr, false, nullptr);
}

TInstructionInfo DecodeInstructionSafe(TAddress code, const TDATryRead& areas) {
  TDecodedDetails details;
  return Decode(code, details, &areas, false, nullptr);
}

}  // namespace drosk
