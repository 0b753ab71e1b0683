// Captures of windows as PNG files (libpng), for people and tests to look at what a window
// shows: the window's thread first paints what is pending (the window and its children, in
// that order), then the window's part of its top-level surface is written, with a plain
// one-pixel frame in the window-frame colour when the window has a border. A window of another
// thread or process of the machine is asked to capture itself through WM_COPYDATA, which its
// default window procedure answers.
#include <png.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <win/system.h>
#include <win/user.h>

#include "internal/desktop.h"
#include "internal/gdi_render.h"
#include "platform_testing.h"

namespace plat::gdi {
namespace {

// The WM_COPYDATA tag of a capture request ('VCAP'); the payload is the host path, UTF-8.
constexpr ULONG_PTR kCaptureTag = 0x50414356;

bool LocalWindow(HWND hwnd, HWND& top, RECT& area, DWORD& style) {
  std::lock_guard<std::mutex> guard(desktop::Lock());
  std::shared_ptr<desktop::Window> window = desktop::LocalWindowLocked(hwnd);
  if (!window) return false;
  style = window->style;
  area = RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
  std::shared_ptr<desktop::Window> current = window;
  while (current->parent) {
    std::shared_ptr<desktop::Window> parent = desktop::LocalWindowLocked(current->parent);
    if (!parent) break;
    area.left += current->rect.left, area.right += current->rect.left;
    area.top += current->rect.top, area.bottom += current->rect.top;
    current = parent;
  }
  top = current->hwnd;
  return true;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

// Parents before their children (EnumChildWindows walks each window before its own children).
// A window that paints erases its whole area, its children's parts included, so its visible
// descendants paint again on top of it, as they show on the screen.
void PaintPending(HWND hwnd) {
  std::vector<HWND> windows{hwnd};
  EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&windows));
  std::set<HWND> painted;
  for (HWND w : windows) {
    if (!IsWindowVisible(w)) continue;
    RECT pending{};
    bool paint = GetUpdateRect(w, &pending, FALSE) != FALSE;
    if (!paint && w != hwnd && painted.count(GetParent(w))) {
      InvalidateRect(w, nullptr, TRUE);
      paint = true;
    }
    if (!paint) continue;
    SendMessageW(w, WM_PAINT, 0, 0);
    painted.insert(w);
  }
}

bool WritePng(const std::string& path, LONG width, LONG height, const std::vector<BYTE>& rgb) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (LONG y = 0; y < height; ++y)
      png_write_row(png, const_cast<png_bytep>(rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3));
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}

}  // namespace

bool CaptureLocalWindow(HWND hwnd, const std::string& path) {
  HWND top = nullptr;
  RECT area{};
  DWORD style = 0;
  if (!LocalWindow(hwnd, top, area, style)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  PaintPending(hwnd);
  // A window that never painted shows white.
  HDC dc = GetDC(top);
  if (dc) ReleaseDC(top, dc);
  std::shared_ptr<BitmapBits> surface = WindowSurface(top);
  LONG width = area.right - area.left, height = area.bottom - area.top;
  if (!surface || width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::vector<BYTE> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0xFF);
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) {
      LONG sx = area.left + x, sy = area.top + y;
      if (sx < 0 || sy < 0 || sx >= surface->width || sy >= surface->height) continue;
      COLORREF c = PixelColor(*surface, sx, sy);
      BYTE* q = rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
      q[0] = GetRValue(c), q[1] = GetGValue(c), q[2] = GetBValue(c);
    }
  if (style & (WS_BORDER | WS_THICKFRAME)) {
    COLORREF frame = SystemColor(COLOR_WINDOWFRAME);
    auto put = [&](LONG x, LONG y) {
      BYTE* q = rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
      q[0] = GetRValue(frame), q[1] = GetGValue(frame), q[2] = GetBValue(frame);
    };
    for (LONG x = 0; x < width; ++x) put(x, 0), put(x, height - 1);
    for (LONG y = 0; y < height; ++y) put(0, y), put(width - 1, y);
  }
  if (!WritePng(path, width, height, rgb)) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

// WM_COPYDATA of a capture request, for the default window procedure; false for other data.
bool AnswerCaptureRequest(HWND hwnd, const COPYDATASTRUCT* data, LRESULT& result) {
  if (!data || data->dwData != kCaptureTag || !data->lpData || data->cbData == 0 || data->cbData > 4096) return false;
  std::string path(static_cast<const char*>(data->lpData), data->cbData);
  result = CaptureLocalWindow(hwnd, path) ? 1 : 0;
  return true;
}

}  // namespace plat::gdi

extern "C" {

WINBASEAPI BOOL PlatformTest_CaptureWindow(HWND window, const char* pngPath) {
  if (!window || !pngPath || !*pngPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HWND top = nullptr;
  RECT area{};
  DWORD style = 0;
  // A window of the calling thread is captured here; any other, of this process or another, by
  // its own thread, which paints what is pending and is never drawn on from two threads.
  if (plat::gdi::LocalWindow(window, top, area, style) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
    return plat::gdi::CaptureLocalWindow(window, pngPath);
  std::string path = pngPath;
  COPYDATASTRUCT data{plat::gdi::kCaptureTag, static_cast<DWORD>(path.size()), path.data()};
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &answer))
    return FALSE;
  return answer ? TRUE : FALSE;
}

}  // extern "C"
