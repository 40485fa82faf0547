// One system timer that the library's periodic work shares: clients join a process-wide list
// and are called on every tick while they are in it. The timer runs only while the list is not
// empty, and the library's unload kills it.
#pragma once

#include <windows.h>

#include <functional>

namespace controls {

constexpr UINT kTimerListInterval = 50;

using TimerClient = std::function<void()>;

// Adds a client and starts the timer if it is not running; the answer identifies the client.
int AddTimerClient(TimerClient client);
// Removes the client; the timer stops with the last one. An unknown ticket changes nothing.
void RemoveTimerClient(int ticket);
// The running timer's identifier, 0 when none runs.
UINT_PTR TimerListTimer();
// Unload: kills the timer and empties the list.
void EndTimerListUnit() noexcept;

}  // namespace controls
