// Raster row compression.
#include "gdi/raster.h"

#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <win/files.h>
#include <win/memory.h>

namespace {

constexpr DWORD kMaxRun = 128;
constexpr DWORD kMaxReplacement = 8;
constexpr uint64_t kLowBits = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

inline uint64_t Load64(const BYTE* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The lowest zero byte of v as a flag in its high bit (higher flags may be false positives,
// the lowest never is). The stream is little-endian, so the lowest byte is the first in memory.
inline uint64_t ZeroBytes(uint64_t v) { return (v - kLowBits) & ~v & kHighBits; }
inline DWORD FirstFlagged(uint64_t flags) { return static_cast<DWORD>(__builtin_ctzll(flags) >> 3); }

// The first position in [from, end) where three equal bytes begin, or end when there is none.
// row[end + 1] must be readable when end + 2 < length, which the caller's bounds give.
DWORD FindTriple(const BYTE* row, DWORD from, DWORD end, DWORD length) {
  DWORD i = from;
#if defined(__SSE2__)
  // Sixteen starting positions per step; the loads reach row[i + 17].
  while (i + 16 <= end && i + 18 <= length) {
    __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 1));
    __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 2));
    int mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(v0, v1), _mm_cmpeq_epi8(v1, v2)));
    if (mask) return i + static_cast<DWORD>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  // Eight starting positions per step; the loads reach row[i + 9].
  while (i + 8 <= end && i + 10 <= length) {
    uint64_t v0 = Load64(row + i);
    uint64_t v1 = Load64(row + i + 1);
    uint64_t v2 = Load64(row + i + 2);
    uint64_t flags = ZeroBytes((v0 ^ v1) | (v1 ^ v2));
    if (flags) return i + FirstFlagged(flags);
    i += 8;
  }
  for (; i < end; ++i) {
    if (i + 2 < length && row[i] == row[i + 1] && row[i] == row[i + 2]) return i;
  }
  return end;
}

// How many bytes from `from` (at most `limit`) equal row[from].
DWORD RepeatLength(const BYTE* row, DWORD from, DWORD limit) {
  const BYTE value = row[from];
  const uint64_t pattern = kLowBits * value;
  DWORD n = 1;
  while (n + 8 <= limit) {
    uint64_t diff = Load64(row + from + n) ^ pattern;
    if (diff) return n + static_cast<DWORD>(__builtin_ctzll(diff) >> 3);
    n += 8;
  }
  while (n < limit && row[from + n] == value) ++n;
  return n;
}

void DumpRow(PDEV* pdev, const BYTE* row, DWORD length) {
  if (!pdev || !(pdev->job.jobSettings.dmPrivate.dwDumpFlags & RENDER_DUMP_RASTER)) return;
  HANDLE log = pdev->job.text.hTextLog;
  if (!log) return;
  BYTE prefix[4] = {static_cast<BYTE>(length), static_cast<BYTE>(length >> 8), static_cast<BYTE>(length >> 16),
                    static_cast<BYTE>(length >> 24)};
  DWORD written = 0;
  // A diagnostic copy: a failed write loses only the log, never the job.
  WriteFile(log, prefix, sizeof prefix, &written, nullptr);
  WriteFile(log, row, length, &written, nullptr);
}

}  // namespace

namespace {
constexpr DWORD kLocalDifferenceWords = 1024 + 2;  // rows up to 64 KiB mark their bytes on the stack

// Sets bit j of `differs` (words of 64 bits, zeroed here) for each byte where row and seed
// differ; the bits past `length` stay clear.
void MarkDifferences(const BYTE* row, const BYTE* seed, DWORD length, uint64_t* differs, DWORD words) {
  std::memset(differs, 0, words * sizeof *differs);
  DWORD j = 0;
#if defined(__SSE2__)
  for (; j + 16 <= length; j += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(seed + j));
    unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
    differs[j >> 6] |= static_cast<uint64_t>(~equal & 0xFFFFu) << (j & 63);
  }
#else
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  for (; j + 8 <= length; j += 8) {
    uint64_t v = Load64(row + j) ^ Load64(seed + j);
    uint64_t nonzero = (((v & kLow7) + kLow7) | v) & kHighBits;  // exact: one flag per differing byte
    uint64_t flags = ((nonzero >> 7) * 0x0102040810204080ull) >> 56;
    differs[j >> 6] |= flags << (j & 63);
  }
#endif
  for (; j < length; ++j)
    if (row[j] != seed[j]) differs[j >> 6] |= uint64_t{1} << (j & 63);
}

// The first marked position at or after `from`, or `length`.
inline __attribute__((always_inline)) DWORD NextDifference(const uint64_t* differs, DWORD from, DWORD length) {
  if (from >= length) return length;
  DWORD w = from >> 6;
  uint64_t bits = differs[w] >> (from & 63);
  if (bits) return from + static_cast<DWORD>(__builtin_ctzll(bits));
  for (DWORD last = (length - 1) >> 6; ++w <= last;)
    if (differs[w]) return (w << 6) + static_cast<DWORD>(__builtin_ctzll(differs[w]));
  return length;
}
}  // namespace

