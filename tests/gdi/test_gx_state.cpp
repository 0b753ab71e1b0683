// The page's graphics-state cache: each setter writes its attribute only when the printer does
// not hold the value yet, the page start forgets everything, and the watermark and form rules
// replace the ROP. Checked as the decoder lists the bytes of a record with an open page.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "gdi/gx.h"
#include "gdi/nt/ntcolor.h"
#include "open_pdev.h"

namespace {

using testsupport::OpenPdevTest;

class GxState : public OpenPdevTest {};

TEST_F(GxState, ResetLeavesValuesNoAttributeTakes) {
  PdevGraphicsState& gx = pdev()->job.gx;
  Gx_SetRop(pdev(), 0xF0, GX_OPAQUE, GX_OPAQUE, 3);
  gx.text.fontNumber = 101;
  Gx_ResetStateCache(pdev());
  EXPECT_EQ(gx.rop, -1);
  EXPECT_EQ(gx.penColor, -1);
  EXPECT_EQ(gx.brushColor, -1);
  EXPECT_EQ(gx.penWidth, 1);
  EXPECT_FALSE(gx.clipBoxValid);
  EXPECT_EQ(gx.clipPathUniq, 0u);
  EXPECT_EQ(gx.text.fontNumber, 0xFFFF);
  DWORD bits;
  std::memcpy(&bits, &gx.text.charSize, sizeof bits);
  EXPECT_EQ(bits, 0x477FFF00u);
  EXPECT_EQ(gx.text.charAngle, -1);
  EXPECT_EQ(gx.text.charScale[0], 1.2345);
  EXPECT_EQ(gx.text.charShear[1], 1.2345);
  EXPECT_EQ(gx.text.charBoldValue, 1.2345);
}

TEST_F(GxState, EachAttributeIsSentOnceUntilTheValueChanges) {
  Take();
  auto state = [&](BYTE rop, BOOL evenOdd, COLORREF colour) {
    Gx_SetRop(pdev(), rop, GX_OPAQUE, GX_OPAQUE, 3);
    Gx_SetFillMode(pdev(), evenOdd);
    Gx_SetNullPen(pdev());
    Gx_SetBrushColor(pdev(), colour);
  };
  state(0xF0, FALSE, 0x000000);
  EXPECT_EQ(TakeListing(),
            "SetROP ROP3=240 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | "
            "SetFillMode FillMode=eNonZeroWinding | SetPenSource NullPen=0 | SetColorSpace ColorSpace=eGray | "
            "SetBrushSource GrayLevel=0");
  state(0xF0, FALSE, 0x000000);
  EXPECT_EQ(TakeListing(), "") << "a second object with the same state adds nothing";
  state(0xF0, TRUE, 0x808080);
  EXPECT_EQ(TakeListing(), "SetFillMode FillMode=eEvenOdd | SetBrushSource GrayLevel=128");
  Gx_ResetStateCache(pdev());
  state(0xF0, TRUE, 0x808080);
  EXPECT_EQ(TakeListing(),
            "SetROP ROP3=240 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | "
            "SetFillMode FillMode=eEvenOdd | SetPenSource NullPen=0 | SetColorSpace ColorSpace=eGray | "
            "SetBrushSource GrayLevel=128")
      << "a new page sends everything again";
}

TEST_F(GxState, GreyJobsSendTheGreyOfTheColour) {
  Take();
  Gx_SetBrushColor(pdev(), 0x0000FF);  // red
  Gx_SetPenColor(pdev(), RGB(0, 255, 0));
  Gx_SetPenColor(pdev(), RGB(10, 20, 30));
  EXPECT_EQ(TakeListing(),
            "SetColorSpace ColorSpace=eGray | SetBrushSource GrayLevel=73 | SetPenSource GrayLevel=154 | "
            "SetPenSource GrayLevel=18");
  EXPECT_EQ(Color_Gray(255, 255, 255), 255);
  EXPECT_EQ(Color_Gray(200, 200, 200), 200);
}

TEST_F(GxState, ColourJobsSendRgbAndNullBrushForcesTheNextColour) {
  job().dmPublic.dmColor = DMCOLOR_COLOR;
  Gx_ResetStateCache(pdev());
  Take();
  Gx_SetBrushColor(pdev(), RGB(1, 2, 3));
  Gx_SetBrushColor(pdev(), RGB(1, 2, 3));
  Gx_SetNullBrush(pdev());
  Gx_SetNullBrush(pdev());
  Gx_SetBrushColor(pdev(), RGB(1, 2, 3));
  EXPECT_EQ(TakeListing(),
            "SetColorSpace ColorSpace=eRGB | SetBrushSource RGBColor=[1 2 3] | SetBrushSource NullBrush=0 | "
            "SetBrushSource RGBColor=[1 2 3]");
}

TEST_F(GxState, BlackConversionOfVectorsTurnsGreysBlack) {
  job().dmPrivate.device.bBlackConversion = 2;  // vectors
  pdev()->job.gx.objectKind = GX_KIND_VECTOR;
  Take();
  Gx_SetBrushColor(pdev(), RGB(128, 128, 128));
  Gx_SetPenColor(pdev(), RGB(255, 255, 255));
  pdev()->job.gx.objectKind = GX_KIND_TEXT;
  Gx_SetPenColor(pdev(), RGB(128, 128, 128));
  EXPECT_EQ(TakeListing(),
            "SetColorSpace ColorSpace=eGray | SetBrushSource GrayLevel=0 | SetPenSource GrayLevel=255 | "
            "SetPenSource GrayLevel=128");
}

struct DashCase {
  const char* name;
  LONG style;
  BYTE resolution;
  const char* listing;
};

class GxDash : public OpenPdevTest, public ::testing::WithParamInterface<DashCase> {};

TEST_P(GxDash, BuiltInDashesScaleWithTheResolution) {
  job().dmPrivate.image.bResolution = GetParam().resolution;
  Take();
  EXPECT_TRUE(Gx_SetLineDash(pdev(), GetParam().style));
  EXPECT_FALSE(Gx_SetLineDash(pdev(), GetParam().style)) << "held already";
  EXPECT_EQ(TakeListing(), GetParam().listing);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, GxDash,
    ::testing::Values(DashCase{"Solid", GX_PEN_SOLID, 0, "SetLineDash SolidLine=0"},
                      DashCase{"Dash", GX_PEN_DASH, 0, "SetLineDash LineDashStyle=[60 30]"},
                      DashCase{"Dot", GX_PEN_DOT, 0, "SetLineDash LineDashStyle=[15 30]"},
                      DashCase{"DashDot", GX_PEN_DASHDOT, 0, "SetLineDash LineDashStyle=[15 30 60 30]"},
                      DashCase{"DashDotDot", GX_PEN_DASHDOTDOT, 0, "SetLineDash LineDashStyle=[60 30 15 30 15 30]"},
                      DashCase{"DashAt1200", GX_PEN_DASH, 1, "SetLineDash LineDashStyle=[120 60]"}),
    [](const ::testing::TestParamInfo<DashCase>& info) { return std::string(info.param.name); });

TEST_F(GxState, PenWidthResetsTheDashAndIsSentWithIt) {
  Take();
  Gx_SetPenWidth(pdev(), 1);
  Gx_SetPenWidth(pdev(), 1);
  Gx_SetPenWidth(pdev(), 5);
  Gx_SetLineDash(pdev(), GX_PEN_DOT);
  Gx_SetPenWidth(pdev(), 5);
  EXPECT_EQ(TakeListing(),
            "SetLineDash SolidLine=0 | SetPenWidth PenWidth=1 | SetPenWidth PenWidth=5 | "
            "SetLineDash LineDashStyle=[15 30] | SetLineDash SolidLine=0 | SetPenWidth PenWidth=5");
  Gx_SetPenWidthKeepDash(pdev(), 5);
  Gx_SetPenWidthKeepDash(pdev(), 7);
  EXPECT_EQ(TakeListing(), "SetPenWidth PenWidth=7");
}

TEST_F(GxState, UnknownCodesAreInternalErrorsThatKeepTheStreamWellFormed) {
  Take();
  EXPECT_FALSE(Gx_SetLineDash(pdev(), GX_PEN_NULL));
  EXPECT_FALSE(Gx_SetColorSpace(pdev(), 3));
  Gx_SetRop(pdev(), 0xCC, 11, GX_OPAQUE, 2);
  EXPECT_EQ(TakeListing(), "SetROP ROP3=204 | SetSourceTxMode TxMode=eTransparent | SetPaintTxMode TxMode=eOpaque");
  EXPECT_EQ(std::string(pdev()->job.firstError).rfind("File:gx.cpp Line:", 0), 0u) << pdev()->job.firstError;
}

TEST_F(GxState, ClipBoxIsCutToThePrintableBoxIn32Bits) {
  const SHORT* p = pdev()->job.layout.printableBox;
  const std::string page = "(" + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) +
                           "," + std::to_string(p[3]) + ")";
  Take();
  RECTL wide{-100, 200, 70000, 40000};
  Gx_SetClipBox(pdev(), &wide);
  EXPECT_EQ(TakeListing(), "NewPath | RectanglePath BoundingBox=(0,200," + std::to_string(p[2]) + "," +
                               std::to_string(p[3]) + ") | SetClipReplace ClipRegion=eInterior")
      << "edges beyond 32767 clamp to the page instead of wrapping";
  Gx_SetClipBox(pdev(), nullptr);
  Gx_SetClipBox(pdev(), nullptr);
  EXPECT_EQ(TakeListing(), "NewPath | RectanglePath BoundingBox=" + page + " | SetClipReplace ClipRegion=eInterior");
  RECTL quirk{2734, 10, 3000, 20};
  Gx_SetClipBox(pdev(), &quirk);
  EXPECT_EQ(TakeListing(), "NewPath | RectanglePath BoundingBox=(2733,10,3000,20) | SetClipReplace ClipRegion=eInterior");
  RECTL outside{-500, -500, -10, -10};
  Gx_SetClipBox(pdev(), &outside);
  EXPECT_EQ(TakeListing(), "NewPath | RectanglePath BoundingBox=(0,0,0,0) | SetClipReplace ClipRegion=eInterior")
      << "nothing of the page is left to draw on";
  EXPECT_EQ(pdev()->job.gx.clipChanges, 4u);
}

