// Script commands of images: device-independent bitmaps drawn with StretchDIBits, pattern
// fills with a raster operation, transparent blits, gradients and the stretching mode.
//
// An image is a BMP file (1, 4, 8, 24 or 32 bits a pixel, BI_RGB, top-down or bottom-up), or one
// of the pictures printjob makes itself, named "sample:NAME", so the sample document needs no
// files: "sample:photo" (8-bit grey tones), "sample:lineart" (1-bit), "sample:colour" (24-bit).
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include <win/gdi.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>

#include "script.h"

namespace printjob {
namespace {

// A DIB as StretchDIBits takes it: the header with its colour table, then the rows.
struct Dib {
  std::vector<BYTE> info;  // BITMAPINFOHEADER and the colour table
  std::vector<BYTE> bits;
  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
  LONG Width() const { return Info()->bmiHeader.biWidth; }
  LONG Height() const { return std::abs(Info()->bmiHeader.biHeight); }
};

size_t DibStride(LONG width, WORD bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

Dib MakeDib(LONG width, LONG height, WORD bits, const std::vector<RGBQUAD>& colours) {
  Dib dib;
  dib.info.assign(sizeof(BITMAPINFOHEADER) + colours.size() * sizeof(RGBQUAD), 0);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -height;  // top-down
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(colours.size());
  std::memcpy(dib.info.data(), &header, sizeof header);
  if (!colours.empty())
    std::memcpy(dib.info.data() + sizeof header, colours.data(), colours.size() * sizeof(RGBQUAD));
  dib.bits.assign(DibStride(width, bits) * static_cast<size_t>(height), 0);
  return dib;
}

std::vector<RGBQUAD> GreyColours(int count) {
  std::vector<RGBQUAD> colours(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    BYTE g = static_cast<BYTE>(i * 255 / (count - 1));
    colours[static_cast<size_t>(i)] = RGBQUAD{g, g, g, 0};
  }
  return colours;
}

// The pictures of the sample document, made in memory.
bool SampleDib(const std::string& name, Dib& dib) {
  if (name == "photo") {
    // Soft tones over the whole range, as a scanned photograph has them.
    const LONG w = 480, h = 320;
    dib = MakeDib(w, h, 8, GreyColours(256));
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        double tone = 128 + 70 * std::sin(x / 37.0) * std::cos(y / 29.0) + 50 * std::sin((x + 2 * y) / 61.0);
        dib.bits[DibStride(w, 8) * static_cast<size_t>(y) + static_cast<size_t>(x)] =
            static_cast<BYTE>(tone < 0 ? 0 : tone > 255 ? 255 : tone);
      }
    return true;
  }
  if (name == "lineart") {
    const LONG w = 200, h = 120;
    dib = MakeDib(w, h, 1, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        bool white = ((x / 10) + (y / 10)) % 2 == 0 || (x - 100) * (x - 100) + (y - 60) * (y - 60) < 900;
        if (white) dib.bits[DibStride(w, 1) * static_cast<size_t>(y) + static_cast<size_t>(x / 8)] |=
                       static_cast<BYTE>(0x80 >> (x % 8));
      }
    return true;
  }
  if (name == "colour") {
    // Bands of colour with pure blue corners (a colour the bands never reach), the key colour of
    // the transparent blit.
    const LONG w = 160, h = 100;
    dib = MakeDib(w, h, 24, {});
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        BYTE* p = dib.bits.data() + DibStride(w, 24) * static_cast<size_t>(y) + static_cast<size_t>(x) * 3;
        bool corner = (x < 30 || x >= w - 30) && (y < 20 || y >= h - 20);
        p[0] = corner ? 255 : static_cast<BYTE>(x * 255 / w);  // blue
        p[1] = corner ? 0 : static_cast<BYTE>(y * 255 / h);    // green
        p[2] = corner ? 0 : static_cast<BYTE>(255 - x * 255 / w);  // red
      }
    return true;
  }
  return false;
}

// A BMP file, every size and offset checked against the file before use.
bool ReadBmp(const std::string& path, Dib& dib, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return error = "cannot read " + path, false;
  std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  if (file.size() < sizeof fh + sizeof ih) return error = path + ": not a BMP file", false;
  std::memcpy(&fh, file.data(), sizeof fh);
  std::memcpy(&ih, file.data() + sizeof fh, sizeof ih);
  if (fh.bfType != 0x4D42 || ih.biSize < sizeof ih || ih.biSize > file.size() - sizeof fh)
    return error = path + ": not a BMP file", false;
  const WORD bits = ih.biBitCount;
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) || ih.biCompression != BI_RGB ||
      ih.biPlanes != 1)
    return error = path + ": only uncompressed 1, 4, 8, 24 and 32-bit BMP files are drawn", false;
  const int64_t width = ih.biWidth, height = ih.biHeight < 0 ? -static_cast<int64_t>(ih.biHeight) : ih.biHeight;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return error = path + ": bad size", false;
  const size_t colours = bits <= 8 ? (ih.biClrUsed ? ih.biClrUsed : (size_t{1} << bits)) : 0;
  if (bits <= 8 && colours > (size_t{1} << bits)) return error = path + ": bad colour count", false;
  const size_t tableAt = sizeof fh + ih.biSize;
  if (tableAt + colours * sizeof(RGBQUAD) > file.size()) return error = path + ": colour table cut short", false;
  const size_t rows = DibStride(static_cast<LONG>(width), bits) * static_cast<size_t>(height);
  if (fh.bfOffBits > file.size() || file.size() - fh.bfOffBits < rows) return error = path + ": pixels cut short", false;
  dib.info.assign(sizeof ih + colours * sizeof(RGBQUAD), 0);
  ih.biSize = sizeof ih;
  ih.biClrUsed = static_cast<DWORD>(colours);
  std::memcpy(dib.info.data(), &ih, sizeof ih);
  std::memcpy(dib.info.data() + sizeof ih, file.data() + tableAt, colours * sizeof(RGBQUAD));
  dib.bits.assign(file.begin() + fh.bfOffBits, file.begin() + static_cast<long>(fh.bfOffBits + rows));
  return true;
}

