// RenderDevmode: the renderer's own settings record, 14900 bytes: the public DEVMODEW followed
// by a 14680-byte private part. The device record keeps the merged copy that drawing and job
// control read and a job copy taken at the job start; the private escapes hand parts of it to
// the user-interface library, and a DEVMODE of this form may come back in through CreateDC, so
// every offset below is a stored contract (private offsets count from dmPrivate).
//
// The record is built in three steps: defaults (Devmode_SetDefaults), the user interface's
// UiDevmode converted into an otherwise zero record (Devmode_ConvertFromUi), and the merge
// (Devmode_Merge), which takes each field and each section of the converted record only when
// its checks pass, so the renderer's defaults stand for everything the conversion leaves out.
//
// Offsets that nothing fixed from outside and that this module chose:
//   - 7      the job-handling byte (1..3 disable the job; the PJL header reports it);
//   - 148    the per-paper margin table (49 rows of left/top/right/bottom dots, row = index of
//            the paper in the 37-row model list), switched on by byte 136;
//   - 556    the sheet-end font switch word of the page flow;
//   - 13606  the black-conversion setting of the device group (0..3);
//   - 13628  the job id that DrvStartDoc copies into the settings;
//   - 11252  the paper-by-media matrix (inside the address-list section, after its 16 entries);
//   - 11474  the six 8-byte form-slot entries of overlay forms (in the address-list section's
//            reserved tail, so that they travel with that section through the merge).
// Each is zero in every record the conversion builds and in the defaults (the matrix is
// written by every merge). Unused and free: 10-11, 1840-1855, 1883-1887, 13556-13587,
// 13609-13611, 13632-13633, 14658-14659, 14661-14663, 14677-14679.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>
#include <win/devmode.h>

#include <vm4k2/wmarkdata.h>

using vm4k2::WMARKDATA;

struct PDEV;

constexpr size_t RENDER_PUBLIC_BYTES = 220;
constexpr size_t RENDER_PRIVATE_BYTES = 14680;
constexpr size_t RENDER_DEVMODE_SIZE = RENDER_PUBLIC_BYTES + RENDER_PRIVATE_BYTES;
constexpr WORD RENDER_SPEC_VERSION = 0x401;
constexpr WORD RENDER_DRIVER_VERSION = 0x500;
constexpr DWORD RENDER_PRIVATE_SIGNATURE = 0x56495250;  // 'PRIV' as a little-endian DWORD
constexpr DWORD RENDER_DEFAULT_FIELDS = 0x9F13;
constexpr DWORD RENDER_DUMP_FLAGS = 0x20E;        // every merge; bit 0x80 (dump) stays clear
constexpr DWORD RENDER_DUMP_REQUEST = 0x80;
constexpr BYTE RENDER_MERGE_FLAGS_14660 = 0x8C;   // bits every merge adds to byte 14660
constexpr size_t RENDER_CUSTOM_SLOTS = 20;
constexpr SHORT RENDER_CUSTOM_FIRST_ID = 257;     // custom slot i holds paper id 257 + i
constexpr SHORT RENDER_CUSTOM_LAST_ID = 276;
constexpr size_t RENDER_MODEL_PAPERS = 37;
constexpr size_t RENDER_MEDIA_TYPES = 6;
constexpr size_t RENDER_MARGIN_ROWS = 49;
constexpr size_t RENDER_ADDRESS_ENTRIES = 16;
constexpr size_t RENDER_NAME_UNITS = 256;         // form name, overlay file, dump file names
constexpr size_t RENDER_FORM_SLOTS = 6;
constexpr size_t RENDER_FORM_SLOT_BYTES = 8;
constexpr size_t RENDER_FORM_SLOTS_OFFSET = 11474;  // private offset of the form-slot entries

// Media types of PAPER_DLG.wMediaType.
enum RenderMediaType : WORD {
  RMT_PLAIN = 0,
  RMT_TOUGH = 1,
  RMT_ENVELOPE = 2,
  RMT_CARDSTOCK = 3,
  RMT_LABELS = 4,
  RMT_TRANSPARENCY = 5,
};

