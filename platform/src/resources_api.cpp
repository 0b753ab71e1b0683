// FindResourceW, FindResourceExW, LoadResource, LockResource, SizeofResource, LoadStringW,
// and the loaders of parsed resources for the windowing stand-in.
//
// An HRSRC is the address of the resource's entry in its module's directory, checked against
// that module's entries before use; an HGLOBAL of a resource is the address of its bytes in
// the module's read-only copy of the file, as on the platform (neither is a kernel handle,
// and neither travels through the driver's 32-bit fields).
#include <cstring>

#include <win/resources.h>
#include <win/system.h>

#include "internal/resources.h"

namespace plat {

namespace {


const ResourceEntry* FindEntry(HMODULE module, const ResourceId& type, const ResourceId& name, WORD language,
                               std::shared_ptr<const PeImage>* image) {
  DWORD error = ERROR_SUCCESS;
  *image = ModuleImage(module, &error);
  if (!*image) {
    SetLastError(error);
    return nullptr;
  }
  const ResourceEntry* entry = (*image)->Find(type, name, language, GetUserDefaultUILanguage(), &error);
  if (!entry) SetLastError(error);
  return entry;
}

// The entry an HRSRC names, when it is one of the module's own.
const ResourceEntry* CheckedEntry(const PeImage& image, HRSRC handle) {
  const void* wanted = handle;
  for (const ResourceType& t : image.types())
    for (const ResourceName& n : t.names)
      for (const ResourceEntry& e : n.languages)
        if (&e == wanted) return &e;
  return nullptr;
}

template <typename T>
std::optional<T> LoadParsed(HMODULE module, LPCWSTR name, WORD type, std::optional<T> (*parse)(std::span<const BYTE>)) {
  std::optional<std::span<const BYTE>> bytes = ModuleResourceBytes(module, ResourceId::Ordinal(type), ResourceId::FromParam(name));
  if (!bytes) return std::nullopt;
  std::optional<T> parsed = parse(*bytes);
  if (!parsed) SetLastError(ERROR_INVALID_DATA);
  return parsed;
}

}  // namespace

std::optional<std::span<const BYTE>> ModuleResourceBytes(HMODULE module, const ResourceId& type,
                                                         const ResourceId& name) {
  std::shared_ptr<const PeImage> image;
  const ResourceEntry* entry = FindEntry(module, type, name, 0, &image);
  if (!entry) return std::nullopt;
  // The module keeps its image alive; the view is valid until the module is freed.
  return image->Data(*entry);
}

std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, LPCWSTR name) {
  return LoadParsed<DialogTemplate>(module, name, kRtDialog, &ParseDialogTemplate);
}

std::optional<MenuTemplate> LoadMenuTemplate(HMODULE module, LPCWSTR name) {
  return LoadParsed<MenuTemplate>(module, name, kRtMenu, &ParseMenuTemplate);
}

std::optional<DibImage> LoadBitmapResource(HMODULE module, LPCWSTR name) {
  return LoadParsed<DibImage>(module, name, kRtBitmap, &ParseDib);
}

std::optional<IconImage> LoadIconResource(HMODULE module, LPCWSTR groupName, int cx, int cy) {
  std::optional<std::vector<IconDirEntry>> group = LoadParsed<std::vector<IconDirEntry>>(module, groupName, kRtGroupIcon, &ParseIconGroup);
  if (!group) return std::nullopt;
  int pick = PickIconEntry(*group, cx > 0 ? cx : 32, cy > 0 ? cy : 32);
  if (pick < 0) {
    SetLastError(ERROR_INVALID_DATA);
    return std::nullopt;
  }
  return LoadParsed<IconImage>(module, MAKEINTRESOURCEW((*group)[pick].iconId), kRtIcon, &ParseIconImage);
}

}  // namespace plat

extern "C" {

WINBASEAPI HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) {
  if (!lpType || !lpName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<const plat::PeImage> image;
  const plat::ResourceEntry* entry =
      plat::FindEntry(hModule, plat::ResourceId::FromParam(lpType), plat::ResourceId::FromParam(lpName), wLanguage, &image);
  return reinterpret_cast<HRSRC>(const_cast<plat::ResourceEntry*>(entry));
}

WINBASEAPI HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
  return FindResourceExW(hModule, lpType, lpName, 0);
}

WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<const plat::PeImage> image = plat::ModuleImage(hModule, &error);
  const plat::ResourceEntry* entry = image && hResInfo ? plat::CheckedEntry(*image, hResInfo) : nullptr;
  if (!entry) {
    SetLastError(image ? ERROR_INVALID_HANDLE : error);
    return nullptr;
  }
  return const_cast<BYTE*>(image->Data(*entry).data());
}

WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL hResData) { return hResData; }

WINBASEAPI BOOL WINAPI FreeResource(HGLOBAL) { return FALSE; }

WINBASEAPI DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<const plat::PeImage> image = plat::ModuleImage(hModule, &error);
  const plat::ResourceEntry* entry = image && hResInfo ? plat::CheckedEntry(*image, hResInfo) : nullptr;
  if (!entry) {
    SetLastError(image ? ERROR_INVALID_HANDLE : error);
    return 0;
  }
  return entry->size;
}

WINBASEAPI int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cchBufferMax > 0) lpBuffer[0] = 0;
  // Strings live in blocks of 16: block (id / 16) + 1 holds string id % 16.
  std::shared_ptr<const plat::PeImage> image;
  const plat::ResourceEntry* entry =
      plat::FindEntry(hInstance, plat::ResourceId::Ordinal(plat::kRtString),
                      plat::ResourceId::Ordinal(static_cast<WORD>((uID >> 4) + 1)), 0, &image);
  if (!entry) return 0;
  std::optional<std::u16string_view> text = plat::StringFromBlock(image->Data(*entry), uID & 15);
  if (!text) {
    SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  if (text->empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  if (cchBufferMax == 0) {
    const WCHAR* start = reinterpret_cast<const WCHAR*>(text->data());
    std::memcpy(lpBuffer, &start, sizeof start);  // the caller's buffer holds a pointer
    return static_cast<int>(text->size());
  }
  size_t copied = text->size() < static_cast<size_t>(cchBufferMax - 1) ? text->size() : static_cast<size_t>(cchBufferMax - 1);
  std::memcpy(lpBuffer, text->data(), copied * sizeof(WCHAR));
  lpBuffer[copied] = 0;
  return static_cast<int>(copied);
}

}  // extern "C"
