// The PCL XL writer and the PJL job header: the only place in the renderer that knows how a
// job stream is encoded. Layers, bottom up:
//   - typed emitters, one per wire type ("a ubyte value then its attribute", "a uint16 pair",
//     "a ubyte array", "the operator"), on the vocabulary of pxltags.h / pxlattrs.h /
//     pxlenums.h;
//   - one writer per PCL XL command the renderer sends, with its attributes in a fixed order;
//   - the PJL header and trailer around the stream.
// Every byte goes through Spool_Write; when the job's output has stopped, writers drop their
// bytes silently. The stream is binary, low byte first, as the header declares.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "gdi/pdev.h"
#include "gdi/pxlattrs.h"
#include "gdi/pxlenums.h"
#include "gdi/pxltags.h"
#include "gdi/util.h"

// A point as the stream carries it: two signed 16-bit device coordinates.
struct PclXlPoint {
  SHORT x;
  SHORT y;
};
static_assert(sizeof(PclXlPoint) == 4);

// Value kinds of PclXl_WriteAttr and PclXl_WriteXYAttr.
enum PclXlKind : int {
  PXLK_UBYTE = 1,
  PXLK_UINT16 = 2,
  PXLK_UINT32 = 3,
  PXLK_SINT16 = 4,
  PXLK_SINT32 = 5,
  PXLK_UBYTE_XY = 10,
  PXLK_UINT16_XY = 11,
  PXLK_UINT32_XY = 12,
  PXLK_SINT16_XY = 13,
  PXLK_SINT32_XY = 14,
};

// Flags of PclXl_WriteFontName / PclXl_RemoveFont.
constexpr DWORD PXLF_BITMAP_FONT = 0x1;  // with PXLF_SOFT_FONT: "<n>BM<name>"
constexpr DWORD PXLF_SOFT_FONT = 0x2;    // a downloaded font, named by its number: "<n>TT<name>"
// Flags of PclXl_WriteCharCode.
constexpr DWORD PXLC_TYPE_TAG = 0x1;     // the data type tag first
constexpr DWORD PXLC_TWO_BYTES = 0x2;    // a 16-bit code, given byte-swapped
constexpr DWORD PXLC_IN_ARRAY = 0x4;     // an element of a text array: no attribute id

// Polylines up to this many points build their relative steps in the PDEV's scratch area.
constexpr DWORD PXL_POLYLINE_SCRATCH_POINTS = 1500;

// ---- Typed emitters ------------------------------------------------------------------------
void PclXl_UbyteAttr(PDEV* pdev, BYTE value, PxlAttribute attr);
void PclXl_Uint16Attr(PDEV* pdev, WORD value, PxlAttribute attr);
void PclXl_Uint32Attr(PDEV* pdev, DWORD value, PxlAttribute attr);
void PclXl_Sint16Attr(PDEV* pdev, SHORT value, PxlAttribute attr);
void PclXl_Sint32Attr(PDEV* pdev, LONG value, PxlAttribute attr);
void PclXl_Uint16XYAttr(PDEV* pdev, WORD x, WORD y, PxlAttribute attr);
void PclXl_Real32XYAttr(PDEV* pdev, float x, float y, PxlAttribute attr);
void PclXl_Real32Attr(PDEV* pdev, float value, PxlAttribute attr);
// The attribute id alone, after a value the caller wrote itself (an array's elements).
void PclXl_AttrId(PDEV* pdev, PxlAttribute attr);
// A name (MediaSize, MediaType, FontName): a ubyte array with a uint16 count, then the id.
void PclXl_NameAttr(PDEV* pdev, const char* name, size_t length, PxlAttribute attr);

// ---- Value writers -------------------------------------------------------------------------
// value in the kind's type, then the attribute id. An unknown kind is recorded as an internal
// error and written as sint16, so the stream stays well-formed.
void PclXl_WriteAttr(PDEV* pdev, LONG value, BYTE attr, int kind);
void PclXl_WriteXYAttr(PDEV* pdev, LONG x, LONG y, BYTE attr, int kind);
void PclXl_WriteSint16XY(PDEV* pdev, PclXlPoint pair, BYTE attr);
void PclXl_WriteBoundingBox(PDEV* pdev, const RECT16* box);
// The red, green and blue bytes of a COLORREF as a three-byte array (uint16 count).
void PclXl_WriteRgbColor(PDEV* pdev, COLORREF colour);
void PclXl_WriteOp(PDEV* pdev, BYTE op);
void PclXl_WriteArrayHeader(PDEV* pdev, BYTE typeTag, DWORD count);
// The embedded-data length: the one-byte form below 256, else the four-byte form.
void PclXl_WriteDataLength(PDEV* pdev, DWORD length);
void PclXl_WriteFontName(PDEV* pdev, const char* name, int id, DWORD flags);
void PclXl_WriteCharCode(PDEV* pdev, WORD code, DWORD flags);
// The character the text log shows for a one-byte code.
char PclXl_MapLogChar(BYTE code);

