// Overlay forms: a job whose settings ask to create a form (bOverlay 2) keeps its first sheet in
// a form file of the forms folder; a job whose settings name a stored form (any other non-zero
// bOverlay) prints that form under every sheet. A forms application cuts a creation job into
// parts for the six page slots, and places parts of other jobs, with the form-part escapes.
//
// The form file holds exactly the marker, the header and the first sheet (BeginPage ...
// EndPage): the job header, the session and the trailer never reach it, so that a created form
// can be read back. A creation job is capture-only: nothing of it reaches the printer.
#pragma once

#include <win/base.h>

#include "gdi/formfile.h"
#include "gdi/pdev.h"

constexpr BYTE OVERLAY_NONE = 0;

// Outcomes of Form_BuildPath.
enum FormPathResult : int {
  FORM_PATH_OK = 0,
  FORM_PATH_BAD_NAME,     // empty, a control character, '*' or '?'
  FORM_PATH_NO_FOLDER,    // the forms folder's environment variable is missing or empty
  FORM_PATH_TOO_LONG,     // the path with ".dfd" would not fit the 256-unit name fields
};

// The full path of a form (without ".dfd") from the settings' form name: a name that begins with
// a blank or has ':' second is used as it is; any other goes after the forms folder
// (PUBLIC when the system's major version is 6, ALLUSERSPROFILE + "\Documents" otherwise, then
// "\Halvard\Form") and a '\' unless it begins with one. `path` holds RENDER_NAME_UNITS units
// and is written only with FORM_PATH_OK.
FormPathResult Form_BuildPath(const WCHAR* name, WCHAR* path);

// Job opening, before the destinations are chosen: builds the path into the job's form name and
// OverlayFile and answers JOF_FORM_CREATE (bOverlay 2), JOF_STORED_FORM (a stored form that
// exists) or 0.
DWORD Form_PrepareJob(PDEV* pdev);
// The job copy of the settings was taken again (the first page, a reset of the device context):
// the form path built at the job's opening goes back into its form name and OverlayFile, so that
// the copy names the file the job creates or prints, as the opening left it.
void Form_KeepPathInJobCopy(PDEV* pdev);
// Job opening, once the destinations are chosen (`spooled`: the job goes to a spool file for
// playback): creates the form file, or opens and reads the stored form. A stored form that cannot
// be used clears JOF_STORED_FORM; a form file that cannot be made leaves the job without one.
void Form_OpenFiles(PDEV* pdev, bool spooled);

// The first sheet of a direct creation job starts (the job header record is closed): the form
// destination opens with the marker and the header.
void Form_StartSheet(PDEV* pdev);
// The first logical page's set-up is out: where the form body starts, for the slot parts.
void Form_NotePageStart(PDEV* pdev);
// A sheet ended (its EndPage written and flushed): the form destination closes.
void Form_EndSheet(PDEV* pdev);
// The end of a creation job: the header written again at offset 17 with the page values, and
// with the part and slot data when a slot is configured; the file pointer back at the end.
void Spool_WriteOverlayTrailer(PDEV* pdev);
// Releases the job's form files.
void Form_CloseFiles(PDEV* pdev);

// A stored form goes onto each played sheet through Spool_PlaceStoredForm (gdi/spoolplay.h):
// PushGS, the form's transform, its body or its parts, PopGS, through the job output.

// The steps of the form-part escapes, Form_BeginPart, Form_EndPart and Form_Place, are declared
// with DrvEscape (gdi/nt/escape.h), which checks the call and sets or clears the form-part-open
// flag before them.
