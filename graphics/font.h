// The 6 x 12 resource font "TEXT_FONT" (type "FONT"), drawn on any surface.
// PutText and PutTextToSlot draw with it on the back surface and on slots;
// the shell draws the window's menu bar and About box with it directly,
// which needs no display.
#pragma once
#include <cstdint>

#include "platform/surface.h"

inline constexpr int32_t kFontWidth = 6;    // dots per character
inline constexpr int32_t kFontHeight = 12;  // dots per line

// Decodes the font on first use; 1 when it is usable.
int LoadResourceFont();

// Draws `text` with its first cell's top-left corner at (x, y), in the native
// colour given, cut to the surface; characters outside 32..127 draw nothing
// but take their cell. 1 when the font could be read (the text was drawn).
int DrawFontText(PlatformSurface* surface, int32_t x, int32_t y, const char* text, uint32_t native);
