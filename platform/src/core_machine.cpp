#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "internal/machine.h"
#include "internal/unicode.h"

namespace fs = std::filesystem;

namespace {

std::mutex g_machineLock;
std::string g_root;
std::u16string g_currentDirectory;

std::string DefaultRoot() {
  const char* home = std::getenv("HOME");
  std::string base = home && *home ? home : "/tmp";
  return base + "/.velmor-machine";
}

void InitLocked() {
  if (!g_root.empty()) return;
  const char* env = std::getenv("PLATFORM_ROOT");
  if (env && *env) {
    g_root = env;
  } else {
    g_root = DefaultRoot();
    std::fprintf(stderr, "platform: PLATFORM_ROOT is not set; using the machine in %s\n", g_root.c_str());
  }
  std::error_code ec;
  fs::create_directories(g_root, ec);
  const char* cwd = std::getenv("PLATFORM_CWD");
  // The creator passes its canonical form; canonicalising here would take the lock held now.
  g_currentDirectory = cwd && *cwd ? plat::FromUtf8(cwd) : u"C:\\";
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

struct SplitPath {
  char16_t drive = u'C';
  std::vector<std::u16string> parts;
  bool valid = true;
  DWORD error = ERROR_SUCCESS;
};

// Splits a Windows path into drive and components, resolving "." and ".." (clamped at the
// drive root) against the current directory.
SplitPath Split(std::u16string_view path, const std::u16string& current) {
  SplitPath out;
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == u'?' || path[2] == u'.') &&
      IsSeparator(path[3])) {
    std::u16string_view rest = path.substr(4);
    if (rest.size() >= 2 && rest[1] == u':') {
      path = rest;
    } else {
      out.valid = false;  // devices and pipes are not files of a drive
      out.error = ERROR_INVALID_NAME;
      return out;
    }
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    out.valid = false;  // no network shares in the machine
    out.error = ERROR_BAD_NETPATH;
    return out;
  }

  std::u16string_view tail;
  if (path.size() >= 2 && path[1] == u':') {
    char16_t d = plat::UpperCase(path[0]);
    if (d < u'A' || d > u'Z') {
      out.valid = false;
      out.error = ERROR_INVALID_NAME;
      return out;
    }
    out.drive = d;
    tail = path.substr(2);
    if (tail.empty() || !IsSeparator(tail[0])) {
      // "C:name" is relative to the current directory of that drive; we keep one directory,
      // used when it is on the same drive.
      if (!current.empty() && plat::UpperCase(current[0]) == d) {
        SplitPath base = Split(current, u"");
        out.parts = base.parts;
      }
    }
  } else if (!path.empty() && IsSeparator(path[0])) {
    out.drive = current.empty() ? u'C' : plat::UpperCase(current[0]);
    tail = path;
  } else {
    SplitPath base = Split(current.empty() ? std::u16string(u"C:\\") : current, u"");
    out.drive = base.drive;
    out.parts = base.parts;
    tail = path;
  }

  size_t i = 0;
  while (i <= tail.size()) {
    size_t j = i;
    while (j < tail.size() && !IsSeparator(tail[j])) ++j;
    std::u16string part(tail.substr(i, j - i));
    // Windows drops trailing dots and blanks from a component.
    while (!part.empty() && (part.back() == u'.' || part.back() == u' ') && part != u"." && part != u"..")
      part.pop_back();
    if (part.empty() || part == u".") {
    } else if (part == u"..") {
      if (!out.parts.empty()) out.parts.pop_back();
    } else {
      for (char16_t c : part) {
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|') {
          out.valid = false;
          out.error = ERROR_INVALID_NAME;
          return out;
        }
      }
      out.parts.push_back(part);
    }
    i = j + 1;
  }
  return out;
}

