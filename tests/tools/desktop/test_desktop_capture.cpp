// Captures through the desktop tool: a fixture dialog and a two-page property sheet written as
// PNG, in this process and by the `desktop` program from another, read back with libpng at the
// window's size with the pixels that the window procedures drew.
#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <win/commctrl.h>
#include <win/gdi_raster.h>
#include <win/modules.h>
#include <win/user.h>

#include "desktop_program.h"
#include "desktop_tool.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

constexpr COLORREF kDialogColor = RGB(30, 140, 90);
constexpr COLORREF kDrawnButtonColor = RGB(200, 20, 20);
constexpr COLORREF kPageColors[] = {RGB(20, 60, 200), RGB(230, 150, 10)};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<BYTE> rgb;
  COLORREF At(POINT p) const {
    const BYTE* q = rgb.data() + (static_cast<size_t>(p.y) * static_cast<size_t>(width) + static_cast<size_t>(p.x)) * 3;
    return RGB(q[0], q[1], q[2]);
  }
};

// The PNG as 8-bit RGB through libpng's own reader; width 0 when it does not read.
Picture ReadPng(const std::string& path) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
  image.format = PNG_FORMAT_RGB;
  std::vector<BYTE> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return picture;
  }
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb = std::move(rgb);
  return picture;
}

RECT WindowRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

// A point of `window`'s client area in the picture of `captured` (the stand-in's windows have
// no non-client area: the client area starts at the window's corner).
POINT InPicture(HWND captured, HWND window, POINT client) {
  RECT inner = WindowRect(window), outer = WindowRect(captured);
  return POINT{inner.left + client.x - outer.left, inner.top + client.y - outer.top};
}

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// Paints the whole client area in `color`.
bool PaintClient(HWND hwnd, COLORREF color) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  Fill(dc, client, color);
  EndPaint(hwnd, &ps);
  return true;
}

INT_PTR CALLBACK FixtureDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_PAINT:
      return PaintClient(dialog, kDialogColor);
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Fill(item->hDC, item->rcItem, kDrawnButtonColor);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
      return TRUE;
    case WM_PAINT:
      return PaintClient(page, kPageColors[GetWindowLongPtrW(page, DWLP_USER)]);
    default:
      return FALSE;
  }
}

using desktoptest::ToolRun;

class DesktopCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Fixtures/dialog_fixtures.dll");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(DIALOG_FIXTURES, target, std::filesystem::copy_options::overwrite_existing);
    module_ = LoadLibraryExW(u"C:\\Fixtures\\dialog_fixtures.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    PlatformTest_ClearDialogActions();
    PlatformTest_UseRealPropertySheet();
  }
  void TearDown() override { PlatformTest_ClearDialogActions(); }

  ToolRun Desktop(const std::string& arguments) { return desktoptest::RunDesktop(machine_.root(), arguments); }

  testsupport::TempMachine machine_;
  HMODULE module_ = nullptr;
};

TEST_F(DesktopCapture, ADialogIsWrittenWithItsFrameAndChildrenAsDrawn) {
  HWND dialog = CreateDialogParamW(module_, MAKEINTRESOURCEW(100), nullptr, FixtureDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOWNA);
  std::string path = machine_.Host("dialog.png");
  EXPECT_EQ(desktoptool::Capture(dialog, path), std::vector<std::string>{path});

  Picture picture = ReadPng(path);
  RECT outer = WindowRect(dialog);
  ASSERT_EQ(picture.width, outer.right - outer.left);
  ASSERT_EQ(picture.height, outer.bottom - outer.top);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 585);  // 390 x 240 dialog units
  EXPECT_EQ(client.bottom, 390);
  EXPECT_EQ(picture.At(POINT{0, 0}), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(picture.At(POINT{picture.width - 1, picture.height - 1}), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(picture.At(InPicture(dialog, dialog, POINT{3, client.bottom - 3})), kDialogColor);
  // The owner-drawn button (id 1007) is a child: its parent's WM_DRAWITEM painting shows.
  HWND drawn = GetDlgItem(dialog, 1007);
  RECT button = WindowRect(drawn);
  POINT centre{(button.left + button.right) / 2 - outer.left, (button.top + button.bottom) / 2 - outer.top};
  EXPECT_EQ(picture.At(centre), kDrawnButtonColor);

  // The same picture, taken by the desktop program from another process while this one pumps.
  std::string fromTool = machine_.Host("dialog-tool.png");
  ToolRun run;
  std::atomic<bool> finished{false};
  std::thread tool([&] {
    run = Desktop("capture " + std::to_string(reinterpret_cast<uintptr_t>(dialog)) + " " + fromTool);
    finished = true;
  });
  while (!finished) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  tool.join();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, fromTool + "\n");
  Picture second = ReadPng(fromTool);
  EXPECT_EQ(second.width, picture.width);
  EXPECT_TRUE(second.rgb == picture.rgb);
  DestroyWindow(dialog);

  EXPECT_NE(Desktop("capture 0x7ffffff0 " + machine_.Host("none.png")).status, 0);
  EXPECT_EQ(Desktop("capture onlyone").status, 2);
}

COLORREF g_windowColor = 0;  // what PaintingProc paints; 0 leaves painting to the default

