// Engine fonts: the machine's faces, realisations, IFIMETRICS, the font transform and glyph
// images, all read with FreeType from the files of the machine's Fonts folder.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_FONT_FORMATS_H
#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TYPE1_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>

#include "internal/controls.h"
#include "internal/engine_fonts.h"
#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/unicode.h"
#include <win/gdi_draw.h>
#include <win/gdi_text.h>

namespace fs = std::filesystem;

namespace {

enum class Technology { TrueType, OpenTypeCff, Type1, Other };

struct Face {
  std::string path;
  long index = 0;
  std::u16string family;
  std::u16string style;
  std::u16string fullName;
  int weight = FW_NORMAL;
  bool italic = false;
  Technology technology = Technology::Other;
  // A face for a Far-East code page also serves vertical writing, as the "@" family of the
  // character set its OS/2 table names first.
  bool vertical = false;
  BYTE verticalCharSet = 0;
  std::shared_ptr<std::vector<BYTE>> bytes;  // loaded at the first realisation
};

struct GlyphEntry {
  std::vector<BYTE> bits;  // GLYPHBITS header and rows
  GLYPHDATA data{};
};

struct RealizedFont {
  FONTOBJ fo{};  // first member: the driver's FONTOBJ* is this record
  XFORMOBJ xo{};
  LOGFONTW logfont{};
  ULONG dpi = 0;
  std::string machine;
  const Face* face = nullptr;
  FT_Face ft = nullptr;
  bool simBold = false;
  bool simItalic = false;
  bool vertical = false;
  double emX = 0, emY = 0;   // em size in device pixels across and along the baseline normal
  double escapement = 0;     // tenths of a degree, counter-clockwise
  XFORML xform{};            // font units to device
  std::vector<BYTE> ifi;     // IFIMETRICS and its names
  std::map<HGLYPH, std::unique_ptr<GlyphEntry>> glyphs;
  // Text asks for the same characters and advances thousands of times a page: both are kept
  // in flat tables filled as they are first asked for (a page of 256 characters at a time,
  // one advance a glyph), so a repeated lookup neither searches nor calls FreeType.
  std::array<std::unique_ptr<HGLYPH[]>, 256> charPages;
  std::vector<LONG> advances;
};

constexpr HGLYPH kGlyphNotLooked = 0xFFFFFFFFu;
constexpr LONG kAdvanceNotLooked = LONG(0x80000000);

struct FontRegistry {
  std::mutex lock;
  FT_Library library = nullptr;
  std::map<std::string, std::vector<Face>> facesByMachine;
  // Faces of a file by its name, size and time: machines share the host's fonts, so each file
  // is read once per process.
  std::map<std::string, std::vector<Face>> facesByFile;
  std::map<std::string, std::unique_ptr<RealizedFont>> realized;  // key: machine + LOGFONT + dpi
  std::set<const FONTOBJ*> fonts;
  std::map<const XFORMOBJ*, XFORML> xforms;
  ULONG nextUniq = 1;
};

FontRegistry& Registry() {
  static FontRegistry* registry = new FontRegistry;  // outlives static destructors of callers
  return *registry;
}

// Faces an application names that the machine has under another family.
const std::pair<const char16_t*, const char16_t*> kFamilyAliases[] = {
    {u"Arial", u"Liberation Sans"},          {u"Helvetica", u"Nimbus Sans"},
    {u"Times New Roman", u"Liberation Serif"}, {u"Times", u"Nimbus Roman"},
    {u"Courier New", u"Liberation Mono"},    {u"Courier", u"Nimbus Mono PS"},
    {u"MS Sans Serif", u"DejaVu Sans"},      {u"System", u"DejaVu Sans"},
    // The dialog faces: the shell's logical "MS Shell Dlg" pair and the old "Helv".
    {u"MS Shell Dlg", u"Liberation Sans"},   {u"MS Shell Dlg 2", u"Liberation Sans"},
    {u"Helv", u"Liberation Sans"},           {u"Microsoft Sans Serif", u"Liberation Sans"},
    {u"Tahoma", u"DejaVu Sans"},             {u"Segoe UI", u"DejaVu Sans"},
    {u"Verdana", u"DejaVu Sans"},            {u"CG Times", u"Liberation Serif"},
    {u"Letter Gothic", u"Liberation Mono"},  {u"MS Gothic", u"DejaVu Sans"},
    {u"MS Mincho", u"DejaVu Serif"},
};

std::u16string FromUtf8(const char* text) {
  std::u16string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : ""); *p; ++p) out.push_back(*p);
  return out;
}

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::u16string SfntName(FT_Face face, FT_UShort nameId) {
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != nameId) continue;
    if (name.platform_id != TT_PLATFORM_MICROSOFT) continue;
    std::u16string out;
    for (FT_UInt k = 0; k + 1 < name.string_len; k += 2)
      out.push_back(static_cast<char16_t>((name.string[k] << 8) | name.string[k + 1]));
    return out;
  }
  return {};
}

Technology TechnologyOf(FT_Face face) {
  const char* format = FT_Get_Font_Format(face);
  if (!format) return Technology::Other;
  if (std::strcmp(format, "TrueType") == 0) return Technology::TrueType;
  if (std::strcmp(format, "CFF") == 0 && FT_IS_SFNT(face)) return Technology::OpenTypeCff;
  if (std::strcmp(format, "Type 1") == 0) return Technology::Type1;
  return Technology::Other;
}

