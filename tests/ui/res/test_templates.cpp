// The satellites' dialog templates: every control the pages and dialogs address is there, with
// the class and the style bits their code relies on.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "satellite_fixture.h"

namespace {

using satellitetest::DialogTemplateBytes;
using satellitetest::TemplateControl;

class Satellites : public satellitetest::SatelliteTest {};

// What the code expects of a control; each kind names the class and the style bits that matter.
enum class Kind {
  Label,      // a static text or group box: present is enough
  Push,       // BS_PUSHBUTTON or BS_DEFPUSHBUTTON
  Check,      // BS_CHECKBOX: not automatic, the page toggles it
  Radio,      // BS_RADIOBUTTON: not automatic, the page selects it
  Picture,    // SS_OWNERDRAW static, drawn on WM_DRAWITEM
  Icon,       // SS_ICON static without SS_NOTIFY, so mouse moves reach the page
  Link,       // a static with SS_NOTIFY that reports clicks
  Edit,       // an edit control
  Typed,      // CBS_DROPDOWN: the user types into it
  Choice,     // CBS_DROPDOWNLIST
  List,       // LBS_NOTIFY list box
  DrawnList,  // LBS_OWNERDRAWFIXED | LBS_HASSTRINGS list box
  Spin,       // msctls_updown32 without UDS_SETBUDDYINT
};

struct Row {
  WORD dialog;
  DWORD control;
  Kind kind;
};

constexpr WORD kBasic = 111, kPaper = 693, kLayout = 626, kWatermark = 645, kDevice = 651;
constexpr WORD kTextEditor = 646, kBitmapDialog = 647, kCustomPaper = 657, kFonts = 1056;

// Taken from the pages' tables: control texts, help tables, no-permission lists, pictures,
// warning icons and the controls their state objects attach.
const Row kRows[] = {
    // Basic page.
    {kBasic, 1008, Kind::Check},    {kBasic, 1009, Kind::Typed},    {kBasic, 1018, Kind::Label},
    {kBasic, 1019, Kind::Edit},     {kBasic, 1020, Kind::Spin},     {kBasic, 1022, Kind::Picture},
    {kBasic, 1028, Kind::Label},    {kBasic, 1032, Kind::Picture},  {kBasic, 1033, Kind::Picture},
    {kBasic, 1064, Kind::Push},     {kBasic, 1066, Kind::Picture},  {kBasic, 1125, Kind::Radio},
    {kBasic, 1174, Kind::Picture},  {kBasic, 1176, Kind::Picture},  {kBasic, 1181, Kind::Push},
    {kBasic, 1182, Kind::Push},     {kBasic, 1240, Kind::Radio},    {kBasic, 1241, Kind::Radio},
    {kBasic, 1242, Kind::Radio},    {kBasic, 1243, Kind::Radio},    {kBasic, 1255, Kind::Label},
    {kBasic, 1387, Kind::Picture},  {kBasic, 1394, Kind::Check},    {kBasic, 1395, Kind::Label},
    {kBasic, 1396, Kind::Label},    {kBasic, 1397, Kind::Label},    {kBasic, 1398, Kind::Label},
    {kBasic, 1400, Kind::Label},    {kBasic, 1404, Kind::Choice},   {kBasic, 1414, Kind::Label},
    {kBasic, 1447, Kind::Icon},     {kBasic, 1448, Kind::Icon},
    // Paper page.
    {kPaper, 1009, Kind::Choice},   {kPaper, 1028, Kind::Label},    {kPaper, 1030, Kind::Label},
    {kPaper, 1064, Kind::Push},     {kPaper, 1125, Kind::Radio},    {kPaper, 1240, Kind::Radio},
    {kPaper, 1315, Kind::Picture},  {kPaper, 1318, Kind::Picture},  {kPaper, 1387, Kind::Picture},
    {kPaper, 1393, Kind::Choice},   {kPaper, 1400, Kind::Label},    {kPaper, 1401, Kind::Label},
    {kPaper, 1402, Kind::Label},    {kPaper, 1403, Kind::Label},    {kPaper, 1404, Kind::Choice},
    {kPaper, 1407, Kind::Push},     {kPaper, 1446, Kind::Icon},     {kPaper, 1449, Kind::Icon},
    {kPaper, 1450, Kind::Icon},
    // Layout page.
    {kLayout, 1015, Kind::Label},   {kLayout, 1025, Kind::Edit},    {kLayout, 1043, Kind::Label},
    {kLayout, 1044, Kind::Choice},  {kLayout, 1046, Kind::Choice},  {kLayout, 1047, Kind::Label},
    {kLayout, 1064, Kind::Push},    {kLayout, 1067, Kind::Picture}, {kLayout, 1125, Kind::Radio},
    {kLayout, 1240, Kind::Radio},   {kLayout, 1388, Kind::Picture}, {kLayout, 1393, Kind::Choice},
    {kLayout, 1394, Kind::Choice},  {kLayout, 1408, Kind::Label},   {kLayout, 1409, Kind::Label},
    {kLayout, 1410, Kind::Label},   {kLayout, 1411, Kind::Label},   {kLayout, 1414, Kind::Check},
    {kLayout, 1415, Kind::Check},   {kLayout, 1437, Kind::Label},   {kLayout, 1443, Kind::Label},
    {kLayout, 1452, Kind::Icon},
    // Watermark page.
    {kWatermark, 1009, Kind::Choice},  {kWatermark, 1010, Kind::Typed},   {kWatermark, 1064, Kind::Push},
    {kWatermark, 1066, Kind::Push},    {kWatermark, 1145, Kind::List},    {kWatermark, 1182, Kind::Push},
    {kWatermark, 1185, Kind::Push},    {kWatermark, 1186, Kind::Push},    {kWatermark, 1192, Kind::Label},
    {kWatermark, 1193, Kind::Picture}, {kWatermark, 1195, Kind::Check},   {kWatermark, 1196, Kind::Label},
    {kWatermark, 1199, Kind::Edit},    {kWatermark, 1220, Kind::Label},   {kWatermark, 1221, Kind::Label},
    {kWatermark, 1350, Kind::Picture}, {kWatermark, 1394, Kind::Check},   {kWatermark, 1417, Kind::Picture},
    {kWatermark, 1418, Kind::Picture}, {kWatermark, 1419, Kind::Picture}, {kWatermark, 1453, Kind::Label},
    {kWatermark, 1454, Kind::Radio},   {kWatermark, 1455, Kind::Radio},   {kWatermark, 1456, Kind::Label},
    // Device page.
    {kDevice, 1248, Kind::Label},   {kDevice, 1249, Kind::Label},   {kDevice, 1252, Kind::Label},
    {kDevice, 1255, Kind::Link},    {kDevice, 1387, Kind::Label},   {kDevice, 1393, Kind::Choice},
    {kDevice, 1444, Kind::Label},   {kDevice, 1447, Kind::Label},   {kDevice, 1448, Kind::Label},
    {kDevice, 1455, Kind::Push},
    // Text watermark editor.
    {kTextEditor, 1, Kind::Push},         {kTextEditor, 2, Kind::Push},         {kTextEditor, 1009, Kind::Choice},
    {kTextEditor, 1010, Kind::Choice},    {kTextEditor, 1112, Kind::Push},      {kTextEditor, 1125, Kind::Radio},
    {kTextEditor, 1153, Kind::Label},     {kTextEditor, 1166, Kind::Label},     {kTextEditor, 1173, Kind::Edit},
    {kTextEditor, 1176, Kind::Push},      {kTextEditor, 1193, Kind::Picture},   {kTextEditor, 1214, Kind::Label},
    {kTextEditor, 1218, Kind::Edit},      {kTextEditor, 1219, Kind::Label},     {kTextEditor, 1220, Kind::Label},
    {kTextEditor, 1221, Kind::Label},     {kTextEditor, 1228, Kind::Edit},      {kTextEditor, 1229, Kind::Spin},
    {kTextEditor, 1230, Kind::Label},     {kTextEditor, 1237, Kind::Edit},      {kTextEditor, 1238, Kind::Spin},
    {kTextEditor, 1239, Kind::Edit},      {kTextEditor, 1240, Kind::Radio},     {kTextEditor, 1243, Kind::Check},
    {kTextEditor, 1244, Kind::Check},     {kTextEditor, 1245, Kind::Spin},      {kTextEditor, 1350, Kind::Picture},
    {kTextEditor, 1393, Kind::Choice},    {kTextEditor, 1417, Kind::Picture},   {kTextEditor, 1418, Kind::Picture},
    {kTextEditor, 1430, Kind::Label},     {kTextEditor, 1431, Kind::Label},     {kTextEditor, 1432, Kind::Label},
    {kTextEditor, 1433, Kind::Label},     {kTextEditor, 1434, Kind::Picture},   {kTextEditor, 1451, Kind::Label},
    // Bitmap watermark dialog.
    {kBitmapDialog, 1, Kind::Push},       {kBitmapDialog, 2, Kind::Push},       {kBitmapDialog, 1112, Kind::Push},
    {kBitmapDialog, 1165, Kind::Label},   {kBitmapDialog, 1173, Kind::Edit},    {kBitmapDialog, 1193, Kind::Picture},
    {kBitmapDialog, 1206, Kind::Label},   {kBitmapDialog, 1207, Kind::Edit},    {kBitmapDialog, 1208, Kind::Push},
    {kBitmapDialog, 1209, Kind::Check},   {kBitmapDialog, 1240, Kind::Radio},   {kBitmapDialog, 1350, Kind::Picture},
    {kBitmapDialog, 1435, Kind::Picture}, {kBitmapDialog, 1436, Kind::Picture},
    // Custom paper size dialog.
    {kCustomPaper, 1, Kind::Push},        {kCustomPaper, 2, Kind::Push},        {kCustomPaper, 1009, Kind::Typed},
    {kCustomPaper, 1064, Kind::Push},     {kCustomPaper, 1109, Kind::Label},    {kCustomPaper, 1110, Kind::Radio},
    {kCustomPaper, 1111, Kind::Radio},    {kCustomPaper, 1112, Kind::Push},     {kCustomPaper, 1165, Kind::Label},
    {kCustomPaper, 1266, Kind::DrawnList}, {kCustomPaper, 1267, Kind::Label},   {kCustomPaper, 1268, Kind::Label},
    {kCustomPaper, 1270, Kind::Spin},     {kCustomPaper, 1271, Kind::Label},    {kCustomPaper, 1273, Kind::Spin},
    {kCustomPaper, 1358, Kind::Edit},     {kCustomPaper, 1417, Kind::Push},     {kCustomPaper, 1420, Kind::Label},
    {kCustomPaper, 1421, Kind::Push},     {kCustomPaper, 1442, Kind::Edit},
    // Font substitution dialog: the font list reports its selection and draws its rows.
    {kFonts, 1, Kind::Push},              {kFonts, 2, Kind::Push},              {kFonts, 1009, Kind::Choice},
    {kFonts, 1064, Kind::Push},           {kFonts, 1112, Kind::Push},           {kFonts, 1446, Kind::DrawnList},
    {kFonts, 1446, Kind::List},           {kFonts, 1449, Kind::Label},          {kFonts, 1450, Kind::Label},
    {kFonts, 1451, Kind::Label},          {kFonts, 1452, Kind::Label},
};

constexpr DWORD kButtonType = 0xF, kStaticType = 0x1F, kComboType = 0x3;

// Empty when the control fits its kind, else what is wrong.
std::string Mismatch(const TemplateControl& c, Kind kind) {
  // Class names compare without case, as the window manager compares them.
  auto is = [&](std::u16string_view cls) {
    if (cls.size() != c.className.size()) return false;
    for (size_t i = 0; i < cls.size(); ++i) {
      auto lower = [](char16_t ch) { return ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch + 32) : ch; };
      if (lower(cls[i]) != lower(c.className[i])) return false;
    }
    return true;
  };
  const DWORD button = c.style & kButtonType, stat = c.style & kStaticType;
  switch (kind) {
    case Kind::Label:
      return is(u"Static") || (is(u"Button") && button == 7) ? "" : "not a text or group box";
    case Kind::Push:
      return is(u"Button") && button <= 1 ? "" : "not a push button";
    case Kind::Check:
      return is(u"Button") && button == 2 ? "" : "not a non-automatic check box";
    case Kind::Radio:
      return is(u"Button") && button == 4 ? "" : "not a non-automatic radio button";
    case Kind::Picture:
      return is(u"Static") && stat == 0xD ? "" : "not an owner-drawn static";
    case Kind::Icon:
      if (!is(u"Static") || stat != 0x3) return "not an icon static";
      return (c.style & 0x100) ? "notifies, so the page misses mouse moves" : "";
    case Kind::Link:
      return is(u"Static") && (c.style & 0x100) ? "" : "not a notifying static";
    case Kind::Edit:
      return is(u"Edit") ? "" : "not an edit";
    case Kind::Typed:
      return is(u"ComboBox") && (c.style & kComboType) == 2 ? "" : "not an editable drop-down combo";
    case Kind::Choice:
      return is(u"ComboBox") && (c.style & kComboType) == 3 ? "" : "not a drop-down list";
    case Kind::List:
      return is(u"ListBox") && (c.style & 0x1) ? "" : "not a notifying list box";
    case Kind::DrawnList:
      return is(u"ListBox") && (c.style & 0x50) == 0x50 ? "" : "not an owner-drawn list with strings";
    case Kind::Spin:
      if (!is(u"msctls_updown32")) return "not an up-down";
      return (c.style & 0x2) ? "writes its buddy (UDS_SETBUDDYINT)" : "";
  }
  return "unknown kind";
}

