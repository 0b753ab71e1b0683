// Resources of PE files inside the stand-in: the reader of the PE resource directory, the
// parsed forms of the resource kinds the windowing stand-in needs (dialog templates, menus,
// bitmaps, icons, manifests), and the bridge from a module handle to its resources.
//
// Every parser takes the resource's bytes with their size and checks each offset and length
// against them: the bytes come from files of the machine, which may be truncated or hostile.
// Parsed records own copies of everything, so they outlive the module they came from.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <win/base.h>

namespace plat {

// ---- Resource ids ----------------------------------------------------------------------

// A resource type or name: an ordinal (MAKEINTRESOURCEW) or a text. Texts are compared
// without case, as the platform stores them upper-cased.
struct ResourceId {
  bool isOrdinal = true;
  WORD ordinal = 0;
  std::u16string name;

  static ResourceId Ordinal(WORD id) { return ResourceId{true, id, {}}; }
  static ResourceId Name(std::u16string text) { return ResourceId{false, 0, std::move(text)}; }
  // From an LPCWSTR argument: MAKEINTRESOURCEW values, "#123" (an ordinal written as text)
  // and names.
  static ResourceId FromParam(LPCWSTR param);
  bool Matches(const ResourceId& other) const;
};

// Standard resource types (RT_*).
enum : WORD {
  kRtCursor = 1, kRtBitmap = 2, kRtIcon = 3, kRtMenu = 4, kRtDialog = 5, kRtString = 6,
  kRtAccelerator = 9, kRtRcData = 10, kRtMessageTable = 11, kRtGroupCursor = 12,
  kRtGroupIcon = 14, kRtVersion = 16, kRtManifest = 24,
};

// ---- The PE file and its resource directory -------------------------------------------

// One language's instance of a resource: where its bytes lie in the file.
struct ResourceEntry {
  WORD language = 0;
  uint32_t fileOffset = 0;
  uint32_t size = 0;
  uint32_t codePage = 0;
};
struct ResourceName {
  ResourceId id;
  std::vector<ResourceEntry> languages;
};
struct ResourceType {
  ResourceId id;
  std::vector<ResourceName> names;
};

// A PE file held read-only in memory for as long as a module uses it, with its resource
// directory flattened into types, names and languages.
class PeImage {
 public:
  // Parses `bytes` as a PE file. Headers that are not a PE file, or that point outside it,
  // give nullptr and ERROR_BAD_EXE_FORMAT. A resource directory that is malformed does not
  // refuse the file: the image then reports resourcesValid() false, and every resource
  // lookup fails with ERROR_RESOURCE_DATA_NOT_FOUND.
  static std::shared_ptr<const PeImage> Parse(std::span<const BYTE> bytes, DWORD* error);

  WORD machine() const { return machine_; }
  uint32_t entryPoint() const { return entryPoint_; }
  bool hasResources() const { return hasResources_; }
  bool resourcesValid() const { return resourcesValid_; }
  const std::vector<ResourceType>& types() const { return types_; }
  std::span<const BYTE> bytes() const { return {data_, size_}; }
  std::span<const BYTE> Data(const ResourceEntry& entry) const { return {data_ + entry.fileOffset, entry.size}; }

  // Lookups; on failure they return nullptr and leave the platform's error code in *error:
  // ERROR_RESOURCE_DATA_NOT_FOUND (no usable resource directory), ERROR_RESOURCE_TYPE_NOT_FOUND,
  // ERROR_RESOURCE_NAME_NOT_FOUND or ERROR_RESOURCE_LANG_NOT_FOUND.
  const ResourceName* FindName(const ResourceId& type, const ResourceId& name, DWORD* error) const;
  // language 0 (neutral) picks as FindResourceW does: neutral, then the preferred language,
  // its primary language, English (US), then the first one stored. Any other language must
  // be stored exactly, or with its primary language and a neutral sublanguage.
  const ResourceEntry* Find(const ResourceId& type, const ResourceId& name, WORD language, WORD preferred,
                            DWORD* error) const;

  PeImage(const PeImage&) = delete;
  PeImage& operator=(const PeImage&) = delete;
  ~PeImage();

