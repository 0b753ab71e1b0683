// DrvDeviceCapabilities answered by index, as applications and the spooler ask.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <win/spooler.h>

#include "custom_paper_fake.h"
#include "devmode_fixtures.h"
#include "ui/core/capabilities.h"

namespace {

using testfakes::DevmodeBuffer;

class CapabilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override { testfakes::SetCountry("1"); }
  DWORD Ask(WORD index, void* output = nullptr, DEVMODEW* devmode = nullptr) {
    return DrvDeviceCapabilities(nullptr, const_cast<PWSTR>(u"Velmor K8000"), index, output, devmode);
  }
  testsupport::TempMachine machine_;
};

struct ValueCase {
  WORD index;
  DWORD answer;
};

TEST_F(CapabilitiesTest, ValuesByIndex) {
  const ValueCase cases[] = {
      {DC_FIELDS, 0xBF1F}, {DC_PAPERS, 23}, {DC_PAPERSIZE, 23},
      {DC_MINEXTENT, static_cast<DWORD>(MAKELONG(762, 1270))},
      {DC_MAXEXTENT, static_cast<DWORD>(MAKELONG(2159, 3556))},
      {DC_BINS, 3}, {DC_DUPLEX, 1}, {DC_SIZE, 220}, {DC_EXTRA, 4860}, {DC_VERSION, 0x401}, {DC_DRIVER, 0x600},
      {DC_BINNAMES, 3}, {DC_ENUMRESOLUTIONS, 1}, {DC_FILEDEPENDENCIES, 0}, {DC_TRUETYPE, 0},
      {DC_PAPERNAMES, 23}, {DC_ORIENTATION, 90}, {DC_COPIES, 999}, {DC_BINADJUST, 0}, {DC_COLLATE, 1},
      {DC_MEDIAREADY, 23}, {DC_STAPLE, 0}, {DC_PRINTRATEPPM, 0}, {DC_COLORDEVICE, 0},
      {DC_EMF_COMPLIANT, 0xFFFFFFFF}, {DC_DATATYPE_PRODUCED, 0xFFFFFFFF}, {DC_MANUFACTURER, 0xFFFFFFFF},
      {DC_PRINTERMEM, 0xFFFFFFFF}, {DC_NUP, 0xFFFFFFFF}, {DC_MEDIATYPES, 0xFFFFFFFF}, {0, 0xFFFFFFFF},
      {1000, 0xFFFFFFFF},
  };
  for (const ValueCase& c : cases) EXPECT_EQ(Ask(c.index), c.answer) << c.index;
}

TEST_F(CapabilitiesTest, ListsWithOutput) {
  std::vector<WORD> papers(23, 0xEEEE);
  EXPECT_EQ(Ask(DC_PAPERS, papers.data()), 23u);
  EXPECT_EQ(papers[0], 1);
  EXPECT_EQ(papers[1], 9);
  EXPECT_EQ(papers[22], 241);
  std::vector<WORD> bins(3);
  EXPECT_EQ(Ask(DC_BINS, bins.data()), 3u);
  EXPECT_EQ(bins, (std::vector<WORD>{7, 1, 4}));
  LONG resolutions[2] = {};
  EXPECT_EQ(Ask(DC_ENUMRESOLUTIONS, resolutions), 1u);
  EXPECT_EQ(resolutions[0], 1200);
  EXPECT_EQ(resolutions[1], 600);
  WCHAR dependencies[4] = {u'x', u'y', u'z', 0};
  EXPECT_EQ(Ask(DC_FILEDEPENDENCIES, dependencies), 0u);
  EXPECT_EQ(dependencies[0], 0);
  EXPECT_EQ(dependencies[1], u'y');
}

