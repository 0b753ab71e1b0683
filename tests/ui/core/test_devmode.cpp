// The driver DEVMODE's defaults, merge, conversion and copy-out, with caller records of
// exact sizes.
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "devmode_fixtures.h"
#include "ui/core/devmode.h"
#include "ui/core/private_devmode.h"

namespace {

using testfakes::DevmodeBuffer;
using vm4k2::UiDevmode;

class DevmodeTest : public ::testing::Test {
 protected:
  void SetUp() override { testfakes::SetCountry("1"); }
  testsupport::TempMachine machine_;
};

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

struct LocaleCase {
  const char* country;  // nullptr: the locale cannot be read
  bool a4;
};

TEST_F(DevmodeTest, LocaleDefaultPaperReplacesTheOldPapersSize) {
  for (const LocaleCase& c : {LocaleCase{"1", false}, LocaleCase{"49", true}}) {
    SCOPED_TRACE(c.country);
    testfakes::SetCountry(c.country);
    DEVMODEW dm{};
    dm.dmPaperSize = 11;
    dm.dmPaperWidth = 1480;
    dm.dmPaperLength = 2100;
    vm4k2ui::SetLocaleDefaultPaper(&dm);
    EXPECT_EQ(dm.dmPaperSize, c.a4 ? 9 : 1);
    EXPECT_EQ(dm.dmPaperWidth, c.a4 ? 2100 : 2159);
    EXPECT_EQ(dm.dmPaperLength, c.a4 ? 2970 : 2794);
  }
}

TEST_F(DevmodeTest, PublicDefaultsFollowTheCountry) {
  const LocaleCase cases[] = {{"1", false}, {"2", false}, {"50", false}, {"59", false}, {"500", false},
                              {"599", false}, {nullptr, false}, {"49", true}, {"44", true}, {"3", true},
                              {"60", true}, {"499", true}, {"600", true}, {"81", true}};
  for (const LocaleCase& c : cases) {
    SCOPED_TRACE(c.country ? c.country : "unreadable");
    if (c.country) {
      testfakes::SetCountry(c.country);
      PlatformTest_SetControl("LocaleUnreadable", nullptr, FALSE);
    } else {
      PlatformTest_SetControl("LocaleUnreadable", "1", FALSE);
    }
    DEVMODEW dm;
    std::memset(&dm, 0xCC, sizeof(dm));
    ASSERT_EQ(vm4k2ui::SetDefaultDevmode(&dm, u"Velmor K8000 Series PCL6 with a very long name"), S_OK);
    EXPECT_EQ(std::u16string_view(dm.dmDeviceName), u"Velmor K8000 Series PCL6 with a");
    EXPECT_EQ(dm.dmSpecVersion, 0x401);
    EXPECT_EQ(dm.dmDriverVersion, 0x600);
    EXPECT_EQ(dm.dmSize, 220);
    EXPECT_EQ(dm.dmDriverExtra, 4860);
    EXPECT_EQ(dm.dmFields, 0xBF1Fu);
    EXPECT_EQ(dm.dmOrientation, 1);
    EXPECT_EQ(dm.dmPaperSize, c.a4 ? 9 : 1);
    EXPECT_EQ(dm.dmPaperLength, c.a4 ? 2970 : 2794);
    EXPECT_EQ(dm.dmPaperWidth, c.a4 ? 2100 : 2159);
    EXPECT_EQ(std::u16string_view(dm.dmFormName), c.a4 ? u"A4" : u"Letter");
    EXPECT_EQ(dm.dmScale, 100);
    EXPECT_EQ(dm.dmCopies, 1);
    EXPECT_EQ(dm.dmDefaultSource, 7);
    EXPECT_EQ(dm.dmPrintQuality, 600);
    EXPECT_EQ(dm.dmColor, 1);
    EXPECT_EQ(dm.dmDuplex, 1);
    EXPECT_EQ(dm.dmYResolution, 600);
    EXPECT_EQ(dm.dmTTOption, 1);
    EXPECT_EQ(dm.dmCollate, 0);
    EXPECT_EQ(dm.dmMediaType, 1u);
    EXPECT_EQ(dm.dmDitherType, 0u);
    EXPECT_EQ(dm.dmLogPixels, 0);
    EXPECT_EQ(dm.dmPanningHeight, 0u);
  }
  PlatformTest_SetControl("LocaleUnreadable", nullptr, FALSE);
  EXPECT_EQ(vm4k2ui::SetDefaultDevmode(nullptr, u"x"), E_FAIL);
}

TEST_F(DevmodeTest, PrivateDefaults) {
  auto dm = testfakes::DefaultUiDevmode();
  const vm4k2::PrivateDevmode& p = dm->dmPrivate;
  EXPECT_EQ(0, std::memcmp(reinterpret_cast<const char*>(dm.get()) + 220, "PRIV", 4));
  EXPECT_EQ(p.colorMode, 1);
  EXPECT_EQ(p.duplex, 1);
  EXPECT_EQ(p.scaleRadio, 100);
  EXPECT_EQ(p.multipleUp, 1);
  EXPECT_EQ(p.feedOrient, 1);
  EXPECT_EQ(p.marginsAutoFit, 1);
  EXPECT_EQ(std::u16string_view(p.favoriteName), u"Default Settings");
  EXPECT_EQ(p.favoriteIndex, 26);
  EXPECT_EQ(p.colorTemperature, 1);
  EXPECT_EQ(p.gammaCorrection, 3);
  EXPECT_EQ(p.thickness, 1);
  EXPECT_EQ(p.zoomPercent, 100);
  EXPECT_EQ(p.watermark.kind, 0);
  EXPECT_EQ(p.watermark.pointSize, 54);
  EXPECT_EQ(std::u16string_view(p.headerFontName), u"Times New Roman");
  EXPECT_EQ(p.headerFontSize, 9);
  EXPECT_EQ(p.headerBold, 1);
  EXPECT_EQ(p.downloadTrueType, 1u);
  EXPECT_EQ(p.trueTypeAsBitmap, 0u);
  for (size_t i = 0; i < 20; ++i) {
    const auto& paper = p.customPapers[i];
    EXPECT_EQ(paper.width, 4960);
    EXPECT_EQ(paper.height, 7015);
    EXPECT_EQ(paper.paperId, 0);
    const std::string ascii = "Custom " + std::to_string(i + 1);
    const std::u16string expected(ascii.begin(), ascii.end());
    EXPECT_EQ(std::u16string_view(paper.name), expected);
  }
}

TEST_F(DevmodeTest, TheNoWatermarkRecordIsRenamedOncePerProcess) {
  auto first = testfakes::DefaultUiDevmode();
  vm4k2::PrivateDevmode second;
  vm4k2ui::FillPrivateDefaults(&second, u"x", u"Another name");
  EXPECT_EQ(std::u16string_view(first->dmPrivate.watermark.name), std::u16string_view(second.watermark.name));
  EXPECT_NE(std::u16string_view(second.watermark.name), u"[No Watermark]");
}

TEST_F(DevmodeTest, DefaultsPassValidationUnchanged) {
  auto dm = testfakes::DefaultUiDevmode();
  const std::string before = Bytes(&dm->dmPrivate, 4860);
  EXPECT_EQ(vm4k2ui::ValidatePrivateDevmode(&dm->dmPrivate), S_OK);
  EXPECT_EQ(Bytes(&dm->dmPrivate, 4860), before);
  EXPECT_EQ(vm4k2ui::ValidatePrivateDevmode(nullptr), static_cast<HRESULT>(0x8000000A));
}

struct RepairCase {
  const char* what;
  size_t offset;
  int width;          // 2 or 4
  int64_t bad;
  int64_t repaired;
};

const RepairCase kRepairs[] = {
    {"signature", 0, 4, 0x41424344, 0x56495250},
    {"ColorMode 2", 4, 2, 2, 1},
    {"Duplex 6", 6, 2, 6, 1},
    {"Duplex 5 kept", 6, 2, 5, 5},
    {"DuplexIndex 3", 8, 2, 3, 0},
    {"reverse word unchecked", 10, 2, -9, -9},
    {"OutputSize -1", 268, 4, -1, 0},
    {"ScaleFlag 3", 272, 4, 3, 0},
    {"ScaleRadio 24", 276, 4, 24, 100},
    {"ScaleRadio 401", 276, 4, 401, 100},
    {"ScaleRadio 25 kept", 276, 4, 25, 25},
    {"MultipleUp 24", 280, 2, 24, 1},
    {"MultipleUp 0", 280, 2, 0, 1},
    {"PageOrder 6", 282, 2, 6, 0},
    {"PageBorder 2", 284, 2, 2, 0},
    {"MixedOrient 3", 286, 2, 3, 0},
    {"watermark lock unchecked", 288, 2, 77, 77},
    {"PosterPrint 2", 290, 2, 2, 0},
    {"PosterType 3", 292, 2, 3, 0},
    {"CropMarks 2", 294, 2, 2, 0},
    {"SourceTray 3", 296, 2, 3, 0},
    {"Rotate 4", 298, 2, 4, 0},
    {"FeedOrient 3", 300, 2, 3, 1},
    {"ManualDuplex 2", 302, 2, 2, 0},
    {"Mismatch unchecked", 304, 2, 9, 9},
    {"BookletGutter unchecked", 314, 2, -4, -4},
    {"ImageShift 9", 320, 2, 9, 0},
    {"MarginsAutoFit 2", 322, 2, 2, 1},
    {"Side 1182", 324, 2, 1182, 0},
    {"Side2 -1", 326, 2, -1, 0},
    {"PrintPosition 5", 328, 2, 5, 0},
    {"AdjustPrintPosition 2", 330, 2, 2, 0},
    {"LeftRight -1182", 332, 2, -1182, 0},
    {"UpDown 1182", 334, 2, 1182, 0},
    {"UpDown -1181 kept", 334, 2, -1181, -1181},
    {"FavoriteIndex 30", 848, 2, 30, 26},
    {"FavoriteIndex -1", 848, 2, -1, 26},
    {"ImageAdjustMode 3", 850, 2, 3, 0},
    {"ImageType first 3", 852, 2, 3, 0},
    {"ImageType second 4", 854, 2, 4, 0},
    {"ImageType second 3 kept", 854, 2, 3, 3},
    {"ApplyElements 2", 856, 2, 2, 0},
    {"DocumentElement 3", 858, 2, 3, 0},
    {"Brightness[0] 101", 860, 2, 101, 0},
    {"Brightness[3] -101", 866, 2, -101, 0},
    {"Constrast[2] 200", 872, 2, 200, 0},
    {"Saturation[1] -100 kept", 878, 2, -100, -100},
    {"AdjustBalance 2", 884, 2, 2, 0},
    {"TargetColor 4", 886, 2, 4, 0},
    {"Highlights[0] 4", 888, 2, 4, 0},
    {"Midtones[3] -4", 902, 2, -4, 0},
    {"Shadows[1] 3 kept", 906, 2, 3, 3},
    {"Profile 3", 912, 2, 3, 0},
    {"ColorTemperature 3", 914, 2, 3, 1},
    {"GammaCorrection 5", 916, 2, 5, 3},
    {"ImageInputIndex 3", 918, 2, 3, 0},
    {"ScreenType 4", 1944, 2, 4, 0},
    {"TonerSavingMode 4", 1946, 2, 4, 0},
    {"Rotate180 2", 1948, 2, 2, 0},
    {"Mirror 2", 1950, 2, 2, 0},
    {"Thickness 3", 1952, 2, 3, 1},
    {"Negative 2", 1954, 2, 2, 0},
    {"zoom unchecked", 1956, 2, 999, 999},
    {"FirstPageOnly 2", 1958, 2, 2, 0},
    {"watermark size 5", 1960 + 784, 2, 5, 72},
    {"watermark colour", 1960 + 804, 4, 0x1000000, 0x0033FF},
    {"watermark 802 is 1 kept", 1960 + 802, 2, 1, 1},
    {"editor colour unchecked", 2776, 4, 0x7FFFFFFF, 0x7FFFFFFF},
    {"OverlayFlag unchecked", 2780, 2, 5, 5},
    {"HeaderFontSize 4", 3366, 2, 4, 9},
    {"HeaderFontSize 25", 3366, 2, 25, 9},
    {"HeaderBold 2", 3368, 2, 2, 1},
    {"HeaderItalic 2", 3370, 2, 2, 0},
    {"HeaderColor 0x1000000", 3372, 4, 0x1000000, 0},
    {"HeaderColorIndex 7", 3376, 2, 7, 0},
    {"PrintItems[0].on 2", 3378, 2, 2, 0},
    {"PrintItems[5].position 6", 3378 + 22, 2, 6, 0},
    {"PrintItems[5].position 5 kept", 3378 + 22, 2, 5, 5},
    {"custom paper 1 width 1799", 3404, 2, 1799, 4960},
    {"custom paper 20 height 8401", 3404 + 19 * 72 + 2, 2, 8401, 7015},
    {"custom paper width 5100 kept", 3404, 2, 5100, 5100},
    {"TrueType download 2", 4844, 4, 2, 1},
    {"TrueType as bitmap 2", 4848, 4, 2, 0},
    {"device font choice unchecked", 4852, 2, 0x7F7F, 0x7F7F},
};

TEST_F(DevmodeTest, EachPrivateFieldOutOfRangeIsRepairedOnItsOwn) {
  for (const RepairCase& c : kRepairs) {
    SCOPED_TRACE(c.what);
    auto dm = testfakes::DefaultUiDevmode();
    auto* bytes = reinterpret_cast<unsigned char*>(&dm->dmPrivate);
    auto write = [&](int64_t v) {
      if (c.width == 2) { auto w = static_cast<int16_t>(v); std::memcpy(bytes + c.offset, &w, 2); }
      else { auto w = static_cast<int32_t>(v); std::memcpy(bytes + c.offset, &w, 4); }
    };
    write(c.bad);
    std::string expected = Bytes(bytes, 4860);
    {
      auto copy = std::make_unique<vm4k2::PrivateDevmode>();
      std::memcpy(copy.get(), expected.data(), 4860);
      auto* cb = reinterpret_cast<unsigned char*>(copy.get());
      if (c.width == 2) { auto w = static_cast<int16_t>(c.repaired); std::memcpy(cb + c.offset, &w, 2); }
      else { auto w = static_cast<int32_t>(c.repaired); std::memcpy(cb + c.offset, &w, 4); }
      expected = Bytes(cb, 4860);
    }
    vm4k2ui::ValidatePrivateDevmode(&dm->dmPrivate);
    EXPECT_EQ(Bytes(bytes, 4860), expected);
  }
}

TEST_F(DevmodeTest, PrivateTextsEndInsideTheirFields) {
  auto dm = testfakes::DefaultUiDevmode();
  vm4k2::PrivateDevmode& p = dm->dmPrivate;
  for (auto& u : p.monitor) u = u'M';
  for (auto& u : p.overlayFileName) u = u'O';
  for (auto& u : p.headerFontName) u = u'H';
  for (auto& u : p.customPapers[3].name) u = u'C';
  std::u16string shortProfile = u"sRGB";
  std::copy(shortProfile.begin(), shortProfile.end(), p.inputImage);
  vm4k2ui::ValidatePrivateDevmode(&p);
  EXPECT_EQ(std::u16string_view(p.monitor), u"");
  EXPECT_EQ(std::u16string_view(p.inputImage), u"sRGB");
  EXPECT_EQ(std::u16string_view(p.overlayFileName).size(), 259u);
  EXPECT_EQ(std::u16string_view(p.headerFontName).size(), 31u);
  EXPECT_EQ(std::u16string_view(p.customPapers[3].name).size(), 24u);
}

TEST_F(DevmodeTest, AFavoriteNameLongerThan32IsReplaced) {
  auto dm = testfakes::DefaultUiDevmode();
  vm4k2::PrivateDevmode& p = dm->dmPrivate;
  std::u16string name32(32, u'n');
  std::copy(name32.begin(), name32.end(), p.favoriteName);
  vm4k2ui::ValidatePrivateDevmode(&p);
  EXPECT_EQ(std::u16string_view(p.favoriteName), name32);
  for (auto& u : p.favoriteName) u = u'x';
  vm4k2ui::ValidatePrivateDevmode(&p);
  // No satellite beside the test program: the missing-string text stands in for string 202.
  EXPECT_EQ(std::u16string_view(p.favoriteName), u"id:202 missing!");
}

TEST(SpecVersionFromSize, SizesAndOwnVersions) {
  struct Case { WORD size; WORD spec; WORD expected; };
  const Case cases[] = {{192, 0x111, 0x320}, {216, 0x111, 0x400}, {224, 0x111, 0x401},
                        {220, 0x401, 0x401}, {220, 0, 0}, {188, 0x300, 0x300}, {212, 0x400, 0x400}};
  for (const Case& c : cases) {
    DEVMODEW dm{};
    dm.dmSize = c.size;
    dm.dmSpecVersion = c.spec;
    EXPECT_EQ(vm4k2ui::SpecVersionFromSize(&dm), c.expected) << c.size;
  }
  EXPECT_EQ(vm4k2ui::SpecVersionFromSize(nullptr), 0);
}

// ---- merge -------------------------------------------------------------------------------

TEST_F(DevmodeTest, MergeWithoutInputAccepts) {
  auto target = testfakes::DefaultUiDevmode();
  const std::string before = Bytes(target.get(), 5080);
  EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), nullptr), 1);
  EXPECT_EQ(Bytes(target.get(), 5080), before);
}

