// PCL XL reader for the tests. Tag values are those of the published PCL XL tag tables.
#include "pclxl_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>

namespace pclxl {
namespace {

// ---- Published tables -----------------------------------------------------------------------

enum class Shape { Scalar, Pair, Box, Array };

struct DataType {
  const char* name;
  Shape shape;
  int elementBytes;
  char element;  // 'u' unsigned, 's' signed, 'f' real32
};

// Data type tags: scalars C0..C5, arrays C8..CD, pairs D0..D5, boxes E0..E5, each run in the
// element order ubyte, uint16, uint32, sint16, sint32, real32.
const DataType* FindDataType(uint8_t tag) {
  static const DataType kScalars[] = {{"ubyte", Shape::Scalar, 1, 'u'},  {"uint16", Shape::Scalar, 2, 'u'},
                                      {"uint32", Shape::Scalar, 4, 'u'}, {"sint16", Shape::Scalar, 2, 's'},
                                      {"sint32", Shape::Scalar, 4, 's'}, {"real32", Shape::Scalar, 4, 'f'}};
  static const DataType kArrays[] = {{"ubyte_array", Shape::Array, 1, 'u'},  {"uint16_array", Shape::Array, 2, 'u'},
                                     {"uint32_array", Shape::Array, 4, 'u'}, {"sint16_array", Shape::Array, 2, 's'},
                                     {"sint32_array", Shape::Array, 4, 's'}, {"real32_array", Shape::Array, 4, 'f'}};
  static const DataType kPairs[] = {{"ubyte_xy", Shape::Pair, 1, 'u'},  {"uint16_xy", Shape::Pair, 2, 'u'},
                                    {"uint32_xy", Shape::Pair, 4, 'u'}, {"sint16_xy", Shape::Pair, 2, 's'},
                                    {"sint32_xy", Shape::Pair, 4, 's'}, {"real32_xy", Shape::Pair, 4, 'f'}};
  static const DataType kBoxes[] = {{"ubyte_box", Shape::Box, 1, 'u'},  {"uint16_box", Shape::Box, 2, 'u'},
                                    {"uint32_box", Shape::Box, 4, 'u'}, {"sint16_box", Shape::Box, 2, 's'},
                                    {"sint32_box", Shape::Box, 4, 's'}, {"real32_box", Shape::Box, 4, 'f'}};
  if (tag >= 0xC0 && tag <= 0xC5) return &kScalars[tag - 0xC0];
  if (tag >= 0xC8 && tag <= 0xCD) return &kArrays[tag - 0xC8];
  if (tag >= 0xD0 && tag <= 0xD5) return &kPairs[tag - 0xD0];
  if (tag >= 0xE0 && tag <= 0xE5) return &kBoxes[tag - 0xE0];
  return nullptr;
}

constexpr uint8_t kAttrUbyte = 0xF8;
constexpr uint8_t kAttrUint16 = 0xF9;
constexpr uint8_t kEmbeddedData = 0xFA;      // four-byte length
constexpr uint8_t kEmbeddedDataByte = 0xFB;  // one-byte length
constexpr uint8_t kEscape = 0x1B;            // start of the Universal Exit Language

bool IsWhitespace(uint8_t b) { return b == 0x00 || (b >= 0x09 && b <= 0x0D) || b == 0x20; }

// What follows an operator: nothing, embedded data always, or point data when the operator's
// attributes declare a point count.
enum class DataRule { None, Required, Points, Optional };

struct OperatorInfo {
  const char* name;
  DataRule data;
};

const std::map<uint8_t, OperatorInfo>& Operators() {
  static const std::map<uint8_t, OperatorInfo> table = {
      {0x41, {"BeginSession", DataRule::None}},     {0x42, {"EndSession", DataRule::None}},
      {0x43, {"BeginPage", DataRule::None}},        {0x44, {"EndPage", DataRule::None}},
      {0x46, {"VendorUnique", DataRule::Optional}}, {0x47, {"Comment", DataRule::None}},
      {0x48, {"OpenDataSource", DataRule::None}},   {0x49, {"CloseDataSource", DataRule::None}},
      {0x4F, {"BeginFontHeader", DataRule::None}},  {0x50, {"ReadFontHeader", DataRule::Required}},
      {0x51, {"EndFontHeader", DataRule::None}},    {0x52, {"BeginChar", DataRule::None}},
      {0x53, {"ReadChar", DataRule::Required}},     {0x54, {"EndChar", DataRule::None}},
      {0x55, {"RemoveFont", DataRule::None}},       {0x56, {"SetCharAttributes", DataRule::None}},
      {0x57, {"SetDefaultGS", DataRule::None}},     {0x58, {"SetColorTreatment", DataRule::None}},
      {0x5B, {"BeginStream", DataRule::None}},      {0x5C, {"ReadStream", DataRule::Required}},
      {0x5D, {"EndStream", DataRule::None}},        {0x5E, {"ExecStream", DataRule::None}},
      {0x5F, {"RemoveStream", DataRule::None}},     {0x60, {"PopGS", DataRule::None}},
      {0x61, {"PushGS", DataRule::None}},           {0x62, {"SetClipReplace", DataRule::None}},
      {0x63, {"SetBrushSource", DataRule::None}},   {0x64, {"SetCharAngle", DataRule::None}},
      {0x65, {"SetCharScale", DataRule::None}},     {0x66, {"SetCharShear", DataRule::None}},
      {0x67, {"SetClipIntersect", DataRule::None}}, {0x68, {"SetClipRectangle", DataRule::None}},
      {0x69, {"SetClipToPage", DataRule::None}},    {0x6A, {"SetColorSpace", DataRule::None}},
      {0x6B, {"SetCursor", DataRule::None}},        {0x6C, {"SetCursorRel", DataRule::None}},
      {0x6D, {"SetHalftoneMethod", DataRule::None}}, {0x6E, {"SetFillMode", DataRule::None}},
      {0x6F, {"SetFont", DataRule::None}},          {0x70, {"SetLineDash", DataRule::None}},
      {0x71, {"SetLineCap", DataRule::None}},       {0x72, {"SetLineJoin", DataRule::None}},
      {0x73, {"SetMiterLimit", DataRule::None}},    {0x74, {"SetPageDefaultCTM", DataRule::None}},
      {0x75, {"SetPageOrigin", DataRule::None}},    {0x76, {"SetPageRotation", DataRule::None}},
      {0x77, {"SetPageScale", DataRule::None}},     {0x78, {"SetPaintTxMode", DataRule::None}},
      {0x79, {"SetPenSource", DataRule::None}},     {0x7A, {"SetPenWidth", DataRule::None}},
      {0x7B, {"SetROP", DataRule::None}},           {0x7C, {"SetSourceTxMode", DataRule::None}},
      {0x7D, {"SetCharBoldValue", DataRule::None}}, {0x7E, {"SetNeutralAxis", DataRule::None}},
      {0x7F, {"SetClipMode", DataRule::None}},      {0x80, {"SetPathToClip", DataRule::None}},
      {0x81, {"SetCharSubMode", DataRule::None}},   {0x84, {"CloseSubPath", DataRule::None}},
      {0x85, {"NewPath", DataRule::None}},          {0x86, {"PaintPath", DataRule::None}},
      {0x91, {"ArcPath", DataRule::None}},          {0x93, {"BezierPath", DataRule::Points}},
      {0x95, {"BezierRelPath", DataRule::Points}},  {0x96, {"Chord", DataRule::None}},
      {0x97, {"ChordPath", DataRule::None}},        {0x98, {"Ellipse", DataRule::None}},
      {0x99, {"EllipsePath", DataRule::None}},      {0x9B, {"LinePath", DataRule::Points}},
      {0x9D, {"LineRelPath", DataRule::Points}},    {0x9E, {"Pie", DataRule::None}},
      {0x9F, {"PiePath", DataRule::None}},          {0xA0, {"Rectangle", DataRule::None}},
      {0xA1, {"RectanglePath", DataRule::None}},    {0xA2, {"RoundRectangle", DataRule::None}},
      {0xA3, {"RoundRectanglePath", DataRule::None}}, {0xA8, {"Text", DataRule::None}},
      {0xA9, {"TextPath", DataRule::None}},         {0xB0, {"BeginImage", DataRule::None}},
      {0xB1, {"ReadImage", DataRule::Required}},    {0xB2, {"EndImage", DataRule::None}},
      {0xB3, {"BeginRastPattern", DataRule::None}}, {0xB4, {"ReadRastPattern", DataRule::Required}},
      {0xB5, {"EndRastPattern", DataRule::None}},   {0xB6, {"BeginScan", DataRule::None}},
      {0xB8, {"EndScan", DataRule::None}},          {0xB9, {"ScanLineRel", DataRule::Optional}},
  };
  return table;
}

using EnumNames = std::map<int, const char*>;

struct AttributeInfo {
  const char* name;
  const EnumNames* enums;
  bool text;  // a ubyte array that holds a name
};

const EnumNames kColorSpace = {{0, "eBiLevel"}, {1, "eGray"}, {2, "eRGB"}, {5, "eSRGB"}};
const EnumNames kColorDepth = {{0, "e1Bit"}, {1, "e4Bit"}, {2, "e8Bit"}};
const EnumNames kMediaSource = {{0, "eDefaultSource"},   {1, "eAutoSelect"},     {2, "eManualFeed"},
                                {3, "eMultiPurposeTray"}, {4, "eUpperCassette"}, {5, "eLowerCassette"},
                                {6, "eEnvelopeTray"},     {7, "eThirdCassette"}};
const EnumNames kMediaSize = {{0, "eLetterPaper"}, {1, "eLegalPaper"}, {2, "eA4Paper"}, {3, "eExecPaper"},
                              {4, "eLedgerPaper"}, {5, "eA3Paper"}, {6, "eCOM10Envelope"},
                              {7, "eMonarchEnvelope"}, {8, "eC5Envelope"}, {9, "eDLEnvelope"},
                              {10, "eJB4Paper"}, {11, "eJB5Paper"}, {12, "eB5Envelope"},
                              {14, "eJPostcard"}, {15, "eJDoublePostcard"}, {16, "eA5Paper"},
                              {17, "eA6Paper"}, {18, "eJB6Paper"}};
const EnumNames kOrientation = {{0, "ePortraitOrientation"}, {1, "eLandscapeOrientation"},
                                {2, "eReversePortrait"}, {3, "eReverseLandscape"}, {4, "eDefaultOrientation"}};
const EnumNames kTxMode = {{0, "eOpaque"}, {1, "eTransparent"}};
const EnumNames kMeasure = {{0, "eInch"}, {1, "eMillimeter"}, {2, "eTenthsOfAMillimeter"}};
const EnumNames kSimplex = {{0, "eSimplexFrontSide"}};
const EnumNames kDuplexMode = {{0, "eDuplexHorizontalBinding"}, {1, "eDuplexVerticalBinding"}};
const EnumNames kDuplexSide = {{0, "eFrontMediaSide"}, {1, "eBackMediaSide"}};
const EnumNames kArcDirection = {{0, "eClockWise"}, {1, "eCounterClockWise"}};
const EnumNames kFillMode = {{0, "eNonZeroWinding"}, {1, "eEvenOdd"}};
const EnumNames kLineCap = {{0, "eButtCap"}, {1, "eRoundCap"}, {2, "eSquareCap"}, {3, "eTriangleCap"}};
const EnumNames kLineJoin = {{0, "eMiterJoin"}, {1, "eRoundJoin"}, {2, "eBevelJoin"}, {3, "eNoJoin"}};
const EnumNames kPointType = {{0, "eUByte"}, {1, "eSByte"}, {2, "eUint16"}, {3, "eSint16"}};
const EnumNames kClipRegion = {{0, "eInterior"}, {1, "eExterior"}};
const EnumNames kColorMapping = {{0, "eDirectPixel"}, {1, "eIndexedPixel"}};
const EnumNames kCompressMode = {{0, "eNoCompression"}, {1, "eRLECompression"}, {2, "eJPEGCompression"},
                                 {3, "eDeltaRowCompression"}};
const EnumNames kPersistence = {{0, "eTempPattern"}, {1, "ePagePattern"}, {2, "eSessionPattern"}};
const EnumNames kDataOrg = {{0, "eBinaryHighByteFirst"}, {1, "eBinaryLowByteFirst"}};
const EnumNames kSourceType = {{0, "eDefaultDataSource"}};
const EnumNames kErrorReport = {{0, "eNoReporting"}, {1, "eBackChannel"}, {2, "eErrorPage"},
                                {3, "eBackChAndErrPage"}, {5, "eNWBackChannel"}, {6, "eNWErrorPage"},
                                {7, "eNWBackChAndErrPage"}};
const EnumNames kWritingMode = {{0, "eHorizontal"}, {1, "eVertical"}};

const std::map<uint8_t, AttributeInfo>& Attributes() {
  static const std::map<uint8_t, AttributeInfo> table = {
      {0x02, {"PaletteDepth", &kColorDepth, false}}, {0x03, {"ColorSpace", &kColorSpace, false}},
      {0x04, {"NullBrush", nullptr, false}},         {0x05, {"NullPen", nullptr, false}},
      {0x06, {"PaletteData", nullptr, false}},       {0x08, {"PatternSelectID", nullptr, false}},
      {0x09, {"GrayLevel", nullptr, false}},         {0x0B, {"RGBColor", nullptr, false}},
      {0x0C, {"PatternOrigin", nullptr, false}},     {0x0D, {"NewDestinationSize", nullptr, false}},
      {0x0E, {"PrimaryArray", nullptr, false}},      {0x0F, {"PrimaryDepth", &kColorDepth, false}},
      {0x11, {"ColorimetricColorSpace", nullptr, false}}, {0x12, {"XYChromaticities", nullptr, false}},
      {0x13, {"WhiteReferencePoint", nullptr, false}}, {0x14, {"CRGBMinMax", nullptr, false}},
      {0x15, {"GammaGain", nullptr, false}},         {0x1D, {"AllObjectTypes", nullptr, false}},
      {0x1E, {"TextObjects", nullptr, false}},       {0x1F, {"VectorObjects", nullptr, false}},
      {0x20, {"RasterObjects", nullptr, false}},     {0x21, {"DeviceMatrix", nullptr, false}},
      {0x22, {"DitherMatrixDataType", nullptr, false}}, {0x23, {"DitherOrigin", nullptr, false}},
      {0x24, {"MediaDestination", nullptr, false}},  {0x25, {"MediaSize", &kMediaSize, true}},
      {0x26, {"MediaSource", &kMediaSource, false}}, {0x27, {"MediaType", nullptr, true}},
      {0x28, {"Orientation", &kOrientation, false}}, {0x29, {"PageAngle", nullptr, false}},
      {0x2A, {"PageOrigin", nullptr, false}},        {0x2B, {"PageScale", nullptr, false}},
      {0x2C, {"ROP3", nullptr, false}},              {0x2D, {"TxMode", &kTxMode, false}},
      {0x2F, {"CustomMediaSize", nullptr, false}},   {0x30, {"CustomMediaSizeUnits", &kMeasure, false}},
      {0x31, {"PageCopies", nullptr, false}},        {0x32, {"DitherMatrixSize", nullptr, false}},
      {0x33, {"DitherMatrixDepth", &kColorDepth, false}}, {0x34, {"SimplexPageMode", &kSimplex, false}},
      {0x35, {"DuplexPageMode", &kDuplexMode, false}}, {0x36, {"DuplexPageSide", &kDuplexSide, false}},
      {0x41, {"ArcDirection", &kArcDirection, false}}, {0x42, {"BoundingBox", nullptr, false}},
      {0x43, {"DashOffset", nullptr, false}},        {0x44, {"EllipseDimension", nullptr, false}},
      {0x45, {"EndPoint", nullptr, false}},          {0x46, {"FillMode", &kFillMode, false}},
      {0x47, {"LineCapStyle", &kLineCap, false}},    {0x48, {"LineJoinStyle", &kLineJoin, false}},
      {0x49, {"MiterLength", nullptr, false}},       {0x4A, {"LineDashStyle", nullptr, false}},
      {0x4B, {"PenWidth", nullptr, false}},          {0x4C, {"Point", nullptr, false}},
      {0x4D, {"NumberOfPoints", nullptr, false}},    {0x4E, {"SolidLine", nullptr, false}},
      {0x4F, {"StartPoint", nullptr, false}},        {0x50, {"PointType", &kPointType, false}},
      {0x51, {"ControlPoint1", nullptr, false}},     {0x52, {"ControlPoint2", nullptr, false}},
      {0x53, {"ClipRegion", &kClipRegion, false}},   {0x54, {"ClipMode", &kFillMode, false}},
      {0x62, {"ColorDepth", &kColorDepth, false}},   {0x63, {"BlockHeight", nullptr, false}},
      {0x64, {"ColorMapping", &kColorMapping, false}}, {0x65, {"CompressMode", &kCompressMode, false}},
      {0x66, {"DestinationBox", nullptr, false}},    {0x67, {"DestinationSize", nullptr, false}},
      {0x68, {"PatternPersistence", &kPersistence, false}}, {0x69, {"PatternDefineID", nullptr, false}},
      {0x6B, {"SourceHeight", nullptr, false}},      {0x6C, {"SourceWidth", nullptr, false}},
      {0x6D, {"StartLine", nullptr, false}},         {0x6E, {"PadBytesMultiple", nullptr, false}},
      {0x6F, {"BlockByteLength", nullptr, false}},   {0x73, {"NumberOfScanLines", nullptr, false}},
      {0x78, {"ColorTreatment", nullptr, false}},    {0x81, {"CommentData", nullptr, true}},
      {0x82, {"DataOrg", &kDataOrg, false}},         {0x86, {"Measure", &kMeasure, false}},
      {0x88, {"SourceType", &kSourceType, false}},   {0x89, {"UnitsPerMeasure", nullptr, false}},
      {0x8B, {"StreamName", nullptr, true}},         {0x8C, {"StreamDataLength", nullptr, false}},
      {0x8F, {"ErrorReport", &kErrorReport, false}}, {0x91, {"VUExtension", nullptr, false}},
      {0x92, {"VUDataLength", nullptr, false}},      {0x93, {"VUAttr1", nullptr, false}},
      {0x94, {"VUAttr2", nullptr, false}},           {0x95, {"VUAttr3", nullptr, false}},
      {0xA1, {"CharAngle", nullptr, false}},         {0xA2, {"CharCode", nullptr, false}},
      {0xA3, {"CharDataSize", nullptr, false}},      {0xA4, {"CharScale", nullptr, false}},
      {0xA5, {"CharShear", nullptr, false}},         {0xA6, {"CharSize", nullptr, false}},
      {0xA7, {"FontHeaderLength", nullptr, false}},  {0xA8, {"FontName", nullptr, true}},
      {0xA9, {"FontFormat", nullptr, false}},        {0xAA, {"SymbolSet", nullptr, false}},
      {0xAB, {"TextData", nullptr, true}},           {0xAC, {"CharSubModeArray", nullptr, false}},
      {0xAD, {"WritingMode", &kWritingMode, false}}, {0xAF, {"XSpacingData", nullptr, false}},
      {0xB0, {"YSpacingData", nullptr, false}},      {0xB1, {"CharBoldValue", nullptr, false}},
  };
  return table;
}

// Attribute ids the data checks read.
constexpr uint8_t kColorSpaceAttr = 0x03;
constexpr uint8_t kPaletteDataAttr = 0x06;
constexpr uint8_t kNumberOfPoints = 0x4D;
constexpr uint8_t kPointTypeAttr = 0x50;
constexpr uint8_t kColorDepthAttr = 0x62;
constexpr uint8_t kBlockHeight = 0x63;
constexpr uint8_t kColorMappingAttr = 0x64;
constexpr uint8_t kCompressModeAttr = 0x65;
constexpr uint8_t kSourceWidth = 0x6C;
constexpr uint8_t kCharDataSize = 0xA3;
constexpr uint8_t kFontHeaderLength = 0xA7;
constexpr uint8_t kTextData = 0xAB;
constexpr uint8_t kXSpacingData = 0xAF;
constexpr uint8_t kYSpacingData = 0xB0;
constexpr uint8_t kVUDataLength = 0x92;
constexpr uint8_t kStreamDataLength = 0x8C;

// A value that names an enumeration entry or counts something is a whole number in the range
// of its uses; a real32 may hold anything, so it is checked before it is converted.
bool IsWholeNumber(double v, double low, double high) { return v == std::floor(v) && v >= low && v <= high; }

// ---- Formatting ------------------------------------------------------------------------------

std::string FormatNumber(double v) {
  char text[64];
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
  } else {
    std::snprintf(text, sizeof text, "%.9g", v);
  }
  return text;
}

bool IsPrintableText(const Value& v) {
  if (!v.isArray || v.tag != 0xC8 || v.numbers.empty()) return false;
  for (double d : v.numbers) {
    if (d < 0x20 || d > 0x7E || d == '"') return false;
  }
  return true;
}

std::string FormatValue(uint8_t attributeId, const Value& v, DecodeOptions options) {
  const DataType* type = FindDataType(v.tag);
  auto attr = Attributes().find(attributeId);
  std::string out;
  if (options.showTypes && type) out += type->name;
  if (v.isArray) {
    if (attr != Attributes().end() && attr->second.text && IsPrintableText(v)) {
      out += '"';
      for (double d : v.numbers) out += static_cast<char>(d);
      out += '"';
      return out;
    }
    out += '[';
    for (size_t i = 0; i < v.numbers.size(); ++i) {
      if (i) out += ' ';
      out += FormatNumber(v.numbers[i]);
    }
    return out + ']';
  }
  if (v.numbers.size() == 1) {
    if (attr != Attributes().end() && attr->second.enums && IsWholeNumber(v.numbers[0], 0, 255)) {
      auto e = attr->second.enums->find(static_cast<int>(v.numbers[0]));
      if (e != attr->second.enums->end()) {
        return options.showTypes ? out + "(" + e->second + ")" : std::string(e->second);
      }
    }
    std::string number = FormatNumber(v.numbers[0]);
    return options.showTypes ? out + "(" + number + ")" : number;
  }
  out += '(';
  for (size_t i = 0; i < v.numbers.size(); ++i) {
    if (i) out += ',';
    out += FormatNumber(v.numbers[i]);
  }
  return out + ')';
}

int PointBytes(double pointType) {
  if (pointType == 0 || pointType == 1) return 2;
  if (pointType == 2 || pointType == 3) return 4;
  return 0;
}

std::string FormatPoints(const std::vector<uint8_t>& data, double pointType) {
  int per = PointBytes(pointType);
  std::string out = "points=[";
  for (size_t i = 0; per && i + per <= data.size(); i += per) {
    long x, y;
    if (per == 2) {
      x = pointType == 1 ? static_cast<int8_t>(data[i]) : data[i];
      y = pointType == 1 ? static_cast<int8_t>(data[i + 1]) : data[i + 1];
    } else {
      uint16_t ux = static_cast<uint16_t>(data[i] | (data[i + 1] << 8));
      uint16_t uy = static_cast<uint16_t>(data[i + 2] | (data[i + 3] << 8));
      x = pointType == 3 ? static_cast<int16_t>(ux) : ux;
      y = pointType == 3 ? static_cast<int16_t>(uy) : uy;
    }
    if (i) out += ' ';
    out += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
  }
  return out + "]";
}

std::string FormatData(const Operator& op) {
  const std::vector<uint8_t>& data = *op.data;
  auto info = Operators().find(op.tag);
  const Attribute* type = op.Find(kPointTypeAttr);
  if (info != Operators().end() && info->second.data == DataRule::Points && type) {
    return FormatPoints(data, type->value.numbers.empty() ? -1 : type->value.numbers[0]);
  }
  std::string out = "data=<" + std::to_string(data.size()) + " bytes";
  char hex[8];
  for (size_t i = 0; i < data.size() && i < 16; ++i) {
    std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : ": ", data[i]);
    out += hex;
  }
  if (data.size() > 16) out += " ...";
  return out + ">";
}

