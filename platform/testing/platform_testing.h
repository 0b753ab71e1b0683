// Test controls of the stand-in machine: what a real machine would differ in, and failures a
// test injects. Only tests and test tools include this header; deliverables never do.
//
// A control set machine-wide is stored under the machine root, so programs started inside the
// machine see it too; a process-only control overrides it in the calling process.
#pragma once

#include <win/base.h>

#ifdef __cplusplus
extern "C" {
#endif

// Makes the calling process use the machine at `root` (PLATFORM_ROOT is set to it as well, so
// processes started later inherit it) and forgets per-machine caches.
WINBASEAPI void PlatformTest_UseMachine(const char* root);
// Sets (value != NULL) or removes (value == NULL) a named control.
WINBASEAPI void PlatformTest_SetControl(const char* name, const char* value, BOOL machineWide);
WINBASEAPI void PlatformTest_ClearProcessControls(void);

// ---- Modules ----------------------------------------------------------------------------
// The calling program's image name is the control "ImageName" (a full Windows path, or a bare
// file name standing for a program of the system folder); GetModuleFileNameW(NULL) answers it.

// Makes a library absent (absent TRUE) or present again: LoadLibraryW, LoadLibraryExW and
// GetModuleHandleW then fail with ERROR_MOD_NOT_FOUND for that file name ("spoolss.dll"),
// compared without case, wherever the file lies.
WINBASEAPI void PlatformTest_SetModuleAbsent(const char* fileName, BOOL absent, BOOL machineWide);
// Makes one export of a library absent or present again: GetProcAddress then fails with
// ERROR_PROC_NOT_FOUND ("shell32.dll", "SHGetFolderPathW").
WINBASEAPI void PlatformTest_SetExportAbsent(const char* fileName, const char* exportName, BOOL absent,
                                            BOOL machineWide);

// ---- Files ---------------------------------------------------------------------------------
// The machine's file controls are the named controls "FailWritesTo" (Windows paths separated by
// ';' or new lines: every write to those files fails with ERROR_WRITE_FAULT and writes nothing)
// and "DiskFull" ("1": every write that would make a file grow fails with ERROR_DISK_FULL).
// They hold for WriteFile, SetEndOfFile, CopyFileW, the C runtime's streams and the stand-in's
// own writers (profile files...). The helpers below set them in one line.

// Adds `windowsPath` to the files whose writes fail; NULL clears the list.
WINBASEAPI void PlatformTest_FailWritesTo(const WCHAR* windowsPath, BOOL machineWide);
// Adds `windowsPath` to the files whose reads fail (ERROR_READ_FAULT, control "FailReadsFrom");
// NULL clears the list.
WINBASEAPI void PlatformTest_FailReadsFrom(const WCHAR* windowsPath, BOOL machineWide);
// Adds `windowsPath` to the files that CreateFileW may not make (CREATE_NEW, CREATE_ALWAYS or
// OPEN_ALWAYS fail with ERROR_WRITE_PROTECT, control "FailCreatesOf"); NULL clears the list.
// In these lists and in "FailWritesTo" an entry ending in '*' stands for every path that starts
// with the rest of it ("C:\Temp\tql*").
WINBASEAPI void PlatformTest_FailCreatesOf(const WCHAR* windowsPath, BOOL machineWide);
// Fills (TRUE) or frees (FALSE) the machine's disk.
WINBASEAPI void PlatformTest_SetDiskFull(BOOL full, BOOL machineWide);
// Restarts the machine as far as its files go: the MOVEFILE_DELAY_UNTIL_REBOOT operations
// (recorded one a line in <root>/session/pending-file-renames) are carried out in order.
// Returns how many succeeded.
WINBASEAPI DWORD PlatformTest_RestartMachine(void);

#ifdef __cplusplus
}
#endif

// ---- Graphics engine -------------------------------------------------------------------------
// Names of controls (PlatformTest_SetControl) that make the stand-in engine refuse a service;
// any value other than "0" refuses every call until the control is removed.
#define PLATFORMTEST_ENGINE_REFUSE_SURFACE "EngineRefuseSurface"      // EngCreateDeviceSurface: 0
#define PLATFORMTEST_ENGINE_REFUSE_ASSOCIATE "EngineRefuseAssociate"  // EngAssociateSurface: FALSE
#define PLATFORMTEST_ENGINE_REFUSE_PALETTE "EngineRefusePalette"      // EngCreatePalette: 0

#include <win/ddi.h>

#ifdef __cplusplus
extern "C" {
#endif
// Called in the calling process after every DrvEnablePDEV of a printer DC (CreateDCW, ResetDCW)
// that made a device record, before DrvCompletePDEV, with that record. A driver's tests use it to
// put on the record settings that no user interface sets; NULL removes it.
typedef void (*PlatformTestPdevHook)(DHPDEV dhpdev, void* context);
WINBASEAPI void PlatformTest_SetPdevHook(PlatformTestPdevHook hook, void* context);
#ifdef __cplusplus
}
#endif

