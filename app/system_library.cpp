#include "app/system_library.h"

#include <cstdio>

#include "window/error_box.h"

namespace {

// A kernel32 function that older Windows lacks, asked for by name so that the
// program still starts there; null where it is missing.
template <typename Function>
Function* NewerKernelFunction(const char* name) {
  const FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(found));
}

}  // namespace

void NarrowDllSearch() {
  // Windows 8 and later have it, and Vista and 7 with the update that adds it.
  auto* const setDefault = NewerKernelFunction<BOOL WINAPI(DWORD)>("SetDefaultDllDirectories");
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Takes the current folder out of the search as well.
  SetDllDirectoryA("");
}

void TrustOnlyAdministratorsJunctions() {
  // ProcessRedirectionTrustPolicy, and its flag EnforceRedirectionTrust.
  constexpr int kRedirectionTrustPolicy = 16;
  DWORD enforce = 1;
  auto* const setPolicy =
      NewerKernelFunction<BOOL WINAPI(int, PVOID, SIZE_T)>("SetProcessMitigationPolicy");
  if (setPolicy) setPolicy(kRedirectionTrustPolicy, &enforce, sizeof enforce);
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
