// vm4k2ui.dll as the spooler and applications load it: by its file name from the driver
// folder of a machine made by setup-machine, with its satellite beside it.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <cstring>

#include <win/compstui.h>
#include <win/driverui.h>
#include <win/modules.h>
#include <win/spooler.h>

#include <vm4k2/ui_devmode.h>

#include "loaded_machine.h"

namespace {

constexpr const char16_t* kPrinter = u"Velmor K8000 Series PCL6";

std::vector<std::u16string> Names(const std::vector<WCHAR>& block, size_t width, size_t count) {
  std::vector<std::u16string> names;
  for (size_t i = 0; i < count; ++i) names.emplace_back(&block[i * width]);
  return names;
}

class LoadedLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(machine_.ok()) << machine_.output(); }
  int Ask(WORD index, void* output = nullptr, const DEVMODEW* devmode = nullptr) {
    return DeviceCapabilitiesW(kPrinter, nullptr, index, static_cast<LPWSTR>(output), devmode);
  }
  testfakes::InstalledMachine machine_;
};

TEST_F(LoadedLibraryTest, TheLibraryExportsItsEntryPoint) {
  HMODULE library = LoadLibraryW(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2ui.dll");
  ASSERT_NE(library, nullptr) << GetLastError();
  EXPECT_NE(GetProcAddress(library, "DrvDeviceCapabilities"), nullptr);
  FreeLibrary(library);
}

TEST_F(LoadedLibraryTest, PaperNamesFromTheSatellite) {
  ASSERT_EQ(Ask(DC_PAPERNAMES), 23);
  std::vector<WCHAR> names(23 * 64, u'?');
  ASSERT_EQ(Ask(DC_PAPERNAMES, names.data()), 23);
  const auto list = Names(names, 64, 23);
  EXPECT_EQ(list[0], u"Letter");
  EXPECT_EQ(list[1], u"A4");
  EXPECT_EQ(list[2], u"Legal");
  EXPECT_EQ(list[16], u"Executive");
  for (const auto& name : list) {
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find(u"missing"), std::u16string::npos) << std::string(name.begin(), name.end());
  }
  std::vector<WCHAR> ready(23 * 64);
  ASSERT_EQ(Ask(DC_MEDIAREADY, ready.data()), 23);
  EXPECT_EQ(ready, names);
}

TEST_F(LoadedLibraryTest, BinNamesInTheirRecords) {
  std::vector<WCHAR> names(3 * 24, u'?');
  ASSERT_EQ(Ask(DC_BINNAMES, names.data()), 3);
  EXPECT_EQ(Names(names, 24, 3), (std::vector<std::u16string>{u"Automatically Select", u"Tray 1", u"Manual Feed"}));
  // Each record is padded with zeros to its 24 units.
  EXPECT_EQ(names[23], 0);
}

TEST_F(LoadedLibraryTest, CountsAndValues) {
  EXPECT_EQ(Ask(DC_PAPERS), 23);
  EXPECT_EQ(Ask(DC_SIZE), 220);
  EXPECT_EQ(Ask(DC_EXTRA), 4860);
  EXPECT_EQ(Ask(DC_DRIVER), 0x600);
  EXPECT_EQ(Ask(33), -1);
  std::vector<POINT> sizes(23);
  ASSERT_EQ(Ask(DC_PAPERSIZE, sizes.data()), 23);
  EXPECT_EQ(sizes[0].x, 2159);
  EXPECT_EQ(sizes[0].y, 2794);
}

TEST_F(LoadedLibraryTest, DocumentPropertiesSizeQueryWritesNothing) {
  std::vector<BYTE> out(5080, 0x5C);
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, const_cast<LPWSTR>(kPrinter),
                                reinterpret_cast<PDEVMODEW>(out.data()), nullptr, 0),
            5080);
  EXPECT_EQ(out, std::vector<BYTE>(5080, 0x5C));
}

