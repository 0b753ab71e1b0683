// Line attributes and clip set-up of the drawing entry points: the engine's LINEATTRS and
// CLIPOBJ turned into the PCL XL pen width, dash and clip path.
#pragma once

#include <win/ddi.h>

#include "gdi/pdev.h"

// Pen width and dash of a cosmetic line. 0 for a geometric line: the engine widens those into
// an outline and fills it.
BOOL Path_SetLineAttrs(PDEV* pdev, const LINEATTRS* attrs, XFORMOBJ* transform);
// Writes the user dash of the cache (PdevGraphicsState::dash) and marks it as held.
void Path_SetLineDash(PDEV* pdev);
// The clip for an object covering `bounds`: the page, the clip's rectangle, or the clip's
// region as a path (sent once per region). Without a clip object, `rectangle` (or the page).
// FALSE when a complex clip could not be sent: the object must not be drawn with the clip the
// printer still holds, and the caller fails the call so the engine draws it piece by piece.
BOOL Clip_Set(PDEV* pdev, CLIPOBJ* clip, const RECTL* rectangle, const RECTL* bounds);
