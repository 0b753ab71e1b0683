// The printer's paper sizes and bins: one table each, shared by the DEVMODE merge, the
// capability answers, the imageable area and the paper page.
#pragma once

#include <cstddef>
#include <cstdint>

#include <vm4k2/ui_devmode.h>

namespace vm4k2ui {

// A paper's extent in 600-dpi dots: width, height and the four margins.
struct PaperExtent {
  int16_t width;
  int16_t height;
  int16_t margins[4];
};

struct PaperSizeRow {
  int16_t paperId;
  PaperExtent portrait;
  PaperExtent landscape;
};

inline constexpr size_t kPaperSizeCount = 23;
inline constexpr int16_t kPaperMargin = 95;

extern const PaperSizeRow kPaperSizeTable[kPaperSizeCount];
// Satellite string id of each paper's name, in the order of kPaperSizeTable.
extern const unsigned kPaperNameIdTable[kPaperSizeCount];

struct BinRow {
  int16_t bin;         // DMBIN_ value
  unsigned nameId;     // satellite string
};
inline constexpr size_t kBinCount = 3;
extern const BinRow kBinTable[kBinCount];

// The row of a table paper, or nullptr.
const PaperSizeRow* FindPaperRow(int paperId);
bool IsCustomPaperId(int paperId);
// Either a table paper or a custom id: the ids a DEVMODE may carry as its paper.
bool IsKnownPaperId(int paperId);

// The portrait extent of a paper. Table ids leave `out` as it was when they are not in the
// table; custom ids take 4960 x 7015 unless a private part is given and the custom paper
// store holds a usable record with that id. The portrait flag does not change the answer:
// callers that need the landscape extent exchange width and height themselves.
void LookupPaperSize(const vm4k2::PrivateDevmode* privatePart, int paperId, bool portrait,
                     PaperExtent* out);

// 600-dpi dots to tenths of a millimetre, rounded half up.
int DotsToTenthsMm(int dots);

}  // namespace vm4k2ui
