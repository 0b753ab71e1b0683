#include "ui/sheets/paper_constraints.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace vm4k2ui {

const PaperPageRow kStandardPapers[kStandardPaperCount] = {
    {1, 108},   {9, 116},    {5, 110},    {13, 118},   {37, 123},   {27, 120},
    {28, 121},  {20, 122},   {11, 119},   {43, 4063},  {250, 4064}, {245, 4065},
    {252, 4067}, {246, 4068}, {70, 340},  {34, 4069},  {7, 111},    {14, 109},
    {243, 4070}, {6, 411},   {31, 4072},  {242, 4073}, {241, 4074},
};

const MediaRow kMediaRows[kMediaCount] = {
    {127, 1}, {388, 257}, {139, 258}, {4075, 259}, {334, 263}, {4076, 2},
};

const SourceRow kSourceRows[kSourceCount] = {{4017, 0}, {4018, 1}, {4019, 2}};

// One row per standard paper, in the order of kStandardPapers (its id in the comment). The
// rows with 0 are fed by hand only.
const ConstraintTable PaperSourceConstraints = {
    //  auto manual tray
    {1, 1, 1},  // 1
    {1, 1, 1},  // 9
    {1, 1, 1},  // 5
    {1, 1, 1},  // 13
    {0, 1, 0},  // 37
    {0, 1, 0},  // 27
    {0, 1, 0},  // 28
    {0, 1, 0},  // 20
    {1, 1, 1},  // 11
    {0, 1, 0},  // 43
    {1, 1, 1},  // 250
    {1, 1, 1},  // 245
    {1, 1, 1},  // 252
    {1, 1, 1},  // 246
    {1, 1, 1},  // 70
    {1, 1, 1},  // 34
    {1, 1, 1},  // 7
    {1, 1, 1},  // 14
    {1, 1, 1},  // 243
    {1, 1, 1},  // 6
    {0, 1, 0},  // 31
    {0, 1, 0},  // 242
    {1, 1, 1},  // 241
};

// Same rows; only the rows with 1 in both duplex columns may be printed on both sides.
const ConstraintTable PaperDuplexConstraints = {
    //  one long short
    {1, 1, 1},  // 1
    {1, 1, 1},  // 9
    {1, 1, 1},  // 5
    {1, 0, 0},  // 13
    {1, 0, 0},  // 37
    {1, 0, 0},  // 27
    {1, 0, 0},  // 28
    {1, 0, 0},  // 20
    {1, 0, 0},  // 11
    {1, 0, 0},  // 43
    {1, 0, 0},  // 250
    {1, 0, 0},  // 245
    {1, 0, 0},  // 252
    {1, 0, 0},  // 246
    {1, 0, 0},  // 70
    {1, 0, 0},  // 34
    {1, 0, 0},  // 7
    {1, 1, 1},  // 14
    {1, 1, 1},  // 243
    {1, 0, 0},  // 6
    {1, 0, 0},  // 31
    {1, 0, 0},  // 242
    {1, 0, 0},  // 241
};

namespace {

constexpr int kFirstCustomRowId = 288;
constexpr int kFirstDuplexCustomId = 288;
constexpr int kLastDuplexCustomId = 308;
constexpr int kTallestShownHeight = 8408;
constexpr int kTallHeightShownAs = 8402;
constexpr size_t kEntryTextLimit = 255;
// The media types in index order (not the combo's order).
constexpr int kMediaIndexOrder[] = {1, 257, 258, 2, 259, 263};

}  // namespace

ConstraintRows::ConstraintRows() {
  std::fill(std::begin(paperRows_), std::end(paperRows_), int16_t{-1});
  std::fill(std::begin(mediaIndexes_), std::end(mediaIndexes_), int16_t{-1});
  for (size_t row = 0; row < kStandardPaperCount; ++row) {
    paperRows_[kStandardPapers[row].paperId] = static_cast<int16_t>(row);
  }
  paperRows_[kFirstCustomRowId] = static_cast<int16_t>(kStandardPaperCount);
  for (size_t i = 0; i < std::size(kMediaIndexOrder); ++i) {
    mediaIndexes_[kMediaIndexOrder[i]] = static_cast<int16_t>(i);
  }
}

int ConstraintRows::PaperRow(int paperId) const {
  if (paperId < 0 || paperId >= kMapSize) return -1;
  const int row = paperRows_[paperId];
  return row >= 0 && row < static_cast<int>(kStandardPaperCount) ? row : -1;
}

int ConstraintRows::MediaIndex(int mediaType) const {
  if (mediaType < 0 || mediaType >= kMapSize) return -1;
  return mediaIndexes_[mediaType];
}

int DuplexColumn(int duplex) {
  switch (duplex) {
    case 1:
    case 2:
    case 3: return duplex;
    case 5: return 3;
    default: return 1;
  }
}

int PaperDuplexConflict(const ConstraintRows& rows, int paperId, int duplex) {
  const int column = DuplexColumn(duplex);
  const int row = rows.PaperRow(paperId);
  if (row >= 0) return PaperDuplexConstraints[row][column - 1] == 0 ? column : kNoConflict;
  if (column >= 2 && paperId >= kFirstDuplexCustomId && paperId <= kLastDuplexCustomId) return 1;
  return kNoConflict;
}

bool PaperSourceFree(const ConstraintRows& rows, int paperId) {
  const int row = rows.PaperRow(paperId);
  if (row < 0) return true;
  const uint16_t* flags = PaperSourceConstraints[row];
  return flags[0] == 1 && flags[1] == 1 && flags[2] == 1;
}

std::u16string CustomPaperEntryText(const vm4k2::CustomPaperRecord& record, const WCHAR* unitText,
                                    bool decimalComma) {
  const bool inches = record.unit == vm4k2::kCustomPaperUnitInches;
  int width = std::max<int>(record.width, 0);
  int height = std::max<int>(record.height, 0);
  int wholeScale = 0;
  int places = 0;
  if (inches) {
    if (height > kTallestShownHeight) height = kTallHeightShownAs;
    // Hundredths of an inch, rounded half up.
    width = (width * 100 + 300) / 600;
    height = (height * 100 + 300) / 600;
    wholeScale = 100;
    places = 2;
  } else {
    // Tenths of a millimetre: dots x 10 x 25.4 / 600, rounded half up.
    width = (width * 254 + 300) / 600;
    height = (height * 254 + 300) / 600;
    wholeScale = 10;
    places = 1;
  }
  const char separator = decimalComma ? ',' : '.';
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "(%d%c%0*d \xD7 %d%c%0*d ", width / wholeScale, separator, places,
                width % wholeScale, height / wholeScale, separator, places, height % wholeScale);

  std::u16string text;
  for (size_t i = 0; i < vm4k2::kCustomPaperNameLimit && record.name[i] != 0; ++i) text.push_back(record.name[i]);
  // The numbers are ASCII apart from the multiplication sign, U+00D7, written as its byte.
  for (const char* c = numbers; *c != 0; ++c) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
  if (unitText != nullptr) {
    for (const WCHAR* c = unitText; *c != 0 && text.size() < kEntryTextLimit; ++c) text.push_back(*c);
  }
  text.push_back(u')');
  if (text.size() > kEntryTextLimit) text.resize(kEntryTextLimit);
  return text;
}

}  // namespace vm4k2ui
