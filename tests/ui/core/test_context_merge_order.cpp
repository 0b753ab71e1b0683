// A context's DEVMODE comes from the defaults, then the user's stored DEVMODE, the printer's
// default and the caller's, in that order; each source shows where the order lets it win.
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <win/spooler.h>

#include "devmode_fixtures.h"
#include "printer_fixture.h"
#include "ui/core/printer_data.h"
#include "ui/core/printer_ui_context.h"

namespace {

namespace fs = std::filesystem;
using vm4k2ui::PrinterUiContext;

class ContextMergeOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testfakes::SetCountry("1");
    fs::create_directories(machine_.Host("drives/C/Windows/System32"));
    fs::copy_file(std::string(VELMOR_OUT_DIR) + "/vm4k2enus.dll",
                  machine_.Host("drives/C/Windows/System32/vm4k2enus.dll"), fs::copy_options::overwrite_existing);
    SetProgram("C:\\Windows\\System32\\app.exe");
    testfakes::InstallPrinter();
    printer_ = testfakes::OpenTestPrinter();
  }
  void TearDown() override {
    ClosePrinter(printer_);
    PlatformTest_SetControl("ImageName", nullptr, FALSE);
  }
  void SetProgram(const char* path) { PlatformTest_SetControl("ImageName", path, FALSE); }

  // A full driver DEVMODE whose private part carries `multipleUp` and public part `copies`.
  static std::unique_ptr<vm4k2::UiDevmode> Full(SHORT copies, int16_t multipleUp, int16_t pageOrder) {
    auto dm = testfakes::DefaultUiDevmode(testfakes::kPrinterName);
    dm->dmPublic.dmCopies = copies;
    dm->dmPrivate.multipleUp = multipleUp;
    dm->dmPrivate.pageOrder = pageOrder;
    dm->dmPrivate.customPapers[0].paperId = 290;
    return dm;
  }
  void StoreUserDevmode(const vm4k2::UiDevmode& dm) {
    ASSERT_TRUE(vm4k2ui::WritePrinterDataBlock(printer_, &dm, sizeof(dm), vm4k2ui::PrinterDataKind::PrivateDevmode));
  }
  void SetPrinterDefault(vm4k2::UiDevmode& dm) {
    PRINTER_INFO_8W info{&dm.dmPublic};
    ASSERT_TRUE(SetPrinterW(printer_, 8, reinterpret_cast<LPBYTE>(&info), 0)) << GetLastError();
  }
  std::unique_ptr<PrinterUiContext, void (*)(PrinterUiContext*)> Build(const DEVMODEW* caller) {
    return {vm4k2ui::CreatePrinterUiContext(printer_, caller), vm4k2ui::ReleasePrinterUiContext};
  }

  testsupport::TempMachine machine_;
  HANDLE printer_ = nullptr;
};

TEST_F(ContextMergeOrderTest, DefaultsAloneWithTheSatellitesTexts) {
  auto context = Build(nullptr);
  ASSERT_TRUE(context);
  EXPECT_EQ(std::u16string_view(context->printerName), testfakes::kPrinterName);
  EXPECT_EQ(context->devmode.dmPublic.dmSize, 220);
  EXPECT_EQ(context->devmode.dmPrivate.signature, vm4k2::kPrivateSignature);
  EXPECT_EQ(std::u16string_view(context->devmode.dmPrivate.favoriteName), u"Default Settings");
  EXPECT_EQ(context->privatePart, &context->devmode.dmPrivate);
  EXPECT_EQ(context->publicPart, &context->devmode.dmPublic);
  EXPECT_NE(context->satellite, nullptr);
  EXPECT_STREQ(context->descriptors.entries[2].key, "ScaleRadio");
}

