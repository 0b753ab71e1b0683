// The print spooler (winspool): printers, their data and default DEVMODEs, drivers, print
// processors, monitors, ports, jobs, and the calls that reach the printer's user-interface
// library. Structures keep their x64 layouts; every call that returns records follows the
// platform's "size first, then data" protocol, with strings and DEVMODEs placed inside the
// caller's block.
#pragma once

#include <win/base.h>
#include <win/devmode.h>

typedef void* PSECURITY_DESCRIPTOR_;

// ---- Error codes of the spooler that the base list lacks ---------------------------------
#define ERROR_PRINT_CANCELLED 63L
#define ERROR_CAN_NOT_COMPLETE 1003L
#define ERROR_INVALID_USER_BUFFER 1784L
#define ERROR_PRINTER_DRIVER_ALREADY_INSTALLED 1795L
#define ERROR_SPL_NO_STARTDOC 3003L

// ---- Access rights -----------------------------------------------------------------------
#define SERVER_ACCESS_ADMINISTER 0x00000001L
#define SERVER_ACCESS_ENUMERATE 0x00000002L
#define PRINTER_ACCESS_ADMINISTER 0x00000004L
#define PRINTER_ACCESS_USE 0x00000008L
#define JOB_ACCESS_ADMINISTER 0x00000010L
#define JOB_ACCESS_READ 0x00000020L
#define PRINTER_ACCESS_MANAGE_LIMITED 0x00000040L
#define SERVER_ALL_ACCESS 0x000F0003L
#define SERVER_READ 0x00020002L
#define SERVER_WRITE 0x00020003L
#define SERVER_EXECUTE 0x00020002L
#define PRINTER_ALL_ACCESS 0x000F000CL
#define PRINTER_READ 0x00020008L
#define PRINTER_WRITE 0x00020008L
#define PRINTER_EXECUTE 0x00020008L

// ---- Enumeration flags -------------------------------------------------------------------
#define PRINTER_ENUM_DEFAULT 0x00000001
#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ENUM_CONNECTIONS 0x00000004
#define PRINTER_ENUM_FAVORITE 0x00000004
#define PRINTER_ENUM_NAME 0x00000008
#define PRINTER_ENUM_REMOTE 0x00000010
#define PRINTER_ENUM_SHARED 0x00000020
#define PRINTER_ENUM_NETWORK 0x00000040
#define PRINTER_ENUM_EXPAND 0x00004000
#define PRINTER_ENUM_CONTAINER 0x00008000
#define PRINTER_ENUM_ICON8 0x00800000

// ---- Printer attributes and status -------------------------------------------------------
#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_NETWORK 0x00000010
#define PRINTER_ATTRIBUTE_HIDDEN 0x00000020
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_ATTRIBUTE_ENABLE_DEVQ 0x00000080
#define PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS 0x00000100
#define PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST 0x00000200
#define PRINTER_ATTRIBUTE_WORK_OFFLINE 0x00000400
#define PRINTER_ATTRIBUTE_ENABLE_BIDI 0x00000800
#define PRINTER_ATTRIBUTE_RAW_ONLY 0x00001000
#define PRINTER_ATTRIBUTE_PUBLISHED 0x00002000

#define PRINTER_STATUS_PAUSED 0x00000001
#define PRINTER_STATUS_ERROR 0x00000002
#define PRINTER_STATUS_PENDING_DELETION 0x00000004
#define PRINTER_STATUS_PAPER_JAM 0x00000008
#define PRINTER_STATUS_PAPER_OUT 0x00000010
#define PRINTER_STATUS_MANUAL_FEED 0x00000020
#define PRINTER_STATUS_PAPER_PROBLEM 0x00000040
#define PRINTER_STATUS_OFFLINE 0x00000080
#define PRINTER_STATUS_IO_ACTIVE 0x00000100
#define PRINTER_STATUS_BUSY 0x00000200
#define PRINTER_STATUS_PRINTING 0x00000400
#define PRINTER_STATUS_OUTPUT_BIN_FULL 0x00000800
#define PRINTER_STATUS_NOT_AVAILABLE 0x00001000
#define PRINTER_STATUS_WAITING 0x00002000
#define PRINTER_STATUS_PROCESSING 0x00004000
#define PRINTER_STATUS_INITIALIZING 0x00008000
#define PRINTER_STATUS_WARMING_UP 0x00010000
#define PRINTER_STATUS_TONER_LOW 0x00020000
#define PRINTER_STATUS_NO_TONER 0x00040000
#define PRINTER_STATUS_PAGE_PUNT 0x00080000
#define PRINTER_STATUS_USER_INTERVENTION 0x00100000
#define PRINTER_STATUS_OUT_OF_MEMORY 0x00200000
#define PRINTER_STATUS_DOOR_OPEN 0x00400000
#define PRINTER_STATUS_SERVER_UNKNOWN 0x00800000
#define PRINTER_STATUS_POWER_SAVE 0x01000000

