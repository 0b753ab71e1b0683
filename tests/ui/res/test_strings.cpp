// The satellites' strings: every string the pages and dialogs load is there in every real
// language, within the length its reader gives it, and every control-text pair finds both its
// control and its string.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/dialogs.h>
#include <win/user.h>

#include "satellite_fixture.h"

namespace {

// Strings the pages, dialogs and their messages load, by the part of the sheets that loads them.
const std::vector<UINT> kLoadedStrings = {
    // Framework messages and shared names.
    5032, 5004, 2068, 2067, 2045, 2040, 5010, 2000, 5005, 5025, 108,
    // Basic page and favourites.
    106, 2001, 202, 408, 5034, 5031, 5049, 5040, 5039, 4011, 2064, 2060, 2062, 2061, 2063,
    // Paper page: paper names, media, sources, conflicts, tips, labels.
    216, 116, 110, 118, 123, 120, 121, 122, 119, 4063, 4064, 4065, 4067, 4068, 340, 4069, 111, 109, 4070,
    411, 4072, 4073, 4074, 127, 388, 139, 4075, 334, 4076, 4017, 4018, 4019, 191, 192, 5001, 5002, 5003,
    5041, 5020, 5030, 5050, 5033, 2069, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011,
    4012, 4013, 4014, 4015, 4016,
    // Layout page: combo rows and messages.
    126, 195, 143, 144, 167, 168, 147, 4028, 4029, 165, 415, 166, 154, 155, 410, 412, 150, 151, 152, 153,
    5044, 5045, 5043,
    // Watermark page and its editors.
    142, 224, 146, 156, 157, 158, 159, 160, 161, 162, 163, 164, 148, 149, 2057, 225, 227, 242, 243, 244, 245,
    246, 247, 248, 249, 250, 251, 252, 413, 414, 415, 416, 417, 2070,
    // Custom paper dialog.
    294, 1189, 1190, 1191, 1192, 1194, 5008, 5023, 5024,
    // Device page and font substitution.
    274, 4081, 4083, 4084, 4085, 5026, 5079, 136, 137,
};

// Control texts: (template, control, string), title first with control 0.
struct TextPair {
  WORD dialog;
  DWORD control;
  UINT string;
};

const TextPair kControlTexts[] = {
    {111, 0, 106},     {111, 1181, 1201}, {111, 1182, 1202}, {111, 1018, 1006}, {111, 1008, 1010},
    {111, 1242, 3112}, {111, 1243, 3113}, {111, 1395, 4002}, {111, 1396, 4003}, {111, 1397, 4004},
    {111, 1394, 4005}, {111, 1240, 4006}, {111, 1125, 4007}, {111, 1241, 4008}, {111, 1398, 4009},
    {111, 1064, 1011}, {111, 1414, 129},
    {693, 0, 216},     {693, 1401, 4013}, {693, 1400, 1001}, {693, 1028, 1008}, {693, 1402, 4016},
    {693, 1403, 4012}, {693, 1030, 1003}, {693, 1240, 4014}, {693, 1125, 4015}, {693, 1407, 406},
    {693, 1064, 1011},
    {626, 0, 126},     {626, 1408, 4020}, {626, 1409, 4021}, {626, 1043, 1204}, {626, 1410, 4022},
    {626, 1411, 1057}, {626, 1125, 4023}, {626, 1240, 4024}, {626, 1047, 1015}, {626, 1064, 1011},
    {626, 1414, 4057}, {626, 1415, 4059}, {626, 1437, 4061},
    {645, 0, 224},     {645, 1192, 1139}, {645, 1064, 1011}, {645, 1185, 1140}, {645, 1453, 169},
    {645, 1182, 4030}, {645, 1454, 170},  {645, 1066, 1044}, {645, 1455, 171},  {645, 1195, 1142},
    {645, 1394, 172},  {645, 1220, 1156}, {645, 1221, 1157}, {645, 1456, 1456}, {645, 1196, 1143},
    {651, 0, 274},     {651, 1248, 1171}, {651, 1249, 1172}, {651, 1252, 1174}, {651, 1255, 4080},
    {651, 1447, 4086},
    {646, 0, 225},     {646, 1153, 1153}, {646, 1166, 1154}, {646, 1220, 1156}, {646, 1221, 1157},
    {646, 1219, 1226}, {646, 1230, 1168}, {646, 1214, 1229}, {646, 1, 175},     {646, 2, 176},
    {646, 1112, 1041}, {646, 1430, 4047}, {646, 1431, 4048}, {646, 1432, 4049}, {646, 1240, 4050},
    {646, 1433, 4049}, {646, 1125, 4051}, {646, 1451, 409},
    {647, 1165, 1153}, {647, 1206, 1160}, {647, 1208, 1161}, {647, 1209, 1158}, {647, 1, 175},
    {647, 2, 176},     {647, 1112, 1041},
    {657, 0, 294},     {657, 1, 175},     {657, 2, 176},     {657, 1112, 1041}, {657, 1267, 4036},
    {657, 1109, 4037}, {657, 1165, 1194}, {657, 1110, 4039}, {657, 1111, 4038}, {657, 1064, 1011},
    {657, 1268, 1189}, {657, 1271, 1191}, {657, 1420, 1194}, {657, 1421, 5023}, {657, 1417, 5024},
    {1056, 0, 136},    {1056, 1449, 130}, {1056, 1450, 135}, {1056, 1451, 133}, {1056, 1452, 134},
    {1056, 1, 175},    {1056, 2, 176},    {1056, 1112, 1041}, {1056, 1064, 1011},
};

const WORD kTemplates[] = {111, 693, 626, 645, 651, 646, 647, 657, 1056};

class Strings : public satellitetest::SatelliteTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Strings, EveryLoadedStringIsThere) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  for (UINT id : kLoadedStrings) EXPECT_FALSE(String(satellite, id).empty()) << "string " << id;
  for (const TextPair& pair : kControlTexts) EXPECT_FALSE(String(satellite, pair.string).empty()) << "string " << pair.string;
  FreeLibrary(satellite);
}

