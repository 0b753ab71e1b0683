// The favourites' store operations on a page made from the basic page's template of the
// English satellite, with the settings file of a fresh machine; the file is read back by an
// independent reader of its format.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <win/commctrl.h>
#include <win/dialogs.h>
#include <win/modules.h>
#include <win/user.h>

#include <child_process.h>
#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/custom_paper_source.h"
#include "ui/core/printer_ui_context.h"
#include "ui/core/satellite.h"
#include "ui/core/setting_stores.h"
#include "ui/sheets/favorites.h"
#include "ui/sheets/page_context.h"

namespace {

using vm4k2ui::FavoritesPanel;
using vm4k2ui::PrinterUiContext;

constexpr int kBasicTemplate = 111;

INT_PTR CALLBACK PlainPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::vector<UINT>& SheetMessages() {
  static std::vector<UINT> messages;
  return messages;
}

LRESULT CALLBACK RecordingSheet(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER && message < WM_USER + 0x100) {
    SheetMessages().push_back(message);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::string CallLog() {
  const size_t size = PlatformTest_ReadCallLog(nullptr, 0);
  std::string text(size + 1, '\0');
  PlatformTest_ReadCallLog(text.data(), text.size());
  text.resize(size);
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class FavoritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SheetMessages().clear();
    PlatformTest_SetControl("BoxStrict", "1", TRUE);
    PlatformTest_SetControl("CountryCode", "49", FALSE);
    std::filesystem::create_directories(machine_.Host("drives/C/Fixtures"));
    std::filesystem::copy_file(ENGLISH_SATELLITE, machine_.Host("drives/C/Fixtures/vm4k2enus.dll"));
    satellite_ = LoadLibraryExW(u"C:\\Fixtures\\vm4k2enus.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(satellite_, nullptr);
    context_ = std::make_unique<PrinterUiContext>();
    std::u16string printer = u"Velmor K8000 Series PCL6";
    std::copy(printer.begin(), printer.end(), context_->printerName);
    vm4k2ui::InitContextDevmode(context_.get());
    context_->satellite = satellite_;
    vm4k2ui::SetFavoriteName(context_.get(), Str(202), 255);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordingSheet;
    windowClass.lpszClassName = u"FavoritesSheet";
    RegisterClassW(&windowClass);
    sheet_ = CreateWindowExW(0, u"FavoritesSheet", u"Sheet", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr,
                             nullptr);
    page_ = CreateDialogParamW(satellite_, MAKEINTRESOURCEW(kBasicTemplate), sheet_, PlainPage, 0);
    ASSERT_NE(page_, nullptr);
    vm4k2ui::StorePageContext(page_, context_.get());
    panel_.page = page_;
    panel_.context = context_.get();
    panel_.holder = &holder_;
    panel_.refreshPage = [this] { ++refreshes_; };
  }
  void TearDown() override {
    PlatformTest_ClearBoxAnswers();
    PlatformTest_SetControl("BoxStrict", nullptr, TRUE);
    if (IsWindow(page_)) DestroyWindow(page_);
    if (IsWindow(sheet_)) DestroyWindow(sheet_);
    if (satellite_ != nullptr) FreeLibrary(satellite_);
  }

  std::u16string Str(UINT id) const { return vm4k2ui::LoadUiString(satellite_, id); }
  HWND Combo() const { return GetDlgItem(page_, vm4k2ui::kFavoritesCombo); }
  std::u16string ComboText() const {
    WCHAR text[300] = {};
    GetWindowTextW(Combo(), text, 300);
    return text;
  }
  std::vector<std::u16string> Rows() const {
    std::vector<std::u16string> rows;
    const LRESULT count = SendMessageW(Combo(), CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
      WCHAR text[300] = {};
      SendMessageW(Combo(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      rows.push_back(text);
    }
    return rows;
  }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(page_, id)) != FALSE; }
  void TypeName(const std::u16string& name) {
    SetWindowTextW(Combo(), name.c_str());
    vm4k2ui::OnFavoritesComboCommand(panel_, CBN_EDITCHANGE);
  }
  void Answer(UINT textId, int button) {
    PlatformTest_QueueBoxAnswer(nullptr, Str(textId).c_str(), nullptr, button, 0);
  }
  int StoredCount() {
    vm4k2ui::FavoriteStore store;
    return store.Count();
  }
  std::string ReadFile() {
    const std::string file = machine_.Host("drives/C/Users/User/AppData/Roaming/Velmor/vm4k2/k8100settings.dat");
    return testsupport::RunCommand("python3 " SETTINGS_READER " '" + file + "'").output;
  }

  testsupport::TempMachine machine_;
  HMODULE satellite_ = nullptr;
  std::unique_ptr<PrinterUiContext> context_;
  HWND sheet_ = nullptr;
  HWND page_ = nullptr;
  vm4k2ui::SnapshotHolder holder_;
  FavoritesPanel panel_;
  int refreshes_ = 0;
};

TEST_F(FavoritesTest, AnEmptyStoreGetsTheCurrentSettingsUnderTheirName) {
  vm4k2ui::FillFavoritesCombo(panel_);
  EXPECT_EQ(Rows(), std::vector<std::u16string>{Str(202)});
  EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
  // The favourite and the current settings, each a whole record ending in its zero block.
  const std::string listing = ReadFile();
  EXPECT_EQ(Count(listing, "\"len\": 5592"), 1u) << listing;
  EXPECT_NE(listing.find("\"ends_in_512_zeros\": true"), std::string::npos) << listing;
  const std::string current = testsupport::RunCommand(
      "python3 " SETTINGS_READER " '" +
      machine_.Host("drives/C/Users/User/AppData/Roaming/Velmor/vm4k2/k8100settings.dat") + "' cursetting").output;
  EXPECT_EQ(Count(current, "\"len\": 5592"), 1u) << current;
}

TEST_F(FavoritesTest, SavedNamesAreStoredInUtf8AndListedAtTheEnd) {
  vm4k2ui::FillFavoritesCombo(panel_);
  TypeName(u"Büro Ä");
  EXPECT_TRUE(Enabled(vm4k2ui::kSaveFavoriteButton));
  SheetMessages().clear();
  vm4k2ui::AddFavorite(panel_);
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{Str(202), u"Büro Ä"}));
  EXPECT_EQ(SendMessageW(Combo(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(Enabled(vm4k2ui::kSaveFavoriteButton));
  EXPECT_TRUE(Enabled(vm4k2ui::kDeleteFavoriteButton));
  EXPECT_EQ(vm4k2ui::FavoriteNameOf(*context_), u"Büro Ä");
  EXPECT_EQ(SheetMessages(), std::vector<UINT>{PSM_CHANGED});
  const std::string listing = ReadFile();
  EXPECT_NE(listing.find("\"name\": \"Büro Ä\""), std::string::npos) << listing;
  EXPECT_EQ(Count(listing, "\"len\": 5592"), 2u) << listing;
  EXPECT_EQ(Count(listing, "\"ends_in_512_zeros\": true"), 2u) << listing;
}

TEST_F(FavoritesTest, TypedNamesLoseForbiddenCharacters) {
  TypeName(u"a<b>c");
  EXPECT_EQ(ComboText(), u"abc");
}

TEST_F(FavoritesTest, ASeventeenthFavouriteIsRefusedButAStoredNameMayBeReplaced) {
  vm4k2ui::FillFavoritesCombo(panel_);
  for (int i = 1; i < 16; ++i) {
    TypeName(u"fav" + std::u16string(1, static_cast<char16_t>(u'a' + i)));
    vm4k2ui::AddFavorite(panel_);
  }
  ASSERT_EQ(StoredCount(), 16);
  ASSERT_EQ(Rows().size(), 16u);

  TypeName(u"seventeen");
  Answer(2061, IDOK);
  vm4k2ui::AddFavorite(panel_);
  EXPECT_EQ(StoredCount(), 16);
  EXPECT_EQ(Rows().size(), 16u);
  EXPECT_EQ(Count(CallLog(), "\"box\""), 1u);

  // No keeps the stored favourite as it was.
  context_->devmode.dmPublic.dmCopies = 7;
  TypeName(u"favc");
  Answer(2063, IDNO);
  vm4k2ui::AddFavorite(panel_);
  auto loaded = std::make_unique<PrinterUiContext>(*context_);
  vm4k2ui::FavoriteStore store;
  ASSERT_EQ(store.Load(u"favc", loaded.get(), sizeof(PrinterUiContext)), 1);
  EXPECT_EQ(loaded->devmode.dmPublic.dmCopies, 1);
  EXPECT_EQ(Rows()[2], u"favc");

  // Yes replaces it: still sixteen, the name once, at the end.
  Answer(2063, IDYES);
  vm4k2ui::AddFavorite(panel_);
  EXPECT_EQ(StoredCount(), 16);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows.back(), u"favc");
  EXPECT_EQ(std::count(rows.begin(), rows.end(), u"favc"), 1);
  ASSERT_EQ(store.Load(u"favc", loaded.get(), sizeof(PrinterUiContext)), 1);
  EXPECT_EQ(loaded->devmode.dmPublic.dmCopies, 7);
  EXPECT_EQ(Count(CallLog(), "\"box\""), 3u);
}

TEST_F(FavoritesTest, TheOnlyFavouriteCannotBeDeleted) {
  vm4k2ui::FillFavoritesCombo(panel_);
  SetWindowTextW(Combo(), Str(202).c_str());
  PlatformTest_QueueBoxAnswer(nullptr, u"The default settings can not be deleted", u"Error", IDOK, 0);
  vm4k2ui::DeleteFavorite(panel_);
  EXPECT_EQ(StoredCount(), 1);
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_EQ(Count(CallLog(), "\"box\""), 1u);
}

TEST_F(FavoritesTest, DeleteRemovesTheRowOfExactlyThatName) {
  vm4k2ui::FillFavoritesCombo(panel_);
  TypeName(u"Office");
  vm4k2ui::AddFavorite(panel_);
  TypeName(u"office");
  vm4k2ui::AddFavorite(panel_);
  // The typed name leaves the list's selection on another row.
  SendMessageW(Combo(), CB_SETCURSEL, 0, 0);
  SetWindowTextW(Combo(), u"office");
  SheetMessages().clear();
  vm4k2ui::DeleteFavorite(panel_);
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{Str(202), u"Office"}));
  EXPECT_EQ(StoredCount(), 2);
  EXPECT_EQ(refreshes_, 1);
  EXPECT_EQ(SheetMessages(), std::vector<UINT>{PSM_CHANGED});
}

