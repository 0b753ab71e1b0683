// Profile (INI) files: the platform's documented edge cases, the exact bytes written, the
// read-only attribute and injected write failures, two processes writing one file, and the
// format checked against Python's configparser both ways.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/profile.h>

#include "platform_testing.h"
#include "program_text.h"
#include "temp_machine.h"

namespace fs = std::filesystem;
using plat_testing::Utf8;
using testsupport::kErrorMarker;

namespace {

constexpr char16_t kFile[] = u"C:\\Users\\Public\\vm4k2sm.dat";

// A double-NUL list as its items.
std::vector<std::u16string> List(const WCHAR* buffer, DWORD length) {
  std::vector<std::u16string> items;
  std::u16string current;
  for (DWORD i = 0; i < length; ++i) {
    if (buffer[i] == 0) {
      items.push_back(current);
      current.clear();
    } else {
      current.push_back(buffer[i]);
    }
  }
  if (!current.empty()) items.push_back(current);
  return items;
}


class Profile : public ::testing::Test {
 protected:
  std::string Host() const { return machine_.Host("drives/C/Users/Public/vm4k2sm.dat"); }
  void Store(const std::string& bytes) {
    fs::create_directories(fs::path(Host()).parent_path());
    std::ofstream(Host(), std::ios::binary) << bytes;
  }
  std::string Stored() const {
    std::ifstream in(Host(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::u16string Get(const char16_t* section, const char16_t* key, const char16_t* fallback = u"-",
                            DWORD size = 64, const char16_t* file = kFile) {
    WCHAR buffer[128];
    DWORD n = GetPrivateProfileStringW(section, key, fallback, buffer, size, file);
    return std::u16string(buffer, n);
  }
  testsupport::TempMachine machine_;
};

constexpr char kSample[] =
    "; written by hand\r\n"
    "[Printer One]\r\n"
    "Status = 128\r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Half=\"open\r\n"
    "NoValue\r\n"
    "Empty=\r\n"
    "Number=12abc\r\n"
    "\r\n"
    " [ Spaced Section ]\r\n"
    "key = v = w\r\n";

TEST_F(Profile, ReadsValuesAsThePlatformDoes) {
  Store(kSample);
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* fallback;
    std::u16string text;
    DWORD error;
  } cases[] = {
      {u"Printer One", u"Status", u"-", u"128", kErrorMarker},
      {u"PRINTER ONE", u"status", u"-", u"128", kErrorMarker},      // names compare without case
      {u"Printer One", u"Quoted", u"-", u"  spaced  ", kErrorMarker},  // quotes go, blanks inside stay
      {u"Printer One", u"Single", u"-", u"x", kErrorMarker},
      {u"Printer One", u"Half", u"-", u"\"open", kErrorMarker},
      {u"Printer One", u"Empty", u"-", u"", kErrorMarker},
      {u"Spaced Section", u"key", u"-", u"v = w", kErrorMarker},
      {u"Printer One", u"Missing", u"fallback  ", u"fallback", ERROR_FILE_NOT_FOUND},  // default loses trailing blanks
      {u"No Section", u"Status", nullptr, u"", ERROR_FILE_NOT_FOUND},
      {u"Printer One", u"; written by hand", u"-", u"-", ERROR_FILE_NOT_FOUND},  // comments are no keys
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(Get(c.section, c.key, c.fallback), c.text) << std::string(c.key, c.key + 3);
    EXPECT_EQ(GetLastError(), c.error);
  }
  struct IntCase {
    const char16_t* key;
    INT fallback;
    UINT value;
  } ints[] = {{u"Status", 7, 128}, {u"Number", 7, 12}, {u"Single", 7, 0}, {u"Missing", 7, 7}};
  for (const IntCase& c : ints) EXPECT_EQ(GetPrivateProfileIntW(u"Printer One", c.key, c.fallback, kFile), c.value);
}

TEST_F(Profile, MissingFilesGiveTheDefault) {
  for (const char16_t* file : {u"C:\\Users\\Public\\none.ini", u"C:\\No Folder\\none.ini"}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(Get(u"S", u"K", u"dflt", 64, file), u"dflt");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 42, file), 42u);
    WCHAR buffer[8] = {u'#', u'#', u'#'};
    EXPECT_EQ(GetPrivateProfileSectionNamesW(buffer, 8, file), 0u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);
  }
}

TEST_F(Profile, SmallBuffersAreCutAsDocumented) {
  Store("[A]\r\nkey=abcdef\r\nk2=x\r\n[Bee]\r\n[Cat]\r\n");
  struct Case {
    DWORD size;
    DWORD result;
    std::u16string text;
  } values[] = {{64, 6, u"abcdef"}, {7, 6, u"abcdef"}, {6, 5, u"abcde"}, {2, 1, u"a"}, {1, 0, u""}};
  for (const Case& c : values) EXPECT_EQ(Get(u"A", u"key", u"-", c.size), c.text) << c.size;

  // Lists: "A\0Bee\0Cat\0\0" needs 11; a cut ends in two NULs and answers size - 2.
  struct ListCase {
    DWORD size;
    DWORD result;
    std::vector<std::u16string> items;
  } lists[] = {
      {11, 10, {u"A", u"Bee", u"Cat"}}, {32, 10, {u"A", u"Bee", u"Cat"}},
      {10, 8, {u"A", u"Bee", u"Ca"}},   {5, 3, {u"A", u"B"}}, {2, 0, {}},
  };
  for (const ListCase& c : lists) {
    WCHAR buffer[40];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    DWORD n = GetPrivateProfileSectionNamesW(buffer, c.size, kFile);
    EXPECT_EQ(n, c.result) << c.size;
    EXPECT_EQ(buffer[n], 0);  // the list's closing NUL
    if (n == c.size - 2) {
      EXPECT_EQ(buffer[n + 1], 0);
    }
    EXPECT_EQ(buffer[c.size], u'#');
    EXPECT_EQ(List(buffer, n), c.items) << c.size;
  }
  WCHAR keys[40];
  DWORD n = GetPrivateProfileStringW(u"a", nullptr, u"ignored", keys, 40, kFile);
  EXPECT_EQ(List(keys, n), (std::vector<std::u16string>{u"key", u"k2"}));
  n = GetPrivateProfileSectionW(u"A", keys, 40, kFile);
  EXPECT_EQ(List(keys, n), (std::vector<std::u16string>{u"key=abcdef", u"k2=x"}));
  n = GetPrivateProfileSectionW(u"A", keys, 12, kFile);
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(List(keys, n), (std::vector<std::u16string>{u"key=abcdef"}));
}

TEST_F(Profile, WritesCreateUpdateAndDelete) {
  fs::create_directories(fs::path(Host()).parent_path());
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer One", u"Status", u"128", kFile));
  EXPECT_EQ(Stored(), "[Printer One]\r\nStatus=128\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer Two", u"Status", u"3", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(u"printer one", u"ValueCode", u"0", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer One", u"STATUS", u"4", kFile));
  EXPECT_EQ(Stored(), "[Printer One]\r\nStatus=4\r\nValueCode=0\r\n[Printer Two]\r\nStatus=3\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer One", u"Status", nullptr, kFile));
  EXPECT_EQ(Stored(), "[Printer One]\r\nValueCode=0\r\n[Printer Two]\r\nStatus=3\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer One", nullptr, nullptr, kFile));
  EXPECT_EQ(Stored(), "[Printer Two]\r\nStatus=3\r\n");
  // Deleting what is not there changes nothing and succeeds.
  EXPECT_TRUE(WritePrivateProfileStringW(u"Printer Nine", nullptr, nullptr, kFile));
  EXPECT_TRUE(WritePrivateProfileStringW(u"Printer Two", u"None", nullptr, kFile));
  EXPECT_EQ(Stored(), "[Printer Two]\r\nStatus=3\r\n");

  SetLastError(kErrorMarker);
  EXPECT_FALSE(WritePrivateProfileStringW(nullptr, u"K", u"V", kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"V", u"C:\\No Folder\\x.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // A name without a folder lives in the Windows folder.
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"K", u"V", u"vm4k2test.ini"));
  EXPECT_TRUE(fs::exists(machine_.Host("drives/C/Windows/vm4k2test.ini")));
  EXPECT_EQ(Get(u"S", u"K", u"-", 64, u"C:\\Windows\\vm4k2test.ini"), u"V");
}

TEST_F(Profile, EditsKeepTheLinesTheyDoNotTouch) {
  Store(kSample);
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer One", u"Status", u"3", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer One", u"RunMode", u"1", kFile));
  std::string expected = kSample;
  expected.replace(expected.find("Status = 128"), 12, "Status=3");
  expected.insert(expected.find("\r\n\r\n [ Spaced") + 2, "RunMode=1\r\n");
  EXPECT_EQ(Stored(), expected);
}

