// The human-readable listing: instruction lines in Intel operand order with symbol and string
// comments, and whole functions with labels, data tables and a window around a marked line.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_dis_asm_listing.h"
#include "crashreport/drosk_dis_asm_private.h"
#include "crashreport/drosk_dis_asm_tables.h"
#include "crashreport/drosk_tools.h"

namespace drosk {
namespace {

using namespace disasm;

constexpr const char* kReg8[8] = {"al", "cl", "dl", "bl", "ah", "ch", "dh", "bh"};
constexpr const char* kReg16[8] = {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di"};
constexpr const char* kReg32[8] = {"eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi"};
constexpr const char* kSeg[8] = {"es", "cs", "ss", "ds", "fs", "gs", "?", "?"};
constexpr const char* kConditions[16] = {"o", "no", "b", "nb", "z", "nz", "be", "a",
                                         "s", "ns", "p", "np", "l", "ge", "le", "g"};
constexpr std::string_view kSeparator =
    "; ---------------------------------------------------------";

std::string Hex(uint32_t v) {
  char b[12];
  snprintf(b, sizeof b, "%x", v);
  return b;
}
std::string Address8(uint32_t v) {
  char b[12];
  snprintf(b, sizeof b, "%08x", v);
  return b;
}
// "$1a", or plain decimal below 10.
std::string Unsigned(uint32_t v) { return v < 10 ? std::to_string(v) : "$" + Hex(v); }
std::string Signed(int32_t v, bool plusSign) {
  const uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  return (v < 0 ? "-" : plusSign ? "+" : "") + Unsigned(magnitude);
}

void PadTo(std::string& s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
  std::vector<std::string_view> parts;
  size_t at = 0;
  for (;;) {
    const size_t next = s.find(separator, at);
    parts.push_back(
        s.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
    if (next == std::string_view::npos) return parts;
    at = next + 1;
  }
}

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

std::string ThreeDNowName(const TDecodedDetails& d) {
  for (const TThreeDNow& t : kThreeDNow)
    if (t.suffix == static_cast<uint8_t>(d.immediate)) return t.name;
  return "";
}

bool IsOneByte(const TDecodedDetails& d) { return d.opcode < 0x100; }

}  // namespace

std::string MnemonicOf(const TDecodedDetails& d) {
  if (d.mnemonic == 0) return d.opcode == 0x0F0F ? ThreeDNowName(d) : std::string();
  std::string text = kMnemonics[d.mnemonic];
  ReplaceAll(text, "%cc", kConditions[d.opcode & 15]);
  ReplaceAll(text, "%seg", kSeg[(d.opcode >> 3) & 7]);
  const bool p66 = d.operandSizePrefix, f2 = d.repne, f3 = d.rep;
  {
    const auto alternatives = Split(text, '/');
    const size_t pick = p66 ? 1 : f2 ? 2 : f3 ? 3 : 0;
    const std::string_view chosen = pick < alternatives.size() && !alternatives[pick].empty()
                                        ? alternatives[pick]
                                        : alternatives[0];
    text = std::string(chosen);
  }
  {
    const auto alternatives = Split(text, '|');
    if (alternatives.size() > 1) {
      const int rm = d.modrm & 7;
      if (alternatives.size() < 9 || d.memory) {
        text = static_cast<size_t>(d.reg) < alternatives.size() ? std::string(alternatives[d.reg])
                                                                : "";
      } else {
        text = static_cast<size_t>(d.reg + 8) < alternatives.size()
                   ? std::string(alternatives[d.reg + 8])
                   : "";
        if (text.find('-') != std::string::npos) {
          const auto parts = Split(text, '-');
          text = static_cast<size_t>(rm) < parts.size() ? std::string(parts[rm]) : "";
        }
      }
    }
  }
  if (const size_t colon = text.find(':'); colon != std::string::npos)
    text = d.memory ? text.substr(colon + 1) : text.substr(0, colon);
  if (!p66 && !f2) {
    ReplaceAll(text, "S", "s");
    ReplaceAll(text, "P", f3 ? "s" : "p");
  } else {
    ReplaceAll(text, "S", "d");
    ReplaceAll(text, "P", p66 && !f2 && !f3 ? "p" : "s");
  }
  if (d.opcode >= 0xD8 && d.opcode <= 0xDF && !text.empty()) text = "f" + text;
  return text;
}

namespace {

// Register names by operand kind (the ModR/M kinds: 2 r8, 3 r16, 4 r32, 5 mm, 6 st, 7 xmm).
std::string RegisterName(int kind, int number, bool sized, bool p66) {
  switch (kind) {
    case 2: return kReg8[number];
    case 3: return kReg16[number];
    case 4: return sized && p66 ? kReg16[number] : kReg32[number];
    case 5: return (sized && p66 ? "xmm" : "mm") + std::to_string(number);
    case 6: return "st(" + std::to_string(number) + ")";
    case 7: return "xmm" + std::to_string(number);
  }
  return "";
}

int MemorySize(int modKind, bool sized, const TDecodedDetails& d) {
  switch (modKind) {
    case 2: return 1;
    case 3: return 2;
    case 4: return sized ? d.operandSize : 4;
    case 5: return sized && d.operandSizePrefix ? 16 : 8;
    case 6: return 10;
    case 7: return 16;
  }
  return 0;
}

std::string SizeWord(int size) {
  switch (size) {
    case 1: return "byte ptr ";
    case 2: return "word ptr ";
    case 4: return "dword ptr ";
    case 8: return "qword ptr ";
    case 10: return "tbyte ptr ";
    case 16: return "oword ptr ";
  }
  return "";
}

std::string SegmentPrefix(const TDecodedDetails& d) {
  return d.segment ? std::string(kSeg[d.segment - 1]) + ":" : std::string();
}

struct OperandKinds {
  int regKind = 0;  // as the ModR/M kinds, 0 none
  int modKind = 0;
  bool regSized = false, modSized = false;
};

// The kinds after the prefix rules of the two-byte map.
OperandKinds KindsOf(const TDecodedDetails& d) {
  const uint16_t a = d.attributes;
  OperandKinds k{RegKind(a), ModKind(a), (a & kRegSized) != 0, (a & kModSized) != 0};
  if (k.regKind == 1)
    k.regKind = 2;  // r8 is ModR/M kind 2
  else if (k.regKind == 2)
    k.regKind = 3;
  else if (k.regKind == 3)
    k.regKind = -1;  // segment register
  if (d.opcode >= 0x0F00 && (d.repne || d.rep)) {
    switch (d.opcode & 0xFF) {
      case 0x2A:
      case 0x2C:
      case 0x2D:
        if (k.modKind == 5)
          k.modKind = 4;
        else
          k.regKind = 4;
        break;
      case 0x6F:
      case 0x70:
      case 0x7E:
      case 0x7F: k.regKind = k.modKind = 7; break;
      case 0xD6: (d.rep ? k.modKind : k.regKind) = 7; break;
    }
  }
  return k;
}

std::string RegisterOperand(const TDecodedDetails& d, const OperandKinds& k) {
  const bool p66 = d.operandSizePrefix;
  if (ModKind(d.attributes) == 0) {  // implied operands
    switch (RegKind(d.attributes)) {
      case 1: return "al";
      case 2: return k.regSized && p66 ? "ax" : "eax";
      case 4: return kReg8[d.opcode & 7];
      case 5: return k.regSized && p66 ? kReg16[d.opcode & 7] : kReg32[d.opcode & 7];
      case 6: return k.regSized && p66 ? "ax" : "eax";
      case 7: return (d.opcode & 1) ? (k.regSized && p66 ? "ax" : "eax") : "al";
    }
    return "";
  }
  if (k.regKind == -1) {
    const uint16_t op = d.opcode;
    if (op == 0x0F20 || op == 0x0F22) return "cr" + std::to_string(d.reg);
    if (op == 0x0F21 || op == 0x0F23) return "dr" + std::to_string(d.reg);
    return kSeg[d.reg];
  }
  if (k.regKind == 6) return "st";
  return RegisterName(k.regKind, d.reg, k.regSized, p66);
}

// The second operand of the implied kinds 6 and 7.
std::string ImpliedSecond(const TDecodedDetails& d) {
  if (ModKind(d.attributes) != 0) return "";
  if (RegKind(d.attributes) == 6)
    return d.operandSizePrefix ? kReg16[d.opcode & 7] : kReg32[d.opcode & 7];
  if (RegKind(d.attributes) == 7) return "dx";
  return "";
}

std::string ModRMOperand(const TDecodedDetails& d, const OperandKinds& k) {
  if (!d.memory) return RegisterName(k.modKind, d.modrm & 7, k.modSized, d.operandSizePrefix);
  const char* const* names = d.address16 ? kReg16 : kReg32;
  std::string inner;
  if (d.base >= 0) inner += std::string("+") + names[d.base];
  if (d.index >= 0) {
    inner += std::string("+") + names[d.index];
    if (d.scale > 1) inner += "*" + std::to_string(d.scale);
  }
  if (d.displacementSize) {
    if (d.base < 0 && d.index < 0)
      inner += Unsigned(d.rawDisplacement);
    else
      inner += Signed(d.displacement, true);
  }
  if (!inner.empty() && inner[0] == '+') inner.erase(0, 1);
  std::string text = SegmentPrefix(d) + "[" + inner + "]";
  if (d.attributes & kPtr) text = SizeWord(MemorySize(k.modKind, k.modSized, d)) + text;
  return text;
}

uint32_t ReadImmediateBytes(TAddress at, int count) {
  uint32_t v = 0;
  ReadCodeBytes(at, reinterpret_cast<uint8_t*>(&v), static_cast<size_t>(count), nullptr);
  return v;
}

std::string ImmediateOperand(const TDecodedDetails& d, const TInstructionInfo& info) {
  const uint16_t op = d.opcode;
  if (!d.immediateSize || op == 0x0F0F) return "";
  if ((op == 0xD4 || op == 0xD5) && d.immediate == 10) return "";
  if (op == 0xC8) {
    return "$" + Hex(ReadImmediateBytes(d.immediatePosition, 2)) + ", $" +
           Hex(ReadImmediateBytes(d.immediatePosition + 2, 1));
  }
  if (op == 0x9A || op == 0xEA) {
    const int offsetSize = d.immediateSize - 2;
    return "$" + Hex(ReadImmediateBytes(d.immediatePosition + offsetSize, 2)) + ":$" +
           Hex(ReadImmediateBytes(d.immediatePosition, offsetSize));
  }
  if (d.attributes & kRelative)
    return Signed(d.immediate, true) + " ($" + Hex(info.Next + static_cast<uint32_t>(d.immediate)) +
           ")";
  if (ModKind(d.attributes) == 0 && (d.attributes & kPtr))
    return SegmentPrefix(d) + "[" + Unsigned(static_cast<uint32_t>(d.immediate)) + "]";
  if (op == 0x69 || op == 0x6B || (op >= 0x80 && op <= 0x83)) return Signed(d.immediate, false);
  uint32_t v = static_cast<uint32_t>(d.immediate);
  if (op != 0x6A && d.immediateSize < 4) v &= d.immediateSize == 1 ? 0xFFu : 0xFFFFu;
  if (d.operandSizePrefix) v &= 0xFFFF;
  return Unsigned(v);
}

// The name of a symbol at `address`, with the module suffix for other modules.
const void* Pointer(TAddress address) {
  return reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
}

// The module holding `address` as an address; 0 for none.
TAddress ModuleOf(TAddress address, std::string* file = nullptr) {
  return static_cast<TAddress>(reinterpret_cast<uintptr_t>(FindModule(Pointer(address), file)));
}

std::string SymbolName(TAddress address, bool withModule, int depth = 0) {
  std::string file;
  const TAddress module = ModuleOf(address, &file);
  if (!module) return "";
  std::string name = GetExportName(reinterpret_cast<HMODULE>(module), Pointer(address), true);
  if (name.empty() && PublicNameHook) PublicNameHook(address, name);
  TImageRanges r;
  if (name.empty() && depth == 0 && ImageRangesOf(module, r) && address < module + r.imageSize) {
    const TInstructionInfo ins = DecodeInstruction(address);  // an import thunk names its target
    if (ins.Valid && (ins.IsJump || ins.IsCall) && ins.Target)
      return SymbolName(ins.Target, withModule, 1);
  }
  if (!name.empty() && withModule && module != OwnModule())
    name += " (" + file.substr(file.find_last_of("\\/") + 1) + ")";
  return name;
}

void AppendComment(std::string& line, const std::string& comment) {
  PadTo(line, 40);
  line += "  ; " + comment;
}

// Quoted text when the bytes at `address` look like one.
std::string StringAt(TAddress address) {
  char buffer[101] = {};
  const size_t n = ReadCodeBytes(address, reinterpret_cast<uint8_t*>(buffer), 100, nullptr);
  std::string text;
  int a = 0, b = 0, c = 0, other = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ch = static_cast<unsigned char>(buffer[i]);
    if (ch == 0 || ch == '\n' || ch == '\r') break;
    if (ch < 32) return "";
    text += static_cast<char>(ch);
    if (isalnum(ch) || ch == ' ')
      ++a;
    else if (ch == ',' || ch == '.' || ch == ':' || ch == '\\')
      ++b;
    else if (ch >= 33 && ch <= 93)
      ++c;
    else
      ++other;
  }
  if (text.size() > 4 && 2 * a > 5 * b && a + b / 2 > 8 * c && a + b / 2 + c / 4 > 10 * other)
    return "'" + text + "'";
  return "";
}

// Symbol, else string, for an address written in the instruction. A memory operand's address
// (`dereference`) first gives way to the pointer stored there when that points into the module.
bool CommentFor(std::string& line, TAddress value, TAddress instruction, bool dereference) {
  const TAddress module = ModuleOf(instruction);
  TImageRanges r;
  const bool inImage = module && ImageRangesOf(module, r);
  if (dereference && inImage && value > module) {
    TAddress stored;
    if (TryRead(value, &stored, 4, nullptr) && stored > module &&
        stored <= module + r.imageSize - 100)
      value = stored;
  }
  const std::string symbol = SymbolName(value, true);
  if (!symbol.empty()) {
    AppendComment(line, symbol);
    return true;
  }
  if (inImage && value >= module && value < module + r.imageSize - 100) {
    const std::string text = StringAt(value);
    if (!text.empty()) {
      PadTo(line, 40);
      line += "  ; " + text;
      return true;
    }
  }
  return false;
}

}  // namespace

TInstructionInfo InstructionLine(TAddress code, std::string& text, TRegisters* registers,
                                 bool resolve, const std::string& targetLabel) {
  TDecodedDetails d;
  const TInstructionInfo info = Decode(code, d, nullptr, resolve, registers);
  text.clear();
  if (info.Start == info.Next) return info;
  if (!info.Valid) {
    for (TAddress at = info.Start; at < info.Next; ++at) {
      if (at != info.Start) text += "\r\n";
      text += Address8(at) + "   db $";
      char b[4];
      snprintf(b, sizeof b, "%02x", ReadImmediateBytes(at, 1));
      text += b;
    }
    return info;
  }
  text = Address8(info.Start) + "   ";
  if (d.lock) text += "lock ";
  if (IsOneByte(d) && d.repne) text += "repne ";
  if (IsOneByte(d) && d.rep) text += "rep ";
  text += MnemonicOf(d);

  if (!targetLabel.empty()) {
    text += ' ';
    PadTo(text, 19);
    text += targetLabel;
    return info;
  }
  const OperandKinds k = KindsOf(d);
  const std::string reg = RegisterOperand(d, k);
  const std::string mod = ModRMOperand(d, k) + ImpliedSecond(d);
  const std::string imm = ImmediateOperand(d, info);
  std::vector<std::string> operands;
  const bool hasMod = ModKind(d.attributes) != 0 || !ImpliedSecond(d).empty();
  if (!reg.empty()) {
    operands.push_back(reg);
    if (hasMod && !mod.empty()) operands.push_back(mod);
  } else if (hasMod && !mod.empty()) {
    operands.push_back(mod);
  }
  if (!imm.empty()) operands.push_back(imm);
  // movq xmm, xmm/m64 (F3 0F 7E) loads, unlike the other forms of its opcode.
  const bool loadForm = d.opcode == 0x0F7E && d.rep;
  if ((d.attributes & kModFirst) && !loadForm && operands.size() >= 2)
    std::swap(operands[0], operands[1]);
  const uint16_t op = d.opcode;
  if (op == 0xD0 || op == 0xD1) operands.push_back("1");
  if (op == 0xD2 || op == 0xD3 || op == 0x0FA5 || op == 0x0FAD) operands.push_back("cl");
  if (!operands.empty()) {
    text += ' ';
    PadTo(text, 19);
    for (size_t i = 0; i < operands.size(); ++i) text += (i ? ", " : "") + operands[i];
  }

  if (info.Target) {
    const std::string symbol = SymbolName(info.Target, true);
    if (!symbol.empty()) AppendComment(text, symbol);
  } else {
    bool done = false;
    if (d.memory && d.displacementSize == 4) done = CommentFor(text, d.rawDisplacement, code, true);
    const bool memoryOffset = ModKind(d.attributes) == 0 && (d.attributes & kPtr);
    if (!done && d.immediateSize == 4)
      CommentFor(text, static_cast<uint32_t>(d.immediate), code, memoryOffset);
  }
  return info;
}

namespace {

struct Line {
  TAddress address;
  std::string text;  // the whole line
  bool instruction;
};

class ListingWriter {
 public:
  ListingWriter(const TFunctionInfo& info, bool disassemble)
      : info_(info), disassemble_(disassemble) {}
  bool Write(std::vector<Line>& lines);

