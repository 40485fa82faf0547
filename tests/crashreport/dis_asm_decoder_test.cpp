// The instruction decoder against hand-checked bytes of every map and against the reference
// disassembly of the whole module; the readable-memory snapshot and the safe read it relies on.
#include <windows.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_strings.h"
#include "gtest/gtest.h"
#include "report_text.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

struct DecodeCase {
  std::vector<uint8_t> bytes;
  int length;  // 0: the decoder refuses the bytes
  uint16_t opcode;
  const char* why;
};

// Lengths and opcodes, from the published maps, one or more per map and prefix kind.
const DecodeCase kCases[] = {
    {{0x55}, 1, 0x55, "push ebp"},
    {{0x8B, 0x43, 0x10}, 3, 0x8B, "mov eax,[ebx+$10]: disp8"},
    {{0x8B, 0x84, 0x8B, 0x00, 0x01, 0x00, 0x00}, 7, 0x8B, "SIB with disp32"},
    {{0x8B, 0x04, 0x25, 0x78, 0x56, 0x34, 0x12}, 7, 0x8B, "SIB without base: disp32"},
    {{0x8B, 0x05, 0x78, 0x56, 0x34, 0x12}, 6, 0x8B, "absolute memory"},
    {{0x67, 0x8B, 0x46, 0x02}, 4, 0x8B, "16-bit addressing, bp+disp8"},
    {{0x67, 0x8B, 0x06, 0x34, 0x12}, 5, 0x8B, "16-bit addressing, disp16 alone"},
    {{0x66, 0xB8, 0x34, 0x12}, 4, 0xB8, "mov ax,imm16"},
    {{0x66, 0x05, 0x34, 0x12}, 4, 0x05, "add ax,imm16"},
    {{0xC7, 0x00, 0x05, 0x00, 0x00, 0x00}, 6, 0xC7, "mov dword ptr [eax],5"},
    {{0x66, 0xC7, 0x00, 0x05, 0x00}, 5, 0xC7, "mov word ptr [eax],5"},
    {{0x81, 0x7D, 0xF8, 0x00, 0x01, 0x00, 0x00}, 7, 0x81, "group 1, imm32"},
    {{0x83, 0xF8, 0x05}, 3, 0x83, "group 1, imm8"},
    {{0x69, 0xC0, 0x10, 0x27, 0x00, 0x00}, 6, 0x69, "imul imm32"},
    {{0xF6, 0xC1, 0x01}, 3, 0xF6, "test r/m8,imm8 through the group table"},
    {{0xF7, 0xC1, 0x01, 0x00, 0x00, 0x00}, 6, 0xF7, "test r/m32,imm32"},
    {{0xF7, 0xE1}, 2, 0xF7, "mul ecx: no immediate"},
    {{0xF6, 0xC8, 0x01}, 0, 0xF6, "F6 /1 is invalid here"},
    {{0xC6, 0xC8, 0x01}, 3, 0xC6, "C6 /1 accepted"},
    {{0x8D, 0xC0}, 0, 0x8D, "lea with a register operand"},
    {{0xC8, 0x10, 0x00, 0x01}, 4, 0xC8, "enter: three immediate bytes"},
    {{0x9A, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00}, 7, 0x9A, "far call"},
    {{0xA1, 0x78, 0x56, 0x34, 0x12}, 5, 0xA1, "mov eax,moffs32"},
    {{0x67, 0xA1, 0x34, 0x12}, 4, 0xA1, "moffs16"},
    {{0xC2, 0x08, 0x00}, 3, 0xC2, "ret imm16"},
    {{0xF0, 0x0F, 0xB1, 0x0A}, 4, 0x0FB1, "lock cmpxchg"},
    {{0xF3, 0xA4}, 2, 0xA4, "rep movsb"},
    {{0x64, 0xFF, 0x35, 0x00, 0x00, 0x00, 0x00}, 7, 0xFF, "push fs:[0]"},
    {{0x0F, 0x0B}, 0, 0x0F0B, "ud2 is invalid"},
    {{0x0F, 0x1F, 0x00}, 0, 0x0F1F, "multi-byte nop is invalid"},
    {{0x0F, 0xB6, 0x45, 0x08}, 4, 0x0FB6, "movzx"},
    {{0x0F, 0x84, 0x10, 0x00, 0x00, 0x00}, 6, 0x0F84, "jz rel32"},
    {{0x0F, 0xA4, 0xC2, 0x04}, 4, 0x0FA4, "shld imm8"},
    {{0x0F, 0xBA, 0xE0, 0x03}, 4, 0x0FBA, "bt r/m32,imm8"},
    {{0x0F, 0xBA, 0xD8, 0x03}, 0, 0x0FBA, "0F BA /3 is invalid"},
    {{0x0F, 0x01, 0xC8}, 0, 0x0F01, "0F 01 /1 needs memory"},
    {{0x0F, 0x01, 0xE0}, 3, 0x0F01, "smsw eax"},
    {{0x0F, 0x01, 0xE8}, 0, 0x0F01, "0F 01 /5 is invalid"},
    {{0x3E, 0x3E, 0x3E, 0x3E, 0x81, 0x84, 0x8B, 0, 1, 0, 0, 0x78, 0x56, 0x34, 0x12},
     15,
     0x81,
     "fifteen bytes"},
    {{0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x90},
     15,
     0x90,
     "fourteen prefixes and an opcode: the longest instruction"},
    {{0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E,
      0x90},
     0,
     0x00,
     "fifteen prefixes and an opcode: past the 15-byte limit"},
    {{0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x3E, 0x81,
      0x84, 0x8B, 0,    1,    0,    0,    0x78, 0x56, 0x34, 0x12},
     0,
     0x81,
     "an immediate that ends past the limit"},
    {{0x0F, 0xAE, 0xF8}, 3, 0x0FAE, "sfence"},
    {{0x0F, 0xAE, 0x20}, 0, 0x0FAE, "0F AE /4 is invalid"},
    {{0x0F, 0xAE, 0xE8}, 3, 0x0FAE, "lfence: /5 register form"},
    {{0x0F, 0xAE, 0xF0}, 3, 0x0FAE, "mfence: /6 register form"},
    {{0x0F, 0xAE, 0x28}, 0, 0x0FAE, "0F AE /5 memory form is invalid"},
    {{0x0F, 0xAE, 0x30}, 0, 0x0FAE, "0F AE /6 memory form is invalid"},
    {{0x0F, 0xAE, 0x18}, 3, 0x0FAE, "stmxcsr [eax]: /3 needs memory"},
    {{0x0F, 0xAE, 0xD8}, 0, 0x0FAE, "... and has no register form"},
    {{0x0F, 0xC7, 0xC8}, 0, 0x0FC7, "cmpxchg8b needs memory"},
    {{0x0F, 0x20, 0xC0}, 3, 0x0F20, "mov eax,cr0"},
    {{0x0F, 0x20, 0xC8}, 0, 0x0F20, "cr1 does not exist"},
    {{0x0F, 0x21, 0xE0}, 0, 0x0F21, "dr4 is refused"},
    {{0x0F, 0x23, 0xF8}, 3, 0x0F23, "mov dr7,eax"},
    {{0x0F, 0x23, 0xF0}, 3, 0x0F23, "mov dr6,eax"},
    {{0x0F, 0x23, 0xE8}, 0, 0x0F23, "dr5 is refused"},
    {{0x3E, 0x26, 0x2E, 0x36, 0x64, 0x65, 0x8B, 0x00}, 8, 0x8B, "segment prefixes"},
    {{0xD9, 0xE8}, 2, 0xD9, "fld1"},
    {{0xD9, 0xD1}, 0, 0xD9, "D9 D1 is invalid"},
    {{0xDF, 0xE0}, 2, 0xDF, "fnstsw ax"},
    {{0xDF, 0xE1}, 0, 0xDF, "DF E1 is invalid"},
    {{0xDD, 0x45, 0xF8}, 3, 0xDD, "fld qword ptr [ebp-8]"},
    {{0xDB, 0x2D, 0x78, 0x56, 0x34, 0x12}, 6, 0xDB, "fld tbyte ptr [abs]"},
    {{0xDA, 0xE9}, 2, 0xDA, "fucompp"},
    {{0xDA, 0xE0}, 0, 0xDA, "DA /4 register form"},
    {{0x0F, 0xEF, 0xC0}, 3, 0x0FEF, "pxor mm0,mm0"},
    {{0x66, 0x0F, 0xEF, 0xC0}, 4, 0x0FEF, "pxor xmm0,xmm0"},
    {{0xF3, 0x0F, 0x58, 0x45, 0xF8}, 5, 0x0F58, "addss"},
    {{0xF2, 0x0F, 0x10, 0x04, 0x24}, 5, 0x0F10, "movsd xmm0,[esp]"},
    {{0x66, 0x0F, 0x70, 0xC0, 0x1B}, 5, 0x0F70, "pshufd with imm8"},
    {{0x0F, 0x71, 0xD0, 0x04}, 4, 0x0F71, "psrlw mm0,4"},
    {{0x0F, 0x71, 0x10, 0x04}, 0, 0x0F71, "shift group needs a register"},
    {{0x0F, 0xD6, 0xC0}, 0, 0x0FD6, "D6 needs a prefix"},
    {{0x66, 0x0F, 0xD6, 0x45, 0xF0}, 5, 0x0FD6, "movq [ebp-16],xmm0"},
    {{0x66, 0x0F, 0x6C, 0xC1}, 4, 0x0F6C, "punpcklqdq needs 66"},
    {{0x0F, 0x6C, 0xC1}, 0, 0x0F6C, "... and is invalid without"},
    {{0x0F, 0x0F, 0xC1, 0x9E}, 4, 0x0F0F, "pfadd: 3DNow! suffix"},
    {{0x0F, 0x0F, 0xC1, 0x9F}, 0, 0x0F0F, "unknown 3DNow! suffix"},
    {{0xFF, 0xD8}, 0, 0xFF, "call far through a register"},
    {{0xFF, 0xF8}, 0, 0xFF, "FF /7"},
    {{0xFF, 0xE8}, 0, 0xFF, "jump far through a register"},
    {{0xFF, 0x28}, 2, 0xFF, "jmp far [eax]"},
    {{0xFE, 0xD0}, 0, 0xFE, "FE /2"},
    {{0x8E, 0xF0}, 0, 0x8E, "segment register 6"},
    {{0x66}, 0, 0x00, "a prefix alone runs out of bytes"},
};

