#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "temp_machine.h"
#include <win/spooler.h>

#include "ui/core/capabilities.h"
#include "ui/core/printer_ui_context.h"
#include "ui/core/setting_stores.h"

using namespace vm4k2ui;

namespace {

vm4k2::CustomPaperRecord Paper(const char16_t* name, int16_t id, int16_t w, int16_t h) {
  vm4k2::CustomPaperRecord r{};
  std::memcpy(r.name, name, std::char_traits<char16_t>::length(name) * 2);
  r.paperId = id;
  r.width = w;
  r.height = h;
  return r;
}

const WCHAR* W(const char16_t* s) { return reinterpret_cast<const WCHAR*>(s); }

}  // namespace

TEST(SettingStores, EveryOperationNeedsTheStoreObjects) {
  testsupport::TempMachine machine;
  CustomPaperStore papers;
  vm4k2::CustomPaperRecord p = Paper(u"Card", 288, 2000, 3500);
  EXPECT_EQ(papers.Save(W(u"Card"), &p, sizeof(p)), 0);  // no "UIParam" yet
  EXPECT_EQ(papers.Count(), 0);
  ASSERT_EQ(papers.EnsureFile(), 1);
  EXPECT_EQ(papers.Save(W(u"Card"), &p, sizeof(p)), 1);
  EXPECT_EQ(papers.Count(), 1);
}

TEST(SettingStores, CustomPaperRoundTripReplaceAndOrder) {
  testsupport::TempMachine machine;
  CustomPaperStore papers;
  ASSERT_EQ(papers.EnsureFile(), 1);
  vm4k2::CustomPaperRecord a = Paper(u"A", 288, 2000, 3500), b = Paper(u"B", 289, 2100, 3600);
  ASSERT_EQ(papers.Save(W(u"A"), &a, sizeof(a)), 1);
  ASSERT_EQ(papers.Save(W(u"B"), &b, sizeof(b)), 1);
  a.width = 2222;
  ASSERT_EQ(papers.Save(W(u"A"), &a, sizeof(a)), 1);  // replaced, and now last
  NameList names;
  ASSERT_EQ(papers.Enumerate(&names), 2);
  EXPECT_EQ(std::u16string_view(reinterpret_cast<const char16_t*>(names.Row(0))), u"B");
  EXPECT_EQ(std::u16string_view(reinterpret_cast<const char16_t*>(names.Row(1))), u"A");
  vm4k2::CustomPaperRecord back{};
  ASSERT_EQ(papers.Load(W(u"A"), &back, sizeof(back)), 1);
  EXPECT_EQ(std::memcmp(&back, &a, sizeof(a)), 0);
  EXPECT_EQ(papers.Load(W(u"A"), &back, sizeof(back) - 1), 0);  // exact size only
  EXPECT_EQ(papers.Delete(W(u"A")), 1);
  EXPECT_EQ(papers.Delete(W(u"A")), 0);
  EXPECT_EQ(papers.MaxCount(), 16);
}

TEST(SettingStores, NamesTheFileCannotCarryAreRefusedBeforeItIsTouched) {
  testsupport::TempMachine machine;
  WatermarkStore store;
  ASSERT_EQ(store.EnsureFile(), 1);
  vm4k2::WatermarkRecord r{};
  const char16_t* bad[] = {u"", u"123456789012345678901234567890123", u"a<b", u"a>b"};
  for (const char16_t* name : bad) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(name)));
    EXPECT_EQ(store.Save(W(name), &r, sizeof(r)), 0);
  }
  EXPECT_EQ(store.Save(W(u"12345678901234567890123456789012"), &r, sizeof(r)), 1);  // 32 is fine
  EXPECT_EQ(store.Count(), 1);
}

TEST(SettingStores, WatermarkListStartsWithTheBuiltinsAndIdsStayInRange) {
  testsupport::TempMachine machine;
  std::vector<vm4k2::WatermarkRecord> list = LoadWatermarkList();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].id, 0);
  EXPECT_EQ(list[1].id, 1);
  EXPECT_EQ(list[2].id, 2);
  EXPECT_EQ(NextWatermarkId(), 3);

  WatermarkStore store;
  vm4k2::WatermarkRecord big{};
  big.id = 32;
  std::memcpy(big.name, u"Big", 8);
  ASSERT_EQ(SaveWatermark(big), 1);
  EXPECT_EQ(NextWatermarkId(), 3);  // 33 would be repaired to 0: take the lowest free id

  vm4k2::WatermarkRecord r{};
  EXPECT_EQ(store.Load(W(u"Big"), &r, 800), 0);  // the requested size must match
  ASSERT_EQ(store.Load(W(u"Big"), &r, sizeof(r)), 1);

  big.pointSize = 99;
  std::memcpy(big.name, u"Bigger", 14);
  ASSERT_EQ(ReplaceWatermark(big), 1);
  EXPECT_EQ(store.Load(W(u"Big"), &r, sizeof(r)), 0);
  ASSERT_EQ(store.Load(W(u"Bigger"), &r, sizeof(r)), 1);
  EXPECT_EQ(r.pointSize, 99);
  big.id = 17;
  EXPECT_EQ(ReplaceWatermark(big), 0);
}

TEST(SettingStores, WatermarkListSkipsEntriesThatCannotBeLoaded) {
  testsupport::TempMachine machine;
  ASSERT_EQ(LoadWatermarkList().size(), 3u);
  WatermarkStore store;
  char shortRecord[10] = {};
  ASSERT_EQ(store.Save(W(u"Short"), shortRecord, sizeof(shortRecord)), 1);
  std::vector<vm4k2::WatermarkRecord> list = LoadWatermarkList();
  EXPECT_EQ(list.size(), 3u);
}

