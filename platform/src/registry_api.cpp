// The Reg* functions over the registry's files. A key handle is an entry of the process's
// handle table that names its key's folder; the predefined roots are resolved on every call,
// so HKEY_CURRENT_USER follows the machine's user name.
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <vector>

#include <win/environment.h>
#include <win/registry.h>

#include "internal/handles.h"
#include "internal/registry_store.h"
#include "internal/unicode.h"

namespace reg = plat::registry;

namespace {

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr DWORD kGenericRead = 0x80000000, kGenericWrite = 0x40000000, kGenericExecute = 0x20000000,
                kGenericAll = 0x10000000, kMaximumAllowed = 0x02000000;

struct RegistryKey : plat::KernelObject {
  std::string folder;
  DWORD access = 0;
};

struct Target {
  LONG error = ERROR_SUCCESS;
  std::string folder;
  DWORD access = 0;
  bool predefined = false;
};

DWORD MapAccess(REGSAM sam) {
  DWORD access = sam & ~static_cast<DWORD>(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  if (access & kGenericRead) access |= KEY_READ;
  if (access & kGenericWrite) access |= KEY_WRITE;
  if (access & kGenericExecute) access |= KEY_EXECUTE;
  if (access & (kGenericAll | kMaximumAllowed)) access |= KEY_ALL_ACCESS;
  return access;
}

Target Resolve(HKEY key) {
  Target t;
  t.folder = reg::PredefinedFolder(key);
  if (!t.folder.empty()) {
    t.access = KEY_ALL_ACCESS;
    t.predefined = true;
    return t;
  }
  std::shared_ptr<RegistryKey> object = plat::LookupHandleAs<RegistryKey>(key);
  if (!object) {
    t.error = ERROR_INVALID_HANDLE;
    return t;
  }
  t.folder = object->folder;
  t.access = object->access;
  // Another process (or this one, through another handle) may have deleted the key.
  if (!reg::FolderExists(t.folder)) t.error = ERROR_KEY_DELETED;
  return t;
}

Target ResolveFor(HKEY key, DWORD needed) {
  Target t = Resolve(key);
  if (t.error == ERROR_SUCCESS && (t.access & needed) != needed) t.error = ERROR_ACCESS_DENIED;
  return t;
}

// Splits "A\B\C" into its names; empty names (doubled or trailing '\') are skipped.
bool SplitKeyPath(LPCWSTR path, std::vector<std::u16string>& parts) {
  std::u16string_view text = plat::WideView(path);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\\', start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) {
      if (end - start > kMaxKeyNameLength) return false;
      parts.emplace_back(text.substr(start, end - start));
    }
    start = end + 1;
  }
  return true;
}

// Walks `parts` from `folder`; the folder reached goes to `folder`.
LONG Walk(std::string& folder, const std::vector<std::u16string>& parts) {
  for (const std::u16string& part : parts) {
    std::string entry;
    if (!reg::FindSubkey(folder, part, entry)) return ERROR_FILE_NOT_FOUND;
    folder += "/" + entry;
  }
  return ERROR_SUCCESS;
}

HKEY NewHandle(const std::string& folder, DWORD access) {
  auto object = std::make_shared<RegistryKey>();
  object->folder = folder;
  object->access = access;
  return static_cast<HKEY>(plat::InsertHandle(object));
}

std::string ParentFolder(const std::string& folder) { return folder.substr(0, folder.rfind('/')); }

}  // namespace