// ---- Sections ------------------------------------------------------------------------------

struct NUPDLG {                 // private 100
  DWORD bNupFlags;              // NUP_FLAG_BORDERS
  BYTE bNupNum;                 // pages per sheet: 1, 2, 4, 8 or 16
  BYTE bNupPageOrder;           // 0..3
  BYTE reserved[2];
};
constexpr DWORD NUP_FLAG_BORDERS = 4;

struct POSTER_DLG {             // private 108
  DWORD wPosterType;            // 0 2 x 2, 1 3 x 3, 2 4 x 4
  DWORD bCropMarks;
};

// Position and margin table (private 116, 424 bytes). Byte 136 switches the per-paper margins
// on; nothing the system builds sets it.
struct MarginRow {
  SHORT left, top, right, bottom;  // 600-dpi dots, 0..1181
};
struct POSITION_TABLE {
  WORD reserved116;
  BYTE bPosition118;            // default 1
  BYTE reserved119[17];
  BYTE bPerPaperMargins;        // private 136
  BYTE reserved137[11];
  MarginRow rows[RENDER_MARGIN_ROWS];  // private 148
};

struct SCAL_DLG {               // private 540
  BYTE ISFSet;                  // 1: zoom by SRatio
  BYTE reserved;
  SHORT SRatio;                 // percent, 25..400
  SHORT FtoPaper;               // fit-to paper id, 0 none
  WORD byFullPage;
};

struct PAPER_DLG {              // private 548
  SHORT sPaperId;               // the paper id before mapping
  BYTE bOrientation;
  BYTE reserved551;
  WORD wMediaType;              // RenderMediaType
  WORD reserved554;
  WORD wKeepFontsOff;           // private 556: non-zero drops soft fonts at every sheet end
  WORD reserved558;
};

// One custom paper slot (private 560 + 64 x i), for paper id 257 + i.
struct CUSTOM_PAPER_SLOT {
  WORD wCustomPaper;            // 1 for a custom paper
  WORD reserved2;
  DWORD dwCustomPaperId;        // the user interface's id (287..303)
  DWORD dwCustomLength;         // tenths of a millimetre
  DWORD dwCustomWidth;
  DWORD dwCustomWidthDots;      // 600-dpi dots
  DWORD dwCustomLengthDots;
  BYTE reserved24[40];
};

struct BOOKLET_DLG {            // private 1856
  SHORT sBooklet0;              // not negative
  BYTE reserved2[2];
  BYTE bBookletMode;            // private 1860: 0 one booklet, 1 of bBookletCount sheets, 2 of 200 pages
  BYTE bBookletCount;           // private 1861: 1..50, default 5
  WORD reserved6;
  SHORT sBooklet8;              // private 1864, not negative
  WORD reserved10;
  SHORT sBooklet12;             // private 1868, not negative, default 1
  WORD reserved14;
  LONG lGutter;                 // private 1872: 0..1181
  BYTE bLetterDefault;          // private 1876: 1 when the default paper is Letter
  BYTE reserved21[3];
};

struct OVERLAY_DLG {            // private 1890
  BYTE bOverlay;                // 0 none, 2 create a form from this job, other: print a form
  BYTE reserved;
  WCHAR szFormName[RENDER_NAME_UNITS];
  WCHAR OverlayFile[RENDER_NAME_UNITS];
};
constexpr BYTE OVERLAY_CREATE = 2;

struct IMAGE_ADJUST {           // private 2916
  BYTE bResolution;             // 0 600 dpi, 1 1200 dpi
  BYTE bImageAdjustMode;        // 0..2
  BYTE bImageType[2];           // 0..2, 0..3
  BYTE bApplyElements;          // 0..1
  BYTE bDocumentElement;        // 0..2
  BYTE bAdjustBalance;          // 0..1
  BYTE bTargetColor;            // 0..3
  BYTE bProfile;                // 0..2
  BYTE bColorTemperature;       // 0..2
  BYTE bGammaCorrection;        // 0..4
  BYTE bImageInputIndex;        // 0..2
  BYTE bScreenType;             // 0..3
  BYTE reserved13[3];
  SHORT sBrightness[4];         // the twelve adjustment values, -100..100
  SHORT sContrast[4];
  SHORT sSaturation[4];
  signed char cHighlights[4];   // the twelve tone values, -3..3
  signed char cMidtones[4];
  signed char cShadows[4];
  BYTE reserved52[4];
  CHAR szMonitor[256];          // profile names, 8-bit, terminated within the field
  CHAR szInputImage[256];
};

