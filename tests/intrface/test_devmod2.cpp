// The renderer's settings record: its defaults, version test and the merge with its field and
// section checks.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include <platform_testing.h>
#include <win/environment.h>

#include "gdi/util.h"
#include "intrface/devmod2.h"
#include "intrface/xmodel.h"
#include "temp_machine.h"

namespace {

std::u16string Text(const WCHAR* text) { return std::u16string(text); }

std::string g_trace;
void CaptureTrace(const char* text) { g_trace += text; }

class Devmode : public testing::Test {
 protected:
  void SetUp() override {
    PlatformTest_SetCountryCode(49, FALSE);
    PlatformTest_SetOsVersion(6, 1, 7601, nullptr, FALSE);
    g_trace.clear();
    Util_SetTraceHook(CaptureTrace);
    target_ = std::make_unique<RenderDevmode>();
    input_ = std::make_unique<RenderDevmode>();
    Devmode_SetDefaults(target_.get(), u"Velmor K8000");
    Devmode_SetDefaults(input_.get(), u"Velmor K8000");
  }
  void TearDown() override { Util_SetTraceHook(nullptr); }

  // The target after merging the input, expected to be accepted.
  const RenderDevmode& Merged() {
    EXPECT_TRUE(Devmode_Merge(target_.get(), input_.get()));
    return *target_;
  }

  testsupport::TempMachine machine_;
  std::unique_ptr<RenderDevmode> target_;
  std::unique_ptr<RenderDevmode> input_;
};

// ---- Defaults -----------------------------------------------------------------------------------

TEST_F(Devmode, DefaultsOfThePublicPart) {
  const DEVMODEW& p = target_->dmPublic;
  EXPECT_EQ(Text(p.dmDeviceName), u"Velmor K8000");
  EXPECT_EQ(p.dmSpecVersion, 0x401);
  EXPECT_EQ(p.dmDriverVersion, 0x500);
  EXPECT_EQ(p.dmSize, 220);
  EXPECT_EQ(p.dmDriverExtra, 14680);
  EXPECT_EQ(p.dmFields, 0x9F13u);
  EXPECT_EQ(p.dmOrientation, 1);
  EXPECT_EQ(p.dmPaperSize, 9);
  EXPECT_EQ(p.dmPaperLength, 2970);
  EXPECT_EQ(p.dmPaperWidth, 2100);
  EXPECT_EQ(Text(p.dmFormName), u"A4");
  EXPECT_EQ(p.dmCopies, 1);
  EXPECT_EQ(p.dmColor, 1);
  EXPECT_EQ(p.dmDuplex, 1);
  EXPECT_EQ(p.dmTTOption, 1);
  EXPECT_EQ(p.dmCollate, 1);
  EXPECT_EQ(p.dmScale, 100);
  EXPECT_EQ(p.dmDefaultSource, 7);
  EXPECT_EQ(p.dmPrintQuality, 600);
  EXPECT_EQ(p.dmYResolution, 600);
}

TEST_F(Devmode, DefaultsOfThePrivatePart) {
  const RenderPrivate& v = target_->dmPrivate;
  EXPECT_EQ(v.bPrivFlag0, 1);
  EXPECT_EQ(v.bPrivFlag1, 0);
  EXPECT_EQ(v.wPrivWord8, 25);
  EXPECT_EQ(v.dwSignature, 0x56495250u);
  EXPECT_EQ(std::memcmp(reinterpret_cast<const BYTE*>(&v) + 16, "PRIV", 4), 0);
  EXPECT_EQ(Text(v.szPrivName), u"Standard");
  EXPECT_EQ(v.nup.bNupNum, 1);
  EXPECT_EQ(v.position.bPosition118, 1);
  EXPECT_EQ(v.scale.SRatio, 100);
  EXPECT_EQ(v.scale.FtoPaper, 0);
  EXPECT_EQ(v.paper.sPaperId, 9);
  EXPECT_EQ(v.paper.bOrientation, 1);
  EXPECT_EQ(v.custom[0].dwCustomPaperId, 9u);
  EXPECT_EQ(v.custom[0].dwCustomLength, 2970u);
  EXPECT_EQ(v.custom[0].dwCustomWidth, 2100u);
  EXPECT_EQ(v.booklet.bBookletCount, 5);
  EXPECT_EQ(v.booklet.sBooklet12, 1);
  EXPECT_EQ(v.booklet.bLetterDefault, 0);
  EXPECT_EQ(Text(v.header.szTypeFace), u"Times New Roman");
  EXPECT_EQ(v.header.sFontSize, 9);
  EXPECT_EQ(v.bExtra[0], 1);
  EXPECT_EQ(v.device.bDevice0, 1);
  EXPECT_EQ(v.device.bUiExtra3, 1);
  EXPECT_EQ(v.device.wUiExtra4, 95);
  EXPECT_EQ(v.device.wDevice16, 2);
  EXPECT_EQ(v.dwDumpFlags, 526u);
  EXPECT_EQ(Text(v.szDumpFile), u"c:\\ui.txt");
  EXPECT_EQ(Text(v.szDumpFile2), u"c:\\text.txt");
  EXPECT_EQ(v.dwPriv14664[0], 100u);
  EXPECT_EQ(v.dwPriv14664[1], 100u);
  EXPECT_EQ(v.dwPriv14672, 100u);
  EXPECT_EQ(v.wmark.wmIndex, 0);
}

TEST_F(Devmode, LetterCountriesAndAnUnreadableLocale) {
  struct Case {
    DWORD country;  // 0: unreadable
    bool metric;
  } const cases[] = {{1, false},  {2, false},  {50, false}, {55, false}, {59, false}, {500, false},
                     {599, false}, {0, false}, {49, true},  {3, true},   {49, true},  {60, true},
                     {499, true},  {600, true}, {44, true}, {81, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.country);
    if (c.country == 0) {
      PlatformTest_SetLocaleUnreadable(TRUE, FALSE);
    } else {
      PlatformTest_SetLocaleUnreadable(FALSE, FALSE);
      PlatformTest_SetCountryCode(c.country, FALSE);
    }
    EXPECT_EQ(Devmode_IsMetricLocale(), c.metric);
    RenderDevmode dm;
    Devmode_SetDefaults(&dm, nullptr);
    EXPECT_EQ(dm.dmPublic.dmDeviceName[0], 0);
    if (c.metric) {
      EXPECT_EQ(dm.dmPublic.dmPaperSize, 9);
      EXPECT_EQ(dm.dmPrivate.booklet.bLetterDefault, 0);
    } else {
      EXPECT_EQ(dm.dmPublic.dmPaperSize, 1);
      EXPECT_EQ(dm.dmPublic.dmPaperWidth, 2159);
      EXPECT_EQ(dm.dmPublic.dmPaperLength, 2794);
      EXPECT_EQ(Text(dm.dmPublic.dmFormName), u"Letter");
      EXPECT_EQ(dm.dmPrivate.booklet.bLetterDefault, 1);
    }
  }
  PlatformTest_SetLocaleUnreadable(FALSE, FALSE);
}

TEST_F(Devmode, DeviceNameIsCutTo31Characters) {
  const std::u16string longName(40, u'n');
  RenderDevmode dm;
  Devmode_SetDefaults(&dm, longName.c_str());
  EXPECT_EQ(Text(dm.dmPublic.dmDeviceName), std::u16string(31, u'n'));
}

TEST_F(Devmode, FormsFolderByOperatingSystem) {
  struct Case {
    DWORD major, minor;
    const char16_t* folder;
  } const cases[] = {
      {6, 1, u"\\Halvard\\Form"}, {6, 0, u"\\Halvard\\Form"}, {6, 3, u"\\Halvard\\Form"},
      {5, 1, u"\\Documents\\Halvard\\Form"}, {10, 0, u"\\Documents\\Halvard\\Form"},
  };
  SetEnvironmentVariableW(u"PUBLIC", u"C:\\Users\\Public");
  SetEnvironmentVariableW(u"ALLUSERSPROFILE", u"C:\\ProgramData");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
    PlatformTest_SetOsVersion(c.major, c.minor, 1, nullptr, FALSE);
    OVERLAY_DLG overlay{};
    Devmode_GetFormsFolder(&overlay);
    const std::u16string base = c.major == 6 ? u"C:\\Users\\Public" : u"C:\\ProgramData";
    EXPECT_EQ(Text(overlay.szFormName), base + c.folder);
    EXPECT_EQ(Text(overlay.OverlayFile), base + c.folder);
  }
}

