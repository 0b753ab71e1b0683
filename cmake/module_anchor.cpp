// A module's code lives in its static core library, linked in whole; this file only gives
// the module target a source of its own.
