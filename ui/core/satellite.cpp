#include "ui/core/satellite.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include <win/modules.h>
#include <win/resources.h>

#include "ui/core/language.h"
#include "ui/core/system_queries.h"

namespace vm4k2ui {

namespace {

std::atomic<HMODULE> g_uiModule{nullptr};

// The spooler and applications call the sheet entry points from several threads; the lock
// keeps two first callers from loading the library twice and losing one handle.
std::mutex g_sharedLock;
HMODULE g_sharedSatellite = nullptr;

// A cut "id:N missing!" would read as a real text, so a buffer too small for the whole of it
// gets an empty text instead.
int MissingString(UINT id, WCHAR* buffer, int capacity) {
  char text[100];
  const int length = std::snprintf(text, sizeof(text), "id:%u missing!", id);
  if (length < 0 || length >= capacity) {
    buffer[0] = 0;
    return 0;
  }
  for (int i = 0; i < length; ++i) buffer[i] = static_cast<WCHAR>(text[i]);
  buffer[length] = 0;
  return length;
}

}  // namespace

HMODULE UiModuleHandle() { return g_uiModule.load(); }
void SetUiModuleHandle(HMODULE module) { g_uiModule.store(module); }

DWORD LoadResourceDll(HMODULE* library) {
  if (library == nullptr) return ERROR_INVALID_PARAMETER;
  *library = nullptr;
  WCHAR path[MAX_PATH + kLanguageNameUnits] = {};
  const DWORD length = GetModuleFileNameW(UiModuleHandle(), path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
  StripLastComponent(path);
  size_t end = 0;
  while (path[end] != 0) ++end;
  WCHAR name[kLanguageNameUnits] = {};
  GetResourceDllName(name);
  for (size_t i = 0; name[i] != 0 && end + 1 < MAX_PATH; ++i) path[end++] = name[i];
  path[end] = 0;
  *library = LoadLibraryW(path);
  if (*library != nullptr) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_MOD_NOT_FOUND;
}

void FreeResourceDll(HMODULE library) {
  if (library != nullptr) FreeLibrary(library);
}

HMODULE SharedResourceDll() {
  std::lock_guard<std::mutex> guard(g_sharedLock);
  if (g_sharedSatellite == nullptr) LoadResourceDll(&g_sharedSatellite);
  return g_sharedSatellite;
}

void FreeSharedResourceDll() {
  std::lock_guard<std::mutex> guard(g_sharedLock);
  FreeResourceDll(g_sharedSatellite);
  g_sharedSatellite = nullptr;
}

int LoadUiString(HMODULE library, UINT id, WCHAR* buffer, int capacity) {
  if (buffer == nullptr || capacity <= 0) return 0;
  // Without a satellite library LoadStringW would search the calling program's own
  // resources, whose ids mean something else.
  if (library != nullptr) {
    const int length = LoadStringW(library, id, buffer, capacity);
    if (length > 0) return length;
  }
  return MissingString(id, buffer, capacity);
}

std::u16string LoadUiString(HMODULE library, UINT id) {
  WCHAR buffer[512] = {};
  const int length = LoadUiString(library, id, buffer, 512);
  return std::u16string(buffer, static_cast<size_t>(length));
}

}  // namespace vm4k2ui
