// Glyph cache: font records in download order and glyph pages of 512 two-word entries.
//
// A TrueType soft font owns one page in list mode: entry i holds (i + 1, glyph id), its
// character code being its position plus one, so the font holds at most 511 glyphs. A bitmap
// soft font owns pages in hash mode: a slot holds (code, glyph handle), found from the handle
// in five probes per page before the next page of the font is tried. Bitmap codes are given
// per glyph handle in sequence (1, 2, ...), never from the character's code-page byte, so that
// two characters the code page cannot hold never share a code.
#include "gdi/fontcach.h"

#include <cstring>
#include <new>

#include "gdi/pclxl.h"

namespace {

constexpr BYTE kListMode = 1;
constexpr BYTE kHashMode = 2;
constexpr DWORD kProbeSteps[] = {0, 7, 17, 37, 79};
constexpr DWORD kNumberSlots = FONTCACH_LAST_NUMBER - FONTCACH_FIRST_NUMBER + 1;
static_assert(kNumberSlots <= sizeof(PdevFontLists::numbersInUse) * 8);

PdevFontLists& Lists(PDEV* pdev) { return pdev->job.fontLists; }

bool InUse(const PdevFontLists& l, WORD number) {
  if (number < FONTCACH_FIRST_NUMBER || number > FONTCACH_LAST_NUMBER) return false;
  DWORD bit = number - FONTCACH_FIRST_NUMBER;
  return (l.numbersInUse[bit / 8] >> (bit % 8)) & 1;
}

void SetInUse(PdevFontLists& l, WORD number, bool on) {
  DWORD bit = number - FONTCACH_FIRST_NUMBER;
  if (on) l.numbersInUse[bit / 8] |= static_cast<BYTE>(1u << (bit % 8));
  else l.numbersInUse[bit / 8] &= static_cast<BYTE>(~(1u << (bit % 8)));
}

void CountHeap(PdevFontLists& l, DWORD bytes, bool add) {
  if (add) {
    l.heapBytes += bytes;
    if (l.heapBytes > l.heapPeak) l.heapPeak = l.heapBytes;
  } else {
    l.heapBytes = l.heapBytes >= bytes ? l.heapBytes - bytes : 0;
  }
}

bool SameFace(const FontCacheRecord& r, const char* name) {
  return std::strncmp(r.faceName, name ? name : "", sizeof r.faceName - 1) == 0;
}

void ClearPage(GlyphPage* page) {
  std::memset(page->entries, 0, sizeof page->entries);
  page->entryCount = 0;
  page->fontNumber = 0;
  page->mode = 0;
}

// A free page (one left by a dropped font) or a new one, given to the font.
GlyphPage* TakePage(PDEV* pdev, WORD fontNumber, BYTE mode) {
  PdevFontLists& l = Lists(pdev);
  GlyphPage* page = nullptr;
  for (GlyphPage* p = l.glyphPages; p; p = p->next) {
    if (p->fontNumber == 0) {
      page = p;
      break;
    }
  }
  if (!page) {
    page = new (std::nothrow) GlyphPage{};
    if (!page) {
      PDEV_REPORT_ERROR(pdev);
      return nullptr;
    }
    CountHeap(l, sizeof(GlyphPage), true);
    // New pages go to the end so that a font's pages are met in the order they were added.
    GlyphPage** tail = &l.glyphPages;
    while (*tail) tail = &(*tail)->next;
    *tail = page;
  }
  ClearPage(page);
  page->fontNumber = fontNumber;
  page->mode = mode;
  return page;
}

}  // namespace

DWORD FontCach_NameHash(const char* name) {
  DWORD h = 0;
  for (const char* c = name ? name : ""; *c; ++c) h = h * 10 + static_cast<DWORD>(static_cast<LONG>(static_cast<signed char>(*c)));
  return h;
}

DWORD FontCach_Key(const FontCachIdentity& id) {
  DWORD hash = FontCach_NameHash(id.faceName);
  if (id.kind == FCK_TRUETYPE) return ((hash + id.iUniq * 10) & 0x3FFFFFFF) | 0x40000000;
  return ((id.iUniq + hash * 10) & 0x3FFFFFFF) | 0x80000000;
}