struct RejectCase {
  const char* what;
  size_t bytes;
  void (*shape)(DEVMODEW*);
};

const RejectCase kRejects[] = {
    {"empty device name", 220, [](DEVMODEW* dm) { dm->dmDeviceName[0] = 0; }},
    {"dmSize 212", 212, [](DEVMODEW* dm) { dm->dmSize = 212; }},
    {"dmSize 224", 224, [](DEVMODEW* dm) { dm->dmSize = 224; }},
    {"dmSize 72", 72, [](DEVMODEW* dm) { dm->dmSize = 72; }},
    {"dmFields 0", 220, [](DEVMODEW* dm) { dm->dmFields = 0; }},
    {"dmSpecVersion 0", 220, [](DEVMODEW* dm) { dm->dmSpecVersion = 0; }},
};

TEST_F(DevmodeTest, MergeRejectsAndLeavesTheTarget) {
  for (const RejectCase& c : kRejects) {
    SCOPED_TRACE(c.what);
    auto target = testfakes::DefaultUiDevmode();
    const std::string before = Bytes(target.get(), 5080);
    // Build the input in a full record, then keep only the bytes its header declares.
    DevmodeBuffer full(5080);
    testfakes::MakePublicOnly(full.dm(), DM_ORIENTATION | DM_COPIES);
    full.dm()->dmOrientation = 2;
    c.shape(full.dm());
    DevmodeBuffer input(c.bytes);
    std::memcpy(input.bytes(), full.bytes(), c.bytes);
    EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 0);
    EXPECT_EQ(Bytes(target.get(), 5080), before);
  }
}

