#include "ui/core/printer_ui_context.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include <win/spooler.h>

#include "ui/core/devmode.h"
#include "ui/core/printer_data.h"
#include "ui/core/private_devmode.h"
#include "ui/core/satellite.h"
#include "ui/core/system_queries.h"

namespace vm4k2ui {

namespace {

struct LatestDefaults {
  std::mutex lock;
  std::unique_ptr<PrinterUiContext> copy;
};

LatestDefaults& Latest() {
  static LatestDefaults latest;
  return latest;
}

void BindPointers(PrinterUiContext* context) {
  context->privatePart = &context->devmode.dmPrivate;
  context->publicPart = &context->devmode.dmPublic;
}

// GetPrinterW in two calls: the size, then the data into a block of that size.
std::vector<BYTE> GetPrinterBlock(HANDLE printer, DWORD level) {
  DWORD needed = 0;
  if (GetPrinterW(printer, level, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) {
    return {};
  }
  std::vector<BYTE> block(needed);
  if (!GetPrinterW(printer, level, block.data(), needed, &needed)) return {};
  return block;
}

void ClearCustomPapers(PrinterUiContext* context) {
  std::memset(context->devmode.dmPrivate.customPapers, 0, sizeof(context->devmode.dmPrivate.customPapers));
}

void MergeStoredUserDevmode(PrinterUiContext* context, bool inPipeline) {
  DWORD size = 0;
  std::unique_ptr<BYTE[]> stored = ReadPrinterDataBlock(context->printer, &size, PrinterDataKind::PrivateDevmode);
  if (!stored || size != vm4k2::kUiDevmodeSize) return;
  uint32_t signature = 0;
  std::memcpy(&signature, stored.get() + vm4k2::kPublicDevmodeSize, sizeof(signature));
  if (signature != vm4k2::kPrivateSignature || context->networkPrinter || inPipeline) return;
  MergeDevmode(&context->devmode, reinterpret_cast<const DEVMODEW*>(stored.get()));
}

}  // namespace

void InitContextDevmode(PrinterUiContext* context) {
  BuildSettingDescriptors(&context->descriptors);
  context->spareWord = 0;
  context->activePage = 0;
  BindPointers(context);
  if (SetDefaultDevmode(&context->devmode.dmPublic, context->printerName) == S_OK &&
      context->devmode.dmPublic.dmDriverExtra == vm4k2::kPrivateDevmodeSize) {
    SetDefaultPrivateDevmode(&context->devmode.dmPrivate);
  }
  {
    LatestDefaults& latest = Latest();
    std::lock_guard<std::mutex> guard(latest.lock);
    if (!latest.copy) latest.copy.reset(new (std::nothrow) PrinterUiContext);
    if (latest.copy) {
      std::memcpy(latest.copy.get(), context, sizeof(PrinterUiContext));
      BindPointers(latest.copy.get());
    }
  }
  ClearCustomPapers(context);
}

bool CopyLatestDefaultsContext(PrinterUiContext* out) {
  LatestDefaults& latest = Latest();
  std::lock_guard<std::mutex> guard(latest.lock);
  if (!latest.copy || out == nullptr) return false;
  std::memcpy(out, latest.copy.get(), sizeof(PrinterUiContext));
  BindPointers(out);
  return true;
}

PrinterUiContext* CreatePrinterUiContext(HANDLE printer, const DEVMODEW* callerDevmode) {
  std::unique_ptr<PrinterUiContext> context(new (std::nothrow) PrinterUiContext);
  if (!context) return nullptr;
  std::memset(context.get(), 0, sizeof(PrinterUiContext));
  BindPointers(context.get());
  context->printer = printer;

  const std::vector<BYTE> info2 = GetPrinterBlock(printer, 2);
  if (info2.empty()) return nullptr;
  const auto* printerInfo = reinterpret_cast<const PRINTER_INFO_2W*>(info2.data());
  const WCHAR* name = printerInfo->pPrinterName != nullptr ? printerInfo->pPrinterName : u"";
  size_t length = 0;
  while (name[length] != 0 && length < kPrinterNameUnits) ++length;
  if (length >= kPrinterNameUnits) return nullptr;
  std::memcpy(context->printerName, name, length * sizeof(WCHAR));

  InitContextDevmode(context.get());
  if (LoadResourceDll(&context->satellite) != ERROR_SUCCESS) return nullptr;

  const std::vector<BYTE> info4 = GetPrinterBlock(printer, 4);
  if (!info4.empty()) {
    const auto* printer4 = reinterpret_cast<const PRINTER_INFO_4W*>(info4.data());
    context->networkPrinter = (printer4->Attributes & PRINTER_ATTRIBUTE_NETWORK) != 0 ? 1 : 0;
  }

  // The print filter pipeline renders XPS jobs with the job's own settings only.
  const bool inPipeline = IsCallingProcess(kPipelineProgram);
  MergeStoredUserDevmode(context.get(), inPipeline);
  if (printerInfo->pDevMode != nullptr && !inPipeline) MergeDevmode(&context->devmode, printerInfo->pDevMode);
  if (callerDevmode != nullptr) MergeDevmode(&context->devmode, callerDevmode);

  vm4k2::PrivateDevmode& privatePart = context->devmode.dmPrivate;
  if (privatePart.favoriteName[0] == 0) {
    LoadUiString(context->satellite, kFavoriteNameStringId, privatePart.favoriteName, 256);
  }
  ClearCustomPapers(context.get());
  return context.release();
}

void ReleasePrinterUiContext(PrinterUiContext* context) {
  if (context == nullptr) return;
  FreeResourceDll(context->satellite);
  delete context;
}

}  // namespace vm4k2ui
