// A stand-in for the system's Simple MAPI library: MAPISendMail writes what it was given to the
// file named by DROSK_MAPI_LOG and answers with the number in DROSK_MAPI_RESULT.
#include <windows.h>
#include <mapi.h>

#include <cstdlib>
#include <fstream>
#include <string>

// The test changes these while running: read the process's variables, not the C runtime's copy.
static std::string Variable(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(value, length) : std::string();
}

extern "C" ULONG WINAPI MAPISendMail(LHANDLE, ULONG_PTR, lpMapiMessage message, FLAGS flags,
                                     ULONG) {
  const std::string log = Variable("DROSK_MAPI_LOG");
  if (log.empty()) return MAPI_E_FAILURE;
  std::ofstream out(log, std::ios::app | std::ios::binary);
  out << "flags " << flags << "\nsubject " << message->lpszSubject << "\nbody "
      << message->lpszNoteText << "\n";
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    const MapiRecipDesc& r = message->lpRecips[i];
    out << "to " << r.ulRecipClass << " [" << r.lpszName << "] [" << r.lpszAddress << "]\n";
  }
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    const MapiFileDesc& f = message->lpFiles[i];
    out << "file " << static_cast<long>(f.nPosition) << " " << f.lpszPathName << "\n";
  }
  return std::strtoul(Variable("DROSK_MAPI_RESULT").c_str(), nullptr, 10);
}
