// Job control: the spine of a print job in the renderer, and the page layout geometry that
// turns the job's settings into each logical page's transform.
//
//   - job and page flow (jobctrl.cpp): when the job header, the session, each sheet and the
//     trailer go out, how logical pages gather onto sheets, how copies are asked for, and how an
//     open job moves from one PDEV to the next across a ResetDC;
//   - layout geometry (jobctrl_layout.cpp): the job's paper, the printable box, the page scale
//     (fit to a substituted paper, poster enlargement), the N-up grid with its cell order and
//     scale, the origin and turn of each logical page, cell borders and grid frames, and the
//     placement of form parts.
//
// Zoom is not part of the page scale: the zoom percent reaches the application as the device's
// logical resolution (dmScale in GDIINFO's ulLogPixels), so an application already draws a
// 1-inch square in zoom-percent of an inch of device dots. Scaling the page again here would
// apply the zoom twice. What SetPageScale carries is the fit or poster scale of a one-up page
// times the N-up scale of a logical page in its cell.
#pragma once

#include <cstdint>

#include <win/base.h>

#include "gdi/pdev.h"
#include "gdi/util.h"

// ---- Job and page flow -------------------------------------------------------------------------

// JobCtrl_StartDoc modes: a new job on the printer handle, or the same job kept going.
constexpr int JOBCTRL_START_KEEP = 0;
constexpr int JOBCTRL_START_NEW = 2;

// JobCtrl_SendPage modes: the end of the job (a pending page is finished or taken back), or
// DrvSendPage's end of a logical page.
constexpr int JOBCTRL_SEND_AT_JOB_END = 0;
constexpr int JOBCTRL_SEND_PAGE = 1;

// The answer of JobCtrl_StartDoc when there is no printer handle to open the job on.
inline HANDLE JobCtrl_NoPrinterHandle() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

// Opens the job: state zeroed (guard written again), output handle and name in mode 2, the job
// copy of the settings and its page, the job's output destinations, the ".PDF" mark. Answers
// the job output handle, or JobCtrl_NoPrinterHandle() when the handle is zero (no job opened).
HANDLE JobCtrl_StartDoc(PDEV* pdev, const WCHAR* documentName, HANDLE printer, int mode);
// Starts a logical page (a second call for the same page does nothing) and emits its set-up.
BOOL JobCtrl_StartPage(PDEV* pdev);
// The page's set-up, once per logical page: the sheet's start (and the job's, lazily) when the
// page is the first of its sheet, then the page transform. TRUE unless a started sheet failed.
BOOL JobCtrl_BeginPageSetup(PDEV* pdev);
// Ends a logical page (mode 1) or, at the job end (mode 0), finishes a page that was drawn but
// not sent and takes back a page that was started but not drawn.
BOOL JobCtrl_SendPage(PDEV* pdev, int mode);
// Ends the physical sheet: soft fonts dropped unless the job streams straight through, the grid
// frame, EndPage with its copy count, the sheet's page record.
void JobCtrl_EndPage(PDEV* pdev);
// Ends the job: pending page and sheet, CloseDataSource, EndSession and the PJL trailer for a
// begun session, then the job is closed. FALSE when the job's output failed on the way.
BOOL JobCtrl_EndDoc(PDEV* pdev);
// Hands the job of `oldPdev` to `newPdev` (DrvResetPDEV). A change of copies, one-up collation
// or a layout group sets the restart mark; an N-up job with the mark keeps its grid and job copy,
// while a one-up job always prints its next page with the new settings. FALSE when the old
// record is missing or its orientation is neither portrait nor landscape.
BOOL JobCtrl_ResetPdev(PDEV* newPdev, PDEV* oldPdev);
// Closes whatever job the record holds: job flags and handles cleared, the job's chained
// allocations, soft-font lists and page table released. The record keeps no job afterwards.
void JobCtrl_CloseJob(PDEV* pdev);