// ---- Print spooler and the service manager ------------------------------------------------
// Named controls (PlatformTest_SetControl), read at each call:
//   "spooler.WritePrinterShortAfter"  N: a job takes at most N bytes; the WritePrinter that
//                                     reaches the limit writes what fits and reports that count.
//   "spooler.WritePrinterFailAfter"   N: a WritePrinter that would take a job past N bytes
//                                     writes nothing and fails with "spooler.WritePrinterError"
//                                     (ERROR_WRITE_FAULT unless set).
//   "spooler.PrinterDataReadError"    an error code: GetPrinterData(Ex)W answers it, for every
//                                     value or only for "spooler.PrinterDataReadErrorValue".
//   "services.Spooler.PendingMs"      how long a stop or start of the spooler stays pending, in
//                                     ms of the machine's clock (0 unless set).
//   "services.Spooler.WaitHint"       the dwWaitHint reported while pending (0 unless set).
#include <win/spooler.h>

#ifdef __cplusplus
extern "C" {
#endif

// Adds a port: kind "usb" (monitor text "Dynamic Print Monitor"), "tcp" (the standard TCP/IP
// monitor "TCPMON.DLL"; address is what XcvDataW "IPAddress" answers), "wsd" ("WSD Port
// Monitor") or "local". FALSE when the port exists or the kind is unknown.
WINBASEAPI BOOL PlatformTest_SpoolerAddPort(const WCHAR* name, const char* kind, const WCHAR* address);
// Adds a network connection "\\server\<info->pPrinterName>" (PRINTER_ATTRIBUTE_NETWORK,
// pServerName "\\server") whose driver is installed here. Returns a handle with full access.
WINBASEAPI HANDLE PlatformTest_SpoolerAddConnection(const WCHAR* server, const PRINTER_INFO_2W* info);
// Sets the PRINTER_STATUS_* bits a printer reports (PRINTER_STATUS_PAUSED ...).
WINBASEAPI BOOL PlatformTest_SpoolerSetPrinterStatus(const WCHAR* printer, DWORD status);
// Marks a printer as working offline (PRINTER_ATTRIBUTE_WORK_OFFLINE): it cannot be reached.
WINBASEAPI BOOL PlatformTest_SpoolerSetPrinterOffline(const WCHAR* printer, BOOL offline);
// A printer that exists but cannot be queried: OpenPrinterW succeeds, GetPrinterW, EnumJobsW,
// GetJobW and GetPrinterData(Ex)W fail with `error`; 0 makes it answer again.
WINBASEAPI BOOL PlatformTest_SpoolerFailPrinterQueries(const WCHAR* printer, DWORD error);
// Adds a spooled job of another user or computer (machine as "\\NAME"); returns its id or 0.
WINBASEAPI DWORD PlatformTest_SpoolerAddJob(const WCHAR* printer, const WCHAR* document, const WCHAR* user,
                                            const WCHAR* machine, DWORD status, DWORD pages);
// Host path of the file that holds a job's bytes; FALSE when there is no such job or the path
// does not fit.
WINBASEAPI BOOL PlatformTest_SpoolerJobFile(DWORD jobId, char* path, DWORD size);
// Whether the calling thread acts as the spooler's client (TRUE until RevertToPrinterSelf,
// again after ImpersonatePrinterClient with its token).
WINBASEAPI BOOL PlatformTest_SpoolerThreadImpersonates(void);
// Refreshes a printer's cache as the spooler does: DrvPrinterEvent(PRINTER_EVENT_CACHE_REFRESH)
// of its driver's user-interface library, whose answer is returned (TRUE when the library or
// the export is missing).
WINBASEAPI BOOL PlatformTest_SpoolerRefreshCache(const WCHAR* printer);

#ifdef __cplusplus
}
#endif

// ---- System information, names, clock, allocation failures, debugger output -------------
// Each setter stores a named control (machineWide: under the machine root, seen by every
// process of the machine; otherwise for the calling process only, overriding the machine).
// PlatformTest_SetControl(name, NULL, machineWide) takes any of them back to the default.
// The names, for tools and other processes that set them directly:
//   "CountryCode" (decimal), "LocaleUnreadable" ("1"), "SystemLanguage", "UserLanguage"
//   (LANGID, decimal or 0x...), "OsVersion" ("major.minor.build"), "OsServicePack",
//   "ProcessorArchitecture" (PROCESSOR_ARCHITECTURE_*), "ComputerName", "UserName" (default
//   "User"), "UserNameUnreadable" ("1"), "ImageName" (the calling program, see Modules),
//   "ClockScale" ("FACTOR BASE HOSTREF"), "FailAllocation" ("N" or "N+"), "DebugOutputToMachine" ("1").

