/* Resource ids of the user-interface library's satellite libraries (vm4k2<lang>.dll). The
 * library looks strings, dialog templates and icons up by these numbers, so every language's
 * .rc uses the same ids; the numbers are fixed by the library's own code and must not change. */
#ifndef VM4K2_UI_RES_RESOURCE_H
#define VM4K2_UI_RES_RESOURCE_H

/* ---- Property page titles ---- */
#define IDS_PAGE_BASIC 106
#define IDS_PAGE_LAYOUT 126
#define IDS_PAGE_WATERMARK 142
#define IDS_PAGE_PAPER 216
#define IDS_PAGE_DEVICE 274

/* ---- Printing-preferences pages (dialog templates) ---- */
#define IDD_BASIC_PAGE 111
#define IDD_LAYOUT_PAGE 626
#define IDD_WATERMARK_PAGE 645
#define IDD_PAPER_PAGE 693

/* ---- Settings defaults ---- */
#define IDS_NO_WATERMARK 146      /* name of the "no watermark" entry, at most 32 characters */
#define IDS_DEFAULT_FAVORITE 202  /* favourite name of the defaults, at most 32 characters */
#define IDS_NEW_WATERMARK 5025    /* name and text of a watermark not yet named, at most 32 characters */

/* ---- Paper names (DC_PAPERNAMES: at most 63 characters) ---- */
#define IDS_PAPER_LETTER 108
#define IDS_PAPER_FOLIO 109
#define IDS_PAPER_LEGAL 110
#define IDS_PAPER_EXECUTIVE 111
#define IDS_PAPER_A4 116
#define IDS_PAPER_B5 118
#define IDS_PAPER_A5 119
#define IDS_PAPER_ENV_DL 120
#define IDS_PAPER_ENV_C5 121
#define IDS_PAPER_ENV_10 122
#define IDS_PAPER_ENV_MONARCH 123
#define IDS_PAPER_A6 340
#define IDS_PAPER_STATEMENT 411
#define IDS_PAPER_POSTCARD 4063
#define IDS_PAPER_16K_195X270 4064
#define IDS_PAPER_16K_184X260 4065
#define IDS_PAPER_32K_135X195 4067
#define IDS_PAPER_32K_130X184 4068
#define IDS_PAPER_ENV_B5 4069
#define IDS_PAPER_OFICIO 4070
#define IDS_PAPER_ENV_C6 4072
#define IDS_PAPER_ENV_120X230 4073
#define IDS_PAPER_ENV_B6 4074

/* ---- Paper sources (DC_BINNAMES: at most 23 characters) ---- */
#define IDS_BIN_AUTO 4017
#define IDS_BIN_MANUAL 4018
#define IDS_BIN_UPPER 4019

/* ---- Device page ---- */
#define IDD_DEVICE_PAGE 651
#define IDC_DEVICE_VERSION_LABEL 1248
#define IDC_DEVICE_SLEEP_LABEL 1249
#define IDC_DEVICE_FONT_LABEL 1252
#define IDC_DEVICE_WEB_LINK 1255
#define IDC_DEVICE_GROUP_DRIVER 1387
#define IDC_DEVICE_SLEEP_LIST 1393
#define IDC_DEVICE_GROUP_SLEEP 1444
#define IDC_DEVICE_SLEEP_NOTE 1447
#define IDC_DEVICE_VERSION 1448
#define IDC_DEVICE_FONT_SUBST 1455
#define IDS_DEVICE_VERSION_LABEL 1171
#define IDS_DEVICE_SLEEP_LABEL 1172
#define IDS_DEVICE_FONT_LABEL 1174
#define IDS_DEVICE_WEB_LINK 4080
#define IDS_SLEEP_1 4081
#define IDS_SLEEP_5 4083
#define IDS_SLEEP_15 4084
#define IDS_SLEEP_30 4085
#define IDS_DEVICE_SLEEP_NOTE 4086
#define IDS_SLEEP_60 5026
#define IDS_CAPTION_WARNING 2060
#define IDS_PRINTER_NOT_READY 5079

/* ---- Settings core: DEVMODE checks ---- */
#define IDS_HOLD_MISMATCHED_JOB 207  /* DevQueryPrintEx: why a job is held */

#endif
