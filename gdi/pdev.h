// PDEV: the renderer's device record. The engine hands it back to every driver function; each
// module of the renderer keeps its state in one named group of it. The record is one
// zero-filled block: a module's group starts out as all zeros, which must mean "nothing yet".
//
// Two spans of the record have job lifetimes, kept as sub-records so that "clear the job" and
// "hand the job to the new PDEV" are one member each:
//   - PDEV::job       (PdevJobState)   zeroed at every new document (the guard is written again);
//   - PDEV::jobCtl    (PdevJobControl) and PDEV::job together move from the old PDEV to the new
//                     one in DrvResetPDEV.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>
#include <win/ddi.h>

#include <intrface/devmod2.h>

#include "gdi/formfile.h"  // DfdHeader, DfdStoredForm
#include "gdi/gxstate.h"  // PdevGraphicsState, PdevBrushState

namespace vm4k2 {
struct FontSubstitutionRecord;  // shared with the user interface (include/vm4k2)
}

// ---- Job flags (PdevJobControl::flags) -------------------------------------------------------
// 0x20000, 0x80000, 0x100000 and 0x200000 belong to the image writer, which names them.
constexpr DWORD JF_PAGE_STARTED = 0x1;           // JobCtrl_StartPage ran for the current page
constexpr DWORD JF_PAGE_SETUP_DONE = 0x2;        // the page's set-up is out
constexpr DWORD JF_JOB_OPEN = 0x40;              // between the job start and the job end
constexpr DWORD JF_OUTPUT_STOPPED = 0x80;        // nothing more is written for this job
constexpr DWORD JF_PAGE_OPEN = 0x1000;           // between DrvStartPage and DrvSendPage
constexpr DWORD JF_WATERMARK = 0x2000;           // between ESC_WM_BEGIN and ESC_WM_END
constexpr DWORD JF_ERROR_RECORDED = 0x4000;      // the first error of the job/sheet is kept
constexpr DWORD JF_JOB_STARTED = 0x8000;         // PJL header, BeginSession, OpenDataSource out
constexpr DWORD JF_PDF_DOCUMENT = 0x400000;      // the document name ends in ".PDF"
constexpr DWORD JF_RESTART_MARK = 0x800000;      // a ResetPDEV changed copies/collation/layout
constexpr DWORD JF_JOB_ENDING = 0x2000000;       // DrvEndDoc is running
constexpr DWORD JF_FORM_PART_OPEN = 0x8000000;   // ESC_FORM_BEGINPART .. ESC_FORM_ENDPART
// A write of the job's bytes failed (printer, spool file or form file). Unlike an aborted
// document (which only stops the output) the job's end must report this one as a failure.
constexpr DWORD JF_OUTPUT_FAILED = 0x10000000;
// The job header went out although the job is not "started on the wire" (driver-made duplex
// keeps JF_JOB_STARTED clear for the replay): stops a second header at the next sheet.
constexpr DWORD JF_HEADER_WRITTEN = 0x20000000;

// ---- Job output flags (PdevOutputState::flags): where the job's bytes go ----------------------
constexpr DWORD JOF_FORM_CREATE = 0x1;        // a form file is being created from this job
constexpr DWORD JOF_STORED_FORM = 0x2;        // a stored form is printed on every page
constexpr DWORD JOF_DRIVER_COLLATE = 0x4;     // the driver makes the collated copies
constexpr DWORD JOF_REVERSE_ORDER = 0x8;      // sheets are played last to first
constexpr DWORD JOF_TO_PRINTER = 0x20;        // write to the printer (WritePrinter)
constexpr DWORD JOF_TO_SPOOL_FILE = 0x100;    // write to the temporary spool file
constexpr DWORD JOF_POSTER = 0x400;           // every sheet is played as tiles
constexpr DWORD JOF_FORM_FIRST_PAGE = 0x1000; // only the first page goes to the form file
constexpr DWORD JOF_TO_FORM_FILE = 0x2000;    // write to the form file
constexpr DWORD JOF_DRIVER_DUPLEX = 0x4000;   // the driver orders fronts and backs
constexpr DWORD JOF_BOOKLET = 0x8000;         // booklet playback
// The form file has received its page. Kept apart from JOF_TO_FORM_FILE: that bit selects the
// destination and is cleared after the first page, so it cannot also mean "written".
constexpr DWORD JOF_FORM_WRITTEN = 0x10000;