#ifdef __cplusplus
extern "C" {
#endif

// LOCALE_ICOUNTRY of the user's locale.
WINBASEAPI void PlatformTest_SetCountryCode(DWORD countryCode, BOOL machineWide);
// GetLocaleInfoW fails (ERROR_INVALID_PARAMETER) for every locale while set.
WINBASEAPI void PlatformTest_SetLocaleUnreadable(BOOL unreadable, BOOL machineWide);
WINBASEAPI void PlatformTest_SetSystemLanguage(LANGID language, BOOL machineWide);
WINBASEAPI void PlatformTest_SetUserLanguage(LANGID language, BOOL machineWide);
// servicePack may be NULL (empty szCSDVersion).
WINBASEAPI void PlatformTest_SetOsVersion(DWORD major, DWORD minor, DWORD build, const char* servicePack,
                                          BOOL machineWide);
WINBASEAPI void PlatformTest_SetProcessorArchitecture(WORD architecture, BOOL machineWide);
// Names are UTF-8.
WINBASEAPI void PlatformTest_SetComputerName(const char* name, BOOL machineWide);
WINBASEAPI void PlatformTest_SetUserName(const char* name, BOOL machineWide);
// GetUserNameW fails (ERROR_ACCESS_DENIED) while set.
WINBASEAPI void PlatformTest_SetUserNameUnreadable(BOOL unreadable, BOOL machineWide);
WINBASEAPI void PlatformTest_SetImageName(const char* fileName, BOOL machineWide);
// The clock that GetTickCount, Sleep, timers and every time-out wait read (socket time-outs
// excepted). Real unless set.
// Manual, for this process alone: it stands at startMs and moves only when advanced or when a
// Sleep(n) passes, which adds n and returns at once (sleeps of several threads add up); timers
// fall due at the next pump after it passes them, time-out waits end once it passes them.
WINBASEAPI void PlatformTest_UseManualClock(ULONGLONG startMs);
// Moves the manual clock on and wakes every wait of the process to look at it.
WINBASEAPI void PlatformTest_AdvanceClock(ULONGLONG milliseconds);
// Scaled, machine-wide: every process's clock runs `factor` times as fast as real time from
// now on (1 or less than or equal to 0: real time), for runs of several programs.
WINBASEAPI void PlatformTest_SetClockScale(double factor);
// This process's manual clock off, and the machine's scale back to 1.
WINBASEAPI void PlatformTest_UseRealClock(void);
#ifdef __cplusplus
// Older names of the manual clock (the machineWide flags are ignored: the manual clock is one
// process's), kept so that tests written against them read the same.
inline void PlatformTest_SetTickCount(ULONGLONG milliseconds, BOOL) { PlatformTest_UseManualClock(milliseconds); }
inline void PlatformTest_AdvanceTickCount(ULONGLONG milliseconds) { PlatformTest_AdvanceClock(milliseconds); }
inline void PlatformTest_ReleaseTickCount(BOOL) { PlatformTest_UseRealClock(); }
#endif
// The Administrators group (S-1-5-32-544) in the machine user's token: present with its
// SE_GROUP_* attributes, or absent (present is FALSE; attributes ignored). Unset, it is present,
// mandatory, enabled and owner (0xF), an elevated administrator; SE_GROUP_USE_FOR_DENY_ONLY
// (0x10) alone plays a filtered one. Control "AdministratorsGroup" ("absent" or the attributes);
// PlatformTest_SetControl("AdministratorsGroup", NULL, ...) takes it back to the default.
WINBASEAPI void PlatformTest_SetAdministratorsGroup(BOOL present, DWORD attributes, BOOL machineWide);
// The nth allocation from now fails (and every later one with andLater); nth 0 turns it off.
WINBASEAPI void PlatformTest_FailAllocation(DWORD nth, BOOL andLater, BOOL machineWide);

// Debugger output (OutputDebugStringA/W) as UTF-8. The calling process's own output is always
// kept; the machine's log, shared by its processes, only while PlatformTest_LogDebugOutputInMachine
// is on. Returns the length of the whole text and copies what fits (terminated) into buffer.
WINBASEAPI size_t PlatformTest_ReadDebugOutput(char* buffer, size_t size, BOOL machineWide);
WINBASEAPI void PlatformTest_ClearDebugOutput(BOOL machineWide);
WINBASEAPI void PlatformTest_LogDebugOutputInMachine(BOOL on);

// ---- Engine fonts and strings ------------------------------------------------------------
// The engine's realisation of a logical font for a device resolution, as the printer DC makes
// it for a text call (the same object again for the same LOGFONTW and resolution); NULL when
// the machine's Fonts folder has no usable font.
struct _FONTOBJ;
struct _STROBJ;
WINBASEAPI struct _FONTOBJ* PlatformTest_RealizeFont(const void* logfontw, ULONG dpi);
// A string in a realised font with its first glyph's origin at (x, y), device pixels, as the
// DC hands it to DrvTextOut. dx: NULL for the font's own advances, else one value a glyph (two
// with dxdy). glyphIndex: the text holds glyph ids. The control "engine.StringBatchGlyphs" = N
// makes the positions come in batches of N through STROBJ_bEnum (STROBJ::pgp NULL).
WINBASEAPI struct _STROBJ* PlatformTest_CreateString(struct _FONTOBJ* font, const WCHAR* text, ULONG count, LONG x,
                                                     LONG y, const INT* dx, BOOL glyphIndex, BOOL dxdy);
WINBASEAPI void PlatformTest_DeleteString(struct _STROBJ* string);

#ifdef __cplusplus
}

#include <string>

// The captured debugger output as a string.
inline std::string PlatformTest_DebugOutput(bool machineWide = false) {
  std::string text(PlatformTest_ReadDebugOutput(nullptr, 0, machineWide) + 1, '\0');
  size_t n = PlatformTest_ReadDebugOutput(text.data(), text.size(), machineWide);
  text.resize(n < text.size() ? n : text.size() - 1);
  return text;
}
#endif

