// The prefix's desktop, kept between the host's commands.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace plavena {

// Wine ends a desktop a second after the last program on it ends, and the next command then
// waits for a new one (about 0.2 s, most of a small board's export). A keeper (session_keeper.exe)
// stays on the desktop while the host's commands come: each run of the host marks the session
// as used, and the keeper ends once no run has marked it for its linger, so that Wine's server
// can end after it. `session` names the keeper's session: "Plavena" for the host's.
inline constexpr wchar_t kHostSession[] = L"Plavena";

// Tells the keeper of `session`, if one runs, that a command uses the desktop now.
void MarkSessionUsed(const std::wstring& session = kHostSession);

// Waits until the keeper of `session` is on the desktop, for at most `timeout_ms`; false when it
// is not by then. A program that starts the desktop hands it its error output, which the desktop
// then holds for as long as it runs: a command started beside a keeper that is still starting
// waits for it before its first window.
bool WaitForKeptDesktop(DWORD timeout_ms, const std::wstring& session = kHostSession);

// The keeper's work: keeps the calling process on the desktop until `linger_ms` pass without a
// mark, calling `on_desktop` once it is on it. False at once when another keeper of the session
// runs.
bool KeepDesktop(const std::wstring& session, DWORD linger_ms,
                 const std::function<void()>& on_desktop);

}  // namespace plavena