std::vector<Face> ReadFaces(FontRegistry& r, const std::string& path) {
  std::vector<Face> faces;
  FT_Face probe = nullptr;
  if (FT_New_Face(r.library, path.c_str(), -1, &probe) != 0) return faces;
  long count = probe->num_faces;
  FT_Done_Face(probe);
  for (long i = 0; i < count && i < 64; ++i) {
    FT_Face ft = nullptr;
    if (FT_New_Face(r.library, path.c_str(), i, &ft) != 0) continue;
    if (FT_IS_SCALABLE(ft) && ft->family_name) {
      Face face;
      face.index = i;
      face.family = FromUtf8(ft->family_name);
      face.style = FromUtf8(ft->style_name);
      face.technology = TechnologyOf(ft);
      face.italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
      face.weight = (ft->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
      if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
        face.weight = os2->usWeightClass;
        if (os2->version >= 1) {
          // ulCodePageRange1 bits 17 to 21: code pages 932, 936, 949, 950 and 1361.
          const BYTE farEast[] = {SHIFTJIS_CHARSET, GB2312_CHARSET, HANGUL_CHARSET, CHINESEBIG5_CHARSET, JOHAB_CHARSET};
          for (int bit = 17; bit <= 21 && !face.vertical; ++bit)
            if (os2->ulCodePageRange1 & (1UL << bit)) {
              face.vertical = true;
              face.verticalCharSet = farEast[bit - 17];
            }
        }
      }
      if (FT_IS_SFNT(ft)) face.fullName = SfntName(ft, TT_NAME_ID_FULL_NAME);
      PS_FontInfoRec info;
      if (face.fullName.empty() && FT_Get_PS_Font_Info(ft, &info) == 0 && info.full_name)
        face.fullName = FromUtf8(info.full_name);
      if (face.fullName.empty()) face.fullName = face.family;
      faces.push_back(std::move(face));
    }
    FT_Done_Face(ft);
  }
  return faces;
}

void ScanFaces(FontRegistry& r, std::vector<Face>& faces) {
  plat::EnsureMachineLayout();
  plat::ResolvedPath folder = plat::ResolvePath(plat::StandardFolderPath(plat::StandardFolder::Fonts));
  if (!folder.isDirectory) return;
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder.host, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) files.push_back(it->path().string());
  std::sort(files.begin(), files.end());
  for (const std::string& path : files) {
    std::error_code stat;
    auto size = fs::file_size(path, stat);
    auto time = fs::last_write_time(path, stat).time_since_epoch().count();
    std::string fileKey = fs::path(path).filename().string() + "|" + std::to_string(size) + "|" + std::to_string(time);
    auto cached = r.facesByFile.find(fileKey);
    if (cached == r.facesByFile.end()) cached = r.facesByFile.emplace(fileKey, ReadFaces(r, path)).first;
    for (Face face : cached->second) {
      face.path = path;
      faces.push_back(std::move(face));
    }
  }
}

std::vector<Face>& FacesOfMachine(FontRegistry& r) {
  std::string machine = plat::MachineRoot();
  auto it = r.facesByMachine.find(machine);
  if (it != r.facesByMachine.end()) return it->second;
  std::vector<Face>& faces = r.facesByMachine[machine];
  ScanFaces(r, faces);
  return faces;
}

// The face for a request: the named family (or the face of that full name), else the machine's
// face of the same family by another name, else DejaVu of the asked pitch and family.
const Face* ChooseFace(const std::vector<Face>& faces, const LOGFONTW& lf, std::u16string_view name) {
  for (const Face& f : faces)
    if (SameName(f.fullName, name) && !SameName(f.family, name)) return &f;
  auto pick = [&](std::u16string_view family) -> const Face* {
    const Face* best = nullptr;
    long bestScore = 0;
    int wanted = lf.lfWeight ? static_cast<int>(lf.lfWeight) : FW_NORMAL;
    for (const Face& f : faces) {
      if (!SameName(f.family, family)) continue;
      long score = std::abs(f.weight - wanted) + ((f.italic != (lf.lfItalic != 0)) ? 1000 : 0);
      if (!best || score < bestScore) best = &f, bestScore = score;
    }
    return best;
  };
  if (const Face* f = pick(name)) return f;
  for (const auto& alias : kFamilyAliases)
    if (SameName(alias.first, name))
      if (const Face* f = pick(alias.second)) return f;
  BYTE pitch = lf.lfPitchAndFamily & 0x3, family = lf.lfPitchAndFamily & 0xF0;
  const char16_t* fallback = (pitch == FIXED_PITCH || family == FF_MODERN) ? u"DejaVu Sans Mono"
                             : family == FF_ROMAN                         ? u"DejaVu Serif"
                                                                          : u"DejaVu Sans";
  if (const Face* f = pick(fallback)) return f;
  return faces.empty() ? nullptr : &faces.front();
}