// ---- Graphics engine drawing objects ---------------------------------------------------------
// A driver's tests build the path, clip, brush, line-attribute and colour-translation objects
// the stand-in DC would hand the driver's drawing functions, and hand them to DrvStrokePath,
// DrvFillPath, DrvBitBlt ... directly. The engine services (PATHOBJ_bEnum, CLIPOBJ_bEnum,
// BRUSHOBJ_pvGetRbrush, XLATEOBJ_iXlate ...) answer for them exactly as for the DC's own.
// Each Create has its Delete (paths: EngDeletePath); the plat_testing helpers below release
// them by themselves.
#include <win/ddi.h>

#ifdef __cplusplus
extern "C" {
#endif

// Points in 28.4 fixed point with GetPath's tags: PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4 (in
// threes), | PT_CLOSEFIGURE 1 on a figure's last point. NULL for a bad tag sequence.
WINBASEAPI PATHOBJ* PlatformTest_CreatePath(const POINTFIX* points, const BYTE* types, ULONG count);
// DC_TRIVIAL over `bounds` (NULL: a very large surface).
WINBASEAPI CLIPOBJ* PlatformTest_CreateTrivialClip(const RECTL* bounds);
// The region of the rectangles (normalised): DC_RECT for one rectangle, DC_COMPLEX for more, with
// the engine's iUniq for that region. drawBounds (may be NULL): what the drawing covers.
WINBASEAPI CLIPOBJ* PlatformTest_CreateRegionClip(const RECTL* rects, ULONG count, const RECTL* drawBounds);
WINBASEAPI void PlatformTest_DeleteClip(CLIPOBJ* clip);
// iSolidColor = color (the device's RGB form, as a COLORREF).
WINBASEAPI BRUSHOBJ* PlatformTest_CreateSolidBrush(ULONG color);
// Realised on first BRUSHOBJ_pvGetRbrush through `realize` (the driver's DrvRealizeBrush) for
// `target` (its surface): hatches as the standard 8 x 8 1-bit bitmaps with entry 0 the hatch
// colour and entry 1 the background; patterns with their own bitmap (rows at bits + y * stride,
// a negative stride for a bottom-up picture) and `colors` as an indexed palette (none: 16-bit
// 5-5-5 bitfields or 24/32-bit BGR, as for DIBs).
WINBASEAPI BRUSHOBJ* PlatformTest_CreateHatchBrush(ULONG hatch, COLORREF hatchColor, COLORREF background,
                                                   PFN_DrvRealizeBrush realize, SURFOBJ* target);
WINBASEAPI BRUSHOBJ* PlatformTest_CreatePatternBrush(ULONG format, LONG width, LONG height, const BYTE* bits,
                                                     LONG stride, const ULONG* colors, ULONG colorCount,
                                                     PFN_DrvRealizeBrush realize, SURFOBJ* target);
// How many times the engine has called DrvRealizeBrush for the brush.
WINBASEAPI ULONG PlatformTest_BrushRealizeCalls(BRUSHOBJ* brush);
WINBASEAPI void PlatformTest_DeleteBrush(BRUSHOBJ* brush);
// The translation from a source palette (PAL_INDEXED with COLORREF entries, PAL_RGB, PAL_BGR,
// PAL_BITFIELDS with the masks) to the device (PAL_RGB).
WINBASEAPI XLATEOBJ* PlatformTest_CreateXlate(ULONG sourceMode, const ULONG* colors, ULONG count, FLONG red,
                                              FLONG green, FLONG blue);
WINBASEAPI void PlatformTest_DeleteXlate(XLATEOBJ* xlate);
// The translation the engine gives a DIB source onto the device: the DIB's bit count,
// biCompression (BI_RGB 0, BI_BITFIELDS 3), biClrUsed, its colour table (RGBQUAD bytes,
// quadCount entries) and, for BI_BITFIELDS, its three masks.
WINBASEAPI XLATEOBJ* PlatformTest_CreateDibXlate(WORD bitCount, DWORD compression, DWORD clrUsed, const BYTE* quads,
                                                 ULONG quadCount, const DWORD* masks);
// LINEATTRS as the engine builds them from a pen (the PS_ style word, the width in device units,
// PS_USERSTYLE entries). NULL for PS_NULL.
WINBASEAPI LINEATTRS* PlatformTest_CreateLineAttrs(DWORD penStyle, ULONG width, const DWORD* userStyle,
                                                   ULONG userCount);
WINBASEAPI void PlatformTest_DeleteLineAttrs(LINEATTRS* attrs);

// The path calls as the DC makes them through the engine, with the engine's answers to a
// refusal: a refused geometric stroke is widened and filled (FP_WINDINGMODE), a refused fill
// under a DC_COMPLEX clip is filled again one clip rectangle at a time, a refused
// stroke-and-fill becomes a fill and a stroke. `functions` is the driver's DRVFN table (only
// the path functions are called).
WINBASEAPI BOOL PlatformTest_EngineStrokePath(const DRVFN* functions, ULONG count, SURFOBJ* pso, PATHOBJ* ppo,
                                              CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                              LINEATTRS* plineattrs, MIX mix);
WINBASEAPI BOOL PlatformTest_EngineFillPath(const DRVFN* functions, ULONG count, SURFOBJ* pso, PATHOBJ* ppo,
                                            CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                                            FLONG flOptions);
WINBASEAPI BOOL PlatformTest_EngineStrokeAndFillPath(const DRVFN* functions, ULONG count, SURFOBJ* pso,
                                                     PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pboStroke,
                                                     LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg,
                                                     MIX mixFill, FLONG flOptions);
// An engine device whose driver is `functions`: EngAssociateSurface accepts it, and the
// engine's own drawing (EngBitBlt, EngGradientFill ...) on a device surface associated with it
// ends in that table's DrvCopyBits.
WINBASEAPI HDEV PlatformTest_CreateEngineDevice(const DRVFN* functions, ULONG count);
WINBASEAPI void PlatformTest_DestroyEngineDevice(HDEV hdev);

#ifdef __cplusplus
}