// Each case at the end of a committed page, followed by a reserved page, so a decoder that
// reads one byte too many fails visibly.
class GuardedBytes {
 public:
  GuardedBytes() {
    page_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(page_, 4096, MEM_COMMIT, PAGE_READWRITE);
  }
  ~GuardedBytes() { VirtualFree(page_, 0, MEM_RELEASE); }
  TAddress Place(const std::vector<uint8_t>& bytes) {
    uint8_t* at = page_ + 4096 - bytes.size();
    std::copy(bytes.begin(), bytes.end(), at);
    return AddressOf(at);
  }
  uint8_t* page() { return page_; }

 private:
  uint8_t* page_;
};

TEST(Decoder, LengthsOpcodesAndValidityOfEveryMap) {
  GuardedBytes guard;
  for (const DecodeCase& c : kCases) {
    const TAddress at = guard.Place(c.bytes);
    const TInstructionInfo info = DecodeInstruction(at);
    EXPECT_EQ(info.Valid, c.length != 0) << c.why;
    EXPECT_EQ(info.Start, at) << c.why;
    if (c.length) {
      EXPECT_EQ(info.Next - info.Start, static_cast<TAddress>(c.length)) << c.why;
    }
    if (c.opcode) {
      EXPECT_EQ(info.Opcode, c.opcode) << c.why;
    }
    EXPECT_LE(info.Next, at + c.bytes.size()) << c.why;
  }
}

