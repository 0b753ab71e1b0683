// The path entry points on a record with an open page, fed with the engine's own path, clip,
// brush and line-attribute objects: what each call sends, as the decoder lists it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/gdi_draw.h>
#include <win/gdi_objects.h>

#include "../open_pdev.h"
#include "gdi/nt/paths.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/pclxlnt.h"

namespace {

using plat_testing::MakeBeziers;
using plat_testing::MakeClip;
using plat_testing::MakeLineAttrs;
using plat_testing::MakePath;
using plat_testing::MakePolyline;
using plat_testing::MakeSolidBrush;
using testsupport::kErrorMarker;

constexpr MIX kCopyPen = R2_COPYPEN | (R2_COPYPEN << 8);

class Paths : public testsupport::OpenPdevTest {
 protected:
  void SetUp() override {
    OpenPdevTest::SetUp();
    const SHORT* p = pdev()->job.layout.printableBox;
    page_ = "(" + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," +
            std::to_string(p[3]) + ")";
    Take();
  }

  BOOL Stroke(PATHOBJ* path, LINEATTRS* attrs, CLIPOBJ* clip = nullptr, ULONG colour = 0, MIX mix = kCopyPen) {
    plat_testing::Brush pen = MakeSolidBrush(colour);
    plat_testing::Clip trivial = MakeClip();
    return DrvStrokePath(surface(), path, clip ? clip : trivial.get(), nullptr, pen.get(), nullptr, attrs, mix);
  }

  BOOL Fill(PATHOBJ* path, FLONG mode, CLIPOBJ* clip = nullptr, ULONG colour = 0, MIX mix = kCopyPen) {
    plat_testing::Brush brush = MakeSolidBrush(colour);
    plat_testing::Clip trivial = MakeClip();
    return DrvFillPath(surface(), path, clip ? clip : trivial.get(), brush.get(), nullptr, mix, mode);
  }

  // The listing after the state the first drawing call of a page sets up.
  std::string PageClip() { return "NewPath | RectanglePath BoundingBox=" + page_ + " | SetClipReplace ClipRegion=eInterior"; }

  std::string page_;
};

TEST_F(Paths, StrokedPolyline) {
  plat_testing::Path path = MakePolyline({{100, 100}, {200, 100}, {200, 300}, {190, 290}});
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 1);
  ASSERT_TRUE(Stroke(path.get(), solid.get()));
  EXPECT_EQ(TakeListing(),
            "SetLineDash SolidLine=0 | SetPenWidth PenWidth=1 | SetROP ROP3=240 | SetSourceTxMode TxMode=eOpaque | "
            "SetPaintTxMode TxMode=eOpaque | SetColorSpace ColorSpace=eGray | SetPenSource GrayLevel=0 | "
            "SetBrushSource NullBrush=0 | " + PageClip() +
                " | NewPath | SetCursor Point=(100,100) | "
                "LineRelPath NumberOfPoints=1 PointType=eSByte points=[(100,0)] | "
                "LineRelPath NumberOfPoints=1 PointType=eSint16 points=[(0,200)] | "
                "LineRelPath NumberOfPoints=1 PointType=eSByte points=[(-10,-10)] | PaintPath");
  EXPECT_EQ(pdev()->job.gx.strokes, 1u);
}

TEST_F(Paths, StateIsSentOnceForShapesThatShareItAndAgainWhenItChanges) {
  plat_testing::Path first = MakePolyline({{10, 10}, {20, 10}, {20, 20}}, true);
  plat_testing::Path second = MakePolyline({{30, 30}, {40, 30}, {40, 40}}, true);
  ASSERT_TRUE(Fill(first.get(), FP_WINDINGMODE, nullptr, 0x808080));
  Take();
  ASSERT_TRUE(Fill(second.get(), FP_WINDINGMODE, nullptr, 0x808080));
  EXPECT_EQ(TakeListing(),
            "NewPath | SetCursor Point=(30,30) | LineRelPath NumberOfPoints=2 PointType=eSByte points=[(10,0) (0,10)] | "
            "CloseSubPath | PaintPath")
      << "ROP, fill rule, pen and brush are already held";
  ASSERT_TRUE(Fill(second.get(), FP_ALTERNATEMODE, nullptr, 0x404040));
  EXPECT_EQ(TakeListing(),
            "SetFillMode FillMode=eEvenOdd | SetBrushSource GrayLevel=64 | NewPath | SetCursor Point=(30,30) | "
            "LineRelPath NumberOfPoints=2 PointType=eSByte points=[(10,0) (0,10)] | CloseSubPath | PaintPath");
}

