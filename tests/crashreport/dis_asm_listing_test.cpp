// The disassembly listing: instruction lines of every map and a whole function against a text
// checked by hand.
#include <windows.h>

#include <string>
#include <vector>

#include "crashreport/drosk_dis_asm_listing.h"
#include "crashreport/drosk_link_dis_asm.h"
#include "code_buffer.h"
#include "report_text.h"
#include "gtest/gtest.h"

namespace drosk {
namespace {

std::string Address8(TAddress a) {
  char b[12];
  snprintf(b, sizeof b, "%08x", a);
  return b;
}

struct LineCase {
  std::vector<uint8_t> bytes;
  const char* text;  // after the address and its three blanks
};

const LineCase kLines[] = {
    {{0x0F, 0x58, 0xC1}, "addps   xmm0, xmm1"},
    {{0xF3, 0x0F, 0x58, 0xC1}, "addss   xmm0, xmm1"},
    {{0x66, 0x0F, 0x58, 0xC1}, "addpd   xmm0, xmm1"},
    {{0xF2, 0x0F, 0x58, 0x45, 0xF8}, "addsd   xmm0, [ebp-8]"},
    {{0xF3, 0x0F, 0x2A, 0xC0}, "cvtsi2ss xmm0, eax"},
    {{0x0F, 0x12, 0xC1}, "movhlps xmm0, xmm1"},
    {{0x0F, 0x12, 0x00}, "movlps  xmm0, [eax]"},
    {{0xD9, 0xE8}, "fld1"},
    {{0xDF, 0xE0}, "fnstsw  ax"},
    {{0xDD, 0x45, 0xF8}, "fld     qword ptr [ebp-8]"},
    {{0xDB, 0x28}, "fld     tbyte ptr [eax]"},
    {{0xD8, 0xC1}, "fadd    st, st(1)"},
    {{0xDE, 0xC1}, "faddp   st(1), st"},
    {{0x8B, 0x43, 0x10}, "mov     eax, [ebx+$10]"},
    {{0x8B, 0x43, 0xFC}, "mov     eax, [ebx-4]"},
    {{0xC7, 0x00, 0x05, 0x00, 0x00, 0x00}, "mov     dword ptr [eax], 5"},
    {{0x66, 0xC7, 0x00, 0x34, 0x12}, "mov     word ptr [eax], $1234"},
    {{0x89, 0x04, 0x8D, 0x00, 0x10, 0x00, 0x00}, "mov     [ecx*4+$1000], eax"},
    {{0x8B, 0x04, 0x24}, "mov     eax, [esp]"},
    {{0x88, 0xC8}, "mov     al, cl"},
    {{0x66, 0xBB, 0x34, 0x12}, "mov     bx, $1234"},
    {{0x66, 0x05, 0x34, 0x12}, "add     ax, $1234"},
    {{0xF6, 0xC1, 0x01}, "test    cl, 1"},
    {{0x67, 0x8B, 0x47, 0x02}, "mov     eax, [bx+2]"},
    {{0x67, 0x8B, 0x02}, "mov     eax, [bp+si]"},
    {{0x67, 0x8B, 0x44, 0xFE}, "mov     eax, [si-2]"},
    {{0x8A, 0x45, 0x08}, "mov     al, [ebp+8]"},
    {{0x3E, 0x8B, 0x00}, "mov     eax, ds:[eax]"},
    {{0x26, 0xFF, 0x35, 0x10, 0x00, 0x00, 0x00}, "push    dword ptr es:[$10]"},
    {{0x64, 0xA1, 0x18, 0x00, 0x00, 0x00}, "mov     eax, fs:[$18]"},
    {{0x64, 0x89, 0x20}, "mov     fs:[eax], esp"},
    {{0x83, 0xC4, 0xF0}, "add     esp, -$10"},
    {{0x83, 0xE8, 0x03}, "sub     eax, 3"},
    {{0x6A, 0xFF}, "push    $ffffffff"},
    {{0x68, 0x34, 0x12, 0x00, 0x00}, "push    $1234"},
    {{0xC1, 0xE0, 0x04}, "shl     eax, 4"},
    {{0xD1, 0xE0}, "shl     eax, 1"},
    {{0xD3, 0xE8}, "shr     eax, cl"},
    {{0x0F, 0xA5, 0xC2}, "shld    edx, eax, cl"},
    {{0x0F, 0xAF, 0xC1}, "imul    eax, ecx"},
    {{0x6B, 0xC0, 0xF6}, "imul    eax, eax, -$a"},
    {{0x0F, 0x94, 0xC0}, "setz    al"},
    {{0x0F, 0x44, 0xC1}, "cmovz   eax, ecx"},
    {{0x0F, 0xB6, 0x45, 0x08}, "movzx   eax, byte ptr [ebp+8]"},
    {{0xF3, 0xA5}, "rep movsd"},
    {{0x66, 0xA5}, "movsw"},
    {{0xF0, 0x0F, 0xB1, 0x0A}, "lock cmpxchg [edx], ecx"},
    {{0xEC}, "in      al, dx"},
    {{0xEF}, "out     dx, eax"},
    {{0x91}, "xchg    eax, ecx"},
    {{0x0F, 0x0F, 0xC1, 0x9E}, "pfadd   mm0, mm1"},
    {{0x66, 0x0F, 0xEF, 0xC0}, "pxor    xmm0, xmm0"},
    {{0x66, 0x0F, 0x7E, 0xC0}, "movd    eax, xmm0"},
    {{0xF3, 0x0F, 0x7E, 0xC1}, "movq    xmm0, xmm1"},
    {{0x0F, 0x71, 0xD0, 0x04}, "psrlw   mm0, 4"},
    {{0xC8, 0x10, 0x00, 0x01}, "enter   $10, $1"},
    {{0x9A, 0x00, 0x10, 0x00, 0x00, 0x08, 0x00}, "call    $8:$1000"},
    {{0x0E}, "push    cs"},
    {{0x0F, 0xA1}, "pop     fs"},
    {{0xD5, 0x0A}, "aad"},
    {{0xCC}, "int     3"},
    {{0x0F, 0x20, 0xC0}, "mov     eax, cr0"},
    {{0xF7, 0xD8}, "neg     eax"},
    {{0xFF, 0x75, 0x08}, "push    dword ptr [ebp+8]"},
};

TEST(Listing, InstructionLinesInIntelOrder) {
  CodeBuffer c;
  for (const LineCase& k : kLines) {
    SCOPED_TRACE(k.text);
    std::copy(k.bytes.begin(), k.bytes.end(), reinterpret_cast<uint8_t*>(c.At(0)));
    std::string text;
    const TInstructionInfo info = InstructionLine(c.At(0), text, nullptr, false);
    EXPECT_TRUE(info.Valid);
    EXPECT_EQ(info.Next - info.Start, k.bytes.size());
    EXPECT_EQ(text, Address8(c.At(0)) + "   " + k.text);
  }
}

TEST(Listing, BranchesSymbolsStringsAndUndecodableBytes) {
  CodeBuffer c;
  std::string text;
  c.Bytes(0, {0xE8, 0x10, 0x00, 0x00, 0x00});
  InstructionLine(c.At(0), text, nullptr, false);
  char expected[64];
  snprintf(expected, sizeof expected, "call    +$10 ($%x)", c.At(0x15));
  EXPECT_EQ(text.substr(11), expected);
  c.Bytes(0, {0xEB, 0xFE});
  InstructionLine(c.At(0), text, nullptr, false);
  snprintf(expected, sizeof expected, "jmp     -2 ($%x)", c.At(0));
  EXPECT_EQ(text.substr(11), expected);

  // A call through an import cell names the imported function and its module.
  const TAddress tick = AddressOf(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")));
  static TAddress cell;
  cell = tick;
  c.Bytes(0, {0xFF, 0x15});
  c.Dword(2, AddressOf(&cell));
  InstructionLine(c.At(0), text, nullptr, false);
  EXPECT_EQ(text.find("call    dword ptr ["), 11u) << text;
  ASSERT_EQ(text.size() > 40, true);
  EXPECT_EQ(text.substr(40), "  ; GetTickCount (kernel32.dll)");

  // Undecodable bytes become "db" lines.
  c.Bytes(0, {0x0F, 0x0B});
  const TInstructionInfo bad = InstructionLine(c.At(0), text, nullptr, false);
  EXPECT_FALSE(bad.Valid);
  EXPECT_EQ(text, Address8(c.At(0)) + "   db $0f\r\n" + Address8(c.At(1)) + "   db $0b");
}

// A small function with a case table, checked by hand: push ebp; mov ebp,esp; cmp eax,2; ja 1b;
// jmp [table+eax*4]; the table; 1b: pop ebp; ret; 1d: inc eax; jmp 1b; 20: dec eax; jmp 1b.
void AssembleSwitch(CodeBuffer& c) {
  c.Code("55 8B EC 83 F8 02 77 13 FF 24 85 &F &1D &20 &1B 5D C3 40 EB FB 48 EB F8");
}

std::vector<std::string> ExpectedSwitchListing(const CodeBuffer& c) {
  auto a = [&](uint32_t offset) { return Address8(c.At(offset)); };
  auto loc = [&](uint32_t offset) {
    char b[16];
    snprintf(b, sizeof b, "loc_%x", c.At(offset));
    return std::string(b);
  };
  char sub[32];
  snprintf(sub, sizeof sub, "sub_%x:", c.At(0));
  std::string header = sub;
  header.append(31 - header.size(), ' ');
  std::string table = "  dd " + loc(0x1D);
  table.append(31 - table.size(), ' ');
  const std::string separator = "; ---------------------------------------------------------";
  return {
      a(0x00) + " " + header + "  ; function entry point",
      a(0x00) + "   push    ebp",
      a(0x01) + "   mov     ebp, esp",
      a(0x03) + "   cmp     eax, 2",
      a(0x06) + "   ja      " + loc(0x1B),
      a(0x08),
      a(0x08) + "   jmp     dword ptr [eax*4+$" + a(0x0F).substr(a(0x0F).find_first_not_of('0')) +
          "]",
      a(0x0F),
      a(0x0F) + " " + separator,
      a(0x0F),
      a(0x0F),
      a(0x0F) + " " + table + "  ; case jump table",
      a(0x13) + "   dd " + loc(0x20),
      a(0x17) + "   dd " + loc(0x1B),
      a(0x1B),
      a(0x1B) + " " + loc(0x1B) + ":",
      a(0x1B) + "   pop     ebp",
      a(0x1C) + "   ret",
      a(0x1D),
      a(0x1D) + " " + separator,
      a(0x1D),
      a(0x1D) + " " + loc(0x1D) + ":",
      a(0x1D) + " > inc     eax",
      a(0x1E) + "   jmp     " + loc(0x1B),
      a(0x20),
      a(0x20) + " " + separator,
      a(0x20),
      a(0x20) + " " + loc(0x20) + ":",
      a(0x20) + "   dec     eax",
      a(0x21) + "   jmp     " + loc(0x1B),
  };
}

std::string Join(const std::vector<std::string>& lines, size_t first, size_t last) {
  std::string text;
  for (size_t i = first; i < last; ++i) text += (i > first ? "\r\n" : "") + lines[i];
  return text;
}

TEST(Listing, WholeFunctionWithLabelsTablesAndTheMarkedLine) {
  CodeBuffer c;
  AssembleSwitch(c);
  const std::vector<std::string> expected = ExpectedSwitchListing(c);
  std::string text;
  TFunctionInfo info;
  ASSERT_TRUE(DisassembleFunction(c.At(0), text, c.At(0x1D), info, true, 0));
  EXPECT_EQ(text, Join(expected, 0, expected.size()));
  EXPECT_TRUE(info.Valid);

  // A window of 3 lines around the marked one (line 23 of 30).
  ASSERT_TRUE(DisassembleFunction(c.At(0), text, c.At(0x1D), info, true, 3));
  EXPECT_EQ(text, "[...]\r\n" + Join(expected, 19, 26) + "\r\n[...]");
  // Marked near the start: everything up to it and 20 more lines at most.
  ASSERT_TRUE(DisassembleFunction(c.At(0), text, c.At(0x03), info, true, 20));
  std::vector<std::string> early = expected;
  early[3].replace(9, 1, ">");
  early[22].replace(9, 1, " ");
  EXPECT_EQ(text, Join(early, 0, 24) + "\r\n[...]");

  // Without Disassemble: no loc_ labels and no separators.
  ASSERT_TRUE(DisassembleFunction(c.At(0), text, 0, info, false, 0));
  char label[32];
  snprintf(label, sizeof label, "loc_%x:", c.At(0x20));
  EXPECT_EQ(text.find(label), std::string::npos);
  EXPECT_EQ(text.find("; ----"), std::string::npos);
  EXPECT_NE(text.find("  ; case jump table"), std::string::npos);

  // Code that does not parse has no listing.
  c.Bytes(0x1B, {0xFF, 0xFF});
  EXPECT_FALSE(DisassembleFunction(c.At(0), text, 0, info, true, 0));
  EXPECT_EQ(text, "");
}

const char* volatile gGreeting = "Greetings from the listing, with text";
const char* __attribute__((noinline)) Literal() { return "Hello world, a literal of the listing"; }
const char* __attribute__((noinline)) ThroughPointer() { return gGreeting; }
const char* __attribute__((noinline)) NotText() {
  return "\x01\x02"
         "binary";
}

// The listing line of the first instruction of `function` that has a comment.
std::string CommentedLine(const void* function) {
  std::string text;
  TFunctionInfo info;
  DisassembleFunction(AddressOf(function), text, 0, info, true, 0);
  for (const std::string& line : Lines(text)) {
    if (Has(line, "  ; ") && !Has(line, "entry point")) return line;
  }
  return "";
}

TEST(Listing, StringCommentsForTextInTheModule) {
  // A literal, and the text a loaded pointer variable points to; no comment for binary data.
  const auto comment = [](const void* function) {
    const std::string line = CommentedLine(function);
    return line.empty() ? "" : line.substr(line.find("  ; "));
  };
  EXPECT_EQ(comment(reinterpret_cast<void*>(&Literal)),
            "  ; 'Hello world, a literal of the listing'");
  EXPECT_EQ(comment(reinterpret_cast<void*>(&ThroughPointer)),
            "  ; 'Greetings from the listing, with text'");
  EXPECT_EQ(comment(reinterpret_cast<void*>(&NotText)), "");
}

TEST(Listing, ExceptionClauseTable) {
  CodeBuffer c;
  // A jump to the on-exception entry, the clause table after it: a class, then none (else).
  c.Code("E9 ~100 2 0 0 0 78 56 34 12 &19 0 0 0 0 &1A C3 C3 @100 C3");
  RuntimeEntries.onException = c.At(0x100);
  std::string text;
  TFunctionInfo info;
  ASSERT_TRUE(DisassembleFunction(c.At(0), text, 0, info, true, 0));
  RuntimeEntries = {};
  char expected[200];
  // "else" stands in for "on", the class name's 8 letters and 2 more blanks.
  snprintf(expected, sizeof expected, "%s   on EUnknown do loc_%x\r\n%s   else%s loc_%x",
           Address8(c.At(9)).c_str(), c.At(25), Address8(c.At(17)).c_str(),
           std::string(10, ' ').c_str(), c.At(26));
  EXPECT_NE(text.find(expected), std::string::npos) << text;
  // The jump to the handler entry gets no separator of its own: the table brings it.
  const std::string a5 = Address8(c.At(5));
  const std::string before = a5 + "\r\n" + a5 + " ; ------";
  EXPECT_NE(text.find(before), std::string::npos) << text;
  EXPECT_NE(text.find(a5 + "\r\n" + a5 + "\r\n" + Address8(c.At(9)) + "   on"), std::string::npos);
}

constexpr int kListedFunctionLine = __LINE__ + 1;
int __attribute__((noinline)) ListedFunction(int x) { return x > 3 ? x * 5 : x - 1; }

TEST(Listing, OwnFunctionsCarryTheirNameAndSourceLines) {
  ASSERT_EQ(ListingRoutineSlot, &DisassembleFunction);
  const TAddress entry = AddressOf(reinterpret_cast<void*>(&ListedFunction));
  std::string text;
  TFunctionInfo info;
  ASSERT_TRUE(ListingRoutineSlot(entry, text, entry, info, true, 20));
  const std::string first = text.substr(0, text.find("\r\n"));
  // The line column (the function's line) follows the address; the header names the function.
  const std::string line = std::to_string(kListedFunctionLine);
  EXPECT_EQ(first.substr(0, 9), Address8(entry) + " ");
  EXPECT_EQ(first.substr(9, line.size() + 1), line + " ");
  EXPECT_NE(first.find("public drosk::{anonymous}::ListedFunction:"), std::string::npos) << first;
  EXPECT_NE(first.find("  ; function entry point"), std::string::npos);
  EXPECT_NE(text.find(" > "), std::string::npos) << text;
  EXPECT_EQ(ListedFunction(4), 20);
}

}  // namespace
}  // namespace drosk
