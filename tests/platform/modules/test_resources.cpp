// Resources of PE files built from .rc scripts: FindResourceW and its family, LoadStringW,
// and the parsed dialog templates, menus, bitmaps and icons the windowing stand-in is given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <win/modules.h>
#include <win/resources.h>

#include "internal/resources.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace fs = std::filesystem;
using testsupport::kErrorMarker;

namespace {

class Resources : public ::testing::Test {
 protected:
  // Places a host file in the machine's driver folder and loads it the way the user-interface
  // library loads its satellite library.
  HMODULE Load(const std::string& hostFile, const char16_t* name, DWORD flags = LOAD_LIBRARY_AS_DATAFILE) {
    fs::path target = machine_.Host("drives/C/Windows/System32/spool/drivers/x64/3") / fs::path(hostFile).filename();
    fs::create_directories(target.parent_path());
    fs::copy_file(hostFile, target, fs::copy_options::overwrite_existing);
    std::u16string path = std::u16string(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\") + name;
    return LoadLibraryExW(path.c_str(), nullptr, flags);
  }
  static std::span<const BYTE> Bytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
  }
  static std::u16string String(HMODULE module, UINT id) {
    WCHAR buffer[256];
    int n = LoadStringW(module, id, buffer, 256);
    return std::u16string(buffer, n > 0 ? n : 0);
  }

