// The processor the host's thread shares with Wine's server.
#pragma once

namespace plavena {

// Under Wine every window call waits for Wine's server to answer, and on a virtual machine a
// request that wakes the server on another, idle processor waits for that processor to wake
// first. The entry script keeps the server on one processor and names it in the environment
// ("TRALVEK_SERVER_PROCESSOR"); the calling thread then runs there only, while threads started
// later (the module's) run on any. Returns whether the thread was placed; a missing or unusable
// name leaves it where it was.
bool RunBesideWineServer();

}  // namespace plavena