// SetPrinterW Command (level 0, or together with a level).
#define PRINTER_CONTROL_PAUSE 1
#define PRINTER_CONTROL_RESUME 2
#define PRINTER_CONTROL_PURGE 3
#define PRINTER_CONTROL_SET_STATUS 4

// ---- Jobs --------------------------------------------------------------------------------
#define JOB_STATUS_PAUSED 0x00000001
#define JOB_STATUS_ERROR 0x00000002
#define JOB_STATUS_DELETING 0x00000004
#define JOB_STATUS_SPOOLING 0x00000008
#define JOB_STATUS_PRINTING 0x00000010
#define JOB_STATUS_OFFLINE 0x00000020
#define JOB_STATUS_PAPEROUT 0x00000040
#define JOB_STATUS_PRINTED 0x00000080
#define JOB_STATUS_DELETED 0x00000100
#define JOB_STATUS_BLOCKED_DEVQ 0x00000200
#define JOB_STATUS_USER_INTERVENTION 0x00000400
#define JOB_STATUS_RESTART 0x00000800
#define JOB_STATUS_COMPLETE 0x00001000
#define JOB_STATUS_RETAINED 0x00002000

#define JOB_CONTROL_PAUSE 1
#define JOB_CONTROL_RESUME 2
#define JOB_CONTROL_CANCEL 3
#define JOB_CONTROL_RESTART 4
#define JOB_CONTROL_DELETE 5
#define JOB_CONTROL_SENT_TO_PRINTER 6
#define JOB_CONTROL_LAST_PAGE_EJECTED 7

#define NO_PRIORITY 0
#define MAX_PRIORITY 99
#define MIN_PRIORITY 1
#define DEF_PRIORITY 1

// ---- Drivers, ports ----------------------------------------------------------------------
#define DPD_DELETE_UNUSED_FILES 0x00000001
#define DPD_DELETE_SPECIFIC_VERSION 0x00000002
#define DPD_DELETE_ALL_FILES 0x00000004

#define PORT_TYPE_WRITE 0x0001
#define PORT_TYPE_READ 0x0002
#define PORT_TYPE_REDIRECTED 0x0004
#define PORT_TYPE_NET_ATTACHED 0x0008

// ---- DeviceCapabilitiesW indexes ---------------------------------------------------------
#define DC_FIELDS 1
#define DC_PAPERS 2
#define DC_PAPERSIZE 3
#define DC_MINEXTENT 4
#define DC_MAXEXTENT 5
#define DC_BINS 6
#define DC_DUPLEX 7
#define DC_SIZE 8
#define DC_EXTRA 9
#define DC_VERSION 10
#define DC_DRIVER 11
#define DC_BINNAMES 12
#define DC_ENUMRESOLUTIONS 13
#define DC_FILEDEPENDENCIES 14
#define DC_TRUETYPE 15
#define DC_PAPERNAMES 16
#define DC_ORIENTATION 17
#define DC_COPIES 18
#define DC_BINADJUST 19
#define DC_EMF_COMPLIANT 20
#define DC_DATATYPE_PRODUCED 21
#define DC_COLLATE 22
#define DC_MANUFACTURER 23
#define DC_MODEL 24
#define DC_PERSONALITY 25
#define DC_PRINTRATE 26
#define DC_PRINTRATEUNIT 27
#define DC_PRINTERMEM 28
#define DC_MEDIAREADY 29
#define DC_STAPLE 30
#define DC_PRINTRATEPPM 31
#define DC_COLORDEVICE 32
#define DC_NUP 33
#define DC_MEDIATYPENAMES 34
#define DC_MEDIATYPES 35