TEST(SettingStores, FavouriteBringsItsSettingsButNotItsHeader) {
  testsupport::TempMachine machine;
  FavoriteStore favorites;
  ASSERT_EQ(favorites.EnsureFile(), 1);
  static PrinterUiContext saved{}, target{};
  for (PrinterUiContext* context : {&saved, &target}) {
    std::memcpy(context->printerName, u"Velmor K8000", 26);
    InitContextDevmode(context);
  }
  saved.devmode.dmPublic.dmCopies = 3;
  std::memcpy(saved.devmode.dmPublic.dmDeviceName, u"Other printer", 28);
  ASSERT_EQ(favorites.Save(W(u"Fav"), &saved, 0), 1);
  EXPECT_EQ(favorites.SaveCurrent(W(u"Now"), &saved), 1);
  EXPECT_EQ(favorites.Count(), 1);  // "cursetting" is its own object

  std::memcpy(target.devmode.dmPublic.dmDeviceName, u"Mine", 10);
  ASSERT_EQ(favorites.Load(W(u"Fav"), &target, 0), 1);
  EXPECT_EQ(target.devmode.dmPublic.dmCopies, 3);
  EXPECT_EQ(std::u16string_view(reinterpret_cast<const char16_t*>(target.devmode.dmPublic.dmDeviceName)), u"Mine");
  EXPECT_EQ(target.devmode.dmPublic.dmSize, sizeof(DEVMODEW));
  EXPECT_EQ(target.devmode.dmPublic.dmDriverExtra, sizeof(vm4k2::PrivateDevmode));

  // A damaged record cannot push out-of-range values or another header into the context.
  WCHAR path[kSettingsPathUnits];
  ASSERT_TRUE(GetSettingsFilePath(path, kSettingsPathUnits));
  {
    auto file = ConfigFile::Open(reinterpret_cast<const char16_t*>(path));
    ConfigObject* fav = ConfigObject::FindChild(
        ConfigObject::FindChild(ConfigObject::FindChild(file->root(), u"UIParam"), u"savesetting"), u"Fav");
    ASSERT_NE(fav, nullptr);
    DEVMODEW* pub = reinterpret_cast<DEVMODEW*>(fav->value.data() + sizeof(vm4k2::PrivateDevmode));
    pub->dmSize = 0xFFFF;
    pub->dmDriverExtra = 0xFFFF;
    pub->dmCopies = -5;
    ASSERT_TRUE(ConfigFile::Save(file.get()));
  }
  target.devmode.dmPublic.dmCopies = 2;
  ASSERT_EQ(favorites.Load(W(u"Fav"), &target, 0), 1);
  EXPECT_GT(target.devmode.dmPublic.dmCopies, 0);
  EXPECT_EQ(target.devmode.dmPublic.dmSize, sizeof(DEVMODEW));
  EXPECT_EQ(target.devmode.dmPublic.dmDriverExtra, sizeof(vm4k2::PrivateDevmode));
}

TEST(SettingStores, TwoProcessesSavingAtOnceLoseNothing) {
  testsupport::TempMachine machine;
  FavoriteStore favorites;
  ASSERT_EQ(favorites.EnsureFile(), 1);
  static PrinterUiContext context{};
  constexpr int kEach = 8;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  const char16_t* prefix = child == 0 ? u"child" : u"parent";
  for (int i = 0; i < kEach; ++i) {
    std::u16string name = std::u16string(prefix) + static_cast<char16_t>(u'0' + i);
    if (favorites.Save(W(name.c_str()), &context, 0) != 1 && child == 0) _exit(1);
  }
  if (child == 0) _exit(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(favorites.Count(), 2 * kEach);
}

TEST(SettingStores, StoredCustomPapersReachTheCapabilityAnswers) {
  testsupport::TempMachine machine;
  SetCustomPaperSource(StoredCustomPaperSource());
  CustomPaperStore papers;
  ASSERT_EQ(papers.EnsureFile(), 1);
  vm4k2::CustomPaperRecord card = Paper(u"Card", 288, 3000, 6000), tag = Paper(u"Tag", 289, 2000, 4000),
                           broken = Paper(u"Broken", 290, 0, 6000);
  ASSERT_EQ(papers.Save(W(u"Card"), &card, sizeof(card)), 1);
  ASSERT_EQ(papers.Save(W(u"Broken"), &broken, sizeof(broken)), 1);
  ASSERT_EQ(papers.Save(W(u"Tag"), &tag, sizeof(tag)), 1);
  WCHAR device[] = u"Velmor K8000";
  // The unusable record is left out of every list, so a buffer sized by one count fits all.
  for (WORD index : {DC_PAPERS, DC_PAPERSIZE, DC_PAPERNAMES})
    EXPECT_EQ(DrvDeviceCapabilities(nullptr, device, index, nullptr, nullptr), 25u) << index;
  std::vector<WORD> ids(25);
  ASSERT_EQ(DrvDeviceCapabilities(nullptr, device, DC_PAPERS, ids.data(), nullptr), 25u);
  EXPECT_EQ(ids[23], 288);
  EXPECT_EQ(ids[24], 289);
  vm4k2::CustomPaperRecord found{};
  ASSERT_TRUE(FindCustomPaperById(289, &found));
  EXPECT_EQ(found.width, 2000);
  EXPECT_FALSE(FindCustomPaperById(290, &found));
}
