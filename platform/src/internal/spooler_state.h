// The spooler's machine-wide state under <root>/spooler: one text record per printer, driver,
// print processor, monitor, port and job ("Key=Value" lines, UTF-8), so that separate
// processes of the machine share it and a person can read it. Every change is made under one
// machine-wide lock and written to a side file that is renamed over the old one, so a reader
// never sees half a record.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <win/spooler.h>

#include "internal/handles.h"

namespace plat::spooler {

using Fields = std::map<std::string, std::string>;

// Held across every read-modify-write of the spooler's state (an flock on spooler/lock, and a
// process mutex, since flock does not exclude threads of one process sharing a descriptor).
class StateLock {
 public:
  StateLock();
  ~StateLock();
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;

 private:
  int fd_ = -1;
};

// Host folder below the spooler's root, created on demand ("printers", "jobs" ...).
std::string Dir(std::string_view sub);
// Every change of a spooler record or of the service's state (a write, a removal) bumps the
// machine's spooler change counter once it is in place, so a process that keeps what it has
// checked can tell, without a system call, that the same checks would pass again. False from
// RecordsCounterKnown when the counter cannot be mapped: nothing may then be kept.
bool RecordsCounterKnown();
std::uint64_t RecordsCounter();
bool ReadFields(const std::string& path, Fields& out);
bool WriteFields(const std::string& path, const Fields& fields);
bool ReadBytes(const std::string& path, std::string& out);
bool WriteBytes(const std::string& path, std::string_view bytes);

DWORD FieldNumber(const Fields& f, const char* key, DWORD fallback = 0);
std::u16string FieldText(const Fields& f, const char* key);
void SetNumber(Fields& f, const char* key, DWORD value);
void SetText(Fields& f, const char* key, std::u16string_view value);

// ---- Records ------------------------------------------------------------------------------
// Each kind lives in its own folder as <id>.ini; ids are never reused within a machine.
struct Printer {
  unsigned id = 0;
  std::u16string name;        // as shown to callers; a connection is "\\server\printer"
  std::u16string serverName;  // "\\server" for a connection, empty for a printer of this computer
  std::u16string shareName, port, driver, processor, datatype, comment, location, sepFile, parameters;
  DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
  DWORD priority = 1, defaultPriority = 0, startTime = 0, untilTime = 0, status = 0;
  DWORD deviceNotSelectedTimeout = 15000, transmissionRetryTimeout = 45000;
  DWORD queryError = 0;  // test control: queries of this printer fail with this error
};

struct Driver {
  unsigned id = 0;
  std::u16string name, environment;
  DWORD version = 3;
  // Bare file names inside the environment's version folder.
  std::u16string driverFile, dataFile, configFile, helpFile, monitor, defaultDatatype;
  std::vector<std::u16string> dependentFiles;
};

struct Processor {
  unsigned id = 0;
  std::u16string name, environment, file;
};

struct Monitor {
  unsigned id = 0;
  std::u16string name, environment, dll;
};

struct Port {
  unsigned id = 0;
  std::u16string name;
  std::u16string monitor;      // the PORT_INFO_2 monitor text ("Dynamic Print Monitor" ...)
  std::u16string description;
  std::u16string address;      // a standard TCP/IP port's address, for XcvDataW "IPAddress"
  DWORD type = PORT_TYPE_WRITE | PORT_TYPE_READ;
};

struct Job {
  unsigned id = 0;
  unsigned printerId = 0;
  std::u16string printerName, document, user, machine, datatype, processor, driver, parameters, outputFile;
  DWORD status = 0, priority = 1, totalPages = 0, pagesPrinted = 0, size = 0;
  SYSTEMTIME submitted{};
  bool hasDevmode = false;
};

std::vector<Printer> ListPrinters();
std::optional<Printer> LoadPrinter(unsigned id);
std::optional<Printer> FindPrinter(std::u16string_view name);
void SavePrinter(Printer& printer);  // gives a new printer its id
void RemovePrinterRecord(unsigned id);
std::string PrinterDir(unsigned id);

std::vector<Driver> ListDrivers();
std::optional<Driver> FindDriver(std::u16string_view name, std::u16string_view environment);
void SaveDriver(Driver& driver);
void RemoveDriverRecord(unsigned id);

std::vector<Processor> ListProcessors();
std::optional<Processor> FindProcessor(std::u16string_view name, std::u16string_view environment);
void SaveProcessor(Processor& processor);
void RemoveProcessorRecord(unsigned id);

std::vector<Monitor> ListMonitors();
std::optional<Monitor> FindMonitor(std::u16string_view name);
void SaveMonitor(Monitor& monitor);
void RemoveMonitorRecord(unsigned id);

// The monitor texts of PORT_INFO_2 by kind of port: the status monitor tells USB from
// network ports by them.
constexpr const char16_t* kUsbPortMonitor = u"Dynamic Print Monitor";
constexpr const char16_t* kTcpPortMonitor = u"TCPMON.DLL";
constexpr const char16_t* kWsdPortMonitor = u"WSD Port Monitor";
// A port record of a kind: "usb", "tcp" (address: its IP address), "wsd" or "local".
bool MakePort(std::string_view kind, std::u16string_view name, std::u16string_view address, Port& out);

std::vector<Port> ListPorts();
std::optional<Port> FindPort(std::u16string_view name);
void SavePort(Port& port);

// Jobs in submission order.
std::vector<Job> ListJobs(unsigned printerId);
std::optional<Job> LoadJob(unsigned id);
void SaveJob(Job& job);  // gives a new job the machine's next job id
void RemoveJob(unsigned id);
std::string JobDataPath(unsigned id);
std::string JobDevmodePath(unsigned id);

// Default DEVMODEs: the printer's global one and the calling user's own (dmSize +
// dmDriverExtra bytes each).
std::optional<std::string> LoadGlobalDevmode(unsigned printerId);
std::optional<std::string> LoadUserDevmode(unsigned printerId);
void SaveGlobalDevmode(unsigned printerId, std::string_view bytes);
void SaveUserDevmode(unsigned printerId, std::optional<std::string_view> bytes);

// ---- The machine -------------------------------------------------------------------------
// A fresh machine's spooler has the platform's own monitors, print processor and local ports.
void EnsureSeeded();

std::u16string ComputerName();
std::u16string UserName();
std::u16string LocalServerName();  // "\\" + computer name

// Environments: empty or "Windows x64" is this machine's. False for a name that is not one.
bool CanonicalEnvironment(const WCHAR* environment, std::u16string& out);
// Windows folders of an environment ("C:\Windows\System32\spool\drivers\x64" ...).
std::u16string DriverDirectory(std::u16string_view environment);
std::u16string DriverVersionDirectory(std::u16string_view environment, DWORD version);
std::u16string ProcessorDirectory(std::u16string_view environment);
std::u16string SystemDirectory();
// Host path of a Windows path of the machine (never outside it), or empty.
std::string HostPathOf(std::u16string_view windowsPath);

// A server name argument (NULL, "", or this computer) names the local spooler.
bool IsLocalServer(const WCHAR* name);

bool IsKnownDatatype(std::u16string_view datatype);
// A DEVMODE a caller hands in: dmSize covers at least the fields up to dmFields and does not
// claim more than the public layout's growth room.
bool DevmodeLooksValid(const DEVMODEW* devmode);
std::string DevmodeBytes(const DEVMODEW* devmode);

// ---- The service ------------------------------------------------------------------------
// False (last error RPC_S_SERVER_UNAVAILABLE) while the spooler service is not running.
bool RequireRunning();
// Changes each time the service starts, so handles from before a restart are recognised.
unsigned long long SpoolerGeneration();

// ---- Handles -----------------------------------------------------------------------------
struct PrinterHandle : KernelObject {
  enum class Kind { Server, Printer, XcvPort, XcvMonitor };
  Kind kind = Kind::Printer;
  unsigned printerId = 0;
  std::u16string target;  // the port or monitor of an Xcv handle
  ACCESS_MASK access = 0;
  unsigned long long generation = 0;
  std::u16string datatype;             // from PRINTER_DEFAULTS
  std::optional<std::string> devmode;  // from PRINTER_DEFAULTS
  unsigned jobId = 0;                  // the document open on this handle
  bool pageOpen = false;
  // What the open document's calls last checked (the spooler running, the handle current, the
  // printer there and, with jobChecked, the job's record as `job`), good while the spooler's
  // change counter still reads checkedAt. The job's bytes stay open for appending meanwhile.
  struct DocumentState {
    bool checked = false;
    bool jobChecked = false;
    std::uint64_t checkedAt = 0;
    Job job;
    int dataFd = -1;
    DWORD spooled = 0;  // bytes in the job's file
  } document;
  ~PrinterHandle() override;
};

// Drops what the handle's document calls had checked and closes the job's file.
void ForgetDocument(PrinterHandle& handle);

// The open printer handle, checked: ERROR_INVALID_HANDLE for anything else, and for a handle
// from before the last restart of the spooler.
std::shared_ptr<PrinterHandle> GetHandle(HANDLE handle);
// The printer of a printer handle, re-read: ERROR_INVALID_HANDLE, ERROR_PRINTER_DELETED.
std::shared_ptr<PrinterHandle> GetPrinterHandle(HANDLE handle, Printer& printer);

// Ends the document open on a handle (EndDocPrinter's work).
void FinishJob(PrinterHandle& handle);

// For the test controls.
HANDLE AddConnection(std::u16string_view server, const PRINTER_INFO_2W& info);
DWORD AddForeignJob(std::u16string_view printerName, std::u16string_view document, std::u16string_view user,
                    std::u16string_view machine, DWORD status, DWORD pages);

// ---- Returning records -------------------------------------------------------------------
// Lays records out in a caller's block: fixed parts first, then strings and DEVMODEs after
// them. Run once without a block to learn the size, then into the block.
class Packer {
 public:
  Packer(BYTE* buffer, size_t capacity) : base_(buffer), capacity_(capacity) {}
  // Reserves the fixed parts (count records of size bytes); returns their start or nullptr.
  BYTE* Fixed(size_t bytes);
  LPWSTR String(std::u16string_view text);
  LPWSTR OptionalString(std::u16string_view text) { return text.empty() ? nullptr : String(text); }
  LPWSTR MultiString(const std::vector<std::u16string>& items);
  LPDEVMODEW Devmode(const std::optional<std::string>& bytes);
  size_t needed() const { return used_; }
  bool writing() const { return base_ != nullptr; }

 private:
  BYTE* Take(size_t bytes, size_t alignment);
  BYTE* base_;
  size_t capacity_;
  size_t fixedEnd_ = 0;
  size_t used_ = 0;
};

// The two-call protocol for one or many records. fill(packer) lays out every record; the
// result follows the platform: TRUE with the data, or FALSE and ERROR_INSUFFICIENT_BUFFER with
// the needed size (ERROR_INVALID_USER_BUFFER for a NULL block that claims a size).
template <typename Fill>
BOOL PackOut(LPBYTE buffer, DWORD capacity, LPDWORD needed, Fill fill) {
  if (!needed) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!buffer && capacity) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  Packer measure(nullptr, 0);
  fill(measure);
  *needed = static_cast<DWORD>(measure.needed());
  if (measure.needed() > capacity) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  Packer write(buffer, capacity);
  fill(write);
  return TRUE;
}

}  // namespace plat::spooler
