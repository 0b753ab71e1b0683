#include "gdi/pxlfont.h"

#include <vector>

#include "gdi/pclxl.h"
#include "gdi/spool.h"

namespace {

DWORD SoftFontFlags(bool bitmap) { return PXLF_SOFT_FONT | (bitmap ? PXLF_BITMAP_FONT : 0); }

// One spacing array: bytes when every value fits 0..255 (one byte a glyph instead of two).
void SpacingArray(PDEV* pdev, const LONG* values, DWORD count, PxlAttribute attr) {
  bool bytes = true;
  for (DWORD i = 0; i < count && bytes; ++i) bytes = values[i] >= 0 && values[i] <= 255;
  std::vector<BYTE> data;
  data.reserve(count * 2);
  for (DWORD i = 0; i < count; ++i) {
    LONG v = values[i];
    if (bytes) {
      data.push_back(static_cast<BYTE>(v));
    } else {
      SHORT s = static_cast<SHORT>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
      data.push_back(static_cast<BYTE>(s));
      data.push_back(static_cast<BYTE>(static_cast<WORD>(s) >> 8));
    }
  }
  PclXl_WriteArrayHeader(pdev, bytes ? PXL_UBYTE_ARRAY : PXL_SINT16_ARRAY, count);
  if (!data.empty()) Spool_Write(pdev, data.data(), data.size());
  PclXl_AttrId(pdev, attr);
}

}  // namespace

void PxlFont_Name(PDEV* pdev, WORD fontNumber, bool bitmap) {
  PclXl_WriteFontName(pdev, "", fontNumber, SoftFontFlags(bitmap));
}

void PxlFont_BeginFontHeader(PDEV* pdev, WORD fontNumber, bool bitmap) {
  PxlFont_Name(pdev, fontNumber, bitmap);
  PclXl_UbyteAttr(pdev, 0, PXL_A_FontFormat);
  PclXl_WriteOp(pdev, PXL_OP_BeginFontHeader);
}

void PxlFont_ReadFontHeader(PDEV* pdev, const BYTE* bytes, size_t length) {
  while (length > 0) {
    size_t piece = length < PXL_FONT_HEADER_CHUNK ? length : PXL_FONT_HEADER_CHUNK;
    PclXl_Uint16Attr(pdev, static_cast<WORD>(piece), PXL_A_FontHeaderLength);
    PclXl_WriteOp(pdev, PXL_OP_ReadFontHeader);
    PclXl_WriteDataLength(pdev, static_cast<DWORD>(piece));
    Spool_Write(pdev, bytes, piece);
    bytes += piece;
    length -= piece;
  }
}

void PxlFont_EndFontHeader(PDEV* pdev) { PclXl_WriteOp(pdev, PXL_OP_EndFontHeader); }

void PxlFont_BeginChar(PDEV* pdev, WORD fontNumber, bool bitmap) {
  PxlFont_Name(pdev, fontNumber, bitmap);
  PclXl_WriteOp(pdev, PXL_OP_BeginChar);
}

void PxlFont_ReadChar(PDEV* pdev, WORD code, DWORD dataSize) {
  PclXl_Uint16Attr(pdev, code, PXL_A_CharCode);
  if (dataSize > 0xFFFF) PclXl_Uint32Attr(pdev, dataSize, PXL_A_CharDataSize);
  else PclXl_Uint16Attr(pdev, static_cast<WORD>(dataSize), PXL_A_CharDataSize);
  PclXl_WriteOp(pdev, PXL_OP_ReadChar);
  PclXl_WriteDataLength(pdev, dataSize);
}

void PxlFont_EndChar(PDEV* pdev) { PclXl_WriteOp(pdev, PXL_OP_EndChar); }

void PxlFont_SetFont(PDEV* pdev, const char* name, size_t nameLength, float charSize, WORD symbolSet) {
  PclXl_NameAttr(pdev, name, nameLength, PXL_A_FontName);
  PclXl_Real32Attr(pdev, charSize, PXL_A_CharSize);
  PclXl_Uint16Attr(pdev, symbolSet, PXL_A_SymbolSet);
  PclXl_WriteOp(pdev, PXL_OP_SetFont);
}

void PxlFont_SetCharAngle(PDEV* pdev, SHORT degrees) {
  PclXl_Sint16Attr(pdev, degrees, PXL_A_CharAngle);
  PclXl_WriteOp(pdev, PXL_OP_SetCharAngle);
}

void PxlFont_SetCharScaleWhole(PDEV* pdev, BYTE x, BYTE y) {
  PclXl_WriteXYAttr(pdev, x, y, PXL_A_CharScale, PXLK_UBYTE_XY);
  PclXl_WriteOp(pdev, PXL_OP_SetCharScale);
}

void PxlFont_SetCharScale(PDEV* pdev, float x, float y) {
  PclXl_Real32XYAttr(pdev, x, y, PXL_A_CharScale);
  PclXl_WriteOp(pdev, PXL_OP_SetCharScale);
}

void PxlFont_SetCharShear(PDEV* pdev, float x, float y) {
  PclXl_Real32XYAttr(pdev, x, y, PXL_A_CharShear);
  PclXl_WriteOp(pdev, PXL_OP_SetCharShear);
}

void PxlFont_SetCharBoldValue(PDEV* pdev, float value) {
  PclXl_Real32Attr(pdev, value, PXL_A_CharBoldValue);
  PclXl_WriteOp(pdev, PXL_OP_SetCharBoldValue);
}

void PxlFont_Text(PDEV* pdev, const WORD* codes, DWORD count, const LONG* dx, const LONG* dy) {
  std::vector<BYTE> data;
  data.reserve(count * 2);
  for (DWORD i = 0; i < count; ++i) {
    data.push_back(static_cast<BYTE>(codes[i]));
    data.push_back(static_cast<BYTE>(codes[i] >> 8));
  }
  PclXl_WriteArrayHeader(pdev, PXL_UINT16_ARRAY, count);
  if (!data.empty()) Spool_Write(pdev, data.data(), data.size());
  PclXl_AttrId(pdev, PXL_A_TextData);
  if (dx) SpacingArray(pdev, dx, count, PXL_A_XSpacingData);
  if (dy) SpacingArray(pdev, dy, count, PXL_A_YSpacingData);
  PclXl_WriteOp(pdev, PXL_OP_Text);
}