class Templates : public satellitetest::SatelliteTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Templates, EveryAddressedControlHasItsClassAndStyle) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  for (const Row& row : kRows) {
    std::optional<DialogTemplateBytes> dialog = Template(satellite, row.dialog);
    ASSERT_TRUE(dialog.has_value()) << "template " << row.dialog;
    const TemplateControl* control = dialog->Find(row.control);
    if (!control) {
      ADD_FAILURE() << "template " << row.dialog << " lacks control " << row.control;
      continue;
    }
    EXPECT_EQ(Mismatch(*control, row.kind), "") << "template " << row.dialog << " control " << row.control;
  }
  FreeLibrary(satellite);
}

TEST_P(Templates, PagesAreChildFramesOfOneSize) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  for (WORD id : {kBasic, kPaper, kLayout, kWatermark, kDevice}) {
    std::optional<DialogTemplateBytes> page = Template(satellite, id);
    ASSERT_TRUE(page.has_value()) << id;
    EXPECT_EQ(page->cx, 252) << id;
    EXPECT_EQ(page->cy, 218) << id;
    EXPECT_TRUE(page->style & 0x40000000L) << id << " is not a child window";
    // Control ids are unique within a template, so GetDlgItem finds the one the code means.
    for (size_t i = 0; i < page->controls.size(); ++i)
      for (size_t j = i + 1; j < page->controls.size(); ++j)
        if (page->controls[i].id != 0xFFFF && page->controls[i].id != 0xFFFFFFFF) {
          EXPECT_NE(page->controls[i].id, page->controls[j].id) << "template " << id;
        }
  }
  FreeLibrary(satellite);
}

