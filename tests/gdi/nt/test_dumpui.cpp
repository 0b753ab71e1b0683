// The settings dump, pinned byte for byte on a settings record the test fills.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/files.h>

#include "gdi/nt/dumpui.h"
#include "gdi/util.h"
#include "temp_machine.h"

namespace {

std::vector<std::string> g_trace;
void CollectTrace(const char* text) { g_trace.emplace_back(text); }

void SetText(WCHAR* field, const std::u16string& text) { std::copy(text.begin(), text.end(), field); }

std::string ReadMachineFile(const char16_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

class SettingsDump : public ::testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    Util_SetTraceHook(CollectTrace);
    settings_ = std::make_unique<RenderDevmode>();
    DEVMODEW& pub = settings_->dmPublic;
    SetText(pub.dmDeviceName, u"Velmor");
    pub.dmSpecVersion = 0x401;
    pub.dmDriverVersion = 0x500;
    pub.dmSize = 220;
    pub.dmDriverExtra = 14680;
    pub.dmFields = 0x9F13;
    pub.dmOrientation = 1;
    pub.dmPaperSize = 9;
    pub.dmPaperLength = 2970;
    pub.dmPaperWidth = 2100;
    pub.dmScale = 100;
    pub.dmCopies = -1;
    pub.dmDefaultSource = 7;
    pub.dmPrintQuality = 600;
    pub.dmColor = 1;
    pub.dmDuplex = 1;
    pub.dmYResolution = 600;
    pub.dmTTOption = 1;
    pub.dmCollate = 1;
    RenderPrivate& p = settings_->dmPrivate;
    p.nup.bNupFlags = 4;
    p.nup.bNupNum = 2;
    p.poster.wPosterType = 10;
    p.scale.ISFSet = 1;
    p.scale.SRatio = 150;
    SetText(p.overlay.OverlayFile, u"C:\\Forms");
    p.paper.wMediaType = 3;
    p.bDocumentStyle = 2;
    p.wmark.wmIndex = 1;
    SetText(p.wmark.wmString, u"Caf\u00e9");
    p.wmark.wmColorRef = 0x804020;
    SetText(p.wmark.wmTypeFace, u"Arial");
    p.wmark.wmFontSize = 72;
    p.wmark.wmItalic = 1;  // three bytes after the one-byte modify flag
    p.wmark.wmAngle = -45;
  }
  void TearDown() override { Util_SetTraceHook(nullptr); }

  testsupport::TempMachine machine_;
  std::unique_ptr<RenderDevmode> settings_;
};

const char kExpected[] =
    "\r\nBegin of dmPublic:\r\n"
    "dmDeviceName:\t\t'Velmor'\r\n"
    "dmSpecVersion:\t\t401h\r\n"
    "dmDriverVersion:\t500h\r\n"
    "dmSize:\t\t\t\tDCh\r\n"
    "dmDriverExtra:\t\t3958h\r\n"
    "dmFields:\t\t\t9F13h\r\n"
    "dmOrientation:\t\t1\r\n"
    "dmPaperSize:\t\t9\r\n"
    "dmPaperLength:\t\t2970\r\n"
    "dmPaperWidth:\t\t2100\r\n"
    "dmScale:\t\t\t100\r\n"
    "dmCopies:\t\t\t-1\r\n"
    "dmDefaultSource:\t7\r\n"
    "dmPrintQuality:\t\t600\r\n"
    "dmColor:\t\t\t1\r\n"
    "dmDuplex:\t\t\t1\r\n"
    "dmYResolution:\t\t600\r\n"
    "dmTTOption:\t\t\t1\r\n"
    "dmCollate:\t\t\t1\r\n"
    "\r\nBegin of dmPrivate:\r\n"
    ">>>NUPDLG:\r\n"
    "bNupFlags:\t\t4h\r\n"
    "bNupNum:\t\t\t2h\r\n"
    "bNupPageOrder:\t0h\r\n"
    ">>>POSTER_DLG:\r\n"
    "wPosterType:\t\tAh\r\n"
    "bCropMarks:\t0h\r\n"
    "\r\n>>>SCAL_DLG:\r\n"
    "ISFSet:\t\t\t1h\r\n"
    "SRatio:\t\t\t150\r\n"
    "FtoPaper:\t\t0\r\n"
    "byFullPage:\t\t0h\r\n"
    "\r\n>>>OVERLAY_DLG:\r\n"
    "bOverlay:\t\t0h\r\n"
    "OverlayFile:\t'C:\\Forms'\r\n"
    "\r\n>>>PAPER_DLG:\r\n"
    "wMediaType:\t\t\t3h\r\n"
    "\r\n>>>DOCUMENTSTYLE:\r\n"
    "bDocumentStyle:\t\t\t2h\r\n"
    "\r\n>>>WMARKDATA:\r\n"
    "wmIndex:\t\t1\r\n"
    "wmString:\t\t'Caf\xe9'\r\n"
    "wmModify:\t\tFALSE\r\n"
    "wmColorRef:\t\tR:20h, G:40h, B:80h\r\n"
    "wmTypeFace:\t\t'Arial'\r\n"
    "wmFontSize:\t\t72\r\n"
    "wmVert:\t\t\t0\r\n"
    "wmHori:\t\t\t0\r\n"
    "wmItalic:\t\t1h\r\n"
    "wmBold:\t\t\t0h\r\n"
    "wmAngle:\t\t-45\r\n"
    "End of dump UI structure\r\n";

