// Filling surface slots: bitmaps from the embedded resources ("BITMAP" type)
// or from BMP files, and blank canvases.
//
// File names resolve as "%s/%s" from the display's data directory (a name that
// starts with '/' is used unchanged); a resolved path of 260 characters or
// more fails the load. Every slot surface has black (native 0) as its
// transparent colour; a bitmap is drawn into it as m x m blocks.
#pragma once
#include <cstdint>

int LoadBitmapSlot(const char* name, int32_t slot, int32_t fromFile, int32_t systemMemory);
int ReloadBitmapSlot(const char* name, int32_t slot, int32_t fromFile);
int CreateBlankSlot(int32_t width, int32_t height, int32_t slot, int32_t systemMemory);
