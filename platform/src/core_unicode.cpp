#include "internal/unicode.h"

namespace plat {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate cannot be written as UTF-8
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    uint32_t c = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      if (i + len > text.size()) {
        len = 1;
      } else {
        c = b & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
          unsigned char n = static_cast<unsigned char>(text[i + k]);
          if ((n & 0xC0) != 0x80) { c = 0xFFFD; len = k; break; }
          c = (c << 6) | (n & 0x3F);
        }
      }
    }
    i += len;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
    }
  }
  return out;
}

size_t WideLength(const WCHAR* text) {
  size_t n = 0;
  if (text) while (text[n]) ++n;
  return n;
}

WCHAR FoldCase(WCHAR c) {
  if (c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 32);
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<WCHAR>(c + 32);
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x178) {
    bool evenUpper = !((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E));
    if (evenUpper ? (c % 2 == 0) : (c % 2 == 1)) return static_cast<WCHAR>(c + 1);
    return c;
  }
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<WCHAR>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<WCHAR>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<WCHAR>(c + 80);
  return c;
}

WCHAR UpperCase(WCHAR c) {
  if (c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149) {
    WCHAR lower = FoldCase(c);
    if (lower == c) {
      WCHAR up = static_cast<WCHAR>(c - 1);
      if (FoldCase(up) == c) return up;
    }
    return c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<WCHAR>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<WCHAR>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<WCHAR>(c - 80);
  return c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

bool EqualsNoCaseUtf8(std::string_view a, std::string_view b) {
  return EqualsNoCase(FromUtf8(a), FromUtf8(b));
}

}  // namespace plat
