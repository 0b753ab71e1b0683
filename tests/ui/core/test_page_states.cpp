// The per-thread page states of the property sheets, the page callback and what an applied
// sheet does with its context.
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <win/commctrl.h>
#include <win/compstui.h>
#include <win/driverui.h>

#include <temp_machine.h>

#include "ui/core/page_states.h"
#include "ui/core/printer_ui_context.h"
#include "ui/core/property_sheets.h"
#include "ui/core/setting_descriptors.h"
#include "ui/core/sheet_changes.h"

namespace {

using vm4k2ui::PageState;

std::vector<std::string> g_destroyed;

struct NamedState : PageState {
  std::string name = "unnamed";
  ~NamedState() override { g_destroyed.push_back(name); }
};
struct OtherState : PageState {};

NamedState* Named(size_t index, const char* name) {
  NamedState* state = vm4k2ui::GetPageState<NamedState>(index);
  if (state) state->name = name;
  return state;
}

class PageStatesTest : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed.clear(); }
  void TearDown() override {
    for (size_t i = 0; i < vm4k2ui::kPageStateEntries; ++i) vm4k2ui::ReleasePageState(i);
  }
};

TEST_F(PageStatesTest, AnAccessorMakesItsStateOnceAndKnowsItsKind) {
  NamedState* first = Named(0, "basic");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(vm4k2ui::GetPageState<NamedState>(0), first);
  EXPECT_EQ(vm4k2ui::GetPageState<OtherState>(0), nullptr) << "the entry holds another kind";
  EXPECT_EQ(vm4k2ui::GetPageState<NamedState>(vm4k2ui::kPageStateEntries), nullptr);
  EXPECT_FALSE(vm4k2ui::StorePageState(0, new OtherState)) << "a taken entry is not replaced";
  EXPECT_EQ(vm4k2ui::FindPageState(0), first);
}

TEST_F(PageStatesTest, ReleasingTheSheetsDeletesEveryEntryOnceSheetEntriesFirst) {
  // Entries a dialog still holds (6, 7, or any higher one) go too, after the sheets' own.
  ASSERT_NE(Named(15, "last"), nullptr);
  ASSERT_NE(Named(7, "bitmap editor"), nullptr);
  const char* names[] = {"basic", "paper", "layout", "watermark", "custom paper"};
  for (size_t i = 0; i < 5; ++i) ASSERT_NE(Named(i, names[i]), nullptr);
  ASSERT_NE(Named(6, "text editor"), nullptr);
  const size_t rowsWithMine = vm4k2ui::PageStateRowCount();
  vm4k2ui::ReleasePageStates();
  EXPECT_EQ(g_destroyed, (std::vector<std::string>{"basic", "paper", "layout", "watermark", "custom paper",
                                                   "text editor", "bitmap editor", "last"}));
  for (size_t i = 0; i < vm4k2ui::kPageStateEntries; ++i) EXPECT_EQ(vm4k2ui::FindPageState(i), nullptr) << i;
  EXPECT_EQ(vm4k2ui::PageStateRowCount(), rowsWithMine - 1) << "the emptied row is dropped";
  vm4k2ui::ReleasePageStates();
  EXPECT_EQ(g_destroyed.size(), 8u) << "each object deleted once";
}

TEST_F(PageStatesTest, AnOwnerThatFreesItsEntryFirstLeavesNothingForTheRelease) {
  ASSERT_NE(Named(0, "basic"), nullptr);
  ASSERT_NE(Named(6, "text editor"), nullptr);
  vm4k2ui::ReleasePageState(6);
  EXPECT_EQ(g_destroyed, (std::vector<std::string>{"text editor"}));
  EXPECT_EQ(vm4k2ui::FindPageState(6), nullptr);
  vm4k2ui::ReleasePageStates();
  EXPECT_EQ(g_destroyed, (std::vector<std::string>{"text editor", "basic"}));
}

TEST_F(PageStatesTest, EachThreadHasItsOwnRow) {
  NamedState* mine = Named(0, "main thread");
  ASSERT_NE(mine, nullptr);
  const size_t rowsBefore = vm4k2ui::PageStateRowCount();
  std::atomic<bool> otherSawNone{false};
  std::thread other([&] {
    otherSawNone = vm4k2ui::FindPageState(0) == nullptr;
    Named(0, "other thread");
    Named(1, "other paper");
    vm4k2ui::ReleasePageStates();
  });
  other.join();
  EXPECT_TRUE(otherSawNone);
  EXPECT_EQ(g_destroyed, (std::vector<std::string>{"other thread", "other paper"}));
  EXPECT_EQ(vm4k2ui::FindPageState(0), mine) << "the other thread's release left this row alone";
  EXPECT_EQ(vm4k2ui::PageStateRowCount(), rowsBefore) << "an emptied row is dropped";
}

// ---- The page callback and the apply of a context -----------------------------------------

struct HostCall {
  HANDLE sheet;
  UINT function;
  LPARAM lParam1;
  LPARAM lParam2;
};
std::vector<HostCall> g_hostCalls;

LONG_PTR CALLBACK RecordingHost(HANDLE sheet, UINT function, LPARAM lParam1, LPARAM lParam2) {
  g_hostCalls.push_back({sheet, function, lParam1, lParam2});
  return 1;
}

class SheetApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_hostCalls.clear();
    context_ = std::make_unique<vm4k2ui::PrinterUiContext>();
    std::memcpy(context_->printerName, u"Apply Printer", sizeof(u"Apply Printer"));
    vm4k2ui::InitContextDevmode(context_.get());
    context_->propSheet = reinterpret_cast<HANDLE>(0x77);
    context_->pfnComPropSheet = RecordingHost;
    header_.cbSize = sizeof(header_);
    header_.pdmOut = reinterpret_cast<PDEVMODEW>(out_.data());
    header_.cbOut = static_cast<DWORD>(out_.size());
    header_.fMode = DM_IN_PROMPT | DM_OUT_BUFFER;
    context_->callerHeader = &header_;
    page_.dwSize = sizeof(page_);
    page_.lParam = reinterpret_cast<LPARAM>(context_.get());
  }
  testsupport::TempMachine machine_;
  std::unique_ptr<vm4k2ui::PrinterUiContext> context_;
  DOCUMENTPROPERTYHEADER header_{};
  std::vector<BYTE> out_ = std::vector<BYTE>(vm4k2::kUiDevmodeSize, 0x5C);
  PROPSHEETPAGEW page_{};
};

TEST_F(SheetApplyTest, PageCallbackMessages) {
  EXPECT_EQ(vm4k2ui::PropSheetPageCallback(nullptr, PSPCB_CREATE, &page_), 1u);
  EXPECT_EQ(vm4k2ui::PropSheetPageCallback(nullptr, PSPCB_ADDREF, &page_), 0u);
  EXPECT_EQ(vm4k2ui::PropSheetPageCallback(nullptr, 99, &page_), 0u);
  EXPECT_EQ(vm4k2ui::PropSheetPageCallback(nullptr, PSPCB_RELEASE, &page_), 1u);
  EXPECT_TRUE(g_hostCalls.empty()) << "an unchanged context is not applied";
  EXPECT_EQ(out_[0], 0x5C);
  EXPECT_EQ(vm4k2ui::PropSheetPageCallback(nullptr, PSPCB_RELEASE, nullptr), 1u);
}

TEST_F(SheetApplyTest, ReleasingAChangedSheetAppliesOnceMore) {
  context_->changed = 1;
  context_->devmode.dmPublic.dmCopies = 9;
  EXPECT_EQ(vm4k2ui::PropSheetPageCallback(nullptr, PSPCB_RELEASE, &page_), 1u);
  ASSERT_EQ(g_hostCalls.size(), 1u);
  EXPECT_EQ(g_hostCalls[0].sheet, reinterpret_cast<HANDLE>(0x77));
  EXPECT_EQ(g_hostCalls[0].function, static_cast<UINT>(CPSFUNC_SET_RESULT));
  EXPECT_EQ(g_hostCalls[0].lParam1, 0);
  EXPECT_EQ(g_hostCalls[0].lParam2, 1);
  EXPECT_EQ(reinterpret_cast<const DEVMODEW*>(out_.data())->dmCopies, 9);
}

TEST_F(SheetApplyTest, ApplyingTable) {
  struct Case {
    const char* what;
    DWORD fMode;
    int deviceSheet;
    BOOL announce;
    DWORD cbOut;
    bool copied;
    size_t hostCalls;
  } cases[] = {
      {"document sheets asked for the DEVMODE", DM_IN_PROMPT | DM_OUT_BUFFER, 0, TRUE, 5080, true, 1},
      {"DM_UPDATE asks for it too", DM_IN_PROMPT | DM_UPDATE, 0, TRUE, 5080, true, 1},
      {"the host's own SET_RESULT is not told again", DM_IN_PROMPT | DM_OUT_BUFFER, 0, FALSE, 5080, true, 0},
      {"no DEVMODE asked for", DM_IN_PROMPT, 0, TRUE, 5080, false, 0},
      {"a buffer too small", DM_IN_PROMPT | DM_OUT_BUFFER, 0, TRUE, 5079, false, 0},
      {"the device sheet", DM_IN_PROMPT | DM_OUT_BUFFER, 1, TRUE, 5080, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_hostCalls.clear();
    std::fill(out_.begin(), out_.end(), 0x5C);
    context_->changed = 0;
    context_->deviceSheet = c.deviceSheet;
    header_.fMode = c.fMode;
    header_.cbOut = c.cbOut;
    EXPECT_EQ(vm4k2ui::ApplySheetChanges(nullptr, context_.get(), c.announce), 1);
    EXPECT_EQ(context_->changed, 1);
    EXPECT_EQ(out_[0] != 0x5C, c.copied);
    EXPECT_EQ(g_hostCalls.size(), c.hostCalls);
  }
  EXPECT_EQ(vm4k2ui::ApplySheetChanges(nullptr, nullptr), 0);
}

TEST_F(SheetApplyTest, ThePagesDuplexValueReachesThePrivateKey) {
  uint16_t duplex = 0;
  context_->devmode.dmPublic.dmDuplex = 5;
  vm4k2ui::ApplySheetChanges(nullptr, context_.get(), FALSE);
  ASSERT_EQ(vm4k2ui::GetSettingByName(context_.get(), "Duplex", &duplex, sizeof(duplex)), S_OK);
  EXPECT_EQ(duplex, 5);

  context_->devmode.dmPublic.dmDuplex = 2;
  uint16_t before = 0;
  vm4k2ui::SetSettingByName(context_.get(), "Duplex", &before, sizeof(before));
  vm4k2ui::ApplySheetChanges(nullptr, context_.get(), FALSE);
  vm4k2ui::GetSettingByName(context_.get(), "Duplex", &duplex, sizeof(duplex));
  EXPECT_EQ(duplex, 0) << "other public values leave the key alone";
}

}  // namespace