// What the decoder found about a branch: its kind, target, and where the target's operand and
// cell lie, all relative to the instruction's start `at` (absolute when far off).
std::string Branch(const TInstructionInfo& i, TAddress at) {
  const auto place = [at](TAddress a) {
    return a == 0 ? std::string("-") : a - at < 0x100 ? "+" + std::to_string(a - at) : IntToHex(a);
  };
  return std::string(i.Valid ? "valid" : "invalid") + (i.IsCall ? " call" : "") +
         (i.IsJump ? " jump" : "") + (i.RelativeTarget ? " relative" : "") +
         (i.Widenable ? " widenable" : "") + " target " + place(i.Target) + " operand " +
         place(i.TargetOperand) + " slot " + place(i.TargetSlot) + " size " +
         std::to_string(i.TargetSize);
}

TEST(Decoder, BranchTargetsAndTheirOperands) {
  GuardedBytes guard;
  static const TAddress cell = 0x12345678;
  static const TAddress farCell[2] = {0x00401234, 0x0008};
  const auto withCell = [](uint8_t modrm, const void* address) {
    std::vector<uint8_t> jump = {0xFF, modrm, 0, 0, 0, 0};
    const TAddress value = AddressOf(address);
    memcpy(&jump[2], &value, 4);
    return jump;
  };
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {{0xE8, 0x10, 0x00, 0x00, 0x00},
       "valid call relative widenable target +21 operand +1 slot - size 4"},
      {{0x75, 0xFE}, "valid jump relative widenable target +0 operand +1 slot - size 1"},
      // loop cannot be widened; a call of the next instruction only learns the address.
      {{0xE2, 0xFE}, "valid jump relative target +0 operand +1 slot - size 1"},
      {{0xE8, 0, 0, 0, 0}, "valid relative target - operand - slot - size 0"},
      // jmp [cell] and jmp far [cell] (FF /5) go where the cell says.
      {withCell(0x25, &cell), "valid jump target 12345678 operand - slot +2 size 4"},
      {withCell(0x2D, farCell), "valid jump target 401234 operand - slot +2 size 4"},
      {{0xFF, 0xD0}, "valid call target - operand - slot - size 0"},  // call eax
  };
  for (const auto& [bytes, expected] : cases) {
    const TAddress at = guard.Place(bytes);
    EXPECT_EQ(Branch(DecodeInstruction(at), at), expected);
  }
  // An unreadable cell makes jmp [cell] invalid.
  const TAddress at = guard.Place(withCell(0x25, guard.page() + 4096));
  EXPECT_EQ(Branch(DecodeInstruction(at), at).substr(0, 12), "invalid jump");
  EXPECT_FALSE(DecodeInstruction(0).Valid);
  EXPECT_EQ(DecodeInstruction(0).Next, 0u);
}

