#include "ui/core/watermark_records.h"

#include <algorithm>
#include <mutex>

#include "ui/core/range_checks.h"

namespace vm4k2ui {

using vm4k2::WatermarkRecord;

namespace {

template <size_t N>
void CopyText(char16_t (&field)[N], std::u16string_view text) {
  const size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.data(), length, field);
  std::fill(field + length, field + N, u'\0');
}

WatermarkRecord MakeRecord(int16_t id, int16_t kind, std::u16string_view name, std::u16string_view text,
                           std::u16string_view typeface, int16_t size, int16_t angle, int16_t scale,
                           int16_t flag790, int16_t flag802, int16_t xy) {
  WatermarkRecord record{};
  record.id = id;
  record.kind = kind;
  CopyText(record.name, name);
  CopyText(record.text, text);
  CopyText(record.typeface, typeface);
  record.pointSize = size;
  record.angle = angle;
  record.bitmapScale = scale;
  record.position = vm4k2::kWatermarkCentre;
  record.bitmapFlag = flag790;
  record.typefaceChosen = flag802;
  record.xPercent = xy;
  record.yPercent = xy;
  record.greyLevel = 1;
  return record;
}

struct BuiltinWatermarks {
  std::mutex lock;
  WatermarkRecord records[kBuiltinWatermarkCount] = {
      MakeRecord(0, vm4k2::kWatermarkNone, kNoWatermarkName, u"", u"Arial", 54, 0, 100, 0, 0, 50),
      MakeRecord(1, vm4k2::kWatermarkText, u"Confidential", u"Confidential", u"Arial", 114, 45, 0, 1, 1, 50),
      MakeRecord(2, vm4k2::kWatermarkText, u"Watermark", u"Watermark", u"Arial", 114, 45, 0, 1, 1, 50),
  };
};

BuiltinWatermarks& Builtins() {
  static BuiltinWatermarks builtins;
  return builtins;
}

// Offsets are the stored record's; the 802 flag is 1 in every record the system writes
// itself, so 0..1 is its range.
constexpr RangeCheck kWatermarkChecks[] = {
    {0, FieldType::Int16, 1, 0, 32, 0},            // id
    {2, FieldType::Int16, 1, 0, 2, 0},             // kind
    {784, FieldType::Int16, 1, 6, 600, 72},        // point size
    {786, FieldType::Int16, 1, 0, 1, 0},           // bold
    {788, FieldType::Int16, 1, 0, 1, 0},           // italic
    {790, FieldType::Int16, 1, 0, 1, 0},           // bitmap flag
    {792, FieldType::Int16, 1, 0, 2, 0},           // outline style
    {794, FieldType::Int16, 1, -90, 90, 0},        // angle
    {796, FieldType::Int16, 1, 0, 1000, 0},        // bitmap scale
    {798, FieldType::Int16, 1, 0, 10, 0},          // position
    {800, FieldType::Int16, 1, 0, 1, 0},           // repeat
    {802, FieldType::Int16, 1, 0, 1, 0},           // typeface chosen
    {804, FieldType::UInt32, 1, 0, 0xFFFFFF, 0x0033FF},  // colour
    {808, FieldType::Int16, 1, 0, 7, 0},
};

}  // namespace

void CopyBuiltinWatermark(size_t index, WatermarkRecord* out) {
  BuiltinWatermarks& builtins = Builtins();
  std::lock_guard<std::mutex> guard(builtins.lock);
  *out = builtins.records[index < kBuiltinWatermarkCount ? index : 0];
}

void RenameNoWatermarkOnce(std::u16string_view translatedName) {
  BuiltinWatermarks& builtins = Builtins();
  std::lock_guard<std::mutex> guard(builtins.lock);
  WatermarkRecord& record = builtins.records[0];
  if (std::u16string_view(record.name) != kNoWatermarkName) return;
  CopyText(record.name, translatedName.substr(0, std::min<size_t>(translatedName.size(), 32)));
}

WatermarkRecord TextWatermarkTemplate() {
  return MakeRecord(3, vm4k2::kWatermarkText, u"<New>", u"<New>", u"Arial", 72, 0, 0, 1, 1, 50);
}

WatermarkRecord BitmapWatermarkTemplate() {
  return MakeRecord(3, vm4k2::kWatermarkBitmap, u"<New>", u"", u"", 72, 0, 100, 1, 1, 0);
}

void ValidateWatermarkRecord(WatermarkRecord* record) {
  ApplyRangeChecks(record, kWatermarkChecks);
  TerminateField(record->name, vm4k2::kWatermarkNameUnits);
  TerminateField(record->text, vm4k2::kWatermarkTextUnits);
  TerminateField(record->typeface, vm4k2::kWatermarkTypefaceUnits);
  TerminateField(record->bitmapPath, vm4k2::kWatermarkPathUnits);
}

}  // namespace vm4k2ui
