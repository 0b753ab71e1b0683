// The DC's drawing calls as the driver receives them: which driver function each call reaches,
// with which path (28.4 fixed point shown in dots), clip, brushes, line attributes and mix.
#include "drawing_dc.h"

#include <functional>

namespace {

using drawingtest::DrawingDC;
using drawingtest::Lines;
using testsupport::kErrorMarker;

struct ShapeCase {
  const char* name;
  std::function<BOOL(HDC)> draw;
  const char* expected;
};

TEST_F(DrawingDC, ShapesBecomePathsAsTheEngineMakesThem) {
  const POINT three[] = {{10, 10}, {40, 10}, {40, 50}};
  const POINT bezier[] = {{0, 0}, {10, 0}, {20, 10}, {20, 20}};
  const POINT two[] = {{0, 0}, {10, 0}, {10, 10}, {100, 100}, {110, 100}, {100, 110}};
  const INT counts[] = {3, 3};
  const char* stroke = "clip=trivial brush=solid:000000 la={fl=0 w=1 state=0} mix=0D0D";
  const char* both = "clip=trivial pen=solid:000000 la={fl=0 w=1 state=0} brush=solid:FFFFFF mix=0D0D alternate";
  const ShapeCase cases[] = {
      {"LineTo", [](HDC dc) { return MoveToEx(dc, 5, 6, nullptr) && LineTo(dc, 25, 6); },
       "DrvStrokePath path=[M5,6 L25,6] %S"},
      {"Polyline", [&](HDC dc) { return Polyline(dc, three, 3); }, "DrvStrokePath path=[M10,10 L40,10 L40,50] %S"},
      {"PolyBezier", [&](HDC dc) { return PolyBezier(dc, bezier, 4); }, "DrvStrokePath path=[M0,0 C10,0 20,10 20,20] %S"},
      {"Polygon", [&](HDC dc) { return Polygon(dc, three, 3); },
       "DrvStrokeAndFillPath path=[M10,10 L40,10 L40,50 Z] %B"},
      {"PolyPolygon", [&](HDC dc) { return PolyPolygon(dc, two, counts, 2); },
       "DrvStrokeAndFillPath path=[M0,0 L10,0 L10,10 Z M100,100 L110,100 L100,110 Z] %B"},
      // The right and bottom edges are not part of a box.
      {"Rectangle", [](HDC dc) { return Rectangle(dc, 30, 20, 10, 40); },
       "DrvStrokeAndFillPath path=[M10,20 L29,20 L29,39 L10,39 Z] %B"},
      {"Ellipse", [](HDC dc) { return Ellipse(dc, 0, 0, 11, 11); },
       "DrvStrokeAndFillPath path=[M10,5 C10,2.25 7.75,0 5,0 C2.25,0 0,2.25 0,5 C0,7.75 2.25,10 5,10 C7.75,10 10,7.75 "
       "10,5 Z] %B"},
      {"RoundRect", [](HDC dc) { return RoundRect(dc, 0, 0, 21, 11, 4, 4); },
       "DrvStrokeAndFillPath path=[M18,0 L2,0 C0.875,0 0,0.875 0,2 L0,8 C0,9.125 0.875,10 2,10 L18,10 C19.125,10 20,9.125 "
       "20,8 L20,2 C20,0.875 19.125,0 18,0 Z] %B"},
      // A quarter turn counter-clockwise from the right-hand radial to the top one.
      {"Arc", [](HDC dc) { return Arc(dc, 0, 0, 21, 21, 30, 10, 10, -5); },
       "DrvStrokePath path=[M20,10 C20,4.5 15.5,0 10,0] %S"},
      {"Chord", [](HDC dc) { return Chord(dc, 0, 0, 21, 21, 30, 10, 10, -5); },
       "DrvStrokeAndFillPath path=[M20,10 C20,4.5 15.5,0 10,0 Z] %B"},
      {"Pie", [](HDC dc) { return Pie(dc, 0, 0, 21, 21, 30, 10, 10, -5); },
       "DrvStrokeAndFillPath path=[M20,10 C20,4.5 15.5,0 10,0 L10,10 Z] %B"},
  };
  for (const ShapeCase& c : cases) {
    ASSERT_TRUE(c.draw(dc_)) << c.name;
    std::string expected = c.expected;
    size_t at = expected.find('%');
    expected.replace(at, 2, expected[at + 1] == 'S' ? stroke : both);
    EXPECT_EQ(Calls(), Lines{expected}) << c.name;
  }
}

TEST_F(DrawingDC, WindowAndViewportOriginsMoveTheDevicePath) {
  SetWindowOrgEx(dc_, 100, 0, nullptr);
  SetViewportOrgEx(dc_, 0, 50, nullptr);
  MoveToEx(dc_, 100, 0, nullptr);
  ASSERT_TRUE(LineTo(dc_, 110, 10));
  EXPECT_EQ(Calls(), (Lines{"DrvStrokePath path=[M0,50 L10,60] clip=trivial brush=solid:000000 la={fl=0 w=1 state=0} "
                            "mix=0D0D"}));
  POINT at{};
  GetCurrentPositionEx(dc_, &at);
  EXPECT_EQ(at.x, 110);  // the current position stays logical
}

TEST_F(DrawingDC, NullPenFillsAndNullBrushStrokes) {
  SelectObject(dc_, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 5, 5));
  EXPECT_EQ(Calls(), (Lines{"DrvFillPath path=[M0,0 L4,0 L4,4 L0,4 Z] clip=trivial brush=solid:FFFFFF origin=0,0 "
                            "mix=0D0D alternate"}));
  SelectObject(dc_, GetStockObject(BLACK_PEN));
  SelectObject(dc_, GetStockObject(NULL_BRUSH));
  SetPolyFillMode(dc_, WINDING);
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 5, 5));
  EXPECT_EQ(Calls(), (Lines{"DrvStrokePath path=[M0,0 L4,0 L4,4 L0,4 Z] clip=trivial brush=solid:000000 "
                            "la={fl=0 w=1 state=0} mix=0D0D"}));
  SelectObject(dc_, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 5, 5));
  EXPECT_EQ(Calls(), Lines{});
  SelectObject(dc_, GetStockObject(GRAY_BRUSH));
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 5, 5));
  EXPECT_EQ(Calls(), (Lines{"DrvFillPath path=[M0,0 L4,0 L4,4 L0,4 Z] clip=trivial brush=solid:808080 origin=0,0 "
                            "mix=0D0D winding"}));
}

