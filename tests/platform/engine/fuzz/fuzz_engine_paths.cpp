// Arbitrary points, tags, pens and clip rectangles through the engine's path objects, the
// widening of geometric lines and the clip enumeration. Every record must stay within its
// path, widened outlines must be closed, and enumerations must end and never write past the
// buffer offered.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform_testing.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint32_t Next(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t{at < size ? data[at++] : uint8_t{0}} << (8 * i);
    return v;
  }
};

void Walk(PATHOBJ* path) {
  PATHOBJ_vEnumStart(path);
  PATHDATA data;
  int guard = 0;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(path, &data);
    if (data.count && data.pptfx == nullptr) std::abort();
    volatile LONG sum = 0;
    for (ULONG i = 0; i < data.count; ++i) sum = sum + data.pptfx[i].x + data.pptfx[i].y;
    if (++guard > 1000000) std::abort();
  } while (more);
}

BOOL APIENTRY RefuseStroke(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS*, MIX) {
  return FALSE;
}

BOOL APIENTRY CheckFill(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG) {
  PATHOBJ_vEnumStart(ppo);
  PATHDATA data;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &data);
    if (data.count && !(data.flags & PD_CLOSEFIGURE)) std::abort();
  } while (more);
  return TRUE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 2048) return 0;
  Reader in{data, size};
  DWORD penStyle = in.Next(4);
  ULONG width = in.Next(1);
  std::vector<DWORD> userStyle;
  for (uint32_t n = in.Next(1) % 8; n > 0; --n) userStyle.push_back(in.Next(1));
  uint32_t count = in.Next(1);
  std::vector<POINTFIX> points;
  std::vector<BYTE> types;
  for (uint32_t i = 0; i < count && in.at < size; ++i) {
    // Coordinates up to 2048 dots either way, fractions included; now and then a far one.
    uint32_t far = in.Next(1);
    FIX x = static_cast<int16_t>(in.Next(2)), y = static_cast<int16_t>(in.Next(2));
    if (far == 0xFF) x *= 4096;
    points.push_back(POINTFIX{x, y});
    types.push_back(static_cast<BYTE>(in.Next(1) & 7));
  }
  PATHOBJ* path = PlatformTest_CreatePath(points.data(), types.data(), static_cast<ULONG>(points.size()));
  if (path) {
    Walk(path);
    RECTFX bounds;
    PATHOBJ_vGetBounds(path, &bounds);
    LINEATTRS* la = PlatformTest_CreateLineAttrs(penStyle, width, userStyle.data(),
                                                 static_cast<ULONG>(userStyle.size()));
    if (la) {
      const DRVFN table[] = {{INDEX_DrvStrokePath, reinterpret_cast<PFN>(RefuseStroke)},
                             {INDEX_DrvFillPath, reinterpret_cast<PFN>(CheckFill)}};
      SURFOBJ surface{};
      CLIPOBJ* clip = PlatformTest_CreateTrivialClip(nullptr);
      BRUSHOBJ* brush = PlatformTest_CreateSolidBrush(0);
      PlatformTest_EngineStrokePath(table, 2, &surface, path, clip, brush, nullptr, la, 0x0D0D);
      PlatformTest_DeleteBrush(brush);
      PlatformTest_DeleteClip(clip);
      PlatformTest_DeleteLineAttrs(la);
    }
    EngDeletePath(path);
  }

  std::vector<RECTL> rects;
  while (in.at + 8 <= size && rects.size() < 64) {
    LONG l = static_cast<int16_t>(in.Next(2)), t = static_cast<int16_t>(in.Next(2));
    LONG r = static_cast<int16_t>(in.Next(2)), b = static_cast<int16_t>(in.Next(2));
    rects.push_back(RECTL{l, t, r, b});
  }
  CLIPOBJ* region = PlatformTest_CreateRegionClip(rects.data(), static_cast<ULONG>(rects.size()), nullptr);
  if (region) {
    for (ULONG direction = 0; direction <= CD_ANY; ++direction) {
      CLIPOBJ_cEnumStart(region, TRUE, CT_RECTANGLES, direction, 0);
      struct {
        ULONG c;
        RECTL arcl[2];
        ULONG guard;
      } buffer;
      buffer.guard = 0xA5A5A5A5;
      int calls = 0;
      BOOL more;
      do {
        more = CLIPOBJ_bEnum(region, offsetof(decltype(buffer), guard), &buffer.c);
        if (buffer.c > 2 || buffer.guard != 0xA5A5A5A5) std::abort();
        for (ULONG i = 0; i < buffer.c; ++i)
          if (buffer.arcl[i].left >= buffer.arcl[i].right || buffer.arcl[i].top >= buffer.arcl[i].bottom) std::abort();
        if (++calls > 100000) std::abort();
      } while (more);
    }
    PATHOBJ* outline = CLIPOBJ_ppoGetPath(region);
    if (outline) {
      Walk(outline);
      EngDeletePath(outline);
    }
    PlatformTest_DeleteClip(region);
  }
  return 0;
}
