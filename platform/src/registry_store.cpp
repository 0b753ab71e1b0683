// The registry's files in the machine (the layout is described in internal/registry_store.h).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include <win/registry.h>

#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/registry_store.h"
#include "internal/system_state.h"
#include "internal/unicode.h"

namespace fs = std::filesystem;

namespace plat::registry {
namespace {

constexpr size_t kHostNameLimit = 255;
constexpr const char* kPending = ".pending";

struct TypeName {
  DWORD type;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {REG_NONE, "REG_NONE"},
    {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},
    {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {REG_LINK, "REG_LINK"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {REG_RESOURCE_LIST, "REG_RESOURCE_LIST"},
    {REG_FULL_RESOURCE_DESCRIPTOR, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {REG_RESOURCE_REQUIREMENTS_LIST, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {REG_QWORD, "REG_QWORD"},
};

std::string TypeToText(DWORD type) {
  for (const TypeName& t : kTypeNames)
    if (t.type == type) return t.name;
  return std::to_string(type);
}

bool TextToType(const std::string& text, DWORD& type) {
  for (const TypeName& t : kTypeNames) {
    if (text == t.name) {
      type = t.type;
      return true;
    }
  }
  char* end = nullptr;
  unsigned long long n = std::strtoull(text.c_str(), &end, 0);
  if (text.empty() || *end || n > 0xFFFFFFFFull) return false;
  type = static_cast<DWORD>(n);
  return true;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// UTF-16 data that survives the trip through UTF-8: even size and no lone surrogate.
bool IsTextData(const std::vector<BYTE>& data) {
  if (data.size() % 2) return false;
  for (size_t i = 0; i < data.size(); i += 2) {
    unsigned c = data[i] | (data[i + 1] << 8);
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 3 >= data.size()) return false;
      unsigned d = data[i + 2] | (data[i + 3] << 8);
      if (d < 0xDC00 || d > 0xDFFF) return false;
      i += 2;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::string Escape(std::u16string_view name, bool keyName) {
  std::string utf8 = ToUtf8(name);
  std::string out;
  bool dots = keyName && (utf8 == "." || utf8 == "..");
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    bool escape = c < 0x20 || c == '%' || c == '/' || c == 0x7F || (dots && c == '.') ||
                  (keyName && i == 0 && c == '@');
    if (escape) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::u16string Unescape(std::string_view entry) {
  std::string out;
  for (size_t i = 0; i < entry.size(); ++i) {
    if (entry[i] == '%' && i + 2 < entry.size() && HexDigit(entry[i + 1]) >= 0 && HexDigit(entry[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(entry[i + 1]) * 16 + HexDigit(entry[i + 2])));
      i += 2;
    } else {
      out.push_back(entry[i]);
    }
  }
  return FromUtf8(out);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> out;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return out;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != ".." && name != kPending) out.push_back(name);
  }
  closedir(dir);
  return out;
}

bool LessNoCase(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    WCHAR x = UpperCase(a[i]), y = UpperCase(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// Finds the value file whose name matches without case.
bool FindValueFile(const std::string& folder, std::u16string_view name, std::string& entry) {
  std::string exact;
  if (!ValueFileName(name, exact)) return false;
  if (IsFile(folder + "/" + exact)) {
    entry = exact;
    return true;
  }
  for (const std::string& candidate : Entries(folder)) {
    if (candidate.empty() || candidate[0] != '@') continue;
    if (EqualsNoCase(Unescape(std::string_view(candidate).substr(1)), name) && IsFile(folder + "/" + candidate)) {
      entry = candidate;
      return true;
    }
  }
  return false;
}

std::string PendingPath(const char* kind) {
  static std::atomic<unsigned> counter{0};
  std::string folder = RegistryFolder() + "/" + kPending;
  mkdir(folder.c_str(), 0755);
  return folder + "/" + kind + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

std::string Encode(DWORD type, const std::vector<BYTE>& data) {
  std::string out = TypeToText(type) + " " + std::to_string(data.size()) + " ";
  if (type == REG_DWORD && data.size() == 4) {
    DWORD v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x\n", v);
    return out + "dword\n" + text;
  }
  if (IsStringType(type) && IsTextData(data)) {
    std::u16string units(data.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return out + "text\n" + ToUtf8(units);
  }
  out += "hex\n";
  for (size_t i = 0; i < data.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", data[i]);
    out += hex;
    out.push_back(i % 16 == 15 || i + 1 == data.size() ? '\n' : ' ');
  }
  return out;
}

bool Decode(const std::string& file, StoredValue& value) {
  size_t eol = file.find('\n');
  if (eol == std::string::npos) return false;
  std::istringstream header(file.substr(0, eol));
  std::string typeText, encoding;
  unsigned long long size = 0;
  if (!(header >> typeText >> size >> encoding)) return false;
  if (!TextToType(typeText, value.type)) return false;
  std::string payload = file.substr(eol + 1);
  value.data.clear();
  if (encoding == "text") {
    for (char16_t c : FromUtf8(payload)) {
      value.data.push_back(static_cast<BYTE>(c & 0xFF));
      value.data.push_back(static_cast<BYTE>(c >> 8));
    }
  } else if (encoding == "dword") {
    char* end = nullptr;
    unsigned long long v = std::strtoull(payload.c_str(), &end, 0);
    if (end == payload.c_str() || v > 0xFFFFFFFFull) return false;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<BYTE>(v >> (8 * i)));
  } else if (encoding == "hex") {
    int high = -1;
    for (char c : payload) {
      if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
      int d = HexDigit(c);
      if (d < 0) return false;
      if (high < 0) {
        high = d;
      } else {
        value.data.push_back(static_cast<BYTE>(high * 16 + d));
        high = -1;
      }
    }
    if (high >= 0) return false;
  } else {
    return false;
  }
  return value.data.size() == size;
}

bool ReadWhole(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  content = text.str();
  return true;
}

void MakeFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
}

}  // namespace

std::string RegistryFolder() { return MachineDir("registry"); }

std::string PredefinedFolder(HKEY key) {
  std::string root = RegistryFolder();
  std::string machine = root + "/HKEY_LOCAL_MACHINE";
  std::string users = root + "/HKEY_USERS";
  auto id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  if ((reinterpret_cast<uintptr_t>(key) >> 32) != 0xFFFFFFFFu) return "";
  switch (id) {
    case 0x80000000u: {
      std::string classes = machine + "/SOFTWARE/Classes";
      MakeFolder(classes);
      return classes;
    }
    case 0x80000001u: {
      std::string user;
      if (!KeyFileName(MachineUserName(), user)) user = "User";
      std::string folder = users + "/" + user;
      MakeFolder(folder + "/Software");
      return folder;
    }
    case 0x80000002u:
      for (const char* hive : {"SOFTWARE", "SYSTEM", "HARDWARE"}) MakeFolder(machine + "/" + hive);
      return machine;
    case 0x80000003u:
      MakeFolder(users + "/.DEFAULT");
      return users;
    default: return "";
  }
}

bool IsHiveParent(const std::string& folder) {
  std::string root = RegistryFolder();
  return folder == root + "/HKEY_LOCAL_MACHINE" || folder == root + "/HKEY_USERS";
}

bool KeyFileName(std::u16string_view name, std::string& out) {
  out = Escape(name, true);
  return !out.empty() && out.size() <= kHostNameLimit;
}

bool ValueFileName(std::u16string_view name, std::string& out) {
  out = "@" + Escape(name, false);
  return out.size() <= kHostNameLimit;
}

bool FolderExists(const std::string& folder) { return IsFolder(folder); }

bool FindSubkey(const std::string& folder, std::u16string_view name, std::string& entry) {
  std::string exact;
  if (!KeyFileName(name, exact)) return false;
  if (IsFolder(folder + "/" + exact)) {
    entry = exact;
    return true;
  }
  for (const std::string& candidate : Entries(folder)) {
    if (candidate.empty() || candidate[0] == '@') continue;
    if (EqualsNoCase(Unescape(candidate), name) && IsFolder(folder + "/" + candidate)) {
      entry = candidate;
      return true;
    }
  }
  return false;
}

std::vector<std::u16string> ListSubkeys(const std::string& folder) {
  std::vector<std::u16string> out;
  for (const std::string& entry : Entries(folder))
    if (!entry.empty() && entry[0] != '@' && IsFolder(folder + "/" + entry)) out.push_back(Unescape(entry));
  std::sort(out.begin(), out.end(), LessNoCase);
  return out;
}

std::vector<StoredValue> ListValues(const std::string& folder) {
  std::vector<StoredValue> out;
  for (const std::string& entry : Entries(folder)) {
    if (entry.empty() || entry[0] != '@') continue;
    std::string content;
    StoredValue value;
    if (!IsFile(folder + "/" + entry) || !ReadWhole(folder + "/" + entry, content) || !Decode(content, value)) continue;
    value.name = Unescape(std::string_view(entry).substr(1));
    out.push_back(std::move(value));
  }
  std::sort(out.begin(), out.end(), [](const StoredValue& a, const StoredValue& b) { return LessNoCase(a.name, b.name); });
  return out;
}

LONG ReadValue(const std::string& folder, std::u16string_view name, StoredValue& value) {
  if (!IsFolder(folder)) return ERROR_KEY_DELETED;
  std::string entry;
  if (!FindValueFile(folder, name, entry)) return ERROR_FILE_NOT_FOUND;
  std::string content;
  if (!ReadWhole(folder + "/" + entry, content)) return ERROR_FILE_NOT_FOUND;
  if (!Decode(content, value)) return ERROR_BADDB;
  value.name = Unescape(std::string_view(entry).substr(1));
  return ERROR_SUCCESS;
}

LONG WriteValue(const std::string& folder, std::u16string_view name, DWORD type, const BYTE* data, size_t size) {
  if (!IsFolder(folder)) return ERROR_KEY_DELETED;
  std::string entry;
  if (!FindValueFile(folder, name, entry) && !ValueFileName(name, entry)) return ERROR_INVALID_PARAMETER;
  std::string content = Encode(type, std::vector<BYTE>(data, data + size));
  std::string temp = PendingPath("value");
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ERROR_CANTWRITE;
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = done == content.size();
  close(fd);
  if (!ok || rename(temp.c_str(), (folder + "/" + entry).c_str()) != 0) {
    unlink(temp.c_str());
    return IsFolder(folder) ? ERROR_CANTWRITE : ERROR_KEY_DELETED;
  }
  return ERROR_SUCCESS;
}

LONG DeleteValue(const std::string& folder, std::u16string_view name) {
  if (!IsFolder(folder)) return ERROR_KEY_DELETED;
  std::string entry;
  if (!FindValueFile(folder, name, entry)) return ERROR_FILE_NOT_FOUND;
  if (unlink((folder + "/" + entry).c_str()) != 0) return ERROR_FILE_NOT_FOUND;
  return ERROR_SUCCESS;
}

LONG DeleteFolderTree(const std::string& folder) {
  std::string detached = PendingPath("tree");
  if (rename(folder.c_str(), detached.c_str()) != 0) return IsFolder(folder) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  std::error_code ec;
  fs::remove_all(detached, ec);
  return ERROR_SUCCESS;
}

LONG ClearFolder(const std::string& folder) {
  if (!IsFolder(folder)) return ERROR_KEY_DELETED;
  for (const std::string& entry : Entries(folder)) {
    std::string path = folder + "/" + entry;
    if (IsFolder(path)) {
      DeleteFolderTree(path);
    } else {
      unlink(path.c_str());
    }
  }
  return ERROR_SUCCESS;
}

FILETIME FolderWriteTime(const std::string& folder) {
  FILETIME out{0, 0};
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return out;
  // FILETIME counts 100 ns intervals from 1601; the host counts from 1970.
  uint64_t ticks = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                   static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100u;
  out.dwLowDateTime = static_cast<DWORD>(ticks);
  out.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return out;
}

}  // namespace plat::registry