TEST_F(Devmode, FormsFolderThatWouldNotFitIsLeftEmpty) {
  PlatformTest_SetOsVersion(6, 1, 1, nullptr, FALSE);
  OVERLAY_DLG overlay;
  std::memset(&overlay, 0x55, sizeof(overlay));
  // 256 units hold 255 characters: the longest variable that still fits leaves exactly that.
  const std::u16string tail = u"\\Halvard\\Form";
  std::u16string fits = u"C:\\" + std::u16string(255 - tail.size() - 3, u'p');
  SetEnvironmentVariableW(u"PUBLIC", fits.c_str());
  Devmode_GetFormsFolder(&overlay);
  EXPECT_EQ(Text(overlay.szFormName), fits + tail);
  std::u16string tooLong = fits + u"q";
  SetEnvironmentVariableW(u"PUBLIC", tooLong.c_str());
  Devmode_GetFormsFolder(&overlay);
  EXPECT_EQ(overlay.szFormName[0], 0);
  EXPECT_EQ(overlay.OverlayFile[0], 0);
  SetEnvironmentVariableW(u"PUBLIC", std::u16string(600, u'x').c_str());
  Devmode_GetFormsFolder(&overlay);
  EXPECT_EQ(overlay.szFormName[0], 0);
  SetEnvironmentVariableW(u"PUBLIC", nullptr);
  Devmode_GetFormsFolder(&overlay);
  EXPECT_EQ(overlay.szFormName[0], 0);
}

// ---- Version ------------------------------------------------------------------------------------