std::string RealizationKey(const std::string& machine, const LOGFONTW& lf, ULONG dpi) {
  std::string key = machine;
  key.push_back('\0');
  LOGFONTW copy = lf;
  size_t n = 0;
  while (n < LF_FACESIZE && copy.lfFaceName[n]) ++n;
  for (size_t i = n; i < LF_FACESIZE; ++i) copy.lfFaceName[i] = 0;  // bytes after the name do not count
  key.append(reinterpret_cast<const char*>(&copy), sizeof copy);
  key.append(reinterpret_cast<const char*>(&dpi), sizeof dpi);
  return key;
}

void AppendName(std::vector<BYTE>& ifi, PTRDIFF* offset, const std::u16string& name) {
  *offset = static_cast<PTRDIFF>(ifi.size());
  const BYTE* p = reinterpret_cast<const BYTE*>(name.c_str());
  ifi.insert(ifi.end(), p, p + (name.size() + 1) * sizeof(char16_t));
}

FWORD Fw(long v) { return static_cast<FWORD>(std::clamp<long>(v, -32768, 32767)); }

void BuildIfiMetrics(RealizedFont& font) {
  FT_Face ft = font.ft;
  const Face& face = *font.face;
  IFIMETRICS m{};
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  if (os2 && os2->version == 0xFFFF) os2 = nullptr;
  m.jWinCharSet = ANSI_CHARSET;
  bool fixed = FT_IS_FIXED_WIDTH(ft);
  BYTE family = FF_SWISS;
  if (os2 && os2->panose[0] == 2 && os2->panose[1] >= 2 && os2->panose[1] <= 10) family = FF_ROMAN;
  if (fixed) family = FF_MODERN;
  m.jWinPitchAndFamily = static_cast<BYTE>((fixed ? FIXED_PITCH : VARIABLE_PITCH) | family);
  m.usWinWeight = static_cast<USHORT>(face.weight);
  switch (face.technology) {
    case Technology::TrueType: m.flInfo = FM_INFO_TECH_TRUETYPE; break;
    case Technology::OpenTypeCff: m.flInfo = FM_INFO_TECH_CFF | FM_INFO_TECH_OUTLINE_NOT_TRUETYPE; break;
    case Technology::Type1: m.flInfo = FM_INFO_TECH_TYPE1 | FM_INFO_TECH_OUTLINE_NOT_TRUETYPE; break;
    case Technology::Other: m.flInfo = FM_INFO_TECH_OUTLINE_NOT_TRUETYPE; break;
  }
  m.flInfo |= FM_INFO_ARB_XFORMS | FM_INFO_RETURNS_BITMAPS | FM_INFO_1BPP | FM_INFO_UNICODE_COMPLIANT |
              FM_INFO_RIGHT_HANDED | FM_INFO_RETURNS_OUTLINES;
  if (fixed) m.flInfo |= FM_INFO_CONSTANT_WIDTH;
  if (os2) {
    m.fsSelection = os2->fsSelection & (FM_SEL_ITALIC | FM_SEL_UNDERSCORE | FM_SEL_NEGATIVE | FM_SEL_OUTLINED |
                                        FM_SEL_STRIKEOUT | FM_SEL_BOLD | FM_SEL_REGULAR);
    m.fsType = os2->fsType;
  } else {
    m.fsSelection = static_cast<USHORT>((face.italic ? FM_SEL_ITALIC : 0) | (face.weight >= FW_SEMIBOLD ? FM_SEL_BOLD : 0));
    if (!m.fsSelection) m.fsSelection = FM_SEL_REGULAR;
  }
  m.fwdUnitsPerEm = Fw(ft->units_per_EM);
  m.fwdLowestPPEm = 1;
  m.fwdWinAscender = Fw(os2 ? os2->usWinAscent : ft->ascender);
  m.fwdWinDescender = Fw(os2 ? os2->usWinDescent : -ft->descender);
  m.fwdMacAscender = Fw(ft->ascender);
  m.fwdMacDescender = Fw(ft->descender);
  m.fwdMacLineGap = Fw(ft->height - ft->ascender + ft->descender);
  m.fwdTypoAscender = Fw(os2 ? os2->sTypoAscender : ft->ascender);
  m.fwdTypoDescender = Fw(os2 ? os2->sTypoDescender : ft->descender);
  m.fwdTypoLineGap = Fw(os2 ? os2->sTypoLineGap : 0);
  m.fwdAveCharWidth = Fw(os2 && os2->xAvgCharWidth ? os2->xAvgCharWidth : ft->max_advance_width / 2);
  m.fwdMaxCharInc = Fw(ft->max_advance_width);
  m.fwdCapHeight = Fw(os2 && os2->version >= 2 ? os2->sCapHeight : ft->ascender * 7 / 10);
  m.fwdXHeight = Fw(os2 && os2->version >= 2 ? os2->sxHeight : ft->ascender / 2);
  if (os2) {
    m.fwdSubscriptXSize = Fw(os2->ySubscriptXSize);
    m.fwdSubscriptYSize = Fw(os2->ySubscriptYSize);
    m.fwdSubscriptXOffset = Fw(os2->ySubscriptXOffset);
    m.fwdSubscriptYOffset = Fw(os2->ySubscriptYOffset);
    m.fwdSuperscriptXSize = Fw(os2->ySuperscriptXSize);
    m.fwdSuperscriptYSize = Fw(os2->ySuperscriptYSize);
    m.fwdSuperscriptXOffset = Fw(os2->ySuperscriptXOffset);
    m.fwdSuperscriptYOffset = Fw(os2->ySuperscriptYOffset);
    m.fwdStrikeoutSize = Fw(os2->yStrikeoutSize);
    m.fwdStrikeoutPosition = Fw(os2->yStrikeoutPosition);
    std::memcpy(&m.panose, os2->panose, sizeof m.panose);
    std::memcpy(m.achVendId, os2->achVendID, sizeof m.achVendId);
  } else {
    m.fwdStrikeoutSize = Fw(ft->units_per_EM / 20);
    m.fwdStrikeoutPosition = Fw(ft->ascender / 3);
  }
  m.fwdUnderscoreSize = Fw(ft->underline_thickness ? ft->underline_thickness : ft->units_per_EM / 20);
  m.fwdUnderscorePosition = Fw(ft->underline_position ? ft->underline_position : -ft->units_per_EM / 10);
  m.chFirstChar = 0x20;
  m.chLastChar = 0xFF;
  m.chDefaultChar = '?';
  m.chBreakChar = ' ';
  FT_UInt index = 0;
  FT_ULong first = FT_Get_First_Char(ft, &index), last = first;
  for (FT_ULong c = first; index != 0 && c <= 0xFFFF; c = FT_Get_Next_Char(ft, c, &index)) last = c;
  m.wcFirstChar = static_cast<WCHAR>(std::min<FT_ULong>(first, 0xFFFF));
  m.wcLastChar = static_cast<WCHAR>(std::min<FT_ULong>(last, 0xFFFF));
  m.wcDefaultChar = u'?';
  m.wcBreakChar = u' ';
  m.ptlBaseline = {1, 0};
  m.ptlAspect = {static_cast<LONG>(font.dpi), static_cast<LONG>(font.dpi)};
  m.ptlCaret = {0, 1};
  m.rclFontBox = {static_cast<LONG>(ft->bbox.xMin), static_cast<LONG>(ft->bbox.yMax), static_cast<LONG>(ft->bbox.xMax),
                  static_cast<LONG>(ft->bbox.yMin)};
  m.ulPanoseCulture = 0;

  std::u16string faceName = face.fullName, familyName = face.family;
  if (font.vertical) faceName = u"@" + faceName, familyName = u"@" + familyName;
  std::vector<BYTE>& ifi = font.ifi;
  ifi.assign(sizeof m, 0);
  AppendName(ifi, &m.dpwszFamilyName, familyName);
  AppendName(ifi, &m.dpwszStyleName, face.style);
  AppendName(ifi, &m.dpwszFaceName, faceName);
  AppendName(ifi, &m.dpwszUniqueName, face.fullName + u";" + face.style);
  while (ifi.size() % 8) ifi.push_back(0);
  m.cjThis = static_cast<ULONG>(ifi.size());
  std::memcpy(ifi.data(), &m, sizeof m);
}