TEST_F(Profile, KeepsTheFilesEncoding) {
  // UTF-16 with a byte-order mark stays UTF-16; others are in code page 1252.
  std::u16string text = u"[Dr\u00e4ger]\r\nName=\u20ac 5\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : text) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  Store(utf16);
  EXPECT_EQ(Get(u"DR\u00c4GER", u"name"), u"\u20ac 5");
  ASSERT_TRUE(WritePrivateProfileStringW(u"Dr\u00e4ger", u"Owner", u"\u4e2d", kFile));
  std::string stored = Stored();
  ASSERT_GE(stored.size(), 2u);
  EXPECT_EQ(stored.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Get(u"Dr\u00e4ger", u"Owner"), u"\u4e2d");

  fs::remove(Host());
  ASSERT_TRUE(WritePrivateProfileStringW(u"Dr\u00e4ger", u"Name", u"\u20ac \u4e2d", kFile));
  EXPECT_EQ(Stored(), "[Dr\xe4ger]\r\nName=\x80 ?\r\n");
  EXPECT_EQ(Get(u"Dr\u00e4ger", u"Name"), u"\u20ac ?");
}

TEST_F(Profile, StructuresCarryAChecksum) {
  fs::create_directories(fs::path(Host()).parent_path());
  BYTE block[3] = {0x01, 0x02, 0xFE};
  ASSERT_TRUE(WritePrivateProfileStructW(u"P", u"DebugStatusStr", block, 3, kFile));
  EXPECT_EQ(Stored(), "[P]\r\nDebugStatusStr=0102FE01\r\n");
  BYTE back[3] = {};
  EXPECT_TRUE(GetPrivateProfileStructW(u"P", u"DebugStatusStr", back, 3, kFile));
  EXPECT_EQ(std::vector<BYTE>(back, back + 3), std::vector<BYTE>(block, block + 3));

  struct Case {
    const char16_t* stored;
    UINT size;
    DWORD error;
  } cases[] = {
      {u"0102fe01", 3, kErrorMarker},           // lower-case digits are read too
      {u"0102FE02", 3, ERROR_INVALID_DATA},    // wrong checksum
      {u"0102FE01", 4, ERROR_BAD_LENGTH},
      {u"0102FE", 2, ERROR_INVALID_DATA},      // checksum FE does not match 01 + 02
      {u"01G2FE01", 3, ERROR_INVALID_DATA},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"P", u"K", c.stored, kFile));
    BYTE out[8] = {};
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetPrivateProfileStructW(u"P", u"K", out, c.size, kFile), c.error == kErrorMarker);
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(kErrorMarker);
  BYTE out[3];
  EXPECT_FALSE(GetPrivateProfileStructW(u"P", u"Missing", out, 3, kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Profile, WritesHonourReadOnlyAndInjectedFailures) {
  Store("[P]\r\nStatus=1\r\n");
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WritePrivateProfileStringW(u"P", u"Status", u"2", kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Get(u"P", u"Status"), u"1");  // still readable
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_NORMAL));

  PlatformTest_FailWritesTo(kFile, FALSE);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WritePrivateProfileStringW(u"P", u"Status", u"2", kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
  EXPECT_EQ(Stored(), "[P]\r\nStatus=1\r\n");
  // A file that cannot be written is not created either.
  fs::remove(Host());
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WritePrivateProfileStringW(u"P", u"Status", u"2", kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
  EXPECT_FALSE(fs::exists(Host()));
  PlatformTest_FailWritesTo(nullptr, FALSE);
  EXPECT_TRUE(WritePrivateProfileStringW(u"P", u"Status", u"2", kFile));

  // A handle that denies writing makes writers wait for nobody: they fail at once.
  HANDLE holder = CreateFileW(kFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WritePrivateProfileStringW(u"P", u"Status", u"3", kFile));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Get(u"P", u"Status"), u"2");
  CloseHandle(holder);
}

