#include "intrface/xmodel.h"

#include <cmath>
#include <iterator>

#include <win/memory.h>

#include "gdi/pdev.h"
#include "gdi/util.h"

namespace {

constexpr SHORT M = XMODEL_EDGE_MARGIN;

constexpr XMODEL_PAPER Row(SHORT id, DWORD code, SHORT width, SHORT height) {
  return XMODEL_PAPER{id, 0, code, {width, height, M, M, M, M}, {height, width, M, M, M, M}};
}

// The device's resolution factor: dots are 600 x (index + 1) per inch. Any index beyond 1200
// dpi is read as 600 dpi rather than scaling sizes past 16 bits.
LONG ResolutionFactor(const RenderDevmode* settings) {
  return settings->dmPrivate.image.bResolution == 1 ? 2 : 1;
}

// Recorded in the device record like every other module's errors, under the module's own name.
void NoteError(PDEV* pdev, int line) { Pdev_ReportError(pdev, "xmodel", line); }

}  // namespace

// The wide formats carry the six codes of the model's code list; no other row has a code.
const XMODEL_PAPER XModel_PaperList[37] = {
    Row(142, 1918, 14031, 19866), Row(66, 2849, 9921, 14031), Row(8, 2852, 7015, 9921),
    Row(79, 1919, 6071, 8598),    Row(9, 0, 4960, 7008),      Row(13, 0, 4299, 6070),
    Row(11, 0, 3496, 4960),       Row(70, 0, 2480, 3507),     Row(28, 0, 3826, 5409),
    Row(37, 0, 2325, 4500),       Row(20, 0, 2475, 5700),     Row(27, 0, 2598, 5196),
    Row(1, 0, 5100, 6600),        Row(5, 0, 5100, 8400),      Row(14, 0, 5100, 7800),
    Row(7, 0, 4350, 6300),        Row(45, 2785, 6000, 6600),  Row(143, 2853, 6600, 9000),
    Row(245, 0, 4370, 6142),      Row(250, 0, 4606, 6378),    Row(246, 0, 3071, 4370),
    Row(252, 0, 3189, 4606),      Row(243, 0, 5102, 8000),    Row(241, 0, 2953, 4157),
    Row(242, 0, 2835, 5433),      Row(34, 0, 4157, 5905),     Row(6, 0, 3300, 5100),
    Row(43, 0, 2362, 3496),       Row(82, 0, 3496, 4729),     Row(31, 0, 2693, 3827),
    Row(144, 0, 2315, 3496),      Row(145, 0, 2480, 5551),    Row(146, 0, 2315, 4488),
    Row(147, 0, 2835, 5551),      Row(150, 0, 2835, 5551),    Row(148, 0, 2126, 4843),
    Row(149, 0, 5102, 6543),
};

const XMODEL_PAPER XModel_NarrowPaperList[31] = {
    Row(9, 0, 4960, 7008),     Row(13, 0, 4299, 6070),   Row(11, 0, 3496, 4960),
    Row(70, 0, 2480, 3507),    Row(28, 0, 3826, 5409),   Row(37, 0, 2325, 4500),
    Row(20, 0, 2475, 5700),    Row(27, 0, 2598, 5196),   Row(1, 0, 5100, 6600),
    Row(5, 0, 5100, 8400),     Row(14, 0, 5100, 7800),   Row(7, 0, 4350, 6300),
    Row(245, 0, 4370, 6142),   Row(250, 0, 4606, 6378),  Row(246, 0, 3071, 4370),
    Row(252, 0, 3189, 4606),   Row(243, 0, 5102, 8000),  Row(241, 0, 2953, 4157),
    Row(242, 0, 2835, 5433),   Row(34, 0, 4157, 5905),   Row(6, 0, 3300, 5100),
    Row(43, 0, 2362, 3496),    Row(82, 0, 3496, 4729),   Row(31, 0, 2693, 3827),
    Row(144, 0, 2315, 3496),   Row(145, 0, 2480, 5551),  Row(146, 0, 2315, 4488),
    Row(147, 0, 2835, 5551),   Row(150, 0, 2835, 5551),  Row(148, 0, 2126, 4843),
    Row(149, 0, 5102, 6543),
};