// Notional (font units, y up) to device (pixels, y down) for the em sizes and escapement.
void BuildXform(RealizedFont& font) {
  double upm = font.ft->units_per_EM ? font.ft->units_per_EM : 1000;
  double sx = font.emX / upm, sy = font.emY / upm;
  double angle = font.escapement / 10.0 * M_PI / 180.0;
  double c = std::cos(angle), s = std::sin(angle);
  if (std::fabs(c) < 1e-12) c = 0;
  if (std::fabs(s) < 1e-12) s = 0;
  font.xform.eM11 = static_cast<FLOATL>(sx * c);
  font.xform.eM12 = static_cast<FLOATL>(-sx * s);
  font.xform.eM21 = static_cast<FLOATL>(-sy * s);
  font.xform.eM22 = static_cast<FLOATL>(-sy * c);
  font.xform.eDx = 0;
  font.xform.eDy = 0;
}

RealizedFont* LookupFont(FontRegistry& r, const FONTOBJ* fo) {
  if (!fo || !r.fonts.count(fo)) return nullptr;
  return reinterpret_cast<RealizedFont*>(const_cast<FONTOBJ*>(fo));
}

// Sets the face to the font's size and its glyph transform: the width scale, the escapement and
// the italic simulation's slant, in FreeType's y-up space.
void PrepareFace(RealizedFont& font) {
  FT_Set_Char_Size(font.ft, static_cast<FT_F26Dot6>(std::lround(font.emX * 64)),
                   static_cast<FT_F26Dot6>(std::lround(font.emY * 64)), 72, 72);
  double angle = font.escapement / 10.0 * M_PI / 180.0;
  double c = std::cos(angle), s = std::sin(angle);
  double slant = font.simItalic ? 0.2 : 0.0;
  FT_Matrix m;
  m.xx = static_cast<FT_Fixed>(std::lround(c * 65536));
  m.xy = static_cast<FT_Fixed>(std::lround((c * slant - s) * 65536));
  m.yx = static_cast<FT_Fixed>(std::lround(s * 65536));
  m.yy = static_cast<FT_Fixed>(std::lround((s * slant + c) * 65536));
  FT_Set_Transform(font.ft, &m, nullptr);
}