#include <memory>
#include <vector>

namespace plat_testing {

struct EngineObjectDeleter {
  void operator()(PATHOBJ* p) const { EngDeletePath(p); }
  void operator()(CLIPOBJ* p) const { PlatformTest_DeleteClip(p); }
  void operator()(BRUSHOBJ* p) const { PlatformTest_DeleteBrush(p); }
  void operator()(XLATEOBJ* p) const { PlatformTest_DeleteXlate(p); }
  void operator()(LINEATTRS* p) const { PlatformTest_DeleteLineAttrs(p); }
};

using Path = std::unique_ptr<PATHOBJ, EngineObjectDeleter>;
using Clip = std::unique_ptr<CLIPOBJ, EngineObjectDeleter>;
using Brush = std::unique_ptr<BRUSHOBJ, EngineObjectDeleter>;
using Xlate = std::unique_ptr<XLATEOBJ, EngineObjectDeleter>;
using LineAttrs = std::unique_ptr<LINEATTRS, EngineObjectDeleter>;

constexpr BYTE kPtMoveTo = 0x06;
constexpr BYTE kPtLineTo = 0x02;
constexpr BYTE kPtBezierTo = 0x04;
constexpr BYTE kPtCloseFigure = 0x01;

inline Path MakePath(const std::vector<POINTFIX>& points, const std::vector<BYTE>& types) {
  if (points.size() != types.size()) return nullptr;
  return Path(PlatformTest_CreatePath(points.data(), types.data(), static_cast<ULONG>(points.size())));
}

// A polyline (closed: a polygon) through whole device dots.
inline Path MakePolyline(const std::vector<POINTL>& dots, bool closed = false) {
  std::vector<POINTFIX> points;
  std::vector<BYTE> types;
  for (const POINTL& p : dots) {
    points.push_back(POINTFIX{p.x * 16, p.y * 16});
    types.push_back(types.empty() ? kPtMoveTo : kPtLineTo);
  }
  if (closed && types.size() > 1) types.back() |= kPtCloseFigure;
  return MakePath(points, types);
}

// Béziers through whole device dots: the start, then control, control, end for each curve.
inline Path MakeBeziers(const std::vector<POINTL>& dots, bool closed = false) {
  std::vector<POINTFIX> points;
  std::vector<BYTE> types;
  for (const POINTL& p : dots) {
    points.push_back(POINTFIX{p.x * 16, p.y * 16});
    types.push_back(types.empty() ? kPtMoveTo : kPtBezierTo);
  }
  if (closed && types.size() > 1) types.back() |= kPtCloseFigure;
  return MakePath(points, types);
}

inline Clip MakeClip() { return Clip(PlatformTest_CreateTrivialClip(nullptr)); }
inline Clip MakeClip(const RECTL& rect) { return Clip(PlatformTest_CreateRegionClip(&rect, 1, nullptr)); }
inline Clip MakeClip(const std::vector<RECTL>& rects, const RECTL* drawBounds = nullptr) {
  return Clip(PlatformTest_CreateRegionClip(rects.data(), static_cast<ULONG>(rects.size()), drawBounds));
}

inline Brush MakeSolidBrush(ULONG color) { return Brush(PlatformTest_CreateSolidBrush(color)); }
inline Brush MakeHatchBrush(ULONG hatch, COLORREF hatchColor, COLORREF background, PFN_DrvRealizeBrush realize,
                            SURFOBJ* target) {
  return Brush(PlatformTest_CreateHatchBrush(hatch, hatchColor, background, realize, target));
}
inline Brush MakePatternBrush(ULONG format, LONG width, LONG height, const std::vector<BYTE>& bits, LONG stride,
                              const std::vector<ULONG>& colors, PFN_DrvRealizeBrush realize, SURFOBJ* target) {
  // A negative stride names a bottom-up picture: its top row is the last one in memory.
  const BYTE* top = bits.data();
  if (stride < 0 && height > 0) top += static_cast<size_t>(-stride) * static_cast<size_t>(height - 1);
  return Brush(PlatformTest_CreatePatternBrush(format, width, height, bits.empty() ? nullptr : top, stride,
                                               colors.empty() ? nullptr : colors.data(),
                                               static_cast<ULONG>(colors.size()), realize, target));
}

inline Xlate MakeXlate(ULONG sourceMode, const std::vector<ULONG>& colors = {}, FLONG red = 0, FLONG green = 0,
                       FLONG blue = 0) {
  return Xlate(PlatformTest_CreateXlate(sourceMode, colors.data(), static_cast<ULONG>(colors.size()), red, green,
                                        blue));
}

// quads: RGBQUAD bytes (blue, green, red, reserved) of each colour-table entry.
inline Xlate MakeDibXlate(WORD bitCount, DWORD compression = 0, DWORD clrUsed = 0,
                          const std::vector<BYTE>& quads = {}, const DWORD* masks = nullptr) {
  return Xlate(PlatformTest_CreateDibXlate(bitCount, compression, clrUsed, quads.empty() ? nullptr : quads.data(),
                                           static_cast<ULONG>(quads.size() / 4), masks));
}

inline LineAttrs MakeLineAttrs(DWORD penStyle, ULONG width = 1, const std::vector<DWORD>& userStyle = {}) {
  return LineAttrs(PlatformTest_CreateLineAttrs(penStyle, width, userStyle.data(),
                                                static_cast<ULONG>(userStyle.size())));
}

}  // namespace plat_testing
#endif

