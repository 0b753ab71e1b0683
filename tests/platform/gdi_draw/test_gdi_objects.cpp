// GDI objects: pens, brushes, fonts, bitmaps and regions, as an application creates, selects,
// queries and deletes them. Written so that each case would pass on the platform itself.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>

#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

class GdiObjects : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(GdiObjects, CreatePenKeepsItsLogicalPenAndMakesWideDashesSolid) {
  struct Case {
    int style, width;
    UINT reportedStyle;
  };
  const Case cases[] = {{PS_SOLID, 0, PS_SOLID}, {PS_DASH, 1, PS_DASH},         {PS_DOT, 0, PS_DOT},
                        {PS_DASH, 5, PS_SOLID}, {PS_INSIDEFRAME, 9, PS_INSIDEFRAME}, {PS_NULL, 3, PS_NULL}};
  for (const Case& c : cases) {
    HPEN pen = CreatePen(c.style, c.width, RGB(1, 2, 3));
    ASSERT_NE(pen, nullptr);
    EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(GetObjectW(pen, 0, nullptr), static_cast<int>(sizeof(LOGPEN)));
    LOGPEN lp{};
    ASSERT_EQ(GetObjectW(pen, sizeof(lp), &lp), static_cast<int>(sizeof(LOGPEN)));
    EXPECT_EQ(lp.lopnStyle, c.reportedStyle) << c.style << " " << c.width;
    EXPECT_EQ(lp.lopnWidth.x, c.width);
    EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
    EXPECT_TRUE(DeleteObject(pen));
  }
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreatePen(PS_USERSTYLE, 1, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(GdiObjects, ExtCreatePenChecksTheCombinationOfTypeStyleWidthAndBrush) {
  LOGBRUSH solid{BS_SOLID, RGB(9, 8, 7), 0};
  LOGBRUSH hatched{BS_HATCHED, RGB(9, 8, 7), HS_CROSS};
  DWORD dashes[] = {4, 2, 1, 2};
  DWORD zeros[] = {0, 0};
  struct Case {
    DWORD style, width;
    const LOGBRUSH* brush;
    DWORD count;
    const DWORD* entries;
    bool made;
  };
  const Case cases[] = {
      {PS_COSMETIC | PS_SOLID, 1, &solid, 0, nullptr, true},
      {PS_COSMETIC | PS_ALTERNATE, 1, &solid, 0, nullptr, true},
      {PS_COSMETIC | PS_USERSTYLE, 1, &solid, 4, dashes, true},
      {PS_COSMETIC | PS_SOLID, 2, &solid, 0, nullptr, false},                     // cosmetic pens are one dot wide
      {PS_COSMETIC | PS_SOLID, 1, &hatched, 0, nullptr, false},                   // and solid
      {PS_COSMETIC | PS_SOLID | PS_ENDCAP_FLAT, 1, &solid, 0, nullptr, false},    // without caps
      {PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_MITER, 20, &solid, 0, nullptr, true},
      {PS_GEOMETRIC | PS_SOLID, 20, &hatched, 0, nullptr, true},
      {PS_GEOMETRIC | PS_ALTERNATE, 20, &solid, 0, nullptr, false},               // alternate is cosmetic only
      {PS_GEOMETRIC | PS_USERSTYLE, 20, &solid, 0, nullptr, false},               // user style needs entries
      {PS_GEOMETRIC | PS_USERSTYLE, 20, &solid, 2, zeros, false},                 // that are not all zero
      {PS_GEOMETRIC | PS_SOLID, 20, &solid, 4, dashes, false},                    // entries need PS_USERSTYLE
      {PS_GEOMETRIC | PS_SOLID, 20, nullptr, 0, nullptr, false},
      {PS_GEOMETRIC | 9, 20, &solid, 0, nullptr, false},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    HPEN pen = ExtCreatePen(c.style, c.width, c.brush, c.count, c.entries);
    EXPECT_EQ(pen != nullptr, c.made) << std::hex << c.style << " width " << std::dec << c.width;
    if (!pen) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
      continue;
    }
    EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_EXTPEN));
    int size = GetObjectW(pen, 0, nullptr);
    EXPECT_EQ(size, static_cast<int>(offsetof(EXTLOGPEN, elpStyleEntry) + c.count * sizeof(DWORD)));
    std::vector<BYTE> buffer(static_cast<size_t>(size));
    ASSERT_EQ(GetObjectW(pen, size, buffer.data()), size);
    EXTLOGPEN head{};
    std::memcpy(&head, buffer.data(), offsetof(EXTLOGPEN, elpStyleEntry));
    EXPECT_EQ(head.elpPenStyle, c.style);
    EXPECT_EQ(head.elpWidth, c.width);
    EXPECT_EQ(head.elpBrushStyle, c.brush->lbStyle);
    EXPECT_EQ(head.elpNumEntries, c.count);
    for (DWORD i = 0; i < c.count; ++i) {
      DWORD entry = 0;
      std::memcpy(&entry, buffer.data() + offsetof(EXTLOGPEN, elpStyleEntry) + i * sizeof(DWORD), sizeof(DWORD));
      EXPECT_EQ(entry, c.entries[i]);
    }
    EXPECT_EQ(GetObjectW(pen, size - 1, buffer.data()), 0);
    DeleteObject(pen);
  }
}

