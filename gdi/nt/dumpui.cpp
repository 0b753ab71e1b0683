#include "gdi/nt/dumpui.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include <win/files.h>

#include "gdi/util.h"

namespace {

enum DumpKind {
  KIND_HEX32 = 0,    // "%s%Xh"
  KIND_HEADING = 1,  // "%s"
  KIND_INT32 = 2,    // "%s%d"
  KIND_HEX8 = 3,     // "%s%Xh"
  KIND_HEX16 = 4,    // "%s%Xh"
  KIND_STRING = 5,   // "%s'%s'", UTF-16 bounded by the field's capacity
  KIND_INT16 = 6,    // "%s%d"
  KIND_BOOL = 7,     // "%s%s" with TRUE/FALSE, read at the field's own width
  KIND_COLOR = 8,    // "%sR:%Xh, G:%Xh, B:%Xh"
};

struct DumpItem {
  const char* label;
  size_t offset;  // within the section
  DumpKind kind;
  size_t width;   // bytes read for KIND_BOOL; UTF-16 units of the field for KIND_STRING
};

constexpr size_t kPrivate = 220;  // the private section starts at dmPrivate

constexpr DumpItem kPublicItems[] = {
    {"\r\nBegin of dmPublic:", 0, KIND_HEADING, 0},
    {"dmDeviceName:\t\t", 0, KIND_STRING, CCHDEVICENAME},
    {"dmSpecVersion:\t\t", 64, KIND_HEX16, 0},
    {"dmDriverVersion:\t", 66, KIND_HEX16, 0},
    {"dmSize:\t\t\t\t", 68, KIND_HEX16, 0},
    {"dmDriverExtra:\t\t", 70, KIND_HEX16, 0},
    {"dmFields:\t\t\t", 72, KIND_HEX32, 0},
    {"dmOrientation:\t\t", 76, KIND_INT16, 0},
    {"dmPaperSize:\t\t", 78, KIND_INT16, 0},
    {"dmPaperLength:\t\t", 80, KIND_INT16, 0},
    {"dmPaperWidth:\t\t", 82, KIND_INT16, 0},
    {"dmScale:\t\t\t", 84, KIND_INT16, 0},
    {"dmCopies:\t\t\t", 86, KIND_INT16, 0},
    {"dmDefaultSource:\t", 88, KIND_INT16, 0},
    {"dmPrintQuality:\t\t", 90, KIND_INT16, 0},
    {"dmColor:\t\t\t", 92, KIND_INT16, 0},
    {"dmDuplex:\t\t\t", 94, KIND_INT16, 0},
    {"dmYResolution:\t\t", 96, KIND_INT16, 0},
    {"dmTTOption:\t\t\t", 98, KIND_INT16, 0},
    {"dmCollate:\t\t\t", 100, KIND_INT16, 0},
};

// The watermark's modify flag is one byte (the italic flag follows three bytes later), so it is
// read as one byte; the strings are bounded by their fields, whose terminator no one promised.
constexpr DumpItem kPrivateItems[] = {
    {"\r\nBegin of dmPrivate:", 0, KIND_HEADING, 0},
    {">>>NUPDLG:", 0, KIND_HEADING, 0},
    {"bNupFlags:\t\t", 100, KIND_HEX32, 0},
    {"bNupNum:\t\t\t", 104, KIND_HEX8, 0},
    {"bNupPageOrder:\t", 105, KIND_HEX8, 0},
    {">>>POSTER_DLG:", 0, KIND_HEADING, 0},
    {"wPosterType:\t\t", 108, KIND_HEX32, 0},
    {"bCropMarks:\t", 112, KIND_HEX8, 0},
    {"\r\n>>>SCAL_DLG:", 0, KIND_HEADING, 0},
    {"ISFSet:\t\t\t", 540, KIND_HEX8, 0},
    {"SRatio:\t\t\t", 542, KIND_INT16, 0},
    {"FtoPaper:\t\t", 544, KIND_INT16, 0},
    {"byFullPage:\t\t", 546, KIND_HEX8, 0},
    {"\r\n>>>OVERLAY_DLG:", 0, KIND_HEADING, 0},
    {"bOverlay:\t\t", 1890, KIND_HEX8, 0},
    {"OverlayFile:\t", 2404, KIND_STRING, RENDER_NAME_UNITS},
    {"\r\n>>>PAPER_DLG:", 0, KIND_HEADING, 0},
    {"wMediaType:\t\t\t", 552, KIND_HEX16, 0},
    {"\r\n>>>DOCUMENTSTYLE:", 0, KIND_HEADING, 0},
    {"bDocumentStyle:\t\t\t", 2, KIND_HEX8, 0},
    {"\r\n>>>WMARKDATA:", 0, KIND_HEADING, 0},
    {"wmIndex:\t\t", 3484, KIND_INT16, 0},
    {"wmString:\t\t", 3486, KIND_STRING, vm4k2::kWmStringUnits},
    {"wmModify:\t\t", 4621, KIND_BOOL, 1},
    {"wmColorRef:\t\t", 4532, KIND_COLOR, 0},
    {"wmTypeFace:\t\t", 4542, KIND_STRING, vm4k2::kWmTypeFaceUnits},
    {"wmFontSize:\t\t", 4606, KIND_INT16, 0},
    {"wmVert:\t\t\t", 4612, KIND_INT16, 0},
    {"wmHori:\t\t\t", 4614, KIND_INT16, 0},
    {"wmItalic:\t\t", 4624, KIND_HEX8, 0},
    {"wmBold:\t\t\t", 4625, KIND_HEX8, 0},
    {"wmAngle:\t\t", 4618, KIND_INT16, 0},
};

static_assert(std::size(kPublicItems) == 20 && std::size(kPrivateItems) == 32);
static_assert(offsetof(RenderDevmode, dmPrivate) == kPrivate);
static_assert(offsetof(RenderPrivate, wmark.wmModify) == 4621 && offsetof(RenderPrivate, overlay.OverlayFile) == 2404);
static_assert(sizeof(vm4k2::WMARKDATA::wmString) == vm4k2::kWmStringUnits * sizeof(WCHAR));

template <typename T>
T Read(const BYTE* base, size_t offset) {
  T value;
  std::memcpy(&value, base + offset, sizeof(T));
  return value;
}

void Append(std::u16string& line, const char* text) {
  for (; *text; ++text) line.push_back(static_cast<unsigned char>(*text));
}

std::u16string FormatLine(const BYTE* section, const DumpItem& item) {
  std::u16string line;
  Append(line, item.label);
  char value[64] = {};
  switch (item.kind) {
    case KIND_HEADING:
      break;
    case KIND_HEX32:
      std::snprintf(value, sizeof(value), "%Xh", Read<DWORD>(section, item.offset));
      break;
    case KIND_INT32:
      std::snprintf(value, sizeof(value), "%d", Read<LONG>(section, item.offset));
      break;
    case KIND_HEX8:
      std::snprintf(value, sizeof(value), "%Xh", Read<BYTE>(section, item.offset));
      break;
    case KIND_HEX16:
      std::snprintf(value, sizeof(value), "%Xh", Read<WORD>(section, item.offset));
      break;
    case KIND_INT16:
      std::snprintf(value, sizeof(value), "%d", Read<SHORT>(section, item.offset));
      break;
    case KIND_BOOL: {
      bool set = false;
      for (size_t i = 0; i < item.width; ++i) set = set || section[item.offset + i] != 0;
      std::snprintf(value, sizeof(value), "%s", set ? "TRUE" : "FALSE");
      break;
    }
    case KIND_COLOR: {
      DWORD color = Read<DWORD>(section, item.offset);
      std::snprintf(value, sizeof(value), "R:%Xh, G:%Xh, B:%Xh", color & 0xFF, (color >> 8) & 0xFF,
                    (color >> 16) & 0xFF);
      break;
    }
    case KIND_STRING: {
      line.push_back(u'\'');
      for (size_t i = 0; i < item.width; ++i) {
        WCHAR c = Read<WCHAR>(section, item.offset + i * sizeof(WCHAR));
        if (c == 0) break;
        line.push_back(c);
      }
      line.push_back(u'\'');
      break;
    }
  }
  Append(line, value);
  Append(line, "\r\n");
  return line;
}

void WriteLine(HANDLE file, std::u16string& line) {
  std::string bytes(line.size(), '\0');
  ULONG written = 0;
  EngUnicodeToMultiByteN(bytes.data(), static_cast<ULONG>(bytes.size()), &written, line.data(),
                         static_cast<ULONG>(line.size() * sizeof(WCHAR)));
  DWORD done = 0;
  WriteFile(file, bytes.data(), written, &done, nullptr);
}

}  // namespace

