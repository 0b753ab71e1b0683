#include "ui/core/settings_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <win/files.h>
#include <win/shell.h>
#include <win/strings.h>

#include "ui/core/setting_stores.h"

namespace vm4k2ui {
namespace {

constexpr char kKeyObject[] = "object";
constexpr char kKeyType[] = "type";
constexpr char kKeyLen[] = "len";
constexpr char kKeyChildObjs[] = "childobjs";
constexpr char kKeyEndObj[] = "endobj";
constexpr size_t kFieldLimit = 128;
constexpr char kVersionValue[] = "1.001";

// Strict conversion: a name that is not valid UTF-16 cannot be stored or found.
bool ToUtf8Name(std::u16string_view name, std::string* out) {
  if (name.empty()) {
    out->clear();
    return true;
  }
  char buffer[kConfigNameBytes];
  int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), buffer,
                              static_cast<int>(sizeof(buffer) - 1), nullptr, nullptr);
  if (n <= 0) return false;
  out->assign(buffer, static_cast<size_t>(n));
  return true;
}

bool FromUtf8Name(std::string_view name, std::u16string* out) {
  out->clear();
  if (name.empty()) return true;
  WCHAR buffer[kConfigNameBytes];
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), buffer,
                              static_cast<int>(kConfigNameBytes));
  if (n <= 0) return false;
  out->assign(buffer, static_cast<size_t>(n));
  return true;
}

// Splits "object:NAME,type:TYPE,len:N,childobjs:M," into its four fields. The name runs to
// the first comma that is followed by the "type" key, so a name may itself hold commas.
bool SplitHeader(std::string_view header, std::string* name, std::string* type, long* len, long* children) {
  std::string_view rest = header.substr(std::strlen(kKeyObject));
  if (rest.empty() || rest[0] != ':') return false;
  rest.remove_prefix(1);
  size_t end = rest.find(",type:");
  if (end == std::string_view::npos || end >= kFieldLimit) return false;
  *name = std::string(rest.substr(0, end));
  rest.remove_prefix(end + 1);

  std::string_view fields[3];
  const char* keys[3] = {kKeyType, kKeyLen, kKeyChildObjs};
  for (int i = 0; i < 3; ++i) {
    size_t keyLen = std::strlen(keys[i]);
    if (rest.compare(0, keyLen, keys[i]) != 0 || rest.size() <= keyLen || rest[keyLen] != ':') return false;
    rest.remove_prefix(keyLen + 1);
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos || comma >= kFieldLimit) return false;
    fields[i] = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
  }
  *type = std::string(fields[0]);
  auto toLong = [](std::string_view text, long* out) {
    std::string s(text);
    char* stop = nullptr;
    long v = std::strtol(s.c_str(), &stop, 10);
    if (s.empty() || *stop != 0) return false;
    *out = v;
    return true;
  };
  return toLong(fields[1], len) && toLong(fields[2], children);
}

void AppendObject(const ConfigObject& object, std::string* out) {
  // An object with children writes no value, so its header must not announce one: a length
  // without its bytes would swallow the next header on reading.
  bool writesValue = object.children.empty() && !object.value.empty();
  int32_t len = writesValue ? static_cast<int32_t>(object.value.size()) : 0;
  // "<object:%s,type:%s,len:%d,childobjs:%d>", built piecewise so that a name is written
  // byte for byte as it was read.
  out->append("<").append(kKeyObject).append(":").append(object.name);
  out->append(",").append(kKeyType).append(":").append(object.type);
  out->append(",").append(kKeyLen).append(":").append(std::to_string(len));
  out->append(",").append(kKeyChildObjs).append(":").append(std::to_string(object.ChildCount())).append(">");
  if (writesValue) {
    out->append(reinterpret_cast<const char*>(object.value.data()), object.value.size());
  } else {
    out->push_back('\n');
  }
  for (const auto& child : object.children) AppendObject(*child, out);
  out->append("<").append(kKeyEndObj).append(">\n");
}

bool ReadWholeFile(const std::u16string& path, std::vector<uint8_t>* data, DWORD* error) {
  HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart < (1LL << 30);
  if (ok) {
    data->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < data->size()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(data->size() - done, 1 << 20));
      DWORD got = 0;
      ok = ReadFile(file, data->data() + done, chunk, &got, nullptr) && got > 0;
      done += got;
    }
  }
  *error = ok ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  return ok;
}

