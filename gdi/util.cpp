#include "gdi/util.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <win/ddi.h>
#include <win/files.h>
#include <win/memory.h>
#include <win/modules.h>
#include <win/resources.h>
#include <win/system.h>

namespace {

// sin(k degrees) x 16384, rounded, k = 0..90.
constexpr LONG SineTable[91] = {
    0,     286,   572,   857,   1143,  1428,  1713,  1997,  2280,  2563,  2845,  3126,  3406,
    3686,  3964,  4240,  4516,  4790,  5063,  5334,  5604,  5872,  6138,  6402,  6664,  6924,
    7182,  7438,  7692,  7943,  8192,  8438,  8682,  8923,  9162,  9397,  9630,  9860,  10087,
    10311, 10531, 10749, 10963, 11174, 11381, 11585, 11786, 11982, 12176, 12365, 12551, 12733,
    12911, 13085, 13255, 13421, 13583, 13741, 13894, 14044, 14189, 14330, 14466, 14598, 14726,
    14849, 14968, 15082, 15191, 15296, 15396, 15491, 15582, 15668, 15749, 15826, 15897, 15964,
    16026, 16083, 16135, 16182, 16225, 16262, 16294, 16322, 16344, 16362, 16374, 16382, 16384,
};

// tan(k degrees) x 10000, rounded, k = 0..45.
constexpr LONG TangentTable[46] = {
    0,    175,  349,  524,  699,  875,  1051, 1228, 1405, 1584, 1763, 1944, 2126, 2309, 2493, 2679,
    2867, 3057, 3249, 3443, 3640, 3839, 4040, 4245, 4452, 4663, 4877, 5095, 5317, 5543, 5774, 6009,
    6249, 6494, 6745, 7002, 7265, 7536, 7813, 8098, 8391, 8693, 9004, 9325, 9657, 10000,
};

UtilTraceHook g_traceHook = nullptr;

}  // namespace

// ---- Trigonometry --------------------------------------------------------------------------

LONG FixSin(LONG angle) {
  LONG a = angle % 3600;
  if (a < 0) a += 3600;
  bool negate = false;
  if (a >= 1800) {
    a -= 1800;
    negate = true;
  }
  if (a > 900) a = 1800 - a;
  const LONG k = a / 10;
  const LONG r = a % 10;
  LONG s = SineTable[k];
  if (r != 0) s += (SineTable[k + 1] - SineTable[k]) * r / 10;
  return negate ? -s : s;
}

LONG FixCos(LONG angle) {
  // angle + 900 must not overflow for angles near the top of the range.
  return FixSin(static_cast<LONG>((static_cast<int64_t>(angle) % 3600) + 900));
}

LONG FixAtan2(LONG x, LONG y) {
  const int64_t p = x < 0 ? -static_cast<int64_t>(x) : x;
  const int64_t q = y < 0 ? -static_cast<int64_t>(y) : y;
  const int64_t large = p > q ? p : q;
  if (large == 0) return 0;  // the null vector has no direction
  const int64_t small = p > q ? q : p;
  const LONG ratio = static_cast<LONG>(10000 * small / large);

  LONG k = 0;
  while (k < 44 && ratio > TangentTable[k + 1]) ++k;
  LONG angle = 10 * k;
  if (ratio > TangentTable[k]) {
    if (ratio == TangentTable[k + 1]) {
      angle += 10;
    } else {
      const LONG d = TangentTable[k + 1] - TangentTable[k];
      angle += ((d + 1) / 2 + (ratio - TangentTable[k]) * 10) / d;
    }
  }
  if (q > p) angle = 900 - angle;
  if (x < 0) angle = 1800 - angle;
  if (y < 0) angle = 3600 - angle;
  // A vector just below the positive x axis rounds to a whole turn.
  return angle == 3600 ? 0 : angle;
}

LONG FixMul(LONG value, LONG factor) {
  if (factor == 0) return 0;
  if (factor == FIX_ONE) return value;
  // The product needs up to 62 bits; >> of a negative value is arithmetic in C++20.
  return static_cast<LONG>((static_cast<int64_t>(value) * factor) >> 14);
}

LONG FixRotateX(LONG angle, LONG value) { return FixMul(value, FixCos(angle)); }

LONG FixRotateY(LONG angle, LONG value) {
  return FixMul(value, FixSin(static_cast<LONG>(-(static_cast<int64_t>(angle) % 3600))));
}

// ---- Guarded memory blocks -----------------------------------------------------------------

