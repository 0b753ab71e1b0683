// Ports and the port monitors' XcvDataW channel.
#include <cstring>

#include "internal/spooler_state.h"
#include "internal/unicode.h"

using namespace plat::spooler;
using plat::EqualsNoCase;
using plat::WideView;

namespace plat::spooler {

// The monitor texts PORT_INFO_2 carries for each kind of port, and the descriptions.
bool MakePort(std::string_view kind, std::u16string_view name, std::u16string_view address, Port& out) {
  static const struct {
    const char* kind;
    const char16_t* monitor;
    const char16_t* description;
  } kKinds[] = {
      {"usb", kUsbPortMonitor, u"Virtual printer port for USB"},
      {"tcp", kTcpPortMonitor, u"Standard TCP/IP Port"},
      {"wsd", kWsdPortMonitor, u"WSD Port"},
      {"local", u"Local Port", u"Local Port"},
  };
  for (const auto& k : kKinds) {
    if (kind != k.kind) continue;
    out = Port{};
    out.name = name;
    out.monitor = k.monitor;
    out.description = k.description;
    out.address = address;
    return !name.empty();
  }
  return false;
}

}  // namespace plat::spooler

extern "C" {

WINBASEAPI BOOL WINAPI EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned) {
  if (!RequireRunning()) return FALSE;
  if (!IsLocalServer(pName)) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcReturned || !pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  std::vector<Port> ports = ListPorts();
  size_t size = Level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  BOOL ok = PackOut(pPort, cbBuf, pcbNeeded, [&](Packer& packer) {
    BYTE* records = packer.Fixed(size * ports.size());
    for (size_t i = 0; i < ports.size(); ++i) {
      PORT_INFO_2W r{};
      r.pPortName = packer.String(ports[i].name);
      if (Level == 2) {
        r.pMonitorName = packer.String(ports[i].monitor);
        r.pDescription = packer.String(ports[i].description);
        r.fPortType = ports[i].type;
      }
      if (records) std::memcpy(records + i * size, &r, size);
    }
  });
  if (ok) *pcReturned = static_cast<DWORD>(ports.size());
  return ok;
}

WINBASEAPI BOOL WINAPI XcvDataW(HANDLE hXcv, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus) {
  (void)pInputData;
  (void)cbInputData;
  if (!RequireRunning()) return FALSE;
  std::shared_ptr<PrinterHandle> handle = GetHandle(hXcv);
  if (!handle) return FALSE;
  if (handle->kind != PrinterHandle::Kind::XcvPort && handle->kind != PrinterHandle::Kind::XcvMonitor) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!pszDataName || !pcbOutputNeeded || !pdwStatus || (!pOutputData && cbOutputData)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcbOutputNeeded = 0;
  std::optional<Port> port = handle->kind == PrinterHandle::Kind::XcvPort ? FindPort(handle->target) : std::nullopt;
  // Only the standard TCP/IP monitor answers "IPAddress"; the USB and WSD monitors know no
  // such request.
  if (!port || port->monitor != kTcpPortMonitor || !EqualsNoCase(WideView(pszDataName), u"IPAddress")) {
    *pdwStatus = ERROR_INVALID_PARAMETER;
    return TRUE;
  }
  DWORD needed = static_cast<DWORD>((port->address.size() + 1) * sizeof(WCHAR));
  *pcbOutputNeeded = needed;
  if (cbOutputData < needed) {
    *pdwStatus = ERROR_INSUFFICIENT_BUFFER;
    return TRUE;
  }
  std::memcpy(pOutputData, port->address.c_str(), needed);
  *pdwStatus = ERROR_SUCCESS;
  return TRUE;
}

}  // extern "C"