struct PenCase {
  const char* name;
  std::function<HPEN()> make;
  const char* attributes;
};

TEST_F(DrawingDC, PensReachTheDriverAsLineAttributes) {
  LOGBRUSH red{BS_SOLID, RGB(255, 0, 0), 0};
  DWORD user[] = {3, 1};
  const PenCase cases[] = {
      {"solid", [] { return CreatePen(PS_SOLID, 0, RGB(255, 0, 0)); }, "fl=0 w=1 state=0"},
      {"dash", [] { return CreatePen(PS_DASH, 1, RGB(255, 0, 0)); }, "fl=8 w=1 style=[6,2] state=0"},
      {"dot", [] { return CreatePen(PS_DOT, 1, RGB(255, 0, 0)); }, "fl=8 w=1 style=[2,2] state=0"},
      {"dash-dot", [] { return CreatePen(PS_DASHDOT, 1, RGB(255, 0, 0)); }, "fl=8 w=1 style=[6,2,2,2] state=0"},
      {"dash-dot-dot", [] { return CreatePen(PS_DASHDOTDOT, 1, RGB(255, 0, 0)); },
       "fl=8 w=1 style=[6,2,2,2,2,2] state=0"},
      {"alternate", [&] { return ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &red, 0, nullptr); }, "fl=2 w=1 state=0"},
      {"cosmetic user style", [&] { return ExtCreatePen(PS_COSMETIC | PS_USERSTYLE, 1, &red, 2, user); },
       "fl=8 w=1 style=[3,1] state=0"},
      {"wide", [] { return CreatePen(PS_SOLID, 8, RGB(255, 0, 0)); }, "fl=1 w=8 join=0 cap=0 miter=10 state=0"},
      {"wide dash stays solid", [] { return CreatePen(PS_DASH, 8, RGB(255, 0, 0)); },
       "fl=1 w=8 join=0 cap=0 miter=10 state=0"},
      {"geometric dash", [&] {
         return ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_MITER, 10, &red, 0, nullptr);
       },
       "fl=9 w=10 join=2 cap=2 miter=10 style=[30,10] state=0"},
      {"geometric user style", [&] {
         return ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_SQUARE | PS_JOIN_BEVEL, 4, &red, 2, user);
       },
       "fl=9 w=4 join=1 cap=1 miter=10 style=[3,1] state=0"},
  };
  for (const PenCase& c : cases) {
    HPEN pen = c.make();
    ASSERT_NE(pen, nullptr) << c.name;
    DeleteObject(SelectObject(dc_, pen));
    MoveToEx(dc_, 50, 50, nullptr);
    ASSERT_TRUE(LineTo(dc_, 150, 50)) << c.name;
    EXPECT_EQ(Calls(), Lines{std::string("DrvStrokePath path=[M50,50 L150,50] clip=trivial brush=solid:0000FF la={") +
                             c.attributes + "} mix=0D0D"})
        << c.name;
  }
  DeleteObject(SelectObject(dc_, GetStockObject(BLACK_PEN)));
}

