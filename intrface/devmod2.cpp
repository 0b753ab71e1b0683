#include "intrface/devmod2.h"

#include <cstring>
#include <iterator>
#include <type_traits>

#include <win/environment.h>
#include <win/system.h>

#include <vm4k2/ui_devmode.h>

#include "gdi/pdev.h"
#include "gdi/util.h"
#include "intrface/xmodel.h"

namespace {

constexpr WCHAR kDumpFile[] = u"c:\\ui.txt";
constexpr WCHAR kDumpFile2[] = u"c:\\text.txt";
constexpr WCHAR kDefaultPrivName[] = u"Standard";
constexpr WCHAR kHeaderTypeFace[] = u"Times New Roman";
constexpr WCHAR kFormsSubfolder[] = u"\\Halvard\\Form";

// Stress and corruption test programs hand the driver deliberately broken DEVMODEs; inside
// them the renderer keeps its own settings whatever comes in.
constexpr const WCHAR* kRefusingPrograms[] = {u"DevModeCorruptW.exe", u"ntsd printdrvstress.exe",
                                              u"printdrvstress.exe"};

// Copies a terminated text into a field, cut to the field's capacity.
template <size_t N>
void SetText(WCHAR (&field)[N], const WCHAR* text) {
  size_t i = 0;
  if (text) {
    for (; i + 1 < N && text[i]; ++i) field[i] = text[i];
  }
  field[i] = 0;
}

size_t TextLength(const WCHAR* text, size_t capacity) {
  size_t n = 0;
  while (n < capacity && text[n]) ++n;
  return n;
}

template <typename Section>
void CopySection(Section& target, const Section& input) {
  static_assert(std::is_trivially_copyable_v<Section>);
  std::memcpy(&target, &input, sizeof(Section));
}

template <typename T>
bool InRange(T value, long long low, long long high) {
  return static_cast<long long>(value) >= low && static_cast<long long>(value) <= high;
}

template <size_t N>
bool AllInRange(const SHORT (&values)[N], int low, int high) {
  for (SHORT v : values) {
    if (!InRange(v, low, high)) return false;
  }
  return true;
}

template <size_t N>
bool AllInRange(const signed char (&values)[N], int low, int high) {
  for (signed char v : values) {
    if (!InRange(v, low, high)) return false;
  }
  return true;
}

void SetPaper(DEVMODEW& pub, SHORT paperId) {
  const XMODEL_PAPER* row = XModel_FindPaper(paperId);
  pub.dmPaperSize = paperId;
  pub.dmPaperWidth = XModel_DotsToTenths(row->portrait.width);
  // A4's length is kept as the standard 297 mm; the model's height rounds to 296.7.
  pub.dmPaperLength = paperId == DMPAPER_A4 ? 2970 : XModel_DotsToTenths(row->portrait.height);
}

void SetLocalePaper(DEVMODEW& pub) {
  SetPaper(pub, Devmode_IsMetricLocale() ? DMPAPER_A4 : DMPAPER_LETTER);
}

bool IsCustomId(SHORT id) { return id >= RENDER_CUSTOM_FIRST_ID && id <= RENDER_CUSTOM_LAST_ID; }

// Recorded in the device record like every other module's errors, under the module's own name.
void NoteError(PDEV* pdev, int line) { Pdev_ReportError(pdev, "devmod2", line); }

// ---- Paper-by-media matrix ---------------------------------------------------------------------

bool IsEnvelope(SHORT id) {
  switch (id) {
    case DMPAPER_ENV_10: case DMPAPER_ENV_DL: case DMPAPER_ENV_C5: case DMPAPER_ENV_C6:
    case DMPAPER_ENV_B5: case DMPAPER_ENV_MONARCH:
      return true;
    default:
      return false;
  }
}

// Plain, tough paper and card stock feed on every size; envelopes only as envelopes; labels
// and transparencies only on the office sizes they are sold in.
void BuildPaperMediaMatrix(ADDRESS_LIST& section) {
  for (size_t row = 0; row < RENDER_MODEL_PAPERS; ++row) {
    const SHORT id = XModel_PaperList[row].paperId;
    const bool office = id == DMPAPER_A4 || id == DMPAPER_LETTER;
    const bool allowed[RENDER_MEDIA_TYPES] = {true, true, IsEnvelope(id), true, office, office};
    for (size_t media = 0; media < RENDER_MEDIA_TYPES; ++media) {
      section.bPaperMediaMatrix[row][media] = allowed[media] ? 'o' : 'x';
    }
  }
}

// ---- Section checks ----------------------------------------------------------------------------

bool NupAccepted(const NUPDLG& s) {
  const BYTE n = s.bNupNum;
  return (n == 1 || n == 2 || n == 4 || n == 8 || n == 16) && s.bNupPageOrder < 4;
}

bool PositionTableAccepted(const POSITION_TABLE& s) {
  for (const MarginRow& row : s.rows) {
    if (!InRange(row.left, 0, 1181) || !InRange(row.top, 0, 1181) || !InRange(row.right, 0, 1181) ||
        !InRange(row.bottom, 0, 1181)) {
      return false;
    }
  }
  return true;
}

bool BookletAccepted(const BOOKLET_DLG& s) {
  return InRange(s.bBookletCount, 1, 50) && InRange(s.lGutter, 0, 1181) && s.sBooklet0 >= 0 &&
         s.sBooklet8 >= 0 && s.sBooklet12 >= 0;
}

bool ScaleAccepted(const SCAL_DLG& s) { return InRange(s.SRatio, 25, 400) && InRange(s.FtoPaper, 0, 300); }

bool WatermarkAccepted(const WMARKDATA& s) {
  // Each string must end inside its own field: the escape hands the block to the user
  // interface, which draws the text as it finds it.
  return Util_IsTerminatedW(s.wmString, std::size(s.wmString)) &&
         Util_IsTerminatedW(s.wmContent, std::size(s.wmContent)) &&
         Util_IsTerminatedW(s.wmTypeFace, std::size(s.wmTypeFace)) && InRange(s.wmIndex, 0, 32) &&
         InRange(s.wmAngle, -90, 90) && s.wmModify < 2 && InRange(s.wmShade, 0, 7) && s.wmFontSize >= 0 &&
         s.wmSize2 >= 0 && s.wmVert >= 0 && s.wmHori >= 0 && InRange(s.wmPosition, 0, 10) &&
         s.wmSpacing < 3 && s.wmTile >= 0;
}

bool DeviceAccepted(const DEVICE_GROUP& s) {
  return s.bDevice0 < 2 && s.bUiExtra3 < 2 && s.bDevice19 < 2 && s.bDevice20 < 2 &&
         InRange(s.wUiExtra4, 50, 240) && InRange(s.wDevice16, 0, 8) && s.bBlackConversion < 4;
}

bool ImageAccepted(const IMAGE_ADJUST& s) {
  return s.bResolution <= 1 && s.bImageAdjustMode <= 2 && s.bImageType[0] <= 2 && s.bImageType[1] <= 3 &&
         s.bApplyElements <= 1 && s.bDocumentElement <= 2 && s.bAdjustBalance <= 1 && s.bTargetColor <= 3 &&
         s.bProfile <= 2 && s.bColorTemperature <= 2 && s.bGammaCorrection <= 4 && s.bImageInputIndex <= 2 &&
         s.bScreenType <= 3 && AllInRange(s.sBrightness, -100, 100) && AllInRange(s.sContrast, -100, 100) &&
         AllInRange(s.sSaturation, -100, 100) && AllInRange(s.cHighlights, -3, 3) &&
         AllInRange(s.cMidtones, -3, 3) && AllInRange(s.cShadows, -3, 3) &&
         Util_IsTerminatedA(s.szMonitor, sizeof(s.szMonitor)) &&
         Util_IsTerminatedA(s.szInputImage, sizeof(s.szInputImage));
}

bool HeaderAccepted(const HEADER_FOOTER& s) {
  if (!Util_IsTerminatedW(s.szTypeFace, std::size(s.szTypeFace))) return false;
  for (const HEADER_ITEM& item : s.items) {
    if (!InRange(item.position, 0, 5)) return false;
  }
  return true;
}

bool AddressAccepted(const ADDRESS_LIST& s) {
  if (!Util_IsTerminatedW(s.szListName, std::size(s.szListName)) || s.wCount > RENDER_ADDRESS_ENTRIES) {
    return false;
  }
  for (const ADDRESS_ENTRY& entry : s.entries) {
    if (!Util_IsTerminatedW(entry.szName, std::size(entry.szName)) ||
        !Util_IsTerminatedW(entry.szAddress, std::size(entry.szAddress))) {
      return false;
    }
  }
  return true;
}

bool CustomSlotsAccepted(const CUSTOM_PAPER_SLOT (&slots)[RENDER_CUSTOM_SLOTS]) {
  for (const CUSTOM_PAPER_SLOT& slot : slots) {
    if (static_cast<LONG>(slot.dwCustomLength) < 0 || static_cast<LONG>(slot.dwCustomWidth) < 0 ||
        static_cast<LONG>(slot.dwCustomWidthDots) < 0 || static_cast<LONG>(slot.dwCustomLengthDots) < 0) {
      return false;
    }
  }
  return true;
}

bool OverlayAccepted(const OVERLAY_DLG& s) {
  // The form name and file are opened as paths.
  return s.bOverlay < 3 && Util_IsTerminatedW(s.szFormName, std::size(s.szFormName)) &&
         Util_IsTerminatedW(s.OverlayFile, std::size(s.OverlayFile));
}

bool HasPrivatePart(const RenderDevmode& dm) {
  return dm.dmPublic.dmDriverVersion == RENDER_DRIVER_VERSION &&
         dm.dmPublic.dmSpecVersion == RENDER_SPEC_VERSION && dm.dmPublic.dmDriverExtra == RENDER_PRIVATE_BYTES &&
         dm.dmPrivate.dwSignature == RENDER_PRIVATE_SIGNATURE;
}

void MergePrivate(RenderPrivate& t, const RenderPrivate& in) {
  // Single fields.
  if (in.wPaperSource <= 2) t.wPaperSource = in.wPaperSource;
  if (in.bPrivFlag0 >= 1 && in.bPrivFlag0 <= 2) t.bPrivFlag0 = in.bPrivFlag0;
  if (in.bDocumentStyle < 3) t.bDocumentStyle = in.bDocumentStyle;
  if (in.bBooklet < 3) t.bBooklet = in.bBooklet;
  if (in.bFirstPageOnly < 2) t.bFirstPageOnly = in.bFirstPageOnly;
  if (in.bHighResolution <= 1) t.bHighResolution = in.bHighResolution;
  if (in.wPrivWord8 <= 31) t.wPrivWord8 = in.wPrivWord8;
  t.dwPrivWord12 = in.dwPrivWord12;
  if (Util_IsTerminatedW(in.szPrivName, std::size(in.szPrivName))) CopySection(t.szPrivName, in.szPrivName);
  // The media type and the A5-landscape feed reach the job header from here.
  if (in.paper.wMediaType <= RMT_TRANSPARENCY) t.paper.wMediaType = in.paper.wMediaType;
  if (in.bA5L < 2) t.bA5L = in.bA5L;
  if (in.bA5L2 < 2) t.bA5L2 = in.bA5L2;

  // Sections, each whole or not at all.
  if (in.bPosterLayout < 2 && in.bRotate180 < 4 && in.bPriv1882 < 3) {
    t.bPosterLayout = in.bPosterLayout;
    t.bRotate180 = in.bRotate180;
    t.bPriv1882 = in.bPriv1882;
  }
  if (NupAccepted(in.nup)) CopySection(t.nup, in.nup);
  if (in.poster.wPosterType < 3) CopySection(t.poster, in.poster);
  t.dwUiWord10 = in.dwUiWord10;
  t.wDensity = in.wDensity;
  t.reserved13618 = in.reserved13618;
  t.dwHighResolution = in.dwHighResolution;
  if (BookletAccepted(in.booklet)) CopySection(t.booklet, in.booklet);
  if (ScaleAccepted(in.scale)) CopySection(t.scale, in.scale);
  if (WatermarkAccepted(in.wmark)) CopySection(t.wmark, in.wmark);
  if (DeviceAccepted(in.device)) CopySection(t.device, in.device);
  if (ImageAccepted(in.image)) CopySection(t.image, in.image);
  if (HeaderAccepted(in.header)) CopySection(t.header, in.header);
  if (AddressAccepted(in.address)) CopySection(t.address, in.address);
  if (CustomSlotsAccepted(in.custom)) CopySection(t.custom, in.custom);
  if (PositionTableAccepted(in.position)) {
    // The per-paper margin switch never comes from outside: only the renderer's own defaults
    // decide it.
    const BYTE perPaperMargins = t.position.bPerPaperMargins;
    CopySection(t.position, in.position);
    t.position.bPerPaperMargins = perPaperMargins;
  }
  if (OverlayAccepted(in.overlay)) CopySection(t.overlay, in.overlay);
}

bool InsideRefusingProgram() {
  for (const WCHAR* name : kRefusingPrograms) {
    if (Util_IsProcess(name) == 0) return true;
  }
  return false;
}

}  // namespace

