// Window DCs: one surface per top-level window that children paint into through clipped DCs,
// BeginPaint's DC, the screen DC that draws nowhere, the display list, GUI-object counts over
// many repaints, icons, and captures to PNG.
#include <gtest/gtest.h>

#include <string>

#include <win/gdi_raster.h>
#include <win/process.h>
#include <win/user.h>

#include "platform_testing.h"
#include "raster_pictures.h"
#include "temp_machine.h"

namespace {

using rastertest::MakeBitmap;
using rastertest::Picture;
using rastertest::ReadBitmap;

// What the test's window procedure does on WM_PAINT.
struct Painter {
  int paints = 0;
  bool keepIconBitmaps = false;
  HICON icon = nullptr;
};
Painter g_painter;

LRESULT CALLBACK PaintingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
  ++g_painter.paints;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  // An owner-drawn button's repaint: a brush, a pen and a font made and freed each time.
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 0, 0));
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg");
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen), oldFont = SelectObject(dc, font);
  Rectangle(dc, 2, 2, 30, 20);
  if (g_painter.icon) {
    ICONINFO info{};
    GetIconInfo(g_painter.icon, &info);
    if (!g_painter.keepIconBitmaps) {
      DeleteObject(info.hbmMask);
      DeleteObject(info.hbmColor);
    }
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
  DeleteObject(brush);
  DeleteObject(pen);
  DeleteObject(font);
  EndPaint(hwnd, &ps);
  return 0;
}

class WindowDC : public ::testing::Test {
 protected:
  void SetUp() override {
    g_painter = Painter{};
    WNDCLASSW cls{};
    cls.lpfnWndProc = PaintingProc;
    cls.lpszClassName = u"RasterPainter";
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    RegisterClassW(&cls);
    top_ = CreateWindowExW(0, u"RasterPainter", u"Top", WS_POPUP | WS_BORDER, 100, 50, 200, 100, nullptr, nullptr,
                           nullptr, nullptr);
    ASSERT_NE(top_, nullptr);
    child_ = CreateWindowExW(0, u"RasterPainter", u"Child", WS_CHILD | WS_VISIBLE, 10, 20, 50, 30, top_, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(child_, nullptr);
  }
  void TearDown() override {
    if (top_) DestroyWindow(top_);
  }
  // The top-level window's surface as a copy into a memory bitmap.
  Picture Screen() {
    HDC window = GetDC(top_);
    HBITMAP copy = MakeBitmap(Picture(200, 100));
    HDC memory = CreateCompatibleDC(window);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, 200, 100, window, 0, 0, SRCCOPY);
    Picture p = ReadBitmap(memory, copy);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(copy);
    ReleaseDC(top_, window);
    return p;
  }

  testsupport::TempMachine machine_;
  HWND top_ = nullptr, child_ = nullptr;
};

TEST_F(WindowDC, ChildrenPaintIntoTheirTopLevelSurfaceThroughClippedDCs) {
  HDC child = GetDC(child_);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(WindowFromDC(child), child_);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT everything{-100, -100, 1000, 1000};
  ASSERT_TRUE(FillRect(child, &everything, red));
  EXPECT_EQ(ReleaseDC(child_, child), 1);
  DeleteObject(red);
  Picture screen = Screen();
  EXPECT_EQ(screen.At(10, 20), RGB(255, 0, 0));
  EXPECT_EQ(screen.At(59, 49), RGB(255, 0, 0));
  EXPECT_EQ(screen.At(60, 49), RGB(255, 255, 255)) << "the child's DC is clipped to the child";
  EXPECT_EQ(screen.At(9, 20), RGB(255, 255, 255));
  EXPECT_EQ(screen.At(10, 50), RGB(255, 255, 255));
}

TEST_F(WindowDC, BeginPaintErasesWithTheClassBrushAndHandsOutARealDC) {
  HDC window = GetDC(top_);
  PatBlt(window, 0, 0, 200, 100, BLACKNESS);
  ReleaseDC(top_, window);
  ShowWindow(top_, SW_SHOWNA);
  InvalidateRect(top_, nullptr, TRUE);
  UpdateWindow(top_);
  EXPECT_GE(g_painter.paints, 1);
  Picture screen = Screen();
  EXPECT_EQ(screen.At(100, 80), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(screen.At(2, 2), RGB(200, 0, 0)) << "the rectangle's outline";
  EXPECT_EQ(screen.At(10, 10), RGB(0, 0, 200)) << "the rectangle's inside";
}

TEST_F(WindowDC, TheScreenDCMeasuresAndDrawsNowhere) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), GetSystemMetrics(SM_CXSCREEN));
  SIZE extent{};
  EXPECT_TRUE(GetTextExtentPoint32W(screen, u"Abc", 3, &extent));
  EXPECT_GT(extent.cx, 0);
  EXPECT_TRUE(PatBlt(screen, 0, 0, 10, 10, BLACKNESS));
  RECT r{0, 0, 5, 5};
  EXPECT_TRUE(FillRect(screen, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST_F(WindowDC, GuiResourcesStayFlatOverRepaintsThatFreeWhatTheyMake) {
  // A 16 x 16 icon: transparent left half, red right half.
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
  HBITMAP colour = MakeBitmap(Picture(16, 16, RGB(255, 0, 0)));
  ICONINFO info{TRUE, 0, 0, mask, colour};
  g_painter.icon = CreateIconIndirect(&info);
  ASSERT_NE(g_painter.icon, nullptr);
  DeleteObject(mask);
  DeleteObject(colour);
  ShowWindow(top_, SW_SHOWNA);
  UpdateWindow(top_);
  DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 1000; ++i) {
    InvalidateRect(top_, nullptr, FALSE);
    UpdateWindow(top_);
  }
  EXPECT_GE(g_painter.paints, 1000);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
  // Keeping GetIconInfo's two bitmaps leaks two objects a repaint.
  g_painter.keepIconBitmaps = true;
  for (int i = 0; i < 10; ++i) {
    InvalidateRect(top_, nullptr, FALSE);
    UpdateWindow(top_);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 20);
  EXPECT_TRUE(DestroyIcon(g_painter.icon));
  EXPECT_FALSE(DestroyIcon(g_painter.icon));
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user - 1);
  g_painter.icon = nullptr;
}

