// Spool-file replay: jobs whose sheets cannot stream to the printer as they are drawn (driver-made
// collated copies, reverse order, posters, driver-made duplex, booklets, stored forms) are
// written to a temporary spool file with a page table (gdi/spool), and played back to the
// printer at the end of the document in the order and form the settings ask for.
//
// The spool file holds one PJL + PCL XL job exactly as a direct job would send it: record 0 is
// the job header (PJL, BeginSession, OpenDataSource), then one record per sheet (BeginPage ..
// PageCopies EndPage), and the last record the trailer (CloseDataSource, EndSession, PJL end).
// The playback copies whole records, and finds places inside a sheet by searching its record for
// the three-byte attribute + operator marks below.
#pragma once

#include <cstdint>

#include <win/base.h>

#include "gdi/pdev.h"

// Attribute tag, attribute id, operator.
constexpr BYTE SPOOL_MARK_MEDIA_SIZE[3] = {0xF8, 0x25, 0x43};          // MediaSize BeginPage
constexpr BYTE SPOOL_MARK_CUSTOM_MEDIA_UNITS[3] = {0xF8, 0x30, 0x43};  // CustomMediaSizeUnits BeginPage
constexpr BYTE SPOOL_MARK_PAGE_COPIES[3] = {0xF8, 0x31, 0x44};         // PageCopies EndPage
constexpr BYTE SPOOL_MARK_PAGE_ANGLE[3] = {0xF8, 0x29, 0x76};          // PageAngle SetPageRotation
constexpr BYTE SPOOL_MARK_PAGE_ORIGIN[3] = {0xF8, 0x2A, 0x75};         // PageOrigin SetPageOrigin
constexpr size_t SPOOL_MARK_BYTES = 3;
// A sheet ends with PageCopies (uint16 value, attribute) and EndPage.
constexpr DWORD SPOOL_SHEET_CLOSING_BYTES = 6;
// The sint16 pair before a PageOrigin mark.
constexpr DWORD SPOOL_ORIGIN_VALUE_BYTES = 5;
// Copy range and Find mark move the file in pieces this large.
constexpr DWORD SPOOL_COPY_PIECE = 4096;
// Find mark's answer when the pattern is not in the range.
constexpr ULONGLONG SPOOL_MARK_NOT_FOUND = ~0ULL;

// The job-file set-up at the start of each document: the output state reset (empty buffer of
// 4096 bytes, no page table), the rearrangements the job copy asks for, and the temporary spool
// file they need. A job whose spool file cannot be made streams to the printer without them
// (the printer then makes its copies).
void Spool_OpenJobFiles(PDEV* pdev);
// Plays the spool file back to the printer at the end of the document, after the trailer was
// written to it, and always removes the file and the page table afterwards. TRUE when the job
// was played (an empty job counts as played) or was not spooled; FALSE when the playback failed.
BOOL Spool_EndJob(PDEV* pdev);

// Copies [offset, offset + length) of the file to the printer in pieces of at most 4096 bytes
// (to the form file instead while a form file is created). FALSE when a read or a write failed;
// the job's output is then stopped.
BOOL Spool_CopyRange(PDEV* pdev, HANDLE file, ULONGLONG offset, ULONGLONG length);
// The offset of the first occurrence of the pattern in [offset, end) of the file, read in
// 4096-byte blocks that overlap by the pattern's length less one; SPOOL_MARK_NOT_FOUND when
// it is not there or the file cannot be read.
ULONGLONG Spool_FindMark(PDEV* pdev, HANDLE file, ULONGLONG offset, ULONGLONG end, const BYTE* pattern,
                         size_t length);
// The first BeginPage of [offset, end): after MediaSize, or after CustomMediaSizeUnits on a
// custom-size page.
ULONGLONG Spool_FindPageStart(PDEV* pdev, HANDLE file, ULONGLONG offset, ULONGLONG end);

// ---- Driver-made duplex ---------------------------------------------------------------------------

