#include "ui/core/printer_data.h"

#include <cstring>
#include <new>
#include <string>

#include <win/registry.h>
#include <win/spooler.h>

#include "ui/core/system_queries.h"

namespace vm4k2ui {

namespace {

struct ValueNames {
  std::u16string size;
  std::u16string data;
};

ValueNames NamesFor(PrinterDataKind kind) {
  switch (kind) {
    case PrinterDataKind::PrinterData: return {u"PrinterDataSize", u"PrinterData"};
    case PrinterDataKind::DeviceData: return {u"DeviceDataSize", u"DeviceData"};
    case PrinterDataKind::PrivateDevmode: {
      // One stored DEVMODE per user of the printer.
      WCHAR user[kUserNameShortUnits];
      GetUserNameShort(user);
      return {std::u16string(u"PrivateDevmodeDataSize") + user, std::u16string(u"PrivateDevmodeData") + user};
    }
    case PrinterDataKind::CustomPaper: return {u"CustomPaperSize", u"CustomPaperData"};
    case PrinterDataKind::FontData: return {u"FontDataSize", u"FontData"};
  }
  return {};
}

}  // namespace

BOOL WritePrinterDataBlock(HANDLE printer, const void* data, DWORD size, PrinterDataKind kind) {
  if (data == nullptr && size != 0) return FALSE;
  ValueNames names = NamesFor(kind);
  if (names.size.empty()) return FALSE;
  DWORD sizeValue = size;
  DWORD error = SetPrinterDataW(printer, names.size.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&sizeValue),
                                sizeof(sizeValue));
  if (error == ERROR_SUCCESS)
    error = SetPrinterDataW(printer, names.data.data(), REG_BINARY, static_cast<LPBYTE>(const_cast<void*>(data)), size);
  // SetPrinterDataW answers its error rather than leaving it: callers that report it read it
  // from the last error as for every other BOOL call.
  if (error != ERROR_SUCCESS) SetLastError(error);
  return error == ERROR_SUCCESS;
}

std::unique_ptr<BYTE[]> ReadPrinterDataBlock(HANDLE printer, DWORD* size, PrinterDataKind kind) {
  if (size != nullptr) *size = 0;
  ValueNames names = NamesFor(kind);
  if (names.size.empty()) return nullptr;
  DWORD type = 0;
  DWORD declared = 0;
  DWORD needed = 0;
  if (GetPrinterDataW(printer, names.size.data(), &type, reinterpret_cast<LPBYTE>(&declared), sizeof(declared),
                      &needed) != ERROR_SUCCESS ||
      declared == 0) {
    return nullptr;
  }
  // No block of this driver comes near this size; a larger claim is damage, and is treated
  // as an allocation that failed rather than a request to reserve gigabytes.
  constexpr DWORD kLargestBlock = 1u << 20;
  if (declared > kLargestBlock) return nullptr;
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[declared]);
  if (!block) return nullptr;
  std::memset(block.get(), 0, declared);
  needed = 0;
  if (GetPrinterDataW(printer, names.data.data(), &type, block.get(), declared, &needed) != ERROR_SUCCESS) {
    return nullptr;
  }
  if (size != nullptr) *size = needed < declared ? needed : declared;
  return block;
}

}  // namespace vm4k2ui