#define DCTT_BITMAP 0x0000001L
#define DCTT_DOWNLOAD 0x0000002L
#define DCTT_SUBDEV 0x0000004L
#define DCTT_DOWNLOAD_OUTLINE 0x0000008L

// ---- Structures --------------------------------------------------------------------------
typedef struct _PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  LPDEVMODEW pDevMode;
  ACCESS_MASK DesiredAccess;
} PRINTER_DEFAULTSW, *PPRINTER_DEFAULTSW, *LPPRINTER_DEFAULTSW;

typedef struct _PRINTER_INFO_1W {
  DWORD Flags;
  LPWSTR pDescription;
  LPWSTR pName;
  LPWSTR pComment;
} PRINTER_INFO_1W, *PPRINTER_INFO_1W, *LPPRINTER_INFO_1W;

typedef struct _PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  LPDEVMODEW pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  PSECURITY_DESCRIPTOR_ pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
} PRINTER_INFO_2W, *PPRINTER_INFO_2W, *LPPRINTER_INFO_2W;

typedef struct _PRINTER_INFO_4W {
  LPWSTR pPrinterName;
  LPWSTR pServerName;
  DWORD Attributes;
} PRINTER_INFO_4W, *PPRINTER_INFO_4W, *LPPRINTER_INFO_4W;

typedef struct _PRINTER_INFO_5W {
  LPWSTR pPrinterName;
  LPWSTR pPortName;
  DWORD Attributes;
  DWORD DeviceNotSelectedTimeout;
  DWORD TransmissionRetryTimeout;
} PRINTER_INFO_5W, *PPRINTER_INFO_5W, *LPPRINTER_INFO_5W;

// Level 8 is the printer's global default DEVMODE, level 9 the calling user's own.
typedef struct _PRINTER_INFO_8W {
  LPDEVMODEW pDevMode;
} PRINTER_INFO_8W, *PPRINTER_INFO_8W, *LPPRINTER_INFO_8W;

typedef struct _PRINTER_INFO_9W {
  LPDEVMODEW pDevMode;
} PRINTER_INFO_9W, *PPRINTER_INFO_9W, *LPPRINTER_INFO_9W;

typedef struct _DRIVER_INFO_1W {
  LPWSTR pName;
} DRIVER_INFO_1W, *PDRIVER_INFO_1W, *LPDRIVER_INFO_1W;

typedef struct _DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
} DRIVER_INFO_2W, *PDRIVER_INFO_2W, *LPDRIVER_INFO_2W;

typedef struct _DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;  // a list of names, each terminated, ending with an empty one
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
} DRIVER_INFO_3W, *PDRIVER_INFO_3W, *LPDRIVER_INFO_3W;

typedef struct _PORT_INFO_1W {
  LPWSTR pName;
} PORT_INFO_1W, *PPORT_INFO_1W, *LPPORT_INFO_1W;

typedef struct _PORT_INFO_2W {
  LPWSTR pPortName;
  LPWSTR pMonitorName;
  LPWSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
} PORT_INFO_2W, *PPORT_INFO_2W, *LPPORT_INFO_2W;

typedef struct _JOB_INFO_1W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pDatatype;
  LPWSTR pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
} JOB_INFO_1W, *PJOB_INFO_1W, *LPJOB_INFO_1W;

typedef struct _JOB_INFO_2W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pNotifyName;
  LPWSTR pDatatype;
  LPWSTR pPrintProcessor;
  LPWSTR pParameters;
  LPWSTR pDriverName;
  LPDEVMODEW pDevMode;
  LPWSTR pStatus;
  PSECURITY_DESCRIPTOR_ pSecurityDescriptor;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD TotalPages;
  DWORD Size;
  SYSTEMTIME Submitted;
  DWORD Time;
  DWORD PagesPrinted;
} JOB_INFO_2W, *PJOB_INFO_2W, *LPJOB_INFO_2W;

typedef struct _DOC_INFO_1W {
  LPWSTR pDocName;
  LPWSTR pOutputFile;
  LPWSTR pDatatype;
} DOC_INFO_1W, *PDOC_INFO_1W, *LPDOC_INFO_1W;

typedef struct _MONITOR_INFO_1W {
  LPWSTR pName;
} MONITOR_INFO_1W, *PMONITOR_INFO_1W, *LPMONITOR_INFO_1W;

