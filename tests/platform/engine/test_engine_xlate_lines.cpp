// Colour translations onto the device (RGB) and line attributes from pens.
#include <gtest/gtest.h>

#include <vector>

#include "platform_testing.h"

namespace {

TEST(EngineXlate, IndexedSourcesGiveATable) {
  std::vector<ULONG> colors = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(1, 2, 3)};
  auto xlate = plat_testing::MakeXlate(PAL_INDEXED, colors);
  ASSERT_NE(xlate, nullptr);
  EXPECT_EQ(xlate->flXlate, static_cast<FLONG>(XO_TABLE));
  EXPECT_EQ(xlate->cEntries, 3u);
  ASSERT_NE(xlate->pulXlate, nullptr);
  EXPECT_EQ(xlate->pulXlate[2], RGB(1, 2, 3));
  EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), 1), RGB(255, 255, 255));
  EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), 3), 0u) << "beyond the table: black";

  EXPECT_EQ(XLATEOBJ_cGetPalette(xlate.get(), XO_SRCPALETTE, 0, nullptr), 3u);
  ULONG out[4] = {9, 9, 9, 9};
  EXPECT_EQ(XLATEOBJ_cGetPalette(xlate.get(), XO_SRCPALETTE, 2, out), 2u);
  EXPECT_EQ(out[1], RGB(255, 255, 255));
  EXPECT_EQ(out[2], 9u) << "no more than cPal entries";
  EXPECT_EQ(XLATEOBJ_cGetPalette(xlate.get(), XO_DESTPALETTE, 4, out), 0u) << "the device has no index";
  EXPECT_EQ(XLATEOBJ_cGetPalette(xlate.get(), XO_SRCBITFIELDS, 4, out), 0u);
}

TEST(EngineXlate, DirectSourcesConvertEachPixel) {
  struct Case {
    const char* name;
    ULONG mode;
    FLONG red, green, blue;
    FLONG flXlate;
    ULONG pixel;
    ULONG device;
  } cases[] = {
      {"device RGB is trivial", PAL_RGB, 0, 0, 0, XO_TRIVIAL, 0x00123456, 0x00123456},
      {"24-bit DIB pixels are BGR", PAL_BGR, 0, 0, 0, 0, 0x00FF0000, RGB(255, 0, 0)},
      {"BGR blue", PAL_BGR, 0, 0, 0, 0, 0x000000FF, RGB(0, 0, 255)},
      {"5-5-5 red", PAL_BITFIELDS, 0x7C00, 0x03E0, 0x001F, 0, 0x7C00, RGB(255, 0, 0)},
      {"5-5-5 mid green", PAL_BITFIELDS, 0x7C00, 0x03E0, 0x001F, 0, 0x0200, RGB(0, 132, 0)},
      {"5-6-5 green", PAL_BITFIELDS, 0xF800, 0x07E0, 0x001F, 0, 0x07E0, RGB(0, 255, 0)},
      {"5-6-5 white", PAL_BITFIELDS, 0xF800, 0x07E0, 0x001F, 0, 0xFFFF, RGB(255, 255, 255)},
  };
  for (const Case& c : cases) {
    auto xlate = plat_testing::MakeXlate(c.mode, {}, c.red, c.green, c.blue);
    ASSERT_NE(xlate, nullptr) << c.name;
    EXPECT_EQ(xlate->flXlate, c.flXlate) << c.name;
    EXPECT_EQ(xlate->cEntries, 0u) << c.name;
    EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), c.pixel), c.device) << c.name;
  }
}

TEST(EngineXlate, BitfieldMasksAreReadable) {
  auto b555 = plat_testing::MakeXlate(PAL_BITFIELDS, {}, 0x7C00, 0x03E0, 0x001F);
  ULONG masks[3] = {};
  EXPECT_EQ(XLATEOBJ_cGetPalette(b555.get(), XO_SRCBITFIELDS, 3, masks), 3u);
  EXPECT_EQ(masks[0], 0x7C00u);
  EXPECT_EQ(masks[2], 0x001Fu);
  EXPECT_EQ(XLATEOBJ_cGetPalette(b555.get(), XO_SRCBITFIELDS, 2, masks), 0u) << "too small for three";

  auto bgr = plat_testing::MakeXlate(PAL_BGR);
  EXPECT_EQ(XLATEOBJ_cGetPalette(bgr.get(), XO_SRCBITFIELDS, 3, masks), 3u);
  EXPECT_EQ(masks[0], 0xFF0000u) << "red is the high byte of a BGR pixel";
  EXPECT_EQ(XLATEOBJ_cGetPalette(bgr.get(), XO_DESTBITFIELDS, 3, masks), 3u);
  EXPECT_EQ(masks[0], 0x0000FFu) << "red is the low byte on the device";
}

