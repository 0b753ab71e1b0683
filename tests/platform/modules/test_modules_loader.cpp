// The module loader: code modules by Windows file name, DllMain, exports, reference counts,
// the search order, system libraries, file names, and the test controls that make a library
// or an export absent.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/environment.h>
#include <win/files.h>
#include <win/modules.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace fs = std::filesystem;
using testsupport::kErrorMarker;

namespace {

struct DllMainCall {
  HINSTANCE instance;
  DWORD reason;
  bool reserved;
};
std::vector<DllMainCall> g_calls;
// When set, each call is also appended to this host file (for calls made as a process ends).
std::string g_callLog;

}  // namespace

// Found by the test library through GetProcAddress(GetModuleHandleW(NULL), "RecordDllMain").
extern "C" __attribute__((visibility("default"))) void RecordDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  g_calls.push_back({instance, reason, reserved != nullptr});
  if (!g_callLog.empty()) std::ofstream(g_callLog, std::ios::app) << reason << (reserved ? " process end\n" : " dynamic\n");
}

namespace {

constexpr char16_t kDriverFolder[] = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";

class ModuleLoader : public ::testing::Test {
 protected:
  void SetUp() override { g_calls.clear(); }

  // Copies a host file into the machine at a Windows path under C:.
  void Install(const std::string& hostSource, const std::string& machinePath) {
    fs::path target = machine_.Host("drives/C/" + machinePath);
    fs::create_directories(target.parent_path());
    fs::copy_file(hostSource, target, fs::copy_options::overwrite_existing);
  }
  void WriteFile(const std::string& machinePath, const std::string& bytes) {
    fs::path target = machine_.Host("drives/C/" + machinePath);
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << bytes;
  }
  static std::u16string FileName(HMODULE module) {
    WCHAR buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, buffer, MAX_PATH);
    return std::u16string(buffer, n);
  }

  testsupport::TempMachine machine_;
};

