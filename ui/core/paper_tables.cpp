#include "ui/core/paper_tables.h"

#include "ui/core/custom_paper_source.h"

namespace vm4k2ui {

namespace {

constexpr PaperSizeRow Row(int16_t id, int16_t width, int16_t height) {
  return {id, {width, height, {kPaperMargin, kPaperMargin, kPaperMargin, kPaperMargin}},
          {height, width, {kPaperMargin, kPaperMargin, kPaperMargin, kPaperMargin}}};
}

}  // namespace

const PaperSizeRow kPaperSizeTable[kPaperSizeCount] = {
    Row(1, 5100, 6600),    // Letter
    Row(9, 4960, 7015),    // A4
    Row(5, 5100, 8400),    // Legal
    Row(13, 4299, 6071),   // B5
    Row(37, 2325, 4500),   // Monarch envelope
    Row(27, 2598, 5197),   // DL envelope
    Row(28, 3827, 5409),   // C5 envelope
    Row(20, 2475, 5700),   // No. 10 envelope
    Row(11, 3496, 4960),   // A5
    Row(43, 2362, 3496),
    Row(250, 4606, 6378),
    Row(245, 4370, 6141),
    Row(252, 3189, 4606),
    Row(246, 3071, 4370),
    Row(70, 2480, 3496),   // A6
    Row(34, 4157, 5906),   // B5 envelope
    Row(7, 4350, 6300),    // Executive
    Row(14, 5100, 7800),   // Folio
    Row(243, 5102, 8102),
    Row(6, 3300, 5100),    // Statement
    Row(31, 2693, 3827),   // C6 envelope
    Row(242, 2834, 5433),
    Row(241, 2953, 4157),
};

const unsigned kPaperNameIdTable[kPaperSizeCount] = {
    108, 116, 110, 118, 123, 120, 121, 122, 119, 4063, 4064, 4065,
    4067, 4068, 340, 4069, 111, 109, 4070, 411, 4072, 4073, 4074,
};

const BinRow kBinTable[kBinCount] = {
    {7, 4017},  // automatic
    {1, 4019},  // upper tray
    {4, 4018},  // manual feed
};

const PaperSizeRow* FindPaperRow(int paperId) {
  for (const PaperSizeRow& row : kPaperSizeTable) {
    if (row.paperId == paperId) return &row;
  }
  return nullptr;
}

bool IsCustomPaperId(int paperId) {
  return paperId >= vm4k2::kCustomPaperFirstId && paperId <= vm4k2::kCustomPaperLastId;
}

bool IsKnownPaperId(int paperId) { return IsCustomPaperId(paperId) || FindPaperRow(paperId) != nullptr; }

void LookupPaperSize(const vm4k2::PrivateDevmode* privatePart, int paperId, bool /*portrait*/,
                     PaperExtent* out) {
  if (out == nullptr) return;
  if (paperId < vm4k2::kCustomPaperFirstId) {
    if (const PaperSizeRow* row = FindPaperRow(paperId)) *out = row->portrait;
    return;
  }
  *out = {vm4k2::kCustomPaperDefaultWidth, vm4k2::kCustomPaperDefaultHeight,
          {kPaperMargin, kPaperMargin, kPaperMargin, kPaperMargin}};
  // The private part only says that the caller speaks for a full driver DEVMODE; the sizes
  // themselves come from the store, which outlives any one DEVMODE.
  vm4k2::CustomPaperRecord record;
  if (privatePart != nullptr && FindCustomPaperById(paperId, &record)) {
    out->width = record.width;
    out->height = record.height;
  }
}

int DotsToTenthsMm(int dots) {
  return static_cast<int>(static_cast<double>(dots) * 254.0 / 600.0 + 0.5);
}

}  // namespace vm4k2ui
