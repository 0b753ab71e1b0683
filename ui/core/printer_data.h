// Per-printer data blocks: a REG_DWORD size value and a REG_BINARY data value, stored through
// the spooler's printer data so that every process that opens the printer sees them.
#pragma once

#include <memory>

#include <win/base.h>

namespace vm4k2ui {

enum class PrinterDataKind : int {
  PrinterData = 0,         // the 8-byte PrinterDataRecord
  DeviceData = 1,
  PrivateDevmode = 2,      // the whole UiDevmode, per user
  CustomPaper = 3,
  FontData = 4,
};

// TRUE when both values were written; otherwise FALSE with the spooler's error as the last error.
BOOL WritePrinterDataBlock(HANDLE printer, const void* data, DWORD size, PrinterDataKind kind);

// The stored block, zero-filled to the stored size, or nullptr when the size value is missing
// or 0, memory runs out or the data value cannot be read. *size (when given) receives the
// bytes the data value really held, which may be fewer than its size value claims: callers
// that need an exact size test this count.
std::unique_ptr<BYTE[]> ReadPrinterDataBlock(HANDLE printer, DWORD* size, PrinterDataKind kind);

}  // namespace vm4k2ui
