// The settings dump: a text file with the public part and chosen private fields of a
// RenderDevmode, one labelled line each, so that the settings a job printed with can be read
// by a person. Written only when the settings' dwDumpFlags ask for it (bit 0x80).
#pragma once

#include <win/ddi.h>

#include "gdi/pdev.h"

constexpr DWORD DUMP_SETTINGS_FLAG = 0x80;  // dwDumpFlags bit asking for the dump

// Writes the dump of `settings` to `fileName` (a UTF-16 path of at most the settings' dump-name
// field), replacing any file of that name. A file that cannot be created is traced and nothing
// is written; write errors are ignored: the dump never stops a job.
void DumpUISetting(PDEV* pdev, HDEV hdev, const RenderDevmode* settings, const WCHAR* fileName);