typedef struct _MONITOR_INFO_2W {
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDLLName;
} MONITOR_INFO_2W, *PMONITOR_INFO_2W, *LPMONITOR_INFO_2W;

typedef struct _PRINTPROCESSOR_INFO_1W {
  LPWSTR pName;
} PRINTPROCESSOR_INFO_1W, *PPRINTPROCESSOR_INFO_1W, *LPPRINTPROCESSOR_INFO_1W;

// The folder records of GetPrinterDriverDirectoryW / GetPrintProcessorDirectoryW level 1
// are the bare path text.

static_assert(sizeof(PRINTER_DEFAULTSW) == 24);
static_assert(sizeof(PRINTER_INFO_1W) == 32 && offsetof(PRINTER_INFO_1W, pDescription) == 8);
static_assert(sizeof(PRINTER_INFO_2W) == 136);
static_assert(offsetof(PRINTER_INFO_2W, pDevMode) == 56 && offsetof(PRINTER_INFO_2W, pPrintProcessor) == 72);
static_assert(offsetof(PRINTER_INFO_2W, Attributes) == 104 && offsetof(PRINTER_INFO_2W, Status) == 124);
static_assert(offsetof(PRINTER_INFO_2W, cJobs) == 128 && offsetof(PRINTER_INFO_2W, AveragePPM) == 132);
static_assert(sizeof(PRINTER_INFO_4W) == 24 && offsetof(PRINTER_INFO_4W, Attributes) == 16);
static_assert(sizeof(PRINTER_INFO_5W) == 32 && offsetof(PRINTER_INFO_5W, TransmissionRetryTimeout) == 24);
static_assert(sizeof(PRINTER_INFO_8W) == 8 && sizeof(PRINTER_INFO_9W) == 8);
static_assert(sizeof(DRIVER_INFO_2W) == 48 && offsetof(DRIVER_INFO_2W, pDataFile) == 32);
static_assert(sizeof(DRIVER_INFO_3W) == 80 && offsetof(DRIVER_INFO_3W, pDependentFiles) == 56);
static_assert(offsetof(DRIVER_INFO_3W, pDefaultDataType) == 72);
static_assert(sizeof(PORT_INFO_1W) == 8);
static_assert(sizeof(PORT_INFO_2W) == 32 && offsetof(PORT_INFO_2W, fPortType) == 24);
static_assert(sizeof(JOB_INFO_1W) == 96 && offsetof(JOB_INFO_1W, Status) == 56);
static_assert(offsetof(JOB_INFO_1W, TotalPages) == 68 && offsetof(JOB_INFO_1W, Submitted) == 76);
static_assert(sizeof(JOB_INFO_2W) == 160 && offsetof(JOB_INFO_2W, pDevMode) == 80);
static_assert(offsetof(JOB_INFO_2W, Status) == 104 && offsetof(JOB_INFO_2W, Size) == 128);
static_assert(offsetof(JOB_INFO_2W, Submitted) == 132 && offsetof(JOB_INFO_2W, PagesPrinted) == 152);
static_assert(sizeof(DOC_INFO_1W) == 24);
static_assert(sizeof(MONITOR_INFO_1W) == 8 && sizeof(MONITOR_INFO_2W) == 24);
static_assert(sizeof(PRINTPROCESSOR_INFO_1W) == 8);

// ---- Printers ----------------------------------------------------------------------------
// Names: "<printer>", "\\<this computer>\<printer>", a connection "\\<server>\<printer>",
// NULL or "" for the local print server, ",XcvPort <port>" / ",XcvMonitor <monitor>" for the
// port monitors' XcvDataW channel.
WINBASEAPI BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault);
WINBASEAPI BOOL WINAPI ClosePrinter(HANDLE hPrinter);
WINBASEAPI BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
WINBASEAPI BOOL WINAPI SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command);
WINBASEAPI BOOL WINAPI EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                     LPDWORD pcbNeeded, LPDWORD pcReturned);
WINBASEAPI HANDLE WINAPI AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter);
WINBASEAPI BOOL WINAPI DeletePrinter(HANDLE hPrinter);

// Printer data. GetPrinterDataW/SetPrinterDataW address the key "PrinterDriverData".
WINBASEAPI DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                                        LPDWORD pcbNeeded);
WINBASEAPI DWORD WINAPI GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType,
                                          LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded);
