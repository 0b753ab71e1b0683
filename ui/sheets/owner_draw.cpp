#include "ui/sheets/owner_draw.h"

#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>
#include <win/user_draw.h>

#include "ui/core/language.h"

namespace vm4k2ui {

namespace {

bool BitmapSize(HBITMAP bitmap, int* width, int* height) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0) return false;
  *width = info.bmWidth;
  *height = info.bmHeight;
  return true;
}

}  // namespace

void MeasureOwnerDrawItem(HWND page, MEASUREITEMSTRUCT* item) {
  if (item == nullptr) return;
  HWND control = GetDlgItem(page, static_cast<int>(item->CtlID));
  HDC dc = GetDC(control != nullptr ? control : page);
  UINT height = kMinimumItemHeight;
  if (dc != nullptr) {
    HFONT font = CreateFontW(0, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, u"Helv");
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    const int measured = GetDeviceCaps(dc, LOGPIXELSY) * 12 / 72;
    if (measured > static_cast<int>(height)) height = static_cast<UINT>(measured);
    if (previous != nullptr) SelectObject(dc, previous);
    if (font != nullptr) DeleteObject(font);
    ReleaseDC(control != nullptr ? control : page, dc);
  }
  item->itemHeight = height;
}

RECT CenteredBitmapRect(HBITMAP bitmap, const RECT& item) {
  int width = 0;
  int height = 0;
  if (!BitmapSize(bitmap, &width, &height)) return RECT{item.left, item.top, item.left, item.top};
  const LONG left = item.left + ((item.right - item.left) - width) / 2;
  const LONG top = item.top + ((item.bottom - item.top) - height) / 2;
  return RECT{left, top, left + width, top + height};
}

BOOL DrawItemBitmap(HDC dc, HBITMAP bitmap, const RECT& rectangle, COLORREF maskColour) {
  int width = 0;
  int height = 0;
  if (dc == nullptr || !BitmapSize(bitmap, &width, &height)) return FALSE;
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return FALSE;
  HGDIOBJ previous = SelectObject(source, bitmap);
  SetStretchBltMode(dc, COLORONCOLOR);
  SetBkColor(dc, RGB(255, 255, 255));
  SetTextColor(dc, RGB(0, 0, 0));
  const int sourceWidth = width + (UiRightToLeft() ? 2 : 0);
  const BOOL drawn = StretchBlt(dc, rectangle.left, rectangle.top, rectangle.right - rectangle.left,
                                rectangle.bottom - rectangle.top, source, 0, 0, sourceWidth, height, SRCCOPY);
  // The monochrome mask of the mask colour is made as the pictures' transparent drawing
  // needs it, and released: these pictures are drawn opaque.
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  HDC maskDc = mask != nullptr ? CreateCompatibleDC(dc) : nullptr;
  if (maskDc != nullptr) {
    HGDIOBJ previousMask = SelectObject(maskDc, mask);
    const COLORREF previousBackground = SetBkColor(source, maskColour);
    BitBlt(maskDc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SetBkColor(source, previousBackground);
    SelectObject(maskDc, previousMask);
    DeleteDC(maskDc);
  }
  if (mask != nullptr) DeleteObject(mask);
  SelectObject(source, previous);
  DeleteDC(source);
  return drawn;
}

BOOL DrawItemBitmapTransparent(HDC dc, HBITMAP bitmap, const RECT& rectangle, COLORREF transparent) {
  int width = 0;
  int height = 0;
  if (dc == nullptr || !BitmapSize(bitmap, &width, &height)) return FALSE;
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return FALSE;
  HGDIOBJ previous = SelectObject(source, bitmap);
  const BOOL drawn = TransparentBlt(dc, rectangle.left, rectangle.top, rectangle.right - rectangle.left,
                                    rectangle.bottom - rectangle.top, source, 0, 0, width, height, transparent);
  SelectObject(source, previous);
  DeleteDC(source);
  return drawn;
}

}  // namespace vm4k2ui
