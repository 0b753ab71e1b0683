// Device fonts of the device record, and the engine's query for one of them (DrvQueryFont).
//
// The record holds a table of device-font records: a pointer to an array of record pointers
// and two counts whose sum is the number of device fonts (face indexes 1..sum). DrvEnablePDEV
// sets both counts to 0, so the engine is offered none; the records' form is kept so that a
// record the renderer is given is read the one way the engine's font queries expect.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "gdi/pdev.h"

// A device-font record begins with this header. Its fourth word is where the font's IFIMETRICS
// lies in the record; from the 41st 16-bit word on come the fonts' advance widths in font
// design units, indexed by glyph handle. The first word is the size of the whole record, so
// that neither the metrics nor a width is read beyond it.
struct DeviceFontRecordHeader {
  DWORD recordBytes;
  DWORD reserved1[2];
  DWORD ifiMetricsOffset;
  DWORD reserved4[16];
};
static_assert(sizeof(DeviceFontRecordHeader) == 80);
static_assert(offsetof(DeviceFontRecordHeader, ifiMetricsOffset) == 12);
constexpr size_t kDeviceFontWidthsOffset = 40 * sizeof(WORD);

// The number of device fonts of the record.
ULONG DeviceFont_Count(const PDEV* pdev);
// Device font iFace (1-based), or nullptr outside 1..DeviceFont_Count.
const DeviceFontRecordHeader* DeviceFont_Record(const PDEV* pdev, ULONG iFace);
// The design width of glyph `glyph` of a record; FALSE when the record does not reach it.
BOOL DeviceFont_DesignWidth(const DeviceFontRecordHeader* record, ULONG glyph, WORD* width);

// How often the engine asked DrvQueryFont in this process, for whoever inspects a session.
ULONG QueryFont_CallCount();
