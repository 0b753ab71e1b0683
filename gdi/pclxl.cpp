// PCL XL writer and PJL job header.
#include "gdi/pclxl.h"

#include <cstdio>
#include <cstring>

#include <win/ddi.h>
#include <win/files.h>
#include <win/memory.h>
#include <win/system.h>

#include "gdi/gx.h"
#include "gdi/imageproc.h"
#include "gdi/spool.h"
#include "intrface/xmodel.h"

namespace {

// ---- Little-endian assembly ------------------------------------------------------------------
// Each item is assembled on the stack and appended in one Spool_Write.

struct Item {
  BYTE bytes[32];
  size_t n = 0;
  Item& Byte(BYTE b) {
    bytes[n++] = b;
    return *this;
  }
  Item& Word(WORD w) { return Byte(static_cast<BYTE>(w)).Byte(static_cast<BYTE>(w >> 8)); }
  Item& Dword(DWORD d) { return Word(static_cast<WORD>(d)).Word(static_cast<WORD>(d >> 16)); }
  Item& Real(float f) {
    DWORD bits;
    static_assert(sizeof bits == sizeof f);
    std::memcpy(&bits, &f, sizeof bits);
    return Dword(bits);
  }
  Item& Attr(BYTE attr) { return Byte(PXL_ATTR_UBYTE).Byte(attr); }
  void Send(PDEV* pdev) const { Spool_Write(pdev, bytes, n); }
};

// The one-byte relative steps of a polyline, in the PDEV's scratch area or a larger block.
struct StepBuffer {
  BYTE* bytes = nullptr;
  BYTE* owned = nullptr;
  ~StepBuffer() {
    if (owned) GlobalFree(owned);
  }
};

constexpr char kUel[] = "\x1B%-12345X";

// ---- Tables ----------------------------------------------------------------------------------

// First matching row wins: 31 is C6, 6 and 43 appear twice.
const PclXlNameRow kMediaSizeRows[] = {
    {1, "LETTER", 0},     {5, "LEGAL", 1},       {14, "FOLIO", 2},      {7, "EXEC", 3},
    {9, "A4", 4},         {13, "JIS B5", 5},     {11, "A5", 6},         {27, "DL", 7},
    {28, "C5", 8},        {20, "COM10", 9},      {37, "MONARCH", 10},   {43, "JPOST", 0},
    {70, "A6", 0},        {34, "B5", 0},         {31, "C6", 0},         {6, "STATEMENT", 0},
    {250, "BIG16K", 0},   {252, "BIG32K", 0},    {245, "16K", 0},       {246, "32K", 0},
    {242, "ZL", 0},       {243, "OFICIO", 0},    {241, "B6", 0},        {6, "STATEMENT", 0},
    {43, "JPOST", 0},     {82, "JPOSTD", 0},     {31, "YOUGATA2", 0},   {144, "YOUGATA3", 0},
    {145, "YOUGATA4", 0}, {146, "YOUGATA6", 0},  {147, "YOUNAGA3", 0},  {150, "NAGAGATA3", 0},
    {148, "NAGAGATA4", 0}, {149, "KAGUGATA3", 0},
};
static_assert(sizeof kMediaSizeRows / sizeof kMediaSizeRows[0] == 34);

// Paper-source word of the settings -> MediaSource. The names only label traces.
const PclXlNameRow kMediaSourceRows[] = {
    {0, "DMBIN_UPPER", eAutoSelect},
    {1, "DMBIN_ONLYONE", eManualFeed},
    {2, "DMBIN_LOWER", eMultiPurposeTray},
};

// wMediaType -> MediaType name (and the PJL PAPERTYPE value).
const PclXlNameRow kMediaTypeRows[] = {
    {RMT_PLAIN, "PLAIN", 1},   {RMT_TOUGH, "TOUGH", 1},   {RMT_ENVELOPE, "ENVELOPE", 1},
    {RMT_CARDSTOCK, "CARDSTOCK", 1}, {RMT_LABELS, "LABELS", 1}, {RMT_TRANSPARENCY, "TRANSPARENCY", 1},
};

// The paper name of MediaSize and of the PJL PAPER line: A5 fed landscape is its own name.
void PaperName(const RenderDevmode& job, LONG paper, char* name, size_t capacity) {
  PclXl_LookupName(kMediaSizeNameTable, paper, name, capacity, "CUSTOM");
  if (std::strcmp(name, "A5") == 0 && job.dmPrivate.bA5L == 1 && job.dmPrivate.bA5L2 == 1) {
    std::snprintf(name, capacity, "A5L");
  }
}

WORD JobResolution(const PDEV* pdev) {
  return static_cast<WORD>(600 * (pdev->job.jobSettings.dmPrivate.image.bResolution + 1));
}

// Tenths of a millimetre from 600-dpi dots, as CustomMediaSize takes them.
float DotsToTenthsOfMm(DWORD dots) { return static_cast<float>(static_cast<DWORD>(dots * 0.42333333333333334 + 0.5)); }

// The custom slot of a custom paper id, or nullptr when the id is not a custom paper with a
// size: FtoPaper may carry other ids, and an empty slot would print on a page of no size.
const CUSTOM_PAPER_SLOT* CustomSlot(const RenderDevmode& job, LONG paper) {
  if (paper < RENDER_CUSTOM_FIRST_ID || paper > RENDER_CUSTOM_LAST_ID) return nullptr;
  const CUSTOM_PAPER_SLOT& slot = job.dmPrivate.custom[paper - RENDER_CUSTOM_FIRST_ID];
  if (slot.dwCustomWidthDots == 0 || slot.dwCustomLengthDots == 0) return nullptr;
  return &slot;
}

void WriteTextLog(PDEV* pdev, const char* bytes, DWORD n) {
  HANDLE log = pdev->job.text.hTextLog;
  if (!log || log == INVALID_HANDLE_VALUE) return;
  if (!(pdev->job.jobSettings.dmPrivate.dwDumpFlags & 0x100)) return;
  DWORD written = 0;
  WriteFile(log, bytes, n, &written, nullptr);
}

}  // namespace