TEST_F(Paths, FilledClosedPathInBothFillModes) {
  struct Case {
    FLONG mode;
    const char* fillMode;
  };
  for (const Case& c : {Case{FP_ALTERNATEMODE, "eEvenOdd"}, Case{FP_WINDINGMODE, "eNonZeroWinding"}}) {
    Gx_ResetStateCache(pdev());
    plat_testing::Path star = MakePolyline({{100, 0}, {160, 180}, {5, 70}, {195, 70}, {40, 180}}, true);
    ASSERT_TRUE(Fill(star.get(), c.mode, nullptr, 0));
    EXPECT_EQ(TakeListing(),
              PageClip() + " | SetROP ROP3=240 | SetSourceTxMode TxMode=eOpaque | SetPaintTxMode TxMode=eOpaque | "
                           "SetFillMode FillMode=" + c.fillMode + " | SetPenSource NullPen=0 | "
                           "SetColorSpace ColorSpace=eGray | SetBrushSource GrayLevel=0 | NewPath | "
                           "SetCursor Point=(100,0) | LineRelPath NumberOfPoints=4 PointType=eSint16 "
                           "points=[(60,180) (-155,-110) (190,0) (-155,110)] | CloseSubPath | PaintPath");
  }
}

TEST_F(Paths, BezierCurvesAreMeasuredFromTheirStart) {
  plat_testing::Path curve = MakeBeziers({{100, 100}, {120, 50}, {180, 50}, {200, 100}, {210, 400}, {300, 400}, {300, 300}});
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 3);
  ASSERT_TRUE(Stroke(curve.get(), solid.get()));
  std::vector<std::string> lines = TakeLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 4], "SetCursor Point=(100,100)");
  EXPECT_EQ(lines[lines.size() - 3], "BezierRelPath NumberOfPoints=3 PointType=eSByte points=[(20,-50) (80,-50) (100,0)]");
  EXPECT_EQ(lines[lines.size() - 2], "BezierRelPath NumberOfPoints=3 PointType=eSint16 points=[(10,300) (100,300) (100,200)]");
  EXPECT_EQ(lines.back(), "PaintPath");
}

TEST_F(Paths, CosmeticDashedLineCarriesItsStyleInDots) {
  plat_testing::Path line = MakePolyline({{0, 0}, {100, 0}});
  plat_testing::LineAttrs dashed = MakeLineAttrs(PS_DASH, 1);
  ASSERT_TRUE(Stroke(line.get(), dashed.get()));
  std::string listing = TakeListing();
  // A page starts with the printer's pen width 1, so only the dash is sent.
  EXPECT_EQ(listing.rfind("SetLineDash LineDashStyle=[72 24] | SetROP", 0), 0u) << listing;
  EXPECT_EQ(listing.find("SolidLine"), std::string::npos) << "a styled line never goes through the solid dash";

  // The same dash again: neither the width nor the dash is sent twice.
  ASSERT_TRUE(Stroke(line.get(), dashed.get()));
  EXPECT_EQ(TakeListing(), "NewPath | SetCursor Point=(0,0) | LineRelPath NumberOfPoints=1 PointType=eSByte points=[(100,0)] | PaintPath");

  plat_testing::LineAttrs user = MakeLineAttrs(PS_USERSTYLE, 1, {3, 1});
  ASSERT_TRUE(Stroke(line.get(), user.get()));
  listing = TakeListing();
  EXPECT_EQ(listing.rfind("SetLineDash LineDashStyle=[36 12] | NewPath", 0), 0u) << listing;

  // Back to solid: the dash is reset once, with the width.
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 1);
  ASSERT_TRUE(Stroke(line.get(), solid.get()));
  listing = TakeListing();
  EXPECT_EQ(listing.rfind("SetLineDash SolidLine=0 | SetPenWidth PenWidth=1 | NewPath", 0), 0u) << listing;
}