WINBASEAPI DWORD WINAPI SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData);
WINBASEAPI DWORD WINAPI SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type,
                                          LPBYTE pData, DWORD cbData);
WINBASEAPI DWORD WINAPI DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName);
WINBASEAPI DWORD WINAPI DeletePrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName);

// ---- Drivers, print processors, monitors -------------------------------------------------
// Environments: NULL (this machine's, "Windows x64") or a name such as "Windows NT x86".
WINBASEAPI BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                         DWORD cbBuf, LPDWORD pcbNeeded);
WINBASEAPI BOOL WINAPI EnumPrinterDriversW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                           DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
WINBASEAPI BOOL WINAPI AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo);
WINBASEAPI BOOL WINAPI DeletePrinterDriverW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName);
WINBASEAPI BOOL WINAPI DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName,
                                              DWORD dwDeleteFlag, DWORD dwVersionFlag);
WINBASEAPI BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                  LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded);
WINBASEAPI BOOL WINAPI GetPrintProcessorDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                   LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded);
WINBASEAPI BOOL WINAPI EnumPrintProcessorsW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                            LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded,
                                            LPDWORD pcReturned);
WINBASEAPI BOOL WINAPI AddPrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPathName,
                                          LPWSTR pPrintProcessorName);
WINBASEAPI BOOL WINAPI DeletePrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPrintProcessorName);
WINBASEAPI BOOL WINAPI EnumMonitorsW(LPWSTR pName, DWORD Level, LPBYTE pMonitor, DWORD cbBuf, LPDWORD pcbNeeded,
                                     LPDWORD pcReturned);
WINBASEAPI BOOL WINAPI AddMonitorW(LPWSTR pName, DWORD Level, LPBYTE pMonitors);
WINBASEAPI BOOL WINAPI DeleteMonitorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pMonitorName);

// ---- Ports -------------------------------------------------------------------------------
WINBASEAPI BOOL WINAPI EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned);
// On a ",XcvPort <port>" handle. The call's result says whether the monitor was reached;
// *pdwStatus holds the monitor's own answer (ERROR_INSUFFICIENT_BUFFER with the needed size).
WINBASEAPI BOOL WINAPI XcvDataW(HANDLE hXcv, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus);

// ---- Jobs --------------------------------------------------------------------------------
WINBASEAPI DWORD WINAPI StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo);
WINBASEAPI BOOL WINAPI StartPagePrinter(HANDLE hPrinter);
WINBASEAPI BOOL WINAPI WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
WINBASEAPI BOOL WINAPI EndPagePrinter(HANDLE hPrinter);
WINBASEAPI BOOL WINAPI EndDocPrinter(HANDLE hPrinter);
WINBASEAPI BOOL WINAPI AbortPrinter(HANDLE hPrinter);
WINBASEAPI BOOL WINAPI EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                                 LPDWORD pcbNeeded, LPDWORD pcReturned);
WINBASEAPI BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                               LPDWORD pcbNeeded);
WINBASEAPI BOOL WINAPI SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command);

// ---- Calls that reach the printer's user-interface library -------------------------------
// Both load the driver's configuration file through LoadLibraryW in the calling process.
// DocumentPropertiesW with fMode 0 answers the size of the driver's DEVMODE; with DM_IN_PROMPT
// it shows the driver's pages through the common property-sheet host and answers IDOK or
// IDCANCEL as the user closed the sheet.
WINBASEAPI LONG WINAPI DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pDevModeOutput,
                                           PDEVMODEW pDevModeInput, DWORD fMode);
// The printer's device pages (DrvDevicePropertySheets) through the common property-sheet host;
// TRUE when the sheet was shown.
WINBASEAPI BOOL WINAPI PrinterPropertiesW(HWND hWnd, HANDLE hPrinter);
WINBASEAPI int WINAPI DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR pPort, WORD fwCapability, LPWSTR pOutput,
                                          const DEVMODEW* pDevMode);

// ---- spoolss.dll: the spooler's impersonation of the calling client -----------------------
// RevertToPrinterSelf returns the client's token (a handle), ImpersonatePrinterClient takes
// it back and closes it.
WINBASEAPI HANDLE WINAPI RevertToPrinterSelf(void);
WINBASEAPI BOOL WINAPI ImpersonatePrinterClient(HANDLE hToken);
