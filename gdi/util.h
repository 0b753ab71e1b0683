// Small shared pieces of the renderer: integer trigonometry in tenths of a degree, guarded
// memory blocks counted per device record, rectangle intersection, path and name helpers, the
// printing program's name, the operating-system class, string loading and trace formatting.
#pragma once

#include <cstddef>

#include <win/base.h>

// ---- Trigonometry --------------------------------------------------------------------------
// Angles are tenths of a degree (0..3599; other values are taken modulo 3600). Sines and
// cosines are fixed point with 14 fraction bits: FIX_ONE is 1.0.
constexpr LONG FIX_ONE = 16384;

LONG FixSin(LONG angle);
LONG FixCos(LONG angle);
// The angle of the vector (x, y), 0..3599; the null vector gives 0.
LONG FixAtan2(LONG x, LONG y);
// value x factor / FIX_ONE, rounded toward minus infinity.
LONG FixMul(LONG value, LONG factor);
LONG FixRotateX(LONG angle, LONG value);
LONG FixRotateY(LONG angle, LONG value);

// ---- Guarded memory blocks -----------------------------------------------------------------
// A block carries its total size (n + 8) in a 32-bit word before and after the caller's n
// bytes, so a block written past its end is recognised and left alone rather than freed.
// The counter, when given, follows the bytes held.
void* Util_Alloc(DWORD* counter, SIZE_T n);
void Util_Free(DWORD* counter, void* block);
void* Util_Realloc(DWORD* counter, void* block, SIZE_T n);

// ---- Rectangles ----------------------------------------------------------------------------
struct RECT16 {
  SHORT left, top, right, bottom;
};
static_assert(sizeof(RECT16) == 8);

// Intersection of two well-ordered rectangles: 1 when it is not empty. An empty or inverted
// result, or an input that is not well-ordered, gives 0 and an all-zero output.
BOOL Util_IntersectRect(RECTL* out, const RECTL* a, const RECT16* b);
BOOL Util_IntersectRect16(RECT16* out, const RECT16* a, const RECT16* b);

// ---- Paths and names -----------------------------------------------------------------------
// Cuts the path after its last '\' or '/'; with dropSeparator the separator goes too.
void Util_StripLastComponent(WCHAR* path, BOOL dropSeparator);
// The part of a path after its last '\', ':' or '/'.
const WCHAR* Util_BaseName(const WCHAR* path);
const char* Util_BaseName(const char* path);

// A temporary file name with a three-character prefix in the temporary folder (created by the
// system, as GetTempFileNameW does); `out` holds MAX_PATH characters. FALSE on failure.
BOOL Util_MakeTempFile(LPCWSTR prefix, WCHAR* out);
// The user's name, at most 31 characters (out holds 32); empty when it cannot be read. With
// withComputer the computer's name is asked for as well.
void Util_GetOwnerName(WCHAR* out, BOOL withComputer);
// 0 when the calling program's image name (the part after its last separator) equals `name`
// without regard to case, 1 otherwise.
int Util_IsProcess(LPCWSTR name);
// 0 unless the system's major version is 6; then 1 for 6.0 and 2 for any later minor version.
int Util_GetOsClass();
// The string `id` of a module, or "id:<id> missing!" when the module or the string is missing
// (copied only when it fits; else the buffer is left empty). Answers the characters stored.
int Util_LoadString(HMODULE module, UINT id, WCHAR* buffer, size_t bytes);
// The text with its terminator in the engine's current code page, in at most `capacity` bytes
// and always terminated. Answers the bytes written before the terminator; 0 without a capacity.
ULONG Util_UnicodeToAnsi(char* out, const WCHAR* text, size_t capacity);

// ---- Lookup tables for traces --------------------------------------------------------------
struct UTIL_NAME {
  DWORD value;
  const char* name;  // nullptr ends the table
};
// "<name>_<value in hex>", or "0x<hex>(<decimal>):?????" when the value is not listed; the text
// is cut to the capacity. 1 when found.
BOOL Util_LookupName(DWORD value, const UTIL_NAME* table, char* out, size_t capacity);
// "0x<hex>_" and the names of every listed flag the value holds, joined by " | ", with " ..."
// when bits are left unnamed; cut to the capacity.
void Util_FlagsToText(DWORD value, const UTIL_NAME* table, char* out, size_t capacity);
// "File:<file>\nLine:<line>\n", cut to the capacity.
void Util_FormatFileLine(char* out, size_t capacity, const char* file, int line);

// ---- Debug trace ---------------------------------------------------------------------------
// The delivered renderer's trace goes nowhere. A test may install a hook that receives each
// formatted line.
typedef void (*UtilTraceHook)(const char* text);
void Util_SetTraceHook(UtilTraceHook hook);
void Util_DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
