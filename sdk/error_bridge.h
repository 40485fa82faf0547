// Turns exceptions that reach a host-facing method into a failure status with COM error
// information (source: this library's file name, description: the message).
#pragma once

#include <windows.h>

#include <new>
#include <string>

#include "sdk/exceptions.h"

namespace sdk {

// This library's file name without its folder.
std::wstring GetModuleFileNameWide();

// Installs error information for the calling thread from one of our exceptions.
void SetErrorInfoFrom(const Exception& error) noexcept;

// Drops the calling thread's error information, so a failure without a message of ours does
// not show an older one.
void ClearErrorInfo() noexcept;

// Runs a host-facing body; no exception leaves it.
template <class Body>
HRESULT GuardHresult(Body&& body) noexcept {
  try {
    return body();
  } catch (const Exception& e) {
    SetErrorInfoFrom(e);
    return E_FAIL;
  } catch (const std::bad_alloc&) {
    ClearErrorInfo();
    return E_OUTOFMEMORY;
  } catch (...) {
    ClearErrorInfo();
    return E_UNEXPECTED;
  }
}

// Runs the body of a Win32 callback (window procedure, hook, timer); an exception that would
// leave it yields `fallback` instead, because unwinding through the system's frames ends the
// process.
template <class Result, class Body>
Result GuardCallback(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

}  // namespace sdk
