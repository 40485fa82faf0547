// A small DLL whose export table has what the PE readers must cope with: a decorated name
// exported plainly, a renamed export, one by ordinal only, forwarders (to another module, to
// itself, and in a loop), and C++ names of this compiler; and an import to redirect.
#include <windows.h>

extern "C" int __stdcall ProbeAnswer() { return 42; }
extern "C" int ProbeTwice(int value) { return 2 * value; }
extern "C" int ProbeHidden() { return 7; }
extern "C" DWORD ProbeTicks() { return GetTickCount(); }  // through the import table

namespace probe {

__declspec(dllexport) int Counter(int step) { return step + 1; }

class __declspec(dllexport) TProbe {
 public:
  TProbe();
  ~TProbe();
  int value = 0;
};

TProbe::TProbe() : value(1) {}
TProbe::~TProbe() { value = 0; }

}  // namespace probe

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
