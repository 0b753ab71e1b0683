#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/registry.h>

#include "peer_process.h"
#include "temp_machine.h"

namespace {

using testsupport::TempMachine;

const BYTE* Bytes(const void* p) { return static_cast<const BYTE*>(p); }

class Registry : public ::testing::Test {
 protected:
  HKEY Create(HKEY root, const WCHAR* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr), ERROR_SUCCESS);
    return key;
  }
  void SetString(HKEY key, const WCHAR* name, std::u16string text, bool terminated = true) {
    DWORD size = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(WCHAR));
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, Bytes(text.c_str()), size), ERROR_SUCCESS);
  }
  std::string ReadHostFile(const std::string& relative) {
    std::ifstream in(machine_.Host(relative), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  TempMachine machine_;
};

TEST_F(Registry, PredefinedKeysHaveTheirWindowsValues) {
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT), 0xFFFFFFFF80000000ull);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HKEY_CURRENT_USER), 0xFFFFFFFF80000001ull);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HKEY_LOCAL_MACHINE), 0xFFFFFFFF80000002ull);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HKEY_USERS), 0xFFFFFFFF80000003ull);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(Registry, QuerySizeFirstThenData) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor\\Sizing");
  SetString(key, u"Language", u"English");
  const DWORD needed = 16;  // seven characters and the terminator

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Language", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, needed);

  WCHAR small[4] = {u'x', u'x', u'x', u'x'};
  size = sizeof small;
  type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Language", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  WCHAR exact[8];
  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExW(key, u"Language", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(std::u16string(exact), u"English");

  size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Language", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(Registry, StringStoredWithoutTerminatorComesBackWithout) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor");
  SetString(key, u"Raw", u"ABC", false);
  WCHAR text[8];
  for (WCHAR& c : text) c = u'#';
  DWORD size = sizeof text;
  EXPECT_EQ(RegQueryValueExW(key, u"Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(std::u16string(text, 4), u"ABC#");  // nothing written beyond the stored bytes

  // An odd byte count and a lone surrogate survive the trip through the file as well.
  const BYTE odd[3] = {0x41, 0x00, 0x42};
  ASSERT_EQ(RegSetValueExW(key, u"Odd", 0, REG_SZ, odd, sizeof odd), ERROR_SUCCESS);
  const WCHAR lone[2] = {0xD800, u'x'};
  ASSERT_EQ(RegSetValueExW(key, u"Lone", 0, REG_SZ, Bytes(lone), sizeof lone), ERROR_SUCCESS);
  BYTE back[8] = {};
  size = sizeof back;
  EXPECT_EQ(RegQueryValueExW(key, u"Odd", nullptr, nullptr, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::vector<BYTE>(back, back + size), std::vector<BYTE>(odd, odd + 3));
  size = sizeof back;
  EXPECT_EQ(RegQueryValueExW(key, u"Lone", nullptr, nullptr, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::vector<BYTE>(back, back + size), std::vector<BYTE>(Bytes(lone), Bytes(lone) + 4));
  RegCloseKey(key);
}

TEST_F(Registry, KeysAndValuesMatchWithoutCaseAndKeepTheirCase) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor K8000 Series PCL6");
  DWORD one = 1;
  ASSERT_EQ(RegSetValueExW(key, u"SleepTime", 0, REG_DWORD, Bytes(&one), 4), ERROR_SUCCESS);
  DWORD two = 2;
  ASSERT_EQ(RegSetValueExW(key, u"SLEEPTIME", 0, REG_DWORD, Bytes(&two), 4), ERROR_SUCCESS);
  RegCloseKey(key);

  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\VELMOR k8000 series pcl6", 0, KEY_READ, &again), ERROR_SUCCESS);
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(again, u"sleeptime", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
  WCHAR name[64];
  DWORD length = 64;
  ASSERT_EQ(RegEnumValueW(again, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"SleepTime");  // the first writer's case is kept
  EXPECT_EQ(RegEnumValueW(again, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(again);

  // Exactly one folder for the key, spelled as it was created.
  EXPECT_EQ(ReadHostFile("registry/HKEY_LOCAL_MACHINE/SOFTWARE/Velmor K8000 Series PCL6/@SleepTime"),
            "REG_DWORD 4 dword\n0x00000002\n");
}

TEST_F(Registry, ValueFilesArePinnedAndReadable) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor\\Format");
  SetString(key, u"Language", u"Fran\u00E7ais");
  const BYTE blob[3] = {0x00, 0xAB, 0xFF};
  ASSERT_EQ(RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
  SetString(key, nullptr, u"x");
  ASSERT_EQ(RegSetValueExW(key, u"a/b%c", 0, 0x12345, nullptr, 0), ERROR_SUCCESS);
  RegCloseKey(key);
  std::string folder = "registry/HKEY_LOCAL_MACHINE/SOFTWARE/Velmor/Format/";
  EXPECT_EQ(ReadHostFile(folder + "@Language"), std::string("REG_SZ 18 text\nFran\xC3\xA7" "ais") + '\0');
  EXPECT_EQ(ReadHostFile(folder + "@Blob"), "REG_BINARY 3 hex\n00 ab ff\n");
  EXPECT_EQ(ReadHostFile(folder + "@"), std::string("REG_SZ 4 text\nx") + '\0');
  EXPECT_EQ(ReadHostFile(folder + "@a%2Fb%25c"), "74565 0 hex\n");
}

TEST_F(Registry, CreateReportsDispositionAndMakesEveryLevel) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Velmor\\vm4k2\\Deep", 0, nullptr, 0, KEY_READ, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\velmor\\VM4K2\\deep\\", 0, nullptr, 0, KEY_READ, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  // HKEY_CURRENT_USER is the user's key under HKEY_USERS.
  ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, u"User\\Software\\Velmor\\vm4k2\\Deep", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  // HKEY_CLASSES_ROOT is the machine's classes.
  HKEY clsid = Create(HKEY_CLASSES_ROOT, u"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}");
  RegCloseKey(clsid);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, RefusalsUseTheSystemsCodes) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor");
  RegCloseKey(key);
  struct Case {
    const char* what;
    LSTATUS status;
    LSTATUS expected;
  };
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
  HKEY ignored = nullptr;
  DWORD v = 1;
  Case cases[] = {
      {"open missing", RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", 0, KEY_READ, &ignored), ERROR_FILE_NOT_FOUND},
      {"open null result", RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER},
      {"bad handle", RegOpenKeyExW(reinterpret_cast<HKEY>(0x4321), u"x", 0, KEY_READ, &ignored), ERROR_INVALID_HANDLE},
      {"set on read handle", RegSetValueExW(readOnly, u"v", 0, REG_DWORD, Bytes(&v), 4), ERROR_ACCESS_DENIED},
      {"create under read handle",
       RegCreateKeyExW(readOnly, u"Sub", 0, nullptr, 0, KEY_READ, nullptr, &ignored, nullptr), ERROR_ACCESS_DENIED},
      {"new hive", RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"NEWHIVE", 0, nullptr, 0, KEY_READ, nullptr, &ignored, nullptr),
       ERROR_ACCESS_DENIED},
      {"delete hive", RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE"), ERROR_ACCESS_DENIED},
      {"delete missing value", RegDeleteValueW(HKEY_LOCAL_MACHINE, u"Nothing"), ERROR_FILE_NOT_FOUND},
      {"null data with size", RegSetValueExW(HKEY_LOCAL_MACHINE, u"v", 0, REG_DWORD, nullptr, 4), ERROR_NOACCESS},
      {"close bad handle", RegCloseKey(reinterpret_cast<HKEY>(0x4321)), ERROR_INVALID_HANDLE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.status, c.expected) << c.what;
  RegCloseKey(readOnly);
}

TEST_F(Registry, EnumerationIsOrderedAndSizesNames) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Enum");
  for (const WCHAR* name : {u"beta", u"Alpha", u"gamma"}) RegCloseKey(Create(key, name));
  SetString(key, u"Zed", u"1");
  SetString(key, u"apple", u"22");

  std::vector<std::u16string> names;
  WCHAR name[16];
  for (DWORD i = 0;; ++i) {
    DWORD length = 16;
    LSTATUS status = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(length, std::u16string(name).size());
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma"}));

  DWORD length = 5;  // "Alpha" needs 6 with its terminator
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  length = 16;
  DWORD type = 0, size = 2;
  BYTE data[8];
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  length = 16;
  size = sizeof data;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"apple");
  EXPECT_EQ(length, 5u);

  DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName,
                             &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 3u);
  EXPECT_EQ(maxSubkey, 5u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxName, 5u);
  EXPECT_EQ(maxData, 6u);
  RegCloseKey(key);
}

TEST_F(Registry, DeleteKeyNeedsNoSubkeysAndDeleteTreeTakesAll) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Branch\\Leaf");
  SetString(key, u"v", u"x");
  RegCloseKey(key);
  HKEY tree = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree");
  SetString(tree, u"top", u"y");

  EXPECT_EQ(RegDeleteKeyW(tree, u"Branch"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(tree, u"branch\\LEAF"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(tree, u"Branch\\Leaf"), ERROR_FILE_NOT_FOUND);

  RegCloseKey(Create(tree, u"Branch\\Again\\More"));
  EXPECT_EQ(RegDeleteTreeW(tree, nullptr), ERROR_SUCCESS);  // contents go, the key stays
  DWORD subkeys = 9, values = 9;
  ASSERT_EQ(RegQueryInfoKeyW(tree, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 0u);
  EXPECT_EQ(values, 0u);

  RegCloseKey(Create(tree, u"Branch\\Again"));
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\TREE"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree"), ERROR_FILE_NOT_FOUND);
  // The handle still open on the deleted key says so.
  DWORD v = 1;
  EXPECT_EQ(RegSetValueExW(tree, u"v", 0, REG_DWORD, Bytes(&v), 4), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(tree), ERROR_SUCCESS);
}

TEST_F(Registry, AnotherProcessReadsWhatThisOneWrote) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Velmor K8000 Series PCL6");
  SetString(key, u"Language", u"Fran\u00E7ais");
  RegCloseKey(key);
  PeerResult read = RunPeer({"get-string", "HKLM", "Software\\velmor k8000 series pcl6", "LANGUAGE"});
  EXPECT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.output, "Fran\xC3\xA7" "ais");

  PeerResult write = RunPeer({"set-string", "HKCU", "Software\\Velmor\\vm4k2", "Written", "by the peer"});
  ASSERT_EQ(write.exitCode, 0);
  HKEY user = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Velmor\\vm4k2", 0, KEY_READ, &user), ERROR_SUCCESS);
  WCHAR text[32];
  DWORD size = sizeof text;
  EXPECT_EQ(RegQueryValueExW(user, u"Written", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(text), u"by the peer");
  RegCloseKey(user);
}

TEST_F(Registry, AReaderNeverSeesAValueWrittenInPart) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race");
  SetString(key, u"Value", std::u16string(7, u'b'));
  int readEnd = -1;
  pid_t peer = StartPeer({"hammer", "HKLM", "SOFTWARE\\Race", "Value", "300"}, readEnd);
  ASSERT_GT(peer, 0);
  int reads = 0;
  for (; reads < 2000; ++reads) {
    WCHAR text[400];
    DWORD size = sizeof text;
    ASSERT_EQ(RegQueryValueExW(key, u"Value", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    std::u16string seen(text, size / sizeof(WCHAR) - 1);
    ASSERT_TRUE(seen == std::u16string(300, u'a') || seen == std::u16string(7, u'b')) << "size " << size;
    if (waitpid(peer, nullptr, WNOHANG) == peer) {
      peer = 0;
      break;
    }
  }
  if (peer) {
    EXPECT_EQ(FinishPeer(peer, readEnd).exitCode, 0);
  } else {
    close(readEnd);
  }
  RegCloseKey(key);
}

}  // namespace

namespace {

TEST_F(Registry, GetValueTerminatesExpandsAndRestrictsTypes) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get");
  SetString(key, u"Raw", u"ABC", false);
  const std::u16string expandable = u"%SystemRoot%\\Fonts";
  ASSERT_EQ(RegSetValueExW(key, u"Path", 0, REG_EXPAND_SZ, Bytes(expandable.c_str()),
                           static_cast<DWORD>((expandable.size() + 1) * 2)),
            ERROR_SUCCESS);
  const BYTE four[4] = {1, 0, 0, 0};
  ASSERT_EQ(RegSetValueExW(key, u"Four", 0, REG_BINARY, four, 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Three", 0, REG_BINARY, four, 3), ERROR_SUCCESS);
  RegCloseKey(key);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Raw", RRF_RT_REG_SZ, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);  // the terminator the stored data lacks is counted
  WCHAR text[64];
  size = 6;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Raw", RRF_RT_REG_SZ, &type, text, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Raw", RRF_RT_REG_SZ, &type, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(text), u"ABC");

  size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Path", RRF_RT_REG_SZ, &type, text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::u16string(text), u"C:\\Windows\\Fonts");
  size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Path", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type,
                         text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(std::u16string(text), expandable);

  DWORD number = 0xFFFFFFFF;
  size = sizeof number;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Four", RRF_RT_DWORD, &type, &number, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 1u);
  struct Refusal {
    const WCHAR* value;
    DWORD flags;
    LSTATUS expected;
  };
  const Refusal refusals[] = {
      {u"Three", RRF_RT_DWORD, ERROR_DATATYPE_MISMATCH},
      {u"Raw", RRF_RT_REG_DWORD, ERROR_UNSUPPORTED_TYPE},
      {u"Path", RRF_RT_REG_EXPAND_SZ, ERROR_INVALID_PARAMETER},
      {u"Raw", 0, ERROR_INVALID_PARAMETER},
      {u"Missing", RRF_RT_ANY, ERROR_FILE_NOT_FOUND},
  };
  for (const Refusal& r : refusals) {
    number = 0xFFFFFFFF;
    size = sizeof number;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", r.value, r.flags | RRF_ZEROONFAILURE, nullptr,
                           &number, &size),
              r.expected);
  }
  number = 0xFFFFFFFF;
  size = sizeof number;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Get", u"Raw", RRF_RT_REG_DWORD | RRF_ZEROONFAILURE, nullptr,
                         &number, &size),
            ERROR_UNSUPPORTED_TYPE);
  EXPECT_EQ(number, 0u);
}

}  // namespace
