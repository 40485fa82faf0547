// The processor the host's thread shares with Wine's server.
#pragma once

namespace plavena {

// Under Wine every window call waits for Wine's server to answer, and on a virtual machine a
// request that wakes the server on another, idle processor waits for that processor to wake
// first. The entry script keeps the server on one processor, starts the host there (its start
// is mostly requests) and names the processor in the environment ("TRALVEK_SERVER_PROCESSOR").
// The calling thread then keeps to it, while the process's other threads, and those started
// later (the module's), may run on any. Returns whether the thread was placed; a missing or
// unusable name changes nothing.
bool RunBesideWineServer();

}  // namespace plavena
