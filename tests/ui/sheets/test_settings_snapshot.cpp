// The favourites' snapshot: which settings count as a change, and the holder's answers.
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "ui/sheets/settings_snapshot.h"

namespace {

using vm4k2ui::PrinterUiContext;
using vm4k2ui::SettingsSnapshot;
using vm4k2ui::SnapshotHolder;

std::unique_ptr<PrinterUiContext> Context() {
  auto context = std::make_unique<PrinterUiContext>();
  context->devmode.dmPublic.dmPaperSize = 9;
  context->devmode.dmPrivate.zoomPercent = 100;
  context->devmode.dmPrivate.downloadTrueType = 1;
  return context;
}

struct Edit {
  const char* what;
  std::function<void(vm4k2::UiDevmode&)> apply;
  bool counts;
};

TEST(SettingsSnapshot, EachOfTheFavouritesSettingsCountsAndNothingElse) {
  const Edit edits[] = {
      {"zoom", [](auto& d) { d.dmPrivate.zoomPercent = 90; }, true},
      {"paper", [](auto& d) { d.dmPublic.dmPaperSize = 11; }, true},
      {"width", [](auto& d) { d.dmPublic.dmPaperWidth = 1480; }, true},
      {"length", [](auto& d) { d.dmPublic.dmPaperLength = 2100; }, true},
      {"duplex", [](auto& d) { d.dmPublic.dmDuplex = 2; }, true},
      {"copies", [](auto& d) { d.dmPublic.dmCopies = 3; }, true},
      {"collate", [](auto& d) { d.dmPublic.dmCollate = 1; }, true},
      {"reverse", [](auto& d) { d.dmPrivate.reverseOrder = 1; }, true},
      {"quality", [](auto& d) { d.dmPublic.dmPrintQuality = 1200; }, true},
      {"media", [](auto& d) { d.dmPublic.dmMediaType = 257; }, true},
      {"source", [](auto& d) { d.dmPrivate.sourceTray = 2; }, true},
      {"feed", [](auto& d) { d.dmPrivate.feedOrient = 2; }, true},
      {"watermark first byte", [](auto& d) { reinterpret_cast<BYTE*>(&d.dmPrivate.watermark)[0] ^= 1; }, true},
      {"watermark last byte", [](auto& d) { reinterpret_cast<BYTE*>(&d.dmPrivate.watermark)[815] ^= 1; }, true},
      {"multiple up", [](auto& d) { d.dmPrivate.multipleUp = 4; }, true},
      {"border", [](auto& d) { d.dmPrivate.pageBorder = 1; }, true},
      {"order", [](auto& d) { d.dmPrivate.pageOrder = 2; }, true},
      {"orientation", [](auto& d) { d.dmPublic.dmOrientation = 2; }, true},
      {"negative", [](auto& d) { d.dmPrivate.negative = 1; }, true},
      {"toner", [](auto& d) { d.dmPrivate.tonerSavingMode = 1; }, true},
      {"rotate", [](auto& d) { d.dmPrivate.rotate180 = 1; }, true},
      {"mirror", [](auto& d) { d.dmPrivate.mirror = 1; }, true},
      {"thickness", [](auto& d) { d.dmPrivate.thickness = 1; }, true},
      {"download", [](auto& d) { d.dmPrivate.downloadTrueType = 0; }, true},
      {"as bitmap", [](auto& d) { d.dmPrivate.trueTypeAsBitmap = 1; }, true},
      // Only the low 16 bits of the two 32-bit words are kept.
      {"download high bits", [](auto& d) { d.dmPrivate.downloadTrueType |= 0x10000; }, false},
      {"as bitmap high bits", [](auto& d) { d.dmPrivate.trueTypeAsBitmap = 0x20000; }, false},
      {"colour mode", [](auto& d) { d.dmPrivate.colorMode = 3; }, false},
      {"scale", [](auto& d) { d.dmPublic.dmScale = 50; }, false},
      {"favourite name", [](auto& d) { d.dmPrivate.favoriteName[0] = u'X'; }, false},
      {"poster", [](auto& d) { d.dmPrivate.posterPrint = 1; }, false},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.what);
    auto context = Context();
    SettingsSnapshot snapshot;
    snapshot.Capture(*context);
    EXPECT_FALSE(snapshot.IsModified());
    edit.apply(context->devmode);
    EXPECT_EQ(snapshot.IsModified(), edit.counts);
    snapshot.Capture(*context);
    EXPECT_FALSE(snapshot.IsModified());
  }
}

struct HolderCase {
  int holderPage;
  int previousPage;
  bool modified;
  int expected;
};

TEST(SnapshotHolder, TestAnswersByPageAndChange) {
  const HolderCase cases[] = {
      {0, 0, false, 0}, {0, 2, true, 0},  {0, 1, true, 0},
      {1, 1, true, 4},  {1, 1, false, 8}, {3, 3, true, 4}, {4, 4, false, 8},
      {1, 2, true, 1},  {1, 2, false, 2}, {1, 4, true, 1}, {2, 1, false, 2}, {1, 0, true, 1},
  };
  for (const HolderCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.holderPage << " " << c.previousPage << " " << c.modified);
    auto context = Context();
    SnapshotHolder holder;
    holder.Capture(*context);
    holder.page = c.holderPage;
    if (c.modified) context->devmode.dmPublic.dmCopies = 7;
    EXPECT_EQ(holder.Test(c.previousPage, *context), c.expected);
  }
}

TEST(SnapshotHolder, ATestWithoutAPageTakesTheSnapshotAgain) {
  auto context = Context();
  SnapshotHolder holder;
  EXPECT_EQ(holder.Test(1, *context), 0);
  context->devmode.dmPublic.dmPaperSize = 11;
  EXPECT_EQ(holder.Test(1, *context), 0);
  holder.page = 1;
  EXPECT_EQ(holder.Test(1, *context), 8);
  context->devmode.dmPublic.dmPaperSize = 9;
  EXPECT_EQ(holder.Test(2, *context), 1);
}

TEST(SnapshotHolder, AHolderWithAPageButNoSnapshotYetReportsNoChange) {
  auto context = Context();
  SnapshotHolder holder;
  holder.page = 1;
  EXPECT_EQ(holder.Test(1, *context), 8);
  context->devmode.dmPublic.dmCopies = 2;
  EXPECT_EQ(holder.Test(1, *context), 4);
}

}  // namespace
