// The notification area and the taskbar's position. Icons are machine-wide files under
// <root>/desktop/tray, one per icon ("<hwnd>-<id>"): the icon's merged state as the taskbar
// holds it (a NOTIFYICONDATAW) followed by the bytes of the last record a program passed for
// it, so a test sees what the taskbar shows and what the program last asked. Each change is
// made under a lock on the folder, so two processes never both add one icon.
#include "internal/tray.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <win/shell_notify.h>
#include <win/user.h>

#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace plat::tray {

namespace {

constexpr char kMagic[4] = {'T', 'R', 'A', 'Y'};

std::string Folder() { return MachineDir("desktop/tray"); }

std::string IconPath(HWND hwnd, UINT id) {
  return Folder() + "/" + std::to_string(reinterpret_cast<uintptr_t>(hwnd)) + "-" + std::to_string(id);
}

bool ReadIconFile(const std::string& path, Icon& icon) {
  std::ifstream in(path, std::ios::binary);
  char magic[4];
  uint32_t lastSize = 0;
  if (!in.read(magic, 4) || std::memcmp(magic, kMagic, 4) != 0) return false;
  if (!in.read(reinterpret_cast<char*>(&lastSize), 4) || lastSize > sizeof(NOTIFYICONDATAW)) return false;
  if (!in.read(reinterpret_cast<char*>(&icon.state), sizeof icon.state)) return false;
  icon.lastRecord.resize(lastSize);
  return lastSize == 0 || static_cast<bool>(in.read(reinterpret_cast<char*>(icon.lastRecord.data()), lastSize));
}

bool WriteIconFile(const std::string& path, const Icon& icon) {
  std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    uint32_t lastSize = static_cast<uint32_t>(icon.lastRecord.size());
    out.write(kMagic, 4);
    out.write(reinterpret_cast<const char*>(&lastSize), 4);
    out.write(reinterpret_cast<const char*>(&icon.state), sizeof icon.state);
    out.write(reinterpret_cast<const char*>(icon.lastRecord.data()), lastSize);
    if (!out) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool ValidSize(DWORD size) {
  return size == sizeof(NOTIFYICONDATAW) || size == NOTIFYICONDATAW_V1_SIZE || size == NOTIFYICONDATAW_V2_SIZE ||
         size == NOTIFYICONDATAW_V3_SIZE;
}

template <size_t N>
void CopyText(WCHAR (&to)[N], const WCHAR (&from)[N], size_t limit) {
  size_t n = 0;
  while (n + 1 < limit && n + 1 < N && from[n]) ++n;
  std::memset(to, 0, sizeof to);
  std::memcpy(to, from, n * sizeof(WCHAR));
}

// The fields the record's uFlags name, into the taskbar's state of the icon.
void Merge(NOTIFYICONDATAW& state, const NOTIFYICONDATAW& record, DWORD recordSize) {
  state.cbSize = sizeof state;
  state.hWnd = record.hWnd;
  state.uID = record.uID;
  state.uFlags |= record.uFlags;
  if (record.uFlags & NIF_MESSAGE) state.uCallbackMessage = record.uCallbackMessage;
  if (record.uFlags & NIF_ICON) state.hIcon = record.hIcon;
  if (record.uFlags & NIF_TIP) CopyText(state.szTip, record.szTip, recordSize == NOTIFYICONDATAW_V1_SIZE ? 64 : 128);
  if (recordSize == NOTIFYICONDATAW_V1_SIZE) return;
  if (record.uFlags & NIF_STATE)
    state.dwState = (state.dwState & ~record.dwStateMask) | (record.dwState & record.dwStateMask);
  if (record.uFlags & NIF_INFO) {
    CopyText(state.szInfo, record.szInfo, 256);
    CopyText(state.szInfoTitle, record.szInfoTitle, 64);
    state.dwInfoFlags = record.dwInfoFlags;
    state.uTimeout = record.uTimeout;
  }
  if ((record.uFlags & NIF_GUID) && recordSize >= NOTIFYICONDATAW_V3_SIZE) state.guidItem = record.guidItem;
  if (recordSize == sizeof(NOTIFYICONDATAW)) state.hBalloonIcon = record.hBalloonIcon;
}

class FolderLock {
 public:
  FolderLock() : fd_(open((Folder() + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

const char* MessageName(DWORD message) {
  switch (message) {
    case NIM_ADD: return "add";
    case NIM_MODIFY: return "modify";
    case NIM_DELETE: return "delete";
    case NIM_SETFOCUS: return "setfocus";
    case NIM_SETVERSION: return "setversion";
    default: return "unknown";
  }
}

}  // namespace

bool TaskbarRunning() { return GetControlInt(kTaskbarStoppedControl, 0) == 0; }

std::optional<Icon> FindIcon(HWND hwnd, UINT id) {
  FolderLock lock;
  Icon icon;
  if (!ReadIconFile(IconPath(hwnd, id), icon)) return std::nullopt;
  return icon;
}

std::vector<Icon> AllIcons() {
  FolderLock lock;
  std::vector<Icon> icons;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder(), error)) {
    std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.' || name.ends_with(".new")) continue;
    Icon icon;
    if (ReadIconFile(entry.path().string(), icon)) icons.push_back(std::move(icon));
  }
  return icons;
}

void ForgetAllIcons() {
  FolderLock lock;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder(), error))
    if (entry.path().filename().string()[0] != '.') std::filesystem::remove(entry.path(), error);
}

}  // namespace plat::tray

