// Another program holding a file open without sharing, as an editor or a virus scanner may:
//   file_holder.exe FILE READY-EVENT QUIT-EVENT
// opens FILE, sets READY-EVENT, and keeps the file open until QUIT-EVENT is set.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE quit = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !quit) return 1;
  SetEvent(ready);
  WaitForSingleObject(quit, 60000);
  CloseHandle(file);
  return 0;
}
