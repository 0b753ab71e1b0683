// Script commands of text: the font, the text colour, the alignment, and text
// lines through ExtTextOutW. A quoted argument may hold blanks ("DejaVu Sans", "Hello world").
#include <win/gdi_draw.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>

#include "script.h"

namespace printjob {
namespace {

// Joins the arguments from `at` into one when the first begins with a double quote, up to the
// argument ending in one; the blanks between them come back as single blanks. `at` moves past it.
bool TakeQuoted(const Arguments& args, size_t& at, std::string& out) {
  if (at >= args.size()) return false;
  const std::string& first = args[at];
  if (first.empty() || first[0] != '"') {
    out = first;
    ++at;
    return true;
  }
  std::string text = first.substr(1);
  for (;;) {
    if (!text.empty() && text.back() == '"') {
      text.pop_back();
      out = text;
      ++at;
      return true;
    }
    if (++at >= args.size()) return false;
    text += " " + args[at];
  }
}

// UTF-8 to UTF-16; FALSE on a malformed sequence.
bool Utf16(const std::string& text, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t code;
    size_t extra;
    if (c < 0x80) code = c, extra = 0;
    else if ((c & 0xE0) == 0xC0) code = c & 0x1F, extra = 1;
    else if ((c & 0xF0) == 0xE0) code = c & 0x0F, extra = 2;
    else if ((c & 0xF8) == 0xF0) code = c & 0x07, extra = 3;
    else return false;
    if (i + extra >= text.size() + (extra ? 0 : 1)) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return true;
}

bool Keyword(const std::string& arg, const char* key, std::string& value) {
  size_t n = std::char_traits<char>::length(key);
  if (arg.compare(0, n, key) != 0 || arg.size() <= n || arg[n] != '=') return false;
  value = arg.substr(n + 1);
  return true;
}

// font FACE HEIGHT [width=N] [escapement=N] [weight=N] [italic] [underline] [strikeout]
bool RunFont(ScriptContext& c, const Arguments& args, std::string& error) {
  size_t at = 0;
  std::string face;
  if (!TakeQuoted(args, at, face) || at >= args.size()) return error = "FACE HEIGHT", false;
  LONG height = 0, width = 0, escapement = 0, weight = FW_NORMAL;
  if (!ParseLengthY(c, args[at++], height)) return error = "bad HEIGHT", false;
  bool italic = false, underline = false, strikeout = false;
  for (; at < args.size(); ++at) {
    std::string v;
    const std::string& a = args[at];
    if (a == "italic") italic = true;
    else if (a == "underline") underline = true;
    else if (a == "strikeout") strikeout = true;
    else if (Keyword(a, "width", v)) {
      if (!ParseLengthX(c, v, width)) return error = "bad width", false;
    } else if (Keyword(a, "escapement", v)) {
      if (!ParseInteger(v, escapement)) return error = "bad escapement", false;
    } else if (Keyword(a, "weight", v)) {
      if (!ParseInteger(v, weight)) return error = "bad weight", false;
    } else {
      return error = "unknown option '" + a + "'", false;
    }
  }
  std::u16string wide;
  if (!Utf16(face, wide) || wide.size() >= LF_FACESIZE) return error = "bad FACE", false;
  // A positive height asks for the em height, as point sizes are meant.
  HFONT font = CreateFontW(-height, width, escapement, escapement, weight, italic, underline, strikeout,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, wide.c_str());
  if (!font) return error = "CreateFontW failed (error " + std::to_string(GetLastError()) + ")", false;
  SelectObject(c.hdc, font);
  c.cleanups.push_back([font] { DeleteObject(font); });
  return true;
}

bool RunTextColor(ScriptContext& c, const Arguments& args, std::string& error) {
  COLORREF colour;
  if (args.size() != 1 || !ParseColour(args[0], colour)) return error = "COLOUR", false;
  SetTextColor(c.hdc, colour);
  return true;
}

// textalign left|center|right top|baseline|bottom [updatecp]
bool RunTextAlign(ScriptContext& c, const Arguments& args, std::string& error) {
  UINT align = 0;
  for (const std::string& a : args) {
    if (a == "left" || a == "top") continue;
    if (a == "center") align |= TA_CENTER;
    else if (a == "right") align |= TA_RIGHT;
    else if (a == "baseline") align |= TA_BASELINE;
    else if (a == "bottom") align |= TA_BOTTOM;
    else if (a == "updatecp") align |= TA_UPDATECP;
    else return error = "unknown alignment '" + a + "'", false;
  }
  SetTextAlign(c.hdc, align);
  return true;
}

// text X Y "STRING" [opaque] [clipped] [glyphindex] [dx=N,N,...] [repeat=N]
bool RunText(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.size() < 3) return error = "X Y \"STRING\"", false;
  LONG x, y;
  if (!ParseLengthX(c, args[0], x) || !ParseLengthY(c, args[1], y)) return error = "bad X or Y", false;
  size_t at = 2;
  std::string text;
  if (!TakeQuoted(args, at, text)) return error = "unterminated STRING", false;
  UINT options = 0;
  std::vector<INT> dx;
  LONG repeat = 1;
  for (; at < args.size(); ++at) {
    std::string v;
    const std::string& a = args[at];
    if (a == "opaque") options |= ETO_OPAQUE;
    else if (a == "clipped") options |= ETO_CLIPPED;
    else if (a == "glyphindex") options |= ETO_GLYPH_INDEX;
    else if (Keyword(a, "repeat", v)) {
      if (!ParseInteger(v, repeat) || repeat < 1 || repeat > 100000) return error = "bad repeat", false;
    } else if (Keyword(a, "dx", v)) {
      size_t start = 0;
      while (start <= v.size()) {
        size_t comma = v.find(',', start);
        std::string item = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        LONG d;
        if (!ParseLengthX(c, item, d)) return error = "bad dx", false;
        dx.push_back(static_cast<INT>(d));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else {
      return error = "unknown option '" + a + "'", false;
    }
  }
  std::u16string one;
  if (options & ETO_GLYPH_INDEX) {
    // The STRING holds glyph ids: "36,37,38".
    size_t start = 0;
    while (start < text.size()) {
      size_t comma = text.find(',', start);
      LONG id;
      if (!ParseInteger(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), id) ||
          id < 0 || id > 0xFFFF)
        return error = "bad glyph id", false;
      one.push_back(static_cast<char16_t>(id));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  } else if (!Utf16(text, one)) {
    return error = "STRING is not UTF-8", false;
  }
  std::u16string all;
  for (LONG i = 0; i < repeat; ++i) all += one;
  std::vector<INT> spacing;
  if (!dx.empty())
    for (size_t i = 0; i < all.size(); ++i) spacing.push_back(dx[i % dx.size()]);
  if (!c.EnsurePage(error)) return false;
  RECT box{};
  const RECT* rect = nullptr;
  if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
    SIZE extent{};
    GetTextExtentPoint32W(c.hdc, all.c_str(), static_cast<int>(all.size()), &extent);
    box = RECT{x, y, x + extent.cx, y + extent.cy};
    rect = &box;
  }
  if (!ExtTextOutW(c.hdc, x, y, options, rect, all.c_str(), static_cast<UINT>(all.size()),
                   spacing.empty() ? nullptr : spacing.data()))
    return error = "ExtTextOutW failed (error " + std::to_string(GetLastError()) + ")", false;
  return true;
}

const ScriptCommand kTextCommands[] = {
    {"font", "FACE HEIGHT [width=N] [escapement=N] [weight=N] [italic] [underline] [strikeout]", RunFont},
    {"textcolor", "COLOUR", RunTextColor},
    {"textalign", "left|center|right top|baseline|bottom [updatecp]", RunTextAlign},
    {"text", "X Y \"STRING\" [opaque] [clipped] [glyphindex] [dx=N,N,...] [repeat=N]", RunText},
};
PRINTJOB_SCRIPT_COMMANDS(kTextCommands);

}  // namespace
}  // namespace printjob