// The glyph's advance along the baseline in whole pixels (the registry's lock held).
LONG ComputeAdvance(RealizedFont& font, HGLYPH glyph) {
  FT_Fixed advance = 0;
  if (glyph >= static_cast<HGLYPH>(font.ft->num_glyphs) || FT_Get_Advance(font.ft, glyph, FT_LOAD_NO_SCALE, &advance) != 0)
    advance = 0;
  double upm = font.ft->units_per_EM ? font.ft->units_per_EM : 1000;
  LONG pixels = static_cast<LONG>(std::lround(advance * font.emX / upm));
  if (font.simBold && pixels > 0) pixels += 1;  // the emboldened image is a pixel wider
  return pixels;
}

LONG AdvanceOf(RealizedFont& font, HGLYPH glyph) {
  if (glyph >= static_cast<HGLYPH>(font.ft->num_glyphs)) return ComputeAdvance(font, glyph);
  if (font.advances.empty()) font.advances.assign(static_cast<size_t>(font.ft->num_glyphs), kAdvanceNotLooked);
  LONG& known = font.advances[glyph];
  if (known == kAdvanceNotLooked) known = ComputeAdvance(font, glyph);
  return known;
}

// The glyph of a character (the registry's lock held).
HGLYPH CharacterGlyph(RealizedFont& font, WCHAR character) {
  std::unique_ptr<HGLYPH[]>& page = font.charPages[character >> 8];
  if (!page) {
    page = std::make_unique<HGLYPH[]>(256);
    std::fill(page.get(), page.get() + 256, kGlyphNotLooked);
  }
  HGLYPH& known = page[character & 0xFF];
  if (known != kGlyphNotLooked) return known;
  HGLYPH glyph = FT_Get_Char_Index(font.ft, character);
  // A symbol face keeps its glyphs at 0xF0xx; single-byte characters reach them there.
  if (glyph == 0 && character < 0x100 && font.ft->charmap && font.ft->charmap->encoding == FT_ENCODING_MS_SYMBOL)
    glyph = FT_Get_Char_Index(font.ft, 0xF000u | character);
  known = glyph;
  return glyph;
}

GlyphEntry* RenderGlyph(RealizedFont& font, HGLYPH glyph) {
  auto found = font.glyphs.find(glyph);
  if (found != font.glyphs.end()) return found->second.get();
  auto entry = std::make_unique<GlyphEntry>();
  PrepareFace(font);
  bool loaded = glyph < static_cast<HGLYPH>(font.ft->num_glyphs) &&
                FT_Load_Glyph(font.ft, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) == 0;
  LONG width = 0, height = 0, left = 0, top = 0;
  std::vector<BYTE> rows;
  if (loaded) {
    FT_GlyphSlot slot = font.ft->glyph;
    if (font.simBold && slot->format == FT_GLYPH_FORMAT_OUTLINE)
      FT_Outline_Embolden(&slot->outline, static_cast<FT_Pos>(std::max(64.0, font.emY * 64 / 24)));
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
      const FT_Bitmap& b = slot->bitmap;
      width = static_cast<LONG>(b.width);
      height = static_cast<LONG>(b.rows);
      left = slot->bitmap_left;
      top = slot->bitmap_top;
      DWORD rowBytes = (static_cast<DWORD>(width) + 7) / 8;
      rows.resize(rowBytes * static_cast<DWORD>(height));
      for (LONG y = 0; y < height; ++y) {
        const BYTE* src = b.buffer + (b.pitch >= 0 ? y * b.pitch : (height - 1 - y) * -b.pitch);
        std::memcpy(rows.data() + y * rowBytes, src, rowBytes);
      }
    }
  }
  if (width == 0 || height == 0) {  // an empty glyph is a blank pixel, as the engine gives it
    width = height = 1;
    left = 0;
    top = 0;
    rows.assign(1, 0);
  }
  entry->bits.resize(offsetof(GLYPHBITS, aj) + std::max<size_t>(rows.size(), 4), 0);
  auto* bits = reinterpret_cast<GLYPHBITS*>(entry->bits.data());
  bits->ptlOrigin = {left, -top};
  bits->sizlBitmap = {width, height};
  std::memcpy(bits->aj, rows.data(), rows.size());
  LONG advance = AdvanceOf(font, glyph);
  GLYPHDATA& d = entry->data;
  d.gdf.pgb = bits;
  d.hg = glyph;
  d.fxD = advance * 16;
  d.fxA = left * 16;
  d.fxAB = (left + width) * 16;
  d.fxInkTop = top * 16;
  d.fxInkBottom = (top - height) * 16;
  d.rclInk = {left, -top, left + width, -top + height};
  double angle = font.escapement / 10.0 * M_PI / 180.0;
  d.ptqD.x.QuadPart = static_cast<LONGLONG>(std::llround(advance * std::cos(angle) * 4294967296.0));
  d.ptqD.y.QuadPart = static_cast<LONGLONG>(std::llround(-advance * std::sin(angle) * 4294967296.0));
  GlyphEntry* raw = entry.get();
  font.glyphs[glyph] = std::move(entry);
  return raw;
}

}  // namespace

