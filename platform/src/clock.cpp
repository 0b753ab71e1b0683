// The machine's clock (internal/clock.h): real, scaled machine-wide, or one process's manual
// clock, and Sleep on it.
#include "internal/clock.h"

#include <dlfcn.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace plat::clock {
namespace {

ULONGLONG HostMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

std::atomic<bool> g_manual{false};
std::atomic<ULONGLONG> g_manualNow{0};

// The machine's scale: the clock reads BASE + (host - HOSTREF) * FACTOR, so that every process
// of the machine (CLOCK_MONOTONIC is one clock for the host) reads the same time.
struct Scale {
  double factor = 1;
  ULONGLONG base = 0;
  ULONGLONG hostRef = 0;
};

std::optional<Scale> MachineScale() {
  std::optional<std::string> text = GetControl(kControlClockScale);
  if (!text || text->empty()) return std::nullopt;
  Scale scale;
  unsigned long long base = 0, hostRef = 0;
  if (std::sscanf(text->c_str(), "%lf %llu %llu", &scale.factor, &base, &hostRef) != 3 || !(scale.factor > 0) ||
      !std::isfinite(scale.factor))
    return std::nullopt;
  scale.base = base;
  scale.hostRef = hostRef;
  return scale;
}

ULONGLONG ScaledNow(const Scale& scale, ULONGLONG host) {
  ULONGLONG since = host > scale.hostRef ? host - scale.hostRef : 0;
  return scale.base + static_cast<ULONGLONG>(static_cast<double>(since) * scale.factor);
}

void Wake() {
  NotifyWaiters();
  std::lock_guard<std::mutex> guard(desktop::Lock());
  desktop::WakeAllLocked();
}

// Sleeps are logged only for a process of a machine: a host tool without one has no log.
void LogSleep(DWORD milliseconds, const void* caller) {
  const char* root = std::getenv("PLATFORM_ROOT");
  if (!root || !*root) return;
  desktop::LogCall("\"event\":\"sleep\",\"ms\":" + std::to_string(milliseconds) +
                   ",\"caller\":" + desktop::JsonString(FromUtf8(DescribeCaller(caller))));
}

}  // namespace

ULONGLONG Now() {
  if (g_manual.load()) return g_manualNow.load();
  ULONGLONG host = HostMilliseconds();
  std::optional<Scale> scale = MachineScale();
  return scale ? ScaledNow(*scale, host) : host;
}

DWORD RealWaitMs(ULONGLONG deadline, DWORD cap) {
  if (g_manual.load()) return cap;
  ULONGLONG now = Now();
  if (deadline <= now) return 0;
  double left = static_cast<double>(deadline - now);
  if (std::optional<Scale> scale = MachineScale()) left = std::ceil(left / scale->factor);
  return left < cap ? static_cast<DWORD>(left) : cap;
}

void HostSleep(DWORD milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

void Pass(DWORD milliseconds) {
  if (milliseconds == INFINITE) {
    for (;;) HostSleep(60000);
  }
  if (g_manual.load()) {
    // Each sleep adds its own time, so sleeps of several threads add up.
    Advance(milliseconds);
    sched_yield();
    return;
  }
  ULONGLONG deadline = Now() + milliseconds;
  while (DWORD left = RealWaitMs(deadline, 1000)) HostSleep(left);
}

void SleepFor(DWORD milliseconds, const void* caller) {
  SuspensionPoint();
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  LogSleep(milliseconds, caller);
  Pass(milliseconds);
}

void UseManual(ULONGLONG startMs) {
  g_manualNow = startMs;
  g_manual = true;
  Wake();
}

void Advance(ULONGLONG milliseconds) {
  if (!g_manual.load()) return;
  g_manualNow += milliseconds;
  Wake();
}

bool IsManual() { return g_manual.load(); }

void SetScale(double factor) {
  // The new scale starts where the clock stands, so the clock never jumps.
  ULONGLONG host = HostMilliseconds();
  std::optional<Scale> old = MachineScale();
  ULONGLONG base = old ? ScaledNow(*old, host) : host;
  if (!(factor > 0) || factor == 1 || !std::isfinite(factor)) {
    SetMachineControl(kControlClockScale, std::nullopt);
  } else {
    char text[96];
    std::snprintf(text, sizeof text, "%.17g %llu %llu", factor, static_cast<unsigned long long>(base),
                  static_cast<unsigned long long>(host));
    SetMachineControl(kControlClockScale, std::string_view(text));
  }
  Wake();
}

void UseReal() {
  g_manual = false;
  Wake();
}

std::string DescribeCaller(const void* address) {
  Dl_info info{};
  if (!address || !dladdr(address, &info) || !info.dli_fname) return "?";
  std::string module = info.dli_fname;
  size_t slash = module.find_last_of('/');
  if (slash != std::string::npos) module.erase(0, slash + 1);
  char offset[32];
  if (info.dli_sname && info.dli_saddr) {
    std::snprintf(offset, sizeof offset, "+0x%zx",
                  static_cast<size_t>(static_cast<const char*>(address) - static_cast<const char*>(info.dli_saddr)));
    return module + "!" + info.dli_sname + offset;
  }
  std::snprintf(offset, sizeof offset, "+0x%zx",
                static_cast<size_t>(static_cast<const char*>(address) - static_cast<const char*>(info.dli_fbase)));
  return module + offset;
}

}  // namespace plat::clock
