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

// The areas by start as "start-end" offsets into the code, "<from" where a jump leads there,
// "t" for a case table and "x" for an exception clause table.
std::string Areas(const TFunctionInfo& f, const CodeBuffer& c) {
  std::vector<TCodeArea> areas = f.Areas;
  std::sort(areas.begin(), areas.end(),
            [](const TCodeArea& a, const TCodeArea& b) { return a.AreaStart < b.AreaStart; });
  std::string out;
  for (const TCodeArea& a : areas) {
    out += std::to_string(a.AreaStart - c.At(0)) + "-" + std::to_string(a.AreaEnd - c.At(0));
    if (a.ReferencedFrom) out += "<" + std::to_string(a.ReferencedFrom - c.At(0));
    out += std::string(a.IsCaseTable ? "t" : "") + (a.IsExceptTable ? "x" : "") + " ";
  }
  return out;
}

TEST(ParseFunction, CaseTableGivesOneAreaPerCaseAndTheTableAsData) {
  CodeBuffer c;
  c.Bytes(0, {0x83, 0xF8, 0x05, 0x77, 0x25});  // cmp eax,5; ja 42
  c.Bytes(5, {0xFF, 0x24, 0x85});              // jmp [table + eax*4]
  c.Dword(8, c.At(12));
  for (uint32_t k = 0; k < 6; ++k) {
    c.Dword(12 + 4 * k, c.At(36 + k));
    c.Bytes(36 + k, {0xC3});
  }
  c.Bytes(42, {0xC3});
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  // The entry, the table, 6 cases, the default.
  EXPECT_EQ(Areas(f, c), "0-11 12-35t 36-36<5 37-37<5 38-38<5 39-39<5 40-40<5 41-41<5 42-42<3 ");
  EXPECT_EQ(f.CodeStart, c.At(0));
  EXPECT_EQ(f.CodeLength, 43);
  EXPECT_TRUE(f.UnknownTargets.empty());
}

TEST(ParseFunction, CaseTableAfterJaeHasCountEntries) {
  CodeBuffer c;
  c.Bytes(0, {0x83, 0xF9, 0x02, 0x0F, 0x83, 0x10, 0x00, 0x00, 0x00});  // cmp ecx,2; jae 25
  c.Bytes(9, {0xFF, 0x24, 0x8D});                                      // jmp [table + ecx*4]
  c.Dword(12, c.At(16));
  c.Dword(16, c.At(24));
  c.Dword(20, c.At(25));
  c.Bytes(24, {0xC3, 0xC3});
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  EXPECT_EQ(Areas(f, c), "0-15 16-23t 24-24<9 25-25<9 ") << "two entries";
}

TEST(ParseFunction, CodeInAGapAfterAnUnknownJumpIsParsed) {
  CodeBuffer c;
  c.Bytes(0, {0x74, 0x04, 0xFF, 0xE0, 0x90, 0x90, 0xC3});  // jz 6; jmp eax; nop; nop; ret
  TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  EXPECT_EQ(Areas(f, c), "0-3 4-5 6-6<0 ");
  ASSERT_EQ(f.UnknownTargets.size(), 1u);
  EXPECT_EQ(f.UnknownTargets[0].CallStart, c.At(2));
  EXPECT_FALSE(f.UnknownTargets[0].IsCall);
  c.Bytes(4, {0xFF, 0xFF});  // a gap that does not decode fails the whole parse
  f = ParseFunction(c.At(0));
  EXPECT_FALSE(f.Valid);
  EXPECT_EQ(f.ErrorCode, kInvalidCodeError);
}

TEST(ParseFunction, CallsThroughJumpStubsReachTheFinalTarget) {
  CodeBuffer c;
  c.Bytes(0, {0xE8});  // call stub at 0x20 (a near jump)
  c.Rel32(1, 0x20);
  c.Bytes(5, {0xE8});  // call stub at 0x30 (a short jump)
  c.Rel32(6, 0x30);
  c.Bytes(10, {0xC3});
  c.Bytes(0x20, {0xE9});
  c.Rel32(0x21, 0x100);
  c.Bytes(0x30, {0xEB, 0x10});  // to 0x42
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  ASSERT_EQ(f.FarCalls.size(), 2u);
  EXPECT_EQ(f.FarCalls[0].Target, c.At(0x100));
  EXPECT_EQ(f.FarCalls[1].Target, c.At(0x42));
  EXPECT_EQ(f.FarCalls[0].TargetOperand, c.At(1));  // still where the call's own target lies
}

