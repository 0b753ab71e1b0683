// Device contexts of windows and of the screen. Each top-level window has one surface, 32 bits
// a pixel, as large as the window; a window DC (GetDC, GetWindowDC, BeginPaint) of that window
// or of any of its children draws into it through its own rectangle, clipped to the parents'
// client areas, so what a child paints is what a copy of the window reads back. GetDC(NULL) is
// the screen: it measures and enumerates fonts and draws nowhere.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

#include <win/process.h>
#include <win/user.h>

#include "internal/desktop.h"
#include "internal/gdi_record.h"
#include "internal/gdi_render.h"
#include "internal/menus.h"

namespace plat::gdi {

struct WindowSurfaceView {
  HWND top = nullptr;    // the top-level window whose surface it is
  RECT area{};           // the DC's rectangle in the surface (may reach past it)
  RECT visible{};        // the part of `area` inside the parents' client areas and the surface
};

namespace {

struct Surfaces {
  std::mutex lock;
  std::map<HWND, std::shared_ptr<BitmapBits>> byWindow;
};

Surfaces& TheSurfaces() {
  static Surfaces* surfaces = new Surfaces;  // outlives static destructors of callers
  return *surfaces;
}

}  // namespace

void ScreenDeviceInfo(GDIINFO& info) {
  info = GDIINFO{};
  info.ulVersion = 0x4000;
  info.ulTechnology = DT_RASDISPLAY;
  info.ulHorzRes = static_cast<ULONG>(std::max(1, GetSystemMetrics(SM_CXSCREEN)));
  info.ulVertRes = static_cast<ULONG>(std::max(1, GetSystemMetrics(SM_CYSCREEN)));
  info.ulHorzSize = info.ulHorzRes * 254 / 960;  // millimetres at 96 dots per inch
  info.ulVertSize = info.ulVertRes * 254 / 960;
  info.cBitsPixel = 32;
  info.cPlanes = 1;
  info.ulNumColors = static_cast<ULONG>(-1);
  info.ulLogPixelsX = info.ulLogPixelsY = 96;
  info.ulAspectX = info.ulAspectY = 36;
  info.ulAspectXY = 51;
  info.ulDACRed = info.ulDACGreen = info.ulDACBlue = 8;
  info.szlPhysSize = SIZEL{static_cast<LONG>(info.ulHorzRes), static_cast<LONG>(info.ulVertRes)};
}

RasterPixels WindowPixels(const PrinterDC& dc) {
  RasterPixels out;
  const WindowSurfaceView* view = dc.surfaceView.get();
  if (!view) return out;
  Surfaces& s = TheSurfaces();
  std::shared_ptr<BitmapBits> bits;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    auto found = s.byWindow.find(view->top);
    if (found == s.byWindow.end()) return out;
    bits = found->second;
  }
  out.bits = bits.get();  // the surface lives while its window does; DCs never outlive a paint
  out.origin = POINT{view->area.left, view->area.top};
  out.width = std::min(view->area.right, bits->width) - view->area.left;
  out.height = std::min(view->area.bottom, bits->height) - view->area.top;
  if (out.origin.x < 0 || out.origin.y < 0 || out.width <= 0 || out.height <= 0) out = RasterPixels{};
  return out;
}

}  // namespace plat::gdi