const PclXlNameTable kMediaSizeNameTable = {kMediaSizeRows, sizeof kMediaSizeRows / sizeof kMediaSizeRows[0]};
const PclXlNameTable kMediaSourceTable = {kMediaSourceRows, sizeof kMediaSourceRows / sizeof kMediaSourceRows[0]};
const PclXlNameTable kMediaTypeTable = {kMediaTypeRows, sizeof kMediaTypeRows / sizeof kMediaTypeRows[0]};

LONG PclXl_LookupName(const PclXlNameTable& table, LONG key, char* nameOut, size_t capacity, const char* defaultName) {
  const char* name = defaultName;
  LONG value = 0;
  for (size_t i = 0; i < table.count; ++i) {
    if (table.rows[i].key == key) {
      name = table.rows[i].name;
      value = table.rows[i].value;
      break;
    }
  }
  if (nameOut && capacity > 0) std::snprintf(nameOut, capacity, "%s", name ? name : "");
  return value;
}

// ---- Typed emitters ----------------------------------------------------------------------------

void PclXl_UbyteAttr(PDEV* pdev, BYTE value, PxlAttribute attr) { Item().Byte(PXL_UBYTE).Byte(value).Attr(attr).Send(pdev); }
void PclXl_Uint16Attr(PDEV* pdev, WORD value, PxlAttribute attr) { Item().Byte(PXL_UINT16).Word(value).Attr(attr).Send(pdev); }
void PclXl_Uint32Attr(PDEV* pdev, DWORD value, PxlAttribute attr) { Item().Byte(PXL_UINT32).Dword(value).Attr(attr).Send(pdev); }
void PclXl_Sint16Attr(PDEV* pdev, SHORT value, PxlAttribute attr) {
  Item().Byte(PXL_SINT16).Word(static_cast<WORD>(value)).Attr(attr).Send(pdev);
}
void PclXl_Sint32Attr(PDEV* pdev, LONG value, PxlAttribute attr) {
  Item().Byte(PXL_SINT32).Dword(static_cast<DWORD>(value)).Attr(attr).Send(pdev);
}
void PclXl_Uint16XYAttr(PDEV* pdev, WORD x, WORD y, PxlAttribute attr) {
  Item().Byte(PXL_UINT16_XY).Word(x).Word(y).Attr(attr).Send(pdev);
}
void PclXl_Real32XYAttr(PDEV* pdev, float x, float y, PxlAttribute attr) {
  Item().Byte(PXL_REAL32_XY).Real(x).Real(y).Attr(attr).Send(pdev);
}

void PclXl_Real32Attr(PDEV* pdev, float value, PxlAttribute attr) {
  Item().Byte(PXL_REAL32).Real(value).Attr(attr).Send(pdev);
}

void PclXl_AttrId(PDEV* pdev, PxlAttribute attr) { Item().Attr(attr).Send(pdev); }

void PclXl_NameAttr(PDEV* pdev, const char* name, size_t length, PxlAttribute attr) {
  if (length > 0xFFFF) length = 0xFFFF;
  Item().Byte(PXL_UBYTE_ARRAY).Byte(PXL_UINT16).Word(static_cast<WORD>(length)).Send(pdev);
  Spool_Write(pdev, name, length);
  Item().Attr(attr).Send(pdev);
}

// ---- Value writers -------------------------------------------------------------------------------