TEST(EngineXlate, UnusablePalettesAndForeignPointers) {
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(plat_testing::MakeXlate(PAL_INDEXED), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(plat_testing::MakeXlate(PAL_BITFIELDS), nullptr);
  EXPECT_EQ(plat_testing::MakeXlate(0x80), nullptr);
  EXPECT_EQ(XLATEOBJ_iXlate(nullptr, 0x123), 0x123u) << "no translation is the identity";
  XLATEOBJ foreign{};
  foreign.flXlate = XO_TABLE;
  foreign.cEntries = 100;
  EXPECT_EQ(XLATEOBJ_iXlate(&foreign, 5), 5u) << "a table the engine did not make is never read";
  EXPECT_EQ(XLATEOBJ_cGetPalette(&foreign, XO_SRCPALETTE, 0, nullptr), 0u);
}

// Pen style words.
constexpr DWORD kGeometric = 0x00010000;
constexpr DWORD kCapSquare = 0x100, kCapFlat = 0x200, kJoinBevel = 0x1000, kJoinMiter = 0x2000;

TEST(EngineLineAttributes, FromPens) {
  struct Case {
    const char* name;
    DWORD style;
    ULONG width;
    std::vector<DWORD> user;
    FLONG fl;
    ULONG join, cap;
    std::vector<float> entries;  // LONG entries for cosmetic pens, FLOAT for geometric
  } cases[] = {
      {"cosmetic solid", 0, 1, {}, 0, JOIN_ROUND, ENDCAP_ROUND, {}},
      {"cosmetic dash", 1, 1, {}, LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {6, 2}},
      {"cosmetic dot", 2, 0, {}, LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {2, 2}},
      {"cosmetic dash-dot", 3, 1, {}, LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {6, 2, 2, 2}},
      {"cosmetic dash-dot-dot", 4, 1, {}, LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {6, 2, 2, 2, 2, 2}},
      {"inside frame is solid", 6, 1, {}, 0, JOIN_ROUND, ENDCAP_ROUND, {}},
      {"cosmetic user style", 7, 1, {3, 1}, LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {3, 1}},
      {"alternate", 8, 1, {}, LA_ALTERNATE, JOIN_ROUND, ENDCAP_ROUND, {}},
      {"wide round", kGeometric, 20, {}, LA_GEOMETRIC, JOIN_ROUND, ENDCAP_ROUND, {}},
      {"wide square bevel", kGeometric | kCapSquare | kJoinBevel, 8, {}, LA_GEOMETRIC, JOIN_BEVEL, ENDCAP_SQUARE, {}},
      {"wide flat miter", kGeometric | kCapFlat | kJoinMiter, 8, {}, LA_GEOMETRIC, JOIN_MITER, ENDCAP_BUTT, {}},
      {"wide dash", kGeometric | 1, 10, {}, LA_GEOMETRIC | LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {30, 10}},
      {"wide user style", kGeometric | 7, 10, {25, 5}, LA_GEOMETRIC | LA_STYLED, JOIN_ROUND, ENDCAP_ROUND, {25, 5}},
      {"geometric alternate draws solid", kGeometric | 8, 4, {}, LA_GEOMETRIC, JOIN_ROUND, ENDCAP_ROUND, {}},
  };
  for (const Case& c : cases) {
    auto la = plat_testing::MakeLineAttrs(c.style, c.width, c.user);
    ASSERT_NE(la, nullptr) << c.name;
    EXPECT_EQ(la->fl, c.fl) << c.name;
    EXPECT_EQ(la->iJoin, c.join) << c.name;
    EXPECT_EQ(la->iEndCap, c.cap) << c.name;
    EXPECT_EQ(la->elStyleState.l, 0) << c.name;
    ASSERT_EQ(la->cstyle, c.entries.size()) << c.name;
    bool geometric = (c.fl & LA_GEOMETRIC) != 0;
    if (geometric) {
      EXPECT_EQ(la->elWidth.e, static_cast<float>(c.width)) << c.name;
      EXPECT_EQ(la->eMiterLimit, 10.0f) << c.name;
    } else {
      EXPECT_EQ(la->elWidth.l, 1) << c.name;
    }
    for (size_t i = 0; i < c.entries.size(); ++i) {
      if (geometric)
        EXPECT_EQ(la->pstyle[i].e, c.entries[i]) << c.name << " entry " << i;
      else
        EXPECT_EQ(la->pstyle[i].l, static_cast<LONG>(c.entries[i])) << c.name << " entry " << i;
    }
    if (c.entries.empty()) {
      EXPECT_EQ(la->pstyle, nullptr) << c.name;
    }
  }
  EXPECT_EQ(plat_testing::MakeLineAttrs(5), nullptr) << "a null pen draws no line";
  std::vector<DWORD> many(20, 1);
  EXPECT_EQ(plat_testing::MakeLineAttrs(7, 1, many)->cstyle, 16u) << "at most 16 style entries";
}

}  // namespace