TEST_F(ModuleLoader, LoadsCodeModuleByWindowsNameAndCallsDllMain) {
  Install(TEST_LIBRARY, "Windows/System32/spool/drivers/x64/3/vm4k2test.dll");
  std::u16string path = std::u16string(kDriverFolder) + u"\\VM4K2TEST.DLL";
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].instance, module);
  EXPECT_EQ(g_calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
  EXPECT_FALSE(g_calls[0].reserved);

  using Add = int (*)(int, int);
  FARPROC add = GetProcAddress(module, "TestAdd");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(reinterpret_cast<Add>(add)(2, 3), 5);
  // The file name is the machine's, with the file's own spelling.
  EXPECT_EQ(FileName(module), std::u16string(kDriverFolder) + u"\\vm4k2test.dll");
  EXPECT_EQ(GetModuleHandleW(u"vm4k2test.dll"), module);
  EXPECT_EQ(GetModuleHandleW(path.c_str()), module);

  EXPECT_TRUE(FreeLibrary(module));
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[1].instance, module);
  EXPECT_EQ(g_calls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  EXPECT_FALSE(g_calls[1].reserved);
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetModuleHandleW(u"vm4k2test.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleLoader, DetachesLibrariesStillLoadedWhenTheProcessEnds) {
  Install(TEST_LIBRARY, "Windows/System32/vm4k2test.dll");
  std::string log = machine_.Host("calls.log");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    g_callLog = log;
    std::exit(LoadLibraryW(u"vm4k2test.dll") ? 0 : 1);  // never freed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "1 dynamic\n0 process end\n");  // attach, then detach with lpReserved set
}

TEST_F(ModuleLoader, CountsReferencesAndDetachesOnTheLastFree) {
  Install(TEST_LIBRARY, "Windows/System32/vm4k2test.dll");
  HMODULE first = LoadLibraryW(u"C:\\Windows\\System32\\vm4k2test.dll");
  HMODULE second = LoadLibraryW(u"vm4k2test");  // bare, without extension: the loaded one
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(second, first);
  EXPECT_EQ(g_calls.size(), 1u);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(g_calls.size(), 1u);
  EXPECT_TRUE(FreeLibrary(first));
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleLoader, SearchesTheSystemThenWindowsThenCurrentFolder) {
  struct Case {
    const char* installAt;
    const char16_t* expected;
  } cases[] = {
      {"Windows/System32/vm4k2search.dll", u"C:\\Windows\\System32\\vm4k2search.dll"},
      {"Windows/vm4k2search.dll", u"C:\\Windows\\vm4k2search.dll"},
  };
  for (const Case& c : cases) {
    Install(TEST_LIBRARY, c.installAt);
    HMODULE module = LoadLibraryW(u"vm4k2search.dll");
    ASSERT_NE(module, nullptr) << c.installAt;
    EXPECT_EQ(FileName(module), c.expected);
    EXPECT_TRUE(FreeLibrary(module));
    fs::remove(machine_.Host(std::string("drives/C/") + c.installAt));
  }
}

TEST_F(ModuleLoader, SearchesTheCurrentFolderAndPathLast) {
  Install(TEST_LIBRARY, "Tools/Bin/vm4k2path.dll");
  SetLastError(kErrorMarker);
  EXPECT_EQ(LoadLibraryW(u"vm4k2path.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  WCHAR saved[1024] = {};
  GetEnvironmentVariableW(u"PATH", saved, 1024);
  ASSERT_TRUE(SetEnvironmentVariableW(u"PATH", u"C:\\Nowhere;C:\\Tools\\Bin"));
  HMODULE module = LoadLibraryW(u"vm4k2path.dll");
  SetEnvironmentVariableW(u"PATH", saved[0] ? saved : nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(FileName(module), u"C:\\Tools\\Bin\\vm4k2path.dll");
  EXPECT_TRUE(DisableThreadLibraryCalls(module));
  EXPECT_TRUE(FreeLibrary(module));

  Install(TEST_LIBRARY, "Work/vm4k2cwd.dll");
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work"));
  module = LoadLibraryW(u"vm4k2cwd.dll");
  SetCurrentDirectoryW(u"C:\\");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(FileName(module), u"C:\\Work\\vm4k2cwd.dll");
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleLoader, ResolvesOnlyTheModulesOwnExports) {
  Install(TEST_LIBRARY, "Windows/System32/vm4k2test.dll");
  HMODULE module = LoadLibraryW(u"vm4k2test.dll");
  ASSERT_NE(module, nullptr);
  struct Case {
    LPCSTR name;
  } missing[] = {{"GetLastError"}, {"testadd"}, {"NoSuchExport"}, {reinterpret_cast<LPCSTR>(1)}};
  for (const Case& c : missing) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetProcAddress(module, c.name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  }
  FreeLibrary(module);
}

TEST_F(ModuleLoader, MissingLibrariesFailWithModNotFound) {
  for (const char16_t* name : {u"vm4k2none.dll", u"C:\\Windows\\System32\\vm4k2none.dll", u"C:\\NoFolder\\x.dll", u""}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(LoadLibraryW(name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
}

TEST_F(ModuleLoader, RefusesFilesThatAreNoModule) {
  WriteFile("Windows/System32/text.dll", "just some text, no module");
  WriteFile("Windows/System32/cut.dll", std::string("MZ") + std::string(0x3A, '\0') + "\x40\x00\x00\x00PE");
  for (const char16_t* name : {u"text.dll", u"cut.dll"}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(LoadLibraryW(name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  }
}

TEST_F(ModuleLoader, FailsWhenDllMainRefusesToAttach) {
  Install(REFUSING_LIBRARY, "Windows/System32/refuse.dll");
  SetLastError(kErrorMarker);
  EXPECT_EQ(LoadLibraryW(u"refuse.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  // The platform tells the library it is leaving, as it does for a refused attach.
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
  EXPECT_EQ(g_calls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
  EXPECT_EQ(GetModuleHandleW(u"refuse.dll"), nullptr);
}

TEST_F(ModuleLoader, SystemLibrariesResolveToTheStandInsExports) {
  for (const char16_t* name : {u"kernel32.dll", u"KERNEL32", u"spoolss.dll", u"shell32.dll", u"user32.dll",
                               u"setupapi.dll", u"comdlg32.dll", u"C:\\Windows\\System32\\kernel32.dll"}) {
    HMODULE module = LoadLibraryW(name);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "SetLastError")), reinterpret_cast<void*>(&SetLastError));
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetProcAddress(module, "PlatformTest_SetControl"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(module));
  }
  HMODULE kernel = GetModuleHandleW(u"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(FileName(kernel), u"C:\\Windows\\System32\\kernel32.dll");
}

TEST_F(ModuleLoader, TestControlsMakeLibrariesAndExportsAbsent) {
  Install(TEST_LIBRARY, "Windows/System32/vm4k2test.dll");
  PlatformTest_SetModuleAbsent("SPOOLSS.DLL", TRUE, FALSE);
  PlatformTest_SetModuleAbsent("vm4k2test.dll", TRUE, TRUE);
  for (const char16_t* name : {u"spoolss.dll", u"vm4k2test.dll"}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(LoadLibraryW(name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetModuleHandleW(name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  PlatformTest_SetModuleAbsent("vm4k2test.dll", FALSE, TRUE);
  HMODULE module = LoadLibraryW(u"vm4k2test.dll");
  ASSERT_NE(module, nullptr);

  PlatformTest_SetExportAbsent("shell32.dll", "SetLastError", TRUE, FALSE);
  PlatformTest_SetExportAbsent("VM4K2TEST.dll", "TestAdd", TRUE, FALSE);
  HMODULE shell = LoadLibraryW(u"shell32.dll");
  struct Case {
    HMODULE module;
    const char* name;
    bool found;
  } cases[] = {
      {shell, "SetLastError", false}, {GetModuleHandleW(u"kernel32.dll"), "SetLastError", true},
      {module, "TestAdd", false}, {module, "DllMain", true},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    FARPROC proc = GetProcAddress(c.module, c.name);
    EXPECT_EQ(proc != nullptr, c.found) << c.name;
    if (!c.found) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }
  }
  PlatformTest_SetExportAbsent("vm4k2test.dll", "TestAdd", FALSE, FALSE);
  EXPECT_NE(GetProcAddress(module, "TestAdd"), nullptr);
  FreeLibrary(module);
}

TEST_F(ModuleLoader, ProcessFileNameIsTheImageNameInTheMachine) {
  PlatformTest_SetControl("ImageName", "printfilterpipelinesvc.exe", FALSE);
  EXPECT_EQ(FileName(nullptr), u"C:\\Windows\\System32\\printfilterpipelinesvc.exe");
  EXPECT_EQ(FileName(GetModuleHandleW(nullptr)), u"C:\\Windows\\System32\\printfilterpipelinesvc.exe");
  EXPECT_EQ(GetModuleHandleW(u"printfilterpipelinesvc.exe"), GetModuleHandleW(nullptr));
  PlatformTest_SetControl("ImageName", "C:\\Program Files\\App\\app.exe", FALSE);
  EXPECT_EQ(FileName(nullptr), u"C:\\Program Files\\App\\app.exe");
  PlatformTest_SetControl("ImageName", nullptr, FALSE);
  // A program outside the machine never shows its host path.
  std::u16string own = FileName(nullptr);
  EXPECT_EQ(own.rfind(u"C:\\", 0), 0u);
}

TEST_F(ModuleLoader, FileNameTruncatesToTheBufferAsThePlatformDoes) {
  PlatformTest_SetControl("ImageName", "C:\\Apps\\prog.exe", FALSE);  // 16 characters
  struct Case {
    DWORD size;
    DWORD result;
    DWORD error;
    std::u16string text;
  } cases[] = {
      {17, 16, kErrorMarker, u"C:\\Apps\\prog.exe"},
      {16, 16, ERROR_INSUFFICIENT_BUFFER, u"C:\\Apps\\prog.ex"},
      {4, 4, ERROR_INSUFFICIENT_BUFFER, u"C:\\"},
  };
  for (const Case& c : cases) {
    WCHAR buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, c.size), c.result);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(std::u16string(buffer), c.text);
    EXPECT_EQ(buffer[c.size], u'#');  // nothing written past the buffer
  }
}

TEST_F(ModuleLoader, ModuleHandlesAreNoKernelHandles) {
  HMODULE kernel = GetModuleHandleW(u"kernel32.dll");
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(kernel)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_NE(GetProcAddress(kernel, "GetLastError"), nullptr);
  // They fit the 32-bit fields the driver moves handles through.
  EXPECT_LT(reinterpret_cast<uintptr_t>(kernel), 0x80000000u);
}

TEST_F(ModuleLoader, DataFileModulesServeOnlyResources) {
  Install(TEST_LIBRARY, "Windows/System32/vm4k2test.dll");
  for (DWORD flags : {static_cast<DWORD>(LOAD_LIBRARY_AS_DATAFILE), static_cast<DWORD>(LOAD_LIBRARY_AS_IMAGE_RESOURCE)}) {
    HMODULE data = LoadLibraryExW(u"C:\\Windows\\System32\\vm4k2test.dll", nullptr, flags);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(g_calls.empty());  // nothing of the file runs
    WCHAR buffer[MAX_PATH];
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetModuleFileNameW(data, buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetProcAddress(data, "TestAdd"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"vm4k2test.dll"), nullptr);
    EXPECT_TRUE(FreeLibrary(data));
  }
}

TEST_F(ModuleLoader, RejectsBadArguments) {
  SetLastError(kErrorMarker);
  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x7777), nullptr, 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x7777), "x"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
