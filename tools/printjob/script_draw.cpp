// Script commands of the drawing state and of lines, curves, shapes, paths and clipping.
#include <cstdlib>
#include <cstring>
#include <map>

#include <win/gdi_draw.h>
#include <win/gdi_objects.h>

#include "script.h"

namespace printjob {
namespace {

std::string Failed(const char* call) { return std::string(call) + " failed (error " + std::to_string(GetLastError()) + ")"; }

// Looks a word up in a small table of names.
template <typename T>
bool Lookup(const std::map<std::string, T>& names, const std::string& word, T& out) {
  auto it = names.find(word);
  if (it == names.end()) return false;
  out = it->second;
  return true;
}

bool Lengths(const ScriptContext& c, const Arguments& args, size_t count, LONG* out) {
  if (args.size() != count) return false;
  for (size_t i = 0; i < count; ++i) {
    bool ok = (i % 2 == 0) ? ParseLengthX(c, args[i], out[i]) : ParseLengthY(c, args[i], out[i]);
    if (!ok) return false;
  }
  return true;
}

// Selects a new object into the DC; the object is deleted at the document's end.
bool Select(ScriptContext& c, HGDIOBJ object, const char* call, std::string& error) {
  if (!object) {
    error = Failed(call);
    return false;
  }
  c.cleanups.push_back([object] { DeleteObject(object); });
  if (!SelectObject(c.hdc, object)) {
    error = Failed("SelectObject");
    return false;
  }
  return true;
}

// ---- State ----------------------------------------------------------------------------------------

// pen STYLE WIDTH [COLOUR] [join=round|bevel|miter] [cap=round|square|flat] [dash=ON,OFF,...]
// [geometric]. A pen with a join, a cap, a dash list or "geometric" is a geometric pen
// (ExtCreatePen); otherwise a cosmetic one (CreatePen).
bool RunPen(ScriptContext& c, const Arguments& args, std::string& error) {
  static const std::map<std::string, DWORD> kStyles = {
      {"solid", PS_SOLID}, {"dash", PS_DASH}, {"dot", PS_DOT}, {"dashdot", PS_DASHDOT},
      {"dashdotdot", PS_DASHDOTDOT}, {"null", PS_NULL}, {"insideframe", PS_INSIDEFRAME}, {"user", PS_USERSTYLE},
      {"alternate", PS_ALTERNATE},
  };
  static const std::map<std::string, DWORD> kJoins = {
      {"round", PS_JOIN_ROUND}, {"bevel", PS_JOIN_BEVEL}, {"miter", PS_JOIN_MITER}};
  static const std::map<std::string, DWORD> kCaps = {
      {"round", PS_ENDCAP_ROUND}, {"square", PS_ENDCAP_SQUARE}, {"flat", PS_ENDCAP_FLAT}};
  DWORD style = 0;
  LONG width = 0;
  if (args.size() < 2 || !Lookup(kStyles, args[0], style) || !ParseLengthX(c, args[1], width) || width < 0) {
    error = "a pen needs a style and a width";
    return false;
  }
  COLORREF colour = RGB(0, 0, 0);
  DWORD join = PS_JOIN_ROUND, cap = PS_ENDCAP_ROUND;
  bool geometric = false;
  std::vector<DWORD> dashes;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "geometric") {
      geometric = true;
    } else if (a.rfind("join=", 0) == 0) {
      if (!Lookup(kJoins, a.substr(5), join)) return error = "unknown join '" + a.substr(5) + "'", false;
      geometric = true;
    } else if (a.rfind("cap=", 0) == 0) {
      if (!Lookup(kCaps, a.substr(4), cap)) return error = "unknown cap '" + a.substr(4) + "'", false;
      geometric = true;
    } else if (a.rfind("dash=", 0) == 0) {
      std::string list = a.substr(5);
      for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        LONG v = 0;
        if (!ParseLengthX(c, item, v) || v < 0) return error = "bad dash entry '" + item + "'", false;
        dashes.push_back(static_cast<DWORD>(v));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      geometric = true;
    } else if (!ParseColour(a, colour)) {
      error = "unknown pen option '" + a + "'";
      return false;
    }
  }
  if (style == PS_USERSTYLE && dashes.empty()) return error = "a user style needs dash=...", false;
  HPEN pen = nullptr;
  if (geometric || style == PS_USERSTYLE || style == PS_ALTERNATE) {
    LOGBRUSH brush{BS_SOLID, colour, 0};
    DWORD type = (geometric ? PS_GEOMETRIC : PS_COSMETIC) | style | (geometric ? join | cap : 0);
    pen = ExtCreatePen(type, static_cast<DWORD>(geometric ? width : 1), &brush,
                       style == PS_USERSTYLE ? static_cast<DWORD>(dashes.size()) : 0,
                       style == PS_USERSTYLE ? dashes.data() : nullptr);
    return Select(c, pen, "ExtCreatePen", error);
  }
  pen = CreatePen(static_cast<int>(style), static_cast<int>(width), colour);
  return Select(c, pen, "CreatePen", error);
}

