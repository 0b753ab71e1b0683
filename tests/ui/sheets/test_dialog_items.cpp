// The control wrappers on a live page: what the user types or the page sets, what the edit
// then shows, what it remembers, where the focus is, and what the checks answer.
#include <map>
#include <string>

#include <win/commctrl.h>

#include "comma_mode.h"
#include "sheets_fixture.h"
#include "ui/sheets/dialog_items.h"

namespace {

using vm4k2ui::DlgFloatEdit;
using vm4k2ui::DlgIntEdit;
using vm4k2ui::NumberLimits;

constexpr int kIntEditId = 1019;
constexpr int kIntUpDownId = 1020;
constexpr int kAngleEditId = 1030;
constexpr int kAngleUpDownId = 1031;
constexpr int kFloatEditId = 1040;
constexpr int kFloatUpDownId = 1041;

// The page routes its edits' EN_CHANGE and its up-downs' UDN_DELTAPOS to the wrappers, as
// every page does.
std::map<int, vm4k2ui::DlgIntEdit*> g_intEdits;
std::map<int, vm4k2ui::DlgFloatEdit*> g_floatEdits;
std::map<int, vm4k2ui::DlgUpDown*> g_upDowns;
std::vector<bool> g_steps;

INT_PTR CALLBACK WrapperPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE) {
        const int id = LOWORD(wParam);
        if (g_intEdits.count(id)) g_intEdits[id]->OnChange();
        if (g_floatEdits.count(id)) g_floatEdits[id]->OnChange();
      }
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == UDN_DELTAPOS && g_upDowns.count(static_cast<int>(header->idFrom))) {
        g_steps.push_back(g_upDowns[static_cast<int>(header->idFrom)]->OnDeltaPos(
            reinterpret_cast<const NMUPDOWN*>(lParam)));
        // The wrapper wrote the buddy; the control keeps no position of its own.
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 1);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

class WrapperTest : public sheetstest::SheetsFixture {
 protected:
  void SetUp() override {
    SheetsFixture::SetUp();
    g_intEdits.clear();
    g_floatEdits.clear();
    g_upDowns.clear();
    g_steps.clear();
    wrapped_ = CreatePage(WrapperPageProc);
    ASSERT_NE(wrapped_, nullptr);
    vm4k2ui::StorePageContext(wrapped_, context_.get());
  }
  void TearDown() override {
    if (IsWindow(wrapped_)) DestroyWindow(wrapped_);
    SheetsFixture::TearDown();
  }
  HWND Control(int id) const { return GetDlgItem(wrapped_, id); }
  std::u16string Shown(int id) const {
    WCHAR text[300] = {};
    GetWindowTextW(Control(id), text, 300);
    return text;
  }
  void AttachInt(DlgIntEdit& edit, int id, const NumberLimits& limits) {
    ASSERT_TRUE(edit.Attach(wrapped_, id));
    edit.SetLimits(limits);
    g_intEdits[id] = &edit;
  }
  void AttachFloat(DlgFloatEdit& edit, int id, const NumberLimits& limits) {
    ASSERT_TRUE(edit.Attach(wrapped_, id));
    edit.SetLimits(limits);
    g_floatEdits[id] = &edit;
  }
  // The user clicks the up (true) or down arrow of a vertical up-down.
  void ClickArrow(int id, bool up) {
    RECT box{};
    GetClientRect(Control(id), &box);
    PlatformTest_ClickAt(Control(id), box.right / 2, up ? 1 : box.bottom - 2);
  }
  HWND wrapped_ = nullptr;
};

const NumberLimits kCopies{999.0001f, 0.9999f, 0, 3, false};
const NumberLimits kAngle{90.0001f, -90.0001f, 0, 3, true};

struct EditCase {
  const char* what;
  const char16_t* before;  // set as the page would (SetValue's text), then remembered
  const char16_t* typed;   // typed at the end of the text; nullptr: Validate instead
  const char16_t* shown;
  const char16_t* accepted;
  bool focused;
  int result;  // Validate's answer (typing: 0)
};