bool HasVersion(ConfigObject* root) { return root && ConfigObject::FindChildUtf8(root, "version") != nullptr; }

}  // namespace

// ---- tree operations ----------------------------------------------------------------

ConfigObject* ConfigObject::FindChildUtf8(ConfigObject* parent, std::string_view name) {
  if (!parent) return nullptr;
  for (auto& child : parent->children)
    if (child->name == name) return child.get();
  return nullptr;
}

ConfigObject* ConfigObject::FindChild(ConfigObject* parent, std::u16string_view name) {
  std::string utf8;
  if (!ToUtf8Name(name, &utf8)) return nullptr;
  return FindChildUtf8(parent, utf8);
}

ConfigObject* ConfigObject::AddChild(ConfigObject* parent, std::u16string_view name, std::string_view type,
                                     const void* value, int32_t length) {
  if (!parent) return nullptr;
  auto child = std::make_unique<ConfigObject>();
  if (!ToUtf8Name(name, &child->name)) return nullptr;
  child->type = std::string(type.substr(0, kFieldLimit - 1));
  if (value && length > 0) {
    const uint8_t* bytes = static_cast<const uint8_t*>(value);
    child->value.assign(bytes, bytes + length);
  }
  child->parent = parent;
  parent->children.push_back(std::move(child));
  return parent->children.back().get();
}

bool ConfigObject::RemoveChildUtf8(ConfigObject* parent, std::string_view name) {
  if (!parent) return false;
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if ((*it)->name == name) {
      parent->children.erase(it);
      return true;
    }
  }
  return false;
}

bool ConfigObject::RemoveChild(ConfigObject* parent, std::u16string_view name) {
  std::string utf8;
  return ToUtf8Name(name, &utf8) && RemoveChildUtf8(parent, utf8);
}

int ConfigObject::ChildNames(const ConfigObject* parent, NameList* rows, int count) {
  if (!parent || !rows) return 0;
  int copied = 0;
  int limit = std::min(count, rows->RowCount());
  for (const auto& child : parent->children) {
    if (copied >= limit) break;
    std::u16string name;
    if (!FromUtf8Name(child->name, &name)) continue;  // kept in the file, not offered by name
    rows->SetRow(copied++, name);
  }
  return copied;
}

// ---- parsing and writing ------------------------------------------------------------

SettingsParse ParseSettingsBytes(const uint8_t* data, size_t size) {
  SettingsParse result;
  ConfigObject* current = nullptr;
  std::string header;
  bool inHeader = false;
  size_t i = 0;
  while (i < size) {
    uint8_t byte = data[i++];
    if (!inHeader) {
      if (byte == '<') {
        inHeader = true;
        header.clear();
      }
      continue;
    }
    if (byte == '>') {
      bool ends = header.find(kKeyChildObjs) != std::string::npos || header.find(kKeyEndObj) != std::string::npos;
      if (!ends) {
        // A '>' inside a name: the header goes on.
        if (header.size() >= kConfigHeaderLimit) {
          inHeader = false;  // too long to be a header: resynchronise at the next '<'
        } else {
          header.push_back('>');
        }
        continue;
      }
      inHeader = false;
      header.push_back(',');
      if (header.compare(0, std::strlen(kKeyEndObj), kKeyEndObj) == 0) {
        if (!current) continue;
        if (current == result.root.get()) break;  // the root is closed: nothing after it belongs to the tree
        current = current->parent;
        continue;
      }
      if (header.compare(0, std::strlen(kKeyObject), kKeyObject) != 0) continue;
      auto object = std::make_unique<ConfigObject>();
      long len = 0, children = 0;
      if (!SplitHeader(header, &object->name, &object->type, &len, &children)) continue;
      if (len > 0) {
        // The length comes from the file: a value that would run past its end is not kept.
        if (static_cast<unsigned long>(len) > size - i) {
          result.truncated = true;
          break;
        }
        object->value.assign(data + i, data + i + len);
        i += static_cast<size_t>(len);
      }
      ConfigObject* added;
      if (!current) {
        if (result.root) break;
        result.root = std::move(object);
        added = result.root.get();
      } else {
        object->parent = current;
        current->children.push_back(std::move(object));
        added = current->children.back().get();
      }
      current = added;
      continue;
    }
    if (header.size() >= kConfigHeaderLimit) {
      inHeader = false;  // drop the runaway header and look for the next '<'
      if (byte == '<') {
        inHeader = true;
        header.clear();
      }
      continue;
    }
    header.push_back(static_cast<char>(byte));
  }
  return result;
}