 private:
  PeImage() = default;
  BYTE* data_ = nullptr;  // a read-only mapping: writes through a resource pointer fault
  size_t size_ = 0;
  size_t mapped_ = 0;
  WORD machine_ = 0;
  uint32_t entryPoint_ = 0;
  bool hasResources_ = false;
  bool resourcesValid_ = false;
  std::vector<ResourceType> types_;
};

// ---- Parsed resources ------------------------------------------------------------------

// A control of a dialog template. Coordinates are dialog units. `className` is an ordinal
// for the predefined classes (0x80 button, 0x81 edit, 0x82 static, 0x83 list box,
// 0x84 scroll bar, 0x85 combo box) or a registered class name; `text` is a text or an
// ordinal (the resource id of a static icon or bitmap).
struct DialogControl {
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;  // a WORD in DLGTEMPLATE, a DWORD in DLGTEMPLATEEX
  ResourceId className;
  ResourceId text;
  std::vector<BYTE> creationData;
};

// A dialog template, DLGTEMPLATE or DLGTEMPLATEEX alike.
struct DialogTemplate {
  bool extended = false;
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  SHORT x = 0, y = 0, cx = 0, cy = 0;
  bool hasMenu = false;
  ResourceId menu;
  bool hasClass = false;
  ResourceId windowClass;
  std::u16string title;
  bool hasFont = false;  // DS_SETFONT (or DS_SHELLFONT)
  WORD pointSize = 0;
  WORD weight = 0;      // DLGTEMPLATEEX only
  BYTE italic = 0;      // DLGTEMPLATEEX only
  BYTE charset = 0;     // DLGTEMPLATEEX only
  std::u16string typeface;
  std::vector<DialogControl> controls;
};

// The name of a predefined control class ordinal ("Button", "Edit", ...), or empty.
std::u16string PredefinedClassName(WORD ordinal);

// A menu item; a pop-up holds its items in `children`. `type` and `state` are the MFT_/MFS_
// values (for a standard template they are derived from its MF_ option word).
struct MenuItem {
  DWORD type = 0;
  DWORD state = 0;
  DWORD id = 0;
  DWORD helpId = 0;  // MENUEX pop-ups only
  bool popup = false;
  std::u16string text;
  std::vector<MenuItem> children;
};
struct MenuTemplate {
  bool extended = false;  // MENUEX
  DWORD helpId = 0;
  std::vector<MenuItem> items;
};

// A device-independent bitmap: RT_BITMAP, or one image of an icon. `info` is the header
// normalised to a 40-byte BITMAPINFOHEADER followed by the colour table (and the three
// masks of BI_BITFIELDS); `bits` holds the rows, bottom-up unless height < 0.
struct DibImage {
  LONG width = 0;
  LONG height = 0;  // as stored: negative for top-down rows
  WORD bitCount = 0;
  DWORD compression = 0;  // BI_RGB (0) or BI_BITFIELDS (3)
  DWORD colorsUsed = 0;   // entries in the colour table
  size_t stride = 0;      // bytes per row, a multiple of 4
  std::vector<BYTE> info;
  std::vector<BYTE> bits;
};

// One entry of an icon group (RT_GROUP_ICON).
struct IconDirEntry {
  int width = 0;   // 0 in the file means 256
  int height = 0;
  WORD colorCount = 0;
  WORD planes = 0;
  WORD bitCount = 0;
  DWORD bytesInRes = 0;
  WORD iconId = 0;  // the RT_ICON ordinal
};
// One icon image (RT_ICON): the colour bitmap and its AND mask (1 bit per pixel, bottom-up),
// or a PNG stream kept as it is.
struct IconImage {
  bool png = false;
  std::vector<BYTE> pngBytes;
  DibImage color;
  std::vector<BYTE> mask;
  size_t maskStride = 0;
};

// Parsers of the resource kinds; nullopt when the bytes are malformed.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> bytes);
std::optional<MenuTemplate> ParseMenuTemplate(std::span<const BYTE> bytes);
// `bytes` is a DIB as RT_BITMAP stores it (a header, colours and rows, no file header).
std::optional<DibImage> ParseDib(std::span<const BYTE> bytes);
std::optional<std::vector<IconDirEntry>> ParseIconGroup(std::span<const BYTE> bytes);
std::optional<IconImage> ParseIconImage(std::span<const BYTE> bytes);
// The entry of a group that suits a cx x cy icon best (the nearest size, then the deepest
// colour), as LookupIconIdFromDirectoryEx picks; -1 for an empty group.
int PickIconEntry(const std::vector<IconDirEntry>& entries, int cx, int cy);
// String `index` (0 to 15) of an RT_STRING block; nullopt when the block is malformed, an
// empty view for a string the block leaves out.
std::optional<std::u16string_view> StringFromBlock(std::span<const BYTE> block, unsigned index);

// ---- Resources of a loaded module -------------------------------------------------------

// The PE image of a module handle: satellite libraries and other PE files loaded by
// LoadLibraryW or as data files. nullptr for a code module, a system library or an unknown
// handle; *error then says why (ERROR_RESOURCE_DATA_NOT_FOUND: the module has no resources).
std::shared_ptr<const PeImage> ModuleImage(HMODULE module, DWORD* error);

// Tells every library still attached that the process is ending (DLL_PROCESS_DETACH with
// lpReserved non-NULL), once, as ExitProcess and the end of main do.
void DetachModulesForExit();

// The bytes of one resource of a module, found as FindResourceW finds it, valid while the
// module stays loaded. Sets the last error on failure.
std::optional<std::span<const BYTE>> ModuleResourceBytes(HMODULE module, const ResourceId& type,
                                                         const ResourceId& name);

// Loaders for the windowing stand-in (CreateDialogParamW, LoadMenuW, LoadBitmapW, LoadIconW
// and LoadImageW). They set the last error as FindResourceW does, and ERROR_INVALID_DATA
// when the resource is found but malformed.
std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, LPCWSTR name);
std::optional<MenuTemplate> LoadMenuTemplate(HMODULE module, LPCWSTR name);
std::optional<DibImage> LoadBitmapResource(HMODULE module, LPCWSTR name);
// The group's best image for cx x cy (0, 0: the system icon size 32 x 32).
std::optional<IconImage> LoadIconResource(HMODULE module, LPCWSTR groupName, int cx, int cy);

// The manifest (RT_MANIFEST) text of the activation context active on the calling thread,
// or empty when none is active or the active one is the system default.
std::string ActiveManifest();

}  // namespace plat
