#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <win/process.h>
#include <win/system.h>

#include "peer_process.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;
using testsupport::TempMachine;

std::u16string Locale(LCID locale, LCTYPE type) {
  WCHAR text[64];
  int n = GetLocaleInfoW(locale, type, text, 64);
  return n > 0 ? std::u16string(text, static_cast<size_t>(n - 1)) : u"<error>";
}

TEST(SystemInfo, DefaultsDescribeA64BitWindows7Workstation) {
  TempMachine machine;
  OSVERSIONINFOEXW ex{};
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
  EXPECT_EQ(ex.dwMajorVersion, 6u);
  EXPECT_EQ(ex.dwMinorVersion, 1u);
  EXPECT_EQ(ex.dwBuildNumber, 7601u);
  EXPECT_EQ(ex.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(std::u16string(ex.szCSDVersion), u"Service Pack 1");
  EXPECT_EQ(ex.wProductType, VER_NT_WORKSTATION);

  OSVERSIONINFOW wrong{};
  wrong.dwOSVersionInfoSize = sizeof wrong - 4;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetVersionExW(&wrong));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.u.s.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_EQ(info.dwPageSize, 4096u);
  EXPECT_EQ(info.dwAllocationGranularity, 65536u);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);

  EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
  EXPECT_EQ(GetUserDefaultUILanguage(), 0x0409);
  EXPECT_EQ(GetUserDefaultLCID(), 0x0409u);
  EXPECT_EQ(Locale(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY), u"1");
  EXPECT_EQ(Locale(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME), u"US");
  EXPECT_EQ(Locale(0x0407, LOCALE_ICOUNTRY), u"49");
  EXPECT_EQ(Locale(0x0407, LOCALE_SDECIMAL), u",");

  WCHAR folder[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryW(folder, MAX_PATH), 10u);
  EXPECT_EQ(std::u16string(folder), u"C:\\Windows");
  EXPECT_EQ(GetSystemDirectoryW(folder, 5), 20u);  // too small: the size with the terminator
  EXPECT_EQ(GetSystemDirectoryW(folder, MAX_PATH), 19u);
  EXPECT_EQ(std::u16string(folder), u"C:\\Windows\\System32");
}

TEST(SystemInfo, ControlsChangeWhatTheMachineReports) {
  TempMachine machine;
  PlatformTest_SetOsVersion(5, 1, 2600, "Service Pack 3", FALSE);
  PlatformTest_SetCountryCode(44, FALSE);
  PlatformTest_SetSystemLanguage(0x0401, FALSE);
  PlatformTest_SetUserLanguage(0x0419, FALSE);
  PlatformTest_SetProcessorArchitecture(PROCESSOR_ARCHITECTURE_INTEL, FALSE);

  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExW(&v));
  EXPECT_EQ(v.dwMajorVersion, 5u);
  EXPECT_EQ(v.dwMinorVersion, 1u);
  EXPECT_EQ(v.dwBuildNumber, 2600u);
  EXPECT_EQ(std::u16string(v.szCSDVersion), u"Service Pack 3");
  EXPECT_EQ(GetVersion() & 0xFFFF, 0x0105u);
  EXPECT_EQ(Locale(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY), u"44");
  EXPECT_EQ(Locale(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE), u"0419");
  EXPECT_EQ(GetSystemDefaultLangID(), 0x0401);
  EXPECT_EQ(GetUserDefaultLangID(), 0x0419);
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  EXPECT_EQ(info.u.s.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);

  PlatformTest_SetLocaleUnreadable(TRUE, FALSE);
  WCHAR text[8];
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(SystemInfo, LocaleSizing) {
  TempMachine machine;
  PlatformTest_SetCountryCode(358, FALSE);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, nullptr, 0), 4);
  WCHAR text[3];
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  DWORD number = 0;
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPWSTR>(&number), 2),
            2);
  EXPECT_EQ(number, 358u);
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x7777, text, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(SystemInfo, UserAndComputerNameSizing) {
  TempMachine machine;
  PlatformTest_SetUserName("Bj\xC3\xB6rn", FALSE);  // five characters
  WCHAR name[UNLEN + 1];
  DWORD size = 5;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetUserNameW(name, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 6u);
  size = 0;
  EXPECT_FALSE(GetUserNameW(nullptr, &size));
  EXPECT_EQ(size, 6u);
  size = 6;
  ASSERT_TRUE(GetUserNameW(name, &size));
  EXPECT_EQ(size, 6u);  // counts the terminator on success too
  EXPECT_EQ(std::u16string(name), u"Bj\u00F6rn");

  PlatformTest_SetUserNameUnreadable(TRUE, FALSE);
  size = UNLEN + 1;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetUserNameW(name, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  PlatformTest_SetComputerName("PRINTHOST", FALSE);
  size = 4;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetComputerNameW(name, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, 10u);
  size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(name, &size));
  EXPECT_EQ(size, 9u);  // without the terminator on success
  EXPECT_EQ(std::u16string(name), u"PRINTHOST");
}

