// The machine's clock, which GetTickCount, Sleep, timers and every time-out wait read.
//   real    the host's monotonic clock (the default);
//   scaled  a machine-wide factor (the control "ClockScale"), so that a run of several programs
//           goes faster together: sleeps, timers, time-outs and GetTickCount are scaled, socket
//           time-outs are not;
//   manual  one process's own clock: it moves only when a test advances it or a Sleep(n)
//           passes, which adds n and returns at once; time-out waits end once it passes them.
// A process's manual clock wins over the machine's scale.
#pragma once

#include <string>

#include <win/base.h>

namespace plat::clock {

inline constexpr const char kControlClockScale[] = "ClockScale";  // "FACTOR BASE HOSTREF"

// Milliseconds of the machine's clock (GetTickCount64).
ULONGLONG Now();
// Real milliseconds to block, at most `cap`, before the clock may reach `deadline`. Under the
// manual clock, the cap: a waiter looks again when a test advances the clock.
DWORD RealWaitMs(ULONGLONG deadline, DWORD cap);
// Sleep as a program sees it; `caller` is the return address logged with it.
void SleepFor(DWORD milliseconds, const void* caller);
// Lets the time pass on the machine's clock as a sleep does, without logging it: the time a
// platform call takes (an animation).
void Pass(DWORD milliseconds);
// Blocks for real milliseconds, whatever the clock: the stand-in's own polling.
void HostSleep(DWORD milliseconds);

void UseManual(ULONGLONG startMs);
void Advance(ULONGLONG milliseconds);  // the manual clock only
bool IsManual();
void SetScale(double factor);          // machine-wide; 1 or less than or equal to 0: real
void UseReal();                        // this process's manual clock off

// "module+0xOFFSET" or "module!symbol+0xOFFSET" for a code address, for the call log.
std::string DescribeCaller(const void* address);

}  // namespace plat::clock