void PclXl_WriteAttr(PDEV* pdev, LONG value, BYTE attr, int kind) {
  PxlAttribute a = static_cast<PxlAttribute>(attr);
  switch (kind) {
    case PXLK_UBYTE: return PclXl_UbyteAttr(pdev, static_cast<BYTE>(value), a);
    case PXLK_UINT16: return PclXl_Uint16Attr(pdev, static_cast<WORD>(value), a);
    case PXLK_UINT32: return PclXl_Uint32Attr(pdev, static_cast<DWORD>(value), a);
    case PXLK_SINT16: return PclXl_Sint16Attr(pdev, static_cast<SHORT>(value), a);
    case PXLK_SINT32: return PclXl_Sint32Attr(pdev, value, a);
    default:
      PDEV_REPORT_ERROR(pdev);
      return PclXl_Sint16Attr(pdev, static_cast<SHORT>(value), a);
  }
}

void PclXl_WriteXYAttr(PDEV* pdev, LONG x, LONG y, BYTE attr, int kind) {
  Item item;
  switch (kind) {
    case PXLK_UBYTE_XY: item.Byte(PXL_UBYTE_XY).Byte(static_cast<BYTE>(x)).Byte(static_cast<BYTE>(y)); break;
    case PXLK_UINT16_XY: item.Byte(PXL_UINT16_XY).Word(static_cast<WORD>(x)).Word(static_cast<WORD>(y)); break;
    case PXLK_UINT32_XY: item.Byte(PXL_UINT32_XY).Dword(static_cast<DWORD>(x)).Dword(static_cast<DWORD>(y)); break;
    case PXLK_SINT16_XY: item.Byte(PXL_SINT16_XY).Word(static_cast<WORD>(x)).Word(static_cast<WORD>(y)); break;
    case PXLK_SINT32_XY: item.Byte(PXL_SINT32_XY).Dword(static_cast<DWORD>(x)).Dword(static_cast<DWORD>(y)); break;
    default:
      PDEV_REPORT_ERROR(pdev);
      item.Byte(PXL_SINT16_XY).Word(static_cast<WORD>(x)).Word(static_cast<WORD>(y));
  }
  item.Attr(attr).Send(pdev);
}

void PclXl_WriteSint16XY(PDEV* pdev, PclXlPoint pair, BYTE attr) {
  Item().Byte(PXL_SINT16_XY).Word(static_cast<WORD>(pair.x)).Word(static_cast<WORD>(pair.y)).Attr(attr).Send(pdev);
}

void PclXl_WriteBoundingBox(PDEV* pdev, const RECT16* box) {
  Item()
      .Byte(PXL_SINT16_BOX)
      .Word(static_cast<WORD>(box->left))
      .Word(static_cast<WORD>(box->top))
      .Word(static_cast<WORD>(box->right))
      .Word(static_cast<WORD>(box->bottom))
      .Attr(PXL_A_BoundingBox)
      .Send(pdev);
}

void PclXl_WriteRgbColor(PDEV* pdev, COLORREF colour) {
  Item()
      .Byte(PXL_UBYTE_ARRAY)
      .Byte(PXL_UINT16)
      .Word(3)
      .Byte(GetRValue(colour))
      .Byte(GetGValue(colour))
      .Byte(GetBValue(colour))
      .Attr(PXL_A_RGBColor)
      .Send(pdev);
}

void PclXl_WriteOp(PDEV* pdev, BYTE op) { Spool_Write(pdev, &op, 1); }

void PclXl_WriteArrayHeader(PDEV* pdev, BYTE typeTag, DWORD count) {
  Item item;
  item.Byte(typeTag);
  if (count < 256) {
    item.Byte(PXL_UBYTE).Byte(static_cast<BYTE>(count));
  } else {
    item.Byte(PXL_UINT16).Word(static_cast<WORD>(count > 0xFFFF ? 0xFFFF : count));
  }
  item.Send(pdev);
}

void PclXl_WriteDataLength(PDEV* pdev, DWORD length) {
  if (length < 256) {
    Item().Byte(PXL_EMBEDDED_DATA_BYTE).Byte(static_cast<BYTE>(length)).Send(pdev);
  } else {
    Item().Byte(PXL_EMBEDDED_DATA).Dword(length).Send(pdev);
  }
}

void PclXl_WriteFontName(PDEV* pdev, const char* name, int id, DWORD flags) {
  char text[128];
  if (flags & PXLF_SOFT_FONT) {
    std::snprintf(text, sizeof text, "%d%s%s", id - 100, (flags & PXLF_BITMAP_FONT) ? "BM" : "TT", name ? name : "");
  } else {
    std::snprintf(text, sizeof text, "%s", name ? name : "");
  }
  PclXl_NameAttr(pdev, text, std::strlen(text), PXL_A_FontName);
}