// Finds the entry of a host folder whose name equals `name` without case.
bool FindNoCase(const std::string& folder, const std::string& name, std::string& found) {
  struct stat st;
  std::string exact = folder + "/" + name;
  if (lstat(exact.c_str(), &st) == 0) {
    found = name;
    return true;
  }
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  bool ok = false;
  std::u16string wanted = plat::FromUtf8(name);
  while (dirent* entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (plat::EqualsNoCase(plat::FromUtf8(candidate), wanted)) {
      found = candidate;
      ok = true;
      break;
    }
  }
  closedir(dir);
  return ok;
}

}  // namespace

namespace plat {

const std::string& MachineRoot() {
  std::lock_guard<std::mutex> guard(g_machineLock);
  InitLocked();
  return g_root;
}

void ResetMachine(const std::string& root) {
  std::lock_guard<std::mutex> guard(g_machineLock);
  g_root = root;
  if (g_root.empty()) {
    InitLocked();
  } else {
    std::error_code ec;
    fs::create_directories(g_root, ec);
  }
  g_currentDirectory = u"C:\\";
}

std::string MachineDir(std::string_view relative) {
  std::string path = MachineRoot() + "/" + std::string(relative);
  std::error_code ec;
  fs::create_directories(path, ec);
  return path;
}

std::u16string CanonicalWindowsPath(std::u16string_view windowsPath) {
  SplitPath split = Split(windowsPath, CurrentDirectory());
  if (!split.valid) return std::u16string(windowsPath);
  std::u16string out;
  out.push_back(split.drive);
  out += u":\\";
  for (size_t i = 0; i < split.parts.size(); ++i) {
    if (i) out.push_back(u'\\');
    out += split.parts[i];
  }
  return out;
}

ResolvedPath ResolvePath(std::u16string_view windowsPath) {
  ResolvedPath out;
  SplitPath split = Split(windowsPath, CurrentDirectory());
  if (!split.valid) {
    out.error = split.error;
    return out;
  }
  std::string drive(1, static_cast<char>(split.drive));
  std::string host = MachineDir("drives/" + drive);
  out.windows = std::u16string(1, split.drive) + u":\\";
  bool missing = false;
  for (size_t i = 0; i < split.parts.size(); ++i) {
    std::string name = ToUtf8(split.parts[i]);
    bool last = i + 1 == split.parts.size();
    std::string actual = name;
    if (!missing) {
      if (!FindNoCase(host, name, actual)) {
        missing = true;
        actual = name;
        if (last) out.parentExists = true;
      } else if (!last) {
        struct stat st;
        std::string next = host + "/" + actual;
        // A link is never followed to reach a later component: that could leave the machine.
        if (lstat(next.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) missing = true;
      }
    }
    host += "/" + actual;
    if (i) out.windows.push_back(u'\\');
    out.windows += FromUtf8(actual);
    if (last && !missing) out.parentExists = true;
  }
  if (split.parts.empty()) out.parentExists = true;
  out.host = host;
  if (!missing) {
    struct stat st;
    if (lstat(host.c_str(), &st) == 0) {
      out.exists = true;
      out.isLink = S_ISLNK(st.st_mode);
      out.isDirectory = S_ISDIR(st.st_mode);
    }
  }
  return out;
}

std::u16string HostToWindowsPath(const std::string& hostPath) {
  std::string drives = MachineRoot() + "/drives/";
  if (hostPath.compare(0, drives.size(), drives) != 0 || hostPath.size() < drives.size() + 1) return u"";
  std::string rest = hostPath.substr(drives.size());
  std::u16string out;
  out.push_back(static_cast<char16_t>(rest[0]));
  out += u":\\";
  if (rest.size() > 2) {
    for (char16_t c : FromUtf8(rest.substr(2))) out.push_back(c == u'/' ? u'\\' : c);
  }
  return out;
}

std::u16string CurrentDirectory() {
  std::lock_guard<std::mutex> guard(g_machineLock);
  InitLocked();
  return g_currentDirectory;
}

void SetCurrentDirectoryPath(std::u16string_view canonicalWindowsPath) {
  std::lock_guard<std::mutex> guard(g_machineLock);
  InitLocked();
  g_currentDirectory = std::u16string(canonicalWindowsPath);
}

}  // namespace plat
