// Conversion of the user interface's UiDevmode into the renderer's settings, and what of it
// survives the merge into the renderer's defaults.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include <platform_testing.h>
#include <vm4k2/ui_devmode.h>

#include "intrface/devmod2.h"
#include "temp_machine.h"

namespace {

using vm4k2::UiDevmode;

std::u16string Text(const WCHAR* text) { return std::u16string(text); }

template <size_t N>
void Put(WCHAR (&field)[N], const std::u16string& text) {
  std::memset(field, 0, sizeof(field));
  std::memcpy(field, text.data(), std::min(text.size(), N) * sizeof(WCHAR));
}

// A UiDevmode as the user interface builds it for an A4 job.
std::unique_ptr<UiDevmode> MakeUiDevmode() {
  auto ui = std::make_unique<UiDevmode>();
  std::memset(ui.get(), 0, sizeof(UiDevmode));
  DEVMODEW& p = ui->dmPublic;
  Put(p.dmDeviceName, u"Velmor K8000 Series PCL6");
  p.dmSpecVersion = 0x401;
  p.dmDriverVersion = 0x600;
  p.dmSize = 220;
  p.dmDriverExtra = 4860;
  p.dmFields = 0xBF1F;
  p.dmOrientation = 1;
  p.dmPaperSize = 9;
  p.dmPaperLength = 2970;
  p.dmPaperWidth = 2100;
  p.dmScale = 100;
  p.dmCopies = 1;
  p.dmDefaultSource = 7;
  p.dmPrintQuality = 600;
  p.dmColor = 1;
  p.dmDuplex = 1;
  p.dmYResolution = 600;
  p.dmTTOption = 1;
  p.dmMediaType = 1;
  vm4k2::PrivateDevmode& v = ui->dmPrivate;
  v.signature = vm4k2::kPrivateSignature;
  v.multipleUp = 1;
  v.feedOrient = 1;
  v.thickness = 1;
  v.zoomPercent = 100;
  v.downloadTrueType = 1;
  return ui;
}

class Convert : public testing::Test {
 protected:
  void SetUp() override {
    PlatformTest_SetCountryCode(49, FALSE);
    ui_ = MakeUiDevmode();
    out_ = std::make_unique<RenderDevmode>();
    merged_ = std::make_unique<RenderDevmode>();
  }
  const RenderDevmode& Converted() {
    EXPECT_TRUE(Devmode_ConvertFromUi(&ui_->dmPublic, out_.get()));
    return *out_;
  }
  const RenderDevmode& Built() {
    EXPECT_TRUE(Devmode_BuildSettings(merged_.get(), &ui_->dmPublic, u"Velmor"));
    return *merged_;
  }
  testsupport::TempMachine machine_;
  std::unique_ptr<UiDevmode> ui_;
  std::unique_ptr<RenderDevmode> out_;
  std::unique_ptr<RenderDevmode> merged_;
};

TEST_F(Convert, HeaderAndSignature) {
  const RenderDevmode& r = Converted();
  EXPECT_EQ(r.dmPublic.dmSpecVersion, 0x401);
  EXPECT_EQ(r.dmPublic.dmDriverVersion, 0x500);
  EXPECT_EQ(r.dmPublic.dmSize, 220);
  EXPECT_EQ(r.dmPublic.dmDriverExtra, 14680);
  EXPECT_EQ(r.dmPrivate.dwSignature, 0x56495250u);
  EXPECT_EQ(Text(r.dmPublic.dmDeviceName), u"Velmor K8000 Series PCL6");
}

// Only the fields the conversion writes differ from zero.
TEST_F(Convert, EverythingElseStaysZero) {
  const RenderDevmode& r = Converted();
  const BYTE* priv = reinterpret_cast<const BYTE*>(&r.dmPrivate);
  const size_t written[][2] = {{16, 4}, {104, 1}, {540, 1}, {542, 2}, {548, 2}, {550, 1}, {13592, 4}, {13602, 2},
                               {13616, 2}};
  for (size_t i = 0; i < sizeof(r.dmPrivate); ++i) {
    bool isWritten = false;
    for (const auto& w : written) isWritten |= i >= w[0] && i < w[0] + w[1];
    if (!isWritten) {
      ASSERT_EQ(priv[i], 0) << "private byte " << i;
    }
  }
}

struct FieldCase {
  const char* name;
  std::function<void(UiDevmode&)> set;
  std::function<void(const RenderDevmode&)> converted;
  std::function<void(const RenderDevmode&)> merged;  // may be empty
};

TEST_F(Convert, SettingsThatCross) {
  const FieldCase cases[] = {
      {"paper A5 kept", [](UiDevmode& u) { u.dmPublic.dmPaperSize = 11; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmPaperSize, 11); EXPECT_EQ(r.dmPrivate.paper.sPaperId, 11); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmPaperSize, 11); }},
      {"paper 244 becomes A4", [](UiDevmode& u) { u.dmPublic.dmPaperSize = 244; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmPaperSize, 9); EXPECT_EQ(r.dmPrivate.paper.sPaperId, 244); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmPaperSize, 9); EXPECT_EQ(r.dmPublic.dmPaperWidth, 2100); }},
      {"paper A3 (not kept) becomes A4", [](UiDevmode& u) { u.dmPublic.dmPaperSize = 8; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmPaperSize, 9); }, nullptr},
      {"custom 290", [](UiDevmode& u) { u.dmPublic.dmPaperSize = 290; u.dmPublic.dmPaperWidth = 2100; u.dmPublic.dmPaperLength = 1480; },
       [](const RenderDevmode& r) {
         EXPECT_EQ(r.dmPublic.dmPaperSize, 257);
         const CUSTOM_PAPER_SLOT& s = r.dmPrivate.custom[0];
         EXPECT_EQ(s.wCustomPaper, 1);
         EXPECT_EQ(s.dwCustomPaperId, 290u);
         EXPECT_EQ(s.dwCustomWidth, 2100u);
         EXPECT_EQ(s.dwCustomLength, 1480u);
         EXPECT_EQ(s.dwCustomWidthDots, 4960u);
         EXPECT_EQ(s.dwCustomLengthDots, 3496u);
       },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmPaperSize, 257); EXPECT_EQ(r.dmPrivate.custom[0].dwCustomLengthDots, 3496u); }},
      {"source upper tray", [](UiDevmode& u) { u.dmPublic.dmDefaultSource = 1; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wPaperSource, 2); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wPaperSource, 2); EXPECT_EQ(r.dmPublic.dmDefaultSource, 1); }},
      {"source manual", [](UiDevmode& u) { u.dmPublic.dmDefaultSource = 4; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wPaperSource, 1); }, nullptr},
      {"source automatic", [](UiDevmode& u) { u.dmPublic.dmDefaultSource = 7; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wPaperSource, 0); }, nullptr},
      {"media transparency", [](UiDevmode& u) { u.dmPublic.dmMediaType = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 5); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 5); }},
      {"media tough", [](UiDevmode& u) { u.dmPublic.dmMediaType = 257; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 1); }, nullptr},
      {"media envelope", [](UiDevmode& u) { u.dmPublic.dmMediaType = 258; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 2); }, nullptr},
      {"media card stock", [](UiDevmode& u) { u.dmPublic.dmMediaType = 259; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 3); }, nullptr},
      {"media labels", [](UiDevmode& u) { u.dmPublic.dmMediaType = 263; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 4); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 4); }},
      {"media other", [](UiDevmode& u) { u.dmPublic.dmMediaType = 260; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.paper.wMediaType, 0); }, nullptr},
      {"landscape", [](UiDevmode& u) { u.dmPublic.dmOrientation = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmOrientation, 2); EXPECT_EQ(r.dmPrivate.paper.bOrientation, 2); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmOrientation, 2); }},
      {"copies and collation", [](UiDevmode& u) { u.dmPublic.dmCopies = 12; u.dmPublic.dmCollate = 1; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmCopies, 12); EXPECT_EQ(r.dmPublic.dmCollate, 1); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmCopies, 12); EXPECT_EQ(r.dmPublic.dmCollate, 1); }},
      {"duplex long edge", [](UiDevmode& u) { u.dmPublic.dmDuplex = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmDuplex, 1); EXPECT_EQ(r.dmPrivate.bDocumentStyle, 2); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmDuplex, 1); EXPECT_EQ(r.dmPrivate.bDocumentStyle, 2); }},
      {"duplex short edge", [](UiDevmode& u) { u.dmPublic.dmDuplex = 3; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmDuplex, 2); EXPECT_EQ(r.dmPrivate.bDocumentStyle, 1); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bDocumentStyle, 1); }},
      {"simplex", [](UiDevmode& u) { u.dmPublic.dmDuplex = 1; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPublic.dmDuplex, 1); EXPECT_EQ(r.dmPrivate.bDocumentStyle, 0); }, nullptr},
      {"four up with borders", [](UiDevmode& u) { u.dmPrivate.multipleUp = 4; u.dmPrivate.pageBorder = 1; u.dmPrivate.pageOrder = 5; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupNum, 4); EXPECT_EQ(r.dmPrivate.nup.bNupFlags, 4u);
                                    EXPECT_EQ(r.dmPrivate.nup.bNupPageOrder, 3); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupNum, 4); EXPECT_EQ(r.dmPrivate.nup.bNupPageOrder, 3); }},
      {"page orders", [](UiDevmode& u) { u.dmPrivate.multipleUp = 2; u.dmPrivate.pageOrder = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupPageOrder, 0); }, nullptr},
      {"page order 4", [](UiDevmode& u) { u.dmPrivate.pageOrder = 4; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupPageOrder, 2); }, nullptr},
      {"page order 9", [](UiDevmode& u) { u.dmPrivate.pageOrder = 9; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupPageOrder, 0); }, nullptr},
      {"nine up is not a renderer count", [](UiDevmode& u) { u.dmPrivate.multipleUp = 9; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupNum, 9); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.nup.bNupNum, 1); }},
      {"poster with zoom 150", [](UiDevmode& u) { u.dmPrivate.multipleUp = 22; u.dmPrivate.zoomPercent = 150; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.scale.ISFSet, 0); EXPECT_EQ(r.dmPrivate.bPosterLayout, 1);
                                    EXPECT_EQ(r.dmPrivate.scale.SRatio, 150); EXPECT_EQ(r.dmPrivate.poster.wPosterType, 0u); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bPosterLayout, 1); EXPECT_EQ(r.dmPrivate.scale.SRatio, 150); }},
      {"zoom 150", [](UiDevmode& u) { u.dmPrivate.zoomPercent = 150; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.scale.ISFSet, 1); EXPECT_EQ(r.dmPrivate.scale.SRatio, 150); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.scale.ISFSet, 1); EXPECT_EQ(r.dmPrivate.scale.SRatio, 150); }},
      {"zoom 24", [](UiDevmode& u) { u.dmPrivate.zoomPercent = 24; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.scale.ISFSet, 0); EXPECT_EQ(r.dmPrivate.scale.SRatio, 0); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.scale.SRatio, 100); }},
      {"density 2", [](UiDevmode& u) { u.dmPrivate.thickness = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wDensity, 2); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wDensity, 2); }},
      {"density 0", [](UiDevmode& u) { u.dmPrivate.thickness = 0; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wDensity, 0); }, nullptr},
      {"density 5", [](UiDevmode& u) { u.dmPrivate.thickness = 5; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wDensity, 1); }, nullptr},
      {"toner saving", [](UiDevmode& u) { u.dmPrivate.thickness = 2; u.dmPrivate.tonerSavingMode = 1; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.wDensity, 0); }, nullptr},
      {"1200 dpi", [](UiDevmode& u) { u.dmPublic.dmPrintQuality = 1200; u.dmPublic.dmYResolution = 1200; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.dwHighResolution, 1u); EXPECT_EQ(r.dmPublic.dmPrintQuality, 600);
                                    EXPECT_EQ(r.dmPublic.dmYResolution, 600); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.dwHighResolution, 1u); EXPECT_EQ(r.dmPrivate.image.bResolution, 0); }},
      {"A5 fed landscape", [](UiDevmode& u) { u.dmPublic.dmPaperSize = 11; u.dmPrivate.feedOrient = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bA5L, 1); EXPECT_EQ(r.dmPrivate.bA5L2, 1); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bA5L, 1); EXPECT_EQ(r.dmPrivate.bA5L2, 1); }},
      {"A4 fed landscape", [](UiDevmode& u) { u.dmPrivate.feedOrient = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bA5L, 0); }, nullptr},
      {"rotate 180 portrait", [](UiDevmode& u) { u.dmPrivate.rotate180 = 1; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bRotate180, 2); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bRotate180, 2); }},
      {"rotate 180 landscape", [](UiDevmode& u) { u.dmPrivate.rotate180 = 1; u.dmPublic.dmOrientation = 2; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.bRotate180, 1); }, nullptr},
      {"reverse order", [](UiDevmode& u) { u.dmPrivate.reverseOrder = -1; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.dwUiWord10, 0xFFFFFFFFu); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.dwUiWord10, 0xFFFFFFFFu); }},
      {"font switches", [](UiDevmode& u) { u.dmPrivate.downloadTrueType = 0; u.dmPrivate.trueTypeAsBitmap = 1;
                                           u.dmPrivate.deviceFontChoice = 1; u.dmPrivate.deviceFontSizeTenths = 120; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.device.dwUiExtra1, 0u); EXPECT_EQ(r.dmPrivate.device.dwUiExtra2, 1u);
                                    EXPECT_EQ(r.dmPrivate.device.bUiExtra3, 1); EXPECT_EQ(r.dmPrivate.device.wUiExtra4, 120); },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.device.dwUiExtra2, 1u); EXPECT_EQ(r.dmPrivate.device.wUiExtra4, 120); }},
      {"device font size out of range", [](UiDevmode& u) { u.dmPrivate.deviceFontSizeTenths = 241; },
       [](const RenderDevmode& r) { EXPECT_EQ(r.dmPrivate.device.wUiExtra4, 95); }, nullptr},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    ui_ = MakeUiDevmode();
    c.set(*ui_);
    c.converted(Converted());
    if (c.merged) c.merged(Built());
  }
}