namespace plat::engine {

FONTOBJ* RealizeFont(const LOGFONTW& logfont, ULONG dpi) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!r.library && FT_Init_FreeType(&r.library) != 0) {
    r.library = nullptr;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (dpi == 0) dpi = 600;
  std::string machine = plat::MachineRoot();
  std::string key = RealizationKey(machine, logfont, dpi);
  auto it = r.realized.find(key);
  if (it != r.realized.end()) return &it->second->fo;

  std::vector<Face>& faces = FacesOfMachine(r);
  std::u16string name;
  for (size_t i = 0; i < LF_FACESIZE && logfont.lfFaceName[i]; ++i) name.push_back(logfont.lfFaceName[i]);
  bool vertical = !name.empty() && name[0] == u'@';
  if (vertical) name.erase(0, 1);
  const Face* face = ChooseFace(faces, logfont, name);
  if (!face) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  Face& owned = const_cast<Face&>(*face);
  if (!owned.bytes) {
    std::ifstream in(owned.path, std::ios::binary);
    owned.bytes = std::make_shared<std::vector<BYTE>>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  auto font = std::make_unique<RealizedFont>();
  if (owned.bytes->empty() ||
      FT_New_Memory_Face(r.library, owned.bytes->data(), static_cast<FT_Long>(owned.bytes->size()), owned.index,
                         &font->ft) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  font->logfont = logfont;
  font->dpi = dpi;
  font->machine = machine;
  font->face = face;
  font->vertical = vertical;
  int wanted = logfont.lfWeight ? static_cast<int>(logfont.lfWeight) : FW_NORMAL;
  font->simBold = wanted >= FW_SEMIBOLD && face->weight < FW_SEMIBOLD;
  font->simItalic = logfont.lfItalic && !face->italic;

  FT_Face ft = font->ft;
  double upm = ft->units_per_EM ? ft->units_per_EM : 1000;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  if (os2 && os2->version == 0xFFFF) os2 = nullptr;
  double cell = os2 ? os2->usWinAscent + os2->usWinDescent : ft->ascender - ft->descender;
  if (cell <= 0) cell = upm;
  double em;
  if (logfont.lfHeight < 0) em = -static_cast<double>(logfont.lfHeight);
  else if (logfont.lfHeight > 0) em = logfont.lfHeight * upm / cell;
  else em = 12.0 * dpi / 72.0 * upm / cell;  // the default: a 12-point cell
  font->emY = std::max(em, 1.0);
  double average = os2 && os2->xAvgCharWidth ? os2->xAvgCharWidth : upm / 2;
  font->emX = logfont.lfWidth > 0 ? std::max(1.0, logfont.lfWidth * upm / average) : font->emY;
  font->escapement = std::fmod(static_cast<double>(logfont.lfEscapement), 3600.0);
  if (font->escapement < 0) font->escapement += 3600;
  BuildXform(*font);
  BuildIfiMetrics(*font);

  FONTOBJ& fo = font->fo;
  fo.iUniq = r.nextUniq++;
  fo.iFace = static_cast<ULONG>(face - faces.data()) + 1;
  fo.cxMax = static_cast<ULONG>(std::lround(ft->max_advance_width * font->emX / upm));
  switch (face->technology) {
    case Technology::TrueType: fo.flFontType = FO_TYPE_TRUETYPE; break;
    case Technology::OpenTypeCff: fo.flFontType = FO_TYPE_OPENTYPE | FO_CFF; break;
    case Technology::Type1: fo.flFontType = FO_POSTSCRIPT; break;
    case Technology::Other: fo.flFontType = 0; break;
  }
  if (font->simBold) fo.flFontType |= FO_SIM_BOLD;
  if (font->simItalic) fo.flFontType |= FO_SIM_ITALIC;
  if (vertical) fo.flFontType |= FO_VERT_FACE;
  if (logfont.lfHeight < 0) fo.flFontType |= FO_EM_HEIGHT;
  fo.iTTUniq = fo.iUniq;
  fo.iFile = fo.iFace;
  fo.sizLogResPpi = {static_cast<LONG>(dpi), static_cast<LONG>(dpi)};
  r.fonts.insert(&font->fo);
  r.xforms[&font->xo] = font->xform;
  FONTOBJ* result = &font->fo;
  r.realized[key] = std::move(font);
  return result;
}

bool IsEngineFont(const FONTOBJ* font) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return LookupFont(r, font) != nullptr;
}

HGLYPH GlyphOfCharacter(FONTOBJ* fo, WCHAR character) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, fo);
  return font ? CharacterGlyph(*font, character) : 0;
}

bool GlyphRun(FONTOBJ* fo, const WCHAR* text, size_t count, bool glyphIndex, HGLYPH* glyphs, LONG* advances) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, fo);
  if (!font) return false;
  for (size_t i = 0; i < count; ++i) {
    HGLYPH glyph = glyphIndex ? text[i] : CharacterGlyph(*font, text[i]);
    if (glyphs) glyphs[i] = glyph;
    if (advances) advances[i] = AdvanceOf(*font, glyph);
  }
  return true;
}

LONG GlyphAdvance(FONTOBJ* fo, HGLYPH glyph) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, fo);
  return font ? AdvanceOf(*font, glyph) : 0;
}

