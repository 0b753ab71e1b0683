// PCL XL vocabulary, part 3: the enumerated attribute values the renderer sends, with the
// names of the published PCL XL tables.
#pragma once

#include <win/base.h>

enum PxlMeasure : BYTE { eInch = 0, eMillimeter = 1, eTenthsOfAMillimeter = 2 };
enum PxlErrorReport : BYTE { eNoReporting = 0, eBackChannel = 1, eErrorPage = 2, eBackChAndErrPage = 3 };
enum PxlDataSource : BYTE { eDefaultDataSource = 0 };
enum PxlDataOrg : BYTE { eBinaryHighByteFirst = 0, eBinaryLowByteFirst = 1 };
enum PxlOrientation : BYTE {
  ePortraitOrientation = 0,
  eLandscapeOrientation = 1,
  eReversePortrait = 2,
  eReverseLandscape = 3,
};
enum PxlMediaSource : BYTE { eDefaultSource = 0, eAutoSelect = 1, eManualFeed = 2, eMultiPurposeTray = 3 };
enum PxlDuplexPageMode : BYTE { eDuplexHorizontalBinding = 0, eDuplexVerticalBinding = 1 };
enum PxlDuplexPageSide : BYTE { eFrontMediaSide = 0, eBackMediaSide = 1 };
enum PxlPointType : BYTE { eUByte = 0, eSByte = 1, eUint16 = 2, eSint16 = 3 };
enum PxlClipRegion : BYTE { eInterior = 0, eExterior = 1 };
enum PxlFillMode : BYTE { eNonZeroWinding = 0, eEvenOdd = 1 };
enum PxlColorSpace : BYTE { eGray = 1, eRGB = 2 };
enum PxlColorMapping : BYTE { eDirectPixel = 0, eIndexedPixel = 1 };
enum PxlColorDepth : BYTE { e1Bit = 0, e4Bit = 1, e8Bit = 2 };
enum PxlCompressMode : BYTE { eNoCompression = 0, eRLECompression = 1, eJPEGCompression = 2, eDeltaRowCompression = 3 };
enum PxlPatternPersistence : BYTE { eTempPattern = 0, ePagePattern = 1, eSessionPattern = 2 };
enum PxlTxMode : BYTE { eOpaque = 0, eTransparent = 1 };
enum PxlLineCap : BYTE { eButtCap = 0, eRoundCap = 1, eSquareCap = 2, eTriangleCap = 3 };
enum PxlLineJoin : BYTE { eMiterJoin = 0, eRoundJoin = 1, eBevelJoin = 2, eNoJoin = 3 };

// VUExtension of the vendor-unique command that sets the object mode of colour jobs.
constexpr DWORD PXL_VU_OBJECT_MODE = 0x68702002;