TEST_F(CapabilitiesTest, PaperSizesInTenthsFollowTheOrientation) {
  testfakes::ScopedCustomPapers store({testfakes::Paper(288, 3000, 6000, u"Card")});
  for (SHORT orientation : {1, 2}) {
    DevmodeBuffer dm(220);
    testfakes::MakePublicOnly(dm.dm(), DM_ORIENTATION);
    dm.dm()->dmOrientation = orientation;
    std::vector<POINT> sizes(24);
    EXPECT_EQ(Ask(DC_PAPERSIZE, sizes.data(), dm.dm()), 24u);
    EXPECT_EQ(sizes[0].x, 2159) << orientation;  // Letter stays portrait
    EXPECT_EQ(sizes[0].y, 2794) << orientation;
    EXPECT_EQ(sizes[1].x, 2100);
    EXPECT_EQ(sizes[1].y, 2970);
    // 3000 x 6000 dots: 1270 x 2540 tenths, turned in landscape.
    EXPECT_EQ(sizes[23].x, orientation == 1 ? 1270 : 2540);
    EXPECT_EQ(sizes[23].y, orientation == 1 ? 2540 : 1270);
  }
}

TEST_F(CapabilitiesTest, ExtentsTurnInLandscape) {
  DevmodeBuffer dm(220);
  testfakes::MakePublicOnly(dm.dm(), DM_ORIENTATION);
  dm.dm()->dmOrientation = 2;
  EXPECT_EQ(Ask(DC_MINEXTENT, nullptr, dm.dm()), static_cast<DWORD>(MAKELONG(1270, 762)));
  EXPECT_EQ(Ask(DC_MAXEXTENT, nullptr, dm.dm()), static_cast<DWORD>(MAKELONG(3556, 2159)));
}

TEST_F(CapabilitiesTest, CustomPapersCountAndList) {
  testfakes::ScopedCustomPapers store({testfakes::Paper(288, 3000, 6000, u"Card"),
                                       testfakes::Paper(289, 0, 6000, u"Broken"),
                                       testfakes::Paper(290, 2000, 4000, u"Tag")});
  EXPECT_EQ(Ask(DC_PAPERS), 25u);
  EXPECT_EQ(Ask(DC_PAPERSIZE), 25u);
  EXPECT_EQ(Ask(DC_PAPERNAMES), 25u);
  EXPECT_EQ(Ask(DC_MEDIAREADY), 23u);
  std::vector<WORD> papers(25);
  Ask(DC_PAPERS, papers.data());
  EXPECT_EQ(papers[23], 288);
  EXPECT_EQ(papers[24], 290);
}

TEST_F(CapabilitiesTest, NameQueriesWithoutASatelliteAnswerZero) {
  // The test program has no satellite library beside it.
  std::vector<WCHAR> names(25 * 64, u'q');
  EXPECT_EQ(Ask(DC_BINNAMES, names.data()), 0u);
  EXPECT_EQ(Ask(DC_PAPERNAMES, names.data()), 0u);
  EXPECT_EQ(Ask(DC_MEDIAREADY, names.data()), 0u);
  EXPECT_EQ(names[0], u'q');
}

TEST_F(CapabilitiesTest, TheCallersDevmodeIsMergedAndNeverWritten) {
  DevmodeBuffer dm(220);
  testfakes::MakePublicOnly(dm.dm(), DM_ORIENTATION | DM_COPIES);
  dm.dm()->dmOrientation = 2;
  const std::string before = dm.Snapshot();
  EXPECT_EQ(Ask(DC_MINEXTENT, nullptr, dm.dm()), static_cast<DWORD>(MAKELONG(1270, 762)));
  EXPECT_EQ(dm.Snapshot(), before);
  DevmodeBuffer rejected(220);
  testfakes::MakePublicOnly(rejected.dm(), 0);
  rejected.dm()->dmOrientation = 2;
  EXPECT_EQ(Ask(DC_MINEXTENT, nullptr, rejected.dm()), static_cast<DWORD>(MAKELONG(762, 1270)));
}

}  // namespace
