#include "gdi/tx.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/fontcach.h"
#include "gdi/gxstate.h"
#include "gdi/pclxl.h"
#include "gdi/pxlfont.h"
#include "gdi/util.h"

namespace {

constexpr WORD kNoCode = 0xFFFF;  // a code the printer has no character for
constexpr WORD kUnicodeSymbolSet = 590;

GxTextAttributes& Cache(PDEV* pdev) { return pdev->job.gx.text; }

// The character's byte in the string's code page, or -1 when the page cannot hold it.
int CodePageByte(UINT codePage, WCHAR c) {
  char byte = 0;
  WCHAR copy = c;
  if (EngWideCharToMultiByte(codePage, &copy, sizeof copy, &byte, 1) != 1) return -1;
  if (byte == '?' && c != u'?') return -1;
  return static_cast<BYTE>(byte);
}

// A resident font's code of a character: the UTF-16 unit for the Unicode symbol set, else the
// converted byte (two bytes of a DBCS font as first x 256 + second), 65535 when the conversion
// gives neither.
WORD DeviceCode(PDEV* pdev, const TxFont* font, WCHAR c) {
  // Symbol set 590 (18N) is the printer's Unicode set: its codes are the string's UTF-16 units.
  if (font->symbolSet == kUnicodeSymbolSet) return c == 0 ? kNoCode : static_cast<WORD>(c);
  char bytes[4] = {};
  WCHAR copy = c;
  INT n = EngWideCharToMultiByte(font->codePage, &copy, sizeof copy, bytes, font->dbcs ? 2 : 1);
  WORD code = kNoCode;
  if (n == 1) {
    code = static_cast<BYTE>(bytes[0]);
  } else if (n == 2 && font->dbcs) {
    code = static_cast<WORD>(static_cast<BYTE>(bytes[0]) * 256 + static_cast<BYTE>(bytes[1]));
  } else {
    PDEV_REPORT_ERROR(pdev);
  }
  return code == 0 ? kNoCode : code;
}

// Sends the font header again under a fresh number: the old font is full for this run.
BOOL RenewTrueType(PDEV* pdev, TxFont* font) {
  if (font->tt.fontNumber) FontCach_DropFont(pdev, font->tt.fontNumber, nullptr, nullptr);
  BOOL sent = FALSE;
  WORD number = SoftFont_EnsureTrueType(pdev, &font->tt, &sent);
  if (!number) return FALSE;
  font->fontNumber = number;
  font->downloaded = true;
  pdev->job.text.trueTypeFont = number;
  return TRUE;
}

BOOL RenewBitmap(PDEV* pdev, TxFont* font) {
  if (font->bitmap.fontNumber) FontCach_DropFont(pdev, font->bitmap.fontNumber, nullptr, nullptr);
  BOOL sent = FALSE;
  WORD number = SoftFont_EnsureBitmap(pdev, &font->bitmap, font->resolution, &sent);
  if (!number) return FALSE;
  font->fontNumber = number;
  font->downloaded = true;
  return TRUE;
}

// Codes for glyphs [from, to) of the run as far as the font takes them; the answer is how many
// got one (0 when the font holds nothing more for this run), -1 when the glyphs cannot go as
// TrueType characters at all.
LONG Encode(PDEV* pdev, TxFont* font, const GLYPHPOS* glyphs, const WCHAR* chars, ULONG from, ULONG to, WORD* codes) {
  ULONG n = to - from;
  if (font->kind == TXK_DEVICE) {
    for (ULONG i = 0; i < n; ++i) codes[i] = chars ? DeviceCode(pdev, font, chars[from + i]) : kNoCode;
    return static_cast<LONG>(n);
  }
  if (font->kind == TXK_TRUETYPE) {
    std::vector<WORD> ids(n);
    // Only a symbol map looks at a character's code-page byte.
    const bool symbolMap = TtFont_IsSymbolMap(font->tt.info);
    for (ULONG i = 0; i < n; ++i) {
      DWORD c = chars ? chars[from + i] : glyphs[from + i].hg;
      bool byIndex = font->glyphIndex || !chars;
      int byte = byIndex || !symbolMap ? -1 : CodePageByte(font->codePage, static_cast<WCHAR>(c));
      ids[i] = SoftFont_TrueTypeGlyph(&font->tt, c, byIndex, byte);
    }
    LONG done = SoftFont_SendTrueTypeGlyphs(pdev, &font->tt, ids.data(), n, codes);
    if (done > 0) pdev->job.text.glyphDownloads += static_cast<DWORD>(done);
    return done;
  }
  BOOL begun = FALSE;
  ULONG done = 0;
  for (; done < n; ++done) {
    HGLYPH hg = glyphs[from + done].hg;
    WORD code = SoftFont_BitmapCode(pdev, &font->bitmap, hg);
    if (!code) {
      HGLYPH want = hg;
      PVOID data = nullptr;
      const GLYPHBITS* bits = nullptr;
      if (FONTOBJ_cGetGlyphs(font->pfo, FO_GLYPHBITS, 1, &want, &data) == 1 && data)
        bits = static_cast<const GLYPHDATA*>(data)->gdf.pgb;
      if (!bits) {
        codes[done] = kNoCode;  // no image: nothing printed for it
        continue;
      }
      code = SoftFont_SendBitmapGlyph(pdev, &font->bitmap, hg, bits, &begun);
      if (!code) break;  // the font holds its 1000 glyphs
      ++pdev->job.text.glyphDownloads;
    }
    codes[done] = code;
  }
  if (begun) PxlFont_EndChar(pdev);
  return static_cast<LONG>(done);
}

// One Text operator for glyphs [from, to) of the run. A glyph advances to the next glyph's
// position, also across the joins of pieces, so the next Text starts where the glyph ends;
// the run's last glyph advances by 0 (by the fixed increment with one).
void WriteText(PDEV* pdev, TxFont* font, const GLYPHPOS* glyphs, ULONG count, ULONG from, ULONG to, const WORD* codes,
               ULONG charInc) {
  Tx_SetCharAttributes(pdev, font);
  ULONG n = to - from;
  std::vector<LONG> dx(n), dy(n);
  bool anyX = false, anyY = false;
  LONG angle = font->kind == TXK_BITMAP ? 0 : (font->angle < 0 ? 0 : font->angle);
  for (ULONG i = 0; i < n; ++i) {
    ULONG k = from + i;
    if (charInc) {
      dx[i] = FixMul(static_cast<LONG>(charInc), FixCos(angle * 10));
      dy[i] = -FixMul(static_cast<LONG>(charInc), FixSin(angle * 10));
    } else if (k + 1 < count) {
      dx[i] = glyphs[k + 1].ptl.x - glyphs[k].ptl.x;
      dy[i] = glyphs[k + 1].ptl.y - glyphs[k].ptl.y;
    }
    anyX = anyX || dx[i] != 0;
    anyY = anyY || dy[i] != 0;
  }
  std::vector<WORD> text(codes, codes + n);
  for (WORD& c : text)
    if (c == 0) c = kNoCode;
  if (!anyY) PxlFont_Text(pdev, text.data(), n, dx.data(), nullptr);
  else PxlFont_Text(pdev, text.data(), n, anyX ? dx.data() : nullptr, dy.data());
}

}  // namespace