TEST_F(SettingsDump, EveryLineAsPinned) {
  DumpUISetting(nullptr, nullptr, settings_.get(), u"c:\\ui.txt");
  EXPECT_EQ(ReadMachineFile(u"C:\\ui.txt"), std::string(kExpected));
  EXPECT_TRUE(g_trace.empty());
}

TEST_F(SettingsDump, ModifyFlagIsReadAsOneByte) {
  settings_->dmPrivate.wmark.wmModify = 1;
  settings_->dmPrivate.wmark.wmItalic = 0;
  DumpUISetting(nullptr, nullptr, settings_.get(), u"c:\\ui.txt");
  std::string text = ReadMachineFile(u"C:\\ui.txt");
  EXPECT_NE(text.find("wmModify:\t\tTRUE\r\n"), std::string::npos);
  EXPECT_NE(text.find("wmItalic:\t\t0h\r\n"), std::string::npos);
}

TEST_F(SettingsDump, StringsStopAtTheirFields) {
  // No terminator anywhere in the device name or the type face: each line stops at its field.
  for (WCHAR& c : settings_->dmPublic.dmDeviceName) c = u'N';
  for (WCHAR& c : settings_->dmPrivate.wmark.wmTypeFace) c = u'F';
  DumpUISetting(nullptr, nullptr, settings_.get(), u"c:\\ui.txt");
  std::string text = ReadMachineFile(u"C:\\ui.txt");
  EXPECT_NE(text.find("dmDeviceName:\t\t'" + std::string(32, 'N') + "'\r\n"), std::string::npos);
  EXPECT_NE(text.find("wmTypeFace:\t\t'" + std::string(32, 'F') + "'\r\n"), std::string::npos);
}

TEST_F(SettingsDump, FileIsReplacedEachTime) {
  DumpUISetting(nullptr, nullptr, settings_.get(), u"c:\\ui.txt");
  settings_->dmPrivate.wmark.wmString[0] = 0;
  DumpUISetting(nullptr, nullptr, settings_.get(), u"c:\\ui.txt");
  std::string text = ReadMachineFile(u"C:\\ui.txt");
  EXPECT_EQ(text.size(), sizeof(kExpected) - 1 - 4);
  EXPECT_NE(text.find("wmString:\t\t''\r\n"), std::string::npos);
}

TEST_F(SettingsDump, UncreatableFileIsTracedOnly) {
  DumpUISetting(nullptr, nullptr, settings_.get(), u"c:\\no such folder\\ui.txt");
  ASSERT_EQ(g_trace.size(), 1u);
  EXPECT_EQ(g_trace[0], "Create file 'c:\\no such folder\\ui.txt' error!\n");
  EXPECT_EQ(ReadMachineFile(u"C:\\no such folder\\ui.txt"), "<missing>");
}

}  // namespace