TEST_F(Devmode, VersionFollowsTheSize) {
  struct Case {
    WORD size, spec, result;
  } const cases[] = {{188, 0x999, 0x320}, {212, 0x401, 0x400}, {220, 0x0, 0x401},
                     {216, 0x123, 0x123}, {0, 0, 0},           {5080, 0x401, 0x401}};
  for (const Case& c : cases) {
    DEVMODEW dm{};
    dm.dmSize = c.size;
    dm.dmSpecVersion = c.spec;
    EXPECT_EQ(CheckDevmodeVersion(&dm), c.result) << c.size;
  }
  EXPECT_EQ(g_trace, "");
  EXPECT_EQ(CheckDevmodeVersion(nullptr), 0);
  EXPECT_EQ(g_trace, "CheckDevmodeVersion get NULL pointer!\n");
}

// ---- Merge entry ------------------------------------------------------------------------------

TEST_F(Devmode, NoInputIsAcceptedAndChangesNothing) {
  const RenderDevmode before = *target_;
  EXPECT_TRUE(Devmode_Merge(target_.get(), nullptr));
  EXPECT_EQ(std::memcmp(&before, target_.get(), sizeof(before)), 0);
}

TEST_F(Devmode, RefusedInputsLeaveTheTargetAsItWas) {
  const std::function<void(RenderDevmode&, RenderDevmode&)> breakers[] = {
      [](RenderDevmode&, RenderDevmode& in) { in.dmPublic.dmDeviceName[0] = 0; },
      [](RenderDevmode&, RenderDevmode& in) { in.dmPublic.dmSize = 100, in.dmPublic.dmSpecVersion = 0; },
      [](RenderDevmode& t, RenderDevmode&) { t.dmPublic.dmSize = 0, t.dmPublic.dmSpecVersion = 0; },
  };
  for (const auto& breakIt : breakers) {
    Devmode_SetDefaults(target_.get(), u"T");
    Devmode_SetDefaults(input_.get(), u"I");
    input_->dmPublic.dmCopies = 5;
    breakIt(*target_, *input_);
    const RenderDevmode before = *target_;
    EXPECT_FALSE(Devmode_Merge(target_.get(), input_.get()));
    EXPECT_EQ(std::memcmp(&before, target_.get(), sizeof(before)), 0);
  }
}

TEST_F(Devmode, TheTargetKeepsItsHeader) {
  input_->dmPublic.dmDriverVersion = 0x500;
  target_->dmPublic.dmSize = 212;  // the version follows the size
  target_->dmPublic.dmSpecVersion = 0x777;
  const RenderDevmode& m = Merged();
  EXPECT_EQ(m.dmPublic.dmSpecVersion, 0x400);
  EXPECT_EQ(m.dmPublic.dmSize, 212);
  EXPECT_EQ(m.dmPublic.dmDriverVersion, 0x500);
  EXPECT_EQ(m.dmPublic.dmDriverExtra, 14680);

  Devmode_SetDefaults(target_.get(), u"T");
  target_->dmPublic.dmDriverVersion = 0;  // an empty header takes the input's
  input_->dmPublic.dmDriverExtra = 14680;
  input_->dmPublic.dmDriverVersion = 0x321;
  const RenderDevmode& m2 = Merged();
  EXPECT_EQ(m2.dmPublic.dmDriverVersion, 0x321);
}

TEST_F(Devmode, InsideStressProgramsNothingIsTaken) {
  for (const char* program : {"printdrvstress.exe", "PRINTDRVSTRESS.EXE", "DevModeCorruptW.exe",
                              "ntsd printdrvstress.exe"}) {
    SCOPED_TRACE(program);
    PlatformTest_SetImageName(program, FALSE);
    Devmode_SetDefaults(target_.get(), u"T");
    target_->dmPrivate.dwDumpFlags = 0;
    input_->dmPublic.dmCopies = 7;
    input_->dmPrivate.nup.bNupNum = 4;
    const RenderDevmode before = *target_;
    EXPECT_TRUE(Devmode_Merge(target_.get(), input_.get()));
    EXPECT_EQ(std::memcmp(&before, target_.get(), sizeof(before)), 0);
  }
  PlatformTest_SetImageName("app.exe", FALSE);
  EXPECT_EQ(Merged().dmPublic.dmCopies, 7);
  PlatformTest_SetImageName(nullptr, FALSE);
}

// ---- Public fields ------------------------------------------------------------------------------

