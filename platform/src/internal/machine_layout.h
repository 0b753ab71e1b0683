// The standard folders of a machine. They are created the first time a process uses a machine
// (and for each user name the machine is used under), so every program finds %SystemRoot%,
// the application-data folders and the Fonts folder as on an installed system.
#pragma once

#include <string>

#include <win/base.h>

namespace plat {

enum class StandardFolder {
  Windows,          // C:\Windows
  System,           // C:\Windows\System32
  SpoolDrivers,     // C:\Windows\System32\spool\drivers\x64\3
  Fonts,            // C:\Windows\Fonts (the host's DejaVu and Liberation TrueType fonts)
  WindowsTemp,      // C:\Windows\Temp
  ProgramFiles,     // C:\Program Files
  ProgramFilesX86,  // C:\Program Files (x86)
  CommonFiles,      // C:\Program Files\Common Files
  ProgramData,      // C:\ProgramData (ALLUSERSPROFILE)
  CommonPrograms,   // C:\ProgramData\Microsoft\Windows\Start Menu\Programs
  Public,           // C:\Users\Public
  PublicDocuments,  // C:\Users\Public\Documents
  UserProfile,      // C:\Users\<user>
  AppData,          // C:\Users\<user>\AppData\Roaming
  LocalAppData,     // C:\Users\<user>\AppData\Local
  Temp,             // C:\Users\<user>\AppData\Local\Temp
};

// The user the machine runs as: the control "UserName", "User" when it is not set.
std::u16string MachineUserName();
// Windows path of a standard folder (no trailing backslash).
std::u16string StandardFolderPath(StandardFolder folder);
// Creates the standard folders and the Fonts folder's files when this process has not yet done
// so for the current machine and user. Cheap after the first call.
void EnsureMachineLayout();

}  // namespace plat
