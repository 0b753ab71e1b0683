// The per-user settings file "k8100settings.dat": a text tree of named objects whose values
// are raw bytes. The favourites, custom paper and watermark stores keep their entries in it.
//
// An object is written as its header "<object:NAME,type:TYPE,len:N,childobjs:M>", followed
// directly by N value bytes when N > 0 (otherwise by a line feed), then its M children, then
// "<endobj>\n". Value bytes are counted, never scanned, so a value may hold any bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <win/base.h>

namespace vm4k2ui {

inline constexpr size_t kSettingsPathUnits = 260;
inline constexpr size_t kConfigNameBytes = 128;     // UTF-8 name with its terminator
inline constexpr size_t kConfigHeaderLimit = 255;   // longest header the parser collects
inline constexpr int kNameListRows = 32;
inline constexpr int kNameListWidth = 64;           // UTF-16 units with the terminator

struct NameList;

struct ConfigObject {
  std::string name;                 // UTF-8 as stored (may be invalid UTF-8 in a damaged file)
  std::string type;                 // "string", "binary" or "null"
  std::vector<uint8_t> value;       // empty: no value
  ConfigObject* parent = nullptr;
  std::vector<std::unique_ptr<ConfigObject>> children;

  // The child count written to the file is always the number of children held, whatever
  // the header that was read said.
  int32_t ChildCount() const { return static_cast<int32_t>(children.size()); }

  static ConfigObject* FindChild(ConfigObject* parent, std::u16string_view name);
  static ConfigObject* FindChildUtf8(ConfigObject* parent, std::string_view name);
  static ConfigObject* AddChild(ConfigObject* parent, std::u16string_view name, std::string_view type,
                                const void* value, int32_t length);
  static bool RemoveChild(ConfigObject* parent, std::u16string_view name);
  static bool RemoveChildUtf8(ConfigObject* parent, std::string_view name);
  // Names of the children that are valid UTF-8, in file order, cut to the list's row width;
  // at most `count` of them. Returns the number copied.
  static int ChildNames(const ConfigObject* parent, NameList* rows, int count);
};

// What a parse of the file's bytes found.
struct SettingsParse {
  std::unique_ptr<ConfigObject> root;  // none when the root's header was never completed
  bool truncated = false;              // a value ran past the end; the object was dropped
};

SettingsParse ParseSettingsBytes(const uint8_t* data, size_t size);
std::string SerializeSettings(const ConfigObject& root);
// The tree of a new file: "cfgobj" holding "version" = "1.001" and its terminator.
std::unique_ptr<ConfigObject> NewSettingsTree();

// "<APPDATA>\Velmor\vm4k2\k8100settings.dat", creating the two folders. False when the
// folder cannot be found or made, or the path would not fit in `capacity` units.
bool GetSettingsFilePath(WCHAR* out, size_t capacity);

class ConfigFile {
 public:
  // Opens and parses the file, creating it as a new file first when it does not exist.
  // A file without a root or without "version" is moved aside to "<file>.bak" and started
  // anew, so nothing the user stored is destroyed without a copy. None when the file can be
  // neither read nor created.
  static std::unique_ptr<ConfigFile> Open(std::u16string_view path);
  // Writes the whole tree beside the file and renames it over the file. False on any
  // failure; the old file is then left as it was.
  static bool Save(ConfigFile* file);
  static void Close(std::unique_ptr<ConfigFile> file) { file.reset(); }

  ConfigObject* root() const { return root_.get(); }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
  std::unique_ptr<ConfigObject> root_;
};

// Exclusive hold on the settings file for one open-modify-save, across threads and
// processes: a lock on a companion file "<file>.lock" in the same folder (the settings file
// itself is replaced by every save, which would drop a lock held on it).
class SettingsFileLock {
 public:
  explicit SettingsFileLock(std::u16string_view settingsPath);
  ~SettingsFileLock();
  SettingsFileLock(const SettingsFileLock&) = delete;
  SettingsFileLock& operator=(const SettingsFileLock&) = delete;
  bool held() const { return held_; }

 private:
  HANDLE file_ = nullptr;
  bool held_ = false;
};

}  // namespace vm4k2ui