TEST_F(WrapperTest, TheCopiesEditWhileTypingAndOnValidate) {
  const EditCase cases[] = {
      {"a digit is accepted while typing", u"", u"9", u"9", u"9", false, 0},
      {"a fourth digit is refused", u"123", u"4", u"123", u"123", true, 0},
      {"a letter brings the last text back", u"12", u"x", u"12", u"12", true, 0},
      {"a minus is no digit here", u"12", u"-", u"12", u"12", true, 0},
      {"0 is left alone while typing", u"", u"0", u"0", u"0", false, 0},
      {"Validate of 0 shows the smallest whole copy count", u"0", nullptr, u"1", u"1", false, 1},
      {"Validate of 999 succeeds", u"999", nullptr, u"999", u"999", false, 1},
      {"Validate of a blank text brings the last back", u"7", nullptr, u"7", u"7", false, 1},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.what);
    DlgIntEdit edit;
    AttachInt(edit, kIntEditId, kCopies);
    SetFocus(Control(kFloatEditId));
    SetWindowTextW(Control(kIntEditId), c.before);
    int result = 0;
    if (c.typed != nullptr) {
      SendMessageW(Control(kIntEditId), EM_SETSEL, 999, -1);
      PlatformTest_Type(Control(kIntEditId), c.typed);
      if (!c.focused) SetFocus(Control(kFloatEditId));
    } else {
      if (std::string(c.what).find("blank") != std::string::npos) SetWindowTextW(Control(kIntEditId), u"  ");
      result = edit.Validate();
    }
    EXPECT_EQ(Shown(kIntEditId), c.shown);
    EXPECT_EQ(std::u16string(edit.lastAccepted()), c.accepted);
    EXPECT_EQ(GetFocus() == Control(kIntEditId), c.focused);
    EXPECT_EQ(result, c.result);
  }
}

TEST_F(WrapperTest, TheIntegerClampUsesTheIntegersWithinFloatLimits) {
  DlgIntEdit edit;
  AttachInt(edit, kIntEditId, kCopies);
  EXPECT_EQ(edit.LowestValue(), 1) << "0.9999 + 0.0001 truncated could give 0";
  EXPECT_EQ(edit.HighestValue(), 999);
  SetWindowTextW(Control(kIntEditId), u"0");
  EXPECT_EQ(edit.Validate(), 1);
  int value = 0;
  ASSERT_TRUE(edit.ReadValue(&value));
  EXPECT_EQ(value, 1);
}

TEST_F(WrapperTest, TheCopiesUpDownStopsAtItsLimits) {
  DlgIntEdit edit;
  AttachInt(edit, kIntEditId, kCopies);
  vm4k2ui::DlgIntUpDown upDown;
  ASSERT_TRUE(upDown.Attach(wrapped_, kIntUpDownId));
  upDown.BindBuddy(&edit);
  g_upDowns[kIntUpDownId] = &upDown;

  edit.SetValue(998);
  EXPECT_TRUE(upDown.Step(true));
  EXPECT_EQ(Shown(kIntEditId), u"999");
  EXPECT_FALSE(upDown.Step(true)) << "999 is the most";
  EXPECT_EQ(Shown(kIntEditId), u"999");
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(Control(kIntEditId), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 3u) << "the caret is at the end";

  edit.SetValue(2);
  ClickArrow(kIntUpDownId, false);
  ClickArrow(kIntUpDownId, false);
  EXPECT_EQ(Shown(kIntEditId), u"1") << "1 is the least";
  ClickArrow(kIntUpDownId, true);
  EXPECT_EQ(Shown(kIntEditId), u"2") << "the default range's up arrow counts up";
  EXPECT_EQ(g_steps, (std::vector<bool>{true, false, true}));

  SetWindowTextW(Control(kIntEditId), u"");
  EXPECT_FALSE(upDown.Step(true)) << "no value, no step";
  UDACCEL acceleration[2] = {};
  EXPECT_EQ(SendMessageW(Control(kIntUpDownId), UDM_GETACCEL, 2, reinterpret_cast<LPARAM>(acceleration)), 1);
  EXPECT_EQ(acceleration[0].nSec, 200u);
  EXPECT_EQ(acceleration[0].nInc, 1u);
}