TEST_F(Devmode, PublicFieldsAreTakenWithinTheirRanges) {
  struct Case {
    const char* name;
    std::function<void(DEVMODEW&)> set;
    std::function<void(const DEVMODEW&)> check;
  } const cases[] = {
      {"orientation 2", [](DEVMODEW& d) { d.dmOrientation = 2; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmOrientation, 2); }},
      {"orientation 3 sets 1", [](DEVMODEW& d) { d.dmOrientation = 3; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmOrientation, 1); }},
      {"copies 999", [](DEVMODEW& d) { d.dmCopies = 999; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmCopies, 999); }},
      {"copies 1000 sets 1", [](DEVMODEW& d) { d.dmCopies = 1000; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmCopies, 1); }},
      {"copies 0 sets 1", [](DEVMODEW& d) { d.dmCopies = 0; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmCopies, 1); }},
      {"quality high with 600", [](DEVMODEW& d) { d.dmPrintQuality = -4; d.dmYResolution = 600; },
       [](const DEVMODEW& d) { EXPECT_EQ(d.dmPrintQuality, -4); }},
      {"quality 300 ignored", [](DEVMODEW& d) { d.dmPrintQuality = 300; d.dmYResolution = 300; },
       [](const DEVMODEW& d) { EXPECT_EQ(d.dmPrintQuality, 600); EXPECT_EQ(d.dmYResolution, 600); }},
      {"duplex 3", [](DEVMODEW& d) { d.dmDuplex = 3; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmDuplex, 3); }},
      {"duplex 4 ignored", [](DEVMODEW& d) { d.dmDuplex = 4; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmDuplex, 1); }},
      {"paper 5 with its size", [](DEVMODEW& d) { d.dmPaperSize = 5; d.dmPaperWidth = 2159; d.dmPaperLength = 3556; },
       [](const DEVMODEW& d) { EXPECT_EQ(d.dmPaperSize, 5); EXPECT_EQ(d.dmPaperLength, 3556); }},
      {"paper 244 sets A4", [](DEVMODEW& d) { d.dmPaperSize = 244; d.dmPaperWidth = 1; d.dmPaperLength = 1; },
       [](const DEVMODEW& d) { EXPECT_EQ(d.dmPaperSize, 9); EXPECT_EQ(d.dmPaperWidth, 2100); EXPECT_EQ(d.dmPaperLength, 2970); }},
      {"source 4", [](DEVMODEW& d) { d.dmDefaultSource = 4; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmDefaultSource, 4); }},
      {"source -3 (any)", [](DEVMODEW& d) { d.dmDefaultSource = -3; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmDefaultSource, -3); }},
      {"scale 10", [](DEVMODEW& d) { d.dmScale = 10; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmScale, 10); }},
      {"scale 400", [](DEVMODEW& d) { d.dmScale = 400; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmScale, 400); }},
      {"scale 5 kept", [](DEVMODEW& d) { d.dmScale = 5; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmScale, 100); }},
      {"collate 0", [](DEVMODEW& d) { d.dmCollate = 0; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmCollate, 0); }},
      {"collate 2 ignored", [](DEVMODEW& d) { d.dmCollate = 2; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmCollate, 1); }},
      {"colour forced to 1", [](DEVMODEW& d) { d.dmColor = 2; }, [](const DEVMODEW& d) { EXPECT_EQ(d.dmColor, 1); }},
      {"tt option taken", [](DEVMODEW& d) { d.dmTTOption = 3; d.dmFields &= ~DM_TTOPTION; },
       [](const DEVMODEW& d) { EXPECT_EQ(d.dmTTOption, 3); }},
      {"no field bits, nothing taken", [](DEVMODEW& d) { d.dmFields = 0; d.dmCopies = 9; d.dmOrientation = 2; },
       [](const DEVMODEW& d) { EXPECT_EQ(d.dmCopies, 1); EXPECT_EQ(d.dmOrientation, 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Devmode_SetDefaults(target_.get(), u"T");
    target_->dmPublic.dmFields |= DM_YRESOLUTION | DM_TTOPTION;
    Devmode_SetDefaults(input_.get(), u"I");
    input_->dmPublic.dmFields |= DM_YRESOLUTION | DM_TTOPTION;
    c.set(input_->dmPublic);
    c.check(Merged().dmPublic);
  }
}

TEST_F(Devmode, ScaleOutOfRangeIsNoted) {
  input_->dmPublic.dmScale = 401;
  Merged();
  EXPECT_NE(g_trace.find("Line:945"), std::string::npos);
}

TEST_F(Devmode, A1200DpiRequestSetsTheResolutionIndex) {
  input_->dmPublic.dmYResolution = 1200;
  const RenderDevmode& m = Merged();
  EXPECT_EQ(m.dmPrivate.image.bResolution, 1);
  EXPECT_EQ(m.dmPrivate.bHighResolution, 1);
  EXPECT_EQ(m.dmPublic.dmPrintQuality, 1200);
  EXPECT_EQ(m.dmPublic.dmYResolution, 1200);
}

TEST_F(Devmode, EveryMergeStampsTheTarget) {
  target_->dmPrivate.dwDumpFlags = 0x80;
  target_->dmPrivate.szDumpFile[0] = 0;
  target_->dmPrivate.bFlags14660 = 0x01;
  input_->dmPrivate.dwDumpFlags = 0xFFFFFFFF;
  const RenderDevmode& m = Merged();
  EXPECT_EQ(m.dmPrivate.dwDumpFlags, 526u);
  EXPECT_EQ(Text(m.dmPrivate.szDumpFile), u"c:\\ui.txt");
  EXPECT_EQ(Text(m.dmPrivate.szDumpFile2), u"c:\\text.txt");
  EXPECT_EQ(m.dmPrivate.bFlags14660, 0x8D);
  const int a4 = XModel_PaperRow(9), a2 = XModel_PaperRow(66), dl = XModel_PaperRow(27);
  EXPECT_EQ(std::string(m.dmPrivate.address.bPaperMediaMatrix[a4], 6), "ooxooo");
  EXPECT_EQ(std::string(m.dmPrivate.address.bPaperMediaMatrix[a2], 6), "ooxoxx");
  EXPECT_EQ(std::string(m.dmPrivate.address.bPaperMediaMatrix[dl], 6), "ooooxx");
}

// ---- Private part --------------------------------------------------------------------------------

TEST_F(Devmode, PrivatePartNeedsTheRenderersVersionAndSignature) {
  const std::function<void(DEVMODEW&, RenderPrivate&)> foreign[] = {
      [](DEVMODEW& d, RenderPrivate&) { d.dmDriverVersion = 0x600; },
      [](DEVMODEW& d, RenderPrivate&) { d.dmSpecVersion = 0x400; },
      [](DEVMODEW& d, RenderPrivate&) { d.dmDriverExtra = 4860; },
      [](DEVMODEW&, RenderPrivate& p) { p.dwSignature = 0; },
  };
  for (const auto& makeForeign : foreign) {
    Devmode_SetDefaults(target_.get(), u"T");
    Devmode_SetDefaults(input_.get(), u"I");
    input_->dmPrivate.nup.bNupNum = 4;
    input_->dmPublic.dmCopies = 3;
    makeForeign(input_->dmPublic, input_->dmPrivate);
    const RenderDevmode& m = Merged();
    EXPECT_EQ(m.dmPrivate.nup.bNupNum, 1);
    EXPECT_EQ(m.dmPublic.dmCopies, 3);  // the public part still merges
  }
}

struct SectionCase {
  const char* name;
  std::function<void(RenderPrivate&)> pass;  // a change the checks accept
  std::function<void(RenderPrivate&)> fail;  // one failing field of the same section
  std::function<bool(const RenderPrivate&)> crossed;  // the passing change arrived
};

// Each section crosses whole with its passing change; with one failing field added, the whole
// section keeps the target's values while the rest of the input still crosses.
TEST_F(Devmode, SectionsCrossWholeOrNotAtAll) {
  const SectionCase cases[] = {
      {"NUPDLG", [](RenderPrivate& p) { p.nup.bNupNum = 4; p.nup.bNupFlags = 4; },
       [](RenderPrivate& p) { p.nup.bNupPageOrder = 4; },
       [](const RenderPrivate& p) { return p.nup.bNupNum == 4 && p.nup.bNupFlags == 4; }},
      {"NUPDLG count 3", [](RenderPrivate& p) { p.nup.bNupNum = 16; p.nup.bNupPageOrder = 3; },
       [](RenderPrivate& p) { p.nup.bNupNum = 3; },
       [](const RenderPrivate& p) { return p.nup.bNupNum == 16 && p.nup.bNupPageOrder == 3; }},
      {"POSTER_DLG", [](RenderPrivate& p) { p.poster.wPosterType = 2; p.poster.bCropMarks = 1; },
       [](RenderPrivate& p) { p.poster.wPosterType = 3; },
       [](const RenderPrivate& p) { return p.poster.wPosterType == 2 && p.poster.bCropMarks == 1; }},
      {"poster layout bytes", [](RenderPrivate& p) { p.bPosterLayout = 1; p.bRotate180 = 3; p.bPriv1882 = 2; },
       [](RenderPrivate& p) { p.bRotate180 = 4; },
       [](const RenderPrivate& p) { return p.bPosterLayout == 1 && p.bRotate180 == 3 && p.bPriv1882 == 2; }},
      {"booklet", [](RenderPrivate& p) { p.booklet.bBookletCount = 50; p.booklet.lGutter = 1181; },
       [](RenderPrivate& p) { p.booklet.sBooklet8 = -1; },
       [](const RenderPrivate& p) { return p.booklet.bBookletCount == 50 && p.booklet.lGutter == 1181; }},
      {"booklet count 51", [](RenderPrivate& p) { p.booklet.lGutter = 7; },
       [](RenderPrivate& p) { p.booklet.bBookletCount = 51; },
       [](const RenderPrivate& p) { return p.booklet.lGutter == 7; }},
      {"SCAL_DLG", [](RenderPrivate& p) { p.scale.ISFSet = 1; p.scale.SRatio = 400; p.scale.FtoPaper = 300; },
       [](RenderPrivate& p) { p.scale.SRatio = 24; },
       [](const RenderPrivate& p) { return p.scale.ISFSet == 1 && p.scale.SRatio == 400 && p.scale.FtoPaper == 300; }},
      {"SCAL_DLG fit", [](RenderPrivate& p) { p.scale.SRatio = 25; },
       [](RenderPrivate& p) { p.scale.FtoPaper = 301; },
       [](const RenderPrivate& p) { return p.scale.SRatio == 25; }},
      {"WMARKDATA", [](RenderPrivate& p) { p.wmark.wmIndex = 32; p.wmark.wmAngle = -90; p.wmark.wmPosition = 10; },
       [](RenderPrivate& p) { p.wmark.wmAngle = 91; },
       [](const RenderPrivate& p) { return p.wmark.wmIndex == 32 && p.wmark.wmAngle == -90; }},
      {"WMARKDATA index", [](RenderPrivate& p) { p.wmark.wmIndex = 1; },
       [](RenderPrivate& p) { p.wmark.wmIndex = 33; }, [](const RenderPrivate& p) { return p.wmark.wmIndex == 1; }},
      {"WMARKDATA shade", [](RenderPrivate& p) { p.wmark.wmShade = 7; p.wmark.wmIndex = 2; },
       [](RenderPrivate& p) { p.wmark.wmShade = 8; }, [](const RenderPrivate& p) { return p.wmark.wmShade == 7; }},
      {"WMARKDATA tile", [](RenderPrivate& p) { p.wmark.wmTile = 5; p.wmark.wmSpacing = 2; },
       [](RenderPrivate& p) { p.wmark.wmTile = -1; }, [](const RenderPrivate& p) { return p.wmark.wmTile == 5; }},
      {"WMARKDATA spacing", [](RenderPrivate& p) { p.wmark.wmIndex = 3; },
       [](RenderPrivate& p) { p.wmark.wmSpacing = 3; }, [](const RenderPrivate& p) { return p.wmark.wmIndex == 3; }},
      {"WMARKDATA sizes", [](RenderPrivate& p) { p.wmark.wmFontSize = 600; },
       [](RenderPrivate& p) { p.wmark.wmHori = -1; }, [](const RenderPrivate& p) { return p.wmark.wmFontSize == 600; }},
      {"WMARKDATA modify", [](RenderPrivate& p) { p.wmark.wmModify = 1; },
       [](RenderPrivate& p) { p.wmark.wmModify = 2; }, [](const RenderPrivate& p) { return p.wmark.wmModify == 1; }},
      {"WMARKDATA position", [](RenderPrivate& p) { p.wmark.wmPosition = 5; },
       [](RenderPrivate& p) { p.wmark.wmPosition = 11; }, [](const RenderPrivate& p) { return p.wmark.wmPosition == 5; }},
      {"device group", [](RenderPrivate& p) { p.device.wUiExtra4 = 240; p.device.dwUiExtra1 = 1; p.device.bBlackConversion = 3; },
       [](RenderPrivate& p) { p.device.wUiExtra4 = 241; },
       [](const RenderPrivate& p) { return p.device.wUiExtra4 == 240 && p.device.dwUiExtra1 == 1; }},
      {"device group 13604", [](RenderPrivate& p) { p.device.wDevice16 = 8; },
       [](RenderPrivate& p) { p.device.wDevice16 = 9; }, [](const RenderPrivate& p) { return p.device.wDevice16 == 8; }},
      {"device group black", [](RenderPrivate& p) { p.device.dwUiExtra2 = 1; },
       [](RenderPrivate& p) { p.device.bBlackConversion = 4; }, [](const RenderPrivate& p) { return p.device.dwUiExtra2 == 1; }},
      {"device group flags", [](RenderPrivate& p) { p.device.bUiExtra3 = 0; },
       [](RenderPrivate& p) { p.device.bDevice20 = 2; }, [](const RenderPrivate& p) { return p.device.bUiExtra3 == 0; }},
      {"image adjustment", [](RenderPrivate& p) { p.image.sBrightness[3] = -100; p.image.cShadows[0] = 3; },
       [](RenderPrivate& p) { p.image.sContrast[1] = 101; },
       [](const RenderPrivate& p) { return p.image.sBrightness[3] == -100 && p.image.cShadows[0] == 3; }},
      {"image tone", [](RenderPrivate& p) { p.image.bGammaCorrection = 4; },
       [](RenderPrivate& p) { p.image.cMidtones[2] = -4; }, [](const RenderPrivate& p) { return p.image.bGammaCorrection == 4; }},
      {"image resolution", [](RenderPrivate& p) { p.image.bResolution = 1; },
       [](RenderPrivate& p) { p.image.bResolution = 2; }, [](const RenderPrivate& p) { return p.image.bResolution == 1; }},
      {"image strings", [](RenderPrivate& p) { std::strcpy(p.image.szMonitor, "sRGB"); },
       [](RenderPrivate& p) { std::memset(p.image.szInputImage, 'x', sizeof(p.image.szInputImage)); },
       [](const RenderPrivate& p) { return std::string(p.image.szMonitor) == "sRGB"; }},
      {"header and footer", [](RenderPrivate& p) { p.header.sFontSize = 12; p.header.items[5].position = 5; },
       [](RenderPrivate& p) { p.header.items[0].position = 6; },
       [](const RenderPrivate& p) { return p.header.sFontSize == 12; }},
      {"header typeface", [](RenderPrivate& p) { p.header.bBold = 1; },
       [](RenderPrivate& p) { for (WCHAR& c : p.header.szTypeFace) c = u'T'; },
       [](const RenderPrivate& p) { return p.header.bBold == 1; }},
      {"address list", [](RenderPrivate& p) { p.address.wCount = 16; p.address.entries[0].szName[0] = u'a'; },
       [](RenderPrivate& p) { p.address.wCount = 17; },
       [](const RenderPrivate& p) { return p.address.wCount == 16 && p.address.entries[0].szName[0] == u'a'; }},
      {"address entry", [](RenderPrivate& p) { p.address.wCount = 2; },
       [](RenderPrivate& p) { for (WCHAR& c : p.address.entries[15].szAddress) c = u'@'; },
       [](const RenderPrivate& p) { return p.address.wCount == 2; }},
      {"address name", [](RenderPrivate& p) { p.address.wCount = 1; },
       [](RenderPrivate& p) { for (WCHAR& c : p.address.szListName) c = u'n'; },
       [](const RenderPrivate& p) { return p.address.wCount == 1; }},
      {"custom slots", [](RenderPrivate& p) { p.custom[19].dwCustomWidthDots = 3000; p.custom[19].wCustomPaper = 1; },
       [](RenderPrivate& p) { p.custom[3].dwCustomLength = static_cast<DWORD>(-5); },
       [](const RenderPrivate& p) { return p.custom[19].dwCustomWidthDots == 3000; }},
      {"position table", [](RenderPrivate& p) { p.position.rows[48].bottom = 1181; p.position.bPosition118 = 0; },
       [](RenderPrivate& p) { p.position.rows[0].left = 1182; },
       [](const RenderPrivate& p) { return p.position.rows[48].bottom == 1181 && p.position.bPosition118 == 0; }},
      {"OVERLAY_DLG", [](RenderPrivate& p) { p.overlay.bOverlay = 2; },
       [](RenderPrivate& p) { p.overlay.bOverlay = 3; }, [](const RenderPrivate& p) { return p.overlay.bOverlay == 2; }},
      {"OVERLAY_DLG path", [](RenderPrivate& p) { p.overlay.bOverlay = 1; },
       [](RenderPrivate& p) { for (WCHAR& c : p.overlay.OverlayFile) c = u'f'; },
       [](const RenderPrivate& p) { return p.overlay.bOverlay == 1; }},
  };
  for (const SectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool failing : {false, true}) {
      SCOPED_TRACE(failing ? "with a failing field" : "passing");
      Devmode_SetDefaults(target_.get(), u"T");
      Devmode_SetDefaults(input_.get(), u"I");
      c.pass(input_->dmPrivate);
      if (failing) c.fail(input_->dmPrivate);
      input_->dmPrivate.wPaperSource = 2;  // outside every section: crosses either way
      // What the same merge gives without the section's changes.
      auto expected = std::make_unique<RenderDevmode>();
      auto plainInput = std::make_unique<RenderDevmode>();
      Devmode_SetDefaults(expected.get(), u"T");
      Devmode_SetDefaults(plainInput.get(), u"I");
      plainInput->dmPrivate.wPaperSource = 2;
      ASSERT_TRUE(Devmode_Merge(expected.get(), plainInput.get()));
      const RenderPrivate& m = Merged().dmPrivate;
      EXPECT_EQ(m.wPaperSource, 2);
      EXPECT_EQ(c.crossed(m), !failing);
      if (failing) {
        // The whole section kept the target's values; nothing else changed.
        EXPECT_EQ(std::memcmp(&m, &expected->dmPrivate, sizeof(m)), 0);
      }
    }
  }
}

