#include "ui/core/devmode.h"

#include <algorithm>
#include <cstring>

#include "ui/core/paper_tables.h"
#include "ui/core/private_devmode.h"
#include "ui/core/system_queries.h"

namespace vm4k2ui {

using vm4k2::PrivateDevmode;
using vm4k2::UiDevmode;

namespace {

struct DevmodeHeader {
  WORD specVersion;
  WORD driverVersion;
  WORD size;
  WORD driverExtra;
};

WORD SpecVersionFor(WORD size, WORD specVersion) {
  switch (size) {
    case 192: return 0x320;
    case 216: return 0x400;
    case 224: return 0x401;
    default: return specVersion;
  }
}

const BYTE* Bytes(const DEVMODEW* devmode) { return reinterpret_cast<const BYTE*>(devmode); }
BYTE* Bytes(DEVMODEW* devmode) { return reinterpret_cast<BYTE*>(devmode); }

// A caller's DEVMODE carries this driver's private part only when it says so in full: the
// exact private size and the signature. Anything else is a foreign or public-only record
// whose bytes past the public part are not ours to interpret.
bool HasOurPrivatePart(const DEVMODEW* devmode) {
  if (devmode->dmDriverExtra != vm4k2::kPrivateDevmodeSize) return false;
  uint32_t signature = 0;
  std::memcpy(&signature, Bytes(devmode) + devmode->dmSize, sizeof(signature));
  return signature == vm4k2::kPrivateSignature;
}

template <size_t N>
void CopyName(WCHAR (&field)[N], const WCHAR* text) {
  std::fill(field, field + N, u'\0');
  if (text == nullptr) return;
  for (size_t i = 0; i + 1 < N && text[i] != 0; ++i) field[i] = text[i];
}


void MergePaper(DEVMODEW* target, const PrivateDevmode* lookupPrivate, const DEVMODEW& input) {
  const int paperId = input.dmPaperSize;
  if (!IsKnownPaperId(paperId)) {
    SetLocaleDefaultPaper(target);
    return;
  }
  PaperExtent extent{};
  LookupPaperSize(lookupPrivate, paperId, true, &extent);
  target->dmPaperSize = static_cast<SHORT>(paperId);
  target->dmPaperWidth = static_cast<SHORT>(DotsToTenthsMm(extent.width));
  target->dmPaperLength = static_cast<SHORT>(DotsToTenthsMm(extent.height));
}

void MergePublicFields(UiDevmode* target, const DEVMODEW& input, bool inputHasOurPrivate) {
  DEVMODEW& out = target->dmPublic;
  const DWORD both = out.dmFields & input.dmFields;
  if ((both & DM_ORIENTATION) && (input.dmOrientation == DMORIENT_PORTRAIT || input.dmOrientation == DMORIENT_LANDSCAPE)) {
    out.dmOrientation = input.dmOrientation;
  }
  if ((both & DM_COPIES) && input.dmCopies >= 1 && input.dmCopies <= 999) out.dmCopies = input.dmCopies;
  if (both & DM_PRINTQUALITY) out.dmPrintQuality = input.dmPrintQuality;
  // The engine renders at 600 dpi whatever the application asks for.
  if ((both & DM_YRESOLUTION) && (input.dmYResolution == 600 || input.dmYResolution == 1200)) {
    out.dmYResolution = 600;
  }
  if (both & DM_DUPLEX) {
    if (input.dmDuplex >= DMDUP_SIMPLEX && input.dmDuplex <= DMDUP_HORIZONTAL) {
      out.dmDuplex = input.dmDuplex;
    } else if (input.dmDuplex == 5) {
      out.dmDuplex = input.dmDuplex;
      // Value 5 means "as the private Duplex word says"; a record without our private part
      // has no such word, and its bytes past the public part may not exist at all.
      if (inputHasOurPrivate) {
        std::memcpy(&target->dmPrivate.duplex,
                    reinterpret_cast<const BYTE*>(&input) + input.dmSize + offsetof(PrivateDevmode, duplex),
                    sizeof(target->dmPrivate.duplex));
      }
    }
  }
  // Applications set the media type without announcing it in dmFields.
  if (input.dmMediaType != 0) out.dmMediaType = input.dmMediaType;
  constexpr DWORD kPaperFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
  if ((out.dmFields & kPaperFields) && (input.dmFields & kPaperFields)) {
    const PrivateDevmode* lookupPrivate =
        input.dmDriverExtra == vm4k2::kPrivateDevmodeSize
            ? reinterpret_cast<const PrivateDevmode*>(reinterpret_cast<const BYTE*>(&input) + input.dmSize)
            : &target->dmPrivate;
    MergePaper(&out, lookupPrivate, input);
  }
  if ((both & DM_DEFAULTSOURCE) && input.dmDefaultSource > 0) out.dmDefaultSource = input.dmDefaultSource;
  if (both & DM_SCALE) out.dmScale = input.dmScale;
  if ((both & DM_COLLATE) && (input.dmCollate == DMCOLLATE_FALSE || input.dmCollate == DMCOLLATE_TRUE)) {
    out.dmCollate = input.dmCollate;
  }
  if (both & DM_COLOR) out.dmColor = DMCOLOR_MONOCHROME;  // the printer has no colour
}

bool UsableHeader(const DevmodeHeader& header) {
  return header.specVersion != 0 && header.size >= kDevmodeHeaderSize;
}

bool ConvertHeader(const DEVMODEW* target, const DEVMODEW* source, DevmodeHeader* header) {
  if (target == nullptr || source == nullptr) return false;
  if (SpecVersionFromSize(target) == 0 || SpecVersionFromSize(source) == 0) return false;
  if (source->dmSize < kDevmodeHeaderSize) return false;
  const DEVMODEW* from = target->dmDriverVersion != 0 ? target : source;
  *header = {SpecVersionFromSize(from), from->dmDriverVersion, from->dmSize, from->dmDriverExtra};
  return UsableHeader(*header);
}

// Writes `source` into `target` under `header`: the smaller public part, then the private
// bytes when both sides agree on their size, else zeros. Returns the bytes written.
size_t WriteConverted(DEVMODEW* target, size_t capacity, const DEVMODEW* source, const DevmodeHeader& header) {
  const size_t extent = size_t{header.size} + header.driverExtra;
  if (extent > capacity) return 0;
  const WORD sourceSize = source->dmSize;
  const WORD sourceExtra = source->dmDriverExtra;
  std::memmove(target, source, std::min<size_t>(header.size, sourceSize));
  target->dmSpecVersion = header.specVersion;
  target->dmDriverVersion = header.driverVersion;
  target->dmSize = header.size;
  target->dmDriverExtra = header.driverExtra;
  BYTE* privateOut = Bytes(target) + header.size;
  if (header.driverExtra == sourceExtra) {
    std::memmove(privateOut, Bytes(source) + sourceSize, header.driverExtra);
  } else {
    std::memset(privateOut, 0, header.driverExtra);
  }
  return extent;
}

bool CopyOutHeader(const UiDevmode& context, const DEVMODEW* input, DevmodeHeader* header) {
  const DEVMODEW& own = context.dmPublic;
  const DEVMODEW& bySize = input->dmSize < own.dmSize ? *input : own;
  const DEVMODEW& byExtra = input->dmDriverExtra < own.dmDriverExtra ? *input : own;
  *header = {SpecVersionFor(bySize.dmSize, bySize.dmSpecVersion), byExtra.dmDriverVersion, bySize.dmSize,
             byExtra.dmDriverExtra};
  // Our own header never claims more than the record holds.
  return UsableHeader(*header) && header->size <= vm4k2::kPublicDevmodeSize &&
         header->driverExtra <= vm4k2::kPrivateDevmodeSize && own.dmSize == vm4k2::kPublicDevmodeSize;
}

}  // namespace

void SetLocaleDefaultPaper(DEVMODEW* devmode) {
  if (IsMetricLocale()) {
    devmode->dmPaperSize = DMPAPER_A4;
    devmode->dmPaperWidth = 2100;
    devmode->dmPaperLength = 2970;
  } else {
    devmode->dmPaperSize = DMPAPER_LETTER;
    devmode->dmPaperWidth = 2159;
    devmode->dmPaperLength = 2794;
  }
}

HRESULT SetDefaultDevmode(DEVMODEW* devmode, const WCHAR* deviceName) {
  if (devmode == nullptr) return E_FAIL;
  std::memset(devmode, 0, sizeof(*devmode));
  CopyName(devmode->dmDeviceName, deviceName);
  devmode->dmSpecVersion = vm4k2::kUiSpecVersion;
  devmode->dmDriverVersion = vm4k2::kUiDriverVersion;
  devmode->dmSize = vm4k2::kPublicDevmodeSize;
  devmode->dmDriverExtra = vm4k2::kPrivateDevmodeSize;
  devmode->dmFields = kDefaultDevmodeFields;
  devmode->dmOrientation = DMORIENT_PORTRAIT;
  SetLocaleDefaultPaper(devmode);
  CopyName(devmode->dmFormName, devmode->dmPaperSize == DMPAPER_A4 ? u"A4" : u"Letter");
  devmode->dmScale = 100;
  devmode->dmCopies = 1;
  devmode->dmDefaultSource = DMBIN_AUTO;
  devmode->dmPrintQuality = 600;
  devmode->dmColor = DMCOLOR_MONOCHROME;
  devmode->dmDuplex = DMDUP_SIMPLEX;
  devmode->dmYResolution = 600;
  devmode->dmTTOption = DMTT_BITMAP;
  devmode->dmCollate = DMCOLLATE_FALSE;
  devmode->dmMediaType = DMMEDIA_STANDARD;
  devmode->dmDitherType = 0;
  return S_OK;
}

WORD SpecVersionFromSize(const DEVMODEW* devmode) {
  if (devmode == nullptr) return 0;
  return SpecVersionFor(devmode->dmSize, devmode->dmSpecVersion);
}

int MergeDevmode(UiDevmode* target, const DEVMODEW* input) {
  if (input == nullptr) return 1;
  if (target == nullptr) return 0;
  if (input->dmDeviceName[0] == 0 || input->dmSize != vm4k2::kPublicDevmodeSize ||
      SpecVersionFromSize(input) == 0 || SpecVersionFromSize(&target->dmPublic) == 0 || input->dmFields == 0) {
    return 0;
  }
  // The target is a whole UiDevmode: its header is kept as it is, whatever the input says,
  // so that its sizes always describe the 5080 bytes it really has.
  DEVMODEW& out = target->dmPublic;
  const DevmodeHeader kept = {SpecVersionFromSize(&out), out.dmDriverVersion, out.dmSize, out.dmDriverExtra};

  const bool inputHasOurPrivate = HasOurPrivatePart(input);
  MergePublicFields(target, *input, inputHasOurPrivate);
  if (inputHasOurPrivate && input->dmDriverVersion == vm4k2::kUiDriverVersion &&
      input->dmSpecVersion == vm4k2::kUiSpecVersion && out.dmDriverExtra == vm4k2::kPrivateDevmodeSize) {
    std::memcpy(&target->dmPrivate, Bytes(input) + input->dmSize, vm4k2::kPrivateDevmodeSize);
    ValidatePrivateDevmode(&target->dmPrivate);
  }
  out.dmSpecVersion = kept.specVersion;
  out.dmDriverVersion = kept.driverVersion;
  out.dmSize = kept.size;
  out.dmDriverExtra = kept.driverExtra;
  return 1;
}

size_t ConvertDevmodeSize(const DEVMODEW* target, const DEVMODEW* source) {
  DevmodeHeader header;
  if (!ConvertHeader(target, source, &header)) return 0;
  return size_t{header.size} + header.driverExtra;
}

size_t ConvertDevmode(DEVMODEW* target, size_t capacity, const DEVMODEW* source) {
  if (target == nullptr || capacity < kDevmodeHeaderSize) return 0;
  DevmodeHeader header;
  if (!ConvertHeader(target, source, &header)) return 0;
  return WriteConverted(target, capacity, source, header);
}

size_t CopyDevmodeOutSize(const UiDevmode& context, const DEVMODEW* input) {
  if (input == nullptr) {
    return std::min<size_t>(size_t{context.dmPublic.dmSize} + context.dmPublic.dmDriverExtra, vm4k2::kUiDevmodeSize);
  }
  if (input->dmSize < kDevmodeHeaderSize) return 0;
  DevmodeHeader header;
  if (!CopyOutHeader(context, input, &header)) return 0;
  return size_t{header.size} + header.driverExtra;
}

int CopyDevmodeOut(const UiDevmode& context, const DEVMODEW* input, void* output, size_t capacity) {
  if (output == nullptr) return 0;
  const size_t extent = CopyDevmodeOutSize(context, input);
  if (extent == 0 || extent > capacity) return 0;
  if (input == nullptr) {
    std::memcpy(output, &context, extent);
    return 1;
  }
  // The caller's input may be the output buffer itself, so its header is read before any
  // byte is written. The header is the one computed here, never one adopted from the context.
  DevmodeHeader header;
  CopyOutHeader(context, input, &header);
  return WriteConverted(static_cast<DEVMODEW*>(output), capacity, &context.dmPublic, header) != 0 ? 1 : 0;
}

}  // namespace vm4k2ui