TEST_F(GxState, WatermarkAlternatesItsRopsPerJob) {
  job().dmPrivate.wmark.wmFlag = 1;
  pdev()->jobCtl.flags |= JF_WATERMARK;
  Take();
  for (int i = 0; i < 5; ++i) Gx_SetRop(pdev(), 0xCC, GX_OPAQUE, GX_OPAQUE, 3);
  EXPECT_EQ(TakeListing(),
            "SetROP ROP3=160 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | "
            "SetROP ROP3=250 | SetSourceTxMode TxMode=eTransparent | SetPaintTxMode TxMode=eTransparent | "
            "SetROP ROP3=160 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | "
            "SetROP ROP3=250 | SetSourceTxMode TxMode=eTransparent | SetPaintTxMode TxMode=eTransparent | "
            "SetROP ROP3=160 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque");
  // Object mode 2 (images) is not steered by the watermark.
  Gx_SetRop(pdev(), 0xCC, GX_OPAQUE, GX_OPAQUE, 2);
  EXPECT_EQ(TakeListing(), "SetROP ROP3=204");

  // Another record's job has its own phase, and the next job of this one starts afresh.
  testsupport::OpenPdev other;
  other.Open();
  other.job().dmPrivate.wmark.wmFlag = 1;
  other.pdev()->jobCtl.flags |= JF_WATERMARK;
  other.Take();
  Gx_SetRop(other.pdev(), 0xCC, GX_OPAQUE, GX_OPAQUE, 1);
  EXPECT_EQ(other.TakeListing(), "SetROP ROP3=160 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque");

  job().dmPrivate.wmark.wmFlag = 0;
  Gx_SetRop(pdev(), 0xCC, GX_OPAQUE, GX_OPAQUE, 1);
  EXPECT_EQ(TakeListing(), "SetROP ROP3=240") << "a bitmap watermark without its flag copies";
}

