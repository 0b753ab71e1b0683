// Built-in watermarks, templates and the repair of stored watermark records.
#include <cstring>
#include <string_view>

#include <gtest/gtest.h>

#include "ui/core/watermark_records.h"

namespace {

using vm4k2::WatermarkRecord;

struct BuiltinCase {
  size_t index;
  int16_t id, kind;
  std::u16string_view name, text;
  int16_t size, angle, scale, flag790, flag802;
};

TEST(WatermarkRecords, BuiltinsAsShipped) {
  // Index 0 may have been renamed by an earlier test's defaults; its other fields are fixed.
  const BuiltinCase cases[] = {
      {1, 1, 1, u"Confidential", u"Confidential", 114, 45, 0, 1, 1},
      {2, 2, 1, u"Watermark", u"Watermark", 114, 45, 0, 1, 1},
      {0, 0, 0, u"", u"", 54, 0, 100, 0, 0},
  };
  for (const BuiltinCase& c : cases) {
    SCOPED_TRACE(c.index);
    WatermarkRecord r;
    vm4k2ui::CopyBuiltinWatermark(c.index, &r);
    EXPECT_EQ(r.id, c.id);
    EXPECT_EQ(r.kind, c.kind);
    if (!c.name.empty()) {
      EXPECT_EQ(std::u16string_view(r.name), c.name);
    }
    EXPECT_EQ(std::u16string_view(r.text), c.text);
    EXPECT_EQ(std::u16string_view(r.typeface), u"Arial");
    EXPECT_EQ(r.pointSize, c.size);
    EXPECT_EQ(r.angle, c.angle);
    EXPECT_EQ(r.bitmapScale, c.scale);
    EXPECT_EQ(r.position, 5);
    EXPECT_EQ(r.bitmapFlag, c.flag790);
    EXPECT_EQ(r.typefaceChosen, c.flag802);
    EXPECT_EQ(r.xPercent, 50);
    EXPECT_EQ(r.yPercent, 50);
    EXPECT_EQ(r.greyLevel, 1);
    EXPECT_EQ(r.color, 0u);
  }
}

TEST(WatermarkRecords, Templates) {
  const WatermarkRecord text = vm4k2ui::TextWatermarkTemplate();
  EXPECT_EQ(text.id, 3);
  EXPECT_EQ(text.kind, 1);
  EXPECT_EQ(std::u16string_view(text.name), u"<New>");
  EXPECT_EQ(std::u16string_view(text.text), u"<New>");
  EXPECT_EQ(std::u16string_view(text.typeface), u"Arial");
  EXPECT_EQ(text.pointSize, 72);
  EXPECT_EQ(text.xPercent, 50);
  EXPECT_EQ(text.bitmapFlag, 1);
  EXPECT_EQ(text.typefaceChosen, 1);
  const WatermarkRecord bitmap = vm4k2ui::BitmapWatermarkTemplate();
  EXPECT_EQ(bitmap.kind, 2);
  EXPECT_EQ(std::u16string_view(bitmap.name), u"<New>");
  EXPECT_EQ(std::u16string_view(bitmap.typeface), u"");
  EXPECT_EQ(bitmap.bitmapScale, 100);
  EXPECT_EQ(bitmap.xPercent, 0);
  EXPECT_EQ(bitmap.greyLevel, 1);
}

TEST(WatermarkRecords, RecordsTheSystemWritesPassValidationUnchanged) {
  for (WatermarkRecord r : {vm4k2ui::TextWatermarkTemplate(), vm4k2ui::BitmapWatermarkTemplate()}) {
    const WatermarkRecord before = r;
    vm4k2ui::ValidateWatermarkRecord(&r);
    EXPECT_EQ(0, std::memcmp(&before, &r, sizeof(r)));
  }
  for (size_t i = 0; i < vm4k2ui::kBuiltinWatermarkCount; ++i) {
    WatermarkRecord r;
    vm4k2ui::CopyBuiltinWatermark(i, &r);
    const WatermarkRecord before = r;
    vm4k2ui::ValidateWatermarkRecord(&r);
    EXPECT_EQ(0, std::memcmp(&before, &r, sizeof(r))) << i;
  }
}

struct RepairCase {
  const char* what;
  void (*set)(WatermarkRecord&);
  bool (*repaired)(const WatermarkRecord&);
};

const RepairCase kRepairs[] = {
    {"id 33", [](WatermarkRecord& r) { r.id = 33; }, [](const WatermarkRecord& r) { return r.id == 0; }},
    {"kind 3", [](WatermarkRecord& r) { r.kind = 3; }, [](const WatermarkRecord& r) { return r.kind == 0; }},
    {"size 5", [](WatermarkRecord& r) { r.pointSize = 5; }, [](const WatermarkRecord& r) { return r.pointSize == 72; }},
    {"size 601", [](WatermarkRecord& r) { r.pointSize = 601; }, [](const WatermarkRecord& r) { return r.pointSize == 72; }},
    {"bold 2", [](WatermarkRecord& r) { r.bold = 2; }, [](const WatermarkRecord& r) { return r.bold == 0; }},
    {"outline 3", [](WatermarkRecord& r) { r.outlineStyle = 3; }, [](const WatermarkRecord& r) { return r.outlineStyle == 0; }},
    {"angle -91", [](WatermarkRecord& r) { r.angle = -91; }, [](const WatermarkRecord& r) { return r.angle == 0; }},
    {"angle -90 kept", [](WatermarkRecord& r) { r.angle = -90; }, [](const WatermarkRecord& r) { return r.angle == -90; }},
    {"scale 1001", [](WatermarkRecord& r) { r.bitmapScale = 1001; }, [](const WatermarkRecord& r) { return r.bitmapScale == 0; }},
    {"position 11", [](WatermarkRecord& r) { r.position = 11; }, [](const WatermarkRecord& r) { return r.position == 0; }},
    {"802 is 1: kept", [](WatermarkRecord& r) { r.typefaceChosen = 1; }, [](const WatermarkRecord& r) { return r.typefaceChosen == 1; }},
    {"802 is 2", [](WatermarkRecord& r) { r.typefaceChosen = 2; }, [](const WatermarkRecord& r) { return r.typefaceChosen == 0; }},
    {"802 is -1", [](WatermarkRecord& r) { r.typefaceChosen = -1; }, [](const WatermarkRecord& r) { return r.typefaceChosen == 0; }},
    {"colour 0x1000000", [](WatermarkRecord& r) { r.color = 0x1000000; }, [](const WatermarkRecord& r) { return r.color == 0x0033FF; }},
    {"colour 0xFFFFFF kept", [](WatermarkRecord& r) { r.color = 0xFFFFFF; }, [](const WatermarkRecord& r) { return r.color == 0xFFFFFF; }},
    {"808 is 8", [](WatermarkRecord& r) { r.unnamedChoice808 = 8; }, [](const WatermarkRecord& r) { return r.unnamedChoice808 == 0; }},
    {"grey unchecked", [](WatermarkRecord& r) { r.greyLevel = 9; }, [](const WatermarkRecord& r) { return r.greyLevel == 9; }},
    {"unterminated texts", [](WatermarkRecord& r) {
       for (auto& u : r.name) u = u'N';
       for (auto& u : r.text) u = u'T';
       for (auto& u : r.typeface) u = u'F';
       for (auto& u : r.bitmapPath) u = u'P';
     },
     [](const WatermarkRecord& r) {
       return std::u16string_view(r.name).size() == 32 && std::u16string_view(r.text).size() == 64 &&
              std::u16string_view(r.typeface).size() == 31 && std::u16string_view(r.bitmapPath).size() == 259;
     }},
};

TEST(WatermarkRecords, EachFieldOutOfRangeIsRepairedOnItsOwn) {
  for (const RepairCase& c : kRepairs) {
    SCOPED_TRACE(c.what);
    WatermarkRecord r = vm4k2ui::TextWatermarkTemplate();
    c.set(r);
    vm4k2ui::ValidateWatermarkRecord(&r);
    EXPECT_TRUE(c.repaired(r));
  }
}

}  // namespace