TEST_F(LoadedLibraryTest, DocumentPropertiesFillsTheWholeDevmode) {
  std::vector<BYTE> out(5080, 0x5C);
  auto* dm = reinterpret_cast<PDEVMODEW>(out.data());
  ASSERT_EQ(DocumentPropertiesW(nullptr, nullptr, const_cast<LPWSTR>(kPrinter), dm, nullptr, DM_OUT_BUFFER), 1);
  EXPECT_EQ(dm->dmSize, 220);
  EXPECT_EQ(dm->dmDriverExtra, 4860);
  EXPECT_EQ(dm->dmDriverVersion, 0x600);
  EXPECT_EQ(std::u16string_view(dm->dmDeviceName), kPrinter);
  EXPECT_EQ(0, std::memcmp(out.data() + 220, "PRIV", 4));
  const auto* p = reinterpret_cast<const vm4k2::PrivateDevmode*>(out.data() + 220);
  EXPECT_EQ(std::u16string_view(p->favoriteName), u"Default Settings");
  EXPECT_EQ(std::u16string_view(p->watermark.name), u"None");
  // The custom paper records travel empty: the store holds the user's papers.
  EXPECT_EQ(p->customPapers[0].width, 0);

  // A full DEVMODE as input comes back with its settings.
  dm->dmCopies = 7;
  std::vector<BYTE> again(5080, 0);
  ASSERT_EQ(DocumentPropertiesW(nullptr, nullptr, const_cast<LPWSTR>(kPrinter),
                                reinterpret_cast<PDEVMODEW>(again.data()), dm, DM_IN_BUFFER | DM_OUT_BUFFER),
            1);
  EXPECT_EQ(reinterpret_cast<PDEVMODEW>(again.data())->dmCopies, 7);
}

TEST_F(LoadedLibraryTest, APublicOnlyInputGetsAPublicOnlyAnswer) {
  std::vector<BYTE> in(220, 0);
  auto* input = reinterpret_cast<PDEVMODEW>(in.data());
  std::memcpy(input->dmDeviceName, kPrinter, std::u16string_view(kPrinter).size() * 2);
  input->dmSpecVersion = 0x401;
  input->dmSize = 220;
  input->dmFields = DM_ORIENTATION;
  input->dmOrientation = 2;
  std::vector<BYTE> out(5080, 0x5C);
  ASSERT_EQ(DocumentPropertiesW(nullptr, nullptr, const_cast<LPWSTR>(kPrinter),
                                reinterpret_cast<PDEVMODEW>(out.data()), input, DM_IN_BUFFER | DM_OUT_BUFFER),
            1);
  auto* dm = reinterpret_cast<PDEVMODEW>(out.data());
  EXPECT_EQ(dm->dmSize, 220);
  EXPECT_EQ(dm->dmDriverExtra, 0);
  EXPECT_EQ(dm->dmOrientation, 2);
  EXPECT_EQ(out[220], 0x5C);
}

TEST_F(LoadedLibraryTest, ADirectCallerBufferIsNeverOverrun) {
  HMODULE library = LoadLibraryW(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2ui.dll");
  ASSERT_NE(library, nullptr);
  using SheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
  auto sheets = reinterpret_cast<SheetsFn>(GetProcAddress(library, "DrvDocumentPropertySheets"));
  ASSERT_NE(sheets, nullptr);
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &defaults));
  std::vector<BYTE> out(220, 0x5C);
  DOCUMENTPROPERTYHEADER header{};
  header.cbSize = sizeof(header);
  header.hPrinter = printer;
  header.pszPrinterName = const_cast<LPWSTR>(kPrinter);
  header.pdmOut = reinterpret_cast<PDEVMODEW>(out.data());
  header.cbOut = 220;
  header.fMode = DM_OUT_BUFFER;
  SetLastError(testsupport::kErrorMarker);
  EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(out, std::vector<BYTE>(220, 0x5C));
  EXPECT_EQ(header.cbOut, 5080u);
  ClosePrinter(printer);
  FreeLibrary(library);
}

}  // namespace
