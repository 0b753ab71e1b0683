// The per-printer "PrinterData" record, brought to the current layout when the driver is
// updated under existing printers.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// PrinterDataRecord: WORD version, WORD size, DWORD carried unchanged (it has no meaning of
// its own, but an older driver may have left something there).
struct PrinterDataRecord {
  WORD version;
  WORD size;
  DWORD value;
};
static_assert(sizeof(PrinterDataRecord) == 8);

inline constexpr WORD kPrinterDataVersion = 0x600;
inline constexpr WORD kPrinterDataRecordSize = sizeof(PrinterDataRecord);

// The record a stored value becomes: a new one when the value is missing or holds under 4
// bytes; otherwise the value's bytes (at most 8, no more than its size word for an older
// version) in a zeroed record marked with the current version and size.
PrinterDataRecord UpgradedPrinterDataRecord(const BYTE* stored, DWORD storedBytes);

// Reads the printer's "PrinterData" value, upgrades it and writes the 8-byte record back.
// FALSE with the spooler's error when the write is refused, or with
// ERROR_NOT_ENOUGH_MEMORY.
BOOL UpgradePrinterData(HANDLE printer);

}  // namespace vm4k2ui
