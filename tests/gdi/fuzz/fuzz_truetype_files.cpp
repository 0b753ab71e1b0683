// A font file from outside (the machine's Fonts folder holds what any installer left) through
// the renderer's TrueType reader: members, tables, metrics, the character map and the glyph
// closure the download walks. Every place the reader answers must lie inside the file, and the
// closure of a glyph must end, whatever loops and lengths the tables claim.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gdi/ttfile.h"

namespace {

void CheckInside(DWORD offset, DWORD length, size_t size) {
  if (offset > size || length > size - offset) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  // An exact-size copy, so that a read past the file is caught by the sanitizer.
  std::vector<BYTE> file(data, data + size);
  const DWORD bytes = static_cast<DWORD>(size);
  TtFont_MemberCount(file.data(), bytes);
  TtFont font{};
  if (!TtFont_Open(&font, file.data(), bytes, "DejaVu Sans")) return 0;
  for (DWORD tag : {TtTag('h', 'e', 'a', 'd'), TtTag('g', 'l', 'y', 'f'), TtTag('l', 'o', 'c', 'a'),
                    TtTag('c', 'm', 'a', 'p'), TtTag('h', 'm', 't', 'x'), TtTag('n', 'a', 'm', 'e')}) {
    TtTable table{};
    if (TtFont_FindTable(&font, tag, &table)) CheckInside(table.offset, table.length, size);
  }
  TtFont_NameMatches(&font, "dejavu sans");
  TtFontInfo info{};
  if (!TtFont_ReadInfo(&font, &info)) return 0;
  if (info.cmapSubtable > size) std::abort();
  TtFont_CanDownload(info);
  TtFont_IsSymbolMap(info);
  for (DWORD character : {0x20u, 0x41u, 0x61u, 0xE9u, 0x20ACu, 0xF041u, 0xFFFFu, 0x10000u}) {
    TtFont_MapCharacter(&font, info, character);
  }
  // The first glyphs, the last and one past the count.
  std::vector<DWORD> glyphs;
  for (DWORD g = 0; g < 32 && g < info.numGlyphs; ++g) glyphs.push_back(g);
  glyphs.push_back(info.numGlyphs ? info.numGlyphs - 1u : 0u);
  glyphs.push_back(info.numGlyphs + 1u);
  for (DWORD glyph : glyphs) {
    DWORD offset = 0, length = 0;
    if (TtFont_GlyphData(&font, info, glyph, &offset, &length)) {
      CheckInside(offset, length, size);
      std::vector<WORD> components;
      TtFont_Components(file.data() + offset, length, &components);
    }
    WORD advance = 0;
    SHORT lsb = 0;
    TtFont_HMetrics(&font, info, glyph, &advance, &lsb);
    std::vector<WORD> closure;
    if (TtFont_GlyphClosure(&font, info, static_cast<WORD>(glyph), &closure)) {
      // Each glyph once, the glyph itself last.
      if (closure.empty() || closure.size() > 65536u) std::abort();
    }
  }
  return 0;
}