void PclXl_WriteCharCode(PDEV* pdev, WORD code, DWORD flags) {
  Item item;
  if (flags & PXLC_TYPE_TAG) item.Byte((flags & PXLC_TWO_BYTES) ? PXL_UINT16 : PXL_UBYTE);
  if (flags & PXLC_TWO_BYTES) {
    item.Byte(HIBYTE(code)).Byte(LOBYTE(code));
  } else {
    item.Byte(LOBYTE(code));
  }
  if (flags & PXLC_IN_ARRAY) {
    // The text log shows the character as the application gave it: the code is byte-swapped.
    if (HIBYTE(code)) {
      char two[2] = {static_cast<char>(HIBYTE(code)), static_cast<char>(LOBYTE(code))};
      WriteTextLog(pdev, two, 2);
    } else {
      char one = PclXl_MapLogChar(LOBYTE(code));
      WriteTextLog(pdev, &one, 1);
    }
  } else {
    item.Attr(PXL_A_CharCode);
  }
  item.Send(pdev);
}

char PclXl_MapLogChar(BYTE code) {
  if (code < 128) return static_cast<char>(code);
  switch (code) {
    case 145: return '\'';
    case 147:
    case 148: return '"';
    case 150: return '-';
    default: return 'X';
  }
}

// ---- Command writers ---------------------------------------------------------------------------

BOOL PclXl_BeginSession(PDEV* pdev, WORD resolution) {
  ImageProc_Load();
  // Written through the buffer like every other byte: after the PJL header already held
  // there, and into every destination (a spool file's job header record included).
  Item()
      .Byte(PXL_UBYTE).Byte(eInch).Attr(PXL_A_Measure)
      .Byte(PXL_UINT16_XY).Word(resolution).Word(resolution).Attr(PXL_A_UnitsPerMeasure)
      .Byte(PXL_UBYTE).Byte(eBackChAndErrPage).Attr(PXL_A_ErrorReport)
      .Byte(PXL_OP_BeginSession)
      .Send(pdev);
  return TRUE;
}

void PclXl_EndSession(PDEV* pdev) {
  PclXl_WriteOp(pdev, PXL_OP_EndSession);
  Spool_Write(pdev, kUel, sizeof kUel - 1);
  Spool_Printf(pdev, "@PJL EOJ\r\n");
  Spool_Write(pdev, kUel, sizeof kUel - 1);
}

void PclXl_OpenDataSource(PDEV* pdev) {
  PclXl_UbyteAttr(pdev, eDefaultDataSource, PXL_A_SourceType);
  PclXl_UbyteAttr(pdev, eBinaryLowByteFirst, PXL_A_DataOrg);
  PclXl_WriteOp(pdev, PXL_OP_OpenDataSource);
}

void PclXl_CloseDataSource(PDEV* pdev) { PclXl_WriteOp(pdev, PXL_OP_CloseDataSource); }

BOOL PclXl_IsDuplex(const PDEV* pdev) {
  BYTE style = pdev->job.jobSettings.dmPrivate.bDocumentStyle;
  return style == 1 || style == 2 || (pdev->settings.dmPublic.dmDuplex > 1 && style < 3);
}

BOOL PclXl_BindsShortEdge(const PDEV* pdev) {
  // In the renderer's settings dmDuplex 2 is the short-edge value; with the settings the
  // conversion builds, bDocumentStyle decides alone.
  BYTE style = pdev->job.jobSettings.dmPrivate.bDocumentStyle;
  return style == 1 || style == 3 || (pdev->settings.dmPublic.dmDuplex == 2 && style < 3);
}