// brush solid COLOUR | brush hatch STYLE [COLOUR] | brush pattern HEXROWS | brush null
bool RunBrush(ScriptContext& c, const Arguments& args, std::string& error) {
  static const std::map<std::string, int> kHatches = {
      {"horizontal", HS_HORIZONTAL}, {"vertical", HS_VERTICAL}, {"fdiagonal", HS_FDIAGONAL},
      {"bdiagonal", HS_BDIAGONAL},   {"cross", HS_CROSS},       {"diagcross", HS_DIAGCROSS},
  };
  if (args.empty()) return error = "a brush needs a kind", false;
  const std::string& kind = args[0];
  COLORREF colour = RGB(0, 0, 0);
  if (kind == "null" && args.size() == 1) {
    if (!SelectObject(c.hdc, GetStockObject(NULL_BRUSH))) return error = Failed("SelectObject"), false;
    return true;
  }
  if (kind == "solid" && args.size() == 2 && ParseColour(args[1], colour))
    return Select(c, CreateSolidBrush(colour), "CreateSolidBrush", error);
  int hatch = 0;
  if (kind == "hatch" && (args.size() == 2 || args.size() == 3) && Lookup(kHatches, args[1], hatch) &&
      (args.size() == 2 || ParseColour(args[2], colour)))
    return Select(c, CreateHatchBrush(hatch, colour), "CreateHatchBrush", error);
  if (kind == "pattern" && args.size() == 2 && args[1].size() == 16) {
    // Eight rows of an 8 x 8 one-bit pattern, two hex digits a row; rows are word aligned.
    BYTE bits[16] = {};
    for (int row = 0; row < 8; ++row) {
      std::string pair = args[1].substr(static_cast<size_t>(row) * 2, 2);
      char* end = nullptr;
      unsigned long v = std::strtoul(pair.c_str(), &end, 16);
      if (!end || *end) return error = "a pattern is 16 hex digits", false;
      bits[row * 2] = static_cast<BYTE>(v);
    }
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, bits);
    if (!bitmap) return error = Failed("CreateBitmap"), false;
    c.cleanups.push_back([bitmap] { DeleteObject(bitmap); });
    return Select(c, CreatePatternBrush(bitmap), "CreatePatternBrush", error);
  }
  error = "unknown brush";
  return false;
}

bool RunBkMode(ScriptContext& c, const Arguments& args, std::string& error) {
  static const std::map<std::string, int> kModes = {{"opaque", OPAQUE}, {"transparent", TRANSPARENT}};
  int mode = 0;
  if (args.size() != 1 || !Lookup(kModes, args[0], mode)) return error = "opaque or transparent", false;
  if (!SetBkMode(c.hdc, mode)) return error = Failed("SetBkMode"), false;
  return true;
}

