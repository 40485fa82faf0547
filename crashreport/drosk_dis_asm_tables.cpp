// The decoder's tables, laid out after the published Intel and AMD opcode maps.
#include "crashreport/drosk_dis_asm_tables.h"

namespace drosk::disasm {
namespace {

using Map = std::array<TOpcodeEntry, 256>;

// Operand shapes that recur across the maps.
constexpr uint16_t kEbGb = kReg8 | kMod8 | kModFirst;                            // r/m8, r8
constexpr uint16_t kEvGv = kReg32 | kMod32 | kRegSized | kModSized | kModFirst;  // r/m32, r32
constexpr uint16_t kGbEb = kReg8 | kMod8;                                        // r8, r/m8
constexpr uint16_t kGvEv = kReg32 | kMod32 | kRegSized | kModSized;              // r32, r/m32
constexpr uint16_t kEv = kMod32 | kModSized | kPtr;                              // r/m32 alone
constexpr uint16_t kEb = kMod8 | kPtr;                                           // r/m8 alone
constexpr uint16_t kPqQq = kRegMmx | kModMmx | kRegSized | kModSized;            // mm, mm/m64
constexpr uint16_t kVW = kRegXmm | kModXmm;                                      // xmm, xmm/m128
constexpr uint16_t kWV = kRegXmm | kModXmm | kModFirst;                          // xmm/m128, xmm

constexpr Map BuildOneByte() {
  Map t{};
  auto set = [&t](int op, uint16_t a, uint8_t m) { t[op] = {a, m}; };
  // The eight arithmetic rows share one layout: Eb,Gb Ev,Gv Gb,Eb Gv,Ev AL,Ib eAX,Iv.
  const uint8_t arith[8] = {Mn("add"), Mn("or"),  Mn("adc"), Mn("sbb"),
                            Mn("and"), Mn("sub"), Mn("xor"), Mn("cmp")};
  for (int row = 0; row < 8; ++row) {
    const int b = row * 8;
    const bool compare = row == 7;  // CMP writes nothing
    set(b + 0, kEbGb | (compare ? 0 : kWRm), arith[row]);
    set(b + 1, kEvGv | (compare ? 0 : kWRm), arith[row]);
    set(b + 2, kGbEb | (compare ? 0 : kWReg), arith[row]);
    set(b + 3, kGvEv | (compare ? 0 : kWReg), arith[row]);
    set(b + 4, kImplAl | kImm8 | (compare ? 0 : kWEax), arith[row]);
    set(b + 5, kImplEax | kRegSized | kImmV | (compare ? 0 : kWEax), arith[row]);
  }
  for (int op : {0x06, 0x0E, 0x16, 0x1E}) set(op, 0, Mn("push    %seg"));
  for (int op : {0x07, 0x17, 0x1F}) set(op, 0, Mn("pop     %seg"));
  set(0x27, kWEax, Mn("daa"));
  set(0x2F, kWEax, Mn("das"));
  set(0x37, kWEax, Mn("aaa"));
  set(0x3F, kWEax, Mn("aas"));
  for (int op = 0x40; op < 0x48; ++op) set(op, kImplOp32 | kRegSized | kWOp, Mn("inc"));
  for (int op = 0x48; op < 0x50; ++op) set(op, kImplOp32 | kRegSized | kWOp, Mn("dec"));
  for (int op = 0x50; op < 0x58; ++op) set(op, kImplOp32 | kRegSized, Mn("push"));
  for (int op = 0x58; op < 0x60; ++op) set(op, kImplOp32 | kRegSized | kWOp, Mn("pop"));
  set(0x60, 0, Mn("pushad/pusha"));
  set(0x61, 0, Mn("popad/popa"));
  set(0x62, kGvEv, Mn("bound"));
  set(0x63, kReg16 | kMod16 | kModFirst | kWRm, Mn("arpl"));
  set(0x68, kImmV, Mn("push"));
  set(0x69, kGvEv | kImmV | kWReg, Mn("imul"));
  set(0x6A, kImm8, Mn("push"));
  set(0x6B, kGvEv | kImm8 | kWReg, Mn("imul"));
  set(0x6C, 0, Mn("insb"));
  set(0x6D, 0, Mn("insd/insw"));
  set(0x6E, 0, Mn("outsb"));
  set(0x6F, 0, Mn("outsd/outsw"));
  for (int op = 0x70; op < 0x80; ++op) set(op, kImm8 | kRelative, Mn("j%cc"));
  set(0x80, kEb | kImm8, Mn("add|or|adc|sbb|and|sub|xor|cmp"));
  set(0x81, kEv | kImmV, Mn("add|or|adc|sbb|and|sub|xor|cmp"));
  set(0x82, kEb | kImm8, Mn("add|or|adc|sbb|and|sub|xor|cmp"));
  set(0x83, kEv | kImm8, Mn("add|or|adc|sbb|and|sub|xor|cmp"));
  set(0x84, kEbGb, Mn("test"));
  set(0x85, kEvGv, Mn("test"));
  set(0x86, kEbGb | kWRegRm, Mn("xchg"));
  set(0x87, kEvGv | kWRegRm, Mn("xchg"));
  set(0x88, kEbGb | kWRm, Mn("mov"));
  set(0x89, kEvGv | kWRm, Mn("mov"));
  set(0x8A, kGbEb | kWReg, Mn("mov"));
  set(0x8B, kGvEv | kWReg, Mn("mov"));
  set(0x8C, kRegSeg | kMod16 | kModFirst | kWRm, Mn("mov"));
  set(0x8D, kGvEv | kWReg, Mn("lea"));
  set(0x8E, kRegSeg | kMod16, Mn("mov"));
  set(0x8F, kEv | kWRm, Mn("pop"));
  set(0x90, 0, Mn("nop"));
  for (int op = 0x91; op < 0x98; ++op) set(op, kImplEaxOp32 | kRegSized | kWEaxOp, Mn("xchg"));
  set(0x98, kWEax, Mn("cwde/cbw"));
  set(0x99, 0, Mn("cdq/cwd"));
  set(0x9A, 0, Mn("call"));
  set(0x9B, 0, Mn("wait"));
  set(0x9C, 0, Mn("pushfd/pushf"));
  set(0x9D, 0, Mn("popfd/popf"));
  set(0x9E, 0, Mn("sahf"));
  set(0x9F, kWEax, Mn("lahf"));
  set(0xA0, kImplAl | kPtr | kWEax, Mn("mov"));
  set(0xA1, kImplEax | kRegSized | kPtr | kWEax, Mn("mov"));
  set(0xA2, kImplAl | kPtr | kModFirst, Mn("mov"));
  set(0xA3, kImplEax | kRegSized | kPtr | kModFirst, Mn("mov"));
  set(0xA4, 0, Mn("movsb"));
  set(0xA5, 0, Mn("movsd/movsw"));
  set(0xA6, 0, Mn("cmpsb"));
  set(0xA7, 0, Mn("cmpsd/cmpsw"));
  set(0xA8, kImplAl | kImm8, Mn("test"));
  set(0xA9, kImplEax | kRegSized | kImmV, Mn("test"));
  set(0xAA, 0, Mn("stosb"));
  set(0xAB, 0, Mn("stosd/stosw"));
  set(0xAC, kWEax, Mn("lodsb"));
  set(0xAD, kWEax, Mn("lodsd/lodsw"));
  set(0xAE, 0, Mn("scasb"));
  set(0xAF, 0, Mn("scasd/scasw"));
  for (int op = 0xB0; op < 0xB8; ++op) set(op, kImplOp8 | kImm8 | kWOp, Mn("mov"));
  for (int op = 0xB8; op < 0xC0; ++op) set(op, kImplOp32 | kRegSized | kImmV | kWOp, Mn("mov"));
  set(0xC0, kEb | kImm8 | kWRm, Mn("rol|ror|rcl|rcr|shl|shr|sal|sar"));
  set(0xC1, kEv | kImm8 | kWRm, Mn("rol|ror|rcl|rcr|shl|shr|sal|sar"));
  set(0xC2, kImm16, Mn("ret"));
  set(0xC3, 0, Mn("ret"));
  set(0xC4, kGvEv | kWReg, Mn("les"));
  set(0xC5, kGvEv | kWReg, Mn("lds"));
  set(0xC6, kEb | kImm8 | kWRm, Mn("mov"));
  set(0xC7, kEv | kImmV | kWRm, Mn("mov"));
  set(0xC8, 0, Mn("enter"));
  set(0xC9, 0, Mn("leave"));
  set(0xCA, kImm16, Mn("ret"));
  set(0xCB, 0, Mn("ret"));
  set(0xCC, 0, Mn("int     3"));
  set(0xCD, kImm8, Mn("int"));
  set(0xCE, 0, Mn("into"));
  set(0xCF, 0, Mn("iret"));
  set(0xD0, kEb | kWRm, Mn("rol|ror|rcl|rcr|shl|shr|sal|sar"));
  set(0xD1, kEv | kWRm, Mn("rol|ror|rcl|rcr|shl|shr|sal|sar"));
  set(0xD2, kEb | kWRm, Mn("rol|ror|rcl|rcr|shl|shr|sal|sar"));
  set(0xD3, kEv | kWRm, Mn("rol|ror|rcl|rcr|shl|shr|sal|sar"));
  set(0xD4, kImm8 | kWEax, Mn("aam"));
  set(0xD5, kImm8 | kWEax, Mn("aad"));
  set(0xD6, kWEax, Mn("salc"));
  set(0xD7, kWEax, Mn("xlat"));
  const uint8_t x87[8] = {
      Mn("add|mul|com|comp|sub|subr|div|divr|add|mul|com|comp|subr|sub|divr|div"),
      Mn("ld||st|stp|ldenv|ldcw|nstenv|nstcw|ld|xch|nop|stp1|chs-abs---tst-xam|"
         "ld1-ldl2t-ldl2e-ldpi-ldlg2-ldln2-ldz|2xm1-yl2x-ptan-patan-xtract-prem1-decstp-incstp|"
         "prem-yl2xp1-sqrt-sincos-rndint-scale-sin-cos"),
      Mn("iadd|imul|icom|icomp|isub|isubr|idiv|idivr|cmovb|cmove|cmovbe|cmovu||ucompp"),
      Mn("ild||ist|istp||ld||stp|cmovnb|cmovne|cmovnbe|cmovnu|neni-ndisi-nclex-ninit-nsetpm|"
         "ucomi|comi"),
      Mn("add|mul|com|comp|sub|subr|div|divr|add|mul|com|comp|subr|sub|divr|div"),
      Mn("ld||st|stp|rstor||nsave|nstsw|free|xch4|st|stp|ucom|ucomp"),
      Mn("iadd|imul|icom|icomp|isub|isubr|idiv|idivr|addp|mulp|comp5|compp|subrp|subp|divrp|"
         "divp"),
      Mn("ild||ist|istp|bld|ild|bstp|istp|freep|xch7|stp8|stp9|nstsw  ax|ucomip|comip")};
  for (int i = 0; i < 8; ++i) set(0xD8 + i, kModGroup, x87[i]);
  set(0xE0, kImm8 | kRelative, Mn("loopne"));
  set(0xE1, kImm8 | kRelative, Mn("loope"));
  set(0xE2, kImm8 | kRelative, Mn("loop"));
  set(0xE3, kImm8 | kRelative, Mn("jecxz"));
  set(0xE4, kImplAl | kImm8 | kWEax, Mn("in"));
  set(0xE5, kImplEax | kRegSized | kImm8 | kWEax, Mn("in"));
  set(0xE6, kImplAl | kImm8 | kModFirst, Mn("out"));
  set(0xE7, kImplEax | kRegSized | kImm8 | kModFirst, Mn("out"));
  set(0xE8, kImmV | kRelative, Mn("call"));
  set(0xE9, kImmV | kRelative, Mn("jmp"));
  set(0xEA, 0, Mn("jmp"));
  set(0xEB, kImm8 | kRelative, Mn("jmp"));
  set(0xEC, kImplAccDx | kWEax, Mn("in"));
  set(0xED, kImplAccDx | kRegSized | kWEax, Mn("in"));
  set(0xEE, kImplAccDx | kModFirst, Mn("out"));
  set(0xEF, kImplAccDx | kRegSized | kModFirst, Mn("out"));
  set(0xF1, 0, Mn("int01"));
  set(0xF4, 0, Mn("hlt"));
  set(0xF5, 0, Mn("cmc"));
  set(0xF6, kModGroup, Mn("test||not|neg|mul|imul|div|idiv"));
  set(0xF7, kModGroup, Mn("test||not|neg|mul|imul|div|idiv"));
  set(0xF8, 0, Mn("clc"));
  set(0xF9, 0, Mn("stc"));
  set(0xFA, 0, Mn("cli"));
  set(0xFB, 0, Mn("sti"));
  set(0xFC, 0, Mn("cld"));
  set(0xFD, 0, Mn("std"));
  set(0xFE, kEb | kWRm, Mn("inc|dec|call|call|jmp|jmp|push"));
  set(0xFF, kEv, Mn("inc|dec|call|call|jmp|jmp|push"));
  return t;
}

constexpr Map BuildTwoByte() {
  Map t{};
  auto set = [&t](int op, uint16_t a, uint8_t m) { t[op] = {a, m}; };
  auto mmx = [&set](int op, const char* name) { set(op, kPqQq, Mn(name)); };
  auto sse = [&set](int op, const char* name) { set(op, kVW, Mn(name)); };
  set(0x00, kMod16, Mn("sldt|str|lldt|ltr|verr|verw"));
  set(0x01, kMod32, Mn("sgdt|sidt|lgdt|lidt|smsw||lmsw|invlpg"));
  set(0x02, kReg32 | kMod16 | kRegSized | kWReg, Mn("lar"));
  set(0x03, kReg32 | kMod16 | kRegSized | kWReg, Mn("lsl"));
  set(0x05, 0, Mn("syscall"));
  set(0x06, 0, Mn("clts"));
  set(0x07, 0, Mn("sysret"));
  set(0x08, 0, Mn("invd"));
  set(0x09, 0, Mn("wbinvd"));
  set(0x0D, kMod8, Mn("prefetch|prefetchw"));
  set(0x0E, 0, Mn("femms"));
  set(0x0F, kRegMmx | kModMmx | kPtr | kImm8, 0);  // 3DNow!: the immediate is the suffix
  set(0x10, kVW, Mn("movuPS//movPS/movPS"));
  set(0x11, kWV, Mn("movuPS//movPS/movPS"));
  set(0x12, kVW, Mn("movhlPS:movlPS/movlPS/movhlPS:movlPS/movhlPS:movlPS"));
  set(0x13, kWV, Mn("movlPS"));
  sse(0x14, "unpcklPS");
  sse(0x15, "unpckhPS");
  set(0x16, kVW, Mn("movlhPS:movhPS/movhPS/movlhPS:movhPS/movlhPS:movhPS"));
  set(0x17, kWV, Mn("movhPS"));
  set(0x18, kMod8, Mn("prefetchnta|prefetcht0|prefetcht1|prefetcht2|prefetcht3"));
  // Control and debug registers: the general register is the destination of 20 and 21 and the
  // source of 22 and 23, so the listing writes it first for 20 and 21 and last for 22 and 23.
  set(0x20, kRegSeg | kMod32 | kModFirst | kWRm, Mn("mov"));
  set(0x21, kRegSeg | kMod32 | kModFirst | kWRm, Mn("mov"));
  set(0x22, kRegSeg | kMod32, Mn("mov"));
  set(0x23, kRegSeg | kMod32, Mn("mov"));
  set(0x28, kVW, Mn("movaPS"));
  set(0x29, kWV, Mn("movaPS"));
  set(0x2A, kRegXmm | kModMmx, Mn("cvtPi2PS"));
  set(0x2B, kWV, Mn("movntPS"));
  set(0x2C, kRegMmx | kModXmm, Mn("cvttPS2Pi"));
  set(0x2D, kRegMmx | kModXmm, Mn("cvtPS2Pi"));
  sse(0x2E, "ucomisS");
  sse(0x2F, "comisS");
  set(0x30, 0, Mn("wrmsr"));
  set(0x31, kWEax, Mn("rdtsc"));
  set(0x32, kWEax, Mn("rdmsr"));
  set(0x33, kWEax, Mn("rdpmc"));
  set(0x34, 0, Mn("sysenter"));
  set(0x35, 0, Mn("sysexit"));
  for (int op = 0x40; op < 0x50; ++op) set(op, kGvEv | kWReg, Mn("cmov%cc"));
  set(0x50, kReg32 | kModXmm | kWReg, Mn("movmskPS"));
  const char* arith[15] = {"sqrtPS",
                           "rsqrtPS",
                           "rcpPS",
                           "andPS",
                           "andnPS",
                           "orPS",
                           "xorPS",
                           "addPS",
                           "mulPS",
                           "cvtPs2Pd/cvtPd2Ps/cvtPd2Ps",
                           "cvtdq2ps/cvtps2dq//cvttps2dq",
                           "subPS",
                           "minPS",
                           "divPS",
                           "maxPS"};
  for (int i = 0; i < 15; ++i) sse(0x51 + i, arith[i]);
  const char* unpack[16] = {"punpcklbw",  "punpckldw",  "punpckldq", "packsswb",
                            "pcmpgtb",    "pcmpgtw",    "pcmpgtd",   "packuswb",
                            "punpckhbw",  "punpckhwd",  "punpckhdq", "packssdw",
                            "punpcklqdq", "punpckhqdq", nullptr,     nullptr};
  for (int i = 0; i < 14; ++i) mmx(0x60 + i, unpack[i]);
  set(0x6E, kRegMmx | kRegSized | kMod32, Mn("movd"));
  set(0x6F, kPqQq, Mn("movq/movdqa//movdqu"));
  set(0x70, kPqQq | kImm8, Mn("pshufw/pshufd/pshuflw/pshufhw"));
  set(0x71, kModMmx | kModSized | kImm8, Mn("||psrlw||psraw||psllw"));
  set(0x72, kModMmx | kModSized | kImm8, Mn("||psrld||psrad||pslld"));
  set(0x73, kModMmx | kModSized | kImm8, Mn("||psrlq|psrldq|||psllq|pslldq"));
  mmx(0x74, "pcmpeqb");
  mmx(0x75, "pcmpeqw");
  mmx(0x76, "pcmpeqd");
  set(0x77, 0, Mn("emms"));
  set(0x7E, kRegMmx | kRegSized | kMod32 | kModFirst, Mn("movd///movq"));
  set(0x7F, kPqQq | kModFirst, Mn("movq/movdqa//movdqu"));
  for (int op = 0x80; op < 0x90; ++op) set(op, kImmV | kRelative, Mn("j%cc"));
  for (int op = 0x90; op < 0xA0; ++op) set(op, kMod8 | kWRm, Mn("set%cc"));
  set(0xA0, 0, Mn("push    %seg"));
  set(0xA1, 0, Mn("pop     %seg"));
  set(0xA2, kWEax, Mn("cpuid"));
  set(0xA3, kEvGv, Mn("bt"));
  set(0xA4, kEvGv | kImm8 | kWRm, Mn("shld"));
  set(0xA5, kEvGv | kWRm, Mn("shld"));
  set(0xA8, 0, Mn("push    %seg"));
  set(0xA9, 0, Mn("pop     %seg"));
  set(0xAA, 0, Mn("rsm"));
  set(0xAB, kEvGv | kWRm, Mn("bts"));
  set(0xAC, kEvGv | kImm8 | kWRm, Mn("shrd"));
  set(0xAD, kEvGv | kWRm, Mn("shrd"));
  set(0xAE, kMod32, Mn("fxsave|fxrstor|ldmxcsr|stmxcsr||lfence|mfence|sfence:clflush"));
  set(0xAF, kGvEv | kWReg, Mn("imul"));
  set(0xB0, kEbGb | kWEaxRm, Mn("cmpxchg"));
  set(0xB1, kEvGv | kWEaxRm, Mn("cmpxchg"));
  set(0xB2, kGvEv | kWReg, Mn("lss"));
  set(0xB3, kEvGv | kWRm, Mn("btr"));
  set(0xB4, kGvEv | kWReg, Mn("lfs"));
  set(0xB5, kGvEv | kWReg, Mn("lgs"));
  set(0xB6, kReg32 | kMod8 | kRegSized | kPtr | kWReg, Mn("movzx"));
  set(0xB7, kReg32 | kMod16 | kRegSized | kPtr | kWReg, Mn("movzx"));
  set(0xBA, kEv | kImm8, Mn("||||bt|bts|btr|btc"));
  set(0xBB, kEvGv | kWRm, Mn("btc"));
  set(0xBC, kGvEv | kWReg, Mn("bsf"));
  set(0xBD, kGvEv | kWReg, Mn("bsr"));
  set(0xBE, kReg32 | kMod8 | kRegSized | kPtr | kWReg, Mn("movsx"));
  set(0xBF, kReg32 | kMod16 | kRegSized | kPtr | kWReg, Mn("movsx"));
  set(0xC0, kEbGb | kWRegRm, Mn("xadd"));
  set(0xC1, kEvGv | kWRegRm, Mn("xadd"));
  set(0xC2, kVW | kImm8, Mn("cmpPS"));
  set(0xC3, kReg32 | kMod32 | kModFirst, Mn("movnti"));
  set(0xC4, kRegMmx | kRegSized | kMod32 | kImm8, Mn("pinsrw"));
  set(0xC5, kReg32 | kModMmx | kModSized | kImm8 | kWReg, Mn("pextrw"));
  set(0xC6, kVW | kImm8, Mn("shufPS"));
  set(0xC7, kModMmx | kPtr, Mn("cmpxchg8b"));
  for (int op = 0xC8; op < 0xD0; ++op) set(op, kImplOp32 | kWOp, Mn("bswap"));
  const char* packed[48] = {
      nullptr,   "psrlw",   "psrld",  "psrlq", "paddq",   "pmullw",  nullptr,  nullptr,
      "psubusb", "psubusw", "pminub", "pand",  "paddusb", "paddusw", "pmaxub", "pandn",
      "pavgb",   "psraw",   "psrad",  "pavgw", "pmulhuw", "pmulhw",  nullptr,  nullptr,
      "psubsb",  "psubsw",  "pminsw", "por",   "paddsb",  "paddsw",  "pmaxsw", "pxor",
      nullptr,   "psllw",   "pslld",  "psllq", "pmuludq", "pmaddwd", "psadbw", nullptr,
      "psubb",   "psubw",   "psubd",  "psubq", "paddb",   "paddw",   "paddd",  nullptr};
  for (int i = 0; i < 48; ++i)
    if (packed[i]) mmx(0xD0 + i, packed[i]);
  set(0xD6, kPqQq | kModFirst, Mn("movq//movdq2q/movq2dq"));
  set(0xD7, kReg32 | kModMmx | kModSized | kWReg, Mn("pmovmskb"));
  set(0xE6, kVW, Mn("cvttpd2dq//cvtpd2dq/cvtdq2pd"));
  set(0xE7, kPqQq | kModFirst, Mn("movntq/movntdq"));
  set(0xF7, kPqQq, Mn("maskmovq/maskmovdqu"));
  for (int op : {0x04, 0x0A, 0x0B, 0x0C, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x24, 0x25,
                 0x26, 0x27, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0xB8, 0xB9, 0xD0, 0xF0, 0xFF})
    t[op].attributes = kInvalid;
  for (int op = 0x36; op < 0x40; ++op) t[op].attributes = kInvalid;
  return t;
}

// x87 operand shapes of the register forms.
constexpr uint16_t kStSti = kRegSt | kModSt;              // st, st(i)
constexpr uint16_t kStiSt = kRegSt | kModSt | kModFirst;  // st(i), st
constexpr uint16_t kSti = kModSt;                         // st(i)
// x87 memory operands, sized through the ModR/M kind.
constexpr uint16_t kM16 = kMod16 | kPtr, kM32 = kMod32 | kPtr, kM64 = kModMmx | kPtr,
                   kM80 = kModSt | kPtr, kMNone = kMod32;
constexpr uint16_t X = kInvalid;

constexpr std::array<TGroupEntry, 10> BuildGroups() {
  constexpr uint16_t kTest8 = kEb | kImm8, kTest32 = kEv | kImmV;
  return {{
      {0xF6,
       {kTest8, X, kEb | kWRm, kEb | kWRm, kEb | kWEax, kEb | kWEax, kEb | kWEax, kEb | kWEax},
       {kTest8, X, kEb | kWRm, kEb | kWRm, kEb | kWEax, kEb | kWEax, kEb | kWEax, kEb | kWEax}},
      {0xF7,
       {kTest32, X, kEv | kWRm, kEv | kWRm, kEv | kWEax, kEv | kWEax, kEv | kWEax, kEv | kWEax},
       {kTest32, X, kEv | kWRm, kEv | kWRm, kEv | kWEax, kEv | kWEax, kEv | kWEax, kEv | kWEax}},
      {0xD8,
       {kM32, kM32, kM32, kM32, kM32, kM32, kM32, kM32},
       {kStSti, kStSti, kSti, kSti, kStSti, kStSti, kStSti, kStSti}},
      {0xD9, {kM32, X, kM32, kM32, kMNone, kM16, kMNone, kM16}, {kSti, kSti, 0, kSti, 0, 0, 0, 0}},
      {0xDA,
       {kM32, kM32, kM32, kM32, kM32, kM32, kM32, kM32},
       {kStSti, kStSti, kStSti, kStSti, X, 0, X, X}},
      {0xDB,
       {kM32, X, kM32, kM32, X, kM80, X, kM80},
       {kStSti, kStSti, kStSti, kStSti, 0, kStSti, kStSti, X}},
      {0xDC,
       {kM64, kM64, kM64, kM64, kM64, kM64, kM64, kM64},
       {kStiSt, kStiSt, kSti, kSti, kStiSt, kStiSt, kStiSt, kStiSt}},
      {0xDD,
       {kM64, X, kM64, kM64, kMNone, X, kMNone, kM16},
       {kSti, kSti, kSti, kSti, kSti, kSti, X, X}},
      {0xDE,
       {kM16, kM16, kM16, kM16, kM16, kM16, kM16, kM16},
       {kStiSt, kStiSt, kSti, 0, kStiSt, kStiSt, kStiSt, kStiSt}},
      {0xDF,
       {kM16, X, kM16, kM16, kM80, kM64, kM80, kM64},
       {kSti, kSti, kSti, kSti, 0, kStSti, kStSti, X}},
  }};
}

}  // namespace

constinit const std::array<TOpcodeEntry, 256> kOneByteMap = BuildOneByte();
constinit const std::array<TOpcodeEntry, 256> kTwoByteMap = BuildTwoByte();
constinit const std::array<TGroupEntry, 10> kGroups = BuildGroups();

constinit const std::array<TThreeDNow, 24> kThreeDNow = {{
    {0x0C, "pi2fw"},    {0x0D, "pi2fd"},   {0x1C, "pf2iw"},   {0x1D, "pf2id"},   {0x8A, "pfnacc"},
    {0x8E, "pfpnacc"},  {0x90, "pfcmpge"}, {0x94, "pfmin"},   {0x96, "pfrcp"},   {0x97, "pfrsqrt"},
    {0x9A, "pfsub"},    {0x9E, "pfadd"},   {0xA0, "pfcmpgt"}, {0xA4, "pfmax"},   {0xA6, "pfrcpit1"},
    {0xA7, "pfrsqit1"}, {0xAA, "pfsubr"},  {0xAE, "pfacc"},   {0xB0, "pfcmpeq"}, {0xB4, "pfmul"},
    {0xB6, "pfrcpit2"}, {0xB7, "pmulhrw"}, {0xBB, "pswapd"},  {0xBF, "pavgusb"},
}};

}  // namespace drosk::disasm