TEST_F(DevmodeTest, AllZeroDevmodeIsRejected) {
  auto target = testfakes::DefaultUiDevmode();
  const std::string before = Bytes(target.get(), 5080);
  DevmodeBuffer zeros(5080);
  EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), zeros.dm()), 0);
  EXPECT_EQ(Bytes(target.get(), 5080), before);
}

struct PrivateShapeCase {
  const char* what;
  WORD driverExtra;
  size_t bytes;
  bool writePriv;
  bool privateTaken;
};

TEST_F(DevmodeTest, OnlyAFullPrivPartReplacesThePrivateSettings) {
  const PrivateShapeCase cases[] = {
      {"public only", 0, 220, false, false},
      {"short private part", 100, 320, true, false},
      {"oversized private part", 6000, 6220, true, false},
      {"foreign private part", 4860, 5080, false, false},
      {"full private part", 4860, 5080, true, true},
  };
  for (const PrivateShapeCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto target = testfakes::DefaultUiDevmode();
    DevmodeBuffer input(c.bytes, 0x5A);
    testfakes::MakePublicOnly(input.dm(), DM_ORIENTATION | DM_COPIES);
    input.dm()->dmDriverExtra = c.driverExtra;
    input.dm()->dmOrientation = 2;
    input.dm()->dmCopies = 3;
    if (c.writePriv) std::memcpy(input.bytes() + 220, "PRIV", 4);
    if (c.driverExtra == 4860) {
      // A private part with a repairable value: multipleUp at 280.
      const int16_t multipleUp = 4;
      std::memcpy(input.bytes() + 220 + 280, &multipleUp, 2);
    }
    const std::string inputBefore = input.Snapshot();
    EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 1);
    EXPECT_EQ(input.Snapshot(), inputBefore);
    EXPECT_EQ(target->dmPublic.dmOrientation, 2);
    EXPECT_EQ(target->dmPublic.dmCopies, 3);
    EXPECT_EQ(target->dmPublic.dmSize, 220);
    EXPECT_EQ(target->dmPublic.dmDriverExtra, 4860);
    EXPECT_EQ(target->dmPublic.dmDriverVersion, 0x600);
    if (c.privateTaken) {
      EXPECT_EQ(target->dmPrivate.multipleUp, 4);
      // 0x5A5A bytes everywhere else were repaired field by field.
      EXPECT_EQ(target->dmPrivate.scaleRadio, 100);
      EXPECT_EQ(target->dmPrivate.colorMode, 1);
    } else {
      EXPECT_EQ(target->dmPrivate.multipleUp, 1);
      EXPECT_EQ(std::u16string_view(target->dmPrivate.favoriteName), u"Default Settings");
    }
  }
}

