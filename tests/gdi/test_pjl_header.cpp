// The PJL job header and trailer, and the start of a job on the wire.
#include <functional>

#include "platform_testing.h"
#include "writer_fixture.h"

namespace writertest {
namespace {

const char kToner[] = "@PJL SET TONERMODULUS=\"9E761923A373FA332CEE5597D494F9BFD9B7C996AEEA277F3F5E1F1102005491\"";

class PjlHeader : public WriterTest {
 protected:
  void SetUp() override {
    WriterTest::SetUp();
    PlatformTest_SetComputerName("PC01", FALSE);
  }

  // The header's PJL lines (between the UEL and the stream header), and the stream header.
  std::vector<std::string> Lines(Bytes* streamHeader = nullptr) {
    PclXl_WritePjlHeader(pdev());
    Bytes bytes = Take();
    std::vector<std::string> lines;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "\x1B%-12345X");
    size_t at = 9;
    while (at < bytes.size() && bytes[at] == '@') {
      size_t end = at;
      while (end + 1 < bytes.size() && !(bytes[end] == '\r' && bytes[end + 1] == '\n')) ++end;
      lines.emplace_back(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(end));
      at = end + 2;
    }
    if (streamHeader) streamHeader->assign(bytes.begin() + static_cast<long>(at), bytes.end());
    return lines;
  }
};

TEST_F(PjlHeader, PlainJobInOrder) {
  Bytes streamHeader;
  std::vector<std::string> expected = {
      "@PJL COMMENT Version 3.0 For Windows 2000",
      "@PJL SET COPIES=1",
      "@PJL SET DUPLEX=OFF",
      "@PJL SET BINDING=LONGEDGE",
      "@PJL SET PAPERTYPE=PLAIN",
      "@PJL SET JOBOWNER=vmPC01",
      "@PJL SET PAPER=A4",
      "@PJL SET DENSITY=LEVEL0",
      "@PJL SET RESOLUTION=600",
      kToner,
      "@PJL ENTER LANGUAGE=PCLXL",
  };
  EXPECT_EQ(Lines(&streamHeader), expected);
  ASSERT_EQ(streamHeader.size(), PXL_STREAM_HEADER_BYTES);
  EXPECT_EQ(std::string(streamHeader.begin(), streamHeader.begin() + 16), ") HP-PCL XL;3;0;");
  EXPECT_EQ(streamHeader[70], 0x00);
  EXPECT_EQ(streamHeader[71], 0x0A);
  for (size_t i = 16; i < 70; ++i) EXPECT_TRUE(streamHeader[i] >= 0x20 && streamHeader[i] < 0x7F) << i;
}

TEST_F(PjlHeader, TonerCodeIsTheSameEveryTime) {
  BYTE first[PJL_TONER_CODE_BYTES];
  BYTE second[PJL_TONER_CODE_BYTES];
  PclXl_TonerCode(first);
  PclXl_TonerCode(second);
  EXPECT_EQ(0, std::memcmp(first, second, sizeof first));
  PclXl_WriteTonerModulus(pdev());
  Bytes line = Take();
  EXPECT_EQ(std::string(line.begin(), line.end()), std::string(kToner) + "\r\n");
}

struct HeaderCase {
  const char* name;
  std::function<void(PDEV*)> set;
  std::vector<std::string> keys;      // line prefixes looked at
  std::vector<std::string> expected;  // the header's lines with those prefixes, in order
};

class PjlHeaderLines : public PjlHeader, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(PjlHeaderLines, FollowTheSettings) {
  const HeaderCase& c = GetParam();
  c.set(pdev());
  std::vector<std::string> picked;
  for (const std::string& line : Lines()) {
    for (const std::string& key : c.keys) {
      if (line.rfind(key, 0) == 0) {
        picked.push_back(line);
        break;
      }
    }
  }
  EXPECT_EQ(picked, c.expected);
}

void Style(PDEV* p, BYTE style, SHORT duplex) {
  p->job.jobSettings.dmPrivate.bDocumentStyle = style;
  p->settings.dmPublic.dmDuplex = duplex;
}

const std::vector<std::string> kDuplexKeys = {"@PJL SET DUPLEX=", "@PJL SET BINDING="};
const std::vector<std::string> kSourceKeys = {"@PJL SET MANUALFEED=", "@PJL SET INTRAY"};

const HeaderCase kHeaders[] = {
    {"ThreeCopiesUncollated", [](PDEV* p) { p->job.jobSettings.dmPublic.dmCopies = 3; }, {"@PJL SET COPIES="},
     {"@PJL SET COPIES=3"}},
    {"ThreeCopiesCollatedByTheDriver",
     [](PDEV* p) {
       p->job.jobSettings.dmPublic.dmCopies = 3;
       p->job.jobSettings.dmPublic.dmCollate = 1;
       p->job.output.flags |= JOF_DRIVER_COLLATE;
     },
     {"@PJL SET COPIES="}, {"@PJL SET COPIES=1"}},
    {"ThreeCopiesCollatedButNotSpooled",
     [](PDEV* p) {
       p->job.jobSettings.dmPublic.dmCopies = 3;
       p->job.jobSettings.dmPublic.dmCollate = 1;
     },
     {"@PJL SET COPIES="}, {"@PJL SET COPIES=3"}},
    {"NoDuplex", [](PDEV* p) { Style(p, 0, 1); }, kDuplexKeys, {"@PJL SET DUPLEX=OFF", "@PJL SET BINDING=LONGEDGE"}},
    {"ShortEdgeStyle", [](PDEV* p) { Style(p, 1, 1); }, kDuplexKeys, {"@PJL SET DUPLEX=ON", "@PJL SET BINDING=SHORTEDGE"}},
    {"LongEdgeStyle", [](PDEV* p) { Style(p, 2, 1); }, kDuplexKeys, {"@PJL SET DUPLEX=ON", "@PJL SET BINDING=LONGEDGE"}},
    {"DriverDuplexShortEdge", [](PDEV* p) { Style(p, 3, 2); }, kDuplexKeys,
     {"@PJL SET DUPLEX=OFF", "@PJL SET BINDING=SHORTEDGE"}},
    {"DriverDuplexLongEdge", [](PDEV* p) { Style(p, 4, 2); }, kDuplexKeys,
     {"@PJL SET DUPLEX=OFF", "@PJL SET BINDING=LONGEDGE"}},
    {"DeviceShortEdgeDuplex", [](PDEV* p) { Style(p, 0, 2); }, kDuplexKeys,
     {"@PJL SET DUPLEX=ON", "@PJL SET BINDING=SHORTEDGE"}},
    {"DeviceDuplexValueThree", [](PDEV* p) { Style(p, 0, 3); }, kDuplexKeys,
     {"@PJL SET DUPLEX=ON", "@PJL SET BINDING=LONGEDGE"}},
    {"JobCopyDuplexIsNotRead", [](PDEV* p) { p->job.jobSettings.dmPublic.dmDuplex = 2; }, kDuplexKeys,
     {"@PJL SET DUPLEX=OFF", "@PJL SET BINDING=LONGEDGE"}},
    {"Tough", [](PDEV* p) { p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_TOUGH; }, {"@PJL SET PAPERTYPE="},
     {"@PJL SET PAPERTYPE=TOUGH"}},
    {"Envelope", [](PDEV* p) { p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_ENVELOPE; }, {"@PJL SET PAPERTYPE="},
     {"@PJL SET PAPERTYPE=ENVELOPE"}},
    {"CardStock", [](PDEV* p) { p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_CARDSTOCK; },
     {"@PJL SET PAPERTYPE="}, {"@PJL SET PAPERTYPE=CARDSTOCK"}},
    {"Labels", [](PDEV* p) { p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_LABELS; }, {"@PJL SET PAPERTYPE="},
     {"@PJL SET PAPERTYPE=LABELS"}},
    {"Transparency", [](PDEV* p) { p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_TRANSPARENCY; },
     {"@PJL SET PAPERTYPE="}, {"@PJL SET PAPERTYPE=TRANSPARENCY"}},
    {"MediaTypeOutOfRange", [](PDEV* p) { p->job.jobSettings.dmPrivate.paper.wMediaType = 6; }, {"@PJL SET PAPERTYPE="},
     {"@PJL SET PAPERTYPE=PLAIN"}},
    {"AutomaticSource", [](PDEV*) {}, kSourceKeys, {}},
    {"ManualFeed", [](PDEV* p) { p->job.jobSettings.dmPrivate.wPaperSource = 1; }, kSourceKeys,
     {"@PJL SET MANUALFEED=ON"}},
    {"UpperTray", [](PDEV* p) { p->job.jobSettings.dmPrivate.wPaperSource = 2; }, kSourceKeys,
     {"@PJL SET INTRAY1=LOCKED", "@PJL SET INTRAY2=UNLOCKED"}},
    {"UnknownSource", [](PDEV* p) { p->job.jobSettings.dmPrivate.wPaperSource = 3; }, kSourceKeys, {}},
    {"Letter", [](PDEV* p) { p->job.jobSettings.dmPublic.dmPaperSize = 1; }, {"@PJL SET PAPER="}, {"@PJL SET PAPER=LETTER"}},
    {"A5FedLandscape",
     [](PDEV* p) {
       p->job.jobSettings.dmPublic.dmPaperSize = 11;
       p->job.jobSettings.dmPrivate.bA5L = 1;
       p->job.jobSettings.dmPrivate.bA5L2 = 1;
     },
     {"@PJL SET PAPER="}, {"@PJL SET PAPER=A5L"}},
    {"ModelPaperWithoutAName", [](PDEV* p) { p->job.jobSettings.dmPublic.dmPaperSize = 8; }, {"@PJL SET PAPER="},
     {"@PJL SET PAPER=CUSTOM"}},
    {"CustomPaper", [](PDEV* p) { p->job.jobSettings.dmPublic.dmPaperSize = 260; }, {"@PJL SET PAPER="},
     {"@PJL SET PAPER=CUSTOM"}},
    {"UnsupportedPaperPrintsOnTheOutputPaper",
     [](PDEV* p) {
       p->job.jobSettings.dmPublic.dmPaperSize = 999;
       p->job.layout.outputPaper = 1;
     },
     {"@PJL SET PAPER="}, {"@PJL SET PAPER=LETTER"}},
    {"FitToPaperReplacesTheDocumentPaper", [](PDEV* p) { p->job.jobSettings.dmPrivate.scale.FtoPaper = 5; },
     {"@PJL SET PAPER="}, {"@PJL SET PAPER=LEGAL"}},
    {"DensityOne", [](PDEV* p) { p->job.jobSettings.dmPrivate.wDensity = 1; }, {"@PJL SET DENSITY="},
     {"@PJL SET DENSITY=LEVEL2"}},
    {"DensityTwo", [](PDEV* p) { p->job.jobSettings.dmPrivate.wDensity = 2; }, {"@PJL SET DENSITY="},
     {"@PJL SET DENSITY=LEVEL4"}},
    {"DensitySeven", [](PDEV* p) { p->job.jobSettings.dmPrivate.wDensity = 7; }, {"@PJL SET DENSITY="},
     {"@PJL SET DENSITY=LEVEL2"}},
    {"HighResolution", [](PDEV* p) { p->job.jobSettings.dmPrivate.dwHighResolution = 1; },
     {"@PJL SET RENDERMODEL=", "@PJL SET RESOLUTION="}, {"@PJL SET RENDERMODEL=G2", "@PJL SET RESOLUTION=600"}},
    {"JobHandlingWritesNothing", [](PDEV* p) { p->job.jobSettings.dmPrivate.bJobHandling = 2; },
     {"@PJL COMMENT", "@PJL SET COPIES="}, {"@PJL COMMENT Version 3.0 For Windows 2000", "@PJL SET COPIES=1"}},
};

INSTANTIATE_TEST_SUITE_P(Settings, PjlHeaderLines, ::testing::ValuesIn(kHeaders),
                         [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST_F(PjlHeader, JobOwnerIsTheComputerName) {
  PlatformTest_SetComputerName("OFFICE-PRINTS", FALSE);
  std::vector<std::string> lines = Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "@PJL SET JOBOWNER=vmOFFICE-PRINTS"), lines.end());
}

TEST_F(PjlHeader, JobHandlingIsRecordedAsAnInternalError) {
  job().dmPrivate.bJobHandling = 3;
  Lines();
  EXPECT_NE(pdev()->jobCtl.flags & JF_ERROR_RECORDED, 0u);
}

TEST_F(PjlHeader, StartJobWritesHeaderSessionAndDataSourceOnce) {
  EXPECT_TRUE(PclXl_StartJob(pdev()));
  EXPECT_NE(pdev()->jobCtl.flags & JF_JOB_STARTED, 0u);
  Bytes first = Take();
  Bytes streamStart = Hex("C0 00 F8 86 D1 58 02 58 02 F8 89 C0 03 F8 8F 41 C0 00 F8 88 C0 01 F8 82 48");
  ASSERT_GT(first.size(), streamStart.size());
  EXPECT_EQ(ToHex(Bytes(first.end() - static_cast<long>(streamStart.size()), first.end())), ToHex(streamStart));
  // The job header is record 0 of the page table, holding every byte so far.
  ASSERT_EQ(pdev()->job.output.pageCount, 1u);
  EXPECT_EQ(pdev()->job.output.pages[0].start, 0u);
  EXPECT_EQ(pdev()->job.output.pages[0].length, first.size());
  EXPECT_EQ(pdev()->job.output.pages[1].start, first.size());
  EXPECT_TRUE(PclXl_StartJob(pdev()));
  EXPECT_TRUE(Take().empty());
}

TEST_F(PjlHeader, StartJobAt1200DpiDeclaresTheResolution) {
  job().dmPrivate.image.bResolution = 1;
  PclXl_StartJob(pdev());
  Bytes written = Take();
  Bytes units = Hex("D1 B0 04 B0 04 F8 89");
  EXPECT_NE(std::search(written.begin(), written.end(), units.begin(), units.end()), written.end());
}

TEST_F(PjlHeader, ColourJobsSetTheObjectModeAfterTheDataSource) {
  job().dmPublic.dmColor = 2;
  PclXl_StartJob(pdev());
  Bytes written = Take();
  Bytes tail = Hex("48 C2 02 20 70 68 F8 91 C0 00 F8 93 46");
  ASSERT_GT(written.size(), tail.size());
  EXPECT_EQ(ToHex(Bytes(written.end() - static_cast<long>(tail.size()), written.end())), ToHex(tail));
}

// The header is still record 0, so that no sheet record begins with PJL text; the replay writes
// a fresh one in its place.
TEST_F(PjlHeader, DriverDuplexRecordsTheHeaderOnceWithoutStartingTheJob) {
  job().dmPrivate.bDocumentStyle = 3;
  PclXl_StartJob(pdev());
  EXPECT_EQ(pdev()->jobCtl.flags & JF_JOB_STARTED, 0u);
  EXPECT_NE(pdev()->jobCtl.flags & JF_HEADER_WRITTEN, 0u);
  EXPECT_EQ(pdev()->job.output.pageCount, 1u);
  EXPECT_FALSE(Take().empty());
  PclXl_StartJob(pdev());
  EXPECT_TRUE(Take().empty());
}

}  // namespace
}  // namespace writertest
