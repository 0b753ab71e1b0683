// Printers: opening them, their records at levels 1, 2, 4, 5, 8 and 9, enumeration, adding
// and deleting.
#include <cstring>

#include <win/driverui.h>

#include "internal/spooler_events.h"
#include "internal/spooler_state.h"
#include "internal/unicode.h"

namespace plat::spooler {
namespace {

constexpr ACCESS_MASK kDeleteRight = 0x00010000;  // DELETE, part of PRINTER_ALL_ACCESS

ACCESS_MASK MapPrinterAccess(ACCESS_MASK access) {
  if (access & 0x80000000) access |= PRINTER_READ;        // GENERIC_READ
  if (access & 0x40000000) access |= PRINTER_WRITE;       // GENERIC_WRITE
  if (access & 0x20000000) access |= PRINTER_EXECUTE;     // GENERIC_EXECUTE
  if (access & 0x10000000) access |= PRINTER_ALL_ACCESS;  // GENERIC_ALL
  return access ? access : PRINTER_ACCESS_USE;
}

bool MayAdminister(const PrinterHandle& h) {
  return (h.access & (PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_MANAGE_LIMITED)) != 0;
}

// The text of PRINTER_INFO_1's pDescription: "name,driver,location".
std::u16string Description(const Printer& p) { return p.name + u"," + p.driver + u"," + p.location; }

// What a record shows beyond the printer's own fields, read once for both passes of the size
// protocol so that a change made meanwhile by another process cannot make them differ.
struct PrinterView {
  Printer printer;
  std::optional<std::string> globalDevmode, userDevmode;
  DWORD jobs = 0;
};

PrinterView ViewOf(Printer printer, DWORD level) {
  PrinterView view;
  if (level == 2 || level == 8) view.globalDevmode = LoadGlobalDevmode(printer.id);
  if (level == 2 || level == 9) view.userDevmode = LoadUserDevmode(printer.id);
  if (level == 2) view.jobs = static_cast<DWORD>(ListJobs(printer.id).size());
  view.printer = std::move(printer);
  return view;
}

void PackPrinter(Packer& packer, BYTE* records, size_t index, DWORD level, const PrinterView& view) {
  const Printer& p = view.printer;
  switch (level) {
    case 1: {
      PRINTER_INFO_1W r{};
      r.Flags = PRINTER_ENUM_ICON8;
      r.pDescription = packer.String(Description(p));
      r.pName = packer.String(p.name);
      r.pComment = packer.String(p.comment);
      if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
      break;
    }
    case 2: {
      PRINTER_INFO_2W r{};
      r.pServerName = packer.OptionalString(p.serverName);
      r.pPrinterName = packer.String(p.name);
      r.pShareName = packer.String(p.shareName);
      r.pPortName = packer.String(p.port);
      r.pDriverName = packer.String(p.driver);
      r.pComment = packer.String(p.comment);
      r.pLocation = packer.String(p.location);
      // The calling user's own default wins over the printer's global one, as on the platform.
      r.pDevMode = packer.Devmode(view.userDevmode ? view.userDevmode : view.globalDevmode);
      r.pSepFile = packer.String(p.sepFile);
      r.pPrintProcessor = packer.String(p.processor);
      r.pDatatype = packer.String(p.datatype);
      r.pParameters = packer.String(p.parameters);
      r.Attributes = p.attributes;
      r.Priority = p.priority;
      r.DefaultPriority = p.defaultPriority;
      r.StartTime = p.startTime;
      r.UntilTime = p.untilTime;
      r.Status = p.status;
      r.cJobs = view.jobs;
      if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
      break;
    }
    case 4: {
      PRINTER_INFO_4W r{};
      r.pPrinterName = packer.String(p.name);
      r.pServerName = packer.OptionalString(p.serverName);
      r.Attributes = p.attributes;
      if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
      break;
    }
    case 5: {
      PRINTER_INFO_5W r{};
      r.pPrinterName = packer.String(p.name);
      r.pPortName = packer.String(p.port);
      r.Attributes = p.attributes;
      r.DeviceNotSelectedTimeout = p.deviceNotSelectedTimeout;
      r.TransmissionRetryTimeout = p.transmissionRetryTimeout;
      if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
      break;
    }
    case 8: {
      PRINTER_INFO_8W r{};
      r.pDevMode = packer.Devmode(view.globalDevmode);
      if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
      break;
    }
    case 9: {
      PRINTER_INFO_9W r{};
      r.pDevMode = packer.Devmode(view.userDevmode);
      if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
      break;
    }
  }
}

size_t RecordSize(DWORD level) {
  switch (level) {
    case 1: return sizeof(PRINTER_INFO_1W);
    case 2: return sizeof(PRINTER_INFO_2W);
    case 4: return sizeof(PRINTER_INFO_4W);
    case 5: return sizeof(PRINTER_INFO_5W);
    case 8: return sizeof(PRINTER_INFO_8W);
    case 9: return sizeof(PRINTER_INFO_9W);
    default: return 0;
  }
}

// A local printer's name: not empty, at most 220 characters, and free of the separators that
// make server and port names ("\", ",").
bool IsValidLocalName(std::u16string_view name) {
  if (name.empty() || name.size() > 220) return false;
  for (char16_t c : name)
    if (c == u'\\' || c == u',' || c < 0x20) return false;
  return true;
}

// Checks the names a PRINTER_INFO_2 refers to; sets the error and returns false on the first
// that the machine does not have.
bool CheckReferences(const PRINTER_INFO_2W& info, const Printer* current) {
  std::u16string_view port = WideView(info.pPortName);
  std::u16string_view driver = WideView(info.pDriverName);
  std::u16string_view processor = WideView(info.pPrintProcessor);
  bool sameConnection = current && !current->serverName.empty();
  if (port.empty() || driver.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!sameConnection && !FindPort(port)) {
    SetLastError(ERROR_UNKNOWN_PORT);
    return false;
  }
  if (!FindDriver(driver, u"Windows x64")) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return false;
  }
  if (!processor.empty() && !FindProcessor(processor, u"Windows x64")) {
    SetLastError(ERROR_UNKNOWN_PRINTPROCESSOR);
    return false;
  }
  std::u16string_view datatype = WideView(info.pDatatype);
  if (!datatype.empty() && !IsKnownDatatype(datatype)) {
    SetLastError(ERROR_INVALID_DATATYPE);
    return false;
  }
  if (info.Priority > MAX_PRIORITY || info.DefaultPriority > MAX_PRIORITY) {
    SetLastError(ERROR_INVALID_PRIORITY);
    return false;
  }
  if (info.pDevMode && !DevmodeLooksValid(info.pDevMode)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

void ApplyInfo2(Printer& p, const PRINTER_INFO_2W& info) {
  p.shareName = WideView(info.pShareName);
  p.port = WideView(info.pPortName);
  p.driver = WideView(info.pDriverName);
  p.processor = info.pPrintProcessor && *info.pPrintProcessor ? WideView(info.pPrintProcessor) : u"winprint";
  p.datatype = info.pDatatype && *info.pDatatype ? WideView(info.pDatatype) : u"RAW";
  p.comment = WideView(info.pComment);
  p.location = WideView(info.pLocation);
  p.sepFile = WideView(info.pSepFile);
  p.parameters = WideView(info.pParameters);
  // Whether a printer is this computer's or a connection is not the caller's to change.
  constexpr DWORD kKind = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK;
  p.attributes = (info.Attributes & ~kKind) | (p.attributes & kKind);
  p.priority = info.Priority ? info.Priority : 1;
  p.defaultPriority = info.DefaultPriority;
  p.startTime = info.StartTime;
  p.untilTime = info.UntilTime;
}

bool ApplyControl(Printer& p, DWORD command, LPBYTE data) {
  switch (command) {
    case 0: return true;
    case PRINTER_CONTROL_PAUSE: p.status |= PRINTER_STATUS_PAUSED; return true;
    case PRINTER_CONTROL_RESUME: p.status &= ~static_cast<DWORD>(PRINTER_STATUS_PAUSED); return true;
    case PRINTER_CONTROL_PURGE:
      for (const Job& job : ListJobs(p.id)) RemoveJob(job.id);
      return true;
    case PRINTER_CONTROL_SET_STATUS:
      if (!data) break;
      std::memcpy(&p.status, data, sizeof p.status);
      return true;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

// Splits "\\server\rest"; false for a name without a server part.
bool SplitServer(std::u16string_view name, std::u16string& server, std::u16string& rest) {
  if (name.size() < 3 || name[0] != u'\\' || name[1] != u'\\') return false;
  size_t slash = name.find(u'\\', 2);
  server = std::u16string(name.substr(0, slash));
  rest = slash == std::u16string_view::npos ? std::u16string() : std::u16string(name.substr(slash + 1));
  return true;
}

HANDLE OpenHandle(std::shared_ptr<PrinterHandle> handle) {
  handle->generation = SpoolerGeneration();
  return InsertHandle(std::move(handle));
}

}  // namespace
}  // namespace plat::spooler

using namespace plat::spooler;
using plat::EqualsNoCase;
using plat::WideView;

extern "C" {

WINBASEAPI BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) {
  if (!RequireRunning()) return FALSE;
  if (!phPrinter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *phPrinter = nullptr;
  auto handle = std::make_shared<PrinterHandle>();
  if (pDefault) {
    std::u16string_view datatype = WideView(pDefault->pDatatype);
    if (!datatype.empty() && !IsKnownDatatype(datatype)) {
      SetLastError(ERROR_INVALID_DATATYPE);
      return FALSE;
    }
    if (pDefault->pDevMode && !DevmodeLooksValid(pDefault->pDevMode)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    handle->datatype = datatype;
    if (pDefault->pDevMode) handle->devmode = DevmodeBytes(pDefault->pDevMode);
  }
  ACCESS_MASK desired = pDefault ? pDefault->DesiredAccess : 0;

  std::u16string name(WideView(pPrinterName));
  std::u16string server, rest;
  if (SplitServer(name, server, rest) && EqualsNoCase(server, LocalServerName())) name = rest;

  if (name.empty()) {
    handle->kind = PrinterHandle::Kind::Server;
    handle->access = desired ? desired : SERVER_ACCESS_ENUMERATE;
    *phPrinter = OpenHandle(handle);
    return TRUE;
  }
  if (name[0] == u',') {
    static const std::u16string kPort = u",XcvPort ", kMonitor = u",XcvMonitor ";
    bool port = name.size() > kPort.size() && EqualsNoCase(name.substr(0, kPort.size()), kPort);
    bool monitor = name.size() > kMonitor.size() && EqualsNoCase(name.substr(0, kMonitor.size()), kMonitor);
    std::u16string target = port ? name.substr(kPort.size()) : monitor ? name.substr(kMonitor.size()) : u"";
    if ((port && FindPort(target)) || (monitor && FindMonitor(target))) {
      handle->kind = port ? PrinterHandle::Kind::XcvPort : PrinterHandle::Kind::XcvMonitor;
      handle->target = target;
      handle->access = desired;
      *phPrinter = OpenHandle(handle);
      return TRUE;
    }
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  std::optional<Printer> printer = FindPrinter(name);
  if (!printer) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  handle->kind = PrinterHandle::Kind::Printer;
  handle->printerId = printer->id;
  handle->access = MapPrinterAccess(desired);
  *phPrinter = OpenHandle(handle);
  return TRUE;
}

WINBASEAPI BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
  std::shared_ptr<PrinterHandle> handle = plat::LookupHandleAs<PrinterHandle>(hPrinter);
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  plat::RemoveHandle(hPrinter);
  if (!RequireRunning()) return FALSE;
  if (handle->generation != SpoolerGeneration()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (handle->jobId) FinishJob(*handle);
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (!RequireRunning()) return FALSE;
  Printer printer;
  if (!GetPrinterHandle(hPrinter, printer)) return FALSE;
  if (!RecordSize(Level)) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (printer.queryError) {
    SetLastError(printer.queryError);
    return FALSE;
  }
  PrinterView view = ViewOf(std::move(printer), Level);
  return PackOut(pPrinter, cbBuf, pcbNeeded, [&](Packer& packer) {
    BYTE* record = packer.Fixed(RecordSize(Level));
    PackPrinter(packer, record, 0, Level, view);
  });
}

WINBASEAPI BOOL WINAPI SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
  if (!RequireRunning()) return FALSE;
  StateLock lock;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = GetPrinterHandle(hPrinter, printer);
  if (!handle) return FALSE;
  if (Level != 9 && !MayAdminister(*handle)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (Command > PRINTER_CONTROL_SET_STATUS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  switch (Level) {
    case 0:
      if (!ApplyControl(printer, Command, pPrinter)) return FALSE;
      SavePrinter(printer);
      return TRUE;
    case 2: {
      if (!pPrinter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      PRINTER_INFO_2W info;
      std::memcpy(&info, pPrinter, sizeof info);
      std::u16string_view newName = WideView(info.pPrinterName);
      if (!newName.empty() && !EqualsNoCase(newName, printer.name)) {
        if (!printer.serverName.empty() || !IsValidLocalName(newName)) {
          SetLastError(ERROR_INVALID_PRINTER_NAME);
          return FALSE;
        }
        if (FindPrinter(newName)) {
          SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
          return FALSE;
        }
      }
      if (!CheckReferences(info, &printer)) return FALSE;
      if (!newName.empty() && printer.serverName.empty()) printer.name = newName;
      ApplyInfo2(printer, info);
      if (!ApplyControl(printer, Command, nullptr)) return FALSE;
      if (info.pDevMode) SaveGlobalDevmode(printer.id, DevmodeBytes(info.pDevMode));
      SavePrinter(printer);
      return TRUE;
    }
    case 5: {
      if (!pPrinter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      PRINTER_INFO_5W info;
      std::memcpy(&info, pPrinter, sizeof info);
      std::u16string_view port = WideView(info.pPortName);
      if (!port.empty() && printer.serverName.empty()) {
        if (!FindPort(port)) {
          SetLastError(ERROR_UNKNOWN_PORT);
          return FALSE;
        }
        printer.port = port;
      }
      constexpr DWORD kKind = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK;
      printer.attributes = (info.Attributes & ~kKind) | (printer.attributes & kKind);
      printer.deviceNotSelectedTimeout = info.DeviceNotSelectedTimeout;
      printer.transmissionRetryTimeout = info.TransmissionRetryTimeout;
      if (!ApplyControl(printer, Command, nullptr)) return FALSE;
      SavePrinter(printer);
      return TRUE;
    }
    case 8:
    case 9: {
      if (!pPrinter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      LPDEVMODEW devmode;
      std::memcpy(&devmode, pPrinter, sizeof devmode);
      if (Level == 9 && !devmode) {
        SaveUserDevmode(printer.id, std::nullopt);
        return TRUE;
      }
      if (!DevmodeLooksValid(devmode)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      if (Level == 8)
        SaveGlobalDevmode(printer.id, DevmodeBytes(devmode));
      else
        SaveUserDevmode(printer.id, DevmodeBytes(devmode));
      return TRUE;
    }
    default:
      SetLastError(ERROR_INVALID_LEVEL);
      return FALSE;
  }
}

WINBASEAPI BOOL WINAPI EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                     LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (!RequireRunning()) return FALSE;
  if (!pcReturned || !pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  if (Level != 1 && Level != 2 && Level != 4 && Level != 5) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!IsLocalServer(Name)) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  bool local = Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_NAME);
  bool connections = Flags & PRINTER_ENUM_CONNECTIONS;
  std::vector<PrinterView> chosen;
  for (Printer& p : ListPrinters()) {
    bool isConnection = (p.attributes & PRINTER_ATTRIBUTE_NETWORK) && !p.serverName.empty();
    if ((isConnection && connections) || (!isConnection && local)) chosen.push_back(ViewOf(std::move(p), Level));
  }
  BOOL ok = PackOut(pPrinterEnum, cbBuf, pcbNeeded, [&](Packer& packer) {
    BYTE* records = packer.Fixed(RecordSize(Level) * chosen.size());
    for (size_t i = 0; i < chosen.size(); ++i) PackPrinter(packer, records, i, Level, chosen[i]);
  });
  if (ok) *pcReturned = static_cast<DWORD>(chosen.size());
  return ok;
}

}  // extern "C"

namespace {

HANDLE AddLocalPrinter(LPWSTR pName, DWORD Level, LPBYTE pPrinter) {
  if (!RequireRunning()) return nullptr;
  if (!IsLocalServer(pName)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return nullptr;
  }
  if (!pPrinter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  PRINTER_INFO_2W info;
  std::memcpy(&info, pPrinter, sizeof info);
  std::u16string_view name = WideView(info.pPrinterName);
  StateLock lock;
  if (!IsValidLocalName(name)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  if (FindPrinter(name)) {
    SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
    return nullptr;
  }
  if (!CheckReferences(info, nullptr)) return nullptr;
  Printer printer;
  printer.name = name;
  printer.attributes = PRINTER_ATTRIBUTE_LOCAL;
  ApplyInfo2(printer, info);
  SavePrinter(printer);
  if (info.pDevMode) SaveGlobalDevmode(printer.id, DevmodeBytes(info.pDevMode));
  auto handle = std::make_shared<PrinterHandle>();
  handle->printerId = printer.id;
  handle->access = PRINTER_ALL_ACCESS;
  return OpenHandle(handle);
}

// The printer of a handle that may delete it; nullopt (with the error) otherwise.
std::optional<Printer> PrinterToDelete(HANDLE hPrinter) {
  StateLock lock;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = GetPrinterHandle(hPrinter, printer);
  if (!handle) return std::nullopt;
  if (!(handle->access & kDeleteRight)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  return printer;
}

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter) {
  HANDLE handle = AddLocalPrinter(pName, Level, pPrinter);
  // The driver's answer does not undo the printer, as on the platform.
  if (handle) RaisePrinterEvent(WideView(reinterpret_cast<PRINTER_INFO_2W*>(pPrinter)->pPrinterName),
                                PRINTER_EVENT_INITIALIZE);
  return handle;
}

WINBASEAPI BOOL WINAPI DeletePrinter(HANDLE hPrinter) {
  if (!RequireRunning()) return FALSE;
  std::optional<Printer> target = PrinterToDelete(hPrinter);
  if (!target) return FALSE;
  // The driver hears of the deletion while the printer still exists.
  RaisePrinterEvent(target->name, PRINTER_EVENT_DELETE);
  StateLock lock;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = GetPrinterHandle(hPrinter, printer);
  if (!handle) return FALSE;
  for (const Job& job : ListJobs(printer.id)) RemoveJob(job.id);
  ForgetDocument(*handle);
  handle->jobId = 0;
  RemovePrinterRecord(printer.id);
  return TRUE;
}

}  // extern "C"

namespace plat::spooler {

// Used by the test controls: a network connection to a printer of another computer.
HANDLE AddConnection(std::u16string_view server, const PRINTER_INFO_2W& info) {
  std::u16string_view share = WideView(info.pPrinterName);
  std::u16string serverName = server.size() >= 2 && server[0] == u'\\' ? std::u16string(server)
                                                                       : u"\\\\" + std::u16string(server);
  if (!RequireRunning()) return nullptr;
  StateLock lock;
  std::u16string name = serverName + u"\\" + std::u16string(share);
  if (serverName.size() < 3 || !IsValidLocalName(share)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  if (FindPrinter(name)) {
    SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
    return nullptr;
  }
  Printer printer;
  printer.name = name;
  printer.serverName = serverName;
  printer.attributes = PRINTER_ATTRIBUTE_NETWORK;
  Printer asConnection = printer;
  if (!CheckReferences(info, &asConnection)) return nullptr;
  ApplyInfo2(printer, info);
  printer.port = WideView(info.pPortName);
  SavePrinter(printer);
  if (info.pDevMode) SaveGlobalDevmode(printer.id, DevmodeBytes(info.pDevMode));
  auto handle = std::make_shared<PrinterHandle>();
  handle->printerId = printer.id;
  handle->access = PRINTER_ALL_ACCESS;
  return OpenHandle(handle);
}

}  // namespace plat::spooler