TEST_F(DevmodeTest, APrivPartOfAnotherVersionIsNotTaken) {
  for (auto shape : {+[](DEVMODEW* dm) { dm->dmDriverVersion = 0x500; },
                     +[](DEVMODEW* dm) { dm->dmSpecVersion = 0x400; }}) {
    auto target = testfakes::DefaultUiDevmode();
    DevmodeBuffer input(5080);
    testfakes::MakePublicOnly(input.dm(), DM_ORIENTATION);
    input.dm()->dmDriverExtra = 4860;
    std::memcpy(input.bytes() + 220, "PRIV", 4);
    shape(input.dm());
    EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 1);
    EXPECT_EQ(target->dmPrivate.multipleUp, 1);
  }
}

TEST_F(DevmodeTest, DuplexFiveTakesThePrivateWordOnlyFromOurPrivatePart) {
  {  // public only, exactly 220 bytes: there is no word to read
    auto target = testfakes::DefaultUiDevmode();
    DevmodeBuffer input(220);
    testfakes::MakePublicOnly(input.dm(), DM_DUPLEX);
    input.dm()->dmDuplex = 5;
    EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 1);
    EXPECT_EQ(target->dmPublic.dmDuplex, 5);
    EXPECT_EQ(target->dmPrivate.duplex, 1);
  }
  {  // our private part of an older driver version: only the word is taken
    auto target = testfakes::DefaultUiDevmode();
    DevmodeBuffer input(5080);
    testfakes::MakePublicOnly(input.dm(), DM_DUPLEX);
    input.dm()->dmDuplex = 5;
    input.dm()->dmDriverVersion = 0x500;
    input.dm()->dmDriverExtra = 4860;
    std::memcpy(input.bytes() + 220, "PRIV", 4);
    const int16_t word = 3;
    std::memcpy(input.bytes() + 226, &word, 2);
    EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 1);
    EXPECT_EQ(target->dmPrivate.duplex, 3);
  }
}