BOOL Tx_UseBitmapFont(PDEV* pdev, TxFont* font) {
  font->kind = TXK_BITMAP;
  font->angle = font->angle < 0 ? 0 : font->angle;
  font->bitmap.size = font->size;
  font->bitmap.angle = font->angle;
  BOOL sent = FALSE;
  WORD number = SoftFont_EnsureBitmap(pdev, &font->bitmap, font->resolution, &sent);
  if (!number) return FALSE;
  font->fontNumber = number;
  font->symbolSet = 2;
  font->boldValue = 0;
  font->shear = 0;
  if (sent) font->downloaded = true;
  pdev->job.text.trueTypeMode = FALSE;
  pdev->job.text.flags = (pdev->job.text.flags & ~TXF_TRUETYPE_SOFT) | TXF_BITMAP_SOFT;
  return TRUE;
}

void Tx_SetCharAttributes(PDEV* pdev, TxFont* font) {
  GxTextAttributes& c = Cache(pdev);
  bool bitmap = font->kind == TXK_BITMAP;
  double bold = bitmap ? 0.0 : font->boldValue;
  double shear = bitmap ? 0.0 : font->shear;
  if (c.charBoldValue != bold) {
    PxlFont_SetCharBoldValue(pdev, static_cast<float>(bold));
    c.charBoldValue = bold;
  }
  if (c.charShear[0] != shear || c.charShear[1] != 0.0) {
    PxlFont_SetCharShear(pdev, static_cast<float>(shear), 0.0f);
    c.charShear[0] = shear;
    c.charShear[1] = 0.0;
  }
  if (bitmap) {
    if (!c.bitmapScale || c.charScale[0] != 1.0 || c.charScale[1] != 1.0) {
      PxlFont_SetCharScaleWhole(pdev, 1, 1);
      c.charScale[0] = c.charScale[1] = 1.0;
      c.bitmapScale = TRUE;
    }
  } else {
    // A size of 0 never reaches here: the call skips such a run rather than divide by it.
    double x = std::fabs(static_cast<double>(font->width) / static_cast<double>(font->size));
    float fx = static_cast<float>(x);
    if (c.bitmapScale || c.charScale[0] != fx || c.charScale[1] != 1.0) {
      PxlFont_SetCharScale(pdev, fx, 1.0f);
      c.charScale[0] = fx;
      c.charScale[1] = 1.0;
      c.bitmapScale = FALSE;
    }
  }
  LONG angle = bitmap ? 0 : font->angle;
  if (c.charAngle != angle) {
    PxlFont_SetCharAngle(pdev, static_cast<SHORT>(angle));
    c.charAngle = angle;
  }
  float size = static_cast<float>(std::labs(font->size));
  if (c.fontNumber != font->fontNumber || c.charSize != size || font->downloaded) {
    char name[24];
    size_t length;
    if (font->kind == TXK_DEVICE) {
      std::memcpy(name, font->pclName, 16);
      length = 16;
    } else {
      length = static_cast<size_t>(std::snprintf(name, sizeof name, "%d%s", font->fontNumber - 100,
                                                  bitmap ? "BM" : "TT"));
    }
    PxlFont_SetFont(pdev, name, length, size, font->kind == TXK_DEVICE ? font->symbolSet : 2);
    c.fontNumber = font->fontNumber;
    c.charSize = size;
    font->downloaded = false;
  }
}