TEST_F(Paths, DegenerateDashesStayWithinTheInterpretersLimits) {
  plat_testing::Path line = MakePolyline({{0, 0}, {100, 0}});
  LINEATTRS zero{};
  FLOAT_LONG none[2];
  none[0].l = none[1].l = 0;
  zero.fl = LA_STYLED;
  zero.elWidth.l = 1;
  zero.cstyle = 2;
  zero.pstyle = none;
  ASSERT_TRUE(Stroke(line.get(), &zero));
  std::string listing = TakeListing();
  EXPECT_EQ(listing.rfind("SetLineDash SolidLine=0 | SetPenWidth PenWidth=1 |", 0), 0u) << "an all-zero dash draws solid: " << listing;

  FLOAT_LONG many[25];
  for (FLOAT_LONG& e : many) e.l = 5000;  // x 12 dots: beyond 16 bits
  LINEATTRS wide = zero;
  wide.cstyle = 25;
  wide.pstyle = many;
  ASSERT_TRUE(Stroke(line.get(), &wide));
  pclxl::Decoded run = pclxl::DecodeOperators(Take());
  ASSERT_TRUE(run.ok) << run.error;
  const pclxl::Operator& dash = run.operators.at(0);
  ASSERT_EQ(pclxl::OperatorName(dash.tag), "SetLineDash");
  const pclxl::Attribute* style = dash.Find(0x4A);
  ASSERT_NE(style, nullptr);
  ASSERT_EQ(style->value.numbers.size(), 20u) << "cut to the interpreter's 20 entries";
  for (double e : style->value.numbers) EXPECT_EQ(e, 32767);
}

TEST_F(Paths, GeometricLinesAreLeftToTheEngine) {
  plat_testing::Path line = MakePolyline({{0, 0}, {100, 0}});
  plat_testing::LineAttrs wide = MakeLineAttrs(PS_GEOMETRIC | PS_SOLID, 20);
  ASSERT_NE(wide.get(), nullptr);
  ASSERT_TRUE(wide->fl & LA_GEOMETRIC);
  EXPECT_FALSE(Stroke(line.get(), wide.get()));
}

// The engine widens a geometric line that the driver refuses and fills the outline.
TEST_F(Paths, WideGeometricLineReachesThePrinterAsAFilledOutline) {
  struct Case {
    const char* name;
    DWORD style;
  };
  const Case cases[] = {{"MiterJoinFlatCaps", PS_GEOMETRIC | PS_SOLID | PS_JOIN_MITER | PS_ENDCAP_FLAT},
                        {"RoundJoinRoundCaps", PS_GEOMETRIC | PS_SOLID | PS_JOIN_ROUND | PS_ENDCAP_ROUND},
                        {"BevelJoinSquareCapsDashed", PS_GEOMETRIC | PS_DASH | PS_JOIN_BEVEL | PS_ENDCAP_SQUARE}};
  for (const Case& c : cases) {
    plat_testing::Path corner = MakePolyline({{100, 100}, {400, 100}, {400, 400}});
    plat_testing::LineAttrs wide = MakeLineAttrs(c.style, 20);
    plat_testing::Brush pen = MakeSolidBrush(0);
    plat_testing::Clip trivial = MakeClip();
    const DWORD strokes = pdev()->job.gx.strokes, fills = pdev()->job.gx.fills;
    ASSERT_TRUE(PlatformTest_EngineStrokePath(kDriverFunctions, kDriverFunctionCount, surface(), corner.get(),
                                              trivial.get(), pen.get(), nullptr, wide.get(), kCopyPen))
        << c.name;
    EXPECT_EQ(pdev()->job.gx.strokes, strokes + 1) << c.name;
    EXPECT_EQ(pdev()->job.gx.fills, fills + 1) << "the outline came back as a fill: " << c.name;
    std::vector<std::string> lines = TakeLines();
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    EXPECT_EQ(all.find("malformed"), std::string::npos) << all;
    EXPECT_EQ(all.find("SetLineDash"), std::string::npos) << c.name << ": the refused stroke sent nothing\n" << all;
    EXPECT_NE(all.find("SetPenSource NullPen=0"), std::string::npos) << all;
    EXPECT_NE(all.find("SetBrushSource GrayLevel=0"), std::string::npos) << all;
    EXPECT_EQ(lines.back(), "PaintPath") << c.name;
    Gx_ResetStateCache(pdev());
  }
}