struct PublicCase {
  const char* what;
  DWORD fields;
  void (*shape)(DEVMODEW*);
  bool (*expect)(const DEVMODEW&);
};

const PublicCase kPublicCases[] = {
    {"orientation 2", DM_ORIENTATION, [](DEVMODEW* d) { d->dmOrientation = 2; },
     [](const DEVMODEW& t) { return t.dmOrientation == 2; }},
    {"orientation 3 ignored", DM_ORIENTATION, [](DEVMODEW* d) { d->dmOrientation = 3; },
     [](const DEVMODEW& t) { return t.dmOrientation == 1; }},
    {"orientation without its bit ignored", DM_COPIES, [](DEVMODEW* d) { d->dmOrientation = 2; },
     [](const DEVMODEW& t) { return t.dmOrientation == 1; }},
    {"copies 999", DM_COPIES, [](DEVMODEW* d) { d->dmCopies = 999; }, [](const DEVMODEW& t) { return t.dmCopies == 999; }},
    {"copies 1000 ignored", DM_COPIES, [](DEVMODEW* d) { d->dmCopies = 1000; }, [](const DEVMODEW& t) { return t.dmCopies == 1; }},
    {"copies 0 ignored", DM_COPIES, [](DEVMODEW* d) { d->dmCopies = 0; }, [](const DEVMODEW& t) { return t.dmCopies == 1; }},
    {"print quality any", DM_PRINTQUALITY, [](DEVMODEW* d) { d->dmPrintQuality = -3; },
     [](const DEVMODEW& t) { return t.dmPrintQuality == -3; }},
    {"resolution 1200 becomes 600", DM_YRESOLUTION, [](DEVMODEW* d) { d->dmYResolution = 1200; },
     [](const DEVMODEW& t) { return t.dmYResolution == 600; }},
    {"duplex 2", DM_DUPLEX, [](DEVMODEW* d) { d->dmDuplex = 2; }, [](const DEVMODEW& t) { return t.dmDuplex == 2; }},
    {"duplex 4 ignored", DM_DUPLEX, [](DEVMODEW* d) { d->dmDuplex = 4; }, [](const DEVMODEW& t) { return t.dmDuplex == 1; }},
    {"media type without its bit", DM_COPIES, [](DEVMODEW* d) { d->dmMediaType = 3; },
     [](const DEVMODEW& t) { return t.dmMediaType == 3; }},
    {"media type 0 ignored", DM_MEDIATYPE, [](DEVMODEW* d) { d->dmMediaType = 0; },
     [](const DEVMODEW& t) { return t.dmMediaType == 1; }},
    {"default source 4", DM_DEFAULTSOURCE, [](DEVMODEW* d) { d->dmDefaultSource = 4; },
     [](const DEVMODEW& t) { return t.dmDefaultSource == 4; }},
    {"default source 0 ignored", DM_DEFAULTSOURCE, [](DEVMODEW* d) { d->dmDefaultSource = 0; },
     [](const DEVMODEW& t) { return t.dmDefaultSource == 7; }},
    {"scale any", DM_SCALE, [](DEVMODEW* d) { d->dmScale = 37; }, [](const DEVMODEW& t) { return t.dmScale == 37; }},
    {"collate 1", DM_COLLATE, [](DEVMODEW* d) { d->dmCollate = 1; }, [](const DEVMODEW& t) { return t.dmCollate == 1; }},
    {"collate 2 ignored", DM_COLLATE, [](DEVMODEW* d) { d->dmCollate = 2; }, [](const DEVMODEW& t) { return t.dmCollate == 0; }},
    {"colour stays monochrome", DM_COLOR, [](DEVMODEW* d) { d->dmColor = 2; }, [](const DEVMODEW& t) { return t.dmColor == 1; }},
    {"Legal by id", DM_PAPERSIZE, [](DEVMODEW* d) { d->dmPaperSize = 5; },
     [](const DEVMODEW& t) { return t.dmPaperSize == 5 && t.dmPaperWidth == 2159 && t.dmPaperLength == 3556; }},
    {"A5 by width bit", DM_PAPERWIDTH, [](DEVMODEW* d) { d->dmPaperSize = 11; },
     [](const DEVMODEW& t) { return t.dmPaperSize == 11 && t.dmPaperWidth == 1480 && t.dmPaperLength == 2100; }},
    {"unknown paper takes the country's", DM_PAPERSIZE, [](DEVMODEW* d) { d->dmPaperSize = 256; },
     [](const DEVMODEW& t) { return t.dmPaperSize == 1 && t.dmPaperWidth == 2159 && t.dmPaperLength == 2794; }},
    {"custom id without a store record", DM_PAPERSIZE, [](DEVMODEW* d) { d->dmPaperSize = 300; },
     [](const DEVMODEW& t) { return t.dmPaperSize == 300 && t.dmPaperWidth == 2100 && t.dmPaperLength == 2970; }},
};

