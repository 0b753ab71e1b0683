// Environment variables of the process, seeded from the machine's standard folders.
#include <cstring>
#include <mutex>

#include <win/environment.h>

#include "internal/environment.h"
#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/system_state.h"
#include "internal/unicode.h"

namespace {

struct Environment {
  std::mutex lock;
  std::string seededFor;  // machine root and user the variables were seeded for
  std::vector<std::pair<std::u16string, std::u16string>> variables;
};

Environment& Env() {
  static Environment* env = new Environment;  // outlives static destructors of callers
  return *env;
}

std::vector<std::pair<std::u16string, std::u16string>> StandardVariables() {
  using plat::StandardFolder;
  using plat::StandardFolderPath;
  std::u16string user = plat::MachineUserName();
  std::u16string profile = StandardFolderPath(StandardFolder::UserProfile);
  std::u16string windows = StandardFolderPath(StandardFolder::Windows);
  std::u16string system = StandardFolderPath(StandardFolder::System);
  std::u16string temp = StandardFolderPath(StandardFolder::Temp);
  std::vector<std::pair<std::u16string, std::u16string>> vars = {
      {u"ALLUSERSPROFILE", StandardFolderPath(StandardFolder::ProgramData)},
      {u"APPDATA", StandardFolderPath(StandardFolder::AppData)},
      {u"CommonProgramFiles", StandardFolderPath(StandardFolder::CommonFiles)},
      {u"ComSpec", system + u"\\cmd.exe"},
      {u"COMPUTERNAME", plat::MachineComputerName()},
      {u"HOMEDRIVE", u"C:"},
      {u"HOMEPATH", profile.substr(2)},
      {u"LOCALAPPDATA", StandardFolderPath(StandardFolder::LocalAppData)},
      {u"NUMBER_OF_PROCESSORS", u"4"},
      {u"OS", u"Windows_NT"},
      {u"Path", system + u";" + windows + u";" + system + u"\\Wbem"},
      {u"PATHEXT", u".COM;.EXE;.BAT;.CMD"},
      {u"PROCESSOR_ARCHITECTURE", u"AMD64"},
      {u"ProgramData", StandardFolderPath(StandardFolder::ProgramData)},
      {u"ProgramFiles", StandardFolderPath(StandardFolder::ProgramFiles)},
      {u"ProgramFiles(x86)", StandardFolderPath(StandardFolder::ProgramFilesX86)},
      {u"ProgramW6432", StandardFolderPath(StandardFolder::ProgramFiles)},
      {u"PUBLIC", StandardFolderPath(StandardFolder::Public)},
      {u"SystemDrive", u"C:"},
      {u"SystemRoot", windows},
      {u"TEMP", temp},
      {u"TMP", temp},
      {u"USERNAME", user},
      {u"USERPROFILE", profile},
      {u"windir", windows},
  };
  return vars;
}

// The process's variables, seeded when the process first looks at a machine (or the machine or
// its user changed, as for a new logon).
Environment& Seeded() {
  Environment& env = Env();
  std::string key = plat::MachineRoot() + "\n" + plat::ToUtf8(plat::MachineUserName());
  std::lock_guard<std::mutex> guard(env.lock);
  if (env.seededFor != key) {
    env.variables = StandardVariables();
    env.seededFor = key;
  }
  return env;
}

std::optional<std::u16string> FindLocked(Environment& env, std::u16string_view name) {
  for (const auto& [key, value] : env.variables)
    if (plat::EqualsNoCase(key, name)) return value;
  return std::nullopt;
}

}  // namespace

namespace plat {

std::optional<std::u16string> EnvironmentValue(std::u16string_view name) {
  Environment& env = Seeded();
  std::lock_guard<std::mutex> guard(env.lock);
  return FindLocked(env, name);
}

std::vector<std::pair<std::u16string, std::u16string>> EnvironmentSnapshot() {
  Environment& env = Seeded();
  std::lock_guard<std::mutex> guard(env.lock);
  return env.variables;
}

std::u16string ExpandEnvironment(std::u16string_view text) {
  Environment& env = Seeded();
  std::lock_guard<std::mutex> guard(env.lock);
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u'%') {
      size_t close = text.find(u'%', i + 1);
      if (close != std::u16string_view::npos && close > i + 1) {
        if (std::optional<std::u16string> value = FindLocked(env, text.substr(i + 1, close - i - 1))) {
          out += *value;
          i = close + 1;
          continue;
        }
        // An unknown name stays, and its closing '%' may open the next name.
        out.append(text.substr(i, close - i));
        i = close;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  return out;
}

}  // namespace plat

extern "C" {

WINBASEAPI DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
  if (!lpName || !*lpName) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  std::optional<std::u16string> value = plat::EnvironmentValue(plat::WideView(lpName));
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  if (!lpBuffer || nSize <= value->size()) return static_cast<DWORD>(value->size() + 1);
  std::memcpy(lpBuffer, value->data(), value->size() * sizeof(WCHAR));
  lpBuffer[value->size()] = 0;
  // An empty value also returns 0; the cleared last error tells it from a missing variable.
  if (value->empty()) SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(value->size());
}

WINBASEAPI BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
  std::u16string_view name = plat::WideView(lpName);
  if (name.empty() || name.find(u'=') != std::u16string_view::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Environment& env = Seeded();
  std::lock_guard<std::mutex> guard(env.lock);
  for (auto it = env.variables.begin(); it != env.variables.end(); ++it) {
    if (!plat::EqualsNoCase(it->first, name)) continue;
    if (lpValue) {
      it->second = std::u16string(plat::WideView(lpValue));
    } else {
      env.variables.erase(it);
    }
    return TRUE;
  }
  if (!lpValue) return TRUE;  // removing a variable that is not there changes nothing
  env.variables.push_back({std::u16string(name), std::u16string(plat::WideView(lpValue))});
  return TRUE;
}

WINBASEAPI DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
  if (!lpSrc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string expanded = plat::ExpandEnvironment(plat::WideView(lpSrc));
  DWORD needed = static_cast<DWORD>(expanded.size() + 1);
  if (lpDst && nSize >= needed) {
    std::memcpy(lpDst, expanded.data(), expanded.size() * sizeof(WCHAR));
    lpDst[expanded.size()] = 0;
  }
  return needed;
}

}  // extern "C"