TEST(SystemInfo, MachineControlsReachAnotherProcessAndProcessControlsDoNot) {
  TempMachine machine;
  PlatformTest_SetUserName("operator", TRUE);
  PlatformTest_SetComputerName("OFFICE7", TRUE);
  PlatformTest_SetCountryCode(81, TRUE);
  PlatformTest_SetOsVersion(10, 0, 19045, nullptr, TRUE);
  PlatformTest_SetClockScale(1000);
  PlatformTest_SetUserName("only-here", FALSE);  // this process alone

  DWORD before = GetTickCount();
  PeerResult peer = RunPeer({"system"});
  DWORD after = GetTickCount();
  PlatformTest_UseRealClock();
  ASSERT_EQ(peer.exitCode, 0);
  size_t ticks = peer.output.find("ticks=");
  ASSERT_NE(ticks, std::string::npos);
  EXPECT_EQ(peer.output.substr(0, ticks),
            "user=operator\ncomputer=OFFICE7\ncountry=81\nversion=10.0.19045\nlanguage=1033/1033\n");
  // The child reads the machine's scaled clock: a start of a few real ms is seconds on it.
  DWORD childTicks = static_cast<DWORD>(std::stoul(peer.output.substr(ticks + 6)));
  EXPECT_GE(after - before, 1000u);
  EXPECT_LE(childTicks - before, after - before);

  WCHAR name[64];
  DWORD size = 64;
  ASSERT_TRUE(GetUserNameW(name, &size));
  EXPECT_EQ(std::u16string(name), u"only-here");

  PlatformTest_SetUserNameUnreadable(TRUE, TRUE);
  PlatformTest_SetLocaleUnreadable(TRUE, TRUE);
  peer = RunPeer({"system"});
  EXPECT_NE(peer.output.find("user=error 5\n"), std::string::npos) << peer.output;
  EXPECT_NE(peer.output.find("country=error 87\n"), std::string::npos) << peer.output;
}

TEST(TickClock, ManualClockMovesWhenAdvancedOrSlept) {
  TempMachine machine;
  PlatformTest_UseManualClock(0xFFFFFFF0ull);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  PlatformTest_AdvanceClock(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u);  // the 32-bit count wraps
  EXPECT_EQ(GetTickCount64(), 0x100000010ull);
  Sleep(5);
  EXPECT_EQ(GetTickCount64(), 0x100000015ull);
  // Sleeps of several threads add up, each returning at once.
  std::vector<std::thread> sleepers;
  for (int i = 0; i < 4; ++i) sleepers.emplace_back([] { Sleep(60000); });
  for (std::thread& t : sleepers) t.join();
  EXPECT_EQ(GetTickCount64(), 0x100000015ull + 240000);
  PlatformTest_UseRealClock();
  ULONGLONG a = GetTickCount64();
  EXPECT_GE(GetTickCount64(), a);
}

TEST(TickClock, ScaledClockShortensSleepsAndTimeOuts) {
  TempMachine machine;
  PlatformTest_SetClockScale(200);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ULONGLONG ticks = GetTickCount64();
  auto start = std::chrono::steady_clock::now();
  Sleep(4000);
  EXPECT_EQ(WaitForSingleObject(event, 4000), static_cast<DWORD>(WAIT_TIMEOUT));
  auto real = std::chrono::steady_clock::now() - start;
  EXPECT_GE(GetTickCount64() - ticks, 8000u);
  // 8 s of the clock in about 40 ms of real time; the bound only says "not real seconds".
  EXPECT_LT(real, std::chrono::milliseconds(4000));
  CloseHandle(event);
  PlatformTest_UseRealClock();
}

TEST(TickClock, SleepsAreLoggedWithTheirCaller) {
  TempMachine machine;
  PlatformTest_UseManualClock(0);
  Sleep(1234);
  PlatformTest_UseRealClock();
  std::string log(PlatformTest_ReadCallLog(nullptr, 0) + 1, '\0');
  log.resize(PlatformTest_ReadCallLog(log.data(), log.size()));
  size_t line = log.find("\"event\":\"sleep\",\"ms\":1234,\"caller\":\"");
  ASSERT_NE(line, std::string::npos) << log;
  // The caller is this test program, not the platform.
  std::string caller = log.substr(line, log.find('\n', line) - line);
  EXPECT_EQ(caller.find("libplatform"), std::string::npos) << caller;
}

TEST(DebugOutput, IsCapturedForTheProcessAndOptionallyTheMachine) {
  TempMachine machine;
  PlatformTest_ClearDebugOutput(FALSE);
  OutputDebugStringA("Registry_GetHL fail, level:2, error code is 5\n");
  OutputDebugStringW(u"caf\u00E9\n");
  OutputDebugStringA(nullptr);
  EXPECT_EQ(PlatformTest_DebugOutput(), "Registry_GetHL fail, level:2, error code is 5\ncaf\xC3\xA9\n");
  char small[4];
  EXPECT_EQ(PlatformTest_ReadDebugOutput(small, sizeof small, FALSE), 52u);
  EXPECT_EQ(std::string(small), "Reg");
  PlatformTest_ClearDebugOutput(FALSE);
  EXPECT_EQ(PlatformTest_DebugOutput(), "");

  EXPECT_EQ(RunPeer({"debug", "unlogged\n"}).exitCode, 0);
  PlatformTest_LogDebugOutputInMachine(TRUE);
  EXPECT_EQ(RunPeer({"debug", "from the peer\n"}).exitCode, 0);
  OutputDebugStringA("from the test\n");
  EXPECT_EQ(PlatformTest_DebugOutput(true), "from the peer\nfrom the test\n");
  PlatformTest_ClearDebugOutput(TRUE);
  EXPECT_EQ(PlatformTest_DebugOutput(true), "");
}

TEST(Threads, IdsAreThoseOfTheCaller) {
  EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
  DWORD main = GetCurrentThreadId();
  DWORD other = 0;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  EXPECT_NE(main, other);
  EXPECT_NE(other, 0u);
  SYSTEMTIME now{};
  GetSystemTime(&now);
  EXPECT_GE(now.wYear, 2024);
  EXPECT_GE(now.wMonth, 1);
  EXPECT_LE(now.wMonth, 12);
}

}  // namespace