TEST_F(DevmodeTest, PublicFieldsMergeByTheirRules) {
  for (const PublicCase& c : kPublicCases) {
    SCOPED_TRACE(c.what);
    auto target = testfakes::DefaultUiDevmode();
    DevmodeBuffer input(220);
    testfakes::MakePublicOnly(input.dm(), c.fields);
    c.shape(input.dm());
    const std::string inputBefore = input.Snapshot();
    EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 1);
    EXPECT_TRUE(c.expect(target->dmPublic));
    EXPECT_EQ(input.Snapshot(), inputBefore);
  }
}

TEST_F(DevmodeTest, UnknownPaperFollowsTheCountry) {
  for (auto [country, paper] : {std::pair{"1", 1}, std::pair{"49", 9}}) {
    testfakes::SetCountry(country);
    auto target = testfakes::DefaultUiDevmode();
    DevmodeBuffer input(220);
    testfakes::MakePublicOnly(input.dm(), DM_PAPERSIZE);
    input.dm()->dmPaperSize = 256;
    vm4k2ui::MergeDevmode(target.get(), input.dm());
    EXPECT_EQ(target->dmPublic.dmPaperSize, paper) << country;
  }
}

TEST_F(DevmodeTest, AFieldIsTakenOnlyWhenBothSidesAnnounceIt) {
  auto target = testfakes::DefaultUiDevmode();
  target->dmPublic.dmFields &= ~DWORD{DM_COPIES};
  DevmodeBuffer input(220);
  testfakes::MakePublicOnly(input.dm(), DM_COPIES);
  input.dm()->dmCopies = 5;
  vm4k2ui::MergeDevmode(target.get(), input.dm());
  EXPECT_EQ(target->dmPublic.dmCopies, 1);
}

