// The four message boxes: texts and captions from the owner's context, icon and buttons, the
// answer, and right-to-left reading in an Arabic user interface.
#include <string>

#include <win/registry.h>

#include "sheets_fixture.h"
#include "ui/sheets/message_boxes.h"

namespace {

class MessageBoxesTest : public sheetstest::SheetsFixture {
 protected:
  void SetLanguage(const char16_t* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Velmor K8000 Series PCL6", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD bytes = static_cast<DWORD>((std::u16string(value).size() + 1) * sizeof(WCHAR));
    ASSERT_EQ(RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes), ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

struct BoxCase {
  const char* what;
  int (*show)(HWND, UINT);
  bool dialogOwner;
  UINT textId;
  const char* text;
  const char* caption;
  UINT style;
  int queued;  // 0: unscripted
  int answer;
};

const BoxCase kBoxes[] = {
    {"warning", vm4k2ui::ShowWarningMessage, false, 2040, "That name is taken.", "Warning", 0x30, 0, IDOK},
    {"dialog warning", vm4k2ui::ShowDialogWarningMessage, true, 2045, "That is not a bitmap.", "Warning", 0x30, 0,
     IDOK},
    {"error", vm4k2ui::ShowErrorMessage, false, 2040, "That name is taken.", "Error", 0x10, 0, IDOK},
    {"question answered yes", vm4k2ui::AskYesNo, false, 5010, "That name exists already. Replace it?", "Warning", 0x34,
     IDYES, IDYES},
    {"question answered no", vm4k2ui::AskYesNo, false, 5010, "That name exists already. Replace it?", "Warning", 0x34,
     IDNO, IDNO},
    {"a missing text", vm4k2ui::ShowWarningMessage, false, 4011, "id:4011 missing!", "Warning", 0x30, 0, IDOK},
};

void CheckBoxes(MessageBoxesTest* test, HWND page, HWND dialog, UINT added) {
  for (const BoxCase& c : kBoxes) {
    SCOPED_TRACE(c.what);
    std::u16string text(c.text, c.text + std::string(c.text).size());
    if (c.queued != 0) PlatformTest_QueueBoxAnswer(nullptr, text.c_str(), nullptr, c.queued, 0);
    EXPECT_EQ(c.show(c.dialogOwner ? dialog : page, c.textId), c.answer);
    const std::string line = std::string("\"text\":\"") + c.text + "\",\"caption\":\"" + c.caption +
                             "\",\"style\":" + std::to_string(c.style | added) + ",\"answer\":" +
                             std::to_string(c.answer);
    const std::string log = sheetstest::CallLog();
    EXPECT_NE(log.rfind(line), std::string::npos) << line << "\n" << log;
  }
  (void)test;
}

TEST_F(MessageBoxesTest, EachBoxTakesItsTextsFromTheOwnersContext) {
  vm4k2ui::DialogParameter record{1, context_.get()};
  HWND dialog = CreatePage(sheetstest::PlainPageProc);
  ASSERT_NE(dialog, nullptr);
  vm4k2ui::StoreDialogRecord(dialog, &record);
  SetLanguage(u"English");
  CheckBoxes(this, page_, dialog, 0);
  DestroyWindow(dialog);
}

TEST_F(MessageBoxesTest, AnArabicUserInterfaceReadsEveryBoxFromTheRight) {
  vm4k2ui::DialogParameter record{0, context_.get()};
  HWND dialog = CreatePage(sheetstest::PlainPageProc);
  ASSERT_NE(dialog, nullptr);
  vm4k2ui::StoreDialogRecord(dialog, &record);
  SetLanguage(u"Arabic");
  CheckBoxes(this, page_, dialog, 0x180000);
  DestroyWindow(dialog);
}

TEST_F(MessageBoxesTest, AnOwnerWithoutAContextShowsTheMissingTexts) {
  EXPECT_EQ(vm4k2ui::ShowWarningMessage(nullptr, 2040), IDOK);
  EXPECT_NE(sheetstest::CallLog().find("\"text\":\"id:2040 missing!\",\"caption\":\"id:2000 missing!\""),
            std::string::npos);
}

}  // namespace