namespace {

constexpr SIZE_T kGuardBytes = 2 * sizeof(DWORD);

DWORD ReadWord(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

void WriteWord(BYTE* p, DWORD v) { std::memcpy(p, &v, sizeof(v)); }

// The size word of a block whose guards agree and lie inside its allocation, or 0.
DWORD CheckedBlockSize(void* block) {
  BYTE* base = static_cast<BYTE*>(block) - sizeof(DWORD);
  const DWORD stored = ReadWord(base);
  // The leading word decides where the trailer is read; it must lie inside the allocation.
  if (stored < kGuardBytes || stored > GlobalSize(static_cast<HGLOBAL>(base))) return 0;
  return ReadWord(base + stored - sizeof(DWORD)) == stored ? stored : 0;
}

}  // namespace

void* Util_Alloc(DWORD* counter, SIZE_T n) {
  // The size travels in a 32-bit word.
  if (n > 0xFFFFFFFFu - kGuardBytes) return nullptr;
  const DWORD total = static_cast<DWORD>(n + kGuardBytes);
  BYTE* base = static_cast<BYTE*>(GlobalAlloc(GPTR, total));
  if (!base) return nullptr;
  WriteWord(base, total);
  WriteWord(base + total - sizeof(DWORD), total);
  if (counter) *counter += total;
  return base + sizeof(DWORD);
}

void Util_Free(DWORD* counter, void* block) {
  if (!block) return;
  const DWORD total = CheckedBlockSize(block);
  if (total == 0) return;  // written past its end, or not ours: leave it alone
  GlobalFree(static_cast<HGLOBAL>(static_cast<BYTE*>(block) - sizeof(DWORD)));
  if (counter) *counter -= total;
}

void* Util_Realloc(DWORD* counter, void* block, SIZE_T n) {
  if (block && CheckedBlockSize(block) == 0) return nullptr;
  void* fresh = Util_Alloc(counter, n);
  if (!fresh) return nullptr;
  if (block) {
    const SIZE_T oldBytes = CheckedBlockSize(block) - kGuardBytes;
    std::memcpy(fresh, block, n < oldBytes ? n : oldBytes);
    Util_Free(counter, block);
  }
  return fresh;
}

// ---- Rectangles ----------------------------------------------------------------------------

namespace {

template <typename Out>
BOOL IntersectInto(Out* out, LONG al, LONG at, LONG ar, LONG ab, LONG bl, LONG bt, LONG br, LONG bb) {
  using Field = decltype(out->left);
  LONG l = 0, t = 0, r = 0, b = 0;
  BOOL nonEmpty = FALSE;
  if (al <= ar && at <= ab && bl <= br && bt <= bb) {
    l = al > bl ? al : bl;
    t = at > bt ? at : bt;
    r = ar < br ? ar : br;
    b = ab < bb ? ab : bb;
    nonEmpty = l < r && t < b;
  }
  if (!nonEmpty) l = t = r = b = 0;
  if (out) {
    out->left = static_cast<Field>(l);
    out->top = static_cast<Field>(t);
    out->right = static_cast<Field>(r);
    out->bottom = static_cast<Field>(b);
  }
  return nonEmpty;
}

}  // namespace

BOOL Util_IntersectRect(RECTL* out, const RECTL* a, const RECT16* b) {
  if (!a || !b) return IntersectInto(out, 0, 0, 0, 0, 0, 0, 0, 0);
  return IntersectInto(out, a->left, a->top, a->right, a->bottom, b->left, b->top, b->right, b->bottom);
}

BOOL Util_IntersectRect16(RECT16* out, const RECT16* a, const RECT16* b) {
  if (!a || !b) return IntersectInto(out, 0, 0, 0, 0, 0, 0, 0, 0);
  return IntersectInto(out, a->left, a->top, a->right, a->bottom, b->left, b->top, b->right, b->bottom);
}

// ---- Paths and names -----------------------------------------------------------------------

void Util_StripLastComponent(WCHAR* path, BOOL dropSeparator) {
  if (!path) return;
  WCHAR* last = nullptr;
  for (WCHAR* p = path; *p; ++p) {
    if (*p == u'\\' || *p == u'/') last = p;
  }
  if (!last) return;
  last[dropSeparator ? 0 : 1] = 0;
}

namespace {

template <typename Char>
const Char* BaseNameOf(const Char* path) {
  if (!path) return path;
  const Char* base = path;
  for (const Char* p = path; *p; ++p) {
    if (*p == '\\' || *p == ':' || *p == '/') base = p + 1;
  }
  return base;
}

// snprintf that tolerates a zero capacity and never leaves the output unterminated.
void FormatInto(char* out, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
void FormatInto(char* out, size_t capacity, const char* format, ...) {
  if (!out || capacity == 0) return;
  va_list args;
  va_start(args, format);
  vsnprintf(out, capacity, format, args);
  va_end(args);
}

// Appends text, cutting it at the capacity; the output stays terminated.
void AppendInto(char* out, size_t capacity, const char* text) {
  if (!out || capacity == 0) return;
  size_t used = strnlen(out, capacity - 1);
  while (*text && used + 1 < capacity) out[used++] = *text++;
  out[used] = 0;
}

}  // namespace

const WCHAR* Util_BaseName(const WCHAR* path) { return BaseNameOf(path); }
const char* Util_BaseName(const char* path) { return BaseNameOf(path); }

BOOL Util_MakeTempFile(LPCWSTR prefix, WCHAR* out) {
  if (!out) return FALSE;
  out[0] = 0;
  WCHAR folder[256];
  const DWORD n = GetTempPathW(255, folder);
  if (n == 0 || n > 255) return FALSE;
  return GetTempFileNameW(folder, prefix, 0, out) != 0;
}

void Util_GetOwnerName(WCHAR* out, BOOL withComputer) {
  if (!out) return;
  out[0] = 0;
  WCHAR name[1000];
  DWORD size = static_cast<DWORD>(std::size(name));
  if (GetUserNameW(name, &size)) {
    size_t i = 0;
    for (; i < 31 && i < std::size(name) && name[i]; ++i) out[i] = name[i];
    out[i] = 0;
  }
  if (withComputer) {
    WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD computerSize = static_cast<DWORD>(std::size(computer));
    GetComputerNameW(computer, &computerSize);
  }
}

int Util_IsProcess(LPCWSTR name) {
  if (!name) return 1;
  // The program this process runs: the instance of a window's owner would name another
  // process's module, which means nothing here.
  WCHAR image[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameW(nullptr, image, MAX_PATH);
  if (n == 0) return 1;
  image[n < MAX_PATH ? n : MAX_PATH] = 0;
  auto fold = [](WCHAR c) { return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c - u'A' + u'a') : c; };
  const WCHAR* a = Util_BaseName(image);
  const WCHAR* b = name;
  for (; *a && *b; ++a, ++b) {
    if (fold(*a) != fold(*b)) return 1;
  }
  return *a == *b ? 0 : 1;
}

int Util_GetOsClass() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info) || info.dwMajorVersion != 6) return 0;
  return info.dwMinorVersion == 0 ? 1 : 2;
}