namespace {

struct CodePair {
  DWORD key;
  DWORD value;
};

// A narrow paper id and the number (from 1) of its row in the full list: the first 29 rows of
// the narrow list.
constexpr CodePair kCodeTable[29] = {
    {9, 5},    {13, 6},   {11, 7},   {70, 8},   {28, 9},   {37, 10},  {20, 11},  {27, 12},
    {1, 13},   {5, 14},   {14, 15},  {7, 16},   {245, 19}, {250, 20}, {246, 21}, {252, 22},
    {243, 23}, {241, 24}, {242, 25}, {34, 26},  {6, 27},   {43, 28},  {82, 29},  {31, 30},
    {144, 31}, {145, 32}, {146, 33}, {147, 34}, {150, 35},
};

constexpr DWORD kCodeList[6] = {1918, 2849, 2852, 1919, 2785, 2853};

template <size_t N>
const XMODEL_PAPER* FindIn(const XMODEL_PAPER (&list)[N], SHORT paperId) {
  for (const XMODEL_PAPER& row : list) {
    if (row.paperId == paperId) return &row;
  }
  return nullptr;
}

}  // namespace

const XMODEL_PAPER* XModel_FindPaper(SHORT paperId) { return FindIn(XModel_PaperList, paperId); }

int XModel_PaperRow(SHORT paperId) {
  const XMODEL_PAPER* row = XModel_FindPaper(paperId);
  return row ? static_cast<int>(row - XModel_PaperList) : -1;
}

bool XModel_IsPaperSupported(SHORT paperId) {
  return (paperId >= RENDER_CUSTOM_FIRST_ID && paperId <= RENDER_CUSTOM_LAST_ID) ||
         XModel_FindPaper(paperId) != nullptr;
}

bool XModel_IsNarrowPaperSupported(SHORT paperId) {
  return (paperId >= RENDER_CUSTOM_FIRST_ID && paperId <= RENDER_CUSTOM_LAST_ID) ||
         FindIn(XModel_NarrowPaperList, paperId) != nullptr;
}

SHORT XModel_DotsToTenths(LONG dots) {
  return static_cast<SHORT>(std::lround(dots * 0.42333333333333334));
}

bool XModel_IsCustomSizePrintable(LONG widthDots, LONG lengthDots) {
  // Page sizes travel as 16-bit device dots, doubled at 1200 dpi; a page no larger than its
  // margins leaves nothing to print and nothing to scale to.
  constexpr LONG kLargest = 32767 / 2;
  return widthDots > 2 * M && lengthDots > 2 * M && widthDots <= kLargest && lengthDots <= kLargest;
}

void XModel_GetPaperGeometry(PdevPage* out, const RenderDevmode* settings, SHORT defaultMargin,
                             BOOL keepMargins, PDEV* pdev) {
  if (!out || !settings) return;
  const DEVMODEW& pub = settings->dmPublic;
  const RenderPrivate& priv = settings->dmPrivate;
  const SHORT paperId = pub.dmPaperSize;
  const bool landscape = pub.dmOrientation == DMORIENT_LANDSCAPE;

  XMODEL_GEOMETRY g{};
  bool known = false;
  const LONG factor = ResolutionFactor(settings);
  if (const XMODEL_PAPER* row = XModel_FindPaper(paperId)) {
    // An orientation other than portrait or landscape is read as portrait.
    if (pub.dmOrientation != DMORIENT_PORTRAIT && pub.dmOrientation != DMORIENT_LANDSCAPE) {
      NoteError(pdev, 522);
    }
    g = landscape ? row->landscape : row->portrait;
    // Device sizes are 16-bit: the largest format has no 1200-dpi page.
    known = g.width * factor <= 32767 && g.height * factor <= 32767;
  } else if (paperId >= RENDER_CUSTOM_FIRST_ID && paperId <= RENDER_CUSTOM_LAST_ID) {
    const CUSTOM_PAPER_SLOT& slot = priv.custom[paperId - RENDER_CUSTOM_FIRST_ID];
    const LONG w = static_cast<LONG>(slot.dwCustomWidthDots);
    const LONG h = static_cast<LONG>(slot.dwCustomLengthDots);
    if (XModel_IsCustomSizePrintable(w, h)) {
      g.width = static_cast<SHORT>(landscape ? h : w);
      g.height = static_cast<SHORT>(landscape ? w : h);
      g.left = g.top = g.right = g.bottom = M;
      known = true;
    }
  }
  if (!known) {
    // The page must have a size whatever the settings hold: later steps divide by it.
    const XMODEL_PAPER* fallback = XModel_FindPaper(Devmode_IsMetricLocale() ? DMPAPER_A4 : DMPAPER_LETTER);
    g = landscape ? fallback->landscape : fallback->portrait;
    g.left = g.top = g.right = g.bottom = defaultMargin;
  }

  SHORT left = g.left, top = g.top, right = g.right, bottom = g.bottom;
  if (priv.position.bPerPaperMargins) {
    const int rowIndex = XModel_PaperRow(paperId);
    if (keepMargins) {
      left = out->left;
      top = out->top;
      right = out->right;
      bottom = out->bottom;
    } else if (known && rowIndex >= 0 && static_cast<size_t>(rowIndex) < RENDER_MARGIN_ROWS) {
      const MarginRow& m = priv.position.rows[rowIndex];
      left = m.left;
      top = m.top;
      right = m.right;
      bottom = m.bottom;
    }
  }
  auto atLeastEdge = [](SHORT v) { return v < M ? M : (v > 1181 ? static_cast<SHORT>(1181) : v); };
  out->width = static_cast<SHORT>(g.width * factor);
  out->height = static_cast<SHORT>(g.height * factor);
  out->left = static_cast<SHORT>(atLeastEdge(left) * factor);
  out->top = static_cast<SHORT>(atLeastEdge(top) * factor);
  out->right = static_cast<SHORT>(atLeastEdge(right) * factor);
  out->bottom = static_cast<SHORT>(atLeastEdge(bottom) * factor);
}