struct HEADER_ITEM {
  SHORT on;
  SHORT position;               // 0..5
};
struct HEADER_FOOTER {          // private 6720
  WCHAR szTypeFace[32];         // default "Times New Roman"
  SHORT sFontSize;              // default 9
  BYTE bBold;
  BYTE bItalic;
  COLORREF crColor;
  HEADER_ITEM items[6];
  BYTE reserved96[1000];
};

struct ADDRESS_ENTRY {
  WCHAR szName[32];
  WCHAR szAddress[32];
};
struct ADDRESS_LIST {           // private 9148
  WCHAR szListName[26];         // at most 25 characters
  WORD wCount;                  // 0..16
  WORD reserved54;
  ADDRESS_ENTRY entries[RENDER_ADDRESS_ENTRIES];
  // 'o' (allowed) or 'x' per model paper row and media type; rebuilt by every merge.
  CHAR bPaperMediaMatrix[RENDER_MODEL_PAPERS][RENDER_MEDIA_TYPES];
  BYTE reserved2326[2082];
};

struct DEVICE_GROUP {           // private 13588
  BYTE bDevice0;                // default 1, 0..1
  BYTE reserved1[3];
  DWORD dwUiExtra1;             // non-zero: no printer-font substitution
  DWORD dwUiExtra2;             // non-zero: TrueType text as bitmap soft fonts
  BYTE bUiExtra3;               // default device font: 0 Arial, 1 Courier (default 1)
  BYTE reserved13;
  WORD wUiExtra4;               // its size in tenths of a point, 50..240 (default 95)
  WORD wDevice16;               // private 13604: 0..8, default 2
  BYTE bBlackConversion;        // private 13606: 0..3
  BYTE bDevice19;               // private 13607: 0..1
  BYTE bDevice20;               // private 13608: 0..1
  BYTE reserved21[3];
};

struct RenderPrivate {
  BYTE bPrivFlag0;              // default 1; 1..2
  BYTE bPrivFlag1;
  BYTE bDocumentStyle;          // DOCUMENTSTYLE: 0 none, 1 short-edge, 2 long-edge duplex
  BYTE bBooklet;                // booklet playback
  WORD wPaperSource;            // 0 automatic, 1 manual feed, 2 upper tray
  BYTE bFirstPageOnly;          // the watermark prints on the first page only
  BYTE bJobHandling;            // 1..3 are refused by the job header
  WORD wPrivWord8;              // default 25; 0..31
  BYTE reserved10[2];
  DWORD dwPrivWord12;           // crosses every merge
  DWORD dwSignature;            // RENDER_PRIVATE_SIGNATURE
  WCHAR szPrivName[40];         // default "Standard", at most 39 characters
  NUPDLG nup;
  POSTER_DLG poster;
  POSITION_TABLE position;
  SCAL_DLG scale;
  PAPER_DLG paper;
  CUSTOM_PAPER_SLOT custom[RENDER_CUSTOM_SLOTS];
  BYTE reserved1840[16];
  BOOKLET_DLG booklet;
  BYTE bPosterLayout;           // private 1880
  BYTE bRotate180;              // 1 landscape, 2 portrait, 3 always
  BYTE bPriv1882;               // 0..2
  BYTE reserved1883[5];
  BYTE bA5L;                    // both set: A5 fed landscape
  BYTE bA5L2;
  OVERLAY_DLG overlay;
  IMAGE_ADJUST image;
  WMARKDATA wmark;
  HEADER_FOOTER header;
  BYTE bExtra[1328];            // private 7816; first word 1 by default (ESC_DM_GETEXTRA)
  BYTE reserved9144[4];
  ADDRESS_LIST address;
  BYTE reserved13556[32];
  DEVICE_GROUP device;
  DWORD dwUiWord10;             // private 13612: non-zero plays the sheets in reverse order
  WORD wDensity;                // 0, 1, 2
  WORD reserved13618;
  DWORD dwHighResolution;       // 1: 1200 dpi asked for
  DWORD dwDumpFlags;            // RENDER_DUMP_FLAGS after every merge
  DWORD dwJobId;                // private 13628
  WORD reserved13632;
  WCHAR szDumpFile[RENDER_NAME_UNITS];   // "c:\ui.txt"
  WCHAR szDumpFile2[RENDER_NAME_UNITS];  // "c:\text.txt"
  WORD reserved14658;
  BYTE bFlags14660;             // every merge adds RENDER_MERGE_FLAGS_14660; bit 0x1 drops fonts
  BYTE reserved14661[3];
  DWORD dwPriv14664[2];         // default 100 each
  DWORD dwPriv14672;            // default 100
  BYTE bHighResolution;         // private 14676: 1 for 1200 dpi
  BYTE reserved14677[3];
};