BOOL Tx_WriteRun(PDEV* pdev, TxFont* font, const GLYPHPOS* glyphs, const WCHAR* chars, ULONG count, ULONG charInc) {
  if (!glyphs || count == 0) return TRUE;
  std::vector<WORD> codes(count);
  for (ULONG pieceStart = 0; pieceStart < count; pieceStart += TX_MAX_RUN) {
    ULONG pieceEnd = pieceStart + TX_MAX_RUN < count ? pieceStart + TX_MAX_RUN : count;
    ULONG at = pieceStart;
    bool renewed = false;  // the font was downloaded afresh for the glyphs at `at`
    while (at < pieceEnd) {
      LONG done = Encode(pdev, font, glyphs, chars, at, pieceEnd, codes.data() + at);
      if (done < 0 || (done == 0 && renewed)) {
        // The glyphs cannot go as TrueType characters (or not even into an empty font): the
        // rest of the run goes as bitmap glyphs.
        if (font->kind == TXK_BITMAP) {
          codes[at] = kNoCode;  // an empty bitmap font cannot take it: skip the glyph
          done = 1;
        } else if (!Tx_UseBitmapFont(pdev, font)) {
          return FALSE;
        } else {
          renewed = false;
          continue;
        }
      }
      if (done == 0) {
        if (!(font->kind == TXK_TRUETYPE ? RenewTrueType(pdev, font) : RenewBitmap(pdev, font))) {
          if (font->kind == TXK_BITMAP || !Tx_UseBitmapFont(pdev, font)) return FALSE;
        }
        renewed = true;
        continue;
      }
      WriteText(pdev, font, glyphs, count, at, at + static_cast<ULONG>(done), codes.data() + at, charInc);
      at += static_cast<ULONG>(done);
      renewed = false;
      if (at < pieceEnd && font->kind != TXK_DEVICE) {
        if (!(font->kind == TXK_TRUETYPE ? RenewTrueType(pdev, font) : RenewBitmap(pdev, font))) {
          if (font->kind == TXK_BITMAP || !Tx_UseBitmapFont(pdev, font)) return FALSE;
        }
        renewed = true;
      }
    }
  }
  return TRUE;
}

void Tx_RemoveAllSoftFonts(PDEV* pdev) {
  PdevFontLists& lists = pdev->job.fontLists;
  while (FontCacheRecord* oldest = lists.fonts) {
    FontCacheRecord* pick = oldest;
    for (FontCacheRecord* r = oldest->next; r; r = r->next) {
      if (r->bytes > oldest->bytes) {
        pick = r;
        break;
      }
    }
    if (!FontCach_DropFont(pdev, pick->fontNumber, nullptr, nullptr)) break;
  }
  PclXl_FreeFontLists(pdev);
  FontCach_ResetNumbering(pdev);
}