void PclXl_BeginPage(PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  const bool landscape = pdev->job.jobOrientation == DMORIENT_LANDSCAPE;
  // Orientation, MediaSource and BeginPage itself: 4 + 4 + 1 bytes.
  DWORD headerLength = 9;

  BYTE orientation = landscape ? eLandscapeOrientation : ePortraitOrientation;
  if (pdev->job.pageFlow.turned180BeginPage) orientation = landscape ? eReverseLandscape : eReversePortrait;
  PclXl_UbyteAttr(pdev, orientation, PXL_A_Orientation);

  if (pdev->job.pagesInJob == 1 && PclXl_IsDuplex(pdev)) {
    bool shortEdge = PclXl_BindsShortEdge(pdev);
    BYTE mode = (shortEdge != landscape) ? eDuplexHorizontalBinding : eDuplexVerticalBinding;
    PclXl_UbyteAttr(pdev, mode, PXL_A_DuplexPageMode);
    PclXl_UbyteAttr(pdev, eFrontMediaSide, PXL_A_DuplexPageSide);
    headerLength += 8;
  }

  PclXl_UbyteAttr(pdev, static_cast<BYTE>(PclXl_LookupName(kMediaSourceTable, job.dmPrivate.wPaperSource, nullptr, 0, "ERROR")),
                  PXL_A_MediaSource);

  char name[32];
  if (PclXl_LookupName(kMediaTypeTable, job.dmPrivate.paper.wMediaType, name, sizeof name, "ERROR") == 1) {
    size_t length = std::strlen(name);
    PclXl_NameAttr(pdev, name, length, PXL_A_MediaType);
    headerLength += static_cast<DWORD>(length) + 6;
  }

  LONG paper = job.dmPublic.dmPaperSize;
  if (job.dmPrivate.scale.FtoPaper != 0) paper = job.dmPrivate.scale.FtoPaper;
  if (pdev->job.layout.outputPaper != 0) paper = pdev->job.layout.outputPaper;
  if (pdev->job.pagesInJob == 1) pdev->job.layout.jobPaper = static_cast<WORD>(paper);

  if (const CUSTOM_PAPER_SLOT* slot = CustomSlot(job, paper)) {
    PclXl_Real32XYAttr(pdev, DotsToTenthsOfMm(slot->dwCustomWidthDots), DotsToTenthsOfMm(slot->dwCustomLengthDots),
                       PXL_A_CustomMediaSize);
    PclXl_UbyteAttr(pdev, eTenthsOfAMillimeter, PXL_A_CustomMediaSizeUnits);
    headerLength += 15;
  } else {
    PaperName(job, paper, name, sizeof name);
    size_t length = std::strlen(name);
    // MediaSize right before BeginPage: the spool replay finds each sheet by these bytes.
    PclXl_NameAttr(pdev, name, length, PXL_A_MediaSize);
    headerLength += static_cast<DWORD>(length) + 6;
  }
  PclXl_WriteOp(pdev, PXL_OP_BeginPage);
  pdev->job.output.pageHeaderLength = headerLength;
  PclXl_WriteOp(pdev, PXL_OP_PushGS);
}

void PclXl_EndPage(PDEV* pdev, WORD copies) {
  PclXl_Uint16Attr(pdev, copies, PXL_A_PageCopies);
  PclXl_WriteOp(pdev, PXL_OP_EndPage);
}

void PclXl_SetPageOrigin(PDEV* pdev, SHORT x, SHORT y) {
  PclXl_WriteSint16XY(pdev, {x, y}, PXL_A_PageOrigin);
  PclXl_WriteOp(pdev, PXL_OP_SetPageOrigin);
}

void PclXl_SetPageRotation(PDEV* pdev, SHORT angle) {
  PclXl_Sint16Attr(pdev, angle, PXL_A_PageAngle);
  PclXl_WriteOp(pdev, PXL_OP_SetPageRotation);
}

void PclXl_SetPageScale(PDEV* pdev, BOOL computed) {
  float x = 1.0f;
  float y = 1.0f;
  if (computed) {
    const PdevLayoutState& layout = pdev->job.layout;
    double fit = layout.fitFactor[0] < layout.fitFactor[1] ? layout.fitFactor[0] : layout.fitFactor[1];
    double common = layout.commonFactor[0] * fit * layout.commonFactor[1];
    x = static_cast<float>(layout.axisFactor[0] * common);
    y = static_cast<float>(layout.axisFactor[1] * common);
  }
  PclXl_Real32XYAttr(pdev, x, y, PXL_A_PageScale);
  PclXl_WriteOp(pdev, PXL_OP_SetPageScale);
}

void PclXl_SetCursor(PDEV* pdev, SHORT x, SHORT y) {
  PclXl_WriteSint16XY(pdev, {x, y}, PXL_A_Point);
  PclXl_WriteOp(pdev, PXL_OP_SetCursor);
}

void PclXl_NewPath(PDEV* pdev) { PclXl_WriteOp(pdev, PXL_OP_NewPath); }

void PclXl_SetClipRectangle(PDEV* pdev, const RECT16* box) {
  PclXl_NewPath(pdev);
  PclXl_WriteBoundingBox(pdev, box);
  PclXl_WriteOp(pdev, PXL_OP_RectanglePath);
  PclXl_UbyteAttr(pdev, eInterior, PXL_A_ClipRegion);
  PclXl_WriteOp(pdev, PXL_OP_SetClipReplace);
}

void PclXl_BeginImage(PDEV* pdev, BYTE mapping, BYTE depth, SHORT x, SHORT y, WORD destWidth, WORD destHeight,
                      WORD sourceWidth, WORD sourceHeight) {
  PclXl_SetCursor(pdev, x, y);
  PclXl_UbyteAttr(pdev, mapping, PXL_A_ColorMapping);
  PclXl_UbyteAttr(pdev, depth, PXL_A_ColorDepth);
  PclXl_Uint16Attr(pdev, sourceWidth, PXL_A_SourceWidth);
  PclXl_Uint16Attr(pdev, sourceHeight, PXL_A_SourceHeight);
  PclXl_Uint16XYAttr(pdev, destWidth, destHeight, PXL_A_DestinationSize);
  PclXl_WriteOp(pdev, PXL_OP_BeginImage);
}