int Util_LoadString(HMODULE module, UINT id, WCHAR* buffer, size_t bytes) {
  const size_t units = bytes / sizeof(WCHAR);
  if (!buffer || units == 0) return 0;
  buffer[0] = 0;
  if (module) {
    const int n = LoadStringW(module, id, buffer, units > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(units));
    if (n > 0) return n;
  }
  char text[32];
  const int length = snprintf(text, sizeof(text), "id:%d missing!", static_cast<int>(id));
  if (length <= 0 || static_cast<size_t>(length) >= units) {
    buffer[0] = 0;
    return 0;
  }
  for (int i = 0; i <= length; ++i) buffer[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
  return length;
}

ULONG Util_UnicodeToAnsi(char* out, const WCHAR* text, size_t capacity) {
  // A capacity is required: one UTF-16 unit may take several bytes in the ANSI code page.
  if (!out || capacity == 0) return 0;
  out[0] = 0;
  if (!text) return 0;
  size_t units = 0;
  while (text[units]) ++units;
  const ULONG max = capacity > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<ULONG>(capacity);
  const size_t textBytes = (units + 1) * sizeof(WCHAR);
  ULONG written = 0;
  EngUnicodeToMultiByteN(out, max, &written, const_cast<PWSTR>(text),
                         textBytes > 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<ULONG>(textBytes));
  if (written >= max) written = max - 1;
  out[written] = 0;
  // The terminator converted with the text is not counted.
  while (written > 0 && out[written - 1] == 0) --written;
  return written;
}

// ---- Lookup tables for traces --------------------------------------------------------------

BOOL Util_LookupName(DWORD value, const UTIL_NAME* table, char* out, size_t capacity) {
  for (const UTIL_NAME* entry = table; entry && entry->name; ++entry) {
    if (entry->value == value) {
      FormatInto(out, capacity, "%s_%X", entry->name, value);
      return TRUE;
    }
  }
  FormatInto(out, capacity, "0x%X(%ld):?????", value, static_cast<long>(static_cast<LONG>(value)));
  return FALSE;
}

void Util_FlagsToText(DWORD value, const UTIL_NAME* table, char* out, size_t capacity) {
  FormatInto(out, capacity, "0x%X_", value);
  DWORD named = 0;
  bool first = true;
  for (const UTIL_NAME* entry = table; entry && entry->name; ++entry) {
    if (entry->value == 0 || (value & entry->value) != entry->value) continue;
    if (!first) AppendInto(out, capacity, " | ");
    AppendInto(out, capacity, entry->name);
    named |= entry->value;
    first = false;
  }
  if (value & ~named) AppendInto(out, capacity, " ...");
}

void Util_FormatFileLine(char* out, size_t capacity, const char* file, int line) {
  FormatInto(out, capacity, "File:%s\nLine:%d\n", file ? file : "", line);
}

// ---- Debug trace ---------------------------------------------------------------------------

void Util_SetTraceHook(UtilTraceHook hook) { g_traceHook = hook; }

void Util_DebugPrint(const char* format, ...) {
  if (!g_traceHook || !format) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  g_traceHook(text);
}
