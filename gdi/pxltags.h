// PCL XL vocabulary, part 1: data type tags, attribute and embedded-data tags, and the
// operators the renderer emits. Values are those of the published PCL XL tag tables; the
// stream header declares protocol class 3.0, which holds every one of them. Nothing outside
// the writer's emitters spells one of these bytes.
#pragma once

#include <win/base.h>

// ---- Data type tags ---------------------------------------------------------------------
enum PxlDataType : BYTE {
  PXL_UBYTE = 0xC0,
  PXL_UINT16 = 0xC1,
  PXL_UINT32 = 0xC2,
  PXL_SINT16 = 0xC3,
  PXL_SINT32 = 0xC4,
  PXL_REAL32 = 0xC5,
  PXL_UBYTE_ARRAY = 0xC8,
  PXL_UINT16_ARRAY = 0xC9,
  PXL_UINT32_ARRAY = 0xCA,
  PXL_SINT16_ARRAY = 0xCB,
  PXL_SINT32_ARRAY = 0xCC,
  PXL_REAL32_ARRAY = 0xCD,
  PXL_UBYTE_XY = 0xD0,
  PXL_UINT16_XY = 0xD1,
  PXL_UINT32_XY = 0xD2,
  PXL_SINT16_XY = 0xD3,
  PXL_SINT32_XY = 0xD4,
  PXL_REAL32_XY = 0xD5,
  PXL_SINT16_BOX = 0xE3,
};

// An attribute id follows its value, introduced by this tag and one byte.
constexpr BYTE PXL_ATTR_UBYTE = 0xF8;
// Embedded data follows its operator: a four-byte length, or a one-byte length for 0..255.
constexpr BYTE PXL_EMBEDDED_DATA = 0xFA;
constexpr BYTE PXL_EMBEDDED_DATA_BYTE = 0xFB;

// ---- Operators ----------------------------------------------------------------------------
enum PxlOperator : BYTE {
  PXL_OP_BeginSession = 0x41,
  PXL_OP_EndSession = 0x42,
  PXL_OP_BeginPage = 0x43,
  PXL_OP_EndPage = 0x44,
  PXL_OP_VendorUnique = 0x46,
  PXL_OP_OpenDataSource = 0x48,
  PXL_OP_CloseDataSource = 0x49,
  PXL_OP_BeginFontHeader = 0x4F,
  PXL_OP_ReadFontHeader = 0x50,
  PXL_OP_EndFontHeader = 0x51,
  PXL_OP_BeginChar = 0x52,
  PXL_OP_ReadChar = 0x53,
  PXL_OP_EndChar = 0x54,
  PXL_OP_RemoveFont = 0x55,
  PXL_OP_PopGS = 0x60,
  PXL_OP_PushGS = 0x61,
  PXL_OP_SetClipReplace = 0x62,
  PXL_OP_SetBrushSource = 0x63,
  PXL_OP_SetCharAngle = 0x64,
  PXL_OP_SetCharScale = 0x65,
  PXL_OP_SetCharShear = 0x66,
  PXL_OP_SetClipToPage = 0x69,
  PXL_OP_SetColorSpace = 0x6A,
  PXL_OP_SetCursor = 0x6B,
  PXL_OP_SetFillMode = 0x6E,
  PXL_OP_SetFont = 0x6F,
  PXL_OP_SetLineDash = 0x70,
  PXL_OP_SetLineCap = 0x71,
  PXL_OP_SetLineJoin = 0x72,
  PXL_OP_SetPageDefaultCTM = 0x74,
  PXL_OP_SetPageOrigin = 0x75,
  PXL_OP_SetPageRotation = 0x76,
  PXL_OP_SetPageScale = 0x77,
  PXL_OP_SetPaintTxMode = 0x78,
  PXL_OP_SetPenSource = 0x79,
  PXL_OP_SetPenWidth = 0x7A,
  PXL_OP_SetROP = 0x7B,
  PXL_OP_SetSourceTxMode = 0x7C,
  PXL_OP_SetCharBoldValue = 0x7D,
  PXL_OP_SetClipMode = 0x7F,
  PXL_OP_CloseSubPath = 0x84,
  PXL_OP_NewPath = 0x85,
  PXL_OP_PaintPath = 0x86,
  PXL_OP_BezierPath = 0x93,
  PXL_OP_BezierRelPath = 0x95,
  PXL_OP_LinePath = 0x9B,
  PXL_OP_LineRelPath = 0x9D,
  PXL_OP_RectanglePath = 0xA1,
  PXL_OP_Text = 0xA8,
  PXL_OP_BeginImage = 0xB0,
  PXL_OP_ReadImage = 0xB1,
  PXL_OP_EndImage = 0xB2,
  PXL_OP_BeginRastPattern = 0xB3,
  PXL_OP_ReadRastPattern = 0xB4,
  PXL_OP_EndRastPattern = 0xB5,
};