constexpr DWORD PDEV_GUARD = 0x7A7A7A7A;  // "zzzz"
constexpr size_t PDEV_DOCUMENT_NAME_UNITS = 1024;
constexpr size_t PDEV_FIRST_ERROR_BYTES = 103;
constexpr WORD JOB_OUTPUT_BUFFER_SIZE = 4096;

// A page in device dots: size and the four margins.
struct PdevPage {
  SHORT width;
  SHORT height;
  SHORT left;
  SHORT top;
  SHORT right;
  SHORT bottom;
};
static_assert(sizeof(PdevPage) == 12);

// ---- Output state (gdi/spool, with the job-file set-up of the spool replay) -------------------

// Pending bytes of the job; small writes gather here and leave in blocks.
struct JobOutputBuffer {
  WORD capacity;  // 4096 once the job's output state is set up; 0 refuses buffering
  WORD count;     // bytes held, 0..capacity
  BYTE data[JOB_OUTPUT_BUFFER_SIZE];
};
static_assert(sizeof(JobOutputBuffer) == 4 + 4096);
static_assert(offsetof(JobOutputBuffer, data) == 4);

// Where one sheet (record 0: the job header; last record: the trailer) lies in the spool file.
// In memory only; the offset is 64-bit so that a long job's file cannot wrap it.
struct PageRecord {
  ULONGLONG start;      // byte offset in the spool file
  DWORD length;         // bytes of the record
  DWORD headerLength;   // bytes of the sheet's BeginPage sequence
  DWORD pageValues[2];  // the sheet's paper (a custom paper by its id) and paper source
  DWORD pageSize[3];    // page width/height words and the following page-geometry bytes
  BYTE orientation;     // 1 portrait, 2 landscape
  WORD paper;           // dmPaperSize of the job, or FtoPaper when set
};

struct PdevOutputState {
  JobOutputBuffer buffer;
  DWORD flags;              // JOF_*
  HANDLE hSpoolFile;        // temporary spool file of a replayed job
  HANDLE hFormFile;         // overlay form being created
  HANDLE hStoredForm;       // overlay form being printed
  WCHAR spoolPath[MAX_PATH];
  WCHAR formPath[MAX_PATH];
  DWORD position;           // bytes written out since the last page record
  DWORD bytesSent;          // bytes the printer accepted, running total
  DWORD pageHeaderLength;   // bytes of the current sheet's BeginPage sequence
  DWORD formPages;          // pages counted for the form file
  PageRecord* pages;        // spool page table
  DWORD pageCapacity;       // records allocated
  DWORD pageCount;          // records closed
  DWORD copiesToPlay;       // replay copies (spool replay)
  DWORD storedFormStart;    // body of the stored form (overlay forms)
  DWORD storedFormLength;
  BYTE copyBuffer[4096];    // replay copy buffer (spool replay)
};

// ---- Groups of the other renderer modules --------------------------------------------------
// Each module fills its own group; the fields listed are those the writer and the page flow
// already share.

// Page flow (gdi/jobctrl).
struct PdevPageFlowState {
  WORD sheetPages;          // logical pages on the current sheet since its BeginPage
  WORD sheetsInJob;         // physical sheets begun in this job
  DWORD sheetStartTime;     // GetTickCount at the sheet start
  PdevPage referencePage;   // physical page at the job's first page
  WORD referenceOrientation;
  DWORD layoutChanged;      // a later page's physical page differs from the reference
  // The page turns by 180 degrees: decided per page, then the forms the page set-up and
  // BeginPage read (with N-up the decision of the first page holds for the job).
  DWORD turned180;
  DWORD turned180Job;
  DWORD turned180Setup;
  DWORD turned180BeginPage;
  double sideShift;         // binding shift of the current side
};

