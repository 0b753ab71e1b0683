// Checks of the number texts the user types into the pages' and dialogs' edits. The numeric
// edit wrappers (dialog_items.h) and the custom paper dialog read every edit through these.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// Removes leading and trailing blanks (U+0020) and ideographic spaces (U+3000) in place; an
// all-blank text becomes empty. Returns `text`; nullptr is accepted.
WCHAR* TrimBlanks(WCHAR* text);

// Digits only, with an optional leading "-" (a lone "-" is refused). Empty is accepted.
bool IsSignedIntegerText(const WCHAR* text);
// Digits only. Empty is accepted.
bool IsUnsignedIntegerText(const WCHAR* text);
// Digits with at most one "."; a leading "." is refused. Empty is accepted.
bool IsDecimalText(const WCHAR* text);
// The characters after the decimal separator ("," when the user interface uses the decimal
// comma, "." otherwise); 0 when the text starts with it or has none.
int CountDecimals(const WCHAR* text);
// Every "." becomes "," and back, in place. Return `text`; nullptr is accepted.
WCHAR* DotsToCommas(WCHAR* text);
WCHAR* CommasToDots(WCHAR* text);

}  // namespace vm4k2ui