// One sheet of a duplexed job: record numbers of its front and back; back 0 is a blank side.
struct SpoolDuplexSheet {
  DWORD front;
  DWORD back;
};
// Splits the sheet records first..last into sheets: a run is a sequence of records with equal
// page values; a front is an even position of its run, the back the following record; a run
// that ends after a front, and the last front, leave a blank back. Writes at most `capacity`
// sheets and answers how many there are.
DWORD Spool_SplitDuplex(const PageRecord* pages, DWORD first, DWORD last, SpoolDuplexSheet* sheets, DWORD capacity);

// ---- Posters ------------------------------------------------------------------------------------

// The inputs of one poster tile's origin, all in device dots.
struct SpoolPosterGeometry {
  LONG margin;           // m = 96 x (resolution index + 1)
  LONG sheetWidth;       // Wp, Hp: the sheet's page size
  LONG sheetHeight;
  LONG sheetLeft;        // a, b: the sheet's left and top margins
  LONG sheetTop;
  LONG paperWidth;       // Wd, Hd: the settings' paper, turned to the sheet's orientation
  LONG paperHeight;
  double scaleX;         // sx, sy: the page scale of the job
  double scaleY;
  double overlap;        // F
};
// The SetPageOrigin of tile (column, row), each from 1, truncated to whole dots. FALSE when it
// does not fit a signed 16-bit pair.
BOOL Spool_PosterTileOrigin(const SpoolPosterGeometry* geometry, int column, int row, SHORT* x, SHORT* y);
// Tiles per side: 2, 3 or 4 for wPosterType 0, 1, 2 (2 for any other value).
int Spool_PosterTiles(DWORD posterType);
// F: 0 unless a zoom (ISFSet 1) with a ratio other than n x 100 is set; then ratio / 100 - 2.
double Spool_PosterOverlap(const RenderDevmode* settings, int tiles);
// The crop marks of a poster tile on a sheet of width x height dots (writer output).
void Spool_WriteCropMarks(PDEV* pdev, LONG width, LONG height);

// ---- Booklets -------------------------------------------------------------------------------------

// The size of booklet `index` (from 0) of a job of `pages` logical pages: mode 0 one booklet of
// all pages, mode 1 booklets of 4 x sheetCount pages, mode 2 booklets of at most 200 pages; the
// last booklet takes the remainder. 0 past the last booklet.
DWORD Spool_BookletPages(BYTE mode, BYTE sheetCount, DWORD pages, DWORD index);
// One side of a booklet sheet: the logical pages (from 1) of its left and right halves; a page
// above the booklet's count is blank.
struct SpoolBookletSide {
  DWORD left;
  DWORD right;
};
// The front and back of sheet s (0 = outermost) of a booklet of n pages, padded to P = 4 x
// ceil(n / 4): front P - 2s and 2s + 1, back 2s + 2 and P - 2s - 1. Pages above n come back as 0.
void Spool_BookletSheet(DWORD pages, DWORD sheet, SpoolBookletSide* front, SpoolBookletSide* back);

// Plays the sheet records as booklets, each booklet `copies` times (gdi/spoolbook).
void Spool_PlayBooklets(PDEV* pdev, DWORD copies);

// ---- Hooks of the overlay forms ---------------------------------------------------------------

// Step 4 of the opening: the overlay-forms module sets JOF_FORM_CREATE or JOF_STORED_FORM in
// *flags for bOverlay 2 or 1 (a stored form whose file exists) (gdi/form).
void Spool_PrepareForms(PDEV* pdev, DWORD* flags);
// Step 7 of the opening, after the spool file: the form file is created, or the stored form
// opened, by the overlay-forms module (gdi/form).
void Spool_OpenFormFiles(PDEV* pdev);
// Places the stored form on the sheet being played (record `sheet`), between the sheet's
// header part and its content, or before a poster tile's closing bytes (gdi/form).
void Spool_PlaceStoredForm(PDEV* pdev, DWORD sheet);
