// The printer-driver user-interface interface: the records the spooler, the common
// property-sheet host and the XPS document converter hand a driver's user-interface library
// (DrvDocumentPropertySheets, DrvDevicePropertySheets, DrvConvertDevMode, DevQueryPrintEx,
// the driver and printer events, MxdcGetPDEVAdjustment). x64 layouts.
#pragma once

#include <win/base.h>
#include <win/devmode.h>

typedef struct _DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;

typedef struct _DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;
#define DPS_NOPERMISSION 0x0001

typedef struct _DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;

typedef struct _DRIVER_UPGRADE_INFO_1W {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
} DRIVER_UPGRADE_INFO_1W, *PDRIVER_UPGRADE_INFO_1W;

static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, hPrinter) == 8 && offsetof(DOCUMENTPROPERTYHEADER, pdmIn) == 24);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, pdmOut) == 32 && offsetof(DOCUMENTPROPERTYHEADER, cbOut) == 40);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, fMode) == 44);
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24 && offsetof(DEVICEPROPERTYHEADER, pszPrinterName) == 16);
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40);
static_assert(offsetof(DEVQUERYPRINT_INFO, pDevMode) == 16 && offsetof(DEVQUERYPRINT_INFO, pszErrorStr) == 24);
static_assert(offsetof(DEVQUERYPRINT_INFO, cchErrorStr) == 32 && offsetof(DEVQUERYPRINT_INFO, cchNeeded) == 36);
static_assert(sizeof(DRIVER_UPGRADE_INFO_1W) == 16);

// ---- DrvConvertDevMode modes ------------------------------------------------------------
#define CDM_CONVERT 0x01
#define CDM_CONVERT351 0x02
#define CDM_DRIVER_DEFAULT 0x04

// ---- Document events (DrvDocumentEvent) -------------------------------------------------
#define DOCUMENTEVENT_FIRST 1
#define DOCUMENTEVENT_CREATEDCPRE 1
#define DOCUMENTEVENT_CREATEDCPOST 2
#define DOCUMENTEVENT_RESETDCPRE 3
#define DOCUMENTEVENT_RESETDCPOST 4
#define DOCUMENTEVENT_STARTDOC 5
#define DOCUMENTEVENT_STARTPAGE 6
#define DOCUMENTEVENT_ENDPAGE 7
#define DOCUMENTEVENT_ENDDOC 8
#define DOCUMENTEVENT_ABORTDOC 9
#define DOCUMENTEVENT_DELETEDC 10
#define DOCUMENTEVENT_ESCAPE 11
#define DOCUMENTEVENT_ENDDOCPOST 12
#define DOCUMENTEVENT_STARTDOCPOST 13
#define DOCUMENTEVENT_QUERYFILTER 14
#define DOCUMENTEVENT_UNSUPPORTED 0
#define DOCUMENTEVENT_SUCCESS 1
#define DOCUMENTEVENT_FAILURE (-1)

// ---- Printer and driver events ----------------------------------------------------------
#define PRINTER_EVENT_CONFIGURATION_CHANGE 0
#define PRINTER_EVENT_ADD_CONNECTION 1
#define PRINTER_EVENT_DELETE_CONNECTION 2
#define PRINTER_EVENT_INITIALIZE 3
#define PRINTER_EVENT_DELETE 4
#define PRINTER_EVENT_CACHE_REFRESH 5
#define PRINTER_EVENT_CACHE_DELETE 6
#define PRINTER_EVENT_ATTRIBUTES_CHANGED 7
#define PRINTER_EVENT_FLAG_NO_UI 0x00000001
#define DRIVER_EVENT_INITIALIZE 0x00000001
#define DRIVER_EVENT_DELETE 0x00000002

// ---- The XPS document converter's property bag (MxdcGetPDEVAdjustment) -------------------
typedef enum {
  kPropertyTypeString = 1,
  kPropertyTypeInt32,
  kPropertyTypeInt64,
  kPropertyTypeByte,
  kPropertyTypeTime,
  kPropertyTypeDevMode,
  kPropertyTypeSD,
  kPropertyTypeNotificationReply,
  kPropertyTypeNotificationOptions,
  kPropertyTypeBuffer,
} EPrintPropertyType;

typedef struct {
  EPrintPropertyType ePropertyType;
  union {
    BYTE propertyByte;
    PWSTR propertyString;
    LONG propertyInt32;
    LONGLONG propertyInt64;
    struct {
      DWORD cbBuf;
      LPVOID pBuf;
    } propertyBlob;
  } value;
} PrintPropertyValue;

typedef struct {
  WCHAR* propertyName;
  PrintPropertyValue propertyValue;
} PrintNamedProperty;

typedef struct {
  ULONG numberOfProperties;
  PrintNamedProperty* propertiesCollection;
} PrintPropertiesCollection;

static_assert(sizeof(PrintPropertyValue) == 24 && offsetof(PrintPropertyValue, value) == 8);
static_assert(sizeof(PrintNamedProperty) == 32 && sizeof(PrintPropertiesCollection) == 16);