TEST_F(DevmodeTest, TheTargetKeepsItsOwnHeader) {
  auto target = testfakes::DefaultUiDevmode();
  target->dmPublic.dmDriverVersion = 0;  // a record built without defaults
  DevmodeBuffer input(220 + 16);
  testfakes::MakePublicOnly(input.dm(), DM_ORIENTATION);
  input.dm()->dmDriverVersion = 0x123;
  input.dm()->dmDriverExtra = 16;
  EXPECT_EQ(vm4k2ui::MergeDevmode(target.get(), input.dm()), 1);
  EXPECT_EQ(target->dmPublic.dmDriverVersion, 0);
  EXPECT_EQ(target->dmPublic.dmSize, 220);
  EXPECT_EQ(target->dmPublic.dmDriverExtra, 4860);
  EXPECT_EQ(target->dmPublic.dmSpecVersion, 0x401);
}

// ---- conversion --------------------------------------------------------------------------

TEST_F(DevmodeTest, ConvertIntoAFullRecordCopiesEverything) {
  auto source = testfakes::DefaultUiDevmode();
  source->dmPrivate.multipleUp = 4;
  DevmodeBuffer target(5080);
  vm4k2ui::SetDefaultDevmode(target.dm(), u"Other");
  EXPECT_EQ(vm4k2ui::ConvertDevmodeSize(target.dm(), &source->dmPublic), 5080u);
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 5080, &source->dmPublic), 5080u);
  EXPECT_EQ(target.Snapshot(), Bytes(source.get(), 5080));
}

TEST_F(DevmodeTest, ConvertIntoAPublicOnlyRecordKeepsItsSize) {
  auto source = testfakes::DefaultUiDevmode();
  DevmodeBuffer target(220);
  testfakes::MakePublicOnly(target.dm(), DM_ORIENTATION);
  target.dm()->dmDriverVersion = 0x77;
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 220, &source->dmPublic), 220u);
  EXPECT_EQ(target.dm()->dmDriverVersion, 0x77);
  EXPECT_EQ(target.dm()->dmDriverExtra, 0);
  EXPECT_EQ(target.dm()->dmFields, 0xBF1Fu);
}

TEST_F(DevmodeTest, ConvertNeverWritesPastTheCapacity) {
  // A target without a driver version takes the source's sizes: 5080 bytes that do not fit
  // in the 220 the caller has.
  auto source = testfakes::DefaultUiDevmode();
  DevmodeBuffer target(220);
  testfakes::MakePublicOnly(target.dm(), DM_ORIENTATION);
  target.dm()->dmDriverVersion = 0;
  const std::string before = target.Snapshot();
  EXPECT_EQ(vm4k2ui::ConvertDevmodeSize(target.dm(), &source->dmPublic), 5080u);
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 220, &source->dmPublic), 0u);
  EXPECT_EQ(target.Snapshot(), before);
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 71, &source->dmPublic), 0u);
}

TEST_F(DevmodeTest, ConvertZeroesAPrivatePartOfAnotherSize) {
  DevmodeBuffer source(220);
  testfakes::MakePublicOnly(source.dm(), DM_ORIENTATION);
  DevmodeBuffer target(5080, 0x77);
  vm4k2ui::SetDefaultDevmode(target.dm(), u"Other");
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 5080, source.dm()), 5080u);
  EXPECT_EQ(target.dm()->dmDriverExtra, 4860);
  EXPECT_EQ(target.Snapshot().substr(220), std::string(4860, '\0'));
}

TEST_F(DevmodeTest, ConvertNeedsSpecVersions) {
  auto source = testfakes::DefaultUiDevmode();
  DevmodeBuffer target(5080);
  vm4k2ui::SetDefaultDevmode(target.dm(), u"Other");
  target.dm()->dmSpecVersion = 0;
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 5080, &source->dmPublic), 0u);
  EXPECT_EQ(vm4k2ui::ConvertDevmode(target.dm(), 5080, nullptr), 0u);
}