bool LoadDib(const std::string& name, Dib& dib, std::string& error) {
  if (name.rfind("sample:", 0) == 0) {
    if (SampleDib(name.substr(7), dib)) return true;
    return error = "no sample picture " + name + " (photo, lineart, colour)", false;
  }
  return ReadBmp(name, dib, error);
}

bool ParseRop(const std::string& token, DWORD& rop) {
  static const std::map<std::string, DWORD> kNames = {
      {"srccopy", SRCCOPY},     {"srcpaint", SRCPAINT},   {"srcand", SRCAND},         {"srcinvert", SRCINVERT},
      {"srcerase", SRCERASE},   {"notsrccopy", NOTSRCCOPY}, {"mergecopy", MERGECOPY}, {"patcopy", PATCOPY},
      {"patinvert", PATINVERT}, {"dstinvert", DSTINVERT}, {"blackness", BLACKNESS},   {"whiteness", WHITENESS},
  };
  std::string lower;
  for (char ch : token) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(ch))));
  auto it = kNames.find(lower);
  if (it != kNames.end()) return rop = it->second, true;
  LONG value = 0;
  if (!ParseInteger(token, value) || value < 0) return false;
  rop = static_cast<DWORD>(value);
  return true;
}

bool ParseBox(const ScriptContext& c, const Arguments& args, size_t first, LONG box[4]) {
  return ParseLengthX(c, args[first], box[0]) && ParseLengthY(c, args[first + 1], box[1]) &&
         ParseLengthX(c, args[first + 2], box[2]) && ParseLengthY(c, args[first + 3], box[3]);
}

std::string Failed(const char* call) { return std::string(call) + " failed (error " + std::to_string(GetLastError()) + ")"; }

// image FILE X Y W H [SX SY SW SH] [ROP]: the picture (or its source rectangle) stretched over
// the destination; a negative W or H mirrors it.
bool RunImage(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.size() != 5 && args.size() != 6 && args.size() != 9 && args.size() != 10)
    return error = "FILE X Y W H [SX SY SW SH] [ROP]", false;
  Dib dib;
  if (!LoadDib(args[0], dib, error)) return false;
  LONG dest[4];
  if (!ParseBox(c, args, 1, dest)) return error = "bad destination", false;
  LONG src[4] = {0, 0, dib.Width(), dib.Height()};
  size_t next = 5;
  if (args.size() >= 9) {
    for (int i = 0; i < 4; ++i)
      if (!ParseInteger(args[5 + static_cast<size_t>(i)], src[i])) return error = "bad source rectangle", false;
    next = 9;
  }
  DWORD rop = SRCCOPY;
  if (args.size() > next && !ParseRop(args[next], rop)) return error = "bad raster operation " + args[next], false;
  if (!c.EnsurePage(error)) return false;
  // StretchDIBits counts a bottom-up DIB's source rows from the bottom; the script's from the top.
  LONG sy = src[1];
  if (dib.Info()->bmiHeader.biHeight > 0) sy = dib.Height() - src[1] - src[3];
  if (StretchDIBits(c.hdc, dest[0], dest[1], dest[2], dest[3], src[0], sy, src[2], src[3], dib.bits.data(),
                    dib.Info(), DIB_RGB_COLORS, rop) == 0)
    return error = Failed("StretchDIBits"), false;
  return true;
}

// patblt X Y W H [ROP]: the rectangle through the DC's brush (PATCOPY unless given).
bool RunPatBlt(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.size() != 4 && args.size() != 5) return error = "X Y W H [ROP]", false;
  LONG box[4];
  if (!ParseBox(c, args, 0, box)) return error = "bad rectangle", false;
  DWORD rop = PATCOPY;
  if (args.size() == 5 && !ParseRop(args[4], rop)) return error = "bad raster operation " + args[4], false;
  if (!c.EnsurePage(error)) return false;
  if (!PatBlt(c.hdc, box[0], box[1], box[2], box[3], rop)) return error = Failed("PatBlt"), false;
  return true;
}

