// The decoder's constant tables: attribute words and mnemonic indexes of the one-byte and
// two-byte opcode maps, the opcode-extension groups, the 3DNow! suffixes and the mnemonic list.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace drosk::disasm {

// Attribute word bits.
// 0..2: register operand kind. With a ModR/M byte:
constexpr uint16_t kRegNone = 0, kReg8 = 1, kReg16 = 2, kRegSeg = 3, kReg32 = 4, kRegMmx = 5,
                   kRegSt = 6, kRegXmm = 7;
// ... without one (implied operands):
constexpr uint16_t kImplAl = 1, kImplEax = 2, kImplOp8 = 4, kImplOp32 = 5, kImplEaxOp32 = 6,
                   kImplAccDx = 7;
// 3..5: ModR/M operand kind.
constexpr uint16_t kModGroup = 1 << 3, kMod8 = 2 << 3, kMod16 = 3 << 3, kMod32 = 4 << 3,
                   kModMmx = 5 << 3, kModSt = 6 << 3, kModXmm = 7 << 3;
constexpr uint16_t kRegSized = 1 << 6;  // register operand follows the 66 prefix
constexpr uint16_t kModSized = 1 << 7;  // ModR/M operand follows the 66 prefix
constexpr uint16_t kPtr = 1 << 8;       // memory size written / moffs immediate
constexpr uint16_t kModFirst = 1 << 9;  // listing writes the ModR/M operand first
constexpr uint16_t kImm8 = 1 << 10, kImm16 = 2 << 10, kImmV = 3 << 10;
constexpr uint16_t kRelative = 1 << 12;
// 13..15: which registers the instruction writes.
constexpr uint16_t kWReg = 1 << 13, kWRm = 2 << 13, kWOp = 3 << 13, kWEax = 4 << 13,
                   kWRegRm = 5 << 13, kWEaxRm = 6 << 13, kWEaxOp = 7 << 13;
constexpr uint16_t kInvalid = 0xFFFF;

constexpr int RegKind(uint16_t a) { return a & 7; }
constexpr int ModKind(uint16_t a) { return (a >> 3) & 7; }
constexpr int ImmKind(uint16_t a) { return (a >> 10) & 3; }
constexpr int EffectClass(uint16_t a) { return (a >> 13) & 7; }

struct TOpcodeEntry {
  uint16_t attributes = 0;
  uint8_t mnemonic = 0;
};

struct TGroupEntry {
  uint8_t opcode = 0;
  std::array<uint16_t, 8> memory{};
  std::array<uint16_t, 8> registers{};
};

