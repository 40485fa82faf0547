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

// Full path of a loaded module; empty when the system cannot tell.
std::wstring ModuleFileName(HMODULE module);

}  // namespace win
