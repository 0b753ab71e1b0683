// Driver functions whose renderer modules are not part of this library yet. Each answers the
// failure its DDI contract names and draws nothing, so the engine treats the call as one the
// device could not do. The entries of the function table stay pinned regardless.
#include "gdi/nt/ddientry.h"

BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return FALSE; }
