// A printer user-interface library that records the document events it hears. At ENDPAGE it
// sends an escape on the DC it is given, as the print-time watermark does.
#include <cstdlib>
#include <cstring>

#include <win/gdi.h>

#include "recording_log.h"

namespace {

const char* EventName(int event) {
  switch (event) {
    case DOCUMENTEVENT_CREATEDCPRE: return "CREATEDCPRE";
    case DOCUMENTEVENT_CREATEDCPOST: return "CREATEDCPOST";
    case DOCUMENTEVENT_RESETDCPRE: return "RESETDCPRE";
    case DOCUMENTEVENT_RESETDCPOST: return "RESETDCPOST";
    case DOCUMENTEVENT_STARTDOCPRE: return "STARTDOCPRE";
    case DOCUMENTEVENT_STARTPAGE: return "STARTPAGE";
    case DOCUMENTEVENT_ENDPAGE: return "ENDPAGE";
    case DOCUMENTEVENT_ENDDOCPRE: return "ENDDOCPRE";
    case DOCUMENTEVENT_ABORTDOC: return "ABORTDOC";
    case DOCUMENTEVENT_DELETEDC: return "DELETEDC";
    case DOCUMENTEVENT_ENDDOCPOST: return "ENDDOCPOST";
    case DOCUMENTEVENT_STARTDOCPOST: return "STARTDOCPOST";
    default: return "OTHER";
  }
}

// The replacement DEVMODE handed back at CREATEDCPRE when the test asks for one; the library
// owns it, as a real one owns its copy until CREATEDCPOST.
DEVMODEW g_replacement;

}  // namespace

extern "C" __attribute__((visibility("default"))) int WINAPI DrvDocumentEvent(HANDLE, HDC hdc, int iEsc, ULONG cbIn,
                                                                              PVOID pvIn, ULONG cbOut, PVOID pvOut) {
  RecordCall("ui:%s%s", EventName(iEsc), hdc ? "" : " (no DC)");
  if (iEsc == DOCUMENTEVENT_CREATEDCPRE && std::getenv("VELMOR_RECORDING_REPLACE") && cbOut >= sizeof(PDEVMODEW)) {
    std::memset(&g_replacement, 0, sizeof(g_replacement));
    const char16_t name[] = u"replaced";
    std::memcpy(g_replacement.dmDeviceName, name, sizeof(name));
    g_replacement.dmSize = sizeof(DEVMODEW);
    *static_cast<PDEVMODEW*>(pvOut) = &g_replacement;
  }
  if (iEsc == DOCUMENTEVENT_STARTDOCPOST && cbIn == sizeof(LONG)) RecordCall("ui:job %d", *static_cast<LONG*>(pvIn));
  if (iEsc == DOCUMENTEVENT_ENDPAGE) {
    unsigned long long value = reinterpret_cast<uintptr_t>(hdc);
    int answer = ExtEscape(hdc, 6002, sizeof(value), reinterpret_cast<LPCSTR>(&value), 0, nullptr);
    RecordCall("ui:escape 6002 answered %d", answer);
  }
  return std::getenv("VELMOR_RECORDING_UNSUPPORTED") ? DOCUMENTEVENT_UNSUPPORTED : DOCUMENTEVENT_SUCCESS;
}