TEST_F(Devmode, WatermarkStringsAreCheckedWithinTheirOwnFields) {
  struct Case {
    const char* name;
    size_t stringChars, contentChars, faceChars;
    bool crosses;
  } const cases[] = {
      {"full-length path", 0, 260, 0, true},   {"content 261", 0, 261, 0, true},
      {"content fills its field", 0, 262, 0, false}, {"text 260", 260, 0, 0, true},
      {"text fills its field", 261, 0, 0, false}, {"face 31", 0, 0, 31, true},
      {"face fills its field", 0, 0, 32, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Devmode_SetDefaults(target_.get(), u"T");
    Devmode_SetDefaults(input_.get(), u"I");
    WMARKDATA& wm = input_->dmPrivate.wmark;
    wm.wmIndex = 1;
    for (size_t i = 0; i < c.stringChars; ++i) wm.wmString[i] = u's';
    for (size_t i = 0; i < c.contentChars; ++i) wm.wmContent[i] = u'c';
    for (size_t i = 0; i < c.faceChars; ++i) wm.wmTypeFace[i] = u'f';
    EXPECT_EQ(Merged().dmPrivate.wmark.wmIndex, c.crosses ? 1 : 0);
  }
}

TEST_F(Devmode, SingleFieldsCrossEachOnItsOwn) {
  struct Case {
    const char* name;
    std::function<void(RenderPrivate&)> set;
    std::function<void(const RenderPrivate&)> check;
  } const cases[] = {
      {"paper source 2", [](RenderPrivate& p) { p.wPaperSource = 2; }, [](const RenderPrivate& p) { EXPECT_EQ(p.wPaperSource, 2); }},
      {"paper source 3", [](RenderPrivate& p) { p.wPaperSource = 3; }, [](const RenderPrivate& p) { EXPECT_EQ(p.wPaperSource, 0); }},
      {"byte 0 is 2", [](RenderPrivate& p) { p.bPrivFlag0 = 2; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bPrivFlag0, 2); }},
      {"byte 0 is 0", [](RenderPrivate& p) { p.bPrivFlag0 = 0; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bPrivFlag0, 1); }},
      {"document style 2", [](RenderPrivate& p) { p.bDocumentStyle = 2; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bDocumentStyle, 2); }},
      {"document style 3", [](RenderPrivate& p) { p.bDocumentStyle = 3; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bDocumentStyle, 0); }},
      {"booklet flag 2", [](RenderPrivate& p) { p.bBooklet = 2; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bBooklet, 2); }},
      {"booklet flag 3", [](RenderPrivate& p) { p.bBooklet = 3; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bBooklet, 0); }},
      {"first page only", [](RenderPrivate& p) { p.bFirstPageOnly = 1; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bFirstPageOnly, 1); }},
      {"first page only 2", [](RenderPrivate& p) { p.bFirstPageOnly = 2; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bFirstPageOnly, 0); }},
      {"byte 14676", [](RenderPrivate& p) { p.bHighResolution = 1; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bHighResolution, 1); }},
      {"byte 14676 is 2", [](RenderPrivate& p) { p.bHighResolution = 2; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bHighResolution, 0); }},
      {"word 8 is 31", [](RenderPrivate& p) { p.wPrivWord8 = 31; }, [](const RenderPrivate& p) { EXPECT_EQ(p.wPrivWord8, 31); }},
      {"word 8 is 32", [](RenderPrivate& p) { p.wPrivWord8 = 32; }, [](const RenderPrivate& p) { EXPECT_EQ(p.wPrivWord8, 25); }},
      {"word 12 always", [](RenderPrivate& p) { p.dwPrivWord12 = 0xDEADBEEF; }, [](const RenderPrivate& p) { EXPECT_EQ(p.dwPrivWord12, 0xDEADBEEFu); }},
      {"name", [](RenderPrivate& p) { p.szPrivName[0] = u'X'; p.szPrivName[1] = 0; }, [](const RenderPrivate& p) { EXPECT_EQ(Text(p.szPrivName), u"X"); }},
      {"name unterminated", [](RenderPrivate& p) { for (WCHAR& c : p.szPrivName) c = u'y'; },
       [](const RenderPrivate& p) { EXPECT_EQ(Text(p.szPrivName), u"Standard"); }},
      {"media type 5", [](RenderPrivate& p) { p.paper.wMediaType = 5; }, [](const RenderPrivate& p) { EXPECT_EQ(p.paper.wMediaType, 5); }},
      {"media type 6", [](RenderPrivate& p) { p.paper.wMediaType = 6; }, [](const RenderPrivate& p) { EXPECT_EQ(p.paper.wMediaType, 0); }},
      {"A5 landscape", [](RenderPrivate& p) { p.bA5L = p.bA5L2 = 1; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bA5L + p.bA5L2, 2); }},
      {"A5 landscape 2", [](RenderPrivate& p) { p.bA5L = 2; p.bA5L2 = 1; }, [](const RenderPrivate& p) { EXPECT_EQ(p.bA5L, 0); EXPECT_EQ(p.bA5L2, 1); }},
      {"13612 to 13623 always", [](RenderPrivate& p) { p.dwUiWord10 = 0xFFFFFFFF; p.wDensity = 77; p.dwHighResolution = 9; },
       [](const RenderPrivate& p) { EXPECT_EQ(p.dwUiWord10, 0xFFFFFFFFu); EXPECT_EQ(p.wDensity, 77); EXPECT_EQ(p.dwHighResolution, 9u); }},
      // Bytes that no field or section names keep the target's values.
      {"unnamed bytes", [](RenderPrivate& p) { p.bPrivFlag1 = 1; p.bJobHandling = 2; p.paper.sPaperId = 5; p.dwJobId = 3;
                                               p.bExtra[5] = 1; p.dwPriv14672 = 7; p.position.bPerPaperMargins = 1; },
       [](const RenderPrivate& p) { EXPECT_EQ(p.bPrivFlag1, 0); EXPECT_EQ(p.bJobHandling, 0); EXPECT_EQ(p.paper.sPaperId, 9);
                                    EXPECT_EQ(p.dwJobId, 0u); EXPECT_EQ(p.bExtra[5], 0); EXPECT_EQ(p.dwPriv14672, 100u);
                                    EXPECT_EQ(p.position.bPerPaperMargins, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Devmode_SetDefaults(target_.get(), u"T");
    Devmode_SetDefaults(input_.get(), u"I");
    c.set(input_->dmPrivate);
    c.check(Merged().dmPrivate);
  }
}

TEST_F(Devmode, ACustomPaperThatCannotBeLaidOutPrintsOnTheLocalePaper) {
  struct Case {
    DWORD widthDots, lengthDots;
    SHORT paper;
  } const cases[] = {{4960, 3496, 257}, {193, 193, 257}, {192, 5000, 9}, {5000, 0, 9}, {16383, 16383, 257},
                     {16384, 5000, 9}, {77401, 5000, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.widthDots << "x" << c.lengthDots);
    Devmode_SetDefaults(target_.get(), u"T");
    Devmode_SetDefaults(input_.get(), u"I");
    input_->dmPublic.dmPaperSize = 257;
    input_->dmPrivate.custom[0].wCustomPaper = 1;
    input_->dmPrivate.custom[0].dwCustomWidthDots = c.widthDots;
    input_->dmPrivate.custom[0].dwCustomLengthDots = c.lengthDots;
    EXPECT_EQ(Merged().dmPublic.dmPaperSize, c.paper);
  }
}

}  // namespace