TEST_F(GdiObjects, BrushesReportTheirLogicalBrush) {
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, nullptr);
  ASSERT_NE(pattern, nullptr);
  struct Case {
    HBRUSH brush;
    UINT style;
    COLORREF color;
    ULONG_PTR hatch;
  };
  LOGBRUSH hollow{BS_NULL, 0, 0};
  const Case cases[] = {
      {CreateSolidBrush(RGB(10, 20, 30)), BS_SOLID, RGB(10, 20, 30), 0},
      {CreateHatchBrush(HS_DIAGCROSS, RGB(1, 1, 1)), BS_HATCHED, RGB(1, 1, 1), HS_DIAGCROSS},
      {CreatePatternBrush(pattern), BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(pattern)},
      {CreateBrushIndirect(&hollow), BS_NULL, 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_NE(c.brush, nullptr);
    EXPECT_EQ(GetObjectType(c.brush), static_cast<DWORD>(OBJ_BRUSH));
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectW(c.brush, sizeof(lb), &lb), static_cast<int>(sizeof(LOGBRUSH)));
    EXPECT_EQ(lb.lbStyle, c.style);
    EXPECT_EQ(lb.lbColor, c.color);
    EXPECT_EQ(lb.lbHatch, c.hatch);
  }
  // The pattern brush keeps its own copy of the bitmap.
  EXPECT_TRUE(DeleteObject(pattern));
  EXPECT_EQ(GetObjectType(cases[2].brush), static_cast<DWORD>(OBJ_BRUSH));
  for (const Case& c : cases) EXPECT_TRUE(DeleteObject(c.brush));

  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateHatchBrush(6, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreatePatternBrush(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(GdiObjects, StockObjectsAreSharedAndOutliveDeleteObject) {
  HGDIOBJ black = GetStockObject(BLACK_PEN);
  ASSERT_NE(black, nullptr);
  EXPECT_EQ(GetStockObject(BLACK_PEN), black);
  EXPECT_TRUE(DeleteObject(black));
  EXPECT_EQ(GetObjectType(black), static_cast<DWORD>(OBJ_PEN));
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectW(GetStockObject(NULL_BRUSH), sizeof(lb), &lb), static_cast<int>(sizeof(lb)));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_NULL));
  ASSERT_EQ(GetObjectW(GetStockObject(GRAY_BRUSH), sizeof(lb), &lb), static_cast<int>(sizeof(lb)));
  EXPECT_EQ(lb.lbColor, RGB(128, 128, 128));
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(GetStockObject(9), nullptr);
}

