#include "ui/core/custom_paper_source.h"

#include <atomic>

#include "ui/core/setting_stores.h"

namespace vm4k2ui {

namespace {

// Until a caller installs its own, the custom papers come from the user's settings file.
std::atomic<const CustomPaperSource*> g_source{nullptr};
std::atomic<bool> g_sourceInstalled{false};

const CustomPaperSource* CurrentSource() {
  return g_sourceInstalled.load() ? g_source.load() : StoredCustomPaperSource();
}

}  // namespace

void SetCustomPaperSource(const CustomPaperSource* source) {
  g_source.store(source);
  g_sourceInstalled.store(true);
}

bool SanitizeCustomPaper(vm4k2::CustomPaperRecord* record) {
  record->name[vm4k2::kCustomPaperNameLimit] = 0;
  record->name[vm4k2::kCustomPaperNameUnits - 1] = 0;
  return record->width >= vm4k2::kCustomPaperMinWidth && record->width <= vm4k2::kCustomPaperMaxWidth &&
         record->height >= vm4k2::kCustomPaperMinHeight && record->height <= vm4k2::kCustomPaperMaxHeight;
}

std::vector<vm4k2::CustomPaperRecord> ListCustomPapers() {
  std::vector<vm4k2::CustomPaperRecord> usable;
  const CustomPaperSource* source = CurrentSource();
  if (source == nullptr) return usable;
  for (vm4k2::CustomPaperRecord record : source->ReadAll()) {
    if (SanitizeCustomPaper(&record)) usable.push_back(record);
  }
  return usable;
}

bool FindCustomPaperById(int paperId, vm4k2::CustomPaperRecord* out) {
  const CustomPaperSource* source = CurrentSource();
  if (source == nullptr) return false;
  for (vm4k2::CustomPaperRecord record : source->ReadAll()) {
    if (record.paperId != paperId) continue;
    // The first record with the id answers; an unusable one means "not found".
    if (!SanitizeCustomPaper(&record)) return false;
    *out = record;
    return true;
  }
  return false;
}

}  // namespace vm4k2ui
