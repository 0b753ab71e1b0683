#include "gdi/nt/fontdata.h"

#include <cmath>
#include <cstring>

#include <win/ddi_text.h>
#include <win/files.h>
#include <win/memory.h>
#include <win/modules.h>
#include <win/shell.h>
#include <win/strings.h>

#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/quryfont.h"

using vm4k2::FontSubstitutionRecord;
using vm4k2::kFontSubstitutionCountSize;
using vm4k2::kFontSubstitutionFaceUnits;
using vm4k2::kFontSubstitutionRecordSize;

namespace {

typedef HRESULT(WINAPI* PFN_SHGetFolderPathW)(HWND, int, HANDLE, DWORD, LPWSTR);

// The renderer runs inside the spooler and the application; it takes the shell only for this
// one folder query, so the library is looked up when needed and let go at once.
bool UserApplicationDataFolder(WCHAR (&folder)[MAX_PATH]) {
  HMODULE shell = LoadLibraryW(u"shell32.dll");
  if (shell == nullptr) return false;
  auto getFolderPath = reinterpret_cast<PFN_SHGetFolderPathW>(GetProcAddress(shell, "SHGetFolderPathW"));
  bool found = false;
  if (getFolderPath) {
    folder[0] = 0;
    found = SUCCEEDED(getFolderPath(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder));
    folder[MAX_PATH - 1] = 0;
  }
  FreeLibrary(shell);
  return found && folder[0] != 0;
}

// Appends `tail` to `path`; false (and path unusable) when the whole would not fit.
bool AppendPath(WCHAR (&path)[MAX_PATH], const WCHAR* tail) {
  size_t used = 0;
  while (used < MAX_PATH && path[used]) ++used;
  for (size_t i = 0; tail[i]; ++i) {
    if (used + 1 >= MAX_PATH) return false;
    path[used++] = tail[i];
  }
  path[used] = 0;
  return true;
}

bool SubstitutionFilePath(WCHAR (&path)[MAX_PATH]) {
  return UserApplicationDataFolder(path) && AppendPath(path, vm4k2::kFontSubstitutionFolder) &&
         AppendPath(path, u"\\") && AppendPath(path, vm4k2::kFontSubstitutionFileName);
}

// Reads up to `bytes` into `data`, as many calls as the file needs; the bytes actually read.
DWORD ReadUpTo(HANDLE file, BYTE* data, DWORD bytes) {
  DWORD total = 0;
  while (total < bytes) {
    DWORD got = 0;
    if (!ReadFile(file, data + total, bytes - total, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

// The records the file can hold whatever its count says: a count of 0xFFFFFFFF would otherwise
// ask for a block of four gigabytes or wrap the size.
DWORD RecordsTheFileHolds(HANDLE file, DWORD count) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < static_cast<LONGLONG>(kFontSubstitutionCountSize)) return 0;
  const ULONGLONG fit = (static_cast<ULONGLONG>(size.QuadPart) - kFontSubstitutionCountSize) /
                        kFontSubstitutionRecordSize;
  return fit < count ? static_cast<DWORD>(fit) : count;
}

bool NameIsTerminated(const FontSubstitutionRecord& record) {
  for (size_t i = 0; i < kFontSubstitutionFaceUnits; ++i)
    if (record.faceName[i] == 0) return true;
  return false;
}

}  // namespace

void ReadFontSubstitutionFile(PDEV* pdev) {
  pdev->fontSubstitutions = nullptr;
  pdev->fontSubstitutionCount = 0;

  WCHAR path[MAX_PATH] = {};
  if (!SubstitutionFilePath(path)) return;
  // The dialog may rewrite the file while a document prints; sharing both ways lets it.
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;

  DWORD count = 0;
  if (ReadUpTo(file, reinterpret_cast<BYTE*>(&count), sizeof(count)) == sizeof(count)) {
    count = RecordsTheFileHolds(file, count);
    if (count != 0) {
      const SIZE_T bytes = static_cast<SIZE_T>(count) * kFontSubstitutionRecordSize;
      BYTE* block = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, bytes));
      if (block) {
        const DWORD read = ReadUpTo(file, block, static_cast<DWORD>(bytes));
        const DWORD whole = read / static_cast<DWORD>(kFontSubstitutionRecordSize);
        if (whole != 0) {
          pdev->fontSubstitutions = reinterpret_cast<FontSubstitutionRecord*>(block);
          pdev->fontSubstitutionCount = whole;
        } else {
          HeapFree(GetProcessHeap(), 0, block);
        }
      }
    }
  }
  CloseHandle(file);
}