TEST_F(Profile, TwoProcessesWritingOneFileLoseNoKey) {
  fs::create_directories(fs::path(Host()).parent_path());
  constexpr int kKeys = 60;
  auto writeKeys = [](const char16_t* section) {
    for (int i = 0; i < kKeys; ++i) {
      std::u16string key = u"Key" + std::u16string(1, static_cast<char16_t>(u'A' + i / 26)) +
                           std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
      if (!WritePrivateProfileStringW(section, key.c_str(), u"1", kFile)) return false;
    }
    return true;
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(writeKeys(u"Child") ? 0 : 1);
  bool parentOk = writeKeys(u"Parent");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(parentOk);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (const char16_t* section : {u"Child", u"Parent"}) {
    std::vector<WCHAR> buffer(4096);
    DWORD n = GetPrivateProfileStringW(section, nullptr, u"", buffer.data(), static_cast<DWORD>(buffer.size()), kFile);
    EXPECT_EQ(List(buffer.data(), n).size(), static_cast<size_t>(kKeys));
  }
}

// ---- Against Python's configparser ---------------------------------------------------------

std::string RunPython(const std::string& script, const std::string& argument) {
  std::string path = fs::temp_directory_path() / ("velmor_ini_" + std::to_string(getpid()) + ".py");
  std::ofstream(path) << script;
  std::string command = "python3 " + path + " '" + argument + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::array<char, 512> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), n);
    pclose(pipe);
  }
  fs::remove(path);
  return output;
}

