// The image (DLL or executable) that this code was linked into.
#pragma once

#include <windows.h>

#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win {

inline HINSTANCE ThisModule() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// An export's address, null when the module lacks it.
inline void* ProcAddress(HMODULE module, const char* name) noexcept {
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

// An export's address as the function type the caller knows it by.
template <class Proc>
Proc ProcAddress(HMODULE module, const char* name) noexcept {
  return reinterpret_cast<Proc>(ProcAddress(module, name));
}

// An export of a system library that is loaded at its first use, as the function type the caller
// knows it by; null when the library or the export is missing. For libraries only a rare road
// needs (a file or print dialog): imported, they would load with the module in every command,
// and the common dialogs' library brings the print spooler's with it (some 12 ms under Wine).
template <class Proc>
Proc SystemProc(const wchar_t* library, const char* name) noexcept {
  HMODULE module = GetModuleHandleW(library);
  if (!module) module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module ? ProcAddress<Proc>(module, name) : nullptr;
}

// Full path of a loaded module; empty when the system cannot tell.
std::wstring ModuleFileName(HMODULE module);

}  // namespace win