std::string SerializeSettings(const ConfigObject& root) {
  std::string out;
  AppendObject(root, &out);
  return out;
}

std::unique_ptr<ConfigObject> NewSettingsTree() {
  auto root = std::make_unique<ConfigObject>();
  root->name = "cfgobj";
  root->type = "null";
  ConfigObject::AddChild(root.get(), u"version", "string", kVersionValue, sizeof(kVersionValue));
  return root;
}

bool GetSettingsFilePath(WCHAR* out, size_t capacity) {
  WCHAR folder[MAX_PATH] = {};
  if (!out || capacity == 0) return false;
  out[0] = 0;
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return false;
  std::u16string path(reinterpret_cast<const char16_t*>(folder));
  path += u"\\Velmor";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(path.c_str()), nullptr);
  path += u"\\vm4k2\\";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(path.c_str()), nullptr);
  path += u"k8100settings.dat";
  // A cut path would name another file: refuse instead.
  if (path.size() + 1 > capacity || path.size() + 1 > kSettingsPathUnits) return false;
  std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  return true;
}

// ---- the file -----------------------------------------------------------------------

std::unique_ptr<ConfigFile> ConfigFile::Open(std::u16string_view path) {
  auto file = std::unique_ptr<ConfigFile>(new ConfigFile);
  file->path_ = std::u16string(path);
  std::vector<uint8_t> data;
  DWORD error = ERROR_SUCCESS;
  if (ReadWholeFile(file->path_, &data, &error)) {
    SettingsParse parse = ParseSettingsBytes(data.data(), data.size());
    if (parse.root && HasVersion(parse.root.get())) {
      file->root_ = std::move(parse.root);
      return file;
    }
    // Unusable as a settings file: keep the user's bytes aside before starting anew.
    std::u16string backup = file->path_ + u".bak";
    if (!MoveFileExW(reinterpret_cast<LPCWSTR>(file->path_.c_str()), reinterpret_cast<LPCWSTR>(backup.c_str()),
                     MOVEFILE_REPLACE_EXISTING))
      return nullptr;
  } else if (error != ERROR_FILE_NOT_FOUND) {
    return nullptr;
  }
  file->root_ = NewSettingsTree();
  if (!Save(file.get())) return nullptr;
  return file;
}

bool ConfigFile::Save(ConfigFile* file) {
  if (!file || !file->root_) return false;
  std::string text = SerializeSettings(*file->root_);
  // The new tree goes to a file beside the old one and replaces it by rename, so a failed
  // or interrupted save leaves the previous file whole.
  std::u16string temp = file->path_ + u".new";
  HANDLE out = CreateFileW(reinterpret_cast<LPCWSTR>(temp.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  ok = FlushFileBuffers(out) && ok;
  ok = CloseHandle(out) && ok;
  if (ok) {
    ok = MoveFileExW(reinterpret_cast<LPCWSTR>(temp.c_str()), reinterpret_cast<LPCWSTR>(file->path_.c_str()),
                     MOVEFILE_REPLACE_EXISTING);
  }
  if (!ok) DeleteFileW(reinterpret_cast<LPCWSTR>(temp.c_str()));
  return ok;
}

SettingsFileLock::SettingsFileLock(std::u16string_view settingsPath) {
  std::u16string lockPath = std::u16string(settingsPath) + u".lock";
  file_ = CreateFileW(reinterpret_cast<LPCWSTR>(lockPath.c_str()), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    file_ = nullptr;
    return;
  }
  OVERLAPPED at{};
  held_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
}

SettingsFileLock::~SettingsFileLock() {
  if (!file_) return;
  if (held_) {
    OVERLAPPED at{};
    UnlockFileEx(file_, 0, 1, 0, &at);
  }
  CloseHandle(file_);
}

}  // namespace vm4k2ui