// ---- Defaults, version, locale, forms folder --------------------------------------------------

bool Devmode_IsMetricLocale() {
  WCHAR text[16] = {};
  const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, static_cast<int>(std::size(text)));
  if (n <= 0 || text[0] < u'0' || text[0] > u'9') return false;  // unreadable: Letter
  long code = 0;
  for (int i = 0; i < n && text[i] >= u'0' && text[i] <= u'9' && code < 100000; ++i) code = code * 10 + (text[i] - u'0');
  const bool letter = code == 1 || code == 2 || (code >= 50 && code <= 59) || (code >= 500 && code <= 599);
  return !letter;
}

void Devmode_GetFormsFolder(OVERLAY_DLG* overlay) {
  if (!overlay) return;
  overlay->szFormName[0] = 0;
  overlay->OverlayFile[0] = 0;
  const bool vista = Util_GetOsClass() != 0;
  const WCHAR* variable = vista ? u"PUBLIC" : u"ALLUSERSPROFILE";
  const WCHAR* middle = vista ? u"" : u"\\Documents";

  WCHAR base[RENDER_NAME_UNITS];
  const DWORD n = GetEnvironmentVariableW(variable, base, static_cast<DWORD>(std::size(base)));
  if (n == 0 || n >= std::size(base)) return;  // missing, or too long for the fields
  const size_t middleLength = TextLength(middle, RENDER_NAME_UNITS);
  const size_t tailLength = std::size(kFormsSubfolder) - 1;
  if (n + middleLength + tailLength >= RENDER_NAME_UNITS) return;

  WCHAR* out = overlay->szFormName;
  std::memcpy(out, base, n * sizeof(WCHAR));
  std::memcpy(out + n, middle, middleLength * sizeof(WCHAR));
  std::memcpy(out + n + middleLength, kFormsSubfolder, (tailLength + 1) * sizeof(WCHAR));
  CopySection(overlay->OverlayFile, overlay->szFormName);
}

