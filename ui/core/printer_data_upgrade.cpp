#include "ui/core/printer_data_upgrade.h"

#include <algorithm>
#include <cstring>

#include <win/system.h>

#include "ui/core/debug_trace.h"
#include "ui/core/printer_data.h"

namespace vm4k2ui {

PrinterDataRecord UpgradedPrinterDataRecord(const BYTE* stored, DWORD storedBytes) {
  PrinterDataRecord record{kPrinterDataVersion, kPrinterDataRecordSize, 0};
  // Under 4 bytes there is not even a version and size to go by.
  if (stored == nullptr || storedBytes < 4) return record;
  WORD version = 0;
  WORD sizeWord = 0;
  std::memcpy(&version, stored, sizeof version);
  std::memcpy(&sizeWord, stored + 2, sizeof sizeWord);
  if (version >= kPrinterDataVersion && sizeWord == kPrinterDataRecordSize && storedBytes == kPrinterDataRecordSize) {
    std::memcpy(&record, stored, sizeof record);
    return record;
  }
  // Only bytes that were really stored are taken; an older record is also held to its own
  // size word, so what lies behind it in the value is not mistaken for the DWORD.
  size_t take = std::min<size_t>(sizeof record, storedBytes);
  if (version < kPrinterDataVersion) take = std::min<size_t>(take, sizeWord);
  std::memset(&record, 0, sizeof record);
  std::memcpy(&record, stored, take);
  record.version = std::max(version, kPrinterDataVersion);
  record.size = kPrinterDataRecordSize;
  return record;
}

BOOL UpgradePrinterData(HANDLE printer) {
  DWORD storedBytes = 0;
  std::unique_ptr<BYTE[]> stored = ReadPrinterDataBlock(printer, &storedBytes, PrinterDataKind::PrinterData);
  PrinterDataRecord record = UpgradedPrinterDataRecord(stored.get(), stored ? storedBytes : 0);
  if (!WritePrinterDataBlock(printer, &record, sizeof record, PrinterDataKind::PrinterData)) {
    const DWORD error = GetLastError();
    DebugTrace("SetPrinterData of PrinterData failed, error %u\n", error);
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace vm4k2ui
