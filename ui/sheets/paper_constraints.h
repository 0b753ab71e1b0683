// Which paper may be fed from which source and printed on which sides, as the basic and
// paper pages decide it, and the paper combo's texts for custom papers. Pure tables and
// functions: the pages ask these, and the tests pin them case by case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <win/base.h>

#include <vm4k2/custom_paper_record.h>

namespace vm4k2ui {

// One standard paper of the paper page: its id and its name string.
struct PaperPageRow {
  int paperId;
  UINT nameString;
};
inline constexpr size_t kStandardPaperCount = 23;
// The standard papers in row order: the rows of both constraint tables and the first 23
// entries of the paper combo.
extern const PaperPageRow kStandardPapers[kStandardPaperCount];

// One media type of the media combo: its name string and dmMediaType.
struct MediaRow {
  UINT nameString;
  int mediaType;
};
inline constexpr size_t kMediaCount = 6;
extern const MediaRow kMediaRows[kMediaCount];

// Sources (SourceTray) of the source combo.
struct SourceRow {
  UINT nameString;
  int sourceTray;
};
inline constexpr size_t kSourceCount = 3;
extern const SourceRow kSourceRows[kSourceCount];

// The flag tables, one row per standard paper, columns as named below.
using ConstraintTable = uint16_t[kStandardPaperCount][3];
// Columns: SourceTray 0 (automatic), 1 (manual feed), 2 (tray).
extern const ConstraintTable PaperSourceConstraints;
// Columns: one-sided, long-edge duplex, short-edge duplex.
extern const ConstraintTable PaperDuplexConstraints;

// The maps from paper id and media type (0..511) to a table row and a media index.
class ConstraintRows {
 public:
  static constexpr int kMapSize = 512;
  ConstraintRows();

  // The paper's table row, or -1 when the paper has none. A map entry past the tables (the
  // first custom id is entered as row 23) and an id outside 0..511 both read as no row: an
  // application's DEVMODE or a hand-edited favourite may carry any id.
  int PaperRow(int paperId) const;
  // The media's index among the six media types, or -1.
  int MediaIndex(int mediaType) const;

 private:
  int16_t paperRows_[kMapSize];
  int16_t mediaIndexes_[kMapSize];
};

inline constexpr int kNoConflict = -1;

// The table column of a dmDuplex: 1, 2 or 3 as they stand, 5 as 3. Any other value is read
// as one-sided rather than indexing past the three columns.
int DuplexColumn(int duplex);

// kNoConflict when the paper may be printed with that dmDuplex; otherwise the refused column
// (1 one-sided, 2 long edge, 3 short edge). Custom papers (288..308) are one-sided only.
int PaperDuplexConflict(const ConstraintRows& rows, int paperId, int duplex);

// True when every source may feed the paper (or the paper has no row); false when the paper
// must be fed by hand.
bool PaperSourceFree(const ConstraintRows& rows, int paperId);

// The paper combo's text of a custom paper: its name directly followed by its size,
// "(w × h unit)" with two decimals in inches (unit 2) or one in millimetres, "," for "." in
// decimal-comma mode. `unitText` is string 192 for inches, 191 for millimetres. At most 255
// characters.
std::u16string CustomPaperEntryText(const vm4k2::CustomPaperRecord& record, const WCHAR* unitText,
                                    bool decimalComma);

}  // namespace vm4k2ui
