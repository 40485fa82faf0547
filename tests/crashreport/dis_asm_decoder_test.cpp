// The instruction decoder against hand-checked bytes of every map and against the reference
// disassembly of the whole module; the readable-memory snapshot and the safe read it relies on.
#include <windows.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "crashreport/drosk_dis_asm.h"
#include "code_buffer.h"
#include "crashreport/drosk_strings.h"
#include "gtest/gtest.h"
#include "report_text.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

// Validity and opcodes, from the published maps, one or more per map and prefix kind; a valid
// instruction takes all its bytes. The listing's table adds the lines of more valid ones.
struct DecodeCase {
  const char* bytes;
  bool valid;
  uint16_t opcode;  // 0: not checked
  const char* why;
};

const DecodeCase kCases[] = {
    {"55", true, 0x55, "push ebp"},
    {"8B 84 8B 00 01 00 00", true, 0x8B, "SIB with disp32"},
    {"8B 04 25 78 56 34 12", true, 0x8B, "SIB without base: disp32"},
    {"8B 05 78 56 34 12", true, 0x8B, "absolute memory"},
    {"67 8B 46 02", true, 0x8B, "16-bit addressing, bp+disp8"},
    {"67 8B 06 34 12", true, 0x8B, "16-bit addressing, disp16 alone"},
    {"66 C7 00 05 00", true, 0xC7, "mov word ptr [eax],5"},
    {"81 7D F8 00 01 00 00", true, 0x81, "group 1, imm32"},
    {"83 F8 05", true, 0x83, "group 1, imm8"},
    {"69 C0 10 27 00 00", true, 0x69, "imul imm32"},
    {"F7 C1 01 00 00 00", true, 0xF7, "test r/m32,imm32"},
    {"F7 E1", true, 0xF7, "mul ecx: no immediate"},
    {"F6 C8 01", false, 0xF6, "F6 /1 is invalid here"},
    {"C6 C8 01", true, 0xC6, "C6 /1 accepted"},
    {"8D C0", false, 0x8D, "lea with a register operand"},
    {"9A 00 00 00 00 08 00", true, 0x9A, "far call"},
    {"A1 78 56 34 12", true, 0xA1, "mov eax,moffs32"},
    {"67 A1 34 12", true, 0xA1, "moffs16"},
    {"C2 08 00", true, 0xC2, "ret imm16"},
    {"F3 A4", true, 0xA4, "rep movsb"},
    {"64 FF 35 00 00 00 00", true, 0xFF, "push fs:[0]"},
    {"0F 0B", false, 0x0F0B, "ud2 is invalid"},
    {"0F 1F 00", false, 0x0F1F, "multi-byte nop is invalid"},
    {"0F 84 10 00 00 00", true, 0x0F84, "jz rel32"},
    {"0F A4 C2 04", true, 0x0FA4, "shld imm8"},
    {"0F BA E0 03", true, 0x0FBA, "bt r/m32,imm8"},
    {"0F BA D8 03", false, 0x0FBA, "0F BA /3 is invalid"},
    {"0F 01 C8", false, 0x0F01, "0F 01 /1 needs memory"},
    {"0F 01 E0", true, 0x0F01, "smsw eax"},
    {"0F 01 E8", false, 0x0F01, "0F 01 /5 is invalid"},
    {"3E 3E 3E 3E 81 84 8B 00 01 00 00 78 56 34 12", true, 0x81, "fifteen bytes"},
    {"3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 90", true, 0x90,
     "fourteen prefixes: the longest instruction"},
    {"3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 90", false, 0x00,
     "fifteen prefixes: past the 15-byte limit"},
    {"3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 81 84 8B 00 01 00 00 78 56 34 12", false, 0x81,
     "an immediate ending past the limit"},
    {"0F AE F8", true, 0x0FAE, "sfence"},
    {"0F AE 20", false, 0x0FAE, "0F AE /4 is invalid"},
    {"0F AE E8", true, 0x0FAE, "lfence: /5 register form"},
    {"0F AE F0", true, 0x0FAE, "mfence: /6 register form"},
    {"0F AE 28", false, 0x0FAE, "0F AE /5 memory form is invalid"},
    {"0F AE 30", false, 0x0FAE, "0F AE /6 memory form is invalid"},
    {"0F AE 18", true, 0x0FAE, "stmxcsr [eax]: /3 needs memory"},
    {"0F AE D8", false, 0x0FAE, "... and has no register form"},
    {"0F C7 C8", false, 0x0FC7, "cmpxchg8b needs memory"},
    {"0F 20 C8", false, 0x0F20, "cr1 does not exist"},
    {"0F 21 E0", false, 0x0F21, "dr4 is refused"},
    {"0F 22 E0", true, 0x0F22, "mov cr4,eax"},
    {"0F 22 E8", false, 0x0F22, "cr5 does not exist"},
    {"0F 0D 08", true, 0x0F0D, "prefetchw [eax]"},
    {"0F 0D C8", false, 0x0F0D, "prefetch needs memory"},
    {"0F 23 F8", true, 0x0F23, "mov dr7,eax"},
    {"0F 23 F0", true, 0x0F23, "mov dr6,eax"},
    {"0F 23 E8", false, 0x0F23, "dr5 is refused"},
    {"3E 26 2E 36 64 65 8B 00", true, 0x8B, "segment prefixes"},
    {"D9 D1", false, 0xD9, "D9 D1 is invalid"},
    {"DF E1", false, 0xDF, "DF E1 is invalid"},
    {"DB 2D 78 56 34 12", true, 0xDB, "fld tbyte ptr [abs]"},
    {"DB E5", false, 0xDB, "DB E5 is invalid"},
    {"DA E9", true, 0xDA, "fucompp"},
    {"DA E0", false, 0xDA, "DA /4 register form"},
    {"0F EF C0", true, 0x0FEF, "pxor mm0,mm0"},
    {"F3 0F 58 45 F8", true, 0x0F58, "addss"},
    {"F2 0F 10 04 24", true, 0x0F10, "movsd xmm0,[esp]"},
    {"66 0F 70 C0 1B", true, 0x0F70, "pshufd with imm8"},
    {"0F 71 10 04", false, 0x0F71, "shift group needs a register"},
    {"0F D6 C0", false, 0x0FD6, "D6 needs a prefix"},
    {"66 0F D6 45 F0", true, 0x0FD6, "movq [ebp-16],xmm0"},
    {"66 0F 6C C1", true, 0x0F6C, "punpcklqdq needs 66"},
    {"0F 6C C1", false, 0x0F6C, "... and is invalid without"},
    {"0F 0F C1 9F", false, 0x0F0F, "unknown 3DNow! suffix"},
    {"FF D8", false, 0xFF, "call far through a register"},
    {"FF F8", false, 0xFF, "FF /7"},
    {"FF E8", false, 0xFF, "jump far through a register"},
    {"FF 28", true, 0xFF, "jmp far [eax]"},
    {"FE D0", false, 0xFE, "FE /2"},
    {"8E F0", false, 0x8E, "segment register 6"},
    {"66", false, 0x00, "a prefix alone runs out of bytes"},
};

