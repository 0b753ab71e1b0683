// The renderer's private escapes: the codes an application (the user-interface library's
// print-time watermark, or a forms application) sends with ExtEscape on the printer DC, and the
// input records they carry. Both sides of the escape build against this header, so the codes
// and the layouts are fixed to the byte. The watermark block itself (ESC_WM_GETINFO's output)
// is WMARKDATA in wmarkdata.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

namespace vm4k2 {

// The handle escapes: the value the renderer hands back, carried in the first 4 bytes.
inline constexpr ULONG ESC_PRN_SETHANDLE = 6001;
inline constexpr ULONG ESC_PRN_GETHANDLE = 6002;  // written into the INPUT buffer

inline constexpr ULONG ESC_WM_GETINFO = 0x5001;         // out: WMARKDATA, exactly 3236 bytes
inline constexpr ULONG ESC_WM_BEGIN = 0x5002;           // watermark drawing starts
inline constexpr ULONG ESC_WM_DATA = 0x5003;            // in: WatermarkPlacement, or nothing
inline constexpr ULONG ESC_WM_END = 0x5004;             // watermark drawing ends
inline constexpr ULONG ESC_HF_GETINFO = 0x5005;         // out: header/footer block, exactly 1096 bytes
inline constexpr ULONG ESC_FORM_BEGINPART = 0x5006;
inline constexpr ULONG ESC_FORM_ENDPART = 0x5007;
inline constexpr ULONG ESC_FORM_PLACE = 0x5008;         // in: FormPlacement, exactly 12 bytes
inline constexpr ULONG ESC_JOB_GETSHEETCOUNT = 0x5009;  // out: 4 bytes
inline constexpr ULONG ESC_JOB_GETDOCNAME = 0x500A;     // out: exactly 256 bytes, ANSI, terminated
inline constexpr ULONG ESC_DM_GETEXTRA = 0x500B;        // out: exactly 1330 bytes
inline constexpr ULONG ESC_WM_GETSTATE = 0x500C;        // out: 4 bytes, the orientation 1 or 2
inline constexpr ULONG ESC_JOB_GETPAGESIZE = 0x500D;    // out: JobPageSize, exactly 12 bytes
inline constexpr ULONG ESC_JOB_GETNUP = 0x500E;         // out: 4 bytes
inline constexpr ULONG ESC_FORM_ISNEW = 0x500F;         // not supported: answered 0
inline constexpr ULONG ESC_DRV_GETRESERVED = 0x5010;    // out: 4 bytes; no document needed
inline constexpr ULONG ESC_DM_GETDOCSTYLE = 0x5011;     // out: 4 bytes; no document needed

inline constexpr size_t kHeaderFooterInfoSize = 1096;
inline constexpr size_t kDocNameInfoSize = 256;
inline constexpr size_t kDevmodeExtraSize = 1330;

// Input of ESC_WM_DATA when the watermark is tiled: where one copy goes. Device dots.
struct WatermarkPlacement {
  LONG column;
  LONG row;
  LONG cellWidth;
  LONG cellHeight;
  LONG xOffset;
  LONG yOffset;
  LONG dx;
  LONG dy;
  LONG extra;  // taken off x in the landscape spacing adjustment
};
static_assert(sizeof(WatermarkPlacement) == 36);
static_assert(offsetof(WatermarkPlacement, column) == 0 && offsetof(WatermarkPlacement, row) == 4 &&
              offsetof(WatermarkPlacement, cellWidth) == 8 && offsetof(WatermarkPlacement, cellHeight) == 12 &&
              offsetof(WatermarkPlacement, xOffset) == 16 && offsetof(WatermarkPlacement, yOffset) == 20 &&
              offsetof(WatermarkPlacement, dx) == 24 && offsetof(WatermarkPlacement, dy) == 28 &&
              offsetof(WatermarkPlacement, extra) == 32);

// Input of ESC_FORM_PLACE: the slot (0..5) and the part's width and height in device dots.
struct FormPlacement {
  LONG slot;
  LONG x;
  LONG y;
};
static_assert(sizeof(FormPlacement) == 12);
static_assert(offsetof(FormPlacement, slot) == 0 && offsetof(FormPlacement, x) == 4 && offsetof(FormPlacement, y) == 8);

// Output of ESC_JOB_GETPAGESIZE: the job's page in device dots.
struct JobPageSize {
  SHORT width;
  SHORT height;
  SHORT left;
  SHORT top;
  SHORT right;
  SHORT bottom;
};
static_assert(sizeof(JobPageSize) == 12);
static_assert(offsetof(JobPageSize, height) == 2 && offsetof(JobPageSize, left) == 4 &&
              offsetof(JobPageSize, top) == 6 && offsetof(JobPageSize, right) == 8 &&
              offsetof(JobPageSize, bottom) == 10);

}  // namespace vm4k2
