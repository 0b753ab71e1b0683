// The stored layouts the renderer and the settings files share with this library.
#include <cstddef>
#include <cstring>

#include <gtest/gtest.h>

#include <vm4k2/ui_devmode.h>

namespace {

using vm4k2::CustomPaperRecord;
using vm4k2::PrivateDevmode;
using vm4k2::UiDevmode;
using vm4k2::WatermarkRecord;

TEST(Layouts, RecordSizes) {
  EXPECT_EQ(sizeof(DEVMODEW), 220u);
  EXPECT_EQ(sizeof(PrivateDevmode), 4860u);
  EXPECT_EQ(sizeof(UiDevmode), 5080u);
  EXPECT_EQ(sizeof(WatermarkRecord), 816u);
  EXPECT_EQ(sizeof(CustomPaperRecord), 72u);
}

TEST(Layouts, SignatureBytesSpellPriv) {
  UiDevmode dm{};
  dm.dmPrivate.signature = vm4k2::kPrivateSignature;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&dm);
  EXPECT_EQ(0, std::memcmp(bytes + 220, "PRIV", 4));
  EXPECT_EQ(vm4k2::kPrivateSignature, 0x56495250u);
}

TEST(Layouts, EmbeddedRecordsSitAtTheirStoredOffsets) {
  EXPECT_EQ(offsetof(PrivateDevmode, watermark), 1960u);
  EXPECT_EQ(offsetof(PrivateDevmode, customPapers), 3404u);
  EXPECT_EQ(sizeof(PrivateDevmode::customPapers), 1440u);
  EXPECT_EQ(offsetof(UiDevmode, dmPrivate) + offsetof(PrivateDevmode, watermark) +
                offsetof(WatermarkRecord, color),
            220u + 1960u + 804u);
}

}  // namespace