struct RenderDevmode {
  DEVMODEW dmPublic;
  RenderPrivate dmPrivate;
};

static_assert(sizeof(NUPDLG) == 8 && sizeof(POSTER_DLG) == 8 && sizeof(POSITION_TABLE) == 424);
static_assert(sizeof(SCAL_DLG) == 8 && sizeof(PAPER_DLG) == 12 && sizeof(CUSTOM_PAPER_SLOT) == 64);
static_assert(sizeof(BOOKLET_DLG) == 24 && sizeof(OVERLAY_DLG) == 1026 && sizeof(IMAGE_ADJUST) == 568);
static_assert(sizeof(HEADER_FOOTER) == 1096 && sizeof(ADDRESS_LIST) == 4408 && sizeof(DEVICE_GROUP) == 24);
static_assert(sizeof(ADDRESS_ENTRY) == 128 && sizeof(WMARKDATA) == 3236);
static_assert(sizeof(RenderPrivate) == RENDER_PRIVATE_BYTES);
static_assert(sizeof(RenderDevmode) == 14900);
static_assert(offsetof(RenderDevmode, dmPrivate) == RENDER_PUBLIC_BYTES);

static_assert(offsetof(RenderPrivate, bPrivFlag0) == 0);
static_assert(offsetof(RenderPrivate, bPrivFlag1) == 1);
static_assert(offsetof(RenderPrivate, bDocumentStyle) == 2);
static_assert(offsetof(RenderPrivate, bBooklet) == 3);
static_assert(offsetof(RenderPrivate, wPaperSource) == 4);
static_assert(offsetof(RenderPrivate, bFirstPageOnly) == 6);
static_assert(offsetof(RenderPrivate, bJobHandling) == 7);
static_assert(offsetof(RenderPrivate, wPrivWord8) == 8);
static_assert(offsetof(RenderPrivate, dwPrivWord12) == 12);
static_assert(offsetof(RenderPrivate, dwSignature) == 16);
static_assert(offsetof(RenderPrivate, szPrivName) == 20);
static_assert(offsetof(RenderPrivate, nup) == 100);
static_assert(offsetof(RenderPrivate, nup.bNupFlags) == 100);
static_assert(offsetof(RenderPrivate, nup.bNupNum) == 104);
static_assert(offsetof(RenderPrivate, nup.bNupPageOrder) == 105);
static_assert(offsetof(RenderPrivate, poster) == 108);
static_assert(offsetof(RenderPrivate, poster.wPosterType) == 108);
static_assert(offsetof(RenderPrivate, poster.bCropMarks) == 112);
static_assert(offsetof(RenderPrivate, position) == 116);
static_assert(offsetof(RenderPrivate, position.bPosition118) == 118);
static_assert(offsetof(RenderPrivate, position.bPerPaperMargins) == 136);
static_assert(offsetof(RenderPrivate, position.rows) == 148);
static_assert(offsetof(RenderPrivate, scale) == 540);
static_assert(offsetof(RenderPrivate, scale.ISFSet) == 540);
static_assert(offsetof(RenderPrivate, scale.SRatio) == 542);
static_assert(offsetof(RenderPrivate, scale.FtoPaper) == 544);
static_assert(offsetof(RenderPrivate, scale.byFullPage) == 546);
static_assert(offsetof(RenderPrivate, paper) == 548);
static_assert(offsetof(RenderPrivate, paper.sPaperId) == 548);
static_assert(offsetof(RenderPrivate, paper.bOrientation) == 550);
static_assert(offsetof(RenderPrivate, paper.wMediaType) == 552);
static_assert(offsetof(RenderPrivate, paper.wKeepFontsOff) == 556);
static_assert(offsetof(RenderPrivate, custom) == 560);
static_assert(offsetof(RenderPrivate, custom[0].wCustomPaper) == 560);
static_assert(offsetof(RenderPrivate, custom[0].dwCustomPaperId) == 564);
static_assert(offsetof(RenderPrivate, custom[0].dwCustomLength) == 568);
static_assert(offsetof(RenderPrivate, custom[0].dwCustomWidth) == 572);
static_assert(offsetof(RenderPrivate, custom[0].dwCustomWidthDots) == 576);
static_assert(offsetof(RenderPrivate, custom[0].dwCustomLengthDots) == 580);
static_assert(offsetof(RenderPrivate, custom[1]) == 624);
static_assert(offsetof(RenderPrivate, booklet) == 1856);
static_assert(offsetof(RenderPrivate, booklet.bBookletMode) == 1860);
static_assert(offsetof(RenderPrivate, booklet.bBookletCount) == 1861);
static_assert(offsetof(RenderPrivate, booklet.sBooklet8) == 1864);
static_assert(offsetof(RenderPrivate, booklet.sBooklet12) == 1868);
static_assert(offsetof(RenderPrivate, booklet.lGutter) == 1872);
static_assert(offsetof(RenderPrivate, booklet.bLetterDefault) == 1876);
static_assert(offsetof(RenderPrivate, bPosterLayout) == 1880);
static_assert(offsetof(RenderPrivate, bRotate180) == 1881);
static_assert(offsetof(RenderPrivate, bPriv1882) == 1882);
static_assert(offsetof(RenderPrivate, bA5L) == 1888);
static_assert(offsetof(RenderPrivate, bA5L2) == 1889);
static_assert(offsetof(RenderPrivate, overlay) == 1890);
static_assert(offsetof(RenderPrivate, overlay.szFormName) == 1892);
static_assert(offsetof(RenderPrivate, overlay.OverlayFile) == 2404);
static_assert(offsetof(RenderPrivate, image) == 2916);
static_assert(offsetof(RenderPrivate, wmark) == 3484);
static_assert(offsetof(RenderPrivate, wmark.wmString) == 3486);
static_assert(offsetof(RenderPrivate, wmark.wmColorRef) == 4532);
static_assert(offsetof(RenderPrivate, wmark.wmTypeFace) == 4542);
static_assert(offsetof(RenderPrivate, wmark.wmFontSize) == 4606);
static_assert(offsetof(RenderPrivate, wmark.wmVert) == 4612);
static_assert(offsetof(RenderPrivate, wmark.wmHori) == 4614);
static_assert(offsetof(RenderPrivate, wmark.wmAngle) == 4618);
static_assert(offsetof(RenderPrivate, wmark.wmModify) == 4621);
static_assert(offsetof(RenderPrivate, wmark.wmItalic) == 4624);
static_assert(offsetof(RenderPrivate, wmark.wmBold) == 4625);
static_assert(offsetof(RenderPrivate, header) == 6720);
static_assert(offsetof(RenderPrivate, bExtra) == 7816);
static_assert(offsetof(RenderPrivate, address) == 9148);
static_assert(offsetof(RenderPrivate, address.bPaperMediaMatrix) == 11252);
static_assert(offsetof(RenderPrivate, address.reserved2326) == RENDER_FORM_SLOTS_OFFSET &&
              RENDER_FORM_SLOTS * RENDER_FORM_SLOT_BYTES <= sizeof(ADDRESS_LIST::reserved2326));
