// The warning icon and its tooltip, owner-drawn items, the pages' message helpers, the file
// dialog, the activation context and the store reference registry.
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/process.h>
#include <win/user_draw.h>

#include "sheets_fixture.h"
#include "ui/sheets/object_refs.h"
#include "ui/sheets/owner_draw.h"
#include "ui/sheets/sheet_messages.h"
#include "ui/sheets/system_helpers.h"
#include "ui/sheets/warning_icon.h"

namespace {

using sheetstest::CallLog;

constexpr int kIconId = 1080;
WCHAR g_tipText[80] = u"Limited by the paper size";

INT_PTR CALLBACK TipPageProc(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TTN_GETDISPINFOW) {
    reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = g_tipText;
    return TRUE;
  }
  return FALSE;
}

class PageHelpersTest : public sheetstest::SheetsFixture {};

TEST_F(PageHelpersTest, TheWarningIconIsLoadedOnceAndHidden) {
  ShowWindow(Item(kIconId), SW_SHOW);
  vm4k2ui::ShowWarningIcon(page_, kIconId);
  HICON icon = vm4k2ui::WarningIcon();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Item(kIconId), STM_GETICON, 0, 0)), icon);
  EXPECT_FALSE(IsWindowVisible(Item(kIconId)));
  // A sheet of another thread, with its own page there.
  HICON otherIcon = nullptr;
  std::thread([&] {
    HWND other = CreateDialogParamW(satellite_, MAKEINTRESOURCEW(sheetstest::kFixturePage), nullptr,
                                    sheetstest::PlainPageProc, 0);
    vm4k2ui::ShowWarningIcon(other, kIconId);
    otherIcon = reinterpret_cast<HICON>(SendMessageW(GetDlgItem(other, kIconId), STM_GETICON, 0, 0));
    DestroyWindow(other);
  }).join();
  EXPECT_EQ(vm4k2ui::WarningIcon(), icon) << "one icon for every thread";
  EXPECT_EQ(otherIcon, icon);
}

TEST_F(PageHelpersTest, TheTooltipsParametersAndHover) {
  HWND page = CreatePage(TipPageProc);
  vm4k2ui::StorePageContext(page, context_.get());
  HWND icon = GetDlgItem(page, kIconId);
  HWND tooltip = vm4k2ui::CreateWarningTooltip(page, kIconId);
  ASSERT_NE(tooltip, nullptr);
  WCHAR className[32] = {};
  GetClassNameW(tooltip, className, 32);
  EXPECT_EQ(std::u16string(className), u"tooltips_class32");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(tooltip, GWL_STYLE));
  EXPECT_EQ(style & (WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP), static_cast<DWORD>(WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP));
  EXPECT_TRUE(GetWindowLongPtrW(tooltip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetParent(tooltip), page) << "owned by the page";
  EXPECT_EQ(reinterpret_cast<HMODULE>(GetWindowLongPtrW(tooltip, GWLP_HINSTANCE)), satellite_);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), 300);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tooltip, TTM_GETTIPBKCOLOR, 0, 0)), 0x00D8F6FFu);
  ASSERT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = page;
  tool.uId = reinterpret_cast<UINT_PTR>(icon);
  ASSERT_TRUE(SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_EQ(tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND | TTF_SUBCLASS));

  ShowWindow(page, SW_SHOW);
  ShowWindow(icon, SW_SHOW);
  vm4k2ui::UpdateWarningTooltip(page, tooltip, kIconId);
  HWND shown = PlatformTest_Hover(icon);
  EXPECT_EQ(shown, tooltip);
  WCHAR text[80] = {};
  GetWindowTextW(tooltip, text, 80);
  EXPECT_EQ(std::u16string(text), g_tipText) << "the page composes the text";
  DestroyWindow(page);
  EXPECT_FALSE(IsWindow(tooltip)) << "the tooltip goes with its page";
}

TEST_F(PageHelpersTest, ADisabledIconKeepsItsToolWhereItWas) {
  HWND page = CreatePage(TipPageProc);
  vm4k2ui::StorePageContext(page, context_.get());
  HWND tooltip = vm4k2ui::CreateWarningTooltip(page, kIconId);
  ASSERT_NE(tooltip, nullptr);
  HWND icon = GetDlgItem(page, kIconId);
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = page;
  tool.uId = reinterpret_cast<UINT_PTR>(icon);
  EnableWindow(icon, FALSE);
  vm4k2ui::UpdateWarningTooltip(page, tooltip, kIconId);
  SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(tool.rect.right, 0);
  EnableWindow(icon, TRUE);
  vm4k2ui::UpdateWarningTooltip(page, tooltip, kIconId);
  SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT place{};
  GetWindowRect(icon, &place);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(tool.rect.left, place.left);
  EXPECT_EQ(tool.rect.bottom, place.bottom);
  DestroyWindow(page);
}