// ---- The reader ------------------------------------------------------------------------------

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t length, DecodeOptions options, Decoded& out)
      : p_(bytes), n_(length), options_(options), out_(out) {}

  bool DecodeJob();
  bool DecodeOperators();

 private:
  bool Fail(const std::string& why, size_t at) {
    if (out_.error.empty()) {
      out_.error = why;
      out_.errorOffset = at;
    }
    return false;
  }
  bool Fail(const std::string& why) { return Fail(why, pos_); }

  bool ReadUel();
  bool ReadPjlLines(std::vector<std::string>& lines, bool untilEnterLanguage);
  bool ReadStreamHeader();
  // Reads operators until the end of the input or an escape byte. endedBySession is set when
  // the run ended at EndSession.
  bool ReadOperatorRun(bool sessionRules);
  bool ReadValue(Value& v);
  bool ReadNumber(const DataType& type, double& value);
  bool ReadEmbedded(Operator& op);
  bool CheckData(const Operator& op, DataRule rule);
  bool CheckAttributes(const Operator& op);
  bool CheckSession(const Operator& op);
  bool CheckImageBlock(const Operator& op);

  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
  DecodeOptions options_;
  Decoded& out_;
  bool highByteFirst_ = false;  // the stream header's binding

  // Session rules.
  bool sessionBegun_ = false;
  bool sessionEnded_ = false;
  bool sourceOpen_ = false;
  bool pageOpen_ = false;
  uint8_t openBlock_ = 0;  // BeginImage / BeginRastPattern / BeginFontHeader / BeginChar / BeginStream
  std::optional<Operator> image_;  // the open BeginImage
  double colorSpace_ = 1;  // eGray until SetColorSpace
  // Entries of the palette the last SetColorSpace gave (0: none); -1 while no SetColorSpace
  // has been seen, so a bare operator run is not judged by a colour space it does not show.
  long paletteEntries_ = -1;
};