void PclXl_ReadImage(PDEV* pdev, WORD startLine, WORD blockHeight, BYTE compression, DWORD length) {
  PclXl_Uint16Attr(pdev, startLine, PXL_A_StartLine);
  PclXl_Uint16Attr(pdev, blockHeight, PXL_A_BlockHeight);
  PclXl_UbyteAttr(pdev, compression, PXL_A_CompressMode);
  PclXl_WriteOp(pdev, PXL_OP_ReadImage);
  // Always the four-byte form: the length is known before the rows are compressed into it.
  Item().Byte(PXL_EMBEDDED_DATA).Dword(length).Send(pdev);
}

void PclXl_BeginRastPattern(PDEV* pdev, BYTE mapping, BYTE depth, WORD sourceWidth, WORD sourceHeight,
                            WORD destWidth, WORD destHeight, SHORT patternId, BYTE persistence) {
  PclXl_UbyteAttr(pdev, mapping, PXL_A_ColorMapping);
  PclXl_UbyteAttr(pdev, depth, PXL_A_ColorDepth);
  PclXl_Uint16Attr(pdev, sourceWidth, PXL_A_SourceWidth);
  PclXl_Uint16Attr(pdev, sourceHeight, PXL_A_SourceHeight);
  PclXl_Uint16XYAttr(pdev, destWidth, destHeight, PXL_A_DestinationSize);
  PclXl_Sint16Attr(pdev, patternId, PXL_A_PatternDefineID);
  PclXl_UbyteAttr(pdev, persistence, PXL_A_PatternPersistence);
  PclXl_WriteOp(pdev, PXL_OP_BeginRastPattern);
}

void PclXl_ReadRastPattern(PDEV* pdev, WORD blockHeight) {
  PclXl_Uint16Attr(pdev, 0, PXL_A_StartLine);
  PclXl_Uint16Attr(pdev, blockHeight, PXL_A_BlockHeight);
  PclXl_UbyteAttr(pdev, eNoCompression, PXL_A_CompressMode);
  PclXl_WriteOp(pdev, PXL_OP_ReadRastPattern);
}

void PclXl_RemoveFont(PDEV* pdev, const char* name, int id, DWORD flags) {
  PclXl_WriteFontName(pdev, name, id, flags);
  PclXl_WriteOp(pdev, PXL_OP_RemoveFont);
}

void PclXl_WriteVendorUnique(PDEV* pdev) {
  PclXl_Uint32Attr(pdev, PXL_VU_OBJECT_MODE, PXL_A_VUExtension);
  PclXl_UbyteAttr(pdev, 0, PXL_A_VUAttr1);
  PclXl_WriteOp(pdev, PXL_OP_VendorUnique);
}

void PclXl_WritePoints(PDEV* pdev, const PclXlPoint* points, DWORD count, BYTE op) {
  if (count == 0) return;
  WORD n = static_cast<WORD>(count > 0xFFFF ? 0xFFFF : count);
  PclXl_Uint16Attr(pdev, n, PXL_A_NumberOfPoints);
  PclXl_UbyteAttr(pdev, eSint16, PXL_A_PointType);
  PclXl_WriteOp(pdev, op);
  PclXl_WriteDataLength(pdev, static_cast<DWORD>(n) * 4);
  // Points go out in little-endian runs; the buffer gathers them into blocks.
  BYTE run[256 * 4];
  for (DWORD i = 0; i < n;) {
    size_t bytes = 0;
    for (; i < n && bytes < sizeof run; ++i) {
      run[bytes++] = LOBYTE(points[i].x);
      run[bytes++] = HIBYTE(points[i].x);
      run[bytes++] = LOBYTE(points[i].y);
      run[bytes++] = HIBYTE(points[i].y);
    }
    Spool_Write(pdev, run, bytes);
  }
}