extern "C" {

WINBASEAPI BOOL WINAPI Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData) {
  using namespace plat::tray;
  if (!lpData || !ValidSize(lpData->cbSize)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = lpData->cbSize;
  NOTIFYICONDATAW record{};
  std::memcpy(&record, lpData, size);
  BOOL result = FALSE;
  DWORD error = ERROR_SUCCESS;
  if (!TaskbarRunning()) {
    error = ERROR_TIMEOUT;
  } else {
    FolderLock lock;
    std::string path = IconPath(record.hWnd, record.uID);
    Icon icon;
    bool exists = ReadIconFile(path, icon);
    switch (dwMessage) {
      case NIM_ADD:
        if (exists) {
          error = ERROR_ALREADY_EXISTS;
          break;
        }
        icon = Icon{};
        [[fallthrough]];
      case NIM_MODIFY:
        if (dwMessage == NIM_MODIFY && !exists) break;
        Merge(icon.state, record, size);
        icon.lastRecord.assign(reinterpret_cast<const BYTE*>(lpData), reinterpret_cast<const BYTE*>(lpData) + size);
        result = WriteIconFile(path, icon) ? TRUE : FALSE;
        break;
      case NIM_DELETE:
        result = exists && std::remove(path.c_str()) == 0;
        break;
      case NIM_SETVERSION:
        if (!exists) break;
        icon.state.uVersion = size > offsetof(NOTIFYICONDATAW, uVersion) ? record.uVersion : 0;
        result = WriteIconFile(path, icon) ? TRUE : FALSE;
        break;
      case NIM_SETFOCUS:
        result = exists;
        break;
      default:
        error = ERROR_INVALID_PARAMETER;
        break;
    }
    if (!result && error == ERROR_SUCCESS) error = exists ? ERROR_WRITE_FAULT : ERROR_NOT_FOUND;
  }
  size_t tipLength = 0;
  while (tipLength < 128 && record.szTip[tipLength]) ++tipLength;
  plat::desktop::LogCall(std::string("\"event\":\"tray\",\"message\":\"") + MessageName(dwMessage) +
                         "\",\"hwnd\":" + std::to_string(plat::desktop::FromHwnd(record.hWnd)) +
                         ",\"id\":" + std::to_string(record.uID) + ",\"flags\":" + std::to_string(record.uFlags) +
                         ",\"tip\":" +
                         plat::desktop::JsonString((record.uFlags & NIF_TIP) ? std::u16string_view(record.szTip, tipLength)
                                                                             : std::u16string_view()) +
                         ",\"result\":" + (result ? "true" : "false"));
  if (!result) SetLastError(error);
  return result;
}

WINBASEAPI UINT_PTR WINAPI SHAppBarMessage(DWORD dwMessage, PAPPBARDATA pData) {
  if (dwMessage != ABM_GETTASKBARPOS || !pData || pData->cbSize != sizeof(APPBARDATA)) return 0;
  HWND taskbar = FindWindowW(plat::tray::kTaskbarClass, nullptr);
  RECT rect{};
  if (!taskbar || !GetWindowRect(taskbar, &rect)) return 0;
  HANDLE edge = GetPropW(taskbar, plat::tray::kEdgeProperty);
  pData->hWnd = taskbar;
  pData->uEdge = edge ? static_cast<UINT>(reinterpret_cast<uintptr_t>(edge) - 1) : ABE_BOTTOM;
  pData->rc = rect;
  return TRUE;
}

}  // extern "C"
