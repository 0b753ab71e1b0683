// Vertical ("@") font families: a face that covers a Far-East code page is enumerated a second
// time under its name with an at sign, with that code page's character set, and a font made under
// the "@" name reports it back.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/gdi_text.h>
#include <win/user_draw.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

std::vector<char> ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t Big32(const std::vector<char>& b, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) | static_cast<unsigned char>(b[at + 3]);
}

// The font with bit `codePageBit` of its OS/2 ulCodePageRange1 set, as a CJK face declares its
// code pages.
std::vector<char> WithCodePage(std::vector<char> font, int codePageBit) {
  size_t tables = (static_cast<unsigned char>(font[4]) << 8) | static_cast<unsigned char>(font[5]);
  for (size_t i = 0; i < tables; ++i) {
    size_t record = 12 + 16 * i;
    if (std::memcmp(&font[record], "OS/2", 4) != 0) continue;
    size_t field = Big32(font, record + 8) + 78;  // ulCodePageRange1, big-endian
    font[field + 3 - static_cast<size_t>(codePageBit / 8)] |= static_cast<char>(1 << (codePageBit % 8));
    return font;
  }
  ADD_FAILURE() << "no OS/2 table";
  return font;
}

struct Listed {
  std::map<std::u16string, BYTE> charSets;  // face -> character set
  std::map<std::u16string, DWORD> types;
};

Listed Enumerate(const char16_t* face) {
  HDC screen = GetDC(nullptr);
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  if (face) std::u16string(face).copy(lf.lfFaceName, LF_FACESIZE - 1);
  Listed listed;
  EnumFontFamiliesExW(
      screen, &lf,
      [](const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) -> int {
        auto* out = reinterpret_cast<Listed*>(data);
        out->charSets[font->lfFaceName] = font->lfCharSet;
        out->types[font->lfFaceName] = type;
        return 1;
      },
      reinterpret_cast<LPARAM>(&listed), 0);
  ReleaseDC(nullptr, screen);
  return listed;
}

class VerticalFamilies : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(VerticalFamilies, OnlyAFarEastFaceIsListedAgainUnderItsAtName) {
  // Installed before the machine's fonts are first looked at: a Japanese (code page 932) face.
  std::filesystem::path fonts = machine_.Host("drives/C/Windows/Fonts");
  std::filesystem::create_directories(fonts);
  std::vector<char> japanese = WithCodePage(ReadHost("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"), 17);
  std::ofstream(fonts / "VelmorMincho.ttf", std::ios::binary).write(japanese.data(), static_cast<std::streamsize>(japanese.size()));

  Listed all = Enumerate(nullptr);
  ASSERT_TRUE(all.charSets.count(u"DejaVu Serif"));
  ASSERT_TRUE(all.charSets.count(u"@DejaVu Serif"));
  EXPECT_EQ(all.charSets[u"@DejaVu Serif"], SHIFTJIS_CHARSET);
  EXPECT_EQ(all.types[u"@DejaVu Serif"], static_cast<DWORD>(TRUETYPE_FONTTYPE));
  EXPECT_TRUE(all.charSets.count(u"DejaVu Sans"));
  EXPECT_FALSE(all.charSets.count(u"@DejaVu Sans"));  // no Far-East code page: no vertical family

  Listed asked = Enumerate(u"@dejavu serif");
  EXPECT_EQ(asked.charSets.size(), 1u);
  EXPECT_TRUE(asked.charSets.count(u"@DejaVu Serif"));
  EXPECT_TRUE(Enumerate(u"@DejaVu Sans").charSets.empty());

  // A font made under the "@" name is that face, and says so.
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  std::u16string(u"@DejaVu Serif").copy(lf.lfFaceName, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectW(&lf);
  ASSERT_NE(font, nullptr);
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  WCHAR face[LF_FACESIZE] = {};
  ASSERT_GT(GetTextFaceW(screen, LF_FACESIZE, face), 0);
  EXPECT_EQ(std::u16string(face), u"@DejaVu Serif");
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
}

}  // namespace