// Page layout geometry (gdi/jobctrl, layout operations).
struct PdevLayoutState {
  SHORT printableBox[4];    // 0, 0, page width - 2m, page height - 2m
  DWORD columns;            // N-up grid; 1 x 1 without N-up
  DWORD rows;
  double pageScale[2];      // zoom, fit or poster scale of a one-up page
  double nupScale[2];       // scale of a logical page in its cell
  WORD cellAngle;           // rotation of the current logical page: 0, 90 or 270
  WORD outputPaper;         // paper id the sheets are printed on when it is not the document's
  WORD jobPaper;            // paper id of the job's first BeginPage
  // SetPageScale factors: two fit factors (their minimum is used), the per-axis factors and
  // the two common factors of the page geometry.
  double fitFactor[2];
  double axisFactor[2];
  double commonFactor[2];
};

// One downloaded font (soft-font cache, gdi/fontcach). Records and glyph pages are allocated
// with operator new and released by PclXl_FreeFontLists.
struct FontCacheRecord {
  char faceName[32];
  BYTE privateData[100];
  LONG size;
  LONG angle;
  DWORD key;
  WORD fontNumber;
  DWORD bytes;
  DWORD glyphCount;
  DWORD glyphCount2;
  FontCacheRecord* next;
  // The key is a hash: two faces can share it. The realisation's own number and the kind of
  // soft font are compared with the name, so a glyph of one face is never taken as sent for
  // another.
  ULONG iUniq;
  BYTE kind;                // FCK_TRUETYPE or FCK_BITMAP (gdi/fontcach.h)
};

struct GlyphPage {
  WORD entries[512][2];
  WORD fontNumber;          // 0 = free page
  WORD entryCount;
  BYTE mode;                // list mode (TrueType) or hash mode (bitmap)
  GlyphPage* next;
};

// The font-list block: the fonts and glyphs the printer holds. It lives as long as the
// printer keeps the fonts: emptied only right after every font was removed from the printer.
struct PdevFontLists {
  FontCacheRecord* fonts;   // download order
  GlyphPage* glyphPages;
  FontCacheRecord* lastUsed;
  WORD firstNumber;
  WORD nextNumber;
  BYTE numbersInUse[64];    // bit = font number - first number
  DWORD fontCount;          // records in the list
  DWORD heapBytes;
  DWORD heapPeak;
  DWORD glyphBytesHeld;
  DWORD glyphBytesDropped;
  DWORD probes;
  DWORD hits;
};

// PCL XL writer (gdi/pclxl).
struct PdevPclXlState {
  BYTE polylineSteps[1500 * 2];  // one-byte relative steps of a polyline of up to 1500 points
};

// Image writer and bit-block transfers (gdi/image, gdi/nt/bitblt).
struct PdevImageState {
  DWORD blits;              // DrvBitBlt calls drawn
  DWORD copies;             // DrvCopyBits calls drawn
  DWORD stretches;          // DrvStretchBlt calls drawn
  DWORD transparentBlts;    // DrvTransparentBlt calls drawn
  DWORD copySourceTx;       // 20 (transparent) for the next DrvCopyBits after a triangle gradient
};

// Text output (gdi/text).
struct PdevTextState {
  HANDLE hTextLog;          // text log file while dwDumpFlags asks for it; 0 otherwise
  DWORD flags;              // TXF_* of the current call (gdi/tx.h)
  DWORD codePage;           // of the current string
  LONG charSize;            // of the current font, dots
  BOOL trueTypeMode;        // the current font is a TrueType soft font
  WORD trueTypeFont;        // its number
  BYTE pitchAndFamily;      // of the current font's metrics
  DWORD textCalls;          // statistics only
  DWORD deviceFontRuns;
  DWORD glyphDownloads;
};