void FontCach_ResetNumbering(PDEV* pdev) {
  PdevFontLists& l = Lists(pdev);
  l.firstNumber = FONTCACH_FIRST_NUMBER;
  l.nextNumber = FONTCACH_FIRST_NUMBER;
}

WORD FontCach_NextNumber(PDEV* pdev) {
  PdevFontLists& l = Lists(pdev);
  for (WORD n = FONTCACH_FIRST_NUMBER; n <= FONTCACH_LAST_NUMBER; ++n)
    if (!InUse(l, n)) return n;
  return 0;
}

DWORD FontCach_FontCount(const PDEV* pdev) { return pdev->job.fontLists.fontCount; }

FontCacheRecord* FontCach_FindFont(PDEV* pdev, const FontCachIdentity& id) {
  PdevFontLists& l = Lists(pdev);
  DWORD key = FontCach_Key(id);
  auto matches = [&](const FontCacheRecord* r) {
    return r->key == key && r->size == id.size && r->angle == id.angle && r->iUniq == id.iUniq &&
           r->kind == id.kind && SameFace(*r, id.faceName);
  };
  ++l.probes;
  if (l.lastUsed && matches(l.lastUsed)) {
    ++l.hits;
    return l.lastUsed;
  }
  for (FontCacheRecord* r = l.fonts; r; r = r->next) {
    if (matches(r)) {
      ++l.hits;
      l.lastUsed = r;
      return r;
    }
  }
  return nullptr;
}

FontCacheRecord* FontCach_Record(PDEV* pdev, WORD fontNumber) {
  for (FontCacheRecord* r = Lists(pdev).fonts; r; r = r->next)
    if (r->fontNumber == fontNumber) return r;
  return nullptr;
}

WORD FontCach_AddFont(PDEV* pdev, const FontCachIdentity& id, const void* privateData, DWORD privateBytes) {
  PdevFontLists& l = Lists(pdev);
  if (privateBytes > FONTCACH_PRIVATE_BYTES || (privateBytes && !privateData)) {
    PDEV_REPORT_ERROR(pdev);
    return 0;
  }
  if (l.fontCount + 1 >= FONTCACH_MAX_FONTS && l.fonts) FontCach_DropFont(pdev, l.fonts->fontNumber, nullptr, nullptr);
  WORD number = FontCach_NextNumber(pdev);
  if (number == 0) {
    PDEV_REPORT_ERROR(pdev);
    return 0;
  }
  FontCacheRecord* record = new (std::nothrow) FontCacheRecord{};
  if (!record) {
    PDEV_REPORT_ERROR(pdev);
    return 0;
  }
  CountHeap(l, sizeof(FontCacheRecord), true);
  std::strncpy(record->faceName, id.faceName ? id.faceName : "", sizeof record->faceName - 1);
  if (privateBytes) std::memcpy(record->privateData, privateData, privateBytes);
  record->size = id.size;
  record->angle = id.angle;
  record->key = FontCach_Key(id);
  record->iUniq = id.iUniq;
  record->kind = id.kind;
  record->fontNumber = number;
  FontCacheRecord** tail = &l.fonts;
  while (*tail) tail = &(*tail)->next;
  *tail = record;
  ++l.fontCount;
  SetInUse(l, number, true);
  if (l.firstNumber == 0) l.firstNumber = FONTCACH_FIRST_NUMBER;
  if (number >= l.nextNumber) l.nextNumber = static_cast<WORD>(number + 1);
  l.lastUsed = record;
  return number;
}