TEST_F(DrawingDC, MixFollowsTheRop2AndTheBackgroundMode) {
  SetROP2(dc_, R2_XORPEN);
  MoveToEx(dc_, 0, 0, nullptr);
  LineTo(dc_, 1, 1);
  SetBkMode(dc_, TRANSPARENT);
  LineTo(dc_, 2, 2);
  SetROP2(dc_, R2_NOP);
  LineTo(dc_, 3, 3);
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_NE(calls[0].find("mix=0707"), std::string::npos) << calls[0];
  EXPECT_NE(calls[1].find("mix=0B07"), std::string::npos) << calls[1];
  EXPECT_NE(calls[2].find("mix=0B0B"), std::string::npos) << calls[2];
}

TEST_F(DrawingDC, HatchedBrushesAreRealisedOnceAsTheStandardHatchWithTwoColours) {
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 255));
  SelectObject(dc_, hatch);
  SelectObject(dc_, GetStockObject(NULL_PEN));
  SetBkColor(dc_, RGB(255, 255, 0));
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 9, 9));
  ASSERT_TRUE(Rectangle(dc_, 20, 0, 29, 9));
  // The hatch lines are the 0 bits, drawn in entry 0 (the hatch colour); entry 1 is the
  // background.
  EXPECT_EQ(Calls(),
            (Lines{"DrvRealizeBrush hatch=4 target=device pattern=8x8/f1 "
                   "rows=EF000000.EF000000.EF000000.00000000.EF000000.EF000000.EF000000.EF000000 mask=no "
                   "xlate=table2[FF0000,00FFFF]",
                   "DrvFillPath path=[M0,0 L8,0 L8,8 L0,8 Z] clip=trivial brush=pattern#1 origin=0,0 mix=0D0D alternate",
                   "DrvFillPath path=[M20,0 L28,0 L28,8 L20,8 Z] clip=trivial brush=pattern#1 origin=0,0 mix=0D0D "
                   "alternate"}));
  // A new background colour is a new realisation; transparent mode leaves the background alone.
  SetBkColor(dc_, RGB(255, 255, 255));
  SetBkMode(dc_, TRANSPARENT);
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 9, 9));
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].find("xlate=table2[FF0000,FFFFFF]"), std::string::npos) << calls[0];
  EXPECT_NE(calls[1].find("brush=pattern#2 origin=0,0 mix=0B0D"), std::string::npos) << calls[1];
  SelectObject(dc_, GetStockObject(WHITE_BRUSH));
  DeleteObject(hatch);
}

TEST_F(DrawingDC, PatternBrushesCarryTheirBitmapAndItsColours) {
  // A monochrome device bitmap: 0 bits in the text colour, 1 bits in the background colour.
  const WORD rows[8] = {0x00F0, 0x00F0, 0x00F0, 0x00F0, 0x000F, 0x000F, 0x000F, 0x000F};
  HBITMAP mono = CreateBitmap(8, 8, 1, 1, rows);
  HBRUSH brush = CreatePatternBrush(mono);
  SetTextColor(dc_, RGB(0, 128, 0));
  SelectObject(dc_, brush);
  SelectObject(dc_, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 9, 9));
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0],
            "DrvRealizeBrush hatch=7 target=device pattern=8x8/f1 "
            "rows=F0000000.F0000000.F0000000.F0000000.0F000000.0F000000.0F000000.0F000000 mask=no "
            "xlate=table2[008000,FFFFFF]");

  // A 24-bit DIB pattern: its own colours, blue-green-red bytes translated to the device.
  struct {
    BITMAPINFOHEADER header;
    BYTE bits[2][4];
  } dib{};
  dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  dib.bits[0][0] = 0xFF;  // bottom row: blue
  dib.bits[1][2] = 0xFF;  // top row: red
  LOGBRUSH lb{BS_DIBPATTERNPT, DIB_RGB_COLORS, reinterpret_cast<ULONG_PTR>(&dib)};
  HBRUSH dibBrush = CreateBrushIndirect(&lb);
  ASSERT_NE(dibBrush, nullptr);
  SelectObject(dc_, dibBrush);
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 9, 9));
  calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].find("pattern=1x2/f5"), std::string::npos) << calls[0];
  EXPECT_NE(calls[1].find("brush=pattern#2"), std::string::npos) << calls[1];
  SelectObject(dc_, GetStockObject(WHITE_BRUSH));
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(mono), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(dibBrush)})
    DeleteObject(o);
}

