// The disassembler's listing: instruction lines and the listing of a whole function.
#pragma once

#include <string>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

// The mnemonic of a decoded instruction after the prefix and ModR/M choices.
std::string MnemonicOf(const TDecodedDetails& details);

// Decodes one instruction (with the registers when given) and writes its line: address,
// mnemonic, operands in Intel order and a symbol or string comment; a non-empty `targetLabel`
// takes the place of the operands and comment. Undecodable bytes become "db" lines.
TInstructionInfo InstructionLine(TAddress code, std::string& text, TRegisters* registers,
                                 bool resolve, const std::string& targetLabel = {});

// Parses the function at `function` into `info` and writes its listing into `text` (empty when
// the function does not parse): labels, data tables, the line of `marked` flagged with ">", and
// with `disassemblyLines` > 0 only a window of lines around it. False when it does not parse.
bool DisassembleFunction(TAddress function, std::string& text, TAddress marked, TFunctionInfo& info,
                         bool disassemble, int disassemblyLines);

}  // namespace drosk
