// An independent reader of PJL + PCL XL job streams, for tests and people (pxldump).
//
// It is written from the published PCL XL tag tables (data types, attribute ids, operator
// tags, enumerations of protocol classes 1.1 to 3.0), not from the renderer's writer, so that
// a wrong constant in the writer shows up as a wrong listing instead of being agreed with.
// It reads what other writers write as the references allow it: PJL lines ended by LF or CR LF
// with any blanks between words, both binary bindings (") HP-PCL XL;..." low byte first, "("
// high byte first) and the published protocol classes 1.1, 2.0, 2.1 and 3.0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pclxl {

// A data value as it appeared in the stream.
struct Value {
  uint8_t tag = 0;              // data type tag (0xC0 ubyte ... 0xE5 real32_box)
  std::vector<double> numbers;  // scalar: 1, pair: 2, box: 4, array: its elements
  bool isArray = false;
};

struct Attribute {
  uint8_t id = 0;
  Value value;
};

struct Operator {
  uint8_t tag = 0;
  size_t offset = 0;                          // offset of the operator byte in the input
  std::vector<Attribute> attributes;          // in stream order
  std::optional<std::vector<uint8_t>> data;   // embedded data that followed the operator
  const Attribute* Find(uint8_t id) const;
};

struct DecodeOptions {
  bool showTypes = false;  // list values with their data type: Point=sint16_xy(10,20)
};

struct Decoded {
  bool ok = false;
  std::string error;           // why the stream was rejected; empty when ok
  size_t errorOffset = 0;      // byte offset of the fault
  std::vector<std::string> pjlBefore;  // PJL lines before the PCL XL stream, without CR LF
  std::string streamHeader;    // the header line without its line feed (NUL shown as \0)
  char binding = 0;            // ')' binary low byte first, '(' binary high byte first
  std::string protocolClass;   // "2.0", "3.0" ...
  std::vector<Operator> operators;
  std::vector<std::string> pjlAfter;   // PJL lines after the stream
  int uelCount = 0;            // Universal Exit Language sequences seen
  // The whole job as readable lines: "<UEL>", the PJL lines, "StreamHeader \"...\"", then
  // one line per operator ("BeginPage Orientation=ePortraitOrientation MediaSize=\"A4\"").
  std::vector<std::string> listing;
};

// A whole job: UEL, PJL lines, "@PJL ENTER LANGUAGE=PCLXL", the stream header, a session from
// BeginSession to EndSession, then UEL, and the trailing PJL lines up to "@PJL EOJ" with a last
// UEL when the writer sends them. Anything else is rejected, with the byte where it went wrong.
Decoded DecodeJob(const uint8_t* bytes, size_t length, DecodeOptions options = {});
Decoded DecodeJob(const std::vector<uint8_t>& bytes, DecodeOptions options = {});

// A bare run of PCL XL operators (no PJL, no stream header, no session rules): what one
// writer call emits. Values left without an operator at the end are an error.
Decoded DecodeOperators(const uint8_t* bytes, size_t length, DecodeOptions options = {});
Decoded DecodeOperators(const std::vector<uint8_t>& bytes, DecodeOptions options = {});

// Names from the published tables; "Attr0x.." / "Op0x.." for values that have none.
std::string OperatorName(uint8_t tag);
std::string AttributeName(uint8_t id);
std::string FormatOperator(const Operator& op, DecodeOptions options = {});

}  // namespace pclxl
