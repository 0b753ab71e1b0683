// A satellite library loaded into a fresh machine the way the user-interface library loads it
// (from the driver folder, as a resource module), and the dialog templates read from it as
// bytes through the resource functions.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <win/modules.h>
#include <win/resources.h>

#include "temp_machine.h"

namespace satellitetest {

// One control of a DLGTEMPLATEEX, as the dialog manager is given it.
struct TemplateControl {
  DWORD id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::u16string className;  // the predefined classes by name ("Button"), others as written
  std::u16string text;
  short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplateBytes {
  DWORD style = 0;
  DWORD exStyle = 0;
  short cx = 0, cy = 0;
  std::u16string title;
  std::vector<TemplateControl> controls;
  const TemplateControl* Find(DWORD id) const {
    for (const TemplateControl& c : controls)
      if (c.id == id) return &c;
    return nullptr;
  }
};

// Reads the documented DLGTEMPLATEEX layout; nullopt for anything malformed or of the older
// DLGTEMPLATE form (every satellite template is extended).
inline std::optional<DialogTemplateBytes> ParseExtendedTemplate(std::span<const BYTE> bytes) {
  size_t at = 0;
  bool bad = false;
  auto word = [&]() -> WORD {
    if (at + 2 > bytes.size()) { bad = true; return 0; }
    WORD w = static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8));
    at += 2;
    return w;
  };
  auto dword = [&]() -> DWORD { DWORD lo = word(); DWORD hi = word(); return lo | (hi << 16); };
  auto text = [&]() {
    std::u16string s;
    for (WORD w = word(); !bad && w != 0; w = word()) s.push_back(static_cast<char16_t>(w));
    return s;
  };
  auto nameOrOrdinal = [&]() -> std::u16string {
    WORD first = word();
    if (bad || first == 0) return {};
    if (first == 0xFFFF) {
      switch (word()) {
        case 0x80: return u"Button";
        case 0x81: return u"Edit";
        case 0x82: return u"Static";
        case 0x83: return u"ListBox";
        case 0x84: return u"ScrollBar";
        case 0x85: return u"ComboBox";
        default: return u"#ordinal";
      }
    }
    std::u16string s(1, static_cast<char16_t>(first));
    s += text();
    return s;
  };
  DialogTemplateBytes t;
  if (word() != 1 || word() != 0xFFFF) return std::nullopt;
  dword();  // help id
  t.exStyle = dword();
  t.style = dword();
  WORD count = word();
  word();
  word();
  t.cx = static_cast<short>(word());
  t.cy = static_cast<short>(word());
  nameOrOrdinal();  // menu
  nameOrOrdinal();  // class
  t.title = text();
  if (t.style & 0x40L) {  // DS_SETFONT: point size, weight, italic and charset, typeface
    word();
    word();
    word();
    text();
  }
  for (WORD i = 0; i < count && !bad; ++i) {
    at = (at + 3) & ~size_t{3};
    TemplateControl c;
    dword();  // help id
    c.exStyle = dword();
    c.style = dword();
    c.x = static_cast<short>(word());
    c.y = static_cast<short>(word());
    c.cx = static_cast<short>(word());
    c.cy = static_cast<short>(word());
    c.id = dword();
    c.className = nameOrOrdinal();
    c.text = nameOrOrdinal();
    WORD extra = word();
    at += extra;
    t.controls.push_back(c);
  }
  if (bad || at > bytes.size() + 3) return std::nullopt;
  return t;
}

class SatelliteTest : public ::testing::Test {
 protected:
  // Copies a built satellite into the machine's driver folder and loads it as a data file.
  HMODULE Load(const std::string& builtFile) {
    namespace fs = std::filesystem;
    const fs::path source(builtFile);
    const fs::path folder = machine_.Host("drives/C/Windows/System32/spool/drivers/x64/3");
    fs::create_directories(folder);
    fs::copy_file(source, folder / source.filename(), fs::copy_options::overwrite_existing);
    const std::string name = source.filename().string();
    std::u16string path = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\";
    path.append(name.begin(), name.end());
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr) << builtFile << " error " << GetLastError();
    return module;
  }
  static std::span<const BYTE> Bytes(HMODULE module, WORD id, LPCWSTR type) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
  }
  static std::optional<DialogTemplateBytes> Template(HMODULE module, WORD id) {
    std::span<const BYTE> bytes = Bytes(module, id, RT_DIALOG);
    if (bytes.empty()) return std::nullopt;
    return ParseExtendedTemplate(bytes);
  }
  static std::u16string String(HMODULE module, UINT id) {
    WCHAR buffer[1024];
    int n = LoadStringW(module, id, buffer, 1024);
    return std::u16string(buffer, n > 0 ? n : 0);
  }

  testsupport::TempMachine machine_;
};

}  // namespace satellitetest