extern "C" {

WINBASEAPI LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                        PHKEY phkResult) {
  (void)ulOptions;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  Target t = Resolve(hKey);
  if (t.error) return t.error;
  std::vector<std::u16string> parts;
  if (!SplitKeyPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  if (LONG error = Walk(t.folder, parts)) return error;
  *phkResult = NewHandle(t.folder, MapAccess(samDesired));
  return ERROR_SUCCESS;
}

WINBASEAPI LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                          DWORD dwOptions, REGSAM samDesired,
                                          const LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                          LPDWORD lpdwDisposition) {
  (void)Reserved;
  (void)lpClass;
  (void)lpSecurityAttributes;
  if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  if (dwOptions & ~static_cast<DWORD>(REG_OPTION_VOLATILE | REG_OPTION_BACKUP_RESTORE | REG_OPTION_OPEN_LINK |
                                      REG_OPTION_CREATE_LINK))
    return ERROR_INVALID_PARAMETER;
  Target t = Resolve(hKey);
  if (t.error) return t.error;
  std::vector<std::u16string> parts;
  if (!SplitKeyPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  bool created = false;
  for (const std::u16string& part : parts) {
    std::string entry;
    if (!reg::FindSubkey(t.folder, part, entry)) {
      // The hives under HKEY_LOCAL_MACHINE and HKEY_USERS are fixed.
      if (reg::IsHiveParent(t.folder)) return ERROR_ACCESS_DENIED;
      if (!created && !(t.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      if (!reg::KeyFileName(part, entry)) return ERROR_INVALID_PARAMETER;
      // Two processes may create the same key at once; both then open it.
      if (mkdir((t.folder + "/" + entry).c_str(), 0755) != 0 && !reg::FolderExists(t.folder + "/" + entry))
        return reg::FolderExists(t.folder) ? ERROR_CANTWRITE : ERROR_KEY_DELETED;
      created = true;
    }
    t.folder += "/" + entry;
  }
  *phkResult = NewHandle(t.folder, MapAccess(samDesired));
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

WINBASEAPI LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  if (!reg::PredefinedFolder(hKey).empty()) return ERROR_SUCCESS;
  if (!plat::LookupHandleAs<RegistryKey>(hKey)) return ERROR_INVALID_HANDLE;
  plat::RemoveHandle(hKey);
  return ERROR_SUCCESS;
}

WINBASEAPI LSTATUS WINAPI RegFlushKey(HKEY hKey) { return Resolve(hKey).error; }

WINBASEAPI LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                           LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  Target t = ResolveFor(hKey, KEY_QUERY_VALUE);
  if (t.error) return t.error;
  reg::StoredValue value;
  if (LONG error = reg::ReadValue(t.folder, plat::WideView(lpValueName), value)) return error;
  if (lpType) *lpType = value.type;
  if (!lpcbData) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (lpData) {
    if (*lpcbData < size) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(lpData, value.data.data(), size);
  }
  *lpcbData = size;
  return ERROR_SUCCESS;
}

WINBASEAPI LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                         const BYTE* lpData, DWORD cbData) {
  if (Reserved) return ERROR_INVALID_PARAMETER;
  if (!lpData && cbData) return ERROR_NOACCESS;
  std::u16string_view name = plat::WideView(lpValueName);
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  Target t = ResolveFor(hKey, KEY_SET_VALUE);
  if (t.error) return t.error;
  return reg::WriteValue(t.folder, name, dwType, lpData, cbData);
}

WINBASEAPI LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  Target t = ResolveFor(hKey, KEY_SET_VALUE);
  if (t.error) return t.error;
  return reg::DeleteValue(t.folder, plat::WideView(lpValueName));
}

WINBASEAPI LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(hKey);
  if (t.error) return t.error;
  std::vector<std::u16string> parts;
  if (!SplitKeyPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  if (parts.empty() && t.predefined) return ERROR_ACCESS_DENIED;
  if (LONG error = Walk(t.folder, parts)) return error;
  if (reg::IsHiveParent(t.folder) || reg::IsHiveParent(ParentFolder(t.folder))) return ERROR_ACCESS_DENIED;
  if (!reg::ListSubkeys(t.folder).empty()) return ERROR_ACCESS_DENIED;
  return reg::DeleteFolderTree(t.folder);
}

WINBASEAPI LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
  Target t = Resolve(hKey);
  if (t.error) return t.error;
  std::vector<std::u16string> parts;
  if (!SplitKeyPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  if (LONG error = Walk(t.folder, parts)) return error;
  if (reg::IsHiveParent(t.folder)) return ERROR_ACCESS_DENIED;
  if (!lpSubKey || parts.empty()) return reg::ClearFolder(t.folder);
  if (reg::IsHiveParent(ParentFolder(t.folder))) return ERROR_ACCESS_DENIED;
  return reg::DeleteFolderTree(t.folder);
}

