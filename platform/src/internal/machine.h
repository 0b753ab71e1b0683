// The stand-in machine: one folder (PLATFORM_ROOT) holds the drives, the registry, the
// spooler, the desktop and the test controls. Windows paths are resolved inside it and never
// leave it.
#pragma once

#include <string>
#include <string_view>

#include <win/base.h>

namespace plat {

// Host folder of the machine. Taken from PLATFORM_ROOT on first use; without it a default
// folder is created and named once on stderr.
const std::string& MachineRoot();
// Re-reads PLATFORM_ROOT (tests that make a fresh machine in-process call this through the
// testing header) and forgets per-machine caches.
void ResetMachine(const std::string& root);
// Host path of a machine-relative folder such as "registry" or "spooler", created on demand.
std::string MachineDir(std::string_view relative);

struct ResolvedPath {
  std::string host;            // host path of the file or folder (last component may not exist)
  std::u16string windows;      // canonical absolute Windows path, "C:\Dir\File"
  bool exists = false;         // the whole path exists on the host
  bool parentExists = false;   // every component but the last exists and is a folder
  bool isLink = false;         // the last component is a symbolic link
  bool isDirectory = false;    // exists and is a folder
  DWORD error = ERROR_SUCCESS; // ERROR_INVALID_NAME / ERROR_BAD_NETPATH for paths outside the drives
};

// Resolves a Windows path (absolute "C:\...", drive-relative "\...", or relative to the current
// directory; '\' or '/') to the host. Each existing component is matched without case; ".."
// stops at the drive root; a symbolic link is never followed to reach a later component.
ResolvedPath ResolvePath(std::u16string_view windowsPath);
// The Windows path of a host path inside the machine's drives, or empty when it is outside.
std::u16string HostToWindowsPath(const std::string& hostPath);
// Absolute canonical Windows form of a path, without touching the disk.
std::u16string CanonicalWindowsPath(std::u16string_view windowsPath);

// The process's current directory, as a Windows path.
std::u16string CurrentDirectory();
void SetCurrentDirectoryPath(std::u16string_view canonicalWindowsPath);

}  // namespace plat
