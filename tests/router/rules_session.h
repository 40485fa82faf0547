// The stand-in editor in the test process with a client whose server module "PCB" is the
// editor's, so that the rule collection finds the host's board and rules as it does in the host.
#pragma once

#include <string>
#include <vector>

#include "framework/win/com.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_contract.h"

namespace rulestest {

// Opens a board in the editor and installs the client global; both stay for the process.
// "" on success, else the editor's message.
std::string OpenBoard(const std::string& path);
// Opens a board given as the text of its file, written into a folder that lasts the process.
std::string OpenBoardText(const std::string& text);
std::string RulesBoardPath();

// Handles of one kind on the current board, in file order.
std::vector<sdk::Handle> Objects(uint8_t kind);
// The interface of the object with a handle (the board's own handle gives the board).
win::ComPtr<IPCB_Primitive> Interface(sdk::Handle handle);
// The handle of the net, class or rule of that name; 0 when none.
sdk::Handle Named(uint8_t kind, const std::string& name);
std::string RuleName(sdk::Handle rule);

}  // namespace rulestest