void Devmode_SetDefaults(RenderDevmode* devmode, LPCWSTR deviceName) {
  if (!devmode) return;
  std::memset(devmode, 0, sizeof(*devmode));
  DEVMODEW& pub = devmode->dmPublic;
  SetText(pub.dmDeviceName, deviceName);
  pub.dmSpecVersion = RENDER_SPEC_VERSION;
  pub.dmDriverVersion = RENDER_DRIVER_VERSION;
  pub.dmSize = RENDER_PUBLIC_BYTES;
  pub.dmDriverExtra = RENDER_PRIVATE_BYTES;
  pub.dmFields = RENDER_DEFAULT_FIELDS;
  pub.dmOrientation = DMORIENT_PORTRAIT;
  const bool metric = Devmode_IsMetricLocale();
  SetPaper(pub, metric ? DMPAPER_A4 : DMPAPER_LETTER);
  SetText(pub.dmFormName, metric ? u"A4" : u"Letter");
  pub.dmCopies = 1;
  pub.dmColor = DMCOLOR_MONOCHROME;
  pub.dmDuplex = DMDUP_SIMPLEX;
  pub.dmTTOption = DMTT_BITMAP;
  pub.dmCollate = DMCOLLATE_TRUE;
  pub.dmScale = 100;
  pub.dmDefaultSource = DMBIN_AUTO;
  pub.dmPrintQuality = 600;
  pub.dmYResolution = 600;

  RenderPrivate& priv = devmode->dmPrivate;
  priv.bPrivFlag0 = 1;
  priv.wPrivWord8 = 25;
  priv.dwSignature = RENDER_PRIVATE_SIGNATURE;
  SetText(priv.szPrivName, kDefaultPrivName);
  priv.nup.bNupNum = 1;
  priv.position.bPosition118 = 1;
  priv.scale.SRatio = 100;
  priv.paper.sPaperId = pub.dmPaperSize;
  priv.paper.bOrientation = static_cast<BYTE>(pub.dmOrientation);
  priv.custom[0].dwCustomPaperId = static_cast<DWORD>(pub.dmPaperSize);
  priv.custom[0].dwCustomLength = static_cast<DWORD>(pub.dmPaperLength);
  priv.custom[0].dwCustomWidth = static_cast<DWORD>(pub.dmPaperWidth);
  priv.booklet.bBookletCount = 5;
  priv.booklet.sBooklet12 = 1;
  priv.booklet.bLetterDefault = metric ? 0 : 1;
  Devmode_GetFormsFolder(&priv.overlay);
  SetText(priv.header.szTypeFace, kHeaderTypeFace);
  priv.header.sFontSize = 9;
  priv.bExtra[0] = 1;
  priv.device.bDevice0 = 1;
  priv.device.bUiExtra3 = 1;
  priv.device.wUiExtra4 = 95;
  priv.device.wDevice16 = 2;
  priv.dwDumpFlags = RENDER_DUMP_FLAGS;
  SetText(priv.szDumpFile, kDumpFile);
  SetText(priv.szDumpFile2, kDumpFile2);
  priv.dwPriv14664[0] = 100;
  priv.dwPriv14664[1] = 100;
  priv.dwPriv14672 = 100;
}

