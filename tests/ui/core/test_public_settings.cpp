// Public settings by dmFields selector, as the pages read and write them.
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "ui/core/printer_ui_context.h"
#include "ui/core/public_settings.h"

namespace {

using vm4k2ui::PrinterUiContext;

std::unique_ptr<PrinterUiContext> MakeContext() {
  auto context = std::make_unique<PrinterUiContext>();
  std::memset(context.get(), 0, sizeof(PrinterUiContext));
  return context;
}

struct ReadRepairCase {
  const char* what;
  DWORD selector;
  void (*set)(PrinterUiContext&);
  LONG answer;
  bool (*storedAfter)(const PrinterUiContext&);
};

const ReadRepairCase kReadRepairs[] = {
    {"orientation 2 kept", DM_ORIENTATION, [](PrinterUiContext& c) { c.devmode.dmPublic.dmOrientation = 2; }, 2,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmOrientation == 2; }},
    {"orientation 0 kept", DM_ORIENTATION, [](PrinterUiContext& c) { c.devmode.dmPublic.dmOrientation = 0; }, 0,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmOrientation == 0; }},
    {"orientation 3 repaired", DM_ORIENTATION, [](PrinterUiContext& c) { c.devmode.dmPublic.dmOrientation = 3; }, 1,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmOrientation == 1; }},
    {"copies 1000 repaired", DM_COPIES, [](PrinterUiContext& c) { c.devmode.dmPublic.dmCopies = 1000; }, 1,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmCopies == 1; }},
    {"copies 999 kept", DM_COPIES, [](PrinterUiContext& c) { c.devmode.dmPublic.dmCopies = 999; }, 999,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmCopies == 999; }},
    {"collate -1 repaired", DM_COLLATE, [](PrinterUiContext& c) { c.devmode.dmPublic.dmCollate = -1; }, 0,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmCollate == 0; }},
    {"reverse order -2 repaired", vm4k2ui::kSelectReverseOrder,
     [](PrinterUiContext& c) { c.devmode.dmPrivate.reverseOrder = -2; }, 0,
     [](const PrinterUiContext& c) { return c.devmode.dmPrivate.reverseOrder == 0; }},
    {"media 264 repaired", DM_MEDIATYPE, [](PrinterUiContext& c) { c.devmode.dmPublic.dmMediaType = 264; }, 1,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmMediaType == 1; }},
    {"media 263 kept", DM_MEDIATYPE, [](PrinterUiContext& c) { c.devmode.dmPublic.dmMediaType = 263; }, 263,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmMediaType == 263; }},
    {"scale always 100", DM_SCALE, [](PrinterUiContext& c) { c.devmode.dmPublic.dmScale = 150; }, 100,
     [](const PrinterUiContext& c) { return c.devmode.dmPublic.dmScale == 150; }},
};

TEST(PublicSettings, ReadsWriteTheirRepairsBack) {
  for (const ReadRepairCase& c : kReadRepairs) {
    SCOPED_TRACE(c.what);
    auto context = MakeContext();
    c.set(*context);
    LONG value = -77;
    EXPECT_EQ(vm4k2ui::GetPublicSetting(context.get(), c.selector, &value), S_OK);
    EXPECT_EQ(value, c.answer);
    EXPECT_TRUE(c.storedAfter(*context));
  }
}

TEST(PublicSettings, SelectorsWithoutAReadLeaveTheOutput) {
  auto context = MakeContext();
  context->devmode.dmPublic.dmPrintQuality = 600;
  for (DWORD selector : {DWORD{DM_PRINTQUALITY}, DWORD{DM_DUPLEX}, DWORD{DM_YRESOLUTION}, DWORD{0x7FFF},
                         DWORD{DM_FORMNAME}, DWORD{0x12345}}) {
    LONG value = -77;
    EXPECT_EQ(vm4k2ui::GetPublicSetting(context.get(), selector, &value), S_OK);
    EXPECT_EQ(value, -77) << selector;
  }
}

