// The contact sheet: every bitmap at 4x on a grey checkerboard, the sprite
// sheet's regions outlined and numbered with a legend, the wipe box at a few
// sizes of its growth, and the title and play screens put together from the
// sheet at 2x, as the game places its sprites.
#pragma once

#include <string>

#include "tools/art/art_source.h"

// images: the five bitmaps in ART_BITMAPS order. Writes a PNG; 1 or 0.
int WriteContactSheet(const ArtImage* images, const std::string& path, std::string* error);