WORD CheckDevmodeVersion(const DEVMODEW* devmode) {
  if (!devmode) {
    Util_DebugPrint("CheckDevmodeVersion get NULL pointer!\n");
    return 0;
  }
  switch (devmode->dmSize) {
    case 188: return 0x320;
    case 212: return 0x400;
    case 220: return 0x401;
    default: return devmode->dmSpecVersion;
  }
}

// ---- Merge -------------------------------------------------------------------------------------

void Devmode_Validate(RenderDevmode* target, const RenderDevmode* input, PDEV* pdev) {
  if (!target || !input || input->dmPublic.dmDeviceName[0] == 0) return;
  if (InsideRefusingProgram()) return;

  DEVMODEW& t = target->dmPublic;
  const DEVMODEW& in = input->dmPublic;
  const DWORD both = t.dmFields & in.dmFields;
  if (both & DM_ORIENTATION) {
    t.dmOrientation = (in.dmOrientation == DMORIENT_PORTRAIT || in.dmOrientation == DMORIENT_LANDSCAPE)
                          ? in.dmOrientation : static_cast<SHORT>(DMORIENT_PORTRAIT);
  }
  if (both & DM_COPIES) t.dmCopies = InRange(in.dmCopies, 1, 999) ? in.dmCopies : static_cast<SHORT>(1);
  if ((both & DM_PRINTQUALITY) && (both & DM_YRESOLUTION) && in.dmPrintQuality == DMRES_HIGH &&
      in.dmYResolution == 600) {
    t.dmPrintQuality = in.dmPrintQuality;
    t.dmYResolution = in.dmYResolution;
  }
  if ((both & DM_DUPLEX) && InRange(in.dmDuplex, 1, 3)) t.dmDuplex = in.dmDuplex;
  if (both & DM_PAPERSIZE) {
    if (XModel_IsPaperSupported(in.dmPaperSize)) {
      t.dmPaperSize = in.dmPaperSize;
      t.dmPaperWidth = in.dmPaperWidth;
      t.dmPaperLength = in.dmPaperLength;
    } else {
      SetLocalePaper(t);
    }
  }
  if (both & DM_DEFAULTSOURCE) t.dmDefaultSource = in.dmDefaultSource;
  if (t.dmFields & DM_TTOPTION) t.dmTTOption = in.dmTTOption;
  if (both & DM_SCALE) {
    if (InRange(in.dmScale, 10, 400)) {
      t.dmScale = in.dmScale;
    } else {
      NoteError(pdev, 945);
    }
  }
  if ((both & DM_COLLATE) && InRange(in.dmCollate, 0, 1)) t.dmCollate = in.dmCollate;
  if (both & DM_COLOR) t.dmColor = DMCOLOR_MONOCHROME;

  RenderPrivate& priv = target->dmPrivate;
  if (HasPrivatePart(*input)) MergePrivate(priv, input->dmPrivate);

  if (in.dmPrintQuality == 1200 || in.dmYResolution == 1200) {
    priv.image.bResolution = 1;
    priv.bHighResolution = 1;
    t.dmPrintQuality = 1200;
    t.dmYResolution = 1200;
  }
  // A custom paper that cannot be laid out (no room inside the margins, or too large for
  // 16-bit device sizes) is printed on the locale's paper instead.
  if (IsCustomId(t.dmPaperSize)) {
    const CUSTOM_PAPER_SLOT& slot = priv.custom[t.dmPaperSize - RENDER_CUSTOM_FIRST_ID];
    if (!XModel_IsCustomSizePrintable(static_cast<LONG>(slot.dwCustomWidthDots),
                                      static_cast<LONG>(slot.dwCustomLengthDots))) {
      Util_DebugPrint("Custom paper %d of %u x %u dots cannot be printed\n", t.dmPaperSize,
                      slot.dwCustomWidthDots, slot.dwCustomLengthDots);
      SetLocalePaper(t);
    }
  }

  priv.dwDumpFlags = RENDER_DUMP_FLAGS;
  SetText(priv.szDumpFile, kDumpFile);
  SetText(priv.szDumpFile2, kDumpFile2);
  priv.bFlags14660 |= RENDER_MERGE_FLAGS_14660;
  BuildPaperMediaMatrix(priv.address);
}

