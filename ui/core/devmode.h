// The four operations on the driver DEVMODE: defaults, merge with validation, conversion
// between versions, and copy-out to a caller. A DEVMODE that comes from outside is bounded
// by its own header: the caller's buffer holds at least dmSize + dmDriverExtra bytes, and
// nothing here reads past that or past the fixed 220-byte public part it was checked for.
#pragma once

#include <cstddef>

#include <win/base.h>
#include <win/devmode.h>

#include <vm4k2/ui_devmode.h>

namespace vm4k2ui {

// Bytes of a DEVMODE up to and including dmDriverExtra: what any header must hold.
inline constexpr size_t kDevmodeHeaderSize = offsetof(DEVMODEW, dmFields);
inline constexpr DWORD kDefaultDevmodeFields = 0xBF1F;

// Public defaults named after `deviceName` (cut to 31 characters). E_FAIL without a DEVMODE.
HRESULT SetDefaultDevmode(DEVMODEW* devmode, const WCHAR* deviceName);

// The locale's default paper with its size: A4 (9, 2100 x 2970) in metric locales, Letter
// (1, 2159 x 2794) elsewhere. Every fallback to "the default paper" goes through this, so
// that a paper id never stands with another paper's width and length.
void SetLocaleDefaultPaper(DEVMODEW* devmode);

// The dmSpecVersion a DEVMODE's dmSize stands for: 192 -> 0x320, 216 -> 0x400, 224 -> 0x401;
// any other size (220 among them) -> its own dmSpecVersion; no DEVMODE -> 0.
WORD SpecVersionFromSize(const DEVMODEW* devmode);

// Merges `input` into `target` field by field; the input is never written. 1 accepted (or
// no input), 0 rejected with the target unchanged.
int MergeDevmode(vm4k2::UiDevmode* target, const DEVMODEW* input);

// Converts `source` into the DEVMODE at `target`, whose buffer holds `capacity` bytes. The
// target keeps its header (a target without a driver version takes the source's). Returns
// the bytes written, or 0 when the headers are unusable or the result would not fit; then
// nothing is written.
size_t ConvertDevmode(DEVMODEW* target, size_t capacity, const DEVMODEW* source);
// The bytes ConvertDevmode would write into `target` from `source` (0: it would fail).
size_t ConvertDevmodeSize(const DEVMODEW* target, const DEVMODEW* source);

// The bytes CopyDevmodeOut writes for this context DEVMODE and caller input (0: it fails).
size_t CopyDevmodeOutSize(const vm4k2::UiDevmode& context, const DEVMODEW* input);
// Copies the context's DEVMODE out in the form the caller's input asks for: the smaller of
// the two public sizes and the smaller of the two private sizes. 1 when something was
// copied; 0 (nothing written) when the result would not fit in `capacity`.
int CopyDevmodeOut(const vm4k2::UiDevmode& context, const DEVMODEW* input, void* output, size_t capacity);

}  // namespace vm4k2ui
