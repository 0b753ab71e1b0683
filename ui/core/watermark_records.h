// The built-in watermark records, the templates for new watermarks and the repair of a
// stored WatermarkRecord.
#pragma once

#include <string_view>

#include <vm4k2/watermark_record.h>

namespace vm4k2ui {

inline constexpr size_t kBuiltinWatermarkCount = 3;
inline constexpr std::u16string_view kNoWatermarkName = u"[No Watermark]";

// The "no watermark" record (index 0), "Confidential" and "Watermark", as the process holds
// them now: the first private defaults rename the no-watermark record in place.
void CopyBuiltinWatermark(size_t index, vm4k2::WatermarkRecord* out);
// Gives the no-watermark record its translated name, once per process: later calls leave a
// renamed record as it is. The name is cut to 32 characters.
void RenameNoWatermarkOnce(std::u16string_view translatedName);

vm4k2::WatermarkRecord TextWatermarkTemplate();
vm4k2::WatermarkRecord BitmapWatermarkTemplate();

// Repairs every field of a record that is out of its range; texts are terminated in place.
void ValidateWatermarkRecord(vm4k2::WatermarkRecord* record);

}  // namespace vm4k2ui