BOOL Devmode_Merge(RenderDevmode* target, const RenderDevmode* input, PDEV* pdev) {
  if (!input) return TRUE;
  if (!target) return FALSE;
  if (input->dmPublic.dmDeviceName[0] == 0 || CheckDevmodeVersion(&input->dmPublic) == 0 ||
      CheckDevmodeVersion(&target->dmPublic) == 0) {
    return FALSE;
  }
  const DEVMODEW& header = target->dmPublic.dmDriverVersion != 0 ? target->dmPublic : input->dmPublic;
  const WORD specVersion = CheckDevmodeVersion(&header);
  const WORD driverVersion = header.dmDriverVersion;
  const WORD size = header.dmSize;
  const WORD driverExtra = header.dmDriverExtra;
  Devmode_Validate(target, input, pdev);
  target->dmPublic.dmSpecVersion = specVersion;
  target->dmPublic.dmDriverVersion = driverVersion;
  target->dmPublic.dmSize = size;
  target->dmPublic.dmDriverExtra = driverExtra;
  return TRUE;
}

// ---- Conversion from the user interface's DEVMODE ----------------------------------------------

namespace {

// Source texts are read within their own fields: the user interface terminates them, but a
// DEVMODE reaching CreateDC need not have passed through it.
template <size_t N>
void CopyBounded(WCHAR (&field)[N], const WCHAR* source, size_t sourceUnits, size_t maxChars) {
  size_t n = TextLength(source, sourceUnits);
  if (n > maxChars) n = maxChars;
  if (n > N - 1) n = N - 1;
  std::memcpy(field, source, n * sizeof(WCHAR));
  field[n] = 0;
}

bool IsKeptPaper(SHORT id) {
  static constexpr SHORT kKept[] = {1,  5,  6,  7,  9,  11, 13,  14,  20,  27,  28,  31,
                                    34, 37, 43, 70, 241, 242, 243, 245, 246, 250, 252};
  for (SHORT k : kKept) {
    if (k == id) return true;
  }
  return false;
}

constexpr SHORT kUiCustomFirst = 287;
constexpr SHORT kUiCustomLast = 303;
constexpr size_t kWmTextChars = 260;
constexpr size_t kWmTypeFaceChars = 31;

COLORREF GreyOf(int level) {
  switch (level) {
    case 0: return 0xC6C6C6;
    case 1: return 0xA1A1A1;
    case 2: return 0x7C7C7C;
    case 3: return 0x575757;
    case 4: return 0x323232;
    default: return 0x7C7C7C;
  }
}

void ConvertPaper(const vm4k2::UiDevmode& ui, RenderDevmode& out) {
  DEVMODEW& pub = out.dmPublic;
  RenderPrivate& priv = out.dmPrivate;
  const SHORT id = ui.dmPublic.dmPaperSize;
  if (IsKeptPaper(id)) return;
  if (id >= kUiCustomFirst && id <= kUiCustomLast) {
    const LONG width = ui.dmPublic.dmPaperWidth;
    const LONG length = ui.dmPublic.dmPaperLength;
    const LONG widthDots = width * 600 / 254;
    const LONG lengthDots = length * 600 / 254;
    if (XModel_IsCustomSizePrintable(widthDots, lengthDots)) {
      CUSTOM_PAPER_SLOT& slot = priv.custom[0];
      pub.dmPaperSize = RENDER_CUSTOM_FIRST_ID;
      slot.wCustomPaper = 1;
      slot.dwCustomPaperId = static_cast<DWORD>(id);
      slot.dwCustomLength = static_cast<DWORD>(length);
      slot.dwCustomWidth = static_cast<DWORD>(width);
      slot.dwCustomWidthDots = static_cast<DWORD>(widthDots);
      slot.dwCustomLengthDots = static_cast<DWORD>(lengthDots);
      return;
    }
    Util_DebugPrint("Custom paper %d of %d x %d cannot be printed, using A4\n", id, width, length);
  }
  // Papers the model does not list print on A4, with A4's size.
  SetPaper(pub, DMPAPER_A4);
}

WORD MediaTypeOf(DWORD dmMediaType) {
  switch (dmMediaType) {
    case 2: return RMT_TRANSPARENCY;
    case 257: return RMT_TOUGH;
    case 258: return RMT_ENVELOPE;
    case 259: return RMT_CARDSTOCK;
    case 263: return RMT_LABELS;
    default: return RMT_PLAIN;
  }
}

void ConvertWatermark(const vm4k2::PrivateDevmode& ui, RenderPrivate& priv) {
  const vm4k2::WatermarkRecord& rec = ui.watermark;
  WMARKDATA& wm = priv.wmark;
  if (rec.kind == vm4k2::kWatermarkText) {
    wm.wmIndex = 1;
    CopyBounded(wm.wmString, rec.text, std::size(rec.text), kWmTextChars);
    CopyBounded(wm.wmContent, rec.text, std::size(rec.text), kWmTextChars);
    wm.wmAngle = rec.angle;
    if (rec.position == vm4k2::kWatermarkCentre) {
      wm.wmPosition = vm4k2::kWmPositionCentre;
    } else {
      wm.wmPosition = vm4k2::kWmPositionAtXY;
      wm.wmPosX = rec.xPercent;
      wm.wmPosY = rec.yPercent;
    }
    wm.wmFontSize = rec.pointSize;
    CopyBounded(wm.wmTypeFace, rec.typeface, std::size(rec.typeface), kWmTypeFaceChars);
    wm.wmBold = rec.bold == 1 ? 1 : 0;
    wm.wmItalic = rec.italic == 1 ? 1 : 0;
    wm.wmColorRef = wm.wmColorRef2 = GreyOf(rec.greyLevel);
    wm.wmFlag = 1;
  } else if (rec.kind == vm4k2::kWatermarkBitmap) {
    wm.wmIndex = 1;
    wm.wmBitmap = 1;
    wm.wmFontSize = 100;
    wm.wmPosition = vm4k2::kWmPositionCentre;
    CopyBounded(wm.wmContent, rec.bitmapPath, std::size(rec.bitmapPath), kWmTextChars);
    wm.wmFlag = rec.bitmapFlag != 0 ? 1 : 0;
  } else {
    return;
  }
  priv.bFirstPageOnly = ui.firstPageOnly != 0 ? 1 : 0;
}

}  // namespace