// Sections, keys and values as UTF-8 "section|key|value" lines, in file order.
constexpr char kDumpScript[] = R"(import configparser, sys
raw = open(sys.argv[1], 'rb').read()
text = raw.decode('utf-16') if raw.startswith(b'\xff\xfe') else raw.decode('cp1252')
parser = configparser.ConfigParser(interpolation=None, delimiters=('=',), comment_prefixes=(';',), strict=False)
parser.optionxform = str
parser.read_string(text)
for section in parser.sections():
    for key, value in parser.items(section):
        sys.stdout.buffer.write(('%s|%s|%s\n' % (section, key, value)).encode('utf-8'))
)";

constexpr char kWriteScript[] = R"(import configparser, sys
parser = configparser.ConfigParser(interpolation=None)
parser.optionxform = str
parser['Velmor K8000 Series PCL6'] = {'Status': '128', 'ValueCode': '0', 'PortName': 'USB001'}
parser['Printer \u00c4'] = {'JobOwner': 'DESKTOP-\u00e9', 'TonerRemain': '45'}
encoding = 'utf-16' if sys.argv[1].endswith('16') else 'cp1252'
with open(sys.argv[1], 'w', encoding=encoding, newline='\r\n') as f:
    parser.write(f)
)";

// What the stand-in reads, in the dump script's form.
std::string DumpWithStandIn(const char16_t* file) {
  std::string out;
  std::vector<WCHAR> sections(4096), keys(4096);
  DWORD n = GetPrivateProfileSectionNamesW(sections.data(), 4096, file);
  for (const std::u16string& section : List(sections.data(), n)) {
    DWORD k = GetPrivateProfileStringW(section.c_str(), nullptr, u"", keys.data(), 4096, file);
    for (const std::u16string& key : List(keys.data(), k)) {
      WCHAR value[256];
      DWORD v = GetPrivateProfileStringW(section.c_str(), key.c_str(), u"", value, 256, file);
      out += Utf8(section) + "|" + Utf8(key) + "|" + Utf8(std::u16string_view(value, v)) + "\n";
    }
  }
  return out;
}

TEST_F(Profile, ConfigParserReadsWhatTheStandInWrites) {
  fs::create_directories(fs::path(Host()).parent_path());
  struct Entry {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
  } entries[] = {
      {u"Velmor K8000 Series PCL6", u"Status", u"128"}, {u"Velmor K8000 Series PCL6", u"PortName", u"192.168.0.20"},
      {u"Printer \u00c4", u"JobOwner", u"DESKTOP \u00e9"}, {u"Printer \u00c4", u"Text", u"a = b"},
      {u"Velmor K8000 Series PCL6", u"ShowDlgAgain", u"0"},
  };
  for (bool utf16 : {false, true}) {
    fs::remove(Host());
    if (utf16) Store("\xFF\xFE");
    for (const Entry& e : entries) ASSERT_TRUE(WritePrivateProfileStringW(e.section, e.key, e.value, kFile));
    std::string python = RunPython(kDumpScript, Host());
    EXPECT_EQ(python, DumpWithStandIn(kFile)) << (utf16 ? "UTF-16" : "ANSI");
    EXPECT_NE(python.find("Printer \xc3\x84|Text|a = b\n"), std::string::npos) << python;
  }
}

TEST_F(Profile, StandInReadsWhatConfigParserWrites) {
  fs::create_directories(fs::path(Host()).parent_path());
  for (const char* name : {"written.ini", "written.ini16"}) {
    std::string host = machine_.Host(std::string("drives/C/Users/Public/") + name);
    ASSERT_EQ(RunPython(kWriteScript, host), "");
    std::u16string file = u"C:\\Users\\Public\\" + std::u16string(name, name + std::strlen(name));
    EXPECT_EQ(Get(u"Velmor K8000 Series PCL6", u"PortName", u"-", 64, file.c_str()), u"USB001") << name;
    EXPECT_EQ(GetPrivateProfileIntW(u"Velmor K8000 Series PCL6", u"Status", 0, file.c_str()), 128u) << name;
    EXPECT_EQ(Get(u"Printer \u00c4", u"JobOwner", u"-", 64, file.c_str()), u"DESKTOP-\u00e9") << name;
    EXPECT_EQ(DumpWithStandIn(file.c_str()), RunPython(kDumpScript, host)) << name;
  }
}

}  // namespace
