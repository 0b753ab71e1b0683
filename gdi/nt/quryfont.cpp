#include "gdi/nt/quryfont.h"

#include <atomic>
#include <cstring>

#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"

namespace {

std::atomic<ULONG> g_queryFontCalls{0};

// The error notes keep the module name and line their readers look them up by.
constexpr const char* kNoteModule = "quryfont";
constexpr int kNoteFaceOutOfRange = 54;

}  // namespace

ULONG DeviceFont_Count(const PDEV* pdev) {
  if (pdev->deviceFonts == nullptr) return 0;
  return pdev->deviceFontCount[0] + pdev->deviceFontCount[1];
}

const DeviceFontRecordHeader* DeviceFont_Record(const PDEV* pdev, ULONG iFace) {
  if (iFace == 0 || iFace > DeviceFont_Count(pdev)) return nullptr;
  return static_cast<const DeviceFontRecordHeader* const*>(pdev->deviceFonts)[iFace - 1];
}

BOOL DeviceFont_DesignWidth(const DeviceFontRecordHeader* record, ULONG glyph, WORD* width) {
  if (record == nullptr) return FALSE;
  const size_t at = kDeviceFontWidthsOffset + static_cast<size_t>(glyph) * sizeof(WORD);
  if (at + sizeof(WORD) > record->recordBytes) return FALSE;
  std::memcpy(width, reinterpret_cast<const BYTE*>(record) + at, sizeof(WORD));
  return TRUE;
}

ULONG QueryFont_CallCount() { return g_queryFontCalls.load(); }

PVOID APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG iFace, ULONG_PTR* pid) {
  if (pid) *pid = 0;
  PDEV* pdev = reinterpret_cast<PDEV*>(dhpdev);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return nullptr;
  ++g_queryFontCalls;
  // Face 0 is the engine asking how many fonts the device has; the answer is the count.
  if (iFace == 0) return reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(DeviceFont_Count(pdev)));
  const DeviceFontRecordHeader* record = DeviceFont_Record(pdev, iFace);
  if (record == nullptr || record->ifiMetricsOffset < sizeof(DeviceFontRecordHeader) ||
      record->ifiMetricsOffset >= record->recordBytes) {
    Pdev_ReportError(pdev, kNoteModule, kNoteFaceOutOfRange);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return const_cast<BYTE*>(reinterpret_cast<const BYTE*>(record) + record->ifiMetricsOffset);
}