namespace {

TEST(EngineDibXlate, AsThePlatformBuildsItForEachSource) {
  std::vector<BYTE> quads = {0x00, 0x00, 0xFF, 0,   // red
                             0xFF, 0x00, 0x00, 0,   // blue
                             0x10, 0x20, 0x30, 0};  // B 10 G 20 R 30
  struct Case {
    const char* name;
    WORD bits;
    DWORD compression;
    DWORD clrUsed;
    FLONG flXlate;
    ULONG entries;
  } cases[] = {
      {"1-bit: two entries", 1, 0, 0, XO_TABLE, 2},
      {"4-bit with biClrUsed 3", 4, 0, 3, XO_TABLE, 3},
      {"8-bit with biClrUsed 0: all 256", 8, 0, 0, XO_TABLE, 256},
      {"8-bit with too large biClrUsed", 8, 0, 1000, XO_TABLE, 256},
      {"16-bit", 16, 0, 0, 0, 0},
      {"24-bit", 24, 0, 0, 0, 0},
      {"32-bit", 32, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    auto xlate = plat_testing::MakeDibXlate(c.bits, c.compression, c.clrUsed, quads);
    ASSERT_NE(xlate, nullptr) << c.name;
    EXPECT_EQ(xlate->flXlate, c.flXlate) << c.name;
    EXPECT_EQ(xlate->cEntries, c.entries) << c.name;
    if (c.entries) {
      EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), 0), RGB(255, 0, 0)) << c.name;
      EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), 1), RGB(0, 0, 255)) << c.name;
      if (c.entries > 2) {
        EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), 2), RGB(0x30, 0x20, 0x10)) << c.name;
      }
      if (c.entries > 3) {
        EXPECT_EQ(XLATEOBJ_iXlate(xlate.get(), 3), 0u) << c.name << ": missing entries are black";
      }
    }
  }
  // The RGB order a driver probes for: a 24-bit DIB's red (0x00FF0000 as a pixel) is the
  // device's 0x000000FF, so red and blue swap.
  auto rgb24 = plat_testing::MakeDibXlate(24);
  EXPECT_EQ(XLATEOBJ_iXlate(rgb24.get(), 0x0000FF), 0xFF0000u);
  EXPECT_EQ(XLATEOBJ_iXlate(rgb24.get(), 0x00FF00), 0x00FF00u);
  EXPECT_EQ(XLATEOBJ_iXlate(rgb24.get(), 0xFF0000), 0x0000FFu);

  DWORD masks565[3] = {0xF800, 0x07E0, 0x001F};
  auto b565 = plat_testing::MakeDibXlate(16, 3, 0, {}, masks565);
  ULONG got[3];
  ASSERT_EQ(XLATEOBJ_cGetPalette(b565.get(), XO_SRCBITFIELDS, 3, got), 3u);
  EXPECT_EQ(got[1], 0x07E0u);
  auto b555 = plat_testing::MakeDibXlate(16);
  ASSERT_EQ(XLATEOBJ_cGetPalette(b555.get(), XO_SRCBITFIELDS, 3, got), 3u);
  EXPECT_EQ(got[0], 0x7C00u) << "16-bit BI_RGB is 5-5-5";

  DWORD bgrMasks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  auto bgr32 = plat_testing::MakeDibXlate(32, 3, 0, {}, bgrMasks);
  EXPECT_EQ(XLATEOBJ_iXlate(bgr32.get(), 0x00FF0000), RGB(255, 0, 0));
}

}  // namespace