BOOL FontCach_DropFont(PDEV* pdev, WORD fontNumber, DWORD* key, DWORD* bytes) {
  PdevFontLists& l = Lists(pdev);
  FontCacheRecord** link = &l.fonts;
  while (*link && (*link)->fontNumber != fontNumber) link = &(*link)->next;
  if (!*link) {
    PDEV_REPORT_ERROR(pdev);
    return FALSE;
  }
  FontCacheRecord* record = *link;
  *link = record->next;
  if (l.lastUsed == record) l.lastUsed = nullptr;
  if (key) *key = record->key;
  if (bytes) *bytes = record->bytes;
  for (GlyphPage* p = l.glyphPages; p; p = p->next)
    if (p->fontNumber == fontNumber) ClearPage(p);
  SetInUse(l, fontNumber, false);
  if (l.fontCount) --l.fontCount;
  l.glyphBytesDropped += record->bytes;
  l.glyphBytesHeld = l.glyphBytesHeld >= record->bytes ? l.glyphBytesHeld - record->bytes : 0;
  DWORD flags = PXLF_SOFT_FONT | ((record->key & 0x80000000) ? PXLF_BITMAP_FONT : 0);
  PclXl_RemoveFont(pdev, "", fontNumber, flags);
  delete record;
  CountHeap(l, sizeof(FontCacheRecord), false);
  return TRUE;
}

WORD FontCach_CodeOfGlyph(PDEV* pdev, WORD fontNumber, DWORD glyph) {
  PdevFontLists& l = Lists(pdev);
  if (!InUse(l, fontNumber) || glyph > 0xFFFF) return 0;
  for (GlyphPage* p = l.glyphPages; p; p = p->next) {
    if (p->fontNumber != fontNumber) continue;
    if (p->mode == kListMode) {
      for (DWORD i = 0; i < p->entryCount; ++i)
        if (p->entries[i][1] == glyph) return p->entries[i][0];
      return 0;
    }
    DWORD slot = glyph % FONTCACH_PAGE_ENTRIES;
    for (DWORD step : kProbeSteps) {
      slot = (slot + step) % FONTCACH_PAGE_ENTRIES;
      // Every probe is looked at: a page freed by another font can come back to this one
      // ahead of its older pages, so a free slot does not end the search.
      if (p->entries[slot][0] != 0 && p->entries[slot][1] == glyph) return p->entries[slot][0];
    }
  }
  return 0;
}

WORD FontCach_GlyphSent(PDEV* pdev, WORD fontNumber, DWORD glyph, DWORD dataBytes) {
  PdevFontLists& l = Lists(pdev);
  FontCacheRecord* record = InUse(l, fontNumber) ? FontCach_Record(pdev, fontNumber) : nullptr;
  if (!record || glyph > 0xFFFF) {
    PDEV_REPORT_ERROR(pdev);
    return 0;
  }
  WORD code = 0;
  if (record->kind == FCK_TRUETYPE) {
    GlyphPage* page = nullptr;
    for (GlyphPage* p = l.glyphPages; p && !page; p = p->next)
      if (p->fontNumber == fontNumber) page = p;
    if (!page && !(page = TakePage(pdev, fontNumber, kListMode))) return 0;
    if (page->entryCount >= FONTCACH_TRUETYPE_GLYPHS) return 0;
    code = static_cast<WORD>(page->entryCount + 1);
    page->entries[page->entryCount][0] = code;
    page->entries[page->entryCount][1] = static_cast<WORD>(glyph);
    ++page->entryCount;
  } else {
    if (record->glyphCount >= 0xFFFF) return 0;
    code = static_cast<WORD>(record->glyphCount + 1);
    bool stored = false;
    for (GlyphPage* p = l.glyphPages; p && !stored; p = p->next) {
      if (p->fontNumber != fontNumber) continue;
      DWORD slot = glyph % FONTCACH_PAGE_ENTRIES;
      for (DWORD step : kProbeSteps) {
        slot = (slot + step) % FONTCACH_PAGE_ENTRIES;
        if (p->entries[slot][0] == 0) {
          p->entries[slot][0] = code;
          p->entries[slot][1] = static_cast<WORD>(glyph);
          ++p->entryCount;
          stored = true;
          break;
        }
      }
    }
    if (!stored) {
      GlyphPage* page = TakePage(pdev, fontNumber, kHashMode);
      if (!page) return 0;
      DWORD slot = glyph % FONTCACH_PAGE_ENTRIES;
      page->entries[slot][0] = code;
      page->entries[slot][1] = static_cast<WORD>(glyph);
      page->entryCount = 1;
    }
  }
  ++record->glyphCount;
  ++record->glyphCount2;
  record->bytes += dataBytes;
  l.glyphBytesHeld += dataBytes;
  return code;
}