namespace plat::gdi {
namespace {

using plat::desktop::Lock;
using plat::desktop::LocalWindowLocked;
using plat::desktop::Window;

// The window's rectangle relative to its top-level window, the part of it that its ancestors
// let show, and the top-level window. False for a window this process does not hold.
bool Placement(HWND hwnd, HWND& top, RECT& area, RECT& visible) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(hwnd);
  if (!window) return false;
  // Child rectangles are kept relative to their parents: walk up adding origins.
  area = RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
  visible = area;
  std::shared_ptr<Window> current = window;
  while (current->parent) {
    std::shared_ptr<Window> parent = LocalWindowLocked(current->parent);
    if (!parent) break;
    LONG dx = current->rect.left, dy = current->rect.top;
    area.left += dx, area.right += dx, area.top += dy, area.bottom += dy;
    visible.left += dx, visible.right += dx, visible.top += dy, visible.bottom += dy;
    LONG pw = parent->rect.right - parent->rect.left, ph = parent->rect.bottom - parent->rect.top;
    visible.left = std::max<LONG>(visible.left, 0), visible.top = std::max<LONG>(visible.top, 0);
    visible.right = std::min(visible.right, pw), visible.bottom = std::min(visible.bottom, ph);
    current = parent;
  }
  top = current->hwnd;
  return true;
}

// The surface of a top-level window, made (white) or resized to the window on demand; the
// surfaces of windows that are gone are dropped on the way.
std::shared_ptr<BitmapBits> SurfaceFor(HWND top) {
  RECT rect{};
  if (!GetWindowRect(top, &rect)) return nullptr;
  LONG width = std::max<LONG>(rect.right - rect.left, 1), height = std::max<LONG>(rect.bottom - rect.top, 1);
  Surfaces& s = TheSurfaces();
  std::lock_guard<std::mutex> guard(s.lock);
  auto found = s.byWindow.find(top);
  if (found != s.byWindow.end() && found->second->width == width && found->second->height == height)
    return found->second;
  std::shared_ptr<BitmapBits> bits = NewBitmapBits(width, height, 32, true);
  if (!bits) return nullptr;
  std::fill(bits->bytes.begin(), bits->bytes.end(), BYTE{0xFF});
  if (found != s.byWindow.end()) {
    // A resized window keeps what was painted where it still fits.
    const BitmapBits& old = *found->second;
    LONG w = std::min(width, old.width), h = std::min(height, old.height);
    for (LONG y = 0; y < h; ++y) std::memcpy(bits->Row(y), old.Row(y), static_cast<size_t>(w) * 4);
  }
  {
    std::lock_guard<std::mutex> windows(Lock());
    for (auto it = s.byWindow.begin(); it != s.byWindow.end();)
      it = LocalWindowLocked(it->first) ? std::next(it) : s.byWindow.erase(it);
  }
  s.byWindow[top] = bits;
  return bits;
}

HDC NewWindowDC(HWND hwnd) {
  auto dc = std::make_shared<PrinterDC>();
  ScreenDeviceInfo(dc->gdiInfo);
  if (!hwnd) {
    dc->screenDC = true;
    StateOf(*dc);
    return InsertDC(std::move(dc));
  }
  auto view = std::make_shared<WindowSurfaceView>();
  if (!Placement(hwnd, view->top, view->area, view->visible)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!SurfaceFor(view->top)) return nullptr;
  dc->window = hwnd;
  dc->surfaceView = view;
  StateOf(*dc);
  // The DC clips to what its ancestors let show, in its own coordinates.
  RECT visible{view->visible.left - view->area.left, view->visible.top - view->area.top,
               view->visible.right - view->area.left, view->visible.bottom - view->area.top};
  Region clip = RectRegion(visible);
  dc->clipToVisible = true;
  dc->visibleClip = std::move(clip);
  return InsertDC(std::move(dc));
}

}  // namespace

std::shared_ptr<BitmapBits> WindowSurface(HWND top) {
  Surfaces& s = TheSurfaces();
  std::lock_guard<std::mutex> guard(s.lock);
  auto found = s.byWindow.find(top);
  return found == s.byWindow.end() ? nullptr : found->second;
}

void DropWindowSurface(HWND top) {
  Surfaces& s = TheSurfaces();
  std::lock_guard<std::mutex> guard(s.lock);
  s.byWindow.erase(top);
}

}  // namespace plat::gdi

using namespace plat::gdi;

extern "C" {

WINBASEAPI HDC WINAPI GetDC(HWND hWnd) { return NewWindowDC(hWnd); }

WINBASEAPI HDC WINAPI GetWindowDC(HWND hWnd) { return NewWindowDC(hWnd); }

WINBASEAPI int WINAPI ReleaseDC(HWND, HDC hDC) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hDC);
  if (!dc || !(dc->window || dc->screenDC)) return 0;
  RemoveDC(hDC);
  return 1;
}

WINBASEAPI HWND WINAPI WindowFromDC(HDC hDC) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hDC);
  return dc ? dc->window : nullptr;
}

WINBASEAPI DWORD WINAPI GetGuiResources(HANDLE hProcess, DWORD uiFlags) {
  if (hProcess != GetCurrentProcess()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  switch (uiFlags) {
    case GR_GDIOBJECTS: return static_cast<DWORD>(GdiHandleCount());
    case GR_GDIOBJECTS_PEAK: return static_cast<DWORD>(GdiHandlePeak());
    case GR_USEROBJECTS:
    case GR_USEROBJECTS_PEAK: {
      size_t windows = 0;
      {
        std::lock_guard<std::mutex> guard(plat::desktop::Lock());
        windows = plat::desktop::StateLocked().windows.size();
      }
      return static_cast<DWORD>(windows + IconCount() + plat::menus::LiveMenuCount());
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

}  // extern "C"