 private:
  std::string LabelOf(TAddress target) const;
  void Plain(TAddress address, const std::string& text) {
    lines_->push_back(
        {address, text.empty() ? Address8(address) : Address8(address) + " " + text, false});
  }
  void Code(const TCodeArea& area, bool lastArea);
  void CaseTable(const TCodeArea& area);
  void ExceptTable(const TCodeArea& area);
  bool IsHandlerEntry(TAddress t) const {
    const TRuntimeEntries& rt = RuntimeEntries;
    return t && (t == rt.anyException || t == rt.onException || t == rt.finallyBlock);
  }

  const TFunctionInfo& info_;
  bool disassemble_;
  std::vector<Line>* lines_ = nullptr;
  std::vector<TCodeArea> ordered_;
  std::string header_;
  bool codeWritten_ = false;
  bool endedInBareJump_ = false;  // the code so far ended with a jump without its separator
};

std::string ListingWriter::LabelOf(TAddress target) const {
  if (target == info_.Entry) return header_;
  for (const TCodeArea& a : ordered_)
    if (a.AreaStart == target && !a.IsCaseTable && !a.IsExceptTable) return "loc_" + Hex(target);
  return "";
}

bool ListingWriter::Write(std::vector<Line>& lines) {
  lines_ = &lines;
  const std::string symbol = SymbolName(info_.Entry, false);
  header_ = symbol.empty() ? "sub_" + Hex(info_.Entry) : "public " + symbol;
  ordered_ = info_.Areas;
  std::sort(ordered_.begin(), ordered_.end(),
            [](const TCodeArea& a, const TCodeArea& b) { return a.AreaStart < b.AreaStart; });
  for (size_t i = 1; i < ordered_.size(); ++i)
    if (ordered_[i].AreaStart <= ordered_[i - 1].AreaEnd) return false;
  for (size_t i = 0; i < ordered_.size(); ++i) {
    const TCodeArea& a = ordered_[i];
    if (a.IsCaseTable || a.IsExceptTable) {
      if (disassemble_ && codeWritten_) {
        if (endedInBareJump_) {
          Plain(a.AreaStart, std::string(kSeparator));
          Plain(a.AreaStart, "");
        }
        Plain(a.AreaStart, "");
      }
      a.IsCaseTable ? CaseTable(a) : ExceptTable(a);
      endedInBareJump_ = false;
      continue;
    }
    std::string label;
    if (a.AreaStart == info_.Entry) {
      label = header_ + ":";
      PadTo(label, 31);
      label += "  ; function entry point";
    } else if (disassemble_ && a.ReferencedFrom) {
      label = "loc_" + Hex(a.AreaStart) + ":";
    }
    if (!label.empty()) {
      if (codeWritten_ && !lines_->empty() && lines_->back().text.size() > 8)
        Plain(a.AreaStart, "");
      Plain(a.AreaStart, label);
    }
    Code(a, i + 1 == ordered_.size());
  }
  return true;
}

void ListingWriter::Code(const TCodeArea& area, bool lastArea) {
  TRegisters registers = area.Registers;
  for (TAddress at = area.AreaStart; at <= area.AreaEnd;) {
    TDecodedDetails d;
    TRegisters probe = registers;
    const TInstructionInfo peek = Decode(at, d, nullptr, true, &probe);
    const std::string label = (peek.IsCall || peek.IsJump) ? LabelOf(peek.Target) : "";
    std::string text;
    const TInstructionInfo ins = InstructionLine(at, text, &registers, true, label);
    if (ins.Next <= at) break;
    lines_->push_back({at, text, true});
    codeWritten_ = true;
    endedInBareJump_ = false;
    const uint16_t op = ins.Opcode;
    const bool isReturn = op == 0xC2 || op == 0xC3 || op == 0xCA || op == 0xCB || op == 0xCF;
    const bool veryLast = lastArea && ins.Next > area.AreaEnd;
    if (disassemble_ && (ins.IsCall || ins.IsJump || isReturn) && !veryLast) {
      Plain(ins.Next, "");
      const bool leaves =
          isReturn || op == 0xE9 || op == 0xEA || op == 0xEB || (op == 0xFF && ins.IsJump);
      if (leaves && !IsHandlerEntry(ins.Target)) {
        Plain(ins.Next, std::string(kSeparator));
        Plain(ins.Next, "");
      } else if (ins.IsJump) {
        endedInBareJump_ = true;
      }
    }
    at = ins.Next;
  }
}

void ListingWriter::CaseTable(const TCodeArea& area) {
  for (TAddress at = area.AreaStart; at + 3 <= area.AreaEnd; at += 4) {
    TAddress target = 0;
    TryRead(at, &target, 4, nullptr);
    std::string text = "  dd loc_" + Hex(target);
    if (at == area.AreaStart) {
      PadTo(text, 31);
      text += "  ; case jump table";
    }
    Plain(at, text);
  }
}

void ListingWriter::ExceptTable(const TCodeArea& area) {
  TAddress count = 0;
  TryRead(area.AreaStart, &count, 4, nullptr);
  // Class names are not readable for the classes of this runtime: every class is EUnknown.
  const std::string unknown = "EUnknown";
  for (TAddress k = 0; k < count && area.AreaStart + 8 * k + 11 <= area.AreaEnd; ++k) {
    const TAddress clause = area.AreaStart + 4 + 8 * k;
    TAddress cls = 0, handler = 0;
    TryRead(clause, &cls, 4, nullptr);
    TryRead(clause + 4, &handler, 4, nullptr);
    const std::string head =
        cls ? "  on " + unknown + " do" : "  else" + std::string(unknown.size() + 2, ' ');
    Plain(clause, head + " loc_" + Hex(handler));
  }
}

int Digits(int32_t v) { return static_cast<int>(std::to_string(v).size()); }

}  // namespace

bool DisassembleFunction(TAddress function, std::string& text, TAddress marked, TFunctionInfo& info,
                         bool disassemble, int disassemblyLines) {
  text.clear();
  info = ParseFunction(function);
  if (!info.Valid) return false;
  std::vector<Line> lines;
  if (!ListingWriter(info, disassemble).Write(lines)) {
    text = "Internal error in ParseFunction while composing the disassembling string...  :-(";
    return true;
  }
  int width = 0;
  if (LineHook) {
    int32_t line = 0;
    TAddress rs = 0, re = 0;
    LineHook(info.CodeStart + info.CodeLength - 1, line, rs, re);
    width = line > 0 ? Digits(line) : 0;
  }
  int markedIndex = -1;
  int32_t current = 0;
  TAddress rangeStart = 0, rangeEnd = 0;
  int32_t shown = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    Line& l = lines[i];
    if (markedIndex < 0 && l.instruction && l.address == marked) {
      markedIndex = static_cast<int>(i);
      if (l.text.size() > 9) l.text[9] = '>';
    }
    if (width) {
      LineHook(l.address, current, rangeStart, rangeEnd);
      std::string column(static_cast<size_t>(width) + 1, ' ');
      if (current != shown) {
        char b[16];
        snprintf(b, sizeof b, "%0*d ", width, current);
        column = b;
        shown = current;
      }
      if (l.text.size() < 10)
        l.text = column + l.text;
      else
        l.text.insert(9, column);
    }
  }
  size_t first = 0, last = lines.size();
  const int n = disassemblyLines;
  if (n > 0 && markedIndex >= 0) {
    const int c = markedIndex + 1;
    if (c * 10 > 12 * n) first = static_cast<size_t>(c - n - 1);
    last = std::min(lines.size(), static_cast<size_t>(markedIndex + n + 1));
  }
  if (first > 0) text += "[...]\r\n";
  for (size_t i = first; i < last; ++i) text += lines[i].text + "\r\n";
  if (last < lines.size()) text += "[...]\r\n";
  if (text.size() >= 2) text.resize(text.size() - 2);
  return true;
}

}  // namespace drosk