BOOL APIENTRY RefuseComplexFill(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix,
                                FLONG options) {
  if (pco && pco->iDComplexity == DC_COMPLEX) return FALSE;
  return DrvFillPath(pso, ppo, pco, pbo, org, mix, options);
}

// A fill refused under a complex clip is filled again by the engine, one clip rectangle at a
// time: each piece reaches the printer with its own rectangle clip.
TEST_F(Paths, RefusedComplexFillIsDrawnPieceByPiece) {
  const DRVFN table[] = {{INDEX_DrvFillPath, reinterpret_cast<PFN>(RefuseComplexFill)}};
  plat_testing::Path box = MakePolyline({{0, 0}, {400, 0}, {400, 400}, {0, 400}}, true);
  plat_testing::Clip region = MakeClip({RECTL{0, 0, 100, 100}, RECTL{200, 200, 300, 300}});
  plat_testing::Brush brush = MakeSolidBrush(0);
  ASSERT_TRUE(PlatformTest_EngineFillPath(table, 1, surface(), box.get(), region.get(), brush.get(), nullptr, kCopyPen,
                                          FP_WINDINGMODE));
  std::vector<std::string> lines = TakeLines();
  std::vector<std::string> clips;
  size_t paints = 0;
  for (const std::string& l : lines) {
    if (l.rfind("RectanglePath", 0) == 0) clips.push_back(l);
    if (l == "PaintPath") ++paints;
  }
  EXPECT_EQ(clips, (std::vector<std::string>{"RectanglePath BoundingBox=(0,0,100,100)",
                                             "RectanglePath BoundingBox=(200,200,300,300)"}));
  EXPECT_EQ(paints, 2u);
}

TEST_F(Paths, MixesAndSwitches) {
  plat_testing::Path line = MakePolyline({{0, 0}, {100, 0}});
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 1);
  EXPECT_TRUE(Stroke(line.get(), solid.get(), nullptr, 0, R2_NOP | (R2_NOP << 8)));
  EXPECT_EQ(TakeListing(), "") << "a pen that leaves the page alone draws nothing";

  // An inverting pen inverts with a black source.
  EXPECT_TRUE(Stroke(line.get(), solid.get(), nullptr, 0x00FF00, R2_NOT | (R2_NOT << 8)));
  std::string listing = TakeListing();
  EXPECT_NE(listing.find("SetROP ROP3=127"), std::string::npos) << listing;
  EXPECT_NE(listing.find("SetPenSource GrayLevel=0"), std::string::npos) << listing;

  // A transparent background mix.
  EXPECT_TRUE(Stroke(line.get(), solid.get(), nullptr, 0, R2_COPYPEN | (R2_NOP << 8)));
  listing = TakeListing();
  EXPECT_NE(listing.find("SetSourceTxMode TxMode=eTransparent | SetPaintTxMode TxMode=eTransparent"), std::string::npos)
      << listing;

  job().dmPrivate.dwDumpFlags &= ~0x4u;
  EXPECT_TRUE(Stroke(line.get(), solid.get()));
  EXPECT_TRUE(Fill(line.get(), FP_WINDINGMODE));
  EXPECT_EQ(TakeListing(), "") << "vectors switched off";
}

TEST_F(Paths, CallsNeedALiveRecordWithAnOpenPage) {
  plat_testing::Path line = MakePolyline({{0, 0}, {100, 0}});
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 1);
  pdev()->jobCtl.flags &= ~JF_PAGE_OPEN;
  EXPECT_FALSE(Stroke(line.get(), solid.get()));
  EXPECT_FALSE(Fill(line.get(), FP_WINDINGMODE));
  pdev()->jobCtl.flags |= JF_PAGE_OPEN | JF_OUTPUT_STOPPED;
  EXPECT_FALSE(Stroke(line.get(), solid.get()));
  pdev()->jobCtl.flags &= ~JF_OUTPUT_STOPPED;
  SURFOBJ foreign{};
  PDEV stranger{};
  foreign.dhpdev = reinterpret_cast<DHPDEV>(&stranger);
  plat_testing::Brush pen = MakeSolidBrush(0);
  EXPECT_FALSE(DrvStrokePath(&foreign, line.get(), nullptr, nullptr, pen.get(), nullptr, solid.get(), kCopyPen));
  EXPECT_FALSE(DrvFillPath(nullptr, line.get(), nullptr, pen.get(), nullptr, kCopyPen, FP_WINDINGMODE));
  EXPECT_EQ(TakeListing(), "");
}

