// The engine's font objects on the machine's real fonts: face choice and simulations, the
// realisation's identity, IFIMETRICS, the font file, the transform, glyph images and strings.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <win/ddi_text.h>
#include <win/gdi_text.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

LOGFONTW Font(const char16_t* face, LONG height, LONG weight = FW_NORMAL, bool italic = false, LONG escapement = 0,
              LONG width = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  for (size_t i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

std::u16string FaceName(FONTOBJ* fo) {
  IFIMETRICS* ifi = FONTOBJ_pifi(fo);
  if (!ifi) return u"<none>";
  return reinterpret_cast<const char16_t*>(reinterpret_cast<BYTE*>(ifi) + ifi->dpwszFaceName);
}

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// Pixels set in a glyph image.
int Ink(const GLYPHBITS* bits) {
  int rowBytes = (bits->sizlBitmap.cx + 7) / 8, ink = 0;
  for (int i = 0; i < rowBytes * bits->sizlBitmap.cy; ++i) ink += __builtin_popcount(bits->aj[i]);
  return ink;
}

GLYPHDATA* Glyph(FONTOBJ* fo, HGLYPH hg) {
  PVOID data = nullptr;
  EXPECT_EQ(FONTOBJ_cGetGlyphs(fo, FO_GLYPHBITS, 1, &hg, &data), 1u);
  return static_cast<GLYPHDATA*>(data);
}

class EngineFonts : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(EngineFonts, FacesAreChosenByNameWithFallbacks) {
  struct Case {
    const char16_t* asked;
    LONG weight;
    bool italic;
    const char* face;
    FLONG sims;
  } cases[] = {
      {u"DejaVu Sans", FW_NORMAL, false, "DejaVu Sans", 0},
      {u"dejavu serif", FW_BOLD, false, "DejaVu Serif Bold", 0},
      {u"DejaVu Sans", FW_BOLD, true, "DejaVu Sans Bold Oblique", 0},
      {u"Arial", FW_NORMAL, false, "Liberation Sans", 0},
      {u"Courier New", FW_BOLD, false, "Liberation Mono Bold", 0},
      {u"No Such Face", FW_NORMAL, false, "DejaVu Sans", 0},
      // A family with one face only: bold and italic are simulated.
      {u"DejaVu Math TeX Gyre", FW_BOLD, true, "DejaVuMathTeXGyre-Regular", FO_SIM_BOLD | FO_SIM_ITALIC},
  };
  for (const Case& c : cases) {
    LOGFONTW lf = Font(c.asked, -100, c.weight, c.italic);
    FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
    ASSERT_NE(fo, nullptr) << Narrow(c.asked);
    EXPECT_EQ(Narrow(FaceName(fo)), c.face) << Narrow(c.asked);
    EXPECT_EQ(fo->flFontType & (FO_SIM_BOLD | FO_SIM_ITALIC), c.sims) << Narrow(c.asked);
    EXPECT_TRUE(fo->flFontType & FO_TYPE_TRUETYPE);
  }
}

TEST_F(EngineFonts, RealisationIsStableForTheSameRequest) {
  LOGFONTW a = Font(u"DejaVu Sans", -100);
  FONTOBJ* first = PlatformTest_RealizeFont(&a, 600);
  ASSERT_NE(first, nullptr);
  LOGFONTW again = Font(u"DejaVu Sans", -100);
  again.lfFaceName[20] = u'x';  // past the name's terminator: not part of the request
  EXPECT_EQ(PlatformTest_RealizeFont(&again, 600), first);
  LOGFONTW other = Font(u"DejaVu Sans", -101);
  FONTOBJ* second = PlatformTest_RealizeFont(&other, 600);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second->iUniq, first->iUniq);
  FONTOBJ* high = PlatformTest_RealizeFont(&a, 1200);
  EXPECT_NE(high->iUniq, first->iUniq);
  EXPECT_EQ(high->sizLogResPpi.cx, 1200);
}

TEST_F(EngineFonts, TrueTypeFileIsTheWholeFile) {
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
  ASSERT_NE(fo, nullptr);
  ULONG size = 0;
  PVOID file = FONTOBJ_pvTrueTypeFontFile(fo, &size);
  ASSERT_NE(file, nullptr);
  std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
  std::vector<char> host((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(size, host.size());
  EXPECT_EQ(0, std::memcmp(file, host.data(), size));
  IFIMETRICS* ifi = FONTOBJ_pifi(fo);
  ASSERT_NE(ifi, nullptr);
  EXPECT_EQ(ifi->fwdUnitsPerEm, 2048);
  EXPECT_TRUE(ifi->flInfo & FM_INFO_TECH_TRUETYPE);
  EXPECT_FALSE(ifi->fsSelection & (FM_SEL_BOLD | FM_SEL_ITALIC));
  EXPECT_GE(ifi->cjThis, sizeof(IFIMETRICS));
  EXPECT_EQ(ifi->jWinPitchAndFamily & 0x3, VARIABLE_PITCH);
}

TEST_F(EngineFonts, Type1FaceIsAnotherTechnologyWithGlyphImages) {
  LOGFONTW lf = Font(u"Nimbus Sans", -100);
  FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
  ASSERT_NE(fo, nullptr);
  EXPECT_EQ(Narrow(FaceName(fo)).rfind("Nimbus Sans", 0), 0u);
  EXPECT_EQ(fo->flFontType & (FO_TYPE_TRUETYPE | FO_TYPE_OPENTYPE | FO_TYPE_RASTER), 0u);
  ULONG size = 123;
  EXPECT_EQ(FONTOBJ_pvTrueTypeFontFile(fo, &size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(FONTOBJ_pifi(fo)->flInfo & FM_INFO_TECH_TYPE1);
  STROBJ* so = PlatformTest_CreateString(fo, u"H", 1, 0, 0, nullptr, FALSE, FALSE);
  ASSERT_NE(so, nullptr);
  GLYPHDATA* g = Glyph(fo, so->pgp[0].hg);
  ASSERT_NE(g, nullptr);
  EXPECT_GT(Ink(g->gdf.pgb), 500);
  PlatformTest_DeleteString(so);
}

TEST_F(EngineFonts, TransformMapsTheEmToDevicePixels) {
  struct Case {
    LONG escapement;
    LONG emX, emY;  // where (0, units per em) lands
  } cases[] = {{0, 0, -100}, {900, -100, 0}, {1800, 0, 100}, {2700, 100, 0}};
  for (const Case& c : cases) {
    LOGFONTW lf = Font(u"DejaVu Sans", -100, FW_NORMAL, false, c.escapement);
    FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(fo);
    ASSERT_NE(xo, nullptr);
    XFORML x{};
    EXPECT_EQ(XFORMOBJ_iGetXform(xo, &x), c.escapement % 1800 ? GX_GENERAL : static_cast<ULONG>(GX_SCALE));
    POINTL em[1] = {{0, 2048}}, out[1];
    ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_LTOL, 1, em, out));
    EXPECT_EQ(out[0].x, c.emX) << c.escapement;
    EXPECT_EQ(out[0].y, c.emY) << c.escapement;
    POINTL back[1];
    ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_INV_LTOL, 1, out, back));
    EXPECT_NEAR(back[0].y, 2048, 1);
  }
  // lfWidth makes the x scale differ: half the average width, half as wide.
  LOGFONTW narrow = Font(u"DejaVu Sans", -100, FW_NORMAL, false, 0, 1);
  IFIMETRICS* ifi = FONTOBJ_pifi(PlatformTest_RealizeFont(&narrow, 600));
  LONG average = ifi->fwdAveCharWidth * 100 / 2048;
  narrow.lfWidth = average / 2;
  XFORML x{};
  XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(PlatformTest_RealizeFont(&narrow, 600)), &x);
  EXPECT_NEAR(x.eM11 / -x.eM22, 0.5, 0.03);
  EXPECT_EQ(XFORMOBJ_iGetXform(nullptr, &x), DDI_ERROR);
}

