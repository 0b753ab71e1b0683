// The registry as it lies in the machine, under <root>/registry:
//
//   registry/HKEY_LOCAL_MACHINE/SOFTWARE/Classes/...   a key is a folder
//   registry/HKEY_USERS/<user name>/...                 HKEY_CURRENT_USER is the user's folder
//   registry/.../@Language                              a value is a file named '@' + its name
//   registry/.../@                                      the key's default (unnamed) value
//   registry/.pending/                                  values being written, trees being deleted
//
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Names keep the case they were
// created with and are matched without case. In file names '%', '/' and control characters
// are written as %XX, as is a key name's leading '@' and the names "." and "..".
//
// A value file is one header line, "<type> <size in bytes> <encoding>", then the data:
//   REG_SZ 28 text        UTF-16 data that is valid text, written as UTF-8 (terminators kept)
//   REG_DWORD 4 dword     a 4-byte value, written as 0x%08x
//   REG_BINARY 5 hex      anything else, as hexadecimal bytes
// Unknown types are written as their number. A value is written to .pending and renamed over
// the old file, so a reader in another process sees the old or the new value, never a part.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <win/base.h>

namespace plat::registry {

struct StoredValue {
  std::u16string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

// Host folder of the registry's root.
std::string RegistryFolder();
// Host folder of a predefined key (made with its standard hive keys), or empty.
std::string PredefinedFolder(HKEY key);
// True for the folders of HKEY_LOCAL_MACHINE and HKEY_USERS, whose direct subkeys are hives
// that cannot be created or deleted.
bool IsHiveParent(const std::string& folder);

// Host file-name forms; false when the name cannot be stored (too long for the host).
bool KeyFileName(std::u16string_view name, std::string& out);
bool ValueFileName(std::u16string_view name, std::string& out);

bool FolderExists(const std::string& folder);
// Finds the subkey folder whose name matches without case; its host entry name goes to `entry`.
bool FindSubkey(const std::string& folder, std::u16string_view name, std::string& entry);
// Subkey names in enumeration order.
std::vector<std::u16string> ListSubkeys(const std::string& folder);
// Values in enumeration order (unreadable files are skipped).
std::vector<StoredValue> ListValues(const std::string& folder);

// Win32 error codes: ERROR_FILE_NOT_FOUND for a missing value.
LONG ReadValue(const std::string& folder, std::u16string_view name, StoredValue& value);
LONG WriteValue(const std::string& folder, std::u16string_view name, DWORD type, const BYTE* data, size_t size);
LONG DeleteValue(const std::string& folder, std::u16string_view name);
// Detaches the folder from the tree in one step, then removes it.
LONG DeleteFolderTree(const std::string& folder);
// Removes every subkey and value of the folder, keeping the folder.
LONG ClearFolder(const std::string& folder);

// Last write time of a key (its folder's modification time) as a FILETIME.
FILETIME FolderWriteTime(const std::string& folder);

}  // namespace plat::registry
