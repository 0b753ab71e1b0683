// Printer-font substitution: the user's FontSubstitutionFile, read into the device record when
// the record is made and released with it, and the lookup that the text output asks for each
// string: a listed TrueType face is printed with a resident font of the PrinterFontTable.
// Also the engine's advance-width query for device fonts.
#pragma once

#include <cstddef>

#include <win/base.h>
#include <win/ddi.h>

#include <vm4k2/font_substitution_record.h>
#include <vm4k2/printer_font_table.h>

#include "gdi/pdev.h"

// Font numbers of substituted resident fonts are the row + this base, apart from the numbers
// of soft fonts and device fonts.
constexpr DWORD kSubstituteFontNumberBase = 10000;

// Reads the user's FontSubstitutionFile into pdev's list (nothing listed when the shell, the
// folder or the file is missing). Only whole records are kept.
void ReadFontSubstitutionFile(PDEV* pdev);
// Releases the list; the record's list is empty afterwards.
void FreeFontSubstitutions(PDEV* pdev);

// The substitution for a TrueType face (IFIMETRICS dpwszFaceName of the font being printed):
// 0 when none, else the row + kSubstituteFontNumberBase, with the row's PCL XL name (16
// characters and the NUL) copied to pclName and its symbol set in *symbolSet. The first
// record of the file whose name equals faceName exactly (UTF-16, case-sensitive) and whose row
// is not 0 decides; a row beyond the table gives none. pclName must hold at least 17 bytes;
// with less, or without faceName or symbolSet, nothing is substituted and nothing is written.
DWORD FontData_Substitute(const PDEV* pdev, const WCHAR* faceName, char* pclName, size_t pclNameCapacity,
                          DWORD* symbolSet);

// Whether a string may be printed with a substituted resident font at all: it has characters
// and every one of them is below 255. A resident font holds only those, so a string with
// anything beyond (CJK after a Latin letter) keeps its TrueType face rather than lose glyphs.
// Strings given as glyph indices carry no characters to judge; the caller keeps them off.
BOOL FontData_StringAllowsSubstitution(const WCHAR* text, ULONG count);