void FreeFontSubstitutions(PDEV* pdev) {
  if (pdev->fontSubstitutions) HeapFree(GetProcessHeap(), 0, pdev->fontSubstitutions);
  pdev->fontSubstitutions = nullptr;
  pdev->fontSubstitutionCount = 0;
}

DWORD FontData_Substitute(const PDEV* pdev, const WCHAR* faceName, char* pclName, size_t pclNameCapacity,
                          DWORD* symbolSet) {
  if (pdev == nullptr || faceName == nullptr || pclName == nullptr || symbolSet == nullptr) return 0;
  if (pclNameCapacity < vm4k2::kPrinterFontNameChars + 1) return 0;
  if (pdev->fontSubstitutions == nullptr || pdev->fontSubstitutionCount == 0) return 0;

  for (DWORD i = 0; i < pdev->fontSubstitutionCount; ++i) {
    const FontSubstitutionRecord& record = pdev->fontSubstitutions[i];
    if (record.printerFontRow == 0) continue;
    // The file comes from outside the renderer: a name without its terminator would lead the
    // comparison past the record, so such a record names no face.
    if (!NameIsTerminated(record)) continue;
    if (lstrcmpW(faceName, record.faceName) != 0) continue;

    const uint16_t row = record.printerFontRow;
    if (row < vm4k2::kPrinterFontFirstResident || row > vm4k2::kPrinterFontLastResident) return 0;
    const vm4k2::PrinterFontRow& font = vm4k2::PrinterFontTable[row];
    std::memcpy(pclName, font.pclName, vm4k2::kPrinterFontNameChars + 1);
    *symbolSet = font.symbolSet;
    return row + kSubstituteFontNumberBase;
  }
  return 0;
}

BOOL FontData_StringAllowsSubstitution(const WCHAR* text, ULONG count) {
  if (text == nullptr || count == 0) return FALSE;
  for (ULONG i = 0; i < count; ++i)
    if (text[i] >= 255) return FALSE;
  return TRUE;
}

namespace {

// The error notes keep the module name and lines their readers look them up by.
constexpr const char* kWidthsNoteModule = "fontdata";
constexpr int kNoteWidthsFaceOutOfRange = 475;
constexpr int kNoteWidthsNoTransform = 486;

}  // namespace

BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                    ULONG cGlyphs) {
  PDEV* pdev = reinterpret_cast<PDEV*>(dhpdev);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return FALSE;
  if (iMode != QAW_GETWIDTHS && iMode != QAW_GETEASYWIDTHS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (cGlyphs == 0) return TRUE;
  const DeviceFontRecordHeader* record = pfo ? DeviceFont_Record(pdev, pfo->iFace) : nullptr;
  if (record == nullptr || phg == nullptr || pvWidths == nullptr) {
    Pdev_ReportError(pdev, kWidthsNoteModule, kNoteWidthsFaceOutOfRange);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  XFORMOBJ* transform = FONTOBJ_pxoGetXform(pfo);
  // The vector in 28.4 device units, so that the widths come out as 28.4 values too.
  POINTL unit{4096, 0};
  POINTL device{0, 0};
  if (transform == nullptr || !XFORMOBJ_bApplyXform(transform, XF_LTOFX, 1, &unit, &device)) {
    Pdev_ReportError(pdev, kWidthsNoteModule, kNoteWidthsNoTransform);
    return FALSE;
  }
  // s: 28.4 device units of 4096 font units along the baseline, rounded up.
  const double length = std::sqrt(static_cast<double>(device.x) * device.x + static_cast<double>(device.y) * device.y);
  const LONGLONG s = static_cast<LONGLONG>(std::ceil(length));
  USHORT* widths = static_cast<USHORT*>(pvWidths);
  for (ULONG i = 0; i < cGlyphs; ++i) {
    WORD design = 0;
    // A glyph beyond the record's widths has none; it advances by nothing.
    DeviceFont_DesignWidth(record, phg[i], &design);
    // Whole device pixels in 28.4 fixed point: rounded at the half, the fraction cleared.
    const LONGLONG width = ((static_cast<LONGLONG>(design) * s) / 4096 + 8) & ~0xFLL;
    widths[i] = static_cast<USHORT>(width);
  }
  return TRUE;
}