WINBASEAPI LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                        LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                        PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  Target t = ResolveFor(hKey, KEY_ENUMERATE_SUB_KEYS);
  if (t.error) return t.error;
  std::vector<std::u16string> names = reg::ListSubkeys(t.folder);
  if (dwIndex >= names.size()) return ERROR_NO_MORE_ITEMS;
  const std::u16string& name = names[dwIndex];
  if (*lpcchName <= name.size()) return ERROR_MORE_DATA;
  std::memcpy(lpName, name.data(), name.size() * sizeof(WCHAR));
  lpName[name.size()] = 0;
  *lpcchName = static_cast<DWORD>(name.size());
  if (lpClass && *lpcchClass > 0) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) {
    std::string entry;
    *lpftLastWriteTime = reg::FindSubkey(t.folder, name, entry) ? reg::FolderWriteTime(t.folder + "/" + entry)
                                                                 : FILETIME{0, 0};
  }
  return ERROR_SUCCESS;
}

WINBASEAPI LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                        LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  Target t = ResolveFor(hKey, KEY_QUERY_VALUE);
  if (t.error) return t.error;
  std::vector<reg::StoredValue> values = reg::ListValues(t.folder);
  if (dwIndex >= values.size()) return ERROR_NO_MORE_ITEMS;
  const reg::StoredValue& value = values[dwIndex];
  if (*lpcchValueName <= value.name.size()) return ERROR_MORE_DATA;
  std::memcpy(lpValueName, value.name.data(), value.name.size() * sizeof(WCHAR));
  lpValueName[value.name.size()] = 0;
  *lpcchValueName = static_cast<DWORD>(value.name.size());
  if (lpType) *lpType = value.type;
  if (!lpcbData) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (lpData) {
    if (*lpcbData < size) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(lpData, value.data.data(), size);
  }
  *lpcbData = size;
  return ERROR_SUCCESS;
}

WINBASEAPI LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                           LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                           LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                           LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                           PFILETIME lpftLastWriteTime) {
  if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  Target t = ResolveFor(hKey, KEY_QUERY_VALUE);
  if (t.error) return t.error;
  std::vector<std::u16string> subkeys = reg::ListSubkeys(t.folder);
  std::vector<reg::StoredValue> values = reg::ListValues(t.folder);
  DWORD maxSubkey = 0, maxValueName = 0, maxValue = 0;
  for (const std::u16string& name : subkeys) maxSubkey = std::max<DWORD>(maxSubkey, static_cast<DWORD>(name.size()));
  for (const reg::StoredValue& v : values) {
    maxValueName = std::max<DWORD>(maxValueName, static_cast<DWORD>(v.name.size()));
    maxValue = std::max<DWORD>(maxValue, static_cast<DWORD>(v.data.size()));
  }
  if (lpClass && *lpcchClass > 0) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(subkeys.size());
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSubkey;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = static_cast<DWORD>(values.size());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxValueName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = maxValue;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = reg::FolderWriteTime(t.folder);
  return ERROR_SUCCESS;
}

}  // extern "C"

namespace {

DWORD TypeRestrictionBit(DWORD type) {
  switch (type) {
    case REG_NONE: return RRF_RT_REG_NONE;
    case REG_SZ: return RRF_RT_REG_SZ;
    case REG_EXPAND_SZ: return RRF_RT_REG_EXPAND_SZ;
    case REG_BINARY: return RRF_RT_REG_BINARY;
    case REG_DWORD: return RRF_RT_REG_DWORD;
    case REG_MULTI_SZ: return RRF_RT_REG_MULTI_SZ;
    case REG_QWORD: return RRF_RT_REG_QWORD;
    default: return 0;
  }
}

// Makes string data end with `count` terminators, as RegGetValueW promises its callers.
void Terminate(std::vector<BYTE>& data, size_t count) {
  if (data.size() % 2) data.push_back(0);
  size_t have = 0;
  while (have < count && data.size() >= 2 * (have + 1) && data[data.size() - 2 * (have + 1)] == 0 &&
         data[data.size() - 2 * (have + 1) + 1] == 0)
    ++have;
  for (; have < count; ++have) data.insert(data.end(), {0, 0});
}

bool Expand(std::vector<BYTE>& data) {
  Terminate(data, 1);
  std::u16string text(data.size() / 2, u'\0');
  std::memcpy(text.data(), data.data(), data.size());
  DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (!needed) return false;
  std::u16string out(needed, u'\0');
  DWORD written = ExpandEnvironmentStringsW(text.c_str(), out.data(), needed);
  if (!written || written > needed) return false;
  data.assign(reinterpret_cast<const BYTE*>(out.data()), reinterpret_cast<const BYTE*>(out.data() + written));
  return true;
}

}  // namespace

