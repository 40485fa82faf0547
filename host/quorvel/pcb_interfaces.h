// The editor's board, objects and rules as interfaces (IPCB_Board, IPCB_Primitive, IPCB_Rule,
// ...), and its server module "PCB" that offers IPCB_ServerInterface.
#pragma once

#include <windows.h>

#include "host/quorvel/board.h"
#include "sdk/host_contract.h"
#include "sdk/pcb_contract.h"

namespace quorvel {

// The interface of an object of the current board, or of the board itself, with one reference
// for the caller; null for a handle that names nothing. One interface per object while the
// board stays open, so interfaces compare by identity.
IPCB_Primitive* ObjectInterface(Handle handle);
IPCB_Board* CurrentBoardInterface();

// The editor's server module, with one reference for the caller.
IServerModule* NewServerModule();

}  // namespace quorvel