// PageCopies of each sheet: 1 when the driver makes the copies itself, dmCopies otherwise.
WORD JobCtrl_SheetCopies(const PDEV* pdev);
// TRUE when a change from settings a to b during a job touches the copies, the collation (one
// page per sheet) or one of the private layout groups as a whole. The orientation byte is left
// out: the next page must come out in the new orientation.
BOOL Devmode_LayoutGroupsDiffer(const RenderDevmode* a, const RenderDevmode* b);

// ---- Layout geometry -----------------------------------------------------------------------------

// m: the edge margin the layout keeps on every side of the sheet, 96 x (resolution index + 1).
SHORT JobCtrl_EdgeMargin(const RenderDevmode* settings);
// The resolution index of the settings: 0 for 600 dpi, 1 for 1200 dpi.
int JobCtrl_ResolutionIndex(const RenderDevmode* settings);

// The job copy of the merged settings, the job orientation and the job's page (the fit-to
// paper, the settings' paper, or A4/Letter by the locale when the model does not know it).
void JobCtrl_GetPageGeometry(PDEV* pdev);
// 0, 0, width - 2m, height - 2m of the settings' paper.
void JobCtrl_ComputePrintableBox(PDEV* pdev);
// The fit or poster scale of a one-up page (1.0 with N-up or the private sheet flag).
void JobCtrl_ComputePageScale(PDEV* pdev);
// The smaller of the two axis ratios between the job's page and the settings' own paper, each
// less the edge margins.
double JobCtrl_FitRatio(PDEV* pdev);
// The N-up grid, its scale and (two and eight cells) the turned sheet.
void JobCtrl_LayoutNup(PDEV* pdev);
// The N-up scale again after the physical page changed, with the same grid and sheet.
void JobCtrl_RecomputeNupScale(PDEV* pdev);
// The origin and turn (0, 90 or 270 degrees) of logical page `pageOnSheet` (from 1) in its cell.
SHORT JobCtrl_PlaceLogicalPage(PDEV* pdev, SHORT* x, SHORT* y, int pageOnSheet);
// The N-up cell (column, row) of logical index i (from 0).
POINTL JobCtrl_NupCell(const PDEV* pdev, int index);
// TRUE when the job settings' bRotate180 turns a page of that orientation by 180 degrees.
BOOL JobCtrl_IsRotated180(const PDEV* pdev, int orientation);
// bNupNum of the settings.
BYTE Devmode_GetNupNum(const RenderDevmode* settings);

// Frame modes of JobCtrl_DrawNupFrames.
constexpr int JOBCTRL_FRAME_CELL = 2;
constexpr int JOBCTRL_FRAME_GRID = 3;
// Mode 2: the border of logical page `page`'s cell; mode 3: the frame of the whole grid. Any
// other mode is an internal error and draws nothing.
void JobCtrl_DrawNupFrames(PDEV* pdev, int mode, int page);
// A grid of columns x rows rectangles filling the box, with pen width p and the style bits
// (0x1 filled, 0x2/0x4/0x8 the fill colour, 0x10 white pen).
void JobCtrl_DrawFrameGrid(PDEV* pdev, const RECT16* box, int columns, int rows, int penWidth, DWORD style);


// Form parts. Slots 0..5: top left, top centre, top right, bottom left, bottom centre, bottom
// right (any other value is slot 0).
// The origin, box and angle (0 or 180) of a part of width pw and height ph on the job's page.
SHORT Escape_PlacePage(PDEV* pdev, int slot, SHORT partHeight, SHORT partWidth, SHORT* x, SHORT* y, RECT16* box);
// The same slot rule at a given angle (0, 90, 180 or 270): the origin that puts a part of width
// pw and height ph, turned by the angle, into its slot of the job's page.
void JobCtrl_PlaceFormSlot(const PDEV* pdev, int slot, int angle, SHORT partWidth, SHORT partHeight, SHORT* x,
                           SHORT* y);
// 1..6: the first form-slot entry of the job settings whose first 32-bit value is not zero;
// 0 when none is.
int JobCtrl_FirstFormSlot(const PDEV* pdev);