extern "C" {

WINBASEAPI LSTATUS WINAPI RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, LPDWORD pdwType,
                                       PVOID pvData, LPDWORD pcbData) {
  DWORD restriction = dwFlags & RRF_RT_ANY;
  if (!restriction || (pvData && !pcbData)) return ERROR_INVALID_PARAMETER;
  // Asking for REG_EXPAND_SZ alone while letting it be expanded (into REG_SZ) asks for nothing.
  if ((restriction & RRF_RT_REG_EXPAND_SZ) && !(restriction & RRF_RT_REG_SZ) && !(dwFlags & RRF_NOEXPAND))
    return ERROR_INVALID_PARAMETER;
  DWORD bufferSize = pcbData ? *pcbData : 0;
  auto fail = [&](LSTATUS status) {
    if ((dwFlags & RRF_ZEROONFAILURE) && pvData && bufferSize) std::memset(pvData, 0, bufferSize);
    return status;
  };

  Target t = ResolveFor(hkey, lpSubKey && *lpSubKey ? 0 : KEY_QUERY_VALUE);
  if (t.error) return fail(t.error);
  std::vector<std::u16string> parts;
  if (!SplitKeyPath(lpSubKey, parts)) return fail(ERROR_INVALID_PARAMETER);
  if (LONG error = Walk(t.folder, parts)) return fail(error);
  reg::StoredValue value;
  if (LONG error = reg::ReadValue(t.folder, plat::WideView(lpValue), value)) return fail(error);

  if (value.type == REG_EXPAND_SZ && !(dwFlags & RRF_NOEXPAND)) {
    if (!Expand(value.data)) return fail(ERROR_NOT_ENOUGH_MEMORY);
    value.type = REG_SZ;
  }
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) Terminate(value.data, 1);
  if (value.type == REG_MULTI_SZ) Terminate(value.data, value.data.size() <= 2 ? 1 : 2);

  if (!(TypeRestrictionBit(value.type) & restriction)) return fail(ERROR_UNSUPPORTED_TYPE);
  bool numberOnly = !(restriction & ~static_cast<DWORD>(RRF_RT_REG_BINARY | RRF_RT_REG_DWORD | RRF_RT_REG_QWORD));
  if ((value.type == REG_DWORD && value.data.size() != 4) || (value.type == REG_QWORD && value.data.size() != 8))
    return fail(ERROR_DATATYPE_MISMATCH);
  if (value.type == REG_BINARY && numberOnly && (restriction & (RRF_RT_REG_DWORD | RRF_RT_REG_QWORD))) {
    bool fits = ((restriction & RRF_RT_REG_DWORD) && value.data.size() == 4) ||
                ((restriction & RRF_RT_REG_QWORD) && value.data.size() == 8);
    if (!fits) return fail(ERROR_DATATYPE_MISMATCH);
  }

  if (pdwType) *pdwType = value.type;
  if (!pcbData) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (pvData && bufferSize < size) {
    fail(ERROR_MORE_DATA);
    *pcbData = size;
    return ERROR_MORE_DATA;
  }
  if (pvData && size) std::memcpy(pvData, value.data.data(), size);
  *pcbData = size;
  return ERROR_SUCCESS;
}

}  // extern "C"
