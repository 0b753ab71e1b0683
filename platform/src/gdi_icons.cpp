// Icons: a 1-bit mask and a colour image under a USER handle of their own, counted with the
// process's windows as USER objects. Made from bitmaps (CreateIconIndirect), from a module's
// RT_GROUP_ICON (the entry nearest the asked size, the deepest at that size) or an .ico file;
// drawn by the mask (SRCAND) and the image (SRCINVERT), as the platform draws them; DrawStateW
// draws them, bitmaps and text embossed when disabled.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include <win/gdi_raster.h>
#include <win/resources.h>
#include <win/user.h>

#include "internal/files.h"
#include "internal/gdi_record.h"
#include "internal/gdi_render.h"
#include "internal/unicode.h"

namespace plat::gdi {
namespace {

struct Icon {
  bool isIcon = true;
  DWORD hotX = 0, hotY = 0;
  std::shared_ptr<BitmapBits> mask;   // 1 bit, white (1) where the picture is transparent
  std::shared_ptr<BitmapBits> color;  // null: a monochrome icon whose mask holds both halves
};

struct IconTable {
  std::mutex lock;
  std::map<uintptr_t, std::shared_ptr<Icon>> entries;
  uintptr_t next = 0x60000000;
};

IconTable& Icons() {
  static IconTable* table = new IconTable;  // outlives static destructors of callers
  return *table;
}

HICON InsertIcon(std::shared_ptr<Icon> icon) {
  IconTable& t = Icons();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t id = t.next;
  t.next += 4;
  while (t.entries.count(id)) id += 4;
  t.entries[id] = std::move(icon);
  return reinterpret_cast<HICON>(id);
}

std::shared_ptr<Icon> LookupIcon(HICON handle) {
  IconTable& t = Icons();
  std::lock_guard<std::mutex> guard(t.lock);
  auto found = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  return found == t.entries.end() ? nullptr : found->second;
}

std::shared_ptr<BitmapBits> CopyBits(const BitmapBits& bits) { return std::make_shared<BitmapBits>(bits); }

HBITMAP BitmapOf(std::shared_ptr<BitmapBits> bits) {
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->bits = std::move(bits);
  return static_cast<HBITMAP>(InsertObject(std::move(bitmap)));
}

// One icon image as it is stored in a resource or an .ico file: a BITMAPINFOHEADER whose
// height counts both the image and the mask, its colour table, the image rows, the mask rows.
std::shared_ptr<Icon> IconFromImage(const BYTE* data, size_t size) {
  if (size < sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPINFOHEADER h;
  std::memcpy(&h, data, sizeof h);
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biWidth <= 0 || h.biWidth > 1024 ||
      h.biHeight <= 0 || h.biHeight > 2048 || (h.biHeight & 1) || h.biPlanes != 1)
    return nullptr;
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 24: case 32: break;
    default: return nullptr;
  }
  LONG width = h.biWidth, height = h.biHeight / 2;
  size_t table = h.biBitCount <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << h.biBitCount) ? h.biClrUsed : 1u << h.biBitCount) : 0;
  size_t imageStride = (static_cast<size_t>(width) * h.biBitCount + 31) / 32 * 4;
  size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
  size_t need = h.biSize + table * sizeof(RGBQUAD) + imageStride * static_cast<size_t>(height) +
                maskStride * static_cast<size_t>(height);
  if (need > size) return nullptr;
  auto icon = std::make_shared<Icon>();
  icon->color = NewBitmapBits(width, height, h.biBitCount, false);
  icon->mask = NewBitmapBits(width, height, 1, false);
  if (!icon->color || !icon->mask) return nullptr;
  const BYTE* p = data + h.biSize;
  icon->color->colors.resize(table);
  if (table != 0) std::memcpy(icon->color->colors.data(), p, table * sizeof(RGBQUAD));
  p += table * sizeof(RGBQUAD);
  std::memcpy(icon->color->bytes.data(), p, imageStride * static_cast<size_t>(height));
  p += imageStride * static_cast<size_t>(height);
  std::memcpy(icon->mask->bytes.data(), p, maskStride * static_cast<size_t>(height));
  icon->mask->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  if (h.biBitCount == 32) {
    icon->color->masks[0] = 0xFF0000, icon->color->masks[1] = 0xFF00, icon->color->masks[2] = 0xFF;
  }
  return icon;
}