// transparentblt FILE X Y W H COLOUR: the picture, from a memory DC, without its pixels of the
// key colour.
bool RunTransparentBlt(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.size() != 6) return error = "FILE X Y W H COLOUR", false;
  Dib dib;
  if (!LoadDib(args[0], dib, error)) return false;
  LONG dest[4];
  if (!ParseBox(c, args, 1, dest)) return error = "bad destination", false;
  COLORREF key = 0;
  if (!ParseColour(args[5], key)) return error = "bad colour " + args[5], false;
  if (!c.EnsurePage(error)) return false;
  HDC memory = CreateCompatibleDC(c.hdc);
  if (!memory) return error = Failed("CreateCompatibleDC"), false;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, dib.Info(), DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!bitmap || !pixels) {
    DeleteDC(memory);
    return error = Failed("CreateDIBSection"), false;
  }
  std::memcpy(pixels, dib.bits.data(), dib.bits.size());
  HGDIOBJ old = SelectObject(memory, bitmap);
  BOOL drawn = TransparentBlt(c.hdc, dest[0], dest[1], dest[2], dest[3], memory, 0, 0, dib.Width(), dib.Height(), key);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  if (!drawn) return error = Failed("TransparentBlt"), false;
  return true;
}

// gradient X Y W H COLOUR1 COLOUR2 [h|v|triangle]: a horizontal (default) or vertical shade
// over the rectangle, or a triangle of its top left, top right and bottom left corners.
bool RunGradient(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.size() != 6 && args.size() != 7) return error = "X Y W H COLOUR1 COLOUR2 [h|v|triangle]", false;
  LONG box[4];
  if (!ParseBox(c, args, 0, box)) return error = "bad rectangle", false;
  COLORREF from = 0, to = 0;
  if (!ParseColour(args[4], from) || !ParseColour(args[5], to)) return error = "bad colour", false;
  const std::string mode = args.size() == 7 ? args[6] : "h";
  if (mode != "h" && mode != "v" && mode != "triangle") return error = "bad gradient kind " + mode, false;
  auto vertex = [](LONG x, LONG y, COLORREF colour) {
    return TRIVERTEX{x, y, static_cast<USHORT>(GetRValue(colour) << 8), static_cast<USHORT>(GetGValue(colour) << 8),
                     static_cast<USHORT>(GetBValue(colour) << 8), 0};
  };
  if (!c.EnsurePage(error)) return false;
  BOOL drawn;
  if (mode == "triangle") {
    TRIVERTEX v[3] = {vertex(box[0], box[1], from), vertex(box[0] + box[2], box[1], to),
                      vertex(box[0], box[1] + box[3], to)};
    GRADIENT_TRIANGLE triangle = {0, 1, 2};
    drawn = GradientFill(c.hdc, v, 3, &triangle, 1, GRADIENT_FILL_TRIANGLE);
  } else {
    TRIVERTEX v[2] = {vertex(box[0], box[1], from), vertex(box[0] + box[2], box[1] + box[3], to)};
    GRADIENT_RECT rect = {0, 1};
    drawn = GradientFill(c.hdc, v, 2, &rect, 1, mode == "h" ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
  }
  if (!drawn) return error = Failed("GradientFill"), false;
  return true;
}

// stretchmode MODE: blackonwhite, whiteonblack, coloroncolor or halftone (or its number).
bool RunStretchMode(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.size() != 1) return error = "blackonwhite|whiteonblack|coloroncolor|halftone", false;
  static const std::map<std::string, int> kModes = {
      {"blackonwhite", BLACKONWHITE}, {"whiteonblack", WHITEONBLACK}, {"coloroncolor", COLORONCOLOR},
      {"halftone", HALFTONE}};
  int mode = 0;
  auto it = kModes.find(args[0]);
  LONG number = 0;
  if (it != kModes.end()) {
    mode = it->second;
  } else if (ParseInteger(args[0], number)) {
    mode = static_cast<int>(number);
  } else {
    return error = "bad stretching mode " + args[0], false;
  }
  if (SetStretchBltMode(c.hdc, mode) == 0) return error = Failed("SetStretchBltMode"), false;
  return true;
}

const ScriptCommand kImageCommands[] = {
    {"image", "FILE X Y W H [SX SY SW SH] [ROP]", RunImage},
    {"patblt", "X Y W H [ROP]", RunPatBlt},
    {"transparentblt", "FILE X Y W H COLOUR", RunTransparentBlt},
    {"gradient", "X Y W H COLOUR1 COLOUR2 [h|v|triangle]", RunGradient},
    {"stretchmode", "blackonwhite|whiteonblack|coloroncolor|halftone", RunStretchMode},
};
PRINTJOB_SCRIPT_COMMANDS(kImageCommands);

}  // namespace
}  // namespace printjob