// ---- copy-out ----------------------------------------------------------------------------

TEST_F(DevmodeTest, CopyOutWithoutInputIsTheWholeRecord) {
  auto context = testfakes::DefaultUiDevmode();
  EXPECT_EQ(vm4k2ui::CopyDevmodeOutSize(*context, nullptr), 5080u);
  DevmodeBuffer out(5080);
  EXPECT_EQ(vm4k2ui::CopyDevmodeOut(*context, nullptr, out.bytes(), 5080), 1);
  EXPECT_EQ(out.Snapshot(), Bytes(context.get(), 5080));
  DevmodeBuffer small(5079, 0x11);
  EXPECT_EQ(vm4k2ui::CopyDevmodeOut(*context, nullptr, small.bytes(), 5079), 0);
  EXPECT_EQ(small.Snapshot(), std::string(5079, '\x11'));
}

struct CopyOutCase {
  const char* what;
  WORD size;
  WORD driverVersion;
  WORD driverExtra;
  size_t expectedBytes;
};

TEST_F(DevmodeTest, CopyOutTakesTheSmallerSizes) {
  const CopyOutCase cases[] = {
      {"public only", 220, 0x600, 0, 220},
      {"public only without a driver version", 220, 0, 0, 220},
      {"full", 220, 0x600, 4860, 5080},
      {"larger than ours", 224, 0x600, 6000, 5080},
      {"older public part", 212, 0x500, 0, 212},
      {"short private part", 220, 0x600, 100, 320},
  };
  for (const CopyOutCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto context = testfakes::DefaultUiDevmode();
    DevmodeBuffer shape(8000);
    testfakes::MakePublicOnly(shape.dm(), DM_ORIENTATION);
    shape.dm()->dmSize = c.size;
    shape.dm()->dmDriverVersion = c.driverVersion;
    shape.dm()->dmDriverExtra = c.driverExtra;
    DevmodeBuffer input(size_t{c.size} + c.driverExtra);
    std::memcpy(input.bytes(), shape.bytes(), input.size());
    ASSERT_EQ(vm4k2ui::CopyDevmodeOutSize(*context, input.dm()), c.expectedBytes);
    DevmodeBuffer out(c.expectedBytes);
    EXPECT_EQ(vm4k2ui::CopyDevmodeOut(*context, input.dm(), out.bytes(), out.size()), 1);
    const DEVMODEW* o = out.dm();
    EXPECT_EQ(size_t{o->dmSize} + o->dmDriverExtra, c.expectedBytes);
    EXPECT_EQ(o->dmSize, std::min<WORD>(c.size, 220));
    EXPECT_EQ(o->dmDriverExtra, std::min<WORD>(c.driverExtra, 4860));
    EXPECT_EQ(o->dmDriverVersion, c.driverExtra < 4860 ? c.driverVersion : 0x600);
    EXPECT_EQ(0, std::memcmp(o->dmDeviceName, context->dmPublic.dmDeviceName, 64));
    if (c.driverExtra >= 4860) {
      EXPECT_EQ(0, std::memcmp(out.bytes() + 220, &context->dmPrivate, 4860));
    }
    DevmodeBuffer tooSmall(c.expectedBytes - 1, 0x22);
    EXPECT_EQ(vm4k2ui::CopyDevmodeOut(*context, input.dm(), tooSmall.bytes(), tooSmall.size()), 0);
    EXPECT_EQ(tooSmall.Snapshot(), std::string(tooSmall.size(), '\x22'));
  }
}

TEST_F(DevmodeTest, CopyOutIntoTheInputsOwnBuffer) {
  auto context = testfakes::DefaultUiDevmode();
  context->dmPublic.dmCopies = 9;
  DevmodeBuffer io(220);
  testfakes::MakePublicOnly(io.dm(), DM_ORIENTATION);
  EXPECT_EQ(vm4k2ui::CopyDevmodeOut(*context, io.dm(), io.bytes(), io.size()), 1);
  EXPECT_EQ(io.dm()->dmCopies, 9);
  EXPECT_EQ(io.dm()->dmSize, 220);
  EXPECT_EQ(io.dm()->dmDriverExtra, 0);
}

TEST_F(DevmodeTest, CopyOutRefusesAnInputWithoutAHeader) {
  auto context = testfakes::DefaultUiDevmode();
  DevmodeBuffer input(220);
  testfakes::MakePublicOnly(input.dm(), DM_ORIENTATION);
  input.dm()->dmSize = 40;
  EXPECT_EQ(vm4k2ui::CopyDevmodeOutSize(*context, input.dm()), 0u);
  DevmodeBuffer out(5080);
  EXPECT_EQ(vm4k2ui::CopyDevmodeOut(*context, input.dm(), out.bytes(), out.size()), 0);
}

}  // namespace
