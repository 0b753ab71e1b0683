// Field-by-field repair of stored records: one row per field (or run of equal fields), so the
// checks read as the table of valid ranges they implement. Values are read and written with
// memcpy because the records arrive as caller bytes of any alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vm4k2ui {

enum class FieldType : uint8_t { Int16, Int32, UInt32 };

struct RangeCheck {
  uint16_t offset;    // of the first field, from the record's start
  FieldType type;
  uint8_t count;      // equal fields in a row (an int16[4] is one row with count 4)
  int64_t low;
  int64_t high;
  int64_t repair;     // what a value outside low..high becomes
};

inline constexpr size_t FieldWidth(FieldType type) { return type == FieldType::Int16 ? 2 : 4; }

inline void ApplyRangeChecks(void* record, std::span<const RangeCheck> checks) {
  auto* bytes = static_cast<unsigned char*>(record);
  for (const RangeCheck& check : checks) {
    for (size_t i = 0; i < check.count; ++i) {
      unsigned char* field = bytes + check.offset + i * FieldWidth(check.type);
      int64_t value = 0;
      switch (check.type) {
        case FieldType::Int16: { int16_t v; std::memcpy(&v, field, 2); value = v; break; }
        case FieldType::Int32: { int32_t v; std::memcpy(&v, field, 4); value = v; break; }
        case FieldType::UInt32: { uint32_t v; std::memcpy(&v, field, 4); value = v; break; }
      }
      if (value >= check.low && value <= check.high) continue;
      switch (check.type) {
        case FieldType::Int16: { auto v = static_cast<int16_t>(check.repair); std::memcpy(field, &v, 2); break; }
        case FieldType::Int32: { auto v = static_cast<int32_t>(check.repair); std::memcpy(field, &v, 4); break; }
        case FieldType::UInt32: { auto v = static_cast<uint32_t>(check.repair); std::memcpy(field, &v, 4); break; }
      }
    }
  }
}

// Forces the last unit of a UTF-16 field to 0, so that the text always ends inside it.
inline void TerminateField(char16_t* field, size_t units) { field[units - 1] = 0; }

}  // namespace vm4k2ui