void DumpUISetting(PDEV*, HDEV, const RenderDevmode* settings, const WCHAR* fileName) {
  if (settings == nullptr || fileName == nullptr) return;
  WCHAR name[RENDER_NAME_UNITS + 1] = {};
  for (size_t i = 0; i < RENDER_NAME_UNITS && fileName[i]; ++i) name[i] = fileName[i];

  DeleteFileW(name);
  HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    char narrow[RENDER_NAME_UNITS + 1] = {};
    ULONG units = 0;
    while (name[units]) ++units;
    ULONG written = 0;
    EngUnicodeToMultiByteN(narrow, RENDER_NAME_UNITS, &written, name, units * sizeof(WCHAR));
    Util_DebugPrint("Create file '%s' error!\n", narrow);
    return;
  }
  const BYTE* base = reinterpret_cast<const BYTE*>(settings);
  for (const DumpItem& item : kPublicItems) {
    std::u16string line = FormatLine(base, item);
    WriteLine(file, line);
  }
  for (const DumpItem& item : kPrivateItems) {
    std::u16string line = FormatLine(base + kPrivate, item);
    WriteLine(file, line);
  }
  static const char kEnd[] = "End of dump UI structure\r\n";
  DWORD done = 0;
  WriteFile(file, kEnd, sizeof(kEnd) - 1, &done, nullptr);
  CloseHandle(file);
}