TEST(ParseFunction, JumpThroughARegisterLoadedInTheCodeIsResolvedOnRetry) {
  CodeBuffer c;
  c.Bytes(0, {0xB8});  // mov eax,8 (the address of the label)
  c.Dword(1, c.At(8));
  c.Bytes(5, {0xFF, 0xE0, 0xCC});  // jmp eax; int3
  c.Bytes(8, {0xC3});
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  // The load changed a register: a new area follows it, knowing the register's value.
  EXPECT_EQ(Areas(f, c), "0-4 5-6 8-8<5 ");
  EXPECT_EQ(f.Areas[1].Registers[0], c.At(1));
  EXPECT_TRUE(f.UnknownTargets.empty() && f.FarCalls.empty());
}

TEST(ParseFunction, LoopBackIntoTheAreaBeingWalkedSplitsIt) {
  CodeBuffer c;
  c.Bytes(0, {0x31, 0xC0, 0x40, 0x83, 0xF8, 0x0A, 0x75, 0xFA, 0xC3});  // xor; inc; cmp; jnz 2; ret
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  EXPECT_EQ(Areas(f, c), "0-1 2-8<6 ");
  EXPECT_EQ(f.CodeLength, 9);
}

TEST(ParseFunction, TryFinallyFrameAddsHandlerFinallyBlockAndContinuation) {
  CodeBuffer c;
  c.Bytes(0, {0x33, 0xC0, 0x55, 0x68});  // xor eax,eax; push ebp; push handler
  c.Dword(4, c.At(30));
  c.Bytes(8, {0x64, 0xFF, 0x30, 0x64, 0x89, 0x20, 0x90});  // push fs:[eax]; mov fs:[eax],esp
  c.Bytes(15, {0x33, 0xC0, 0x5A, 0x59, 0x59, 0x64, 0x89, 0x10, 0x68});  // unlink; push after
  c.Dword(24, c.At(37));
  c.Bytes(28, {0x90, 0xC3});  // finally block
  c.Bytes(30, {0xE9});        // handler: jmp to the runtime's finally entry
  c.Rel32(31, 0x100);
  c.Bytes(35, {0xEB, 0xF7});  // jmp to the finally block
  c.Bytes(37, {0xC3});        // continuation
  c.Bytes(0x100, {0xC3});
  RuntimeEntries.finallyBlock = c.At(0x100);
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  // Split where the finally block starts; the handler, its jump back and the continuation.
  EXPECT_EQ(Areas(f, c), "0-27 28-29<35 30-34 35-36 37-37 ");
  ASSERT_EQ(f.FarCalls.size(), 1u);
  EXPECT_EQ(f.FarCalls[0].Target, c.At(0x100));
  EXPECT_FALSE(f.FarCalls[0].IsCall);
  EXPECT_EQ(f.CodeLength, 38);
}

TEST(ParseFunction, OnExceptionClauseTableAndAnyExceptionBlock) {
  CodeBuffer c;
  c.Bytes(0, {0xE9});  // jmp to the runtime's any-exception entry: the except block follows
  c.Rel32(1, 0x100);
  c.Bytes(5, {0xE9});  // jmp to the on-exception entry with its clause table after it
  c.Rel32(6, 0x104);
  c.Dword(10, 2);
  c.Dword(14, 0x12345678);  // class
  c.Dword(18, c.At(30));    // handler
  c.Dword(22, 0);
  c.Dword(26, c.At(31));
  c.Bytes(30, {0xC3, 0xC3});
  c.Bytes(0x100, {0xC3});
  c.Bytes(0x104, {0xC3});
  RuntimeEntries.anyException = c.At(0x100);
  RuntimeEntries.onException = c.At(0x104);
  const TFunctionInfo f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid) << f.ErrorText;
  EXPECT_EQ(Areas(f, c).substr(Areas(f, c).find(" 10-")), " 10-29x 30-30 31-31 ");
  EXPECT_EQ(f.FarCalls.size(), 2u);
}

TEST(ParseFunction, TerminationRoutineEndsTheArea) {
  CodeBuffer c;
  c.Bytes(0, {0xE8});
  c.Rel32(1, 0x100);
  c.Bytes(0x100, {0xC3});
  TFunctionInfo f = ParseFunction(c.At(0));  // unknown routine: runs on into FF FF
  EXPECT_FALSE(f.Valid);
  EXPECT_EQ(f.ErrorCode, kInvalidCodeError);
  EXPECT_EQ(f.ErrorText, "Invalid code!");
  EXPECT_EQ(f.ErrorAddress, c.At(7));
  RuntimeEntries.termination = c.At(0x100);
  f = ParseFunction(c.At(0));
  ASSERT_TRUE(f.Valid);
  EXPECT_EQ(f.CodeLength, 5);
  ASSERT_EQ(f.FarCalls.size(), 1u);
  EXPECT_EQ(f.FarCalls[0].TargetOperand, c.At(1));
  EXPECT_TRUE(f.FarCalls[0].RelativeTarget);
  EXPECT_EQ(f.CopyInfo.BufferLength, 5 + 4);
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
  EXPECT_FALSE(f.ErrorText.empty());
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