bool RunBkColor(ScriptContext& c, const Arguments& args, std::string& error) {
  COLORREF colour = 0;
  if (args.size() != 1 || !ParseColour(args[0], colour)) return error = "a colour", false;
  if (SetBkColor(c.hdc, colour) == CLR_INVALID) return error = Failed("SetBkColor"), false;
  return true;
}

bool RunRop2(ScriptContext& c, const Arguments& args, std::string& error) {
  static const std::map<std::string, int> kMixes = {
      {"black", R2_BLACK},     {"notmergepen", R2_NOTMERGEPEN}, {"masknotpen", R2_MASKNOTPEN},
      {"notcopypen", R2_NOTCOPYPEN}, {"maskpennot", R2_MASKPENNOT}, {"not", R2_NOT},
      {"xorpen", R2_XORPEN},   {"notmaskpen", R2_NOTMASKPEN},   {"maskpen", R2_MASKPEN},
      {"notxorpen", R2_NOTXORPEN}, {"nop", R2_NOP},             {"mergenotpen", R2_MERGENOTPEN},
      {"copypen", R2_COPYPEN}, {"mergepennot", R2_MERGEPENNOT}, {"mergepen", R2_MERGEPEN},
      {"white", R2_WHITE},
  };
  int mix = 0;
  LONG number = 0;
  if (args.size() != 1) return error = "one mix", false;
  if (!Lookup(kMixes, args[0], mix)) {
    if (!ParseInteger(args[0], number) || number < R2_BLACK || number > R2_WHITE) return error = "unknown mix", false;
    mix = static_cast<int>(number);
  }
  if (!SetROP2(c.hdc, mix)) return error = Failed("SetROP2"), false;
  return true;
}

bool RunFillMode(ScriptContext& c, const Arguments& args, std::string& error) {
  static const std::map<std::string, int> kModes = {{"alternate", ALTERNATE}, {"winding", WINDING}};
  int mode = 0;
  if (args.size() != 1 || !Lookup(kModes, args[0], mode)) return error = "alternate or winding", false;
  if (!SetPolyFillMode(c.hdc, mode)) return error = Failed("SetPolyFillMode"), false;
  return true;
}

// ---- Lines and shapes -------------------------------------------------------------------------------

bool RunMoveTo(ScriptContext& c, const Arguments& args, std::string& error) {
  LONG v[2];
  if (!Lengths(c, args, 2, v)) return error = "two lengths", false;
  if (!c.EnsurePage(error)) return false;
  if (!MoveToEx(c.hdc, v[0], v[1], nullptr)) return error = Failed("MoveToEx"), false;
  return true;
}

bool RunLineTo(ScriptContext& c, const Arguments& args, std::string& error) {
  LONG v[2];
  if (!Lengths(c, args, 2, v)) return error = "two lengths", false;
  if (!c.EnsurePage(error)) return false;
  if (!LineTo(c.hdc, v[0], v[1])) return error = Failed("LineTo"), false;
  return true;
}

// The point lists of polyline, bezier and polygon.
bool Points(ScriptContext& c, const Arguments& args, size_t minimum, std::vector<POINT>& points, std::string& error) {
  if (!ParsePoints(c, args, 0, points) || points.size() < minimum) {
    error = "at least " + std::to_string(minimum) + " points as X Y pairs";
    return false;
  }
  return c.EnsurePage(error);
}

bool RunPolyline(ScriptContext& c, const Arguments& args, std::string& error) {
  std::vector<POINT> p;
  if (!Points(c, args, 2, p, error)) return false;
  if (!Polyline(c.hdc, p.data(), static_cast<int>(p.size()))) return error = Failed("Polyline"), false;
  return true;
}

bool RunBezier(ScriptContext& c, const Arguments& args, std::string& error) {
  std::vector<POINT> p;
  if (!Points(c, args, 4, p, error)) return false;
  if ((p.size() - 1) % 3 != 0) return error = "3n + 1 points", false;
  if (!PolyBezier(c.hdc, p.data(), static_cast<DWORD>(p.size()))) return error = Failed("PolyBezier"), false;
  return true;
}