TEST_F(Convert, CustomIdBoundaries) {
  struct Case {
    SHORT id, paper;
  } const cases[] = {{286, 9}, {287, 257}, {288, 257}, {303, 257}, {304, 9}, {319, 9}, {257, 9}, {256, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    ui_->dmPublic.dmPaperSize = c.id;
    ui_->dmPublic.dmPaperWidth = 1000;
    ui_->dmPublic.dmPaperLength = 2000;
    const RenderDevmode& r = Converted();
    EXPECT_EQ(r.dmPublic.dmPaperSize, c.paper);
    EXPECT_EQ(r.dmPrivate.custom[0].dwCustomPaperId, c.paper == 257 ? static_cast<DWORD>(c.id) : 0u);
    EXPECT_EQ(Built().dmPublic.dmPaperSize, c.paper);
  }
}

TEST_F(Convert, CustomSizesThatCannotBePrintedBecomeA4) {
  struct Case {
    SHORT width, length, paper;
  } const cases[] = {{2100, 1480, 257}, {0, 2970, 9},       {81, 2970, 9},   {82, 2970, 257}, {2100, 81, 9},
                     {-10, 2970, 9},    {32767, 2970, 9},   {6935, 6935, 257}, {6936, 2970, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.length);
    ui_->dmPublic.dmPaperSize = 295;
    ui_->dmPublic.dmPaperWidth = c.width;
    ui_->dmPublic.dmPaperLength = c.length;
    EXPECT_EQ(Converted().dmPublic.dmPaperSize, c.paper);
    EXPECT_EQ(Built().dmPublic.dmPaperSize, c.paper);
  }
}

TEST_F(Convert, TextWatermark) {
  vm4k2::WatermarkRecord& w = ui_->dmPrivate.watermark;
  w.kind = vm4k2::kWatermarkText;
  Put(w.text, u"CONFIDENTIAL");
  Put(w.typeface, u"Arial");
  w.angle = -45;
  w.position = 10;
  w.xPercent = 30;
  w.yPercent = 70;
  w.pointSize = 48;
  w.bold = 1;
  w.italic = 0;
  w.greyLevel = 1;
  ui_->dmPrivate.firstPageOnly = 1;
  const RenderDevmode& r = Converted();
  const WMARKDATA& m = r.dmPrivate.wmark;
  EXPECT_EQ(m.wmIndex, 1);
  EXPECT_EQ(Text(m.wmString), u"CONFIDENTIAL");
  EXPECT_EQ(Text(m.wmContent), u"CONFIDENTIAL");
  EXPECT_EQ(Text(m.wmTypeFace), u"Arial");
  EXPECT_EQ(m.wmAngle, -45);
  EXPECT_EQ(m.wmPosition, 10);
  EXPECT_EQ(m.wmPosX, 30);
  EXPECT_EQ(m.wmPosY, 70);
  EXPECT_EQ(m.wmFontSize, 48);
  EXPECT_EQ(m.wmBold, 1);
  EXPECT_EQ(m.wmItalic, 0);
  EXPECT_EQ(m.wmColorRef, 0xA1A1A1u);
  EXPECT_EQ(m.wmColorRef2, 0xA1A1A1u);
  EXPECT_EQ(m.wmFlag, 1);
  EXPECT_EQ(m.wmBitmap, 0);
  EXPECT_EQ(r.dmPrivate.bFirstPageOnly, 1);
  const RenderDevmode& b = Built();
  EXPECT_EQ(b.dmPrivate.wmark.wmIndex, 1);
  EXPECT_EQ(Text(b.dmPrivate.wmark.wmString), u"CONFIDENTIAL");
  EXPECT_EQ(b.dmPrivate.bFirstPageOnly, 1);
}

TEST_F(Convert, WatermarkGreysAndCentring) {
  const COLORREF greys[] = {0xC6C6C6, 0xA1A1A1, 0x7C7C7C, 0x575757, 0x323232, 0x7C7C7C, 0x7C7C7C};
  const SHORT levels[] = {0, 1, 2, 3, 4, 5, -1};
  for (size_t i = 0; i < std::size(levels); ++i) {
    ui_->dmPrivate.watermark.kind = vm4k2::kWatermarkText;
    ui_->dmPrivate.watermark.greyLevel = levels[i];
    ui_->dmPrivate.watermark.position = 5;
    ui_->dmPrivate.watermark.xPercent = 99;
    const WMARKDATA& m = Converted().dmPrivate.wmark;
    EXPECT_EQ(m.wmColorRef, greys[i]) << levels[i];
    EXPECT_EQ(m.wmPosition, 5);
    EXPECT_EQ(m.wmPosX, 0);
  }
}

TEST_F(Convert, BitmapWatermark) {
  vm4k2::WatermarkRecord& w = ui_->dmPrivate.watermark;
  w.kind = vm4k2::kWatermarkBitmap;
  Put(w.bitmapPath, u"C:\\logo.bmp");
  w.greyLevel = 3;
  w.bitmapFlag = 1;
  const WMARKDATA& m = Converted().dmPrivate.wmark;
  EXPECT_EQ(m.wmIndex, 1);
  EXPECT_EQ(m.wmBitmap, 1);
  EXPECT_EQ(m.wmFontSize, 100);
  EXPECT_EQ(m.wmPosition, 5);
  EXPECT_EQ(Text(m.wmContent), u"C:\\logo.bmp");
  EXPECT_EQ(m.wmString[0], 0);
  EXPECT_EQ(m.wmColorRef, 0u);
  EXPECT_EQ(m.wmFlag, 1);
  w.bitmapFlag = 0;
  EXPECT_EQ(Converted().dmPrivate.wmark.wmFlag, 0);
}

TEST_F(Convert, NoWatermarkCrossesForOtherKinds) {
  for (SHORT kind : {0, 3, -1}) {
    ui_->dmPrivate.watermark.kind = kind;
    Put(ui_->dmPrivate.watermark.text, u"X");
    ui_->dmPrivate.firstPageOnly = 1;
    const RenderDevmode& r = Converted();
    EXPECT_EQ(r.dmPrivate.wmark.wmIndex, 0);
    EXPECT_EQ(r.dmPrivate.wmark.wmString[0], 0);
    EXPECT_EQ(r.dmPrivate.bFirstPageOnly, 0);
  }
}

TEST_F(Convert, UnterminatedSourceTextsAreReadWithinTheirFields) {
  vm4k2::WatermarkRecord& w = ui_->dmPrivate.watermark;
  w.kind = vm4k2::kWatermarkText;
  for (WCHAR& c : w.text) c = u't';
  for (WCHAR& c : w.typeface) c = u'f';
  const WMARKDATA& m = Converted().dmPrivate.wmark;
  EXPECT_EQ(Text(m.wmString), std::u16string(65, u't'));
  EXPECT_EQ(Text(m.wmTypeFace), std::u16string(31, u'f'));
  EXPECT_EQ(Built().dmPrivate.wmark.wmIndex, 1);

  w.kind = vm4k2::kWatermarkBitmap;
  for (WCHAR& c : w.bitmapPath) c = u'p';
  const WMARKDATA& b = Converted().dmPrivate.wmark;
  EXPECT_EQ(Text(b.wmContent), std::u16string(260, u'p'));
  // A full-length path keeps the watermark through the merge.
  EXPECT_EQ(Built().dmPrivate.wmark.wmIndex, 1);
}

TEST_F(Convert, InputsThatAreNotUiDevmodesGiveTheDefaults) {
  RenderDevmode defaults;
  Devmode_SetDefaults(&defaults, u"Velmor");
  Devmode_Merge(&defaults, nullptr);
  const std::function<void(UiDevmode&)> makeForeign[] = {
      [](UiDevmode& u) { u.dmPublic.dmDriverExtra = 0; },          // public only
      [](UiDevmode& u) { u.dmPublic.dmSize = 212; },               // another size
      [](UiDevmode& u) { u.dmPrivate.signature = 0x12345678; },   // another driver's
      [](UiDevmode& u) { u.dmPublic.dmDeviceName[0] = 0; },        // no device name
  };
  for (const auto& breakIt : makeForeign) {
    ui_ = MakeUiDevmode();
    ui_->dmPublic.dmCopies = 9;
    ui_->dmPublic.dmPaperSize = 1;
    breakIt(*ui_);
    EXPECT_FALSE(Devmode_ConvertFromUi(&ui_->dmPublic, out_.get()));
    const RenderDevmode zero{};
    EXPECT_EQ(std::memcmp(out_.get(), &zero, sizeof(zero)), 0);
    const RenderDevmode& b = Built();
    EXPECT_EQ(std::memcmp(&b, &defaults, sizeof(defaults)), 0);
  }
  EXPECT_FALSE(Devmode_ConvertFromUi(nullptr, out_.get()));
  EXPECT_TRUE(Devmode_BuildSettings(merged_.get(), nullptr, u"Velmor"));
  EXPECT_EQ(std::memcmp(merged_.get(), &defaults, sizeof(defaults)), 0);
}

}  // namespace