TEST_F(Paths, RectangleClip) {
  plat_testing::Path box = MakePolyline({{100, 100}, {300, 100}, {300, 300}}, true);
  plat_testing::Clip inside = MakeClip(RECTL{0, 0, 1000, 1000});
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, inside.get()));
  std::string listing = TakeListing();
  EXPECT_EQ(listing.rfind(PageClip() + " |", 0), 0u) << "a clip holding the whole path is the page: " << listing;

  plat_testing::Clip cutting = MakeClip(RECTL{150, 150, 250, 250});
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, cutting.get()));
  listing = TakeListing();
  EXPECT_EQ(listing.rfind("NewPath | RectanglePath BoundingBox=(150,150,250,250) | SetClipReplace ClipRegion=eInterior | NewPath", 0), 0u)
      << listing;
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, cutting.get()));
  listing = TakeListing();
  EXPECT_EQ(listing.rfind("NewPath | SetCursor", 0), 0u) << "the clip is held: " << listing;
}

TEST_F(Paths, ClipEdgesBeyond16BitsClampToThePage) {
  plat_testing::Path box = MakePolyline({{100, 100}, {300, 100}, {300, 300}}, true);
  plat_testing::Clip huge = MakeClip(RECTL{200, 200, 70000, 70000});
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, huge.get()));
  const SHORT* p = pdev()->job.layout.printableBox;
  std::string listing = TakeListing();
  EXPECT_EQ(listing.rfind("NewPath | RectanglePath BoundingBox=(200,200," + std::to_string(p[2]) + "," +
                              std::to_string(p[3]) + ") | SetClipReplace",
                          0),
            0u)
      << listing;
}

TEST_F(Paths, ComplexClipIsSentOncePerRegion) {
  plat_testing::Path box = MakePolyline({{0, 0}, {400, 0}, {400, 400}, {0, 400}}, true);
  plat_testing::Clip region = MakeClip({RECTL{0, 0, 100, 100}, RECTL{200, 200, 300, 300}});
  ASSERT_EQ(region->iDComplexity, DC_COMPLEX);
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, region.get()));
  std::vector<std::string> lines = TakeLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "SetClipMode ClipMode=eEvenOdd");
  EXPECT_EQ(lines[1], "NewPath");
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  EXPECT_NE(all.find("SetClipReplace ClipRegion=eInterior"), std::string::npos) << all;
  EXPECT_EQ(pdev()->job.gx.clipPathUniq, region->iUniq);

  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, region.get()));
  std::string again = TakeListing();
  EXPECT_EQ(again.find("SetClipReplace"), std::string::npos) << "the same region is held: " << again;

  // A rectangle clip in between makes the region current again.
  plat_testing::Clip rect = MakeClip(RECTL{10, 10, 20, 20});
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, rect.get()));
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, region.get()));
  EXPECT_NE(TakeListing().find("SetClipReplace ClipRegion=eInterior | NewPath | SetCursor Point=(0,0)"), std::string::npos);
}

