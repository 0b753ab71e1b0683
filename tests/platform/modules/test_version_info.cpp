// Version information of PE files of the machine: the fixed part, the translation table and
// the texts, read the way the status monitor checks a registered control's product version.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include <win/version.h>

#include "temp_machine.h"

namespace fs = std::filesystem;
using testsupport::kErrorMarker;

namespace {

class VersionInfo : public ::testing::Test {
 protected:
  std::u16string Place(const std::string& hostFile, const std::string& name) {
    fs::path target = machine_.Host("drives/C/Program Files/Sample/" + name);
    fs::create_directories(target.parent_path());
    fs::copy_file(hostFile, target, fs::copy_options::overwrite_existing);
    return u"C:\\Program Files\\Sample\\" + std::u16string(name.begin(), name.end());
  }
  std::vector<BYTE> Read(const std::u16string& path) {
    DWORD handle = 77;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> data(size);
    if (size) {
      EXPECT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    }
    return data;
  }
  static std::u16string Text(const std::vector<BYTE>& data, const char16_t* query) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), query, &value, &length)) return u"<none>";
    const char16_t* text = static_cast<const char16_t*>(value);
    std::u16string out(text, length);
    while (!out.empty() && out.back() == 0) out.pop_back();
    return out;
  }
  testsupport::TempMachine machine_;
};

TEST_F(VersionInfo, ReadsFixedPartTranslationAndTexts) {
  std::vector<BYTE> data = Read(Place(SAMPLE_RESOURCES, "control.ocx"));
  ASSERT_FALSE(data.empty());
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), u"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00080001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00020003u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00090000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 45u);

  ASSERT_TRUE(VerQueryValueW(data.data(), u"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const WORD* pair = static_cast<const WORD*>(value);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);

  struct Case {
    const char16_t* query;
    const char16_t* text;
  } cases[] = {
      {u"\\StringFileInfo\\040904B0\\ProductVersion", u"9,0,0,45"},
      {u"\\StringFileInfo\\040904b0\\companyname", u"Sample Maker"},  // keys compare without case
      {u"\\StringFileInfo\\040904B0\\FileDescription", u"<none>"},
      {u"\\StringFileInfo\\041104B0\\ProductVersion", u"<none>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(data, c.query), c.text);
}

TEST_F(VersionInfo, SatelliteLibraryCarriesItsVersion) {
  std::vector<BYTE> data = Read(Place(UI_SATELLITE, "vm4k2enus.dll"));
  EXPECT_EQ(Text(data, u"\\StringFileInfo\\040904B0\\OriginalFilename"), u"vm4k2enus.dll");
  EXPECT_EQ(Text(data, u"\\StringFileInfo\\040904B0\\ProductName"), u"Velmor K8000 Series PCL6");
}

TEST_F(VersionInfo, FilesWithoutVersionInformationFail) {
  fs::create_directories(machine_.Host("drives/C/Program Files/Sample"));
  std::ofstream(machine_.Host("drives/C/Program Files/Sample/notes.txt")) << "no resources here";
  struct Case {
    std::u16string path;
    DWORD error;
  } cases[] = {
      {Place(TEST_LIBRARY, "vm4k2dr.dll"), ERROR_RESOURCE_DATA_NOT_FOUND},  // an ELF deliverable
      {u"C:\\Program Files\\Sample\\notes.txt", ERROR_RESOURCE_DATA_NOT_FOUND},
      {u"C:\\Program Files\\Sample\\missing.ocx", ERROR_FILE_NOT_FOUND},
      {u"C:\\No Folder\\missing.ocx", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    DWORD handle = 77;
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetFileVersionInfoSizeW(c.path.c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), c.error);
    BYTE buffer[64];
    SetLastError(kErrorMarker);
    EXPECT_FALSE(GetFileVersionInfoW(c.path.c_str(), 0, sizeof buffer, buffer));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(VersionInfo, ShortBuffersAreCutAndStayConsistent) {
  std::u16string path = Place(SAMPLE_RESOURCES, "control.ocx");
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 100u);
  // Any cut leaves a block that VerQueryValueW reads without passing the cut.
  for (DWORD cut = 8; cut < size; cut += 4) {
    std::vector<BYTE> data(cut + 16, 0xCC);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, cut, data.data()));
    EXPECT_EQ(data[cut], 0xCC);
    std::vector<BYTE> exact(data.begin(), data.begin() + cut);
    LPVOID value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(exact.data(), u"\\StringFileInfo\\040904B0\\ProductVersion", &value, &length)) {
      EXPECT_LE(static_cast<const BYTE*>(value) + length * 2, exact.data() + exact.size());
    }
  }
}

}  // namespace