// ---- Command writers ---------------------------------------------------------------------
// Measure, UnitsPerMeasure (resolution, resolution), ErrorReport, BeginSession. Returns 1.
BOOL PclXl_BeginSession(PDEV* pdev, WORD resolution);
// EndSession, then the PJL trailer.
void PclXl_EndSession(PDEV* pdev);
void PclXl_OpenDataSource(PDEV* pdev);
void PclXl_CloseDataSource(PDEV* pdev);
// The sheet's BeginPage with orientation, duplex (first page), source, type and size; then
// PushGS. Counts the page header length (through BeginPage) for the spool page table.
void PclXl_BeginPage(PDEV* pdev);
void PclXl_EndPage(PDEV* pdev, WORD copies);
void PclXl_SetPageOrigin(PDEV* pdev, SHORT x, SHORT y);
void PclXl_SetPageRotation(PDEV* pdev, SHORT angle);
// computed FALSE: PageScale (1, 1). Otherwise the page layout's factors (PdevLayoutState).
void PclXl_SetPageScale(PDEV* pdev, BOOL computed);
void PclXl_SetCursor(PDEV* pdev, SHORT x, SHORT y);
void PclXl_NewPath(PDEV* pdev);
void PclXl_SetClipRectangle(PDEV* pdev, const RECT16* box);
void PclXl_BeginImage(PDEV* pdev, BYTE mapping, BYTE depth, SHORT x, SHORT y, WORD destWidth, WORD destHeight,
                      WORD sourceWidth, WORD sourceHeight);
// ReadImage and the four-byte data length; the caller writes the data.
void PclXl_ReadImage(PDEV* pdev, WORD startLine, WORD blockHeight, BYTE compression, DWORD length);
void PclXl_BeginRastPattern(PDEV* pdev, BYTE mapping, BYTE depth, WORD sourceWidth, WORD sourceHeight,
                            WORD destWidth, WORD destHeight, SHORT patternId, BYTE persistence);
// ReadRastPattern; the caller writes the data length and the data.
void PclXl_ReadRastPattern(PDEV* pdev, WORD blockHeight);
void PclXl_RemoveFont(PDEV* pdev, const char* name, int id, DWORD flags);
void PclXl_WriteVendorUnique(PDEV* pdev);
// A connected line through count points from the first: one-byte relative steps while they
// fit, absolute points after. Nothing for count 0.
void PclXl_Polyline(PDEV* pdev, DWORD count, const PclXlPoint* points);
// NumberOfPoints, PointType eSint16, the operator, the points as embedded data.
void PclXl_WritePoints(PDEV* pdev, const PclXlPoint* points, DWORD count, BYTE op);
// Starts the job on the wire once: PJL header, BeginSession, OpenDataSource. Returns the
// result of BeginSession (1 when the job was already started).
BOOL PclXl_StartJob(PDEV* pdev);
// The job header, BeginSession and OpenDataSource, without the job flags and page record of
// PclXl_StartJob (the replay of a driver-duplexed job writes it again).
BOOL PclXl_WriteJobStart(PDEV* pdev);
// Releases the fonts and glyph pages the printer holds for the sheet. Returns 0.
int PclXl_FreeFontLists(PDEV* pdev);
// 1 when the job's rotate-180 setting turns a page of the PDEV's orientation.
BOOL PclXl_IsPageRotated180(const PDEV* pdev);

// ---- Name tables ------------------------------------------------------------------------
struct PclXlNameRow {
  LONG key;
  const char* name;
  LONG value;
};
struct PclXlNameTable {
  const PclXlNameRow* rows;
  size_t count;
};
extern const PclXlNameTable kMediaSizeNameTable;   // paper id -> MediaSize name
extern const PclXlNameTable kMediaSourceTable;     // paper-source word -> MediaSource
extern const PclXlNameTable kMediaTypeTable;       // wMediaType -> MediaType name
// The value of the first row with the key (its name copied into nameOut, cut to capacity);
// a missing key gives the default name and 0.
LONG PclXl_LookupName(const PclXlNameTable& table, LONG key, char* nameOut, size_t capacity,
                      const char* defaultName);

// ---- Duplex rules shared by BeginPage and the PJL header ------------------------------------
// dmDuplex comes from the device's merged settings, bDocumentStyle from the job copy.
BOOL PclXl_IsDuplex(const PDEV* pdev);
BOOL PclXl_BindsShortEdge(const PDEV* pdev);

// ---- PJL ------------------------------------------------------------------------------------
constexpr size_t PXL_STREAM_HEADER_BYTES = 72;
constexpr size_t PJL_TONER_CODE_BYTES = 32;
// The whole job header: UEL, the PJL lines of the settings, ENTER LANGUAGE, the stream header.
void PclXl_WritePjlHeader(PDEV* pdev);
void PclXl_WriteTonerModulus(PDEV* pdev);
// The 32-byte toner code of the TONERMODULUS line.
void PclXl_TonerCode(BYTE code[PJL_TONER_CODE_BYTES]);