TEST_F(GdiObjects, FontsKeepACopyOfTheirLogicalFont) {
  LOGFONTW lf{};
  lf.lfHeight = -120;
  lf.lfWeight = FW_BOLD;
  std::memcpy(lf.lfFaceName, u"Liberation Serif", sizeof(u"Liberation Serif"));
  HFONT font = CreateFontIndirectW(&lf);
  ASSERT_NE(font, nullptr);
  lf.lfHeight = 1;
  LOGFONTW back{};
  EXPECT_EQ(GetObjectW(font, sizeof(back), &back), static_cast<int>(sizeof(LOGFONTW)));
  EXPECT_EQ(back.lfHeight, -120);
  EXPECT_EQ(std::u16string(back.lfFaceName), u"Liberation Serif");
  // A font's record may be read in part.
  LONG height = 0;
  EXPECT_EQ(GetObjectW(font, sizeof(height), &height), static_cast<int>(sizeof(height)));
  EXPECT_EQ(height, -120);

  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(font));
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(GdiObjects, SelectObjectSwapsOneObjectOfEachKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  // Deleting a selected pen takes its handle; the DC keeps drawing with it until it is replaced.
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);

  SetLastError(kErrorMarker);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kErrorMarker);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(0x1234), brush), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(brush));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteObject(brush));
}

TEST_F(GdiObjects, DeviceBitmapsAndDibSections) {
  HBITMAP zero = CreateBitmap(0, 5, 1, 8, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(zero, sizeof(bm), &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);

  HBITMAP device = CreateBitmap(13, 2, 1, 1, nullptr);
  ASSERT_EQ(GetObjectW(device, sizeof(DIBSECTION), &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmWidthBytes, 2);  // rows of a device bitmap are padded to 16 bits
  EXPECT_EQ(bm.bmBits, nullptr);

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[16];
  } info{};
  info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, -3, 1, 4, BI_RGB, 0, 0, 0, 3, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  ASSERT_NE(bits, nullptr);
  std::memset(bits, 0x12, 12);  // three rows of 4 bytes
  DIBSECTION ds{};
  ASSERT_EQ(GetObjectW(section, sizeof(ds), &ds), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(ds.dsBm.bmBits, bits);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 4);
  EXPECT_EQ(ds.dsBm.bmHeight, 3);
  EXPECT_EQ(ds.dsBmih.biHeight, -3);
  EXPECT_EQ(ds.dsBmih.biSizeImage, 12u);
  EXPECT_EQ(ds.dsBmih.biClrUsed, 3u);
  ASSERT_EQ(GetObjectW(section, sizeof(BITMAP), &bm), static_cast<int>(sizeof(BITMAP)));

  struct Refused {
    BITMAPINFOHEADER header;
  };
  const Refused refused[] = {
      {{sizeof(BITMAPINFOHEADER), 0, 3, 1, 8, BI_RGB, 0, 0, 0, 0, 0}},        // no width
      {{sizeof(BITMAPINFOHEADER), 4, 0, 1, 8, BI_RGB, 0, 0, 0, 0, 0}},        // no height
      {{sizeof(BITMAPINFOHEADER), 4, 3, 2, 8, BI_RGB, 0, 0, 0, 0, 0}},        // two planes
      {{sizeof(BITMAPINFOHEADER), 4, 3, 1, 7, BI_RGB, 0, 0, 0, 0, 0}},        // no such depth
      {{sizeof(BITMAPINFOHEADER), 4, 3, 1, 8, BI_RLE8, 0, 0, 0, 0, 0}},       // compressed
      {{sizeof(BITMAPINFOHEADER), 4, 3, 1, 24, BI_BITFIELDS, 0, 0, 0, 0, 0}},  // masks need 16 or 32 bits
      {{12, 4, 3, 1, 8, BI_RGB, 0, 0, 0, 0, 0}},                              // too short a header
  };
  for (const Refused& r : refused) {
    SetLastError(kErrorMarker);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&r.header), DIB_RGB_COLORS, &none,
                               nullptr, 0),
              nullptr);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  for (HBITMAP b : {zero, device, section}) EXPECT_TRUE(DeleteObject(b));
}

TEST_F(GdiObjects, ABitmapBelongsToOneMemoryDCAtATime) {
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(4, 4, 1, 24, nullptr);
  HGDIOBJ original = SelectObject(first, bitmap);
  ASSERT_NE(original, nullptr);
  EXPECT_EQ(GetObjectType(original), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(SelectObject(second, bitmap), nullptr);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(SelectObject(first, original), bitmap);
  EXPECT_NE(SelectObject(second, bitmap), nullptr);
  // Deleting the DC lets its bitmap go.
  EXPECT_TRUE(DeleteDC(second));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(first));
}

}  // namespace
