// A code module for the loader tests: it reports each DllMain call to the test program, which
// exports RecordDllMain, found the way a library finds a function of its host program.
#include <win/modules.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Report(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  using Recorder = void (*)(HINSTANCE, DWORD, LPVOID);
  FARPROC recorder = GetProcAddress(GetModuleHandleW(nullptr), "RecordDllMain");
  if (recorder) reinterpret_cast<Recorder>(recorder)(instance, reason, reserved);
}

}  // namespace

EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  Report(instance, reason, reserved);
#ifdef REFUSE_ATTACH
  if (reason == DLL_PROCESS_ATTACH) return FALSE;
#endif
  return TRUE;
}

EXPORT int TestAdd(int a, int b) { return a + b; }
