// The favourites as the settings file holds them, read back by an independent reader of the
// file's object format (tests/support/read_settings_file.py).
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <child_process.h>
#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/printer_ui_context.h"
#include "ui/core/setting_stores.h"

namespace {

using vm4k2ui::PrinterUiContext;

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class FavoriteFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = std::make_unique<PrinterUiContext>();
    const std::u16string printer = u"Velmor K8000 Series PCL6";
    std::copy(printer.begin(), printer.end(), context_->printerName);
    vm4k2ui::InitContextDevmode(context_.get());
  }
  std::string Listing(const std::string& store) const {
    const std::string file = machine_.Host("drives/C/Users/User/AppData/Roaming/Velmor/vm4k2/k8100settings.dat");
    return testsupport::RunCommand("python3 " SETTINGS_READER " '" + file + "' " + store + " 2>&1").output;
  }

  testsupport::TempMachine machine_;
  std::unique_ptr<PrinterUiContext> context_;
};

TEST_F(FavoriteFileTest, NamesAreUtf8AndValuesAreWholeRecordsEndingInTheirZeroBlock) {
  vm4k2ui::FavoriteStore store;
  ASSERT_EQ(store.EnsureFile(), 1);
  ASSERT_EQ(store.Save(u"Büro", context_.get(), sizeof(PrinterUiContext)), 1);
  context_->devmode.dmPublic.dmCopies = 3;
  ASSERT_EQ(store.Save(u"Kopien \u00D7 3", context_.get(), sizeof(PrinterUiContext)), 1);
  ASSERT_EQ(store.SaveCurrent(u"Büro", context_.get()), 1);

  const std::string favourites = Listing("savesetting");
  EXPECT_NE(favourites.find("{\"name\": \"Büro\", \"type\": \"binary\", \"len\": 5592"), std::string::npos)
      << favourites;
  EXPECT_NE(favourites.find("{\"name\": \"Kopien \u00D7 3\", \"type\": \"binary\", \"len\": 5592"), std::string::npos)
      << favourites;
  EXPECT_EQ(Count(favourites, "\"ends_in_512_zeros\": true"), 2u) << favourites;
  // Another copy count is another record.
  EXPECT_EQ(Count(favourites, "\"sha_prefix\""), 2u);
  const size_t first = favourites.find("\"sha_prefix\": \"");
  const size_t second = favourites.find("\"sha_prefix\": \"", first + 1);
  EXPECT_NE(favourites.substr(first, 32), favourites.substr(second, 32));

  const std::string current = Listing("cursetting");
  EXPECT_EQ(Count(current, "\"len\": 5592"), 1u) << current;
}

TEST_F(FavoriteFileTest, ReplacingAFavouriteKeepsOneEntryOfThatName) {
  vm4k2ui::FavoriteStore store;
  ASSERT_EQ(store.EnsureFile(), 1);
  ASSERT_EQ(store.Save(u"Office", context_.get(), sizeof(PrinterUiContext)), 1);
  ASSERT_EQ(store.Save(u"Home", context_.get(), sizeof(PrinterUiContext)), 1);
  context_->devmode.dmPublic.dmCopies = 9;
  ASSERT_EQ(store.Save(u"Office", context_.get(), sizeof(PrinterUiContext)), 1);
  const std::string favourites = Listing("savesetting");
  EXPECT_EQ(Count(favourites, "\"name\": \"Office\""), 1u) << favourites;
  // The replaced entry moves to the end.
  EXPECT_LT(favourites.find("\"Home\""), favourites.find("\"Office\""));
}

}  // namespace