  testsupport::TempMachine machine_;
};

TEST_F(Resources, EnglishSatelliteGivesStringsDialogAndVersion) {
  HMODULE satellite = Load(UI_SATELLITE, u"vm4k2enus.dll");
  ASSERT_NE(satellite, nullptr) << GetLastError();
  struct Case {
    UINT id;
    const char16_t* text;
  } strings[] = {{116, u"A4"}, {108, u"Letter"}, {4017, u"Automatically Select"}, {274, u"Device Settings"}};
  for (const Case& c : strings) EXPECT_EQ(String(satellite, c.id), c.text) << c.id;
  // The names the settings model cuts to fit stay within their fields.
  EXPECT_LE(String(satellite, 146).size(), 32u);
  EXPECT_LE(String(satellite, 202).size(), 32u);
  for (UINT bin : {4017u, 4018u, 4019u}) EXPECT_LE(String(satellite, bin).size(), 23u);

  std::optional<plat::DialogTemplate> page = plat::ParseDialogTemplate(Bytes(satellite, MAKEINTRESOURCEW(651), RT_DIALOG));
  ASSERT_TRUE(page.has_value());
  EXPECT_TRUE(page->extended);
  EXPECT_EQ(page->cx, 252);
  EXPECT_EQ(page->cy, 218);
  EXPECT_EQ(page->typeface, u"MS Shell Dlg");
  std::vector<DWORD> ids;
  for (const plat::DialogControl& c : page->controls) ids.push_back(c.id);
  for (DWORD wanted : {1248u, 1249u, 1252u, 1255u, 1393u, 1447u, 1448u, 1455u})
    EXPECT_NE(std::find(ids.begin(), ids.end(), wanted), ids.end()) << wanted;

  std::span<const BYTE> version = Bytes(satellite, MAKEINTRESOURCEW(1), RT_VERSION);
  ASSERT_GT(version.size(), 92u);
  EXPECT_EQ(version[0] | (version[1] << 8), static_cast<int>(version.size()));
  EXPECT_TRUE(FreeLibrary(satellite));
}

TEST_F(Resources, SatelliteLoadsAsAResourceModuleWithLoadLibraryW) {
  HMODULE satellite = Load(UI_SATELLITE, u"vm4k2enus.dll", 0);
  ASSERT_NE(satellite, nullptr) << GetLastError();
  EXPECT_EQ(String(satellite, 116), u"A4");
  EXPECT_EQ(GetModuleHandleW(u"vm4k2enus.dll"), satellite);
  WCHAR path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(satellite, path, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(path), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2enus.dll");
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetProcAddress(satellite, "DllMain"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(satellite));
}

TEST_F(Resources, LoadStringFollowsTheBlocksOfSixteen) {
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  ASSERT_NE(module, nullptr);
  struct Case {
    UINT id;
    int cch;
    int result;
    DWORD error;
    std::u16string text;
  } cases[] = {
      {1, 256, 3, kErrorMarker, u"One"},
      {15, 256, 7, kErrorMarker, u"Fifteen"},
      {16, 256, 7, kErrorMarker, u"Sixteen"},
      {40, 256, 28, kErrorMarker, u"Forty, in a block of its own"},
      {15, 4, 3, kErrorMarker, u"Fif"},          // cut to the buffer, terminated
      {15, 1, 0, kErrorMarker, u""},
      {2, 256, 0, ERROR_RESOURCE_NAME_NOT_FOUND, u""},   // a gap in a stored block
      {100, 256, 0, ERROR_RESOURCE_NAME_NOT_FOUND, u""}, // no block at all
  };
  for (const Case& c : cases) {
    WCHAR buffer[257];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    SetLastError(kErrorMarker);
    EXPECT_EQ(LoadStringW(module, c.id, buffer, c.cch), c.result) << c.id;
    EXPECT_EQ(GetLastError(), c.error) << c.id;
    EXPECT_EQ(std::u16string(buffer), c.text) << c.id;
    EXPECT_EQ(buffer[c.cch], u'#');
  }
  // A zero length asks for a pointer to the read-only text itself.
  const WCHAR* direct = nullptr;
  EXPECT_EQ(LoadStringW(module, 16, reinterpret_cast<LPWSTR>(&direct), 0), 7);
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(std::u16string(direct, 7), u"Sixteen");
  FreeLibrary(module);
}

TEST_F(Resources, FindResourceReportsWhatIsMissing) {
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  ASSERT_NE(module, nullptr);
  struct Case {
    LPCWSTR name;
    LPCWSTR type;
    DWORD error;
  } cases[] = {
      {MAKEINTRESOURCEW(100), RT_DIALOG, 0},
      {u"#100", RT_DIALOG, 0},
      {u"watermark_picture", RT_BITMAP, 0},  // names are compared without case
      {MAKEINTRESOURCEW(999), RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEW(1), RT_ACCELERATOR, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {u"NOSUCH", RT_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    HRSRC found = FindResourceW(module, c.name, c.type);
    EXPECT_EQ(found != nullptr, c.error == 0);
    if (c.error) {
      EXPECT_EQ(GetLastError(), c.error);
    }
  }
  // One resource stored in two languages.
  auto rcdata = [&](WORD language) -> std::string {
    HRSRC found = FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCEW(500), language);
    if (!found) return "missing " + std::to_string(GetLastError());
    return static_cast<const char*>(LockResource(LoadResource(module, found)));
  };
  EXPECT_EQ(rcdata(0x0409), "English");
  EXPECT_EQ(rcdata(0x0407), "Deutsch");
  EXPECT_EQ(rcdata(0x0007), "Deutsch");
  EXPECT_EQ(rcdata(0), "English");
  EXPECT_EQ(rcdata(0x040C), "missing 1815");
  // Without a language, the user's interface language is preferred to English.
  PlatformTest_SetControl("UserLanguage", "0x0407", FALSE);
  EXPECT_EQ(rcdata(0), "Deutsch");
  PlatformTest_SetControl("UserLanguage", "0x0411", FALSE);
  EXPECT_EQ(rcdata(0), "English");

  // A code module has no resource section.
  SetLastError(kErrorMarker);
  EXPECT_EQ(FindResourceW(GetModuleHandleW(u"kernel32.dll"), MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  // An HRSRC of one module is not taken by another.
  HRSRC dialog = FindResourceW(module, MAKEINTRESOURCEW(100), RT_DIALOG);
  HMODULE other = Load(UI_SATELLITE, u"vm4k2enus.dll");
  SetLastError(kErrorMarker);
  EXPECT_EQ(SizeofResource(other, dialog), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  FreeLibrary(other);
  FreeLibrary(module);
}

TEST_F(Resources, DialogTemplatesParseIntoControls) {
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  ASSERT_NE(module, nullptr);
  std::optional<plat::DialogTemplate> classic = plat::ParseDialogTemplate(Bytes(module, MAKEINTRESOURCEW(100), RT_DIALOG));
  ASSERT_TRUE(classic.has_value());
  EXPECT_FALSE(classic->extended);
  EXPECT_EQ(classic->title, u"Classic");
  EXPECT_EQ(classic->typeface, u"MS Sans Serif");
  EXPECT_EQ(classic->pointSize, 8);
  EXPECT_EQ(std::vector<SHORT>({classic->x, classic->y, classic->cx, classic->cy}), std::vector<SHORT>({10, 20, 180, 90}));
  ASSERT_EQ(classic->controls.size(), 3u);
  struct Expected {
    DWORD id;
    WORD classOrdinal;
    SHORT x, y, cx, cy;
  } expected[] = {{1, 0x80, 120, 70, 50, 14}, {1001, 0x81, 10, 10, 100, 12}, {1002, 0x82, 10, 40, 0, 0}};  // an icon takes its own size
  for (size_t i = 0; i < 3; ++i) {
    const plat::DialogControl& c = classic->controls[i];
    EXPECT_EQ(c.id, expected[i].id);
    EXPECT_TRUE(c.className.isOrdinal);
    EXPECT_EQ(c.className.ordinal, expected[i].classOrdinal);
    EXPECT_EQ(std::vector<SHORT>({c.x, c.y, c.cx, c.cy}),
              std::vector<SHORT>({expected[i].x, expected[i].y, expected[i].cx, expected[i].cy}));
  }
  EXPECT_EQ(classic->controls[0].text.name, u"OK");
  EXPECT_TRUE(classic->controls[2].text.isOrdinal);  // the icon's resource id
  EXPECT_EQ(classic->controls[2].text.ordinal, 7);
  EXPECT_EQ(classic->controls[2].style & 0xF, 3u);   // SS_ICON

  std::optional<plat::DialogTemplate> ex = plat::ParseDialogTemplate(Bytes(module, MAKEINTRESOURCEW(101), RT_DIALOG));
  ASSERT_TRUE(ex.has_value());
  EXPECT_TRUE(ex->extended);
  EXPECT_EQ(ex->exStyle, 0x400u);
  EXPECT_TRUE(ex->hasMenu);
  EXPECT_EQ(ex->menu.ordinal, 200);
  EXPECT_EQ(ex->weight, 700);
  EXPECT_EQ(ex->italic, 1);
  EXPECT_EQ(ex->typeface, u"Segoe UI");
  ASSERT_EQ(ex->controls.size(), 3u);
  EXPECT_TRUE(ex->controls[0].className.Matches(plat::ResourceId::Name(u"SysListView32")));
  EXPECT_EQ(ex->controls[0].exStyle, 0x200u);
  EXPECT_EQ(ex->controls[0].helpId, 77u);
  EXPECT_EQ(ex->controls[1].id, 65535u);
  EXPECT_EQ(plat::PredefinedClassName(ex->controls[2].className.ordinal), u"ComboBox");

  FreeLibrary(module);
}

TEST_F(Resources, TruncatedDialogTemplatesAreRefused) {
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  for (WORD id : {100, 101}) {
    std::span<const BYTE> bytes = Bytes(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    ASSERT_FALSE(bytes.empty());
    // Every cut before the last control's text is refused, none reads past the cut.
    for (size_t cut = 0; cut + 8 < bytes.size(); ++cut) {
      std::vector<BYTE> copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      EXPECT_FALSE(plat::ParseDialogTemplate(copy).has_value()) << id << " cut at " << cut;
    }
  }
  FreeLibrary(module);
}

TEST_F(Resources, MenusParseIntoItemTrees) {
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  std::optional<plat::MenuTemplate> menu = plat::ParseMenuTemplate(Bytes(module, MAKEINTRESOURCEW(200), RT_MENU));
  ASSERT_TRUE(menu.has_value());
  EXPECT_FALSE(menu->extended);
  ASSERT_EQ(menu->items.size(), 2u);
  const plat::MenuItem& file = menu->items[0];
  EXPECT_TRUE(file.popup);
  EXPECT_EQ(file.text, u"&File");
  ASSERT_EQ(file.children.size(), 3u);
  EXPECT_EQ(file.children[0].id, 300u);
  EXPECT_EQ(file.children[1].type & 0x800u, 0x800u);  // MFT_SEPARATOR
  EXPECT_EQ(file.children[2].state & 0x3u, 0x3u);      // MFS_DISABLED (grayed)
  EXPECT_EQ(menu->items[1].id, 302u);
  EXPECT_EQ(menu->items[1].state & 0x8u, 0x8u);        // MFS_CHECKED

  std::optional<plat::MenuTemplate> ex = plat::ParseMenuTemplate(Bytes(module, MAKEINTRESOURCEW(201), RT_MENU));
  ASSERT_TRUE(ex.has_value());
  EXPECT_TRUE(ex->extended);
  ASSERT_EQ(ex->items.size(), 2u);
  EXPECT_TRUE(ex->items[0].popup);
  EXPECT_EQ(ex->items[0].id, 400u);
  EXPECT_EQ(ex->items[0].helpId, 55u);
  ASSERT_EQ(ex->items[0].children.size(), 1u);
  EXPECT_EQ(ex->items[0].children[0].text, u"&Status");
  EXPECT_EQ(ex->items[1].id, 402u);
  FreeLibrary(module);
}

// Extended menu templates too short for their header or for the offset they give are refused
// without reading past their bytes (a satellite library is outside input).
TEST(MenuTemplates, ShortExtendedTemplatesAreRefused) {
  const std::vector<std::vector<BYTE>> cases = {
      {0x01, 0x00, 0x04, 0x00},                          // no help id, offset to nothing
      {0x01, 0x00, 0x04, 0x00, 0x00, 0x00},              // half a help id
      {0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00},  // offset past the end
  };
  for (const std::vector<BYTE>& bytes : cases) {
    EXPECT_FALSE(plat::ParseMenuTemplate(std::span<const BYTE>(bytes)).has_value()) << bytes.size() << " bytes";
  }
  // A header with its help id and no items is an empty menu.
  const std::vector<BYTE> empty = {0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  std::optional<plat::MenuTemplate> menu = plat::ParseMenuTemplate(std::span<const BYTE>(empty));
  ASSERT_TRUE(menu.has_value());
  EXPECT_TRUE(menu->items.empty());
}

TEST_F(Resources, BitmapsAndIconsParseIntoDibs) {
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  std::optional<plat::DibImage> bitmap = plat::ParseDib(Bytes(module, MAKEINTRESOURCEW(300), RT_BITMAP));
  ASSERT_TRUE(bitmap.has_value());
  EXPECT_EQ(bitmap->width, 3);
  EXPECT_EQ(bitmap->height, 2);
  EXPECT_EQ(bitmap->bitCount, 4);
  EXPECT_EQ(bitmap->colorsUsed, 16u);
  EXPECT_EQ(bitmap->stride, 4u);
  ASSERT_EQ(bitmap->info.size(), 40u + 16 * 4);
  EXPECT_EQ(bitmap->info[40 + 4 * 2 + 0], 255 - 32);  // colour 2's blue
  EXPECT_EQ(bitmap->bits, std::vector<BYTE>({0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}));

  std::optional<std::vector<plat::IconDirEntry>> group = plat::ParseIconGroup(Bytes(module, MAKEINTRESOURCEW(7), RT_GROUP_ICON));
  ASSERT_TRUE(group.has_value());
  ASSERT_EQ(group->size(), 2u);
  EXPECT_EQ((*group)[plat::PickIconEntry(*group, 16, 16)].width, 16);
  EXPECT_EQ((*group)[plat::PickIconEntry(*group, 32, 32)].width, 32);
  EXPECT_EQ((*group)[plat::PickIconEntry(*group, 48, 48)].width, 32);
  WORD bigId = (*group)[plat::PickIconEntry(*group, 32, 32)].iconId;
  std::optional<plat::IconImage> icon = plat::ParseIconImage(Bytes(module, MAKEINTRESOURCEW(bigId), RT_ICON));
  ASSERT_TRUE(icon.has_value());
  EXPECT_FALSE(icon->png);
  EXPECT_EQ(icon->color.width, 32);
  EXPECT_EQ(icon->color.height, 32);
  EXPECT_EQ(icon->color.bits.size(), 32u * 32 * 4);
  EXPECT_EQ(icon->mask.size(), 4u * 32);
  EXPECT_EQ(icon->color.bits[0], 32);  // the fixture paints each image with its size as blue
  FreeLibrary(module);
}

TEST_F(Resources, MalformedBitmapHeadersAreRefused) {
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    int width;
  } cases[] = {
      {"huge width", 4, 0x7FFFFFFF, 4}, {"zero height", 8, 0, 4}, {"bit count 7", 14, 7, 2},
      {"RLE compression", 16, 2, 4},    {"planes 2", 12, 2, 2},   {"header size past the data", 0, 4000, 4},
  };
  HMODULE module = Load(SAMPLE_RESOURCES, u"sample_resources.dll");
  std::span<const BYTE> bytes = Bytes(module, MAKEINTRESOURCEW(300), RT_BITMAP);
  ASSERT_FALSE(bytes.empty());
  for (const Case& c : cases) {
    std::vector<BYTE> copy(bytes.begin(), bytes.end());
    for (int k = 0; k < c.width; ++k) copy[c.offset + k] = static_cast<BYTE>(c.value >> (8 * k));
    EXPECT_FALSE(plat::ParseDib(copy).has_value()) << c.what;
  }
  for (size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_FALSE(plat::ParseDib(std::vector<BYTE>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut))).has_value());
  FreeLibrary(module);
}

TEST_F(Resources, MalformedResourceDirectoriesAreRefusedWithoutReadingOutside) {
  std::ifstream in(SAMPLE_RESOURCES, std::ios::binary);
  std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(file.size(), 0x200u);
  DWORD error = 0;
  ASSERT_NE(plat::PeImage::Parse(file, &error), nullptr);
  // Every truncation either is refused as a PE file or leaves a directory that reads only
  // within the cut; the sanitizer build checks the "within".
  size_t refused = 0;
  for (size_t cut = 0; cut < file.size(); cut += 7) {
    std::vector<BYTE> copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    std::shared_ptr<const plat::PeImage> image = plat::PeImage::Parse(copy, &error);
    if (!image) {
      EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
      ++refused;
      continue;
    }
    for (const plat::ResourceType& t : image->types())
      for (const plat::ResourceName& n : t.names)
        for (const plat::ResourceEntry& e : n.languages) EXPECT_LE(e.fileOffset + e.size, copy.size());
  }
  EXPECT_GT(refused, 0u);

  // A library cut inside its resource section loads, and its lookups report no resources.
  std::vector<BYTE> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
  fs::path target = machine_.Host("drives/C/Windows/System32/cut_resources.dll");
  fs::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
  HMODULE module = LoadLibraryExW(u"cut_resources.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module) {
    SetLastError(kErrorMarker);
    WCHAR buffer[16];
    EXPECT_EQ(LoadStringW(module, 1, buffer, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    FreeLibrary(module);
  } else {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  }
}

}  // namespace