TEST(Decoder, ValidityOpcodesAndLengthsOfEveryMap) {
  CodeBuffer pages;
  for (const DecodeCase& c : kCases) {
    const std::vector<uint8_t> bytes = HexBytes(c.bytes);
    const TAddress at = pages.Place(bytes);
    const TInstructionInfo info = DecodeInstruction(at);
    // A valid instruction ends where its bytes end, an invalid one never past them.
    const TAddress end = at + static_cast<TAddress>(bytes.size());
    EXPECT_EQ(
        std::tuple(info.Valid, info.Start, std::min(info.Next, end), c.opcode ? info.Opcode : 0),
        std::tuple(c.valid, at, c.valid ? end : info.Next, c.opcode))
        << c.why;
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
  CodeBuffer pages;
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
    const TAddress at = pages.Place(bytes);
    EXPECT_EQ(Branch(DecodeInstruction(at), at), expected);
  }
  // An unreadable cell makes jmp [cell] invalid.
  const TAddress at = pages.Place(withCell(0x25, pages.Page(2)));
  EXPECT_EQ(Branch(DecodeInstruction(at), at).substr(0, 12), "invalid jump");
  EXPECT_FALSE(DecodeInstruction(0).Valid);
  EXPECT_EQ(DecodeInstruction(0).Next, 0u);
}