TEST_F(PageHelpersTest, OwnerDrawnRowsAreAtLeastSixteenPixelsHigh) {
  MEASUREITEMSTRUCT item{};
  item.CtlType = ODT_COMBOBOX;
  item.CtlID = 1070;
  item.itemHeight = 3;
  vm4k2ui::MeasureOwnerDrawItem(page_, &item);
  EXPECT_EQ(item.itemHeight, 16u) << "12 points at 96 dpi";
}

TEST_F(PageHelpersTest, BitmapsAreDrawnCentredAndTheMaskIsReleased) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(satellite_, MAKEINTRESOURCEW(300), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ASSERT_NE(GetObjectW(bitmap, sizeof(info), &info), 0);
  const RECT item{10, 20, 10 + info.bmWidth + 40, 20 + info.bmHeight + 10};
  const RECT centred = vm4k2ui::CenteredBitmapRect(bitmap, item);
  EXPECT_EQ(centred.left, 30);
  EXPECT_EQ(centred.top, 25);
  EXPECT_EQ(centred.right - centred.left, info.bmWidth);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 200, 200);
  HGDIOBJ previous = SelectObject(dc, target);
  const DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  PlatformTest_RecordGdiCalls(TRUE);
  ASSERT_TRUE(vm4k2ui::DrawItemBitmap(dc, bitmap, centred, RGB(255, 0, 255)));
  const std::string record = PlatformTest_GdiRecord();
  PlatformTest_RecordGdiCalls(FALSE);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objects) << "the mask is released";
  EXPECT_NE(record.find("StretchBlt"), std::string::npos) << record;

  // The drawn pixels are the bitmap's own.
  HDC source = CreateCompatibleDC(screen);
  HGDIOBJ previousSource = SelectObject(source, bitmap);
  for (int y = 0; y < info.bmHeight; ++y)
    for (int x = 0; x < info.bmWidth; ++x)
      ASSERT_EQ(GetPixel(dc, centred.left + x, centred.top + y), GetPixel(source, x, y)) << x << "," << y;
  const COLORREF corner = GetPixel(source, 0, 0);
  SelectObject(source, previousSource);
  DeleteDC(source);
  // A bitmap is selected into one DC at a time: the test's own DC let it go first.
  EXPECT_TRUE(vm4k2ui::DrawItemBitmapTransparent(dc, bitmap, centred, corner));
  SelectObject(dc, previous);
  DeleteObject(target);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  EXPECT_FALSE(vm4k2ui::DrawItemBitmap(nullptr, bitmap, centred, 0));
}

TEST_F(PageHelpersTest, TheMessageHelpersTextsAndCaptions) {
  struct Case {
    int (*show)(HWND);
    const char* text;
    const char* caption;
  } cases[] = {
      {vm4k2ui::ShowPosterDuplexMessage, "Posters cannot be printed on both sides.", "Layout"},
      {[](HWND owner) { return vm4k2ui::ShowLayoutMessage(owner, 1); }, "Posters need one page per sheet.", "Layout"},
      {[](HWND owner) { return vm4k2ui::ShowLayoutMessage(owner, 2); }, "A watermark cannot be used with posters.",
       "Layout"},
      {[](HWND owner) { return vm4k2ui::ShowLayoutMessage(owner, 7); }, "", "Layout"},
      {vm4k2ui::ShowWatermarkLayoutMessage, "A watermark cannot be used with posters.", "Layout"},
      {[](HWND owner) { return vm4k2ui::ShowStoreErrorMessage(owner, -5); }, "That is not a bitmap.", "Warning"},
      {[](HWND owner) { return vm4k2ui::ShowStoreErrorMessage(owner, -6); }, "That is not a bitmap.", "Warning"},
      {[](HWND owner) { return vm4k2ui::ShowStoreErrorMessage(owner, -1); }, "That name is taken.", "Warning"},
      {[](HWND owner) { return vm4k2ui::ShowStoreErrorMessage(owner, -2); }, "That name is taken.", "Warning"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.show(page_), IDOK);
    const std::string line = std::string("\"text\":\"") + c.text + "\",\"caption\":\"" + c.caption +
                             "\",\"style\":48,\"answer\":1";
    EXPECT_NE(CallLog().rfind(line), std::string::npos) << CallLog();
  }
  PlatformTest_QueueBoxAnswer(nullptr, u"Replace it?", nullptr, IDNO, 0);
  EXPECT_EQ(vm4k2ui::ShowStoreErrorMessage(page_, -3), IDNO);
  EXPECT_NE(CallLog().find("\"caption\":\"Warning\",\"style\":52,\"answer\":7"), std::string::npos);
  const size_t boxes = CallLog().size();
  EXPECT_EQ(vm4k2ui::ShowStoreErrorMessage(page_, -4), 0);
  EXPECT_EQ(vm4k2ui::ShowStoreErrorMessage(page_, 0), 0);
  EXPECT_EQ(CallLog().size(), boxes) << "other codes show nothing";
}

