#include <gtest/gtest.h>

#include <filesystem>

#include <afxwin.h>
#include <win/gdi.h>
#include <win/user_draw.h>

#include "common/picture_button.h"
#include "temp_machine.h"

namespace {

// The pictures' own colours (StatusMonitor/res/make_pictures.py): About 132 normal, 134
// pressed, 133 hover.
constexpr COLORREF kNormal = RGB(40, 110, 200);
constexpr COLORREF kPressed = RGB(20, 60, 130);
constexpr COLORREF kHover = RGB(90, 160, 240);

class PictureButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Status/vm4k2smrcenus.dll");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::string(VELMOR_OUT_DIR) + "/vm4k2smrcenus.dll", target,
                               std::filesystem::copy_options::overwrite_existing);
    module_ = LoadLibraryExW(u"C:\\Status\\vm4k2smrcenus.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    AfxSetResourceHandle(module_);
    parent_ = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND button = CreateWindowExW(0, u"BUTTON", u"About", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 30, 20, 80, 30,
                                  parent_, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ASSERT_TRUE(button_.SubclassWindow(button));
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateBitmap(40, 40, 1, 32, nullptr);
    old_ = SelectObject(dc_, bitmap_);
  }
  void TearDown() override {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    button_.DestroyWindow();
    DestroyWindow(parent_);
    AfxSetResourceHandle(nullptr);
    FreeLibrary(module_);
  }
  // Draws as the parent's WM_DRAWITEM would and answers the pixel in the image.
  COLORREF Draw(UINT state) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = 1001;
    item.itemState = state;
    item.hwndItem = button_.m_hWnd;
    item.hDC = dc_;
    item.rcItem = {0, 0, 24, 24};
    button_.DrawItem(&item);
    return GetPixel(dc_, 5, 5);
  }
  testsupport::TempMachine machine_;
  HMODULE module_ = nullptr;
  HWND parent_ = nullptr;
  CPictureButton button_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_F(PictureButtonTest, BecomesOwnerDrawnAndTakesItsNormalBitmapsSizeWhereItStands) {
  EXPECT_EQ(button_.GetStyle() & 0x0F, static_cast<DWORD>(BS_OWNERDRAW));
  const PictureButtonBitmaps* about = FindPictureButtonBitmaps(1001);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->normal, 132u);
  EXPECT_EQ(about->pressed, 134u);
  EXPECT_EQ(about->hover, 133u);
  EXPECT_EQ(FindPictureButtonBitmaps(1002), nullptr);
  ASSERT_TRUE(button_.LoadBitmaps(about->normal, about->pressed, about->hover));
  RECT r;
  GetWindowRect(button_.m_hWnd, &r);
  POINT topLeft{r.left, r.top};
  ScreenToClient(parent_, &topLeft);
  EXPECT_EQ(topLeft.x, 30);
  EXPECT_EQ(topLeft.y, 20);
  EXPECT_EQ(r.right - r.left, 24);
  EXPECT_EQ(r.bottom - r.top, 24);
}

TEST_F(PictureButtonTest, ShowsPressedHoverAndNormalAsTheMouseAndFocusGo) {
  ASSERT_TRUE(button_.LoadBitmaps(132, 134, 133));
  EXPECT_EQ(Draw(ODS_FOCUS), kNormal);
  button_.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(button_.m_bHover);
  EXPECT_EQ(Draw(ODS_FOCUS), kHover);
  button_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(Draw(ODS_FOCUS | ODS_SELECTED), kPressed);
  button_.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(button_.m_bClicked);
  EXPECT_EQ(Draw(ODS_FOCUS), kHover);  // clicked, released, still under the mouse
  button_.SendMessage(WM_MOUSELEAVE);
  EXPECT_FALSE(button_.m_bHover);
  EXPECT_FALSE(button_.m_bTracking);
  EXPECT_EQ(Draw(ODS_FOCUS), kNormal);

  button_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(Draw(0), kNormal);  // the focus went while pressed
  EXPECT_FALSE(button_.m_bButtonDown);
  EXPECT_FALSE(button_.m_bClicked);

  button_.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Draw(ODS_FOCUS | ODS_DISABLED), kNormal);
  EXPECT_TRUE(button_.m_bDisabled);
  EXPECT_FALSE(button_.m_bHover);
}

TEST_F(PictureButtonTest, RepaintsWithoutSpendingGdiObjects) {
  ASSERT_TRUE(button_.LoadBitmaps(132, 134, 133));
  Draw(ODS_FOCUS);
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 1000; ++i) Draw(i % 2 ? ODS_FOCUS : 0);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

TEST_F(PictureButtonTest, AMissingBitmapLeavesTheButtonWithoutAnImage) {
  EXPECT_FALSE(button_.LoadBitmaps(9001, 9002, 9003));
  RECT fill{0, 0, 40, 40};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc_, &fill, white);
  DeleteObject(white);
  EXPECT_EQ(Draw(ODS_FOCUS), RGB(255, 255, 255));
}

}  // namespace