bool MeasureFont(FONTOBJ* fo, FontMeasures* m) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, fo);
  if (!font || !m) return false;
  const auto* ifi = reinterpret_cast<const IFIMETRICS*>(font->ifi.data());
  double upm = ifi->fwdUnitsPerEm ? ifi->fwdUnitsPerEm : 1000;
  double sy = font->emY / upm, sx = font->emX / upm;
  m->ascent = static_cast<LONG>(std::lround(ifi->fwdWinAscender * sy));
  m->descent = static_cast<LONG>(std::lround(ifi->fwdWinDescender * sy));
  m->internalLeading = std::max<LONG>(0, m->ascent + m->descent - static_cast<LONG>(std::lround(font->emY)));
  m->externalLeading = std::max<LONG>(0, static_cast<LONG>(std::lround(ifi->fwdTypoLineGap * sy)));
  m->aveCharWidth = static_cast<LONG>(std::lround(ifi->fwdAveCharWidth * sx));
  m->maxCharWidth = static_cast<LONG>(std::lround(ifi->fwdMaxCharInc * sx));
  m->weight = font->simBold ? FW_BOLD : font->face->weight;
  m->italic = font->logfont.lfItalic || font->face->italic;
  m->fixedPitch = (ifi->flInfo & FM_INFO_CONSTANT_WIDTH) != 0;
  m->trueType = font->face->technology == Technology::TrueType || font->face->technology == Technology::OpenTypeCff;
  m->underlinePosition = static_cast<LONG>(std::lround(-ifi->fwdUnderscorePosition * sy));
  m->underlineSize = std::max<LONG>(1, static_cast<LONG>(std::lround(ifi->fwdUnderscoreSize * sy)));
  m->strikeoutPosition = static_cast<LONG>(std::lround(-ifi->fwdStrikeoutPosition * sy));
  m->strikeoutSize = std::max<LONG>(1, static_cast<LONG>(std::lround(ifi->fwdStrikeoutSize * sy)));
  m->escapement = font->escapement;
  m->firstChar = ifi->wcFirstChar;
  m->lastChar = ifi->wcLastChar;
  m->charSet = font->logfont.lfCharSet;
  m->faceName = reinterpret_cast<const char16_t*>(font->ifi.data() + ifi->dpwszFaceName);
  return true;
}

namespace {

// Loads a glyph's outline into the face's slot at the realisation's size and transform.
bool LoadOutline(RealizedFont& font, HGLYPH glyph) {
  PrepareFace(font);
  if (glyph >= static_cast<HGLYPH>(font.ft->num_glyphs) ||
      FT_Load_Glyph(font.ft, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0)
    return false;
  FT_GlyphSlot slot = font.ft->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  if (font.simBold) FT_Outline_Embolden(&slot->outline, static_cast<FT_Pos>(std::max(64.0, font.emY * 64 / 24)));
  return true;
}

struct OutlineSink {
  std::vector<POINTFIX>* points;
  std::vector<BYTE>* types;
  FT_Vector last{0, 0};
  bool open = false;
};

// FreeType's 26.6, y up, to the engine's 28.4, y down.
POINTFIX ToFix(const FT_Vector& v) {
  return POINTFIX{static_cast<FIX>(v.x >> 2), static_cast<FIX>(-(v.y >> 2))};
}

void CloseContour(OutlineSink& sink) {
  if (sink.open && !sink.types->empty()) sink.types->back() |= PT_CLOSEFIGURE;
  sink.open = false;
}

int MoveTo(const FT_Vector* to, void* user) {
  auto& sink = *static_cast<OutlineSink*>(user);
  CloseContour(sink);
  sink.points->push_back(ToFix(*to));
  sink.types->push_back(PT_MOVETO);
  sink.last = *to;
  sink.open = true;
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  auto& sink = *static_cast<OutlineSink*>(user);
  sink.points->push_back(ToFix(*to));
  sink.types->push_back(PT_LINETO);
  sink.last = *to;
  return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto& sink = *static_cast<OutlineSink*>(user);
  for (const FT_Vector* v : {c1, c2, to}) {
    sink.points->push_back(ToFix(*v));
    sink.types->push_back(PT_BEZIERTO);
  }
  sink.last = *to;
  return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  // A quadratic as the cubic with the same curve: controls two thirds of the way to `control`.
  auto& sink = *static_cast<OutlineSink*>(user);
  FT_Vector from = sink.last;
  FT_Vector c1{from.x + 2 * (control->x - from.x) / 3, from.y + 2 * (control->y - from.y) / 3};
  FT_Vector c2{to->x + 2 * (control->x - to->x) / 3, to->y + 2 * (control->y - to->y) / 3};
  return CubicTo(&c1, &c2, to, user);
}

}  // namespace

bool GlyphOutline(FONTOBJ* fo, HGLYPH glyph, std::vector<POINTFIX>& points, std::vector<BYTE>& types) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, fo);
  points.clear();
  types.clear();
  if (!font) return false;
  if (!LoadOutline(*font, glyph)) return true;  // a glyph without an outline draws nothing
  FT_Outline_Funcs funcs{};
  funcs.move_to = MoveTo;
  funcs.line_to = LineTo;
  funcs.conic_to = ConicTo;
  funcs.cubic_to = CubicTo;
  OutlineSink sink{&points, &types};
  if (FT_Outline_Decompose(&font->ft->glyph->outline, &funcs, &sink) != 0) {
    points.clear();
    types.clear();
    return false;
  }
  CloseContour(sink);
  return true;
}