TEST_F(DrawingDC, ClipReachesTheDriverAsTrivialRectangleOrComplex) {
  SelectObject(dc_, GetStockObject(NULL_PEN));
  auto clipOf = [&]() {
    Lines calls = Calls();
    if (calls.size() != 1) return std::string("calls: ") + std::to_string(calls.size());
    size_t from = calls[0].find("clip=") + 5;
    return calls[0].substr(from, calls[0].find(' ', from) - from);
  };
  IntersectClipRect(dc_, 0, 0, 100, 100);
  Rectangle(dc_, 10, 10, 20, 20);
  EXPECT_EQ(clipOf(), "trivial");  // the clip holds the whole shape
  Rectangle(dc_, 90, 90, 120, 120);
  EXPECT_EQ(clipOf(), "rect(0,0,100,100)");
  ExcludeClipRect(dc_, 40, 40, 60, 60);
  Rectangle(dc_, 0, 0, 100, 100);
  EXPECT_EQ(clipOf(), "complex#1(0,0,100,40)(0,40,40,60)(60,40,100,60)(0,60,100,100)");
  Rectangle(dc_, 0, 0, 50, 50);
  EXPECT_EQ(clipOf(), "complex#1(0,0,100,40)(0,40,40,60)(60,40,100,60)(0,60,100,100)");  // the same region
  ExcludeClipRect(dc_, 0, 0, 10, 10);
  Rectangle(dc_, 0, 0, 100, 100);
  EXPECT_EQ(clipOf().substr(0, 9), "complex#2");
  // A shape wholly outside the clip reaches no driver function.
  EXPECT_TRUE(Rectangle(dc_, 200, 200, 300, 300));
  EXPECT_EQ(Calls(), Lines{});
  // A polygon region clips as well.
  const POINT diamond[] = {{50, 0}, {100, 50}, {50, 100}, {0, 50}};
  HRGN region = CreatePolygonRgn(diamond, 4, ALTERNATE);
  SelectClipRgn(dc_, region);
  DeleteObject(region);
  Rectangle(dc_, 0, 0, 100, 100);
  EXPECT_EQ(clipOf().substr(0, 9), "complex#3");
  SelectClipRgn(dc_, nullptr);
  Rectangle(dc_, 0, 0, 100, 100);
  EXPECT_EQ(clipOf(), "trivial");
}

TEST_F(DrawingDC, PathBracketsCollectShapesAndDrawThemOnce) {
  ASSERT_TRUE(BeginPath(dc_));
  MoveToEx(dc_, 10, 10, nullptr);
  LineTo(dc_, 50, 10);
  LineTo(dc_, 50, 50);
  ASSERT_TRUE(CloseFigure(dc_));
  Rectangle(dc_, 100, 100, 111, 111);
  EXPECT_EQ(Calls(), Lines{});  // nothing is drawn while the bracket is open
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetPath(dc_, nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CAN_NOT_COMPLETE));
  ASSERT_TRUE(EndPath(dc_));
  ASSERT_EQ(GetPath(dc_, nullptr, nullptr, 0), 7);
  POINT points[7];
  BYTE types[7];
  ASSERT_EQ(GetPath(dc_, points, types, 7), 7);
  const BYTE expectedTypes[] = {PT_MOVETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE, PT_MOVETO, PT_LINETO, PT_LINETO,
                                PT_LINETO | PT_CLOSEFIGURE};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(types[i], expectedTypes[i]) << i;
  EXPECT_EQ(points[5].x, 110);
  EXPECT_EQ(points[5].y, 110);
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetPath(dc_, points, types, 6), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  SetPolyFillMode(dc_, WINDING);
  ASSERT_TRUE(StrokeAndFillPath(dc_));
  EXPECT_EQ(Calls(), (Lines{"DrvStrokeAndFillPath path=[M10,10 L50,10 L50,50 Z M100,100 L110,100 L110,110 L100,110 Z] "
                            "clip=trivial pen=solid:000000 la={fl=0 w=1 state=0} brush=solid:FFFFFF mix=0D0D winding"}));
  // The path is used up.
  SetLastError(kErrorMarker);
  EXPECT_FALSE(StrokePath(dc_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CAN_NOT_COMPLETE));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EndPath(dc_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CAN_NOT_COMPLETE));

  ASSERT_TRUE(BeginPath(dc_));
  Ellipse(dc_, 0, 0, 11, 11);
  ASSERT_TRUE(EndPath(dc_));
  ASSERT_TRUE(FillPath(dc_));
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].substr(0, 29), "DrvFillPath path=[M10,5 C10,2");
  ASSERT_TRUE(BeginPath(dc_));
  LineTo(dc_, 5, 5);
  ASSERT_TRUE(AbortPath(dc_));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(FillPath(dc_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CAN_NOT_COMPLETE));
}

