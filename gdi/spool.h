// The job output buffer: every byte of a print job leaves the renderer through Spool_Write.
// Small writes gather in the PDEV's JobOutputBuffer; full blocks go to every destination the
// job's output flags select (printer, temporary spool file, overlay form file). The first
// failed write stops the job's output for good and marks the job as failed, so that its end
// can say so; nothing is reported to the user.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "gdi/pdev.h"

// Blocks this large skip the buffer and go out directly; smaller remainders always fit an
// emptied buffer.
constexpr size_t SPOOL_DIRECT_THRESHOLD = 2730;
// Largest piece handed to one WritePrinter or WriteFile call.
constexpr size_t SPOOL_MAX_PIECE = 61440;
// Spool_Printf's formatted text is cut to this many characters, as wvsprintfA cuts it.
constexpr size_t SPOOL_PRINTF_LIMIT = 1024;

// 1 when the bytes were written or buffered; 0 when the job's output has stopped (the bytes
// are dropped).
BOOL Spool_Write(PDEV* pdev, const void* bytes, size_t length);
// Formats with the printf rules wvsprintfA shares (%d %u %s %c %x %X with flags and widths)
// and writes the text without its terminator. Every PJL line goes through it.
BOOL Spool_Printf(PDEV* pdev, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes the buffered bytes out: the result of Spool_WriteOut, or 0 when nothing was held.
// The buffer is empty afterwards either way: what it held is written, or the job is stopped.
BOOL Spool_Flush(PDEV* pdev);
// Writes one block to every selected destination, the printer first: 1 when every
// destination took all of it.
BOOL Spool_WriteOut(PDEV* pdev, const void* bytes, size_t length);
// Writes straight to the job's printer, bypassing the buffer, in pieces WritePrinter takes:
// 1 when the printer accepted every byte.
BOOL Spool_WritePrinter(PDEV* pdev, const void* bytes, size_t length);

// Sets up the job's output for a new document: empty buffer of 4096 bytes, no destination,
// empty page table (an earlier table is released).
void Spool_ResetOutput(PDEV* pdev);
// Closes the current sheet into the spool page table. When the table cannot grow, nothing is
// recorded and the output position is kept, so the next record spans both sheets.
void Spool_AddPageRecord(PDEV* pdev);
// Releases the spool page table.
void Spool_FreePageTable(PDEV* pdev);
// Counts a page for the form file; after the first page, a form that takes one page only stops
// receiving output. Returns 1.
BOOL Spool_CountFormPage(PDEV* pdev);

// Mode 0: 1 when "<path>.dfd" exists (0 when the name would not fit MAX_PATH units).
// Other modes: makes every missing folder of the path's folder part (the path is cut after its
// last separator); 1 when that folder exists at the end.
BOOL Spool_MakeDirectories(const WCHAR* path, int mode);

// DrvEndDoc marks its phases here; the delivered renderer records nothing.
void Spool_EndDocHook(DWORD value);
