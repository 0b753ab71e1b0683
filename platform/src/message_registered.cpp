// Registered window messages: one number per name in the whole machine, names compared without
// case, kept in <root>/desktop/messages ("<number> <name>" a line, UTF-8) under a file lock so
// that two programs registering "TaskbarCreated" at once get the same number.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include <win/user.h>

#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace {

constexpr UINT kFirst = 0xC000;
constexpr UINT kLast = 0xFFFF;

std::string ReadAllFd(int fd) {
  std::string text;
  char buffer[4096];
  off_t offset = 0;
  ssize_t n;
  while ((n = pread(fd, buffer, sizeof buffer, offset)) > 0) {
    text.append(buffer, static_cast<size_t>(n));
    offset += n;
  }
  return text;
}

}  // namespace

extern "C" {

WINBASEAPI UINT WINAPI RegisterWindowMessageW(LPCWSTR lpString) {
  if (!lpString || !*lpString) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string wanted(plat::WideView(lpString));
  std::string path = plat::MachineDir("desktop") + "/messages";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  flock(fd, LOCK_EX);
  std::istringstream in(ReadAllFd(fd));
  std::string line;
  UINT next = kFirst, found = 0;
  while (std::getline(in, line)) {
    size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    UINT number = static_cast<UINT>(std::strtoul(line.c_str(), nullptr, 10));
    if (number >= next) next = number + 1;
    if (plat::EqualsNoCase(plat::FromUtf8(line.substr(space + 1)), wanted)) {
      found = number;
      break;
    }
  }
  if (!found && next <= kLast) {
    std::string utf8 = plat::ToUtf8(wanted);
    for (char& c : utf8)
      if (c == '\n' || c == '\r') c = ' ';
    std::string entry = std::to_string(next) + " " + utf8 + "\n";
    off_t end = lseek(fd, 0, SEEK_END);
    if (pwrite(fd, entry.data(), entry.size(), end) == static_cast<ssize_t>(entry.size())) found = next;
  }
  flock(fd, LOCK_UN);
  close(fd);
  if (!found) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return found;
}

WINBASEAPI BOOL WINAPI ChangeWindowMessageFilter(UINT message, DWORD dwFlag) {
  if (dwFlag != MSGFLT_ADD && dwFlag != MSGFLT_REMOVE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  plat::desktop::LogCall("\"event\":\"message-filter\",\"message\":" + std::to_string(message) +
                         ",\"flag\":" + std::to_string(dwFlag));
  return TRUE;
}

}  // extern "C"