// Entry 0 means none; the others are numbered from 1.
constexpr std::array<const char*, 238> kMnemonics = {
    "",
    "aaa",
    "aad",
    "aam",
    "aas",
    "adc",
    "add",
    "addPS",
    "and",
    "andnPS",
    "arpl",
    "bound",
    "bsf",
    "bsr",
    "bswap",
    "bt",
    "btc",
    "btr",
    "bts",
    "call",
    "clc",
    "cld",
    "cli",
    "clts",
    "cmc",
    "cmov%cc",
    "cmp",
    "cmpPS",
    "cmpsb",
    "cmpxchg",
    "cmpxchg8b",
    "comisS",
    "cpuid",
    "cvtPi2PS",
    "cvtPS2Pi",
    "cvttPS2Pi",
    "daa",
    "das",
    "dec",
    "divPS",
    "emms",
    "enter",
    "femms",
    "hlt",
    "imul",
    "in",
    "inc",
    "insb",
    "int",
    "int     3",
    "int01",
    "into",
    "invd",
    "iret",
    "j%cc",
    "jecxz",
    "jmp",
    "lahf",
    "lar",
    "lds",
    "lea",
    "leave",
    "les",
    "lfs",
    "lgs",
    "sysret",
    "lodsb",
    "loop",
    "loope",
    "loopne",
    "lsl",
    "lss",
    "maxPS",
    "minPS",
    "mov",
    "movaPS",
    "movd",
    "movhPS",
    "movlPS",
    "movmskPS",
    "movnti",
    "movntPS",
    "movsb",
    "movsx",
    "movzx",
    "mulPS",
    "nop",
    "or",
    "orPS",
    "out",
    "outsb",
    "packssdw",
    "packsswb",
    "packuswb",
    "paddb",
    "paddd",
    "paddq",
    "paddsb",
    "paddsw",
    "paddusb",
    "paddusw",
    "paddw",
    "pand",
    "pandn",
    "pavgb",
    "pavgw",
    "pcmpeqb",
    "pcmpeqd",
    "pcmpeqw",
    "pcmpgtb",
    "pcmpgtd",
    "pcmpgtw",
    "pextrw",
    "pinsrw",
    "pmaddwd",
    "pmaxsw",
    "pmaxub",
    "pminsw",
    "pminub",
    "pmovmskb",
    "pmulhuw",
    "pmulhw",
    "pmullw",
    "pmuludq",
    "pop",
    "por",
    "psadbw",
    "pslld",
    "psllq",
    "psllw",
    "psrad",
    "psraw",
    "psrld",
    "psrlq",
    "psrlw",
    "psubb",
    "psubd",
    "psubq",
    "psubsb",
    "psubsw",
    "psubusb",
    "psubusw",
    "psubw",
    "punpckhbw",
    "punpckhdq",
    "punpckhqdq",
    "punpckhwd",
    "punpcklbw",
    "punpckldq",
    "punpckldw",
    "punpcklqdq",
    "push",
    "pxor",
    "rcpPS",
    "rdmsr",
    "rdpmc",
    "rdtsc",
    "ret",
    "rsm",
    "rsqrtPS",
    "sahf",
    "salc",
    "sbb",
    "scasb",
    "set%cc",
    "shld",
    "shrd",
    "shufPS",
    "sqrtPS",
    "stc",
    "std",
    "sti",
    "stosb",
    "sub",
    "subPS",
    "syscall",
    "sysenter",
    "sysexit",
    "test",
    "ucomisS",
    "unpckhPS",
    "unpcklPS",
    "wait",
    "wbinvd",
    "wrmsr",
    "xadd",
    "xchg",
    "xlat",
    "xor",
    "xorPS",
    "cwde/cbw",
    "cdq/cwd",
    "pop     %seg",
    "popad/popa",
    "popfd/popf",
    "push    %seg",
    "pushad/pusha",
    "pushfd/pushf",
    "outsd/outsw",
    "insd/insw",
    "movsd/movsw",
    "cmpsd/cmpsw",
    "lodsd/lodsw",
    "stosd/stosw",
    "scasd/scasw",
    "maskmovq/maskmovdqu",
    "movd///movq",
    "movntq/movntdq",
    "movq//movdq2q/movq2dq",
    "movq/movdqa//movdqu",
    "movuPS//movPS/movPS",
    "prefetch|prefetchw",
    "pshufw/pshufd/pshuflw/pshufhw",
    "sgdt|sidt|lgdt|lidt|smsw||lmsw|invlpg",
    "sldt|str|lldt|ltr|verr|verw",
    "||||bt|bts|btr|btc",
    "||psrld||psrad||pslld",
    "||psrlq|psrldq|||psllq|pslldq",
    "||psrlw||psraw||psllw",
    "cvtdq2ps/cvtps2dq//cvttps2dq",
    "cvtPs2Pd/cvtPd2Ps/cvtPd2Ps",
    "cvttpd2dq//cvtpd2dq/cvtdq2pd",
    "add|or|adc|sbb|and|sub|xor|cmp",
    "inc|dec|call|call|jmp|jmp|push",
    "rol|ror|rcl|rcr|shl|shr|sal|sar",
    "test||not|neg|mul|imul|div|idiv",
    "add|mul|com|comp|sub|subr|div|divr|add|mul|com|comp|subr|sub|divr|div",
    "movhlPS:movlPS/movlPS/movhlPS:movlPS/movhlPS:movlPS",
    "movlhPS:movhPS/movhPS/movlhPS:movhPS/movlhPS:movhPS",
    "prefetchnta|prefetcht0|prefetcht1|prefetcht2|prefetcht3",
    "fxsave|fxrstor|ldmxcsr|stmxcsr||lfence|mfence|sfence:clflush",
    "ld||st|stp|ldenv|ldcw|nstenv|nstcw|ld|xch|nop|stp1|chs-abs---tst-xam|ld1-ldl2t-ldl2e-ldpi-"
    "ldlg2-ldln2-ldz|2xm1-yl2x-ptan-patan-xtract-prem1-decstp-incstp|prem-yl2xp1-sqrt-sincos-"
    "rndint-scale-sin-cos",
    "iadd|imul|icom|icomp|isub|isubr|idiv|idivr|cmovb|cmove|cmovbe|cmovu||ucompp",
    "ild||ist|istp||ld||stp|cmovnb|cmovne|cmovnbe|cmovnu|neni-ndisi-nclex-ninit-nsetpm|ucomi|comi",
    "ld||st|stp|rstor||nsave|nstsw|free|xch4|st|stp|ucom|ucomp",
    "iadd|imul|icom|icomp|isub|isubr|idiv|idivr|addp|mulp|comp5|compp|subrp|subp|divrp|divp",
    "ild||ist|istp|bld|ild|bstp|istp|freep|xch7|stp8|stp9|nstsw  ax|ucomip|comip",
    "andPS",
};

// The index of a mnemonic of the list; used in constant initialisers, so a misspelt name stops
// the build.
constexpr uint8_t Mn(std::string_view text) {
  for (size_t i = 1; i < kMnemonics.size(); ++i)
    if (std::string_view(kMnemonics[i]) == text) return static_cast<uint8_t>(i);
  throw "unknown mnemonic";
}

extern const std::array<TOpcodeEntry, 256> kOneByteMap;
extern const std::array<TOpcodeEntry, 256> kTwoByteMap;
extern const std::array<TGroupEntry, 10> kGroups;

struct TThreeDNow {
  uint8_t suffix;
  const char* name;
};
extern const std::array<TThreeDNow, 24> kThreeDNow;

}  // namespace drosk::disasm
