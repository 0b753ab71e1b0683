// PCL XL writers of the soft-font and text commands, on the writer's typed emitters: the font
// header, character downloads, font selection, character attributes and the Text operator.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "gdi/pdev.h"

// FontHeaderLength is a 16-bit attribute: one ReadFontHeader carries at most this much.
constexpr size_t PXL_FONT_HEADER_CHUNK = 65535;

// The name of a soft font: "<number - 100>TT" or "<number - 100>BM".
void PxlFont_Name(PDEV* pdev, WORD fontNumber, bool bitmap);
void PxlFont_BeginFontHeader(PDEV* pdev, WORD fontNumber, bool bitmap);
// Header bytes as ReadFontHeader commands of at most PXL_FONT_HEADER_CHUNK bytes each.
void PxlFont_ReadFontHeader(PDEV* pdev, const BYTE* bytes, size_t length);
void PxlFont_EndFontHeader(PDEV* pdev);
void PxlFont_BeginChar(PDEV* pdev, WORD fontNumber, bool bitmap);
// CharCode (uint16), CharDataSize (uint16, uint32 above 65535), ReadChar and the data length;
// the caller writes the character's bytes.
void PxlFont_ReadChar(PDEV* pdev, WORD code, DWORD dataSize);
void PxlFont_EndChar(PDEV* pdev);
// SetFont: FontName (name bytes as given, no terminator), CharSize, SymbolSet.
void PxlFont_SetFont(PDEV* pdev, const char* name, size_t nameLength, float charSize, WORD symbolSet);
void PxlFont_SetCharAngle(PDEV* pdev, SHORT degrees);
void PxlFont_SetCharScaleWhole(PDEV* pdev, BYTE x, BYTE y);
void PxlFont_SetCharScale(PDEV* pdev, float x, float y);
void PxlFont_SetCharShear(PDEV* pdev, float x, float y);
void PxlFont_SetCharBoldValue(PDEV* pdev, float value);
// Text: TextData as a uint16 array, then XSpacingData and YSpacingData when given (each a
// ubyte array when every value lies in 0..255, else a sint16 array).
void PxlFont_Text(PDEV* pdev, const WORD* codes, DWORD count, const LONG* dx, const LONG* dy);