DWORD Raster_CompressRle(PDEV* pdev, BYTE* output, const BYTE* row, DWORD length) {
  DumpRow(pdev, row, length);
  BYTE* out = output;
  DWORD i = 0;
  while (i < length) {
    DWORD left = length - i;
    if (left >= 2 && row[i] == row[i + 1]) {
      DWORD n = RepeatLength(row, i, left < kMaxRun ? left : kMaxRun);
      *out++ = static_cast<BYTE>(1 - static_cast<int>(n));
      *out++ = row[i];
      i += n;
      continue;
    }
    // A literal starts here (its first two bytes differ) and stops before three equal bytes.
    DWORD end = i + (left < kMaxRun ? left : kMaxRun);
    DWORD stop = FindTriple(row, i + 1, end, length);
    DWORD n = stop - i;
    *out++ = static_cast<BYTE>(n - 1);
    std::memcpy(out, row + i, n);
    out += n;
    i = stop;
  }
  return static_cast<DWORD>(out - output);
}

BYTE* Raster_EmitDeltaCommand(BYTE* output, DWORD count, const BYTE* bytes, DWORD offset) {
  *output++ = static_cast<BYTE>((count - 1) * 32 + (offset < 31 ? offset : 31));
  if (offset >= 31) {
    DWORD rest = offset - 31;
    while (rest >= 255) {
      *output++ = 255;
      rest -= 255;
    }
    *output++ = static_cast<BYTE>(rest);
  }
  std::memcpy(output, bytes, count);
  return output + count;
}

DWORD Raster_CompressDeltaRow(BYTE* output, const BYTE* row, DWORD length, BYTE* seed) {
  // The differing bytes are marked first, so that the seed can take the whole row at once: the
  // bytes that do not differ are equal already, which leaves the seed as byte-by-byte copying
  // would, and the runs are then read from the marks without comparing bytes again.
  const DWORD words = length / 64 + 2;
  uint64_t local[kLocalDifferenceWords];
  std::vector<uint64_t> large;
  uint64_t* differs = local;
  if (words > kLocalDifferenceWords) {
    large.resize(words);
    differs = large.data();
  }
  MarkDifferences(row, seed, length, differs, words);
  std::memcpy(seed, row, length);

  BYTE* out = output + 2;
  BYTE* const outEnd = output + Raster_DeltaRowBound(length);
  DWORD position = 0;  // end of the previous replacement run
  DWORD i = NextDifference(differs, 0, length);
  while (i < length) {
    // The run goes on to the first equal byte, at most 8.
    DWORD shift = i & 63;
    uint64_t bits = differs[i >> 6] >> shift;
    if (shift) bits |= differs[(i >> 6) + 1] << (64 - shift);
    // Bit 8 set stops the count at the longest run.
    DWORD run = static_cast<DWORD>(__builtin_ctzll(~bits | (uint64_t{1} << kMaxReplacement)));
    DWORD offset = i - position;
    if (offset < 31 && i + kMaxReplacement <= length && out + 1 + kMaxReplacement <= outEnd) {
      // The common command: one byte, then the run copied as a whole word (the bytes past the
      // run are overwritten by what follows, or lie beyond the encoded length).
      *out = static_cast<BYTE>((run - 1) * 32 + offset);
      std::memcpy(out + 1, row + i, kMaxReplacement);
      out += 1 + run;
    } else {
      out = Raster_EmitDeltaCommand(out, run, row + i, offset);
    }
    position = i + run;
    i = NextDifference(differs, position, length);
  }
  DWORD encoded = static_cast<DWORD>(out - output) - 2;
  output[0] = static_cast<BYTE>(encoded);
  output[1] = static_cast<BYTE>(encoded >> 8);
  return encoded + 2;
}

BYTE* Image_BlockLines(PDEV* pdev, DWORD rowBytes, DWORD* rows, DWORD* bufferSize) {
  (void)pdev;
  if (!rows || !bufferSize || rowBytes == 0) return nullptr;
  uint64_t n = *rows;
  uint64_t r = rowBytes;
  uint64_t size = (n + 2) * r;
  if (size >= RASTER_BLOCK_LIMIT) {
    if (r < RASTER_BLOCK_LIMIT) {
      n = RASTER_BLOCK_LIMIT / r;
      size = 2 * r + RASTER_BLOCK_LIMIT;
    } else {
      n = 1;
      size = 3 * r;
    }
  }
  while (n > 0) {
    if (size <= 0xFFFFFFFFull) {
      if (BYTE* buffer = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(size)))) {
        *rows = static_cast<DWORD>(n);
        *bufferSize = static_cast<DWORD>(size);
        return buffer;
      }
    }
    n /= 4;
    size = (n + 2) * r;
  }
  *rows = 0;
  *bufferSize = 0;
  return nullptr;
}