TEST_F(EngineFonts, GlyphImagesHaveByteRowsAndSimulations) {
  LOGFONTW plain = Font(u"DejaVu Math TeX Gyre", -200);
  LOGFONTW bold = Font(u"DejaVu Math TeX Gyre", -200, FW_BOLD);
  FONTOBJ* fp = PlatformTest_RealizeFont(&plain, 600);
  FONTOBJ* fb = PlatformTest_RealizeFont(&bold, 600);
  ASSERT_TRUE(fb->flFontType & FO_SIM_BOLD);
  STROBJ* sp = PlatformTest_CreateString(fp, u"l", 1, 0, 0, nullptr, FALSE, FALSE);
  GLYPHDATA* gp = Glyph(fp, sp->pgp[0].hg);
  int plainInk = Ink(gp->gdf.pgb);
  LONG plainWidth = gp->gdf.pgb->sizlBitmap.cx;
  GLYPHDATA* gb = Glyph(fb, sp->pgp[0].hg);
  EXPECT_GT(Ink(gb->gdf.pgb), plainInk * 5 / 4);
  EXPECT_GT(gb->gdf.pgb->sizlBitmap.cx, plainWidth);
  // The image's origin is above the baseline (negative y), the advance in 28.4.
  EXPECT_LT(gp->gdf.pgb->ptlOrigin.y, 0);
  EXPECT_EQ(gp->hg, sp->pgp[0].hg);
  EXPECT_GT(gp->fxD, 0);
  EXPECT_EQ(gp->fxD % 16, 0);
  PlatformTest_DeleteString(sp);
  HGLYPH none = 0;
  PVOID data;
  EXPECT_EQ(FONTOBJ_cGetGlyphs(fp, FO_GLYPHBITS, 2, &none, &data), 0u);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(nullptr, FO_GLYPHBITS, 1, &none, &data), 0u);
}

