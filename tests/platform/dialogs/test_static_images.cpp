// Icon and bitmap statics: the template's text names the picture in the dialog's module (an
// ordinal, "#id" or a name), the static takes the picture's size unless SS_CENTERIMAGE or
// SS_REALSIZECONTROL keeps its own, draws it, hands the previous picture back on STM_SETICON and
// STM_SETIMAGE, and frees only the pictures it loaded itself.
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/process.h>

#include "dialog_test_util.h"

using dialogtest::DialogTest;

namespace {

// The fixture pictures: the icon's 32 x 32 image is one colour, the bitmap is 3 x 2 pixels.
constexpr COLORREF kIconColour = RGB(0, 0, 32);
constexpr COLORREF kBitmapTopLeft = RGB(64, 32, 191);
constexpr COLORREF kBitmapBottomRight = RGB(48, 24, 207);

class StaticImages : public DialogTest {
 protected:
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    DialogTest::TearDown();
  }
  void Open() {
    dialog_ = Modeless(130);
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOWNORMAL);
  }
  HWND Item(int id) { return GetDlgItem(dialog_, id); }
  SIZE SizeOf(int id) {
    RECT r = Rect(Item(id));
    return SIZE{r.right - r.left, r.bottom - r.top};
  }
  // A pixel of the dialog at a point of the control, after painting what is pending.
  COLORREF At(int id, LONG x, LONG y) {
    EXPECT_TRUE(PlatformTest_CaptureWindow(dialog_, machine_.Host("images.png").c_str()));
    RECT c = Rect(Item(id)), d = Rect(dialog_);
    HDC dc = GetDC(dialog_);
    COLORREF colour = GetPixel(dc, c.left - d.left + x, c.top - d.top + y);
    ReleaseDC(dialog_, dc);
    return colour;
  }
  static HICON SolidIcon(int size, COLORREF colour) {
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);  // all opaque
    HBITMAP image = CreateBitmap(size, size, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, image);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ICONINFO info{TRUE, 0, 0, mask, image};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(image);
    return icon;
  }

  HWND dialog_ = nullptr;
};

TEST_F(StaticImages, TheTemplatesTextNamesThePictureAndTheStaticTakesItsSize) {
  Open();
  struct Case {
    int id;
    UINT type;
    SIZE size;
  };
  // 40 x 40 and 40 x 30 dialog units are 60 x 65 and 60 x 49 pixels.
  const Case cases[] = {
      {1301, IMAGE_ICON, {32, 32}},    // ICON 7: an ordinal
      {1302, IMAGE_ICON, {32, 32}},    // a name
      {1303, IMAGE_BITMAP, {3, 2}},    // "#300"
      {1304, IMAGE_BITMAP, {60, 49}},  // SS_CENTERIMAGE keeps the control's size
      {1305, IMAGE_BITMAP, {60, 49}},  // so does SS_REALSIZECONTROL
  };
  for (const Case& c : cases) {
    HWND item = Item(c.id);
    ASSERT_NE(item, nullptr) << c.id;
    EXPECT_NE(SendMessageW(item, STM_GETIMAGE, c.type, 0), 0) << c.id;
    SIZE size = SizeOf(c.id);
    EXPECT_EQ(size.cx, c.size.cx) << c.id;
    EXPECT_EQ(size.cy, c.size.cy) << c.id;
  }
  // A name the module lacks leaves the static empty at its own size; the dialog is still made.
  EXPECT_EQ(SendMessageW(Item(1306), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  EXPECT_EQ(SizeOf(1306).cx, 60);
}

TEST_F(StaticImages, PicturesAreDrawnAtTheirPlace) {
  Open();
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  EXPECT_EQ(At(1301, 0, 0), kIconColour);
  EXPECT_EQ(At(1301, 31, 31), kIconColour);
  EXPECT_EQ(At(1302, 16, 16), kIconColour);
  EXPECT_EQ(At(1303, 0, 0), kBitmapTopLeft);
  EXPECT_EQ(At(1303, 2, 1), kBitmapBottomRight);
  // Centred in 60 x 49: the picture starts at (28, 23).
  EXPECT_EQ(At(1304, 0, 0), face);
  EXPECT_EQ(At(1304, 28, 23), kBitmapTopLeft);
  EXPECT_EQ(At(1304, 30, 24), kBitmapBottomRight);
  EXPECT_EQ(At(1304, 31, 23), face);
  // Stretched over the whole control.
  EXPECT_EQ(At(1305, 0, 0), kBitmapTopLeft);
  EXPECT_EQ(At(1305, 59, 48), kBitmapBottomRight);
}

TEST_F(StaticImages, SettingAPictureReturnsThePreviousOneToTheCaller) {
  Open();
  HWND icon = Item(1301);
  HANDLE loaded = reinterpret_cast<HANDLE>(SendMessageW(icon, STM_GETICON, 0, 0));
  ASSERT_NE(loaded, nullptr);
  HICON red = SolidIcon(16, RGB(255, 0, 0));
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(reinterpret_cast<HANDLE>(SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(red), 0)), loaded);
  EXPECT_EQ(SizeOf(1301).cx, 16);
  EXPECT_EQ(At(1301, 8, 8), RGB(255, 0, 0));
  // The loaded icon is now the caller's to free; the one set stays the caller's too.
  EXPECT_TRUE(DestroyIcon(static_cast<HICON>(loaded)));
  HICON blue = SolidIcon(24, RGB(0, 0, 255));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(icon, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(blue))), red);
  EXPECT_EQ(SizeOf(1301).cx, 24);
  EXPECT_EQ(At(1301, 20, 20), RGB(0, 0, 255));
  DestroyWindow(dialog_);
  EXPECT_TRUE(DestroyIcon(red));
  EXPECT_TRUE(DestroyIcon(blue)) << "the static never frees a picture it was given";
}

TEST_F(StaticImages, TheStaticFreesThePicturesItLoadedWithItself) {
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 3; ++i) {
    Open();
    DestroyWindow(dialog_);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
}

}  // namespace