struct DirectoryEntry {
  int width = 0, height = 0, bitCount = 0;
  size_t index = 0;
};

// The entry that fits (cx, cy) best: the smallest distance in size, then the most colours.
size_t BestEntry(const std::vector<DirectoryEntry>& entries, int cx, int cy) {
  size_t best = 0;
  long bestScore = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    const DirectoryEntry& e = entries[i];
    long distance = std::abs(e.width - cx) + std::abs(e.height - cy);
    long score = distance * 64 + (32 - std::min(e.bitCount, 32));
    if (bestScore < 0 || score < bestScore) best = i, bestScore = score;
  }
  return best;
}

std::shared_ptr<Icon> IconFromResource(HINSTANCE module, LPCWSTR name, int cx, int cy) {
  HRSRC group = FindResourceW(module, name, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  if (!group) return nullptr;
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
  DWORD size = SizeofResource(module, group);
  if (!dir || size < 6) return nullptr;
  WORD count = static_cast<WORD>(dir[4] | dir[5] << 8);
  std::vector<DirectoryEntry> entries;
  std::vector<WORD> ids;
  for (WORD i = 0; i < count && 6 + (i + 1) * 14u <= size; ++i) {
    const BYTE* e = dir + 6 + i * 14;
    DirectoryEntry entry;
    entry.width = e[0] ? e[0] : 256;
    entry.height = e[1] ? e[1] : 256;
    entry.bitCount = e[6] | e[7] << 8;
    entry.index = ids.size();
    entries.push_back(entry);
    ids.push_back(static_cast<WORD>(e[12] | e[13] << 8));
  }
  if (entries.empty()) return nullptr;
  WORD id = ids[BestEntry(entries, cx, cy)];
  HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
  if (!image) return nullptr;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
  return data ? IconFromImage(data, SizeofResource(module, image)) : nullptr;
}

std::shared_ptr<Icon> IconFromFile(const std::string& file, int cx, int cy) {
  const BYTE* data = reinterpret_cast<const BYTE*>(file.data());
  if (file.size() < 6 || data[2] != 1 || data[3] != 0) return nullptr;
  WORD count = static_cast<WORD>(data[4] | data[5] << 8);
  std::vector<DirectoryEntry> entries;
  std::vector<std::pair<size_t, size_t>> spans;
  for (WORD i = 0; i < count && 6 + (i + 1) * 16u <= file.size(); ++i) {
    const BYTE* e = data + 6 + i * 16;
    DirectoryEntry entry;
    entry.width = e[0] ? e[0] : 256;
    entry.height = e[1] ? e[1] : 256;
    entry.bitCount = e[6] | e[7] << 8;
    size_t bytes = e[8] | e[9] << 8 | e[10] << 16 | static_cast<size_t>(e[11]) << 24;
    size_t offset = e[12] | e[13] << 8 | e[14] << 16 | static_cast<size_t>(e[15]) << 24;
    if (offset > file.size() || bytes > file.size() - offset) continue;
    entries.push_back(entry);
    spans.emplace_back(offset, bytes);
  }
  if (entries.empty()) return nullptr;
  auto [offset, bytes] = spans[BestEntry(entries, cx, cy)];
  return IconFromImage(data + offset, bytes);
}

}  // namespace

size_t IconCount() {
  IconTable& t = Icons();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.entries.size();
}

