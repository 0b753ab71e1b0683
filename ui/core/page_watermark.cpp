// The print-time watermark, drawn by the user-interface library at each page end.
//
// The renderer hands out the page's WMARKDATA block (ESC_WM_GETINFO); when it names a
// watermark, the text or picture is drawn into a white memory bitmap which is then combined
// into the page with SRCAND between ESC_WM_BEGIN and ESC_WM_END. SRCAND with white changes
// nothing, so the bitmap only needs to cover the watermark itself: a page-sized 24-bit bitmap
// is about 100 MB at 600 dpi, the watermark's rectangle a small part of that, and the page
// comes out the same.
#include "ui/core/page_watermark.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/gdi_text.h>

#include "ui/core/language.h"
#include "ui/core/page_watermark_drawing.h"
#include <vm4k2/escapes.h>

namespace vm4k2ui {
namespace {

using vm4k2::WMARKDATA;

constexpr double kPi = 3.14159;  // the angle conversion keeps this precision on purpose
constexpr BYTE kOutTrueTypeOnly = 7;  // OUT_TT_ONLY_PRECIS

// Text sizes of the watermark page are scaled so that the printed text matches the preview.
double FontSizeFactor(SHORT size) {
  switch (size) {
    case 36: return 8.5;
    case 44: return 9.6;
    case 54: return 9.2;
    case 72: return 9.1;
    case 88: return 9.4;
    default: return 9.7;
  }
}

template <size_t N>
size_t TerminatedLength(WCHAR (&field)[N]) {
  field[N - 1] = 0;
  size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return n;
}

int CALLBACK FirstCharset(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM lParam) {
  *reinterpret_cast<BYTE*>(lParam) = lf->lfCharSet;
  return 0;  // the first family decides
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) r = RECT{0, 0, 0, 0};
  return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void SendEscape(HDC printer, int code) { ExtEscape(printer, code, 0, nullptr, 0, nullptr); }

// ---- Text ---------------------------------------------------------------------------------

bool PrepareText(HDC memory, WMARKDATA& block, LONG pageWidth, LONG pageHeight, WatermarkDrawing& out) {
  out.textLength = TerminatedLength(block.wmString);
  TerminatedLength(block.wmTypeFace);
  if (block.wmFontSize <= 0 || out.textLength == 0) return false;  // nothing to print
  std::memcpy(out.text, block.wmString, sizeof out.text);

  const int angle = WatermarkAngle(block.wmAngle);
  UINT style = 0;
  if (block.wmBold) style |= kWatermarkBold;
  if (block.wmItalic) style |= kWatermarkItalic;
  out.font = CreateWatermarkFont(memory, block.wmTypeFace, WatermarkFontSize(block.wmFontSize, 0.0), style, angle);
  if (out.font == nullptr) return false;

  HGDIOBJ previous = SelectObject(memory, out.font);
  SIZE box{};
  const BOOL measured = GetTextExtentPointW(memory, out.text, static_cast<int>(out.textLength), &box);
  SelectObject(memory, previous);
  if (!measured) return false;

  out.layout = LayoutTextWatermark(box.cx, box.cy, block.wmItalic != 0, angle, pageWidth, pageHeight,
                                   block.wmPosition, block.wmPosX, block.wmPosY);
  out.colour = block.wmColorRef;
  out.twice = block.wmFlag != 0;
  out.rightToLeft = UiRightToLeft();
  // Glyphs may reach past the measured advance box (overhangs, the italic slant): the area
  // keeps a margin of half the text height around the rotated block.
  const LONG pad = box.cy / 2 + 2;
  out.area = RECT{out.layout.blockLeft - pad, out.layout.blockTop - pad,
                  out.layout.blockLeft + out.layout.blockWidth + pad, out.layout.blockTop + out.layout.blockHeight + pad};
  return true;
}

void DrawText(HDC printer, HDC memory, const WatermarkDrawing& w, const RECT& canvas) {
  const int oldMode = SetBkMode(memory, TRANSPARENT);
  const UINT oldAlign = SetTextAlign(memory, 0);
  HGDIOBJ oldFont = SelectObject(memory, w.font);
  const COLORREF oldBack = SetBkColor(memory, RGB(255, 255, 255));
  const COLORREF oldText = SetTextColor(memory, w.colour);
  HBRUSH brush = CreateSolidBrush(w.colour);
  HGDIOBJ oldBrush = brush ? SelectObject(memory, brush) : nullptr;

  const int x = static_cast<int>(w.layout.x - canvas.left);
  const int y = static_cast<int>(w.layout.y - canvas.top);
  const RECT page{-canvas.left, -canvas.top, w.pageWidth - canvas.left, w.pageHeight - canvas.top};
  SendEscape(printer, vm4k2::ESC_WM_DATA);
  for (int copy = 0; copy < (w.twice ? 2 : 1); ++copy) {
    BeginPath(memory);
    if (w.rightToLeft) {
      ExtTextOutW(memory, x, y, ETO_RTLREADING | ETO_CLIPPED, &page, w.text, static_cast<UINT>(w.textLength), nullptr);
    } else {
      TextOutW(memory, x, y, w.text, static_cast<int>(w.textLength));
    }
    EndPath(memory);
    const int oldFill = SetPolyFillMode(memory, WINDING);
    FillPath(memory);
    SetPolyFillMode(memory, oldFill);
  }

  if (oldBrush) SelectObject(memory, oldBrush);
  if (brush) DeleteObject(brush);
  SetTextColor(memory, oldText);
  SetBkColor(memory, oldBack);
  SelectObject(memory, oldFont);
  SetTextAlign(memory, oldAlign);
  SetBkMode(memory, oldMode);
}

// ---- Bitmap -------------------------------------------------------------------------------

bool PrepareBitmap(HDC memory, WMARKDATA& block, LONG pageWidth, LONG pageHeight, WatermarkDrawing& out) {
  TerminatedLength(block.wmContent);
  if (block.wmContent[0] == 0) return false;
  HBITMAP picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, block.wmContent, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
  if (picture == nullptr) return false;

  BITMAP info{};
  bool ok = GetObjectW(picture, sizeof info, &info) == sizeof info;
  const LONG sw = info.bmWidth;
  const LONG sh = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  ok = ok && sw > 0 && sh > 0 && sw <= kWatermarkBitmapMaxSide && sh <= kWatermarkBitmapMaxSide &&
       static_cast<LONGLONG>(sw) * sh <= kWatermarkBitmapMaxPixels;
  if (ok) {
    // Rows of 24-bit pixels padded to 4 bytes, top row first; the checks above keep the size
    // well inside 32 bits.
    const size_t stride = (static_cast<size_t>(sw) * 3 + 3) & ~static_cast<size_t>(3);
    out.bits.assign(stride * static_cast<size_t>(sh), 0);
    out.bitmapInfo = BITMAPINFO{};
    out.bitmapInfo.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    out.bitmapInfo.bmiHeader.biWidth = sw;
    out.bitmapInfo.bmiHeader.biHeight = -sh;
    out.bitmapInfo.bmiHeader.biPlanes = 1;
    out.bitmapInfo.bmiHeader.biBitCount = 24;
    out.bitmapInfo.bmiHeader.biCompression = BI_RGB;
    ok = GetDIBits(memory, picture, 0, static_cast<UINT>(sh), out.bits.data(), &out.bitmapInfo, DIB_RGB_COLORS) ==
         static_cast<int>(sh);
  }
  DeleteObject(picture);
  if (!ok) return false;

  const LONG longer = std::max(pageWidth, pageHeight);
  const LONG dw = BitmapWatermarkSide(longer, sw, block.wmFontSize);
  const LONG dh = BitmapWatermarkSide(longer, sh, block.wmFontSize);
  if (dw <= 0 || dh <= 0) return false;

  LONG left = (pageWidth - dw) / 2;
  LONG top = (pageHeight - dh) / 2;
  if (block.wmPosition == vm4k2::kWmPositionAtXY) {
    left += static_cast<LONG>((static_cast<LONGLONG>(block.wmPosX) - 50) * pageWidth / 100);
    top += static_cast<LONG>((static_cast<LONGLONG>(block.wmPosY) - 50) * (pageHeight - dh) / 100);
  }
  const RECT whole{left, top, left + dw, top + dh};
  const RECT shown = Intersect(whole, RECT{0, 0, pageWidth, pageHeight});
  if (IsEmpty(shown)) return false;

  // The part of the picture that stays on the page, in source pixels.
  auto toSource = [](LONG offset, LONG destSide, LONG srcSide) {
    return static_cast<LONG>(static_cast<LONGLONG>(offset) * srcSide / destSide);
  };
  LONG sx0 = toSource(shown.left - whole.left, dw, sw);
  LONG sy0 = toSource(shown.top - whole.top, dh, sh);
  LONG sx1 = std::max(sx0 + 1, toSource(shown.right - whole.left, dw, sw));
  LONG sy1 = std::max(sy0 + 1, toSource(shown.bottom - whole.top, dh, sh));
  out.dest = shown;
  out.source = RECT{sx0, sy0, std::min(sx1, sw), std::min(sy1, sh)};
  out.rop = block.wmFlag ? SRCAND : SRCCOPY;
  out.area = shown;
  return true;
}

void DrawBitmap(HDC printer, HDC memory, const WatermarkDrawing& w, const RECT& canvas) {
  const int oldStretch = SetStretchBltMode(memory, COLORONCOLOR);
  SendEscape(printer, vm4k2::ESC_WM_DATA);
  StretchDIBits(memory, static_cast<int>(w.dest.left - canvas.left), static_cast<int>(w.dest.top - canvas.top),
                static_cast<int>(w.dest.right - w.dest.left), static_cast<int>(w.dest.bottom - w.dest.top),
                static_cast<int>(w.source.left), static_cast<int>(w.source.top),
                static_cast<int>(w.source.right - w.source.left), static_cast<int>(w.source.bottom - w.source.top),
                w.bits.data(), &w.bitmapInfo, DIB_RGB_COLORS, w.rop);
  SetStretchBltMode(memory, oldStretch);
}

}  // namespace

int WatermarkFontSize(SHORT fontSize, double scale) {
  double size = fontSize * FontSizeFactor(fontSize);
  if (scale != 0.0) size *= scale;
  return static_cast<int>(size);
}

int WatermarkAngle(SHORT angleDegrees) {
  int degrees = angleDegrees;
  if (degrees < 0) degrees += 360;
  return (degrees * 10) % 3600;
}

TextWatermarkLayout LayoutTextWatermark(LONG width, LONG height, bool italic, int angle, LONG pageWidth,
                                        LONG pageHeight, SHORT position, LONG posX, LONG posY) {
  LONG tx = 0, ty = 0;
  if (italic) {
    // The measured box leaves out the slant; very long texts are widened less.
    const LONG divisor = static_cast<LONGLONG>(width) > 9LL * pageWidth ? 100 : 14;
    tx = width / divisor;
    ty = height / divisor;
  }
  const LONG w = width + tx;
  const LONG h = height + ty;
  // Halves of the widening are whole dots, as every length here.
  const LONG halfTx = tx / 2, halfTy = ty / 2;
  const double radians = angle * kPi / 1800.0;
  const double s = std::fabs(std::sin(radians));
  const double c = std::fabs(std::cos(radians));
  auto whole = [](double v) { return static_cast<LONG>(v); };

  TextWatermarkLayout out;
  out.blockWidth = whole(w * c) + whole(h * s);
  out.blockHeight = whole(h * c) + whole(w * s);
  const LONG k = (pageHeight - out.blockHeight) / 2;
  if (angle <= 900) {
    const LONG l = (pageWidth - out.blockWidth) / 2;
    out.x = l + whole(halfTy * s) + whole(halfTx * c);
    out.y = k + whole(halfTy * c) + whole((w - halfTx) * s);
  } else {
    const LONG l = pageWidth - (pageWidth - out.blockWidth) / 2;
    out.x = l - whole(halfTy * s) - whole((w - halfTx) * c);
    out.y = k + whole(halfTx * s) + whole(halfTy * c);
  }
  out.blockLeft = (pageWidth - out.blockWidth) / 2;
  out.blockTop = k;
  // Positions other than the centre and the custom one have no placement of their own.
  if (position == vm4k2::kWmPositionAtXY) {
    const LONG dx = static_cast<LONG>((static_cast<LONGLONG>(posX) - 50) * pageWidth / 100);
    const LONG dy = static_cast<LONG>((static_cast<LONGLONG>(posY) - 50) * (pageHeight - out.blockHeight) / 100);
    out.x += dx;
    out.y += dy;
    out.blockLeft += dx;
    out.blockTop += dy;
  }
  return out;
}

LONG BitmapWatermarkSide(LONG longerSide, LONG pixels, SHORT scalePercent) {
  if (longerSide <= 0 || pixels <= 0 || scalePercent <= 0) return 0;
  LONGLONG v = (static_cast<LONGLONG>(longerSide) + 1) * (static_cast<LONGLONG>(pixels) + 1);
  v = v * 254 / 96 / 2970;
  v = v * scalePercent / 100;
  return v > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(v);
}

HFONT CreateWatermarkFont(HDC hdc, const WCHAR* typeface, int size, UINT style, int angle) {
  LOGFONTW lf{};
  size_t n = 0;
  while (typeface != nullptr && n < LF_FACESIZE - 1 && typeface[n] != 0) {
    lf.lfFaceName[n] = typeface[n];
    ++n;
  }

  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::memcpy(query.lfFaceName, lf.lfFaceName, sizeof lf.lfFaceName);
  BYTE charset = DEFAULT_CHARSET;
  EnumFontFamiliesExW(hdc, &query, FirstCharset, reinterpret_cast<LPARAM>(&charset), 0);

  // The size is in tenths of a point; DPtoLP of a length is taken between two points so that
  // the DC's origins do not enter it.
  POINT ends[2] = {{0, 0}, {0, static_cast<LONG>(std::lround(size * static_cast<double>(GetDeviceCaps(hdc, LOGPIXELSY)) / 72.0))}};
  DPtoLP(hdc, ends, 2);
  const LONG y = std::labs(ends[1].y - ends[0].y);

  lf.lfHeight = -static_cast<LONG>(y / 10.0 + 0.5);
  lf.lfWidth = 0;
  lf.lfEscapement = angle;
  lf.lfOrientation = angle;
  lf.lfWeight = (style & kWatermarkBold) ? FW_BOLD : FW_DONTCARE;
  lf.lfItalic = (style & kWatermarkItalic) ? 1 : 0;
  lf.lfUnderline = (style & kWatermarkUnderline) ? 1 : 0;
  lf.lfStrikeOut = (style & kWatermarkStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset;
  lf.lfOutPrecision = kOutTrueTypeOnly;
  return CreateFontIndirectW(&lf);
}

bool PrepareWatermarkDrawing(HDC memory, WMARKDATA& block, LONG pageWidth, LONG pageHeight, WatermarkDrawing& out) {
  out.pageWidth = pageWidth;
  out.pageHeight = pageHeight;
  out.isBitmap = block.wmBitmap != 0;
  const bool ok = out.isBitmap ? PrepareBitmap(memory, block, pageWidth, pageHeight, out)
                               : PrepareText(memory, block, pageWidth, pageHeight, out);
  if (ok) out.area = Intersect(out.area, RECT{0, 0, pageWidth, pageHeight});
  return ok && !IsEmpty(out.area);
}

void DrawWatermark(HDC printer, HDC memory, const WatermarkDrawing& drawing, const RECT& canvas) {
  if (drawing.isBitmap) {
    DrawBitmap(printer, memory, drawing, canvas);
  } else {
    DrawText(printer, memory, drawing, canvas);
  }
}

WatermarkDrawing::~WatermarkDrawing() {
  if (font) DeleteObject(font);
}

void PrintPageWatermark(HDC hdc) {
  WMARKDATA block;
  std::memset(&block, 0, sizeof block);
  if (ExtEscape(hdc, vm4k2::ESC_WM_GETINFO, 0, nullptr, sizeof block, reinterpret_cast<LPSTR>(&block)) <= 0) return;
  // The page's orientation is asked as the renderer expects it to be; the single copy drawn
  // here is placed on the printable area HORZRES x VERTRES, which already follows it.
  DWORD orientation = 0;
  ExtEscape(hdc, vm4k2::ESC_WM_GETSTATE, 0, nullptr, sizeof orientation, reinterpret_cast<LPSTR>(&orientation));
  if (block.wmIndex == 0) return;

  const LONG pageWidth = GetDeviceCaps(hdc, HORZRES);
  const LONG pageHeight = GetDeviceCaps(hdc, VERTRES);
  if (pageWidth <= 0 || pageHeight <= 0) return;

  HDC memory = CreateCompatibleDC(hdc);
  if (memory == nullptr) return;
  // The picture is read and the font made before anything is allocated for the page or sent
  // to the renderer, so a missing file or face leaves the page untouched.
  WatermarkDrawing drawing;
  if (PrepareWatermarkDrawing(memory, block, pageWidth, pageHeight, drawing)) {
    const RECT& area = drawing.area;
    const int width = static_cast<int>(area.right - area.left);
    const int height = static_cast<int>(area.bottom - area.top);
    // Compatible with the printer DC: a bitmap compatible with the fresh memory DC would be
    // monochrome.
    HBITMAP canvas = CreateCompatibleBitmap(hdc, width, height);
    if (canvas != nullptr) {
      HGDIOBJ previous = SelectObject(memory, canvas);
      BitBlt(memory, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
      SendEscape(hdc, vm4k2::ESC_WM_BEGIN);
      DrawWatermark(hdc, memory, drawing, area);
      // The combination is made in device units whatever the application left on its DC.
      const int saved = SaveDC(hdc);
      SetMapMode(hdc, MM_TEXT);
      SetWindowOrgEx(hdc, 0, 0, nullptr);
      SetViewportOrgEx(hdc, 0, 0, nullptr);
      SelectClipRgn(hdc, nullptr);
      BitBlt(hdc, static_cast<int>(area.left), static_cast<int>(area.top), width, height, memory, 0, 0, SRCAND);
      if (saved != 0) RestoreDC(hdc, saved);
      SendEscape(hdc, vm4k2::ESC_WM_END);
      SelectObject(memory, previous);
      DeleteObject(canvas);
    }
  }
  DeleteDC(memory);
}

}  // namespace vm4k2ui