TEST_F(EngineFonts, StringPositionsFollowTheAdvancesOrTheCallersDx) {
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
  STROBJ* so = PlatformTest_CreateString(fo, u"AVA", 3, 100, 200, nullptr, FALSE, FALSE);
  ASSERT_NE(so, nullptr);
  ASSERT_NE(so->pgp, nullptr);
  EXPECT_EQ(so->cGlyphs, 3u);
  EXPECT_EQ(so->ulCharInc, 0u);
  EXPECT_EQ(so->flAccel & (SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL), SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL);
  GLYPHDATA* a = Glyph(fo, so->pgp[0].hg);
  EXPECT_EQ(so->pgp[0].ptl.x, 100);
  EXPECT_EQ(so->pgp[0].ptl.y, 200);
  EXPECT_EQ(so->pgp[1].ptl.x, 100 + a->fxD / 16);
  EXPECT_EQ(so->pgp[1].ptl.y, 200);
  EXPECT_EQ(so->pgp[0].hg, so->pgp[2].hg);
  EXPECT_LT(so->rclBkGround.top, 200 - 50);
  EXPECT_GT(so->rclBkGround.bottom, 200);
  EXPECT_EQ(STROBJ_dwGetCodePage(so), 1252u);
  ULONG count = 0;
  PGLYPHPOS pos = nullptr;
  STROBJ_vEnumStart(so);
  EXPECT_FALSE(STROBJ_bEnum(so, &count, &pos));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(pos, so->pgp);
  PlatformTest_DeleteString(so);

  INT dx[] = {10, 20, 30};
  so = PlatformTest_CreateString(fo, u"AVA", 3, 0, 0, dx, FALSE, FALSE);
  EXPECT_EQ(so->pgp[1].ptl.x, 10);
  EXPECT_EQ(so->pgp[2].ptl.x, 30);
  EXPECT_FALSE(so->flAccel & SO_FLAG_DEFAULT_PLACEMENT);
  PlatformTest_DeleteString(so);

  // Rotated by 90 degrees: the glyphs go up the page.
  LOGFONTW up = Font(u"DejaVu Sans", -100, FW_NORMAL, false, 900);
  so = PlatformTest_CreateString(PlatformTest_RealizeFont(&up, 600), u"AB", 2, 500, 500, dx, FALSE, FALSE);
  EXPECT_EQ(so->pgp[1].ptl.x, 500);
  EXPECT_EQ(so->pgp[1].ptl.y, 490);
  EXPECT_FALSE(so->flAccel & SO_HORIZONTAL);
  PlatformTest_DeleteString(so);

  WCHAR glyphs[] = {36, 37};
  so = PlatformTest_CreateString(fo, glyphs, 2, 0, 0, nullptr, TRUE, FALSE);
  EXPECT_TRUE(so->flAccel & SO_GLYPHINDEX_TEXTOUT);
  EXPECT_EQ(so->pgp[0].hg, 36u);
  EXPECT_EQ(so->pgp[1].hg, 37u);
  PlatformTest_DeleteString(so);
}

