// The private escape codes that the user-interface library sends with ExtEscape on the
// application's printer device context and the renderer's DrvEscape answers. Both libraries
// take the numbers from here, so a code means the same request on both sides.
#pragma once

namespace vm4k2 {

inline constexpr int ESC_PRN_SETHANDLE = 6001;
inline constexpr int ESC_PRN_GETHANDLE = 6002;   // the job's printer handle, written into the input
inline constexpr int ESC_WM_GETINFO = 0x5001;    // out: the 3236-byte WMARKDATA block
inline constexpr int ESC_WM_BEGIN = 0x5002;
inline constexpr int ESC_WM_DATA = 0x5003;       // in (tiled only): one 36-byte WatermarkPlacement
inline constexpr int ESC_WM_END = 0x5004;
inline constexpr int ESC_HF_GETINFO = 0x5005;
inline constexpr int ESC_FORM_BEGINPART = 0x5006;
inline constexpr int ESC_FORM_ENDPART = 0x5007;
inline constexpr int ESC_FORM_PLACE = 0x5008;
inline constexpr int ESC_JOB_GETSHEETCOUNT = 0x5009;
inline constexpr int ESC_JOB_GETDOCNAME = 0x500A;
inline constexpr int ESC_DM_GETEXTRA = 0x500B;
inline constexpr int ESC_WM_GETSTATE = 0x500C;   // out: the page orientation, 4 bytes
inline constexpr int ESC_JOB_GETPAGESIZE = 0x500D;
inline constexpr int ESC_JOB_GETNUP = 0x500E;
inline constexpr int ESC_FORM_ISNEW = 0x500F;
inline constexpr int ESC_DRV_GETRESERVED = 0x5010;
inline constexpr int ESC_DM_GETDOCSTYLE = 0x5011;

}  // namespace vm4k2