const char* const kUel = "\x1B%-12345X";
constexpr size_t kUelLength = 9;

bool Reader::ReadUel() {
  if (n_ - pos_ < kUelLength || std::memcmp(p_ + pos_, kUel, kUelLength) != 0) {
    return Fail("expected the Universal Exit Language sequence");
  }
  pos_ += kUelLength;
  ++out_.uelCount;
  out_.listing.push_back("<UEL>");
  return true;
}

bool IsPjlBlank(char c) { return c == ' ' || c == '\t'; }

// A PJL command as the reference compares it: words in upper case, one space between them,
// none around '=' ("@PJL  enter language = pclxl" reads "@PJL ENTER LANGUAGE=PCLXL").
std::string NormalizedPjl(const std::string& line) {
  std::string out;
  bool blank = false;
  for (char c : line) {
    if (IsPjlBlank(c)) {
      blank = true;
      continue;
    }
    if (blank && !out.empty() && c != '=' && out.back() != '=') out += ' ';
    blank = false;
    out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return out;
}

bool Reader::ReadPjlLines(std::vector<std::string>& lines, bool untilEnterLanguage) {
  while (pos_ < n_ && p_[pos_] == '@') {
    size_t start = pos_;
    while (pos_ < n_ && p_[pos_] != '\n') {
      if (p_[pos_] < 0x20 && p_[pos_] != '\r' && p_[pos_] != '\t') return Fail("control byte inside a PJL line");
      ++pos_;
    }
    if (pos_ >= n_) return Fail("PJL line without its line feed", start);
    // The line feed ends a PJL line; the carriage return before it is optional.
    size_t end = pos_ > start && p_[pos_ - 1] == '\r' ? pos_ - 1 : pos_;
    std::string line(reinterpret_cast<const char*>(p_ + start), end - start);
    ++pos_;
    if (line.find('\r') != std::string::npos) return Fail("carriage return inside a PJL line", start);
    // "@PJL" is upper case and stands alone or before a blank.
    if (line.rfind("@PJL", 0) != 0 || (line.size() > 4 && !IsPjlBlank(line[4]))) {
      return Fail("line does not start with @PJL", start);
    }
    lines.push_back(line);
    out_.listing.push_back(line);
    const std::string command = NormalizedPjl(line);
    if (untilEnterLanguage && command.rfind("@PJL ENTER LANGUAGE", 0) == 0) {
      if (command != "@PJL ENTER LANGUAGE=PCLXL") return Fail("the job enters a language other than PCLXL", start);
      return true;
    }
  }
  if (untilEnterLanguage) return Fail("no @PJL ENTER LANGUAGE=PCLXL line");
  return true;
}

bool Reader::ReadStreamHeader() {
  // The binding character, then the protocol name: ')' binary low byte first, '(' binary
  // high byte first, '\'' the ASCII binding, which this reader does not read.
  static const char kName[] = " HP-PCL XL;";
  size_t prefix = sizeof kName;  // the binding character and the name
  if (n_ - pos_ < prefix || std::memcmp(p_ + pos_ + 1, kName, prefix - 1) != 0 ||
      (p_[pos_] != ')' && p_[pos_] != '(' && p_[pos_] != '\'')) {
    return Fail("missing PCL XL stream header");
  }
  if (p_[pos_] == '\'') return Fail("stream header declares the ASCII binding, which is not read here");
  out_.binding = static_cast<char>(p_[pos_]);
  highByteFirst_ = out_.binding == '(';
  size_t start = pos_;
  size_t end = start;
  while (end < n_ && p_[end] != '\n') ++end;
  if (end >= n_) return Fail("stream header without its line feed", start);
  std::string header;
  for (size_t i = start; i < end; ++i) {
    if (p_[i] == 0) {
      header += "\\0";
    } else if (p_[i] < 0x20 || p_[i] > 0x7E) {
      return Fail("unprintable byte in the stream header", i);
    } else {
      header += static_cast<char>(p_[i]);
    }
  }
  // ") HP-PCL XL;class;revision;comment": protocol class and revision are numbers; the comment
  // and the semicolon before it may be left out.
  size_t classEnd = header.find(';', prefix);
  size_t revisionEnd = classEnd == std::string::npos ? classEnd : header.find(';', classEnd + 1);
  if (classEnd != std::string::npos && revisionEnd == std::string::npos) revisionEnd = header.size();
  if (revisionEnd == std::string::npos || classEnd == prefix || revisionEnd == classEnd + 1) {
    return Fail("stream header lacks its protocol class and revision", start);
  }
  for (size_t i = prefix; i < revisionEnd; ++i) {
    if (i != classEnd && (header[i] < '0' || header[i] > '9')) return Fail("bad protocol class", start + i);
  }
  // The published protocol classes and revisions.
  const std::string version = header.substr(prefix, classEnd - prefix) + "." +
                              header.substr(classEnd + 1, revisionEnd - classEnd - 1);
  static const char* const kClasses[] = {"1.1", "2.0", "2.1", "3.0"};
  if (std::find(std::begin(kClasses), std::end(kClasses), version) == std::end(kClasses)) {
    return Fail("stream header declares protocol class " + version + ", which is not published", start + prefix);
  }
  out_.protocolClass = version;
  out_.streamHeader = header;
  out_.listing.push_back("StreamHeader \"" + header + "\"");
  pos_ = end + 1;
  return true;
}

bool Reader::ReadNumber(const DataType& type, double& value) {
  if (n_ - pos_ < static_cast<size_t>(type.elementBytes)) return Fail("value runs past the end of the stream");
  uint32_t raw = 0;
  for (int i = 0; i < type.elementBytes; ++i) {
    const int shift = highByteFirst_ ? 8 * (type.elementBytes - 1 - i) : 8 * i;
    raw |= static_cast<uint32_t>(p_[pos_ + i]) << shift;
  }
  pos_ += type.elementBytes;
  switch (type.element) {
    case 'u': value = raw; break;
    case 's': value = type.elementBytes == 2 ? static_cast<int16_t>(raw) : static_cast<int32_t>(raw); break;
    default: {
      float f;
      std::memcpy(&f, &raw, sizeof f);
      if (!std::isfinite(f)) return Fail("real32 value that is not a number", pos_ - 4);
      value = f;
    }
  }
  return true;
}

bool Reader::ReadValue(Value& v) {
  size_t start = pos_;
  v.tag = p_[pos_++];
  const DataType* type = FindDataType(v.tag);
  if (!type) return Fail("unknown data type", start);
  size_t count = 1;
  if (type->shape == Shape::Pair) count = 2;
  if (type->shape == Shape::Box) count = 4;
  if (type->shape == Shape::Array) {
    v.isArray = true;
    // The element count is itself a ubyte or uint16 scalar.
    if (pos_ >= n_) return Fail("array without its length", start);
    uint8_t lengthTag = p_[pos_++];
    if (lengthTag != 0xC0 && lengthTag != 0xC1) return Fail("array length is not a ubyte or uint16", pos_ - 1);
    double length = 0;
    if (!ReadNumber(*FindDataType(lengthTag), length)) return false;
    count = static_cast<size_t>(length);
    if (count * type->elementBytes > n_ - pos_) return Fail("array runs past the end of the stream", start);
  }
  v.numbers.resize(count);
  for (size_t i = 0; i < count; ++i) {
    if (!ReadNumber(*type, v.numbers[i])) return false;
  }
  return true;
}

bool Reader::ReadEmbedded(Operator& op) {
  size_t start = pos_;
  uint8_t tag = p_[pos_++];
  size_t length;
  if (tag == kEmbeddedDataByte) {
    if (pos_ >= n_) return Fail("embedded data without its length", start);
    length = p_[pos_++];
  } else {
    if (n_ - pos_ < 4) return Fail("embedded data without its length", start);
    length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<size_t>(p_[pos_ + i]) << (highByteFirst_ ? 8 * (3 - i) : 8 * i);
    pos_ += 4;
  }
  if (length > n_ - pos_) {
    return Fail("embedded data block shorter than declared (" + std::to_string(length) + " bytes declared, " +
                    std::to_string(n_ - pos_) + " present)",
                start);
  }
  op.data.emplace(p_ + pos_, p_ + pos_ + length);
  pos_ += length;
  return true;
}

double Number(const Attribute* a) { return a && !a->value.numbers.empty() ? a->value.numbers[0] : -1; }

bool Reader::CheckData(const Operator& op, DataRule rule) {
  size_t length = op.data ? op.data->size() : 0;
  switch (rule) {
    case DataRule::None:
      if (op.data) return Fail(OperatorName(op.tag) + " takes no embedded data", op.offset);
      return true;
    case DataRule::Required:
      if (!op.data) return Fail(OperatorName(op.tag) + " without its embedded data", op.offset);
      break;
    case DataRule::Optional:
      break;
    case DataRule::Points: {
      const Attribute* count = op.Find(kNumberOfPoints);
      if (!count && !op.data) return true;  // a single point given by EndPoint / ControlPoints
      if (!count || !op.data) return Fail(OperatorName(op.tag) + ": point count and point data must come together", op.offset);
      const Attribute* type = op.Find(kPointTypeAttr);
      int per = type ? PointBytes(Number(type)) : 0;
      if (!per) return Fail(OperatorName(op.tag) + " point data without a valid PointType", op.offset);
      double points = Number(count);
      if (!IsWholeNumber(points, 0, 4294967295.0)) {
        return Fail(OperatorName(op.tag) + ": NumberOfPoints " + FormatNumber(points) + " is not a count", op.offset);
      }
      if (points * per != static_cast<double>(length)) {
        return Fail(OperatorName(op.tag) + ": " + FormatNumber(points) + " points need " +
                        FormatNumber(points * per) + " bytes, the block holds " + std::to_string(length),
                    op.offset);
      }
      if ((op.tag == 0x93 || op.tag == 0x95) && static_cast<uint64_t>(points) % 3 != 0) {
        return Fail("Bezier point count is not a multiple of three", op.offset);
      }
      return true;
    }
  }
  if (op.tag == 0x53 && op.Find(kCharDataSize) && Number(op.Find(kCharDataSize)) != length) {
    return Fail("ReadChar block length differs from CharDataSize", op.offset);
  }
  if (op.tag == 0x50 && op.Find(kFontHeaderLength) && Number(op.Find(kFontHeaderLength)) != length) {
    return Fail("ReadFontHeader block length differs from FontHeaderLength", op.offset);
  }
  if (op.tag == 0x46 && op.Find(kVUDataLength) && Number(op.Find(kVUDataLength)) != length) {
    return Fail("VendorUnique block length differs from VUDataLength", op.offset);
  }
  if (op.tag == 0x46 && !op.Find(kVUDataLength) && op.data) {
    return Fail("VendorUnique data without VUDataLength", op.offset);
  }
  if (op.tag == 0x5C && op.Find(kStreamDataLength) && Number(op.Find(kStreamDataLength)) != length) {
    return Fail("ReadStream block length differs from StreamDataLength", op.offset);
  }
  return true;
}

bool Reader::CheckAttributes(const Operator& op) {
  if (op.tag == 0x6A) {  // SetColorSpace: remember the palette's entry count
    const Attribute* palette = op.Find(kPaletteDataAttr);
    const bool rgb = Number(op.Find(kColorSpaceAttr)) == 2;
    paletteEntries_ = palette ? static_cast<long>(palette->value.numbers.size() / (rgb ? 3 : 1)) : 0;
  }
  if ((op.tag == 0xB0 || op.tag == 0xB3) && Number(op.Find(kColorMappingAttr)) == 1 && paletteEntries_ >= 0) {
    // An indexed image or pattern needs exactly 2^ColorDepth palette entries.
    const double depth = Number(op.Find(kColorDepthAttr));
    const long needed = depth == 0 ? 2 : depth == 1 ? 16 : 256;
    if (paletteEntries_ != needed) {
      return Fail(OperatorName(op.tag) + " with a palette of " + std::to_string(paletteEntries_) + " entries for " +
                      std::to_string(needed) + " colours (ImagePaletteMismatch)",
                  op.offset);
    }
  }
  if (op.tag == 0xA8) {  // Text: spacing arrays run parallel to the text
    const Attribute* text = op.Find(kTextData);
    if (!text || !text->value.isArray) return Fail("Text without a TextData array", op.offset);
    for (uint8_t spacing : {kXSpacingData, kYSpacingData}) {
      const Attribute* s = op.Find(spacing);
      if (s && (!s->value.isArray || s->value.numbers.size() != text->value.numbers.size())) {
        return Fail("Text spacing array length differs from TextData", op.offset);
      }
    }
  }
  const Attribute* rgb = op.Find(0x0B);
  if (rgb && rgb->value.isArray && rgb->value.numbers.size() != 3) {
    return Fail("RGBColor array does not hold three components", op.offset);
  }
  return true;
}

bool Reader::CheckImageBlock(const Operator& op) {
  // Uncompressed rows are padded to a multiple of four bytes, so the block length of a
  // ReadImage follows from the image's width, depth and the colour space.
  if (!image_ || Number(op.Find(kCompressModeAttr)) != 0) return true;
  double width = Number(image_->Find(kSourceWidth));
  double depth = Number(image_->Find(kColorDepthAttr));
  double mapping = Number(image_->Find(kColorMappingAttr));
  double rows = Number(op.Find(kBlockHeight));
  if (width < 0 || depth < 0 || rows < 0) return true;
  double bits = depth == 0 ? 1 : depth == 1 ? 4 : 8;
  double components = (mapping == 0 && colorSpace_ == 2) ? 3 : 1;
  double rowBytes = std::ceil(width * bits * components / 8);
  rowBytes = std::ceil(rowBytes / 4) * 4;
  double expected = rowBytes * rows;
  if (op.data && static_cast<double>(op.data->size()) != expected) {
    return Fail("ReadImage block holds " + std::to_string(op.data->size()) + " bytes, " + FormatNumber(rows) +
                    " uncompressed rows need " + FormatNumber(expected),
                op.offset);
  }
  return true;
}

bool Reader::CheckSession(const Operator& op) {
  const std::string name = OperatorName(op.tag);
  if (sessionEnded_) return Fail(name + " after EndSession", op.offset);
  if (!sessionBegun_) {
    if (op.tag != 0x41) return Fail("the stream starts with " + name + " instead of BeginSession", op.offset);
    sessionBegun_ = true;
    return true;
  }
  // Blocks: Begin* ... Read* ... End* with nothing else between.
  struct Block { uint8_t begin, read, end; };
  static const Block kBlocks[] = {{0xB0, 0xB1, 0xB2}, {0xB3, 0xB4, 0xB5}, {0x4F, 0x50, 0x51},
                                  {0x52, 0x53, 0x54}, {0x5B, 0x5C, 0x5D}};
  for (const Block& b : kBlocks) {
    if (op.tag == b.begin) {
      if (openBlock_) return Fail(name + " inside another block", op.offset);
      openBlock_ = b.begin;
      if (op.tag == 0xB0) image_ = op;
      return true;
    }
    if (op.tag == b.read || op.tag == b.end) {
      if (openBlock_ != b.begin) return Fail(name + " outside its block", op.offset);
      if (op.tag == b.read && op.tag == 0xB1) return CheckImageBlock(op);
      if (op.tag == b.end) {
        openBlock_ = 0;
        image_.reset();
      }
      return true;
    }
  }
  if (openBlock_) return Fail(name + " inside an unfinished " + OperatorName(openBlock_) + " block", op.offset);
  switch (op.tag) {
    case 0x41: return Fail("second BeginSession", op.offset);
    case 0x48:
      if (sourceOpen_) return Fail("OpenDataSource while a data source is open", op.offset);
      sourceOpen_ = true;
      return true;
    case 0x49:
      if (!sourceOpen_ || pageOpen_) return Fail("CloseDataSource without an open data source or inside a page", op.offset);
      sourceOpen_ = false;
      return true;
    case 0x43:
      if (!sourceOpen_) return Fail("BeginPage without an open data source", op.offset);
      if (pageOpen_) return Fail("BeginPage inside a page", op.offset);
      pageOpen_ = true;
      return true;
    case 0x44:
      if (!pageOpen_) return Fail("EndPage without BeginPage", op.offset);
      pageOpen_ = false;
      return true;
    case 0x42:
      if (pageOpen_ || sourceOpen_) return Fail("EndSession with an open page or data source", op.offset);
      sessionEnded_ = true;
      return true;
    case 0x6A:
      if (op.Find(kColorSpaceAttr)) colorSpace_ = Number(op.Find(kColorSpaceAttr));
      return true;
    default:
      if (!sourceOpen_) return Fail(name + " without an open data source", op.offset);
      return true;
  }
}

bool Reader::ReadOperatorRun(bool sessionRules) {
  std::optional<Value> pending;
  size_t pendingAt = 0;
  std::vector<Attribute> attributes;
  while (pos_ < n_) {
    uint8_t b = p_[pos_];
    if (b == kEscape) break;
    if (IsWhitespace(b)) {
      ++pos_;
      continue;
    }
    if (FindDataType(b)) {
      if (pending) return Fail("value not followed by an attribute id", pendingAt);
      pendingAt = pos_;
      Value v;
      if (!ReadValue(v)) return false;
      pending = std::move(v);
      continue;
    }
    if (b == kAttrUbyte || b == kAttrUint16) {
      size_t at = pos_++;
      size_t idBytes = b == kAttrUbyte ? 1 : 2;
      if (n_ - pos_ < idBytes) return Fail("attribute tag without its id", at);
      unsigned id = p_[pos_];
      if (idBytes == 2) id = highByteFirst_ ? (id << 8) | p_[pos_ + 1] : id | (p_[pos_ + 1] << 8);
      pos_ += idBytes;
      if (!pending) return Fail("attribute id without a value", at);
      if (id > 0xFF || !Attributes().count(static_cast<uint8_t>(id))) {
        return Fail("unknown attribute id " + std::to_string(id), at);
      }
      for (const Attribute& a : attributes) {
        if (a.id == id) return Fail("attribute " + AttributeName(a.id) + " given twice", at);
      }
      const AttributeInfo& info = Attributes().at(static_cast<uint8_t>(id));
      if (info.enums && !pending->isArray && pending->numbers.size() == 1 &&
          !IsWholeNumber(pending->numbers[0], -2147483648.0, 2147483647.0)) {
        return Fail("attribute " + AttributeName(static_cast<uint8_t>(id)) + " holds " +
                        FormatNumber(pending->numbers[0]) + ", not an enumeration value",
                    pendingAt);
      }
      attributes.push_back({static_cast<uint8_t>(id), std::move(*pending)});
      pending.reset();
      continue;
    }
    if (b == kEmbeddedData || b == kEmbeddedDataByte) {
      return Fail("embedded data that no operator takes");
    }
    auto info = Operators().find(b);
    if (info == Operators().end()) return Fail("unknown tag");
    if (pending) return Fail("value not followed by an attribute id", pendingAt);
    Operator op;
    op.tag = b;
    op.offset = pos_++;
    op.attributes = std::move(attributes);
    attributes.clear();
    if (info->second.data != DataRule::None && pos_ < n_ &&
        (p_[pos_] == kEmbeddedData || p_[pos_] == kEmbeddedDataByte)) {
      if (!ReadEmbedded(op)) return false;
    }
    if (!CheckData(op, info->second.data) || !CheckAttributes(op)) return false;
    out_.operators.push_back(std::move(op));
    out_.listing.push_back(FormatOperator(out_.operators.back(), options_));
    if (sessionRules && !CheckSession(out_.operators.back())) return false;
  }
  if (pending) return Fail("value not followed by an attribute id", pendingAt);
  if (!attributes.empty()) return Fail("attributes not followed by an operator");
  return true;
}

bool Reader::DecodeJob() {
  if (!ReadUel() || !ReadPjlLines(out_.pjlBefore, true) || !ReadStreamHeader()) return false;
  if (!ReadOperatorRun(true)) return false;
  if (!sessionEnded_) return Fail(sessionBegun_ ? "the stream ends before EndSession" : "the stream holds no session");
  if (!ReadUel()) return false;
  // A writer may end the job at that UEL; PJL lines after it end the job with @PJL EOJ.
  if (pos_ < n_) {
    if (!ReadPjlLines(out_.pjlAfter, false)) return false;
    bool ended = false;
    for (const std::string& line : out_.pjlAfter) ended = ended || NormalizedPjl(line).rfind("@PJL EOJ", 0) == 0;
    if (!ended) return Fail("the job does not end with @PJL EOJ");
    if (pos_ < n_ && !ReadUel()) return false;
  }
  if (pos_ != n_) return Fail("bytes after the end of the job");
  return true;
}

bool Reader::DecodeOperators() {
  if (!ReadOperatorRun(false)) return false;
  if (pos_ != n_) return Fail("escape byte inside a run of operators");
  return true;
}

}  // namespace