TEST_F(WindowDC, IconsDrawThroughTheirMaskAndDisabledOnesAreEmbossed) {
  // Mask rows: left half 0 (opaque), right half 1 (transparent); 16 bits a row.
  BYTE maskRows[32];
  for (int i = 0; i < 32; i += 2) maskRows[i] = 0x00, maskRows[i + 1] = 0xFF;
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskRows);
  HBITMAP colour = MakeBitmap(Picture(16, 16, RGB(0, 128, 0)));
  // The XOR image is black where the mask is transparent.
  {
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, colour);
    PatBlt(memory, 8, 0, 8, 16, BLACKNESS);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  ICONINFO back{};
  ASSERT_TRUE(GetIconInfo(icon, &back));
  EXPECT_NE(back.hbmMask, mask);
  EXPECT_EQ(GetObjectType(back.hbmColor), static_cast<DWORD>(OBJ_BITMAP));
  DeleteObject(back.hbmMask);
  DeleteObject(back.hbmColor);

  HBITMAP canvas = MakeBitmap(Picture(40, 20, RGB(0, 0, 255)));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas);
  ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL));
  ASSERT_TRUE(DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, 20, 0, 16, 16, DST_ICON | DSS_DISABLED));
  Picture p = ReadBitmap(dc, canvas);
  EXPECT_EQ(p.At(3, 3), RGB(0, 128, 0));
  EXPECT_EQ(p.At(12, 3), RGB(0, 0, 255)) << "transparent half keeps the background";
  EXPECT_EQ(p.At(23, 3), GetSysColor(COLOR_3DSHADOW)) << "disabled: the shadow colour";
  EXPECT_EQ(p.At(32, 3), RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(canvas);
  DeleteObject(mask);
  DeleteObject(colour);
  DestroyIcon(icon);
}

TEST_F(WindowDC, TheDisplayListRecordsFontsColoursAndRectangles) {
  PlatformTest_RecordGdiCalls(TRUE);
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(memory, 8, 8);
  HFONT font = CreateFontW(-20, 0, 450, 450, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
  SelectObject(memory, font);
  SetTextColor(memory, RGB(1, 2, 3));
  RECT clip{0, 0, 8, 8};
  ExtTextOutW(memory, 1, 2, ETO_CLIPPED, &clip, u"x", 1, nullptr);
  std::string record = PlatformTest_GdiRecord();
  PlatformTest_RecordGdiCalls(FALSE);
  EXPECT_NE(record.find("memory1 CreateCompatibleDC from=none\n"), std::string::npos) << record;
  EXPECT_NE(record.find("memory1 CreateCompatibleBitmap 8x8 bpp=1\n"), std::string::npos) << record;
  EXPECT_NE(record.find("memory1 ExtTextOutW x=1 y=2 options=4 rect=(0,0,8,8) text=\"x\" font=\"Arial\" height=-20 "
                        "width=0 escapement=450 orientation=450 weight=700"),
            std::string::npos)
      << record;
  EXPECT_NE(record.find("color=#010203"), std::string::npos) << record;
  DeleteDC(memory);
  DeleteObject(bitmap);
  DeleteObject(font);
}

TEST_F(WindowDC, ACaptureIsAPngOfTheWindowAsPainted) {
  ShowWindow(top_, SW_SHOWNA);
  InvalidateRect(top_, nullptr, TRUE);
  std::string path = machine_.Host("top.png");
  ASSERT_TRUE(PlatformTest_CaptureWindow(top_, path.c_str())) << GetLastError();
  std::string png = rastertest::ReadFile(path);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  auto big32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<BYTE>(png[at])) << 24 | static_cast<uint32_t>(static_cast<BYTE>(png[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<BYTE>(png[at + 2])) << 8 | static_cast<BYTE>(png[at + 3]);
  };
  EXPECT_EQ(big32(16), 200u);
  EXPECT_EQ(big32(20), 100u);
  // Pillow opens it at the window's size and sees what was painted.
  std::string check = std::string(PIL_PYTHON) + " -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                      "assert im.size == (200, 100), im.size; "
                      "assert im.getpixel((10, 10)) == (0, 0, 200), im.getpixel((10, 10)); "
                      "assert im.getpixel((0, 50)) != im.getpixel((100, 80))\" " + path;
  EXPECT_EQ(std::system(check.c_str()), 0);
}

}  // namespace