TEST_F(GxState, FormPartsCopyTheirObjects) {
  pdev()->jobCtl.flags |= JF_FORM_PART_OPEN;
  Take();
  Gx_SetRop(pdev(), 0xCC, GX_OPAQUE, GX_OPAQUE, 3);
  Gx_SetRop(pdev(), 0xCC, GX_OPAQUE, GX_OPAQUE, 2);
  EXPECT_EQ(TakeListing(),
            "SetROP ROP3=240 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | SetROP ROP3=204");
}

TEST_F(GxState, CallRangeDrawsOnlyItsCalls) {
  EXPECT_FALSE(Gx_IsCallSkipped(pdev()));
  pdev()->job.gx.callFirst = 2;
  pdev()->job.gx.callLast = 3;
  std::string drawn;
  for (int i = 0; i < 5; ++i) drawn += Gx_IsCallSkipped(pdev()) ? 's' : 'd';
  EXPECT_EQ(drawn, "sddss");
}

TEST_F(GxState, DebugFramesOnlyWhenAsked) {
  RECTL box{10, 20, 30, 40};
  Take();
  Gx_DrawDebugFrame(pdev(), 6, &box);
  EXPECT_EQ(TakeListing(), "") << "the merged settings ask for no frames";
  job().dmPrivate.dwDumpFlags |= 0x40;
  Gx_DrawDebugFrame(pdev(), 6, &box);
  EXPECT_EQ(TakeListing(),
            "SetROP ROP3=252 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | "
            "SetBrushSource NullBrush=0 | SetLineDash SolidLine=0 | SetColorSpace ColorSpace=eGray | "
            "SetPenSource GrayLevel=154 | SetPenWidth PenWidth=2 | SetCursor Point=(10,20) | NewPath | "
            "RectanglePath BoundingBox=(10,20,30,40) | PaintPath");
}

TEST_F(GxState, RectanglePathClampsTo16Bits) {
  Take();
  RECTL box{-40000, 5, 40000, 6};
  Gx_RectanglePath(pdev(), &box);
  EXPECT_EQ(TakeListing(), "SetCursor Point=(-32767,5) | NewPath | RectanglePath BoundingBox=(-32767,5,32767,6) | PaintPath");
}

}  // namespace
