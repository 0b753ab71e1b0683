// The "Static" class: texts, icons, bitmaps and owner-drawn statics. Without SS_NOTIFY a
// static answers HTTRANSPARENT, so the mouse over it reaches the window beneath (the dialog).
// An icon or bitmap static made with a text loads that resource ("#id" or a name) from the
// module it was made with (the dialog's), and sizes itself to its image unless SS_CENTERIMAGE
// or SS_REALSIZECONTROL keeps the control's size.
#include <algorithm>

#include <win/gdi.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/user_draw.h>

#include "internal/dialogs.h"
#include "internal/unicode.h"

namespace plat::dialogs {
namespace {

struct StaticState {
  HANDLE image = nullptr;
  UINT imageType = IMAGE_ICON;
  // The image the static loaded from its text: destroyed with the static while still shown.
  // Once replaced, it belongs to whoever STM_SETIMAGE returned it to.
  bool ownsImage = false;
};

StateMap<StaticState>& States() {
  static StateMap<StaticState> states;
  return states;
}

bool ShowsImage(DWORD type) { return type == SS_ICON || type == SS_BITMAP; }

SIZE ImageSize(HANDLE image, UINT type) {
  SIZE size{};
  if (!image) return size;
  if (type == IMAGE_BITMAP) {
    BITMAP bm{};
    if (GetObjectW(image, sizeof bm, &bm)) size = SIZE{bm.bmWidth, bm.bmHeight};
    return size;
  }
  ICONINFO info{};
  if (!GetIconInfo(static_cast<HICON>(image), &info)) return size;
  BITMAP bm{};
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
    size = SIZE{bm.bmWidth, bm.bmHeight};
  } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bm, &bm)) {
    size = SIZE{bm.bmWidth, bm.bmHeight / 2};  // a monochrome icon: AND mask over XOR mask
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return size;
}

void DestroyImage(HANDLE image, UINT type) {
  if (!image) return;
  if (type == IMAGE_BITMAP) DeleteObject(image);
  else DestroyIcon(static_cast<HICON>(image));
}

// Takes the new image; returns the previous one, which the caller now holds.
HANDLE SetImage(HWND hwnd, StaticState& state, HANDLE image, UINT type, bool owned) {
  // A replaced image the static loaded itself goes back to the caller, who frees it from now on.
  HANDLE previous = state.image;
  state.image = image;
  state.imageType = type;
  state.ownsImage = owned;
  const DWORD style = StyleOf(hwnd);
  if (image && !(style & (SS_CENTERIMAGE | SS_REALSIZECONTROL))) {
    SIZE size = ImageSize(image, type);
    if (size.cx > 0 && size.cy > 0)
      SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  return previous;
}

// The resource the creation text names: "#123" an ordinal, anything else a name.
void LoadNamedImage(HWND hwnd, StaticState& state, const CREATESTRUCTW& create) {
  const DWORD type = create.style & SS_TYPEMASK;
  if (!ShowsImage(type) || !create.lpszName || IS_INTRESOURCE(create.lpszName) || !*create.lpszName) return;
  std::u16string text(plat::WideView(create.lpszName));
  LPCWSTR name = text.c_str();
  if (text.size() > 1 && text[0] == u'#') {
    unsigned long id = 0;
    bool digits = true;
    for (size_t i = 1; i < text.size() && digits; ++i) {
      digits = text[i] >= u'0' && text[i] <= u'9';
      id = id * 10 + (text[i] - u'0');
      if (id > 0xFFFF) digits = false;
    }
    if (digits) name = MAKEINTRESOURCEW(id);
  }
  const UINT imageType = type == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP;
  HANDLE image = LoadImageW(create.hInstance, name, imageType, 0, 0, 0);
  if (image) SetImage(hwnd, state, image, imageType, true);
}

void DrawImage(const ControlPaint& paint, const StaticState& state, DWORD style) {
  if (!state.image) return;
  SIZE size = ImageSize(state.image, state.imageType);
  RECT target{0, 0, size.cx, size.cy};
  if (style & SS_REALSIZECONTROL) {
    target = paint.client;
  } else if (style & SS_CENTERIMAGE) {
    const LONG x = (paint.client.right - size.cx) / 2, y = (paint.client.bottom - size.cy) / 2;
    target = RECT{x, y, x + size.cx, y + size.cy};
  }
  const LONG w = target.right - target.left, h = target.bottom - target.top;
  if (state.imageType != IMAGE_BITMAP) {
    DrawIconEx(paint.dc, target.left, target.top, static_cast<HICON>(state.image), w, h, 0, nullptr, DI_NORMAL);
    return;
  }
  HDC memory = CreateCompatibleDC(paint.dc);
  HGDIOBJ old = SelectObject(memory, state.image);
  if (w == size.cx && h == size.cy) {
    BitBlt(paint.dc, target.left, target.top, w, h, memory, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(paint.dc, COLORONCOLOR);
    StretchBlt(paint.dc, target.left, target.top, w, h, memory, 0, 0, size.cx, size.cy, SRCCOPY);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
}

void Paint(HWND hwnd, const StaticState& state) {
  const DWORD style = StyleOf(hwnd);
  const DWORD type = style & SS_TYPEMASK;
  if (type == SS_OWNERDRAW) {
    PaintControl(hwnd, 0, false, [&](ControlPaint& paint) {
      SendDrawItem(hwnd, ODT_STATIC, 0, ODA_DRAWENTIRE, paint.disabled ? ODS_DISABLED : 0, paint.client, 0, paint.dc);
    });
    return;
  }
  const std::u16string text = ShowsImage(type) ? std::u16string() : TextOf(hwnd);
  PaintControl(hwnd, WM_CTLCOLORSTATIC, true, [&](ControlPaint& paint) {
    switch (type) {
      case SS_ICON:
      case SS_BITMAP:
        DrawImage(paint, state, style);
        return;
      case SS_BLACKRECT:
        FillSysColor(paint.dc, paint.client, COLOR_WINDOWFRAME);
        return;
      case SS_ETCHEDHORZ:
        DrawEdge3D(paint.dc, RECT{0, 0, paint.client.right, 2}, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
        return;
      default:
        break;
    }
    UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    switch (type) {
      case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
      case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
      case SS_LEFTNOWORDWRAP:
      case SS_SIMPLE: format |= DT_LEFT | DT_SINGLELINE; break;
      default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_CENTERIMAGE) format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
    DrawControlText(paint, text, paint.client, format | DT_EXPANDTABS);
  });
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  StaticState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      if (lParam) LoadNamedImage(hwnd, *state, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
      return 0;
    case WM_NCDESTROY:
      if (state->ownsImage) DestroyImage(state->image, state->imageType);
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCHITTEST:
      if (!(StyleOf(hwnd) & SS_NOTIFY)) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_LBUTTONDOWN:
      if (StyleOf(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (StyleOf(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_DBLCLK);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case STM_SETICON:
      // STM_SETICON's handle is wParam; STM_SETIMAGE's is lParam. Either returns the previous one.
      return reinterpret_cast<LRESULT>(SetImage(hwnd, *state, reinterpret_cast<HANDLE>(wParam), IMAGE_ICON, false));
    case STM_SETIMAGE: {
      const UINT type = wParam == IMAGE_BITMAP ? IMAGE_BITMAP : IMAGE_ICON;
      return reinterpret_cast<LRESULT>(SetImage(hwnd, *state, reinterpret_cast<HANDLE>(lParam), type, false));
    }
    case STM_GETICON:
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(state->image);
    case WM_SETFONT:
      FontSlot(hwnd) = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontSlot(hwnd));
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      Paint(hwnd, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