BOOL Devmode_ConvertFromUi(const DEVMODEW* input, RenderDevmode* output) {
  if (!output) return FALSE;
  std::memset(output, 0, sizeof(*output));
  if (!input || input->dmSize != vm4k2::kPublicDevmodeSize || input->dmDriverExtra != vm4k2::kPrivateDevmodeSize) {
    return FALSE;
  }
  const auto& ui = *reinterpret_cast<const vm4k2::UiDevmode*>(input);
  const vm4k2::PrivateDevmode& up = ui.dmPrivate;
  if (up.signature != vm4k2::kPrivateSignature || ui.dmPublic.dmDeviceName[0] == 0) return FALSE;

  DEVMODEW& pub = output->dmPublic;
  RenderPrivate& priv = output->dmPrivate;
  std::memcpy(&pub, &ui.dmPublic, sizeof(pub));
  pub.dmSpecVersion = RENDER_SPEC_VERSION;
  pub.dmDriverVersion = RENDER_DRIVER_VERSION;
  pub.dmDriverExtra = RENDER_PRIVATE_BYTES;
  priv.dwSignature = RENDER_PRIVATE_SIGNATURE;

  const SHORT uiPaper = ui.dmPublic.dmPaperSize;
  ConvertPaper(ui, *output);
  priv.paper.wMediaType = MediaTypeOf(ui.dmPublic.dmMediaType);
  priv.paper.sPaperId = uiPaper;
  priv.paper.bOrientation = static_cast<BYTE>(ui.dmPublic.dmOrientation & 0xFF);
  switch (ui.dmPublic.dmDefaultSource) {
    case DMBIN_UPPER: priv.wPaperSource = 2; break;
    case DMBIN_MANUAL: priv.wPaperSource = 1; break;
    default: priv.wPaperSource = 0; break;
  }
  priv.bA5L = priv.bA5L2 = (uiPaper == DMPAPER_A5 && up.feedOrient == 2) ? 1 : 0;

  if (ui.dmPublic.dmDuplex == DMDUP_VERTICAL) {
    pub.dmDuplex = DMDUP_SIMPLEX;
    priv.bDocumentStyle = 2;
  } else if (ui.dmPublic.dmDuplex == DMDUP_HORIZONTAL) {
    pub.dmDuplex = DMDUP_VERTICAL;
    priv.bDocumentStyle = 1;
  }
  pub.dmCopies = ui.dmPublic.dmCopies;
  pub.dmCollate = ui.dmPublic.dmCollate;

  priv.dwUiWord10 = static_cast<DWORD>(static_cast<LONG>(up.reverseOrder));
  priv.bHighResolution = 0;
  if (ui.dmPublic.dmPrintQuality == 1200) {
    priv.dwHighResolution = 1;
    pub.dmPrintQuality = 600;
    pub.dmYResolution = 600;
  }

  priv.nup.bNupNum = static_cast<BYTE>(up.multipleUp & 0xFF);
  priv.nup.bNupFlags = up.pageBorder != 0 ? NUP_FLAG_BORDERS : 0;
  static constexpr BYTE kPageOrder[6] = {0, 1, 0, 1, 2, 3};
  priv.nup.bNupPageOrder = InRange(up.pageOrder, 0, 5) ? kPageOrder[up.pageOrder] : 0;

  if (InRange(up.zoomPercent, 25, 400)) {
    priv.scale.ISFSet = 1;
    priv.scale.SRatio = up.zoomPercent;
  }
  if (up.multipleUp == 22) {
    priv.bPosterLayout = 1;
    priv.poster.wPosterType = 0;
    priv.scale.ISFSet = 0;
  }
  pub.dmOrientation = ui.dmPublic.dmOrientation;
  if (up.rotate180 == 1) priv.bRotate180 = ui.dmPublic.dmOrientation == DMORIENT_PORTRAIT ? 2 : 1;

  priv.wDensity = up.thickness == 0 ? 0 : (up.thickness == 2 ? 2 : 1);
  if (up.tonerSavingMode == 1) priv.wDensity = 0;

  ConvertWatermark(up, priv);

  priv.device.dwUiExtra1 = up.downloadTrueType;
  priv.device.dwUiExtra2 = up.trueTypeAsBitmap;
  priv.device.bUiExtra3 = up.deviceFontChoice;
  priv.device.wUiExtra4 = InRange(up.deviceFontSizeTenths, 50, 240) ? static_cast<WORD>(up.deviceFontSizeTenths) : 95;
  return TRUE;
}

BOOL Devmode_BuildSettings(RenderDevmode* settings, const DEVMODEW* input, LPCWSTR deviceName, PDEV* pdev) {
  if (!settings) return FALSE;
  Devmode_SetDefaults(settings, deviceName);
  RenderDevmode converted;
  if (!Devmode_ConvertFromUi(input, &converted)) return Devmode_Merge(settings, nullptr, pdev);
  return Devmode_Merge(settings, &converted, pdev);
}
