#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "internal/change_counter.h"
#include "internal/controls.h"
#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/services_state.h"
#include "internal/system_state.h"
#include "internal/spooler_state.h"
#include "internal/unicode.h"

namespace fs = std::filesystem;

namespace plat::spooler {

namespace {

std::recursive_mutex g_processLock;
thread_local int t_lockDepth = 0;

// Record values are one line each: line breaks and backslashes are escaped.
std::string EscapeValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out.push_back(c);
  }
  return out;
}

std::string UnescapeValue(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      char n = value[++i];
      out.push_back(n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

std::string JoinList(const std::vector<std::u16string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out.push_back('|');
    out += ToUtf8(items[i]);
  }
  return out;
}

std::vector<std::u16string> SplitList(const std::string& text) {
  std::vector<std::u16string> out;
  if (text.empty()) return out;
  size_t start = 0;
  while (true) {
    size_t bar = text.find('|', start);
    out.push_back(FromUtf8(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return out;
}

std::string SystemTimeText(const SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

SYSTEMTIME ParseSystemTime(const std::string& text) {
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  SYSTEMTIME t{};
  if (std::sscanf(text.c_str(), "%u-%u-%u %u:%u:%u.%u", &y, &mo, &d, &h, &mi, &s, &ms) == 7) {
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    t.wMilliseconds = static_cast<WORD>(ms);
  }
  return t;
}

// ---- One folder of <id>.ini records --------------------------------------------------------
std::vector<std::pair<unsigned, Fields>> ListRecords(const std::string& folder) {
  std::vector<std::pair<unsigned, Fields>> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string file = entry.path().filename().string();
    if (file.size() < 5 || file.compare(file.size() - 4, 4, ".ini") != 0) continue;
    char* end = nullptr;
    unsigned long id = std::strtoul(file.c_str(), &end, 10);
    if (id == 0 || std::string(end) != ".ini") continue;
    Fields fields;
    if (ReadFields(entry.path().string(), fields)) out.emplace_back(static_cast<unsigned>(id), std::move(fields));
  }
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return out;
}

std::string RecordPath(const std::string& folder, unsigned id) { return folder + "/" + std::to_string(id) + ".ini"; }

// Ids are drawn from a counter beside the records, so a deleted record's id is not given again.
unsigned NextId(const std::string& folder) {
  std::string counter = folder + "/next-id";
  Fields f;
  ReadFields(counter, f);
  unsigned next = FieldNumber(f, "Next", 1);
  for (const auto& [id, fields] : ListRecords(folder)) next = std::max(next, id + 1);
  SetNumber(f, "Next", next + 1);
  WriteFields(counter, f);
  return next;
}

std::string UserFileName(std::u16string_view user) {
  std::string out;
  for (char c : ToUtf8(user)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '_' || c == '.') {
      out.push_back(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out += hex;
    }
  }
  return out.empty() ? "%" : out;
}

// ---- Record conversions ----------------------------------------------------------------
Fields ToFields(const Printer& p) {
  Fields f;
  SetText(f, "Name", p.name);
  SetText(f, "ServerName", p.serverName);
  SetText(f, "ShareName", p.shareName);
  SetText(f, "Port", p.port);
  SetText(f, "Driver", p.driver);
  SetText(f, "PrintProcessor", p.processor);
  SetText(f, "Datatype", p.datatype);
  SetText(f, "Comment", p.comment);
  SetText(f, "Location", p.location);
  SetText(f, "SepFile", p.sepFile);
  SetText(f, "Parameters", p.parameters);
  SetNumber(f, "Attributes", p.attributes);
  SetNumber(f, "Priority", p.priority);
  SetNumber(f, "DefaultPriority", p.defaultPriority);
  SetNumber(f, "StartTime", p.startTime);
  SetNumber(f, "UntilTime", p.untilTime);
  SetNumber(f, "Status", p.status);
  SetNumber(f, "DeviceNotSelectedTimeout", p.deviceNotSelectedTimeout);
  SetNumber(f, "TransmissionRetryTimeout", p.transmissionRetryTimeout);
  if (p.queryError) SetNumber(f, "TestQueryError", p.queryError);
  return f;
}

Printer PrinterFrom(unsigned id, const Fields& f) {
  Printer p;
  p.id = id;
  p.name = FieldText(f, "Name");
  p.serverName = FieldText(f, "ServerName");
  p.shareName = FieldText(f, "ShareName");
  p.port = FieldText(f, "Port");
  p.driver = FieldText(f, "Driver");
  p.processor = FieldText(f, "PrintProcessor");
  p.datatype = FieldText(f, "Datatype");
  p.comment = FieldText(f, "Comment");
  p.location = FieldText(f, "Location");
  p.sepFile = FieldText(f, "SepFile");
  p.parameters = FieldText(f, "Parameters");
  p.attributes = FieldNumber(f, "Attributes", PRINTER_ATTRIBUTE_LOCAL);
  p.priority = FieldNumber(f, "Priority", 1);
  p.defaultPriority = FieldNumber(f, "DefaultPriority");
  p.startTime = FieldNumber(f, "StartTime");
  p.untilTime = FieldNumber(f, "UntilTime");
  p.status = FieldNumber(f, "Status");
  p.deviceNotSelectedTimeout = FieldNumber(f, "DeviceNotSelectedTimeout", 15000);
  p.transmissionRetryTimeout = FieldNumber(f, "TransmissionRetryTimeout", 45000);
  p.queryError = FieldNumber(f, "TestQueryError");
  return p;
}

Fields ToFields(const Driver& d) {
  Fields f;
  SetText(f, "Name", d.name);
  SetText(f, "Environment", d.environment);
  SetNumber(f, "Version", d.version);
  SetText(f, "DriverFile", d.driverFile);
  SetText(f, "DataFile", d.dataFile);
  SetText(f, "ConfigFile", d.configFile);
  SetText(f, "HelpFile", d.helpFile);
  SetText(f, "Monitor", d.monitor);
  SetText(f, "DefaultDatatype", d.defaultDatatype);
  f["DependentFiles"] = EscapeValue(JoinList(d.dependentFiles));
  return f;
}

Driver DriverFrom(unsigned id, const Fields& f) {
  Driver d;
  d.id = id;
  d.name = FieldText(f, "Name");
  d.environment = FieldText(f, "Environment");
  d.version = FieldNumber(f, "Version", 3);
  d.driverFile = FieldText(f, "DriverFile");
  d.dataFile = FieldText(f, "DataFile");
  d.configFile = FieldText(f, "ConfigFile");
  d.helpFile = FieldText(f, "HelpFile");
  d.monitor = FieldText(f, "Monitor");
  d.defaultDatatype = FieldText(f, "DefaultDatatype");
  auto it = f.find("DependentFiles");
  if (it != f.end()) d.dependentFiles = SplitList(UnescapeValue(it->second));
  return d;
}

Fields ToFields(const Processor& p) {
  Fields f;
  SetText(f, "Name", p.name);
  SetText(f, "Environment", p.environment);
  SetText(f, "File", p.file);
  return f;
}

Processor ProcessorFrom(unsigned id, const Fields& f) {
  return Processor{id, FieldText(f, "Name"), FieldText(f, "Environment"), FieldText(f, "File")};
}

Fields ToFields(const Monitor& m) {
  Fields f;
  SetText(f, "Name", m.name);
  SetText(f, "Environment", m.environment);
  SetText(f, "Dll", m.dll);
  return f;
}

Monitor MonitorFrom(unsigned id, const Fields& f) {
  return Monitor{id, FieldText(f, "Name"), FieldText(f, "Environment"), FieldText(f, "Dll")};
}

Fields ToFields(const Port& p) {
  Fields f;
  SetText(f, "Name", p.name);
  SetText(f, "Monitor", p.monitor);
  SetText(f, "Description", p.description);
  SetText(f, "Address", p.address);
  SetNumber(f, "PortType", p.type);
  return f;
}

Port PortFrom(unsigned id, const Fields& f) {
  Port p;
  p.id = id;
  p.name = FieldText(f, "Name");
  p.monitor = FieldText(f, "Monitor");
  p.description = FieldText(f, "Description");
  p.address = FieldText(f, "Address");
  p.type = FieldNumber(f, "PortType", PORT_TYPE_WRITE | PORT_TYPE_READ);
  return p;
}

Fields ToFields(const Job& j) {
  Fields f;
  SetNumber(f, "PrinterId", j.printerId);
  SetText(f, "Printer", j.printerName);
  SetText(f, "Document", j.document);
  SetText(f, "User", j.user);
  SetText(f, "Machine", j.machine);
  SetText(f, "Datatype", j.datatype);
  SetText(f, "PrintProcessor", j.processor);
  SetText(f, "Driver", j.driver);
  SetText(f, "Parameters", j.parameters);
  SetText(f, "OutputFile", j.outputFile);
  SetNumber(f, "Status", j.status);
  SetNumber(f, "Priority", j.priority);
  SetNumber(f, "TotalPages", j.totalPages);
  SetNumber(f, "PagesPrinted", j.pagesPrinted);
  SetNumber(f, "Size", j.size);
  f["Submitted"] = SystemTimeText(j.submitted);
  SetNumber(f, "HasDevmode", j.hasDevmode ? 1 : 0);
  return f;
}

Job JobFrom(unsigned id, const Fields& f) {
  Job j;
  j.id = id;
  j.printerId = FieldNumber(f, "PrinterId");
  j.printerName = FieldText(f, "Printer");
  j.document = FieldText(f, "Document");
  j.user = FieldText(f, "User");
  j.machine = FieldText(f, "Machine");
  j.datatype = FieldText(f, "Datatype");
  j.processor = FieldText(f, "PrintProcessor");
  j.driver = FieldText(f, "Driver");
  j.parameters = FieldText(f, "Parameters");
  j.outputFile = FieldText(f, "OutputFile");
  j.status = FieldNumber(f, "Status");
  j.priority = FieldNumber(f, "Priority", 1);
  j.totalPages = FieldNumber(f, "TotalPages");
  j.pagesPrinted = FieldNumber(f, "PagesPrinted");
  j.size = FieldNumber(f, "Size");
  auto it = f.find("Submitted");
  if (it != f.end()) j.submitted = ParseSystemTime(it->second);
  j.hasDevmode = FieldNumber(f, "HasDevmode") != 0;
  return j;
}

template <typename T, typename From>
std::vector<T> ListKind(const char* folder, From from) {
  std::vector<T> out;
  for (const auto& [id, fields] : ListRecords(Dir(folder))) out.push_back(from(id, fields));
  return out;
}

template <typename T>
void SaveKind(const char* folder, T& record) {
  std::string dir = Dir(folder);
  if (record.id == 0) record.id = NextId(dir);
  WriteFields(RecordPath(dir, record.id), ToFields(record));
}

// The machine's spooler change counter, mapped again when the process changes machines.
struct RecordsCounterState {
  std::mutex lock;
  std::string root;
  ChangeCounter counter;
};

ChangeCounter& MachineCounter() {
  static RecordsCounterState* state = new RecordsCounterState;  // used by handles closed at exit
  std::lock_guard<std::mutex> guard(state->lock);
  const std::string& root = MachineRoot();
  if (state->root != root) {
    state->root = root;
    state->counter.Map(Dir("") + ".changes");
  }
  return state->counter;
}

void NoteRecordsChanged() { MachineCounter().Bump(); }

void RemoveKind(const char* folder, unsigned id) {
  std::remove(RecordPath(Dir(folder), id).c_str());
  NoteRecordsChanged();
}

}  // namespace

// ---- Lock and files ----------------------------------------------------------------------
StateLock::StateLock() {
  g_processLock.lock();
  if (t_lockDepth++ == 0) {
    std::string path = Dir("") + "lock";
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
}

StateLock::~StateLock() {
  if (fd_ >= 0) {
    flock(fd_, LOCK_UN);
    close(fd_);
  }
  --t_lockDepth;
  g_processLock.unlock();
}

std::string Dir(std::string_view sub) {
  std::string relative = "spooler";
  if (!sub.empty()) relative += "/" + std::string(sub);
  return MachineDir(relative) + "/";
}

bool ReadFields(const std::string& path, Fields& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return true;
}

bool WriteFields(const std::string& path, const Fields& fields) {
  std::string text;
  for (const auto& [key, value] : fields) text += key + "=" + value + "\n";
  return WriteBytes(path, text);
}

bool ReadBytes(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream all;
  all << in.rdbuf();
  out = all.str();
  return true;
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
  std::string temp = path + ".tmp." + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  bool renamed = std::rename(temp.c_str(), path.c_str()) == 0;
  NoteRecordsChanged();
  return renamed;
}

bool RecordsCounterKnown() { return MachineCounter().mapped(); }
std::uint64_t RecordsCounter() { return MachineCounter().Load(); }

DWORD FieldNumber(const Fields& f, const char* key, DWORD fallback) {
  auto it = f.find(key);
  if (it == f.end() || it->second.empty()) return fallback;
  return static_cast<DWORD>(std::strtoul(it->second.c_str(), nullptr, 0));
}

std::u16string FieldText(const Fields& f, const char* key) {
  auto it = f.find(key);
  return it == f.end() ? std::u16string() : FromUtf8(UnescapeValue(it->second));
}

void SetNumber(Fields& f, const char* key, DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  // Counts and times read better in decimal; bit sets in hexadecimal.
  bool bits = std::strcmp(key, "Attributes") == 0 || std::strcmp(key, "Status") == 0 ||
              std::strcmp(key, "PortType") == 0;
  f[key] = bits ? std::string(text) : std::to_string(value);
}

void SetText(Fields& f, const char* key, std::u16string_view value) { f[key] = EscapeValue(ToUtf8(value)); }

// ---- Records -----------------------------------------------------------------------------
std::vector<Printer> ListPrinters() { return ListKind<Printer>("printers", PrinterFrom); }

std::optional<Printer> LoadPrinter(unsigned id) {
  Fields f;
  if (!id || !ReadFields(RecordPath(Dir("printers"), id), f)) return std::nullopt;
  return PrinterFrom(id, f);
}

std::optional<Printer> FindPrinter(std::u16string_view name) {
  for (Printer& p : ListPrinters())
    if (EqualsNoCase(p.name, name)) return p;
  return std::nullopt;
}

void SavePrinter(Printer& printer) { SaveKind("printers", printer); }

void RemovePrinterRecord(unsigned id) {
  RemoveKind("printers", id);
  std::error_code ec;
  fs::remove_all(Dir("printers") + std::to_string(id), ec);
  NoteRecordsChanged();
}

std::string PrinterDir(unsigned id) { return Dir("printers/" + std::to_string(id)); }

std::vector<Driver> ListDrivers() { return ListKind<Driver>("drivers", DriverFrom); }

std::optional<Driver> FindDriver(std::u16string_view name, std::u16string_view environment) {
  for (Driver& d : ListDrivers())
    if (EqualsNoCase(d.name, name) && EqualsNoCase(d.environment, environment)) return d;
  return std::nullopt;
}

void SaveDriver(Driver& driver) { SaveKind("drivers", driver); }
void RemoveDriverRecord(unsigned id) { RemoveKind("drivers", id); }

std::vector<Processor> ListProcessors() { return ListKind<Processor>("processors", ProcessorFrom); }

std::optional<Processor> FindProcessor(std::u16string_view name, std::u16string_view environment) {
  for (Processor& p : ListProcessors())
    if (EqualsNoCase(p.name, name) && EqualsNoCase(p.environment, environment)) return p;
  return std::nullopt;
}

void SaveProcessor(Processor& processor) { SaveKind("processors", processor); }
void RemoveProcessorRecord(unsigned id) { RemoveKind("processors", id); }

std::vector<Monitor> ListMonitors() { return ListKind<Monitor>("monitors", MonitorFrom); }

std::optional<Monitor> FindMonitor(std::u16string_view name) {
  for (Monitor& m : ListMonitors())
    if (EqualsNoCase(m.name, name)) return m;
  return std::nullopt;
}

void SaveMonitor(Monitor& monitor) { SaveKind("monitors", monitor); }
void RemoveMonitorRecord(unsigned id) { RemoveKind("monitors", id); }

std::vector<Port> ListPorts() { return ListKind<Port>("ports", PortFrom); }

std::optional<Port> FindPort(std::u16string_view name) {
  for (Port& p : ListPorts())
    if (EqualsNoCase(p.name, name)) return p;
  return std::nullopt;
}

void SavePort(Port& port) { SaveKind("ports", port); }

std::vector<Job> ListJobs(unsigned printerId) {
  std::vector<Job> out;
  for (Job& j : ListKind<Job>("jobs", JobFrom))
    if (j.printerId == printerId) out.push_back(std::move(j));
  return out;
}

std::optional<Job> LoadJob(unsigned id) {
  Fields f;
  if (!id || !ReadFields(RecordPath(Dir("jobs"), id), f)) return std::nullopt;
  return JobFrom(id, f);
}

void SaveJob(Job& job) { SaveKind("jobs", job); }

void RemoveJob(unsigned id) {
  RemoveKind("jobs", id);
  std::remove(JobDataPath(id).c_str());
  std::remove(JobDevmodePath(id).c_str());
  NoteRecordsChanged();
}

std::string JobDataPath(unsigned id) { return Dir("jobs") + std::to_string(id) + ".spl"; }
std::string JobDevmodePath(unsigned id) { return Dir("jobs") + std::to_string(id) + ".devmode"; }

std::optional<std::string> LoadGlobalDevmode(unsigned printerId) {
  std::string bytes;
  if (!ReadBytes(PrinterDir(printerId) + "devmode.bin", bytes)) return std::nullopt;
  return bytes;
}

std::optional<std::string> LoadUserDevmode(unsigned printerId) {
  std::string bytes;
  if (!ReadBytes(PrinterDir(printerId) + "devmode-" + UserFileName(UserName()) + ".bin", bytes)) return std::nullopt;
  return bytes;
}

void SaveGlobalDevmode(unsigned printerId, std::string_view bytes) {
  WriteBytes(PrinterDir(printerId) + "devmode.bin", bytes);
}

void SaveUserDevmode(unsigned printerId, std::optional<std::string_view> bytes) {
  std::string path = PrinterDir(printerId) + "devmode-" + UserFileName(UserName()) + ".bin";
  if (bytes) {
    WriteBytes(path, *bytes);
  } else {
    std::remove(path.c_str());
    NoteRecordsChanged();
  }
}

// ---- The machine -------------------------------------------------------------------------
void EnsureSeeded() {
  std::string marker = Dir("") + "machine.ini";
  if (fs::exists(marker)) return;
  StateLock lock;
  if (fs::exists(marker)) return;
  const std::u16string env = u"Windows x64";
  struct { const char16_t* name; const char16_t* dll; } monitors[] = {
      {u"Local Port", u"localspl.dll"},
      {u"Standard TCP/IP Port", u"tcpmon.dll"},
      {u"USB Monitor", u"usbmon.dll"},
      {u"WSD Port", u"WSDMon.dll"},
  };
  for (auto& m : monitors) {
    Monitor record{0, m.name, env, m.dll};
    SaveMonitor(record);
  }
  Processor winprint{0, u"winprint", env, u"winprint.dll"};
  SaveProcessor(winprint);
  for (const char16_t* name : {u"LPT1:", u"COM1:", u"FILE:"}) {
    Port port;
    port.name = name;
    port.monitor = u"Local Port";
    port.description = u"Local Port";
    SavePort(port);
  }
  Fields f;
  f["Seeded"] = "1";
  WriteFields(marker, f);
}

std::u16string ComputerName() { return MachineComputerName(); }

std::u16string UserName() { return MachineUserName(); }

std::u16string LocalServerName() { return u"\\\\" + ComputerName(); }

bool CanonicalEnvironment(const WCHAR* environment, std::u16string& out) {
  std::u16string_view env = WideView(environment);
  if (env.empty() || EqualsNoCase(env, u"Windows x64")) {
    out = u"Windows x64";
    return true;
  }
  if (EqualsNoCase(env, u"Windows NT x86")) {
    out = u"Windows NT x86";
    return true;
  }
  return false;
}

std::u16string SystemDirectory() { return u"C:\\Windows\\System32"; }

std::u16string DriverDirectory(std::u16string_view environment) {
  return SystemDirectory() + u"\\spool\\drivers\\" +
         (EqualsNoCase(environment, u"Windows NT x86") ? u"W32X86" : u"x64");
}

std::u16string DriverVersionDirectory(std::u16string_view environment, DWORD version) {
  return DriverDirectory(environment) + u"\\" + FromUtf8(std::to_string(version));
}

std::u16string ProcessorDirectory(std::u16string_view environment) {
  return SystemDirectory() + u"\\spool\\prtprocs\\" +
         (EqualsNoCase(environment, u"Windows NT x86") ? u"W32X86" : u"x64");
}

std::string HostPathOf(std::u16string_view windowsPath) {
  ResolvedPath resolved = ResolvePath(windowsPath);
  return resolved.error == ERROR_SUCCESS ? resolved.host : std::string();
}

bool IsLocalServer(const WCHAR* name) {
  std::u16string_view n = WideView(name);
  return n.empty() || EqualsNoCase(n, LocalServerName());
}

bool IsKnownDatatype(std::u16string_view datatype) {
  static const char16_t* const kDatatypes[] = {u"RAW",          u"RAW [FF appended]", u"RAW [FF auto]",
                                               u"NT EMF 1.003", u"NT EMF 1.006",      u"NT EMF 1.007",
                                               u"NT EMF 1.008", u"TEXT",              u"XPS2GDI"};
  for (const char16_t* known : kDatatypes)
    if (EqualsNoCase(datatype, known)) return true;
  return false;
}

bool DevmodeLooksValid(const DEVMODEW* devmode) {
  return devmode && devmode->dmSize >= offsetof(DEVMODEW, dmFields) + sizeof(DWORD) &&
         devmode->dmSize <= 1024;
}

std::string DevmodeBytes(const DEVMODEW* devmode) {
  size_t size = static_cast<size_t>(devmode->dmSize) + devmode->dmDriverExtra;
  return std::string(reinterpret_cast<const char*>(devmode), size);
}

// ---- Handles -----------------------------------------------------------------------------
void ForgetDocument(PrinterHandle& handle) {
  if (handle.document.dataFd >= 0) close(handle.document.dataFd);
  handle.document = PrinterHandle::DocumentState{};
}

PrinterHandle::~PrinterHandle() { ForgetDocument(*this); }

std::shared_ptr<PrinterHandle> GetHandle(HANDLE handle) {
  std::shared_ptr<PrinterHandle> h = LookupHandleAs<PrinterHandle>(handle);
  if (!h || h->generation != SpoolerGeneration()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return h;
}

std::shared_ptr<PrinterHandle> GetPrinterHandle(HANDLE handle, Printer& printer) {
  std::shared_ptr<PrinterHandle> h = GetHandle(handle);
  if (!h) return nullptr;
  if (h->kind != PrinterHandle::Kind::Printer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::optional<Printer> p = LoadPrinter(h->printerId);
  if (!p) {
    SetLastError(ERROR_PRINTER_DELETED);
    return nullptr;
  }
  printer = std::move(*p);
  return h;
}

// ---- Packer ------------------------------------------------------------------------------
BYTE* Packer::Take(size_t bytes, size_t alignment) {
  size_t start = (used_ + alignment - 1) / alignment * alignment;
  used_ = start + bytes;
  if (!base_ || used_ > capacity_) return nullptr;
  return base_ + start;
}

BYTE* Packer::Fixed(size_t bytes) {
  BYTE* at = Take(bytes, 8);
  fixedEnd_ = used_;
  if (at) std::memset(at, 0, bytes);
  return at;
}

LPWSTR Packer::String(std::u16string_view text) {
  BYTE* at = Take((text.size() + 1) * sizeof(WCHAR), alignof(WCHAR));
  if (!at) return nullptr;
  std::memcpy(at, text.data(), text.size() * sizeof(WCHAR));
  std::memset(at + text.size() * sizeof(WCHAR), 0, sizeof(WCHAR));
  return reinterpret_cast<LPWSTR>(at);
}

LPWSTR Packer::MultiString(const std::vector<std::u16string>& items) {
  std::u16string all;
  if (items.empty()) all.push_back(u'\0');
  for (const std::u16string& item : items) {
    all += item;
    all.push_back(u'\0');
  }
  return String(all);  // String adds the closing empty entry's terminator
}

LPDEVMODEW Packer::Devmode(const std::optional<std::string>& bytes) {
  if (!bytes || bytes->empty()) return nullptr;
  BYTE* at = Take(bytes->size(), 8);
  if (!at) return nullptr;
  std::memcpy(at, bytes->data(), bytes->size());
  return reinterpret_cast<LPDEVMODEW>(at);
}

}  // namespace plat::spooler

namespace plat::spooler {

bool RequireRunning() {
  if (!SpoolerServiceRunning()) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return false;
  }
  EnsureSeeded();
  return true;
}

unsigned long long SpoolerGeneration() { return SpoolerServiceGeneration(); }

}  // namespace plat::spooler
