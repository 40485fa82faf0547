// The function parser on code assembled by hand and on functions of this program.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "crashreport/drosk_dis_asm.h"
#include "debug_info_fuzz.h"
#include "code_buffer.h"
#include "gtest/gtest.h"

namespace drosk {
namespace {

// The whole parse, as offsets from the code's start: the error and where, or the code's length;
// the areas by start ("start-end", "<from" where a jump leads there, "t" a case table, "x" an
// exception clause table, "eax=" where eax's known value was loaded from); the far calls (call or
// jump, target "@" the target's operand) and the unknown targets ("?" and where).
std::string Parsed(const TFunctionInfo& f, const CodeBuffer& c) {
  const auto at = [&c](TAddress a) { return a ? std::to_string(a - c.At(0)) : std::string("-"); };
  if (!f.Valid) {
    return (f.ErrorCode == kInvalidCodeError ? "invalid code" : std::to_string(f.ErrorCode)) +
           " at " + at(f.ErrorAddress);
  }
  std::vector<TCodeArea> areas = f.Areas;
  std::sort(areas.begin(), areas.end(),
            [](const TCodeArea& a, const TCodeArea& b) { return a.AreaStart < b.AreaStart; });
  std::string out = "length " + std::to_string(f.CodeLength) + ":";
  for (const TCodeArea& a : areas) {
    out += " " + at(a.AreaStart) + "-" + at(a.AreaEnd);
    if (a.ReferencedFrom) out += "<" + at(a.ReferencedFrom);
    out += std::string(a.IsCaseTable ? "t" : "") + (a.IsExceptTable ? "x" : "");
    if (a.Registers[0]) out += " eax=" + at(a.Registers[0]);
  }
  out += " |";
  for (const TFarCall& call : f.FarCalls)
    out += (call.IsCall ? " call " : " jump ") + at(call.Target) + "@" + at(call.TargetOperand);
  for (const TUnknownTarget& u : f.UnknownTargets)
    out += (u.IsCall ? " ?call " : " ?jump ") + at(u.CallStart);
  return out;
}

TEST(ParseFunction, HandAssembledCodeGivesItsAreasCallsAndLength) {
  const struct {
    const char* code;
    std::vector<std::pair<TAddress TRuntimeEntries::*, uint32_t>> runtime;  // entries at offsets
    const char* parsed;
  } cases[] = {
      // cmp eax,5; ja; jmp [table+eax*4]: the entry, the table, 6 cases, the default.
      {"83 F8 05 77 25 FF 24 85 &C &24 &25 &26 &27 &28 &29 C3 C3 C3 C3 C3 C3 C3",
       {},
       "length 43: 0-11 12-35t 36-36<5 37-37<5 38-38<5 39-39<5 40-40<5 41-41<5 42-42<3 |"},
      // cmp ecx,2; jae; jmp [table+ecx*4]: a table of two entries.
      {"83 F9 02 0F 83 10 00 00 00 FF 24 8D &10 &18 &19 C3 C3",
       {},
       "length 26: 0-15 16-23t 24-24<9 25-25<9 |"},
      // jz; jmp eax; nop nop ret: the gap after the unknown jump is parsed; one that does not
      // decode fails the whole parse.
      {"74 04 FF E0 90 90 C3", {}, "length 7: 0-3 4-5 6-6<0 | ?jump 2"},
      {"74 04 FF E0 FF FF C3", {}, "invalid code at 6"},
      // Calls through a near and a short jump stub reach their final targets.
      {"E8 ~20 E8 ~30 C3 @20 E9 ~100 @30 EB 10", {}, "length 11: 0-10 | call 256@1 call 66@6"},
      // mov eax,8; jmp eax: a new area follows the load, knowing the register.
      {"B8 &8 FF E0 CC C3", {}, "length 9: 0-4 5-6 eax=1 8-8<5 eax=1 |"},
      // xor; inc; cmp; jnz back into the area being walked: it splits.
      {"31 C0 40 83 F8 0A 75 FA C3", {}, "length 9: 0-1 2-8<6 |"},
      // try-finally: split where the finally block starts; the handler, its jump back, the
      // continuation.
      {"33 C0 55 68 &1E 64 FF 30 64 89 20 90 33 C0 5A 59 59 64 89 10 68 &25 90 C3 E9 ~100 EB F7 "
       "C3 @100 C3",
       {{&TRuntimeEntries::finallyBlock, 0x100}},
       "length 38: 0-27 28-29<35 30-34 35-36 37-37 | jump 256@31"},
      // An any-exception block, then an on-exception clause table (a class, else).
      {"E9 ~100 E9 ~104 2 0 0 0 78 56 34 12 &1E 0 0 0 0 &1F C3 C3 @100 C3 @104 C3",
       {{&TRuntimeEntries::anyException, 0x100}, {&TRuntimeEntries::onException, 0x104}},
       "length 32: 0-4 5-9 10-29x 30-30 31-31 | jump 256@1 jump 260@6"},
      // A call of an unknown routine runs on into FF FF; the termination routine ends the area.
      {"E8 ~100 @100 C3", {}, "invalid code at 7"},
      {"E8 ~100 @100 C3", {{&TRuntimeEntries::termination, 0x100}}, "length 5: 0-4 | call 256@1"},
  };
  for (const auto& k : cases) {
    CodeBuffer c;
    c.Code(k.code);
    for (const auto& [entry, offset] : k.runtime) RuntimeEntries.*entry = c.At(offset);
    const TFunctionInfo f = ParseFunction(c.At(0));
    EXPECT_EQ(Parsed(f, c), k.parsed) << k.code;
    EXPECT_TRUE(!f.Valid || f.CodeStart == c.At(0)) << k.code;
  }
  // The last: the call's copy for a patch holds it and a jump back.
  CodeBuffer c;
  c.Code("E8 ~100 @100 C3");
  RuntimeEntries.termination = c.At(0x100);
  const TFunctionInfo f = ParseFunction(c.At(0));
  EXPECT_EQ(f.CopyInfo.BufferLength, 5 + 4);
  EXPECT_TRUE(!f.FarCalls.empty() && f.FarCalls[0].RelativeTarget);
  EXPECT_EQ(ParseFunction(c.At(0x200)).ErrorText, "Invalid code!");
}

TEST(ParseFunction, PatchableWhenTheFirstBytesCanBeRelocated) {
  const std::pair<std::vector<uint8_t>, bool> cases[] = {
      // mov eax,imm: 5 bytes, then a plain area of 10
      {{0xB8, 1, 2, 3, 4, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0xC3}, true},
      {{0xE3, 0x06, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0xC3}, false},  // jecxz: not widenable
      {{0xFF, 0xD0, 0x90, 0x90, 0x90, 0x90, 0x90, 0xC3}, false},        // call eax: nothing to move
      {{0x74, 0x06, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0xC3}, true},   // jz short: widenable
      {{0x90, 0x90, 0x90, 0x90, 0xC3}, false},                          // too short
  };
  for (const auto& [bytes, patchable] : cases) {
    CodeBuffer c;
    std::memcpy(reinterpret_cast<void*>(c.At(0)), bytes.data(), bytes.size());
    const TFunctionInfo f = ParseFunction(c.At(0));
    ASSERT_TRUE(f.Valid) << int{bytes[0]};
    EXPECT_EQ(f.Patchable, patchable) << int{bytes[0]};
    EXPECT_TRUE(bytes[0] != 0xB8 || f.Areas.size() == 2u);
  }
}

TEST(ParseFunction, EntryOutsideCommittedMemoryIsError87) {
  CodeBuffer c;
  const TFunctionInfo f = ParseFunction(c.At(2 * 4096));
  EXPECT_EQ(std::tuple(f.Valid, f.ErrorCode, f.ErrorAddress),
            std::tuple(false, 87u, c.At(2 * 4096)));
  EXPECT_TRUE(!f.ErrorText.empty() &&
              f.ErrorText.find_last_not_of("\r\n ") == f.ErrorText.size() - 1)
      << f.ErrorText;  // the system's text without its line break
  // Code that runs into unreadable memory ends there.
  std::memset(c.Page(0), 0x90, 4096);
  const TFunctionInfo g = ParseFunction(c.At(4000));
  EXPECT_EQ(std::tuple(g.Valid, g.ErrorCode), std::tuple(false, kInvalidCodeError));
}

// A report's snapshot outlives memory it saw readable: a library that a report on another thread
// loaded for a moment is gone again. Code reached in it is read as it is now, never touched.
TEST(ParseFunction, CodeFreedAfterTheSnapshotEndsTheParseInsteadOfFaulting) {
  auto* code = static_cast<uint8_t*>(
      VirtualAlloc(nullptr, 2 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
  ASSERT_NE(code, nullptr);
  const TAddress entry = AddressOf(code), second = entry + 4096;
  code[0] = 0xE9;  // jmp into the second page, which returns
  const TAddress displacement = second - (entry + 5);
  std::memcpy(code + 1, &displacement, 4);
  code[4096] = 0xC3;
  TDATryRead areas = GetReadableAreas();
  ASSERT_TRUE(ParseFunctionSafe(entry, GetReadableAreas()).Valid);
  // Decommitted, the page stays reserved: nothing else is given it meanwhile.
  VirtualFree(code + 4096, 4096, MEM_DECOMMIT);
  EXPECT_TRUE(IsReadable(areas, second));
  EXPECT_FALSE(ParseFunctionSafe(entry, areas).Valid);
  FreeReadableAreas(areas);
  VirtualFree(code, 0, MEM_RELEASE);
}

TEST(ParseFunction, RandomCodeBeforeUnreadableMemoryNeverFaults) {
  EXPECT_EQ(fuzz::FuzzCode(5, 4000), "");
}

int __attribute__((noinline)) Callee(int x) { return x * 7 + static_cast<int>(GetTickCount() & 1); }
int __attribute__((noinline)) Caller(int x) {
  int sum = 0;
  for (int i = 0; i < x; ++i) sum += i % 3 == 0 ? Callee(i) : i;
  return sum;
}

TEST(ParseFunction, OwnCompiledFunctionsWithTheirCalls) {
  const TAddress caller = AddressOf(reinterpret_cast<void*>(&Caller));
  const TAddress callee = AddressOf(reinterpret_cast<void*>(&Callee));
  const TFunctionInfo f = ParseFunction(caller);
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  EXPECT_EQ(f.CodeStart, caller);
  EXPECT_GT(f.Areas.size(), 1u);  // the loop makes more than one area
  EXPECT_TRUE(std::any_of(f.FarCalls.begin(), f.FarCalls.end(),
                          [&](const TFarCall& c) { return c.IsCall && c.Target == callee; }));
  for (const TFarCall& c : f.FarCalls) {
    EXPECT_GE(c.CallStart, f.CodeStart);
    EXPECT_LT(c.CallStart, f.CodeStart + f.CodeLength);
  }
  // The callee calls an import through its cell; the stub is followed to the system function.
  const TFunctionInfo g = ParseFunction(callee);
  ASSERT_TRUE(g.Valid);
  const TAddress tick = AddressOf(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")));
  EXPECT_TRUE(std::any_of(g.FarCalls.begin(), g.FarCalls.end(),
                          [&](const TFarCall& c) { return c.Target == tick; }));
  TDATryRead areas = GetReadableAreas();
  const TFunctionInfo s = ParseFunctionSafe(caller, areas);
  EXPECT_EQ(s.Valid, f.Valid);
  EXPECT_EQ(s.CodeLength, f.CodeLength);
  EXPECT_EQ(s.FarCalls.size(), f.FarCalls.size());
  EXPECT_EQ(Caller(4), Callee(0) + 1 + 2 + Callee(3));
}

}  // namespace
}  // namespace drosk