TEST_F(WrapperTest, ASignedEditTakesAMinusWhileTypingButNotOnValidate) {
  DlgIntEdit edit;
  AttachInt(edit, kAngleEditId, kAngle);
  SetWindowTextW(Control(kAngleEditId), u"");
  PlatformTest_Type(Control(kAngleEditId), u"-");
  EXPECT_EQ(Shown(kAngleEditId), u"-");
  EXPECT_EQ(edit.Validate(), -1);
  EXPECT_EQ(GetFocus(), Control(kAngleEditId));
  PlatformTest_Type(Control(kAngleEditId), u"45");
  EXPECT_EQ(Shown(kAngleEditId), u"-45");
  EXPECT_EQ(edit.Validate(), 1);
  int value = 0;
  ASSERT_TRUE(edit.ReadValue(&value));
  EXPECT_EQ(value, -45);
  PlatformTest_Type(Control(kAngleEditId), u"9");
  EXPECT_EQ(Shown(kAngleEditId), u"-45") << "a fourth character";
  SetWindowTextW(Control(kAngleEditId), u"-95");
  EXPECT_EQ(Shown(kAngleEditId), u"-90") << "beyond the least shows the least";
}

TEST_F(WrapperTest, AnAngleUpDownWithAnExplicitRangeStepsTheRightWay) {
  DlgIntEdit edit;
  AttachInt(edit, kAngleEditId, kAngle);
  vm4k2ui::DlgIntUpDown upDown;
  ASSERT_TRUE(upDown.Attach(wrapped_, kAngleUpDownId));
  upDown.BindBuddy(&edit);
  g_upDowns[kAngleUpDownId] = &upDown;
  SendMessageW(Control(kAngleUpDownId), UDM_SETRANGE32, static_cast<WPARAM>(-90), 90);
  edit.SetValue(10);
  ClickArrow(kAngleUpDownId, true);
  EXPECT_EQ(Shown(kAngleEditId), u"11");
  ClickArrow(kAngleUpDownId, false);
  ClickArrow(kAngleUpDownId, false);
  EXPECT_EQ(Shown(kAngleEditId), u"9");
  EXPECT_TRUE(upDown.DeltaMeansUp(1));
  EXPECT_FALSE(upDown.DeltaMeansUp(-1));
}

TEST_F(WrapperTest, DecimalEditsWriteAndReadTheirDecimals) {
  DlgFloatEdit edit;
  AttachFloat(edit, kFloatEditId, NumberLimits{355.6f, 76.2f, 1, 6, false});
  edit.SetValue(12.5);
  EXPECT_EQ(Shown(kFloatEditId), u"12.5");
  edit.SetValue(210);
  EXPECT_EQ(Shown(kFloatEditId), u"210.0");
  double value = 0;
  SetWindowTextW(Control(kFloatEditId), u" 99.9 ");
  ASSERT_TRUE(edit.ReadValue(&value));
  EXPECT_DOUBLE_EQ(value, 99.9);
  // Read as they stand, with the page not routing the edit's changes.
  g_floatEdits.erase(kFloatEditId);
  SetWindowTextW(Control(kFloatEditId), u"9 9");
  EXPECT_FALSE(edit.ReadValue(&value));
  SetWindowTextW(Control(kFloatEditId), u"99.95");
  EXPECT_FALSE(edit.ReadValue(&value)) << "two decimals in a one-decimal edit";
  g_floatEdits[kFloatEditId] = &edit;
  SetWindowTextW(Control(kFloatEditId), u"99.95");
  EXPECT_EQ(Shown(kFloatEditId), u" 99.9 ") << "a refused text brings the last accepted one back";

  SetWindowTextW(Control(kFloatEditId), u"400");
  EXPECT_EQ(edit.Validate(), 1);
  EXPECT_EQ(Shown(kFloatEditId), u"355.6");
  SetWindowTextW(Control(kFloatEditId), u"50");
  EXPECT_EQ(edit.Validate(), 1);
  EXPECT_EQ(Shown(kFloatEditId), u"76.2");
}

