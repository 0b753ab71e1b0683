// What a polling pass hands the main window: one PrinterStatusRecord per printer of the family
// (WM_QUERY_DONE) and one StatusChangeNote per recorded printer (WM_PRINTER_STATUS). The
// receiver owns and frees them.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "StatusMonitor/job_tracking.h"

namespace vm4k2sm {

inline constexpr size_t kPortUnits = 64;
inline constexpr size_t kStatusTextUnits = 256;

struct PrinterStatusRecord {
  WCHAR name[kPrinterNameUnits];
  WCHAR port[kPortUnits];  // the port's name, or a network port's IP address
  WCHAR statusText[kStatusTextUnits];
  BYTE status;
  BYTE valueCode;
};

struct StatusChangeNote {
  WCHAR name[kPrinterNameUnits];
  BYTE previousStatus;
  BYTE previousValueCode;
};

// The receiver of WM_QUERY_DONE and WM_PRINTER_STATUS frees what it got with these.
void FreeStatusRecords(PrinterStatusRecord* records);
void FreeStatusNote(StatusChangeNote* note);

// The list text id of a StatusCode; 0 for a pair without text. Status 1 is followed by its code.
UINT StatusTextId(BYTE status, BYTE valueCode);
// Fills the record's status text from the resource library's strings.
void GetStatusText(PrinterStatusRecord& record, HINSTANCE resources);

}  // namespace vm4k2sm
