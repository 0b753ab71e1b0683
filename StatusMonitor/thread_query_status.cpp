#include "StatusMonitor/thread_query_status.h"

#include <cstring>
#include <string>
#include <vector>

#include <win/spooler.h>
#include <win/strings.h>
#include <win/system.h>

#include <vm4k2/status_monitor_messages.h>

#include "StatusMonitor/spooler_state.h"
#include "StatusMonitor/status_answer.h"
#include "StatusMonitor/status_engine.h"
#include "StatusMonitor/usb_query.h"
#include "common/status_file.h"

using namespace vm4k2sm;
namespace key = vm4k2::status_key;
using vm4k2common::ReadStatusInt;
using vm4k2common::WriteStatusInt;
using vm4k2common::WriteStatusKey;

IMPLEMENT_DYNCREATE(CThreadQueryStatus, CWinThread)

BEGIN_MESSAGE_MAP(CThreadQueryStatus, CWinThread)
  ON_THREAD_MESSAGE(vm4k2::WM_QUERY_STATUS, OnQueryStatus)
END_MESSAGE_MAP()

namespace {

void Trace(const std::u16string& text) { OutputDebugStringW((u"vm4k2sm: " + text + u"\n").c_str()); }

template <size_t N>
void CopyUnits(WCHAR (&to)[N], LPCWSTR from) {
  size_t i = 0;
  if (from)
    for (; i + 1 < N && from[i] != 0; ++i) to[i] = from[i];
  to[i] = 0;
}

void SetPair(PrinterStatusRecord& record, BYTE status, BYTE valueCode) {
  record.status = status;
  record.valueCode = valueCode;
}

// The spooler's list of one kind, sized by a first call. `ok` false when the call failed.
struct Listing {
  std::vector<BYTE> bytes;
  DWORD count = 0;
};

bool EnumeratePrinters(Listing& out) {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExW(&version);
  const DWORD flags = version.dwPlatformId == VER_PLATFORM_WIN32_NT ? (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS)
                                                                    : PRINTER_ENUM_LOCAL;
  DWORD needed = 0, returned = 0;
  if (EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &returned)) {
    out.count = 0;  // no printer at all
    return true;
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
  out.bytes.resize(needed);
  if (!EnumPrintersW(flags, nullptr, 2, out.bytes.data(), needed, &needed, &returned)) return false;
  out.count = returned;
  return true;
}

bool EnumeratePorts(Listing& out) {
  DWORD needed = 0, returned = 0;
  EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed == 0) return false;
  out.bytes.resize(needed);
  if (!EnumPortsW(nullptr, 2, out.bytes.data(), needed, &needed, &returned)) return false;
  out.count = returned;
  return true;
}

const PORT_INFO_2W* FindPort(const Listing& ports, LPCWSTR name) {
  if (name == nullptr) return nullptr;
  const PORT_INFO_2W* port = reinterpret_cast<const PORT_INFO_2W*>(ports.bytes.data());
  for (DWORD i = 0; i < ports.count; ++i)
    if (port[i].pPortName && lstrcmpW(port[i].pPortName, name) == 0) return &port[i];
  return nullptr;
}

}  // namespace

BOOL CThreadQueryStatus::InitInstance() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  m_bOsVersion62 = GetVersionExW(&version) && version.dwMajorVersion == 6 && version.dwMinorVersion == 2;
  return TRUE;
}

