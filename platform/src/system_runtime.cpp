// The tick clock, Sleep, thread and process ids, the wall clock and the debugger output.
#include <fcntl.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include <win/system.h>

#include "internal/clock.h"
#include "internal/codepages.h"
#include "internal/controls.h"
#include "internal/machine.h"
#include "internal/system_state.h"
#include "internal/unicode.h"

namespace {

// Oldest text is dropped beyond this, so a chatty program cannot grow a test without bound.
constexpr size_t kDebugOutputLimit = 4u << 20;

std::mutex g_debugLock;
std::string* g_debugOutput = new std::string;  // outlives static destructors of callers

void FillSystemTime(const tm& parts, long nanoseconds, LPSYSTEMTIME out) {
  out->wYear = static_cast<WORD>(parts.tm_year + 1900);
  out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
  out->wDay = static_cast<WORD>(parts.tm_mday);
  out->wHour = static_cast<WORD>(parts.tm_hour);
  out->wMinute = static_cast<WORD>(parts.tm_min);
  out->wSecond = static_cast<WORD>(parts.tm_sec);
  out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

void Capture(const std::string& text) {
  {
    std::lock_guard<std::mutex> guard(g_debugLock);
    g_debugOutput->append(text);
    if (g_debugOutput->size() > kDebugOutputLimit)
      g_debugOutput->erase(0, g_debugOutput->size() - kDebugOutputLimit / 2);
  }
  if (plat::GetControlInt(plat::kControlDebugOutputToMachine, 0) == 0) return;
  // One append per call, so texts of several processes interleave whole.
  int fd = open(plat::MachineDebugLogPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = write(fd, text.data(), text.size());
  (void)written;
  close(fd);
}

}  // namespace

namespace plat {

std::string MachineDebugLogPath() { return MachineDir("debug") + "/output.log"; }

std::string CapturedDebugOutput(bool machineWide) {
  if (!machineWide) {
    std::lock_guard<std::mutex> guard(g_debugLock);
    return *g_debugOutput;
  }
  std::ifstream in(MachineDebugLogPath(), std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

void ClearCapturedDebugOutput(bool machineWide) {
  if (!machineWide) {
    std::lock_guard<std::mutex> guard(g_debugLock);
    g_debugOutput->clear();
    return;
  }
  std::remove(MachineDebugLogPath().c_str());
}

}  // namespace plat

extern "C" {

WINBASEAPI ULONGLONG WINAPI GetTickCount64(void) { return plat::clock::Now(); }

WINBASEAPI DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(GetTickCount64()); }

WINBASEAPI void WINAPI Sleep(DWORD dwMilliseconds) {
  plat::clock::SleepFor(dwMilliseconds, __builtin_return_address(0));
}

WINBASEAPI DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }
WINBASEAPI DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

WINBASEAPI void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  FillSystemTime(parts, now.tv_nsec, lpSystemTime);
}

WINBASEAPI void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  FillSystemTime(parts, now.tv_nsec, lpSystemTime);
}

WINBASEAPI void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  if (!lpOutputString) return;
  Capture(plat::ToUtf8(plat::AnsiToWide(lpOutputString)));
}

WINBASEAPI void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
  if (!lpOutputString) return;
  Capture(plat::ToUtf8(plat::WideView(lpOutputString)));
}

}  // extern "C"
