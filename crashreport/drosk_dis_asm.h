// The crash library's x86 disassembler: safe reads of the own process, one-instruction decoding,
// function parsing and the readable-memory snapshot.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace drosk {

using TAddress = uint32_t;

// One decoded instruction; all fields zero when nothing was decoded.
struct TInstructionInfo {
  bool Valid = false;
  uint16_t Opcode = 0;  // 0x00..0xFF, or 0x0F00 + second byte
  uint8_t ModRM = 0;
  bool IsCall = false;
  bool IsJump = false;
  bool RelativeTarget = false;
  TAddress Target = 0;
  TAddress TargetOperand = 0;  // where the displacement or the loading immediate lies
  TAddress TargetSlot = 0;     // where the address of the target's memory cell lies
  int32_t TargetSize = 0;
  bool Widenable = false;
  TAddress Start = 0;
  TAddress Next = 0;
};

// The readable-memory snapshot: entries touch and cover [0, last end).
struct TDATryReadEntry {
  TAddress AreaStart = 0;
  TAddress AreaEnd = 0;  // exclusive
  bool Readable = false;
};
struct TDATryRead {
  std::vector<TDATryReadEntry> entries;
  // Copies of the code pages read, made through the system rather than by touching them: another
  // thread may free memory the snapshot saw readable, and a copy fails where a touch would fault.
  // A page is copied when first read and the copy serves the snapshot's life (decoding reads
  // each page many times over); parsing moves between places at once: each page has a slot.
  static constexpr TAddress kPageSize = 4096;
  static constexpr size_t kCopySlots = 64;
  mutable std::array<TAddress, kCopySlots> copiedPages{};  // 0, the null page: empty
  mutable std::vector<uint8_t> copies;                     // kCopySlots pages, made on first use
};

// Tracked registers (eax, ecx, edx, ebx, esp, ebp, esi, edi): the address of the 32-bit
// immediate in the code that each was last loaded from, or 0.
using TRegisters = std::array<TAddress, 8>;

struct TCodeArea {
  TAddress AreaStart = 0;
  TAddress AreaEnd = 0;  // inclusive; 0 while queued
  bool IsCaseTable = false;
  bool IsExceptTable = false;
  TAddress ReferencedFrom = 0;
  TRegisters Registers{};
};

struct TFarCall {
  bool IsCall = false;
  TAddress CallStart = 0;
  TAddress CallNext = 0;
  TAddress Target = 0;
  bool RelativeTarget = false;
  TAddress TargetOperand = 0;
  TAddress TargetSlot = 0;
};

struct TUnknownTarget {
  bool IsCall = false;
  TAddress CallStart = 0;
  TAddress CallNext = 0;
};

struct TCopyInfo {
  bool Valid = false;
  int32_t BufferLength = 0;
  TAddress ErrorAddress = 0;
  uint32_t ErrorCode = 0;
  std::string ErrorText;
};

struct TFunctionInfo {
  bool Valid = false;
  TAddress Entry = 0;
  TAddress CodeStart = 0;
  int32_t CodeLength = 0;
  TAddress ErrorAddress = 0;
  uint32_t ErrorCode = 0;
  std::string ErrorText;
  std::vector<TCodeArea> Areas;
  std::vector<TFarCall> FarCalls;
  std::vector<TUnknownTarget> UnknownTargets;
  bool Patchable = false;
  TCopyInfo CopyInfo;
};

constexpr uint32_t kInvalidCodeError = 0x770001;

// Everything the decoder learnt of one instruction, kept for the listing.
struct TDecodedDetails {
  int segment = 0;  // 0 none, 1 ES, 2 CS, 3 SS, 4 DS, 5 FS, 6 GS
  bool operandSizePrefix = false;
  bool lock = false;
  bool repne = false;
  bool rep = false;
  bool address16 = false;
  uint16_t opcode = 0;
  uint16_t attributes = 0;
  uint8_t mnemonic = 0;
  uint8_t modrm = 0;
  uint8_t sib = 0;
  bool memory = false;
  int reg = 0;
  int base = -1;
  int index = -1;
  int scale = 0;
  int displacementSize = 0;
  TAddress displacementPosition = 0;
  int32_t displacement = 0;
  uint32_t rawDisplacement = 0;
  int immediateSize = 0;
  TAddress immediatePosition = 0;
  int32_t immediate = 0;
  int operandSize = 4;
};

// Decodes one instruction. With `areas`, every byte is read only where the snapshot says
// readable; without, the memory is queried first. Memory-indirect targets go through TryRead.
TInstructionInfo Decode(TAddress code, TDecodedDetails& details, const TDATryRead* areas,
                        bool resolveRegisters, TRegisters* registers);
TInstructionInfo DecodeInstruction(TAddress code);
TInstructionInfo DecodeInstructionSafe(TAddress code, const TDATryRead& areas);

// Parses the function at `entry`.
TFunctionInfo ParseFunction(TAddress entry);
TFunctionInfo ParseFunctionSafe(TAddress entry, const TDATryRead& areas);

TDATryRead GetReadableAreas();
void FreeReadableAreas(TDATryRead& areas) noexcept;
bool IsReadable(const TDATryRead& areas, TAddress address) noexcept;
// Copies `count` bytes from `source`; false instead of a fault when they cannot be read.
bool TryRead(TAddress source, void* destination, uint32_t count, const TDATryRead* areas) noexcept;

// The identifier obfuscation value of the 9x family; 0 where identifiers are plain.
uint32_t GetObfuscator();
bool IsObfuscatorFromThread();

// Hooks that the map-file reader fills at its initialisation.
using TPublicNameHook = bool (*)(TAddress address, std::string& name);
using TLineHook = void (*)(TAddress address, int32_t& line, TAddress& rangeStart,
                           TAddress& rangeEnd);
extern TPublicNameHook PublicNameHook;
extern TLineHook LineHook;

// The runtime entries that the function parser recognises by their address: the termination
// routine, which does not return, and the four exception-handler entries. 0 for none.
struct TRuntimeEntries {
  TAddress termination = 0;
  TAddress anyException = 0;
  TAddress onException = 0;
  TAddress autoException = 0;
  TAddress finallyBlock = 0;
};
extern TRuntimeEntries RuntimeEntries;

// The module range [low, high] of the module that holds `address`: the union of its code and
// data ranges; false when the address lies in no module with readable headers.
struct TImageRanges {
  TAddress base = 0;
  TAddress imageSize = 0;
  TAddress codeStart = 0, codeEnd = 0;  // [start, end)
  TAddress dataStart = 0, dataEnd = 0;  // [start, end)
  TAddress debugDirectory = 0;          // virtual address of the debug data directory
};
bool ImageRangesOf(TAddress module, TImageRanges& ranges);

}  // namespace drosk