TEST_F(Paths, AComplexClipThatCannotBeSentFailsTheCall) {
  plat_testing::Path box = MakePolyline({{0, 0}, {400, 0}, {400, 400}}, true);
  plat_testing::Clip rect = MakeClip(RECTL{10, 10, 20, 20});
  ASSERT_TRUE(Fill(box.get(), FP_WINDINGMODE, rect.get()));
  Take();
  // A region the engine has no path for: the printer still holds the small rectangle, so the
  // object must not be drawn through it; the engine draws it piece by piece instead.
  CLIPOBJ unknown{};
  unknown.iUniq = 77;
  unknown.iDComplexity = DC_COMPLEX;
  unknown.rclBounds = RECTL{0, 0, 400, 400};
  EXPECT_FALSE(Fill(box.get(), FP_WINDINGMODE, &unknown));
  std::string listing = TakeListing();
  EXPECT_EQ(listing.find("PaintPath"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("malformed"), std::string::npos) << listing;
  EXPECT_TRUE(pdev()->job.gx.clipBoxValid) << "the rectangle is still the clip";
  EXPECT_NE(pdev()->job.gx.clipPathUniq, 77u);
}

TEST_F(Paths, FarPointsGoAbsoluteAndTheChunkReturnsToSteps) {
  // Within range, a 40000-dot step leaves the relative steps for that one point.
  plat_testing::Path jump = MakePolyline({{-20000, 0}, {20000, 0}, {20010, 5}});
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 1);
  ASSERT_TRUE(Stroke(jump.get(), solid.get()));
  std::vector<std::string> lines = TakeLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "SetCursor Point=(-20000,0)");
  EXPECT_EQ(lines[lines.size() - 3], "LinePath NumberOfPoints=1 PointType=eSint16 points=[(20000,0)]");
  EXPECT_EQ(lines[lines.size() - 2], "LineRelPath NumberOfPoints=1 PointType=eSByte points=[(10,5)]");

  // A point beyond the range sends the whole chunk absolute and clamped.
  plat_testing::Path far = MakePolyline({{0, 0}, {10, 0}, {50000, -50000}, {20, 0}});
  ASSERT_TRUE(Stroke(far.get(), solid.get()));
  lines = TakeLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "SetCursor Point=(0,0)");
  EXPECT_EQ(lines[lines.size() - 2], "LinePath NumberOfPoints=3 PointType=eSint16 points=[(10,0) (32767,-32767) (20,0)]");
}

TEST_F(Paths, EmptyPathsAndRecordsDrawNothingAndKeepTheStreamWellFormed) {
  plat_testing::Path empty = MakePath({}, {});
  ASSERT_NE(empty.get(), nullptr);
  ASSERT_TRUE(Fill(empty.get(), FP_WINDINGMODE));
  std::string listing = TakeListing();
  EXPECT_EQ(listing.find("PaintPath"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("malformed"), std::string::npos) << listing;

  // Records of no points, and Bézier points that are not in threes, straight to the emitter.
  PathCursor cursor{};
  POINTFIX points[4] = {{0, 0}, {160, 0}, {160, 160}, {0, 160}};
  EXPECT_TRUE(Path_EmitRecord(pdev(), &cursor, PD_BEGINSUBPATH, points, 0));
  EXPECT_TRUE(Path_EmitRecord(pdev(), &cursor, PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, nullptr, 3));
  EXPECT_EQ(TakeListing(), "") << "nothing to start a figure from";
  EXPECT_FALSE(Path_EmitRecord(pdev(), &cursor, PD_BEGINSUBPATH | PD_BEZIERS, points, 3));
  EXPECT_TRUE(Path_EmitRecord(pdev(), &cursor, PD_BEGINSUBPATH | PD_BEZIERS, points, 4));
  EXPECT_EQ(TakeListing(), "SetCursor Point=(0,0) | SetCursor Point=(0,0) | "
                           "BezierRelPath NumberOfPoints=3 PointType=eSByte points=[(10,0) (10,10) (0,10)]");
}

TEST_F(Paths, StrokeAndFillSetsBothSources) {
  plat_testing::Path box = MakePolyline({{10, 10}, {50, 10}, {50, 50}}, true);
  plat_testing::LineAttrs solid = MakeLineAttrs(PS_SOLID, 1);
  plat_testing::Brush pen = MakeSolidBrush(0x000000);
  plat_testing::Brush brush = MakeSolidBrush(0xFFFFFF);
  plat_testing::Clip trivial = MakeClip();
  ASSERT_TRUE(DrvStrokeAndFillPath(surface(), box.get(), trivial.get(), nullptr, pen.get(), solid.get(), brush.get(),
                                   nullptr, kCopyPen, FP_ALTERNATEMODE));
  EXPECT_EQ(TakeListing(),
            "SetLineDash SolidLine=0 | SetPenWidth PenWidth=1 | SetROP ROP3=240 | SetSourceTxMode TxMode=eOpaque | "
            "SetPaintTxMode TxMode=eOpaque | SetFillMode FillMode=eEvenOdd | SetColorSpace ColorSpace=eGray | "
            "SetPenSource GrayLevel=0 | SetBrushSource GrayLevel=255 | " + PageClip() +
                " | NewPath | SetCursor Point=(10,10) | "
                "LineRelPath NumberOfPoints=2 PointType=eSByte points=[(40,0) (0,40)] | CloseSubPath | PaintPath");
  EXPECT_EQ(pdev()->job.gx.strokesAndFills, 1u);
}

}  // namespace