TEST_F(FavoritesTest, AFavouriteWhoseCustomPaperAndWatermarkAreGoneComesBackWithDefaults) {
  vm4k2ui::FillFavoritesCombo(panel_);
  context_->devmode.dmPublic.dmPaperSize = 290;
  context_->devmode.dmPublic.dmPaperWidth = 1500;
  context_->devmode.dmPublic.dmPaperLength = 3000;
  context_->devmode.dmPrivate.watermark.id = 31;
  TypeName(u"Gone");
  vm4k2ui::AddFavorite(panel_);
  // Loading validates the record first; a custom id that no stored paper has falls back here.
  context_->devmode.dmPublic.dmPaperSize = 11;
  SendMessageW(Combo(), CB_SETCURSEL, 1, 0);
  SheetMessages().clear();
  vm4k2ui::ApplyFavorite(panel_);
  const DEVMODEW& pub = context_->devmode.dmPublic;
  EXPECT_EQ(pub.dmPaperSize, 9);
  EXPECT_EQ(pub.dmPaperWidth, 2100);
  EXPECT_EQ(pub.dmPaperLength, 2970);
  const std::vector<vm4k2::WatermarkRecord> stored = vm4k2ui::LoadWatermarkList();
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(context_->devmode.dmPrivate.watermark.id, stored.front().id);
  EXPECT_EQ(vm4k2ui::FavoriteNameOf(*context_), u"Gone");
  EXPECT_EQ(refreshes_, 1);
  EXPECT_FALSE(Enabled(vm4k2ui::kSaveFavoriteButton));
  EXPECT_EQ(SheetMessages(), std::vector<UINT>{PSM_CHANGED});
}

}  // namespace