POINTL XModel_NupCellPosition(int order, int layout, int index, int columns, int rows) {
  if (columns <= 0 || rows <= 0 || index < 0) return POINTL{0, 0};
  if (columns * rows == 2 && order == 1) order = layout == 2 ? 2 : 4;
  const int c = columns, r = rows, i = index;
  switch (order) {
    case 0: return POINTL{i % c, i / c};
    case 1: return POINTL{i / r, i % r};
    case 2: return POINTL{c - 1 - i % c, i / c};
    case 3: return POINTL{c - 1 - i / r, i % r};
    case 4: return POINTL{i % c, r - 1 - i / c};
    case 5: return POINTL{i / r, r - 1 - i % r};
    case 6: return POINTL{c - 1 - i / r, r - 1 - i % r};
    case 7: return POINTL{c - 1 - i % c, r - 1 - i / c};
    default: return POINTL{0, 0};
  }
}

DWORD XModel_LookupCode(DWORD key) {
  for (const CodePair& pair : kCodeTable) {
    if (pair.key == key) return pair.value;
  }
  return 0;
}

int XModel_CodeIndex(DWORD code) {
  for (size_t i = 0; i < std::size(kCodeList); ++i) {
    if (kCodeList[i] == code) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool Util_IsTerminatedW(const WCHAR* text, size_t capacity) {
  if (!text) return false;
  for (size_t i = 0; i < capacity; ++i) {
    if (text[i] == 0) return true;
  }
  return false;
}

bool Util_IsTerminatedA(const char* text, size_t capacity) {
  if (!text) return false;
  for (size_t i = 0; i < capacity; ++i) {
    if (text[i] == 0) return true;
  }
  return false;
}

namespace {

// Each job allocation starts with the link to the one allocated before it.
struct ListLink {
  ListLink* next;
};
constexpr SIZE_T kLinkBytes = 16;  // keeps the caller's bytes 16-byte aligned
static_assert(sizeof(ListLink) <= kLinkBytes);

}  // namespace

void* Util_ListAlloc(void** listHead, SIZE_T size) {
  if (!listHead || size > ~static_cast<SIZE_T>(0) - kLinkBytes) return nullptr;
  auto* link = static_cast<ListLink*>(GlobalAlloc(GPTR, size + kLinkBytes));
  if (!link) return nullptr;
  link->next = static_cast<ListLink*>(*listHead);
  *listHead = link;
  return reinterpret_cast<BYTE*>(link) + kLinkBytes;
}

void Util_ListFree(void** listHead) {
  if (!listHead) return;
  auto* link = static_cast<ListLink*>(*listHead);
  while (link) {
    ListLink* next = link->next;
    GlobalFree(static_cast<HGLOBAL>(link));
    link = next;
  }
  *listHead = nullptr;
}
