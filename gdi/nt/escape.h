// The renderer's escapes: DrvEscape and DrvDrawEscape (declared with the other driver functions
// in gdi/nt/ddientry.h). Any application can send these through ExtEscape on the printer DC, so
// every buffer is checked before it is read or written; the codes and the records they carry
// are in include/vm4k2/escapes.h.
#pragma once

#include <vm4k2/escapes.h>

#include "gdi/nt/ddientry.h"
#include "gdi/pdev.h"

// The answer to QUERYESCSUPPORT about SETCOPYCOUNT: the largest copy count.
constexpr ULONG ESCAPE_MAX_COPIES = 999;

// TRUE for the 21 codes DrvEscape answers.
BOOL Escape_IsSupported(ULONG code);

// ---- Form parts (overlay forms) ------------------------------------------------------------------
// The steps of the three form-part escapes. DrvEscape has checked the PDEV, the document and
// the sizes, and set (BEGINPART) or cleared (ENDPART) JF_FORM_PART_OPEN before the call.
void Form_BeginPart(PDEV* pdev);
void Form_EndPart(PDEV* pdev);
// Only with the whole 12-byte input; a missing or short one places nothing.
void Form_Place(PDEV* pdev, const vm4k2::FormPlacement& placement);