TEST_F(DrawingDC, ARefusedStrokeAndFillIsDoneAsAFillAndAStroke) {
  setenv("VELMOR_DRAWING_REFUSE", "DrvStrokeAndFillPath", 1);
  ASSERT_TRUE(Rectangle(dc_, 0, 0, 5, 5));
  EXPECT_EQ(Calls(), (Lines{"DrvStrokeAndFillPath path=[M0,0 L4,0 L4,4 L0,4 Z] clip=trivial pen=solid:000000 "
                            "la={fl=0 w=1 state=0} brush=solid:FFFFFF mix=0D0D alternate",
                            "DrvFillPath path=[M0,0 L4,0 L4,4 L0,4 Z] clip=trivial brush=solid:FFFFFF origin=0,0 "
                            "mix=0D0D alternate",
                            "DrvStrokePath path=[M0,0 L4,0 L4,4 L0,4 Z] clip=trivial brush=solid:000000 "
                            "la={fl=0 w=1 state=0} mix=0D0D"}));
}

TEST_F(DrawingDC, ARefusedWideLineIsWidenedAndFilledWithThePensBrush) {
  setenv("VELMOR_DRAWING_REFUSE", "DrvStrokePath", 1);
  LOGBRUSH red{BS_SOLID, RGB(255, 0, 0), 0};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 4, &red, 0, nullptr);
  SelectObject(dc_, pen);
  MoveToEx(dc_, 10, 10, nullptr);
  ASSERT_TRUE(LineTo(dc_, 30, 10));
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].substr(0, 36), "DrvStrokePath path=[M10,10 L30,10] c");
  // A flat-capped line four dots wide is the rectangle two dots either side of it.
  EXPECT_EQ(calls[1], "DrvFillPath path=[M10,8 L30,8 L30,12 L10,12 Z] clip=trivial brush=solid:0000FF origin=0,0 "
                      "mix=0D0D winding");
  // A refused cosmetic line stays refused: the engine cannot draw on the device's surface.
  SelectObject(dc_, GetStockObject(BLACK_PEN));
  EXPECT_FALSE(LineTo(dc_, 40, 10));
  EXPECT_EQ(Calls().size(), 1u);
  DeleteObject(pen);
}

TEST_F(DrawingDC, ARefusedComplexFillIsBrokenIntoTheClipsRectangles) {
  setenv("VELMOR_DRAWING_REFUSE", "DrvFillPath", 1);
  SelectObject(dc_, GetStockObject(NULL_PEN));
  ExcludeClipRect(dc_, 0, 10, 100, 20);
  IntersectClipRect(dc_, 0, 0, 100, 30);
  Rectangle(dc_, 0, 0, 51, 31);
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_NE(calls[0].find("clip=complex#1(0,0,100,10)(0,20,100,30)"), std::string::npos) << calls[0];
  EXPECT_NE(calls[1].find("clip=rect(0,0,100,10)"), std::string::npos) << calls[1];
  EXPECT_NE(calls[2].find("clip=rect(0,20,100,30)"), std::string::npos) << calls[2];
}

TEST_F(DrawingDC, BadPointListsAreRefusedBeforeTheDriverHearsOfThem) {
  const POINT points[5] = {};
  const INT badCounts[] = {3, 1};
  struct Bad {
    const char* name;
    std::function<BOOL()> call;
  };
  const Bad bad[] = {
      {"Polyline of one point", [&] { return Polyline(dc_, points, 1); }},
      {"Polyline without points", [&] { return Polyline(dc_, nullptr, 3); }},
      {"PolyBezier of five points", [&] { return PolyBezier(dc_, points, 5); }},
      {"Polygon of one point", [&] { return Polygon(dc_, points, 1); }},
      {"PolyPolygon with a one-point polygon", [&] { return PolyPolygon(dc_, points, badCounts, 2); }},
      {"PolyPolygon of no polygons", [&] { return PolyPolygon(dc_, points, badCounts, 0); }},
  };
  for (const Bad& b : bad) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(b.call()) << b.name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << b.name;
  }
  EXPECT_EQ(Calls(), Lines{});
  SetLastError(kErrorMarker);
  EXPECT_FALSE(LineTo(reinterpret_cast<HDC>(0x4444), 1, 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
