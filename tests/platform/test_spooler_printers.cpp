#include "spooler_test_util.h"

using namespace spoolertest;
using testsupport::kErrorMarker;

namespace {

class SpoolerPrinters : public ::testing::Test {
 protected:
  void SetUp() override { InstallPrinter(); }
  testsupport::TempMachine machine_;
};

// A DEVMODE of 220 public bytes and some private ones, recognisable by its device name.
std::vector<BYTE> MakeDevmode(const char16_t* name, WORD extra, BYTE fill) {
  std::vector<BYTE> bytes(sizeof(DEVMODEW) + extra, fill);
  DEVMODEW dm{};
  std::memcpy(dm.dmDeviceName, name, std::char_traits<char16_t>::length(name) * 2);
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmDriverExtra = extra;
  dm.dmFields = DM_ORIENTATION;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  std::memcpy(bytes.data(), &dm, sizeof dm);
  return bytes;
}

BOOL SetDevmode(HANDLE h, DWORD level, const std::vector<BYTE>* devmode) {
  PRINTER_INFO_8W info{devmode ? reinterpret_cast<LPDEVMODEW>(const_cast<BYTE*>(devmode->data())) : nullptr};
  return SetPrinterW(h, level, reinterpret_cast<LPBYTE>(&info), 0);
}

std::vector<BYTE> DevmodeOf(const LPDEVMODEW dm) {
  if (!dm) return {};
  const BYTE* p = reinterpret_cast<const BYTE*>(dm);
  return std::vector<BYTE>(p, p + dm->dmSize + dm->dmDriverExtra);
}

}  // namespace

