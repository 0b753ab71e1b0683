// The pages' warnings about combinations of settings and the favourites store's failures.
// Each is one box through ShowMessageBox, with the exclamation icon; texts and captions are
// strings of the owner's satellite library, loaded into 512 characters.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// Posters cannot be printed on both sides (string 5032, caption 5004).
int ShowPosterDuplexMessage(HWND owner);
// Kind 1: string 2068; kind 2: string 2067; other kinds an empty text. Caption 5004.
int ShowLayoutMessage(HWND owner, int kind);
// A watermark cannot go with the poster layout (string 2067, caption 5004).
int ShowWatermarkLayoutMessage(HWND owner);
// A store's failure code: -5 and -6 string 2045, -1 and -2 string 2040 (caption 2000); -3
// (the name exists) asks whether to replace it (string 5010, Yes/No); other codes show
// nothing and give 0. The button otherwise.
int ShowStoreErrorMessage(HWND owner, int code);

}  // namespace vm4k2ui