void PclXl_Polyline(PDEV* pdev, DWORD count, const PclXlPoint* points) {
  if (count == 0 || !points) return;
  if (count > 0xFFFF) count = 0xFFFF;  // NumberOfPoints is a uint16
  // The step bytes are gathered before anything is sent: an operator's data goes out whole.
  StepBuffer steps;
  if (count <= PXL_POLYLINE_SCRATCH_POINTS) {
    steps.bytes = pdev->job.pclxl.polylineSteps;
  } else {
    steps.owned = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(count) * 2));
    if (!steps.owned) {
      PDEV_REPORT_ERROR(pdev);
      return;
    }
    steps.bytes = steps.owned;
  }
  PclXl_SetCursor(pdev, points[0].x, points[0].y);

  DWORD stored = 0;
  DWORD next = 1;  // first point not taken as a relative step
  for (; next < count; ++next) {
    LONG dx = static_cast<LONG>(points[next].x) - points[next - 1].x;
    LONG dy = static_cast<LONG>(points[next].y) - points[next - 1].y;
    if (dx < -128 || dx > 127 || dy < -128 || dy > 127) break;
    if (dx == 0 && dy == 0) continue;
    steps.bytes[stored * 2] = static_cast<BYTE>(static_cast<signed char>(dx));
    steps.bytes[stored * 2 + 1] = static_cast<BYTE>(static_cast<signed char>(dy));
    ++stored;
  }
  // A relative part costs 13 + 2*N bytes; a short run that the absolute part must follow
  // anyway saves too little to be worth its own command.
  if (next == count || next - 1 > 4) {
    if (stored == 0) {
      steps.bytes[0] = steps.bytes[1] = 0;
      stored = 1;
    }
    PclXl_Uint16Attr(pdev, static_cast<WORD>(stored), PXL_A_NumberOfPoints);
    PclXl_UbyteAttr(pdev, eSByte, PXL_A_PointType);
    PclXl_WriteOp(pdev, PXL_OP_LineRelPath);
    PclXl_WriteDataLength(pdev, stored * 2);
    Spool_Write(pdev, steps.bytes, static_cast<size_t>(stored) * 2);
  } else {
    next = 1;
  }
  if (next < count) PclXl_WritePoints(pdev, points + next, count - next, PXL_OP_LinePath);
}

BOOL PclXl_StartJob(PDEV* pdev) {
  DWORD& flags = pdev->jobCtl.flags;
  if (flags & (JF_JOB_STARTED | JF_HEADER_WRITTEN)) return TRUE;
  BOOL result = PclXl_WriteJobStart(pdev);
  // The job header becomes record 0 of the page table: the replay copies it first (or, for
  // driver-made duplex, writes a fresh one in its place), no sheet record begins with PJL
  // text, and the job end counts the session as begun from it.
  Spool_Flush(pdev);
  Spool_AddPageRecord(pdev);
  if (pdev->job.jobSettings.dmPrivate.bDocumentStyle < 3) {
    flags |= JF_JOB_STARTED;
  } else {
    // Driver-made duplex: the sheets must not repeat the header.
    flags |= JF_HEADER_WRITTEN;
  }
  return result;
}

BOOL PclXl_WriteJobStart(PDEV* pdev) {
  PclXl_WritePjlHeader(pdev);
  BOOL result = PclXl_BeginSession(pdev, JobResolution(pdev));
  PclXl_OpenDataSource(pdev);
  Gx_SetObjectMode(pdev, 0);
  return result;
}

int PclXl_FreeFontLists(PDEV* pdev) {
  PdevFontLists& lists = pdev->job.fontLists;
  for (FontCacheRecord* font = lists.fonts; font;) {
    FontCacheRecord* next = font->next;
    delete font;
    font = next;
  }
  for (GlyphPage* page = lists.glyphPages; page;) {
    GlyphPage* next = page->next;
    delete page;
    page = next;
  }
  std::memset(&lists, 0, sizeof lists);
  return 0;
}

BOOL PclXl_IsPageRotated180(const PDEV* pdev) {
  switch (pdev->job.jobSettings.dmPrivate.bRotate180) {
    case 1: return pdev->orientation == DMORIENT_LANDSCAPE;
    case 2: return pdev->orientation == DMORIENT_PORTRAIT;
    case 3: return TRUE;
    default: return FALSE;
  }
}

// ---- PJL job header ------------------------------------------------------------------------

namespace {

// ") HP-PCL XL;3;0;" and a comment of exactly 54 characters, then NUL and LF.
constexpr char kStreamHeaderStart[] = ") HP-PCL XL;3;0;";
constexpr char kStreamComment[] = "Velmor K8000 Series PCL6 - vm4k2dr job stream, rev 1.0";
static_assert(sizeof kStreamHeaderStart - 1 == 16 && sizeof kStreamComment - 1 == 54);
static_assert(16 + 54 + 2 == PXL_STREAM_HEADER_BYTES);

const char* DensityLevel(WORD density) {
  switch (density) {
    case 0: return "LEVEL0";
    case 2: return "LEVEL4";
    default: return "LEVEL2";
  }
}

// The paper the PAPER line names: the document's paper when the model takes it, else the
// paper the page flow prints on; a fit-to paper replaces either.
LONG PjlPaper(const PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  LONG paper = XModel_IsPaperSupported(job.dmPublic.dmPaperSize) ? job.dmPublic.dmPaperSize : pdev->job.layout.outputPaper;
  if (job.dmPrivate.scale.FtoPaper != 0) paper = job.dmPrivate.scale.FtoPaper;
  return paper;
}

void WriteJobOwner(PDEV* pdev) {
  WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(computer, &size)) computer[0] = 0;
  size_t units = 0;
  while (units < MAX_COMPUTERNAME_LENGTH && computer[units]) ++units;
  char owner[2 * MAX_COMPUTERNAME_LENGTH + 1] = {};
  ULONG bytes = 0;
  EngUnicodeToMultiByteN(owner, sizeof owner - 1, &bytes, computer, static_cast<ULONG>(units * sizeof(WCHAR)));
  if (bytes > sizeof owner - 1) bytes = sizeof owner - 1;
  owner[bytes] = 0;
  Spool_Printf(pdev, "@PJL SET JOBOWNER=vm%s\r\n", owner);
}

}  // namespace

