// Records of the graphics state (gdi/gx) and of the brushes (gdi/nt/brush) inside the device
// record's job state. They live here rather than in pdev.h so that the two modules' fields
// stay in one place; pdev.h embeds them.
//
// Page lifetime: everything in PdevGraphicsState above the counters is forgotten by
// Gx_ResetStateCache at every page start, because each BeginPage gives the printer its default
// graphics state again. The counters, the call range and the watermark alternation live for the
// job (the job state is zeroed at every document start). PdevBrushState lives for the job: the
// patterns a session holds outlast pages.
#pragma once

#include <win/base.h>

#include "gdi/util.h"

// "No value sent yet" for the signed caches: no attribute the setters send takes it.
constexpr LONG GX_UNSET = -1;

// The PCL XL limit on LineDashStyle entries.
constexpr DWORD GX_MAX_DASH_ENTRIES = 20;

// Points of one path run, built before the run is sent: an operator's data goes out whole.
constexpr DWORD GX_PATH_CHUNK_POINTS = 1500;

// The user dash last sent (pen style 7). Held in the record itself: a style array has at most
// GX_MAX_DASH_ENTRIES entries once cut to the interpreter's limit, so no allocation can fail
// between deciding to send a dash and remembering it.
struct GxUserDash {
  DWORD count;                              // entries held
  SHORT entries[GX_MAX_DASH_ENTRIES];       // device dots
  SHORT offset;                             // DashOffset, device dots
  BOOL alternate;                           // the line is LA_ALTERNATE (every other pixel)
};

// Character attributes of the text output (gdi/tx), forgotten with the rest of the page's
// state. The sentinels are values no font takes, so the first run of a page sends each one.
struct GxTextAttributes {
  WORD fontNumber;        // 0xFFFF after a reset
  float charSize;         // 65535.0 after a reset
  LONG charAngle;         // -1 after a reset
  double charScale[2];    // 1.2345 after a reset
  BOOL bitmapScale;       // the scale held is the bitmap font's whole-number pair
  double charShear[2];    // 1.2345 after a reset
  double charBoldValue;   // 1.2345 after a reset
};

// A pattern the printer holds as the pen or brush source.
struct GxPatternSource {
  LONG kind;              // 4 = pattern; GX_UNSET otherwise
  LONG id;
  LONG originX;
  LONG originY;
};

struct PdevGraphicsState {
  DWORD objectMode;       // last Gx_SetObjectMode value
  DWORD objectKind;       // 0 text, 1 vector, 2 image: set by each drawing entry point

  // ---- The page's cache (Gx_ResetStateCache) ----
  LONG rop;               // last ROP3
  LONG sourceTx;          // last source transparency, 10 opaque / 20 transparent
  LONG paintTx;           // last paint transparency
  LONG fillMode;          // 0 non-zero winding, 1 even-odd
  LONG clipMode;
  LONG brushKind;         // 1 after NullBrush, 0 after a colour or pattern brush
  LONG brushColor;        // last colour value sent as the brush, GX_UNSET for none
  LONG penColor;          // last colour value sent as the pen, GX_UNSET for none
  LONG penStyle;          // 0 solid, 1..4 the built-in dashes, 5 NullPen, 6 alternate, 7 user dash
  LONG penWidth;          // last PenWidth (1 after a reset)
  LONG colorSpace;        // 1 grey, 2 RGB, 6 a palette
  RECT16 clipBox;         // last clip rectangle sent
  BOOL clipBoxValid;
  ULONG clipPathUniq;     // iUniq of the CLIPOBJ whose path is the clip; 0 none
  GxUserDash dash;
  GxPatternSource penPattern;
  GxPatternSource brushPattern;
  GxTextAttributes text;

  // ---- Job lifetime ----
  // Watermark ROP alternation of this job (0..3). One per device record: jobs printing at once
  // in one process must not steer each other's output.
  DWORD watermarkPhase;
  DWORD clipChanges;
  DWORD colorChanges;
  DWORD strokes;
  DWORD fills;
  DWORD strokesAndFills;
  DWORD realizations;
  DWORD drawingCalls;     // counted only while a call range is set
  DWORD callFirst;        // call range of the call-range filter; 0 and 0 draw every call
  DWORD callLast;
  SHORT pathPoints[GX_PATH_CHUNK_POINTS * 2];  // scratch of one path run (x, y pairs)
};

// One downloaded pattern: its id and the realised brush data it was made from, so that an
// equal brush selects the pattern the printer already holds.
struct BrushPatternEntry {
  BrushPatternEntry* next;
  SHORT id;
  DWORD dataBytes;
  BYTE data[1];           // dataBytes bytes
};

struct PdevBrushState {
  BrushPatternEntry* patterns;  // GlobalAlloc'd entries; Brush_FreePatterns releases them
  LONG nextPatternId;           // last id given; the next pattern takes the one after
  DWORD patternBytes;           // raster bytes of the patterns the printer holds
};
