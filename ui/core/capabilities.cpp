#include "ui/core/capabilities.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <win/spooler.h>

#include "ui/core/custom_paper_source.h"
#include "ui/core/devmode.h"
#include "ui/core/paper_tables.h"
#include "ui/core/private_devmode.h"
#include "ui/core/satellite.h"
#include "ui/core/system_queries.h"

namespace vm4k2ui {

namespace {

// Writes `text` into a fixed-size name record, cut to leave room for the terminator.
void WriteName(WCHAR* record, size_t units, std::u16string_view text) {
  size_t i = 0;
  for (; i + 1 < units && i < text.size(); ++i) record[i] = text[i];
  for (; i < units; ++i) record[i] = 0;
}

std::u16string CustomPaperName(const vm4k2::CustomPaperRecord& paper) {
  char size[48];
  std::snprintf(size, sizeof(size), " (%d x %dmm)", DotsToTenthsMm(paper.width) / 10, DotsToTenthsMm(paper.height) / 10);
  std::u16string name(paper.name);
  for (const char* p = size; *p != 0; ++p) name.push_back(static_cast<char16_t>(*p));
  return name;
}

DWORD TablePaperNames(HMODULE satellite, WCHAR* out) {
  for (size_t i = 0; i < kPaperSizeCount; ++i) {
    WriteName(out + i * kPaperNameUnits, kPaperNameUnits, LoadUiString(satellite, kPaperNameIdTable[i]));
  }
  return kPaperSizeCount;
}

struct CapabilityQuery {
  const vm4k2::UiDevmode& devmode;
  const std::vector<vm4k2::CustomPaperRecord>& customPapers;
  HMODULE satellite;
  void* output;
};

DWORD Answer(WORD index, const CapabilityQuery& q) {
  const DEVMODEW& dm = q.devmode.dmPublic;
  const bool portrait = dm.dmOrientation == DMORIENT_PORTRAIT;
  const DWORD paperCount = static_cast<DWORD>(kPaperSizeCount + q.customPapers.size());
  switch (index) {
    case DC_FIELDS: return dm.dmFields;
    case DC_PAPERS:
      if (auto* out = static_cast<WORD*>(q.output)) {
        for (const PaperSizeRow& row : kPaperSizeTable) *out++ = static_cast<WORD>(row.paperId);
        for (const auto& paper : q.customPapers) *out++ = static_cast<WORD>(paper.paperId);
      }
      return paperCount;
    case DC_PAPERSIZE:
      if (auto* out = static_cast<POINT*>(q.output)) {
        for (const PaperSizeRow& row : kPaperSizeTable) {
          const bool known = dm.dmOrientation == DMORIENT_PORTRAIT || dm.dmOrientation == DMORIENT_LANDSCAPE;
          *out++ = known ? POINT{DotsToTenthsMm(row.portrait.width), DotsToTenthsMm(row.portrait.height)} : POINT{0, 0};
        }
        // Custom papers turn with the orientation, unlike the table papers.
        for (const auto& paper : q.customPapers) {
          const LONG w = DotsToTenthsMm(paper.width), h = DotsToTenthsMm(paper.height);
          *out++ = portrait ? POINT{w, h} : POINT{h, w};
        }
      }
      return paperCount;
    case DC_MINEXTENT: return static_cast<DWORD>(portrait ? MAKELONG(762, 1270) : MAKELONG(1270, 762));
    case DC_MAXEXTENT: return static_cast<DWORD>(portrait ? MAKELONG(2159, 3556) : MAKELONG(3556, 2159));
    case DC_BINS:
      if (auto* out = static_cast<WORD*>(q.output)) {
        for (const BinRow& bin : kBinTable) *out++ = static_cast<WORD>(bin.bin);
      }
      return kBinCount;
    case DC_DUPLEX: return 1;
    case DC_SIZE: return dm.dmSize;
    case DC_EXTRA: return dm.dmDriverExtra;
    case DC_VERSION: return dm.dmSpecVersion;
    case DC_DRIVER: return dm.dmDriverVersion;
    case DC_BINNAMES:
      if (auto* out = static_cast<WCHAR*>(q.output)) {
        for (size_t i = 0; i < kBinCount; ++i) {
          WriteName(out + i * kBinNameUnits, kBinNameUnits, LoadUiString(q.satellite, kBinTable[i].nameId));
        }
      }
      return kBinCount;
    case DC_ENUMRESOLUTIONS:
      if (auto* out = static_cast<LONG*>(q.output)) {
        out[0] = 1200;
        out[1] = 600;
      }
      return 1;
    case DC_FILEDEPENDENCIES:
      if (auto* out = static_cast<WCHAR*>(q.output)) out[0] = 0;
      return 0;
    case DC_TRUETYPE: return (dm.dmFields & DM_TTOPTION) ? (DCTT_DOWNLOAD | DCTT_SUBDEV) : 0;
    case DC_PAPERNAMES:
      if (auto* out = static_cast<WCHAR*>(q.output)) {
        out += TablePaperNames(q.satellite, out) * kPaperNameUnits;
        for (const auto& paper : q.customPapers) {
          WriteName(out, kPaperNameUnits, CustomPaperName(paper));
          out += kPaperNameUnits;
        }
      }
      return paperCount;
    case DC_ORIENTATION: return 90;
    case DC_COPIES: return 999;
    case DC_BINADJUST: return 0;
    case DC_COLLATE: return 1;
    case DC_MEDIAREADY:
      if (auto* out = static_cast<WCHAR*>(q.output)) TablePaperNames(q.satellite, out);
      return kPaperSizeCount;
    case DC_STAPLE: return 0;
    case DC_PRINTRATEPPM: return 0;
    case DC_COLORDEVICE: return IsCallingProcess(u"MSPUB.EXE") ? 1 : 0;
    default: return kCapabilityUnsupported;
  }
}

bool NeedsNames(WORD index) { return index == DC_BINNAMES || index == DC_PAPERNAMES || index == DC_MEDIAREADY; }

}  // namespace

}  // namespace vm4k2ui

extern "C" __attribute__((visibility("default"))) DWORD WINAPI DrvDeviceCapabilities(
    HANDLE /*hPrinter*/, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput, PDEVMODEW pDevMode) {
  using namespace vm4k2ui;
  std::unique_ptr<vm4k2::UiDevmode> devmode(new (std::nothrow) vm4k2::UiDevmode);
  if (!devmode) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return kCapabilityUnsupported;
  }
  const HRESULT publicDefaults = SetDefaultDevmode(&devmode->dmPublic, pDeviceName);
  SetDefaultPrivateDevmode(&devmode->dmPrivate);
  if (publicDefaults == S_OK && devmode->dmPublic.dmDriverExtra == vm4k2::kPrivateDevmodeSize && pDevMode != nullptr) {
    MergeDevmode(devmode.get(), pDevMode);
  }
  HMODULE satellite = nullptr;
  if (NeedsNames(iDevCap) && pvOutput != nullptr && LoadResourceDll(&satellite) != ERROR_SUCCESS) return 0;
  // The store is read once per query, so counts and records of one answer agree.
  const std::vector<vm4k2::CustomPaperRecord> customPapers =
      (iDevCap == DC_PAPERS || iDevCap == DC_PAPERSIZE || iDevCap == DC_PAPERNAMES)
          ? ListCustomPapers()
          : std::vector<vm4k2::CustomPaperRecord>{};
  const DWORD answer = Answer(iDevCap, CapabilityQuery{*devmode, customPapers, satellite, pvOutput});
  FreeResourceDll(satellite);
  return answer;
}