bool RunPolygon(ScriptContext& c, const Arguments& args, std::string& error) {
  std::vector<POINT> p;
  if (!Points(c, args, 3, p, error)) return false;
  if (!Polygon(c.hdc, p.data(), static_cast<int>(p.size()))) return error = Failed("Polygon"), false;
  return true;
}

bool RunRect(ScriptContext& c, const Arguments& args, std::string& error) {
  LONG v[4];
  if (!Lengths(c, args, 4, v)) return error = "four lengths", false;
  if (!c.EnsurePage(error)) return false;
  if (!Rectangle(c.hdc, v[0], v[1], v[2], v[3])) return error = Failed("Rectangle"), false;
  return true;
}

bool RunRoundRect(ScriptContext& c, const Arguments& args, std::string& error) {
  LONG v[6];
  if (!Lengths(c, args, 6, v)) return error = "six lengths", false;
  if (!c.EnsurePage(error)) return false;
  if (!RoundRect(c.hdc, v[0], v[1], v[2], v[3], v[4], v[5])) return error = Failed("RoundRect"), false;
  return true;
}

bool RunEllipse(ScriptContext& c, const Arguments& args, std::string& error) {
  LONG v[4];
  if (!Lengths(c, args, 4, v)) return error = "four lengths", false;
  if (!c.EnsurePage(error)) return false;
  if (!Ellipse(c.hdc, v[0], v[1], v[2], v[3])) return error = Failed("Ellipse"), false;
  return true;
}

// arc, pie and chord share their eight lengths: the box, then the start and end radials.
template <BOOL(WINAPI* Call)(HDC, int, int, int, int, int, int, int, int)>
bool RunArcLike(ScriptContext& c, const Arguments& args, std::string& error, const char* name) {
  LONG v[8];
  if (!Lengths(c, args, 8, v)) return error = "eight lengths", false;
  if (!c.EnsurePage(error)) return false;
  if (!Call(c.hdc, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7])) return error = Failed(name), false;
  return true;
}
bool RunArc(ScriptContext& c, const Arguments& a, std::string& e) { return RunArcLike<Arc>(c, a, e, "Arc"); }
bool RunPie(ScriptContext& c, const Arguments& a, std::string& e) { return RunArcLike<Pie>(c, a, e, "Pie"); }
bool RunChord(ScriptContext& c, const Arguments& a, std::string& e) { return RunArcLike<Chord>(c, a, e, "Chord"); }

// ---- Paths ------------------------------------------------------------------------------------------

template <BOOL(WINAPI* Call)(HDC)>
bool RunPathCall(ScriptContext& c, const Arguments& args, std::string& error, const char* name) {
  if (!args.empty()) return error = "no arguments", false;
  if (!c.EnsurePage(error)) return false;
  if (!Call(c.hdc)) return error = Failed(name), false;
  return true;
}
bool RunBeginPath(ScriptContext& c, const Arguments& a, std::string& e) { return RunPathCall<BeginPath>(c, a, e, "BeginPath"); }
bool RunEndPath(ScriptContext& c, const Arguments& a, std::string& e) { return RunPathCall<EndPath>(c, a, e, "EndPath"); }
bool RunCloseFigure(ScriptContext& c, const Arguments& a, std::string& e) {
  return RunPathCall<CloseFigure>(c, a, e, "CloseFigure");
}
bool RunStrokePath(ScriptContext& c, const Arguments& a, std::string& e) {
  return RunPathCall<StrokePath>(c, a, e, "StrokePath");
}
bool RunFillPath(ScriptContext& c, const Arguments& a, std::string& e) { return RunPathCall<FillPath>(c, a, e, "FillPath"); }
bool RunStrokeAndFillPath(ScriptContext& c, const Arguments& a, std::string& e) {
  return RunPathCall<StrokeAndFillPath>(c, a, e, "StrokeAndFillPath");
}

