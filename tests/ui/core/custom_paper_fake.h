// A custom paper store for tests: installs a fixed list for the scope of a test.
#pragma once

#include <string_view>
#include <vector>

#include "ui/core/custom_paper_source.h"
#include "ui/core/setting_stores.h"

namespace testfakes {

inline vm4k2::CustomPaperRecord Paper(int16_t id, int16_t width, int16_t height, std::u16string_view name) {
  vm4k2::CustomPaperRecord record{};
  record.paperId = id;
  record.width = width;
  record.height = height;
  for (size_t i = 0; i < name.size() && i < vm4k2::kCustomPaperNameLimit; ++i) record.name[i] = name[i];
  return record;
}

class ScopedCustomPapers : public vm4k2ui::CustomPaperSource {
 public:
  explicit ScopedCustomPapers(std::vector<vm4k2::CustomPaperRecord> records) : records_(std::move(records)) {
    vm4k2ui::SetCustomPaperSource(this);
  }
  ~ScopedCustomPapers() override { vm4k2ui::SetCustomPaperSource(vm4k2ui::StoredCustomPaperSource()); }
  std::vector<vm4k2::CustomPaperRecord> ReadAll() const override { return records_; }

 private:
  std::vector<vm4k2::CustomPaperRecord> records_;
};

}  // namespace testfakes