TEST(Decoder, TracksRegistersLoadedFromImmediates) {
  GuardedBytes guard;
  static const TAddress cell = 0xCAFE0000;
  const TAddress cellAddress = AddressOf(&cell);
  // mov eax,imm32; call [eax]; mov ecx,eax; call ecx; rep movsb; mov bx,imm16
  std::vector<uint8_t> code = {0xB8, 0,    0,    0,    0,    0xFF, 0x10, 0x8B, 0xC8,
                               0xFF, 0xD1, 0xF3, 0xA4, 0x66, 0xBB, 0x01, 0x02};
  memcpy(&code[1], &cellAddress, 4);
  const TAddress at = guard.Place(code);
  TRegisters regs{};
  regs[6] = regs[7] = 0x1111;  // esi, edi known before the string move
  regs[3] = 0x2222;
  TDecodedDetails d;
  // The registers after each instruction, as offsets from the load's immediate.
  const auto registers = [&at](const TRegisters& r) {
    std::string text;
    for (TAddress value : r)
      text += value == 0 ? "- " : value == at + 1 ? "i " : IntToHex(value) + " ";
    return text;
  };
  std::string trace;
  TInstructionInfo i{};
  i.Next = at;
  for (int k = 0; k < 6; ++k) {
    i = Decode(i.Next, d, nullptr, true, &regs);
    trace += registers(regs) + "|";
    if (k == 1) {
      EXPECT_EQ(Branch(i, at), "valid call target cafe0000 operand - slot +1 size 4");
    }
    if (k == 3) {
      // call ecx: the register holds the cell address, unresolved without tracking.
      EXPECT_EQ(Branch(i, at),
                "valid call target " + IntToHex(cellAddress) + " operand +1 slot - size 4");
      EXPECT_EQ(Decode(i.Start, d, nullptr, false, &regs).TargetOperand, 0u);
    }
  }
  // rep movsb forgets ecx, esi and edi; mov bx,imm16 loads nothing but clears ebx.
  EXPECT_EQ(trace,
            "i - - 2222 - - 1111 1111 |i - - 2222 - - 1111 1111 |i i - 2222 - - 1111 1111 |"
            "i i - 2222 - - 1111 1111 |i - - 2222 - - - - |i - - - - - - - |");
  // add ecx,eax writes ecx only.
  TRegisters copy{};
  copy[0] = copy[1] = at + 1;
  Decode(guard.Place({0x03, 0xC8}), d, nullptr, true, &copy);
  EXPECT_EQ(registers(copy), "i - - - - - - - ");
  // cvttsd2si eax,xmm0 writes eax; without the prefix (cvttps2pi mm0,xmm0) it does not.
  const TAddress convert = guard.Place({0xF2, 0x0F, 0x2C, 0xC0});
  Decode(convert + 1, d, nullptr, true, &copy);
  EXPECT_EQ(copy[0], at + 1);
  Decode(convert, d, nullptr, true, &copy);
  EXPECT_EQ(copy[0], 0u);
}

