// ShellExecuteW and its family: programs of the machine started with "PATH" PARAMS, and URLs
// recorded in the call log as if a browser had opened them.
#include <string>

#include <win/process.h>
#include <win/shell.h>
#include <win/strings.h>

#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace {

bool IsUrl(std::u16string_view target) {
  size_t colon = target.find(u':');
  if (colon == std::u16string_view::npos || colon < 2) return false;  // "C:\..." is a path
  for (size_t i = 0; i < colon; ++i) {
    char16_t c = target[i];
    bool scheme = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+' ||
                  c == u'-' || c == u'.';
    if (!scheme) return false;
  }
  return true;
}

bool HasFolder(std::u16string_view name) { return name.find_first_of(u"\\/:") != std::u16string_view::npos; }

bool IsProgram(std::u16string_view path) {
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  std::u16string_view ext = path.substr(dot);
  return plat::EqualsNoCase(ext, u".exe") || plat::EqualsNoCase(ext, u".com");
}

HINSTANCE Code(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

int ToShellError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND: case ERROR_DIRECTORY: return SE_ERR_PNF;
    case ERROR_ACCESS_DENIED: return SE_ERR_ACCESSDENIED;
    case ERROR_NOT_ENOUGH_MEMORY: return SE_ERR_OOM;
    case ERROR_BAD_EXE_FORMAT: return ERROR_BAD_FORMAT;
    default: return SE_ERR_NOASSOC;
  }
}

bool Fail(SHELLEXECUTEINFOW* info, DWORD error) {
  info->hInstApp = Code(ToShellError(error));
  SetLastError(error == ERROR_BAD_EXE_FORMAT ? ERROR_BAD_EXE_FORMAT : error);
  return false;
}

// The file as the shell finds it: where it says, else in the system and Windows folders.
bool Find(std::u16string name, plat::ResolvedPath& found, DWORD& error) {
  std::vector<std::u16string> candidates{name};
  if (!HasFolder(name)) {
    candidates.push_back(u"C:\\Windows\\System32\\" + name);
    candidates.push_back(u"C:\\Windows\\" + name);
    if (name.find(u'.') == std::u16string::npos)
      for (const char16_t* folder : {u"", u"C:\\Windows\\System32\\", u"C:\\Windows\\"})
        candidates.push_back(folder + name + u".exe");
  }
  error = ERROR_FILE_NOT_FOUND;
  for (const std::u16string& candidate : candidates) {
    plat::ResolvedPath path = plat::ResolvePath(candidate);
    if (path.exists && !path.isDirectory) {
      found = path;
      return true;
    }
    if (path.error) error = path.error;
    else if (HasFolder(name) && !path.parentExists) error = ERROR_PATH_NOT_FOUND;
  }
  return false;
}

bool Execute(SHELLEXECUTEINFOW* info) {
  std::u16string target(plat::WideView(info->lpFile));
  std::u16string parameters(plat::WideView(info->lpParameters));
  std::u16string folder(plat::WideView(info->lpDirectory));
  if (target.empty()) return Fail(info, ERROR_FILE_NOT_FOUND);
  if (IsUrl(target)) {
    plat::desktop::LogCall("\"event\":\"shell\",\"target\":" + plat::desktop::JsonString(target) + ",\"url\":true");
    info->hInstApp = Code(42);
    return true;
  }
  std::u16string verb(plat::WideView(info->lpVerb));
  if (!verb.empty() && !plat::EqualsNoCase(verb, u"open") && !plat::EqualsNoCase(verb, u"runas"))
    return Fail(info, ERROR_NO_ASSOCIATION);
  plat::ResolvedPath program;
  DWORD error;
  if (!Find(target, program, error)) return Fail(info, error);
  if (!IsProgram(program.windows)) return Fail(info, ERROR_NO_ASSOCIATION);
  std::u16string commandLine = u"\"" + program.windows + u"\"";
  if (!parameters.empty()) commandLine += u" " + parameters;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(info->nShow);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.windows.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &started))
    return Fail(info, GetLastError());
  plat::desktop::LogCall("\"event\":\"shell\",\"target\":" + plat::desktop::JsonString(program.windows) +
                         ",\"parameters\":" + plat::desktop::JsonString(parameters) +
                         ",\"directory\":" + plat::desktop::JsonString(folder) +
                         ",\"show\":" + std::to_string(info->nShow) + ",\"child\":" + std::to_string(started.dwProcessId));
  CloseHandle(started.hThread);
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
    info->hProcess = started.hProcess;
  else
    CloseHandle(started.hProcess);
  info->hInstApp = Code(42);
  return true;
}

std::u16string Widen(LPCSTR text) {
  if (!text) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo) {
  if (!pExecInfo || pExecInfo->cbSize != sizeof(SHELLEXECUTEINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  pExecInfo->hProcess = nullptr;
  return Execute(pExecInfo) ? TRUE : FALSE;
}

WINBASEAPI HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                                          LPCWSTR lpDirectory, INT nShowCmd) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.hwnd = hwnd;
  info.lpVerb = lpOperation;
  info.lpFile = lpFile;
  info.lpParameters = lpParameters;
  info.lpDirectory = lpDirectory;
  info.nShow = nShowCmd;
  Execute(&info);
  return info.hInstApp;
}

WINBASEAPI HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd) {
  std::u16string operation = Widen(lpOperation), file = Widen(lpFile), parameters = Widen(lpParameters),
                 directory = Widen(lpDirectory);
  return ShellExecuteW(hwnd, lpOperation ? operation.c_str() : nullptr, lpFile ? file.c_str() : nullptr,
                       lpParameters ? parameters.c_str() : nullptr, lpDirectory ? directory.c_str() : nullptr, nShowCmd);
}

}  // extern "C"
