// The drawing state of a device context: the objects selected into it, its modes, the mapping
// of logical to device coordinates, the current position, the clip region and the path bracket.
// The text calls read the selected font and the text colour from here as well.
#pragma once

#include <memory>
#include <vector>

#include <win/ddi.h>
#include <win/gdi_draw.h>
#include <win/gdi_images.h>

#include "internal/gdi_objects.h"

namespace plat::gdi {

// A path in device space, in the engine's 28.4 fixed point, as the DC builds it from shapes
// or records it inside a path bracket. Each point carries its PT_ type; PT_CLOSEFIGURE is
// or-ed into the last point of a closed figure.
struct DevicePath {
  std::vector<POINTFIX> points;
  std::vector<BYTE> types;

  bool Empty() const { return points.empty(); }
  // A figure is open when the last point does not close it.
  bool OpenFigure() const { return !types.empty() && !(types.back() & PT_CLOSEFIGURE); }
  void MoveTo(POINTFIX p);
  void LineTo(POINTFIX p);
  void BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end);
  void Close();
  void Append(const DevicePath& other);
};

enum class PathBracket { None, Open, Closed };

// The engine brush last built for the DC's brush or pen, kept while neither the object nor the
// colours it depends on change, so the driver realises a pattern once, as on the platform.
struct EngineBrushCache;

struct DrawState {
  HPEN hpen = nullptr;
  std::shared_ptr<PenObject> pen;
  HBRUSH hbrush = nullptr;
  std::shared_ptr<BrushObject> brush;
  HFONT hfont = nullptr;
  std::shared_ptr<FontObject> font;
  HBITMAP hbitmap = nullptr;  // memory DCs only
  std::shared_ptr<BitmapObject> bitmap;

  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF dcBrushColor = RGB(255, 255, 255);
  COLORREF dcPenColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchBltMode = BLACKONWHITE;
  COLORADJUSTMENT colorAdjustment{sizeof(COLORADJUSTMENT), 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
  FLOAT miterLimit = 10.0f;

  // Logical to device: (logical - windowOrg) * viewportExt / windowExt + viewportOrg, the
  // extents 1:1 in MM_TEXT; a right-to-left layout then mirrors x across `mirrorWidth`.
  int mapMode = MM_TEXT;
  SIZE windowExt{1, 1};
  SIZE viewportExt{1, 1};
  DWORD layout = 0;
  LONG mirrorWidth = 0;
  UINT textAlign = 0;
  POINT windowOrg{0, 0};
  POINT viewportOrg{0, 0};
  POINT brushOrg{0, 0};
  POINT current{0, 0};  // logical units

  // The clip region in device units; none means the whole surface.
  bool hasClip = false;
  Region clip;

  PathBracket bracket = PathBracket::None;
  DevicePath path;

  std::shared_ptr<EngineBrushCache> fillBrush;
  std::shared_ptr<EngineBrushCache> penBrush;
};

}  // namespace plat::gdi