// ---- Desktop: screen, message boxes, the call log ---------------------------------------------
// Named controls (PlatformTest_SetControl), read at each call:
//   "ScreenWidth", "ScreenHeight"  the screen (1920 x 1080 unless set)
//   "TaskbarHeight"                the taskbar along the bottom (40 unless set); the work area is
//                                  the screen above it until SPI_SETWORKAREA sets "WorkArea"
//   "WorkArea"                     "left top right bottom"
//   "MinAnimate"                   SPI_GETANIMATION's iMinAnimate (1 unless set)
//   "BoxStrict"                    "1": an unscripted message box ends its program
// The machine's call log <root>/desktop/calls.jsonl holds one JSON object a line, each with
// "pid", "program" and "event" ("box", "timer", "message-filter", "shell", ...).

#ifdef __cplusplus
extern "C" {
#endif

// Queues the answer of one message box of the machine: the next box whose program (the image's
// file name, without case), text and caption contain what is given (NULL or "" matches any) is
// answered with `button` (IDOK...), after pumping its thread's messages for pumpMs ms.
WINBASEAPI void PlatformTest_QueueBoxAnswer(const WCHAR* program, const WCHAR* text, const WCHAR* caption, int button,
                                            DWORD pumpMs);
// Forgets the answers not yet used.
WINBASEAPI void PlatformTest_ClearBoxAnswers(void);
// Makes a live host process (one the test started itself, such as a sleeping helper) a process
// of the machine whose program is `image` (a Windows path): EnumProcesses lists it and the
// module queries name it. FALSE when no such process runs.
WINBASEAPI BOOL PlatformTest_AddMachineProcess(DWORD pid, const WCHAR* image);
// Injected input, queued in the receiving thread's input queue as the user's would be.
// Mouse: `message` is WM_MOUSEMOVE, WM_LBUTTONDOWN/UP or WM_RBUTTONDOWN/UP at the screen point
// (x, y); the deepest visible window there answers WM_NCHITTEST (HTTRANSPARENT passes the
// point on to the window below) and gets WM_SETCURSOR sent, then the client message (client
// coordinates) or the non-client one (WM_NC..., the hit-test code, screen coordinates) is
// queued; the window that left the pointer gets its tracked WM_MOUSELEAVE. Returns the window
// that took the input, NULL when none did.
WINBASEAPI HWND PlatformTest_MouseInput(int x, int y, UINT message);
// A key going down or up, to the focus window of the foreground window's thread (the
// foreground window itself when the focus lies elsewhere), with the platform's lParam. Keys
// held (VK_MENU for Alt, VK_CONTROL) change the message as on the platform: Alt+F4 arrives as
// WM_SYSKEYDOWN with the context bit, which DefWindowProcW turns into SC_CLOSE.
WINBASEAPI BOOL PlatformTest_KeyInput(WORD virtualKey, BOOL down);
// Types the text into the focus window: each character as VK_PACKET down, WM_CHAR, VK_PACKET up.
WINBASEAPI BOOL PlatformTest_TypeText(const WCHAR* text);
// Makes every start of the program `fileName` (a file name, without case) fail with `error`,
// through CreateProcessW and ShellExecute alike: ERROR_FILE_NOT_FOUND stands for an absent
// program; 0 lets it start again. Machine-wide.
WINBASEAPI void PlatformTest_FailProgramStart(const WCHAR* fileName, DWORD error);
// The machine's call log as UTF-8 JSON lines. Returns the length of the whole text and copies
// what fits (terminated) into buffer.
WINBASEAPI size_t PlatformTest_ReadCallLog(char* buffer, size_t size);

#ifdef __cplusplus
}
#endif

