// The job's watermark record from the command line.
#include "watermark.h"

#include <cstdlib>
#include <cstring>

#include <win/strings.h>

namespace printjob {
namespace {

using vm4k2::WatermarkRecord;

// The id the editors give the first watermark the user makes (0..2 are the built-in ones).
constexpr int16_t kFirstUserWatermarkId = 3;

// UTF-8 into a record field of `units` UTF-16 units, terminated; FALSE when it does not fit or
// is not UTF-8.
template <size_t N>
bool CopyField(WCHAR (&field)[N], const std::string& utf8, std::string& error, const char* what) {
  std::memset(field, 0, sizeof field);
  if (utf8.empty()) return true;
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.c_str(), static_cast<int>(utf8.size()), nullptr, 0);
  if (units <= 0 || static_cast<size_t>(units) >= N) {
    error = std::string(what) + " '" + utf8 + "' is not UTF-8 of at most " + std::to_string(N - 1) + " characters";
    return false;
  }
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), field, units);
  return true;
}

bool ParseNumber(const std::string& key, const std::string& text, long low, long high, int16_t& out,
                 std::string& error) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != 0 || value < low || value > high) {
    error = "watermark " + key + " '" + text + "' is not a number from " + std::to_string(low) + " to " +
            std::to_string(high);
    return false;
  }
  out = static_cast<int16_t>(value);
  return true;
}

bool ApplyField(WatermarkRecord& r, const std::string& field, std::string& error) {
  const size_t equals = field.find('=');
  if (equals == std::string::npos || equals == 0) {
    error = "'" + field + "' is not KEY=VALUE";
    return false;
  }
  const std::string key = field.substr(0, equals);
  const std::string value = field.substr(equals + 1);
  if (key == "face") return CopyField(r.typeface, value, error, "face");
  if (key == "name") return CopyField(r.name, value, error, "name");
  if (key == "size") return ParseNumber(key, value, 6, 600, r.pointSize, error);
  if (key == "angle") return ParseNumber(key, value, -90, 90, r.angle, error);
  if (key == "bold") return ParseNumber(key, value, 0, 1, r.bold, error);
  if (key == "italic") return ParseNumber(key, value, 0, 1, r.italic, error);
  if (key == "grey") return ParseNumber(key, value, 0, 3, r.greyLevel, error);
  if (key == "flag") return ParseNumber(key, value, 0, 1, r.bitmapFlag, error);
  if (key == "x" || key == "y") {
    r.position = vm4k2::kWatermarkCustomXY;
    return ParseNumber(key, value, 0, 100, key == "x" ? r.xPercent : r.yPercent, error);
  }
  error = "unknown watermark field '" + key + "' (face, size, angle, bold, italic, grey, x, y, flag, name)";
  return false;
}

}  // namespace

bool BuildWatermarkRecord(const WatermarkRequest& request, WatermarkRecord& out, std::string& error) {
  if (!request.text.empty() && !request.bitmapPath.empty()) {
    error = "a watermark is either a text or a bitmap";
    return false;
  }
  if (!request.wanted()) {
    error = "--watermark-set needs --watermark-text or --watermark-bitmap";
    return false;
  }
  // The records the editors start from for a new watermark.
  out = WatermarkRecord{};
  out.id = kFirstUserWatermarkId;
  out.position = vm4k2::kWatermarkCentre;
  out.typefaceChosen = 1;
  out.bitmapFlag = 1;
  out.pointSize = 72;
  out.greyLevel = 1;
  if (!request.text.empty()) {
    out.kind = vm4k2::kWatermarkText;
    out.xPercent = out.yPercent = 50;
    if (!CopyField(out.text, request.text, error, "watermark text")) return false;
    // The name is the text, cut to the name's field.
    std::memcpy(out.name, out.text, sizeof out.name - sizeof(WCHAR));
    if (!CopyField(out.typeface, "Arial", error, "face")) return false;
  } else {
    out.kind = vm4k2::kWatermarkBitmap;
    out.bitmapScale = 100;
    if (!CopyField(out.bitmapPath, request.bitmapPath, error, "bitmap path")) return false;
    if (!CopyField(out.name, "Picture", error, "watermark name")) return false;
  }
  for (const std::string& field : request.fields)
    if (!ApplyField(out, field, error)) return false;
  return true;
}

SettingChange WatermarkChange(const WatermarkRecord& record) {
  SettingChange change;
  change.key = "WatermarkData";
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&record);
  change.bytes.assign(bytes, bytes + sizeof record);
  return change;
}

}  // namespace printjob