TEST_F(EngineFonts, FixedPitchStringsComeInBatches) {
  LOGFONTW lf = Font(u"DejaVu Sans Mono", -100);
  FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
  std::u16string text(250, u'x');
  STROBJ* so = PlatformTest_CreateString(fo, text.c_str(), 250, 0, 0, nullptr, FALSE, FALSE);
  ASSERT_NE(so, nullptr);
  EXPECT_EQ(so->pgp, nullptr);
  EXPECT_GT(so->ulCharInc, 0u);
  std::vector<ULONG> batches;
  std::vector<BOOL> more;
  ULONG count;
  PGLYPHPOS pos;
  STROBJ_vEnumStart(so);
  LONG lastX = -1;
  for (int i = 0; i < 5; ++i) {
    BOOL m = STROBJ_bEnum(so, &count, &pos);
    batches.push_back(count);
    more.push_back(m);
    if (count) {
      EXPECT_EQ(pos[0].ptl.x, lastX < 0 ? 0 : lastX + static_cast<LONG>(so->ulCharInc));
      lastX = pos[count - 1].ptl.x;
    }
    if (!m) break;
  }
  EXPECT_EQ(batches, (std::vector<ULONG>{100, 100, 50}));
  EXPECT_EQ(more, (std::vector<BOOL>{TRUE, TRUE, FALSE}));
  PlatformTest_DeleteString(so);
  // The batch size control applies to every string.
  PlatformTest_SetControl("engine.StringBatchGlyphs", "7", FALSE);
  LOGFONTW sans = Font(u"DejaVu Sans", -100);
  so = PlatformTest_CreateString(PlatformTest_RealizeFont(&sans, 600), u"0123456789", 10, 0, 0, nullptr, FALSE, FALSE);
  EXPECT_EQ(so->pgp, nullptr);
  EXPECT_TRUE(STROBJ_bEnum(so, &count, &pos));
  EXPECT_EQ(count, 7u);
  EXPECT_FALSE(STROBJ_bEnum(so, &count, &pos));
  EXPECT_EQ(count, 3u);
  PlatformTest_SetControl("engine.StringBatchGlyphs", nullptr, FALSE);
  PlatformTest_DeleteString(so);
}

TEST(EngineCodePages, WideCharToMultiByte) {
  WCHAR text[] = {u'A', 0xE9, 0x20AC, 0x3A9};
  char out[8] = {};
  EXPECT_EQ(EngWideCharToMultiByte(1252, text, sizeof text, out, sizeof out), 4);
  EXPECT_EQ(std::string(out, 4), std::string("A\xE9\x80?"));
  EXPECT_EQ(EngWideCharToMultiByte(1252, text, sizeof text, out, 2), 2);
  EXPECT_EQ(EngWideCharToMultiByte(54321, text, sizeof text, out, sizeof out), -1);
}

}  // namespace