const Attribute* Operator::Find(uint8_t id) const {
  for (const Attribute& a : attributes) {
    if (a.id == id) return &a;
  }
  return nullptr;
}

std::string OperatorName(uint8_t tag) {
  auto it = Operators().find(tag);
  if (it != Operators().end()) return it->second.name;
  char text[8];
  std::snprintf(text, sizeof text, "Op0x%02X", tag);
  return text;
}

std::string AttributeName(uint8_t id) {
  auto it = Attributes().find(id);
  if (it != Attributes().end()) return it->second.name;
  char text[12];
  std::snprintf(text, sizeof text, "Attr0x%02X", id);
  return text;
}

std::string FormatOperator(const Operator& op, DecodeOptions options) {
  std::string line = OperatorName(op.tag);
  for (const Attribute& a : op.attributes) {
    line += ' ' + AttributeName(a.id) + '=' + FormatValue(a.id, a.value, options);
  }
  if (op.data) line += ' ' + FormatData(op);
  return line;
}

Decoded DecodeJob(const uint8_t* bytes, size_t length, DecodeOptions options) {
  Decoded out;
  Reader reader(bytes, length, options, out);
  out.ok = reader.DecodeJob();
  return out;
}

Decoded DecodeJob(const std::vector<uint8_t>& bytes, DecodeOptions options) {
  return DecodeJob(bytes.data(), bytes.size(), options);
}

Decoded DecodeOperators(const uint8_t* bytes, size_t length, DecodeOptions options) {
  Decoded out;
  Reader reader(bytes, length, options, out);
  out.ok = reader.DecodeOperators();
  return out;
}

Decoded DecodeOperators(const std::vector<uint8_t>& bytes, DecodeOptions options) {
  return DecodeOperators(bytes.data(), bytes.size(), options);
}

}  // namespace pclxl
