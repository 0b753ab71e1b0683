// Where the user's custom papers come from: the settings file's custom paper store. The
// capability answers and the paper lookups ask through this seam, so that the store (and a
// test's own list) can answer without the callers knowing which.
#pragma once

#include <vector>

#include <vm4k2/custom_paper_record.h>

namespace vm4k2ui {

class CustomPaperSource {
 public:
  virtual ~CustomPaperSource() = default;
  // Every stored record, in store order, as read (unchecked).
  virtual std::vector<vm4k2::CustomPaperRecord> ReadAll() const = 0;
};

// Installs the source the library reads from (the settings file's store until then);
// nullptr means no store is reachable, which
// reads as "no custom papers" (as an unreadable settings file does).
void SetCustomPaperSource(const CustomPaperSource* source);

// Makes a stored record safe to use: terminates the name at unit 24. Returns false when the
// size is outside what the printer takes (1800..5100 x 3000..8400 dots); such a record is
// treated as absent rather than sending a zero or negative page size to the renderer.
bool SanitizeCustomPaper(vm4k2::CustomPaperRecord* record);

// The usable custom papers, in store order.
std::vector<vm4k2::CustomPaperRecord> ListCustomPapers();
// The first usable record with that paper id.
bool FindCustomPaperById(int paperId, vm4k2::CustomPaperRecord* out);

}  // namespace vm4k2ui