// ---- Dialogs and the user's actions on controls ----------------------------------------------
#ifdef __cplusplus
extern "C" {
#endif
// Run once at the first idle of a modal dialog's loop (DialogBox, PropertySheetW) whose template
// name ("#101" for an id, else the name) or title equals `key` (NULL: any dialog); the loop then
// goes on until the dialog ends. A new action for the same key replaces the old; NULL removes
// it. Unscripted modal dialogs are cancelled at their first idle and logged, unless the machine
// control "DialogWait" is "1" (another process acts on them). Process-wide.
typedef void (*PlatformTestDialogAction)(HWND dialog, void* context);
WINBASEAPI void PlatformTest_SetDialogAction(const WCHAR* key, PlatformTestDialogAction action, void* context);
WINBASEAPI void PlatformTest_ClearDialogActions(void);
// A left click at the centre of the window (or at a point of its client area): delivered to the
// window under the point, passing through statics without SS_NOTIFY; a disabled window takes
// none. Returns the window that got the click, or NULL.
WINBASEAPI HWND PlatformTest_Click(HWND hWnd);
WINBASEAPI HWND PlatformTest_ClickAt(HWND hWnd, int x, int y);
// A key pressed and released with the focus in the window, through the dialog's keyboard
// handling (Tab, Enter, Escape, F1, arrows).
WINBASEAPI void PlatformTest_Key(HWND hWnd, UINT virtualKey);
// Characters typed into the window after it takes the focus ('\b' is Backspace).
WINBASEAPI void PlatformTest_Type(HWND hWnd, const WCHAR* text);
// Combo and list boxes, list views: the user picks item `index` (a closed drop-down opens and
// closes around the pick); drops the list; closes it (cancel: without a choice).
WINBASEAPI void PlatformTest_Pick(HWND hWnd, int index);
WINBASEAPI void PlatformTest_Drop(HWND hWnd);
WINBASEAPI void PlatformTest_CloseUp(HWND hWnd, BOOL cancel);
// The mouse rests on the window: the window under it gets WM_MOUSEMOVE, and a tooltip with a
// tool for the window (by window, or by a rectangle of its parent) shows its text, asking the
// owner with TTN_GETDISPINFOW for a callback text. The tooltip that shows, or NULL.
WINBASEAPI HWND PlatformTest_Hover(HWND hWnd);
// The window of page `index` of a property sheet, NULL while the page has not been visited. The
// user picks a sheet's tab with PlatformTest_Pick(sheet, index).
WINBASEAPI HWND PlatformTest_SheetPage(HWND sheet, int index);
// The brush the control last painted its background with: its parent's WM_CTLCOLOR* answer, or
// NULL when that answer was no live brush.
WINBASEAPI HBRUSH PlatformTest_ControlBackground(HWND hWnd);
#ifdef __cplusplus
}
#endif

// ---- Common property-sheet host (CommonPropertySheetUIW) ------------------------------------
#ifdef __cplusplus
extern "C" {
#endif
// Without a script the host shows the pages in a real property sheet (PropertySheetW), on which a
// test acts through PlatformTest_SetDialogAction (keyed by the sheet's title). With a script the
// host shows no windows: a sheet "opens" the first `pagesVisited` pages (PSPCB_CREATE to each
// page with a callback), runs `whileOpen` (when set) as a page procedure would run, with the
// sheet's handle and the host's ComPropSheet callback, then closes as if `button` was pressed
// (1 OK, 2 Cancel). PlatformTest_UseRealPropertySheet drops the script. Process-wide.
typedef void (*PlatformTestSheetAction)(HANDLE hComPropSheet,
                                        LONG_PTR(CALLBACK* pfnComPropSheet)(HANDLE, UINT, LPARAM, LPARAM),
                                        void* context);
WINBASEAPI void PlatformTest_SetPropertySheetScript(DWORD pagesVisited, int button, PlatformTestSheetAction whileOpen,
                                                    void* context);
WINBASEAPI void PlatformTest_UseRealPropertySheet(void);
// The record of the calling process's last sheet, one line per event in the order they
// happened ("INIT -> 1", "ADD_PAGE 0 size=104 flags=0x000000ac template=111 title=Basic
// callback=yes -> page", "GET_INFO_HEADER -> 1 flags=0x4 title=... hInst=yes icon=64082",
// "GET_ICON -> -1", "CREATE 0 -> 1", "CLOSE OK", "SET_RESULT page=0 result=1 -> 1",
// "RELEASE 0 -> 1", "DESTROY 1 -> 1"). Returns the bytes of the whole text with its
// terminator and copies what fits.
WINBASEAPI DWORD PlatformTest_ReadPropertySheetRecord(char* buffer, DWORD capacity);
// The host's copy of page `index` of the last sheet; FALSE beyond its pages.
WINBASEAPI BOOL PlatformTest_GetPropertySheetPage(DWORD index, void* page, DWORD pageBytes);
#ifdef __cplusplus
}

inline std::string PlatformTest_PropertySheetRecord() {
  std::string text(PlatformTest_ReadPropertySheetRecord(nullptr, 0), '\0');
  PlatformTest_ReadPropertySheetRecord(text.data(), static_cast<DWORD>(text.size()));
  if (!text.empty()) text.pop_back();
  return text;
}
#endif

// ---- Menus, common dialogs: the user's answers ------------------------------------------------
// Machine-wide scripts like the message boxes': each answer is taken by the next matching
// piece of interface of any process of the machine whose program (the image's file name,
// without case) is `program` (NULL or "": any), then forgotten. Unscripted, each is cancelled.
// Every one is recorded in the call log ("event" "menu", "open-file", "choose-color").
#ifdef __cplusplus
extern "C" {
#endif
// The next pop-up menu (TrackPopupMenu(Ex)) chooses the item with `commandId` (0: the user
// cancels it), after pumping its thread's messages for pumpMs ms. An item that is missing,
// greyed or disabled cannot be chosen: that menu is cancelled and the log names the refusal.
WINBASEAPI void PlatformTest_QueueMenuChoice(const WCHAR* program, UINT commandId, DWORD pumpMs);
WINBASEAPI void PlatformTest_ClearMenuChoices(void);
// The next GetOpenFileNameW is answered with `path` (a Windows path), or cancelled (NULL).
WINBASEAPI void PlatformTest_QueueOpenFileAnswer(const WCHAR* program, const WCHAR* path);
// The next ChooseColorW is answered with `color` (ok TRUE) or cancelled.
WINBASEAPI void PlatformTest_QueueColorAnswer(const WCHAR* program, BOOL ok, COLORREF color);
WINBASEAPI void PlatformTest_ClearDialogAnswers(void);
#ifdef __cplusplus
}
#endif