TEST_F(SpoolerPrinters, OpenPrinterRefusesUnknownNames) {
  for (const char16_t* name : {u"No Such Printer", u",XcvPort NOPORT", u",Bogus", u"\\\\OTHERHOST\\Nothing"}) {
    HANDLE h = reinterpret_cast<HANDLE>(0x1234);
    SetLastError(kErrorMarker);
    EXPECT_FALSE(OpenPrinterW(W(name), &h, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(h, nullptr);
  }
}

TEST_F(SpoolerPrinters, OpenPrinterMatchesWithoutCaseAndThroughThisComputersName) {
  HANDLE a = Open(u"velmor k8000 SERIES pcl6");
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(ClosePrinter(a));
  HANDLE b = Open(u"\\\\WORKSTATION\\Velmor K8000 Series PCL6");
  ASSERT_NE(b, nullptr);
  std::vector<BYTE> block = GetPrinterBlock(b, 2);
  EXPECT_EQ(Str(reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pPrinterName), kPrinter);
  EXPECT_TRUE(ClosePrinter(b));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(ClosePrinter(b));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Every level follows the two-call protocol: a short block is refused with the needed size
// and left untouched, and the answer's strings and DEVMODE lie inside the caller's block.
TEST_F(SpoolerPrinters, EveryLevelFollowsTheSizeProtocol) {
  HANDLE h = Open();
  std::vector<BYTE> devmode = MakeDevmode(u"Velmor", 40, 0x5A);
  ASSERT_TRUE(SetDevmode(h, 8, &devmode));
  ASSERT_TRUE(SetDevmode(h, 9, &devmode));
  struct Case {
    DWORD level;
    size_t fixed;
  } cases[] = {{1, sizeof(PRINTER_INFO_1W)}, {2, sizeof(PRINTER_INFO_2W)}, {4, sizeof(PRINTER_INFO_4W)},
               {5, sizeof(PRINTER_INFO_5W)}, {8, sizeof(PRINTER_INFO_8W)}, {9, sizeof(PRINTER_INFO_9W)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    DWORD needed = 0;
    SetLastError(kErrorMarker);
    EXPECT_FALSE(GetPrinterW(h, c.level, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GT(needed, c.fixed);

    std::vector<BYTE> shortBlock(needed - 1, 0xCC);
    DWORD again = 0;
    SetLastError(kErrorMarker);
    EXPECT_FALSE(GetPrinterW(h, c.level, shortBlock.data(), needed - 1, &again));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(again, needed);
    EXPECT_EQ(shortBlock, std::vector<BYTE>(needed - 1, 0xCC));

    std::vector<BYTE> block = GetPrinterBlock(h, c.level);
    ASSERT_EQ(block.size(), needed);
    if (c.level == 2) {
      auto* info = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
      EXPECT_TRUE(Inside(block, info->pPrinterName));
      EXPECT_TRUE(Inside(block, info->pDevMode, 220 + 40));
      EXPECT_EQ(reinterpret_cast<uintptr_t>(info->pDevMode) % 8, 0u);
    }
    if (c.level == 4) {
      auto* info = reinterpret_cast<PRINTER_INFO_4W*>(block.data());
      EXPECT_TRUE(Inside(block, info->pPrinterName));
      EXPECT_EQ(info->pServerName, nullptr);
      EXPECT_EQ(info->Attributes & PRINTER_ATTRIBUTE_NETWORK, 0u);
    }
    if (c.level == 8 || c.level == 9) {
      auto* info = reinterpret_cast<PRINTER_INFO_8W*>(block.data());
      EXPECT_TRUE(Inside(block, info->pDevMode, 260));
      EXPECT_EQ(DevmodeOf(info->pDevMode), devmode);
    }
  }
  SetLastError(kErrorMarker);
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterW(h, 3, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  ClosePrinter(h);
}

TEST_F(SpoolerPrinters, LevelTwoDescribesThePrinter) {
  HANDLE h = Open();
  std::vector<BYTE> block = GetPrinterBlock(h, 2);
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
  EXPECT_EQ(info->pServerName, nullptr);
  EXPECT_EQ(Str(info->pPrinterName), kPrinter);
  EXPECT_EQ(Str(info->pPortName), u"USB001");
  EXPECT_EQ(Str(info->pDriverName), kDriver);
  EXPECT_EQ(Str(info->pPrintProcessor), kProcessor);
  EXPECT_EQ(Str(info->pDatatype), u"RAW");
  EXPECT_EQ(Str(info->pComment), u"Second floor");
  EXPECT_EQ(Str(info->pLocation), u"Room 12");
  EXPECT_EQ(info->pDevMode, nullptr);
  EXPECT_EQ(info->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
  EXPECT_EQ(info->Status, 0u);
  EXPECT_EQ(info->cJobs, 0u);

  std::vector<BYTE> one = GetPrinterBlock(h, 1);
  auto* info1 = reinterpret_cast<PRINTER_INFO_1W*>(one.data());
  EXPECT_EQ(Str(info1->pDescription), u"Velmor K8000 Series PCL6,Velmor K8000 Series PCL6,Room 12");
  ClosePrinter(h);
}

// Level 8 is the printer's global default, level 9 the user's own; level 2 answers the user's
// one while there is one.
TEST_F(SpoolerPrinters, DefaultDevmodesAtLevelsEightAndNine) {
  HANDLE h = Open();
  std::vector<BYTE> global = MakeDevmode(u"Global", 16, 0x11);
  std::vector<BYTE> user = MakeDevmode(u"User", 4860, 0x22);
  ASSERT_TRUE(SetDevmode(h, 8, &global));
  auto level2 = [&] {
    std::vector<BYTE> block = GetPrinterBlock(h, 2);
    return DevmodeOf(reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pDevMode);
  };
  auto levelN = [&](DWORD level) {
    std::vector<BYTE> block = GetPrinterBlock(h, level);
    return DevmodeOf(reinterpret_cast<PRINTER_INFO_8W*>(block.data())->pDevMode);
  };
  EXPECT_EQ(level2(), global);
  EXPECT_TRUE(levelN(9).empty());
  ASSERT_TRUE(SetDevmode(h, 9, &user));
  EXPECT_EQ(level2(), user);
  EXPECT_EQ(levelN(8), global);
  EXPECT_EQ(levelN(9), user);
  ASSERT_TRUE(SetDevmode(h, 9, nullptr));
  EXPECT_EQ(level2(), global);

  std::vector<BYTE> broken = MakeDevmode(u"Broken", 0, 0);
  reinterpret_cast<DEVMODEW*>(broken.data())->dmSize = 20;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetDevmode(h, 8, &broken));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetDevmode(h, 8, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ClosePrinter(h);
}

TEST_F(SpoolerPrinters, SetPrinterLevelTwoChecksWhatItNames) {
  HANDLE h = Open();
  std::vector<BYTE> block = GetPrinterBlock(h, 2);
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
  struct Case {
    LPWSTR PRINTER_INFO_2W::*field;
    const char16_t* value;
    DWORD error;
  } cases[] = {
      {&PRINTER_INFO_2W::pPrintProcessor, u"Velmor K8000 PCL Processor", ERROR_UNKNOWN_PRINTPROCESSOR},
      {&PRINTER_INFO_2W::pPortName, u"USB009", ERROR_UNKNOWN_PORT},
      {&PRINTER_INFO_2W::pDriverName, u"Other Driver", ERROR_UNKNOWN_PRINTER_DRIVER},
      {&PRINTER_INFO_2W::pDatatype, u"PCL7", ERROR_INVALID_DATATYPE},
  };
  for (const Case& c : cases) {
    PRINTER_INFO_2W changed = *info;
    changed.*c.field = W(c.value);
    SetLastError(kErrorMarker);
    EXPECT_FALSE(SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(&changed), 0));
    EXPECT_EQ(GetLastError(), c.error);
  }
  PRINTER_INFO_2W changed = *info;
  changed.pPrintProcessor = W(u"WinPrint");
  changed.pComment = W(u"Moved");
  EXPECT_TRUE(SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(&changed), 0)) << GetLastError();
  std::vector<BYTE> after = GetPrinterBlock(h, 2);
  EXPECT_EQ(Str(reinterpret_cast<PRINTER_INFO_2W*>(after.data())->pPrintProcessor), u"WinPrint");
  EXPECT_EQ(Str(reinterpret_cast<PRINTER_INFO_2W*>(after.data())->pComment), u"Moved");

  HANDLE user = Open(kPrinter, PRINTER_ACCESS_USE);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetPrinterW(user, 2, reinterpret_cast<LPBYTE>(&changed), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ClosePrinter(user);
  ClosePrinter(h);
}

TEST_F(SpoolerPrinters, PauseAndResumeThroughLevelZero) {
  HANDLE h = Open();
  auto status = [&] {
    std::vector<BYTE> block = GetPrinterBlock(h, 2);
    return reinterpret_cast<PRINTER_INFO_2W*>(block.data())->Status;
  };
  ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_PAUSE));
  EXPECT_EQ(status(), static_cast<DWORD>(PRINTER_STATUS_PAUSED));
  ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_RESUME));
  EXPECT_EQ(status(), 0u);
  ClosePrinter(h);
}

TEST_F(SpoolerPrinters, EnumPrintersTellsLocalPrintersFromConnections) {
  PRINTER_INFO_2W info{};
  info.pPrinterName = W(u"Shared K8000");
  info.pPortName = W(u"USB001");
  info.pDriverName = W(kDriver);
  HANDLE connection = PlatformTest_SpoolerAddConnection(reinterpret_cast<const WCHAR*>(u"PRINTSERVER"), &info);
  ASSERT_NE(connection, nullptr) << GetLastError();
  ClosePrinter(connection);

  struct Case {
    DWORD flags;
    std::vector<std::u16string> names;
  } cases[] = {
      {PRINTER_ENUM_LOCAL, {kPrinter}},
      {PRINTER_ENUM_CONNECTIONS, {u"\\\\PRINTSERVER\\Shared K8000"}},
      {PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, {kPrinter, u"\\\\PRINTSERVER\\Shared K8000"}},
  };
  for (const Case& c : cases) {
    for (DWORD level : {1u, 2u, 4u, 5u}) {
      SCOPED_TRACE(testing::Message() << "flags " << c.flags << " level " << level);
      DWORD needed = 0, returned = 99;
      SetLastError(kErrorMarker);
      EXPECT_FALSE(EnumPrintersW(c.flags, nullptr, level, nullptr, 0, &needed, &returned));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
      EXPECT_EQ(returned, 0u);
      std::vector<BYTE> block(needed);
      ASSERT_TRUE(EnumPrintersW(c.flags, nullptr, level, block.data(), needed, &needed, &returned));
      ASSERT_EQ(returned, c.names.size());
      for (size_t i = 0; i < returned; ++i) {
        std::u16string name;
        if (level == 1) name = Str(reinterpret_cast<PRINTER_INFO_1W*>(block.data())[i].pName);
        if (level == 2) name = Str(reinterpret_cast<PRINTER_INFO_2W*>(block.data())[i].pPrinterName);
        if (level == 4) name = Str(reinterpret_cast<PRINTER_INFO_4W*>(block.data())[i].pPrinterName);
        if (level == 5) name = Str(reinterpret_cast<PRINTER_INFO_5W*>(block.data())[i].pPrinterName);
        EXPECT_EQ(name, c.names[i]);
      }
      if (level == 4 && c.flags == PRINTER_ENUM_CONNECTIONS) {
        auto* four = reinterpret_cast<PRINTER_INFO_4W*>(block.data());
        EXPECT_EQ(Str(four->pServerName), u"\\\\PRINTSERVER");
        EXPECT_EQ(four->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_NETWORK));
      }
    }
  }
  DWORD needed = 0, returned = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 3, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

TEST(SpoolerEmptyMachine, EnumPrintersWithNoPrinterSucceedsWithNothing) {
  testsupport::TempMachine machine;
  DWORD needed = 77, returned = 77;
  EXPECT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(returned, 0u);
}

TEST_F(SpoolerPrinters, AddPrinterRefusesDuplicatesAndBadNames) {
  PRINTER_INFO_2W info{};
  info.pPortName = W(u"USB001");
  info.pDriverName = W(kDriver);
  struct Case {
    const char16_t* name;
    DWORD error;
  } cases[] = {{kPrinter, ERROR_PRINTER_ALREADY_EXISTS},
               {u"VELMOR K8000 SERIES PCL6", ERROR_PRINTER_ALREADY_EXISTS},
               {u"", ERROR_INVALID_PRINTER_NAME},
               {u"a\\b", ERROR_INVALID_PRINTER_NAME},
               {u"a,b", ERROR_INVALID_PRINTER_NAME}};
  for (const Case& c : cases) {
    info.pPrinterName = W(c.name);
    SetLastError(kErrorMarker);
    EXPECT_EQ(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(SpoolerPrinters, DeletePrinterLeavesOpenHandlesPointingAtNothing) {
  HANDLE h = Open();
  HANDLE user = Open(kPrinter, PRINTER_ACCESS_USE);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeletePrinter(user));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(DeletePrinter(h));
  DWORD needed = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetPrinterW(user, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DELETED));
  HANDLE again = nullptr;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(OpenPrinterW(W(kPrinter), &again, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  ClosePrinter(user);
  ClosePrinter(h);
}

TEST_F(SpoolerPrinters, PrinterStateControlsShowInLevelTwo) {
  ASSERT_TRUE(PlatformTest_SpoolerSetPrinterStatus(reinterpret_cast<const WCHAR*>(kPrinter), PRINTER_STATUS_PAUSED));
  ASSERT_TRUE(PlatformTest_SpoolerSetPrinterOffline(reinterpret_cast<const WCHAR*>(kPrinter), TRUE));
  HANDLE h = Open();
  std::vector<BYTE> block = GetPrinterBlock(h, 2);
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
  EXPECT_EQ(info->Status, static_cast<DWORD>(PRINTER_STATUS_PAUSED));
  EXPECT_EQ(info->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_WORK_OFFLINE));

  ASSERT_TRUE(PlatformTest_SpoolerFailPrinterQueries(reinterpret_cast<const WCHAR*>(kPrinter), ERROR_ACCESS_DENIED));
  DWORD needed = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ClosePrinter(h);
}

TEST_F(SpoolerPrinters, StateIsReadableText) {
  std::string record = ReadHostFile(machine_.Host("spooler/printers/1.ini"));
  EXPECT_NE(record.find("Name=Velmor K8000 Series PCL6\n"), std::string::npos) << record;
  EXPECT_NE(record.find("Port=USB001\n"), std::string::npos) << record;
}
