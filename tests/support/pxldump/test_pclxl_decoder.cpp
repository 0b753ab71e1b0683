// The decoder against hand-assembled streams: every byte below comes from the published tag
// tables, so these cases pin the decoder on its own before it is used to judge the writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pclxl_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// "C0 00 F8 86" -> bytes; 'text' in single quotes is copied as characters.
Bytes Hex(const std::string& spec) {
  Bytes out;
  for (size_t i = 0; i < spec.size();) {
    if (spec[i] == ' ') {
      ++i;
    } else if (spec[i] == '\'') {
      size_t end = spec.find('\'', i + 1);
      for (size_t k = i + 1; k < end; ++k) out.push_back(static_cast<uint8_t>(spec[k]));
      i = end + 1;
    } else {
      out.push_back(static_cast<uint8_t>(std::strtoul(spec.substr(i, 2).c_str(), nullptr, 16)));
      i += 2;
    }
  }
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kUel = Hex("1B '%-12345X'");
Bytes Pjl(const std::string& line) { return Hex("'" + line + "' 0D 0A"); }

Bytes StreamHeader() {
  Bytes h = Hex("') HP-PCL XL;3;0;Comment'");
  h.resize(70, ' ');
  return h + Hex("00 0A");
}

const Bytes kSessionStart = Hex("C0 00 F8 86 D1 58 02 58 02 F8 89 C0 03 F8 8F 41 C0 00 F8 88 C0 01 F8 82 48");
const Bytes kPage = Hex("C0 00 F8 28 C0 01 F8 26 C8 C1 02 00 'A4' F8 25 43 61 C1 01 00 F8 31 44");
const Bytes kSessionEnd = Hex("49 42");

Bytes Job(const Bytes& body) {
  return kUel + Pjl("@PJL COMMENT test") + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + body +
         kSessionEnd + kUel + Pjl("@PJL EOJ") + kUel;
}

TEST(PclXlDecoder, ListsAWholeJob) {
  pclxl::Decoded job = pclxl::DecodeJob(Job(kPage));
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  std::vector<std::string> expected = {
      "<UEL>",
      "@PJL COMMENT test",
      "@PJL ENTER LANGUAGE=PCLXL",
      "StreamHeader \") HP-PCL XL;3;0;Comment" + std::string(47, ' ') + "\\0\"",
      "BeginSession Measure=eInch UnitsPerMeasure=(600,600) ErrorReport=eBackChAndErrPage",
      "OpenDataSource SourceType=eDefaultDataSource DataOrg=eBinaryLowByteFirst",
      "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaSize=\"A4\"",
      "PushGS",
      "EndPage PageCopies=1",
      "CloseDataSource",
      "EndSession",
      "<UEL>",
      "@PJL EOJ",
      "<UEL>",
  };
  EXPECT_EQ(job.listing, expected);
  EXPECT_EQ(job.pjlBefore.size(), 2u);
  EXPECT_EQ(job.pjlAfter, std::vector<std::string>{"@PJL EOJ"});
  EXPECT_EQ(job.uelCount, 3);
}

TEST(PclXlDecoder, RejectsEveryTruncatedCopyOfAJob) {
  Bytes whole = Job(kPage);
  // The last UEL is optional: everything shorter than the job without it is incomplete.
  size_t required = whole.size() - kUel.size();
  for (size_t n = 0; n < required; ++n) {
    pclxl::Decoded job = pclxl::DecodeJob(whole.data(), n);
    EXPECT_FALSE(job.ok) << "accepted the first " << n << " bytes";
  }
}

TEST(PclXlDecoder, ShowsTypesWhenAsked) {
  pclxl::Decoded run = pclxl::DecodeOperators(Hex("D3 0A 00 EC FF F8 4C 6B C1 2C 01 F8 4B 7A"), {true});
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(run.listing, (std::vector<std::string>{"SetCursor Point=sint16_xy(10,-20)", "SetPenWidth PenWidth=uint16(300)"}));
}

struct RunCase {
  const char* name;
  const char* bytes;
  const char* listing;  // nullptr: the run must be rejected
};

class OperatorRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(OperatorRuns, DecodeOrReject) {
  const RunCase& c = GetParam();
  pclxl::Decoded run = pclxl::DecodeOperators(Hex(c.bytes));
  if (!c.listing) {
    EXPECT_FALSE(run.ok) << "accepted: " << (run.listing.empty() ? "" : run.listing.back());
    EXPECT_FALSE(run.error.empty());
    return;
  }
  ASSERT_TRUE(run.ok) << run.error << " at " << run.errorOffset;
  std::string joined;
  for (const std::string& line : run.listing) joined += (joined.empty() ? "" : " | ") + line;
  EXPECT_EQ(joined, c.listing);
}

const RunCase kRuns[] = {
    {"ShortEmbeddedLength", "C1 02 00 F8 4D C0 03 F8 50 9B FB 08 01 00 02 00 03 00 04 00",
     "LinePath NumberOfPoints=2 PointType=eSint16 points=[(1,2) (3,4)]"},
    {"LongEmbeddedLength", "C1 01 00 F8 4D C0 01 F8 50 9D FA 02 00 00 00 FF 05",
     "LineRelPath NumberOfPoints=1 PointType=eSByte points=[(-1,5)]"},
    {"SinglePointPath", "D3 05 00 06 00 F8 45 9B", "LinePath EndPoint=(5,6)"},
    {"NameWithUint16Count", "C8 C1 05 00 'LEGAL' F8 25 43", "BeginPage MediaSize=\"LEGAL\""},
    {"RgbWithUint16Count", "C8 C1 03 00 FF 80 00 F8 0B 63", "SetBrushSource RGBColor=[255 128 0]"},
    {"ArrayWithUbyteCount", "C8 C0 02 0A 14 F8 4A 70", "SetLineDash LineDashStyle=[10 20]"},
    {"VendorUniqueWithoutData", "C2 02 20 70 68 F8 91 C0 00 F8 93 46", "VendorUnique VUExtension=1752178690 VUAttr1=0"},
    {"RealPair", "D5 00 00 80 3F 00 00 00 3F F8 2B 77", "SetPageScale PageScale=(1,0.5)"},
    {"Box", "E3 01 00 02 00 03 00 04 00 F8 42 A1", "RectanglePath BoundingBox=(1,2,3,4)"},
    {"ReadImageBlock", "C1 00 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1 FA 04 00 00 00 01 02 03 04",
     "ReadImage StartLine=0 BlockHeight=1 CompressMode=eNoCompression data=<4 bytes: 01 02 03 04>"},
    {"WhitespaceBetweenTokens", "C0 01 20 F8 46 0A 6E", "SetFillMode FillMode=eEvenOdd"},
    {"UnknownEnumValueAsNumber", "C0 09 F8 28 43", "BeginPage Orientation=9"},
    {"TextWithSpacing", "C9 C0 02 41 00 42 00 F8 AB C8 C0 02 0A 0B F8 AF A8",
     "Text TextData=[65 66] XSpacingData=[10 11]"},
    // Malformed runs.
    {"ValueWithoutAttribute", "C0 00 41", nullptr},
    {"AttributeWithoutValue", "F8 86 41", nullptr},
    {"TwoValuesInARow", "C0 00 C0 01 F8 86 41", nullptr},
    {"UnknownAttribute", "C0 00 F8 FE 41", nullptr},
    {"UnknownOperator", "C0 00 F8 86 FF", nullptr},
    {"UnknownDataType", "C6 00 F8 86 41", nullptr},
    {"DanglingAttributes", "C0 00 F8 86", nullptr},
    {"TruncatedScalar", "C1 58", nullptr},
    {"ArrayLongerThanStream", "C8 C0 05 41 42 F8 25 43", nullptr},
    {"ArrayLengthNotScalar", "C8 C8 01 00 F8 25 43", nullptr},
    {"EmbeddedDataShorterThanDeclared", "C1 00 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1 FA 08 00 00 00 01 02 03", nullptr},
    {"ReadImageWithoutData", "C1 00 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1", nullptr},
    {"DataAfterOperatorThatTakesNone", "43 FB 01 00", nullptr},
    {"LoneEmbeddedData", "FB 01 00", nullptr},
    {"PointCountDisagreesWithData", "C1 03 00 F8 4D C0 03 F8 50 9B FB 08 01 00 02 00 03 00 04 00", nullptr},
    {"PointsWithoutCount", "C0 03 F8 50 9B FB 04 01 00 02 00", nullptr},
    {"PointCountWithoutData", "C1 02 00 F8 4D C0 03 F8 50 9B", nullptr},
    {"BezierCountNotTriple", "C1 02 00 F8 4D C0 03 F8 50 93 FB 08 01 00 02 00 03 00 04 00", nullptr},
    {"VendorDataWithoutLength", "C2 02 20 70 68 F8 91 46 FB 01 00", nullptr},
    {"RgbOfTwoComponents", "C8 C0 02 FF 00 F8 0B 63", nullptr},
    {"TextSpacingLengthDiffers", "C9 C0 02 41 00 42 00 F8 AB C8 C0 01 0A F8 AF A8", nullptr},
    {"SameAttributeTwice", "C0 00 F8 28 C0 01 F8 28 43", nullptr},
    {"NaNReal", "C5 00 00 C0 7F F8 A4 65", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, OperatorRuns, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

struct JobCase {
  const char* name;
  Bytes bytes;
};

class MalformedJobs : public ::testing::TestWithParam<JobCase> {};

TEST_P(MalformedJobs, AreRejected) {
  pclxl::Decoded job = pclxl::DecodeJob(GetParam().bytes);
  EXPECT_FALSE(job.ok);
  EXPECT_FALSE(job.error.empty());
}

const Bytes kImage = Hex("C0 00 F8 64 C0 02 F8 62 C1 03 00 F8 6C C1 01 00 F8 6B D1 03 00 01 00 F8 67 B0") +
                     Hex("C1 00 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1 FA 04 00 00 00 01 02 03 00 B2");

const JobCase kJobs[] = {
    {"NoUel", Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + kSessionEnd + kUel},
    {"OtherLanguage", kUel + Pjl("@PJL ENTER LANGUAGE=PCL") + StreamHeader() + kSessionStart + kSessionEnd + kUel},
    {"PjlLineWithoutCr", kUel + Hex("'@PJL ENTER LANGUAGE=PCLXL' 0A") + StreamHeader() + kSessionStart + kSessionEnd + kUel},
    {"HighByteFirstBinding", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Hex("'( HP-PCL XL;3;0;' 0A") + kSessionStart + kSessionEnd + kUel},
    {"HeaderWithoutClass", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Hex("') HP-PCL XL;;;' 0A") + kSessionStart + kSessionEnd + kUel},
    {"NoEndSession", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + Hex("49") + kUel},
    {"NoBeginSession", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + Hex("48 49 42") + kUel},
    {"PageWithoutDataSource", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() +
                                  Hex("C0 00 F8 86 D1 58 02 58 02 F8 89 C0 03 F8 8F 41 43 44 42") + kUel},
    {"NestedPages", Job(Hex("43 43 44 44"))},
    {"EndPageWithoutBeginPage", Job(Hex("44"))},
    {"UnfinishedPage", Job(Hex("43 61"))},
    {"OperatorAfterEndSession", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + kSessionEnd + Hex("85") + kUel},
    {"ReadImageOutsideImage", Job(Hex("43 C1 00 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1 FA 04 00 00 00 01 02 03 00 44"))},
    {"DrawingInsideImage", Job(Hex("43") + Bytes(kImage.begin(), kImage.end() - 1) + Hex("85 B2 44"))},
    {"ImageBlockShorterThanItsRows", Job(Hex("43") + Hex("C0 00 F8 64 C0 02 F8 62 C1 05 00 F8 6C C1 01 00 F8 6B D1 05 00 01 00 F8 67 B0") +
                                         Hex("C1 00 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1 FA 04 00 00 00 01 02 03 04 B2 44"))},
    {"GarbageAfterJob", Job(kPage) + Hex("00")},
};

INSTANTIATE_TEST_SUITE_P(Cases, MalformedJobs, ::testing::ValuesIn(kJobs),
                         [](const ::testing::TestParamInfo<JobCase>& info) { return std::string(info.param.name); });

TEST(PclXlDecoder, AcceptsAnImageWhoseRowsArePadded) {
  // Three 8-bit grey pixels make a row of three bytes, padded to four.
  pclxl::Decoded job = pclxl::DecodeJob(Job(Hex("43") + kImage + Hex("44")));
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
}

}  // namespace