TEST_P(Templates, DialogsArePopupsWithUniqueIds) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  for (WORD id : {kTextEditor, kBitmapDialog, kCustomPaper, kFonts}) {
    std::optional<DialogTemplateBytes> dialog = Template(satellite, id);
    ASSERT_TRUE(dialog.has_value()) << id;
    EXPECT_TRUE(dialog->style & 0x80000000L) << id << " is not a pop-up";
    EXPECT_FALSE(dialog->style & 0x40000000L) << id << " is a child window";
    for (size_t i = 0; i < dialog->controls.size(); ++i)
      for (size_t j = i + 1; j < dialog->controls.size(); ++j)
        if (dialog->controls[i].id != 0xFFFF && dialog->controls[i].id != 0xFFFFFFFF) {
          EXPECT_NE(dialog->controls[i].id, dialog->controls[j].id) << "template " << id;
        }
  }
  FreeLibrary(satellite);
}

INSTANTIATE_TEST_SUITE_P(Satellites, Templates, ::testing::Values("vm4k2enus.dll", "vm4k2ar.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

// The Arabic dialogs are mirrored, the English ones are not.
TEST_F(Satellites, OnlyTheArabicDialogsReadRightToLeft) {
  HMODULE english = Load(std::string(SATELLITE_DIR) + "/vm4k2enus.dll");
  HMODULE arabic = Load(std::string(SATELLITE_DIR) + "/vm4k2ar.dll");
  ASSERT_NE(english, nullptr);
  ASSERT_NE(arabic, nullptr);
  for (WORD id : {kBasic, kPaper, kLayout, kWatermark, kDevice, kTextEditor, kBitmapDialog, kCustomPaper, kFonts}) {
    EXPECT_EQ(Template(english, id)->exStyle & 0x00400000L, 0u) << id;
    EXPECT_NE(Template(arabic, id)->exStyle & 0x00400000L, 0u) << id;
  }
  FreeLibrary(english);
  FreeLibrary(arabic);
}

}  // namespace
