// What a page's PSN_APPLY does through ApplySheetChanges: the favourites snapshot follows the
// change, the page answers PSNRET_NOERROR and tells the sheet it is unchanged, then the
// caller's DEVMODE is written and the host told.
#include <cstring>
#include <vector>

#include <win/commctrl.h>
#include <win/compstui.h>
#include <win/driverui.h>

#include "sheets_fixture.h"
#include "ui/core/page_states.h"
#include "ui/core/settings_snapshot.h"
#include "ui/core/sheet_changes.h"

namespace {

std::vector<std::string> g_events;

LONG_PTR CALLBACK RecordingHost(HANDLE, UINT function, LPARAM lParam1, LPARAM lParam2) {
  g_events.push_back("host " + std::to_string(function) + " " + std::to_string(lParam1) + " " +
                     std::to_string(lParam2));
  return 1;
}

struct FakeHolder : vm4k2ui::SettingsSnapshotHolder {
  bool changed = false;
  void TakeActivePage(int32_t page) override { g_events.push_back("active " + std::to_string(page)); }
  bool ChangedSinceSnapshot(const vm4k2ui::PrinterUiContext&) override {
    g_events.push_back("test");
    return changed;
  }
  void ShowUnsavedEntry(vm4k2ui::PrinterUiContext&) override { g_events.push_back("unsaved"); }
  void TakeSnapshot(const vm4k2ui::PrinterUiContext&) override { g_events.push_back("snapshot"); }
};

struct FakeBasicState : vm4k2ui::PageState, vm4k2ui::SnapshotHolderSource {
  FakeHolder holder;
  bool hasHolder = true;
  vm4k2ui::SettingsSnapshotHolder* SnapshotHolder() override { return hasHolder ? &holder : nullptr; }
};

class SheetApplyFromPage : public sheetstest::SheetsFixture {
 protected:
  void SetUp() override {
    SheetsFixture::SetUp();
    g_events.clear();
    std::memcpy(context_->printerName, u"Apply Printer", sizeof(u"Apply Printer"));
    vm4k2ui::InitContextDevmode(context_.get());
    context_->satellite = satellite_;
    context_->pfnComPropSheet = RecordingHost;
    context_->activePage = 3;
    header_.cbSize = sizeof(header_);
    header_.pdmOut = reinterpret_cast<PDEVMODEW>(out_.data());
    header_.cbOut = static_cast<DWORD>(out_.size());
    header_.fMode = DM_IN_PROMPT | DM_OUT_BUFFER;
    context_->callerHeader = &header_;
  }
  void TearDown() override {
    vm4k2ui::ReleasePageStates();
    SheetsFixture::TearDown();
  }
  // The sheet's messages and the host's calls, in the order they happened, are kept apart:
  // the sheet's list says what the page told it.
  size_t UnchangedLines() const {
    size_t count = 0;
    for (const auto& m : sheetstest::SheetMessages())
      if (m.message == PSM_UNCHANGED && m.wParam == reinterpret_cast<WPARAM>(page_)) ++count;
    return count;
  }
  DOCUMENTPROPERTYHEADER header_{};
  std::vector<BYTE> out_ = std::vector<BYTE>(vm4k2::kUiDevmodeSize, 0x5C);
};

TEST_F(SheetApplyFromPage, ThePageAnswersNoErrorTellsTheSheetThenTheHost) {
  SetWindowLongPtrW(page_, DWLP_MSGRESULT, 77);
  context_->devmode.dmPublic.dmCopies = 4;
  EXPECT_EQ(vm4k2ui::ApplySheetChanges(page_, context_.get()), 1);
  EXPECT_EQ(GetWindowLongPtrW(page_, DWLP_MSGRESULT), PSNRET_NOERROR);
  EXPECT_EQ(UnchangedLines(), 1u);
  ASSERT_EQ(sheetstest::SheetMessages().size(), 1u);
  EXPECT_EQ(g_events, (std::vector<std::string>{"host " + std::to_string(CPSFUNC_SET_RESULT) + " 0 1"}));
  EXPECT_EQ(reinterpret_cast<const DEVMODEW*>(out_.data())->dmCopies, 4);
  EXPECT_EQ(context_->changed, 1);
}

TEST_F(SheetApplyFromPage, TheCallersDevmodeIsWrittenOnlyWhenAskedFor) {
  struct Case {
    DWORD fMode;
    bool copied;
  } cases[] = {{DM_IN_PROMPT | DM_UPDATE, true}, {DM_IN_PROMPT | DM_COPY, true}, {DM_IN_PROMPT, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fMode);
    g_events.clear();
    sheetstest::SheetMessages().clear();
    std::fill(out_.begin(), out_.end(), 0x5C);
    header_.fMode = c.fMode;
    EXPECT_EQ(vm4k2ui::ApplySheetChanges(page_, context_.get()), 1);
    EXPECT_EQ(out_[0] != 0x5C, c.copied);
    EXPECT_EQ(g_events.size(), c.copied ? 1u : 0u);
    EXPECT_EQ(UnchangedLines(), 1u) << "the page is unchanged whatever the caller asked";
  }
}

TEST_F(SheetApplyFromPage, TheDeviceSheetStopsAfterTellingTheSheet) {
  context_->deviceSheet = 1;
  EXPECT_EQ(vm4k2ui::ApplySheetChanges(page_, context_.get()), 1);
  EXPECT_EQ(UnchangedLines(), 1u);
  EXPECT_TRUE(g_events.empty());
  EXPECT_EQ(out_[0], 0x5C);
}

TEST_F(SheetApplyFromPage, ADestroyedPageGivesOneAndNothingMore) {
  HWND gone = page_;
  DestroyWindow(page_);
  SetLastError(testsupport::kErrorMarker);
  EXPECT_EQ(vm4k2ui::ApplySheetChanges(gone, context_.get()), 1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(sheetstest::SheetMessages().empty());
  EXPECT_TRUE(g_events.empty());
  EXPECT_EQ(out_[0], 0x5C);
}

TEST_F(SheetApplyFromPage, TheFavouritesSnapshotFollowsAChange) {
  auto* state = vm4k2ui::GetPageState<FakeBasicState>(vm4k2ui::kBasicPageStateEntry);
  ASSERT_NE(state, nullptr);
  state->holder.changed = true;
  vm4k2ui::ApplySheetChanges(page_, context_.get());
  ASSERT_GE(g_events.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(g_events.begin(), g_events.begin() + 4),
            (std::vector<std::string>{"active 3", "test", "unsaved", "snapshot"}));

  g_events.clear();
  state->holder.changed = false;
  vm4k2ui::ApplySheetChanges(page_, context_.get());
  EXPECT_EQ(std::vector<std::string>(g_events.begin(), g_events.begin() + 2),
            (std::vector<std::string>{"active 3", "test"}));

  g_events.clear();
  state->hasHolder = false;
  vm4k2ui::ApplySheetChanges(page_, context_.get());
  EXPECT_EQ(g_events.size(), 1u) << "without a holder only the host is told";
}

TEST_F(SheetApplyFromPage, AThreadWithoutTheBasicPageGetsNoStateMade) {
  // The device sheet's thread never made the basic page's state; applying must not make one.
  context_->deviceSheet = 1;
  ASSERT_EQ(vm4k2ui::FindPageState(vm4k2ui::kBasicPageStateEntry), nullptr);
  vm4k2ui::ApplySheetChanges(page_, context_.get());
  EXPECT_EQ(vm4k2ui::FindPageState(vm4k2ui::kBasicPageStateEntry), nullptr);
  struct OtherState : vm4k2ui::PageState {};
  ASSERT_TRUE(vm4k2ui::StorePageState(vm4k2ui::kBasicPageStateEntry, new OtherState));
  EXPECT_EQ(vm4k2ui::ApplySheetChanges(page_, context_.get()), 1) << "a state without snapshots is passed by";
}

}  // namespace