HANDLE LoadIconImage(HINSTANCE module, LPCWSTR name, int cx, int cy, UINT flags) {
  if (cx == 0) cx = 32;
  if (cy == 0) cy = 32;
  std::shared_ptr<Icon> icon;
  if (flags & LR_LOADFROMFILE) {
    std::string file;
    if (IS_INTRESOURCE(name)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    DWORD error = ReadWholeFile(WideView(name), file);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
    icon = IconFromFile(file, cx, cy);
    if (!icon) {
      SetLastError(ERROR_INVALID_DATA);  // not an icon file, or a damaged one
      return nullptr;
    }
  } else {
    SetLastError(ERROR_SUCCESS);
    icon = IconFromResource(module, name, cx, cy);
    if (!icon) {
      if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
      return nullptr;
    }
  }
  return InsertIcon(std::move(icon));
}

}  // namespace plat::gdi

using namespace plat::gdi;

namespace {

// The icon's picture on a DC: the mask with SRCAND, then the image with SRCINVERT, each
// stretched to the rectangle; a monochrome icon's mask holds the AND half over the XOR half.
bool DrawIconOn(HDC hdc, const Icon& icon, int x, int y, int cx, int cy, UINT flags) {
  HDC memory = CreateCompatibleDC(hdc);
  if (!memory) return false;
  LONG width = icon.mask->width;
  LONG height = icon.color ? icon.mask->height : icon.mask->height / 2;
  if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? 32 : width;
  if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? 32 : height;
  COLORREF oldText = SetTextColor(hdc, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(hdc, RGB(255, 255, 255));
  bool ok = true;
  HBITMAP mask = BitmapOf(CopyBits(*icon.mask));
  HBITMAP color = icon.color ? BitmapOf(CopyBits(*icon.color)) : nullptr;
  HGDIOBJ old = nullptr;
  if (mask && (flags & DI_MASK)) {
    old = SelectObject(memory, mask);
    ok = StretchBlt(hdc, x, y, cx, cy, memory, 0, 0, width, height, (flags & DI_IMAGE) ? SRCAND : SRCCOPY) && ok;
  }
  if (flags & DI_IMAGE) {
    if (color) {
      HGDIOBJ previous = SelectObject(memory, color);
      if (!old) old = previous;
      ok = StretchBlt(hdc, x, y, cx, cy, memory, 0, 0, width, height, (flags & DI_MASK) ? SRCINVERT : SRCCOPY) && ok;
    } else if (mask) {
      HGDIOBJ previous = SelectObject(memory, mask);
      if (!old) old = previous;
      ok = StretchBlt(hdc, x, y, cx, cy, memory, 0, height, width, height, (flags & DI_MASK) ? SRCINVERT : SRCCOPY) && ok;
    }
  }
  if (old) SelectObject(memory, old);
  DeleteDC(memory);
  if (mask) DeleteObject(mask);
  if (color) DeleteObject(color);
  SetTextColor(hdc, oldText);
  SetBkColor(hdc, oldBk);
  return ok;
}

// Paints `shape` (1 where the picture has ink) in a colour at (x, y) of the DC.
void PaintShape(HDC hdc, const BitmapBits& shape, int x, int y, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  if (!brush) return;
  for (LONG row = 0; row < shape.height; ++row)
    for (LONG col = 0; col < shape.width;) {
      if (PixelColor(shape, col, row) != RGB(255, 255, 255)) {
        ++col;
        continue;
      }
      LONG end = col;
      while (end < shape.width && PixelColor(shape, end, row) == RGB(255, 255, 255)) ++end;
      RECT r{x + col, y + row, x + end, y + row + 1};
      FillRect(hdc, &r, brush);
      col = end;
    }
  DeleteObject(brush);
}

}  // namespace

extern "C" {

WINBASEAPI HICON WINAPI CreateIconIndirect(PICONINFO piconinfo) {
  if (!piconinfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto mask = LookupObjectAs<BitmapObject>(piconinfo->hbmMask);
  auto color = piconinfo->hbmColor ? LookupObjectAs<BitmapObject>(piconinfo->hbmColor) : nullptr;
  if (!mask || (piconinfo->hbmColor && !color)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto icon = std::make_shared<Icon>();
  icon->isIcon = piconinfo->fIcon != FALSE;
  icon->hotX = piconinfo->xHotspot;
  icon->hotY = piconinfo->yHotspot;
  // The icon keeps copies: the caller may delete its bitmaps at once.
  icon->mask = CopyBits(*mask->bits);
  if (color) icon->color = CopyBits(*color->bits);
  return InsertIcon(std::move(icon));
}

WINBASEAPI BOOL WINAPI DestroyIcon(HICON hIcon) {
  IconTable& t = Icons();
  std::lock_guard<std::mutex> guard(t.lock);
  if (!t.entries.erase(reinterpret_cast<uintptr_t>(hIcon))) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
  std::shared_ptr<Icon> icon = LookupIcon(hIcon);
  if (!icon || !piconinfo) {
    SetLastError(icon ? ERROR_INVALID_PARAMETER : ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  ICONINFO info{};
  info.fIcon = icon->isIcon ? TRUE : FALSE;
  LONG width = icon->mask->width;
  LONG height = icon->color ? icon->mask->height : icon->mask->height / 2;
  info.xHotspot = icon->isIcon ? static_cast<DWORD>(width / 2) : icon->hotX;
  info.yHotspot = icon->isIcon ? static_cast<DWORD>(height / 2) : icon->hotY;
  // Two new bitmaps the caller owns and deletes.
  info.hbmMask = BitmapOf(CopyBits(*icon->mask));
  info.hbmColor = icon->color ? BitmapOf(CopyBits(*icon->color)) : nullptr;
  if (!info.hbmMask || (icon->color && !info.hbmColor)) {
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return FALSE;
  }
  *piconinfo = info;
  return TRUE;
}

WINBASEAPI BOOL WINAPI DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth,
                                  UINT, HBRUSH hbrFlickerFreeDraw, UINT diFlags) {
  std::shared_ptr<Icon> icon = LookupIcon(hIcon);
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if (!icon) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  if (!(diFlags & DI_NORMAL)) diFlags |= DI_NORMAL;
  RecordCall(*dc, "DrawIconEx", "x=" + std::to_string(xLeft) + " y=" + std::to_string(yTop) + " cx=" +
                                    std::to_string(cxWidth) + " cy=" + std::to_string(cyWidth));
  if (hbrFlickerFreeDraw) {
    RECT r{xLeft, yTop, xLeft + (cxWidth ? cxWidth : icon->mask->width),
           yTop + (cyWidth ? cyWidth : (icon->color ? icon->mask->height : icon->mask->height / 2))};
    FillRect(hdc, &r, hbrFlickerFreeDraw);
  }
  return DrawIconOn(hdc, *icon, xLeft, yTop, cxWidth, cyWidth, diFlags) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

WINBASEAPI HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  // Only the icons of modules: the system's stock icons are not part of the machine.
  if (!hInstance) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HICON>(LoadIconImage(hInstance, lpIconName, 32, 32, 0));
}

WINBASEAPI BOOL WINAPI DrawStateW(HDC hdc, HBRUSH, DRAWSTATEPROC qfnCallBack, LPARAM lData, WPARAM wData, int x,
                                  int y, int cx, int cy, UINT uFlags) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  UINT type = uFlags & 0x000F;
  // The picture drawn normally, into the DC or, when disabled, into a white memory bitmap whose
  // ink becomes the embossed shape: highlight one pixel down and right, shadow over it.
  auto draw = [&](HDC target, int px, int py) -> bool {
    switch (type) {
      case DST_ICON: {
        std::shared_ptr<Icon> icon = LookupIcon(reinterpret_cast<HICON>(lData));
        return icon && DrawIconOn(target, *icon, px, py, cx, cy, DI_NORMAL);
      }
      case DST_BITMAP: {
        HDC memory = CreateCompatibleDC(target);
        HGDIOBJ old = SelectObject(memory, reinterpret_cast<HBITMAP>(lData));
        BITMAP bm{};
        GetObjectW(reinterpret_cast<HBITMAP>(lData), sizeof bm, &bm);
        bool ok = old && BitBlt(target, px, py, cx ? cx : bm.bmWidth, cy ? cy : bm.bmHeight, memory, 0, 0, SRCCOPY);
        if (old) SelectObject(memory, old);
        DeleteDC(memory);
        return ok;
      }
      case DST_TEXT:
      case DST_PREFIXTEXT: {
        const WCHAR* text = reinterpret_cast<const WCHAR*>(lData);
        int length = static_cast<int>(wData);
        if (length == 0 && text)
          while (text[length]) ++length;
        RECT r{px, py, px + (cx ? cx : 10000), py + (cy ? cy : 10000)};
        return DrawTextW(target, text, length, &r, DT_NOCLIP | (type == DST_TEXT ? DT_NOPREFIX : 0)) != 0;
      }
      case DST_COMPLEX:
        return qfnCallBack && qfnCallBack(target, lData, wData, cx, cy);
      default:
        return false;
    }
  };
  if (!(uFlags & DSS_DISABLED)) return draw(hdc, x, y) ? TRUE : FALSE;
  int width = cx, height = cy;
  if (type == DST_ICON) {
    if (std::shared_ptr<Icon> icon = LookupIcon(reinterpret_cast<HICON>(lData))) {
      if (!width) width = icon->mask->width;
      if (!height) height = icon->color ? icon->mask->height : icon->mask->height / 2;
    }
  } else if (type == DST_BITMAP) {
    BITMAP bm{};
    GetObjectW(reinterpret_cast<HBITMAP>(lData), sizeof bm, &bm);
    if (!width) width = bm.bmWidth;
    if (!height) height = bm.bmHeight;
  }
  if (width <= 0 || height <= 0) return FALSE;
  HDC memory = CreateCompatibleDC(hdc);
  HBITMAP canvas = CreateBitmap(width, height, 1, 24, nullptr);
  if (!memory || !canvas) {
    if (memory) DeleteDC(memory);
    if (canvas) DeleteObject(canvas);
    return FALSE;
  }
  HGDIOBJ old = SelectObject(memory, canvas);
  PatBlt(memory, 0, 0, width, height, WHITENESS);
  SelectObject(memory, GetCurrentObject(hdc, OBJ_FONT));
  bool ok = draw(memory, 0, 0);
  // Ink: every pixel darker than light grey.
  auto shape = std::make_shared<BitmapBits>();
  if (ok) {
    auto object = LookupObjectAs<BitmapObject>(canvas);
    const BitmapBits& bits = *object->bits;
    shape = NewBitmapBits(width, height, 1, true);
    if (shape) {
      shape->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
      for (LONG row = 0; row < height; ++row)
        for (LONG col = 0; col < width; ++col) {
          COLORREF c = PixelColor(bits, col, row);
          bool ink = (GetRValue(c) + GetGValue(c) + GetBValue(c)) < 3 * 192;
          SetPixelColor(*shape, col, row, ink ? RGB(255, 255, 255) : RGB(0, 0, 0));
        }
    }
  }
  SelectObject(memory, old);
  DeleteObject(canvas);
  DeleteDC(memory);
  if (!ok || !shape) return FALSE;
  PaintShape(hdc, *shape, x + 1, y + 1, GetSysColor(COLOR_3DHIGHLIGHT));
  PaintShape(hdc, *shape, x, y, GetSysColor(COLOR_3DSHADOW));
  return TRUE;
}

}  // extern "C"
