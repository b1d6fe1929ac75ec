// Text on any surface in the 6 x 12 resource font, for what the program
// draws into the window's canvas outside the game picture (menu bar, About
// box). Unlike graphics' PutText it needs no display and no text font set.
#pragma once
#include <cstdint>

#include "platform/surface.h"

inline constexpr int32_t kWindowTextWidth = 6;    // dots per character
inline constexpr int32_t kWindowTextHeight = 12;  // dots per line

// Draws `text` with its first cell's top-left corner at (x, y), in the native
// colour given, cut to the surface; characters outside 32..127 draw nothing
// but take their cell. 1 when the font could be read (the text was drawn).
int DrawFontText(PlatformSurface* surface, int32_t x, int32_t y, const char* text, uint32_t native);
