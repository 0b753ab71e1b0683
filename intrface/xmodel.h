// The printer model as the renderer knows it: its papers with their geometry, the N-up cell
// order, two small code tables, and the string and allocation-list helpers that the settings
// modules share.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "gdi/pdev.h"
#include "intrface/devmod2.h"

constexpr SHORT XMODEL_EDGE_MARGIN = 96;  // 600-dpi dots on every side of the sheet

// A paper of the model, in 600-dpi dots.
struct XMODEL_GEOMETRY {
  SHORT width, height, left, top, right, bottom;
};
struct XMODEL_PAPER {
  SHORT paperId;
  SHORT reserved;  // 0
  DWORD code;      // carried with the row; see XModel_CodeIndex
  XMODEL_GEOMETRY portrait;
  XMODEL_GEOMETRY landscape;
};
static_assert(sizeof(XMODEL_GEOMETRY) == 12 && sizeof(XMODEL_PAPER) == 32);

// The model's paper list (37 rows; the wide formats first) and the list without the six wide
// formats (31 rows, A4 first).
extern const XMODEL_PAPER XModel_PaperList[37];
extern const XMODEL_PAPER XModel_NarrowPaperList[31];

// The row of a paper id, or nullptr.
const XMODEL_PAPER* XModel_FindPaper(SHORT paperId);
// The row's index in the 37-row list, or -1.
int XModel_PaperRow(SHORT paperId);
// Custom ids 257..276 and every id of the 37-row list; the twin answers for the 31-row list.
bool XModel_IsPaperSupported(SHORT paperId);
bool XModel_IsNarrowPaperSupported(SHORT paperId);
// 600-dpi dots to tenths of a millimetre, as DEVMODE paper sizes are kept.
SHORT XModel_DotsToTenths(LONG dots);
// True when a custom paper of this size in 600-dpi dots can be printed: larger than the two
// edge margins and small enough for 16-bit device sizes at 1200 dpi.
bool XModel_IsCustomSizePrintable(LONG widthDots, LONG lengthDots);

// The width, height and four margins, in device dots, of the settings' paper (dmPaperSize)
// in the settings' orientation. A paper that the model does not know (or a custom slot that
// cannot be printed) gives the locale's default paper, A4 or Letter, with the default margin.
// With the per-paper margins switched on, keepMargins keeps the margins already in the output.
void XModel_GetPaperGeometry(PdevPage* out, const RenderDevmode* settings, SHORT defaultMargin,
                             BOOL keepMargins, PDEV* pdev = nullptr);

// The cell (x, y) of logical page `index` in a columns x rows sheet for an N-up order 0..7
// (8 and above, or an empty grid, give (0, 0)). On a two-cell sheet, order 1 reads as order 2
// for layout 2 and as order 4 otherwise.
POINTL XModel_NupCellPosition(int order, int layout, int index, int columns, int rows);

// The value paired with key in the model's code table, 0 when absent.
DWORD XModel_LookupCode(DWORD key);
// 1..6: the position of a wide-format row code in the model's code list; 0 when absent.
int XModel_CodeIndex(DWORD code);

// ---- Strings and job allocations -------------------------------------------------------------
// True when a terminator lies within the first `capacity` units.
bool Util_IsTerminatedW(const WCHAR* text, size_t capacity);
bool Util_IsTerminatedA(const char* text, size_t capacity);
// A zero-filled block of `size` bytes chained at the head of the list (GlobalAlloc), or
// nullptr; Util_ListFree releases every block of the list and empties the head.
void* Util_ListAlloc(void** listHead, SIZE_T size);
void Util_ListFree(void** listHead);
