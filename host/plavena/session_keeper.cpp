// session_keeper.exe LINGER-SECONDS [SESSION]: keeps the prefix's desktop up between the host's
// commands until none has run for LINGER-SECONDS (desktop_session.h), and prints "ready" once it
// is on the desktop. Exits with 1 when another keeper of the session runs or the arguments do
// not read.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "host/plavena/desktop_session.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) return 1;
  wchar_t* end = nullptr;
  const unsigned long seconds = std::wcstoul(argv[1], &end, 10);
  if (end == argv[1] || *end != L'\0' || seconds == 0 || seconds > 24 * 3600) return 1;
  const std::wstring session = argc > 2 ? argv[2] : plavena::kHostSession;
  const auto ready = [] {
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
  };
  return plavena::KeepDesktop(session, static_cast<DWORD>(seconds * 1000), ready) ? 0 : 1;
}
