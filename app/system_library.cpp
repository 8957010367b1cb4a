#include "app/system_library.h"

#include <cstdio>

#include "window/error_box.h"

void NarrowDllSearch() {
  // Windows 8 and later have it, and Vista and 7 with the update that adds it;
  // asked for by name, so that the program still starts where it is missing.
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const FARPROC found = GetProcAddress(kernel, "SetDefaultDllDirectories");
  const auto setDefault = reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(found));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Takes the current folder out of the search as well.
  SetDllDirectoryA("");
}

FARPROC FindSystemFunction(const char* library, const char* name) {
  char path[MAX_PATH] = "";
  const UINT folder = GetSystemDirectoryA(path, MAX_PATH);
  FARPROC function = nullptr;
  DWORD error = ERROR_FILENAME_EXCED_RANGE;
  if (folder > 0 && folder < MAX_PATH) {
    const int added = std::snprintf(path + folder, MAX_PATH - folder, "\\%s", library);
    if (added > 0 && folder + added < MAX_PATH) {
      // With a full path, the DLLs it loads in turn are looked for in its own folder first.
      HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      if (module) function = GetProcAddress(module, name);
      error = GetLastError();
    }
  }
  if (!function) {
    char text[MAX_PATH + 128];
    std::snprintf(text, sizeof text, "%s を %s から読み込めませんでした", name, path);
    ShowErrorBoxForCode(text, error);
  }
  return function;
}