// Overlay forms (gdi/form). Output positions count from the start of the form's sheet, which
// is where its record starts in the spool file and offset 137 of the form file.
struct PdevFormState {
  DfdHeader header;         // the header words of the form being created
  DfdStoredForm stored;     // the stored form being printed, as its reader accepted it
  DWORD bodyStart;          // position after the first page's set-up: where the form body starts
  BOOL bodyStartNoted;
  BOOL transformReset;      // the first sheet resets its page transform inside the form body
  DWORD partStart;          // the form part of ESC_FORM_BEGINPART .. ESC_FORM_ENDPART
  DWORD partLength;
  DWORD slotsStarted;       // bit s: slot s has a start
  DWORD slotStarts[DFD_FORM_SLOTS];
  DWORD slotLengths[DFD_FORM_SLOTS];
  DfdSlotPlacement placements[DFD_FORM_SLOTS];
};

// Everything a document owns. Zeroed at each new document; moved by DrvResetPDEV.
struct PdevJobState {
  char firstError[PDEV_FIRST_ERROR_BYTES];  // "File:%s Line:%d\n" of the first internal error
  RenderDevmode jobSettings;                // the job copy of the settings, taken at job start
  PdevPage jobPage;                         // the job's paper in dots
  SHORT substitutedPaper;                   // 0, or 1 Letter / 9 A4 when the paper is unknown
  WORD jobOrientation;                      // orientation at the job start
  PdevLayoutState layout;
  PdevOutputState output;
  PdevPageFlowState pageFlow;
  PdevGraphicsState gx;
  PdevBrushState brush;
  PdevFontLists fontLists;
  PdevPclXlState pclxl;
  PdevImageState image;
  PdevTextState text;
  PdevFormState form;
  WORD pagesInJob;                          // logical pages started in this job
  BYTE reported;                            // bit 2: "Job not opened!" traced since the job start
  DWORD guard;                              // PDEV_GUARD
  DWORD reserved;                           // never set; read by ESC_DRV_GETRESERVED
};

// The job's handles and identity. Survives the document start's clear; moved by DrvResetPDEV.
struct PdevJobControl {
  HANDLE hJobOutput;        // printer handle the job's output goes to; 0 while no job is open
  HANDLE hJobOutputCopy;
  HANDLE hEscape;           // ESC_PRN_GETHANDLE / ESC_PRN_SETHANDLE
  WCHAR documentName[PDEV_DOCUMENT_NAME_UNITS];
  DWORD flags;              // JF_*
  DWORD reserved;           // never set
  DWORD jobId[2];           // dwJobId of DrvStartDoc, two copies
  // Kept per device record rather than per process: one renderer serves several printers and
  // jobs on different threads. Both follow the job across a ResetDC.
  SHORT previousCollate;    // dmCollate of the settings at the last new document
  DWORD docStartTime;       // GetTickCount at DrvStartDoc, for the timing trace
};

struct PdevJobStartScratch {
  BYTE bytes[6];
  void* pointers[2];
};

struct PDEV {
  WORD orientation;             // merged settings: 1 portrait, 2 landscape
  RenderDevmode settings;       // merged settings of this device context
  PdevPage physicalPage;        // paper and resolution in use, in dots
  HDEV hdev;                    // the engine's handle of this device
  HANDLE hPrinter;              // hDriver of DrvEnablePDEV
  BOOL hasDataFile;             // the driver information names a data file
  HSURF hsurf;                  // device surface
  HPALETTE hpal;                // default palette
  void* jobAllocations;         // Util_ListAlloc chain, released at the job end
  PdevJobStartScratch jobStart; // cleared at each new document
  void* deviceFonts;
  DWORD deviceFontCount[2];
  vm4k2::FontSubstitutionRecord* fontSubstitutions;
  DWORD fontSubstitutionCount;
  PdevJobControl jobCtl;
  PdevJobState job;
};

static_assert(sizeof(PdevJobControl::documentName) == 2048);
static_assert(offsetof(PDEV, jobCtl) < offsetof(PDEV, job), "the job state follows its handles");

// Records an internal error of a renderer module in the record: the first one of a job (or of
// the current sheet), every one while no job is open. The text "File:<module> Line:<n>\n" also
// goes to the debug trace. Nobody reads it at run time; it is for whoever inspects the record.
void Pdev_ReportError(PDEV* pdev, const char* sourceFile, int line);
#define PDEV_REPORT_ERROR(pdev) Pdev_ReportError((pdev), __FILE__, __LINE__)
