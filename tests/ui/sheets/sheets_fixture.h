// A machine with the framework's fixture satellite, a context that uses it, and a page made
// from the fixture's template whose user data holds the context, beside a recording window
// that stands for the sheet.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <win/dialogs.h>
#include <win/modules.h>
#include <win/user.h>

#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/printer_ui_context.h"
#include "ui/sheets/page_context.h"

namespace sheetstest {

inline constexpr int kFixturePage = 100;

struct SentMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// What the stand-in sheet received.
inline std::vector<SentMessage>& SheetMessages() {
  static std::vector<SentMessage> messages;
  return messages;
}

inline LRESULT CALLBACK RecordingSheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER && message < WM_USER + 0x100) {
    SheetMessages().push_back({message, wParam, lParam});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

inline INT_PTR CALLBACK PlainPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

inline std::string CallLog() {
  const size_t size = PlatformTest_ReadCallLog(nullptr, 0);
  std::string text(size + 1, '\0');
  PlatformTest_ReadCallLog(text.data(), text.size());
  text.resize(size);
  return text;
}

// Copies a host file into the machine's C:\Fixtures and loads it as a data file.
inline HMODULE LoadFixtureLibrary(const testsupport::TempMachine& machine, const char* hostPath, const char* name) {
  std::filesystem::create_directories(machine.Host("drives/C/Fixtures"));
  std::filesystem::copy_file(hostPath, machine.Host(std::string("drives/C/Fixtures/") + name),
                             std::filesystem::copy_options::overwrite_existing);
  std::u16string path = u"C:\\Fixtures\\";
  for (const char* c = name; *c != 0; ++c) path.push_back(static_cast<char16_t>(*c));
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

class SheetsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SheetMessages().clear();
    satellite_ = LoadFixtureLibrary(machine_, SHEETS_FIXTURES, "sheets_fixtures.dll");
    ASSERT_NE(satellite_, nullptr);
    context_ = std::make_unique<vm4k2ui::PrinterUiContext>();
    context_->satellite = satellite_;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordingSheetProc;
    windowClass.lpszClassName = u"FixtureSheet";
    RegisterClassW(&windowClass);
    sheet_ = CreateWindowExW(0, u"FixtureSheet", u"Sheet", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(sheet_, nullptr);
    page_ = CreatePage(PlainPageProc);
    ASSERT_NE(page_, nullptr);
    vm4k2ui::StorePageContext(page_, context_.get());
  }
  void TearDown() override {
    if (IsWindow(page_)) DestroyWindow(page_);
    if (IsWindow(sheet_)) DestroyWindow(sheet_);
    if (satellite_ != nullptr) FreeLibrary(satellite_);
  }
  HWND CreatePage(DLGPROC procedure, LPARAM parameter = 0) {
    return CreateDialogParamW(satellite_, MAKEINTRESOURCEW(kFixturePage), sheet_, procedure, parameter);
  }
  HWND Item(int id) const { return GetDlgItem(page_, id); }
  std::u16string Text(int id) const {
    WCHAR text[600] = {};
    GetWindowTextW(Item(id), text, 600);
    return text;
  }

  testsupport::TempMachine machine_;
  HMODULE satellite_ = nullptr;
  std::unique_ptr<vm4k2ui::PrinterUiContext> context_;
  HWND sheet_ = nullptr;
  HWND page_ = nullptr;
};

}  // namespace sheetstest