TEST_F(ContextMergeOrderTest, LaterFullSourcesReplaceEarlierOnesAndPublicFieldsMergeByBit) {
  auto stored = Full(2, 4, 1);
  StoreUserDevmode(*stored);
  auto printerDefault = Full(3, 2, 0);
  SetPrinterDefault(*printerDefault);
  testfakes::DevmodeBuffer caller(220);
  testfakes::MakePublicOnly(caller.dm(), DM_ORIENTATION);
  caller.dm()->dmOrientation = 2;

  auto context = Build(caller.dm());
  ASSERT_TRUE(context);
  // The printer's default came after the stored one: its whole private part wins.
  EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 2);
  EXPECT_EQ(context->devmode.dmPrivate.pageOrder, 0);
  EXPECT_EQ(context->devmode.dmPublic.dmCopies, 3);
  // The caller's public-only DEVMODE announced only the orientation.
  EXPECT_EQ(context->devmode.dmPublic.dmOrientation, 2);
  // Custom paper records never travel with a context.
  EXPECT_EQ(context->devmode.dmPrivate.customPapers[0].paperId, 0);
  EXPECT_EQ(context->devmode.dmPrivate.customPapers[0].width, 0);
}

TEST_F(ContextMergeOrderTest, TheStoredDevmodeCountsOnlyWhenWholeAndOurs) {
  auto stored = Full(2, 4, 1);
  StoreUserDevmode(*stored);
  {
    auto context = Build(nullptr);
    ASSERT_TRUE(context);
    EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 4);
    EXPECT_EQ(context->devmode.dmPublic.dmCopies, 2);
  }
  // One byte short of a whole record: ignored.
  ASSERT_TRUE(vm4k2ui::WritePrinterDataBlock(printer_, stored.get(), 5079, vm4k2ui::PrinterDataKind::PrivateDevmode));
  {
    auto context = Build(nullptr);
    EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 1);
  }
  // Without the signature: ignored.
  stored->dmPrivate.signature = 0;
  StoreUserDevmode(*stored);
  {
    auto context = Build(nullptr);
    EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 1);
  }
}

TEST_F(ContextMergeOrderTest, ThePipelineTakesOnlyTheCallersDevmode) {
  auto stored = Full(2, 4, 1);
  StoreUserDevmode(*stored);
  auto printerDefault = Full(3, 2, 0);
  SetPrinterDefault(*printerDefault);
  auto caller = Full(5, 8, 3);
  SetProgram("C:\\Windows\\System32\\PrintFilterPipelineSvc.exe");
  auto context = Build(&caller->dmPublic);
  ASSERT_TRUE(context);
  EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 8);
  EXPECT_EQ(context->devmode.dmPublic.dmCopies, 5);
  auto withoutCaller = Build(nullptr);
  EXPECT_EQ(withoutCaller->devmode.dmPrivate.multipleUp, 1);
  EXPECT_EQ(withoutCaller->devmode.dmPublic.dmCopies, 1);
}

TEST_F(ContextMergeOrderTest, AnEmptyFavoriteNameIsFilled) {
  auto caller = Full(1, 1, 0);
  std::memset(caller->dmPrivate.favoriteName, 0, sizeof(caller->dmPrivate.favoriteName));
  auto context = Build(&caller->dmPublic);
  ASSERT_TRUE(context);
  EXPECT_EQ(std::u16string_view(context->devmode.dmPrivate.favoriteName), u"Default Settings");
}

TEST_F(ContextMergeOrderTest, NoContextWithoutASatelliteOrAPrinter) {
  fs::remove(machine_.Host("drives/C/Windows/System32/vm4k2enus.dll"));
  EXPECT_FALSE(Build(nullptr));
  EXPECT_EQ(vm4k2ui::CreatePrinterUiContext(nullptr, nullptr), nullptr);
}

TEST_F(ContextMergeOrderTest, TheLatestDefaultsAreKeptBeforeAnyMerge) {
  auto caller = Full(9, 16, 2);
  auto context = Build(&caller->dmPublic);
  ASSERT_TRUE(context);
  auto copy = std::make_unique<PrinterUiContext>();
  ASSERT_TRUE(vm4k2ui::CopyLatestDefaultsContext(copy.get()));
  EXPECT_EQ(copy->devmode.dmPrivate.multipleUp, 1);
  EXPECT_EQ(copy->devmode.dmPublic.dmCopies, 1);
  EXPECT_EQ(copy->privatePart, &copy->devmode.dmPrivate);
  EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 16);
}

}  // namespace
