// The decoder against hand-assembled streams: every byte below comes from the published tag
// tables, so these cases pin the decoder on its own before it is used to judge the writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
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
  // The last UEL is optional: everything shorter than the job without it is incomplete, but
  // for the job cut right after the UEL that ends the stream, as a writer without trailing PJL
  // ends it.
  size_t required = whole.size() - kUel.size();
  size_t streamEnd = whole.size() - kUel.size() - Pjl("@PJL EOJ").size();
  for (size_t n = 0; n < required; ++n) {
    pclxl::Decoded job = pclxl::DecodeJob(whole.data(), n);
    EXPECT_EQ(job.ok, n == streamEnd) << "the first " << n << " bytes";
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
    // An enumeration or a count given as a real that no integer holds.
    {"EnumerationAsHugeReal", "C5 F3 FF BF F9 F8 28 43", nullptr},
    {"EnumerationAsFraction", "C5 00 00 00 3F F8 28 43", nullptr},
    {"PointCountAsHugeReal", "C5 76 84 DF 50 F8 4D C0 03 F8 50 93 FB 06 01 00 02 00 03 00", nullptr},
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
    {"PjlLineWithoutLineFeed", kUel + Hex("'@PJL ENTER LANGUAGE=PCLXL' 0D") + StreamHeader() + kSessionStart + kSessionEnd + kUel},
    {"CarriageReturnInsidePjlLine", kUel + Hex("'@PJL COMMENT a' 0D 'b' 0A") + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + kSessionEnd + kUel},
    {"PjlWithoutBlankAfterPrefix", kUel + Pjl("@PJLENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + kSessionEnd + kUel},
    {"AsciiBinding", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Hex("27 ' HP-PCL XL;2;0;' 0A") + kSessionStart + kSessionEnd + kUel},
    {"UnpublishedClass", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Hex("') HP-PCL XL;4;0;' 0A") + kSessionStart + kSessionEnd + kUel},
    {"TrailingPjlWithoutEoj", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + kSessionEnd + kUel + Pjl("@PJL COMMENT x") + kUel},
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

// What other writers send and the references allow: PJL lines ended by LF alone, blanks of any
// width between words and around '=', either binary binding, every published protocol class,
// and a job that ends at its UEL without trailing PJL.
struct OtherWriterCase {
  const char* name;
  Bytes bytes;
  char binding;
  const char* protocolClass;
};

// A session as a high-byte-first writer sends it: the same values, each number's bytes turned.
const Bytes kSessionStartHighByteFirst =
    Hex("C0 00 F8 86 D1 02 58 02 58 F8 89 C0 03 F8 8F 41 C0 00 F8 88 C0 01 F8 82 48");

Bytes Header(const std::string& binding, const std::string& version) {
  return Hex("'" + binding + " HP-PCL XL;" + version + ";Comment' 0A");
}

const OtherWriterCase kOtherWriters[] = {
    {"LineFeedOnly", kUel + Hex("'@PJL COMMENT lf' 0A '@PJL ENTER LANGUAGE=PCLXL' 0A") + StreamHeader() + kSessionStart + kSessionEnd + kUel,
     ')', "3.0"},
    {"BlanksBetweenWords", kUel + Pjl("@PJL   SET\tCOPIES = 2") + Pjl("@PJL ENTER  LANGUAGE = PCLXL") + StreamHeader() +
                               kSessionStart + kSessionEnd + kUel + Pjl("@PJL  EOJ") + kUel,
     ')', "3.0"},
    {"LowerCaseCommand", kUel + Pjl("@PJL enter language=pclxl") + StreamHeader() + kSessionStart + kSessionEnd + kUel, ')', "3.0"},
    {"PjlPrefixAlone", kUel + Pjl("@PJL") + Pjl("@PJL ENTER LANGUAGE=PCLXL") + StreamHeader() + kSessionStart + kSessionEnd + kUel,
     ')', "3.0"},
    {"Class1Revision1", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Header(")", "1;1") + kSessionStart + kSessionEnd + kUel, ')', "1.1"},
    {"Class2Revision0", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Header(")", "2;0") + kSessionStart + kSessionEnd + kUel, ')', "2.0"},
    {"Class2Revision1", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Header(")", "2;1") + kSessionStart + kSessionEnd + kUel, ')', "2.1"},
    {"HeaderWithoutComment", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Hex("') HP-PCL XL;2;0' 0A") + kSessionStart + kSessionEnd + kUel,
     ')', "2.0"},
    {"HighByteFirst", kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Header("(", "2;0") + kSessionStartHighByteFirst + kSessionEnd + kUel,
     '(', "2.0"},
};

class OtherWriters : public ::testing::TestWithParam<OtherWriterCase> {};

TEST_P(OtherWriters, AreRead) {
  const OtherWriterCase& c = GetParam();
  pclxl::Decoded job = pclxl::DecodeJob(c.bytes);
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(job.binding, c.binding);
  EXPECT_EQ(job.protocolClass, c.protocolClass);
  ASSERT_GE(job.operators.size(), 2u);
  EXPECT_EQ(pclxl::FormatOperator(job.operators[0]),
            "BeginSession Measure=eInch UnitsPerMeasure=(600,600) ErrorReport=eBackChAndErrPage");
}

INSTANTIATE_TEST_SUITE_P(Cases, OtherWriters, ::testing::ValuesIn(kOtherWriters),
                         [](const ::testing::TestParamInfo<OtherWriterCase>& info) { return std::string(info.param.name); });

TEST(PclXlDecoder, ReadsNumbersHighByteFirstUnderThatBinding) {
  pclxl::Decoded job = pclxl::DecodeJob(kUel + Pjl("@PJL ENTER LANGUAGE=PCLXL") + Header("(", "2;0") +
                                        kSessionStartHighByteFirst + Hex("C1 01 02 F8 6B 43") + kSessionEnd + kUel);
  EXPECT_FALSE(job.ok) << "BeginPage without its page end";
  ASSERT_GE(job.operators.size(), 3u);
  EXPECT_EQ(pclxl::FormatOperator(job.operators[2]), "BeginPage SourceHeight=258");
}

Bytes Fixture(const std::string& name) {
  std::ifstream in(std::string(PXL_FIXTURES) + "/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A page Ghostscript's pxlmono device wrote (fixtures/README.md says how).
TEST(PclXlDecoder, ListsAJobGhostscriptWrote) {
  Bytes bytes = Fixture("ghostscript_pxlmono_page.pxl");
  ASSERT_EQ(bytes.size(), 23472u);
  pclxl::Decoded job = pclxl::DecodeJob(bytes);
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(job.pjlBefore, (std::vector<std::string>{"@PJL SET RENDERMODE=GRAYSCALE", "@PJL SET RESOLUTION=600",
                                                     "@PJL ENTER LANGUAGE = PCLXL"}));
  EXPECT_EQ(job.binding, ')');
  EXPECT_EQ(job.protocolClass, "1.1");
  EXPECT_TRUE(job.pjlAfter.empty());
  EXPECT_EQ(job.uelCount, 2);
  std::map<std::string, int> counts;
  for (const pclxl::Operator& op : job.operators) ++counts[pclxl::OperatorName(op.tag)];
  // The text as downloaded characters, the box, the curve and the image.
  EXPECT_EQ(counts["BeginChar"], 14);
  EXPECT_EQ(counts["Text"], 19);
  EXPECT_EQ(counts["Rectangle"], 1);
  EXPECT_EQ(counts["BezierPath"], 1);
  EXPECT_EQ(counts["ReadImage"], 1);
  EXPECT_EQ(pclxl::FormatOperator(job.operators[2]),
            "BeginPage Orientation=ePortraitOrientation MediaSize=eA4Paper MediaSource=eAutoSelect "
            "SimplexPageMode=eSimplexFrontSide");
}

TEST(PclXlDecoder, NamesTheByteWhereACutCopyOfThatJobEnds) {
  Bytes cut = Fixture("ghostscript_pxlmono_page_cut.pxl");
  ASSERT_EQ(cut.size(), 1000u);
  pclxl::Decoded job = pclxl::DecodeJob(cut);
  EXPECT_FALSE(job.ok);
  EXPECT_EQ(job.error, "embedded data block shorter than declared (2346 bytes declared, 679 present)");
  EXPECT_EQ(job.errorOffset, 316u);
  // Every shorter copy is refused too, wherever the cut falls.
  Bytes whole = Fixture("ghostscript_pxlmono_page.pxl");
  for (size_t n = 0; n < whole.size(); n += 97) {
    pclxl::Decoded part = pclxl::DecodeJob(whole.data(), n);
    EXPECT_FALSE(part.ok) << "accepted the first " << n << " bytes";
    EXPECT_LE(part.errorOffset, n);
  }
}

TEST(PclXlDecoder, AcceptsAnImageWhoseRowsArePadded) {
  // Three 8-bit grey pixels make a row of three bytes, padded to four.
  pclxl::Decoded job = pclxl::DecodeJob(Job(Hex("43") + kImage + Hex("44")));
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
}

}  // namespace
