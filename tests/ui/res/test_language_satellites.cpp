// The test satellites of two more languages: built into the tests' folder only, never beside
// the library, each with its own strings.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "satellite_fixture.h"

namespace {

class LanguageSatellites : public satellitetest::SatelliteTest {};

TEST_F(LanguageSatellites, RussianWritesTenthsWithAComma) {
  HMODULE russian = Load(std::string(TEST_SATELLITE_DIR) + "/vm4k2ru.dll");
  ASSERT_NE(russian, nullptr);
  EXPECT_NE(String(russian, 108).find(u','), std::u16string::npos) << "the Letter name shows the decimal comma";
  EXPECT_EQ(String(russian, 216), u"Бумага");
  FreeLibrary(russian);

  HMODULE english = Load(std::string(SATELLITE_DIR) + "/vm4k2enus.dll");
  ASSERT_NE(english, nullptr);
  EXPECT_EQ(String(english, 108).find(u','), std::u16string::npos);
  FreeLibrary(english);
}

TEST_F(LanguageSatellites, SimplifiedChineseHasItsOwnStrings) {
  HMODULE chinese = Load(std::string(TEST_SATELLITE_DIR) + "/vm4k2zhcn.dll");
  ASSERT_NE(chinese, nullptr);
  EXPECT_EQ(String(chinese, 216), u"纸张");
  EXPECT_EQ(String(chinese, 108).find(u','), std::u16string::npos);
  FreeLibrary(chinese);
}

// Only the real satellites sit in the output folder that setup-machine installs from.
TEST_F(LanguageSatellites, TestSatellitesStayOutOfTheInstalledFiles) {
  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::exists(std::string(SATELLITE_DIR) + "/vm4k2enus.dll"));
  EXPECT_TRUE(fs::exists(std::string(SATELLITE_DIR) + "/vm4k2ar.dll"));
  EXPECT_FALSE(fs::exists(std::string(SATELLITE_DIR) + "/vm4k2ru.dll"));
  EXPECT_FALSE(fs::exists(std::string(SATELLITE_DIR) + "/vm4k2zhcn.dll"));
}

}  // namespace
