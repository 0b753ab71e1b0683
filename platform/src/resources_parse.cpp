// Parsers of resource kinds: dialog templates (DLGTEMPLATE and DLGTEMPLATEEX), menus (standard
// and MENUEX), device-independent bitmaps, icon groups and icon images, and string blocks.
// Each reads through a cursor that refuses to step past the resource's bytes.
#include <cstdlib>
#include <cstring>

#include "internal/resources.h"

namespace plat {

namespace {

constexpr WORD kOrdinalMarker = 0xFFFF;
constexpr DWORD kDsSetFont = 0x40;
constexpr WORD kDialogExSignature = 0xFFFF;
// Guards against a crafted template that nests pop-ups until the stack runs out.
constexpr int kMaxMenuDepth = 16;
// A bitmap larger than this is not a resource of a driver's user interface.
constexpr uint64_t kMaxBitmapBytes = 64ull * 1024 * 1024;

class Cursor {
 public:
  explicit Cursor(std::span<const BYTE> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  size_t offset() const { return at_; }
  size_t left() const { return ok_ ? bytes_.size() - at_ : 0; }

  WORD U16() {
    if (!Need(2)) return 0;
    WORD v = static_cast<WORD>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  DWORD U32() {
    WORD lo = U16();
    WORD hi = U16();
    return lo | (static_cast<DWORD>(hi) << 16);
  }
  SHORT S16() { return static_cast<SHORT>(U16()); }
  BYTE U8() {
    if (!Need(1)) return 0;
    return bytes_[at_++];
  }
  // A NUL-terminated UTF-16 text.
  std::u16string Text() {
    std::u16string out;
    for (;;) {
      if (!Need(2)) return out;
      WORD c = U16();
      if (c == 0) return out;
      out.push_back(static_cast<char16_t>(c));
    }
  }
  // sz_Or_Ord: 0 (none), 0xFFFF followed by an ordinal, or a text.
  ResourceId TextOrOrdinal(bool* present) {
    if (!Need(2)) return {};
    WORD first = static_cast<WORD>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    if (first == 0) {
      at_ += 2;
      *present = false;
      return {};
    }
    *present = true;
    if (first == kOrdinalMarker) {
      at_ += 2;
      return ResourceId::Ordinal(U16());
    }
    return ResourceId::Name(Text());
  }
  std::vector<BYTE> Bytes(size_t n) {
    if (!Need(n)) return {};
    std::vector<BYTE> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
    at_ += n;
    return out;
  }
  void AlignTo4() {
    size_t aligned = (at_ + 3) & ~size_t{3};
    // The last item of a template may end without its padding.
    at_ = aligned <= bytes_.size() ? aligned : bytes_.size();
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || n > bytes_.size() - at_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  std::span<const BYTE> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool ParseControl(Cursor& c, bool extended, DialogControl& out) {
  c.AlignTo4();
  if (extended) {
    out.helpId = c.U32();
    out.exStyle = c.U32();
    out.style = c.U32();
  } else {
    out.style = c.U32();
    out.exStyle = c.U32();
  }
  out.x = c.S16();
  out.y = c.S16();
  out.cx = c.S16();
  out.cy = c.S16();
  out.id = extended ? c.U32() : c.U16();
  bool present = false;
  out.className = c.TextOrOrdinal(&present);
  if (!present) return false;  // every control names its class
  out.text = c.TextOrOrdinal(&present);
  if (!present) out.text = ResourceId::Name(u"");
  WORD extra = c.U16();
  // DLGTEMPLATE counts the size word itself in its creation data; DLGTEMPLATEEX does not.
  if (extra > 0) {
    if (!extended) {
      if (extra < 2) return false;
      extra -= 2;
    }
    out.creationData = c.Bytes(extra);
  }
  return c.ok();
}

DWORD MenuFlagsToType(WORD option) {
  constexpr WORD kMfBitmap = 0x0004, kMfOwnerDraw = 0x0100, kMfMenuBarBreak = 0x0020, kMfMenuBreak = 0x0040,
                 kMfSeparator = 0x0800, kMfHelp = 0x4000;
  DWORD type = 0;
  if (option & kMfBitmap) type |= 0x0004;
  if (option & kMfOwnerDraw) type |= 0x0100;
  if (option & kMfMenuBarBreak) type |= 0x0020;
  if (option & kMfMenuBreak) type |= 0x0040;
  if (option & kMfSeparator) type |= 0x0800;
  if (option & kMfHelp) type |= 0x4000;  // MFT_RIGHTJUSTIFY
  return type;
}

DWORD MenuFlagsToState(WORD option) {
  constexpr WORD kMfGrayed = 0x0001, kMfDisabled = 0x0002, kMfChecked = 0x0008, kMfDefault = 0x1000,
                 kMfHilite = 0x0080;
  DWORD state = 0;
  if (option & (kMfGrayed | kMfDisabled)) state |= 0x0003;  // MFS_DISABLED
  if (option & kMfChecked) state |= 0x0008;
  if (option & kMfDefault) state |= 0x1000;
  (void)kMfHilite;  // shares its bit with MF_END in templates
  return state;
}

bool ParseMenuItems(Cursor& c, int depth, std::vector<MenuItem>& out) {
  constexpr WORD kMfPopup = 0x0010, kMfEnd = 0x0080;
  if (depth > kMaxMenuDepth) return false;
  for (;;) {
    WORD option = c.U16();
    MenuItem item;
    item.popup = (option & kMfPopup) != 0;
    if (!item.popup) item.id = c.U16();
    item.text = c.Text();
    item.type = MenuFlagsToType(option);
    item.state = MenuFlagsToState(option);
    // A plain item with no text and no id is a separator (MENUITEM SEPARATOR).
    if (!item.popup && item.id == 0 && item.text.empty() && option == 0) item.type |= 0x0800;
    if (!c.ok()) return false;
    if (item.popup && !ParseMenuItems(c, depth + 1, item.children)) return false;
    out.push_back(std::move(item));
    if (option & kMfEnd) return true;
  }
}

bool ParseMenuExItems(Cursor& c, int depth, std::vector<MenuItem>& out) {
  constexpr WORD kPopupFlag = 0x01, kEndFlag = 0x80;
  if (depth > kMaxMenuDepth) return false;
  for (;;) {
    c.AlignTo4();
    MenuItem item;
    item.type = c.U32();
    item.state = c.U32();
    item.id = c.U32();
    WORD flags = c.U16();
    item.text = c.Text();
    item.popup = (flags & kPopupFlag) != 0;
    if (!c.ok()) return false;
    if (item.popup) {
      c.AlignTo4();
      item.helpId = c.U32();
      if (!c.ok() || !ParseMenuExItems(c, depth + 1, item.children)) return false;
    }
    out.push_back(std::move(item));
    if (flags & kEndFlag) return true;
  }
}

}  // namespace

std::u16string PredefinedClassName(WORD ordinal) {
  switch (ordinal) {
    case 0x80: return u"Button";
    case 0x81: return u"Edit";
    case 0x82: return u"Static";
    case 0x83: return u"ListBox";
    case 0x84: return u"ScrollBar";
    case 0x85: return u"ComboBox";
    default: return u"";
  }
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> bytes) {
  Cursor c(bytes);
  DialogTemplate t;
  WORD first = c.U16();
  WORD second = c.U16();
  WORD count = 0;
  if (first == 1 && second == kDialogExSignature) {
    t.extended = true;
    t.helpId = c.U32();
    t.exStyle = c.U32();
    t.style = c.U32();
  } else {
    t.style = first | (static_cast<DWORD>(second) << 16);
    t.exStyle = c.U32();
  }
  count = c.U16();
  t.x = c.S16();
  t.y = c.S16();
  t.cx = c.S16();
  t.cy = c.S16();
  t.menu = c.TextOrOrdinal(&t.hasMenu);
  t.windowClass = c.TextOrOrdinal(&t.hasClass);
  t.title = c.Text();
  if (t.style & kDsSetFont) {
    t.hasFont = true;
    t.pointSize = c.U16();
    if (t.extended) {
      t.weight = c.U16();
      t.italic = c.U8();
      t.charset = c.U8();
    }
    t.typeface = c.Text();
  }
  if (!c.ok()) return std::nullopt;
  // Each control takes at least 18 bytes, so a count the bytes cannot hold is refused early.
  if (count > c.left() / 18 + 1) return std::nullopt;
  t.controls.reserve(count);
  for (WORD i = 0; i < count; ++i) {
    DialogControl control;
    if (!ParseControl(c, t.extended, control)) return std::nullopt;
    t.controls.push_back(std::move(control));
  }
  return t;
}

std::optional<MenuTemplate> ParseMenuTemplate(std::span<const BYTE> bytes) {
  Cursor c(bytes);
  MenuTemplate menu;
  WORD version = c.U16();
  WORD offset = c.U16();
  if (!c.ok()) return std::nullopt;
  if (version == 0) {
    if (offset != 0) return std::nullopt;
    if (c.left() == 0) return menu;  // an empty menu
    if (!ParseMenuItems(c, 0, menu.items)) return std::nullopt;
  } else if (version == 1) {
    menu.extended = true;
    menu.helpId = c.U32();
    // wOffset counts from the end of the version and offset words to the first item; it is
    // measured against the whole template, which must also hold the help id.
    if (!c.ok() || offset < 4 || offset > bytes.size() - 4) return std::nullopt;
    Cursor items(bytes.subspan(4 + offset));
    if (items.left() == 0) return menu;
    if (!ParseMenuExItems(items, 0, menu.items)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return menu;
}

std::optional<DibImage> ParseDib(std::span<const BYTE> bytes) {
  constexpr DWORD kBiRgb = 0, kBiBitfields = 3, kCoreHeader = 12, kInfoHeader = 40;
  Cursor c(bytes);
  DibImage dib;
  DWORD headerSize = c.U32();
  WORD planes = 0;
  DWORD colorsUsed = 0;
  bool core = headerSize == kCoreHeader;
  if (core) {
    dib.width = c.U16();
    dib.height = c.U16();
    planes = c.U16();
    dib.bitCount = c.U16();
  } else {
    if (headerSize < kInfoHeader || headerSize > bytes.size()) return std::nullopt;
    dib.width = static_cast<LONG>(c.U32());
    dib.height = static_cast<LONG>(c.U32());
    planes = c.U16();
    dib.bitCount = c.U16();
    dib.compression = c.U32();
    c.U32();  // biSizeImage: recomputed from the geometry
    c.U32();
    c.U32();
    colorsUsed = c.U32();
  }
  if (!c.ok() || planes != 1 || dib.width <= 0 || dib.height == 0 || dib.height == INT32_MIN) return std::nullopt;
  switch (dib.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return std::nullopt;
  }
  if (dib.compression == kBiBitfields) {
    if (dib.bitCount != 16 && dib.bitCount != 32) return std::nullopt;
  } else if (dib.compression != kBiRgb) {
    return std::nullopt;  // compressed rows are not used by resources of this package
  }
  if (dib.bitCount <= 8) {
    DWORD full = 1u << dib.bitCount;
    dib.colorsUsed = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
  } else {
    dib.colorsUsed = colorsUsed > 256 ? 0 : colorsUsed;
    if (colorsUsed > 256) return std::nullopt;
  }
  size_t entrySize = core ? 3 : 4;
  size_t masks = dib.compression == kBiBitfields && headerSize == kInfoHeader ? 12 : 0;
  uint64_t colorsAt = static_cast<uint64_t>(headerSize) + masks;
  uint64_t bitsAt = colorsAt + static_cast<uint64_t>(dib.colorsUsed) * entrySize;
  uint64_t rows = static_cast<uint64_t>(dib.height < 0 ? -static_cast<int64_t>(dib.height) : dib.height);
  uint64_t stride = (static_cast<uint64_t>(dib.width) * dib.bitCount + 31) / 32 * 4;
  if (stride * rows > kMaxBitmapBytes || bitsAt > bytes.size() || stride * rows > bytes.size() - bitsAt)
    return std::nullopt;
  dib.stride = static_cast<size_t>(stride);

  // The normalised header: BITMAPINFOHEADER, then masks (BI_BITFIELDS), then RGBQUAD colours.
  dib.info.assign(kInfoHeader, 0);
  auto put32 = [&](size_t at, DWORD v) { for (int k = 0; k < 4; ++k) dib.info[at + k] = static_cast<BYTE>(v >> (8 * k)); };
  put32(0, kInfoHeader);
  put32(4, static_cast<DWORD>(dib.width));
  put32(8, static_cast<DWORD>(dib.height));
  dib.info[12] = 1;
  dib.info[14] = static_cast<BYTE>(dib.bitCount);
  put32(16, dib.compression);
  put32(20, static_cast<DWORD>(stride * rows));
  put32(32, dib.colorsUsed);
  if (dib.compression == kBiBitfields) {
    size_t maskAt = masks ? kInfoHeader : 40;  // V4/V5 headers hold the masks at byte 40
    if (maskAt + 12 > bytes.size()) return std::nullopt;
    dib.info.insert(dib.info.end(), bytes.begin() + static_cast<std::ptrdiff_t>(maskAt),
                    bytes.begin() + static_cast<std::ptrdiff_t>(maskAt + 12));
  }
  for (DWORD i = 0; i < dib.colorsUsed; ++i) {
    size_t at = static_cast<size_t>(colorsAt) + i * entrySize;
    dib.info.push_back(bytes[at]);
    dib.info.push_back(bytes[at + 1]);
    dib.info.push_back(bytes[at + 2]);
    dib.info.push_back(0);
  }
  dib.bits.assign(bytes.begin() + static_cast<std::ptrdiff_t>(bitsAt),
                  bytes.begin() + static_cast<std::ptrdiff_t>(bitsAt + stride * rows));
  return dib;
}

std::optional<std::vector<IconDirEntry>> ParseIconGroup(std::span<const BYTE> bytes) {
  Cursor c(bytes);
  WORD reserved = c.U16();
  WORD type = c.U16();
  WORD count = c.U16();
  if (!c.ok() || reserved != 0 || type != 1) return std::nullopt;
  constexpr size_t kEntrySize = 14;
  if (count > c.left() / kEntrySize) return std::nullopt;
  std::vector<IconDirEntry> entries;
  for (WORD i = 0; i < count; ++i) {
    IconDirEntry e;
    BYTE w = c.U8();
    BYTE h = c.U8();
    e.width = w ? w : 256;
    e.height = h ? h : 256;
    e.colorCount = c.U8();
    c.U8();
    e.planes = c.U16();
    e.bitCount = c.U16();
    e.bytesInRes = c.U32();
    e.iconId = c.U16();
    entries.push_back(e);
  }
  if (!c.ok()) return std::nullopt;
  return entries;
}

std::optional<IconImage> ParseIconImage(std::span<const BYTE> bytes) {
  static constexpr BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  IconImage icon;
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0) {
    icon.png = true;
    icon.pngBytes.assign(bytes.begin(), bytes.end());
    return icon;
  }
  // An icon image is a DIB whose height covers the colour rows and the AND mask rows.
  if (bytes.size() < 40) return std::nullopt;
  std::vector<BYTE> header(bytes.begin(), bytes.end());
  LONG fullHeight = static_cast<LONG>(header[8] | (header[9] << 8) | (header[10] << 16) | (static_cast<DWORD>(header[11]) << 24));
  if (fullHeight <= 0 || fullHeight % 2 != 0) return std::nullopt;
  LONG height = fullHeight / 2;
  for (int k = 0; k < 4; ++k) header[8 + k] = static_cast<BYTE>(static_cast<DWORD>(height) >> (8 * k));
  std::optional<DibImage> color = ParseDib(header);
  if (!color) return std::nullopt;
  // The AND mask (1 bit per pixel) follows the colour rows.
  size_t infoSize = static_cast<size_t>(header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<DWORD>(header[3]) << 24));
  size_t masks = color->compression == 3 && infoSize == 40 ? 12 : 0;
  size_t bitsAt = infoSize + masks + color->colorsUsed * 4;
  size_t maskAt = bitsAt + color->bits.size();
  size_t maskStride = (static_cast<size_t>(color->width) + 31) / 32 * 4;
  size_t maskSize = maskStride * static_cast<size_t>(height);
  if (maskAt > bytes.size() || maskSize > bytes.size() - maskAt) return std::nullopt;
  icon.color = std::move(*color);
  icon.maskStride = maskStride;
  icon.mask.assign(bytes.begin() + static_cast<std::ptrdiff_t>(maskAt), bytes.begin() + static_cast<std::ptrdiff_t>(maskAt + maskSize));
  return icon;
}

int PickIconEntry(const std::vector<IconDirEntry>& entries, int cx, int cy) {
  int best = -1;
  long bestDistance = 0;
  int bestDepth = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const IconDirEntry& e = entries[i];
    long distance = std::labs(static_cast<long>(e.width) - cx) + std::labs(static_cast<long>(e.height) - cy);
    int depth = e.bitCount ? e.bitCount : (e.colorCount ? 8 : 32);
    if (best < 0 || distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
      best = static_cast<int>(i);
      bestDistance = distance;
      bestDepth = depth;
    }
  }
  return best;
}

std::optional<std::u16string_view> StringFromBlock(std::span<const BYTE> block, unsigned index) {
  if (index > 15 || reinterpret_cast<uintptr_t>(block.data()) % alignof(char16_t) != 0) return std::nullopt;
  size_t at = 0;
  for (unsigned i = 0;; ++i) {
    if (at + 2 > block.size()) {
      // Writers may leave out the empty strings after the last one used.
      return std::u16string_view();
    }
    WORD length = static_cast<WORD>(block[at] | (block[at + 1] << 8));
    at += 2;
    if (static_cast<size_t>(length) * 2 > block.size() - at) return std::nullopt;
    if (i == index) return std::u16string_view(reinterpret_cast<const char16_t*>(block.data() + at), length);
    at += static_cast<size_t>(length) * 2;
  }
}

}  // namespace plat