static_assert(offsetof(RenderPrivate, device) == 13588);
static_assert(offsetof(RenderPrivate, device.dwUiExtra1) == 13592);
static_assert(offsetof(RenderPrivate, device.dwUiExtra2) == 13596);
static_assert(offsetof(RenderPrivate, device.bUiExtra3) == 13600);
static_assert(offsetof(RenderPrivate, device.wUiExtra4) == 13602);
static_assert(offsetof(RenderPrivate, device.wDevice16) == 13604);
static_assert(offsetof(RenderPrivate, device.bBlackConversion) == 13606);
static_assert(offsetof(RenderPrivate, device.bDevice19) == 13607);
static_assert(offsetof(RenderPrivate, device.bDevice20) == 13608);
static_assert(offsetof(RenderPrivate, dwUiWord10) == 13612);
static_assert(offsetof(RenderPrivate, wDensity) == 13616);
static_assert(offsetof(RenderPrivate, dwHighResolution) == 13620);
static_assert(offsetof(RenderPrivate, dwDumpFlags) == 13624);
static_assert(offsetof(RenderPrivate, dwJobId) == 13628);
static_assert(offsetof(RenderPrivate, szDumpFile) == 13634);
static_assert(offsetof(RenderPrivate, szDumpFile2) == 14146);
static_assert(offsetof(RenderPrivate, bFlags14660) == 14660);
static_assert(offsetof(RenderPrivate, dwPriv14664) == 14664);
static_assert(offsetof(RenderPrivate, dwPriv14672) == 14672);
static_assert(offsetof(RenderPrivate, bHighResolution) == 14676);