TEST_F(WrapperTest, ANegativeDecimalReadsBackWhole) {
  DlgFloatEdit edit;
  AttachFloat(edit, kFloatEditId, NumberLimits{90.0f, -90.0f, 0, 3, true});
  SetWindowTextW(Control(kFloatEditId), u"-45");
  double value = 0;
  ASSERT_TRUE(edit.ReadValue(&value));
  EXPECT_EQ(static_cast<int>(value), -45) << "a bias toward zero would truncate to -44";
  AttachFloat(edit, kFloatEditId, NumberLimits{999.0f, 0.0f, 2, 6, false});
  SetWindowTextW(Control(kFloatEditId), u"8.29");
  ASSERT_TRUE(edit.ReadValue(&value));
  EXPECT_EQ(static_cast<int>(value * 100 + 0.5), 829);
}

TEST_F(WrapperTest, TheDecimalUpDownStepsByOneTenth) {
  DlgFloatEdit edit;
  AttachFloat(edit, kFloatEditId, NumberLimits{12.6f, 12.4f, 1, 6, false});
  vm4k2ui::DlgFloatUpDown upDown;
  ASSERT_TRUE(upDown.Attach(wrapped_, kFloatUpDownId));
  upDown.BindBuddy(&edit);
  edit.SetValue(12.5);
  EXPECT_TRUE(upDown.Step(true));
  EXPECT_EQ(Shown(kFloatEditId), u"12.6");
  EXPECT_FALSE(upDown.Step(true));
  EXPECT_TRUE(upDown.Step(false));
  EXPECT_TRUE(upDown.Step(false));
  EXPECT_EQ(Shown(kFloatEditId), u"12.4");
  EXPECT_FALSE(upDown.Step(false));
}

TEST_F(WrapperTest, UnderTheDecimalCommaTheCommaIsTheSeparator) {
  IN_DECIMAL_COMMA_MODE({
    DlgFloatEdit edit;
    AttachFloat(edit, kFloatEditId, NumberLimits{355.6f, 0.0f, 1, 6, false});
    edit.SetValue(12.5);
    EXPECT_EQ(Shown(kFloatEditId), u"12,5");
    double value = 0;
    EXPECT_TRUE(edit.ReadValue(&value));
    EXPECT_DOUBLE_EQ(value, 12.5);
    PlatformTest_Type(Control(kFloatEditId), u".");
    EXPECT_EQ(Shown(kFloatEditId), u"12,5") << "a point is refused";
    SetWindowTextW(Control(kFloatEditId), u"");
    PlatformTest_Type(Control(kFloatEditId), u"7,2");
    EXPECT_EQ(Shown(kFloatEditId), u"7,2");
    EXPECT_EQ(std::u16string(edit.lastAccepted()), u"7,2");
  });
}

TEST_F(WrapperTest, CheckButtonsCarryTheirDependents) {
  vm4k2ui::DlgCheckButton box;
  vm4k2ui::DlgTextEdit name;
  ASSERT_TRUE(box.Attach(wrapped_, 1060));
  ASSERT_TRUE(name.Attach(wrapped_, 1050));
  box.AddDependent(&name);

  box.SetChecked(true);
  EXPECT_EQ(IsDlgButtonChecked(wrapped_, 1060), static_cast<UINT>(BST_CHECKED));
  EXPECT_TRUE(IsWindowEnabled(Control(1050)));
  box.SetChecked(false);
  EXPECT_FALSE(IsWindowEnabled(Control(1050)));
  EnableWindow(Control(1050), TRUE);
  box.SetChecked(false);
  EXPECT_TRUE(IsWindowEnabled(Control(1050))) << "no change, nothing done";

  box.Enable(TRUE);
  EXPECT_FALSE(IsWindowEnabled(Control(1050))) << "an unchecked box keeps its dependents off";
  box.SetChecked(true);
  box.Enable(FALSE);
  EXPECT_FALSE(IsWindowEnabled(Control(1050)));
  EXPECT_FALSE(IsWindowEnabled(Control(1060)));
  box.Enable(TRUE);
  EXPECT_TRUE(IsWindowEnabled(Control(1050)));
  EXPECT_TRUE(IsWindowEnabled(Control(1060)));

  EXPECT_FALSE(box.SelectByKey(1061));
  EXPECT_FALSE(IsWindowEnabled(Control(1050)));
  EXPECT_TRUE(box.SelectByKey(1060));
  EXPECT_TRUE(IsWindowEnabled(Control(1050)));
}