void PclXl_TonerCode(BYTE code[PJL_TONER_CODE_BYTES]) {
  // A fixed code, built the same way for every job: a short linear congruential run from a
  // constant seed keeps the 32 bytes out of the binary as a plain table.
  DWORD state = 0x4B380001;
  for (size_t i = 0; i < PJL_TONER_CODE_BYTES; ++i) {
    state = state * 1103515245u + 12345u;
    code[i] = static_cast<BYTE>(state >> 16);
  }
}

void PclXl_WriteTonerModulus(PDEV* pdev) {
  BYTE code[PJL_TONER_CODE_BYTES];
  PclXl_TonerCode(code);
  char hex[2 * PJL_TONER_CODE_BYTES + 1];
  for (size_t i = 0; i < PJL_TONER_CODE_BYTES; ++i) std::snprintf(hex + 2 * i, 3, "%02X", code[i]);
  Spool_Printf(pdev, "@PJL SET TONERMODULUS=\"%s\"\r\n", hex);
}

void PclXl_WritePjlHeader(PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  Spool_Write(pdev, kUel, sizeof kUel - 1);
  Spool_Printf(pdev, "@PJL COMMENT Version 3.0 For Windows 2000\r\n");
  if (job.dmPrivate.bJobHandling >= 1 && job.dmPrivate.bJobHandling <= 3) {
    PDEV_REPORT_ERROR(pdev);
    Util_DebugPrint("JobHandling disabled, please check UI setting!\n");
  }
  // One copy when the driver replays the pages for collated copies itself; otherwise the
  // printer makes them all, so a job the driver could not spool still gets its copies.
  int copies = (pdev->job.output.flags & JOF_DRIVER_COLLATE) ? 1 : job.dmPublic.dmCopies;
  Spool_Printf(pdev, "@PJL SET COPIES=%d\r\n", copies);
  Spool_Printf(pdev, "@PJL SET DUPLEX=%s\r\n", PclXl_IsDuplex(pdev) ? "ON" : "OFF");
  Spool_Printf(pdev, "@PJL SET BINDING=%s\r\n", PclXl_BindsShortEdge(pdev) ? "SHORTEDGE" : "LONGEDGE");
  char name[32];
  // A media type outside the table (the merge keeps it in range) prints on plain paper.
  PclXl_LookupName(kMediaTypeTable, job.dmPrivate.paper.wMediaType, name, sizeof name, "PLAIN");
  Spool_Printf(pdev, "@PJL SET PAPERTYPE=%s\r\n", name);
  if (job.dmPrivate.wPaperSource == 1) {
    Spool_Printf(pdev, "@PJL SET MANUALFEED=%s\r\n", "ON");
  } else if (job.dmPrivate.wPaperSource == 2) {
    Spool_Printf(pdev, "@PJL SET INTRAY1=%s\r\n", "LOCKED");
    Spool_Printf(pdev, "@PJL SET INTRAY2=%s\r\n", "UNLOCKED");
  }
  WriteJobOwner(pdev);
  PaperName(job, PjlPaper(pdev), name, sizeof name);
  Spool_Printf(pdev, "@PJL SET PAPER=%s\r\n", name);
  Spool_Printf(pdev, "@PJL SET DENSITY=%s\r\n", DensityLevel(job.dmPrivate.wDensity));
  if (job.dmPrivate.dwHighResolution != 0) Spool_Printf(pdev, "@PJL SET RENDERMODEL=%s\r\n", "G2");
  Spool_Printf(pdev, "@PJL SET RESOLUTION=%s\r\n", "600");
  PclXl_WriteTonerModulus(pdev);
  Spool_Printf(pdev, "@PJL ENTER LANGUAGE=PCLXL\r\n");
  Spool_Write(pdev, kStreamHeaderStart, sizeof kStreamHeaderStart - 1);
  Spool_Write(pdev, kStreamComment, sizeof kStreamComment - 1);
  static const BYTE kHeaderEnd[2] = {0x00, 0x0A};
  Spool_Write(pdev, kHeaderEnd, sizeof kHeaderEnd);
}