TEST_P(Strings, NamesFitTheFieldsTheyAreCopiedInto) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  struct Limit {
    UINT id;
    size_t most;
  } limits[] = {
      {146, 32}, {202, 32}, {5025, 32}, {5005, 23}, {4011, 32},  // names copied into records
      {4017, 23}, {4018, 23}, {4019, 23},                          // DC_BINNAMES
      {408, 9},                                                    // the tooltips' separator
      {5020, 63},
  };
  for (const Limit& l : limits) EXPECT_LE(String(satellite, l.id).size(), l.most) << "string " << l.id;
  // DC_PAPERNAMES gives each name 64 characters with its terminator.
  for (UINT paper : {108u, 109u, 110u, 111u, 116u, 118u, 119u, 120u, 121u, 122u, 123u, 340u, 411u, 4063u, 4064u,
                     4065u, 4067u, 4068u, 4069u, 4070u, 4072u, 4073u, 4074u})
    EXPECT_LE(String(satellite, paper).size(), 63u) << "paper " << paper;
  FreeLibrary(satellite);
}

TEST_P(Strings, EveryControlTextPairFindsItsControl) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  for (const TextPair& pair : kControlTexts) {
    if (pair.control == 0) continue;
    std::optional<satellitetest::DialogTemplateBytes> dialog = Template(satellite, pair.dialog);
    ASSERT_TRUE(dialog.has_value()) << pair.dialog;
    EXPECT_NE(dialog->Find(pair.control), nullptr) << "template " << pair.dialog << " control " << pair.control;
  }
  FreeLibrary(satellite);
}

INSTANTIATE_TEST_SUITE_P(Satellites, Strings, ::testing::Values("vm4k2enus.dll", "vm4k2ar.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

// A dialog procedure that does only what every page's WM_INITDIALOG does first: the title and
// the control texts from the satellite, with the missing-string text where a string is absent.
struct TextRun {
  HMODULE satellite;
  WORD dialog;
};

void LoadOrMissing(HMODULE satellite, UINT id, WCHAR* buffer, int capacity) {
  if (LoadStringW(satellite, id, buffer, capacity) > 0) return;
  std::string text = "id:" + std::to_string(id) + " missing!";
  int n = 0;
  for (; n < capacity - 1 && n < static_cast<int>(text.size()); ++n) buffer[n] = static_cast<WCHAR>(text[n]);
  buffer[n] = 0;
}

INT_PTR CALLBACK ControlTextProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const TextRun* run = reinterpret_cast<const TextRun*>(lParam);
  for (const TextPair& pair : kControlTexts) {
    if (pair.dialog != run->dialog) continue;
    WCHAR text[512];
    LoadOrMissing(run->satellite, pair.string, text, 512);
    if (pair.control == 0) {
      SetWindowTextW(dialog, text);
    } else if (GetDlgItem(dialog, static_cast<int>(pair.control))) {
      SetDlgItemTextW(dialog, static_cast<int>(pair.control), text);
    }
  }
  return TRUE;
}

std::u16string WindowText(HWND window) {
  WCHAR buffer[1024];
  int n = GetWindowTextW(window, buffer, 1024);
  return std::u16string(buffer, n > 0 ? n : 0);
}

class EnglishDialogs : public satellitetest::SatelliteTest {};

TEST_F(EnglishDialogs, NoDialogShowsAMissingString) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/vm4k2enus.dll");
  ASSERT_NE(satellite, nullptr);
  // The pages are child windows; a plain top-level window stands in for the sheet.
  HWND owner = CreateWindowExW(0, u"Static", u"sheet", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  for (WORD id : kTemplates) {
    TextRun run{satellite, id};
    HWND dialog = CreateDialogParamW(satellite, MAKEINTRESOURCEW(id), owner, ControlTextProc, reinterpret_cast<LPARAM>(&run));
    ASSERT_NE(dialog, nullptr) << "template " << id << " error " << GetLastError();
    EXPECT_EQ(WindowText(dialog).find(u"missing!"), std::u16string::npos) << "template " << id;
    struct Walk {
      WORD id;
      int children;
    } walk{id, 0};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM lParam) -> BOOL {
          Walk* w = reinterpret_cast<Walk*>(lParam);
          ++w->children;
          std::u16string text = WindowText(child);
          EXPECT_EQ(text.find(u"missing!"), std::u16string::npos)
              << "template " << w->id << " control " << GetDlgCtrlID(child) << " shows a missing string";
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    const int children = walk.children;
    EXPECT_GT(children, 4) << "template " << id;
    DestroyWindow(dialog);
  }
  DestroyWindow(owner);
  FreeLibrary(satellite);
}

}  // namespace