// ---- Operations ----------------------------------------------------------------------------

// The renderer's defaults for a device name (or none); A4 or Letter by the user's locale.
void Devmode_SetDefaults(RenderDevmode* devmode, LPCWSTR deviceName);
// The dmSpecVersion that a DEVMODE's size stands for: 188 -> 0x320, 212 -> 0x400,
// 220 -> 0x401, any other size its own dmSpecVersion; no DEVMODE -> 0.
WORD CheckDevmodeVersion(const DEVMODEW* devmode);
// Merges a validated input into the target: 1 when merged or without input, 0 when the input
// is refused (the target is then unchanged). An out-of-range scale is noted in pdev's error
// record when a device record is given.
BOOL Devmode_Merge(RenderDevmode* target, const RenderDevmode* input, PDEV* pdev = nullptr);
// The field and section checks of the merge; only Devmode_Merge calls it.
void Devmode_Validate(RenderDevmode* target, const RenderDevmode* input, PDEV* pdev);
// True (A4) unless the user's default locale has country code 1, 2, 50..59 or 500..599, or
// cannot be read (Letter).
bool Devmode_IsMetricLocale();
// The folder of the overlay form files, written into OVERLAY_DLG's form name and copied into
// OverlayFile; both are left empty when the folder would not fit the fields.
void Devmode_GetFormsFolder(OVERLAY_DLG* overlay);
// Converts the user interface's UiDevmode into the zeroed output. FALSE (output untouched)
// when the input is missing, not a UiDevmode, or has no device name. The caller guarantees that
// dmSize + dmDriverExtra bytes of the input are readable.
BOOL Devmode_ConvertFromUi(const DEVMODEW* input, RenderDevmode* output);
// The device context's settings from the DEVMODE it was created with: defaults for the device
// name, then the converted input merged in, or no input when nothing converted (so a
// public-only, foreign or missing DEVMODE leaves the defaults). Answers Devmode_Merge's result.
BOOL Devmode_BuildSettings(RenderDevmode* settings, const DEVMODEW* input, LPCWSTR deviceName,
                           PDEV* pdev = nullptr);