TEST(PublicSettings, ScaleWritesTheZoomWordButReadsAsHundred) {
  auto context = MakeContext();
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_SCALE, 150), S_OK);
  EXPECT_EQ(context->devmode.dmPublic.dmScale, 150);
  EXPECT_EQ(context->devmode.dmPrivate.zoomPercent, 150);
  LONG value = 0;
  vm4k2ui::GetPublicSetting(context.get(), DM_SCALE, &value);
  EXPECT_EQ(value, 100);
}

TEST(PublicSettings, WritesByField) {
  auto context = MakeContext();
  const DEVMODEW& dm = context->devmode.dmPublic;
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_ORIENTATION, 2), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_PAPERSIZE, 9), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_PAPERLENGTH, 2970), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_PAPERWIDTH, 2100), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_COPIES, 12), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_DEFAULTSOURCE, 4), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_PRINTQUALITY, 1200), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_DUPLEX, 2), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_YRESOLUTION, 600), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_COLLATE, 1), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), vm4k2ui::kSelectReverseOrder, 1), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_MEDIATYPE, 3), S_OK);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), 0x7FFF, 0), S_OK);
  EXPECT_EQ(dm.dmOrientation, 2);
  EXPECT_EQ(dm.dmPaperSize, 9);
  EXPECT_EQ(dm.dmPaperLength, 2970);
  EXPECT_EQ(dm.dmPaperWidth, 2100);
  EXPECT_EQ(dm.dmCopies, 12);
  EXPECT_EQ(dm.dmDefaultSource, 4);
  EXPECT_EQ(dm.dmPrintQuality, 1200);
  EXPECT_EQ(dm.dmDuplex, 2);
  EXPECT_EQ(dm.dmYResolution, 600);
  EXPECT_EQ(dm.dmCollate, 1);
  EXPECT_EQ(context->devmode.dmPrivate.reverseOrder, 1);
  EXPECT_EQ(dm.dmMediaType, 3u);
  EXPECT_EQ(dm.dmFields, DWORD{0x1000C});
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_COLOR, 2), E_FAIL);
  EXPECT_EQ(vm4k2ui::SetPublicSetting(context.get(), DM_TTOPTION, 2), E_FAIL);
}

TEST(PublicSettings, FormNameIsCopiedAsCharactersAndCut) {
  auto context = MakeContext();
  vm4k2ui::SetPublicSetting(context.get(), DM_FORMNAME, reinterpret_cast<LONG_PTR>(u"Letter"));
  EXPECT_EQ(std::u16string_view(context->devmode.dmPublic.dmFormName), u"Letter");
  const char16_t* longName = u"A name that is far longer than thirty-one characters";
  vm4k2ui::SetPublicSetting(context.get(), DM_FORMNAME, reinterpret_cast<LONG_PTR>(longName));
  EXPECT_EQ(std::u16string_view(context->devmode.dmPublic.dmFormName), std::u16string_view(longName).substr(0, 31));
}

TEST(PublicSettings, TrayChoices) {
  struct Case { int tray; SHORT source; };
  for (Case c : {Case{0, 7}, Case{1, 4}, Case{2, 1}, Case{3, 99}, Case{-1, 99}}) {
    auto context = MakeContext();
    context->devmode.dmPublic.dmDefaultSource = 99;
    vm4k2ui::SetDefaultSourceFromTray(c.tray, context.get());
    EXPECT_EQ(context->devmode.dmPublic.dmDefaultSource, c.source) << c.tray;
  }
}

TEST(PublicSettings, FavoriteRecordIsPrivateThenPublic) {
  auto context = MakeContext();
  context->devmode.dmPublic.dmSize = 220;
  context->devmode.dmPrivate.signature = vm4k2::kPrivateSignature;
  std::vector<unsigned char> buffer(5080 + 16, 0xAB);
  vm4k2ui::PackFavoriteRecord(context.get(), buffer.data());
  EXPECT_EQ(0, std::memcmp(buffer.data(), "PRIV", 4));
  EXPECT_EQ(0, std::memcmp(buffer.data() + 4860, &context->devmode.dmPublic, 220));
  EXPECT_EQ(buffer[5080], 0xAB);
}

}  // namespace