TEST_F(WrapperTest, ARadioGroupChecksOneMember) {
  vm4k2ui::DlgCheckButton one, two, three;
  vm4k2ui::DlgIntEdit dependent;
  vm4k2ui::DlgRadioGroup group;
  ASSERT_TRUE(one.Attach(wrapped_, 1061));
  ASSERT_TRUE(two.Attach(wrapped_, 1062));
  ASSERT_TRUE(three.Attach(wrapped_, 1063));
  ASSERT_TRUE(dependent.Attach(wrapped_, kIntEditId));
  two.AddDependent(&dependent);
  group.AddMember(&one);
  group.AddMember(&two);
  group.AddMember(&three);
  group.SelectByKey(1062);
  EXPECT_EQ(IsDlgButtonChecked(wrapped_, 1061), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(IsDlgButtonChecked(wrapped_, 1062), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(wrapped_, 1063), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_TRUE(IsWindowEnabled(Control(kIntEditId)));
  group.SelectByKey(1063);
  EXPECT_EQ(IsDlgButtonChecked(wrapped_, 1062), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(IsDlgButtonChecked(wrapped_, 1063), static_cast<UINT>(BST_CHECKED));
  EXPECT_FALSE(IsWindowEnabled(Control(kIntEditId)));
  group.Enable(FALSE);
  for (int id : {1061, 1062, 1063}) EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;
}

TEST_F(WrapperTest, TextWrappers) {
  vm4k2ui::DlgTextEdit name;
  ASSERT_TRUE(name.Attach(wrapped_, 1050));
  name.SetMaxLength(5);
  WCHAR text[vm4k2ui::kItemTextUnits];
  struct Case {
    const char16_t* text;
    int length;
    int valid;
  } cases[] = {{u"  Office ", 6, -1}, {u" Home ", 4, 1}, {u"   ", 0, -1}, {u"abcde", 5, 1}};
  for (const Case& c : cases) {
    SetFocus(Control(1019));
    name.SetText(c.text);
    EXPECT_EQ(name.GetText(text), c.length);
    EXPECT_EQ(name.Validate(), c.valid);
    EXPECT_EQ(GetFocus() == Control(1050), c.valid < 0);
  }
  name.SetText(nullptr);
  EXPECT_EQ(Shown(1050), u"abcde");

  vm4k2ui::DlgTextField label;
  ASSERT_TRUE(label.Attach(wrapped_, 1090));
  EXPECT_EQ(label.GetText(text), 15);
  EXPECT_EQ(std::u16string(text), u"Template copies");
  EXPECT_EQ(label.Validate(), 0);
  vm4k2ui::DlgControl plain;
  EXPECT_FALSE(plain.Attach(wrapped_, 4242)) << "no such control";
  EXPECT_EQ(plain.id(), 4242);
  EXPECT_EQ(plain.Validate(), 1);
  EXPECT_EQ(plain.Confirm(), 1);
  plain.Enable(FALSE);  // nothing to enable, nothing done
}

TEST_F(WrapperTest, ComboAndListHelpersByClass) {
  for (int id : {1070, 1071}) {
    SCOPED_TRACE(id);
    const bool list = id == 1071;
    HWND control = Control(id);
    const char16_t* rows[] = {u"Letter", u"A4", u"Legal"};
    for (int i = 0; i < 3; ++i) {
      SendMessageW(control, list ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows[i]));
      SendMessageW(control, list ? LB_SETITEMDATA : CB_SETITEMDATA, i, 100 + i * 10);
    }
    vm4k2ui::DlgItem item;
    ASSERT_TRUE(item.Attach(wrapped_, id));
    EXPECT_EQ(item.FindItemByData(120), 2);
    EXPECT_EQ(item.FindItemByData(121), -1);
    WCHAR text[16];
    EXPECT_EQ(item.GetSelectedText(text, 16), -1) << "nothing selected";
    SendMessageW(control, list ? LB_SETCURSEL : CB_SETCURSEL, 2, 0);
    EXPECT_EQ(item.GetSelectedText(text, 16), 5);
    EXPECT_EQ(std::u16string(text), u"Legal");
    EXPECT_EQ(item.GetSelectedText(text, 5), -1) << "too small for the text";
  }
}

}  // namespace
