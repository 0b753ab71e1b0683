// The process's GDI display list (see internal/gdi_record.h) and its test controls.
#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

#include "internal/gdi_record.h"
#include "platform_testing.h"

namespace plat::gdi {
namespace {

struct Recorder {
  std::mutex lock;
  bool on = false;
  std::string text;
  std::map<uintptr_t, std::string> names;  // by DC handle
  std::map<std::string, unsigned> counts;  // by kind
};

Recorder& TheRecorder() {
  static Recorder* recorder = new Recorder;  // outlives static destructors of callers
  return *recorder;
}

const char* KindOf(const PrinterDC& dc) {
  if (dc.memoryDC) return "memory";
  if (dc.window) return "window";
  if (dc.screenDC) return "screen";
  return "printer";
}

std::string NameLocked(Recorder& r, const PrinterDC* dc) {
  if (!dc || !dc->hdc) return "none";
  uintptr_t key = reinterpret_cast<uintptr_t>(dc->hdc);
  auto found = r.names.find(key);
  std::string kind = KindOf(*dc);
  if (found != r.names.end() && found->second.compare(0, kind.size(), kind) == 0) return found->second;
  std::string name = kind + std::to_string(++r.counts[kind]);
  r.names[key] = name;
  return name;
}

}  // namespace

bool Recording() {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.on;
}

void RecordCall(const PrinterDC& dc, std::string_view call, const std::string& detail) {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!r.on) return;
  r.text += NameLocked(r, &dc);
  r.text += ' ';
  r.text += call;
  if (!detail.empty()) {
    r.text += ' ';
    r.text += detail;
  }
  r.text += '\n';
}

std::string RecordName(const PrinterDC* dc) {
  Recorder& r = TheRecorder();
  std::lock_guard<std::mutex> guard(r.lock);
  return NameLocked(r, dc);
}

std::string RecordColor(COLORREF color) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
  return text;
}

std::string RecordRect(LONG left, LONG top, LONG right, LONG bottom) {
  return "(" + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
         std::to_string(bottom) + ")";
}

std::string RecordText(const WCHAR* text, size_t count) {
  std::string out = "\"";
  for (size_t i = 0; text && i < count; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c == '"' || c == '\\') out += '\\';
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out + "\"";
}

std::string RecordFont(const LOGFONTW& f) {
  size_t length = 0;
  while (length < LF_FACESIZE && f.lfFaceName[length]) ++length;
  return "font=" + RecordText(f.lfFaceName, length) + " height=" + std::to_string(f.lfHeight) +
         " width=" + std::to_string(f.lfWidth) + " escapement=" + std::to_string(f.lfEscapement) +
         " orientation=" + std::to_string(f.lfOrientation) + " weight=" + std::to_string(f.lfWeight) +
         " italic=" + std::to_string(f.lfItalic) + " underline=" + std::to_string(f.lfUnderline) +
         " strikeout=" + std::to_string(f.lfStrikeOut) + " charset=" + std::to_string(f.lfCharSet) +
         " quality=" + std::to_string(f.lfQuality) + " pitch=" + std::to_string(f.lfPitchAndFamily);
}

}  // namespace plat::gdi

extern "C" {

WINBASEAPI void PlatformTest_RecordGdiCalls(BOOL on) {
  plat::gdi::Recorder& r = plat::gdi::TheRecorder();
  std::lock_guard<std::mutex> guard(r.lock);
  r.on = on != FALSE;
  r.text.clear();
  r.names.clear();
  r.counts.clear();
}

WINBASEAPI size_t PlatformTest_ReadGdiRecord(char* buffer, size_t size) {
  plat::gdi::Recorder& r = plat::gdi::TheRecorder();
  std::lock_guard<std::mutex> guard(r.lock);
  if (buffer && size) {
    size_t n = std::min(size - 1, r.text.size());
    r.text.copy(buffer, n);
    buffer[n] = 0;
  }
  return r.text.size();
}

}  // extern "C"