// ---- Clipping -----------------------------------------------------------------------------------------

// clip rect L T R B | clip polygon X Y ... | clip exclude L T R B | clip none
bool RunClip(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.empty()) return error = "a clip kind", false;
  const std::string& kind = args[0];
  Arguments rest(args.begin() + 1, args.end());
  if (!c.EnsurePage(error)) return false;
  if (kind == "none" && rest.empty()) {
    if (SelectClipRgn(c.hdc, nullptr) == ERROR) return error = Failed("SelectClipRgn"), false;
    return true;
  }
  LONG v[4];
  if ((kind == "rect" || kind == "exclude") && Lengths(c, rest, 4, v)) {
    if (kind == "exclude") {
      if (ExcludeClipRect(c.hdc, v[0], v[1], v[2], v[3]) == ERROR) return error = Failed("ExcludeClipRect"), false;
      return true;
    }
    HRGN region = CreateRectRgn(v[0], v[1], v[2], v[3]);
    if (!region) return error = Failed("CreateRectRgn"), false;
    int kept = SelectClipRgn(c.hdc, region);
    DeleteObject(region);  // the DC keeps its own copy
    if (kept == ERROR) return error = Failed("SelectClipRgn"), false;
    return true;
  }
  std::vector<POINT> p;
  if (kind == "polygon" && ParsePoints(c, rest, 0, p) && p.size() >= 3) {
    HRGN region = CreatePolygonRgn(p.data(), static_cast<int>(p.size()), GetPolyFillMode(c.hdc));
    if (!region) return error = Failed("CreatePolygonRgn"), false;
    int kept = SelectClipRgn(c.hdc, region);
    DeleteObject(region);
    if (kept == ERROR) return error = Failed("SelectClipRgn"), false;
    return true;
  }
  error = "rect, polygon, exclude or none with their lengths";
  return false;
}

const ScriptCommand kDrawCommands[] = {
    {"pen", "STYLE WIDTH [COLOUR] [join=J] [cap=C] [dash=N,N...] [geometric]", RunPen},
    {"brush", "solid COLOUR | hatch STYLE [COLOUR] | pattern HEX16 | null", RunBrush},
    {"bkmode", "opaque|transparent", RunBkMode},
    {"bkcolor", "COLOUR", RunBkColor},
    {"rop2", "MIX", RunRop2},
    {"fillmode", "alternate|winding", RunFillMode},
    {"moveto", "X Y", RunMoveTo},
    {"lineto", "X Y", RunLineTo},
    {"polyline", "X Y X Y ...", RunPolyline},
    {"bezier", "X Y (3n + 1 points)", RunBezier},
    {"polygon", "X Y X Y X Y ...", RunPolygon},
    {"rect", "LEFT TOP RIGHT BOTTOM", RunRect},
    {"roundrect", "LEFT TOP RIGHT BOTTOM WIDTH HEIGHT", RunRoundRect},
    {"ellipse", "LEFT TOP RIGHT BOTTOM", RunEllipse},
    {"arc", "LEFT TOP RIGHT BOTTOM X1 Y1 X2 Y2", RunArc},
    {"pie", "LEFT TOP RIGHT BOTTOM X1 Y1 X2 Y2", RunPie},
    {"chord", "LEFT TOP RIGHT BOTTOM X1 Y1 X2 Y2", RunChord},
    {"beginpath", "", RunBeginPath},
    {"endpath", "", RunEndPath},
    {"closefigure", "", RunCloseFigure},
    {"strokepath", "", RunStrokePath},
    {"fillpath", "", RunFillPath},
    {"strokeandfillpath", "", RunStrokeAndFillPath},
    {"clip", "rect L T R B | polygon X Y ... | exclude L T R B | none", RunClip},
};
PRINTJOB_SCRIPT_COMMANDS(kDrawCommands);

}  // namespace
}  // namespace printjob