TEST_F(PageHelpersTest, TheFileDialogHandsBackOnlyAPathThatFits) {
  namespace fs = std::filesystem;
  fs::create_directories(machine_.Host("drives/C/Pictures"));
  const std::u16string deepFolder = u"C:\\" + std::u16string(150, u'a') + u"\\" + std::u16string(100, u'b');
  fs::create_directories(machine_.Host("drives/C/" + std::string(150, 'a') + "/" + std::string(100, 'b')));
  struct Case {
    const char* what;
    const char16_t* answer;  // nullptr: the user cancels
    int result;
    std::u16string path;
  } cases[] = {
      {"a chosen file", u"C:\\Pictures\\logo.bmp", 1, u"C:\\Pictures\\logo.bmp"},
      {"cancel", nullptr, 0, u"C:\\Pictures"},
      {"a path of 262 characters", nullptr, 0, u"C:\\Pictures"},
  };
  const std::u16string longPath = deepFolder + u"\\pic.bmp";
  ASSERT_GT(longPath.size(), 255u);
  cases[2].answer = longPath.c_str();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WCHAR path[vm4k2ui::kChosenPathUnits] = u"C:\\Pictures";
    PlatformTest_QueueOpenFileAnswer(nullptr, c.answer);
    EXPECT_EQ(vm4k2ui::OpenFileDialog(page_, u"Bitmaps\0*.bmp\0", path), c.result);
    EXPECT_EQ(std::u16string(path), c.path);
  }
  const std::string log = CallLog();
  EXPECT_NE(log.find("\"event\":\"open-file\",\"owner\":" + std::to_string(reinterpret_cast<uintptr_t>(page_)) +
                     ",\"flags\":264198,\"filter\":[\"Bitmaps\",\"*.bmp\"],\"filterIndex\":1,"
                     "\"initialDir\":\"C:\\\\Pictures\""),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\"maxFile\":520"), std::string::npos);
}

TEST_F(PageHelpersTest, TheLibraryFileHasNoManifestSoThereIsNoActivationContext) {
  EXPECT_EQ(vm4k2ui::CreateResourceActCtx(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(vm4k2ui::ResourceActCtx(), INVALID_HANDLE_VALUE);
  vm4k2ui::ReleaseResourceActCtx();
}

// ---- The store reference registry --------------------------------------------------------------

std::atomic<int> g_storesDeleted{0};
struct CountedStore : vm4k2ui::FavoriteStore {
  ~CountedStore() override { ++g_storesDeleted; }
};

TEST(ObjectRefs, TheLastReleaseDeletesTheStore) {
  g_storesDeleted = 0;
  vm4k2ui::SettingStore* store = new CountedStore;
  vm4k2ui::AddObjectRef(store);
  vm4k2ui::AddObjectRef(store);
  EXPECT_EQ(vm4k2ui::ObjectRefCount(store), 2);
  vm4k2ui::SettingStore* first = store;
  vm4k2ui::SettingStore* second = store;
  vm4k2ui::ReleaseObjectRef(first);
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(g_storesDeleted, 0);
  vm4k2ui::ReleaseObjectRef(second);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(g_storesDeleted, 1);
  vm4k2ui::SettingStore* none = nullptr;
  vm4k2ui::ReleaseObjectRef(none);
  vm4k2ui::AddObjectRef(nullptr);
}

TEST(ObjectRefs, AStoreThatWasNeverRegisteredIsLeftAlone) {
  g_storesDeleted = 0;
  auto* unregistered = new CountedStore;
  vm4k2ui::SettingStore* holder = unregistered;
  vm4k2ui::ReleaseObjectRef(holder);
  EXPECT_EQ(holder, nullptr);
  EXPECT_EQ(g_storesDeleted, 0);
  EXPECT_EQ(vm4k2ui::ObjectRefCount(unregistered), 0) << "no count of -1 was made";
  vm4k2ui::SettingStore* registered = unregistered;
  vm4k2ui::AddObjectRef(registered);
  EXPECT_EQ(vm4k2ui::ObjectRefCount(registered), 1) << "a later first reference counts 1";
  vm4k2ui::ReleaseObjectRef(registered);
  EXPECT_EQ(g_storesDeleted, 1);
}

TEST(ObjectRefs, ThreadsShareTheRegistry) {
  g_storesDeleted = 0;
  vm4k2ui::SettingStore* store = new CountedStore;
  vm4k2ui::AddObjectRef(store);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([store] {
      for (int i = 0; i < 500; ++i) {
        vm4k2ui::AddObjectRef(store);
        vm4k2ui::SettingStore* holder = store;
        vm4k2ui::ReleaseObjectRef(holder);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(vm4k2ui::ObjectRefCount(store), 1);
  EXPECT_EQ(g_storesDeleted, 0);
  vm4k2ui::ReleaseObjectRef(store);
  EXPECT_EQ(g_storesDeleted, 1);
}

}  // namespace