// The reference: every instruction objdump finds in the module's code section.
struct Reference {
  TAddress rva;
  int length;
  bool hasTarget;
  TAddress targetRva;
  std::string mnemonic;
};

std::vector<Reference> ReadReference(const std::string& path) {
  std::vector<Reference> rows;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string rva, length, target;
    Reference r{};
    s >> rva >> length >> target >> r.mnemonic;
    r.rva = std::stoul(rva, nullptr, 16);
    r.length = std::stoi(length, nullptr, 16);
    r.hasTarget = target != "-";
    if (r.hasTarget) r.targetRva = std::stoul(target, nullptr, 16);
    rows.push_back(r);
  }
  return rows;
}

bool IsLonePrefix(const Reference& r) {
  static const std::set<std::string> kPrefixes = {
      "es", "cs", "ss", "ds", "fs", "gs", "lock", "rep", "repz", "repnz", "data16", "addr16"};
  return r.length == 1 && kPrefixes.count(r.mnemonic);
}

// Opcodes that the decoder refuses by its rules although objdump decodes them.
bool RefusedByDesign(const TInstructionInfo& i) {
  switch (i.Opcode) {
    case 0x0F0B:  // ud2
    case 0x0F1F:  // multi-byte nop
    case 0x0FC7:  // rdrand and rdseed: register forms of the cmpxchg8b group
      return true;
    case 0xDB:  // fisttp (SSE3) is not in the x87 maps
    case 0xDD:
    case 0xDF: return ((i.ModRM >> 3) & 7) == 1 && (i.ModRM >> 6) != 3;
  }
  return false;
}