// ---- The taskbar and its notification area ----------------------------------------------------
// The notification area runs on a fresh machine; the taskbar's windows do not exist there.
#include <win/shell_notify.h>

#ifdef __cplusplus
extern "C" {
#endif
// Stops the taskbar's program: every icon is forgotten and Shell_NotifyIconW fails until it
// runs again (the machine-wide control "TaskbarStopped").
WINBASEAPI void PlatformTest_StopTaskbar(void);
// Runs it again, empty, and posts the registered message "TaskbarCreated" to every top-level
// window of the machine, as the platform's taskbar does when it starts.
WINBASEAPI void PlatformTest_RestartTaskbar(void);
// Makes the taskbar's windows on the calling thread: "Shell_TrayWnd" along `edge` (ABE_*; 40
// pixels thick unless "TaskbarHeight" says otherwise) holding "TrayNotifyWnd" (200 x 40 at the
// far end of a horizontal bar, the bar's width x 120 at the bottom of a vertical one), which
// holds "TrayClockWClass" (its last 80 pixels across, or its last 40 down). Returns the
// "Shell_TrayWnd" window; NULL when the windows exist already.
WINBASEAPI HWND PlatformTest_AddTaskbarWindows(UINT edge);
WINBASEAPI void PlatformTest_RemoveTaskbarWindows(void);
// The taskbar's state of an icon and the bytes of the last record passed for it (up to
// *lastRecordSize bytes; *lastRecordSize becomes their count). FALSE when there is no such icon.
WINBASEAPI BOOL PlatformTest_GetTrayIcon(HWND hwnd, UINT id, NOTIFYICONDATAW* state, BYTE* lastRecord,
                                         DWORD* lastRecordSize);
WINBASEAPI DWORD PlatformTest_CountTrayIcons(void);
// The user acts on an icon with the mouse (WM_RBUTTONUP, WM_LBUTTONDBLCLK ...): its callback
// message is posted to its window, with the id in wParam and the mouse message in lParam (for
// NOTIFYICON_VERSION_4: the mouse message in lParam's low word, the id in its high word).
// FALSE when the icon is not there, hidden, has no callback message, or the taskbar is stopped.
WINBASEAPI BOOL PlatformTest_TrayIconEvent(HWND hwnd, UINT id, UINT mouseMessage);
#ifdef __cplusplus
}
#endif

// ---- GDI: display list, failures, window capture ---------------------------------------------
// Named controls (PlatformTest_SetControl); any value other than "0" makes every such call fail
// with ERROR_NOT_ENOUGH_MEMORY until the control is removed:
#define PLATFORMTEST_GDI_FAIL_COMPATIBLE_DC "gdi.FailCreateCompatibleDC"
#define PLATFORMTEST_GDI_FAIL_COMPATIBLE_BITMAP "gdi.FailCreateCompatibleBitmap"
// "N Name": once the process has made N font enumerations (EnumFontFamiliesW/ExW) since the
// control was set, every later one also lists a TrueType family "Name", as if it had been
// installed meanwhile ("1 Name": the second of two passes sees it, the first does not).
#define PLATFORMTEST_GDI_FONT_FAMILY_ADDED "gdi.FontFamilyAddedAfter"
#ifdef __cplusplus
extern "C" {
#endif
// Turns the process's GDI display list on or off, emptying it either way. While on, each DC
// call that draws, selects what draws or talks to the device adds a line
// "<dc> <call> <details>", the DC named by kind and order of first appearance ("printer1",
// "memory1", "window1", "screen1"), with fonts, colours and rectangles in the details. The
// calls still draw.
WINBASEAPI void PlatformTest_RecordGdiCalls(BOOL on);
// The display list as UTF-8 lines. Returns the length of the whole text and copies what fits
// (terminated) into buffer.
WINBASEAPI size_t PlatformTest_ReadGdiRecord(char* buffer, size_t size);
// Writes `window` (a top-level window or a child such as a sheet page) to `pngPath` (a host
// path) as an RGB PNG of the window's size: the window's thread first paints what is pending
// in the window and its children; a window with a border gets a plain one-pixel frame. A window
// of another thread or process of the machine is captured by its own thread (its default window
// procedure answers the request, so that thread must be pumping). FALSE with the last error.
WINBASEAPI BOOL PlatformTest_CaptureWindow(HWND window, const char* pngPath);
#ifdef __cplusplus
}

inline std::string PlatformTest_GdiRecord() {
  std::string text(PlatformTest_ReadGdiRecord(nullptr, 0) + 1, '\0');
  size_t n = PlatformTest_ReadGdiRecord(text.data(), text.size());
  text.resize(n < text.size() ? n : text.size() - 1);
  return text;
}
#endif
