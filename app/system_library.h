#pragma once
// TORVEX runs with administrator rights, often from a folder that any web page
// can drop a file into (Downloads). For a DLL that is not one of Windows'
// KnownDLLs the loader looks in the program's own folder first, so TORVEX
// imports only KnownDLLs at load time and loads every other DLL itself, from
// the system folder by its full path.
#include <windows.h>

// Has the loader look for DLLs in the system folder alone from now on, for
// what the system's own DLLs load later too. Called before anything else.
void NarrowDllSearch();

// Has Windows refuse to follow, in any path the program opens, a junction that
// no administrator made: a folder the user's programs redirected could
// otherwise lead the program's saves to files the user could not touch.
// Windows 10 21H1 and later have it; elsewhere nothing changes.
void TrustOnlyAdministratorsJunctions();

// The function `name` of the system DLL `library` ("comctl32.dll"), loaded from
// the system folder; null, after an error box that names both and the system's
// reason, when either cannot be had.
FARPROC FindSystemFunction(const char* library, const char* name);

// The same, typed as the function declared as `Function`.
template <typename Function>
Function* SystemFunction(const char* library, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(FindSystemFunction(library, name)));
}
