// The printer-font substitution list of a device record, read from the user's
// FontSubstitutionFile when the record is made and released with it.
#pragma once

#include "gdi/pdev.h"

void ReadFontSubstitutionFile(PDEV* pdev);
void FreeFontSubstitutions(PDEV* pdev);
