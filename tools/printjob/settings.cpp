// Job settings from the command line and the script: public fields and private keys.
#include "settings.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <win/spooler.h>

#include <vm4k2/ui_devmode.h>

namespace printjob {
namespace {

using vm4k2::PrivateDevmode;

struct PublicField {
  const char* name;
  size_t offset;
  DWORD field;  // the dmFields bit that says the member holds a value
};

const PublicField kPublicFields[] = {
    {"dmOrientation", offsetof(DEVMODEW, dmOrientation), DM_ORIENTATION},
    {"dmPaperSize", offsetof(DEVMODEW, dmPaperSize), DM_PAPERSIZE},
    {"dmPaperLength", offsetof(DEVMODEW, dmPaperLength), DM_PAPERLENGTH},
    {"dmPaperWidth", offsetof(DEVMODEW, dmPaperWidth), DM_PAPERWIDTH},
    {"dmScale", offsetof(DEVMODEW, dmScale), DM_SCALE},
    {"dmCopies", offsetof(DEVMODEW, dmCopies), DM_COPIES},
    {"dmDefaultSource", offsetof(DEVMODEW, dmDefaultSource), DM_DEFAULTSOURCE},
    {"dmPrintQuality", offsetof(DEVMODEW, dmPrintQuality), DM_PRINTQUALITY},
    {"dmColor", offsetof(DEVMODEW, dmColor), DM_COLOR},
    {"dmDuplex", offsetof(DEVMODEW, dmDuplex), DM_DUPLEX},
    {"dmYResolution", offsetof(DEVMODEW, dmYResolution), DM_YRESOLUTION},
    {"dmTTOption", offsetof(DEVMODEW, dmTTOption), DM_TTOPTION},
    {"dmCollate", offsetof(DEVMODEW, dmCollate), DM_COLLATE},
};

struct PrivateKey {
  const char* key;
  size_t offset;  // into the private part
  size_t width;
};

#define PRIVATE_KEY(key, member) {key, offsetof(PrivateDevmode, member), sizeof(PrivateDevmode::member)}

// The scalar keys of the settings descriptor table, at their places in the shared layout.
const PrivateKey kPrivateKeys[] = {
    PRIVATE_KEY("ColorMode", colorMode),
    PRIVATE_KEY("Duplex", duplex),
    PRIVATE_KEY("DuplexIndex", duplexIndex),
    PRIVATE_KEY("OutputSize", outputSize),
    PRIVATE_KEY("ScaleFlag", scaleFlag),
    PRIVATE_KEY("ScaleRadio", scaleRadio),
    PRIVATE_KEY("MultipleUp", multipleUp),
    PRIVATE_KEY("PageOrder", pageOrder),
    PRIVATE_KEY("PageBorder", pageBorder),
    PRIVATE_KEY("MixedOrient", mixedOrient),
    PRIVATE_KEY("PosterPrint", posterPrint),
    PRIVATE_KEY("PosterType", posterType),
    PRIVATE_KEY("CropMarks", cropMarks),
    PRIVATE_KEY("SourceTray", sourceTray),
    PRIVATE_KEY("Rotate", rotate),
    PRIVATE_KEY("FeedOrient", feedOrient),
    PRIVATE_KEY("ManualDuplex", manualDuplex),
    PRIVATE_KEY("Mismatch", mismatch),
    PRIVATE_KEY("BookletPrint", bookletPrint),
    PRIVATE_KEY("BookletBinding", bookletBinding),
    PRIVATE_KEY("BookletSubsets", bookletSubsets),
    PRIVATE_KEY("BookletSheets", bookletSheets),
    PRIVATE_KEY("BookletGutter", bookletGutter),
    PRIVATE_KEY("BookletAutoFit", bookletAutoFit),
    PRIVATE_KEY("BoookletMargins", bookletMargins),
    PRIVATE_KEY("ImageShift", imageShift),
    PRIVATE_KEY("MarginsAutoFit", marginsAutoFit),
    PRIVATE_KEY("Side", side),
    PRIVATE_KEY("Side2", side2),
    PRIVATE_KEY("PrintPosition", printPosition),
    PRIVATE_KEY("AdjustPrintPosition", adjustPrintPosition),
    PRIVATE_KEY("LeftRight", leftRight),
    PRIVATE_KEY("UpDown", upDown),
    PRIVATE_KEY("FavoriteIndex", favoriteIndex),
    PRIVATE_KEY("ImageAdjustMode", imageAdjustMode),
    PRIVATE_KEY("ApplyElements", applyElements),
    PRIVATE_KEY("DocumentElement", documentElement),
    PRIVATE_KEY("AdjustBalance", adjustBalance),
    PRIVATE_KEY("TargetColor", targetColor),
    PRIVATE_KEY("Profile", profile),
    PRIVATE_KEY("ColorTemperature", colorTemperature),
    PRIVATE_KEY("GammaCorrection", gammaCorrection),
    PRIVATE_KEY("ImageInputIndex", imageInputIndex),
    PRIVATE_KEY("ScreenType", screenType),
    PRIVATE_KEY("TonerSavingMode", tonerSavingMode),
    PRIVATE_KEY("Rotate180", rotate180),
    PRIVATE_KEY("Mirror", mirror),
    PRIVATE_KEY("Thickness", thickness),
    PRIVATE_KEY("Negative", negative),
    PRIVATE_KEY("FirstPageOnly", firstPageOnly),
    PRIVATE_KEY("OverlayFlag", overlayFlag),
    PRIVATE_KEY("HeaderFontSize", headerFontSize),
    PRIVATE_KEY("HeaderBold", headerBold),
    PRIVATE_KEY("HeaderItalic", headerItalic),
    PRIVATE_KEY("HeaderColor", headerColor),
    PRIVATE_KEY("HeaderColorIndex", headerColorIndex),
    PRIVATE_KEY("WatermarkData", watermark),  // a whole record: --watermark-text, --watermark-bitmap
};

#undef PRIVATE_KEY

const PublicField* FindPublic(const std::string& name) {
  for (const PublicField& f : kPublicFields)
    if (name == f.name) return &f;
  return nullptr;
}

const PrivateKey* FindPrivate(const std::string& key) {
  for (const PrivateKey& k : kPrivateKeys)
    if (key == k.key) return &k;
  return nullptr;
}

// Where a change lands in the DEVMODE's bytes, and its width; FALSE when the DEVMODE lacks it.
bool Locate(const std::vector<BYTE>& devmode, const std::string& key, size_t& offset, size_t& width) {
  if (devmode.size() < sizeof(DEVMODEW)) return false;
  const DEVMODEW* dm = reinterpret_cast<const DEVMODEW*>(devmode.data());
  if (const PublicField* f = FindPublic(key)) {
    offset = f->offset;
    width = sizeof(SHORT);
    return offset + width <= dm->dmSize;
  }
  if (const PrivateKey* k = FindPrivate(key)) {
    // The private part must be the driver's own: its size and signature.
    if (dm->dmDriverExtra < sizeof(PrivateDevmode) || size_t{dm->dmSize} + dm->dmDriverExtra > devmode.size())
      return false;
    uint32_t signature = 0;
    std::memcpy(&signature, devmode.data() + dm->dmSize, sizeof signature);
    if (signature != vm4k2::kPrivateSignature) return false;
    offset = dm->dmSize + k->offset;
    width = k->width;
    return true;
  }
  return false;
}

long ReadValue(const std::vector<BYTE>& devmode, size_t offset, size_t width) {
  if (width == 2) {
    int16_t v;
    std::memcpy(&v, devmode.data() + offset, 2);
    return v;
  }
  int32_t v;
  std::memcpy(&v, devmode.data() + offset, 4);
  return v;
}

bool Apply(std::vector<BYTE>& devmode, const std::vector<SettingChange>& changes, std::string& error) {
  for (const SettingChange& change : changes) {
    size_t offset = 0, width = 0;
    if (!Locate(devmode, change.key, offset, width)) {
      error = "the driver's DEVMODE has no place for " + change.key;
      return false;
    }
    if (!change.bytes.empty() || (width != 2 && width != 4)) {
      if (change.bytes.size() != width) {
        error = change.key + " takes a record of " + std::to_string(width) + " bytes";
        return false;
      }
      std::memcpy(devmode.data() + offset, change.bytes.data(), width);
    } else if (width == 2) {
      int16_t v = static_cast<int16_t>(change.value);
      std::memcpy(devmode.data() + offset, &v, 2);
    } else {
      int32_t v = static_cast<int32_t>(change.value);
      std::memcpy(devmode.data() + offset, &v, 4);
    }
    if (const PublicField* f = FindPublic(change.key)) reinterpret_cast<DEVMODEW*>(devmode.data())->dmFields |= f->field;
  }
  return true;
}

bool OpenNamedPrinter(const std::u16string& printer, HANDLE& handle, std::string& error) {
  std::u16string name = printer;
  if (!OpenPrinterW(name.data(), &handle, nullptr)) {
    error = "cannot open the printer (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

}  // namespace

bool ParseSettingChange(const std::string& text, SettingChange& out, std::string& error) {
  size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
    error = "'" + text + "' is not KEY=VALUE";
    return false;
  }
  out.key = text.substr(0, equals);
  std::string value = text.substr(equals + 1);
  size_t width = 0;
  if (FindPublic(out.key)) {
    width = 2;
  } else if (const PrivateKey* k = FindPrivate(out.key)) {
    width = k->width;
    if (width != 2 && width != 4) {
      error = "'" + out.key + "' is a record, not a value (--watermark-text and --watermark-bitmap set it)";
      return false;
    }
  } else {
    error = "unknown setting '" + out.key + "' (a DEVMODE field such as dmCopies, or a private key such as MultipleUp)";
    return false;
  }
  char* end = nullptr;
  long long v = std::strtoll(value.c_str(), &end, 0);
  const long long low = width == 2 ? -32768 : -2147483648LL;
  const long long high = width == 2 ? 32767 : 2147483647LL;
  if (!end || *end != 0 || v < low || v > high) {
    error = "'" + value + "' is not a value " + out.key + " can hold";
    return false;
  }
  out.value = static_cast<long>(v);
  return true;
}

bool ChangeDevmode(const std::u16string& printer, const std::vector<SettingChange>& changes,
                   std::vector<BYTE>& devmode, std::vector<std::string>& warnings, std::string& error) {
  if (changes.empty()) return true;
  std::vector<BYTE> asked = devmode;
  if (!Apply(asked, changes, error)) return false;
  HANDLE handle = nullptr;
  if (!OpenNamedPrinter(printer, handle, error)) return false;
  std::u16string name = printer;
  std::vector<BYTE> kept(asked.size());
  LONG result = DocumentPropertiesW(nullptr, handle, name.data(), reinterpret_cast<DEVMODEW*>(kept.data()),
                                    reinterpret_cast<DEVMODEW*>(asked.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
  DWORD failure = GetLastError();
  ClosePrinter(handle);
  if (result < 0) {
    error = "the driver refused the settings (error " + std::to_string(failure) + ")";
    return false;
  }
  for (const SettingChange& change : changes) {
    size_t offset = 0, width = 0;
    if (!Locate(kept, change.key, offset, width)) continue;
    if (!change.bytes.empty()) {
      if (std::memcmp(kept.data() + offset, change.bytes.data(), width) != 0)
        warnings.push_back(change.key + " was repaired by the driver");
      continue;
    }
    long value = ReadValue(kept, offset, width);
    if (value != change.value)
      warnings.push_back(change.key + "=" + std::to_string(change.value) + " was repaired by the driver to " +
                         std::to_string(value));
  }
  devmode = kept;
  return true;
}

bool BuildDevmode(const std::u16string& printer, const std::vector<SettingChange>& changes, std::vector<BYTE>& devmode,
                  std::vector<std::string>& warnings, std::string& error) {
  HANDLE handle = nullptr;
  if (!OpenNamedPrinter(printer, handle, error)) return false;
  std::u16string name = printer;
  LONG size = DocumentPropertiesW(nullptr, handle, name.data(), nullptr, nullptr, 0);
  bool ok = size >= static_cast<LONG>(sizeof(DEVMODEW));
  if (ok) {
    devmode.assign(static_cast<size_t>(size), 0);
    ok = DocumentPropertiesW(nullptr, handle, name.data(), reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr,
                             DM_OUT_BUFFER) >= 0;
  }
  DWORD failure = GetLastError();
  ClosePrinter(handle);
  if (!ok) {
    error = "the driver gave no DEVMODE (error " + std::to_string(failure) + ")";
    return false;
  }
  return ChangeDevmode(printer, changes, devmode, warnings, error);
}

}  // namespace printjob