bool GlyphGrey(FONTOBJ* fo, HGLYPH glyph, GreyGlyph& out) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, fo);
  out = GreyGlyph{};
  if (!font) return false;
  if (!LoadOutline(*font, glyph)) return true;
  FT_GlyphSlot slot = font->ft->glyph;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
  const FT_Bitmap& b = slot->bitmap;
  out.left = slot->bitmap_left;
  out.top = -slot->bitmap_top;
  out.width = static_cast<LONG>(b.width);
  out.height = static_cast<LONG>(b.rows);
  out.coverage.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  for (LONG y = 0; y < out.height; ++y) {
    const BYTE* row = b.buffer + (b.pitch >= 0 ? y * b.pitch : (out.height - 1 - y) * -b.pitch);
    std::memcpy(out.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width), row,
                static_cast<size_t>(out.width));
  }
  return true;
}

std::vector<FontFamily> FontFamilies() {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!r.library && FT_Init_FreeType(&r.library) != 0) {
    r.library = nullptr;
    return {};
  }
  std::vector<FontFamily> families;
  for (const Face& face : FacesOfMachine(r)) {
    FontFamily* known = nullptr;
    for (FontFamily& f : families)
      if (SameName(f.name, face.family)) known = &f;
    if (!known) known = &families.emplace_back(FontFamily{face.family, face.technology == Technology::TrueType});
    // One face of the family for a Far-East code page makes the family's "@" twin.
    if (face.vertical && !known->vertical) {
      known->vertical = true;
      known->verticalCharSet = face.verticalCharSet;
    }
  }
  return families;
}

void RegisterXform(XFORMOBJ* xform, const XFORML& matrix) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.xforms[xform] = matrix;
}

void UnregisterXform(XFORMOBJ* xform) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.xforms.erase(xform);
}

}  // namespace plat::engine

extern "C" {

WINBASEAPI IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, pfo);
  return font ? reinterpret_cast<IFIMETRICS*>(font->ifi.data()) : nullptr;
}

WINBASEAPI PVOID APIENTRY FONTOBJ_pvTrueTypeFontFile(FONTOBJ* pfo, ULONG* pcjFile) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, pfo);
  if (pcjFile) *pcjFile = 0;
  if (!font) return nullptr;
  Technology t = font->face->technology;
  if (t != Technology::TrueType && t != Technology::OpenTypeCff) return nullptr;
  if (pcjFile) *pcjFile = static_cast<ULONG>(font->face->bytes->size());
  return font->face->bytes->data();
}

WINBASEAPI XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, pfo);
  return font ? &font->xo : nullptr;
}

WINBASEAPI ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  RealizedFont* font = LookupFont(r, pfo);
  // One glyph a call; outlines are not handed out by this engine (drivers ask for bitmaps).
  if (!font || cGlyph != 1 || !phg || !ppvGlyph || iMode != FO_GLYPHBITS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  GlyphEntry* entry = RenderGlyph(*font, *phg);
  *ppvGlyph = &entry->data;
  return 1;
}

WINBASEAPI ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
  FontRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = pxo ? r.xforms.find(pxo) : r.xforms.end();
  if (it == r.xforms.end()) return DDI_ERROR;
  const XFORML& x = it->second;
  if (pxform) *pxform = x;
  if (x.eM12 == 0 && x.eM21 == 0) {
    if (x.eM11 == 1 && x.eM22 == 1) return (x.eDx == 0 && x.eDy == 0) ? GX_IDENTITY : GX_OFFSET;
    return GX_SCALE;
  }
  return GX_GENERAL;
}

WINBASEAPI BOOL APIENTRY XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut) {
  XFORML x;
  if (XFORMOBJ_iGetXform(pxo, &x) == DDI_ERROR || !pvIn || !pvOut || iMode > XF_INV_FXTOL) return FALSE;
  double m11 = x.eM11, m12 = x.eM12, m21 = x.eM21, m22 = x.eM22, dx = x.eDx, dy = x.eDy;
  bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
  if (inverse) {
    double det = m11 * m22 - m12 * m21;
    if (det == 0) return FALSE;
    double i11 = m22 / det, i12 = -m12 / det, i21 = -m21 / det, i22 = m11 / det;
    double idx = -(dx * i11 + dy * i21), idy = -(dx * i12 + dy * i22);
    m11 = i11, m12 = i12, m21 = i21, m22 = i22, dx = idx, dy = idy;
  }
  double inScale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1.0;
  double outScale = iMode == XF_LTOFX ? 16.0 : 1.0;
  const LONG* in = static_cast<const LONG*>(pvIn);
  LONG* out = static_cast<LONG*>(pvOut);
  for (ULONG i = 0; i < cPoints; ++i) {
    double px = in[2 * i] * inScale, py = in[2 * i + 1] * inScale;
    double qx = px * m11 + py * m21 + dx, qy = px * m12 + py * m22 + dy;
    out[2 * i] = static_cast<LONG>(std::lround(qx * outScale));
    out[2 * i + 1] = static_cast<LONG>(std::lround(qy * outScale));
  }
  return TRUE;
}

}  // extern "C"