LRESULT CALLBACK PaintingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && g_windowColor) return PaintClient(hwnd, g_windowColor);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND PaintingWindow() {
  WNDCLASSW cls{};
  cls.lpfnWndProc = PaintingProc;
  cls.lpszClassName = u"Capture Painter";
  RegisterClassW(&cls);
  HWND hwnd = CreateWindowExW(0, u"Capture Painter", u"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr, nullptr, nullptr,
                              nullptr);
  return hwnd;
}

TEST_F(DesktopCapture, AWindowNeverShowsAnEarlierWindowsPixels) {
  g_windowColor = RGB(250, 0, 250);
  HWND first = PaintingWindow();
  ASSERT_NE(first, nullptr);
  std::string painted = machine_.Host("painted.png");
  ASSERT_EQ(desktoptool::Capture(first, painted).size(), 1u);
  EXPECT_EQ(ReadPng(painted).At(POINT{20, 15}), RGB(250, 0, 250));
  DestroyWindow(first);
  // A fresh machine numbers its windows from the start again: the same number, a new window
  // that has painted nothing.
  testsupport::TempMachine second;
  g_windowColor = 0;
  HWND again = PaintingWindow();
  ASSERT_EQ(again, first);
  std::string fresh = second.Host("fresh.png");
  ASSERT_EQ(desktoptool::Capture(again, fresh).size(), 1u);
  EXPECT_EQ(ReadPng(fresh).At(POINT{20, 15}), RGB(255, 255, 255));
  DestroyWindow(again);
}

struct SheetRun {
  HWND sheet = nullptr;
  std::vector<std::string> inProcess;
  HWND currentAfter = nullptr;
  HWND firstPage = nullptr;
  std::function<ToolRun()> tool;
  ToolRun toolRun;
  std::thread toolThread;
};

void CaptureTheSheet(HWND sheet, void* context) {
  SheetRun& run = *static_cast<SheetRun*>(context);
  run.sheet = sheet;
  run.firstPage = PlatformTest_SheetPage(sheet, 0);
  // This thread is the sheet's: the capture and its page changes run here.
  run.inProcess = desktoptool::Capture(sheet, run.inProcess.front());
  run.currentAfter = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  // From another process while the sheet's loop pumps; the sheet closes once the program ends.
  run.toolThread = std::thread([&run] {
    run.toolRun = run.tool();
    PostMessageW(run.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  });
}

TEST_F(DesktopCapture, APropertySheetIsWrittenPageByPage) {
  PROPSHEETPAGEW pages[2];
  for (int i = 0; i < 2; ++i) {
    pages[i] = PROPSHEETPAGEW{};
    pages[i].dwSize = sizeof(PROPSHEETPAGEW);
    pages[i].hInstance = module_;
    pages[i].pszTemplate = MAKEINTRESOURCEW(120 + i);
    pages[i].pfnDlgProc = PageProc;
    pages[i].lParam = i;
  }
  SheetRun run;
  std::string path = machine_.Host("sheet.png"), toolPath = machine_.Host("tool sheet.png");
  run.inProcess = {path};
  run.tool = [&] { return Desktop("capture " + std::to_string(reinterpret_cast<uintptr_t>(run.sheet)) + " '" + toolPath + "'"); };
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE;
  header.pszCaption = u"Capture sheet";
  header.nPages = 2;
  header.ppsp = pages;
  // Sheet geometry, taken while it lives, for the pictures read afterwards.
  struct Geometry {
    POINT sample{};
    LONG width = 0, height = 0;
  };
  static Geometry geometry;
  PlatformTest_SetDialogAction(u"Capture sheet", [](HWND sheet, void* context) {
    HWND page = PlatformTest_SheetPage(sheet, 0);
    RECT outer = WindowRect(sheet);
    geometry.width = outer.right - outer.left;
    geometry.height = outer.bottom - outer.top;
    geometry.sample = InPicture(sheet, page, POINT{300, 200});  // clear of the page's edit box
    CaptureTheSheet(sheet, context);
  }, &run);
  PropertySheetW(&header);
  if (run.toolThread.joinable()) run.toolThread.join();
  ASSERT_NE(run.sheet, nullptr);

  // The sheet as it was, then each page, and the first page current again.
  std::vector<std::string> expected{path, machine_.Host("sheet-1.png"), machine_.Host("sheet-2.png")};
  EXPECT_EQ(run.inProcess, expected);
  EXPECT_EQ(run.currentAfter, run.firstPage);
  EXPECT_EQ(run.toolRun.status, 0) << run.toolRun.output;
  EXPECT_EQ(run.toolRun.output, toolPath + "\n" + machine_.Host("tool sheet-1.png") + "\n" +
                                    machine_.Host("tool sheet-2.png") + "\n");
  const COLORREF shown[] = {kPageColors[0], kPageColors[0], kPageColors[1]};
  std::vector<std::string> fromTool{toolPath, machine_.Host("tool sheet-1.png"), machine_.Host("tool sheet-2.png")};
  for (size_t i = 0; i < 3; ++i) {
    for (const std::string& file : {expected[i], fromTool[i]}) {
      Picture picture = ReadPng(file);
      EXPECT_EQ(picture.width, geometry.width) << file;
      EXPECT_EQ(picture.height, geometry.height) << file;
      if (picture.width != geometry.width || picture.height != geometry.height) continue;
      EXPECT_EQ(picture.At(geometry.sample), shown[i]) << file;
    }
  }
}

}  // namespace
