// Line attributes as the engine derives them from the DC's pen: cosmetic lines with style
// arrays in style units, geometric lines with their width, joins, caps and dashes in device
// units.
#include <algorithm>

#include "internal/engine_objects.h"

namespace plat::engine {
namespace {

// The pen style word's fields (PS_STYLE_MASK, PS_ENDCAP_MASK, PS_JOIN_MASK, PS_TYPE_MASK).
constexpr DWORD kStyleMask = 0x0000000F;
constexpr DWORD kEndCapMask = 0x00000F00;
constexpr DWORD kJoinMask = 0x0000F000;
constexpr DWORD kTypeMask = 0x000F0000;
constexpr DWORD kGeometric = 0x00010000;
constexpr DWORD kEndCapSquare = 0x00000100;
constexpr DWORD kEndCapFlat = 0x00000200;
constexpr DWORD kJoinBevel = 0x00001000;
constexpr DWORD kJoinMiter = 0x00002000;

enum : DWORD { kSolid = 0, kDash, kDot, kDashDot, kDashDotDot, kNull, kInsideFrame, kUserStyle, kAlternate };

// The standard styles: cosmetic arrays in style units, geometric ones in pen widths.
std::vector<DWORD> CosmeticStyle(DWORD style) {
  switch (style) {
    case kDash: return {6, 2};
    case kDot: return {2, 2};
    case kDashDot: return {6, 2, 2, 2};
    case kDashDotDot: return {6, 2, 2, 2, 2, 2};
    default: return {};
  }
}

std::vector<DWORD> GeometricStyle(DWORD style) {
  switch (style) {
    case kDash: return {3, 1};
    case kDot: return {1, 1};
    case kDashDot: return {3, 1, 1, 1};
    case kDashDotDot: return {3, 1, 1, 1, 1, 1};
    default: return {};
  }
}

// The engine takes at most 16 style entries, as ExtCreatePen does.
constexpr size_t kMaxStyleEntries = 16;

}  // namespace

LineAttributes::LineAttributes(const LineAttributes& other) : la(other.la), style(other.style) {
  la.pstyle = style.empty() ? nullptr : style.data();
}

LineAttributes& LineAttributes::operator=(const LineAttributes& other) {
  if (this != &other) {
    la = other.la;
    style = other.style;
    la.pstyle = style.empty() ? nullptr : style.data();
  }
  return *this;
}

bool BuildLineAttributes(const PenAttributes& pen, LineAttributes& out) {
  out = LineAttributes{};
  DWORD style = pen.style & kStyleMask;
  if (style == kNull || style > kAlternate) return false;
  bool geometric = (pen.style & kTypeMask) == kGeometric;
  LINEATTRS& la = out.la;
  if (!geometric) {
    la.elWidth.l = 1;
    la.iJoin = JOIN_ROUND;
    la.iEndCap = ENDCAP_ROUND;
    if (style == kAlternate) {
      la.fl = LA_ALTERNATE;
      return true;
    }
    std::vector<DWORD> entries = style == kUserStyle ? pen.userStyle : CosmeticStyle(style);
    if (entries.size() > kMaxStyleEntries) entries.resize(kMaxStyleEntries);
    for (DWORD e : entries) {
      FLOAT_LONG v;
      v.l = static_cast<LONG>(std::min<DWORD>(e, 0x7FFFFFFF));
      out.style.push_back(v);
    }
  } else {
    FLOAT width = static_cast<FLOAT>(std::max<ULONG>(pen.width, 1));
    la.fl = LA_GEOMETRIC;
    la.elWidth.e = width;
    la.eMiterLimit = pen.miterLimit;
    DWORD cap = pen.style & kEndCapMask;
    la.iEndCap = cap == kEndCapSquare ? ENDCAP_SQUARE : cap == kEndCapFlat ? ENDCAP_BUTT : ENDCAP_ROUND;
    DWORD join = pen.style & kJoinMask;
    la.iJoin = join == kJoinBevel ? JOIN_BEVEL : join == kJoinMiter ? JOIN_MITER : JOIN_ROUND;
    // Alternate dots are cosmetic only; a geometric pen asking for them draws solid.
    std::vector<DWORD> entries = style == kUserStyle ? pen.userStyle : GeometricStyle(style);
    if (entries.size() > kMaxStyleEntries) entries.resize(kMaxStyleEntries);
    for (DWORD e : entries) {
      FLOAT_LONG v;
      v.e = style == kUserStyle ? static_cast<FLOAT>(e) : static_cast<FLOAT>(e) * width;
      out.style.push_back(v);
    }
  }
  if (!out.style.empty()) {
    la.fl |= LA_STYLED;
    la.cstyle = static_cast<ULONG>(out.style.size());
    la.pstyle = out.style.data();
  }
  la.elStyleState.l = 0;
  return true;
}

}  // namespace plat::engine