TEST(Decoder, TracksRegistersLoadedFromImmediates) {
  CodeBuffer pages;
  static const TAddress cell = 0xCAFE0000;
  const TAddress cellAddress = AddressOf(&cell);
  // mov eax,imm32; call [eax]; mov ecx,eax; call ecx; rep movsb; mov bx,imm16
  std::vector<uint8_t> code = {0xB8, 0,    0,    0,    0,    0xFF, 0x10, 0x8B, 0xC8,
                               0xFF, 0xD1, 0xF3, 0xA4, 0x66, 0xBB, 0x01, 0x02};
  memcpy(&code[1], &cellAddress, 4);
  const TAddress at = pages.Place(code);
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
  Decode(pages.Place({0x03, 0xC8}), d, nullptr, true, &copy);
  EXPECT_EQ(registers(copy), "i - - - - - - - ");
  // cvttsd2si eax,xmm0 writes eax; without the prefix (cvttps2pi mm0,xmm0) it does not.
  const TAddress convert = pages.Place({0xF2, 0x0F, 0x2C, 0xC0});
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

TEST(ReadableAreas, SnapshotCoversMemoryWithTouchingEntries) {
  CodeBuffer pages;
  static const uint32_t kValue = 0x11223344;
  TDATryRead areas = GetReadableAreas();
  ASSERT_FALSE(areas.entries.empty());
  EXPECT_EQ(areas.entries.front().AreaStart, 0u);
  for (size_t i = 1; i < areas.entries.size(); ++i) {
    EXPECT_EQ(areas.entries[i].AreaStart, areas.entries[i - 1].AreaEnd);
    EXPECT_NE(areas.entries[i].Readable, areas.entries[i - 1].Readable);  // runs are merged
  }
  EXPECT_TRUE(IsReadable(areas, AddressOf(&kValue)));
  EXPECT_TRUE(IsReadable(areas, AddressOf(pages.Page(0))));
  EXPECT_TRUE(IsReadable(areas, AddressOf(pages.Page(0) + 4095)));
  EXPECT_FALSE(IsReadable(areas, AddressOf(pages.Page(1))));  // guard page
  EXPECT_FALSE(IsReadable(areas, AddressOf(pages.Page(2))));  // reserved
  EXPECT_FALSE(IsReadable(areas, 0));
  EXPECT_FALSE(IsReadable(areas, 0xFFFFF000));  // past the walk

  uint32_t out = 0;
  EXPECT_TRUE(TryRead(AddressOf(&kValue), &out, 4, &areas));
  EXPECT_EQ(out, kValue);
  EXPECT_FALSE(TryRead(AddressOf(pages.Page(1)), &out, 4, &areas));
  EXPECT_FALSE(TryRead(AddressOf(pages.Page(2)), &out, 4, nullptr));
  // Only the first byte is checked against the snapshot; the read itself then fails.
  EXPECT_FALSE(TryRead(AddressOf(pages.Page(0) + 4094), &out, 4, &areas));
  EXPECT_FALSE(TryRead(AddressOf(pages.Page(0) + 4094), &out, 4, nullptr));
  EXPECT_TRUE(TryRead(AddressOf(pages.Page(0) + 4092), &out, 4, &areas));
  EXPECT_FALSE(TryRead(0, &out, 0, nullptr));
  EXPECT_FALSE(TryRead(0, &out, 4, nullptr));
  FreeReadableAreas(areas);
  EXPECT_TRUE(areas.entries.empty());
  EXPECT_FALSE(IsReadable(areas, AddressOf(&kValue)));
}

TEST(ReadableAreas, DecodingStopsAtTheEndOfReadableMemory) {
  CodeBuffer pages;
  TDATryRead areas = GetReadableAreas();
  // mov eax,imm32 cut by the guard page: neither decoding road touches the page.
  uint8_t* at = pages.Page(0) + 4096 - 3;
  at[-2] = 0x90;  // the nop before it decodes
  at[0] = 0xB8;
  at[1] = at[2] = 0;
  EXPECT_FALSE(DecodeInstructionSafe(AddressOf(at), areas).Valid);
  EXPECT_FALSE(DecodeInstruction(AddressOf(at)).Valid);
  EXPECT_FALSE(DecodeInstruction(AddressOf(pages.Page(2))).Valid);
  EXPECT_TRUE(DecodeInstructionSafe(AddressOf(at - 2), areas).Valid);
  EXPECT_EQ(GetObfuscator(), 0u);  // NT family: identifiers are plain
  EXPECT_FALSE(IsObfuscatorFromThread());
}

}  // namespace
}  // namespace drosk