TEST(Decoder, AgreesWithTheReferenceOnTheWholeModule) {
  const std::vector<Reference> rows = ReadReference(testsupport::BinaryPath("Tralvek.objdump.txt"));
  ASSERT_GT(rows.size(), 10000u);
  HMODULE module = LoadLibraryExA(testsupport::BinaryPath("Tralvek.dll").c_str(), nullptr,
                                  DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(module, nullptr);
  const TAddress base = AddressOf(module);
  std::map<uint16_t, int> refused;
  int prefixes = 0, compared = 0, branches = 0, joinedWaits = 0;
  for (const Reference& r : rows) {
    if (IsLonePrefix(r)) {
      ++prefixes;
      continue;
    }
    const TAddress at = base + r.rva;
    TDecodedDetails d;
    TInstructionInfo i = Decode(at, d, nullptr, false, nullptr);
    if (i.Opcode == 0x9B && r.length > 1) {
      // objdump joins wait with the x87 instruction after it (fstsw, fclex ...).
      ++joinedWaits;
      i = Decode(i.Next, d, nullptr, false, nullptr);
      i.Start = at;
    }
    ++compared;
    if (!i.Valid && RefusedByDesign(i)) {
      ++refused[i.Opcode];
      continue;
    }
    if (!i.Valid || static_cast<int>(i.Next - i.Start) != r.length) {
      ADD_FAILURE() << std::hex << "rva " << r.rva << " " << r.mnemonic << ": objdump length "
                    << r.length << ", decoder " << (i.Next - i.Start) << " valid " << i.Valid;
      continue;
    }
    if (r.hasTarget && (i.IsCall || i.IsJump)) {
      ++branches;
      EXPECT_EQ(i.Target - base, r.targetRva) << std::hex << "rva " << r.rva;
    }
  }
  std::ostringstream note;
  for (auto [op, n] : refused) note << std::hex << " " << op << ":" << std::dec << n;
  std::printf(
      "decoder vs objdump: %d compared, %d branch targets, %d lone prefixes, %d waits "
      "joined, refused%s\n",
      compared, branches, prefixes, joinedWaits, note.str().c_str());
  EXPECT_GT(branches, 10000);
  FreeLibrary(module);
}

// Three pages: read-write, guarded, reserved only.
class ThreePages {
 public:
  ThreePages() {
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(base_, 4096, MEM_COMMIT, PAGE_READWRITE);
    VirtualAlloc(base_ + 4096, 4096, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
  }
  ~ThreePages() { VirtualFree(base_, 0, MEM_RELEASE); }
  uint8_t* page(int i) { return base_ + 4096 * i; }

 private:
  uint8_t* base_;
};

TEST(ReadableAreas, SnapshotCoversMemoryWithTouchingEntries) {
  ThreePages pages;
  static const uint32_t kValue = 0x11223344;
  TDATryRead areas = GetReadableAreas();
  ASSERT_FALSE(areas.entries.empty());
  EXPECT_EQ(areas.entries.front().AreaStart, 0u);
  for (size_t i = 1; i < areas.entries.size(); ++i) {
    EXPECT_EQ(areas.entries[i].AreaStart, areas.entries[i - 1].AreaEnd);
    EXPECT_NE(areas.entries[i].Readable, areas.entries[i - 1].Readable);  // runs are merged
  }
  EXPECT_TRUE(IsReadable(areas, AddressOf(&kValue)));
  EXPECT_TRUE(IsReadable(areas, AddressOf(pages.page(0))));
  EXPECT_TRUE(IsReadable(areas, AddressOf(pages.page(0) + 4095)));
  EXPECT_FALSE(IsReadable(areas, AddressOf(pages.page(1))));  // guard page
  EXPECT_FALSE(IsReadable(areas, AddressOf(pages.page(2))));  // reserved
  EXPECT_FALSE(IsReadable(areas, 0));
  EXPECT_FALSE(IsReadable(areas, 0xFFFFF000));  // past the walk

  uint32_t out = 0;
  EXPECT_TRUE(TryRead(AddressOf(&kValue), &out, 4, &areas));
  EXPECT_EQ(out, kValue);
  EXPECT_FALSE(TryRead(AddressOf(pages.page(1)), &out, 4, &areas));
  EXPECT_FALSE(TryRead(AddressOf(pages.page(2)), &out, 4, nullptr));
  // Only the first byte is checked against the snapshot; the read itself then fails.
  EXPECT_FALSE(TryRead(AddressOf(pages.page(0) + 4094), &out, 4, &areas));
  EXPECT_FALSE(TryRead(AddressOf(pages.page(0) + 4094), &out, 4, nullptr));
  EXPECT_TRUE(TryRead(AddressOf(pages.page(0) + 4092), &out, 4, &areas));
  EXPECT_FALSE(TryRead(0, &out, 0, nullptr));
  EXPECT_FALSE(TryRead(0, &out, 4, nullptr));
  FreeReadableAreas(areas);
  EXPECT_TRUE(areas.entries.empty());
  EXPECT_FALSE(IsReadable(areas, AddressOf(&kValue)));
}

TEST(ReadableAreas, DecodingStopsAtTheEndOfReadableMemory) {
  ThreePages pages;
  TDATryRead areas = GetReadableAreas();
  // mov eax,imm32 cut by the guard page: neither decoding road touches the page.
  uint8_t* at = pages.page(0) + 4096 - 3;
  at[0] = 0xB8;
  at[1] = at[2] = 0;
  EXPECT_FALSE(DecodeInstructionSafe(AddressOf(at), areas).Valid);
  EXPECT_FALSE(DecodeInstruction(AddressOf(at)).Valid);
  EXPECT_FALSE(DecodeInstruction(AddressOf(pages.page(2))).Valid);
  at[-2] = 0x90;  // the nop before it decodes
  EXPECT_TRUE(DecodeInstructionSafe(AddressOf(at - 2), areas).Valid);
  EXPECT_EQ(GetObfuscator(), 0u);  // NT family: identifiers are plain
  EXPECT_FALSE(IsObfuscatorFromThread());
}

}  // namespace
}  // namespace drosk
