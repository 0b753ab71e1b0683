// The machine's process table: one readable file per process started through the stand-in,
// under <root>/processes, named by host pid and holding the host start time, so that a reused
// pid is never mistaken for the process that had it.
#pragma once

#include <optional>
#include <string>

#include <win/base.h>

namespace plat {

struct ProcessRecord {
  int pid = 0;
  unsigned long long startTime = 0;  // host clock ticks since boot
  int parent = 0;
  std::u16string image;
  std::u16string commandLine;
  std::u16string folder;
  DWORD priorityClass = 0;
  std::optional<DWORD> exitCode;  // the first recorded end wins
  // A program the stand-in did not start that joined the machine by itself (a test runner): it is
  // listed, but the machine never ends it.
  bool joined = false;
};

bool ReadProcessRecord(int pid, ProcessRecord& record);
void WriteProcessRecord(const ProcessRecord& record);
void RemoveProcessRecord(int pid);
// Records how the process ended, unless an end is recorded already or the record belongs to an
// earlier process of that pid.
void RecordProcessExit(int pid, unsigned long long startTime, DWORD exitCode);

// Whether a live process of the machine runs the program file (a canonical Windows path): such a
// file cannot be deleted.
bool ProgramIsRunning(std::u16string_view windowsPath);

// Handles of a started program: the process, and its first thread (held while suspended).
HANDLE NewProcessHandle(int pid, unsigned long long startTime, bool ownChild);
HANDLE NewFirstThreadHandle(int pid, unsigned long long startTime, bool suspended);

}  // namespace plat
