// A printer device context of the stand-in GDI: the printer it was made for, the two driver
// libraries, the driver's current PDEV with its surface and capability records, and the state
// of the document being printed. The DC calls out (document events, driver functions) without
// holding any lock, so the user-interface library may use the same DC from inside an event.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <win/ddi.h>

#include "internal/engine.h"
#include "internal/gdi_state.h"

namespace plat::gdi {

struct PrinterDC {
  HDC hdc = nullptr;
  HANDLE hPrinter = nullptr;
  std::u16string printerName;
  std::u16string port;

  HMODULE uiModule = nullptr;
  PFN_DrvDocumentEvent documentEvent = nullptr;
  HMODULE driverModule = nullptr;
  engine::DriverTable driver;

  // The driver's current device; replaced as a whole by ResetDC.
  HDEV hdev = nullptr;
  DHPDEV dhpdev = nullptr;
  HSURF hsurf = nullptr;
  GDIINFO gdiInfo{};
  DEVINFO devInfo{};
  std::vector<BYTE> devmode;  // the DEVMODE the current PDEV was made with (may be empty)

  bool docOpen = false;
  bool pageOpen = false;
  DWORD jobId = 0;
  std::u16string docName;

  // A memory DC (CreateCompatibleDC) has no driver: it draws into the bitmap selected into it.
  bool memoryDC = false;
  // A window DC (GetDC, BeginPaint) has no driver either: it draws into the surface of its
  // top-level window, through `surfaceView`; GetDC(NULL) is a screen DC that draws nowhere.
  HWND window = nullptr;
  bool screenDC = false;
  std::shared_ptr<struct WindowSurfaceView> surfaceView;
  // A window DC never draws outside what the window's ancestors let show (its own coordinates).
  bool clipToVisible = false;
  Region visibleClip;
  DrawState draw;
  // The saved states of SaveDC, innermost last.
  std::vector<DrawState> saved;

  SURFOBJ* Surface() const { return engine::LookupSurface(hsurf); }
};

std::shared_ptr<PrinterDC> LookupDC(HDC hdc);
// Enters a device context into the DC table and gives it its handle; nullptr (with
// ERROR_NOT_ENOUGH_MEMORY) when the process holds its quota of GDI objects.
HDC InsertDC(std::shared_ptr<PrinterDC> dc);
// Drops a DC from the table (its handle is refused from then on).
void RemoveDC(HDC hdc);
// Whether the DC draws into pixels the stand-in keeps (a memory or window DC) rather than
// through a graphics driver.
inline bool RasterDC(const PrinterDC& dc) { return dc.memoryDC || dc.window || dc.screenDC; }

// Reports a document event to the printer's user-interface library. A library without
// DrvDocumentEvent answers DOCUMENTEVENT_UNSUPPORTED, which every caller tolerates.
int DocumentEvent(const PrinterDC& dc, HDC hdc, int event, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut);

}  // namespace plat::gdi
