// Owner-drawn items of the pages: the height of combo rows and the satellite's bitmaps drawn
// into pictures and list rows.
#pragma once

#include <win/dialogs.h>
#include <win/gdi.h>

namespace vm4k2ui {

inline constexpr UINT kMinimumItemHeight = 16;

// WM_MEASUREITEM: the row height of a 12-point bold "Helv" on the control's DC, at least 16.
void MeasureOwnerDrawItem(HWND page, MEASUREITEMSTRUCT* item);

// The rectangle of the bitmap's own size centred on `item` (a picture control or a row).
RECT CenteredBitmapRect(HBITMAP bitmap, const RECT& item);

// Draws the bitmap into `rectangle` (StretchBlt, COLORONCOLOR, SRCCOPY, white background,
// black text). In a right-to-left user interface the source is taken two pixels wider, as
// the mirrored controls cut their last columns. FALSE when the bitmap cannot be drawn.
BOOL DrawItemBitmap(HDC dc, HBITMAP bitmap, const RECT& rectangle, COLORREF maskColour);
// Draws the bitmap at its own size into `rectangle`, its `transparent` pixels left out
// (TransparentBlt).
BOOL DrawItemBitmapTransparent(HDC dc, HBITMAP bitmap, const RECT& rectangle, COLORREF transparent);

}  // namespace vm4k2ui