HWND CThreadQueryStatus::Target() const {
  if (HWND window = TheStatusEngine().mainWindow.load()) return window;
  CWinApp* app = AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

void CThreadQueryStatus::OnQueryStatus(WPARAM, LPARAM) {
  RunPass();
  TheStatusEngine().passPending = false;
}

void CThreadQueryStatus::RunPass() {
  StatusEngine& engine = TheStatusEngine();
  const LPCWSTR file = engine.statusFile;
  const HWND target = Target();

  Listing printers;
  if (!EnumeratePrinters(printers)) return;
  const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(printers.bytes.data());
  int n = 0;
  for (DWORD i = 0; i < printers.count; ++i)
    if (IsFamilyPrinter(info[i])) ++n;
  engine.printerSetChanged = n != m_nPrinterCount;
  m_nPrinterCount = n;

  // Zero records still make a list: the main window empties its rows by it.
  PrinterStatusRecord* records = new PrinterStatusRecord[static_cast<size_t>(n)]();
  Listing ports;
  if (n > 0 && !EnumeratePorts(ports)) {
    FreeStatusRecords(records);
    return;
  }

  m_jobs.BeginPass();
  int w = 0;
  for (DWORD i = 0; i < printers.count; ++i) {
    const PRINTER_INFO_2W& printer = info[i];
    if (!IsFamilyPrinter(printer)) continue;
    PrinterStatusRecord& record = records[w++];
    m_nNotReachedMark = 1;
    bool update = true;
    bool deviceAsked = false;
    CopyUnits(record.name, printer.pPrinterName);
    CopyUnits(record.port, printer.pPortName);
    JobTrackEntry* entry = m_jobs.EntryFor(record.name);

    if (UsesTestPath(file, record.name)) {
      update = RunTestPath(file, record, m_jobs, engine.computerName);
    } else {
      const PORT_INFO_2W* port = FindPort(ports, printer.pPortName);
      if (entry) m_jobs.Match(*entry, engine.announcements);
      const bool announced = entry && entry->announced;
      const int portType = ClassifyPortMonitor(port ? port->pMonitorName : nullptr);
      if (portType == vm4k2::kPortTypeUsb) {
        switch (GetSpoolerState(printer)) {
          case kSpoolerNotReachable:
            SetPair(record, 126, 0);
            break;
          case kSpoolerPaused:
            SetPair(record, 128, 129);
            break;
          default:
            if (announced) {
              deviceAsked = true;
              QueryUsbStatus(file, record, m_jobs, update, m_nNotReachedMark);
              engine.announcements.DropExpired(GetTickCount64());
            } else {
              SetPair(record, 128, 133);
            }
        }
      } else if (portType == vm4k2::kPortTypeNetwork) {
        ReadNetworkPortAddress(printer.pPortName, record.port, kPortUnits);
        const int state = IsUsableIpAddress(record.port) ? GetSpoolerState(printer) : kSpoolerNotReachable;
        if (state == kSpoolerNotReachable) {
          SetPair(record, 126, 0);
        } else if (state == kSpoolerPaused) {
          SetPair(record, 128, 129);
        } else {
          m_nNotReachedMark = 0;
          if (announced) {
            deviceAsked = true;
            if (!QuerySnmpStatus(record, update)) {
              SetPair(record, 126, 0);
              update = true;
              m_nNotReachedMark = 1;
            }
          } else {
            SetPair(record, 128, 133);
            engine.announcements.DropExpired(GetTickCount64());
          }
        }
      } else {
        SetPair(record, 126, 0);
        m_nNotReachedMark = 0;
      }
      WriteStatusInt(file, record.name, key::PortType, portType);
    }

    const int previousStatus = ReadStatusInt(file, record.name, key::Status);
    const int previousValueCode = ReadStatusInt(file, record.name, key::ValueCode);
    if (update) {
      const LPARAM lParam = m_nNotReachedMark && printer.cJobs != 0 ? 1 : 0;
      WriteStatusInt(file, record.name, key::Status, record.status);
      WriteStatusInt(file, record.name, key::ValueCode, record.valueCode);
      WriteStatusKey(file, record.name, key::PortName, record.port);
      StatusChangeNote* note = new StatusChangeNote();
      CopyUnits(note->name, record.name);
      note->previousStatus = static_cast<BYTE>(previousStatus);
      note->previousValueCode = static_cast<BYTE>(previousValueCode);
      if (!target || !PostMessageW(target, vm4k2::WM_PRINTER_STATUS, reinterpret_cast<WPARAM>(note), lParam))
        FreeStatusNote(note);
    } else {
      SetPair(record, static_cast<BYTE>(previousStatus), static_cast<BYTE>(previousValueCode));
    }
    GetStatusText(record, AfxGetResourceHandle());

    // A job announced on a printer that nobody asked (offline, paused, another port, no usable
    // address) would otherwise stay announced for ever; once the spooler holds nothing for the
    // printer, there is no job to follow.
    if (entry && entry->announced && !deviceAsked && printer.cJobs == 0) {
      entry->announced = 0;
      Trace(u"no job left on " + std::u16string(record.name) + u", its announcement is over");
    }
  }

  const ULONGLONG now = GetTickCount64();
  engine.announcements.DropExpired(now);
  if (engine.endsByItself && n > 0) {
    bool waiting = m_jobs.AnyAnnouncedThisPass() || engine.announcements.Outstanding(now);
    for (int r = 0; r < n && !waiting; ++r) waiting = engine.announcements.HoldsName(records[r].name);
    if (!waiting) {
      m_jobs.EndPass();
      FreeStatusRecords(records);
      if (target) {
        PostMessageW(target, vm4k2::WM_STATUSMONITOR_QUIT, 0, 0);
        PostMessageW(target, vm4k2::WM_QUERY_DONE, 0, 0);
      }
      return;
    }
  }
  m_jobs.EndPass();
  if (!target || !PostMessageW(target, vm4k2::WM_QUERY_DONE, reinterpret_cast<WPARAM>(records), n))
    FreeStatusRecords(records);
}
